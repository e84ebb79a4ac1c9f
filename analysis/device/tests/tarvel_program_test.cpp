// The `tarvel` program's device verbs against the fcsim program, both run as
// a user runs them: separate processes joined by a pseudo-terminal.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

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

ProgramRun runTarvel(const std::string& arguments) {
    ProgramRun run;
    FILE* pipe = popen((std::string(TARVEL_PROGRAM) + " " + arguments + " 2>&1").c_str(), "r");
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

}  // namespace
}  // namespace tarvel::device
