// The real Network Monitor (office-a.cap) and LANalyzer (office-a.tr1) captures,
// written by an outside tool from the same frames as the Sniffer capture
// office-a.enc: same frames, lengths by each format's rules, and the same
// stations, hosts, protocols and encapsulations as the Sniffer read gives. The
// original pcap file, and pcapng copies of it, give the Sniffer read's analysis.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "PcapFrames.h"
#include "PcapWriter.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"
#include "report_support.h"

namespace quenlix::testing {
namespace {

const std::filesystem::path kCaptures = std::filesystem::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";
constexpr int kOfficeFrames = 851;      // the captures' README
constexpr int64_t kOfficeBytesWithFcs = 500874;

// The wire length (without FCS) of every frame of a little-endian pcap file:
// the original the three analyser files were converted from.
std::vector<uint32_t> PcapFrameLengths(const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path.string());
    auto u32 = [&bytes](std::size_t at) {
        return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    std::vector<uint32_t> lengths;
    for (std::size_t at = 24; at + 16 <= bytes.size(); at += 16 + u32(at + 8)) lengths.push_back(u32(at + 12));
    return lengths;
}

struct CaptureRead {
    std::unique_ptr<AnalysisState> State = std::make_unique<AnalysisState>();
    RecordingHost Host;
    TraceFormatCode Format = kFormatUnknown;
};

std::unique_ptr<CaptureRead> ReadCapture(const std::string& name)
{
    auto read = std::make_unique<CaptureRead>();
    read->Format = DetectAndRead(*read->State, (kCaptures / name).string(), read->Host);
    return read;
}

std::unique_ptr<CaptureRead> ReadOffice(const std::string& extension) { return ReadCapture("office-a" + extension); }

// Whole-trace figures that no length rule touches.
void ExpectSameTraffic(const AnalysisState& a, const AnalysisState& b)
{
    EXPECT_EQ(a.TotalFrames, b.TotalFrames);
    EXPECT_EQ(a.StationCount, b.StationCount);
    EXPECT_EQ(a.SourceStationCount, b.SourceStationCount);
    EXPECT_EQ(a.IPHostCount, b.IPHostCount);
    EXPECT_EQ(a.IPSenderCount, b.IPSenderCount);
    EXPECT_EQ(a.IPXHostCount, b.IPXHostCount);
    EXPECT_EQ(a.IPXSenderCount, b.IPXSenderCount);
    for (int k : {6, 7, 8, 10, 11, 12, 13}) EXPECT_EQ(a.FrameStats[k], b.FrameStats[k]) << "FrameStats " << k;
    for (int f = 0; f < kFamilyCount; ++f) {
        EXPECT_EQ(a.ProtocolStats[f].Frames, b.ProtocolStats[f].Frames) << "family " << f;
        EXPECT_EQ(a.ProtocolStats[f].GroupFrames, b.ProtocolStats[f].GroupFrames) << "family " << f;
        EXPECT_EQ(a.ProtocolStats[f].EncapsSet, b.ProtocolStats[f].EncapsSet) << "family " << f;
    }
    EXPECT_EQ(a.PacketList.size(), b.PacketList.size());
    EXPECT_EQ(a.Names.size(), b.Names.size());
}

// Every station and host with the same frames, protocols and encapsulations;
// their bytes too when the formats count lengths alike.
void ExpectSameStationsAndHosts(const AnalysisState& a, const AnalysisState& b, bool sameBytes)
{
    ASSERT_EQ(a.Stations.size(), b.Stations.size());
    for (auto x = a.Stations.begin(), y = b.Stations.begin(); x != a.Stations.end(); ++x, ++y) {
        ASSERT_EQ(x->second.Address, y->second.Address);
        EXPECT_EQ(x->second.FramesSent, y->second.FramesSent);
        EXPECT_EQ(x->second.FramesReceived, y->second.FramesReceived);
        EXPECT_EQ(x->second.GroupFramesSent, y->second.GroupFramesSent);
        EXPECT_EQ(x->second.Families, y->second.Families);
        EXPECT_EQ(x->second.Encapsulations, y->second.Encapsulations);
        if (sameBytes) {
            EXPECT_EQ(x->second.BytesSent, y->second.BytesSent);
        }
    }
    ASSERT_EQ(a.NetworkNodes.size(), b.NetworkNodes.size());
    for (auto x = a.NetworkNodes.begin(), y = b.NetworkNodes.begin(); x != a.NetworkNodes.end(); ++x, ++y) {
        ASSERT_EQ(x->second.Address, y->second.Address);
        EXPECT_EQ(x->second.FramesSent, y->second.FramesSent);
        EXPECT_EQ(x->second.FramesReceived, y->second.FramesReceived);
        EXPECT_EQ(x->second.Protocols, y->second.Protocols);
        if (sameBytes) {
            EXPECT_EQ(x->second.BytesSent, y->second.BytesSent);
        }
    }
}

class OfficeCaptures : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"office-a.enc", "office-a.cap", "office-a.tr1", "office-a.pcap"})
            if (!std::filesystem::exists(kCaptures / name)) GTEST_SKIP() << "real capture not found: " << kCaptures / name;
        sniffer = ReadOffice(".enc");
        ASSERT_EQ(sniffer->Format, kFormatSniffer);
        ASSERT_EQ(sniffer->State->TotalFrames, kOfficeFrames);
        lengths = PcapFrameLengths(kCaptures / "office-a.pcap");
        ASSERT_EQ(lengths.size(), static_cast<std::size_t>(kOfficeFrames));
    }
    // The office capture in the format of extension: taken for that format, and read
    // whole, on Ethernet, without a message.
    static std::unique_ptr<CaptureRead> ReadOfficeWhole(const std::string& extension, TraceFormatCode format)
    {
        auto read = ReadOffice(extension);
        EXPECT_EQ(read->Format, format);
        EXPECT_EQ(read->State->Topology, kTopologyEthernet);
        EXPECT_EQ(read->State->TotalFrames, kOfficeFrames);
        EXPECT_EQ(read->State->Read.ReadResult, 0);
        EXPECT_TRUE(read->Host.Messages.empty());
        return read;
    }

    std::unique_ptr<CaptureRead> sniffer;
    std::vector<uint32_t> lengths;
};

