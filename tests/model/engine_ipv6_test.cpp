// IPv6 as a network-address class of its own: nodes with 16-byte addresses, the
// extension-header chain, TCP, UDP and ICMPv6 above it with their checksums,
// fragments, AAAA names, and headers that do not fit their frame.

#include <gtest/gtest.h>

#include "EngineFeeder.h"
#include "model/AnalysisState.h"
#include "model/Naming.h"

using namespace quenlix;
using namespace quenlix::testing;

namespace {

const Mac kA = MacOf(1);
const Mac kB = MacOf(2);
const Ip6 kClient = Ip6Of({0xfd00, 0x99, 1, 0, 0, 0, 0, 0x101});
const Ip6 kServer = Ip6Of({0xfd00, 0x99, 1, 0, 0, 0, 0, 0x10});

NetString Key(const Ip6& address) { return NetString(address.data(), address.size()); }

class Ipv6Frames : public ::testing::Test {
protected:
    AnalysisState state;
    EngineFeeder feed{state};

    const TPacket& LastPacket() const { return state.PacketList.back(); }
    const NetNode& Node(const Ip6& address) const { return state.NetworkNodes.at(Key(address)); }
};

TEST_F(Ipv6Frames, TcpOverIpv6MakesIpv6NodesAndAConversation)
{
    const TcpSegment syn{1025, 80, 1000, 0, 0x02, 8192, 1440, {}};
    feed.Feed(Tcp6Frame(kB, kA, kClient, kServer, syn, {.HopLimit = 61}), 0);

    EXPECT_EQ(state.ProtocolStats[kFamilyIPv6].Frames, 1);
    EXPECT_EQ(state.ProtocolStats[kFamilyOther].Frames, 0);
    EXPECT_EQ(state.IPv6HostCount, 2);
    EXPECT_EQ(state.IPv6SenderCount, 1);
    EXPECT_EQ(state.IPHostCount, 0);
    EXPECT_EQ(Node(kClient).Kind, kNetworkIPv6);
    EXPECT_TRUE(Node(kClient).Protocols.Has(kAppTCP));
    EXPECT_EQ(Node(kServer).FramesReceived, 1u);
    const TPacket& p = LastPacket();
    EXPECT_EQ(p.IPHeaderLen(), 40);
    EXPECT_EQ(p.NetLength, 40 + 24);
    EXPECT_EQ(p.TTL, 61);
    ASSERT_EQ(state.TcpOptions.size(), 1u);
    EXPECT_EQ(state.TcpOptions[0].MSS, 1440);
    EXPECT_TRUE(p.PacketFlags.Has(kPktRequest));
    EXPECT_FALSE(p.PacketFlags.HasAny(kPktDamaged));
    const TTransHead& head = state.ObjectList.TransHead(state.ObjectList.NetPeer(Node(kClient).FirstPeer).FirstTrans);
    EXPECT_EQ(head.SrcPort, 1025);
    EXPECT_EQ(head.DstPort, 80);
}

TEST_F(Ipv6Frames, ExtensionHeadersAreWalkedToTheTransportHeader)
{
    Ipv6Options options;
    options.Extensions = {{0, Bytes(6, 0)}, {43, Bytes(14, 0)}, {60, Bytes(6, 0)}};
    feed.Feed(Udp6Frame(kB, kA, kClient, kServer, 3000, 7000, Bytes(100, 1), options), 0);
    const TPacket& p = LastPacket();
    EXPECT_EQ(p.IPHeaderLen(), 40 + 8 + 16 + 8);
    EXPECT_FALSE(p.PacketFlags.Has(kPktBadUdpChecksum));
    const TTransHead& head = state.ObjectList.TransHead(state.ObjectList.NetPeer(Node(kClient).FirstPeer).FirstTrans);
    EXPECT_EQ(head.App, kAppUDP);
    EXPECT_EQ(head.DstPort, 7000);
}

TEST_F(Ipv6Frames, LaterFragmentsTakeTheFirstFragmentsPorts)
{
    Ipv6Options first;
    first.Extensions = {Ipv6Fragment(0, true, 0x12345678)};
    feed.Feed(Udp6Frame(kB, kA, kClient, kServer, 3000, 7000, Bytes(64, 1), first), 0);
    Ipv6Options later;
    later.Extensions = {Ipv6Fragment(9, false, 0x12345678)};
    // The later fragment's payload starts with bytes that would read as other ports.
    feed.Feed(Padded(EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 17, Bytes(64, 0x55), later))), 1000);
    const TNetPeer& peer = state.ObjectList.NetPeer(Node(kClient).FirstPeer);
    const TTransHead& head = state.ObjectList.TransHead(peer.FirstTrans);
    EXPECT_EQ(head.NextTrans, -1) << "both fragments belong to one port pair";
    EXPECT_EQ(head.DstPort, 7000);
    EXPECT_EQ(peer.Frames, 2u);
    EXPECT_FALSE(LastPacket().PacketFlags.Has(kPktNoIdent));
}

