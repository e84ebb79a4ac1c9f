#include "ini_file.h"

#include <algorithm>
#include <fstream>

namespace vxoem {
namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// One line without its end, whether the file was written with CR LF or LF.
bool nextLine(std::ifstream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    const std::string wantedSection = lowered(section);
    const std::string wantedKey = lowered(key);

    std::string line;
    while (nextLine(in, line)) {
        const std::string header = lowered(trimmed(line));
        const auto open = header.find('[');
        if (open == std::string::npos) continue;
        // The name runs from after the first "[" to before the line's last character.
        const std::string name =
            open + 1 < header.size() ? header.substr(open + 1, header.size() - open - 2) : "";
        if (name != wantedSection) continue;

        while (nextLine(in, line)) {
            const std::string entry = trimmed(line);
            if (entry.find(']') != std::string::npos) return {};
            const auto equals = entry.find('=');
            if (equals == std::string::npos) continue;
            if (lowered(entry.substr(0, equals)) == wantedKey) return trimmed(entry.substr(equals + 1));
        }
        return {};
    }
    return {};
}

}  // namespace vxoem
