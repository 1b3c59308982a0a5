#pragma once
// The settings by typed key: one constant per setting, with an English name, its file key (the
// configuration dialog's component name, which the settings files use) and its kind. The
// program's own reads and writes go through these (`settings.Number(setting::ToolDiameter)`),
// so a misspelt name, or a number read as a check box, does not build. The list itself is
// setting_keys.def.

namespace vellisk {

enum class SettingKind {
    Flag,    // check box: unchecked, checked or greyed
    Choice,  // radio group: item index, 0-based, -1 when no item is selected
    Number,  // numeric edit: a real number (length, speed, factor, percent ...)
};

// A setting of kind K. Keys are made only here, at compile time, from the list.
template <SettingKind K>
struct SettingKey {
    const char* file;  // the component name: the key of the settings files

    consteval explicit SettingKey(const char* name) : file(name) {}
};

using FlagKey = SettingKey<SettingKind::Flag>;
using ChoiceKey = SettingKey<SettingKind::Choice>;
using NumberKey = SettingKey<SettingKind::Number>;

namespace setting {

#define SETTING(kind, name, file) inline constexpr SettingKey<SettingKind::kind> name{file};
#include "settings/setting_keys.def"
#undef SETTING

// Every key with its kind, in the list's order (for the check against the definition table).
struct AnyKey {
    SettingKind kind;
    const char* file;
};
inline constexpr AnyKey kAll[] = {
#define SETTING(kind, name, file) {SettingKind::kind, file},
#include "settings/setting_keys.def"
#undef SETTING
};

// The controller's IP address, octet by octet.
inline constexpr NumberKey kControllerIp[4] = {ControllerIp1, ControllerIp2, ControllerIp3, ControllerIp4};

}  // namespace setting

}  // namespace vellisk
