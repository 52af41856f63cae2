// What the main window shows apart from its pages: caption, status bar, the
// open dialog's filters, the page commands, help pages and the open messages.

#include <gtest/gtest.h>

#include <fstream>

#include "import/TraceImport.h"
#include "model/Naming.h"
#include "ui/main/MainWindowContent.h"

namespace quenlix {
namespace {

TEST(MainWindow, CaptionHasTwoBlanksBeforeTheDash)
{
    EXPECT_EQ(MainCaption("", ""), "Quenlix Fathom (tm) ");
    EXPECT_EQ(MainCaption("", kSlicedSuffix), "Quenlix Fathom (tm) ");
    EXPECT_EQ(MainCaption("/traces/lan/office.enc", ""), "Quenlix Fathom (tm)  - office.enc");
    EXPECT_EQ(MainCaption("C:\\traces\\ring.trc", kSlicedSuffix),
              "Quenlix Fathom (tm)  - ring.trc (contains sliced packets)");
}

TEST(MainWindow, StatusPanelsEmptyUntilEnabled)
{
    AnalysisState state;
    state.Read.TraceFileName = "/t/office.enc";
    state.Read.TraceFormat = kFormatSniffer;
    state.TotalFrames = 1;
    EXPECT_EQ(StatusPanels(state, false), (std::array<std::string, 3>{}));
    EXPECT_EQ(StatusPanels(state, true), (std::array<std::string, 3>{"Ethernet", "1 Frames", "Sniffer File /t/office.enc"}));
    state.Topology = kTopologyTokenRing;
    state.TotalFrames = 1234567;
    state.Read.TraceFormat = kFormatNetworkMonitor;
    EXPECT_EQ(StatusPanels(state, true)[0], "Token Ring");
    EXPECT_EQ(StatusPanels(state, true)[1], "1,234,567 Frames");
    EXPECT_EQ(StatusPanels(state, true)[2], "Network Monitor File /t/office.enc");
}

TEST(MainWindow, BandwidthItemsAndSpeedsPerTopology)
{
    AnalysisState state;
    EXPECT_EQ(BandwidthCaptions(kTopologyEthernet), (std::array<std::string, 2>{"10 Mbps", "100 Mbps"}));
    EXPECT_EQ(BandwidthCaptions(kTopologyTokenRing), (std::array<std::string, 2>{"4 Mbps", "16 Mbps"}));
    ApplyBandwidthOption(state, 1);
    EXPECT_EQ(state.Options.EthernetSpeed, 100);
    EXPECT_EQ(state.Options.TokenRingSpeed, 16);
    state.Topology = kTopologyTokenRing;
    ApplyBandwidthOption(state, 0);
    EXPECT_EQ(state.Options.TokenRingSpeed, 4);
    EXPECT_EQ(state.Options.EthernetSpeed, 100);
}

TEST(MainWindow, BandwidthMarkFollowsTheSpeedInUse)
{
    AnalysisState state;
    EXPECT_EQ(BandwidthOptionInUse(state), 0);  // Ethernet at 10 Mbps
    state.Topology = kTopologyTokenRing;
    EXPECT_EQ(BandwidthOptionInUse(state), 1);  // Token Ring at 16 Mbps
    for (int option : {0, 1}) {
        for (TopologyCode topology : {kTopologyEthernet, kTopologyTokenRing}) {
            state.Topology = topology;
            ApplyBandwidthOption(state, option);
            EXPECT_EQ(BandwidthOptionInUse(state), option) << static_cast<int>(topology);
        }
    }
}

TEST(MainWindow, HelpPagesShowCaptionsWithoutMnemonicMarks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"choose \"&amp;Fathom ToolBox\"", "choose \"Fathom ToolBox\""},
        {"\"&amp;Source\", \"&amp;Destination\"", "\"Source\", \"Destination\""},
        {"Printer Set&amp;up...", "Printer Setup..."},
        {"Load &amp;&amp; Response", "Load &amp; Response"},
        {"&amp;&amp;&amp;X", "&amp;X"},
        {"Load &amp; Response Time Analysis", "Load &amp; Response Time Analysis"},
        {"&lt;b&gt; &quot;x&quot; &amp;", "&lt;b&gt; &quot;x&quot; &amp;"},
        {"&amp;1 Millisecond", "1 Millisecond"},
        {"", ""},
    };
    for (const auto& [html, shown] : cases) EXPECT_EQ(HelpPageText(html), shown) << html;
}

TEST(MainWindow, LastDirectoryDropsTheSeparatorExceptAtARoot)
{
    EXPECT_EQ(FolderOfPath("/traces/lan/a.enc"), "/traces/lan");
    EXPECT_EQ(FolderOfPath("/a.enc"), "/");
    EXPECT_EQ(FolderOfPath("C:\\a.enc"), "C:\\");
    EXPECT_EQ(FolderOfPath("C:\\traces\\a.enc"), "C:\\traces");
    EXPECT_EQ(FolderOfPath("a.enc"), "");
}

TEST(MainWindow, OpenMessagesAndReadableFormats)
{
    EXPECT_EQ(NotATraceMessage("/home/u/notes.txt"), "notes.txt is not a trace file or supported format.");
    EXPECT_EQ(UnsupportedTopologyMessage("/home/u/fddi.enc"), "/home/u/fddi.enc contains an unsupported topology.");
    for (int code = 0; code <= 11; ++code) EXPECT_TRUE(IsReadableFormat(static_cast<TraceFormatCode>(code))) << code;
    EXPECT_FALSE(IsReadableFormat(kFormatNone));
    EXPECT_TRUE(IsReadableFormat(kFormatObserver));
    for (TraceFormatCode code : {kFormatEtherPeek, kFormatPcap, kFormatPcapNG}) EXPECT_TRUE(IsReadableFormat(code)) << CodeIndex(code);
    EXPECT_FALSE(IsReadableFormat(kFormatUnknown));
}

