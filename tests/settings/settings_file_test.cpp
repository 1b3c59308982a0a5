#include <gtest/gtest.h>

#include <cmath>
#include <atomic>
#include <set>
#include <thread>

#include "model/core_error.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/settings_files.h"

using namespace vellisk;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// Values that need every digit, tiny and large ones, negatives.
void SetAwkwardValues(Settings& s) {
    s.SetNumber("srednica", 3.0 / 7.0);
    s.SetNumber("grubosc", 0.1 + 0.2);
    s.SetNumber("ponad_stol", -39.99999999999999);
    s.SetNumber("skok", 0.01);
    s.SetNumber("Glebokosc", 0.000012345);
    s.SetNumber("SzerokoscObrazu", 9999.123456789012);
    s.SetNumber("skala", 1000);
    s.SetCheckState("negatyw", kGrayed);
    s.SetFlag("doOutline", false);
    s.SetChoice("Order_global", 5);
    s.SetChoice("ProjektType", -1);
    s.SetNumber("IP3", 7);
}

}  // namespace

TEST(SettingsFile, LineFormatAndOrder) {
    Settings s;
    const auto lines = Lines(SettingsFileText(s, '.'));
    ASSERT_EQ(lines.size(), 59u);
    EXPECT_EQ(lines[0], "auto_add := cbChecked");
    EXPECT_EQ(lines[1], "auto_remove := cbChecked");
    EXPECT_EQ(lines[2], "Auto_kierunek := cbChecked");
    EXPECT_EQ(lines[3], "Auto_kolejnosc := cbChecked");
    EXPECT_EQ(lines[4], "ProjektType := 0");
    EXPECT_EQ(lines[58], "Jednokierukowo := cbChecked");
    std::set<std::string> names;
    for (const auto& l : lines) names.insert(l.substr(0, l.find(' ')));
    EXPECT_EQ(names.size(), 59u);
    EXPECT_TRUE(names.count("MocDlaCzarnego"));
    EXPECT_TRUE(names.count("cbEthernetConnection"));
    // numbers in plain form with the separator asked for, check boxes by name
    const std::string comma = SettingsFileText(s, ',');
    EXPECT_NE(comma.find("BMPKrok := 0,15\r\n"), std::string::npos);
    EXPECT_NE(comma.find("Glebokosc := 1,5\r\n"), std::string::npos);
    EXPECT_NE(comma.find("negatyw := cbUnchecked\r\n"), std::string::npos);
    EXPECT_NE(comma.find("Order_global := 1\r\n"), std::string::npos);
    EXPECT_NE(comma.find("WorkSpeed := 500\r\n"), std::string::npos);
}

TEST(SettingsFile, RoundTripKeepsEveryValueWithEitherSeparator) {
    for (char sep : {'.', ','}) {
        Settings a;
        SetAwkwardValues(a);
        const std::string text = SettingsFileText(a, sep);
        Settings b;
        EXPECT_TRUE(ApplySettingsText(b, text, sep).Clean());
        for (const auto& name : a.Names()) {
            if (a.KindOf(name) == SettingKind::Number) {
                EXPECT_EQ(SettingValueText(a, name, sep).find_first_of("eE"), std::string::npos) << name;
                EXPECT_EQ(a.Number(name), b.Number(name)) << name << " with '" << sep << "'";
            } else {
                EXPECT_EQ(a.CheckState(name), b.CheckState(name)) << name;
            }
        }
        EXPECT_EQ(SettingsFileText(b, sep), text);
    }
}

