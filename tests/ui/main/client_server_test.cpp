// The Client/Server Expert page: which conversations get a row, every cell text,
// the marks at their thresholds, the name columns and their hidden keys, the
// selection handed to the toolbox, sorting and copying, and the conversation
// query of the command-line report.

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "EngineFeeder.h"
#include "FrameBuilder.h"
#include "transaction_chains.h"
#include "model/NumberFormat.h"
#include "ui/main/ClientServerContent.h"

namespace quenlix {
namespace {

using namespace quenlix::testing;

const std::string kMark = "\xB7";

class ClientServer : public ::testing::Test {
protected:
    struct Talk {
        int Request = -1;  // the client's application record
        int Answer = -1;   // the server's
    };

    void SetUp() override { State().ProtocolStats[4].Frames = 1; }

    AnalysisState& State() { return c.State(); }

    int PeerOf(const NetString& from, const NetString& to)
    {
        const auto key = std::make_pair(from, to);
        const auto found = peers.find(key);
        if (found != peers.end()) return found->second;
        return peers[key] = c.Peer(from, to);
    }

    Talk Conversation(const NetString& client, const NetString& server, ApplicationCode app, uint16_t clientPort,
                      uint16_t serverPort)
    {
        const int request = c.Head(PeerOf(client, server), app, clientPort, serverPort);
        const int answer = c.Head(PeerOf(server, client), app, serverPort, clientPort);
        return {request, answer};
    }

    // count UDP exchanges from start, gap apart, each answered delay later.
    void Exchanges(const Talk& talk, int count, double start, double gap, double delay, int answerPayload = 20)
    {
        for (int i = 0; i < count; ++i) {
            const double t = start + i * gap;
            // Every datagram its own identification, so that none looks like a fragment.
            c.Send(talk.Request, UdpPacket(t, 20, nextIdent++, kPktRequest));
            c.Send(talk.Answer, UdpPacket(t + delay, answerPayload, nextIdent++, kPktReply));
        }
    }

    // A server answer of any length.
    void Answer(const Talk& talk, double time, uint16_t length)
    {
        TPacket p = UdpPacket(time, 20, 0, kPktReply);
        p.Length = length;
        c.Send(talk.Answer, p);
    }

    StationNode& Station(const NetString& key, const std::array<uint8_t, 6>& mac)
    {
        const MacString address(mac.data(), 6);
        StationNode& station = State().Stations[address];
        station.Address = address;
        c.Node(key).StationNumber = State().Stations.NumberOf(address);
        return station;
    }

    ClientServerContent Build()
    {
        ClientServerContent content;
        UpdateServerGrid(State(), content);
        return content;
    }

    Chains c;
    std::map<std::pair<NetString, NetString>, int> peers;
    uint16_t nextIdent = 1;
    const NetString client = IpKey(10, 0, 0, 1);
    const NetString server = IpKey(10, 0, 0, 2);
};

// ---- the page and its rows -------------------------------------------------------------

TEST_F(ClientServer, TraceWithoutIpOrIpxShowsOnlyTheCaption)
{
    State().ProtocolStats[kFamilyIP].Frames = 0;
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 2, 0, 1000, 100);
    ClientServerContent content = Build();
    EXPECT_TRUE(content.NoCSPackets);
    EXPECT_FALSE(content.ShowIPXOUIVisible);
    EXPECT_EQ(content.ServerRowCount, 0);

    State().ProtocolStats[kFamilyIPX].Frames = 3;  // IPX alone is enough, and shows the OUI box
    content = Build();
    EXPECT_FALSE(content.NoCSPackets);
    EXPECT_TRUE(content.ShowIPXOUIVisible);
    EXPECT_EQ(content.ServerRowCount, 1);
}

TEST_F(ClientServer, InitServerGridLeavesHeadersAndOneEmptyRow)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 2, 0, 1000, 100);
    ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 1);
    InitServerGrid(content);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(content.ServerRowCount, 0);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.ColCount(), 15);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    const std::vector<std::string> headers{"A", "B", "C", "D", "E", "F", "G", "Client", "Server", "Protocol/Application",
                                           "Packets", "Bytes", "Duration", "Resp Time (ms)", "Throughput*"};
    for (int col = 0; col < 15; ++col) EXPECT_EQ(grid.Cell(col, 0), headers[static_cast<size_t>(col)]);
    for (int col = 0; col < 18; ++col) EXPECT_EQ(grid.Cell(col, 1), "") << col;
    EXPECT_EQ(grid.Alignment(0), GridAlignment::Centre);
    EXPECT_EQ(grid.Alignment(kColRetransmitted), GridAlignment::Centre);
    EXPECT_EQ(grid.Alignment(kColClient), GridAlignment::Left);
    EXPECT_EQ(grid.Alignment(kColApplication), GridAlignment::Centre);
    EXPECT_EQ(grid.Alignment(kColThroughput), GridAlignment::Right);
}

