#include <gtest/gtest.h>

#include <QFile>
#include <QTextDocument>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "help/help_text_bounds.h"
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

struct BoundsCase {
    const char* name;
    std::string html;
    std::string given;  // what Qt's reader is given of it
};

void PrintTo(const BoundsCase& c, std::ostream* os) {
    *os << c.name;
}

class HelpTextBoundsTest : public testing::TestWithParam<BoundsCase> {};

TEST_P(HelpTextBoundsTest, KeepsWhatQtLaysOutAtOnce) {
    EXPECT_EQ(BoundedHelpText(QString::fromStdString(GetParam().html)).toStdString(),
              GetParam().given);
}

const std::string kTableLevel = "<table><tr><td>";

INSTANTIATE_TEST_SUITE_P(
    Rules, HelpTextBoundsTest,
    testing::Values(
        // Eight levels: two tables with their rows and cells, a third table and its row; the
        // cells and tables below are left out, the rows go back into the third table.
        BoundsCase{"NestedTablesStopAtTheBound", Repeated(kTableLevel, 4) + "x",
                   Repeated(kTableLevel, 2) + "<table><tr><tr>x"},
        BoundsCase{"UnclosedDivisionsCount", Repeated("<div>", 10) + "x",
                   Repeated("<div>", 8) + "x"},
        // Qt puts a lone cell in a table and a row of its own: three levels.
        BoundsCase{"TableAndRowQtAddsCount", Repeated("<div>", 6) + "<td>x",
                   Repeated("<div>", 6) + "x"},
        BoundsCase{"QuotedNamesCount", Repeated("<\"DIV\">", 10) + "x",
                   Repeated("<\"DIV\">", 8) + "x"},
        // Closed divisions free their level; paragraphs, list items and cells that Qt closes go
        // beside each other.
        BoundsCase{"ElementsSideBySideStay",
                   Repeated("<div>a</div>", 10) + Repeated("<p>a", 10) + Repeated("<li>b", 10) +
                       "<table><tr>" + Repeated("<td>a", 10),
                   Repeated("<div>a</div>", 10) + Repeated("<p>a", 10) + Repeated("<li>b", 10) +
                       "<table><tr>" + Repeated("<td>a", 10)},
        BoundsCase{"TagsInQuotedValuesAreText",
                   Repeated("<div>", 7) + "<a title=\"<div>\">x</a><div>y",
                   Repeated("<div>", 7) + "<a title=\"<div>\">x</a><div>y"},
        BoundsCase{"ElementsBeyondTheTotalAreLeftOut", Repeated("<b>x</b>", kMaxHelpElements + 3),
                   Repeated("<b>x</b>", kMaxHelpElements) + "xxx"},
        BoundsCase{"SpansWithinTheBoundStay", "<table><tr><th colspan=4 rowspan='2'>x",
                   "<table><tr><th colspan=4 rowspan='2'>x"},
        BoundsCase{"SpansBeyondTheBoundAreIgnored",
                   "<table><tr><td colspan=5 width=3>a<td rowspan=\"99999999999\">b",
                   "<table><tr><td x=\"1\" width=3>a<td x=\"1\">b"},
        BoundsCase{"SpanWithAReferenceIsIgnored", "<td colspan=&#50;>x", "<td x=\"1\">x"},
        // The tag still ends where it did: "rows" takes no value.
        BoundsCase{"IgnoredSpanLeavesTheTagAsItReads", "<td rows colspan=9=\"<div>\">x",
                   "<td rows x=\"1\"=\"<div>\">x"},
        BoundsCase{"NameWithAReferenceIsLeftOut", "<t&#97;ble><tr><td>x", "<tr><td>x"},
        BoundsCase{"CloseTagsQtIgnoresAreLeftOut", "<p>a</br>b</div>c</>d", "<p>abcd"},
        BoundsCase{"NamelessTagsAreLeftOut", "<!-- <div> --><>x< >y", "<!-- <div> -->xy"},
        // Qt would put each table after the last cell of the first inside the one before.
        BoundsCase{"TablesTooDeepInTheDocumentAreLeftOut",
                   "<table><tr><td>a</td></tr><div>" +
                       Repeated("<table><tr><td>b</td></tr></table>", kMaxHelpTableDepth + 1),
                   "a<div>" + Repeated("b", kMaxHelpTableDepth + 1)},
        BoundsCase{"OnlyACopiedFragmentIsRead",
                   Repeated("<div>", 8) + "<!--StartFragment--><div>x<!--EndFragment-->",
                   "<!--StartFragment--><div>x"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string ProgramHelp() {
    std::ifstream file(CHIFFREL_HELP_FILE, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(HelpTextBoundsTest, ProgramHelpIsGivenWhole) {
    const std::string help = ProgramHelp();
    ASSERT_FALSE(help.empty());
    ASSERT_LE(help.size(), kHelpFileCapacity);
    const QString html = QString::fromStdString(help);
    EXPECT_EQ(BoundedHelpText(html), html);
}

// ---- Hostile help files ----

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
    EXPECT_LE(TableDepth(*viewer.Window()->document()->rootFrame()), kMaxHelpTableDepth);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HostileHelpTest,
    testing::Values(HostileHelp{"ThreeThousandNestedTables", 0, Repeated(kTableLevel, 3000)},
                    // The end of a file larger than the capacity is never read.
                    HostileHelp{"JustBeyondTheCapacity",
                                static_cast<std::streamoff>(kHelpFileCapacity), "<p>fin</p>"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace chiffrel::ui
