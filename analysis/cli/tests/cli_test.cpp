#include "cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "flight_actions.h"
#include "flight_verbs.h"
#include "number_text.h"
#include "qt_messages.h"
#include "record_samples.h"
#include "record_writer.h"
#include "run_shell.h"
#include "units.h"

using namespace tarvel;
using tarvel::cli::Args;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int code;
    std::string out, err;
};

Outcome run(const Args& args) {
    std::ostringstream out, err;
    const int code = cli::runCommandLine(cli::Environment{NumberLocale::system()}, args, out, err);
    return {code, out.str(), err.str()};
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("tarvel-cli-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        std::ofstream(flight(), std::ios::binary) << tarvel::testing::downloadedRecord(300);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string flight() const { return (m_dir / "flight.rcd").string(); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

}  // namespace

TEST_F(CommandLine, SummaryJsonShowsWhatTheWindowShows) {
    const Outcome r = run({"summary", flight(), "--json", "--locale", "en_US"});
    ASSERT_EQ(r.code, 0) << r.err;

    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = *NumberLocale::named("en_US");
    ASSERT_TRUE(fa->openRecordFile(flight()).ok);
    EXPECT_EQ(r.out, cli::summaryJson(*fa, flight()));
    for (const char* part :
         {"\"SampleCount\":300", "\"MaxAltitude\":\"1,141.0\"", "\"MotorClass\":\"D\"",
          "\"Label5\":\"Ave Thrust-D\"", "\"lblUnitsThrust\":\"(N)\"", "\"FileDetailWeight\":\"16.00\"",
          "\"units\":{\"Distance\":0,\"Velocity\":0,\"Thrust\":0,\"Mass\":0}"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;

    const Outcome de = run({"summary", flight(), "--json", "--locale", "de_DE"});
    EXPECT_NE(de.out.find("\"MaxAltitude\":\"1.141,0\""), std::string::npos);
    const Outcome table = run({"summary", flight(), "--locale", "en_US"});
    EXPECT_NE(table.out.find("Max Altitude          1,141.0 (ft)"), std::string::npos) << table.out;
}

TEST_F(CommandLine, ActionsRunLeftToRightAsInTheWindow) {
    // Units first: the weight typed afterwards is in grams and stays as typed.
    const Outcome r = run({"summary", flight(), "--json", "--units", "mass=g,velocity=km/h", "--set",
                           "FileDetailWeight=450", "--set", "FileDetailName=Dart, mk 2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"FileDetailWeight\":\"450\""), std::string::npos);
    EXPECT_NE(r.out.find("\"FileDetailPropellantWt\":\"56.7\""), std::string::npos);  // 2.0 oz x 28.35
    EXPECT_NE(r.out.find("\"lblVelocity\":\"(km/h)\""), std::string::npos);
    EXPECT_NE(r.out.find("\"FileDetailName\":\"Dart, mk 2\""), std::string::npos);

    // The other order: the typed 450 is converted (cut to three decimals) by the dialog.
    const Outcome other =
        run({"summary", flight(), "--json", "--set", "FileDetailWeight=450", "--units", "mass=lbs"});
    EXPECT_NE(other.out.find("\"FileDetailWeight\":\"28.125\""), std::string::npos) << other.out;

    // The burn view leaves the figures; "&Recalculate" refreshes them. Right
    // after opening, the burn view's thrust pass already has velocities (and
    // so drag) that the figures of the first pass lack.
    const Outcome shortBurn =
        run({"summary", flight(), "--json", "--set", "txtMotorDuration=0.2", "--mode", "burn"});
    EXPECT_NE(shortBurn.out.find("\"MotorDurationIndex\":21"), std::string::npos) << shortBurn.out;
    auto figures = [](const Outcome& o) { return o.out.substr(o.out.find("\"figures\"")); };
    const Outcome opened = run({"summary", flight(), "--json"});
    const Outcome burn = run({"summary", flight(), "--json", "--mode", "burn"});
    const Outcome recalc = run({"summary", flight(), "--json", "--mode", "burn", "--recalculate"});
    EXPECT_EQ(figures(burn), figures(opened));
    EXPECT_NE(figures(burn), figures(recalc));
}

TEST_F(CommandLine, SeriesListsEverySampleExactly) {
    const Outcome r = run({"series", flight()});
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "i,DeltaTime,Pressure,Accel,Velocity,Altitude,Thrust");

    auto fa = std::make_unique<FlightAnalysis>();
    ASSERT_TRUE(fa->openRecordFile(flight()).ok);
    int rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        std::istringstream fields(line);
        std::string field;
        std::getline(fields, field, ',');
        ASSERT_EQ(field, std::to_string(rows));
        const SampleArray* columns[] = {&fa->samples.aDeltaTime, &fa->samples.aPressure,
                                        &fa->samples.aAccel,     &fa->samples.aVelocity,
                                        &fa->samples.aAltitude,  &fa->samples.aThrust};
        for (const SampleArray* column : columns) {
            std::getline(fields, field, ',');
            double value = 0;
            std::from_chars(field.data(), field.data() + field.size(), value);
            ASSERT_EQ(value, at(*column, rows)) << line;
        }
    }
    EXPECT_EQ(rows, 300);
}

TEST_F(CommandLine, SaveCsvAndEngWriteTheirFiles) {
    ASSERT_EQ(
        run({"save", flight(), path("out.rcd"), "--set", "FileDetailName=Scout", "--units", "thrust=lbs"})
            .code,
        0);
    const std::string saved = slurp(path("out.rcd"));
    EXPECT_EQ(saved.rfind("FDName\r\nScout\r\n", 0), 0u);
    EXPECT_NE(saved.find(",Thrust(lbs)\r\n"), std::string::npos);

    // The saved file gives the same figures as the session that saved it, once
    // its thrust, too, has had a calculation's velocities for the drag term.
    const Outcome fromSaved = run({"summary", path("out.rcd"), "--json", "--recalculate"});
    const Outcome direct =
        run({"summary", flight(), "--json", "--set", "FileDetailName=Scout", "--units", "thrust=lbs"});
    auto figures = [](const std::string& json) { return json.substr(json.find("\"figures\"")); };
    EXPECT_EQ(figures(fromSaved.out), figures(direct.out));

    ASSERT_EQ(
        run({"csv", flight(), path("out.csv"), "--set", "FileDetailName=Scout", "--units", "thrust=lbs"})
            .code,
        0);
    EXPECT_EQ(slurp(path("out.csv")), saved);

    const Outcome eng =
        run({"eng", flight(), path("out.eng"), "--diameter", "24", "--length", "70", "--total", "3.5"});
    ASSERT_EQ(eng.code, 0) << eng.err;
    const std::string motor = slurp(path("out.eng"));
    EXPECT_EQ(motor.rfind("; Tarvel-Rocket produced motor file for D", 0), 0u) << motor;
    EXPECT_NE(motor.find(" 24 70 P 0.05670 0.09922 EX\r\n"), std::string::npos) << motor;
    EXPECT_EQ(motor.substr(motor.size() - 7), " 0.00\r\n");
}

TEST_F(CommandLine, ErrorsGoToStandardErrorWithAnExitStatus) {
    std::ofstream(path("zero.rcd"), std::ios::binary) << "FDMotorDur\r\n0\r\n"
                                                      << tarvel::testing::downloadedRecord(150);
    std::ofstream(path("empty.rcd"), std::ios::binary);
    struct Case {
        Args args;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {{"summary", path("missing.rcd")},
         1,
         "cannot open " + path("missing.rcd") + ": " + std::strerror(ENOENT)},
        {{"summary", path("empty.rcd")}, 1, "No flight samples were found in " + path("empty.rcd")},
        {{"series", "/dev/zero"}, 1, "/dev/zero is not a record file"},
        {{"launch"}, 2, "unknown command \"launch\""},
        {{"summary"}, 2, "needs FILE.rcd"},
        {{"save", flight()}, 2, "needs FILE.rcd and an output file"},
        {{"summary", flight(), "--set", "Colour=red"}, 2, "--set needs NAME=TEXT"},
        {{"summary", flight(), "--set"}, 2, "needs a value"},
        {{"summary", flight(), "--units", "velocity=knots"}, 2, "--units"},
        {{"summary", flight(), "--units", "speed=mph"}, 2, "--units"},
        {{"summary", flight(), "--mode", "thrust"}, 2, "--mode is all or burn"},
        {{"summary", flight(), "--locale", "xx_NOWHERE"}, 2, "unknown locale"},
        {{"series", flight(), "--json"}, 2, "unknown option --json"},
        {{"save", flight(), path("out.rcd"), "--diameter", "24"}, 2, "unknown option --diameter"},
        {{"summary", flight(), "--rclick", "1"}, 2, "unknown option --rclick"},
        {{"render", flight(), path("out.png"), "--size", "10x10"}, 2, "--size takes WIDTHxHEIGHT"},
        {{"render", flight(), path("out.png"), "--click=soon"}, 2, "--click needs a time in seconds"},
        {{"summary", path("zero.rcd")}, 1, "could not be computed: The motor duration"},
        {{"summary", flight(), "--set", "txtMotorDuration=abc", "--set", "FileDetailWeight=20"},
         1,
         "motor duration"},
        {{"eng", flight(), path("out.eng")}, 1, "eng: Motor Diameter (mm)"},
        {{"eng", flight(), path("out.eng"), "--diameter", "29", "--length", "70"},
         1,
         "eng: Total Motor Weight (oz)"},
        {{"eng", flight(), path("huge.eng"), "--diameter", "29", "--length", "70", "--propellant", "1e100",
          "--total", "1e100"},
         1,
         "eng: Propellant Weight (oz) must be at most 100000 ounces; it is \"1e100\"."},
        {{"csv", flight(), path("no-folder/out.csv")},
         1,
         "tarvel: cannot write " + path("no-folder/out.csv") + ": "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args.back() : ""));
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

// Every option reads alike as "--opt value" and "--opt=value", wherever it
// stands among the positional arguments; given twice, the last one counts,
// and a value missing at the end or given to a flag is named for the option.
TEST(CommandLineOptions, EveryOptionIsReadAlikeWhereverItStands) {
    using cli::parseFlightCommand;
    constexpr cli::VerbForm summary{"summary", 0, true, false, false};
    constexpr cli::VerbForm save{"save", 1, false, false, false, true};
    constexpr cli::VerbForm eng{"eng", 1, false, true, false};
    constexpr cli::VerbForm render{"render", 1, false, false, true};

    const cli::FlightCommand apart =
        parseFlightCommand(render, {"f.rcd", "--size", "800x600", "--move", "1.5", "--set",
                                    "FileDetailName=a=b", "--size", "640x480", "out.png", "--range", "1:2"});
    const cli::FlightCommand joined =
        parseFlightCommand(render, {"f.rcd", "--size=800x600", "--move=1.5", "--set=FileDetailName=a=b",
                                    "--size=640x480", "out.png", "--range=1:2"});
    for (const cli::FlightCommand* c : {&apart, &joined}) {
        EXPECT_EQ(c->file, "f.rcd");
        EXPECT_EQ(c->outputs, std::vector<std::string>{"out.png"});
        EXPECT_EQ(c->width, 640);
        EXPECT_EQ(c->height, 480);
        ASSERT_EQ(c->actions.size(), 3u);
        EXPECT_EQ(c->actions[0].option, "--move 1.5");
        EXPECT_EQ(c->actions[0].time, 1.5);
        EXPECT_EQ(c->actions[1].text, "a=b");
        EXPECT_EQ(c->actions[2].option, "--range 1:2");
        EXPECT_EQ(c->actions[2].timeTo, 2);
    }
    const cli::FlightCommand fields =
        parseFlightCommand(eng, {"f.rcd", "--diameter=18", "out.eng", "--diameter", "20", "--propellant="});
    EXPECT_EQ(fields.exportFields.at("diameter"), "20");
    EXPECT_EQ(fields.exportFields.at("propellant"), "");
    EXPECT_TRUE(parseFlightCommand(save, {"f.rcd", "--force", "o.rcd", "--force"}).force);

    auto refusal = [](const cli::VerbForm& verb, cli::Args args) {
        try {
            parseFlightCommand(verb, args);
        } catch (const cli::UsageError& e) {
            return e.message;
        }
        return std::string("accepted");
    };
    const std::pair<const cli::VerbForm*, std::vector<std::string>> valued[] = {
        {&summary, {"set", "units", "mode", "locale"}},
        {&eng, {"diameter", "length", "propellant", "total"}},
        {&render, {"move", "click", "rclick", "ruler", "range", "size"}},
    };
    for (const auto& [verb, names] : valued)
        for (const std::string& name : names)
            EXPECT_EQ(refusal(*verb, {"f.rcd", "out", "--recalculate", "--" + name}),
                      "option --" + name + " needs a value");
    EXPECT_EQ(refusal(summary, {"f.rcd", "--recalculate=yes"}), "option --recalculate takes no value");
    EXPECT_EQ(refusal(summary, {"f.rcd", "--json="}), "option --json takes no value");
    EXPECT_EQ(refusal(save, {"f.rcd", "o.rcd", "--force=1"}), "option --force takes no value");
    EXPECT_EQ(refusal(summary, {"f.rcd", "--size=800x600"}), "unknown option --size for summary");
    EXPECT_EQ(refusal(save, {"f.rcd", "o.rcd", "--json"}), "unknown option --json for save");

    // The help lists the actions and --force from the same table, in columns.
    const Outcome help = run({"--help"});
    EXPECT_NE(help.out.find("\n  --set NAME=TEXT   type TEXT into a detail field"), std::string::npos);
    EXPECT_NE(help.out.find("\n  --units GROUP=UNIT[,...]  the units dialog"), std::string::npos);
    EXPECT_NE(help.out.find("\n  --force           save and csv: write OUT even when it is FILE and FILE was "
                            "read only in part\n                    (a bad value"),
              std::string::npos)
        << help.out;
}

namespace {

std::vector<std::string> splitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

double number(const std::string& text) {
    double value = std::nan("");
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() && res.ptr == text.data() + text.size() ? value : std::nan("");
}

// What the simulators' motor loaders need of a motor file; empty when `text`
// has it: comment lines starting with ';', one header of seven fields (sizes
// in mm and masses in kg above 0, the total not below the propellant), then
// time and thrust pairs with rising times and no negative thrust, the last
// thrust 0, every line ended by CR LF.
std::string motorFileFault(const std::string& text) {
    std::vector<std::string> lines = splitOn(text, "\r\n");
    if (lines.back() != "") return "the last line has no CR LF";
    lines.pop_back();
    size_t at = 0;
    while (at < lines.size() && lines[at].rfind(";", 0) == 0) ++at;
    if (at == 0 || lines.size() < at + 3) return "no comment, header and points";
    const std::vector<std::string> header = splitOn(lines[at], " ");
    if (header.size() != 7) return "header has " + std::to_string(header.size()) + " fields: " + lines[at];
    for (const std::string& field : header)
        if (field.empty()) return "empty header field: " + lines[at];
    if (!(number(header[1]) > 0) || !(number(header[2]) > 0)) return "diameter or length: " + lines[at];
    if (!(number(header[4]) > 0)) return "no propellant mass: " + lines[at];
    if (!(number(header[5]) >= number(header[4]))) return "total mass below propellant: " + lines[at];
    double previous = 0;
    for (size_t i = at + 1; i < lines.size(); ++i) {
        const std::vector<std::string> point = splitOn(lines[i], " ");
        if (point.size() != 2) return "point " + lines[i];
        const double time = number(point[0]), thrust = number(point[1]);
        if (!(time > previous)) return "time does not rise: " + lines[i];
        if (!(thrust >= 0)) return "thrust below zero: " + lines[i];
        previous = time;
    }
    if (number(lines.back().substr(lines.back().find(' ') + 1)) != 0)
        return "no closing point: " + lines.back();
    return {};
}

std::string example(const std::string& name) { return std::string(TARVEL_EXAMPLES_DIR) + "/" + name; }

}  // namespace

TEST_F(CommandLine, EverySampleFlightExportsAMotorFileSimulatorsLoad) {
    std::vector<fs::path> flights;
    for (const auto& entry : fs::directory_iterator(TARVEL_EXAMPLES_DIR))
        if (entry.path().extension() == ".rcd") flights.push_back(entry.path());
    ASSERT_GE(flights.size(), 4u);
    const Args variants[] = {
        {},
        {"--units", "thrust=lbs", "--locale", "de_DE"},
        {"--set", "txtMotorDuration=0.5"},
        {"--set", "txtMotorDuration=1000"},  // past the end of the flight
        // A sub-A motor of 0.28 g propellant: named 1/2A and so on, its mass not 0.000.
        {"--set", "txtMotorDuration=0.03", "--propellant", "0.00988"},
    };
    std::set<std::string> subA;
    for (const fs::path& flight : flights) {
        for (const Args& variant : variants) {
            Args args = {"eng",      flight.string(), path("out.eng"), "--diameter", "29",
                         "--length", "300",           "--total",       "100"};
            args.insert(args.end(), variant.begin(), variant.end());
            SCOPED_TRACE(flight.filename().string() + (variant.empty() ? "" : " " + variant[1]));
            const Outcome r = run(args);
            ASSERT_EQ(r.code, 0) << r.err;
            const std::string motor = slurp(path("out.eng"));
            EXPECT_EQ(motorFileFault(motor), "") << motor;
            const std::string designation = motor.substr(40, motor.find('\r') - 40);
            if (designation.find("A") != std::string::npos) subA.insert(designation.substr(0, 4));
        }
    }
    EXPECT_EQ(subA, (std::set<std::string>{"1/4A", "1/8A"}));

    // What would load as a motor of nothing is refused, naming the field.
    const std::pair<Args, std::string> refused[] = {
        {{"--propellant", "0"}, "Propellant Weight (oz) must be greater than 0"},
        {{"--set", "txtMotorDuration=0"}, "Duratation (sec.) must be greater than 0"},
        {{"--set", "txtMotorDuration=-1"}, "Duratation (sec.) must be greater than 0"},
    };
    for (const auto& [variant, message] : refused) {
        Args args = {"eng",
                     example("small_motor.rcd"),
                     path("refused.eng"),
                     "--diameter",
                     "29",
                     "--length",
                     "300",
                     "--total",
                     "100"};
        args.insert(args.end(), variant.begin(), variant.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(path("refused.eng")));
    }
}

TEST_F(CommandLine, FiguresAndSavedColumnsFollowEveryUnitChange) {
    const std::string small = example("small_motor.rcd");
    auto figure = [](const std::string& json, const std::string& name) {
        const size_t at = json.find("\"" + name + "\":\"") + name.size() + 4;
        return json.substr(at, json.find('"', at) - at);
    };
    // The burn view shows the altitude in metres, as the all-curves view does.
    const Outcome burn =
        run({"summary", small, "--json", "--locale", "en_US", "--mode", "burn", "--units", "altitude=m"});
    const Outcome all = run({"summary", small, "--json", "--locale", "en_US", "--units", "altitude=m"});
    EXPECT_EQ(figure(burn.out, "MaxAltitude"), "196.7");
    EXPECT_EQ(figure(all.out, "MaxAltitude"), "196.7");
    // After a shorter burn, no thrust of the longer one stays behind in newtons.
    const Outcome shorter = run({"summary", small, "--json", "--locale", "en_US", "--set",
                                 "txtMotorDuration=0.5", "--units", "thrust=lbs"});
    EXPECT_EQ(figure(shorter.out, "MaxThrust"), "3.19");

    const Outcome save = run({"save", small, path("out.rcd"), "--set", "txtMotorDuration=0.5", "--mode",
                              "burn", "--units", "altitude=m,thrust=lbs"});
    ASSERT_EQ(save.code, 0) << save.err;
    const std::string saved = slurp(path("out.rcd"));
    ASSERT_NE(saved.find(",Altitude(m),Thrust(lbs)\r\n"), std::string::npos);
    double maxAltitude = 0, maxThrust = 0;
    for (const std::string& line : splitOn(saved.substr(saved.find("Thrust(lbs)\r\n") + 13), "\r\n")) {
        const std::vector<std::string> columns = splitOn(line, ",");
        if (columns.size() < 6) continue;
        maxAltitude = std::max(maxAltitude, number(columns[4]));
        maxThrust = std::max(maxThrust, number(columns[5]));
    }
    EXPECT_NEAR(maxAltitude, 196.7, 0.1);
    EXPECT_NEAR(maxThrust, 3.19, 0.01);
}

TEST_F(CommandLine, AFlightThatCannotBeComputedCanBeMended) {
    std::ofstream(path("zero.rcd"), std::ios::binary) << "FDName\r\nKept\r\nFDMotorDur\r\n0\r\n"
                                                      << tarvel::testing::downloadedRecord(150);
    const Outcome mended = run({"summary", path("zero.rcd"), "--json", "--set", "txtMotorDuration=2"});
    EXPECT_EQ(mended.code, 0) << mended.err;
    EXPECT_NE(mended.err.find("warning"), std::string::npos);
    EXPECT_NE(mended.out.find("\"MaxAltitude\":\""), std::string::npos);
    EXPECT_EQ(mended.out.find("\"MaxAltitude\":\"\""), std::string::npos) << mended.out;

    // Saving needs no figures: the file is written with its details, and the
    // mended copy opens without a word.
    const Outcome saved =
        run({"save", path("zero.rcd"), path("mended.rcd"), "--set", "txtMotorDuration=1.5"});
    EXPECT_EQ(saved.code, 0) << saved.err;
    const Outcome reopened = run({"summary", path("mended.rcd")});
    EXPECT_EQ(reopened.code, 0);
    EXPECT_TRUE(reopened.err.empty()) << reopened.err;
    EXPECT_NE(reopened.out.find("Kept"), std::string::npos);
}

TEST_F(CommandLine, OutputsThatAreNoFilesAreWrittenNotReplaced) {
    // "-" is standard output, and gives what a file would hold.
    ASSERT_EQ(run({"csv", flight(), path("out.csv")}).code, 0);
    const Outcome csv = run({"csv", flight(), "-"});
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.out, slurp(path("out.csv")));
    EXPECT_EQ(run({"save", flight(), "-"}).out, csv.out);
    const Outcome eng = run({"eng", flight(), "-", "--diameter", "24", "--length", "70", "--total", "100"});
    EXPECT_EQ(eng.out.rfind("; Tarvel-Rocket produced motor file for ", 0), 0u) << eng.err;
    EXPECT_FALSE(fs::exists("-"));

    // A device stays a device, a FIFO is fed.
    EXPECT_EQ(
        run({"eng", flight(), "/dev/null", "--diameter", "24", "--length", "70", "--total", "100"}).code, 0);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    const std::string fifo = path("feed.csv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string fed;
    std::thread reader([&] { fed = slurp(fifo); });
    EXPECT_EQ(run({"csv", flight(), fifo}).code, 0);
    reader.join();
    EXPECT_EQ(fed, csv.out);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(CommandLine, RenderCommandWritesThePictureOfTheWindow) {
    const std::string rcd = path("long.rcd"), png = path("window.png");
    std::ofstream(rcd, std::ios::binary) << tarvel::testing::downloadedRecord(1500);
    std::ostringstream out, err;
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()},
                              {rcd, png, "--units", "altitude=m,velocity=km/h", "--rclick", "11",
                               "--rclick=14", "--size", "1280x720"},
                              out, err),
              0)
        << err.str();
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.size(), QSize(1280, 720));
    EXPECT_NE(out.str().find("Descent Rate: "), std::string::npos);
    EXPECT_NE(out.str().find(" (m)/s"), std::string::npos);

    // A failed write names the file and the reason.
    const std::string inMissingFolder = path("no-folder/window.png");
    std::ostringstream failure;
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()}, {rcd, inMissingFolder}, out, failure),
              1);
    EXPECT_NE(failure.str().find("cannot write " + inMissingFolder + ": " + std::strerror(ENOENT)),
              std::string::npos)
        << failure.str();

    EXPECT_EQ(
        cli::renderVerb(cli::Environment{NumberLocale::system()}, {rcd, png, "--mode", "sideways"}, out, err),
        2);
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()}, {rcd}, out, err), 2);

    // "-": the picture alone on standard output, the messages on the error stream.
    std::ostringstream picture, messages;
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()},
                              {rcd, "-", "--rclick", "11", "--size", "1280x720"}, picture, messages),
              0);
    const std::string bytes = picture.str();
    EXPECT_TRUE(
        QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "PNG").size() ==
        QSize(1280, 720));
    EXPECT_NE(messages.str().find("Right click a 2nd position"), std::string::npos) << messages.str();
}

