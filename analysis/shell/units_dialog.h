#pragma once
// frmUnits: one frame of option buttons per unit group, "&OK" and "&Cancel".
// The dialog only collects the ticked buttons; the main window applies them.

#include <QDialog>
#include <array>
#include <vector>

#include "flight_analysis.h"

class QRadioButton;
class QPushButton;

namespace tarvel {

class UnitsDialog : public QDialog {
    Q_OBJECT
public:
    // Ticks the buttons of `current` (Form_Load).
    explicit UnitsDialog(const UnitSelection& current, QWidget* parent = nullptr);

    UnitSelection ticked() const;
    // Option button `index` of a group: 0 optDistance, 1 optVelocity, 2 optThrust, 3 optMass.
    QRadioButton* option(int group, int index) const;
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

private:
    std::array<std::vector<QRadioButton*>, 4> m_options;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace tarvel
