// The EtherPeek reader: big-endian headers of versions 6 and 7, time stamps from
// 1904 and the capture start they give, slices and their padding, the packet
// count, the frame bound and damaged files.

#include "EtherPeekWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"

namespace quenlix::testing {
namespace {

EtherPeekPacket Packet(std::size_t size, uint32_t seed, uint64_t stamp = 0)
{
    EtherPeekPacket packet;
    packet.TimeStamp = stamp;
    packet.Bytes = UnicastBytes(size, seed);
    return packet;
}

// Seconds from 1904 to midnight of a date, counted day by day from the calendar
// rules rather than taken from the code under test.
uint64_t SecondsFrom1904(int year, int month, int day)
{
    static const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    uint64_t days = 0;
    for (int y = 1904; y < year; ++y) days += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m) days += kMonthDays[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    return (days + static_cast<uint64_t>(day - 1)) * 86400;
}

class EtherPeekReading : public FormatReading {
protected:
    EtherPeekReading() : FormatReading(kFormatEtherPeek) {}
    using FormatReading::Read;
    CapturedRead Read(const std::vector<EtherPeekPacket>& packets, const EtherPeekOptions& options = {})
    {
        return Read(BuildEtherPeekTrace(options, packets));
    }
    // The capture start a trace gives when detected and read through the driver.
    int32_t StartDate(const std::vector<EtherPeekPacket>& packets, const EtherPeekOptions& options = {})
    {
        const std::string file = dir.Path("trace.pkt");
        BuildEtherPeekTrace(options, packets).Save(file);
        auto state = std::make_unique<AnalysisState>();
        EXPECT_EQ(DetectAndRead(*state, file, host), kFormatEtherPeek);
        EXPECT_EQ(state->TotalFrames, static_cast<int32_t>(packets.size()));
        return state->Read.TraceStartDate;
    }
};

TEST_F(EtherPeekReading, Version7StampsAreMicroseconds)
{
    const uint64_t noon = (SecondsFrom1904(2003, 7, 1) + 12 * 3600) * 1000000 + 250;
    const CapturedRead read = Read({Packet(60, 1, noon), Packet(60, 2, noon + 1500), Packet(60, 3, noon + 1000)});
    ASSERT_EQ(read.Frames.size(), 3u);
    // The first packet gives the time of day; the others their distance from the one before.
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, 12 * 3600 * 1e6 + 250);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time - read.Frames[0].Time, 1500);
    EXPECT_DOUBLE_EQ(read.Frames[2].Time - read.Frames[0].Time, 1000);  // a step back
}

TEST_F(EtherPeekReading, Version6StampsAreMilliseconds)
{
    EtherPeekOptions options;
    options.Version = 6;
    const uint32_t stamp = 3 * 86400 * 1000u + 61 * 1000u + 7;  // 4 January 1904, 00:01:01.007
    const CapturedRead read = Read({Packet(60, 1, stamp), Packet(60, 2, stamp + 3)}, options);
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, 61 * 1e6 + 7000);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time - read.Frames[0].Time, 3000);
}

TEST_F(EtherPeekReading, CaptureStartFromTheFirstStamp)
{
    // 2000 is a leap year: 29 February exists and 1 March follows it.
    const uint64_t march = SecondsFrom1904(2000, 3, 1);
    EXPECT_EQ(StartDate({Packet(60, 1, march * 1000000)}), PackDosDateTime({2000, 3, 1, 0, 0, 0}));
    EXPECT_EQ(StartDate({Packet(60, 1, (march - 86400) * 1000000)}), PackDosDateTime({2000, 2, 29, 0, 0, 0}));
    // 1900-style century rule: 2100 is not a leap year.
    const uint64_t late = SecondsFrom1904(2100, 3, 1) + 23 * 3600 + 59 * 60 + 58;
    EXPECT_EQ(StartDate({Packet(60, 1, late * 1000000)}), PackDosDateTime({2100, 3, 1, 23, 59, 58}));

    // Version 6 stamps hold some 49 days of milliseconds: always early 1904.
    EtherPeekOptions v6;
    v6.Version = 6;
    // 1904 lies before the DOS calendar's first year: held as its first day.
    EXPECT_EQ(StartDate({Packet(60, 1, 3 * 86400 * 1000u)}, v6), PackDosDateTime({1980, 1, 1, 0, 0, 0}));
}

