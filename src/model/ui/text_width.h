#pragma once
// Text measuring for dialogs and grids, with the GUI's own fonts.
#include <QFont>
#include <QString>

class QTableWidget;
class QWidget;

namespace vellisk::ui {

// Width in pixels of the text with two blanks on each side, as drawn in `font`; when
// 0 < limit < that width, the limit.
int TextWidthOf(const QString& text, int limit, const QFont& font);

// Widens each column first..last of the grid that is narrower than the text of its cell in
// `row` (measured as TextWidthOf with no limit, in the grid's font); never narrows a column.
// Nothing happens when last < first.
void FitGridColumns(QTableWidget& grid, int first, int last, int row);

// Keeps a window at least as wide as its title needs beside the title bar's buttons, so that a
// window whose content is small still shows its whole title. Call after the title is set.
void KeepTitleReadable(QWidget& window);

}  // namespace vellisk::ui
