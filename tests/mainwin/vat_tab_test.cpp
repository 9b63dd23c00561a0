#include <QFileInfo>
#include <QMenu>
#include <QPlatformSurfaceEvent>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <cstring>

#include "forms/qt_texts.h"
#include "mainwin/program_version.h"
#include "tests/mainwin/main_window_fixture.h"

namespace chiffrel::testing_support {
namespace {

using StartUp = MainWindowTest;

TEST_F(StartUp, WithoutSettingsFileShowsTheBuiltInRatesAndCreatesNoFile) {
    Open();
    EXPECT_EQ(window_->windowTitle(), "Chiffrel");
    EXPECT_EQ(window_->FormCaption(), QStringLiteral(" v") + QLatin1String(kProgramVersion));
    EXPECT_EQ(Shown("Label3"), "Saisir le montant H.T.");
    EXPECT_EQ(Radio("RadioButton206")->text(), "TVA 20.6 %");
    EXPECT_EQ(Radio("RadioButton55")->text(), "TVA 5.50 %");
    EXPECT_EQ(Radio("RadioButton22")->text(), "TVA 2.10 %");
    EXPECT_TRUE(Radio("RadioButton206")->isChecked());
    EXPECT_EQ(Find<QSlider>("bar")->value(), 0);
    EXPECT_EQ(Result(), "0.00");
    EXPECT_EQ(Shown("Label4"), "FF");
    EXPECT_EQ(Shown("LabelTaxe"), "");
    EXPECT_EQ(Find<QTabWidget>("PageControl")->currentWidget()->objectName(), "TabTVA");
    EXPECT_TRUE(Action("MenuTabTVA")->isChecked());
    EXPECT_TRUE(Visible("Button1"));
    EXPECT_FALSE(Visible("Saisie2"));
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(window_->centralWidget()->size(), QSize(412, 304));
    EXPECT_FALSE(QFileInfo::exists(SettingsPath()));
}

// Records the window's size when its native window comes into being.
class SizeAtCreation : public QObject {
  public:
    explicit SizeAtCreation(QWidget* window) : window_(window) { window->installEventFilter(this); }
    QSize size;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceCreated) {
            size = window_->size();
        }
        return false;
    }

  private:
    QWidget* window_;
};

// A window manager still taking over a new window misreports where it is when the program
// resizes it then; the program would drop its menus at the screen's corner.
TEST_F(StartUp, TheWindowIsCreatedWithTheSizeItKeepsCentredOnTheScreen) {
    context_ = std::make_unique<ProgramContext>();
    window_ = std::make_unique<Tmere>(*context_);
    const SizeAtCreation created(window_.get());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_EQ(created.size, window_->size());
    const QPoint offCentre =
        window_->geometry().center() - window_->screen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2) << offCentre.x() << "," << offCentre.y();
}

TEST_F(StartUp, ReadsTheSettingsIntoTheWindow) {
    WriteSettings(
        "[Valeur_Pourcentages]\r\nTauxTVA_1=19,6\r\nTauxTVA_2=7.12345\r\n"
        "[Valeur_TEG]\r\nTauxTEG=12,5\r\n[Reglages]\r\nTTC-HT=1\r\nCopiePressePapier=1\r\n");
    Open();
    EXPECT_EQ(Radio("RadioButton206")->text(), "TVA 19,6 %");
    EXPECT_EQ(Radio("RadioButton55")->text(), "TVA 7.12 %");
    EXPECT_EQ(Field("EditTxTEG")->text(), "12,5");
    // The slider starts on the H.T. side, and the prompt asks for what it reads.
    EXPECT_EQ(Find<QSlider>("bar")->value(), 1);
    EXPECT_EQ(Shown("Label3"), "Saisie du montant T.T.C.");
    EXPECT_FALSE(Visible("Button1"));
    Find<QSlider>("bar")->setValue(0);  // the user moves the slider back
    Type("100");
    EXPECT_EQ(Result(), "   119.00");  // "19,6" reads as 19
}

// The texts Qt draws itself are French too, whatever the locale the program runs in.
TEST_F(StartUp, TheAmountFieldsContextMenuIsFrench) {
    const std::unique_ptr<QTranslator> catalogue(ui::InstallQtFrenchTexts());
    ASSERT_NE(catalogue, nullptr) << "Qt's French catalogue is missing (qt6-translations-l10n)";
    Open();
    const std::unique_ptr<QMenu> menu(Field("SaisieMnt")->createStandardContextMenu());
    QStringList items;
    for (const QAction* item : menu->actions()) {
        if (!item->isSeparator()) {
            items.append(item->text().section(QLatin1Char('\t'), 0, 0).remove('&'));
        }
    }
    EXPECT_EQ(items, (QStringList{"Annuler", "Rétablir", "Couper", "Copier", "Coller", "Supprimer",
                                  "Tout sélectionner"}));
}

TEST_F(StartUp, ARateTooLargeStopsTheCreationButTheWindowOpens) {
    WriteSettings("[Conversion_Euro]\nValeurEuro=1e99\n[Valeur_Pourcentages]\nTauxTVA_1=10\n");
    Open();
    EXPECT_EQ(errors_.shown, QStringList{"Débordement flottant."});
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(FormatRate(context_->values.euroRate), "6.47551");
    EXPECT_EQ(FormatRate(context_->values.vatRate1), "20.60000");  // not loaded
    Type("100");
    EXPECT_EQ(Result(), "   120.60");
}

struct RateCase {
    const char* button;
    int slider;
    const char* amount;
    const char* result;
    const char* tax;
    const char* spokenSide;  // the slider's position as a screen reader says it
};

