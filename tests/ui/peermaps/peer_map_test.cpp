// The peer maps of the network and station windows: circle layout, labels, line
// colours and widths, keys and filters, the statistics grids, the column order,
// the Viewable Stations lists and the stale-view rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

#include "EngineFeeder.h"
#include "FrameBuilder.h"
#include "model/Naming.h"
#include "model/ViewStale.h"
#include "ui/controls/DualListContent.h"
#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/PeerChainCache.h"
#include "ui/peermaps/StationStatsContent.h"

namespace quenlix {
namespace {

using namespace quenlix::testing;

// Six pixels a character; the font size changes the height only.
class FakeMetrics : public RingTextMetrics {
public:
    int TextWidth(const std::string& text, int) const override { return 6 * static_cast<int>(text.size()); }
    int TextHeight(const std::string&, int pointSize) const override { return pointSize + 5; }
};

PeerMapInput Stations(int count)
{
    PeerMapInput input;
    for (int i = 0; i < count; ++i) input.Stations.push_back({"S" + std::to_string(i), {}, true});
    return input;
}

std::vector<int> PointIndexes(const PeerMapDrawing& map)
{
    std::vector<int> indexes;
    for (const auto& label : map.Labels) indexes.push_back(label.PointIndex);
    return indexes;
}

// ---- layout ---------------------------------------------------------------------------

TEST(PeerMapLayout, FewStationsTakeTheirPointsOnTheCircle)
{
    const FakeMetrics metrics;
    struct Case {
        int Count;
        std::vector<int> Points;
    };
    for (const Case& c : std::vector<Case>{{1, {1}}, {2, {1, 2}}, {3, {2, 3, 6}}, {4, {2, 3, 6, 7}}, {5, {1, 2, 3, 4, 5}}}) {
        SCOPED_TRACE(c.Count);
        const PeerMapDrawing map = LayoutPeerMap(Stations(c.Count), 400, 300, metrics);
        EXPECT_EQ(PointIndexes(map), c.Points);
        const auto at = [&](int i) { return map.Labels[static_cast<size_t>(i)]; };
        if (c.Count <= 2) {
            // Left end, then right end of the horizontal diameter.
            EXPECT_EQ(at(0).X, map.CentreX - map.Radius);
            EXPECT_EQ(at(0).Y, map.CentreY);
            if (c.Count == 2) {
                EXPECT_EQ(at(1).X, map.CentreX + map.Radius);
            }
        }
        if (c.Count == 3) {
            EXPECT_LT(at(0).X, map.CentreX);  // upper left
            EXPECT_LT(at(0).Y, map.CentreY);
            EXPECT_GT(at(1).X, map.CentreX);  // upper right
            EXPECT_LT(at(1).Y, map.CentreY);
            EXPECT_LT(at(2).X, map.CentreX);  // lower left
            EXPECT_GT(at(2).Y, map.CentreY);
        }
        if (c.Count == 4) {
            EXPECT_EQ(at(3).Y, map.CentreY);  // the left end again
        }
        if (c.Count == 5) {
            EXPECT_EQ(map.Points.Written, 7);
        }
    }
}

TEST(PeerMapLayout, RadiusStepFontAndLabelBoxes)
{
    const FakeMetrics metrics;
    PeerMapInput input = Stations(2);
    input.Stations[0].Label = std::string(10, 'x');  // 60 pixels, the widest
    const PeerMapDrawing map = LayoutPeerMap(input, 400, 300, metrics);
    EXPECT_EQ(map.Radius, std::min(200 - 60 - 6, 150 - 10));
    EXPECT_DOUBLE_EQ(map.PointStep, 4.0 * map.Radius / 5);
    EXPECT_EQ(map.FontSize, 8);
    // Left-half labels end 5 pixels left of their point; others start 7 right of it.
    EXPECT_EQ(map.Labels[0].Left, map.Labels[0].X - 60 - 5);
    EXPECT_EQ(map.Labels[1].Left, map.Labels[1].X + 7);
    EXPECT_EQ(map.Labels[0].Top, map.Labels[0].Y - 5);

    // A crowded map shrinks the font to 5 points at most; a tiny one keeps a radius of 1.
    const PeerMapDrawing crowded = LayoutPeerMap(Stations(170), 300, 200, metrics);
    EXPECT_EQ(crowded.FontSize, 5);
    const PeerMapDrawing tiny = LayoutPeerMap(Stations(3), 10, 10, metrics);
    EXPECT_EQ(tiny.Radius, 1);
    // The station map spaces three stations like four: 4R / 7.
    PeerMapInput three = Stations(3);
    three.MinimumSpacingCount = 4;
    const PeerMapDrawing spaced = LayoutPeerMap(three, 400, 300, metrics);
    EXPECT_DOUBLE_EQ(spaced.PointStep, 4.0 * spaced.Radius / 7);
}

TEST(PeerMapLayout, OverflowLabelsCutLabelsAndHits)
{
    const FakeMetrics metrics;
    const PeerMapDrawing map = LayoutPeerMap(Stations(500), 800, 600, metrics);
    EXPECT_EQ(map.StationCount, kPeerMapPoints);
    int drawnOverflow = 0;
    for (size_t i = 0; i < map.Labels.size(); ++i) {
        const auto& label = map.Labels[i];
        EXPECT_EQ(label.PointIndex, std::min<int>(static_cast<int>(i) + 1, kPeerMapPoints));
        if (label.PointIndex == kPeerMapPoints) {
            EXPECT_EQ(label.Text, "OVERFLOW      ");
            drawnOverflow += label.Drawn;
        }
        // Nothing is drawn outside the paint box.
        EXPECT_GE(label.X, 0);
        EXPECT_LE(label.X, 800);
    }
    EXPECT_EQ(drawnOverflow, 1);

    EXPECT_EQ(CutPeerLabel(std::string(26, 'a')), std::string(26, 'a'));
    EXPECT_EQ(CutPeerLabel(std::string(27, 'a')), std::string(26, 'a') + "...");

    PeerMapInput input = Stations(2);
    input.Stations[1].Sender = false;
    const PeerMapDrawing two = LayoutPeerMap(input, 400, 300, metrics);
    const auto& a = two.Labels[0];
    EXPECT_EQ(PeerMapHit(two, a.Left + 1, a.Top + 2), 0);
    EXPECT_EQ(PeerMapHit(two, a.Left, a.Top + 2), -1);  // the box's edges are outside
    const auto& b = two.Labels[1];
    EXPECT_EQ(PeerMapHit(two, b.Left + 1, b.Top + 2), -1);  // a station that only received
}

TEST(PeerMapLines, WidthAtItsBoundariesAndColourParts)
{
    struct Case {
        double Weight, Total;
        int Width;
    };
    for (const Case& c : std::vector<Case>{{99, 1000, 1}, {100, 1000, 2}, {199, 1000, 2}, {200, 1000, 3}, {5, 0, 1}})
        EXPECT_EQ(PeerLineWidth(c.Weight, c.Total), c.Width) << c.Weight << "/" << c.Total;

    const std::vector<RGBColour> two{peercolours::kLime, peercolours::kAqua};
    const auto parts = SplitPeerLine(100, 0, 0, 0, two, 2);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0], (PeerMapSegment{100, 0, 75, 0, peercolours::kLime, 2}));
    EXPECT_EQ(parts[1].Colour, peercolours::kAqua);
    EXPECT_EQ(parts[2].Colour, peercolours::kLime);
    EXPECT_EQ(parts[3].X2, 0);
    EXPECT_EQ(SplitPeerLine(0, 0, 5, 5, {}, 1).size(), 0u);
}

