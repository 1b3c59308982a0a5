#pragma once
// The one home of every job and machine setting, keyed by the configuration dialog's component
// names (`WorkSpeed`, `doOutline`, ...), which are also the names the settings files use.
// Lengths are held in millimetres and speeds in millimetres per minute, whatever unit is shown.
// Every reader asks this object at the moment it needs a value, so a change made in the dialog
// takes effect at the next read. Reads and writes are safe from any thread.
#include <functional>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vellisk {

enum class SettingKind {
    Flag,     // check box: checked or not
    Choice,   // radio group: item index, 0-based
    Number,   // numeric edit: a real number (length, speed, factor, percent ...)
};

struct SettingDefinition {
    std::string name;        // component name
    SettingKind kind;
    double defaultValue;     // Flag: 0/1; Choice: item index; Number: the value
    double minimum = 0.0;    // Number and Choice: the editor's range
    double maximum = 0.0;
};

class Settings {
public:
    // A settings object holding every known setting at its design default.
    Settings();

    // Values by component name. Reading a name that is not a setting throws CoreError(Range).
    double Number(std::string_view name) const;
    int Choice(std::string_view name) const;
    bool Flag(std::string_view name) const;

    // Writes a value. Numbers and choices are limited to the setting's current range.
    void SetNumber(std::string_view name, double value);
    void SetChoice(std::string_view name, int index);
    void SetFlag(std::string_view name, bool on);

    // The current range of a number (changed from the machine's parameters by the dialog).
    void SetRange(std::string_view name, double minimum, double maximum);
    double Minimum(std::string_view name) const;
    double Maximum(std::string_view name) const;

    bool Has(std::string_view name) const;
    SettingKind KindOf(std::string_view name) const;

    // Every setting in the order of the dialog's component list (the settings file's line order).
    std::vector<std::string> Names() const;

    // Called after every change of a value (name of the setting), outside the object's lock.
    void OnChange(std::function<void(const std::string&)> hook);

    // The definitions with their design defaults, in component-list order.
    static const std::vector<SettingDefinition>& Definitions();

private:
    struct Entry {
        SettingKind kind;
        double value;
        double minimum;
        double maximum;
    };
    const Entry& Find(std::string_view name) const;
    void Store(std::string_view name, double value);

    mutable std::shared_mutex mutex_;
    std::map<std::string, Entry, std::less<>> entries_;
    std::vector<std::string> order_;
    std::function<void(const std::string&)> hook_;
};

}  // namespace vellisk
