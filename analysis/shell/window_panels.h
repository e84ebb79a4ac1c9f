#pragma once
// What the main window shows of a flight, panel by panel, as texts: the
// figures and details exactly as their labels and fields hold them. The
// summary table, its JSON and the printed report all read them from here.
// Standard library only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flight_analysis.h"

namespace tarvel::report {

struct PanelRow {
    std::string label;  // the caption beside it in the window
    std::string value;  // as shown; notes keep their CR LF
    std::string unit;   // the unit label beside it ("(oz)"), empty for none
};

struct Panel {
    std::string title;
    std::vector<PanelRow> rows;
};

// The impulse class the window shows after "Ave Thrust-", empty for none.
std::string motorClassShown(const FigureTexts& figures);

// The panels of the main window in its order.
struct WindowPanels {
    Panel rocket;       // "Rocket Details"
    Panel misc;         // "Misc Details": name, place, date, notes
    Panel motor;        // "Motor Performance"
    Panel performance;  // "Rocket Performance"
};
WindowPanels windowPanels(const FlightAnalysis& fa);

// A shown figure as a number for scripts: `value` is the text read back in
// the locale it was written in (none for an empty text), `unit` the unit it is
// shown in (none where the window names none, as for the baro altitude that
// the record file carries as it is).
struct FigureValue {
    std::string_view key;  // the label's name ("MaxAltitude")
    std::optional<double> value;
    std::optional<std::string> unit;
};
std::vector<FigureValue> figureValues(const FlightAnalysis& fa);

}  // namespace tarvel::report
