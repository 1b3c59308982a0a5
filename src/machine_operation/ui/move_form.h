#pragma once
// The move dialog's window: the move mode, the three distances in the display unit, "Without Z
// axis", Execute and Cancel, and the test and scan buttons. A view over the core's MoveDialog.
#include <QDialog>

#include "machine_operation/move_dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vellisk {
class JobPanel;
}

namespace vellisk::ui {

class TFltEditU;

class Tprzesun : public QDialog {
    Q_OBJECT
public:
    // `panel` (may be null): its timer is held while a test or the scan runs.
    Tprzesun(CommandLayer& layer, const ProgramEnvironment& env, const Settings& settings, JobPanel* panel,
             QWidget* parent = nullptr);

    MoveDialog& Engine() { return engine_; }
    TFltEditU* DeltaX() const { return fields_[0]; }
    TFltEditU* DeltaY() const { return fields_[1]; }
    TFltEditU* DeltaZ() const { return fields_[2]; }
    QRadioButton* Mode(int i) const { return modes_[i]; }
    QCheckBox* WithoutZ() const { return bezosiZ_; }
    QPushButton* ExecuteButton() const { return wykonaj_; }
    QPushButton* TestButton() const { return test_; }
    QPushButton* ScanButton() const { return scan_; }
    QPushButton* HeaterButton() const { return heater_; }
    QPushButton* LaserButton() const { return laser_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ToEngine();
    void WykonajClick();
    template <typename F>
    void RunLoop(F&& loop);

    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    MoveDialog engine_;
    JobPanel* panel_;
    QGroupBox* przesun_;
    QRadioButton* modes_[3];
    TFltEditU* fields_[3];
    QLabel* units_[3];
    QCheckBox* bezosiZ_;
    QPushButton *wykonaj_, *cancel_, *test_, *scan_, *heater_, *laser_;
};

}  // namespace vellisk::ui
