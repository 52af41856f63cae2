#include "ui/main/SettingsContent.h"
#include "model/StringHelpers.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace quenlix {

namespace {

constexpr const char* kPortrait = "Portrait";
constexpr const char* kLandscape = "Landscape";
constexpr const char* kYes = "Yes";
constexpr const char* kNo = "No";
constexpr const char* kPrintToFit = "PrintToFit";
constexpr const char* kProportional = "Proportional";
constexpr int32_t kLargestColour = 0xFFFFFF;

std::string ReadText(const SettingsStore& store, const char* section, const std::string& entry)
{
    return store.ReadString(section, entry).value_or("");
}

bool ReadBool(const SettingsStore& store, const char* section, const char* entry, bool fallback)
{
    const std::optional<int32_t> value = store.ReadInteger(section, entry);
    return value ? *value != 0 : fallback;
}

// An integer that must lie in [low, high]; anything else takes the default.
int32_t ReadInRange(const SettingsStore& store, const char* section, const char* entry, int32_t low, int32_t high,
                    int32_t fallback)
{
    const std::optional<int32_t> value = store.ReadInteger(section, entry);
    return value && *value >= low && *value <= high ? *value : fallback;
}

// A two-word choice: false for the second word, true for the first and for any
// other text, as the first word is the default. Compared case-sensitively.
bool ReadChoice(const SettingsStore& store, const char* entry, const char* second)
{
    const std::optional<std::string> text = store.ReadString(kPrintSetupSection, entry);
    return !text || *text != second;
}

std::string TrimmedLine(const std::string& text)
{
    return std::string(Trimmed(text, " \t"));
}

ChartSettings LoadChartSettings(const SettingsStore& store)
{
    const ChartSettings defaults;
    ChartSettings charts;
    const char* section = kChartPropertiesSection;
    charts.ChartType = ReadInRange(store, section, "Chart Type", 0, 1, defaults.ChartType);
    charts.ChartUnits = ReadInRange(store, section, "Show Values", 0, 1, defaults.ChartUnits);
    charts.ShowGradient = ReadBool(store, section, "Background On", defaults.ShowGradient);
    charts.ShowTitle = ReadBool(store, section, "Show Title", defaults.ShowTitle);
    charts.ShowValues = ReadBool(store, section, "Show Marks", defaults.ShowValues);
    charts.ShowLegend = ReadBool(store, section, "Show Legend", defaults.ShowLegend);
    charts.View3D = ReadBool(store, section, "View 3D", defaults.View3D);
    charts.TopColor = ReadInRange(store, section, "Top Color", 0, kLargestColour, defaults.TopColor);
    charts.BottomColor = ReadInRange(store, section, "Bottom Color", 0, kLargestColour, defaults.BottomColor);
    return charts;
}

void SaveChartSettings(SettingsStore& store, const ChartSettings& charts)
{
    const char* section = kChartPropertiesSection;
    store.WriteInteger(section, "Chart Type", charts.ChartType);
    store.WriteInteger(section, "Show Values", charts.ChartUnits);
    store.WriteInteger(section, "Background On", charts.ShowGradient ? 1 : 0);
    store.WriteInteger(section, "Show Title", charts.ShowTitle ? 1 : 0);
    store.WriteInteger(section, "Show Marks", charts.ShowValues ? 1 : 0);
    store.WriteInteger(section, "Show Legend", charts.ShowLegend ? 1 : 0);
    store.WriteInteger(section, "View 3D", charts.View3D ? 1 : 0);
    store.WriteInteger(section, "Top Color", charts.TopColor);
    store.WriteInteger(section, "Bottom Color", charts.BottomColor);
}

double ReadMargin(const SettingsStore& store, const char* entry)
{
    const std::optional<std::string> text = store.ReadString(kPrintSetupSection, entry);
    return text ? ParseMargin(*text) : 1.0;
}

PrintSetup LoadPrintSetup(const SettingsStore& store)
{
    PrintSetup print;
    print.LeftMargin = ReadMargin(store, "LeftMargin");
    print.RightMargin = ReadMargin(store, "RightMargin");
    print.TopMargin = ReadMargin(store, "TopMargin");
    print.BottomMargin = ReadMargin(store, "BottomMargin");
    print.Portrait = ReadChoice(store, "Orientation", kLandscape);
    print.Header = ReadChoice(store, "Header", kNo);
    print.FitToPage = ReadChoice(store, "Print", kProportional);
    return print;
}

void SavePrintSetup(SettingsStore& store, const PrintSetup& print)
{
    const char* section = kPrintSetupSection;
    store.WriteString(section, "Orientation", print.Portrait ? kPortrait : kLandscape);
    store.WriteString(section, "Print", print.FitToPage ? kPrintToFit : kProportional);
    store.WriteString(section, "Header", print.Header ? kYes : kNo);
    store.WriteString(section, "LeftMargin", MarginText(print.LeftMargin));
    store.WriteString(section, "RightMargin", MarginText(print.RightMargin));
    store.WriteString(section, "TopMargin", MarginText(print.TopMargin));
    store.WriteString(section, "BottomMargin", MarginText(print.BottomMargin));
}

}  // namespace

