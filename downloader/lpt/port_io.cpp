#include "port_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "simulated_port.h"
#ifdef _WIN32
#include "dlportio_port.h"
#elif defined(__linux__)
#include "ppdev_port.h"
#endif

namespace vx::lpt {

namespace {

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

class UnavailableBackend final : public PortBackend {
public:
    explicit UnavailableBackend(std::string reason) : m_reason(std::move(reason)) {}
    std::string name() const override { return "unavailable"; }
    Obtained<PortIo> open(int, uint16_t, Reservation*) override { return {nullptr, m_reason}; }
    Obtained<Reservation> reserve(int) override { return {nullptr, m_reason}; }

private:
    std::string m_reason;
};

class TracingPortIo final : public PortIo {
public:
    TracingPortIo(std::unique_ptr<PortIo> inner, std::FILE* trace)
        : m_inner(std::move(inner)), m_trace(trace) {}
    ~TracingPortIo() override { std::fflush(m_trace); }

    void writeByte(uint16_t address, uint8_t value) override {
        std::fprintf(m_trace, "W %X %02X\n", address, value);
        m_inner->writeByte(address, value);
    }
    uint8_t readByte(uint16_t address) override {
        const uint8_t value = m_inner->readByte(address);
        std::fprintf(m_trace, "R %X %02X\n", address, value);
        return value;
    }
    void sleepMs(int milliseconds) override {
        std::fprintf(m_trace, "S %d\n", milliseconds);
        m_inner->sleepMs(milliseconds);
    }

private:
    std::unique_ptr<PortIo> m_inner;
    std::FILE* m_trace;
};

class TracingBackend final : public PortBackend {
public:
    TracingBackend(std::unique_ptr<PortBackend> inner, std::FILE* trace)
        : m_inner(std::move(inner)), m_trace(trace) {
        // A download is a few million lines; the default buffer would make
        // the trace the slowest part of it.
        std::setvbuf(m_trace, nullptr, _IOFBF, 1 << 16);
    }
    ~TracingBackend() override { std::fclose(m_trace); }

    std::string name() const override { return m_inner->name(); }
    Obtained<PortIo> open(int number, uint16_t base, Reservation* held) override {
        auto opened = m_inner->open(number, base, held);
        if (opened.value) opened.value = std::make_unique<TracingPortIo>(std::move(opened.value), m_trace);
        return opened;
    }
    Obtained<Reservation> reserve(int number) override { return m_inner->reserve(number); }

private:
    std::unique_ptr<PortBackend> m_inner;
    std::FILE* m_trace;
};

std::unique_ptr<PortBackend> platformBackend() {
#ifdef _WIN32
    return dlportioBackend();
#elif defined(__linux__)
    return ppdevBackend();
#else
    return unavailableBackend(
        "This system has no parallel-port backend; set VXOEM_LPT=simulated to try the QM-10.");
#endif
}

std::unique_ptr<PortBackend> namedBackend(const PortEnvironment& environment) {
    const std::string& name = environment.backend;
    if (name.empty()) return platformBackend();
    if (name == "simulated") {
        SimulatedPortOptions options;
        options.statePath = environment.simStatePath;
        std::string error;
        if (!parseSimulatedFault(environment.simFault, options.faults, error))
            return unavailableBackend(error);
        return simulatedBackend(options);
    }
#ifdef _WIN32
    if (name == "dlportio") return dlportioBackend();
    if (name == "ppdev")
        return unavailableBackend(
            "VXOEM_LPT=ppdev: the parallel-port device exists on Linux only; "
            "on Windows use dlportio.");
#elif defined(__linux__)
    if (name == "ppdev") return ppdevBackend();
    if (name == "dlportio")
        return unavailableBackend(
            "VXOEM_LPT=dlportio: dlportio.dll is the Windows port I/O library; "
            "on Linux use ppdev.");
#endif
    return unavailableBackend("VXOEM_LPT=" + name +
                              " is not a parallel-port backend; use ppdev, dlportio or simulated.");
}

}  // namespace

PortEnvironment PortEnvironment::fromProcess() {
    return {environmentText("VXOEM_LPT"), environmentText("VXOEM_LPT_TRACE"),
            environmentText("VXOEM_LPT_SIM_FAULT"), environmentText("VXOEM_LPT_SIM_STATE")};
}

std::unique_ptr<PortBackend> unavailableBackend(std::string reason) {
    return std::make_unique<UnavailableBackend>(std::move(reason));
}

std::unique_ptr<PortBackend> tracingBackend(std::unique_ptr<PortBackend> inner, std::FILE* trace) {
    return std::make_unique<TracingBackend>(std::move(inner), trace);
}

std::unique_ptr<PortBackend> makePortBackend(const PortEnvironment& environment) {
    auto backend = namedBackend(environment);
    if (environment.tracePath.empty()) return backend;
    std::FILE* trace = std::fopen(environment.tracePath.c_str(), "w");
    if (!trace)
        return unavailableBackend("VXOEM_LPT_TRACE: cannot write " + environment.tracePath + ": " +
                                  std::strerror(errno));
    return tracingBackend(std::move(backend), trace);
}

}  // namespace vx::lpt