// Busy maps: light colours get a dark edge, every line knows the stations it
// joins (the hovered label's lines are drawn on top), and any drawn label is
// found under the mouse, sender or not.
TEST(PeerMapLines, LightColoursGetAnEdgeAndLinesKnowTheirStations)
{
    for (const RGBColour light : {peercolours::kAqua, peercolours::kLime, RGBColour{255, 255, 0}, RGBColour{255, 255, 255}})
        EXPECT_TRUE(NeedsDarkEdge(light)) << int(light.R) << "," << int(light.G) << "," << int(light.B);
    for (const RGBColour dark : {RGBColour{255, 0, 0}, RGBColour{0, 0, 255}, RGBColour{128, 0, 128}, RGBColour{0, 0, 0}})
        EXPECT_FALSE(NeedsDarkEdge(dark)) << int(dark.R) << "," << int(dark.G) << "," << int(dark.B);

    const FakeMetrics metrics;
    PeerMapInput input = Stations(200);  // 20 share the overflow point
    input.Stations[1].Sender = false;
    input.Links.push_back({0, 1, {peercolours::kAqua, RGBColour{255, 0, 0}}, 1});
    input.Links.push_back({190, 2, {RGBColour{255, 0, 0}}, 1});
    input.Links.push_back({195, 2, {RGBColour{255, 0, 0}}, 1});  // the same line from the overflow point
    const PeerMapDrawing map = LayoutPeerMap(input, 800, 600, metrics);
    ASSERT_EQ(map.Segments.size(), 5u);
    EXPECT_TRUE(map.Segments[0].DarkEdge);
    EXPECT_FALSE(map.Segments[1].DarkEdge);
    EXPECT_TRUE(SegmentTouchesLabel(map, map.Segments[0], 1));
    EXPECT_FALSE(SegmentTouchesLabel(map, map.Segments[0], 2));
    EXPECT_TRUE(SegmentTouchesLabel(map, map.Segments[4], 2));
    EXPECT_TRUE(SegmentTouchesLabel(map, map.Segments[4], kPeerMapPoints - 1));  // the overflow label
    EXPECT_FALSE(SegmentTouchesLabel(map, map.Segments[4], -1));

    const PeerMapLabel& receiver = map.Labels[1];
    EXPECT_EQ(PeerMapLabelAt(map, receiver.Left + 1, receiver.Top + 2), 1);
    EXPECT_EQ(PeerMapLabelAt(map, map.CentreX, map.CentreY), -1);
}

