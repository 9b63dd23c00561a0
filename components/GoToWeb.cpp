#include "components/GoToWeb.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace chiffrel {

namespace {

// A registry key closed when it goes out of scope, so that every search closes what it opened.
class ScopedKey {
  public:
    ScopedKey(FileTypeRegistry& registry, std::optional<FileTypeRegistry::Key> key)
        : registry_(registry), key_(key) {}
    ~ScopedKey() {
        if (key_) {
            registry_.CloseKey(*key_);
        }
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    explicit operator bool() const { return key_.has_value(); }
    FileTypeRegistry::Key key() const { return *key_; }

  private:
    FileTypeRegistry& registry_;
    std::optional<FileTypeRegistry::Key> key_;
};

std::optional<std::string> DefaultValueOf(FileTypeRegistry& registry, const ScopedKey& key) {
    auto value = registry.QueryDefaultValue(key.key());
    if (!value || value->size() > kRegistryValueCapacity) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> NonEmptyDefaultValueOf(FileTypeRegistry& registry,
                                                  const ScopedKey& key) {
    if (!key) {
        return std::nullopt;
    }
    auto value = DefaultValueOf(registry, key);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    return value;
}

constexpr std::string_view kOpenCommand = "shell\\open\\command";

std::optional<std::string> CommandOfExtension(FileTypeRegistry& registry,
                                              std::string_view extension) {
    const ScopedKey extensionKey(registry, registry.OpenKey(extension));
    if (!extensionKey) {
        return std::nullopt;
    }
    const auto typeName = DefaultValueOf(registry, extensionKey);
    if (!typeName) {
        return std::nullopt;
    }
    if (!typeName->empty()) {
        const std::string typeCommandPath = *typeName + "\\" + std::string(kOpenCommand);
        const ScopedKey typeCommand(registry, registry.OpenKey(typeCommandPath));
        if (auto command = NonEmptyDefaultValueOf(registry, typeCommand)) {
            return command;
        }
    }
    const ScopedKey ownCommand(registry, registry.OpenSubKey(extensionKey.key(), kOpenCommand));
    return NonEmptyDefaultValueOf(registry, ownCommand);
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanksAndControls(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Each "%" and what follows it up to the next blank goes.
std::string WithoutPlaceholders(std::string_view text) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            while (i + 1 < text.size() && text[i + 1] != ' ') {
                ++i;
            }
            continue;
        }
        kept += text[i];
    }
    return kept;
}

std::string CleanArguments(std::string_view raw) {
    std::string arguments(TrimBlanksAndControls(raw));
    std::erase(arguments, '"');
    return std::string(TrimBlanksAndControls(WithoutPlaceholders(arguments)));
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Where the program of a Windows command ends: just after its rightmost ".EXE", ".BAT" or
// ".COM", whatever the case.
std::optional<std::size_t> WindowsProgramEnd(std::string_view command) {
    constexpr std::array<std::string_view, 3> kEndings = {".EXE", ".BAT", ".COM"};
    for (std::size_t end = command.size(); end >= 4; --end) {
        std::string ending(command.substr(end - 4, 4));
        std::transform(ending.begin(), ending.end(), ending.begin(), AsciiUpper);
        if (std::find(kEndings.begin(), kEndings.end(), ending) != kEndings.end()) {
            return end;
        }
    }
    return std::nullopt;
}

// An Exec line's first word is the program: up to the first blank, or between double quotes
// where a backslash takes the next character as it is.
BrowserCommand SplitExecLine(std::string_view command) {
    const std::string_view text = TrimBlanksAndControls(command);
    std::string program;
    std::size_t i = 0;
    if (!text.empty() && text.front() == '"') {
        for (i = 1; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) {
                ++i;
            }
            program += text[i];
        }
        i = std::min(i + 1, text.size());
    } else {
        for (; i < text.size() && !IsBlankOrControl(text[i]); ++i) {
            program += text[i];
        }
    }
    return BrowserCommand{program, CleanArguments(text.substr(i))};
}

}  // namespace

std::string FindBrowserCommand(FileTypeRegistry& registry) {
    for (const std::string_view extension : {".HTM", ".HTML", ".SHTML", ".SHTM"}) {
        if (auto command = CommandOfExtension(registry, extension)) {
            return *command;
        }
    }
    return {};
}

BrowserCommand SplitBrowserCommand(const std::string& command) {
    const auto programEnd = WindowsProgramEnd(command);
    if (!programEnd) {
        return SplitExecLine(command);
    }
    BrowserCommand split{command.substr(0, *programEnd),
                         CleanArguments(std::string_view(command).substr(*programEnd))};
    if (split.program.starts_with('"')) {
        split.program.erase(0, 1);
    }
    return split;
}

TGoToWeb::TGoToWeb(QObject* parent) : QObject(parent) {}

bool TGoToWeb::OpenUrl() {
    return StartBrowser(url_);
}

bool TGoToWeb::OpenEMail() {
    return StartBrowser(QStringLiteral("mailto:") + email_ + QStringLiteral("?subject=") +
                        emailSubject_);
}

QString TGoToWeb::GetBrowser() {
    const QString command = FindBrowserCommand();
    if (command.isEmpty()) {
        return {};
    }
    const BrowserCommand split = SplitBrowserCommand(command.toStdString());
    browserArgs_ = QString::fromStdString(split.arguments);
    return QString::fromStdString(split.program);
}

QString TGoToWeb::FindBrowserCommand() {
    XdgFileTypeRegistry registry(XdgDirectories::FromEnvironment());
    return QString::fromStdString(chiffrel::FindBrowserCommand(registry));
}

int TGoToWeb::ShowCommandOf(TBrowserState state) {
    constexpr int kShowMaximized = 3;
    constexpr int kShowNormal = 1;
    return state == gwMaximized ? kShowMaximized : kShowNormal;
}

// The browser gets its fixed arguments, then the address as one argument of its own, so that
// nothing in the address is ever read by a shell or split.
bool TGoToWeb::StartBrowser(const QString& address) {
    const QString program = GetBrowser();
    if (program.isEmpty()) {
        return false;
    }
    QStringList arguments = browserArgs_.simplified().split(u' ', Qt::SkipEmptyParts);
    arguments.append(address);
    return QProcess::startDetached(program, arguments);
}

}  // namespace chiffrel
