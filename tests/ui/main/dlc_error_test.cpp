// The DLC error page's content: the collision ranking and its notes, the frame
// error counts and copy text on Ethernet; the soft-error summary, its lists,
// counts, notes and copy text, and the ring map's geometry on Token Ring.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include <unistd.h>

#include "EngineFeeder.h"
#include "FrameBuilder.h"
#include "TokenRingFrames.h"
#include "import/TraceImport.h"
#include "model/ReadHost.h"
#include "ui/main/DLCErrorContent.h"

namespace quenlix {
namespace {

namespace tb = quenlix::testing;

// ---- helpers ----------------------------------------------------------------------

std::unique_ptr<AnalysisState> NewState(TopologyCode topology = kTopologyEthernet)
{
    auto state = std::make_unique<AnalysisState>();
    state->Topology = topology;
    ResetAnalysis(*state);
    return state;
}

std::array<uint8_t, 6> Address(uint8_t last, uint8_t first = 0x02)
{
    return {first, 0x00, 0x00, 0x00, 0x00, last};
}

StationNode& AddSender(AnalysisState& state, const std::array<uint8_t, 6>& address, int32_t sent, uint16_t suspects)
{
    const MacString key(address.data(), 6);
    StationNode& node = state.Stations[key];
    node.Address = key;
    node.StationFlags = kFlagSender | kFlagViewable;
    node.FramesSent = sent;
    ErrorsFor(state, node).CollisionSuspects = suspects;
    return node;
}

// Adds a vendor at the end of the table, which is kept in ascending prefix order.
void AddVendor(AnalysisState& state, const std::array<uint8_t, 3>& prefix, const std::string& name)
{
    state.VendorCount = static_cast<uint16_t>(state.VendorCount + 1);
    state.VendorTable[state.VendorCount] = {prefix, name};
}

// Widths of 6 pixels a character at 8 points, heights of the size plus six.
class FixedMetrics : public RingTextMetrics {
public:
    int TextWidth(const std::string& text, int pointSize) const override
    {
        return static_cast<int>(text.size()) * pointSize * 3 / 4;
    }
    int TextHeight(const std::string&, int pointSize) const override { return pointSize + 6; }
};

const FixedMetrics kMetrics;

RingMapInput RingOf(int count)
{
    RingMapInput input;
    input.RingStationCount = count;
    for (int i = 1; i <= std::min(count, kRingOrderCapacity); ++i) {
        RingStation station;
        station.Address = Address(static_cast<uint8_t>(i), 0x10);
        station.Address[4] = static_cast<uint8_t>(i >> 8);
        station.SeenThisCycle = 1;
        input.Stations.push_back(station);
    }
    return input;
}

double Angle(const RingPoint& p)
{
    // Clockwise on screen from 9 o'clock: 0 at (-r, 0), growing through 12 o'clock.
    const double a = std::atan2(-static_cast<double>(p.Y), -static_cast<double>(p.X));
    return a < -1e-9 ? a + 2 * M_PI : std::max(a, 0.0);
}

// ---- Ethernet: ranking ----------------------------------------------------------------

TEST(CollisionRanking, OrdersByShareKeepsTiesInAddressOrderAndDropsTheSixth)
{
    auto state = NewState();
    AddSender(*state, Address(1), 100, 10);  // 10 %
    AddSender(*state, Address(2), 40, 8);    // 20 %
    AddSender(*state, Address(3), 20, 2);    // 10 %, a tie with station 1
    AddSender(*state, Address(4), 30, 3);    // 10 %, another tie
    AddSender(*state, Address(5), 1000, 1);  // 0.1 %
    AddSender(*state, Address(6), 60, 30);   // 50 %
    AddSender(*state, Address(7), 500, 1);   // 0.2 %: below all five when it comes, not ranked
    const CollisionSuspectTable table = BuildCollisionSuspectTable(*state);
    const std::array<uint8_t, 5> expected{6, 2, 1, 3, 4};
    for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].Address[5], expected[i]) << "record " << i + 1;
    EXPECT_EQ(table[0].Suspects, 30);
    EXPECT_EQ(table[0].Transmits, 60);

    // A sixth station whose share equals the fifth's falls off; a better one pushes the fifth out.
    AddSender(*state, Address(8), 10, 1);  // 10 %
    EXPECT_EQ(BuildCollisionSuspectTable(*state)[4].Address[5], 4);
    AddSender(*state, Address(9), 10, 2);  // 20 %, after station 2 (address order)
    const CollisionSuspectTable pushed = BuildCollisionSuspectTable(*state);
    const std::array<uint8_t, 5> after{6, 2, 9, 1, 3};
    for (size_t i = 0; i < pushed.size(); ++i) EXPECT_EQ(pushed[i].Address[5], after[i]) << "record " << i + 1;
}

TEST(CollisionRanking, NeedsTenTransmitsSuspectsAndASender)
{
    auto state = NewState();
    AddSender(*state, Address(1), 9, 9);    // 9 frames: never ranked, however bad
    AddSender(*state, Address(2), 10, 1);   // exactly ten: ranked
    AddSender(*state, Address(3), 100, 0);  // no suspects
    StationNode& receiver = AddSender(*state, Address(4), 100, 50);
    receiver.StationFlags = NodeFlagSet{};  // never sent
    const CollisionSuspectTable table = BuildCollisionSuspectTable(*state);
    EXPECT_EQ(table[0].Address[5], 2);
    for (size_t i = 1; i < table.size(); ++i) EXPECT_TRUE(table[i].Empty());

    const EthernetErrorsContent content = UpdateEthernetErrors(*state, false);
    EXPECT_EQ(content.Rows[0].Source, "020000000002");
    EXPECT_EQ(content.Rows[1].Source, "");
    EXPECT_EQ(content.Rows[1].Transmits, "0");
    EXPECT_EQ(content.Rows[1].Retransmits, "0");
    EXPECT_EQ(content.Rows[1].Gauge, 0);
}

