#include "flights_verb.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <ostream>

#include "flight_actions.h"
#include "json_text.h"
#include "logbook_index.h"
#include "logbook_model.h"
#include "user_preferences.h"

namespace tarvel::cli {

namespace {

using logbook::Column;
using logbook::LogbookEntry;

constexpr std::string_view kUsage =
    "tarvel flights FOLDER... [--json] [--index PATH] [--units GROUP=UNIT[,...]] [--locale NAME]\n"
    "                 (the logbook of the record files in the folders and below: name, date, place,\n"
    "                 notes, motor class, apogee, maximum velocity, flight time, samples, the flights\n"
    "                 of the same samples; in the units last chosen in the window unless --units;\n"
    "                 --json gives SI units; --index names the index file, the user's by default;\n"
    "                 files that do not read are listed with the reason, and the status stays 0)";

struct FlightsCommand {
    QStringList folders;
    QString index;
    bool json = false;
    UnitSelection units;
    NumberLocale locale;
};

// The option's value, from "--opt=value" or the next argument.
std::string optionValue(const Args& args, size_t& i, const std::string& name) {
    const std::string& arg = args[i];
    if (const size_t eq = arg.find('='); eq != std::string::npos) return arg.substr(eq + 1);
    if (i + 1 >= args.size()) throw UsageError("option --" + name + " needs a value");
    return args[++i];
}

FlightsCommand parseFlights(const Environment& environment, const Args& args) {
    FlightsCommand cmd;
    cmd.locale = environment.locale;
    cmd.units = UserPreferences().units().value_or(UnitSelection{});
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            cmd.folders.append(QString::fromLocal8Bit(arg));
            continue;
        }
        const std::string name = arg.substr(2, arg.find('=') - 2);
        if (name == "json" && arg.find('=') == std::string::npos) {
            cmd.json = true;
        } else if (name == "index") {
            cmd.index = QString::fromLocal8Bit(optionValue(args, i, name));
        } else if (name == "units") {
            const std::string text = optionValue(args, i, name);
            const auto action = parseUnitsAction(text);
            if (!action) throw UsageError("--units: \"" + text + "\" is not GROUP=UNIT[,GROUP=UNIT...]");
            cmd.units = action->unitsOver(cmd.units);
        } else if (name == "locale") {
            const std::string text = optionValue(args, i, name);
            const auto locale = NumberLocale::named(text);
            if (!locale) throw UsageError("unknown locale \"" + text + "\"");
            cmd.locale = *locale;
        } else {
            throw UsageError("unknown option --" + name + " for flights");
        }
    }
    if (cmd.folders.isEmpty()) throw UsageError("flights needs at least one FOLDER");
    return cmd;
}

std::string text(const QString& s) { return s.toStdString(); }

std::string tableText(const std::vector<LogbookEntry>& entries, const FlightsCommand& cmd) {
    const std::vector<QString> same = logbook::sameSamplesNames(entries);
    std::vector<std::vector<QString>> rows(entries.size() + 1);
    std::vector<qsizetype> widths(logbook::kColumnCount, 0);
    for (int c = 0; c < logbook::kColumnCount; ++c) {
        rows[0].push_back(logbook::columnTitle(Column(c), cmd.units));
        for (size_t r = 0; r < entries.size(); ++r)
            rows[r + 1].push_back(logbook::cellText(entries[r], Column(c), cmd.units, cmd.locale, same[r]));
        for (const auto& row : rows) widths[size_t(c)] = std::max(widths[size_t(c)], row.back().size());
    }
    std::string out;
    for (const auto& row : rows) {
        QString line;
        for (int c = 0; c < logbook::kColumnCount; ++c) {
            const QString& cell = row[size_t(c)];
            const qsizetype width = widths[size_t(c)];
            if (c) line += "  ";
            line +=
                logbook::isNumberColumn(Column(c)) ? cell.rightJustified(width) : cell.leftJustified(width);
        }
        out += text(line.trimmed()) + "\n";
    }
    const auto unread =
        std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.readable(); });
    out += std::to_string(entries.size()) + (entries.size() == 1 ? " flight" : " flights");
    if (unread) out += ", " + std::to_string(unread) + " of them not read";
    return out + "\n";
}

std::string jsonText(const std::vector<LogbookEntry>& entries, const QString& index) {
    const std::vector<QString> same = logbook::sameSamplesNames(entries);
    std::string j = "{\"index\":" + jsonString(text(index)) + ",\"flights\":[";
    for (size_t r = 0; r < entries.size(); ++r) {
        const LogbookEntry& e = entries[r];
        std::string names;
        for (const QString& name : same[r].split(QStringLiteral(", "), Qt::SkipEmptyParts))
            names += (names.empty() ? "" : ",") + jsonString(text(name));
        j += std::string(r ? "," : "") + "{\"file\":" + jsonString(text(e.path)) +
             ",\"name\":" + jsonString(text(e.name)) + ",\"date\":" + jsonString(text(e.date)) +
             ",\"place\":" + jsonString(text(e.place)) + ",\"notes\":" + jsonString(text(e.notesLine)) +
             ",\"motor_class\":" + jsonString(text(e.motorClass)) + ",\"apogee\":" + jsonNumber(e.apogeeM) +
             ",\"max_velocity\":" + jsonNumber(e.maxVelocityMps) +
             ",\"flight_time\":" + jsonNumber(e.flightTimeS) +
             ",\"samples\":" + std::to_string(e.sampleCount) +
             ",\"samples_hash\":" + jsonString(text(e.samplesHash)) + ",\"same_samples_as\":[" + names +
             "],\"profile\":" + jsonString(text(e.profile)) + ",\"problem\":" + jsonString(text(e.problem)) +
             "}";
    }
    return j + "]}\n";
}

int runFlights(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    FlightsCommand cmd;
    try {
        cmd = parseFlights(environment, args);
    } catch (const UsageError& e) {
        err << "tarvel flights: " << e.message << "\nusage: " << kUsage << "\n";
        return kExitUsage;
    }
    for (const QString& folder : cmd.folders) {
        if (!QFileInfo(folder).isDir()) {
            err << "tarvel flights: " << text(folder) << " is not a folder\n";
            return kExitFailure;
        }
    }
    // Qt SQL finds its drivers through the application object.
    int argc = 1;
    char name[] = "tarvel";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
    logbook::LogbookIndex index(cmd.index.isEmpty() ? logbook::LogbookIndex::defaultPath() : cmd.index);
    index.update(cmd.folders);
    if (!index.problem().isEmpty()) err << "tarvel flights: warning: " << text(index.problem()) << "\n";
    const std::vector<LogbookEntry> entries = index.entriesIn(cmd.folders);
    out << (cmd.json ? jsonText(entries, index.path()) : tableText(entries, cmd));
    return kExitOk;
}

}  // namespace

Verb flightsVerb() { return {"flights", kUsage, runFlights}; }

}  // namespace tarvel::cli
