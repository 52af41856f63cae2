// The Sniffer reader on plain traces: time units, record types, lengths, sliced
// frames, the frame status and the limits of a frame record.

#include "SnifferWriter.h"
#include "format_support.h"
#include "import/TraceReader.h"

namespace quenlix::testing {
namespace {

SnifferFrame Frame(std::size_t size, uint64_t time = 0, uint32_t seed = 1)
{
    SnifferFrame frame;
    frame.TimeCount = time;
    frame.Bytes = SampleBytes(size, seed);
    return frame;
}

class SnifferReading : public FormatReading {
protected:
    SnifferReading() : FormatReading(kFormatSniffer, "trace.enc") {}
    CapturedRead Read(const std::vector<SnifferFrame>& frames, SnifferFileOptions options = {})
    {
        WriteSnifferFile(path, options, frames);
        return Capture(options);
    }
    CapturedRead Capture(const SnifferFileOptions& options)
    {
        CaptureOptions capture = Options(options.NetworkType == 0 ? kTopologyTokenRing : kTopologyEthernet);
        capture.SnifferCompressed = options.Compressed;
        return CaptureFrames(path, capture, host);
    }
};

TEST_F(SnifferReading, TimeUnits)
{
    // high 0x01, middle 0x0002, low 0x0003
    const uint64_t count = 0x01'0002'0003ull;
    struct Case {
        uint8_t Unit;
        uint8_t Network;
        double Expected;
    };
    const double ticks = TicksToMicroseconds(1, 2, 3);
    const std::vector<Case> cases = {
        {1, 1, ticks},        {2, 1, count * 15.0}, {3, 1, count * 0.5}, {4, 1, count * 2.0},
        {5, 1, double(count)}, {0, 1, count * 15.0}, {0, 0, ticks},      {9, 1, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "unit " << int(c.Unit) << " network " << int(c.Network));
        SnifferFileOptions options;
        options.TimeUnit = c.Unit;
        options.NetworkType = c.Network;
        const CapturedRead read = Read({Frame(60, count)}, options);
        ASSERT_EQ(read.Frames.size(), 1u);
        EXPECT_DOUBLE_EQ(read.Frames[0].Time, c.Expected);
    }
    EXPECT_DOUBLE_EQ(ticks, (65536.0 + 2) * 54924.655123284 + 3 * 0.8380965151946899);
}

TEST_F(SnifferReading, StartDateFromTheVersionRecord)
{
    SnifferFileOptions options;
    options.DosDate = 0x5A21;
    options.DosTime = 0x6123;
    const CapturedRead read = Read({Frame(60)}, options);
    EXPECT_EQ(static_cast<uint32_t>(read.State->Read.TraceStartDate), 0x5A216123u);
}

TEST_F(SnifferReading, LengthsOnEthernetAndTokenRing)
{
    SnifferFrame sliced = Frame(100, 0, 3);
    sliced.TrueSize = 1500;
    const CapturedRead ethernet = Read({Frame(60), sliced});
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    // Stored whole: the FCS the trace left out is counted, and reads as zeros.
    EXPECT_EQ(ethernet.Frames[0].FrameSize, 64);
    EXPECT_EQ(ethernet.Frames[0].StoredLength, 64);
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[0].Bytes.begin(), ethernet.Frames[0].Bytes.begin() + 60), SampleBytes(60, 1));
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[0].Bytes.begin() + 60, ethernet.Frames[0].Bytes.end()), std::vector<uint8_t>(4, 0));
    // Sliced: the wire length plus FCS, the stored part, then zeros.
    EXPECT_EQ(ethernet.Frames[1].FrameSize, 1504);
    EXPECT_EQ(ethernet.Frames[1].StoredLength, 100);
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[1].Bytes.begin(), ethernet.Frames[1].Bytes.begin() + 100), SampleBytes(100, 3));
    EXPECT_EQ(std::vector<uint8_t>(ethernet.Frames[1].Bytes.begin() + 100, ethernet.Frames[1].Bytes.end()), std::vector<uint8_t>(1404, 0));

    SnifferFileOptions tokenRing;
    tokenRing.NetworkType = 0;
    const CapturedRead ring = Read({Frame(60), sliced}, tokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].FrameSize, 60);
    EXPECT_EQ(ring.Frames[0].StoredLength, 60);
    EXPECT_EQ(ring.Frames[1].FrameSize, 1500);
    EXPECT_EQ(ring.Frames[1].StoredLength, 100);
}

TEST_F(SnifferReading, SlicedFramesFlag)
{
    std::vector<SnifferFrame> frames = {Frame(60), Frame(70), Frame(80)};
    EXPECT_EQ(Read(frames).State->Read.SlicedFrames, 0);
    frames[2].TrueSize = 200;
    const CapturedRead read = Read(frames);
    EXPECT_EQ(read.State->Read.SlicedFrames, 1);
    EXPECT_EQ(read.Frames.size(), 3u);
}

TEST_F(SnifferReading, OversizeTrueLengthIsClipped)
{
    SnifferFrame frame = Frame(64);
    frame.TrueSize = 65535;
    const CapturedRead read = Read({frame});
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.Frames[0].FrameSize, kMaxFrameBytes);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    EXPECT_EQ(read.State->Read.SlicedFrames, 1);
}

