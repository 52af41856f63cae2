#include "ui/main/MainWindowContent.h"

#include <cctype>
#include <set>

#include "import/TraceImport.h"
#include "model/NumberFormat.h"
#include "ui/main/ReadProgressContent.h"

namespace quenlix {

namespace {

constexpr const char* kCaptionBase = "Quenlix Fathom (tm) ";


}  // namespace

std::string MainCaption(const std::string& traceFileName, const std::string& suffix)
{
    if (traceFileName.empty()) return kCaptionBase;
    return std::string(kCaptionBase) + " - " + FileNameWithoutFolder(traceFileName) + suffix;
}

std::string ReadNote(const AnalysisState& state)
{
    std::string note = ReadStatusText(state);
    for (const std::string& more : {ClippedFramesText(state), SkippedFramesText(state), SkippedRecordsText(state)})
        if (!more.empty()) note += (note.empty() ? "" : "; ") + more;
    return note;
}

std::array<std::string, 3> StatusPanels(const AnalysisState& state, bool enabled)
{
    if (!enabled) return {};
    std::string analyzer;
    GetAnalyzerName(state.Read.TraceFormat, analyzer);
    return {IsTokenRing(state.Topology) ? "Token Ring" : "Ethernet", FormatCount(state.TotalFrames) + " Frames",
            analyzer + " File " + state.Read.TraceFileName};
}

std::array<std::string, 2> BandwidthCaptions(TopologyCode topology)
{
    if (IsTokenRing(topology)) return {"4 Mbps", "16 Mbps"};
    return {"10 Mbps", "100 Mbps"};
}

void ApplyBandwidthOption(AnalysisState& state, int option)
{
    const bool first = option == 0;
    if (IsTokenRing(state.Topology)) {
        state.Options.TokenRingSpeed = first ? 4 : 16;
    } else {
        state.Options.EthernetSpeed = first ? 10 : 100;
    }
}

int BandwidthOptionInUse(const AnalysisState& state)
{
    if (IsTokenRing(state.Topology)) return state.Options.TokenRingSpeed == 4 ? 0 : 1;
    return state.Options.EthernetSpeed == 10 ? 0 : 1;
}


int ToolbarImage(ToolbarButton button, bool enabled)
{
    switch (button) {
    case ToolbarButton::Open: return enabled ? 2 : 3;
    case ToolbarButton::Print: return enabled ? 0 : 1;
    case ToolbarButton::Analyze: return enabled ? 6 : 7;
    case ToolbarButton::Station: return enabled ? 10 : 11;
    case ToolbarButton::Network: return enabled ? 12 : 13;
    }
    return 0;
}

const std::array<MainPageInfo, kMainPageCount>& MainPages()
{
    static const std::array<MainPageInfo, kMainPageCount> pages{{
        {"FileSummaryTabSheet", "File Summary", 8},
        {"ClientServerTabSheet", "Client/Server Expert", 12},
        {"DLCTabSheet", "DLC Error Expert", 13},
        {"PacketSizeTabSheet", "Packet Size Chart", 9},
        {"ProtoChartTabSheet", "Protocol Chart", 10},
        {"ProtocolTableTabSheet", "Protocol Table", 11},
    }};
    return pages;
}

PageCommands CommandsForPage(MainPage page, TopologyCode topology)
{
    PageCommands commands;
    switch (page) {
    case MainPage::FileSummary:
        commands.Tips = tips::FileSummary();
        break;
    case MainPage::ClientServer:
        commands = {"&Copy", true, CopyAction::ServerGrid, true, tips::ClientServer()};
        break;
    case MainPage::DLCError:
        commands = {"&Copy", true, CopyAction::DLCErrors, false,
                    IsTokenRing(topology) ? tips::DLCErrorTokenRing() : tips::DLCErrorEthernet()};
        break;
    case MainPage::PacketSizeChart:
        commands = {"&Copy Chart", true, CopyAction::PacketSizeChart, false, tips::Charts()};
        break;
    case MainPage::ProtocolChart:
        commands = {"&Copy Chart", true, CopyAction::ProtocolChart, false, tips::Charts()};
        break;
    case MainPage::ProtocolTable:
        commands = {"&Copy", true, CopyAction::ProtocolGrid, true, tips::ProtocolTable()};
        break;
    }
    return commands;
}

int PageHelpContext(MainPage page, TopologyCode topology)
{
    if (page == MainPage::DLCError) return IsTokenRing(topology) ? kTokenRingPanelHelpContext : kEthernetPanelHelpContext;
    return MainPages()[static_cast<size_t>(page)].HelpContext;
}

std::string HelpPageFile(int helpContext)
{
    static const std::set<int> contextsWithPages{6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
    if (!contextsWithPages.contains(helpContext)) return "index.html";
    return "context-" + std::to_string(helpContext) + ".html";
}

std::string HelpPageText(const std::string& html)
{
    static const std::string mark = "&amp;";
    std::string text;
    text.reserve(html.size());
    size_t at = 0;
    for (size_t found = html.find(mark); found != std::string::npos; found = html.find(mark, at)) {
        text.append(html, at, found - at);
        at = found + mark.size();
        if (html.compare(at, mark.size(), mark) == 0) {
            text += mark;  // "&&": one ampersand
            at += mark.size();
        } else if (at >= html.size() || !std::isalnum(static_cast<unsigned char>(html[at]))) {
            text += mark;  // an ampersand in running text
        }
    }
    text.append(html, at, std::string::npos);
    return text;
}

}  // namespace quenlix
