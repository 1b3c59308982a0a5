#pragma once
// The About box: the program's name and version and, read from the machine each time the box is
// shown, its producer, model, work area, production date, running time and file count. A click
// or any key closes it; the web-link labels open in the desktop's browser.
#include <QDialog>
#include <QString>
#include <functional>
#include <map>

class QGridLayout;
class QGroupBox;
class QLabel;

namespace vellisk {
class MachineContext;
struct ProgramEnvironment;
}

namespace vellisk::ui {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    // `readMachine` reads the status and, when the controller answered, the machine info into
    // the context; returns whether it answered. Without it the machine labels say "No data".
    TAboutBox(MachineContext& ctx, const ProgramEnvironment& env, std::function<bool()> readMachine,
              QWidget* parent = nullptr);

    // The label showing a value: "ver", "prod", "model", "obszar", "dataprod", "przebieg", "ilpl".
    QLabel* Value(const QString& name) const;

    // The maker's and the dealer's web addresses (the installation's own).
    static constexpr const char* kMakerUrl = "https://www.vellisk.org";
    static constexpr const char* kDealerUrl = "https://www.vellisk.org/dealers";

    void FormActivate();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLabel* Pair(QGridLayout* grid, int row, const char* labelName, const char* valueName);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    std::function<bool()> readMachine_;
    QGroupBox* group_ = nullptr;
    QWidget* dealer_ = nullptr;
    std::map<QString, QLabel*> labels_;
};

}  // namespace vellisk::ui
