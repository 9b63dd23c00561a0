#pragma once

// What the tests of settings files share: a scratch directory with "CHIFFREL.INI" in it, and
// the whole bytes of a file, stored and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/private_profile.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel::profile_testing {

namespace fs = std::filesystem;

inline std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void Store(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

class ProfileFileTest : public ::testing::Test {
  protected:
    std::string Read(std::string_view section, std::string_view key) const {
        return ReadProfileString(file_, section, key, "default");
    }
    // The temporary files of saves of the file, left behind.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".CHIFFREL.INI.tmp-")) {
                names.push_back(name);
            }
        }
        return names;
    }

    testing_support::ScratchDirectory scratch_{"profile-test"};
    const fs::path& directory_ = scratch_.path();
    fs::path file_ = directory_ / "CHIFFREL.INI";
};

}  // namespace chiffrel::profile_testing
