#include "csv_export.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "flight_analysis.h"
#include "record_reader.h"
#include "record_writer.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

std::unique_ptr<FlightAnalysis> sampleFlight() {
    auto fa = std::make_unique<FlightAnalysis>();
    loadRecord(
        "FDName\r\nDart, mk 2\r\nFDWeight(lbs)\r\n1.5\r\nAccelData\r\n"
        "Delta Time,Baro(Psi),Accel(G),Velocity(ft/s),Altitude(m),Thrust(lbs)\r\n"
        "0.02,14.7,3.25,0,0,0\r\n0.02,14.69,3.5,0,0,0\r\n",
        *fa);
    slotOf(fa->samples.aVelocity, 2) = 1.239;
    return fa;
}

}  // namespace

TEST(CsvExport, ContentIsTheSavedRecord) {
    auto fa = sampleFlight();
    const std::string text = csvText(*fa);
    EXPECT_EQ(text, recordText(*fa));
    EXPECT_EQ(text.rfind("FDName\r\nDart, mk 2\r\n", 0), 0u);  // commas in details stay unquoted
    EXPECT_NE(text.find("\r\nDelta Time,Baro(Psi),Accel(G),Velocity(ft/s),Altitude(m),Thrust(lbs)\r\n"
                        "0.02,14.7,3.25,0,0,0\r\n0.02,14.69,3.5,1.23,"),
              std::string::npos);
    fa->units.Thrust = 0;
    EXPECT_NE(csvText(*fa).find(",Thrust(N)\r\n"), std::string::npos);
}

TEST(CsvExport, ExportBecomesTheCurrentFileAndReadsBack) {
    auto fa = sampleFlight();
    const fs::path path = fs::temp_directory_path() / ("tarvel-csv-" + std::to_string(::getpid()) + ".csv");
    ASSERT_TRUE(exportCsvFile(*fa, path.string()).ok);
    EXPECT_EQ(fa->CurOpenFileName, path.string());

    auto back = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(loadRecordFile(path.string(), *back).ok);
    EXPECT_EQ(back->details, fa->details);
    EXPECT_EQ(back->units.Velocity, 1);
    EXPECT_EQ(back->units.Mass, 1);
    EXPECT_EQ(back->samples.SampleCount, 2);
    EXPECT_EQ(at(back->samples.aAccel, 2), 3.5);
    fs::remove(path);

    const Status failed = exportCsvFile(*fa, "/nonexistent-folder/out.csv");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(fa->CurOpenFileName, "/nonexistent-folder/out.csv");
}
