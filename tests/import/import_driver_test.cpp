// The reading driver around the readers, the buffered file input, and the small
// helpers of the import API.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <random>

#include "SnifferWriter.h"
#include "TestFiles.h"
#include "FrameCapture.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"

namespace quenlix::testing {
namespace {

class ReadDriver : public ::testing::Test {
protected:
    void WriteTrace(int frames, SnifferFileOptions options = {})
    {
        std::vector<SnifferFrame> list;
        for (int i = 0; i < frames; ++i) list.push_back({static_cast<uint64_t>(i) * 10, SampleBytes(60 + i, i), 0, 0, 4});
        WriteSnifferFile(path, options, list);
        state->Read.TraceFileName = path;
        state->Read.TraceFormat = kFormatSniffer;
        state->Read.SnifferCompressed = options.Compressed ? 1 : 0;
        state->Topology = options.NetworkType == 0 ? kTopologyTokenRing : kTopologyEthernet;
    }

    TempDir dir;
    std::string path = dir.Path("trace.enc");
    RecordingHost host;
    std::unique_ptr<AnalysisState> state = std::make_unique<AnalysisState>();
};

TEST_F(ReadDriver, ReadsAndFinishes)
{
    SnifferFileOptions options;
    options.Compressed = true;
    WriteTrace(25, options);
    state->ViewStale.fill(0);
    ReadTraceFile(*state, false, host);

    EXPECT_EQ(state->TotalFrames, 25);
    EXPECT_EQ(state->Read.ReadResult, 0);
    EXPECT_EQ(state->Read.ReadFinished, 1);
    EXPECT_EQ(state->Read.LingerTime, 0);
    EXPECT_EQ(state->Read.CountOnly, 0);
    EXPECT_EQ(state->Read.SnifferCompressed, 1);  // detection's verdict survives the reset
    EXPECT_EQ(state->Read.TraceFileSize, static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(state->Read.TraceFilePos, state->Read.TraceFileSize);
    EXPECT_EQ(state->ViewStale, (std::array<uint8_t, kViewCount>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(state->ChartsStale, 1);
    EXPECT_EQ(state->Platform.Host, nullptr);
    EXPECT_EQ(host.Started, 1);
    EXPECT_EQ(host.Finished, 1);
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_DOUBLE_EQ(state->TickLength, 1000000.0);
    const uint8_t monitor[6] = {0xC0, 0, 0, 0, 0, 0x08};
    EXPECT_EQ(state->RingErrorMonitorAddr, MacString(monitor, 6));
}

// A trace of several input blocks, plain and compressed: with the next block read
// ahead while the current one is decoded, every frame still arrives whole and in
// order, and the driver's read of it ends without an error.
TEST_F(ReadDriver, TracesLongerThanTheInputBufferArriveWhole)
{
    std::vector<SnifferFrame> frames;
    for (int i = 0; i < 4000; ++i)
        frames.push_back({static_cast<uint64_t>(i) * 10, SampleBytes(200 + i % 1300, static_cast<uint32_t>(i)), 0, 0, 4});
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        SnifferFileOptions options;
        options.Compressed = compressed;
        WriteSnifferFile(path, options, frames);
        ASSERT_GT(std::filesystem::file_size(path), TraceInput::kDefaultBufferBytes);

        CaptureOptions capture;
        capture.Topology = kTopologyEthernet;
        capture.SnifferCompressed = compressed;
        capture.ReadAhead = true;
        const CapturedRead read = CaptureFrames(path, capture, host);
        ASSERT_EQ(read.Frames.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const std::vector<uint8_t>& got = read.Frames[i].Bytes;
            ASSERT_GE(got.size(), frames[i].Bytes.size());
            ASSERT_TRUE(std::equal(frames[i].Bytes.begin(), frames[i].Bytes.end(), got.begin())) << "frame " << i;
        }

        state->Read.TraceFileName = path;
        state->Read.TraceFormat = kFormatSniffer;
        state->Read.SnifferCompressed = compressed ? 1 : 0;
        state->Topology = kTopologyEthernet;
        ReadTraceFile(*state, false, host);
        EXPECT_EQ(state->TotalFrames, 4000);
        EXPECT_EQ(state->Read.ReadResult, 0);
        EXPECT_TRUE(host.Messages.empty());
    }
}

TEST_F(ReadDriver, EveryReadStartsAfresh)
{
    SnifferFileOptions options;
    WriteTrace(3, options);
    state->Read.SlicedFrames = 1;
    state->Read.ReadCancelled = 1;
    state->Read.ReadResult = 7;
    state->Frame.FrameData.fill(0xAA);
    state->Frame.LastFrameCopy.fill(0xAA);
    state->Read.MaxFrameBytes = 100;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->Read.SlicedFrames, 0);
    EXPECT_EQ(state->Read.ReadCancelled, 0);
    EXPECT_EQ(state->Read.ReadResult, 0);
    EXPECT_EQ(state->Read.MaxFrameBytes, kMaxFrameBytes);
    EXPECT_EQ(state->Frame.FrameData[1000], 0);
    EXPECT_EQ(state->Frame.LastFrameCopy, (std::array<uint8_t, kLastFrameCopyBytes>{}));
}

TEST_F(ReadDriver, LinkSpeedFollowsTheMedium)
{
    WriteTrace(1);
    state->Options.EthernetSpeed = 100;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 100);
    EXPECT_EQ(state->LinkBytesPerSecond, 12500000);

    state->Topology = kTopologyTokenRing;
    state->Options.TokenRingSpeed = 4;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 4);
    EXPECT_EQ(state->LinkBytesPerSecond, 500000);

