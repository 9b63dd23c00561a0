#include "forms/accessibility.h"

#include <QAbstractSlider>
#include <QAccessible>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMenu>
#include <QMenuBar>

#include "forms/accessible_interfaces.h"

namespace chiffrel::ui {

namespace {

// Qt 6.4's AT-SPI bridge (Debian 12's Qt) tells assistive tools of a new name or description
// with a reference to the object in place of the new text (AtSpiAdaptor::notify, the NameChanged
// and DescriptionChanged cases), and screen readers then have nothing to speak. Later Qt releases
// send the text itself (the 6.8 sources do): with such a Qt this workaround goes. Until then the
// change is told again, with its text, on the connection to the accessibility bus that Qt's
// bridge keeps under the name "a11y" (there is none while no assistive tool listens).
void SendChangedText(QAccessibleInterface* object, const char* property, const QString& text) {
    const QDBusConnection bus(QStringLiteral("a11y"));
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
        SendChangedText(QAccessible::queryAccessibleInterface(widget), property, text);
    }
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

void NameMenusByTitles(QMenuBar* bar) {
    InstallAccessibleInterfaces();
    for (QAction* title : bar->actions()) {
        QMenu* const menu = title->menu<QMenu*>();
        if (menu == nullptr) {
            continue;
        }
        if (menu->accessibleName().isEmpty()) {
            menu->setAccessibleName(QString(title->text()).remove(u'&'));
        }
    }
}

// Told as a new description of the focused control, which screen readers speak of any control
// (Qt 6.4 has no announcement of its own, and Orca 43 hears none of later Qt's), on the channel
// above; the control's own description stays as it is.
void Announce(const QString& message) {
    QMetaObject::invokeMethod(
        qApp,
        [message] {
            if (QWidget* const focused = QApplication::focusWidget()) {
                SendChangedText(QAccessible::queryAccessibleInterface(focused),
                                "accessible-description", message);
            }
        },
        Qt::QueuedConnection);
}

void SetPositionWords(QAbstractSlider* slider, const QStringList& words) {
    InstallAccessibleInterfaces();
    slider->setProperty(kPositionWords, words);
    // An interface made before (a name given by the form makes one) is Qt's: it goes, and the
    // next request makes the slider's own.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(slider);
        made != nullptr && made->role() == QAccessible::Slider &&
        made->valueInterface() != nullptr) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
    QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [slider] {
        TellFocusedChange(slider, "accessible-description", SpokenPosition(*slider));
    });
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
