#pragma once

#include <string_view>

#include "app_state.h"

namespace chiffrel {

// 0 addition, 1 subtraction, 2 multiplication, 3 division: the position of the operation slider.
using OperationCode = int;

// Returns the result text (width 9, 2 decimals) and stores the result in state.lastResult.
// Dividing by zero gives the first value back; any other code gives 0.
AmountText ComputeOperation(AppState& state, std::string_view first, std::string_view second,
                            OperationCode code);

// The memory keys work on the text the result panel shows, so the memory holds what the user saw.
void MemoryAdd(AppState& state, std::string_view shown);
void MemorySubtract(AppState& state, std::string_view shown);
AmountText MemoryRecall(const AppState& state);

}  // namespace chiffrel
