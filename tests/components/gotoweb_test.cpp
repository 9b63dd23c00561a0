#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/GoToWeb.h"
#include "tests/components/fake_browser.h"

namespace chiffrel {
namespace {

// ---- Splitting a registered command ----

struct SplitCase {
    const char* name;
    std::string command;
    std::string program;
    std::string arguments;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitBrowserCommandTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitBrowserCommandTest, GivesProgramAndFixedArguments) {
    const BrowserCommand split = SplitBrowserCommand(GetParam().command);
    EXPECT_EQ(split.program, GetParam().program);
    EXPECT_EQ(split.arguments, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    WindowsCommands, SplitBrowserCommandTest,
    testing::Values(
        SplitCase{"ArgumentAndPlaceholder", R"(C:\WEB\BROWSE.EXE -h %1)", R"(C:\WEB\BROWSE.EXE)",
                  "-h"},
        SplitCase{"ProgramAlone", R"(C:\WEB\BROWSE.EXE)", R"(C:\WEB\BROWSE.EXE)", ""},
        SplitCase{"LowerCaseEnding", R"(C:\Web\browse.exe %1)", R"(C:\Web\browse.exe)", ""},
        SplitCase{"QuotedProgramAndPlaceholder",
                  R"("C:\Program Files\Web\browse.exe" -nohome "%1")",
                  R"(C:\Program Files\Web\browse.exe)", "-nohome"},
        SplitCase{"QuotedPlaceholder", R"(C:\WEB\BROWSE.EXE -h "%1")", R"(C:\WEB\BROWSE.EXE)",
                  "-h"},
        SplitCase{"BatchFile", R"(C:\WEB\START.BAT /new %1)", R"(C:\WEB\START.BAT)", "/new"},
        SplitCase{"ComFile", R"(C:\WEB\B.Com %1)", R"(C:\WEB\B.Com)", ""},
        SplitCase{"RightmostEndingWins", R"(C:\WEB\BROWSE.EXE -log C:\TMP\LOG.EXE %1)",
                  R"(C:\WEB\BROWSE.EXE -log C:\TMP\LOG.EXE)", ""},
        SplitCase{"ControlCharactersAround", "C:\\WEB\\BROWSE.EXE\t-h %1\r\n",
                  R"(C:\WEB\BROWSE.EXE)", "-h"},
        SplitCase{"PlaceholderInsideAWord", R"(C:\B.EXE -url=%1 -x %2)", R"(C:\B.EXE)",
                  "-url= -x"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ExecLines, SplitBrowserCommandTest,
    testing::Values(SplitCase{"FieldCodeOnly", "firefox-esr %u", "firefox-esr", ""},
                    SplitCase{"FixedArgument", "/usr/bin/chromium --new-window %U",
                              "/usr/bin/chromium", "--new-window"},
                    SplitCase{"QuotedProgram", R"("/opt/My Browser/browse" --flag "%u")",
                              "/opt/My Browser/browse", "--flag"},
                    SplitCase{"EscapedQuoteInProgram", R"("/opt/a\"b/browse" %u)",
                              R"(/opt/a"b/browse)", ""},
                    SplitCase{"EveryFieldCodeGoes", "web %i %c %k --x %F", "web", "--x"},
                    SplitCase{"BlanksAround", "  web\t", "web", ""},
                    SplitCase{"UnclosedQuote", R"("/opt/web --x)", "/opt/web --x", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Searching the registry ----

// A registry in memory that records which keys were opened, in order, and which are still open.
class MemoryRegistry final : public FileTypeRegistry {
  public:
    explicit MemoryRegistry(std::map<std::string, std::optional<std::string>> keys) {
        for (auto& [path, value] : keys) {
            keys_[Lower(path)] = std::move(value);
        }
    }

    std::optional<Key> OpenKey(std::string_view path) override {
        opened_.emplace_back(path);
        if (!keys_.contains(Lower(path))) {
            return std::nullopt;
        }
        handles_.emplace_back(path);
        ++openCount_;
        return static_cast<Key>(handles_.size() - 1);
    }
    std::optional<Key> OpenSubKey(Key parent, std::string_view subPath) override {
        return OpenKey(handles_.at(static_cast<std::size_t>(parent)) + "\\" + std::string(subPath));
    }
    std::optional<std::string> QueryDefaultValue(Key key) override {
        return keys_.at(Lower(handles_.at(static_cast<std::size_t>(key))));
    }
    void CloseKey(Key) override { ++closeCount_; }

    const std::vector<std::string>& opened() const { return opened_; }
    int stillOpen() const { return openCount_ - closeCount_; }

  private:
    static std::string Lower(std::string_view text) {
        std::string lower(text);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return lower;
    }

    std::map<std::string, std::optional<std::string>> keys_;
    std::vector<std::string> handles_;
    std::vector<std::string> opened_;
    int openCount_ = 0;
    int closeCount_ = 0;
};

struct SearchCase {
    const char* name;
    std::map<std::string, std::optional<std::string>> keys;
    std::string command;
    std::vector<std::string> opened;
};

const std::string kLongest(kRegistryValueCapacity, 'x');
const std::string kTooLong(kRegistryValueCapacity + 1, 'x');
const std::vector<std::string> kEveryExtension = {".HTM", ".HTML", ".SHTML", ".SHTM"};

std::vector<SearchCase> SearchCases() {
    return {
        {"NothingRegistered", {}, "", kEveryExtension},
        {"TypeCommandFirst",
         {{".htm", "htmlfile"},
          {"htmlfile\\shell\\open\\command", "type"},
          {".htm\\shell\\open\\command", "own"}},
         "type",
         {".HTM", "htmlfile\\shell\\open\\command"}},
        {"OwnCommandWhenTheTypeHasNone",
         {{".htm", "htmlfile"}, {".htm\\shell\\open\\command", "own"}},
         "own",
         {".HTM", "htmlfile\\shell\\open\\command", ".HTM\\shell\\open\\command"}},
        {"OwnCommandWhenTheTypeCommandIsEmpty",
         {{".htm", "htmlfile"},
          {"htmlfile\\shell\\open\\command", ""},
          {".htm\\shell\\open\\command", "own"}},
         "own",
         {".HTM", "htmlfile\\shell\\open\\command", ".HTM\\shell\\open\\command"}},
        {"EmptyTypeNameGoesStraightToTheOwnCommand",
         {{".htm", ""}, {".htm\\shell\\open\\command", "own"}},
         "own",
         {".HTM", ".HTM\\shell\\open\\command"}},
        {"ExtensionWithoutValueIsSkipped",
         {{".htm", std::nullopt},
          {".htm\\shell\\open\\command", "own"},
          {".html", "htmlfile"},
          {"htmlfile\\shell\\open\\command", "html"}},
         "html",
         {".HTM", ".HTML", "htmlfile\\shell\\open\\command"}},
        {"LastExtension",
         {{".shtm", "ssi"}, {"ssi\\shell\\open\\command", "ssi"}},
         "ssi",
         {".HTM", ".HTML", ".SHTML", ".SHTM", "ssi\\shell\\open\\command"}},
        {"EmptyOwnCommandGoesOn",
         {{".htm", ""}, {".htm\\shell\\open\\command", ""}},
         "",
         {".HTM", ".HTM\\shell\\open\\command", ".HTML", ".SHTML", ".SHTM"}},
        {"LongestValueIsTaken",
         {{".htm", "htmlfile"}, {"htmlfile\\shell\\open\\command", kLongest}},
         kLongest,
         {".HTM", "htmlfile\\shell\\open\\command"}},
        {"LongerCommandCountsAsMissing",
         {{".htm", "htmlfile"},
          {"htmlfile\\shell\\open\\command", kTooLong},
          {".htm\\shell\\open\\command", "own"}},
         "own",
         {".HTM", "htmlfile\\shell\\open\\command", ".HTM\\shell\\open\\command"}},
        {"LongerTypeNameCountsAsMissing",
         {{".htm", kTooLong}, {".html", ""}, {".html\\shell\\open\\command", "own"}},
         "own",
         {".HTM", ".HTML", ".HTML\\shell\\open\\command"}},
    };
}

void PrintTo(const SearchCase& c, std::ostream* os) {
    *os << c.name;
}

class FindBrowserCommandTest : public testing::TestWithParam<SearchCase> {};

TEST_P(FindBrowserCommandTest, SearchesInOrderAndClosesEveryKey) {
    MemoryRegistry registry(GetParam().keys);
    EXPECT_EQ(FindBrowserCommand(registry), GetParam().command);
    EXPECT_EQ(registry.opened(), GetParam().opened);
    EXPECT_EQ(registry.stillOpen(), 0);
}

INSTANTIATE_TEST_SUITE_P(Registries, FindBrowserCommandTest, testing::ValuesIn(SearchCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Starting the browser ----

using testing_support::FakeBrowserSession;
using Arguments = std::vector<std::string>;

TEST(GoToWebTest, DefaultsAndShowCommands) {
    TGoToWeb launcher;
    EXPECT_EQ(launcher.Url(), "");
    EXPECT_EQ(launcher.EMail(), "");
    EXPECT_EQ(launcher.EMailSubject(), "");
    EXPECT_EQ(launcher.BrowserState(), TGoToWeb::gwMaximized);
    EXPECT_EQ(TGoToWeb::ShowCommandOf(TGoToWeb::gwMaximized), 3);
    EXPECT_EQ(TGoToWeb::ShowCommandOf(TGoToWeb::gwNormal), 1);
}

TEST(GoToWebTest, StartsTheRegisteredBrowserWithTheAddressAsLastArgument) {
    FakeBrowserSession session;
    session.Register("--new-window %u");
    TGoToWeb launcher;
    launcher.SetUrl(QStringLiteral("http://www.example.invalid/a b?c=d&e;f"));
    launcher.SetEMail(QStringLiteral("x@example.invalid"));

    EXPECT_EQ(launcher.GetBrowser().toStdString(), session.ScriptPath().string());
    EXPECT_EQ(TGoToWeb::BrowserArgs(), "--new-window");

    ASSERT_TRUE(launcher.OpenUrl());
    EXPECT_EQ(session.NextArguments(),
              (Arguments{"--new-window", "http://www.example.invalid/a b?c=d&e;f"}));
    ASSERT_TRUE(launcher.OpenEMail());
    EXPECT_EQ(session.NextArguments(),
              (Arguments{"--new-window", "mailto:x@example.invalid?subject="}));
}

TEST(GoToWebTest, FailsSilentlyWithoutABrowser) {
    FakeBrowserSession session;
    session.Register("--kept %u");
    TGoToWeb launcher;
    ASSERT_FALSE(launcher.GetBrowser().isEmpty());
    ASSERT_EQ(TGoToWeb::BrowserArgs(), "--kept");
    {
        FakeBrowserSession empty;
        EXPECT_FALSE(launcher.OpenUrl());
        EXPECT_FALSE(launcher.OpenEMail());
        // Nothing found: the arguments of the last browser found stay.
        EXPECT_EQ(TGoToWeb::BrowserArgs(), "--kept");
        empty.RegisterMissingProgram();
        EXPECT_FALSE(launcher.OpenUrl());
    }
}

}  // namespace
}  // namespace chiffrel