TEST_F(ClientServer, EchoConversationRow)
{
    Station(client, {0x00, 0x00, 0x0C, 0x12, 0x34, 0x56});
    Station(server, {0x02, 0x60, 0x8C, 0xAB, 0xCD, 0xEF});
    State().VendorTable[1] = {{0x00, 0x00, 0x0C}, "Cisco"};
    State().VendorCount = 1;
    // Eight 66-byte requests 30 ms apart, each answered with 166 bytes 20 ms later.
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 8, 0, 30000, 20000, 120);

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 1);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.RowTag(1), 1);  // the first conversation
    EXPECT_EQ(grid.Cell(kColClient, 1), "10.0.0.1");
    EXPECT_EQ(grid.Cell(kColServer, 1), "10.0.0.2");
    EXPECT_EQ(grid.Cell(kColApplication, 1), "UDP/Port 40000<->Port 7000");
    EXPECT_EQ(grid.Cell(kColPackets, 1), "16");
    EXPECT_EQ(grid.Cell(kColBytes, 1), "1,856");
    EXPECT_EQ(grid.Cell(kColResponseTime, 1), " 20.000");
    // The server's packets cover 0.21 s: too short for a duration or a rate.
    EXPECT_EQ(grid.Cell(kColDuration, 1), "< 00:00:01");
    EXPECT_EQ(grid.Cell(kColThroughput, 1), "-");
    for (int col = 0; col <= 5; ++col) EXPECT_EQ(grid.Cell(col, 1), "") << col;
    // Beside each text, the value the sorts compare and the JSON report writes.
    EXPECT_EQ(grid.Value(kColClient, 1), GridValue::Address(client.Data(), 4));
    EXPECT_EQ(grid.Value(kColApplication, 1), GridValue::Text());
    EXPECT_EQ(grid.Value(kColPackets, 1), GridValue::Count(16));
    EXPECT_EQ(grid.Value(kColBytes, 1), GridValue::Count(1856));
    EXPECT_EQ(grid.Value(kColResponseTime, 1), GridValue::Number(20));
    EXPECT_EQ(grid.Value(kColDuration, 1), GridValue::Duration(0));
    EXPECT_EQ(grid.Value(kColThroughput, 1), GridValue());
    EXPECT_EQ(grid.Value(kColRetransmits, 1), GridValue());
    const ServerGridConversation& conversation = *ServerGridRowConversation(content, 1);
    EXPECT_EQ(conversation.Client, client);
    EXPECT_EQ(conversation.Server, server);
    EXPECT_EQ(conversation.ClientDLC, "Cisco123456");
    EXPECT_EQ(conversation.ServerDLC, "02608CABCDEF");
    // The query stays as the throughput run left it: the server's direction.
    EXPECT_EQ(content.Query.SelectedNetNode, &State().NetworkNodes.at(server));
    EXPECT_FALSE(content.Query.MeasureThroughput);
    EXPECT_EQ(content.Query.WindowPackets, 4);
}

