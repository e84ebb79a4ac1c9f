#include "compare_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <sstream>

#include "compare_graph_widget.h"
#include "dialogs.h"
#include "pointer_guard.h"
#include "qt_text.h"
#include "record_writer.h"
#include "window_render.h"

namespace tarvel {

using suite::qs;

namespace {

// Pictures are saved at least this large, whatever the window's size.
const QSize kSmallestPicture(1280, 720);
// Offsets the user may type, s.
constexpr double kLargestOffset = 10000;

QIcon swatch(const QColor& color) {
    QPixmap pixmap(14, 14);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (!url.toLocalFile().isEmpty()) files << url.toLocalFile();
    return files;
}

}  // namespace

CompareWindow::CompareWindow(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs) {
    setObjectName("frmCompare");
    setWindowTitle("Compare");
    setAcceptDrops(true);

    auto* controls = new QHBoxLayout;
    addButton("cmdAdd", "&Add...", &CompareWindow::cmdAdd_Click);
    m_remove = addButton("cmdRemove", "&Remove", &CompareWindow::cmdRemove_Click);
    controls->addWidget(findChild<QPushButton*>("cmdAdd"));
    controls->addWidget(m_remove);
    controls->addSpacing(12);

    m_alignment = new QComboBox(this);
    m_alignment->setObjectName("cmbAlignment");
    m_alignment->addItem("Launch", int(compare::Alignment::Launch));
    m_alignment->addItem("Apogee", int(compare::Alignment::Apogee));
    m_alignment->addItem("Offset", int(compare::Alignment::Offset));
    connect(m_alignment, &QComboBox::currentIndexChanged, this, [this] {
        if (m_refreshing) return;
        m_view.setup.alignment = compare::Alignment(m_alignment->currentData().toInt());
        refreshGraph();
        refreshTable();
    });
    m_offset = new QDoubleSpinBox(this);
    m_offset->setObjectName("txtOffset");
    m_offset->setRange(-kLargestOffset, kLargestOffset);
    m_offset->setDecimals(2);
    m_offset->setSingleStep(0.1);
    m_offset->setSuffix(" s");
    m_offset->setToolTip("Seconds the selected trace is moved by; Shift+drag a curve to move it");
    connect(m_offset, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        const std::optional<size_t> selected = selectedTrace();
        if (m_refreshing || !selected) return;
        moveTrace(*selected, seconds - m_view.offset(*selected));
    });
    m_quantity = new QComboBox(this);
    m_quantity->setObjectName("cmbQuantity");
    connect(m_quantity, &QComboBox::currentIndexChanged, this, [this] {
        if (m_refreshing || m_quantity->currentIndex() < 0) return;
        m_view.quantity = compare::Quantity(m_quantity->currentData().toInt());
        refreshGraph();
    });
    m_reference = new QComboBox(this);
    m_reference->setObjectName("cmbReference");
    connect(m_reference, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_refreshing || index < 0) return;
        m_view.setup.reference = size_t(index);
        refreshTable();
    });
    const std::pair<const char*, QWidget*> fields[] = {{"Align on:", m_alignment},
                                                       {"Offset:", m_offset},
                                                       {"Quantity:", m_quantity},
                                                       {"Reference:", m_reference}};
    for (const auto& [caption, field] : fields) {
        controls->addWidget(new QLabel(caption, this));
        controls->addWidget(field);
    }
    controls->addStretch(1);

    m_sources = new QListWidget(this);
    m_sources->setObjectName("lstSources");
    m_sources->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_sources, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_refreshing) setShown(size_t(m_sources->row(item)), item->checkState() == Qt::Checked);
    });
    connect(m_sources, &QListWidget::itemSelectionChanged, this, [this] { refreshButtons(); });

    m_graphWidget = new CompareGraphWidget(m_graph, this);
    connect(m_graphWidget, &CompareGraphWidget::legendClicked, this,
            [this](size_t trace) { setShown(trace, !m_view.isShown(trace)); });
    connect(m_graphWidget, &CompareGraphWidget::traceDragged, this, &CompareWindow::moveTrace);
    connect(m_graphWidget, &CompareGraphWidget::pointerMoved, this, &CompareWindow::showPointer);

    m_table = new QTableWidget(this);
    m_table->setObjectName("tblFigures");
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setAlternatingRowColors(true);

    m_pointer = new QLabel(this);
    m_pointer->setObjectName("lblPointer");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pointer, 1);
    buttons->addWidget(addButton("cmdCopy", "&Copy", &CompareWindow::cmdCopy_Click));
    buttons->addWidget(addButton("cmdSavePicture", "Save &Picture...", &CompareWindow::cmdSavePicture_Click));
    buttons->addWidget(addButton("cmdSaveTable", "Save &Table...", &CompareWindow::cmdSaveTable_Click));

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(m_sources);
    top->addWidget(m_graphWidget);
    top->setStretchFactor(1, 1);
    top->setSizes({200, 900});
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(m_table);
    split->setStretchFactor(0, 1);
    split->setSizes({480, 220});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(1100, 780);
    refresh();
}

