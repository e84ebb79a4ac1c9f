#include "recent_files_menu.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "user_preferences.h"

namespace tarvel {

RecentFilesMenu::RecentFilesMenu(QMenu& menu, UserPreferences& preferences,
                                 std::function<void(const QString&)> open)
    : m_menu(menu), m_preferences(preferences), m_open(std::move(open)) {
    rebuild();
}

void RecentFilesMenu::remember(const QString& path) {
    m_preferences.addRecentFile(path);
    rebuild();
}

void RecentFilesMenu::forget(const QString& path) {
    m_preferences.removeRecentFile(path);
    rebuild();
}

void RecentFilesMenu::rememberInOrder(const QStringList& paths) {
    // Listed from the last up, so the list keeps their order.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        if (QFileInfo(*it).isFile()) m_preferences.addRecentFile(*it);
    rebuild();
}

void RecentFilesMenu::rebuild() {
    m_menu.clear();
    const QStringList files = m_preferences.recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        // "&1 name" ... "&8 name": a digit picks the entry from the keyboard.
        QString shown = files[i];
        QAction* entry = m_menu.addAction(QString("&%1 %2").arg(i + 1).arg(shown.replace('&', "&&")));
        entry->setData(files[i]);
        entry->setToolTip(files[i]);
        QObject::connect(entry, &QAction::triggered, &m_menu, [this, path = files[i]] { m_open(path); });
    }
    m_menu.setEnabled(!files.isEmpty());
}

}  // namespace tarvel
