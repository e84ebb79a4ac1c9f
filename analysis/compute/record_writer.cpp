#include "record_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "number_text.h"

namespace tarvel {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// A one-line detail is written as one value line; a line break typed into it
// would turn the rest of its text into keys of the file, so it becomes a space.
std::string singleLine(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

// Notes keep their lines; every line break is written as CR LF.
std::string notesLines(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += kCrLf;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n') {
            out += kCrLf;
        } else {
            out += text[i];
        }
    }
    return out;
}

Status systemFailure(int error) { return Status::failure(std::strerror(error ? error : EIO)); }

}  // namespace

std::string recordHeaderLine(const FlightAnalysis& fa) {
    return "Delta Time,Baro(Psi)," + std::string(UnitCaptions::lblAccel) + ",Velocity" + fa.captions.lblVelocity +
           ",Altitude" + fa.captions.lblAltitude + ",Thrust" + fa.captions.lblUnitsThrust;
}

std::string recordText(const FlightAnalysis& fa) {
    std::string out;
    auto line = [&out](std::string_view text) {
        out += text;
        out += kCrLf;
    };
    auto entry = [&](std::string_view key, DetailField field) {
        line(key);
        line(singleLine(fa.detail(field)));
    };
    entry("FDName", DetailField::FileDetailName);
    entry("FDLocation", DetailField::FileDetailPlace);
    entry("FDDate", DetailField::FileDetailDate);
    entry("FDCoefDrag", DetailField::FileDetailCoefficientDrag);
    entry("FDWeight" + fa.captions.lblUnitsMass, DetailField::FileDetailWeight);
    entry("FDPropellantWt" + fa.captions.lblUnitsMass, DetailField::FileDetailPropellantWt);
    entry("FDMotorDur", DetailField::txtMotorDuration);
    entry("FDDiameter", DetailField::FileDetailDiameter);
    line("FDNotes");
    line(notesLines(fa.detail(DetailField::FileDetailNotes)));
    line("BaroAltitude");
    line(singleLine(fa.BaroAltitude));
    line("AccelData");
    line(recordHeaderLine(fa));

    const SampleStore& s = fa.samples;
    const int last = std::clamp<int>(s.SampleCount, 0, kLastSlot);
    out.reserve(out.size() + static_cast<size_t>(last) * 48);
    for (int i = 1; i <= last; ++i) {
        out += generalNumberText(s.aDeltaTime[i]);
        out += ',';
        out += generalNumberText(s.aPressure[i]);
        out += ',';
        out += generalNumberText(s.aAccel[i]);
        out += ',';
        out += twoDecimalText(s.aVelocity[i]);
        out += ',';
        out += twoDecimalText(s.aAltitude[i]);
        out += ',';
        out += twoDecimalText(s.aThrust[i]);
        out += kCrLf;
    }
    return out;
}

void writeRecord(std::ostream& out, const FlightAnalysis& fa) {
    const std::string text = recordText(fa);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

Status writeRecordFile(const std::string& path, const FlightAnalysis& fa) {
    return replaceFileContents(path, recordText(fa));
}

Status replaceFileContents(const std::string& path, std::string_view bytes) {
    namespace fs = std::filesystem;
    if (path.empty()) return systemFailure(ENOENT);
    std::error_code ec;
    fs::path target(path);
    // Replace the file a link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return Status::failure(ec.message());
    }

    // The old way opened the target for writing in place; a target that
    // refuses that (read-only, a folder) must still be refused.
    errno = 0;
    if (std::FILE* probe = std::fopen(target.string().c_str(), "r+b")) {
        std::fclose(probe);
    } else if (errno != ENOENT) {
        return systemFailure(errno);
    }

    std::random_device random;
    std::FILE* file = nullptr;
    fs::path temp;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        temp = target;
        temp += suffix;
        errno = 0;
        file = std::fopen(temp.string().c_str(), "wbx");
        if (!file && errno != EEXIST) return systemFailure(errno);
    }
    if (!file) return systemFailure(EEXIST);

    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
#if defined(__unix__) || defined(__APPLE__)
    ok = ok && ::fsync(fileno(file)) == 0;
#endif
    int error = errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        fs::remove(temp, ec);
        return systemFailure(error);
    }

    // The new file takes the permissions of the one it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return Status::failure(ec.message());
    }
    return Status::success();
}

}  // namespace tarvel
