#include "tarvel_settings.h"

#include <sstream>

#include "record_reader.h"
#include "record_writer.h"

namespace tarvel {

namespace {
std::string stripLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}
}  // namespace

TarvelSettings::TarvelSettings(std::string folder) : m_folder(std::move(folder)) {}

std::string TarvelSettings::filePath() const {
    if (m_folder.empty()) return kFileName;
    return m_folder + "/" + kFileName;
}

std::optional<std::string> TarvelSettings::readPort() const {
    // Far more than the two lines can hold: anything larger is no settings file.
    constexpr size_t kMaxFileBytes = 4096;
    std::string bytes;
    if (!readSmallRegularFile(filePath(), kMaxFileBytes, bytes).ok) return std::nullopt;
    std::istringstream in(bytes);
    std::string key, port;
    if (!std::getline(in, key) || stripLineEnd(key) != "ComPort" || !std::getline(in, port))
        return std::nullopt;
    port = stripLineEnd(port);
    if (port.empty() || port.size() > static_cast<size_t>(kMaxPortChars)) return std::nullopt;
    return port;
}

Status TarvelSettings::writePort(const std::string& port) const {
    return writeSettingsFile(filePath(), "ComPort\r\n" + port + "\r\n");
}

}  // namespace tarvel
