// The ladder's rows as engineers read them: relative TCP sequence numbers,
// each row's time and delta and its whole description, and finding rows by
// position, frame, page and text on the cache's row index.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "transaction_chains.h"
#include "ui/analysis/AnalysisContent.h"
#include "ui/analysis/ToolboxContent.h"

namespace quenlix {
namespace {

using testing::Chains;
using testing::IpKey;
using testing::kTcpPushAck;
using testing::TcpPacket;
using testing::UdpPacket;

constexpr double kWrap = 4294967296.0;  // 2^32

// A TCP connection from port 1025 to HTTP with its reverse chain.
class TcpLadder : public ::testing::Test {
protected:
    void SetUp() override
    {
        chains.Node(client).Kind = kNetworkIP;
        chains.Node(server).Kind = kNetworkIP;
        forward = chains.Head(chains.Peer(client, server), kAppTCP, 1025, 80);
        reverse = chains.Head(chains.Peer(server, client), kAppTCP, 80, 1025);
    }
    std::vector<std::string> Texts(bool relative = true)
    {
        ToolboxOptions options;
        options.RelativeSeq = relative;
        ToolboxSelection s;
        RebuildToolbox(chains.State(), s, options);
        std::vector<std::string> texts;
        for (const LadderRow& row : LayOutLadder(chains.State(), s, options, 0, 1 << 30).Rows) texts.push_back(row.Text);
        return texts;
    }

    // Sends a segment padded to the Ethernet minimum, so that no row is marked short.
    void Send(int head, TPacket p)
    {
        p.Length = std::max<uint16_t>(p.Length, 64);
        chains.Send(head, p);
    }

    Chains chains;
    NetString client = IpKey(10, 0, 0, 1), server = IpKey(10, 0, 0, 2);
    int forward = -1, reverse = -1;
};

TEST_F(TcpLadder, SequenceNumbersCountFromEachDirectionsSyn)
{
    Send(forward, TcpPacket(0, 0, 1000, 0, kTcpSyn));
    Send(reverse, TcpPacket(100, 0, 90000, 1001, kTcpSyn | kTcpAck));
    Send(forward, TcpPacket(200, 100, 1001, 90001));
    Send(reverse, TcpPacket(300, 0, 90001, 1101, kTcpAck));
    Send(reverse, TcpPacket(400, 50, 90001, 1101));
    Send(forward, TcpPacket(500, 0, 1101, 90051, kTcpAck));
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "IP Len=40 TTL=0; TCP SYN Win=8192",
                           "IP Len=40 TTL=0; TCP SYN Win=8192",
                           "IP Len=140 TTL=0; TCP Seq=1 Len=100 PSH Win=8192",
                           "IP Len=40 TTL=0; TCP Ack=101 Seq=1 (Pkt 3) Win=8192",
                           "IP Len=90 TTL=0; TCP Seq=1 Len=50 PSH Win=8192",
                           "IP Len=40 TTL=0; TCP Ack=51 Seq=101 (Pkt 5) Win=8192",
                       }));
    // The option off prints the numbers of the trace.
    EXPECT_EQ(Texts(false)[3], "IP Len=40 TTL=0; TCP Ack=1101 Seq=90001 (Pkt 3) Win=8192");
}

TEST_F(TcpLadder, RelativeNumbersWrapRoundThirtyTwoBits)
{
    const double isn = kWrap - 6;
    Send(forward, TcpPacket(0, 0, isn, 0, kTcpSyn));
    Send(forward, TcpPacket(100, 100, isn + 1, 0));
    Send(forward, TcpPacket(200, 100, std::fmod(isn + 101, kWrap), 0));  // past 2^32: 95
    Send(reverse, TcpPacket(300, 0, 7, std::fmod(isn + 201, kWrap), kTcpAck));
    const std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "IP Len=140 TTL=0; TCP Seq=1 Len=100 PSH Win=8192");
    EXPECT_EQ(texts[2], "IP Len=140 TTL=0; TCP Seq=101 Len=100 PSH Win=8192");
    EXPECT_EQ(texts[3], "IP Len=40 TTL=0; TCP Ack=201 Seq=0 (Pkt 3) Win=8192");
}

