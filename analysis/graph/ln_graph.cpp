#include "ln_graph.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "number_text.h"
#include "units.h"

namespace tarvel::graph {

namespace {

// Share of the plot area the curves use: the top tenth stays free and a
// value at an axis minimum lands just below the area (1.009 of its height).
constexpr double kPlotShare = 0.909;
constexpr double kTopMargin = 0.1;

// Tick labels are centred on their tick: 50 twips above it for 195-twip labels.
constexpr int kValueLabelRaise = 50;
constexpr int kTimeLabelShift = 80;  // time label starts this far left of its tick
constexpr int kTimeLabelGap = 20;    // below the plot area

struct ValueColumn {
    Axis axis;
    int offset;  // D: label left = area left - D
    int decimals;
};
constexpr ValueColumn kColumns[] = {
    {Axis::Accel, 500, 3},
    {Axis::Velocity, 1100, 2},
    {Axis::Altitude, 1600, 1},
    {Axis::Thrust, 2100, 1},
};

int clampedSampleCount(const SampleStore& s) { return std::clamp<int>(s.SampleCount, 0, kLastSlot); }

// Sum of slots `first`..`last`; slots past the store count as absent.
double sumSlots(const SampleArray& a, int first, int last) {
    double sum = 0;
    for (int k = std::max(first, 0); k <= std::min(last, kLastSlot); ++k) sum += at(a, k);
    return sum;
}

double tickValue(const AxisSpec& a, int i) {
    int steps = std::max(a.Divisions - 1, 1);
    return a.MinValue + (a.MaxValue - a.MinValue) / steps * i;
}

int labelCount(const AxisSpec& a, const std::vector<Label>& pool) {
    return std::clamp<int>(a.Divisions, 0, static_cast<int>(pool.size()));
}

const SampleArray& seriesOf(const SampleStore& s, Axis a) {
    switch (a) {
        case Axis::Accel:
            return s.aAccel;
        case Axis::Velocity:
            return s.aVelocity;
        case Axis::Altitude:
            return s.aAltitude;
        case Axis::Thrust:
            return s.aThrust;
        default:
            return s.aDeltaTime;
    }
}

double axisSpan(const AxisSpec& a) {
    double span = a.MaxValue - a.MinValue;
    return span > 0 ? span : 1;  // a collapsed axis must not turn coordinates into infinities
}

}  // namespace

// Through text, as the window does, so halves follow the exact binary value;
// to_chars and from_chars ignore the process locale the GUI sets.
double roundToDecimals(double value, int decimals) {
    const std::optional<std::string> text = fixedPointText(value, decimals);
    if (!text) return value;  // not finite
    double rounded = value;
    std::from_chars(text->data(), text->data() + text->size(), rounded);
    return rounded;
}

LnGraph::LnGraph(GraphGeometry geometry) : m_designGeometry(geometry) {
    InitGraph();
    DrawAxes();  // the empty axes and grid of a window without a flight
}

const SampleStore& LnGraph::samples() const {
    static const SampleStore kNoFlight;
    return m_data.samples ? *m_data.samples : kNoFlight;
}

void LnGraph::InitGraph() {
    m_scene.geometry = m_designGeometry;
    axis(Axis::Time) = {"Time (s)", 11, 0, 2, 0};
    axis(Axis::Accel) = {"Accel (g)", 11, 0, 5, 32768};
    axis(Axis::Velocity) = {"Velocity (mph)", 11, 0, 150, 128};
    axis(Axis::Altitude) = {"Altitude (ft)", 11, 0, 1000, 8388608};
    axis(Axis::Thrust) = {"Thrust (lbs)", 11, 0, 5, 33023};
    m_zoom.reset();
    m_lastView = View::None;
}

void LnGraph::DrawAxes() {
    DrawTimeAxis();
    for (const ValueColumn& c : kColumns) {
        std::vector<Label>* pool = nullptr;
        switch (c.axis) {
            case Axis::Accel:
                pool = &m_scene.accelLabels;
                break;
            case Axis::Velocity:
                pool = &m_scene.velLabels;
                break;
            case Axis::Altitude:
                pool = &m_scene.distLabels;
                break;
            default:
                pool = &m_scene.hpLabels;
                break;
        }
        layoutValueLabels(c.axis, *pool, c.offset, c.decimals);
    }

    // Horizontal grid along the lower edges of the acceleration labels, in
    // plot-area twips; it spans more than the area and is clipped to it.
    const GraphGeometry& g = m_scene.geometry;
    const AxisSpec& accel = shownAxis(Axis::Accel);
    int n = std::min(labelCount(accel, m_scene.accelLabels), static_cast<int>(m_scene.horizontalGrid.size()));
    for (int i = 0; i < n; ++i) {
        const Label& l = m_scene.accelLabels[i];
        double y = l.top + l.height;
        m_scene.horizontalGrid[i] = {l.left - g.baseW, y, l.left + g.areaW, y, kButtonFaceColor, true};
    }
    layoutColumnTitles();
}

void LnGraph::layoutValueLabels(Axis a, std::vector<Label>& pool, int columnOffset, int decimals) {
    const GraphGeometry& g = m_scene.geometry;
    const AxisSpec& axisRecord = shownAxis(a);
    for (int i = 0; i < labelCount(axisRecord, pool); ++i) {
        Label& l = pool[i];
        l.left = g.areaLeft() - columnOffset;
        l.top = g.areaH - double(g.areaH) / axisRecord.Divisions * i - kValueLabelRaise;
        l.width = kValueLabelWidth;
        l.height = kLabelHeight;
        l.text = figureText(tickValue(axisRecord, i), decimals, m_data.locale, true);
        l.color = axisRecord.Color;
        l.align = Align::Right;
        l.visible = true;
    }
}

void LnGraph::layoutColumnTitles() {
    const GraphGeometry& g = m_scene.geometry;
    const UnitSelection& u = m_data.units;
    const std::string texts[] = {"Accel\n(G)",
                                 "Velocity\n" + std::string(unitTag(UnitGroup::Velocity, u.Velocity)),
                                 "Altitude\n" + std::string(unitTag(UnitGroup::Distance, u.Distance)),
                                 "Thrust\n" + std::string(unitTag(UnitGroup::Thrust, u.Thrust))};
    for (int c = 0; c < 4; ++c) {
        Label& l = m_scene.columnTitles[c];
        l.text = texts[c];
        l.left = g.areaLeft() - kColumns[c].offset;
        l.top = 0;
        l.width = kValueLabelWidth;
        l.height = 2 * kLabelHeight;
        l.color = axis(kColumns[c].axis).Color;
        l.align = Align::Right;
        l.visible = true;
    }
}

void LnGraph::DrawTimeAxis() {
    updateShownAxes();
    const GraphGeometry& g = m_scene.geometry;
    const AxisSpec& time = shownAxis(Axis::Time);

    Label& caption = m_scene.timeCaption;
    caption.text = time.Caption;
    caption.left = g.areaLeft();
    caption.top = g.areaH + kTimeLabelGap + kLabelHeight + 60;
    caption.width = g.areaW;
    caption.height = kLabelHeight;
    caption.color = time.Color;
    caption.align = Align::Center;
    caption.visible = true;

    int n = labelCount(time, m_scene.timeLabels);
    for (int i = 0; i < n; ++i) {
        Label& l = m_scene.timeLabels[i];
        l.left = double(g.areaW) / time.Divisions * i + g.areaLeft() - kTimeLabelShift;
        // The first label starts at the axis: left of it the lowest acceleration
        // label stands at the same height.
        if (i == 0) l.left = g.areaLeft();
        l.top = g.areaH + kTimeLabelGap;
        l.width = kTimeLabelWidth;
        l.height = kLabelHeight;
        l.text = figureText(tickValue(time, i), 2, m_data.locale, true);
        l.color = time.Color;
        l.align = Align::Left;
        l.visible = true;
    }
    for (int i = 1; i < std::min(n, static_cast<int>(m_scene.verticalGrid.size()) + 1); ++i) {
        double x = m_scene.timeLabels[i].left - g.areaLeft() + kTimeLabelShift;
        m_scene.verticalGrid[i - 1] = {x, double(g.areaH), x, 0, kButtonFaceColor, true};
    }
}

double LnGraph::xOfTime(double t) const {
    const AxisSpec& time = shownAxis(Axis::Time);
    return m_scene.geometry.areaW * kPlotShare * (t - time.MinValue) / axisSpan(time);
}

double LnGraph::yOfValue(Axis a, double v) const {
    const AxisSpec& axisRecord = shownAxis(a);
    double h = m_scene.geometry.areaH;
    return h * kPlotShare * (axisRecord.MaxValue - v) / axisSpan(axisRecord) + h * kTopMargin;
}

void LnGraph::plot(Axis a, double value1, double time1, double value2, double time2, int segment) {
    if (segment < 0) return;
    if (segment >= static_cast<int>(m_scene.curves.size())) m_scene.curves.resize(segment + 1);
    m_scene.curves[segment] = {xOfTime(time1),      yOfValue(a, value1), xOfTime(time2),
                               yOfValue(a, value2), axis(a).Color,       true};
}

void LnGraph::PlotAccel(double v1, double t1, double v2, double t2, int16_t s) {
    plot(Axis::Accel, v1, t1, v2, t2, s);
}
void LnGraph::PlotVelocity(double v1, double t1, double v2, double t2, int16_t s) {
    plot(Axis::Velocity, v1, t1, v2, t2, s);
}
void LnGraph::PlotAltitude(double v1, double t1, double v2, double t2, int16_t s) {
    plot(Axis::Altitude, v1, t1, v2, t2, s);
}
void LnGraph::PlotThrust(double v1, double t1, double v2, double t2, int16_t s) {
    plot(Axis::Thrust, v1, t1, v2, t2, s);
}

void LnGraph::ClearCurves() {
    for (Segment& s : m_scene.curves) s.visible = false;
    m_scene.eventMarks.clear();
    m_scene.bands.clear();
    // The old pool cleared one element too many, taking the lowest grid line
    // (which lies below the plot area anyway) with the curves.
    m_scene.horizontalGrid[0].visible = false;
}

double LnGraph::TimeAtX(int16_t x) const { return roundToDecimals(timeOfX(x), 2); }

double LnGraph::timeOfX(double xTwips) const {
    const AxisSpec& time = shownAxis(Axis::Time);
    return time.MinValue + axisSpan(time) * xTwips / (m_scene.geometry.areaW * kPlotShare);
}

const AxisSpec& LnGraph::shownAxis(Axis a) const {
    return m_zoom ? m_shown[static_cast<int>(a)] : m_axes[static_cast<int>(a)];
}

TimeRange LnGraph::shownTimeRange() const {
    const AxisSpec& time = shownAxis(Axis::Time);
    return {time.MinValue, time.MaxValue};
}

bool LnGraph::zoomTo(double t1, double t2) { return showRange(TimeRange{t1, t2}); }

bool LnGraph::zoomOut() { return showRange(std::nullopt); }

bool LnGraph::zoomAround(double xTwips, double factor) {
    const TimeRange r = shownTimeRange();
    if (!(factor > 0)) return false;
    // At the shortest span a further step in would only slide the range.
    if (factor < 1 && r.last - r.first <= kMinZoomSpan * 1.000001) return false;
    const double t = timeOfX(xTwips);
    return showRange(TimeRange{t - (t - r.first) * factor, t + (r.last - t) * factor});
}

bool LnGraph::panBy(double dxTwips) {
    if (!m_zoom) return false;
    const TimeRange r = *m_zoom;
    const double dt = dxTwips * (r.last - r.first) / (m_scene.geometry.areaW * kPlotShare);
    return showRange(TimeRange{r.first + dt, r.last + dt});
}

bool LnGraph::showRange(std::optional<TimeRange> range) {
    if (m_lastView == View::None) return false;
    const AxisSpec& time = axis(Axis::Time);
    if (range) range = zoomRangeWithin({time.MinValue, time.MaxValue}, *range);
    const bool same = range.has_value() == m_zoom.has_value() &&
                      (!range || (range->first == m_zoom->first && range->last == m_zoom->last));
    if (same) return false;
    m_zoom = range;
    DrawAxes();
    redraw();
    return true;
}

void LnGraph::redraw() {
    if (m_lastView == View::All)
        DrawGraph();
    else if (m_lastView == View::Burn)
        DrawThurstCurveGraph();
}

std::pair<int, int> LnGraph::slotsCovering(const TimeRange& range) const {
    const SampleStore& s = samples();
    const int count = clampedSampleCount(s);
    if (count < 1) return {0, 0};
    int first = 1, last = count;
    double elapsed = at(s.aDeltaTime, 0);
    for (int k = 1; k <= count; ++k) {
        elapsed += at(s.aDeltaTime, k);
        if (elapsed <= range.first) first = k;
        if (elapsed >= range.last) {
            last = k;
            break;
        }
    }
    return {first, last};
}

void LnGraph::updateShownAxes() {
    std::copy(std::begin(m_axes), std::end(m_axes), std::begin(m_shown));
    if (!m_zoom) return;
    // A recalculation may have changed the whole flight's time axis: keep the
    // zoom inside it.
    const AxisSpec& time = axis(Axis::Time);
    TimeRange r = *m_zoom;
    const double span = r.last - r.first;
    if (span >= time.MaxValue - time.MinValue) {
        m_zoom.reset();
        return;
    }
    r.first = std::clamp(r.first, time.MinValue, time.MaxValue - span);
    r.last = r.first + span;
    m_zoom = r;
    m_shown[static_cast<int>(Axis::Time)].MinValue = r.first;
    m_shown[static_cast<int>(Axis::Time)].MaxValue = r.last;

    const auto [first, last] = slotsCovering(r);
    for (const ValueColumn& c : kColumns) {
        const SampleArray& series = seriesOf(samples(), c.axis);
        double lo = series[first], hi = lo;
        for (int k = first; k <= last; ++k) {
            lo = std::min(lo, series[k]);
            hi = std::max(hi, series[k]);
        }
        // The smallest step the column's decimals can tell apart. A value at
        // the axis minimum lands just below the area, so the data keeps a
        // little room above it.
        const double minStep = std::pow(10.0, -c.decimals);
        const auto [min, max] = niceAxisRange(lo - std::max((hi - lo) * 0.02, minStep / 2), hi, minStep);
        m_shown[static_cast<int>(c.axis)].MinValue = min;
        m_shown[static_cast<int>(c.axis)].MaxValue = max;
    }
}

int LnGraph::zoomedBlockSize() const {
    const auto [first, last] = slotsCovering(*m_zoom);
    return std::max(1, static_cast<int>(roundHalfEvenToInt16((last - first + 1) / 200.0)));
}

std::optional<TimeRange> zoomRangeWithin(const TimeRange& full, TimeRange wanted) {
    const double fullSpan = full.last - full.first;
    if (wanted.first > wanted.last) std::swap(wanted.first, wanted.last);
    // Also no number: the whole axis.
    if (!(wanted.last - wanted.first < fullSpan)) return std::nullopt;
    const double span = std::max(wanted.last - wanted.first, std::min(kMinZoomSpan, fullSpan));
    const double first = (wanted.first + wanted.last) / 2 - span / 2;
    wanted.first = std::clamp(first, full.first, full.last - span);
    wanted.last = wanted.first + span;
    return wanted;
}

std::pair<double, double> niceAxisRange(double lo, double hi, double minStep, int steps) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(minStep > 0) || steps < 1) return {0, minStep * steps};
    if (lo > hi) std::swap(lo, hi);
    const double wanted = std::max((hi - lo) / steps, minStep);
    double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    // A little slack so that 0.1 * 3 still counts as 0.3.
    constexpr double kSlack = 1e-9;
    for (;;) {
        // Extremes whose difference overflows have no round steps: take them as they are.
        if (!std::isfinite(magnitude * 10 * steps)) return {lo, hi};
        for (double multiple : {1.0, 2.0, 5.0}) {
            const double step = multiple * magnitude;
            if (step < wanted * (1 - kSlack)) continue;
            const double first = std::floor(lo / step + kSlack) * step;
            if (first + steps * step >= hi - step * kSlack) return {first, first + steps * step};
        }
        magnitude *= 10;
    }
}

