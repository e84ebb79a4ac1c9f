#include "reporter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace vxoem {
namespace {

#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
// Windows has no FIFOs to wait on, and keeps a handle from child processes
// with its own flag.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#ifdef _O_NOINHERIT
#define O_CLOEXEC _O_NOINHERIT
#else
#define O_CLOEXEC 0
#endif
#endif

constexpr const char* kNotWritten = "; the error file was not written";

}  // namespace

void Reporter::message(const std::string& text, const std::string& title, MessageIcon icon) {
    m_failureReported = true;
    // A batch run's error file tells the whole story, box or not.
    if (m_quiet || m_batch) errorLine(text);
    if (m_quiet) {
        std::cerr << text << std::endl;
        return;
    }
    m_ui.showMessage(text, title, icon);
}

void Reporter::batchAwareError(const std::string& text) {
    if (!m_batch) {
        message(text);
        return;
    }
    errorLineFailure(text);
    if (m_quiet) std::cerr << text << std::endl;
    m_batchError = true;
}

void Reporter::messageAndLog(const std::string& text) {
    message(text);
    if (!m_quiet && !m_batch) errorLine(text);
}

void Reporter::note(const std::string& text) {
    if (!m_quiet) m_ui.showMessage(text, {}, MessageIcon::None);
    // One line, however many the box has.
    std::string line = "Note:";
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (end > at) line += " " + text.substr(at, end - at);
        at = end + 1;
    }
    if (m_quiet) std::cerr << line << std::endl;
    if (m_errorFile >= 0) {
        errorLine(line);
    } else {
        m_pendingNotes.push_back(line);
    }
}

bool Reporter::openErrorFile(const std::string& path) {
    closeErrorFile();
    const auto refuse = [this, &path](const std::string& why) {
        std::cerr << path << ": " << why << kNotWritten << std::endl;
        m_failureReported = true;
        return false;
    };
    // Never through a link, and never waiting on a pipe without a reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == ELOOP) return refuse("a symbolic link, not a file of its own");
        if (errno == ENXIO) return refuse("a pipe without a reader, not a regular file");
        return refuse(std::strerror(errno));
    }
    struct stat info {};
    std::string why;
    if (::fstat(fd, &info) != 0) {
        why = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        why = "not a regular file";
    } else if (info.st_nlink > 1) {
        why = "a file with other names (hard links), not a file of its own";
    } else if (::ftruncate(fd, 0) != 0) {
        why = std::strerror(errno);
    }
    if (!why.empty()) {
        ::close(fd);
        return refuse(why);
    }
    m_errorFile = fd;
    m_errorFilePath = path;
    m_errorFileFailed = false;
    for (const std::string& pending : m_pendingNotes) errorLine(pending);
    m_pendingNotes.clear();
    return true;
}

void Reporter::errorLine(const std::string& text) {
    if (m_errorFile < 0 || m_errorFileFailed) return;
    const std::string line = text + "\n";
    for (size_t done = 0; done < line.size();) {
        const ssize_t wrote = ::write(m_errorFile, line.data() + done, line.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            // Under a file-size limit, on a full disk: said once, and the run fails.
            std::cerr << m_errorFilePath
                      << ": cannot write the error file: " << std::strerror(wrote < 0 ? errno : ENOSPC)
                      << std::endl;
            m_errorFileFailed = true;
            m_failureReported = true;
            return;
        }
        done += static_cast<size_t>(wrote);
    }
}

void Reporter::errorLineFailure(const std::string& text) {
    m_failureReported = true;
    errorLine(text);
}

void Reporter::closeErrorFile() {
    if (m_errorFile < 0) return;
    if (::close(m_errorFile) != 0 && !m_errorFileFailed) {
        std::cerr << m_errorFilePath << ": cannot write the error file: " << std::strerror(errno)
                  << std::endl;
        m_failureReported = true;
    }
    m_errorFile = -1;
}

}  // namespace vxoem
