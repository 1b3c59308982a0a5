#pragma once
// What the configuration dialog does, without its window: the machine limits of the speed and
// power edits, the change hook of the settings that affect tool paths, the display unit, the
// picture-size aspect rule, OK / Cancel / Save / Load, the files behind them, programming the
// machine's IP address, and which controls are enabled, visible and hinted for milling, laser
// and layer projects. The Qt dialog is a view of this object and of the Settings it serves.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/settings_files.h"

namespace vellisk {

class MachineContext;
struct JobValues;
struct ProgramEnvironment;
class Notifier;

// Enabled, visible and hint of one control (keyed by component name: a setting's name, or a
// sheet or group such as "wiercenie", "Smarowanie", "TabSheetBMP", "Laser", "ramkaplytki",
// "GroupBoxIP"). A setting's label follows its edit.
struct ControlState {
    bool enabled = true;
    bool visible = true;
    std::string hint;
};

// The view options of the main menu and the drawing open dialog's filter index, as they are
// while the program runs; written into "Quarnell.cfg" at exit. Start values: the menu as
// designed ("Layers" and "Input points" checked).
struct GlobalLiveValues {
    bool Kierunek = false;
    bool Kolejnosc = false;
    bool Punktywej = true;
    bool Warstwy = true;
    std::int32_t OpenFilterIndex = 1;
};

class ConfigDialog {
public:
    // The configuration sets the environment's unit and the job's start height and plunge pitch.
    ConfigDialog(Settings& settings, MachineContext& ctx, ProgramEnvironment& env, JobValues& job, Notifier& notifier);
    ~ConfigDialog();
    ConfigDialog(const ConfigDialog&) = delete;
    ConfigDialog& operator=(const ConfigDialog&) = delete;

    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    MachineContext& context() { return ctx_; }
    const ProgramEnvironment& environment() const { return env_; }

    // The decimal separator of numbers in settings files (the locale's; tests set it).
    char DecimalSeparator;
    // The program's command line (the switch "Ethernet" shows the IP group).
    std::vector<std::string> CommandLine;

    bool SettingsChanged = false;  // a setting that affects tool paths changed
    bool LoadingSettings = false;  // a settings file is being applied
    bool InAspectChange = false;   // the picture sizes are not coupled now

    GlobalState Global;  // the live record of "Quarnell.cfg"
    GlobalLiveValues Live;

    // The dialog's creation: limits, the global state, the current settings file and
    // "DADudavu.txt", the display unit.
    void Create();
    // Each time the dialog is shown: the machine limits again, and the values are remembered
    // for Cancel.
    void Activate();
    // The speed and power limits from the parameter set in force.
    void SetParam();

    // OK: save to the current settings file, then the job start height.
    void Ok();
    // Cancel: the current settings file again; when it is missing or cannot be read, the values
    // from when the dialog was shown (nothing is written then).
    void Cancel();
    // Save / Load with a chosen file, which becomes the current settings file. False (reported)
    // when the path does not fit the state record or the file cannot be written.
    bool SaveAs(const std::filesystem::path& path);
    bool LoadFrom(const std::filesystem::path& path);

    // The file operations. SaveKonfig reports a failure and returns false; a settings file that
    // could not be read whole is first kept beside it (".bad"), and not replaced when it cannot
    // be kept. LoadKonfig returns whether the settings file was there and could be read (an
    // unreadable or damaged one is reported, a damaged "DADudavu.txt" too).
    bool SaveKonfig(const std::filesystem::path& path);
    bool LoadKonfig(const std::filesystem::path& path, bool writeBackWhenMissing = true);
    // Reads "Quarnell.cfg". A missing file is replaced by the default record at once; a damaged
    // one is reported and kept aside (".bad"), its whole fields are used, and the state is
    // written only at exit. A job start height outside the machine's Z axis is reported and
    // the default height is used. Returns whether the file was there (whole or damaged).
    bool LoadGlobalState();
    void ResetGlobalState();
    // Writes "Quarnell.cfg" with the live values; reports a failure and returns false.
    bool SaveGlobal();

    // The path of the current settings file. A relative path in the state record is taken in the
    // program folder, whatever the current folder is, so a program started from anywhere finds
    // the operator's saved settings.
    std::filesystem::path CurrentSettingsFile() const;
    // The dialog's caption: the current settings file, and a note when it was missing and the
    // defaults are in force.
    std::string Caption() const;

    // The fallback file written when the current settings file is missing (only when there is
    // no file of that name yet: saved settings are never overwritten with values not read from
    // them).
    std::filesystem::path FallbackSettingsFile() const;

    // Whether the command line holds the switch (whole parameter, any letter case).
    bool KonfigParamPresent(std::string_view text) const;

    // Enabled / visible / hint of the controls for the machine and project type in force.
    std::map<std::string, ControlState> ControlStates() const;

    // The unit label of a number edit: "[mm]", "[in/min]", "[%]", "[sek]", ... (empty when it
    // has none).
    std::string UnitLabel(const std::string& name) const;

    // The command that programs the machine's IP address: "SIP" and the four octets.
    std::vector<std::uint8_t> IpCommand() const;
    // Programs the IP address over USB (usbPresent: the USB link exists and sees the machine);
    // without it shows the failure message. Returns whether the address was sent.
    bool ProgramIp(bool usbPresent, const std::function<void(const std::vector<std::uint8_t>&)>& send,
                   const std::function<void()>& restartEthernet);

private:
    void OnSettingChanged(const std::string& name);
    void VIChange();
    void AspectChange(const std::string& changed);
    void ReportError(const std::string& text);

    // Keeps a settings file that could not be read whole beside it before it is replaced; false
    // (reported) when it cannot be kept.
    bool KeepUnreadFile(const std::filesystem::path& path);
    // Keeps a damaged file aside before it is replaced; reported (nullopt) when it cannot be.
    std::optional<std::filesystem::path> KeepDamagedFile(const std::filesystem::path& path);
    // The display length unit from its setting (millimetres for an index out of range).
    void ApplyDisplayUnit();

    Settings& settings_;
    MachineContext& ctx_;
    ProgramEnvironment& env_;
    JobValues& job_;
    Notifier& notifier_;
    int listener_ = 0;
    bool unreadGlobal_ = false;                   // a damaged "Quarnell.cfg" not kept aside yet
    std::filesystem::path missingSettings_;       // the settings file that was missing, if any
    std::filesystem::path unreadSettings_;        // the settings file that could not be read whole
    std::optional<Settings::Values> openedWith_;  // the values when the dialog was last shown
};

}  // namespace vellisk
