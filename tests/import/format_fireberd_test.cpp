// The FireBerd 500 and NetLens reader: the two headers and their frame counts, the
// 10-byte record header, slicing at 1514 bytes, the FCS of Ethernet frames, the
// millisecond time, the bound of a record, and damaged files.

#include "FireBerdWriter.h"
#include "FrameBuilder.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceReader.h"

namespace quenlix::testing {
namespace {

struct Flavour {
    const char* Name;
    bool NetLens;
    TraceFormatCode Format;
    std::size_t HeaderBytes;
};

void PrintTo(const Flavour& flavour, std::ostream* out) { *out << flavour.Name; }

const Flavour kFireBerd{"FireBerd 500", false, kFormatFireBerd500, kFireBerdHeaderBytes};
const Flavour kNetLens{"NetLens", true, kFormatNetLens, kNetLensHeaderBytes};

class FireBerdReading : public FormatReading, public ::testing::WithParamInterface<Flavour> {
protected:
    FireBerdReading() : FormatReading(GetParam().Format) {}
    TraceImage Build(const std::vector<FireBerdFrame>& frames, std::optional<int32_t> count = {}) const
    {
        FireBerdOptions options;
        options.NetLens = GetParam().NetLens;
        options.FrameCount = count;
        return BuildFireBerdTrace(options, frames);
    }
};

TEST_P(FireBerdReading, LengthsSliceAt1514AndCountTheEthernetFcs)
{
    const std::vector<FireBerdFrame> frames = {
        {SampleBytes(60, 1)}, {SampleBytes(1514, 2)}, {SampleBytes(1515, 3)}, {SampleBytes(1600, 4)}};
    const CapturedRead ethernet = Read(Build(frames));
    ASSERT_EQ(ethernet.Frames.size(), 4u);
    const std::vector<std::pair<int, int>> expected = {{64, 64}, {1518, 1518}, {1514, 1515}, {1514, 1600}};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ethernet.Frames[i].StoredLength, expected[i].first);
        EXPECT_EQ(ethernet.Frames[i].FrameSize, expected[i].second);
        EXPECT_TRUE(StartsWith(ethernet.Frames[i].Bytes, frames[i].Bytes));
    }
    // The FCS the trace left out reads as zeros.
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[0].Bytes.begin() + 60, ethernet.Frames[0].Bytes.end()),
              std::vector<uint8_t>(4, 0));

    const CapturedRead ring = Read(Build(frames), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 4u);
    EXPECT_EQ(ring.Frames[0].StoredLength, 60);
    EXPECT_EQ(ring.Frames[0].FrameSize, 60);
    EXPECT_EQ(ring.Frames[1].FrameSize, 1514);
    EXPECT_EQ(ring.Frames[3].StoredLength, 1514);
    EXPECT_EQ(ring.Frames[3].FrameSize, 1600);
}

TEST_P(FireBerdReading, TimeAndFlags)
{
    FireBerdFrame bad{SampleBytes(60, 1), 0x00012345, 0x0800};
    FireBerdFrame misaligned{SampleBytes(60, 2), 0xFFFFFFFFu, 0x0400};
    const CapturedRead ethernet = Read(Build({bad, misaligned}));
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    // Milliseconds stored high half first.
    EXPECT_DOUBLE_EQ(ethernet.Frames[0].Time, 0x12345 * 1000.0);
    EXPECT_DOUBLE_EQ(ethernet.Frames[1].Time, 4294967295.0 * 1000.0);
    EXPECT_EQ(FlagsOf(ethernet), (FrameFlags{{1, 0}, {0, 1}}));

    const CapturedRead ring = Read(Build({bad, misaligned}), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].BadFCS + ring.Frames[1].AlignError, 0);  // Ethernet flags only
}

TEST_P(FireBerdReading, FrameCountOfTheHeaderEndsTheRead)
{
    const std::vector<FireBerdFrame> frames = {{SampleBytes(60, 1)}, {SampleBytes(61, 2)}, {SampleBytes(62, 3)}};
    EXPECT_EQ(Read(Build(frames, 2)).State->TotalFrames, 2);
    EXPECT_EQ(Read(Build(frames, 0)).State->TotalFrames, 0);
    // The count is unsigned: 2^31 promises more frames than the file holds, not none.
    const CapturedRead huge = Read(Build(frames, INT32_MIN));
    EXPECT_EQ(huge.State->TotalFrames, 3);
    EXPECT_EQ(huge.State->Read.ReadResult, kReadResultShortRead);
}