TEST_F(Ipv6Frames, ChecksumsOverThePseudoHeader)
{
    struct Case {
        const char* Name;
        Bytes Frame;
        PacketFlag Flag;
        bool Bad;
    };
    TcpSegment bad{1025, 80, 1, 1, 0x10, 100, 0, Bytes(10, 2), true};
    Bytes zeroUdp = Udp6Frame(kB, kA, kClient, kServer, 3000, 7000, Bytes(20, 3));
    zeroUdp[14 + 40 + 6] = zeroUdp[14 + 40 + 7] = 0;
    const Case cases[] = {
        {"good TCP", Tcp6Frame(kB, kA, kClient, kServer, {1025, 80, 1, 1, 0x10, 100, 0, Bytes(10, 2)}), kPktBadTcpChecksum, false},
        {"bad TCP", Tcp6Frame(kB, kA, kClient, kServer, bad), kPktBadTcpChecksum, true},
        {"bad UDP", Padded(EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 17, Udp(kClient, kServer, 1, 2, Bytes(9, 9), true)))),
         kPktBadUdpChecksum, true},
        {"UDP without a checksum", zeroUdp, kPktBadUdpChecksum, true},
        {"good ICMPv6", Icmpv6EchoFrame(kB, kA, kClient, kServer, 128, 1), kPktBadIpChecksum, false},
        {"bad ICMPv6", Padded(EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 58, Icmpv6(kClient, kServer, 135, 0, Bytes(20, 0), true)))),
         kPktBadIpChecksum, true},
    };
    for (const Case& c : cases) {
        AnalysisState one;
        EngineFeeder(one).Feed(c.Frame, 0);
        ASSERT_EQ(one.PacketList.size(), 1u) << c.Name;
        EXPECT_EQ(one.PacketList[0].PacketFlags.Has(c.Flag), c.Bad) << c.Name;
    }
}

TEST_F(Ipv6Frames, EchoRequestsAndRepliesAndNeighbourDiscovery)
{
    feed.Feed(Icmpv6EchoFrame(kB, kA, kClient, kServer, 128, 7), 0);
    EXPECT_TRUE(LastPacket().PacketFlags.Has(kPktRequest));
    EXPECT_EQ(LastPacket().Seq, 7);
    feed.Feed(Icmpv6EchoFrame(kA, kB, kServer, kClient, 129, 7), 1000);
    EXPECT_TRUE(LastPacket().PacketFlags.Has(kPktReply));
    EXPECT_TRUE(Node(kClient).Protocols.Has(kAppICMPv6));
    EXPECT_EQ(AppName(kAppICMPv6), "ICMPv6");

    // A neighbour solicitation counts under IPv6, to its multicast group, and is no echo.
    const Ip6 solicited = Ip6Of({0xff02, 0, 0, 0, 0, 1, 0xff00, 0x10});
    const Mac group{0x33, 0x33, 0xff, 0, 0, 0x10};
    feed.Feed(Padded(EthernetII(group, kA, 0x86DD, Ipv6(kClient, solicited, 58, Icmpv6(kClient, solicited, 135, 0, Bytes(20, 0))))), 2000);
    EXPECT_EQ(state.ProtocolStats[kFamilyIPv6].Frames, 3);
    EXPECT_FALSE(LastPacket().PacketFlags.HasAny({kPktRequest, kPktReply}));
    EXPECT_TRUE(LastPacket().PacketFlags.Has(kPktGroup));
}

