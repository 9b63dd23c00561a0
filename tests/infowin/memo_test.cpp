#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "infowin/fmemo.h"

namespace chiffrel {
namespace {

class MemoFormTest : public testing::Test {
  protected:
    MemoFormTest() : historyPath_(directory_.filePath(QStringLiteral("history.txt"))) {}

    void WriteHistory(const QByteArray& bytes) {
        QFile file(historyPath_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QPlainTextEdit* Memo() { return form_.findChild<QPlainTextEdit*>("Memo1"); }
    QPushButton* Button() { return form_.findChild<QPushButton*>("BitBtn1"); }

    QTemporaryDir directory_;
    QString historyPath_;
    TMemoForm form_{[this] { return historyPath_; }};
};

TEST_F(MemoFormTest, FormAsDesigned) {
    EXPECT_EQ(form_.windowTitle(), "CaptionMemoForm");
    EXPECT_EQ(form_.pos(), QPoint(237, 173));
    EXPECT_EQ(form_.minimumSize(), QSize(432, 343));
    EXPECT_EQ(form_.maximumSize(), QSize(432, 343));
    EXPECT_EQ(Memo()->toPlainText(), "Memo1");
    EXPECT_EQ(Memo()->font().family(), "Arial");
    EXPECT_EQ(Memo()->font().pixelSize(), 13);
}

TEST_F(MemoFormTest, ReloadsTheFileAtEveryShowing) {
    WriteHistory("Version 1.00\n");
    form_.FormActivate();
    EXPECT_EQ(Memo()->toPlainText(), "Version 1.00\n");
    WriteHistory("Version 4.51\n");
    form_.FormActivate();
    EXPECT_EQ(Memo()->toPlainText(), "Version 4.51\n");
    WriteHistory("");
    form_.FormActivate();
    EXPECT_EQ(Memo()->toPlainText(), "");
}

TEST_F(MemoFormTest, EveryKindOfLineBreakShowsTheSameLines) {
    for (const QByteArray& bytes :
         {QByteArray("un\r\ndeux\r\ntrois"), QByteArray("un\ndeux\ntrois"),
          QByteArray("un\rdeux\rtrois"), QByteArray("un\r\ndeux\rtrois")}) {
        WriteHistory(bytes);
        form_.FormActivate();
        EXPECT_EQ(Memo()->toPlainText(), "un\ndeux\ntrois") << bytes.toStdString();
        EXPECT_EQ(Memo()->blockCount(), 3);
    }
}

TEST_F(MemoFormTest, TextIsUtf8WithAnEightBitFallback) {
    WriteHistory(
        "Fran\xc3\xa7"
        "ais");
    form_.FormActivate();
    EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("Français"));
    WriteHistory(
        "Fran\xe7"
        "ais \x80\x9c");
    form_.FormActivate();
    EXPECT_EQ(Memo()->toPlainText(), QString::fromUtf8("Français €œ"));
}

TEST_F(MemoFormTest, SameTextLeavesTheBoxAlone) {
    WriteHistory("un\ndeux\n");
    form_.FormActivate();
    Memo()->selectAll();
    WriteHistory("un\r\ndeux\r\n");
    form_.FormActivate();
    EXPECT_TRUE(Memo()->textCursor().hasSelection());
}

TEST_F(MemoFormTest, VanishedFileIsAnErrorAndKeepsTheText) {
    WriteHistory("gardé");
    form_.FormActivate();
    ASSERT_TRUE(QFile::remove(historyPath_));
    try {
        form_.FormActivate();
        FAIL() << "no error";
    } catch (const HistoryOpenError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()), "Ne peut ouvrir le fichier " + historyPath_);
    }
    EXPECT_EQ(Memo()->toPlainText(), "gardé");

    // Anything but a regular file reads as missing, and a FIFO is never waited for.
    const QString directoryPath = directory_.path();
    const QString fifoPath = directory_.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoPath).constData(), 0600), 0);
    for (const QString* path : {&directoryPath, &fifoPath}) {
        TMemoForm other([path] { return *path; });
        EXPECT_THROW(other.FormActivate(), HistoryOpenError) << path->toStdString();
        EXPECT_FALSE(HistoryFileReadable(*path)) << path->toStdString();
    }
}

// The box holds what it lays out at once: 64 KiB of ordinary lines, and lines of 4 KiB however
// hard they are to lay out. Anything more is refused, never cut.
TEST_F(MemoFormTest, TextBeyondTheCapacityIsRefused) {
    const auto lines = [](const QByteArray& line, qsizetype size) {
        QByteArray text;
        while (text.size() + line.size() <= size) {
            text += line;
        }
        return text;
    };
    const QByteArray zeroWidthSpace = "\xE2\x80\x8B";
    const struct {
        const char* name;
        QByteArray text;
        bool shown;
    } cases[] = {
        {"sixty kilobytes of short lines", lines("Version 4.51 : impression corrigée\r\n", 60000),
         true},
        {"the whole capacity", lines(QByteArray(4095, 'a') + '\n', 64 * 1024), true},
        {"one line of the longest", QByteArray(4096, 'a'), true},
        {"beyond the capacity", lines("a\n", 64 * 1024 + 2), false},
        {"one line beyond the longest", lines(zeroWidthSpace, 4097 + 2), false},
    };
    for (const auto& c : cases) {
        WriteHistory("avant");
        form_.FormActivate();
        WriteHistory(c.text);
        try {
            form_.FormActivate();
            EXPECT_TRUE(c.shown) << c.name;
            EXPECT_EQ(Memo()->toPlainText(), HistoryText(c.text)) << c.name;
        } catch (const MemoCapacityError& error) {
            EXPECT_FALSE(c.shown) << c.name;
            EXPECT_STREQ(error.what(), "Le texte dépasse la capacité du mémo");
            EXPECT_EQ(Memo()->toPlainText(), "avant") << c.name;
        }
    }
}

TEST_F(MemoFormTest, TextCanBeSelectedButNotEdited) {
    WriteHistory("lecture seule");
    form_.FormActivate();
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    QTest::mouseDClick(Memo()->viewport(), Qt::LeftButton, {}, QPoint(10, 8));
    EXPECT_TRUE(Memo()->textCursor().hasSelection());
    Memo()->setFocus();
    QTest::keyClicks(Memo(), "abc");
    QTest::keyClick(Memo(), Qt::Key_Backspace);
    EXPECT_EQ(Memo()->toPlainText(), "lecture seule");
    EXPECT_TRUE(form_.isVisible());
}

TEST_F(MemoFormTest, TabSkipsTheText) {
    form_.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
    EXPECT_EQ(QApplication::focusWidget(), Button());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), Memo());
}

TEST_F(MemoFormTest, KeysThatReadOnTakeTheKeyboardIntoTheText) {
    WriteHistory(QByteArray("Version\n").repeated(200));
    QScrollBar* bar = Memo()->verticalScrollBar();
    for (const QKeyCombination reading :
         {QKeyCombination(Qt::Key_PageDown), QKeyCombination(Qt::ControlModifier, Qt::Key_End)}) {
        form_.FormActivate();
        form_.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QTest::keyClick(Button(), reading.key(), reading.keyboardModifiers());
        EXPECT_EQ(QApplication::focusWidget(), Memo());
        EXPECT_GT(bar->value(), 0);
        form_.reject();
    }
    EXPECT_EQ(bar->value(), bar->maximum());  // Ctrl+End reads to the end
}

struct CloseWay {
    const char* name;
    std::function<void(TMemoForm&, QPlainTextEdit*, QPushButton*)> close;
};

TEST_F(MemoFormTest, EveryWayOfClosingJustHides) {
    const CloseWay ways[] = {
        {"Enter", [](TMemoForm& form, QPlainTextEdit*,
                     QPushButton*) { QTest::keyClick(&form, Qt::Key_Return); }},
        {"EnterInTheText",
         [](TMemoForm&, QPlainTextEdit* memo, QPushButton*) {
             memo->setFocus();
             QTest::keyClick(memo, Qt::Key_Return);
         }},
        {"Esc", [](TMemoForm& form, QPlainTextEdit*,
                   QPushButton*) { QTest::keyClick(&form, Qt::Key_Escape); }},
        {"Fermer", [](TMemoForm&, QPlainTextEdit*,
                      QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }},
        {"CloseBox", [](TMemoForm& form, QPlainTextEdit*, QPushButton*) { form.close(); }},
    };
    for (const CloseWay& way : ways) {
        form_.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
        way.close(form_, Memo(), Button());
        EXPECT_FALSE(form_.isVisible()) << way.name;
        EXPECT_EQ(form_.result(), QDialog::Rejected) << way.name;
    }
}

TEST_F(MemoFormTest, ReadableCheckOpensAndCloses) {
    EXPECT_FALSE(HistoryFileReadable(historyPath_));
    WriteHistory("x");
    EXPECT_TRUE(HistoryFileReadable(historyPath_));
    EXPECT_FALSE(HistoryFileReadable(directory_.path()));
}

}  // namespace
}  // namespace chiffrel
