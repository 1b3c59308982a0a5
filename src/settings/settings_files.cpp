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

// The longest prefix of s of at most cap bytes that does not end inside a UTF-8 character.
std::size_t Utf8Cut(const std::string& s, std::size_t cap) {
    if (s.size() <= cap) return s.size();
    std::size_t n = cap;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return n;
}

// The record's fields at their offsets, in one list that the writer and the reader both walk.
template <typename State, typename Io>
void EachField(State& g, Io& io) {
    io.Text(0, kFolderCapacity, g.OpenDir);
    io.Text(81, kFolderCapacity, g.SaveDir);
    io.Int32(164, g.Unused164);
    io.Int32(168, g.SaveFilterIndex);
    io.Flag(172, g.Kierunek);
    io.Flag(173, g.Kolejnosc);
    io.Flag(174, g.Punktywej);
    io.Flag(175, g.Warstwy);
    io.Byte(176, g.Unused176);
    io.Text(177, kSettingsPathCapacity, g.SettingsPath);
    io.Int32(436, g.OpenFilterIndex);
    io.Real(440, g.StartZ);
}

// Puts fields into the record, little-endian; a text longer than its field is cut at a
// character boundary.
struct RecordWriter {
    std::uint8_t* rec;

    void Text(std::size_t off, std::size_t cap, const std::string& s) {
        const std::size_t n = Utf8Cut(s, cap);
        rec[off] = static_cast<std::uint8_t>(n);
        std::memcpy(rec + off + 1, s.data(), n);
    }
    void Int32(std::size_t off, std::int32_t v) { Put(off, static_cast<std::uint32_t>(v), 4); }
    void Flag(std::size_t off, bool v) { rec[off] = v ? 1 : 0; }
    void Byte(std::size_t off, std::uint8_t v) { rec[off] = v; }
    void Real(std::size_t off, double v) { Put(off, std::bit_cast<std::uint64_t>(v), 8); }
    void Put(std::size_t off, std::uint64_t u, int size) {
        for (int i = 0; i < size; ++i) rec[off + i] = static_cast<std::uint8_t>(u >> (8 * i));
    }
};

// Takes the fields that are whole out of the bytes there are: those that lie inside them and
// hold a valid value (a text length within its field, a finite start height). The others keep
// what they had, and the reader notes which kind of field was not whole.
struct RecordReader {
    std::span<const std::uint8_t> rec;
    bool textsFit = true;  // every text length was within its field
    bool startZWhole = true;

    bool Whole(std::size_t off, std::size_t size) const { return off + size <= rec.size(); }
    std::uint64_t Get(std::size_t off, int size) const {
        std::uint64_t u = 0;
        for (int i = 0; i < size; ++i) u |= std::uint64_t(rec[off + i]) << (8 * i);
        return u;
    }
    void Text(std::size_t off, std::size_t cap, std::string& out) {
        if (off < rec.size() && rec[off] <= cap && Whole(off, 1 + rec[off]))
            out.assign(reinterpret_cast<const char*>(rec.data() + off + 1), rec[off]);
        else
            textsFit = false;
    }
    void Int32(std::size_t off, std::int32_t& v) const {
        if (Whole(off, 4)) v = static_cast<std::int32_t>(static_cast<std::uint32_t>(Get(off, 4)));
    }
    void Flag(std::size_t off, bool& v) const {
        if (Whole(off, 1)) v = rec[off] != 0;
    }
    void Byte(std::size_t off, std::uint8_t& v) const {
        if (Whole(off, 1)) v = rec[off];
    }
    void Real(std::size_t off, double& v) {
        const bool whole = Whole(off, 8) && std::isfinite(std::bit_cast<double>(Get(off, 8)));
        if (whole) v = std::bit_cast<double>(Get(off, 8));
        startZWhole = startZWhole && whole;
    }
};

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
    RecordWriter writer{rec.data()};
    EachField(g, writer);
    return rec;
}

bool DecodeGlobalState(std::span<const std::uint8_t> bytes, GlobalState* out, std::string* problem) {
    if (bytes.size() < kGlobalStateSize) {
        if (problem) *problem = "the record is " + std::to_string(bytes.size()) + " bytes long, not 448";
        return false;
    }
    GlobalState g;
    RecordReader reader{bytes.first(kGlobalStateSize)};
    EachField(g, reader);
    if (!reader.textsFit) {
        if (problem) *problem = "a text length is larger than its field";
        return false;
    }
    if (!reader.startZWhole) {
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
    RecordReader reader{bytes};
    EachField(g, reader);
    if (startZWhole) *startZWhole = reader.startZWhole;
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
    for (int i = 0; i < 4; ++i)
        s.SetNumber(setting::kControllerIp[i], static_cast<double>(octets[static_cast<std::size_t>(i)]));
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
