// The Packet Size Chart and Protocol Chart pages: values per size class and per
// protocol family on analyses built by the engine, titles, the chart options and
// the texts of marks and legend entries.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "EngineFeeder.h"
#include "model/Naming.h"
#include "ui/main/ChartContent.h"
#include "ui/main/ProtocolTableContent.h"

namespace quenlix {
namespace {

using testing::Bytes;
using testing::EngineFeeder;
using testing::Mac;

const Mac kBroadcast{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Mac kA = testing::MacOf(1);
const Mac kB = testing::MacOf(2);

// An Ethernet frame of the given counted size (the engine adds the 4-byte FCS).
Bytes EthernetOfSize(std::size_t size, uint16_t type = 0x9999, const Mac& dst = kB)
{
    return testing::Padded(testing::EthernetII(dst, kA, type, {}), size - 4);
}

Bytes TokenRingOfSize(std::size_t size, const Mac& dst = kB)
{
    Bytes frame = testing::TokenRingLlc(dst, kA, {}, 0xAA, Bytes(3, 0));
    frame.resize(std::max(frame.size(), size), 0);
    return frame;
}

std::vector<int64_t> Values(const std::vector<ChartPoint>& points)
{
    std::vector<int64_t> values;
    for (const ChartPoint& point : points) values.push_back(point.Value);
    return values;
}

std::vector<std::string> Labels(const std::vector<ChartPoint>& points)
{
    std::vector<std::string> labels;
    for (const ChartPoint& point : points) labels.push_back(point.Label);
    return labels;
}

TEST(PacketSizeChart, EthernetClassesAddTheirEntries)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyEthernet);
    // 60 | 64 | 300 | 600, 1000 | 1100, 1518 | 1600 and 1700
    for (std::size_t size : {60, 64, 300, 600, 1000, 1100, 1518, 1600, 1700})
        feed.Feed(EthernetOfSize(size), 0);
    feed.Finish();

    const ChartContent chart = BuildPacketSizeChart(state);
    EXPECT_EQ(chart.Title, "Packet Size Distribution");
    const std::vector<ChartPoint> expected{
        {"18 to 64 -", 1, 0xFF00FF},   {"64 to 255 -", 1, 0x00FF00},    {"256 to 511 -", 1, 0xFFFF00},
        {"512 to 1023 -", 2, 0xFF0000}, {"1024 to 1518 -", 2, 0x00FFFF}, {"Greater than 1518 -", 2, 0x000080},
    };
    EXPECT_EQ(chart.Bars, expected);
    EXPECT_EQ(chart.PieSlices, expected);
}

TEST(PacketSizeChart, EmptyClassesHaveABarButNoSlice)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyEthernet);
    for (int i = 0; i < 3; ++i) feed.Feed(EthernetOfSize(1000), 0);
    feed.Feed(EthernetOfSize(128), 0);
    feed.Finish();

    const ChartContent chart = BuildPacketSizeChart(state);
    ASSERT_EQ(chart.Bars.size(), 6u);
    EXPECT_EQ(Values(chart.Bars), (std::vector<int64_t>{0, 1, 0, 3, 0, 0}));
    EXPECT_EQ(chart.Bars[5].Label, "Greater than 1518 -");  // the zero-height bar keeps its name
    EXPECT_EQ(Labels(chart.PieSlices), (std::vector<std::string>{"64 to 255 -", "512 to 1023 -"}));
    EXPECT_EQ(Values(chart.PieSlices), (std::vector<int64_t>{1, 3}));
}

TEST(PacketSizeChart, TokenRingClassesReachFurther)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyTokenRing);
    // 40 | 100 | 300 | 800 | 1100 and 4000 (entry 15) | 4200 (entry 16) and 17000 (entry 66)
    for (std::size_t size : {40, 100, 300, 800, 1100, 4000, 4200, 17000}) feed.Feed(TokenRingOfSize(size), 0);
    feed.Finish();

    const ChartContent chart = BuildPacketSizeChart(state);
    EXPECT_EQ(Labels(chart.Bars), (std::vector<std::string>{" Less than 64 -", "64 to 255 -", "256 to 511 -",
                                                            "512 to 1023 -", "1024 to 4097 -", "Greater than 4097 -"}));
    EXPECT_EQ(Values(chart.Bars), (std::vector<int64_t>{1, 1, 1, 1, 2, 2}));
    EXPECT_EQ(ChartTotal(chart.Bars), 8);  // every frame in exactly one class
}

