#pragma once

#include "engine/program_error.h"

namespace chiffrel {

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
