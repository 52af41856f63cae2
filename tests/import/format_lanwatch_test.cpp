// The LANWatch reader: both header sizes, records without data, time, lengths and
// flags, the bound of a record, and damaged files.

#include "LANWatchWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"

namespace quenlix::testing {
namespace {

LANWatchRecord Frame(std::size_t size, uint32_t seed)
{
    LANWatchRecord record;
    record.Bytes = SampleBytes(size, seed);
    record.Ticks = seed;
    return record;
}

LANWatchRecord NoData(uint16_t storedLength)
{
    LANWatchRecord record;
    record.Bytes = std::vector<uint8_t>(storedLength, 0);  // written as a length only
    record.Flags = kLANWatchNoData;
    return record;
}

class LANWatchReading : public FormatReading {
protected:
    LANWatchReading() : FormatReading(kFormatLANWatch, "trace.lwt") {}
};

TEST_F(LANWatchReading, DetectedAndReadAsTheProgramDoes)
{
    for (uint8_t network : {uint8_t{1}, uint8_t{3}}) {
        LANWatchOptions options;
        options.Network = network;
        DetectedAndRead(BuildLANWatchTrace(options, {Frame(60, 1), Frame(70, 2)}),
                        network == 1 ? kTopologyEthernet : kTopologyTokenRing, 2);
    }
}

TEST_F(LANWatchReading, HeaderGrowsFromVersion4)
{
    for (uint16_t version : {uint16_t{1}, uint16_t{3}, uint16_t{4}, uint16_t{9}}) {
        SCOPED_TRACE(version);
        LANWatchOptions options;
        options.Version = version;
        const TraceImage image = BuildLANWatchTrace(options, {Frame(60, 1), Frame(61, 2)});
        EXPECT_EQ(image.FrameOffsets[0], version >= 4 ? 20u : 16u);
        const CapturedRead read = Read(image);
        ASSERT_EQ(read.Frames.size(), 2u);
        EXPECT_TRUE(StartsWith(read.Frames[1].Bytes, SampleBytes(61, 2)));
        EXPECT_EQ(read.State->Read.ReadResult, 0);
    }
}

TEST_F(LANWatchReading, RecordsWithoutDataArePassedOver)
{
    const CapturedRead read =
        Read(BuildLANWatchTrace({}, {NoData(500), Frame(60, 1), NoData(0), NoData(20000), Frame(61, 2)}));
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_TRUE(StartsWith(read.Frames[0].Bytes, SampleBytes(60, 1)));
    EXPECT_TRUE(StartsWith(read.Frames[1].Bytes, SampleBytes(61, 2)));
    EXPECT_TRUE(host.Messages.empty());  // the length of a record without data is not a frame's
}

TEST_F(LANWatchReading, TimeLengthsAndFlags)
{
    LANWatchRecord timed = Frame(60, 1);
    timed.Ticks = 0x00020003;
    timed.TimerCount = 1234;
    timed.Flags = 0x0002;
    LANWatchRecord sliced = Frame(100, 2);
    sliced.CountedLength = 1514;
    sliced.Flags = 0x0080;
    const std::vector<LANWatchRecord> records = {timed, sliced};

    const CapturedRead ethernet = Read(BuildLANWatchTrace({}, records));
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    EXPECT_DOUBLE_EQ(ethernet.Frames[0].Time, TicksToMicroseconds(2, 3, 1234));
    // Stored whole: both lengths count the FCS the trace left out, which reads as zeros.
    EXPECT_EQ(ethernet.Frames[0].StoredLength, 64);
    EXPECT_EQ(ethernet.Frames[0].FrameSize, 64);
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[0].Bytes.begin() + 60, ethernet.Frames[0].Bytes.end()),
              std::vector<uint8_t>(4, 0));
    // Sliced: only the size on the wire grows.
    EXPECT_EQ(ethernet.Frames[1].StoredLength, 100);
    EXPECT_EQ(ethernet.Frames[1].FrameSize, 1518);
    EXPECT_TRUE(std::all_of(ethernet.Frames[1].Bytes.begin() + 100, ethernet.Frames[1].Bytes.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(FlagsOf(ethernet), (FrameFlags{{1, 0}, {0, 1}}));

    LANWatchOptions ringOptions;
    ringOptions.Network = 3;
    const CapturedRead ring = Read(BuildLANWatchTrace(ringOptions, records), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].StoredLength, 60);
    EXPECT_EQ(ring.Frames[0].FrameSize, 60);
    EXPECT_EQ(ring.Frames[1].StoredLength, 100);
    EXPECT_EQ(ring.Frames[1].FrameSize, 1514);
    EXPECT_EQ(ring.Frames[0].BadFCS + ring.Frames[1].AlignError, 0);  // Ethernet flags only
}

TEST_F(LANWatchReading, BoundOfARecord)
{
    const CapturedRead largest = Read(BuildLANWatchTrace({}, {Frame(18000, 1)}));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read(BuildLANWatchTrace({}, {Frame(60, 1), Frame(18001, 2), Frame(60, 3)})), host);
}

TEST_F(LANWatchReading, StopAfterTheFirstRecord)
{
    host.StopAfterPolls = 0;  // polled after the record without data already
    const CapturedRead read = Read(BuildLANWatchTrace({}, {NoData(0), Frame(60, 1)}));
    EXPECT_EQ(read.State->TotalFrames, 0);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(LANWatchReading, CutAnywhere)
{
    const TraceImage image = BuildLANWatchTrace({}, {Frame(60, 1), NoData(300), Frame(75, 2), Frame(61, 3)});
    const std::size_t noDataAt = image.FrameOffsets[0] + kLANWatchRecordHeaderBytes + 60;
    const std::vector<RecordSpan> records = {
        {image.FrameOffsets[0], noDataAt, true},
        {noDataAt, image.FrameOffsets[1], false},
        {image.FrameOffsets[1], image.FrameOffsets[2], true},
        {image.FrameOffsets[2], image.Bytes.size(), true},
    };
    ExpectCleanCuts(image, image.FrameOffsets[0], records, Options(), dir);
}

TEST_F(LANWatchReading, SurvivesRandomDamage)
{
    std::vector<LANWatchRecord> records;
    for (uint32_t i = 0; i < 8; ++i) {
        records.push_back(Frame(50 + 61 * i, i));
        if (i % 3 == 1) records.push_back(NoData(100));
    }
    ExpectSurvivesDamage(BuildLANWatchTrace({}, records), 0, Options(), dir, 300, 35);
}

}  // namespace
}  // namespace quenlix::testing
