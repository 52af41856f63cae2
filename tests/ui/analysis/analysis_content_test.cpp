// The latency, throughput, problem and what-if contents: figures and texts on
// crafted conversations, the shared bar chart, the what-if table against
// values worked out by hand, and the office capture's echo and download.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "TestFiles.h"
#include "import/TraceImport.h"
#include "transaction_chains.h"
#include "ui/analysis/AnalysisContent.h"

namespace quenlix {
namespace {

using testing::Chains;
using testing::IpKey;
using testing::UdpPacket;

TEST(BarChart, AxisTicksAndBars)
{
    struct Case {
        std::array<double, 4> Values;
        double Max;
        std::string Top, Mid;
        std::array<bool, 4> Drawn;
    } cases[] = {
        {{0.4, 2.6, 1.2, 0.8}, 3.0, "3.0", "1.5", {true, true, true, true}},
        {{10, 37, 20, 10}, 40, "    40", "    20", {true, true, true, true}},
        // Both ticks carry the decimals of the step between them.
        {{0, 0, 0, 0}, 0.5, "0.50", "0.25", {false, false, false, false}},
        {{5, 5, 5, 5}, 5.5, "5.50", "2.75", {true, true, true, true}},
        {{1, 7, 1, 1}, 7.5, "7.50", "3.75", {true, true, true, true}},
        {{0.9, 0.8, 0.2, 0.2}, 1.0, "1.0", "0.5", {true, true, true, true}},
        {{12, 3, 3, 3}, 15, "  15.0", "   7.5", {true, true, true, true}},
        {{12345, 0, 0, 0}, 12345, "12345.0", "6172.5", {true, false, false, false}},
        {{12345.678, 0, 0, 0}, 12345.678, " 12346", "  6173", {true, false, false, false}},  // no tidy step
        {{0.001, 5000, 2500, -3}, 5500, "  5500", "  2750", {false, true, true, false}},
        {{NAN, 1e30, INFINITY, 0}, 1e30, "1000000000000000019884624838656", "500000000000000009942312419328",
         {false, true, false, false}},
    };
    for (const Case& c : cases) {
        ChartData data;
        data.Values = c.Values;
        const BarChartGeometry g = LayOutBarChart(data, 140, 120);
        EXPECT_DOUBLE_EQ(g.AxisMax, c.Max);
        EXPECT_EQ(g.TopLabel, c.Top);
        EXPECT_EQ(g.MidLabel, c.Mid);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(g.Bars[i].Drawn, c.Drawn[i]) << c.Max << " bar " << i;
            EXPECT_EQ(g.Bars[i].Left, 35 + 24 * static_cast<int>(i));
            EXPECT_EQ(g.Bars[i].Bottom, 106);
            EXPECT_GE(g.Bars[i].Top, 107 - 90 - 1);  // never above the axis maximum
        }
    }
    // Equal values: one height, 2 x 90 / 2.5 = 72 pixels.
    ChartData equal;
    equal.Values = {2, 2, 2, 2};
    for (const ChartBar& bar : LayOutBarChart(equal, 140, 120).Bars) EXPECT_EQ(bar.Top, 120 - 13 - 72);
}

// Two stations exchanging UDP echoes: requests every 100 ms, answers after 20 ms.
class EchoConversation : public ::testing::Test {
protected:
    void Build(int requests, bool answered)
    {
        const NetString client = IpKey(10, 0, 0, 1), server = IpKey(10, 0, 0, 2);
        const int out = chains.Head(chains.Peer(client, server), kAppUDP, 4000, 7);
        const int back = answered ? chains.Head(chains.Peer(server, client), kAppUDP, 7, 4000) : -1;
        chains.Node(client).Kind = kNetworkIP;
        for (int i = 0; i < requests; ++i) {
            chains.Send(out, UdpPacket(i * 100000.0, 100, static_cast<uint16_t>(i + 1), kPktRequest));
            if (answered) chains.Send(back, UdpPacket(i * 100000.0 + 20000, 100, 0, kPktReply));
        }
        RebuildToolbox(chains.State(), selection, {});
    }
    Chains chains;
    ToolboxSelection selection;
};

TEST_F(EchoConversation, LatencyOfBothDirectionsAndWhatIfInputs)
{
    Build(10, true);
    const LatencyContent c = BuildLatency(chains.State(), selection, {});
    EXPECT_EQ(c.Caption, "Detailed Latency Analysis for UDP/Port 4000<->Port 7");
    EXPECT_EQ(c.Upper.Heading, "Sender: 10.0.0.1  Responder: 10.0.0.2");
    ASSERT_TRUE(c.Upper.HasResults) << c.Upper.Memo;
    EXPECT_EQ(c.Upper.Min, " 20.000");
    EXPECT_EQ(c.Upper.Average, " 20.000");
    EXPECT_EQ(c.Upper.Contention, " 0.000");
    EXPECT_EQ(c.Upper.Ratio, "1:1");
    EXPECT_EQ(c.Upper.Total, "20");
    EXPECT_EQ(c.Upper.AveSendSize, "146");
    EXPECT_EQ(c.Upper.Duration, "< 00:00:01");
    EXPECT_EQ(c.Upper.Memo, "10 packet pair included in the latency analysis over the range 1 to 20.");
    EXPECT_TRUE(c.Upper.WhatIf.Valid);
    EXPECT_DOUBLE_EQ(c.Upper.WhatIf.MinLatency, 20.0);
    EXPECT_TRUE(c.LowerShown);
    // The server's answers pair with the next request: 80 ms.
    EXPECT_EQ(c.Lower.Heading, "Sender: 10.0.0.2  Responder: 10.0.0.1");
    const std::string copy = LatencyCopyText(c.Upper, selection, true);
    EXPECT_EQ(copy.substr(0, copy.find("\r\n")),
              "Latency Analysis for UDP/Port 4000<->Port 7.  Sender: 10.0.0.1 Responder: 10.0.0.2");
    EXPECT_NE(copy.find("\r\nMinimum \t 20.000\r\n"), std::string::npos);
}

TEST_F(EchoConversation, OneWayConversationLeavesTheLowerPanelEmpty)
{
    Build(7, false);
    const LatencyContent c = BuildLatency(chains.State(), selection, {});
    EXPECT_FALSE(c.Upper.HasResults);
    EXPECT_EQ(c.Upper.Memo, "Unable to analyze latency.  Packets are one-way.");
    EXPECT_EQ(c.Upper.Heading, "Sender: 10.0.0.1  Destination: 10.0.0.2");
    EXPECT_FALSE(c.LowerShown);

    const ThroughputContent t = BuildThroughput(chains.State(), selection, {});
    EXPECT_FALSE(t.Upper.HasResults);
    EXPECT_EQ(t.Upper.Memo,
              "There are only 7 packets from the source to the destination.  A minimum of 8 is required for "
              "throughput analysis. This can be adjusted in the Packet Sample Window setting.");
    EXPECT_EQ(t.Upper.Bytes, "1,022");
    EXPECT_FALSE(t.LowerShown);
}

TEST_F(EchoConversation, ThroughputInKBytesAndKBits)
{
    Build(8, true);
    ThroughputOptions options;
    const ThroughputContent bytes = BuildThroughput(chains.State(), selection, options);
    ASSERT_TRUE(bytes.Upper.HasResults) << bytes.Upper.Memo;
    // One window of 8: minimum and maximum equal, 8 x 146 bytes over 700 ms plus one frame time.
    EXPECT_EQ(bytes.Upper.Min, bytes.Upper.Max);
    const double kb = bytes.Upper.Chart.Values[1];
    EXPECT_NEAR(kb, 8 * 146 / (0.7 + 166 * 8 / 10e6) / 1000, 1e-9);
    EXPECT_NEAR(bytes.Upper.Chart.Values[3], kb - bytes.Upper.Chart.Values[2], 1e-9);
    options.Units = 8;
    const ThroughputContent bits = BuildThroughput(chains.State(), selection, options);
    EXPECT_EQ(bits.GroupCaption, "Throughput (in KBits/Second)");
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(bits.Upper.Chart.Values[i], 8 * bytes.Upper.Chart.Values[i], 1e-9);
    EXPECT_EQ(bytes.Upper.Memo, "8 packets included in the throughput analysis over the range 1 to 16.");
}

TEST(BadInput, GapMarkersOnlyAndPacketsAtOneInstant)
{
    struct Case {
        PacketFlagSet Flags;
        double Step;  // microseconds between packets
    } cases[] = {{kPktGapMarker, 1000}, {kPktRequest, 0}, {kPktRequest, -500}};
    for (const Case& c : cases) {
        Chains chains;
        const NetString a = IpKey(10, 0, 0, 1), b = IpKey(10, 0, 0, 2);
        const int out = chains.Head(chains.Peer(a, b), kAppUDP, 1, 2);
        const int back = chains.Head(chains.Peer(b, a), kAppUDP, 2, 1);
        chains.Node(a).Kind = kNetworkIP;
        for (int i = 0; i < 12; ++i) {
            chains.Send(out, UdpPacket(1e6 + i * c.Step, 10, static_cast<uint16_t>(i), c.Flags));
            chains.Send(back, UdpPacket(1e6 + i * c.Step, 10, 0, c.Flags == kPktGapMarker ? c.Flags : PacketFlagSet{kPktReply}));
        }
        ToolboxSelection s;
        RebuildToolbox(chains.State(), s, {});
        const LatencyContent l = BuildLatency(chains.State(), s, {});
        const ThroughputContent t = BuildThroughput(chains.State(), s, {});
        for (double v : t.Upper.Chart.Values) EXPECT_TRUE(std::isfinite(v));
        if (c.Step < 0) {
            EXPECT_EQ(t.Upper.Min, " 0.000") << "no window had time to measure";
        }
        for (double v : l.Upper.Chart.Values) EXPECT_TRUE(std::isfinite(v));
        EXPECT_FALSE(l.Upper.Memo.empty());
        EXPECT_FALSE(t.Upper.Memo.empty());
        const LadderLayout ladder = LayOutLadder(chains.State(), s, {}, 0, 1000);
        const ProblemContent p = BuildProblems(chains.State(), s, ladder);
        EXPECT_EQ(p.Forward[0].empty(), c.Flags == kPktGapMarker) << p.Forward[0];  // else short packets
    }
}

TEST(ProblemSentences, OrderLimitAndAverage)
{
    ProblemCounts c;
    c.CrcErrors = 1;
    c.ShortPackets = 2;
    c.TcpChecksumErrors = 1234;
    c.LocallyRouted = 1;
    c.LocallyRoutedBytes = 60;
    c.Retransmissions = 3;
    c.RetransmittedBytes = 4500;
    c.RetransmissionDelay = 60000;
    c.ZeroWindows = 9;
    auto lines = ProblemSentences(c);
    EXPECT_EQ(lines[0], "1 DLC CRC error(s).");
    EXPECT_EQ(lines[2], "1,234 TCP checksum error(s).");
    EXPECT_EQ(lines[3], "1 locally routed packets totalling 60 bytes.");
    EXPECT_EQ(lines[4], "3 transport retransmission(s) totalling 4,500 bytes.");  // its average line is dropped
    c = {};
    c.Retransmissions = 3;
    c.RetransmissionDelay = 60000;
    c.ErrorRetransmissions = 1;
    lines = ProblemSentences(c);
    EXPECT_EQ(lines[1], "The average retransmission time is 20.00 milliseconds.");
    EXPECT_EQ(lines[2], "1 of the retransmission(s) follow a packet with a CRC or checksum error.");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(ProblemSentences({})[0], "");
}

TEST(ProblemSentences, NameTheirFirstFrames)
{
    ProblemCounts c;
    c.Retransmissions = 7;
    c.RetransmittedBytes = 700;
    c.RetransmissionDelay = 7000;
    for (int64_t frame : {10, 12, 14, 20, 31, 40}) c.NoteFrame(ProblemKind::Retransmission, frame);  // five are kept
    c.ZeroWindows = 1;
    c.NoteFrame(ProblemKind::ZeroWindow, 396);
    c.DuplicateAcks = 2;
    c.NoteFrame(ProblemKind::DuplicateAck, 5);
    c.NoteFrame(ProblemKind::DuplicateAck, 8);
    const auto lines = ProblemSentences(c);
    EXPECT_EQ(lines[0], "7 transport retransmission(s) totalling 700 bytes. Frames 10, 12, 14, 20, 31 and 2 more.");
    EXPECT_EQ(lines[1], "The average retransmission time is 1.00 milliseconds.");
    EXPECT_EQ(lines[2], "1 zero window(s). Frame 396.");
    EXPECT_EQ(lines[3], "2 duplicate ACK(s). Frames 5, 8.");
    const auto frames = ProblemSentenceFrames(c);
    const std::vector<int64_t> retransmissions = {10, 12, 14, 20, 31};
    EXPECT_EQ(frames[0], retransmissions);
    EXPECT_EQ(frames[1], retransmissions);  // the average line selects the same packets
    EXPECT_EQ(frames[2], std::vector<int64_t>{396});
    EXPECT_TRUE(frames[4].empty());
}

TEST(WhatIf, TableAgainstHandWorkedRows)
{
    WhatIfValues v;
    v.AveSend = v.AveRcv = 1518;
    auto rows = WhatIfTable(v);
    ASSERT_EQ(rows.size(), 41u);
    // 10000 kbit/s: 1538 bytes at 1,250,000 bytes per second.
    EXPECT_EQ(rows[27], (std::vector<std::string>{"Send", "10,000,000", "1,250,000", "812.74", "100.00%", ""}));
    // Slowest row, with latency and users: s = r = 1, D = 0.05 s, U = 2, B = 4000.
    v = {};
    v.AveSend = 100;
    v.AveRcv = 500;
    v.Latency = 30;
    v.Contention = 20;
    v.Users = 2;
    v.PktsTrans = 2;
    rows = WhatIfTable(v);
    const double rateS = 2.0 / (100.0 * 2 / 4000 + 0.05), rateR = 2.0 / (500.0 * 2 / 4000 + 0.05);
    char text[64];
    std::snprintf(text, sizeof text, "%6.2f", rateS);
    EXPECT_EQ(rows[1][3], text);
    std::snprintf(text, sizeof text, "%6.6f", 2 / rateS + 2 / rateR);
    EXPECT_EQ(rows[2][5], text);
    // Fastest row adds the 20 bytes of Ethernet overhead.
    const double fastS = 2.0 / (120.0 * 2 / 125000000 + 0.05);
    std::snprintf(text, sizeof text, "%3.2f%%", 120 * fastS / 125000000 * 100);
    EXPECT_EQ(rows[39][4], text);
    // Half duplex: one row per speed, utilisation from the receive size only.
    v.FullDuplex = false;
    rows = WhatIfTable(v);
    ASSERT_EQ(rows.size(), 21u);
    const double g = 500 + 100, rate = 1 / (g * 0.5 / 4000 + 0.05);
    std::snprintf(text, sizeof text, "%3.2f%%", 500 * rate / 4000 * 100);
    EXPECT_EQ(rows[1][0], "Send/Rcv");
    EXPECT_EQ(rows[1][4], text);
    std::snprintf(text, sizeof text, "%6.6f", (g / 4000 + 0.05) * 2 * 2 / 2);
    EXPECT_EQ(rows[1][5], text);
}

TEST(WhatIf, DefaultsAndRangesFromHandedOverValues)
{
    WhatIfInputs in;
    in.AveSendSize = 10;  // below the Ethernet minimum
    in.AveReceiveSize = 1200.5;
    in.MinLatency = 12.5;
    in.AverageContention = 99999;
    in.RatioText = "2.5:1";
    WhatIfValues v = WhatIfDefaults(in, kTopologyEthernet);
    EXPECT_EQ(v.AveSend, 64);
    EXPECT_EQ(v.AveRcv, 1200);
    EXPECT_EQ(v.Latency, 12);
    EXPECT_EQ(v.Contention, 10000);
    EXPECT_EQ(v.SendRatio, 2);
    EXPECT_EQ(v.RcvRatio, 1);
    EXPECT_EQ(v.PktsTrans, 3);
    v.SendRatio = 5;
    v.PktsTrans = 2;
    ClampWhatIf(v, kTopologyEthernet);
    EXPECT_EQ(v.PktsTrans, 6);
    in.RatioText = "garbage";
    v = WhatIfDefaults(in, kTopologyTokenRing);
    EXPECT_EQ(v.AveSend, 18);
    EXPECT_EQ(v.SendRatio, 1);
    // Typed extremes keep every divisor positive.
    v.Users = 0;
    v.SendRatio = v.RcvRatio = 0;
    for (const auto& row : WhatIfTable(v))
        for (const std::string& cell : row) EXPECT_EQ(cell.find("nan"), std::string::npos);
}

// Round trips on a LAN take a fraction of a millisecond: the edits show them as
// 0, the table keeps the measured time until the user types another.
TEST(WhatIf, SubMillisecondTimesKeepTheirMeasuredPrecision)
{
    WhatIfInputs in;
    in.MinLatency = 0.069;
    in.AverageContention = 0.021;
    in.AveSendSize = 98;
    in.AveReceiveSize = 1436;
    WhatIfValues v = WhatIfDefaults(in, kTopologyEthernet);
    EXPECT_EQ(v.Latency, 0);
    EXPECT_EQ(v.Contention, 0);
    // 10000 kbit/s send row: 118 bytes at 1,250,000 bytes per second, D = 0.09 ms.
    const auto utilisation = [](double delaySeconds) {
        char text[64];
        std::snprintf(text, sizeof text, "%3.2f%%", 118 / (118.0 / 1250000 + delaySeconds) / 1250000 * 100);
        return std::string(text);
    };
    EXPECT_EQ(WhatIfTable(v)[27][4], utilisation(0.00009));
    EXPECT_NE(WhatIfTable(v)[27][4], "100.00%");
    v.Latency = 2;  // typed: the contention stays as measured
    EXPECT_EQ(WhatIfTable(v)[27][4], utilisation(0.002021));
}

// ---- the office capture ----

namespace fs = std::filesystem;
const fs::path kOffice = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures" / "office-a.enc";

TEST(OfficeCapture, EchoLatencyAndShapedDownload)
{
    if (!fs::exists(kOffice)) GTEST_SKIP() << "real capture not found: " << kOffice;
    auto state = std::make_unique<AnalysisState>();
    testing::RecordingHost host;
    state->Read.TraceFileName = kOffice.string();
    const FormatDetection format = DetectTraceFormat(*state, state->Read.TraceFileName, host);
    state->Read.TraceFormat = format.Code;
    state->Topology = DetectTopology(*state, format.Code, state->Read.TraceFileName, host).Code;
    ReadTraceFile(*state, false, host);

    ToolboxSelection s;
    int echoes = 0;
    for (const char* client : {"10.99.1.101", "10.99.1.102", "10.99.1.103"}) {
        RebuildToolbox(*state, s, {}, {client, "", "10.99.1.10", "", ""});
        ASSERT_EQ(s.ResponderText, "10.99.1.10");
        for (int app = 0; app < static_cast<int>(s.AppItems.size()); ++app) {
            SelectApp(s, app);
            if (s.ConversationText.find("7000") == std::string::npos) continue;
            const LatencyContent c = BuildLatency(*state, s, {});
            ASSERT_TRUE(c.Upper.HasResults) << client << ": " << c.Upper.Memo;
            EXPECT_NEAR(c.Upper.Chart.Values[2], 20.0, 2.0) << client << " " << s.ConversationText;
            ++echoes;
        }
    }
    EXPECT_EQ(echoes, 3);
    // The shaped download from files to c1: near 2 Mbit/s.
    ToolboxOptions options;
    ToolboxPreselection pre{"10.99.1.20", "", "10.99.1.101", "", ""};
    RebuildToolbox(*state, s, options, pre);
    ASSERT_EQ(s.SenderText, "10.99.1.20");
    ThroughputOptions units;
    units.Units = 8;
    bool found = false;
    for (int app = 0; app < static_cast<int>(s.AppItems.size()); ++app) {
        SelectApp(s, app);
        if (s.ConversationText.rfind("TCP/HTTP", 0) != 0) continue;
        const ThroughputContent t = BuildThroughput(*state, s, units);
        if (!t.Upper.HasResults) continue;
        found = true;
        EXPECT_NEAR(t.Upper.Chart.Values[2], 2000, 300) << s.ConversationText;
    }
    EXPECT_TRUE(found);
    const LadderLayout ladder = LayOutLadder(*state, s, options, 0, 2000);
    EXPECT_GT(ladder.RowCount, 100);
}

}  // namespace
}  // namespace quenlix
