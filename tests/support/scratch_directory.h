#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace chiffrel::testing_support {

// A new empty directory under the system's temporary directory, removed with everything in it
// when the object goes. Plain C++, so that the fuzz targets share it with the tests.
class ScratchDirectory {
  public:
    explicit ScratchDirectory(std::string_view purpose) {
        std::string pattern = (std::filesystem::temp_directory_path() /
                               ("chiffrel-" + std::string(purpose) + "-XXXXXX"))
                                  .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory " + pattern);
        }
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path File(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace chiffrel::testing_support
