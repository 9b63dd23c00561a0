#pragma once

#include <stdexcept>

namespace chiffrel {

// Every error the program reports to the user derives from this class. Its message is the
// French text shown in the error box (UTF-8, without the final full stop).
class ProgramError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace chiffrel
