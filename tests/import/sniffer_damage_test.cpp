// Damaged and hostile Sniffer traces: every read ends cleanly, keeps the frames
// before the damage and never reads outside its buffers (run under the sanitizer
// build to see the last point).

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "FrameCapture.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"

namespace quenlix::testing {
namespace {

constexpr const char* kBadCompression = "Bad compression encountered.  Data may be unreliable.";
constexpr std::size_t kHeaderBytes = 41;  // magic and version record

std::vector<SnifferFrame> SomeFrames()
{
    std::vector<SnifferFrame> frames;
    for (uint32_t i = 0; i < 12; ++i) frames.push_back({i * 100ull, SampleBytes(40 + i * 53 % 300, i), 0, 0, 4});
    frames[5].RecordType = 12;
    return frames;
}

// File offsets at which each frame record of a plain trace ends.
std::vector<std::size_t> RecordEnds(const std::vector<SnifferFrame>& frames)
{
    std::vector<std::size_t> ends;
    std::size_t at = kHeaderBytes;
    for (const SnifferFrame& f : frames) ends.push_back(at += 6 + (f.RecordType == 12 ? 34 : 14) + f.Bytes.size());
    return ends;
}

// Cuts at every record boundary and at the telling places inside each record: in
// its header, right after it, inside the body and one byte short of the end.
std::vector<std::size_t> CutPoints(const std::vector<std::size_t>& ends, std::size_t size)
{
    std::vector<std::size_t> cuts;
    std::size_t start = kHeaderBytes;
    for (std::size_t end : ends) {
        for (std::size_t cut : {start, start + 1, start + 5, start + 6, start + 7, (start + end) / 2, end - 1})
            if (cut < end) cuts.push_back(cut);
        start = end;
    }
    for (std::size_t cut = start; cut < size; ++cut) cuts.push_back(cut);  // inside the end record
    return cuts;
}

class DamagedTrace : public ::testing::Test {
protected:
    CapturedRead ReadFile(const std::string& file, bool compressed)
    {
        host = RecordingHost{};
        CaptureOptions options;
        options.SnifferCompressed = compressed;
        return CaptureFrames(file, options, host);
    }
    // Every frame delivered must be the frame written at that place.
    void ExpectPrefixOf(const CapturedRead& read, const CapturedRead& whole)
    {
        ASSERT_LE(read.Frames.size(), whole.Frames.size());
        for (std::size_t i = 0; i < read.Frames.size(); ++i) ASSERT_EQ(read.Frames[i].Bytes, whole.Frames[i].Bytes) << "frame " << i;
    }

    TempDir dir;
    RecordingHost host;
};

TEST_F(DamagedTrace, PlainTruncatedAnywhere)
{
    const std::vector<SnifferFrame> frames = SomeFrames();
    WriteSnifferFile(dir.Path("whole.enc"), {}, frames);
    const CapturedRead whole = ReadFile(dir.Path("whole.enc"), false);
    const std::vector<std::size_t> ends = RecordEnds(frames);
    const std::size_t size = ReadBytes(dir.Path("whole.enc")).size();

    for (std::size_t cut : CutPoints(ends, size)) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut);
        WritePrefix(dir.Path("whole.enc"), dir.Path("cut.enc"), cut);
        const CapturedRead read = ReadFile(dir.Path("cut.enc"), false);
        const auto complete = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        EXPECT_EQ(read.State->TotalFrames, static_cast<int>(complete));
        ExpectPrefixOf(read, whole);
        // A cut anywhere but at a record boundary is a short read: inside a body, and
        // inside a header too (a torn header is no clean end of the file).
        const std::size_t lastEnd = complete ? ends[complete - 1] : kHeaderBytes;
        const bool insideRecord = cut > lastEnd;  // the end record, too, when the frames are all there
        EXPECT_EQ(read.State->Read.ReadResult != 0, insideRecord);
        EXPECT_TRUE(host.Messages.empty());
    }
}

TEST_F(DamagedTrace, CompressedTruncatedAnywhere)
{
    SnifferFileOptions options;
    options.Compressed = true;
    WriteSnifferFile(dir.Path("whole.enc"), options, SomeFrames());
    const CapturedRead whole = ReadFile(dir.Path("whole.enc"), true);
    ASSERT_EQ(whole.Frames.size(), 12u);
    const std::size_t size = ReadBytes(dir.Path("whole.enc")).size();

    std::size_t previous = 0;
    for (std::size_t cut = kHeaderBytes; cut < size; cut += cut < kHeaderBytes + 64 ? 1 : 11) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut);
        WritePrefix(dir.Path("whole.enc"), dir.Path("cut.enc"), cut);
        const CapturedRead read = ReadFile(dir.Path("cut.enc"), true);
        ExpectPrefixOf(read, whole);
        EXPECT_GE(read.Frames.size(), previous);
        previous = read.Frames.size();
        // Cut before the first record header the trace holds no records at all; after
        // that the compressed data runs out mid-stream.
        if (cut >= kHeaderBytes + 6) EXPECT_EQ(host.Texts(), std::vector<std::string>{kBadCompression});
        else EXPECT_TRUE(host.Messages.empty());
    }
}

