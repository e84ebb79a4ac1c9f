#include "statistics_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qt_text.h"
#include "report_text.h"

namespace tarvel {

namespace {
// The label and the most units a quantity has (a velocity: four and Mach).
constexpr int kColumns = 6;
}  // namespace

StatisticsWindow::StatisticsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("frmStatistics");
    setWindowTitle("Flight Statistics");

    m_rail = new QDoubleSpinBox(this);
    m_rail->setObjectName("txtRailLength");
    m_rail->setRange(0.01, events::kMaxRailLengthM);
    m_rail->setDecimals(2);
    m_rail->setSingleStep(0.1);
    m_rail->setSuffix(" m");
    m_rail->setValue(events::kDefaultRailLengthM);
    connect(m_rail, &QDoubleSpinBox::valueChanged, this, [this](double metres) {
        if (railLengthChanged) railLengthChanged(metres);
    });

    m_table = new QTableWidget(0, kColumns, this);
    m_table->setObjectName("tblStatistics");
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
    copy->setObjectName("cmdCopy");
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(suite::qs(m_text)); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* rail = new QFormLayout;
    rail->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    rail->addRow("Launch rail length:", m_rail);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rail);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(760, 720);
}

void StatisticsWindow::showReport(const events::FlightReport& report, const NumberLocale& locale) {
    {
        const QSignalBlocker quiet(m_rail);
        m_rail->setValue(report.statistics.railLength);
    }
    m_text = events::reportText(report, locale);
    m_table->setRowCount(0);
    auto addRow = [this] {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        return row;
    };
    for (const events::ReportSection& section : events::reportSections(report)) {
        const int title = addRow();
        auto* item = new QTableWidgetItem(suite::qs(std::string(section.title)));
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        m_table->setItem(title, 0, item);
        m_table->setSpan(title, 0, 1, kColumns);
        for (const events::ReportRow& r : section.rows) {
            const int row = addRow();
            m_table->setItem(row, 0, new QTableWidgetItem(suite::qs(r.label)));
            const std::vector<std::string> values = events::unitTexts(r, locale);
            for (size_t i = 0; i < values.size() && i + 1 < size_t(kColumns); ++i) {
                auto* value = new QTableWidgetItem(suite::qs(values[i]));
                value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, int(i) + 1, value);
            }
        }
    }
    m_table->resizeColumnsToContents();
}

}  // namespace tarvel
