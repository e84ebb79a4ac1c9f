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

// One action on an open window, as the command line spells it:
//   all | burn | recalc | thrust | altitude | velocity | accel   (menu entries)
//   units:DIST,VEL,THRUST,MASS      e.g. units:m,km/h,N,g
//   set:FIELD=TEXT                  e.g. set:FileDetailWeight=20 (then leaves the field)
//   move:T | click:T | rclick:T     pointer at time T seconds
// Messages the window shows go to `messages`, one per line.
Status applyWindowAction(MainWindow& window, const std::string& action, std::ostream& messages);

// tarvel render FILE.rcd OUT.png [ACTIONS...] [--size WxH]; returns the exit code.
int runRenderCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvel
