// Replays the inputs that once broke a fuzz target (tests/fuzz_regressions/, named
// after their target: read_trace-*, detect-*, analyze_frames-*, builders-*,
// reader_<reader>-*) through the same
// harness the targets run, and checks the consistency rules the targets check on
// the real captures and on traces of every format.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../../fuzz/BuilderHarness.h"
#include "../../fuzz/FuzzHarness.h"
#include "../../fuzz/SampleTraces.h"
#include "FrameCapture.h"
#include "TestFiles.h"
#include "import/TraceFormats.h"

namespace quenlix::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kRegressions = fs::path(QUENLIX_SOURCE_DIR) / "tests" / "fuzz_regressions";
const fs::path kCaptures = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";
const fs::path kCorpus = fs::path(QUENLIX_SOURCE_DIR) / "tests" / "fuzz_corpus";

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::string Replay(const fs::path& input, const std::string& scratch)
{
    const std::vector<uint8_t> bytes = ReadBytes(input.string());
    const std::string name = input.filename().string();
    if (StartsWith(name, "read_trace-")) return fuzz::RunReadTrace(bytes.data(), bytes.size(), scratch);
    if (StartsWith(name, "detect-")) return fuzz::RunDetect(bytes.data(), bytes.size(), scratch);
    if (StartsWith(name, "analyze_frames-")) return fuzz::RunAnalyzeFrames(bytes.data(), bytes.size());
    if (StartsWith(name, "builders-")) return fuzz::RunContentBuilders(bytes.data(), bytes.size());
    for (const fuzz::ReaderTarget& target : fuzz::kReaderTargets)
        if (StartsWith(name, "reader_" + std::string(target.Name) + "-"))
            return fuzz::RunReaderFamily(target.Format, bytes.data(), bytes.size(), scratch);
    return "no fuzz target is named by " + name;
}

TEST(FuzzRegression, EveryStoredInputIsHandledSoundly)
{
    if (!fs::is_directory(kRegressions)) GTEST_SKIP() << "no folder " << kRegressions;
    TempDir dir;
    const std::string scratch = dir.Path("");
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(kRegressions)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(Replay(entry.path(), scratch), "");
        ++replayed;
    }
    if (replayed == 0) GTEST_SKIP() << "no stored inputs in " << kRegressions;
}

// The real captures, read by the reader of their format and as frames straight to
// the engine on both topologies, satisfy every rule the targets check: so a
// violation the fuzzer reports is a fault, not a rule that real traces break.
TEST(FuzzRegression, RealCapturesKeepEveryRule)
{
    if (!fs::exists(kCaptures / "office-a.enc")) GTEST_SKIP() << "the real captures are not at " << kCaptures;
    TempDir dir;
    const std::string scratch = dir.Path("");
    const std::vector<std::pair<std::string, TraceFormatCode>> files = {
        {"office-a.enc", kFormatSniffer}, {"office-a.cap", kFormatNetworkMonitor}, {"office-a.tr1", kFormatLANalyzer},
        {"zoo-a.enc", kFormatSniffer},    {"zoo-a.cap", kFormatNetworkMonitor},    {"zoo-a.tr1", kFormatLANalyzer}};
    for (const auto& [name, format] : files) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> input =
            fuzz::EncodeReadTraceInput(format, kTopologyEthernet, false, ReadBytes((kCaptures / name).string()));
        EXPECT_EQ(fuzz::RunReadTrace(input.data(), input.size(), scratch), "");
    }
    for (const auto& entry : fs::directory_iterator(kCaptures / "damaged")) {
        SCOPED_TRACE(entry.path().filename().string());
        SilentHost host;
        CaptureOptions options;
        const CapturedRead read = CaptureFrames(entry.path().string(), options, host);
        for (TopologyCode topology : {kTopologyEthernet, kTopologyTokenRing}) {
            std::vector<uint8_t> input{static_cast<uint8_t>(CodeIndex(topology))};
            for (const CapturedFrame& frame : read.Frames) fuzz::AppendFrame(input, frame.Bytes, fuzz::kFlagMilliseconds, 0, 1);
            EXPECT_EQ(fuzz::RunAnalyzeFrames(input.data(), input.size()), "") << "topology " << CodeIndex(topology);
            EXPECT_EQ(fuzz::RunContentBuilders(input.data(), input.size()), "") << "topology " << CodeIndex(topology);
        }
    }
}

