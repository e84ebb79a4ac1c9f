// port_check: runs one session of the serial-link library against a flight
// computer simulator that the caller has started, and writes what every call
// returned to transcript.txt in the current folder; downloads land there too.
// The same source is built for Linux and for Windows, so the two builds of the
// library can be run against the same simulator and their folders compared
// byte for byte. Timings differ between systems and are checked here instead:
// exit status 1 when one is out of bounds or a call gave what no build may give.
//
//   port_check SESSION PORT
//
// SESSION: config, download, silent, fault, chatter, absent, hangup, cancel (see kSessions).

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "fltport.h"

namespace {

using Clock = std::chrono::steady_clock;

// The read time-out of the port, and how late a call may end on a busy machine.
constexpr long kReadTimeoutMs = 300;
constexpr long kSlackMs = 1200;

class Session {
public:
    explicit Session(std::string port)
        : m_port(std::move(port)), m_transcript("transcript.txt", std::ios::binary) {}

    bool failed() const { return m_failed; }

    // Texts go out with their control bytes visible, so a line end is never mistaken for another.
    void record(const std::string& call, int32_t status, const char* text = nullptr) {
        std::string line = call + " = " + std::to_string(status);
        if (text) line += " \"" + visible(text) + "\"";
        m_transcript << line << '\n';
        m_transcript.flush();
    }

    // Runs `call` and fails the session when it took less than `atLeast` or more than `atMost` ms.
    void timed(const char* what, long atLeast, long atMost, const std::function<void()>& call) {
        const auto start = Clock::now();
        call();
        const long took = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        std::fprintf(stderr, "port_check: %s took %ld ms\n", what, took);
        if (took < atLeast || took > atMost) {
            std::fprintf(stderr, "port_check: FAILED: %s took %ld ms, expected %ld to %ld ms\n", what, took,
                         atLeast, atMost);
            m_failed = true;
        }
    }

    void expect(bool condition, const char* what) {
        if (condition) return;
        std::fprintf(stderr, "port_check: FAILED: %s\n", what);
        m_failed = true;
    }

    int32_t open() {
        const int32_t status = InitComport(m_port.c_str());
        record("InitComport", status);
        return status;
    }

    void close() { record("CloseComport", CloseComport()); }

    std::string read(char index) {
        char reply[32];
        std::memset(reply, ' ', sizeof reply);  // the window passes a field of spaces
        reply[sizeof reply - 1] = '\0';
        const int32_t status = ReadConfigCommand(index, reply);
        record(std::string("ReadConfigCommand ") + index, status, reply);
        return reply;
    }

    std::string write(char index, const char* value, int32_t length) {
        char field[32];
        std::memset(field, ' ', sizeof field);
        field[sizeof field - 1] = '\0';
        std::memcpy(field, value, std::strlen(value));
        const int32_t status = WriteConfigCommand(index, field, length);
        record(std::string("WriteConfigCommand ") + index + " " + value, status, field);
        return field;
    }

