// The pcapng writer: what it writes is read back by the program's own pcapng reader
// with the frames, lengths, time stamps and error flags given; one small file is
// checked byte by byte; and the exports it must refuse leave every file as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "FrameCapture.h"
#include "TestFiles.h"
#include "import/PcapngWriter.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kStartSecond = 1700000000;  // 14 November 2023, 22:13:20 UTC
// That moment as a packed DOS date and time (two-second steps).
constexpr int32_t kStartDosDateTime = ((2023 - 1980) << 9 | 11 << 5 | 14) << 16 | (22 << 11 | 13 << 5 | 10);

struct Frame {
    std::vector<uint8_t> Bytes;
    uint64_t Stamp = 0;
    uint32_t OriginalLength = 0;  // 0: as stored
    uint32_t LinkErrors = 0;
    std::string Comment;
};

std::vector<uint8_t> FrameBytes(std::size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes = SampleBytes(size, seed);
    bytes[0] = 0x02;  // a unicast destination
    return bytes;
}

class PcapngWriting : public ::testing::Test {
protected:
    WriteStatus Export(const std::vector<Frame>& frames, const PcapngInterface& interface = {})
    {
        PcapngWriter writer;
        if (WriteStatus status = writer.Open(target, interface); !status.Ok()) return status;
        for (const Frame& frame : frames) {
            PcapngPacket packet;
            packet.Stamp = frame.Stamp;
            packet.Bytes = frame.Bytes;
            packet.OriginalLength = frame.OriginalLength;
            packet.LinkErrors = frame.LinkErrors;
            packet.Comment = frame.Comment;
            if (WriteStatus status = writer.Add(packet); !status.Ok()) return status;
        }
        EXPECT_EQ(writer.PacketsWritten(), frames.size());
        return writer.Finish();
    }

    CapturedRead ReadBack(TopologyCode topology = kTopologyEthernet)
    {
        AnalysisState probe;
        EXPECT_EQ(DetectTraceFormat(probe, target.OutputPath, host).Code, kFormatPcapNG);
        EXPECT_EQ(DetectTopology(probe, kFormatPcapNG, target.OutputPath, host).Code, topology);
        CaptureOptions options;
        options.Format = kFormatPcapNG;
        options.Topology = topology;
        return CaptureFrames(target.OutputPath, options, host);
    }

    // The names in the scratch folder: no temporary file may stay behind.
    std::vector<std::string> FolderNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path(".")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    PcapngTarget target{dir.Path("out.pcapng"), dir.Path("trace.enc"), false};
    RecordingHost host;
};

TEST_F(PcapngWriting, FramesReadBackWithTheirLengthsAndTimesAtEachResolution)
{
    struct Case {
        const char* Name;
        PcapngResolution Resolution;
        uint64_t UnitsPerSecond;
    };
    const std::vector<Case> cases = {
        {"microseconds", {6, false}, 1000000},
        {"nanoseconds", {9, false}, 1000000000},
        {"units of 2^-20 s", {20, true}, 1u << 20},
    };
    // Offsets from the start second in units; the last jumps back, as some traces do.
    const std::vector<uint64_t> offsets = {3, 1001, 7};
    target.Force = true;  // each case replaces the export before it
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<Frame> frames;
        for (std::size_t i = 0; i < offsets.size(); ++i)
            frames.push_back({FrameBytes(60 + 300 * i, static_cast<uint8_t>(i)),
                              kStartSecond * c.UnitsPerSecond + offsets[i] + (i == 1 ? 2 * c.UnitsPerSecond : 0)});
        frames[1].OriginalLength = 1514;  // sliced
        PcapngInterface interface;
        interface.Resolution = c.Resolution;
        ASSERT_EQ(Export(frames, interface).Error, "");

        const CapturedRead read = ReadBack();
        ASSERT_EQ(read.Frames.size(), frames.size());
        EXPECT_EQ(read.State->Read.ReadResult, 0);
        EXPECT_EQ(read.State->Read.TraceStartDate, kStartDosDateTime);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const CapturedFrame& got = read.Frames[i];
            const std::vector<uint8_t>& stored = frames[i].Bytes;
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), got.Bytes.begin()));
            const std::size_t original = frames[i].OriginalLength ? frames[i].OriginalLength : stored.size();
            EXPECT_EQ(got.FrameSize, original + 4);  // with the FCS pcapng leaves out
            EXPECT_EQ(got.StoredLength, i == 1 ? stored.size() : stored.size() + 4);
            // Microseconds from the start second, to the unit of the resolution.
            const double expected = (i == 1 ? 2e6 : 0) + static_cast<double>(offsets[i]) * 1e6 / c.UnitsPerSecond;
            EXPECT_NEAR(got.Time, expected, 1e-4);
        }
        EXPECT_TRUE(host.Messages.empty());
    }
}

