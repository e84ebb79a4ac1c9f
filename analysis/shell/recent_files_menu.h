#pragma once
// "Open &Recent": the last record files opened or saved, newest first, as
// the user's preferences keep them.

#include <QString>
#include <QStringList>
#include <functional>

class QMenu;

namespace tarvel {

class UserPreferences;

class RecentFilesMenu {
public:
    // Fills `menu` (owned by the window) from `preferences`; choosing an
    // entry calls `open` with its file. Both must outlive this object.
    RecentFilesMenu(QMenu& menu, UserPreferences& preferences, std::function<void(const QString&)> open);

    QMenu* menu() const { return &m_menu; }
    // Puts `path` at the top of the list.
    void remember(const QString& path);
    // Takes `path` off the list.
    void forget(const QString& path);
    // Files named at start after the first, listed in their order below it.
    void rememberInOrder(const QStringList& paths);

private:
    void rebuild();

    QMenu& m_menu;
    UserPreferences& m_preferences;
    std::function<void(const QString&)> m_open;
};

}  // namespace tarvel