TEST(SettingsFile, ReaderToleratesOtherSpellingsOrderAndUnknownNames) {
    Settings s;
    const std::string text =
        "Unknown := 5\r\n"
        "nadmat=7.5\n"
        "grubosc 12\r\n"
        "WorkSpeed := 800 mm/min\r\n"  // the value ends at the blank
        "workspeed := 900\r\n"         // names are case-sensitive
        "crosstopoint := cbGrayed\r\n"
        "nadmat := 8\r\n";  // a later line wins
    const SettingsTextReport report = ApplySettingsText(s, text, '.');
    EXPECT_TRUE(report.lines.empty());
    EXPECT_EQ(report.missing.size(), Settings::Definitions().size() - 4);
    EXPECT_EQ(s.Number("nadmat"), 8);
    EXPECT_EQ(s.Number("grubosc"), 12);
    EXPECT_EQ(s.Number("WorkSpeed"), 800);
    EXPECT_EQ(s.CheckState("crosstopoint"), kGrayed);
    EXPECT_FALSE(s.Flag("crosstopoint"));
}

TEST(SettingsFile, BadLinesAreSkippedAndTheRestApplies) {
    Settings s;
    s.SetFlag("bezramki", true);
    const std::string text =
        "grubosc := 20\r\n"
        "Order_global := x\r\n"  // not an integer
        "rgJm := 7\r\n"          // no such unit
        "ProjektType := -2\r\n"  // below "no selection"
        "nadmat := 1-2\r\n"      // no number
        "skala := abc\r\n"
        "srednica := -\r\n"
        "WorkSpeed := 5000\r\n"    // out of range
        "IP1 := 300\r\n"           // octets are 0..255
        "Glebokosc := 2.5abc\r\n"  // junk after the number
        "skok := 3,5\r\n"          // the other separator
        "mnoznikZ := 1e999\r\n"    // no double
        "bezramki := yes\r\n"      // no check-box state
        "in_dir := -1\r\n"         // no selection is a valid index
        "Glebokosc := 2\r\n"
        "ponad_stol := 7";  // the file ends inside this line
    const auto problems = ApplySettingsText(s, text, '.').lines;
    std::vector<std::string> names;
    for (const auto& p : problems) names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Order_global", "rgJm", "ProjektType", "nadmat", "skala", "srednica",
                                               "WorkSpeed", "IP1", "Glebokosc", "skok", "mnoznikZ", "bezramki",
                                               "ponad_stol"}));
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems.back().value, "7");
    EXPECT_EQ(s.Number("grubosc"), 20);
    EXPECT_EQ(s.Choice("Order_global"), 1);
    EXPECT_EQ(s.Choice("rgJm"), 0);
    EXPECT_EQ(s.Choice("ProjektType"), 0);
    EXPECT_EQ(s.Number("nadmat"), 5);
    EXPECT_EQ(s.Number("skala"), 100);
    EXPECT_EQ(s.Number("WorkSpeed"), 500);
    EXPECT_EQ(s.Number("IP1"), 192);
    EXPECT_EQ(s.Number("skok"), 100);
    EXPECT_EQ(s.Number("mnoznikZ"), 1);
    EXPECT_TRUE(s.Flag("bezramki"));
    EXPECT_EQ(s.Choice("in_dir"), -1);
    EXPECT_EQ(s.Number("Glebokosc"), 2);
    EXPECT_EQ(s.Number("ponad_stol"), 0.5);
}

TEST(SettingsFile, SplitsLinesAtBlanksColonsAndEquals) {
    std::string name, value;
    SplitSettingsLine("WorkSpeed := 800 mm\r\n", &name, &value);
    EXPECT_EQ(name, "WorkSpeed");
    EXPECT_EQ(value, "800");
    SplitSettingsLine("grubosc\r", &name, &value);
    EXPECT_EQ(name, "grubosc");
    EXPECT_EQ(value, "");
    SplitSettingsLine("", &name, &value);
    EXPECT_EQ(name, "");
}

TEST(IpFile, WidthThreeLinesAndReadingBack) {
    Settings s;
    EXPECT_EQ(IpFileText(s), "192\r\n168\r\n  0\r\n150\r\n");
    EXPECT_EQ(PlotterIpText(s), "192.168.0.150");
    EXPECT_TRUE(ApplyIpFileText(s, "10\r\n0\n 0\r\n7\r\n\r\n"));
    EXPECT_EQ(PlotterIpText(s), "10.0.0.7");
    // all four octets or none: the address is never mixed from two sources
    for (const char* bad :
         {"11\r\n12\r\nx\r\n13\r\n", "11\r\n12\r\n", "999\r\n1\r\n2\r\n3\r\n", "1\r\n2\r\n3\r\n4\r\n5\r\n", ""}) {
        EXPECT_FALSE(ApplyIpFileText(s, bad)) << bad;
        EXPECT_EQ(PlotterIpText(s), "10.0.0.7");
    }
}

