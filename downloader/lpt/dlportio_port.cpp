#include "dlportio_port.h"

#include <windows.h>

#include <string>

namespace vx::lpt {

namespace {

using WritePortUchar = void(__stdcall*)(ULONG port, UCHAR value);
using ReadPortUchar = UCHAR(__stdcall*)(ULONG port);

std::string systemMessage(DWORD error) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                   sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message;
}

class DlPortIo final : public PortIo {
public:
    DlPortIo(WritePortUchar write, ReadPortUchar read) : m_write(write), m_read(read) {}
    void writeByte(uint16_t address, uint8_t value) override { m_write(address, value); }
    uint8_t readByte(uint16_t address) override { return m_read(address); }
    void sleepMs(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

private:
    WritePortUchar m_write;
    ReadPortUchar m_read;
};

class DeviceReservation final : public Reservation {
public:
    explicit DeviceReservation(HANDLE handle) : m_handle(handle) {}
    ~DeviceReservation() override { CloseHandle(m_handle); }

private:
    HANDLE m_handle;
};

class DlPortIoBackend final : public PortBackend {
public:
    ~DlPortIoBackend() override {
        if (m_library) FreeLibrary(m_library);
    }
    std::string name() const override { return "dlportio"; }

    Obtained<PortIo> open(int, uint16_t, Reservation*) override {
        if (!m_library) {
            m_library = LoadLibraryA("dlportio.dll");
            if (!m_library)
                return {nullptr, "dlportio.dll could not be loaded (" + systemMessage(GetLastError()) +
                                     "): install the DLPortIO port I/O driver, or put dlportio.dll beside "
                                     "VXOEM.exe with its driver installed."};
            m_write = reinterpret_cast<WritePortUchar>(
                reinterpret_cast<void*>(GetProcAddress(m_library, "DlPortWritePortUchar")));
            m_read = reinterpret_cast<ReadPortUchar>(
                reinterpret_cast<void*>(GetProcAddress(m_library, "DlPortReadPortUchar")));
        }
        if (!m_write || !m_read)
            return {nullptr,
                    "dlportio.dll lacks DlPortWritePortUchar or DlPortReadPortUchar: "
                    "install a complete DLPortIO port I/O driver."};
        return {std::make_unique<DlPortIo>(m_write, m_read), {}};
    }

    Obtained<Reservation> reserve(int number) override {
        const std::string device = "\\\\.\\LPT" + std::to_string(number);
        HANDLE handle = CreateFileA(device.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return {nullptr, "LPT" + std::to_string(number) + ": " + systemMessage(GetLastError())};
        return {std::make_unique<DeviceReservation>(handle), {}};
    }

private:
    HMODULE m_library = nullptr;
    WritePortUchar m_write = nullptr;
    ReadPortUchar m_read = nullptr;
};

}  // namespace

std::unique_ptr<PortBackend> dlportioBackend() { return std::make_unique<DlPortIoBackend>(); }

}  // namespace vx::lpt
