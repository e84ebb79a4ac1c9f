#include "flight_record.h"

#include <algorithm>

#include "number_text.h"
#include "units.h"

namespace tarvel::flightgen {

namespace {

// Fixed decimals with "." whatever the locale, as the detail fields hold them.
std::string fixedText(double value, int decimals) { return fixedPointText(value, decimals).value_or("0"); }

double massInUnit(double kg, int16_t massUnit) {
    switch (massUnit) {
        case 0:
            return kg / 0.028349523125;  // oz
        case 1:
            return kg / 0.45359237;  // lbs
        default:
            return kg * 1000;  // g
    }
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace

Status buildFlightRecord(const GeneratedFlight& flight, const FlightParameters& params,
                         const RecordOptions& record, FlightAnalysis& fa) {
    if (!validUnitSelection(record.units)) return Status::failure("Invalid unit selection.");
    fa.bValidFile = true;
    fa.ClearFlightRecord();
    fillSampleStore(flight, fa.samples);

    fa.units = record.units;
    fa.captions.lblUnitsMass = unitTag(UnitGroup::Mass, record.units.Mass);
    fa.captions.lblVelocity = unitTag(UnitGroup::Velocity, record.units.Velocity);
    fa.captions.lblAltitude = unitTag(UnitGroup::Distance, record.units.Distance);
    fa.captions.lblUnitsThrust = unitTag(UnitGroup::Thrust, record.units.Thrust);

    fa.detail(DetailField::FileDetailName) = record.name;
    fa.detail(DetailField::FileDetailPlace) = record.place;
    fa.detail(DetailField::FileDetailDate) = record.date;
    fa.detail(DetailField::FileDetailNotes) = joinLines(record.notes);
    fa.detail(DetailField::FileDetailCoefficientDrag) = generalNumberText(params.dragCoefficient);
    fa.detail(DetailField::FileDetailWeight) =
        fixedText(massInUnit(params.liftoffMassKg, record.units.Mass), 2);
    fa.detail(DetailField::FileDetailPropellantWt) =
        fixedText(massInUnit(params.propellantMassKg, record.units.Mass), 2);
    fa.detail(DetailField::FileDetailDiameter) = fixedText(params.diameterM / 0.0254, 2);
    fa.detail(DetailField::txtMotorDuration) = fixedText(params.burnTimeS, 2);

    Status status = fa.RecalculateGraph();
    if (!status.ok) return status;
    const auto& altitude = fa.samples.aAltitude;
    double apogee = *std::max_element(altitude.begin() + 1, altitude.begin() + 1 + fa.samples.SampleCount);
    fa.BaroAltitude = fixedText(apogee, 2);
    return status;
}

}  // namespace tarvel::flightgen
