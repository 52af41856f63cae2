// The Network Monitor reader: the capture start, time offsets, the length rules
// with the 4-byte FCS and the 64-byte minimum, frames without a destination, the
// frame-table end and damaged files.

#include "NetMonWriter.h"
#include "ReaderSweeps.h"
#include "format_support.h"
#include "import/TraceCalendar.h"
#include "import/TraceReader.h"

namespace quenlix::testing {
namespace {

NetMonFrame Frame(std::size_t size, uint32_t seed, int32_t timeMs = 0)
{
    return {timeMs, UnicastBytes(size, seed), -1};
}

class NetMonReading : public FormatReading {
protected:
    NetMonReading() : FormatReading(kFormatNetworkMonitor) {}
    using FormatReading::Read;
    CapturedRead Read(const std::vector<NetMonFrame>& frames, const NetMonOptions& options = {})
    {
        return Read(BuildNetMonTrace(options, frames),
                    options.NetworkType == 2 ? kTopologyTokenRing : kTopologyEthernet);
    }
};

TEST_F(NetMonReading, TimeOffsetsAreMilliseconds)
{
    const CapturedRead read = Read({Frame(60, 1, 0), Frame(60, 2, 1500), Frame(60, 3, -20)});
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_DOUBLE_EQ(read.Frames[1].Time, 1500000.0);
    EXPECT_DOUBLE_EQ(read.Frames[2].Time, -20000.0);
}

TEST_F(NetMonReading, EthernetLengthsCountTheFcsAndTheMinimum)
{
    NetMonFrame sliced = Frame(100, 3);
    sliced.WireLength = 1514;
    NetMonFrame slicedShort = Frame(20, 4);
    slicedShort.WireLength = 50;
    const CapturedRead read = Read({Frame(60, 1), Frame(42, 2), sliced, slicedShort});
    ASSERT_EQ(read.Frames.size(), 4u);
    // A 60-byte frame stored whole is 64 bytes with its FCS.
    EXPECT_EQ(read.Frames[0].FrameSize, 64);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    // 42 + 4 is below the minimum: raised to 64, the missing bytes zeros.
    EXPECT_EQ(read.Frames[1].FrameSize, 64);
    EXPECT_EQ(read.Frames[1].StoredLength, 64);
    EXPECT_EQ(read.Frames[1].Bytes[42], 0);
    EXPECT_EQ(read.Frames[2].FrameSize, 1518);
    EXPECT_EQ(read.Frames[2].StoredLength, 100);
    EXPECT_EQ(read.Frames[3].FrameSize, 64);
    EXPECT_EQ(read.Frames[3].StoredLength, 64);
    for (const CapturedFrame& frame : read.Frames) {
        EXPECT_EQ(frame.BadFCS, 0);
        EXPECT_EQ(frame.AlignError, 0);
    }
}

TEST_F(NetMonReading, TokenRingLengthsHaveNoFcs)
{
    NetMonOptions options;
    options.NetworkType = 2;
    NetMonFrame sliced = Frame(100, 2);
    sliced.WireLength = 4000;
    const CapturedRead read = Read({Frame(40, 1), sliced, Frame(200, 3)}, options);
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.Frames[0].FrameSize, 64);
    EXPECT_EQ(read.Frames[0].StoredLength, 64);
    EXPECT_EQ(read.Frames[1].FrameSize, 100);  // sliced: both are the stored length
    EXPECT_EQ(read.Frames[1].StoredLength, 100);
    EXPECT_EQ(read.Frames[2].FrameSize, 200);
    EXPECT_EQ(read.Frames[2].StoredLength, 200);
}

TEST_F(NetMonReading, FramesWithoutDestinationAreNotCounted)
{
    NetMonFrame filler = Frame(60, 2);
    std::fill(filler.Bytes.begin(), filler.Bytes.begin() + 6, uint8_t{0});
    const NetMonFrame empty{0, {}, 0};
    const CapturedRead read = Read({Frame(60, 1), filler, empty, Frame(60, 3)});
    ASSERT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->TotalFrames, 2);
    EXPECT_EQ(read.Frames[1].Bytes[5], 4);  // the third frame's destination ends in seed + 1
    EXPECT_EQ(read.State->Read.SkippedRecords, 2);  // told once after the read
}

