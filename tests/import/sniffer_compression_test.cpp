// The compressed Sniffer form: every code of the block decoder, its failures, the
// test writer's compressor, and compressed traces read back frame for frame.

#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "FrameCapture.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "import/SnifferDecoder.h"

namespace quenlix::testing {
namespace {

std::vector<uint8_t> CompressedBlock(const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> block = {static_cast<uint8_t>(body.size()), static_cast<uint8_t>(body.size() >> 8)};
    block.insert(block.end(), body.begin(), body.end());
    return block;
}

std::vector<uint8_t> StoredBlock(const std::vector<uint8_t>& data)
{
    const std::size_t size = data.size() | 0x8000;
    std::vector<uint8_t> block = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)};
    block.insert(block.end(), data.begin(), data.end());
    return block;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

class BlockDecoding : public ::testing::Test {
protected:
    // Decodes `want` bytes from a stream of blocks; empty when decoding fails.
    std::optional<std::vector<uint8_t>> Decode(const std::vector<uint8_t>& stream, std::size_t want)
    {
        WriteBytes(path, stream);
        TraceInput input;
        EXPECT_TRUE(input.Open(path));
        SnifferBlockDecoder decoder(input);
        std::vector<uint8_t> out(want);
        if (!decoder.Read(out.data(), want)) return std::nullopt;
        return out;
    }

