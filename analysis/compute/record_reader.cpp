#include "record_reader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "kinematics.h"
#include "number_text.h"
#include "units.h"

namespace tarvel {

namespace {

constexpr size_t kTimeIntervalSlots = 2000;  // "TimeInterval" fills slots 0..1999 only

bool isSpace(char c) { return c == ' ' || c == '\t'; }

RecordReadReport stopped(const RecordInput& in, const std::string& why) {
    return {false, "line " + std::to_string(in.lastLine()) + ": " + why};
}

// Keys whose value line sets the weight unit through the dialog's set operation.
struct WeightKey {
    std::string_view key;
    DetailField field;
    void (*set)(UnitSelection&);
};
constexpr WeightKey kWeightKeys[] = {
    {"FDWeight(oz)", DetailField::FileDetailWeight, SetWeightOz},
    {"FDWeight(lbs)", DetailField::FileDetailWeight, SetWeightLbs},
    {"FDWeight(g)", DetailField::FileDetailWeight, SetWeightG},
    {"FDPropellantWt(oz)", DetailField::FileDetailPropellantWt, SetWeightOz},
    {"FDPropellantWt(lbs)", DetailField::FileDetailPropellantWt, SetWeightLbs},
    {"FDPropellantWt(g)", DetailField::FileDetailPropellantWt, SetWeightG},
};

constexpr std::pair<std::string_view, DetailField> kTextKeys[] = {
    {"FDName", DetailField::FileDetailName},         {"FDLocation", DetailField::FileDetailPlace},
    {"FDDate", DetailField::FileDetailDate},         {"FDCoefDrag", DetailField::FileDetailCoefficientDrag},
    {"FDDiameter", DetailField::FileDetailDiameter}, {"FDMotorDur", DetailField::txtMotorDuration},
};

}  // namespace

bool isRecordDetailKey(std::string_view key) {
    if (key == "TimeInterval" || key == "FDNotes" || key == "BaroAltitude" || key == "AccelData") return true;
    for (const auto& [name, field] : kTextKeys)
        if (name == key) return true;
    for (const WeightKey& w : kWeightKeys)
        if (w.key == key) return true;
    return false;
}

namespace {

// Header tokens that select a unit.
struct UnitToken {
    std::string_view token;
    void (*set)(UnitSelection&);
};
constexpr UnitToken kUnitTokens[] = {
    {"Accel(G)", SetAccelG},
    {"Velocity(mph)", SetVelocityMPH},
    {"Velocity(ft/s)", SetVelocityFPS},
    {"Velocity(km/h)", SetVelocityKMPH},
    {"Velocity(m/s)", SetVelocityMPS},
    {"Altitude(ft)", SetAltitudeFt},
    {"Altitude(m)", SetAltitudeM},
    {"Thrust(N)", SetThrustN},
    {"Thrust(lbs)", SetThrustLBS},
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

RecordInput::RecordInput(std::string_view bytes) : m_bytes(bytes) {
    // Editors put the mark before a file's first key; it would make that key unknown.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (m_bytes.starts_with(kByteOrderMark)) m_pos = kByteOrderMark.size();
}

std::string_view RecordInput::readField() {
    const size_t size = m_bytes.size();
    const char* bytes = m_bytes.data();
    size_t pos = m_pos;
    auto endsField = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    auto endsQuoted = [](char c) { return c == '"' || c == '\r' || c == '\n'; };
    while (pos < size && isSpace(bytes[pos])) ++pos;
    m_lastLine = m_line;
    m_lastQuoted = pos < size && bytes[pos] == '"';
    std::string_view field;
    if (m_lastQuoted) {
        // A quoted field may hold commas, and "" for a double quote; it ends
        // at the closing quote (or, unclosed, at the line end), and anything
        // after the quote up to the separator is dropped.
        size_t begin = ++pos;
        while (pos < size && !endsQuoted(bytes[pos])) ++pos;
        field = m_bytes.substr(begin, pos - begin);
        if (pos + 1 < size && bytes[pos] == '"' && bytes[pos + 1] == '"') {
            m_unquoted.assign(field);
            while (pos + 1 < size && bytes[pos] == '"' && bytes[pos + 1] == '"') {
                m_unquoted += '"';
                begin = pos += 2;
                while (pos < size && !endsQuoted(bytes[pos])) ++pos;
                m_unquoted.append(bytes + begin, pos - begin);
            }
            field = m_unquoted;
        }
        if (pos < size && bytes[pos] == '"') ++pos;
        while (pos < size && !endsField(bytes[pos])) ++pos;
    } else {
        const size_t begin = pos;
        while (pos < size && !endsField(bytes[pos])) ++pos;
        size_t end = pos;
        while (end > begin && isSpace(bytes[end - 1])) --end;
        field = m_bytes.substr(begin, end - begin);
    }
    m_pos = pos;
    if (pos < size && bytes[pos] == ',')
        ++m_pos;
    else
        skipLineEnd();
    return field;
}

size_t RecordInput::linesLeft(size_t most) const {
    // Lines that end in a bare carriage return have no line feed.
    const char end = m_bytes.find('\n', m_pos) != std::string_view::npos ? '\n' : '\r';
    size_t lines = 1;
    for (size_t at = m_bytes.find(end, m_pos); at != std::string_view::npos && lines < most;
         at = m_bytes.find(end, at + 1))
        ++lines;
    return lines;
}

std::string_view RecordInput::readLine() {
    m_lastLine = m_line;
    const size_t begin = m_pos;
    while (!atEnd() && !atLineEnd()) ++m_pos;
    const size_t end = m_pos;
    skipLineEnd();
    return m_bytes.substr(begin, end - begin);
}

RecordReadReport RetrieveFileData(RecordInput& in, Flight& fa) {
    bool notesMode = false;
    while (!in.atEnd()) {
        const std::string_view key = in.readField();
        // Lines after "FDNotes" that are no key continue the notes, one line
        // per field; before it they are skipped. A notes line in quotes is
        // text even when it reads like a key.
        const bool notesLine = notesMode && in.lastFieldQuoted();
        if (notesLine || !isRecordDetailKey(key)) {
            if (notesMode) (fa.detail(DetailField::FileDetailNotes) += "\r\n") += key;
            continue;
        }
        if (key == "AccelData") return {};
        // A key on the last line has no value line: the file was cut short,
        // and the key must not switch a unit or blank its field.
        if (in.atEnd()) return {};
        const std::string_view value = in.readLine();
        if (key == "TimeInterval") {
            const std::optional<double> interval = parseNumber(value);
            if (!interval)
                return stopped(in, "TimeInterval value \"" + std::string(value) + "\" is not a number");
            for (size_t i = 0; i < kTimeIntervalSlots; ++i) slotOf(fa.samples.aDeltaTime, i) = *interval;
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
                w.set(fa.units);
                fa.detail(w.field) = value;
            }
        }
    }
    return {};
}

RecordReadReport RetrieveAccelData(RecordInput& in, Flight& fa) {
    SampleStore& s = fa.samples;
    bool hasDeltaTime = false, hasPressure = false;
    enum class Column { DeltaTime, Pressure, Accel, Velocity, Altitude };

    int n = s.SampleCount;
    // The columns are sized once to the rows the table can hold, and cut
    // back to the slots read when the table ends.
    const auto first = static_cast<size_t>(std::clamp(n, 0, kLastSlot));
    const size_t slots = first + in.linesLeft(static_cast<size_t>(kLastSlot) + 1 - first);
    SampleArray* const read[] = {&s.aDeltaTime, &s.aPressure, &s.aAccel, &s.aAltitude};
    size_t before[std::size(read)];
    for (size_t c = 0; c < std::size(read); ++c) {
        before[c] = read[c]->size();
        if (read[c]->size() < slots) read[c]->resize(slots, 0.0);
    }
    RecordReadReport ended;
    auto end = [&](RecordReadReport report = {}) {
        for (size_t c = 0; c < std::size(read); ++c)
            read[c]->resize(std::min(read[c]->size(), std::max(before[c], static_cast<size_t>(n) + 1)));
        report.samplesFound = ended.samplesFound;
        return report;
    };
    while (!in.atEnd()) {
        std::string_view field = in.readField();
        if (field == "Delta Time") {
            hasDeltaTime = true;
            continue;
        }
        if (field == "Baro(Psi)") {
            hasPressure = true;
            continue;
        }
        // Every header token starts with a letter, no number does.
        const bool mayBeToken =
            !field.empty() && ((field[0] >= 'A' && field[0] <= 'Z') || (field[0] >= 'a' && field[0] <= 'z'));
        bool isToken = false;
        for (const UnitToken& t : kUnitTokens) {
            if (!mayBeToken) break;
            if (t.token != field) continue;
            t.set(fa.units);
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
            if (in.atEnd()) return end();
            switch (columns[c]) {
                case Column::DeltaTime:
                case Column::Pressure:
                case Column::Accel: {
                    const std::optional<double> v = parseNumber(field);
                    if (!v)
                        return end(stopped(in, "\"" + std::string(field) + "\" in sample " +
                                                   std::to_string(n) + " is not a number"));
                    ended.samplesFound = true;
                    if (columns[c] == Column::DeltaTime) slotOf(s.aDeltaTime, slot) = *v;
                    if (columns[c] == Column::Pressure) slotOf(s.aPressure, slot) = *v;
                    if (columns[c] == Column::Accel) slotOf(s.aAccel, slot) = *v;
                    break;
                }
                case Column::Velocity:
                    break;
                case Column::Altitude: {
                    // The ground reference is the first sample's pressure; without
                    // it (no pressure column, or 0) no altitude exists.
                    const double p = at(s.aPressure, slot), p1 = at(s.aPressure, 1);
                    if (p1 == 0 || !(p / p1 >= 0))
                        return end(stopped(in, "no altitude for sample " + std::to_string(n) + " (pressure " +
                                                   generalNumberText(p) + " over ground pressure " +
                                                   generalNumberText(p1) + ")"));
                    slotOf(s.aAltitude, slot) = baroAltitudeFeet(p, p1);
                    break;
                }
            }
            field = in.readField();  // the next field; after the altitude, the thrust
        }
        if (in.atEnd()) return end();
        if (n >= kLastSlot)
            return end(
                stopped(in, "more than " + std::to_string(kLastSlot) + " samples; the rest is not read"));
        s.SampleCount = static_cast<int16_t>(++n);
    }
    return end();
}

Flight readRecord(std::string_view bytes, const UnitSelection& unitsBefore) {
    Flight flight;
    flight.units = unitsBefore;
    // The cleared details are ounces: a file that names no weight unit (a
    // download) must not have them read in the unit of the flight before.
    SetWeightOz(flight.units);
    flight.samples.SampleCount = 1;
    RecordInput in(bytes);
    // A bad "TimeInterval" ends only the detail section; the table reader
    // then starts where it stopped.
    RecordReadReport details = RetrieveFileData(in, flight);
    RecordReadReport table = RetrieveAccelData(in, flight);
    if (!details.complete) details.samplesFound = table.samplesFound;
    flight.lastRead = details.complete ? table : details;
    return flight;
}

RecordReadReport loadRecord(std::string_view bytes, Flight& flight) {
    flight = readRecord(bytes, flight.units);
    return flight.lastRead;
}

Status readWholeFile(const std::string& path, std::string& bytes, bool* tooLarge) {
    bytes.clear();
    if (tooLarge) *tooLarge = false;
    auto failure = [&path](std::string_view doing, int error) {
        return Status::failure(std::string(doing) + " " + path + ": " + std::strerror(error));
    };
    auto tooLargeFailure = [&] {
        bytes.clear();
        bytes.shrink_to_fit();
        if (tooLarge) *tooLarge = true;
        return Status::failure(path + " is not a record file: it holds more than " +
                               std::to_string(kMaxRecordFileBytes >> 20) + " MB.");
    };
    errno = 0;
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file) return failure("cannot open", errno ? errno : ENOENT);
    // A regular file is read in one piece of its size; a pipe or a device in
    // steps, and never past the limit (a device may never end).
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxRecordFileBytes) {
        std::fclose(file);
        return tooLargeFailure();
    }
    size_t step = !ec ? static_cast<size_t>(size) + 1 : size_t{1} << 16;
    bool failed = false;
    while (!failed && bytes.size() <= kMaxRecordFileBytes) {
        const size_t had = bytes.size();
        bytes.resize(had + step);
        const size_t got = std::fread(bytes.data() + had, 1, step, file);
        bytes.resize(had + got);
        if (got < step) {
            failed = std::ferror(file);
            break;
        }
        step = size_t{1} << 16;
    }
    const int error = errno;
    std::fclose(file);
    if (failed) return failure("cannot read", error ? error : EIO);
    if (bytes.size() > kMaxRecordFileBytes) return tooLargeFailure();
    return Status::success();
}

