#include "flight_analysis.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "kinematics.h"
#include "record_samples.h"
#include "record_writer.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

// The drawing steps a model asked for since it was watched, by the names of
// the graph's operations, in their order.
class RecordingGraph {
public:
    void watch(FlightAnalysis& fa) {
        m_fa = &fa;
        fa.takeGraphSteps();
    }
    std::vector<std::string>& calls() {
        static const char* const kNames[] = {"InitGraph",           "ClearCurves", "AdjAllAxisValues",
                                             "AdjThrustAxisValues", "DrawAxes",    "DrawGraph",
                                             "DrawThurstCurveGraph"};
        if (m_fa)
            for (GraphStep step : m_fa->takeGraphSteps()) m_calls.push_back(kNames[static_cast<int>(step)]);
        return m_calls;
    }

private:
    FlightAnalysis* m_fa = nullptr;
    std::vector<std::string> m_calls;
};

using Calls = std::vector<std::string>;

fs::path writeTemp(const std::string& name, const std::string& bytes) {
    const fs::path p = fs::temp_directory_path() / ("tarvel-fa-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

std::string withDetails(const std::string& details, int rows) {
    std::string flight = tarvel::testing::downloadedRecord(rows);
    return details + flight;
}

class Opened : public ::testing::Test {
protected:
    void open(const std::string& bytes) {
        m_path = writeTemp(::testing::UnitTest::GetInstance()->current_test_info()->name(), bytes);
        graph.watch(*fa);
        m_status = fa->openRecordFile(m_path.string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove(m_path, ec);
    }
    std::unique_ptr<FlightAnalysis> fa = std::make_unique<FlightAnalysis>();
    RecordingGraph graph;
    Status m_status;
    fs::path m_path;
};

}  // namespace

TEST(FlightAnalysisModel, StartUpAndClearedTexts) {
    auto fa = std::make_unique<FlightAnalysis>();
    EXPECT_EQ(fa->samples.SampleCount, 1);
    EXPECT_FALSE(fa->bValidFile);
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "1.00");
    EXPECT_EQ(fa->detail(DetailField::FileDetailPropellantWt), "0.00");
    EXPECT_EQ(fa->captions.lblUnitsThrust, "(N)");  // the unit the selection starts with
    EXPECT_EQ(fa->BaroAltitude, "0.00");

    slotOf(fa->samples.aThrust, 20000) = 3;
    fa->samples.SampleCount = 7;
    fa->BaroAltitude = "9";
    fa->ClearFlightRecord();
    const std::array<std::string, kDetailFieldCount> cleared = {"",    "",     "",    "0.6", "16.00",
                                                                "2.0", "2.00", "2.0", ""};
    EXPECT_EQ(fa->details, cleared);
    EXPECT_EQ(at(fa->samples.aThrust, 20000), 0.0);
    EXPECT_EQ(fa->samples.SampleCount, 7);  // untouched by the clear
    EXPECT_EQ(fa->BaroAltitude, "9");

    for (int i = 0; i < kDetailFieldCount; ++i) {
        const auto field = static_cast<DetailField>(i);
        EXPECT_EQ(detailFieldFromName(detailFieldName(field)), field);
    }
    EXPECT_FALSE(detailFieldFromName("FDName"));
}

TEST_F(Opened, OpenReadsThenRecalculatesAndDraws) {
    open(tarvel::testing::downloadedRecord(150));
    ASSERT_TRUE(m_status.ok) << m_status.message;
    EXPECT_TRUE(fa->bValidFile);
    EXPECT_EQ(fa->CurOpenFileName, m_path.string());
    EXPECT_EQ(graph.calls(),
              (Calls{"InitGraph", "ClearCurves", "AdjAllAxisValues", "DrawAxes", "DrawGraph"}));
    EXPECT_GT(at(fa->samples.aVelocity, 10), 0.0);
    EXPECT_FALSE(fa->figures.MaxAltitude.empty());
    EXPECT_TRUE(fa->lastRead.complete);
}

TEST_F(Opened, AFileThatIsNoRecordChangesNothing) {
    open(withDetails("FDName\r\nFirst\r\nFDWeight(g)\r\n450\r\nBaroAltitude\r\n321\r\n", 150));
    ASSERT_TRUE(m_status.ok) << m_status.message;
    fa->detail(DetailField::FileDetailPlace) = "edited";
    const auto held = std::make_unique<FlightAnalysis>(*fa);

    const fs::path empty = writeTemp("empty.rcd", ""), prose = writeTemp("prose.rcd", "a text\r\nfile\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent-folder/x.rcd",
         "cannot open /nonexistent-folder/x.rcd: " + std::string(std::strerror(ENOENT))},
        {fs::temp_directory_path().string(),
         "cannot read " + fs::temp_directory_path().string() + ": " + std::strerror(EISDIR)},
        {"/dev/zero", "/dev/zero is not a record file: it holds more than 32 MB."},
        {empty.string(), "No flight samples were found in " + empty.string() + "."},
        {prose.string(), "No flight samples were found in " + prose.string() + "."},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        graph.calls().clear();
        bool replaced = true;
        const Status s = fa->openRecordFile(path, &replaced);
        EXPECT_FALSE(s.ok);
        EXPECT_EQ(s.message, message);
        EXPECT_FALSE(replaced);
        EXPECT_TRUE(graph.calls().empty());
        EXPECT_EQ(fa->CurOpenFileName, held->CurOpenFileName);
        EXPECT_EQ(fa->details, held->details);
        EXPECT_EQ(fa->figures, held->figures);
        EXPECT_EQ(fa->units, held->units);
        EXPECT_EQ(fa->BaroAltitude, "321");
        EXPECT_EQ(fa->samples.SampleCount, 150);
        EXPECT_EQ(fa->samples.aThrust, held->samples.aThrust);
        EXPECT_TRUE(fa->computed);
    }
    fs::remove(empty);
    fs::remove(prose);
}

