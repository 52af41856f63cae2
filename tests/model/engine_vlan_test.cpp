// VLAN-tagged Ethernet frames: decoded by what follows their tags, so that a
// tagged frame counts as the same frame untagged; length rules that allow for the
// tags; the VLAN counts; and tag stacks that do not fit their frame.

#include <gtest/gtest.h>

#include <utility>

#include "EngineFeeder.h"
#include "model/AnalysisState.h"

using namespace quenlix;
using namespace quenlix::testing;

namespace {

const Mac kA = MacOf(1);
const Mac kB = MacOf(2);
const Ip kClient = IpOf(10, 0, 0, 1);
const Ip kServer = IpOf(10, 0, 0, 2);

using TagStack = std::vector<VlanTag>;

// One frame of each encapsulation and of the families network analysis reads.
std::vector<Bytes> MixedFrames()
{
    IpxAddress server{{0, 0, 0, 1}, kB, 0x0451};
    IpxAddress client{{0, 0, 0, 1}, kA, 0x4003};
    TcpSegment syn{1025, 80, 1000, 0, 0x02, 8192, 1460, {}};
    TcpSegment data{1025, 80, 1001, 5000, 0x18, 8192, 0, Bytes(1400, 7)};
    return {
        TcpFrame(kB, kA, kClient, kServer, syn),
        TcpFrame(kB, kA, kClient, kServer, data),
        UdpFrame(kA, kB, kServer, kClient, 53, 3000, DnsAnswer(1, "srv.lan", kServer)),
        IcmpFrame(kB, kA, kClient, kServer, 8, 1),
        Padded(EthernetII(kB, kA, 0x0806, Bytes(28, 0))),
        Padded(NovellRaw(kB, kA, Ipx(server, client, 17, NcpRequest(1, 1, 0x48)))),
        Padded(Llc8023(kB, kA, 0xE0, 0xE0, 0x03, Ipx(server, client, 17, NcpRequest(2, 1, 0x16)))),
        Padded(Snap8023(kB, kA, 0x809B, {})),
        Padded(Llc8023(kB, kA, 0xF0, 0xF0, 0x03, NetBiosLlcPayload(0x01, "ALPHA"))),
    };
}

class VlanFrames : public ::testing::Test {
protected:
    AnalysisState plain;
    AnalysisState tagged;
    EngineFeeder feedPlain{plain};
    EngineFeeder feedTagged{tagged};

