// "ud.ini" as the downloader reads its text overrides at start.

#include <cstdint>
#include <fstream>
#include <string>

#include "ini_file.h"
#include "scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = (fuzzing::scratchDir() / "ud.ini").string();
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
    for (const char* key :
         {"ApplicationName", "DebugWindowText", "aboutWindowTextLine1", "aboutWindowTextLine2"})
        (void)vxoem::ReadIniValue("Main", key, file);
    return 0;
}
