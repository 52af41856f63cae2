#pragma once
// Exporting a trace as pcapng: the trace is read again, by the same detection and
// reader as when it was opened, and every frame the reader delivers (or those of a
// frame range or of a chosen set of frame numbers) goes to a pcapng file with its
// absolute time stamp, its stored bytes, its lengths and its DLC status. The
// analysis the windows show is not touched: the read goes into a scratch state.
// Every message comes back in the outcome; the export shows nothing itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"

namespace quenlix {

struct ExportRequest {
    std::string TraceFileName;
    std::string OutputPath;
    bool Force = false;         // replace an existing output file
    ReadOptions Options;        // the user's choices for reading the trace
    int64_t FirstFrameNo = 1;   // the frame range, numbered from 1
    int64_t LastFrameNo = -1;   // negative: to the last frame
    // When set, only the frames of these numbers (a conversation's), within the range.
    std::optional<std::vector<int64_t>> FrameNumbers;
};

struct ExportOutcome {
    std::string Error;           // why no file was written; empty when it was
    bool TraceRefused = false;   // the file is not a trace the program reads (Error says why)
    int64_t FramesWritten = 0;
    bool Partial = false;        // the read ended before the end of the trace
    std::string ReadEndText;     // how the read ended, when it was partial
    bool Ok() const { return Error.empty(); }
};

// Writes the export; the host keeps the user interface alive and may stop the read.
[[nodiscard]] ExportOutcome ExportTrace(const ExportRequest& request, ReadHost& host);

// "Exported 1,234 frames to out.pcapng", with the read's end on a second line when
// the export is partial; the error when nothing was written.
std::string ExportOutcomeText(const ExportOutcome& outcome, const std::string& outputPath);

// The file an export of the trace is first offered: beside it, with the extension
// .pcapng in place of its own ("C:/t/a.enc" -> "C:/t/a.pcapng").
std::string ExportFileSuggestion(const std::string& traceFileName);

// What the export writes of a frame's DLC status, read from the current frame of a
// state: pcapng's link-layer error bits, and a comment for a status without one.
struct FrameErrorMarks {
    uint32_t LinkErrors = 0;
    std::string Comment;
};
FrameErrorMarks ExportErrorMarks(const AnalysisState& state);

}  // namespace quenlix
