// The main window as the settings see it: what the start-up load and the configuration dialog
// read and change of it.
#include "components/GradientCaption.h"
#include "forms/code_page_text.h"
#include "forms/event_rules.h"
#include "mainwin/fmere.h"
#include "mainwin/program_context.h"
#include "ui_fmere.h"

namespace chiffrel {

using ui::ShowControl;
using ui::ToAmountText;
using ui::ToQString;

namespace {

// What the prompt says once the rates are loaded, before any tab is chosen.
const QString kPromptAtCreation = QStringLiteral("Saisir le montant H.T.");

}  // namespace

void Tmere::AfterRatesLoaded() {
    ui_->Label3->setText(kPromptAtCreation);
    ui::SetActivePage(ui_->PageControl, ui_->TabTVA);
    caption1_->CaptionText()->SetCaption(context_.versionLabel);
}

void Tmere::SetTegRateText(const std::string& text) {
    ui::SetText(ui_->EditTxTEG, ToQString(text));
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
    ShowControl(ui_->Button1, false);
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
    ShowControl(ui_->Button1, !hidden);
}

}  // namespace chiffrel
