// Decoding of frames: medium headers, families, error kinds, network and
// transport fields, role and damage flags, and the names frames carry.

#include <gtest/gtest.h>

#include "EngineFeeder.h"
#include "model/AnalysisState.h"

using namespace quenlix;
using namespace quenlix::testing;

namespace {

const Mac kA = MacOf(1);
const Mac kB = MacOf(2);
const Mac kBroadcast = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Ip kClient = IpOf(10, 0, 0, 1);
const Ip kServer = IpOf(10, 0, 0, 2);

const NetNode& Node(const AnalysisState& s, const Ip& ip) { return s.NetworkNodes.at(NetString(ip.data(), 4)); }

// The packets of the first application chain of the first peer of a node.
std::vector<TPacket> FirstChain(const AnalysisState& s, const Ip& sender)
{
    const TNetPeer& peer = s.ObjectList.NetPeer(Node(s, sender).FirstPeer);
    std::vector<TPacket> out;
    for (int p = s.ObjectList.TransHead(peer.FirstTrans).FirstPacket; p != -1; p = s.PacketList[p].NextPacket)
        out.push_back(s.PacketList[p]);
    return out;
}

PacketFlagSet LastFlags(const AnalysisState& s) { return s.PacketList.back().PacketFlags; }

class Decode : public ::testing::Test {
protected:
    AnalysisState s;
    EngineFeeder feed{s};
};

TEST_F(Decode, TypeLengthBoundaryBetween8023AndEthernetII)
{
    feed.Feed(Padded(EthernetII(kB, kA, 1500, Bytes{0x42, 0x42, 0x03})), 0);
    feed.Feed(Padded(EthernetII(kB, kA, 1501, {})), 1);
    EXPECT_EQ(s.FrameStats[10], 1);  // 802.2 LLC, SAP 0x42: BPDU
    EXPECT_EQ(s.ProtocolStats[2].Frames, 1);
    EXPECT_EQ(s.FrameStats[12], 1);  // Ethernet II of unknown type
    EXPECT_EQ(s.ProtocolStats[16].Frames, 1);
}

TEST_F(Decode, EncapsulationsAndFamilies)
{
    IpxAddress dst{{0, 0, 0, 1}, kB, 0x0451};
    IpxAddress src{{0, 0, 0, 1}, kA, 0x4003};
    feed.Feed(Padded(NovellRaw(kB, kA, Ipx(dst, src, 17, NcpRequest(1, 1, 0x16)))), 0);
    feed.Feed(Padded(Snap8023(kB, kA, 0x809B, {})), 1);
    feed.Feed(Padded(EthernetII(kB, kA, 0x0806, Bytes(28, 0))), 2);
    feed.Feed(Padded(Llc8023(kB, kA, 0xE0, 0xE0, 0x03, Ipx(dst, src, 17, NcpRequest(2, 1, 0x16)))), 3);
    IpxAddress nbDst{{0, 0, 0, 1}, kBroadcast, 0x0455};
    feed.Feed(Padded(EthernetII(kBroadcast, kA, 0x8137, Ipx(nbDst, src, 20, Bytes(50, 0)))), 4);
    EXPECT_EQ(s.FrameStats[13], 1);
    EXPECT_EQ(s.FrameStats[11], 1);
    EXPECT_EQ(s.FrameStats[12], 2);
    EXPECT_EQ(s.FrameStats[10], 1);
    EXPECT_EQ(s.ProtocolStats[5].Frames, 2);   // IPX, raw and LLC
    EXPECT_EQ(s.ProtocolStats[5].EncapsSet.ToBits(), 0b0110);
    EXPECT_EQ(s.ProtocolStats[0].Frames, 1);   // Appletalk over SNAP
    EXPECT_EQ(s.ProtocolStats[0].EncapsSet.ToBits(), 0b1000);
    EXPECT_EQ(s.ProtocolStats[1].Frames, 1);   // ARP
    EXPECT_EQ(s.ProtocolStats[11].Frames, 1);  // NetBIOS-IPX by its socket
    EXPECT_EQ(s.ProtocolStats[11].GroupFrames, 1);
}

TEST_F(Decode, NetBiosOverIpIsItsOwnFamilyAndNotNetworkAnalysed)
{
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 137, 137, NetBiosNameRegistration("PC1", kClient)), 0);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 5000, 137, Bytes(20, 0)), 1);
    EXPECT_EQ(s.ProtocolStats[10].Frames, 1);
    EXPECT_EQ(s.ProtocolStats[4].Frames, 1);
    EXPECT_EQ(s.PacketList.size(), 1u);
    EXPECT_EQ(LastFlags(s) & (kPktRequest | kPktReply), kPktRequest);  // port 137, query bit clear
}

