// Exporting a trace as pcapng: the same traffic written by the test writer of each
// of the fourteen analyser formats, exported and read back, gives the analysis of
// the original; the command line's --export with its frame range, conversation,
// refusals and partial reads.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <set>

#include "AdvisorWriter.h"
#include "DA30Writer.h"
#include "DataGLANceWriter.h"
#include "EtherPeekWriter.h"
#include "FireBerdWriter.h"
#include "LAN900Writer.h"
#include "LANWatchWriter.h"
#include "LANalyzerWriter.h"
#include "LANdecoderWriter.h"
#include "NetMonWriter.h"
#include "NetSightWriter.h"
#include "ObserverWriter.h"
#include "FrameCapture.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/PcapngWriter.h"
#include "import/TraceExport.h"
#include "import/TraceImport.h"
#include "report/StateDump.h"
#include "report_json.h"
#include "report_support.h"

namespace quenlix::reporttest {
namespace {

// One frame of the shared traffic: microseconds from the capture start, the
// bytes without the FCS, and whether the FCS was bad.
struct TrafficFrame {
    uint64_t Micros = 0;
    tb::Bytes Bytes;
    bool BadFcs = false;
};

std::vector<TrafficFrame> Traffic()
{
    std::vector<TrafficFrame> frames;
    for (const tb::SnifferFrame& frame : MixedEthernetFrames())
        frames.push_back({frame.TimeCount, frame.Bytes, (frame.Status & 0x80) != 0});
    return frames;
}

tb::Bytes WithFcs(tb::Bytes bytes)
{
    bytes.resize(bytes.size() + 4, 0);
    return bytes;
}

// A time as BIOS ticks and interval-timer counts, the clock of the DOS-era analysers.
struct PcClock {
    uint32_t Ticks;
    uint16_t Counts;
};

PcClock ToPcClock(uint64_t micros)
{
    const auto ticks = static_cast<uint32_t>(std::floor(static_cast<double>(micros) / kTickMicroseconds));
    const double rest = static_cast<double>(micros) - ticks * kTickMicroseconds;
    return {ticks, static_cast<uint16_t>(rest / kTimerCountMicroseconds)};
}

constexpr int32_t kStartSeconds = 1'735'732'800;  // 1 January 2025, 12:00:00
constexpr uint64_t kSeconds1904To1970Micros = tb::kSeconds1904To1970 * 1'000'000;

// Writes the traffic as a trace of one format.
using TraceWrite = std::function<void(const std::string& path, const std::vector<TrafficFrame>& frames)>;

template <class Frame, class Make>
std::vector<Frame> Each(const std::vector<TrafficFrame>& frames, Make make)
{
    std::vector<Frame> out;
    for (const TrafficFrame& frame : frames) out.push_back(make(frame));
    return out;
}

struct FormatCase {
    const char* Name;
    const char* Extension;  // the one detection looks for
    TraceWrite Write;
};

const std::vector<FormatCase>& FormatCases()
{
    static const std::vector<FormatCase> cases = {
        {"Sniffer", "enc",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::WriteSnifferFile(path, {}, Each<tb::SnifferFrame>(frames, [](const TrafficFrame& f) {
                                      return FrameAt(f.Micros, f.Bytes, f.BadFcs ? 0x80 : 0);
                                  }));
         }},
        {"LANalyzer", "tr1",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildLANalyzerTrace({}, Each<tb::LANalyzerFrame>(frames, [](const TrafficFrame& f) {
                 return tb::LANalyzerFrame{f.Micros * 2, f.Bytes, -1, static_cast<uint16_t>(f.BadFcs ? 1 : 0)};
             })).Save(path);
         }},
        {"NetSight", "cap",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildNetSightTrace({}, Each<tb::NetSightFrame>(frames, [](const TrafficFrame& f) {
                 const PcClock clock = ToPcClock(f.Micros);
                 return tb::NetSightFrame{f.Bytes, clock.Ticks << 11 | clock.Counts / 32u,
                                          static_cast<uint16_t>(f.BadFcs ? 0x0400 : 0)};
             })).Save(path);
         }},
        {"DA-30", "an1",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildDA30Trace({}, Each<tb::DA30Frame>(frames, [](const TrafficFrame& f) {
                 return tb::DA30Frame{static_cast<uint32_t>(f.Micros / 32), f.BadFcs ? 0x08u : 0u, WithFcs(f.Bytes)};
             })).Save(path);
         }},
        {"LANdecoder", "enf",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildLANdecoderTrace({}, Each<tb::LANdecoderFrame>(frames, [](const TrafficFrame& f) {
                 const PcClock clock = ToPcClock(f.Micros);
                 tb::LANdecoderFrame frame{static_cast<uint16_t>(clock.Ticks >> 16), static_cast<uint16_t>(clock.Ticks),
                                           static_cast<uint16_t>(~clock.Counts), WithFcs(f.Bytes)};
                 frame.Flags = f.BadFcs ? 0x0002 : 0;
                 return frame;
             })).Save(path);
         }},
        {"LANWatch", "ftp",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildLANWatchTrace({}, Each<tb::LANWatchRecord>(frames, [](const TrafficFrame& f) {
                 const PcClock clock = ToPcClock(f.Micros);
                 return tb::LANWatchRecord{f.Bytes, 0, static_cast<uint16_t>(f.BadFcs ? 0x0002 : 0), clock.Ticks,
                                           clock.Counts};
             })).Save(path);
         }},
        {"Internetwork Advisor", "eth",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildAdvisorTrace({kStartSeconds, 1}, Each<tb::AdvisorFrame>(frames, [](const TrafficFrame& f) {
                 tb::AdvisorFrame frame{WithFcs(f.Bytes)};
                 frame.Status = f.BadFcs ? 0x08 : 0;
                 frame.Seconds = kStartSeconds + static_cast<int32_t>(f.Micros / 1'000'000);
                 frame.Nanoseconds = static_cast<int32_t>(f.Micros % 1'000'000) * 1000;
                 return frame;
             })).Save(path);
         }},
        {"DataGLANce", "dgc",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildDataGLANceTrace({}, Each<tb::DataGLANceFrame>(frames, [](const TrafficFrame& f) {
                 tb::DataGLANceFrame frame{WithFcs(f.Bytes)};
                 const auto counts = static_cast<uint64_t>(static_cast<double>(f.Micros) / kTimerCountMicroseconds);
                 frame.Kind = 0x20;  // the time is an interval-timer count
                 frame.Status = f.BadFcs ? 0x02 : 0;
                 frame.T8 = static_cast<uint16_t>(counts);
                 frame.T10 = static_cast<uint16_t>(counts >> 16);
                 return frame;
             })).Save(path);
         }},
        {"NetLens", "S04",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::FireBerdOptions options;
             options.NetLens = true;
             tb::BuildFireBerdTrace(options, Each<tb::FireBerdFrame>(frames, [](const TrafficFrame& f) {
                 return tb::FireBerdFrame{f.Bytes, static_cast<uint32_t>(f.Micros / 1000),
                                          static_cast<uint16_t>(f.BadFcs ? 0x0800 : 0)};
             })).Save(path);
         }},
        {"FireBerd 500", "pkt",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildFireBerdTrace({}, Each<tb::FireBerdFrame>(frames, [](const TrafficFrame& f) {
                 return tb::FireBerdFrame{f.Bytes, static_cast<uint32_t>(f.Micros / 1000),
                                          static_cast<uint16_t>(f.BadFcs ? 0x0800 : 0)};
             })).Save(path);
         }},
        {"Network Monitor", "cap",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildNetMonTrace({}, Each<tb::NetMonFrame>(frames, [](const TrafficFrame& f) {
                 return tb::NetMonFrame{static_cast<int32_t>(f.Micros / 1000), f.Bytes};
             })).Save(path);
         }},
        {"LAN900", "dat",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::LAN900Block block;
             block.Records = Each<tb::LAN900Record>(frames, [](const TrafficFrame& f) {
                 const PcClock clock = ToPcClock(f.Micros);
                 tb::LAN900Record record{f.Bytes};
                 record.Status = f.BadFcs ? 0x01 : 0;
                 record.Ticks = clock.Ticks;
                 record.TimerCount = clock.Counts;
                 return record;
             });
             tb::BuildLAN900Trace({}, {block}).Save(path);
         }},
        {"Observer", "bfr",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildObserverTrace({}, Each<tb::ObserverPacket>(frames, [](const TrafficFrame& f) {
                 tb::ObserverPacket packet{static_cast<uint32_t>(f.Micros / 1000), f.Bytes};
                 packet.ErrorFlags = f.BadFcs ? 0x02 : 0;
                 return packet;
             })).Save(path);
         }},
        {"EtherPeek", "pkt",
         [](const std::string& path, const std::vector<TrafficFrame>& frames) {
             tb::BuildEtherPeekTrace({}, Each<tb::EtherPeekPacket>(frames, [](const TrafficFrame& f) {
                 tb::EtherPeekPacket packet;
                 packet.TimeStamp = kSeconds1904To1970Micros + kStartSeconds * 1'000'000ull + f.Micros;
                 packet.Bytes = WithFcs(f.Bytes);
                 packet.Flags = f.BadFcs ? 0x02 : 0;
                 return packet;
             })).Save(path);
         }},
    };
    return cases;
}