TEST(PacketSizeChart, EmptyOrDamagedCountsGiveNoSlices)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyEthernet);
    feed.Finish();
    ChartContent chart = BuildPacketSizeChart(state);
    EXPECT_TRUE(chart.PieSlices.empty());
    EXPECT_EQ(Values(chart.Bars), (std::vector<int64_t>(6, 0)));

    // Counts no read produces: negative entries, the top entry full, an unknown topology.
    state.Topology = static_cast<TopologyCode>(9);
    state.SizeClass(-1) = -5;
    state.SizeClass(6) = 2147483647;
    state.SizeClass(69) = 2147483647;
    state.SizeClass(70) = 2147483647;
    chart = BuildPacketSizeChart(state);
    EXPECT_EQ(chart.Bars[0].Label, "18 to 64 -");  // read as Ethernet
    EXPECT_EQ(Values(chart.Bars), (std::vector<int64_t>{-5, 0, 0, 0, 0, 2147483647}));
    EXPECT_EQ(Labels(chart.PieSlices), (std::vector<std::string>{"Greater than 1518 -"}));
    state.Topology = kTopologyTokenRing;
    EXPECT_EQ(BuildPacketSizeChart(state).Bars[5].Value, int64_t{2} * 2147483647);  // no overflow
}

class ProtocolChart : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineFeeder feed(state, kTopologyEthernet);
        const testing::Ip client = testing::IpOf(10, 0, 0, 1);
        const testing::Ip server = testing::IpOf(10, 0, 0, 2);
        for (int i = 0; i < 3; ++i) feed.Feed(testing::Padded(testing::UdpFrame(kB, kA, client, server, 5000, 6000, {})), 0);
        feed.Feed(testing::Padded(testing::UdpFrame(kBroadcast, kA, client, server, 5000, 6000, {})), 0);
        feed.Feed(EthernetOfSize(64, 0x0806, kBroadcast), 0);  // ARP
        feed.Feed(EthernetOfSize(64, 0x0806, kBroadcast), 0);
        feed.Feed(EthernetOfSize(64), 0);  // an unknown type: Other
        feed.Finish();
    }
    AnalysisState state;
};

TEST_F(ProtocolChart, ValuesPerPacketClassInFamilyOrder)
{
    const ChartContent all = BuildProtocolChart(state, PacketClass::All);
    EXPECT_EQ(all.Title, "Protocol Distribution - All Packets");
    const std::vector<ChartPoint> expected{{"ARP/RARP -", 2, 0xC0DCC0}, {"IP -", 4, 0xFF0000}, {"Other -", 1, 0xFFFFFF}};
    EXPECT_EQ(all.PieSlices, expected);
    EXPECT_EQ(all.Bars, expected);

    const ChartContent broadcast = BuildProtocolChart(state, PacketClass::Broadcast);
    EXPECT_EQ(broadcast.Title, "Protocol Distribution - Broadcast Packets");
    EXPECT_EQ(Labels(broadcast.Bars), (std::vector<std::string>{"ARP/RARP -", "IP -"}));
    EXPECT_EQ(Values(broadcast.Bars), (std::vector<int64_t>{2, 1}));

    const ChartContent rest = BuildProtocolChart(state, PacketClass::NonBroadcast);
    EXPECT_EQ(rest.Title, "Protocol Distribution - Non-Broadcast Packets");
    EXPECT_EQ(Labels(rest.PieSlices), (std::vector<std::string>{"IP -", "Other -"}));
    EXPECT_EQ(Values(rest.PieSlices), (std::vector<int64_t>{3, 1}));
}

// Shares of seven frames, such as 2/7 = 28.571...%, where two decimals and the
// tables' three significant digits part: the chart shows the table's figure.
TEST_F(ProtocolChart, SharesReadAsTheProtocolTableReadsThem)
{
    state.TotalFrames = 7;  // set by the reader, which the feeder stands in for
    const ProtocolTableContent table = BuildProtocolTable(state);
    const auto check = [&table](const ChartContent& chart, size_t column) {
        const int64_t total = ChartTotal(chart.Bars);
        for (const ChartPoint& point : chart.Bars) {
            const auto row = std::find_if(table.Rows.begin(), table.Rows.end(), [&point](const ProtocolTableRow& r) {
                return FamilyName(r.Family) + " -" == point.Label;
            });
            ASSERT_NE(row, table.Rows.end()) << point.Label;
            EXPECT_EQ(MarkText(MarkStyle::Percent, point, total), ChartPercentText(row->Values[column].Figure()))
                << point.Label << " against " << row->Cells[column];
        }
    };
    const ChartContent all = BuildProtocolChart(state, PacketClass::All);
    check(all, 2);
    EXPECT_EQ(LegendText(LegendValue::Percent, all.Bars[0], ChartTotal(all.Bars)), "ARP/RARP - 28.6 %");
    const ChartContent broadcast = BuildProtocolChart(state, PacketClass::Broadcast);
    check(broadcast, 5);
    EXPECT_EQ(MarkText(MarkStyle::LabelAndPercent, broadcast.PieSlices[0], 3), "ARP/RARP - 66.7 %");
}

