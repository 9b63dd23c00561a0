#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "platform/file_types.h"

namespace chiffrel {

// Longest registry value the launcher accepts; a longer one counts as missing.
inline constexpr std::size_t kRegistryValueCapacity = 1024;

// The open command registered for web-page files, trying ".HTM", ".HTML", ".SHTML" and ".SHTM"
// in that order: for each, the open command of its file type, then its own
// "shell\open\command" key. Empty when none of them gives a command.
std::string FindBrowserCommand(FileTypeRegistry& registry);

struct BrowserCommand {
    std::string program;
    std::string arguments;
};

// Splits a registered open command into the browser's program and its fixed arguments.
// A Windows command ends its program with ".EXE", ".BAT" or ".COM" (the rightmost one, in any
// case); a command without such an ending is an XDG Exec line whose program is its first word,
// in double quotes or not. The arguments lose their double quotes and their placeholders
// ("%1", "%u", "%U" ...: a "%" up to the next blank), and the blanks and control characters
// around them.
BrowserCommand SplitBrowserCommand(const std::string& command);

// Opens a web page or a new mail message in the user's web browser, which it starts itself
// with the address as its last argument, never through a shell.
class TGoToWeb : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Url READ Url WRITE SetUrl)
    Q_PROPERTY(QString EMail READ EMail WRITE SetEMail)
    Q_PROPERTY(QString EMailSubject READ EMailSubject WRITE SetEMailSubject)
    Q_PROPERTY(TBrowserState BrowserState READ BrowserState WRITE SetBrowserState)

  public:
    enum TBrowserState { gwMaximized = 0, gwNormal = 1 };
    Q_ENUM(TBrowserState)

    explicit TGoToWeb(QObject* parent = nullptr);

    QString Url() const { return url_; }
    void SetUrl(const QString& url) { url_ = url; }
    QString EMail() const { return email_; }
    void SetEMail(const QString& email) { email_ = email; }
    QString EMailSubject() const { return emailSubject_; }
    void SetEMailSubject(const QString& subject) { emailSubject_ = subject; }
    TBrowserState BrowserState() const { return browserState_; }
    void SetBrowserState(TBrowserState state) { browserState_ = state; }

    // Starts the browser on Url. True when it was started.
    bool OpenUrl();
    // Starts the browser on "mailto:" + EMail + "?subject=" + EMailSubject, unencoded.
    bool OpenEMail();

    // The browser's program, or the empty text when none is registered. Leaves the browser's
    // fixed arguments in BrowserArgs, which keeps its text when nothing is found.
    QString GetBrowser();

    // The open command of web-page files from the XDG MIME defaults of the user's session.
    static QString FindBrowserCommand();

    // The window show command of a state: 3 (maximized) or 1 (normal). No portable way exists
    // to ask a program to open its window maximized, so starting the browser does not use it.
    static int ShowCommandOf(TBrowserState state);

    static const QString& BrowserArgs() { return browserArgs_; }

  private:
    bool StartBrowser(const QString& address);

    // Shared by every instance: the arguments of the last browser found. It lives as long as
    // the program, like the registry it mirrors, and is read right after GetBrowser writes it,
    // on the one thread of the windows.
    inline static QString browserArgs_;

    QString url_;
    QString email_;
    QString emailSubject_;
    TBrowserState browserState_ = gwMaximized;
};

}  // namespace chiffrel
