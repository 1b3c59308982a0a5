#include "settings/settings.h"

#include <algorithm>
#include <cmath>

#include "model/core_error.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

using K = SettingKind;
using E = NumberEditor;
using S = NumberShown;

constexpr bool kToolpath = true;

SettingDefinition Check(const char* name, double def, bool toolpath = false) {
    return {name, K::Flag, def, 0, 2, E::None, 0, S::Free, false, toolpath};
}
SettingDefinition Radio(const char* name, double def, int items, bool toolpath = false) {
    return {name, K::Choice, def, -1, double(items - 1), E::None, 0, S::Free, false, toolpath};
}
// A length or speed edit that follows the display unit.
SettingDefinition Length(const char* name, double def, double lo, double hi, S shown, bool toolpath = false) {
    return {name, K::Number, def, lo, hi, E::Length, 0, shown, true, toolpath};
}
// A length-edit that always shows its stored number.
SettingDefinition Stored(const char* name, double def, double lo, double hi, bool toolpath = false) {
    return {name, K::Number, def, lo, hi, E::Length, 0, S::Free, false, toolpath};
}
SettingDefinition Plain(const char* name, double def, double lo, double hi, double step, bool toolpath = false) {
    return {name, K::Number, def, lo, hi, E::Plain, step, S::Free, false, toolpath};
}

}  // namespace

double LimitToRange(double value, double minimum, double maximum) {
    if (minimum == maximum) return value;
    if (value < minimum) return minimum;
    // A maximum below the minimum (a parameter set without that speed) limits nothing.
    if (value > maximum && maximum > minimum) return maximum;
    return value;
}

const std::vector<SettingDefinition>& Settings::Definitions() {
    // Tab by tab, in the dialog's order. Smoothing comes before the work speed so that a file
    // saved with smoothing on reloads a work speed above the plain limit.
    static const std::vector<SettingDefinition> defs = {
        // Import
        Check("auto_add", 1),
        Check("auto_remove", 1),
        Check("Auto_kierunek", 1),
        Check("Auto_kolejnosc", 1),
        Radio("ProjektType", 0, 2),
        Check("crosstopoint", 1, kToolpath),
        Check("negatyw", 0, kToolpath),
        Check("bezramki", 0),
        Check("grawer3d", 0),
        Check("WszystkieWjednej", 1, kToolpath),
        Plain("skala", 100, 1, 1000, 0, kToolpath),
        Plain("mnoznikZ", 1, 0.1, 100, 1),
        // Order
        Radio("order_fig", 1, 3, kToolpath),
        Radio("Order_global", 1, 6, kToolpath),
        // Directions
        Radio("out_dir", 2, 3, kToolpath),
        Radio("in_dir", 1, 2, kToolpath),
        // CNC / Cutting
        Length("srednica", 3, 0, 100, S::Free, kToolpath),
        Check("doOutline", 1, kToolpath),
        Length("grubosc", 10, 0, 170, S::Fixed, kToolpath),
        Length("Glebokosc", 1.5, 0, 170, S::Fixed, kToolpath),
        Length("skok", 100, 0.01, 1000, S::Fixed, kToolpath),
        Length("ponad_stol", 0.5, -40, 120, S::Fixed, kToolpath),
        Check("wygladzanie", 0, kToolpath),
        Length("WorkSpeed", 500, 20, 1000, S::Free),
        Length("nadmat", 5, 0, 120, S::Fixed, kToolpath),
        Plain("CzasRozruchu", 3, 0, 10, 1, kToolpath),
        Plain("work_power", 100, 0, 100, 1),
        Length("przespeed", 1000, 20, 1000, S::Free),
        Check("polerowanie", 0, kToolpath),
        Length("poler_grubosc", 0.3, 0, 1, S::Fixed, kToolpath),
        Length("Polerspeed", 200, 20, 1000, S::Free),
        Length("Poler_start", 0.5, 0, 100, S::Fixed, kToolpath),
        Plain("poler_power", 100, 0, 100, 1),
        Check("LaserMiekkiStart", 0),
        Stored("SpoczynkowaMocLasera", 5, 0, 65000),
        Stored("CzasImpulsu", 100, 0, 65000),
        Check("LotnyStart", 0),
        // Drilling
        Length("wiercenie_posuw", 100, 20, 1000, S::Fixed, kToolpath),
        Length("wiercenie_cofanie", 200, 20, 1000, S::Fixed, kToolpath),
        Length("Skok_wiercenia", 1, 0.01, 1000, S::Fixed, kToolpath),
        // Machine
        Length("GruboscPlytki", 0, 0, 20, S::Fixed, kToolpath),
        Radio("PolozeniePlytki", 0, 3),
        Check("cbEthernetConnection", 0),
        Stored("IP1", 192, 0, 255),
        Stored("IP2", 168, 0, 255),
        Stored("IP3", 0, 0, 255),
        Stored("IP4", 150, 0, 255),
        // Lubrication
        Check("PodczasCiecia", 0),
        Check("PodczasPrzestawczych", 0),
        Check("PodczasWiercenia", 0),
        Check("PrzedWierceniem", 0),
        // General
        Radio("rgJm", 0, 3),
        // Bitmap
        Stored("SzerokoscObrazu", 30, 0, 10000),
        Stored("WysokoscObrazu", 40, 0, 10000),
        Stored("BMPKrok", 0.15, 0, 100, kToolpath),
        Stored("MocDlaBialego", 17, 0, 100, kToolpath),
        Stored("MocDlaCzarnego", 65, 0, 100, kToolpath),
        Check("Proporcjonalnie", 1),
        Check("Jednokierukowo", 1),
    };
    return defs;
}

