// Accumulation: intervals and utilisation, the error ring, collision suspects,
// stations and DLC chains, network chains, packet marks, Token Ring soft errors
// and ring order, and the reset between traces.

#include <gtest/gtest.h>

#include "EngineFeeder.h"
#include "model/AnalysisState.h"
#include "model/TransactionAnalysis.h"

using namespace quenlix;
using namespace quenlix::testing;

namespace {

const Mac kA = MacOf(1);
const Mac kB = MacOf(2);
const Mac kC = MacOf(3);
const Ip kClient = IpOf(10, 0, 0, 1);
const Ip kServer = IpOf(10, 0, 0, 2);

Bytes Filler(const Mac& dst, const Mac& src, std::size_t size = 100)
{
    return Padded(EthernetII(dst, src, 0x9999, {}), size - 4);
}

TEST(Reset, EmptyTraceKeepsResetValues)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Finish();
    EXPECT_EQ(s.FrameStats[1], -60000);
    EXPECT_EQ(s.IntervalCount, 1);
    EXPECT_EQ(s.UtilStats[0], 0);
    EXPECT_TRUE(s.Stations.empty());
    EXPECT_TRUE(s.PacketList.empty());
    EXPECT_EQ(s.ObjectList.Count(), 0);
    EXPECT_EQ(s.RecentErrorsTail, 1);
    EXPECT_EQ(s.RecentErrors[3].Kind, 6);
}

TEST(Reset, SecondTraceStartsFromNothing)
{
    AnalysisState s;
    {
        EngineFeeder feed(s);
        IpxAddress a{{0, 0, 0, 1}, kA, 0x4003};
        IpxAddress b{{0, 0, 0, 1}, kB, 0x0451};
        feed.Feed(Padded(EthernetII(kB, kA, 0x8137, Ipx(b, a, 17, NcpRequest(1, 1, 0x16)))), 0);
        feed.Finish();
        ASSERT_EQ(s.IPXHostCount, 2);
    }
    EngineFeeder second(s);
    EXPECT_EQ(s.IPXHostCount, 0);
    EXPECT_TRUE(s.Stations.empty());
    EXPECT_TRUE(s.NetworkNodes.empty());
    EXPECT_EQ(s.ObjectList.Count(), 0);
    EXPECT_TRUE(s.PacketList.empty());
    second.Feed(Filler(kB, kA), 0);
    EXPECT_EQ(s.StationCount, 2);
    EXPECT_EQ(second.FrameNo(), 1);
}

TEST(Intervals, OneSecondTraceClosesOneIntervalWithEqualPeakAndAverage)
{
    AnalysisState s;
    EngineFeeder feed(s);
    for (int i = 0; i < 100; ++i) feed.Feed(Filler(kB, kA, 1000), i * 9000.0);
    feed.Finish();
    EXPECT_EQ(s.IntervalCount, 1);
    // (100 x 20 + 100000) x 100 / 1250000 = 8.16 -> 8
    EXPECT_EQ(s.UtilStats[0], 8);
    EXPECT_EQ(s.UtilStats[1], 8);
    EXPECT_EQ(s.UtilStats[3], 100000);
    EXPECT_EQ(s.UtilStats[5], 100);
    EXPECT_EQ(s.FrameStats[5], 1000);
    EXPECT_EQ(s.TotalBytes, 100000);
}

TEST(Intervals, TheFrameCrossingASecondOpensTheNextInterval)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA, 1000), 0);
    feed.Feed(Filler(kB, kA, 1000), 999999);
    feed.Feed(Filler(kB, kA, 500), 1000000);
    EXPECT_EQ(s.IntervalCount, 1);
    EXPECT_EQ(s.TotalBytes, 2000);
    EXPECT_EQ(s.SecBytes, 500);
    feed.Finish();
    EXPECT_EQ(s.IntervalCount, 2);
    EXPECT_EQ(s.UtilStats[3], 2000);
    EXPECT_EQ(s.FrameStats[5], 833);  // 2500 / 3 rounded
}

