#pragma once
// "Compare": record files and simulation exports over each other on one
// graph, lined up on their launch, their apogee or by an offset, with the
// table of their figures and each one's difference from a reference trace.
// Sources come and go while it is open (its buttons, or files dropped on
// it). The comparison itself is the core's; this window only shows it.

#include <QStringList>
#include <QWidget>

#include "compare_view.h"
#include "trace_graph.h"

class QComboBox;
class QDoubleSpinBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace tarvel {

class CompareGraphWidget;
class Dialogs;

class CompareWindow : public QWidget {
    Q_OBJECT
public:
    // `dialogs` must outlive the window.
    CompareWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    // Figures, axes and the table in these units and number form.
    void setUnits(const UnitSelection& units, const NumberLocale& locale);
    // Reads each file and adds its trace; a file that does not read is
    // refused in a message naming it. Returns how many were added.
    int addFiles(const QStringList& paths);
    void removeTrace(size_t index);

    const CompareView& view() const { return m_view; }
    graph::TraceGraph& graph() { return m_graph; }
    CompareGraphWidget* graphWidget() const { return m_graphWidget; }
    QListWidget* sources() const { return m_sources; }
    QComboBox* alignment() const { return m_alignment; }
    QComboBox* quantity() const { return m_quantity; }
    QComboBox* reference() const { return m_reference; }
    QDoubleSpinBox* offset() const { return m_offset; }
    QTableWidget* table() const { return m_table; }
    QLabel* pointerLabel() const { return m_pointer; }
    // The table as "&Copy" puts it on the clipboard.
    std::string tableText() const;

    // The buttons' commands.
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdCopy_Click();
    void cmdSavePicture_Click();
    void cmdSaveTable_Click();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Everything again from the view: lists, graph, table, buttons.
    void refresh();
    void refreshSources();
    void refreshTable();
    void refreshButtons();
    // The graph gets the traces anew (its zoom stays).
    void refreshGraph();
    std::optional<size_t> selectedTrace() const;
    void setShown(size_t index, bool shown);
    void moveTrace(size_t index, double seconds);
    void showPointer();
    // A failure's text in a box with the exclamation icon.
    void report(const Status& status);
    QPushButton* addButton(const char* name, const char* caption, void (CompareWindow::*handler)());

    Dialogs& m_dialogs;
    CompareView m_view;
    graph::TraceGraph m_graph;
    CompareGraphWidget* m_graphWidget = nullptr;
    QListWidget* m_sources = nullptr;
    QComboBox* m_alignment = nullptr;
    QComboBox* m_quantity = nullptr;
    QComboBox* m_reference = nullptr;
    QDoubleSpinBox* m_offset = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_pointer = nullptr;
    QPushButton* m_remove = nullptr;
    bool m_refreshing = false;
};

}  // namespace tarvel
