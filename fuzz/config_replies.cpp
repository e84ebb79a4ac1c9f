// The configuration window's exchanges (Read Config., Write Config, the three
// fire buttons, Read Continuity) against replies and acknowledgements taken
// from the input, through the serial-link library's exported functions.

#include <array>
#include <cstdint>

#include "device_operations.h"
#include "device_script.h"
#include "fltport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel::device;
    FltportApi api;
    api.InitComport = InitComport;
    api.CloseComport = CloseComport;
    api.ReadConfigCommand = ReadConfigCommand;
    api.WriteConfigCommand = WriteConfigCommand;

    fuzzing::DeviceScript flightComputer(data, size);
    fuzzing::connectFlightComputer(&flightComputer);
    AltimeterSettings settings;
    readConfig(api, "COM1", settings);
    // What was read goes back as the window would send it, when it passes the window's checks.
    WriteSelection selection;
    selection.stageDelay = !checkRange(settings.stageDelay, kStageDelayRange);
    selection.mainAltitude = !checkRange(settings.mainAltitude, kMainAltitudeRange);
    writeConfig(api, "COM1", settings, selection);
    for (int output = 1; output <= 3; ++output) fireOutput(api, "COM1", output);
    std::array<bool, 3> closed{};
    readContinuity(api, "COM1", closed);
    fuzzing::connectFlightComputer(nullptr);
    return 0;
}