TEST(Intervals, StepsBackInTime)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA), 100e6);
    feed.Feed(Filler(kB, kA), 70e6);  // 30 s back: its size is added
    EXPECT_DOUBLE_EQ(s.ElapsedTime, 30e6);
    feed.Feed(Filler(kB, kA), 5e6);  // 65 s back: the time base restarted, its own stamp is added
    EXPECT_DOUBLE_EQ(s.ElapsedTime, 35e6);
    EXPECT_EQ(s.IntervalCount, 0);  // no interval closes until time passes the last tick again
}

TEST(Intervals, RoundingIsToEven)
{
    AnalysisState s;
    EngineFeeder feed(s);
    // Two frames of 64 and 66 bytes: average 65; three of 64, 64, 65: 64.33 -> 64; 1 of 65 and 1 of 64 -> 64.5 -> 64.
    feed.Feed(Bytes(60, 0x02), 0);
    feed.Feed(Bytes(61, 0x02), 1);
    feed.Finish();
    EXPECT_EQ(s.FrameStats[5], 64);
}

TEST(Errors, RingKeepsTheLastFourErrors)
{
    AnalysisState s;
    EngineFeeder feed(s);
    for (uint32_t i = 1; i <= 5; ++i) feed.Feed(Filler(kB, MacOf(i), 100), i, true);
    EXPECT_EQ(s.RecentErrorsHead, 2);
    EXPECT_EQ(s.RecentErrorsTail, 2);
    EXPECT_EQ(s.RecentErrors[1].Source[5], 5);
    EXPECT_EQ(s.RecentErrors[2].Source[5], 2);
    EXPECT_EQ(s.RecentErrors[4].Source[5], 4);
    EXPECT_EQ(s.RecentErrors[1].Kind, 14);
    EXPECT_EQ(s.ErrorsSeen, 1);
}

TEST(Errors, CrcFragmentMakesTheNextTwoGoodFramesCollisionSuspects)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA, 60), 0, true);
    EXPECT_EQ(s.RecentErrors[1].Kind, 17);
    feed.Feed(Filler(kA, kB), 1);
    feed.Feed(Filler(kA, kC), 2);
    feed.Feed(Filler(kA, kC), 3);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kB.data(), 6))).CollisionSuspects, 1);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kC.data(), 6))).CollisionSuspects, 1);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kA.data(), 6))).CollisionSuspects, 0);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kA.data(), 6))).BadFCSSent, 1);
    // Received good frames add their status to the bad one it sent.
    EXPECT_EQ(s.Stations.at(MacString(kA.data(), 6)).FrameStatus, kStatusBadBit | kStatusGoodBit);
}

// Error figures are kept for the stations that have any: every other station,
// and one the tree does not hold, reads zero and no MAC record.
TEST(Errors, StationsWithoutErrorsReadZero)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA), 0);
    feed.Feed(Filler(kA, kB), 1, true);
    const StationErrorRecord& clean = ErrorsOf(s, s.Stations.at(MacString(kA.data(), 6)));
    EXPECT_EQ(clean.BadFCSSent, 0);
    EXPECT_EQ(clean.CollisionSuspects, 0);
    EXPECT_EQ(clean.SoftErrorKinds, 0);
    EXPECT_EQ(clean.FirstMACInfo, -1);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kB.data(), 6))).BadFCSSent, 1);

    StationNode stranger;
    stranger.Address = MacString(kC.data(), 6);
    EXPECT_EQ(ErrorsOf(s, stranger).FirstMACInfo, -1);
    EXPECT_THROW(ErrorsFor(s, stranger), std::out_of_range);
}

TEST(Stations, DestinationLaterBecomesASender)
{
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA), 0);
    const StationNode& b = s.Stations.at(MacString(kB.data(), 6));
    EXPECT_EQ(b.StationFlags.ToBits(), 0);
    EXPECT_EQ(s.SourceStationCount, 1);
    feed.Feed(Filler(kA, kB), 1);
    feed.Feed(Filler(kC, kB), 2);
    feed.Feed(Filler(kA, kB), 3);
    EXPECT_EQ(b.StationFlags.ToBits(), 3);
    EXPECT_EQ(s.SourceStationCount, 2);
    // B's DLC chain: A then C, linked in order of first appearance.
    const TDLCPeer& first = s.ObjectList.DLCPeer(b.FirstDLCPeer);
    EXPECT_EQ(first.DestAddress, kA);
    EXPECT_EQ(first.Frames, 2);
    const TDLCPeer& second = s.ObjectList.DLCPeer(first.Next);
    EXPECT_EQ(second.DestAddress, kC);
    EXPECT_EQ(second.Next, 0);
    EXPECT_EQ(b.FramesReceived, 1);
    EXPECT_EQ(b.BytesSent, 300);
}

