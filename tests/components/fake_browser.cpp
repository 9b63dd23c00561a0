#include "tests/components/fake_browser.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace chiffrel::testing_support {

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << content;
}

}  // namespace

FakeBrowserSession::FakeBrowserSession() {
    std::string pattern = (fs::temp_directory_path() / "fake-browser-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    const std::pair<const char*, fs::path> variables[] = {
        {"XDG_CONFIG_HOME", root_ / "config-home"},
        {"XDG_CONFIG_DIRS", root_ / "config-dir"},
        {"XDG_DATA_HOME", root_ / "data-home"},
        {"XDG_DATA_DIRS", root_ / "data-dir"},
    };
    for (const auto& [name, value] : variables) {
        const char* old = std::getenv(name);
        savedVariables_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
}

FakeBrowserSession::~FakeBrowserSession() {
    for (const auto& [name, value] : savedVariables_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    fs::remove_all(root_);
}

fs::path FakeBrowserSession::ScriptPath() const {
    return root_ / "fake browser" / "browse.sh";
}

void FakeBrowserSession::Register(const std::string& execArguments) {
    const fs::path script = ScriptPath();
    const fs::path output = root_ / "arguments";
    WriteFile(script,
              "#!/bin/sh\n"
              "out='" +
                  output.string() +
                  "'\n"
                  "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done > \"$out.part\"\n"
                  "mv \"$out.part\" \"$out\"\n");
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    WriteDefaultApplication("[Desktop Entry]\nType=Application\nName=Fake browser\nExec=\"" +
                            script.string() + "\" " + execArguments + "\n");
}

void FakeBrowserSession::RegisterMissingProgram() {
    WriteDefaultApplication("[Desktop Entry]\nType=Application\nName=Gone\nExec=" +
                            (root_ / "no-such-browser").string() + " %u\n");
}

void FakeBrowserSession::WriteDefaultApplication(const std::string& desktopFileContent) {
    WriteFile(root_ / "data-home" / "applications" / "fake-browser.desktop", desktopFileContent);
    WriteFile(root_ / "config-home" / "mimeapps.list",
              "[Default Applications]\ntext/html=fake-browser.desktop\n");
}

std::optional<std::vector<std::string>> FakeBrowserSession::NextArguments() {
    const fs::path output = root_ / "arguments";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
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
