// What the window offers beyond its menu commands: recent files, dropped
// files, keys, remembered units, the list of serial ports, names for screen
// readers and a graph that stays readable on a dark desktop.

#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "about_dialog.h"
#include "config_dialog.h"
#include "export_dialog.h"
#include "shell_test_support.h"
#include "units_dialog.h"
#include "user_preferences.h"
#include "window_render.h"

namespace tarvel::test {
namespace {

QStringList recentEntries(const MainWindow& window) {
    QStringList paths;
    for (QAction* entry : window.recentMenu()->actions()) paths << entry->data().toString();
    return paths;
}

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

TEST_F(WindowTest, RecentFilesKeepTheLastEightAndOpenFromTheMenu) {
    EXPECT_FALSE(window->recentMenu()->isEnabled());
    QStringList files;
    for (int i = 0; i < 10; ++i) files << canonical(flightFile({}, QString("flight%1.rcd").arg(i)));
    for (const QString& file : files) open(file);
    open(files[3]);  // opened again: back to the top, listed once
    const QStringList expected = {files[3], files[9], files[8], files[7],
                                  files[6], files[5], files[4], files[2]};
    EXPECT_EQ(recentEntries(*window), expected);
    EXPECT_TRUE(window->recentMenu()->actions().front()->text().startsWith("&1 "));

    // Remembered for the next run; choosing an entry opens it.
    m_keepPreferences = true;
    SetUp();
    EXPECT_EQ(recentEntries(*window), expected);
    window->recentMenu()->actions()[2]->trigger();
    EXPECT_TRUE(window->windowTitle().contains(files[8]));
    EXPECT_EQ(recentEntries(*window).front(), files[8]);

    // A file that is gone is reported and taken off; the others stay.
    QFile::remove(files[7]);
    window->recentMenu()->actions()[3]->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(recentEntries(*window).contains(files[7]));
    EXPECT_EQ(recentEntries(*window).size(), 7);
}

TEST_F(WindowTest, StartupFilesOpenTheFirstAndListTheOthers) {
    const QString first = canonical(flightFile({}, "a.rcd"));
    const QString second = canonical(flightFile({}, "b.rcd"));
    const QString third = canonical(flightFile({}, "c.rcd"));
    window->openStartupFiles({first, second, m_dir.filePath("missing.rcd"), third});
    EXPECT_TRUE(window->analysis().bValidFile);
    EXPECT_EQ(QString::fromStdString(window->analysis().CurOpenFileName), first);
    EXPECT_EQ(recentEntries(*window), QStringList({first, second, third}));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, ARecordFileDroppedOnTheWindowOpens) {
    const QString notes = writeFile(m_dir, "notes.txt", "not a record");
    EXPECT_FALSE(dragAndDrop(window.get(), {notes}));
    EXPECT_FALSE(window->analysis().bValidFile);

    const QString flight = flightFile();
    EXPECT_TRUE(dragAndDrop(window.get(), {notes, flight}));
    EXPECT_TRUE(window->analysis().bValidFile);
    EXPECT_TRUE(window->windowTitle().contains(flight));

    // On a text field the file opens too, instead of its name being pasted.
    QLineEdit* name = window->detailEdit(DetailField::FileDetailName);
    const QString before = name->text();
    const QString other = flightFile({.samples = 900}, "other.rcd");
    EXPECT_TRUE(dragAndDrop(name, {other}));
    EXPECT_EQ(name->text(), before);
    EXPECT_TRUE(window->windowTitle().contains(other));
}

TEST_F(WindowTest, KeysReachTheirCommands) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    open(flightFile());
    window->setFocus();

    // F5 recalculates what an edit typed but never committed.
    const std::string thrust = window->analysis().figures.MaxThrust;
    QLineEdit* weight = window->detailEdit(DetailField::FileDetailWeight);
    weight->setText("400");
    emit weight->textEdited("400");
    EXPECT_EQ(window->analysis().figures.MaxThrust, thrust);
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_NE(window->analysis().figures.MaxThrust, thrust);

    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);  // Open, then Save As
    EXPECT_TRUE(dialogs.fileRequests.back().save);

    bool printerAsked = false;
    dialogs.printerAnswers.push_back([&](QPrinter&) {
        printerAsked = true;
        return false;  // cancelled
    });
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(printerAsked);

    dialogs.answers.push_back(Dialogs::Choice::Discard);  // the weight edit is not saved
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, ChosenUnitsAreRememberedForTheNextRun) {
    EXPECT_EQ(text("lblAltitude0"), "(ft)");
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& units = dynamic_cast<UnitsDialog&>(d);
        units.option(0, 1)->setChecked(true);  // metres
        units.option(1, 3)->setChecked(true);  // m/s
        units.cmdOK()->click();
    });
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_EQ(text("lblAltitude0"), "(m)");

    m_keepPreferences = true;
    SetUp();
    EXPECT_EQ(text("lblAltitude0"), "(m)");
    EXPECT_EQ(text("lblVelocity0"), "(m/s)");
    // The dialog opens on them too.
    dialogs.modalScripts.push_back([](QDialog& d) {
        auto& units = dynamic_cast<UnitsDialog&>(d);
        EXPECT_TRUE(units.option(0, 1)->isChecked());
        units.cmdCancel()->click();
    });
    window->action("mnuConfigurationUnits")->trigger();
}

