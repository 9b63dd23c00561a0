#include "mainwin/fmere.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTabBar>
#include <array>

#include "components/GradientCaption.h"
#include "engine/conversion.h"
#include "engine/general_format.h"
#include "engine/operations.h"
#include "engine/overdraft.h"
#include "engine/vat.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "infowin/pictures.h"
#include "mainwin/glyphs.h"
#include "mainwin/printing.h"
#include "mainwin/program_context.h"
#include "platform/qt/accessibility.h"
#include "platform/qt/event_rules.h"
#include "platform/qt/form_style.h"
#include "platform/qt/system_metrics.h"
#include "platform/qt/text_fit.h"
#include "ui_fmere.h"

namespace chiffrel {

using ui::Check;
using ui::MoveFocus;
using ui::SetText;
using ui::SetVisible;
using ui::ToAmountText;
using ui::ToQString;

namespace {

const QString kPromptHT = QStringLiteral("Saisie du montant H.T.");
const QString kPromptTTC = QStringLiteral("Saisie du montant T.T.C.");
const QString kPromptOperations = QStringLiteral("Opérations primaires");
const QString kPromptFrancs = QStringLiteral("Saisie du montant en Francs");
const QString kPromptEuro = QStringLiteral("Saisie du montant en Euro");
const QString kPromptDollars = QStringLiteral("Saisie du montant en Dollars");
const QString kPromptAtCreation = QStringLiteral("Saisir le montant H.T.");

constexpr int kAmountFieldLimit = 9;

// The help topic of the window as a whole.
constexpr int kWindowHelpContext = 1;
// Menus and menu items with a help topic of their own carry it in this property.
constexpr char kHelpContextProperty[] = "helpContext";

int HelpContextOf(const QObject* object) {
    return object != nullptr ? object->property(kHelpContextProperty).toInt() : 0;
}

// F1 in an open menu: the highlighted item's topic, else the menu's, else the window's.
int MenuHelpContext(const QMenu& menu) {
    if (const int item = HelpContextOf(menu.activeAction())) {
        return item;
    }
    if (const int own = HelpContextOf(&menu)) {
        return own;
    }
    return kWindowHelpContext;
}

bool IsHelpKey(const QEvent& event) {
    return event.type() == QEvent::KeyPress &&
           static_cast<const QKeyEvent&>(event).key() == Qt::Key_F1;
}

// The four operation selectors, in the order of their codes.
std::array<ui::ChoiceLabel*, 4> OperationSelectors(const Ui::Tmere& form) {
    return {form.TextPlus, form.TextMoins, form.TextMult, form.TextDiv};
}

// The currency of the result, which the unit label abbreviates, in words a screen reader says.
QString SpokenUnit(const QString& unit) {
    if (unit == u"FF") {
        return QStringLiteral("francs");
    }
    if (unit == u"E.") {
        return QStringLiteral("euros");
    }
    if (unit == u"$$") {
        return QStringLiteral("dollars");
    }
    return unit;
}

}  // namespace

Tmere::Tmere(ProgramContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), ui_(std::make_unique<Ui::Tmere>()) {
    ui::InstallAccessibleInterfaces();  // before the menus exist: names the "&?" menu title
    ui_->setupUi(this);
    SetUpAppearance();
    ConnectUserEvents();
    // A failed step of the creation is shown, skips the steps after it, and the window opens.
    ui::Guarded([this] { FormCreate(); });
    spokenResult_.Request();
}

Tmere::~Tmere() = default;

QString Tmere::FormCaption() const {
    return caption1_->CaptionText()->Caption();
}

// ---- Creation and activation -------------------------------------------------------------

void Tmere::SetUpAppearance() {
    setWindowTitle(QApplication::applicationDisplayName());
    // The window draws its own frame and caption strip; the strip paints the form's caption
    // text after the company label and the program name.
    caption1_ = new TGradientCaption(this);
    caption1_->setObjectName(QStringLiteral("caption1"));
    caption1_->CompanyText()->SetCaption(QStringLiteral("Brevane - "));
    caption1_->CompanyText()->SetFontKind(TFontKind::fkSystemBI);
    caption1_->AppNameText()->SetCaption(QStringLiteral("Chiffrel"));
    caption1_->AppNameText()->SetFontKind(TFontKind::fkSystemB);
    caption1_->CaptionText()->SetCaption(QStringLiteral("(version)"));
    caption1_->CaptionText()->SetFontKind(TFontKind::fkSystem);
    ui_->Clock1->SetTickGuard([](const std::function<void()>& tick) { ui::Guarded(tick); });
    // A fixed window around a client area of 412 x 304 pixels, below the menu bar.
    centralWidget()->setFixedSize(412, 304);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    ui::SetPixelHeight(this, 11);
    ui::SetPixelHeight(ui_->Panel3, 27);
    ui::SetPixelHeight(ui_->Label3, 13);
    for (QWidget* field : std::initializer_list<QWidget*>{ui_->SaisieMnt, ui_->Saisie2,
                                                          ui_->LabelTaxe, ui_->Label2}) {
        ui::SetPixelHeight(field, 16);
    }
    for (QWidget* radio :
         {ui_->RadioButton206, ui_->RadioButton55, ui_->RadioButton22, ui_->RadioButton0}) {
        ui::SetPixelHeight(radio, 16);
    }
    ui::SetPixelHeight(ui_->Result, 35);
    ui::SetPixelHeight(ui_->Label4, 27);
    ui::SetColourPair(ui_->LabelTaxe, QPalette::Window, ui::DesignPalette().color(QPalette::Window),
                      QPalette::WindowText, QColor(0, 128, 255));
    ui::SetColourPair(ui_->Result, QPalette::Window, Qt::white, QPalette::WindowText, Qt::red);
    ui::SetColourPair(ui_->Saisie2, QPalette::Base, Qt::white, QPalette::Text, Qt::black);
    HighlightSelector(0);

    ui_->ButtonRAZ->setIcon(ResetGlyph());
    ui_->ButtonClose->setIcon(CloseGlyph());
    const QIcon up = ArrowUpGlyph();
    ui_->BitBtn3->setIcon(up);
    ui_->BitBtn1->setIcon(up);
    ui_->BitBtn2->setIcon(ArrowRightGlyph());

    // Four tabs share 177 pixels: the tabs keep their text tight.
    // (Styled on the tab bar alone: styling the whole tab widget slows the window's creation.)
    ui_->PageControl->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 2px 5px; }"));

