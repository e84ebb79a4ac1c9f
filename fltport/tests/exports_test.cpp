// The C interface without a device: argument checks, the text functions and
// the closed port.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "fltport.h"
#include "test_files.h"

namespace {

struct Field {
    char text[32];
    explicit Field(const char* initial = "") {
        std::memset(text, ' ', sizeof text);
        std::memcpy(text, initial, std::strlen(initial) + 1);
    }
};

}  // namespace

TEST(Exports, TextArithmetic) {
    Field velocity("0");
    EXPECT_EQ(ConvertAcceltoVel("0.01000", velocity.text, "1"), 1);
    EXPECT_STREQ(velocity.text, "0.2193873");
    Field distance(" 0 ");
    EXPECT_EQ(ConvertVeltoDist("0.01000", distance.text, velocity.text), 1);
    EXPECT_STREQ(distance.text, "3.21768e-003");

    Field a("1"), b("2"), c("3");
    EXPECT_EQ(ConvertVelAcceltoHP(a.text, b.text, c.text), 1);
    EXPECT_STREQ(a.text, "1");
    EXPECT_STREQ(b.text, "2");
    EXPECT_STREQ(c.text, "3");

    Field garbage("x");
    EXPECT_EQ(ConvertAcceltoVel("step", garbage.text, "accel"), 1);  // no number reads as 0
    EXPECT_STREQ(garbage.text, "0.");
    EXPECT_EQ(ConvertAcceltoVel(nullptr, nullptr, nullptr), 1);
}

TEST(Exports, ClosedPortActsLikeASilentDevice) {
    EXPECT_EQ(InitComport("/dev/fltport-no-such-port"), 0);
    EXPECT_EQ(InitComport("COM250"), 0);
    EXPECT_EQ(InitComport(nullptr), 0);
    EXPECT_EQ(CloseComport(), 1);
    EXPECT_EQ(CloseComport(), 1);

    const auto start = std::chrono::steady_clock::now();
    Field reply("stale");
    EXPECT_EQ(ReadConfigCommand('m', reply.text), 1);
    EXPECT_STREQ(reply.text, "");

    struct Case {
        int32_t length;
        const char* value;
    } writes[] = {{3, "1.5       "}, {0, "600"}, {-1, "600"}, {19, "1234567890123456789"}, {1000, "600"}};
    for (const auto& w : writes) {
        Field value(w.value);
        EXPECT_EQ(WriteConfigCommand('t', value.text, w.length), 1);
        EXPECT_STREQ(value.text, "") << w.length;  // nothing acknowledged, nothing written past the field
        EXPECT_EQ(value.text[30], ' ');
    }
    EXPECT_EQ(WriteConfigCommand('t', nullptr, 3), 1);

    TempDir dir;
    int32_t count = 7;
    EXPECT_EQ(StartUpload(dir.prefix().c_str(), &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(dir.fileCount(), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST(Exports, UploadRefusesBadArguments) {
    int32_t count = 5;
    const std::string longPrefix(51, 'p');
    EXPECT_EQ(StartUpload(longPrefix.c_str(), &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(StartUpload(nullptr, &count), 0);
    EXPECT_EQ(StartUpload("tmprecord", nullptr), 0);
}
