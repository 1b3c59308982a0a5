#include "settings/ui/flt_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMetaObject>
#include <QWheelEvent>
#include <cmath>

#include "model/lang_texts.h"
#include "model/length_unit.h"
#include "model/ui/text_width.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/ui/numpad_form.h"

namespace vellisk::ui {

namespace {

// The bounds in the validators' messages: thousands grouped, two decimals.
QString Bound(double v) { return QLocale().toString(v, 'f', 2); }

}  // namespace

// ---- NumberEditBase ----

NumberEditBase::NumberEditBase(QWidget* parent) : QAbstractSpinBox(parent), sep_(LocaleSeparator()) {
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { OnTextEdited(); });
    ShowValue();
}

NumberEditBase::~NumberEditBase() {
    if (settings_) settings_->RemoveListener(listener_);
}

QSize NumberEditBase::minimumSizeHint() const {
    QSize s = QAbstractSpinBox::minimumSizeHint();
    s.setWidth(s.width() + TextWidthOf(QStringLiteral("-10000.00"), 0, font()));
    return s;
}

QSize NumberEditBase::sizeHint() const {
    QSize s = QAbstractSpinBox::sizeHint();
    s.setWidth(std::max(s.width(), minimumSizeHint().width()));
    return s;
}

double NumberEditBase::MinValue() const { return settings_ ? settings_->Minimum(name_) : min_; }
double NumberEditBase::MaxValue() const { return settings_ ? settings_->Maximum(name_) : max_; }

void NumberEditBase::SetMinValue(double v) {
    if (settings_)
        settings_->SetRange(name_, v, settings_->Maximum(name_));
    else
        min_ = v;
}

void NumberEditBase::SetMaxValue(double v) {
    if (settings_)
        settings_->SetRange(name_, settings_->Minimum(name_), v);
    else
        max_ = v;
}

void NumberEditBase::SetPrecision(int p) {
    format_.precision = p;
    ShowValue();
}

void NumberEditBase::SetDigit(int d) {
    format_.digits = d;
    ShowValue();
}

void NumberEditBase::SetDecimalSeparator(char sep) {
    Commit();
    sep_ = sep;
    ShowValue();
}

double NumberEditBase::Stored() const { return settings_ ? settings_->Number(name_) : value_; }

void NumberEditBase::Store(double v) {
    if (!std::isfinite(v)) v = MinValue();
    v = ClampFieldValue(v, MinValue(), MaxValue());
    if (settings_)
        settings_->SetNumber(name_, v);
    else
        value_ = v;
    ShowValue();
}

void NumberEditBase::ShowValue() {
    showing_ = true;
    lineEdit()->setText(QString::fromStdString(FormatFieldValue(ToShown(Stored()), ShownFormat(), sep_)));
    showing_ = false;
    typed_ = false;
}

void NumberEditBase::OnTextEdited() {
    if (!showing_) typed_ = true;
}

void NumberEditBase::Bind(Settings* settings, const std::string& name) {
    if (settings_) settings_->RemoveListener(listener_);
    settings_ = settings;
    name_ = name;
    if (settings_) {
        listener_ = settings_->AddListener([this](const std::string& changed) {
            if (changed == name_)
                QMetaObject::invokeMethod(
                    this, [this] { Refresh(); }, Qt::AutoConnection);
        });
    }
    ShowValue();
}

void NumberEditBase::Refresh() {
    if (!typed_) ShowValue();
}

void NumberEditBase::DiscardTyped() {
    typed_ = false;
    ShowValue();
}

void NumberEditBase::Commit() {
    if (!typed_) return;
    typed_ = false;
    const auto x = ReadFieldText(lineEdit()->text().toStdString(), sep_);
    Store(x ? FromShown(*x) : MinValue());
}

double NumberEditBase::Value() {
    Commit();
    return Stored();
}

void NumberEditBase::SetValue(double v) {
    typed_ = false;
    Store(v);
}

void NumberEditBase::stepBy(int steps) {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    Commit();
    const double v = Stored();
    Store(v + steps * StepFor(ToShown(v)));
}

void NumberEditBase::focusOutEvent(QFocusEvent* e) {
    QAbstractSpinBox::focusOutEvent(e);
    Commit();
    // a value that a later range no longer admits is limited when the field is left
    if (ClampFieldValue(Stored(), MinValue(), MaxValue()) != Stored()) Store(Stored());
}

void NumberEditBase::wheelEvent(QWheelEvent* e) {
    // turning the wheel towards the operator counts up
    const int dy = e->angleDelta().y();
    if (dy < 0)
        stepBy(1);
    else if (dy > 0)
        stepBy(-1);
    e->accept();
}

