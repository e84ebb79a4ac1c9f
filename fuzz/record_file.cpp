// A record file as the user opens it, in either form, then what may follow an
// Open: a derivation in other units or in the burn view, Save, the motor file
// and the CSV file. What Save writes must read back as the same number of
// samples.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "csv_export.h"
#include "motor_file.h"
#include "number_text.h"
#include "open_flight.h"
#include "record_writer.h"

using namespace tarvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Flight flight = fuzzing::openFlight(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!flight.lastRead.samplesFound) return 0;

    // The input's last byte picks the figures' locale, the units and the view, so that every one is reached.
    const uint8_t pick = size ? data[size - 1] : 0;
    const UnitSelection units{int16_t(pick & 1), int16_t(pick >> 1 & 3), int16_t(pick >> 3 & 1),
                              int16_t((pick >> 4) % 3)};
    const DerivedView view = pick & 0x80 ? DerivedView::Burn : DerivedView::AllCurves;
    Derivation derived =
        deriveFlight({flight.samples, flight.details, units, view, flight.samples.aVelocity});
    double impulse = 0, average = 0;
    if (derived.flight) {
        flight.units = units;
        flight.samples.aVelocity = std::move(derived.flight->velocity);
        flight.samples.aAltitude = std::move(derived.flight->altitude);
        flight.samples.aThrust = std::move(derived.flight->thrust);
        if (const auto& f = derived.flight->figures) {
            const NumberLocale locale = pick & 0x40 ? *NumberLocale::named("de_DE") : NumberLocale{};
            for (double figure : {f->maxAccel, f->minAccel, f->maxVelocity, f->maxAltitude, f->velocity3Ft,
                                  f->maxThrust, f->totalImpulse, f->aveThrust})
                (void)figureText(figure, 2, locale);
            impulse = f->totalImpulse;
            average = f->aveThrust;
        }
    }

    // Save's bytes (its file handling is no parser, and syncing each file would slow the run down).
    const std::string saved = recordText(flight);
    const Flight reread = readRecord(saved);
    if (reread.samples.SampleCount != flight.samples.SampleCount) {
        std::fprintf(stderr, "saved %d samples, read back %d\n", flight.samples.SampleCount,
                     reread.samples.SampleCount);
        std::abort();
    }
    (void)csvText(flight);

    MotorExportDialog dialog = openMotorExportDialog(flight, impulse, average);
    dialog.txtDiameter = "29";
    dialog.txtLength = "124";
    dialog.txtTotalMotorWeight = "1000";
    if (checkMotorExport(flight, dialog).ok) (void)motorFileText(flight, dialog);
    return 0;
}