TEST_F(TcpLadder, WithoutSynTheFirstSeenNumbersAreTheBase)
{
    // The capture began inside the connection: the first segment counts from 0,
    // and an acknowledgement of a direction never seen from its own first number.
    Send(forward, TcpPacket(0, 10, 5000, 777));
    Send(forward, TcpPacket(100, 10, 5010, 777));
    Send(forward, TcpPacket(200, 0, 5020, 787, kTcpAck));
    const std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "IP Len=50 TTL=0; TCP Seq=0 Len=10 PSH Win=8192");
    EXPECT_EQ(texts[1], "IP Len=50 TTL=0; TCP Seq=10 Len=10 PSH Win=8192");
    EXPECT_EQ(texts[2], "IP Len=40 TTL=0; TCP Ack=10 Seq=20 Win=8192");
}

TEST_F(TcpLadder, TextLinesFollowTheOption)
{
    Send(forward, TcpPacket(0, 0, 1000, 0, kTcpSyn));
    Send(forward, TcpPacket(2000, 100, 1001, 0));
    ToolboxOptions options;
    ToolboxSelection s;
    RebuildToolbox(chains.State(), s, options);
    EXPECT_EQ(LadderTextLines(chains.State(), s, options)[1], "2\t0.002000\t->\tIP Len=140 TTL=0; TCP Seq=1 Len=100 PSH Win=8192");
    options.RelativeSeq = false;
    EXPECT_EQ(LadderTextLines(chains.State(), s, options)[1],
              "2\t0.002000\t->\tIP Len=140 TTL=0; TCP Seq=1001 Len=100 PSH Win=8192");
}

TEST_F(TcpLadder, RowsCarryTimeDeltaAndTheWholeDescription)
{
    chains.State().Read.FirstFrameTime = 1000;
    Send(forward, TcpPacket(1000, 0, 1000, 0, kTcpSyn));
    Send(reverse, TcpPacket(1500, 0, 90000, 1001, kTcpSyn | kTcpAck));
    ToolboxSelection s;
    RebuildToolbox(chains.State(), s, {});
    LadderLayout l = LayOutLadder(chains.State(), s, {}, 0, 1000);
    ASSERT_EQ(l.Rows.size(), 2u);
    EXPECT_EQ(l.Rows[0].TimeText, "0.000000");
    EXPECT_EQ(l.Rows[0].DeltaText, "+0.000000");
    EXPECT_EQ(l.Rows[1].TimeText, "0.000500");
    EXPECT_EQ(l.Rows[1].DeltaText, "+0.000500");
    EXPECT_EQ(l.Rows[1].Details,
              "Frame 2, 0.000500 (+0.000500 s), 64 bytes, 10.0.0.2 -> 10.0.0.1; IP Len=40 Header=20 TTL=0; "
              "TCP Ports=80->1025 Header=20 Len=0 Seq=0 Ack=1 Flags=SYN,ACK Win=8192");

    // A trace that places its frames in time shows the time of day.
    chains.State().Read.CaptureTimeClock = CaptureClock::Utc;
    chains.State().Read.FrameTimeOrigin = int64_t{1700000000} * 1000000;  // 22:13:20 UTC
    l = LayOutLadder(chains.State(), s, {}, 0, 1000);
    EXPECT_EQ(l.Rows[1].TimeText, "22:13:20.001500");
}

