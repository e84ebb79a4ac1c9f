// The downloader's command line: the splitter, then batch mode with its
// switches against a work folder holding one project ("flight.vxp" with its
// program image and compile result) and the QM-40 model on the line.

#include "command_line.h"

#include <cstdint>
#include <fstream>
#include <string>

#include "downloader_bench.h"
#include "startup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool projectWritten = [] {
        for (const char* name : {"flight.vxp", "flight.prf"})
            std::ofstream((fuzzing::scratchDir() / name).string());
        std::ofstream((fuzzing::scratchDir() / "flight.vxb").string(), std::ios::binary) << "\x02\x06program";
        return true;
    }();
    (void)projectWritten;

    const std::vector<std::string> args =
        vxoem::GetCommandLine(std::string(reinterpret_cast<const char*>(data), size));
    fuzzing::DownloaderBench bench;
    bench.reporter.setQuiet(vxoem::hasQuietSwitch(args));
    vxoem::runBatch(bench.procedures, bench.reporter, args);
    return 0;
}
