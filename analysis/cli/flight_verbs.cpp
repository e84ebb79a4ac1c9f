#include "flight_verbs.h"

#include <QLocale>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>

#include "about_dialog.h"
#include "csv_export.h"
#include "flight_actions.h"
#include "json_text.h"
#include "motor_file.h"
#include "number_text.h"
#include "record_writer.h"
#include "report_pdf.h"
#include "report_text.h"
#include "units.h"
#include "window_panels.h"

namespace tarvel::cli {

namespace {

Status apply(FlightAnalysis& fa, const WindowAction& a) {
    switch (a.kind) {
        case WindowAction::Kind::Set:
            return fa.commitDetail(a.field, a.text);
        case WindowAction::Kind::Units:
            return fa.applyUnits(a.unitsOver(fa.units));
        case WindowAction::Kind::Mode:
            return a.burnMode ? fa.mnuGraphAccelThrust_Click() : fa.mnuGraphAll_Click();
        case WindowAction::Kind::Recalculate:
            return fa.mnuRecalc_Click();
        case WindowAction::Kind::Rocket:
            return applyRocketProfile(a.profile, fa);
        case WindowAction::Kind::Move:  // the pointer is render's alone
        case WindowAction::Kind::Click:
        case WindowAction::Kind::RClick:
        case WindowAction::Kind::Ruler:
        case WindowAction::Kind::Range:
            break;
    }
    return Status::success();
}

// Parses the command line; null after a usage error (already reported).
std::optional<FlightCommand> parse(const VerbForm& verb, const Environment& environment, const Args& args,
                                   std::ostream& err) {
    try {
        return parseFlightCommand(verb, args, environment.locale);
    } catch (const UsageError& e) {
        err << "tarvel " << verb.name << ": " << e.message << "\n";
        for (const Verb& v : flightVerbs())
            if (v.name == verb.name) err << "usage: " << v.usage << "\n";
        return std::nullopt;
    }
}

// Parses, opens and applies the actions; null after a failure (already reported).
using Session = std::pair<FlightCommand, std::unique_ptr<FlightAnalysis>>;

// `needsFigures`: the verb shows computed values, so a flight that no
// recalculation has computed is a failure; saving it is not.
std::optional<Session> openSession(const VerbForm& verb, const Environment& environment, const Args& args,
                                   std::ostream& err, int& exitCode, bool needsFigures = true) {
    std::optional<FlightCommand> parsed = parse(verb, environment, args, err);
    if (!parsed) {
        exitCode = kExitUsage;
        return std::nullopt;
    }
    FlightCommand& cmd = *parsed;
    auto fa = std::make_unique<FlightAnalysis>();
    fa->numberLocale = cmd.locale;
    const Status opened = fa->openRecordFile(cmd.file);
    if (!fa->lastRead.complete)
        err << "tarvel: warning: " << cmd.file << ": reading stopped at " << fa->lastRead.stoppedAt
            << "; the samples before it are used\n";
    if (!opened.ok && !fa->lastRead.samplesFound) {
        err << "tarvel: " << opened.message << "\n";
        exitCode = kExitFailure;
        return std::nullopt;
    }
    // A refused recalculation leaves the file open, as the window does, so
    // that the actions can mend its details.
    if (!opened.ok) err << "tarvel: warning: " << cmd.file << ": " << opened.message << "\n";
    for (const WindowAction& a : cmd.actions) {
        const Status s = apply(*fa, a);
        if (!s.ok) {
            err << "tarvel: " << a.option << ": " << s.message << "\n";
            exitCode = kExitFailure;
            return std::nullopt;
        }
    }
    if (needsFigures && !fa->computed) {
        err << "tarvel: " << cmd.file << ": the flight could not be computed: " << opened.message << "\n";
        exitCode = kExitFailure;
        return std::nullopt;
    }
    exitCode = kExitOk;
    return Session{std::move(cmd), std::move(fa)};
}

// The output file, or standard output for "-".
constexpr std::string_view kStandardOutput = "-";

int reportWrite(const Status& s, std::ostream& err) {
    if (s.ok) return kExitOk;
    err << "tarvel: " << s.message << "\n";
    return kExitFailure;
}

// Writing the record over the file it was read only in part from needs --force.
bool refusedOverPartlyRead(const FlightCommand& cmd, const FlightAnalysis& fa, std::ostream& err) {
    if (cmd.force || !fa.overwritesPartlyReadFile(cmd.outputs[0])) return false;
    err << "tarvel: " << fa.partlyReadWarning() << " Give --force to save over it all the same.\n";
    return true;
}

// A failure to write it is reported once all output is done (runCommandLine).
int writeToStandardOutput(const std::string& text, std::ostream& out) {
    out << text;
    return kExitOk;
}

std::string shortest(double value) {
    if (value == 0) return "0";  // no "-0" from a zero altitude times a negative scale
    return shortestText(value).value_or("nan");
}

constexpr VerbForm kSummary{"summary", 0, true, false, false};
constexpr VerbForm kSeries{"series", 0, false, false, false};
constexpr VerbForm kSave{"save", 1, false, false, false, true};
constexpr VerbForm kCsv{"csv", 1, false, false, false, true};
constexpr VerbForm kEng{"eng", 1, false, true, false};
constexpr VerbForm kTable{"table", 1, false, false, false, true};
constexpr VerbForm kRender{"render", 1, false, false, true};
constexpr VerbForm kStats{"stats", 0, true, false, false, false, true};
constexpr VerbForm kReport{"report", 1, false, false, false, true, false, true};

}  // namespace

std::string summaryJson(const FlightAnalysis& fa, std::string_view file) {
    std::string j = "{";
    auto key = [&j](std::string_view name) {
        if (j.back() != '{') j += ",";
        j += jsonString(name) + ":";
    };
    key("file"), j += jsonString(file);
    key("SampleCount"), j += std::to_string(fa.samples.SampleCount);
    key("MotorDurationIndex"), j += std::to_string(fa.MotorDurationIndex);
    key("units"), j += "{";
    key("Distance"), j += std::to_string(fa.units.Distance);
    key("Velocity"), j += std::to_string(fa.units.Velocity);
    key("Thrust"), j += std::to_string(fa.units.Thrust);
    key("Mass"), j += std::to_string(fa.units.Mass);
    j += "}";
    key("captions"), j += "{";
    key("lblUnitsMass"), j += jsonString(fa.captions.lblUnitsMass);
    key("lblVelocity"), j += jsonString(fa.captions.lblVelocity);
    key("lblAltitude"), j += jsonString(fa.captions.lblAltitude);
    key("lblUnitsThrust"), j += jsonString(fa.captions.lblUnitsThrust);
    j += "}";
    key("details"), j += "{";
    for (int i = 0; i < kDetailFieldCount; ++i) {
        const auto field = static_cast<DetailField>(i);
        key(detailFieldName(field)), j += jsonString(fa.detail(field));
    }
    j += "}";
    const FigureTexts& f = fa.figures;
    key("figures"), j += "{";
    const std::pair<std::string_view, const std::string*> figures[] = {
        {"MaxAccel", &f.MaxAccel},          {"MinAccel", &f.MinAccel},       {"MaxVelocity", &f.MaxVelocity},
        {"MaxAltitude", &f.MaxAltitude},    {"Velocity3Ft", &f.Velocity3Ft}, {"MaxThrust", &f.MaxThrust},
        {"TotalImpulse", &f.TotalImpulse},  {"AveThrust", &f.AveThrust},     {"Label5", &f.Label5},
        {"BaroAltitude", &fa.BaroAltitude},
    };
    for (const auto& [name, text] : figures) key(name), j += jsonString(*text);
    j += "}";
    key("MotorClass"), j += jsonString(report::motorClassShown(f));
    // The figures again as numbers with their units, for scripts.
    key("values"), j += "{";
    for (const report::FigureValue& v : report::figureValues(fa)) {
        key(v.key), j += "{";
        key("value"), j += jsonNumber(v.value);
        key("unit"), j += v.unit ? jsonString(*v.unit) : "null";
        j += "}";
    }
    j += "}";
    return j + "}\n";
}

std::string summaryTable(const FlightAnalysis& fa, std::string_view file) {
    std::ostringstream out;
    auto row = [&out](std::string_view label, std::string_view value, std::string_view unit = {}) {
        out << "  " << label << std::string(label.size() < 22 ? 22 - label.size() : 1, ' ') << value;
        if (!unit.empty() && !value.empty()) out << ' ' << unit;
        out << '\n';
    };
    out << "File " << file << '\n';
    row("Samples", std::to_string(fa.samples.SampleCount));
    row("Motor duration index", std::to_string(fa.MotorDurationIndex));
    const report::WindowPanels panels = report::windowPanels(fa);
    for (const report::Panel* panel : {&panels.rocket, &panels.misc, &panels.motor, &panels.performance}) {
        out << panel->title << '\n';
        for (const report::PanelRow& r : panel->rows) {
            std::string value = r.value;  // the notes on one line
            for (size_t at; (at = value.find("\r\n")) != std::string::npos;) value.replace(at, 2, " / ");
            row(r.label, value, r.unit);
        }
    }
    return out.str();
}

std::string seriesCsv(const FlightAnalysis& fa) {
    const SampleStore& s = fa.samples;
    std::string out = "i,DeltaTime,Pressure,Accel,Velocity,Altitude,Thrust\n";
    for (int i = 1; i <= s.SampleCount && i <= kLastSlot; ++i) {
        out += std::to_string(i);
        for (const SampleArray* column :
             {&s.aDeltaTime, &s.aPressure, &s.aAccel, &s.aVelocity, &s.aAltitude, &s.aThrust})
            out += "," + shortest(at(*column, i));
        out += '\n';
    }
    return out;
}

int summaryVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kSummary, environment, args, err, code);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    out << (cmd.json ? summaryJson(*fa, cmd.file) : summaryTable(*fa, cmd.file));
    return kExitOk;
}

int seriesVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kSeries, environment, args, err, code);
    if (!session) return code;
    out << seriesCsv(*session->second);
    return kExitOk;
}

int saveVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kSave, environment, args, err, code, false);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    const std::string& path = cmd.outputs[0];
    if (path == kStandardOutput) return writeToStandardOutput(recordText(*fa), out);
    if (refusedOverPartlyRead(cmd, *fa, err)) return kExitFailure;
    return reportWrite(fa->saveRecordFileAs(path, true), err);
}

int csvVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kCsv, environment, args, err, code, false);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    const std::string& path = cmd.outputs[0];
    if (path == kStandardOutput) return writeToStandardOutput(csvText(*fa), out);
    if (refusedOverPartlyRead(cmd, *fa, err)) return kExitFailure;
    return reportWrite(exportCsvFile(*fa, path, true), err);
}

int engVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kEng, environment, args, err, code);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    // The dialog opens with its proposals; the fields given are typed over them.
    MotorExportDialog dialog = fa->motorExportDialog();
    const std::pair<std::string_view, std::string*> fields[] = {
        {"diameter", &dialog.txtDiameter},
        {"length", &dialog.txtLength},
        {"propellant", &dialog.txtPropelWeight},
        {"total", &dialog.txtTotalMotorWeight},
    };
    for (const auto& [name, text] : fields)
        if (auto it = cmd.exportFields.find(name); it != cmd.exportFields.end()) *text = it->second;
    // A refused field is the user's to correct, not a failure to write.
    if (const Status check = checkMotorExport(*fa, dialog); !check.ok) {
        err << "tarvel: eng: " << check.message << "\n";
        return kExitFailure;
    }
    const std::string& path = cmd.outputs[0];
    if (path == kStandardOutput) return writeToStandardOutput(motorFileText(*fa, dialog), out);
    return reportWrite(exportMotorFile(*fa, dialog, path), err);
}

int tableVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kTable, environment, args, err, code);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    const std::string& path = cmd.outputs[0];
    if (path == kStandardOutput) return writeToStandardOutput(dataTableOf(*fa), out);
    // A table written over the record it was made from would take the flight's place.
    std::error_code ec;
    if (!cmd.force && std::filesystem::equivalent(path, cmd.file, ec)) {
        err << "tarvel: " << path
            << " is the record file itself: the table would replace the flight. Give --force "
            << "to write it there all the same.\n";
        return kExitFailure;
    }
    return reportWrite(exportDataTableFile(*fa, path), err);
}

int statsVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    // The events and the estimate read the recorded columns alone, so a
    // flight the recalculation refuses still has them.
    auto session = openSession(kStats, environment, args, err, code, false);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    fa->railLength = cmd.railLength;
    const events::FlightReport& report = fa->flightReport();
    if (cmd.json)
        out << events::reportJson(report, cmd.file, cmd.series);
    else
        out << "File " << cmd.file << '\n' << events::reportText(report, cmd.locale);
    return kExitOk;
}

int reportVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    int code;
    auto session = openSession(kReport, environment, args, err, code);
    if (!session) return code;
    const auto& [cmd, fa] = *session;
    const std::string& path = cmd.outputs[0];
    std::error_code ignored;  // an OUT that does not exist yet is no other name of FILE
    if (path != kStandardOutput && !cmd.force && std::filesystem::equivalent(cmd.file, path, ignored)) {
        err << "tarvel: report: " << path
            << " is the record file itself; give --force to write the report over it\n";
        return kExitFailure;
    }
    const GuiApplicationScope gui;  // fonts
    const report::ReportSetup setup{cmd.paper.value_or(report::paperOf(QLocale::system())), cmd.file,
                                    "tarvel " + programVersion().toStdString()};
    if (path == kStandardOutput) {
        const QByteArray pdf = report::reportPdf(*fa, setup);
        return writeToStandardOutput(std::string(pdf.constData(), size_t(pdf.size())), out);
    }
    return reportWrite(report::writeReportPdf(*fa, path, setup), err);
}