const SettingDefinition* Settings::FindDefinition(std::string_view name) {
    static const std::map<std::string, const SettingDefinition*, std::less<>> index = [] {
        std::map<std::string, const SettingDefinition*, std::less<>> m;
        for (const auto& d : Definitions()) m.emplace(d.name, &d);
        return m;
    }();
    auto it = index.find(name);
    return it == index.end() ? nullptr : it->second;
}

const SettingDefinition& Settings::Definition(std::string_view name) {
    const SettingDefinition* d = FindDefinition(name);
    if (!d) throw CoreError::range("unknown setting " + std::string(name));
    return *d;
}

Settings::Settings() {
    for (const auto& d : Definitions()) entries_.emplace(d.name, Entry{d.kind, d.defaultValue, d.minimum, d.maximum});
}

const Settings::Entry& Settings::Find(std::string_view name) const {
    auto it = entries_.find(name);
    if (it == entries_.end()) throw CoreError::range("unknown setting " + std::string(name));
    return it->second;
}

double Settings::Number(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return Find(name).value;
}

int Settings::Choice(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return static_cast<int>(Find(name).value);
}

bool Settings::Flag(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return Find(name).value == kChecked;
}

int Settings::CheckState(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return static_cast<int>(Find(name).value);
}

void Settings::Store(std::string_view name, double value, bool limit) {
    {
        std::unique_lock lock(mutex_);
        auto it = entries_.find(name);
        if (it == entries_.end()) throw CoreError::range("unknown setting " + std::string(name));
        Entry& e = it->second;
        if (!std::isfinite(value)) throw CoreError::range("setting " + std::string(name) + " is not a number");
        if (e.kind == SettingKind::Flag) {
            value = std::clamp(RoundHalfEven(value), 0.0, 2.0);
        } else if (e.kind == SettingKind::Choice) {
            value = RoundHalfEven(value);
            if (limit) value = std::clamp(value, e.minimum, e.maximum);
        } else if (limit) {
            value = LimitToRange(value, e.minimum, e.maximum);
        }
        if (e.value == value) return;
        e.value = value;
    }
    Notify(std::string(name));
}

void Settings::Notify(const std::string& name) {
    std::function<void(const std::string&)> hook;
    std::vector<std::shared_ptr<Listener>> listeners;
    {
        std::shared_lock lock(mutex_);
        hook = hook_;
        listeners = listeners_;
    }
    if (hook) hook(name);
    for (const auto& l : listeners)
        if (!l->removed) l->call(name);
}

void Settings::SetNumber(std::string_view name, double value) { Store(name, value); }
void Settings::SetChoice(std::string_view name, int index) { Store(name, index); }
void Settings::SetFlag(std::string_view name, bool on) { Store(name, on ? kChecked : kUnchecked); }
void Settings::SetCheckState(std::string_view name, int state) { Store(name, state); }

void Settings::Reassign(std::string_view name) { Store(name, Number(name)); }

Settings::Values Settings::Snapshot() const {
    std::shared_lock lock(mutex_);
    Values v;
    for (const auto& [name, e] : entries_) v.emplace(name, e.value);
    return v;
}

void Settings::Restore(const Values& values) {
    for (const auto& d : Definitions()) {
        auto it = values.find(d.name);
        if (it != values.end()) Store(d.name, it->second, false);
    }
}

void Settings::SetRange(std::string_view name, double minimum, double maximum) {
    std::unique_lock lock(mutex_);
    auto it = entries_.find(name);
    if (it == entries_.end()) throw CoreError::range("unknown setting " + std::string(name));
    it->second.minimum = minimum;
    it->second.maximum = maximum;
}

double Settings::Minimum(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return Find(name).minimum;
}

double Settings::Maximum(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return Find(name).maximum;
}

bool Settings::Has(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return entries_.find(name) != entries_.end();
}

SettingKind Settings::KindOf(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return Find(name).kind;
}

std::vector<std::string> Settings::Names() const {
    std::vector<std::string> names;
    names.reserve(Definitions().size());
    for (const auto& d : Definitions()) names.push_back(d.name);
    return names;
}

void Settings::OnChange(std::function<void(const std::string&)> hook) {
    std::unique_lock lock(mutex_);
    hook_ = std::move(hook);
}

int Settings::AddListener(std::function<void(const std::string&)> listener) {
    std::unique_lock lock(mutex_);
    const int id = nextListener_++;
    auto l = std::make_shared<Listener>();
    l->id = id;
    l->call = std::move(listener);
    listeners_.push_back(std::move(l));
    return id;
}

void Settings::RemoveListener(int id) {
    std::unique_lock lock(mutex_);
    std::erase_if(listeners_, [id](const std::shared_ptr<Listener>& l) {
        if (l->id != id) return false;
        l->removed = true;
        return true;
    });
}

}  // namespace vellisk
