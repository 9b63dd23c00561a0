#include "tests/components/fake_browser.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace chiffrel::testing_support {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnProcessVariable = "CHIFFREL_TEST_OWN_PROCESS";

void WriteFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << content;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

int WaitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
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
    std::vector<std::string> variables = {std::string(kOwnProcessVariable) + "=" + started};
    for (char** variable = environ; *variable != nullptr; ++variable) {
        variables.emplace_back(*variable);
    }
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
    const int status = WaitFor(child);
    EXPECT_FALSE(fs::remove(started)) << "no test of that name ran in its own process";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test failed in its own process (wait status " << status << "), reported above";
    return true;
}

FakeBrowserSession::FakeBrowserSession() {
    SetVariable("XDG_CONFIG_HOME", (root_ / "config-home").c_str());
    SetVariable("XDG_CONFIG_DIRS", (root_ / "config-dir").c_str());
    SetVariable("XDG_DATA_HOME", (root_ / "data-home").c_str());
    SetVariable("XDG_DATA_DIRS", (root_ / "data-dir").c_str());
    SetVariable("XDG_CURRENT_DESKTOP", nullptr);
    // No session bus: a start then never waits for one, nor starts one.
    SetVariable("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (root_ / "no-bus").string()).c_str());

    Write("data-dir/mime/globs2", "50:text/html:*.htm\n50:text/html:*.html\n");
    const fs::path output = root_ / "arguments";
    const fs::path script = root_ / "web.com browser" / "browse";
    WriteFile(script, "#!/bin/sh\nout='" + output.string() +
                          "'\n"
                          "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done > "
                          "\"$out.part\"\n"
                          "mv \"$out.part\" \"$out\"\n");
    fs::permissions(script, fs::perms::owner_all);
}

FakeBrowserSession::~FakeBrowserSession() {
    for (const auto& [name, value] : savedVariables_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void FakeBrowserSession::SetVariable(const char* name, const char* value) {
    const char* old = std::getenv(name);
    savedVariables_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

void FakeBrowserSession::SetCurrentDesktop(const char* desktop) {
    SetVariable("XDG_CURRENT_DESKTOP", desktop);
}

void FakeBrowserSession::Write(const std::string& relative, const std::string& content) {
    const std::string quotedScript = "\"" + (root_ / "web.com browser" / "browse").string() + "\"";
    WriteFile(root_ / relative, ReplaceAll(content, "@browser@", quotedScript));
}

void FakeBrowserSession::Register(const std::string& execArguments) {
    SetDefaultApplication("@browser@ " + execArguments);
}

void FakeBrowserSession::RegisterMissingProgram() {
    SetDefaultApplication((root_ / "no-such-browser").string() + " %u");
}

void FakeBrowserSession::SetDefaultApplication(const std::string& exec) {
    Write("data-home/applications/fake-browser.desktop",
          "[Desktop Entry]\nType=Application\nName=Fake browser\nExec=" + exec + "\n");
    Write("config-home/mimeapps.list", "[Default Applications]\ntext/html=fake-browser.desktop\n");
}

std::optional<std::vector<std::string>> FakeBrowserSession::NextArguments() {
    const fs::path output = root_ / "arguments";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(output)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::string> arguments;
    std::ifstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        arguments.push_back(line);
    }
    fs::remove(output);
    return arguments;
}

}  // namespace chiffrel::testing_support
