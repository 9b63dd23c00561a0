#include "app_state.h"

namespace chiffrel {

Real48 VatFactorFor(Real48 ratePercent) {
    constexpr Extended kOneHundredth = 0.01L;
    return Real48(ratePercent.value() * kOneHundredth + 1);
}

}  // namespace chiffrel
