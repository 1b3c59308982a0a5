#include "model/ui/text_width.h"

#include <QFontMetrics>
#include <QTableWidget>

namespace vellisk::ui {

int TextWidthOf(const QString& text, int limit, const QFont& font) {
    const int width = QFontMetrics(font).horizontalAdvance(QStringLiteral("  ") + text + QStringLiteral("  "));
    if (limit > 0 && limit < width) return limit;
    return width;
}

void FitGridColumns(QTableWidget& grid, int first, int last, int row) {
    for (int column = first; column <= last; ++column) {
        if (column < 0 || column >= grid.columnCount()) continue;
        const QTableWidgetItem* cell = grid.item(row, column);
        const int needed = TextWidthOf(cell ? cell->text() : QString(), 0, grid.font());
        if (grid.columnWidth(column) < needed) grid.setColumnWidth(column, needed);
    }
}

}  // namespace vellisk::ui