TEST_F(NetMonReading, TheFrameTableEndsTheFrames)
{
    const CapturedRead empty = Read(std::vector<NetMonFrame>{});
    EXPECT_EQ(empty.Frames.size(), 0u);
    EXPECT_EQ(empty.State->Read.ReadResult, 0);

    // A table offset inside the frames ends the read after the record that reaches
    // it; what the offset names is no frame table, so the read ends as damaged.
    TraceImage image = BuildNetMonTrace({}, {Frame(60, 1), Frame(60, 2), Frame(60, 3)});
    const uint32_t secondEnds = static_cast<uint32_t>(image.FrameOffsets[2]);
    PatchLe32(image, kNetMonFrameTableField, secondEnds);
    const CapturedRead read = Read(image);
    EXPECT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
    EXPECT_EQ(read.State->Read.ReadEndText,
              "The frame table at offset 264 does not list the frame records.  Data may be unreliable.");
}

// Damage the stored lengths alone cannot show, found by the frame table: the read
// keeps the frames before the damaged record and says what disagrees where.
struct TableDamage {
    const char* Name;
    void (*Damage)(TraceImage& image);
    std::size_t FramesKept;
    const char* Text;
};

std::size_t TableEntry(const TraceImage& image, std::size_t k) { return image.FramesEnd + 4 * k; }

const TableDamage kTableDamages[] = {
    {"a stored length changed from 60 to 64",
     [](TraceImage& image) { image.Bytes[image.FrameOffsets[1] + 6] = 64; }, 1,
     "The frame record at offset 196 stores 64 bytes, but the frame table puts the next record at offset 264.  "
     "Data may be unreliable."},
    {"a block of zeros over two records",
     [](TraceImage& image) {
         std::fill(image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.FrameOffsets[2]),
                   image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.FrameOffsets[4]), uint8_t{0});
     },
     2,
     "The frame record at offset 264 stores 0 bytes, but the frame table puts the next record at offset 332.  "
     "Data may be unreliable."},
    {"a table entry that points back",
     [](TraceImage& image) { PatchLe32(image, TableEntry(image, 2), 128); }, 1,
     "Frame table entry 3 points back to offset 128.  Data may be unreliable."},
    {"a table entry that points past the end of the file",
     [](TraceImage& image) { PatchLe32(image, TableEntry(image, 3), 0x7FFFFF); }, 2,
     "Frame table entry 4 points outside the frame records, to offset 8,388,607.  Data may be unreliable."},
    {"a table that lists fewer records than the file holds",
     [](TraceImage& image) { PatchLe32(image, kNetMonFrameTableField + 4, 12); }, 2,
     "The frame record at offset 264 stores 60 bytes, but the frame table puts the end of the frame records at "
     "offset 468.  Data may be unreliable."},
};

TEST_F(NetMonReading, RecordsThatDisagreeWithTheFrameTableEndTheReadAsDamaged)
{
    const std::vector<NetMonFrame> frames = {Frame(60, 1), Frame(60, 2), Frame(60, 3), Frame(60, 4), Frame(60, 5)};
    const TraceImage whole = BuildNetMonTrace({}, frames);
    for (const TableDamage& damage : kTableDamages) {
        SCOPED_TRACE(damage.Name);
        TraceImage image = whole;
        damage.Damage(image);
        host.Messages.clear();
        const CapturedRead read = Read(image);
        ASSERT_EQ(read.Frames.size(), damage.FramesKept);
        EXPECT_EQ(read.State->TotalFrames, static_cast<int32_t>(damage.FramesKept));
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        EXPECT_EQ(read.State->Read.ReadEndText, damage.Text);
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0].Text, damage.Text);
    }
}

TEST_F(NetMonReading, FillerRecordsListedInTheTableAreNoDamage)
{
    const NetMonFrame empty{0, {}, 0};
    const CapturedRead read = Read({Frame(60, 1), empty, Frame(60, 3)});
    EXPECT_EQ(read.Frames.size(), 2u);
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_EQ(read.State->Read.SkippedRecords, 1);
}

