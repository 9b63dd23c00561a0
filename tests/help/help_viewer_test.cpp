#include <gtest/gtest.h>

#include <QFile>
#include <QTextDocument>
#include <QTextFrame>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "help/help_markup.h"
#include "help/help_viewer.h"
#include "tests/support/own_process.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel::ui {
namespace {

namespace fs = std::filesystem;

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int time = 0; time < times; ++time) {
        repeated += text;
    }
    return repeated;
}

// ---- What Qt is given of a help text ----

struct MarkupCase {
    const char* name;
    std::string html;
    std::string given;  // what Qt's reader is given of it
};

void PrintTo(const MarkupCase& c, std::ostream* os) {
    *os << c.name;
}

class HelpMarkupTest : public testing::TestWithParam<MarkupCase> {};

TEST_P(HelpMarkupTest, GivesQtOnlyMarkupOfTheProgramsOwn) {
    EXPECT_EQ(HelpMarkup(QString::fromStdString(GetParam().html)).toStdString(), GetParam().given);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HelpMarkupTest,
    testing::Values(
        MarkupCase{"ShownElementsLoseTheirAttributes",
                   "<H1 class=x><a href='file:///dev/zero' name='contexte-6'>T</a></h1>"
                   "<p style='line-height:100000000%'>a<br/>b<i>c</i></p><ol><li>d</ol>",
                   "<h1><a name=\"contexte-6\"></a>T</h1><p>a<br>b<i>c</i></p><ol><li>d</li></ol>"},
        MarkupCase{"OtherTagsLeaveTheirText",
                   "<table><tr><td><img src=\"/dev/zero\">a<span title='>'>b</span></table><div>c",
                   "abc"},
        MarkupCase{"HiddenTextIsLeftOut",
                   "<!DOCTYPE html><head><title>T</title><style>b b {}</style></head><!-- <p> -->x",
                   "x"},
        MarkupCase{"TextIsWrittenEscaped", "a &lt;b&gt; &amp;c & d <3 &#65;&#x42;&eacute;&#0;",
                   "a &lt;b&gt; &amp;c &amp; d &lt;3 AB&amp;eacute;&amp;#0;"},
        MarkupCase{"NestingIsBoundedAndClosed", "<ul><ul><ul><ul><li>x<b><b><i>y</p><p>z",
                   "<ul><ul><ul><li>x<b><i>y</i></b><p>z</p></li></ul></ul></ul>"},
        MarkupCase{"OnlyContextAnchorsStay", "<a name=\"contexte-1x\">a</a><a name=contexte-12>b",
                   "a<a name=\"contexte-12\"></a>b"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string ProgramHelp() {
    std::ifstream file(CHIFFREL_HELP_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The program's own help reads as it is written.
TEST(HelpMarkupTest, ProgramHelpMakesTheSameDocument) {
    const std::string help = ProgramHelp();
    ASSERT_FALSE(help.empty());
    ASSERT_LE(help.size(), kHelpFileCapacity);
    QTextDocument written;
    written.setHtml(QString::fromStdString(help));
    written.setMetaInformation(QTextDocument::DocumentTitle, {});
    QTextDocument given;
    given.setHtml(HelpMarkup(QString::fromStdString(help)));
    EXPECT_EQ(given.toHtml(), written.toHtml());
}

// ---- Hostile help files ----

const std::string kTableLevel = "<table><tr><td>";

const std::string kAnchors =
    "<a name=\"contexte-1\"></a><a name=\"contexte-6\"></a><a name=\"contexte-7\"></a>début";

struct HostileHelp {
    const char* name;
    std::streamoff at;  // where the text goes, when not right after the anchors and "début"
    std::string text;
};

void PrintTo(const HostileHelp& c, std::ostream* os) {
    *os << c.name;
}

class HostileHelpTest : public testing::TestWithParam<HostileHelp> {};

// Each in its own process, with a deadline: such a file once froze the window for minutes, or
// crashed the program.
TEST_P(HostileHelpTest, ShowsAtOnce) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    const testing_support::ScratchDirectory directory("help");
    const fs::path help = directory.path() / "chiffrel.hlp";
    {
        std::ofstream file(help, std::ios::binary);
        file << kAnchors;
        if (GetParam().at > 0) {
            file.seekp(GetParam().at);
        }
        file << GetParam().text;
    }
    HelpViewer viewer;
    viewer.ShowTopic(QString::fromStdString(help.string()), 1);
    viewer.Window()->grab();  // lays the whole text out and paints it
    EXPECT_TRUE(viewer.Window()->isVisible());
    EXPECT_TRUE(viewer.Window()->toPlainText().startsWith(QStringLiteral("début")));
    EXPECT_FALSE(viewer.Window()->toPlainText().contains(QStringLiteral("fin")));
    EXPECT_TRUE(viewer.Window()->document()->rootFrame()->childFrames().isEmpty()) << "a table";
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileHelpTest,
    testing::Values(HostileHelp{"ThreeThousandNestedTables", 0, Repeated(kTableLevel, 3000)},
                    HostileHelp{"StyleSheetOverNestedBold", 0,
                                "<style>" + Repeated("b ", 2000) + "{color:red}</style>" +
                                    Repeated("<b>", 2000)},
                    HostileHelp{"LineHeightBeyondAnyScreen", 0,
                                "<p style='line-height:100000000%'>a<br></p>"},
                    // The end of a file larger than the capacity is never read.
                    HostileHelp{"JustBeyondTheCapacity",
                                static_cast<std::streamoff>(kHelpFileCapacity), "<p>fin</p>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace chiffrel::ui
