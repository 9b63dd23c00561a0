#include "engine/amount_text.h"
#include "platform/windowing/system_metrics.h"
#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

class OperationsTab : public MainWindowTest {
  protected:
    void SetUp() override {
        Open();
        Key(Qt::Key_F6);
    }
    void ClickSelector(const char* name) { QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton); }
    QColor SelectorColour(const char* name) const {
        return Label(name)->palette().color(QPalette::Window);
    }
};

TEST_F(OperationsTab, ChainsOperationsWithTheUpperButtonAndEnter) {
    ClickSelector("TextMult");
    EXPECT_EQ(Find<QSlider>("BarCalcul")->value(), 2);
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    Type("12");
    Field("Saisie2")->setFocus(Qt::TabFocusReason);
    Type("3");
    EXPECT_EQ(Result(), "    36.00");
    ClickButton("BitBtn1");  // the upper button
    EXPECT_EQ(Field("SaisieMnt")->text(), "36.00");
    EXPECT_EQ(Field("Saisie2")->text(), "");
    EXPECT_EQ(Result(), "     0.00");
    EXPECT_EQ(Focused(), Field("Saisie2"));
    Type("2");
    EXPECT_EQ(Result(), "    72.00");
    Key(Qt::Key_Enter);  // Enter in the second field moves the result up too
    EXPECT_EQ(Field("SaisieMnt")->text(), "72.00");
    EXPECT_EQ(Focused(), Field("Saisie2"));
}

TEST_F(OperationsTab, LowerButtonPutsTheResultIntoTheSecondValue) {
    Type("7");
    Key(Qt::Key_Return);  // Enter in the first field on this tab: result into the first value
    EXPECT_EQ(Field("SaisieMnt")->text(), "7.00");
    ClickButton("BitBtn2");
    EXPECT_EQ(Field("Saisie2")->text(), "7.00");
    EXPECT_EQ(Field("SaisieMnt")->text(), "");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(Result(), "     7.00");
}

TEST_F(OperationsTab, DivisionByAnEmptyValueGivesTheFirstValue) {
    ClickSelector("TextDiv");
    Type("7");
    EXPECT_EQ(Result(), "     7.00");
}

TEST_F(OperationsTab, OnlyTheChosenSelectorIsRed) {
    const QColor face = SystemColorValue(SystemColor::ButtonFace);
    EXPECT_EQ(SelectorColour("TextPlus"), QColor(Qt::red));
    ClickSelector("TextMoins");
    ClickSelector("TextMoins");  // clicking the highlighted one keeps it
    for (const char* selector : {"TextPlus", "TextMult", "TextDiv"}) {
        EXPECT_EQ(SelectorColour(selector), face) << selector;
    }
    EXPECT_EQ(SelectorColour("TextMoins"), QColor(Qt::red));
    Find<QSlider>("BarCalcul")->setValue(3);  // the user moves the slider
    EXPECT_EQ(SelectorColour("TextDiv"), QColor(Qt::red));
    EXPECT_EQ(Accessible("BarCalcul")->text(QAccessible::Description), "Position : DIV (/)");
    EXPECT_EQ(SelectorColour("TextMoins"), face);
    // Screen readers see the chosen one checked; their press acts as a click.
    EXPECT_TRUE(Accessible("TextDiv")->state().checked);
    EXPECT_FALSE(Accessible("TextMoins")->state().checked);
    Accessible("TextMult")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(SelectorColour("TextMult"), QColor(Qt::red));
    EXPECT_EQ(Accessible("SaisieMnt")->text(QAccessible::Name),
              "Première valeur : Opérations primaires, MULT (x)");
    EXPECT_EQ(Accessible("Saisie2")->text(QAccessible::Name), "Deuxième valeur, MULT (x)");
}