// ---- column order -----------------------------------------------------------------------

TEST(PeerGridColumns, ColumnOrderShapes)
{
    const std::vector<int> identity{0, 1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* Value;
        std::vector<int> Positions;
    };
    for (const Case& c : std::vector<Case>{
             {"2,1,3,4,5,6,7,8,9", {1, 0, 2, 3, 4, 5, 6, 7, 8}},
             {"9,8,7,6,5,4,3,2,1", {8, 7, 6, 5, 4, 3, 2, 1, 0}},
             {"", identity},                    // missing key
             {"1,2,3", identity},               // short
             {"1,2,3,4,5,6,7,8,x", identity},   // not a number
             {"1,1,3,4,5,6,7,8,9", identity},   // a position twice
             {"0,2,3,4,5,6,7,8,9", identity},   // out of range
             {"1,2,3,4,5,6,7,8,99", identity},  // longer than the default
             {"12,3,4,5,6,7,8,9,", identity},   // same length, wrong shape
         })
        EXPECT_EQ(ColumnOrderFrom(c.Value, 9), c.Positions) << c.Value;
    EXPECT_EQ(ColumnOrderFrom("1,2,3,4,5,6,7,8,9,11,10", 11)[9], 10);

    const std::string ini = "[Other]\nColumnOrder=9,8,7,6,5,4,3,2,1\n\n[NetworkStatisticsForm]\r\n"
                            " columnorder = 2,1,3,4,5,6,7,8,9 \r\n";
    EXPECT_EQ(IniValue(ini, kNetworkIniSection, kColumnOrderKey), "2,1,3,4,5,6,7,8,9");
    EXPECT_EQ(IniValue(ini, kStationIniSection, kColumnOrderKey), "");
    EXPECT_EQ(IniValue("\x01\xff[[=]\n=", kNetworkIniSection, kColumnOrderKey), "");
    EXPECT_EQ(ReadIniFile("/nonexistent/quenlix.INI"), "");
}

// ---- Viewable Stations lists --------------------------------------------------------------

TEST(DualList, MovesKeepObjectsAndOrder)
{
    DualListContent lists;
    for (int i = 0; i < 5; ++i) lists.Show.push_back({"s" + std::to_string(i), "k" + std::to_string(i)});
    lists.Show[2].Selected = lists.Show[4].Selected = true;
    lists.Include();
    ASSERT_EQ(lists.Hide.size(), 2u);
    EXPECT_EQ(lists.Hide[0].Object, "k4");  // walked from the last entry
    EXPECT_EQ(lists.Hide[1].Object, "k2");
    EXPECT_EQ(lists.ShowCurrent, 2);  // the first selected index, now "s3"
    EXPECT_EQ(lists.Show[2].Text, "s3");

    lists.Include();  // "s3", left selected by the first move
    EXPECT_EQ(lists.ShowCurrent, 1);  // clamped to the last entry
    lists.ExcludeAll();
    EXPECT_TRUE(lists.Hide.empty());
    EXPECT_EQ(lists.Show.back().Object, "k3");
    EXPECT_FALSE(lists.ExcludeEnabled());
    lists.IncludeAll();
    EXPECT_FALSE(lists.IncludeEnabled());
    EXPECT_TRUE(lists.ExcludeEnabled());
    EXPECT_EQ(lists.ShowCurrent, -1);

    DualListContent empty;
    empty.Include();  // nothing selected, nothing there
    EXPECT_FALSE(empty.IncludeEnabled());
    EXPECT_FALSE(empty.ExcludeEnabled());
}

