#include "settings/settings_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/float_error.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            previous_ = old;
        }
        Set(value);
    }
    ~ScopedEnvironment() { Set(previous_ ? previous_->c_str() : nullptr); }

  private:
    void Set(const char* value) {
        if (value != nullptr) {
            ::setenv(name_, value, 1);
        } else {
            ::unsetenv(name_);
        }
    }

    const char* name_;
    std::optional<std::string> previous_;
};

// Writes down every call, and at AfterRatesLoaded which values the load has reached.
class RecordingWindow : public SettingsLoadTarget {
  public:
    explicit RecordingWindow(const AppState& state) : state_(state) {}

    void AfterRatesLoaded() override {
        calls.push_back("AfterRatesLoaded euro=" + state_.euroRateText +
                        " dollar=" + state_.dollarRateText + " vat1=" + state_.vatRateText1);
    }
    void SetTegRateText(const std::string& text) override { calls.push_back("TEG " + text); }
    void SetStartSide(int position) override {
        calls.push_back("StartSide " + std::to_string(position));
    }
    void HideCopyButton() override { calls.push_back("HideCopyButton"); }
    void SetVatCaptions(const std::string& first, const std::string& second,
                        const std::string& third) override {
        calls.push_back("Captions " + first + "|" + second + "|" + third);
    }

    std::vector<std::string> calls;

  private:
    const AppState& state_;
};

const std::string kDefaultsAfterRates = "AfterRatesLoaded euro=6.47551 dollar=5.94620 vat1=";
const std::string kDefaultCaptions = "Captions TVA 20.6 %|TVA 5.50 %|TVA 2.10 %";

class SettingsTest : public ::testing::Test {
  protected:
    fs::path ConfigDirectory() const { return temporary_.path() / "config"; }
    fs::path IniPath() const { return ConfigDirectory() / "CHIFFREL.INI"; }

    void StoreIni(const std::string& text) const {
        fs::create_directories(ConfigDirectory());
        std::ofstream(IniPath(), std::ios::binary) << text;
    }

    void Load() { LoadSettings(SettingsFile(), state_, window_); }

    testing_support::ScratchDirectory temporary_{"settings-test"};
    ScopedEnvironment configHome_{"XDG_CONFIG_HOME", ConfigDirectory().c_str()};
    AppState state_;
    RecordingWindow window_{state_};
};

// ---- Where the file lives -------------------------------------------------------------------

TEST_F(SettingsTest, FileIsInTheConfigurationDirectory) {
    EXPECT_EQ(SettingsFile().path(), IniPath());
}

TEST_F(SettingsTest, WithoutConfigurationDirectoryTheHomeOneIsUsed) {
    ScopedEnvironment home("HOME", "/home/someone");
    {
        ScopedEnvironment unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(SettingsFile().path(), fs::path("/home/someone/.config/CHIFFREL.INI"));
    }
    ScopedEnvironment relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(SettingsFile().path(), fs::path("/home/someone/.config/CHIFFREL.INI"));
}

TEST_F(SettingsTest, FirstWriteCreatesAPrivateDirectory) {
    ScopedEnvironment nested("XDG_CONFIG_HOME", (ConfigDirectory() / "a" / "b").c_str());
    SettingsFile file;
    file.WriteString(kTegRateKey, "12,5");
    EXPECT_EQ(file.ReadString(kTegRateKey, "0"), "12,5");
    EXPECT_EQ(fs::status(ConfigDirectory() / "a").permissions() & fs::perms::all,
              fs::perms::owner_all);
}

TEST_F(SettingsTest, UnwritableLocationRaisesTheProgramsError) {
    std::ofstream(temporary_.path() / "not-a-directory") << "x";
    ScopedEnvironment blocked("XDG_CONFIG_HOME", (temporary_.path() / "not-a-directory").c_str());
    try {
        SettingsFile().WriteString(kEuroRateKey, "6.5");
        ADD_FAILURE() << "the write did not fail";
    } catch (const ProgramError& error) {
        EXPECT_STREQ(error.what(), "Ne peut écrire dans CHIFFREL.INI");
    }
}

// ---- Start-up load --------------------------------------------------------------------------

