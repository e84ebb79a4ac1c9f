#pragma once
// frmConfig: the serial port dialog ("Configuration").

#include <QDialog>

class QComboBox;
class QPushButton;

namespace tarvel {

class Dialogs;
class FlightAnalysis;
class TarvelSettings;

class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    ConfigDialog(FlightAnalysis& analysis, const TarvelSettings& settings, Dialogs& dialogs,
                 QWidget* parent = nullptr);

    QComboBox* Comport() const { return m_comport; }
    QPushButton* CmdOk() const { return m_ok; }

    void CmdOk_Click();

private:
    FlightAnalysis& m_analysis;
    const TarvelSettings& m_settings;
    Dialogs& m_dialogs;
    QComboBox* m_comport;
    QPushButton* m_ok;
};

}  // namespace tarvel
