#pragma once
// The main window's model: the flight it holds with the last derived result,
// and everything the window shows about it (figure texts, unit captions,
// Graph-menu checks, the current file, the port name). The window binds its
// widgets to this object and the `tarvel` command line drives it the same
// way, so both behave alike. Standard library only.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "derivation.h"
#include "flight.h"
#include "flight_report.h"
#include "motor_file.h"
#include "rocket_profile.h"

namespace tarvel {

// Captions of the main window's unit label arrays (every label of an array
// carries the same caption).
struct UnitCaptions {
    std::string lblUnitsMass = "(oz)";
    std::string lblVelocity = "(mph)";
    std::string lblAltitude = "(ft)";
    std::string lblUnitsThrust = "(N)";
    static constexpr std::string_view lblAccel = "Accel(G)";
};
UnitCaptions unitCaptions(const UnitSelection& units);

// Texts of the performance labels, exactly as the window shows them.
struct FigureTexts {
    std::string MaxAccel, MinAccel, MaxVelocity, MaxAltitude, Velocity3Ft;
    std::string MaxThrust, TotalImpulse, AveThrust;
    std::string Label5 = "Ave Thrust-";
    bool operator==(const FigureTexts&) const = default;
};

// `f` into the texts; a figure that is no finite number keeps its text.
void showFigures(FigureTexts& shown, const FlightFigures& f, const NumberLocale& locale);

// Check marks of the Graph menu.
struct GraphMenu {
    bool mnuGraphAll = true;
    bool mnuGraphAccelThrust = false;
    bool mnuGraphThrust = true;
    bool mnuGraphAltitude = true;
    bool mnuGraphVelocity = true;
    bool mnuGraphAccel = true;
    bool mnuGraphEvents = true;     // the events as labelled lines
    bool mnuGraphEstimate = false;  // the best estimate with its band
};

// What a command asks of the graph, in order; the window plays the steps on
// its graph after the command (the command line has none to play).
enum class GraphStep {
    Init,           // reset geometry and the five axis records
    ClearCurves,    // hide every drawn curve segment
    AdjAllAxes,     // widen the axes over the whole flight
    AdjThrustAxes,  // widen the axes over the burn
    Axes,           // lay out the axes
    AllCurves,      // draw the all-curves view
    Burn,           // draw the burn view
    Redraw,         // draw the view last drawn again, over the axes as they are
};

class FlightAnalysis : public Flight {
public:
    FlightAnalysis();  // start-up state of the main window

    // --- window state (public, as the window's members are) ---
    UnitCaptions captions;
    FigureTexts figures;
    GraphMenu graphMenu;
    std::string Comport = "COM1";
    std::string CurOpenFileName;
    bool bValidFile = false;
    int16_t MotorDurationIndex = 0;  // of the thrust held
    NumberLocale numberLocale{".", ""};
    // A recalculation has succeeded since the last openRecordFile: the derived
    // values and figures belong to the samples held.
    bool computed = false;

    // The graph steps asked for since the last call.
    std::vector<GraphStep> takeGraphSteps() { return std::exchange(m_graphSteps, {}); }

