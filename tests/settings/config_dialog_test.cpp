#include "settings/fconfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/error_boxes.h"
#include "tests/support/qt_printers.h"

namespace chiffrel::testing_support {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// The main window as the start-up load and the dialog see it. Records, in order, what the
// dialog changes.
class FakeMainWindow : public SettingsLoadTarget, public ConfigTarget {
  public:
    std::string tegRateText = "0";
    int startSide = 0;
    bool copyButtonHidden = false;
    std::vector<std::string> changes;
    // Runs once the TEG field is set, in the middle of a save.
    std::function<void()> afterTegRateSet;

    std::string TegRateText() const override { return tegRateText; }
    void SetTegRateText(const std::string& text) override {
        tegRateText = text;
        changes.push_back("TEG " + text);
        if (afterTegRateSet) {
            afterTegRateSet();
        }
    }
    int StartSide() const override { return startSide; }
    void SetStartSide(int position) override {
        startSide = position;
        changes.push_back("side " + std::to_string(position));
    }
    bool CopyButtonHidden() const override { return copyButtonHidden; }
    void SetCopyButtonHidden(bool hidden) override {
        copyButtonHidden = hidden;
        changes.push_back(hidden ? "copy button hidden" : "copy button shown");
    }
    void SetVatCaptions(const std::string& first, const std::string& second,
                        const std::string& third) override {
        changes.push_back("captions " + first + "|" + second + "|" + third);
    }
    void ChooseFirstVatRate() override { changes.push_back("first rate chosen"); }
    void AfterRatesLoaded() override {}
    void HideCopyButton() override { copyButtonHidden = true; }
};

// What OK writes on a first run, without changes: the built-in rates and the window's state.
const std::vector<std::string> kFirstRunFile = {
    "[Conversion_Euro]",     "ValeurEuro=6.47551", "[Conversion_Dollars]", "ValeurDollars=5.94620",
    "[Valeur_Pourcentages]", "TauxTVA_1=20.60000", "TauxTVA_2=5.50000",    "TauxTVA_3=2.10000",
    "[Valeur_TEG]",          "TauxTEG=0",          "[Reglages]",           "TTC-HT=0",
    "CopiePressePapier=0"};

std::vector<std::string> LinesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A dialog opened as the main window opens it, on its own settings directory, driven like a
// user drives it.
class ConfigDialogTest : public testing::Test {
  protected:
    ConfigDialogTest() {
        EXPECT_TRUE(configHome_.isValid());
        UseConfigDirectory(ConfigDirectory());
    }
    ~ConfigDialogTest() override { qunsetenv("XDG_CONFIG_HOME"); }

    fs::path ConfigDirectory() const {
        return fs::path(configHome_.path().toStdString()) / "config";
    }
    void UseConfigDirectory(const fs::path& directory) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(directory.string()));
        file_.emplace();
    }
    std::vector<std::string> FileLines() const { return LinesOf(file_->path()); }

    // The program's start-up: every setting read from the file, or its default.
    void StartUp() {
        LoadSettings(*file_, values_, window_);
        window_.changes.clear();
    }

    void Open() {
        dialog_ = std::make_unique<TConfig>(values_, *file_, window_, [this](int helpContext) {
            helpRequests_.push_back(helpContext);
        });
        dialog_->LoadConversionFields();
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    }

    template <class W>
    W* Find(const char* name) const {
        auto* widget = dialog_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }
    QString Text(const char* field) const { return Field(field)->text(); }
    bool Ticked(const char* box) const { return Find<QAbstractButton>(box)->isChecked(); }

    void ShowPageOf(const QWidget* control) {
        auto* pages = Find<QTabWidget>("PageControl1");
        for (int index = 0; index < pages->count(); ++index) {
            if (pages->widget(index)->isAncestorOf(control)) {
                QTabBar* tabs = pages->tabBar();
                QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
            }
        }
    }
    // Replaces the field's text as the user does: select all, delete, type.
    void Retype(const char* name, const QString& text) {
        QLineEdit* field = Field(name);
        ShowPageOf(field);
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        // One key per character, also for characters beyond ASCII, such as "€".
        for (const char32_t character : text.toUcs4()) {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown,
                                QString::fromUcs4(&character, 1), Qt::NoModifier);
        }
    }
    // Clicks the round or square box of a radio button or check box.
    void ClickBox(const char* name) {
        auto* button = Find<QAbstractButton>(name);
        ShowPageOf(button);
        const int x = button->layoutDirection() == Qt::RightToLeft ? button->width() - 7 : 7;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(x, button->height() / 2));
    }
    void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    void PressOk() { QTest::mouseClick(Find<QPushButton>("BitBtn1"), Qt::LeftButton); }

    bool ClosedWith(QDialog::DialogCode result) const {
        return !dialog_->isVisible() && dialog_->result() == result;
    }

    ErrorBoxes errors_;
    QTemporaryDir configHome_;
    std::optional<SettingsFile> file_;
    AppState values_;
    FakeMainWindow window_;
    std::vector<int> helpRequests_;
    std::unique_ptr<TConfig> dialog_;
};

