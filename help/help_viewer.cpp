#include "help/help_viewer.h"

#include <QImage>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <optional>
#include <string>

#include "engine/program_error.h"
#include "forms/error_and_modal.h"
#include "forms/local_path.h"
#include "help/help_markup.h"
#include "platform/regular_file.h"

namespace chiffrel::ui {

namespace {

class HelpFileMissing : public ProgramError {
  public:
    explicit HelpFileMissing(const QString& path)
        : ProgramError(
              QStringLiteral("Le fichier d'aide %1 est introuvable").arg(path).toStdString()) {}
};

// Where the anchor named `name` is, else the beginning: the caret starts at the topic shown, and a
// screen reader reads on from there.
QTextCursor CursorAtAnchor(QTextDocument& document, const QString& name) {
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto part = block.begin(); !part.atEnd(); ++part) {
            if (part.fragment().charFormat().anchorNames().contains(name)) {
                cursor.setPosition(part.fragment().position());
                return cursor;
            }
        }
    }
    return cursor;
}

}  // namespace

HelpViewer::HelpViewer() = default;

HelpViewer::~HelpViewer() = default;

// Something rather than nothing: for nothing, Qt would read a local file itself.
QVariant HelpBrowser::loadResource(int type, const QUrl&) {
    if (type == QTextDocument::ImageResource) {
        QImage nothing(1, 1, QImage::Format_ARGB32);
        nothing.fill(Qt::transparent);
        return nothing;
    }
    return QByteArray();
}

void ShowHelpText(HelpBrowser& browser, std::string_view html, int context) {
    const std::string_view shown = html.substr(0, kHelpFileCapacity);
    browser.setHtml(
        HelpMarkup(QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()))));
    const QString topic = QStringLiteral("contexte-%1").arg(context);
    browser.setTextCursor(CursorAtAnchor(*browser.document(), topic));
    browser.scrollToAnchor(topic);
}

void HelpViewer::ShowTopic(const QString& helpFile, int context) {
    // Read again at every request, as the help file may have been replaced. Anything but a
    // regular file counts as missing.
    const std::optional<std::string> html = ReadRegularFile(LocalPath(helpFile), kHelpFileCapacity);
    if (!html) {
        throw HelpFileMissing(helpFile);
    }
    if (!window_) {
        window_ = std::make_unique<HelpBrowser>();
        window_->setObjectName(QStringLiteral("HelpViewer"));
        window_->setWindowTitle(QStringLiteral("Aide de %1").arg(ApplicationTitle()));
        window_->setOpenExternalLinks(false);
        // A caret the arrow keys move: screen readers read the help line by line from it.
        window_->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
        window_->verticalScrollBar()->setAccessibleName(QStringLiteral("Défilement de l'aide"));
        window_->resize(520, 420);
        // Closing the main window ends the program even while the help is open.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    ShowHelpText(*window_, *html, context);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace chiffrel::ui
