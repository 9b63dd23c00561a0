#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <memory>
#include <utility>

#include "mainwin/fmere.h"
#include "mainwin/program_context.h"
#include "tests/support/error_boxes.h"
#include "tests/support/qt_printers.h"

namespace chiffrel::testing_support {

// The help window, when it is shown.
inline QTextBrowser* HelpWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("HelpViewer") && window->isVisible()) {
            return qobject_cast<QTextBrowser*>(window);
        }
    }
    return nullptr;
}

// A main window opened on its own settings directory, driven like a user drives it.
class MainWindowTest : public testing::Test {
  protected:
    MainWindowTest() {
        EXPECT_TRUE(configHome_.isValid());
        qputenv("XDG_CONFIG_HOME", configHome_.path().toLocal8Bit());
    }

    ~MainWindowTest() override { qunsetenv("XDG_CONFIG_HOME"); }

    QString SettingsPath() const { return configHome_.filePath(QStringLiteral("CHIFFREL.INI")); }

    void WriteSettings(const QByteArray& content) {
        QFile file(SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void Open() {
        context_ = std::make_unique<ProgramContext>();
        window_ = std::make_unique<Tmere>(*context_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    template <class W>
    W* Find(const char* name) const {
        auto* widget = window_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }
    QLabel* Label(const char* name) const { return Find<QLabel>(name); }
    QRadioButton* Radio(const char* name) const { return Find<QRadioButton>(name); }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    QString Shown(const char* label) const { return Label(label)->text(); }
    QString Result() const { return Shown("Result"); }
    QWidget* Focused() const { return window_->focusWidget(); }
    bool Visible(const char* name) const { return Find<QWidget>(name)->isVisible(); }

    // What a screen reader learns of a control once the event under way has been handled.
    QAccessibleInterface* Accessible(const char* name) const {
        QCoreApplication::sendPostedEvents();
        return QAccessible::queryAccessibleInterface(Find<QWidget>(name));
    }

    // The run of text attributes that holds the field's last character, as a screen reader asks
    // for it: where it begins and ends.
    std::pair<int, int> LastAttributeRun(const char* field) const {
        QAccessibleTextInterface* text = Accessible(field)->textInterface();
        int start = -1;
        int end = -1;
        text->attributes(text->characterCount() - 1, &start, &end);
        return {start, end};
    }

    // Types into the field where the focus is, as the user does.
    void Type(const QString& keys) { QTest::keyClicks(Focused(), keys); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Focused() ? Focused() : window_.get(), key, modifiers);
    }
    void ClickIn(const char* field) {
        QWidget* widget = Find<QWidget>(field);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
    }
    void ClickRadio(const char* name) {
        QRadioButton* radio = Radio(name);
        // The circle: on the right for buttons laid out right to left.
        const int x = radio->layoutDirection() == Qt::RightToLeft ? radio->width() - 7 : 7;
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(x, radio->height() / 2));
    }
    void ClickButton(const char* name) { QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton); }
    void ClickTab(int index) {
        auto* tabs = Find<QTabWidget>("PageControl")->findChild<QTabBar*>();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    }

    // Prints run on a thread of their own: their items come back when they end.
    bool WaitForPrintToEnd() {
        return QTest::qWaitFor([this] { return Action("Impressiondursultat1")->isEnabled(); },
                               30000);
    }

    ErrorBoxes errors_;
    QTemporaryDir configHome_;
    std::unique_ptr<ProgramContext> context_;
    std::unique_ptr<Tmere> window_;
};

}  // namespace chiffrel::testing_support
