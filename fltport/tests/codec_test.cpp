#include <gtest/gtest.h>

#include "codec/number_form.h"
#include "codec/raw_flight.h"
#include "codec/sample_codec.h"

using namespace fltport;

TEST(NumberForm, GeneralFormKeepsThePointAndUsesThreeDigitExponents) {
    struct Case {
        double value;
        int digits;
        const char* text;
    } cases[] = {
        {100, 7, "100."},
        {0, 7, "0."},
        {-0.0, 7, "0."},
        {1234567.8, 7, "1234568"},
        {1234567, 7, "1234567"},
        {0.05, 5, "5.e-002"},
        {12345678, 7, "1.234568e+007"},
        {-6 / 7.787, 5, "-0.77051"},
        {9.99999999, 7, "10."},        // the rounded value decides the notation
        {0.0999999999, 7, "0.1"},      // rounds up into the fixed range
        {0.12345678, 7, "0.1234568"},  // e = -1 stays fixed, with N decimals
        {0.0032176804, 7, "3.21768e-003"},
        {-0.0032176804, 7, "-3.21768e-003"},
        {1e-300, 7, "1.e-300"},
        {1.5e200, 5, "1.5e+200"},
        {4207.9, 5, "4207.9"},
        {99999.5, 5, "1.e+005"},
        // More digits than a double holds: its 17, never a text past the buffer.
        {1.0 / 3, 80, "0.33333333333333331"},
        {1.5e200, 400, "1.5e+200"},
    };
    for (const auto& c : cases) EXPECT_EQ(generalForm(c.value, c.digits), c.text) << c.value;
}

TEST(NumberForm, FixedFormAndLeadingNumber) {
    EXPECT_EQ(fixedForm(0.01, 5), "0.01000");
    EXPECT_EQ(fixedForm(1e300, 200), "0");  // no room for the text: no text

    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"  1.5xyz", 1.5}, {"-2e3", -2000}, {"+.5", 0.5},
        {"\t7", 7},        {"1e", 1},       {"3.305845e-003,", 0.003305845},
        {"abc", 0},        {"", 0},         {".", 0},
        {"0x10", 0},       {"inf", 0},      {"-nan", 0},
        {"1e999", 0},      {"- 3", 0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(SampleCodec, RecordValuesAsTheDownloadWritesThem) {
    EXPECT_EQ(stepText(1000), "0.01000");
    EXPECT_EQ(stepText(500), "0.00500");
    EXPECT_EQ(stepText(25000), "0.25000");
    EXPECT_EQ(pressureText(0), "1.530978");
    EXPECT_EQ(pressureText(512), "9.438482");
    EXPECT_EQ(pressureText(1023), "17.33054");

    // Negative words are the complement of the magnitude, not its negation.
    const std::pair<uint16_t, const char*> accel[] = {
        {0x0000, "0."}, {0x0001, "0.12842"}, {0x8000, "-0.12842"}, {0x8005, "-0.77051"}, {0x7FFF, "4207.9"}};
    for (const auto& [word, text] : accel) EXPECT_EQ(accelText(accelCount(word)), text) << word;
    EXPECT_EQ(accelCount(0xFFFF), -32768);
}

TEST(SampleCodec, IntegrationStepsRoundThroughTheirTexts) {
    EXPECT_EQ(integrateVelocity("0.01000", "0", "1"), "0.2193873");
    EXPECT_EQ(integrateDistance("0.01000", "0", "0.2193873"), "3.21768e-003");
    EXPECT_EQ(integrateVelocity("0.01000", "0", "1.0274"), "0.2253985");
    EXPECT_EQ(integrateDistance("0.01000", "0", "0.2253985"), "3.305845e-003");
    EXPECT_EQ(integrateVelocity("0", "12.5", "3"), "12.5");  // no step yet: nothing moves
}

TEST(SampleCodec, EveryRawValueSurvivesItsRecordText) {
    // The simulator serves record files by turning their texts back into counts.
    for (int raw = 0; raw <= 1023; ++raw)
        ASSERT_EQ(pressureRaw(leadingNumber(pressureText(static_cast<uint16_t>(raw)))), raw);
    for (int count = -32768; count <= 32767; ++count) {
        ASSERT_EQ(accelCount(accelWord(count)), count);
        ASSERT_EQ(accelCountFromG(leadingNumber(accelText(count))), count);
    }
    for (int raw = 0; raw <= 65535; raw += 7)
        ASSERT_EQ(stepRaw(leadingNumber(stepText(static_cast<uint16_t>(raw)))), raw);
    EXPECT_EQ(accelWord(-40000), 0xFFFF);  // clamped
    EXPECT_EQ(pressureRaw(1e9), 65535);
}

TEST(RawFlight, ScriptsParseFormatAndEncode) {
    const auto flights = parseRawFlights(
        "# two flights\n"
        "flight\n1 1000\n6 0x200\n3 8\n"
        "flight\n4\n9 1 2 0xFE\n");
    ASSERT_TRUE(flights);
    ASSERT_EQ(flights->size(), 2u);
    EXPECT_EQ((*flights)[0][1], (RawRecord{kPressureRecord, 512}));
    EXPECT_EQ((*flights)[1][1], (RawRecord{9, 0, {1, 2, 0xFE}}));
    EXPECT_EQ(parseRawFlights(formatRawFlights(*flights)), flights);

    const std::vector<std::vector<uint8_t>> units = {{5},    {1},   {0x03, 0xE8}, {6}, {0x02, 0x00},    {3},
                                                     {0, 8}, {254}, {5},          {4}, {9, 1, 2, 0xFE}, {254},
                                                     {255}};
    EXPECT_EQ(downloadUnits(*flights), units);

    std::string error;
    for (const char* bad :
         {"1 1000\n", "flight\n1\n", "flight\n3 70000\n", "flight\n300\n", "flight\n1 x\n"}) {
        EXPECT_FALSE(parseRawFlights(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}
