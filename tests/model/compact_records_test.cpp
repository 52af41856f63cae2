// The compact form of the conversation records: whatever changes a record goes
// through, it reads back exactly as changed, and a host that sends one frame
// keeps all of its records compact.

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

    feed.Feed(FloodFrame(7), 5000.0);
    EXPECT_EQ(state.ObjectList.FullRecordCount(), 3u);  // its DLC and IP conversations and their head
}

}  // namespace
}  // namespace quenlix
