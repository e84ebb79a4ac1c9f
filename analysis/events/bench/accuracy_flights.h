#pragma once
// The fixed set of generated flights the event finder and the estimate are
// measured against, each with the model's truth.

#include <string>
#include <vector>

#include "flight_generator.h"
#include "flight_samples.h"
#include "flight_truth.h"

namespace tarvel::events {

struct AccuracyFlight {
    std::string name;
    flightgen::FlightParameters params;
    // Sensor faults laid over the generated samples.
    double baroLagS = 0;        // first-order lag of the pressure reading
    double baroStallFrom = -1;  // the reading sticks from this time (s on the axis)...
    double baroStallFor = 0;    // ...for this long
};

const std::vector<AccuracyFlight>& accuracyFlights();

struct GeneratedCase {
    flightgen::GeneratedFlight flight;
    flightgen::FlightTruth truth;
    FlightSamples samples;  // as the record holds them, faults laid over
};

GeneratedCase generateCase(const AccuracyFlight& flight);

}  // namespace tarvel::events