// ---- the windows on engine-fed traffic ---------------------------------------------------

// Three IP hosts: A talks TCP to B (most of the frames) and UDP to C; C answers
// A; B only receives. Station D sends only short frames to the broadcast address.
class PeerWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        EngineFeeder feed(state);
        state.Read.TraceFileName = "/captures/site/office.enc";
        double t = 0;
        TcpSegment segment{1025, 80};
        segment.Payload = Bytes(100, 0x41);
        for (int i = 0; i < 8; ++i) feed.Feed(TcpFrame(MacOf(2), MacOf(1), ipA, ipB, segment), t += 1000);
        feed.Feed(UdpFrame(MacOf(3), MacOf(1), ipA, ipC, 1030, 53, Bytes(30, 0)), t += 1000);
        feed.Feed(UdpFrame(MacOf(1), MacOf(3), ipC, ipA, 53, 1030, Bytes(30, 0)), t += 1000);
        Bytes shortFrame = EthernetII(Mac{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, MacOf(4), 0x9000, Bytes(0));
        feed.FeedSized(shortFrame, 16, 16, t += 1000);
        feed.Feed(UdpFrame(MacOf(4), MacOf(1), ipA, ipD, 1030, 53, Bytes(30, 0)), t += 1000);
        CloseLastInterval(state);
    }

    // What the read does after the last frame: the frame count and at least one interval.
    static void CloseLastInterval(AnalysisState& s)
    {
        s.TotalFrames = 12;
        s.IntervalCount = std::max(s.IntervalCount, 1);
    }

    const NetNode& Node(const Ip& ip) const { return state.NetworkNodes.at(NetString(ip.data(), 4)); }

    AnalysisState state;
    const Ip ipA = IpOf(10, 0, 0, 1);
    const Ip ipB = IpOf(10, 0, 0, 2);
    const Ip ipC = IpOf(10, 0, 0, 3);
    const Ip ipD = IpOf(10, 0, 0, 4);
    const FakeMetrics metrics{};
};

TEST_F(PeerWindows, NetworkMapMarksLabelsAndLines)
{
    NetworkStatisticsContent network(state);
    network.Rebuild();
    EXPECT_EQ(network.Caption(), "Network - office.enc");
    EXPECT_EQ(network.MapMode(), NetMapMode::IP);
    const PeerMapDrawing& map = network.BuildMap(400, 300, metrics);
    ASSERT_EQ(map.Labels.size(), 4u);
    EXPECT_EQ(map.Labels[0].Text, "10.0.0.1");
    EXPECT_TRUE(Node(ipB).NetFlags.Has(kFlagOnMap));
    EXPECT_FALSE(map.Labels[1].Sender);  // B only received

    // A->B TCP carries 8 of 12 frames: 3 pixels, lime (TCP's key).
    const PeerMapInput input = network.MapInput();
    const auto tcp = std::find_if(input.Links.begin(), input.Links.end(), [](const PeerMapLink& l) { return l.To == 1; });
    ASSERT_NE(tcp, input.Links.end());
    EXPECT_EQ(tcp->Colours, std::vector<RGBColour>{peercolours::kLime});
    EXPECT_EQ(tcp->PenWidth, 3);

    // TCP off: its bit leaves A's visible set, and B (only TCP) leaves the map.
    EXPECT_TRUE(network.ClickKey(2, false));
    EXPECT_FALSE(VisibleProtocolsOf(state, Node(ipA)).Has(kAppTCP));
    network.BuildMap(400, 300, metrics);
    EXPECT_FALSE(Node(ipB).NetFlags.Has(kFlagOnMap));
    network.ApplyKeyCommand(PeerWindowContent::KeyCommand::Invert);
    EXPECT_TRUE(network.KeyChecked(2));
    EXPECT_FALSE(network.KeyChecked(1));
    network.ApplyKeyCommand(PeerWindowContent::KeyCommand::Off);
    const PeerMapInput off = network.MapInput();
    EXPECT_TRUE(off.Links.empty());

    network.ApplyKeyCommand(PeerWindowContent::KeyCommand::On);
    network.Destination = PeerDestination::Broadcast;
    EXPECT_TRUE(network.MapInput().Stations.empty());
}