TEST(ProtocolChartTokenRing, MacAndOtherStaySeparate)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyTokenRing);
    for (int i = 0; i < 2; ++i) feed.Feed(testing::TokenRing(0x00, kB, kA, {}, Bytes(20, 0)), 0);  // MAC frames
    feed.Feed(TokenRingOfSize(100), 0);
    feed.Finish();

    const ChartContent chart = BuildProtocolChart(state, PacketClass::All);
    ASSERT_EQ(chart.PieSlices.size(), 2u);
    EXPECT_EQ(chart.PieSlices[0], (ChartPoint{"MAC -", 2, 0xFFFF00}));
    EXPECT_EQ(chart.PieSlices[1].Label, "Other -");
}

TEST(ProtocolChartDamage, EmptyAndInconsistentCounts)
{
    AnalysisState state;
    EngineFeeder feed(state, kTopologyEthernet);
    feed.Finish();
    for (int item = -1; item <= 3; ++item) EXPECT_TRUE(BuildProtocolChart(state, PacketClassOfItem(item)).Bars.empty());

    state.ProtocolStats[4].Frames = 2;
    state.ProtocolStats[4].GroupFrames = 5;  // more group frames than frames
    EXPECT_TRUE(BuildProtocolChart(state, PacketClass::NonBroadcast).PieSlices.empty());
    EXPECT_EQ(BuildProtocolChart(state, PacketClass::Broadcast).PieSlices.size(), 1u);
}

TEST(ChartPacketClass, ItemsAndTitles)
{
    EXPECT_EQ(PacketClassNames(), (std::array<std::string, 3>{"All", "Broadcast", "Non-Broadcast"}));
    EXPECT_EQ(PacketClassOfItem(0), PacketClass::All);
    EXPECT_EQ(PacketClassOfItem(1), PacketClass::Broadcast);
    EXPECT_EQ(PacketClassOfItem(2), PacketClass::NonBroadcast);
    EXPECT_EQ(PacketClassOfItem(7), PacketClass::All);
    EXPECT_EQ(ProtocolChartTitle(PacketClass::NonBroadcast), "Protocol Distribution - Non-Broadcast Packets");
}

TEST(ChartAppearance, OptionsOfTheDialog)
{
    const ChartAppearance defaults = ChartAppearanceOf(ChartSettings{});
    EXPECT_TRUE(defaults.PieActive);
    EXPECT_EQ(defaults.PieMarks, MarkStyle::LabelAndPercent);
    EXPECT_EQ(defaults.BarMarks, MarkStyle::Percent);
    EXPECT_EQ(defaults.Legend, LegendValue::Percent);
    EXPECT_TRUE(defaults.GradientVisible && defaults.TitleVisible && defaults.LegendVisible);
    EXPECT_TRUE(defaults.MarksVisible && defaults.View3D);
    EXPECT_EQ(defaults.GradientTopColour, 0xFFFFFFu);
    EXPECT_EQ(defaults.GradientBottomColour, 0x00FFFFu);

    ChartSettings settings;
    settings.ChartType = 1;
    settings.ChartUnits = 1;
    settings.ShowGradient = false;
    settings.ShowTitle = false;
    settings.ShowLegend = false;
    settings.ShowValues = false;
    settings.View3D = false;
    settings.TopColor = 0x123456;
    settings.BottomColor = -1;  // out of range: only the colour bits count
    const ChartAppearance bar = ChartAppearanceOf(settings);
    EXPECT_FALSE(bar.PieActive);
    EXPECT_EQ(bar.PieMarks, MarkStyle::LabelAndValue);
    EXPECT_EQ(bar.BarMarks, MarkStyle::Value);
    EXPECT_EQ(bar.Legend, LegendValue::Value);
    EXPECT_FALSE(bar.GradientVisible || bar.TitleVisible || bar.LegendVisible || bar.MarksVisible || bar.View3D);
    EXPECT_EQ(bar.GradientTopColour, 0x123456u);
    EXPECT_EQ(bar.GradientBottomColour, 0xFFFFFFu);
}

