// The reading driver: resets the analysis, runs the reader of the trace's format
// and finishes the analysis so that every view rebuilds from it.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>

#include "import/TraceFormats.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"
#include "import/TraceReader.h"
#include "model/FrameEngine.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {


// The file's modification time in local time as a DOS date (high word) and time (low word).
int32_t FileDosDateTime(const std::string& path)
{
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error) return 0;
    const auto system = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        std::chrono::file_clock::to_sys(written));
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    const std::tm* local = std::localtime(&seconds);
    if (local == nullptr) return 0;
    // DOS dates count years from 1980 in seven bits.
    const int year = std::clamp(local->tm_year + 1900, 1980, 2107) - 1980;
    const uint32_t date = static_cast<uint32_t>(year << 9 | (local->tm_mon + 1) << 5 | local->tm_mday);
    const uint32_t time = static_cast<uint32_t>(local->tm_hour << 11 | local->tm_min << 5 | local->tm_sec / 2);
    return static_cast<int32_t>(date << 16 | time);
}

void ResetForRead(AnalysisState& state, bool countOnly)
{
    ResetAnalysis(state);
    state.Read.CountOnly = countOnly ? 1 : 0;
    state.Read.TraceStartDate = FileDosDateTime(state.Read.TraceFileName);
}

void RunReader(AnalysisState& state, ReadHost& host, TraceInput& input, const FrameHook& onFrame)
{
    const std::unique_ptr<TraceReader> reader = MakeTraceReader(state.Read.TraceFormat);
    if (!reader) return;
    state.Read.TokenRingSizeHasFCS = reader->TokenRingSizeCountsFCS() ? 1 : 0;
    ReadContext context(state, host, input);
    if (onFrame) context.OnFrame = [&](const AnalysisState& frame) { onFrame(frame, context.HeldBytes); };
    reader->Read(context);
}

// After the reader: a read that stopped early without saying why (a record cut
// short, a damaged record, a read error) says so now, and frames that were clipped
// to the frame buffer are told once. A count-only pass stays silent, as the real
// read that follows it tells the same.
void TellHowTheReadEnded(AnalysisState& state, ReadHost& host)
{
    if (state.Read.CountOnly != 0) return;
    if (state.Read.ReadResult != 0 && state.Read.ReadEndText.empty()) {
        state.Read.ReadEndText = kDamagedRecordText;
        host.ShowMessage(MessageIcon::Error, kReadErrorTitle, kDamagedRecordText);
    }
    if (state.Read.ClippedFrames > 0) host.ShowMessage(MessageIcon::Information, kProgramTitle, ClippedFramesText(state));
    if (state.Read.SkippedFrames > 0) host.ShowMessage(MessageIcon::Information, kProgramTitle, SkippedFramesText(state));
    if (state.Read.SkippedRecords > 0)
        host.ShowMessage(MessageIcon::Information, kProgramTitle, SkippedRecordsText(state));
}

void FinishRead(AnalysisState& state)
{
    CloseInterval(state);
    state.Read.LingerTime = 0;
    state.Read.ReadFinished = 1;
    if (state.Read.CountOnly != 0)
        std::copy_n(state.Frame.FrameData.begin(), state.Frame.LastFrameCopy.size(), state.Frame.LastFrameCopy.begin());
}

void MarkViewsStale(AnalysisState& state)
{
    state.ViewStale.fill(1);
    state.ChartsStale = 1;
}

}  // namespace

void ReadTraceFile(AnalysisState& state, bool countOnly, ReadHost& host, const FrameHook& onFrame)
{
    ResetForRead(state, countOnly);
    ReadHost* const previousHost = state.Platform.Host;
    state.Platform.Host = &host;

    TraceInput input;
    input.SetReadAhead(true);
    if (input.Open(state.Read.TraceFileName)) {
        state.Read.TraceFileSize = input.Size();
        host.ReadStarted(state);
        RunReader(state, host, input, onFrame);
        input.Close();
        TellHowTheReadEnded(state, host);
        FinishRead(state);
        host.ReadFinished(state);
    } else {
        // Detection opened the file a moment ago; it has gone or become unreadable since.
        state.Read.ReadResult = kReadResultOpenFailed;
        state.Read.ReadEndText = OpenFailureText(input, state.Read.TraceFileName);
        host.ShowMessage(MessageIcon::Error, kReadErrorTitle, state.Read.ReadEndText);
        FinishRead(state);
    }

    state.Platform.Host = previousHost;
    MarkViewsStale(state);
}

