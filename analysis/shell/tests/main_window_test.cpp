// The main window driven as a user drives it: menus, Open, detail commits,
// the graph views, values read off the graph, printing.

#include "main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "about_dialog.h"
#include "device_commands.h"
#include "graph_interaction.h"
#include "graph_widget.h"
#include "ln_graph.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

int countColor(const QImage& image, QColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) < 30 && std::abs(c.green() - color.green()) < 30 &&
                std::abs(c.blue() - color.blue()) < 30)
                ++n;
        }
    return n;
}
const QColor kAccelGreen(0, 128, 0), kVelocityRed(128, 0, 0), kAltitudeBlue(0, 0, 128);

TEST_F(WindowTest, MenuTreeAtStartUp) {
    struct Entry {
        const char* name;
        const char* caption;
        const char* shortcut;
        bool enabled, visible, checked;
    };
    // Captions carry a letter for the keyboard in every entry.
    const Entry entries[] = {
        {"mnuFileOpen", "&Open", "Ctrl+O", true, true, false},
        {"mnuFileSave", "&Save", "Ctrl+S", false, true, false},
        {"mnuFileSaveAs", "Save &As", "Ctrl+Shift+S", false, true, false},
        {"mnuFileExport", "Expor&t to .ENG", "", false, true, false},
        {"mnuFileExportCSV", "Export to .&CSV", "", false, true, false},
        {"mnuFilePrint", "&Print...", "Ctrl+P", false, true, false},
        {"mnuFileExit", "&Exit", "Ctrl+Q", true, true, false},
        {"mnuConnectUploadData", "&Download Data...", "", true, true, false},
        {"mnuConnectUploadFirmware", "&Upload Firmware...", "", true, true, false},
        {"mnuConnectCheckOutputs", "Chec&k Outputs", "", true, false, false},
        {"mnuConnectPortConfig", "&Port Configuration", "", true, true, false},
        {"mnuRecalc", "&Recalculate", "", false, false, false},
        {"mnuGraphAll", "&All Curves", "", true, true, true},
        {"mnuGraphAccelThrust", "A&ccel\\Thrust", "", true, true, false},
        {"mnuGraphThrust", "&Thrust", "", true, false, true},
        {"mnuGraphAltitude", "A&ltitude", "", true, false, true},
        {"mnuGraphVelocity", "&Velocity", "", true, false, true},
        {"mnuGraphAccel", "Acc&eleration", "", true, false, true},
        {"mnuConfigurationUnits", "&Units", "", true, true, false},
        {"mnuConfigurationAltimeter", "Configure &Altimeter", "", true, true, false},
        {"mnuHelpAbout", "&About", "F1", true, true, false},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.name);
        QAction* a = window->action(e.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), e.caption);
        EXPECT_EQ(a->shortcut().toString(), e.shortcut);
        EXPECT_EQ(a->isVisible(), e.visible);
        a->setVisible(true);  // a hidden entry shows its state once made visible
        EXPECT_EQ(a->isEnabled(), e.enabled);
        a->setVisible(e.visible);
        EXPECT_EQ(a->isChecked(), e.checked);
    }
    EXPECT_EQ(window->windowTitle(), "Tarvel-Graph[*]");  // "*" shows once an edit is unsaved
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailWeight)->text(), "1.00");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailPropellantWt)->text(), "0.00");
    EXPECT_EQ(text("lblUnitsMass0"), "(oz)");
    EXPECT_EQ(text("lblUnitsThrust0"), "(N)");  // as the units dialog starts
    EXPECT_EQ(text("BaroAltitude"), "0.00");
}

