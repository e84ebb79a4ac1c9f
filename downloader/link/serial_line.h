#pragma once
// The serial line the chip link talks through: the few things it needs of a
// port, so the protocol runs over a real port, a pseudo-terminal or memory.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

using Bytes = std::vector<uint8_t>;

class SerialLine {
public:
    virtual ~SerialLine() = default;
    // Opens the device at 115200 baud, 8N1, with 4096-byte buffers.
    virtual bool open(const std::string& device) = 0;
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open failed, in the system's words ("Permission denied").
    virtual std::string openError() const { return {}; }
    // A line that cannot drive DTR (a pseudo-terminal) ignores this.
    virtual void setDtr(bool on) = 0;
    virtual void write(std::span<const uint8_t> bytes) = 0;
    virtual size_t bytesAvailable() = 0;
    virtual size_t bytesToWrite() = 0;  // still waiting to leave the host
    virtual Bytes readAll() = 0;
    virtual void clearInput() = 0;
};

// The system device of a port number: COMn on Windows, /dev/ttyS(n-1)
// elsewhere; empty for numbers below 1.
std::string defaultPortDevice(int port);

}  // namespace vx
