#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "engine/app_state.h"
#include "engine/real48.h"
#include "platform/private_profile.h"

namespace chiffrel {

// ---- The eight keys, in the order start-up reads them and the dialog saves them -----------

struct SettingKey {
    std::string_view section;
    std::string_view key;
};

inline constexpr SettingKey kEuroRateKey{"Conversion_Euro", "ValeurEuro"};
inline constexpr SettingKey kDollarRateKey{"Conversion_Dollars", "ValeurDollars"};
inline constexpr SettingKey kVatRate1Key{"Valeur_Pourcentages", "TauxTVA_1"};
inline constexpr SettingKey kVatRate2Key{"Valeur_Pourcentages", "TauxTVA_2"};
inline constexpr SettingKey kVatRate3Key{"Valeur_Pourcentages", "TauxTVA_3"};
inline constexpr SettingKey kTegRateKey{"Valeur_TEG", "TauxTEG"};
inline constexpr SettingKey kStartSideKey{"Reglages", "TTC-HT"};
inline constexpr SettingKey kAutoCopyKey{"Reglages", "CopiePressePapier"};

// ---- The file -------------------------------------------------------------------------------

// The settings file "CHIFFREL.INI" in the user's configuration directory ($XDG_CONFIG_HOME, by
// default ~/.config). It holds only the path: every read and write opens the file anew, so
// changes other programs make in between are seen. Reading never creates anything.
class SettingsFile {
  public:
    static constexpr std::string_view kFileName = "CHIFFREL.INI";

    SettingsFile();

    const std::filesystem::path& path() const { return path_; }

    // The value, or `defaultValue` when the file, the section or the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    std::string ReadString(const SettingKey& setting, std::string_view defaultValue) const {
        return ReadString(setting.section, setting.key, defaultValue);
    }

    // Creates the configuration directory and the file as needed. Throws ProfileWriteError
    // ("Ne peut écrire dans CHIFFREL.INI"), leaving the file as it was, when the write fails.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
    void WriteString(const SettingKey& setting, std::string_view value) const {
        WriteString(setting.section, setting.key, value);
    }

  private:
    std::filesystem::path path_;
};

// ---- Start-up load --------------------------------------------------------------------------

// What the main window lets the load change while it is being created.
struct SettingsLoadTarget {
    // Called once both currency rates are loaded, before the VAT rates: the window sets its
    // prompt, its active page and its caption text here.
    virtual void AfterRatesLoaded() = 0;
    // The TEG rate field gets the text as read, unparsed.
    virtual void SetTegRateText(const std::string& text) = 0;
    // Slider position: 0 for the T.T.C. side, 1 for the H.T. side.
    virtual void SetStartSide(int position) = 0;
    // Called only when the automatic-copy preference is on.
    virtual void HideCopyButton() = 0;
    virtual void SetVatCaptions(const std::string& first, const std::string& second,
                                const std::string& third) = 0;

    virtual ~SettingsLoadTarget() = default;
};

// Reads every setting into `state` and the window, in this order: euro rate, dollar rate,
// AfterRatesLoaded, the three VAT rate texts, the three VAT rates, the VAT factor, the TEG
// text, the start side, the automatic-copy preference, the VAT captions. Missing keys take the
// current values of `state` formatted as rates. A rate too large for Real48 throws
// FloatOverflow where it is stored: what was loaded before stays, the rest is not loaded.
void LoadSettings(const SettingsFile& file, AppState& state, SettingsLoadTarget& window);

// ---- Texts shared with the configuration dialog ---------------------------------------------

// "TVA " + the first four characters of the rate text + " %": "20.60000" gives "TVA 20.6 %".
std::string VatCaption(std::string_view rateText);

// The VAT slider's position at start and after a reset, from the start-side preference: only the
// exact text "0" means the T.T.C. side (0); anything else is the H.T. side (1).
int StartSidePosition(const AppState& state);

// The rate that a rate text stands for. Throws FloatOverflow, as storing it would, when the rate
// is too large for a Real48.
Real48 RateOf(std::string_view rateText);

// A currency rate as the program keeps its text after a save: six decimals, "6.559570".
std::string CurrencyRateText(Real48 rate);

// The text to save for the euro or dollar rate. An empty field leaves the rate in force
// unchanged for the run; saving the empty text would make the next run read a rate of 0, so
// the rate in force is saved instead, with six decimals.
std::string RateTextToSave(std::string_view fieldText, Real48 rateInForce);

}  // namespace chiffrel
