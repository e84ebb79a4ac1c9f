#include "flight_analysis.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "kinematics.h"
#include "number_text.h"
#include "record_reader.h"
#include "record_writer.h"
#include "summary.h"
#include "units.h"

namespace tarvel {

namespace {

constexpr std::string_view kDetailNames[kDetailFieldCount] = {
    "FileDetailName",   "FileDetailPlace",        "FileDetailDate",     "FileDetailCoefficientDrag",
    "FileDetailWeight", "FileDetailPropellantWt", "FileDetailDiameter", "txtMotorDuration",
    "FileDetailNotes",
};

// The texts the fields show when the window opens; they differ from the
// defaults that ClearFlightRecord restores (weight "1.00" against "16.00").
constexpr std::string_view kStartupTexts[kDetailFieldCount] = {
    "", "", "", "0.6", "1.00", "0.00", "2.00", "2.0", "",
};

// Defaults after a clear, in the order the clear has always set them.
constexpr std::pair<DetailField, std::string_view> kClearedTexts[] = {
    {DetailField::FileDetailCoefficientDrag, "0.6"},
    {DetailField::FileDetailWeight, "16.00"},
    {DetailField::FileDetailPropellantWt, "2.0"},
    {DetailField::FileDetailPlace, ""},
    {DetailField::FileDetailNotes, ""},
    {DetailField::FileDetailName, ""},
    {DetailField::txtMotorDuration, "2.0"},
    {DetailField::FileDetailDiameter, "2.00"},
    {DetailField::FileDetailDate, ""},
};

// Keeps the derived arrays and figures of the last good calculation, so a
// calculation that produced values that are not numbers can be undone.
struct DerivedSnapshot {
    SampleArray velocity, altitude, thrust;
    FigureTexts figures;
    int16_t motorDurationIndex;

    explicit DerivedSnapshot(const FlightAnalysis& fa)
        : velocity(fa.samples.aVelocity),
          altitude(fa.samples.aAltitude),
          thrust(fa.samples.aThrust),
          figures(fa.figures),
          motorDurationIndex(fa.MotorDurationIndex) {}

