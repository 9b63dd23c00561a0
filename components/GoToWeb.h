#pragma once

#include <QObject>
#include <QString>
#include <future>
#include <optional>

#include "platform/detached_work.h"
#include "platform/file_types.h"

namespace chiffrel {

// Opens a web page or a new mail message in the user's web browser, started as the desktop
// starts it, never through a shell. A failure (no browser, a browser that cannot start) is only
// told by the result: nothing is shown.
//
// The browser is looked up and started on a thread of its own, never on the caller's: the desktop
// may ask the session bus, which may never answer. One start runs at a time, as the bus look-up
// holds a lock of its own meanwhile: a request while one is under way starts nothing. Nothing
// ever waits for that thread, not even the end of the program; a start's result is given only
// while the launcher lives (a broken promise after).
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
    // Kept as the forms set it. A desktop entry is started without a window state, so the
    // browser shows its window the way it always does.
    TBrowserState BrowserState() const { return browserState_; }
    void SetBrowserState(TBrowserState state) { browserState_ = state; }

    // Starts the browser on Url. The result, once known, is true when it was started; it is
    // false at once when another start is still under way.
    std::future<bool> OpenUrl();
    // Starts the browser on "mailto:" + EMail + "?subject=" + EMailSubject, unencoded: the
    // browser, not a mail program, opens the message. The result is OpenUrl's.
    std::future<bool> OpenEMail();

  signals:
    // Every start's result once more, on the launcher's thread, for the window that asked.
    void Finished(bool started);

  private:
    // The user's web browser, looked up anew at each call: the default application of web-page
    // files, else the default handler of http addresses.
    static std::optional<DesktopApplication> FindBrowser();
    std::future<bool> StartBrowser(const QString& address);
    void TellFinished(bool started);  // queued: the caller hears it once its event is handled

    QString url_;
    QString email_;
    QString emailSubject_;
    TBrowserState browserState_ = gwMaximized;
    WorkReceiver starts_;  // a start's result reaches its caller only while this launcher lives
};

}  // namespace chiffrel
