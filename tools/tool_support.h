#pragma once
// Pieces the developer tools share: settings from the command line, and a notifier that prints
// the program's messages on the error stream.
#include <iostream>
#include <sstream>
#include <string>

#include "drawing_window/hatching.h"
#include "drawing_window/project.h"
#include "machine_link/job_values.h"
#include "model/core_error.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "drawing_files/drawing_text.h"
#include "settings/settings.h"

namespace vellisk::tools {

// NAME=VALUE for any setting: a number, a choice's item or a check box's 0/1.
inline void SetFromText(Settings& settings, const std::string& text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) throw CoreError::range("a setting needs NAME=VALUE: " + text);
    const std::string name = text.substr(0, eq);
    double v = 0;
    if (!ParseDrawingReal(text.substr(eq + 1), v)) throw CoreError::range("not a number: " + text);
    switch (settings.KindOf(name)) {
        case SettingKind::Flag: settings.SetFlag(name, v != 0); break;
        case SettingKind::Choice: settings.SetChoice(name, static_cast<int>(v)); break;
        case SettingKind::Number: settings.SetNumber(name, v); break;
    }
}

// The program's messages, printed with the tool's name in front.
class PrintingNotifier : public SilentNotifier {
public:
    explicit PrintingNotifier(std::string tool) : tool_(std::move(tool)) {}
    Answer Message(const std::string& text, MessageKind k, Buttons b, const std::string& c) override {
        std::cerr << tool_ << ": " << text << '\n';
        return SilentNotifier::Message(text, k, b, c);
    }

private:
    std::string tool_;
};

// --hatch SPACING,ANGLE[,outline][,two-way]: spacing in mm, angle in degrees, and whether the
// outlines are cut too and the lines cut both ways.
inline HatchOptions ParseHatch(const std::string& text) {
    HatchOptions o;
    std::stringstream in(text);
    std::string part;
    int n = 0;
    while (std::getline(in, part, ',')) {
        double v = 0;
        if (n == 0 || n == 1) {
            if (!ParseDrawingReal(part, v)) throw CoreError::range("--hatch: not a number: " + part);
            (n == 0 ? o.SpacingMm : o.AngleDeg) = v;
        } else if (part == "outline") {
            o.CutOutline = true;
        } else if (part == "two-way") {
            o.TwoWay = true;
        } else {
            throw CoreError::range("--hatch: neither outline nor two-way: " + part);
        }
        ++n;
    }
    if (n < 2) throw CoreError::range("--hatch needs SPACING,ANGLE[,outline][,two-way]");
    return o;
}

// Hatches a loaded project as the hatching dialog's OK and the main frame then do; false when
// the hatching was refused (the notifier said why).
inline bool HatchProject(Project& project, const HatchOptions& o, const Settings& settings,
                         const ProgramEnvironment& env, JobValues& job, Notifier& notifier) {
    Kreskowanie hatching(project, settings, env, job, notifier);
    if (!hatching.Run(o)) return false;
    AfterHatching(project, settings, job);
    std::cerr << "hatching: " << hatching.ScanLines() << " scan lines, " << hatching.LinesAdded() << " hatch lines\n";
    return true;
}

}  // namespace vellisk::tools