void LnGraph::AdjAxisValues(double CurVal, double& MinVal, double& MaxVal, int16_t IncVal) {
    if (CurVal < MinVal)
        MinVal -= IncVal;
    else if (CurVal > MaxVal)
        MaxVal += IncVal;
    if (MinVal < 0) MinVal = 0;
}

void LnGraph::AdjAllAxisValues() {
    const SampleStore& s = samples();
    AxisSpec& time = axis(Axis::Time);
    AxisSpec& accel = axis(Axis::Accel);
    AxisSpec& vel = axis(Axis::Velocity);
    AxisSpec& alt = axis(Axis::Altitude);
    AxisSpec& thrust = axis(Axis::Thrust);
    time.MaxValue = 5;
    double elapsed = 0;
    for (int i = 1; i <= clampedSampleCount(s); ++i) {
        AdjAxisValues(at(s.aAccel, i), accel.MinValue, accel.MaxValue, 5);
        AdjAxisValues(at(s.aVelocity, i), vel.MinValue, vel.MaxValue, 100);
        AdjAxisValues(at(s.aAltitude, i), alt.MinValue, alt.MaxValue, 100);
        AdjAxisValues(at(s.aThrust, i), thrust.MinValue, thrust.MaxValue, 30);
        elapsed += at(s.aDeltaTime, i);
        AdjAxisValues(elapsed, time.MinValue, time.MaxValue, 5);
    }
}