Status readSmallRegularFile(const std::string& path, size_t limit, std::string& bytes) {
    bytes.clear();
    auto failure = [&path](std::string_view why) { return Status::failure(path + ": " + std::string(why)); };
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) return failure(std::strerror(ec.value()));
    if (!std::filesystem::is_regular_file(status)) return failure("not a regular file");
#if defined(__unix__) || defined(__APPLE__)
    // Non-blocking all the same: a FIFO may have taken the file's place since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return failure(std::strerror(errno));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return failure("not a regular file");
    }
    char buffer[4096];
    ssize_t got = 0;
    while (bytes.size() <= limit && (got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(got));
    const int error = errno;
    ::close(fd);
    if (got < 0) return failure(std::strerror(error));
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return failure(std::strerror(errno));
    char buffer[4096];
    size_t got = 0;
    while (bytes.size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    std::fclose(file);
#endif
    if (bytes.size() > limit) {
        bytes.clear();
        return failure("larger than " + std::to_string(limit) + " bytes");
    }
    return Status::success();
}

Status loadRecordFile(const std::string& path, Flight& flight, RecordReadReport* report) {
    std::string bytes;
    if (Status read = readWholeFile(path, bytes); !read.ok) return read;
    const RecordReadReport r = loadRecord(bytes, flight);
    if (report) *report = r;
    return Status::success();
}

}  // namespace tarvel