TEST_F(Decode, ShortFramesGetStationsOnlyFromEighteenBytesAndNetworkFrom58)
{
    feed.FeedSized(Bytes(15, 0x02), 15, 15, 0);
    EXPECT_EQ(s.StationCount, 0);
    EXPECT_EQ(s.ProtocolStats[16].Frames, 1);
    EXPECT_EQ(s.FrameStats[15], 1);  // runt

    Bytes eighteen = EthernetII(kB, kA, 0x0800, Bytes(4, 0));
    feed.FeedSized(eighteen, 18, 18, 1);
    EXPECT_EQ(s.StationCount, 2);
    EXPECT_EQ(s.ProtocolStats[16].Frames, 2);  // under 19 bytes: no encapsulation

    Bytes udp = UdpFrame(kB, kA, kClient, kServer, 1000, 2000, Bytes(100, 1));
    feed.FeedSized(udp, 57, 57, 2);
    EXPECT_EQ(s.NetworkNodes.size(), 0u);
    feed.FeedSized(udp, 58, 58, 3);
    EXPECT_EQ(s.NetworkNodes.size(), 2u);
}

TEST_F(Decode, EthernetErrorKinds)
{
    feed.Feed(Bytes(56, 0), 0, true);                 // 60 bytes, bad FCS: runt, bad FCS, CRC fragment
    feed.Feed(Padded(EthernetII(kB, kA, 0x9999, {}), 1600), 1);  // oversize
    feed.Feed(Padded(EthernetII(kB, kA, 0x9999, {}), 100), 2, false, true);  // alignment error
    EXPECT_EQ(s.FrameStats[15], 1);
    EXPECT_EQ(s.FrameStats[17], 1);
    EXPECT_EQ(s.FrameStats[16], 1);
    EXPECT_EQ(s.FrameStats[14], 2);
    EXPECT_EQ(s.LastFragmentFrame, 1);
    EXPECT_EQ(s.SizeClass(-1), 1);
    EXPECT_EQ(s.SizeClass(6), 1);
    EXPECT_EQ(s.SizeClass(0), 1);
}