TEST_F(Opened, DefaultWeightsOfADownloadAreOuncesWhateverTheFileBefore) {
    open(withDetails("FDWeight(g)\r\n450\r\nFDPropellantWt(g)\r\n30\r\n", 300));
    ASSERT_EQ(fa->units.Mass, 2);
    open(tarvel::testing::downloadedRecord(300));
    ASSERT_TRUE(m_status.ok) << m_status.message;
    EXPECT_EQ(fa->units.Mass, 0);
    EXPECT_EQ(fa->captions.lblUnitsMass, "(oz)");
    EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), "16.00");

    // The same rocket as when the download is the first file opened.
    auto first = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(first->openRecordFile(m_path.string()).ok);
    EXPECT_EQ(fa->samples.aThrust, first->samples.aThrust);
    EXPECT_EQ(fa->figures.AveThrust, first->figures.AveThrust);
    EXPECT_EQ(fa->figures.Label5, "Ave Thrust-D");
}

TEST_F(Opened, BurnViewAltitudesFollowTheAltitudeUnit) {
    fa->mnuGraphAccelThrust_Click();
    std::string metres = tarvel::testing::downloadedRecord(300);
    metres.replace(metres.find("Altitude(ft)"), 12, "Altitude(m)");
    open(metres);  // the reader leaves feet; the burn view must not show them as metres
    ASSERT_TRUE(m_status.ok) << m_status.message;
    ASSERT_EQ(fa->units.Distance, 1);
    const auto& s = fa->samples;
    for (int i = 1; i <= 300; ++i)
        ASSERT_DOUBLE_EQ(at(s.aAltitude, i), baroAltitudeFeet(at(s.aPressure, i), at(s.aPressure, 1)) / 3.281)
            << i;

    // Back to feet in the burn view: the figure the all-curves view gives.
    ASSERT_TRUE(fa->applyUnits({0, 0, 0, 0}).ok);
    const fs::path feet = writeTemp("feet.rcd", tarvel::testing::downloadedRecord(300));
    auto allCurves = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(allCurves->openRecordFile(feet.string()).ok);
    fs::remove(feet);
    EXPECT_EQ(s.aAltitude, allCurves->samples.aAltitude);
    EXPECT_EQ(fa->figures.MaxAltitude, allCurves->figures.MaxAltitude);
}

TEST_F(Opened, CommitRecalculatesOnlyForNumbersAboveZero) {
    open(tarvel::testing::downloadedRecord(150));
    const double thrust = at(fa->samples.aThrust, 5);
    for (const char* text : {"0", "-2", "abc", ""}) {
        graph.calls().clear();
        EXPECT_TRUE(fa->commitDetail(DetailField::FileDetailWeight, text).ok);
        EXPECT_EQ(fa->detail(DetailField::FileDetailWeight), text);
        EXPECT_TRUE(graph.calls().empty()) << text;
        EXPECT_EQ(at(fa->samples.aThrust, 5), thrust);
    }
    graph.calls().clear();
    EXPECT_TRUE(fa->commitDetail(DetailField::FileDetailName, "42").ok);
    EXPECT_TRUE(graph.calls().empty());
    EXPECT_TRUE(fa->commitDetail(DetailField::FileDetailWeight, "32").ok);
    EXPECT_EQ(graph.calls(), (Calls{"AdjAllAxisValues", "DrawAxes", "DrawGraph"}));
    EXPECT_NE(at(fa->samples.aThrust, 5), thrust);
}

