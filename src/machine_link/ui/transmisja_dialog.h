#pragma once
// The modal dialog of the parallel-port job transfer: a view over the core transfer. It shows the
// kilobytes sent and in all and a track bar, runs the transfer on its own 1 ms timer, and has a
// Break button. exec() gives 1 when the whole job was sent, 2 when it was broken off, refused or
// the link was lost.
#include <QDialog>

#include "machine_link/lpt_transfer.h"
#include "model/program_environment.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace vellisk::ui {

class TransmisjaDialog : public QDialog {
    Q_OBJECT
public:
    TransmisjaDialog(Ttransmisja& transfer, const ProgramEnvironment& env, QWidget* parent = nullptr);

    QLabel* Sent() const { return poszlo_; }
    QLabel* Total() const { return calosc_; }
    QSlider* TrackBar() const { return trackBar_; }
    QPushButton* BreakButton() const { return przerwij_; }
    QTimer* Timer() const { return timer_; }

    void done(int result) override;
    // Escape and the window's close button break the transfer off like the Break button.
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void OnTimer();

    Ttransmisja& transfer_;
    const ProgramEnvironment& env_;
    QLabel* label1_;
    QLabel* poszlo_;
    QLabel* label2_;
    QLabel* calosc_;
    QLabel* label3_;
    QSlider* trackBar_;
    QPushButton* przerwij_;
    QTimer* timer_;
    bool activated_ = false;
};

}  // namespace vellisk::ui
