#include "platform/qt/event_rules.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <cctype>
#include <ostream>
#include <stdexcept>
#include <string>

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
        QApplication::setActiveWindow(&window_);
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

TEST(ShortcutPrecedence, AMenuShortcutWinsOverTheFocusedLineEdit) {
    QMainWindow window;
    auto* edit = new QLineEdit(&window);
    window.setCentralWidget(edit);
    auto* configure = window.menuBar()->addMenu("&Fichiers")->addAction("&Configurer");
    configure->setShortcut(QKeySequence("Ctrl+C"));
    int triggered = 0;
    OnUserTrigger(configure, [&] { ++triggered; });
    GiveMenuShortcutsPrecedence(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->setText("123");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(triggered, 1);
}

// An Escape that a menu or the menu bar takes is theirs, as in any window: only one that reaches
// the window with no menu active runs the window's key.
struct EscapeRow {
    const char* opening;
    int escapesUntilTheWindowKeyRuns;
    friend void PrintTo(const EscapeRow& row, std::ostream* out) { *out << row.opening; }
};

class EscapeAfterAMenu : public testing::TestWithParam<EscapeRow> {
  protected:
    EscapeAfterAMenu() {
        window_.setCentralWidget(edit_);
        fichiers_ = window_.menuBar()->addMenu("&Fichiers");
        fichiers_->addAction("&Configurer");
        popup_.addAction("Co&pier");
        OnWindowKey(&window_, Qt::Key_Escape, [this] { ++windowKeyRuns_; });
        GiveMenuShortcutsPrecedence(&window_);
        window_.show();
        QApplication::setActiveWindow(&window_);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
        edit_->setFocus();
        QTest::keyClicks(edit_, "100");
    }

    // Where the keyboard is: an open menu, else the window's focused widget.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup ? popup : QApplication::focusWidget(), key, modifiers);
    }

    void Open(const std::string& opening) {
        if (opening == "Alt+F") {
            Press(Qt::Key_F, Qt::AltModifier);
        } else if (opening == "click on the menu title") {
            QMenuBar* bar = window_.menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {},
                              bar->actionGeometry(fichiers_->menuAction()).center());
        } else if (opening == "pop-up menu") {
            popup_.popup(edit_->mapToGlobal(QPoint(5, 5)));
        }
        if (opening != "nothing") {
            ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        }
    }

    QMainWindow window_;
    QLineEdit* edit_ = new QLineEdit;
    QMenu* fichiers_ = nullptr;
    QMenu popup_;
    int windowKeyRuns_ = 0;
};

TEST_P(EscapeAfterAMenu, RunsTheWindowKeyOnlyOnceNoMenuHasTheKeyboard) {
    Open(GetParam().opening);
    int escapes = 0;
    while (windowKeyRuns_ == 0 && escapes < 5) {
        Press(Qt::Key_Escape);
        ++escapes;
    }
    EXPECT_EQ(escapes, GetParam().escapesUntilTheWindowKeyRuns);
    EXPECT_EQ(windowKeyRuns_, 1);
    EXPECT_EQ(edit_->text(), "100");
}

INSTANTIATE_TEST_SUITE_P(Openings, EscapeAfterAMenu,
                         testing::Values(EscapeRow{"nothing", 1},
                                         // The menu closes, then the menu bar lets the keyboard go.
                                         EscapeRow{"Alt+F", 3},
                                         EscapeRow{"click on the menu title", 3},
                                         EscapeRow{"pop-up menu", 2}),
                         [](const testing::TestParamInfo<EscapeRow>& row) {
                             std::string name = row.param.opening;
                             std::erase_if(name, [](char c) {
                                 return !std::isalnum(static_cast<unsigned char>(c));
                             });
                             return name;
                         });

}  // namespace
}  // namespace chiffrel::ui
