#include "simulated_port.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "regular_file.h"

namespace vx::lpt {

namespace {

enum Register { kData = 0, kStatus = 1, kControl = 2 };

// A full state (the whole EEPROM in hexadecimal rows) takes well under 1 MiB.
constexpr uint64_t kMaxStateFileBytes = 4u << 20;

class SimulatedPortIo final : public PortIo {
public:
    SimulatedPortIo(SimulatedBackend& backend, uint16_t base, std::function<void(int)> sleep)
        : m_backend(backend), m_base(base), m_sleep(std::move(sleep)) {}
    ~SimulatedPortIo() override {
        std::string error;
        if (!m_backend.saveState(error)) std::fprintf(stderr, "%s\n", error.c_str());
    }

    void writeByte(uint16_t address, uint8_t value) override {
        const int reg = address - m_base;
        if (reg == kData) m_backend.chip().writeData(value);
        if (reg == kControl) m_backend.chip().writeControl(value);
    }
    uint8_t readByte(uint16_t address) override {
        switch (address - m_base) {
            case kData:
                return m_backend.chip().readData();
            case kStatus:
                return m_backend.chip().readStatus();
            case kControl:
                return m_backend.chip().readControl();
            default:
                return 0xFF;
        }
    }
    void sleepMs(int milliseconds) override { m_sleep(milliseconds); }

private:
    SimulatedBackend& m_backend;
    uint16_t m_base;
    std::function<void(int)> m_sleep;
};

}  // namespace

class SimulatedReservation final : public Reservation {
public:
    SimulatedReservation(SimulatedBackend& backend, int number) : m_backend(backend) {
        m_backend.m_reservedPort = number;
    }
    ~SimulatedReservation() override { m_backend.m_reservedPort = 0; }

private:
    SimulatedBackend& m_backend;
};

bool parseSimulatedFault(const std::string& text, SimulatedFaults& faults, std::string& error) {
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item == "busy") {
            faults.eepromStaysBusy = true;
        } else if (item == "bad-setup") {
            faults.badSetup = true;
        } else if (item == "bad-page") {
            faults.badPage = SimulatedQm10::kPageSize;
        } else if (item.rfind("bad-page:", 0) == 0) {
            char* end = nullptr;
            const unsigned long offset = std::strtoul(item.c_str() + 9, &end, 10);
            if (end == item.c_str() + 9 || *end != '\0' || offset >= SimulatedQm10::kEepromSize) {
                error = "VXOEM_LPT_SIM_FAULT: \"" + item + "\" needs an offset below 65536.";
                return false;
            }
            faults.badPage = static_cast<uint16_t>(offset - offset % SimulatedQm10::kPageSize);
        } else if (!item.empty()) {
            error = "VXOEM_LPT_SIM_FAULT: \"" + item +
                    "\" is not a fault; use busy, bad-page[:OFFSET] or bad-setup.";
            return false;
        }
    }
    return true;
}

SimulatedBackend::SimulatedBackend(SimulatedPortOptions options)
    : m_options(std::move(options)), m_chip(m_options.faults) {
    // The program changes to its work folder after start; the file stays where it was named.
    if (!m_options.statePath.empty())
        m_options.statePath = std::filesystem::absolute(m_options.statePath).string();
    if (!m_options.sleep)
        m_options.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    std::error_code missing;
    if (m_options.statePath.empty() || !std::filesystem::exists(m_options.statePath, missing)) return;
    // A pipe or a device named here would block the start or never end.
    const vx::RegularFileRead file = vx::readRegularFile(m_options.statePath, kMaxStateFileBytes);
    std::string error = file.tooLarge ? "longer than " + std::to_string(kMaxStateFileBytes) +
                                            " bytes; not a state file of this simulator"
                                      : file.error;
    if (!file.ok || !m_chip.loadStateText(file.bytes, error))
        m_loadError = "VXOEM_LPT_SIM_STATE: " + m_options.statePath + ": " +
                      (error.empty() ? std::string("cannot be read") : error);
}

SimulatedBackend::~SimulatedBackend() {
    std::string error;
    if (!saveState(error)) std::fprintf(stderr, "%s\n", error.c_str());
}

Obtained<PortIo> SimulatedBackend::open(int, uint16_t base, Reservation*) {
    if (!m_loadError.empty()) return {nullptr, m_loadError};
    return {std::make_unique<SimulatedPortIo>(*this, base, m_options.sleep), {}};
}

Obtained<Reservation> SimulatedBackend::reserve(int number) {
    if (!m_loadError.empty()) return {nullptr, m_loadError};
    return {std::make_unique<SimulatedReservation>(*this, number), {}};
}

// A state file that did not load is left as the user wrote it.
bool SimulatedBackend::saveState(std::string& error) const {
    namespace fs = std::filesystem;
    if (m_options.statePath.empty() || !m_loadError.empty()) return true;
    const fs::path path = m_options.statePath;
    std::error_code status;
    const bool replaceable = !fs::exists(path, status) || fs::is_regular_file(path, status);
    const fs::path written = replaceable ? fs::path(path.string() + ".tmp") : path;
    {
        std::ofstream file(written, std::ios::binary | std::ios::trunc);
        file << m_chip.stateText();
        if (!file.flush()) {
            error = "VXOEM_LPT_SIM_STATE: cannot write " + written.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    if (replaceable) {
        fs::rename(written, path, status);
        if (status) {
            error = "VXOEM_LPT_SIM_STATE: cannot replace " + path.string() + ": " + status.message();
            return false;
        }
    }
    return true;
}

std::unique_ptr<PortBackend> simulatedBackend(SimulatedPortOptions options) {
    return std::make_unique<SimulatedBackend>(std::move(options));
}

}  // namespace vx::lpt