TEST_F(PcapngWriting, LinkErrorFlagsAndTokenRing)
{
    std::vector<Frame> frames(3);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].Bytes = FrameBytes(64, static_cast<uint8_t>(i));
    frames[0].LinkErrors = pcapng_errors::kCrc;
    frames[1].LinkErrors = pcapng_errors::kUnalignedFrame | pcapng_errors::kTooShort;
    frames[2].Comment = "collision fragment";
    ASSERT_TRUE(Export(frames).Ok());
    const CapturedRead ethernet = ReadBack();
    ASSERT_EQ(ethernet.Frames.size(), 3u);
    EXPECT_EQ(ethernet.Frames[0].BadFCS, 1);
    EXPECT_EQ(ethernet.Frames[0].AlignError, 0);
    EXPECT_EQ(ethernet.Frames[1].BadFCS, 0);
    EXPECT_EQ(ethernet.Frames[1].AlignError, 1);
    EXPECT_EQ(ethernet.Frames[2].BadFCS + ethernet.Frames[2].AlignError, 0);

    target.Force = true;
    PcapngInterface ring;
    ring.Link = PcapngLink::TokenRing;
    ASSERT_TRUE(Export(frames, ring).Ok());
    const CapturedRead tokenRing = ReadBack(kTopologyTokenRing);
    ASSERT_EQ(tokenRing.Frames.size(), 3u);
    EXPECT_EQ(tokenRing.Frames[0].FrameSize, 64);  // Token Ring frames are counted as stored
}

