// The LAN900 reader: the block table, records in 65536-byte blocks, the medium of
// each frame (and the count-only pass that finds the trace's medium), time, lengths
// and flags, the bound of a record, and damaged files.

#include "LAN900Writer.h"
#include "ReaderSweeps.h"
#include "format_support.h"

namespace quenlix::testing {
namespace {

constexpr std::size_t kFirstRecord = kLAN900BlockBytes;  // block 1

LAN900Record Frame(std::size_t size, uint32_t seed, uint8_t network = 5)
{
    LAN900Record record;
    record.Bytes = SampleBytes(size, seed);
    record.Network = network;
    record.Ticks = seed;
    return record;
}

LAN900Record Other(std::size_t size)
{
    LAN900Record record;
    record.Bytes = std::vector<uint8_t>(size, 0x82);
    record.Kind = 0x41;
    return record;
}

class LAN900Reading : public FormatReading {
protected:
    LAN900Reading() : FormatReading(kFormatLAN900, "trace.dat") {}
    // The bytes of the frames a read delivered, in order.
    static std::vector<std::vector<uint8_t>> BytesOf(const CapturedRead& read)
    {
        std::vector<std::vector<uint8_t>> bytes;
        for (const CapturedFrame& frame : read.Frames) bytes.push_back(frame.Bytes);
        return bytes;
    }
    // The frame bytes as delivered: the stored bytes and the four FCS bytes as zeros.
    static std::vector<uint8_t> WithFcs(std::vector<uint8_t> bytes)
    {
        bytes.resize(bytes.size() + 4, 0);
        return bytes;
    }
};

TEST_F(LAN900Reading, CountOnlyPassFindsTheMediumOfTheFirstFrame)
{
    struct Case {
        uint8_t Network;
        TopologyCode Topology;
    };
    for (const Case& c : {Case{5, kTopologyEthernet}, Case{0x27, kTopologyEthernet}, Case{6, kTopologyTokenRing},
                          Case{3, kTopologyOther}}) {
        SCOPED_TRACE(static_cast<int>(c.Network));
        // A record of another kind comes first; the second frame's medium does not count.
        BuildLAN900Trace({}, {{{Other(20), Frame(60, 1, c.Network), Frame(70, 2, 6)}}}).Save(path);
        AnalysisState state;
        host = RecordingHost{};
        const TopologyDetection topology = DetectTopology(state, kFormatLAN900, path, host);
        EXPECT_EQ(topology.Code, c.Topology);
        EXPECT_FALSE(topology.Failed);
        EXPECT_EQ(state.Read.ProbedTopology, c.Topology);
        EXPECT_EQ(state.TotalFrames, 1);  // the pass reads one frame
        EXPECT_TRUE(
            std::equal(state.Frame.LastFrameCopy.begin(), state.Frame.LastFrameCopy.begin() + 60, SampleBytes(60, 1).begin()));
    }

    BuildLAN900Trace({0, 0}, {{{Frame(60, 1)}}}).Save(path);  // last block 0: no frames at all
    AnalysisState empty;
    EXPECT_EQ(DetectTopology(empty, kFormatLAN900, path, host).Code, kTopologyOther);
}

TEST_F(LAN900Reading, DetectedAndReadAsTheProgramDoes)
{
    const auto state =
        DetectedAndRead(BuildLAN900Trace({}, {{{Frame(60, 1, 6), Frame(70, 2, 6)}}}), kTopologyTokenRing, 2);
    EXPECT_EQ(state->Read.ReadResult, 0);
}

TEST_F(LAN900Reading, TimeLengthsAndFlags)
{
    LAN900Record timed = Frame(60, 1);
    timed.Ticks = 0x00012345;
    timed.TimerCount = 999;
    timed.Status = 0x01;
    LAN900Record sliced = Frame(100, 2);
    sliced.CountedLength = 1000;
    sliced.Status = 0x02;
    const CapturedRead read = Read(BuildLAN900Trace({}, {{{timed, sliced}}}));
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, TicksToMicroseconds(0x0001, 0x2345, 999));
    EXPECT_EQ(FlagsOf(read), (FrameFlags{{1, 0}, {0, 1}}));

