#pragma once
// What the main window shows apart from its pages: the caption, the status bar,
// the bandwidth items, the toolbar pictures, the page table with each page's Edit
// menu and tips, and the help page of each help context. The open dialog's filters
// and the messages of opening a trace come from the import (TraceFormats.h,
// TraceImport.h).

#include <array>
#include <string>
#include <vector>

#include "import/TraceFormats.h"
#include "import/TraceImport.h"
#include "model/StringHelpers.h"
#include "model/AnalysisState.h"
#include "model/ProgramTexts.h"
#include "ui/main/TipContent.h"

namespace quenlix {

inline constexpr const char* kOpenDialogTitle = "Open Trace File";
inline constexpr const char* kSlicedSuffix = " (contains sliced packets)";
inline constexpr const char* kNoIpOrIpxMessage = "No IP or IPX packets in trace file.";
inline constexpr const char* kToolboxMessageTitle = "Quenlix - Fathom ToolBox";
inline constexpr const char* kNetworkMapMessageTitle = "Quenlix - Network Map";
inline constexpr const char* kWebSiteMessageTitle = "Quenlix - Visit Web Site";

constexpr int kMainWindowHelpContext = 7;
constexpr int kEthernetPanelHelpContext = 14;
constexpr int kTokenRingPanelHelpContext = 15;

// "Quenlix Fathom (tm) ", and with a trace " - " + its file name + suffix.
std::string MainCaption(const std::string& traceFileName, const std::string& suffix);

// The status bar's note on the read: how it ended early ("Read stopped at frame
// 942,784 of the file", "Read ended at frame 2,168: ...") and how many frames were
// clipped, joined by "; "; empty for a complete read without clipped frames.
std::string ReadNote(const AnalysisState& state);

// The three status bar panels: topology, frame count, analyser and file.
std::array<std::string, 3> StatusPanels(const AnalysisState& state, bool enabled);

// "10 Mbps" / "100 Mbps" on Ethernet, "4 Mbps" / "16 Mbps" on Token Ring.
std::array<std::string, 2> BandwidthCaptions(TopologyCode topology);

// The speed the bandwidth item (0 or 1) sets: EthernetSpeed or TokenRingSpeed.
void ApplyBandwidthOption(AnalysisState& state, int option);
// The Default Bandwidth choice (0 or 1) naming the speed the analysis of the
// state's topology uses, for the menu's mark.
int BandwidthOptionInUse(const AnalysisState& state);

// Toolbar pictures of the image list.
enum class ToolbarButton { Open, Print, Analyze, Station, Network };
int ToolbarImage(ToolbarButton button, bool enabled);  // Open: enabled = not reading

// The six pages in tab order.
enum class MainPage { FileSummary, ClientServer, DLCError, PacketSizeChart, ProtocolChart, ProtocolTable };
constexpr int kMainPageCount = 6;

struct MainPageInfo {
    std::string Name;     // FileSummaryTabSheet ...
    std::string Caption;  // "File Summary" ...
    int HelpContext = 0;
};
const std::array<MainPageInfo, kMainPageCount>& MainPages();

// The Edit menu and tips of the active page.
enum class CopyAction { None, ServerGrid, DLCErrors, PacketSizeChart, ProtocolChart, ProtocolGrid };
struct PageCommands {
    std::string CopyCaption = "&Copy";
    bool CopyEnabled = false;
    CopyAction Copy = CopyAction::None;
    bool SelectAllEnabled = false;
    TipSet Tips;
};
PageCommands CommandsForPage(MainPage page, TopologyCode topology);

// The help context of a page; the DLC page's depends on the topology shown.
int PageHelpContext(MainPage page, TopologyCode topology);

// The bundled help page of a help context ("context-8.html"); the contents page
// "index.html" for context 0 and for contexts without a page of their own.
std::string HelpPageFile(int helpContext);

// A help page's HTML as the help window shows it: the captions it quotes lose
// their mnemonic marks ("&amp;Statistics" shows as "Statistics"), and a doubled
// mark stands for one ampersand. An ampersand before anything but a letter, a
// digit or another ampersand is text and stays.
std::string HelpPageText(const std::string& html);

}  // namespace quenlix
