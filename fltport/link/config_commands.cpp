#include "link/config_commands.h"

#include <array>

#include "codec/sample_codec.h"

namespace fltport {
namespace {

std::string readReply(Transport& port) {
    std::array<uint8_t, kReplyBytes> reply{};
    const size_t got = port.read(reply.data(), reply.size());
    return std::string(reply.begin(), reply.begin() + static_cast<long>(got));
}

}  // namespace

std::string readConfig(Transport& port, uint8_t index) {
    const uint8_t command[] = {'r', index, kCarriageReturn};
    port.write(command, sizeof command);
    std::string reply = readReply(port);
    reply.resize(reply.size() < 2 ? 0 : reply.size() - 2);
    return reply;
}

std::string writeConfig(Transport& port, uint8_t index, std::string_view value) {
    if (value.size() > kMaxValueChars) return {};
    // Two writes, command then value: the exchange stays byte for byte what
    // deployed flight computers have always been sent.
    const uint8_t command[] = {'w', index};
    port.write(command, sizeof command);
    std::string line(value);
    line += static_cast<char>(kCarriageReturn);
    port.write(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    return readReply(port);
}

}  // namespace fltport
