#pragma once

#include <stdexcept>
#include <string>

namespace chiffrel {

// Every error the program reports to the user derives from this class. Its message is the
// French text shown in the error box (UTF-8, without the final full stop).
class ProgramError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The three floating-point faults of the calculator. Nothing in the engine catches them:
// they stop the computation in progress before any process-wide value is touched.
class FloatError : public ProgramError {
  public:
    using ProgramError::ProgramError;
};

class FloatOverflow : public FloatError {
  public:
    FloatOverflow() : FloatError("Débordement flottant") {}
};

class FloatZeroDivide : public FloatError {
  public:
    FloatZeroDivide() : FloatError("Division flottante par zéro") {}
};

class FloatInvalidOperation : public FloatError {
  public:
    FloatInvalidOperation() : FloatError("Opération flottante incorrecte") {}
};

}  // namespace chiffrel
