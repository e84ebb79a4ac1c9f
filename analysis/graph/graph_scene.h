#pragma once
// The flight graph as plain data: what the main window, the printer and the
// headless renderer all draw. Coordinates are twips (1/1440 inch), the layout
// unit of the window's design, so one scene draws the same at any pixel size.

#include <cstdint>
#include <string>
#include <vector>

namespace tarvel::graph {

// Colour values as the window stores them: blue-green-red from high to low
// byte (red in the low byte), or a system colour when the top bit is set
// (0x80000000 | index), resolved from the palette when painted.
using ColorValue = uint32_t;
inline constexpr ColorValue kSystemColorFlag = 0x80000000u;
inline constexpr ColorValue kButtonFaceColor = 0x8000000Fu;  // grid lines
inline constexpr ColorValue kWindowTextColor = 0x80000008u;  // idle pointer
inline constexpr ColorValue kRedColor = 255;                 // pointer during a measurement

constexpr ColorValue bgr(uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t(b) << 16) | (uint32_t(g) << 8) | r;
}

// Design geometry of the graph panel, in twips. The plot area (grfArea) sits
// at the right of the panel (grfBase) and both share the top edge; the left
// margin baseW - areaW holds the four value-label columns, and the strip
// below the area the time labels and the "Time (s)" caption.
//
// The default plot area is 9000 x 5000. The height is not arbitrary: with
// 195-twip labels, a 5000-twip area puts the centre of value label i within a
// twip of where the curve mapping draws tick value i.
struct GraphGeometry {
    int16_t areaH = 5000;
    int16_t areaW = 9000;
    int16_t baseH = 5520;   // area + time labels + caption
    int16_t baseW = 11600;  // area + 2600 of label columns
    int16_t baseL = 120;    // panel's left edge in the window (kept for the window's layout)

    int areaLeft() const { return baseW - areaW; }  // plot area's left edge in panel twips
};

// Size of the value and time labels (the window's default 8-point labels).
// Value columns are 500 twips apart: 420-twip labels keep 80 twips between
// the texts of two columns, and between the acceleration column and the axis.
inline constexpr int kLabelHeight = 195;
inline constexpr int kValueLabelWidth = 420;
inline constexpr int kTimeLabelWidth = 400;
inline constexpr int kLabelFontTwips = 150;  // 7.5 points: keeps "1,000.0" inside its column

// A line segment in plot-area twips (origin at the area's top-left, y down).
struct Segment {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ColorValue color = 0;
    bool visible = false;
};

enum class Align { Left, Right, Center };

// A text label in panel twips (origin at the panel's top-left).
struct Label {
    std::string text;
    double left = 0, top = 0, width = kValueLabelWidth, height = kLabelHeight;
    ColorValue color = 0;  // text colour
    Align align = Align::Left;
    bool visible = false;
};

// The vertical pointer line over the plot area (plot-area twips).
struct PointerLine {
    double x = 0, y1 = 0, y2 = 0;
    ColorValue color = kWindowTextColor;
    bool visible = false;
};

// A time range being picked with the mouse, as a band over the plot area
// (plot-area twips).
struct SelectionBand {
    double x1 = 0, x2 = 0;
    bool visible = false;
};

inline constexpr ColorValue kRulerColor = bgr(128, 0, 128);
inline constexpr ColorValue kEventColor = bgr(0, 150, 150);  // apart from every curve's colour

// A point in plot-area twips.
struct Point {
    double x = 0, y = 0;
};

// A flight event as a labelled vertical line over the plot area; labels sit
// in the free strip at the top, `row` of them down so that close events stay
// readable.
struct EventMark {
    double x = 0;  // plot-area twips
    std::string text;
    int row = 0;
};

// An estimated curve and its uncertainty band: `upper` and `lower` bound it at
// the same x as `centre`.
struct BandCurve {
    std::vector<Point> centre, upper, lower;
    ColorValue color = 0;
};

struct Scene {
    GraphGeometry geometry;

    // Curve segments by index (acceleration from 0, velocity from P, altitude
    // from 2P, thrust from 3P). The list grows to the largest index drawn and
    // is kept apart from the grid, so no curve can overwrite a grid line.
    std::vector<Segment> curves;
    std::vector<Segment> horizontalGrid;  // pool elements 800..810: index i = line of accel label i
    std::vector<Segment> verticalGrid;    // pool elements 826..835: index i - 1 = line of time label i

    std::vector<Label> timeLabels;   // lblTimeVal, 21
    std::vector<Label> accelLabels;  // lblAccelVal, 21
    std::vector<Label> velLabels;    // lblVelVal, 22
    std::vector<Label> distLabels;   // lblDistVal, 22
    std::vector<Label> hpLabels;     // lblHpVal, 11
    Label timeCaption;               // lblTime
    // Names of the four value columns ("Altitude (ft)" ...). The main window
    // shows its own labels there; a standalone picture draws these instead.
    std::vector<Label> columnTitles;

    PointerLine pointer;
    SelectionBand selection;
    // The points of a ruler measurement (up to two) and its reading, written
    // in the free strip at the top of the plot area.
    std::vector<PointerLine> rulerMarks;
    Label rulerText;

    // Drawn over the curves when the Graph menu asks for them.
    std::vector<EventMark> eventMarks;
    std::vector<BandCurve> bands;

    Scene();
    // Curve segment by index, nullptr when nothing was ever drawn there.
    const Segment* curve(int index) const;
    // Grid line by its element number of the window's segment pool
    // (800..810 horizontal, 826..835 vertical), nullptr for other numbers.
    const Segment* gridSegment(int poolIndex) const;
    int visibleCurveCount() const;
};

}  // namespace tarvel::graph