TEST_F(WindowTest, OpenDownloadedFormEnablesCommandsAndShowsTheFlight) {
    const QString path = flightFile();
    open(path);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Choose a Data File");
    EXPECT_EQ(dialogs.fileRequests[0].filter, "Record Files (*.rcd)");
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();

    for (const char* name :
         {"mnuFilePrint", "mnuFileSave", "mnuFileSaveAs", "mnuFileExport", "mnuFileExportCSV"})
        EXPECT_TRUE(window->action(name)->isEnabled()) << name;
    EXPECT_FALSE(window->action("mnuRecalc")->isVisible());
    window->action("mnuRecalc")->setVisible(true);
    EXPECT_TRUE(window->action("mnuRecalc")->isEnabled());
    EXPECT_EQ(window->windowTitle(), "Tarvel-Graph - " + path + "[*]");
    EXPECT_EQ(window->analysis().samples.SampleCount, 1500);
    // A record without details shows the cleared defaults, not the start-up texts.
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailWeight)->text(), "16.00");
    EXPECT_EQ(text("lblUnitsThrust0"), "(N)");
    EXPECT_EQ(text("MaxAccel"), "8.00");
    EXPECT_FALSE(text("MaxAltitude").isEmpty());
    EXPECT_TRUE(text("Label5").startsWith("Ave Thrust-"));
}

TEST_F(WindowTest, OpenSavedFormShowsDetailsAndUnits) {
    std::string saved =
        "FDName\r\nAlpha, the first\r\nFDLocation\r\nField 7\r\nFDDate\r\n1 May\r\nFDCoefDrag\r\n0.75\r\n"
        "FDWeight(g)\r\n150\r\nFDPropellantWt(g)\r\n12.5\r\nFDMotorDur\r\n1.0\r\nFDDiameter\r\n1.5\r\n"
        "FDNotes\r\nfirst\r\nsecond\r\nBaroAltitude\r\n321\r\nAccelData\r\n"
        "Delta Time,Baro(Psi),Accel(G),Velocity(km/h),Altitude(m),Thrust(lbs)\r\n";
    // Rows of the downloaded form, minus its header lines.
    const std::string rows = downloadedRecordText({});
    saved += rows.substr(rows.find("Thrust(N)\r\n") + 11);
    open(writeFile(m_dir, "saved.rcd", saved));

    EXPECT_EQ(window->detailEdit(DetailField::FileDetailName)->text(), "Alpha, the first");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailWeight)->text(), "150");
    EXPECT_EQ(window->detailEdit(DetailField::txtMotorDuration)->text(), "1.0");
    EXPECT_EQ(window->notesEdit()->toPlainText(), "first\nsecond");
    EXPECT_EQ(text("BaroAltitude"), "321");
    for (const char* label : {"lblUnitsMass0", "lblUnitsMass1"}) EXPECT_EQ(text(label), "(g)");
    for (const char* label : {"lblVelocity0", "lblVelocity1", "lblVelocity2"})
        EXPECT_EQ(text(label), "(km/h)");
    EXPECT_EQ(text("lblAltitude0"), "(m)");
    EXPECT_EQ(text("lblUnitsThrust3"), "(lbs)");
}

