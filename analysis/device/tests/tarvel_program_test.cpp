// The `tarvel` program's device verbs against the fcsim program, both run as
// a user runs them: separate processes joined by a pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codec/raw_flight.h"
#include "fcsim_process.h"
#include "pty_peer.h"
#include "test_support.h"

namespace tarvel::device {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
};

// `shellSetup` runs first in the same shell, e.g. to limit what the program may do.
ProgramRun runTarvel(const std::string& arguments, const std::string& shellSetup = "") {
    ProgramRun run;
    FILE* pipe = popen((shellSetup + " exec " + TARVEL_PROGRAM + " " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(TarvelProgram, DownloadsAndConfiguresTheSimulator) {
    testing::ScratchDirectory scratch;
    std::ofstream("flights.txt") << fltport::formatRawFlights({testing::smallFlight(9, 1), testing::smallFlight(4, 2)});
    fcsim::FcsimProcess simulator({"flights.txt"});
    ASSERT_TRUE(simulator.started());
    const std::string port = "--port " + simulator.path();

    ProgramRun download = runTarvel("download " + port);
    EXPECT_EQ(download.status, 0) << download.out;
    EXPECT_EQ(download.out, "Uploaded files: 2\ntmprecord0.rcd\ntmprecord1.rcd\n");

    ProgramRun write = runTarvel("config " + port + " write main-altitude=2999 output=led");
    EXPECT_EQ(write.status, 0) << write.out;
    EXPECT_EQ(write.out, "{\n  \"main-altitude\": \"2999\",\n  \"output\": \"LED\"\n}\n");
}

TEST(TarvelProgram, APathThatIsNoSerialLineIsRefusedUntouched) {
    testing::ScratchDirectory scratch;
    std::ofstream("notes.txt") << "launch notes\n";
    ProgramRun run = runTarvel("config --port ./notes.txt write stage-delay=1.5");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "Unable to open communtications port ./notes.txt\n");
    std::ifstream in("notes.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "launch notes\n");
}

TEST(TarvelProgram, ALineThatNeverGoesQuietIsNoPort) {
    // A silent flight computer behind noise that holds a "+": nothing may read as fired.
    fcsim::FcsimProcess noisy({"--fault", "silent", "--chatter", "60000"});
    ASSERT_TRUE(noisy.started());
    ProgramRun fire = runTarvel("fire --output 3 --port " + noisy.path());
    EXPECT_EQ(fire.status, 1);
    EXPECT_EQ(fire.out, "Unable to open communtications port " + noisy.path() + "\n");
}

TEST(TarvelProgram, ARecordFileCutShortFailsTheDownloadAndIsNamed) {
    testing::ScratchDirectory scratch;
    std::ofstream("flights.txt") << fltport::formatRawFlights(
        {testing::smallFlight(3, 1), testing::smallFlight(300, 2), testing::smallFlight(3, 3)});
    fcsim::FcsimProcess simulator({"flights.txt"});
    ASSERT_TRUE(simulator.started());
    // Files of at most 4 blocks: writing past that fails instead of killing the program.
    ProgramRun download = runTarvel("download --port " + simulator.path(), "ulimit -f 4;");
    EXPECT_EQ(download.status, 1);
    EXPECT_EQ(download.out,
              "Uploaded files: 1\ntmprecord0.rcd\n"
              "The download did not complete: tmprecord1-partial.rcd holds only part of a flight.\n");
    EXPECT_FALSE(std::filesystem::exists("tmprecord2.rcd"));
}

}  // namespace
}  // namespace tarvel::device
