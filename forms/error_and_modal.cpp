#include "forms/error_and_modal.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <exception>
#include <utility>

namespace chiffrel::ui {

namespace {

QString& Title() {
    static QString title;
    return title;
}

// A message may quote a print server, a file name or a file's content: enough of it to fit the
// screen is shown, with an ellipsis where it was cut.
constexpr qsizetype kBoxCharacters = 500;
constexpr qsizetype kBoxLines = 12;
// Beyond this many characters without a space, a line may break anywhere: a word wider than the
// box would widen it past the screen.
constexpr qsizetype kUnbrokenRun = 60;

QString BreakableAnywhere(const QString& text) {
    QString breakable;
    qsizetype run = 0;
    for (const QChar character : text) {
        breakable += character;
        run = character.isSpace() ? 0 : run + 1;
        if (run >= kUnbrokenRun && !character.isHighSurrogate()) {
            breakable += QChar(0x200B);  // zero width space: a place to break the line
            run = 0;
        }
    }
    return breakable;
}

QString BoundedForBox(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString bounded = QStringList(lines.mid(0, kBoxLines)).join(QLatin1Char('\n'));
    if (lines.size() > kBoxLines || bounded.size() > kBoxCharacters) {
        bounded = bounded.left(kBoxCharacters) + QChar(0x2026);
    }
    return BreakableAnywhere(bounded);
}

// A message box over the active window, titled with the application title, with one OK button.
// Its text is never read as markup.
void ShowBox(QMessageBox::Icon icon, const QString& text) {
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(icon, ApplicationTitle(), QString(), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setText(BoundedForBox(text));
    ExecModal(box, owner);
}

MessagePresenter& CurrentMessagePresenter() {
    static MessagePresenter presenter = [](const QString& text) {
        ShowBox(QMessageBox::NoIcon, text);
    };
    return presenter;
}

ErrorPresenter& CurrentPresenter() {
    static ErrorPresenter presenter = [](const QString& text) {
        ShowBox(QMessageBox::Critical, text);
    };
    return presenter;
}

}  // namespace

void SetApplicationTitle(const QString& title) {
    Title() = title;
}

QString ApplicationTitle() {
    return Title();
}

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().isLetterOrNumber()) {
        return message + QLatin1Char('.');
    }
    return message;
}

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter) {
    return std::exchange(CurrentPresenter(), std::move(presenter));
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    return std::exchange(CurrentMessagePresenter(), std::move(presenter));
}

void ShowMessage(const QString& text) {
    CurrentMessagePresenter()(text);
}

bool Guarded(const Handler& entry) noexcept {
    try {
        entry();
        return true;
    } catch (const std::exception& error) {
        CurrentPresenter()(ErrorBoxText(QString::fromUtf8(error.what())));
        return false;
    }
}

void ExecModal(QDialog& dialog, QWidget* owner) {
    const QPointer<QWidget> keyboardOwner = owner;
    dialog.exec();
    if (keyboardOwner && keyboardOwner->isVisible()) {
        keyboardOwner->raise();
        keyboardOwner->activateWindow();
    }
}

}  // namespace chiffrel::ui