TEST_F(WindowTest, AnOpenThatFailsKeepsTheFlightShownWhole) {
    window->action("mnuFileOpen")->trigger();  // no answer queued: cancelled
    EXPECT_EQ(window->windowTitle(), "Tarvel-Graph[*]");
    EXPECT_FALSE(window->action("mnuFileSave")->isEnabled());

    // Nothing opened yet: a failed Open enables nothing.
    const QString missing = m_dir.filePath("no such flight.rcd");
    open(missing);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
    EXPECT_EQ(dialogs.messages[0].text, "cannot open " + missing + ": No such file or directory");
    EXPECT_EQ(window->windowTitle(), "Tarvel-Graph[*]");
    EXPECT_FALSE(window->action("mnuFileSave")->isEnabled());

    const QString good =
        writeFile(m_dir, "good.rcd", "FDName\r\nFirst\r\nBaroAltitude\r\n321\r\n" + downloadedRecordText({}));
    open(good);
    leaveField(DetailField::FileDetailPlace, "edited, not saved");
    const int curves = window->lnGraph().scene().visibleCurveCount();
    ASSERT_GT(curves, 0);
    auto shown = [&] {
        QStringList texts{window->windowTitle(), window->detailEdit(DetailField::FileDetailName)->text(),
                          window->detailEdit(DetailField::FileDetailPlace)->text()};
        for (const char* figure : {"MaxAltitude", "MaxAccel", "TotalImpulse", "Label5", "BaroAltitude"})
            texts << text(figure);
        return texts;
    };
    const QStringList before = shown();
    ASSERT_EQ(text("BaroAltitude"), "321");
    ASSERT_TRUE(window->isWindowModified());

    // Missing, no record (empty, text), too large: told why, and nothing changes.
    const QString empty = writeFile(m_dir, "empty.rcd", "");
    const QString prose = writeFile(m_dir, "prose.rcd", "a text file\r\nwith two lines\r\n");
    const QString failing[] = {missing, empty, prose, "/dev/zero"};
    for (const QString& path : failing) {
        SCOPED_TRACE(path.toStdString());
        dialogs.messages.clear();
        dialogs.answers = {Dialogs::Choice::Discard};  // the unsaved edit is not thrown away all the same
        open(path);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_TRUE(dialogs.messages[0].text.contains(path)) << dialogs.messages[0].text.toStdString();
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(window->lnGraph().scene().visibleCurveCount(), curves);
        EXPECT_EQ(window->analysis().CurOpenFileName, good.toStdString());
        EXPECT_TRUE(window->isWindowModified());
    }

    // Too few samples for the figures: the file opens, with no figures of the
    // flight before, and says so.
    SyntheticFlight shortFlight;
    shortFlight.samples = 48;
    const QString shortPath = flightFile(shortFlight, "short.rcd");
    dialogs.messages.clear();
    dialogs.answers = {Dialogs::Choice::Discard};
    open(shortPath);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "The flight holds 48 samples, too few for the figures and the All Curves graph: they need at "
              "least 101.");
    EXPECT_EQ(window->windowTitle(), "Tarvel-Graph - " + shortPath + "[*]");
    EXPECT_EQ(window->analysis().samples.SampleCount, 48);
    for (const char* figure : {"MaxAltitude", "MaxAccel", "TotalImpulse"})
        EXPECT_EQ(text(figure), "") << figure;
    EXPECT_EQ(text("Label5"), "Ave Thrust");
    EXPECT_EQ(text("BaroAltitude"), "0.00");
    EXPECT_EQ(window->detailEdit(DetailField::FileDetailName)->text(), "");
    EXPECT_EQ(window->lnGraph().scene().visibleCurveCount(), 0);
    EXPECT_EQ(window->recentMenu()->actions().value(0)->data().toString(), shortPath);
}

TEST_F(WindowTest, FlightThatCannotBeComputedShowsAMessage) {
    open(flightFile());
    const int curves = window->lnGraph().scene().visibleCurveCount();
    ASSERT_GT(curves, 0);

    SyntheticFlight zeroPressure;
    zeroPressure.firstPressure = 0;
    open(flightFile(zeroPressure, "zero.rcd"));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.lastMessage().contains("pressure")) << dialogs.lastMessage().toStdString();

    // A zero motor duration in the field is not committed at all.
    open(flightFile());
    dialogs.messages.clear();
    leaveField(DetailField::txtMotorDuration, "0");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, UnsavedEditsAreSavedDiscardedOrKeptBeforeTheyAreLost) {
    const QString first = flightFile(), second = flightFile({}, "second.rcd");
    open(first);
    EXPECT_FALSE(window->isWindowModified());
    leaveField(DetailField::FileDetailWeight, "20");
    EXPECT_TRUE(window->isWindowModified());

    // Cancel keeps the window as it is; the question names the file.
    open(second);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.questions[0].contains(first)) << dialogs.questions[0].toStdString();
    EXPECT_EQ(window->analysis().CurOpenFileName, first.toStdString());
    EXPECT_EQ(window->analysis().detail(DetailField::FileDetailWeight), "20");
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.questions.size(), 2u);

    // Discard lets the next file in and clears the mark.
    dialogs.answers.push_back(Dialogs::Choice::Discard);
    open(second);
    EXPECT_EQ(window->analysis().CurOpenFileName, second.toStdString());
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(readFile(first).find("FDWeight"), std::string::npos);

    // Save writes the edits first; then the window closes.
    window->notesEdit()->setPlainText("windy");
    EXPECT_TRUE(window->isWindowModified());
    dialogs.answers.push_back(Dialogs::Choice::Save);
    EXPECT_TRUE(window->close());
    EXPECT_NE(readFile(second).find("FDNotes\r\nwindy\r\n"), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();

    // A save that fails keeps the edits and the window.
    SetUp();
    open(first);
    window->notesEdit()->setPlainText("calm");
    window->analysis().CurOpenFileName = m_dir.filePath("no/folder/x.rcd").toStdString();
    dialogs.answers.push_back(Dialogs::Choice::Save);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(window->isWindowModified());
}