TEST(CollisionRanking, EmptyStateAndHostileCountsStayInRange)
{
    auto state = NewState();
    EXPECT_TRUE(BuildCollisionSuspectTable(*state)[0].Empty());
    // More suspects than frames cannot come from the engine; the gauge still stays within 0..100.
    AddSender(*state, Address(1), 10, 60000);
    state->FrameStats[17] = 1;
    const EthernetErrorsContent content = UpdateEthernetErrors(*state, false);
    EXPECT_EQ(content.Rows[0].Gauge, 100);
    EXPECT_EQ(content.Rows[0].Retransmits, "60,000");
}

// ---- Ethernet: gauges, notes and counts --------------------------------------------------

TEST(EthernetErrors, NoteNeedsFiftyTransmitsAndTenPercent)
{
    auto state = NewState();
    state->FrameStats[17] = 3;  // there were fragments
    AddSender(*state, Address(1), 50, 5);   // 10 % of 50: a note
    AddSender(*state, Address(2), 49, 5);   // 10.2 % of 49: shown as 10 %, but no note
    AddSender(*state, Address(3), 200, 19); // 9.5 % rounds to 10 (ties to even): a note
    AddSender(*state, Address(4), 200, 17); // 8.5 % rounds to 8: no note
    const EthernetErrorsContent content = UpdateEthernetErrors(*state, false);
    EXPECT_EQ(content.Rows[0].Source, "020000000002");
    EXPECT_EQ(content.Rows[0].Gauge, 10);
    EXPECT_EQ(content.Rows[1].Source, "020000000001");
    EXPECT_EQ(content.Rows[1].Gauge, 10);
    EXPECT_EQ(content.Rows[2].Gauge, 10);
    EXPECT_EQ(content.Rows[3].Gauge, 8);
    ASSERT_EQ(content.Notes.size(), 2u);
    EXPECT_EQ(content.Notes[0], "DLC source 020000000001 is suspect for high collision rates when transmitting.");
    EXPECT_EQ(content.Notes[1], "DLC source 020000000003 is suspect for high collision rates when transmitting.");
}

TEST(EthernetErrors, NotesWithoutFragmentsNameWhatIsMissing)
{
    auto state = NewState();
    EthernetErrorsContent content = UpdateEthernetErrors(*state, false);
    ASSERT_EQ(content.Notes.size(), 1u);
    EXPECT_EQ(content.Notes[0], "No frame errors or collision fragments to analyze in trace file.");
    EXPECT_EQ(content.FrameErrors, (std::array<std::string, 4>{"0", "0", "0", "0"}));

    state->FrameStats[15] = 1234;  // runts but no fragments
    content = UpdateEthernetErrors(*state, false);
    EXPECT_EQ(content.Notes, std::vector<std::string>{"No collision fragments to analyze in trace file."});
    EXPECT_EQ(content.FrameErrors[1], "1,234");

    state->FrameStats[17] = 2;  // fragments but nothing ranked: "Notes" stays
    content = UpdateEthernetErrors(*state, false);
    EXPECT_EQ(content.Notes, std::vector<std::string>{"Notes"});
    EXPECT_EQ(ClearEthernetErrors().Notes, std::vector<std::string>{"Notes"});
}

TEST(EthernetErrors, EngineCountsFragmentsAndTheNextTwoGoodFrames)
{
    auto state = NewState();
    tb::EngineFeeder feed(*state);
    const tb::Mac a = tb::MacOf(0xA1), b = tb::MacOf(0xB2), c = tb::MacOf(0xC3);
    const tb::Bytes runt(56, 0);  // 60 bytes with the FCS: a runt
    auto good = [](const tb::Mac& to, const tb::Mac& from) { return tb::Padded(tb::EthernetII(to, from, 0x0800, {})); };
    double t = 0;
    for (int i = 0; i < 48; ++i) feed.Feed(good(b, a), t += 10);
    tb::Bytes fragment = runt;
    std::copy(c.begin(), c.end(), fragment.begin() + 6);
    for (int round = 0; round < 5; ++round) {
        feed.Feed(fragment, t += 10, true);
        feed.Feed(good(b, a), t += 10);  // suspect
        feed.Feed(good(a, b), t += 10);  // suspect
        feed.Feed(good(a, b), t += 10);  // third frame after: not a suspect
    }
    feed.Finish();
    ASSERT_EQ(state->FrameStats[17], 5);
    const EthernetErrorsContent content = UpdateEthernetErrors(*state, false);
    // a: 53 frames, 5 suspects (9.4 %, rounds to 9); b: 10 frames, 5 suspects (50 %).
    EXPECT_EQ(content.Rows[0].Source, "00001B0000B2");
    EXPECT_EQ(content.Rows[0].Transmits, "10");
    EXPECT_EQ(content.Rows[0].Retransmits, "5");
    EXPECT_EQ(content.Rows[0].Gauge, 50);
    EXPECT_EQ(content.Rows[1].Source, "00001B0000A1");
    EXPECT_EQ(content.Rows[1].Transmits, "53");
    EXPECT_EQ(content.Rows[1].Gauge, 9);
    EXPECT_EQ(content.Notes, std::vector<std::string>{"Notes"});  // b sent fewer than 50 frames
    EXPECT_EQ(content.FrameErrors, (std::array<std::string, 4>{"5", "5", "0", "5"}));
}

