// The LANDesk/NetSight reader: the capture start and time base, the slice limit,
// lengths, time stamps and flags, the frame count of the header, the bound of a
// record, and damaged files.

#include "NetSightWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"

namespace quenlix::testing {
namespace {

// 29 February 2024, 12:34:56 (1,709,210,096 seconds after 1970).
constexpr int32_t kStart = 1709210096;
constexpr double kDayStart = (12 * 3600.0 + 34 * 60.0 + 56.0) * 1e6;

NetSightFrame Frame(std::size_t size, uint32_t seed)
{
    NetSightFrame frame;
    frame.Bytes = SampleBytes(size, seed);
    frame.Stamp = seed;
    return frame;
}

class NetSightReading : public FormatReading {
protected:
    NetSightReading() : FormatReading(kFormatNetSight, "trace.cap") {}
    static NetSightOptions Started(uint16_t slice = 0, std::optional<int32_t> count = {})
    {
        NetSightOptions options;
        options.StartField = kStart + 14400;
        options.SliceSetting = slice;
        options.FrameCount = count;
        return options;
    }
};

TEST_F(NetSightReading, DetectedAndReadAsTheProgramDoes)
{
    for (uint16_t network : {uint16_t{1}, uint16_t{3}}) {
        NetSightOptions options = Started();
        options.Network = network;
        const auto state = DetectedAndRead(BuildNetSightTrace(options, {Frame(60, 1), Frame(70, 2)}),
                                           network == 1 ? kTopologyEthernet : kTopologyTokenRing, 2);
        EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime({2024, 2, 29, 12, 34, 56}));
    }
}

TEST_F(NetSightReading, TimeStampsCountFromTheStartsTimeOfDay)
{
    NetSightFrame first = Frame(60, 1);
    first.Stamp = 0;
    NetSightFrame later = Frame(60, 2);
    later.Stamp = 1234u << 11 | 0x7FF;  // 1234 ticks and 2047 steps of 32 timer counts
    NetSightFrame last = Frame(60, 3);
    last.Stamp = 0xFFFFFFFFu;  // the tick field is 16 bits wide, the top bit is dropped
    const CapturedRead read = Read(BuildNetSightTrace(Started(), {first, later, last}));
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, kDayStart);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, kDayStart + TicksToMicroseconds(0, 1234, 2047 * 32));
    EXPECT_DOUBLE_EQ(read.Frames[2].Time, kDayStart + TicksToMicroseconds(0, 0xFFFF, 2047 * 32));
}

TEST_F(NetSightReading, SliceLimit)
{
    struct Case {
        uint16_t Setting;
        int Limit;
    };
    // Bits 1..3 times 32; other bits do not count, and no bits mean 1514.
    for (const Case& c :
         {Case{0x0000, 1514}, Case{0xFFF1, 1514}, Case{0x0002, 64}, Case{0x000E, 448}, Case{0x00F6, 192}}) {
        SCOPED_TRACE(c.Setting);
        const std::vector<NetSightFrame> frames = {Frame(static_cast<std::size_t>(c.Limit), 1),
                                                   Frame(static_cast<std::size_t>(c.Limit) + 1, 2)};
        const CapturedRead read = Read(BuildNetSightTrace(Started(c.Setting), frames));
        ASSERT_EQ(read.Frames.size(), 2u);
        // Up to the limit the frame is whole and counts the Ethernet FCS;
        EXPECT_EQ(read.Frames[0].StoredLength, c.Limit + 4);
        EXPECT_EQ(read.Frames[0].FrameSize, c.Limit + 4);
        // beyond it only the limit is taken as stored.
        EXPECT_EQ(read.Frames[1].StoredLength, c.Limit);
        EXPECT_EQ(read.Frames[1].FrameSize, c.Limit + 1);
    }

    const CapturedRead ring =
        Read(BuildNetSightTrace(Started(0x02), {Frame(60, 1), Frame(100, 2)}), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].StoredLength, 60);
    EXPECT_EQ(ring.Frames[0].FrameSize, 60);
    EXPECT_EQ(ring.Frames[1].StoredLength, 64);
    EXPECT_EQ(ring.Frames[1].FrameSize, 100);
}

