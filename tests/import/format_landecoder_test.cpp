// The LANdecoder reader: the capture header, tick-based time stamps, the two
// length words, the status flags, the end record, the record-size bound and
// damaged files.

#include "LANdecoderWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"

namespace quenlix::testing {
namespace {

LANdecoderFrame Frame(std::size_t size, uint32_t seed)
{
    LANdecoderFrame frame;
    frame.Bytes = UnicastBytes(size, seed);
    return frame;
}

class LANdecoderReading : public FormatReading {
protected:
    LANdecoderReading() : FormatReading(kFormatLANdecoder) {}
    using FormatReading::Read;
    CapturedRead Read(const std::vector<LANdecoderFrame>& frames, const LANdecoderOptions& options = {})
    {
        return Read(BuildLANdecoderTrace(options, frames), options.TokenRing ? kTopologyTokenRing : kTopologyEthernet);
    }
};

TEST_F(LANdecoderReading, TimeIsTicksPlusTheComplementOfTheTimer)
{
    LANdecoderFrame frame = Frame(60, 1);
    frame.TickHigh = 2;
    frame.TickLow = 0x1234;
    frame.Timer = 0xFF00;  // 255 counts elapsed
    const CapturedRead read = Read({frame});
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, TicksToMicroseconds(2, 0x1234, 0x00FF));
}

TEST_F(LANdecoderReading, LengthWordsAndFlagsOnEthernet)
{
    LANdecoderFrame whole = Frame(60, 1);
    whole.LengthA = 64;
    whole.LengthB = 0x8000 | 64;  // the top bit is not part of the length
    LANdecoderFrame sliced = Frame(100, 2);
    sliced.LengthA = 100;
    sliced.LengthB = 1518;
    sliced.Flags = 0x0002;
    LANdecoderFrame misaligned = Frame(70, 3);
    misaligned.Flags = 0x0004;

    const CapturedRead read = Read({whole, sliced, misaligned});
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.Frames[0].FrameSize, 64);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    EXPECT_EQ(read.Frames[0].BadFCS, 0);
    // The record's bytes come from body offset 24; the 4 bytes it lacks read as zeros.
    std::vector<uint8_t> expected = whole.Bytes;
    expected.resize(64, 0);
    EXPECT_EQ(read.Frames[0].Bytes, expected);

    EXPECT_EQ(read.Frames[1].FrameSize, 1518);
    EXPECT_EQ(read.Frames[1].StoredLength, 100);
    EXPECT_EQ(read.Frames[1].BadFCS, 1);
    EXPECT_EQ(read.Frames[1].AlignError, 0);
    EXPECT_EQ(std::vector<uint8_t>(read.Frames[1].Bytes.begin(), read.Frames[1].Bytes.begin() + 100), sliced.Bytes);
    EXPECT_EQ(read.Frames[1].Bytes[100], 0);

    EXPECT_EQ(read.Frames[2].AlignError, 1);
    EXPECT_EQ(read.Frames[2].BadFCS, 0);
}

TEST_F(LANdecoderReading, TokenRingRecordsHaveNoStatusWord)
{
    LANdecoderOptions options;
    options.TokenRing = true;
    LANdecoderFrame frame = Frame(40, 4);
    frame.LengthA = 40;
    frame.LengthB = 40;
    const CapturedRead read = Read({frame}, options);
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.Frames[0].FrameSize, 40);
    EXPECT_EQ(read.Frames[0].StoredLength, 40);
    EXPECT_EQ(read.Frames[0].BadFCS, 0);
    EXPECT_EQ(read.Frames[0].Bytes, frame.Bytes);  // from body offset 22
}

