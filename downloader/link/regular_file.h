#pragma once
// Reading a file the user named, whole and bounded: only a regular file is
// read (a folder, a pipe or a device is refused without waiting on it), and
// never more than the caller can use.

#include <cstdint>
#include <string>

namespace vx {

struct RegularFileRead {
    bool ok = false;
    std::string bytes;
    bool tooLarge = false;  // a regular file longer than the bound; `size` says how long
    uint64_t size = 0;
    std::string error;  // why it could not be read, e.g. "Permission denied"
};

RegularFileRead readRegularFile(const std::string& path, uint64_t maxBytes);

}  // namespace vx