// A station or node hidden by a view during a read starts a new chain with its
// next frame; the first conversation of its earlier chain still takes its frames.
TEST(Stations, ConversationsOfAChainStartedAgainStillCount)
{
    AnalysisState s;
    EngineFeeder feed(s);
    const Ip third = IpOf(10, 0, 0, 3);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 3000, 7000, Bytes(50, 1)), 0);
    feed.Feed(UdpFrame(kC, kA, kClient, third, 3000, 7000, Bytes(50, 1)), 1);
    StationNode& a = s.Stations.at(MacString(kA.data(), 6));
    NetNode& client = s.NetworkNodes.at(NetString(kClient.data(), 4));
    const int oldDlcFirst = a.FirstDLCPeer;
    const int oldNetFirst = client.FirstPeer;
    a.StationFlags.Remove(kFlagViewable);
    client.NetFlags.Remove(kFlagViewable);
    feed.Feed(UdpFrame(kC, kA, kClient, third, 3000, 7000, Bytes(50, 1)), 2);
    const int records = s.ObjectList.Count();
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 3000, 7000, Bytes(50, 1)), 3);
    EXPECT_EQ(s.ObjectList.Count(), records);  // no new record for A to B
    EXPECT_EQ(s.ObjectList.DLCPeer(oldDlcFirst).Frames, 2);
    EXPECT_EQ(s.ObjectList.NetPeer(oldNetFirst).Frames, 2);
}

TEST(Network, ConversationChainsAndCounters)
{
    AnalysisState s;
    EngineFeeder feed(s);
    const Ip third = IpOf(10, 0, 0, 3);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 3000, 7000, Bytes(50, 1)), 0);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 3001, 7000, Bytes(50, 1)), 1);
    feed.Feed(IcmpFrame(kB, kA, kClient, kServer, 8, 1), 2);
    feed.Feed(IcmpFrame(kB, kA, kClient, kServer, 8, 2), 3);
    feed.Feed(UdpFrame(kC, kA, kClient, third, 3000, 7000, Bytes(50, 1)), 4);
    feed.Feed(UdpFrame(kA, kB, kServer, kClient, 7000, 3000, Bytes(50, 1)), 5);
    EXPECT_EQ(s.IPHostCount, 3);
    EXPECT_EQ(s.IPSenderCount, 2);
    const NetNode& client = s.NetworkNodes.at(NetString(kClient.data(), 4));
    EXPECT_EQ(client.FramesSent, 5);
    EXPECT_EQ(client.FramesReceived, 1);
    EXPECT_EQ(StationOf(s, client), &s.Stations.at(MacString(kA.data(), 6)));
    const TNetPeer& toServer = s.ObjectList.NetPeer(client.FirstPeer);
    EXPECT_EQ(toServer.Frames, 4);
    EXPECT_EQ(toServer.FramesByProtocol[5], 2);
    EXPECT_EQ(toServer.FramesByProtocol[0], 2);
    EXPECT_EQ(toServer.Hops, 64);
    // Chain: UDP 3000, UDP 3001, ICMP (both pings in one head).
    const TTransHead& h1 = s.ObjectList.TransHead(toServer.FirstTrans);
    const TTransHead& h2 = s.ObjectList.TransHead(h1.NextTrans);
    const TTransHead& h3 = s.ObjectList.TransHead(h2.NextTrans);
    EXPECT_EQ(h1.SrcPort, 3000);
    EXPECT_EQ(h2.SrcPort, 3001);
    EXPECT_EQ(h3.App, kAppICMP);
    EXPECT_EQ(h3.NextTrans, -1);
    const TPacket& ping1 = s.PacketList[h3.FirstPacket];
    EXPECT_EQ(s.PacketList[ping1.NextPacket].Seq, 2);
    EXPECT_EQ(s.PacketList[ping1.NextPacket].PrevPacket, h3.FirstPacket);
    const TNetPeer& toThird = s.ObjectList.NetPeer(toServer.Next);
    EXPECT_EQ(toThird.Frames, 1);
    EXPECT_EQ(toThird.Next, 0);
}

