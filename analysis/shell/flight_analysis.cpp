#include "flight_analysis.h"

#include <cmath>
#include <filesystem>

#include "data_table.h"
#include "motor_file.h"
#include "number_text.h"
#include "record_reader.h"
#include "record_writer.h"
#include "units.h"

namespace tarvel {

namespace {

// The texts the fields show when the window opens; they differ from the
// defaults of a cleared record (weight "1.00" against "16.00").
constexpr std::string_view kStartupTexts[kDetailFieldCount] = {
    "", "", "", "0.6", "1.00", "0.00", "2.00", "2.0", "",
};

// A value that is not finite (a flight of absurd inputs) keeps the label's
// previous text instead of showing a made-up number.
void showFigure(std::string& label, double value, int decimals, const NumberLocale& locale) {
    if (std::isfinite(value)) label = figureText(value, decimals, locale);
}

}  // namespace

void showFigures(FigureTexts& shown, const FlightFigures& f, const NumberLocale& locale) {
    showFigure(shown.MaxThrust, f.maxThrust, 2, locale);
    shown.Label5 = "Ave Thrust-" + f.motorClass;
    showFigure(shown.AveThrust, f.aveThrust, 2, locale);
    showFigure(shown.MaxAccel, f.maxAccel, 2, locale);
    showFigure(shown.MinAccel, f.minAccel, 2, locale);
    showFigure(shown.Velocity3Ft, f.velocity3Ft, 1, locale);
    showFigure(shown.MaxAltitude, f.maxAltitude, 1, locale);
    showFigure(shown.MaxVelocity, f.maxVelocity, 1, locale);
    showFigure(shown.TotalImpulse, f.totalImpulse, 1, locale);
}

namespace {

// The units dialog writes figures in the general number text, which always
// uses "."; shown figures use the locale's point, so the text is mapped.
std::string localisedCut(double value, int decimals, const NumberLocale& locale) {
    std::string text = cutText(value, decimals);
    if (const size_t point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, locale.decimalPoint);
    return text;
}

// Cut-1 of one shown figure. A figure that is not a number (empty before the
// first summary) is left as it is: there is nothing to convert.
void convertFigure(std::string& figure, double factor, const NumberLocale& locale) {
    if (auto value = parseFigure(figure, locale)) figure = localisedCut(factor * *value, 1, locale);
}

// Cut-3 of one weight field; the fields hold plain "." numbers like the files.
void convertWeight(std::string& field, double factor) {
    if (auto value = parseNumber(field)) field = cutText(factor * *value, 3);
}

}  // namespace

UnitCaptions unitCaptions(const UnitSelection& units) {
    UnitCaptions c;
    c.lblUnitsMass = selectedTag(units, UnitGroup::Mass);
    c.lblVelocity = selectedTag(units, UnitGroup::Velocity);
    c.lblAltitude = selectedTag(units, UnitGroup::Distance);
    c.lblUnitsThrust = selectedTag(units, UnitGroup::Thrust);
    return c;
}

FlightAnalysis::FlightAnalysis() {
    for (int i = 0; i < kDetailFieldCount; ++i) details[static_cast<size_t>(i)] = kStartupTexts[i];
}

void FlightAnalysis::ClearFlightRecord() {
    const int16_t count = samples.SampleCount;
    samples = SampleStore{};
    samples.SampleCount = count;
    details = clearedDetails();
    // The default weights are ounces. A file that names no weight unit (a
    // download) must not have them read in the unit of the previous file.
    SetWeightOz(units);
    captions.lblUnitsMass = unitTag(UnitGroup::Mass, units.Mass);
}

Status FlightAnalysis::openRecordFile(const std::string& path, bool* replaced) {
    if (replaced) *replaced = false;
    std::string bytes;
    if (Status read = readWholeFile(path, bytes); !read.ok) return read;
    // A file that is no record leaves the flight held as it was. Units the
    // file does not name stay as they are.
    Flight incoming = readRecord(bytes, units);
    if (!incoming.lastRead.samplesFound)
        return Status::failure("No flight samples were found in " + path + ".");

    // The baro altitude and the figures belong to the flight: a file without
    // them must not show (or save) those of the flight before.
    static_cast<Flight&>(*this) = std::move(incoming);
    captions = unitCaptions(units);
    figures = FigureTexts();
    MotorDurationIndex = 0;
    partlyReadFile = lastRead.complete ? std::string() : path;
    computed = false;
    bValidFile = true;
    CurOpenFileName = path;
    if (replaced) *replaced = true;

    ask({GraphStep::Init, GraphStep::ClearCurves});
    if (Status recalculated = RecalculateGraph(); !recalculated.ok) {
        ask({GraphStep::Axes});  // the empty axes, not those of the flight before
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

Status FlightAnalysis::derive(DerivedView view, bool withSummary, const DetailTexts& from,
                              const UnitSelection& in, const SampleArray& previousVelocity,
                              FigureTexts& shown) {
    Derivation result = deriveFlight({samples, from, in, view, previousVelocity});
    if (!result.flight) return result.status;
    DerivedFlight& d = *result.flight;
    samples.aVelocity = std::move(d.velocity);
    samples.aAltitude = std::move(d.altitude);
    samples.aThrust = std::move(d.thrust);
    MotorDurationIndex = d.motorDurationIndex;
    if (view == DerivedView::AllCurves)
        ask({GraphStep::AdjAllAxes, GraphStep::Axes, GraphStep::AllCurves});
    else
        ask({GraphStep::AdjThrustAxes, GraphStep::Axes, GraphStep::Burn});
    if (withSummary && d.figures) showFigures(shown, *d.figures, numberLocale);
    computed = true;
    return Status::success();
}

Status FlightAnalysis::recalculate(DerivedView view, bool withSummary) {
    return derive(view, withSummary, details, units, samples.aVelocity, figures);
}

std::optional<DerivedView> FlightAnalysis::tickedView() const {
    if (graphMenu.mnuGraphAll) return DerivedView::AllCurves;
    if (graphMenu.mnuGraphAccelThrust) return DerivedView::Burn;
    return std::nullopt;
}

Status FlightAnalysis::RecalculateGraph() {
    const std::optional<DerivedView> view = tickedView();
    if (!view) return Status::success();  // no view chosen: nothing is computed or drawn
    return recalculate(*view, true);
}

Status FlightAnalysis::mnuRecalc_Click() {
    if (!bValidFile) return Status::success();
    // Always the all-curves way, whatever view is ticked.
    return recalculate(DerivedView::AllCurves, true);
}

Status FlightAnalysis::commitDetail(DetailField field, const std::string& text) {
    detail(field) = text;
    if (!isNumericDetail(field)) return Status::success();
    const std::optional<double> value = parseNumber(text);
    if (!value || !(*value > 0) || !bValidFile) return Status::success();
    return RecalculateGraph();
}

Status FlightAnalysis::commitDetails(const std::vector<std::pair<DetailField, std::string>>& texts) {
    Status first;
    for (const auto& [field, text] : texts) {
        const Status status = commitDetail(field, text);
        if (first.ok) first = status;
    }
    return first;
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
    ask({GraphStep::Init});
    return recalculate(DerivedView::Burn, false);  // the burn view leaves the figures as they are
}

Status FlightAnalysis::mnuGraphThrust_Click() {
    graphMenu.mnuGraphAll = false;
    graphMenu.mnuGraphThrust = true;
    if (!bValidFile) return Status::success();
    ask({GraphStep::Init});
    return recalculate(DerivedView::Burn, false);
}

Status FlightAnalysis::mnuGraphAltitude_Click() {
    graphMenu.mnuGraphAll = false;
    graphMenu.mnuGraphAltitude = true;
    if (bValidFile) ask({GraphStep::AllCurves});
    return Status::success();
}

Status FlightAnalysis::mnuGraphVelocity_Click() {
    graphMenu.mnuGraphVelocity = !graphMenu.mnuGraphVelocity;
    if (bValidFile) ask({GraphStep::AllCurves});
    return Status::success();
}

Status FlightAnalysis::mnuGraphAccel_Click() {
    graphMenu.mnuGraphAccel = !graphMenu.mnuGraphAccel;
    if (bValidFile) ask({GraphStep::AllCurves});
    return Status::success();
}

Status FlightAnalysis::mnuGraphEvents_Click() {
    graphMenu.mnuGraphEvents = !graphMenu.mnuGraphEvents;
    return redrawView();
}

Status FlightAnalysis::mnuGraphEstimate_Click() {
    graphMenu.mnuGraphEstimate = !graphMenu.mnuGraphEstimate;
    return redrawView();
}

Status FlightAnalysis::redrawView() {
    if (bValidFile) ask({GraphStep::Redraw});
    return Status::success();
}

Status FlightAnalysis::applyUnits(const UnitSelection& ticked) {
    // An index outside a table would read past it; refuse before changing anything.
    if (!validUnitSelection(ticked) || !validUnitSelection(units))
        return Status::failure("Invalid unit selection.");

    // The change is worked out aside and taken only when the recalculation
    // succeeds: a refused one must not leave the series in the old units
    // under the new captions (a save would then label the columns wrongly).
    // Every figure is converted even when its unit stays, so "&OK" alone still
    // cuts the figures to one decimal.
    FigureTexts shown = figures;
    const double distance = DistanceFactor[units.Distance][ticked.Distance];
    convertFigure(shown.MaxAltitude, distance, numberLocale);
    const double velocity = VelocityFactor[units.Velocity][ticked.Velocity];
    convertFigure(shown.Velocity3Ft, velocity, numberLocale);
    convertFigure(shown.MaxVelocity, velocity, numberLocale);
    const double thrust = ThrustFactor[units.Thrust][ticked.Thrust];
    convertFigure(shown.MaxThrust, thrust, numberLocale);
    convertFigure(shown.TotalImpulse, thrust, numberLocale);
    convertFigure(shown.AveThrust, thrust, numberLocale);
    DetailTexts weights = details;
    const double mass = MassFactor[units.Mass][ticked.Mass];
    convertWeight(weights[static_cast<size_t>(DetailField::FileDetailWeight)], mass);
    convertWeight(weights[static_cast<size_t>(DetailField::FileDetailPropellantWt)], mass);
    // The thrust pass takes its drag from the velocities of the previous
    // calculation and reads them in the selected unit, so they move to the new
    // unit with it; otherwise km/h values read as m/s would multiply the drag.
    std::optional<SampleArray> converted;
    if (units.Velocity != ticked.Velocity) {
        converted = samples.aVelocity;
        for (double& v : *converted) v *= velocity;
    }

    // Without a record there is nothing to recompute, and the empty sample
    // store has no ground pressure to compute altitudes from.
    const std::optional<DerivedView> view = tickedView();
    if (bValidFile && view) {
        const Status status =
            derive(*view, true, weights, ticked, converted ? *converted : samples.aVelocity, shown);
        if (!status.ok) return status;
    } else if (converted) {
        samples.aVelocity = std::move(*converted);
    }
    units = ticked;
    captions = unitCaptions(units);
    figures = std::move(shown);
    details = std::move(weights);
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

MotorExportDialog FlightAnalysis::motorExportDialog() const {
    // The figures as shown (rounded), as the export has always read them.
    const double impulse = parseFigure(figures.TotalImpulse, numberLocale).value_or(0.0);
    const double average = parseFigure(figures.AveThrust, numberLocale).value_or(0.0);
    return openMotorExportDialog(*this, impulse, average);
}

Status exportCsvFile(FlightAnalysis& fa, const std::string& path, bool overPartlyRead) {
    return fa.saveRecordFileAs(path, overPartlyRead);
}

Status applyRocketProfile(const RocketProfile& profile, FlightAnalysis& analysis) {
    return analysis.commitDetails(profileDetailTexts(profile, analysis.units.Mass));
}

std::string dataTableOf(const FlightAnalysis& fa) { return dataTableText(fa, fa.flightReport()); }

Status exportDataTableFile(const FlightAnalysis& fa, const std::string& path) {
    if (!fa.computed)
        return Status::failure(
            "The flight has not been computed, so it has no velocity, altitude or thrust to "
            "put in a table. Correct the rocket details and Recalculate first.");
    return replaceFileContents(path, dataTableOf(fa));
}

const events::FlightReport& FlightAnalysis::flightReport() const {
    events::FlightSamples recorded = events::recordedSamples(*this);
    const bool same = m_reportOf && m_reportOf->railLength == railLength &&
                      m_reportOf->samples.deltaTime == recorded.deltaTime &&
                      m_reportOf->samples.accelG == recorded.accelG &&
                      m_reportOf->samples.pressurePsi == recorded.pressurePsi;
    if (!same) {
        m_report = events::analyseFlight(recorded, railLength);
        m_reportOf = ReportOf{std::move(recorded), railLength};
    }
    return m_report;
}

}  // namespace tarvel
