#pragma once
// Pieces the developer tools share: settings from the command line, and a notifier that prints
// the program's messages on the error stream.
#include <iostream>
#include <string>

#include "model/core_error.h"
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

}  // namespace vellisk::tools
