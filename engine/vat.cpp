#include "vat.h"

namespace chiffrel {

AmountText ComputeVat(AppState& state, std::string_view amount, VatDirection direction) {
    const Real48 x(ParseAmount(amount).value);
    Real48 y = x;
    Real48 tax;
    if (!state.vatFactor.isZero()) {
        // The tax is the difference of the two stored amounts, never of the rounded texts.
        if (direction == 0) {
            y = Real48(x.value() * state.vatFactor.value());
            tax = Real48(y.value() - x.value());
        } else {
            y = Real48(x.value() / state.vatFactor.value());
            tax = Real48(x.value() - y.value());
        }
    }
    AmountText result = FormatAmount(y, 9, 2);
    state.lastResult = y;
    state.taxText = "Taxe = " + FormatAmount(tax, 9, 2);
    return result;
}

}  // namespace chiffrel