    void restore(FlightAnalysis& fa) const {
        fa.samples.aVelocity = velocity;
        fa.samples.aAltitude = altitude;
        fa.samples.aThrust = thrust;
        fa.figures = figures;
        fa.MotorDurationIndex = motorDurationIndex;
    }
};

bool allFinite(const SampleArray& values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

bool derivedFinite(const FlightAnalysis& fa) {
    return allFinite(fa.samples.aVelocity) && allFinite(fa.samples.aAltitude) &&
           allFinite(fa.samples.aThrust);
}

const Status kNotComputable = Status::failure(
    "The flight cannot be computed with these details: a result is not a number. "
    "The previous results are kept.");

}  // namespace

std::string_view detailFieldName(DetailField field) { return kDetailNames[static_cast<int>(field)]; }

std::optional<DetailField> detailFieldFromName(std::string_view name) {
    for (int i = 0; i < kDetailFieldCount; ++i)
        if (kDetailNames[i] == name) return static_cast<DetailField>(i);
    return std::nullopt;
}

FlightAnalysis::FlightAnalysis() {
    for (int i = 0; i < kDetailFieldCount; ++i) details[i] = kStartupTexts[i];
}

void FlightAnalysis::ClearFlightRecord() {
    samples.aDeltaTime.fill(0);
    samples.aPressure.fill(0);
    samples.aAccel.fill(0);
    samples.aVelocity.fill(0);
    samples.aAltitude.fill(0);
    samples.aThrust.fill(0);
    for (const auto& [field, text] : kClearedTexts) detail(field) = text;
    // The default weights are ounces. A file that names no weight unit (a
    // download) must not have them read in the unit of the previous file.
    SetWeightOz(*this);
    captions.lblUnitsMass = unitTag(UnitGroup::Mass, units.Mass);
}

bool FlightAnalysis::isNumericDetail(DetailField field) const {
    switch (field) {
        case DetailField::FileDetailWeight:
        case DetailField::FileDetailDiameter:
        case DetailField::FileDetailCoefficientDrag:
        case DetailField::FileDetailPropellantWt:
        case DetailField::txtMotorDuration:
            return true;
        default:
            return false;
    }
}

Status FlightAnalysis::openRecordFile(const std::string& path, bool* replaced) {
    if (replaced) *replaced = false;
    std::string bytes;
    if (Status read = readWholeFile(path, bytes); !read.ok) return read;
    // The file is read whole into a record of its own, so that a file that is
    // no record leaves the flight held as it was. Units the file does not name
    // stay as they are.
    auto incoming = std::make_unique<FlightAnalysis>();
    incoming->units = units;
    incoming->captions = captions;
    const RecordReadReport report = loadRecord(bytes, *incoming);
    if (!report.samplesFound) return Status::failure("No flight samples were found in " + path + ".");

    samples = incoming->samples;
    details = incoming->details;
    units = incoming->units;
    captions = incoming->captions;
    // The baro altitude and the figures belong to the flight: a file without
    // them must not show (or save) those of the flight before.
    BaroAltitude = incoming->BaroAltitude;
    figures = FigureTexts();
    MotorDurationIndex = 0;
    lastRead = report;
    partlyReadFile = report.complete ? std::string() : path;
    computed = false;
    bValidFile = true;
    CurOpenFileName = path;
    if (replaced) *replaced = true;

    if (m_graph) {
        m_graph->InitGraph();
        m_graph->ClearCurves();
    }
    if (Status recalculated = RecalculateGraph(); !recalculated.ok) {
        if (m_graph) m_graph->DrawAxes();  // the empty axes, not those of the flight before
        return recalculated;
    }
    if (samples.SampleCount < kMinSummarySamples) {
        const int n = samples.SampleCount;
        // (The burn view draws a short flight all the same.)
        return Status::failure("The flight holds " + std::to_string(n) + (n == 1 ? " sample" : " samples") +
                               ", too few for the figures and the All Curves graph: they need at least " +
                               std::to_string(kMinSummarySamples) + ".");
    }
    return Status::success();
}

// Refuses a calculation that would divide by zero, before anything changes:
// the burn is divided by the motor duration, altitudes by the first pressure.
Status FlightAnalysis::checkComputable(bool needsPressure) const {
    const std::optional<double> duration = parseNumber(detail(DetailField::txtMotorDuration));
    if (!duration || *duration == 0)
        return Status::failure("The motor duration \"" + detail(DetailField::txtMotorDuration) +
                               "\" is not a number other than 0. The previous results are kept.");
    if (needsPressure && !(std::isfinite(samples.aPressure[1]) && samples.aPressure[1] != 0))
        return Status::failure(
            "The first pressure sample is 0, so no altitude can be computed. "
            "The previous results are kept.");
    return Status::success();
}

Status FlightAnalysis::recalculateAllCurves() {
    if (Status check = checkComputable(true); !check.ok) return check;
    const auto before = std::make_unique<DerivedSnapshot>(*this);
    CalculateAllValues(*this);
    if (!derivedFinite(*this)) {
        before->restore(*this);
        return kNotComputable;
    }
    if (m_graph) {
        m_graph->AdjAllAxisValues();
        m_graph->DrawAxes();
        m_graph->DrawGraph();
    }
    DisplayAllKnownValues(*this);
    computed = true;
    return Status::success();
}

Status FlightAnalysis::recalculateBurn(bool withSummary) {
    if (Status check = checkComputable(false); !check.ok) return check;
    const auto before = std::make_unique<DerivedSnapshot>(*this);
    CalculateThrustValues(*this);
    // The summary shows the maximum altitude in this view too; without this
    // pass it would show the reader's feet, or the previous unit's values.
    CalculateAltitudes(*this);
    if (!derivedFinite(*this)) {
        before->restore(*this);
        return kNotComputable;
    }
    if (m_graph) {
        m_graph->AdjThrustAxisValues();
        m_graph->DrawAxes();
        m_graph->DrawThurstCurveGraph();
    }
    if (withSummary) DisplayAllKnownValues(*this);
    computed = true;
    return Status::success();
}

Status FlightAnalysis::RecalculateGraph() {
    if (graphMenu.mnuGraphAll) return recalculateAllCurves();
    if (graphMenu.mnuGraphAccelThrust) return recalculateBurn(true);
    return Status::success();  // no view chosen: nothing is computed or drawn
}

Status FlightAnalysis::mnuRecalc_Click() {
    if (!bValidFile) return Status::success();
    // Always the all-curves way, whatever view is ticked.
    return recalculateAllCurves();
}

Status FlightAnalysis::commitDetail(DetailField field, const std::string& text) {
    detail(field) = text;
    if (!isNumericDetail(field)) return Status::success();
    const std::optional<double> value = parseNumber(text);
    if (!value || !(*value > 0) || !bValidFile) return Status::success();
    return RecalculateGraph();
}

Status FlightAnalysis::mnuGraphAll_Click() {
    graphMenu.mnuGraphAccelThrust = false;
    graphMenu.mnuGraphAll = true;
    return bValidFile ? RecalculateGraph() : Status::success();
}

Status FlightAnalysis::mnuGraphAccelThrust_Click() {
    graphMenu.mnuGraphAll = false;
    graphMenu.mnuGraphAccelThrust = true;
    if (!bValidFile) return Status::success();
    if (m_graph) m_graph->InitGraph();
    return recalculateBurn(false);  // the burn view leaves the figures as they are
}

Status FlightAnalysis::mnuGraphThrust_Click() {
    graphMenu.mnuGraphAll = false;
    graphMenu.mnuGraphThrust = true;
    if (!bValidFile) return Status::success();
    if (m_graph) m_graph->InitGraph();
    return recalculateBurn(false);
}

Status FlightAnalysis::mnuGraphAltitude_Click() {
    graphMenu.mnuGraphAll = false;
    graphMenu.mnuGraphAltitude = true;
    if (bValidFile && m_graph) m_graph->DrawGraph();
    return Status::success();
}

Status FlightAnalysis::mnuGraphVelocity_Click() {
    graphMenu.mnuGraphVelocity = !graphMenu.mnuGraphVelocity;
    if (bValidFile && m_graph) m_graph->DrawGraph();
    return Status::success();
}

Status FlightAnalysis::mnuGraphAccel_Click() {
    graphMenu.mnuGraphAccel = !graphMenu.mnuGraphAccel;
    if (bValidFile && m_graph) m_graph->DrawGraph();
    return Status::success();
}

bool FlightAnalysis::overwritesPartlyReadFile(const std::string& path) const {
    std::error_code ec;
    return !partlyReadFile.empty() && std::filesystem::equivalent(path, partlyReadFile, ec);
}

std::string FlightAnalysis::partlyReadWarning() const {
    return partlyReadFile + " was read only in part (reading stopped at " + lastRead.stoppedAt +
           "). Saving over it keeps only the " + std::to_string(samples.SampleCount) +
           " samples read; the rest of the file is lost.";
}

Status FlightAnalysis::checkRecordTarget(const std::string& path, bool overPartlyRead) const {
    if (overPartlyRead || !overwritesPartlyReadFile(path)) return Status::success();
    return Status::failure(partlyReadWarning());
}

Status FlightAnalysis::saveRecordFile(bool overPartlyRead) {
    return saveRecordFileAs(CurOpenFileName, overPartlyRead);
}

Status FlightAnalysis::saveRecordFileAs(const std::string& path, bool overPartlyRead) {
    if (Status target = checkRecordTarget(path, overPartlyRead); !target.ok) return target;
    // The new path is the current file even when writing to it fails.
    CurOpenFileName = path;
    const bool over = overwritesPartlyReadFile(path);
    Status written = writeRecordFile(path, *this);
    // The file now holds the record as it is.
    if (written.ok && over) partlyReadFile.clear();
    return written;
}

}  // namespace tarvel
