// A 32 KiB QM-10 download against the simulated port. Counters:
//   port_ops      register reads and writes of one download
//   ops_per_s     how fast the programmer and the simulated chip go through them
//   bits          bits clocked out (each costs three writes; a transfer adds a read)
//   floor         3 writes per bit + 1 read per bit received
//   over_floor    the rest: bit-7 framing of each instruction and the 6-fold chip-state writes
//   status_polls  EEPROM status reads while waiting for the write cycles
//   pause_ms      the setup and configuration pauses a real port would sleep (not slept here)
// Run: build/bin/qm10_bench

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "parallel_port.h"
#include "qm10_programmer.h"
#include "simulated_port.h"

namespace {

using namespace vx::lpt;

struct Counts {
    long writes = 0, reads = 0, bits = 0, pauseMs = 0;
};

class CountingPortIo final : public PortIo {
public:
    CountingPortIo(std::unique_ptr<PortIo> inner, Counts& counts)
        : m_inner(std::move(inner)), m_counts(counts) {}
    void writeByte(uint16_t address, uint8_t value) override {
        ++m_counts.writes;
        if (address == 0x378 && (value & 0x20) && !(m_last & 0x20)) ++m_counts.bits;
        if (address == 0x378) m_last = value;
        m_inner->writeByte(address, value);
    }
    uint8_t readByte(uint16_t address) override {
        ++m_counts.reads;
        return m_inner->readByte(address);
    }
    void sleepMs(int ms) override {
        m_counts.pauseMs += ms;
        m_inner->sleepMs(ms);
    }

private:
    std::unique_ptr<PortIo> m_inner;
    Counts& m_counts;
    uint8_t m_last = 0;
};

class CountingBackend final : public PortBackend {
public:
    CountingBackend(std::unique_ptr<PortBackend> inner, Counts& counts)
        : m_inner(std::move(inner)), m_counts(counts) {}
    std::string name() const override { return "counting"; }
    Obtained<PortIo> open(int number, uint16_t base, Reservation* held) override {
        auto io = m_inner->open(number, base, held);
        return {std::make_unique<CountingPortIo>(std::move(io.value), m_counts), io.error};
    }
    Obtained<Reservation> reserve(int number) override { return m_inner->reserve(number); }

private:
    std::unique_ptr<PortBackend> m_inner;
    Counts& m_counts;
};

void Qm10Download32KiB(benchmark::State& state) {
    std::string program(32 * 1024, '\0');
    for (size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i * 7 + 3);
    Counts counts;
    long pollReads = 0;
    for (auto _ : state) {
        counts = {};
        SimulatedPortOptions options;
        options.sleep = [](int) {};
        ParallelPort port(std::make_unique<CountingBackend>(simulatedBackend(options), counts));
        port.OpenLPTfile("LPT1:", "888", 0);
        ClockTimeout timeout(steadyClockMs);
        Qm10Programmer programmer(port, timeout, {});
        HeaderBlock header{};
        const auto result = programmer.Download(program, header);
        if (!result.verified || !result.setupOk) state.SkipWithError("download failed");
    }
    const long pages = static_cast<long>(program.size() / 32);
    // Reads per page: 32 bytes read back; every other read is a status poll.
    pollReads = counts.reads - pages * 32 * 8 - 8 /* setup answer */ - 8 * 20 /* configuration answers */;
    const long ops = counts.writes + counts.reads;
    const long floor = 3 * counts.bits + counts.reads;
    state.counters["port_ops"] = static_cast<double>(ops);
    state.counters["ops_per_s"] =
        benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bits"] = static_cast<double>(counts.bits);
    state.counters["floor"] = static_cast<double>(floor);
    state.counters["over_floor"] = static_cast<double>(ops - floor);
    state.counters["status_polls"] = static_cast<double>(pollReads / 8);
    state.counters["pause_ms"] = static_cast<double>(counts.pauseMs);
}
BENCHMARK(Qm10Download32KiB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
