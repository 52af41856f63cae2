// The analysis-state dump: its keys and table sizes, the chains it follows, and
// that a damaged state (cycles, stray indexes, wrong record kinds, impossible
// counts, non-finite numbers, raw bytes in names) still gives finite, valid JSON.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "report_json.h"
#include "ui/shared/JsonWriter.h"
#include "report/StateDump.h"

namespace quenlix {
namespace {

using reporttest::JsonParser;
using reporttest::JsonValue;

JsonValue Dump(const AnalysisState& state, bool withPackets = false)
{
    return JsonParser::Parse(StateDumpJson(state, {withPackets}));
}

MacString Mac(uint8_t last) { const uint8_t bytes[6] = {0x00, 0xA0, 0x24, 0x12, 0x34, last}; return MacString(bytes, 6); }
NetString Ip(uint8_t last) { const uint8_t bytes[4] = {10, 1, 0, last}; return NetString(bytes, 4); }

TPacket PacketOf(int frameNo, PacketFlagSet flags = {})
{
    TPacket packet;
    packet.FrameNo = frameNo;
    packet.Time = frameNo * 1000.0;
    packet.Length = 64;
    packet.PacketFlags = flags;
    return packet;
}

// Appends packets to the list and links them in the order given.
int LinkPackets(AnalysisState& state, const std::vector<TPacket>& packets)
{
    int first = -1, previous = -1;
    for (TPacket packet : packets) {
        const int index = static_cast<int>(state.PacketList.size());
        packet.PrevPacket = previous;
        state.PacketList.push_back(packet);
        if (previous >= 0) state.PacketList[static_cast<size_t>(previous)].NextPacket = index;
        if (first < 0) first = index;
        previous = index;
    }
    return first;
}

// A state with one sending station (two DLC peers), one IP node whose one peer
// has two conversations (three packets, one of them a gap marker, and one packet),
// and a learned name.
std::unique_ptr<AnalysisState> ChainedState()
{
    auto state = std::make_unique<AnalysisState>();
    state->ObjectList.Add(TNameHead{"placeholder"});  // index 0 is never a chain record here

    TDLCPeer first, second;
    first.Frames = 3;
    second.Frames = 2;
    const int firstIndex = state->ObjectList.Add(first);
    const int secondIndex = state->ObjectList.Add(second);
    state->ObjectList.ChangeDLCPeer(firstIndex, [&](auto& record) { record.Next = secondIndex; });

    StationNode& station = state->Stations[Mac(1)];
    station.Address = Mac(1);
    station.StationFlags = kFlagSender | kFlagViewable;
    station.FramesSent = 5;
    station.FirstDLCPeer = firstIndex;
    StationNode& receiver = state->Stations[Mac(2)];
    receiver.Address = Mac(2);

    TTransHead tcp, udp;
    tcp.App = kAppTCP;
    tcp.FirstPacket = LinkPackets(*state, {PacketOf(1), PacketOf(2, kPktGapMarker), PacketOf(2)});
    udp.App = kAppUDP;
    udp.FirstPacket = LinkPackets(*state, {PacketOf(3)});
    const int tcpIndex = state->ObjectList.Add(tcp);
    const int udpIndex = state->ObjectList.Add(udp);
    state->ObjectList.ChangeTransHead(tcpIndex, [&](auto& record) { record.NextTrans = udpIndex; });

    NetNode& server = state->NetworkNodes[Ip(2)];
    server.Address = Ip(2);
    TNetPeer peer;
    peer.PeerNode = state->NetworkNodes.NumberOf(Ip(2));
    peer.FirstTrans = tcpIndex;
    const int peerIndex = state->ObjectList.Add(peer);

    NetNode& node = state->NetworkNodes[Ip(1)];
    node.Address = Ip(1);
    node.NetFlags = kFlagSender | kFlagViewable;
    node.StationNumber = state->Stations.NumberOf(station.Address);
    node.FirstPeer = peerIndex;
    const uint8_t ipxBytes[10] = {0, 0, 0, 0x10, 0x00, 0xA0, 0x24, 0x12, 0x34, 0x01};
    NetNode& ipxNode = state->NetworkNodes[NetString(ipxBytes, 10)];
    ipxNode.Address = NetString(ipxBytes, 10);

    state->Names[Ip(2)] = state->ObjectList.Add(TNameHead{"srv.office.lan"});
    return state;
}

TEST(StateDump, HasTheStateKeysInOrderAndFullTables)
{
    const auto state = std::make_unique<AnalysisState>();
    const JsonValue dump = Dump(*state);
    const std::vector<std::string> expected = {
        "TotalFrames", "FramesSeen", "TraceFormat", "Topology", "TokenRingSizeHasFCS", "TraceStartDate",
        "CaptureTimeClock", "FrameTimeOrigin", "FirstFrameTime", "LastFrameTime", "ElapsedTime", "IntervalCount",
        "TotalBytes", "TotalBroadcastBytes", "TotalMulticastBytes", "FrameStats", "UtilStats", "SizeDistribution",
        "ProtocolStats", "RecentErrors", "RecentErrorsHead", "RecentErrorsTail", "LastFragmentFrame", "StationCount",
        "SourceStationCount", "IPHostCount", "IPSenderCount", "IPXHostCount", "IPXSenderCount", "IPv6HostCount",
        "IPv6SenderCount", "RoutedFrames",
        "MacFrames", "RingSoftErrorTotals", "RingStationCount", "RingOrder", "SlicedFrames", "ReadResult",
        "ReadCancelled", "Stations", "NetworkNodes", "Names", "PacketCount"};
    EXPECT_EQ(dump.Keys(), expected);
    EXPECT_EQ(dump["FrameStats"].Size(), 18u);
    EXPECT_EQ(dump["UtilStats"].Size(), 12u);
    EXPECT_EQ(dump["SizeDistribution"].Size(), 72u);
    EXPECT_EQ(dump["RecentErrors"].Size(), 5u);
    EXPECT_EQ(dump["RingSoftErrorTotals"].Size(), 10u);
    ASSERT_EQ(dump["ProtocolStats"].Size(), 18u);
    EXPECT_EQ(dump["ProtocolStats"][17].Keys(), (std::vector<std::string>{"Frames", "GroupFrames", "Bytes", "EncapsSet"}));
    EXPECT_EQ(dump["Stations"].Size(), 0u);
    EXPECT_EQ(dump["PacketCount"].Int(), 0);
}

TEST(StateDump, SizeDistributionStartsWithTheEntryForShortFrames)
{
    auto state = std::make_unique<AnalysisState>();
    state->SizeClass(-1) = 7;
    state->SizeClass(0) = 11;
    state->SizeClass(70) = 3;
    const JsonValue sizes = Dump(*state)["SizeDistribution"];
    EXPECT_EQ(sizes[0].Int(), 7);
    EXPECT_EQ(sizes[1].Int(), 11);
    EXPECT_EQ(sizes[71].Int(), 3);
}

TEST(StateDump, NumbersKeepTheirExactValues)
{
    auto state = std::make_unique<AnalysisState>();
    state->ElapsedTime = 0.1;
    state->TotalBytes = 1234567;
    state->TotalBroadcastBytes = 1e20;
    state->Read.TraceStartDate = -2;
    const std::string text = StateDumpJson(*state);
    const JsonValue dump = JsonParser::Parse(text);
    EXPECT_EQ(dump["ElapsedTime"].Number, 0.1);
    EXPECT_EQ(dump["TotalBytes"].Text, "1234567");  // a whole real prints as an integer
    EXPECT_EQ(dump["TotalBroadcastBytes"].Number, 1e20);
    EXPECT_EQ(dump["TraceStartDate"].Int(), -2);
}

TEST(StateDump, NonFiniteNumbersBecomeNull)
{
    auto state = ChainedState();
    state->ElapsedTime = std::numeric_limits<double>::quiet_NaN();
    state->TotalBytes = std::numeric_limits<double>::infinity();
    state->PacketList[0].Time = -std::numeric_limits<double>::infinity();
    const JsonValue dump = Dump(*state, true);
    EXPECT_TRUE(dump["ElapsedTime"].IsNull());
    EXPECT_TRUE(dump["TotalBytes"].IsNull());
    EXPECT_TRUE(dump["NetworkNodes"][1]["Peers"][0]["Transactions"][0]["Packets"][0]["Time"].IsNull());
}

TEST(StateDump, FollowsEveryChainOfStationsAndNodes)
{
    const auto state = ChainedState();
    const JsonValue dump = Dump(*state);

    ASSERT_EQ(dump["Stations"].Size(), 2u);
    const JsonValue& station = dump["Stations"][0];
    EXPECT_EQ(station["Address"].Text, "00A024123401");
    ASSERT_EQ(station["DLCPeers"].Size(), 2u);
    EXPECT_EQ(station["DLCPeers"][0]["Frames"].Int(), 3);
    EXPECT_EQ(station["DLCPeers"][1]["Frames"].Int(), 2);
    EXPECT_EQ(station["MACInfo"].Size(), 0u);
    EXPECT_EQ(dump["Stations"][1]["DLCPeers"].Size(), 0u);  // FirstDLCPeer 0: never sent

    // Keys compare byte by byte: the IPX address (network 00000010) comes before 10.1.0.1 and 10.1.0.2.
    ASSERT_EQ(dump["NetworkNodes"].Size(), 3u);
    const JsonValue& ip = dump["NetworkNodes"][1];
    EXPECT_EQ(ip["Address"].Text, "0A010001");
    EXPECT_EQ(ip["Station"].Text, "00A024123401");
    ASSERT_EQ(ip["Peers"].Size(), 1u);
    EXPECT_EQ(ip["Peers"][0]["PeerAddress"].Text, "0A010002");
    const JsonValue& conversations = ip["Peers"][0]["Transactions"];
    ASSERT_EQ(conversations.Size(), 2u);
    EXPECT_EQ(conversations[0]["PacketCount"].Int(), 2);
    EXPECT_EQ(conversations[0]["GapMarkers"].Int(), 1);
    EXPECT_EQ(conversations[1]["PacketCount"].Int(), 1);
    EXPECT_FALSE(conversations[0].Has("Packets"));

    const JsonValue& ipx = dump["NetworkNodes"][0];
    EXPECT_EQ(ipx["Address"].Text, "0000001000A024123401");
    EXPECT_TRUE(ipx["Station"].IsNull());

    ASSERT_EQ(dump["Names"].Size(), 1u);
    EXPECT_EQ(dump["Names"][0]["Key"].Text, "0A010002");
    EXPECT_EQ(dump["Names"][0]["Name"].Text, "srv.office.lan");
    EXPECT_EQ(dump["PacketCount"].Int(), 4);
}

TEST(StateDump, ChainAtObjectIndexZeroBelongsToTheFirstSender)
{
    // The first frame of a trace creates the first record: its sender's TDLCPeer at index 0.
    auto state = std::make_unique<AnalysisState>();
    TDLCPeer peer;
    peer.Frames = 1;
    state->ObjectList.Add(peer);
    StationNode& sender = state->Stations[Mac(1)];
    sender.Address = Mac(1);
    sender.StationFlags = kFlagSender | kFlagViewable;
    sender.FramesSent = 1;
    sender.FirstDLCPeer = 0;
    StationNode& receiver = state->Stations[Mac(2)];  // never sent: FirstDLCPeer 0 means none
    receiver.Address = Mac(2);
    const JsonValue stations = Dump(*state)["Stations"];
    ASSERT_EQ(stations[0]["DLCPeers"].Size(), 1u);
    EXPECT_EQ(stations[0]["DLCPeers"][0]["Index"].Int(), 0);
    EXPECT_EQ(stations[1]["DLCPeers"].Size(), 0u);
}

TEST(StateDump, ListsPacketsOnlyWhenAsked)
{
    const auto state = ChainedState();
    const JsonValue packets = Dump(*state, true)["NetworkNodes"][1]["Peers"][0]["Transactions"][0]["Packets"];
    ASSERT_EQ(packets.Size(), 3u);
    EXPECT_EQ(packets[0].Keys(), (std::vector<std::string>{"FrameNo", "Time", "Length", "PacketFlags", "Seq", "Ack", "RetransDepth"}));
    EXPECT_EQ(packets[1]["PacketFlags"].Int(), 0xFFFF);
    EXPECT_EQ(packets[2]["FrameNo"].Int(), 2);
}

TEST(StateDump, DamagedChainsEndWithoutLoopingOrStrayReads)
{
    auto state = ChainedState();
    ObjectStore& objects = state->ObjectList;
    StationNode& station = state->Stations.begin()->second;
    // A DLC chain that loops back on itself, a MAC chain into a record of another kind.
    const int first = station.FirstDLCPeer;
    objects.ChangeDLCPeer(objects.DLCPeer(first).Next, [first](TDLCPeer& second) { second.Next = first; });
    ErrorsFor(*state, station).FirstMACInfo = station.FirstDLCPeer;
    // A conversation chain that loops, a packet chain that loops, one that points outside the list.
    NetNode& node = state->NetworkNodes.at(Ip(1));
    const TNetPeer peer = objects.NetPeer(node.FirstPeer);
    const int udp = objects.TransHead(peer.FirstTrans).NextTrans;
    objects.ChangeTransHead(udp, [&peer](TTransHead& head) {
        head.NextTrans = peer.FirstTrans;
        head.FirstPacket = 1 << 30;
    });
    state->PacketList[2].NextPacket = 0;
    objects.ChangeNetPeer(node.FirstPeer, [&node](TNetPeer& loop) { loop.Next = node.FirstPeer; });  // the peer chain loops too
    // Counts past their tables and a name index of the wrong kind.
    state->RingStationCount = 100000;
    state->Names.begin()->second = station.FirstDLCPeer;
    NetNode& ipx = state->NetworkNodes.begin()->second;
    ipx.FirstPeer = -7;

    const JsonValue dump = Dump(*state, true);
    const int objectCount = objects.Count();
    EXPECT_LE(dump["Stations"][0]["DLCPeers"].Size(), static_cast<size_t>(objectCount));
    EXPECT_EQ(dump["Stations"][0]["MACInfo"].Size(), 0u);
    EXPECT_EQ(dump["RingOrder"].Size(), static_cast<size_t>(kRingOrderCapacity));
    EXPECT_TRUE(dump["Names"][0]["Name"].IsNull());
    EXPECT_EQ(dump["NetworkNodes"][0]["Peers"].Size(), 0u);
    const JsonValue& peers = dump["NetworkNodes"][1]["Peers"];
    EXPECT_LE(peers.Size(), static_cast<size_t>(objectCount));
    for (const JsonValue& p : peers.Items)
        for (const JsonValue& t : p["Transactions"].Items)
            EXPECT_LE(t["Packets"].Size(), state->PacketList.size());
}

TEST(StateDump, NegativeRingCountListsNothing)
{
    auto state = std::make_unique<AnalysisState>();
    state->RingStationCount = -5;
    EXPECT_EQ(Dump(*state)["RingOrder"].Size(), 0u);
}

TEST(JsonText, RawBytesAndControlCharactersStayValid)
{
    JsonWriter json;
    json.BeginObject();
    // A quote, a backslash, control bytes, a lone high byte, a valid two-byte
    // sequence, a cut three-byte sequence and an overlong form.
    json.Field("Name", std::string("a\"b\\c\x01\x7F\xFF\xC3\xA9\xE2\x82\xC0\xAF", 14));
    json.EndObject();
    const JsonValue value = JsonParser::Parse(json.Text());
    EXPECT_EQ(value["Name"].Text, "a\"b\\c\x01\x7F\xC3\xBF\xC3\xA9\xC3\xA2\xC2\x82\xC3\x80\xC2\xAF");
}

TEST(JsonText, EmptyContainersAndNestingAreWellFormed)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("Empty");
    json.BeginArray();
    json.EndArray();
    json.Key("Inline");
    json.BeginArray(true);
    json.BeginObject();
    json.Field("A", int32_t{1});
    json.EndObject();
    json.Int(2);
    json.EndArray();
    json.Key("Nothing");
    json.BeginObject();
    json.EndObject();
    json.EndObject();
    const JsonValue value = JsonParser::Parse(json.Text());
    EXPECT_EQ(value["Empty"].Size(), 0u);
    EXPECT_EQ(value["Inline"][0]["A"].Int(), 1);
    EXPECT_EQ(value["Inline"][1].Int(), 2);
    EXPECT_EQ(value["Nothing"].Size(), 0u);
}

}  // namespace
}  // namespace quenlix
