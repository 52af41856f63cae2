// The toolbox's selection and ladder on crafted conversations: row positions,
// arrow lengths, packet texts, problem annotations and counts, the merge of
// both directions, and damaged chains that must neither loop nor read outside.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProblemConversation.h"
#include "TestFiles.h"
#include "import/TraceImport.h"
#include "transaction_chains.h"
#include "ui/analysis/AnalysisContent.h"
#include "ui/analysis/ToolboxContent.h"

namespace quenlix {
namespace {

using testing::Chains;
using testing::IpKey;
using testing::TcpPacket;
using testing::UdpPacket;

class ToolboxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clientToServer = chains.Peer(client, server);
        forward = chains.Head(clientToServer, kAppUDP, 4000, 7);
        chains.Node(client).Kind = kNetworkIP;
        chains.Node(server).Kind = kNetworkIP;
    }
    void AddReverse()
    {
        serverToClient = chains.Peer(server, client);
        reverse = chains.Head(serverToClient, kAppUDP, 7, 4000);
    }
    ToolboxSelection Select(ToolboxOptions options = {})
    {
        ToolboxSelection s;
        RebuildToolbox(chains.State(), s, options);
        return s;
    }
    LadderLayout Lay(const ToolboxSelection& s, ToolboxOptions options = {})
    {
        return LayOutLadder(chains.State(), s, options, 0, 1 << 30);
    }

    Chains chains;
    NetString client = IpKey(10, 0, 0, 1), server = IpKey(10, 0, 0, 2);
    int clientToServer = -1, forward = -1, serverToClient = -1, reverse = -1;
};

