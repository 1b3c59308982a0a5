#pragma once
// Four-language texts. Every text the program shows exists in Polish (column 1), English (2),
// Slovak (3) and Italian (4); one language index, decided once at start-up, picks the column.
// The texts themselves are data in lang_texts.def (see there how to add one).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellisk {

enum class TextId : int {
#define LANG_TEXT(key, pl, en, sk, it) key,
#include "model/lang_texts.def"
#undef LANG_TEXT
    Count_
};

inline constexpr int kLangPolish = 1;
inline constexpr int kLangEnglish = 2;
inline constexpr int kLangSlovak = 3;
inline constexpr int kLangItalian = 4;

// One text in the four languages, indexed 1..4.
struct TLangText {
    const char* Key;
    const char* Texts[4];
};

// Every table, in the order of TextId.
std::span<const TLangText> AllLangTexts();

// The text in a language 1..4; any other language raises CoreError(Range).
std::string LangText(TextId id, int language);

// The language column in use and the country code that decided it. Polish until the language
// is decided at start-up.
struct LanguageChoice {
    std::int32_t Language = kLangPolish;
    std::uint16_t CountryCode = 1;
};

// True when one of the parameters equals the text as a whole, ignoring letter case.
bool ParamPresent(std::span<const std::string> params, std::string_view text);

// The language for a country code and the command-line switches (a later switch wins):
// USA/US, POLSKA/PL, SK, TW, IT.
LanguageChoice DetectLanguage(std::uint16_t countryCode, std::span<const std::string> params);

// The international dialling code of a locale name's territory ("pl_PL.UTF-8" gives 48);
// 1 when the name has no known territory.
std::uint16_t CountryCodeOfLocale(std::string_view localeName);
// The country code from the environment's locale (LC_ALL, else LC_MESSAGES, else LANG).
std::uint16_t CountryCodeFromEnvironment();
// The language at start-up: the environment's country code, then the command-line switches.
LanguageChoice DetectLanguage(std::span<const std::string> params);

}  // namespace vellisk
