#include "conversion.h"

#include "float_error.h"

namespace chiffrel {

namespace {

// Division with the faults the calculator has always raised for a zero divisor.
Extended Divide(Extended dividend, Extended divisor) {
    if (divisor == 0) {
        if (dividend == 0) {
            throw FloatInvalidOperation();
        }
        throw FloatZeroDivide();
    }
    return dividend / divisor;
}

}  // namespace

AmountText ConvertCurrency(AppState& state, std::string_view amount,
                           ConversionDirection direction) {
    if (direction < 0 || direction > 3) {
        return {};
    }
    const Real48 x(ParseAmount(amount).value);
    Extended r = 0;
    switch (direction) {
        case 0:
            r = Divide(x, state.euroRate);
            break;
        case 1:
            r = x.value() * state.euroRate.value();
            break;
        case 2:
            r = x.value() * state.dollarRate.value();
            break;
        default:
            r = Divide(x, state.dollarRate);
            break;
    }
    const Real48 result(r);
    state.lastResult = result;
    const int decimals = direction <= 1 ? 4 : 2;
    return FormatAmount(result, 9, decimals);
}

AmountText EuroRateLine(const AppState& state) {
    return "Taux : 1 Euro -> " + FormatRate(state.euroRate) + " Francs";
}

AmountText DollarRateLine(const AppState& state) {
    return "Taux : 1 Dollars -> " + FormatRate(state.dollarRate) + " Francs";
}

}  // namespace chiffrel