TEST_F(OfficeCaptures, NetworkMonitorRaisesShortFramesTo64)
{
    const auto netmon = ReadOfficeWhole(".cap", kFormatNetworkMonitor);
    const AnalysisState& s = *netmon->State;

    // Every frame counts its FCS, and frames below 64 bytes count 64.
    int64_t bytes = 0;
    int raised = 0;
    for (uint32_t length : lengths) {
        bytes += std::max<int64_t>(length + 4, 64);
        raised += length + 4 < 64 ? 1 : 0;
    }
    EXPECT_GT(raised, 0);  // the 42-byte ARP frames
    EXPECT_DOUBLE_EQ(s.TotalBytes, static_cast<double>(bytes));
    EXPECT_DOUBLE_EQ(sniffer->State->TotalBytes, static_cast<double>(kOfficeBytesWithFcs));
    EXPECT_EQ(s.FrameStats[kStatSmallestFrame], 64);  // the smallest frame
    EXPECT_EQ(sniffer->State->FrameStats[kStatSmallestFrame], 46);
    EXPECT_EQ(s.FrameStats[kStatLargestFrame], sniffer->State->FrameStats[kStatLargestFrame]);

    ExpectSameTraffic(*sniffer->State, s);
    // Station and host bytes differ by the padding of the short frames only, so
    // frames, protocols and encapsulations are compared without them.
    ExpectSameStationsAndHosts(*sniffer->State, s, false);
    // The Sniffer read counts the 46-byte frames as runts; raised to 64 they are none.
    EXPECT_GT(sniffer->State->FrameStats[kStatRunts], 0);
    EXPECT_EQ(s.FrameStats[kStatRunts], 0);
}

TEST_F(OfficeCaptures, LANalyzerCountsTheWireLengthWithFcs)
{
    const auto lanalyzer = ReadOfficeWhole(".tr1", kFormatLANalyzer);
    const AnalysisState& s = *lanalyzer->State;

    int64_t bytes = 0;
    for (uint32_t length : lengths) bytes += length + 4;
    EXPECT_EQ(bytes, kOfficeBytesWithFcs);
    EXPECT_DOUBLE_EQ(s.TotalBytes, static_cast<double>(kOfficeBytesWithFcs));
    EXPECT_EQ(s.FrameStats[kStatSmallestFrame], sniffer->State->FrameStats[kStatSmallestFrame]);
    EXPECT_EQ(s.FrameStats[kStatLargestFrame], sniffer->State->FrameStats[kStatLargestFrame]);
    // Same lengths, so the same short frames count as runts.
    EXPECT_EQ(s.FrameStats[kStatRunts], sniffer->State->FrameStats[kStatRunts]);

    ExpectSameTraffic(*sniffer->State, s);
    ExpectSameStationsAndHosts(*sniffer->State, s, true);
}

// The report's sections from the frame statistics up to the client/server table,
// which alone holds figures of time stamps (the Sniffer copy keeps them in a unit
// of its own, so response times may differ in their last digit).
std::string ReportSections(const std::string& path)
{
    const reporttest::ReportRun run = reporttest::RunReportWith({"--json", path});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::size_t begin = run.Out.find("\"FrameStatistics\"");
    return run.Out.substr(begin, run.Out.find("\"ClientServer\"") - begin);
}

