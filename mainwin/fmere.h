#pragma once

#include <QMainWindow>
#include <exception>
#include <memory>
#include <string>

#include "platform/qt/accessibility.h"
#include "platform/qt/help_viewer.h"

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

    // The form's own caption text (" v4.51"), painted in the window's caption strip; the window
    // manager shows the application title instead.
    QString FormCaption() const;

    // The about box and the history window, created after the main window at start-up.
    void SetInformationWindows(Tabout& about, TMemoForm& history);

    // At the first showing the window takes its final size and is centred on the screen before
    // its native window exists.
    void setVisible(bool visible) override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Creation and activation
    void ConnectUserEvents();
    void SetUpAppearance();
    void CentreOnScreen();
    void FormCreate();
    void FormActivate();
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
    void ChooseFirstVatRate() override;

    // Shared by every tab
    void SaisieMntChange();  // InputDispatch
    void SaisieMntKeyPress(QChar typed);
    void Saisie2KeyPress(QChar typed);
    int ConversionDirectionChecked() const;
    std::string AmountText() const;
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
    void TextPlusClick();
    void TextMoinsClick();
    void TextMultClick();
    void TextDivClick();
    void BitBtn2Click();  // the upper button and Enter: result into the first value
    void BitBtn1Click();  // the lower button: result into the second value
    void BMemPlusClick();
    void BMemMoinsClick();
    void BRMemClick();

    // Conversion and TEG tabs
    void SetDirectionTexts(const char* prompt, const char* unit, const std::string& rateLine);
    void RadioEuroFClick();
    void RadioEuroEClick();
    void RadioFrancsDollarsClick();
    void RadioDollarsFrancsClick();
    void EditTxTEGChange();
    void EditNbJourChange();

    // Tab change and reset
    void PageControlChange();
    void ShowTab(QWidget* page, QAction* item);
    void MenuTabTVAClick();
    void MenuTabCalculClick();
    void MenuTabEuroClick();
    void MenuTabTEGClick();
    void ButtonRAZClick();  // Reset

    // Result actions
    void MoveResultUp();
    void BitBtn3Click();
    void ButtonMonteCEClick();
    void ButtonTransfertClick();
    void ButtonCloseClick();  // Quit
    void mConfigClick();      // Configure
    void Configurer1Click();
    void Button1Click();  // Copy
    void Copier1Click();
    void Impressiondursultat1Click();  // Print
    void Impressiondursultat2Click();
    void Impressiondursultat3Click();
    void PrintFinished(const std::exception_ptr& error);
    void SetPrintItemsEnabled(bool enabled);
    void mAProposClick();  // About
    void APropos1Click();
    void Aide1Click();  // Help
    void ShowHelpTopic(int context);
    void Historique1Click();
    void ShowModal(QDialog& dialog);
    void ShowPopup(QMenu* menu, QWidget* source, const QPoint& at);

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
