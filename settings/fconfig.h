#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "engine/app_state.h"
#include "settings/settings_file.h"

class QAbstractButton;
class QLineEdit;

namespace Ui {
class TConfig;
}

namespace chiffrel {

// What the configuration dialog reads and changes of the main window. Texts are 8-bit amount
// texts, as the settings file holds them. SetTegRateText, SetStartSide and SetVatCaptions have
// the signatures of SettingsLoadTarget on purpose: the start-up load and the dialog change the
// same controls the same way, so one function of the window serves both.
struct ConfigTarget {
    // The TEG tab's rate field as it shows now.
    virtual std::string TegRateText() const = 0;
    // Sets the TEG rate field as the program does: the TEG tab recomputes when the text changes.
    virtual void SetTegRateText(const std::string& text) = 0;
    // The VAT slider: 0 on the T.T.C. side, 1 on the H.T. side.
    virtual int StartSide() const = 0;
    // Moves the slider without running what a user's move runs.
    virtual void SetStartSide(int position) = 0;
    // The automatic-copy preference in force: on while the copy button is hidden.
    virtual bool CopyButtonHidden() const = 0;
    virtual void SetCopyButtonHidden(bool hidden) = 0;
    virtual void SetVatCaptions(const std::string& first, const std::string& second,
                                const std::string& third) = 0;
    // What choosing the first VAT rate does: that rate in force, the VAT result recomputed.
    virtual void ChooseFirstVatRate() = 0;

    virtual ~ConfigTarget() = default;
};

// The configuration dialog: the currency rates, the three VAT rates, the TEG rate, the start
// side of the VAT slider and the automatic-copy preference. OK applies them to the running
// program and saves them in the settings file; every other way out changes nothing.
// Each opening uses a new dialog.
class TConfig : public QDialog {
    Q_OBJECT

  public:
    // The help topic of the whole dialog.
    static constexpr int kHelpContext = 6;

    // `showHelp` opens the help file at a context number (F1).
    TConfig(AppState& values, const SettingsFile& file, ConfigTarget& window,
            std::function<void(int helpContext)> showHelp, QWidget* parent = nullptr);
    ~TConfig() override;

    // Fills the euro and dollar fields with the rate texts last read or saved. The opener runs
    // it before showing the dialog; the other pages are filled when the dialog is shown.
    void LoadConversionFields();

  protected:
    // Runs FormActivate once each time the program shows the dialog.
    void showEvent(QShowEvent* event) override;

  private:
    void SetUpAppearance();
    void ConnectUserEvents();
    void FormActivate();
    void OkPressed();
    void BitBtn1Click();  // the save

    void CheckRatesCanBeStored() const;
    void SaveCurrencyRates();
    void SaveVatRates();
    void SaveTegRate();
    void SaveStartSide();
    void SaveAutoCopy();
    void SetVatCaptions();

    int RadioTaxeIndex() const;
    void SelectRadioTaxe(int index);

    AppState& values_;
    const SettingsFile& file_;
    ConfigTarget& window_;
    std::function<void(int)> showHelp_;
    std::unique_ptr<Ui::TConfig> ui_;
};

}  // namespace chiffrel
