#pragma once
// The QM-40 simulator on a pseudo-terminal, with what landed in its memories
// readable once it has been stopped.

#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim_process.h"

namespace vxoem::testing {

class SimulatedChip {
public:
    explicit SimulatedChip(std::vector<std::string> arguments = {})
        : m_process(QM40SIM_PROGRAM, withDump(std::move(arguments), m_dump.path().toStdString())) {}

    bool started() const { return m_process.started(); }
    const std::string& path() const { return m_process.path(); }
    void stop() { m_process.stop(); }
    // A memory ("spi_eeprom.bin", "eeprom.bin") or "state.txt", after stop().
    std::string dumped(const std::string& name) const {
        std::ifstream in(m_dump.filePath(QString::fromStdString(name)).toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    static std::vector<std::string> withDump(std::vector<std::string> arguments, const std::string& folder) {
        arguments.insert(arguments.end(), {"--dump", folder, "--quiet"});
        return arguments;
    }

    QTemporaryDir m_dump;
    simline::SimProcess m_process;
};

// A program image that tells its bytes apart.
inline std::string sampleImage(size_t size) {
    std::string image(size, '\0');
    for (size_t k = 0; k < size; ++k) image[k] = char((k * 7 + k / 256) & 0xFF);
    return image;
}

// The header the QM-40 gets in its internal EEPROM before each download.
inline std::string expectedHeader() {
    std::string header(32, '\0');
    header[0] = 0x02;
    header[1] = 0x06;
    header[6] = char(0xB0);
    header[7] = char(0xB0);
    header[31] = char(0xFF);
    return header;
}

}  // namespace vxoem::testing
