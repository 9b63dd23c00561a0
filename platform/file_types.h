#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace chiffrel {

// An application installed on the desktop (a desktop entry) that can be given an address, found
// and started the way the desktop itself does it. GIO, which knows the desktop's file types and
// defaults, is loaded at the first lookup only; where it cannot be loaded, no application is
// ever found.
class DesktopApplication {
  public:
    // The default application for files with this extension (".htm"), for the type the desktop
    // gives such files, as the desktop resolves defaults: desktop-specific and general
    // mimeapps.list files of every XDG directory, then the installed applications' own
    // associations (mimeinfo.cache); hidden entries do not count. An application whose command
    // takes file names only is skipped. Nothing when no application fits.
    static std::optional<DesktopApplication> DefaultForExtension(std::string_view extension);

    // The default handler of addresses with this scheme ("http"), when it can be given an
    // address; nothing otherwise.
    static std::optional<DesktopApplication> DefaultForScheme(std::string_view scheme);

    // Starts the application on one address, its entry's Exec line deciding the arguments
    // (quoting and field codes), without a shell. False when it could not be started.
    bool Launch(const std::string& address) const;

  private:
    explicit DesktopApplication(std::shared_ptr<void> info);

    std::shared_ptr<void> info_;
};

}  // namespace chiffrel
