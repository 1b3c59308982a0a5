#include "model/lang_texts.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "model/core_error.h"

namespace vellisk {

namespace {

constexpr TLangText kTexts[] = {
#define LANG_TEXT(key, pl, en, sk, it) {#key, {pl, en, sk, it}},
#include "model/lang_texts.def"
#undef LANG_TEXT
};
static_assert(std::size(kTexts) == static_cast<std::size_t>(TextId::Count_));

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Territory (ISO 3166 alpha-2) to international dialling code.
constexpr std::pair<std::string_view, std::uint16_t> kDialling[] = {
    {"US", 1},   {"CA", 1},   {"PL", 48},  {"SK", 421}, {"TW", 886}, {"IT", 39},  {"CZ", 420}, {"DE", 49},  {"AT", 43},
    {"CH", 41},  {"FR", 33},  {"GB", 44},  {"IE", 353}, {"ES", 34},  {"PT", 351}, {"NL", 31},  {"BE", 32},  {"LU", 352},
    {"DK", 45},  {"SE", 46},  {"NO", 47},  {"FI", 358}, {"IS", 354}, {"EE", 372}, {"LV", 371}, {"LT", 370}, {"HU", 36},
    {"SI", 386}, {"HR", 385}, {"RS", 381}, {"BA", 387}, {"ME", 382}, {"MK", 389}, {"AL", 355}, {"BG", 359}, {"RO", 40},
    {"MD", 373}, {"UA", 380}, {"BY", 375}, {"RU", 7},   {"KZ", 7},   {"GR", 30},  {"CY", 357}, {"MT", 356}, {"TR", 90},
    {"IL", 972}, {"EG", 20},  {"ZA", 27},  {"MA", 212}, {"TN", 216}, {"IN", 91},  {"PK", 92},  {"CN", 86},  {"HK", 852},
    {"JP", 81},  {"KR", 82},  {"SG", 65},  {"MY", 60},  {"TH", 66},  {"VN", 84},  {"ID", 62},  {"PH", 63},  {"AU", 61},
    {"NZ", 64},  {"MX", 52},  {"BR", 55},  {"AR", 54},  {"CL", 56},  {"CO", 57},  {"PE", 51},  {"VE", 58},  {"SA", 966},
    {"AE", 971}, {"IR", 98},  {"SM", 378}, {"VA", 379}, {"LI", 423}, {"MC", 377},
};

}  // namespace

std::span<const TLangText> AllLangTexts() { return kTexts; }

std::string LangText(TextId id, int language) {
    const int i = static_cast<int>(id);
    if (i < 0 || i >= static_cast<int>(TextId::Count_))
        throw CoreError::range("text table index out of range: " + std::to_string(i));
    if (language < 1 || language > 4)
        throw CoreError::range("language index out of range: " + std::to_string(language));
    return kTexts[i].Texts[language - 1];
}

bool ParamPresent(std::span<const std::string> params, std::string_view text) {
    return std::any_of(params.begin(), params.end(), [text](const std::string& p) { return EqualNoCase(p, text); });
}

LanguageChoice DetectLanguage(std::uint16_t countryCode, std::span<const std::string> params) {
    LanguageChoice c;
    c.CountryCode = countryCode;
    switch (countryCode) {
        case 39: c.Language = kLangItalian; break;
        case 48: c.Language = kLangPolish; break;
        case 421: c.Language = kLangSlovak; break;
        default: c.Language = kLangEnglish; break;
    }
    if (ParamPresent(params, "USA") || ParamPresent(params, "US")) c = {kLangEnglish, 1};
    if (ParamPresent(params, "POLSKA") || ParamPresent(params, "PL")) c = {kLangPolish, 48};
    if (ParamPresent(params, "SK")) c = {kLangSlovak, 421};
    if (ParamPresent(params, "TW")) c = {kLangEnglish, 886};
    if (ParamPresent(params, "IT")) c = {kLangItalian, 39};
    return c;
}

std::uint16_t CountryCodeOfLocale(std::string_view name) {
    const auto us = name.find('_');
    if (us == std::string_view::npos) return 1;
    std::string_view territory = name.substr(us + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    for (const auto& [t, code] : kDialling)
        if (EqualNoCase(t, territory)) return code;
    return 1;
}

std::uint16_t CountryCodeFromEnvironment() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return CountryCodeOfLocale(v);
    }
    return 1;
}

LanguageChoice DetectLanguage(std::span<const std::string> params) {
    return DetectLanguage(CountryCodeFromEnvironment(), params);
}

}  // namespace vellisk
