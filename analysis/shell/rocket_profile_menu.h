#pragma once
// A menu of the saved rocket profiles' names, listed afresh each time it
// opens: `tarvel` or another window may have changed the store meanwhile.

#include <QString>
#include <functional>

class QMenu;
class QObject;

namespace tarvel {

// `chosen` runs with the name picked; it lives as long as `context`.
void listRocketProfilesWhenShown(QMenu& menu, QObject& context, std::function<void(const QString&)> chosen);

}  // namespace tarvel
