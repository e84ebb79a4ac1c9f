#include "record_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "record_samples.h"

using namespace tarvel;
using tarvel::testing::loaded;

namespace {

const char* kHeader = "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n";

std::string withHeader(const std::string& rows) { return kHeader + rows; }

}  // namespace

TEST(RecordInput, FieldsAcrossLinesQuotesAndLineEnds) {
    RecordInput in("  a , b\r\n\"x, y\" tail,\r\nlast\nlf\rcr");
    const char* expected[] = {"a", "b", "x, y", "", "last", "lf", "cr"};
    for (const char* e : expected) {
        ASSERT_FALSE(in.atEnd());
        EXPECT_EQ(in.readField(), e);
    }
    EXPECT_TRUE(in.atEnd());

    RecordInput lines("key, with\r\nvalue, commas and  spaces \r\n");
    EXPECT_EQ(lines.readField(), "key");
    EXPECT_EQ(lines.readLine(), " with");  // the rest of the key's line
    EXPECT_EQ(lines.readLine(), "value, commas and  spaces ");
    EXPECT_TRUE(lines.atEnd());
}

TEST(RecordReader, DownloadedFormThreeRows) {
    auto fa = loaded(withHeader("0.04,14.7,1.5,0,0, \r\n0.04,14.6,2.5,0,0, \r\n0.04,14.5,3,0,0, "));
    const SampleStore& s = fa->samples;
    EXPECT_EQ(s.SampleCount, 3);
    EXPECT_EQ(at(s.aDeltaTime, 2), 0.04);
    EXPECT_EQ(at(s.aPressure, 3), 14.5);
    EXPECT_EQ(at(s.aAccel, 1), 1.5);
    EXPECT_EQ(at(s.aAltitude, 1), 0.0);
    EXPECT_NEAR(at(s.aAltitude, 3), (std::pow(14.5 / 14.7, 1 / 5.255876) - 1) * -145442, 1e-9);
    EXPECT_EQ(fa->units.Velocity, 0);
    EXPECT_EQ(fa->units.Distance, 0);
    EXPECT_EQ(fa->units.Thrust, 0);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "16.00");  // the cleared default, not "1.00"
    EXPECT_EQ(fa->detail(DetailField::FileDetailPropellantWt), "2.0");
    EXPECT_EQ(fa->detail(DetailField::txtMotorDuration), "2.0");
}

TEST(RecordReader, SavedHeaderSelectsUnitsAndIgnoresDerivedColumns) {
    auto fa = loaded(
        "FDWeight(g)\r\n150\r\nAccelData\r\n"
        "Delta Time,Baro(Psi),Accel(G),Velocity(km/h),Altitude(m),Thrust(lbs)\r\n"
        "0.1,14.7,2,99.5,12.3,45.6\r\n");
    EXPECT_EQ(fa->units.Velocity, 2);
    EXPECT_EQ(fa->units.Distance, 1);
    EXPECT_EQ(fa->units.Thrust, 1);
    EXPECT_EQ(fa->units.Mass, 2);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "150");
    EXPECT_EQ(fa->samples.SampleCount, 1);
    EXPECT_EQ(at(fa->samples.aVelocity, 1), 0.0);
    EXPECT_EQ(at(fa->samples.aThrust, 1), 0.0);
}

