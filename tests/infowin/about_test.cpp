#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <fstream>

#include "infowin/fabout.h"
#include "tests/components/fake_browser.h"
#include "tests/support/file_times.h"
#include "tests/support/own_process.h"

namespace chiffrel {
namespace {

// ---- Date and time in the user's settings ----

struct DateTimeCase {
    const char* name;
    const char* locale;
    DosDateTime dateTime;
    const char* text;
};

void PrintTo(const DateTimeCase& c, std::ostream* os) {
    *os << c.name;
}

// Before the day period, Qt 6.4 (CLDR 41) puts a plain space; from Qt 6.5 on (CLDR 42; Qt 6.8 in
// Debian 13) a narrow no-break space.
constexpr const char* kAmericanAfternoon =
    QT_VERSION >= QT_VERSION_CHECK(6, 5, 0) ? "3/18/26 2:25:36\u202fPM" : "3/18/26 2:25:36 PM";

class DateTimeTextTest : public testing::TestWithParam<DateTimeCase> {};

TEST_P(DateTimeTextTest, ShortDateThenLongTimeWithoutZone) {
    EXPECT_EQ(DateTimeText(GetParam().dateTime, QLocale(QString::fromLatin1(GetParam().locale))),
              QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, DateTimeTextTest,
    testing::Values(
        DateTimeCase{"French", "fr_FR", {2026, 3, 18, 14, 25, 36}, "18/03/2026 14:25:36"},
        DateTimeCase{"FrenchMidnight", "fr_FR", {1998, 3, 18, 0, 0, 0}, "18/03/1998"},
        DateTimeCase{"FrenchFirstDosDay", "fr_FR", {1980, 1, 1, 0, 0, 0}, "01/01/1980"},
        DateTimeCase{
            "TwoSecondsAfterMidnight", "fr_FR", {1980, 1, 1, 0, 0, 2}, "01/01/1980 00:00:02"},
        DateTimeCase{"American", "en_US", {2026, 3, 18, 14, 25, 36}, kAmericanAfternoon},
        DateTimeCase{"YearFirstWithDashes", "sv_SE", {1980, 1, 1, 0, 0, 0}, "1980-01-01"},
        DateTimeCase{
            "DotsBetweenTheDateParts", "de_DE", {2026, 3, 18, 9, 5, 0}, "18.03.26 09:05:00"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The box ----

QLabel* LabelOf(const Tabout& box, const char* name) {
    return box.findChild<QLabel*>(name);
}

QString Text(const Tabout& box, const char* name) {
    return LabelOf(box, name)->text();
}

QString ShortDate(int year, int month, int day) {
    return QLocale::system().toString(QDate(year, month, day), QLocale::ShortFormat);
}

// A file that is not an executable, written at a chosen local time.
class StandInExecutable {
  public:
    StandInExecutable() { std::ofstream(path().toStdString()) << "not a program"; }

    QString path() const { return directory_.filePath(QStringLiteral("chiffrel")); }

    void SetLocalWriteTime(int year, int month, int day, int hour, int minute, int second) {
        ASSERT_TRUE(testing_support::SetLocalWriteTime(path().toStdString(), year, month, day, hour,
                                                       minute, second));
    }

  private:
    QTemporaryDir directory_;
};

TEST(AboutBoxTest, ActivationShowsTheVersionOfTheRunningProgram) {
    Tabout box(QStringLiteral(" v4.51"));
    box.FormActivate();
    EXPECT_EQ(box.windowTitle(), "A propos de La Chiffrel...");
    EXPECT_EQ(box.findChild<QGroupBox*>("GroupBox")->title(), "Chiffrel 32bits -  v4.51");
    EXPECT_EQ(Text(box, "Label10"), "Construction interne v1.1.2.30");
    EXPECT_TRUE(Text(box, "Label7").startsWith("Compilation du "));
}

TEST(AboutBoxTest, EveryShowingGivesTheSameTexts) {
    Tabout box(QStringLiteral(" v4.51"));
    box.FormActivate();
    const QStringList first = {box.windowTitle(), box.findChild<QGroupBox*>("GroupBox")->title(),
                               Text(box, "Label7"), Text(box, "Label10")};
    for (int showing = 0; showing < 2; ++showing) {
        box.show();
        box.FormActivate();
        box.reject();
        EXPECT_EQ((QStringList{box.windowTitle(), box.findChild<QGroupBox*>("GroupBox")->title(),
                               Text(box, "Label7"), Text(box, "Label10")}),
                  first);
    }
}

TEST(AboutBoxTest, BuildDateIsTheExecutablesWriteTime) {
    StandInExecutable executable;
    executable.SetLocalWriteTime(2026, 3, 18, 14, 25, 37);
    Tabout box(QStringLiteral(" v4.51"), executable.path());
    box.FormActivate();
    EXPECT_EQ(Text(box, "Label7"),
              "Compilation du " + DateTimeText({2026, 3, 18, 14, 25, 36}, QLocale::system()));
    EXPECT_EQ(Text(box, "Label10"), "Construction interne v");

    // A changed date is seen at the next showing.
    executable.SetLocalWriteTime(2024, 2, 29, 0, 0, 0);
    box.FormActivate();
    EXPECT_EQ(Text(box, "Label7"), "Compilation du " + ShortDate(2024, 2, 29));
}

TEST(AboutBoxTest, MissingExecutableShowsTheFirstDosDayWithoutAnError) {
    Tabout box(QStringLiteral(" v4.51"), QStringLiteral("/nonexistent/chiffrel"));
    box.FormActivate();
    EXPECT_EQ(Text(box, "Label7"), "Compilation du " + ShortDate(1980, 1, 1));
    EXPECT_EQ(Text(box, "Label10"), "Construction interne v");
    EXPECT_EQ(box.windowTitle(), "A propos de La Chiffrel...");
}

TEST(AboutBoxTest, FormAsDesigned) {
    Tabout box(QStringLiteral(" v4.51"));
    EXPECT_EQ(box.minimumSize(), QSize(383, 256));
    EXPECT_EQ(box.maximumSize(), QSize(383, 256));
    EXPECT_FALSE(box.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box.windowTitle(), "");
    // Labels inside the bold frame are plain unless designed bold, at the form's 11 pixels.
    EXPECT_TRUE(LabelOf(box, "Label8")->font().bold());
    EXPECT_FALSE(LabelOf(box, "Label7")->font().bold());
    EXPECT_EQ(LabelOf(box, "Label7")->font().pixelSize(), 11);

    const QPixmap picture = LabelOf(box, "Image1")->pixmap();
    EXPECT_EQ(picture.size(), QSize(36, 34));
    EXPECT_EQ(picture.toImage().pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(LabelOf(box, "Image2")->pixmap().size(), QSize(32, 32));
}

TEST(AboutBoxTest, LinksAreBlueHandCursorLabelsHeldByTheLauncher) {
    Tabout box(QStringLiteral(" v4.51"));
    box.ensurePolished();
    for (const char* name : {"Label5", "Label6"}) {
        QLabel* link = LabelOf(box, name);
        link->ensurePolished();
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor) << name;
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue)) << name;
    }
    EXPECT_EQ(box.GoToWeb1.Url(), Text(box, "Label5"));
    EXPECT_EQ(box.GoToWeb1.EMail(), Text(box, "Label6"));
    EXPECT_TRUE(Text(box, "Label5").contains(".invalid"));
    EXPECT_TRUE(Text(box, "Label6").endsWith(".invalid"));
    EXPECT_EQ(box.GoToWeb1.EMailSubject(), "Chiffrel4-5");
    EXPECT_EQ(box.GoToWeb1.BrowserState(), TGoToWeb::gwMaximized);
}

TEST(AboutBoxTest, EscAndFermerCloseTheBox) {
    Tabout box(QStringLiteral(" v4.51"));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Rejected);

    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

using testing_support::FakeBrowserSession;
using Arguments = std::vector<std::string>;

const Arguments kWebPage{"--new-window", "http://www.chiffrel.invalid/"};
const Arguments kMail{"--new-window", "mailto:support@chiffrel.invalid?subject=Chiffrel4-5"};

// The box opens with the keyboard on "&Fermer"; Tab then reaches the two addresses in turn.
void TabTo(Tabout& box, int tabs, const char* label) {
    EXPECT_EQ(QApplication::focusWidget(), box.findChild<QPushButton*>("BitBtn1"));
    for (int tab = 0; tab < tabs; ++tab) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(QApplication::focusWidget(), LabelOf(box, label));
}

struct AddressCase {
    const char* name;
    void (*open)(Tabout& box);  // what the user does in the box
    Arguments received;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class AboutAddressTest : public testing::TestWithParam<AddressCase> {};

// Each in its own process: one start at a time, and GIO reads the desktop once per process.
TEST_P(AboutAddressTest, StartsTheBrowserAndLeavesTheBoxOpen) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    FakeBrowserSession session;
    session.Register("--new-window %u");
    Tabout box(QStringLiteral(" v4.51"));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    GetParam().open(box);
    EXPECT_EQ(session.NextArguments(), GetParam().received);
    EXPECT_TRUE(box.isVisible());  // Enter opens the address, it does not close the box
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, AboutAddressTest,
    testing::Values(
        AddressCase{"ClickOnTheWebAddress",
                    [](Tabout& box) { QTest::mouseClick(LabelOf(box, "Label5"), Qt::LeftButton); },
                    kWebPage},
        AddressCase{"ClickOnTheMailAddress",
                    [](Tabout& box) { QTest::mouseClick(LabelOf(box, "Label6"), Qt::LeftButton); },
                    kMail},
        AddressCase{"EnterOnTheWebAddress",
                    [](Tabout& box) {
                        TabTo(box, 1, "Label5");
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                    },
                    kWebPage},
        AddressCase{"KeypadEnterOnTheMailAddress",
                    [](Tabout& box) {
                        TabTo(box, 2, "Label6");
                        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter,
                                        Qt::KeypadModifier);
                    },
                    kMail}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AboutBoxTest, ClickWithoutABrowserShowsNothing) {
    if (testing_support::HandedToOwnProcess()) {
        return;
    }
    FakeBrowserSession session;
    Tabout box(QStringLiteral(" v4.51"));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(LabelOf(box, "Label5"), Qt::LeftButton);
    QTest::mouseClick(LabelOf(box, "Label6"), Qt::LeftButton);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(window->isVisible() && qobject_cast<QMessageBox*>(window));
    }
    EXPECT_TRUE(box.isVisible());
}

}  // namespace
}  // namespace chiffrel
