// Zoom, pan, ruler and status-bar values, driven with mouse, wheel and keys.

#include <QAction>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QWheelEvent>

#include "graph_interaction.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

class GraphGestures : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        open(flightFile());  // 15 s on the time axis, coming down at 20 ft/s from about 2 s on
    }
    graph::LnGraph& graph() { return window->lnGraph(); }
    QPointF at(double t) { return window->grfArea()->pixelOfArea(graph().xOfTime(t), 1000); }
    // `button` changes; `held` are the buttons down after the event.
    void mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPointF where,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        GraphWidget* area = window->grfArea();
        QMouseEvent event(type, where, area->mapToGlobal(where), button, held, modifiers);
        QApplication::sendEvent(area, &event);
    }
    void drag(Qt::MouseButton button, QPointF from, QPointF to,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, button, button, from, modifiers);
        for (double f : {0.25, 0.5, 1.0})
            mouse(QEvent::MouseMove, Qt::NoButton, button, from + (to - from) * f, modifiers);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, to, modifiers);
    }
    void wheel(QPointF where, int angle, Qt::Orientation along = Qt::Vertical) {
        GraphWidget* area = window->grfArea();
        const QPoint turn = along == Qt::Vertical ? QPoint(0, angle) : QPoint(angle, 0);
        QWheelEvent event(where, area->mapToGlobal(where), QPoint(), turn, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &event);
    }
    double first() { return graph().shownTimeRange().first; }
    double last() { return graph().shownTimeRange().last; }
    QString timeLabel(int i) { return QString::fromStdString(graph().scene().timeLabels[i].text); }
    // Time of one pixel on the shown axis: the most a position can be off by.
    double pixelTime() {
        return (last() - first()) / window->grfArea()->transform().areaRect().width() * 1.2;
    }
};

TEST_F(GraphGestures, WheelZoomsAroundThePointerAndEscapeShowsTheWholeFlight) {
    QAction* zoomOut = window->action("mnuGraphZoomOut");
    EXPECT_FALSE(zoomOut->isEnabled());
    const QPointF pointer = at(6);
    wheel(pointer, 240);  // two notches in
    EXPECT_TRUE(graph().isZoomed());
    EXPECT_NEAR(last() - first(), 15 * 0.64, 1e-6);
    EXPECT_NEAR(graph().timeOfX(window->grfArea()->transform().areaXFromPixel(pointer.x())), 6, pixelTime());
    EXPECT_TRUE(zoomOut->isEnabled());
    EXPECT_NE(timeLabel(10), "15.00");

    // Keys on the graph: Right pans, minus zooms out a notch.
    window->grfArea()->setFocus();
    const double before = first();
    QTest::keyClick(window->grfArea(), Qt::Key_Right);
    EXPECT_NEAR(first() - before, (last() - first()) / 10, 1e-6);
    QTest::keyClick(window->grfArea(), Qt::Key_Minus);
    EXPECT_NEAR(last() - first(), 15 * 0.8, 1e-6);

    // Escape is the menu entry's key.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(graph().isZoomed());
    EXPECT_EQ(timeLabel(10), "15.00");
    EXPECT_FALSE(zoomOut->isEnabled());

    // Out past the whole flight stays the whole flight.
    wheel(at(6), -360);
    EXPECT_FALSE(graph().isZoomed());
}

TEST_F(GraphGestures, DragsPickARangeOrPanAndAClickStillShowsValues) {
    drag(Qt::LeftButton, at(4), at(8));
    ASSERT_TRUE(graph().isZoomed());
    EXPECT_NEAR(first(), 4, 0.05);
    EXPECT_NEAR(last(), 8, 0.05);
    EXPECT_FALSE(graph().scene().selection.visible);
    // The value axes follow the descent in view: altitude ticks no longer start at 0.
    EXPECT_NE(graph().scene().distLabels[0].text, "0.0");
    EXPECT_NEAR(text("CurVal0").toDouble(), 8, 0.05);  // the pointer went along

    // A click (no drag) shows the values and leaves the range alone.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(5));
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(5));
    EXPECT_NEAR(first(), 4, 0.05);
    EXPECT_NEAR(text("CurVal0").toDouble(), 5, 0.05);
    EXPECT_TRUE(dialogs.messages.empty());

    // With Shift the band shows from the press on.
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(5), Qt::ShiftModifier);
    EXPECT_TRUE(graph().scene().selection.visible);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at(6), Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(6), Qt::ShiftModifier);
    EXPECT_NEAR(first(), 5, 0.05);
    EXPECT_NEAR(last(), 6, 0.05);

    // The middle button drags the curves: leftwards brings later times in.
    drag(Qt::MiddleButton, at(5.75), at(5.25));
    EXPECT_NEAR(first(), 5.5, 0.05);
    EXPECT_NEAR(last(), 6.5, 0.05);
}

