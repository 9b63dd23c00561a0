#pragma once

#include <string_view>

#include "app_state.h"

namespace chiffrel {

// Simple interest on an overdraft: amount x days x rate / 36 500, four decimals, width 9.
// Stores the interest in state.lastResult.
AmountText ComputeOverdraftInterest(AppState& state, std::string_view amount,
                                    std::string_view ratePercent, std::string_view days);

}  // namespace chiffrel
