#include "platform/file_types.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace chiffrel {

namespace {

namespace fs = std::filesystem;

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Split(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string AbsoluteOrEmpty(const std::string& path) {
    return fs::path(path).is_absolute() ? path : std::string();
}

std::string HomeDirectoryOr(const char* variable, const char* belowHome) {
    const std::string fromVariable = AbsoluteOrEmpty(EnvironmentValue(variable));
    if (!fromVariable.empty()) {
        return fromVariable;
    }
    const std::string home = AbsoluteOrEmpty(EnvironmentValue("HOME"));
    return home.empty() ? std::string() : (fs::path(home) / belowHome).string();
}

std::vector<std::string> DirectoryListOr(const char* variable, std::string_view fallback) {
    std::string list = EnvironmentValue(variable);
    if (list.empty()) {
        list = fallback;
    }
    std::vector<std::string> directories;
    for (const std::string& entry : Split(list, ':')) {
        if (fs::path(entry).is_absolute()) {
            directories.push_back(entry);
        }
    }
    return directories;
}

// The value of `key` in the first `group` of a desktop-style key file ("[group]" lines, then
// "key=value" lines, "#" comments), blanks around the key and the value not counting.
std::optional<std::string> KeyFileValue(const fs::path& file, std::string_view group,
                                        std::string_view key, bool keyIgnoresCase) {
    std::ifstream stream(file);
    std::string line;
    bool inGroup = false;
    const std::string wantedKey = keyIgnoresCase ? AsciiLower(key) : std::string(key);
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string_view text = TrimBlanks(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            inGroup = text.size() == group.size() + 2 && text.back() == ']' &&
                      text.substr(1, group.size()) == group;
            continue;
        }
        const std::size_t equals = text.find('=');
        if (!inGroup || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view name = TrimBlanks(text.substr(0, equals));
        if ((keyIgnoresCase ? AsciiLower(name) : std::string(name)) == wantedKey) {
            return std::string(TrimBlanks(text.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

// Resolves the string escapes of desktop-file values: \s \n \t \r and \\.
std::string Unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += value[i];
                break;
        }
    }
    return out;
}

std::vector<fs::path> ApplicationDirectories(const XdgDirectories& directories) {
    std::vector<fs::path> found;
    if (!directories.dataHome.empty()) {
        found.push_back(fs::path(directories.dataHome) / "applications");
    }
    for (const std::string& dir : directories.dataDirs) {
        found.push_back(fs::path(dir) / "applications");
    }
    return found;
}

std::vector<fs::path> MimeAppsLists(const XdgDirectories& directories) {
    std::vector<fs::path> lists;
    if (!directories.configHome.empty()) {
        lists.push_back(fs::path(directories.configHome) / "mimeapps.list");
    }
    for (const std::string& dir : directories.configDirs) {
        lists.push_back(fs::path(dir) / "mimeapps.list");
    }
    for (const fs::path& dir : ApplicationDirectories(directories)) {
        lists.push_back(dir / "mimeapps.list");
    }
    return lists;
}

// The Exec line of an installed, visible desktop file with this id, found in the first
// applications directory that holds a file of that name.
std::optional<std::string> InstalledCommand(const XdgDirectories& directories,
                                            std::string_view desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    for (const fs::path& dir : ApplicationDirectories(directories)) {
        const fs::path file = dir / desktopId;
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            continue;
        }
        if (KeyFileValue(file, "Desktop Entry", "Hidden", false) == "true") {
            return std::nullopt;
        }
        const auto exec = KeyFileValue(file, "Desktop Entry", "Exec", false);
        if (!exec || exec->empty()) {
            return std::nullopt;
        }
        return Unescape(*exec);
    }
    return std::nullopt;
}

std::optional<std::string> FirstInstalledOfGroup(const XdgDirectories& directories,
                                                 std::string_view group,
                                                 std::string_view mimeType) {
    for (const fs::path& list : MimeAppsLists(directories)) {
        const auto ids = KeyFileValue(list, group, mimeType, true);
        if (!ids) {
            continue;
        }
        for (const std::string& id : Split(*ids, ';')) {
            if (auto command = InstalledCommand(directories, TrimBlanks(id))) {
                return command;
            }
        }
    }
    return std::nullopt;
}

constexpr std::string_view kOpenCommandPath = "\\shell\\open\\command";

}  // namespace

XdgDirectories XdgDirectories::FromEnvironment() {
    return XdgDirectories{
        HomeDirectoryOr("XDG_CONFIG_HOME", ".config"),
        DirectoryListOr("XDG_CONFIG_DIRS", "/etc/xdg"),
        HomeDirectoryOr("XDG_DATA_HOME", ".local/share"),
        DirectoryListOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"),
    };
}

std::optional<std::string> MimeTypeOfExtension(std::string_view extension) {
    const std::string lower = AsciiLower(extension);
    if (lower == ".htm" || lower == ".html" || lower == ".shtml" || lower == ".shtm") {
        return "text/html";
    }
    return std::nullopt;
}

std::optional<std::string> DefaultApplicationCommand(const XdgDirectories& directories,
                                                     std::string_view mimeType) {
    if (auto command = FirstInstalledOfGroup(directories, "Default Applications", mimeType)) {
        return command;
    }
    return FirstInstalledOfGroup(directories, "Added Associations", mimeType);
}

XdgFileTypeRegistry::XdgFileTypeRegistry(XdgDirectories directories)
    : directories_(std::move(directories)) {}

// Whether the key exists and, if so, its default value.
std::optional<std::optional<std::string>> XdgFileTypeRegistry::ValueOfKey(
    std::string_view path) const {
    const std::string lower = AsciiLower(path);
    if (const auto mimeType = MimeTypeOfExtension(lower)) {
        return std::optional<std::string>(*mimeType);
    }
    if (lower.size() > kOpenCommandPath.size() && lower.ends_with(kOpenCommandPath)) {
        const std::string_view type =
            std::string_view(lower).substr(0, lower.size() - kOpenCommandPath.size());
        if (type.front() != '.') {
            if (auto command = DefaultApplicationCommand(directories_, type)) {
                return std::optional<std::string>(std::move(command));
            }
        }
    }
    return std::nullopt;
}

std::optional<FileTypeRegistry::Key> XdgFileTypeRegistry::OpenKey(std::string_view path) {
    auto value = ValueOfKey(path);
    if (!value) {
        return std::nullopt;
    }
    keys_.push_back(OpenedKey{std::string(path), std::move(*value)});
    return static_cast<Key>(keys_.size() - 1);
}

std::optional<FileTypeRegistry::Key> XdgFileTypeRegistry::OpenSubKey(Key parent,
                                                                     std::string_view subPath) {
    const OpenedKey* opened = Opened(parent);
    if (opened == nullptr) {
        return std::nullopt;
    }
    return OpenKey(opened->path + "\\" + std::string(subPath));
}

std::optional<std::string> XdgFileTypeRegistry::QueryDefaultValue(Key key) {
    const OpenedKey* opened = Opened(key);
    return opened == nullptr ? std::nullopt : opened->value;
}

void XdgFileTypeRegistry::CloseKey(Key key) {
    if (Opened(key) != nullptr) {
        keys_[static_cast<std::size_t>(key)].open = false;
    }
}

const XdgFileTypeRegistry::OpenedKey* XdgFileTypeRegistry::Opened(Key key) const {
    if (key < 0 || static_cast<std::size_t>(key) >= keys_.size()) {
        return nullptr;
    }
    const OpenedKey& opened = keys_[static_cast<std::size_t>(key)];
    return opened.open ? &opened : nullptr;
}

}  // namespace chiffrel
