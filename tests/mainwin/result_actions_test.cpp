#include <sys/stat.h>

#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>

#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

class ResultActions : public MainWindowTest {
  protected:
    void OpenWithInformationWindows() {
        Open();
        context_->programDirectory = programDirectory_.path() + QLatin1Char('/');
        about_ = std::make_unique<Tabout>(context_->versionLabel);
        history_ = std::make_unique<TMemoForm>([this] { return context_->historyPath; });
        window_->SetInformationWindows(*about_, *history_);
    }

    // Runs `check` on the modal window once it is up, then closes it with Escape.
    void WhenModalOpens(std::function<void(QWidget*)> check) {
        QTimer::singleShot(0, [check] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            check(modal);
            QTest::keyClick(modal, Qt::Key_Escape);
        });
    }

    QTemporaryDir programDirectory_;
    std::unique_ptr<Tabout> about_;
    std::unique_ptr<TMemoForm> history_;
};

struct CopyCase {
    QLocale::Language language;
    QLocale::Territory territory;
    const char* first;
    const char* second;
    const char* copied;
};

class Copy : public ResultActions, public testing::WithParamInterface<CopyCase> {};

TEST_P(Copy, PutsTheWholeStoredResultWithTheUsersDecimalSeparator) {
    const CopyCase& c = GetParam();
    Open();
    context_->regionalSettings = QLocale(c.language, c.territory);
    Key(Qt::Key_F6);
    Type(c.first);
    Field("Saisie2")->setFocus(Qt::TabFocusReason);
    Type(c.second);
    ClickButton("Button1");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), c.copied);
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, Copy,
    testing::Values(CopyCase{QLocale::French, QLocale::France, "0.1", "0.2", "0,300000000000182"},
                    CopyCase{QLocale::French, QLocale::France, "12345.67", "", "12345,6700000018"},
                    CopyCase{QLocale::C, QLocale::AnyTerritory, "0.1", "0.2", "0.300000000000182"},
                    // Large results: no grouping of the digits, a plain minus sign.
                    CopyCase{QLocale::Swedish, QLocale::Sweden, "-1234567", "", "-1234567"},
                    CopyCase{QLocale::German, QLocale::Germany, "1234567", "0.5", "1234567,5"}));

TEST_F(ResultActions, CopyRightAfterStartUpGivesZeroAndWorksFromThePopupWhenTheButtonIsHidden) {
    WriteSettings("[Reglages]\nCopiePressePapier=1\n");
    Open();
    QGuiApplication::clipboard()->setText(QStringLiteral("avant"));
    EXPECT_FALSE(Visible("Button1"));
    Action("Copier1")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0");
}

// What stands in the program directory instead of a readable file: nothing, a directory, or a
// FIFO, which is never waited for.
enum class NotAFile { kMissing, kDirectory, kFifo };

void PutInPlace(const QString& path, NotAFile what) {
    if (what == NotAFile::kDirectory) {
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (what == NotAFile::kFifo) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
}

class NotAFileInPlace : public ResultActions, public testing::WithParamInterface<NotAFile> {};

TEST_P(NotAFileInPlace, HistoryIsSaidToBeMissing) {
    OpenWithInformationWindows();
    PutInPlace(programDirectory_.filePath(QStringLiteral("history.txt")), GetParam());
    Action("Historique1")->trigger();
    EXPECT_EQ(errors_.messages,
              QStringList{"Le fichier d'historique de Chiffrel n'a pas été trouvé dans le "
                          "répertoire de l'application !!"});
}

TEST_P(NotAFileInPlace, HelpIsSaidToBeMissing) {
    Open();
    context_->helpFile = programDirectory_.filePath(QStringLiteral("chiffrel.hlp"));
    PutInPlace(context_->helpFile, GetParam());
    Key(Qt::Key_F1);
    ASSERT_EQ(errors_.shown.size(), 1);
    EXPECT_TRUE(errors_.shown[0].startsWith(QStringLiteral("Le fichier d'aide ")));
}

INSTANTIATE_TEST_SUITE_P(ResultActions, NotAFileInPlace,
                         testing::Values(NotAFile::kMissing, NotAFile::kDirectory,
                                         NotAFile::kFifo));

TEST_F(ResultActions, HistoryShowsTheFileOfTheProgramDirectory) {
    OpenWithInformationWindows();
    QFile file(programDirectory_.filePath(QStringLiteral("history.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("v4.51 : horloge\r\nv4.50 : TEG\n");
    file.close();
    QString caption;
    QString text;
    WhenModalOpens([&](QWidget* modal) {
        caption = modal->windowTitle();
        text = modal->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
    });
    Action("Historique1")->trigger();
    EXPECT_EQ(caption, "Historique de construction de l'application Chiffrel");
    EXPECT_EQ(text, "v4.51 : horloge\nv4.50 : TEG\n");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
}

TEST_F(ResultActions, AboutBoxOpensFromTheMenuAndThePopup) {
    OpenWithInformationWindows();
    for (const char* item : {"APropos1", "mAPropos"}) {
        QString caption;
        WhenModalOpens([&](QWidget* modal) { caption = modal->windowTitle(); });
        Action(item)->trigger();
        EXPECT_EQ(caption, "A propos de La Chiffrel...") << item;
    }
}

TEST_F(ResultActions, F1OpensTheHelpAtTheMainTopicAndInAMenuAtTheHighlightedItems) {
    Open();
    context_->helpFile = QStringLiteral(CHIFFREL_HELP_FILE);
    Key(Qt::Key_F1);
    QTextBrowser* help = HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Onglet T.V.A.")));
    // In an open menu: the highlighted item's topic, else its menu's, else the window's, each
    // on top of a help window made short enough for any topic to come on top.
    help->resize(help->width(), 80);
    help->close();
    for (const auto& [name, item, heading] :
         {std::tuple("MenuFichiers", "Configurer1", "Configuration"),
          std::tuple("MenuOnglets", "MenuTabTEG", "Menu Onglets"),
          std::tuple("MenuFichiers", "Remisezro1", "Chiffrel")}) {
        auto* menu = Find<QMenu>(name);
        menu->popup(window_->mapToGlobal(QPoint(40, 20)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        menu->setActiveAction(Action(item));
        QTest::keyClick(menu, Qt::Key_F1);
        EXPECT_FALSE(menu->isVisible());
        help = HelpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->cursorForPosition(QPoint(10, 10)).block().text(), heading) << item;
        help->close();
    }
}

// A picture named by the help file is never read: were it a FIFO or a device, reading it would
// never end. The picture shown is the empty one, not the file's.
TEST_F(ResultActions, HelpWindowReadsNoOtherFileThanTheHelpFile) {
    Open();
    const QString picture = programDirectory_.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(QImage(40, 30, QImage::Format_RGB32).save(picture));
    context_->helpFile = programDirectory_.filePath(QStringLiteral("chiffrel.hlp"));
    QFile file(context_->helpFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral("<p><a name=\"contexte-1\"></a><img src=\"%1\"></p>").arg(picture).toUtf8());
    file.close();
    Key(Qt::Key_F1);
    QTextBrowser* help = HelpWindow();
    ASSERT_NE(help, nullptr);
    help->grab();  // paints the text, pictures included
    const QImage shown =
        help->document()->resource(QTextDocument::ImageResource, QUrl(picture)).value<QImage>();
    EXPECT_EQ(shown.size(), QSize(1, 1));
    help->close();
}

}  // namespace
}  // namespace chiffrel::testing_support
