// A program image (.vxb) loaded and downloaded into the QM-40 model, as the
// Download key does it. Whatever the bytes, a download that reports no
// failure must leave the image, byte for byte, in the chip's external EEPROM.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "downloader_bench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::DownloaderBench bench;
    const std::string image = bench.path("image.vxb");
    std::ofstream(image, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);

    bench.procedures.SelectDownloadFile(image);
    bench.procedures.cmdDownload_Click();
    if (size > 0 && bench.ui.messages == 0 &&
        !std::equal(data, data + size, bench.chip.spiEeprom().begin())) {
        std::fprintf(stderr, "the download reported no failure but the chip holds another program\n");
        std::abort();
    }
    return 0;
}
