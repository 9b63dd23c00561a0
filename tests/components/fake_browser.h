#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/scratch_directory.h"

namespace chiffrel::testing_support {

// A throw-away XDG desktop for the web launcher: the XDG variables point into a temporary tree
// (restored afterwards) whose MIME database gives ".htm" and ".html" files the type text/html,
// and that knows no application until one is written into it. The stand-in browser is a script
// that writes its arguments one per line to a file; it lies in a directory whose name holds a
// blank and ".com". GIO reads the XDG variables once per process: every test that sets up a
// desktop runs in its own process (tests/support/own_process.h).
class FakeBrowserSession {
  public:
    FakeBrowserSession();
    ~FakeBrowserSession();
    FakeBrowserSession(const FakeBrowserSession&) = delete;
    FakeBrowserSession& operator=(const FakeBrowserSession&) = delete;

    // Writes a file of the tree, `relative` to its root ("config-home/mimeapps.list"). Each
    // "@browser@" in `content` becomes the stand-in's path in double quotes.
    void Write(const std::string& relative, const std::string& content);

    // Sets XDG_CURRENT_DESKTOP, or unsets it for nullptr.
    void SetCurrentDesktop(const char* desktop);

    // Installs the stand-in as the default application for text/html, its Exec line being the
    // stand-in followed by `execArguments`.
    void Register(const std::string& execArguments);

    // Installs a desktop file for text/html whose program does not exist.
    void RegisterMissingProgram();

    // From now until the process ends, the session bus is a socket that takes connections and
    // never answers, as a stopped bus daemon does.
    void HangSessionBus();
    // Whether a client has connected to that bus, waiting at most twenty seconds for one. From
    // then on the client waits for an answer for good.
    bool ClientWaitsOnTheBus() const;

    // The arguments of the next run of the stand-in, waiting at most twenty seconds for it.
    // Nothing when it did not run.
    std::optional<std::vector<std::string>> NextArguments();

  private:
    void SetDefaultApplication(const std::string& exec);
    void SetVariable(const char* name, const char* value);

    ScratchDirectory scratch_{"fake-browser"};
    const std::filesystem::path& root_ = scratch_.path();
    std::vector<std::pair<std::string, std::optional<std::string>>> savedVariables_;
    int hungBus_ = -1;
};

}  // namespace chiffrel::testing_support
