#include "record_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "number_text.h"
#include "record_reader.h"
#include "units.h"

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

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The reader takes every notes line after the first as comma-separated fields,
// skips blanks around them, and reads a line that equals a key as that key.
// Any line that would not read back as itself goes in double quotes, its own
// double quotes doubled: the reader takes a quoted notes line as text whole.
// Ordinary lines stay as typed.
std::string notesContinuation(std::string_view line) {
    const bool plain =
        !isRecordDetailKey(line) && line.find(',') == std::string_view::npos &&
        (line.empty() || (!isBlank(line.front()) && !isBlank(line.back()) && line.front() != '"'));
    if (plain) return std::string(line);
    std::string quoted = "\"";
    for (const char c : line) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

// Notes keep their lines; every line break is written as CR LF. The first
// line is read back whole, the others field by field.
std::string notesLines(std::string_view text) {
    std::string out;
    size_t begin = 0;
    for (bool first = true;; first = false) {
        const size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
        const std::string_view line = text.substr(begin, end - begin);
        if (!first) out += kCrLf;
        out += first ? std::string(line) : notesContinuation(line);
        if (end == text.size()) break;
        begin = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return out;
}

Status writeFailure(const std::string& path, int error) {
    return Status::failure("cannot write " + path + ": " + std::strerror(error ? error : EIO));
}

// A FIFO, a device or a socket is written where it is: renaming a new file
// over it would put a plain file in the place of the node. A reader that goes
// away part way is a failure to write, not the end of the program.
Status writeInPlace(const std::string& path, std::string_view bytes) {
#if defined(__unix__) || defined(__APPLE__)
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
#endif
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    int error = errno;
    bool ok = file != nullptr;
    if (ok) {
        ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
        if (!ok) error = errno;
        if (std::fclose(file) != 0 && ok) {
            ok = false;
            error = errno;
        }
    }
#if defined(__unix__) || defined(__APPLE__)
    ::sigaction(SIGPIPE, &previous, nullptr);
#endif
    return ok ? Status::success() : writeFailure(path, error);
}

}  // namespace

Status rewriteFileInPlace(const std::string& path, std::string_view bytes) {
#if defined(__unix__) || defined(__APPLE__)
    std::string old;
    if (!readWholeFile(path, old).ok) return writeFailure(path, EACCES);  // nothing to put back
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return writeFailure(path, errno);
    auto put = [fd](std::string_view content) {
        for (size_t done = 0; done < content.size();) {
            const ssize_t n = ::pwrite(fd, content.data() + done, content.size() - done, off_t(done));
            if (n < 0 && errno != EINTR) return false;
            if (n > 0) done += size_t(n);
        }
        return ::ftruncate(fd, off_t(content.size())) == 0;
    };
    errno = 0;
    bool ok = put(bytes) && ::fsync(fd) == 0;
    const int error = errno;
    if (!ok) put(old);
    if (::close(fd) != 0 && ok) return writeFailure(path, errno);
    return ok ? Status::success() : writeFailure(path, error);
#else
    (void)bytes;
    return writeFailure(path, ENOSYS);
#endif
}

std::string recordHeaderLine(const UnitSelection& units) {
    std::string line = "Delta Time,Baro(Psi),Accel(G),Velocity";
    line += selectedTag(units, UnitGroup::Velocity);
    line += ",Altitude";
    line += selectedTag(units, UnitGroup::Distance);
    line += ",Thrust";
    line += selectedTag(units, UnitGroup::Thrust);
    return line;
}

std::string recordText(const Flight& fa) {
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
    const std::string_view massTag = selectedTag(fa.units, UnitGroup::Mass);
    entry("FDWeight" + std::string(massTag), DetailField::FileDetailWeight);
    entry("FDPropellantWt" + std::string(massTag), DetailField::FileDetailPropellantWt);
    entry("FDMotorDur", DetailField::txtMotorDuration);
    entry("FDDiameter", DetailField::FileDetailDiameter);
    line("FDNotes");
    line(notesLines(fa.detail(DetailField::FileDetailNotes)));
    line("BaroAltitude");
    line(singleLine(fa.BaroAltitude));
    line("AccelData");
    line(recordHeaderLine(fa.units));

    const SampleStore& s = fa.samples;
    const int last = std::clamp<int>(s.SampleCount, 0, kLastSlot);
    out.reserve(out.size() + static_cast<size_t>(last) * 48);
    for (int i = 1; i <= last; ++i) {
        out += generalNumberText(at(s.aDeltaTime, i));
        out += ',';
        out += generalNumberText(at(s.aPressure, i));
        out += ',';
        out += generalNumberText(at(s.aAccel, i));
        out += ',';
        out += twoDecimalText(at(s.aVelocity, i));
        out += ',';
        out += twoDecimalText(at(s.aAltitude, i));
        out += ',';
        out += twoDecimalText(at(s.aThrust, i));
        out += kCrLf;
    }
    return out;
}

void writeRecord(std::ostream& out, const Flight& fa) {
    const std::string text = recordText(fa);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

Status writeRecordFile(const std::string& path, const Flight& fa) {
    return replaceFileContents(path, recordText(fa));
}

Status replaceFileContents(const std::string& path, std::string_view bytes) {
    namespace fs = std::filesystem;
    if (path.empty()) return writeFailure(path, ENOENT);
    std::error_code ec;
    fs::path target(path);
    // Replace the file a link points to, not the link.
    if (fs::is_symlink(target, ec)) {
        target = fs::weakly_canonical(target, ec);
        if (ec) return writeFailure(path, ec.value());
    }
    const fs::file_status existing = fs::status(target, ec);
    if (!ec && fs::exists(existing) && !fs::is_regular_file(existing) && !fs::is_directory(existing))
        return writeInPlace(path, bytes);

    // The old way opened the target for writing in place; a target that
    // refuses that (read-only, a folder) must still be refused.
    errno = 0;
    if (std::FILE* probe = std::fopen(target.string().c_str(), "r+b")) {
        std::fclose(probe);
    } else if (errno != ENOENT) {
        return writeFailure(path, errno);
    }

    std::random_device random;
    std::FILE* file = nullptr;
    fs::path temp;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = target;
        temp += ".";
        temp += hexText(random(), 8);
        temp += ".tmp";
        errno = 0;
        file = std::fopen(temp.string().c_str(), "wbx");
        if (file || errno == EEXIST) continue;
        const int refusal = errno;
        // The folder takes no new file, but the file itself may be written.
        if ((refusal == EACCES || refusal == EPERM) && fs::is_regular_file(existing))
            return rewriteFileInPlace(target.string(), bytes);
        return writeFailure(path, refusal);
    }
    if (!file) return writeFailure(path, EEXIST);

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
        return writeFailure(path, error);
    }

    // The new file takes the permissions of the one it replaces.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return writeFailure(path, ec.value());
    }
    return Status::success();
}

Status writeSettingsFile(const std::string& path, std::string_view bytes) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat link {
    }, target{};
    if (::lstat(path.c_str(), &link) != 0)
        return errno == ENOENT ? replaceFileContents(path, bytes) : writeFailure(path, errno);
    if (S_ISREG(link.st_mode) && link.st_nlink == 1) return replaceFileContents(path, bytes);
    if (::stat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode)) return rewriteFileInPlace(path, bytes);
    return Status::failure("cannot write " + path + ": it is not a regular file");
#else
    return replaceFileContents(path, bytes);
#endif
}

void failWritesPastTheFileSizeLimit() {
#ifdef SIGXFSZ
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, nullptr);
#endif
}

}  // namespace tarvel
