#include "components/GoToWeb.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace chiffrel {

namespace {

// Set from the request of a start until its end.
std::atomic<bool> startUnderWay{false};

std::future<bool> Answered(bool started) {
    std::promise<bool> answer;
    answer.set_value(started);
    return answer.get_future();
}

}  // namespace

TGoToWeb::TGoToWeb(QObject* parent) : QObject(parent) {}

std::future<bool> TGoToWeb::OpenUrl() {
    return StartBrowser(url_);
}

std::future<bool> TGoToWeb::OpenEMail() {
    return StartBrowser(QStringLiteral("mailto:") + email_ + QStringLiteral("?subject=") +
                        emailSubject_);
}

// The types of web-page files come first, in the order of their extensions; a desktop where no
// application claims them may still name the browser as the handler of http addresses.
std::optional<DesktopApplication> TGoToWeb::FindBrowser() {
    for (const std::string_view extension : {".htm", ".html", ".shtml", ".shtm"}) {
        if (auto browser = DesktopApplication::DefaultForExtension(extension)) {
            return browser;
        }
    }
    return DesktopApplication::DefaultForScheme("http");
}

// The address is handed over as it is, as one address: the browser's desktop entry decides
// where it goes among the arguments.
std::future<bool> TGoToWeb::StartBrowser(const QString& address) {
    if (startUnderWay.exchange(true)) {
        TellFinished(false);
        return Answered(false);
    }
    const auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> started = answer->get_future();
    const bool running =
        starts_.Start([this, address = address.toStdString(), answer](const WorkSender& toCaller) {
            const auto browser = FindBrowser();
            const bool launched = browser && browser->Launch(address);
            startUnderWay = false;
            toCaller.Deliver([&] {
                answer->set_value(launched);
                TellFinished(launched);
            });
        });
    if (!running) {  // no thread to be had: a start that failed
        startUnderWay = false;
        TellFinished(false);
        return Answered(false);
    }
    return started;
}

void TGoToWeb::TellFinished(bool started) {
    QMetaObject::invokeMethod(
        this, [this, started] { emit Finished(started); }, Qt::QueuedConnection);
}

}  // namespace chiffrel
