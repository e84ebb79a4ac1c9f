#include "record_reader.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "kinematics.h"
#include "number_text.h"
#include "units.h"

namespace tarvel {

namespace {

constexpr int kTimeIntervalSlots = 2000;  // "TimeInterval" fills slots 0..1999 only

bool isSpace(char c) { return c == ' ' || c == '\t'; }

void trimRight(std::string& s) {
    while (!s.empty() && isSpace(s.back())) s.pop_back();
}

RecordReadReport stopped(const RecordInput& in, const std::string& why) {
    return {false, "line " + std::to_string(in.lastLine()) + ": " + why};
}

// Keys whose value line sets a unit through the dialog's set operation and
// puts the unit caption on the weight labels.
struct WeightKey {
    std::string_view key;
    DetailField field;
    void (*set)(FlightAnalysis&);
    std::string_view caption;
};
constexpr WeightKey kWeightKeys[] = {
    {"FDWeight(oz)", DetailField::FileDetailWeight, SetWeightOz, "(oz)"},
    {"FDWeight(lbs)", DetailField::FileDetailWeight, SetWeightLbs, "(lbs)"},
    {"FDWeight(g)", DetailField::FileDetailWeight, SetWeightG, "(g)"},
    {"FDPropellantWt(oz)", DetailField::FileDetailPropellantWt, SetWeightOz, "(oz)"},
    {"FDPropellantWt(lbs)", DetailField::FileDetailPropellantWt, SetWeightLbs, "(lbs)"},
    {"FDPropellantWt(g)", DetailField::FileDetailPropellantWt, SetWeightG, "(g)"},
};

constexpr std::pair<std::string_view, DetailField> kTextKeys[] = {
    {"FDName", DetailField::FileDetailName},         {"FDLocation", DetailField::FileDetailPlace},
    {"FDDate", DetailField::FileDetailDate},         {"FDCoefDrag", DetailField::FileDetailCoefficientDrag},
    {"FDDiameter", DetailField::FileDetailDiameter}, {"FDMotorDur", DetailField::txtMotorDuration},
};

bool isDetailKey(std::string_view key) {
    if (key == "TimeInterval" || key == "FDNotes" || key == "BaroAltitude" || key == "AccelData") return true;
    for (const auto& [name, field] : kTextKeys)
        if (name == key) return true;
    for (const WeightKey& w : kWeightKeys)
        if (w.key == key) return true;
    return false;
}

// Header tokens that select a unit and caption the matching labels.
struct UnitToken {
    std::string_view token;
    void (*set)(FlightAnalysis&);
    std::string UnitCaptions::*caption;  // null for acceleration, which has one unit
    std::string_view text;
};
const UnitToken kUnitTokens[] = {
    {"Accel(G)", SetAccelG, nullptr, ""},
    {"Velocity(mph)", SetVelocityMPH, &UnitCaptions::lblVelocity, "(mph)"},
    {"Velocity(ft/s)", SetVelocityFPS, &UnitCaptions::lblVelocity, "(ft/s)"},
    {"Velocity(km/h)", SetVelocityKMPH, &UnitCaptions::lblVelocity, "(km/h)"},
    {"Velocity(m/s)", SetVelocityMPS, &UnitCaptions::lblVelocity, "(m/s)"},
    {"Altitude(ft)", SetAltitudeFt, &UnitCaptions::lblAltitude, "(ft)"},
    {"Altitude(m)", SetAltitudeM, &UnitCaptions::lblAltitude, "(m)"},
    {"Thrust(N)", SetThrustN, &UnitCaptions::lblUnitsThrust, "(N)"},
    {"Thrust(lbs)", SetThrustLBS, &UnitCaptions::lblUnitsThrust, "(lbs)"},
};

}  // namespace

void RecordInput::skipLineEnd() {
    if (atEnd()) return;
    if (m_bytes[m_pos] == '\r') {
        ++m_pos;
        if (!atEnd() && m_bytes[m_pos] == '\n') ++m_pos;
    } else if (m_bytes[m_pos] == '\n') {
        ++m_pos;
    }
    ++m_line;
}

std::string RecordInput::readField() {
    while (!atEnd() && isSpace(m_bytes[m_pos])) ++m_pos;
    m_lastLine = m_line;
    std::string field;
    if (!atEnd() && m_bytes[m_pos] == '"') {
        // A quoted field may hold commas; it ends at the closing quote (or,
        // unclosed, at the line end), and anything after the quote up to the
        // separator is dropped.
        ++m_pos;
        while (!atEnd() && m_bytes[m_pos] != '"' && !atLineEnd()) field += m_bytes[m_pos++];
        if (!atEnd() && m_bytes[m_pos] == '"') ++m_pos;
        while (!atEnd() && m_bytes[m_pos] != ',' && !atLineEnd()) ++m_pos;
    } else {
        while (!atEnd() && m_bytes[m_pos] != ',' && !atLineEnd()) field += m_bytes[m_pos++];
        trimRight(field);
    }
    if (!atEnd() && m_bytes[m_pos] == ',')
        ++m_pos;
    else
        skipLineEnd();
    return field;
}

std::string RecordInput::readLine() {
    m_lastLine = m_line;
    std::string line;
    while (!atEnd() && !atLineEnd()) line += m_bytes[m_pos++];
    skipLineEnd();
    return line;
}

RecordReadReport RetrieveFileData(RecordInput& in, FlightAnalysis& fa) {
    bool notesMode = false;
    while (!in.atEnd()) {
        const std::string key = in.readField();
        if (!isDetailKey(key)) {
            // Lines after "FDNotes" that are no key continue the notes, one
            // line per field; before it they are skipped.
            if (notesMode) fa.detail(DetailField::FileDetailNotes) += "\r\n" + key;
            continue;
        }
        if (key == "AccelData") return {};
        // A key on the last line has no value line: the file was cut short,
        // and the key must not switch a unit or blank its field.
        if (in.atEnd()) return {};
        const std::string value = in.readLine();
        if (key == "TimeInterval") {
            const std::optional<double> interval = parseNumber(value);
            if (!interval) return stopped(in, "TimeInterval value \"" + value + "\" is not a number");
            for (int i = 0; i < kTimeIntervalSlots; ++i) fa.samples.aDeltaTime[i] = *interval;
        } else if (key == "FDNotes") {
            fa.detail(DetailField::FileDetailNotes) = value;
            notesMode = true;
        } else if (key == "BaroAltitude") {
            fa.BaroAltitude = value;
        } else {
            for (const auto& [name, field] : kTextKeys)
                if (name == key) fa.detail(field) = value;
            for (const WeightKey& w : kWeightKeys) {
                if (w.key != key) continue;
                w.set(fa);
                fa.captions.lblUnitsMass = w.caption;
                fa.detail(w.field) = value;
            }
        }
    }
    return {};
}

RecordReadReport RetrieveAccelData(RecordInput& in, FlightAnalysis& fa) {
    SampleStore& s = fa.samples;
    bool hasDeltaTime = false, hasPressure = false;
    enum class Column { DeltaTime, Pressure, Accel, Velocity, Altitude };

    int n = s.SampleCount;
    while (!in.atEnd()) {
        std::string field = in.readField();
        if (field == "Delta Time") {
            hasDeltaTime = true;
            continue;
        }
        if (field == "Baro(Psi)") {
            hasPressure = true;
            continue;
        }
        bool isToken = false;
        for (const UnitToken& t : kUnitTokens) {
            if (t.token != field) continue;
            t.set(fa);
            if (t.caption) fa.captions.*t.caption = t.text;
            isToken = true;
        }
        if (isToken) continue;

        // A row: the fields are counted, not the lines. A field read at the
        // very end of the file is not used.
        Column columns[5];
        int count = 0;
        if (hasDeltaTime) columns[count++] = Column::DeltaTime;
        if (hasPressure) columns[count++] = Column::Pressure;
        columns[count++] = Column::Accel;
        columns[count++] = Column::Velocity;
        columns[count++] = Column::Altitude;

        const auto slot = static_cast<size_t>(n);
        for (int c = 0; c < count; ++c) {
            if (in.atEnd()) return {};
            switch (columns[c]) {
                case Column::DeltaTime:
                case Column::Pressure:
                case Column::Accel: {
                    const std::optional<double> v = parseNumber(field);
                    if (!v) return stopped(in, "\"" + field + "\" in sample " + std::to_string(n) + " is not a number");
                    if (columns[c] == Column::DeltaTime) s.aDeltaTime[slot] = *v;
                    if (columns[c] == Column::Pressure) s.aPressure[slot] = *v;
                    if (columns[c] == Column::Accel) s.aAccel[slot] = *v;
                    break;
                }
                case Column::Velocity:
                    break;
                case Column::Altitude: {
                    // The ground reference is the first sample's pressure; without
                    // it (no pressure column, or 0) no altitude exists.
                    const double p = s.aPressure[slot], p1 = s.aPressure[1];
                    if (p1 == 0 || !(p / p1 >= 0))
                        return stopped(in, "no altitude for sample " + std::to_string(n) +
                                               " (pressure " + generalNumberText(p) + " over ground pressure " +
                                               generalNumberText(p1) + ")");
                    s.aAltitude[slot] = baroAltitudeFeet(p, p1);
                    break;
                }
            }
            field = in.readField();  // the next field; after the altitude, the thrust
        }
        if (in.atEnd()) return {};
        if (n >= kLastSlot) return stopped(in, "more than " + std::to_string(kLastSlot) + " samples; the rest is not read");
        s.SampleCount = static_cast<int16_t>(++n);
    }
    return {};
}

RecordReadReport loadRecordAfterClear(std::string_view bytes, FlightAnalysis& fa) {
    RecordInput in(bytes);
    // A bad "TimeInterval" ends only the detail section; the table reader
    // then starts where it stopped.
    RecordReadReport details = RetrieveFileData(in, fa);
    RecordReadReport table = RetrieveAccelData(in, fa);
    return details.complete ? table : details;
}

RecordReadReport loadRecord(std::string_view bytes, FlightAnalysis& fa) {
    fa.ClearFlightRecord();
    fa.samples.SampleCount = 1;
    return loadRecordAfterClear(bytes, fa);
}

Status readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    errno = 0;
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file) return Status::failure(std::strerror(errno ? errno : ENOENT));
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (failed) return Status::failure(std::strerror(error ? error : EIO));
    return Status::success();
}

Status loadRecordFile(const std::string& path, FlightAnalysis& fa, RecordReadReport* report) {
    std::string bytes;
    if (Status read = readWholeFile(path, bytes); !read.ok) return read;
    RecordReadReport r = loadRecord(bytes, fa);
    if (report) *report = r;
    return Status::success();
}

}  // namespace tarvel
