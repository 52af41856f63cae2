// The reading driver: resets the analysis, runs the reader of the trace's format
// and finishes the analysis so that every view rebuilds from it.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>

#include "import/LocalAddressTable.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"
#include "import/TraceReader.h"
#include "model/FrameEngine.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr const char* kAppTitle = "Quenlix";
constexpr const char* kOpenFailedText = "Unable to open file.  Check the path and file Name.";
constexpr uint8_t kRingErrorMonitor[6] = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x08};

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
    // Frees the previous trace, clears the statistics, the counters, the frame
    // buffers and the read result, and sets the link speed from the medium; keeps
    // the file and medium settings and detection's findings (SnifferCompressed).
    ResetAnalysis(state);

    InitTimeConstants(state);
    state.CountOnly = countOnly ? 1 : 0;
    state.TraceStartDate = FileDosDateTime(state.TraceFileName);
    state.ReadFinished = 0;
    state.LingerTime = 0;
    state.TraceFileSize = 0;
    state.TraceFilePos = 0;
}

void RunReader(AnalysisState& state, ReadHost& host, TraceInput& input)
{
    // Observer traces bring their station names in a separate table, loaded first.
    if (state.TraceFormat == kFormatObserver) LoadAddressTable(state);
    const std::unique_ptr<TraceReader> reader = MakeTraceReader(state.TraceFormat);
    if (!reader) return;
    state.TokenRingSizeHasFCS = reader->TokenRingSizeCountsFCS() ? 1 : 0;
    ReadContext context(state, host, input);
    reader->Read(context);
}

// After the reader: a read that stopped early without saying why (a record cut
// short, a damaged record, a read error) says so now, and frames that were clipped
// to the frame buffer are told once. A count-only pass stays silent, as the real
// read that follows it tells the same.
void TellHowTheReadEnded(AnalysisState& state, ReadHost& host)
{
    if (state.CountOnly != 0) return;
    if (state.ReadResult != 0 && state.ReadEndText.empty()) {
        state.ReadEndText = kDamagedRecordText;
        host.ShowMessage(MessageIcon::Error, kReadErrorTitle, kDamagedRecordText);
    }
    if (state.ClippedFrames > 0) host.ShowMessage(MessageIcon::Information, kAppTitle, ClippedFramesText(state));
    if (state.SkippedFrames > 0) host.ShowMessage(MessageIcon::Information, kAppTitle, SkippedFramesText(state));
}

void FinishRead(AnalysisState& state)
{
    CloseInterval(state);
    state.LingerTime = 0;
    state.ReadFinished = 1;
    if (state.CountOnly != 0)
        std::copy_n(state.FrameData.begin(), state.LastFrameCopy.size(), state.LastFrameCopy.begin());
}

void MarkViewsStale(AnalysisState& state)
{
    state.ViewStale.fill(1);
    state.ChartsStale = 1;
}

}  // namespace

void InitTimeConstants(AnalysisState& state)
{
    state.TickLength = 1000000.0;
    state.RingErrorMonitorAddr.Assign(kRingErrorMonitor, sizeof kRingErrorMonitor);
}

bool ReadTraceFile(AnalysisState& state, bool countOnly, ReadHost& host)
{
    ResetForRead(state, countOnly);
    ReadHost* const previousHost = state.Host;
    state.Host = &host;

    TraceInput input;
    input.SetReadAhead(true);
    if (input.Open(state.TraceFileName)) {
        state.TraceFileSize = input.Size();
        host.ReadStarted(state);
        RunReader(state, host, input);
        input.Close();
        TellHowTheReadEnded(state, host);
        FinishRead(state);
        host.ReadFinished(state);
    } else {
        // Detection opened the file a moment ago; it has gone or become unreadable since.
        state.ReadResult = kReadResultOpenFailed;
        state.ReadEndText = input.OpenError() == TraceInput::kNotARegularFile
                                ? NotARegularFileText(state.TraceFileName)
                                : std::string(kOpenFailedText);
        host.ShowMessage(MessageIcon::Error, kReadErrorTitle, state.ReadEndText);
        FinishRead(state);
    }

    state.Host = previousHost;
    MarkViewsStale(state);
    return true;
}

std::string ReadStatusText(const AnalysisState& state)
{
    const std::string frame = FormatCount(ReadEndFrame(state));
    switch (ReadEndOf(state)) {
    case ReadEnd::Complete: return {};
    case ReadEnd::Stopped: return "Read stopped at frame " + frame + " of the file";
    case ReadEnd::EndedEarly: break;
    }
    const std::string reason = state.ReadEndText.empty() ? std::string(kDamagedRecordText) : state.ReadEndText;
    return "Read ended at frame " + frame + ": " + reason;
}

std::string ClippedFramesText(const AnalysisState& state)
{
    if (state.ClippedFrames <= 0) return {};
    const std::string limit = FormatCount(state.MaxFrameBytes);
    const bool one = state.ClippedFrames == 1;
    return (one ? std::string("1 frame was") : FormatCount(state.ClippedFrames) + " frames were") + " longer than " +
           limit + " bytes: only " + (one ? "its" : "their") + " first " + limit + " bytes were analysed.";
}

std::string SkippedFramesText(const AnalysisState& state)
{
    if (state.SkippedFrames <= 0) return {};
    const std::string medium = state.Topology == kTopologyTokenRing ? "Token Ring" : "Ethernet";
    const bool one = state.SkippedFrames == 1;
    return (one ? std::string("1 frame was captured on an interface") : FormatCount(state.SkippedFrames) +
                                                                          " frames were captured on interfaces") +
           " other than " + medium + ": " + (one ? "it was" : "they were") + " not analysed.";
}

}  // namespace quenlix
