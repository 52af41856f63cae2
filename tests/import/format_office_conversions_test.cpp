// The real capture office-a, written into each of the analyser formats that no
// independent tool writes (from the original pcap file, with each format's own time
// resolution), must read back as the same trace: the frame count and byte total of
// the capture's README, and the same stations, hosts, protocols, encapsulations and
// sizes as the Sniffer copy that an independent tool wrote.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "AdvisorWriter.h"
#include "DA30Writer.h"
#include "DataGLANceWriter.h"
#include "FireBerdWriter.h"
#include "LAN900Writer.h"
#include "LANWatchWriter.h"
#include "NetSightWriter.h"
#include "PcapFrames.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

const std::filesystem::path kCaptures = std::filesystem::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";

// The capture's frames with times in microseconds from its first frame.
struct Capture {
    std::vector<PcapFrame> Frames;
    double Relative(std::size_t i) const { return Frames[i].Microseconds - Frames[0].Microseconds; }
    // The engine's elapsed time: one frame of the capture is stamped 28 us before its
    // predecessor, and such a small step back counts as time that passed.
    double Elapsed() const
    {
        double elapsed = 0;
        for (std::size_t i = 1; i < Frames.size(); ++i) elapsed += std::abs(Relative(i) - Relative(i - 1));
        return elapsed;
    }
};

std::vector<uint8_t> WithFcs(std::vector<uint8_t> bytes)
{
    bytes.resize(bytes.size() + 4, 0);
    return bytes;
}

// A time as BIOS ticks and interval-timer counts, the clock of the DOS-era analysers.
struct PcClock {
    uint32_t Ticks;
    double Counts;
};

PcClock ToPcClock(double microseconds)
{
    const auto ticks = static_cast<uint32_t>(std::floor(microseconds / kTickMicroseconds));
    return {ticks, (microseconds - ticks * kTickMicroseconds) / kTimerCountMicroseconds};
}

TraceImage AsDA30(const Capture& c)
{
    std::vector<DA30Frame> frames;
    for (std::size_t i = 0; i < c.Frames.size(); ++i)
        frames.push_back({static_cast<uint32_t>(std::lround(c.Relative(i) / 32.0)), 0, WithFcs(c.Frames[i].Bytes)});
    return BuildDA30Trace({}, frames);
}

TraceImage AsDataGLANce(const Capture& c)
{
    std::vector<DataGLANceFrame> frames;
    for (std::size_t i = 0; i < c.Frames.size(); ++i) {
        const auto counts = static_cast<uint64_t>(std::llround(c.Relative(i) / kTimerCountMicroseconds));
        DataGLANceFrame frame{WithFcs(c.Frames[i].Bytes)};
        frame.Kind = 0x20;  // the time is an interval-timer count
        frame.T6 = static_cast<uint16_t>(counts >> 32);
        frame.T10 = static_cast<uint16_t>(counts >> 16);
        frame.T8 = static_cast<uint16_t>(counts);
        frames.push_back(frame);
    }
    return BuildDataGLANceTrace({}, frames);
}

TraceImage AsFireBerd(const Capture& c, bool netLens)
{
    std::vector<FireBerdFrame> frames;
    for (std::size_t i = 0; i < c.Frames.size(); ++i)
        frames.push_back({c.Frames[i].Bytes, static_cast<uint32_t>(std::lround(c.Relative(i) / 1000.0))});
    FireBerdOptions options;
    options.NetLens = netLens;
    return BuildFireBerdTrace(options, frames);
}

TraceImage AsAdvisor(const Capture& c)
{
    std::vector<AdvisorFrame> frames;
    for (std::size_t i = 0; i < c.Frames.size(); ++i) {
        AdvisorFrame frame;
        frame.Bytes = WithFcs(c.Frames[i].Bytes);
        frame.Seconds = static_cast<int32_t>(std::floor(c.Relative(i) / 1e6));
        frame.Nanoseconds = static_cast<int32_t>(std::lround((c.Relative(i) - frame.Seconds * 1e6) * 1000.0));
        frames.push_back(frame);
    }
    return BuildAdvisorTrace({}, frames);
}

TraceImage AsLAN900(const Capture& c)
{
    std::vector<LAN900Block> blocks(1);
    std::size_t used = 0;
    for (std::size_t i = 0; i < c.Frames.size(); ++i) {
        const PcClock clock = ToPcClock(c.Relative(i));
        LAN900Record record;
        record.Bytes = c.Frames[i].Bytes;
        record.Ticks = clock.Ticks;
        record.TimerCount = static_cast<uint16_t>(std::min(std::lround(clock.Counts), 65535L));
        const std::size_t size = kLAN900RecordHeaderBytes + 2 + record.Bytes.size();
        if (used + size > kLAN900BlockBytes) {
            blocks.emplace_back();
            used = 0;
        }
        blocks.back().Records.push_back(record);
        used += size;
    }
    return BuildLAN900Trace({}, blocks);
}

TraceImage AsLANWatch(const Capture& c)
{
    std::vector<LANWatchRecord> records;
    for (std::size_t i = 0; i < c.Frames.size(); ++i) {
        const PcClock clock = ToPcClock(c.Relative(i));
        LANWatchRecord record;
        record.Bytes = c.Frames[i].Bytes;
        record.Ticks = clock.Ticks;
        record.TimerCount = static_cast<uint16_t>(std::min(std::lround(clock.Counts), 65535L));
        records.push_back(record);
    }
    return BuildLANWatchTrace({}, records);
}

