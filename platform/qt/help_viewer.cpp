#include "platform/qt/help_viewer.h"

#include <QApplication>
#include <QFile>
#include <QTextBrowser>

#include "engine/float_error.h"

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

void HelpViewer::ShowTopic(const QString& helpFile, int context) {
    QFile file(helpFile);
    if (!file.open(QIODevice::ReadOnly)) {
        throw HelpFileMissing(helpFile);
    }
    if (!window_) {
        window_ = std::make_unique<QTextBrowser>();
        window_->setObjectName(QStringLiteral("HelpViewer"));
        window_->setWindowTitle(
            QStringLiteral("Aide de %1").arg(QApplication::applicationDisplayName()));
        window_->setOpenExternalLinks(false);
        window_->resize(520, 420);
        // Closing the main window ends the program even while the help is open.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    // Read again at every request, as the help file may have been replaced.
    window_->setHtml(QString::fromUtf8(file.readAll()));
    window_->scrollToAnchor(QStringLiteral("contexte-%1").arg(context));
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace chiffrel::ui
