// The Internetwork Advisor reader: the capture start, tagged records (frames, groups
// and records passed over by their length), the frame header's time, lengths and
// status, the bound of a frame, and damaged files.

#include "AdvisorWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"

namespace quenlix::testing {
namespace {

constexpr int32_t kStart = 1000000000;  // 9 September 2001, 01:46:40

class AdvisorReading : public FormatReading {
protected:
    AdvisorReading() : FormatReading(kFormatInternetworkAdvisor, "trace.iwa") {}
    static AdvisorFrame Frame(std::size_t size, uint32_t seed)
    {
        AdvisorFrame frame;
        frame.Bytes = SampleBytes(size, seed);
        frame.Seconds = static_cast<int32_t>(seed);
        return frame;
    }
};

TEST_F(AdvisorReading, DetectedAndReadAsTheProgramDoes)
{
    for (int32_t network : {1, 3}) {
        AdvisorOptions options;
        options.StartSeconds = kStart;
        options.Network = network;
        const auto state = DetectedAndRead(BuildAdvisorTrace(options, {Frame(60, 1), Frame(70, 2)}),
                                           network == 1 ? kTopologyEthernet : kTopologyTokenRing, 2);
        EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime({2001, 9, 9, 1, 46, 40}));
    }
}

TEST_F(AdvisorReading, TaggedRecords)
{
    AdvisorOptions options;
    AdvisorTraceBuilder builder(options);
    builder.AddFrame(Frame(60, 1));
    builder.AddGroup();  // no frame
    builder.AddRecord("NOTE", 5, std::vector<uint8_t>(12, 0x82));  // passed over by its length
    AdvisorFrame fifty = Frame(61, 2);
    fifty.Tag = "FR50";
    builder.AddFrame(fifty);
    builder.AddRecord("EMTY", 2, {});  // a header alone
    builder.AddFrame(Frame(62, 3));
    const CapturedRead read = Read(builder.Image());
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.Frames[0].Bytes, SampleBytes(60, 1));
    EXPECT_EQ(read.Frames[1].Bytes, SampleBytes(61, 2));
    EXPECT_EQ(read.Frames[2].Bytes, SampleBytes(62, 3));
    EXPECT_EQ(read.State->Read.ReadResult, 0);
}

TEST_F(AdvisorReading, RecordRunningPastTheEndOfTheFileEndsTheRead)
{
    AdvisorTraceBuilder builder({});
    builder.AddFrame(Frame(60, 1));
    builder.AddRecord("LONG", 1000, std::vector<uint8_t>(40, 0));
    builder.AddFrame(Frame(60, 2));  // inside the long record's claimed length
    const CapturedRead read = Read(builder.Image());
    EXPECT_EQ(read.State->TotalFrames, 1);
    EXPECT_NE(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(AdvisorReading, RecordShorterThanItsHeaderEndsTheRead)
{
    for (uint16_t words : {uint16_t{0}, uint16_t{1}}) {
        SCOPED_TRACE(words);
        AdvisorTraceBuilder builder({});
        builder.AddFrame(Frame(60, 1));
        builder.AddRecord("ZERO", words, {});
        builder.AddFrame(Frame(60, 2));
        const CapturedRead read = Read(builder.Image());
        EXPECT_EQ(read.State->TotalFrames, 1);
        EXPECT_NE(read.State->Read.ReadResult, 0);
    }
}

TEST_F(AdvisorReading, FrameHeaderFields)
{
    AdvisorFrame timed = Frame(64, 1);
    timed.Seconds = 3 * 86400 + 3661;  // the day is dropped
    timed.Nanoseconds = 123456789;     // whole microseconds are kept
    timed.Status = 0x08;
    AdvisorFrame sliced = Frame(100, 2);
    sliced.CountedLength = 1518;
    sliced.Status = 0x07;  // bits 0..2 are not an FCS error
    const CapturedRead ethernet = Read(BuildAdvisorTrace({}, {timed, sliced}));
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    EXPECT_DOUBLE_EQ(ethernet.Frames[0].Time, 3661e6 + 123456);
    EXPECT_EQ(ethernet.Frames[0].BadFCS, 1);
    EXPECT_EQ(ethernet.Frames[0].FrameSize, 64);
    EXPECT_EQ(ethernet.Frames[0].StoredLength, 64);
    EXPECT_EQ(ethernet.Frames[1].BadFCS, 0);
    EXPECT_EQ(ethernet.Frames[1].StoredLength, 100);
    EXPECT_EQ(ethernet.Frames[1].FrameSize, 1518);
    // Past the record's frame area (the stored bytes and the FCS room) the frame reads as zeros.
    const std::vector<uint8_t>& bytes = ethernet.Frames[1].Bytes;
    ASSERT_EQ(bytes.size(), 1518u);
    EXPECT_TRUE(StartsWith(bytes, sliced.Bytes));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 100, bytes.begin() + 104),
              std::vector<uint8_t>(4, kAdvisorFrameRoomMark));
    EXPECT_TRUE(std::all_of(bytes.begin() + 104, bytes.end(), [](uint8_t b) { return b == 0; }));

    const CapturedRead ring = Read(BuildAdvisorTrace({}, {timed}), kTopologyTokenRing);
    EXPECT_EQ(ring.Frames.at(0).BadFCS, 0);  // an Ethernet flag only
}

