#pragma once

// What screen readers learn beyond what Qt tells them of the standard controls: labels that
// stand for a choice or for a link, menu titles named otherwise than by their text, changed
// names and descriptions actually spoken, announcements, sliders told in words, and updates that
// reach them once per event; and where Qt 6.4 misleads them, the program's own view of line
// edits, panels, tab bars, menu items and read-only rich texts.

#include <QObject>
#include <QStringList>
#include <functional>

class QAbstractSlider;
class QMenuBar;

namespace chiffrel::ui {

// Gives screen readers the program's own view of its choice and link labels (choice_label.h,
// link_label.h), of menu bar titles (a title whose menu has an accessible name is called by that
// name) and of the controls Qt 6.4 presents amiss: a line edit whose text loses its end, a panel
// taken for a window, tabs that all claim the keyboard, menu items whose shortcuts go unsaid, a
// text browser seen as a label. Installed by the first of the labels; a window installs it before
// its controls exist.
void InstallAccessibleInterfaces();

// The menus of `bar` are named by their titles, unless they have names of their own; a screen
// reader hears the name of a menu as it opens, with its first item.
void NameMenusByTitles(QMenuBar* bar);

// Set what screen readers call a widget and what they say of it. A change of the focused widget's
// name or description is spoken, so a field can tell its user what their typing led to.
void SetSpokenName(QWidget* widget, const QString& name);
void SetSpokenDescription(QWidget* widget, const QString& description);

// Has a screen reader speak `message` once the event under way is handled, as a word from the
// control that then has the keyboard (the only one whose words are spoken): the result of a
// change made from a radio button, what a command did. Nothing is shown or stored.
void Announce(const QString& message);

// The positions of `slider` stand for `words` (the texts of the labels beside it, by position):
// screen readers hear the words of its position, when it gets the keyboard and at each move.
void SetPositionWords(QAbstractSlider* slider, const QStringList& words);

// Runs `update` once after the event under way is handled, however many times it was asked for
// during that event: a screen reader then hears the final state once, not every step to it.
class OncePerEvent {
  public:
    // `context` lives at least as long as this object; the update is dropped with it.
    OncePerEvent(QObject* context, std::function<void()> update);

    void Request();

  private:
    QObject* context_;
    std::function<void()> update_;
    bool pending_ = false;
};

}  // namespace chiffrel::ui
