#pragma once
// A FlightAnalysis in its start-up state, built anew for each input in memory
// kept between inputs: allocating the 1 MB record per input would spend the
// run on page faults instead of on the code under test.

#include <new>

#include "flight_analysis.h"

namespace fuzzing {

// Each `Slot` is one object; asking again resets it.
template <int Slot>
tarvel::FlightAnalysis& freshAnalysis() {
    alignas(tarvel::FlightAnalysis) static unsigned char storage[sizeof(tarvel::FlightAnalysis)];
    static tarvel::FlightAnalysis* analysis = nullptr;
    if (analysis) analysis->~FlightAnalysis();
    analysis = new (storage) tarvel::FlightAnalysis;
    analysis->numberLocale = tarvel::NumberLocale{};
    return *analysis;
}

}  // namespace fuzzing
