#pragma once
// The one flight the analysis program holds, with everything the main window
// shows about it. The window binds its widgets to this object and the `tarvel`
// command line drives it the same way, so both behave alike.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

inline constexpr int kLastSlot = 20000;  // sample slots 0..20000, samples in 1..SampleCount
using SampleArray = std::array<double, kLastSlot + 1>;
// The figures and the all-curves graph reduce the samples to blocks of
// SampleCount / 200 (rounded half to even): a flight of fewer samples has no
// block, so no figure and no curve in that view.
inline constexpr int kMinSummarySamples = 101;

struct SampleStore {
    SampleArray aDeltaTime{};
    SampleArray aPressure{};
    SampleArray aAccel{};
    SampleArray aVelocity{};
    SampleArray aAltitude{};
    SampleArray aThrust{};
    int16_t SampleCount = 1;
};

// The nine rocket-detail fields, in the order the window lists them.
enum class DetailField {
    FileDetailName,
    FileDetailPlace,
    FileDetailDate,
    FileDetailCoefficientDrag,
    FileDetailWeight,
    FileDetailPropellantWt,
    FileDetailDiameter,
    txtMotorDuration,
    FileDetailNotes,
};
inline constexpr int kDetailFieldCount = 9;
std::string_view detailFieldName(DetailField field);
std::optional<DetailField> detailFieldFromName(std::string_view name);

// The units dialog's selection (frmUnits): Distance 0 ft 1 m; Velocity 0 mph
// 1 ft/s 2 km/h 3 m/s; Thrust 0 N 1 lbs; Mass 0 oz 1 lbs 2 g.
struct UnitSelection {
    int16_t Distance = 0;
    int16_t Velocity = 0;
    int16_t Thrust = 0;
    int16_t Mass = 0;
    bool operator==(const UnitSelection&) const = default;
};

// Captions of the main window's unit label arrays (every label of an array
// carries the same caption). They start as the units selection starts (thrust
// in newtons too), so the window and the units dialog agree from the start.
struct UnitCaptions {
    std::string lblUnitsMass = "(oz)";
    std::string lblVelocity = "(mph)";
    std::string lblAltitude = "(ft)";
    std::string lblUnitsThrust = "(N)";
    static constexpr std::string_view lblAccel = "Accel(G)";
};

// Texts of the performance labels, exactly as the window shows them.
struct FigureTexts {
    std::string MaxAccel, MinAccel, MaxVelocity, MaxAltitude, Velocity3Ft;
    std::string MaxThrust, TotalImpulse, AveThrust;
    std::string Label5 = "Ave Thrust-";
    bool operator==(const FigureTexts&) const = default;
};

// Check marks of the Graph menu.
struct GraphMenu {
    bool mnuGraphAll = true;
    bool mnuGraphAccelThrust = false;
    bool mnuGraphThrust = true;
    bool mnuGraphAltitude = true;
    bool mnuGraphVelocity = true;
    bool mnuGraphAccel = true;
};

// Digit grouping and decimal point used for figures shown on screen.
// Both are whole texts in the locale's encoding: some locales write their
// point or separator as several bytes (U+066B, two in UTF-8).
struct NumberLocale {
    std::string decimalPoint = ".";
    std::string groupSeparator = ",";  // empty for no grouping
    static NumberLocale system();
    static std::optional<NumberLocale> named(std::string_view name);  // "en_US", "de_DE", "C", ...
    // From a locale's point, separator and grouping as the C library gives
    // them (grouping as in localeconv: empty or a first group of 0 for none).
    static NumberLocale fromPunctuation(std::string_view point, std::string_view separator,
                                        std::string_view grouping);
};

// Outcome of a command the user can act on; `message` is the text for the
// message box when !ok.
struct Status {
    bool ok = true;
    std::string message;
    static Status success() { return {}; }
    static Status failure(std::string text) { return {false, std::move(text)}; }
};

// How the last reading of a record file ended. A reading that meets a field
// that is not a number stops there and keeps what it had read; Open still
// shows the flight, and `stoppedAt` says where and why.
struct RecordReadReport {
    bool complete = true;
    std::string stoppedAt;
    bool samplesFound = false;  // at least one sample value was stored
};

class FlightAnalysis;

// The drawing steps of a recalculation. Until a graph is attached they are
// skipped, so the command line runs the same sequence without drawing.
class GraphHooks {
public:
    virtual ~GraphHooks() = default;
    virtual void InitGraph() = 0;    // reset geometry and the five axis records
    virtual void ClearCurves() = 0;  // hide every drawn curve segment
    virtual void AdjAllAxisValues() = 0;
    virtual void AdjThrustAxisValues() = 0;
    virtual void DrawAxes() = 0;
    virtual void DrawGraph() = 0;
    virtual void DrawThurstCurveGraph() = 0;
};

class FlightAnalysis {
public:
    FlightAnalysis();  // start-up state of the main window

    // --- state (public, as the window's members are) ---
    SampleStore samples;
    std::array<std::string, kDetailFieldCount> details;  // indexed by DetailField
    UnitSelection units;
    UnitCaptions captions;
    FigureTexts figures;
    GraphMenu graphMenu;
    std::string BaroAltitude = "0.00";
    std::string Comport = "COM1";
    std::string CurOpenFileName;
    bool bValidFile = false;
    int16_t MotorDurationIndex = 0;
    NumberLocale numberLocale = NumberLocale::system();
    RecordReadReport lastRead;  // of the last openRecordFile
    // A recalculation has succeeded since the last openRecordFile: the derived
    // values and figures belong to the samples held.
    bool computed = false;

    std::string& detail(DetailField f) { return details[static_cast<int>(f)]; }
    const std::string& detail(DetailField f) const { return details[static_cast<int>(f)]; }

    void attachGraph(GraphHooks* graph) { m_graph = graph; }
    GraphHooks* graph() const { return m_graph; }

    // --- commands, named after the window handlers they serve ---
    // Zeroes the six sample arrays and puts the detail defaults back, with the
    // weight unit they are in (ounces); leaves SampleCount, the other units and
    // captions, BaroAltitude and the figures alone.
    void ClearFlightRecord();
    // Weight, diameter, drag coefficient, propellant weight, motor duration.
    bool isNumericDetail(DetailField field) const;
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
    Status mnuGraphAll_Click();
    Status mnuGraphAccelThrust_Click();
    Status mnuGraphThrust_Click();
    Status mnuGraphAltitude_Click();
    Status mnuGraphVelocity_Click();
    Status mnuGraphAccel_Click();
    // Units dialog "&OK" with the ticked buttons: converts the shown figures
    // and weights (Cut-1 / Cut-3), relabels and recalculates.
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

private:
    Status checkComputable(bool needsPressure) const;
    Status recalculateAllCurves();
    Status recalculateBurn(bool withSummary);

    GraphHooks* m_graph = nullptr;
};

}  // namespace tarvel
