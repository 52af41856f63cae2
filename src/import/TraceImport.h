#pragma once
// Recognising a trace file and reading it into the analysis state.

#include <cstdint>
#include <string>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"

namespace quenlix {

enum TraceFormatCode : uint8_t {
    kFormatDA30 = 0,
    kFormatDataGLANce = 1,
    kFormatFireBerd500 = 2,
    kFormatInternetworkAdvisor = 3,
    kFormatLAN900 = 4,
    kFormatLANalyzer = 5,
    kFormatLANdecoder = 6,
    kFormatLANWatch = 7,
    kFormatNetLens = 8,
    kFormatNetSight = 9,
    kFormatNetworkMonitor = 10,
    kFormatSniffer = 11,
    kFormatNone = 12,
    kFormatObserver = 13,
    kFormatEtherPeek = 14,
    kFormatPcap = 15,    // libpcap, read by the pcapng reader
    kFormatPcapNG = 16,
    kFormatUnknown = 17,
};

enum TopologyCode : uint8_t {
    kTopologyEthernet = 0,
    kTopologyTokenRing = 1,
    kTopologyFDDI = 2,
    kTopologyARCnet = 3,
    kTopologyWAN = 4,
    kTopologyOther = 5,
};

// One PC BIOS timer tick (18.2 per second) and one count of the PC's 1.193182 MHz
// interval timer, in microseconds: the clocks of the DOS-era analysers.
constexpr double kTickMicroseconds = 54924.655123284;
constexpr double kTimerCountMicroseconds = 0.8380965151946899;

struct DetectionResult {
    uint8_t Code = kFormatUnknown;
    bool Failed = false;  // a message has already been shown
};

// Decides the format of a file from its name and first 200 bytes. Sets
// SnifferCompressed and AddressTableName in the state.
DetectionResult DetectTraceFormat(AnalysisState& state, const std::string& fileName, ReadHost& host);

// Decides the topology of a file of the given format.
DetectionResult DetectTopology(AnalysisState& state, uint8_t format, const std::string& fileName, ReadHost& host);

// Resets the analysis and reads state.TraceFileName (format state.TraceFormat,
// topology state.Topology) into it. Always returns true; the outcome is in
// ReadResult, ReadCancelled and TotalFrames.
bool ReadTraceFile(AnalysisState& state, bool countOnly, ReadHost& host);

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

// The analyser name of a format code; leaves name unchanged for other codes.
void GetAnalyzerName(uint8_t format, std::string& name);

// The constants every read starts from: the one-second interval length and the
// Token Ring error-monitor address.
void InitTimeConstants(AnalysisState& state);

// (High x 65536 + Low) PC timer ticks plus Count interval-timer counts, in microseconds.
double TicksToMicroseconds(uint16_t high, uint16_t low, uint16_t count);

}  // namespace quenlix
