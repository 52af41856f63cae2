#include "import/TraceExport.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>

#include "import/PcapngWriter.h"
#include "import/TraceFormats.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "model/NumberFormat.h"
#include "model/StringHelpers.h"

namespace quenlix {

namespace {

constexpr const char* kCollisionFragmentComment = "Collision fragment (runt with a bad FCS)";

// The caller's host keeps the user interface alive and may stop the read, while
// the messages of the read are kept for the outcome rather than shown: the user
// saw them when the trace was opened. The host's progress display is not told of
// this read, as it follows the state the windows show. A failed write stops the read.
class ExportHost : public ReadHost {
public:
    explicit ExportHost(ReadHost& host) : host_(host) {}

    void PumpEvents() override { host_.PumpEvents(); }
    bool StopRequested() override { return failed_ || host_.StopRequested(); }
    bool NamesFilesAsGiven() const override { return host_.NamesFilesAsGiven(); }
    void ShowMessage(MessageIcon /*icon*/, const std::string& /*title*/, const std::string& text) override
    {
        if (firstMessage_.empty()) firstMessage_ = text;
    }

    void Fail() { failed_ = true; }
    const std::string& FirstMessage() const { return firstMessage_; }

private:
    ReadHost& host_;
    bool failed_ = false;
    std::string firstMessage_;
};

// Seconds to add to a wall-clock reading of the machine's zone to give UTC, at
// about the given moment.
int64_t LocalToUtcSeconds(int64_t localSeconds)
{
    const auto asUtc = static_cast<std::time_t>(localSeconds);
    std::tm broken{};
#if defined(_WIN32)
    if (gmtime_s(&broken, &asUtc) != 0) return 0;
#else
    if (gmtime_r(&asUtc, &broken) == nullptr) return 0;
#endif
    broken.tm_isdst = -1;
    const std::time_t utc = std::mktime(&broken);
    return utc == static_cast<std::time_t>(-1) ? 0 : static_cast<int64_t>(utc) - localSeconds;
}

// Turns the reader's frame times into pcapng stamps: the trace's start moment (UTC,
// 1970 when the format keeps no date) plus the frame's offset, at the format's
// resolution.
class StampClock {
public:
    StampClock(const AnalysisState& state, uint8_t digits)
    {
        for (int k = 6; k < digits; ++k) unitsPerMicrosecond_ *= 10;
        int64_t origin = state.Read.FrameTimeOrigin;
        const bool local = state.Read.CaptureTimeClock == CaptureClock::LocalTime &&
                           state.Options.LocalCaptureTimesAsUtc == 0;
        if (local) origin += LocalToUtcSeconds(origin / 1'000'000) * 1'000'000;
        if (state.Read.CaptureTimeClock == CaptureClock::Unknown) origin = 0;
        // Whole units, so that the sum keeps the resolution's last digit (a double
        // of nanoseconds since 1970 does not).
        constexpr int64_t kLimit = INT64_MAX / 1000;
        originUnits_ = std::clamp(origin, -kLimit, kLimit) * unitsPerMicrosecond_;
    }

    // A stamp before 1970 or beyond the 64-bit count can only come from damage; it is held at the limit.
    uint64_t Stamp(double frameTime) const
    {
        constexpr double kLimit = 9.0e18;
        const double offset = std::isfinite(frameTime) ? frameTime * static_cast<double>(unitsPerMicrosecond_) : 0.0;
        const auto units = static_cast<int64_t>(std::nearbyint(std::clamp(offset, -kLimit, kLimit)));
        const int64_t stamp = units > 0 && originUnits_ > INT64_MAX - units ? INT64_MAX : originUnits_ + units;
        return stamp < 0 ? 0 : static_cast<uint64_t>(stamp);
    }

private:
    int64_t unitsPerMicrosecond_ = 1;
    int64_t originUnits_ = 0;
};

// Which frames go to the file.
class FrameChoice {
public:
    explicit FrameChoice(const ExportRequest& request) : request_(request)
    {
        if (request.FrameNumbers) {
            numbers_ = *request.FrameNumbers;
            std::sort(numbers_.begin(), numbers_.end());
        }
    }

