// The DA-30 reader: header, descriptor and topology block, word-sized frame records,
// the end record, time and lengths, the bound of a record, and damaged files.

#include <gtest/gtest.h>

#include "DA30Writer.h"
#include "FrameCapture.h"
#include "ReaderSweeps.h"
#include "TestFiles.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

constexpr double kDayStart = (9 * 3600.0 + 30 * 60.0 + 15) * 1e6;  // 09:30:15 of the writer's header

class DA30Reading : public ::testing::Test {
protected:
    CapturedRead Read(const TraceImage& image, TopologyCode topology = kTopologyEthernet)
    {
        image.Save(path);
        host = RecordingHost{};
        CaptureOptions options;
        options.Format = kFormatDA30;
        options.Topology = topology;
        return CaptureFrames(path, options, host);
    }

    TempDir dir;
    std::string path = dir.Path("trace.an1");
    RecordingHost host;
};

TEST_F(DA30Reading, DetectedAndReadAsTheProgramDoes)
{
    for (bool tokenRing : {false, true}) {
        DA30Options options;
        options.TokenRing = tokenRing;
        BuildDA30Trace(options, {{0, 0, SampleBytes(64, 1)}, {100, 0, SampleBytes(80, 2)}}).Save(path);
        AnalysisState state;
        EXPECT_EQ(DetectAndRead(state, path, host), kFormatDA30);
        EXPECT_EQ(state.Topology, tokenRing ? kTopologyTokenRing : kTopologyEthernet);
        EXPECT_EQ(state.TotalFrames, 2);
        EXPECT_EQ(state.Read.ReadResult, 0);
    }
}

TEST_F(DA30Reading, TimeLengthsAndBytes)
{
    const std::vector<DA30Frame> frames = {
        {0, 0x08, SampleBytes(64, 1)},           // bit 3 alone: bad FCS
        {1000, 0x18, SampleBytes(61, 2)},        // bits 3 and 4: not a bad FCS
        {0xFFFFFFFFu, 0x10, SampleBytes(1518, 3)},
    };
    const CapturedRead read = Read(BuildDA30Trace({}, frames));
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.State->TotalFrames, 3);
    EXPECT_EQ(read.State->Read.ReadResult, 0);

    EXPECT_DOUBLE_EQ(read.Frames[0].Time, kDayStart);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, kDayStart + 32000.0);
    // All 32 bits of the time field count: 4294967295 units of 32 us after the day's start.
    EXPECT_DOUBLE_EQ(read.Frames[2].Time, kDayStart + 4294967295.0 * 32.0);

    EXPECT_EQ(read.Frames[0].BadFCS, 1);
    EXPECT_EQ(read.Frames[1].BadFCS, 0);
    EXPECT_EQ(read.Frames[2].BadFCS, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.Frames[i].FrameSize, frames[i].Bytes.size());
        EXPECT_EQ(read.Frames[i].StoredLength, frames[i].Bytes.size());
        EXPECT_EQ(read.Frames[i].Bytes, frames[i].Bytes);
        EXPECT_EQ(read.Frames[i].AlignError, 0);
    }
}

TEST_F(DA30Reading, TokenRingHasItsOwnTopologyBlockAndNoFcsFlag)
{
    DA30Options options;
    options.TokenRing = true;
    options.DescriptorGap = 40;   // the descriptor is found through its offset,
    options.FirstRecordGap = 12;  // and so is the first record
    const CapturedRead read = Read(BuildDA30Trace(options, {{5, 0x08, SampleBytes(100, 4)}}), kTopologyTokenRing);
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.Frames[0].Bytes, SampleBytes(100, 4));
    EXPECT_EQ(read.Frames[0].BadFCS, 0);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, kDayStart + 160.0);
}

TEST_F(DA30Reading, RecordOfNoWordsEndsTheRead)
{
    TraceImage image = BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(60, 2)}});
    // Frames after the end record are not part of the trace.
    const std::vector<uint8_t> late = DA30Record({2, 0, SampleBytes(60, 3)});
    image.Bytes.insert(image.Bytes.end(), late.begin(), late.end());
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.State->TotalFrames, 2);
    EXPECT_EQ(read.State->Read.ReadResult, 0);

    DA30Options noEnd;
    noEnd.WriteEndRecord = false;  // the end of the file ends the read too
    EXPECT_EQ(Read(BuildDA30Trace(noEnd, {{0, 0, SampleBytes(60, 1)}})).State->TotalFrames, 1);
}

