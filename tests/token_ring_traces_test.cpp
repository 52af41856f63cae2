// Crafted Token Ring traces read as the program reads them: checksums of
// datagrams that end their frame; and an Ethernet frame whose headers run past
// its end.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "FrameBuilder.h"
#include "LANalyzerWriter.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "TokenRingFrames.h"
#include "TraceImage.h"
#include "import/TraceImport.h"
#include "ui/main/DLCErrorContent.h"

namespace quenlix {
namespace {

using namespace quenlix::testing;

const Mac kA = MacOf(0xA1);
const Mac kB = MacOf(0xB2);
const Mac kC = MacOf(0xC3);
const Mac kD = MacOf(0xD4);
const Mac kE = MacOf(0xE5);
const Mac kF = MacOf(0xF6);
const Ip kClient = IpOf(10, 1, 0, 1);
const Ip kServer = IpOf(10, 1, 0, 2);

constexpr uint16_t kChecksumFlags = kPktBadTcpChecksum | kPktBadUdpChecksum | kPktBadIpChecksum;

SnifferFrame Whole(uint64_t micros, Bytes bytes)
{
    return {.TimeCount = micros, .Bytes = std::move(bytes)};
}

class TokenRingTraces : public ::testing::Test {
protected:
    void ReadSniffer(const std::vector<SnifferFrame>& frames, uint8_t networkType = 0)
    {
        WriteSnifferFile(path, {.NetworkType = networkType}, frames);
        ASSERT_EQ(DetectAndRead(state, path, host), kFormatSniffer);
    }

    std::vector<uint16_t> ChecksumFlagsByPacket() const
    {
        std::vector<uint16_t> flags;
        for (const TPacket& p : state.PacketList) flags.push_back(p.PacketFlags & kChecksumFlags);
        return flags;
    }

    TempDir dir;
    std::string path = dir.Path("ring.trc");
    RecordingHost host;
    AnalysisState state;
};

// ---- checksums of datagrams that end their frame ------------------------------

struct ChecksumCase {
    Bytes Datagram;
    uint16_t Flags;
};

std::vector<ChecksumCase> ChecksumCases()
{
    const TcpSegment good{.SrcPort = 3000, .DstPort = 80, .Seq = 7, .Payload = Bytes(33, 4)};
    TcpSegment bad = good;
    bad.BadChecksum = true;
    return {
        {Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 3000, 7000, Bytes(21, 1))), 0},
        {Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 3000, 7000, Bytes(21, 1), false, true)), kPktBadUdpChecksum},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, good)), 0},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, bad)), kPktBadTcpChecksum},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, good), {.BadChecksum = true}), kPktBadIpChecksum},
    };
}

std::vector<uint16_t> ExpectedFlags()
{
    std::vector<uint16_t> flags;
    for (const ChecksumCase& c : ChecksumCases()) flags.push_back(c.Flags);
    return flags;
}

TEST_F(TokenRingTraces, ChecksumsAreCheckedWhereTheFrameSizeHasNoFCS)
{
    // Sniffer Token Ring sizes leave the FCS out: the datagram ends the frame.
    std::vector<SnifferFrame> frames;
    for (const ChecksumCase& c : ChecksumCases())
        frames.push_back(Whole(frames.size() * 1000, TokenRingLlc(kB, kA, {}, 0x06, c.Datagram)));
    ReadSniffer(frames);
    EXPECT_EQ(state.TokenRingSizeHasFCS, 0);
    EXPECT_EQ(ChecksumFlagsByPacket(), ExpectedFlags());
}

TEST_F(TokenRingTraces, ChecksumsAreCheckedAheadOfTheFCSWhereTheFrameSizeCountsIt)
{
    // LANalyzer counts the FCS in its wire length on Token Ring too.
    std::vector<LANalyzerFrame> frames;
    for (const ChecksumCase& c : ChecksumCases())
        frames.push_back({.TimeHalfMicroseconds = frames.size() * 2000, .Bytes = TokenRingLlc(kB, kA, {}, 0x06, c.Datagram)});
    BuildLANalyzerTrace({.TokenRing = true}, frames).Save(path);
    ASSERT_EQ(DetectAndRead(state, path, host), kFormatLANalyzer);
    EXPECT_EQ(state.TokenRingSizeHasFCS, 1);
    EXPECT_EQ(ChecksumFlagsByPacket(), ExpectedFlags());
}

// ---- headers past the frame ---------------------------------------------------

TEST_F(TokenRingTraces, EthernetHeadersPastTheFrameReadAsZeros)
{
    // A datagram whose 60-byte IP header leaves its ports beyond a 64-byte frame.
    const TcpSegment segment{.SrcPort = 4321, .DstPort = 80, .Payload = Bytes(100, 9)};
    Bytes options = Ipv4(kClient, kServer, 6, Bytes(4, 0));
    options[0] = 0x4F;
    Bytes shortFrame = Padded(EthernetII(kB, kA, 0x0800, options));
    ReadSniffer({Whole(0, TcpFrame(kB, kA, kClient, kServer, segment)), Whole(1000, shortFrame)}, 1);

    const NetNode& client = state.NetworkNodes.at(NetString(kClient.data(), 4));
    const TNetPeer& peer = state.ObjectList.NetPeer(client.FirstPeer);
    const TTransHead& first = state.ObjectList.TransHead(peer.FirstTrans);
    ASSERT_NE(first.NextTrans, -1);  // not taken into the first frame's conversation
    const TTransHead& second = state.ObjectList.TransHead(first.NextTrans);
    EXPECT_EQ(second.SrcPort, 0);
    EXPECT_EQ(second.DstPort, 0);
    EXPECT_EQ(state.PacketList[second.FirstPacket].Seq, 0);
}

}  // namespace
}  // namespace quenlix
