#pragma once
// The layer dialog's window: the grid of layers (each row in its layer's colour, struck out when
// the layer is not cut), the editors of the current row (depth, or laser power and speed, and
// the enabled box), Apply, OK and Cancel. A view over the core's LayersDialog.
#include <QDialog>

#include "drawing_window/layer_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QWidget;

namespace vellisk {
class MachineContext;
class Project;
class Settings;
class Notifier;
}  // namespace vellisk

namespace vellisk::ui {

class TFltEditU;
class TFloatEdit;

class TfWarstwy : public QDialog, private LayersView {
    Q_OBJECT
public:
    TfWarstwy(LayersDialog& engine, const ProgramEnvironment& env, QWidget* parent = nullptr);

    QTableWidget* Grid() const { return sgWarstwy_; }
    TFltEditU* DepthEdit() const { return depth_; }
    TFloatEdit* PowerEdit() const { return power_; }
    TFltEditU* SpeedEdit() const { return speed_; }
    QCheckBox* EnabledBox() const { return aktywna_; }
    QLabel* ColourPanel() const { return pKolor_; }
    QPushButton* ApplyButton() const { return zatwierdz_; }
    QPushButton* OkButton() const { return zapisz_; }
    QPushButton* CancelButton() const { return anuluj_; }

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ShowRow(std::int32_t row) override;
    void LoadEditors(std::int32_t row, const LayerEditors& editors) override;
    LayerEditors Editors();
    QWidget* ValueEditor() const;

    LayersDialog& engine_;
    QTableWidget* sgWarstwy_;
    QLabel* pKolor_;
    QWidget *pFrezarka_, *pLaser_;
    TFltEditU* depth_;
    TFloatEdit* power_;
    TFltEditU* speed_;
    QCheckBox* aktywna_;
    QPushButton *zatwierdz_, *zapisz_, *anuluj_;
    bool loading_ = false;
};

// The layers command of a layer project: the dialog over the project's layer table; on OK the
// figures are cut or not as their layers say and the project is prepared again. True: OK (the
// window repaints).
bool ShowLayersDialog(Project& project, const Settings& settings, const MachineContext& ctx,
                      const ProgramEnvironment& env, Notifier& notifier, QWidget* parent = nullptr);

}  // namespace vellisk::ui
