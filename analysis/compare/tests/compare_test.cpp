// Traces from simulation exports and record files, lined up and tabulated:
// the sample files, the export variants users choose, files that are no
// export, and a generated flight against the model's own account of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "accuracy_flights.h"
#include "comparison.h"
#include "record_reader.h"
#include "simulation_csv.h"

using namespace tarvel;
using namespace tarvel::compare;

namespace {

std::string example(const std::string& name) { return std::string(TARVEL_EXAMPLES_DIR) + "/" + name; }

Trace loaded(const std::string& path) {
    TraceLoad load = loadTrace(path);
    EXPECT_TRUE(load.status.ok) << load.status.message;
    return load.trace.value_or(Trace{});
}

double largest(const std::vector<double>& v) {
    double m = -INFINITY;
    for (double x : v)
        if (std::isfinite(x)) m = std::max(m, x);
    return m;
}

// The model's truth of a generated flight written as a simulation export.
std::string truthAsExport(const events::GeneratedCase& c) {
    std::string text = "# the generator's model\n";
    const flightgen::FlightTruth& t = c.truth;
    const std::pair<const char*, std::optional<double>> named[] = {
        {"LIFTOFF", t.launch},
        {"BURNOUT", t.burnout},
        {"APOGEE", t.apogee},
        {"RECOVERY_DEVICE_DEPLOYMENT", t.deployment},
        {"RECOVERY_DEVICE_DEPLOYMENT", t.main},
        {"GROUND_HIT", t.landing}};
    char line[128];
    for (const auto& [name, time] : named)
        if (time)
            std::snprintf(line, sizeof line, "# Event %s occurred at t=%.5f seconds\n", name, *time),
                text += line;
    text += "# Time (s),Altitude (m),Vertical velocity (m/s)\n";
    double time = 0;
    for (size_t i = 0; i < c.flight.samples.size(); ++i) {
        time += c.samples.deltaTime[i];
        std::snprintf(line, sizeof line, "%.5f,%.4f,%.4f\n", time, c.flight.truth[i].heightM,
                      c.flight.truth[i].velocityMps);
        text += line;
    }
    return text;
}

Flight recordOf(const events::GeneratedCase& c) {
    Flight f;
    flightgen::fillSampleStore(c.flight, f.samples);
    return f;
}

}  // namespace

TEST(SimulationExports, TheSampleFilesGiveEveryQuantityInSiUnitsWithTheirEvents) {
    const Trace sim = loaded(example("small_motor_sim.csv"));
    const Trace flight = loaded(example("small_motor_flight.csv"));
    for (const Trace* t : {&sim, &flight}) {
        SCOPED_TRACE(t->name);
        EXPECT_EQ(t->kind, SourceKind::Simulation);
        for (Quantity q : kQuantities) EXPECT_EQ(t->column(q).size(), t->time.size()) << quantityName(q);
        // Feet and feet per second, and heights above sea level, all come out
        // as metres above the pad: the same flight in both files.
        EXPECT_NEAR(largest(t->column(Quantity::Altitude)), 185.8, 0.5);
        EXPECT_NEAR(t->column(Quantity::Altitude).front(), 0.0, 1e-9);
        EXPECT_NEAR(largest(t->column(Quantity::Velocity)), 56.8, 0.2);
        EXPECT_NEAR(largest(t->column(Quantity::Thrust)), 14.4, 0.1);
        ASSERT_TRUE(t->figures.launch && t->figures.apogeeTime && t->figures.burnout && t->figures.landing);
        EXPECT_NEAR(*t->figures.apogeeTime, 6.54, 0.03);
        EXPECT_NEAR(*t->figures.drogueDescentRate, 7.0, 0.1);
    }
    // The event lines of the first file are taken as they are; the second has
    // none, so its events come from its columns.
    EXPECT_DOUBLE_EQ(*sim.figures.launch, 0.009);
    EXPECT_DOUBLE_EQ(*sim.figures.deployment, 6.86);
    EXPECT_DOUBLE_EQ(*sim.figures.landing, 33.657);
    EXPECT_FALSE(flight.figures.deployment);
    std::vector<std::string> names;
    for (const TraceEvent& e : sim.events) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Launch", "Burnout", "Apogee", "Deployment", "Landing"}));
}

