#include "forms/event_rules.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QValidator>
#include <algorithm>

namespace chiffrel::ui {

namespace {

// Counts the program's own layout and focus changes under way: Qt moves the focus by itself
// while they run, and those moves must not look like the user's.
int programFocusMoves = 0;

class ProgramFocusMove {
  public:
    ProgramFocusMove() { ++programFocusMoves; }
    ~ProgramFocusMove() { --programFocusMoves; }
    ProgramFocusMove(const ProgramFocusMove&) = delete;
    ProgramFocusMove& operator=(const ProgramFocusMove&) = delete;
};

// The handlers a widget's events run, kept on the widget itself so they live as long as it.
class EventHooks : public QObject {
  public:
    explicit EventHooks(QObject* owner) : QObject(owner) {
        setObjectName(QStringLiteral("chiffrel-event-hooks"));
        owner->installEventFilter(this);
    }

    Handler change;
    Handler click;
    Handler enter;
    Handler mouseClick;
    std::function<void(QChar)> keyPress;
    bool altKeysKeptOut = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::FocusIn:
                OnFocusIn(static_cast<QFocusEvent*>(event));
                break;
            case QEvent::KeyPress:
                if (altKeysKeptOut && TypesWithAlt(*static_cast<QKeyEvent*>(event))) {
                    return true;  // no access key took it: dropped, never typed
                }
                OnKey(static_cast<QKeyEvent*>(event));
                break;
            case QEvent::MouseButtonRelease:
                OnMouseRelease(watched, static_cast<QMouseEvent*>(event));
                break;
            default:
                break;
        }
        return false;
    }

  private:
    // A character typed with Alt held. Ctrl with Alt is AltGr on some systems ("€"): it types.
    static bool TypesWithAlt(const QKeyEvent& key) {
        const Qt::KeyboardModifiers held = key.modifiers();
        return held.testFlag(Qt::AltModifier) && !held.testFlag(Qt::ControlModifier) &&
               !key.text().isEmpty() && key.text().front().isPrint();
    }

    void OnFocusIn(const QFocusEvent* event) const {
        const Qt::FocusReason reason = event->reason();
        const bool userMove = reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
                              reason == Qt::BacktabFocusReason;
        if (enter && userMove && programFocusMoves == 0) {
            Guarded(enter);
        }
    }

    void OnKey(const QKeyEvent* event) const {
        if (!keyPress) {
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            Guarded([this] { keyPress(QLatin1Char('\r')); });
        } else if (!event->text().isEmpty()) {
            const QChar typed = event->text().front();
            Guarded([this, typed] { keyPress(typed); });
        }
    }

    void OnMouseRelease(QObject* watched, const QMouseEvent* event) const {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (mouseClick && widget && event->button() == Qt::LeftButton &&
            widget->rect().contains(event->position().toPoint())) {
            Guarded(mouseClick);
        }
    }
};

// The hooks have no meta-object of their own, which Qt 6.8's findChild<EventHooks*> requires.
EventHooks* ExistingHooksOf(QObject* object) {
    return dynamic_cast<EventHooks*>(object->findChild<QObject*>(
        QStringLiteral("chiffrel-event-hooks"), Qt::FindDirectChildrenOnly));
}

EventHooks* HooksOf(QObject* object) {
    EventHooks* hooks = ExistingHooksOf(object);
    return hooks ? hooks : new EventHooks(object);
}

void RunIfSet(const Handler& handler) {
    if (handler) {
        handler();
    }
}

// Accepts what the user types while the text stays within the limit, or shrinks. A text the
// program sets is allowed whatever its length: the limit then follows it until it shrinks.
class TypingLimit : public QValidator {
  public:
    TypingLimit(int maxChars, QObject* parent) : QValidator(parent), maxChars_(maxChars) {}

    void AllowProgramText(qsizetype length) { allowed_ = std::max<qsizetype>(maxChars_, length); }

    State validate(QString& input, int&) const override {
        if (input.size() > allowed_) {
            return Invalid;
        }
        allowed_ = std::max<qsizetype>(maxChars_, input.size());
        return Acceptable;
    }

  private:
    qsizetype maxChars_;
    mutable qsizetype allowed_ = maxChars_;
};

// Lets a window's menu shortcuts through before the focused widget can claim their keys.
class ShortcutPrecedence : public QObject {
  public:
    explicit ShortcutPrecedence(QWidget* window) : QObject(window), window_(window) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        // The menu bar has the keyboard only while the user walks it, after Escape out of one of
        // its menus or Alt: the keys it claims then (Escape leaves it) are its own.
        if (!widget || widget->window() != window_ || qobject_cast<QMenuBar*>(widget)) {
            return false;
        }
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : window_->findChildren<QAction*>()) {
            if (action->isEnabled() && action->shortcut() == pressed &&
                action->shortcutContext() != Qt::WidgetShortcut) {
                event->ignore();  // not the widget's: the shortcut map takes it
                return true;
            }
        }
        return false;
    }

  private:
    QWidget* window_;
};

}  // namespace

