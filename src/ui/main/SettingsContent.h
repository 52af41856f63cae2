#pragma once
// The main window's persisted settings: the recent-files list and last folder, the
// chart options, the tip wizard switch, the print set-up and the TCP response
// option, with their defaults and the rules that turn stored values back into
// settings. Missing values take their defaults, and so do values that are not of
// the allowed kind or words.

#include <array>
#include <cstdint>
#include <string>

#include "model/SettingsStore.h"
#include "ui/shared/ChartSettings.h"

namespace quenlix {

inline constexpr const char* kRecentFilesSection = "Recent Files";
inline constexpr const char* kLastDirectoryEntry = "Last Directory";
inline constexpr const char* kChartPropertiesSection = "Chart Properties";
inline constexpr const char* kTipWizardSection = "Tip Wizard";
inline constexpr const char* kPrintSetupSection = "Print Setup";
inline constexpr const char* kOptionsSection = "Options";
inline constexpr const char* kTcpDataResponseEntry = "TCP Response To Data";
inline constexpr const char* kCaptureTimesAsUtcEntry = "Capture Times As UTC";
inline constexpr const char* kRelativeSequenceNumbersEntry = "Relative Sequence Numbers";

constexpr int kRecentFileCount = 8;
using RecentFileList = std::array<std::string, kRecentFileCount>;

struct PrintSetup {
    double LeftMargin = 1.0;
    double RightMargin = 1.0;
    double TopMargin = 1.0;
    double BottomMargin = 1.0;
    bool Portrait = true;
    bool Header = true;
    bool FitToPage = true;

    bool operator==(const PrintSetup&) const = default;
};

struct MainSettings {
    RecentFileList RecentFiles{};  // index 0 the most recent; "" an empty slot
    std::string LastDirectory;
    ChartSettings Charts;
    bool TipWizardEnabled = true;
    PrintSetup Print;
    // Options > TCP Response to First Data: TCP response times run from a request
    // that carries data to the first data of its answer.
    bool TcpDataResponse = false;
    // Capture times that a trace keeps in local time without a zone are read as
    // UTC rather than as this machine's local time.
    bool CaptureTimesAsUtc = false;
    // The ladder's TCP sequence and acknowledgement numbers count from each
    // direction's initial sequence number.
    bool RelativeSequenceNumbers = true;

    bool operator==(const MainSettings&) const = default;
};

MainSettings LoadMainSettings(const SettingsStore& store);
void SaveMainSettings(SettingsStore& store, const MainSettings& settings);

// A margin text as a number; 1.0 for text that is not a finite decimal number.
// Blanks around the number are allowed; the decimal point is always ".".
double ParseMargin(const std::string& text);

// A margin as stored: fixed point with two decimals, no leading blanks ("1.00").
std::string MarginText(double margin);

// Puts a file at the top of the recent-files list: every equal entry (exact,
// case-sensitive) is removed, the list is cut or padded to seven, and the file is
// inserted first.
void UpdateRecentFiles(RecentFileList& files, const std::string& fileName);

// One Reopen menu item: "&" + (index + 1) + " " + the file; shown only for a file.
struct RecentFileItem {
    std::string Caption;
    bool Visible = false;
};
std::array<RecentFileItem, kRecentFileCount> RecentFileItems(const RecentFileList& files);

}  // namespace quenlix
