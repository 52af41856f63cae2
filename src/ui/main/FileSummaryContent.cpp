#include "ui/main/FileSummaryContent.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "model/NumberFormat.h"
#include "ui/main/MainWindowContent.h"

namespace quenlix {

namespace {

int64_t Stat(const AnalysisState& state, int index)
{
    return state.FrameStats[static_cast<size_t>(index)];
}

int64_t Util(const AnalysisState& state, int index)
{
    return state.UtilStats[static_cast<size_t>(index)];
}


// A share of a total as a gauge value.
int GaugePercent(double part, double total)
{
    if (!(total > 0) || !std::isfinite(part)) return 0;
    return static_cast<int>(std::clamp(std::nearbyint(part / total * 100.0), 0.0, 100.0));
}

// An average size in the count format; "0" when nothing was counted.
std::string AverageText(double bytes, double frames)
{
    if (!(frames > 0)) return "0";
    return FormatCount(std::nearbyint(bytes / frames));
}

// round(bytes) div intervals, the average byte rate of the Media Utilization box.
int64_t BytesPerInterval(double bytes, int32_t intervals)
{
    if (intervals <= 0 || !std::isfinite(bytes)) return 0;
    const double rounded = std::clamp(std::nearbyint(bytes), -9.0e18, 9.0e18);
    return static_cast<int64_t>(rounded) / intervals;
}

int64_t FramesPerInterval(int64_t frames, int32_t intervals)
{
    return intervals > 0 ? frames / intervals : 0;
}

FrameClassRow& FillRow(FrameClassRow& row, const AnalysisState& state, int64_t frames, double bytes)
{
    row.Count = FormatCount(frames);
    row.CountPercent = FramePercent(state, static_cast<double>(frames));
    row.Bytes = FormatCount(bytes);
    row.BytesPercent = BytePercent(state, bytes);
    return row;
}

void FillEncapsulationRow(EncapsulationRow& row, const AnalysisState& state, int64_t frames)
{
    row.Count = FormatCount(frames);
    row.Percent = FramePercent(state, static_cast<double>(frames));
}

// The capture start and end boxes and their ISO 8601 forms.
void SetCaptureTimes(FileAttributesContent& content, const AnalysisState& state)
{
    const std::optional<CaptureMoment> start = CaptureMomentOf(state, state.Read.FirstFrameTime);
    const std::optional<CaptureMoment> end = CaptureMomentOf(state, state.Read.LastFrameTime);
    if (!start || !end) return;
    content.CaptureStart.Text = CaptureMomentText(*start);
    content.CaptureEnd.Text = CaptureMomentText(*end);
    content.CaptureStartISO8601 = CaptureMomentISO8601(*start);
    content.CaptureEndISO8601 = CaptureMomentISO8601(*end);
    const int64_t span = end->Microseconds - start->Microseconds;
    content.CaptureDuration.Text = CaptureDurationText(span);
    content.CaptureDurationSeconds = static_cast<double>(span / 1000) / 1000.0;
}

}  // namespace

int FramePercent(const AnalysisState& state, double frames)
{
    return GaugePercent(frames, state.TotalFrames);
}

int BytePercent(const AnalysisState& state, double bytes)
{
    return GaugePercent(bytes, state.TotalBytes);
}

std::string BandwidthText(int64_t percent)
{
    return percent == 0 ? "<1%" : FormatCount(percent) + "%";
}

std::string FileDateBoxText(const std::string& dateTimeText)
{
    return dateTimeText.substr(0, dateTimeText.find(' '));
}

std::optional<CaptureMoment> CaptureMomentOf(const AnalysisState& state, double frameTime)
{
    const CaptureClock clock = state.Read.CaptureTimeClock;
    if (clock == CaptureClock::Unknown) return std::nullopt;
    // A frame time beyond some 290,000 years can only be damage; it is held there.
    constexpr double kLimit = 9.0e18;
    const double offset = std::isfinite(frameTime) ? std::clamp(std::nearbyint(frameTime), -kLimit, kLimit) : 0.0;
    const double sum = static_cast<double>(state.Read.FrameTimeOrigin) + offset;
    CaptureMoment moment;
    moment.Microseconds = static_cast<int64_t>(std::clamp(sum, -kLimit, kLimit));
    moment.Utc = clock == CaptureClock::Utc || state.Options.LocalCaptureTimesAsUtc != 0;
    return moment;
}

std::string CaptureMomentText(const CaptureMoment& moment)
{
    int microsecond = 0;
    const CalendarTime time = CalendarFromUnixMicroseconds(moment.Microseconds, microsecond);
    char millisecond[16];
    std::snprintf(millisecond, sizeof millisecond, ".%03d", microsecond / 1000);
    return FormatDateTime(static_cast<int>(time.Year), time.Month, time.Day, time.Hour, time.Minute, time.Second) +
           millisecond + (moment.Utc ? " UTC" : "");
}

std::string CaptureDurationText(int64_t microseconds)
{
    const bool negative = microseconds < 0;
    // Both ends are held within some 290,000 years, so the magnitude fits.
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(microseconds) : static_cast<uint64_t>(microseconds);
    const uint64_t milliseconds = magnitude / 1000;
    const uint64_t seconds = milliseconds / 1000;
    const uint64_t days = seconds / 86400;
    char clock[48];
    std::snprintf(clock, sizeof clock, "%02u:%02u:%02u.%03u", static_cast<unsigned>(seconds % 86400 / 3600),
                  static_cast<unsigned>(seconds % 3600 / 60), static_cast<unsigned>(seconds % 60),
                  static_cast<unsigned>(milliseconds % 1000));
    std::string text = negative ? "-" : "";
    if (days > 0) text += FormatCount(static_cast<int64_t>(days)) + (days == 1 ? " day " : " days ");
    return text + clock;
}

std::string CaptureMomentISO8601(const CaptureMoment& moment)
{
    int microsecond = 0;
    const CalendarTime time = CalendarFromUnixMicroseconds(moment.Microseconds, microsecond);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02dT%02d:%02d:%02d.%03d%s", static_cast<long long>(time.Year),
                  time.Month, time.Day, time.Hour, time.Minute, time.Second, microsecond / 1000,
                  moment.Utc ? "Z" : "");
    return buffer;
}

