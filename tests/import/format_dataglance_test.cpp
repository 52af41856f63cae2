// The DataGLANce reader: the wrapped-capture refusal, the capture start, 128-byte
// records with continuation records, the three kinds of time stamp, lengths and
// flags, the bound of a frame, and damaged files.

#include <algorithm>

#include "DataGLANceWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"

namespace quenlix::testing {
namespace {

// 14 November 2023, 22:13:20 (1,700,000,000 seconds after 1970).
constexpr int32_t kStart = 1700000000;
constexpr double kDayStart = (22 * 3600.0 + 13 * 60.0 + 20.0) * 1e6;

class DataGLANceReading : public FormatReading {
protected:
    DataGLANceReading() : FormatReading(kFormatDataGLANce, "trace.dgc") {}
    static DataGLANceOptions Started(uint8_t network = 3)
    {
        DataGLANceOptions options;
        options.Network = network;
        options.StartField = kStart + 25200;
        return options;
    }
};

TEST_F(DataGLANceReading, DetectedAndReadAsTheProgramDoes)
{
    for (uint8_t network : {uint8_t{3}, uint8_t{2}}) {
        const TraceImage image = BuildDataGLANceTrace(Started(network), {{SampleBytes(60, 1)}, {SampleBytes(300, 2)}});
        const auto state = DetectedAndRead(image, network == 3 ? kTopologyEthernet : kTopologyTokenRing, 2);
        EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime({2023, 11, 14, 22, 13, 20}));
    }
}

TEST_F(DataGLANceReading, WrappedCaptureIsRefused)
{
    DataGLANceOptions options = Started();
    options.Wrapped = true;
    const CapturedRead read = Read(BuildDataGLANceTrace(options, {{SampleBytes(60, 1)}}));
    EXPECT_EQ(read.State->TotalFrames, 0);
    EXPECT_TRUE(read.Frames.empty());
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Title, "File Read Error");
    EXPECT_EQ(host.Messages[0].Text, "Wrapped format not supported.");
}

