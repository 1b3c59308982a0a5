#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/core_error.h"
#include "model/lang_texts.h"

using namespace vellisk;

TEST(LangTexts, EveryTableHasFourNonEmptyColumns) {
    std::set<std::string> keys;
    for (const TLangText& t : AllLangTexts()) {
        EXPECT_TRUE(keys.insert(t.Key).second) << t.Key;
        for (int col = 0; col < 4; ++col) {
            ASSERT_NE(t.Texts[col], nullptr) << t.Key;
            EXPECT_GT(std::strlen(t.Texts[col]), 0u) << t.Key << " column " << col + 1;
        }
    }
    EXPECT_EQ(AllLangTexts().size(), static_cast<std::size_t>(TextId::Count_));
}

TEST(LangTexts, PickingByLanguageIsRangeChecked) {
    EXPECT_EQ(LangText(TextId::NoCommunication, kLangEnglish), "No communication with the plotter");
    EXPECT_EQ(LangText(TextId::NoData, kLangPolish), "Brak danych");
    EXPECT_EQ(LangText(TextId::NoData, kLangSlovak), "Žiadne údaje");
    EXPECT_THROW(LangText(TextId::NoData, 0), CoreError);
    EXPECT_THROW(LangText(TextId::NoData, 5), CoreError);
    EXPECT_THROW(LangText(TextId::Count_, 1), CoreError);
}

TEST(LanguageChoice, FromCountryCode) {
    const std::vector<std::string> none;
    EXPECT_EQ(DetectLanguage(48, none).Language, kLangPolish);
    EXPECT_EQ(DetectLanguage(39, none).Language, kLangItalian);
    EXPECT_EQ(DetectLanguage(421, none).Language, kLangSlovak);
    EXPECT_EQ(DetectLanguage(1, none).Language, kLangEnglish);
    LanguageChoice tw = DetectLanguage(886, none);
    EXPECT_EQ(tw.Language, kLangEnglish);
    EXPECT_EQ(tw.CountryCode, 886);
    EXPECT_EQ(DetectLanguage(49, none).Language, kLangEnglish);
    EXPECT_EQ(DetectLanguage(49, none).CountryCode, 49);
}

TEST(LanguageChoice, SwitchesLaterWins) {
    const std::vector<std::string> plIt = {"it", "pl"};
    LanguageChoice c = DetectLanguage(48, plIt);
    EXPECT_EQ(c.Language, kLangItalian);
    EXPECT_EQ(c.CountryCode, 39);

    EXPECT_EQ(DetectLanguage(39, std::vector<std::string>{"Usa"}).Language, kLangEnglish);
    EXPECT_EQ(DetectLanguage(39, std::vector<std::string>{"Usa"}).CountryCode, 1);
    EXPECT_EQ(DetectLanguage(1, std::vector<std::string>{"polska"}).Language, kLangPolish);
    EXPECT_EQ(DetectLanguage(1, std::vector<std::string>{"SK", "US"}).Language, kLangSlovak);
    c = DetectLanguage(48, std::vector<std::string>{"tw"});
    EXPECT_EQ(c.Language, kLangEnglish);
    EXPECT_EQ(c.CountryCode, 886);
    c = DetectLanguage(48, std::vector<std::string>{"95", "Ethernet"});
    EXPECT_EQ(c.Language, kLangPolish);
}

TEST(LanguageChoice, WholeParameterMustMatch) {
    const std::vector<std::string> params = {"-PL", "PLx", "ItaLy"};
    EXPECT_FALSE(ParamPresent(params, "PL"));
    EXPECT_FALSE(ParamPresent(params, "IT"));
    EXPECT_TRUE(ParamPresent(params, "italy"));
    EXPECT_FALSE(ParamPresent(std::vector<std::string>{}, "PL"));
    EXPECT_EQ(DetectLanguage(1, params).Language, kLangEnglish);
}

TEST(LanguageChoice, CountryFromLocaleTerritory) {
    EXPECT_EQ(CountryCodeOfLocale("pl_PL.UTF-8"), 48);
    EXPECT_EQ(CountryCodeOfLocale("sk_SK"), 421);
    EXPECT_EQ(CountryCodeOfLocale("it_IT@euro"), 39);
    EXPECT_EQ(CountryCodeOfLocale("zh_TW.Big5"), 886);
    EXPECT_EQ(CountryCodeOfLocale("de_AT.UTF-8"), 43);
    EXPECT_EQ(CountryCodeOfLocale("en_US.UTF-8"), 1);
    EXPECT_EQ(CountryCodeOfLocale("C"), 1);
    EXPECT_EQ(CountryCodeOfLocale("POSIX"), 1);
    EXPECT_EQ(CountryCodeOfLocale("xx_QQ"), 1);
    EXPECT_EQ(CountryCodeOfLocale(""), 1);
}