    TempDir dir;
    std::string path = dir.Path("blocks.bin");
};

TEST_F(BlockDecoding, Runs)
{
    // Control word 0x8000: the first item is a code.
    EXPECT_EQ(Decode(CompressedBlock({0x00, 0x80, 0x05, 0x41}), 8), std::vector<uint8_t>(8, 0x41));
    EXPECT_EQ(Decode(CompressedBlock({0x00, 0x80, 0x1F, 0x02, 0x00}), 66), std::vector<uint8_t>(66, 0x00));
    EXPECT_EQ(Decode(CompressedBlock({0x00, 0x80, 0x00, 0x07}), 3), std::vector<uint8_t>(3, 0x07));
}

TEST_F(BlockDecoding, LiteralsAndCopies)
{
    // Literals a b c, then K = 0x30 N = 0: three bytes from three back.
    EXPECT_EQ(Decode(CompressedBlock({0x00, 0x10, 'a', 'b', 'c', 0x30, 0x00}), 6),
              std::vector<uint8_t>({'a', 'b', 'c', 'a', 'b', 'c'}));

    // Twenty literals, then K = 0x21 N = 1 L = 4: 20 bytes from 1 + 16 + 3 = 20 back.
    std::vector<uint8_t> body = {0x00, 0x00};  // group 1: sixteen literals
    std::vector<uint8_t> expected;
    for (uint8_t i = 0; i < 16; ++i) body.push_back(i), expected.push_back(i);
    body.insert(body.end(), {0x00, 0x08});  // group 2: four literals, then a code
    for (uint8_t i = 16; i < 20; ++i) body.push_back(i), expected.push_back(i);
    body.insert(body.end(), {0x21, 0x01, 0x04});
    expected.insert(expected.end(), expected.begin(), expected.end());
    EXPECT_EQ(Decode(CompressedBlock(body), 40), expected);
}

TEST_F(BlockDecoding, CopyReachingIntoItsOwnOutputReadsZeros)
{
    // Six bytes from three back: the source is taken as it stood, so its last three bytes are unwritten.
    EXPECT_EQ(Decode(CompressedBlock({0x00, 0x10, 'a', 'b', 'c', 0x60, 0x00}), 9),
              std::vector<uint8_t>({'a', 'b', 'c', 'a', 'b', 'c', 0, 0, 0}));
}

TEST_F(BlockDecoding, CopiesNeverReachIntoAnEarlierBlock)
{
    const auto first = CompressedBlock({0x00, 0x00, 'x', 'y', 'z'});
    EXPECT_FALSE(Decode(Concat({first, CompressedBlock({0x00, 0x80, 0x30, 0x00})}), 6));
    EXPECT_FALSE(Decode(CompressedBlock({0x00, 0x80, 0x30, 0x00}), 3));  // a copy at the very start
}

TEST_F(BlockDecoding, StoredBlocksInPieces)
{
    const std::vector<uint8_t> data = SampleBytes(40000, 9);
    // The length field holds at most 32767 bytes, so 40000 stored bytes take two blocks.
    const std::vector<uint8_t> head(data.begin(), data.begin() + 32767);
    const std::vector<uint8_t> tail(data.begin() + 32767, data.end());
    EXPECT_EQ(Decode(Concat({StoredBlock(head), StoredBlock(tail)}), data.size()), data);
    // Empty blocks of either kind carry nothing but do not stop the stream.
    EXPECT_EQ(Decode(Concat({StoredBlock({}), StoredBlock(head)}), head.size()), head);
}

TEST_F(BlockDecoding, Failures)
{
    // The data ends.
    EXPECT_FALSE(Decode(CompressedBlock({0x00, 0x80, 0x05, 0x41}), 9));
    EXPECT_FALSE(Decode({0x04}, 1));
    // A block that names a code but ends before its operand.
    EXPECT_FALSE(Decode(CompressedBlock({0x00, 0x80, 0x05}), 1));
    // A compressed block of no bytes, or only a control word, produces nothing.
    EXPECT_FALSE(Decode(CompressedBlock({}), 1));
    EXPECT_FALSE(Decode(CompressedBlock({0x00, 0x00}), 1));
    // A file cut inside a compressed block: the whole groups before the cut still decode.
    std::vector<uint8_t> body = {0x00, 0x00};
    const std::vector<uint8_t> sixteen = SampleBytes(16, 3);
    body.insert(body.end(), sixteen.begin(), sixteen.end());
    body.insert(body.end(), {0x00, 0x00, 'a', 'b'});
    std::vector<uint8_t> cut = CompressedBlock(body);
    cut[0] = 100;
    EXPECT_EQ(Decode(cut, 16), sixteen);
    EXPECT_FALSE(Decode(cut, 17));
}

TEST_F(BlockDecoding, BlockOutputLimit)
{
    // Runs of 4114 bytes: seven fit the 32768-byte block buffer, eight do not.
    auto runs = [](int count) {
        std::vector<uint8_t> body = {0x00, 0x00};
        for (int i = 0; i < count; ++i) {
            body[1] |= static_cast<uint8_t>(0x80 >> i);
            body.insert(body.end(), {0x1F, 0xFF, 0x00});
        }
        return CompressedBlock(body);
    };
    EXPECT_EQ(Decode(runs(7), 7 * 4114), std::vector<uint8_t>(7 * 4114, 0));
    EXPECT_FALSE(Decode(runs(8), 1));
}

// ---- the compressor -----------------------------------------------------------------

// The kinds of item (literal, or a code's high nibble) in one compressed block body.
std::set<int> ItemKinds(const std::vector<uint8_t>& body)
{
    std::set<int> kinds;
    std::size_t pos = 0;
    while (pos + 2 <= body.size()) {
        const unsigned control = body[pos] | body[pos + 1] << 8;
        pos += 2;
        for (int bit = 15; bit >= 0 && pos < body.size(); --bit) {
            if ((control >> bit & 1) == 0) {
                kinds.insert(-1);
                pos += 1;
                continue;
            }
            const int kind = body[pos] & 0xF0;
            kinds.insert(kind >= 0x30 ? 0x30 : kind);
            pos += kind == 0x10 || kind == 0x20 ? 3 : 2;
        }
    }
    return kinds;
}

TEST_F(BlockDecoding, CompressorUsesEveryCodeAndRoundTrips)
{
    std::vector<uint8_t> data = SampleBytes(3000, 4);                     // literals, short copies
    data.insert(data.end(), 10, 0x55);                                   // short run
    data.insert(data.end(), 1000, 0x00);                                 // long run
    const std::vector<uint8_t> chunk = SampleBytes(200, 8);
    data.insert(data.end(), chunk.begin(), chunk.end());
    data.insert(data.end(), chunk.begin(), chunk.end());                 // long copy
    const std::vector<uint8_t> body = CompressSnifferBlock(data);

    EXPECT_EQ(ItemKinds(body), (std::set<int>{-1, 0x00, 0x10, 0x20, 0x30}));
    EXPECT_LT(body.size(), data.size() / 2);
    EXPECT_EQ(Decode(CompressedBlock(body), data.size()), data);
}

TEST_F(BlockDecoding, CompressorRoundTripsAwkwardBlocks)
{
    std::vector<std::vector<uint8_t>> blocks = {{}, {1}, {1, 1}, std::vector<uint8_t>(32768, 0xAB), SampleBytes(32768, 2)};
    std::vector<uint8_t> period(32768);
    for (std::size_t i = 0; i < period.size(); ++i) period[i] = static_cast<uint8_t>(i % 5 == 0 ? i : i % 3);
    blocks.push_back(period);
    for (const auto& data : blocks) {
        const std::vector<uint8_t> body = CompressSnifferBlock(data);
        if (data.empty() || body.size() > 0x7FFF) continue;
        EXPECT_EQ(Decode(CompressedBlock(body), data.size()), data) << "block of " << data.size();
    }
}

// ---- compressed traces ----------------------------------------------------------------

std::vector<SnifferFrame> ManyFrames()
{
    std::vector<SnifferFrame> frames;
    for (uint32_t i = 0; i < 120; ++i) {
        SnifferFrame frame;
        frame.TimeCount = 1000ull * i;
        frame.Bytes = SampleBytes(i % 7 == 0 ? 1514 : 42 + (i * 37) % 400, i);
        frame.RecordType = i % 11 == 0 ? 12 : 4;
        frames.push_back(frame);
    }
    return frames;
}

TEST(CompressedTrace, ReadsTheSameFramesAsPlain)
{
    TempDir dir;
    RecordingHost host;
    SnifferFileOptions plain, packed;
    packed.Compressed = true;
    WriteSnifferFile(dir.Path("plain.enc"), plain, ManyFrames());
    WriteSnifferFile(dir.Path("packed.enc"), packed, ManyFrames());
    EXPECT_LT(ReadBytes(dir.Path("packed.enc")).size(), ReadBytes(dir.Path("plain.enc")).size());

    CaptureOptions options;
    const CapturedRead expected = CaptureFrames(dir.Path("plain.enc"), options, host);
    options.SnifferCompressed = true;
    const CapturedRead actual = CaptureFrames(dir.Path("packed.enc"), options, host);
    ASSERT_EQ(actual.Frames.size(), expected.Frames.size());
    for (std::size_t i = 0; i < expected.Frames.size(); ++i) {
        EXPECT_EQ(actual.Frames[i].Bytes, expected.Frames[i].Bytes) << "frame " << i;
        EXPECT_EQ(actual.Frames[i].Time, expected.Frames[i].Time) << "frame " << i;
    }
    EXPECT_EQ(actual.State->TotalFrames, 120);
    EXPECT_TRUE(host.Messages.empty());
}

TEST(CompressedTrace, PreambleRecordsStayPlain)
{
    TempDir dir;
    RecordingHost host;
    SnifferFileOptions options;
    options.Compressed = true;
    {
        SnifferWriter writer(dir.Path("t.enc"), options);
        writer.AddRecord(8, std::vector<uint8_t>(40, 1));
        writer.AddFrame({0, SampleBytes(300, 1), 0, 0, 4});
        writer.AddRecord(9, std::vector<uint8_t>(40, 2));  // among the frames: inside the stream
        writer.AddFrame({0, SampleBytes(300, 2), 0, 0, 4});
    }
    CaptureOptions capture;
    capture.SnifferCompressed = true;
    EXPECT_EQ(CaptureFrames(dir.Path("t.enc"), capture, host).Frames.size(), 2u);
    EXPECT_TRUE(host.Messages.empty());
}

TEST(CompressedTrace, RunningOutWithoutEndRecordIsReported)
{
    TempDir dir;
    RecordingHost host;
    SnifferFileOptions options;
    options.Compressed = true;
    options.WriteEndRecord = false;
    WriteSnifferFile(dir.Path("t.enc"), options, ManyFrames());
    CaptureOptions capture;
    capture.SnifferCompressed = true;
    const CapturedRead read = CaptureFrames(dir.Path("t.enc"), capture, host);
    EXPECT_EQ(read.State->TotalFrames, 120);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Title, "File Read Error");
    EXPECT_EQ(host.Messages[0].Text, "Bad compression encountered.  Data may be unreliable.");
}