QPushButton* CompareWindow::addButton(const char* name, const char* caption,
                                      void (CompareWindow::*handler)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption), this);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

void CompareWindow::setUnits(const UnitSelection& units, const NumberLocale& locale) {
    m_view.units = units;
    m_view.locale = locale;
    refreshGraph();
    refreshTable();
}

int CompareWindow::addFiles(const QStringList& paths) {
    int added = 0;
    for (const QString& path : paths) {
        compare::TraceLoad load;
        {
            PointerGuard busy(this);
            load = compare::loadTrace(path.toStdString());
        }
        if (!load.trace) {
            report(load.status);
            continue;
        }
        m_view.traces.push_back(std::move(*load.trace));
        m_view.shown.push_back(true);
        ++added;
        if (!load.notes.empty()) {
            QString text;
            for (const std::string& note : load.notes) text += (text.isEmpty() ? "" : "\n") + qs(note);
            m_dialogs.message(this, text, Dialogs::Icon::None);
        }
    }
    if (added == 0) return 0;
    // The first source sets the quantity: what it has first.
    if (!m_view.traces.front().has(m_view.quantity) && !m_view.quantities().empty())
        m_view.quantity = m_view.quantities().front();
    refresh();
    return added;
}

void CompareWindow::removeTrace(size_t index) {
    if (index >= m_view.traces.size()) return;
    const auto at = std::ptrdiff_t(index);
    m_view.traces.erase(m_view.traces.begin() + at);
    if (index < m_view.shown.size()) m_view.shown.erase(m_view.shown.begin() + at);
    if (index < m_view.setup.offsets.size()) m_view.setup.offsets.erase(m_view.setup.offsets.begin() + at);
    // The reference stays on its trace, or goes to the first one.
    compare::ComparisonSetup& setup = m_view.setup;
    if (setup.reference == index)
        setup.reference = 0;
    else if (setup.reference > index)
        --setup.reference;
    const std::vector<compare::Quantity> left = m_view.quantities();
    if (!left.empty() && std::find(left.begin(), left.end(), m_view.quantity) == left.end())
        m_view.quantity = left.front();
    refresh();
}

std::optional<size_t> CompareWindow::selectedTrace() const {
    const int row = m_sources->currentRow();
    if (row < 0 || size_t(row) >= m_view.traces.size() || !m_sources->item(row)->isSelected())
        return std::nullopt;
    return size_t(row);
}

void CompareWindow::setShown(size_t index, bool shown) {
    if (index >= m_view.traces.size()) return;
    m_view.shown.resize(m_view.traces.size(), true);
    m_view.shown[index] = shown;
    m_graph.setShown(index, shown);
    m_graphWidget->update();
    const QSignalBlocker quiet(m_sources);
    m_sources->item(int(index))->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
}

void CompareWindow::moveTrace(size_t index, double seconds) {
    if (index >= m_view.traces.size() || seconds == 0) return;
    m_view.setOffset(index, m_view.offset(index) + seconds);
    m_graph.setOffset(index, m_view.shift(index));
    m_graphWidget->update();
    refreshTable();
    if (selectedTrace() == index) {
        const QSignalBlocker quiet(m_offset);
        m_offset->setValue(m_view.offset(index));
    }
}

void CompareWindow::report(const Status& status) {
    if (!status.ok) m_dialogs.message(this, qs(status.message), Dialogs::Icon::Exclamation);
}

void CompareWindow::showPointer() { m_pointer->setText(qs(m_graph.pointerText())); }

// --- bringing the widgets up to the view ----------------------------------------

void CompareWindow::refresh() {
    refreshSources();
    refreshGraph();
    refreshTable();
    refreshButtons();
}