void LnGraph::AdjThrustAxisValues() {
    const SampleStore& s = samples();
    AxisSpec& time = axis(Axis::Time);
    AxisSpec& accel = axis(Axis::Accel);
    AxisSpec& thrust = axis(Axis::Thrust);
    const double duration = m_data.motorDuration;
    double elapsed = 0;
    for (int i = 1; i <= clampedSampleCount(s); ++i) {
        AdjAxisValues(at(s.aAccel, i), accel.MinValue, accel.MaxValue, 5);
        AdjAxisValues(at(s.aThrust, i), thrust.MinValue, thrust.MaxValue, 30);
        elapsed += at(s.aDeltaTime, i);
        AdjAxisValues(elapsed, time.MinValue, time.MaxValue, 1);
        if (duration < elapsed) break;  // the sample that passes the burn is still counted
    }
}

namespace {
// Stride of the reduction: the number of blocks when that exceeds 200.
int strideFor(int count, int blockSize) {
    double blocks = double(count) / blockSize;
    return blocks > 200 ? roundHalfEvenToInt16(blocks) : 200;
}
}  // namespace

void LnGraph::DrawGraph() {
    ClearCurves();
    m_lastView = View::All;
    drawOverlay(false);
    int count = clampedSampleCount(samples());
    int h = roundHalfEvenToInt16(count / 200.0);
    if (h <= 0) return;  // 100 samples or fewer: nothing to reduce, nothing drawn
    if (m_zoom) h = zoomedBlockSize();
    drawBlocks(h, strideFor(count, h), false);
}