FrameStatisticsContent BuildFrameStatistics(const AnalysisState& state)
{
    FrameStatisticsContent content;
    if (IsTokenRing(state.Topology)) content.Multicast.Label = "Functional";
    if (state.Read.TraceFileName.empty()) return content;

    const int64_t broadcasts = Stat(state, kStatBroadcastFrames);
    const int64_t multicasts = Stat(state, kStatMulticastFrames);
    const int64_t stationFrames = int64_t{state.TotalFrames} - broadcasts - multicasts;
    const double stationBytes = state.TotalBytes - state.TotalBroadcastBytes - state.TotalMulticastBytes;

    // The station row's size figures cover every frame of the trace.
    FillRow(content.Station, state, stationFrames, std::nearbyint(stationBytes));
    content.Station.AverageSize = AverageText(state.TotalBytes, state.TotalFrames);
    content.Station.Largest = FormatCount(Stat(state, kStatLargestFrame));

    FillRow(content.Multicast, state, multicasts, state.TotalMulticastBytes);
    content.Multicast.AverageSize = AverageText(state.TotalMulticastBytes, static_cast<double>(multicasts));
    content.Multicast.Largest = FormatCount(Stat(state, kStatLargestMulticast));

    FillRow(content.Broadcast, state, broadcasts, state.TotalBroadcastBytes);
    content.Broadcast.AverageSize = AverageText(state.TotalBroadcastBytes, static_cast<double>(broadcasts));
    content.Broadcast.Largest = FormatCount(Stat(state, kStatLargestBroadcast));

    content.TotalPackets = FormatCount(state.TotalFrames);
    content.TotalBytes = FormatCount(state.TotalBytes);
    return content;
}

MediaUtilizationFigures BuildMediaUtilization(const AnalysisState& state, MediaPackets selection)
{
    MediaUtilizationFigures figures;
    if (state.Read.TraceFileName.empty()) return figures;

    const bool all = selection == MediaPackets::All;
    const int64_t groupFrames = int64_t{Stat(state, kStatBroadcastFrames)} + Stat(state, kStatMulticastFrames);
    const int64_t frames = all ? int64_t{state.TotalFrames} : groupFrames;
    // The broadcast byte rate covers broadcast bytes only, while its frame rates
    // include multicast frames.
    const double bytes = all ? state.TotalBytes : state.TotalBroadcastBytes;

    figures.AvePps.Text = FormatCount(FramesPerInterval(frames, state.IntervalCount));
    figures.PeakPps.Text = FormatCount(Util(state, all ? kUtilPeakFrames : kUtilPeakGroupFrames));
    figures.AveBps.Text = FormatCount(BytesPerInterval(bytes, state.IntervalCount));
    figures.PeakBps.Text = FormatCount(Util(state, all ? kUtilPeakBytes : kUtilPeakGroupBytes));
    figures.AveBandwidth.Text = BandwidthText(Util(state, all ? kUtilAverage : kUtilAverageGroup));
    figures.PeakBandwidth.Text = BandwidthText(Util(state, all ? kUtilPeak : kUtilPeakBroadcast));
    return figures;
}

