#include "forms/error_and_modal.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <exception>
#include <utility>

namespace chiffrel::ui {

namespace {

QString& Title() {
    static QString title;
    return title;
}

// A message box over the active window, titled with the application title, with one OK button.
void ShowBox(QMessageBox::Icon icon, const QString& text) {
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(icon, ApplicationTitle(), text, QMessageBox::Ok, owner);
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
