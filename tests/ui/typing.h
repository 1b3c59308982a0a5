#pragma once
// Typing into a field as the operator does: focus, select all (Ctrl+A), then the keys.
#include <QString>
#include <QTest>
#include <QWidget>

namespace vellisk::test {

inline void Type(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

}  // namespace vellisk::test
