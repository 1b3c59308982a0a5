#include "settings/settings.h"

#include <algorithm>
#include <cmath>

#include "model/core_error.h"

namespace vellisk {

namespace {
using K = SettingKind;
}

const std::vector<SettingDefinition>& Settings::Definitions() {
    static const std::vector<SettingDefinition> defs = {
        // check boxes
        {"auto_add", K::Flag, 1},
        {"auto_remove", K::Flag, 1},
        {"Auto_kierunek", K::Flag, 1},
        {"Auto_kolejnosc", K::Flag, 1},
        {"crosstopoint", K::Flag, 1},
        {"negatyw", K::Flag, 0},
        {"bezramki", K::Flag, 0},
        {"grawer3d", K::Flag, 0},
        {"WszystkieWjednej", K::Flag, 1},
        {"polerowanie", K::Flag, 0},
        {"doOutline", K::Flag, 1},
        {"wygladzanie", K::Flag, 0},
        {"LaserMiekkiStart", K::Flag, 0},
        {"LotnyStart", K::Flag, 0},
        {"cbEthernetConnection", K::Flag, 0},
        {"PodczasCiecia", K::Flag, 0},
        {"PodczasPrzestawczych", K::Flag, 0},
        {"PodczasWiercenia", K::Flag, 0},
        {"PrzedWierceniem", K::Flag, 0},
        {"Proporcjonalnie", K::Flag, 1},
        {"Jednokierukowo", K::Flag, 1},
        // radio groups
        {"ProjektType", K::Choice, 0, 0, 1},
        {"order_fig", K::Choice, 1, 0, 2},
        {"Order_global", K::Choice, 1, 0, 5},
        {"out_dir", K::Choice, 2, 0, 2},
        {"in_dir", K::Choice, 1, 0, 1},
        {"PolozeniePlytki", K::Choice, 0, 0, 2},
        {"rgJm", K::Choice, 0, 0, 2},
        // numeric edits
        {"skala", K::Number, 100, 1, 1000},
        {"mnoznikZ", K::Number, 1, 0.1, 100},
        {"srednica", K::Number, 3, 0, 100},
        {"grubosc", K::Number, 10, 0, 170},
        {"Glebokosc", K::Number, 1.5, 0, 170},
        {"skok", K::Number, 100, 0.01, 1000},
        {"ponad_stol", K::Number, 0.5, -40, 120},
        {"WorkSpeed", K::Number, 500, 20, 1000},
        {"nadmat", K::Number, 5, 0, 120},
        {"CzasRozruchu", K::Number, 3, 0, 10},
        {"work_power", K::Number, 100, 0, 100},
        {"poler_grubosc", K::Number, 0.3, 0, 1},
        {"Polerspeed", K::Number, 200, 20, 1000},
        {"Poler_start", K::Number, 0.5, 0, 100},
        {"poler_power", K::Number, 100, 0, 100},
        {"przespeed", K::Number, 1000, 20, 1000},
        {"wiercenie_posuw", K::Number, 100, 20, 1000},
        {"wiercenie_cofanie", K::Number, 200, 20, 1000},
        {"Skok_wiercenia", K::Number, 1, 0.01, 1000},
        {"GruboscPlytki", K::Number, 0, 0, 20},
        {"SpoczynkowaMocLasera", K::Number, 5, 0, 65000},
        {"CzasImpulsu", K::Number, 100, 0, 65000},
        {"IP1", K::Number, 192, 0, 255},
        {"IP2", K::Number, 168, 0, 255},
        {"IP3", K::Number, 0, 0, 255},
        {"IP4", K::Number, 150, 0, 255},
        {"SzerokoscObrazu", K::Number, 30, 0, 10000},
        {"WysokoscObrazu", K::Number, 40, 0, 10000},
        {"BMPKrok", K::Number, 0.15, 0, 100},
        {"MocDlaBialego", K::Number, 17, 0, 100},
        {"MocDlaCzarnego", K::Number, 65, 0, 100},
    };
    return defs;
}

Settings::Settings() {
    for (const auto& d : Definitions()) {
        entries_.emplace(d.name, Entry{d.kind, d.defaultValue, d.minimum, d.maximum});
        order_.push_back(d.name);
    }
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
    return Find(name).value != 0.0;
}

void Settings::Store(std::string_view name, double value) {
    std::function<void(const std::string&)> hook;
    {
        std::unique_lock lock(mutex_);
        auto it = entries_.find(name);
        if (it == entries_.end()) throw CoreError::range("unknown setting " + std::string(name));
        Entry& e = it->second;
        if (!std::isfinite(value)) throw CoreError::range("setting " + std::string(name) + " is not a number");
        if (e.kind != SettingKind::Flag) value = std::clamp(value, e.minimum, e.maximum);
        if (e.value == value) return;
        e.value = value;
        hook = hook_;
    }
    if (hook) hook(std::string(name));
}

void Settings::SetNumber(std::string_view name, double value) { Store(name, value); }
void Settings::SetChoice(std::string_view name, int index) { Store(name, index); }
void Settings::SetFlag(std::string_view name, bool on) { Store(name, on ? 1.0 : 0.0); }

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

std::vector<std::string> Settings::Names() const { return order_; }

void Settings::OnChange(std::function<void(const std::string&)> hook) {
    std::unique_lock lock(mutex_);
    hook_ = std::move(hook);
}

}  // namespace vellisk