// An IP datagram in a frame of the medium: Ethernet II, or Token Ring 802.2 (SAP 06).
Bytes IpFrame(TopologyCode topology, const Mac& dst, const Mac& src, const Bytes& datagram)
{
    return topology == kTopologyEthernet ? Padded(EthernetII(dst, src, 0x0800, datagram)) : TokenRingLlc(dst, src, {}, 0x06, datagram);
}

class SamePortsOverTwoTransports : public ::testing::TestWithParam<TopologyCode> {};

// NFS and DNS run over UDP and TCP on the same port pair; each transport keeps a
// record of its own, in both directions, and the transaction analysis pairs the
// UDP requests only with UDP answers.
TEST_P(SamePortsOverTwoTransports, KeepRecordsOfTheirOwn)
{
    const TopologyCode topology = GetParam();
    AnalysisState s;
    EngineFeeder feed(s, topology);
    const TcpSegment request{.SrcPort = 3000, .DstPort = 2049, .Seq = 1, .Flags = 0x18, .Payload = Bytes(40, 2)};
    const TcpSegment answer{.SrcPort = 2049, .DstPort = 3000, .Seq = 9, .Ack = 41, .Flags = 0x18, .Payload = Bytes(9, 3)};
    auto datagram = [&](const Ip& from, const Ip& to, uint16_t srcPort, uint16_t dstPort, uint16_t ident) {
        return Ipv4(from, to, 17, Udp(from, to, srcPort, dstPort, Bytes(40, 1)), {.Ident = ident});
    };
    feed.Feed(IpFrame(topology, kB, kA, datagram(kClient, kServer, 3000, 2049, 1)), 0);
    feed.Feed(IpFrame(topology, kB, kA, Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, request))), 100);
    feed.Feed(IpFrame(topology, kA, kB, Ipv4(kServer, kClient, 6, Tcp(kServer, kClient, answer))), 300);
    feed.Feed(IpFrame(topology, kA, kB, datagram(kServer, kClient, 2049, 3000, 7)), 5000);
    feed.Feed(IpFrame(topology, kB, kA, datagram(kClient, kServer, 3000, 2049, 2)), 6000);

    const NetNode& client = s.NetworkNodes.at(NetString(kClient.data(), 4));
    const TNetPeer& peer = s.ObjectList.NetPeer(client.FirstPeer);
    const TTransHead& udp = s.ObjectList.TransHead(peer.FirstTrans);
    ASSERT_NE(udp.NextTrans, -1);
    const TTransHead& tcp = s.ObjectList.TransHead(udp.NextTrans);
    EXPECT_EQ(udp.App, kAppUDP);
    EXPECT_EQ(tcp.App, kAppTCP);
    EXPECT_EQ(tcp.NextTrans, -1);
    EXPECT_EQ(s.PacketList[udp.FirstPacket].NextPacket, udp.LastPacket);  // the two UDP datagrams
    EXPECT_EQ(tcp.FirstPacket, tcp.LastPacket);

    TransactionAnalysis q;
    q.SelectedNetNode = &client;
    q.SelectedPeer = client.FirstPeer;
    q.SelectedApp = peer.FirstTrans;
    q.MeasureLatency = true;
    q.IncludeTransmissionTime = true;
    q.FirstFrameNo = 1;
    q.LastFrameNo = feed.FrameNo();
    AnalyzeTransactions(s, q);
    EXPECT_EQ(q.AnalysisResult, kResultAnalysed);
    EXPECT_EQ(q.ReversePackets, 1);  // the UDP answer, not the TCP segment
    ASSERT_EQ(q.LatencyCount, 1);
    EXPECT_EQ(q.LatencySum, 5000);
}

INSTANTIATE_TEST_SUITE_P(Media, SamePortsOverTwoTransports, ::testing::Values(kTopologyEthernet, kTopologyTokenRing));

