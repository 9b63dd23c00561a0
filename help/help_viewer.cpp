#include "help/help_viewer.h"

#include <QImage>
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
    browser.scrollToAnchor(QStringLiteral("contexte-%1").arg(context));
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
