#include "declares.h"

#include <array>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tarvel::device {

namespace {

constexpr std::array<std::string_view, kFltportEntryCount> kEntryNames = {
    "InitComport",  "CloseComport",      "ReadConfigCommand", "WriteConfigCommand", "StartUpload",
    "CancelUpload", "SetUploadProgress", "ConvertAcceltoVel", "ConvertVeltoDist",   "ConvertVelAcceltoHP"};

#ifdef _WIN32
void* openLibrary(const std::string& path, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) error = std::system_category().message(static_cast<int>(GetLastError()));
    return reinterpret_cast<void*>(module);
}
void* findSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        error = text ? text : "unknown error";
    }
    return handle;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

template <typename Fn>
void assign(Fn& slot, void* symbol) {
    slot = reinterpret_cast<Fn>(symbol);
}

bool isBound(const FltportApi& api, FltportEntry entry) {
    switch (entry) {
        case FltportEntry::InitComport:
            return api.InitComport;
        case FltportEntry::CloseComport:
            return api.CloseComport;
        case FltportEntry::ReadConfigCommand:
            return api.ReadConfigCommand;
        case FltportEntry::WriteConfigCommand:
            return api.WriteConfigCommand;
        case FltportEntry::StartUpload:
            return api.StartUpload;
        case FltportEntry::CancelUpload:
            return api.CancelUpload;
        case FltportEntry::SetUploadProgress:
            return api.SetUploadProgress;
        case FltportEntry::ConvertAcceltoVel:
            return api.ConvertAcceltoVel;
        case FltportEntry::ConvertVeltoDist:
            return api.ConvertVeltoDist;
        case FltportEntry::ConvertVelAcceltoHP:
            return api.ConvertVelAcceltoHP;
    }
    return false;
}

void store(FltportApi& api, FltportEntry entry, void* symbol) {
    switch (entry) {
        case FltportEntry::InitComport:
            assign(api.InitComport, symbol);
            break;
        case FltportEntry::CloseComport:
            assign(api.CloseComport, symbol);
            break;
        case FltportEntry::ReadConfigCommand:
            assign(api.ReadConfigCommand, symbol);
            break;
        case FltportEntry::WriteConfigCommand:
            assign(api.WriteConfigCommand, symbol);
            break;
        case FltportEntry::StartUpload:
            assign(api.StartUpload, symbol);
            break;
        case FltportEntry::CancelUpload:
            assign(api.CancelUpload, symbol);
            break;
        case FltportEntry::SetUploadProgress:
            assign(api.SetUploadProgress, symbol);
            break;
        case FltportEntry::ConvertAcceltoVel:
            assign(api.ConvertAcceltoVel, symbol);
            break;
        case FltportEntry::ConvertVeltoDist:
            assign(api.ConvertVeltoDist, symbol);
            break;
        case FltportEntry::ConvertVelAcceltoHP:
            assign(api.ConvertVelAcceltoHP, symbol);
            break;
    }
}

}  // namespace

std::string_view entryName(FltportEntry entry) { return kEntryNames[static_cast<size_t>(entry)]; }

std::string defaultLibraryFileName() {
#ifdef _WIN32
    return "fltport.dll";
#else
    return "libfltport.so";
#endif
}

std::filesystem::path executableDirectory() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
#endif
}

Declares::Declares(std::string fileName, std::filesystem::path directory)
    : m_fileName(std::move(fileName)), m_directory(std::move(directory)) {}

Declares::~Declares() {
    if (m_handle) closeLibrary(m_handle);
}

bool Declares::load(std::string& error) {
    if (m_handle) return true;
    std::string besideError;
    if (!m_directory.empty()) {
        std::string beside = (m_directory / m_fileName).string();
        if (std::filesystem::exists(beside)) {
            m_handle = openLibrary(beside, besideError);
            if (m_handle) {
                m_loadedFrom = beside;
                return true;
            }
        }
    }
    std::string searchError;
    m_handle = openLibrary(m_fileName, searchError);
    if (m_handle) {
        m_loadedFrom = m_fileName;
        return true;
    }
    error = "The serial-link library " + m_fileName + " could not be loaded.";
    if (!m_directory.empty())
        error += "\nLooked beside the program in " + m_directory.string() + " and on the library path.";
    const std::string& detail = besideError.empty() ? searchError : besideError;
    if (!detail.empty()) error += "\n" + detail;
    return false;
}

BindResult Declares::bind(std::initializer_list<FltportEntry> entries) {
    BindResult result;
    if (!load(result.error)) return result;
    std::string missing;
    for (FltportEntry entry : entries) {
        if (isBound(m_api, entry)) continue;
        std::string name(entryName(entry));
        void* symbol = findSymbol(m_handle, name.c_str());
        if (!symbol) {
            missing += (missing.empty() ? "" : ", ") + name;
            continue;
        }
        store(m_api, entry, symbol);
    }
    if (!missing.empty()) {
        result.error = "The serial-link library " + m_loadedFrom + " lacks the function(s) " + missing + ".";
        return result;
    }
    result.api = &m_api;
    return result;
}

}  // namespace tarvel::device