    state->Options.TokenRingSpeed = 7;  // unsupported: the capacity stays
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 7);
    EXPECT_EQ(state->LinkBytesPerSecond, 500000);
}

TEST_F(ReadDriver, CountOnlyPassKeepsTheFirstFrame)
{
    WriteTrace(5);
    ReadTraceFile(*state, true, host);
    EXPECT_EQ(state->TotalFrames, 1);
    EXPECT_EQ(state->Read.CountOnly, 1);
    const std::vector<uint8_t> first = SampleBytes(60, 0);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), state->Frame.LastFrameCopy.begin()));
}

TEST_F(ReadDriver, StopKeepsWhatWasRead)
{
    WriteTrace(50);
    host.StopAfterPolls = 9;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->TotalFrames, 10);
    EXPECT_EQ(state->Read.ReadCancelled, 1);
    EXPECT_EQ(state->Read.ReadFinished, 1);
    EXPECT_LT(state->Read.TraceFilePos, state->Read.TraceFileSize);
}

TEST_F(ReadDriver, OpenFailureIsReported)
{
    state->Read.TraceFileName = dir.Path("gone.enc");
    state->Read.TraceFormat = kFormatSniffer;
    ReadTraceFile(*state, false, host);
    EXPECT_NE(state->Read.ReadResult, 0);
    EXPECT_EQ(state->TotalFrames, 0);
    EXPECT_EQ(state->Read.ReadFinished, 1);
    EXPECT_EQ(host.Started, 0);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Title, "File Read Error");
}

TEST_F(ReadDriver, FormatsWithoutReaderReadNothing)
{
    WriteTrace(4);
    for (TraceFormatCode format : {kFormatNone, kFormatUnknown, static_cast<TraceFormatCode>(18)}) {
        state->Read.TraceFormat = format;
        ReadTraceFile(*state, false, host);
        EXPECT_EQ(state->TotalFrames, 0);
        EXPECT_EQ(state->Read.ReadFinished, 1);
    }
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ReadDriver, StartDateIsTheFileDateUntilAReaderKnowsBetter)
{
    WriteTrace(1);
    std::tm local{};
    local.tm_year = 2021 - 1900, local.tm_mon = 5, local.tm_mday = 15;
    local.tm_hour = 10, local.tm_min = 20, local.tm_sec = 31, local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));

    state->Read.TraceFormat = kFormatNone;  // nothing is read: the file's date stays
    ReadTraceFile(*state, false, host);
    const uint32_t date = (2021 - 1980) << 9 | 6 << 5 | 15;
    const uint32_t time = 10 << 11 | 20 << 5 | 15;
    EXPECT_EQ(static_cast<uint32_t>(state->Read.TraceStartDate), date << 16 | time);

    state->Read.TraceFormat = kFormatSniffer;  // the Sniffer version record carries the capture start
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(static_cast<uint32_t>(state->Read.TraceStartDate), 0x5A216000u);
}

