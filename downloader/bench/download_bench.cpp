// A 32 KiB program into qm40sim paced like a 115200-baud line: halt, the
// 32-byte header into internal EEPROM, then the external EEPROM written and
// verified.
//   wire_ratio = measured time / (wire time of the bytes exchanged + the
//   protocol's fixed waits). The halt and the internal EEPROM write are
//   question and answer, so both directions count; the external EEPROM's
//   answers come back while the host is still sending, so only the busier
//   direction counts there.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>

#include "chip_control.h"
#include "qt_serial_line.h"
#include "sim_process.h"

namespace {

constexpr double kByteSeconds = 10.0 / 115200;
constexpr double kHaltWaitSeconds = (3 * 8 + 4) / 1000.0;  // three DTR pulses, then the 4 ms pause

// Counts the bytes crossing the line in each direction.
class CountingLine final : public vx::SerialLine {
public:
    bool open(const std::string& device) override { return m_line.open(device); }
    bool close() override { return m_line.close(); }
    bool isOpen() const override { return m_line.isOpen(); }
    void setDtr(bool on) override { m_line.setDtr(on); }
    void write(std::span<const uint8_t> bytes) override {
        sent += bytes.size();
        m_line.write(bytes);
    }
    size_t bytesAvailable() override { return m_line.bytesAvailable(); }
    size_t bytesToWrite() override { return m_line.bytesToWrite(); }
    vx::Bytes readAll() override {
        vx::Bytes bytes = m_line.readAll();
        received += bytes.size();
        return bytes;
    }
    void clearInput() override { m_line.clearInput(); }
    void restart() { sent = received = 0; }

    size_t sent = 0, received = 0;

private:
    vx::QtSerialLine m_line;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_PacedDownload(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    vx::Bytes program(size);
    for (size_t k = 0; k < size; ++k) program[k] = static_cast<uint8_t>(k * 131 + (k >> 7));
    vx::Bytes header(32, 0);
    header[0] = 0x02;
    header[1] = 0x06;
    header[6] = header[7] = 0xB0;
    header[31] = 0xFF;

    simline::SimProcess sim(QM40SIM_PROGRAM, {"--pace"});
    CountingLine line;
    vx::ChipControl link(line, [&sim](int) { return sim.path(); });
    int32_t status = 0;
    link.OpenPort(true, status);
    if (!sim.started() || status != vx::kStatusOk) {
        state.SkipWithError("qm40sim did not start");
        return;
    }
    double seconds = 0, modelSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        line.restart();
        link.HaltVelmix(status);
        const bool halted = status == vx::kStatusOk;
        modelSeconds = static_cast<double>(line.sent + line.received) * kByteSeconds + kHaltWaitSeconds;

        line.restart();
        link.WriteInternalEEprom(0, 32, header, status);
        const bool headerWritten = status == vx::kStatusOk;
        modelSeconds += static_cast<double>(line.sent + line.received) * kByteSeconds;

        line.restart();
        link.WriteExternalEEprom(0, static_cast<int32_t>(size), program, status);
        modelSeconds += static_cast<double>(std::max(line.sent, line.received) + 1) * kByteSeconds;
        seconds = secondsSince(start);
        state.SetIterationTime(seconds);
        if (!halted || !headerWritten || status != vx::kStatusOk) state.SkipWithError("download failed");
    }
    state.counters["wire_s"] = modelSeconds;
    state.counters["wire_ratio"] = seconds / modelSeconds;
}

}  // namespace

BENCHMARK(BM_PacedDownload)->Arg(32768)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