// Traces of every format and both topologies keep the rules too, through the
// reader's input layout and through detection.
TEST(FuzzRegression, WriterTracesKeepEveryRule)
{
    TempDir dir;
    const std::string scratch = dir.Path("");
    std::vector<fuzz::Frame> frames;
    for (uint32_t seed = 0; seed < 6; ++seed) frames.push_back({SampleBytes(60 + seed * 211, seed), seed * 1500.0});
    for (const fuzz::Trace& trace : fuzz::WriterTraces(frames, dir)) {
        SCOPED_TRACE(trace.Name + " format " + std::to_string(CodeIndex(trace.Format)) + " topology " + std::to_string(CodeIndex(trace.Topology)));
        const std::vector<uint8_t> input = fuzz::EncodeReadTraceInput(trace.Format, trace.Topology, trace.Compressed, trace.Data);
        EXPECT_EQ(fuzz::RunReadTrace(input.data(), input.size(), scratch), "");
        const std::vector<uint8_t> family = fuzz::EncodeReaderInput(trace.Format, trace.Topology, trace.Compressed, trace.Data);
        const TraceFormatCode reader = fuzz::ReaderTargetFormat(fuzz::ReaderTargetName(trace.Format));
        EXPECT_EQ(fuzz::RunReaderFamily(reader, family.data(), family.size(), scratch), "");
        // The reader target's own layout of a LAN900 trace gives the trace back, less the last block's padding.
        if (trace.Format == kFormatLAN900) {
            std::vector<uint8_t> expanded = fuzz::ExpandLAN900(family.data() + 1, family.size() - 1);
            ASSERT_LE(expanded.size(), trace.Data.size());
            EXPECT_TRUE(std::equal(expanded.begin(), expanded.end(), trace.Data.begin()));
            EXPECT_TRUE(std::all_of(trace.Data.begin() + static_cast<std::ptrdiff_t>(expanded.size()), trace.Data.end(),
                                    [](uint8_t b) { return b == 0; }));
        }
    }
}

// The reader targets are the readers of the format table: every format is read by
// one of them and reached by a read-trace selector, and each target keeps its
// corpus folder under its name.
TEST(FuzzTargets, EveryFormatOfTheTableHasItsReaderTarget)
{
    std::set<std::string> targets;
    for (const fuzz::ReaderTarget& target : fuzz::kReaderTargets) {
        EXPECT_TRUE(targets.insert(target.Name).second) << target.Name;
        EXPECT_EQ(fuzz::ReaderTargetName(target.Format), target.Name);
        EXPECT_TRUE(fs::is_directory(kCorpus / ("reader_" + std::string(target.Name)))) << target.Name;
    }
    for (const TraceFormat& format : TraceFormats()) {
        SCOPED_TRACE(format.AnalyzerName);
        EXPECT_TRUE(targets.contains(fuzz::ReaderTargetName(format.Code)));
        const auto selects = [&format](const auto& formats) {
            return std::find(formats.begin(), formats.end(), format.Code) != formats.end();
        };
        EXPECT_TRUE(selects(fuzz::kReaderFormats) || selects(fuzz::kLaterReaderFormats));
    }
    for (const auto& entry : fs::directory_iterator(kCorpus)) {
        const std::string folder = entry.path().filename().string();
        if (StartsWith(folder, "reader_")) {
            EXPECT_TRUE(targets.contains(folder.substr(7))) << folder;
        }
    }
    EXPECT_EQ(fuzz::ReaderTargetFormat("no-such-reader"), kFormatUnknown);
    EXPECT_EQ(fuzz::ReaderTargetName(kFormatUnknown), "");
}

// One unicast frame analysed: a sound state for the rules below to break.
std::unique_ptr<AnalysisState> OneFrameState()
{
    auto state = std::make_unique<AnalysisState>();
    ResetAnalysis(*state);
    std::vector<uint8_t> frame(60, 0x11);
    frame[0] = 0x02;
    fuzz::SetCurrentFrame(*state, frame.data(), frame.size(), frame.size() + 4);
    int64_t frameNo = 0;
    AnalyzeFrame(*state, frameNo);
    return state;
}

// The rules themselves catch what they are there for.
TEST(FuzzRegression, BrokenStatesAreReported)
{
    ASSERT_EQ(fuzz::CheckStateInvariants(*OneFrameState(), 1), "");
    EXPECT_NE(fuzz::CheckStateInvariants(*OneFrameState(), 2), "");

    auto families = OneFrameState();
    families->ProtocolStats[0].Frames += 1;
    EXPECT_NE(fuzz::CheckStateInvariants(*families, 1), "");

    auto senders = OneFrameState();
    senders->SourceStationCount = senders->StationCount + 1;
    EXPECT_NE(fuzz::CheckStateInvariants(*senders, 1), "");

    auto chain = OneFrameState();
    for (auto& [address, station] : chain->Stations)
        if (station.StationFlags.HasAll({kFlagSender, kFlagViewable})) station.FirstDLCPeer = chain->ObjectList.Count();
    EXPECT_NE(fuzz::CheckStateInvariants(*chain, 1), "");
}

}  // namespace
}  // namespace quenlix::testing