// The dump's fields that tell of the file and its format rather than of the
// traffic: which file, its size and date, the format's clock and the origin of
// its frame times (only differences of frame times mean anything).
const std::set<std::string, std::less<>> kFormatFields = {
    "TraceFileName", "TraceFileSize", "TraceFormat", "TraceStartDate", "CaptureTimeClock", "FrameTimeOrigin",
    "FirstFrameTime", "LastFrameTime", "TokenRingSizeHasFCS",
};

std::string DumpOf(const std::string& path)
{
    auto state = std::make_unique<AnalysisState>();
    tb::RecordingHost host;
    EXPECT_EQ(OpenTraceFile(*state, path, host), OpenOutcome::Read) << path;
    for (const auto& message : host.Messages) ADD_FAILURE() << path << ": " << message.Text;
    return StateDumpJson(*state, {true});
}

// Two dumps side by side: the exported one keeps the frame times to the
// resolution of the format (a nanosecond at the finest) and from another origin,
// so times count from each dump's first frame and numbers agree within that step.
struct DumpPair {
    double OriginalStart = 0;
    double ExportedStart = 0;

    static constexpr double kTolerance = 0.002;  // microseconds

    void Expect(const JsonValue& original, const JsonValue& exported, const std::string& where) const
    {
        ASSERT_EQ(original.Type, exported.Type) << where;
        switch (original.Type) {
        case JsonValue::Kind::Object:
            ASSERT_EQ(original.Keys(), exported.Keys()) << where;
            for (const JsonField& field : original.Fields)
                if (!kFormatFields.contains(field.first))
                    Expect(field.second, exported[field.first], where + "." + field.first);
            break;
        case JsonValue::Kind::Array:
            ASSERT_EQ(original.Size(), exported.Size()) << where;
            for (size_t i = 0; i < original.Size(); ++i)
                Expect(original[i], exported[i], where + "[" + std::to_string(i) + "]");
            break;
        case JsonValue::Kind::Number: {
            // A packet's Time is the one frame time the dump gives as read.
            const bool frameTime = where.ends_with(".Time");
            const double want = original.Number - (frameTime ? OriginalStart : 0);
            const double got = exported.Number - (frameTime ? ExportedStart : 0);
            EXPECT_NEAR(got, want, kTolerance) << where;
            break;
        }
        default: EXPECT_EQ(original.Text, exported.Text) << where; break;
        }
    }
};