EncapsulationContent BuildEncapsulation(const AnalysisState& state)
{
    EncapsulationContent content;
    EncapsulationRow& third = content.Rows[2];
    EncapsulationRow& novellRaw = content.Rows[3];
    if (IsTokenRing(state.Topology)) {
        third.Label = "MAC";
        third.Hint = "Media Access Control";
        novellRaw.Visible = false;
    }
    if (state.Read.TraceFileName.empty()) return content;

    FillEncapsulationRow(content.Rows[0], state, Stat(state, kStatLLCFrames));
    FillEncapsulationRow(content.Rows[1], state, Stat(state, kStatSNAPFrames));
    FillEncapsulationRow(third, state, IsTokenRing(state.Topology) ? state.MacFrames : Stat(state, kStatEthernetIIFrames));
    FillEncapsulationRow(novellRaw, state, Stat(state, kStatNovellRawFrames));
    return content;
}

FileAttributesContent BuildFileAttributes(const AnalysisState& state)
{
    FileAttributesContent content;
    GetAnalyzerName(state.Read.TraceFormat, content.Analyzer.Text);
    const bool tokenRing = IsTokenRing(state.Topology);
    content.Topology.Text = tokenRing ? "Token Ring" : "Ethernet";
    content.Bandwidth.Text = std::to_string(tokenRing ? state.Options.TokenRingSpeed : state.Options.EthernetSpeed) + " Mbps";
    content.Duration.Text = state.TraceDurationText;
    content.FileDate.Text = FileDateBoxText(FileDateText(state.Read.TraceFileName));
    content.FileDateISO8601 = FileDateISO8601(state.Read.TraceFileName);
    if (state.TotalFrames > 0) SetCaptureTimes(content, state);
    content.FileSize.Text = FormatCount(state.Read.TraceFileSize);
    content.Frames.Text = FormatCount(state.TotalFrames);
    content.Bytes.Text = FormatCount(state.TotalBytes);
    content.ReadNote = ReadNote(state);
    return content;
}

VlanContent BuildVlans(const AnalysisState& state)
{
    VlanContent content;
    for (const auto& [id, frames] : state.VlanFrames) content.Rows.push_back({id, frames, "", ""});
    // The map lists IDs in order, so a stable sort by count keeps ties by ID.
    std::stable_sort(content.Rows.begin(), content.Rows.end(),
                     [](const VlanRow& a, const VlanRow& b) { return a.Frames > b.Frames; });
    if (content.Rows.size() > VlanContent::kShownVlans) {
        content.More = content.Rows.size() - VlanContent::kShownVlans;
        content.Rows.resize(VlanContent::kShownVlans);
        content.MoreText = "and " + FormatCount(content.More) + (content.More == 1 ? " more VLAN ID" : " more VLAN IDs");
    }
    for (VlanRow& row : content.Rows) {
        row.Label = "VLAN " + std::to_string(row.Id);
        row.Count = FormatCount(row.Frames) + (row.Frames == 1 ? " frame" : " frames");
    }
    return content;
}

FileSummaryContent BuildFileSummary(const AnalysisState& state, MediaPackets selection)
{
    FileSummaryContent content;
    content.HasTrace = !state.Read.TraceFileName.empty();
    content.FrameStatistics = BuildFrameStatistics(state);
    content.MediaUtilization.Selection = selection;
    content.MediaUtilization.All = BuildMediaUtilization(state, MediaPackets::All);
    content.MediaUtilization.Broadcast = BuildMediaUtilization(state, MediaPackets::Broadcast);
    content.Encapsulation = BuildEncapsulation(state);
    content.FileAttributes = BuildFileAttributes(state);
    content.Vlans = BuildVlans(state);
    return content;
}

}  // namespace quenlix