TEST(Marks, TcpRetransmissionTwoPacketsBack)
{
    AnalysisState s;
    EngineFeeder feed(s);
    auto send = [&](uint32_t seq, std::size_t payload, double t, uint8_t ttl = 64, const Mac& mac = kA) {
        TcpSegment seg{.SrcPort = 1025, .DstPort = 80, .Seq = seq, .Ack = 1, .Payload = Bytes(payload, 1)};
        feed.Feed(TcpFrame(kB, mac, kClient, kServer, seg, {.Ttl = ttl}), t);
        return s.PacketList.back();
    };
    send(100, 0, 0);
    send(100, 50, 1);
    send(150, 0, 2);
    const TPacket again = send(100, 50, 3);
    EXPECT_TRUE(again.PacketFlags.Has(kPktRetransmission));
    EXPECT_EQ(again.RetransDepth(), 2);
    // The first packet of a chain is only compared as the direct predecessor.
    AnalysisState s2;
    EngineFeeder feed2(s2);
    TcpSegment a{.SrcPort = 1, .DstPort = 2, .Seq = 500, .Payload = Bytes(10, 1)};
    TcpSegment b{.SrcPort = 1, .DstPort = 2, .Seq = 510};
    feed2.Feed(TcpFrame(kB, kA, kClient, kServer, a), 0);
    feed2.Feed(TcpFrame(kB, kA, kClient, kServer, b), 1);
    feed2.Feed(TcpFrame(kB, kA, kClient, kServer, a), 2);
    EXPECT_EQ(s2.PacketList.back().PacketFlags.Has(kPktRetransmission), 0);
    // A copy that crossed more routers and came from another MAC is a path duplicate.
    const TPacket dup = send(150, 0, 4, 63, kC);
    EXPECT_FALSE(dup.PacketFlags.Has(kPktRetransmission));
    EXPECT_TRUE(dup.PacketFlags.Has(kPktPathDuplicate));
}

TEST(Marks, ZeroWindow)
{
    AnalysisState s;
    EngineFeeder feed(s);
    TcpSegment seg{.SrcPort = 1, .DstPort = 2, .Seq = 1, .Window = 0};
    feed.Feed(TcpFrame(kB, kA, kClient, kServer, seg), 0);
    seg.Seq = 2;
    feed.Feed(TcpFrame(kB, kA, kClient, kServer, seg), 1);
    EXPECT_TRUE(s.PacketList.back().PacketFlags.Has(kPktZeroWindow));
}

TEST(Marks, NcpGapMarkerAndRepeat)
{
    AnalysisState s;
    EngineFeeder feed(s);
    IpxAddress client{{0, 0, 0, 1}, kA, 0x4003};
    IpxAddress server{{0, 0, 0, 1}, kB, 0x0451};
    auto request = [&](uint8_t seq, double t) {
        feed.Feed(Padded(EthernetII(kB, kA, 0x8137, Ipx(server, client, 17, NcpRequest(seq, 1, 0x16)))), t);
    };
    request(5, 0);
    request(8, 1);
    const TTransHead& head = s.ObjectList.TransHead(s.ObjectList.NetPeer(s.NetworkNodes.begin()->second.FirstPeer).FirstTrans);
    const TPacket& marker = s.PacketList[s.PacketList[head.FirstPacket].NextPacket];
    EXPECT_EQ(marker.PacketFlags, kPktGapMarker);
    EXPECT_EQ(marker.Length, 512);
    EXPECT_EQ(marker.FrameNo, 2);
    EXPECT_EQ(s.PacketList[marker.NextPacket].Seq, 8);
    EXPECT_EQ(s.PacketList.size(), 3u);
    request(8, 2);
    EXPECT_TRUE(s.PacketList.back().PacketFlags.Has(kPktRetransmission));
    request(8, 20e6);  // more than 10 s later: not a retransmission
    EXPECT_FALSE(s.PacketList.back().PacketFlags.Has(kPktRetransmission));
}