class RateAndSide : public MainWindowTest, public testing::WithParamInterface<RateCase> {};

TEST_P(RateAndSide, TypingShowsTheResultAndTheTaxAtEveryKeystroke) {
    const RateCase& c = GetParam();
    Open();
    if (!Radio(c.button)->isChecked()) {
        ClickRadio(c.button);  // a click on the checked button would do nothing at all
    }
    Find<QSlider>("bar")->setValue(c.slider);  // as the user drags it
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    Type(c.amount);
    EXPECT_EQ(Result(), c.result);
    EXPECT_EQ(Shown("LabelTaxe"), c.tax);
    EXPECT_EQ(Accessible("bar")->text(QAccessible::Description), c.spokenSide);
    if (*c.amount != '\0') {  // one run of attributes holds the whole amount
        EXPECT_EQ(LastAttributeRun("SaisieMnt"), std::make_pair(0, int(strlen(c.amount))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    BuiltInRates, RateAndSide,
    testing::Values(
        RateCase{"RadioButton206", 0, "100", "   120.60", "Taxe =     20.60", "Position : T.T.C."},
        RateCase{"RadioButton55", 0, "100", "   105.50", "Taxe =      5.50", "Position : T.T.C."},
        RateCase{"RadioButton22", 0, "100", "   102.10", "Taxe =      2.10", "Position : T.T.C."},
        RateCase{"RadioButton206", 1, "120.6", "   100.00", "Taxe =     20.60", "Position : H.T."},
        RateCase{"RadioButton55", 1, "105.5", "   100.00", "Taxe =      5.50", "Position : H.T."},
        RateCase{"RadioButton22", 1, "", "     0.00", "Taxe =      0.00", "Position : H.T."}));

using VatTab = MainWindowTest;

TEST_F(VatTab, SliderMoveRecomputesAndSetsThePrompt) {
    Open();
    Type("120.6");
    Find<QSlider>("bar")->setValue(1);
    EXPECT_EQ(Result(), "   100.00");
    EXPECT_EQ(Shown("Label3"), "Saisie du montant T.T.C.");
    Find<QSlider>("bar")->setValue(0);
    EXPECT_EQ(Shown("Label3"), "Saisie du montant H.T.");
}

TEST_F(VatTab, FreeRateFieldSequence) {
    Open();
    Type("100");
    ClickIn("saisietva");
    EXPECT_TRUE(Radio("RadioButton0")->isChecked());
    EXPECT_FALSE(Radio("RadioButton206")->isChecked());
    EXPECT_EQ(Focused(), Field("saisietva"));
    EXPECT_EQ(Result(), "   100.00");
    EXPECT_EQ(Shown("LabelTaxe"), "Taxe =      0.00");
    Type("10");
    EXPECT_EQ(Result(), "   110.00");
    EXPECT_EQ(Shown("LabelTaxe"), "Taxe =     10.00");
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Field("saisietva")->text(), "");
    EXPECT_EQ(Result(), "   110.00");  // an emptied rate field keeps the rate in force
    Type("10");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Result(), "   101.00");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Result(), "   101.00");
    // Clicking into the field again drops the rate until something is typed.
    Type("5");
    ClickIn("saisietva");
    EXPECT_EQ(Result(), "   100.00");
}

TEST_F(VatTab, TabbingIntoTheFreeRateFieldChoosesIt) {
    Open();
    Type("100");
    Field("saisietva")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Radio("RadioButton0")->isChecked());
    EXPECT_EQ(Result(), "   100.00");
}

TEST_F(VatTab, ChoosingAFixedRateEmptiesTheFreeRateAndReturnsToTheAmount) {
    Open();
    Type("100");
    ClickIn("saisietva");
    Type("7");
    ClickRadio("RadioButton55");
    EXPECT_EQ(Field("saisietva")->text(), "");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
    EXPECT_EQ(Result(), "   105.50");
}

TEST_F(VatTab, MoveResultUpMakesTheResultTheNewAmount) {
    Open();
    Type("100");
    ClickButton("BitBtn3");
    EXPECT_EQ(Field("SaisieMnt")->text(), "120.60");
    EXPECT_EQ(Result(), "   145.44");
    EXPECT_EQ(Focused(), Field("SaisieMnt"));
}

TEST_F(VatTab, OverflowIsShownAndTheDisplaysKeepTheirTexts) {
    Open();
    Type("9e9");
    const QString before = Result();
    const QString taxBefore = Shown("LabelTaxe");
    Type("9");
    EXPECT_EQ(errors_.shown, QStringList{"Débordement flottant."});
    EXPECT_EQ(Result(), before);
    EXPECT_EQ(Shown("LabelTaxe"), taxBefore);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Result(), before);  // the program goes on
}

TEST_F(VatTab, AmountFieldTakesAtMostNineCharactersAndEnterDoesNothing) {
    Open();
    Type("1234567890");
    EXPECT_EQ(Field("SaisieMnt")->text(), "123456789");
    const QString before = Result();
    Key(Qt::Key_Return);
    Key(Qt::Key_Enter);
    EXPECT_EQ(Field("SaisieMnt")->text(), "123456789");
    EXPECT_EQ(Result(), before);
}

TEST_F(VatTab, EscapeQuitsWithExitCodeZero) {
    Open();
    QTimer::singleShot(0, [this] { Key(Qt::Key_Escape); });
    // Only if Escape failed. Tied to the window, so that it never fires in a later test: an exit
    // asked outside the event loop would make every later modal dialog return at once.
    QTimer::singleShot(5000, window_.get(), [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(context_->settingsFile.has_value());
}

}  // namespace
}  // namespace chiffrel::testing_support
