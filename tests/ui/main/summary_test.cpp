// The File Summary page's figures for hand-built analysis states.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "import/TraceImport.h"
#include "ui/main/FileSummaryContent.h"

namespace quenlix {
namespace {

class FileSummary : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One file per test, so that tests running side by side never share one.
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        tracePath = std::filesystem::path(::testing::TempDir()) / ("summary_" + name + ".enc");
        std::ofstream(tracePath) << "trace";
        state.Read.TraceFileName = tracePath.string();
        state.Read.TraceFormat = kFormatSniffer;
        state.Read.TraceFileSize = 1234567;
        state.TraceDurationText = "00:00:07";
        state.TotalFrames = 1000;
        state.FrameStats[2] = 1518;
        state.FrameStats[3] = 342;
        state.FrameStats[4] = 590;
        state.FrameStats[7] = 100;  // broadcast frames
        state.FrameStats[8] = 50;   // multicast frames
        state.FrameStats[10] = 125;
        state.FrameStats[11] = 5;
        state.FrameStats[12] = 860;
        state.FrameStats[13] = 10;
        state.TotalBytes = 500000;
        state.TotalBroadcastBytes = 6400;
        state.TotalMulticastBytes = 12345;
        state.IntervalCount = 7;
        state.UtilStats = {0, 37, 0, 210000, 0, 400, 0, 2, 0, 9000, 0, 40};
    }
    void TearDown() override { std::filesystem::remove(tracePath); }

    std::filesystem::path tracePath;
    AnalysisState state;
};

TEST_F(FileSummary, FrameStatisticsByAddressClass)
{
    const FrameStatisticsContent stats = BuildFileSummary(state).FrameStatistics;
    EXPECT_EQ(stats.Station.Count, "850");
    EXPECT_EQ(stats.Station.CountPercent, 85);
    EXPECT_EQ(stats.Station.Bytes, "481,255");
    EXPECT_EQ(stats.Station.BytesPercent, 96);
    EXPECT_EQ(stats.Station.AverageSize, "500");  // over all frames
    EXPECT_EQ(stats.Station.Largest, "1,518");    // largest of all frames

    EXPECT_EQ(stats.Multicast.Label, "Multicast");
    EXPECT_EQ(stats.Multicast.Count, "50");
    EXPECT_EQ(stats.Multicast.CountPercent, 5);
    EXPECT_EQ(stats.Multicast.Bytes, "12,345");
    EXPECT_EQ(stats.Multicast.BytesPercent, 2);
    EXPECT_EQ(stats.Multicast.AverageSize, "247");
    EXPECT_EQ(stats.Multicast.Largest, "590");

    EXPECT_EQ(stats.Broadcast.Count, "100");
    EXPECT_EQ(stats.Broadcast.CountPercent, 10);
    EXPECT_EQ(stats.Broadcast.Bytes, "6,400");
    EXPECT_EQ(stats.Broadcast.BytesPercent, 1);
    EXPECT_EQ(stats.Broadcast.AverageSize, "64");
    EXPECT_EQ(stats.Broadcast.Largest, "342");

    EXPECT_EQ(stats.TotalPackets, "1,000");
    EXPECT_EQ(stats.TotalBytes, "500,000");
}

TEST_F(FileSummary, PercentagesAndAveragesRoundHalvesToEven)
{
    state.TotalFrames = 8;
    state.FrameStats[7] = 1;   // 12.5% -> 12
    state.FrameStats[8] = 3;   // 37.5% -> 38
    state.TotalBytes = 1012;   // 126.5 bytes a frame -> 126
    state.TotalBroadcastBytes = 0;
    state.TotalMulticastBytes = 0;
    const FrameStatisticsContent stats = BuildFileSummary(state).FrameStatistics;
    EXPECT_EQ(stats.Broadcast.CountPercent, 12);
    EXPECT_EQ(stats.Multicast.CountPercent, 38);
    EXPECT_EQ(stats.Station.AverageSize, "126");
}

TEST_F(FileSummary, WithoutBroadcastsTheAverageIsZero)
{
    state.FrameStats[7] = 0;
    state.TotalBroadcastBytes = 0;
    EXPECT_EQ(BuildFileSummary(state).FrameStatistics.Broadcast.AverageSize, "0");
}

