#include "forms/event_rules.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <stdexcept>

#include "engine/float_error.h"
#include "tests/support/error_boxes.h"
#include "tests/support/qt_printers.h"

namespace chiffrel::ui {
namespace {

using testing_support::ErrorBoxes;

class Window : public testing::Test {
  protected:
    Window() {
        layout_ = new QVBoxLayout(&window_);
        window_.resize(300, 200);
    }
    template <class W>
    W* Add() {
        auto* w = new W(&window_);
        layout_->addWidget(w);
        return w;
    }
    void Show() {
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }
    QWidget window_;
    QVBoxLayout* layout_;
    ErrorBoxes errors_;
};

TEST_F(Window, ProgramTextRunsTheChangeHandlerOnceAndOnlyWhenTheTextDiffers) {
    auto* edit = Add<QLineEdit>();
    QStringList seen;
    OnUserEdit(edit, [&] { seen.append(edit->text()); });
    SetText(edit, "12");
    SetText(edit, "12");
    SetText(edit, "");
    EXPECT_EQ(seen, (QStringList{"12", ""}));
}

TEST_F(Window, TypingRunsTheChangeHandlerAtEveryKeystroke) {
    auto* edit = Add<QLineEdit>();
    Show();
    QStringList seen;
    OnUserEdit(edit, [&] { seen.append(edit->text()); });
    edit->setFocus();
    QTest::keyClicks(edit, "100");
    EXPECT_EQ(seen, (QStringList{"1", "10", "100"}));
}

TEST_F(Window, CheckingFromCodeRunsTheClickHandlerOnlyForAnUncheckedButton) {
    auto* first = Add<QRadioButton>();
    auto* second = Add<QRadioButton>();
    first->setChecked(true);
    int firstClicks = 0;
    int secondClicks = 0;
    OnUserCheck(first, [&] { ++firstClicks; });
    OnUserCheck(second, [&] { ++secondClicks; });
    Check(first);
    EXPECT_EQ(firstClicks, 0);
    Check(second);
    EXPECT_EQ(secondClicks, 1);
    EXPECT_FALSE(first->isChecked());
    Uncheck(second);
    EXPECT_FALSE(second->isChecked());
    EXPECT_EQ(firstClicks + secondClicks, 1);
}

TEST_F(Window, AUserClickOnTheCheckedButtonRunsNothing) {
    auto* first = Add<QRadioButton>();
    first->setText("un");
    auto* second = Add<QRadioButton>();
    second->setText("deux");
    Show();
    int clicks = 0;
    OnUserCheck(first, [&] { ++clicks; });
    OnUserCheck(second, [&] { ++clicks; });
    const QPoint indicator(8, second->height() / 2);  // a radio button reacts on its circle
    QTest::mouseClick(second, Qt::LeftButton, {}, indicator);
    QTest::mouseClick(second, Qt::LeftButton, {}, indicator);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(second->isChecked());
}

TEST_F(Window, ProgramSliderAndPageChangesRunNothing) {
    auto* slider = Add<QSlider>();
    slider->setRange(0, 1);
    auto* pages = Add<QTabWidget>();
    auto* page1 = new QWidget;
    auto* page2 = new QWidget;
    pages->addTab(page1, "1");
    pages->addTab(page2, "2");
    int changes = 0;
    OnUserMove(slider, [&] { ++changes; });
    OnUserPageChange(pages, [&] { ++changes; });
    SetPosition(slider, 1);
    SetActivePage(pages, page2);
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(pages->currentWidget(), page2);
    EXPECT_EQ(changes, 0);
    Show();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Down);  // the user's move
    EXPECT_EQ(changes, 1);
}

TEST_F(Window, AFaultInANestedHandlerStopsTheOuterHandlerAndIsShownOnce) {
    auto* outer = Add<QLineEdit>();
    auto* inner = Add<QLineEdit>();
    auto* label = Add<QLineEdit>();
    OnUserEdit(inner, [] { throw FloatOverflow(); });
    OnUserEdit(outer, [&] {
        SetText(inner, outer->text());
        SetText(label, "not reached");
    });
    Show();
    outer->setFocus();
    QTest::keyClicks(outer, "9");
    EXPECT_EQ(errors_.shown, QStringList{"Débordement flottant."});
    EXPECT_EQ(label->text(), "");
}

TEST_F(Window, EnterRunsForTheUsersTabAndProgramMovesButNotForQtsOwn) {
    auto* first = Add<QLineEdit>();
    auto* field = Add<QLineEdit>();
    int enters = 0;
    OnFocusEnter(field, [&] { ++enters; });
    Show();
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(enters, 1);
    MoveFocus(field);  // already there: no move, no enter
    EXPECT_EQ(enters, 1);
    MoveFocus(first);
    MoveFocus(field);
    EXPECT_EQ(enters, 2);
    // Hiding the focused control makes Qt move the focus on with a Tab reason.
    first->setFocus();
    ShowControl(first, false);
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(enters, 2);
}

TEST_F(Window, TypingLimitStopsTheUserButNeverTheProgram) {
    auto* edit = Add<QLineEdit>();
    LimitTyping(edit, 9);
    Show();
    edit->setFocus();
    QTest::keyClicks(edit, "12345678901");
    EXPECT_EQ(edit->text(), "123456789");
    SetText(edit, "1234567.89");
    EXPECT_EQ(edit->text(), "1234567.89");
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(edit->text(), "1234567.89");  // no growth beyond what the program set
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "1234567.");
    QTest::keyClicks(edit, "55");
    EXPECT_EQ(edit->text(), "1234567.5");
}

// A window whose menu shortcuts take precedence over the focused line edit's keys, and whose
// Escape key runs a handler of the window's own.
class ShortcutPrecedence : public testing::Test {
  protected:
    ShortcutPrecedence() {
        window_.setCentralWidget(edit_);
        QAction* configure = window_.menuBar()->addMenu("&Fichiers")->addAction("&Configurer");
        configure->setShortcut(QKeySequence("Ctrl+C"));
        OnUserTrigger(configure, [this] { ++triggered_; });
        OnWindowKey(&window_, Qt::Key_Escape, [this] { ++windowEscapes_; });
        GiveMenuShortcutsPrecedence(&window_);
        window_.show();
        window_.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
        edit_->setFocus();
        edit_->setText("123");
    }

    QMainWindow window_;
    QLineEdit* edit_ = new QLineEdit;
    int triggered_ = 0;
    int windowEscapes_ = 0;
};

TEST_F(ShortcutPrecedence, AMenuShortcutWinsOverTheFocusedLineEdit) {
    edit_->selectAll();
    QTest::keyClick(edit_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(triggered_, 1);
}

// An Escape that a menu or the menu bar takes is theirs, as in any window: the first closes the
// menu, the second leaves the menu bar, and only the third reaches the window.
TEST_F(ShortcutPrecedence, EscapeLeavesTheMenuAndTheMenuBarBeforeTheWindowTakesIt) {
    QTest::keyClick(edit_, Qt::Key_F, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    for (int escape = 1; escape <= 3; ++escape) {
        EXPECT_EQ(windowEscapes_, 0) << "before Escape " << escape;
        QWidget* menu = QApplication::activePopupWidget();
        QTest::keyClick(menu ? menu : QApplication::focusWidget(), Qt::Key_Escape);
    }
    EXPECT_EQ(windowEscapes_, 1);
    EXPECT_EQ(edit_->text(), "123");
}

}  // namespace
}  // namespace chiffrel::ui
