#pragma once
// Shared by the device tests: a fresh current directory per test (downloads
// land there) and the program's own binding of the serial-link library.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "declares.h"

namespace tarvel::device::testing {

class ScratchDirectory {
public:
    ScratchDirectory() {
        m_previous = std::filesystem::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path =
            std::filesystem::temp_directory_path() / ("tarvel-device-" + std::to_string(::getpid()) + "-" +
                                                      info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        std::filesystem::current_path(m_path);
    }
    ~ScratchDirectory() {
        std::filesystem::current_path(m_previous);
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

// The tests' binding, as the program makes its own: the library beside the executable.
inline Declares& library() {
    static Declares* declares = new Declares(defaultLibraryFileName(), executableDirectory());
    return *declares;
}

inline const FltportApi& boundApi() {
    static const FltportApi* api = [] {
        BindResult bound = library().bind({FltportEntry::InitComport, FltportEntry::CloseComport,
                                           FltportEntry::ReadConfigCommand, FltportEntry::WriteConfigCommand,
                                           FltportEntry::StartUpload, FltportEntry::CancelUpload});
        if (!bound) ADD_FAILURE() << bound.error;
        return bound.api;
    }();
    return *api;
}

}  // namespace tarvel::device::testing
