#pragma once
// Temporary folders and whole-file reads for the tests.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/fltport-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    std::string prefix() const { return file("tmprecord"); }
    size_t fileCount() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_path),
                                                 std::filesystem::directory_iterator{}));
    }

private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The downloaded form: header lines, then rows that end in ", " and no final line end.
inline const std::string kRecordHead =
    "AccelData\r\nDelta Time,Baro(Psi),Accel(G),Velocity(mph),Altitude(ft),Thrust(N)";
