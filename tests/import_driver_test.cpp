// The reading driver around the readers, the buffered file input, and the small
// helpers of the import API.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

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
        state->TraceFileName = path;
        state->TraceFormat = kFormatSniffer;
        state->SnifferCompressed = options.Compressed ? 1 : 0;
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
    EXPECT_TRUE(ReadTraceFile(*state, false, host));

    EXPECT_EQ(state->TotalFrames, 25);
    EXPECT_EQ(state->ReadResult, 0);
    EXPECT_EQ(state->ReadFinished, 1);
    EXPECT_EQ(state->LingerTime, 0);
    EXPECT_EQ(state->CountOnly, 0);
    EXPECT_EQ(state->SnifferCompressed, 1);  // detection's verdict survives the reset
    EXPECT_EQ(state->TraceFileSize, static_cast<int64_t>(std::filesystem::file_size(path)));
    EXPECT_EQ(state->TraceFilePos, state->TraceFileSize);
    EXPECT_EQ(state->ViewStale, (std::array<uint8_t, kViewCount>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(state->ChartsStale, 1);
    EXPECT_EQ(state->Host, nullptr);
    EXPECT_EQ(host.Started, 1);
    EXPECT_EQ(host.Finished, 1);
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_DOUBLE_EQ(state->TickLength, 1000000.0);
    const uint8_t monitor[6] = {0xC0, 0, 0, 0, 0, 0x08};
    EXPECT_EQ(state->RingErrorMonitorAddr, MacString(monitor, 6));
}

TEST_F(ReadDriver, EveryReadStartsAfresh)
{
    SnifferFileOptions options;
    WriteTrace(3, options);
    state->SlicedFrames = 1;
    state->ReadCancelled = 1;
    state->ReadResult = 7;
    state->FrameData.fill(0xAA);
    state->LastFrameCopy.fill(0xAA);
    state->MaxFrameBytes = 100;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->SlicedFrames, 0);
    EXPECT_EQ(state->ReadCancelled, 0);
    EXPECT_EQ(state->ReadResult, 0);
    EXPECT_EQ(state->MaxFrameBytes, kMaxFrameBytes);
    EXPECT_EQ(state->FrameData[1000], 0);
    EXPECT_EQ(state->LastFrameCopy, (std::array<uint8_t, kLastFrameCopyBytes>{}));
}

TEST_F(ReadDriver, LinkSpeedFollowsTheMedium)
{
    WriteTrace(1);
    state->EthernetSpeed = 100;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 100);
    EXPECT_EQ(state->LinkBytesPerSecond, 12500000);

    state->Topology = kTopologyTokenRing;
    state->TokenRingSpeed = 4;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 4);
    EXPECT_EQ(state->LinkBytesPerSecond, 500000);

    state->TokenRingSpeed = 7;  // unsupported: the capacity stays
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->LinkSpeed, 7);
    EXPECT_EQ(state->LinkBytesPerSecond, 500000);
}

TEST_F(ReadDriver, CountOnlyPassKeepsTheFirstFrame)
{
    WriteTrace(5);
    ReadTraceFile(*state, true, host);
    EXPECT_EQ(state->TotalFrames, 1);
    EXPECT_EQ(state->CountOnly, 1);
    const std::vector<uint8_t> first = SampleBytes(60, 0);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), state->LastFrameCopy.begin()));
}

TEST_F(ReadDriver, StopKeepsWhatWasRead)
{
    WriteTrace(50);
    host.StopAfterPolls = 9;
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(state->TotalFrames, 10);
    EXPECT_EQ(state->ReadCancelled, 1);
    EXPECT_EQ(state->ReadFinished, 1);
    EXPECT_LT(state->TraceFilePos, state->TraceFileSize);
}

TEST_F(ReadDriver, OpenFailureIsReported)
{
    state->TraceFileName = dir.Path("gone.enc");
    state->TraceFormat = kFormatSniffer;
    EXPECT_TRUE(ReadTraceFile(*state, false, host));
    EXPECT_NE(state->ReadResult, 0);
    EXPECT_EQ(state->TotalFrames, 0);
    EXPECT_EQ(state->ReadFinished, 1);
    EXPECT_EQ(host.Started, 0);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Title, "File Read Error");
}

TEST_F(ReadDriver, FormatsWithoutReaderReadNothing)
{
    WriteTrace(4);
    for (uint8_t format : std::initializer_list<uint8_t>{kFormatNone, kFormatUnknown, 15}) {
        state->TraceFormat = format;
        ReadTraceFile(*state, false, host);
        EXPECT_EQ(state->TotalFrames, 0);
        EXPECT_EQ(state->ReadFinished, 1);
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

    state->TraceFormat = kFormatNone;  // nothing is read: the file's date stays
    ReadTraceFile(*state, false, host);
    const uint32_t date = (2021 - 1980) << 9 | 6 << 5 | 15;
    const uint32_t time = 10 << 11 | 20 << 5 | 15;
    EXPECT_EQ(static_cast<uint32_t>(state->TraceStartDate), date << 16 | time);

    state->TraceFormat = kFormatSniffer;  // the Sniffer version record carries the capture start
    ReadTraceFile(*state, false, host);
    EXPECT_EQ(static_cast<uint32_t>(state->TraceStartDate), 0x5A216000u);
}

// ---- helpers of the import API -------------------------------------------------------

TEST(ImportHelpers, AnalyzerNames)
{
    const std::vector<std::pair<uint8_t, std::string>> names = {
        {0, "DA-30"},     {1, "DataGLANce"},      {2, "FireBerd 500"},     {3, "Internetwork Advisor"},
        {4, "LAN900"},    {5, "LANalyzer"},       {6, "LANdecoder"},       {7, "LANWatch"},
        {8, "NetLens"},   {9, "LANDesk/NetSight"}, {10, "Network Monitor"}, {11, "Sniffer"},
        {13, "Observer"}, {14, "EtherPeek"}};
    for (const auto& [code, expected] : names) {
        std::string name = "unchanged";
        GetAnalyzerName(code, name);
        EXPECT_EQ(name, expected);
    }
    for (uint8_t code : {12, 15, 17, 255}) {
        std::string name = "unchanged";
        GetAnalyzerName(code, name);
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