double ParseMargin(const std::string& text)
{
    const std::string number = TrimmedLine(text);
    double value = 0;
    const char* first = number.data();
    const char* last = first + number.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (number.empty() || error != std::errc() || end != last || !std::isfinite(value)) return 1.0;
    return value;
}

std::string MarginText(double margin)
{
    if (!std::isfinite(margin)) margin = 1.0;
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, margin, std::chars_format::fixed, 2);
    if (error != std::errc()) return "1.00";
    std::string text(buffer, end);
    return text == "-0.00" ? "0.00" : text;
}

MainSettings LoadMainSettings(const SettingsStore& store)
{
    MainSettings settings;
    for (int i = 0; i < kRecentFileCount; ++i)
        settings.RecentFiles[static_cast<size_t>(i)] = ReadText(store, kRecentFilesSection, std::to_string(i));
    settings.LastDirectory = ReadText(store, kRecentFilesSection, kLastDirectoryEntry);
    settings.Charts = LoadChartSettings(store);
    settings.TipWizardEnabled = ReadBool(store, kTipWizardSection, "Enabled", true);
    settings.Print = LoadPrintSetup(store);
    settings.TcpDataResponse = ReadBool(store, kOptionsSection, kTcpDataResponseEntry, false);
    settings.CaptureTimesAsUtc = ReadBool(store, kOptionsSection, kCaptureTimesAsUtcEntry, false);
    settings.RelativeSequenceNumbers = ReadBool(store, kOptionsSection, kRelativeSequenceNumbersEntry, true);
    return settings;
}

void SaveMainSettings(SettingsStore& store, const MainSettings& settings)
{
    for (int i = 0; i < kRecentFileCount; ++i)
        store.WriteString(kRecentFilesSection, std::to_string(i), settings.RecentFiles[static_cast<size_t>(i)]);
    store.WriteString(kRecentFilesSection, kLastDirectoryEntry, settings.LastDirectory);
    SaveChartSettings(store, settings.Charts);
    store.WriteInteger(kTipWizardSection, "Enabled", settings.TipWizardEnabled ? 1 : 0);
    SavePrintSetup(store, settings.Print);
    store.WriteInteger(kOptionsSection, kTcpDataResponseEntry, settings.TcpDataResponse ? 1 : 0);
    store.WriteInteger(kOptionsSection, kCaptureTimesAsUtcEntry, settings.CaptureTimesAsUtc ? 1 : 0);
    store.WriteInteger(kOptionsSection, kRelativeSequenceNumbersEntry, settings.RelativeSequenceNumbers ? 1 : 0);
}

void UpdateRecentFiles(RecentFileList& files, const std::string& fileName)
{
    std::vector<std::string> kept;
    for (const std::string& file : files)
        if (file != fileName) kept.push_back(file);
    kept.resize(kRecentFileCount - 1);  // cut to seven, or pad with empty slots
    files[0] = fileName;
    for (size_t i = 1; i < files.size(); ++i) files[i] = kept[i - 1];
}

std::array<RecentFileItem, kRecentFileCount> RecentFileItems(const RecentFileList& files)
{
    std::array<RecentFileItem, kRecentFileCount> items;
    for (size_t i = 0; i < files.size(); ++i) {
        items[i].Caption = "&" + std::to_string(i + 1) + " " + files[i];
        items[i].Visible = !files[i].empty();
    }
    return items;
}

}  // namespace quenlix
