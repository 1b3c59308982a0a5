#pragma once
// The machine dialogs' number fields are as wide as a full length with its decimals, so a
// coordinate or a tool length is seen whole, not cut to its first digit.
#include <QWidget>

#include "model/ui/text_width.h"

namespace vellisk::ui {

inline void WidenForLengths(QWidget* field) {
    field->setMinimumWidth(field->minimumSizeHint().width() +
                           TextWidthOf(QStringLiteral("-10000.00"), 0, field->font()));
}

}  // namespace vellisk::ui