TEST_F(NetSightReading, BytesAndFlags)
{
    NetSightFrame bad = Frame(60, 1);
    bad.Status = 0x0400;
    NetSightFrame misaligned = Frame(61, 2);
    misaligned.Status = 0x0804;  // the low byte does not count
    const CapturedRead ethernet = Read(BuildNetSightTrace(Started(), {bad, misaligned}));
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    EXPECT_TRUE(StartsWith(ethernet.Frames[0].Bytes, bad.Bytes));
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[0].Bytes.begin() + 60, ethernet.Frames[0].Bytes.end()),
              std::vector<uint8_t>(4, 0));  // the FCS the trace left out
    EXPECT_EQ(FlagsOf(ethernet), (FrameFlags{{1, 0}, {0, 1}}));

    const CapturedRead ring = Read(BuildNetSightTrace(Started(), {bad, misaligned}), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].BadFCS + ring.Frames[1].AlignError, 0);  // Ethernet flags only
}

TEST_F(NetSightReading, FrameCountOfTheHeaderEndsTheRead)
{
    const std::vector<NetSightFrame> frames = {Frame(60, 1), Frame(61, 2), Frame(62, 3)};
    EXPECT_EQ(Read(BuildNetSightTrace(Started(0, 2), frames)).State->TotalFrames, 2);
    EXPECT_EQ(Read(BuildNetSightTrace(Started(0, 0), frames)).State->TotalFrames, 0);
    // The count is unsigned: past 2^31 it still lets every frame of the file be read.
    EXPECT_EQ(Read(BuildNetSightTrace(Started(0, INT32_MIN), frames)).State->TotalFrames, 3);
    const CapturedRead more = Read(BuildNetSightTrace(Started(0, 99), frames));
    EXPECT_EQ(more.State->TotalFrames, 3);
    EXPECT_EQ(more.State->Read.ReadResult, 0);
}

TEST_F(NetSightReading, CaptureStartBefore1970KeepsTheFilesDate)
{
    NetSightOptions options;
    options.StartField = 14399;  // one second before 1970
    AnalysisState probe;
    const CapturedRead read = Read(BuildNetSightTrace(options, {Frame(60, 1)}));
    EXPECT_EQ(read.State->Read.TraceStartDate, probe.Read.TraceStartDate);  // untouched by the reader
    EXPECT_DOUBLE_EQ(read.Frames.at(0).Time, 86399e6 + TicksToMicroseconds(0, 0, 32));  // 23:59:59
}

TEST_F(NetSightReading, BoundOfARecord)
{
    const CapturedRead largest = Read(BuildNetSightTrace(Started(), {Frame(18000, 1)}));
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].FrameSize, 18000);
    EXPECT_EQ(largest.Frames[0].StoredLength, 1514);
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read(BuildNetSightTrace(Started(), {Frame(60, 1), Frame(18001, 2), Frame(60, 3)})), host);
}

TEST_F(NetSightReading, StopAfterTheFirstRecord)
{
    host.StopAfterPolls = 0;
    const CapturedRead read = Read(BuildNetSightTrace(Started(), {Frame(60, 1), Frame(61, 2)}));
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(NetSightReading, CutAnywhere)
{
    const TraceImage image = BuildNetSightTrace(Started(), {Frame(60, 1), Frame(90, 2), Frame(61, 3)});
    ExpectCleanCuts(image, kNetSightHeaderBytes, ContiguousFrames(image, image.Bytes.size()), Options(), dir);
}

TEST_F(NetSightReading, SurvivesRandomDamage)
{
    std::vector<NetSightFrame> frames;
    for (uint32_t i = 0; i < 8; ++i) frames.push_back(Frame(50 + 67 * i, i));
    ExpectSurvivesDamage(BuildNetSightTrace(Started(), frames), 0, Options(), dir, 300, 36);
}

}  // namespace
}  // namespace quenlix::testing