TEST(RecordReader, DetailSection) {
    struct Case {
        const char* name;
        const char* text;
        DetailField field;
        const char* expected;
    };
    const Case cases[] = {
        {"notes continue field by field", "FDNotes\r\nfirst\r\na,b\r\nBaroAltitude\r\n12\r\nAccelData\r\n",
         DetailField::FileDetailNotes, "first\r\na\r\nb"},
        {"quoted notes keep commas", "FDNotes\r\nfirst\r\n\"a,b\",c\r\nAccelData\r\n",
         DetailField::FileDetailNotes, "first\r\na,b\r\nc"},
        {"empty notes line", "FDNotes\r\n\r\nBaroAltitude\r\n0\r\n", DetailField::FileDetailNotes, ""},
        {"notes line like a key is the key", "FDNotes\r\nx\r\nFDDate\r\n1 May\r\nAccelData\r\n",
         DetailField::FileDetailDate, "1 May"},
        {"quoted notes line like a key is text", "FDNotes\r\nx\r\n\"FDDate\"\r\n1 May\r\nAccelData\r\n",
         DetailField::FileDetailNotes, "x\r\nFDDate\r\n1 May"},
        {"doubled quotes in quotes are one", "FDNotes\r\nx\r\n\"say \"\"hi\"\", he\",y\r\n",
         DetailField::FileDetailNotes, "x\r\nsay \"hi\", he\r\ny"},
        {"quoted key before the notes is the key", "\"FDDate\"\r\n1 May\r\n", DetailField::FileDetailDate,
         "1 May"},
        {"byte-order mark before the first key",
         "\xEF\xBB\xBF"
         "FDName\r\nScout\r\n",
         DetailField::FileDetailName, "Scout"},
        {"value keeps commas and spaces", "FDName\r\n Big, Red \r\n", DetailField::FileDetailName,
         " Big, Red "},
        {"repeated key overwrites", "FDLocation\r\nA\r\nFDLocation\r\nB\r\n", DetailField::FileDetailPlace,
         "B"},
        {"lines before notes are skipped", "junk,more\r\nFDCoefDrag\r\n0.75\r\n",
         DetailField::FileDetailCoefficientDrag, "0.75"},
        {"unknown weight suffix is no key", "FDWeight(kg)\r\n3\r\n", DetailField::FileDetailWeight, "16.00"},
        {"propellant in pounds", "FDPropellantWt(lbs)\r\n0.25\r\n", DetailField::FileDetailPropellantWt,
         "0.25"},
        {"motor duration", "FDMotorDur\r\n1.6\r\n", DetailField::txtMotorDuration, "1.6"},
        {"diameter, LF line ends", "FDDiameter\n1.64\nAccelData\n", DetailField::FileDetailDiameter, "1.64"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto fa = loaded(c.text);
        EXPECT_EQ(fa->detail(c.field), c.expected);
        EXPECT_EQ(fa->samples.SampleCount, 1);
    }
    auto fa = loaded("FDNotes\r\nfirst\r\na,b\r\nBaroAltitude\r\n12\r\nAccelData\r\n");
    EXPECT_EQ(fa->BaroAltitude, "12");
    auto pounds = loaded("FDPropellantWt(lbs)\r\n0.25\r\n");
    EXPECT_EQ(pounds->units.Mass, 1);
}

TEST(RecordReader, FileWithoutBaroAltitudeHasNoneOfTheFlightBefore) {
    auto fa = std::make_unique<Flight>();
    fa->BaroAltitude = "321.5";
    loadRecord(withHeader("0.1,14.7,1,0,0,0\r\n"), *fa);
    EXPECT_EQ(fa->BaroAltitude, "0.00");
}

TEST(RecordReader, TimeIntervalFillsTheFirst2000Slots) {
    auto fa = loaded(
        "TimeInterval\r\n0.04\r\nAccelData\r\nBaro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n"
        "14.7,1,0,0,0\r\n14.6,1,0,0,0\r\n");
    const SampleStore& s = fa->samples;
    EXPECT_EQ(s.SampleCount, 2);
    EXPECT_EQ(at(s.aDeltaTime, 0), 0.04);
    EXPECT_EQ(at(s.aDeltaTime, 1999), 0.04);
    EXPECT_EQ(at(s.aDeltaTime, 2000), 0.0);
    EXPECT_EQ(at(s.aPressure, 2), 14.6);
}

TEST(RecordReader, SampleCountAtTheEnd) {
    struct Case {
        const char* name;
        std::string rows;
        int sampleCount;
    };
    const Case cases[] = {
        {"header only", "", 1},
        {"no final line end", "0.1,14.7,1,0,0, \r\n0.1,14.6,1,0,0, ", 2},
        {"final line end", "0.1,14.7,1,0,0,0\r\n0.1,14.6,1,0,0,0\r\n", 2},
        {"trailing empty line adds a zero sample", "0.1,14.7,1,0,0,0\r\n0.1,14.6,1,0,0,0\r\n\r\n", 3},
        {"rows are counted by fields", "0.1,14.7\r\n1,0,0,0,0.1\r\n14.6,2,0,0,0", 2},
        {"row cut short", "0.1,14.7,1,0,0,0\r\n0.2,14.6,3", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordReadReport report;
        auto fa = loaded(withHeader(c.rows), &report);
        EXPECT_TRUE(report.complete) << report.stoppedAt;
        EXPECT_EQ(fa->samples.SampleCount, c.sampleCount);
    }
    auto empty = loaded(withHeader("0.1,14.7,1,0,0,0\r\n0.1,14.6,1,0,0,0\r\n\r\n"));
    EXPECT_EQ(at(empty->samples.aDeltaTime, 3), 0.0);
    EXPECT_EQ(at(empty->samples.aAccel, 3), 0.0);
    auto cut = loaded(withHeader("0.1,14.7,1,0,0,0\r\n0.2,14.6,3"));
    EXPECT_EQ(at(cut->samples.aDeltaTime, 2), 0.2);
    EXPECT_EQ(at(cut->samples.aPressure, 2), 14.6);
    EXPECT_EQ(at(cut->samples.aAccel, 2), 0.0);  // read at the end of the file, so not used
    auto split = loaded(withHeader("0.1,14.7\r\n1,0,0,0,0.1\r\n14.6,2,0,0,0"));
    EXPECT_EQ(at(split->samples.aAccel, 2), 2.0);
}

TEST(RecordReader, StopsAtTheFirstFieldThatIsNoNumber) {
    struct Case {
        const char* name;
        std::string text;
        int sampleCount;
        double lastAccel;  // aAccel of the last sample kept
    };
    const Case cases[] = {
        {"bad acceleration in row 3",
         withHeader("0.1,14.7,1,0,0,0\r\n0.1,14.6,2,0,0,0\r\n0.1,14.5,x,0,0,0\r\n0.1,14.4,4,0,0,0\r\n"), 3,
         0},
        {"empty delta time", withHeader("0.1,14.7,1,0,0,0\r\n,14.6,2,0,0,0\r\n"), 2, 0},
        {"no pressure column",
         "AccelData\r\nAccel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n1,0,0,0\r\n2,0,0,0\r\n", 1, 1},
        {"first pressure 0", withHeader("0.1,0,1,0,0,0\r\n0.1,14.6,2,0,0,0\r\n"), 1, 1},
        {"negative pressure ratio", withHeader("0.1,14.7,1,0,0,0\r\n0.1,-3,2,0,0,0\r\n0.1,14,3,0,0,0\r\n"), 2,
         2},
        {"bad TimeInterval stops details, table finds a key",
         "TimeInterval\r\nabc\r\nFDName\r\nRocket\r\n" + withHeader("0.1,14.7,1,0,0,0\r\n"), 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordReadReport report;
        auto fa = loaded(c.text, &report);
        EXPECT_FALSE(report.complete);
        EXPECT_FALSE(report.stoppedAt.empty());
        EXPECT_EQ(fa->samples.SampleCount, c.sampleCount);
        EXPECT_EQ(at(fa->samples.aAccel, c.sampleCount), c.lastAccel);
    }
    auto fa = loaded(cases[0].text);
    EXPECT_EQ(at(fa->samples.aAccel, 2), 2.0);
    EXPECT_EQ(at(fa->samples.aPressure, 3), 14.5);  // fields before the bad one stay
    auto interval = loaded(cases[5].text);
    EXPECT_EQ(interval->detail(DetailField::FileDetailName), "");
}

TEST(RecordReader, EndOfFileInsideDetails) {
    RecordReadReport report;
    auto fa = loaded("FDName\r\nX\r\nFDNotes\r\n", &report);
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(fa->detail(DetailField::FileDetailName), "X");
    EXPECT_EQ(fa->samples.SampleCount, 1);

    // A key without its value line changes nothing.
    for (const char* text : {"FDWeight(g)\r\n", "FDName\r\nX\r\nFDWeight(g)"}) {
        SCOPED_TRACE(text);
        auto cut = loaded(text);
        EXPECT_EQ(cut->units.Mass, 0);
        EXPECT_EQ(cut->detail(DetailField::FileDetailWeight), "16.00");
    }
}

TEST(RecordReader, CapacityIs20000Samples) {
    std::string rows;
    rows.reserve(20010 * 20);
    for (int i = 0; i < 20005; ++i) rows += "0.01,14.7,1,0,0,0\r\n";
    RecordReadReport report;
    auto fa = loaded(withHeader(rows), &report);
    EXPECT_EQ(fa->samples.SampleCount, 20000);
    EXPECT_FALSE(report.complete);
    EXPECT_EQ(at(fa->samples.aAccel, 20000), 1.0);
    EXPECT_EQ(fa->samples.aAccel.size(), 20001u);  // the rows past the limit take no slot

    std::string exact;
    for (int i = 0; i < 20000; ++i) exact += "0.01,14.7,1,0,0,0\r\n";
    auto full = loaded(withHeader(exact), &report);
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(full->samples.SampleCount, 20000);
}

// A flight's columns hold its own slots, not one for each line; the interval of a "TimeInterval" key stays in
// the slots it fills, so the steps past the last sample read as before.
TEST(RecordReader, ColumnsHoldTheSlotsOfTheFlight) {
    auto fa = loaded(tarvel::testing::downloadedRecord(120));
    const SampleStore& s = fa->samples;
    ASSERT_EQ(s.SampleCount, 120);
    for (const SampleArray* column : {&s.aDeltaTime, &s.aPressure, &s.aAccel, &s.aAltitude})
        EXPECT_EQ(column->size(), 121u);
    EXPECT_EQ(at(s.aAccel, 120), -1.0);
    EXPECT_EQ(at(s.aAccel, 121), 0.0);
    EXPECT_EQ(at(s.aAccel, -1), 0.0);

    auto timed = loaded("TimeInterval\r\n0.02\r\n" + tarvel::testing::downloadedRecord(30));
    EXPECT_EQ(timed->samples.aDeltaTime.size(), 2000u);
    EXPECT_EQ(at(timed->samples.aDeltaTime, 30), 0.01);
    EXPECT_EQ(at(timed->samples.aDeltaTime, 1999), 0.02);
    EXPECT_EQ(at(timed->samples.aDeltaTime, 2000), 0.0);
    EXPECT_EQ(timed->samples.aAccel.size(), 31u);

    // A row cut short keeps the fields it had, in the slot after the last sample.
    auto cut = loaded(tarvel::testing::downloadedRecord(10) + "\r\n0.5,14.1");
    EXPECT_EQ(cut->samples.SampleCount, 11);
    EXPECT_EQ(at(cut->samples.aDeltaTime, 11), 0.5);
    EXPECT_EQ(cut->samples.aPressure.size(), 12u);
}

TEST(RecordReader, FailuresNameTheFileAndEndlessInputIsCut) {
    struct Case {
        std::string path, message;
        bool tooLarge;
    };
    const Case cases[] = {
        {"/nonexistent-folder/flight.rcd",
         "cannot open /nonexistent-folder/flight.rcd: " + std::string(std::strerror(ENOENT)), false},
        {"/", "cannot read /: " + std::string(std::strerror(EISDIR)), false},
        // A device that never ends is read only up to the limit.
        {"/dev/zero", "/dev/zero is not a record file: it holds more than 32 MB.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string bytes = "old";
        bool tooLarge = !c.tooLarge;
        const Status s = readWholeFile(c.path, bytes, &tooLarge);
        EXPECT_FALSE(s.ok);
        EXPECT_EQ(s.message, c.message);
        EXPECT_EQ(tooLarge, c.tooLarge);
        EXPECT_TRUE(bytes.empty());
    }
}

TEST(RecordReader, SamplesFoundOnlyWhenAValueWasStored) {
    const std::pair<std::string, bool> cases[] = {
        {"", false},
        {"just some text\r\nwithout, any samples\r\n", false},
        {"AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n", false},
        {"AccelData\r\nDelta Time,Baro(Psi),Accel(G)\r\nnot,numbers,at,all\r\n", false},
        {tarvel::testing::downloadedRecord(1), true},
        {"AccelData\r\nDelta Time,Baro(Psi),Accel(G)\r\n0.1,0,1,0,0,0\r\n", true},  // pressure 0 is a value
    };
    for (const auto& [text, found] : cases) {
        SCOPED_TRACE(text);
        RecordReadReport report;
        loaded(text, &report);
        EXPECT_EQ(report.samplesFound, found);
    }
}
