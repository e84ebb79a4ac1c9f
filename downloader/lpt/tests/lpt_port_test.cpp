// The port choice, the backends the environment picks, the operation trace and
// the simulated chip's state file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "lpt_settings.h"
#include "ppdev_port.h"
#include "simulated_rig.h"

namespace fs = std::filesystem;
using namespace vx::lpt;

namespace {

struct TempDir {
    TempDir() : path(fs::temp_directory_path() / ("vx-lpt-test-" + std::to_string(getpid()))) {
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char* name) const { return (path / name).string(); }
    fs::path path;
};

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string openError(PortBackend& backend) { return backend.open(1, 0x378, nullptr).error; }

}  // namespace

TEST(LptSettings, AddressTextsDefaultsAndCaptions) {
    struct Case {
        const char* stored;
        const char* text;
    };
    const Case cases[] = {
        {"400", "&H0"},  {"499", "&H0"},     {"500", "&H1F4"},    {"888", "&H378"},         {"1500", "&H5DC"},
        {"1501", "&H0"}, {"&H378", "&H378"}, {"&h3bc", "&H3BC"},  {" 632", "&H278"},        {"", "&H0"},
        {"LPT", "&H0"},  {"&H", "&H0"},      {"888xyz", "&H378"}, {"99999999999999", "&H0"}};
    for (const Case& c : cases) EXPECT_EQ(ReadLptSettings(c.stored, "").addressText, c.text) << c.stored;
    EXPECT_EQ(ReadLptSettings("888", "1").reserve, 1);
    EXPECT_EQ(ReadLptSettings("888", "").reserve, 0);

    // A stored 400 opens the dialog on the family's default.
    const char* defaults[] = {"&H378", "&H278", "&H3BC", "&H268"};
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(dialogAddress(n, ReadLptSettings("400", "").addressText), defaults[n - 1]);
        EXPECT_EQ(dialogAddress(n, "&H27C"), "&H27C");
    }

    EXPECT_EQ(withPortDigit("LPT1:", 3), "LPT3:");
    EXPECT_EQ(captionNumber("LPT4:"), 4);
    EXPECT_EQ(captionNumber("LPT:"), 0);
    EXPECT_EQ(portUnavailableText("LPT2:"), "LPT2 Port unavailable");

    // First start: no stored port writes to LPT1's default, never to port 0.
    EXPECT_EQ(startupPort("", "").caption, "LPT1:");
    EXPECT_EQ(startupPort("", "").address, "888");
    EXPECT_EQ(startupPort("2", "").address, "632");
    EXPECT_EQ(startupPort("3", "&H278").address, "632");
    EXPECT_EQ(startupPort("7", "956").caption, "LPT1:");
}

TEST(LptPort, ReservationFollowsEveryOpen) {
    SimulatedRig rig;
    auto first = rig.port->OpenLPTfile("LPT2:", "&H278", 1);
    EXPECT_TRUE(first.reserved);
    EXPECT_EQ(rig.backend->reservedPort(), 2);
    EXPECT_EQ(rig.port->dataAddress(), 0x278);
    EXPECT_EQ(rig.port->controlAddress(), 0x27A);

    rig.port->OpenLPTfile("LPT3:", "956", 1);
    EXPECT_EQ(rig.backend->reservedPort(), 3) << "the earlier reservation is given up";

    const auto off = rig.port->OpenLPTfile("LPT3:", "956", 0);
    EXPECT_FALSE(off.reserved);
    EXPECT_TRUE(off.error.empty());
    EXPECT_FALSE(rig.port->reserved());
    EXPECT_EQ(rig.backend->reservedPort(), 0);

    // Commands work with and without the reservation.
    EXPECT_TRUE(rig.programmer.RunChip());
    rig.port->OpenLPTfile("LPT3:", "956", 1);
    EXPECT_TRUE(rig.programmer.StopChip());
}

TEST(LptPort, BackendsThatCannotBeHadSayWhatIsMissing) {
    struct Case {
        PortEnvironment environment;
        const char* mentions;
    };
    const Case cases[] = {
        {{"parallel", "", "", ""}, "ppdev, dlportio or simulated"},
        {{"dlportio", "", "", ""}, "Windows"},
        {{"simulated", "", "loud", ""}, "busy, bad-page[:OFFSET] or bad-setup"},
        {{"simulated", "", "bad-page:x", ""}, "offset"},
        {{"simulated", "/nonexistent-dir/trace.txt", "", ""}, "VXOEM_LPT_TRACE"},
    };
    for (const Case& c : cases) {
        auto backend = makePortBackend(c.environment);
        const std::string error = openError(*backend);
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
        EXPECT_EQ(backend->reserve(1).value, nullptr);
    }
    EXPECT_EQ(makePortBackend({}).get()->name(), "ppdev");
    EXPECT_EQ(makePortBackend({"simulated", "", "busy,bad-setup", ""})->name(), "simulated");

    // The message box of a failed command carries the reason.
    ParallelPort port(makePortBackend({"dlportio", "", "", ""}));
    port.OpenLPTfile("LPT1:", "888", 0);
    ClockTimeout timeout(steadyClockMs);
    std::vector<Message> messages;
    Qm10Programmer programmer(port, timeout, {{}, {}, [&](const Message& m) { messages.push_back(m); }});
    EXPECT_FALSE(programmer.ResetChip());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Port ERROR");
    EXPECT_NE(messages[0].text.find("dlportio.dll"), std::string::npos);
}

