#pragma once

// What the tests of settings files share: a scratch directory with "CHIFFREL.INI" in it, the
// whole bytes of a file, stored and read back, and saves run in a process of their own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
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

// Older than any save lasts: what a save that died long ago left.
inline void MakeOld(const fs::path& file) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(2));
}

// Runs `body` in a child process and gives its exit status, or 128 + the signal that ended it.
inline int InChildProcess(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 2;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline void ExpectWriteError(const fs::path& file, const std::string& value = "v") {
    try {
        WriteProfileString(file, "A", "k", value);
        ADD_FAILURE() << "the write to " << file << " did not fail";
    } catch (const ProgramError& error) {
        EXPECT_EQ(std::string(error.what()), "Ne peut écrire dans CHIFFREL.INI");
        EXPECT_NE(dynamic_cast<const ProfileWriteError*>(&error), nullptr);
    }
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
