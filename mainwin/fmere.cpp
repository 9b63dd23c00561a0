#include "mainwin/fmere.h"

#include <QApplication>
#include <algorithm>
#include <array>

#include "components/GradientCaption.h"
#include "engine/conversion.h"
#include "engine/operations.h"
#include "engine/overdraft.h"
#include "engine/vat.h"
#include "forms/accessibility.h"
#include "forms/choice_label.h"
#include "forms/code_page_text.h"
#include "forms/event_rules.h"
#include "forms/form_style.h"
#include "forms/text_fit.h"
#include "infowin/fabout.h"
#include "infowin/fmemo.h"
#include "mainwin/program_context.h"
#include "platform/windowing/system_metrics.h"
#include "ui_fmere.h"

namespace chiffrel {

using ui::Check;
using ui::MoveFocus;
using ui::SetText;
using ui::ShowControl;
using ui::ToAmountText;
using ui::ToQString;

namespace {

const QString kPromptHT = QStringLiteral("Saisie du montant H.T.");
const QString kPromptTTC = QStringLiteral("Saisie du montant T.T.C.");
const QString kPromptOperations = QStringLiteral("Opérations primaires");
const QString kPromptFrancs = QStringLiteral("Saisie du montant en Francs");
const QString kPromptEuro = QStringLiteral("Saisie du montant en Euro");
const QString kPromptDollars = QStringLiteral("Saisie du montant en Dollars");

// What the window shows of each conversion direction, in the order of the directions' codes.
struct ConversionDirection {
    const QString& prompt;
    QString unit;  // of the result
    AmountText (*rateLine)(const AppState&);
};

const ConversionDirection& DirectionOf(int code) {
    static const std::array<ConversionDirection, 4> kDirections{{
        {kPromptFrancs, QStringLiteral("E."), EuroRateLine},     // francs to euro
        {kPromptEuro, QStringLiteral("FF"), EuroRateLine},       // euro to francs
        {kPromptDollars, QStringLiteral("FF"), DollarRateLine},  // dollars to francs
        {kPromptFrancs, QStringLiteral("$$"), DollarRateLine},   // francs to dollars
    }};
    return kDirections.at(code);
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
    ui::InstallAccessibleInterfaces();  // how screen readers see the controls, made next
    ui::SetFormFont(this);              // before the controls exist
    ui_->setupUi(this);
    SetUpFrame();
    SetUpFontsAndColours();
    SetUpButtonsAndFields();
    SetUpMenus();
    // Last, once every control has its own font.
    ui::KeepTextsWhole(this);
    ConnectAmountFields();
    ConnectVatTab();
    ConnectOperationsTab();
    ConnectConversionAndTegTabs();
    ConnectTabsAndReset();
    ConnectResultActions();
    ConnectMenuHelpAndPopups();
    // A failed step of the creation is shown, skips the steps after it, and the window opens.
    ui::Guarded([this] { FormCreate(); });
    spokenResult_.Request();
    DescribeMemory(QString());
}

Tmere::~Tmere() = default;

QString Tmere::FormCaption() const {
    return caption1_->CaptionText()->Caption();
}

void Tmere::SetInformationWindows(Tabout& about, TMemoForm& history) {
    about_ = &about;
    history_ = &history;
    for (QAction* item : {ui_->APropos1, ui_->mAPropos, ui_->Historique1}) {
        item->setEnabled(true);
    }
}

// ---- Creation and activation --------------------------------------------------------------------

void Tmere::FormCreate() {
    context_.settingsFile.emplace();
    LoadSettings(*context_.settingsFile, context_.values, *this);
}

void Tmere::setVisible(bool visible) {
    if (visible && !testAttribute(Qt::WA_WState_Created)) {
        // A native window resized while a window manager takes it over leaves Qt with the
        // window's place inside the manager's new frame, (0,0), for good: menus would drop at
        // the screen's corner and the first drag would throw the window. So the window takes
        // its final size, every font and style counted, before its native window exists.
        adjustSize();
        ui::CentreOnScreen(this);
    }
    QMainWindow::setVisible(visible);
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

void Tmere::ShowModal(QDialog& dialog) {
    ui::ExecModal(dialog, this);
    // Coming back from one of the program's own dialogs activates the main window again.
    ui::Guarded([this] { FormActivate(); });
}

// ---- Shared by every tab ------------------------------------------------------------------------

void Tmere::SaisieMntChange() {
    AppState& values = context_.values;
    const QWidget* page = ui_->PageControl->currentWidget();
    if (page == ui_->TabTVA) {
        RecomputeVat();
    } else if (page == ui_->TabCalcul) {
        RecomputeOperation();
    } else if (page == ui_->TabEuro) {
        ShowResult(ConvertCurrency(values, SaisieMntText(), ConversionDirectionChecked()));
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

std::string Tmere::SaisieMntText() const {
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
// When the keyboard is elsewhere (on a radio button, after an arrow key moved it there), the
// new result is told from there.
void Tmere::DescribeResult() {
    QString spoken = QStringLiteral("Résultat : ") + ui_->Result->text().simplified() + u' ' +
                     SpokenUnit(ui_->Label4->text());
    if (!ui_->LabelTaxe->isHidden() && !ui_->LabelTaxe->text().isEmpty()) {
        spoken += QStringLiteral(", ") + ui_->LabelTaxe->text().simplified();
    }
    const std::initializer_list<QWidget*> fields{ui_->SaisieMnt, ui_->Saisie2, ui_->saisietva,
                                                 ui_->EditTxTEG, ui_->EditNbJour};
    const bool changed = ui_->SaisieMnt->accessibleDescription() != spoken;
    for (QWidget* field : fields) {
        ui::SetSpokenDescription(field, spoken);
    }
    if (changed &&
        std::find(fields.begin(), fields.end(), QApplication::focusWidget()) == fields.end()) {
        ui::Announce(spoken);
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

// ---- VAT tab ------------------------------------------------------------------------------------

void Tmere::RecomputeVat() {
    ShowResult(ComputeVat(context_.values, SaisieMntText(), ui_->bar->value()));
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

// ---- Operations tab and memory keys -------------------------------------------------------------

void Tmere::RecomputeOperation() {
    ShowResult(ComputeOperation(context_.values, SaisieMntText(),
                                ToAmountText(ui_->Saisie2->text()), ui_->BarCalcul->value()));
}

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

void Tmere::BitBtn2Click() {
    const QString shown = ShownResultWithoutSpaces();
    SetText(ui_->SaisieMnt, shown);
    SetText(ui_->Saisie2, QString());
    MoveFocus(ui_->Saisie2);
    TellMovedValue(ui_->Saisie2, QStringLiteral("Première valeur : ") + shown);
}

void Tmere::BitBtn1Click() {
    const QString shown = ShownResultWithoutSpaces();
    SetText(ui_->Saisie2, shown);
    SetText(ui_->SaisieMnt, QString());
    MoveFocus(ui_->SaisieMnt);
    TellMovedValue(ui_->SaisieMnt, QStringLiteral("Deuxième valeur : ") + shown);
}

// Screen readers hear neither a value that a key moves into a field nor, as its text changes
// before the focus moves, the field that then has the keyboard: both are told.
void Tmere::TellMovedValue(const QWidget* focused, const QString& moved) {
    ui::Announce(focused->accessibleName() + QStringLiteral(". ") + moved);
}

void Tmere::BMemPlusClick() {
    MemoryAdd(context_.values, ToAmountText(ui_->Result->text()));
    MoveFocus(ui_->SaisieMnt);
    DescribeMemory(QStringLiteral("Ajouté à la mémoire"));
}

void Tmere::BMemMoinsClick() {
    MemorySubtract(context_.values, ToAmountText(ui_->Result->text()));
    MoveFocus(ui_->SaisieMnt);
    DescribeMemory(QStringLiteral("Retranché de la mémoire"));
}

// The memory is shown nowhere: its keys tell it, and a change of it is spoken after what did it.
void Tmere::DescribeMemory(const QString& done) {
    const QString memory =
        QStringLiteral("Mémoire : ") + ToQString(MemoryRecall(context_.values)).simplified();
    for (QWidget* key : {ui_->BMemPlus, ui_->BMemMoins, ui_->BRMem}) {
        key->setAccessibleDescription(memory);
    }
    if (!done.isEmpty()) {
        ui::Announce(done + QStringLiteral(". ") + memory);
    }
}

void Tmere::BRMemClick() {
    const QString recalled = ToQString(MemoryRecall(context_.values));
    SetText(ui_->SaisieMnt, recalled);
    MoveFocus(ui_->Saisie2);
    TellMovedValue(ui_->Saisie2, QStringLiteral("Première valeur : ") + recalled.simplified());
}

// ---- Conversion and TEG tabs --------------------------------------------------------------------

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

void Tmere::ShowRateLine(int direction) {
    ui_->Label7->setText(ToQString(DirectionOf(direction).rateLine(context_.values)));
}

void Tmere::ShowDirectionTexts(int direction) {
    ui_->Label3->setText(DirectionOf(direction).prompt);
    ui_->Label4->setText(DirectionOf(direction).unit);
    ShowRateLine(direction);
}

void Tmere::SelectDirection(int direction) {
    ShowDirectionTexts(direction);
    SaisieMntChange();
    MoveFocus(ui_->SaisieMnt);
}

void Tmere::EditTxTEGChange() {
    ShowResult(ComputeOverdraftInterest(context_.values, SaisieMntText(),
                                        ToAmountText(ui_->EditTxTEG->text()),
                                        ToAmountText(ui_->EditNbJour->text())));
}

// ---- Tab change and reset -----------------------------------------------------------------------

void Tmere::PageControlChange() {
    const QWidget* page = ui_->PageControl->currentWidget();
    const bool vat = page == ui_->TabTVA;
    const bool operations = page == ui_->TabCalcul;
    const bool conversion = page == ui_->TabEuro;
    ui_->Label4->setText(QStringLiteral("FF"));
    if (vat) {
        ui::CheckMenuItem(ui_->MenuTabTVA);
        ShowVatPrompt();
    } else if (operations) {
        ui::CheckMenuItem(ui_->MenuTabCalcul);
        ui_->Label3->setText(kPromptOperations);
    } else if (conversion) {
        ui::CheckMenuItem(ui_->MenuTabEuro);
        Check(ui_->RadioEuroF);
        ShowDirectionTexts(0);
    } else {
        ui::CheckMenuItem(ui_->MenuTabTEG);
        ui_->Label3->setText(kPromptFrancs);
    }
    ShowTabControls(page);
    const bool secondOperand = operations && !ui_->SaisieMnt->text().isEmpty();
    MoveFocus(secondOperand ? ui_->Saisie2 : ui_->SaisieMnt);
    SaisieMntChange();
}

// The controls of the page's tool, shown, and those of the other tabs, hidden.
void Tmere::ShowTabControls(const QWidget* page) {
    const bool vat = page == ui_->TabTVA;
    const bool operations = page == ui_->TabCalcul;
    ShowControl(ui_->Saisie2, operations);
    for (QWidget* vatControl :
         std::initializer_list<QWidget*>{ui_->Label5, ui_->Label6, ui_->bar, ui_->LabelTaxe}) {
        ShowControl(vatControl, vat);
    }
    ShowControl(ui_->ButtonTransfert, vat || operations);
    ShowControl(ui_->ButtonMonteCE, page == ui_->TabEuro);
    for (QWidget* key : {ui_->BMemPlus, ui_->BMemMoins, ui_->BRMem}) {
        ShowControl(key, operations);
    }
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
    ShowTabControls(ui_->TabTVA);
    ShowResult("0.00");
    SetText(ui_->SaisieMnt, QString());
    MoveFocus(ui_->SaisieMnt);
    values.vatFactor = VatFactorFor(values.vatRate1);
    SetText(ui_->saisietva, QString());
    Check(ui_->RadioButton206);
    ui::SetPosition(ui_->bar, StartSidePosition(values));
    Check(ui_->RadioEuroF);
    ui::SetActivePage(ui_->PageControl, ui_->TabTVA);
    values.memoryValue = Real48();
    DescribeMemory(QString());
    ui_->Label4->setText(QStringLiteral("FF"));
    ui::CheckMenuItem(ui_->MenuTabTVA);
    // The VAT tab is shown again as when it is entered, whatever tab the reset came from: its
    // prompt follows the slider, its result and tax line are those of the empty entry.
    ShowVatPrompt();
    RecomputeVat();
}

// ---- A result moved into a field ---------------------------------------------------------------

void Tmere::MoveResultUp() {
    SetText(ui_->SaisieMnt, ShownResultWithoutSpaces());
    MoveFocus(ui_->SaisieMnt);
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

}  // namespace chiffrel