TEST_F(EtherPeekReading, SlicesAndPadding)
{
    EtherPeekPacket whole = Packet(60, 1);
    whole.SliceFieldZero = true;  // 0: the whole frame is stored
    EtherPeekPacket odd = Packet(61, 2);
    odd.WireLength = 1518;
    odd.Flags = 0x02;
    const EtherPeekPacket after = Packet(64, 3);
    const TraceImage image = BuildEtherPeekTrace({}, {whole, odd, after});
    // An odd slice of 61 bytes takes 62 bytes of the file.
    EXPECT_EQ(image.FrameOffsets[2] - image.FrameOffsets[1], 16u + 62u);

    const CapturedRead read = Read(image);
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.Frames[0].FrameSize, 60);
    EXPECT_EQ(read.Frames[0].StoredLength, 60);
    EXPECT_EQ(read.Frames[0].Bytes, whole.Bytes);
    EXPECT_EQ(read.Frames[1].FrameSize, 1518);
    EXPECT_EQ(read.Frames[1].StoredLength, 61);
    EXPECT_EQ(read.Frames[1].BadFCS, 1);
    EXPECT_EQ(read.Frames[1].AlignError, 0);
    EXPECT_EQ(read.Frames[1].Bytes[61], 0);  // the pad byte is not frame data
    EXPECT_EQ(read.Frames[2].Bytes, after.Bytes);
    EXPECT_EQ(read.Frames[2].BadFCS, 0);
}

TEST_F(EtherPeekReading, ThePacketCountEndsTheRead)
{
    EtherPeekOptions two;
    two.PacketCount = 2;
    const CapturedRead counted = Read({Packet(60, 1), Packet(60, 2), Packet(60, 3)}, two);
    EXPECT_EQ(counted.Frames.size(), 2u);
    EXPECT_EQ(counted.State->Read.ReadResult, 0);

    // More packets promised than stored: the file's end ends the read, as a read error.
    EtherPeekOptions five;
    five.PacketCount = 5;
    const CapturedRead shortFile = Read({Packet(60, 1), Packet(60, 2)}, five);
    EXPECT_EQ(shortFile.Frames.size(), 2u);
    EXPECT_NE(shortFile.State->Read.ReadResult, 0);

    // No count at all: the packets run to the end of the file.
    EtherPeekOptions none;
    none.PacketCount = 0;
    const CapturedRead uncounted = Read({Packet(60, 1), Packet(60, 2)}, none);
    EXPECT_EQ(uncounted.Frames.size(), 2u);
    EXPECT_EQ(uncounted.State->Read.ReadResult, 0);
}

TEST_F(EtherPeekReading, SliceBeyondTheFrameBoundIsClipped)
{
    EtherPeekPacket largest = Packet(18000, 2);
    largest.WireLength = 20000;
    const CapturedRead fits = Read({Packet(60, 1), largest});
    ASSERT_EQ(fits.Frames.size(), 2u);
    EXPECT_EQ(fits.Frames[1].FrameSize, 18000);
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read({Packet(60, 1), Packet(18001, 2), Packet(60, 3)}), host);

    // A zero slice with a wire length beyond the bound is such a slice too: one that
    // runs past the end of the file is a damaged record.
    host.Messages.clear();
    EtherPeekPacket hostile = Packet(60, 2);
    hostile.SliceFieldZero = true;
    hostile.WireLength = 0xFFFF;
    const CapturedRead zeroSlice = Read({Packet(60, 1), hostile});
    EXPECT_EQ(zeroSlice.Frames.size(), 1u);
    EXPECT_NE(zeroSlice.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(EtherPeekReading, TruncatedAnywhere)
{
    for (uint8_t version : {uint8_t{6}, uint8_t{7}}) {
        SCOPED_TRACE(::testing::Message() << "version " << int(version));
        EtherPeekOptions options;
        options.Version = version;
        const TraceImage image = BuildEtherPeekTrace(options, {Packet(60, 1), Packet(61, 2), Packet(1514, 3)});
        const std::size_t count = image.FrameOffsets.size();
        ExpectEveryCutEndsCleanly(image, Options(), [count](std::size_t read) { return read < count; });
    }
}

TEST_F(EtherPeekReading, SurvivesRandomDamage)
{
    for (uint8_t version : {uint8_t{6}, uint8_t{7}}) {
        EtherPeekOptions options;
        options.Version = version;
        const TraceImage image = BuildEtherPeekTrace(options, {Packet(60, 1), Packet(301, 2), Packet(1514, 3)});
        ExpectSurvivesDamage(image, 1, Options(), dir, 200, 14 + version);
    }
}

}  // namespace
}  // namespace quenlix::testing
