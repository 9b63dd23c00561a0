#pragma once

// What the main window's menus do beyond Qt's own: F1 in an open menu asks for the help on the
// highlighted item, and a pop-up menu opens centred on the click that asked for it.

#include <QPoint>
#include <functional>
#include <initializer_list>

class QMenu;
class QObject;
class QWidget;

namespace chiffrel {

// The help topic of the main window as a whole.
inline constexpr int kWindowHelpContext = 1;

// F1 in one of `menus`, while it is open, closes it and runs `showHelp` (inside the guard) with
// the highlighted item's topic, else the menu's, else the window's. Menus and items with a topic
// of their own carry it in their "helpContext" property. `owner` keeps the key's handling alive.
void GiveMenusTheHelpKey(QObject* owner, std::initializer_list<QMenu*> menus,
                         std::function<void(int context)> showHelp);

// Opens `menu` centred on the point `at` of `source`, where the user asked for it.
void PopUpCentred(QMenu* menu, QWidget* source, const QPoint& at);

}  // namespace chiffrel