TEST_F(FileSummary, MediaUtilizationAllAndBroadcast)
{
    const FileSummaryContent content = BuildFileSummary(state, MediaPackets::Broadcast);
    const MediaUtilizationFigures& all = content.MediaUtilization.All;
    EXPECT_EQ(all.AvePps.Text, "142");
    EXPECT_EQ(all.PeakPps.Text, "400");
    EXPECT_EQ(all.AveBps.Text, "71,428");
    EXPECT_EQ(all.PeakBps.Text, "210,000");
    EXPECT_EQ(all.AveBandwidth.Text, "<1%");
    EXPECT_EQ(all.PeakBandwidth.Text, "37%");

    const MediaUtilizationFigures& broadcast = content.MediaUtilization.Broadcast;
    EXPECT_EQ(broadcast.AvePps.Text, "21");   // broadcast and multicast frames
    EXPECT_EQ(broadcast.AveBps.Text, "914");  // broadcast bytes only
    EXPECT_EQ(broadcast.PeakPps.Text, "40");
    EXPECT_EQ(broadcast.PeakBps.Text, "9,000");
    EXPECT_EQ(broadcast.AveBandwidth.Text, "<1%");
    EXPECT_EQ(broadcast.PeakBandwidth.Text, "2%");
    EXPECT_EQ(&content.MediaUtilization.Shown(), &content.MediaUtilization.Broadcast);
}

TEST_F(FileSummary, EmptyTotalsNeverDivide)
{
    state.TotalFrames = 0;
    state.TotalBytes = 0;
    state.IntervalCount = 0;
    const FileSummaryContent content = BuildFileSummary(state);
    EXPECT_EQ(content.FrameStatistics.Station.CountPercent, 0);
    EXPECT_EQ(content.FrameStatistics.Station.AverageSize, "0");
    EXPECT_EQ(content.FrameStatistics.Station.BytesPercent, 0);
    EXPECT_EQ(content.MediaUtilization.All.AvePps.Text, "0");
    EXPECT_EQ(content.MediaUtilization.All.AveBps.Text, "0");
    EXPECT_EQ(content.Encapsulation.Rows[0].Percent, 0);
}

TEST_F(FileSummary, ByteTotalsBeyond32Bits)
{
    state.TotalBytes = 5.0e9;
    state.IntervalCount = 2;
    const FileSummaryContent content = BuildFileSummary(state);
    EXPECT_EQ(content.FrameStatistics.TotalBytes, "5,000,000,000");
    EXPECT_EQ(content.MediaUtilization.All.AveBps.Text, "2,500,000,000");
    EXPECT_EQ(content.FileAttributes.Bytes.Text, "5,000,000,000");
}

TEST_F(FileSummary, EthernetEncapsulations)
{
    const EncapsulationContent encaps = BuildFileSummary(state).Encapsulation;
    EXPECT_EQ(encaps.Rows[0].Count, "125");
    EXPECT_EQ(encaps.Rows[0].Percent, 12);  // 12.5 -> 12
    EXPECT_EQ(encaps.Rows[1].Count, "5");
    EXPECT_EQ(encaps.Rows[2].Label, "Etype");
    EXPECT_EQ(encaps.Rows[2].Count, "860");
    EXPECT_EQ(encaps.Rows[2].Percent, 86);
    EXPECT_EQ(encaps.Rows[3].Label, "Novell Raw");
    EXPECT_TRUE(encaps.Rows[3].Visible);
    EXPECT_EQ(encaps.Rows[3].Count, "10");
}

TEST_F(FileSummary, TokenRingRelabelsRows)
{
    state.Topology = kTopologyTokenRing;
    state.MacFrames = 250;
    const FileSummaryContent content = BuildFileSummary(state);
    EXPECT_EQ(content.FrameStatistics.Multicast.Label, "Functional");
    EXPECT_EQ(content.Encapsulation.Rows[2].Label, "MAC");
    EXPECT_EQ(content.Encapsulation.Rows[2].Hint, "Media Access Control");
    EXPECT_EQ(content.Encapsulation.Rows[2].Count, "250");
    EXPECT_EQ(content.Encapsulation.Rows[2].Percent, 25);
    EXPECT_FALSE(content.Encapsulation.Rows[3].Visible);
    EXPECT_EQ(content.FileAttributes.Topology.Text, "Token Ring");
    EXPECT_EQ(content.FileAttributes.Bandwidth.Text, "16 Mbps");
}

