#pragma once
// Binding of the serial-link library at the first device call. Each program
// makes its one binding in main() and passes it down. The library is
// looked for beside the running program first, then through the platform's
// ordinary library search; each entry is looked up by name when a command
// first needs it, so a library lacking an entry that no command uses still
// serves the others.

#include <filesystem>
#include <initializer_list>
#include <string>

#include "fltport_api.h"

namespace tarvel::device {

// "fltport.dll" on Windows, "libfltport.so" elsewhere.
std::string defaultLibraryFileName();
// Folder of the running executable (empty when it cannot be found).
std::filesystem::path executableDirectory();

struct BindResult {
    const FltportApi* api = nullptr;  // null when binding failed
    std::string error;                // names the missing library or entry
    explicit operator bool() const { return api != nullptr; }
};

class Declares {
public:
    // Binds `fileName`, looked for in `directory` first (when not empty).
    Declares(std::string fileName, std::filesystem::path directory);
    ~Declares();
    Declares(const Declares&) = delete;
    Declares& operator=(const Declares&) = delete;

    // Loads the library if needed and binds the given entries. The library
    // stays loaded for the life of this object.
    BindResult bind(std::initializer_list<FltportEntry> entries);

    // Where the library was loaded from (empty until loaded).
    const std::string& loadedFrom() const { return m_loadedFrom; }

private:
    bool load(std::string& error);

    std::string m_fileName;
    std::filesystem::path m_directory;
    void* m_handle = nullptr;
    std::string m_loadedFrom;
    FltportApi m_api;
};

// Entries each device command needs.
inline constexpr std::initializer_list<FltportEntry> kDownloadEntries = {
    FltportEntry::InitComport, FltportEntry::StartUpload, FltportEntry::CancelUpload,
    FltportEntry::SetUploadProgress, FltportEntry::CloseComport};
inline constexpr std::initializer_list<FltportEntry> kConfigEntries = {
    FltportEntry::InitComport, FltportEntry::ReadConfigCommand, FltportEntry::WriteConfigCommand,
    FltportEntry::CloseComport};

}  // namespace tarvel::device
