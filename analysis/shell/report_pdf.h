#pragma once
// The flight report: one or two pages with the flight's name, place, date and
// notes, the rocket details, the figures of the main window, the events and
// statistics, and the graph. Everything is drawn with QPainter straight onto
// the PDF, so its text stays text (found by a viewer's search, copied out)
// and the graph stays lines at any zoom. Qt Gui only: the window and the
// `tarvel report` command both call it.

#include <QByteArray>
#include <optional>
#include <string>
#include <string_view>

#include "flight_analysis.h"

class QLocale;

namespace tarvel::report {

enum class Paper { A4, Letter };

// Letter where the locale measures in US units, A4 everywhere else.
Paper paperOf(const QLocale& locale);
// "a4" or "letter", in any case.
std::optional<Paper> paperNamed(std::string_view name);

struct ReportSetup {
    Paper paper = Paper::A4;
    std::string file;     // the record's path: the title of a flight without a name
    std::string creator;  // the program writing it, for the PDF's metadata
};

// The flight's name, else the record file's base name.
std::string reportTitle(const FlightAnalysis& fa, const std::string& file);

// The PDF of a flight the window has computed (a QGuiApplication must exist).
QByteArray reportPdf(const FlightAnalysis& fa, const ReportSetup& setup);

// reportPdf into `path`, replacing the file only once it is written whole.
// A flight without figures is refused with a message saying so.
Status writeReportPdf(const FlightAnalysis& fa, const std::string& path, const ReportSetup& setup);

}  // namespace tarvel::report
