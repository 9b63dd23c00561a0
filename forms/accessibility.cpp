#include "forms/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>

#include "forms/choice_label.h"
#include "forms/link_label.h"

namespace chiffrel::ui {

namespace {

// Qt 6.4's AT-SPI bridge (Debian 12's Qt) tells assistive tools of a new name or description
// with a reference to the object in place of the new text (AtSpiAdaptor::notify, the NameChanged
// and DescriptionChanged cases), and screen readers then have nothing to speak. Later Qt releases
// send the text itself (the 6.8 sources do): with such a Qt this workaround goes. Until then the
// change is told again, with its text, on the connection to the accessibility bus that Qt's
// bridge keeps under the name "a11y" (there is none while no assistive tool listens).
void SendChangedText(QWidget* widget, const char* property, const QString& text) {
    const QDBusConnection bus(QStringLiteral("a11y"));
    QAccessibleInterface* const object = QAccessible::queryAccessibleInterface(widget);
    if (!bus.isConnected() || object == nullptr) {
        return;
    }
    // The paths of the bridge: the application at "root", every other object at its id.
    const QString prefix = QStringLiteral("/org/a11y/atspi/accessible/");
    const QString path = prefix + QString::number(QAccessible::uniqueId(object));
    QDBusMessage change = QDBusMessage::createSignal(
        path, QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("PropertyChange"));
    QDBusArgument application;
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(prefix + QStringLiteral("root"));
    application.endStructure();
    change << QString::fromLatin1(property) << 0 << 0 << QVariant::fromValue(QDBusVariant(text))
           << QVariant::fromValue(application);
    bus.send(change);
}

// Screen readers speak the changes of the widget that has the focus, and only those.
void TellFocusedChange(QWidget* widget, const char* property, const QString& text) {
    if (widget->hasFocus()) {
        SendChangedText(widget, property, text);
    }
}

// A left click in the middle of the widget, seen by its event filters as the user's own.
void ClickMiddle(QWidget* widget) {
    const QPointF middle = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(middle);
    QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// A label that acts when clicked: named by its text, pressed by a click in its middle.
class ClickableLabelInterface : public QAccessibleWidget {
  public:
    ClickableLabelInterface(QLabel* label, QAccessible::Role role)
        : QAccessibleWidget(label, role) {}

    // Named by its own text, not by a label or frame around it as Qt names a plain widget.
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<const QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << pressAction();
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            ClickMiddle(widget());
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }
};

class ChoiceInterface : public ClickableLabelInterface {
  public:
    explicit ChoiceInterface(ChoiceLabel* label)
        : ClickableLabelInterface(label, QAccessible::RadioButton) {}

    QAccessible::State state() const override {
        QAccessible::State state = ClickableLabelInterface::state();
        state.checkable = true;
        state.checked = static_cast<const ChoiceLabel*>(widget())->IsChosen();
        return state;
    }
};

class LinkInterface : public ClickableLabelInterface {
  public:
    explicit LinkInterface(LinkLabel* label) : ClickableLabelInterface(label, QAccessible::Link) {}

    QAccessible::State state() const override {
        QAccessible::State state = ClickableLabelInterface::state();
        state.linked = true;
        return state;
    }
};

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
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QMenu* Menu() const { return title_->menu<QMenu*>(); }

    QPointer<QAction> title_;
    QPointer<QMenuBar> bar_;
};

QMenuBar* MenuBarOf(const QAction& action) {
    for (QObject* shownIn : action.associatedObjects()) {
        if (auto* bar = qobject_cast<QMenuBar*>(shownIn)) {
            return bar;
        }
    }
    return nullptr;
}

// Asked for each class of an object, most derived first: our labels are answered by their own
// class name, before Qt's interface for plain labels.
QAccessibleInterface* OurInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String(ChoiceLabel::staticMetaObject.className())) {
        return new ChoiceInterface(static_cast<ChoiceLabel*>(object));
    }
    if (className == QLatin1String(LinkLabel::staticMetaObject.className())) {
        return new LinkInterface(static_cast<LinkLabel*>(object));
    }
    if (className == QLatin1String("QAction")) {
        auto* action = static_cast<QAction*>(object);
        const QMenu* menu = action->menu<QMenu*>();
        QMenuBar* bar = MenuBarOf(*action);
        if (menu != nullptr && bar != nullptr && !menu->accessibleName().isEmpty()) {
            return new MenuTitleInterface(action, bar);
        }
    }
    return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(OurInterfaces);
        return true;
    }();
    (void)installed;
}

// Qt tells every setting of a name or description as a change, even to the same text.
void SetSpokenName(QWidget* widget, const QString& name) {
    if (widget->accessibleName() != name) {
        widget->setAccessibleName(name);
        TellFocusedChange(widget, "accessible-name", name);
    }
}

void SetSpokenDescription(QWidget* widget, const QString& description) {
    if (widget->accessibleDescription() != description) {
        widget->setAccessibleDescription(description);
        TellFocusedChange(widget, "accessible-description", description);
    }
}

OncePerEvent::OncePerEvent(QObject* context, std::function<void()> update)
    : context_(context), update_(std::move(update)) {}

void OncePerEvent::Request() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QMetaObject::invokeMethod(
        context_,
        [this] {
            pending_ = false;
            update_();
        },
        Qt::QueuedConnection);
}

}  // namespace chiffrel::ui