// A paint lays the map out; the content keeps each station's point with its
// address (the analysis records hold none).
TEST_F(PeerWindows, MapLayoutKeepsEachLabelsPointByAddress)
{
    NetworkStatisticsContent network(state);
    StationStatsContent stations(state);
    for (PeerWindowContent* window : std::vector<PeerWindowContent*>{&network, &stations}) {
        window->Rebuild();
        const PeerMapDrawing& map = window->BuildMap(400, 300, metrics);
        const PeerMapLayout layout = window->MapLayout();
        ASSERT_EQ(layout.Placements.size(), 4u);
        for (size_t i = 0; i < layout.Placements.size(); ++i) {
            EXPECT_EQ(layout.Placements[i].X, map.Labels[i].X);
            EXPECT_EQ(layout.Placements[i].Y, map.Labels[i].Y);
        }
    }
    EXPECT_EQ(network.MapLayout().Placements[0].AddressBytes, std::string(reinterpret_cast<const char*>(ipA.data()), 4));
    EXPECT_EQ(stations.MapLayout().Placements[0].AddressBytes, KeyBytes(MacString(MacOf(1).data(), 6)));
    EXPECT_EQ(network.MapLayout().Kind, PeerNodeKind::Network);
    EXPECT_EQ(stations.MapLayout().Kind, PeerNodeKind::Station);
}

// Unticked keys stay with the nodes the windows changed, in the state: a window
// made again over the same trace draws with them. The next read starts with
// every node showing its own sets.
TEST_F(PeerWindows, UntickedKeysOutliveRebuildsUntilTheNextRead)
{
    const auto stationA = [&]() -> const StationNode& { return state.Stations.at(MacString(MacOf(1).data(), 6)); };
    {
        NetworkStatisticsContent network(state);
        StationStatsContent stations(state);
        network.Rebuild();
        stations.Rebuild();
        EXPECT_TRUE(network.ClickKey(2, false));  // TCP
        stations.SetMode(2);
        EXPECT_TRUE(stations.ClickKey(4, false));  // IP
    }
    EXPECT_FALSE(VisibleProtocolsOf(state, Node(ipA)).Has(kAppTCP));
    EXPECT_TRUE(VisibleProtocolsOf(state, Node(ipA)).Has(kAppUDP));
    EXPECT_FALSE(VisibleSetsOf(state, stationA()).Families.Has(kFamilyIP));
    NetworkStatisticsContent again(state);
    again.BuildMap(400, 300, metrics);
    EXPECT_FALSE(Node(ipB).NetFlags.Has(kFlagOnMap));  // B only had TCP

    SetUp();  // a new read
    EXPECT_EQ(VisibleProtocolsOf(state, Node(ipA)), Node(ipA).Protocols);
    EXPECT_EQ(VisibleSetsOf(state, stationA()).Families, stationA().Families);
    NetworkStatisticsContent afterRead(state);
    afterRead.BuildMap(400, 300, metrics);
    EXPECT_TRUE(Node(ipB).NetFlags.Has(kFlagOnMap));
}

// A node shows its own sets once it has sent and nothing before; a filter set
// back to that leaves no entry behind.
TEST_F(PeerWindows, NodesWithoutAChoiceShowWhatTheySent)
{
    EXPECT_EQ(VisibleProtocolsOf(state, Node(ipA)), Node(ipA).Protocols);
    EXPECT_FALSE(Node(ipB).Protocols.Empty());
    EXPECT_TRUE(VisibleProtocolsOf(state, Node(ipB)).Empty());  // B only received
    SetVisibleProtocols(state, Node(ipA), kAppUDP);
    EXPECT_EQ(VisibleProtocolsOf(state, Node(ipA)), ApplicationSet{kAppUDP});
    SetVisibleProtocols(state, Node(ipA), Node(ipA).Protocols);
    EXPECT_TRUE(state.Filters.NetworkNodes.empty());
}