void ExpectSameDump(const std::string& original, const std::string& exported)
{
    const JsonValue a = JsonParser::Parse(original);
    const JsonValue b = JsonParser::Parse(exported);
    const DumpPair pair{a["FirstFrameTime"].Number, b["FirstFrameTime"].Number};
    pair.Expect(a, b, "state");
}

class TraceExporting : public ::testing::Test {
protected:
    ExportOutcome Export(const std::string& trace, bool force = false)
    {
        ExportRequest request;
        request.TraceFileName = trace;
        request.OutputPath = output;
        request.Force = force;
        SilentHost host;
        return ExportTrace(request, host);
    }

    TempFolder folder;
    std::string output = folder.File("out.pcapng");
};

TEST_F(TraceExporting, EveryFormatReadsBackAsTheSameAnalysis)
{
    const std::vector<TrafficFrame> traffic = Traffic();
    for (const FormatCase& c : FormatCases()) {
        SCOPED_TRACE(c.Name);
        const std::string trace = folder.File(std::string("trace.") + c.Extension);
        c.Write(trace, traffic);
        const ExportOutcome outcome = Export(trace, true);
        ASSERT_TRUE(outcome.Ok()) << outcome.Error;
        EXPECT_EQ(outcome.FramesWritten, static_cast<int64_t>(traffic.size()));
        EXPECT_FALSE(outcome.Partial);
        AnalysisState probe;
        SilentHost host;
        EXPECT_EQ(DetectTraceFormat(probe, output, host).Code, kFormatPcapNG);  // whatever analyser it names
        ExpectSameDump(DumpOf(trace), DumpOf(output));
    }
}