OpenOutcome OpenTraceFile(AnalysisState& state, const std::string& fileName, ReadHost& host,
                          const std::function<void()>& beforeRead, const FrameHook& onFrame)
{
    const FormatDetection format = DetectTraceFormat(state, fileName, host);
    if (!IsReadableFormat(format.Code)) {
        if (!format.Failed) host.ShowMessage(MessageIcon::Error, kOpenTraceTitle, NotATraceMessage(fileName, host));
        return OpenOutcome::Refused;
    }
    state.Read.TraceFileName = fileName;
    state.Read.TraceFormat = format.Code;
    const TopologyDetection topology = DetectTopology(state, format.Code, fileName, host);
    if (topology.Failed) return OpenOutcome::Refused;  // detection has said why
    if (topology.Code != kTopologyEthernet && topology.Code != kTopologyTokenRing) {
        host.ShowMessage(MessageIcon::Error, kOpenTraceTitle, UnsupportedTopologyMessage(fileName));
        return OpenOutcome::Refused;
    }
    state.Topology = topology.Code;

    if (beforeRead) beforeRead();
    ReadTraceFile(state, false, host, onFrame);
    // Not one frame could be read: the message said why, and an empty analysis
    // must not pass for the file's.
    if (ReadEndOf(state) == ReadEnd::EndedEarly && state.TotalFrames == 0) return OpenOutcome::NothingRead;
    return OpenOutcome::Read;
}

std::string NotATraceMessage(const std::string& traceFileName)
{
    return FileNameWithoutFolder(traceFileName) + kNotATraceSuffix;
}

std::string NotATraceMessage(const std::string& traceFileName, const ReadHost& host)
{
    return host.NamesFilesAsGiven() ? traceFileName + kNotATraceSuffix : NotATraceMessage(traceFileName);
}

std::string UnsupportedTopologyMessage(const std::string& traceFileName)
{
    return traceFileName + kUnsupportedTopologySuffix;
}

std::string ReadStatusText(const AnalysisState& state)
{
    const std::string frame = FormatCount(ReadEndFrame(state));
    switch (ReadEndOf(state)) {
    case ReadEnd::Complete: return {};
    case ReadEnd::Stopped: return "Read stopped at frame " + frame + " of the file";
    case ReadEnd::EndedEarly: break;
    }
    const std::string reason = state.Read.ReadEndText.empty() ? std::string(kDamagedRecordText) : state.Read.ReadEndText;
    return "Read ended at frame " + frame + ": " + reason;
}

std::string ClippedFramesText(const AnalysisState& state)
{
    if (state.Read.ClippedFrames <= 0) return {};
    const std::string limit = FormatCount(state.Read.MaxFrameBytes);
    const bool one = state.Read.ClippedFrames == 1;
    return (one ? std::string("1 frame was") : FormatCount(state.Read.ClippedFrames) + " frames were") + " longer than " +
           limit + " bytes: only " + (one ? "its" : "their") + " first " + limit + " bytes were analysed.";
}

std::string SkippedFramesText(const AnalysisState& state)
{
    if (state.Read.SkippedFrames <= 0) return {};
    const std::string medium = state.Topology == kTopologyTokenRing ? "Token Ring" : "Ethernet";
    const bool one = state.Read.SkippedFrames == 1;
    return (one ? std::string("1 frame was captured on an interface") : FormatCount(state.Read.SkippedFrames) +
                                                                          " frames were captured on interfaces") +
           " other than " + medium + ": " + (one ? "it was" : "they were") + " not analysed.";
}

std::string SkippedRecordsText(const AnalysisState& state)
{
    if (state.Read.SkippedRecords <= 0) return {};
    const bool one = state.Read.SkippedRecords == 1;
    const std::string records = one ? std::string("1 record that holds no frame was")
                                    : FormatCount(state.Read.SkippedRecords) + " records that hold no frames were";
    return records + " found among the frames and passed over.";
}

}  // namespace quenlix