// ---- OK without changes ------------------------------------------------------------------

TEST_F(ConfigDialogTest, FirstRunOkCreatesTheFileAndAppliesEverySetting) {
    StartUp();
    Open();
    PressOk();
    EXPECT_TRUE(ClosedWith(QDialog::Accepted));
    EXPECT_THAT(FileLines(), ElementsAreArray(kFirstRunFile));
    EXPECT_THAT(window_.changes,
                ElementsAre("TEG 0", "side 0", "copy button shown",
                            "captions TVA 20.6 %|TVA 5.50 %|TVA 2.10 %", "first rate chosen"));
    EXPECT_THAT(errors_.shown, IsEmpty());

    Open();  // the rates in force, six decimals
    EXPECT_EQ(Text("ValeurEuro"), "6.475510");
    EXPECT_EQ(Text("ValeurDollars"), "5.946200");
}

TEST_F(ConfigDialogTest, EnterPressesOk) {
    StartUp();
    Open();
    Retype("ValeurEuro", "7");
    Key(Qt::Key_Return);
    EXPECT_TRUE(ClosedWith(QDialog::Accepted));
    EXPECT_EQ(FileLines().at(1), "ValeurEuro=7");
}

TEST_F(ConfigDialogTest, DisabledPrintBoxCannotBeTickedAndIsNotSaved) {
    StartUp();
    Open();
    EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isEnabled());
    ClickBox("CheckBox1");
    EXPECT_FALSE(Ticked("CheckBox1"));
    PressOk();
    EXPECT_THAT(FileLines(), ElementsAreArray(kFirstRunFile));
}

// ---- Opening: the settings in force ------------------------------------------------------

struct InForce {
    const char* autoCopyAtStartUp;
    bool copyButtonHidden;
    int startSide;
    const char* tegRate;
};

void PrintTo(const InForce& c, std::ostream* out) {
    *out << "start-up copy " << c.autoCopyAtStartUp << ", button hidden " << c.copyButtonHidden
         << ", side " << c.startSide << ", TEG \"" << c.tegRate << '"';
}

class Opening : public ConfigDialogTest, public testing::WithParamInterface<InForce> {};

// The copy box follows the button as it is now, also when a save in the same run changed the
// preference read at start-up.
TEST_P(Opening, ShowsTheSettingsInForceAndSavesThemBack) {
    const InForce& inForce = GetParam();
    values_.autoCopyText = inForce.autoCopyAtStartUp;
    window_.copyButtonHidden = inForce.copyButtonHidden;
    window_.startSide = inForce.startSide;
    window_.tegRateText = inForce.tegRate;
    values_.vatRate1 = Real48(19.6L);
    Open();
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentWidget(), Find<QWidget>("TabSheet1"));
    EXPECT_EQ(QApplication::focusWidget(), Field("ValeurEuro"));
    EXPECT_EQ(Text("Edit1"), "19.60000");
    EXPECT_EQ(Text("Edit2"), "5.50000");
    EXPECT_EQ(Text("Edit3"), "2.10000");
    EXPECT_EQ(Text("Edit4"), inForce.tegRate);
    EXPECT_EQ(Ticked("RadioTaxeTTC"), inForce.startSide == 0);
    EXPECT_EQ(Ticked("RadioTaxeHT"), inForce.startSide == 1);
    EXPECT_EQ(Ticked("CopieAutoPP"), inForce.copyButtonHidden);

    PressOk();
    const std::vector<std::string> lines = FileLines();
    ASSERT_EQ(lines.size(), kFirstRunFile.size());
    EXPECT_EQ(lines[5], "TauxTVA_1=19.60000");
    EXPECT_EQ(lines[9], std::string("TauxTEG=") + inForce.tegRate);
    EXPECT_EQ(lines[11], "TTC-HT=" + std::to_string(inForce.startSide));
    EXPECT_EQ(lines[12], inForce.copyButtonHidden ? "CopiePressePapier=1" : "CopiePressePapier=0");
    EXPECT_EQ(window_.copyButtonHidden, inForce.copyButtonHidden);
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, Opening,
                         testing::Values(InForce{"0", false, 0, "0"}, InForce{"0", true, 1, "12,5"},
                                         InForce{"1", false, 0, "8"}, InForce{"1", true, 1, ""}));