TEST_F(Decode, EthernetGroupAddressesTestOnlyTheFirstByte)
{
    feed.Feed(Padded(EthernetII({0xFF, 0, 0, 0, 0, 0}, kA, 0x9999, {})), 0);
    feed.Feed(Padded(EthernetII({0x01, 0, 0x5E, 0, 0, 1}, kA, 0x9999, {})), 1);
    feed.Feed(Padded(EthernetII({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, kA, 0x9999, {})), 2);
    EXPECT_EQ(s.FrameStats[7], 1);
    EXPECT_EQ(s.FrameStats[8], 1);
    EXPECT_EQ(s.FrameStats[3], 64);
}

TEST(DecodeTokenRing, GroupAddressesRoutingAndMacFrames)
{
    AnalysisState s;
    EngineFeeder feed(s, kTopologyTokenRing);
    const Mac station = {0x10, 0x00, 0x5A, 0x01, 0x02, 0x03};
    feed.Feed(TokenRingLlc({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, station, {}, 0xF0, Bytes(60, 0)), 0);
    feed.Feed(TokenRingLlc({0x80, 0, 0, 0, 0, 1}, station, {0x82, 0x70}, 0xF0, Bytes(60, 0)), 1);
    feed.Feed(TokenRing(0x00, {0xC0, 0, 0, 0, 0, 1}, station, {}, Bytes(40, 0)), 2);
    EXPECT_EQ(s.FrameStats[8], 2);  // all-stations and functional addresses count as multicast
    EXPECT_EQ(s.FrameStats[7], 1);
    EXPECT_EQ(s.RoutedFrames, 1);
    EXPECT_EQ(s.MacFrames, 1);
    EXPECT_EQ(s.ProtocolStats[15].Frames, 1);
    // The routed frame's source is stored without the routing bit: one station sent all three.
    ASSERT_TRUE(s.Stations.count(MacString(station.data(), 6)));
    EXPECT_EQ(s.Stations.at(MacString(station.data(), 6)).FramesSent, 3);
    EXPECT_EQ(s.SourceStationCount, 1);
}

TEST_F(Decode, IpChecksumsAreCheckedOnWholeDatagramsOnly)
{
    TcpSegment seg{.SrcPort = 1025, .DstPort = 80, .Seq = 1, .Payload = Bytes(10, 7), .BadChecksum = true};
    feed.Feed(TcpFrame(kB, kA, kClient, kServer, seg), 0);
    EXPECT_TRUE(LastFlags(s) & kPktBadTcpChecksum);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 1025, 53, DnsQuery(1, "a.b")), 1);
    EXPECT_FALSE(LastFlags(s) & kPktBadUdpChecksum);
    Bytes badUdp = Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 9, 9, Bytes(30, 1), false, true))));
    feed.Feed(badUdp, 2);
    EXPECT_TRUE(LastFlags(s) & kPktBadUdpChecksum);
    Bytes zeroUdp = Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 9, 9, Bytes(30, 1), true))));
    feed.Feed(zeroUdp, 3);
    EXPECT_FALSE(LastFlags(s) & kPktBadUdpChecksum);
    Bytes badIp = Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 9, 9, Bytes(30, 1)), {.BadChecksum = true})));
    feed.Feed(badIp, 4);
    EXPECT_TRUE(LastFlags(s) & kPktBadIpChecksum);
    // The same damaged frame, sliced: never judged.
    feed.FeedSized(badIp, static_cast<uint16_t>(badIp.size() + 4), 40, 5);
    EXPECT_FALSE(LastFlags(s) & (kPktBadIpChecksum | kPktBadUdpChecksum));
}

// The checksum is summed several bytes at a time: every length remainder, odd
// lengths and payload bytes that carry into every position must give the same
// verdict as the plain word-by-word sum of the frame builder.
TEST_F(Decode, ChecksumsHoldForEveryPayloadLength)
{
    int frameNo = 0;
    for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x5A}}) {
        for (size_t length = 0; length < 14; ++length) {
            SCOPED_TRACE(::testing::Message() << "fill " << int(fill) << ", length " << length);
            Bytes payload(length, fill);
            for (size_t i = 0; i < length; ++i) payload[i] = static_cast<uint8_t>(fill ^ (i * 37));
            TcpSegment seg{.SrcPort = 1025, .DstPort = 80, .Seq = 1, .Payload = payload};
            feed.Feed(TcpFrame(kB, kA, kClient, kServer, seg), frameNo++);
            EXPECT_FALSE(LastFlags(s) & (kPktBadTcpChecksum | kPktBadIpChecksum));
            seg.BadChecksum = true;
            feed.Feed(TcpFrame(kB, kA, kClient, kServer, seg), frameNo++);
            EXPECT_TRUE(LastFlags(s) & kPktBadTcpChecksum);
            feed.Feed(Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 9, 9, payload)))), frameNo++);
            EXPECT_FALSE(LastFlags(s) & (kPktBadUdpChecksum | kPktBadIpChecksum));
            feed.Feed(Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 9, 9, payload, false, true)))), frameNo++);
            EXPECT_TRUE(LastFlags(s) & kPktBadUdpChecksum);
        }
    }
}

