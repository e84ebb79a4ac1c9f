// `tarvel stats`: the events, statistics and estimate of a flight, read the
// way scripts read them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <sstream>

#include "accuracy_flights.h"
#include "cli.h"
#include "flight_record.h"
#include "flight_verbs.h"
#include "record_writer.h"
#include "report_text.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int code;
    std::string out, err;
};

Outcome run(const cli::Args& args) {
    std::ostringstream out, err;
    const int code = cli::runCommandLine(cli::Environment{NumberLocale::system()}, args, out, err);
    return {code, out.str(), err.str()};
}

QJsonObject statsJson(const cli::Args& args) {
    const Outcome r = run(args);
    EXPECT_EQ(r.code, 0) << r.err;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << r.out;
    return doc.object();
}

std::string example(const std::string& name) { return std::string(TARVEL_EXAMPLES_DIR) + "/" + name; }

}  // namespace

TEST(StatsCommand, EverySampleFlightGivesItsEventsStatisticsAndEstimate) {
    for (const char* name :
         {"small_motor.rcd", "small_motor_downloaded.rcd", "high_power.rcd", "metric_flight.rcd"}) {
        SCOPED_TRACE(name);
        const QJsonObject j = statsJson({"stats", example(name), "--json"});
        const QJsonObject events = j["events"].toObject(), estimate = j["estimate"].toObject(),
                          statistics = j["statistics"].toObject();
        for (const char* key : {"launch", "burnout", "apogee", "main", "landing"})
            EXPECT_TRUE(events.contains(key) && (events[key].isDouble() || events[key].isNull())) << key;
        EXPECT_TRUE(events["deployments"].isArray());
        // Every flight leaves the pad, burns out and turns back down, in that order.
        ASSERT_TRUE(events["launch"].isDouble() && events["burnout"].isDouble() &&
                    events["apogee"].isDouble());
        EXPECT_LT(events["launch"].toDouble(), events["burnout"].toDouble());
        EXPECT_LT(events["burnout"].toDouble(), events["apogee"].toDouble());
        EXPECT_GT(estimate["apogee_altitude"].toDouble(), 10);
        EXPECT_GT(estimate["apogee_sigma"].toDouble(), 0);
        EXPECT_NEAR(estimate["apogee_time"].toDouble(), events["apogee"].toDouble(), 1.0);
        EXPECT_GT(estimate["max_velocity"].toDouble(), 0);
        EXPECT_EQ(statistics["rail_length"].toDouble(), 1.0);
        EXPECT_NEAR(statistics["time_to_apogee"].toDouble(),
                    events["apogee"].toDouble() - events["launch"].toDouble(), 1e-9);
        EXPECT_FALSE(j.contains("series"));

        // The readable table gives the same flight, each value in its units.
        const Outcome table = run({"stats", example(name)});
        ASSERT_EQ(table.code, 0) << table.err;
        for (const char* part : {"File ", "\nEvents\n  Launch", "\nPhases\n", "\nStatistics\n",
                                 "\nBest estimate\n", " m/s", " ft/s", " mph", " km/h", " Mach", " ft\n"})
            EXPECT_NE(table.out.find(part), std::string::npos) << part << "\n" << table.out;
    }
}