TraceImage AsNetSight(const Capture& c)
{
    std::vector<NetSightFrame> frames;
    for (std::size_t i = 0; i < c.Frames.size(); ++i) {
        const PcClock clock = ToPcClock(c.Relative(i));
        const auto steps = static_cast<uint32_t>(std::min(std::lround(clock.Counts / 32.0), 2047L));
        frames.push_back({c.Frames[i].Bytes, clock.Ticks << 11 | steps});
    }
    return BuildNetSightTrace({}, frames);
}

struct Conversion {
    const char* Name;
    const char* FileName;
    TraceFormatCode Format;
    double ResolutionMicroseconds;  // of the format's time stamps
    std::function<TraceImage(const Capture&)> Build;
};

const std::vector<Conversion> kConversions = {
    {"DA-30", "office-a.an1", kFormatDA30, 32.0, AsDA30},
    {"DataGLANce", "office-a.dgc", kFormatDataGLANce, 1.0, AsDataGLANce},
    {"FireBerd 500", "office-a.fb", kFormatFireBerd500, 1000.0, [](const Capture& c) { return AsFireBerd(c, false); }},
    {"NetLens", "office-a.s04", kFormatNetLens, 1000.0, [](const Capture& c) { return AsFireBerd(c, true); }},
    {"Internetwork Advisor", "office-a.iwa", kFormatInternetworkAdvisor, 1.0, AsAdvisor},
    {"LAN900", "office-a.dat", kFormatLAN900, 1.0, AsLAN900},
    {"LANWatch", "office-a.lwt", kFormatLANWatch, 1.0, AsLANWatch},
    {"LANDesk/NetSight", "office-a.cap", kFormatNetSight, 27.0, AsNetSight},
};

class OfficeConversions : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!std::filesystem::exists(kCaptures / "office-a.pcap") ||
            !std::filesystem::exists(kCaptures / "office-a.enc"))
            return;
        capture_ = new Capture{ReadPcapFrames((kCaptures / "office-a.pcap").string())};
        sniffer_ = new AnalysisState;
        RecordingHost host;
        DetectAndRead(*sniffer_, (kCaptures / "office-a.enc").string(), host);
    }
    static void TearDownTestSuite()
    {
        delete capture_;
        delete sniffer_;
        capture_ = nullptr;
        sniffer_ = nullptr;
    }
    void SetUp() override
    {
        if (capture_ == nullptr) GTEST_SKIP() << "the real captures are not at " << kCaptures.string();
    }

    static Capture* capture_;
    static AnalysisState* sniffer_;
    TempDir dir;
};

Capture* OfficeConversions::capture_ = nullptr;
AnalysisState* OfficeConversions::sniffer_ = nullptr;

TEST_F(OfficeConversions, EveryFormatReadsTheSameTrace)
{
    ASSERT_EQ(capture_->Frames.size(), 851u);
    ASSERT_EQ(sniffer_->TotalFrames, 851);
    const double elapsed = capture_->Elapsed();

    for (const Conversion& conversion : kConversions) {
        SCOPED_TRACE(conversion.Name);
        const std::string path = dir.Path(conversion.FileName);
        conversion.Build(*capture_).Save(path);
        RecordingHost host;
        AnalysisState state;
        ASSERT_EQ(DetectTraceFormat(state, path, host).Code, conversion.Format);
        state.Read.TraceFileName = path;
        state.Read.TraceFormat = conversion.Format;
        state.Topology = kTopologyEthernet;
        ReadTraceFile(state, false, host);

        EXPECT_TRUE(host.Messages.empty());
        EXPECT_EQ(state.Read.ReadResult, 0);
        EXPECT_EQ(state.TotalFrames, 851);
        EXPECT_EQ(state.TotalBytes, 500874.0);  // the README's total with the FCS counted
        // Rounding to the format's clock may move each stamp by half its resolution.
        EXPECT_NEAR(state.ElapsedTime, elapsed, 2 * conversion.ResolutionMicroseconds);

        EXPECT_EQ(state.FrameStats, sniffer_->FrameStats);
        EXPECT_EQ(state.SizeDistribution, sniffer_->SizeDistribution);
        EXPECT_EQ(state.StationCount, sniffer_->StationCount);
        EXPECT_EQ(state.SourceStationCount, sniffer_->SourceStationCount);
        EXPECT_EQ(state.IPHostCount, sniffer_->IPHostCount);
        EXPECT_EQ(state.IPSenderCount, sniffer_->IPSenderCount);
        EXPECT_EQ(state.PacketList.size(), sniffer_->PacketList.size());
        for (std::size_t family = 0; family < state.ProtocolStats.size(); ++family) {
            SCOPED_TRACE(family);
            EXPECT_EQ(state.ProtocolStats[family].Frames, sniffer_->ProtocolStats[family].Frames);
            EXPECT_EQ(state.ProtocolStats[family].Bytes, sniffer_->ProtocolStats[family].Bytes);
            EXPECT_EQ(state.ProtocolStats[family].EncapsSet, sniffer_->ProtocolStats[family].EncapsSet);
        }
    }
}

}  // namespace
}  // namespace quenlix::testing
