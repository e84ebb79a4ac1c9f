#include "export_dialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs.h"
#include "qt_text.h"

namespace tarvel {

using suite::qs;

ExportDialog::ExportDialog(const FlightAnalysis& analysis, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_analysis(analysis), m_dialogs(dialogs), m_state(analysis.motorExportDialog()) {
    setObjectName("frmExport");
    setWindowTitle("Export");
    setModal(true);

    auto edit = [this](const char* name, const std::string& text) {
        auto* e = new QLineEdit(QString::fromStdString(text), this);
        e->setObjectName(name);
        e->setMinimumWidth(160);  // room for a proposed weight at full precision
        return e;
    };
    m_diameter = edit("txtDiameter", m_state.txtDiameter);
    m_length = edit("txtLength", m_state.txtLength);
    m_propellant = edit("txtPropelWeight", m_state.txtPropelWeight);
    m_total = edit("txtTotalMotorWeight", m_state.txtTotalMotorWeight);
    m_designation = new QLabel(QString::fromStdString(m_state.lblDesignation), this);
    m_designation->setObjectName("lblDesignation");
    m_export = new QPushButton("Export", this);
    m_export->setObjectName("cmdExport");
    m_export->setDefault(true);
    connect(m_export, &QPushButton::clicked, this, &ExportDialog::cmdExport_Click);

    auto* form = new QFormLayout(this);
    auto caption = [](std::string_view text) { return qs(text) + " :"; };
    form->addRow(caption(kMotorDiameterCaption), m_diameter);
    form->addRow(caption(kMotorLengthCaption), m_length);
    form->addRow(caption(kPropellantWeightCaption), m_propellant);
    form->addRow(caption(kTotalMotorWeightCaption), m_total);
    form->addRow("Motor Designation :", m_designation);
    form->addRow(m_export);
    setTabOrder(m_diameter, m_length);
    setTabOrder(m_length, m_propellant);
    setTabOrder(m_propellant, m_total);
    setTabOrder(m_total, m_export);
}

void ExportDialog::cmdExport_Click() {
    m_state.txtDiameter = m_diameter->text().toStdString();
    m_state.txtLength = m_length->text().toStdString();
    m_state.txtPropelWeight = m_propellant->text().toStdString();
    m_state.txtTotalMotorWeight = m_total->text().toStdString();
    // Fields that would give a file simulators reject are refused before a
    // file is chosen; the dialog stays open to correct them.
    if (const Status check = checkMotorExport(m_analysis, m_state); !check.ok) {
        m_dialogs.message(this, QString::fromStdString(check.message), Dialogs::Icon::Exclamation);
        return;
    }
    const auto path = m_dialogs.saveFile(this, qs(kMotorExportDialogTitle), dialogFilter(kMotorExportFilter));
    if (!path) return;  // back to the dialog, fields as typed
    const Status status = exportMotorFile(m_analysis, m_state, path->toStdString());
    if (!status.ok) {
        m_dialogs.message(this, QString::fromStdString(status.message), Dialogs::Icon::Exclamation);
        return;
    }
    m_dialogs.message(this, qs(kMotorExportComplete), Dialogs::Icon::None);
    accept();
}

}  // namespace tarvel
