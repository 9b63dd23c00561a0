#pragma once

// The main window of Chiffrel and where its parts live:
//
//   Tmere                  fmere.h, fmere.cpp: the window's handlers, in the order of its
//                          behaviour (creation, the shared fields, each tab, tab change and reset,
//                          the moves of a result into a field); fmere.ui is its form.
//                          fmere_wiring.cpp: its set-up, one area at a time, and which handler
//                          each of the user's actions runs.
//                          fmere_settings.cpp: what the start-up load and the configuration
//                          dialog read and change of it.
//                          fmere_commands.cpp: the commands that act on a result or open
//                          another window (quit, configure, copy, print, about, help, history).
//   menu_behaviour.*       F1 in an open menu, and pop-up menus placed where they were asked for.
//   printing.*             the print command's work, on a thread of its own; print_system.*
//                          its requests to the print server, over a connection of its own.
//   ProgramContext         program_context.h: the values and services shared for the whole run.
//   main.cpp               start-up: the application, the main window, the about box and the
//                          history window.
//
// What the window hosts or opens: TGradientCaption (components/GradientCaption: the caption
// strip and frame), TClock (components/CClock), TConfig (settings/fconfig), Tabout
// (infowin/fabout), TMemoForm (infowin/fmemo), ui::HelpViewer (help/help_viewer). The
// handlers compute through the engines of engine/ and change controls only through the helpers
// of forms/event_rules.h; the pictures of its buttons are pictures/glyphs.

#include <QMainWindow>
#include <exception>
#include <memory>
#include <string>

#include "forms/accessibility.h"
#include "help/help_viewer.h"

#include "settings/fconfig.h"
#include "settings/settings_file.h"

class QAction;
class QDialog;
class QLabel;
class QMenu;

namespace Ui {
class Tmere;
}

namespace chiffrel {

struct ProgramContext;
class TGradientCaption;
class Tabout;
class TMemoForm;

// The main window: four tabs of calculations over shared input fields, one result panel, the
// menus. Every user event reaches one of the handlers below (named after the control and the
// event); each hands field texts to an engine and shows the text that comes back.
class Tmere : public QMainWindow, private SettingsLoadTarget, private ConfigTarget {
    Q_OBJECT

  public:
    explicit Tmere(ProgramContext& context, QWidget* parent = nullptr);
    ~Tmere() override;

    // The form's own caption text (" v" and the version), painted in the window's caption strip;
    // the window manager shows the application title instead.
    QString FormCaption() const;

    // The about box and the history window, created after the main window at start-up.
    void SetInformationWindows(Tabout& about, TMemoForm& history);

    // At the first showing the window takes its final size and is centred on the screen before
    // its native window exists.
    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Set-up, one area at a time (fmere_wiring.cpp)
    void SetUpFrame();
    void SetUpFontsAndColours();
    void SetUpButtonsAndFields();
    void SetUpMenus();
    void ConnectAmountFields();
    void ConnectVatTab();
    void ConnectOperationsTab();
    void ConnectConversionAndTegTabs();
    void ConnectTabsAndReset();
    void ConnectResultActions();
    void ConnectMenuHelpAndPopups();

    // Creation and activation
    void FormCreate();
    void FormActivate();
    void ShowModal(QDialog& dialog);

    // What the settings read and change (fmere_settings.cpp)
    void AfterRatesLoaded() override;
    void SetTegRateText(const std::string& text) override;
    void SetStartSide(int position) override;
    void HideCopyButton() override;
    void SetVatCaptions(const std::string& first, const std::string& second,
                        const std::string& third) override;
    std::string TegRateText() const override;
    int StartSide() const override;
    bool CopyButtonHidden() const override;
    void SetCopyButtonHidden(bool hidden) override;
    void ChooseFirstVatRate() override { RadioButton206Click(); }

    // Shared by every tab
    void SaisieMntChange();  // InputDispatch
    void SaisieMntKeyPress(QChar typed);
    void Saisie2KeyPress(QChar typed);
    std::string SaisieMntText() const;  // the first amount, as typed
    void ShowResult(const std::string& text);
    QString ShownResultWithoutSpaces() const;  // what goes back into an input field
    void DescribeResult();                     // for screen readers

    // VAT tab
    void RecomputeVat();
    void ChooseFixedRate(const Real48& rate);
    void RadioButton206Click();
    void RadioButton55Click();
    void RadioButton22Click();
    void RadioButton0Click();
    void saisietvaEnter();
    void saisietvaClick();
    void saisietvaChange();
    void barChange();
    void ShowVatPrompt();

    // Operations tab and memory keys
    void RecomputeOperation();
    void HighlightSelector(int code);
    void BarCalculChange();
    void SelectOperation(int code);
    void TextPlusClick() { SelectOperation(0); }
    void TextMoinsClick() { SelectOperation(1); }
    void TextMultClick() { SelectOperation(2); }
    void TextDivClick() { SelectOperation(3); }
    void BitBtn2Click();  // the upper button and Enter: result into the first value
    void BitBtn1Click();  // the lower button: result into the second value
    void TellMovedValue(const QWidget* focused, const QString& moved);  // for screen readers
    void BMemPlusClick();
    void BMemMoinsClick();
    void BRMemClick();
    void DescribeMemory(const QString& done);  // for screen readers, after `done` when given

    // Conversion and TEG tabs
    int ConversionDirectionChecked() const;
    void ShowRateLine(int direction);
    void ShowDirectionTexts(int direction);
    void SelectDirection(int direction);
    void RadioEuroFClick() { SelectDirection(0); }
    void RadioEuroEClick() { SelectDirection(1); }
    void RadioDollarsFrancsClick() { SelectDirection(2); }
    void RadioFrancsDollarsClick() { SelectDirection(3); }
    void EditTxTEGChange();
    void EditNbJourChange() { EditTxTEGChange(); }

    // Tab change and reset
    void PageControlChange();
    void ShowTabControls(const QWidget* page);
    void ShowTab(QWidget* page, QAction* item);
    void MenuTabTVAClick();
    void MenuTabCalculClick();
    void MenuTabEuroClick();
    void MenuTabTEGClick();
    void ButtonRAZClick();  // Reset

    // Result actions
    void MoveResultUp();
    void BitBtn3Click() { MoveResultUp(); }
    void ButtonMonteCEClick() { MoveResultUp(); }
    void ButtonTransfertClick();
    void ButtonCloseClick();  // Quit
    void mConfigClick();      // Configure
    void Configurer1Click() { mConfigClick(); }
    void Button1Click();  // Copy
    void Copier1Click() { Button1Click(); }
    void Impressiondursultat1Click();  // Print
    void Impressiondursultat2Click() { Impressiondursultat1Click(); }
    void Impressiondursultat3Click() { Impressiondursultat1Click(); }
    void PrintFinished(const std::exception_ptr& error);
    void SetPrintItemsEnabled(bool enabled);
    void mAProposClick();  // About
    void APropos1Click() { mAProposClick(); }
    void Aide1Click();  // Help
    void ShowHelpTopic(int context);
    void Historique1Click();

    ProgramContext& context_;
    std::unique_ptr<Ui::Tmere> ui_;
    QMenu* popupMenu1_ = nullptr;
    QMenu* popupMenu2_ = nullptr;
    TGradientCaption* caption1_ = nullptr;
    bool activatedOnce_ = false;
    Tabout* about_ = nullptr;
    TMemoForm* history_ = nullptr;
    ui::HelpViewer help_;
    ui::OncePerEvent spokenResult_{this, [this] { DescribeResult(); }};
};

}  // namespace chiffrel