    // The print buffer lies outside the visible client area: keys must never go there.
    ui_->RichEdit1->setFocusPolicy(Qt::NoFocus);

    ui::LimitTyping(ui_->SaisieMnt, kAmountFieldLimit);
    ui::LimitTyping(ui_->Saisie2, kAmountFieldLimit);
    ui::KeepAltKeysOutOfFields(this);

    auto* tabItems = new QActionGroup(this);
    for (QAction* item : {ui_->MenuTabTVA, ui_->MenuTabCalcul, ui_->MenuTabEuro, ui_->MenuTabTEG}) {
        tabItems->addAction(item);
    }

    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    popupMenu1_->addAction(ui_->mConfig);
    popupMenu1_->addAction(ui_->Impressiondursultat2);
    popupMenu1_->addSeparator();
    popupMenu1_->addAction(ui_->mAPropos);
    popupMenu2_ = new QMenu(this);
    popupMenu2_->setObjectName(QStringLiteral("PopupMenu2"));
    popupMenu2_->addAction(ui_->Copier1);
    popupMenu2_->addSeparator();
    popupMenu2_->addAction(ui_->Impressiondursultat3);
    popupMenu2_->addSeparator();
    popupMenu2_->addAction(ui_->Remisezro2);
    // A key shown on both a menu item and a pop-up item belongs to the menu item: the pop-up's
    // copy of it only acts while the pop-up itself is open.
    for (QAction* popupItem : {ui_->mConfig, ui_->Impressiondursultat2}) {
        popupItem->setShortcutContext(Qt::WidgetShortcut);
    }

    // Set last, once every control has its own font.
    ui::KeepTextsWhole(this);

    // The about box and the history window arrive after the window's creation.
    for (QAction* later : {ui_->APropos1, ui_->mAPropos, ui_->Historique1}) {
        later->setEnabled(false);
    }
}

