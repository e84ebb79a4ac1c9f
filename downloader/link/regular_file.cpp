#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vx {
namespace {

#ifdef _WIN32
constexpr int kOpenFlags = O_RDONLY | O_BINARY;
#define vx_read ::_read
#define vx_close ::_close
#else
// Non-blocking, so that opening a pipe without a writer returns at once.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#define vx_read ::read
#define vx_close ::close
#endif

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) vx_close(fd);
    }
};

RegularFileRead failed(std::string error) {
    RegularFileRead result;
    result.error = std::move(error);
    return result;
}

}  // namespace

RegularFileRead readRegularFile(const std::string& path, uint64_t maxBytes) {
    const Fd file{::open(path.c_str(), kOpenFlags)};
    if (file.fd < 0) return failed(std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return failed(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return failed("it is a folder, not a file");
    if (!S_ISREG(info.st_mode)) return failed("it is not a regular file (a pipe or a device)");

    RegularFileRead result;
    result.size = static_cast<uint64_t>(info.st_size);
    if (result.size > maxBytes) {
        result.tooLarge = true;
        return result;
    }
    // The file may grow while it is read: one byte past the bound tells.
    char chunk[16384];
    for (;;) {
        const auto got = vx_read(file.fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return failed(std::strerror(errno));
        }
        if (got == 0) break;
        result.bytes.append(chunk, static_cast<size_t>(got));
        if (result.bytes.size() > maxBytes) {
            result.size = result.bytes.size();
            result.bytes.clear();
            result.tooLarge = true;
            return result;
        }
    }
    result.size = result.bytes.size();
    result.ok = true;
    return result;
}

}  // namespace vx
