// `tarvel compare` run as a user runs it: the program itself on the sample
// flight and its simulations, as a table, as JSON and as CSV, and the files
// and command lines it refuses.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int code = -1;
    std::string out;  // standard output, then standard error when `withErrors`
};

Outcome tarvel(const std::string& arguments, bool withErrors = false) {
    const std::string command =
        std::string(TARVEL_PROGRAM) + " " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    Outcome r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, got);
    const int status = ::pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string example(const std::string& name) {
    return "'" + std::string(TARVEL_EXAMPLES_DIR) + "/" + name + "'";
}

const std::string kThree = example("small_motor.rcd") + " " + example("small_motor_sim.csv") + " " +
                           example("small_motor_flight.csv");

class CompareCommand : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("tarvel-compare-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

}  // namespace

TEST_F(CompareCommand, TheTableOfAFlightAndItsSimulations) {
    const Outcome r = tarvel("compare " + kThree);
    ASSERT_EQ(r.code, 0) << r.out;
    std::istringstream lines(r.out);
    std::string first, header, apogee;
    std::getline(lines, first), std::getline(lines, header), std::getline(lines, apogee);
    EXPECT_EQ(first, "Aligned on launch");
    EXPECT_EQ(header.substr(0, 6), "Figure");
    EXPECT_NE(header.find("small_motor.rcd (reference)"), std::string::npos);
    EXPECT_NE(header.find("small_motor_flight.csv"), std::string::npos);
    EXPECT_EQ(apogee.substr(0, 10), "Apogee (m)");
    // The record's apogee, then each simulation's with its difference from it.
    EXPECT_NE(apogee.find("185.0"), std::string::npos) << apogee;
    EXPECT_NE(apogee.find("185.8 (+0.8, +0.4 %)"), std::string::npos) << apogee;
    for (const char* row :
         {"Time to apogee (s)", "Max velocity (m/s)", "Max acceleration (m/s²)", "Descent under drogue (m/s)",
          "Descent under main (m/s)", "Burnout at (s)", "Landing at (s)"})
        EXPECT_NE(r.out.find(std::string("\n") + row), std::string::npos) << row;
}

TEST_F(CompareCommand, JsonInSiUnitsOnTheAxisOfTheAlignmentChosen) {
    const Outcome r =
        tarvel("compare " + kThree + " --json --align apogee --reference 2 --quantity velocity");
    ASSERT_EQ(r.code, 0) << r.out;
    QJsonParseError error{};
    const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out.substr(0, 400);
    EXPECT_EQ(j["alignment"].toString(), "apogee");
    EXPECT_EQ(j["reference"].toInt(), 1);
    const QJsonArray traces = j["traces"].toArray();
    ASSERT_EQ(traces.size(), 3);
    EXPECT_EQ(traces[0].toObject()["kind"].toString(), "record");
    EXPECT_EQ(traces[1].toObject()["kind"].toString(), "simulation");
    for (const QJsonValue& v : traces) {
        const QJsonObject t = v.toObject(), figures = t["figures"].toObject();
        SCOPED_TRACE(t["name"].toString().toStdString());
        EXPECT_NEAR(figures["apogeeTime"].toObject()["value"].toDouble(), 0.0, 1e-9);
        EXPECT_NEAR(figures["apogee"].toObject()["value"].toDouble(), 185.5, 1.0);  // metres, not feet
        EXPECT_EQ(t["quantities"].toArray().size(), 4);
        const QJsonObject series = t["series"].toObject();
        EXPECT_EQ(series["quantity"].toString(), "velocity");
        EXPECT_EQ(series["time"].toArray().size(), series["values"].toArray().size());
        EXPECT_GT(series["values"].toArray().size(), 600);
    }
    // The reference has no differences; the others have them, against it.
    EXPECT_TRUE(traces[1].toObject()["figures"].toObject()["apogee"].toObject()["difference"].isNull());
    const QJsonObject record = traces[0].toObject()["figures"].toObject()["apogee"].toObject();
    EXPECT_NEAR(record["difference"].toDouble(), -0.8, 0.1);
    EXPECT_NEAR(record["percent"].toDouble(), -0.4, 0.1);
}