TEST_F(CommandLine, RenderDrawsAZoomedRangeOrFailsWithoutAPicture) {
    const std::string flight = example("high_power.rcd");
    const std::string whole = path("whole.png"), zoomed = path("zoomed.png"), refused = path("refused.png");
    std::ostringstream out, err;
    ASSERT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()}, {flight, whole}, out, err), 0)
        << err.str();
    ASSERT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()},
                              {flight, zoomed, "--range", "20:40", "--ruler", "22", "--ruler=38"}, out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "");  // the ruler reads on the graph, not in a message
    EXPECT_NE(QImage(QString::fromStdString(whole)), QImage(QString::fromStdString(zoomed)));

    for (const char* range : {"20", "40:20", "a:b", "1:inf"}) {
        EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()},
                                  {flight, refused, "--range", range}, out, err),
                  2)
            << range;
    }
    // Off the graph: a picture without the zoom would pass for the one asked for.
    std::ostringstream offErr;
    EXPECT_EQ(cli::renderVerb(cli::Environment{NumberLocale::system()},
                              {flight, refused, "--range", "5000:6000"}, out, offErr),
              1);
    EXPECT_NE(offErr.str().find("--range 5000:6000: the range is not on the graph, which runs from 0.00 to "),
              std::string::npos)
        << offErr.str();
    EXPECT_FALSE(fs::exists(refused));
}

