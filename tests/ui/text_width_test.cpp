#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTableWidget>

#include "model/ui/text_width.h"

using namespace vellisk::ui;

TEST(TextWidth, MeasuresWithTwoBlanksEachSideAndCapsOnlyByAPositiveLimit) {
    QFont font;
    const int plain = QFontMetrics(font).horizontalAdvance("  Depth [mm]  ");
    EXPECT_EQ(TextWidthOf("Depth [mm]", 0, font), plain);
    EXPECT_GT(TextWidthOf("Depth [mm]", 0, font), TextWidthOf("Depth", 0, font));
    EXPECT_EQ(TextWidthOf("Depth [mm]", 10, font), 10);
    EXPECT_EQ(TextWidthOf("Depth [mm]", plain + 50, font), plain);
    EXPECT_EQ(TextWidthOf("Depth [mm]", -5, font), plain);
}

TEST(TextWidth, GridColumnsWidenButNeverNarrow) {
    QTableWidget grid(2, 3);
    grid.setItem(1, 0, new QTableWidgetItem("a rather long caption for a column"));
    grid.setItem(1, 1, new QTableWidgetItem("x"));
    grid.setItem(1, 2, new QTableWidgetItem("another long caption text"));
    grid.setColumnWidth(0, 5);
    grid.setColumnWidth(1, 400);
    grid.setColumnWidth(2, 5);
    const int narrow = grid.columnWidth(2);  // the header's smallest section
    FitGridColumns(grid, 0, 1, 1);
    EXPECT_EQ(grid.columnWidth(0), TextWidthOf("a rather long caption for a column", 0, grid.font()));
    EXPECT_EQ(grid.columnWidth(1), 400);
    EXPECT_EQ(grid.columnWidth(2), narrow);  // outside first..last
    FitGridColumns(grid, 2, 1, 1);           // last before first: nothing
    EXPECT_EQ(grid.columnWidth(2), narrow);
    FitGridColumns(grid, 2, 2, 1);
    EXPECT_GT(grid.columnWidth(2), narrow);
}
