#pragma once
// What happened in the flight, found in the samples: launch, motor burnout,
// apogee, each chute deployment, the main chute and landing, as times on the
// graph's time axis. An event the samples do not show is absent.

#include <optional>
#include <vector>

#include "flight_estimate.h"
#include "flight_samples.h"

namespace tarvel::events {

struct FlightEvents {
    std::optional<double> launch, burnout, apogee, main, landing;
    std::vector<double> deployments;  // in time order; the main among them
};

// The events in time order, named as the graph labels them ("Launch",
// "Burnout", "Apogee", "Deployment", "Main", "Landing"); the main chute's
// opening, which is one of the deployments, is named once, as "Main".
struct NamedEvent {
    double time;
    const char* name;
};
std::vector<NamedEvent> namedEvents(const FlightEvents& events);

// First motion off the pad, from the acceleration alone (the estimate needs
// it). A recording that starts in the boost places it before the first sample
// on the rising thrust.
std::optional<double> findLaunch(const SampleColumns& columns);

// The other events, with the estimate's velocity and height.
FlightEvents findEvents(const SampleColumns& columns, const FlightEstimate& estimate,
                        std::optional<double> launch);

}  // namespace tarvel::events
