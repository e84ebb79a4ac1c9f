#pragma once
// The downloader's stored settings: application key "Velmix", section
// "Config". On Linux they live in Velmix/Velmix.conf under the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config); on Windows in the
// per-user native store under the same names. Widgets never spell the keys.

#include <memory>
#include <string>

class QSettings;

namespace vxoem {

class VxoemSettings {
public:
    VxoemSettings();
    ~VxoemSettings();
    VxoemSettings(const VxoemSettings&) = delete;
    VxoemSettings& operator=(const VxoemSettings&) = delete;

    // Where the settings are kept (a file path on Linux), for messages and tests.
    std::string location() const;

    std::string chipType() const;  // "QM40", "QM10" or anything a user stored
    void setChipType(const std::string& value);
    std::string qm40PortNumber() const;
    void setQm40PortNumber(const std::string& value);

    std::string runDir() const;
    std::string workDir() const;

    // The parallel port of the QM-10.
    std::string portNumber() const;
    void setPortNumber(const std::string& value);
    std::string portAddress() const;
    void setPortAddress(const std::string& value);
    std::string portReserve() const;
    void setPortReserve(const std::string& value);

    // The serial device of port number `port` (1 to 4): the Device_COMn key
    // when it is set, else COMn on Windows and /dev/ttyS(n-1) elsewhere.
    std::string deviceForPort(int port) const;

private:
    std::string value(const char* key) const;
    void store(const char* key, const std::string& value);

    std::unique_ptr<QSettings> m_store;
};

// The device a port number names on this platform when no key overrides it.
std::string defaultDeviceForPort(int port);

}  // namespace vxoem