TEST_F(Ipv6Frames, DnsAaaaAnswersNameTheirAddresses)
{
    feed.Feed(Udp6Frame(kA, kB, kServer, kClient, 53, 3000, DnsAnswer(1, "srv.office.lan", kServer)), 0);
    EXPECT_EQ(LookupName(state, Key(kServer)), "srv.office.lan");
}

TEST_F(Ipv6Frames, SnapOnTokenRingIsIpv6Too)
{
    AnalysisState ring;
    EngineFeeder feedRing(ring, kTopologyTokenRing);
    const Bytes snap{0xAA, 0xAA, 0x03, 0, 0, 0, 0x86, 0xDD};
    const Bytes packet = Ipv6(kClient, kServer, 17, Udp(kClient, kServer, 3000, 7000, Bytes(30, 1)));
    const Bytes frame = TokenRing(0x40, kB, kA, {}, Concat(snap, packet));
    feedRing.Feed(frame, 0);
    EXPECT_EQ(ring.ProtocolStats[kFamilyIPv6].Frames, 1);
    EXPECT_EQ(ring.IPv6SenderCount, 1);
    // Cut short inside the IPv6 header: still IPv6, its addresses as far as they were captured.
    feedRing.Feed(Bytes(frame.begin(), frame.begin() + 40), 1000);
    EXPECT_EQ(ring.ProtocolStats[kFamilyIPv6].Frames, 2);
}

// Each damaged packet counts as IPv6 from its best reading, and nothing is read past the frame.
TEST_F(Ipv6Frames, DamagedHeadersAreCountedAsTheirBestReading)
{
    struct Case {
        const char* Name;
        Bytes Frame;
        ApplicationCode App;
    };
    Ipv6Options manyHeaders;
    for (int i = 0; i < 200; ++i) manyHeaders.Extensions.push_back({60, Bytes(6, 0)});
    Ipv6Options runsPast;
    runsPast.Extensions = {{0, Bytes(6, 0)}};
    Bytes pastFrame = EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 6, {}, runsPast));
    pastFrame[14 + 40 + 1] = 200;  // a hop-by-hop header of 1,608 bytes in a short frame
    Bytes truncated = EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 6, {}, runsPast));
    truncated.resize(14 + 40 + 4);  // the extension header cut short
    Ipv6Options longerThanFrame{.PayloadLength = 9000};
    Ipv6Options jumbogram{.PayloadLength = 0};
    const Case cases[] = {
        {"200 extension headers", Padded(EthernetII(kB, kA, 0x86DD, Ipv6(kClient, kServer, 6, Bytes(20, 0), manyHeaders))), kAppUnknownIP},
        {"a chain past the frame", Padded(pastFrame), kAppUnknownIP},
        {"a truncated extension header", truncated, kAppUnknownIP},
        {"a payload length past the frame", Udp6Frame(kB, kA, kClient, kServer, 1, 2, Bytes(10, 0), longerThanFrame), kAppUDP},
        {"a jumbogram", Udp6Frame(kB, kA, kClient, kServer, 1, 2, Bytes(10, 0), jumbogram), kAppUDP},
        {"the header cut short", Bytes(EthernetII(kB, kA, 0x86DD, Bytes(30, 0x60))), kAppUnknownIP},
    };
    for (const Case& c : cases) {
        AnalysisState one;
        EngineFeeder(one).Feed(c.Frame, 0);
        EXPECT_EQ(one.ProtocolStats[kFamilyIPv6].Frames, 1) << c.Name;
        if (one.PacketList.empty()) continue;  // too short for network addresses
        const TTransHead& head = one.ObjectList.TransHead(one.ObjectList.NetPeer(one.NetworkNodes.at(Key(kClient)).FirstPeer).FirstTrans);
        EXPECT_EQ(head.App, c.App) << c.Name;
        EXPECT_FALSE(one.PacketList[0].PacketFlags.HasAny(kPktDamaged)) << c.Name << ": no checksum of what was not captured";
    }
}

}  // namespace
