// The `tarvel` program's device verbs against the fcsim program, both run as
// a user runs them: separate processes joined by a pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "codec/raw_flight.h"
#include "fcsim_process.h"
#include "flight_analysis.h"
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
    std::ofstream("flights.txt") << fltport::formatRawFlights(
        {testing::smallFlight(9, 1), testing::smallFlight(4, 2)});
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

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TarvelProgram, CtrlCOrSigtermStopsAnOverwritingDownloadAndKeepsEveryCompleteFile) {
    testing::ScratchDirectory scratch;
    std::ofstream("flights.txt") << fltport::formatRawFlights(
        {testing::smallFlight(5, 1), testing::smallFlight(600, 2)});
    for (const char* signal : {"INT", "TERM"}) {
        SCOPED_TRACE(signal);
        // An earlier complete download of the same names.
        std::ofstream("tmprecord0.rcd", std::ios::trunc) << "earlier flight 0";
        std::ofstream("tmprecord1.rcd", std::ios::trunc) << "earlier flight 1";
        std::filesystem::remove("tmprecord1-partial.rcd");
        fcsim::FcsimProcess simulator({"--pace", "flights.txt"});  // the second flight takes about 6 s
        ASSERT_TRUE(simulator.started());
        // Stopped once the second flight is on its way; the program must end within a second.
        const std::string script =
            std::string(TARVEL_PROGRAM) + " download --overwrite --port " + simulator.path() +
            " & pid=$!; while ! ls tmprecord.download-*/tmprecord1-partial.rcd >/dev/null 2>&1; do sleep "
            "0.05; done;"
            " kill -" +
            signal +
            " $pid; start=$(date +%s%N); wait $pid; status=$?;"
            " echo \"status $status after $(( ($(date +%s%N) - start) / 1000000 )) ms\"";
        FILE* pipe = popen(("sh -c '" + script + "' 2>&1").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);

        EXPECT_NE(out.find("Uploaded files: 1\ntmprecord0.rcd\n"), std::string::npos) << out;
        EXPECT_NE(out.find("The download was stopped before its end"), std::string::npos) << out;
        EXPECT_NE(out.find("tmprecord1-partial.rcd holds only part of a flight."), std::string::npos) << out;
        const size_t at = out.find("status 1 after ");
        ASSERT_NE(at, std::string::npos) << out;
        EXPECT_LT(std::stoi(out.substr(at + 15)), 1000) << out;
        EXPECT_EQ(fileText("tmprecord1.rcd"), "earlier flight 1");  // never cut to part of a flight
        EXPECT_NE(fileText("tmprecord0.rcd"), "earlier flight 0");  // replaced whole, as agreed
        EXPECT_EQ(fileText("tmprecord1-partial.rcd").rfind("AccelData\r\n", 0), 0u);  // what arrived of it
    }
}

TEST(TarvelProgram, TwoDownloadsIntoOneFolderNeverReplaceEachOthersFiles) {
    testing::ScratchDirectory scratch;
    std::ofstream("a.txt") << fltport::formatRawFlights(
        {testing::smallFlight(40, 1), testing::smallFlight(41, 2)});
    std::ofstream("b.txt") << fltport::formatRawFlights(
        {testing::smallFlight(50, 3), testing::smallFlight(51, 4)});
    fcsim::FcsimProcess a({"--pace", "a.txt"}), b({"--pace", "b.txt"});
    ASSERT_TRUE(a.started() && b.started());
    // Both find the names free at their start; whichever finishes second must not take them.
    ProgramRun both = runTarvel("download --port " + a.path() + " > a.out 2>&1 & " + TARVEL_PROGRAM +
                                    " download --port " + b.path() + " > b.out 2>&1; wait",
                                "");
    const std::string outA = fileText("a.out"), outB = fileText("b.out");
    const std::string all = outA + outB;
    for (const char* name : {"tmprecord0.rcd", "tmprecord1.rcd"}) {
        // Each name written by exactly one of them, the other's flight kept aside and named.
        const std::string line = "\n" + std::string(name) + "\n";
        EXPECT_EQ(("\n" + outA).find(line) != std::string::npos,
                  ("\n" + outB).find(line) == std::string::npos)
            << all;
        EXPECT_NE(
            all.find(std::string(name) + " exists and was not replaced: this download's file is kept as "),
            std::string::npos)
            << all;
    }
    // The files in place are whole flights of one flight computer each.
    auto fa = std::make_unique<FlightAnalysis>();
    for (const char* name : {"tmprecord0.rcd", "tmprecord1.rcd"}) {
        bool opened = false;  // flights this short open with a note that they have no figures
        fa->openRecordFile(name, &opened);
        ASSERT_TRUE(opened) << name;
        EXPECT_TRUE(fa->samples.SampleCount == 40 || fa->samples.SampleCount == 41 ||
                    fa->samples.SampleCount == 50 || fa->samples.SampleCount == 51)
            << name;
    }
}

TEST(TarvelProgram, DownloadFailuresNameTheirCause) {
    testing::ScratchDirectory scratch;
    std::ofstream("flights.txt") << fltport::formatRawFlights(
        {testing::smallFlight(5, 1), testing::smallFlight(6, 2)});
    {
        fcsim::FcsimProcess simulator({"--log", "host.bin", "flights.txt"});
        ASSERT_TRUE(simulator.started());
        ProgramRun missing = runTarvel("download --prefix nowhere/flight --port " + simulator.path());
        EXPECT_EQ(missing.status, 1);
        EXPECT_EQ(missing.out, "Record files cannot be written in nowhere: No such file or directory.\n");
        simulator.stop();
        EXPECT_EQ(fileText("host.bin"), "");  // the port was left alone
    }
    {
        fcsim::FcsimProcess simulator({"--fault", "silent"});
        ASSERT_TRUE(simulator.started());
        ProgramRun silent = runTarvel("download --prefix quiet --port " + simulator.path());
        EXPECT_EQ(silent.status, 1);
        EXPECT_EQ(silent.out,
                  "Uploaded files: 0\nThe flight computer on " + simulator.path() + " did not answer.\n");
    }
}

}  // namespace
}  // namespace tarvel::device
