#pragma once
// Everything the "File Summary" page shows, built from the analysis state after a
// read: the four group boxes with every box text and gauge value, and the VLAN IDs
// of tagged frames. The page only displays it, and the command-line report prints it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/AnalysisState.h"

namespace quenlix {

// One labelled value box.
struct SummaryValue {
    std::string Label;
    std::string Hint;
    std::string Text;
};

// One address-class row of "Frame Statistics"; the percentages are gauge values 0..100.
struct FrameClassRow {
    std::string Label;
    std::string Hint;
    std::string Count = "0";
    int CountPercent = 0;
    std::string Bytes = "0";
    int BytesPercent = 0;
    std::string AverageSize = "0";
    std::string Largest = "0";
};

struct ColumnHeading {
    std::string Label;
    std::string Hint;
};

struct FrameStatisticsContent {
    std::string Caption = "Frame Statistics";
    std::array<ColumnHeading, 4> Headings{{
        {"Count", "Packets addressed to individual stations"},
        {"Bytes", "Packets addressed to individual stations"},
        {"Ave Size", "Average packet size (in bytes)"},
        {"Largest", "Largest packet (in bytes)"},
    }};
    FrameClassRow Station{"Station", "Packets sent to individual stations"};
    FrameClassRow Multicast{"Multicast", "Packets sent to a group address"};  // "Functional" on Token Ring
    FrameClassRow Broadcast{"Broadcast", "Packets addressed to all stations"};
    std::string TotalLabel = "Total";
    std::string TotalHint = "Total packets in trace file";
    std::string TotalPackets = "0";
    std::string TotalBytes = "0";
};

// The "Packets" selection of the Media Utilization box.
enum class MediaPackets { All = 0, Broadcast = 1 };

struct MediaUtilizationFigures {
    SummaryValue AvePps{"Ave Packets/Sec", "Average number of packets transmitted in one second", "0"};
    SummaryValue PeakPps{"Peak Packets/Sec", "Most number of packets transmitted in one second", "0"};
    SummaryValue AveBps{"Ave Bytes/Sec", "Average bytes transmitted in one second", "0"};
    SummaryValue PeakBps{"Peak Bytes/Sec", "Peak bytes transmitted in one second", "0"};
    SummaryValue AveBandwidth{"Ave Bandwidth", "Average bandwidth consumed", "0"};
    SummaryValue PeakBandwidth{"Peak Bandwidth", "Peak bandwidth in one second", "0"};
};

struct MediaUtilizationContent {
    std::string Caption = "Media Utilization";
    std::string SelectionCaption = "Packets";
    std::array<std::string, 2> SelectionItems{"All", "Broadcast"};
    MediaPackets Selection = MediaPackets::All;
    MediaUtilizationFigures All;
    MediaUtilizationFigures Broadcast;