// The frames of a trace as its reader delivers them.
tb::CapturedRead Frames(const std::string& path, TraceFormatCode format)
{
    tb::CaptureOptions options;
    options.Format = format;
    SilentHost host;
    return tb::CaptureFrames(path, options, host);
}

// The exported frames are those of the trace at `indexes`, with their stored
// bytes and the times between them.
void ExpectExportedFrames(const std::string& trace, const std::string& exported, TraceFormatCode format,
                          const std::vector<size_t>& indexes)
{
    const tb::CapturedRead original = Frames(trace, format);
    const tb::CapturedRead got = Frames(exported, kFormatPcapNG);
    ASSERT_EQ(got.Frames.size(), indexes.size());
    for (size_t k = 0; k < indexes.size(); ++k) {
        const tb::CapturedFrame& want = original.Frames.at(indexes[k]);
        EXPECT_EQ(got.Frames[k].Bytes, want.Bytes) << "frame " << k;
        EXPECT_EQ(got.Frames[k].FrameSize, want.FrameSize) << "frame " << k;
        EXPECT_EQ(got.Frames[k].BadFCS, want.BadFCS) << "frame " << k;
        const double step = want.Time - original.Frames.at(indexes[0]).Time;
        EXPECT_NEAR(got.Frames[k].Time - got.Frames[0].Time, step, 0.001) << "frame " << k;
    }
}

std::vector<size_t> Range(size_t first, size_t last)
{
    std::vector<size_t> indexes;
    for (size_t i = first; i <= last; ++i) indexes.push_back(i);
    return indexes;
}

TEST_F(TraceExporting, TimesGoingBackOrJumpingYearsAreExportedAsRead)
{
    const uint64_t start = kSeconds1904To1970Micros + kStartSeconds * 1'000'000ull;
    const uint64_t tenYears = 3652ull * 86400 * 1'000'000;
    std::vector<tb::EtherPeekPacket> packets(3);
    const uint64_t stamps[] = {start, start + tenYears, start - 5'000'000};
    for (size_t i = 0; i < packets.size(); ++i) {
        packets[i].TimeStamp = stamps[i];
        packets[i].Bytes = WithFcs(tb::Padded(tb::EthernetII(tb::MacOf(1), tb::MacOf(2), 0x0800, {})));
    }
    const std::string trace = folder.File("jumps.pkt");
    tb::BuildEtherPeekTrace({}, packets).Save(trace);
    ASSERT_TRUE(Export(trace).Ok());
    ExpectExportedFrames(trace, output, kFormatEtherPeek, Range(0, 2));
}

// The captured and original lengths of every enhanced packet block of a
// little-endian pcapng file.
std::vector<std::pair<uint32_t, uint32_t>> PacketLengths(const std::string& path)
{
    const std::vector<uint8_t> file = tb::ReadBytes(path);
    const auto word = [&file](size_t at) {
        return static_cast<uint32_t>(file.at(at) | file.at(at + 1) << 8 | file.at(at + 2) << 16 | file.at(at + 3) << 24);
    };
    std::vector<std::pair<uint32_t, uint32_t>> lengths;
    for (size_t at = 0; at + 8 <= file.size() && word(at + 4) >= 12; at += word(at + 4))
        if (word(at) == 6) lengths.emplace_back(word(at + 20), word(at + 24));
    return lengths;
}

