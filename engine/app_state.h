#pragma once

#include <string>

#include "amount_text.h"
#include "real48.h"

namespace chiffrel {

// r x 0.01 + 1, worked in extended precision (0.01 being the extended value nearest to one
// hundredth) and stored: the multiplying factor of a VAT rate given in percent.
Real48 VatFactorFor(Real48 ratePercent);

// The process-wide values that the engines and windows share. The application owns one and
// passes it by reference; a test makes a fresh one. Members start at the built-in values.
struct AppState {
    Real48 euroRate{6.47551L};
    Real48 dollarRate{5.9462L};
    Real48 vatRate1{20.6L};
    Real48 vatRate2{5.5L};
    Real48 vatRate3{2.1L};
    Real48 vatFactor = VatFactorFor(vatRate1);

    AmountText euroRateText;
    AmountText dollarRateText;
    AmountText vatRateText1;
    AmountText vatRateText2;
    AmountText vatRateText3;
    AmountText startSideText;
    AmountText autoCopyText;

    AmountText taxText;
    Real48 lastResult;
    Real48 memoryValue;
};

}  // namespace chiffrel