TEST_F(ToolboxTest, RowsFollowSpacingAndArrowsFollowScale)
{
    for (int i = 0; i < 4; ++i) chains.Send(forward, UdpPacket(1000 + i * 500, 100, 0, kPktRequest));
    ToolboxOptions disabled;
    disabled.SpacingMs = 0;
    LadderLayout ladder = Lay(Select(), disabled);
    ASSERT_EQ(ladder.Rows.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(ladder.Rows[i].Y, 5 + 12 * static_cast<int>(i));
    EXPECT_EQ(ladder.Height, 41 + 6);

    // 10 ms spacing: 1 pixel per 5 ms, so a 100 ms gap adds 20 pixels and draws ticks.
    chains.Send(forward, UdpPacket(1000 + 1500 + 100000, 100, 0, kPktRequest));
    ladder = Lay(Select());
    ASSERT_EQ(ladder.Rows.size(), 5u);
    EXPECT_GE(ladder.Rows[4].Y - ladder.Rows[3].Y, 12 + 20);
    EXPECT_FALSE(ladder.Ticks.empty());

    struct Case {
        PacketScale Scale;
        TopologyCode Topology;
        int Length;
    } cases[] = {{PacketScale::Medium, kTopologyEthernet, 95}, {PacketScale::Small, kTopologyEthernet, 48}, {PacketScale::Large, kTopologyEthernet, 190},
                 {PacketScale::Medium, kTopologyTokenRing, 48}};
    for (const Case& c : cases) {
        Chains one;
        const int peer = one.Peer(client, server);
        one.Node(client).Kind = kNetworkIP;
        const int h = one.Head(peer, kAppUDP, 1, 2);
        TPacket p = UdpPacket(10, 1514 - 46, 0, {});
        one.Send(h, p);
        one.State().Topology = c.Topology;
        ToolboxOptions o;
        o.ScaleDivisor = ScaleDivisorFor(c.Scale, c.Topology);
        ToolboxSelection s;
        RebuildToolbox(one.State(), s, o);
        const LadderLayout l = LayOutLadder(one.State(), s, o, 0, 1000);
        ASSERT_EQ(l.Rows.size(), 1u);
        EXPECT_EQ(l.Rows[0].ArrowLength, c.Length);
    }
}

TEST_F(ToolboxTest, AnnotationsCountEachProblemOfItsDirection)
{
    AddReverse();
    struct Case {
        PacketFlagSet Flags;
        int Length;
        double Delay;  // microseconds after the first packet, for retransmissions
        std::string Annotation;
    } cases[] = {
        {kPktZeroWindow, 100, 0, "Zero Window"},
        {kPktBadFcs, 100, 0, "DLC CRC Error"},
        {kPktBadIpChecksum, 100, 0, "IP Checksum Error"},
        {kPktBadUdpChecksum, 100, 0, "UDP Checksum Error"},
        {{}, 63, 0, "Short Packet"},
        {{}, 64, 0, ""},
        {{}, 1518, 0, ""},
        {{}, 1519, 0, "Long Packet"},
        {kPktRetransmission, 100, 99990, "Fast Transport Retransmission (99.99 ms from pkt 1)"},
        {kPktRetransmission, 100, 100000, "Transport Retransmission (100.00 ms from pkt 1)"},
        {kPktPathDuplicate, 100, 0, "Locally Routed (Pkt 1)"},
    };
    for (const Case& c : cases) {
        Chains one;
        const int peer = one.Peer(client, server);
        one.Node(client).Kind = kNetworkIP;
        const int back = one.Peer(server, client);
        const int h = one.Head(peer, kAppUDP, 1, 2);
        const int r = one.Head(back, kAppUDP, 2, 1);
        one.Send(h, UdpPacket(1000, 100, 1, kPktRequest));
        TPacket p = UdpPacket(1000 + c.Delay, c.Length - 46, 2, c.Flags);
        p.SetRetransDepth(1);
        one.Send(r, UdpPacket(1000 + c.Delay / 2, 100, 3, kPktReply));  // reverse, between the two
        one.Send(h, p);
        ToolboxSelection s;
        RebuildToolbox(one.State(), s, {});
        const LadderLayout l = LayOutLadder(one.State(), s, {}, 0, 1 << 20);
        ASSERT_EQ(l.Rows.size(), 3u) << c.Annotation;
        EXPECT_FALSE(l.Rows[1].Forward);
        EXPECT_EQ(l.Rows[2].Annotations, c.Annotation);
        EXPECT_EQ(l.ProblemTotal, c.Annotation.empty() ? 0u : 1u) << c.Annotation;
        EXPECT_EQ(l.Reverse.ZeroWindows + l.Reverse.Retransmissions + l.Reverse.ShortPackets, 0u);
        // Annotated text ends in "; ", plain text has no trailing separator.
        const std::string& text = l.Rows[2].Text;
        EXPECT_EQ(text.substr(text.size() - 2) == "; ", !c.Annotation.empty()) << text;
    }
}

TEST_F(ToolboxTest, RetransmissionCountsBytesDelayAndErroredOriginals)
{
    chains.Send(forward, UdpPacket(0, 100, 1, kPktRequest | kPktBadUdpChecksum));
    for (double delay : {10000.0, 20000.0, 30000.0}) {
        TPacket p = UdpPacket(delay, 100, 2, kPktRetransmission);
        p.SetRetransDepth(1);
        chains.Send(forward, p);
    }
    const LadderLayout l = Lay(Select());
    EXPECT_EQ(l.Forward.Retransmissions, 3u);
    EXPECT_EQ(l.Forward.RetransmittedBytes, 3 * 146);
    // Each refers to the packet just before it: 10 + 10 + 10 ms.
    EXPECT_DOUBLE_EQ(l.Forward.RetransmissionDelay, 30000.0);
    EXPECT_EQ(l.Forward.ErrorRetransmissions, 1u);
    EXPECT_EQ(l.Forward.UdpChecksumErrors, 1u);
    EXPECT_EQ(l.ProblemTotal, 4u);
}

TEST_F(ToolboxTest, TcpTextsNameSegmentsFlagsAndAcknowledgedPacket)
{
    const int tcpPeer = clientToServer;
    const int tcpHead = chains.Head(tcpPeer, kAppTCP, 1025, 80);
    serverToClient = chains.Peer(server, client);
    const int back = chains.Head(serverToClient, kAppTCP, 80, 1025);
    TPacket syn = TcpPacket(0, 0, 100, 0, kTcpSyn);
    syn.Length = 64;  // padded to the minimum: not short
    const int synIndex = chains.Send(tcpHead, syn);
    chains.State().TcpOptions.push_back({.Packet = synIndex, .MSS = 1460});
    chains.Send(tcpHead, TcpPacket(1000, 200, 101, 1));
    TPacket ack = TcpPacket(2000, 0, 1, 301, kTcpAck);
    ack.Length = 64;
    chains.Send(back, ack);
    ToolboxSelection s = Select();
    SelectApp(s, 1);
    ASSERT_EQ(s.ConversationText, "TCP/Port 1025<->HTTP");
    ToolboxOptions absolute;
    absolute.RelativeSeq = false;
    const LadderLayout l = Lay(s, absolute);
    ASSERT_EQ(l.Rows.size(), 3u);
    EXPECT_EQ(l.Rows[0].Text, "IP Len=40 TTL=0; TCP SYN (MSS=1460) Win=8192");
    EXPECT_EQ(l.Rows[1].Text, "IP Len=240 TTL=0; TCP Seq=101 Len=200 PSH Win=8192");
    EXPECT_EQ(l.Rows[2].Text, "IP Len=40 TTL=0; TCP Ack=301 Seq=1 (Pkt 2) Win=8192");
    EXPECT_FALSE(s.NoReversePath);
    // Swapping keeps the application that answers the one shown.
    SwapSelection(chains.State(), s, {});
    EXPECT_EQ(s.SenderText, "10.0.0.2");
    EXPECT_EQ(s.ConversationText, "TCP/HTTP<->Port 1025");
}

TEST_F(ToolboxTest, SelectionPreselectsAndHandlesOneWayConversations)
{
    chains.Send(forward, UdpPacket(0, 10, 1, kPktRequest));
    const NetString third = IpKey(10, 0, 0, 3);
    const int other = chains.Peer(client, third);
    chains.Head(other, kAppICMP);
    ToolboxPreselection pre{"10.0.0.1", "", "10.0.0.3", "", "ICMP Echo (Ping)"};
    ToolboxSelection s;
    RebuildToolbox(chains.State(), s, {}, pre);
    EXPECT_EQ(s.SourceItems, (std::vector<std::string>{"10.0.0.1"}));  // only senders are listed
    EXPECT_EQ(s.ResponderText, "10.0.0.3");
    EXPECT_EQ(s.ConversationText, "ICMP");  // the page's ICMP text finds the ICMP head
    EXPECT_TRUE(s.NoReversePath);
    // A text that matches no station keeps the first one.
    pre.Source = "192.168.0.9";
    RebuildToolbox(chains.State(), s, {}, pre);
    EXPECT_EQ(s.SourceIndex, 0);
    SelectTarget(chains.State(), s, 0);
    const LadderLayout l = Lay(s);
    EXPECT_FALSE(l.HasReverse);
    EXPECT_EQ(l.Rows.size(), 1u);
    SetFrameRange(s, 5, 2);  // beyond the trace: clamped, To never below From
    EXPECT_EQ(s.FirstFrameNo, 1);
    EXPECT_EQ(s.LastFrameNo, 1);
}

TEST_F(ToolboxTest, HostTalkingToItselfIsOneDirection)
{
    // Same address and the same port at both ends: the record is its own "reverse",
    // which must not draw every packet a second time.
    Chains self;
    const int peer = self.Peer(client, client);
    const int head = self.Head(peer, kAppUDP, 7, 7);
    self.Node(client).Kind = kNetworkIP;
    for (int i = 0; i < 3; ++i) self.Send(head, UdpPacket(1000 + i * 100, 10, i + 1, kPktRequest));
    ToolboxSelection s;
    RebuildToolbox(self.State(), s, {});
    const LadderLayout l = LayOutLadder(self.State(), s, {}, 0, 1 << 30);
    EXPECT_EQ(l.RowCount, 3);
    EXPECT_FALSE(l.HasReverse);
}

TEST_F(ToolboxTest, DamagedChainsAndClocksStayBounded)
{
    AddReverse();
    chains.Send(forward, UdpPacket(5000, 10, 1, kPktRequest));
    chains.Send(forward, UdpPacket(4000, 10, 2, kPktRequest));  // time steps back: not drawn
    TPacket gap = UdpPacket(6000, 10, 3, kPktGapMarker);
    chains.Send(reverse, gap);
    TPacket looping = UdpPacket(7000, 20, 4, kPktRetransmission);
    looping.SetRetransDepth(15);  // the most it holds: further back than the chain goes
    const int last = chains.Send(forward, looping);
    chains.State().PacketList[static_cast<size_t>(last)].PrevPacket = last;  // a link to itself
    TPacket jump = UdpPacket(1e300, 10, 5, kPktRequest);  // a clock jump
    chains.Send(forward, jump);
    const LadderLayout l = Lay(Select());
    ASSERT_EQ(l.Rows.size(), 4u);
    EXPECT_TRUE(l.Rows[1].Placeholder);
    EXPECT_EQ(l.Rows[1].Text, "MISSING UDP PACKET(S)");
    EXPECT_EQ(l.Rows[2].Annotations, "Fast Transport Retransmission");
    EXPECT_LT(l.Height, 400);  // the jump is one ruler break, not a billion pixels
    EXPECT_EQ(l.Breaks.size(), 1u);

    // Nothing selected, no sender: an empty ladder.
    Chains empty;
    ToolboxSelection none;
    RebuildToolbox(empty.State(), none, {});
    EXPECT_EQ(LayOutLadder(empty.State(), none, {}, 0, 100).RowCount, 0);
    EXPECT_TRUE(LadderTextLines(empty.State(), none, {}).empty());
}

TEST_F(ToolboxTest, BandHoldsOnlyRowsInViewButCountsAll)
{
    for (int i = 0; i < 1000; ++i) chains.Send(forward, UdpPacket(i * 10.0, 20, 0, kPktZeroWindow));
    ToolboxSelection s = Select();
    const LadderLayout all = Lay(s);
    const LadderLayout band = LayOutLadder(chains.State(), s, {}, 1200, 1400);
    EXPECT_EQ(band.RowCount, 1000);
    EXPECT_EQ(band.Forward.ZeroWindows, 1000u);
    EXPECT_LE(band.Rows.size(), 20u);
    EXPECT_EQ(band.Height, all.Height);
    for (const LadderRow& row : band.Rows) EXPECT_TRUE(row.Y + 7 >= 1200 && row.Y - 6 <= 1400);
    // A cached layout starts near the band and gives the same rows, ticks,
    // labels and breaks as a walk of the whole ladder.
    Chains varied;
    const int peer = varied.Peer(client, server), back = varied.Peer(server, client);
    varied.Node(client).Kind = kNetworkIP;
    const int h = varied.Head(peer, kAppUDP, 1, 2), r = varied.Head(back, kAppUDP, 2, 1);
    double time = 0;
    for (int i = 0; i < 5000; ++i) {
        time += (i % 97 == 0) ? 3e6 : (i % 7) * 4000.0;  // breaks, ruler runs and close rows
        varied.Send(i % 3 ? h : r, UdpPacket(time, 20 + i % 50, 0, i % 11 ? PacketFlagSet{} : kPktZeroWindow));
    }
    ToolboxSelection vs;
    RebuildToolbox(varied.State(), vs, {});
    LadderCache cache;
    const LadderLayout whole = LayOutLadder(varied.State(), vs, {}, 0, 700, &cache);
    EXPECT_EQ(cache.Checkpoints.size(), 5u);
    for (int32_t top : {0, 20000, whole.Height / 2, whole.Height - 300}) {
        const LadderLayout plain = LayOutLadder(varied.State(), vs, {}, top, top + 700);
        const LadderLayout cached = LayOutLadder(varied.State(), vs, {}, top, top + 700, &cache);
        ASSERT_FALSE(plain.Rows.empty()) << top;
        ASSERT_EQ(cached.Rows.size(), plain.Rows.size()) << top;
        for (size_t i = 0; i < plain.Rows.size(); ++i) {
            EXPECT_EQ(cached.Rows[i].Y, plain.Rows[i].Y);
            EXPECT_EQ(cached.Rows[i].Text, plain.Rows[i].Text);
        }
        EXPECT_EQ(cached.Ticks.size(), plain.Ticks.size()) << top;
        EXPECT_EQ(cached.Labels.size(), plain.Labels.size()) << top;
        EXPECT_EQ(cached.Breaks.size(), plain.Breaks.size()) << top;
        EXPECT_EQ(cached.Height, plain.Height);
        EXPECT_EQ(cached.Forward.ZeroWindows, plain.Forward.ZeroWindows);
    }

    const std::vector<std::string> lines = LadderTextLines(chains.State(), s, {});
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines[1], "2\t0.000010\t->\tIP Len=48 TTL=0; UDP Len=20; \tZero Window");
}

