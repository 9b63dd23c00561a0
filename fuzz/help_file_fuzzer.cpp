// Any bytes as the help file, shown at any context number the way the help window shows it:
// HelpMarkup writes the markup again, Qt's HTML reader lays the text out in a hidden help browser
// and looks for the topic's anchor. Each input is also shown spliced into the program's own help
// file, so that every execution reads a whole real document with foreign bytes in it. Checked:
// the document shown holds no table, and the markup written again is the same when read once
// more. Crashes, sanitizer reports and hangs are looked for as well.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <QApplication>
#include <QTextDocument>
#include <QTextFrame>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/fuzz_check.h"
#include "help/help_markup.h"
#include "help/help_viewer.h"

namespace {

chiffrel::ui::HelpBrowser* browser = nullptr;
std::string programHelp;

void ShowAndCheck(const std::string& bytes, int context) {
    using chiffrel::fuzz::Require;
    chiffrel::ui::ShowHelpText(*browser, bytes, context);
    Require(browser->document()->rootFrame()->childFrames().isEmpty(), "no table", bytes);
    const std::string_view shown =
        std::string_view(bytes).substr(0, chiffrel::ui::kHelpFileCapacity);
    const QString markup = chiffrel::ui::HelpMarkup(
        QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())));
    Require(chiffrel::ui::HelpMarkup(markup) == markup, "the markup read again is the same", bytes);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    static chiffrel::ui::HelpBrowser window;
    window.resize(520, 420);
    browser = &window;
    std::ifstream file(CHIFFREL_HELP_FILE, std::ios::binary);
    programHelp.assign(std::istreambuf_iterator<char>(file), {});
    return 0;
}

// The input gives a context number, a place in the program's help file, and the bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int context = input.ConsumeIntegral<std::uint8_t>();
    const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, programHelp.size());
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    ShowAndCheck(bytes, context);
    ShowAndCheck(std::string(programHelp).insert(at, bytes), context);
    return 0;
}
