// The compact forms of the conversation records and of the station and network
// nodes: whatever changes a record or node goes through, it reads back exactly
// as changed, and a host that sends one frame stays compact throughout.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "EngineFeeder.h"
#include "FrameBuilder.h"
#include "model/AnalysisState.h"

namespace quenlix {
namespace {

using testing::Bytes;
using testing::EngineFeeder;

bool Same(const TDLCPeer& a, const TDLCPeer& b)
{
    return a.DestAddress == b.DestAddress && a.PeerFrameStatus == b.PeerFrameStatus &&
           a.PeerEncapsulations == b.PeerEncapsulations && a.Frames == b.Frames && a.Next == b.Next && a.Bytes == b.Bytes &&
           a.FramesByEncapsulation.ToArray() == b.FramesByEncapsulation.ToArray() &&
           a.FramesByFamily.ToArray() == b.FramesByFamily.ToArray();
}

bool Same(const TNetPeer& a, const TNetPeer& b)
{
    return a.PeerNode == b.PeerNode && a.Protocols == b.Protocols && a.FirstTrans == b.FirstTrans && a.Frames == b.Frames &&
           a.Next == b.Next && a.Hops == b.Hops && a.Bytes == b.Bytes &&
           a.FramesByProtocol.ToArray() == b.FramesByProtocol.ToArray();
}

bool Same(const TTransHead& a, const TTransHead& b)
{
    return a.App == b.App && a.SrcPort == b.SrcPort && a.DstPort == b.DstPort && a.FirstPacket == b.FirstPacket &&
           a.NextTrans == b.NextTrans && a.LastPacket == b.LastPacket;
}

// A change the engine could make to a record, drawn at random: mostly a frame,
// sometimes a link to a later record, now and then a size past 16 bits.
struct RandomChanges {
    std::mt19937 random{7};
    int Pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    int64_t Size() { return Pick(20) == 0 ? 70000 : 60 + Pick(1500); }