TEST_F(PeerWindows, NetworkGridRowsPopupAndSelectStations)
{
    NetworkStatisticsContent network(state);
    network.SetColumnOrderValue("2,1,3,4,5,6,7,8,9");
    network.Rebuild();
    const GridContent& grid = network.Grid();
    ASSERT_EQ(network.ViewableRowCount(), 2);  // A and C sent
    EXPECT_EQ(grid.Cell(1, 0), "Network Address");
    EXPECT_EQ(grid.Cell(0, 0), "Protocols");
    EXPECT_EQ(grid.Cell(1, 1), " 10.  0.  0.  1");
    EXPECT_EQ(grid.Cell(0, 1), "TCP,UDP");
    EXPECT_EQ(grid.Cell(2, 1), "3");
    EXPECT_EQ(grid.Cell(8, 1), RatioText(Node(ipA).FramesSent, Node(ipA).FramesReceived));
    EXPECT_EQ(grid.Cell(8, 1), "10:1");
    EXPECT_EQ(grid.Cell(6, 2), AverageSizeCell(Node(ipC).BytesSent, 1).Text);

    network.BuildMap(400, 300, metrics);
    const auto& label = network.LastMap().Labels[0];
    const auto popup = network.RightClick(label.Left + 1, label.Top + 2);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->DLCCaption, "DLC Address is " + MACToHex(MacOf(1).data()));
    EXPECT_TRUE(popup->ToolboxEnabled);
    EXPECT_EQ(network.SelectedAddressText, "10.0.0.1");
    EXPECT_EQ(network.HighlightSelected(), 1);
    // A right click on C only selects C: a sort moves the highlight with A's row.
    const auto& labelC = network.LastMap().Labels[2];
    ASSERT_TRUE(network.RightClick(labelC.Left + 1, labelC.Top + 2));
    network.SortColumn(1, false);
    EXPECT_EQ(network.HighlightedRow(), 2);
    EXPECT_EQ(network.Grid().Cell(1, network.HighlightedRow()), " 10.  0.  0.  1");
    network.SortColumn(1, true);

    DualListContent lists = network.SelectStationsLists();
    ASSERT_EQ(lists.Show.size(), 2u);
    lists.Show[0].Selected = true;
    lists.Include();
    // A hovered label's tool tip is its station's row; B has none and shows its label.
    EXPECT_EQ(network.LabelToolTip(0).substr(0, 27), "Protocols: TCP,UDP\nNetwork ");
    EXPECT_EQ(network.LabelToolTip(1), network.LastMap().Labels[1].Text);
    EXPECT_EQ(network.LabelToolTip(99), "");

    network.ApplySelectStations(lists);
    EXPECT_EQ(network.ViewableRowCount(), 1);
    EXPECT_EQ(network.Grid().RowCount(), 2);
    EXPECT_FALSE(Node(ipA).NetFlags.Has(kFlagViewable));
    // A hidden, C's answer alone stays; the rows of A wait for the next selection.
    EXPECT_EQ(network.SelectStationsLists().Hide.size(), 1u);
    lists = network.SelectStationsLists();
    lists.Show[0].Selected = true;
    lists.Include();
    network.ApplySelectStations(lists);
    EXPECT_EQ(network.Grid().RowCount(), 1);
    EXPECT_TRUE(network.MapInput().Stations.empty());
}

TEST_F(PeerWindows, StationMapViewsAndGrid)
{
    StationStatsContent stations(state);
    stations.Rebuild();
    EXPECT_EQ(stations.Caption(), "Station - office.enc");
    EXPECT_EQ(stations.ModeItems()[0], "Errors");
    EXPECT_EQ(stations.View(), StationMapView::Encapsulation);
    const PeerMapInput input = stations.MapInput();
    // Station 4 averages 16 bytes: it is never a candidate, so its broadcast peer
    // stays off the map; it is there only as station 1's peer.
    for (const auto& s : input.Stations) EXPECT_NE(s.Label, "FFFFFFFFFFFF");
    EXPECT_EQ(input.Stations.size(), 4u);
    EXPECT_EQ(stations.ViewableRowCount(), state.SourceStationCount);
    const GridContent& grid = stations.Grid();
    EXPECT_EQ(grid.Cell(0, 0), "Source Address");
    EXPECT_EQ(grid.Cell(1, 1), "Etype");
    EXPECT_EQ(grid.Cell(2, 1), "IP");

    stations.SetMode(0);
    EXPECT_EQ(stations.Keys().GroupHeight, 83);
    EXPECT_EQ(stations.Keys().Boxes[0].Caption, "CRC");
    const PeerMapInput errors = stations.MapInput();
    ASSERT_FALSE(errors.Links.empty());
    EXPECT_EQ(errors.Links.front().Colours, std::vector<RGBColour>{peercolours::kAqua});

    stations.SetMode(2);
    EXPECT_EQ(stations.Keys().Boxes[4].Caption, "IPv6");
    EXPECT_EQ(stations.Keys().Boxes[14].Caption, "Other");
    stations.ClickKey(4, false);  // IP
    EXPECT_TRUE(stations.MapInput().Links.empty());

    // Bridge Group: a name only while SmartNames is on.
    StationNode bridge;
    const uint8_t group[6] = {0x01, 0x80, 0xC2, 0, 0, 0};
    bridge.Address = MacString(group, 6);
    EXPECT_EQ(stations.LabelText(bridge), "0180C2000000");
    stations.MapSmartNames = true;
    EXPECT_EQ(stations.LabelText(bridge), "Bridge Group");
}

