// The main window's set-up: how its controls look beyond the form, and which handler each of the
// user's actions runs. The handlers themselves are in fmere.cpp.
#include <QAction>
#include <QActionGroup>
#include <QLayout>
#include <QMenu>
#include <QTabBar>

#include "components/GradientCaption.h"
#include "forms/accessibility.h"
#include "forms/error_and_modal.h"
#include "forms/event_rules.h"
#include "forms/form_style.h"
#include "forms/tight_tab_style.h"
#include "mainwin/fmere.h"
#include "mainwin/menu_behaviour.h"
#include "pictures/glyphs.h"
#include "ui_fmere.h"

namespace chiffrel {

namespace {

constexpr int kAmountFieldLimit = 9;

}  // namespace

// ---- How the window looks ------------------------------------------------------------------

void Tmere::SetUpFrame() {
    setWindowTitle(ui::ApplicationTitle());
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
}

void Tmere::SetUpFontsAndColours() {
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
}

void Tmere::SetUpButtonsAndFields() {
    ui_->ButtonRAZ->setIcon(ResetGlyph());
    ui_->ButtonClose->setIcon(CloseGlyph());
    const QIcon up = ArrowUpGlyph();
    ui_->BitBtn3->setIcon(up);
    ui_->BitBtn1->setIcon(up);
    ui_->BitBtn2->setIcon(ArrowRightGlyph());

    // Four tabs share 177 pixels: the tabs keep their text tight.
    ui::GiveTightTabs(ui_->PageControl->tabBar());

    // The print buffer lies outside the visible client area: keys must never go there.
    ui_->RichEdit1->setFocusPolicy(Qt::NoFocus);

    // The sliders' positions are told as the words of their labels; before the handlers are
    // connected, so that the word of a move is heard before the focus goes back to the field.
    ui::SetPositionWords(ui_->bar, {ui_->Label5->text(), ui_->Label6->text()});
    QStringList operations;
    for (const QLabel* selector : {ui_->TextPlus, ui_->TextMoins, ui_->TextMult, ui_->TextDiv}) {
        operations << selector->text();
    }
    ui::SetPositionWords(ui_->BarCalcul, operations);

    ui::LimitTyping(ui_->SaisieMnt, kAmountFieldLimit);
    ui::LimitTyping(ui_->Saisie2, kAmountFieldLimit);
    ui::KeepAltKeysOutOfFields(this);
}

void Tmere::SetUpMenus() {
    auto* tabItems = new QActionGroup(this);
    for (QAction* item : {ui_->MenuTabTVA, ui_->MenuTabCalcul, ui_->MenuTabEuro, ui_->MenuTabTEG}) {
        tabItems->addAction(item);
    }

    ui::NameMenusByTitles(ui_->MainMenu1);

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

    // The about box and the history window arrive after the window's creation.
    for (QAction* later : {ui_->APropos1, ui_->mAPropos, ui_->Historique1}) {
        later->setEnabled(false);
    }
}

// ---- What each of the user's actions runs ----------------------------------------------------

void Tmere::ConnectAmountFields() {
    ui::OnUserEdit(ui_->SaisieMnt, [this] { SaisieMntChange(); });
    ui::OnUserEdit(ui_->Saisie2, [this] { SaisieMntChange(); });
    ui::OnKeyPress(ui_->SaisieMnt, [this](QChar typed) { SaisieMntKeyPress(typed); });
    ui::OnKeyPress(ui_->Saisie2, [this](QChar typed) { Saisie2KeyPress(typed); });
}

void Tmere::ConnectVatTab() {
    ui::OnUserCheck(ui_->RadioButton206, [this] { RadioButton206Click(); });
    ui::OnUserCheck(ui_->RadioButton55, [this] { RadioButton55Click(); });
    ui::OnUserCheck(ui_->RadioButton22, [this] { RadioButton22Click(); });
    ui::OnUserCheck(ui_->RadioButton0, [this] { RadioButton0Click(); });
    ui::OnUserEdit(ui_->saisietva, [this] { saisietvaChange(); });
    ui::OnFocusEnter(ui_->saisietva, [this] { saisietvaEnter(); });
    ui::OnMouseClick(ui_->saisietva, [this] { saisietvaClick(); });
    ui::OnUserMove(ui_->bar, [this] { barChange(); });
    ui::OnUserClick(ui_->BitBtn3, [this] { BitBtn3Click(); });
}

void Tmere::ConnectOperationsTab() {
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
}

void Tmere::ConnectConversionAndTegTabs() {
    ui::OnUserCheck(ui_->RadioEuroF, [this] { RadioEuroFClick(); });
    ui::OnUserCheck(ui_->RadioEuroE, [this] { RadioEuroEClick(); });
    ui::OnUserCheck(ui_->RadioFrancsDollars, [this] { RadioFrancsDollarsClick(); });
    ui::OnUserCheck(ui_->RadioDollarsFrancs, [this] { RadioDollarsFrancsClick(); });
    ui::OnUserEdit(ui_->EditTxTEG, [this] { EditTxTEGChange(); });
    ui::OnUserEdit(ui_->EditNbJour, [this] { EditNbJourChange(); });
    ui::OnUserClick(ui_->ButtonMonteCE, [this] { ButtonMonteCEClick(); });
}

void Tmere::ConnectTabsAndReset() {
    ui::OnUserPageChange(ui_->PageControl, [this] { PageControlChange(); });
    ui::OnUserTrigger(ui_->MenuTabTVA, [this] { MenuTabTVAClick(); });
    ui::OnUserTrigger(ui_->MenuTabCalcul, [this] { MenuTabCalculClick(); });
    ui::OnUserTrigger(ui_->MenuTabEuro, [this] { MenuTabEuroClick(); });
    ui::OnUserTrigger(ui_->MenuTabTEG, [this] { MenuTabTEGClick(); });
    ui::OnUserClick(ui_->ButtonRAZ, [this] { ButtonRAZClick(); });
    ui::OnUserTrigger(ui_->Remisezro1, [this] { ButtonRAZClick(); });
    ui::OnUserTrigger(ui_->Remisezro2, [this] { ButtonRAZClick(); });
}

void Tmere::ConnectResultActions() {
    ui::OnUserClick(ui_->ButtonTransfert, [this] { ButtonTransfertClick(); });
    ui::OnUserClick(ui_->ButtonClose, [this] { ButtonCloseClick(); });
    ui::OnUserTrigger(ui_->Quitter2, [this] { ButtonCloseClick(); });
    // Escape presses the quit button from anywhere in the window, once no menu has the keyboard.
    ui::OnWindowKey(this, Qt::Key_Escape, [this] { ButtonCloseClick(); });
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
}

void Tmere::ConnectMenuHelpAndPopups() {
    GiveMenusTheHelpKey(
        this, {ui_->MenuFichiers, ui_->MenuOnglets, ui_->MenuAPropos, popupMenu1_, popupMenu2_},
        [this](int context) { ShowHelpTopic(context); });
    for (QWidget* source :
         std::initializer_list<QWidget*>{ui_->Label2, ui_->PageControl, ui_->bar}) {
        connect(source, &QWidget::customContextMenuRequested, this,
                [this, source](const QPoint& at) { PopUpCentred(popupMenu1_, source, at); });
    }
    connect(ui_->Result, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopUpCentred(popupMenu2_, ui_->Result, at); });
}

}  // namespace chiffrel
