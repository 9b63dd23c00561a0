#include "tests/support/own_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace chiffrel::testing_support {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnProcessVariable = "CHIFFREL_TEST_OWN_PROCESS";
// Long enough for any test run alone under the sanitizers; a test past it has hung.
constexpr std::chrono::seconds kDeadline{60};

// The child's wait status once it has ended, or nothing when the deadline came first.
std::optional<int> WaitUntil(pid_t child, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child) {
            return status;
        }
        if (ended < 0 && errno != EINTR) {
            return std::nullopt;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// This process's environment, with the variable that tells the child it is the fresh process.
std::vector<std::string> ChildEnvironment(const std::string& startedFile) {
    std::vector<std::string> variables = {std::string(kOwnProcessVariable) + "=" + startedFile};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        variables.emplace_back(*variable);
    }
    return variables;
}

}  // namespace

bool HandedToOwnProcess() {
    if (const char* started = std::getenv(kOwnProcessVariable)) {
        fs::remove(started);  // tells the parent that the test did run here
        return false;
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string program = fs::read_symlink("/proc/self/exe").string();
    std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    char* arguments[] = {program.data(), filter.data(), nullptr};

    std::string started = (fs::temp_directory_path() / "own-process-XXXXXX").string();
    ::close(::mkstemp(started.data()));
    std::vector<std::string> variables = ChildEnvironment(started);
    std::vector<char*> environment;
    for (std::string& variable : variables) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);

    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environment.data()) !=
        0) {
        ADD_FAILURE() << "cannot start " << program;
        return true;
    }
    const std::optional<int> status =
        WaitUntil(child, std::chrono::steady_clock::now() + kDeadline);
    if (!status) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        fs::remove(started);
        ADD_FAILURE() << "the test had not ended in its own process after " << kDeadline.count()
                      << " s: killed";
        return true;
    }
    EXPECT_FALSE(fs::remove(started)) << "no test of that name ran in its own process";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "the test failed in its own process (wait status " << *status << "), reported above";
    return true;
}

}  // namespace chiffrel::testing_support