void NumberEditBase::mouseDoubleClickEvent(QMouseEvent* e) {
    if (KeypadOnDoubleClick() && isEnabled()) {
        RunKeypad(false, false);
        e->accept();
        return;
    }
    QAbstractSpinBox::mouseDoubleClickEvent(e);
}

bool NumberEditBase::RunKeypad(bool big, bool ownForm) {
    TNumPadForm* pad = ownForm ? new TNumPadForm(this) : TNumPadForm::Shared();
    if (ownForm) pad->BigLayout = big;
    const bool ok = pad->Open(mapToGlobal(QPoint(0, 0)));
    const QString text = pad->Text();
    if (ownForm) pad->deleteLater();
    if (!ok) return false;
    lineEdit()->setText(text);
    typed_ = true;
    Commit();
    return true;
}

// ---- TFltEdit ----

TFltEdit::TFltEdit(QWidget* parent) : NumberEditBase(parent) {}

void TFltEdit::mousePressEvent(QMouseEvent* e) {
    if (JedenKlikKalkulator && isEnabled()) {
        RunKeypad(BigNumPad, true);
        e->accept();
        return;
    }
    NumberEditBase::mousePressEvent(e);
}

void TFltEdit::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!JedenKlikKalkulator && isEnabled()) {
        RunKeypad(BigNumPad, true);
        e->accept();
        return;
    }
    NumberEditBase::mouseDoubleClickEvent(e);
}

namespace {

QString Lang(TextId id) { return QString::fromStdString(LangText(id, kLangPolish)); }

void Complain(QWidget* field, const QString& text) {
    field->setFocus();
    QMessageBox::critical(field, Lang(TextId::FieldErrorCaption), text);
}

}  // namespace

bool TFltEdit::Filled() {
    if (!lineEdit()->text().trimmed().isEmpty()) return true;
    Complain(this, Lang(TextId::FieldFillIn) + NzwPola + "«");
    return false;
}

bool TFltEdit::ValidateReal() {
    if (!Filled()) return false;
    const double v = Value();
    if (MinValue() != MaxValue() && (v < MinValue() || v > MaxValue())) {
        Complain(this, Lang(TextId::FieldInPrefix) + NzwPola + Lang(TextId::FieldOutOfRange) +
                           "\r\n( min= " + Bound(MinValue()) + "; max= " + Bound(MaxValue()) + " )");
        return false;
    }
    return true;
}

bool TFltEdit::ValidateInteger() {
    if (!Filled()) return false;
    const double v = Value();
    if (v != std::floor(v)) {
        QString msg = Lang(TextId::FieldInPrefix) + NzwPola + Lang(TextId::FieldWholeNumber);
        if (MinValue() != MaxValue())
            msg += "\r\n" + Lang(TextId::FieldAllowedRange) + Bound(MinValue()) + "; max= " + Bound(MaxValue()) + " )";
        Complain(this, msg);
        return false;
    }
    return ValidateReal();
}

// ---- TFltEditU ----

TFltEditU::TFltEditU(QWidget* parent) : TFltEdit(parent) {}

double TFltEditU::ToShown(double v) const { return MmToUnit(unit_, v); }
double TFltEditU::FromShown(double v) const { return UnitToMm(unit_, v); }

double TFltEditU::StepFor(double shown) {
    // a fixed step is kept in millimetres, so it means the same length in every unit
    if (LiniowyInkrement) return Increment();
    const double step = AdjustIncrement(shown, unit_);
    SetIncrement(step);
    return step;
}

void TFltEditU::SetUnit(int unit) {
    Commit();
    unit_ = unit >= kUnitMm && unit <= kUnitFoot ? unit : kUnitMm;
    format_.digits = UnitDigits(format_.digits, unit_);
    ShowValue();
}

void TFltEditU::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        e->ignore();  // left to the dialog's default button
        return;
    }
    if ((e->modifiers() & Qt::KeypadModifier) && (key == Qt::Key_Period || key == Qt::Key_Comma)) {
        if (!isEnabled() || isReadOnly()) return;
        lineEdit()->insert(QString(QChar(DecimalSeparator())));
        OnTextEdited();
        e->accept();
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const char32_t c = text.toUcs4().value(0);
        if (c != 127 && !IsValidFieldChar(c, DecimalSeparator(), isEnabled())) {
            QApplication::beep();
            e->accept();
            return;
        }
    }
    TFltEdit::keyPressEvent(e);
}

void TFltEditU::mouseDoubleClickEvent(QMouseEvent* e) {
    if (isEnabled()) {
        RunKeypad(false, false);  // the shared keypad
        e->accept();
        return;
    }
    NumberEditBase::mouseDoubleClickEvent(e);
}

// ---- TFloatEdit ----

TFloatEdit::TFloatEdit(QWidget* parent) : NumberEditBase(parent) {}

}  // namespace vellisk::ui