// ---- helpers of the import API -------------------------------------------------------

TEST(ImportHelpers, AnalyzerNames)
{
    const std::vector<std::pair<int, std::string>> names = {
        {0, "DA-30"},     {1, "DataGLANce"},      {2, "FireBerd 500"},     {3, "Internetwork Advisor"},
        {4, "LAN900"},    {5, "LANalyzer"},       {6, "LANdecoder"},       {7, "LANWatch"},
        {8, "NetLens"},   {9, "LANDesk/NetSight"}, {10, "Network Monitor"}, {11, "Sniffer"},
        {13, "Observer"}, {14, "EtherPeek"},        {15, "pcap"},            {16, "pcapng"}};
    for (const auto& [code, expected] : names) {
        std::string name = "unchanged";
        GetAnalyzerName(static_cast<TraceFormatCode>(code), name);
        EXPECT_EQ(name, expected);
    }
    for (int code : {12, 17, 18, 255}) {
        std::string name = "unchanged";
        GetAnalyzerName(static_cast<TraceFormatCode>(code), name);
        EXPECT_EQ(name, "unchanged") << int(code);
    }
}

TEST(ImportHelpers, TicksToMicroseconds)
{
    EXPECT_DOUBLE_EQ(TicksToMicroseconds(0, 1, 0), 54924.655123284);
    EXPECT_DOUBLE_EQ(TicksToMicroseconds(0, 0, 1), 0.8380965151946899);
    EXPECT_DOUBLE_EQ(TicksToMicroseconds(1, 0, 0), 65536 * 54924.655123284);
    EXPECT_DOUBLE_EQ(TicksToMicroseconds(0xFFFF, 0xFFFF, 0xFFFF),
                     4294967295.0 * 54924.655123284 + 65535 * 0.8380965151946899);
}

TEST(TraceInputTest, ReadsSeeksAndSkipsThroughASmallBuffer)
{
    TempDir dir;
    const std::vector<uint8_t> bytes = SampleBytes(1000, 5);
    WriteBytes(dir.Path("f.bin"), bytes);
    TraceInput input(64);
    ASSERT_TRUE(input.Open(dir.Path("f.bin")));
    EXPECT_EQ(input.Size(), 1000);

    std::vector<uint8_t> got(300);
    EXPECT_EQ(input.Read(got.data(), 10), 10u);
    EXPECT_EQ(input.Read(got.data() + 10, 290), 290u);  // larger than the buffer
    EXPECT_EQ(got, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 300));
    EXPECT_EQ(input.Position(), 300);

    EXPECT_TRUE(input.Seek(5));
    uint8_t one = 0;
    EXPECT_EQ(input.Read(&one, 1), 1u);
    EXPECT_EQ(one, bytes[5]);
    EXPECT_TRUE(input.Skip(900));
    EXPECT_EQ(input.Position(), 906);
    EXPECT_EQ(input.Read(got.data(), 300), 94u);
    EXPECT_TRUE(input.AtEnd());
    EXPECT_FALSE(input.Failed());

    EXPECT_TRUE(input.Seek(990));
    EXPECT_FALSE(input.Skip(11));
    EXPECT_EQ(input.Position(), 1000);
    EXPECT_FALSE(input.Seek(-1));
}

