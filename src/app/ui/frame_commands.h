#pragma once
// What the main frame needs of the rest of the program: the drawing windows it opens, the job
// commands behind its menu items and buttons, the control panel and the dialogs it shows, what
// its close query looks at, and the end of a job or burn when it closes. The program hands one
// to the frame at start-up; a frame without one runs none of them (tests put a recording fake
// in). The frame's own file dialogs are a seam of their own (FramePicker), so that a test can
// choose the files of the real program.
#include <QString>
#include <memory>

#include "app/shutdown_rules.h"
#include "app/ui/drawing_child.h"

namespace vellisk::ui {

class FrameCommands {
public:
    virtual ~FrameCommands() = default;
    // A new drawing window for a project kind; null: the frame's own (once the configuration is
    // known, the project's contour view).
    virtual std::unique_ptr<DrawingChild> CreateDrawing(int kind) {
        (void)kind;
        return nullptr;
    }
    // Job commands (menu items and buttons).
    virtual void Start1Click() {}
    virtual void Kontynuacja1Click() {}
    virtual void Powtrz1Click() {}
    virtual void Wstrzymaj1Click() {}
    virtual void Tnijwybran1Click() {}
    virtual void Startodwybranej1Click() {}
    virtual void WypalBMP1Click() {}
    // The control panel (shown non-modal), the About box, the project information form and the
    // layers dialog of the active drawing, the hatching dialog of the active drawing (true: OK).
    virtual void ShowPanel() {}
    virtual void ShowAbout() {}
    virtual void ShowInfo() {}
    virtual void ShowLayers() {}
    virtual bool ShowHatching() { return false; }
    // What the close query looks at, ending the stream of a held job, ending the burn.
    virtual CloseState CloseStateNow() { return {}; }
    virtual void StopStream() {}
    virtual void EndBurn() {}
    // A drawing window is closing (its burn must end before its drawing goes).
    virtual void DrawingClosing(DrawingChild* drawing) { (void)drawing; }
};

// Picks the files the frame opens and saves. Empty: cancelled. The frame's own shows the file
// dialog.
class FramePicker {
public:
    virtual ~FramePicker() = default;
    // Folder, filter ("label|pattern|..."), filter index (in: the kept one, out: the chosen one).
    virtual QString ChooseOpenFile(const QString& folder, const QString& filter, int* filterIndex) = 0;
    // Suggested name, folder, filter, filter index in/out.
    virtual QString ChooseSaveFile(const QString& name, const QString& folder, const QString& filter,
                                   int* filterIndex) = 0;
};

}  // namespace vellisk::ui