TEST_F(FileSummary, FileAttributes)
{
    std::tm midnight{};
    midnight.tm_year = 2023 - 1900;
    midnight.tm_mon = 10;
    midnight.tm_mday = 9;
    midnight.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&midnight));
    std::filesystem::last_write_time(tracePath, std::chrono::file_clock::from_sys(when));

    const FileAttributesContent attributes = BuildFileSummary(state).FileAttributes;
    EXPECT_EQ(attributes.Analyzer.Text, "Sniffer");
    EXPECT_EQ(attributes.Topology.Text, "Ethernet");
    EXPECT_EQ(attributes.Bandwidth.Text, "10 Mbps");
    EXPECT_EQ(attributes.Duration.Text, "00:00:07");
    EXPECT_EQ(attributes.FileDate.Text, "09/11/2023");  // the date alone, also at midnight
    EXPECT_EQ(attributes.FileSize.Text, "1,234,567");
    EXPECT_EQ(attributes.Frames.Text, "1,000");
    EXPECT_EQ(attributes.Bytes.Text, "500,000");

    std::filesystem::remove(tracePath);
    EXPECT_EQ(BuildFileSummary(state).FileAttributes.FileDate.Text, "");
}

TEST_F(FileSummary, NoTraceKeepsTheInitialZeros)
{
    state.Read.TraceFileName.clear();
    const FileSummaryContent content = BuildFileSummary(state);
    EXPECT_FALSE(content.HasTrace);
    EXPECT_EQ(content.FrameStatistics.Station.Count, "0");
    EXPECT_EQ(content.FrameStatistics.TotalBytes, "0");
    EXPECT_EQ(content.MediaUtilization.All.PeakPps.Text, "0");
    EXPECT_EQ(content.Encapsulation.Rows[0].Count, "0");
}

TEST_F(FileSummary, VlansMostFramesFirstAndTiesById)
{
    state.VlanFrames = {{300, 5}, {100, 1234}, {20, 5}, {4095, 1}};
    const VlanContent vlans = BuildFileSummary(state).Vlans;
    EXPECT_EQ(vlans.Caption, "VLAN IDs");
    std::vector<std::pair<std::string, std::string>> rows;
    for (const VlanRow& row : vlans.Rows) rows.emplace_back(row.Label, row.Count);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"VLAN 100", "1,234 frames"}, {"VLAN 20", "5 frames"}, {"VLAN 300", "5 frames"}, {"VLAN 4095", "1 frame"}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(vlans.More, 0u);
    EXPECT_EQ(vlans.MoreText, "");
}

TEST_F(FileSummary, VlansBeyondTwentyAreCountedNotListed)
{
    for (uint16_t id = 1; id <= 23; ++id) state.VlanFrames[id] = id;
    const VlanContent vlans = BuildVlans(state);
    ASSERT_EQ(vlans.Rows.size(), 20u);
    EXPECT_EQ(vlans.Rows.front().Id, 23);
    EXPECT_EQ(vlans.Rows.back().Id, 4);
    EXPECT_EQ(vlans.More, 3u);
    EXPECT_EQ(vlans.MoreText, "and 3 more VLAN IDs");
}

TEST_F(FileSummary, NoTaggedFramesNoVlans)
{
    EXPECT_TRUE(BuildFileSummary(state).Vlans.Rows.empty());
}

TEST(FileSummaryTexts, BandwidthAndDateBox)
{
    EXPECT_EQ(BandwidthText(0), "<1%");
    EXPECT_EQ(BandwidthText(1), "1%");
    EXPECT_EQ(BandwidthText(100), "100%");
    EXPECT_EQ(FileDateBoxText("05/03/2024 07:08:09"), "05/03/2024");
    EXPECT_EQ(FileDateBoxText("05/03/2024"), "05/03/2024");
    EXPECT_EQ(FileDateBoxText(""), "");
}

}  // namespace
}  // namespace quenlix
