#include "settings/settings.hpp"

#include <gtest/gtest.h>

namespace orthelev {
namespace {

TEST(SettingsForms, WholeNumbersBytesAndYesNo) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  const Case wholes[] = {{"16", 16}, {"0x10", 16}, {"0X1f", 31}, {"-5", -5},  {"1.5", 77},
                         {"", 77},   {"0x", 77},   {"0xZZ", 77}, {"abc", 77}, {"99999999999", 77}};
  for (const Case& c : wholes) EXPECT_EQ(ReadWholeNumber(c.text, 77), c.expected) << c.text;

  EXPECT_EQ(ReadByte("300", 0), 44);
  EXPECT_EQ(ReadByte("128", 0), 128);
  EXPECT_EQ(ReadByte("", 7), 7);
  EXPECT_TRUE(ReadYesNo("1", false));
  EXPECT_TRUE(ReadYesNo("-3", false));
  EXPECT_FALSE(ReadYesNo("0", true));
  EXPECT_TRUE(ReadYesNo("x", true));
  EXPECT_EQ(YesNoText(true), "1");
  EXPECT_EQ(YesNoText(false), "0");
}

TEST(SettingsForms, RealsKeepFifteenDigitsAndRoundTrip) {
  EXPECT_EQ(RealText(1.0 / 24), "0.0416666666666667");
  EXPECT_EQ(RealText(-90), "-90");
  for (double v : {1.0 / 24, 1.0 / 60, 0.025, -90.0, 139.74786111111112}) {
    const double back = ReadReal(RealText(v), 0);
    EXPECT_NEAR(back, v, std::abs(v) * 1e-14) << v;
  }
  EXPECT_EQ(ReadReal("0.016667", 1), 0.016667);
  EXPECT_EQ(ReadReal("0,5", 9), 9);
  EXPECT_EQ(ReadReal("", 9), 9);
}

TEST(SettingsValues, DecimalIsOneCappedWholeNumberForEveryOutput) {
  struct Case {
    const char* decimal;
    int expected;
  };
  const Case cases[] = {{"4", 4},     {"1", 1},           {"0", 4},          {"-2", 4},
                        {"x", 4},     {"30", 30},         {"31", 30},        {"200", 30},
                        {"0x10", 16}, {"2147483647", 30}, {"99999999999", 4}};
  const std::string saved = TheSettings().decimal;
  for (const Case& c : cases) {
    TheSettings().decimal = c.decimal;
    EXPECT_EQ(HeightDecimals(), c.expected) << c.decimal;
  }
  TheSettings().decimal = saved;
}

TEST(SettingsValues, BuiltInModelsAndStartValues) {
  const GridSpec egm25 = DefaultGridSpec(kSectionEgm25);
  EXPECT_EQ(egm25.title, "EGM2008 2.5'x2.5'");
  EXPECT_EQ(egm25.ncols, 8642);
  EXPECT_EQ(egm25.dgla, 1.0 / 24);
  EXPECT_EQ(DefaultGridSpec(kSectionEgm10).nlon, 21600);
  EXPECT_EQ(DefaultGridSpec(kSectionGsi).dglo, 0.025);
  EXPECT_EQ(DefaultGridSpec(kSectionGsi).prePad, 0);
  EXPECT_EQ(DefaultGridSpec("Custom Geoid"), GridSpec{});

  Settings s;
  EXPECT_EQ(s.font.charset, 0);
  EXPECT_EQ(s.font.name, "Tahoma");
  EXPECT_EQ(s.font.sizePoints, 8);
  EXPECT_EQ(s.japaneseFont.charset, 128);
  EXPECT_EQ(s.customExt, ".cdat");
  EXPECT_EQ(s.postfix, "");
  EXPECT_EQ(s.egm25, GridSpec{});
  EXPECT_EQ(s.GridSection("gsi"), nullptr);  // sections are looked up by their exact names
  EXPECT_EQ(s.GridSection("GSI"), &s.gsi);
  EXPECT_EQ(VersionTitle(), "Orthelev Ver2.07");
}

}  // namespace
}  // namespace orthelev
