#include "model/ui/text_width.h"

#include <QApplication>
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

void KeepTitleReadable(QWidget& window) {
    // The title bar's font is the window manager's; the application's bold font comes close.
    QFont font = QApplication::font();
    font.setBold(true);
    constexpr int kTitleButtons = 120;  // icon, minimise, maximise and close, with their gaps
    const int needed = QFontMetrics(font).horizontalAdvance(window.windowTitle()) + kTitleButtons;
    if (window.minimumWidth() < needed) window.setMinimumWidth(needed);
}

}  // namespace vellisk::ui