TEST_F(ClientServer, ConversationsNeedAnAnsweredUnicastRequestFirst)
{
    const NetString later = IpKey(10, 0, 0, 9);
    const NetString earlier = IpKey(10, 0, 0, 3);
    Exchanges(Conversation(later, server, kAppUDP, 40000, 53), 1, 0, 0, 100);
    Exchanges(Conversation(earlier, server, kAppUDP, 40001, 53), 1, 1000, 0, 100);
    // Opened by an answer, by a group request, or never answered: no row.
    const Talk reply = Conversation(earlier, server, kAppUDP, 40002, 53);
    c.Send(reply.Request, UdpPacket(2000, 20, 1, kPktReply));
    c.Send(reply.Answer, UdpPacket(2100, 20, 1, kPktReply));
    const Talk group = Conversation(earlier, server, kAppUDP, 40003, 53);
    c.Send(group.Request, UdpPacket(3000, 20, 1, kPktRequest | kPktGroup));
    c.Send(group.Answer, UdpPacket(3100, 20, 1, kPktReply));
    const Talk silent = Conversation(earlier, IpKey(10, 0, 0, 77), kAppUDP, 40004, 53);
    c.Send(silent.Request, UdpPacket(4000, 20, 1, kPktRequest));

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 2);
    // Clients in address order, whatever the order of their frames.
    EXPECT_EQ(content.ServerGrid.Cell(kColClient, 1), "10.0.0.3");
    EXPECT_EQ(content.ServerGrid.Cell(kColApplication, 1), "UDP/Port 40001<->DNS");
    EXPECT_EQ(content.ServerGrid.Cell(kColClient, 2), "10.0.0.9");
    EXPECT_EQ(content.ServerGrid.Cell(kColPackets, 2), "2");
}

// ---- marks --------------------------------------------------------------------------------

TEST_F(ClientServer, SlowResponseNeedsFourResponsesOfAtLeast100Ms)
{
    Exchanges(Conversation(client, server, kAppUDP, 40001, 7000), 4, 0, 200000, 100000);
    Exchanges(Conversation(client, server, kAppUDP, 40002, 7000), 3, 0, 200000, 150000);
    Exchanges(Conversation(client, server, kAppUDP, 40003, 7000), 4, 0, 200000, 99999.4);

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 3);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColResponseTime, 1), " 100.000");
    EXPECT_EQ(grid.Cell(kColSlowResponse, 1), kMark);
    EXPECT_EQ(grid.Cell(kColResponseTime, 2), " 150.000");
    EXPECT_EQ(grid.Cell(kColSlowResponse, 2), "");
    EXPECT_EQ(grid.Cell(kColResponseTime, 3), " 99.999");
    EXPECT_EQ(grid.Cell(kColSlowResponse, 3), "");
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(grid.Cell(kColBusy, row), "");
}

TEST_F(ClientServer, BusyMarkWhenTheAverageIsOverTenTimesTheFastest)
{
    const Talk busy = Conversation(client, server, kAppUDP, 40001, 7000);
    const Talk even = Conversation(client, server, kAppUDP, 40002, 7000);
    const Talk few = Conversation(client, server, kAppUDP, 40003, 7000);
    for (double delay : {1000.0, 1000.0, 1000.0, 50000.0}) Exchanges(busy, 1, c.Frames() * 1000.0, 0, delay);
    for (double delay : {1000.0, 1000.0, 1000.0, 37000.0}) Exchanges(even, 1, c.Frames() * 1000.0, 0, delay);
    for (double delay : {1000.0, 1000.0, 50000.0}) Exchanges(few, 1, c.Frames() * 1000.0, 0, delay);

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 3);
    EXPECT_EQ(content.ServerGrid.Cell(kColBusy, 1), kMark);  // 13.25 ms against 1 ms
    EXPECT_EQ(content.ServerGrid.Cell(kColBusy, 2), "");     // exactly ten times
    EXPECT_EQ(content.ServerGrid.Cell(kColBusy, 3), "");     // only three responses
}

