#pragma once

#include <string_view>

#include "app_state.h"

namespace chiffrel {

// 0: the amount is H.T. and the result T.T.C.; any other value: the reverse.
using VatDirection = int;

// Returns the result text (width 9, 2 decimals), sets state.taxText to "Taxe = " + the tax
// and state.lastResult to the result. A zero state.vatFactor passes the amount through.
AmountText ComputeVat(AppState& state, std::string_view amount, VatDirection direction);

}  // namespace chiffrel
