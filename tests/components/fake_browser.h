#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace chiffrel::testing_support {

// A throw-away XDG session for the web launcher: the XDG_* variables point into a temporary
// tree (restored afterwards) that knows no application at all until Register() installs a
// fake browser, a shell script that writes its arguments one per line to a file.
class FakeBrowserSession {
  public:
    FakeBrowserSession();
    ~FakeBrowserSession();
    FakeBrowserSession(const FakeBrowserSession&) = delete;
    FakeBrowserSession& operator=(const FakeBrowserSession&) = delete;

    // Installs the fake browser as the default application for text/html. Its Exec line is the
    // script's path (in a directory whose name has a blank, so it is quoted) followed by
    // `execArguments`.
    void Register(const std::string& execArguments);

    // Installs a desktop file for text/html whose program does not exist.
    void RegisterMissingProgram();

    // The arguments of the next run of the fake browser, waiting at most ten seconds for it.
    // Nothing when it did not run.
    std::optional<std::vector<std::string>> NextArguments();

    // Where the fake browser's script lies.
    std::filesystem::path ScriptPath() const;

  private:
    void WriteDefaultApplication(const std::string& desktopFileContent);

    std::filesystem::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedVariables_;
};

}  // namespace chiffrel::testing_support