    bool Takes(int64_t frameNo) const
    {
        if (frameNo < request_.FirstFrameNo) return false;
        if (request_.LastFrameNo >= 0 && frameNo > request_.LastFrameNo) return false;
        return !request_.FrameNumbers || std::binary_search(numbers_.begin(), numbers_.end(), frameNo);
    }

private:
    const ExportRequest& request_;
    std::vector<int64_t> numbers_;
};

// The facts of the trace the interface block and the frames' lengths follow.
struct FormatFacts {
    uint8_t TimeStampDigits = 6;
    bool EthernetBytesHoldFCS = false;
};

FormatFacts FactsOf(TraceFormatCode format)
{
    const std::unique_ptr<TraceReader> reader = MakeTraceReader(format);
    if (!reader) return {};
    return {reader->TimeStampDigits(), reader->EthernetBytesHoldFCS()};
}

PcapngInterface InterfaceOf(const AnalysisState& state, const FormatFacts& facts)
{
    PcapngInterface interface;
    const bool ethernet = state.Topology == kTopologyEthernet;
    interface.Link = ethernet ? PcapngLink::Ethernet : PcapngLink::TokenRing;
    std::string analyser;
    GetAnalyzerName(state.Read.TraceFormat, analyser);
    interface.Name = analyser;
    interface.Description = "Exported by Quenlix from " + FileNameWithoutFolder(state.Read.TraceFileName);
    if (state.Read.CaptureTimeClock == CaptureClock::Unknown)
        interface.Description += " (capture start unknown: times count from 1970-01-01)";
    interface.Resolution = {facts.TimeStampDigits, false};
    interface.FcsBytes = ethernet && facts.EthernetBytesHoldFCS ? 4 : 0;
    return interface;
}

// One export under way: the writer, fed frame by frame from the read.
class Export {
public:
    Export(const ExportRequest& request, ExportHost& host) : request_(request), host_(host), choice_(request) {}

    // Before the read, once detection has named the format and the medium.
    void Open(const AnalysisState& state)
    {
        facts_ = FactsOf(state.Read.TraceFormat);
        ethernet_ = state.Topology == kTopologyEthernet;
        const PcapngTarget target{request_.OutputPath, request_.TraceFileName, request_.Force};
        if (WriteStatus status = writer_.Open(target, InterfaceOf(state, facts_)); !status.Ok()) Fail(status.Error);
        opened_ = error_.empty();
    }

    void Frame(const AnalysisState& state, std::size_t heldBytes)
    {
        // The engine counts the frame only after this hook has seen it.
        if (!opened_ || !error_.empty() || !choice_.Takes(state.Read.FramesSeen + 1)) return;
        if (!clock_) clock_.emplace(state, facts_.TimeStampDigits);
        const CurrentFrame& frame = state.Frame;
        const FrameErrorMarks marks = ExportErrorMarks(state);
        PcapngPacket packet;
        packet.Stamp = clock_->Stamp(frame.FrameTime);
        packet.Bytes = std::span(frame.FrameData.data(), heldBytes);
        packet.OriginalLength = OriginalLength(frame, heldBytes);
        packet.LinkErrors = marks.LinkErrors;
        packet.Comment = marks.Comment;
        if (WriteStatus status = writer_.Add(packet); !status.Ok()) Fail(status.Error);
    }

