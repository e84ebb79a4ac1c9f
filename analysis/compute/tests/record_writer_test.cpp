#include "record_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "derivation.h"
#include "kinematics.h"
#include "ordinary_user.h"
#include "record_samples.h"

using namespace tarvel;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempDir {
public:
    TempDir() {
        m_path = fs::temp_directory_path() /
                 ("tarvel-writer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    fs::path operator/(const std::string& name) const { return m_path / name; }
    const fs::path& path() const { return m_path; }
    size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(m_path), {})); }

private:
    fs::path m_path;
};

// The all-curves derivation taken into `flight`; its figures, none when refused.
std::optional<FlightFigures> derive(Flight& flight) {
    Derivation d = deriveFlight(
        {flight.samples, flight.details, flight.units, DerivedView::AllCurves, flight.samples.aVelocity});
    if (!d.flight) return std::nullopt;
    flight.samples.aVelocity = std::move(d.flight->velocity);
    flight.samples.aAltitude = std::move(d.flight->altitude);
    flight.samples.aThrust = std::move(d.flight->thrust);
    return d.flight->figures;
}

}  // namespace

TEST(RecordWriter, SavedFormByteForByte) {
    auto fa = std::make_unique<Flight>();
    fa->detail(DetailField::FileDetailName) = "Red, Arrow";
    fa->detail(DetailField::FileDetailNotes) = "first\nsecond";
    fa->BaroAltitude = "512.25";
    fa->units = {.Distance = 1, .Velocity = 2, .Thrust = 0, .Mass = 2};
    auto& s = fa->samples;
    s.SampleCount = 2;
    slotOf(s.aDeltaTime, 1) = 0.04, slotOf(s.aPressure, 1) = 14.7, slotOf(s.aAccel, 1) = 1.0 / 3;
    slotOf(s.aVelocity, 1) = 99.999, slotOf(s.aAltitude, 1) = 0.009, slotOf(s.aThrust, 1) = 150;
    slotOf(s.aDeltaTime, 2) = 1e-05, slotOf(s.aPressure, 2) = 14.65, slotOf(s.aAccel, 2) = -2.5;
    slotOf(s.aVelocity, 2) = 123.4567, slotOf(s.aAltitude, 2) = -3.14159, slotOf(s.aThrust, 2) = 12.3;
    slotOf(s.aAccel, 3) = 7;  // beyond SampleCount: not written

    const std::string expected =
        "FDName\r\nRed, Arrow\r\nFDLocation\r\n\r\nFDDate\r\n\r\nFDCoefDrag\r\n0.6\r\n"
        "FDWeight(g)\r\n16.00\r\nFDPropellantWt(g)\r\n2.0\r\nFDMotorDur\r\n2.0\r\nFDDiameter\r\n2.00\r\n"
        "FDNotes\r\nfirst\r\nsecond\r\nBaroAltitude\r\n512.25\r\nAccelData\r\n"
        "Delta Time,Baro(Psi),Accel(G),Velocity(km/h),Altitude(m),Thrust(N)\r\n"
        "0.04,14.7,0.333333333333333,99.99,0.00,150\r\n"
        "1E-05,14.65,-2.5,123.45,-3.14,12.3\r\n";
    EXPECT_EQ(recordText(*fa), expected);

    std::ostringstream stream;
    writeRecord(stream, *fa);
    EXPECT_EQ(stream.str(), expected);
}

TEST(RecordWriter, KeysAndHeaderFollowTheUnits) {
    auto fa = std::make_unique<Flight>();
    fa->units.Mass = 1;
    fa->units.Thrust = 1;
    const std::string text = recordText(*fa);
    EXPECT_NE(text.find("\r\nFDWeight(lbs)\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nFDPropellantWt(lbs)\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(lbs)\r\n"),
              std::string::npos);
    // SampleCount 1: exactly one sample line after the header.
    EXPECT_EQ(text.substr(text.size() - 15), "\r\n0,0,0,0,0,0\r\n");
}

TEST(RecordWriter, LineBreaksCannotBreakTheFile) {
    auto fa = std::make_unique<Flight>();
    fa->detail(DetailField::FileDetailName) = "x\r\nAccelData";
    fa->detail(DetailField::FileDetailNotes) = "a\rb\r\nc";
    auto back = tarvel::testing::loaded(recordText(*fa));
    EXPECT_EQ(back->detail(DetailField::FileDetailName), "x  AccelData");
    EXPECT_EQ(back->detail(DetailField::FileDetailNotes), "a\r\nb\r\nc");
    EXPECT_EQ(back->detail(DetailField::FileDetailDate), "");
}

