#pragma once
// The program's environment: the folder the program runs from, the language of its texts and the
// unit lengths are shown in. The start-up fills it once (the language and unit change only when
// the operator picks another in the configuration) and every part above the model may read it; a
// window that needs only its captions needs nothing else.
#include <cstdint>
#include <filesystem>
#include <string>

#include "model/lang_texts.h"
#include "model/length_unit.h"

namespace vellisk {

struct ProgramEnvironment {
    std::filesystem::path ProgramDir;   // folder of the program file
    LanguageChoice Lang;                // language column in use and the country code
    std::int32_t LengthUnit = kUnitMm;  // display unit of lengths

    // The text of a language table in the language in force.
    std::string Text(TextId id) const { return LangText(id, Lang.Language); }

    // Decimals of the panel's position display for the unit in force.
    std::int32_t PositionDecimals() const { return vellisk::PositionDecimals(LengthUnit); }
};

}  // namespace vellisk
