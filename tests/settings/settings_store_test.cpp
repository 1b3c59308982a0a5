#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

TEST(SettingsStore, AListenerRemovedDuringANotificationIsNotCalled) {
    Settings s;
    std::vector<std::string> calls;
    int second = 0;
    const int first = s.AddListener([&](const std::string&) {
        calls.push_back("first");
        s.RemoveListener(second);  // as when a change closes the window that owns the second
    });
    second = s.AddListener([&](const std::string&) { calls.push_back("second"); });
    s.SetFlag("negatyw", true);
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
    s.RemoveListener(first);
    s.SetFlag("negatyw", false);
    EXPECT_EQ(calls.size(), 1u);
}

// Every typed key names a setting of its own kind, and every setting has a key.
TEST(SettingsStore, TheTypedKeysAndTheDefinitionTableAgree) {
    std::set<std::string> keyed;
    for (const auto& key : setting::kAll) {
        SCOPED_TRACE(key.file);
        EXPECT_TRUE(keyed.insert(key.file).second) << "two keys for one setting";
        const SettingDefinition* def = Settings::FindDefinition(key.file);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(def->kind, key.kind);
    }
    for (const auto& def : Settings::Definitions()) EXPECT_TRUE(keyed.contains(def.name)) << def.name;
    // A typed write is the write of that name.
    Settings s;
    s.SetNumber(setting::ToolDiameter, 6);
    s.SetFlag(setting::Polishing, true);
    s.SetChoice(setting::ProjectType, 1);
    EXPECT_EQ(s.Number("srednica"), 6);
    EXPECT_TRUE(s.Flag("polerowanie"));
    EXPECT_EQ(s.Choice("ProjektType"), 1);
}