TEST_F(ClientServer, LowThroughputMarkFromJustAboveOneHundredthToTenPercent)
{
    // Server answers to one request each: 125 frames of 980 bytes over one
    // second fill exactly 10 % of a 10 Mbit/s link with their 20 bytes of gap.
    const Talk tenPercent = Conversation(client, server, kAppUDP, 40001, 7000);
    c.Send(tenPercent.Request, UdpPacket(0, 20, 1, kPktRequest));
    for (int i = 0; i < 125; ++i) Answer(tenPercent, 1000 + i * 8000.0, 980);
    // Five 5-byte frames over one second: 0.01 %, and 0.0104 % with 6 bytes.
    const Talk hundredth = Conversation(client, server, kAppUDP, 40002, 7000);
    c.Send(hundredth.Request, UdpPacket(0, 20, 1, kPktRequest));
    for (int i = 0; i < 5; ++i) Answer(hundredth, 1000 + i * 250000.0, 5);
    const Talk above = Conversation(client, server, kAppUDP, 40003, 7000);
    c.Send(above.Request, UdpPacket(0, 20, 1, kPktRequest));
    for (int i = 0; i < 5; ++i) Answer(above, 1000 + i * 250000.0, 6);

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 3);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColLowThroughput, 1), kMark);
    EXPECT_EQ(grid.Cell(kColDuration, 1), "00:00:01");
    // 122,500 bytes over 124 x 8 ms plus the first frame's 800 us.
    EXPECT_EQ(grid.Cell(kColThroughput, 1), " 123.388");
    EXPECT_EQ(grid.Cell(kColLowThroughput, 2), "");
    EXPECT_EQ(grid.Cell(kColLowThroughput, 3), kMark);
    // The server sent far more than the client: not an inefficient client.
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(grid.Cell(kColInefficient, row), "");
}

TEST_F(ClientServer, InefficientClientOnlyWithLowThroughput)
{
    // As many requests as answers, the answers using 8 % of the link.
    Exchanges(Conversation(client, server, kAppUDP, 40001, 7000), 100, 0, 10000, 1000, 934);
    // Three answers only: not enough data for a rate or a mark.
    Exchanges(Conversation(client, server, kAppUDP, 40002, 7000), 3, 0, 400000, 1000, 934);

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 2);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColLowThroughput, 1), kMark);
    EXPECT_EQ(grid.Cell(kColInefficient, 1), kMark);
    EXPECT_EQ(grid.Cell(kColThroughput, 2), "-");
    EXPECT_EQ(grid.Cell(kColLowThroughput, 2), "");
    EXPECT_EQ(grid.Cell(kColInefficient, 2), "");
}

TEST_F(ClientServer, RetransmissionsAndRouterDuplicatesOnlyForTcpNcpAndBurst)
{
    const Talk tcp = Conversation(client, server, kAppTCP, 40000, 80);
    c.Send(tcp.Request, TcpPacket(0, 100, 1000, 1, kTcpPushAck, kPktRequest));
    c.Send(tcp.Request, TcpPacket(1000, 100, 1000, 1, kTcpPushAck, kPktRetransmission));
    c.Send(tcp.Request, TcpPacket(2000, 100, 1000, 1, kTcpPushAck, kPktRetransmission));
    c.Send(tcp.Request, TcpPacket(2500, 100, 1000, 1, kTcpPushAck, kPktPathDuplicate));
    c.Send(tcp.Answer, TcpPacket(3000, 0, 1, 1100, kTcpAck));
    const Talk udp = Conversation(client, server, kAppUDP, 40001, 7000);
    c.Send(udp.Request, UdpPacket(0, 20, 1, kPktRequest));
    c.Send(udp.Request, UdpPacket(10, 20, 2, kPktRetransmission));
    c.Send(udp.Answer, UdpPacket(100, 20, 3, kPktReply));

    const ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 2);
    EXPECT_EQ(content.ServerGrid.Cell(kColRetransmits, 1), "2");
    EXPECT_EQ(content.ServerGrid.Cell(kColPathDuplicates, 1), "1");
    EXPECT_EQ(content.ServerGrid.Cell(kColRetransmits, 2), "");
    EXPECT_EQ(content.ServerGrid.Cell(kColPathDuplicates, 2), "");
}

TEST_F(ClientServer, MissingStationsShowUnknownDlcAddresses)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 1, 0, 0, 100);
    ClientServerContent content = Build();
    EXPECT_EQ(ServerGridRowConversation(content, 1)->ClientDLC, "UNKNOWN");
    EXPECT_EQ(ServerGridRowConversation(content, 1)->ServerDLC, "UNKNOWN");
    EXPECT_EQ(*DLCAddressMenuCaption(content, kColServer, 1), "DLC Source is UNKNOWN");
    EXPECT_FALSE(DLCAddressMenuCaption(content, kColApplication, 1).has_value());

    Station(client, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    content = Build();
    EXPECT_EQ(*DLCAddressMenuCaption(content, kColClient, 1), "DLC Source is 001122334455");
}