TEST_F(GraphGestures, CtrlClicksMeasureWithTheRulerRightClicksStillTheDescentRate) {
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(11), Qt::ControlModifier);
    mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(11), Qt::ControlModifier);
    EXPECT_FALSE(graph().isZoomed());
    mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(14), Qt::ControlModifier);
    const QString reading = QString::fromStdString(graph().scene().rulerText.text);
    // Pixel positions may land a hundredth off.
    ASSERT_TRUE(reading.contains(
        QRegularExpression("^From 1[01].\\d\\d s to 1[34].\\d\\d s: time [23].\\d\\d s, altitude -")))
        << reading.toStdString();
    // The synthetic flight comes down at 20 ft/s.
    const int speedAt = reading.indexOf("mean vertical speed ") + 20;
    EXPECT_NEAR(reading.mid(speedAt, reading.indexOf(' ', speedAt) - speedAt).toDouble(), -20, 1.5);
    EXPECT_TRUE(reading.endsWith(" ft/s"));
    EXPECT_EQ(graph().scene().rulerMarks.size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());

    mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at(11));
    EXPECT_EQ(dialogs.lastMessage(), "Calculate descent rate: Right click a 2nd position to the right.");

    // The ruler stays on its times through a zoom, and goes with the flight.
    drag(Qt::LeftButton, at(10), at(12));
    EXPECT_TRUE(graph().scene().rulerMarks[0].visible);
    EXPECT_FALSE(graph().scene().rulerMarks[1].visible);
    open(flightFile());
    EXPECT_FALSE(graph().scene().rulerText.visible);
    EXPECT_FALSE(graph().isZoomed());
}

TEST_F(GraphGestures, TheRulerFollowsTheViewAndTheUnitsAndEscapeClearsIt) {
    auto rulerClick = [&](double t) {
        mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at(t), Qt::ControlModifier);
        mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at(t), Qt::ControlModifier);
    };
    auto reading = [&] { return QString::fromStdString(graph().scene().rulerText.text); };
    // The change of altitude in the reading, in its unit.
    auto altitudeChange = [&] {
        const QRegularExpressionMatch m =
            QRegularExpression("altitude (-?[0-9.,]+) (ft|m),").match(reading());
        return std::pair{m.captured(1).remove(',').toDouble(), m.captured(2)};
    };
    rulerClick(11);
    rulerClick(14);
    const auto [feet, ft] = altitudeChange();
    ASSERT_EQ(ft, "ft") << reading().toStdString();
    ASSERT_LT(feet, -40);  // about 3 s at 20 ft/s
    const double x11 = graph().scene().rulerMarks[0].x;

    // The burn view's time axis ends long before 11 s: the marks hide, and come
    // back over their times with the whole flight.
    window->action("mnuGraphAccelThrust")->trigger();
    EXPECT_FALSE(graph().scene().rulerMarks[0].visible);
    EXPECT_FALSE(graph().scene().rulerMarks[1].visible);
    window->action("mnuGraphAll")->trigger();
    EXPECT_TRUE(graph().scene().rulerMarks[0].visible);
    EXPECT_DOUBLE_EQ(graph().scene().rulerMarks[0].x, x11);

    // In metres the reading is in metres, on the screen and on paper.
    dialogs.modalScripts.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optDistance_1")->setChecked(true);
        d.accept();
    });
    window->action("mnuConfigurationUnits")->trigger();
    const auto [metres, m] = altitudeChange();
    EXPECT_EQ(m, "m") << reading().toStdString();
    EXPECT_NEAR(metres, feet * 0.3048, 0.1);
    EXPECT_TRUE(reading().endsWith(" m/s")) << reading().toStdString();

    // Escape takes the ruler away first, then the zoom.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    wheel(at(6), 120);
    ASSERT_TRUE(graph().isZoomed());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(graph().scene().rulerText.visible);
    EXPECT_TRUE(graph().scene().rulerMarks.empty());
    EXPECT_TRUE(graph().isZoomed());
    EXPECT_FALSE(window->action("mnuGraphClearRuler")->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(graph().isZoomed());
}

