#include "operations.h"

namespace chiffrel {

namespace {

Extended Operate(Real48 a, Real48 b, OperationCode code) {
    switch (code) {
        case 0:
            return a.value() + b.value();
        case 1:
            return a.value() - b.value();
        case 2:
            return a.value() * b.value();
        case 3:
            return b.isZero() ? a.value() : a.value() / b.value();
        default:
            return 0;
    }
}

}  // namespace

AmountText ComputeOperation(AppState& state, std::string_view first, std::string_view second,
                            OperationCode code) {
    const Real48 a(ParseAmount(first).value);
    const Real48 b(ParseAmount(second).value);
    const Real48 r(Operate(a, b, code));
    state.lastResult = r;
    return FormatAmount(r, 9, 2);
}

void MemoryAdd(AppState& state, std::string_view shown) {
    const Real48 v(ParseAmount(shown).value);
    state.memoryValue = Real48(state.memoryValue.value() + v.value());
}

void MemorySubtract(AppState& state, std::string_view shown) {
    const Real48 v(ParseAmount(shown).value);
    state.memoryValue = Real48(state.memoryValue.value() - v.value());
}

AmountText MemoryRecall(const AppState& state) {
    return FormatAmount(state.memoryValue, 9, 2);
}

}  // namespace chiffrel
