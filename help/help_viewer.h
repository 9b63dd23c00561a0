#pragma once

#include <QString>
#include <QTextBrowser>
#include <cstddef>
#include <memory>
#include <string_view>

namespace chiffrel::ui {

// A browser that shows the help text alone. The help's markup names no other file; should Qt still
// ask for one, it gets an empty picture or text, never the file itself (a help file replaced by
// someone else could name anything).
class HelpBrowser : public QTextBrowser {
  public:
    QVariant loadResource(int type, const QUrl& name) override;
};

// The most bytes of a help file shown, its beginning: as much as Qt lays out at once even when
// it is one line without a break, and five times the program's own help.
inline constexpr std::size_t kHelpFileCapacity = 16 * 1024;

// Shows the HTML text of a help file in `browser`, at the anchor "contexte-N" of the context: its
// first kHelpFileCapacity bytes, as HelpMarkup writes them again.
void ShowHelpText(HelpBrowser& browser, std::string_view html, int context);

// The program's help window: an HTML help file with one anchor "contexte-N" per context number,
// shown in a browser window of its own. Nothing is read until a topic is asked for.
class HelpViewer {
  public:
    HelpViewer();
    ~HelpViewer();
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;

    // Shows the topic with that context number; throws a ProgramError when the file is missing
    // or is anything but a regular file.
    void ShowTopic(const QString& helpFile, int context);

    // The window, once a topic has been shown.
    HelpBrowser* Window() const { return window_.get(); }

  private:
    std::unique_ptr<HelpBrowser> window_;
};

}  // namespace chiffrel::ui
