#include "drawing_window/ui/info_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "drawing_window/project_info.h"
#include "model/program_environment.h"
#include "settings/ui/numpad_form.h"
#include "model/ui/qt_text.h"

namespace vellisk::ui {

Tinfoform::Tinfoform(Project& project, const Settings& settings, const ProgramEnvironment& env, std::string fileName,
                     std::string configuration, QWidget* parent)
    : QDialog(parent),
      project_(project),
      settings_(settings),
      env_(env),
      fileName_(std::move(fileName)),
      configuration_(std::move(configuration)) {
    setObjectName("infoform");
    setModal(true);
    setWindowTitle(Q(env.Text(TextId::InfoCaption)));
    struct Line {
        TextId label;
        const char* value;
    };
    const Line lines[] = {{TextId::InfoFilename, "fname"},
                          {TextId::InfoConfiguration, "konfigname"},
                          {TextId::InfoDiameter, "srednica"},
                          {TextId::InfoScale, "skala"},
                          {TextId::InfoWidth, "szerokosc"},
                          {TextId::InfoHeight, "wysokosc"},
                          {TextId::InfoTotalLengths, nullptr},
                          {TextId::InfoCutting, "total_work"},
                          {TextId::InfoPolishing, "total_pol"},
                          {TextId::InfoDisplacement, "total_przes"},
                          {TextId::InfoApproximateTime, "total_time"}};
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const Line& l : lines) {
        grid->addWidget(new QLabel(Q(env.Text(l.label)), this), row, 0);
        if (l.value) {
            auto* v = new QLabel(this);
            v->setObjectName(l.value);
            v->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(v, row, 1);
        }
        ++row;
    }
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OK");
    ok_->setDefault(true);
    grid->addWidget(ok_, row, 0, 1, 2, Qt::AlignCenter);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

QLabel* Tinfoform::Value(const char* name) const { return findChild<QLabel*>(name); }

void Tinfoform::Fill() {
    const ProjectInfo info =
        ComputeProjectInfo(project_, settings_, env_, fileName_, configuration_, LocaleSeparator());
    const std::pair<const char*, const std::string*> values[] = {
        {"fname", &info.FileName},     {"konfigname", &info.Configuration}, {"srednica", &info.Diameter},
        {"skala", &info.Scale},        {"szerokosc", &info.Width},          {"wysokosc", &info.Height},
        {"total_work", &info.Cutting}, {"total_pol", &info.Polishing},      {"total_przes", &info.Displacement},
        {"total_time", &info.Time}};
    for (const auto& [name, text] : values)
        if (QLabel* l = Value(name)) l->setText(Q(*text));
}

void Tinfoform::showEvent(QShowEvent* e) {
    Fill();
    QDialog::showEvent(e);
}

void ShowInfoForm(Project& project, const Settings& settings, const ProgramEnvironment& env,
                  const std::string& fileName, const std::string& configuration, QWidget* parent) {
    Tinfoform form(project, settings, env, fileName, configuration, parent);
    form.exec();
}

}  // namespace vellisk::ui