TEST(SimulationExports, ColumnsAreFoundByNameAndUnitWhateverTheSeparatorOrder) {
    struct Case {
        const char* what;
        std::string text;
        Quantity quantity;
        double second;  // the quantity's value in the second row, SI
    };
    const Case cases[] = {
        {"semicolons and decimal commas", "#c\n# Time (s);Altitude (km);Thrust (lbf)\n0;0;0\n0,5;1,5;2\n",
         Quantity::Altitude, 1500},
        {"tabs, the header not a comment", "Thrust (lbf)\tTime (ms)\n0\t0\n2\t500\n", Quantity::Thrust,
         2 * 4.4482216152605},
        {"spaces", "# Time (s) Vertical velocity (mph) Altitude (mi)\n0 0 0\n1   10 0.5\n",
         Quantity::Velocity, 4.4704},
        {"BOM, CRLF, quotes", "\xEF\xBB\xBF\"Time (s)\",\"Vertical acceleration (G)\"\r\n0,0\r\n1,\"2\"\r\n",
         Quantity::Acceleration, 2 * 9.80665},
        {"squares in Latin-1", "# Time (s),Vertical acceleration (ft/s\xB2)\n0,0\n1,10\n",
         Quantity::Acceleration, 3.048},
        {"above sea level", "# Time (s), Z (m), Vz (m/s)\n0,1200,0\n1,1210,20\n", Quantity::Altitude, 10},
        {"both altitudes", "Time (s),Z (m),Altitude (ft)\n0,1200,0\n1,1210,100\n", Quantity::Altitude, 30.48},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SimulationRead r = readSimulationCsv(c.text, "sim.csv");
        ASSERT_TRUE(r.status.ok) << r.status.message;
        ASSERT_EQ(r.data.time.size(), 2u);
        EXPECT_GT(r.data.time[1], 0.0);
        ASSERT_EQ(r.data.columns[static_cast<size_t>(c.quantity)].size(), 2u);
        EXPECT_NEAR(r.data.columns[static_cast<size_t>(c.quantity)][1], c.second, 1e-9);
    }
}

TEST(SimulationExports, AFileThatIsNoExportSaysWhatItLacks) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "sim.csv: the file is empty"},
        {"\r\n  \n", "sim.csv: the file is empty"},
        {"1,2,3\n4,5,6\n", "sim.csv: no time column (looked for \"Time (s)\")"},
        {"# Altitude (m),Vertical velocity (m/s)\n1,2\n",
         "sim.csv: no time column (looked for \"Time (s)\")"},
        {"Time (s),Mass (g)\n0,1\n",
         "sim.csv: no altitude, velocity, acceleration or thrust column (looked for \"Altitude (m)\", "
         "\"Vertical "
         "velocity (m/s)\", \"Vertical acceleration (m/s²)\", \"Thrust (N)\", \"Z (m)\", \"Vz (m/s)\" and "
         "\"Az "
         "(m/s²)\")"},
        {"Time (s),Altitude (furlong)\n0,1\n",
         "sim.csv: no altitude, velocity, acceleration or thrust column (looked for \"Altitude (m)\", "
         "\"Vertical "
         "velocity (m/s)\", \"Vertical acceleration (m/s²)\", \"Thrust (N)\", \"Z (m)\", \"Vz (m/s)\" and "
         "\"Az "
         "(m/s²)\"); column \"Altitude (furlong)\" left out: unknown unit \"furlong\""},
        {"# Time (s),Altitude (m)\n", "sim.csv: no rows of numbers under the column header"},
        {"Time (s),Altitude (m)\n0,NaN\n1,nan\n",
         "sim.csv: no numbers in its altitude, velocity, acceleration or thrust columns"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        const TraceLoad load = traceFromSimulation(text, "sim.csv");
        EXPECT_FALSE(load.status.ok);
        EXPECT_FALSE(load.trace);
        EXPECT_EQ(load.status.message, message);
    }
}