TEST(RecordWriter, NotesReadBackAsNotesWhateverTheirLines) {
    struct Case {
        std::string notes, written;
    };
    const Case cases[] = {
        // A line that is a key would end the notes and change the record.
        {"motor\r\nFDMotorDur\r\n0", "motor\r\n\"FDMotorDur\"\r\n0"},
        {"x\r\nAccelData", "x\r\n\"AccelData\""},
        {"x\r\n  FDDate", "x\r\n\"  FDDate\""},
        // Lines in quotes of their own, alone or before a comma.
        {"x\r\n\"AccelData\"", "x\r\n\"\"\"AccelData\"\"\""},
        {"x\r\n\"x\",AccelData", "x\r\n\"\"\"x\"\",AccelData\""},
        {"x\r\n\"FDDate\",x\r\n\"", "x\r\n\"\"\"FDDate\"\",x\"\r\n\"\"\"\""},
        // Commas and blanks at the ends survive in quotes.
        {"a,b\r\nc, d", "a,b\r\n\"c, d\""},
        {"x\r\n  indented\r\n\r\nlast ", "x\r\n\"  indented\"\r\n\r\n\"last \""},
        // The first line is read whole; plain lines stay as typed, quotes inside them too.
        {"FDName\r\nplain text", "FDName\r\nplain text"},
        {"\"a\"\r\nsays \"go\"", "\"a\"\r\nsays \"go\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.notes);
        auto fa = tarvel::testing::loaded(tarvel::testing::downloadedRecord(20));
        fa->detail(DetailField::FileDetailNotes) = c.notes;
        fa->detail(DetailField::txtMotorDuration) = "1.5";
        fa->detail(DetailField::FileDetailDate) = "1 May";
        const std::string text = recordText(*fa);
        EXPECT_NE(text.find("FDNotes\r\n" + c.written + "\r\nBaroAltitude\r\n"), std::string::npos) << text;
        auto back = tarvel::testing::loaded(text);
        EXPECT_EQ(back->detail(DetailField::FileDetailNotes), c.notes);
        EXPECT_EQ(back->detail(DetailField::txtMotorDuration), "1.5");
        EXPECT_EQ(back->detail(DetailField::FileDetailDate), "1 May");
        EXPECT_EQ(back->samples.SampleCount, 20);
    }
}

TEST(RecordWriter, SaveThenOpenGivesTheSameFlight) {
    auto first = tarvel::testing::loaded(tarvel::testing::downloadedRecord(150));
    first->detail(DetailField::FileDetailNotes) = "line one\r\nline two";
    first->detail(DetailField::FileDetailName) = "Scout";
    first->units.Velocity = 3;
    ASSERT_TRUE(derive(*first));

    auto second = tarvel::testing::loaded(recordText(*first));
    EXPECT_EQ(second->details, first->details);
    EXPECT_EQ(second->units.Velocity, 3);
    EXPECT_EQ(second->samples.SampleCount, 150);
    for (int i = 1; i <= 150; ++i) {
        ASSERT_EQ(at(second->samples.aDeltaTime, i), at(first->samples.aDeltaTime, i)) << i;
        ASSERT_EQ(at(second->samples.aPressure, i), at(first->samples.aPressure, i)) << i;
        ASSERT_EQ(at(second->samples.aAccel, i), at(first->samples.aAccel, i)) << i;
    }
    const std::optional<FlightFigures> figures = derive(*second);
    ASSERT_TRUE(figures);
    EXPECT_EQ(second->samples.aVelocity, first->samples.aVelocity);
    EXPECT_EQ(second->samples.aAltitude, first->samples.aAltitude);
    EXPECT_EQ(figures->maxAltitude, derive(*first)->maxAltitude);
}

TEST(ReplaceFileContents, WritesWholeOrLeavesTheOldFile) {
    TempDir dir;
    const fs::path target = dir / "flight.rcd";
    ASSERT_TRUE(replaceFileContents(target.string(), "old\r\n").ok);
    EXPECT_EQ(slurp(target), "old\r\n");
    ASSERT_TRUE(replaceFileContents(target.string(), "new\r\n").ok);
    EXPECT_EQ(slurp(target), "new\r\n");
    EXPECT_EQ(dir.entries(), 1u);  // no temporary file left behind

    const std::string inMissingFolder = (dir / "no-such-folder/x.rcd").string();
    Status missing = replaceFileContents(inMissingFolder, "x");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, "cannot write " + inMissingFolder + ": " + std::strerror(ENOENT));

    Status empty = replaceFileContents("", "x");
    EXPECT_FALSE(empty.ok);

    Status folder = replaceFileContents(dir.path().string(), "x");
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(folder.message, "cannot write " + dir.path().string() + ": " + std::strerror(EISDIR));
}

