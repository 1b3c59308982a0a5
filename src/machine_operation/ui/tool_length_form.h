#pragma once
// The tool-length dialog's window: the tool-to-table distance in the display unit, OK and Cancel,
// and (not on a laser) the buttons "tool is on the table surface", "tool is on the material
// surface" and the automatic measurement. A view over the core's ToolLengthDialog.
#include <QDialog>

#include "machine_operation/tool_length.h"

class QLabel;
class QPushButton;
class QWidget;

namespace vellisk {
class JobPanel;
}

namespace vellisk::ui {

class TFltEditU;

class TdlugoscForm : public QDialog {
    Q_OBJECT
public:
    TdlugoscForm(CommandLayer& layer, const ProgramEnvironment& env, Settings& settings, JobPanel* panel,
                 QWidget* parent = nullptr);

    TFltEditU* Tool() const { return tool_; }
    QPushButton* ProbeButton() const { return pomiar_; }
    QPushButton* TableButton() const { return stol_; }
    QPushButton* MaterialButton() const { return material_; }
    QPushButton* OkButton() const { return ok_; }
    QWidget* MiddlePanel() const { return middle_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    ToolLengthDialog engine_;
    JobPanel* panel_;
    TFltEditU* tool_;
    QLabel* unit_;
    QWidget* middle_;
    QPushButton *pomiar_, *material_, *stol_, *ok_, *anuluj_;
};

}  // namespace vellisk::ui
