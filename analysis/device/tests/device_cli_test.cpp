// The command-line verbs against the simulated flight computer.

#include "device_cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "pty_peer.h"
#include "test_support.h"

namespace tarvel::device {
namespace {

using testing::PtyPeer;

struct VerbRun {
    int status;
    std::string out;
    std::string err;
};

VerbRun run(int (*verb)(Declares&, const VerbArgs&, std::ostream&, std::ostream&), VerbArgs args) {
    std::ostringstream out, err;
    int status = verb(testing::library(), args, out, err);
    return {status, out.str(), err.str()};
}

class DeviceCli : public ::testing::Test {
protected:
    testing::ScratchDirectory scratch;
    void SetUp() override { testing::boundApi(); }
};

TEST_F(DeviceCli, DownloadListsTheFiles) {
    PtyPeer peer({testing::smallFlight(4, 1), testing::smallFlight(6, 2)});
    VerbRun r = run(downloadVerb, {"--port", peer.path(), "--prefix", "flight"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Uploaded files: 2\nflight0.rcd\nflight1.rcd\n");
    EXPECT_TRUE(std::filesystem::exists("flight1.rcd"));

    // A second download would replace them: refused unless asked for.
    std::ofstream("flight1.rcd") << "edited";
    PtyPeer again({testing::smallFlight(3, 1)});
    VerbRun refused = run(downloadVerb, {"--port", again.path(), "--prefix", "flight"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("flight0.rcd flight1.rcd;"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--overwrite"), std::string::npos);
    EXPECT_TRUE(again.takeReceived().empty());
    std::ifstream kept("flight1.rcd");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "edited");

    VerbRun replaced = run(downloadVerb, {"--port", again.path(), "--overwrite", "--prefix", "flight"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out, "Uploaded files: 1\nflight0.rcd\n");
    EXPECT_EQ(run(downloadVerb, {"--port", again.path(), "--prefix", "other"}).status, 0);
}

TEST_F(DeviceCli, ConfigReadAndWrite) {
    PtyPeer peer;
    peer.setSetting('v', "fc \xB5\"1\"");  // single-byte text: JSON gets it as UTF-8
    VerbRun read = run(configVerb, {"--port", peer.path(), "read"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out,
              "{\n  \"stage-detect\": \"Launch\",\n  \"version\": \"fc \xC2\xB5\\\"1\\\"\",\n"
              "  \"stage-delay\": \"0.0\",\n  \"main-altitude\": \"600\",\n  \"output\": \"LED\"\n}\n");
    peer.takeReceived();

    // Only the named settings go out, each followed by its read-back.
    VerbRun write = run(configVerb, {"--port", peer.path(), "write", "stage-delay=30", "output=buzzer"});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(peer.takeReceived(), "wt30\rrt\rwz1\rrz\r");
    EXPECT_EQ(write.out, "{\n  \"stage-delay\": \"30\",\n  \"output\": \"Buzzer\"\n}\n");
}

TEST_F(DeviceCli, RefusalsTouchNoPort) {
    struct Case {
        VerbArgs args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"write", "stage-delay=30.01"}, 1, "Invalid Stage Delay: 30.01\nRange: 0.0 to 30.0\n"},
        {{"write", "main-altitude=199"}, 1, "Invalid Main Altitude: 199\nRange: 200 to 3000\n"},
        {{"write", "main-altitude=high"}, 1, "Invalid Main Altitude: high\nRange: 200 to 3000\n"},
        {{"write", "stage-detect=never"}, 2, ""},
        {{"write"}, 2, ""},
        {{"erase"}, 2, ""},
    };
    for (const Case& c : cases) {
        VerbArgs args = {"--port", testing::kMissingPort};
        args.insert(args.end(), c.args.begin(), c.args.end());
        VerbRun r = run(configVerb, args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        if (!c.err.empty()) {
            EXPECT_EQ(r.err, c.err);
        }
    }
    EXPECT_EQ(run(fireVerb, {"--port", "x", "--output", "4"}).status, 2);
    EXPECT_EQ(run(pollVerb, {"--port", "x", "--sensor", "gyro"}).status, 2);
    EXPECT_EQ(run(continuityVerb, {}).status, 2);
}

TEST_F(DeviceCli, MissingPortIsReported) {
    for (auto verb : {downloadVerb, continuityVerb}) {
        VerbRun r = run(verb, {"--port", testing::kMissingPort});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Unable to open communtications port " + testing::kMissingPort + "\n");
    }
}

TEST_F(DeviceCli, NoReplyOrARefusalIsAFailureNeverAValue) {
    fcsim::FaultModes silent, refuse;
    silent.silent = true;
    refuse.refuseWrites = true;
    PtyPeer quiet({}, silent), refusing({}, refuse);
    const std::string notAnswering = "The flight computer on " + quiet.path() + " is not answering.\n";
    struct Case {
        int (*verb)(Declares&, const VerbArgs&, std::ostream&, std::ostream&);
        VerbArgs args;
        std::string err;
    };
    const Case cases[] = {
        {configVerb, {"--port", quiet.path(), "read"}, notAnswering},
        {configVerb, {"--port", quiet.path(), "write", "main-altitude=800"}, notAnswering},
        {pollVerb, {"--port", quiet.path(), "--count", "1"}, notAnswering},
        {continuityVerb, {"--port", quiet.path()}, notAnswering},
        {fireVerb, {"--port", quiet.path(), "--output", "1"}, notAnswering},
        {configVerb,
         {"--port", refusing.path(), "write", "stage-delay=1.5"},
         "The flight computer refused the setting Stage Delay: 1.5\n"},
        {fireVerb,
         {"--port", refusing.path(), "--output", "3"},
         "Output 3: the flight computer did not acknowledge the fire command\n"},
    };
    for (const Case& c : cases) {
        VerbRun r = run(c.verb, c.args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out.find("open"), std::string::npos) << r.out;  // no output taken for open
        EXPECT_EQ(r.out.find("fired"), std::string::npos) << r.out;
    }
}

TEST_F(DeviceCli, PollFireAndContinuity) {
    PtyPeer peer;
    peer.setContinuity({true, false, true});
    VerbRun poll = run(pollVerb, {"--port", peer.path(), "--sensor", "baro", "--count", "2"});
    EXPECT_EQ(poll.status, 0) << poll.err;
    EXPECT_EQ(poll.out.rfind("Real-Time Barometric Values:\n", 0), 0u) << poll.out;
    EXPECT_EQ(std::count(poll.out.begin(), poll.out.end(), '\n'), 3);
    EXPECT_EQ(peer.takeReceived(), "rb\rrb\r");

    // Output 2 is open already; firing a closed one would burn its circuit open.
    VerbRun fire = run(fireVerb, {"--port", peer.path(), "--output", "2"});
    EXPECT_EQ(fire.status, 0) << fire.err;
    EXPECT_EQ(fire.out, "Output 2 fired\n");
    EXPECT_EQ(peer.takeReceived(), "w2\r");

    VerbRun continuity = run(continuityVerb, {"--port", peer.path()});
    EXPECT_EQ(continuity.out,
              "{\n  \"output1\": \"closed\",\n  \"output2\": \"open\",\n  \"output3\": \"closed\"\n}\n");
}

}  // namespace
}  // namespace tarvel::device