TEST(PeerWindowsHostile, EmptyAndDamagedStates)
{
    const FakeMetrics metrics;
    AnalysisState state;
    NetworkStatisticsContent network(state);
    StationStatsContent stations(state);
    network.Rebuild();
    stations.Rebuild();
    EXPECT_TRUE(network.BuildMap(0, 0, metrics).Labels.empty());
    EXPECT_EQ(network.Grid().RowCount(), 1);
    EXPECT_EQ(UtilisationCell(state, 10, 1000).Text, "0.00%");  // no intervals, no division

    // A sender whose chain points at records of the wrong kind, back at itself,
    // or past the list: the walks stop.
    NetNode& node = state.NetworkNodes[NetString(reinterpret_cast<const uint8_t*>("\x0a\0\0\x01"), 4)];
    node.Address = NetString(reinterpret_cast<const uint8_t*>("\x0a\0\0\x01"), 4);
    node.Kind = kNetworkIP;
    node.NetFlags = kFlagSender | kFlagViewable;
    node.Protocols = kAppTCP;
    TNetPeer loop;
    loop.PeerNode = state.NetworkNodes.NumberOf(node.Address);
    loop.Next = 0;
    node.FirstPeer = state.ObjectList.Add(loop);
    state.ObjectList.ChangeNetPeer(node.FirstPeer, [&](auto& record) { record.Next = node.FirstPeer; });
    StationNode& station = state.Stations[MacString(reinterpret_cast<const uint8_t*>("\0\0\0\0\0\1"), 6)];
    station.StationFlags = kFlagSender | kFlagViewable;
    station.FirstDLCPeer = 12345;
    state.IPSenderCount = 7;  // counters that disagree with the tree
    network.Rebuild();
    stations.Rebuild();
    EXPECT_EQ(network.ViewableRowCount(), 1);
    EXPECT_EQ(network.Grid().Cell(2, 1), "1");
    EXPECT_EQ(network.BuildMap(50, 50, metrics).Labels.size(), 1u);
    EXPECT_EQ(stations.Grid().Cell(3, 1), "0");
    EXPECT_TRUE(stations.BuildMap(50, 50, metrics).Labels.empty());
}

TEST(PeerWindowsHops, HopsOfBothDirectionsChooseTheKey)
{
    AnalysisState state;
    state.TotalFrames = 10;
    auto add = [&](uint8_t last) -> NetNode& {
        const uint8_t bytes[10] = {0, 0, 0, 1, 0, 0, 0, 0, 0, last};
        NetNode& n = state.NetworkNodes[NetString(bytes, 10)];
        n.Address = NetString(bytes, 10);
        n.Kind = kNetworkIPX;
        n.NetFlags = kFlagSender | kFlagViewable;
        n.Protocols = kAppNCP;
        return n;
    };
    NetNode& a = add(1);
    NetNode& b = add(2);
    TNetPeer ab;
    ab.PeerNode = state.NetworkNodes.NumberOf(b.Address);
    ab.Hops = 4;
    ab.Protocols = kAppNCP;
    TNetPeer ba = ab;
    ba.PeerNode = state.NetworkNodes.NumberOf(a.Address);
    ba.Hops = 7;
    state.ObjectList.Add(TNetPeer{});  // object 0 is never a chain's first
    a.FirstPeer = state.ObjectList.Add(ab);
    b.FirstPeer = state.ObjectList.Add(ba);
    state.IPXSenderCount = 2;

    NetworkStatisticsContent network(state);
    network.Rebuild();
    EXPECT_EQ(network.MapMode(), NetMapMode::IPX);
    network.SetMode(2);
    const PeerMapInput input = network.MapInput();
    ASSERT_EQ(input.Links.size(), 2u);
    EXPECT_EQ(input.Links[0].Colours, std::vector<RGBColour>{network.Keys().Boxes[10].Colour});
    EXPECT_EQ(network.Keys().Boxes[10].Caption, "10+ Hops");
    network.ClickKey(11, false);
    EXPECT_TRUE(network.MapInput().Stations.empty());
}

