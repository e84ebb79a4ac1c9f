// `tarvel table` run as a user would, its file read back by Python's csv module.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "run_shell.h"

namespace fs = std::filesystem;

namespace {

// A shell command line; what it writes to standard output and error in `output`.
int runShell(const std::string& command, std::string& output) {
    return tarvel::test::runShell(command + " 2>&1", output);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string example(const std::string& name) { return std::string(TARVEL_EXAMPLES_DIR) + "/" + name; }

// Reads the table as a script would: Python's csv module with no dialect of
// its own, the sniffer's guess of the delimiter, every field of the numeric
// columns a float or empty, the times rising. Prints the sample rows and the
// events found, or what is wrong.
const char* const kReader = R"PY(
import csv, sys
path, units = sys.argv[1], sys.argv[2].split(",")
with open(path, newline="", encoding="utf-8") as f:
    text = f.read()
assert csv.Sniffer().sniff(text[:4096]).delimiter == ",", "sniffer"
rows = list(csv.reader(text.splitlines(keepends=True)))
d, v, t = units
expected = ["time (s)", "acceleration (G)", "pressure (psi)", "velocity (%s)" % v, "altitude (%s)" % d,
            "thrust (%s)" % t, "estimated altitude (%s)" % d, "estimated altitude sigma (%s)" % d,
            "estimated velocity (%s)" % v, "estimated velocity sigma (%s)" % v, "event"]
assert rows[0] == expected, rows[0]
last, events = -1.0, []
for row in rows[1:]:
    assert len(row) == 11, row
    numbers = [float(x) for x in row[:10] if x != ""]
    assert len(numbers) >= 6, row
    assert float(row[0]) > last, row
    last = float(row[0])
    if row[10]:
        events.append(row[10])
print(len(rows) - 1, "/".join(events))
)PY";

class DataTable : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("tarvel-table-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "read_table.py") << kReader;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    // tarvel with `arguments`, in a German locale: the table's numbers keep their ".".
    int tarvel(const std::string& arguments, std::string& output) const {
        return runShell("LC_ALL=de_DE.UTF-8 " + std::string(TARVEL_PROGRAM) + " " + arguments, output);
    }
    std::string readBack(const std::string& file, const std::string& units) const {
        std::string output;
        runShell("python3 '" + path("read_table.py") + "' '" + file + "' " + units, output);
        return output;
    }

    fs::path m_dir;
};

TEST_F(DataTable, EverySampleFlightReadsAsNumbersWithItsEvents) {
    struct Case {
        const char* file;
        const char* arguments;
        const char* units;  // distance, velocity, thrust as the header names them
        const char* read;   // what the reader prints
    } cases[] = {
        // Recorded in lbs; shown in metric units, the figures in a comma locale.
        {"high_power.rcd", "--units altitude=m,velocity=km/h --locale de_DE", "m,km/h,lbs",
         "19501 Launch/Burnout/Apogee + Deployment/Main/Landing\n"},
        {"metric_flight.rcd", "", "m,km/h,N", "5229 Launch/Burnout/Apogee + Deployment/Landing\n"},
        {"small_motor.rcd", "--units velocity=ft/s", "ft,ft/s,N",
         "1675 Launch/Burnout/Apogee + Deployment/Landing\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.arguments);
        std::string output;
        ASSERT_EQ(
            tarvel("table '" + example(c.file) + "' '" + path("table.csv") + "' " + c.arguments, output), 0)
            << output;
        EXPECT_EQ(output, "");
        EXPECT_EQ(readBack(path("table.csv"), c.units), c.read);
        // "-" writes the same bytes to standard output (tried on the small flight: the large one is slow).
        if (std::string(c.file) != "small_motor.rcd") continue;
        ASSERT_EQ(tarvel("table '" + example(c.file) + "' - " + c.arguments, output), 0);
        EXPECT_EQ(output, slurp(path("table.csv")));
    }
}

TEST_F(DataTable, TheRecordItselfIsNotReplacedUnlessForced) {
    const std::string record = path("flight.rcd");
    fs::copy_file(example("small_motor.rcd"), record);
    fs::create_hard_link(record, path("other-name.csv"));
    const std::string before = slurp(record);
    std::string output;
    for (const std::string& target : {record, path("other-name.csv")}) {
        EXPECT_EQ(tarvel("table '" + record + "' '" + target + "'", output), 1);
        EXPECT_NE(output.find("the table would replace the flight. Give --force"), std::string::npos)
            << output;
        EXPECT_EQ(slurp(record), before);
    }
    EXPECT_EQ(tarvel("table '" + record + "' '" + record + "' --force", output), 0) << output;
    EXPECT_EQ(slurp(record).rfind("time (s),", 0), 0u);

    // A file that is no flight, and an output that cannot be written, say so.
    EXPECT_EQ(tarvel("table '" + path("missing.rcd") + "' '" + path("x.csv") + "'", output), 1);
    EXPECT_EQ(tarvel("table '" + example("small_motor.rcd") + "' '" + path("no/such/x.csv") + "'", output),
              1);
    EXPECT_NE(output.find("cannot write " + path("no/such/x.csv")), std::string::npos) << output;
    EXPECT_EQ(tarvel("table '" + example("small_motor.rcd") + "'", output), 2);
}

}  // namespace