TEST(LptPort, MissingParallelDeviceNamesTheDriver) {
    if (fs::exists(ppdevPath(4))) GTEST_SKIP() << ppdevPath(4) << " exists here";
    auto backend = ppdevBackend();
    const std::string error = backend->open(4, 0x268, nullptr).error;
    EXPECT_NE(error.find("/dev/parport3"), std::string::npos) << error;
    EXPECT_NE(error.find("modprobe ppdev"), std::string::npos) << error;
    EXPECT_NE(backend->reserve(4).error.find("/dev/parport3"), std::string::npos);
}

TEST(LptPort, TraceHasOneLinePerOperationInOrder) {
    TempDir dir;
    const std::string tracePath = dir.file("trace.txt");
    {
        SimulatedPortOptions options;
        options.sleep = [](int) {};
        ParallelPort port(tracingBackend(simulatedBackend(options), std::fopen(tracePath.c_str(), "w")));
        port.OpenLPTfile("LPT1:", "888", 0);
        ClockTimeout timeout(steadyClockMs);
        Qm10Programmer programmer(port, timeout, {});
        PortSession session(port);
        ASSERT_TRUE(programmer.ChipSetupCheck());
    }
    std::istringstream lines(readFile(tracePath));
    std::vector<std::string> trace;
    for (std::string line; std::getline(lines, line);) trace.push_back(line);

    std::vector<std::string> expected;
    const auto repeat = [&](const std::string& line, int times) {
        expected.insert(expected.end(), times, line);
    };
    repeat("W 378 8F", 6), repeat("W 37A 04", 6), repeat("S 20", 1);
    repeat("W 378 1F", 6), repeat("S 20", 5);
    repeat("W 378 9F", 6), repeat("S 20", 1);
    repeat("W 378 1F", 6), repeat("S 20", 4);
    // 0x47, most significant bit first: data, clock up, status read, clock down.
    uint8_t shadow = 0x1F;
    for (int bit = 7; bit >= 0; --bit) {
        shadow = (0x47 >> bit) & 1 ? (shadow | 0x40) : (shadow & ~0x40);
        char line[16];
        std::snprintf(line, sizeof line, "W 378 %02X", shadow), expected.push_back(line);
        std::snprintf(line, sizeof line, "W 378 %02X", shadow | 0x20), expected.push_back(line);
        expected.push_back((0x47 >> bit) & 1 ? "R 379 20" : "R 379 00");
        std::snprintf(line, sizeof line, "W 378 %02X", shadow), expected.push_back(line);
    }
    EXPECT_EQ(trace, expected);
}

TEST(LptPort, StateFileKeepsWhatWasFlashedAndIsNeverLostToABadLoad) {
    TempDir dir;
    const std::string statePath = dir.file("qm10.txt");
    const std::string flashed = "Hello, QM-10! This program is 40 bytes..";
    {
        SimulatedRig rig({}, statePath);
        vx::lpt::HeaderBlock header{};
        rig.programmer.Download(flashed, header);
    }
    const std::string saved = readFile(statePath);
    EXPECT_NE(saved.find("eeprom-status 0C\n"), std::string::npos);
    EXPECT_NE(saved.find("eeprom 0000 48 65 6C 6C 6F"), std::string::npos) << saved;
    EXPECT_NE(saved.find("|Hello, QM-10!"), std::string::npos);
    EXPECT_NE(saved.find("internal 0000 00 04 00"), std::string::npos) << "the configuration block";
    EXPECT_FALSE(fs::exists(statePath + ".tmp"));
    {
        SimulatedRig rig({}, statePath);
        const auto& eeprom = rig.chip().eeprom();
        EXPECT_EQ(std::string(eeprom.begin(), eeprom.begin() + 40), flashed);
        EXPECT_EQ(rig.chip().eepromStatus(), 0x0C);
        EXPECT_EQ(rig.chip().internalMemory()[31], 0xFF);
        EXPECT_EQ(rig.chip().internalMemory()[1], 0x04);
    }
    const std::string broken = "eeprom-status 0C\neeprom 0000 41 42\neeprom 0020 4G\n";
    std::ofstream(statePath) << broken;
    {
        SimulatedRig rig({}, statePath);
        EXPECT_TRUE(rig.messages.empty());
        EXPECT_FALSE(rig.programmer.RunChip());
        ASSERT_EQ(rig.messages.size(), 1u);
        EXPECT_NE(rig.messages[0].text.find("line 3"), std::string::npos) << rig.messages[0].text;
    }
    EXPECT_EQ(readFile(statePath), broken) << "a file that did not load is not written over";
}
