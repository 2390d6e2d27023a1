#include "base/number_format.hpp"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace orthelev {
namespace {

// Runs the test body with the C library in a decimal-comma locale, as Qt
// leaves it under de_DE.UTF-8; skips where that locale is not installed.
class DecimalCommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
      GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale should use a decimal comma";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

struct FixedCase {
  double value;
  int decimals;
  int width;
  const char* expected;
};

void ExpectFixedCases() {
  const FixedCase cases[] = {
      {36.7081, 4, 0, "36.7081"},
      {36.65625, 4, 0, "36.6563"},  // exact binary tie: away from zero
      {-36.65625, 4, 0, "-36.6563"},
      {0.125, 2, 0, "0.13"},
      {-0.125, 2, 0, "-0.13"},
      {2.5, 0, 0, "3"},
      {0.5, 0, 0, "1"},
      {1.005, 2, 0, "1.00"},  // 1.005 is below the tie in binary
      {36.70814, 4, 0, "36.7081"},
      {100.0, 1, 0, "100.0"},
      {-0.00004, 4, 0, "-0.0000"},
      {36.7081, 4, 9, "  36.7081"},
      {-6.7, 1, 6, "  -6.7"},
      {123456.5, 1, 3, "123456.5"},  // width is a minimum
      {7.0, 0, 0, "7"},
      {-0.0, 3, 0, "-0.000"},
      {5e-324, 9, 0, "0.000000000"},
      {1.0009765625, 9, 0, "1.000976563"},              // tie: twice the units odd and below 2^53
      {5000000.0009765625, 9, 0, "5000000.000976562"},  // tie above 2^53: to even
      {999999999.5, 0, 0, "1000000000"},
      {1e9, 1, 0, "1000000000.0"},
      {-123.456789, 12, 0, "-123.456789000000"},
  };
  for (const FixedCase& c : cases)
    EXPECT_EQ(FormatFixed(c.value, c.decimals, c.width), c.expected)
        << c.value << " with " << c.decimals << " decimals";
}

void ExpectGeneralCases() {
  EXPECT_EQ(FormatGeneral(1.0 / 24), "0.0416666666666667");
  EXPECT_EQ(FormatGeneral(1.0 / 60), "0.0166666666666667");
  EXPECT_EQ(FormatGeneral(-90), "-90");
  EXPECT_EQ(FormatGeneral(0.025), "0.025");
  EXPECT_EQ(FormatGeneral(0), "0");
  EXPECT_EQ(FormatGeneral(139.74786111111112), "139.747861111111");
  EXPECT_EQ(FormatGeneral(1e20), "1e+20");
}

void ExpectParseCases() {
  struct ParseCase {
    const char* text;
    bool ok;
    double value;
  };
  const ParseCase cases[] = {
      {"36.7081", true, 36.7081},
      {"-12.50", true, -12.5},
      {"+5", true, 5},
      {"1e3", true, 1000},
      {".5", true, 0.5},
      {"5.", true, 5},
      {"0.016667", true, 0.016667},
      {"", false, 0},
      {"12.3.4", false, 0},
      {"+-5", false, 0},
      {"36,7081", false, 0},
      {" 1", false, 0},
      {"1e", false, 0},
      {"inf", false, 0},
      {"nan", false, 0},
      {"1e999", false, 0},
      {"-", false, 0},
      {".", false, 0},
  };
  for (const ParseCase& c : cases) {
    double value = -1;
    EXPECT_EQ(ParseReal(c.text, value), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
  }
}

TEST(NumberFormat, FixedRoundsTiesAwayFromZero) { ExpectFixedCases(); }
// Values that are not decimal ties print as std::to_chars prints them, at
// every magnitude below and around the short-number road's bound.
TEST(NumberFormat, FixedMatchesToCharsAwayFromTies) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> exponent(-14, 10);
  for (int i = 0; i < 200000; ++i) {
    const double value = (i % 2 ? -1 : 1) * std::pow(10.0, exponent(random));
    const int decimals = i % 11;
    char expected[400];
    const auto end = std::to_chars(expected, expected + sizeof expected, value,
                                   std::chars_format::fixed, decimals)
                         .ptr;
    ASSERT_EQ(FormatFixed(value, decimals), std::string(expected, end))
        << value << " with " << decimals << " decimals";
  }
}

TEST(NumberFormat, GeneralKeepsFifteenDigits) { ExpectGeneralCases(); }
TEST(NumberFormat, ParsesOnlyPointDecimals) { ExpectParseCases(); }

TEST_F(DecimalCommaLocale, FormattingIgnoresTheLocale) {
  ExpectFixedCases();
  ExpectGeneralCases();
}
TEST_F(DecimalCommaLocale, ParsingIgnoresTheLocale) { ExpectParseCases(); }

TEST(NumberFormat, NonFiniteValues) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 4), "NAN");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 4, 6), "  -INF");
}

TEST(NumberFormat, WholeNumbers) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {{"7", true, 7},           {"-7", true, -7},
                        {"+7", true, 7},          {"2147483647", true, 2147483647},
                        {"2147483648", false, 0}, {"7.5", false, 0},
                        {"", false, 0},           {"+-7", false, 0},
                        {"0x10", false, 0}};
  for (const Case& c : cases) {
    std::int32_t value = -1;
    EXPECT_EQ(ParseInt32(c.text, value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
  std::int32_t hex = 0;
  EXPECT_TRUE(ParseHexInt32("1f", hex));
  EXPECT_EQ(hex, 31);
  EXPECT_EQ(FormatInt(-2147483648LL), "-2147483648");
  EXPECT_EQ(TrimControlAndBlanks("\t 12 \r\n"), "12");
}

}  // namespace
}  // namespace orthelev