TEST(ChartTexts, PercentagesOfTheSeriesTotal)
{
    EXPECT_EQ(ChartPercentText(12.5), "12.5 %");
    EXPECT_EQ(ChartPercentText(100), "100 %");
    EXPECT_EQ(ChartPercentText(100.0 / 3), "33.33 %");
    EXPECT_EQ(ChartPercentText(200.0 / 3), "66.67 %");
    EXPECT_EQ(ChartPercentText(0.001), "0 %");
    EXPECT_EQ(ChartPercentText(0), "0 %");

    const std::vector<ChartPoint> points{{"IP -", 3000, 0}, {"IPX -", 1000, 0}, {"bad -", -7, 0}};
    const int64_t total = ChartTotal(points);
    EXPECT_EQ(total, 4000);
    EXPECT_EQ(MarkText(MarkStyle::LabelAndPercent, points[0], total), "IP - 75 %");
    EXPECT_EQ(MarkText(MarkStyle::LabelAndValue, points[0], total), "IP - 3,000");
    EXPECT_EQ(MarkText(MarkStyle::Percent, points[1], total), "25 %");
    EXPECT_EQ(MarkText(MarkStyle::Value, points[1], total), "1,000");
    EXPECT_EQ(LegendText(LegendValue::Percent, points[1], total), "IPX - 25 %");
    EXPECT_EQ(LegendText(LegendValue::Value, points[1], total), "IPX - 1,000");
    // An empty series divides by nothing.
    EXPECT_EQ(MarkText(MarkStyle::LabelAndPercent, points[0], 0), "IP - 0 %");
    EXPECT_EQ(ChartPercent(5, -1), 0);
}

TEST(ChartGeometry, DepthRangeAndShades)
{
    EXPECT_EQ(ChartDepthPixels(400, 300), 15);  // 5 % of the smaller side
    EXPECT_EQ(ChartDepthPixels(10, 10), 1);
    EXPECT_EQ(ChartDepthPixels(0, 300), 0);
    EXPECT_EQ(ChartDepthPixels(-20, -20), 0);

    EXPECT_DOUBLE_EQ(BarValueRangeTop(0, true), 1);
    EXPECT_DOUBLE_EQ(BarValueRangeTop(-3, false), 1);
    EXPECT_GT(BarValueRangeTop(100, true), BarValueRangeTop(100, false));
    EXPECT_GT(BarValueRangeTop(100, false), 100);

    EXPECT_EQ(ShadedColour(0x00FFFF, 0.5), 0x008080u);  // 127.5 rounds to even
    EXPECT_EQ(ShadedColour(0x808080, 2.5), 0xFFFFFFu);
    EXPECT_EQ(ShadedColour(0x123456, -1), 0u);
}

}  // namespace
}  // namespace quenlix

namespace quenlix {
namespace {

TEST(PieMarks, SmallSlicesHaveNoMarkAndThePieLeavesRoomForTheRest)
{
    EXPECT_TRUE(PieMarkShown(2, 100));
    EXPECT_FALSE(PieMarkShown(1, 100));
    EXPECT_FALSE(PieMarkShown(0, 0));
    EXPECT_FALSE(PieMarkShown(-5, 10));

    // 600 x 400 with marks 100 wide and 14 high: min(300 - 114, 200 - 28) = 172
    // pixels of radius, 0.86 of the side, held at the largest size allowed.
    EXPECT_DOUBLE_EQ(FitPieSize(600, 400, 100, 14, 0.62), 0.62);
    // 400 x 400 with marks 150 wide: 200 - 164 = 36 pixels, 0.18: held at the smallest.
    EXPECT_DOUBLE_EQ(FitPieSize(400, 400, 150, 14, 0.62), kSmallestPieSize);
    // In between the marks decide: 500 x 500, marks 120 wide: 250 - 134 = 116, 0.464.
    EXPECT_NEAR(FitPieSize(500, 500, 120, 14, 0.62), 0.464, 1e-9);
    // Empty or hostile plot areas keep the largest size.
    for (const double side : {0.0, -10.0, std::nan("")}) EXPECT_DOUBLE_EQ(FitPieSize(side, 300, 50, 10, 0.62), 0.62);
}

}  // namespace
}  // namespace quenlix
