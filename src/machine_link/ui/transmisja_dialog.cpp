#include "machine_link/ui/transmisja_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include "model/ui/qt_text.h"

namespace vellisk::ui {

TransmisjaDialog::TransmisjaDialog(Ttransmisja& transfer, const ProgramEnvironment& env, QWidget* parent)
    : QDialog(parent), transfer_(transfer), env_(env) {
    setObjectName("transmisja");
    setModal(true);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    label1_ = new QLabel(this);
    label1_->setObjectName("Label1");
    poszlo_ = new QLabel("0", this);
    poszlo_->setObjectName("poszlo");
    label2_ = new QLabel(this);
    label2_->setObjectName("Label2");
    calosc_ = new QLabel("0", this);
    calosc_->setObjectName("calosc");
    label3_ = new QLabel(this);
    label3_->setObjectName("Label3");
    trackBar_ = new QSlider(Qt::Horizontal, this);
    trackBar_->setObjectName("TrackBar1");
    trackBar_->setRange(0, 0);
    trackBar_->setEnabled(false);  // it only shows the progress
    przerwij_ = new QPushButton(this);
    przerwij_->setObjectName("Przerwij");
    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(1);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label1_, 0, 0);
    grid->addWidget(poszlo_, 0, 1, Qt::AlignRight);
    grid->addWidget(label2_, 0, 2);
    grid->addWidget(calosc_, 0, 3, Qt::AlignRight);
    grid->addWidget(label3_, 0, 4);
    grid->addWidget(trackBar_, 1, 0, 1, 5);
    grid->addWidget(przerwij_, 2, 0, 1, 5, Qt::AlignHCenter);

    connect(przerwij_, &QPushButton::clicked, this, [this] { transfer_.RequestBreak(); });
    connect(timer_, &QTimer::timeout, this, &TransmisjaDialog::OnTimer);
}

void TransmisjaDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (activated_) return;
    activated_ = true;
    setWindowTitle(Q(env_.Text(TextId::TransferCaption)));
    label1_->setText(Q(env_.Text(TextId::TransferSent)));
    label2_->setText(Q(env_.Text(TextId::TransferKbFrom)));
    label3_->setText(Q(env_.Text(TextId::TransferKb)));
    przerwij_->setText(Q(env_.Text(TextId::TransferBreak)));
    transfer_.Activate();
    calosc_->setText(QString::number(transfer_.TotalKb()));
    poszlo_->setText("0");
    trackBar_->setRange(0, static_cast<int>(transfer_.TotalKb()));
    trackBar_->setValue(0);
    repaint();
    // Also after a refusal: the first tick then ends the dialog.
    timer_->start();
}

void TransmisjaDialog::OnTimer() {
    const Ttransmisja::Result r = transfer_.Tick();
    poszlo_->setText(QString::number(transfer_.SentKb()));
    trackBar_->setValue(static_cast<int>(transfer_.Ticks()));
    poszlo_->repaint();
    if (r != Ttransmisja::Running) {
        timer_->stop();
        done(r);
    }
}

void TransmisjaDialog::done(int result) {
    timer_->stop();
    transfer_.Deactivate();
    activated_ = false;
    QDialog::done(result);
}

void TransmisjaDialog::reject() {
    if (timer_->isActive()) {
        transfer_.RequestBreak();  // the next tick ends the transfer
        return;
    }
    done(Ttransmisja::Failed);
}

}  // namespace vellisk::ui
