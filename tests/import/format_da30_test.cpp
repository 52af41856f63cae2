// The DA-30 reader: header, descriptor and topology block, word-sized frame records,
// the end record, time and lengths, the bound of a record, and damaged files.

#include <algorithm>

#include "DA30Writer.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"

namespace quenlix::testing {
namespace {

constexpr double kDayStart = (9 * 3600.0 + 30 * 60.0 + 15) * 1e6;  // 09:30:15 of the writer's header

class DA30Reading : public FormatReading {
protected:
    DA30Reading() : FormatReading(kFormatDA30, "trace.an1") {}
};

TEST_F(DA30Reading, DetectedAndReadAsTheProgramDoes)
{
    for (bool tokenRing : {false, true}) {
        DA30Options options;
        options.TokenRing = tokenRing;
        const TraceImage image = BuildDA30Trace(options, {{0, 0, SampleBytes(64, 1)}, {100, 0, SampleBytes(80, 2)}});
        const auto state = DetectedAndRead(image, tokenRing ? kTopologyTokenRing : kTopologyEthernet, 2);
        EXPECT_EQ(state->Read.ReadResult, 0);
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

// A record of 0 words ends the trace. With more records after it, it is a damaged
// record: the read ends as damaged and says where it lies. Padding after it, and the
// end of the file without one, leave the read complete.
TEST_F(DA30Reading, RecordOfNoWordsEndsTheRead)
{
    const TraceImage image = BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)},
                                                 {1, 0, SampleBytes(60, 2)},
                                                 {2, 0, SampleBytes(300, 3)},
                                                 {3, 0, SampleBytes(60, 4)}});
    const auto appended = [&image](const std::vector<uint8_t>& tail) {
        TraceImage copy = image;
        copy.Bytes.insert(copy.Bytes.end(), tail.begin(), tail.end());
        return copy;
    };
    const auto zeroed = [&image](std::size_t from, std::size_t count) {
        TraceImage copy = image;
        std::fill_n(copy.Bytes.begin() + static_cast<std::ptrdiff_t>(from), count, uint8_t{0});
        return copy;
    };
    DA30Options noEnd;
    noEnd.WriteEndRecord = false;
    const std::size_t lastRecord = image.Bytes.size() - kDA30RecordHeaderBytes;
    struct Case {
        const char* What;
        TraceImage Image;
        int Frames;
        std::size_t EndAt;  // offset of the record of 0 words that ends the read as damaged; 0: complete
    };
    const Case cases[] = {
        {"padding after the end record", appended(std::vector<uint8_t>(4096, 0)), 4, 0},
        {"a record after the end record", appended(DA30Record({5, 0, SampleBytes(60, 5)})), 4, lastRecord},
        {"a zeroed record header", zeroed(image.FrameOffsets[1], 8), 1, image.FrameOffsets[1]},
        {"a zeroed stretch into a frame", zeroed(image.FrameOffsets[2], 100), 2, image.FrameOffsets[2]},
        {"the last record's header zeroed", zeroed(image.FrameOffsets[3], 40), 3, image.FrameOffsets[3]},
        {"bytes after the end record", appended(std::vector<uint8_t>(12, 0xA5)), 4, 0},
        {"no end record", BuildDA30Trace(noEnd, {{0, 0, SampleBytes(60, 1)}}), 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        host.Messages.clear();  // a damaged case before says where its read ended
        const CapturedRead read = Read(c.Image);
        EXPECT_EQ(read.State->TotalFrames, c.Frames);
        if (c.EndAt == 0) {
            EXPECT_EQ(read.State->Read.ReadResult, 0);
            EXPECT_TRUE(host.Messages.empty());
            continue;
        }
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        const std::size_t rest = c.Image.Bytes.size() - c.EndAt - kDA30RecordHeaderBytes;
        EXPECT_EQ(read.State->Read.ReadEndText, "End record at offset " + FormatCount(c.EndAt) + " (after frame " +
                                                    FormatCount(c.Frames) + ") is followed by " + FormatCount(rest) +
                                                    " more bytes that read as records.  Data may be unreliable.");
    }
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
        PatchLe32(image, second + 4, static_cast<uint32_t>(c.Words));
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
    EXPECT_TRUE(StartsWith(read.Frames[0].Bytes, liar.Bytes));
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
    host.StopAfterPolls = 0;
    const CapturedRead read = Read(BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(60, 2)}}));
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(DA30Reading, CutAnywhere)
{
    const TraceImage image =
        BuildDA30Trace({}, {{0, 0, SampleBytes(60, 1)}, {1, 0, SampleBytes(63, 2)}, {2, 0, SampleBytes(90, 3)}});
    std::vector<RecordSpan> records = ContiguousFrames(image, image.Bytes.size() - kDA30RecordHeaderBytes);
    records.push_back({image.Bytes.size() - kDA30RecordHeaderBytes, image.Bytes.size(), false});
    ExpectCleanCuts(image, image.FrameOffsets[0], records, Options(), dir);
}

TEST_F(DA30Reading, SurvivesRandomDamage)
{
    std::vector<DA30Frame> frames;
    for (uint32_t i = 0; i < 8; ++i) frames.push_back({i, i, SampleBytes(60 + 37 * i, i)});
    ExpectSurvivesDamage(BuildDA30Trace({}, frames), 0, Options(), dir, 300, 30);
}

}  // namespace
}  // namespace quenlix::testing