// ---- names ------------------------------------------------------------------------------

TEST_F(ClientServer, SmartNamesRewriteTheNameColumnsFromTheHiddenKeys)
{
    const NetString other = IpKey(10, 0, 0, 5);
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 1, 0, 0, 100);
    Exchanges(Conversation(other, server, kAppUDP, 40000, 7000), 3, 1000, 1000, 100);
    AddName(State(), client, "alice");
    AddName(State(), server, "srv.office.lan");

    ClientServerContent content;
    content.SmartNames = true;
    UpdateServerGrid(State(), content);
    GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColClient, 1), "alice");
    EXPECT_EQ(grid.Cell(kColServer, 1), "srv.office.lan");
    EXPECT_EQ(grid.Cell(kColClient, 2), "10.0.0.5");  // no name learned

    SortServerGrid(content, kColPackets, false);
    EXPECT_FALSE(content.LastSortAscending);
    EXPECT_EQ(grid.Cell(kColPackets, 1), "6");
    content.SmartNames = false;
    SmartNamesClick(State(), content);
    EXPECT_EQ(grid.Cell(kColClient, 1), "10.0.0.5");
    EXPECT_EQ(grid.Cell(kColClient, 2), "10.0.0.1");
    EXPECT_EQ(grid.Cell(kColServer, 2), "10.0.0.2");
}

TEST_F(ClientServer, IpxAddressesPlainOrByVendor)
{
    State().ProtocolStats[5].Frames = 1;
    State().VendorTable[1] = {{0x00, 0x00, 0x1B}, "Novell"};
    State().VendorCount = 1;
    const uint8_t clientNode[6] = {0x00, 0x00, 0x1B, 0x12, 0x34, 0x56};
    const uint8_t serverNode[6] = {0x08, 0x00, 0x09, 0x00, 0x00, 0x01};
    const NetString ipxClient = IpxKey(1, clientNode);
    const NetString ipxServer = IpxKey(0xABCD, serverNode);
    const Talk ncp = Conversation(ipxClient, ipxServer, kAppNCP, 0x4003, 0x0451);
    c.Send(ncp.Request, IpxPacket(0, 100, 1, 0, kPktRequest));
    c.Send(ncp.Answer, IpxPacket(900, 100, 1, 0, kPktReply));

    ClientServerContent content = Build();
    ASSERT_EQ(content.ServerRowCount, 1);
    EXPECT_EQ(content.ServerGrid.Cell(kColClient, 1), "1.00001B123456");
    EXPECT_EQ(content.ServerGrid.Cell(kColServer, 1), "ABCD.080009000001");
    EXPECT_EQ(content.ServerGrid.Cell(kColApplication, 1), "IPX (Socket 4003<->0451)/NCP");
    EXPECT_EQ(content.ServerGrid.Cell(kColResponseTime, 1), " 0.900");
    content.ShowIPXOUI = true;
    SmartNamesClick(State(), content);
    EXPECT_EQ(content.ServerGrid.Cell(kColClient, 1), "1.Novell123456");

    const auto selection = ServerGridClick(State(), content, 1);
    ASSERT_TRUE(selection.has_value());
    EXPECT_EQ(selection->SelectedClientText, "1.00001B123456");
    EXPECT_EQ(selection->SelectedClientOUIText, "1.Novell123456");
    EXPECT_EQ(selection->SelectedServerText, "ABCD.080009000001");
    EXPECT_EQ(selection->SelectedServerOUIText, "ABCD.080009000001");
    EXPECT_EQ(selection->SelectedApplicationText, "IPX (Socket 4003<->0451)/NCP");
}

