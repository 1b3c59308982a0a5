#pragma once
// The configuration dialog's window: tab sheets with the check boxes, radio groups and number
// edits of every setting, and the OK / Cancel / Save / Load / IP buttons. It is a view of the
// Settings object served by a ConfigDialog: each control shows its setting and writes the
// operator's changes into it. Create the ConfigDialog and call its Create() (the files) first.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/lang_texts.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QTabWidget;

namespace vellisk {
class ConfigDialog;
}

namespace vellisk::ui {

class NumberEditBase;

class TDlgkonfig : public QDialog {
    Q_OBJECT
public:
    explicit TDlgkonfig(ConfigDialog& core, QWidget* parent = nullptr);
    ~TDlgkonfig() override;

    ConfigDialog& Core() { return core_; }

    // The machine link for the IP button: whether the USB link sees the machine, how a command
    // is sent, and the Ethernet restart. Without them the button reports the failure.
    std::function<bool()> UsbPresent;
    std::function<void(const std::vector<std::uint8_t>&)> SendCommand;
    std::function<void()> RestartEthernet;
    // Picks a settings file for Save (true) or Load (false) in a folder; empty: cancelled.
    // Defaults to the file dialogs.
    std::function<QString(bool save, const QString& folder)> ChooseFile;

    // The buttons.
    void OkClick();
    void cancelClick();
    void zapisClick();
    void OdczytClick();
    void ButtonProgramujIPploteraClick();

    // A control by its component name (a setting, a sheet, a group or a button).
    QWidget* Control(const QString& name) const;
    NumberEditBase* Edit(const std::string& name) const;
    QTabWidget* Pages() const { return pages_; }

    // Takes every typed but not yet taken value into the settings.
    void CommitEdits();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Build();
    void Captions();
    void FormActivate();
    void ApplyControlStates();
    void ApplyUnit();
    void RefreshSetting(const std::string& name);
    void RefreshAll();
    QString T(TextId id) const;

    ConfigDialog& core_;
    QTabWidget* pages_ = nullptr;
    std::map<std::string, QCheckBox*> checks_;
    std::map<std::string, QButtonGroup*> radios_;
    std::map<std::string, NumberEditBase*> edits_;
    std::map<std::string, QLabel*> labels_;
    std::map<std::string, QLabel*> unitLabels_;
    int listener_ = 0;
    bool closingByBox_ = false;
};

}  // namespace vellisk::ui