TEST_F(TcpLadder, ProblemLinesNameTheFramesOfTheirDirection)
{
    Send(forward, TcpPacket(0, 0, 1000, 0, kTcpSyn));
    Send(reverse, TcpPacket(100, 0, 90000, 1001, kTcpSyn | kTcpAck));
    Send(forward, TcpPacket(200, 100, 1001, 90001));
    TPacket again = TcpPacket(400200, 100, 1001, 90001, kTcpPushAck, kPktRetransmission);
    again.SetRetransDepth(1);
    Send(forward, again);  // frame 4, 400 ms after frame 3
    ToolboxSelection s;
    RebuildToolbox(chains.State(), s, {});
    const LadderLayout ladder = LayOutLadder(chains.State(), s, {}, 0, 1000);
    EXPECT_EQ(ladder.Forward.Frames[static_cast<size_t>(ProblemKind::Retransmission)], std::vector<int64_t>{4});
    EXPECT_TRUE(ladder.Reverse.Frames[static_cast<size_t>(ProblemKind::Retransmission)].empty());
    const std::array<std::string, kProblemLines> lines = ProblemSentences(ladder.Forward);
    EXPECT_EQ(lines[0], "1 transport retransmission(s) totalling 158 bytes. Frame 4.");
    EXPECT_EQ(ProblemSentenceFrames(ladder.Forward)[0], std::vector<int64_t>{4});
}

// A ladder of UDP rows 12 pixels apart (spacing off), frames 1, 3, 5 ... .
class LadderIndex : public ::testing::Test {
protected:
    void SetUp() override
    {
        chains.Node(client).Kind = kNetworkIP;
        const int head = chains.Head(chains.Peer(client, server), kAppUDP, 4000, 7);
        const int other = chains.Head(chains.Peer(client, IpKey(10, 0, 0, 9)), kAppUDP, 4000, 7);
        for (int i = 0; i < 3000; ++i) {
            TPacket p = UdpPacket(i * 10.0, 20 + i % 7, 0, i == 2500 ? kPktZeroWindow : PacketFlagSet{});
            chains.Send(head, p);
            chains.Send(other, p);  // the even frames belong to another conversation
        }
        options.SpacingMs = 0;
        RebuildToolbox(chains.State(), s, options);
        LayOutLadder(chains.State(), s, options, 0, 500, &cache);
    }

    Chains chains;
    NetString client = IpKey(10, 0, 0, 1), server = IpKey(10, 0, 0, 2);
    ToolboxOptions options;
    ToolboxSelection s;
    LadderCache cache;
};

TEST_F(LadderIndex, RowsByPositionFrameAndPage)
{
    ASSERT_EQ(cache.Rows.size(), 3000u);
    EXPECT_EQ(cache.Rows[0].Y, 5);
    EXPECT_EQ(cache.Rows[2999].Y, 5 + 12 * 2999);
    EXPECT_EQ(LadderRowAt(cache, 5), 0);
    EXPECT_EQ(LadderRowAt(cache, 5 + 12 * 10 + 3), 10);
    EXPECT_EQ(LadderRowAt(cache, -3), -1);
    EXPECT_EQ(LadderRowAt(cache, 5 + 12 * 3000), -1);
    struct FrameCase {
        int64_t Frame;
        int32_t Row;
    } frames[] = {{1, 0}, {3, 1}, {4, 2}, {5999, 2999}, {6000, -1}, {0, 0}};
    for (const FrameCase& c : frames) EXPECT_EQ(LadderRowOfFrame(chains.State(), cache, c.Frame), c.Row) << c.Frame;
    EXPECT_EQ(LadderPageFrom(cache, 0, 120), 10);
    EXPECT_EQ(LadderPageFrom(cache, 10, -120), 0);
    EXPECT_EQ(LadderPageFrom(cache, 2995, 120), 2999);
    EXPECT_EQ(LadderPageFrom(cache, 3, -120), 0);
    EXPECT_EQ(LadderPageFrom(cache, 5, 5), 6);  // a page shorter than a row still moves one
}

TEST_F(LadderIndex, FindWalksOnFromTheRowAndWrapsRound)
{
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, -1, "zero window"), 2500);
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, 2500, "ZERO WINDOW"), 2500);  // round the end
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, 100, "UDP Len=26"), 104);
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, 2998, "UDP Len=20"), 0);
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, 0, "no such text"), -1);
    EXPECT_EQ(FindLadderText(chains.State(), s, options, cache, 0, ""), -1);
}

}  // namespace
}  // namespace quenlix
