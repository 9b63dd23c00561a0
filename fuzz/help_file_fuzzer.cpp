// Any bytes as the help file, shown at any context number the way the help window shows it:
// Qt's HTML reader lays the text out in a hidden browser and looks for the topic's anchor.
// Only crashes, sanitizer reports and hangs are looked for.
#include <stdlib.h>

#include <QApplication>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/qt/help_viewer.h"

namespace {

chiffrel::ui::HelpBrowser* browser = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(*argc, *argv);
    static chiffrel::ui::HelpBrowser window;
    window.resize(520, 420);
    browser = &window;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the context number, the rest is the file.
    const int context = size > 0 ? data[0] : 1;
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    chiffrel::ui::ShowHelpText(*browser, html.substr(html.empty() ? 0 : 1), context);
    return 0;
}