    void operator()(TDLCPeer& r)
    {
        if (Pick(6) == 0) {
            r.Next = 1 + Pick(1000);
            return;
        }
        r.Frames += 1;
        r.Bytes += Size();
        r.PeerFrameStatus |= Pick(2) ? kStatusGoodBit : kStatusBadBit;
        r.FramesByFamily.Add(static_cast<std::size_t>(Pick(3)));
        if (Pick(4) != 0) r.FramesByEncapsulation.Add(static_cast<std::size_t>(Pick(2)));
    }
    void operator()(TNetPeer& r)
    {
        if (Pick(6) == 0) {
            r.Next = 1 + Pick(1000);
            return;
        }
        const auto app = static_cast<ApplicationCode>(Pick(3));
        r.Protocols |= app;
        r.Hops = static_cast<uint8_t>(Pick(256));
        r.Frames += 1;
        r.Bytes += Size();
        r.FramesByProtocol.Add(app);
    }
    void operator()(TTransHead& r)
    {
        if (Pick(6) == 0) {
            r.NextTrans = 1 + Pick(1000);
            return;
        }
        const int packet = Pick(100000);
        if (r.FirstPacket == -1) r.FirstPacket = packet;
        r.LastPacket = packet;
    }
};

// Records of the three kinds, changed in turn in random order so that those
// that outgrow the compact form do so interleaved: each reads back as its twin
// kept aside.
TEST(CompactRecords, ReadBackExactlyAsChangedWhetherCompactOrNot)
{
    ObjectStore store;
    store.Clear(10);
    std::vector<TDLCPeer> dlc;
    std::vector<TNetPeer> net;
    std::vector<TTransHead> heads;
    std::vector<int> indexes;
    RandomChanges change;
    for (int i = 0; i < 600; ++i) {
        switch (i % 3) {
        case 0: dlc.push_back(TDLCPeer{.DestAddress = {1, 2, 3, 4, 5, static_cast<uint8_t>(i)}}); indexes.push_back(store.Add(dlc.back())); break;
        case 1: net.push_back(TNetPeer{.PeerNode = static_cast<uint32_t>(i), .FirstTrans = i + 1}); indexes.push_back(store.Add(net.back())); break;
        default: heads.push_back(TTransHead{.App = kAppTCP, .SrcPort = static_cast<uint16_t>(i), .DstPort = 80}); indexes.push_back(store.Add(heads.back())); break;
        }
    }
    for (int round = 0; round < 1500; ++round) {
        const int i = change.Pick(600);
        const int index = indexes[static_cast<size_t>(i)];
        const auto slot = static_cast<size_t>(i / 3);
        switch (i % 3) {
        case 0: change(dlc[slot]); store.ChangeDLCPeer(index, [&](TDLCPeer& r) { r = dlc[slot]; }); break;
        case 1: change(net[slot]); store.ChangeNetPeer(index, [&](TNetPeer& r) { r = net[slot]; }); break;
        default: change(heads[slot]); store.ChangeTransHead(index, [&](TTransHead& r) { r = heads[slot]; }); break;
        }
    }
    EXPECT_GT(store.FullRecordCount(), 100u);
    EXPECT_LT(store.FullRecordCount(), 600u);
    for (int i = 0; i < 600; ++i) {
        const int index = indexes[static_cast<size_t>(i)];
        const auto slot = static_cast<size_t>(i / 3);
        switch (i % 3) {
        case 0: EXPECT_TRUE(Same(store.DLCPeer(index), dlc[slot])) << i; break;
        case 1: EXPECT_TRUE(Same(store.NetPeer(index), net[slot])) << i; break;
        default: EXPECT_TRUE(Same(store.TransHead(index), heads[slot])) << i; break;
        }
    }
}

Bytes FloodFrame(uint32_t host)
{
    using namespace testing;
    const Ip ip = IpOf(11, static_cast<uint8_t>(host >> 16), static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host));
    return Padded(UdpFrame(MacOf(1), MacOf(host), ip, IpOf(10, 0, 0, 1), 40000, 53, Bytes(4, 0)));
}

// A flood of new hosts makes three conversation records per frame, and every
// one stays compact; a host's second frame moves its own records alone.
TEST(CompactRecords, AHostThatSendsOneFrameKeepsItsRecordsCompact)
{
    AnalysisState state;
    EngineFeeder feed(state);
    for (uint32_t host = 2; host < 202; ++host) feed.Feed(FloodFrame(host), host * 10.0);
    EXPECT_GE(state.ObjectList.Count(), 600);
    EXPECT_EQ(state.ObjectList.FullRecordCount(), 0u);
    EXPECT_EQ(state.Stations.FullCount(), 1u);  // the server, which received every frame
    EXPECT_EQ(state.NetworkNodes.FullCount(), 1u);

    feed.Feed(FloodFrame(7), 5000.0);
    EXPECT_EQ(state.ObjectList.FullRecordCount(), 3u);  // its DLC and IP conversations and their head
    EXPECT_EQ(state.Stations.FullCount(), 2u);
    EXPECT_EQ(state.NetworkNodes.FullCount(), 2u);
}

bool Same(const StationNode& a, const StationNode& b)
{
    return a.Address == b.Address && a.FrameStatus == b.FrameStatus && a.StationFlags == b.StationFlags &&
           a.Encapsulations == b.Encapsulations && a.Families == b.Families && a.FramesSent == b.FramesSent &&
           a.FramesReceived == b.FramesReceived && a.GroupFramesSent == b.GroupFramesSent &&
           a.FirstDLCPeer == b.FirstDLCPeer && a.BytesSent == b.BytesSent && a.BytesReceived == b.BytesReceived;
}

bool Same(const NetNode& a, const NetNode& b)
{
    return a.Address == b.Address && a.Kind == b.Kind && a.NetFlags == b.NetFlags && a.Protocols == b.Protocols &&
           a.FramesSent == b.FramesSent && a.FramesReceived == b.FramesReceived && a.FirstPeer == b.FirstPeer &&
           a.StationNumber == b.StationNumber && a.BytesSent == b.BytesSent && a.BytesReceived == b.BytesReceived;
}

void RandomFrame(RandomChanges& random, StationNode& node)
{
    const bool sent = random.Pick(2) != 0;
    (sent ? node.FramesSent : node.FramesReceived) += 1;
    (sent ? node.BytesSent : node.BytesReceived) += random.Size();
    if (sent && random.Pick(3) == 0) node.GroupFramesSent += 1;
    node.Families |= static_cast<ProtocolFamily>(random.Pick(2));
    node.StationFlags |= kFlagSender;
    node.FirstDLCPeer = random.Pick(100000);
}

void RandomFrame(RandomChanges& random, NetNode& node)
{
    const bool sent = random.Pick(2) != 0;
    (sent ? node.FramesSent : node.FramesReceived) += 1;
    (sent ? node.BytesSent : node.BytesReceived) += random.Size();
    node.Protocols |= static_cast<ApplicationCode>(random.Pick(2));
    node.FirstPeer = random.Pick(100000);
    node.StationNumber = static_cast<uint32_t>(random.Pick(100000));
}

// Nodes changed at random through their tree, some also handed out by
// reference (which moves them to the full form), read back as their twins,
// are found by their addresses and walked in address order.
template <class Tree, class MakeKey>
void ExpectNodesKeptExactly(Tree& tree, MakeKey key)
{
    using Node = typename Tree::mapped_type;
    RandomChanges random;
    std::vector<Node> twins;
    for (uint32_t i = 0; i < 400; ++i) {
        ASSERT_EQ(tree.Add(key(i)), i);
        twins.push_back(Node{});
        twins.back().Address = key(i);
    }
    for (int round = 0; round < 700; ++round) {
        const auto i = static_cast<uint32_t>(random.Pick(400));
        Node& twin = twins[i];
        if (random.Pick(10) == 0) {
            EXPECT_TRUE(Same(tree.Numbered(i).second, twin)) << i;  // by reference: moves it
            continue;
        }
        RandomFrame(random, twin);
        tree.Change(i, [&twin](Node& node) { node = twin; });
    }
    EXPECT_GT(tree.FullCount(), 40u);
    EXPECT_LT(tree.FullCount(), 400u);
    for (uint32_t i = 0; i < 400; ++i) {
        EXPECT_TRUE(Same(tree.Read(i), twins[i])) << i;
        EXPECT_EQ(tree.NumberOf(key(i)), i);
    }
    std::size_t walked = 0;
    const typename Tree::key_type* previous = nullptr;
    for (const auto& [address, node] : tree) {
        if (previous != nullptr) EXPECT_LT(*previous, address);
        previous = &address;
        EXPECT_TRUE(Same(node, twins[tree.NumberOf(address)]));
        ++walked;
    }
    EXPECT_EQ(walked, 400u);
    EXPECT_EQ(tree.FullCount(), 400u);  // the walk handed every node out by reference
}

TEST(CompactNodes, StationsReadBackExactlyAsChangedWhetherCompactOrNot)
{
    StationTree stations;
    ExpectNodesKeptExactly(stations, [](uint32_t i) { return MacString(testing::MacOf(i * 7919).data(), 6); });
}

TEST(CompactNodes, NetworkNodesOfEveryAddressLengthReadBackExactly)
{
    NetTree nodes;
    ExpectNodesKeptExactly(nodes, [](uint32_t i) {
        // IPv4, IPX (network and station) and IPv6 addresses in turn.
        const std::size_t length = i % 3 == 0 ? 4 : i % 3 == 1 ? 10 : 16;
        std::array<uint8_t, 16> bytes{};
        for (std::size_t k = 0; k < length; ++k) bytes[k] = static_cast<uint8_t>((i * 31 + k * 17) % 251);
        bytes[0] = static_cast<uint8_t>(i >> 8);
        bytes[1] = static_cast<uint8_t>(i);
        return NetString(bytes.data(), length);
    });
}

}  // namespace
}  // namespace quenlix