// ---- Ways out without saving -------------------------------------------------------------

enum class WayOut { kCancelButton, kEscape, kCloseBox };

class Leaving : public ConfigDialogTest, public testing::WithParamInterface<WayOut> {};

TEST_P(Leaving, AfterEditingEveryFieldChangesNothing) {
    StartUp();
    const AppState before = values_;
    Open();
    Retype("ValeurEuro", "7");
    Retype("ValeurDollars", "8");
    Retype("Edit1", "19,6");
    Retype("Edit2", "7");
    Retype("Edit3", "1");
    ClickBox("RadioTaxeHT");
    ClickBox("CopieAutoPP");
    Retype("Edit4", "12");
    switch (GetParam()) {
        case WayOut::kCancelButton:
            QTest::mouseClick(Find<QPushButton>("BitBtn2"), Qt::LeftButton);
            break;
        case WayOut::kEscape:
            Key(Qt::Key_Escape);
            break;
        case WayOut::kCloseBox:
            dialog_->close();
            break;
    }
    EXPECT_TRUE(ClosedWith(QDialog::Rejected));
    EXPECT_FALSE(fs::exists(file_->path()));
    EXPECT_THAT(window_.changes, IsEmpty());
    EXPECT_EQ(values_.euroRate, before.euroRate);
    EXPECT_EQ(values_.dollarRate, before.dollarRate);
    EXPECT_EQ(values_.vatRate1, before.vatRate1);
    EXPECT_EQ(values_.vatRate2, before.vatRate2);
    EXPECT_EQ(values_.vatRate3, before.vatRate3);
    EXPECT_EQ(values_.euroRateText, before.euroRateText);
    EXPECT_EQ(values_.dollarRateText, before.dollarRateText);
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, Leaving,
                         testing::Values(WayOut::kCancelButton, WayOut::kEscape,
                                         WayOut::kCloseBox));

// ---- Currency rates ----------------------------------------------------------------------

struct CurrencyCase {
    const char* field;
    const char* typed;
    std::size_t line;
    const char* saved;
    Extended euroRate;
    Extended dollarRate;
    const char* euroText;
    const char* dollarText;
};

void PrintTo(const CurrencyCase& c, std::ostream* out) {
    *out << c.field << " := \"" << c.typed << '"';
}

class CurrencyField : public ConfigDialogTest, public testing::WithParamInterface<CurrencyCase> {};

// An empty field keeps its rate in force, and the file keeps it too: an empty value would read
// as a rate of 0 at the next start-up.
TEST_P(CurrencyField, SavesTheTextAndAppliesTheRate) {
    const CurrencyCase& c = GetParam();
    StartUp();
    Open();
    Retype(c.field, c.typed);
    PressOk();
    EXPECT_EQ(FileLines().at(c.line), c.saved);
    EXPECT_EQ(values_.euroRate, Real48(c.euroRate));
    EXPECT_EQ(values_.dollarRate, Real48(c.dollarRate));
    EXPECT_EQ(values_.euroRateText, c.euroText);
    EXPECT_EQ(values_.dollarRateText, c.dollarText);
}