TEST_F(SnifferReading, FrameStatusOnEthernetOnly)
{
    std::vector<SnifferFrame> frames = {Frame(60), Frame(60), Frame(60)};
    frames[1].Status = 0x80;
    frames[2].Status = 0x40;
    const CapturedRead ethernet = Read(frames);
    ASSERT_EQ(ethernet.Frames.size(), 3u);
    EXPECT_EQ(FlagsOf(ethernet), (FrameFlags{{0, 0}, {1, 0}, {0, 1}}));

    SnifferFileOptions tokenRing;
    tokenRing.NetworkType = 0;
    EXPECT_EQ(FlagsOf(Read(frames, tokenRing)), (FrameFlags{{0, 0}, {0, 0}, {0, 0}}));
}

TEST_F(SnifferReading, RecordTypes)
{
    SnifferWriter writer(path, {});
    writer.AddRecord(7, std::vector<uint8_t>(30, 0xEE));   // before the frames: skipped
    writer.AddRecord(17, {});
    SnifferFrame plain = Frame(90, 1234, 5);
    writer.AddFrame(plain);
    SnifferFrame longHeader = plain;
    longHeader.RecordType = 12;
    writer.AddFrame(longHeader);
    writer.AddRecord(2, std::vector<uint8_t>(500, 0x04));  // among the frames: skipped
    SnifferFrame type5 = Frame(70, 99, 6);
    type5.RecordType = 5;
    writer.AddFrame(type5);
    SnifferFrame highByte = Frame(80, 77, 7);
    highByte.RecordType = 0x0104;  // the kind is judged on the low byte
    writer.AddFrame(highByte);
    writer.Finish();

    const CapturedRead read = Capture({});
    ASSERT_EQ(read.Frames.size(), 4u);
    EXPECT_EQ(read.State->TotalFrames, 4);
    // A type-12 record delivers the same frame as type 4.
    EXPECT_EQ(read.Frames[1].Bytes, read.Frames[0].Bytes);
    EXPECT_EQ(read.Frames[1].Time, read.Frames[0].Time);
    EXPECT_EQ(read.Frames[1].FrameSize, read.Frames[0].FrameSize);
    EXPECT_EQ(read.Frames[1].StoredLength, read.Frames[0].StoredLength);
    EXPECT_EQ(read.Frames[2].FrameSize, 74);
    EXPECT_EQ(read.Frames[3].FrameSize, 84);
    EXPECT_TRUE(host.Messages.empty());
}

// An end record with frame records after it is a damaged record type: the read
// ends there as damaged, even before the first frame.
TEST_F(SnifferReading, EndRecordBeforeTheFrames)
{
    SnifferWriter writer(path, {});
    writer.AddRecord(3, {});
    writer.AddFrame(Frame(60));
    writer.Finish();
    const CapturedRead read = Capture({});
    EXPECT_TRUE(read.Frames.empty());
    EXPECT_EQ(read.State->TotalFrames, 0);
    EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{"End record at offset 41 (after frame 0) is followed by 86 more "
                                                     "bytes that read as records.  Data may be unreliable."});
}

TEST_F(SnifferReading, EndOfFileWithoutEndRecord)
{
    SnifferFileOptions options;
    options.WriteEndRecord = false;
    const CapturedRead read = Read({Frame(60), Frame(61)}, options);
    EXPECT_EQ(read.State->TotalFrames, 2);
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SnifferReading, RecordSizeLimits)
{
    // A frame of 63,207 bytes, as segmentation offload writes them, between whole ones.
    const std::vector<uint8_t> longFrame = SampleBytes(63207, 9);
    SnifferWriter writer(path, {});
    writer.AddFrame(Frame(60));
    writer.AddFrame(Frame(18000));  // the largest body held whole: 18014 bytes
    writer.AddFrame({0, longFrame, 0, 0, 4});
    writer.AddFrame(Frame(60));
    writer.Finish();

    const CapturedRead read = Capture({});
    ASSERT_EQ(read.Frames.size(), 4u);
    EXPECT_EQ(read.Frames[1].FrameSize, kMaxFrameBytes);
    EXPECT_EQ(read.Frames[1].StoredLength, kMaxFrameBytes);
    EXPECT_EQ(read.Frames[2].FrameSize, kMaxFrameBytes);
    EXPECT_TRUE(StartsWith(longFrame, read.Frames[2].Bytes));
    EXPECT_EQ(read.Frames[3].Bytes, read.Frames[0].Bytes);
    EXPECT_EQ(read.State->Read.ClippedFrames, 1);
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SnifferReading, StopAndCountOnly)
{
    std::vector<SnifferFrame> frames;
    for (uint32_t i = 0; i < 10; ++i) frames.push_back(Frame(60 + i, i, i));
    WriteSnifferFile(path, {}, frames);

    host.StopAfterPolls = 3;
    const CapturedRead stopped = Capture({});
    EXPECT_EQ(stopped.State->TotalFrames, 4);
    EXPECT_EQ(stopped.State->Read.ReadCancelled, 1);

    RecordingHost quiet;
    CaptureOptions countOnly;
    countOnly.CountOnly = true;
    const CapturedRead probe = CaptureFrames(path, countOnly, quiet);
    EXPECT_EQ(probe.State->TotalFrames, 1);
    EXPECT_EQ(probe.State->Read.ReadCancelled, 0);
}

}  // namespace
}  // namespace quenlix::testing