// NCP sequence numbers are one byte: 255 then 1 runs backwards (a wrap, not a
// gap), and the difference of the unsigned numbers must not wrap into a gap.
TEST(Marks, NcpSequenceWrapIsNoGap)
{
    AnalysisState s;
    EngineFeeder feed(s);
    IpxAddress client{{0, 0, 0, 1}, kA, 0x4003};
    IpxAddress server{{0, 0, 0, 1}, kB, 0x0451};
    double time = 0;
    for (const uint8_t seq : {254, 255, 1})
        feed.Feed(Padded(EthernetII(kB, kA, 0x8137, Ipx(server, client, 17, NcpRequest(seq, 1, 0x16)))), time++);
    ASSERT_EQ(s.PacketList.size(), 3u);
    for (const TPacket& p : s.PacketList) EXPECT_FALSE(p.PacketFlags.Has(kPktGapMarker));
}

// Token Ring MAC frames: vector at byte 17, soft-error counters at 20..32, neighbour at 42 or 26.
Bytes MacFrame(const Mac& dst, const Mac& src, uint8_t vector, const Mac& neighbour, std::array<uint8_t, 10> counts = {})
{
    Bytes body(46, 0);
    body[3] = vector;  // frame byte 17
    if (vector == 0x29) {
        const int offsets[10] = {24, 23, 22, 30, 31, 21, 20, 28, 29, 32};
        for (int k = 0; k < 10; ++k) body[offsets[k] - 14] = counts[k];
        std::copy(neighbour.begin(), neighbour.end(), body.begin() + 28);
    } else {
        std::copy(neighbour.begin(), neighbour.end(), body.begin() + 12);
    }
    return TokenRing(0x00, dst, src, {}, body);
}

