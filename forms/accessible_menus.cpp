#include "forms/accessible_menus.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace chiffrel::ui {

namespace {

// The title of a menu in a menu bar, named by its menu's accessible name rather than by its
// text: a title such as "?" says nothing once spoken. Otherwise as Qt's own menu bar items.
class MenuTitleInterface : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    MenuTitleInterface(QAction* title, QMenuBar* bar) : title_(title), bar_(bar) {}

    bool isValid() const override { return !title_.isNull() && !bar_.isNull(); }
    QObject* object() const override { return title_; }
    QWindow* window() const override { return bar_->window()->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(bar_);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(Menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == Menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QAccessibleInterface* menu = child(0);
        return menu != nullptr && menu->rect().contains(x, y) ? menu : nullptr;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return Menu()->accessibleName();
        }
        if (kind == QAccessible::Accelerator) {
            return QKeySequence::mnemonic(title_->text()).toString();
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return bar_->actionGeometry(title_).translated(bar_->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !bar_->isVisible() || !title_->isVisible();
        state.focused = bar_->activeAction() == title_;
        state.disabled = !title_->isEnabled();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType kind) override {
        return kind == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName != showMenuAction() || !title_->isEnabled()) {
            return;
        }
        if (Menu()->isVisible()) {
            Menu()->hide();
        } else {
            bar_->setActiveAction(title_);
        }
    }
    // The access key in the first of the three places screen readers read a key from.
    QStringList keyBindingsForAction(const QString&) const override {
        return {text(QAccessible::Accelerator) + QStringLiteral(";;")};
    }

  private:
    QMenu* Menu() const { return title_->menu<QMenu*>(); }

    QPointer<QAction> title_;
    QPointer<QMenuBar> bar_;
};

// An item of a drop-down or pop-up menu as Qt presents it, but for its keys: Qt tells its
// shortcut alone, where screen readers expect the access key, the path and the shortcut
// separated by semicolons, and take a lone key for the path, which they do not speak.
class MenuItemInterface : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    MenuItemInterface(QAction* item, QMenu* menu) : item_(item), menu_(menu) {}

    bool isValid() const override { return !item_.isNull() && !menu_.isNull(); }
    QObject* object() const override { return item_; }
    QWindow* window() const override { return menu_->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(menu_);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return QString(item_->text()).remove(u'&');
        }
        if (kind == QAccessible::Accelerator) {
            return item_->shortcut().toString(QKeySequence::NativeText);
        }
        if (kind == QAccessible::Description && OpensMenu()) {
            return QStringLiteral("Menu ") + menu_->accessibleName();
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return menu_->actionGeometry(item_).translated(menu_->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override {
        return item_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !menu_->isVisible() || !item_->isVisible();
        state.focusable = !item_->isSeparator();
        state.focused = menu_->activeAction() == item_;
        state.disabled = !item_->isEnabled();
        state.checkable = item_->isCheckable();
        state.checked = item_->isChecked();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType kind) override {
        return kind == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        return item_->isSeparator() ? QStringList() : QStringList{pressAction()};
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && item_->isEnabled()) {
            menu_->hide();
            item_->trigger();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override {
        return {QKeySequence::mnemonic(item_->text()).toString(QKeySequence::NativeText) +
                QStringLiteral(";;") + text(QAccessible::Accelerator)};
    }

  private:
    // The first item, where the keyboard lands as a menu opens, says which menu that is: screen
    // readers say nothing of a Qt menu itself.
    bool OpensMenu() const {
        return !menu_->accessibleName().isEmpty() && menu_->actions().value(0) == item_;
    }

    QPointer<QAction> item_;
    QPointer<QMenu> menu_;
};

QMenu* MenuOf(const QAction& action) {
    for (QObject* shownIn : action.associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(shownIn)) {
            return menu;
        }
    }
    return nullptr;
}

QMenuBar* MenuBarOf(const QAction& action) {
    for (QObject* shownIn : action.associatedObjects()) {
        if (auto* bar = qobject_cast<QMenuBar*>(shownIn)) {
            return bar;
        }
    }
    return nullptr;
}

}  // namespace

QAccessibleInterface* MenuActionInterface(QAction* action) {
    const QMenu* menu = action->menu<QMenu*>();
    QMenuBar* bar = MenuBarOf(*action);
    if (menu != nullptr && bar != nullptr && !menu->accessibleName().isEmpty()) {
        return new MenuTitleInterface(action, bar);
    }
    if (QMenu* shownIn = MenuOf(*action); menu == nullptr && shownIn != nullptr) {
        return new MenuItemInterface(action, shownIn);
    }
    return nullptr;
}

}  // namespace chiffrel::ui
