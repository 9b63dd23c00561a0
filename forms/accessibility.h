#pragma once

// What screen readers learn beyond what Qt tells them of the standard controls: labels that
// stand for a choice or for a link, menu titles named otherwise than by their text, changed
// names and descriptions actually spoken, and updates that reach them once per event.

#include <QObject>
#include <functional>

namespace chiffrel::ui {

// Gives screen readers the program's own view of its choice and link labels (choice_label.h,
// link_label.h) and of menu bar titles: a title whose menu has an accessible name is called by
// that name. Installed by the first of the labels; a window with a named menu title installs it
// before its menus are first shown.
void InstallAccessibleInterfaces();

// Set what screen readers call a widget and what they say of it. A change of the focused widget's
// name or description is spoken, so a field can tell its user what their typing led to.
void SetSpokenName(QWidget* widget, const QString& name);
void SetSpokenDescription(QWidget* widget, const QString& description);

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
