// A record file as the user opens it, in either form, then what may follow an
// Open: a units change, the burn view, Save, the motor file and the CSV file.
// What Save writes must read back as the same number of samples.

#include <cstdint>
#include <cstdio>
#include <fstream>

#include "csv_export.h"
#include "flight_analysis.h"
#include "fresh_analysis.h"
#include "motor_file.h"
#include "record_reader.h"
#include "record_writer.h"
#include "scratch_dir.h"

using namespace tarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string opened = (fuzzing::scratchDir() / "flight.rcd").string();
    std::ofstream(opened, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), size);

    // The input's last byte picks the figures' locale and the units, so that every one is reached.
    const uint8_t pick = size ? data[size - 1] : 0;
    FlightAnalysis& fa = fuzzing::freshAnalysis<0>();
    if (pick & 0x40) fa.numberLocale = *NumberLocale::named("de_DE");
    fa.openRecordFile(opened);
    if (!fa.lastRead.samplesFound) return 0;

    fa.applyUnits(UnitSelection{int16_t(pick & 1), int16_t(pick >> 1 & 3), int16_t(pick >> 3 & 1),
                                int16_t((pick >> 4) % 3)});
    if (pick & 0x80) fa.mnuGraphThrust_Click();

    // Save's bytes (its file handling is no parser, and syncing each file would slow the run down).
    const std::string saved = recordText(fa);
    FlightAnalysis& reread = fuzzing::freshAnalysis<1>();
    loadRecord(saved, reread);
    if (reread.samples.SampleCount != fa.samples.SampleCount) {
        std::fprintf(stderr, "saved %d samples, read back %d\n", fa.samples.SampleCount,
                     reread.samples.SampleCount);
        std::abort();
    }
    (void)csvText(fa);

    MotorExportDialog dialog = openMotorExportDialog(fa);
    dialog.txtDiameter = "29";
    dialog.txtLength = "124";
    dialog.txtTotalMotorWeight = "1000";
    if (checkMotorExport(fa, dialog).ok) (void)motorFileText(fa, dialog);
    return 0;
}