int renderVerb(const Environment& environment, const Args& args, std::ostream& out, std::ostream& err) {
    const std::optional<FlightCommand> cmd = parse(kRender, environment, args, err);
    if (!cmd) return kExitUsage;
    const GuiApplicationScope gui;
    return renderWindowPng(cmd->file, cmd->outputs[0], cmd->width, cmd->height, cmd->locale, cmd->actions,
                           out, err, cmd->overlay)
               ? kExitOk
               : kExitFailure;
}

std::vector<Verb> flightVerbs() {
    return {
        {"summary", "tarvel summary FILE.rcd [ACTIONS...] [--json] [--locale NAME]", summaryVerb},
        {"series", "tarvel series  FILE.rcd [ACTIONS...]", seriesVerb},
        {"save", "tarvel save    FILE.rcd OUT.rcd [ACTIONS...] [--force]", saveVerb},
        {"csv", "tarvel csv     FILE.rcd OUT.csv [ACTIONS...] [--force]", csvVerb},
        {"eng",
         "tarvel eng     FILE.rcd OUT.eng --diameter MM --length MM --total OZ [--propellant OZ] "
         "[ACTIONS...]\n"
         "                 (the total motor weight must not be below the propellant weight, which is\n"
         "                 proposed from the flight)",
         engVerb},
        {"table",
         "tarvel table   FILE.rcd OUT.csv [ACTIONS...] [--force]\n"
         "                 (one header row with the unit in each name, then a row per sample: time,\n"
         "                 acceleration, pressure, velocity, altitude, thrust in the flight's units, the\n"
         "                 best estimate of altitude and velocity with their standard deviations and the\n"
         "                 event at that sample; RFC 4180, UTF-8, \".\" decimals)",
         tableVerb},
        {"render",
         "tarvel render FILE.rcd OUT.png [ACTIONS...] [--range T1:T2] [--move T] [--click T] [--rclick T]\n"
         "                 [--ruler T] [--locale NAME] [--size WxH] [--events] [--estimate]\n"
         "                 (the main window as a PNG; --range zooms the graph to T1..T2 seconds;\n"
         "                 --move/--click/--rclick put the pointer on the graph at T seconds, --rclick\n"
         "                 twice measures a descent rate, --ruler twice the change between two times;\n"
         "                 all in the order given, so --range after --mode; --events draws the flight's\n"
         "                 events as labelled lines, --estimate the best estimate of altitude and\n"
         "                 velocity with a band of two standard deviations)",
         renderVerb},
        {"report",
         "tarvel report FILE.rcd OUT.pdf [ACTIONS...] [--paper a4|letter] [--force]\n"
         "                 (the flight report: details, figures, events, statistics and the graph on one\n"
         "                 or two pages; the paper follows the locale's measurement system (LC_ALL,\n"
         "                 LC_MEASUREMENT, LANG) unless --paper names it; --force writes OUT over FILE)",
         reportVerb},
        {"stats",
         "tarvel stats  FILE.rcd [ACTIONS...] [--rail M] [--json] [--series] [--locale NAME]\n"
         "                 (launch, burnout, apogee, deployments and landing, the figures of each flight\n"
         "                 phase and the best estimate of altitude and velocity with its uncertainty;\n"
         "                 --rail sets the launch rail length, 1.0 m by default; --json gives SI units,\n"
         "                 --series adds the estimate per sample to it and implies --json)",
         statsVerb},
    };
}

}  // namespace tarvel::cli