TEST(MainWindow, OpenDialogFiltersKeepTheirNamesAndSplitThePatterns)
{
    const std::vector<OpenFilter> filters = OpenDialogFilters();
    ASSERT_EQ(filters.size(), 18u);
    EXPECT_EQ(filters[0].Name, "All Trace Files");
    EXPECT_EQ(filters[0].Patterns.size(), 17u);  // every pattern once
    EXPECT_EQ(filters[1].Name, "Network General Sniffer (*.enc, *.trc)");
    EXPECT_EQ(filters[1].Patterns, (std::vector<std::string>{"*.enc", "*.trc"}));
    EXPECT_EQ(filters[3].Name, "HP Internetwork  Advisor (*.eth, *.trn)");
    EXPECT_EQ(filters[11].Patterns, (std::vector<std::string>{"*.S04"}));
    EXPECT_EQ(filters[12].Name, "Wandel&Goltermann DA-30 (*.an1)");
    EXPECT_EQ(filters[15].Name, "AG Group EtherPeek (*.pkt)");
    EXPECT_EQ(filters[17].Patterns, (std::vector<std::string>{"*.pcapng"}));
}

TEST(MainWindow, EditMenuAndTipsOfEachPage)
{
    const PageCommands summary = CommandsForPage(MainPage::FileSummary, kTopologyEthernet);
    EXPECT_EQ(summary.CopyCaption, "&Copy");
    EXPECT_FALSE(summary.CopyEnabled);
    EXPECT_FALSE(summary.SelectAllEnabled);
    EXPECT_EQ(summary.Tips, tips::FileSummary());

    const PageCommands servers = CommandsForPage(MainPage::ClientServer, kTopologyEthernet);
    EXPECT_EQ(servers.Copy, CopyAction::ServerGrid);
    EXPECT_TRUE(servers.SelectAllEnabled);

    EXPECT_EQ(CommandsForPage(MainPage::DLCError, kTopologyEthernet).Tips, tips::DLCErrorEthernet());
    EXPECT_EQ(CommandsForPage(MainPage::DLCError, kTopologyTokenRing).Tips, tips::DLCErrorTokenRing());
    EXPECT_FALSE(CommandsForPage(MainPage::DLCError, kTopologyTokenRing).SelectAllEnabled);

    const PageCommands chart = CommandsForPage(MainPage::ProtocolChart, kTopologyEthernet);
    EXPECT_EQ(chart.CopyCaption, "&Copy Chart");
    EXPECT_EQ(chart.Copy, CopyAction::ProtocolChart);
    EXPECT_EQ(CommandsForPage(MainPage::PacketSizeChart, kTopologyEthernet).Copy, CopyAction::PacketSizeChart);

    const PageCommands table = CommandsForPage(MainPage::ProtocolTable, kTopologyEthernet);
    EXPECT_EQ(table.Copy, CopyAction::ProtocolGrid);
    EXPECT_TRUE(table.SelectAllEnabled);
    EXPECT_EQ(table.Tips, tips::ProtocolTable());
}

TEST(MainWindow, HelpContextsAndTheirPages)
{
    EXPECT_EQ(PageHelpContext(MainPage::FileSummary, kTopologyEthernet), 8);
    EXPECT_EQ(PageHelpContext(MainPage::PacketSizeChart, kTopologyEthernet), 9);
    EXPECT_EQ(PageHelpContext(MainPage::ClientServer, kTopologyEthernet), 12);
    EXPECT_EQ(PageHelpContext(MainPage::DLCError, kTopologyEthernet), 14);
    EXPECT_EQ(PageHelpContext(MainPage::DLCError, kTopologyTokenRing), 15);
    EXPECT_EQ(HelpPageFile(8), "context-8.html");
    EXPECT_EQ(HelpPageFile(0), "index.html");
    EXPECT_EQ(HelpPageFile(99), "index.html");
}

TEST(MainWindow, HelpPagesAreBundledForEveryContext)
{
    for (int context : {0, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        const std::string page = std::string(QUENLIX_SOURCE_DIR) + "/help/" + HelpPageFile(context);
        EXPECT_TRUE(std::ifstream(page).good()) << page;
    }
}

TEST(MainWindow, NetworkWindowsNeedIpIpv6OrIpxFrames)
{
    AnalysisState state;
    EXPECT_FALSE(TraceHasNetworkPackets(state));
    for (ProtocolFamily family : {kFamilyIP, kFamilyIPv6, kFamilyIPX}) {
        AnalysisState one;
        one.ProtocolStats[family].Frames = 1;
        EXPECT_TRUE(TraceHasNetworkPackets(one)) << FamilyName(family);
    }
}

TEST(MainWindow, ToolbarPictures)
{
    EXPECT_EQ(ToolbarImage(ToolbarButton::Open, true), 2);
    EXPECT_EQ(ToolbarImage(ToolbarButton::Open, false), 3);
    EXPECT_EQ(ToolbarImage(ToolbarButton::Print, false), 1);
    EXPECT_EQ(ToolbarImage(ToolbarButton::Analyze, true), 6);
    EXPECT_EQ(ToolbarImage(ToolbarButton::Station, false), 11);
    EXPECT_EQ(ToolbarImage(ToolbarButton::Network, true), 12);
}

}  // namespace
}  // namespace quenlix