TEST_F(DataGLANceReading, CaptureStartCountsFrom1970LessSevenHours)
{
    DataGLANceOptions epoch;
    epoch.StartField = 25200;  // the very start of 1 January 1970
    const CapturedRead read = Read(BuildDataGLANceTrace(epoch, {{SampleBytes(60, 1)}}));
    // The packed date holds no year before 1980, so the start lands on its first day.
    EXPECT_EQ(read.State->Read.TraceStartDate, PackDosDateTime({1970, 1, 1, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(read.Frames.at(0).Time, 0.0);

    const CapturedRead later = Read(BuildDataGLANceTrace(Started(), {{SampleBytes(60, 1)}}));
    EXPECT_EQ(later.State->Read.TraceStartDate, PackDosDateTime({2023, 11, 14, 22, 13, 20}));
    EXPECT_DOUBLE_EQ(later.Frames.at(0).Time, kDayStart);
}

TEST_F(DataGLANceReading, LongFramesGoOnInContinuationRecords)
{
    const std::vector<DataGLANceFrame> frames = {
        {SampleBytes(200, 1)},  // 88 + 88 + 24 bytes in three records
        {SampleBytes(88, 2)},   // a full first record and an empty continuation
        {SampleBytes(87, 3)},   // one record
        {SampleBytes(60, 4)},
    };
    const TraceImage image = BuildDataGLANceTrace(Started(), frames);
    EXPECT_EQ(image.FrameOffsets[1] - image.FrameOffsets[0], 3 * kDataGLANceRecordBytes);
    EXPECT_EQ(image.FrameOffsets[2] - image.FrameOffsets[1], 2 * kDataGLANceRecordBytes);
    const CapturedRead read = Read(image);
    ASSERT_EQ(read.Frames.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read.Frames[i].Bytes, frames[i].Bytes);
        EXPECT_EQ(read.Frames[i].StoredLength, frames[i].Bytes.size());
    }
    EXPECT_EQ(read.State->Read.ReadResult, 0);
}

TEST_F(DataGLANceReading, ContinuationBytesNearTheFrameLimitAreNotKept)
{
    const std::vector<uint8_t> bytes = SampleBytes(18000, 5);
    const CapturedRead read = Read(BuildDataGLANceTrace(Started(), {{bytes}, {SampleBytes(60, 6)}}));
    ASSERT_EQ(read.Frames.size(), 2u);
    // Continuation 203 starts at byte 17865 (position 17865 < 17911) and is kept;
    // continuation 204 would start at 17953 and is read but not kept.
    const std::vector<uint8_t>& got = read.Frames[0].Bytes;
    ASSERT_EQ(got.size(), 18000u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 17952, got.begin()));
    EXPECT_TRUE(std::all_of(got.begin() + 17952, got.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(read.Frames[1].Bytes, SampleBytes(60, 6));
}

TEST_F(DataGLANceReading, TimeStamps)
{
    auto frame = [](uint8_t kind, uint16_t t6, uint16_t t8, uint16_t t10) {
        DataGLANceFrame f{SampleBytes(60, t8)};
        f.Kind = kind, f.T6 = t6, f.T8 = t8, f.T10 = t10;
        return f;
    };
    const std::vector<DataGLANceFrame> frames = {
        frame(0x20, 0x0001, 0x0002, 0x0003),  // timer count: T = (1 x 65536 + 3) x 65536 + 2
        frame(0x00, 0, 0x3300, 0x0029),       // Ethernet, T = 2700032 (over 2700000): timer counts
        frame(0x00, 0, 1000, 0),              // Ethernet, small T: 32 ms steps
        frame(0x00, 0, 0x32E0, 0x0029),       // Ethernet, T = 2700000 exactly: still 32 ms steps
    };
    const CapturedRead ethernet = Read(BuildDataGLANceTrace(Started(), frames));
    ASSERT_EQ(ethernet.Frames.size(), 4u);
    EXPECT_DOUBLE_EQ(ethernet.Frames[0].Time, kDayStart + ((65536.0 + 3) * 65536.0 + 2) * kTimerCountMicroseconds);
    EXPECT_DOUBLE_EQ(ethernet.Frames[1].Time, kDayStart + 2700032.0 * kTimerCountMicroseconds);
    EXPECT_DOUBLE_EQ(ethernet.Frames[2].Time, kDayStart + 1000.0 * 32000.0);
    EXPECT_DOUBLE_EQ(ethernet.Frames[3].Time, kDayStart + 2700000.0 * 32000.0);

    // Token Ring: seconds of the day in T10:T8 (taken modulo a day) and hundredths in T6.
    const CapturedRead ring = Read(
        BuildDataGLANceTrace(Started(2), {frame(0x00, 42, 0x5190, 0x0001), frame(0x20, 1, 2, 0)}), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_DOUBLE_EQ(ring.Frames[0].Time, ((0x15190 % 86400) * 1e6) + 42 * 10000.0);
    EXPECT_DOUBLE_EQ(ring.Frames[1].Time, kDayStart + ((1 * 65536.0 + 0) * 65536.0 + 2) * kTimerCountMicroseconds);
}

TEST_F(DataGLANceReading, LengthsAndFlags)
{
    DataGLANceFrame sliced{SampleBytes(100, 1)};
    sliced.CountedLength = 1518;
    sliced.Status = 0x02;
    DataGLANceFrame misaligned{SampleBytes(64, 2)};
    misaligned.Status = 0x04;
    const CapturedRead ethernet = Read(BuildDataGLANceTrace(Started(), {sliced, misaligned}));
    ASSERT_EQ(ethernet.Frames.size(), 2u);
    EXPECT_EQ(ethernet.Frames[0].StoredLength, 100);
    EXPECT_EQ(ethernet.Frames[0].FrameSize, 1518);
    EXPECT_TRUE(StartsWith(ethernet.Frames[0].Bytes, sliced.Bytes));
    EXPECT_EQ(ethernet.Frames[0].Bytes[100], 0);  // not captured
    EXPECT_EQ(FlagsOf(ethernet), (FrameFlags{{1, 0}, {0, 1}}));

    const CapturedRead ring = Read(BuildDataGLANceTrace(Started(2), {sliced, misaligned}), kTopologyTokenRing);
    ASSERT_EQ(ring.Frames.size(), 2u);
    EXPECT_EQ(ring.Frames[0].BadFCS + ring.Frames[1].AlignError, 0);  // Ethernet flags only
}

TEST_F(DataGLANceReading, StoredLengthBeyondTheFrameLimit)
{
    const DataGLANceFrame huge{SampleBytes(18001, 1)};
    // Its continuation records are counted by the stored length: the next frame follows them.
    const CapturedRead read = Read(BuildDataGLANceTrace(Started(), {{SampleBytes(60, 2)}, huge, {SampleBytes(60, 3)}}));
    EXPECT_EQ(read.State->Read.ClippedFrames, 1);
    EXPECT_EQ(read.State->TotalFrames, 3);
    EXPECT_TRUE(host.Messages.empty());
}

// A record of zeros holds no frame. Zero records up to the end of the file are padding
// after the last frame; records after them mean that frames were zeroed out, and the
// read ends as damaged at the first zero record.
TEST_F(DataGLANceReading, ZeroRecordsArePaddingOnlyAtTheEnd)
{
    const TraceImage image =
        BuildDataGLANceTrace(Started(), {{SampleBytes(200, 1)}, {SampleBytes(60, 2)}, {SampleBytes(90, 3)}});
    const std::vector<uint8_t> zeros(4 * kDataGLANceRecordBytes, 0);
    const std::vector<uint8_t> late = DataGLANceRecords({SampleBytes(60, 4)});
    const auto changed = [&image](std::size_t at, const std::vector<uint8_t>& bytes, bool insert) {
        TraceImage copy = image;
        const auto where = copy.Bytes.begin() + static_cast<std::ptrdiff_t>(at);
        if (insert) copy.Bytes.insert(where, bytes.begin(), bytes.end());
        else std::copy(bytes.begin(), bytes.end(), where);
        return copy;
    };
    std::vector<uint8_t> zerosThenRecord = zeros;
    zerosThenRecord.insert(zerosThenRecord.end(), late.begin(), late.end());
    const std::vector<uint8_t> oneZeroRecord(kDataGLANceRecordBytes, 0);
    struct Case {
        const char* What;
        TraceImage Image;
        int Frames;
        std::size_t ZeroRecordAt;  // where the read ends as damaged; 0: a complete read
    };
    const Case cases[] = {
        {"zero records at the end", changed(image.Bytes.size(), zeros, true), 3, 0},
        {"a frame after zero records", changed(image.Bytes.size(), zerosThenRecord, true), 3, image.Bytes.size()},
        {"a zeroed frame record", changed(image.FrameOffsets[1], oneZeroRecord, false), 1, image.FrameOffsets[1]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const CapturedRead read = Read(c.Image);
        EXPECT_EQ(read.State->TotalFrames, c.Frames);
        if (c.ZeroRecordAt == 0) {
            EXPECT_EQ(read.State->Read.ReadResult, 0);
            EXPECT_TRUE(host.Messages.empty());
            continue;
        }
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        const std::size_t rest = c.Image.Bytes.size() - c.ZeroRecordAt - kDataGLANceRecordBytes;
        EXPECT_EQ(read.State->Read.ReadEndText,
                  "Empty record at offset " + FormatCount(c.ZeroRecordAt) + " (after frame " + FormatCount(c.Frames) +
                      ") is followed by " + FormatCount(rest) +
                      " more bytes that read as records.  Data may be unreliable.");
    }
}

TEST_F(DataGLANceReading, CutAnywhere)
{
    const TraceImage image =
        BuildDataGLANceTrace(Started(), {{SampleBytes(200, 1)}, {SampleBytes(60, 2)}, {SampleBytes(90, 3)}});
    ExpectCleanCuts(image, kDataGLANceHeaderBytes, ContiguousFrames(image, image.Bytes.size()), Options(), dir);
}

TEST_F(DataGLANceReading, SurvivesRandomDamage)
{
    std::vector<DataGLANceFrame> frames;
    for (uint32_t i = 0; i < 6; ++i) frames.push_back({SampleBytes(40 + 71 * i, i)});
    ExpectSurvivesDamage(BuildDataGLANceTrace(Started(), frames), kDataGLANceHeaderBytes, Options(), dir, 300, 31);
}

}  // namespace
}  // namespace quenlix::testing