TEST_F(DamagedTrace, CorruptCompressedBytes)
{
    SnifferFileOptions options;
    options.Compressed = true;
    WriteSnifferFile(dir.Path("whole.enc"), options, SomeFrames());
    const std::vector<uint8_t> original = ReadBytes(dir.Path("whole.enc"));
    std::mt19937 random(1234);
    // The first bytes of the stream one by one, then a spread of the rest: inverted or random.
    for (std::size_t at = kHeaderBytes; at < original.size(); at += at < kHeaderBytes + 40 ? 1 : 9) {
        std::vector<uint8_t> bytes = original;
        bytes[at] = at % 2 == 0 ? static_cast<uint8_t>(bytes[at] ^ 0xFF) : static_cast<uint8_t>(random());
        WriteBytes(dir.Path("bad.enc"), bytes);
        const CapturedRead read = ReadFile(dir.Path("bad.enc"), true);
        ASSERT_EQ(read.State->TotalFrames, static_cast<int>(read.Frames.size())) << "byte " << at;
        ASSERT_LE(host.Messages.size(), 1u) << "byte " << at;
    }
}

TEST_F(DamagedTrace, HostileRecordFields)
{
    struct Case {
        const char* Label;
        uint16_t Type;
        std::vector<uint8_t> Body;
        int Frames;
        const char* Message;
    };
    std::vector<uint8_t> liar(14 + 10, 0);
    liar[6] = 0xFF, liar[7] = 0xFF;    // stored size 65535 with 10 bytes present
    liar[10] = 0xFF, liar[11] = 0xFF;  // true size 65535
    const std::vector<Case> cases = {
        {"body shorter than the frame header", 4, std::vector<uint8_t>(13, 0), 1,
         "Damaged frame record encountered.  Data may be unreliable."},
        {"type 12 shorter than its header", 12, std::vector<uint8_t>(20, 0), 1,
         "Damaged frame record encountered.  Data may be unreliable."},
        {"sizes beyond the record", 4, liar, 3, nullptr},
        {"body of 65535 bytes, clipped", 5, std::vector<uint8_t>(65535, 0), 3, nullptr},
        {"type no record has", 0x63, std::vector<uint8_t>(20, 0), 1,
         "Damaged frame record encountered.  Data may be unreliable."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        {
            SnifferWriter writer(dir.Path("t.enc"), {});
            writer.AddFrame({0, SampleBytes(60, 1), 0, 0, 4});
            writer.AddRecord(c.Type, c.Body);
            writer.AddFrame({0, SampleBytes(60, 2), 0, 0, 4});
        }
        const CapturedRead read = ReadFile(dir.Path("t.enc"), false);
        EXPECT_EQ(read.State->TotalFrames, c.Frames);
        EXPECT_EQ(host.Texts(), c.Message ? std::vector<std::string>{c.Message} : std::vector<std::string>{});
        if (c.Body == liar) {
            EXPECT_EQ(read.Frames[1].FrameSize, kMaxFrameBytes);
            EXPECT_EQ(read.Frames[1].StoredLength, 10);
            EXPECT_EQ(read.Frames[1].Bytes[10], 0);
        }
    }
}

// A record type changed to the end record's ends the read before the records after
// it: that is damage, said with where the end record lies and how much follows it.
TEST_F(DamagedTrace, EndRecordBeforeMoreRecordsIsDamage)
{
    const std::vector<SnifferFrame> frames = SomeFrames();
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        SnifferFileOptions options;
        options.Compressed = compressed;
        {
            SnifferWriter writer(dir.Path("t.enc"), options);
            for (std::size_t k = 0; k < frames.size(); ++k) {
                if (k == 6) writer.AddRecord(3, {});
                writer.AddFrame(frames[k]);
            }
        }
        const CapturedRead read = ReadFile(dir.Path("t.enc"), compressed);
        EXPECT_EQ(read.Frames.size(), 6u);
        EXPECT_EQ(read.State->Read.ReadResult, kReadResultBadData);
        const std::size_t endAt = RecordEnds(frames)[5];
        const std::size_t rest = std::filesystem::file_size(dir.Path("t.enc")) - endAt - 6;
        const std::string text =
            compressed
                ? "End record (after frame 6) is followed by more data that reads as records.  Data may be unreliable."
                : "End record at offset " + FormatCount(endAt) + " (after frame 6) is followed by " +
                      FormatCount(rest) + " more bytes that read as records.  Data may be unreliable.";
        EXPECT_EQ(read.State->Read.ReadEndText, text);
        EXPECT_EQ(host.Texts(), std::vector<std::string>{text});
    }
}

