#include "forms/error_and_modal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "engine/program_error.h"

namespace chiffrel::ui {
namespace {

TEST(ErrorBoxText, AddsAFullStopAfterALetterOrADigitOnly) {
    EXPECT_EQ(ErrorBoxText("Débordement flottant"), "Débordement flottant.");
    EXPECT_EQ(ErrorBoxText("Ne peut écrire dans CHIFFREL.INI"),
              "Ne peut écrire dans CHIFFREL.INI.");
    EXPECT_EQ(ErrorBoxText("répertoire de l'application !!"), "répertoire de l'application !!");
    EXPECT_EQ(ErrorBoxText("fin."), "fin.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

// Without a window manager no window takes the keyboard when a modal window closes: the one that
// had it takes it back, so its shortcuts work at once. The boxes are the program's real ones.
TEST(ModalWindows, TheWindowThatHadTheKeyboardTakesItBack) {
    QMainWindow window;
    auto* edit = new QLineEdit(&window);
    window.setCentralWidget(edit);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QDialog dialog(&window);  // kept hidden between showings, as the about box is
    new QLineEdit(&dialog);
    const struct {
        const char* what;
        std::function<void()> open;
    } cases[] = {
        {"dialog", [&] { ExecModal(dialog, &window); }},
        {"message box", [] { ShowMessage("Le fichier n'a pas été trouvé"); }},
        {"error box", [] { Guarded([] { throw ProgramError("Débordement flottant"); }); }},
        // A print server's message: markup that would load a file, 32 KB of it.
        {"error box quoting a server",
         [] {
             const std::string markup = "<img src=\"/dev/zero\"><b>x</b>\n";
             std::string quoted;
             while (quoted.size() < 32768) {
                 quoted += markup;
             }
             Guarded([&quoted] { throw ProgramError(quoted); });
         }},
    };
    const auto activeIs = [](QWidget* expected) {
        return QTest::qWaitFor([expected] { return QApplication::activeWindow() == expected; });
    };
    for (const auto& modal : cases) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            shown = activeIs(box);
            // A box never reads markup, and fits the screen.
            if (qobject_cast<QMessageBox*>(box) != nullptr) {
                EXPECT_EQ(qobject_cast<QMessageBox*>(box)->textFormat(), Qt::PlainText);
            }
            EXPECT_LE(box->frameGeometry().height(), box->screen()->availableGeometry().height());
            EXPECT_LE(box->frameGeometry().width(), box->screen()->availableGeometry().width());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        modal.open();
        EXPECT_TRUE(shown) << modal.what;
        EXPECT_TRUE(activeIs(&window)) << modal.what;
        EXPECT_EQ(QApplication::focusWidget(), edit) << modal.what;
    }
}

}  // namespace
}  // namespace chiffrel::ui