TEST_F(WindowTest, LeavingADetailFieldRecalculatesOnlyForPositiveNumbersOfALoadedRecord) {
    struct Case {
        bool loaded;
        DetailField field;
        const char* typed;
        Qt::FocusReason reason;
        bool recalculates;
    };
    const Case cases[] = {
        {true, DetailField::FileDetailCoefficientDrag, "0.75", Qt::TabFocusReason, true},
        {true, DetailField::FileDetailWeight, "20", Qt::MouseFocusReason, true},
        {true, DetailField::FileDetailDiameter, " 3 ", Qt::TabFocusReason, true},
        {true, DetailField::FileDetailPropellantWt, "1e0", Qt::TabFocusReason, true},
        {true, DetailField::txtMotorDuration, "1.5", Qt::TabFocusReason, true},
        {true, DetailField::FileDetailWeight, "0", Qt::TabFocusReason, false},
        {true, DetailField::FileDetailWeight, "-4", Qt::TabFocusReason, false},
        {true, DetailField::FileDetailWeight, "abc", Qt::TabFocusReason, false},
        {true, DetailField::FileDetailWeight, "", Qt::TabFocusReason, false},
        {true, DetailField::FileDetailName, "123", Qt::TabFocusReason, false},
        // Opening a menu does not leave the field.
        {true, DetailField::FileDetailWeight, "30", Qt::PopupFocusReason, false},
        {false, DetailField::FileDetailCoefficientDrag, "0.75", Qt::TabFocusReason, false},
    };
    const QString path = flightFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(detailFieldName(c.field)) + " = '" + c.typed + "'");
        SetUp();
        if (c.loaded) open(path);
        window->analysis().figures.MaxAltitude = "sentinel";
        window->refreshFromModel();
        leaveField(c.field, c.typed, c.reason);
        EXPECT_EQ(text("MaxAltitude") != "sentinel", c.recalculates);
        EXPECT_EQ(window->detailEdit(c.field)->text(), c.typed);  // the text stays as typed
        EXPECT_EQ(window->analysis().detail(c.field), c.typed);
    }
}

TEST_F(WindowTest, AxesWidenAndSamplesReduceToBlocksInBothViews) {
    open(flightFile());
    const graph::LnGraph& g = window->lnGraph();
    EXPECT_EQ(g.axis(graph::Axis::Accel).MaxValue, 10);       // 8 G: one step of 5 above the initial 5
    EXPECT_EQ(g.axis(graph::Axis::Altitude).MaxValue, 1200);  // apogee about 1156 ft
    EXPECT_EQ(g.axis(graph::Axis::Time).MaxValue, 15);        // 1500 samples of 0.01 s
    // 1500 samples: blocks of 8 (7.5 rounds to even), stride 200, 187 whole blocks.
    const graph::Scene& scene = g.scene();
    ASSERT_NE(scene.curve(186), nullptr);
    EXPECT_TRUE(scene.curve(186)->visible);
    EXPECT_TRUE(scene.curve(200 + 186)->visible);  // velocity
    EXPECT_TRUE(scene.curve(400 + 186)->visible);  // altitude
    EXPECT_TRUE(scene.curve(187) == nullptr || !scene.curve(187)->visible);

    QImage image = graphImage();
    EXPECT_GT(countColor(image, kAccelGreen), 100);
    EXPECT_GT(countColor(image, kVelocityRed), 100);
    EXPECT_GT(countColor(image, kAltitudeBlue), 100);

    window->action("mnuGraphAccelThrust")->trigger();
    EXPECT_FALSE(window->action("mnuGraphAll")->isChecked());
    EXPECT_TRUE(window->action("mnuGraphAccelThrust")->isChecked());
    EXPECT_EQ(g.axis(graph::Axis::Time).MaxValue, 3);  // burn of 2.0 s, steps of 1
    image = graphImage();
    EXPECT_GT(countColor(image, kAccelGreen), 100);
    EXPECT_EQ(countColor(image, kVelocityRed), 0);

    window->action("mnuGraphAll")->trigger();
    EXPECT_TRUE(window->action("mnuGraphAll")->isChecked());
    EXPECT_EQ(g.axis(graph::Axis::Time).MaxValue, 15);
}

