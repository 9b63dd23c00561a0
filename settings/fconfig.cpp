#include "settings/fconfig.h"

#include <QApplication>
#include <QShowEvent>
#include <QStyle>

#include "engine/amount_text.h"
#include "forms/code_page_text.h"
#include "forms/event_rules.h"
#include "forms/form_style.h"
#include "forms/text_fit.h"
#include "ui_fconfig.h"

namespace chiffrel {

using ui::SetText;
using ui::ToAmountText;
using ui::ToQString;

namespace {

std::string TextOf(const QLineEdit* field) {
    return ToAmountText(field->text());
}

// A rate without the blanks around it: a trailing blank would make the number ten times too big.
std::string RateTextOf(const QLineEdit* field) {
    return ToAmountText(field->text().trimmed());
}

void SetTicked(QAbstractButton* box, bool ticked) {
    if (ticked) {
        ui::Check(box);
    } else {
        ui::Uncheck(box);
    }
}

}  // namespace

TConfig::TConfig(AppState& values, const SettingsFile& file, ConfigTarget& window,
                 std::function<void(int helpContext)> showHelp, QWidget* parent)
    : QDialog(parent),
      values_(values),
      file_(file),
      window_(window),
      showHelp_(std::move(showHelp)),
      ui_(std::make_unique<Ui::TConfig>()) {
    ui_->setupUi(this);
    SetUpAppearance();
    ConnectUserEvents();
}

TConfig::~TConfig() = default;

void TConfig::SetUpAppearance() {
    // A fixed single border with the system menu and the minimize box.
    ui::SetFixedDialogFrame(this, true);
    // Modal to the main window only: the help it opens (F1) takes the user's keys and clicks
    // while the dialog stays open.
    setWindowModality(Qt::WindowModal);
    ui::SetFormFont(this);
    ui::CentreOnScreen(this);
    const QStyle* style = QApplication::style();
    ui_->BitBtn1->setIcon(style->standardIcon(QStyle::SP_DialogOkButton));
    ui_->BitBtn2->setIcon(style->standardIcon(QStyle::SP_DialogCancelButton));
    ui::KeepAltKeysOutOfFields(this);
    ui::KeepTextsWhole(this);
}

void TConfig::ConnectUserEvents() {
    ui::OnUserClick(ui_->BitBtn1, [this] { OkPressed(); });
    // Cancel, like Esc and the close box, leaves without writing or changing anything.
    ui::OnUserClick(ui_->BitBtn2, [this] { reject(); });
    ui::OnWindowKey(this, Qt::Key_F1, [this] { showHelp_(kHelpContext); });
}

void TConfig::LoadConversionFields() {
    SetText(ui_->ValeurEuro, ToQString(values_.euroRateText));
    SetText(ui_->ValeurDollars, ToQString(values_.dollarRateText));
}

void TConfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A restore from the minimized state is the window system's own show, not a new showing.
    if (!event->spontaneous()) {
        ui::Guarded([this] { FormActivate(); });
    }
}

void TConfig::FormActivate() {
    ui::SetActivePage(ui_->PageControl1, ui_->TabSheet1);
    ui::MoveFocus(ui_->ValeurEuro);
    SetText(ui_->Edit1, ToQString(FormatRate(values_.vatRate1)));
    SetText(ui_->Edit2, ToQString(FormatRate(values_.vatRate2)));
    SetText(ui_->Edit3, ToQString(FormatRate(values_.vatRate3)));
    SetText(ui_->Edit4, ToQString(window_.TegRateText()));
    SelectRadioTaxe(window_.StartSide() == 0 ? 0 : 1);
    // The preference in force is what the box shows: the copy button's visibility follows every
    // save, while the setting as read at start-up is out of date after a save in the same run.
    SetTicked(ui_->CopieAutoPP, window_.CopyButtonHidden());
}

// ---- OK: apply and save ------------------------------------------------------------------