TEST_F(ClientServer, SelectionOfAnIpRowHasNoOuiTexts)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 53), 1, 0, 0, 100);
    AddName(State(), client, "alice");
    ClientServerContent content;
    content.SmartNames = true;
    UpdateServerGrid(State(), content);
    const auto selection = ServerGridClick(State(), content, 1);
    ASSERT_TRUE(selection.has_value());
    EXPECT_EQ(selection->SelectedClientText, "10.0.0.1");  // addresses, not names
    EXPECT_EQ(selection->SelectedServerText, "10.0.0.2");
    EXPECT_EQ(selection->SelectedClientOUIText, "");
    EXPECT_EQ(selection->SelectedServerOUIText, "");
    EXPECT_EQ(selection->SelectedApplicationText, "UDP/Port 40000<->DNS");

    InitServerGrid(content);
    EXPECT_FALSE(ServerGridClick(State(), content, 1).has_value());
    EXPECT_FALSE(ServerGridClick(State(), content, 40).has_value());
}

TEST(ClientServerTexts, ApplicationTextsByCode)
{
    EXPECT_EQ(ServerApplicationText({.App = kAppTCP, .SrcPort = 1025, .DstPort = 80}), "TCP/Port 1025<->HTTP");
    EXPECT_EQ(ServerApplicationText({.App = kAppUDP, .SrcPort = 137, .DstPort = 137}), "UDP/NetBIOS Name<->NetBIOS Name");
    EXPECT_EQ(ServerApplicationText({.App = kAppICMP}), "ICMP Echo (Ping)");
    EXPECT_EQ(ServerApplicationText({.App = kAppIGMP}), "IGMP");
    EXPECT_EQ(ServerApplicationText({.App = kAppUnknownIP}), "Unknown");
    EXPECT_EQ(ServerApplicationText({.App = kAppPBurst, .SrcPort = 0xab, .DstPort = 0x4000}), "IPX (Socket 00AB<->4000)/PBurst");
    EXPECT_EQ(ServerApplicationText({.App = kAppUnknownIPX, .SrcPort = 1, .DstPort = 2}), "IPX (Socket 0001<->0002)/Unknown");
    EXPECT_EQ(ServerApplicationText({.App = kAppOther}), "");
}

// ---- sorting and copying ---------------------------------------------------------------------

TEST_F(ClientServer, SortsNumbersAndKeepsHiddenColumnsWithTheirRows)
{
    const NetString a = IpKey(10, 0, 0, 11);
    const NetString b = IpKey(10, 0, 0, 12);
    const NetString d = IpKey(10, 0, 0, 13);
    Exchanges(Conversation(a, server, kAppUDP, 40000, 7000), 5, 0, 1000, 100);  // 10 packets
    Exchanges(Conversation(b, server, kAppUDP, 40000, 7000), 1, 0, 1000, 100);  // 2 packets
    Exchanges(Conversation(d, server, kAppUDP, 40000, 7000), 2, 0, 1000, 100);  // 4 packets

    ClientServerContent content = Build();
    SortServerGrid(content, kColPackets, true);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColPackets, 1), "2");
    EXPECT_EQ(grid.Cell(kColPackets, 2), "4");
    EXPECT_EQ(grid.Cell(kColPackets, 3), "10");  // as a number, not as text
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(NetAddressText(State(), ServerGridRowConversation(content, row)->Client, false), grid.Cell(kColClient, row));
    }

    // A double click repeats the last direction on its own column.
    SortServerGrid(content, kColPackets, false);
    EXPECT_EQ(grid.Cell(kColPackets, 1), "10");
    ServerGridDblClick(content, kColClient);
    EXPECT_EQ(grid.Cell(kColClient, 1), "10.0.0.13");
    EXPECT_EQ(grid.SortedColumn(), kColClient);
    EXPECT_FALSE(grid.LastSortAscending());
}

TEST_F(ClientServer, CopyTakesTheHeaderAndTheMarkColumn)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 1, 0, 0, 100);
    ClientServerContent content = Build();
    content.ServerGrid.SetSelection({kColClient - 1, 1, kColServer, 1});
    EXPECT_EQ(*CopyServerGrid(content),
              "A\tG\tClient\tServer\r\n\t\t10.0.0.1\t10.0.0.2");
    SelectAllServerGrid(content);
    const std::string all = *CopyServerGrid(content);
    EXPECT_EQ(all.substr(0, all.find("\r\n")),
              "A\tB\tC\tD\tE\tF\tG\tClient\tServer\tProtocol/Application\tPackets\tBytes\tDuration\tResp Time "
              "(ms)\tThroughput*");
    EXPECT_EQ(all.find("\x0A\x00\x00", 0, 3), std::string::npos);  // the hidden keys stay hidden
}