TEST(CompressedTrace, BodyLimits)
{
    TempDir dir;
    SnifferFileOptions options;
    options.Compressed = true;
    CaptureOptions capture;
    capture.SnifferCompressed = true;
    struct Case {
        uint16_t Type;
        std::size_t Body;
        const char* Message;
        int Clipped;
    };
    // Frame records of any length are decoded through (a longer one clipped); a skipped body must fit.
    const std::vector<Case> cases = {
        {4, 18014, nullptr, 0},
        {4, 18015, nullptr, 1},
        {4, 60000, nullptr, 1},
        {2, 18001, "Bad compression encountered.  Data may be unreliable.", 0},
        {2, 18000, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.Type << " body " << c.Body);
        {
            SnifferWriter writer(dir.Path("t.enc"), options);
            writer.AddFrame({0, SampleBytes(100, 1), 0, 0, 4});
            if (c.Type == 4)
                writer.AddFrame({0, SampleBytes(c.Body - 14, 3), 0, 0, 4});  // 14 bytes of frame header
            else
                writer.AddRecord(c.Type, std::vector<uint8_t>(c.Body, 0));
            writer.AddFrame({0, SampleBytes(100, 2), 0, 0, 4});
        }
        RecordingHost host;
        const CapturedRead read = CaptureFrames(dir.Path("t.enc"), capture, host);
        EXPECT_EQ(read.State->TotalFrames, c.Message ? 1 : 2 + (c.Type == 4 ? 1 : 0));
        EXPECT_EQ(read.State->Read.ClippedFrames, c.Clipped);
        EXPECT_EQ(host.Texts(), c.Message ? std::vector<std::string>{c.Message} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace quenlix::testing