    // --- commands, named after the window handlers they serve ---
    // Zeroes the six sample columns and puts the detail defaults back, with the
    // weight unit they are in (ounces); leaves SampleCount, the other units and
    // captions, BaroAltitude and the figures alone.
    void ClearFlightRecord();
    bool isNumericDetail(DetailField field) const { return tarvel::isNumericDetail(field); }
    // "&Open" after the file dialog: reads `path` whole, then RecalculateGraph.
    // A file that cannot be read, is too large to be a record or holds no
    // sample gives !ok with the reason and changes nothing. Otherwise the file
    // replaces the flight held (`replaced`, if given, is set) with figures of
    // its own or none. A reading that stopped at a bad field is no failure:
    // `lastRead` says where. A refused recalculation, or a flight too short
    // for the figures (kMinSummarySamples), gives !ok with the message but
    // leaves the file loaded, so later commands can mend its details.
    Status openRecordFile(const std::string& path, bool* replaced = nullptr);
    // Recompute and redraw in the ticked view, then refresh the figures. A
    // motor duration of 0 or no number, a first pressure of 0 (all-curves
    // view) or a result that is no finite number gives !ok with a message,
    // and every derived value and figure stays as it was.
    Status RecalculateGraph();
    // "&Recalculate": the all-curves way whatever the view; nothing without a record.
    Status mnuRecalc_Click();
    // Leaving a numeric detail field: recalculates when the text is a number
    // greater than 0 and a record is loaded.
    Status commitDetail(DetailField field, const std::string& text);
    // Leaving several fields in turn, each with its text typed (a rocket
    // profile applied): every text is taken, the first refusal returned.
    Status commitDetails(const std::vector<std::pair<DetailField, std::string>>& texts);
    Status mnuGraphAll_Click();
    Status mnuGraphAccelThrust_Click();
    Status mnuGraphThrust_Click();
    Status mnuGraphAltitude_Click();
    Status mnuGraphVelocity_Click();
    Status mnuGraphAccel_Click();
    // Turn the event lines and the estimate on or off and redraw the view.
    Status mnuGraphEvents_Click();
    Status mnuGraphEstimate_Click();
    // Units dialog "&OK" with the ticked buttons: converts the shown figures
    // and weights (Cut-1 / Cut-3), relabels and recalculates. A refused
    // recalculation leaves units, figures and weights as they were.
    Status applyUnits(const UnitSelection& ticked);
    // Save / Save As write CurOpenFileName (Save As sets it first, even when
    // the writing then fails). The file is replaced only by a complete one.
    // Over the file the record was read only in part from, they refuse unless
    // `overPartlyRead` (the user agreed to lose what was not read).
    Status saveRecordFile(bool overPartlyRead = false);
    Status saveRecordFileAs(const std::string& path, bool overPartlyRead = false);
    // The file of the last openRecordFile when its reading stopped part way
    // (empty otherwise): writing the record over it drops what was not read.
    std::string partlyReadFile;
    // Writing the record to `path` would put it over partlyReadFile; the
    // warning then says what would be lost.
    bool overwritesPartlyReadFile(const std::string& path) const;
    std::string partlyReadWarning() const;
    // The refusal of a record written over partlyReadFile unless agreed;
    // success when `path` is another file, and after an agreed write.
    Status checkRecordTarget(const std::string& path, bool overPartlyRead) const;
    // The motor export dialog as it opens, with the proposals the shown
    // figures give, and its designation ("G64").
    MotorExportDialog motorExportDialog() const;
    std::string motorDesignation() const { return motorExportDialog().lblDesignation; }

    // The launch rail's length the statistics take (the user's setting), m.
    double railLength = events::kDefaultRailLengthM;
    // The events, statistics and estimate of the samples held; worked out
    // again only once the recorded columns or the rail length have changed.
    const events::FlightReport& flightReport() const;

private:
    // The view the Graph menu ticks, none when neither is.
    std::optional<DerivedView> tickedView() const;
    // Asks for the view shown to be drawn again.
    Status redrawView();
    // Derives the flight in `view` from the details, units and previous
    // velocities given; on success takes the result (and, `withSummary`, its
    // figures into `shown`) and asks for the drawing. On failure nothing changes.
    Status derive(DerivedView view, bool withSummary, const DetailTexts& from, const UnitSelection& in,
                  const SampleArray& previousVelocity, FigureTexts& shown);
    Status recalculate(DerivedView view, bool withSummary);
    void ask(std::initializer_list<GraphStep> steps) { m_graphSteps.insert(m_graphSteps.end(), steps); }

    std::vector<GraphStep> m_graphSteps;
    struct ReportOf {
        events::FlightSamples samples;
        double railLength = 0;
    };
    mutable std::optional<ReportOf> m_reportOf;
    mutable events::FlightReport m_report;
};

// "Export to .CSV" holds the saved record, so it is Save As: the chosen file
// becomes the current file (a later Save writes it) even when writing fails,
// the old file is replaced only by a complete one, and the file the record was
// read only in part from is refused unless `overPartlyRead`.
Status exportCsvFile(FlightAnalysis& fa, const std::string& path, bool overPartlyRead = false);

// A rocket profile applied as if the user typed its details into their fields
// and left them one by one (commitDetails), the weights in the flight's unit.
Status applyRocketProfile(const RocketProfile& profile, FlightAnalysis& analysis);

// "Export › Data Table (CSV)...": the table of the flight as computed last,
// with its events and estimate (data_table.h). The current file stays; the
// old file is replaced only by a complete one. A flight that no
// recalculation has computed has no table: refused, saying why.
std::string dataTableOf(const FlightAnalysis& fa);
Status exportDataTableFile(const FlightAnalysis& fa, const std::string& path);

}  // namespace tarvel