TEST(FlightAnalysisModel, CommitBeforeOpenOnlyChangesTheText) {
    auto fa = std::make_unique<FlightAnalysis>();
    RecordingGraph graph;
    graph.watch(*fa);
    EXPECT_TRUE(fa->commitDetail(DetailField::FileDetailCoefficientDrag, "0.75").ok);
    EXPECT_EQ(fa->detail(DetailField::FileDetailCoefficientDrag), "0.75");
    EXPECT_TRUE(graph.calls().empty());
}

TEST_F(Opened, UncomputableDetailsKeepThePreviousResults) {
    open(tarvel::testing::downloadedRecord(150));
    ASSERT_TRUE(m_status.ok);
    const auto thrust = fa->samples.aThrust;
    const FigureTexts figures = fa->figures;
    for (const char* duration : {"0", "x", ""}) {
        SCOPED_TRACE(duration);
        fa->detail(DetailField::txtMotorDuration) = duration;
        graph.calls().clear();
        const Status s = fa->RecalculateGraph();
        EXPECT_FALSE(s.ok);
        EXPECT_NE(s.message.find("motor duration"), std::string::npos);
        EXPECT_TRUE(graph.calls().empty());
        EXPECT_EQ(fa->samples.aThrust, thrust);
        EXPECT_EQ(fa->figures.AveThrust, figures.AveThrust);
        EXPECT_FALSE(fa->mnuRecalc_Click().ok);
        EXPECT_FALSE(fa->mnuGraphAccelThrust_Click().ok);
        fa->mnuGraphAll_Click();
    }
    // A diameter so large that the drag overflows is refused the same way.
    fa->detail(DetailField::txtMotorDuration) = "2.0";
    fa->detail(DetailField::FileDetailDiameter) = "1e200";
    const Status overflow = fa->RecalculateGraph();
    EXPECT_FALSE(overflow.ok);
    EXPECT_EQ(fa->samples.aThrust, thrust);
    EXPECT_EQ(fa->figures.MaxThrust, figures.MaxThrust);
}

TEST_F(Opened, WhatAnOpenThatCannotComputeLeaves) {
    open("BaroAltitude\r\n321\r\n" + tarvel::testing::downloadedRecord(150));
    ASSERT_TRUE(m_status.ok);

    // Too short for the figures: opened, with none of the flight before, and said so.
    open(tarvel::testing::downloadedRecord(48));
    EXPECT_EQ(m_status.message,
              "The flight holds 48 samples, too few for the figures and the All Curves graph: they need at "
              "least 101.");
    EXPECT_EQ(fa->CurOpenFileName, m_path.string());
    EXPECT_EQ(fa->samples.SampleCount, 48);
    EXPECT_EQ(fa->figures, FigureTexts());
    EXPECT_EQ(fa->BaroAltitude, "0.00");
    EXPECT_TRUE(fa->computed);
    open(tarvel::testing::downloadedRecord(101));
    EXPECT_TRUE(m_status.ok) << m_status.message;

    // A motor duration of 0 is refused, but the file stays loaded so that a
    // corrected duration computes it.
    open("FDMotorDur\r\n0\r\nFDName\r\nKept\r\n" + tarvel::testing::downloadedRecord(150));
    EXPECT_FALSE(m_status.ok);
    EXPECT_NE(m_status.message.find("motor duration"), std::string::npos);
    EXPECT_TRUE(fa->lastRead.samplesFound);
    EXPECT_FALSE(fa->computed);
    EXPECT_EQ(fa->samples.SampleCount, 150);
    EXPECT_EQ(fa->detail(DetailField::FileDetailName), "Kept");
    EXPECT_EQ(fa->figures, FigureTexts());        // not those of the 101 samples before
    EXPECT_EQ(graph.calls().back(), "DrawAxes");  // the empty axes
    ASSERT_TRUE(fa->commitDetail(DetailField::txtMotorDuration, "0.5").ok);
    EXPECT_TRUE(fa->computed);
    EXPECT_FALSE(fa->figures.MaxAltitude.empty());
}