// ---- for reports -------------------------------------------------------------------------------

TEST_F(ClientServer, TableTextsForReportsWriteMarksReadably)
{
    Exchanges(Conversation(client, server, kAppUDP, 40001, 7000), 4, 0, 200000, 100000);
    ClientServerContent content = Build();
    const auto rows = ServerTableTexts(content, "*");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][kColResponseTime], "Resp Time (ms)");
    EXPECT_EQ(rows[1][kColSlowResponse], "*");
    EXPECT_EQ(rows[1].size(), 15u);

    InitServerGrid(content);
    EXPECT_EQ(ServerTableTexts(content).size(), 1u);  // the header alone
}

TEST(ClientServerTexts, ColumnsByNumberOrHeader)
{
    // Numbers count from 1, as the table's columns do.
    EXPECT_EQ(ServerGridColumnFromText("10"), 9);
    EXPECT_EQ(ServerGridColumnFromText("1"), 0);
    EXPECT_EQ(ServerGridColumnFromText("15"), 14);
    EXPECT_EQ(ServerGridColumnFromText("resp time (ms)"), kColResponseTime);
    EXPECT_EQ(ServerGridColumnFromText("Throughput*"), kColThroughput);
    EXPECT_FALSE(ServerGridColumnFromText("16").has_value());
    EXPECT_FALSE(ServerGridColumnFromText("0").has_value());
    EXPECT_FALSE(ServerGridColumnFromText("-1").has_value());
    EXPECT_FALSE(ServerGridColumnFromText("").has_value());
    EXPECT_FALSE(ServerGridColumnFromText("Latency").has_value());
}

TEST_F(ClientServer, ConversationQueryFindsTheConversationByItsTexts)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 3, 0, 1000, 250);
    AddName(State(), server, "srv");

    ConversationQuery query;
    query.Client = "10.0.0.1";
    query.Server = "srv";
    query.Application = "UDP/Port 40000<->Port 7000";
    const ConversationQueryResult result = RunConversationQuery(State(), query);
    ASSERT_EQ(result.Error, "");
    std::map<std::string, std::string> fields(result.Fields.begin(), result.Fields.end());
    EXPECT_EQ(result.Fields.size(), 19u);
    EXPECT_EQ(fields["AnalysisResult"], "0");
    EXPECT_EQ(fields["ForwardPackets"], "3");
    EXPECT_EQ(fields["ReversePackets"], "3");
    EXPECT_EQ(fields["LatencyCount"], "3");
    EXPECT_EQ(fields["LatencySum"], "750");
    EXPECT_EQ(fields["LatencyMin"], "250");
    EXPECT_EQ(fields["ThroughputMin"], "2147483647");

    query.MeasureThroughput = true;
    query.WindowPackets = 4;
    fields.clear();
    for (const auto& [name, value] : RunConversationQuery(State(), query).Fields) fields[name] = value;
    EXPECT_EQ(fields["ThroughputPackets"], "3");
    EXPECT_EQ(fields["ThroughputBytes"], "198");

    query.FirstFrameNo = 3;
    query.MeasureThroughput = false;
    fields.clear();
    for (const auto& [name, value] : RunConversationQuery(State(), query).Fields) fields[name] = value;
    EXPECT_EQ(fields["ForwardPackets"], "2");
}

TEST_F(ClientServer, ConversationQuerySaysWhatItCouldNotFind)
{
    Exchanges(Conversation(client, server, kAppUDP, 40000, 7000), 1, 0, 0, 100);
    ConversationQuery query{.Client = "10.0.0.9", .Server = "10.0.0.2", .Application = "UDP/Port 40000<->Port 7000"};
    EXPECT_NE(RunConversationQuery(State(), query).Error, "");
    query.Client = "10.0.0.2";  // the server never started a conversation with itself
    query.Server = "10.0.0.2";
    EXPECT_NE(RunConversationQuery(State(), query).Error, "");
    query.Client = "10.0.0.1";
    query.Application = "TCP/Port 40000<->Port 7000";
    const ConversationQueryResult result = RunConversationQuery(State(), query);
    EXPECT_NE(result.Error, "");
    EXPECT_TRUE(result.Fields.empty());
}