TEST_F(CompareCommand, TheTableAsCsvToAFileOrStandardOutput) {
    const std::string out = path("table.csv");
    ASSERT_EQ(tarvel("compare " + kThree + " --csv '" + out + "'").code, 0);
    std::ifstream file(out, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(
        written.substr(0, written.find("\r\n")),
        "figure,unit,small_motor.rcd,small_motor_sim.csv,small_motor_sim.csv difference,small_motor_sim.csv "
        "%,small_motor_flight.csv,small_motor_flight.csv difference,small_motor_flight.csv %");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 13);
    EXPECT_EQ(tarvel("compare " + kThree + " --csv -").out, written);
}

TEST_F(CompareCommand, FilesThatGiveNoTraceAndWrongCommandLines) {
    const std::string lacking = path("sim.csv");
    std::ofstream(lacking) << "# Time (s),Mass (g)\n0,130\n1,129\n";
    Outcome r = tarvel("compare " + example("small_motor.rcd") + " '" + lacking + "'", true);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out,
              "tarvel: " + lacking +
                  ": no altitude, velocity, acceleration or thrust column (looked for \"Altitude (m)\", "
                  "\"Vertical velocity (m/s)\", \"Vertical acceleration (m/s²)\", \"Thrust (N)\", \"Z (m)\", "
                  "\"Vz (m/s)\" and \"Az (m/s²)\")\n");
    r = tarvel("compare '" + path("missing.csv") + "'", true);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(path("missing.csv")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("No such file or directory"), std::string::npos) << r.out;

    const std::pair<std::string, std::string> usage[] = {
        {"compare", "tarvel compare: no file to compare\n"},
        {"compare " + kThree + " --align burnout",
         "tarvel compare: --align takes launch, apogee or offset, not \"burnout\"\n"},
        {"compare " + kThree + " --reference 4",
         "tarvel compare: --reference takes a file number from 1 to 3, not \"4\"\n"},
        {"compare " + kThree + " --offset 2",
         "tarvel compare: --offset takes N:S, file N moved by S seconds, not \"2\"\n"},
        {"compare " + kThree + " --quantity mass",
         "tarvel compare: --quantity takes altitude, velocity, acceleration or thrust, not \"mass\"\n"},
        {"compare " + kThree + " --csv", "tarvel compare: --csv needs a value\n"},
    };
    for (const auto& [arguments, message] : usage) {
        SCOPED_TRACE(arguments);
        r = tarvel(arguments, true);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out.substr(0, message.size()), message);
        EXPECT_NE(r.out.find("usage: tarvel compare FILE..."), std::string::npos);
    }
}

TEST_F(CompareCommand, ThePictureOfTheGraphAtTheSizeAsked) {
    const std::string png = path("compare.png");
    Outcome r = tarvel("compare " + kThree + " --quantity velocity --png '" + png + "' --size 640x400", true);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(640, 400));
    // 1280 x 800 unless asked; "-" puts the picture alone on standard output.
    r = tarvel("compare " + kThree + " --png -");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(QImage::fromData(reinterpret_cast<const uchar*>(r.out.data()), int(r.out.size()), "PNG").size(),
              QSize(1280, 800));

    r = tarvel("compare " + kThree + " --png '" + png + "' --size 10x10", true);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out.substr(0, 60), "tarvel compare: --size takes WIDTHxHEIGHT, e.g. 1920x1080, n");
    const std::string nowhere = path("no/such/folder/compare.png");
    r = tarvel("compare " + kThree + " --png '" + nowhere + "'", true);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("tarvel: cannot write " + nowhere), std::string::npos) << r.out;
}
