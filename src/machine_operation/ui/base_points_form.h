#pragma once
// The base points dialog's window: base X and Y in the display unit, a remark, the list of named
// points from "base.txt", and the buttons to take the machine's position, add, remove and copy a
// line. A view over the core's BasePointsDialog; the control panel sends the point on Set (OK).
#include <QDialog>

#include "machine_operation/base_points.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vellisk::ui {

class TFltEditU;

class TPunkty_bazowe : public QDialog {
    Q_OBJECT
public:
    TPunkty_bazowe(CommandLayer& layer, const ProgramEnvironment& env, QWidget* parent = nullptr);
    // Writes the list to "base.txt".
    ~TPunkty_bazowe() override;

    BasePointsDialog& Engine() { return engine_; }
    // The chosen point (mm), valid after OK.
    double X() const { return engine_.x; }
    double Y() const { return engine_.y; }

    TFltEditU* Pbx() const { return pbx_; }
    TFltEditU* Pby() const { return pby_; }
    QLineEdit* Remark() const { return komentarz_; }
    QListWidget* List() const { return lista_; }
    QPushButton* AddButton() const { return dodaj_; }
    QPushButton* RemoveButton() const { return usun_; }
    QPushButton* CopyButton() const { return przepisz_; }
    QPushButton* TakeButton() const { return wpa_; }
    QPushButton* SetButton() const { return ustaw_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void FieldsToEngine();
    void EngineToFields();
    void ShowList();
    void Copy();

    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    BasePointsDialog engine_;
    TFltEditU *pbx_, *pby_;
    QLabel *lx_, *ly_;
    QLineEdit* komentarz_;
    QListWidget* lista_;
    QPushButton *wpa_, *dodaj_, *usun_, *przepisz_, *ustaw_, *anuluj_;
};

}  // namespace vellisk::ui
