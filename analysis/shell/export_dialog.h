#pragma once
// frmExport: the motor file export dialog ("Export").

#include <QDialog>

#include "flight_analysis.h"
#include "motor_file.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvel {

class Dialogs;

class ExportDialog : public QDialog {
    Q_OBJECT
public:
    // Form_Load: burn time and the proposed propellant weight and designation.
    ExportDialog(const FlightAnalysis& analysis, Dialogs& dialogs, QWidget* parent = nullptr);

    QLineEdit* txtDiameter() const { return m_diameter; }
    QLineEdit* txtLength() const { return m_length; }
    QLineEdit* txtPropelWeight() const { return m_propellant; }
    QLineEdit* txtTotalMotorWeight() const { return m_total; }
    QLabel* lblDesignation() const { return m_designation; }
    QPushButton* cmdExport() const { return m_export; }

    void cmdExport_Click();

private:
    const FlightAnalysis& m_analysis;
    Dialogs& m_dialogs;
    MotorExportDialog m_state;
    QLineEdit* m_diameter;
    QLineEdit* m_length;
    QLineEdit* m_propellant;
    QLineEdit* m_total;
    QLabel* m_designation;
    QPushButton* m_export;
};

}  // namespace tarvel
