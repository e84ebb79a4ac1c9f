// The "Compare" window driven as a user would: File › Compare Flights...,
// sources added by the dialog and by a drop, alignment, legend, reference,
// the table copied and the picture and table saved.

#include "compare_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "compare_graph_widget.h"
#include "shell_test_support.h"

namespace tarvel::test {
namespace {

QString example(const char* name) { return QString(TARVEL_EXAMPLES_DIR) + "/" + name; }

class CompareWindowTest : public WindowTest {
protected:
    CompareWindow& openCompare() {
        QAction* entry = window->action("mnuFileCompare");
        EXPECT_EQ(entry->text().remove('&'), "Compare Flights...");
        entry->trigger();
        CompareWindow* compare = window->compareWindow();
        EXPECT_TRUE(compare && compare->isVisible());
        QApplication::processEvents();
        return *compare;
    }
    static void click(CompareWindow& compare, const char* button) {
        compare.findChild<QPushButton*>(button)->click();
    }
    // A left press at `at` of the graph, moved to `to` and let go there, with `keys`.
    static void drag(CompareGraphWidget* graph, QPoint at, QPoint to, Qt::KeyboardModifiers keys) {
        auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons held) {
            QMouseEvent event(type, p, graph->mapToGlobal(p), Qt::LeftButton, held, keys);
            QApplication::sendEvent(graph, &event);
        };
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        send(QEvent::MouseMove, (at + to) / 2, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    static QStringList header(const QTableWidget& table) {
        QStringList names;
        for (int c = 0; c < table.columnCount(); ++c) names << table.horizontalHeaderItem(c)->text();
        return names;
    }
};

TEST_F(CompareWindowTest, AFlightOverItsSimulationAlignedTabulatedAndSaved) {
    CompareWindow& compare = openCompare();
    EXPECT_EQ(compare.windowTitle(), "Compare");
    dialogs.fileAnswers.push_back(example("small_motor.rcd"));
    click(compare, "cmdAdd");
    EXPECT_TRUE(dragAndDrop(&compare, {example("small_motor_sim.csv")}));
    ASSERT_EQ(compare.sources()->count(), 2);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();

    // Aligned on launch by default: both traces start their flights at 0 s.
    EXPECT_EQ(compare.alignment()->currentText(), "Launch");
    const std::vector<graph::Trace>& traces = compare.graph().traces();
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(header(*compare.table()),
              QStringList({"Figure", "small_motor.rcd (reference)", "small_motor_sim.csv"}));
    // Altitude in the main window's unit (ft at start-up), with every quantity both have.
    EXPECT_EQ(compare.quantity()->count(), 4);
    EXPECT_EQ(compare.quantity()->currentText(), "Altitude");
    const double recordApogee = *compare.view().traces[0].figures.apogee;
    EXPECT_NEAR(*std::max_element(traces[0].value.begin(), traces[0].value.end()), recordApogee * 3.281, 2);

    // On apogee, each trace's apogee sits at 0 s.
    compare.alignment()->setCurrentIndex(compare.alignment()->findText("Apogee"));
    for (size_t i = 0; i < 2; ++i)
        EXPECT_NEAR(compare.graph().traces()[i].offset, -*compare.view().traces[i].apogee(), 1e-9);

    // The legend entry switches the simulation off, and the list follows.
    CompareGraphWidget* graph = compare.graphWidget();
    const QRectF target(graph->rect());
    std::optional<QPoint> entry;
    for (int y = 0; y < 120 && !entry; ++y)
        for (int x = graph->width() - 1; x > graph->width() / 2 && !entry; x -= 4)
            if (compare.graph().legendEntryAt(target, QPointF(x, y)) == 1u) entry = QPoint(x, y);
    ASSERT_TRUE(entry);
    QMouseEvent press(QEvent::MouseButtonPress, *entry, graph->mapToGlobal(*entry), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &press);
    EXPECT_FALSE(compare.graph().traces()[1].shown);
    EXPECT_EQ(compare.sources()->item(1)->checkState(), Qt::Unchecked);
    compare.sources()->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(compare.graph().traces()[1].shown);

    // The simulation as the reference: the record's column shows its differences.
    compare.reference()->setCurrentIndex(1);
    EXPECT_EQ(header(*compare.table()),
              QStringList({"Figure", "small_motor.rcd", "small_motor_sim.csv (reference)"}));
    const QString apogeeCell = compare.table()->item(0, 1)->text();
    EXPECT_TRUE(apogeeCell.contains(" ft (") && apogeeCell.contains(" %)")) << apogeeCell.toStdString();

    click(compare, "cmdCopy");
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(), compare.tableText());
    EXPECT_TRUE(copied.startsWith("Figure\tsmall_motor.rcd\tsmall_motor_sim.csv (reference)\n"));
    EXPECT_TRUE(copied.contains(apogeeCell));

