#pragma once
// Units of measure: the units dialog's conversion tables, its set operations
// and the names and captions of every unit. Acceleration is always in G.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "flight.h"

namespace tarvel {

// A value in unit `from` times Factor[from][to] gives the value in unit `to`.
// The factors are the rounded ones the program has always used (3.281, not
// 1/0.3048), so a round trip does not return exactly the value it started from.
inline constexpr std::array<std::array<double, 2>, 2> DistanceFactor{{
    {1.0, 0.3048},  // ft -> ft, m
    {3.281, 1.0},   // m
}};
inline constexpr std::array<std::array<double, 4>, 4> VelocityFactor{{
    {1.0, 1.467, 1.609, 0.447},     // mph -> mph, ft/s, km/h, m/s
    {0.6818, 1.0, 1.097, 0.3048},   // ft/s
    {0.6214, 0.9113, 1.0, 0.2778},  // km/h
    {2.237, 3.281, 3.6, 1.0},       // m/s
}};
inline constexpr std::array<std::array<double, 2>, 2> ThrustFactor{{
    {1.0, 1.0 / 4.448},  // N -> N, lbs
    {4.448, 1.0},        // lbs
}};
inline constexpr std::array<std::array<double, 3>, 3> MassFactor{{
    {1.0, 1.0 / 16, 28.35},            // oz -> oz, lbs, g
    {16.0, 1.0, 453.6},                // lbs
    {0.03527, 1.0 / 1000 * 2.2, 1.0},  // g
}};

// The four unit groups of the dialog.
enum class UnitGroup { Distance, Velocity, Thrust, Mass };

// Option buttons of one group, by index: caption on the dialog, Tag (the unit
// caption it puts on the main window) and the short name the command line uses.
struct UnitOption {
    std::string_view caption;
    std::string_view tag;
    std::string_view name;
};
std::span<const UnitOption> unitOptions(UnitGroup group);
// Tag text of unit `index` in `group`, empty when out of range.
std::string_view unitTag(UnitGroup group, int index);
// Index of a unit by its short name ("km/h" -> 2) or its Tag ("(km/h)" -> 2).
std::optional<int16_t> unitIndex(UnitGroup group, std::string_view nameOrTag);
bool validUnitSelection(const UnitSelection& units);
// The unit `units` selects in `group`, and its Tag.
int16_t selectedUnit(const UnitSelection& units, UnitGroup group);
std::string_view selectedTag(const UnitSelection& units, UnitGroup group);

// Set operations used by the record reader: each selects a unit; none
// converts anything.
void SetAccelG(UnitSelection& units);
void SetThrustN(UnitSelection& units);
void SetThrustLBS(UnitSelection& units);
void SetAltitudeFt(UnitSelection& units);
void SetAltitudeM(UnitSelection& units);
void SetVelocityMPH(UnitSelection& units);
void SetVelocityFPS(UnitSelection& units);
void SetVelocityKMPH(UnitSelection& units);
void SetVelocityMPS(UnitSelection& units);
void SetWeightOz(UnitSelection& units);
void SetWeightLbs(UnitSelection& units);
void SetWeightG(UnitSelection& units);

// A figure as the window shows it (".50", "1,234.5", "1.234,5" in a comma
// locale) read back as a number; nullopt for an empty or non-numeric text.
std::optional<double> parseFigure(std::string_view text, const NumberLocale& locale);

}  // namespace tarvel
