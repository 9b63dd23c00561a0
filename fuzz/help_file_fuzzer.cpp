// Any bytes as the help file, shown at any context number the way the help window shows it:
// Qt's HTML reader lays the text out in a hidden help browser and looks for the topic's anchor.
// Qt itself is not instrumented, so that coverage cannot guide the mutations inside its reader:
// each input is also shown spliced into the program's own help file, so that every execution
// reads a whole real document with foreign bytes in it. Only crashes, sanitizer reports and
// hangs are looked for.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/qt/help_viewer.h"

namespace {

chiffrel::ui::HelpBrowser* browser = nullptr;
std::string programHelp;

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
    chiffrel::ui::ShowHelpText(*browser, bytes, context);
    chiffrel::ui::ShowHelpText(*browser, std::string(programHelp).insert(at, bytes), context);
    return 0;
}
