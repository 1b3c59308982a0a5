#include "settings/settings_files.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <set>

#include "model/core_error.h"
#include "model/numeric.h"
#include "platform/whole_file.h"
#include "settings/number_text.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

// Field offsets of the record.
constexpr std::size_t kOffOpenDir = 0;
constexpr std::size_t kOffSaveDir = 81;
constexpr std::size_t kOffUnused164 = 164;
constexpr std::size_t kOffSaveFilter = 168;
constexpr std::size_t kOffKierunek = 172;
constexpr std::size_t kOffKolejnosc = 173;
constexpr std::size_t kOffPunktywej = 174;
constexpr std::size_t kOffWarstwy = 175;
constexpr std::size_t kOffUnused176 = 176;
constexpr std::size_t kOffSettingsPath = 177;
constexpr std::size_t kOffOpenFilter = 436;
constexpr std::size_t kOffStartZ = 440;

// The longest prefix of s of at most cap bytes that does not end inside a UTF-8 character.
std::size_t Utf8Cut(const std::string& s, std::size_t cap) {
    if (s.size() <= cap) return s.size();
    std::size_t n = cap;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

void PutShortString(std::uint8_t* rec, std::size_t off, std::size_t cap, const std::string& s) {
    const std::size_t n = Utf8Cut(s, cap);
    rec[off] = static_cast<std::uint8_t>(n);
    std::memcpy(rec + off + 1, s.data(), n);
}

void PutI32(std::uint8_t* rec, std::size_t off, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) rec[off + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t GetI32(const std::uint8_t* rec, std::size_t off) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= std::uint32_t(rec[off + i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

void PutF64(std::uint8_t* rec, std::size_t off, double v) {
    const auto u = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) rec[off + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

double GetF64(const std::uint8_t* rec, std::size_t off) {
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= std::uint64_t(rec[off + i]) << (8 * i);
    return std::bit_cast<double>(u);
}

bool GetShortString(const std::uint8_t* rec, std::size_t off, std::size_t cap, std::string* out) {
    const std::size_t n = rec[off];
    if (n > cap) return false;
    out->assign(reinterpret_cast<const char*>(rec + off + 1), n);
    return true;
}

const char* CheckText(int state) {
    switch (state) {
        case kChecked: return "cbChecked";
        case kGrayed: return "cbGrayed";
        default: return "cbUnchecked";
    }
}

}  // namespace

std::array<std::uint8_t, kGlobalStateSize> EncodeGlobalState(const GlobalState& g) {
    std::array<std::uint8_t, kGlobalStateSize> rec{};
    PutShortString(rec.data(), kOffOpenDir, kFolderCapacity, g.OpenDir);
    PutShortString(rec.data(), kOffSaveDir, kFolderCapacity, g.SaveDir);
    PutI32(rec.data(), kOffUnused164, g.Unused164);
    PutI32(rec.data(), kOffSaveFilter, g.SaveFilterIndex);
    rec[kOffKierunek] = g.Kierunek ? 1 : 0;
    rec[kOffKolejnosc] = g.Kolejnosc ? 1 : 0;
    rec[kOffPunktywej] = g.Punktywej ? 1 : 0;
    rec[kOffWarstwy] = g.Warstwy ? 1 : 0;
    rec[kOffUnused176] = g.Unused176;
    PutShortString(rec.data(), kOffSettingsPath, kSettingsPathCapacity, g.SettingsPath);
    PutI32(rec.data(), kOffOpenFilter, g.OpenFilterIndex);
    PutF64(rec.data(), kOffStartZ, g.StartZ);
    return rec;
}

bool DecodeGlobalState(std::span<const std::uint8_t> bytes, GlobalState* out, std::string* problem) {
    if (bytes.size() < kGlobalStateSize) {
        if (problem) *problem = "the record is " + std::to_string(bytes.size()) + " bytes long, not 448";
        return false;
    }
    const std::uint8_t* rec = bytes.data();
    GlobalState g;
    if (!GetShortString(rec, kOffOpenDir, kFolderCapacity, &g.OpenDir) ||
        !GetShortString(rec, kOffSaveDir, kFolderCapacity, &g.SaveDir) ||
        !GetShortString(rec, kOffSettingsPath, kSettingsPathCapacity, &g.SettingsPath)) {
        if (problem) *problem = "a text length is larger than its field";
        return false;
    }
    g.Unused164 = GetI32(rec, kOffUnused164);
    g.SaveFilterIndex = GetI32(rec, kOffSaveFilter);
    g.Kierunek = rec[kOffKierunek] != 0;
    g.Kolejnosc = rec[kOffKolejnosc] != 0;
    g.Punktywej = rec[kOffPunktywej] != 0;
    g.Warstwy = rec[kOffWarstwy] != 0;
    g.Unused176 = rec[kOffUnused176];
    g.OpenFilterIndex = GetI32(rec, kOffOpenFilter);
    g.StartZ = GetF64(rec, kOffStartZ);
    if (!std::isfinite(g.StartZ)) {
        // the job would start at no height at all
        if (problem) *problem = "the job start height is not a number";
        return false;
    }
    *out = std::move(g);
    return true;
}

void WriteGlobalStateFile(const std::filesystem::path& programDir, const GlobalState& g) {
    const auto rec = EncodeGlobalState(g);
    std::string why;
    if (!WriteWholeFile(programDir / kGlobalStateFileName,
                        std::string(reinterpret_cast<const char*>(rec.data()), rec.size()), &why))
        throw CoreError::io(why);
}

GlobalState SalvageGlobalState(std::span<const std::uint8_t> bytes, bool* startZWhole) {
    GlobalState g;
    const std::uint8_t* rec = bytes.data();
    const std::size_t n = bytes.size();
    // a field counts when all its bytes are there
    const auto whole = [n](std::size_t off, std::size_t size) { return off + size <= n; };
    const auto text = [&](std::size_t off, std::size_t cap, std::string* out) {
        if (off < n && rec[off] <= cap && whole(off, 1 + rec[off])) {
            std::string t;
            if (GetShortString(rec, off, cap, &t)) *out = std::move(t);
        }
    };
    text(kOffOpenDir, kFolderCapacity, &g.OpenDir);
    text(kOffSaveDir, kFolderCapacity, &g.SaveDir);
    if (whole(kOffUnused164, 4)) g.Unused164 = GetI32(rec, kOffUnused164);
    if (whole(kOffSaveFilter, 4)) g.SaveFilterIndex = GetI32(rec, kOffSaveFilter);
    if (whole(kOffKierunek, 1)) g.Kierunek = rec[kOffKierunek] != 0;
    if (whole(kOffKolejnosc, 1)) g.Kolejnosc = rec[kOffKolejnosc] != 0;
    if (whole(kOffPunktywej, 1)) g.Punktywej = rec[kOffPunktywej] != 0;
    if (whole(kOffWarstwy, 1)) g.Warstwy = rec[kOffWarstwy] != 0;
    if (whole(kOffUnused176, 1)) g.Unused176 = rec[kOffUnused176];
    text(kOffSettingsPath, kSettingsPathCapacity, &g.SettingsPath);
    if (whole(kOffOpenFilter, 4)) g.OpenFilterIndex = GetI32(rec, kOffOpenFilter);
    const bool z = whole(kOffStartZ, 8) && std::isfinite(GetF64(rec, kOffStartZ));
    if (z) g.StartZ = GetF64(rec, kOffStartZ);
    if (startZWhole) *startZWhole = z;
    return g;
}

GlobalFileStatus ReadGlobalStateFile(const std::filesystem::path& programDir, GlobalState* out, std::string* problem,
                                     bool* startZWhole) {
    if (startZWhole) *startZWhole = true;
    const auto path = programDir / kGlobalStateFileName;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return GlobalFileStatus::Missing;
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) {
        if (problem) *problem = "the file cannot be read";
        *out = GlobalState{};
        if (startZWhole) *startZWhole = false;
        return GlobalFileStatus::Damaged;
    }
    std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    if (!DecodeGlobalState(view, out, problem)) {
        *out = SalvageGlobalState(view, startZWhole);
        return GlobalFileStatus::Damaged;
    }
    return GlobalFileStatus::Read;
}

// ---- settings files ----

std::string SettingValueText(const Settings& s, const std::string& name, char sep) {
    switch (s.KindOf(name)) {
        case SettingKind::Flag: return CheckText(s.CheckState(name));
        case SettingKind::Choice: return std::to_string(s.Choice(name));
        case SettingKind::Number: return FormatPlainNumber(s.Number(name), sep);
    }
    return {};
}

std::string SettingsFileText(const Settings& s, char sep) {
    std::string text;
    for (const auto& name : s.Names()) text += name + " := " + SettingValueText(s, name, sep) + "\r\n";
    return text;
}

void SplitSettingsLine(std::string_view line, std::string* name, std::string* value) {
    std::size_t i = 0;
    while (i < line.size() && line[i] != ' ' && line[i] != ':' && line[i] != '=' && line[i] != '\r' && line[i] != '\n')
        ++i;
    *name = std::string(line.substr(0, i));
    while (i < line.size() && (line[i] == ' ' || line[i] == ':' || line[i] == '=')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != '\r' && line[j] != '\n' && line[j] != ' ') ++j;
    *value = std::string(line.substr(i, j - i));
}

SettingsTextReport ApplySettingsText(Settings& s, std::string_view text, char sep) {
    SettingsTextReport report;
    std::set<std::string, std::less<>> named;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        // the writer ends every line: a last line without its end was cut inside
        const bool cut = end == std::string_view::npos;
        if (cut) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string name, value;
        SplitSettingsLine(line, &name, &value);
        const SettingDefinition* def = Settings::FindDefinition(name);
        if (!def) continue;
        named.insert(name);
        bool ok = !cut;
        switch (def->kind) {
            case SettingKind::Flag: {
                const int state = value == "cbChecked"     ? kChecked
                                  : value == "cbGrayed"    ? kGrayed
                                  : value == "cbUnchecked" ? kUnchecked
                                                           : -1;
                ok = ok && state >= 0;
                if (ok) s.SetCheckState(name, state);
                break;
            }
            case SettingKind::Choice: {
                const auto index = ParseIntegerText(value);
                ok = ok && index && *index >= def->minimum && *index <= def->maximum;
                if (ok) s.SetChoice(name, static_cast<int>(*index));
                break;
            }
            case SettingKind::Number: {
                // Out of range is outside the field's own range and the machine's range in force
                // both: a file from a machine with other limits is still limited to this one's
                // as the field does it, and the program's own defaults always read back.
                const auto v = ParseNumberText(value, sep);
                ok = ok && v && std::isfinite(*v) &&
                     (LimitToRange(*v, def->minimum, def->maximum) == *v ||
                      LimitToRange(*v, s.Minimum(name), s.Maximum(name)) == *v);
                if (ok) s.SetNumber(name, *v);
                break;
            }
        }
        if (!ok) report.lines.push_back({lineNo, name, value});
    }
    for (const auto& d : Settings::Definitions())
        if (!named.contains(d.name)) report.missing.push_back(d.name);
    return report;
}

// ---- the IP address file ----

std::string IpFileText(const Settings& s) {
    std::string text;
    for (NumberKey n : setting::kControllerIp) {
        std::string v = std::to_string(RoundTo<long long>(s.Number(n), n.file));
        if (v.size() < 3) v.insert(0, 3 - v.size(), ' ');
        text += v + "\r\n";
    }
    return text;
}

bool ApplyIpFileText(Settings& s, std::string_view text) {
    std::array<long long, 4> octets{};
    int read = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (read == 4) {
            if (line.find_first_not_of(' ') != std::string_view::npos) return false;
            continue;
        }
        const auto v = ParseIntegerText(line);
        if (!v || *v < 0 || *v > 255) return false;
        octets[static_cast<std::size_t>(read++)] = *v;
    }
    if (read != 4) return false;
    for (int i = 0; i < 4; ++i) s.SetNumber(setting::kControllerIp[i], static_cast<double>(octets[static_cast<std::size_t>(i)]));
    return true;
}

std::string PlotterIpText(const Settings& s) {
    std::string ip;
    for (NumberKey n : setting::kControllerIp) {
        if (!ip.empty()) ip += '.';
        ip += std::to_string(RoundTo<long long>(s.Number(n), n.file));
    }
    return ip;
}

}  // namespace vellisk
