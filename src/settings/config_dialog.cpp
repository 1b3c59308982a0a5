#include "settings/config_dialog.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "model/lang_texts.h"
#include "model/length_unit.h"
#include "model/numeric.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "platform/scoped_flag.h"
#include "platform/whole_file.h"
#include "settings/number_text.h"

namespace vellisk {

namespace {

const char* const kUnitLengthEdits[] = {"srednica", "grubosc",       "Glebokosc",   "skok",           "ponad_stol",
                                        "nadmat",   "poler_grubosc", "Poler_start", "Skok_wiercenia", "GruboscPlytki"};
const char* const kUnitSpeedEdits[] = {"WorkSpeed", "Polerspeed", "przespeed", "wiercenie_posuw", "wiercenie_cofanie"};

// The job start height of a program that has no state record yet (mm).
constexpr double kDefaultJobStartZ = 20.0;

bool In(const std::string& name, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

}  // namespace

ConfigDialog::ConfigDialog(Settings& settings, MachineContext& ctx, ProgramEnvironment& env, JobValues& job,
                           Notifier& notifier)
    : DecimalSeparator(LocaleDecimalSeparator()),
      settings_(settings),
      ctx_(ctx),
      env_(env),
      job_(job),
      notifier_(notifier) {
    listener_ = settings_.AddListener([this](const std::string& name) { OnSettingChanged(name); });
}

ConfigDialog::~ConfigDialog() { settings_.RemoveListener(listener_); }

void ConfigDialog::ReportError(const std::string& text) { notifier_.Message(text, MessageKind::Error); }

// ---- change hooks ----

void ConfigDialog::OnSettingChanged(const std::string& name) {
    const SettingDefinition* def = Settings::FindDefinition(name);
    if (!def) return;
    if (def->affectsToolpath) VIChange();
    if (name == setting::DisplayUnit.file) ApplyDisplayUnit();
    if (name == setting::PictureWidth.file || name == setting::PictureHeight.file) AspectChange(name);
}

void ConfigDialog::ApplyDisplayUnit() {
    const int unit = settings_.Choice(setting::DisplayUnit);
    env_.LengthUnit = unit >= kUnitMm && unit <= kUnitFoot ? unit : kUnitMm;
}

void ConfigDialog::VIChange() {
    SettingsChanged = true;
    const tplotparams& p = ctx_.PlotParams;
    if (ctx_.ArmLink && settings_.Flag(setting::Smoothing)) {
        settings_.SetRange(setting::WorkSpeed, settings_.Minimum(setting::WorkSpeed), p.MaxSmoothSpeed);
        settings_.Reassign(setting::WorkSpeed);
    } else {
        settings_.SetRange(setting::WorkSpeed, settings_.Minimum(setting::WorkSpeed), p.MaxWorkSpeed);
    }
    job_.PlungePitch = p.Laser ? 100.0 : settings_.Number(setting::SpiralPitch);
}

void ConfigDialog::AspectChange(const std::string& changed) {
    if (InAspectChange || !settings_.Flag(setting::KeepProportions)) return;
    const double r = job_.BmpPixelWidth / job_.BmpPixelHeight;
    if (!std::isfinite(r) || r <= 0) return;
    const ScopedFlag hold(InAspectChange);
    if (changed == setting::PictureWidth.file)
        settings_.SetNumber(setting::PictureHeight, settings_.Number(setting::PictureWidth) / r);
    else
        settings_.SetNumber(setting::PictureWidth, settings_.Number(setting::PictureHeight) * r);
}

// ---- limits ----

void ConfigDialog::SetParam() {
    const tplotparams& p = ctx_.PlotParams;
    const double minFeed = p.MinFeed;
    settings_.SetRange(setting::WorkSpeed, minFeed,
                       settings_.Flag(setting::Smoothing) ? p.MaxSmoothSpeed : p.MaxWorkSpeed);
    settings_.SetRange(setting::TravelSpeed, minFeed, p.MaxTravelSpeed);
    settings_.SetRange(setting::PolishSpeed, minFeed, p.MaxWorkSpeed);
    settings_.SetRange(setting::DrillFeed, settings_.Minimum(setting::DrillFeed), p.MaxZSpeed);
    settings_.SetRange(setting::DrillRetract, settings_.Minimum(setting::DrillRetract), p.MaxZSpeed);
    if (p.LinkKind == 1) {
        settings_.SetRange(setting::WorkPower, p.PowerMin, p.PowerMax);
        settings_.SetRange(setting::PolishPower, p.PowerMin, p.PowerMax);
    }
}

std::string ConfigDialog::UnitLabel(const std::string& name) const {
    const std::string unit = UnitName(env_.LengthUnit);
    for (const char* n : kUnitLengthEdits)
        if (name == n) return "[" + unit + "]";
    for (const char* n : kUnitSpeedEdits)
        if (name == n) return "[" + unit + "/min]";
    if (name == "work_power" || name == "poler_power")
        return ctx_.PlotParams.LinkKind == 1 && !ctx_.PlotParams.Laser ? "/min]" : "[%]";
    if (name == "CzasRozruchu") return "[sek]";
    if (name == "CzasImpulsu") return "miliSek";
    if (In(name, {"SzerokoscObrazu", "WysokoscObrazu", "BMPKrok"})) return "[mm]";
    if (In(name, {"SpoczynkowaMocLasera", "MocDlaBialego", "MocDlaCzarnego", "skala"})) return "[%]";
    return {};
}

// ---- control states ----

bool ConfigDialog::KonfigParamPresent(std::string_view text) const { return ParamPresent(CommandLine, text); }

std::map<std::string, ControlState> ConfigDialog::ControlStates() const {
    std::map<std::string, ControlState> st;
    for (const auto& d : Settings::Definitions()) st[d.name];
    const tplotparams& p = ctx_.PlotParams;
    const bool laser = p.Laser != 0;
    const bool milling = !laser;
    const auto setEnabled = [&](std::initializer_list<const char*> names, bool on) {
        for (const char* n : names) st[n].enabled = on;
    };

    if (!p.ZReversed) st["grubosc"].enabled = milling;
    setEnabled({"skok",
                "ponad_stol",
                "nadmat",
                "CzasRozruchu",
                "polerowanie",
                "poler_grubosc",
                "Polerspeed",
                "Poler_start",
                "poler_power",
                "wiercenie",
                "wiercenie_posuw",
                "wiercenie_cofanie",
                "Skok_wiercenia",
                "ramkaplytki",
                "GruboscPlytki",
                "PolozeniePlytki",
                "PodczasCiecia",
                "PodczasPrzestawczych",
                "PodczasWiercenia",
                "PrzedWierceniem"},
               milling);
    st["wiercenie"].visible = milling;
    st["Smarowanie"].visible = milling;
    st["Smarowanie"].enabled = ctx_.ModelCode == "NKV" || ctx_.ModelCode == "NZV";
    setEnabled(
        {"LaserMiekkiStart", "SpoczynkowaMocLasera", "CzasImpulsu", "LotnyStart", "TabSheetBMP", "SzerokoscObrazu",
         "WysokoscObrazu", "BMPKrok", "MocDlaBialego", "MocDlaCzarnego", "Proporcjonalnie", "Jednokierukowo"},
        laser);
    st["TabSheetBMP"].visible = laser;
    st["Laser"].visible = laser;
    st["Laser"].enabled = laser;
    st["GroupBoxIP"].visible = KonfigParamPresent("Ethernet");
    st["wygladzanie"].enabled = ctx_.Firmware550;

    // layer mode
    const bool singleLayer = settings_.Choice(setting::ProjectType) == 0;
    const bool notLaser = !laser;
    st["Glebokosc"].enabled = singleLayer && notLaser;
    st["Glebokosc"].hint = st["Glebokosc"].enabled ? std::string() : env_.Text(TextId::MultilayerDepthHint);
    const bool speedOn = singleLayer || notLaser;
    st["WorkSpeed"].enabled = speedOn;
    st["work_power"].enabled = speedOn;
    const std::string speedHint = speedOn ? std::string() : env_.Text(TextId::MultilayerSpeedHint);
    st["WorkSpeed"].hint = speedHint;
    st["work_power"].hint = speedHint;
    return st;
}

// ---- files ----

std::filesystem::path ConfigDialog::FallbackSettingsFile() const { return env_.ProgramDir / kFallbackSettingsName; }

std::filesystem::path ConfigDialog::CurrentSettingsFile() const {
    const std::filesystem::path path(Global.SettingsPath.empty() ? std::string(kDefaultSettingsPath)
                                                                 : Global.SettingsPath);
    return path.is_relative() ? env_.ProgramDir / path : path;
}

std::string ConfigDialog::Caption() const {
    std::string caption = CurrentSettingsFile().string();
    if (!missingSettings_.empty() && missingSettings_ == CurrentSettingsFile())
        caption += " (" + env_.Text(TextId::SettingsDefaultsNote) + ")";
    return caption;
}

std::optional<std::filesystem::path> ConfigDialog::KeepDamagedFile(const std::filesystem::path& path) {
    auto kept = KeepAside(path);
    if (!kept) ReportError(env_.Text(TextId::DamagedFileNotReplaced) + "\n" + path.string());
    return kept;
}

bool ConfigDialog::KeepUnreadFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (unreadSettings_.empty() || unreadSettings_ != path || !std::filesystem::exists(path, ec)) return true;
    const auto kept = KeepDamagedFile(path);
    if (!kept) return false;
    unreadSettings_.clear();
    notifier_.Message(env_.Text(TextId::DamagedFileKeptAs) + "\n" + kept->string(), MessageKind::Information);
    return true;
}

bool ConfigDialog::SaveKonfig(const std::filesystem::path& path) {
    if (!KeepUnreadFile(path)) return false;
    std::string why;
    if (WriteWholeFile(path, SettingsFileText(settings_, DecimalSeparator), &why) &&
        WriteWholeFile(env_.ProgramDir / kIpFileName, IpFileText(settings_), &why)) {
        if (missingSettings_ == path) missingSettings_.clear();
        return true;
    }
    ReportError(env_.Text(TextId::SettingsNotSaved) + "\n" + why);
    return false;
}

bool ConfigDialog::LoadKonfig(const std::filesystem::path& path, bool writeBackWhenMissing) {
    const ScopedFlag loading(LoadingSettings);
    // the picture sizes are applied as the file holds them, not coupled to each other
    const ScopedFlag aspect(InAspectChange);
    bool read = false;
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    missingSettings_ = exists ? std::filesystem::path() : path;
    if (exists) {
        std::string text;
        if (!ReadWholeFile(path, &text)) {
            unreadSettings_ = path;
            ReportError(env_.Text(TextId::SettingsFileUnreadable) + "\n" + path.string());
        } else {
            read = true;
            const SettingsTextReport report = ApplySettingsText(settings_, text, DecimalSeparator);
            if (!report.Clean()) {
                // Never replaced behind the operator's back: the next save keeps it aside.
                unreadSettings_ = path;
                std::string msg = path.string();
                if (!report.lines.empty()) {
                    msg += "\n" + env_.Text(TextId::SettingsLinesSkipped);
                    for (const auto& p : report.lines)
                        msg += "\n" + std::to_string(p.line) + ": " + p.name + " := " + p.value;
                }
                if (report.missing.size() == Settings::Definitions().size()) {
                    msg += "\n" + env_.Text(TextId::SettingsFileHoldsNone);
                } else if (!report.missing.empty()) {
                    msg += "\n" + env_.Text(TextId::SettingsNamesMissing);
                    for (std::size_t i = 0; i < report.missing.size(); ++i) msg += (i ? ", " : " ") + report.missing[i];
                }
                msg += "\n" + env_.Text(TextId::SettingsKeepDefaults);
                ReportError(msg);
            } else if (unreadSettings_ == path) {
                unreadSettings_.clear();
            }
        }
    }
    std::string ip;
    if (ReadWholeFile(env_.ProgramDir / kIpFileName, &ip) && !ApplyIpFileText(settings_, ip))
        ReportError(env_.Text(TextId::IpFileDamaged) + "\n" + (env_.ProgramDir / kIpFileName).string() + "\n" +
                    PlotterIpText(settings_));
    if (!exists && writeBackWhenMissing) {
        // The machine's address file stays as it is: the values written back carry its address.
        // The values in force go to the fallback file only where no settings are kept yet.
        const bool fallbackThere = std::filesystem::exists(FallbackSettingsFile(), ec) || ec;
        if (!fallbackThere) SaveKonfig(FallbackSettingsFile());
    }
    ctx_.PlotterIP = PlotterIpText(settings_);
    return read;
}

void ConfigDialog::ResetGlobalState() {
    Global = GlobalState{};
    SaveGlobal();
}

bool ConfigDialog::SaveGlobal() {
    Global.Kierunek = Live.Kierunek;
    Global.Kolejnosc = Live.Kolejnosc;
    Global.Punktywej = Live.Punktywej;
    Global.Warstwy = Live.Warstwy;
    Global.OpenFilterIndex = Live.OpenFilterIndex;
    Global.StartZ = job_.StartZ;
    if (unreadGlobal_) {
        if (!KeepDamagedFile(env_.ProgramDir / kGlobalStateFileName)) return false;
        unreadGlobal_ = false;
    }
    try {
        WriteGlobalStateFile(env_.ProgramDir, Global);
        return true;
    } catch (const CoreError& e) {
        ReportError(env_.Text(TextId::GlobalStateNotSaved) + "\n" + e.what());
        return false;
    }
}

bool ConfigDialog::LoadGlobalState() {
    GlobalState read;
    std::string problem;
    bool startZWhole = true;
    bool fromFile = false;
    unreadGlobal_ = false;
    // The height the tool goes to before a repeated job: beyond the Z axis it is damage, not a
    // choice (a machine measuring Z downward keeps a height at or below zero).
    const double zMax = ctx_.WorkAreaZ;
    const double zMin = ctx_.PlotParams.ZReversed ? -zMax : 0.0;
    const double safeZ = zMax > 0 ? std::clamp(kDefaultJobStartZ, zMin, zMax) : kDefaultJobStartZ;
    switch (ReadGlobalStateFile(env_.ProgramDir, &read, &problem, &startZWhole)) {
        case GlobalFileStatus::Read:
            Global = std::move(read);
            fromFile = true;
            break;
        case GlobalFileStatus::Damaged: {
            // Its whole fields (the pointer to the settings file above all) are taken. The file
            // stays in place, kept beside as ".bad", and the state replaces it only at exit; one
            // that cannot be kept beside is moved aside then.
            Global = std::move(read);
            fromFile = true;
            if (!startZWhole) Global.StartZ = safeZ;  // not the table's height
            std::string msg = env_.Text(TextId::GlobalStateDamaged) + "\n" + problem;
            if (const auto kept = KeepAside(env_.ProgramDir / kGlobalStateFileName, KeepHow::Beside))
                msg += "\n" + env_.Text(TextId::DamagedFileKeptAs) + "\n" + kept->string();
            else
                unreadGlobal_ = true;
            ReportError(msg);
            break;
        }
        case GlobalFileStatus::Missing: ResetGlobalState(); break;
    }
    Live.Kierunek = Global.Kierunek;
    Live.Kolejnosc = Global.Kolejnosc;
    Live.Punktywej = Global.Punktywej;
    Live.Warstwy = Global.Warstwy;
    Live.OpenFilterIndex = Global.OpenFilterIndex;
    if (fromFile && zMax > 0 && (Global.StartZ < zMin || Global.StartZ > zMax)) {
        ReportError(env_.Text(TextId::GlobalStateStartZOutOfRange) + "\n" + FormatPlainNumber(Global.StartZ, '.') +
                    " mm");
        Global.StartZ = safeZ;
    }
    job_.StartZ = Global.StartZ;
    ctx_.SpindleScale = 1.0;
    return fromFile;
}

// ---- the dialog's life ----

void ConfigDialog::Create() {
    SetParam();
    notifier_.Status(env_.Text(TextId::LoadingConfigurationFiles));
    {
        const ScopedFlag aspect(InAspectChange);
        const bool globalFromFile = LoadGlobalState();
        const std::filesystem::path file = CurrentSettingsFile();
        std::error_code ec;
        const bool missing = !std::filesystem::exists(file, ec) && !ec;
        LoadKonfig(file);
        // A settings file named by the state record but not there (deleted, or on a stick not
        // plugged in): the operator is told that the defaults are in force. At the very first
        // start there is nothing to tell.
        if (globalFromFile && missing) ReportError(env_.Text(TextId::SettingsFileMissing) + "\n" + file.string());
        ApplyDisplayUnit();
        notifier_.Status("");
    }
}

void ConfigDialog::Activate() {
    SetParam();
    openedWith_ = settings_.Snapshot();
}

void ConfigDialog::Ok() {
    SaveKonfig(CurrentSettingsFile());
    job_.StartZ = settings_.Number(setting::AboveTable) + settings_.Number(setting::MaterialThickness) +
                  settings_.Number(setting::AboveMaterial);
}

void ConfigDialog::Cancel() {
    std::error_code ec;
    if (std::filesystem::exists(CurrentSettingsFile(), ec) && LoadKonfig(CurrentSettingsFile(), false)) return;
    if (openedWith_) {
        const ScopedFlag aspect(InAspectChange);
        settings_.Restore(*openedWith_);
    }
}

bool ConfigDialog::SaveAs(const std::filesystem::path& path) {
    const std::string text = path.string();
    if (text.size() > kSettingsPathCapacity) {
        ReportError(env_.Text(TextId::SettingsPathTooLong) + "\n" + text);
        return false;
    }
    if (!SaveKonfig(path)) return false;
    Global.SettingsPath = text;
    return true;
}

bool ConfigDialog::LoadFrom(const std::filesystem::path& path) {
    const std::string text = path.string();
    if (text.size() > kSettingsPathCapacity) {
        ReportError(env_.Text(TextId::SettingsPathTooLong) + "\n" + text);
        return false;
    }
    Global.SettingsPath = text;
    LoadKonfig(path);
    settings_.SetChoice(setting::ProjectType, settings_.Choice(setting::ProjectType) & 1);
    return true;
}

// ---- the machine's IP address ----

std::vector<std::uint8_t> ConfigDialog::IpCommand() const {
    std::vector<std::uint8_t> cmd = {'S', 'I', 'P'};
    for (NumberKey n : setting::kControllerIp)
        cmd.push_back(static_cast<std::uint8_t>(RoundTo<long long>(settings_.Number(n), n.file) & 0xFF));
    return cmd;
}

bool ConfigDialog::ProgramIp(bool usbPresent, const std::function<void(const std::vector<std::uint8_t>&)>& send,
                             const std::function<void()>& restartEthernet) {
    if (!usbPresent) {
        notifier_.Message(env_.Text(TextId::OperationFailed) + "\n\r" + env_.Text(TextId::ConnectUsbCable),
                          MessageKind::Warning, Buttons::OkCancel, "IP");
        return false;
    }
    if (send) send(IpCommand());
    ctx_.PlotterIP = PlotterIpText(settings_);
    SaveKonfig(CurrentSettingsFile());
    if (restartEthernet) restartEthernet();
    return true;
}

}  // namespace vellisk