void Tmere::ConnectUserEvents() {
    ui::OnUserEdit(ui_->SaisieMnt, [this] { SaisieMntChange(); });
    ui::OnUserEdit(ui_->Saisie2, [this] { SaisieMntChange(); });
    ui::OnKeyPress(ui_->SaisieMnt, [this](QChar typed) { SaisieMntKeyPress(typed); });
    ui::OnKeyPress(ui_->Saisie2, [this](QChar typed) { Saisie2KeyPress(typed); });

    ui::OnUserCheck(ui_->RadioButton206, [this] { RadioButton206Click(); });
    ui::OnUserCheck(ui_->RadioButton55, [this] { RadioButton55Click(); });
    ui::OnUserCheck(ui_->RadioButton22, [this] { RadioButton22Click(); });
    ui::OnUserCheck(ui_->RadioButton0, [this] { RadioButton0Click(); });
    ui::OnUserEdit(ui_->saisietva, [this] { saisietvaChange(); });
    ui::OnFocusEnter(ui_->saisietva, [this] { saisietvaEnter(); });
    ui::OnMouseClick(ui_->saisietva, [this] { saisietvaClick(); });
    ui::OnUserMove(ui_->bar, [this] { barChange(); });
    ui::OnUserClick(ui_->BitBtn3, [this] { BitBtn3Click(); });

    ui::OnUserMove(ui_->BarCalcul, [this] { BarCalculChange(); });
    ui::OnMouseClick(ui_->TextPlus, [this] { TextPlusClick(); });
    ui::OnMouseClick(ui_->TextMoins, [this] { TextMoinsClick(); });
    ui::OnMouseClick(ui_->TextMult, [this] { TextMultClick(); });
    ui::OnMouseClick(ui_->TextDiv, [this] { TextDivClick(); });
    // The two buttons are wired crosswise: the upper one moves the result into the first value.
    ui::OnUserClick(ui_->BitBtn1, [this] { BitBtn2Click(); });
    ui::OnUserClick(ui_->BitBtn2, [this] { BitBtn1Click(); });
    ui::OnUserClick(ui_->BMemPlus, [this] { BMemPlusClick(); });
    ui::OnUserClick(ui_->BMemMoins, [this] { BMemMoinsClick(); });
    ui::OnUserClick(ui_->BRMem, [this] { BRMemClick(); });

    ui::OnUserCheck(ui_->RadioEuroF, [this] { RadioEuroFClick(); });
    ui::OnUserCheck(ui_->RadioEuroE, [this] { RadioEuroEClick(); });
    ui::OnUserCheck(ui_->RadioFrancsDollars, [this] { RadioFrancsDollarsClick(); });
    ui::OnUserCheck(ui_->RadioDollarsFrancs, [this] { RadioDollarsFrancsClick(); });
    ui::OnUserEdit(ui_->EditTxTEG, [this] { EditTxTEGChange(); });
    ui::OnUserEdit(ui_->EditNbJour, [this] { EditNbJourChange(); });
    ui::OnUserClick(ui_->ButtonMonteCE, [this] { ButtonMonteCEClick(); });

    ui::OnUserPageChange(ui_->PageControl, [this] { PageControlChange(); });
    ui::OnUserTrigger(ui_->MenuTabTVA, [this] { MenuTabTVAClick(); });
    ui::OnUserTrigger(ui_->MenuTabCalcul, [this] { MenuTabCalculClick(); });
    ui::OnUserTrigger(ui_->MenuTabEuro, [this] { MenuTabEuroClick(); });
    ui::OnUserTrigger(ui_->MenuTabTEG, [this] { MenuTabTEGClick(); });
    ui::OnUserClick(ui_->ButtonRAZ, [this] { ButtonRAZClick(); });
    ui::OnUserTrigger(ui_->Remisezro1, [this] { ButtonRAZClick(); });
    ui::OnUserTrigger(ui_->Remisezro2, [this] { ButtonRAZClick(); });

    ui::OnUserClick(ui_->ButtonTransfert, [this] { ButtonTransfertClick(); });
    ui::OnUserClick(ui_->ButtonClose, [this] { ButtonCloseClick(); });
    ui::OnUserTrigger(ui_->Quitter2, [this] { ButtonCloseClick(); });
    // Escape presses the quit button from anywhere in the window.
    auto* escape = new QAction(this);
    escape->setObjectName(QStringLiteral("EscapeQuits"));
    escape->setShortcut(Qt::Key_Escape);
    addAction(escape);
    ui::OnUserTrigger(escape, [this] { ButtonCloseClick(); });
    ui::GiveMenuShortcutsPrecedence(this);

    ui::OnUserTrigger(ui_->mConfig, [this] { mConfigClick(); });
    ui::OnUserTrigger(ui_->Configurer1, [this] { Configurer1Click(); });
    ui::OnUserClick(ui_->Button1, [this] { Button1Click(); });
    ui::OnUserTrigger(ui_->Copier1, [this] { Copier1Click(); });
    ui::OnUserTrigger(ui_->Impressiondursultat1, [this] { Impressiondursultat1Click(); });
    ui::OnUserTrigger(ui_->Impressiondursultat2, [this] { Impressiondursultat2Click(); });
    ui::OnUserTrigger(ui_->Impressiondursultat3, [this] { Impressiondursultat3Click(); });
    ui::OnUserTrigger(ui_->mAPropos, [this] { mAProposClick(); });
    ui::OnUserTrigger(ui_->APropos1, [this] { APropos1Click(); });
    ui::OnUserTrigger(ui_->Aide1, [this] { Aide1Click(); });
    ui::OnUserTrigger(ui_->Historique1, [this] { Historique1Click(); });
    // F1 in an open menu asks for the help on the highlighted item.
    for (QMenu* menu :
         {ui_->MenuFichiers, ui_->MenuOnglets, ui_->MenuAPropos, popupMenu1_, popupMenu2_}) {
        menu->installEventFilter(this);
    }

    for (QWidget* source :
         std::initializer_list<QWidget*>{ui_->Label2, ui_->PageControl, ui_->bar}) {
        connect(source, &QWidget::customContextMenuRequested, this,
                [this, source](const QPoint& at) { ShowPopup(popupMenu1_, source, at); });
    }
    connect(ui_->Result, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowPopup(popupMenu2_, ui_->Result, at); });
}