TEST(EthernetErrors, VendorFormAndCopyText)
{
    auto state = NewState();
    AddVendor(*state, {0x00, 0x00, 0x0C}, "Cisco");
    state->FrameStats[14] = 1500;
    state->FrameStats[15] = 2;
    state->FrameStats[17] = 1;
    AddSender(*state, {0x00, 0x00, 0x0C, 0x4F, 0x2A, 0x10}, 1000, 300);
    AddSender(*state, Address(9), 20, 1);  // no vendor known for it: the twelve digits
    const EthernetErrorsContent byVendor = UpdateEthernetErrors(*state, true);
    EXPECT_EQ(byVendor.Rows[0].Source, "Cisco4F2A10");
    EXPECT_EQ(byVendor.Rows[1].Source, "020000000009");
    EXPECT_EQ(byVendor.Notes[0], "DLC source Cisco4F2A10 is suspect for high collision rates when transmitting.");
    EXPECT_EQ(UpdateEthernetErrors(*state, false).Rows[0].Source, "00000C4F2A10");

    EXPECT_EQ(EthernetSummaryText(byVendor),
              "Frame Error Summary\r\n"
              "Bad FCS \t1,500\r\n"
              "Runt/Short \t2\r\n"
              "Long/Jabber \t0\r\n"
              "Fragment \t1\r\n"
              "\r\n"
              "Collision Fragment Analysis\r\n"
              "DLC Source\tTransmits\tRetransmits\t% Retransmitted\r\n"
              "Cisco4F2A10\t1,000\t300\t30%\r\n"
              "020000000009\t20\t1\t5%\r\n"
              "\t0\t0\t0%\r\n"
              "\t0\t0\t0%\r\n"
              "\t0\t0\t0%");
}

// ---- Token Ring: soft error summary --------------------------------------------------------

class SoftErrors : public ::testing::Test {
protected:
    void SetUp() override { feed_ = std::make_unique<tb::EngineFeeder>(*state_, kTopologyTokenRing); }

    void Report(const tb::Mac& from, const tb::Mac& upstream, std::array<uint8_t, 10> counts,
                const tb::Mac& to = tb::kRingErrorMonitor)
    {
        feed_->Feed(tb::SoftErrorReportFrame(from, upstream, counts, to), time_ += 1000);
    }
    void Monitor(const tb::Mac& from, const tb::Mac& upstream, bool active)
    {
        feed_->Feed(tb::MonitorPresentFrame(from, upstream, active), time_ += 1000);
    }

    std::unique_ptr<AnalysisState> state_ = std::make_unique<AnalysisState>();
    std::unique_ptr<tb::EngineFeeder> feed_;
    double time_ = 0;
    const tb::Mac a_ = Address(0xA), b_ = Address(0xB), c_ = Address(0xC), d_ = Address(0xD);
};

TEST_F(SoftErrors, NotesWithoutMacFramesOrWithoutReports)
{
    SoftErrorSummary summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.Notes, std::vector<std::string>{"No Media Access Control (MAC) frames in trace to analyze."});
    EXPECT_EQ(summary.Totals[kSoftBurst], "0");

    // Reports to another address than the monitor's count nowhere: no lists.
    Monitor(a_, b_, true);
    Report(a_, b_, {0, 0, 7, 0, 0, 0, 0, 0, 0, 0}, c_);
    summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.Notes,
              std::vector<std::string>{"No Media Access Control (MAC) error report frames in trace to analyze."});
    for (int kind = 0; kind < kSoftErrorKinds; ++kind) {
        EXPECT_TRUE(summary.Lists[static_cast<size_t>(kind)].empty());
        EXPECT_EQ(summary.StationsText(kind), "0");
    }
    EXPECT_EQ(BuildRingMapInput(*state_).Stations.at(0).RingMACInfo, -1);
}

TEST_F(SoftErrors, ListsCountOneItemPerStationNeighbourAndKind)
{
    Report(a_, b_, {0, 0, 3, 0, 0, 0, 1, 0, 0, 0});  // burst 3, line 1
    Report(a_, b_, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0});  // same neighbour: summed
    Report(c_, a_, {0, 0, 0, 0, 0, 5, 0, 0, 0, 0});  // internal 5
    Report(b_, c_, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0});  // burst 1
    const SoftErrorSummary summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.Totals[kSoftBurst], "6");
    EXPECT_EQ(summary.Totals[kSoftLine], "1");
    EXPECT_EQ(summary.Totals[kSoftInternal], "5");
    // Stations in address order.
    EXPECT_EQ(summary.Lists[kSoftBurst],
              (std::vector<std::string>{"02000000000A/02000000000B/5", "02000000000B/02000000000C/1"}));
    EXPECT_EQ(summary.Lists[kSoftLine], std::vector<std::string>{"02000000000A/02000000000B/1"});
    EXPECT_EQ(summary.Lists[kSoftInternal], std::vector<std::string>{"02000000000C/02000000000A/5"});
    EXPECT_EQ(summary.StationsText(kSoftBurst), "2");
    EXPECT_EQ(summary.StationsText(kSoftLine), "1");
    EXPECT_EQ(summary.StationsText(kSoftToken), "0");
    EXPECT_EQ(summary.MultiNAUNCount, 0);
    EXPECT_EQ(summary.Notes, std::vector<std::string>{"Notes"});
}