// Runs `check` as an ordinary user, in a child process. Returns what `check`
// returned, or why it could not run.
std::string asOrdinaryUser(const std::function<std::string()>& check) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const std::string result = suite::testing::becomeOrdinaryUser() ? check() : "still privileged";
        (void)!::write(out[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;) result.append(buffer, size_t(got));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result;
}

TEST(ReplaceFileContents, ReadOnlyTargetAndFolderStayUntouched) {
    TempDir dir;
    const fs::path target = dir / "flight.rcd";
    ASSERT_TRUE(replaceFileContents(target.string(), "keep me").ok);
    // The folder is the writer's own (or anybody's, for the child that is nobody).
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string denied = "cannot write " + target.string() + ": " + std::strerror(EACCES);
    EXPECT_EQ(asOrdinaryUser([&] { return replaceFileContents(target.string(), "overwritten").message; }),
              denied);
    EXPECT_EQ(slurp(target), "keep me");

    fs::permissions(dir.path(), fs::perms::owner_all);
}

TEST(ReplaceFileContents, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
    TempDir dir;
    const fs::path target = dir / "flight.rcd";
    ASSERT_TRUE(replaceFileContents(target.string(), "old contents\r\n").ok);
    fs::permissions(target, fs::perms::all);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    // A write that fails part way (the file-size limit, as a full disk) puts the old content back.
    EXPECT_EQ(asOrdinaryUser([&] {
                  ::signal(SIGXFSZ, SIG_IGN);
                  rlimit small{64, 64};
                  ::setrlimit(RLIMIT_FSIZE, &small);
                  return replaceFileContents(target.string(), std::string(100000, 'x')).message;
              }),
              "cannot write " + target.string() + ": " + std::strerror(EFBIG));
    EXPECT_EQ(slurp(target), "old contents\r\n");
    EXPECT_EQ(asOrdinaryUser([&] { return replaceFileContents(target.string(), "new\r\n").message; }), "");
    EXPECT_EQ(slurp(target), "new\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, written in place
    EXPECT_EQ(dir.entries(), 1u);
    fs::permissions(dir.path(), fs::perms::owner_all);
}

TEST(ReplaceFileContents, NodesThatAreNoFilesAreWrittenInPlace) {
    TempDir dir;
    // A FIFO is fed, not replaced: a reader on the other end gets the bytes.
    const fs::path fifo = dir / "pipe.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = slurp(fifo); });
    const Status fed = replaceFileContents(fifo.string(), "through the pipe\r\n");
    reader.join();
    EXPECT_TRUE(fed.ok) << fed.message;
    EXPECT_EQ(received, "through the pipe\r\n");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A reader that leaves early is a failure to write, not the end of the program.
    std::thread quitter([&] { std::ifstream in(fifo, std::ios::binary); });
    const Status broken = replaceFileContents(fifo.string(), std::string(1 << 20, 'x'));
    quitter.join();
    EXPECT_FALSE(broken.ok);
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A device stays a device; the bytes go where the device sends them.
    const fs::path link = dir / "null.csv";
    fs::create_symlink("/dev/null", link);
    EXPECT_TRUE(replaceFileContents(link.string(), "gone").ok);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(replaceFileContents("/dev/null", "gone").ok);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(dir.entries(), 2u);
}

TEST(ReplaceFileContents, KeepsPermissionsAndFollowsLinks) {
    TempDir dir;
    const fs::path target = dir / "flight.rcd";
    ASSERT_TRUE(replaceFileContents(target.string(), "one").ok);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, dir / "link.rcd");
    ASSERT_TRUE(replaceFileContents((dir / "link.rcd").string(), "two").ok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.rcd"));
    EXPECT_EQ(slurp(target), "two");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ReplaceFileContents, FailureWhileWritingKeepsTheOldFile) {
    TempDir dir;
    const fs::path target = dir / "flight.rcd";
    ASSERT_TRUE(replaceFileContents(target.string(), "old contents\r\n").ok);

    // A file size limit makes the write itself fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Status s = replaceFileContents(target.string(), std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.message, "cannot write " + target.string() + ": " + std::strerror(EFBIG));
    EXPECT_EQ(slurp(target), "old contents\r\n");
    EXPECT_EQ(dir.entries(), 1u);
}
