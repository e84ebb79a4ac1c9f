#pragma once
// A folder of its own for the files a fuzz target writes, so that parallel
// runs do not meet. It lives as long as the process.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzzing {

inline const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        std::string name = (std::filesystem::temp_directory_path() / "tarvel-fuzz-XXXXXX").string();
        if (!mkdtemp(name.data())) std::abort();
        return std::filesystem::path(name);
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    } remover;
    return dir;
}

}  // namespace fuzzing
