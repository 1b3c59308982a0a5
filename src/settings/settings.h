#pragma once
// The one home of every job and machine setting, keyed by the configuration dialog's component
// names (`WorkSpeed`, `doOutline`, ...), which are also the names the settings files use. The
// program reads and writes them through the typed keys of setting_keys.h.
// Lengths are held in millimetres and speeds in millimetres per minute, whatever unit is shown.
// Every reader asks this object at the moment it needs a value, so a change made in the dialog
// takes effect at the next read. Reads and writes are safe from any thread.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "settings/setting_keys.h"

namespace vellisk {

// Check-box states as the settings files name them.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGrayed = 2;

// The editor that shows a number.
enum class NumberEditor {
    None,    // not a number
    Length,  // length or speed edit: millimetres, shown in the display unit or as stored
    Plain,   // unit-less number edit with a fixed step
};

// How a number edit shows its value: in the shortest form, or with fixed decimals (2 decimals
// until the display unit is set, then 3 for millimetres and inches and 4 for feet).
enum class NumberShown { Free, Fixed };

struct SettingDefinition {
    std::string name;  // component name
    SettingKind kind;
    double defaultValue;   // Flag: 0/1; Choice: item index; Number: the value
    double minimum = 0.0;  // Number and Choice: the editor's range (equal bounds: no range)
    double maximum = 0.0;
    NumberEditor editor = NumberEditor::None;
    double step = 0.0;  // Plain edits: the up/down step; Length edits step adaptively
    NumberShown shown = NumberShown::Free;
    bool followsUnit = false;      // shown in the display length unit
    bool affectsToolpath = false;  // a change calls for re-preparing the open drawings
};

class Settings {
public:
    // A settings object holding every known setting at its design default.
    Settings();

    // Values by typed key (setting_keys.h): every read and write of the program's own. A number
    // is read as stored, also when a later range change would not admit it.
    double Number(NumberKey key) const { return Number(key.file); }
    int Choice(ChoiceKey key) const { return Choice(key.file); }
    bool Flag(FlagKey key) const { return Flag(key.file); }             // true only when checked
    int CheckState(FlagKey key) const { return CheckState(key.file); }  // kUnchecked, kChecked, kGrayed
    void SetNumber(NumberKey key, double value) { SetNumber(key.file, value); }
    void SetChoice(ChoiceKey key, int index) { SetChoice(key.file, index); }
    void SetFlag(FlagKey key, bool on) { SetFlag(key.file, on); }
    void SetCheckState(FlagKey key, int state) { SetCheckState(key.file, state); }
    void Reassign(NumberKey key) { Reassign(key.file); }
    void SetRange(NumberKey key, double minimum, double maximum) { SetRange(key.file, minimum, maximum); }
    double Minimum(NumberKey key) const { return Minimum(key.file); }
    double Maximum(NumberKey key) const { return Maximum(key.file); }

    // Values by component name, only where the name comes from outside at run time: the
    // settings file reader and writer (settings_files.h), the developer tools' name=value, the
    // configuration dialog's field table and its edit fields, and the change listeners. Reading
    // a name that is not a setting throws CoreError(Range).
    double Number(std::string_view name) const;
    int Choice(std::string_view name) const;
    bool Flag(std::string_view name) const;       // true only when checked (not greyed)
    int CheckState(std::string_view name) const;  // kUnchecked, kChecked or kGrayed

    // Writes a value. Numbers and choices are limited to the setting's current range.
    void SetNumber(std::string_view name, double value);
    void SetChoice(std::string_view name, int index);
    void SetFlag(std::string_view name, bool on);
    void SetCheckState(std::string_view name, int state);
    // Writes a number again to itself, so that it is limited to the range now in force.
    void Reassign(std::string_view name);

    // Every value by name, and the way back to them (without limiting them again): the dialog
    // keeps one when it opens so that Cancel can restore the values typed since.
    using Values = std::map<std::string, double, std::less<>>;
    Values Snapshot() const;
    void Restore(const Values& values);

    // The current range of a number (changed from the machine's parameters by the dialog).
    void SetRange(std::string_view name, double minimum, double maximum);
    double Minimum(std::string_view name) const;
    double Maximum(std::string_view name) const;

    bool Has(std::string_view name) const;
    SettingKind KindOf(std::string_view name) const;

    // Every setting in the order of the dialog's component list (the settings file's line order).
    std::vector<std::string> Names() const;

    // Called after every change of a value (name of the setting), outside the object's lock.
    // A write that leaves the value as it was calls nothing.
    void OnChange(std::function<void(const std::string&)> hook);
    // Further observers (the dialog and its editors); returns an id for RemoveListener. Once
    // RemoveListener returns, the listener is not called again, also not by a notification
    // already under way (an observer may go away while another one is told of a change).
    int AddListener(std::function<void(const std::string&)> listener);
    void RemoveListener(int id);

    // The definitions with their design defaults, in component-list order (also the line order
    // of the settings files).
    static const std::vector<SettingDefinition>& Definitions();
    // The definition of a setting; CoreError(Range) for an unknown name.
    static const SettingDefinition& Definition(std::string_view name);
    // The definition, or nullptr for a name that is not a setting (exact, case-sensitive).
    static const SettingDefinition* FindDefinition(std::string_view name);

private:
    struct Entry {
        SettingKind kind;
        double value;
        double minimum;
        double maximum;
    };
    const Entry& Find(std::string_view name) const;
    void Store(std::string_view name, double value, bool limit = true);
    void Notify(const std::string& name);

    mutable std::shared_mutex mutex_;
    std::map<std::string, Entry, std::less<>> entries_;
    std::function<void(const std::string&)> hook_;
    struct Listener {
        int id;
        std::function<void(const std::string&)> call;
        std::atomic<bool> removed{false};
    };
    std::vector<std::shared_ptr<Listener>> listeners_;
    int nextListener_ = 1;
};

// Limits a number to a range the way the edit fields do: equal bounds mean no range; below the
// minimum gives the minimum, else above the maximum gives the maximum. A maximum below the
// minimum (a parameter set that gives no such speed) leaves only the minimum in force.
double LimitToRange(double value, double minimum, double maximum);

}  // namespace vellisk