    const QString png = m_dir.filePath("compare.png"), csv = m_dir.filePath("figures.csv");
    dialogs.fileAnswers.push_back(png);
    click(compare, "cmdSavePicture");
    const QImage picture(png);
    EXPECT_GE(picture.width(), 1280);
    EXPECT_GE(picture.height(), 720);
    dialogs.fileAnswers.push_back(csv);
    click(compare, "cmdSaveTable");
    EXPECT_EQ(readFile(csv), compare::tableCsv(compare.view().table()));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.lastMessage().toStdString();

    // A picture that cannot be written says why, naming the file.
    dialogs.fileAnswers.push_back(m_dir.filePath("no/such/folder/compare.png"));
    click(compare, "cmdSavePicture");
    EXPECT_TRUE(dialogs.lastMessage().contains("no/such/folder")) << dialogs.lastMessage().toStdString();
}

TEST_F(CompareWindowTest, OffsetsTypedOrDraggedMoveOneTraceAndTheTableFollows) {
    window->showCompare({example("small_motor.rcd"), example("small_motor.rcd")});
    CompareWindow& compare = *window->compareWindow();
    QApplication::processEvents();
    ASSERT_EQ(compare.sources()->count(), 2);
    EXPECT_FALSE(compare.offset()->isEnabled());  // no trace chosen yet
    compare.sources()->setCurrentRow(1);
    ASSERT_TRUE(compare.offset()->isEnabled());
    compare.offset()->setValue(1.5);
    EXPECT_NEAR(compare.graph().traces()[1].offset - compare.graph().traces()[0].offset, 1.5, 1e-9);
    // The apogee times now differ by the offset.
    const compare::FiguresTable moved = compare.view().table();
    const auto apogeeAt = std::find_if(moved.rows.begin(), moved.rows.end(),
                                       [](const compare::FigureRow& r) { return r.label == "Apogee at"; });
    ASSERT_NE(apogeeAt, moved.rows.end());
    EXPECT_NEAR(*apogeeAt->cells[1].difference, 1.5, 1e-9);

    // Shift+drag grabs the curve nearest the pointer and moves it sideways.
    // On the apogee the two curves stand 1.5 s apart: the first one's peak is grabbed.
    CompareGraphWidget* graph = compare.graphWidget();
    compare.alignment()->setCurrentIndex(compare.alignment()->findText("Apogee"));
    compare.offset()->setValue(0);
    compare.sources()->setCurrentRow(0);
    const std::vector<graph::Trace>& traces = compare.graph().traces();
    const double peak = 0;  // both apogees at 0 s on this alignment
    const QRectF plot = compare.graph().plotRect(QRectF(graph->rect()));
    const QPoint at(graph->pixelOf(peak).x(), int(plot.top() + plot.height() * 0.12));
    const QPoint to = graph->pixelOf(peak + 2.0, 0.12);
    drag(graph, at, to, Qt::ShiftModifier);
    const double moved0 = traces[0].offset - traces[1].offset;
    EXPECT_NEAR(moved0, 2.0, 0.1);
    EXPECT_NEAR(compare.offset()->value(), moved0, 0.005);  // the selected trace's offset shows it

    // A plain drag picks a range and zooms to it; the traces keep their offsets.
    drag(graph, graph->pixelOf(5), graph->pixelOf(15), Qt::NoModifier);
    EXPECT_TRUE(compare.graph().isZoomed());
    EXPECT_NEAR(compare.graph().shownRange().first, 5, 0.2);
    EXPECT_NEAR(compare.graph().shownRange().last, 15, 0.2);
    EXPECT_NEAR(traces[0].offset - traces[1].offset, moved0, 1e-9);

    // Removing the first leaves the second as the reference, on its own.
    compare.sources()->setCurrentRow(0);
    click(compare, "cmdRemove");
    ASSERT_EQ(compare.sources()->count(), 1);
    EXPECT_EQ(compare.view().setup.reference, 0u);
    EXPECT_EQ(compare.table()->columnCount(), 2);
}

TEST_F(CompareWindowTest, ASourceThatDoesNotReadIsRefusedWithItsReason) {
    const QString notes = writeFile(m_dir, "notes.csv", "Weather,Wind\nsunny,calm\n");
    window->showCompare({notes, example("small_motor.rcd"), m_dir.filePath("missing.rcd")});
    CompareWindow& compare = *window->compareWindow();
    ASSERT_EQ(compare.sources()->count(), 1);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(dialogs.messages[0].text.contains("notes.csv")) << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs.messages[1].text.contains("missing.rcd")) << dialogs.messages[1].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].icon, Dialogs::Icon::Exclamation);
    // A second showCompare raises the same window and adds to it.
    window->showCompare({example("small_motor_sim.csv")});
    EXPECT_EQ(window->compareWindow(), &compare);
    EXPECT_EQ(compare.sources()->count(), 2);
}

}  // namespace
}  // namespace tarvel::test
