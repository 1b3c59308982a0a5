#pragma once
// The hatching dialog's window: spacing of the lines (a length in the display unit), their angle
// in degrees, "cut the outline" and "two-way cutting", OK and Cancel. OK hatches the drawing
// through the core; a spacing that is refused keeps the dialog open.
#include <QDialog>

#include "drawing_window/hatching.h"

class QCheckBox;
class QPushButton;

namespace vellisk {
class Project;
class Settings;
class MachineContext;
class Notifier;
}  // namespace vellisk

namespace vellisk::ui {

class TFltEditU;
class TFloatEdit;

class TFormKreski : public QDialog {
    Q_OBJECT
public:
    // `options` are shown; OK hatches with what the operator chose and keeps it in `job`.
    TFormKreski(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                Notifier& notifier, const HatchOptions& options, QWidget* parent = nullptr);

    TFltEditU* Odstep() const { return odstep_; }
    TFloatEdit* Kat() const { return kat_; }
    QCheckBox* WytnijObrys() const { return wytnij_; }
    QCheckBox* Dwukierunkowo() const { return dwukierunkowo_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    void ButtonOkClick();

    Project& project_;
    const Settings& settings_;
    const ProgramEnvironment& env_;
    JobValues& job_;
    Notifier& notifier_;
    TFltEditU* odstep_;
    TFloatEdit* kat_;
    QCheckBox *wytnij_, *dwukierunkowo_;
    QPushButton *ok_, *cancel_;
};

// The hatching command of the active drawing: the dialog (with the choices of its last OK); on
// OK the drawing is hatched, its tool paths are made again and a layer project gets the layer
// of the hatch lines. True: OK (the window repaints).
bool ShowHatchingDialog(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                        Notifier& notifier, QWidget* parent = nullptr);

}  // namespace vellisk::ui
