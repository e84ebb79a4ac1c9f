// "Download Data" against a flight computer that says whatever the input
// says, through the serial-link library's exported functions; then each record
// file written is opened as the user would open it next.

#include <cstdint>
#include <filesystem>

#include "device_operations.h"
#include "device_script.h"
#include "fltport.h"
#include "open_flight.h"
#include "scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvel;
    static const std::string prefix = (fuzzing::scratchDir() / "tmprecord").string();
    device::FltportApi api;
    api.InitComport = InitComport;
    api.CloseComport = CloseComport;
    api.StartUpload = StartUpload;
    api.CancelUpload = CancelUpload;

    fuzzing::DeviceScript flightComputer(data, size);
    fuzzing::connectFlightComputer(&flightComputer);
    const device::DownloadOutcome outcome = device::downloadFlights(api, "COM1", {prefix, true});
    fuzzing::connectFlightComputer(nullptr);

    for (int32_t flight = 0; flight < outcome.count; ++flight) {
        const std::string file = prefix + std::to_string(flight) + ".rcd";
        std::string bytes;
        if (readWholeFile(file, bytes).ok) (void)fuzzing::openFlight(bytes);
        std::filesystem::remove(file);
    }
    return 0;
}
