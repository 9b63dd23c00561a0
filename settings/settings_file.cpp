#include "settings/settings_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "engine/amount_text.h"

namespace chiffrel {

namespace fs = std::filesystem;

namespace {

fs::path HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* account = ::getpwuid(::getuid());
    return account != nullptr && account->pw_dir != nullptr ? account->pw_dir : "";
}

// A relative $XDG_CONFIG_HOME is to be ignored, as the base-directory convention asks. Qt's
// QStandardPaths would do for this only where it resolves the same paths, and Qt 6.4 does not: it
// takes a relative $XDG_CONFIG_HOME as it stands, and without $HOME it gives "//.config" where
// the account's home directory is meant. Reading it here also keeps this library free of Qt.
fs::path ConfigDirectory() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && fs::path(configHome).is_absolute()) {
        return configHome;
    }
    return HomeDirectory() / ".config";
}

// Missing directories are made private to the user, as configuration directories should be.
// A directory that cannot be made is reported by the write that needs it.
void CreateMissingDirectories(const fs::path& directory) {
    std::error_code error;
    if (directory.empty() || fs::exists(directory, error) || error) {
        return;
    }
    CreateMissingDirectories(directory.parent_path());
    ::mkdir(directory.c_str(), 0700);
}

void LoadCurrencyRates(const SettingsFile& file, AppState& state) {
    state.euroRateText = file.ReadString(kEuroRateKey, FormatRate(state.euroRate));
    state.euroRate = RateOf(state.euroRateText);
    state.dollarRateText = file.ReadString(kDollarRateKey, FormatRate(state.dollarRate));
    state.dollarRate = RateOf(state.dollarRateText);
}

// All three texts are read before any of them is parsed.
void LoadVatRates(const SettingsFile& file, AppState& state) {
    state.vatRateText1 = file.ReadString(kVatRate1Key, FormatRate(state.vatRate1));
    state.vatRateText2 = file.ReadString(kVatRate2Key, FormatRate(state.vatRate2));
    state.vatRateText3 = file.ReadString(kVatRate3Key, FormatRate(state.vatRate3));
    state.vatRate1 = RateOf(state.vatRateText1);
    state.vatRate2 = RateOf(state.vatRateText2);
    state.vatRate3 = RateOf(state.vatRateText3);
    state.vatFactor = VatFactorFor(state.vatRate1);
}

// Only the exact text "1" means the automatic copy.
void LoadPreferences(const SettingsFile& file, AppState& state, SettingsLoadTarget& window) {
    window.SetTegRateText(file.ReadString(kTegRateKey, "0"));
    state.startSideText = file.ReadString(kStartSideKey, "0");
    window.SetStartSide(StartSidePosition(state));
    state.autoCopyText = file.ReadString(kAutoCopyKey, "0");
    if (state.autoCopyText == "1") {
        window.HideCopyButton();
    }
}

}  // namespace

SettingsFile::SettingsFile() : path_(ConfigDirectory() / kFileName) {}

std::string SettingsFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    return ReadProfileString(path_, section, key, defaultValue);
}

void SettingsFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) const {
    CreateMissingDirectories(path_.parent_path());
    WriteProfileString(path_, section, key, value);
}

void LoadSettings(const SettingsFile& file, AppState& state, SettingsLoadTarget& window) {
    LoadCurrencyRates(file, state);
    window.AfterRatesLoaded();
    LoadVatRates(file, state);
    LoadPreferences(file, state, window);
    window.SetVatCaptions(VatCaption(state.vatRateText1), VatCaption(state.vatRateText2),
                          VatCaption(state.vatRateText3));
}

int StartSidePosition(const AppState& state) {
    return state.startSideText == "0" ? 0 : 1;
}

std::string VatCaption(std::string_view rateText) {
    return "TVA " + std::string(rateText.substr(0, 4)) + " %";
}

Real48 RateOf(std::string_view rateText) {
    return Real48(ParseAmount(rateText).value);
}

std::string CurrencyRateText(Real48 rate) {
    return FormatAmount(rate, 1, 6);
}

std::string RateTextToSave(std::string_view fieldText, Real48 rateInForce) {
    return fieldText.empty() ? CurrencyRateText(rateInForce) : std::string(fieldText);
}

}  // namespace chiffrel