void Tmere::FormCreate() {
    context_.settingsFile.emplace();
    LoadSettings(*context_.settingsFile, context_.values, *this);
}

void Tmere::AfterRatesLoaded() {
    ui_->Label3->setText(kPromptAtCreation);
    ui::SetActivePage(ui_->PageControl, ui_->TabTVA);
    caption1_->CaptionText()->SetCaption(context_.versionLabel);
}

void Tmere::SetTegRateText(const std::string& text) {
    SetText(ui_->EditTxTEG, ToQString(text));
}

void Tmere::SetStartSide(int position) {
    const bool moved = ui_->bar->value() != position;
    ui::SetPosition(ui_->bar, position);
    // The prompt names the side the slider is on, as after a move of the user's: an amount
    // typed as the prompt asks is then read as what it is.
    if (moved && ui_->PageControl->currentWidget() == ui_->TabTVA) {
        ShowVatPrompt();
    }
}

void Tmere::HideCopyButton() {
    SetVisible(ui_->Button1, false);
}

void Tmere::SetVatCaptions(const std::string& first, const std::string& second,
                           const std::string& third) {
    ui_->RadioButton206->setText(ToQString(first));
    ui_->RadioButton55->setText(ToQString(second));
    ui_->RadioButton22->setText(ToQString(third));
}

std::string Tmere::TegRateText() const {
    return ToAmountText(ui_->EditTxTEG->text());
}

int Tmere::StartSide() const {
    return ui_->bar->value();
}

bool Tmere::CopyButtonHidden() const {
    return ui_->Button1->isHidden();
}

void Tmere::SetCopyButtonHidden(bool hidden) {
    SetVisible(ui_->Button1, !hidden);
}

void Tmere::ChooseFirstVatRate() {
    RadioButton206Click();
}

void Tmere::setVisible(bool visible) {
    if (visible && !testAttribute(Qt::WA_WState_Created)) {
        // A native window resized while a window manager takes it over leaves Qt with the
        // window's place inside the manager's new frame, (0,0), for good: menus would drop at
        // the screen's corner and the first drag would throw the window. So the window takes
        // its final size, every font and style counted, before its native window exists.
        CentreOnScreen();
    }
    QMainWindow::setVisible(visible);
}

void Tmere::CentreOnScreen() {
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void Tmere::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activatedOnce_) {
        activatedOnce_ = true;
        // Asks for the keyboard at the first showing: without it, a desktop that does not
        // activate new windows by itself leaves the menu shortcuts dead.
        activateWindow();
        ui::Guarded([this] { FormActivate(); });
    }
}

void Tmere::FormActivate() {
    MoveFocus(ui_->SaisieMnt);
}

// ---- Shared by every tab -----------------------------------------------------------------

std::string Tmere::AmountText() const {
    return ToAmountText(ui_->SaisieMnt->text());
}

void Tmere::ShowResult(const std::string& text) {
    ui_->Result->setText(ToQString(text));
    spokenResult_.Request();
}

QString Tmere::ShownResultWithoutSpaces() const {
    return ToQString(StripSpaces(ToAmountText(ui_->Result->text())));
}

