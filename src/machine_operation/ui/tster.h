#pragma once
// The manual control panel's window: a tool window beside the main frame with the machine and
// project coordinates, the speed and power bars, the jog buttons, STOP, the spindle button and
// the buttons of the machine dialogs. It shows what the panel (ControlPanel) tells it and passes
// the operator's keys, clicks and bar moves on; its QTimer drives the panel's timer event.
//
// Keys are previewed for the whole window: the jog keys, Insert, Ctrl and the numeric pad act
// wherever the focus is (except in the pulse-time field, where they type), a held key is one
// jog (the key's auto-repeat releases are dropped) and its release one stop.
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "machine_operation/control_panel.h"
#include "machine_operation/panel_view.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QToolButton;
class QFrame;
class QMouseEvent;

namespace vellisk::ui {

class TFltEdit;

class Tster : public QWidget, public PanelView {
    Q_OBJECT
public:
    // `touchPanel`: the touch layout with the images of "Ikony/" under the program folder.
    Tster(ControlPanel& panel, const ProgramEnvironment& env, bool touchPanel = false, QWidget* parent = nullptr);
    ~Tster() override;

    // Virtual key code of a Qt key (0 when the panel has no use for it).
    static std::uint16_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);

    QAbstractButton* Button(PanelControl c) const { return buttons_[static_cast<int>(c)]; }
    QScrollBar* SpeedBar() const { return vScroll_; }
    QScrollBar* PowerBar() const { return pScroll_; }
    QLabel* Label(PanelText t) const;
    QTimer* Timer() { return &timer_; }
    QGroupBox* Box(PanelText t) const;
    TFltEdit* PulseField() const { return czasImpulsu_; }
    QFrame* Bevel() const { return bevel_; }
    bool TouchIconsLoaded() const { return iconsLoaded_; }
    // One timer event (what the QTimer runs).
    void OnTimer();

    // ---- PanelView ----
    void SetCaption(const std::string& text) override;
    void SetText(PanelText which, const std::string& text) override;
    void ShowSpeedBar(const BarState& bar) override;
    void ShowPowerBar(const BarState& bar) override;
    void ShowActualSpeed(std::int32_t value) override;
    void SetEnabled(PanelControl which, bool on) override;
    void SetVisible(PanelControl which, bool on) override;
    void SetSpindleDown(bool down) override;
    void ShowPulseTime(double ms) override;
    bool IsActive() override;
    void Close() override;
    bool InputPending() override { return inputSeen_; }
    void TimerChanged(bool running, int intervalMs) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;

private:
    void Build();
    void PlaceNormal();
    void PlaceTouch();
    void LoadTouchIcons();
    void WatchKeys();
    // Runs an action of the panel; an error is shown instead of leaving the event handler.
    void Guard(const std::function<void()>& action);
    bool HandleKey(QObject* watched, QEvent* event);
    void HandleMouse(QObject* watched, QMouseEvent* e);

    ControlPanel& panel_;
    const ProgramEnvironment& env_;
    bool touch_;
    QTimer timer_;
    std::array<QAbstractButton*, static_cast<int>(PanelControl::Count)> buttons_{};
    QGroupBox* gbWspMaszyny_;
    QGroupBox* gbWspProjektu_;
    QGroupBox* szybkosc_;
    QGroupBox* moc_;
    std::array<QLabel*, 6> coords_{};
    std::array<QLabel*, 6> coordNames_{};
    QScrollBar* vScroll_;
    QScrollBar* pScroll_;
    QLabel* speedlabel_;
    QLabel* powerLabel_;
    QFrame* bevel_;
    TFltEdit* czasImpulsu_;
    QLabel* lCzasImpulsu_;
    QLabel* lCzasImpulsuJM_;
    QWidget* pSerwisowy_;
    QProgressBar* chwilowa_;
    QLabel* chwilowaLabel_;
    QLabel* usbError_;
    QPushButton* setInverter_;
    QPushButton* servis_;
    bool inputSeen_ = false;
    bool iconsLoaded_ = false;
    bool activating_ = false;
};

}  // namespace vellisk::ui
