#pragma once
// frmConfig: the serial port dialog ("Configuration").

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

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

    // A serial port present on this computer, by the name the port is opened by.
    struct PortChoice {
        QString name;
        QString description;
    };
    using PortLister = std::function<QList<PortChoice>()>;
    static QList<PortChoice> systemPorts();
    // Where refreshPorts() learns the ports present; systemPorts() unless replaced.
    void setPortLister(PortLister lister) { m_lister = std::move(lister); }
    // The list: COM1 to COM4 and the ports present now, each with its
    // description; the text shown stays as it was.
    void refreshPorts();
    // Item data role of a port's description.
    static constexpr int kDescriptionRole = Qt::UserRole + 1;

    void CmdOk_Click();

private:
    FlightAnalysis& m_analysis;
    const TarvelSettings& m_settings;
    Dialogs& m_dialogs;
    QComboBox* m_comport;
    QPushButton* m_ok;
    PortLister m_lister = systemPorts;
};

}  // namespace tarvel