TEST(StatsCommand, SeriesRailAndRefusedOptions) {
    const std::string flight = example("high_power.rcd");
    const QJsonObject j = statsJson({"stats", flight, "--series", "--rail", "2.5"});
    const QJsonObject series = j["series"].toObject();
    const qsizetype n = series["time"].toArray().size();
    EXPECT_GT(n, 1000);
    for (const char* key : {"altitude", "altitude_sigma", "velocity", "velocity_sigma"})
        EXPECT_EQ(series[key].toArray().size(), n) << key;
    EXPECT_EQ(series["altitude"].toArray()[0].toDouble(), 0);  // above the first sample's level
    // The descent is in the estimate: velocities below zero.
    double lowest = 0;
    for (const auto v : series["velocity"].toArray()) lowest = std::min(lowest, v.toDouble());
    EXPECT_LT(lowest, -3);

    // A longer rail: more speed off it.
    const QJsonObject shortRail = statsJson({"stats", flight, "--json", "--rail=0.5"});
    EXPECT_EQ(j["statistics"]["rail_length"].toDouble(), 2.5);
    EXPECT_GT(j["statistics"]["rail_exit_velocity"].toDouble(),
              shortRail["statistics"]["rail_exit_velocity"].toDouble());

    for (const char* rail : {"0", "-1", "101", "long", "nan"}) {
        const Outcome r = run({"stats", flight, "--rail", rail});
        EXPECT_EQ(r.code, 2) << rail;
        EXPECT_NE(r.err.find("--rail takes the rail length in metres"), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({"stats", flight, "--size", "800x600"}).code, 2);
    const Outcome missing = run({"stats", "/nonexistent/flight.rcd"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("/nonexistent/flight.rcd"), std::string::npos) << missing.err;
}

// A generated flight whose truth is known: the numbers are the flight's, in SI units.
TEST(StatsCommand, AGeneratedFlightsEventsAndApogeeAreItsOwn) {
    const auto& flights = events::accuracyFlights();
    const auto chosen = std::find_if(flights.begin(), flights.end(), [](const events::AccuracyFlight& f) {
        return f.name == "H dual deploy";
    });
    ASSERT_NE(chosen, flights.end());
    const events::GeneratedCase c = events::generateCase(*chosen);
    FlightAnalysis fa;
    ASSERT_TRUE(flightgen::buildFlightRecord(c.flight, chosen->params, {}, fa).ok);
    const fs::path file = fs::temp_directory_path() / ("tarvel-stats-" + std::to_string(::getpid()) + ".rcd");
    ASSERT_TRUE(writeRecordFile(file.string(), fa).ok);
    const QJsonObject j = statsJson({"stats", file.string(), "--json"});
    fs::remove(file);

    const QJsonObject events = j["events"].toObject();
    const flightgen::FlightTruth& truth = c.truth;
    ASSERT_TRUE(truth.launch && truth.apogee && truth.main && truth.landing);
    EXPECT_NEAR(events["launch"].toDouble(), *truth.launch, 0.05);
    EXPECT_NEAR(events["apogee"].toDouble(), *truth.apogee, 0.3);
    EXPECT_NEAR(events["main"].toDouble(), *truth.main, 0.2);
    EXPECT_NEAR(events["landing"].toDouble(), *truth.landing, 1.0);
    EXPECT_NEAR(j["estimate"]["apogee_altitude"].toDouble(), truth.apogeeM, 0.01 * truth.apogeeM);
    EXPECT_NEAR(j["estimate"]["max_velocity"].toDouble(), truth.maxVelocityMps, 0.03 * truth.maxVelocityMps);
    EXPECT_EQ(events["deployments"].toArray().size(), 2);
}

TEST(StatsCommand, AbsentEventsAreNullAndEmptyRows) {
    const events::FlightReport nothing;  // a flight of no samples
    const std::string json = events::reportJson(nothing, "none.rcd", false);
    for (const char* part : {"\"launch\":null", "\"apogee\":null", "\"landing\":null", "\"deployments\":[]",
                             "\"apogee_altitude\":null", "\"rail_exit_velocity\":null", "\"rail_length\":1"})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    const std::string text = events::reportText(nothing, NumberLocale{".", ""});
    EXPECT_NE(text.find("\n  Launch\n"), std::string::npos) << text;
    EXPECT_NE(
        text.find("\n  Rail length" + std::string(28, ' ') + "1.0 m" + std::string(8, ' ') + "3.3 ft\n"),
        std::string::npos)
        << text;
}

namespace {

// Pixels near the colour of the event lines.
int eventPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 40 && std::abs(c.green() - 150) < 25 && std::abs(c.blue() - 150) < 25) ++n;
        }
    return n;
}

QImage rendered(const std::string& flight, cli::Args options) {
    const fs::path png = fs::temp_directory_path() / ("tarvel-stats-" + std::to_string(::getpid()) + ".png");
    cli::Args args{flight, png.string(), "--size", "1024x768"};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out, err;
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()}, args, out, err), 0) << err.str();
    QImage image(QString::fromStdString(png.string()));
    fs::remove(png);
    return image;
}

}  // namespace

// The picture of a render without the options is the one made before they existed.
TEST(StatsCommand, RenderDrawsEventsAndTheEstimateOnlyWhenAsked) {
    const std::string flight = example("high_power.rcd");
    const QImage plain = rendered(flight, {});
    const QImage marked = rendered(flight, {"--events"});
    const QImage estimated = rendered(flight, {"--events", "--estimate"});
    EXPECT_EQ(eventPixels(plain), 0);
    EXPECT_GT(eventPixels(marked), 200);
    EXPECT_NE(marked, estimated);
    EXPECT_NE(plain, estimated);
}