// ---- damaged states and the engine's own chains ------------------------------------------------

TEST_F(ClientServer, DamagedChainsNeitherHangNorReadOutsideTheLists)
{
    const Talk talk = Conversation(client, server, kAppUDP, 40000, 7000);
    Exchanges(talk, 3, 0, 1000, 100);
    AnalysisState& s = State();
    s.ObjectList.ChangeNetPeer(PeerOf(client, server), [&](auto& record) { record.Next = PeerOf(client, server); });
    s.ObjectList.ChangeTransHead(talk.Request, [&](auto& record) { record.NextTrans = talk.Request; });
    s.PacketList.back().NextPacket = 0;
    s.NetworkNodes.at(server).StationNumber = StationTree::kNoNumber;
    const ClientServerContent content = Build();
    EXPECT_EQ(content.ServerRowCount, 1);
    EXPECT_EQ(ServerGridRowConversation(content, 1)->ServerDLC, "UNKNOWN");

    // A peer without a node (so without an address) ends the walk of its node.
    s.ObjectList.ChangeNetPeer(PeerOf(client, server), [&](auto& record) { record.PeerNode = TNetPeer::kNoPeerNode; });
    EXPECT_EQ(Build().ServerRowCount, 0);
}

TEST(ClientServerEngine, TcpConversationReadByTheEngine)
{
    auto state = std::make_unique<AnalysisState>();
    EngineFeeder feeder(*state);
    const Mac clientMac = MacOf(1);
    const Mac serverMac = MacOf(2);
    const Ip clientIp = IpOf(10, 0, 0, 1);
    const Ip serverIp = IpOf(10, 0, 0, 2);
    const auto toServer = [&](uint32_t seq, uint32_t ack, uint8_t flags, size_t payload) {
        return TcpFrame(serverMac, clientMac, clientIp, serverIp,
                        {.SrcPort = 40000, .DstPort = 80, .Seq = seq, .Ack = ack, .Flags = flags,
                         .Payload = Bytes(payload, 'q')});
    };
    const auto toClient = [&](uint32_t seq, uint32_t ack, uint8_t flags, size_t payload) {
        return TcpFrame(clientMac, serverMac, serverIp, clientIp,
                        {.SrcPort = 80, .DstPort = 40000, .Seq = seq, .Ack = ack, .Flags = flags,
                         .Payload = Bytes(payload, 'r')});
    };
    const std::vector<std::pair<Bytes, double>> frames{
        {toServer(1000, 0, 0x02, 0), 0},          {toClient(5000, 1001, 0x12, 0), 500},
        {toServer(1001, 5001, 0x10, 0), 1000},    {toServer(1001, 5001, 0x18, 100), 2000},
        {toClient(5001, 1101, 0x18, 200), 2600},  {toServer(1101, 5201, 0x10, 0), 3000},
    };
    int64_t bytes = 0;
    for (const auto& [frame, time] : frames) {
        feeder.Feed(Padded(frame), time);
        bytes += static_cast<int64_t>(Padded(frame).size()) + 4;
    }
    feeder.Finish();
    state->TotalFrames = feeder.FrameNo();

    ClientServerContent content;
    UpdateServerGrid(*state, content);
    ASSERT_EQ(content.ServerRowCount, 1);
    const GridContent& grid = content.ServerGrid;
    EXPECT_EQ(grid.Cell(kColApplication, 1), "TCP/Port 40000<->HTTP");
    EXPECT_EQ(grid.Cell(kColPackets, 1), "6");
    EXPECT_EQ(grid.Cell(kColBytes, 1), FormatCount(bytes));
    // The SYN answered after 500 us and the request after 600 us.
    EXPECT_EQ(grid.Cell(kColResponseTime, 1), " 0.550");
    EXPECT_EQ(ServerGridRowConversation(content, 1)->ClientDLC, "00001B000001");
}

}  // namespace
}  // namespace quenlix
