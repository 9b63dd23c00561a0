#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "components/GoToWeb.h"
#include "tests/components/fake_browser.h"
#include "tests/support/own_process.h"

namespace chiffrel {
namespace {

using testing_support::FakeBrowserSession;
using Arguments = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;

TEST(GoToWebTest, Defaults) {
    TGoToWeb launcher;
    EXPECT_EQ(launcher.Url(), "");
    EXPECT_EQ(launcher.EMail(), "");
    EXPECT_EQ(launcher.EMailSubject(), "");
    EXPECT_EQ(launcher.BrowserState(), TGoToWeb::gwMaximized);
}

// ---- Finding the browser and starting it on the address ----

// Whether the browser was started, once the launcher knows; nothing after twenty seconds.
std::optional<bool> Outcome(std::future<bool> started) {
    if (started.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        return std::nullopt;
    }
    return started.get();
}

// Blanks and characters a shell would read: the address must still arrive as one argument.
const std::string kUrl = "http://www.example.invalid/a b?c=d&e;f'g\"h$(x)";

// A desktop file of an application whose Exec line is `exec`, in an applications directory.
std::pair<std::string, std::string> App(const std::string& id, const std::string& exec,
                                        const std::string& dataDirectory = "data-home") {
    return {dataDirectory + "/applications/" + id,
            "[Desktop Entry]\nType=Application\nName=Web\nExec=" + exec + "\n"};
}

std::pair<std::string, std::string> Defaults(const std::string& list, const std::string& lines) {
    return {list, "[Default Applications]\n" + lines};
}

// The stand-in registered as the text/html default with these Exec arguments.
Files HtmlDefault(const std::string& execArguments) {
    return {App("web.desktop", "@browser@ " + execArguments),
            Defaults("config-home/mimeapps.list", "text/html=web.desktop\n")};
}

struct BrowserCase {
    const char* name;
    Files files;
    std::optional<Arguments> received;  // nothing: no browser is started, OpenUrl is false
    const char* desktop = nullptr;      // XDG_CURRENT_DESKTOP
};

void PrintTo(const BrowserCase& c, std::ostream* os) {
    *os << c.name;
}

// Each extension of web pages with a type of its own.
const std::pair<std::string, std::string> kTypePerExtension = {
    "data-dir/mime/globs2",
    "50:text/x-htm:*.htm\n50:text/x-html:*.html\n50:text/x-shtml:*.shtml\n50:text/x-shtm:*.shtm\n"};

std::vector<BrowserCase> BrowserCases() {
    return {
        {"TextHtmlDefault", HtmlDefault("%u"), Arguments{kUrl}},
        {"NothingRegistered", {}, std::nullopt},
        {"HttpHandlerOnly",
         {App("web.desktop", "@browser@ http %u"),
          Defaults("config-home/mimeapps.list", "x-scheme-handler/http=web.desktop\n")},
         Arguments{"http", kUrl}},
        {"WebPageTypeBeforeHttpHandler",
         {App("page.desktop", "@browser@ page %u"), App("http.desktop", "@browser@ http %u"),
          Defaults("config-home/mimeapps.list",
                   "x-scheme-handler/http=http.desktop\ntext/html=page.desktop\n")},
         Arguments{"page", kUrl}},
        {"ExtensionsInOrder",
         {kTypePerExtension, App("html.desktop", "@browser@ html %u"),
          App("shtml.desktop", "@browser@ shtml %u"), App("shtm.desktop", "@browser@ shtm %u"),
          Defaults("config-home/mimeapps.list",
                   "text/x-shtm=shtm.desktop\ntext/x-shtml=shtml.desktop\n"
                   "text/x-html=html.desktop\n")},
         Arguments{"html", kUrl}},
        {"LastExtension",
         {kTypePerExtension, App("shtm.desktop", "@browser@ shtm %u"),
          Defaults("config-home/mimeapps.list", "text/x-shtm=shtm.desktop\n")},
         Arguments{"shtm", kUrl}},
        {"UnknownExtensionsOpenNothing",
         {{"data-dir/mime/globs2", "50:text/plain:*.txt\n"},
          App("any.desktop", "@browser@ any %u"),
          Defaults("config-home/mimeapps.list",
                   "application/octet-stream=any.desktop\ntext/plain=any.desktop\n")},
         std::nullopt},
        {"DesktopSpecificList",
         {App("general.desktop", "@browser@ general %u"),
          App("gnome.desktop", "@browser@ gnome %u"),
          Defaults("config-home/mimeapps.list", "text/html=general.desktop\n"),
          Defaults("config-home/gnome-mimeapps.list", "text/html=gnome.desktop\n")},
         Arguments{"gnome", kUrl},
         "GNOME"},
        {"MimeinfoCacheOnly",
         {App("web.desktop", "@browser@ cached %u", "data-dir"),
          {"data-dir/applications/mimeinfo.cache", "[MIME Cache]\ntext/html=web.desktop;\n"}},
         Arguments{"cached", kUrl}},
        {"HiddenEntryIsNoBrowser",
         {{"data-home/applications/hidden.desktop",
           "[Desktop Entry]\nType=Application\nName=Web\nExec=@browser@ hidden %u\nHidden=true\n"},
          App("http.desktop", "@browser@ http %u"),
          Defaults("config-home/mimeapps.list",
                   "text/html=hidden.desktop\nx-scheme-handler/http=http.desktop\n")},
         Arguments{"http", kUrl}},
        {"FileNamesOnlyPassedOver",
         {App("files.desktop", "@browser@ files %f"), App("web.desktop", "@browser@ web %U"),
          Defaults("config-home/mimeapps.list", "text/html=files.desktop;web.desktop\n")},
         Arguments{"web", kUrl}},
        {"FileNamesOnlyIsNoBrowser",
         {App("files.desktop", "@browser@ files %F"),
          Defaults("config-home/mimeapps.list",
                   "text/html=files.desktop\nx-scheme-handler/http=files.desktop\n")},
         std::nullopt},
        {"QuotedArgumentsWithBlanks",
         HtmlDefault(R"("--title=a b" --profile "/home/u/My Profile" %u)"),
         Arguments{"--title=a b", "--profile", "/home/u/My Profile", kUrl}},
        {"FieldCodeInsideAnArgument", HtmlDefault("--url=%u"), Arguments{"--url=" + kUrl}},
        {"PercentSign", HtmlDefault("--zoom=50%% %U"), Arguments{"--zoom=50%", kUrl}},
        {"WindowsEndingsInArguments",
         HtmlDefault("--proxy-server=proxy.corp.com:3128 --log=/tmp/LOG.EXE %u"),
         Arguments{"--proxy-server=proxy.corp.com:3128", "--log=/tmp/LOG.EXE", kUrl}},
    };
}

class GoToWebBrowserTest : public testing::TestWithParam<BrowserCase> {};

// The stand-in lies in a directory whose name holds a blank and ".com".
TEST_P(GoToWebBrowserTest, StartsTheDesktopsBrowserWithItsOwnArguments) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    FakeBrowserSession session;
    session.SetCurrentDesktop(GetParam().desktop);
    for (const auto& [path, content] : GetParam().files) {
        session.Write(path, content);
    }
    int noArguments = 0;
    const QCoreApplication events(noArguments, nullptr);
    TGoToWeb launcher;
    QSignalSpy told(&launcher, &TGoToWeb::Finished);
    launcher.SetUrl(QString::fromStdString(kUrl));
    ASSERT_EQ(Outcome(launcher.OpenUrl()), GetParam().received.has_value());
    if (GetParam().received) {
        EXPECT_EQ(session.NextArguments(), GetParam().received);
    }
    // The window that asked hears the same result, once.
    ASSERT_TRUE(told.wait(5000));
    EXPECT_EQ(told.takeFirst().value(0).toBool(), GetParam().received.has_value());
    EXPECT_FALSE(told.wait(100));
}

INSTANTIATE_TEST_SUITE_P(Desktops, GoToWebBrowserTest, testing::ValuesIn(BrowserCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GoToWebTest, ProgramThatCannotStartFailsSilently) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    FakeBrowserSession session;
    session.RegisterMissingProgram();
    TGoToWeb launcher;
    launcher.SetEMail(QStringLiteral("x@example.invalid"));
    EXPECT_EQ(Outcome(launcher.OpenUrl()), false);
    EXPECT_EQ(Outcome(launcher.OpenEMail()), false);
}

// A session bus that never answers holds the start for good, on its own thread: the caller gets
// its answer-to-be at once, a second request meanwhile starts nothing, and the program still
// ends (its own process would otherwise be killed at the deadline).
TEST(GoToWebTest, HungSessionBusHoldsOneStartThatNothingWaitsFor) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    FakeBrowserSession session;
    session.Register("%u");
    session.HangSessionBus();
    TGoToWeb launcher;
    launcher.SetUrl(QString::fromStdString(kUrl));
    const std::future<bool> held = launcher.OpenUrl();
    ASSERT_TRUE(session.ClientWaitsOnTheBus());
    EXPECT_EQ(held.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    std::future<bool> meanwhile = launcher.OpenEMail();
    ASSERT_EQ(meanwhile.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_FALSE(meanwhile.get());
}

}  // namespace
}  // namespace chiffrel
