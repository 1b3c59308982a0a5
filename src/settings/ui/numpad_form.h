#pragma once
// The on-screen numeric keypad: a small modal form for typing a number with the mouse or a
// touch screen. The typed text is shown as the form's caption and in a label; OK hands it back.
#include <QDialog>
#include <QPoint>
#include <QString>

#include "settings/edit_field.h"

class QLabel;
class QPushButton;

namespace vellisk::ui {

// The decimal separator of the GUI's locale ('.' when it is not a single ASCII character).
char LocaleSeparator();

class TNumPadForm : public QDialog {
    Q_OBJECT
public:
    explicit TNumPadForm(QWidget* parent = nullptr);

    // The keypad shared by the fields (made at the first use).
    static TNumPadForm* Shared();

    bool BigLayout = false;  // the large layout at the next activation

    // Opens modally with its top-left corner at the screen point, moved left / up when it would
    // reach past the screen's edges. True when OK was pressed; the typed text is then Text().
    bool Open(const QPoint& at);

    QString Text() const;
    void SetBigLayout();

    // The keys, by their names (Button0..Button9, Buttonp, ButtonMinus, ButtonC, ButtonCE,
    // ButtonOK, ButtonCancel).
    QPushButton* Key(const QString& name) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void Activate();
    void SetSmallLayout();
    void Update();

    NumPadText text_;
    QLabel* display_;
    QPoint origin_;
    bool placeAtOrigin_ = false;
};

}  // namespace vellisk::ui
