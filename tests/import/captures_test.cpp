// Real captures converted by an outside tool: detection, the Sniffer reader and the
// figures of the analysis against what other tools report for the same frames.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "FrameCapture.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

const std::filesystem::path kCaptures = std::filesystem::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";

#define REQUIRE_CAPTURE(path)                                                             \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "real capture not found: " << (path)

struct FullRead {
    std::unique_ptr<AnalysisState> State = std::make_unique<AnalysisState>();
    RecordingHost Host;
    FormatDetection Format;
    TopologyDetection Topology;
};

// Detects and reads a file the way the main window does.
std::unique_ptr<FullRead> ReadCapture(const std::filesystem::path& path)
{
    auto read = std::make_unique<FullRead>();
    AnalysisState& state = *read->State;
    state.Read.TraceFileName = path.string();
    read->Format = DetectTraceFormat(state, state.Read.TraceFileName, read->Host);
    read->Topology = DetectTopology(state, read->Format.Code, state.Read.TraceFileName, read->Host);
    state.Read.TraceFormat = read->Format.Code;
    state.Topology = read->Topology.Code;
    ReadTraceFile(state, false, read->Host);
    return read;
}

TEST(RealCaptures, OfficeAIsReadWhole)
{
    const auto path = kCaptures / "office-a.enc";
    REQUIRE_CAPTURE(path);
    const auto read = ReadCapture(path);
    EXPECT_EQ(read->Format.Code, kFormatSniffer);
    EXPECT_EQ(read->Topology.Code, kTopologyEthernet);
    EXPECT_EQ(read->State->Read.SnifferCompressed, 0);
    EXPECT_EQ(read->State->TotalFrames, 851);
    EXPECT_EQ(read->State->Read.ReadResult, 0);
    EXPECT_TRUE(read->Host.Messages.empty());

    // Frame by frame: 497,470 bytes stored, each frame counted with its FCS.
    RecordingHost host;
    const CapturedRead frames = CaptureFrames(path.string(), {}, host);
    int64_t bytes = 0;
    std::map<uint16_t, int> sizes;
    for (const CapturedFrame& frame : frames.Frames) {
        EXPECT_EQ(frame.FrameSize, frame.StoredLength);
        bytes += frame.FrameSize;
        ++sizes[frame.FrameSize];
    }
    EXPECT_EQ(bytes, 497470 + 4 * 851);
    EXPECT_EQ(sizes.begin()->first, 42 + 4);
    EXPECT_EQ(sizes.rbegin()->first, 1514 + 4);
    EXPECT_EQ(sizes[1518], 290);
    // The capture lasts 6.5 seconds.
    const double span = frames.Frames.back().Time - frames.Frames.front().Time;
    EXPECT_GT(span, 6.4e6);
    EXPECT_LT(span, 6.6e6);
}

TEST(RealCaptures, OfficeAFigures)
{
    const auto path = kCaptures / "office-a.enc";
    REQUIRE_CAPTURE(path);
    const auto read = ReadCapture(path);
    const AnalysisState& s = *read->State;
    EXPECT_EQ(s.FrameStats[6], 851);
    EXPECT_DOUBLE_EQ(s.TotalBytes, 500874.0);
    EXPECT_EQ(s.ProtocolStats[1].Frames, 8);                              // ARP
    EXPECT_EQ(s.ProtocolStats[4].Frames + s.ProtocolStats[10].Frames, 831);  // IP and NetBIOS over IP
    EXPECT_EQ(s.FrameStats[7], 4);                                        // broadcast
}

TEST(RealCaptures, ZooAIsReadWhole)
{
    const auto path = kCaptures / "zoo-a.enc";
    REQUIRE_CAPTURE(path);
    const auto read = ReadCapture(path);
    EXPECT_EQ(read->Format.Code, kFormatSniffer);
    EXPECT_EQ(read->Topology.Code, kTopologyEthernet);
    EXPECT_EQ(read->State->TotalFrames, 262);
    EXPECT_TRUE(read->Host.Messages.empty());
}

TEST(RealCaptures, CompressedCopyReadsTheSame)
{
    const auto path = kCaptures / "office-a.enc";
    REQUIRE_CAPTURE(path);
    RecordingHost host;
    const CapturedRead original = CaptureFrames(path.string(), {}, host);

    TempDir dir;
    SnifferFileOptions options;
    options.Compressed = true;
    options.TimeUnit = 5;
    {
        SnifferWriter writer(dir.Path("office-a.enc"), options);
        for (std::size_t i = 0; i < original.Frames.size(); ++i) {
            const CapturedFrame& f = original.Frames[i];
            writer.AddFrame({i * 1000, std::vector<uint8_t>(f.Bytes.begin(), f.Bytes.end() - 4), 0, 0, 4});
        }
    }
    const auto read = ReadCapture(dir.Path("office-a.enc"));
    EXPECT_EQ(read->State->Read.SnifferCompressed, 1);
    EXPECT_EQ(read->State->TotalFrames, 851);
    EXPECT_TRUE(read->Host.Messages.empty());

    CaptureOptions capture;
    capture.SnifferCompressed = true;
    const CapturedRead copy = CaptureFrames(dir.Path("office-a.enc"), capture, host);
    ASSERT_EQ(copy.Frames.size(), original.Frames.size());
    for (std::size_t i = 0; i < copy.Frames.size(); ++i) ASSERT_EQ(copy.Frames[i].Bytes, original.Frames[i].Bytes) << i;
}

TEST(RealCaptures, DamagedFilesEndCleanly)
{
    const auto folder = kCaptures / "damaged";
    REQUIRE_CAPTURE(folder);
    const std::map<std::string, int> frames = {
        {"decnet-shorthdr-oobr.enc", 15},  {"gre-heapoverflow-1.enc", 2}, {"heapoverflow-ip_demux_print.enc", 2},
        {"hoobr_bfd_print.enc", 3},        {"hoobr_nfs_xid_map_enter.enc", 9}, {"icmp-icmp_print-oobr-1.enc", 3},
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto read = ReadCapture(entry.path());
        ++files;
        EXPECT_EQ(read->Format.Code, kFormatSniffer);
        EXPECT_EQ(read->State->Read.ReadFinished, 1);
        if (name == "eigrp-tlv-oobr.enc") continue;  // its record lengths wrapped: any count will do
        const auto known = frames.find(name);
        EXPECT_EQ(read->State->TotalFrames, known == frames.end() ? 1 : known->second);
        EXPECT_TRUE(read->Host.Messages.empty());
    }
    EXPECT_EQ(files, 16);
}

}  // namespace
}  // namespace quenlix::testing