TEST(SimulationExports, BrokenRowsAreLeftOutAndSaidSoAndNoInputCrashesTheReader) {
    const TraceLoad load = traceFromSimulation(
        "Time (s),Altitude (m),Thrust (N)\n0,0,NaN\n1,5,2\n1,6,2\nx,1,1\n0.5,3,1\n2,,4\n", "sim.csv");
    ASSERT_TRUE(load.trace);
    EXPECT_EQ(load.trace->time, (std::vector<double>{0, 1, 2}));
    EXPECT_TRUE(std::isnan(load.trace->column(Quantity::Thrust)[0]));
    EXPECT_TRUE(std::isnan(load.trace->column(Quantity::Altitude)[2]));
    EXPECT_EQ(load.notes, (std::vector<std::string>{
                              "sim.csv: 1 row without a time left out",
                              "sim.csv: 2 rows whose time does not follow the row before left out"}));

    // Bytes of the sample file changed at random: a trace or a reason, never a crash.
    std::string bytes;
    ASSERT_TRUE(readWholeFile(example("small_motor_sim.csv"), bytes).ok);
    bytes.resize(4000);
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string changed = bytes;
        for (int k = 0; k < 20; ++k) changed[random() % changed.size()] = static_cast<char>(random() % 256);
        changed.resize(random() % changed.size());
        const TraceLoad l = traceFromSimulation(changed, "sim.csv");
        EXPECT_EQ(l.status.ok, l.trace.has_value());
        if (!l.trace) continue;
        for (const auto& column : l.trace->columns)
            EXPECT_TRUE(column.empty() || column.size() == l.trace->time.size());
    }
}

TEST(Comparison, AGeneratedFlightAlignedOnLaunchDiffersLittleFromTheModelsOwnAccount) {
    for (const events::AccuracyFlight& flight : events::accuracyFlights()) {
        if (flight.baroLagS > 0 || flight.baroStallFor > 0)
            continue;  // sensor faults measure the estimate, not this
        SCOPED_TRACE(flight.name);
        const events::GeneratedCase c = events::generateCase(flight);
        TraceLoad record = traceFromFlight(recordOf(c), "flight.rcd");
        TraceLoad truth = traceFromSimulation(truthAsExport(c), "truth.csv");
        ASSERT_TRUE(record.trace && truth.trace);
        const std::vector<Trace> traces{*truth.trace, *record.trace};
        const FiguresTable table = figuresTable(traces, {});
        auto cell = [&](std::string_view key) {
            for (const FigureRow& row : table.rows)
                if (row.key == key) return row.cells[1];
            return FigureCell{};
        };
        ASSERT_TRUE(cell("apogee").percent && cell("maxVelocity").percent && cell("timeToApogee").difference);
        EXPECT_LT(std::fabs(*cell("apogee").percent), 0.5);
        EXPECT_LT(std::fabs(*cell("maxVelocity").percent), 0.5);
        EXPECT_LT(std::fabs(*cell("timeToApogee").difference), 0.03);
        // On launch both launches are at 0 and the apogees close together.
        EXPECT_NEAR(*cell("launch").value, 0.0, 1e-9);
        EXPECT_LT(std::fabs(*cell("apogeeTime").difference), 0.03);
        if (c.truth.landing) {
            EXPECT_LT(std::fabs(*cell("landing").difference), 0.5);
        }
        // The record's curve lies on the model's: the altitude at its apogee.
        const double apogee = *traces[0].figures.apogeeTime;
        const double at = apogee + table.shifts[0] - table.shifts[1];
        const size_t i = static_cast<size_t>(
            std::lower_bound(traces[1].time.begin(), traces[1].time.end(), at) - traces[1].time.begin());
        ASSERT_LT(i, traces[1].time.size());
        EXPECT_NEAR(traces[1].column(Quantity::Altitude)[i], *traces[0].figures.apogee,
                    0.02 * *traces[0].figures.apogee + 1);
    }
}