// A screen reader speaks the new description of the focused field: every field that feeds the
// result carries it in its description, so that the user hears it without leaving the field. The
// first field is named by its prompt too, and both amount fields by the chosen operation on the
// operations tab.
void Tmere::DescribeResult() {
    QString spoken = QStringLiteral("Résultat : ") + ui_->Result->text().simplified() + u' ' +
                     SpokenUnit(ui_->Label4->text());
    if (!ui_->LabelTaxe->isHidden() && !ui_->LabelTaxe->text().isEmpty()) {
        spoken += QStringLiteral(", ") + ui_->LabelTaxe->text().simplified();
    }
    for (QWidget* field :
         {ui_->SaisieMnt, ui_->Saisie2, ui_->saisietva, ui_->EditTxTEG, ui_->EditNbJour}) {
        ui::SetSpokenDescription(field, spoken);
    }
    QString operation;
    if (ui_->PageControl->currentWidget() == ui_->TabCalcul) {
        operation =
            QStringLiteral(", ") + OperationSelectors(*ui_)[ui_->BarCalcul->value()]->text();
    }
    ui::SetSpokenName(ui_->SaisieMnt,
                      QStringLiteral("Première valeur : ") + ui_->Label3->text() + operation);
    ui::SetSpokenName(ui_->Saisie2, QStringLiteral("Deuxième valeur") + operation);
}

void Tmere::RecomputeOperation() {
    ShowResult(ComputeOperation(context_.values, AmountText(), ToAmountText(ui_->Saisie2->text()),
                                ui_->BarCalcul->value()));
}

int Tmere::ConversionDirectionChecked() const {
    int direction = 0;
    if (ui_->RadioEuroF->isChecked()) {
        direction = 0;
    }
    if (ui_->RadioEuroE->isChecked()) {
        direction = 1;
    }
    if (ui_->RadioDollarsFrancs->isChecked()) {
        direction = 2;
    }
    if (ui_->RadioFrancsDollars->isChecked()) {
        direction = 3;
    }
    return direction;
}

void Tmere::SaisieMntChange() {
    AppState& values = context_.values;
    const QWidget* page = ui_->PageControl->currentWidget();
    if (page == ui_->TabTVA) {
        RecomputeVat();
    } else if (page == ui_->TabCalcul) {
        RecomputeOperation();
    } else if (page == ui_->TabEuro) {
        ShowResult(ConvertCurrency(values, AmountText(), ConversionDirectionChecked()));
    } else if (page == ui_->TabTEG) {
        EditTxTEGChange();
    }
}

void Tmere::SaisieMntKeyPress(QChar typed) {
    if (typed == QLatin1Char('\r') && ui_->PageControl->currentWidget() == ui_->TabCalcul) {
        BitBtn2Click();
    }
}

void Tmere::Saisie2KeyPress(QChar typed) {
    if (typed == QLatin1Char('\r')) {
        BitBtn2Click();
    }
}

// ---- VAT tab -----------------------------------------------------------------------------

void Tmere::RecomputeVat() {
    ShowResult(ComputeVat(context_.values, AmountText(), ui_->bar->value()));
    ui_->LabelTaxe->setText(ToQString(context_.values.taxText));
}

void Tmere::ChooseFixedRate(const Real48& rate) {
    context_.values.vatFactor = VatFactorFor(rate);
    SetText(ui_->saisietva, QString());
    MoveFocus(ui_->SaisieMnt);
    RecomputeVat();
}

void Tmere::RadioButton206Click() {
    ChooseFixedRate(context_.values.vatRate1);
}

void Tmere::RadioButton55Click() {
    ChooseFixedRate(context_.values.vatRate2);
}

void Tmere::RadioButton22Click() {
    ChooseFixedRate(context_.values.vatRate3);
}

void Tmere::RadioButton0Click() {
    // No rate is in force until one is typed: the amount shows untaxed.
    context_.values.vatFactor = Real48();
    MoveFocus(ui_->saisietva);
    RecomputeVat();
}

void Tmere::saisietvaEnter() {
    Check(ui_->RadioButton0);
}

void Tmere::saisietvaClick() {
    ui::Uncheck(ui_->RadioButton206);
    ui::Uncheck(ui_->RadioButton55);
    ui::Uncheck(ui_->RadioButton22);
    Check(ui_->RadioButton0);
    context_.values.vatFactor = Real48();
    RecomputeVat();
}

void Tmere::saisietvaChange() {
    const QString text = ui_->saisietva->text();
    if (text.isEmpty()) {
        return;
    }
    const Real48 rate(ParseAmount(ToAmountText(text)).value);
    context_.values.vatFactor = VatFactorFor(rate);
    RecomputeVat();
}

void Tmere::ShowVatPrompt() {
    ui_->Label3->setText(ui_->bar->value() == 1 ? kPromptTTC : kPromptHT);
}

void Tmere::barChange() {
    RecomputeVat();
    ShowVatPrompt();
    MoveFocus(ui_->SaisieMnt);
}

// ---- Operations tab and memory keys ------------------------------------------------------

