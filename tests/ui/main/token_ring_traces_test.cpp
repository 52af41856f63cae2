// Crafted Token Ring traces read as the program reads them: checksums of
// datagrams that end their frame, MAC frames cut short after longer frames, and
// soft-error lists of a station whose upstream neighbour changed; and an
// Ethernet frame whose headers run past its end.

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

constexpr PacketFlagSet kChecksumFlags{kPktBadTcpChecksum, kPktBadUdpChecksum, kPktBadIpChecksum};

// Counters in kind order: abort, A/C, burst, frame copied, frequency, internal,
// line, lost frame, receive congestion, token.
std::array<uint8_t, 10> Counts(std::initializer_list<std::pair<int, uint8_t>> kinds)
{
    std::array<uint8_t, 10> counts{};
    for (const auto& [kind, count] : kinds) counts[static_cast<size_t>(kind)] = count;
    return counts;
}

SnifferFrame Whole(uint64_t micros, Bytes bytes)
{
    return {.TimeCount = micros, .Bytes = std::move(bytes)};
}

Bytes Cut(Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

class TokenRingTraces : public ::testing::Test {
protected:
    void ReadSniffer(const std::vector<SnifferFrame>& frames, uint8_t networkType = 0)
    {
        WriteSnifferFile(path, {.NetworkType = networkType}, frames);
        ASSERT_EQ(DetectAndRead(state, path, host), kFormatSniffer);
    }

    const StationNode& Station(const Mac& address) const { return state.Stations.at(MacString(address.data(), 6)); }

    std::vector<PacketFlagSet> ChecksumFlagsByPacket() const
    {
        std::vector<PacketFlagSet> flags;
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
    PacketFlagSet Flags;
};

std::vector<ChecksumCase> ChecksumCases()
{
    const TcpSegment good{.SrcPort = 3000, .DstPort = 80, .Seq = 7, .Payload = Bytes(33, 4)};
    TcpSegment bad = good;
    bad.BadChecksum = true;
    return {
        {Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 3000, 7000, Bytes(21, 1))), {}},
        {Ipv4(kClient, kServer, 17, Udp(kClient, kServer, 3000, 7000, Bytes(21, 1), false, true)), kPktBadUdpChecksum},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, good)), {}},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, bad)), kPktBadTcpChecksum},
        {Ipv4(kClient, kServer, 6, Tcp(kClient, kServer, good), {.BadChecksum = true}), kPktBadIpChecksum},
    };
}

std::vector<PacketFlagSet> ExpectedFlags()
{
    std::vector<PacketFlagSet> flags;
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
    EXPECT_EQ(state.Read.TokenRingSizeHasFCS, 0);
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
    EXPECT_EQ(state.Read.TokenRingSizeHasFCS, 1);
    EXPECT_EQ(ChecksumFlagsByPacket(), ExpectedFlags());
}

// ---- frames cut short after longer frames -------------------------------------

// A long LLC frame whose bytes lie where a MAC frame keeps its upstream
// neighbour (26 and 42) and its soft-error counters (20 to 32).
Bytes OtherBytes()
{
    Bytes frame = TokenRingLlc(kF, kE, {}, 0xF4, Bytes(90, 0x07));
    std::copy(kA.begin(), kA.end(), frame.begin() + 26);
    std::copy(kA.begin(), kA.end(), frame.begin() + 42);
    return frame;
}

