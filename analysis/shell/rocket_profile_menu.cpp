#include "rocket_profile_menu.h"

#include <QMenu>

#include "qt_text.h"
#include "rocket_profile_store.h"

namespace tarvel {

using suite::qs;

void listRocketProfilesWhenShown(QMenu& menu, QObject& context, std::function<void(const QString&)> chosen) {
    QObject::connect(&menu, &QMenu::aboutToShow, &context, [&menu, &context, chosen] {
        menu.clear();
        const std::vector<std::string> names = RocketProfileStore().names();
        if (names.empty()) menu.addAction("(no rocket profile saved)")->setEnabled(false);
        for (const std::string& profile : names) {
            const QString name = qs(profile);
            // An "&" in a name shows as itself, not as a shortcut mark.
            QObject::connect(menu.addAction(QString(name).replace('&', "&&")), &QAction::triggered, &context,
                             [chosen, name] { chosen(name); });
        }
    });
}

}  // namespace tarvel