TEST_F(CommandLine, ReadingStoppedEarlyIsAWarning) {
    std::ofstream(path("bad.rcd"), std::ios::binary)
        << "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)\r\n"
           "0.1,14.7,1,0,0,0\r\n0.1,14.6,oops,0,0,0\r\n";
    const Outcome r = run({"summary", path("bad.rcd"), "--json"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("warning"), std::string::npos);
    EXPECT_NE(r.err.find("line 4"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"SampleCount\":2"), std::string::npos);
}

TEST(CommandLineJson, TextsAreEscapedAndKeptUtf8) {
    auto fa = std::make_unique<FlightAnalysis>();
    fa->detail(DetailField::FileDetailNotes) = "a \"quoted\"\r\nline\\\x01";
    fa->detail(DetailField::FileDetailName) = "Caf\xc3\xa9";  // UTF-8 stays
    fa->detail(DetailField::FileDetailPlace) = "Caf\xe9";     // a single-byte code page letter
    const std::string json = cli::summaryJson(*fa, "x.rcd");
    EXPECT_NE(json.find(R"("FileDetailNotes":"a \"quoted\"\r\nline\\\u0001")"), std::string::npos) << json;
    EXPECT_NE(json.find("\"FileDetailName\":\"Caf\xc3\xa9\""), std::string::npos);
    EXPECT_NE(json.find("\"FileDetailPlace\":\"Caf\xc3\xa9\""), std::string::npos);
}

namespace {

using test::runShell;

int runProgram(const std::string& arguments, std::string& output) {
    return runShell(std::string(TARVEL_PROGRAM) + " " + arguments + " 2>&1", output);
}

}  // namespace

TEST_F(CommandLine, TheProgramItself) {
    std::string output;
    EXPECT_EQ(runProgram("summary '" + flight() + "' --json --locale en_US", output), 0);
    EXPECT_EQ(output, run({"summary", flight(), "--json", "--locale", "en_US"}).out);
    EXPECT_EQ(runProgram("", output), 2);
    EXPECT_NE(output.find("usage:"), std::string::npos);
    EXPECT_EQ(runProgram("--help", output), 0);
    EXPECT_NE(output.find("tarvel --version"), std::string::npos);
    EXPECT_EQ(runProgram("--version", output), 0);
    EXPECT_TRUE(std::regex_match(output, std::regex("tarvel [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << output;
    EXPECT_EQ(runProgram("summary '" + path("missing.rcd") + "'", output), 1);

    // A file-size limit is a failure to write that the program reports, the old file kept.
    const std::string saved = path("saved.rcd");
    std::ofstream(saved, std::ios::binary) << "old";
    const std::string limited = "save '" + flight() + "' '" + saved + "'";
    EXPECT_EQ(
        runProgram("--help >/dev/null; ulimit -f 1; " + std::string(TARVEL_PROGRAM) + " " + limited, output),
        1);
    EXPECT_EQ(output, "tarvel: cannot write " + saved + ": " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(fs::file_size(saved), 3u);
}

TEST_F(CommandLine, StandardOutputThatCannotBeWrittenIsAFailureOfEveryVerb) {
    const std::string program = TARVEL_PROGRAM, file = " '" + flight() + "'";
    struct Case {
        std::string arguments;
        bool overFileSizeLimit;  // else standard output is /dev/full
    };
    const Case cases[] = {
        {"summary" + file + " --json", false},
        {"summary" + file, false},
        {"series" + file, false},
        {"save" + file + " -", false},
        {"csv" + file + " -", false},
        {"eng" + file + " - --diameter 29 --length 70 --total 10", false},
        {"--help", false},
        {"series" + file, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        // Standard error to the pipe, standard output to the place that refuses it.
        const std::string command = c.overFileSizeLimit ? "ulimit -f 1; " + program + " " + c.arguments +
                                                              " 2>&1 >'" + path("limited.csv") + "'"
                                                        : program + " " + c.arguments + " 2>&1 >/dev/full";
        std::string output;
        EXPECT_EQ(runShell(command, output), 1);
        EXPECT_EQ(output, std::string("tarvel: cannot write standard output: ") +
                              std::strerror(c.overFileSizeLimit ? EFBIG : ENOSPC) + "\n");
    }
}

TEST_F(CommandLine, APointOfSeveralBytesIsShownWhole) {
    // U+066B and U+066C, as Pashto and other locales write them; injected
    // here, and taken from a locale made for the test where the machine can.
    const std::string point = "\xD9\xAB", separator = "\xD9\xAC";
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = NumberLocale::fromPunctuation(point, separator, "\3");
    ASSERT_TRUE(fa->openRecordFile(flight()).ok);
    const std::string feet = fa->figures.MaxAltitude;
    ASSERT_TRUE(fa->applyUnits({1, fa->units.Velocity, fa->units.Thrust, fa->units.Mass}).ok);  // metres
    const double metres = *parseFigure(fa->figures.MaxAltitude, fa->numberLocale);
    EXPECT_NEAR(metres, *parseFigure(feet, fa->numberLocale) * 0.3048, 0.2);
    const std::string json = cli::summaryJson(*fa, flight());
    EXPECT_NE(json.find("\"MaxAltitude\":\"" + fa->figures.MaxAltitude + "\""), std::string::npos) << json;
    EXPECT_NE(fa->figures.MaxAltitude.find(point), std::string::npos) << fa->figures.MaxAltitude;
    EXPECT_EQ(json.find("\xC3\x99"), std::string::npos);  // "Ù": the first byte alone, read as Latin-1

    // A locale of those numbers alone is quick to make; its other parts are not needed.
    const std::string locales = path("locales");
    fs::create_directories(locales);
    std::ofstream(locales + "/numbers")
        << "LC_NUMERIC\ndecimal_point \"<U066B>\"\nthousands_sep \"<U066C>\"\n"
           "grouping 3\nEND LC_NUMERIC\n";
    std::string output;
    runShell("localedef -c -i '" + locales + "/numbers' -f UTF-8 '" + locales + "/xx_TEST.UTF-8' 2>&1",
             output);
    if (!fs::exists(locales + "/xx_TEST.UTF-8/LC_NUMERIC"))
        GTEST_SKIP() << "no locale can be made here: " << output;
    ASSERT_EQ(runShell("LOCPATH='" + locales + "' " + TARVEL_PROGRAM + " summary '" + flight() +
                           "' --json --locale xx_TEST.UTF-8",
                       output),
              0);
    EXPECT_NE(output.find("\"MaxAltitude\":\"" + feet + "\""), std::string::npos) << output;
}

TEST_F(CommandLine, ARecordReadOnlyInPartIsNotSavedOverItselfUnlessForced) {
    // One bad value at line 500 of a 19,501-sample flight.
    std::string text = slurp(example("high_power.rcd"));
    size_t line500 = 0;
    for (int line = 1; line < 500; ++line) line500 = text.find('\n', line500) + 1;
    text.replace(line500, text.find(',', line500) - line500, "0.0l");
    const std::string damaged = path("damaged.rcd");
    std::ofstream(damaged, std::ios::binary) << text;
    fs::create_hard_link(damaged, path("other-name.rcd"));

    std::string output;
    for (const std::string& target : {damaged, path("other-name.rcd")}) {
        for (const char* verb : {"save", "csv"}) {
            SCOPED_TRACE(std::string(verb) + " " + target);
            const Outcome r = run({verb, damaged, target, "--set", "FileDetailName=X"});
            EXPECT_EQ(r.code, 1);
            EXPECT_NE(r.err.find(damaged + " was read only in part (reading stopped at line 500: "),
                      std::string::npos)
                << r.err;
            EXPECT_NE(r.err.find("keeps only the 478 samples read"), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("Give --force"), std::string::npos) << r.err;
            EXPECT_EQ(slurp(damaged), text);
        }
    }
    // Elsewhere it is saved; over itself when the user insists.
    EXPECT_EQ(run({"save", damaged, path("part.rcd")}).code, 0);
    EXPECT_EQ(runProgram("--help", output), 0);
    EXPECT_NE(output.find("--force"), std::string::npos);
    EXPECT_EQ(runProgram("save '" + damaged + "' '" + damaged + "' --force", output), 0) << output;
    EXPECT_EQ(slurp(damaged), slurp(path("part.rcd")));
}

TEST_F(CommandLine, AByteOrderMarkLosesNoDetail) {
    std::ofstream(path("marked.rcd"), std::ios::binary) << "\xEF\xBB\xBF"
                                                           "FDName\r\nScout\r\nFDMotorDur\r\n1.2\r\n"
                                                        << tarvel::testing::downloadedRecord(150);
    EXPECT_NE(run({"summary", path("marked.rcd"), "--json"}).out.find("\"FileDetailName\":\"Scout\""),
              std::string::npos);
    ASSERT_EQ(run({"save", path("marked.rcd"), path("marked.rcd")}).code, 0);
    EXPECT_EQ(slurp(path("marked.rcd")).rfind("FDName\r\nScout\r\n", 0), 0u);
}

namespace {

// The program run as from a terminal without a desktop session: the
// offscreen platform, no runtime folder, the measurement system of `locale`.
// Its standard error in `err`.
int runHeadless(const std::string& locale, const std::string& arguments, std::string& err,
                const std::string& errFile) {
    std::string ignored;
    const int code = runShell(
        "env -u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "
        "LC_ALL= LC_MEASUREMENT= LANG=" +
            locale + " " + TARVEL_PROGRAM + " " + arguments + " 2>'" + errFile + "'",
        ignored);
    err = slurp(errFile);
    return code;
}

// What a poppler tool prints about `pdf` (pdftotext to standard output, pdfinfo).
std::string poppler(const std::string& command, const std::string& pdf) {
    std::string output;
    EXPECT_EQ(runShell(command + " '" + pdf + "'" + (command == "pdftotext" ? " -" : "") + " 2>&1", output),
              0)
        << command << " (Debian package poppler-utils): " << output;
    return output;
}

}  // namespace

TEST_F(CommandLine, ReportIsAPdfWithTextOnThePaperOfTheLocale) {
    const std::string sample = example("small_motor.rcd"), pdf = path("Sparrow report.pdf");
    std::string err;
    ASSERT_EQ(runHeadless("en_US.UTF-8", "report '" + sample + "' '" + pdf + "'", err, path("err")), 0)
        << err;
    EXPECT_EQ(err, "");  // nothing of Qt's own notes

    const std::string text = poppler("pdftotext", pdf);
    const Outcome summary = run({"summary", sample, "--json", "--locale", "C"});
    auto shown = [&summary](const std::string& key) {
        const std::smatch m = [&] {
            std::smatch found;
            std::regex_search(summary.out, found, std::regex("\"" + key + "\":\"([^\"]*)\""));
            return found;
        }();
        return m.size() > 1 ? m[1].str() : std::string("?");
    };
    for (const std::string& part :
         {std::string("Sparrow"), std::string("School field"), std::string("April 14"),
          std::string("C6-5 motor, 30 cm chute."), shown("MaxAltitude") + " (ft)", shown("TotalImpulse"),
          std::string("Time (s)"), std::string("Apogee")})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;

    const std::string info = poppler("pdfinfo", pdf);
    EXPECT_NE(info.find("Title:           Sparrow\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         tarvel "), std::string::npos) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +[12]\n"))) << info;
    EXPECT_NE(info.find("Page size:       612 x 792 pts (letter)"), std::string::npos) << info;
    // No picture of the graph: its lines and labels are drawn as such.
    std::string images;
    runShell("pdfimages -list '" + pdf + "' | tail -n +3 | wc -l", images);
    EXPECT_EQ(images, "0\n");

    // A4 elsewhere, or as --paper says; the file is replaced whole.
    ASSERT_EQ(runHeadless("de_DE.UTF-8", "report '" + sample + "' '" + pdf + "'", err, path("err")), 0)
        << err;
    EXPECT_NE(poppler("pdfinfo", pdf).find("(A4)"), std::string::npos);
    ASSERT_EQ(
        runHeadless("de_DE.UTF-8", "report '" + sample + "' '" + pdf + "' --paper Letter", err, path("err")),
        0);
    EXPECT_NE(poppler("pdfinfo", pdf).find("(letter)"), std::string::npos);
}

TEST_F(CommandLine, ReportRefusesWhatWouldLoseARecord) {
    const std::string record = slurp(flight());
    Outcome r = run({"report", flight(), flight()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "tarvel: report: " + flight() +
                         " is the record file itself; give --force to write the report over it\n");
    EXPECT_EQ(slurp(flight()), record);

    r = run({"report", flight(), path("no such folder/report.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("tarvel: cannot write " + path("no such folder/report.pdf") + ": ", 0), 0u)
        << r.err;
    r = run({"report", flight(), path("r.pdf"), "--paper", "a5"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--paper is a4 or letter, not \"a5\""), std::string::npos) << r.err;
    // A flight the window cannot compute has no figures to report.
    r = run({"report", flight(), path("r.pdf"), "--set", "txtMotorDuration=0", "--recalculate"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_FALSE(fs::exists(path("r.pdf")));
}

TEST_F(CommandLine, SummaryJsonGivesEachFigureAsANumberWithItsUnit) {
    const Outcome de = run({"summary", example("high_power.rcd"), "--json", "--locale", "de_DE"});
    ASSERT_EQ(de.code, 0) << de.err;
    EXPECT_NE(de.out.find("\"MaxAltitude\":\"6.991,4\""), std::string::npos) << de.out;  // the text kept
    EXPECT_NE(de.out.find("\"MaxAltitude\":{\"value\":6991.4,\"unit\":\"ft\"}"), std::string::npos) << de.out;
    // Every figure's number is its text read back.
    const auto de_DE = *NumberLocale::named("de_DE");
    int compared = 0;
    const std::regex text("\"(\\w+)\":\"([-0-9.,]+)\"");
    for (auto it = std::sregex_iterator(de.out.begin(), de.out.end(), text); it != std::sregex_iterator();
         ++it) {
        const std::string key = (*it)[1], shown = (*it)[2];
        std::smatch value;
        if (!std::regex_search(de.out, value, std::regex("\"" + key + "\":\\{\"value\":([-0-9.e+]+),")))
            continue;  // a detail, not a figure
        ++compared;
        const double expected = key == "BaroAltitude" ? *parseNumber(shown) : *parseFigure(shown, de_DE);
        EXPECT_EQ(std::stod(value[1]), expected) << key;
    }
    EXPECT_EQ(compared, 9);
    EXPECT_NE(de.out.find("\"BaroAltitude\":{\"value\":6991.44,\"unit\":null}"), std::string::npos);

    // In the units chosen; a figure never computed is null.
    const Outcome metric = run(
        {"summary", example("high_power.rcd"), "--json", "--units", "altitude=m,velocity=km/h,thrust=lbs"});
    for (const char* part : {"\"MaxAltitude\":{\"value\":", "\"unit\":\"m\"}", "\"unit\":\"km/h\"}",
                             "\"TotalImpulse\":{\"value\":", "\"unit\":\"lbs s\"}"})
        EXPECT_NE(metric.out.find(part), std::string::npos) << part << "\n" << metric.out;
    std::ofstream(path("short.rcd"), std::ios::binary) << tarvel::testing::downloadedRecord(60);
    const Outcome early = run({"summary", path("short.rcd"), "--json"});
    EXPECT_NE(early.out.find("\"MaxThrust\":{\"value\":null,\"unit\":\"N\"}"), std::string::npos)
        << early.out;
}

TEST_F(CommandLine, OnlyQtsOwnNotesAreKeptOffStandardError) {
    EXPECT_TRUE(
        cli::isQtChatter(QtWarningMsg, "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/x'"));
    EXPECT_TRUE(cli::isQtChatter(QtWarningMsg, "This plugin does not support propagateSizeHints()"));
    EXPECT_FALSE(
        cli::isQtChatter(QtWarningMsg, "QPainter::begin: Paint device returned engine == 0, type: 3"));
    EXPECT_FALSE(cli::isQtChatter(QtCriticalMsg, "This plugin does not support propagateSizeHints()"));
    EXPECT_FALSE(cli::isQtChatter(QtFatalMsg, "QStandardPaths: XDG_RUNTIME_DIR not set"));

    // The window drawn without a display says nothing on standard error.
    std::string err;
    ASSERT_EQ(runHeadless("C.UTF-8", "render '" + flight() + "' '" + path("w.png") + "'", err, path("err")),
              0)
        << err;
    EXPECT_EQ(err, "");
}