void LnGraph::DrawThurstCurveGraph() {
    ClearCurves();
    m_lastView = View::Burn;
    drawOverlay(true);
    int burn = m_data.motorDurationIndex;
    int h = roundHalfEvenToInt16(burn / 200.0);
    if (h <= 0) h = 1;  // a negative index must not make the blocks walk backwards
    if (m_zoom) h = zoomedBlockSize();
    drawBlocks(h, strideFor(burn, h), true);
}

void LnGraph::drawBlocks(int h, int P, bool burnView) {
    const SampleStore& s = samples();
    const GraphData::Curves& menu = m_data.curves;
    int count = clampedSampleCount(s);
    double tA = 0;
    double prevA = 0, prevH = 0, prevT = 0;
    double largestT = 0;
    int drawn = 0;
    for (int i = 0; i <= P - 2; ++i) {
        if (count < h * (i + 1)) break;
        int first = h * i + 1, last = h * i + h;
        double A = sumSlots(s.aAccel, first, last) / h;
        double H = sumSlots(s.aAltitude, first, last) / h;
        double T = sumSlots(s.aThrust, first, last) / h;
        largestT = std::max(largestT, T);
        tA += sumSlots(s.aDeltaTime, h * i, h * i + h - 1);
        double tB = tA + sumSlots(s.aDeltaTime, h * (i + 1), h * (i + 1) + h - 1);

        // Zoomed, only the blocks in the range are drawn, four segments to a block.
        if (!m_zoom || (tB >= m_zoom->first && tA <= m_zoom->last)) {
            auto segment = [&](int curve) { return m_zoom ? 4 * drawn + curve : curve * P + i; };
            if (menu.accel) plot(Axis::Accel, prevA, tA, A, tB, segment(0));
            if (burnView) {
                if (menu.thrust && T >= 0) plot(Axis::Thrust, prevT, tA, T, tB, segment(3));
            } else {
                if (menu.velocity)
                    plot(Axis::Velocity, at(s.aVelocity, h * i), tA, at(s.aVelocity, h * (i + 1)), tB,
                         segment(1));
                if (menu.altitude) plot(Axis::Altitude, prevH, tA, H, tB, segment(2));
                // Thrust below 5 % of the peak so far is noise after burnout.
                if (menu.thrust && T > 0.05 * largestT) plot(Axis::Thrust, prevT, tA, T, tB, segment(3));
            }
            ++drawn;
        }
        prevA = A;
        prevH = H;
        prevT = T;
    }
}