TEST(TokenRing, SoftErrorsAndTheirNeighbours)
{
    AnalysisState s;
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac rem = {0xC0, 0, 0, 0, 0, 0x08};
    feed.Feed(MacFrame(rem, kA, 0x29, kB, {1, 0, 2, 0, 0, 0, 3, 0, 0, 4}), 0);
    feed.Feed(MacFrame(rem, kA, 0x29, kB, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 1);
    feed.Feed(MacFrame(kC, kA, 0x29, kC, {0, 5, 0, 0, 0, 0, 0, 0, 0, 0}), 2);
    EXPECT_EQ(s.RingSoftErrorTotals[0], 2);
    EXPECT_EQ(s.RingSoftErrorTotals[2], 2);
    EXPECT_EQ(s.RingSoftErrorTotals[6], 3);
    EXPECT_EQ(s.RingSoftErrorTotals[9], 4);
    // A report not sent to the error monitor counts neither in the totals nor
    // for its station, so that the station lists add up to the totals.
    EXPECT_EQ(s.RingSoftErrorTotals[1], 0);
    const StationNode& a = s.Stations.at(MacString(kA.data(), 6));
    EXPECT_EQ(ErrorsOf(s, a).SoftErrorKinds, (1 << 0) | (1 << 2) | (1 << 6) | (1 << 9));
    const TMACInfo& first = s.ObjectList.MACInfo(ErrorsOf(s, a).FirstMACInfo);
    EXPECT_EQ(first.NAUN, kB);
    EXPECT_EQ(first.SoftErrors[0], 2u);
    EXPECT_EQ(first.Next, -1);
}

TEST(TokenRing, MonitorFramesMoveOnlyANeighbourWithoutSoftErrors)
{
    AnalysisState s;
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac rem = {0xC0, 0, 0, 0, 0, 0x08};
    const Mac all = {0xC0, 0, 0, 0, 0, 0x01};
    auto neighbours = [&s] {
        std::vector<Mac> chain;
        for (int i = ErrorsOf(s, s.Stations.at(MacString(kA.data(), 6))).FirstMACInfo; i != -1; i = s.ObjectList.MACInfo(i).Next)
            chain.push_back(s.ObjectList.MACInfo(i).NAUN);
        return chain;
    };
    feed.Feed(MacFrame(all, kA, 0x06, kB), 0);
    feed.Feed(MacFrame(all, kA, 0x06, kC), 1);  // the record without errors follows
    EXPECT_EQ(neighbours(), std::vector<Mac>{kC});
    feed.Feed(MacFrame(rem, kA, 0x29, kC, {0, 0, 1}), 2);
    feed.Feed(MacFrame(all, kA, 0x06, kB), 3);  // C's record keeps C
    EXPECT_EQ(neighbours(), std::vector<Mac>{kC});
    feed.Feed(MacFrame(rem, kA, 0x29, kB, {0, 0, 1}), 4);
    feed.Feed(MacFrame(all, kA, 0x06, kB), 5);
    EXPECT_EQ(neighbours(), (std::vector<Mac>{kC, kB}));
}

TEST(TokenRing, EveryNeighbourRecordCarriesItsVendor)
{
    AnalysisState s;
    s.VendorCount = 2;
    s.VendorTable[1] = {{0x00, 0x00, 0x0C}, "Cisco"};
    s.VendorTable[2] = {{0x08, 0x00, 0x20}, "Sun"};
    const Mac cisco = {0x00, 0x00, 0x0C, 1, 2, 3};
    const Mac sun = {0x08, 0x00, 0x20, 4, 5, 6};
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac rem = {0xC0, 0, 0, 0, 0, 0x08};
    const Mac all = {0xC0, 0, 0, 0, 0, 0x01};
    auto vendors = [&s] {
        std::vector<std::pair<Mac, int16_t>> chain;
        for (int i = ErrorsOf(s, s.Stations.at(MacString(kA.data(), 6))).FirstMACInfo; i != -1; i = s.ObjectList.MACInfo(i).Next)
            chain.emplace_back(s.ObjectList.MACInfo(i).NAUN, s.ObjectList.MACInfo(i).NAUNVendor);
        return chain;
    };
    using Chain = std::vector<std::pair<Mac, int16_t>>;
    feed.Feed(MacFrame(all, kA, 0x06, cisco), 0);  // a monitor frame makes the record
    EXPECT_EQ(vendors(), (Chain{{cisco, 1}}));
    feed.Feed(MacFrame(all, kA, 0x06, sun), 1);  // and moves it
    EXPECT_EQ(vendors(), (Chain{{sun, 2}}));
    feed.Feed(MacFrame(rem, kA, 0x29, sun, {0, 0, 1}), 2);
    feed.Feed(MacFrame(rem, kA, 0x29, cisco, {0, 0, 1}), 3);  // a report makes one
    EXPECT_EQ(vendors(), (Chain{{sun, 2}, {cisco, 1}}));
}

TEST(TokenRing, RingOrderGrowsDownstreamFromTheActiveMonitor)
{
    AnalysisState s;
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac all = {0xC0, 0, 0, 0, 0, 0x01};
    feed.Feed(MacFrame(all, kB, 0x06, kA), 0);  // standby before any active monitor: ignored
    EXPECT_EQ(s.RingStationCount, 0);
    feed.Feed(MacFrame(all, kA, 0x05, kC), 1);
    feed.Feed(MacFrame(all, kB, 0x06, kA), 2);
    feed.Feed(MacFrame(all, kC, 0x06, kB), 3);
    ASSERT_EQ(s.RingStationCount, 3);
    EXPECT_EQ(s.RingOrder[1].Address, kA);
    EXPECT_EQ(s.RingOrder[2].Address, kB);
    EXPECT_EQ(s.RingOrder[3].Address, kC);
    EXPECT_EQ(s.RingOrder[1].RingFlags.ToBits(), 1);
    // Next cycle: C misses it.
    feed.Feed(MacFrame(all, kA, 0x05, kC), 4);
    feed.Feed(MacFrame(all, kB, 0x06, kA), 5);
    feed.Feed(MacFrame(all, kA, 0x05, kC), 6);
    EXPECT_TRUE(s.RingOrder[3].RingFlags.Has(kRingDeinserted));
    EXPECT_FALSE(s.RingOrder[2].RingFlags.Has(kRingDeinserted));
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kB.data(), 6))).FirstMACInfo >= 0, true);
}

TEST(TokenRing, RingOrderStopsAt280Stations)
{
    AnalysisState s;
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac all = {0xC0, 0, 0, 0, 0, 0x01};
    feed.Feed(MacFrame(all, MacOf(1), 0x05, MacOf(300)), 0);
    for (uint32_t i = 2; i <= 300; ++i) feed.Feed(MacFrame(all, MacOf(i), 0x06, MacOf(i - 1)), i);
    EXPECT_EQ(s.RingStationCount, 280);
    EXPECT_EQ(s.RingOrder[280].Address, MacOf(280));
}

