#pragma once
// `tarvel render`: the main window, as it shows after a list of actions,
// painted into a PNG without a display.

#include <iosfwd>
#include <string>
#include <vector>

#include "flight_analysis.h"

namespace tarvel {

class MainWindow;

// Makes sure a QApplication exists; without a display the offscreen
// platform is chosen before it is created.
void ensureGuiApplication();

// One action on an open window, with the spellings of the other `tarvel`
// verbs plus the pointer:
//   --set NAME=TEXT            type TEXT into a detail field and leave it
//   --units GROUP=UNIT[,...]   altitude=ft|m, velocity=mph|ft/s|km/h|m/s, thrust=N|lbs, mass=oz|lbs|g
//   --mode all|burn            "All Curves" or "Accel\Thrust"
//   --recalculate              "&Recalculate"
//   --move T | --click T | --rclick T   pointer over the graph at time T seconds
// Messages the window shows reach its Dialogs.
Status applyWindowAction(MainWindow& window, const std::string& name, const std::string& value);

inline constexpr const char* kRenderUsage =
    "tarvel render FILE.rcd OUT.png [ACTIONS...] [--move T] [--click T] [--rclick T] [--locale NAME] "
    "[--size WxH]\n"
    "                 (the main window as a PNG; --move/--click/--rclick put the pointer on the graph\n"
    "                 at T seconds, --rclick twice measures a descent rate)";

// tarvel render FILE.rcd OUT.png [ACTIONS...] [--size WxH]; returns the exit code.
int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvel
