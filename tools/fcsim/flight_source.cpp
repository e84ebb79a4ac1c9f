#include "flight_source.h"

#include <memory>
#include <sstream>
#include <string_view>

#include "codec/sample_codec.h"
#include "flight_analysis.h"
#include "flight_generator.h"
#include "flightgen_options.h"
#include "record_reader.h"

namespace fcsim {
namespace {

std::optional<fltport::RawFlight> recordFileFlight(const std::string& path, std::string& error) {
    auto fa = std::make_unique<tarvel::Flight>();
    tarvel::RecordReadReport report;
    const tarvel::Status status = tarvel::loadRecordFile(path, *fa, &report);
    if (!status.ok) {
        error = status.message;  // names the file
        return std::nullopt;
    }
    const auto& s = fa->samples;
    fltport::RawFlight flight;
    // The reader leaves one all-zero sample for a table without rows; a real
    // sample never has a pressure of 0 psi, so that is a flight without samples.
    if (s.SampleCount == 1 && tarvel::at(s.aDeltaTime, 1) == 0 && tarvel::at(s.aPressure, 1) == 0 &&
        tarvel::at(s.aAccel, 1) == 0)
        return flight;
    for (int i = 1; i <= s.SampleCount; ++i)
        fltport::appendSample(flight, fltport::stepRaw(tarvel::at(s.aDeltaTime, i)),
                              fltport::pressureRaw(tarvel::at(s.aPressure, i)),
                              fltport::accelCountFromG(tarvel::at(s.aAccel, i)));
    return flight;
}

}  // namespace

std::optional<std::vector<fltport::RawFlight>> loadFlights(const std::string& path, std::string& error) {
    if (path.size() > 4 && path.substr(path.size() - 4) == ".rcd") {
        auto flight = recordFileFlight(path, error);
        if (!flight) return std::nullopt;
        return std::vector<fltport::RawFlight>{std::move(*flight)};
    }
    std::string bytes;
    if (const tarvel::Status status = tarvel::readWholeFile(path, bytes); !status.ok) {
        error = status.message;  // names the file
        return std::nullopt;
    }
    std::string why;
    auto flights = fltport::parseRawFlights(bytes, &why);
    if (!flights) error = path + ": " + why;
    return flights;
}

std::optional<fltport::RawFlight> generateFlight(const std::string& arguments, std::string& error) {
    std::vector<std::string> words;
    std::istringstream in(arguments);
    for (std::string word; in >> word;) words.push_back(word);
    const std::vector<std::string_view> args(words.begin(), words.end());
    const auto cmd = tarvel::flightgen::parseCommandLine(args, error);
    if (!cmd) return std::nullopt;
    try {
        const auto generated = tarvel::flightgen::generateFlight(cmd->params);
        fltport::RawFlight flight;
        for (const auto& sample : generated.samples)
            fltport::appendSample(flight, sample.timeStep, sample.pressure, sample.accel);
        return flight;
    } catch (const std::exception& e) {
        error = e.what();
        return std::nullopt;
    }
}

}  // namespace fcsim
