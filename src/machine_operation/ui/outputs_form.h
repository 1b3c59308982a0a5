#pragma once
// The outputs dialog's window: the lubrication ("oil") check box. A view over OutputsDialog.
#include <QDialog>

#include "machine_operation/outputs_dialog.h"

class QCheckBox;

namespace vellisk::ui {

class TWyjsciaForm : public QDialog {
    Q_OBJECT
public:
    TWyjsciaForm(CommandLayer& layer, const ProgramEnvironment& env, QWidget* parent = nullptr);
    QCheckBox* Oil() const { return smarowanie_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    CommandLayer& layer_;
    OutputsDialog engine_;
    QCheckBox* smarowanie_;
};

}  // namespace vellisk::ui