    // Counted length = stored bytes + 4: both lengths are it, and the FCS reads as zeros.
    EXPECT_EQ(read.Frames[0].FrameSize, 64);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    EXPECT_EQ(read.Frames[0].Bytes, WithFcs(timed.Bytes));
    // Any other counted length: the record's bytes with the FCS are what is stored.
    EXPECT_EQ(read.Frames[1].FrameSize, 1000);
    EXPECT_EQ(read.Frames[1].StoredLength, 104);
    EXPECT_TRUE(StartsWith(read.Frames[1].Bytes, sliced.Bytes));
    EXPECT_TRUE(
        std::all_of(read.Frames[1].Bytes.begin() + 100, read.Frames[1].Bytes.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(LAN900Reading, BlocksAreWalkedInOrder)
{
    const std::vector<LAN900Block> blocks = {
        {{Frame(60, 1), Other(30), Frame(61, 2)}},
        {{}},  // a block without frames
        {{Frame(62, 3)}},
    };
    const CapturedRead read = Read(BuildLAN900Trace({}, blocks));
    EXPECT_EQ(BytesOf(read),
              (std::vector<std::vector<uint8_t>>{WithFcs(SampleBytes(60, 1)), WithFcs(SampleBytes(61, 2)),
                                                 WithFcs(SampleBytes(62, 3))}));
    EXPECT_EQ(read.State->Read.ReadResult, 0);
}

TEST_F(LAN900Reading, FramesOfAnotherMediumArePassedOver)
{
    const CapturedRead read = Read(BuildLAN900Trace({}, {{{Frame(60, 1), Frame(61, 2, 3), Frame(62, 3, 7)}}}));
    EXPECT_EQ(read.State->TotalFrames, 2);
    EXPECT_EQ(BytesOf(read),
              (std::vector<std::vector<uint8_t>>{WithFcs(SampleBytes(60, 1)), WithFcs(SampleBytes(62, 3))}));
}

TEST_F(LAN900Reading, FrameCountsOfTheTable)
{
    // A block counted for fewer frames than it holds: the rest is not read.
    LAN900Block counted{{Frame(60, 1), Frame(61, 2)}, 1};
    EXPECT_EQ(Read(BuildLAN900Trace({}, {counted})).State->TotalFrames, 1);

    // A block counted for more frames than it holds: the read does not run on into the
    // next block, whose frames are read once, in their own block.
    LAN900Block overcounted{{Frame(60, 1), Frame(61, 2)}, 5};
    const CapturedRead read = Read(BuildLAN900Trace({}, {overcounted, {{Frame(62, 3)}}}));
    EXPECT_EQ(BytesOf(read),
              (std::vector<std::vector<uint8_t>>{WithFcs(SampleBytes(60, 1)), WithFcs(SampleBytes(61, 2)),
                                                 WithFcs(SampleBytes(62, 3))}));
}

TEST_F(LAN900Reading, BlockNumbers)
{
    const std::vector<LAN900Block> blocks = {{{Frame(60, 1)}}, {{Frame(61, 2)}}};
    EXPECT_EQ(Read(BuildLAN900Trace({1, 0}, blocks)).State->TotalFrames, 0);  // 0: no frames
    EXPECT_EQ(Read(BuildLAN900Trace({5, 3}, blocks)).State->TotalFrames, 0);  // last before first
    EXPECT_EQ(Read(BuildLAN900Trace({7, 7}, blocks)).State->TotalFrames, 1);  // one block
    // More than 4096 blocks: the table is read for 4096 of them, and the file ends first.
    const CapturedRead many = Read(BuildLAN900Trace({1, 60000}, blocks));
    EXPECT_EQ(many.State->TotalFrames, 2);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(LAN900Reading, BoundOfARecord)
{
    const CapturedRead largest = Read(BuildLAN900Trace({}, {{{Frame(18000, 1)}}}));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);  // clipped: the 4 FCS bytes do not fit
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read(BuildLAN900Trace({}, {{{Frame(60, 1), Frame(18001, 2), Frame(60, 3)}}})), host);
}

TEST_F(LAN900Reading, FrameRecordTooShortForItsCountedLength)
{
    TraceImage image = BuildLAN900Trace({}, {{{Frame(60, 1), Frame(61, 2)}}});
    image.Bytes[image.FrameOffsets[1] + 2] = 1;  // L = 1
    image.Bytes[image.FrameOffsets[1] + 3] = 0;
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_NE(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(LAN900Reading, StopAfterTheFirstRecord)
{
    host.StopAfterPolls = 0;
    const CapturedRead read = Read(BuildLAN900Trace({}, {{{Frame(60, 1), Frame(61, 2)}}}));
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(LAN900Reading, CutAnywhere)
{
    const TraceImage image = BuildLAN900Trace({}, {{{Frame(60, 1), Other(10), Frame(90, 2), Frame(61, 3)}}});
    const std::size_t otherAt = image.FrameOffsets[0] + kLAN900RecordHeaderBytes + 2 + 60;
    const std::size_t end = image.FrameOffsets[2] + kLAN900RecordHeaderBytes + 2 + 61;
    const std::vector<RecordSpan> records = {
        {image.FrameOffsets[0], otherAt, true},
        {otherAt, image.FrameOffsets[1], false},
        {image.FrameOffsets[1], image.FrameOffsets[2], true},
        {image.FrameOffsets[2], end, true},
    };
    // Inside the block numbers, around the count table, and through block 1.
    ExpectCleanCuts(image, kFirstRecord, records, Options(), dir, 0, 50);
    ExpectCleanCuts(image, kFirstRecord, records, Options(), dir, kLAN900CountTable - 2, kLAN900CountTable + 4);
    ExpectCleanCuts(image, kFirstRecord, records, Options(), dir, kFirstRecord - 4, end + 4);
}

TEST_F(LAN900Reading, SurvivesRandomDamage)
{
    std::vector<LAN900Record> records;
    for (uint32_t i = 0; i < 8; ++i) {
        records.push_back(Frame(50 + 77 * i, i, i % 3 == 2 ? 6 : 5));
        if (i % 3 == 0) records.push_back(Other(12));
    }
    const TraceImage image = BuildLAN900Trace({}, {{records}, {{Frame(60, 9)}}});
    // Damage falls into the records of block 1 and the start of block 2.
    ExpectSurvivesDamage(image.Prefix(2 * kLAN900BlockBytes + 200), kFirstRecord, Options(), dir, 200, 34);
}

}  // namespace
}  // namespace quenlix::testing