    int32_t upload() {
        int32_t count = -1;
        const int32_t status = StartUpload("tmprecord", &count);
        record("StartUpload", status, ("flights " + std::to_string(count)).c_str());
        return status;
    }

private:
    static std::string visible(const std::string& text) {
        std::string out;
        for (const unsigned char c : text) {
            if (c == '\r') {
                out += "\\r";
            } else if (c == '\n') {
                out += "\\n";
            } else if (c < 0x20 || c >= 0x7f) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
        return out;
    }

    std::string m_port;
    std::ofstream m_transcript;
    bool m_failed = false;
};

// Settings, a rejected value, continuity and a fire, as the configuration window does them.
void configSession(Session& s) {
    // Opening waits for 300 ms of quiet on the line.
    s.timed("InitComport", kReadTimeoutMs - 20, kReadTimeoutMs + kSlackMs, [&] { s.open(); });
    for (const char index : {'g', 'v', 't', 'm', 'z'}) s.read(index);
    s.write('t', "1.5", 3);
    s.read('t');
    s.write('m', "3001", 4);
    for (const char index : {'1', '2', '3'}) s.read(index);
    char fire[21] = {};  // the Fire buttons pass a field of zero bytes with length 1
    const int32_t status = WriteConfigCommand('2', fire, 1);
    s.record("WriteConfigCommand 2 fire", status, fire);
    s.close();
}

void downloadSession(Session& s) {
    s.open();
    s.timed("StartUpload", 0, 60000, [&] { s.upload(); });
    s.close();
}

// A device that never answers: every call ends after the read time-out, none hangs.
void silentSession(Session& s) {
    s.open();
    s.timed("ReadConfigCommand on a silent line", kReadTimeoutMs - 20, kReadTimeoutMs + kSlackMs,
            [&] { s.expect(s.read('v').empty(), "a silent device gives an empty reply"); });
    s.timed("StartUpload on a silent line", kReadTimeoutMs - 20, 3 * kReadTimeoutMs + kSlackMs,
            [&] { s.expect(s.upload() == 0, "a silent device fails the upload"); });
    s.close();
}

// A download that goes wrong on the device's side; afterwards the port opens again and commands work.
void faultSession(Session& s) {
    s.open();
    s.timed("StartUpload with a faulty device", 0, 60000, [&] { s.upload(); });
    s.close();
    s.open();
    s.read('m');
    s.close();
}

// A device that talks on its own when the port opens: the opening drain swallows it all.
void chatterSession(Session& s) {
    s.timed("InitComport with chatter", kReadTimeoutMs - 20, 5000, [&] { s.open(); });
    s.read('m');
    s.close();
}

// No serial line behind the name (nothing, or a plain file): the open fails and
// the calls after it fail at once.
void absentSession(Session& s) {
    s.expect(s.open() == 0, "a port that does not exist does not open");
    s.timed("calls without an open port", 0, kSlackMs, [&] {
        s.read('v');
        s.upload();
    });
    s.close();
}

// Waits for `name` to appear in the current folder; false after `seconds`.
bool waitForFile(const char* name, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (std::ifstream(name).good()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// The simulator goes away while the port is open: the caller stops it after
// "opened" appears and answers with "hung-up". Every call then ends within a
// read time-out, with nothing.
void hangupSession(Session& s) {
    s.open();
    s.read('m');
    std::ofstream("opened", std::ios::binary);
    if (!waitForFile("hung-up", 20)) {
        s.expect(false, "the simulator was stopped");
        return;
    }
    s.timed("ReadConfigCommand on a hung-up line", 0, kReadTimeoutMs + kSlackMs,
            [&] { s.expect(s.read('m').empty(), "a hung-up line gives an empty reply"); });
    s.timed("StartUpload on a hung-up line", 0, 3 * kReadTimeoutMs + kSlackMs,
            [&] { s.expect(s.upload() == 0, "a hung-up line fails the upload"); });
    s.close();
}

// CancelUpload from another thread while a paced download runs: StartUpload
// gives up within a second, with nothing counted of the flight it was on.
void cancelSession(Session& s) {
    s.open();
    int32_t status = -1;
    std::thread upload([&] { status = s.upload(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));  // the drain, then part of the flight
    s.record("CancelUpload", CancelUpload());
    s.timed("StartUpload after CancelUpload", 0, 1000, [&] { upload.join(); });
    s.expect(status == 0, "a cancelled upload fails");
    s.close();
}

struct SessionEntry {
    const char* name;
    void (*run)(Session&);
};

constexpr SessionEntry kSessions[] = {
    {"config", configSession}, {"download", downloadSession}, {"silent", silentSession},
    {"fault", faultSession},   {"chatter", chatterSession},   {"absent", absentSession},
    {"hangup", hangupSession}, {"cancel", cancelSession},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: port_check config|download|silent|fault|chatter|absent|hangup|cancel PORT\n");
        return 2;
    }
    for (const SessionEntry& entry : kSessions) {
        if (std::strcmp(entry.name, argv[1]) != 0) continue;
        Session session(argv[2]);
        entry.run(session);
        return session.failed() ? 1 : 0;
    }
    std::fprintf(stderr, "port_check: unknown session %s\n", argv[1]);
    return 2;
}
