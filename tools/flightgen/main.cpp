// flightgen: writes a generated flight as a saved record file.

#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "flight_generator.h"
#include "flight_record.h"
#include "flight_truth.h"
#include "flightgen_options.h"
#include "record_writer.h"

using namespace tarvel::flightgen;

namespace {

void printSummary(const GeneratedFlight& flight, const tarvel::FlightAnalysis& fa) {
    const ModelFigures& m = flight.model;
    std::fprintf(stderr,
                 "%zu samples; model: apogee %.1f m (%.0f ft) at %.2f s, max velocity %.1f m/s, "
                 "max acceleration %.1f G, burnout %.2f s, ",
                 flight.samples.size(), m.apogeeM, m.apogeeM / 0.3048, m.apogeeTimeS, m.maxVelocityMps,
                 m.maxAccelG, m.burnoutTimeS);
    if (m.landingTimeS >= 0)
        std::fprintf(stderr, "landing %.2f s\n", m.landingTimeS);
    else
        std::fprintf(stderr, "still flying when recording stopped\n");
    std::fprintf(stderr, "analysis: max altitude %s%s, max velocity %s%s, total impulse %s\n",
                 fa.figures.MaxAltitude.c_str(), fa.captions.lblAltitude.c_str(),
                 fa.figures.MaxVelocity.c_str(), fa.captions.lblVelocity.c_str(),
                 fa.figures.TotalImpulse.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string error;
    std::optional<CommandLine> cmd = parseCommandLine(args, error);
    if (!cmd) {
        std::cerr << "flightgen: " << error << "\n";
        return 2;
    }
    if (cmd->help) {
        std::cout << usageText();
        return 0;
    }
    if (cmd->record.outputPath.empty()) {
        std::cerr << "flightgen: no output file: give -o FILE (or -o - for standard output)\n";
        return 2;
    }
    try {
        GeneratedFlight flight = generateFlight(cmd->params);
        auto fa = std::make_unique<tarvel::FlightAnalysis>();
        tarvel::Status status = buildFlightRecord(flight, cmd->params, cmd->record, *fa);
        if (status.ok) {
            if (cmd->record.outputPath == "-") {
                std::cout << tarvel::recordText(*fa) << std::flush;
                if (!std::cout) status = tarvel::Status::failure("cannot write to standard output");
            } else {
                status = tarvel::writeRecordFile(cmd->record.outputPath, *fa);
            }
        }
        if (status.ok && !cmd->truthPath.empty())
            status = tarvel::replaceFileContents(cmd->truthPath, truthText(flight));
        if (!status.ok) {
            std::cerr << "flightgen: " << status.message << "\n";
            return 1;
        }
        if (!cmd->quiet) printSummary(flight, *fa);
        // The reader splits notes lines after the first at commas.
        for (size_t i = 1; i < cmd->record.notes.size(); ++i)
            if (cmd->record.notes[i].find(',') != std::string::npos)
                std::fprintf(stderr,
                             "flightgen: warning: note line %zu holds a comma; it reads back as two lines\n",
                             i + 1);
        // The analysis ends its velocity integration at the first value below
        // 1, so a first sample that adds less than that shows no velocity.
        if (tarvel::at(fa->samples.aVelocity, 1) < 1)
            std::fprintf(stderr,
                         "flightgen: warning: the first sample adds only %.2f%s, so the analysis shows no "
                         "velocity; raise --launch-detect or --dt\n",
                         tarvel::at(fa->samples.aVelocity, 1), fa->captions.lblVelocity.c_str());
    } catch (const std::exception& e) {
        std::cerr << "flightgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