TEST_F(Decode, PortRolesAndTcpFields)
{
    TcpSegment reply{.SrcPort = 80, .DstPort = 1025, .Seq = 7000, .Ack = 9, .Flags = 0x18, .Window = 0, .Payload = Bytes(5, 1)};
    feed.Feed(TcpFrame(kA, kB, kServer, kClient, reply), 0);
    const TPacket& p = s.PacketList.back();
    EXPECT_EQ(p.PacketFlags & (kPktRequest | kPktReply), kPktReply);
    EXPECT_EQ(p.Seq, 7000);
    EXPECT_EQ(p.Ack, 9);
    EXPECT_EQ(p.TransportHeaderLen(), 20);
    EXPECT_EQ(p.TCPFlags(), 0x18);
    EXPECT_EQ(p.IPHeaderLen(), 20);
    EXPECT_EQ(p.PktNetOffset, 15);

    TcpSegment syn{.SrcPort = 5000, .DstPort = 5000, .Flags = 0x02, .Mss = 1460};
    feed.Feed(TcpFrame(kB, kA, kClient, kServer, syn), 1);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktRequest);  // equal ports: SYN makes it a request
    ASSERT_FALSE(s.TcpOptions.empty());
    EXPECT_EQ(s.TcpOptions.back().Packet, static_cast<int32_t>(s.PacketList.size() - 1));
    EXPECT_EQ(s.TcpOptions.back().MSS, 1460);

    feed.Feed(UdpFrame(kA, kB, kServer, kClient, 53, 3000, DnsAnswer(1, "srv.lan", kServer)), 2);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktReply);
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 3000, 53, DnsQuery(1, "srv.lan")), 3);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktRequest);
    // A DNS query from a port below 53 carries both roles: the port order and the query bit.
    feed.Feed(UdpFrame(kB, kA, kClient, kServer, 20, 53, DnsQuery(1, "x")), 4);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktRequest | kPktReply);
}

TEST_F(Decode, IcmpEchoRoles)
{
    feed.Feed(IcmpFrame(kB, kA, kClient, kServer, 8, 77), 0);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktRequest);
    EXPECT_EQ(s.PacketList.back().Seq, 77);
    EXPECT_EQ(s.PacketList.back().TypeWord, 8);
    feed.Feed(IcmpFrame(kA, kB, kServer, kClient, 0, 77), 1);
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktReply);
}

TEST_F(Decode, FragmentsTakeThePortsOfTheirFirstFragment)
{
    auto fragment = [&](uint16_t ident, uint16_t offset, const Bytes& payload) {
        return Padded(EthernetII(kB, kA, 0x0800, Ipv4(kClient, kServer, 17, payload, {.Ident = ident, .FragmentOffset = offset})));
    };
    feed.Feed(fragment(0x0100, 0, Udp(kClient, kServer, 4000, 2049, Bytes(100, 1))), 0);
    feed.Feed(fragment(0x0100, 14, Bytes(100, 2)), 1);
    EXPECT_FALSE(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply));  // no role from a later fragment
    const TTransHead& head = s.ObjectList.TransHead(s.ObjectList.NetPeer(Node(s, kClient).FirstPeer).FirstTrans);
    EXPECT_EQ(head.SrcPort, 4000);
    EXPECT_EQ(FirstChain(s, kClient).size(), 2u);  // same ports: same chain

    // 32 more datagrams push the first out of the table: its next fragment gets ports 0.
    for (uint16_t i = 1; i <= 32; ++i) feed.Feed(fragment(static_cast<uint16_t>(0x0100 + i), 0, Udp(kClient, kServer, 4000, 2049, Bytes(10, 1))), 2 + i);
    feed.Feed(fragment(0x0100, 28, Bytes(100, 3)), 40);
    const TPacket& last = s.PacketList.back();
    EXPECT_EQ(last.IPIdent, 0x0001);  // identification taken low byte first
    const TTransHead& lastHead = s.ObjectList.TransHead(s.Index.Tails.LastOf(s.ObjectList.NetPeer(Node(s, kClient).FirstPeer).FirstTrans));
    EXPECT_EQ(lastHead.SrcPort, 0);
}