TEST_F(AdvisorReading, BoundOfTheFrameArea)
{
    // The frame area is the stored bytes and four more, rounded up to whole words.
    const CapturedRead largest = Read(BuildAdvisorTrace({}, {Frame(17996, 1)}));  // (17996 + 7) div 4 x 4 = 18000
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].Bytes, SampleBytes(17996, 1));
    EXPECT_TRUE(host.Messages.empty());

    // 17997 frame bytes fit though their area (18004) does not; 18001 do not.
    const CapturedRead fits = Read(BuildAdvisorTrace({}, {Frame(17997, 2)}));
    ASSERT_EQ(fits.Frames.size(), 1u);
    EXPECT_EQ(fits.State->Read.ClippedFrames, 0);
    ExpectClippedAndReadOn(Read(BuildAdvisorTrace({}, {Frame(60, 1), Frame(18001, 2), Frame(60, 3)})), host);
}

TEST_F(AdvisorReading, StopAfterTheFirstRecord)
{
    AdvisorTraceBuilder builder({});
    builder.AddGroup();
    builder.AddFrame(Frame(60, 1));
    host.StopAfterPolls = 0;  // polled after the group record already
    const CapturedRead read = Read(builder.Image());
    EXPECT_EQ(read.State->TotalFrames, 0);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(AdvisorReading, CutAnywhere)
{
    AdvisorTraceBuilder builder({});
    builder.AddFrame(Frame(60, 1));
    const std::size_t groupAt = builder.Image().Bytes.size();
    builder.AddGroup();
    const std::size_t otherAt = builder.Image().Bytes.size();
    builder.AddRecord("NOTE", 4, std::vector<uint8_t>(8, 1));
    builder.AddFrame(Frame(61, 2));
    const TraceImage image = builder.Image();
    const std::vector<RecordSpan> records = {
        {image.FrameOffsets[0], groupAt, true},
        {groupAt, otherAt, false},
        {otherAt, image.FrameOffsets[1], false},
        {image.FrameOffsets[1], image.Bytes.size(), true},
    };
    ExpectCleanCuts(image, kAdvisorHeaderBytes, records, Options(), dir);
}

TEST_F(AdvisorReading, SurvivesRandomDamage)
{
    AdvisorTraceBuilder builder({});
    for (uint32_t i = 0; i < 6; ++i) {
        builder.AddFrame(Frame(50 + 90 * i, i));
        if (i % 2 == 0) builder.AddGroup();
        if (i % 3 == 0) builder.AddRecord("NOTE", 6, std::vector<uint8_t>(16, 9));
    }
    ExpectSurvivesDamage(builder.Image(), kAdvisorHeaderBytes, Options(), dir, 300, 33);
}

}  // namespace
}  // namespace quenlix::testing
