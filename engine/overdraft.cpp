#include "overdraft.h"

namespace chiffrel {

AmountText ComputeOverdraftInterest(AppState& state, std::string_view amount,
                                    std::string_view ratePercent, std::string_view days) {
    // 365 days a year times 100 for the percent, applied as a multiplication.
    constexpr Extended kOneOver36500 = 1.0L / 36500.0L;
    const Real48 a(ParseAmount(amount).value);
    const Real48 t(ParseAmount(ratePercent).value);
    const Real48 n(ParseAmount(days).value);
    const Extended product = a.value() * n.value();
    const Real48 interest(product * t.value() * kOneOver36500);
    state.lastResult = interest;
    return FormatAmount(interest, 9, 4);
}

}  // namespace chiffrel
