#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace tarvel;

TEST(NumberText, ParseAcceptsSpacesSignAndExponent) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"150", 150.0},
        {" 0.04 ", 0.04},
        {"-3.5", -3.5},
        {"+2", 2.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"1E-05", 1e-05},
        {"1.5e+3", 1500},
        {"\t7\t", 7.0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"1,5", std::nullopt},
        {"12abc", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"0x10", std::nullopt},
        {"1e999", std::nullopt},
        {"FDDate", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = parseNumber(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value());
        if (v) {
            EXPECT_DOUBLE_EQ(*v, *c.value);
        }
    }
    EXPECT_EQ(numberOrZero("x"), 0.0);
    EXPECT_EQ(numberOrZero(" 16.00"), 16.0);
}

TEST(NumberText, ParseGivesTheCorrectlyRoundedValue) {
    // Texts as files carry them, and the shapes around the quick conversion's
    // limits (15 digits, powers of ten up to 22), against the C library.
    std::vector<std::string> texts = {"14.6912",
                                      "0.01",
                                      "-1.25e-3",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.000000000000000000001",
                                      "1e22",
                                      "1e23",
                                      "9.99999999999999e-23",
                                      "00012.5000",
                                      "0.1",
                                      "3.14159265358979",
                                      "-0",
                                      "2e-308",
                                      "4.9e-324"};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::ldexp(double(random() >> 11), int(random() % 120) - 100);
        char text[40];
        std::snprintf(text, sizeof text, "%.*g", int(1 + random() % 17), (i % 2 ? -value : value));
        texts.emplace_back(text);
    }
    for (const std::string& text : texts) {
        const std::optional<double> parsed = parseNumber(text);
        ASSERT_TRUE(parsed) << text;
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::memcmp(&*parsed, &expected, sizeof expected), 0) << text;
    }
}

TEST(NumberText, RoundsHalvesToEvenAndSaturates) {
    const std::pair<double, int> cases[] = {
        {0.5, 0},          {1.5, 2},
        {2.5, 2},          {5.5, 6},
        {-0.5, 0},         {-1.5, -2},
        {100.0 / 200, 0},  {101.0 / 200, 1},
        {1100.0 / 200, 6}, {20000.0 / 200, 100},
        {0.49, 0},         {0.51, 1},
        {30 / 20.0, 2},    {50 / 20.0, 2},
        {51 / 20.0, 3},  // motor file strides
        {1e9, 32767},      {-1e9, -32768},
        {std::nan(""), 0},
    };
    for (auto [value, expected] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(roundHalfEvenToInt16(value), expected);
    }
}

TEST(NumberText, GeneralTextHasFifteenDigitsNoTrailingZeros) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {150, "150"},
        {0.04, "0.04"},
        {-0.5, "-0.5"},
        {14.7, "14.7"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {123456789012345.0, "123456789012345"},
        {0.1 + 0.2, "0.3"},
        {1e-05, "1E-05"},
        {-1.5e-07, "-1.5E-07"},
        {1e20, "1E+20"},
        {0.0001, "0.0001"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(generalNumberText(value), text) << value;
}

TEST(NumberText, TwoDecimalTextCutsNeverRounds) {
    const std::pair<double, const char*> cases[] = {
        {123.4567, "123.45"},
        {12.3, "12.3"},
        {0.009, "0.00"},
        {-3.14159, "-3.14"},
        {150, "150"},
        {99.999, "99.99"},
        {0, "0"},
        {1e-07, "0.00"},
        {2e16, "20000000000000000"},
        {0.1 + 0.2, "0.3"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(twoDecimalText(value), text) << value;
}

TEST(NumberText, CutTextOfTheUnitsDialog) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {10.0 * 0.3048, 1, "3.0"},    // altitude 10 ft to metres
        {100 * 1.609, 1, "160.9"},    // velocity mph to km/h
        {160.9 * 0.6214, 1, "99.9"},  // and back: 99.98326 is cut, not rounded
        {16.00 / 16, 3, "1"},         // no point, nothing cut
        {1 * 16.0, 3, "16"},         {56.698 * 0.03527, 3, "1.999"},
        {1.5e-05, 1, "0.0"},  // exponent form is never cut into a wrong figure
    };
    for (const Case& c : cases) EXPECT_EQ(cutText(c.value, c.decimals), c.text) << c.value;
}

TEST(NumberText, FigureTextRoundsGroupsAndDropsLeadingZero) {
    const NumberLocale us{".", ","};
    const NumberLocale de{",", "."};
    const NumberLocale plain{".", ""};
    // A point and a separator of two bytes each (U+066B, U+066C), taken whole.
    const NumberLocale arabic = NumberLocale::fromPunctuation("\xD9\xAB", "\xD9\xAC", "\3");
    struct Case {
        double value;
        int decimals;
        NumberLocale locale;
        bool leadingZero;
        const char* text;
    };
    const Case cases[] = {
        {0.5, 2, us, false, ".50"},
        {0, 1, us, false, ".0"},
        {0, 2, us, true, "0.00"},
        {1234.567, 1, us, false, "1,234.6"},
        {1234.567, 1, de, false, "1.234,6"},
        {1234.567, 1, plain, false, "1234.6"},
        {1234567.891, 2, us, false, "1,234,567.89"},
        {-0.25, 2, us, false, "-.25"},
        {-0.001, 2, us, false, ".00"},
        {0.125, 2, us, false, ".13"},   // half away from zero
        {2.675, 2, us, false, "2.68"},  // on the 15-digit value, not the binary one
        {9.996, 2, us, false, "10.00"},
        {0.996, 2, us, false, "1.00"},
        {22.5, 0, us, false, "23"},
        {0.2, 0, us, false, "0"},
        {999.95, 1, us, false, "1,000.0"},
        {0.2, 2, plain, true, "0.20"},
        {1234567.891, 2, arabic, false,
         "1\xD9\xAC"
         "234\xD9\xAC"
         "567\xD9\xAB"
         "89"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(figureText(c.value, c.decimals, c.locale, c.leadingZero), c.text) << c.value;
}

TEST(NumberText, NamedLocales) {
    auto us = NumberLocale::named("en_US");
    ASSERT_TRUE(us);
    EXPECT_EQ(us->decimalPoint, ".");
    EXPECT_EQ(us->groupSeparator, ",");
    auto de = NumberLocale::named("de_DE.UTF-8");
    ASSERT_TRUE(de);
    EXPECT_EQ(de->decimalPoint, ",");
    auto c = NumberLocale::named("C");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->groupSeparator, "");
    // No grouping in the C library's terms.
    EXPECT_EQ(NumberLocale::fromPunctuation(",", ".", "").groupSeparator, "");
    EXPECT_EQ(NumberLocale::fromPunctuation(",", ".", "\x7f").groupSeparator, "");
    EXPECT_FALSE(NumberLocale::named("xx_NOWHERE"));
}
