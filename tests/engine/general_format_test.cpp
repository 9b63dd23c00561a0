#include "engine/general_format.h"

#include <gtest/gtest.h>

#include <string>

namespace chiffrel {
namespace {

struct GeneralCase {
    Extended value;
    std::string text;
};

class FormatGeneralTest : public testing::TestWithParam<GeneralCase> {};

TEST_P(FormatGeneralTest, WritesFifteenSignificantDigitsAtMost) {
    EXPECT_EQ(FormatGeneral(GetParam().value, 15), GetParam().text);
}

// Stored results show the binary rounding of the 6-byte real beyond the twelfth digit.
INSTANTIATE_TEST_SUITE_P(
    StoredResults, FormatGeneralTest,
    testing::Values(GeneralCase{0, "0"},
                    GeneralCase{Real48(Real48(0.1L).value() + Real48(0.2L).value()),
                                "0.300000000000182"},
                    GeneralCase{Real48(12345.67L), "12345.6700000018"},
                    GeneralCase{Real48(120.6L), "120.599999999977"}, GeneralCase{36, "36"},
                    GeneralCase{-8, "-8"}, GeneralCase{Real48(1.0L / 3), "0.333333333333485"},
                    GeneralCase{0.0001L, "0.0001"}, GeneralCase{0.00001L, "1E-5"},
                    GeneralCase{-0.000015L, "-1.5E-5"},
                    GeneralCase{123456789012345.0L, "123456789012345"}, GeneralCase{1e15L, "1E15"},
                    GeneralCase{1e16L, "1E16"}, GeneralCase{1.5e20L, "1.5E20"},
                    GeneralCase{999999999999999.9L, "1E15"},
                    GeneralCase{Real48(999999999.0L * 999999999.0L), "9.99999998000103E17"}));

}  // namespace
}  // namespace chiffrel