TEST_F(SettingsTest, NoFileGivesTheBuiltInValuesAndCreatesNothing) {
    Load();
    const AppState builtIn;
    EXPECT_EQ(state_.euroRate, builtIn.euroRate);
    EXPECT_EQ(state_.dollarRate, builtIn.dollarRate);
    EXPECT_EQ(state_.vatRate1, builtIn.vatRate1);
    EXPECT_EQ(state_.vatRate2, builtIn.vatRate2);
    EXPECT_EQ(state_.vatRate3, builtIn.vatRate3);
    EXPECT_EQ(state_.vatFactor, builtIn.vatFactor);
    EXPECT_EQ(state_.vatRateText1, "20.60000");
    EXPECT_EQ(state_.vatRateText2, "5.50000");
    EXPECT_EQ(state_.vatRateText3, "2.10000");
    EXPECT_EQ(state_.startSideText, "0");
    EXPECT_EQ(state_.autoCopyText, "0");
    EXPECT_THAT(window_.calls,
                ElementsAre(kDefaultsAfterRates, "TEG 0", "StartSide 0", kDefaultCaptions));
    EXPECT_FALSE(fs::exists(ConfigDirectory()));
}

TEST_F(SettingsTest, FileWrittenOnWindowsLoadsEveryKey) {
    StoreIni(
        "\xEF\xBB\xBF[CONVERSION_EURO]\r\nValeurEuro=6.55957\r\n"
        "[Conversion_Dollars]\r\nvaleurdollars = 6.1\r\n"
        "; rates\r\n[Valeur_Pourcentages]\r\nTauxTVA_1=19.6\r\nTauxTVA_2=7.12345\r\n"
        "TauxTVA_3=5\r\n[Valeur_TEG]\r\nTauxTEG=12,5\r\n"
        "[Reglages]\r\nTTC-HT=1\r\nCopiePressePapier=1\r\n");
    Load();
    EXPECT_EQ(state_.euroRate, Real48(6.55957L));
    EXPECT_EQ(state_.dollarRate, Real48(6.1L));
    EXPECT_EQ(state_.vatRate3, Real48(5.0L));
    EXPECT_THAT(window_.calls, ElementsAre("AfterRatesLoaded euro=6.55957 dollar=6.1 vat1=",
                                           "TEG 12,5", "StartSide 1", "HideCopyButton",
                                           "Captions TVA 19.6 %|TVA 7.12 %|TVA 5 %"));
}

struct VatRateCase {
    const char* fileValue;
    Extended rate;
    Extended factor;
    const char* caption;
};

class FirstVatRate : public SettingsTest, public ::testing::WithParamInterface<VatRateCase> {};

TEST_P(FirstVatRate, SetsRateFactorAndCaption) {
    StoreIni(std::string("[Valeur_Pourcentages]\nTauxTVA_1=") + GetParam().fileValue + "\n");
    Load();
    EXPECT_EQ(state_.vatRate1, Real48(GetParam().rate));
    EXPECT_NEAR(static_cast<double>(state_.vatFactor), static_cast<double>(GetParam().factor),
                1e-9);
    EXPECT_EQ(window_.calls.back(),
              std::string("Captions ") + GetParam().caption + "|TVA 5.50 %|TVA 2.10 %");
}

INSTANTIATE_TEST_SUITE_P(Settings, FirstVatRate,
                         ::testing::Values(VatRateCase{"19.6", 19.6L, 1.196L, "TVA 19.6 %"},
                                           VatRateCase{"19,6", 19, 1.19L, "TVA 19,6 %"},
                                           VatRateCase{"20.6 %", 206, 3.06L, "TVA 20.6 %"},
                                           VatRateCase{"", 0, 1, "TVA  %"}));

struct PreferenceCase {
    std::optional<std::string> startSide;  // none: key missing
    std::optional<std::string> autoCopy;
    int expectedPosition;
    bool copyButtonHidden;
};

class Preferences : public SettingsTest, public ::testing::WithParamInterface<PreferenceCase> {};

