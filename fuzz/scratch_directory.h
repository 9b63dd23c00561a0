#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "fuzz/fuzz_check.h"

namespace chiffrel::fuzz {

// A temporary directory of the fuzzing process, named after the target. It is removed when the
// run ends normally; a crashed run leaves its files for a look.
class ScratchDirectory {
  public:
    explicit ScratchDirectory(std::string_view target) {
        std::string pattern = (std::filesystem::temp_directory_path() /
                               ("chiffrel-" + std::string(target) + "-fuzz-XXXXXX"))
                                  .string();
        Require(::mkdtemp(pattern.data()) != nullptr, "a temporary directory can be made", pattern);
        directory_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::filesystem::path File(std::string_view name) const { return directory_ / name; }

  private:
    std::filesystem::path directory_;
};

}  // namespace chiffrel::fuzz
