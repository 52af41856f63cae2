#pragma once
// Recognising a trace file and reading it into the analysis state.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"
#include "model/StringHelpers.h"

namespace quenlix {

// One PC BIOS timer tick (18.2 per second) and one count of the PC's 1.193182 MHz
// interval timer, in microseconds: the clocks of the DOS-era analysers.
constexpr double kTickMicroseconds = 54924.655123284;
constexpr double kTimerCountMicroseconds = 0.8380965151946899;

struct FormatDetection {
    TraceFormatCode Code = kFormatUnknown;
    bool Failed = false;  // a message has already been shown
};

struct TopologyDetection {
    TopologyCode Code = kTopologyOther;
    bool Failed = false;  // a message has already been shown
};

// Decides the format of a file from its name and first 200 bytes. Sets
// SnifferCompressed and AddressTableName in the state.
[[nodiscard]] FormatDetection DetectTraceFormat(AnalysisState& state, const std::string& fileName,
                                              ReadHost& host);

// Decides the topology of a file of the given format.
[[nodiscard]] TopologyDetection DetectTopology(AnalysisState& state, TraceFormatCode format, const std::string& fileName,
                                           ReadHost& host);

// Sees every frame a reader delivers, just before the engine does, with the count
// of its bytes the trace stored (FrameData holds zeros after them).
using FrameHook = std::function<void(const AnalysisState& state, std::size_t heldBytes)>;

// Resets the analysis and reads state.Read.TraceFileName (format state.Read.TraceFormat,
// topology state.Topology) into it. How the read ended is in ReadResult,
// ReadCancelled and TotalFrames (ReadEndOf).
void ReadTraceFile(AnalysisState& state, bool countOnly, ReadHost& host, const FrameHook& onFrame = {});

// How opening a trace ended.
enum class OpenOutcome {
    Refused,      // not a trace of a readable format, or of an unsupported topology: the user
                  // has been told, nothing was read and the previous analysis stays
    NothingRead,  // the read ended on an error before its first frame (the user has been told)
    Read,         // the analysis holds the trace, complete, stopped or cut short
};

// The road of one trace file, shared by the main window and the command-line
// report: detects the format and the topology, refuses with the program's message
// a file that is not a trace of a readable format or not of Ethernet or Token
// Ring, then runs beforeRead (when given) and reads the file, showing onFrame
// (when given) every frame. Sets TraceFileName, TraceFormat and Topology of the
// file it reads.
[[nodiscard]] OpenOutcome OpenTraceFile(AnalysisState& state, const std::string& fileName, ReadHost& host,
                                        const std::function<void()>& beforeRead = {}, const FrameHook& onFrame = {});

// "<file> is not a trace file or supported format." (file name without folder).
std::string NotATraceMessage(const std::string& traceFileName);
// The same as the host names files: as given on a command line.
std::string NotATraceMessage(const std::string& traceFileName, const ReadHost& host);
// "<file> contains an unsupported topology."
std::string UnsupportedTopologyMessage(const std::string& traceFileName);

// How the read ended, as the status bar and the report say it: "Read stopped at
// frame 942,784 of the file", "Read ended at frame 2,168: Packet too large to
// process."; the empty text for a complete read.
std::string ReadStatusText(const AnalysisState& state);

// "3 frames were longer than 18,000 bytes: only their first 18,000 bytes were
// analysed."; the empty text when no frame was clipped.
std::string ClippedFramesText(const AnalysisState& state);

// "2 frames were captured on interfaces other than Ethernet: they were not
// analysed."; the empty text when no frame was passed over.
std::string SkippedFramesText(const AnalysisState& state);

// "2 records of types that hold no frames were found among the frames and passed
// over."; the empty text when there were none.
std::string SkippedRecordsText(const AnalysisState& state);

// The analyser name of a format code; leaves name unchanged for other codes.
void GetAnalyzerName(TraceFormatCode format, std::string& name);

// (High x 65536 + Low) PC timer ticks plus Count interval-timer counts, in microseconds.
double TicksToMicroseconds(uint16_t high, uint16_t low, uint16_t count);

}  // namespace quenlix
