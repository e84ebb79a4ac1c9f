#include <windows.h>

#include "link/serial_port.h"

namespace fltport {

std::vector<std::string> candidatePaths(std::string_view name) {
    // The \\.\ prefix lets CreateFileA open COM10 and above; it is harmless below.
    if (name.substr(0, 2) == "\\\\") return {std::string(name)};
    return {"\\\\.\\" + std::string(name)};
}

std::unique_ptr<SerialPort> SerialPort::open(std::string_view name) {
    if (name.empty()) return nullptr;
    HANDLE handle = ::CreateFileA(candidatePaths(name).front().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
    // Only a serial line: a file or another device would take the commands as data.
    DCB current{};
    current.DCBlength = sizeof current;
    if (::GetFileType(handle) != FILE_TYPE_CHAR || !::GetCommState(handle, &current)) {
        ::CloseHandle(handle);
        return nullptr;
    }

    // A zeroed control block: neither hardware nor XON/XOFF flow control.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    char mode[] = "baud=19200 parity=N data=8 stop=1";
    if (::BuildCommDCBA(mode, &dcb)) {
        dcb.fBinary = TRUE;
        ::SetCommState(handle, &dcb);
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    // Reads wait in slices, so that a cancel request is seen while the line is
    // quiet; read() adds them up to kReadTotalMs.
    timeouts.ReadTotalTimeoutConstant = kCancelCheckMs;
    timeouts.WriteTotalTimeoutMultiplier = kWritePerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    ::SetCommTimeouts(handle, &timeouts);
    return std::unique_ptr<SerialPort>(new SerialPort(handle));
}

SerialPort::~SerialPort() { ::CloseHandle(static_cast<HANDLE>(m_handle)); }

size_t SerialPort::read(uint8_t* buffer, size_t count) {
    const ULONGLONG deadline = ::GetTickCount64() + kReadTotalMs;
    size_t got = 0;
    while (got < count && !hungUp() && !cancelRequested()) {
        DWORD slice = 0;
        // A read that times out succeeds with fewer bytes; a failed one (the
        // adapter went away) may still report some.
        if (!::ReadFile(static_cast<HANDLE>(m_handle), buffer + got, static_cast<DWORD>(count - got), &slice,
                        nullptr))
            setHungUp();
        got += slice;
        if (::GetTickCount64() >= deadline) break;
    }
    return got;
}

size_t SerialPort::write(const uint8_t* data, size_t count) {
    DWORD done = 0;
    if (!::WriteFile(static_cast<HANDLE>(m_handle), data, static_cast<DWORD>(count), &done, nullptr))
        setHungUp();
    return done;
}

}  // namespace fltport
