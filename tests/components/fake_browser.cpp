#include "tests/components/fake_browser.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace chiffrel::testing_support {

namespace fs = std::filesystem;

namespace {

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

}  // namespace

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

void FakeBrowserSession::HangSessionBus() {
    const fs::path bus = root_ / "hung-bus";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    bus.string().copy(address.sun_path, sizeof address.sun_path - 1);
    // Never closed: the kernel takes the connections, and nobody reads or answers them.
    hungBus_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (hungBus_ < 0 ||
        ::bind(hungBus_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(hungBus_, 16) != 0) {
        throw std::runtime_error("cannot listen on " + bus.string());
    }
    SetVariable("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus.string()).c_str());
}

// A connection waiting to be accepted makes the listening socket readable.
bool FakeBrowserSession::ClientWaitsOnTheBus() const {
    pollfd waiting{hungBus_, POLLIN, 0};
    return ::poll(&waiting, 1, 20'000) == 1;
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
