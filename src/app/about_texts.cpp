#include "app/about_texts.h"

#include <cmath>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "machine_operation/job_panel.h"
#include "model/numeric.h"
#include "model/program_environment.h"

#ifndef VELLISK_VERSION_MAJOR
#define VELLISK_VERSION_MAJOR 0
#define VELLISK_VERSION_MINOR 0
#define VELLISK_VERSION_PATCH 0
#define VELLISK_VERSION_TWEAK 0
#endif

namespace vellisk {

std::string GetVersionString(bool withRelease, bool withBuild) {
    std::string v = std::to_string(VELLISK_VERSION_MAJOR) + "." + std::to_string(VELLISK_VERSION_MINOR);
    if (withRelease) v += "." + std::to_string(VELLISK_VERSION_PATCH);
    if (withBuild) v += "." + std::to_string(VELLISK_VERSION_TWEAK);
    return v;
}

std::string WorkAreaText(double x, double y) {
    auto whole = [](double v) { return std::isfinite(v) ? static_cast<long long>(RoundHalfEven(v)) : 0LL; };
    return std::to_string(whole(x)) + "x" + std::to_string(whole(y));
}

std::string ProductionDateText(const std::string& date, const std::string& noData) {
    if (date.size() < 8) return noData;
    return date.substr(0, 4) + "." + date.substr(4, 2) + "." + date.substr(6, 2);
}

std::string RunTimeText(std::int32_t minutes, const ProgramEnvironment& env) {
    return std::to_string(minutes / 60) + env.Text(TextId::AboutHours) + std::to_string(minutes % 60) +
           env.Text(TextId::AboutMinutes);
}

AboutTexts MakeAboutTexts(const MachineContext& ctx, const ProgramEnvironment& env, bool answered) {
    AboutTexts t;
    t.ver = GetVersionString(true, true);
    const std::string noData = env.Text(TextId::NoData);
    if (answered) {
        const auto& s = ctx.PlotState;
        t.prod = s.Producer;
        t.model = s.Model;
        t.obszar = WorkAreaText(ctx.WorkAreaX, ctx.WorkAreaY);
        t.dataprod = ProductionDateText(s.ProductionDate, noData);
        t.przebieg = RunTimeText(s.RunMinutes, env);
        t.ilpl = std::to_string(s.FileCount);
    } else {
        t.prod = t.model = t.obszar = t.dataprod = t.przebieg = t.ilpl = noData;
    }
    t.dealerPanel = env.Lang.CountryCode == 886;
    return t;
}

bool AboutMachineReader::Read() {
    if (jobs_ && !jobs_->GuiMayUseLink()) return lastRead_;
    lastRead_ = layer_.ReadStatus() && !layer_.TimedOut();
    if (lastRead_) layer_.ReadMachineInfo();
    return lastRead_;
}

}  // namespace vellisk
