#pragma once
// The parallel-port dialog: which port (the caption, "LPT1:" to "LPT4:"), its
// address and whether to reserve it. Ok accepts and Cancel rejects; the
// port control stores the choice and opens the port.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

class FrmLpt : public QDialog {
    Q_OBJECT

public:
    explicit FrmLpt(QWidget* parent = nullptr);

    QComboBox* lptAddressCombo() const { return m_lptAddressCombo; }
    QCheckBox* reservePortCheck1() const { return m_reservePortCheck1; }
    QPushButton* cmdOkLPT() const { return m_cmdOkLPT; }
    QPushButton* cmdCancelLPT() const { return m_cmdCancelLPT; }

private:
    QComboBox* m_lptAddressCombo;
    QCheckBox* m_reservePortCheck1;
    QPushButton* m_cmdOkLPT;
    QPushButton* m_cmdCancelLPT;
};
