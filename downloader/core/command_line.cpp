#include "command_line.h"

namespace vxoem {

std::vector<std::string> GetCommandLine(const std::string& commandLine, int maxArgs) {
    std::vector<std::string> args;
    std::string current;
    for (char c : commandLine) {
        if (c == ' ' || c == '\t') {
            if (!current.empty()) {
                if (int(args.size()) >= maxArgs) return args;
                args.push_back(std::move(current));
                current.clear();
            }
        } else {
            current += c;
        }
    }
    if (!current.empty() && int(args.size()) < maxArgs) args.push_back(std::move(current));
    return args;
}

std::string joinArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const auto& argument : arguments) {
        if (!text.empty()) text += ' ';
        text += argument;
    }
    return text;
}

}  // namespace vxoem
