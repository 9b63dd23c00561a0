#pragma once

// How the windows of Chiffrel see events. The handlers of every window were written for a window
// system where a change made by the program raises the same events as the user's own change;
// Qt's signals differ, so the windows connect Qt's signals only for what the user does and make
// every change of their own through the helpers below, which call the handlers directly:
//
//  1. Setting an edit field's text runs its change handler, only when the text differs.
//  2. Setting a label's text, or showing or hiding a control, runs nothing.
//  3. Checking a radio button that was not checked runs its click handler; checking a checked
//     one, or unchecking one, runs nothing.
//  4. Setting a slider's position or the active page runs nothing: only the user's moves do.
//  5. Checking a menu item of a radio group unchecks the others.
//  6. Moving the focus into a field runs its enter handler, when the user moves it there (mouse,
//     Tab, Backtab) or the program does; Qt's own focus moves (page change, hidden control,
//     window reactivation, closed pop-up) run nothing.
//  7. An error stops the handler chain where it was raised and is shown in the error box; the
//     program goes on with the next event. Every handler connected here runs inside the guard
//     of error_and_modal.h.

#include <QString>
#include <Qt>
#include <functional>

#include "forms/error_and_modal.h"

class QAbstractButton;
class QAbstractSlider;
class QAction;
class QLineEdit;
class QTabWidget;
class QWidget;

namespace chiffrel::ui {

// ---- What the user does: Qt signals, each run inside the guard -----------------------------

void OnUserEdit(QLineEdit* edit, Handler change);          // typing, pasting, undo
void OnUserClick(QAbstractButton* button, Handler click);  // push buttons
void OnUserCheck(QAbstractButton* radio, Handler click);   // a radio button checked
void OnUserMove(QAbstractSlider* slider, Handler change);  // the user's slider moves
void OnUserPageChange(QTabWidget* pages, Handler change);  // the user's tab change
void OnUserTrigger(QAction* action, Handler triggered);    // menu items and shortcuts
void OnFocusEnter(QWidget* field, Handler enter);          // focus moved in by the user

// A key that runs `pressed` wherever the keyboard is in `window`, with no menu item of its own.
// An open menu, and the menu bar while the user walks it, keep the keys they take: Escape first
// closes the menu, then leaves the menu bar, and only the next one runs `pressed`.
void OnWindowKey(QWidget* window, Qt::Key key, Handler pressed);

// A mouse click on a widget that has no click signal of its own (labels, edit fields).
void OnMouseClick(QWidget* widget, Handler click);

// Runs `keyPress` for each key the user types in the field, before the field handles it
// (the key is never swallowed). `keyPress` receives the typed character, '\r' for both Enter keys.
void OnKeyPress(QWidget* field, std::function<void(QChar typed)> keyPress);

// ---- Changes made by the program ----------------------------------------------------------

void SetText(QLineEdit* edit, const QString& text);    // rule 1
void Check(QAbstractButton* radio);                    // rule 3
void Uncheck(QAbstractButton* radio);                  // rule 3
void SetPosition(QAbstractSlider* slider, int value);  // rule 4
void SetActivePage(QTabWidget* pages, QWidget* page);  // rule 4
void ShowControl(QWidget* widget, bool shown);         // rule 2
void CheckMenuItem(QAction* item);                     // rule 5 (the item's action group)
void MoveFocus(QWidget* field);                        // rule 6

// A typing limit: the user cannot type or paste the field's text beyond `maxChars`; texts set
// by the program are never cut, and deleting from a longer text always works.
void LimitTyping(QLineEdit* edit, int maxChars);

// Alt with a letter is an access key: in the fields of `form` it never types, also when the
// control it would press is hidden or disabled. Alt with Ctrl (AltGr on some systems) still types.
void KeepAltKeysOutOfFields(QWidget* form);

// Menu shortcuts of `window` take precedence over the focused field's own keys (a line edit
// claims Ctrl+C for copying; in these windows Ctrl+C is a menu command), not over the keys the
// menu bar claims while the user walks it.
void GiveMenuShortcutsPrecedence(QWidget* window);

}  // namespace chiffrel::ui
