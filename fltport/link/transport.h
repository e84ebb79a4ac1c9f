#pragma once
// The byte stream the protocol talks through: the serial port in the library,
// an in-memory peer in unit tests. Time-outs belong to the transport; the
// protocol only sees how many bytes a read brought.

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace fltport {

// Time-outs of the serial line in milliseconds. A read of n bytes returns
// when n bytes have arrived or after kReadTotalMs in total; a write of n bytes
// gives up after kWriteConstantMs + kWritePerByteMs * n.
inline constexpr int kReadTotalMs = 300;
inline constexpr int kWriteConstantMs = 1000;
inline constexpr int kWritePerByteMs = 500;
// Longest a drain keeps reading, a little more than 4096 bytes take at 19200
// baud: a slow but endless talker is given up on too.
inline constexpr int kDrainMaxMs = 2500;
// Longest a read waits on the line before it looks at the cancel request again.
inline constexpr int kCancelCheckMs = 50;

// The process-wide request to stop a running download (CancelUpload). Lock-free,
// so another thread or a signal handler may set it.
std::atomic<bool>& cancelRequest();
inline bool cancelRequested() { return cancelRequest().load(std::memory_order_relaxed); }

class Transport {
public:
    virtual ~Transport() = default;
    // Returns the number of bytes read: fewer than `count` when the line stayed
    // quiet, hung up, or a cancel was requested while waiting.
    virtual size_t read(uint8_t* buffer, size_t count) = 0;
    // Returns the number of bytes written.
    virtual size_t write(const uint8_t* data, size_t count) = 0;

    // Reads and discards single bytes until a read finds the line quiet, so an
    // idle line costs one read time-out. A device that never stops talking is
    // given up on after `limit` bytes or kDrainMaxMs: false, since whatever
    // comes next cannot be told from that noise.
    bool drain(size_t limit);

    // True once the line has hung up or failed for good (the device closed it,
    // the cable or adapter went away): a short read then is no quiet line.
    bool hungUp() const { return m_hungUp; }

protected:
    void setHungUp() { m_hungUp = true; }

private:
    bool m_hungUp = false;
};

// The port slot while no port is open: every call fails at once, which the
// protocol sees as a silent flight computer.
class ClosedTransport final : public Transport {
public:
    size_t read(uint8_t*, size_t) override { return 0; }
    size_t write(const uint8_t*, size_t) override { return 0; }
};

}  // namespace fltport