void OnUserEdit(QLineEdit* edit, Handler change) {
    HooksOf(edit)->change = change;
    QObject::connect(edit, &QLineEdit::textEdited, edit, [change] { Guarded(change); });
}

void OnUserClick(QAbstractButton* button, Handler click) {
    QObject::connect(button, &QAbstractButton::clicked, button, [click] { Guarded(click); });
}

void OnUserCheck(QAbstractButton* radio, Handler click) {
    HooksOf(radio)->click = click;
    QObject::connect(radio, &QAbstractButton::toggled, radio, [click](bool checked) {
        if (checked) {
            Guarded(click);
        }
    });
}

void OnUserMove(QAbstractSlider* slider, Handler change) {
    QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [change] { Guarded(change); });
}

void OnUserPageChange(QTabWidget* pages, Handler change) {
    QObject::connect(pages, &QTabWidget::currentChanged, pages, [change] { Guarded(change); });
}

void OnUserTrigger(QAction* action, Handler triggered) {
    QObject::connect(action, &QAction::triggered, action, [triggered] { Guarded(triggered); });
}

void OnWindowKey(QWidget* window, Qt::Key key, Handler pressed) {
    auto* action = new QAction(window);
    action->setShortcut(key);
    window->addAction(action);
    OnUserTrigger(action, std::move(pressed));
}

void OnFocusEnter(QWidget* field, Handler enter) {
    HooksOf(field)->enter = std::move(enter);
}

void OnMouseClick(QWidget* widget, Handler click) {
    HooksOf(widget)->mouseClick = std::move(click);
}

void OnKeyPress(QWidget* field, std::function<void(QChar)> keyPress) {
    HooksOf(field)->keyPress = std::move(keyPress);
}

void SetText(QLineEdit* edit, const QString& text) {
    if (edit->text() == text) {
        return;
    }
    auto* validator = edit->findChild<QValidator*>(QString(), Qt::FindDirectChildrenOnly);
    if (auto* limit = dynamic_cast<TypingLimit*>(validator)) {
        limit->AllowProgramText(text.size());
    }
    {
        const QSignalBlocker blocker(edit);
        edit->setText(text);
    }
    if (const EventHooks* hooks = ExistingHooksOf(edit)) {
        RunIfSet(hooks->change);
    }
}

void Check(QAbstractButton* radio) {
    if (radio->isChecked()) {
        return;
    }
    {
        const QSignalBlocker blocker(radio);
        radio->setChecked(true);  // auto-exclusive: unchecks the other buttons of its parent
    }
    if (const EventHooks* hooks = ExistingHooksOf(radio)) {
        RunIfSet(hooks->click);
    }
}

void Uncheck(QAbstractButton* radio) {
    if (!radio->isChecked()) {
        return;
    }
    const QSignalBlocker blocker(radio);
    // An auto-exclusive button refuses to be unchecked while it is the checked one.
    const bool exclusive = radio->autoExclusive();
    radio->setAutoExclusive(false);
    radio->setChecked(false);
    radio->setAutoExclusive(exclusive);
}

void SetPosition(QAbstractSlider* slider, int value) {
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void SetActivePage(QTabWidget* pages, QWidget* page) {
    const QSignalBlocker blocker(pages);
    const ProgramFocusMove focusMove;
    pages->setCurrentWidget(page);
}

void ShowControl(QWidget* widget, bool shown) {
    const ProgramFocusMove focusMove;
    widget->setVisible(shown);
}

void CheckMenuItem(QAction* item) {
    item->setChecked(true);
}

void MoveFocus(QWidget* field) {
    if (field->window()->focusWidget() == field) {
        return;
    }
    {
        const ProgramFocusMove focusMove;
        field->setFocus(Qt::OtherFocusReason);
    }
    if (const EventHooks* hooks = ExistingHooksOf(field)) {
        RunIfSet(hooks->enter);
    }
}

void KeepAltKeysOutOfFields(QWidget* form) {
    for (QLineEdit* field : form->findChildren<QLineEdit*>()) {
        HooksOf(field)->altKeysKeptOut = true;
    }
}

void LimitTyping(QLineEdit* edit, int maxChars) {
    edit->setValidator(new TypingLimit(maxChars, edit));
}

void GiveMenuShortcutsPrecedence(QWidget* window) {
    new ShortcutPrecedence(window);
}

}  // namespace chiffrel::ui