void Le16(std::vector<uint8_t>& out, uint16_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Le32(std::vector<uint8_t>& out, uint32_t v)
{
    Le16(out, static_cast<uint16_t>(v));
    Le16(out, static_cast<uint16_t>(v >> 16));
}
void Text(std::vector<uint8_t>& out, const std::string& text, std::size_t padded)
{
    out.insert(out.end(), text.begin(), text.end());
    out.resize(out.size() + padded - text.size(), 0);
}

TEST_F(PcapngWriting, BlocksAreLaidOutByteByByte)
{
    Frame frame{{1, 2, 3, 4, 5}, 0x0000000100000002ull, 64, pcapng_errors::kCrc | pcapng_errors::kTooShort,
                "collision fragment"};
    PcapngInterface interface{PcapngLink::Ethernet, 65535, "Sniffer", "a.enc", {9, false}};
    ASSERT_TRUE(Export({frame}, interface).Ok());

    std::vector<uint8_t> expected;
    // Section header: byte-order magic, version 1.0, section length unknown.
    Le32(expected, 0x0A0D0D0A), Le32(expected, 28), Le32(expected, 0x1A2B3C4D), Le16(expected, 1), Le16(expected, 0);
    Le32(expected, 0xFFFFFFFF), Le32(expected, 0xFFFFFFFF), Le32(expected, 28);
    // Interface: Ethernet, snapshot length, if_name, if_description, if_tsresol, end of options.
    Le32(expected, 1), Le32(expected, 56), Le16(expected, 1), Le16(expected, 0), Le32(expected, 65535);
    Le16(expected, 2), Le16(expected, 7), Text(expected, "Sniffer", 8);
    Le16(expected, 3), Le16(expected, 5), Text(expected, "a.enc", 8);
    Le16(expected, 9), Le16(expected, 1), Text(expected, "\x09", 4);
    Le32(expected, 0), Le32(expected, 56);
    // Enhanced packet: interface 0, time stamp high and low, lengths, bytes, epb_flags, comment.
    Le32(expected, 6), Le32(expected, 76), Le32(expected, 0), Le32(expected, 1), Le32(expected, 2);
    Le32(expected, 5), Le32(expected, 64), Text(expected, "\x01\x02\x03\x04\x05", 8);
    Le16(expected, 2), Le16(expected, 4), Le32(expected, 0x05000000);
    Le16(expected, 1), Le16(expected, 18), Text(expected, "collision fragment", 20);
    Le32(expected, 0), Le32(expected, 76);
    EXPECT_EQ(ReadBytes(target.OutputPath), expected);
}

TEST_F(PcapngWriting, ZeroFramesGiveTheHeadersOnly)
{
    ASSERT_TRUE(Export({}).Ok());
    EXPECT_EQ(ReadBytes(target.OutputPath).size(), 28u + 32u);  // section header; interface with if_tsresol
    const CapturedRead read = ReadBack();
    EXPECT_TRUE(read.Frames.empty());
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(PcapngWriting, RefusedExportsLeaveEveryFileAsItWas)
{
    const std::vector<uint8_t> trace = {'t', 'r', 'a', 'c', 'e'};
    const std::vector<uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    WriteBytes(target.InputPath, trace);
    fs::create_symlink(target.InputPath, dir.Path("link.pcapng"));
    fs::create_hard_link(target.InputPath, dir.Path("hard.pcapng"));
    WriteBytes(dir.Path("earlier.pcapng"), earlier);
    struct Case {
        const char* Name;
        std::string Output;
        bool Force;
        std::string Error;
    };
    const std::string inputText = ": it is the trace being read.";
    const std::vector<Case> cases = {
        {"the trace itself", target.InputPath, true, target.InputPath + inputText},
        {"the trace by another spelling", dir.Path("./trace.enc"), true, dir.Path("./trace.enc") + inputText},
        {"a symbolic link to the trace", dir.Path("link.pcapng"), true, dir.Path("link.pcapng") + inputText},
        {"a hard link to the trace", dir.Path("hard.pcapng"), true, dir.Path("hard.pcapng") + inputText},
        {"an existing file without force", dir.Path("earlier.pcapng"), false,
         dir.Path("earlier.pcapng") + ": the file already exists."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        target.OutputPath = c.Output;
        target.Force = c.Force;
        EXPECT_EQ(Export({{FrameBytes(60, 1), 0}}).Error, "Cannot export to " + c.Error);
    }
    EXPECT_EQ(ReadBytes(target.InputPath), trace);
    EXPECT_EQ(ReadBytes(dir.Path("earlier.pcapng")), earlier);
    EXPECT_EQ(FolderNames(), (std::vector<std::string>{"earlier.pcapng", "hard.pcapng", "link.pcapng", "trace.enc"}));

    // With force an existing file other than the trace is replaced.
    target.OutputPath = dir.Path("earlier.pcapng");
    target.Force = true;
    ASSERT_TRUE(Export({{FrameBytes(60, 1), 0}}).Ok());
    EXPECT_EQ(ReadBack().Frames.size(), 1u);
}

TEST_F(PcapngWriting, AnUnwritableFolderIsToldWithItsReasonAndLeavesNothing)
{
    // A folder path through a regular file: no one, not even root, can create a file there.
    WriteBytes(target.InputPath, {1});
    target.OutputPath = dir.Path("trace.enc/out.pcapng");
    EXPECT_EQ(Export({}).Error, "Cannot create a file in " + dir.Path("trace.enc") + ": Not a directory.");
    target.OutputPath = dir.Path("missing/out.pcapng");
    EXPECT_EQ(Export({}).Error,
              "Cannot create a file in " + dir.Path("missing") + ": No such file or directory.");
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"trace.enc"});
}

TEST_F(PcapngWriting, AnUnfinishedExportLeavesNoFile)
{
    {
        PcapngWriter writer;
        ASSERT_TRUE(writer.Open(target, {}).Ok());
        const std::vector<uint8_t> bytes = FrameBytes(60, 2);
        ASSERT_TRUE(writer.Add({0, bytes, 0, 0, ""}).Ok());
    }  // destroyed without Finish
    PcapngWriter abandoned;
    ASSERT_TRUE(abandoned.Open(target, {}).Ok());
    abandoned.Abandon();
    EXPECT_FALSE(abandoned.Finish().Ok());
    EXPECT_TRUE(FolderNames().empty());
}

}  // namespace
}  // namespace quenlix::testing