// Reading ahead must deliver exactly what a plain buffered read delivers, whatever
// the reader does between blocks: small and large reads, seeks back into an earlier
// block, skips over the block being fetched, reads past the end.
TEST(TraceInputTest, ReadAheadDeliversTheSameBytesAsAPlainRead)
{
    TempDir dir;
    const std::vector<uint8_t> bytes = SampleBytes(40000, 11);
    WriteBytes(dir.Path("f.bin"), bytes);

    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "read-ahead" : "plain");
        TraceInput input(512);
        input.SetReadAhead(ahead);
        ASSERT_TRUE(input.Open(dir.Path("f.bin")));

        // Straight through in record-sized pieces.
        std::vector<uint8_t> got(bytes.size());
        std::size_t at = 0;
        for (std::size_t step = 1; at < got.size(); step = step % 700 + 37)
            at += input.Read(got.data() + at, std::min(step, got.size() - at));
        EXPECT_EQ(got, bytes);
        EXPECT_TRUE(input.AtEnd());

        // A random walk of seeks, skips and reads.
        std::mt19937 random(7);
        for (int i = 0; i < 2000; ++i) {
            const int64_t before = input.Position();
            switch (random() % 4) {
            case 0:
                ASSERT_TRUE(input.Seek(static_cast<int64_t>(random() % (bytes.size() + 100))));
                break;
            case 1: {
                const auto skipped = static_cast<int64_t>(random() % 3000);
                EXPECT_EQ(input.Skip(static_cast<uint64_t>(skipped)), before + skipped <= input.Size());
                EXPECT_LE(input.Position(), std::max<int64_t>(before, input.Size()));
                if (before <= input.Size()) {
                    EXPECT_GE(input.Position(), before);
                }
                break;
            }
            default: {
                const std::size_t n = random() % 1500;
                std::vector<uint8_t> piece(n);
                const std::size_t read = input.Read(piece.data(), n);
                const auto start = static_cast<std::size_t>(std::min<int64_t>(before, input.Size()));
                ASSERT_EQ(read, std::min(n, bytes.size() - start)) << "read " << n << " at " << before;
                ASSERT_TRUE(std::equal(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(read),
                                       bytes.begin() + static_cast<std::ptrdiff_t>(start)))
                    << "read " << n << " at " << before;
                break;
            }
            }
        }
        EXPECT_FALSE(input.Failed());
        // Closing while a block may still be in flight, then reopening, reads from the start again.
        input.Close();
        ASSERT_TRUE(input.Open(dir.Path("f.bin")));
        uint8_t first[4] = {};
        EXPECT_EQ(input.Read(first, 4), 4u);
        EXPECT_TRUE(std::equal(first, first + 4, bytes.begin()));
    }
}

// A file cut short while it is being read: the read ends where the file now ends
// (give or take the block fetched before the cut), as a plain read would.
TEST(TraceInputTest, FileShorterThanAtOpenEndsTheReadWithoutError)
{
    TempDir dir;
    const std::vector<uint8_t> bytes = SampleBytes(10000, 3);
    WriteBytes(dir.Path("f.bin"), bytes);
    TraceInput input(256);
    input.SetReadAhead(true);
    ASSERT_TRUE(input.Open(dir.Path("f.bin")));
    std::vector<uint8_t> got(300);
    EXPECT_EQ(input.Read(got.data(), 300), 300u);  // the next block is being fetched now
    std::filesystem::resize_file(dir.Path("f.bin"), 1000);
    std::size_t total = 300;
    for (std::size_t n; (n = input.Read(got.data(), got.size())) > 0;) total += n;
    // Whatever was fetched before the cut may still arrive; nothing past the old size does.
    EXPECT_GE(total, 1000u);
    EXPECT_LE(total, bytes.size());
    EXPECT_FALSE(input.Failed());
}

TEST(TraceInputTest, OpensReadOnlyFiles)
{
    TempDir dir;
    WriteBytes(dir.Path("f.bin"), {1, 2, 3});
    std::filesystem::permissions(dir.Path("f.bin"), std::filesystem::perms::owner_read);
    TraceInput input;
    ASSERT_TRUE(input.Open(dir.Path("f.bin")));
    uint8_t bytes[4] = {};
    EXPECT_EQ(input.Read(bytes, 4), 3u);
    EXPECT_FALSE(input.Open(dir.Path("missing.bin")));
    EXPECT_NE(input.OpenError(), 0);
}

}  // namespace
}  // namespace quenlix::testing