TEST_F(Decode, NamesFromNetBiosDnsAndSap)
{
    feed.Feed(Padded(Llc8023(kBroadcast, kA, 0xF0, 0xF0, 0x03, NetBiosLlcPayload(0x01, "  ALPHA  "))), 0);
    EXPECT_EQ(LookupName(s, NetString(kA.data(), 6)), "ALPHA");

    feed.Feed(UdpFrame(kA, kB, kServer, kClient, 53, 3000, DnsAnswer(1, "files.office.lan", IpOf(10, 9, 9, 9))), 1);
    EXPECT_EQ(LookupName(s, NetString(IpOf(10, 9, 9, 9).data(), 4)), "files.office.lan");

    IpxAddress server{{0, 0, 0, 7}, MacOf(9), 0x0451};
    IpxAddress sapSrc{{0, 0, 0, 7}, kB, 0x0452};
    IpxAddress sapDst{{0, 0, 0, 7}, kBroadcast, 0x0452};
    feed.Feed(Padded(EthernetII(kBroadcast, kB, 0x8137, Ipx(sapDst, sapSrc, 4, SapResponse({{4, "FS1", server, 1}, {7, "PRINTQ", server, 2}})))), 2);
    uint8_t key[10] = {0, 0, 0, 7};
    std::copy(server.Node.begin(), server.Node.end(), key + 4);
    EXPECT_EQ(LookupName(s, NetString(key, 10)), "FS1");       // the first name stays
    EXPECT_EQ(LookupName(s, NetString(kB.data(), 6)), "FS1");  // one hop away: the sender is the server
    EXPECT_EQ(s.PacketList.back().PacketFlags & (kPktRequest | kPktReply), kPktReply);
}

TEST_F(Decode, HostileDnsAndSapStayInsideTheFrame)
{
    // Answer count 255 and a compression pointer far past the frame.
    Bytes dns = DnsAnswer(1, "a", kServer);
    dns[7] = 0xFF;
    dns[dns.size() - 16] = 0xFF;
    dns[dns.size() - 15] = 0xFF;
    feed.Feed(UdpFrame(kA, kB, kServer, kClient, 53, 3000, dns), 0);
    // Question count 255 with names running to the end of the frame.
    Bytes endless(40, 0x41);
    endless[2] = 0x81;
    endless[5] = 0xFF;
    feed.Feed(UdpFrame(kA, kB, kServer, kClient, 53, 3000, endless), 1);
    // A SAP reply whose IPX length claims 65535 bytes.
    IpxAddress sapDst{{0, 0, 0, 7}, kBroadcast, 0x0452};
    IpxAddress sapSrc{{0, 0, 0, 7}, kB, 0x0452};
    Bytes sap = Ipx(sapDst, sapSrc, 4, SapResponse({{4, "FS1", sapSrc, 1}}));
    sap[2] = 0xFF;
    sap[3] = 0xFF;
    feed.Feed(Padded(EthernetII(kBroadcast, kB, 0x8137, sap)), 2);
    EXPECT_EQ(s.FrameStats[6], 3);
    EXPECT_LE(s.Names.size(), 3u);
}

TEST_F(Decode, IpxApplicationsAndRoles)
{
    IpxAddress client{{0, 0, 0, 1}, kA, 0x4003};
    IpxAddress server{{0, 0, 0, 1}, kB, 0x0451};
    feed.Feed(Padded(EthernetII(kB, kA, 0x8137, Ipx(server, client, 17, NcpRequest(3, 1, 0x48)))), 0);
    EXPECT_EQ(s.PacketList.back().PacketFlags, kPktRequest | kPktNcpRead);
    EXPECT_EQ(s.PacketList.back().NCPFunction(), 0x48);
    EXPECT_EQ(s.PacketList.back().Seq, 3);
    feed.Feed(Padded(EthernetII(kA, kB, 0x8137, Ipx(client, server, 17, NcpReply(3, 1)))), 1);
    EXPECT_EQ(s.PacketList.back().PacketFlags, kPktReply);

    Bytes spx(12, 0);
    spx[0] = 0x80;
    spx[3] = 0x21;
    feed.Feed(Padded(EthernetII(kB, kA, 0x8137, Ipx(server, client, 5, spx))), 2);
    EXPECT_EQ(s.PacketList.back().PacketFlags, kPktReply);
    EXPECT_EQ(s.PacketList.back().TransportHeaderLen(), 12);
    const NetNode& a = s.NetworkNodes.begin()->second;
    EXPECT_EQ(a.Kind, kNetworkIPX);
    EXPECT_EQ(s.IPXHostCount, 2);
    EXPECT_EQ(s.IPXSenderCount, 2);
    EXPECT_TRUE(a.Protocols.Has(kAppSPX));
}

}  // namespace
