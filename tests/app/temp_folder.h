// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace brindle::test {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brindle-app-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            root = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return root; }

    // Writes a file (making its folders) and returns its path.
    std::string write(const std::string& relative, const std::string& contents = "data") const {
        const std::filesystem::path file = root / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
        return file.string();
    }

    std::string makeFolder(const std::string& relative) const {
        std::filesystem::create_directories(root / relative);
        return (root / relative).string();
    }

  private:
    std::filesystem::path root;
};

}  // namespace brindle::test
