#pragma once
// The simulated parallel port: a SimulatedQm10 behind the data, status and
// control registers. With a state file, the chip's memories are loaded from it
// at start (when it exists) and written back after every command and at exit.

#include <functional>
#include <memory>
#include <string>

#include "port_io.h"
#include "simulated_qm10.h"

namespace vx::lpt {

struct SimulatedPortOptions {
    SimulatedFaults faults;
    std::string statePath;
    // Pauses; real sleeps unless a test passes its own clock.
    std::function<void(int milliseconds)> sleep;
};

// "busy", "bad-page" (the page at 32), "bad-page:OFFSET", "bad-setup", or several
// separated by commas; empty means none.
bool parseSimulatedFault(const std::string& text, SimulatedFaults& faults, std::string& error);

class SimulatedBackend final : public PortBackend {
public:
    explicit SimulatedBackend(SimulatedPortOptions options);
    ~SimulatedBackend() override;

    std::string name() const override { return "simulated"; }
    Obtained<PortIo> open(int number, uint16_t base, Reservation* held) override;
    Obtained<Reservation> reserve(int number) override;

    SimulatedQm10& chip() { return m_chip; }
    // The port number held by a reservation, 0 when none.
    int reservedPort() const { return m_reservedPort; }
    // Writes the state file; false and a message when it cannot.
    bool saveState(std::string& error) const;

private:
    friend class SimulatedReservation;
    SimulatedPortOptions m_options;
    SimulatedQm10 m_chip;
    std::string m_loadError;
    int m_reservedPort = 0;
};

std::unique_ptr<PortBackend> simulatedBackend(SimulatedPortOptions options);

}  // namespace vx::lpt