TEST_F(WindowTest, PointerShowsInstantaneousValues) {
    open(flightFile());
    pointer(QEvent::MouseMove, Qt::NoButton, 0.5);
    EXPECT_NEAR(text("CurVal0").toDouble(), 0.5, 0.05);
    EXPECT_EQ(text("CurVal1"), "8.00");  // still in the boost
    EXPECT_TRUE(window->lnGraph().scene().pointer.visible);

    pointer(QEvent::MouseButtonPress, Qt::LeftButton, 12.0);
    EXPECT_NEAR(text("CurVal0").toDouble(), 12.0, 0.05);
    EXPECT_EQ(text("CurVal1"), ".00");  // under the chute
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(WindowTest, InstantaneousValuesFollowTheFlightAndTheAxesUnderThePointer) {
    auto readouts = [&] {
        QStringList texts;
        for (int i = 0; i < 5; ++i) texts << window->label(QString("CurVal%1").arg(i))->text();
        return texts;
    };
    SyntheticFlight large;
    large.samples = 4000;
    large.boostG = 20;
    open(flightFile(large, "large.rcd"));
    pointer(QEvent::MouseButtonPress, Qt::RightButton, 20.0);  // a descent-rate measurement begins
    ASSERT_EQ(window->interaction().DescentRateClickIndex, 1);

    // Another flight: nothing on it is pointed at yet, and no measurement spans two flights.
    open(flightFile());
    EXPECT_EQ(readouts(), QStringList({"", "", "", "", ""}));
    EXPECT_FALSE(window->lnGraph().scene().pointer.visible);
    EXPECT_EQ(window->interaction().DescentRateClickIndex, 0);

    // A change of view moves the time axis under the pointer line: the values follow it.
    pointer(QEvent::MouseMove, Qt::NoButton, 12.0);
    const double x = window->lnGraph().scene().pointer.x;
    window->action("mnuGraphAccelThrust")->trigger();
    EXPECT_NEAR(text("CurVal0").toDouble(), 12.0 * 3 / 15, 0.05);  // time axis 0..15 became 0..3
    EXPECT_EQ(text("CurVal1"), "-1.00");                           // coasting after the 1 s burn
    EXPECT_EQ(window->lnGraph().scene().pointer.x, x);

    // Units change the values under the pointer too.
    window->action("mnuGraphAll")->trigger();
    const QString feet = text("CurVal3");
    dialogs.modalScripts.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optDistance_1")->setChecked(true);  // metres
        d.accept();
    });
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_NEAR(text("CurVal3").toDouble(), feet.toDouble() * 0.3048, 0.2) << feet.toStdString();
}

