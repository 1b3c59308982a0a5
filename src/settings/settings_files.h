#pragma once
// The configuration files:
//  - "Quarnell.cfg": one 448-byte binary record with the window-level state (last folders,
//    filter indexes, view options, the current settings file and the job start height);
//  - settings files "*.vks": one text line per setting, "name := value" CR LF;
//  - "DADudavu.txt": the four octets of the machine's IP address, one per line.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vellisk {

class Settings;

inline constexpr std::size_t kGlobalStateSize = 448;
inline constexpr std::size_t kFolderCapacity = 80;         // OpenDir, SaveDir
inline constexpr std::size_t kSettingsPathCapacity = 255;  // SettingsPath

inline constexpr const char* kGlobalStateFileName = "Quarnell.cfg";
inline constexpr const char* kDefaultSettingsPath = "Settings.vks";
// Where the current values go when the current settings file is missing. The same spelling as
// the default path, so that a program started in its own folder finds them at the next start.
inline constexpr const char* kFallbackSettingsName = "Settings.vks";
inline constexpr const char* kIpFileName = "DADudavu.txt";

// The record of "Quarnell.cfg". Strings are byte strings (UTF-8 on this system).
struct GlobalState {
    std::string OpenDir;         // folder of the last drawing opened
    std::string SaveDir;         // folder of the last save-as
    std::int32_t Unused164 = 1;  // kept as read
    std::int32_t SaveFilterIndex = 1;
    bool Kierunek = true;    // view option "direction"
    bool Kolejnosc = false;  // view option "order"
    bool Punktywej = false;  // view option "entry points"
    bool Warstwy = false;    // view option "layers"
    std::uint8_t Unused176 = 0;
    std::string SettingsPath = kDefaultSettingsPath;
    std::int32_t OpenFilterIndex = 1;
    double StartZ = 0.0;  // job start height in mm

    bool operator==(const GlobalState&) const = default;
};

// The record's bytes: fields at their offsets, little-endian, unused string tails and padding
// zero. A string longer than its field is cut at a character boundary.
std::array<std::uint8_t, kGlobalStateSize> EncodeGlobalState(const GlobalState& g);

// Reads a record from the first 448 bytes. Fails (false, with the reason in *problem) for fewer
// bytes, a string length byte larger than its field or a start height that is no finite number;
// *out is then left as it was.
bool DecodeGlobalState(std::span<const std::uint8_t> bytes, GlobalState* out, std::string* problem);

// The fields of a damaged record that are whole: those that lie inside the bytes there are and
// hold a valid value (a string length within its field, a finite start height). The other
// fields keep their defaults. A 440-byte file whose settings path is intact still names it.
// *startZWhole tells whether the start height was among the whole fields.
GlobalState SalvageGlobalState(std::span<const std::uint8_t> bytes, bool* startZWhole = nullptr);

// Writes ProgramDir/"Quarnell.cfg". Throws CoreError(InputOutput) when it cannot be written.
void WriteGlobalStateFile(const std::filesystem::path& programDir, const GlobalState& g);

// How reading "Quarnell.cfg" went.
enum class GlobalFileStatus { Read, Missing, Damaged };
// Reads ProgramDir/"Quarnell.cfg" into *out. Read: the record; Damaged: the fields that are whole
// (SalvageGlobalState; the defaults when the file cannot be read at all), and *problem explains
// (too short, oversized string length, no start height, unreadable); Missing: *out left alone.
GlobalFileStatus ReadGlobalStateFile(const std::filesystem::path& programDir, GlobalState* out, std::string* problem,
                                     bool* startZWhole = nullptr);

// ---- settings files ----

// The text of one setting's value as the settings file holds it.
std::string SettingValueText(const Settings& s, const std::string& name, char decimalSeparator);

// The whole settings file: one line per setting in component-list order.
std::string SettingsFileText(const Settings& s, char decimalSeparator);

// Splits one line (its line end already removed or not) into name and value: the name runs up
// to the first ' ', ':' or '='; then every ' ', ':' and '=' is skipped; the value runs up to the
// first CR, LF or ' '.
void SplitSettingsLine(std::string_view line, std::string* name, std::string* value);

// A line of a settings file that could not be applied.
struct SettingsLineProblem {
    int line;  // 1-based
    std::string name;
    std::string value;
};

// What applying a settings file found wrong with it.
struct SettingsTextReport {
    std::vector<SettingsLineProblem> lines;  // lines not applied
    std::vector<std::string> missing;        // settings the file does not name at all
    bool Clean() const { return lines.empty() && missing.empty(); }
};

// Applies a settings file's text to the settings: unknown names are ignored, a later line wins.
// A line is skipped and listed when its value is not wholly a number (no junk after it: "1e999"
// and "6.35x" are no numbers) within the field's range or the machine's range in force (a
// number within one of them is limited to the range in force), not a whole item index of its group, or
// not a check-box state, and when it is the last line and has no line end (the file was cut
// inside it: "srednica := 6" from 6.35). Settings the file does not name are listed. The other
// lines still apply; a skipped setting keeps the value it had.
SettingsTextReport ApplySettingsText(Settings& s, std::string_view text, char decimalSeparator);

// ---- the IP address file ----

// The four octets, each right-aligned in 3 characters, CR LF after each.
std::string IpFileText(const Settings& s);
// Takes the file's address into IP1..IP4 only when it holds four whole numbers 0..255, one a
// line (blank lines after them allowed); otherwise false and the settings' address stays whole.
bool ApplyIpFileText(Settings& s, std::string_view text);
// "a.b.c.d" from the rounded IP1..IP4.
std::string PlotterIpText(const Settings& s);

}  // namespace vellisk
