#include <QDialog>
#include <QFileInfo>
#include <QScrollBar>
#include <QTimer>

#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

class Configure : public MainWindowTest {
  protected:
    // Opens the configuration with Ctrl+C from the focused field, lets `edit` work in the
    // dialog, then presses `closingKey` in it.
    void ConfigureWith(std::function<void(QDialog*)> edit, Qt::Key closingKey) {
        // Back from an earlier dialog the window has the keyboard again, for its shortcuts.
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == window_.get(); }));
        dialogTitle_.clear();
        QTimer::singleShot(0, [=, this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(
                QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; }));
            dialogTitle_ = dialog->windowTitle();
            edit(dialog);
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, closingKey);
        });
        Key(Qt::Key_C, Qt::ControlModifier);
        ASSERT_EQ(dialogTitle_, "Configuration");
    }
    static void Replace(QDialog* dialog, const char* field, const QString& text) {
        auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(field));
        edit->setFocus(Qt::TabFocusReason);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    QString FileText() const {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    QString dialogTitle_;
};

TEST_F(Configure, CtrlCInTheAmountFieldOpensTheDialogAndOkAppliesAndSaves) {
    Open();
    Type("100");
    ASSERT_EQ(Focused(), Field("SaisieMnt"));
    ConfigureWith(
        [](QDialog* dialog) {
            Replace(dialog, "Edit1", "10");
            Replace(dialog, "Edit4", "12");
            Replace(dialog, "ValeurEuro", "");
            dialog->findChild<QRadioButton*>(QStringLiteral("RadioTaxeHT"))->click();
        },
        Qt::Key_Return);
    EXPECT_EQ(Radio("RadioButton206")->text(), "TVA 10 %");
    EXPECT_EQ(Result(), "    90.91");  // 100 T.T.C. at 10 %
    EXPECT_EQ(Shown("Label3"), "Saisie du montant T.T.C.");
    EXPECT_EQ(Field("EditTxTEG")->text(), "12");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(
        FileText(),
        "[Conversion_Euro]\nValeurEuro=6.475510\n[Conversion_Dollars]\nValeurDollars=5.94620\n"
        "[Valeur_Pourcentages]\nTauxTVA_1=10\nTauxTVA_2=5.50000\nTauxTVA_3=2.10000\n"
        "[Valeur_TEG]\nTauxTEG=12\n[Reglages]\nTTC-HT=1\nCopiePressePapier=0\n");
}

TEST_F(Configure, CancelChangesNothingAndWritesNothing) {
    Open();
    Type("100");
    ConfigureWith([](QDialog* dialog) { Replace(dialog, "Edit1", "50"); }, Qt::Key_Escape);
    EXPECT_FALSE(QFileInfo::exists(SettingsPath()));
    EXPECT_EQ(Radio("RadioButton206")->text(), "TVA 20.6 %");
    EXPECT_EQ(Result(), "   120.60");
}

TEST_F(Configure, AfterTheDialogTheRateLineNamesTheDirectionInUse) {
    Open();
    Key(Qt::Key_F7);
    ClickRadio("RadioEuroE");
    ConfigureWith([](QDialog* dialog) { Replace(dialog, "ValeurEuro", "7"); }, Qt::Key_Return);
    EXPECT_EQ(Shown("Label7"), "Taux : 1 Euro -> 7.00000 Francs");
    ClickRadio("RadioFrancsDollars");
    ConfigureWith([](QDialog*) {}, Qt::Key_Escape);
    EXPECT_EQ(Shown("Label7"), "Taux : 1 Dollars -> 5.94620 Francs");
}

// F1 in the dialog opens the help at the dialog's topic, and the help takes the user's keys while
// the dialog is still open.
TEST_F(Configure, HelpFromTheDialogIsUsableAtOnce) {
    Open();
    context_->helpFile = QStringLiteral(CHIFFREL_HELP_FILE);
    int atTopic = -1;
    int afterHome = -1;
    QAccessible::Role spokenAs = QAccessible::NoRole;
    int caretAtTopic = -1;
    ConfigureWith(
        [&](QDialog* dialog) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_F1);
            QTextBrowser* help = HelpWindow();
            ASSERT_NE(help, nullptr);
            atTopic = help->verticalScrollBar()->value();
            // Screen readers read a document, from the topic on.
            QAccessibleInterface* const document = QAccessible::queryAccessibleInterface(help);
            spokenAs = document->role();
            caretAtTopic = document->textInterface()->cursorPosition();
            // Through the window system, which holds back what a modal window blocks.
            // The caret starts at the topic; Ctrl+Home takes it to the beginning.
            QTest::keyClick(help->windowHandle(), Qt::Key_Home, Qt::ControlModifier);
            afterHome = help->textCursor().position();
            help->close();
        },
        Qt::Key_Escape);
    EXPECT_GT(atTopic, 0);
    EXPECT_EQ(afterHome, 0);
    EXPECT_EQ(spokenAs, QAccessible::Document);
    EXPECT_GT(caretAtTopic, 0);
}

TEST_F(Configure, AnUnwritableSettingsPlaceIsShownAndTheWindowRecomputes) {
    Open();
    Type("100");
    // A regular file where the settings directory should be: even root cannot write there.
    QFile blocker(configHome_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toLocal8Bit() + "/chiffrel");
    context_->settingsFile.emplace();
    ConfigureWith([](QDialog* dialog) { Replace(dialog, "ValeurEuro", "7"); }, Qt::Key_Return);
    EXPECT_EQ(errors_.shown, QStringList{"Ne peut écrire dans CHIFFREL.INI."});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(FormatRate(context_->values.euroRate), "7.00000");  // applied before the write
    EXPECT_EQ(Result(), "   120.60");
}

}  // namespace
}  // namespace chiffrel::testing_support