    // The figures of the current selection: what the page shows.
    const MediaUtilizationFigures& Shown() const { return Selection == MediaPackets::Broadcast ? Broadcast : All; }
};

struct EncapsulationRow {
    std::string Label;
    std::string Hint;
    std::string Count = "0";
    int Percent = 0;  // gauge 0..100
    bool Visible = true;
};

// Rows in page order: LLC, SNAP, Etype (MAC on Token Ring), Novell Raw (hidden on Token Ring).
struct EncapsulationContent {
    std::string Caption = "DLC Encapsulation Types";
    std::array<EncapsulationRow, 4> Rows{{
        {"LLC", "802.3 w/802.2 Logical Link Control"},
        {"SNAP", "802.3 w/802.2 SubNetwork Access Point"},
        {"Etype", "Ethernet II"},
        {"Novell Raw", "802.3 w/o LLC"},
    }};
};

// One VLAN of "VLAN IDs": "VLAN 100" and "1,234 frames".
struct VlanRow {
    uint16_t Id = 0;
    int64_t Frames = 0;
    std::string Label;
    std::string Count;
};

// The VLAN IDs of tagged frames, most frames first and equal counts by ID, at
// most kShownVlans of them; More counts those left out. No rows when no frame
// was tagged: the box is then not shown.
struct VlanContent {
    static constexpr std::size_t kShownVlans = 20;
    std::string Caption = "VLAN IDs";
    std::vector<VlanRow> Rows;
    std::size_t More = 0;
    std::string MoreText;  // "and 3 more VLAN IDs", empty when none is left out
};

struct FileAttributesContent {
    std::string Caption = "File Attributes";
    SummaryValue Analyzer{"Analyzer", "", ""};
    SummaryValue Topology{"Topology", "", ""};
    SummaryValue Bandwidth{"Bandwidth", "", ""};
    SummaryValue Duration{"Duration", "", ""};
    SummaryValue FileDate{"File Date", "", ""};
    SummaryValue FileSize{"File Size", "", ""};
    SummaryValue Frames{"Frames", "", ""};
    SummaryValue Bytes{"Bytes", "", ""};
    // The file date for machines (the report's JSON) and for the window, which
    // shows it in the user's own date format: ISO 8601 local time.
    std::string FileDateISO8601;
    // When the first and the last frame were captured, to the millisecond, with
    // "UTC" after them when that is their clock; all empty when the trace stores
    // no start date. The ISO 8601 forms end in "Z" on UTC only.
    SummaryValue CaptureStart{"Capture Start", "", ""};
    SummaryValue CaptureEnd{"Capture End", "", ""};
    std::string CaptureStartISO8601;
    std::string CaptureEndISO8601;
    // The time from the first frame to the last, to the millisecond ("-" before
    // it when the last frame is stamped before the first); empty with the times.
    SummaryValue CaptureDuration{"Capture Duration", "", ""};
    double CaptureDurationSeconds = 0;
    // How a read that was stopped or ended early ended, whole (the status bar's
    // note); empty after a complete read.
    std::string ReadNote;
};

struct FileSummaryContent {
    // False while no trace is open: the figures then keep their initial "0".
    bool HasTrace = false;
    FrameStatisticsContent FrameStatistics;
    MediaUtilizationContent MediaUtilization;
    EncapsulationContent Encapsulation;
    FileAttributesContent FileAttributes;
    VlanContent Vlans;
};

// The whole page for the state and the "Packets" selection.
FileSummaryContent BuildFileSummary(const AnalysisState& state, MediaPackets selection = MediaPackets::All);

// The parts, for a page that refreshes one box at a time.
FrameStatisticsContent BuildFrameStatistics(const AnalysisState& state);
MediaUtilizationFigures BuildMediaUtilization(const AnalysisState& state, MediaPackets selection);
EncapsulationContent BuildEncapsulation(const AnalysisState& state);
FileAttributesContent BuildFileAttributes(const AnalysisState& state);
VlanContent BuildVlans(const AnalysisState& state);

// n / TotalFrames x 100 and x / TotalBytes x 100, rounded to nearest (ties to
// even) and kept within 0..100 for the gauges; 0 when the total is 0.
int FramePercent(const AnalysisState& state, double frames);
int BytePercent(const AnalysisState& state, double bytes);

// A utilisation percentage: "<1%" for 0, else the count and "%".
std::string BandwidthText(int64_t percent);

// The File Date box: the date-and-time text cut before its first blank.
std::string FileDateBoxText(const std::string& dateTimeText);

// A moment of a capture: microseconds since 1 January 1970, 00:00, on its clock.
struct CaptureMoment {
    int64_t Microseconds = 0;
    bool Utc = false;
};

// The moment of a frame time of the trace read: its format's start plus the frame
// time, on UTC when the format keeps UTC or local times are read as UTC. None when
// the format stores no start date.
std::optional<CaptureMoment> CaptureMomentOf(const AnalysisState& state, double frameTime);

// "08/12/2026 01:16:25.843", with " UTC" after it on UTC.
std::string CaptureMomentText(const CaptureMoment& moment);

// "2026-12-08T01:16:25.843", with "Z" after it on UTC.
std::string CaptureMomentISO8601(const CaptureMoment& moment);

// A span of time to the millisecond: "00:06:32.538", "3 days 01:00:00.000",
// "-00:00:05.000".
std::string CaptureDurationText(int64_t microseconds);

}  // namespace quenlix
