#pragma once

// How the program's errors and messages reach the user, and how its modal windows are shown:
// the guard around every entry point (an error stops the handler chain where it was raised and
// is shown in the error box; the program goes on with the next event), the message boxes, and
// the keyboard coming back to the window that opened a modal one. A box shows its text as
// written, never as markup, and only as much of it as fits the screen: messages quote print
// servers, file names and files.

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace chiffrel::ui {

using Handler = std::function<void()>;

// The application title: the main window's title, which the desktop shows on the task bar, and
// the title of the message boxes. It is not Qt's application display name: Qt would append that
// one to the title of every other window ("Configuration — Chiffrel").
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// The text of the error box: the message, with a full stop when it ends with a letter or digit.
QString ErrorBoxText(const QString& message);

// How the error box is shown. The default opens a critical message box titled with the
// application title and one OK button; tests put a recorder in its place.
using ErrorPresenter = std::function<void(const QString& text)>;
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);

// A plain message box titled with the application title, with one OK button and no icon.
// Tests put a recorder in its place too.
using MessagePresenter = std::function<void(const QString& text)>;
MessagePresenter SetMessagePresenter(MessagePresenter presenter);
void ShowMessage(const QString& text);

// Runs one entry point (a user event, a timer, a window's creation or activation). An error
// stops it and is shown; returns false when that happened. Nothing escapes into Qt.
bool Guarded(const Handler& entry) noexcept;

// Shows `dialog` modally and waits until it closes; then `owner`, when it is still shown, takes
// the keyboard back: without a window manager no window gets it by itself. Runs no activation
// handler; the caller runs its own where the rules ask for one.
void ExecModal(QDialog& dialog, QWidget* owner);

}  // namespace chiffrel::ui
