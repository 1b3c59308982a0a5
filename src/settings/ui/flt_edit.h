#pragma once
// Number edit fields: an edit box with up and down buttons for real numbers.
//  - TFltEdit: range, format, keypad options and the validators;
//  - TFltEditU: lengths and speeds; keeps millimetres and shows them in its display unit, steps
//    by a tenth of the leading decimal place of the shown value, takes only number characters;
//  - TFloatEdit: plain numbers with a fixed step.
// A field either holds its own value or is a view of one setting of a Settings object (Bind):
// the setting holds the value, the field shows it and writes what the operator typed back.
// The value is never re-read from the shown (rounded) text unless the operator typed it.
#include <QAbstractSpinBox>
#include <QString>
#include <string>

#include "settings/edit_field.h"

namespace vellisk {
class Settings;
}

namespace vellisk::ui {

// What TFltEdit and TFloatEdit share.
class NumberEditBase : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit NumberEditBase(QWidget* parent = nullptr);
    ~NumberEditBase() override;

    // Range (equal bounds: no range), step and text format.
    double MinValue() const;
    double MaxValue() const;
    void SetMinValue(double v);
    void SetMaxValue(double v);
    double Increment() const { return increment_; }
    void SetIncrement(double v) { increment_ = v; }
    int Precision() const { return format_.precision; }
    int Digit() const { return format_.digits; }
    void SetPrecision(int p);
    void SetDigit(int d);

    // The value (millimetres for a TFltEditU). Reading does not limit it to the range; a text
    // the operator typed counts as soon as it is read.
    double Value();
    // Writes the value limited to the range and shows it.
    void SetValue(double v);

    // Shows a setting of the object; typed values go back into it (limited to its range).
    void Bind(Settings* settings, const std::string& name);
    const std::string& BoundName() const { return name_; }

    // Takes typed text into the value (as when the field is left).
    void Commit();
    // Shows the value again (after the bound setting changed).
    void Refresh();
    // Forgets typed but not yet taken text and shows the value.
    void DiscardTyped();

    // The decimal separator (the locale's unless set).
    char DecimalSeparator() const { return sep_; }
    void SetDecimalSeparator(char sep);

    void stepBy(int steps) override;
    // Never narrower than a whole length with its decimals: the spin box alone sizes itself for a
    // few characters, which cut a coordinate to its first digit.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

    // The shown number for a stored value and back (plain fields: the same).
    virtual double ToShown(double v) const { return v; }
    virtual double FromShown(double v) const { return v; }
    // The step before an up or down step.
    virtual double StepFor(double) { return increment_; }
    // Whether a double click opens the keypad.
    virtual bool KeypadOnDoubleClick() const { return true; }
    // Shows the keypad at the field and takes its text (true when OK was pressed).
    bool RunKeypad(bool big, bool ownForm);

    double Stored() const;
    void Store(double v);
    void ShowValue();
    void OnTextEdited();
    FieldFormat ShownFormat() const { return format_; }
    FieldFormat format_{};

private:
    double min_ = 0, max_ = 0, increment_ = 1;
    double value_ = 0;
    bool typed_ = false;
    bool showing_ = false;
    char sep_;
    Settings* settings_ = nullptr;
    std::string name_;
    int listener_ = 0;
};

class TFltEdit : public NumberEditBase {
    Q_OBJECT
public:
    explicit TFltEdit(QWidget* parent = nullptr);

    QString NzwPola;                   // the field's name in the validators' messages
    bool BigNumPad = false;            // the keypad opens in its large layout
    bool JedenKlikKalkulator = false;  // a single click opens the keypad

    // True when the field holds an acceptable real / whole number; otherwise focuses the field
    // and shows why.
    bool ValidateReal();
    bool ValidateInteger();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    // False (after the message) when the field is empty.
    bool Filled();
};

class TFltEditU : public TFltEdit {
    Q_OBJECT
public:
    explicit TFltEditU(QWidget* parent = nullptr);

    int sunit() const { return unit_; }
    // The display unit (0 mm, 1 inch, 2 foot): the millimetre value stays, the text follows.
    void SetUnit(int unit);
    bool LiniowyInkrement = false;  // a fixed step (Increment, in millimetres) instead of the adaptive one

protected:
    double ToShown(double v) const override;
    double FromShown(double v) const override;
    double StepFor(double shown) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    int unit_ = 0;
};

class TFloatEdit : public NumberEditBase {
    Q_OBJECT
public:
    explicit TFloatEdit(QWidget* parent = nullptr);
};

}  // namespace vellisk::ui