namespace {
// Points of an estimated curve over the width of the plot area.
constexpr size_t kBandPoints = 600;
// Rows of event labels in the free strip at the top of the plot area.
constexpr int kEventLabelRows = 3;
}  // namespace

void LnGraph::drawOverlay(bool burnView) {
    const GraphOverlay& o = m_data.overlay;
    const double right = m_scene.geometry.areaW;
    if (m_data.curves.events) {
        int shown = 0;
        for (const GraphOverlay::Event& e : o.events) {
            const double x = xOfTime(e.time);
            if (x < 0 || x > right) continue;
            m_scene.eventMarks.push_back({x, e.label, shown++ % kEventLabelRows});
        }
    }
    if (m_data.curves.estimate && !burnView) {
        if (m_data.curves.altitude)
            m_scene.bands.push_back(band(Axis::Altitude, o.altitude, o.altitudeSigma));
        if (m_data.curves.velocity)
            m_scene.bands.push_back(band(Axis::Velocity, o.velocity, o.velocitySigma));
    }
}

BandCurve LnGraph::band(Axis a, const std::vector<double>& values, const std::vector<double>& sigma) const {
    BandCurve b;
    b.color = axis(a).Color;
    const std::vector<double>& time = m_data.overlay.time;
    const size_t n = std::min({time.size(), values.size(), sigma.size()});
    if (n == 0) return b;
    const TimeRange shown = shownTimeRange();
    // The samples from the last before the range to the first after it.
    const auto from = std::lower_bound(time.begin(), time.begin() + std::ptrdiff_t(n), shown.first);
    const auto to = std::upper_bound(from, time.begin() + std::ptrdiff_t(n), shown.last);
    const size_t first = from == time.begin() ? 0 : size_t(from - time.begin()) - 1;
    const size_t last = std::min(n - 1, size_t(to - time.begin()));
    const size_t stride = std::max<size_t>(1, (last - first) / kBandPoints);
    for (size_t i = first;; i = std::min(i + stride, last)) {
        const double x = xOfTime(time[i]);
        b.centre.push_back({x, yOfValue(a, values[i])});
        b.upper.push_back({x, yOfValue(a, values[i] + 2 * sigma[i])});
        b.lower.push_back({x, yOfValue(a, values[i] - 2 * sigma[i])});
        if (i == last) break;
    }
    return b;
}

}  // namespace tarvel::graph