void Tmere::HighlightSelector(int code) {
    const QColor face = SystemColorValue(SystemColor::ButtonFace);
    const QColor faceText = SystemColorValue(SystemColor::ButtonText);
    const QColor redText = ui::DesignPalette().color(QPalette::WindowText);
    const std::array<ui::ChoiceLabel*, 4> selectors = OperationSelectors(*ui_);
    for (int i = 0; i < 4; ++i) {
        if (i == code) {
            ui::SetColourPair(selectors[i], QPalette::Window, Qt::red, QPalette::WindowText,
                              redText);
        } else {
            ui::SetColourPair(selectors[i], QPalette::Window, face, QPalette::WindowText, faceText);
        }
        selectors[i]->SetChosen(i == code);
    }
}

void Tmere::BarCalculChange() {
    HighlightSelector(ui_->BarCalcul->value());
    MoveFocus(ui_->SaisieMnt);
    RecomputeOperation();
}

void Tmere::SelectOperation(int code) {
    HighlightSelector(code);
    ui::SetPosition(ui_->BarCalcul, code);
    BarCalculChange();
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::TextPlusClick() {
    SelectOperation(0);
}

void Tmere::TextMoinsClick() {
    SelectOperation(1);
}

void Tmere::TextMultClick() {
    SelectOperation(2);
}

void Tmere::TextDivClick() {
    SelectOperation(3);
}

void Tmere::BitBtn2Click() {
    const QString shown = ShownResultWithoutSpaces();
    SetText(ui_->SaisieMnt, shown);
    SetText(ui_->Saisie2, QString());
    MoveFocus(ui_->Saisie2);
}

void Tmere::BitBtn1Click() {
    const QString shown = ShownResultWithoutSpaces();
    SetText(ui_->Saisie2, shown);
    SetText(ui_->SaisieMnt, QString());
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::BMemPlusClick() {
    MemoryAdd(context_.values, ToAmountText(ui_->Result->text()));
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::BMemMoinsClick() {
    MemorySubtract(context_.values, ToAmountText(ui_->Result->text()));
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::BRMemClick() {
    SetText(ui_->SaisieMnt, ToQString(MemoryRecall(context_.values)));
    MoveFocus(ui_->Saisie2);
}

// ---- Conversion and TEG tabs -------------------------------------------------------------

void Tmere::SetDirectionTexts(const char* prompt, const char* unit, const std::string& rateLine) {
    ui_->Label3->setText(QString::fromUtf8(prompt));
    ui_->Label4->setText(QString::fromUtf8(unit));
    ui_->Label7->setText(ToQString(rateLine));
    SaisieMntChange();
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::RadioEuroFClick() {
    SetDirectionTexts("Saisie du montant en Francs", "E.", EuroRateLine(context_.values));
}

void Tmere::RadioEuroEClick() {
    SetDirectionTexts("Saisie du montant en Euro", "FF", EuroRateLine(context_.values));
}

void Tmere::RadioFrancsDollarsClick() {
    SetDirectionTexts("Saisie du montant en Francs", "$$", DollarRateLine(context_.values));
}

void Tmere::RadioDollarsFrancsClick() {
    SetDirectionTexts("Saisie du montant en Dollars", "FF", DollarRateLine(context_.values));
}

void Tmere::EditTxTEGChange() {
    ShowResult(ComputeOverdraftInterest(context_.values, AmountText(),
                                        ToAmountText(ui_->EditTxTEG->text()),
                                        ToAmountText(ui_->EditNbJour->text())));
}

void Tmere::EditNbJourChange() {
    EditTxTEGChange();
}

// ---- Tab change and reset ----------------------------------------------------------------

void Tmere::PageControlChange() {
    const QWidget* page = ui_->PageControl->currentWidget();
    const bool vat = page == ui_->TabTVA;
    const bool operations = page == ui_->TabCalcul;
    const bool conversion = page == ui_->TabEuro;
    if (vat) {
        ui::CheckMenuItem(ui_->MenuTabTVA);
        ShowVatPrompt();
    } else if (operations) {
        ui::CheckMenuItem(ui_->MenuTabCalcul);
        ui_->Label3->setText(kPromptOperations);
    } else if (conversion) {
        ui::CheckMenuItem(ui_->MenuTabEuro);
        Check(ui_->RadioEuroF);
        ui_->Label3->setText(kPromptFrancs);
        ui_->Label7->setText(ToQString(EuroRateLine(context_.values)));
    } else {
        ui::CheckMenuItem(ui_->MenuTabTEG);
        ui_->Label3->setText(kPromptFrancs);
    }
    ui_->Label4->setText(conversion ? QStringLiteral("E.") : QStringLiteral("FF"));
    SetVisible(ui_->Saisie2, operations);
    SetVisible(ui_->Label5, vat);
    SetVisible(ui_->Label6, vat);
    SetVisible(ui_->bar, vat);
    SetVisible(ui_->LabelTaxe, vat);
    SetVisible(ui_->ButtonTransfert, vat || operations);
    SetVisible(ui_->ButtonMonteCE, conversion);
    for (QWidget* key : {ui_->BMemPlus, ui_->BMemMoins, ui_->BRMem}) {
        SetVisible(key, operations);
    }
    const bool secondOperand = operations && !ui_->SaisieMnt->text().isEmpty();
    MoveFocus(secondOperand ? ui_->Saisie2 : ui_->SaisieMnt);
    SaisieMntChange();
}

void Tmere::ShowTab(QWidget* page, QAction* item) {
    ui::SetActivePage(ui_->PageControl, page);
    PageControlChange();
    ui::CheckMenuItem(item);
}

void Tmere::MenuTabTVAClick() {
    ShowTab(ui_->TabTVA, ui_->MenuTabTVA);
}

void Tmere::MenuTabCalculClick() {
    ShowTab(ui_->TabCalcul, ui_->MenuTabCalcul);
}

void Tmere::MenuTabEuroClick() {
    ShowTab(ui_->TabEuro, ui_->MenuTabEuro);
}

void Tmere::MenuTabTEGClick() {
    ShowTab(ui_->TabTEG, ui_->MenuTabTEG);
}

void Tmere::ButtonRAZClick() {
    AppState& values = context_.values;
    SetText(ui_->Saisie2, QString());
    HighlightSelector(0);
    ui::SetPosition(ui_->BarCalcul, 0);
    for (QWidget* shown :
         std::initializer_list<QWidget*>{ui_->Label5, ui_->Label6, ui_->bar, ui_->LabelTaxe}) {
        SetVisible(shown, true);
    }
    SetVisible(ui_->Saisie2, false);
    ShowResult("0.00");
    SetText(ui_->SaisieMnt, QString());
    MoveFocus(ui_->SaisieMnt);
    values.vatFactor = VatFactorFor(values.vatRate1);
    SetText(ui_->saisietva, QString());
    Check(ui_->RadioButton206);
    ui::SetPosition(ui_->bar, values.startSideText == "0" ? 0 : 1);
    SetVisible(ui_->ButtonTransfert, true);
    Check(ui_->RadioEuroF);
    SetVisible(ui_->ButtonMonteCE, false);
    ui::SetActivePage(ui_->PageControl, ui_->TabTVA);
    for (QWidget* key : {ui_->BMemMoins, ui_->BMemPlus, ui_->BRMem}) {
        SetVisible(key, false);
    }
    values.memoryValue = Real48();
    ui_->Label4->setText(QStringLiteral("FF"));
    ui::CheckMenuItem(ui_->MenuTabTVA);
    // The VAT tab is shown again as when it is entered, whatever tab the reset came from: its
    // prompt follows the slider, its result and tax line are those of the empty entry.
    ShowVatPrompt();
    RecomputeVat();
}

// ---- Result actions ----------------------------------------------------------------------

void Tmere::MoveResultUp() {
    SetText(ui_->SaisieMnt, ShownResultWithoutSpaces());
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::BitBtn3Click() {
    MoveResultUp();
}

void Tmere::ButtonMonteCEClick() {
    MoveResultUp();
}

void Tmere::ButtonTransfertClick() {
    const QString shown = ShownResultWithoutSpaces();
    if (ui_->PageControl->currentWidget() == ui_->TabTVA) {
        ui::SetActivePage(ui_->PageControl, ui_->TabCalcul);
        PageControlChange();
        SetText(ui_->Saisie2, shown);
        SetText(ui_->SaisieMnt, QString());
        MoveFocus(ui_->SaisieMnt);
        RecomputeOperation();
    } else {
        ui::SetActivePage(ui_->PageControl, ui_->TabTVA);
        PageControlChange();
        SetText(ui_->SaisieMnt, shown);
        MoveFocus(ui_->SaisieMnt);
        RecomputeVat();
    }
}

void Tmere::ButtonCloseClick() {
    context_.settingsFile.reset();
    // Ends the event loop rather than the process, so that the desktop's clipboard manager can
    // still take a result that was just copied.
    QCoreApplication::exit(0);
}

void Tmere::mConfigClick() {
    TConfig dialog(
        context_.values, *context_.settingsFile, *this,
        [this](int helpContext) { ShowHelpTopic(helpContext); }, this);
    dialog.LoadConversionFields();
    ShowModal(dialog);
    // The rate line names the rate of the direction in use, which the dialog may have changed.
    const bool euro = ConversionDirectionChecked() <= 1;
    ui_->Label7->setText(
        ToQString(euro ? EuroRateLine(context_.values) : DollarRateLine(context_.values)));
    SaisieMntChange();
}

void Tmere::Configurer1Click() {
    mConfigClick();
}

void Tmere::Button1Click() {
    // The whole stored result, not the rounded panel text, with the user's decimal separator.
    QString text = QString::fromLatin1(FormatGeneral(context_.values.lastResult, 15));
    text.replace(QLatin1Char('.'), context_.regionalSettings.decimalPoint());
    QGuiApplication::clipboard()->setText(text);
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::Copier1Click() {
    Button1Click();
}

// The printer is found and the line printed on a thread of their own: the window goes on while
// the print system takes its time. A second print waits for the first: the print items are
// disabled until it ends.
void Tmere::Impressiondursultat1Click() {
    ui_->RichEdit1->clear();
    const QString date =
        context_.regionalSettings.toString(QDate::currentDate(), QLocale::ShortFormat);
    ui_->RichEdit1->setPlainText(QStringLiteral("La Chiffrel (") + date +
                                 QStringLiteral(")- Valeur de résultat : ") + ui_->Result->text());
    const QScreen* screen = QGuiApplication::primaryScreen();
    context_.printer.Start(
        PrintJob{ui_->RichEdit1->toPlainText(), ui_->RichEdit1->document()->defaultFont(),
                 QStringLiteral("La Chiffrel - Valeur de résultat"),
                 screen ? screen->logicalDotsPerInch() : 96.0},
        *this, [this](std::exception_ptr error) { PrintFinished(error); });
    SetPrintItemsEnabled(false);
}

// An error of the print reaches the error box here, on the window's thread.
void Tmere::PrintFinished(const std::exception_ptr& error) {
    SetPrintItemsEnabled(true);
    if (error) {
        ui::Guarded([&error] { std::rethrow_exception(error); });
    }
}

void Tmere::SetPrintItemsEnabled(bool enabled) {
    for (QAction* item :
         {ui_->Impressiondursultat1, ui_->Impressiondursultat2, ui_->Impressiondursultat3}) {
        item->setEnabled(enabled);
    }
}

void Tmere::Impressiondursultat2Click() {
    Impressiondursultat1Click();
}

void Tmere::Impressiondursultat3Click() {
    Impressiondursultat1Click();
}

void Tmere::SetInformationWindows(Tabout& about, TMemoForm& history) {
    about_ = &about;
    history_ = &history;
    for (QAction* item : {ui_->APropos1, ui_->mAPropos, ui_->Historique1}) {
        item->setEnabled(true);
    }
}

void Tmere::ShowModal(QDialog& dialog) {
    ui::ExecModal(dialog, this);
    // Coming back from one of the program's own dialogs activates the main window again.
    ui::Guarded([this] { FormActivate(); });
}

void Tmere::mAProposClick() {
    ui::Guarded([this] { about_->FormActivate(); });
    ShowModal(*about_);
}

void Tmere::APropos1Click() {
    mAProposClick();
}

void Tmere::ShowHelpTopic(int context) {
    help_.ShowTopic(context_.helpFile, context);
}

void Tmere::Aide1Click() {
    ShowHelpTopic(kWindowHelpContext);
}

void Tmere::Historique1Click() {
    context_.historyPath = context_.programDirectory + QStringLiteral("history.txt");
    if (!HistoryFileReadable(context_.historyPath)) {
        ui::ShowMessage(
            QStringLiteral("Le fichier d'historique de Chiffrel n'a pas été trouvé "
                           "dans le répertoire de l'application !!"));
        return;
    }
    history_->setWindowTitle(
        QStringLiteral("Historique de construction de l'application Chiffrel"));
    ui::Guarded([this] { history_->FormActivate(); });
    ShowModal(*history_);
}

bool Tmere::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu == nullptr || !IsHelpKey(*event)) {
        return QMainWindow::eventFilter(watched, event);
    }
    const int context = MenuHelpContext(*menu);
    menu->close();
    ui::Guarded([this, context] { ShowHelpTopic(context); });
    return true;
}

void Tmere::ShowPopup(QMenu* menu, QWidget* source, const QPoint& at) {
    // The pop-up opens centred on the click point.
    QPoint topLeft = source->mapToGlobal(at);
    topLeft.rx() -= menu->sizeHint().width() / 2;
    menu->popup(topLeft);
}

}  // namespace chiffrel