TEST_F(SoftErrors, SeveralUpstreamNeighboursAreMarkedAndCountedOnce)
{
    Report(a_, b_, {0, 0, 1, 0, 0, 0, 2, 0, 0, 0});
    Report(a_, c_, {0, 0, 4, 0, 0, 0, 0, 0, 0, 0});
    SoftErrorSummary summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.MultiNAUNCount, 1);
    EXPECT_EQ(summary.Notes, std::vector<std::string>{"1 station (marked by an *) has had multiple upstream neighbors."});
    EXPECT_EQ(summary.Lists[kSoftBurst],
              (std::vector<std::string>{"*02000000000A/02000000000B/1", "*02000000000A/02000000000C/4"}));
    EXPECT_EQ(summary.Lists[kSoftLine], std::vector<std::string>{"*02000000000A/02000000000B/2"});
    // One per (station, neighbour) record that reported the kind.
    EXPECT_EQ(summary.StationsText(kSoftBurst), "2");

    Report(d_, a_, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    Report(d_, b_, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.MultiNAUNCount, 2);
    EXPECT_EQ(summary.Notes,
              std::vector<std::string>{"2 stations (marked by an *) have had multiple upstream neighbors."});
}

TEST_F(SoftErrors, VendorFormsUseEachAddressOwnVendor)
{
    state_->VendorCount = 2;
    state_->VendorTable[1] = {{0x02, 0x00, 0x00}, "Acme"};
    state_->VendorTable[2] = {{0x08, 0x00, 0x5A}, "IBM"};
    const tb::Mac ibm = {0x08, 0x00, 0x5A, 0x01, 0x02, 0x03};
    Report(a_, ibm, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    // b's first record comes from a monitor frame (no vendor with it); d's too, and
    // a later monitor frame moves it to another neighbour before d reports; c keeps
    // the neighbour its report named when a monitor frame names another.
    Monitor(b_, ibm, false);
    Report(b_, ibm, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Report(c_, ibm, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Report(c_, ibm, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Monitor(c_, d_, false);
    Monitor(d_, ibm, false);
    Monitor(d_, a_, false);
    Report(d_, a_, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const SoftErrorSummary summary = UpdateTokenRingErrors(*state_, true);
    EXPECT_EQ(summary.Lists[kSoftAbort], (std::vector<std::string>{"Acme00000A/IBM010203/1", "Acme00000B/IBM010203/1",
                                                                    "Acme00000C/IBM010203/1", "Acme00000D/Acme00000A/1"}));
}

TEST_F(SoftErrors, CopyTextListsEveryRowAndItem)
{
    Report(a_, b_, {0, 0, 3, 0, 0, 0, 0, 0, 0, 0});
    Report(c_, b_, {0, 0, 1, 0, 0, 0, 0, 0, 2, 0});
    const SoftErrorSummary summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(SoftErrorSummaryText(summary),
              "\tTotal\tStations\tReporting Station/NAUN/Count\r\n"
              "\r\n"
              "Fault Domain Errors\r\n"
              "Burst Error\t4\t2\t02000000000A/02000000000B/3\r\n"
              "\t\t\t02000000000C/02000000000B/1\r\n"
              "Line Error\t0\t0\t\r\n"
              "\r\n"
              "Station Specific Errors\r\n"
              "Receiver Congestion\t2\t1\t02000000000C/02000000000B/2\r\n"
              "Internal Error\t0\t0\t\r\n"
              "Transmit Abort\t0\t0\t\r\n"
              "\r\n"
              "Ring Wide Errors\r\n"
              "Token Error\t0\t0\t\r\n"
              "Lost Frame Error\t0\t0\t\r\n"
              "Frame Copied\t0\t0\t\r\n"
              "Frequency\t0\t0\t\r\n"
              "AC\t0\t0\t");
}

TEST_F(SoftErrors, DamagedChainsEndWithoutLoopingOrStrayReads)
{
    Report(a_, b_, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    Report(a_, c_, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    Monitor(a_, b_, true);
    StationErrorRecord& station = ErrorsFor(*state_, state_->Stations.at(MacString(a_.data(), 6)));
    // A chain that loops back on itself.
    TMACInfo& second = state_->ObjectList.MACInfo(state_->ObjectList.MACInfo(station.FirstMACInfo).Next);
    second.Next = station.FirstMACInfo;
    SoftErrorSummary summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_LE(summary.Lists[kSoftBurst].size(), static_cast<size_t>(state_->ObjectList.Count()));
    RingMapInput input = BuildRingMapInput(*state_);
    EXPECT_LE(input.Stations.at(0).Chain.size(), static_cast<size_t>(state_->ObjectList.Count()));
    // Chains that point at another kind of record or past the list.
    second.Next = 0;  // a TDLCPeer
    summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.Lists[kSoftBurst].size(), 2u);
    second.Next = 1'000'000;
    summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_EQ(summary.Lists[kSoftBurst].size(), 2u);
    station.FirstMACInfo = -7;
    summary = UpdateTokenRingErrors(*state_, false);
    EXPECT_TRUE(summary.Lists[kSoftBurst].empty());
    // A ring count beyond the table.
    state_->RingStationCount = 100000;
    input = BuildRingMapInput(*state_);
    EXPECT_EQ(input.Stations.size(), static_cast<size_t>(kRingOrderCapacity));
    state_->RingStationCount = -3;
    EXPECT_TRUE(BuildRingMapInput(*state_).Stations.empty());
}

TEST_F(SoftErrors, RingInputLinksVendorsAlwaysAndErrorsOnlyWithReports)
{
    state_->VendorCount = 1;
    state_->VendorTable[1] = {{0x02, 0x00, 0x00}, "Acme"};
    Monitor(a_, c_, true);
    Monitor(b_, a_, false);
    Monitor(c_, b_, false);
    RingMapInput input = BuildRingMapInput(*state_);
    ASSERT_EQ(input.Stations.size(), 3u);
    // "Show Station by OUI" applies to the ring map even when no errors were reported.
    EXPECT_EQ(input.Stations[1].RingVendor, 1);
    EXPECT_EQ(input.Stations[1].VendorName, "Acme");
    EXPECT_EQ(input.Stations[1].RingMACInfo, -1);

    Report(b_, a_, {0, 0, 2, 0, 0, 0, 0, 0, 0, 0});
    input = BuildRingMapInput(*state_);
    const StationNode& node = state_->Stations.at(MacString(b_.data(), 6));
    EXPECT_EQ(input.Stations[1].RingMACInfo, ErrorsOf(*state_, node).FirstMACInfo);
    ASSERT_EQ(input.Stations[1].Chain.size(), 1u);
    EXPECT_EQ(input.Stations[1].Chain[0].SoftErrors[kSoftBurst], 2);
    EXPECT_EQ(input.Stations[0].RingMACInfo, -1);  // a reported nothing
}

// ---- Token Ring: ring map points ---------------------------------------------------------

TEST(RingPoints, EightStationsTable)
{
    // Radius 110, eight stations: four points a quarter (Q = 3), a step of 40 pixels.
    const RingPointTable table = BuildRingPoints(8, 110, 40.0);
    EXPECT_EQ(table.PointsPerQuarter, 3);
    EXPECT_FALSE(table.FewStations);
    const std::vector<RingPoint> expected{{-110, 0}, {-102, -40}, {-75, -80}, {75, -80}, {102, -40}, {110, 0},
                                          {102, 40}, {75, 80},    {-75, 80},  {-102, 40}, {-110, 0}};
    ASSERT_EQ(table.Written, 11);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(table.RingPoints[i + 1], expected[i]) << "point " << i + 1;
    EXPECT_EQ(RingPointIndexes(8, false), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(RingPoints, ThreeAndFourStationsSkipPointsOneFourAndFive)
{
    // Radius 70: step 4 x 70 / 7 = 40, x = -round(sqrt(70^2 - 40^2)) = -57.
    const RingPointTable table = BuildRingPoints(3, 70, 40.0);
    EXPECT_TRUE(table.FewStations);
    EXPECT_EQ(table.PointsPerQuarter, 2);
    EXPECT_EQ(RingPointIndexes(3, true), (std::vector<int>{2, 3, 6}));
    EXPECT_EQ(RingPointIndexes(4, true), (std::vector<int>{2, 3, 6, 7}));
    EXPECT_EQ(table.RingPoints[2], (RingPoint{-57, -40}));
    EXPECT_EQ(table.RingPoints[3], (RingPoint{57, -40}));
    EXPECT_EQ(table.RingPoints[6], (RingPoint{-57, 40}));
    EXPECT_EQ(table.RingPoints[7], (RingPoint{-70, 0}));
    EXPECT_TRUE(BuildRingPoints(4, 70, 40.0).FewStations);
    EXPECT_FALSE(BuildRingPoints(5, 70, 40.0).FewStations);
    EXPECT_FALSE(BuildRingPoints(2, 70, 40.0).FewStations);
}

TEST(RingPoints, EveryRingFromOneTo180StationsSitsOnTheCircleClockwise)
{
    const int radius = 300;
    for (int count = 1; count <= 180; ++count) {
        SCOPED_TRACE("stations " + std::to_string(count));
        const int n = std::clamp(count, 4, 180);
        const RingPointTable table = BuildRingPoints(count, radius, 4.0 * radius / (n + 3));
        const int q = table.PointsPerQuarter;
        EXPECT_EQ(q, count >= 5 ? (n + 5) / 4 : count >= 3 ? 2 : 1);
        EXPECT_EQ(table.Written, std::min(4 * q - 1, 180));
        EXPECT_EQ(table.RingPoints[1], (RingPoint{-radius, 0}));
        for (int i = 1; i <= table.Written; ++i) {
            const RingPoint p = table.RingPoints[static_cast<size_t>(i)];
            const double distance = std::hypot(p.X, p.Y);
            EXPECT_NEAR(distance, radius, 1.0) << "point " << i;
        }
        const std::vector<int> indexes = RingPointIndexes(count, table.FewStations);
        ASSERT_EQ(indexes.size(), static_cast<size_t>(count));
        std::set<std::pair<int, int>> used;
        double previous = -1;
        for (int b = 0; b < count; ++b) {
            const int i = indexes[static_cast<size_t>(b)];
            ASSERT_GE(i, 1);
            ASSERT_LE(i, table.Written);
            const RingPoint p = table.RingPoints[static_cast<size_t>(i)];
            // Distinct places, each further clockwise than the one before (the
            // fourth of a four-station ring comes back to 9 o'clock).
            EXPECT_TRUE(used.insert({p.X, p.Y}).second) << "station " << b + 1;
            const double angle = (count == 4 && b == 3) ? 2 * M_PI : Angle(p);
            EXPECT_GT(angle, previous) << "station " << b + 1;
            previous = angle;
        }
    }
}

TEST(RingPoints, StationsBeyond179ShareTheLastPoint)
{
    const std::vector<int> indexes = RingPointIndexes(200, false);
    EXPECT_EQ(indexes[178], 179);
    for (size_t b = 179; b < indexes.size(); ++b) EXPECT_EQ(indexes[b], 180);
    EXPECT_EQ(RingPointIndexes(100000, false).size(), static_cast<size_t>(kRingOrderCapacity));
    EXPECT_TRUE(RingPointIndexes(-5, false).empty());
    // Any count keeps its writes inside the table.
    for (int count : {-1, 0, 181, 280, 100000}) EXPECT_LE(BuildRingPoints(count, 300, 5.0).Written, 180);
}

// ---- Token Ring: ring map drawing ----------------------------------------------------------

TEST(RingMap, GeometryOfAnEightStationRing)
{
    const RingMapInput input = RingOf(8);
    const RingMapContent map = BuildRingMap(input, 400, 300, {}, kMetrics);
    EXPECT_EQ(map.CentreX, 200);
    EXPECT_EQ(map.CentreY, 150);
    EXPECT_EQ(map.LabelWidth, 12 * 6 + 5);
    // min(200 - 77 - 6, 150 - 10 - 0) = 117.
    EXPECT_EQ(map.RingRadius, 117);
    EXPECT_DOUBLE_EQ(map.PointStep, 4.0 * 117 / 11);
    EXPECT_EQ(map.FontSize, 8);
    EXPECT_EQ(map.LabelHeight, 14);
    EXPECT_EQ(map.Caption, "(Downstream neighbors are clockwise)");
    ASSERT_EQ(map.Labels.size(), 8u);
    const RingLabel& first = map.Labels[0];  // 9 o'clock: text to the left
    EXPECT_EQ(first.Text, "100000000001");
    EXPECT_EQ(first.RingX, 200 - 117);
    EXPECT_EQ(first.RingY, 150);
    EXPECT_EQ(first.Left, first.RingX - 5 - 72);
    EXPECT_EQ(first.Top, 145);
    const RingLabel& fourth = map.Labels[3];  // upper right: text to the right, pushed up
    const RingPoint p4 = map.Points.RingPoints[4];
    EXPECT_GT(p4.X, 0);
    EXPECT_EQ(fourth.Left, fourth.RingX + 7);
    EXPECT_EQ(fourth.Top, fourth.RingY - 5 + static_cast<int>(std::nearbyint(p4.Y / 117.0 * 9)));
    EXPECT_LT(fourth.Top, fourth.RingY - 5);
    // Everything drawn stays inside the paint box.
    for (const RingLabel& label : map.Labels) {
        EXPECT_GE(label.Left, 0);
        EXPECT_GE(label.Top, 0);
        EXPECT_LE(label.Left + label.Width, map.Width);
        EXPECT_LE(label.Top + label.Height, map.Height);
    }
}

TEST(RingMap, EmptyOneAndTwoStationRings)
{
    RingMapContent map = BuildRingMap(RingOf(0), 300, 200, {}, kMetrics);
    EXPECT_EQ(map.Caption, "(There is no ring poll in the trace file)");
    EXPECT_TRUE(map.Labels.empty());
    EXPECT_EQ(map.LabelWidth, 0);
    EXPECT_EQ(map.RingRadius, 90);  // the circle is still drawn

    map = BuildRingMap(RingOf(1), 300, 200, {}, kMetrics);
    EXPECT_EQ(map.Caption, "(There is only one station in the ring poll)");
    ASSERT_EQ(map.Labels.size(), 1u);
    EXPECT_EQ(map.Labels[0].RingX, 150 - map.RingRadius);
    EXPECT_EQ(map.Labels[0].RingY, 100);

    map = BuildRingMap(RingOf(2), 300, 200, {}, kMetrics);
    EXPECT_EQ(map.Caption, "(Downstream neighbors are clockwise)");
    ASSERT_EQ(map.Labels.size(), 2u);
    EXPECT_EQ(map.Labels[1].RingX, 150 + map.RingRadius);
    EXPECT_EQ(map.Labels[1].Left, map.Labels[1].RingX + 7);
}

TEST(RingMap, ThreeStationsAreDrawnAtPointsTwoThreeAndSix)
{
    const RingMapContent map = BuildRingMap(RingOf(3), 400, 300, {}, kMetrics);
    ASSERT_EQ(map.Labels.size(), 3u);
    EXPECT_TRUE(map.FewStations);
    EXPECT_EQ(map.Labels[0].PointIndex, 2);
    EXPECT_EQ(map.Labels[1].PointIndex, 3);
    EXPECT_EQ(map.Labels[2].PointIndex, 6);
    const RingPoint p6 = map.Points.RingPoints[6];
    EXPECT_EQ(map.Labels[2].RingX, map.CentreX + p6.X);
    EXPECT_EQ(map.Labels[2].RingY, map.CentreY + p6.Y);
}

TEST(RingMap, CrowdedRingsShrinkTheFontAndOverflowAt180)
{
    const RingMapContent map = BuildRingMap(RingOf(200), 600, 500, {}, kMetrics);
    // Radius min(300 - 77 - 6, 250 - 10 - 18) = 217, step 4 x 217 / 183 = 4.7: the
    // font goes down to the smallest legible size, 6 points, and stops there.
    EXPECT_EQ(map.FontSize, 6);
    EXPECT_EQ(map.LabelHeight, 12);
    ASSERT_EQ(map.Labels.size(), 200u);
    EXPECT_EQ(map.Labels[178].Text, "1000000000B3");  // station 179 keeps its address
    EXPECT_EQ(map.Labels[178].Text.size(), 12u);
    for (size_t b = 179; b < map.Labels.size(); ++b) {
        EXPECT_EQ(map.Labels[b].Text, "OVERFLOW      ");
        EXPECT_EQ(map.Labels[b].PointIndex, 180);
        // One caption on the overflow point, not one per station piled up there.
        EXPECT_EQ(map.Labels[b].Drawn, b == 179);
    }
    // A roomy ring of 20 keeps the 8-point font.
    EXPECT_EQ(BuildRingMap(RingOf(20), 800, 700, {}, kMetrics).FontSize, 8);
}

TEST(RingMap, LightMarkColoursAreDrawnAsDarkTextOnTheirColour)
{
    RingMapInput input = RingOf(4);
    input.Stations[0].RingFlags = kRingActiveMonitor;  // Active Monitor: aqua
    input.Stations[1].RingFlags = kRingExActiveMonitor;  // ex-Active Monitor: teal, readable as text
    const RingMapContent map = BuildRingMap(input, 400, 300, {}, kMetrics);
    ASSERT_EQ(map.Labels.size(), 4u);
    EXPECT_TRUE(map.Labels[0].Boxed);
    EXPECT_EQ(map.Labels[0].Colour, dlccolours::kAqua);  // the mark keeps its colour
    EXPECT_EQ(map.Labels[0].TextColour, dlccolours::kButtonText);
    for (size_t b = 1; b < 4; ++b) {
        EXPECT_FALSE(map.Labels[b].Boxed);
        EXPECT_EQ(map.Labels[b].TextColour, map.Labels[b].Colour);
    }
}

TEST(RingMap, TinyOrHostileSizesNeverDivideByZero)
{
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {5, 300}, {300, 5}, {-40, -40}}) {
        for (int count : {0, 1, 3, 8, 180, 281}) {
            const RingMapContent map = BuildRingMap(RingOf(count), w, h, {}, kMetrics);
            EXPECT_GE(map.RingRadius, 1);
            EXPECT_TRUE(std::isfinite(map.PointStep));
            EXPECT_GE(map.FontSize, kRingMapSmallestFontSize);
            for (const RingLabel& label : map.Labels) {
                EXPECT_GE(label.PointIndex, 1);
                EXPECT_LE(label.PointIndex, 180);
            }
        }
    }
}

TEST(RingMap, LabelsNameFunctionalAddressesAndVendors)
{
    RingMapInput input = RingOf(6);
    input.Stations[0].Address = {0xC0, 0, 0, 0, 0, 0x02};
    input.Stations[1].Address = {0xC0, 0, 0, 0, 0, 0x08};
    input.Stations[2].Address = {0xC0, 0, 0, 0, 0, 0x10};
    input.Stations[3].Address = {0xC0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    input.Stations[4].Address = {0x08, 0x00, 0x5A, 0x12, 0x34, 0x56};
    input.Stations[4].RingVendor = 5;
    input.Stations[4].VendorName = "IBM";
    RingMapOptions options;
    RingMapContent map = BuildRingMap(input, 500, 400, options, kMetrics);
    EXPECT_EQ(map.Labels[0].Text, "Ring Param Svr");
    EXPECT_EQ(map.Labels[1].Text, "Ring Err Mon");
    EXPECT_EQ(map.Labels[2].Text, "Ring Config Svr");
    EXPECT_EQ(map.Labels[3].Text, "Ring Broadcast");
    EXPECT_EQ(map.Labels[4].Text, "08005A123456");
    options.ShowByOUI = true;
    map = BuildRingMap(input, 500, 400, options, kMetrics);
    EXPECT_EQ(map.Labels[4].Text, "IBM123456");
    EXPECT_EQ(map.Labels[5].Text, "100000000006");  // no vendor
    // Labels left of the centre end five pixels before their point, whatever their width.
    for (const RingLabel& label : map.Labels) {
        if (label.RingX < map.CentreX + 1) {
            EXPECT_EQ(label.Left + label.Width, label.RingX - 5);
        }
    }
}

TEST(RingMap, ColoursByRingPollAndByStationErrors)
{
    using namespace dlccolours;
    RingMapInput input = RingOf(6);
    input.Stations[1].SeenThisCycle = 0;    // not seen yet this cycle
    input.Stations[2].RingFlags = kRingExActiveMonitor;     // former active monitor
    input.Stations[3].RingFlags = kRingActiveMonitor;     // active monitor
    input.Stations[4].RingFlags = kRingActiveMonitor | kRingExActiveMonitor;     // both: the active monitor wins
    input.Stations[5].RingFlags = kRingActiveMonitor | kRingDeinserted;     // active monitor that missed a cycle
    RingMapContent map = BuildRingMap(input, 500, 400, {}, kMetrics);
    const std::vector<RGBColour> byPoll{kButtonText, kButtonShadow, kTeal, kAqua, kAqua, kButtonShadow};
    for (size_t i = 0; i < byPoll.size(); ++i) EXPECT_EQ(map.Labels[i].Colour, byPoll[i]) << "station " << i + 1;

    auto withCounts = [](std::initializer_list<std::pair<int, uint16_t>> counts) {
        TMACInfo info;
        for (const auto& [kind, count] : counts) info.SoftErrors[static_cast<size_t>(kind)] = count;
        return info;
    };
    input.Stations[0].Chain = {withCounts({{kSoftCongestion, 1}})};
    input.Stations[1].Chain = {withCounts({{kSoftAbort, 1}}), withCounts({{kSoftCongestion, 1}})};
    input.Stations[2].Chain = {withCounts({{kSoftInternal, 1}}), withCounts({{kSoftAbort, 1}})};
    input.Stations[3].Chain = {withCounts({{kSoftCongestion, 1}}), withCounts({{kSoftAbort, 2}})};
    input.Stations[4].Chain = {withCounts({{kSoftBurst, 9}})};
    RingMapOptions options;
    options.IdBy = StationID::StationErrors;
    map = BuildRingMap(input, 500, 400, options, kMetrics);
    const std::vector<RGBColour> byErrors{kYellow, kFuchsia, kRed, kFuchsia, kButtonText, kButtonText};
    for (size_t i = 0; i < byErrors.size(); ++i) EXPECT_EQ(map.Labels[i].Colour, byErrors[i]) << "station " << i + 1;
}

TEST(RingMap, FaultDomainLinesJoinReporterAndUpstreamNeighbour)
{
    RingMapInput input = RingOf(5);
    TMACInfo burst;
    burst.NAUN = input.Stations[1].Address;
    burst.SoftErrors[kSoftBurst] = 2;
    TMACInfo line;
    line.NAUN = input.Stations[3].Address;
    line.SoftErrors[kSoftLine] = 1;
    TMACInfo outsider;
    outsider.NAUN = Address(0x77);
    outsider.SoftErrors[kSoftBurst] = 5;
    input.Stations[2].Chain = {burst, outsider};
    input.Stations[4].Chain = {line};
    RingMapOptions options;
    RingMapContent map = BuildRingMap(input, 500, 400, options, kMetrics);
    ASSERT_EQ(map.FaultLines.size(), 1u);  // the outsider is not in the ring poll: no line
    const RingLine& l = map.FaultLines[0];
    EXPECT_EQ(l.X1, map.Labels[2].RingX);
    EXPECT_EQ(l.Y1, map.Labels[2].RingY);
    EXPECT_EQ(l.X2, map.Labels[1].RingX);
    EXPECT_EQ(l.Y2, map.Labels[1].RingY);
    EXPECT_EQ(map.FaultColour, dlccolours::kRed);

    options.Domain = FaultDomain::LineErrors;
    map = BuildRingMap(input, 500, 400, options, kMetrics);
    ASSERT_EQ(map.FaultLines.size(), 1u);
    EXPECT_EQ(map.FaultLines[0].X1, map.Labels[4].RingX);
    EXPECT_EQ(map.FaultLines[0].X2, map.Labels[3].RingX);
}

// ---- the sample ring, through the engine and the Sniffer reader ------------------------

class QuietHost : public ReadHost {
public:
    void PumpEvents() override {}
    void ShowMessage(MessageIcon, const std::string&, const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Writes the sample ring where QUENLIX_RING_TRACE_OUT says (for pictures and
// printing by hand), else to a scratch file, and reads it back.
TEST(RingOfEight, TraceReadsIntoTheExpectedPanels)
{
    const char* wanted = std::getenv("QUENLIX_RING_TRACE_OUT");
    const std::filesystem::path path =
        wanted != nullptr && *wanted != '\0'
            ? std::filesystem::path(wanted)
            : std::filesystem::temp_directory_path() / ("quenlix-ring8-" + std::to_string(::getpid()) + ".trc");
    tb::WriteRingOfEightTrace(path.string());
    auto state = std::make_unique<AnalysisState>();
    QuietHost host;
    state->Read.TraceFileName = path.string();
    const FormatDetection format = DetectTraceFormat(*state, path.string(), host);
    state->Read.TraceFormat = format.Code;
    state->Topology = DetectTopology(*state, format.Code, path.string(), host).Code;
    ASSERT_EQ(state->Topology, kTopologyTokenRing);
    ReadTraceFile(*state, false, host);
    if (wanted == nullptr || *wanted == '\0') std::filesystem::remove(path);
    EXPECT_TRUE(host.messages.empty());

    ASSERT_EQ(state->RingStationCount, 8);
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(state->RingOrder[static_cast<size_t>(i)].Address, tb::RingOfEightStation(i));
    const SoftErrorSummary summary = UpdateTokenRingErrors(*state, false);
    EXPECT_EQ(summary.Totals[kSoftBurst], "12");  // station 5 4+4, station 7 1+1, the outsider report 2
    EXPECT_EQ(summary.Lists[kSoftBurst].size(), 3u);
    EXPECT_EQ(summary.MultiNAUNCount, 1);
    EXPECT_EQ(summary.Notes[0], "1 station (marked by an *) has had multiple upstream neighbors.");

    const RingMapInput input = BuildRingMapInput(*state);
    RingMapOptions options;
    RingMapContent map = BuildRingMap(input, 500, 400, options, kMetrics);
    using namespace dlccolours;
    EXPECT_EQ(map.Labels[0].Colour, kTeal);          // the former active monitor
    EXPECT_EQ(map.Labels[2].Colour, kAqua);          // the active monitor
    EXPECT_EQ(map.Labels[5].Colour, kButtonShadow);  // missed the last cycles
    EXPECT_EQ(map.Labels[1].Colour, kButtonText);
    EXPECT_EQ(map.FaultLines.size(), 2u);  // 5 to 4 and 7 to 6; not 6 to the outsider
    options.IdBy = StationID::StationErrors;
    options.Domain = FaultDomain::LineErrors;
    map = BuildRingMap(input, 500, 400, options, kMetrics);
    EXPECT_EQ(map.Labels[3].Colour, kFuchsia);
    EXPECT_EQ(map.Labels[6].Colour, kRed);
    EXPECT_EQ(map.Labels[7].Colour, kYellow);
    EXPECT_EQ(map.FaultLines.size(), 2u);  // 2 to 1 and 5 to 4
}

}  // namespace
}  // namespace quenlix
