#pragma once

#include <string_view>

#include "app_state.h"

namespace chiffrel {

// 0 francs to euro, 1 euro to francs, 2 dollars to francs, 3 francs to dollars.
using ConversionDirection = int;

// Returns the converted amount (4 decimals for euro, 2 for dollars, width 9) and stores it in
// state.lastResult; an unknown direction computes nothing and returns "". A zero rate is not
// guarded: dividing by it raises FloatZeroDivide (or FloatInvalidOperation for a zero amount).
AmountText ConvertCurrency(AppState& state, std::string_view amount, ConversionDirection direction);

// "Taux : 1 Euro -> 6.47551 Francs" and "Taux : 1 Dollars -> 5.94620 Francs".
AmountText EuroRateLine(const AppState& state);
AmountText DollarRateLine(const AppState& state);

}  // namespace chiffrel
