#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chiffrel {

// The file-type registry as the web launcher reads it: keys named by paths of names separated
// by backslashes (".htm", "htmlfile\shell\open\command"), found from the root or below an open
// key, each holding a default text value. Names match without regard to ASCII case.
// Every key opened must be closed.
class FileTypeRegistry {
  public:
    using Key = int;

    virtual ~FileTypeRegistry() = default;

    virtual std::optional<Key> OpenKey(std::string_view path) = 0;
    virtual std::optional<Key> OpenSubKey(Key parent, std::string_view subPath) = 0;
    // The key's default value, whole; nothing when it has none.
    virtual std::optional<std::string> QueryDefaultValue(Key key) = 0;
    virtual void CloseKey(Key key) = 0;
};

// The base directories of the XDG desktop standards, most important first.
struct XdgDirectories {
    std::string configHome;
    std::vector<std::string> configDirs;
    std::string dataHome;
    std::vector<std::string> dataDirs;

    // From XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME and XDG_DATA_DIRS, with the
    // standard's defaults for unset or empty variables; relative paths are ignored.
    static XdgDirectories FromEnvironment();
};

// The MIME type that files with this extension (".htm", ".HTML", ...) are opened as, or nothing
// for an extension the launcher does not know. Server-parsed pages (.shtml, .shtm) are HTML too.
std::optional<std::string> MimeTypeOfExtension(std::string_view extension);

// The Exec line of the default application for `mimeType`, with the desktop files' string
// escapes resolved. The mimeapps.list files are read in the standard's order (config home,
// config dirs, then the "applications" directories of data home and data dirs): first every
// [Default Applications] entry, then every [Added Associations] entry; an application counts
// only when its desktop file is installed in an "applications" directory of the data
// directories, has an Exec line and is not hidden.
std::optional<std::string> DefaultApplicationCommand(const XdgDirectories& directories,
                                                     std::string_view mimeType);

// The registry on an XDG desktop. An extension's key holds its MIME type as the name of its file
// type, and "<MIME type>\shell\open\command" holds the Exec line of the type's default
// application. Extensions carry no command of their own. The files are read again at every
// opening of a command key: nothing is cached.
class XdgFileTypeRegistry final : public FileTypeRegistry {
  public:
    explicit XdgFileTypeRegistry(XdgDirectories directories);

    std::optional<Key> OpenKey(std::string_view path) override;
    std::optional<Key> OpenSubKey(Key parent, std::string_view subPath) override;
    std::optional<std::string> QueryDefaultValue(Key key) override;
    void CloseKey(Key key) override;

  private:
    struct OpenedKey {
        std::string path;
        std::optional<std::string> value;
        bool open = true;
    };

    std::optional<std::optional<std::string>> ValueOfKey(std::string_view path) const;
    const OpenedKey* Opened(Key key) const;

    XdgDirectories directories_;
    std::vector<OpenedKey> keys_;
};

}  // namespace chiffrel
