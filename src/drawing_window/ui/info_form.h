#pragma once
// The project information form: file name, configuration, tool diameter, scale, size, the
// lengths of cutting, polishing and rapid moves and the approximate job time of a drawing. The
// numbers are worked out by the core each time the form is shown; the form only shows them.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace vellisk {
class Project;
class Settings;
struct ProgramEnvironment;
}  // namespace vellisk

namespace vellisk::ui {

class Tinfoform : public QDialog {
    Q_OBJECT
public:
    Tinfoform(Project& project, const Settings& settings, const ProgramEnvironment& env, std::string fileName,
              std::string configuration, QWidget* parent = nullptr);

    // The value label of a line by its name: "fname", "konfigname", "srednica", "skala",
    // "szerokosc", "wysokosc", "total_work", "total_pol", "total_przes", "total_time".
    QLabel* Value(const char* name) const;
    QPushButton* OkButton() const { return ok_; }

    // Fills the value labels from the project and the settings as they are now.
    void Fill();

protected:
    void showEvent(QShowEvent* e) override;

private:
    Project& project_;
    const Settings& settings_;
    const ProgramEnvironment& env_;
    std::string fileName_, configuration_;
    QPushButton* ok_;
};

// The information form of a drawing window's project, shown modally.
void ShowInfoForm(Project& project, const Settings& settings, const ProgramEnvironment& env,
                  const std::string& fileName, const std::string& configuration, QWidget* parent = nullptr);

}  // namespace vellisk::ui