TEST_F(OperationsTab, MemoryKeepsTheShownTextAndRecallsItWithItsSpaces) {
    ClickSelector("TextDiv");
    Type("1");
    Field("Saisie2")->setFocus(Qt::TabFocusReason);
    Type("3");
    EXPECT_EQ(Result(), "     0.33");
    ClickButton("BMemPlus");
    ClickButton("BMemPlus");
    ClickButton("BMemPlus");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(Accessible("BRMem")->text(QAccessible::Description), "Mémoire : 0.99");
    ClickButton("BRMem");
    EXPECT_EQ(Field("SaisieMnt")->text(), "     0.99");
    EXPECT_EQ(Focused(), Field("Saisie2"));
    EXPECT_EQ(Result(), "     0.33");  // 0.99 / 3
    ClickButton("BMemMoins");
    ClickButton("BRMem");
    EXPECT_EQ(Field("SaisieMnt")->text(), "     0.66");
}

class ConversionTab : public MainWindowTest {};

struct DirectionCase {
    const char* radio;
    const char* result;
    const char* unit;
    const char* prompt;
    const char* rateLine;
    const char* spokenUnit;  // the unit as a screen reader says it
};

class Directions : public MainWindowTest, public testing::WithParamInterface<DirectionCase> {};

TEST_P(Directions, ConvertAtTheBuiltInRates) {
    const DirectionCase& c = GetParam();
    Open();
    Type("100");
    Key(Qt::Key_F7);
    if (!Radio(c.radio)->isChecked()) {
        ClickRadio(c.radio);
    }
    EXPECT_EQ(Result(), c.result);
    EXPECT_EQ(Shown("Label4"), c.unit);
    EXPECT_EQ(Shown("Label3"), c.prompt);
    EXPECT_EQ(Shown("Label7"), c.rateLine);
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(Accessible("SaisieMnt")->text(QAccessible::Description),
              QStringLiteral("Résultat : ") + QString(c.result).trimmed() + ' ' + c.spokenUnit);
    EXPECT_EQ(Accessible("SaisieMnt")->text(QAccessible::Name),
              QStringLiteral("Première valeur : ") + c.prompt);
}

const char* const kEuroLine = "Taux : 1 Euro -> 6.47551 Francs";
const char* const kDollarLine = "Taux : 1 Dollars -> 5.94620 Francs";

INSTANTIATE_TEST_SUITE_P(
    FourWays, Directions,
    testing::Values(DirectionCase{"RadioEuroF", "  15.4428", "E.", "Saisie du montant en Francs",
                                  kEuroLine, "euros"},
                    DirectionCase{"RadioEuroE", " 647.5510", "FF", "Saisie du montant en Euro",
                                  kEuroLine, "francs"},
                    DirectionCase{"RadioDollarsFrancs", "   594.62", "FF",
                                  "Saisie du montant en Dollars", kDollarLine, "francs"},
                    DirectionCase{"RadioFrancsDollars", "    16.82", "$$",
                                  "Saisie du montant en Francs", kDollarLine, "dollars"}));

TEST_F(ConversionTab, EnteringTheTabStartsAgainAtFrancsToEuro) {
    Open();
    Key(Qt::Key_F7);
    ClickRadio("RadioDollarsFrancs");
    Type("100");
    EXPECT_EQ(Result(), "   594.62");
    ClickTab(3);
    ClickTab(2);
    EXPECT_TRUE(Radio("RadioEuroF")->isChecked());
    EXPECT_EQ(Shown("Label7"), kEuroLine);
    EXPECT_EQ(Shown("Label4"), "E.");
    EXPECT_EQ(Result(), "  15.4428");
}

TEST_F(ConversionTab, MoveResultUpConvertsAgainInTheSameDirection) {
    Open();
    Key(Qt::Key_F7);
    ClickRadio("RadioEuroE");
    Type("2");
    EXPECT_EQ(Result(), "  12.9510");
    ClickButton("ButtonMonteCE");
    EXPECT_EQ(Field("SaisieMnt")->text(), "12.9510");
    EXPECT_EQ(Result(), "  83.8643");
}

TEST_F(ConversionTab, AZeroRateIsShownAndTheDisplaysKeepTheirTexts) {
    WriteSettings("[Conversion_Euro]\nValeurEuro=0\n");
    Open();
    Type("5");
    const QString before = Result();
    Key(Qt::Key_F7);
    EXPECT_EQ(errors_.shown, QStringList{"Division flottante par zéro."});
    EXPECT_EQ(Result(), before);
}

