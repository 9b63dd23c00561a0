#include "components/GoToWeb.h"

#include <string_view>

namespace chiffrel {

TGoToWeb::TGoToWeb(QObject* parent) : QObject(parent) {}

bool TGoToWeb::OpenUrl() {
    return StartBrowser(url_);
}

bool TGoToWeb::OpenEMail() {
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
bool TGoToWeb::StartBrowser(const QString& address) {
    const auto browser = FindBrowser();
    return browser && browser->Launch(address.toStdString());
}

}  // namespace chiffrel
