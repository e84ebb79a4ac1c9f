#include "window_panels.h"

#include "units.h"

namespace tarvel::report {

namespace {

// "(N)" -> "(N s)": the impulse in the thrust unit times seconds.
std::string impulseUnit(std::string thrustUnit) {
    if (thrustUnit.size() > 2) thrustUnit.insert(thrustUnit.size() - 1, " s");
    return thrustUnit;
}

// "(ft)" -> "ft".
std::string bare(const std::string& caption) {
    if (caption.size() >= 2 && caption.front() == '(' && caption.back() == ')')
        return caption.substr(1, caption.size() - 2);
    return caption;
}

}  // namespace

std::string motorClassShown(const FigureTexts& f) {
    constexpr std::string_view prefix = "Ave Thrust-";
    return f.Label5.rfind(prefix, 0) == 0 ? f.Label5.substr(prefix.size()) : std::string();
}

WindowPanels windowPanels(const FlightAnalysis& fa) {
    const UnitCaptions& c = fa.captions;
    const FigureTexts& f = fa.figures;
    auto detail = [&fa](DetailField field) { return fa.detail(field); };
    WindowPanels p;
    p.rocket = {"Rocket Details",
                {{"Total Wt", detail(DetailField::FileDetailWeight), c.lblUnitsMass},
                 {"Diameter (in.)", detail(DetailField::FileDetailDiameter), ""},
                 {"Drag Coefficient", detail(DetailField::FileDetailCoefficientDrag), ""}}};
    p.misc = {"Misc Details",
              {{"Name", detail(DetailField::FileDetailName), ""},
               {"Place", detail(DetailField::FileDetailPlace), ""},
               {"Date", detail(DetailField::FileDetailDate), ""},
               {"Notes:", detail(DetailField::FileDetailNotes), ""}}};
    p.motor = {"Motor Performance",
               {{"Duratation (sec.)", detail(DetailField::txtMotorDuration), ""},
                {"Propellant Wt", detail(DetailField::FileDetailPropellantWt), c.lblUnitsMass},
                {"Ave Thrust", f.AveThrust, c.lblUnitsThrust},
                {"Total Impulse", f.TotalImpulse, impulseUnit(c.lblUnitsThrust)},
                {"Max Thrust", f.MaxThrust, c.lblUnitsThrust},
                {"Motor class", motorClassShown(f), ""}}};
    p.performance = {"Rocket Performance",
                     {{"Max Altitude", f.MaxAltitude, c.lblAltitude},
                      {"Max Velocity", f.MaxVelocity, c.lblVelocity},
                      {"Min Accel (G):", f.MinAccel, ""},
                      {"Max Accel (G):", f.MaxAccel, ""},
                      {"Velocity @3ft", f.Velocity3Ft, c.lblVelocity},
                      {"Baro Altitude", fa.BaroAltitude, ""}}};
    return p;
}

std::vector<FigureValue> figureValues(const FlightAnalysis& fa) {
    const UnitCaptions& c = fa.captions;
    const FigureTexts& f = fa.figures;
    const NumberLocale& shown = fa.numberLocale;
    auto figure = [&shown](std::string_view key, const std::string& text, const std::string& unit) {
        return FigureValue{key, parseFigure(text, shown), bare(unit)};
    };
    return {
        figure("MaxAccel", f.MaxAccel, "G"),
        figure("MinAccel", f.MinAccel, "G"),
        figure("MaxVelocity", f.MaxVelocity, c.lblVelocity),
        figure("MaxAltitude", f.MaxAltitude, c.lblAltitude),
        figure("Velocity3Ft", f.Velocity3Ft, c.lblVelocity),
        figure("MaxThrust", f.MaxThrust, c.lblUnitsThrust),
        figure("TotalImpulse", f.TotalImpulse, impulseUnit(c.lblUnitsThrust)),
        figure("AveThrust", f.AveThrust, c.lblUnitsThrust),
        // Read and written as the file has it: no grouping, "." as the point.
        {"BaroAltitude", parseFigure(fa.BaroAltitude, NumberLocale{".", ""}), std::nullopt},
    };
}

}  // namespace tarvel::report