using TegTab = MainWindowTest;

TEST_F(TegTab, ComputesTheInterestAtEveryChange) {
    Open();
    Key(Qt::Key_F8);
    EXPECT_EQ(Result(), "   0.0000");
    Type("10000");
    Key(Qt::Key_T, Qt::AltModifier);  // access keys of buttons hidden on this tab
    Key(Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(Field("SaisieMnt")->text(), "10000");
    Field("EditTxTEG")->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_A, Qt::ControlModifier);
    Type("12");
    EXPECT_EQ(Result(), "   0.0000");
    Field("EditNbJour")->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_A, Qt::ControlModifier);
    Type("30");
    EXPECT_EQ(Result(), "  98.6301");
    EXPECT_EQ(Accessible("EditNbJour")->text(QAccessible::Description),
              "Résultat : 98.6301 francs");
    Key(Qt::Key_F8);  // the same tab again recomputes and keeps the layout
    EXPECT_EQ(Result(), "  98.6301");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_TRUE(Action("MenuTabTEG")->isChecked());
}

// What each tab shows of the shared controls, its prompt, unit and checked menu item.
struct LayoutCase {
    Qt::Key key;
    const char* menuItem;
    const char* prompt;
    const char* unit;
    bool secondField, vatSlider, taxLabel, transfer, moveUp, memoryKeys;
};

class TabLayout : public MainWindowTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(TabLayout, ShowsTheSharedControlsOfTheTab) {
    const LayoutCase& c = GetParam();
    Open();
    Key(Qt::Key_F6);  // start from another layout than the initial one
    Key(Qt::Key_F8);
    Key(c.key);
    EXPECT_EQ(Shown("Label3"), c.prompt);
    EXPECT_EQ(Shown("Label4"), c.unit);
    EXPECT_EQ(Visible("Saisie2"), c.secondField);
    for (const char* name : {"bar", "Label5", "Label6"}) {
        EXPECT_EQ(Visible(name), c.vatSlider) << name;
    }
    EXPECT_EQ(Visible("LabelTaxe"), c.taxLabel);
    EXPECT_EQ(Visible("ButtonTransfert"), c.transfer);
    EXPECT_EQ(Visible("ButtonMonteCE"), c.moveUp);
    for (const char* name : {"BMemPlus", "BMemMoins", "BRMem"}) {
        EXPECT_EQ(Visible(name), c.memoryKeys) << name;
    }
    for (const char* item : {"MenuTabTVA", "MenuTabCalcul", "MenuTabEuro", "MenuTabTEG"}) {
        EXPECT_EQ(Action(item)->isChecked(), std::string(item) == c.menuItem) << item;
    }
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    // The page's tab is the chosen one, and does not claim the keyboard that the field has.
    QAccessibleInterface* const tab =
        QAccessible::queryAccessibleInterface(Find<QTabWidget>("PageControl")->tabBar())
            ->child(Find<QTabWidget>("PageControl")->currentIndex());
    EXPECT_TRUE(tab->state().selected);
    EXPECT_FALSE(tab->state().focused);
}

INSTANTIATE_TEST_SUITE_P(
    FourTabs, TabLayout,
    testing::Values(LayoutCase{Qt::Key_F5, "MenuTabTVA", "Saisie du montant H.T.", "FF", false,
                               true, true, true, false, false},
                    LayoutCase{Qt::Key_F6, "MenuTabCalcul", "Opérations primaires", "FF", true,
                               false, false, true, false, true},
                    LayoutCase{Qt::Key_F7, "MenuTabEuro", "Saisie du montant en Francs", "E.",
                               false, false, false, false, true, false},
                    LayoutCase{Qt::Key_F8, "MenuTabTEG", "Saisie du montant en Francs", "FF", false,
                               false, false, false, false, false}));

using TabChange = MainWindowTest;