void CompareWindow::refreshSources() {
    m_refreshing = true;
    const int row = m_sources->currentRow();
    m_sources->clear();
    m_reference->clear();
    for (size_t i = 0; i < m_view.traces.size(); ++i) {
        const compare::Trace& t = m_view.traces[i];
        auto* item = new QListWidgetItem(swatch(graph::traceColor(i)), qs(t.name), m_sources);
        item->setToolTip(qs(t.path));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_view.isShown(i) ? Qt::Checked : Qt::Unchecked);
        m_reference->addItem(swatch(graph::traceColor(i)), qs(t.name));
    }
    m_view.setup.reference =
        std::min(m_view.setup.reference, m_view.traces.empty() ? 0 : m_view.traces.size() - 1);
    m_reference->setCurrentIndex(m_view.traces.empty() ? -1 : int(m_view.setup.reference));
    if (row >= 0 && row < m_sources->count()) m_sources->setCurrentRow(row);
    m_quantity->clear();
    for (compare::Quantity q : m_view.quantities())
        m_quantity->addItem(qs(compare::quantityTitle(q)), int(q));
    m_quantity->setCurrentIndex(m_quantity->findData(int(m_view.quantity)));
    m_alignment->setCurrentIndex(m_alignment->findData(int(m_view.setup.alignment)));
    m_refreshing = false;
}

void CompareWindow::refreshGraph() {
    m_view.showOn(m_graph);
    m_graphWidget->update();
    showPointer();
}

void CompareWindow::refreshTable() {
    m_table->clear();
    if (m_view.traces.empty()) {
        m_table->setRowCount(0);
        m_table->setColumnCount(0);
        return;
    }
    const FiguresTableTexts texts = figuresTableTexts(m_view.table(), m_view.units, m_view.locale);
    m_table->setColumnCount(int(texts.header.size()));
    m_table->setRowCount(int(texts.rows.size()));
    QStringList header;
    for (const std::string& h : texts.header) header << qs(h);
    m_table->setHorizontalHeaderLabels(header);
    for (size_t r = 0; r < texts.rows.size(); ++r)
        for (size_t c = 0; c < texts.rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(qs(texts.rows[r][c]));
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(int(r), int(c), item);
        }
    m_table->resizeColumnsToContents();
}

void CompareWindow::refreshButtons() {
    const std::optional<size_t> selected = selectedTrace();
    const bool any = !m_view.traces.empty();
    m_remove->setEnabled(!m_sources->selectedItems().isEmpty());
    m_offset->setEnabled(selected.has_value());
    {
        const QSignalBlocker quiet(m_offset);
        m_offset->setValue(selected ? m_view.offset(*selected) : 0.0);
    }
    for (const char* name : {"cmdCopy", "cmdSavePicture", "cmdSaveTable"})
        findChild<QPushButton*>(name)->setEnabled(any);
    m_quantity->setEnabled(any);
    m_reference->setEnabled(any);
}

// --- commands -------------------------------------------------------------------

void CompareWindow::cmdAdd_Click() {
    addFiles(m_dialogs.openFiles(this, "Add Flights and Simulations",
                                 "Flights and Simulations (*.rcd *.csv);;All Files (*)"));
}

void CompareWindow::cmdRemove_Click() {
    std::vector<size_t> rows;
    for (const QListWidgetItem* item : m_sources->selectedItems())
        rows.push_back(size_t(m_sources->row(item)));
    std::sort(rows.rbegin(), rows.rend());
    for (size_t row : rows) removeTrace(row);
}

std::string CompareWindow::tableText() const {
    if (m_view.traces.empty()) return {};
    return figuresTableTexts(m_view.table(), m_view.units, m_view.locale).text();
}

void CompareWindow::cmdCopy_Click() { QApplication::clipboard()->setText(qs(tableText())); }

void CompareWindow::cmdSavePicture_Click() {
    const std::optional<QString> path =
        m_dialogs.saveFile(this, "Save the Comparison as a Picture", "PNG Pictures (*.png)");
    if (!path) return;
    std::ostringstream unused;  // "-" is no name a save dialog gives
    const QImage image = m_graph.render(m_graphWidget->size().expandedTo(kSmallestPicture));
    report(writePngImage(image, path->toStdString(), unused));
}

void CompareWindow::cmdSaveTable_Click() {
    const std::optional<QString> path =
        m_dialogs.saveFile(this, "Save the Figures Table", "CSV Files (*.csv)");
    if (!path) return;
    report(replaceFileContents(path->toStdString(), compare::tableCsv(m_view.table())));
}

void CompareWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CompareWindow::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    addFiles(files);
}

}  // namespace tarvel
