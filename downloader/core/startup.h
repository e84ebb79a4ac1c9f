#pragma once
// What the stored settings decide at start, and the unattended command line.

#include <optional>
#include <string>
#include <vector>

#include "download_procedures.h"
#include "reporter.h"
#include "vxoem_settings.h"

namespace vxoem {

struct StartupChoices {
    Chip chip = Chip::QM10;
    // The port of the chip link; nothing when the stored value names no port.
    std::optional<int> qm40Port;
};

// "QM40" selects the QM-40, anything else the QM-10; a port of "0" or none
// stored means port 2.
StartupChoices readStartupChoices(const VxoemSettings& settings);

// Applies the stored chip and port and the work directory to the procedures
// and the chip control, and returns the choices for the window's menus.
StartupChoices applyStartupChoices(const VxoemSettings& settings, DownloadProcedures& procedures,
                                   vx::ChipControl& VX, const std::string& workDirectory);

// The absolute work directory: Work_Dir, or Run_Dir when it is empty; the
// current directory when neither is set or the folder does not exist. The
// program works out this folder once at start and leaves its current
// directory alone.
std::string workDirectoryOf(const VxoemSettings& settings);

// The unattended switch of ours: no window, no box, nothing waits for a click.
bool hasQuietSwitch(const std::vector<std::string>& args);

struct BatchResult {
    bool endProgram = false;  // false: go on interactively
    int exitStatus = 0;       // 0 when no failure was reported, else 1
};

// Runs the command line `args` (project name, then "/c", "/d" and "/q"),
// logging to "Velmix.err" in the work directory.
BatchResult runBatch(DownloadProcedures& procedures, Reporter& reporter,
                     const std::vector<std::string>& args);

}  // namespace vxoem