    void FeedBoth(const Bytes& frame, const TagStack& tags, double time)
    {
        feedPlain.Feed(frame, time);
        feedTagged.Feed(Tagged(frame, tags), time);
    }
};

// Everything the engine derives from a frame apart from its size.
void ExpectSameAnalysis(const AnalysisState& plain, const AnalysisState& tagged, std::size_t tagBytes)
{
    for (int stat : {kStatEthernetIIFrames, kStatLLCFrames, kStatNovellRawFrames, kStatSNAPFrames, kStatBadFCS,
                     kStatRunts, kStatOversize, kStatCRCFragments})
        EXPECT_EQ(tagged.FrameStats[stat], plain.FrameStats[stat]) << "statistic " << stat;
    for (std::size_t k = 0; k < kFamilyCount; ++k) {
        EXPECT_EQ(tagged.ProtocolStats[k].Frames, plain.ProtocolStats[k].Frames) << "family " << k;
        EXPECT_EQ(tagged.ProtocolStats[k].EncapsSet, plain.ProtocolStats[k].EncapsSet) << "family " << k;
    }
    EXPECT_EQ(tagged.StationCount, plain.StationCount);
    EXPECT_EQ(tagged.NetworkNodes.size(), plain.NetworkNodes.size());
    EXPECT_EQ(tagged.IPHostCount, plain.IPHostCount);
    EXPECT_EQ(tagged.IPXHostCount, plain.IPXHostCount);
    EXPECT_EQ(tagged.Names.size(), plain.Names.size());
    ASSERT_EQ(tagged.PacketList.size(), plain.PacketList.size());
    for (std::size_t i = 0; i < plain.PacketList.size(); ++i) {
        const TPacket& p = plain.PacketList[i];
        const TPacket& t = tagged.PacketList[i];
        EXPECT_EQ(t.PktNetOffset, p.PktNetOffset + tagBytes) << "packet " << i;
        EXPECT_EQ(t.PacketFlags, p.PacketFlags) << "packet " << i;
        EXPECT_EQ(t.NetLength, p.NetLength) << "packet " << i;
        EXPECT_EQ(t.Seq, p.Seq) << "packet " << i;
        EXPECT_EQ(t.Ack, p.Ack) << "packet " << i;
        EXPECT_EQ(t.TCPFlags(), p.TCPFlags()) << "packet " << i;
        EXPECT_EQ(t.NCPFunction(), p.NCPFunction()) << "packet " << i;
        EXPECT_EQ(t.Length, p.Length + tagBytes) << "packet " << i;
    }
    ASSERT_EQ(tagged.TcpOptions.size(), plain.TcpOptions.size());
    for (std::size_t i = 0; i < plain.TcpOptions.size(); ++i) {
        EXPECT_EQ(tagged.TcpOptions[i].Packet, plain.TcpOptions[i].Packet) << "options " << i;
        EXPECT_EQ(tagged.TcpOptions[i].MSS, plain.TcpOptions[i].MSS) << "options " << i;
    }
}

TEST_F(VlanFrames, EveryTagStackDecodesAsTheFrameUntagged)
{
    const std::vector<TagStack> stacks = {
        {{0x8100, 100}},
        {{0x88A8, 0x2FFF}},
        {{0x9100, 7}},
        {{0x88A8, 300}, {0x8100, 100}},
        {{0x9100, 1}, {0x88A8, 2}, {0x8100, 3}},
    };
    for (const TagStack& tags : stacks) {
        SCOPED_TRACE(tags.size());
        ResetAnalysis(plain);
        ResetAnalysis(tagged);
        double time = 0;
        for (const Bytes& frame : MixedFrames()) FeedBoth(frame, tags, time += 1000);
        ExpectSameAnalysis(plain, tagged, 4 * tags.size());
    }
}

// Sizes as counted, FCS included; the length rules judge the frame without its tags.
TEST_F(VlanFrames, LengthRulesAllowFourBytesPerTag)
{
    struct Case {
        std::size_t Tags;
        uint16_t Size;
        bool BadFcs;
        int Runts, Oversize, Fragments;
    };
    const Case cases[] = {
        {1, 1522, false, 0, 0, 0},  // a full-size tagged frame
        {1, 1523, false, 0, 1, 0},
        {2, 1526, false, 0, 0, 0},
        {2, 1527, false, 0, 1, 0},
        {1, 68, false, 0, 0, 0},
        {1, 67, false, 1, 0, 0},
        {1, 67, true, 1, 0, 1},  // short enough untagged to be a CRC fragment
        {1, 68, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Tags << " tags, " << c.Size << " bytes");
        ResetAnalysis(tagged);
        const Bytes frame = Tagged(EthernetII(kB, kA, 0x9999, Bytes(c.Size - 18 - 4 * c.Tags, 0)), TagStack(c.Tags, {0x8100, 5}));
        feedTagged.Feed(frame, 0, c.BadFcs);
        EXPECT_EQ(tagged.FrameStats[kStatRunts], c.Runts);
        EXPECT_EQ(tagged.FrameStats[kStatOversize], c.Oversize);
        EXPECT_EQ(tagged.FrameStats[kStatCRCFragments], c.Fragments);
    }
}

TEST_F(VlanFrames, StationAndNetworkThresholdsAllowForTheTags)
{
    const Bytes udp = Tagged(UdpFrame(kB, kA, kClient, kServer, 1000, 2000, Bytes(100, 1)), {{0x8100, 5}});
    feedTagged.FeedSized(udp, 61, 61, 0);
    EXPECT_EQ(tagged.NetworkNodes.size(), 0u);
    feedTagged.FeedSized(udp, 62, 62, 1);  // 58 bytes untagged
    EXPECT_EQ(tagged.NetworkNodes.size(), 2u);

    ResetAnalysis(tagged);
    feedTagged.FeedSized(udp, 21, 21, 2);  // 17 bytes untagged: no stations
    EXPECT_EQ(tagged.StationCount, 0);
    feedTagged.FeedSized(udp, 22, 22, 3);
    EXPECT_EQ(tagged.StationCount, 2);
}

TEST_F(VlanFrames, CountsTheOutermostVlanIdOfEachTaggedFrame)
{
    const Bytes frame = Padded(EthernetII(kB, kA, 0x0806, Bytes(28, 0)));
    feedTagged.Feed(frame, 0);
    feedTagged.Feed(Tagged(frame, {{0x8100, 0xE064}}), 1);  // priority bits are not part of the ID
    feedTagged.Feed(Tagged(frame, {{0x88A8, 100}, {0x8100, 200}}), 2);
    feedTagged.Feed(Tagged(frame, {{0x9100, 0x0FFF}}), 3);
    const std::map<uint16_t, int64_t> expected = {{100, 2}, {0x0FFF, 1}};
    EXPECT_EQ(tagged.VlanFrames, expected);

    ResetAnalysis(tagged);
    EXPECT_TRUE(tagged.VlanFrames.empty());
}

// Frames whose tags leave no room for what should follow: each counts as its
// best reading, and nothing past the frame is read (the bytes after it are
// tag words, which a reader past the end would take for more tags).
TEST_F(VlanFrames, TagsThatDoNotFitTheFrameAreReadNoFurther)
{
    Bytes tagsOnly(12, 0x02);
    for (int i = 0; i < 40; ++i) AppendWord(tagsOnly, i % 2 == 0 ? 0x8100 : 100);
    struct Case {
        uint16_t Size;
        ProtocolFamily Family;
        bool Encapsulated;
        int64_t VlanFrames;
    };
    const Case cases[] = {
        {14, kFamilyOther, false, 0},   // the tag's protocol word only
        {16, kFamilyOther, false, 0},   // a whole tag but no type after it
        {18, kFamilyOther, false, 1},   // a tag and a type, nothing more
        {22, kFamilyOther, false, 1},   // 18 bytes untagged: still too short to decode
        {60, kFamilyOther, false, 1},   // a stack filling the frame
        {92, kFamilyOther, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Size);
        ResetAnalysis(tagged);
        feedTagged.FeedSized(tagsOnly, c.Size, c.Size, 0);
        EXPECT_EQ(tagged.ProtocolStats[c.Family].Frames, 1);
        EXPECT_EQ(tagged.FrameStats[kStatEthernetIIFrames], c.Encapsulated ? 1 : 0);
        EXPECT_EQ(tagged.VlanFrames[100], c.VlanFrames);
        EXPECT_TRUE(tagged.PacketList.empty());
    }
}

}  // namespace
