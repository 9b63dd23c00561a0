#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/conversion.h"
#include "engine/float_error.h"
#include "engine/operations.h"
#include "engine/overdraft.h"
#include "engine/vat.h"

namespace chiffrel {
namespace {

Real48 FactorForPercent(Extended percent) {
    return VatFactorFor(Real48(percent));
}

struct VatCase {
    std::string amount;
    Extended ratePercent;
    int direction;
    std::string result;
    std::string taxText;
};

class ComputeVatTest : public testing::TestWithParam<VatCase> {};

TEST_P(ComputeVatTest, ShowsTheResultAndTheTax) {
    const auto& c = GetParam();
    AppState state;
    state.vatFactor = FactorForPercent(c.ratePercent);
    EXPECT_EQ(ComputeVat(state, c.amount, c.direction), c.result);
    EXPECT_EQ(state.taxText, c.taxText);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ComputeVatTest,
    testing::Values(VatCase{"", 20.6L, 0, "     0.00", "Taxe =      0.00"},
                    VatCase{"", 20.6L, 1, "     0.00", "Taxe =      0.00"},
                    VatCase{"100", 20.6L, 0, "   120.60", "Taxe =     20.60"},
                    VatCase{"120.6", 20.6L, 1, "   100.00", "Taxe =     20.60"},
                    VatCase{"100", 5.5L, 0, "   105.50", "Taxe =      5.50"},
                    VatCase{"100", 2.1L, 0, "   102.10", "Taxe =      2.10"},
                    VatCase{"-100", 20.6L, 0, "  -120.60", "Taxe =    -20.60"},
                    VatCase{"12,5", 20.6L, 0, "    14.47", "Taxe =      2.47"},
                    // A rate of -100 % gives the factor 0: the amount passes through.
                    VatCase{"100", -100, 0, "   100.00", "Taxe =      0.00"},
                    VatCase{"100", -100, 1, "   100.00", "Taxe =      0.00"},
                    VatCase{"100", 19, 0, "   119.00", "Taxe =     19.00"}));

TEST(VatFactor, IsTheRateInHundredthsPlusOneStoredAsReal48) {
    EXPECT_EQ(FactorForPercent(20.6L), Real48(Real48(20.6L).value() * 0.01L + 1));
    EXPECT_EQ(FormatAmount(FactorForPercent(20.6L), 1, 6), "1.206000");
    EXPECT_TRUE(FactorForPercent(-100).isZero());
    EXPECT_EQ(AppState{}.vatFactor, FactorForPercent(20.6L));
}

TEST(ComputeVat, StoresTheResultInLastResult) {
    AppState state;
    ComputeVat(state, "100", 0);
    EXPECT_EQ(state.lastResult, Real48(Real48(100).value() * state.vatFactor.value()));
}

struct OperationCase {
    std::string first;
    std::string second;
    OperationCode code;
    std::string result;
};

class ComputeOperationTest : public testing::TestWithParam<OperationCase> {};

TEST_P(ComputeOperationTest, ShowsTheResult) {
    const auto& c = GetParam();
    AppState state;
    EXPECT_EQ(ComputeOperation(state, c.first, c.second, c.code), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ComputeOperationTest,
    testing::Values(
        OperationCase{"12", "", 0, "    12.00"}, OperationCase{"7", "0", 3, "     7.00"},
        OperationCase{"7", "", 3, "     7.00"}, OperationCase{"7", "-0", 3, "     7.00"},
        OperationCase{"7", "abc", 3, "     7.00"}, OperationCase{"-5", "3", 1, "    -8.00"},
        OperationCase{"1", "3", 3, "     0.33"}, OperationCase{"12", "3", 2, "    36.00"},
        OperationCase{"999999999", "999999999", 2, "999999998000103424.00"},
        OperationCase{"1,5", "1", 0, "     2.00"}, OperationCase{"5", "5", 7, "     0.00"},
        OperationCase{"1e-30", "1e-30", 2, "     0.00"}));

TEST(ComputeOperation, KeepsFortyBitsOfAThirdInLastResult) {
    AppState state;
    ComputeOperation(state, "1", "3", 3);
    EXPECT_EQ(state.lastResult, Real48(1.0L / 3.0L));
}

TEST(Memory, AccumulatesTheShownTextNotTheFullResult) {
    AppState state;
    for (int i = 0; i < 3; ++i) {
        MemoryAdd(state, "     0.33");
    }
    EXPECT_EQ(MemoryRecall(state), "     0.99");
    AppState other;
    MemorySubtract(other, "    12.50");
    EXPECT_EQ(MemoryRecall(other), "   -12.50");
    other.memoryValue = Real48(1234567.89L);
    EXPECT_EQ(MemoryRecall(other), "1234567.89");
}

struct ConversionCase {
    std::string amount;
    ConversionDirection direction;
    std::string result;
};

class ConvertCurrencyTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConvertCurrencyTest, UsesTheBuiltInRates) {
    const auto& c = GetParam();
    AppState state;
    EXPECT_EQ(ConvertCurrency(state, c.amount, c.direction), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ConvertCurrencyTest,
    testing::Values(ConversionCase{"100", 0, "  15.4428"}, ConversionCase{"100", 1, " 647.5510"},
                    ConversionCase{"100", 2, "   594.62"}, ConversionCase{"100", 3, "    16.82"},
                    ConversionCase{"", 0, "   0.0000"}, ConversionCase{"", 1, "   0.0000"},
                    ConversionCase{"", 2, "     0.00"}, ConversionCase{"", 3, "     0.00"},
                    ConversionCase{"-100", 3, "   -16.82"}, ConversionCase{"100", 4, ""},
                    ConversionCase{"100", -1, ""}));

TEST(RateLines, ShowTheRatesWithFiveDecimals) {
    AppState state;
    EXPECT_EQ(EuroRateLine(state), "Taux : 1 Euro -> 6.47551 Francs");
    EXPECT_EQ(DollarRateLine(state), "Taux : 1 Dollars -> 5.94620 Francs");
}

struct OverdraftCase {
    std::string amount;
    std::string rate;
    std::string days;
    std::string result;
};

class OverdraftTest : public testing::TestWithParam<OverdraftCase> {};

TEST_P(OverdraftTest, ComputesSimpleInterest) {
    const auto& c = GetParam();
    AppState state;
    EXPECT_EQ(ComputeOverdraftInterest(state, c.amount, c.rate, c.days), c.result);
}

INSTANTIATE_TEST_SUITE_P(Examples, OverdraftTest,
                         testing::Values(OverdraftCase{"10000", "12", "30", "  98.6301"},
                                         OverdraftCase{"5000", "18.5", "45", " 114.0411"},
                                         OverdraftCase{"", "12", "30", "   0.0000"},
                                         OverdraftCase{"10000", "", "30", "   0.0000"},
                                         OverdraftCase{"10000", "12", "", "   0.0000"},
                                         OverdraftCase{"10000", "1,5", "365", " 100.0000"},
                                         OverdraftCase{"-10000", "12", "30", " -98.6301"}));

// Every fault stops the computation before any shared value changes.
struct FaultCase {
    const char* name;
    std::function<void(AppState&)> prepare;
    std::function<void(AppState&)> run;
    const char* message;
};

class FaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, LeavesTheSharedValuesUntouched) {
    const auto& c = GetParam();
    AppState state;
    if (c.prepare) {
        c.prepare(state);
    }
    state.lastResult = Real48(42);
    state.taxText = "Taxe =      7.00";
    state.memoryValue = Real48(5);
    try {
        c.run(state);
        ADD_FAILURE() << c.name << ": no fault";
    } catch (const FloatError& e) {
        EXPECT_STREQ(e.what(), c.message) << c.name;
    }
    EXPECT_EQ(state.lastResult, Real48(42)) << c.name;
    EXPECT_EQ(state.taxText, "Taxe =      7.00") << c.name;
    EXPECT_EQ(state.memoryValue, Real48(5)) << c.name;
}

const char* const kOverflow = "Débordement flottant";

INSTANTIATE_TEST_SUITE_P(
    Engines, FaultTest,
    testing::Values(
        FaultCase{"VAT amount", nullptr, [](AppState& s) { ComputeVat(s, "9e99", 0); }, kOverflow},
        FaultCase{"VAT result", nullptr, [](AppState& s) { ComputeVat(s, "1.5e38", 0); },
                  kOverflow},
        FaultCase{"VAT reverse with a tiny factor",
                  [](AppState& s) { s.vatFactor = Real48(1e-10L); },
                  [](AppState& s) { ComputeVat(s, "1e30", 1); }, kOverflow},
        FaultCase{"product", nullptr, [](AppState& s) { ComputeOperation(s, "1E30", "1E30", 2); },
                  kOverflow},
        FaultCase{"quotient", nullptr,
                  [](AppState& s) { ComputeOperation(s, "999999999", "1E-30", 3); }, kOverflow},
        FaultCase{"memory add", nullptr, [](AppState& s) { MemoryAdd(s, "9e99"); }, kOverflow},
        FaultCase{"conversion", nullptr, [](AppState& s) { ConvertCurrency(s, "1e38", 1); },
                  kOverflow},
        FaultCase{"zero euro rate", [](AppState& s) { s.euroRate = Real48(0); },
                  [](AppState& s) { ConvertCurrency(s, "100", 0); }, "Division flottante par zéro"},
        FaultCase{"zero dollar rate, zero amount", [](AppState& s) { s.dollarRate = Real48(0); },
                  [](AppState& s) { ConvertCurrency(s, "", 3); }, "Opération flottante incorrecte"},
        FaultCase{"overdraft", nullptr,
                  [](AppState& s) { ComputeOverdraftInterest(s, "1e30", "1e30", "1e30"); },
                  kOverflow}));

TEST(MemoryFault, KeepsThePreviousMemory) {
    AppState state;
    state.memoryValue = Real48(-1.5e38L);
    EXPECT_THROW(MemorySubtract(state, "1e38"), FloatOverflow);
    EXPECT_EQ(state.memoryValue, Real48(-1.5e38L));
}

TEST(ZeroRates, MultiplyingDirectionsGiveZero) {
    AppState state;
    state.euroRate = Real48(0);
    EXPECT_EQ(ConvertCurrency(state, "100", 1), "   0.0000");
}

}  // namespace
}  // namespace chiffrel
