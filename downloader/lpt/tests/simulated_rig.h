#pragma once
// A simulated QM-10 on the parallel port with a fake clock: pauses and each
// look at it advance it, so time-outs cost no real time.

#include <memory>
#include <string>
#include <vector>

#include "parallel_port.h"
#include "qm10_programmer.h"
#include "simulated_port.h"

struct SimulatedRig {
    explicit SimulatedRig(vx::lpt::SimulatedFaults faults = {}, std::string statePath = {})
        : port(makePort(faults, std::move(statePath))), programmer(*port, timeout, hooks()) {
        port->OpenLPTfile("LPT1:", "&H378", 0);
    }

    vx::lpt::SimulatedQm10& chip() { return backend->chip(); }

    int64_t nowMs = 0;
    vx::lpt::SimulatedBackend* backend = nullptr;
    std::unique_ptr<vx::lpt::ParallelPort> port;
    // Each look at the clock is a poll of a busy wait: a millisecond passes.
    vx::lpt::ClockTimeout timeout{[this] { return nowMs++; }};
    vx::lpt::Qm10Programmer programmer;
    std::string status;
    std::vector<int> progress;
    std::vector<vx::lpt::Message> messages;

private:
    std::unique_ptr<vx::lpt::ParallelPort> makePort(vx::lpt::SimulatedFaults faults, std::string statePath) {
        vx::lpt::SimulatedPortOptions options;
        options.faults = faults;
        options.statePath = std::move(statePath);
        options.sleep = [this](int ms) { nowMs += ms; };
        auto owned = std::make_unique<vx::lpt::SimulatedBackend>(options);
        backend = owned.get();
        return std::make_unique<vx::lpt::ParallelPort>(std::move(owned));
    }
    vx::lpt::ProgrammerHooks hooks() {
        return {[this](const std::string& text) { status += text; },
                [this](int value) { progress.push_back(value); },
                [this](const vx::lpt::Message& message) { messages.push_back(message); }};
    }
};