TEST(Vendors, LookupByPrefix)
{
    AnalysisState s;
    s.VendorCount = 3;
    s.VendorTable[1] = {{0x00, 0x00, 0x0C}, "Cisco"};
    s.VendorTable[2] = {{0x00, 0x00, 0x1B}, "Novell"};
    s.VendorTable[3] = {{0x08, 0x00, 0x20}, "Sun"};
    EngineFeeder feed(s);
    feed.Feed(Filler({0x08, 0x00, 0x20, 1, 2, 3}, kA), 0);
    EXPECT_EQ(VendorOf(s, s.Stations.at(MacString(kA.data(), 6))), 2);
    const uint8_t sun[6] = {0x08, 0x00, 0x20, 1, 2, 3};
    EXPECT_EQ(VendorOf(s, s.Stations.at(MacString(sun, 6))), 3);
    const uint8_t unknown[3] = {0x00, 0x00, 0x0D};
    EXPECT_EQ(FindVendor(s, unknown), 0);
    s.VendorCount = 0;
    EXPECT_EQ(FindVendor(s, sun), 0);
}

TEST(Names, FirstNameStaysAndKeysOfDifferentLengthsDiffer)
{
    AnalysisState s;
    ResetAnalysis(s);
    const uint8_t key[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    AddName(s, NetString(key, 4), "ip");
    AddName(s, NetString(key, 10), "ipx");
    AddName(s, NetString(key, 4), "other");
    AddName(s, NetString(key, 6), std::string(60, 'x'));
    EXPECT_EQ(LookupName(s, NetString(key, 4)), "ip");
    EXPECT_EQ(LookupName(s, NetString(key, 10)), "ipx");
    EXPECT_EQ(LookupName(s, NetString(key, 6)).size(), 41u);
    EXPECT_EQ(LookupName(s, NetString(key, 5)), "");
}

TEST(StopAtFrame, EngineAsksTheReaderToStop)
{
    AnalysisState s;
    EngineFeeder feed(s);
    s.Options.StopAtFrameMode = 1;
    s.Options.StopFrameNo = 2;
    EXPECT_FALSE(feed.Feed(Filler(kB, kA), 0));
    EXPECT_TRUE(feed.Feed(Filler(kB, kA), 1));
    s.Options.StopAtFrameMode = 0;
    s.Read.CountOnly = 1;
    EXPECT_TRUE(feed.Feed(Filler(kB, kA), 2));
    EXPECT_EQ(s.FrameStats[6], 2);  // the probe frame is counted, not analysed
    EXPECT_EQ(s.Read.FramesSeen, 3);
}

// Frame numbers past 2^31 (a trace of billions of short frames): the fragment
// window, the packet summaries and the stop frame still see the true numbers.
TEST(FrameNumbers, PastTwoToThe31KeepTheirOrder)
{
    constexpr int64_t kFar = 3'000'000'000;
    AnalysisState s;
    EngineFeeder feed(s);
    feed.Feed(Filler(kB, kA), 0);
    feed.SkipFrames(kFar - 1);
    feed.Feed(Filler(kB, kA, 60), 1, true);  // a CRC fragment, frame kFar + 1
    feed.Feed(Filler(kA, kC), 2);
    EXPECT_EQ(s.LastFragmentFrame, kFar + 1);
    EXPECT_EQ(ErrorsOf(s, s.Stations.at(MacString(kC.data(), 6))).CollisionSuspects, 1);

    TcpSegment segment;
    segment.Payload = Bytes(10, 0);
    feed.Feed(TcpFrame(kB, kA, kClient, kServer, segment), 3);
    ASSERT_EQ(s.PacketList.size(), 1u);
    EXPECT_EQ(s.PacketList[0].FrameNo, kFar + 3);

    s.Options.StopAtFrameMode = 1;
    s.Options.StopFrameNo = kFar + 4;
    EXPECT_TRUE(feed.Feed(Filler(kB, kA), 4));
    EXPECT_EQ(feed.FrameNo(), kFar + 4);
}

}  // namespace