TEST_F(DA30Reading, BoundOfARecordBody)
{
    // 28 bytes of fields and 18000 frame bytes: the largest body read.
    const CapturedRead largest = Read(BuildDA30Trace({}, {{0, 0, SampleBytes(18000, 5)}}));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);
    EXPECT_EQ(largest.Frames[0].Bytes, SampleBytes(18000, 5));
    EXPECT_TRUE(host.Messages.empty());

    const std::vector<uint8_t> longFrame = SampleBytes(18001, 6);
    const CapturedRead clipped =
        Read(BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {0, 0, longFrame}, {0, 0, SampleBytes(60, 7)}}));
    ExpectClippedAndReadOn(clipped, host, &longFrame);
}

TEST_F(DA30Reading, HostileRecordLengths)
{
    struct Case {
        const char* Label;
        int32_t Words;
    };
    for (const Case& c : {Case{"one word", 1}, Case{"too short for its fields", 8}, Case{"negative", -3}}) {
        SCOPED_TRACE(c.Label);
        TraceImage image = BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(60, 2)}});
        const std::size_t second = image.FrameOffsets[1];
        ByteSink patch;
        patch.Data() = image.Bytes;
        patch.PatchLe32(second + 4, static_cast<uint32_t>(c.Words));
        image.Bytes = patch.Data();
        const CapturedRead read = Read(image);
        EXPECT_EQ(read.State->TotalFrames, 1);
        EXPECT_NE(read.State->Read.ReadResult, 0);
        EXPECT_TRUE(host.Messages.empty());
    }
}

TEST_F(DA30Reading, LengthFieldBeyondTheRecordMakesASlicedFrame)
{
    DA30Frame liar{0, 0, SampleBytes(60, 1)};
    liar.LengthField = 0x7FFFFFFF;
    const CapturedRead read = Read(BuildDA30Trace({}, {liar, {1, 0, SampleBytes(70, 2)}}));
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.Frames[0].FrameSize, kMaxFrameBytes);
    EXPECT_EQ(read.Frames[0].StoredLength, 60);
    EXPECT_TRUE(std::equal(liar.Bytes.begin(), liar.Bytes.end(), read.Frames[0].Bytes.begin()));
    EXPECT_EQ(read.Frames[0].Bytes[60], 0);
    EXPECT_EQ(read.Frames[1].Bytes, SampleBytes(70, 2));
}

TEST_F(DA30Reading, OffsetsOutsideTheFile)
{
    for (std::size_t field : {22u, 30u}) {
        for (uint32_t offset : {0x7FFFFFF0u, 0xFFFFFFF0u}) {
            SCOPED_TRACE(::testing::Message() << "field " << field << " offset " << offset);
            TraceImage image = BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}});
            ByteSink patch;
            patch.Data() = image.Bytes;
            patch.PatchLe32(field, offset);
            image.Bytes = patch.Data();
            const CapturedRead read = Read(image);
            EXPECT_EQ(read.State->TotalFrames, 0);
            EXPECT_NE(read.State->Read.ReadResult, 0);
            EXPECT_TRUE(host.Messages.empty());
        }
    }
}

TEST_F(DA30Reading, StopAfterTheFirstRecord)
{
    BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(60, 2)}}).Save(path);
    host = RecordingHost{};
    host.StopAfterPolls = 0;
    CaptureOptions options;
    options.Format = kFormatDA30;
    const CapturedRead read = CaptureFrames(path, options, host);
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(DA30Reading, CutAnywhere)
{
    const TraceImage image =
        BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(63, 2)}, {2, 0, SampleBytes(90, 3)}});
    std::vector<RecordSpan> records = ContiguousFrames(image, image.Bytes.size() - kDA30RecordHeaderBytes);
    records.push_back({image.Bytes.size() - kDA30RecordHeaderBytes, image.Bytes.size(), false});
    CaptureOptions options;
    options.Format = kFormatDA30;
    ExpectCleanCuts(image, image.FrameOffsets[0], records, options, dir);
}

TEST_F(DA30Reading, SurvivesRandomDamage)
{
    std::vector<DA30Frame> frames;
    for (uint32_t i = 0; i < 8; ++i) frames.push_back({i, i, SampleBytes(60 + 37 * i, i)});
    CaptureOptions options;
    options.Format = kFormatDA30;
    ExpectSurvivesDamage(BuildDA30Trace({}, frames), 0, options, dir, 300, 30);
}

}  // namespace
}  // namespace quenlix::testing
