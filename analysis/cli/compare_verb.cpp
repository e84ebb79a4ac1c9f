#include "compare_verb.h"

#include <cmath>
#include <ostream>

#include "flight_actions.h"
#include "number_text.h"
#include "record_writer.h"

namespace tarvel::cli {

const std::string_view kCompareUsage =
    "tarvel compare FILE... [--align launch|apogee|offset] [--offset N:S] [--reference N]\n"
    "                 [--quantity altitude|velocity|acceleration|thrust] [--json] [--csv OUT.csv]\n"
    "                 [--png OUT.png [--size WxH]]\n"
    "                 (record files and simulation exports on one time axis: the table of apogee, time\n"
    "                 to apogee, maximum velocity and acceleration, descent rates and event times of\n"
    "                 each, with its difference from the reference, file N (1 by default); --align puts\n"
    "                 each at its launch (the default), its apogee or its own time 0, and --offset N:S\n"
    "                 moves file N by S seconds more; --json gives SI units and, with --quantity, that\n"
    "                 quantity's samples of each file; --csv writes the table as CSV (- for standard\n"
    "                 output); --png draws the graph of the quantity, altitude by default, 1280x800 pixels\n"
    "                 unless --size says otherwise, - for standard output)";

namespace {

struct CompareCommand {
    std::vector<std::string> files;
    compare::ComparisonSetup setup;
    std::optional<compare::Quantity> quantity;
    bool json = false;
    std::string csvPath, pngPath;
    PictureSize size;
};

struct CompareUsageError {
    std::string message;
};

// A whole number from 1 to `most`.
size_t fileNumber(const std::string& text, size_t most, std::string_view option) {
    const std::optional<double> n = parseNumber(text);
    if (!n || *n < 1 || *n > static_cast<double>(most) || *n != static_cast<double>(static_cast<size_t>(*n)))
        throw CompareUsageError{std::string(option) + " takes a file number from 1 to " +
                                std::to_string(most) + ", not \"" + text + "\""};
    return static_cast<size_t>(*n);
}

CompareCommand parseCompare(const Args& args) {
    CompareCommand cmd;
    std::vector<std::string> offsets;  // "N:S", read once the files are known
    std::optional<std::string> reference;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw CompareUsageError{a + " needs a value"};
            return args[++i];
        };
        if (a == "--json") {
            cmd.json = true;
        } else if (a == "--align") {
            const std::string& v = value();
            const auto alignment = compare::alignmentFromName(v);
            if (!alignment)
                throw CompareUsageError{"--align takes launch, apogee or offset, not \"" + v + "\""};
            cmd.setup.alignment = *alignment;
        } else if (a == "--quantity") {
            const std::string& v = value();
            cmd.quantity = compare::quantityFromName(v);
            if (!cmd.quantity)
                throw CompareUsageError{
                    "--quantity takes altitude, velocity, acceleration or thrust, not \"" + v + "\""};
        } else if (a == "--reference") {
            reference = value();
        } else if (a == "--offset") {
            const std::string& v = value();
            if (v.find(':') == std::string::npos)
                throw CompareUsageError{"--offset takes N:S, file N moved by S seconds, not \"" + v + "\""};
            offsets.push_back(v);
        } else if (a == "--csv") {
            cmd.csvPath = value();
        } else if (a == "--png") {
            cmd.pngPath = value();
        } else if (a == "--size") {
            const std::string& v = value();
            if (!parseSize(v, cmd.size.width, cmd.size.height))
                throw CompareUsageError{"--size takes WIDTHxHEIGHT, e.g. 1920x1080, not \"" + v + "\""};
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            throw CompareUsageError{"unknown option \"" + a + "\""};
        } else {
            cmd.files.push_back(a);
        }
    }
    if (cmd.files.empty()) throw CompareUsageError{"no file to compare"};
    if (reference) cmd.setup.reference = fileNumber(*reference, cmd.files.size(), "--reference") - 1;
    cmd.setup.offsets.assign(cmd.files.size(), 0.0);
    for (const std::string& offset : offsets) {
        const size_t colon = offset.find(':');
        const std::optional<double> seconds = parseNumber(offset.substr(colon + 1));
        if (!seconds || !std::isfinite(*seconds))
            throw CompareUsageError{"--offset takes N:S with S in seconds, not \"" + offset + "\""};
        cmd.setup.offsets[fileNumber(offset.substr(0, colon), cmd.files.size(), "--offset") - 1] += *seconds;
    }
    return cmd;
}

}  // namespace

int compareVerb(const Environment&, const Args& args, std::ostream& out, std::ostream& err) {
    CompareCommand cmd;
    try {
        cmd = parseCompare(args);
    } catch (const CompareUsageError& e) {
        err << "tarvel compare: " << e.message << "\nusage: " << kCompareUsage << "\n";
        return kExitUsage;
    }
    std::vector<compare::Trace> traces;
    for (const std::string& file : cmd.files) {
        compare::TraceLoad load = compare::loadTrace(file);
        for (const std::string& note : load.notes) err << "tarvel: warning: " << note << "\n";
        if (!load.trace) {
            err << "tarvel: " << load.status.message << "\n";
            return kExitFailure;
        }
        traces.push_back(std::move(*load.trace));
    }
    const compare::FiguresTable table = compare::figuresTable(traces, cmd.setup);
    const compare::Quantity shown = cmd.quantity.value_or(compare::Quantity::Altitude);
    if (!cmd.pngPath.empty()) {
        if (const Status s = writeComparisonPng(traces, table, shown, cmd.pngPath, cmd.size, out); !s.ok) {
            err << "tarvel: " << s.message << "\n";
            return kExitFailure;
        }
        // The picture alone on standard output, as a PNG file would be.
        if (cmd.pngPath == "-") return kExitOk;
    }
    if (!cmd.csvPath.empty()) {
        const std::string csv = compare::tableCsv(table);
        if (cmd.csvPath == "-") {
            out << csv;
            return kExitOk;
        }
        if (const Status s = replaceFileContents(cmd.csvPath, csv); !s.ok) {
            err << "tarvel: " << s.message << "\n";
            return kExitFailure;
        }
    }
    out << (cmd.json ? compare::comparisonJson(traces, table, cmd.quantity) : compare::tableText(table));
    return kExitOk;
}

}  // namespace tarvel::cli