INSTANTIATE_TEST_SUITE_P(
    ConfigDialog, CurrencyField,
    testing::Values(CurrencyCase{"ValeurEuro", "", 1, "ValeurEuro=6.475510", 6.47551L, 5.9462L,
                                 "6.475510", "5.946200"},
                    CurrencyCase{"ValeurDollars", "", 3, "ValeurDollars=5.946200", 6.47551L,
                                 5.9462L, "6.475510", "5.946200"},
                    CurrencyCase{"ValeurEuro", "6,5", 1, "ValeurEuro=6,5", 6, 5.9462L, "6.000000",
                                 "5.946200"},
                    CurrencyCase{"ValeurDollars", "1e1", 3, "ValeurDollars=1e1", 6.47551L, 10,
                                 "6.475510", "10.000000"},
                    CurrencyCase{"ValeurEuro", " 7.5 ", 1, "ValeurEuro=7.5", 7.5L, 5.9462L,
                                 "7.500000", "5.946200"}));

// ---- VAT rates ---------------------------------------------------------------------------

struct FirstRateCase {
    const char* typed;
    Extended rate;
    const char* caption;
};

void PrintTo(const FirstRateCase& c, std::ostream* out) {
    *out << '"' << c.typed << '"';
}

class FirstVatRate : public ConfigDialogTest, public testing::WithParamInterface<FirstRateCase> {};

TEST_P(FirstVatRate, IsSavedAsTypedAndShownInTheCaption) {
    const FirstRateCase& c = GetParam();
    StartUp();
    Open();
    Retype("Edit1", c.typed);
    PressOk();
    EXPECT_EQ(FileLines().at(5), std::string("TauxTVA_1=") + c.typed);
    EXPECT_EQ(values_.vatRate1, Real48(c.rate));
    EXPECT_EQ(window_.changes.at(3),
              std::string("captions ") + c.caption + "|TVA 5.50 %|TVA 2.10 %");
    EXPECT_EQ(window_.changes.back(), "first rate chosen");
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, FirstVatRate,
                         testing::Values(FirstRateCase{"19,6", 19, "TVA 19,6 %"},
                                         FirstRateCase{"19.6", 19.6L, "TVA 19.6 %"},
                                         FirstRateCase{"7.12345", 7.12345L, "TVA 7.12 %"},
                                         FirstRateCase{"", 0, "TVA  %"}));

TEST_F(ConfigDialogTest, EverySaveAppliesTheThreeVatRates) {
    StartUp();
    Open();
    Retype("Edit2", " 7 ");  // read without the blanks around it
    Retype("Edit3", "abc");
    PressOk();
    EXPECT_EQ(values_.vatRate1, Real48(20.6L));
    EXPECT_EQ(values_.vatRate2, Real48(7));
    EXPECT_EQ(values_.vatRate3, Real48(0));
    EXPECT_EQ(FileLines().at(7), "TauxTVA_3=abc");
}

// ---- Settings page -----------------------------------------------------------------------

struct ChoiceCase {
    const char* control;
    std::size_t line;
    const char* saved;
    const char* change;
};

void PrintTo(const ChoiceCase& c, std::ostream* out) {
    *out << c.control;
}

class SettingsChoice : public ConfigDialogTest, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(SettingsChoice, IsAppliedAtOnceAndSaved) {
    const ChoiceCase& c = GetParam();
    StartUp();
    Open();
    ClickBox(c.control);
    PressOk();
    EXPECT_EQ(FileLines().at(c.line), c.saved);
    EXPECT_THAT(window_.changes, testing::Contains(c.change));
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, SettingsChoice,
                         testing::Values(ChoiceCase{"RadioTaxeHT", 11, "TTC-HT=1", "side 1"},
                                         ChoiceCase{"CopieAutoPP", 12, "CopiePressePapier=1",
                                                    "copy button hidden"}));

// Texts are saved in code page 1252, as the settings files of Windows hold them.
struct TegCase {
    const char* typed;
    const char* saved;
    const char* shownAgain;
};

class TegRate : public ConfigDialogTest, public testing::WithParamInterface<TegCase> {};

TEST_P(TegRate, GoesToTheFileAndTheTegField) {
    StartUp();
    Open();
    Retype("Edit4", QString::fromUtf8(GetParam().typed));
    PressOk();
    EXPECT_EQ(FileLines().at(9), std::string("TauxTEG=") + GetParam().saved);
    EXPECT_EQ(window_.tegRateText, GetParam().saved);
    Open();
    EXPECT_EQ(Text("Edit4"), QString::fromUtf8(GetParam().shownAgain));
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, TegRate,
                         testing::Values(TegCase{"12,5", "12,5", "12,5"},
                                         TegCase{"5 €", "5 \x80", "5 €"},
                                         TegCase{"œ… ’é", "\x9C\x85 \x92\xE9", "œ… ’é"},
                                         TegCase{"Ā 😀", "? ?", "? ?"}));

