#include "forms/accessible_interfaces.h"

#include <QAbstractSlider>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QHash>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QSlider>
#include <QTabBar>
#include <QTextEdit>
#include <algorithm>

#include "forms/accessible_menus.h"
#include "forms/choice_label.h"
#include "forms/link_label.h"

namespace chiffrel::ui {

namespace {

QString PositionWords(const QAbstractSlider& slider) {
    return slider.property(kPositionWords).toStringList().value(slider.value());
}

}  // namespace

// What is said of a slider's position: the words alone would go unsaid where the slider's name
// holds them too (screen readers skip a description that repeats the name).
QString SpokenPosition(const QAbstractSlider& slider) {
    return QStringLiteral("Position : ") + PositionWords(slider);
}

namespace {

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

// A line edit as Qt presents it, but for the runs of its text's attributes: Qt 6.4 reports an
// empty run at each offset, and a screen reader that joins the runs reads the field without its
// last character ("10" for 100). Here the whole text is one run: a line edit has one format.
class LineEditInterface : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
  public:
    explicit LineEditInterface(QLineEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return Edit()->text();
        }
        const QString text = QAccessibleWidget::text(kind);
        return text.isEmpty() && kind == QAccessible::Description ? Edit()->placeholderText()
                                                                  : text;
    }
    void setText(QAccessible::Text kind, const QString& text) override {
        if (kind == QAccessible::Value) {
            Edit()->setText(text);
        } else {
            QAccessibleWidget::setText(kind, text);
        }
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = Edit()->isReadOnly();
        state.editable = !Edit()->isReadOnly();
        state.selectableText = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType kind) override {
        if (kind == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (kind == QAccessible::EditableTextInterface) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(kind);
    }

    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = std::max(characterCount(), offset);
        return {};
    }
    int characterCount() const override { return static_cast<int>(Edit()->text().size()); }
    QString text(int startOffset, int endOffset) const override {
        return Edit()->text().mid(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return Edit()->cursorPosition(); }
    void setCursorPosition(int position) override { Edit()->setCursorPosition(position); }
    int selectionCount() const override { return Edit()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* startOffset, int* endOffset) const override {
        const bool selected = index == 0 && Edit()->hasSelectedText();
        *startOffset = selected ? Edit()->selectionStart() : 0;
        *endOffset = selected ? Edit()->selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override { Edit()->deselect(); }
    void setSelection(int, int startOffset, int endOffset) override {
        Edit()->setSelection(startOffset, endOffset - startOffset);
    }
    // Measured from the caret, the one place inside the text that a line edit tells.
    QRect characterRect(int offset) const override {
        const QString shown = Edit()->text();
        if (offset < 0 || offset >= shown.size()) {
            return {};
        }
        const QFontMetrics metrics(Edit()->font());
        const QRect caret = Edit()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int left = caret.center().x() -
                         metrics.horizontalAdvance(shown.left(Edit()->cursorPosition())) +
                         metrics.horizontalAdvance(shown.left(offset));
        const QRect character(left, caret.top(), metrics.horizontalAdvance(shown.at(offset)),
                              caret.height());
        return character.translated(Edit()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
    }
    void scrollToSubstring(int, int endIndex) override { Edit()->setCursorPosition(endIndex); }

    void deleteText(int startOffset, int endOffset) override {
        Edit()->setText(Edit()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString& text) override {
        Edit()->setText(Edit()->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        Edit()->setText(Edit()->text().replace(startOffset, endOffset - startOffset, text));
    }

  private:
    QLineEdit* Edit() const { return static_cast<QLineEdit*>(widget()); }
};

// A slider whose positions stand for the words of the labels beside it (SetPositionWords): its
// value is told as those words, in its description, rather than as a number. It offers no
// numeric value at all, which screen readers would speak before the words.
class WordSliderInterface : public QAccessibleWidget {
  public:
    explicit WordSliderInterface(QAbstractSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return PositionWords(*static_cast<const QAbstractSlider*>(widget()));
        }
        if (kind == QAccessible::Description) {
            return SpokenPosition(*static_cast<const QAbstractSlider*>(widget()));
        }
        return QAccessibleWidget::text(kind);
    }
};

// A read-only rich text shown as a document that is read by line: Qt presents a text browser
// as a label, with no text and no caret a screen reader could follow.
class DocumentInterface : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit DocumentInterface(QTextEdit* view) : QAccessibleWidget(view, QAccessible::Document) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return widget()->windowTitle();
        }
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.selectableText = true;
        state.multiLine = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType kind) override {
        return kind == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(kind);
    }

    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = std::max(characterCount(), offset);
        return {};
    }
    int characterCount() const override { return static_cast<int>(View()->toPlainText().size()); }
    QString text(int startOffset, int endOffset) const override {
        return View()->toPlainText().mid(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return View()->textCursor().position(); }
    void setCursorPosition(int position) override { setSelection(0, position, position); }
    int selectionCount() const override { return View()->textCursor().hasSelection() ? 1 : 0; }
    void selection(int index, int* startOffset, int* endOffset) const override {
        const QTextCursor cursor = View()->textCursor();
        const bool selected = index == 0 && cursor.hasSelection();
        *startOffset = selected ? cursor.selectionStart() : 0;
        *endOffset = selected ? cursor.selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void setSelection(int, int startOffset, int endOffset) override {
        QTextCursor cursor = View()->textCursor();
        cursor.setPosition(startOffset);
        cursor.setPosition(endOffset, QTextCursor::KeepAnchor);
        View()->setTextCursor(cursor);
    }
    QRect characterRect(int offset) const override {
        QTextCursor at(View()->document());
        at.setPosition(offset);
        const QRect before = View()->cursorRect(at);
        at.movePosition(QTextCursor::NextCharacter);
        const QRect after = View()->cursorRect(at);
        const int width = after.top() == before.top() ? after.left() - before.left() : 1;
        return QRect(before.topLeft(), QSize(std::max(width, 1), before.height()))
            .translated(View()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return View()->cursorForPosition(View()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int startIndex, int) override {
        setCursorPosition(startIndex);
        View()->ensureCursorVisible();
    }

  private:
    QTextEdit* View() const { return static_cast<QTextEdit*>(widget()); }
};

// A panel that groups controls: not a window, as Qt's plain frames appear to screen readers.
QAccessibleInterface* PanelInterface(QFrame* frame) {
    const bool line = frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine;
    return new QAccessibleWidget(frame, line ? QAccessible::Separator : QAccessible::Grouping);
}

// One tab of a tab bar. Qt's own tabs all say they have the focus while their bar does not, and
// a screen reader then takes the current tab for the place of the keyboard: the field that has
// it is no longer heard. Here a tab has the focus only while its bar has it.
class TabInterface : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    TabInterface(QTabBar* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return !bar_.isNull() && index_ < bar_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bar_->window()->windowHandle(); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(bar_);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return QString(bar_->tabText(index_)).remove(u'&');
        }
        if (kind == QAccessible::Description) {
            return bar_->tabToolTip(index_);
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        return bar_->tabRect(index_).translated(bar_->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        const bool current = bar_->currentIndex() == index_;
        state.focusable = bar_->focusPolicy() != Qt::NoFocus;
        state.focused = current && bar_->hasFocus();
        state.selectable = true;
        state.selected = current;
        state.disabled = !bar_->isTabEnabled(index_);
        state.invisible = !bar_->isVisible() || !bar_->isTabVisible(index_);
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType kind) override {
        return kind == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            bar_->setCurrentIndex(index_);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<QTabBar> bar_;
    int index_;
};

// A tab bar with its tabs (TabInterface), named after the current one.
class TabBarInterface : public QAccessibleWidget {
  public:
    explicit TabBarInterface(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarInterface() override {
        for (const QAccessible::Id id : std::as_const(tabs_)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && Bar()->currentIndex() >= 0 &&
            widget()->accessibleName().isEmpty()) {
            return QString(Bar()->tabText(Bar()->currentIndex())).remove(u'&');
        }
        return QAccessibleWidget::text(kind);
    }
    int childCount() const override { return Bar()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= Bar()->count()) {
            return nullptr;
        }
        if (!tabs_.contains(index)) {
            auto* tab = new TabInterface(Bar(), index);
            tabs_.insert(index, QAccessible::registerAccessibleInterface(tab));
        }
        return QAccessible::accessibleInterface(tabs_.value(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto tab = tabs_.cbegin(); tab != tabs_.cend(); ++tab) {
            if (QAccessible::accessibleInterface(tab.value()) == child) {
                return tab.key();
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(Bar()->tabAt(Bar()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        return Bar()->hasFocus() ? child(Bar()->currentIndex()) : nullptr;
    }

  private:
    QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }

    mutable QHash<int, QAccessible::Id> tabs_;
};

}  // namespace

// Asked for each class of an object, most derived first: our labels are answered by their own
// class name, before Qt's interface for plain labels.
QAccessibleInterface* OurInterfaces(const QString& className, QObject* object) {
    if (className == QLatin1String(ChoiceLabel::staticMetaObject.className())) {
        return new ChoiceInterface(static_cast<ChoiceLabel*>(object));
    }
    if (className == QLatin1String(LinkLabel::staticMetaObject.className())) {
        return new LinkInterface(static_cast<LinkLabel*>(object));
    }
    if (className == QLatin1String("QLineEdit")) {
        return new LineEditInterface(static_cast<QLineEdit*>(object));
    }
    if (className == QLatin1String("QTextBrowser")) {
        return new DocumentInterface(static_cast<QTextEdit*>(object));
    }
    if (className == QLatin1String("QFrame")) {
        return PanelInterface(static_cast<QFrame*>(object));
    }
    if (className == QLatin1String("QTabBar")) {
        return new TabBarInterface(static_cast<QTabBar*>(object));
    }
    if (className == QLatin1String("QSlider") && object->property(kPositionWords).isValid()) {
        return new WordSliderInterface(static_cast<QSlider*>(object));
    }
    if (className == QLatin1String("QAction")) {
        return MenuActionInterface(static_cast<QAction*>(object));
    }
    return nullptr;
}

}  // namespace chiffrel::ui