// The same problems written as a trace and read through the engine: each is
// marked in its direction, counted once and summed up in sentences.
TEST(ToolboxTrace, EveryProblemKindIsMarkedCountedAndSummedUp)
{
    testing::TempDir dir;
    const std::string path = dir.Path("problems.enc");
    testing::WriteSnifferFile(path, {}, testing::ProblemConversationFrames());
    auto state = std::make_unique<AnalysisState>();
    testing::RecordingHost host;
    state->Read.TraceFileName = path;
    state->Read.TraceFormat = DetectTraceFormat(*state, path, host).Code;
    state->Topology = DetectTopology(*state, state->Read.TraceFormat, path, host).Code;
    ReadTraceFile(*state, false, host);
    ToolboxSelection s;
    RebuildToolbox(*state, s, {}, {"10.5.0.1", "", "10.5.0.2", "", ""});
    ASSERT_EQ(s.ConversationText, "TCP/Port 1025<->HTTP");
    const LadderLayout l = LayOutLadder(*state, s, {}, 0, 1 << 20);
    std::vector<std::string> notes;
    for (const LadderRow& row : l.Rows) notes.push_back(row.Annotations);
    // The window opening again after the zero window is a window update.
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "TCP Checksum Error", "", "Transport Retransmission (152.00 ms from pkt 1)", "",
                         "IP Checksum Error", "DLC CRC Error", "Zero Window", "Locally Routed (Pkt 6)",
                         "Short Packet, Window update", "Long Packet", ""}));
    EXPECT_EQ(l.Forward.ErrorRetransmissions, 1u);
    EXPECT_EQ(l.ProblemTotal, 9u);
    const ProblemContent p = BuildProblems(*state, s, l);
    // Each line names the frame its annotation marks.
    EXPECT_EQ(p.Forward, (std::array<std::string, kProblemLines>{
                             "1 DLC CRC error(s). Frame 6.", "1 Long packet(s). Frame 10.",
                             "1 IP checksum error(s). Frame 5.", "1 TCP checksum error(s). Frame 1.",
                             "1 locally routed packets totalling 158 bytes. Frame 8.",
                             "1 transport retransmission(s) totalling 158 bytes. Frame 3.",
                             "The average retransmission time is 152.00 milliseconds.",
                             "1 of the retransmission(s) follow a packet with a CRC or checksum error. Frame 3."}));
    EXPECT_EQ(p.Reverse, (std::array<std::string, kProblemLines>{
                             "1 Short packet(s). Frame 9.", "1 zero window(s). Frame 7.", "1 window update(s). Frame 9."}));
    EXPECT_EQ(p.ForwardFrames[6], std::vector<int64_t>{3});
    EXPECT_EQ(p.Notice, "");
}

}  // namespace
}  // namespace quenlix
