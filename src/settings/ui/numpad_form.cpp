#include "settings/ui/numpad_form.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <utility>

namespace vellisk::ui {

namespace {

// Key names in the order of the rows of the keypad, left to right.
const char* const kKeyGrid[4][4] = {
    {"Button7", "Button8", "Button9", "ButtonC"},
    {"Button4", "Button5", "Button6", "ButtonCE"},
    {"Button1", "Button2", "Button3", "ButtonCancel"},
    {"Button0", "ButtonMinus", "Buttonp", "ButtonOK"},
};

}  // namespace

char LocaleSeparator() {
    const QString p = QLocale().decimalPoint();
    return p.size() == 1 && p[0].unicode() < 128 ? static_cast<char>(p[0].unicode()) : '.';
}

TNumPadForm::TNumPadForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("NumPadForm");
    setModal(true);
    QFont f("MS Sans Serif");
    setFont(f);
    display_ = new QLabel(this);
    display_->setObjectName("Display");
    display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (auto& row : kKeyGrid) {
        for (const char* name : row) {
            auto* b = new QPushButton(this);
            b->setObjectName(name);
            b->setAutoDefault(false);
            b->setFocusPolicy(Qt::NoFocus);
            const QString n(name);
            if (n.startsWith("Button") && n.size() == 7 && n[6].isDigit()) {
                const int d = n[6].digitValue();
                b->setText(QString::number(d));
                connect(b, &QPushButton::clicked, this, [this, d] {
                    text_.Digit(d);
                    Update();
                });
            }
        }
    }
    Key("Buttonp")->setText(",");
    Key("ButtonMinus")->setText("-");
    Key("ButtonC")->setText("C");
    Key("ButtonCE")->setText("CE");
    Key("ButtonOK")->setText("OK");
    Key("ButtonCancel")->setText("Cancel");
    const std::pair<const char*, void (NumPadText::*)()> edits[] = {{"Buttonp", &NumPadText::Point},
                                                                    {"ButtonMinus", &NumPadText::Minus},
                                                                    {"ButtonC", &NumPadText::Clear},
                                                                    {"ButtonCE", &NumPadText::ClearEntry}};
    for (const auto& [name, edit] : edits) {
        connect(Key(name), &QPushButton::clicked, this, [this, edit] {
            (text_.*edit)();
            Update();
        });
    }
    connect(Key("ButtonOK"), &QPushButton::clicked, this, &QDialog::accept);
    connect(Key("ButtonCancel"), &QPushButton::clicked, this, &QDialog::reject);
    SetSmallLayout();
}

TNumPadForm* TNumPadForm::Shared() {
    static QPointer<TNumPadForm> shared;
    if (!shared) shared = new TNumPadForm();
    return shared;
}

QPushButton* TNumPadForm::Key(const QString& name) const { return findChild<QPushButton*>(name); }

QString TNumPadForm::Text() const { return QString::fromStdString(text_.Text()); }

void TNumPadForm::Update() {
    const QString t = Text();
    setWindowTitle(t);
    display_->setText(t);
}

void TNumPadForm::SetSmallLayout() {
    // keys 22 x 22 in columns 8, 32, 56; the right column 41 x 22 at 80; below them the display
    const int cols[4] = {8, 32, 56, 80};
    const int rows[4] = {8, 32, 56, 80};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) Key(kKeyGrid[r][c])->setGeometry(cols[c], rows[r], c == 3 ? 41 : 22, 22);
    // the typed text is also shown in a row below the keys: many window managers shorten or
    // hide a title this small
    display_->setGeometry(8, 104, 113, 22);
    setFixedSize(129, 134);
}

void TNumPadForm::SetBigLayout() {
    const int pos[4] = {8, 80, 152, 224};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) Key(kKeyGrid[r][c])->setGeometry(pos[c], pos[r], 57, 57);
    display_->setGeometry(8, 289, 273, 22);
    setFixedSize(298, 318);
}

void TNumPadForm::Activate() {
    text_.SetSeparator(LocaleSeparator());
    text_.Clear();
    Update();
    if (BigLayout) SetBigLayout();
    Key("Buttonp")->setText(QString(QChar(text_.Separator())));
    if (placeAtOrigin_) {
        QScreen* screen = QGuiApplication::screenAt(origin_);
        if (!screen) screen = QGuiApplication::primaryScreen();
        const QRect s = screen ? screen->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
        const auto p = PlaceNumPad(origin_.x(), origin_.y(), width(), height(), s.x() + s.width(), s.y() + s.height());
        move(p.left, p.top);
    }
}

void TNumPadForm::showEvent(QShowEvent* e) {
    Activate();
    QDialog::showEvent(e);
}

bool TNumPadForm::Open(const QPoint& at) {
    origin_ = at;
    placeAtOrigin_ = true;
    return exec() == QDialog::Accepted;
}

}  // namespace vellisk::ui