TEST_F(NetMonReading, DamagedHeaderAndRecordFieldsEndTheReadAsReadErrors)
{
    TraceImage image = BuildNetMonTrace({}, {Frame(60, 1), Frame(60, 2)});
    TraceImage insideHeader = image;
    insideHeader.Bytes[kNetMonFrameTableField] = 100;  // the table cannot start inside the header
    insideHeader.Bytes[kNetMonFrameTableField + 1] = 0;
    insideHeader.Bytes[kNetMonFrameTableField + 2] = 0;
    insideHeader.Bytes[kNetMonFrameTableField + 3] = 0;
    const CapturedRead none = Read(insideHeader);
    EXPECT_EQ(none.Frames.size(), 0u);
    EXPECT_NE(none.State->Read.ReadResult, 0);

    TraceImage beyondFile = image;
    beyondFile.Bytes[kNetMonFrameTableField + 3] = 0x7F;  // the table lies past the end of the file
    const CapturedRead all = Read(beyondFile);
    EXPECT_GE(all.Frames.size(), 2u);
    EXPECT_NE(all.State->Read.ReadResult, 0);

    TraceImage tooLong = image;
    tooLong.Bytes[image.FrameOffsets[1] + 6] = 0x51;  // 18001 bytes stored
    tooLong.Bytes[image.FrameOffsets[1] + 7] = 0x46;
    const CapturedRead first = Read(tooLong);
    EXPECT_EQ(first.Frames.size(), 1u);
    EXPECT_NE(first.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(NetMonReading, LargestStoredFrame)
{
    NetMonFrame largest = Frame(18000, 1);
    const CapturedRead read = Read({largest});
    ASSERT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.Frames[0].FrameSize, 18000);  // 18004 clipped
    EXPECT_EQ(read.Frames[0].StoredLength, 18000);
}

TEST_F(NetMonReading, StopEndsTheReadAfterTheRecord)
{
    host.StopAfterPolls = 0;
    const CapturedRead read = Read({Frame(60, 1), Frame(60, 2)});
    EXPECT_EQ(read.Frames.size(), 1u);
    EXPECT_EQ(read.State->Read.ReadCancelled, 1);
}

TEST_F(NetMonReading, TruncatedAnywhere)
{
    const TraceImage image = BuildNetMonTrace({}, {Frame(60, 1), Frame(1514, 2), Frame(61, 3)});
    const std::size_t frames = image.FrameOffsets.size();
    // Short of the frame table every end is a read error.
    ExpectEveryCutEndsCleanly(image, Options(), [frames](std::size_t read) { return read < frames; });
}

TEST_F(NetMonReading, CaptureStartOrTheFileDate)
{
    BuildNetMonTrace({}, {Frame(60, 1)}).Save(path);
    auto state = std::make_unique<AnalysisState>();
    ASSERT_EQ(DetectAndRead(*state, path, host), kFormatNetworkMonitor);
    EXPECT_EQ(state->Read.TraceStartDate, PackDosDateTime({2025, 6, 30, 23, 59, 58}));

    // Year 0: the file's own date stays.
    NetMonOptions undated;
    undated.Year = 0;
    BuildNetMonTrace(undated, {Frame(60, 1)}).Save(path);
    ASSERT_EQ(DetectAndRead(*state, path, host), kFormatNetworkMonitor);
    const int32_t fileDate = state->Read.TraceStartDate;
    EXPECT_NE(fileDate, PackDosDateTime({2025, 6, 30, 23, 59, 58}));
    EXPECT_GE(static_cast<uint32_t>(fileDate) >> 25, 2024u - 1980u);  // written just now
}

TEST_F(NetMonReading, SurvivesRandomDamage)
{
    const TraceImage image = BuildNetMonTrace({}, {Frame(60, 1), Frame(300, 2), Frame(42, 3), Frame(1514, 4)});
    ExpectSurvivesDamage(image, 0, Options(), dir, 300, 10);
}

}  // namespace
}  // namespace quenlix::testing
