#pragma once
// `tarvel render`: the main window, as it shows after a list of actions,
// painted into a PNG without a display. The command line itself is read by
// the `tarvel` program; this side only applies the actions and paints.

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "flight_analysis.h"
#include "rocket_profile.h"
#include "units.h"

class QApplication;
class QImage;

namespace tarvel {

class MainWindow;

// One step of the user in the main window, already checked. The `tarvel`
// verbs apply the same steps to a FlightAnalysis; only `render` takes the
// pointer steps.
struct WindowAction {
    enum class Kind { Set, Units, Mode, Recalculate, Rocket, Move, Click, RClick, Ruler, Range };
    WindowAction(Kind k, std::string given) : kind(k), option(std::move(given)) {}

    Kind kind;
    std::string option;                                // as given, for messages
    DetailField field = DetailField::FileDetailName;   // Set
    std::string text;                                  // Set
    std::vector<std::pair<UnitGroup, int16_t>> units;  // Units: the groups named
    bool burnMode = false;                             // Mode
    double time = 0;                                   // Move, Click, RClick, Ruler: seconds; Range: from
    double timeTo = 0;                                 // Range: to
    RocketProfile profile;                             // Rocket: as the store held it

    // What the units dialog holds when "&OK" is pressed: the groups named
    // ticked over `current`, the others as they were.
    UnitSelection unitsOver(UnitSelection current) const {
        for (const auto& [group, index] : units) {
            switch (group) {
                case UnitGroup::Distance:
                    current.Distance = index;
                    break;
                case UnitGroup::Velocity:
                    current.Velocity = index;
                    break;
                case UnitGroup::Thrust:
                    current.Thrust = index;
                    break;
                case UnitGroup::Mass:
                    current.Mass = index;
                    break;
            }
        }
        return current;
    }
};

// A QApplication for as long as the object lives, made only when the process
// has none (the command line has no window of its own); without a display
// the offscreen platform is chosen before it is made.
class GuiApplicationScope {
public:
    GuiApplicationScope();
    ~GuiApplicationScope();
    GuiApplicationScope(const GuiApplicationScope&) = delete;
    GuiApplicationScope& operator=(const GuiApplicationScope&) = delete;

private:
    int m_argc = 1;
    char m_name[7] = "tarvel";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

// Does `action` through the window's own handlers, so the window shows what
// it shows after the user's step. Messages the window shows reach its Dialogs.
// Returns why a step could not be done (a range off the graph), else empty.
std::string applyWindowAction(MainWindow& window, const WindowAction& action);

// What a picture shows over the graph. Off unless asked for, so that a
// picture made before they existed is made again the same.
struct RenderOverlay {
    bool events = false;    // the event lines
    bool estimate = false;  // the best estimate with its band
};

// Opens `file` in a width x height main window nobody sees, applies the
// actions in order and writes the picture to `png` (a QApplication must
// exist). Messages the window
// shows go to `out`, failures to `err`; false after a failure.
bool renderWindowPng(const std::string& file, const std::string& png, int width, int height,
                     const NumberLocale& locale, const std::vector<WindowAction>& actions, std::ostream& out,
                     std::ostream& err, RenderOverlay overlay = {});

// `image` as a PNG into `png`, "-" for `out`: a whole new file or the old
// one, a FIFO or a device written in place.
inline constexpr const char* kPngNotMade = "cannot make the picture";
inline constexpr const char* kPngNotWritten = "cannot write the picture to standard output";
Status writePngImage(const QImage& image, const std::string& png, std::ostream& out);

}  // namespace tarvel