// ---- A failed write ----------------------------------------------------------------------

TEST_F(ConfigDialogTest, UnwritableLocationIsShownAndTheDialogCloses) {
    const fs::path plainFile = fs::path(configHome_.path().toStdString()) / "plain-file";
    std::ofstream(plainFile) << "x";
    UseConfigDirectory(plainFile / "config");
    StartUp();
    Open();
    Retype("ValeurEuro", "7");
    PressOk();
    EXPECT_EQ(errors_.shown, QStringList{QStringLiteral("Ne peut écrire dans CHIFFREL.INI.")});
    EXPECT_TRUE(ClosedWith(QDialog::Accepted));
    // The rate applied before the first write stays; nothing after it happened.
    EXPECT_EQ(values_.euroRate, Real48(7));
    EXPECT_EQ(values_.euroRateText, "6.47551");
    EXPECT_THAT(window_.changes, IsEmpty());
}

TEST_F(ConfigDialogTest, WriteFailingMidwayKeepsTheStepsBeforeIt) {
    StartUp();
    const fs::path moved = fs::path(configHome_.path().toStdString()) / "moved";
    // The settings location disappears once the TEG rate is applied.
    window_.afterTegRateSet = [this, moved] {
        fs::rename(ConfigDirectory(), moved);
        std::ofstream(ConfigDirectory()) << "x";
    };
    Open();
    Retype("Edit1", "19");
    PressOk();
    EXPECT_EQ(errors_.shown, QStringList{QStringLiteral("Ne peut écrire dans CHIFFREL.INI.")});
    EXPECT_TRUE(ClosedWith(QDialog::Accepted));
    std::vector<std::string> written(kFirstRunFile.begin(), kFirstRunFile.begin() + 10);
    written[5] = "TauxTVA_1=19";
    EXPECT_THAT(LinesOf(moved / "CHIFFREL.INI"), ElementsAreArray(written));
    EXPECT_EQ(values_.vatRate1, Real48(19));
    EXPECT_EQ(values_.euroRateText, "6.475510");
    EXPECT_THAT(window_.changes, ElementsAre("TEG 0"));
}

// Saved, such a rate would stop every later start-up where it is read.
TEST_F(ConfigDialogTest, RateTooLargeToStoreStopsTheSaveBeforeAnyWrite) {
    StartUp();
    Open();
    Retype("Edit1", "1e39");
    PressOk();
    EXPECT_EQ(errors_.shown, QStringList{QStringLiteral("Débordement flottant.")});
    EXPECT_TRUE(ClosedWith(QDialog::Accepted));
    EXPECT_FALSE(fs::exists(file_->path()));
    EXPECT_THAT(window_.changes, IsEmpty());
}

// Alt with a letter is an access key and never types; with Ctrl it is AltGr on some systems.
TEST_F(ConfigDialogTest, AltKeysTypeInAFieldOnlyWithCtrl) {
    Open();
    QLineEdit* euro = Field("ValeurEuro");
    QTest::keyClick(euro, Qt::Key_X, Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Click, euro, Qt::Key_E, QStringLiteral("€"),
                        Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(euro->text(), "€");
}

// ---- Help --------------------------------------------------------------------------------

class HelpKey : public ConfigDialogTest, public testing::WithParamInterface<const char*> {};

TEST_P(HelpKey, OpensTheDialogsTopicFromAnyControl) {
    Open();
    QWidget* control = Find<QWidget>(GetParam());
    ShowPageOf(control);
    control->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_F1);
    EXPECT_THAT(helpRequests_, ElementsAre(6));
    EXPECT_TRUE(dialog_->isVisible());
}

INSTANTIATE_TEST_SUITE_P(ConfigDialog, HelpKey,
                         testing::Values("ValeurEuro", "ValeurDollars", "Edit4", "CopieAutoPP",
                                         "BitBtn1", "BitBtn2"));

}  // namespace
}  // namespace chiffrel::testing_support
