#include "machine_operation/ui/outputs_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "model/ui/text_width.h"

namespace vellisk::ui {

TWyjsciaForm::TWyjsciaForm(CommandLayer& layer, const ProgramEnvironment& env, QWidget* parent)
    : QDialog(parent), layer_(layer), engine_(layer) {
    setObjectName("WyjsciaForm");
    setModal(true);
    smarowanie_ = new QCheckBox(this);
    smarowanie_->setObjectName("CheckBoxSmarowanie");
    auto* main = new QVBoxLayout(this);
    main->addWidget(smarowanie_, 0, Qt::AlignLeft);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->setObjectName("Zamknij");
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    main->addWidget(close);
    setWindowTitle(QString::fromStdString(env.Text(TextId::OutCaption)));
    KeepTitleReadable(*this);
    smarowanie_->setText(QString::fromStdString(env.Text(TextId::OutOil)));
    connect(smarowanie_, &QCheckBox::clicked, this, [this](bool checked) { engine_.Click(checked); });
}

void TWyjsciaForm::showEvent(QShowEvent* e) {
    engine_.Activate();
    smarowanie_->setEnabled(engine_.enabled);
    smarowanie_->setChecked(engine_.checked);
    QDialog::showEvent(e);
}

}  // namespace vellisk::ui