// A file that ends before the header's count of frames was cut: the read keeps the
// frames it found and ends as damaged, also when the file ends right after the header.
TEST_P(FireBerdReading, FewerFramesThanTheHeaderSaysIsACutFile)
{
    const std::vector<FireBerdFrame> frames = {{SampleBytes(60, 1)}, {SampleBytes(61, 2)}, {SampleBytes(62, 3)}};
    for (const std::size_t kept : {0u, 1u, 3u}) {
        SCOPED_TRACE(kept);
        const TraceImage whole = Build(frames, 8);
        const std::size_t end = kept < frames.size() ? whole.FrameOffsets[kept] : whole.Bytes.size();
        const CapturedRead read = Read(whole.Prefix(end));
        EXPECT_EQ(read.State->TotalFrames, static_cast<int>(kept));
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultShortRead);
    }
}

TEST_P(FireBerdReading, BoundOfARecord)
{
    const CapturedRead largest = Read(Build({{SampleBytes(18000, 1)}}));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);
    EXPECT_EQ(largest.Frames[0].StoredLength, 1514);
    EXPECT_TRUE(host.Messages.empty());

    const std::vector<uint8_t> longFrame = SampleBytes(18001, 2);
    ExpectClippedAndReadOn(Read(Build({{SampleBytes(60, 1)}, {longFrame}, {SampleBytes(60, 3)}})), host, &longFrame);
}

TEST_P(FireBerdReading, StopAfterTheFirstRecord)
{
    host.StopAfterPolls = 0;
    const CapturedRead read = Read(Build({{SampleBytes(60, 1)}, {SampleBytes(60, 2)}}));
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_P(FireBerdReading, CutAnywhere)
{
    const TraceImage image = Build({{SampleBytes(60, 1)}, {SampleBytes(100, 2)}, {SampleBytes(75, 3)}});
    // The header counts the frames, so a cut between two records is a cut too.
    ExpectCleanCuts(image, image.Bytes.size(), ContiguousFrames(image, image.Bytes.size()), Options(), dir);
}

TEST_P(FireBerdReading, SurvivesRandomDamage)
{
    std::vector<FireBerdFrame> frames;
    for (uint32_t i = 0; i < 8; ++i) frames.push_back({SampleBytes(60 + 83 * i, i), i * 7});
    ExpectSurvivesDamage(Build(frames), 0, Options(), dir, 300, 32);
}

INSTANTIATE_TEST_SUITE_P(Formats, FireBerdReading, ::testing::Values(kFireBerd, kNetLens),
                         [](const ::testing::TestParamInfo<Flavour>& info) {
                             return std::string(info.param.NetLens ? "NetLens" : "FireBerd500");
                         });

// ---- detection of the two formats, and the FireBerd 500 medium from the first frame ----

TEST(FireBerdDetection, FormatAndTopology)
{
    TempDir dir;
    RecordingHost host;
    const Bytes ethernetFrame = Padded(EthernetII(MacOf(1), MacOf(2), 0x0800, Bytes(46, 0)));
    FireBerdOptions fireBerd;
    BuildFireBerdTrace(fireBerd, {{ethernetFrame}, {ethernetFrame}}).Save(dir.Path("trace.fb"));
    AnalysisState state;
    EXPECT_EQ(DetectAndRead(state, dir.Path("trace.fb"), host), kFormatFireBerd500);
    EXPECT_EQ(state.Topology, kTopologyEthernet);
    EXPECT_EQ(state.TotalFrames, 2);

    FireBerdOptions netLens;
    netLens.NetLens = true;
    for (const auto& [name, topology] :
         {std::pair{"trace.s04", kTopologyEthernet}, std::pair{"trace.t04", kTopologyTokenRing}}) {
        SCOPED_TRACE(name);
        BuildFireBerdTrace(netLens, {{ethernetFrame}}).Save(dir.Path(name));
        AnalysisState netLensState;
        EXPECT_EQ(DetectAndRead(netLensState, dir.Path(name), host), kFormatNetLens);
        EXPECT_EQ(netLensState.Topology, topology);
        EXPECT_EQ(netLensState.TotalFrames, 1);
    }
}

}  // namespace
}  // namespace quenlix::testing