TEST_F(TokenRingTraces, MacFramesCutShortTakeNothingFromEarlierFrames)
{
    const Bytes report = SoftErrorReportFrame(kD, kA, Counts({{kSoftLine, 3}, {kSoftFrameCopied, 1}}));
    std::vector<SnifferFrame> frames{
        Whole(0, MonitorPresentFrame(kA, kF, true)),
        Whole(1000, OtherBytes()),
        Whole(2000, Cut(MonitorPresentFrame(kC, kA, false), 26)),  // its neighbour is not captured
        Whole(3000, OtherBytes()),
        Whole(4000, Cut(report, 40)),  // counters captured, neighbour not
        Whole(5000, OtherBytes()),
        {.TimeCount = 6000, .Bytes = Cut(report, 40), .TrueSize = 60},  // the same, sliced
        Whole(7000, MonitorPresentFrame(kB, kA, false)),
        Whole(8000, SoftErrorReportFrame(kB, kA, Counts({{kSoftBurst, 2}}))),
    };
    ReadSniffer(frames);
    ASSERT_EQ(state.TotalFrames, 9);

    // Only the whole standby frame places its sender, after its neighbour.
    ASSERT_EQ(state.RingStationCount, 2);
    EXPECT_EQ(MacString(state.RingOrder[2].Address.data(), 6), MacString(kB.data(), 6));
    EXPECT_EQ(ErrorsOf(state, Station(kC)).FirstMACInfo, -1);
    // The reports cut before their neighbour count nowhere; the whole one counts.
    EXPECT_EQ(ErrorsOf(state, Station(kD)).FirstMACInfo, -1);
    EXPECT_EQ(ErrorsOf(state, Station(kD)).SoftErrorKinds, 0);
    std::array<int64_t, 10> totals{};
    totals[kSoftBurst] = 2;
    EXPECT_EQ(state.RingSoftErrorTotals, totals);
    const TMACInfo& b = state.ObjectList.MACInfo(ErrorsOf(state, Station(kB)).FirstMACInfo);
    EXPECT_EQ(MacString(b.NAUN.data(), 6), MacString(kA.data(), 6));
    EXPECT_EQ(b.SoftErrors[kSoftBurst], 2u);
    EXPECT_EQ(b.Next, -1);
}

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

// ---- soft-error lists ---------------------------------------------------------

// The count at the end of a list item ("station/NAUN/count").
int64_t ItemCount(const std::string& item) { return std::stoll(item.substr(item.rfind('/') + 1)); }

TEST_F(TokenRingTraces, SoftErrorListsShowEachRecordsOwnNeighbourAndAddUpToTheirTotals)
{
    // C reports errors with B upstream, B leaves the ring, and C reports again
    // with A upstream; one report goes to another address than the monitor's.
    std::vector<SnifferFrame> frames{
        Whole(0, MonitorPresentFrame(kA, kC, true)),
        Whole(1000, MonitorPresentFrame(kB, kA, false)),
        Whole(2000, MonitorPresentFrame(kC, kB, false)),
        Whole(3000, SoftErrorReportFrame(kC, kB, Counts({{kSoftBurst, 2}, {kSoftFrameCopied, 1}}))),
        Whole(4000, SoftErrorReportFrame(kC, kB, Counts({{kSoftFrameCopied, 2}}), kA)),
        Whole(7000000, MonitorPresentFrame(kA, kC, true)),
        Whole(7001000, MonitorPresentFrame(kC, kA, false)),
        Whole(7002000, SoftErrorReportFrame(kC, kA, Counts({{kSoftBurst, 1}, {kSoftLine, 4}}))),
        Whole(14000000, MonitorPresentFrame(kA, kC, true)),
        Whole(14001000, MonitorPresentFrame(kC, kA, false)),
    };
    ReadSniffer(frames);
    const SoftErrorSummary summary = UpdateTokenRingErrors(state, false);

    const std::string c = "*" + std::string("00001B0000C3");
    EXPECT_EQ(summary.Lists[kSoftBurst], (std::vector<std::string>{c + "/00001B0000B2/2", c + "/00001B0000A1/1"}));
    EXPECT_EQ(summary.Lists[kSoftFrameCopied], (std::vector<std::string>{c + "/00001B0000B2/1"}));
    EXPECT_EQ(summary.Lists[kSoftLine], (std::vector<std::string>{c + "/00001B0000A1/4"}));
    EXPECT_EQ(summary.MultiNAUNCount, 1);
    for (int kind = 0; kind < kSoftErrorKinds; ++kind) {
        const auto& list = summary.Lists[static_cast<size_t>(kind)];
        int64_t sum = 0;
        std::set<std::string> stationAndNeighbour;
        for (const std::string& item : list) {
            sum += ItemCount(item);
            EXPECT_TRUE(stationAndNeighbour.insert(item.substr(0, item.rfind('/'))).second) << item;
        }
        EXPECT_EQ(sum, state.RingSoftErrorTotals[static_cast<size_t>(kind)]) << "kind " << kind;
    }
}

}  // namespace
}  // namespace quenlix