TEST_F(WindowTest, DownloadRedrawsTheLoadedFlightOnTheAxesItResets) {
    struct Device : DeviceCommands {
        void uploadData(MainWindow& w) override { w.flightsDownloaded(); }
        void configureAltimeter(MainWindow&) override {}
    } device;
    window->setDeviceCommands(&device);
    open(flightFile());
    window->action("mnuGraphAll")->trigger();
    const int curves = window->lnGraph().scene().visibleCurveCount();
    window->action("mnuConnectUploadData")->trigger();

    const graph::LnGraph& g = window->lnGraph();
    EXPECT_EQ(g.axis(graph::Axis::Time).MaxValue, 15);
    EXPECT_EQ(g.scene().timeLabels[10].text, "15.00");
    EXPECT_EQ(g.scene().visibleCurveCount(), curves);
    pointer(QEvent::MouseButtonPress, Qt::LeftButton, 12.0);
    EXPECT_NEAR(text("CurVal0").toDouble(), 12.0, 0.05);

    // Without a flight the default axes are drawn again.
    SetUp();
    window->setDeviceCommands(&device);
    window->action("mnuConnectUploadData")->trigger();
    EXPECT_EQ(window->lnGraph().scene().timeLabels[10].text, "2.00");
    EXPECT_EQ(window->lnGraph().scene().visibleCurveCount(), 0);
}

// Bounding box of the pixels of `image` inside `band` drawn in `colour` over the
// background `ground`, antialiased edges included.
QRect inkOf(const QImage& image, const QRect& band, QColor colour, QColor ground) {
    const double d[3] = {double(colour.red() - ground.red()), double(colour.green() - ground.green()),
                         double(colour.blue() - ground.blue())};
    const double dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    QRect box;
    for (int y = std::max(band.top(), 0); y <= std::min(band.bottom(), image.height() - 1); ++y)
        for (int x = std::max(band.left(), 0); x <= std::min(band.right(), image.width() - 1); ++x) {
            const QColor c = image.pixelColor(x, y);
            const double p[3] = {double(c.red() - ground.red()), double(c.green() - ground.green()),
                                 double(c.blue() - ground.blue())};
            const double a = (p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / dd;
            double residual = 0;
            for (int k = 0; k < 3; ++k) residual += std::abs(p[k] - a * d[k]);
            if (a > 0.4 && residual < 60) box |= QRect(x, y, 1, 1);
        }
    return box;
}

TEST_F(WindowTest, GraphLabelsStayApartAndReadableAtEverySize) {
    open(QString(TARVEL_EXAMPLES_DIR) + "/high_power.rcd");  // 7000 ft: the widest altitude texts
    const QColor thrustOrange(255, 128, 0), timeBlack(0, 0, 0);
    const QSize sizes[] = {window->minimumSizeHint(), QSize(1024, 768), QSize(1920, 1080)};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(QString("%1x%2").arg(size.width()).arg(size.height()).toStdString());
        window->resize(size);
        QApplication::processEvents();
        GraphWidget* area = window->grfArea();
        const QImage image = area->grab().toImage();
        const graph::GraphTransform tf = area->transform();
        const graph::Scene& scene = window->lnGraph().scene();
        const QRect areaRect = tf.areaRect().toRect();

        // One row of value labels ("92.5 3500.0 275.00 7.500"), between its neighbours.
        const graph::Label& row = scene.accelLabels[5];
        const QRect band = tf.panelToPixel(0, row.top - 150, row.left + row.width, row.height + 300).toRect();
        const QColor ground = image.pixelColor(1, band.top());
        const QRect columns[] = {
            inkOf(image, band, thrustOrange, ground), inkOf(image, band, kAltitudeBlue, ground),
            inkOf(image, band, kVelocityRed, ground), inkOf(image, band, kAccelGreen, ground)};
        for (int c = 0; c < 4; ++c) {
            ASSERT_FALSE(columns[c].isEmpty()) << "column " << c;
            EXPECT_GE(columns[c].height(), 6) << "column " << c << " is too small to read";
            const int nextLeft = c < 3 ? columns[c + 1].left() : areaRect.left();
            EXPECT_GE(nextLeft - columns[c].right(), 4) << "column " << c << " runs into the next";
        }
        // At the origin "0.000" of the lowest acceleration label and "0.00" of the time axis.
        const QRect below(0, areaRect.bottom() + 2, areaRect.left() + 60, image.height());
        const QRect accelZero = inkOf(image, below, kAccelGreen, ground);
        const QRect timeZero = inkOf(image, below, timeBlack, ground);
        ASSERT_FALSE(accelZero.isEmpty());
        ASSERT_FALSE(timeZero.isEmpty());
        EXPECT_GE(timeZero.left() - accelZero.right(), 4);
    }
}

