#pragma once
// Temporary folders and the generated game files for the script editor's tests.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/fileio.h"

namespace scripted::testing {

// A fresh folder below the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vt2text-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A file written by the build's game ROM generator.
inline std::string gameFile(const std::string& name) {
    const char* data = std::getenv("TOOLSET_DATA");
    return std::string(data ? data : "data") + "/game/" + name;
}

}  // namespace scripted::testing