void TConfig::OkPressed() {
    // A failed write is shown and ends the save where it happened; the dialog closes with OK
    // all the same, keeping what was applied before the failure.
    ui::Guarded([this] { BitBtn1Click(); });
    accept();
}

// The order matters: a failed write stops the save, and everything before it stays applied.
void TConfig::BitBtn1Click() {
    CheckRatesCanBeStored();
    SaveCurrencyRates();
    SaveVatRates();
    SaveTegRate();
    SaveStartSide();
    SaveAutoCopy();
    SetVatCaptions();
    window_.ChooseFirstVatRate();
}

// A saved rate too large to store would stop every later start-up where it is read: such a
// rate stops the save before anything is applied or written.
void TConfig::CheckRatesCanBeStored() const {
    for (const QLineEdit* rate :
         {ui_->ValeurEuro, ui_->ValeurDollars, ui_->Edit1, ui_->Edit2, ui_->Edit3}) {
        RateOf(RateTextOf(rate));
    }
    RateOf(TextOf(ui_->Edit4));
}

// An empty field leaves its rate in force. The file then gets that rate rather than the empty
// text, which the next start-up would read as a rate of 0.
void TConfig::SaveCurrencyRates() {
    const std::string euro = RateTextOf(ui_->ValeurEuro);
    const std::string dollars = RateTextOf(ui_->ValeurDollars);
    if (!euro.empty()) {
        values_.euroRate = RateOf(euro);
    }
    if (!dollars.empty()) {
        values_.dollarRate = RateOf(dollars);
    }
    file_.WriteString(kEuroRateKey, RateTextToSave(euro, values_.euroRate));
    file_.WriteString(kDollarRateKey, RateTextToSave(dollars, values_.dollarRate));
    values_.euroRateText = CurrencyRateText(values_.euroRate);
    values_.dollarRateText = CurrencyRateText(values_.dollarRate);
}

// The texts are saved as typed, less the blanks around them; an empty one is a rate of 0.
void TConfig::SaveVatRates() {
    const std::string first = RateTextOf(ui_->Edit1);
    const std::string second = RateTextOf(ui_->Edit2);
    const std::string third = RateTextOf(ui_->Edit3);
    file_.WriteString(kVatRate1Key, first);
    file_.WriteString(kVatRate2Key, second);
    file_.WriteString(kVatRate3Key, third);
    values_.vatRate1 = RateOf(first);
    values_.vatRate2 = RateOf(second);
    values_.vatRate3 = RateOf(third);
}

void TConfig::SaveTegRate() {
    const std::string rate = TextOf(ui_->Edit4);
    file_.WriteString(kTegRateKey, rate);
    window_.SetTegRateText(rate);
}

void TConfig::SaveStartSide() {
    const int side = RadioTaxeIndex();
    file_.WriteString(kStartSideKey, std::to_string(side));
    window_.SetStartSide(side);
}

void TConfig::SaveAutoCopy() {
    const bool autoCopy = ui_->CopieAutoPP->isChecked();
    window_.SetCopyButtonHidden(autoCopy);
    file_.WriteString(kAutoCopyKey, autoCopy ? "1" : "0");
}

void TConfig::SetVatCaptions() {
    window_.SetVatCaptions(VatCaption(RateTextOf(ui_->Edit1)), VatCaption(RateTextOf(ui_->Edit2)),
                           VatCaption(RateTextOf(ui_->Edit3)));
}

// ---- The start-side radio group ----------------------------------------------------------

// 0 for "T.T.C.", 1 for "H.T.".
int TConfig::RadioTaxeIndex() const {
    return ui_->RadioTaxeHT->isChecked() ? 1 : 0;
}

void TConfig::SelectRadioTaxe(int index) {
    ui::Check(index == 0 ? ui_->RadioTaxeTTC : ui_->RadioTaxeHT);
}

}  // namespace chiffrel