TEST_F(OfficeCaptures, PcapAndPcapngCopiesGiveTheSnifferAnalysis)
{
    TempDir dir;
    std::vector<std::string> paths = {(kCaptures / "office-a.pcap").string()};
    const std::vector<PcapFrame> frames = ReadPcapFrames(paths.front());
    for (bool big : {false, true}) {  // nanosecond time stamps in both byte orders
        PcapNgSection section;
        section.BigEndian = big;
        section.Interfaces[0].TimeResolution = 9;
        for (const PcapFrame& frame : frames)
            section.Packets.push_back({frame.Bytes, static_cast<uint64_t>(std::llround(frame.Microseconds)) * 1000,
                                       frame.WireLength});
        paths.push_back(dir.Path(big ? "big.pcapng" : "little.pcapng"));
        BuildPcapNgTrace({section}).Image.Save(paths.back());
    }
    const AnalysisState& s = *sniffer->State;
    const std::string sections = ReportSections((kCaptures / "office-a.enc").string());
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const auto read = ReadCapture(path);
        const AnalysisState& p = *read->State;
        EXPECT_EQ(p.Read.ReadResult, 0);
        EXPECT_TRUE(read->Host.Messages.empty());
        EXPECT_DOUBLE_EQ(p.TotalBytes, static_cast<double>(kOfficeBytesWithFcs));
        EXPECT_EQ(p.FrameStats, s.FrameStats);
        ExpectSameTraffic(s, p);
        ExpectSameStationsAndHosts(s, p, true);
        EXPECT_EQ(ReportSections(path), sections);
        // The conversations hold the same packets, stamped with the capture's own times.
        ASSERT_EQ(p.ObjectList.Count(), s.ObjectList.Count());
        ASSERT_EQ(p.PacketList.size(), s.PacketList.size());
        const double origin = p.PacketList[0].Time - frames[p.PacketList[0].FrameNo - 1].Microseconds;
        for (std::size_t i = 0; i < p.PacketList.size(); ++i) {
            const TPacket& x = p.PacketList[i];
            ASSERT_EQ(x.FrameNo, s.PacketList[i].FrameNo) << "packet " << i;
            EXPECT_EQ(x.NextPacket, s.PacketList[i].NextPacket) << "packet " << i;
            EXPECT_EQ(x.Length, s.PacketList[i].Length) << "packet " << i;
            EXPECT_EQ(x.Seq, s.PacketList[i].Seq) << "packet " << i;
            EXPECT_NEAR(x.Time - origin, frames[x.FrameNo - 1].Microseconds, 0.01) << "packet " << i;
        }
    }
}

TEST_F(OfficeCaptures, CaptureStartsAgree)
{
    // The Network Monitor and LANalyzer headers both carry the capture start; a pcap
    // file's is the time of its first frame.
    const auto netmon = ReadOffice(".cap");
    const auto lanalyzer = ReadOffice(".tr1");
    EXPECT_EQ(netmon->State->Read.TraceStartDate, lanalyzer->State->Read.TraceStartDate);
    EXPECT_EQ(ReadOffice(".pcap")->State->Read.TraceStartDate, netmon->State->Read.TraceStartDate);
    EXPECT_EQ(static_cast<uint32_t>(netmon->State->Read.TraceStartDate) >> 16, (2026u - 1980u) << 9 | 12u << 5 | 8u);
}

TEST_F(OfficeCaptures, TruncatedCopiesKeepTheirWholeFrames)
{
    TempDir dir;
    for (const char* extension : {".cap", ".tr1"}) {
        SCOPED_TRACE(extension);
        const std::string source = (kCaptures / ("office-a" + std::string(extension))).string();
        const std::string cut = dir.Path(std::string("cut") + extension);
        WritePrefix(source, cut, 250000);
        auto state = std::make_unique<AnalysisState>();
        RecordingHost host;
        DetectAndRead(*state, cut, host);
        EXPECT_GT(state->TotalFrames, 300);
        EXPECT_LT(state->TotalFrames, kOfficeFrames);
        // The read ends early at the cut, and says so.
        EXPECT_NE(state->Read.ReadResult, 0);
        EXPECT_EQ(host.Texts(), std::vector<std::string>{"Damaged frame record encountered.  Data may be unreliable."});
    }
}

// The regression-suite mixture: IPX, LLC and SNAP frames, some of them malformed.
TEST(ZooCaptures, NetworkMonitorAndLANalyzerAgreeWithTheSnifferRead)
{
    for (const char* name : {"zoo-a.enc", "zoo-a.cap", "zoo-a.tr1"})
        if (!std::filesystem::exists(kCaptures / name)) GTEST_SKIP() << "real capture not found: " << kCaptures / name;
    const auto sniffer = ReadCapture("zoo-a.enc");
    ASSERT_EQ(sniffer->State->TotalFrames, 262);
    for (const char* name : {"zoo-a.cap", "zoo-a.tr1"}) {
        SCOPED_TRACE(name);
        const auto read = ReadCapture(name);
        EXPECT_EQ(read->State->Read.ReadResult, 0);
        EXPECT_TRUE(read->Host.Messages.empty());
        ExpectSameTraffic(*sniffer->State, *read->State);
        // Network Monitor pads short frames to 64 bytes, so only LANalyzer bytes match.
        ExpectSameStationsAndHosts(*sniffer->State, *read->State, std::string(name) == "zoo-a.tr1");
    }
}

}  // namespace
}  // namespace quenlix::testing