// Bytes after the end record that hold no record (padding, a cut header, a length
// past the file) leave the read complete.
TEST_F(DamagedTrace, PaddingAfterTheEndRecordIsNoDamage)
{
    WriteSnifferFile(dir.Path("t.enc"), {}, SomeFrames());
    const std::vector<uint8_t> whole = ReadBytes(dir.Path("t.enc"));
    const std::vector<std::vector<uint8_t>> tails = {
        std::vector<uint8_t>(512, 0), {4, 0}, {4, 0, 0xFF, 0x7F, 0, 0, 1, 2}};
    for (const std::vector<uint8_t>& tail : tails) {
        std::vector<uint8_t> bytes = whole;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        WriteBytes(dir.Path("padded.enc"), bytes);
        const CapturedRead read = ReadFile(dir.Path("padded.enc"), false);
        EXPECT_EQ(read.Frames.size(), SomeFrames().size());
        EXPECT_EQ(read.State->Read.ReadResult, 0);
        EXPECT_TRUE(host.Messages.empty());
    }
}

// Records of known types that hold no frame are passed over among the frames and counted.
TEST_F(DamagedTrace, RecordsWithoutFramesAreCounted)
{
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        SnifferFileOptions options;
        options.Compressed = compressed;
        {
            SnifferWriter writer(dir.Path("t.enc"), options);
            writer.AddFrame({0, SampleBytes(60, 1), 0, 0, 4});
            writer.AddRecord(8, {1, 2, 3, 4});
            writer.AddFrame({0, SampleBytes(60, 2), 0, 0, 4});
            writer.AddRecord(0x0107, {});
            writer.AddFrame({0, SampleBytes(60, 3), 0, 0, 4});
        }
        const CapturedRead read = ReadFile(dir.Path("t.enc"), compressed);
        EXPECT_EQ(read.Frames.size(), 3u);
        EXPECT_EQ(read.State->Read.ReadResult, 0);
        EXPECT_EQ(read.State->Read.SkippedRecords, 2);
    }
}

TEST_F(DamagedTrace, GarbageAfterTheHeader)
{
    std::mt19937 random(99);
    for (int trial = 0; trial < 40; ++trial) {
        WriteSnifferFile(dir.Path("t.enc"), {}, {});
        std::vector<uint8_t> bytes = ReadBytes(dir.Path("t.enc"));
        bytes.resize(kHeaderBytes);
        bytes.resize(kHeaderBytes + 2000 + trial * 50);
        for (std::size_t i = kHeaderBytes; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(random() % (trial % 2 ? 256 : 20));
        WriteBytes(dir.Path("t.enc"), bytes);
        for (bool compressed : {false, true}) {
            const CapturedRead read = ReadFile(dir.Path("t.enc"), compressed);
            EXPECT_LE(host.Messages.size(), 1u);
            EXPECT_EQ(read.State->TotalFrames, static_cast<int>(read.Frames.size()));
        }
    }
}

TEST_F(DamagedTrace, EndlessEmptyBlocksEnd)
{
    WriteSnifferFile(dir.Path("t.enc"), {}, {});
    std::vector<uint8_t> bytes = ReadBytes(dir.Path("t.enc"));
    bytes.resize(kHeaderBytes);
    for (int i = 0; i < 5000; ++i) bytes.insert(bytes.end(), {0x00, 0x80});  // stored blocks of no bytes
    WriteBytes(dir.Path("t.enc"), bytes);
    const CapturedRead read = ReadFile(dir.Path("t.enc"), true);
    EXPECT_EQ(read.State->TotalFrames, 0);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kBadCompression});
}

TEST_F(DamagedTrace, DriverKeepsFramesOfATruncatedTrace)
{
    WriteSnifferFile(dir.Path("whole.enc"), {}, SomeFrames());
    const std::vector<std::size_t> ends = RecordEnds(SomeFrames());
    WritePrefix(dir.Path("whole.enc"), dir.Path("cut.enc"), ends[6] + 10);
    auto state = std::make_unique<AnalysisState>();
    state->Read.TraceFileName = dir.Path("cut.enc");
    state->Read.TraceFormat = kFormatSniffer;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->TotalFrames, 7);
    EXPECT_NE(state->Read.ReadResult, 0);
    EXPECT_EQ(state->Read.ReadFinished, 1);
    EXPECT_EQ(state->Read.ReadEndText, "Damaged frame record encountered.  Data may be unreliable.");
    EXPECT_EQ(host.Texts(), std::vector<std::string>{state->Read.ReadEndText});
    EXPECT_EQ(ReadStatusText(*state), "Read ended at frame 8: " + state->Read.ReadEndText);
}

}  // namespace
}  // namespace quenlix::testing