TEST_P(Preferences, OnlyExactTextsCount) {
    std::string ini = "[Reglages]\n";
    if (GetParam().startSide) {
        ini += "TTC-HT=" + *GetParam().startSide + "\n";
    }
    if (GetParam().autoCopy) {
        ini += "CopiePressePapier=" + *GetParam().autoCopy + "\n";
    }
    StoreIni(ini);
    Load();
    EXPECT_EQ(state_.startSideText, GetParam().startSide.value_or("0"));
    EXPECT_EQ(state_.autoCopyText, GetParam().autoCopy.value_or("0"));
    EXPECT_EQ(std::ranges::count(window_.calls, "HideCopyButton") == 1,
              GetParam().copyButtonHidden);
    EXPECT_EQ(std::ranges::count(window_.calls,
                                 "StartSide " + std::to_string(GetParam().expectedPosition)),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Preferences,
    ::testing::Values(PreferenceCase{std::nullopt, std::nullopt, 0, false},
                      PreferenceCase{"0", "1", 0, true}, PreferenceCase{"00", "01", 1, false},
                      PreferenceCase{"", "", 1, false}, PreferenceCase{"abc", "yes", 1, false},
                      PreferenceCase{"1", "0", 1, false}, PreferenceCase{"2", "0", 1, false}));

TEST_F(SettingsTest, EmptyEuroRateReadsAsZeroWhileAMissingOneTakesTheBuiltIn) {
    StoreIni("[Conversion_Euro]\nValeurEuro=\n");
    Load();
    EXPECT_TRUE(state_.euroRate.isZero());
    EXPECT_EQ(state_.euroRateText, "");
    EXPECT_EQ(state_.dollarRate, Real48(5.9462L));
    EXPECT_EQ(state_.dollarRateText, "5.94620");
}

TEST_F(SettingsTest, TooLargeEuroRateStopsTheLoadBeforeAnyRateIsStored) {
    StoreIni("[Conversion_Euro]\nValeurEuro=1e99\n[Conversion_Dollars]\nValeurDollars=7\n");
    EXPECT_THROW(Load(), FloatOverflow);
    EXPECT_EQ(state_.euroRateText, "1e99");
    EXPECT_EQ(state_.euroRate, AppState().euroRate);
    EXPECT_EQ(state_.dollarRateText, "");
    EXPECT_EQ(state_.dollarRate, AppState().dollarRate);
    EXPECT_THAT(window_.calls, IsEmpty());
}

TEST_F(SettingsTest, TooLargeSecondVatRateStopsTheLoadAfterTheFirstRate) {
    StoreIni("[Valeur_Pourcentages]\nTauxTVA_1=19.6\nTauxTVA_2=1e99\n[Reglages]\nTTC-HT=1\n");
    EXPECT_THROW(Load(), FloatOverflow);
    EXPECT_EQ(state_.vatRateText3, "2.10000");
    EXPECT_EQ(state_.vatRate1, Real48(19.6L));
    EXPECT_EQ(state_.vatRate2, AppState().vatRate2);
    EXPECT_EQ(state_.vatFactor, AppState().vatFactor);
    EXPECT_EQ(state_.startSideText, "");
    EXPECT_THAT(window_.calls, ElementsAre(kDefaultsAfterRates));
}

// ---- Texts shared with the configuration dialog ---------------------------------------------

TEST(VatCaption, ShowsTheFirstFourCharacters) {
    EXPECT_EQ(VatCaption("20.60000"), "TVA 20.6 %");
    EXPECT_EQ(VatCaption("7.12345"), "TVA 7.12 %");
    EXPECT_EQ(VatCaption("5"), "TVA 5 %");
    EXPECT_EQ(VatCaption(""), "TVA  %");
}

TEST(RateTextToSave, KeepsTypedTextAndReplacesOnlyAnEmptyField) {
    EXPECT_EQ(RateTextToSave("", Real48(6.47551L)), "6.475510");
    EXPECT_EQ(RateTextToSave("6,5", Real48(6.47551L)), "6,5");
    EXPECT_EQ(RateTextToSave(" ", Real48(6.47551L)), " ");
}

TEST_F(SettingsTest, SavedEmptyEuroFieldReadsBackAsTheRateInForce) {
    const SettingsFile file;
    file.WriteString(kEuroRateKey, RateTextToSave("", state_.euroRate));
    file.WriteString(kDollarRateKey, RateTextToSave("", state_.dollarRate));
    AppState nextRun;
    RecordingWindow window(nextRun);
    LoadSettings(file, nextRun, window);
    EXPECT_EQ(nextRun.euroRate, AppState().euroRate);
    EXPECT_EQ(nextRun.dollarRate, AppState().dollarRate);
}

}  // namespace
}  // namespace chiffrel
