#include "model/layers.h"

#include <gtest/gtest.h>

namespace vellisk {
namespace {

tfigura Fig(std::int32_t layer, double value = 0.0, std::int32_t speed = 0) {
    tfigura f;
    f.Layer = layer;
    f.Value = value;
    f.Speed = speed;
    return f;
}

TEST(ColourTables, PensRepeatEveryEightAndPenZeroIsBlack) {
    EXPECT_EQ(HpglPenColor(1), 0x000000);
    EXPECT_EQ(HpglPenColor(9), 0x000000);
    EXPECT_EQ(HpglPenColor(17), 0x000000);
    EXPECT_EQ(HpglPenColor(8), 0x000080);
    EXPECT_EQ(HpglPenColor(2), 0xFF0000);  // blue in red + green*256 + blue*65536
    EXPECT_EQ(HpglPenColor(10), 0xFF0000);
    EXPECT_EQ(HpglPenColor(0), 0x000000);
    EXPECT_EQ(HpglPenColor(-3), 0x000000);
    EXPECT_EQ(HpglPenColor(1000), HpglPenColor(8));
}

TEST(ColourTables, AciPaletteSpotValuesAndOutOfRange) {
    auto rgb = [](int r, int g, int b) { return r + g * 256 + b * 65536; };
    EXPECT_EQ(AciToColor(-1), 0);
    EXPECT_EQ(AciToColor(256), 0);
    EXPECT_EQ(AciToColor(1), rgb(255, 0, 0));
    EXPECT_EQ(AciToColor(2), rgb(255, 255, 0));
    EXPECT_EQ(AciToColor(5), rgb(0, 0, 255));
    EXPECT_EQ(AciToColor(7), rgb(255, 255, 255));
    EXPECT_EQ(AciToColor(8), rgb(65, 65, 65));
    EXPECT_EQ(AciToColor(9), rgb(128, 128, 128));
    EXPECT_EQ(AciToColor(10), rgb(255, 0, 0));
    EXPECT_EQ(AciToColor(11), rgb(255, 170, 170));
    EXPECT_EQ(AciToColor(12), rgb(189, 0, 0));
    EXPECT_EQ(AciToColor(13), rgb(189, 126, 126));
    EXPECT_EQ(AciToColor(14), rgb(129, 0, 0));
    EXPECT_EQ(AciToColor(15), rgb(129, 86, 86));
    EXPECT_EQ(AciToColor(30), rgb(255, 127, 0));
    EXPECT_EQ(AciToColor(50), rgb(255, 255, 0));
    EXPECT_EQ(AciToColor(100), rgb(0, 255, 63));
    EXPECT_EQ(AciToColor(200), rgb(191, 0, 255));
    EXPECT_EQ(AciToColor(249), rgb(79, 53, 59));
    const int greys[6] = {51, 80, 105, 130, 190, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(AciToColor(250 + i), rgb(greys[i], greys[i], greys[i]));
    EXPECT_EQ(ColorOfIndex(3, KindHpgl), 0x0000FF);
    EXPECT_EQ(ColorOfIndex(3, KindDxf), rgb(0, 255, 0));
    EXPECT_EQ(ColorOfIndex(3, KindGcode), 0);
}

TEST(ColourTables, RgbSplitAndMake) {
    std::uint8_t r = 0, g = 0, b = 0;
    SplitRgb(0x123456, r, g, b);
    EXPECT_EQ(r, 0x56);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x12);
    EXPECT_EQ(MakeRgb(0x56, 0x34, 0x12), 0x123456);
}

TEST(LayerTable, HpglMillingLayersTakeTheLastFiguresValues) {
    tfigura a = Fig(3, 1.0, 100), b = Fig(3, 2.5, 300), c = Fig(1, 0.5, 50);
    std::vector<tfigura*> figs{&a, &b, &c};
    tWarstwy t(figs, KindHpgl, 9.0, 999, false);
    EXPECT_DOUBLE_EQ(t.GetDepth(3), 2.5);
    EXPECT_EQ(t.GetSpeed(3), 300);
    EXPECT_TRUE(t.IsActive(3));
    EXPECT_EQ(t.Slot(3).Colour, 0x0000FF);
    EXPECT_EQ(t.LayerCount(), 2);
    // On a laser every layer takes the arguments.
    tWarstwy laser(figs, KindHpgl, 40.0, 700, true);
    EXPECT_DOUBLE_EQ(laser.GetPower(3), 40.0);
    EXPECT_EQ(laser.GetSpeed(1), 700);
}

TEST(LayerTable, DxfColoursListedInAscendingOrder) {
    tfigura a = Fig(7), b = Fig(1), c = Fig(7);
    std::vector<tfigura*> figs{&a, &b, &c};
    tWarstwy t(figs, KindDxf, 1.5, 500, false);
    EXPECT_EQ(t.LayerCount(), 2);
    const auto list = t.GetLayerList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Number, 1);
    EXPECT_EQ(list[1].Number, 7);
    EXPECT_EQ(list[0].Used, 0);
    EXPECT_EQ(list[1].Colour, 0xFFFFFF);
    EXPECT_DOUBLE_EQ(list[1].Value, 1.5);
    EXPECT_EQ(list[1].Speed, 500);
    TLayerRecord r = list[1];
    r.Value = 3.0;
    r.Speed = 42;
    r.Active = 0;
    r.Number = 99;  // number and colour stay the slot's own
    t.SetLayer(7, r);
    EXPECT_DOUBLE_EQ(t.GetDepth(7), 3.0);
    EXPECT_EQ(t.GetSpeed(7), 42);
    EXPECT_FALSE(t.IsActive(7));
    EXPECT_EQ(t.Slot(7).Number, 7);
}

TEST(LayerTable, NumbersOutsideTheTableAreKeptInside) {
    tfigura a = Fig(-5), b = Fig(5000), c = Fig(0), d = Fig(std::numeric_limits<std::int32_t>::min());
    std::vector<tfigura*> figs{&a, &b, &c, &d};
    tWarstwy t(figs, KindHpgl, 0, 0, false);
    EXPECT_TRUE(t.Slot(5).Used);
    EXPECT_TRUE(t.Slot(1024).Used);
    EXPECT_TRUE(t.Slot(0).Used);
    EXPECT_EQ(t.Slot(0).Colour, 0);  // pen 0: black
    EXPECT_TRUE(t.IsActive(5000));
    EXPECT_FALSE(t.IsActive(77));
}

TEST(LayerTable, DefaultLayerForHatchLines) {
    tWarstwy empty;
    EXPECT_EQ(empty.LayerCount(), 0);
    empty.AddDefaultLayer(KindHpgl);
    EXPECT_TRUE(empty.Slot(1).Used);
    EXPECT_EQ(empty.Slot(1).Number, 1);
    EXPECT_EQ(empty.Slot(1).Colour, 0);
    EXPECT_DOUBLE_EQ(empty.GetDepth(1), 0.0);
    EXPECT_EQ(empty.GetSpeed(1), 0);
    EXPECT_TRUE(empty.IsActive(1));
    tWarstwy dxf;
    dxf.AddDefaultLayer(KindDxf);
    EXPECT_TRUE(dxf.Slot(0).Used);
    EXPECT_FALSE(dxf.Slot(1).Used);
    // A pen the drawing uses keeps its depth and speed.
    tfigura a = Fig(1, 2.0, 250);
    std::vector<tfigura*> figs{&a};
    tWarstwy used(figs, KindHpgl, 0, 0, false);
    used.AddDefaultLayer(KindHpgl);
    EXPECT_DOUBLE_EQ(used.GetDepth(1), 2.0);
    EXPECT_EQ(used.GetSpeed(1), 250);
}

}  // namespace
}  // namespace vellisk
