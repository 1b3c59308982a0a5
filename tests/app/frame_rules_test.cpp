#include <gtest/gtest.h>

#include "app/about_texts.h"
#include "app/frame_rules.h"
#include "app/shutdown_rules.h"
#include "machine_link/machine_context.h"
#include "support/machine_rig.h"

using namespace vellisk;

TEST(FrameRules, EnablingRulesForEachProjectKindAndZoom) {
    struct Row {
        FrameState s;
        bool start, simButton, selected, layersCut, hatching, zoom;
    };
    const Row rows[] = {
        // nothing open: only the unconditional items stay enabled
        {{0, 0, 1, true, 1}, false, false, false, false, false, false},
        {{1, KindHpgl, 1, true, 0}, true, true, true, false, true, true},
        {{1, KindDxf, 3, true, 1}, true, false, true, true, true, true},
        {{2, KindGcode, 1, true, 1}, true, true, false, false, false, false},
        {{1, KindBitmap, 1, true, 1}, true, true, true, true, false, false},
        {{1, KindHpgl, 1, false, 1}, true, true, true, false, true, true},  // no configuration yet
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "drawings " << r.s.drawings << " kind " << r.s.activeKind << " zoom "
                                        << r.s.activeZoom);
        const MenuEnabling e = UpdateMenuItems(r.s);
        const bool any = r.s.drawings > 0;
        EXPECT_EQ(e.SpeedStart, r.start);
        for (bool b : {e.FileCloseItem, e.Symulacja, e.WindowCascadeItem, e.WindowTileItem, e.Widok, e.Window1, e.info,
                       e.mWarstwy})
            EXPECT_EQ(b, any);
        EXPECT_EQ(e.SpeedSymulacja, r.simButton);
        EXPECT_EQ(e.Tnijwybran1, r.selected);
        EXPECT_EQ(e.Startodwybranej1, r.selected);
        EXPECT_EQ(e.nijwybranewarstwy1, r.layersCut);
        EXPECT_EQ(e.mKreskowanie, r.hatching);
        EXPECT_EQ(e.Zoom, r.zoom);
    }
}

TEST(FrameRules, ZoomStepsViewOptionsFiltersAndSaveName) {
    EXPECT_EQ(ZoomInStep(10), 10);
    EXPECT_EQ(ZoomInStep(3), 4);
    EXPECT_EQ(ZoomOutStep(1), 1);
    EXPECT_EQ(ZoomOutStep(2), 1);

    ViewOptions v;
    ChangeViewAtribute(v, ViewItem::Kolejnosc);
    ChangeViewAtribute(v, ViewItem::Kolejnosc);
    EXPECT_EQ(v, (ViewOptions{false, true, false, true}));
    ChangeViewAtribute(v, ViewItem::Punktywej);
    EXPECT_EQ(v, (ViewOptions{false, true, false, false}));

    EXPECT_EQ(OpenFilter(false), "HPGL|*.plt|DXF R12|*.dxf|G Code|*.nc");
    EXPECT_EQ(OpenFilter(true), "HPGL|*.plt|DXF R12|*.dxf|BMP|*.bmp");
    EXPECT_EQ(SaveAsDefaultName("/home/op/plates.v2.plt"), "plates");
    // A folder longer than the state record's field is kept whole in the program.
    const std::string deep = "/" + std::string(120, 'd');
    EXPECT_EQ(FolderOfFile(deep + "/a.plt"), deep);
}

TEST(StartupRules, NinetyFiveInFirstOrSecondPlaceLeavesOutTheUsbLink) {
    EXPECT_TRUE(UsbLinkWanted({"vellisk"}));
    EXPECT_FALSE(UsbLinkWanted({"vellisk", "95"}));
    EXPECT_FALSE(UsbLinkWanted({"vellisk", "PL", "95"}));
    EXPECT_TRUE(UsbLinkWanted({"vellisk", "PL", "SK", "95"}));
    EXPECT_TRUE(UsbLinkWanted({"vellisk", "095"}));
    EXPECT_TRUE(UsbLinkWanted({"vellisk", "95a"}));
    EXPECT_TRUE(UsbLinkWanted({"95"}));  // the program's own name does not count
}

TEST(StartupRules, CloseQuery) {
    EXPECT_EQ(CloseQuery({false, false, false, false}), CloseAnswer::Allow);
    EXPECT_EQ(CloseQuery({true, true, false, false}), CloseAnswer::RefuseStreaming);
    EXPECT_EQ(CloseQuery({true, true, true, false}), CloseAnswer::StopStreamAndAllow);
    EXPECT_EQ(CloseQuery({false, true, false, false}), CloseAnswer::Allow);  // no stream off the newer link
    EXPECT_EQ(CloseQuery({false, false, false, true}), CloseAnswer::RefuseTransfer);
}

TEST(AboutTexts, MachineValuesAndNoData) {
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    machine.ctx.PlotState.Producer = "Dranholt";
    machine.ctx.PlotState.Model = "HYG 1530";
    machine.ctx.PlotState.ProductionDate = "20231207";
    machine.ctx.PlotState.RunMinutes = 125;
    machine.ctx.PlotState.FileCount = 42;
    machine.ctx.WorkAreaX = 600.4;
    machine.ctx.WorkAreaY = 399.6;
    AboutTexts t = MakeAboutTexts(machine.ctx, machine.env, true);
    EXPECT_EQ(t.przebieg, "2 hour  5 min ");
    EXPECT_EQ(t.obszar, "600x400");
    EXPECT_EQ(t.dataprod, "2023.12.07");
    EXPECT_EQ(t.ilpl, "42");
    EXPECT_EQ(t.model, "HYG 1530");
    EXPECT_FALSE(t.dealerPanel);
    EXPECT_EQ(WorkAreaText(600.5, 401.5), "600x402");  // halves to even
    EXPECT_EQ(ProductionDateText("2023120", "No data"), "No data");
    EXPECT_EQ(ProductionDateText("", "No data"), "No data");

    machine.env.Lang.CountryCode = 886;
    t = MakeAboutTexts(machine.ctx, machine.env, false);
    EXPECT_TRUE(t.dealerPanel);
    for (const std::string* s : {&t.prod, &t.model, &t.obszar, &t.dataprod, &t.przebieg, &t.ilpl})
        EXPECT_EQ(*s, "No data");
    EXPECT_EQ(t.ver, GetVersionString(true, true));
    EXPECT_EQ(std::count(t.ver.begin(), t.ver.end(), '.'), 3);
}

TEST(FrameRules, AChangeThatShapesToolPathsPreparesTheVectorDrawingsAgainLastWindowFirst) {
    const int kinds[] = {KindHpgl, KindGcode, KindDxf, KindBitmap, KindHpgl};
    EXPECT_EQ(DrawingsToReprepare(true, kinds), (std::vector<std::size_t>{4, 2, 0}));
    EXPECT_TRUE(DrawingsToReprepare(false, kinds).empty());
    EXPECT_TRUE(DrawingsToReprepare(true, {}).empty());
}
