#pragma once

// What screen readers learn of the menus beyond Qt's own view: a menu bar title is called by the
// name of its menu, and a menu item gives its shortcut in the form a screen reader speaks.

#include <QAccessibleInterface>

class QAction;

namespace chiffrel::ui {

// The program's own interface of a menu bar title whose menu has a name, or of a menu item;
// nothing for any other action.
QAccessibleInterface* MenuActionInterface(QAction* action);

}  // namespace chiffrel::ui