TEST(Comparison, AlignmentReferenceAndTheThreeFormsOfTheTable) {
    Trace a, b, c;
    a.name = "a.rcd", b.name = "b, \"two\".csv", c.name = "c.csv";
    a.figures.launch = 1.0, a.figures.apogeeTime = 6.0, a.figures.apogee = 200;
    b.figures.launch = 0.0, b.figures.apogeeTime = 6.5, b.figures.apogee = 220, b.figures.maxVelocity = 60;
    c.figures.apogee = 0;  // no events: stays at its own time 0 whatever the alignment
    const std::vector<Trace> traces{a, b, c};

    FiguresTable t = figuresTable(traces, {Alignment::Launch, 0, {0.0, 0.25}});
    EXPECT_EQ(t.shifts, (std::vector<double>{-1.0, 0.25, 0.0}));
    t = figuresTable(traces, {Alignment::Apogee, 7, {}});  // a reference past the end is the last
    EXPECT_EQ(t.shifts, (std::vector<double>{-6.0, -6.5, 0.0}));
    EXPECT_EQ(t.reference, 2u);
    t = figuresTable(traces, {Alignment::Offset, 1, {2.0}});
    EXPECT_EQ(t.shifts, (std::vector<double>{2.0, 0.0, 0.0}));

    t = figuresTable(traces, {Alignment::Launch, 0, {}});
    const FigureRow& apogee = t.rows[0];
    ASSERT_EQ(apogee.key, "apogee");
    EXPECT_FALSE(apogee.cells[0].difference);  // the reference itself
    EXPECT_EQ(apogee.cells[1].difference, 20.0);
    EXPECT_EQ(apogee.cells[1].percent, 10.0);
    EXPECT_EQ(apogee.cells[2].percent, -100.0);
    const FigureRow& maxVelocity = t.rows[2];
    EXPECT_FALSE(maxVelocity.cells[1].difference);  // the reference has none
    // Event times are on the shared axis; their differences have no share in %.
    const FigureRow& apogeeAt = t.rows[8];
    ASSERT_EQ(apogeeAt.key, "apogeeTime");
    EXPECT_EQ(apogeeAt.cells[0].value, 5.0);
    EXPECT_EQ(apogeeAt.cells[1].difference, 1.5);
    EXPECT_FALSE(apogeeAt.cells[1].percent);

    const std::string text = tableText(t);
    EXPECT_NE(text.find("a.rcd (reference)"), std::string::npos) << text;
    EXPECT_NE(text.find("220.0 (+20.0, +10.0 %)"), std::string::npos) << text;
    EXPECT_NE(text.find("Max velocity (m/s)"), std::string::npos) << text;
    const std::string csv = tableCsv(t);
    EXPECT_EQ(
        csv.substr(0, csv.find("\r\n")),
        "figure,unit,a.rcd,\"b, \"\"two\"\".csv\",\"b, \"\"two\"\".csv difference\",\"b, \"\"two\"\".csv "
        "%\",c.csv,c.csv difference,c.csv %");
    EXPECT_NE(csv.find("\r\nApogee,m,200.000,220.000,20.000,10.00,0.000,-200.000,-100.00\r\n"),
              std::string::npos)
        << csv;
    // Files of one name from two folders go by their paths.
    Trace first = c, again = c;
    first.path = "sims/c.csv", again.path = "other/c.csv";
    EXPECT_EQ(figuresTable({a, first, again}, {}).names,
              (std::vector<std::string>{"a.rcd", "sims/c.csv", "other/c.csv"}));
    const std::string json = comparisonJson(traces, t, Quantity::Thrust);
    EXPECT_NE(json.find("\"apogee\":{\"value\":220,\"difference\":20,\"percent\":10}"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"series\":{\"quantity\":\"thrust\",\"time\":[],\"values\":[]}"), std::string::npos);
}
