#include "mainwin/menu_behaviour.h"

#include <QKeyEvent>
#include <QMenu>
#include <utility>

#include "forms/error_and_modal.h"

namespace chiffrel {

namespace {

constexpr char kHelpContextProperty[] = "helpContext";

int HelpContextOf(const QObject* object) {
    return object != nullptr ? object->property(kHelpContextProperty).toInt() : 0;
}

int MenuHelpContext(const QMenu& menu) {
    if (const int item = HelpContextOf(menu.activeAction())) {
        return item;
    }
    if (const int own = HelpContextOf(&menu)) {
        return own;
    }
    return kWindowHelpContext;
}

bool IsHelpKey(const QEvent& event) {
    return event.type() == QEvent::KeyPress &&
           static_cast<const QKeyEvent&>(event).key() == Qt::Key_F1;
}

// Watches the menus for F1, before they take the key themselves.
class MenuHelpKey : public QObject {
  public:
    MenuHelpKey(QObject* owner, std::function<void(int)> showHelp)
        : QObject(owner), showHelp_(std::move(showHelp)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* menu = qobject_cast<QMenu*>(watched);
        if (menu == nullptr || !IsHelpKey(*event)) {
            return false;
        }
        const int context = MenuHelpContext(*menu);
        menu->close();
        ui::Guarded([this, context] { showHelp_(context); });
        return true;
    }

  private:
    std::function<void(int)> showHelp_;
};

}  // namespace

void GiveMenusTheHelpKey(QObject* owner, std::initializer_list<QMenu*> menus,
                         std::function<void(int context)> showHelp) {
    auto* helpKey = new MenuHelpKey(owner, std::move(showHelp));
    for (QMenu* menu : menus) {
        menu->installEventFilter(helpKey);
    }
}

void PopUpCentred(QMenu* menu, QWidget* source, const QPoint& at) {
    QPoint topLeft = source->mapToGlobal(at);
    topLeft.rx() -= menu->sizeHint().width() / 2;
    menu->popup(topLeft);
}

}  // namespace chiffrel
