#include "vxoem_settings.h"

#include <QDir>
#include <QSettings>
#include <QString>

namespace vxoem {
namespace {

constexpr const char* kApplication = "Velmix";
constexpr const char* kSection = "Config";

std::unique_ptr<QSettings> openStore() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kApplication,
                                       kApplication);
#else
    // The folder is worked out here rather than left to QSettings, which
    // remembers it for the life of the process.
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) folder = QDir::homePath() + "/.config";
    const QString file = folder + "/" + kApplication + "/" + kApplication + ".conf";
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
#endif
}

}  // namespace

VxoemSettings::VxoemSettings() : m_store(openStore()) {}
VxoemSettings::~VxoemSettings() = default;

std::string VxoemSettings::location() const { return m_store->fileName().toStdString(); }

std::string VxoemSettings::value(const char* key) const {
    return m_store->value(QString(kSection) + "/" + key).toString().toStdString();
}

void VxoemSettings::store(const char* key, const std::string& value) {
    m_store->setValue(QString(kSection) + "/" + key, QString::fromStdString(value));
    m_store->sync();
}

std::string VxoemSettings::chipType() const { return value("Chip_Type"); }
void VxoemSettings::setChipType(const std::string& value) { store("Chip_Type", value); }
std::string VxoemSettings::qm40PortNumber() const { return value("QM40port_number"); }
void VxoemSettings::setQm40PortNumber(const std::string& value) { store("QM40port_number", value); }
std::string VxoemSettings::runDir() const { return value("Run_Dir"); }
std::string VxoemSettings::workDir() const { return value("Work_Dir"); }
std::string VxoemSettings::portNumber() const { return value("Port_Number"); }
void VxoemSettings::setPortNumber(const std::string& value) { store("Port_Number", value); }
std::string VxoemSettings::portAddress() const { return value("Port_Address"); }
void VxoemSettings::setPortAddress(const std::string& value) { store("Port_Address", value); }
std::string VxoemSettings::portReserve() const { return value("Port_Reserve"); }
void VxoemSettings::setPortReserve(const std::string& value) { store("Port_Reserve", value); }

std::string VxoemSettings::deviceForPort(int port) const {
    const std::string key = "Device_COM" + std::to_string(port);
    const std::string device = value(key.c_str());
    return device.empty() ? defaultDeviceForPort(port) : device;
}

std::string defaultDeviceForPort(int port) {
#ifdef Q_OS_WIN
    return "COM" + std::to_string(port);
#else
    return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

}  // namespace vxoem