TEST_F(GraphGestures, StatusBarShowsTheValuesUnderThePointerWithUnits) {
    QLabel* status = window->findChild<QLabel*>("lblPointerStatus");
    ASSERT_NE(status, nullptr);
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at(12));
    const QString feet = status->text();
    EXPECT_TRUE(feet.startsWith("Time 12 s    Accel .00 G    Velocity ")) << feet.toStdString();
    EXPECT_TRUE(feet.contains(QRegularExpression(" mph    Altitude [0-9.,]+ ft    Thrust [-0-9.]+ N$")))
        << feet.toStdString();

    dialogs.modalScripts.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optDistance_1")->setChecked(true);  // metres
        d.accept();
    });
    window->action("mnuConfigurationUnits")->trigger();
    EXPECT_TRUE(status->text().contains(QRegularExpression("Altitude [0-9.,]+ m    Thrust")))
        << status->text().toStdString();
}

TEST_F(GraphGestures, KeysAloneMoveThePointerReadValuesAndMeasureTheDescentRate) {
    // The synthetic flight is coming down at 20 ft/s over its last third.
    GraphWidget* area = window->grfArea();
    QLabel* status = window->findChild<QLabel*>("lblPointerStatus");
    auto shown = [&] {
        QStringList values;
        for (const char* name : {"CurVal0", "CurVal1", "CurVal2", "CurVal3", "CurVal4"}) values << text(name);
        return values << status->text();
    };
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
        for (int i = 0; i < times; ++i) QTest::keyClick(area, k, modifiers);
    };
    // A click exactly on a plot-area x, as the keys place the pointer there.
    auto clickAt = [&](Qt::MouseButton button, double xTwips) {
        const QPointF where = area->transform().areaToPixel(xTwips, 1000);
        mouse(QEvent::MouseButtonPress, button, button, where);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton, where);
    };

    // Tab reaches the graph from the details, and the graph shows it has the focus.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->detailEdit(DetailField::FileDetailWeight)->setFocus();
    for (int i = 0; i < 40 && !area->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(area->hasFocus());
    const QImage focused = area->grab().toImage();
    window->detailEdit(DetailField::FileDetailWeight)->setFocus();
    EXPECT_NE(area->grab().toImage(), focused);
    area->setFocus(Qt::TabFocusReason);

    // Enter with no pointer line shown presses at the left edge; Shift+arrows step by 1/100
    // and, with Ctrl, by 1/10 of the 15 s shown, and stop at the edges.
    key(Qt::Key_Return);
    EXPECT_EQ(text("CurVal0").toDouble(), 0);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(text("CurVal0").toDouble(), 0);
    key(Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier, 7);
    key(Qt::Key_Right, Qt::ShiftModifier, 3);
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_NEAR(text("CurVal0").toDouble(), 10.8, 0.03);
    const double firstX = graph().scene().pointer.x;
    const QStringList byKeys = shown();

    // A click at the same place shows the same; the keys go on from where a click left the pointer.
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, at(1));
    clickAt(Qt::LeftButton, firstX);
    EXPECT_EQ(shown(), byKeys);
    key(Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    key(Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(shown(), byKeys);
    EXPECT_TRUE(dialogs.messages.empty());

    // D twice measures the descent rate as two right clicks there do.
    key(Qt::Key_D);
    key(Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier, 2);
    const double secondX = graph().scene().pointer.x;
    key(Qt::Key_D);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Calculate descent rate: Right click a 2nd position to the right.");
    const QString rate = dialogs.lastMessage();
    ASSERT_TRUE(rate.startsWith("Descent Rate: ")) << rate.toStdString();
    EXPECT_NEAR(rate.mid(14, rate.indexOf(' ', 14) - 14).toDouble(), 20, 1.5);
    clickAt(Qt::RightButton, firstX);
    clickAt(Qt::RightButton, secondX);
    EXPECT_EQ(dialogs.lastMessage(), rate);
}

}  // namespace
}  // namespace tarvel::test
