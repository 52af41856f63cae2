// The LANalyzer reader: the header area with the capture start, 0.5 us time
// stamps, lengths counted with the FCS, the frame-error bit, wrapped circular
// buffers, the record bound and damaged files.

#include "LANalyzerWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"
#include "import/TraceReader.h"

namespace quenlix::testing {
namespace {

LANalyzerFrame Frame(std::size_t size, uint32_t seed, uint64_t time = 0)
{
    LANalyzerFrame frame;
    frame.TimeHalfMicroseconds = time;
    frame.Bytes = UnicastBytes(size, seed);
    return frame;
}

std::vector<LANalyzerFrame> Numbered(std::size_t count)
{
    std::vector<LANalyzerFrame> frames;
    for (std::size_t k = 0; k < count; ++k) frames.push_back(Frame(60 + k, static_cast<uint32_t>(k), 1000 * k));
    return frames;
}

// The seeds of the frames read, in order: each frame's destination ends in seed + 1.
std::vector<int> Order(const CapturedRead& read)
{
    std::vector<int> seeds;
    for (const CapturedFrame& frame : read.Frames) seeds.push_back(frame.Bytes[5] - 1);
    return seeds;
}

class LANalyzerReading : public FormatReading {
protected:
    LANalyzerReading() : FormatReading(kFormatLANalyzer) {}
    using FormatReading::Read;
    CapturedRead Read(const std::vector<LANalyzerFrame>& frames, const LANalyzerOptions& options = {})
    {
        return Read(BuildLANalyzerTrace(options, frames), options.TokenRing ? kTopologyTokenRing : kTopologyEthernet);
    }
};

TEST_F(LANalyzerReading, TimeAndLengths)
{
    LANalyzerFrame sliced = Frame(100, 2, 0x0001'0002'0003ull);
    sliced.WireLength = 1518;
    LANalyzerFrame bad = Frame(60, 3);
    bad.ReceiveErrors = 0x0001;
    const CapturedRead read = Read({Frame(60, 1, 3), sliced, bad});
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_DOUBLE_EQ(read.Frames[0].Time, 1.5);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, ((1.0 * 65536 + 2) * 65536 + 3) * 0.5);
    // The wire length includes the FCS; the stored length gains it.
    EXPECT_EQ(read.Frames[0].FrameSize, 64);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    std::vector<uint8_t> expected = Frame(60, 1).Bytes;
    expected.resize(64, 0);
    EXPECT_EQ(read.Frames[0].Bytes, expected);
    EXPECT_EQ(read.Frames[1].FrameSize, 1518);
    EXPECT_EQ(read.Frames[1].StoredLength, 104);
    EXPECT_EQ(read.Frames[0].BadFCS, 0);
    EXPECT_EQ(read.Frames[2].BadFCS, 1);
    EXPECT_EQ(read.Frames[2].AlignError, 1);
}

TEST_F(LANalyzerReading, TokenRingIgnoresTheFrameErrorBit)
{
    LANalyzerOptions options;
    options.TokenRing = true;
    LANalyzerFrame frame = Frame(60, 1);
    frame.ReceiveErrors = 0x0001;
    const CapturedRead read = Read({frame}, options);
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.Frames[0].BadFCS, 0);
    EXPECT_EQ(read.Frames[0].AlignError, 0);
}

TEST_F(LANalyzerReading, ANonFrameRecordEndsTheFrames)
{
    LANalyzerOptions options;
    options.Trailer = {0x04, 0x10, 0x02, 0x00, 0xAA, 0xBB};  // an index record
    const TraceImage closed = BuildLANalyzerTrace(options, Numbered(2));
    const CapturedRead read = Read(closed);
    EXPECT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->Read.ReadResult, 0);  // a trailer that closes the file

    // Frames after it, or a record of no kind the format has, end the read early.
    TraceImage followed = closed;
    const TraceImage more = BuildLANalyzerTrace({}, Numbered(1));
    followed.Bytes.insert(followed.Bytes.end(), more.Bytes.begin() + static_cast<std::ptrdiff_t>(more.FrameOffsets[0]),
                          more.Bytes.end());
    TraceImage retyped = BuildLANalyzerTrace({}, Numbered(3));
    retyped.Bytes[retyped.FrameOffsets[1] + 1] = 0x30;  // type 0x3005
    for (const TraceImage* image : {&followed, &retyped}) {
        const CapturedRead early = Read(*image);
        EXPECT_EQ(early.Frames.size(), image == &followed ? 2u : 1u);
        EXPECT_NE(early.State->Read.ReadResult, 0);
    }
}

TEST_F(LANalyzerReading, RecordBound)
{
    const CapturedRead largest = Read({Frame(18000, 1)});
    ASSERT_EQ(largest.Frames.size(), 1u);
    EXPECT_EQ(largest.Frames[0].StoredLength, 18000);
    EXPECT_TRUE(host.Messages.empty());

    ExpectClippedAndReadOn(Read({Frame(60, 1), Frame(18001, 2), Frame(60, 3)}), host);
}

TEST_F(LANalyzerReading, RecordTooShortForTheFrameHeader)
{
    TraceImage image = BuildLANalyzerTrace({}, Numbered(3));
    image.Bytes[image.FrameOffsets[1] + 2] = 31;
    image.Bytes[image.FrameOffsets[1] + 3] = 0;
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.Frames.size(), 1u);
    EXPECT_NE(read.State->Read.ReadResult, 0);
}