TEST(NumberText, PlainFormsAndParsing) {
    EXPECT_EQ(FormatPlainNumber(0.00001, '.'), "0.00001");
    EXPECT_EQ(FormatPlainNumber(1e21, '.'), "1000000000000000000000");
    EXPECT_EQ(FormatPlainNumber(-2.5, ','), "-2,5");
    EXPECT_EQ(FormatPlainNumber(-0.0, '.'), "0");
    EXPECT_EQ(FormatFixedNumber(0.125, 2, ','), "0,12");
    EXPECT_EQ(FormatFixedNumber(-0.001, 2, '.'), "0.00");
    EXPECT_EQ(ParseNumberText(" 12,5 ", ','), 12.5);
    EXPECT_EQ(ParseNumberText("12.5", ','), std::nullopt);
    EXPECT_EQ(ParseNumberText("-1,5e2", ','), -150);
    EXPECT_EQ(ParseNumberText("1,,2", ','), std::nullopt);
    EXPECT_EQ(ParseNumberText(",", ','), std::nullopt);
    EXPECT_EQ(ParseNumberText("", '.'), std::nullopt);
    EXPECT_EQ(ParseNumberText("1e999", '.'), std::nullopt);
    EXPECT_EQ(ParseLeadingNumber("+5", '.'), 5);
    EXPECT_EQ(ParseLeadingNumber(".5x", '.'), 0.5);
    EXPECT_EQ(ParseLeadingNumber("1e5", '.'), 1);
    EXPECT_EQ(ParseLeadingNumber("-", '.'), std::nullopt);
}

TEST(SettingsStoreRanges, InvertedAndEmptyRanges) {
    EXPECT_EQ(LimitToRange(5, 0, 0), 5);
    EXPECT_EQ(LimitToRange(-5, 1, 1), -5);
    EXPECT_EQ(LimitToRange(5, 12, 0), 12);  // a maximum below the minimum limits nothing
    EXPECT_EQ(LimitToRange(5000, 12, 0), 5000);
    Settings s;
    s.SetRange("WorkSpeed", 20, 3000);
    s.SetNumber("WorkSpeed", 2500);
    s.SetRange("WorkSpeed", 20, 1000);
    EXPECT_EQ(s.Number("WorkSpeed"), 2500);  // a new limit does not rewrite the value
    s.Reassign("WorkSpeed");
    EXPECT_EQ(s.Number("WorkSpeed"), 1000);
    EXPECT_THROW(s.SetNumber("WorkSpeed", NAN), CoreError);
}

TEST(SettingsStoreThreads, AWorkerReadsWhileTheDialogWrites) {
    Settings s;
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0};
    std::atomic<long> strange{0};  // a value the dialog never wrote
    std::thread burn([&] {
        while (!stop) {
            const double p = s.Number("SpoczynkowaMocLasera");
            const int oneWay = s.CheckState("Jednokierukowo");
            if (p < 0 || p > 99 || p != std::floor(p) || (oneWay != kChecked && oneWay != kUnchecked)) ++strange;
            ++reads;
        }
    });
    int changes = 0;
    const int id = s.AddListener([&](const std::string&) { ++changes; });
    for (int i = 0; i < 2000; ++i) {
        s.SetNumber("SpoczynkowaMocLasera", i % 100);
        s.SetFlag("Jednokierukowo", i % 2 == 0);
    }
    while (reads.load() == 0) std::this_thread::yield();  // the worker may start late
    stop = true;
    burn.join();
    s.RemoveListener(id);
    s.SetFlag("Jednokierukowo", true);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(strange.load(), 0);
    EXPECT_EQ(changes, 3999);  // the first flag write left it as it was
}