TEST(TarvelGraphProgram, FirstSizeFitsAScaledScreen) {
    // A 1920 x 1080 screen at twice the scale leaves 960 x 540 for windows.
    QTemporaryDir dir;
    QFile config(dir.filePath("screen.json"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080,
                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    config.close();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
    environment.insert("QT_SCALE_FACTOR", "2");
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.start(TARVEL_GRAPH_PROGRAM, {"--measure-startup"});
    ASSERT_TRUE(program.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const auto shown =
        QRegularExpression("window (\\d+)x(\\d+) at (-?\\d+),(-?\\d+) on a screen of (\\d+)x(\\d+)")
            .match(out);
    ASSERT_TRUE(shown.hasMatch()) << out.toStdString();
    auto number = [&](int i) { return shown.captured(i).toInt(); };
    EXPECT_EQ(number(5), 960);
    EXPECT_EQ(number(6), 540);
    EXPECT_GE(number(3), 0);
    EXPECT_GE(number(4), 0);
    EXPECT_LE(number(3) + number(1), 960) << out.toStdString();
    EXPECT_LE(number(4) + number(2), 540) << out.toStdString();
}

TEST(TarvelGraphProgram, HelpAndVersionAnswerOnStandardOutputWithoutADisplay) {
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) noDisplay.remove(name);
    struct Run {
        int status;
        QString out, err;
    };
    auto run = [](const QStringList& args, const QProcessEnvironment& environment,
                  const QString& outFile = {}) {
        QProcess program;
        program.setProcessEnvironment(environment);
        if (!outFile.isEmpty()) program.setStandardOutputFile(outFile);
        program.start(TARVEL_GRAPH_PROGRAM, args);
        EXPECT_TRUE(program.waitForFinished(10000));
        return Run{program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                   QString::fromLocal8Bit(program.readAllStandardOutput()),
                   QString::fromLocal8Bit(program.readAllStandardError())};
    };
    const Run help = run({"--help"}, noDisplay);
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("usage: TarvelGraph [OPTION] [--] [FILE.rcd ...]\n"))
        << help.out.toStdString();
    for (const char* option : {"--help", "--version"}) EXPECT_TRUE(help.out.contains(option)) << option;
    EXPECT_TRUE(help.out.endsWith("\nTarvelGraph " + programVersion() + "\n")) << help.out.toStdString();
    EXPECT_EQ(help.err, "");

    // Also after a file name, and the same version as the About box and `tarvel --version`.
    const Run version = run({"flight.rcd", "--version"}, noDisplay);
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, "TarvelGraph " + programVersion() + "\n");

    // An answer that cannot be written is no success.
    const Run full = run({"--version"}, noDisplay, "/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "TarvelGraph: cannot write to standard output\n");

    // An option it does not know is refused, not opened as a file.
    QProcessEnvironment offscreen = noDisplay;
    offscreen.insert("QT_QPA_PLATFORM", "offscreen");
    const Run unknown = run({"--verbose"}, offscreen);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("TarvelGraph: unknown option --verbose\nusage: TarvelGraph"))
        << unknown.err.toStdString();

    // Without a display the window cannot start: it says so instead of aborting inside the toolkit.
    const Run windowless = run({"flight.rcd"}, noDisplay);
    EXPECT_EQ(windowless.status, 1);
    EXPECT_TRUE(windowless.err.startsWith("TarvelGraph: no display")) << windowless.err.toStdString();
}