TEST_F(LANalyzerReading, WrappedBufferReadsFromTheOldestFrameAround)
{
    LANalyzerOptions options;
    options.WrapAt = 3;  // frames 0..2 run to the buffer's end, 3..5 start the buffer
    const TraceImage image = BuildLANalyzerTrace(options, Numbered(6));
    ASSERT_LT(image.FrameOffsets[3], image.FrameOffsets[0]);
    const CapturedRead read = Read(image);
    EXPECT_EQ(Order(read), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());

    // A buffer that never wrapped: the oldest frame is at its start.
    options.WrapAt = 4;
    const CapturedRead unwrapped = Read(BuildLANalyzerTrace(options, Numbered(4)));
    EXPECT_EQ(Order(unwrapped), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(LANalyzerReading, WrappedBufferWithRecordsAfterItsEnd)
{
    LANalyzerOptions options;
    options.WrapAt = 2;
    options.Trailer = BuildLANalyzerTrace({}, {Frame(60, 9)}).Bytes;  // stale bytes beyond the buffer
    options.Trailer.erase(options.Trailer.begin(), options.Trailer.end() - (4 + 32 + 60));
    const CapturedRead read = Read(BuildLANalyzerTrace(options, Numbered(5)));
    EXPECT_EQ(Order(read), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST_F(LANalyzerReading, WrappedBufferOffsetsThatCannotBeFollowed)
{
    LANalyzerOptions options;
    options.WrapAt = 2;
    const TraceImage image = BuildLANalyzerTrace(options, Numbered(4));
    const LANalyzerBufferFields fields = LANalyzerBufferFieldOffsets();
    const auto begin = static_cast<uint32_t>(image.FrameOffsets[2]);
    const auto end = static_cast<uint32_t>(image.FramesEnd);
    struct Case {
        const char* What;
        uint32_t Oldest, Begin, End;
    };
    const Case unreadable[] = {
        {"oldest frame outside the buffer", end + 10, begin, end},
        {"buffer ends before it begins", begin, end, begin},
        {"buffer at offset 0", 0, 0, end},
    };
    for (const Case& c : unreadable) {
        SCOPED_TRACE(c.What);
        TraceImage damaged = image;
        PatchLe32(damaged, fields.Oldest, c.Oldest);
        PatchLe32(damaged, fields.Begin, c.Begin);
        PatchLe32(damaged, fields.End, c.End);
        host.Messages.clear();
        const CapturedRead read = Read(damaged);
        EXPECT_EQ(read.Frames.size(), 0u);
        EXPECT_EQ(host.Texts(), std::vector<std::string>{"Wrapped format not supported."});
    }

    // A buffer that ends right after the oldest frame and begins at it: followed
    // naively, the read would return to the same frame forever.
    TraceImage cycle = image;
    PatchLe32(cycle, fields.Oldest, static_cast<uint32_t>(image.FrameOffsets[0]));
    PatchLe32(cycle, fields.Begin, static_cast<uint32_t>(image.FrameOffsets[0]));
    PatchLe32(cycle, fields.End, static_cast<uint32_t>(image.FrameOffsets[1]));
    host.Messages.clear();
    const CapturedRead read = Read(cycle);
    EXPECT_EQ(Order(read), std::vector<int>{0});
    EXPECT_TRUE(host.Messages.empty());
}

// The seek to the oldest frame of a file cut short before it fails: the read ends
// on a read error (which the driver tells as damage) instead of passing for a
// complete read of no frames.
TEST_F(LANalyzerReading, WrappedBufferCutBeforeItsOldestFrame)
{
    LANalyzerOptions options;
    options.WrapAt = 3;  // the oldest frame, 0, lies after frames 3..5
    const TraceImage image = BuildLANalyzerTrace(options, Numbered(6));
    for (std::size_t cut : {image.FrameOffsets[3], image.FrameOffsets[0] - 1, image.FrameOffsets[0]}) {
        SCOPED_TRACE(::testing::Message() << "cut after " << cut << " bytes");
        const CapturedRead read = Read(image.Prefix(cut));
        EXPECT_EQ(read.Frames.size(), 0u);
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultShortRead);
    }
}

TEST_F(LANalyzerReading, TruncatedAnywhere)
{
    const TraceImage image = BuildLANalyzerTrace({}, {Frame(60, 1), Frame(61, 2), Frame(1514, 3)});
    ExpectEveryCutEndsCleanly(image, Options(), [](std::size_t) { return false; });
}

TEST_F(LANalyzerReading, DetectedAndReadWithItsCaptureStart)
{
    LANalyzerOptions options;
    options.TokenRing = true;
    const auto state = DetectedAndRead(BuildLANalyzerTrace(options, Numbered(3)), kTopologyTokenRing, 3);
    EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime({2024, 2, 29, 13, 45, 30}));
}

TEST_F(LANalyzerReading, SurvivesRandomDamage)
{
    LANalyzerOptions wrapped;
    wrapped.WrapAt = 2;
    for (const LANalyzerOptions& options : {LANalyzerOptions{}, wrapped}) {
        ExpectSurvivesDamage(BuildLANalyzerTrace(options, Numbered(5)), 0, Options(), dir, 200, 5);
    }
}

}  // namespace
}  // namespace quenlix::testing