TEST_F(WindowTest, TheUserStoreIsSavedIntoItsOwnFileOnly) {
    const QString storeFile = QSettings("Tarvel", "TarvelGraph").fileName();
    const std::string store = storeFile.toStdString();
    QFile::remove(storeFile);
    QDir().mkpath(QFileInfo(storeFile).absolutePath());
    struct stat info {};
    // A link to a FIFO: nothing may wait on it or put a plain file in its place.
    const std::string fifo = m_dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(fifo.c_str(), store.c_str()), 0);
    EXPECT_TRUE(endsInTime([] { UserPreferences().setUnits({1, 3, 0, 0}); }, fifo));
    EXPECT_TRUE(::lstat(store.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_TRUE(::lstat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_EQ(UserPreferences().units(), std::nullopt);

    // A link to a file with a second name: both names keep one file, which holds the settings.
    const std::string kept = m_dir.filePath("kept.conf").toStdString(), other = kept + ".other";
    writeFile(m_dir, "kept.conf", "");
    ASSERT_EQ(::link(kept.c_str(), other.c_str()), 0);
    ASSERT_EQ(::unlink(store.c_str()), 0);
    ASSERT_EQ(::symlink(kept.c_str(), store.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(kept.c_str(), &before), 0);
    UserPreferences().setUnits({1, 3, 0, 0});
    UserPreferences().addRecentFile(flightFile());
    EXPECT_TRUE(::lstat(store.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(other.c_str(), &info), 0);
    EXPECT_EQ(info.st_ino, before.st_ino);
    EXPECT_EQ(info.st_nlink, 2u);
    EXPECT_NE(readFile(QString::fromStdString(other)).find("distance=1"), std::string::npos);
    EXPECT_EQ(UserPreferences().units(), (UnitSelection{1, 3, 0, 0}));
    EXPECT_EQ(UserPreferences().recentFiles().size(), 1);

    // A file of its own is still saved whole.
    ASSERT_EQ(::unlink(store.c_str()), 0);
    UserPreferences().setUnits({0, 1, 0, 0});
    EXPECT_TRUE(::lstat(store.c_str(), &info) == 0 && S_ISREG(info.st_mode));
    EXPECT_EQ(UserPreferences().units(), (UnitSelection{0, 1, 0, 0}));
}

TEST_F(WindowTest, APictureRenderedOnTheCommandLineLeavesTheUserStoreAlone) {
    UserPreferences stored;
    stored.setUnits({1, 3, 0, 0});  // metres and m/s in the window
    std::ostringstream out, err;
    const QString png = m_dir.filePath("window.png");
    ASSERT_TRUE(renderWindowPng(flightFile().toStdString(), png.toStdString(), 1024, 768, NumberLocale{}, {},
                                out, err))
        << err.str();
    EXPECT_TRUE(QFileInfo(png).isFile());
    EXPECT_TRUE(stored.recentFiles().isEmpty());
    EXPECT_EQ(stored.units(), (UnitSelection{1, 3, 0, 0}));
    // Such a window starts in the start-up units whatever the user chose.
    MainWindow headless(dialogs, TarvelSettings(m_dir.path().toStdString()), nullptr, UserPreferences(false));
    EXPECT_EQ(headless.label("lblAltitude0")->text(), "(ft)");
}

TEST_F(WindowTest, PortDialogListsThePortsPresentAndTakesATypedName) {
    window->portDialog()->setPortLister([] {
        return QList<ConfigDialog::PortChoice>{{"/dev/ttyUSB0", "FT232R USB UART"},
                                               {"/dev/ttyACM0", "Flight computer"},
                                               {"COM7", "USB Serial Port"},
                                               {"COM3", "Communications Port"}};
    });
    auto choose = [&](const QString& port, bool type) {
        dialogs.modalScripts.push_back([port, type](QDialog& d) {
            auto& config = dynamic_cast<ConfigDialog&>(d);
            QComboBox* list = config.Comport();
            QStringList names;
            for (int i = 0; i < list->count(); ++i) names << list->itemText(i);
            EXPECT_EQ(names,
                      QStringList({"COM1", "COM2", "COM3", "COM4", "/dev/ttyUSB0", "/dev/ttyACM0", "COM7"}));
            EXPECT_EQ(list->itemData(4, ConfigDialog::kDescriptionRole).toString(), "FT232R USB UART");
            EXPECT_EQ(list->itemData(2, ConfigDialog::kDescriptionRole).toString(), "Communications Port");
            if (type)
                list->setEditText(port);
            else
                list->setCurrentIndex(list->findText(port));
            config.CmdOk()->click();
        });
        window->action("mnuConnectPortConfig")->trigger();
    };
    choose("/dev/ttyUSB0", false);
    EXPECT_EQ(window->analysis().Comport, "/dev/ttyUSB0");  // the name, not its description
    EXPECT_EQ(readFile(m_dir.filePath("TarvelGraph.ini")), "ComPort\r\n/dev/ttyUSB0\r\n");
    choose("/dev/serial/by-id/usb-fc", true);
    EXPECT_EQ(window->analysis().Comport, "/dev/serial/by-id/usb-fc");
}

TEST_F(WindowTest, EveryControlIsNamedAndEveryMenuEntryHasAMnemonic) {
    std::vector<QWidget*> roots = {window.get(), window->portDialog()};
    UnitsDialog units(window->analysis().units);
    ExportDialog motorExport(window->analysis(), dialogs);
    AboutDialog about(dialogs);
    for (QWidget* dialog : std::initializer_list<QWidget*>{&units, &motorExport, &about})
        roots.push_back(dialog);
    for (QWidget* root : roots)
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(root) || widget->focusPolicy() == Qt::NoFocus) continue;
            if (qobject_cast<QComboBox*>(widget->parentWidget())) continue;  // the list's own text field
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << root->objectName().toStdString() << "/" << widget->objectName().toStdString();
        }
    for (const char* figure : {"MaxAltitude", "CurVal3"})
        EXPECT_FALSE(window->label(figure)->accessibleName().isEmpty()) << figure;

    // Within each menu, each entry is reached by a letter of its own.
    std::vector<QMenu*> menus;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu()) menus.push_back(top->menu());
    for (QMenu* menu : menus) {
        QSet<QChar> letters;
        for (QAction* entry : menu->actions()) {
            if (entry->isSeparator() || !entry->isVisible()) continue;
            const qsizetype at = entry->text().indexOf('&');
            ASSERT_GE(at, 0) << entry->text().toStdString();
            const QChar letter = entry->text().at(at + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << entry->text().toStdString();
            letters.insert(letter);
        }
    }

    // Tab walks the details panel by panel.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->detailEdit(DetailField::FileDetailWeight)->setFocus();
    QStringList visited;
    for (int i = 0; i < 9; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, QStringList({"FileDetailWeight", "FileDetailDiameter", "FileDetailCoefficientDrag",
                                    "FileDetailName", "FileDetailPlace", "FileDetailDate", "FileDetailNotes",
                                    "txtMotorDuration", "FileDetailPropellantWt"}));
}

// WCAG contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Counts the pixels of `image` inside (or outside) `region` that stand out
// against the most common colour there, the background.
int inkPixels(const QImage& image, const QRect& region, bool inside) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (region.contains(x, y) == inside) ++counts[image.pixel(x, y)];
    const QColor background(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first);
    int ink = 0;
    for (auto [rgb, count] : counts)
        if (contrast(QColor(rgb), background) >= 3.0) ink += count;
    return ink;
}

// The label columns around the plot area, and the plot area itself.
int labelInk(GraphWidget* area) {
    return inkPixels(area->grab().toImage(), area->transform().areaRect().toRect().adjusted(-2, -2, 2, 2),
                     false);
}
int curveInk(GraphWidget* area) {
    return inkPixels(area->grab().toImage(), area->transform().areaRect().toRect().adjusted(2, 2, -2, -2),
                     true);
}

TEST_F(WindowTest, TheGraphStaysReadableOnADarkDesktop) {
    open(flightFile());
    const int lightLabels = labelInk(window->grfArea());
    const int lightCurves = curveInk(window->grfArea());
    ASSERT_GT(lightLabels, 500);
    ASSERT_GT(lightCurves, 500);

    const QPalette before = QApplication::palette();
    const QColor light(230, 230, 230);
    QPalette dark(light, QColor(45, 45, 48), QColor(70, 70, 72), QColor(20, 20, 20), QColor(35, 35, 36),
                  light, QColor(30, 30, 30));
    dark.setColor(QPalette::Button, QColor(50, 50, 52));
    dark.setColor(QPalette::ButtonText, light);
    QApplication::setPalette(dark);
    SetUp();
    open(flightFile());
    const int darkLabels = labelInk(window->grfArea());
    const int darkCurves = curveInk(window->grfArea());
    QApplication::setPalette(before);
    EXPECT_GE(darkLabels, lightLabels * 9 / 10);
    EXPECT_GE(darkCurves, lightCurves * 9 / 10);
}

}  // namespace
}  // namespace tarvel::test
