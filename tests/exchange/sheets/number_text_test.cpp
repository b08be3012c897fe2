#include "exchange/sheets/sheet.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <limits>

namespace fenban::exchange {
namespace {

struct NumberCase {
    double value;
    const char16_t *text;
};

class NumberTextTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTextTest, ShowsTheNumberAsASpreadsheetCellDoes) {
    EXPECT_EQ(numberText(GetParam().value), QString::fromUtf16(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberTextTest,
    ::testing::Values(
        // Scores as they appear in a student list.
        NumberCase{85, u"85"}, NumberCase{85.5, u"85.5"}, NumberCase{0.3, u"0.3"}, NumberCase{0, u"0"},
        NumberCase{-0.0, u"0"}, NumberCase{-3.5, u"-3.5"},
        // Sums that binary floating point cannot hold exactly are shown as they were meant.
        NumberCase{0.1 + 0.2, u"0.3"}, NumberCase{59.5 + 0.1, u"59.6"},
        // Student and score-entry numbers: plain digits, never an exponent, up to 15 digits.
        NumberCase{20260001, u"20260001"}, NumberCase{1234567890123, u"1234567890123"},
        NumberCase{999999999999999, u"999999999999999"}, NumberCase{-20260001, u"-20260001"},
        // Beyond 15 digits a spreadsheet cell shows 15 significant digits with an exponent.
        NumberCase{1e15, u"1E+15"}, NumberCase{123456789012345678.0, u"1.23456789012346E+17"},
        // Fractions keep at most 15 significant digits and no trailing zeros.
        NumberCase{1.0 / 3, u"0.333333333333333"}, NumberCase{2.0 / 3, u"0.666666666666667"},
        NumberCase{0.000025, u"2.5E-05"}, NumberCase{std::numeric_limits<double>::infinity(), u"#NUM!"},
        NumberCase{std::numeric_limits<double>::quiet_NaN(), u"#NUM!"}));

} // namespace
} // namespace fenban::exchange