TEST_F(Opened, FirstPressureZeroIsReportedWithoutUndefinedValues) {
    open(
        "AccelData\r\nDelta "
        "Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n0.1,0,1,0,0,0\r\n");
    EXPECT_FALSE(m_status.ok);
    EXPECT_NE(m_status.message.find("pressure"), std::string::npos);
    EXPECT_FALSE(fa->lastRead.complete);
    EXPECT_EQ(fa->samples.SampleCount, 1);
    for (double v : fa->samples.aAltitude) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(Opened, GraphMenuHandlers) {
    open(tarvel::testing::downloadedRecord(150));
    graph.calls().clear();
    fa->figures.TotalImpulse = "marker";
    ASSERT_TRUE(fa->mnuGraphAccelThrust_Click().ok);
    EXPECT_FALSE(fa->graphMenu.mnuGraphAll);
    EXPECT_TRUE(fa->graphMenu.mnuGraphAccelThrust);
    EXPECT_EQ(graph.calls(), (Calls{"InitGraph", "AdjThrustAxisValues", "DrawAxes", "DrawThurstCurveGraph"}));
    EXPECT_EQ(fa->figures.TotalImpulse, "marker");  // the burn view leaves the figures

    graph.calls().clear();
    ASSERT_TRUE(fa->RecalculateGraph().ok);  // burn view: thrust pass and the summary
    EXPECT_EQ(graph.calls(), (Calls{"AdjThrustAxisValues", "DrawAxes", "DrawThurstCurveGraph"}));
    EXPECT_NE(fa->figures.TotalImpulse, "marker");

    graph.calls().clear();
    ASSERT_TRUE(fa->mnuRecalc_Click().ok);  // always the all-curves way
    EXPECT_EQ(graph.calls(), (Calls{"AdjAllAxisValues", "DrawAxes", "DrawGraph"}));

    graph.calls().clear();
    fa->mnuGraphAll_Click();
    fa->mnuGraphAltitude_Click();
    EXPECT_FALSE(fa->graphMenu.mnuGraphAll);
    EXPECT_FALSE(fa->graphMenu.mnuGraphAccelThrust);
    graph.calls().clear();
    EXPECT_TRUE(fa->RecalculateGraph().ok);  // no view ticked: nothing at all
    EXPECT_TRUE(graph.calls().empty());

    fa->mnuGraphVelocity_Click();
    fa->mnuGraphAccel_Click();
    EXPECT_FALSE(fa->graphMenu.mnuGraphVelocity);
    EXPECT_FALSE(fa->graphMenu.mnuGraphAccel);
    EXPECT_EQ(graph.calls(), (Calls{"DrawGraph", "DrawGraph"}));

    graph.calls().clear();
    fa->mnuGraphThrust_Click();
    EXPECT_EQ(graph.calls(), (Calls{"InitGraph", "AdjThrustAxisValues", "DrawAxes", "DrawThurstCurveGraph"}));
}

TEST(FlightAnalysisModel, GraphMenuBeforeOpenOnlyTicks) {
    auto fa = std::make_unique<FlightAnalysis>();
    RecordingGraph graph;
    graph.watch(*fa);
    EXPECT_TRUE(fa->mnuGraphAccelThrust_Click().ok);
    EXPECT_TRUE(fa->mnuGraphAll_Click().ok);
    EXPECT_TRUE(fa->mnuRecalc_Click().ok);
    EXPECT_TRUE(graph.calls().empty());
}

TEST_F(Opened, SaveAndSaveAs) {
    open(withDetails("FDName\r\nScout\r\n", 120));
    ASSERT_TRUE(m_status.ok);
    const fs::path copy = writeTemp("copy.rcd", "old");
    ASSERT_TRUE(fa->saveRecordFileAs(copy.string()).ok);
    EXPECT_EQ(fa->CurOpenFileName, copy.string());
    fa->detail(DetailField::FileDetailName) = "Scout II";
    ASSERT_TRUE(fa->saveRecordFile().ok);
    std::ifstream in(copy, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, recordText(*fa));

    const Status failed = fa->saveRecordFileAs("/nonexistent-folder/y.rcd");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(fa->CurOpenFileName, "/nonexistent-folder/y.rcd");  // Save As keeps the new path
    fs::remove(copy);
}