    ExportOutcome Finish(const AnalysisState& state, OpenOutcome opened)
    {
        ExportOutcome outcome;
        if (opened == OpenOutcome::Refused)
            error_ = host_.FirstMessage().empty() ? NotATraceMessage(request_.TraceFileName) : host_.FirstMessage();
        if (error_.empty() && opened_) {
            if (WriteStatus status = writer_.Finish(); !status.Ok()) error_ = status.Error;
        }
        outcome.Error = error_;
        outcome.TraceRefused = opened == OpenOutcome::Refused;
        if (!outcome.Ok()) return outcome;
        outcome.FramesWritten = static_cast<int64_t>(writer_.PacketsWritten());
        outcome.Partial = ReadEndOf(state) != ReadEnd::Complete;
        if (outcome.Partial) outcome.ReadEndText = ReadStatusText(state);
        return outcome;
    }

private:
    // A frame stored whole was as long as its bytes, whatever size the analysis
    // gives it (some readers pad short frames to the Ethernet minimum). A sliced
    // frame, stored shorter than its size, keeps its size; Ethernet sizes count the
    // FCS, which pcapng's original length counts only when the stored bytes hold it.
    // A frame clipped to the frame buffer keeps its true size.
    uint32_t OriginalLength(const CurrentFrame& frame, std::size_t heldBytes) const
    {
        const uint32_t fcsLeftOut = ethernet_ && !facts_.EthernetBytesHoldFCS ? 4 : 0;
        const uint32_t held = static_cast<uint32_t>(heldBytes);
        if (frame.WireLength > frame.FrameSize) return std::max(held, frame.WireLength - std::min(fcsLeftOut, frame.WireLength));
        if (frame.StoredLength >= frame.FrameSize) return held;
        return static_cast<uint32_t>(std::max(0, frame.FrameSize - static_cast<int>(fcsLeftOut)));
    }

    void Fail(const std::string& error)
    {
        error_ = error;
        host_.Fail();
    }

    const ExportRequest& request_;
    ExportHost& host_;
    FrameChoice choice_;
    FormatFacts facts_;
    bool ethernet_ = true;
    PcapngWriter writer_;
    std::optional<StampClock> clock_;
    bool opened_ = false;
    std::string error_;
};

}  // namespace

std::string ExportFileSuggestion(const std::string& traceFileName)
{
    const std::size_t folderEnd = traceFileName.find_last_of("/\\");
    const std::size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    const std::size_t dot = traceFileName.rfind('.');
    // A dot that starts the name (".trace") begins no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? traceFileName.substr(0, dot) : traceFileName) + ".pcapng";
}

FrameErrorMarks ExportErrorMarks(const AnalysisState& state)
{
    const CurrentFrame& frame = state.Frame;
    FrameErrorMarks marks;
    if (frame.FrameBadFCS != 0) marks.LinkErrors |= pcapng_errors::kCrc;
    if (frame.FrameAlignError != 0) marks.LinkErrors |= pcapng_errors::kUnalignedFrame;
    const bool runt = state.Topology == kTopologyEthernet && frame.FrameSize < kMinimumEthernetFrame;
    if (runt) marks.LinkErrors |= pcapng_errors::kTooShort;
    // The DLC error analysis takes a runt with a bad FCS for a collision's remains;
    // pcapng has no flag for a collision.
    if (runt && frame.FrameBadFCS != 0) marks.Comment = kCollisionFragmentComment;
    return marks;
}

ExportOutcome ExportTrace(const ExportRequest& request, ReadHost& host)
{
    // The state holds fixed tables of some hundred kilobytes: keep it off the stack.
    auto state = std::make_unique<AnalysisState>();
    state->Options = request.Options;
    ExportHost quiet(host);
    Export exporting(request, quiet);
    const OpenOutcome opened = OpenTraceFile(
        *state, request.TraceFileName, quiet, [&] { exporting.Open(*state); },
        [&](const AnalysisState& frame, std::size_t held) { exporting.Frame(frame, held); });
    return exporting.Finish(*state, opened);
}

std::string ExportOutcomeText(const ExportOutcome& outcome, const std::string& outputPath)
{
    if (!outcome.Ok()) return outcome.Error;
    const bool one = outcome.FramesWritten == 1;
    std::string text = "Exported " + FormatCount(outcome.FramesWritten) + (one ? " frame" : " frames") + " to " +
                       outputPath;
    if (outcome.Partial) {
        text += "\nThe export is partial. " + outcome.ReadEndText;
        if (text.back() != '.') text += '.';
    }
    return text;
}

}  // namespace quenlix
