#include "app/ui/about_box.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "app/about_texts.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"

namespace vellisk::ui {

namespace {

QLabel* LinkLabel(const char* name, const char* url, QWidget* parent) {
    auto* l = new QLabel(QString("<a href=\"%1\">%1</a>").arg(url), parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::RichText);
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    QObject::connect(l, &QLabel::linkActivated, l, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    return l;
}

}  // namespace

TAboutBox::TAboutBox(MachineContext& ctx, const ProgramEnvironment& env, std::function<bool()> readMachine,
                     QWidget* parent)
    : QDialog(parent), ctx_(ctx), env_(env), readMachine_(std::move(readMachine)) {
    setObjectName("AboutBox");
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* title = new QLabel(this);
    title->setObjectName("Label1");
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    labels_["Label1"] = title;
    outer->addWidget(title);
    auto* verRow = new QHBoxLayout;
    for (const char* n : {"Label2", "ver"}) {
        auto* l = new QLabel(this);
        l->setObjectName(n);
        labels_[n] = l;
        verRow->addWidget(l);
    }
    verRow->addStretch();
    outer->addLayout(verRow);

    group_ = new QGroupBox(this);
    group_->setObjectName("GroupBox1");
    group_->installEventFilter(this);
    auto* grid = new QGridLayout(group_);
    Pair(grid, 0, "Label3", "prod");
    Pair(grid, 1, "Label4", "model");
    Pair(grid, 2, "Label8", "obszar");
    Pair(grid, 3, "Label5", "dataprod");
    Pair(grid, 4, "Label6", "przebieg");
    Pair(grid, 5, "Label7", "ilpl");
    outer->addWidget(group_);
    outer->addWidget(LinkLabel("lDranholt_www", kMakerUrl, this));

    dealer_ = new QWidget(this);
    dealer_->setObjectName("pDealer");
    auto* d = new QVBoxLayout(dealer_);
    d->addWidget(LinkLabel("lDealer_www", kDealerUrl, dealer_));
    auto* picture = new QLabel(dealer_);
    picture->setObjectName("Image1");
    picture->setMinimumHeight(120);
    picture->setCursor(Qt::PointingHandCursor);
    picture->installEventFilter(this);
    d->addWidget(picture);
    outer->addWidget(dealer_);
    dealer_->hide();
    outer->addStretch();
}

QLabel* TAboutBox::Pair(QGridLayout* grid, int row, const char* labelName, const char* valueName) {
    auto* l = new QLabel(group_);
    l->setObjectName(labelName);
    auto* v = new QLabel(group_);
    v->setObjectName(valueName);
    labels_[labelName] = l;
    labels_[valueName] = v;
    grid->addWidget(l, row, 0);
    grid->addWidget(v, row, 1);
    return v;
}

QLabel* TAboutBox::Value(const QString& name) const {
    auto it = labels_.find(name);
    return it == labels_.end() ? nullptr : it->second;
}

void TAboutBox::FormActivate() {
    auto T = [this](TextId id) { return QString::fromStdString(env_.Text(id)); };
    setWindowTitle(T(TextId::AboutCaption));
    labels_["Label1"]->setText(T(TextId::AboutTitle));
    labels_["Label2"]->setText(T(TextId::AboutVersion));
    group_->setTitle(T(TextId::AboutMachineGroup));
    labels_["Label3"]->setText(T(TextId::AboutProducer));
    labels_["Label4"]->setText("Model :");
    labels_["Label8"]->setText(T(TextId::AboutWorkArea));
    labels_["Label5"]->setText(T(TextId::AboutProductionDate));
    labels_["Label6"]->setText(T(TextId::AboutWorkTime));
    labels_["Label7"]->setText(T(TextId::AboutFileCount));
    bool answered = false;
    try {
        answered = readMachine_ && readMachine_();
    } catch (const std::exception&) {
        answered = false;
    }
    const AboutTexts t = MakeAboutTexts(ctx_, env_, answered);
    const std::pair<const char*, const std::string*> values[] = {
        {"ver", &t.ver},           {"prod", &t.prod},         {"model", &t.model}, {"obszar", &t.obszar},
        {"dataprod", &t.dataprod}, {"przebieg", &t.przebieg}, {"ilpl", &t.ilpl}};
    for (const auto& [name, text] : values) labels_[name]->setText(QString::fromStdString(*text));
    dealer_->setVisible(t.dealerPanel);
    adjustSize();
    setFixedSize(sizeHint());
}

void TAboutBox::showEvent(QShowEvent* e) {
    FormActivate();
    QDialog::showEvent(e);
}

void TAboutBox::keyPressEvent(QKeyEvent*) { accept(); }

void TAboutBox::mousePressEvent(QMouseEvent*) { accept(); }

bool TAboutBox::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        if (watched == group_) {
            accept();
            return true;
        }
        if (watched->objectName() == "Image1") {
            QDesktopServices::openUrl(QUrl(kDealerUrl));
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

}  // namespace vellisk::ui