// A frame longer than the frame buffer is exported with the bytes the analysis
// kept and its true length, whether its reader or the delivery clips it.
TEST_F(TraceExporting, AFrameClippedToTheBufferKeepsItsTrueLength)
{
    std::vector<uint8_t> giant = tb::EthernetII(tb::MacOf(1), tb::MacOf(2), 0x0800, std::vector<uint8_t>(20'000, 0x5A));
    const std::string peek = folder.File("giant.pkt");
    tb::BuildEtherPeekTrace({}, {{0, WithFcs(giant)}}).Save(peek);
    ASSERT_TRUE(Export(peek).Ok());
    EXPECT_EQ(PacketLengths(output), (std::vector<std::pair<uint32_t, uint32_t>>{{kMaxFrameBytes, 20'018}}));

    const std::string netmon = folder.File("giant.cap");
    tb::BuildNetMonTrace({}, {{0, giant}}).Save(netmon);
    ASSERT_TRUE(Export(netmon, true).Ok());
    EXPECT_EQ(PacketLengths(output), (std::vector<std::pair<uint32_t, uint32_t>>{{kMaxFrameBytes, 20'014}}));
}

TEST_F(TraceExporting, ATraceWithoutFramesGivesTheHeadersOnly)
{
    const std::string trace = folder.File("empty.pkt");
    tb::BuildEtherPeekTrace({}, {}).Save(trace);
    const ExportOutcome outcome = Export(trace);
    ASSERT_TRUE(outcome.Ok()) << outcome.Error;
    EXPECT_EQ(outcome.FramesWritten, 0);
    EXPECT_TRUE(Frames(output, kFormatPcapNG).Frames.empty());
    EXPECT_EQ(ExportOutcomeText(outcome, "out.pcapng"), "Exported 0 frames to out.pcapng");
}

TEST(ExportErrorMarks, DlcStatusBecomesFlagsOrAComment)
{
    struct Case {
        const char* Name;
        TopologyCode Topology;
        uint16_t Size;
        bool BadFcs, Align;
        uint32_t Flags;
        bool Comment;
    };
    using namespace pcapng_errors;
    const Case cases[] = {
        {"good frame", kTopologyEthernet, 64, false, false, 0, false},
        {"CRC error", kTopologyEthernet, 100, true, false, kCrc, false},
        {"alignment error", kTopologyEthernet, 100, true, true, kCrc | kUnalignedFrame, false},
        {"runt", kTopologyEthernet, 63, false, false, kTooShort, false},
        {"collision fragment", kTopologyEthernet, 40, true, false, kCrc | kTooShort, true},
        {"short Token Ring frame", kTopologyTokenRing, 20, false, false, 0, false},
    };
    for (const Case& c : cases) {
        auto state = std::make_unique<AnalysisState>();
        state->Topology = c.Topology;
        state->Frame.FrameSize = c.Size;
        state->Frame.FrameBadFCS = c.BadFcs ? 1 : 0;
        state->Frame.FrameAlignError = c.Align ? 1 : 0;
        const FrameErrorMarks marks = ExportErrorMarks(*state);
        EXPECT_EQ(marks.LinkErrors, c.Flags) << c.Name;
        EXPECT_EQ(!marks.Comment.empty(), c.Comment) << c.Name;
    }
}

// ---- the command line -------------------------------------------------------------

class ExportCommand : public ::testing::Test {
protected:
    TempFolder folder;
    std::string trace = WriteMixedTrace(folder);
    std::string output = folder.File("out.pcapng");
};

TEST_F(ExportCommand, WritesTheChosenFramesAndSaysHowMany)
{
    struct Case {
        const char* Name;
        std::vector<std::string> Options;
        std::vector<size_t> Indexes;
    };
    const std::vector<Case> cases = {
        {"every frame", {}, Range(0, 15)},
        {"a frame range", {"--from", "4", "--to", "7"}, Range(3, 6)},
        {"a conversation", {"--conversation", "10.0.0.1", "10.0.0.2", "TCP/Port 1031<->HTTP"}, {3, 4, 5, 6, 15}},
        {"a conversation within a range", {"--conversation", "10.0.0.1", "10.0.0.2", "TCP/Port 1031<->HTTP", "--to", "5"},
         {3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args = {"--export", output, "--force"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(trace);
        const ReportRun run = RunReportWith(args);
        EXPECT_EQ(run.Status, kExitComplete) << run.Err;
        const std::string frames = c.Indexes.size() == 1 ? " frame" : " frames";
        EXPECT_EQ(run.Out, "Exported " + std::to_string(c.Indexes.size()) + frames + " to " + output + "\n");
        ExpectExportedFrames(trace, output, kFormatSniffer, c.Indexes);
    }
}

TEST_F(ExportCommand, NeverWritesOverTheTraceNorAnExistingFileUnasked)
{
    const std::string original = ReadBytes(trace);
    const std::string hardLink = folder.File("hard.enc");
    const std::string symbolicLink = folder.File("symbolic.enc");
    fs::create_hard_link(trace, hardLink);
    fs::create_symlink(trace, symbolicLink);
    for (const std::string& target : {trace, hardLink, symbolicLink}) {
        const ReportRun run = RunReportWith({"--export", target, "--force", trace});
        EXPECT_EQ(run.Status, kExitPartial) << target;
        EXPECT_NE(run.Err.find("it is the trace being read"), std::string::npos) << run.Err;
    }
    EXPECT_EQ(ReadBytes(trace), original);

    WriteBytes(output, "keep me");
    const ReportRun refused = RunReportWith({"--export", output, trace});
    EXPECT_EQ(refused.Status, kExitPartial);
    EXPECT_NE(refused.Err.find("already exists"), std::string::npos) << refused.Err;
    EXPECT_EQ(ReadBytes(output), "keep me");
    EXPECT_EQ(RunReportWith({"--export", output, "--force", trace}).Status, kExitComplete);
    EXPECT_NE(ReadBytes(output), "keep me");
}

TEST_F(ExportCommand, AnUnwritableFolderIsToldAndLeavesNothing)
{
    const std::string missing = folder.File("no-such-folder/out.pcapng");
    const ReportRun run = RunReportWith({"--export", missing, trace});
    EXPECT_EQ(run.Status, kExitPartial);
    EXPECT_NE(run.Err.find("Cannot create a file in"), std::string::npos) << run.Err;
    EXPECT_TRUE(run.Out.empty());
}

TEST_F(ExportCommand, ACutTraceExportsTheFramesReadAndSaysSo)
{
    std::string bytes = ReadBytes(trace);
    bytes.resize(bytes.size() - 100);  // into the last frame's record
    WriteBytes(trace, bytes);
    const ReportRun run = RunReportWith({"--export", output, trace});
    EXPECT_EQ(run.Status, kExitPartial);
    EXPECT_NE(run.Out.find("Exported 15 frames to " + output + "\nThe export is partial. Read ended at frame 16"),
              std::string::npos)
        << run.Out;
    EXPECT_EQ(Frames(output, kFormatPcapNG).Frames.size(), 15u);
}

TEST_F(ExportCommand, RefusesOptionsTheExportWouldIgnore)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--force", trace}, "--force needs --export"},
        {{"--export", output, "--json", trace}, "--export and --json cannot be combined"},
        {{"--export", output, "--conversation", "a", "b", "c", "--window", "8", trace},
         "--export and --window cannot be combined"},
        {{"--export", output, "--ladder", "a", "b", "c", trace}, "--export and --ladder cannot be combined"},
        {{"--export", output, "--from", "5", "--to", "4", trace}, "--from 5 lies after --to 4"},
    };
    for (const auto& [args, message] : cases) {
        const ReportRun run = RunReportWith(args);
        EXPECT_EQ(run.Status, kExitNothingRead) << message;
        EXPECT_NE(run.Err.find(message), std::string::npos) << run.Err;
    }
    EXPECT_FALSE(fs::exists(output));
}

}  // namespace
}  // namespace quenlix::reporttest