TEST_F(LANdecoderReading, EndRecordEndsTheReadEvenBeforeMoreRecords)
{
    TraceImage image = BuildLANdecoderTrace({}, {Frame(60, 1), Frame(60, 2)});
    const TraceImage more = BuildLANdecoderTrace({}, {Frame(60, 3)});
    image.Bytes.insert(image.Bytes.end(), more.Bytes.begin() + static_cast<std::ptrdiff_t>(more.FrameOffsets[0]),
                       more.Bytes.end());
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->Read.ReadResult, 0);

    // Without an end record the file's end closes the trace.
    LANdecoderOptions noEnd;
    noEnd.WriteEndRecord = false;
    const CapturedRead open = Read({Frame(60, 1)}, noEnd);
    EXPECT_EQ(open.Frames.size(), 1u);
    EXPECT_EQ(open.State->Read.ReadResult, 0);
}

TEST_F(LANdecoderReading, RecordBodyBound)
{
    struct Case {
        bool TokenRing;
        std::size_t Largest;
    };
    for (const Case c : {Case{false, 18024}, Case{true, 18022}}) {
        SCOPED_TRACE(c.TokenRing ? "Token Ring" : "Ethernet");
        LANdecoderOptions options;
        options.TokenRing = c.TokenRing;
        const CapturedRead largest = Read({LANdecoderFrameOfBody(c.TokenRing, c.Largest)}, options);
        ASSERT_EQ(largest.Frames.size(), 1u);
        EXPECT_EQ(largest.Frames[0].FrameSize, 18000);
        EXPECT_TRUE(host.Messages.empty());

        const CapturedRead over =
            Read({Frame(60, 1), LANdecoderFrameOfBody(c.TokenRing, c.Largest + 1), Frame(60, 2)}, options);
        ExpectClippedAndReadOn(over, host);
    }
}

TEST_F(LANdecoderReading, HostileLengthWordsStayWithinTheFrame)
{
    LANdecoderFrame frame = Frame(20, 1);
    frame.LengthA = 0xFFFF;
    frame.LengthB = 0x7FFF;
    const CapturedRead read = Read({frame, Frame(60, 2)});
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.Frames[0].FrameSize, 18000);
    EXPECT_EQ(read.Frames[0].StoredLength, 18000);
    EXPECT_EQ(read.Frames[0].Bytes[20], 0);  // beyond the record: zeros
}

TEST_F(LANdecoderReading, RecordTooShortForItsHeaderEndsTheRead)
{
    TraceImage image = BuildLANdecoderTrace({}, {Frame(60, 1), Frame(60, 2)});
    image.Bytes[image.FrameOffsets[1] + 2] = 10;  // body length 10: no room for the frame header
    image.Bytes[image.FrameOffsets[1] + 3] = 0;
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.Frames.size(), 1u);
    EXPECT_NE(read.State->Read.ReadResult, 0);
}

TEST_F(LANdecoderReading, StopEndsTheReadAfterTheRecord)
{
    host.StopAfterPolls = 1;
    const CapturedRead read = Read({Frame(60, 1), Frame(60, 2), Frame(60, 3)});
    EXPECT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
    EXPECT_EQ(read.State->TotalFrames, 2);
}

TEST_F(LANdecoderReading, TruncatedAnywhere)
{
    const TraceImage image = BuildLANdecoderTrace({}, {Frame(60, 1), Frame(1514, 2), Frame(61, 3)});
    ExpectEveryCutEndsCleanly(image, Options(), [](std::size_t) { return false; });
}

TEST_F(LANdecoderReading, DetectedAndReadWithItsCaptureStart)
{
    LANdecoderOptions options;
    options.TokenRing = true;
    const auto state =
        DetectedAndRead(BuildLANdecoderTrace(options, {Frame(60, 1), Frame(80, 2)}), kTopologyTokenRing, 2);
    const CalendarTime start{2025, 3, 14, 15, 9, 26};
    EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime(start));
    EXPECT_EQ(state->Read.ReadResult, 0);
}

TEST_F(LANdecoderReading, SurvivesRandomDamage)
{
    const TraceImage image = BuildLANdecoderTrace({}, {Frame(60, 1), Frame(300, 2), Frame(61, 3), Frame(1514, 4)});
    ExpectSurvivesDamage(image, 0, Options(), dir, 300, 6);
}

}  // namespace
}  // namespace quenlix::testing