// The Protocol group after a rebuild: the user's choice while the trace has
// senders of its kind, else the first kind with senders, else IPX.
TEST(NetworkProtocolMode, ChoiceHeldWhileItsKindHasSenders)
{
    const struct {
        int IP, IPv6, IPX;
        std::optional<NetMapMode> Chosen;
        NetMapMode Expected;
    } cases[] = {
        {0, 0, 0, std::nullopt, NetMapMode::IPX},
        {3, 1, 2, std::nullopt, NetMapMode::IP},
        {0, 1, 2, std::nullopt, NetMapMode::IPv6},
        {0, 0, 2, std::nullopt, NetMapMode::IPX},
        {3, 0, 2, NetMapMode::IPX, NetMapMode::IPX},
        {3, 0, 2, NetMapMode::IPXHops, NetMapMode::IPXHops},
        {3, 1, 2, NetMapMode::IPv6, NetMapMode::IPv6},
        {0, 1, 2, NetMapMode::IP, NetMapMode::IPv6},
        {3, 1, 0, NetMapMode::IPX, NetMapMode::IP},
        {0, 0, 0, NetMapMode::IP, NetMapMode::IPX},
    };
    for (const auto& c : cases) {
        AnalysisState state;
        state.IPSenderCount = c.IP;
        state.IPv6SenderCount = c.IPv6;
        state.IPXSenderCount = c.IPX;
        NetworkStatisticsContent network(state);
        network.Rebuild();
        if (c.Chosen) network.ChooseMode(static_cast<int>(*c.Chosen));
        network.Rebuild();
        EXPECT_EQ(network.MapMode(), c.Expected) << c.IP << " " << c.IPv6 << " " << c.IPX;
    }
}

TEST(NetworkProtocolMode, ChoiceComesBackWithItsKind)
{
    AnalysisState state;
    state.IPSenderCount = 3;
    state.IPXSenderCount = 2;
    NetworkStatisticsContent network(state);
    network.Rebuild();
    network.ChooseMode(static_cast<int>(NetMapMode::IPX));
    state.IPXSenderCount = 0;
    network.Rebuild();
    EXPECT_EQ(network.MapMode(), NetMapMode::IP);
    state.IPXSenderCount = 2;
    network.Rebuild();
    EXPECT_EQ(network.MapMode(), NetMapMode::IPX);
}

TEST(PeerChainCaches, OrdinalsAndReverseDirections)
{
    const std::vector<int> keys{3, 5, 9};
    EXPECT_EQ(OrdinalOfKey(keys, 5), 1);
    for (int missing : {0, 4, 10}) EXPECT_EQ(OrdinalOfKey(keys, missing), -1) << missing;

    struct Conversation {
        int Peer;
        int32_t Index;
        int32_t Reverse;
    };
    // Node 0 talks to 1 and to itself, 1 answers 0, 2 talks to 1 one way.
    std::vector<Conversation> conversations{{1, 10, -1}, {0, 11, -1}, {0, 20, -1}, {1, 30, -1}};
    const std::vector<ChainSender> senders{{0, 0, 2}, {1, 2, 3}, {2, 3, 4}};
    LinkReverseConversations(senders, conversations);
    std::vector<int32_t> reverses;
    for (const Conversation& c : conversations) reverses.push_back(c.Reverse);
    EXPECT_EQ(reverses, (std::vector<int32_t>{20, -1, 10, -1}));
}

TEST(ViewStaleFlags, RebuildOnlyOnceAfterARead)
{
    AnalysisState state;
    int rebuilds = 0;
    const auto rebuild = [&] { ++rebuilds; };
    EXPECT_FALSE(RebuildIfStale(state, kViewNetwork, rebuild));
    state.ViewStale.fill(1);
    EXPECT_TRUE(RebuildIfStale(state, kViewNetwork, rebuild));
    EXPECT_FALSE(RebuildIfStale(state, kViewNetwork, rebuild));
    EXPECT_TRUE(IsViewStale(state, kViewStation));  // each window has its own entry
    EXPECT_FALSE(IsViewStale(state, kViewCount));
    EXPECT_EQ(rebuilds, 1);
}

}  // namespace
}  // namespace quenlix