TEST_F(TabChange, OperationsTabFocusesTheSecondValueWhenTheFirstHoldsText) {
    Open();
    ClickTab(1);
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    Type("5");
    ClickTab(0);
    ClickTab(1);
    EXPECT_EQ(Focused(), Field("Saisie2"));
    EXPECT_EQ(Result(), "     5.00");
}

TEST_F(TabChange, VatPromptFollowsTheSlider) {
    WriteSettings("[Reglages]\nTTC-HT=1\n");
    Open();
    Key(Qt::Key_F6);
    Key(Qt::Key_F5);
    EXPECT_EQ(Shown("Label3"), "Saisie du montant T.T.C.");
}

TEST_F(TabChange, TransferCarriesTheResultBetweenVatAndOperations) {
    Open();
    Type("100");
    ClickButton("ButtonTransfert");
    EXPECT_EQ(Find<QTabWidget>("PageControl")->currentWidget()->objectName(), "TabCalcul");
    EXPECT_EQ(Field("Saisie2")->text(), "120.60");
    EXPECT_EQ(Field("SaisieMnt")->text(), "");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(Result(), "   120.60");
    Type("10");
    EXPECT_EQ(Result(), "   130.60");
    ClickButton("ButtonTransfert");
    EXPECT_EQ(Find<QTabWidget>("PageControl")->currentWidget()->objectName(), "TabTVA");
    EXPECT_EQ(Field("SaisieMnt")->text(), "130.60");
    EXPECT_EQ(Result(), "   157.50");
    EXPECT_EQ(Shown("LabelTaxe"), "Taxe =     26.90");
}

using Reset = MainWindowTest;

TEST_F(Reset, FromTheOperationsTabBringsEverythingBack) {
    WriteSettings("[Reglages]\nTTC-HT=1\n");
    Open();
    Find<QSlider>("bar")->setValue(0);
    ClickRadio("RadioButton22");
    Key(Qt::Key_F6);
    QTest::mouseClick(Find<QWidget>("TextMult"), Qt::LeftButton);
    Type("4");
    Field("Saisie2")->setFocus(Qt::TabFocusReason);
    Type("5");
    ClickButton("BMemPlus");
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(Find<QTabWidget>("PageControl")->currentWidget()->objectName(), "TabTVA");
    EXPECT_EQ(Field("SaisieMnt")->text(), "");
    EXPECT_EQ(Field("Saisie2")->text(), "");
    EXPECT_FALSE(Visible("Saisie2"));
    EXPECT_TRUE(Visible("LabelTaxe"));
    EXPECT_EQ(Find<QSlider>("BarCalcul")->value(), 0);
    EXPECT_EQ(Label("TextPlus")->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_TRUE(context_->values.memoryValue.isZero());
    EXPECT_EQ(Shown("Label4"), "FF");
    EXPECT_TRUE(Radio("RadioButton206")->isChecked());
    EXPECT_EQ(Find<QSlider>("bar")->value(), 1);  // back to the start side
    EXPECT_EQ(Shown("Label3"), "Saisie du montant T.T.C.");
    EXPECT_TRUE(Action("MenuTabTVA")->isChecked());
    EXPECT_FALSE(Action("MenuTabCalcul")->isChecked());
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    // The first rate's action ran on the empty entry with the slider as it was before.
    EXPECT_EQ(Result(), "     0.00");
    EXPECT_EQ(Shown("LabelTaxe"), "Taxe =      0.00");
}

TEST_F(Reset, FromTheTegTabShowsTheVatTabOfAnEmptyEntryAndKeepsTheTegFields) {
    Open();
    Key(Qt::Key_F8);
    Type("100");
    Field("EditNbJour")->setFocus(Qt::TabFocusReason);
    Type("5");
    ClickButton("ButtonRAZ");
    EXPECT_EQ(Result(), "     0.00");
    EXPECT_EQ(Shown("LabelTaxe"), "Taxe =      0.00");
    EXPECT_EQ(Field("EditNbJour")->text(), "5");  // tabbing in selected the "0"
    EXPECT_EQ(Shown("Label3"), "Saisie du montant H.T.");
}

}  // namespace
}  // namespace chiffrel::testing_support
