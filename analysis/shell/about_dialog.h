#pragma once
// frmAbout: title, version of this build, compatibility line, System Info.

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;

namespace tarvel {

class Dialogs;

// Version of this build as major.minor.revision.
QString programVersion();
// The system information program from the registry, if the platform has one.
std::optional<QString> systemInfoProgram();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* lblVersion() const { return m_version; }
    QPushButton* cmdSysInfo() const { return m_sysInfo; }
    QPushButton* cmdOK() const { return m_ok; }

    void cmdSysInfo_Click();
    void StartSysInfo();

private:
    Dialogs& m_dialogs;
    QLabel* m_version;
    QPushButton* m_sysInfo;
    QPushButton* m_ok;
};

}  // namespace tarvel
