// The main window's settings: defaults, validation of stored values, the round
// trip through a store, and the recent-files list.

#include <gtest/gtest.h>

#include "model/SettingsStore.h"
#include "ui/main/SettingsContent.h"

namespace quenlix {
namespace {

TEST(Settings, EmptyStoreGivesEveryDefault)
{
    const MemorySettingsStore store;
    const MainSettings settings = LoadMainSettings(store);
    EXPECT_EQ(settings, MainSettings{});
    EXPECT_EQ(settings.Charts.TopColor, 16777215);
    EXPECT_EQ(settings.Charts.BottomColor, 65535);
    EXPECT_TRUE(settings.TipWizardEnabled);
    EXPECT_FALSE(settings.TcpDataResponse);
    EXPECT_FALSE(settings.CaptureTimesAsUtc);
    EXPECT_TRUE(settings.RelativeSequenceNumbers);
    EXPECT_TRUE(settings.Print.Portrait && settings.Print.Header && settings.Print.FitToPage);
    EXPECT_DOUBLE_EQ(settings.Print.LeftMargin, 1.0);
    for (const std::string& file : settings.RecentFiles) EXPECT_EQ(file, "");
}

TEST(Settings, RoundTripKeepsEveryValue)
{
    MainSettings settings;
    settings.RecentFiles = {"/a/one.enc", "/b/two.cap", "", "", "", "", "", ""};
    settings.LastDirectory = "/b";
    settings.Charts = {1, 1, false, false, false, false, false, 0x123456, 0x000080};
    settings.TipWizardEnabled = false;
    settings.Print = {0.5, 1.25, 2.0, 0.75, false, false, false};
    settings.TcpDataResponse = true;
    settings.CaptureTimesAsUtc = true;
    settings.RelativeSequenceNumbers = false;
    MemorySettingsStore store;
    SaveMainSettings(store, settings);
    EXPECT_EQ(LoadMainSettings(store), settings);
}

TEST(Settings, StoredFormsOfTheValues)
{
    MainSettings settings;
    settings.Print.LeftMargin = 1.5;
    settings.Print.Portrait = false;
    settings.Print.FitToPage = false;
    MemorySettingsStore store;
    SaveMainSettings(store, settings);
    EXPECT_EQ(store.ReadString("Print Setup", "LeftMargin"), "1.50");
    EXPECT_EQ(store.ReadString("Print Setup", "RightMargin"), "1.00");
    EXPECT_EQ(store.ReadString("Print Setup", "Orientation"), "Landscape");
    EXPECT_EQ(store.ReadString("Print Setup", "Header"), "Yes");
    EXPECT_EQ(store.ReadString("Print Setup", "Print"), "Proportional");
    EXPECT_EQ(store.ReadInteger("Chart Properties", "View 3D"), 1);
    EXPECT_EQ(store.ReadInteger("Tip Wizard", "Enabled"), 1);
    EXPECT_EQ(store.ReadInteger("Options", "TCP Response To Data"), 0);
    EXPECT_EQ(store.ReadInteger("Options", "Capture Times As UTC"), 0);
    EXPECT_EQ(store.ReadString("Recent Files", "Last Directory"), "");
}

TEST(Settings, ChoiceWordsAreCaseSensitiveAndFallBackToTheFirst)
{
    MemorySettingsStore store;
    store.WriteString("Print Setup", "Orientation", "portrait");
    store.WriteString("Print Setup", "Header", "no");
    store.WriteString("Print Setup", "Print", "Proportional");
    PrintSetup print = LoadMainSettings(store).Print;
    EXPECT_TRUE(print.Portrait);  // lower-case "portrait" is no allowed word: Portrait
    EXPECT_TRUE(print.Header);    // "no" likewise takes the default "Yes"
    EXPECT_FALSE(print.FitToPage);

    store.WriteString("Print Setup", "Orientation", "Landscape");
    store.WriteString("Print Setup", "Header", "No");
    store.WriteString("Print Setup", "Print", "LANDSCAPE");
    print = LoadMainSettings(store).Print;
    EXPECT_FALSE(print.Portrait);
    EXPECT_FALSE(print.Header);
    EXPECT_TRUE(print.FitToPage);
}

TEST(Settings, MarginsThatAreNoNumberBecomeOne)
{
    EXPECT_DOUBLE_EQ(ParseMargin("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseMargin(" 2 "), 2.0);
    EXPECT_DOUBLE_EQ(ParseMargin("1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin("abc"), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin(""), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin("2.5cm"), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin("nan"), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin("inf"), 1.0);
    EXPECT_DOUBLE_EQ(ParseMargin("1e999"), 1.0);
    EXPECT_EQ(MarginText(1.0), "1.00");
    EXPECT_EQ(MarginText(0.125), "0.12");
    EXPECT_EQ(MarginText(-0.001), "0.00");
}

TEST(Settings, IntegerValuesOutOfRangeOrNotNumbersTakeDefaults)
{
    MemorySettingsStore store;
    store.WriteInteger("Chart Properties", "Chart Type", 7);
    store.WriteString("Chart Properties", "Show Values", "one");
    store.WriteString("Chart Properties", "Background On", "true");
    store.WriteInteger("Chart Properties", "Show Title", 0);
    store.WriteString("Chart Properties", "Show Legend", "0");
    store.WriteInteger("Chart Properties", "Top Color", -5);
    store.WriteInteger("Chart Properties", "Bottom Color", 0x1000000);
    store.WriteString("Tip Wizard", "Enabled", "99999999999");
    const MainSettings settings = LoadMainSettings(store);
    EXPECT_EQ(settings.Charts.ChartType, 0);
    EXPECT_EQ(settings.Charts.ChartUnits, 0);
    EXPECT_TRUE(settings.Charts.ShowGradient);
    EXPECT_FALSE(settings.Charts.ShowTitle);
    EXPECT_FALSE(settings.Charts.ShowLegend);
    EXPECT_EQ(settings.Charts.TopColor, 0xFFFFFF);
    EXPECT_EQ(settings.Charts.BottomColor, 0x00FFFF);
    EXPECT_TRUE(settings.TipWizardEnabled);
}

TEST(Settings, BinaryValueInATextSlotReadsAsMissing)
{
    MemorySettingsStore store;
    store.WriteBinary("Recent Files", "0", {1, 2, 3});
    store.WriteBinary("Print Setup", "TopMargin", {0});
    const MainSettings settings = LoadMainSettings(store);
    EXPECT_EQ(settings.RecentFiles[0], "");
    EXPECT_DOUBLE_EQ(settings.Print.TopMargin, 1.0);
}

TEST(Settings, ParseInteger32TakesWholeDecimalNumbersOnly)
{
    EXPECT_EQ(ParseInteger32("42"), 42);
    EXPECT_EQ(ParseInteger32("+7"), 7);
    EXPECT_EQ(ParseInteger32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseInteger32("2147483648"), std::nullopt);
    EXPECT_EQ(ParseInteger32("12 "), std::nullopt);
    EXPECT_EQ(ParseInteger32(""), std::nullopt);
    EXPECT_EQ(ParseInteger32("+"), std::nullopt);
    EXPECT_EQ(ParseInteger32("0x10"), std::nullopt);
}

// ---- recent files ---------------------------------------------------------------

RecentFileList Files(std::initializer_list<std::string> names)
{
    RecentFileList files{};
    size_t i = 0;
    for (const std::string& name : names) files[i++] = name;
    return files;
}

TEST(RecentFiles, NewFileGoesFirstAndTheRestMoveDown)
{
    RecentFileList files = Files({"a", "b"});
    UpdateRecentFiles(files, "c");
    EXPECT_EQ(files, Files({"c", "a", "b"}));
}

TEST(RecentFiles, ReopeningMovesToTheTopWithoutDuplicate)
{
    RecentFileList files = Files({"a", "b", "c"});
    UpdateRecentFiles(files, "c");
    EXPECT_EQ(files, Files({"c", "a", "b"}));
    UpdateRecentFiles(files, "c");
    EXPECT_EQ(files, Files({"c", "a", "b"}));
}

TEST(RecentFiles, NinthDistinctFileDropsTheOldest)
{
    RecentFileList files{};
    for (int i = 1; i <= 9; ++i) UpdateRecentFiles(files, "file" + std::to_string(i));
    EXPECT_EQ(files[0], "file9");
    EXPECT_EQ(files[7], "file2");
    for (const std::string& file : files) EXPECT_NE(file, "file1");
}

TEST(RecentFiles, ComparisonIsExactAndCaseSensitive)
{
    RecentFileList files = Files({"/t/A.enc"});
    UpdateRecentFiles(files, "/t/a.enc");
    EXPECT_EQ(files, Files({"/t/a.enc", "/t/A.enc"}));
}

TEST(RecentFiles, DuplicatesAlreadyStoredAreAllRemoved)
{
    RecentFileList files = Files({"x", "a", "x", "", "x"});
    UpdateRecentFiles(files, "x");
    EXPECT_EQ(files, Files({"x", "a", "", ""}));
}

TEST(RecentFiles, MenuItemsAreNumberedAndHiddenWhenEmpty)
{
    const auto items = RecentFileItems(Files({"/t/one.enc", "", "/t/three.enc"}));
    EXPECT_EQ(items[0].Caption, "&1 /t/one.enc");
    EXPECT_TRUE(items[0].Visible);
    EXPECT_FALSE(items[1].Visible);
    EXPECT_EQ(items[2].Caption, "&3 /t/three.enc");
    EXPECT_TRUE(items[2].Visible);
    EXPECT_EQ(items[7].Caption, "&8 ");
    EXPECT_FALSE(items[7].Visible);
}

}  // namespace
}  // namespace quenlix