TEST_F(WindowTest, TwoRightClicksMeasureADescentRate) {
    open(flightFile());
    pointer(QEvent::MouseButtonPress, Qt::RightButton, 11.0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Calculate descent rate: Right click a 2nd position to the right.");
    EXPECT_EQ(graph::resolveColor(window->lnGraph().scene().pointer.color, window->palette()),
              QColor(Qt::red));

    // A second point at the same time would divide by zero: refused, still open.
    pointer(QEvent::MouseButtonPress, Qt::RightButton, 11.0);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(window->interaction().DescentRateClickIndex, 1);

    pointer(QEvent::MouseButtonPress, Qt::RightButton, 14.0);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    const QString rate = dialogs.messages[2].text;
    EXPECT_TRUE(rate.startsWith("Descent Rate: ")) << rate.toStdString();
    EXPECT_TRUE(rate.endsWith(" (ft)/s")) << rate.toStdString();
    // The synthetic flight comes down at 20 ft/s.
    EXPECT_NEAR(rate.mid(14, rate.indexOf(' ', 14) - 14).toDouble(), 20.0, 1.5);
    EXPECT_EQ(window->interaction().DescentRateClickIndex, 0);
}

TEST_F(WindowTest, PrintsTheWindowToAPdfOrSaysItCannot) {
    open(flightFile());
    const QString pdf = m_dir.filePath("window.pdf");
    dialogs.printerAnswers.push_back([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    window->action("mnuFilePrint")->trigger();
    EXPECT_TRUE(dialogs.messages.empty());
    const std::string content = readFile(pdf);
    EXPECT_EQ(content.substr(0, 4), "%PDF");
    EXPECT_GT(content.size(), 10000u);

    window->action("mnuFilePrint")->trigger();  // the printer dialog is cancelled: no error
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();

    // A printer that cannot be started (its file cannot be created) is one.
    dialogs.printerAnswers.push_back([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath("no such folder/window.pdf"));
        return true;
    });
    window->action("mnuFilePrint")->trigger();
    EXPECT_EQ(dialogs.lastMessage(), "The form can't be printed.");
}

TEST_F(WindowTest, FirmwareProgramThatCannotStartIsReported) {
    window->setFirmwareProgram("tarvel-no-such-upgrade-program");
    window->action("mnuConnectUploadFirmware")->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.lastMessage().contains("tarvel-no-such-upgrade-program"));
}

TEST_F(WindowTest, DeviceCommandsGoToTheirProvider) {
    window->action("mnuConnectUploadData")->trigger();
    EXPECT_EQ(dialogs.messages.size(), 1u);  // nothing provides them yet

    struct FakeDevice : DeviceCommands {
        int downloads = 0, configs = 0;
        void uploadData(MainWindow& w) override {
            ++downloads;
            w.flightsDownloaded();
        }
        void configureAltimeter(MainWindow&) override { ++configs; }
    } device;
    window->setDeviceCommands(&device);
    window->action("mnuConnectUploadData")->trigger();
    window->action("mnuConfigurationAltimeter")->trigger();
    EXPECT_EQ(device.downloads, 1);
    EXPECT_EQ(device.configs, 1);
    window->action("mnuRecalc")->setVisible(true);
    for (const char* name : {"mnuRecalc", "mnuFilePrint", "mnuFileSave"})
        EXPECT_TRUE(window->action(name)->isEnabled()) << name;
    EXPECT_FALSE(window->action("mnuFileSaveAs")->isEnabled());
}

TEST_F(WindowTest, AboutBoxShowsTheBuildVersion) {
    QString version;
    dialogs.modalScripts.push_back([&](QDialog& d) {
        auto& about = dynamic_cast<AboutDialog&>(d);
        EXPECT_EQ(about.windowTitle(), "About Tarvel-Graph");
        version = about.lblVersion()->text();
        about.cmdSysInfo()->click();
        about.cmdOK()->click();
    });
    window->action("mnuHelpAbout")->trigger();
    EXPECT_EQ(dialogs.modalCount, 1);
    EXPECT_TRUE(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$").match(version).hasMatch())
        << version.toStdString();
    EXPECT_EQ(dialogs.lastMessage(), "System Information Is Unavailable At This Time");
}

}  // namespace
}  // namespace tarvel::test
