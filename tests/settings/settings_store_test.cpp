#include <gtest/gtest.h>

#include "model/core_error.h"
#include "settings/settings.h"

using namespace vellisk;

TEST(SettingsStore, HoldsDesignDefaultsAndLimitsValues) {
    Settings s;
    EXPECT_EQ(s.Number("WorkSpeed"), 500);
    EXPECT_TRUE(s.Flag("doOutline"));
    EXPECT_EQ(s.Choice("Order_global"), 1);
    s.SetNumber("WorkSpeed", 5000);
    EXPECT_EQ(s.Number("WorkSpeed"), 1000);
    EXPECT_THROW(s.Number("NoSuchSetting"), CoreError);
    std::string changed;
    s.OnChange([&](const std::string& n) { changed = n; });
    s.SetFlag("negatyw", true);
    EXPECT_EQ(changed, "negatyw");
}
