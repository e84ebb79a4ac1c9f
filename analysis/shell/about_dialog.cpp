#include "about_dialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>

#include "dialogs.h"

#ifndef TARVEL_VERSION
#define TARVEL_VERSION "0.0.0"
#endif

namespace tarvel {

QString programVersion() { return QStringLiteral(TARVEL_VERSION); }

#ifdef Q_OS_WIN
namespace {
// GetKeyValue: a string value under HKEY_LOCAL_MACHINE, nothing if absent.
std::optional<QString> GetKeyValue(const QString& keyName, const QString& subKeyRef) {
    QSettings key("HKEY_LOCAL_MACHINE\\" + keyName, QSettings::NativeFormat);
    const QString value = key.value(subKeyRef).toString();
    if (value.isEmpty()) return std::nullopt;
    return value;
}
}  // namespace

std::optional<QString> systemInfoProgram() {
    if (auto path = GetKeyValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH")) return path;
    if (auto folder = GetKeyValue("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO")) {
        const QString path = *folder + "\\MSINFO32.EXE";
        if (QFileInfo::exists(path)) return path;
    }
    return std::nullopt;
}
#else
std::optional<QString> systemInfoProgram() {
    return std::nullopt;  // no such registry keys here
}
#endif

AboutDialog::AboutDialog(Dialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
    setObjectName("frmAbout");
    const QString title = QString::fromLatin1(kAppTitle);
    setWindowTitle("About " + title);
    setModal(true);

    auto* lblTitle = new QLabel(title, this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);

    m_version = new QLabel("Version " + programVersion(), this);
    m_version->setObjectName("lblVersion");
    auto* lblMaker = new QLabel("Flight analysis for the Tarvel flight computer.", this);
    lblMaker->setObjectName("lblDescription");
    auto* lblCompat = new QLabel("TarvelRocket Compatibility: tarvelfc.vxb", this);
    lblCompat->setObjectName("lblCompatibility");
    auto* lblContact = new QLabel("Questions and reports: the Tarvel project pages.", this);
    lblContact->setObjectName("lblContact");

    m_ok = new QPushButton("OK", this);
    m_ok->setObjectName("cmdOK");
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    m_sysInfo = new QPushButton("&System Info...", this);
    m_sysInfo->setObjectName("cmdSysInfo");
    connect(m_sysInfo, &QPushButton::clicked, this, &AboutDialog::cmdSysInfo_Click);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblTitle, 0, 0);
    layout->addWidget(m_version, 1, 0);
    layout->addWidget(lblMaker, 2, 0);
    layout->addWidget(lblCompat, 3, 0);
    layout->addWidget(lblContact, 4, 0);
    layout->addWidget(m_ok, 0, 1);
    layout->addWidget(m_sysInfo, 4, 1);
    layout->setColumnStretch(0, 1);
}

void AboutDialog::cmdSysInfo_Click() { StartSysInfo(); }

void AboutDialog::StartSysInfo() {
    const auto program = systemInfoProgram();
    if (!program || !QProcess::startDetached(*program, {})) {
        m_dialogs.message(this, "System Information Is Unavailable At This Time", Dialogs::Icon::None);
    }
}

}  // namespace tarvel
