#pragma once
// The analysis program's settings file "TarvelGraph.ini": two CR LF lines,
// "ComPort" and the port name. Widgets never touch the file themselves.

#include <optional>
#include <string>

#include "flight_analysis.h"

namespace tarvel {

class TarvelSettings {
public:
    static constexpr const char* kFileName = "TarvelGraph.ini";
    // The longest port name the file keeps; the port dialog takes no longer one.
    static constexpr int kMaxPortChars = 64;

    // `folder` empty means the process's current directory, where the file
    // has always lived; tests point it at a temporary folder.
    explicit TarvelSettings(std::string folder = {});

    std::string filePath() const;
    // The saved port, or nothing for a missing, unreadable or foreign file.
    std::optional<std::string> readPort() const;
    // Rewrites the whole file, never a FIFO or a device in its place; on
    // failure the file and the system's text for the error.
    Status writePort(const std::string& port) const;

private:
    std::string m_folder;
};

}  // namespace tarvel
