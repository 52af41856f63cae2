#include "ui/main/DLCErrorContent.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/Chains.h"
#include "model/Naming.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr const char* kLineBreak = "\r\n";

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += kLineBreak;
        text += lines[i];
    }
    return text;
}

// The RingOrder entries in use, never more than the table holds.
int RingEntriesInUse(const AnalysisState& state)
{
    return std::clamp<int32_t>(state.RingStationCount, 0, kRingOrderCapacity);
}

// The first RingOrder entry (1-based) holding the address, or 0.
int FindRingEntry(const AnalysisState& state, const uint8_t* address)
{
    const int used = RingEntriesInUse(state);
    for (int i = 1; i <= used; ++i)
        if (std::memcmp(state.RingOrder[static_cast<size_t>(i)].Address.data(), address, 6) == 0) return i;
    return 0;
}

// Whether the soft-error lists are filled: the trace has MAC frames and soft
// errors reported to the ring error monitor.
bool HasSoftErrorReports(const AnalysisState& state)
{
    if (state.MacFrames == 0) return false;
    int64_t sum = 0;
    for (int64_t total : state.RingSoftErrorTotals) sum += total;
    return sum != 0;
}

}  // namespace

// ---- Ethernet panel -------------------------------------------------------------

const std::array<FrameErrorBox, 4>& FrameErrorBoxes()
{
    static const std::array<FrameErrorBox, 4> boxes{{
        {"Bad FCS", "Frames that have an incorrect Frame Checksum (FCS)", "FCSTextBox", kStatBadFCS},
        {"Runt/Short", "Frames shorter than 64 bytes", "RuntTextBox", kStatRunts},
        {"Long/Jabber", "Frames longer than 1518 bytes", "LongTextBox", kStatOversize},
        {"Fragment", "Runt/short frames with a FCS error", "FragmentTextBox", kStatCRCFragments},
    }};
    return boxes;
}

namespace {

// Suspects per transmit in single precision, as the ranking compares them; an
// empty record counts as 0.
float SuspectRatio(uint16_t suspects, int64_t transmits)
{
    if (suspects == 0 || transmits <= 0) return 0.0F;
    return static_cast<float>(suspects) / static_cast<float>(transmits);
}

void RankStation(CollisionSuspectTable& table, const AnalysisState& state, const StationNode& station, uint16_t suspects)
{
    const float ratio = SuspectRatio(suspects, station.FramesSent);
    for (size_t i = 0; i < table.size(); ++i) {
        if (!(SuspectRatio(table[i].Suspects, table[i].Transmits) < ratio)) continue;
        std::move_backward(table.begin() + static_cast<std::ptrdiff_t>(i), table.end() - 1, table.end());
        table[i] = {suspects, VendorOf(state, station), station.FramesSent, {}};
        std::memcpy(table[i].Address.data(), station.Address.Data(), 6);
        return;
    }
}

// Suspects / Transmits x 100 rounded to nearest (ties to even), within a gauge's range.
int SuspectPercent(const CollisionSuspect& record)
{
    if (record.Transmits <= 0) return 0;
    const double percent = std::nearbyint(100.0 * record.Suspects / record.Transmits);
    return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

}  // namespace

CollisionSuspectTable BuildCollisionSuspectTable(const AnalysisState& state)
{
    CollisionSuspectTable table{};
    for (const auto& [address, station] : state.Stations) {
        const uint16_t suspects = ErrorsOf(state, station).CollisionSuspects;
        if (!IsSender(station) || suspects == 0 || station.FramesSent < kMinimumRankedTransmits) continue;
        RankStation(table, state, station, suspects);
    }
    return table;
}

EthernetErrorsContent ClearEthernetErrors()
{
    return EthernetErrorsContent{};
}

EthernetErrorsContent UpdateEthernetErrors(const AnalysisState& state, bool showByOUI)
{
    EthernetErrorsContent content = ClearEthernetErrors();
    for (size_t i = 0; i < FrameErrorBoxes().size(); ++i)
        content.FrameErrors[i] = FormatCount(state.FrameStats[static_cast<size_t>(FrameErrorBoxes()[i].StatIndex)]);
    content.CollisionSuspects = BuildCollisionSuspectTable(state);

    std::vector<std::string> notes;
    for (size_t n = 0; n < content.CollisionSuspects.size(); ++n) {
        const CollisionSuspect& record = content.CollisionSuspects[n];
        if (record.Empty()) continue;
        CollisionRow& row = content.Rows[n];
        row.Source = StationAddressText(state, record.Address.data(), record.Vendor, showByOUI);
        row.Transmits = FormatCount(record.Transmits);
        row.Retransmits = FormatCount(record.Suspects);
        row.Gauge = SuspectPercent(record);
        if (record.Transmits >= kNoteMinimumTransmits && row.Gauge >= kNoteMinimumPercent)
            notes.push_back("DLC source " + row.Source + " is suspect for high collision rates when transmitting.");
    }
    if (!notes.empty()) content.Notes = notes;

    if (state.FrameStats[kStatCRCFragments] == 0) {
        const int64_t otherErrors = int64_t{state.FrameStats[kStatBadFCS]} + state.FrameStats[kStatRunts] + state.FrameStats[kStatOversize];
        content.Notes.front() = otherErrors == 0
                                    ? "No frame errors or collision fragments to analyze in trace file."
                                    : "No collision fragments to analyze in trace file.";
    }
    return content;
}

std::string EthernetSummaryText(const EthernetErrorsContent& content)
{
    std::vector<std::string> lines{"Frame Error Summary"};
    for (size_t i = 0; i < FrameErrorBoxes().size(); ++i)
        lines.push_back(std::string(FrameErrorBoxes()[i].Label) + " \t" + content.FrameErrors[i]);
    lines.emplace_back();
    lines.emplace_back("Collision Fragment Analysis");
    lines.emplace_back("DLC Source\tTransmits\tRetransmits\t% Retransmitted");
    for (const CollisionRow& row : content.Rows)
        lines.push_back(row.Source + "\t" + row.Transmits + "\t" + row.Retransmits + "\t" + std::to_string(row.Gauge) +
                        "%");
    return JoinLines(lines);
}

// ---- Token Ring soft error summary -------------------------------------------------

const std::array<SoftErrorGroup, 3>& SoftErrorGroups()
{
    static const std::array<SoftErrorGroup, 3> groups{{
        {"Fault Domain", "Errors between reporting station and its upstream neighbor"},
        {"Ring Wide", "Errors anywhere on ring"},
        {"Station Specific", "Errors specific to reporting station"},
    }};
    return groups;
}

const std::array<SoftErrorRowInfo, kSoftErrorKinds>& SoftErrorRows()
{
    static const std::array<SoftErrorRowInfo, kSoftErrorKinds> rows{{
        {kSoftBurst, 0, "Burst Error", "Brief signal loss (2.5 bit times)", "BurstTotalTextBox",
         "BurstStationsTextBox", "BurstList"},
        {kSoftLine, 0, "Line Error", "CRC in packet or error in token", "LineTotalTextBox", "LineStationsTextBox",
         "LineList"},
        {kSoftToken, 1, "Token Error", "Token was lost or corrupted", "TokenTotalTextBox", "TokenStationsTextBox",
         "TokenList"},
        {kSoftLostFrame, 1, "Lost Frame", "Frame was lost", "LostFrameTotalTextBox", "LostFrameStationsTextBox",
         "LostList"},
        {kSoftFrameCopied, 1, "Frame Copied", "Possible duplicate address", "FCTotalTextBox", "FCStationsTextBox",
         "FCList"},
        {kSoftFrequency, 1, "Frequency", "Signal deviation", "FrequencyTotalTextBox", "FrequencyStationsTextBox",
         "FrequencyList"},
        {kSoftAC, 1, "AC", "Duplicate SMP received", "ACTotalTextBox", "ACStationsTextBox", "ACList"},
        {kSoftCongestion, 2, "Rcvr Congestion", "Address recognized but packet not copied", "CongestionTotalTextBox",
         "CongestionStationsTextBox", "CongList"},
        {kSoftInternal, 2, "Internal Error", "Adapter problem", "InternalTotalTextBox", "InternalStationsTextBox",
         "InternalList"},
        {kSoftAbort, 2, "Transmit Abort", "Station prematurely ended transmission", "AbortTotalTextBox",
         "AbortStationsTextBox", "AbortList"},
    }};
    return rows;
}

const std::array<LabelAndHint, 3>& SoftErrorHeadings()
{
    static const std::array<LabelAndHint, 3> headings{{
        {"Total", "Total errors reported"},
        {"Stations", "Total stations reporting error"},
        {"Reporting Station/NAUN/Count", "Station reporting the error, its upstream neighbor, & error count"},
    }};
    return headings;
}

std::string SoftErrorSummary::StationsText(int kind) const
{
    if (kind < 0 || kind >= kSoftErrorKinds) return "0";
    return std::to_string(SoftErrorStations[static_cast<size_t>(kind)]);
}

namespace {

// Adds one reporting station's list items: one per upstream neighbour record and
// kind the station reported.
void FillStationLists(const AnalysisState& state, const StationNode& station, bool showByOUI,
                      SoftErrorSummary& summary)
{
    const StationErrorRecord& errors = ErrorsOf(state, station);
    const std::vector<int> chain = MACInfoChain(state, errors.FirstMACInfo);
    const bool severalNeighbours = chain.size() > 1;
    if (severalNeighbours && summary.MultiNAUNCount < UINT16_MAX) ++summary.MultiNAUNCount;
    const std::string stationText = (severalNeighbours ? "*" : "") +
                                    StationAddressText(state, station.Address.Data(), VendorOf(state, station), showByOUI);
    for (int index : chain) {
        const TMACInfo& info = state.ObjectList.MACInfo(index);
        // The neighbour's vendor is looked up from the address shown: a record made by
        // a monitor frame carries no vendor, and monitor frames replace the first
        // record's neighbour without renewing the vendor it was made with.
        const std::string naunText =
            StationAddressText(state, info.NAUN.data(), FindVendor(state, info.NAUN.data()), showByOUI);
        for (int kind = 0; kind < kSoftErrorKinds; ++kind) {
            const uint32_t count = info.SoftErrors[static_cast<size_t>(kind)];
            if ((errors.SoftErrorKinds & (1u << kind)) == 0 || count == 0) continue;
            summary.Lists[static_cast<size_t>(kind)].push_back(stationText + "/" + naunText + "/" + FormatCount(count));
            uint16_t& reporters = summary.SoftErrorStations[static_cast<size_t>(kind)];
            if (reporters < UINT16_MAX) ++reporters;
        }
    }
}

std::string MultipleNeighboursNote(uint16_t count)
{
    if (count == 1) return "1 station (marked by an *) has had multiple upstream neighbors.";
    return FormatCount(count) + " stations (marked by an *) have had multiple upstream neighbors.";
}

}  // namespace

SoftErrorSummary UpdateTokenRingErrors(const AnalysisState& state, bool showByOUI)
{
    SoftErrorSummary summary;
    if (state.MacFrames == 0) {
        summary.Notes.front() = "No Media Access Control (MAC) frames in trace to analyze.";
    } else if (!HasSoftErrorReports(state)) {
        summary.Notes.front() = "No Media Access Control (MAC) error report frames in trace to analyze.";
    } else {
        for (const auto& [address, station] : state.Stations)
            if (IsSender(station) && ErrorsOf(state, station).SoftErrorKinds != 0) FillStationLists(state, station, showByOUI, summary);
        if (summary.MultiNAUNCount > 0) summary.Notes.front() = MultipleNeighboursNote(summary.MultiNAUNCount);
    }
    for (int kind = 0; kind < kSoftErrorKinds; ++kind)
        summary.Totals[static_cast<size_t>(kind)] = FormatCount(state.RingSoftErrorTotals[static_cast<size_t>(kind)]);
    return summary;
}

std::string SoftErrorSummaryText(const SoftErrorSummary& summary)
{
    struct Section {
        const char* Title;
        std::vector<std::pair<const char*, int>> Rows;
    };
    const Section sections[] = {
        {"Fault Domain Errors", {{"Burst Error", kSoftBurst}, {"Line Error", kSoftLine}}},
        {"Station Specific Errors",
         {{"Receiver Congestion", kSoftCongestion}, {"Internal Error", kSoftInternal}, {"Transmit Abort", kSoftAbort}}},
        {"Ring Wide Errors",
         {{"Token Error", kSoftToken},
          {"Lost Frame Error", kSoftLostFrame},
          {"Frame Copied", kSoftFrameCopied},
          {"Frequency", kSoftFrequency},
          {"AC", kSoftAC}}},
    };
    std::vector<std::string> lines{"\tTotal\tStations\tReporting Station/NAUN/Count"};
    for (const Section& section : sections) {
        lines.emplace_back();
        lines.emplace_back(section.Title);
        for (const auto& [title, kind] : section.Rows) {
            const std::vector<std::string>& list = summary.Lists[static_cast<size_t>(kind)];
            lines.push_back(std::string(title) + "\t" + summary.Totals[static_cast<size_t>(kind)] + "\t" +
                            summary.StationsText(kind) + "\t" + (list.empty() ? std::string() : list.front()));
            for (size_t i = 1; i < list.size(); ++i) lines.push_back("\t\t\t" + list[i]);
        }
    }
    return JoinLines(lines);
}

// ---- ring map ----------------------------------------------------------------------

RingMapInput BuildRingMapInput(const AnalysisState& state)
{
    RingMapInput input;
    input.RingStationCount = state.RingStationCount;
    const int used = RingEntriesInUse(state);
    const bool linkErrors = HasSoftErrorReports(state);
    input.Stations.resize(static_cast<size_t>(used));
    for (int b = 1; b <= used; ++b) {
        const RingEntry& entry = state.RingOrder[static_cast<size_t>(b)];
        RingStation& station = input.Stations[static_cast<size_t>(b - 1)];
        station.Address = entry.Address;
        station.RingFlags = entry.RingFlags;
        station.SeenThisCycle = entry.SeenThisCycle;
        // A station listed twice is linked at its first place only.
        if (FindRingEntry(state, entry.Address.data()) != b) continue;
        const auto found = state.Stations.find(MacString(entry.Address.data(), 6));
        if (found == state.Stations.end() || !IsSender(found->second)) continue;
        const StationNode& node = found->second;
        station.RingVendor = VendorOf(state, node);
        station.VendorName = VendorNameOf(state, station.RingVendor);
        const StationErrorRecord& errors = ErrorsOf(state, node);
        if (!linkErrors || errors.SoftErrorKinds == 0) continue;
        const std::vector<int> chain = MACInfoChain(state, errors.FirstMACInfo);
        if (chain.empty()) continue;
        station.RingMACInfo = chain.front();
        for (int index : chain) station.Chain.push_back(state.ObjectList.MACInfo(index));
    }
    return input;
}

std::string RingLabelText(const RingStation& station, bool showByOUI)
{
    std::string text = MACToHex(station.Address.data());
    if (text == "C00000000002") text = "Ring Param Svr";
    else if (text == "C00000000008") text = "Ring Err Mon";
    else if (text == "C00000000010") text = "Ring Config Svr";
    else if (text == "C000FFFFFFFF") text = "Ring Broadcast";
    if (showByOUI && station.RingVendor != 0 && !station.VendorName.empty())
        text = station.VendorName + text.substr(std::min<size_t>(6, text.size()), 6);
    return text;
}

std::string RingMapCaption(int32_t ringStationCount)
{
    if (ringStationCount <= 0) return "(There is no ring poll in the trace file)";
    if (ringStationCount == 1) return "(There is only one station in the ring poll)";
    return "(Downstream neighbors are clockwise)";
}

RingPollRole RingPollRoleOf(const RingStation& station)
{
    RingPollRole role = station.SeenThisCycle != 0 ? RingPollRole::StandbyMonitor : RingPollRole::Deinserted;
    if (station.RingFlags.Has(kRingExActiveMonitor)) role = RingPollRole::ExActiveMonitor;
    if (station.RingFlags.Has(kRingActiveMonitor)) role = RingPollRole::ActiveMonitor;
    if (station.RingFlags.Has(kRingDeinserted)) role = RingPollRole::Deinserted;
    return role;
}

const char* RingPollRoleName(RingPollRole role)
{
    switch (role) {
    case RingPollRole::ActiveMonitor: return "Active Monitor";
    case RingPollRole::ExActiveMonitor: return "Ex-Active Monitor";
    case RingPollRole::Deinserted: return "Deinserted";
    case RingPollRole::StandbyMonitor: break;
    }
    return "Standby Monitor";
}

RGBColour RingPollColour(RingPollRole role)
{
    using namespace dlccolours;
    switch (role) {
    case RingPollRole::ActiveMonitor: return kAqua;
    case RingPollRole::ExActiveMonitor: return kTeal;
    case RingPollRole::Deinserted: return kButtonShadow;
    case RingPollRole::StandbyMonitor: break;
    }
    return kButtonText;
}

namespace {

RGBColour StationErrorsColour(const RingStation& station)
{
    using namespace dlccolours;
    RGBColour colour = kButtonText;
    for (const TMACInfo& info : station.Chain) {
        if (info.SoftErrors[kSoftInternal] != 0)
            colour = kRed;
        else if (info.SoftErrors[kSoftAbort] != 0 && colour != kRed)
            colour = kFuchsia;
        else if (info.SoftErrors[kSoftCongestion] != 0 && colour != kRed && colour != kFuchsia)
            colour = kYellow;
    }
    return colour;
}

// The radius: room for a label left and right, and for the labels above and
// below; never less than one pixel, never more than a point offset can hold.
int32_t RingRadiusFor(int centreX, int centreY, int labelWidth, int n)
{
    int32_t radius = centreX - labelWidth - 6;
    radius = std::min<int32_t>(radius, centreY - 10 - n / 10);
    return std::clamp<int32_t>(radius, 1, INT16_MAX);
}

RingLabel PlaceLabel(const RingMapContent& map, const RingStation& station, int pointIndex,
                     const RingMapOptions& options, const RingTextMetrics& metrics)
{
    RingLabel label;
    label.PointIndex = pointIndex;
    label.Text = pointIndex >= kRingPointCount ? kOverflowLabel : RingLabelText(station, options.ShowByOUI);
    const RingPoint point = map.Points.RingPoints[static_cast<size_t>(pointIndex)];
    label.RingX = map.CentreX + point.X;
    label.RingY = map.CentreY + point.Y;
    label.Width = metrics.TextWidth(label.Text, map.FontSize);
    label.Height = map.LabelHeight;
    label.Left = point.X < 1 ? label.RingX - 5 - label.Width : label.RingX + 7;
    // Labels near the top and bottom move outwards by up to nine pixels.
    label.Top = label.RingY - 5 + static_cast<int>(std::nearbyint(static_cast<double>(point.Y) / map.RingRadius * 9));
    label.Colour = options.IdBy == StationID::RingPoll ? RingPollColour(RingPollRoleOf(station))
                                                         : StationErrorsColour(station);
    label.Boxed = IsLightColour(label.Colour);
    label.TextColour = label.Boxed ? dlccolours::kButtonText : label.Colour;
    return label;
}

void AddFaultLines(RingMapContent& map, const RingMapInput& input, FaultDomain domain)
{
    const int kind = domain == FaultDomain::BurstErrors ? kSoftBurst : kSoftLine;
    for (size_t b = 0; b < input.Stations.size(); ++b) {
        for (const TMACInfo& info : input.Stations[b].Chain) {
            if (info.SoftErrors[static_cast<size_t>(kind)] == 0) continue;
            const auto upstream = std::find_if(input.Stations.begin(), input.Stations.end(),
                                               [&](const RingStation& s) { return s.Address == info.NAUN; });
            if (upstream == input.Stations.end()) continue;  // not in the ring poll: no line
            const RingLabel& from = map.Labels[b];
            const RingLabel& to = map.Labels[static_cast<size_t>(upstream - input.Stations.begin())];
            map.FaultLines.push_back({from.RingX, from.RingY, to.RingX, to.RingY});
        }
    }
}

}  // namespace

RingMapContent BuildRingMap(const RingMapInput& input, int width, int height, const RingMapOptions& options,
                            const RingTextMetrics& metrics)
{
    RingMapContent map;
    map.Width = std::max(width, 0);
    map.Height = std::max(height, 0);
    map.CentreX = map.Width / 2;
    map.CentreY = map.Height / 2;
    map.FontSize = kRingMapFontSize;
    map.Caption = RingMapCaption(input.RingStationCount);
    const int n = std::clamp<int32_t>(input.RingStationCount, 4, kRingPointCount);
    const bool empty = input.RingStationCount <= 0 || input.Stations.empty();
    map.LabelWidth = empty ? 0 : metrics.TextWidth(MACToHex(input.Stations.front().Address.data()), map.FontSize) + 5;
    map.RingRadius = RingRadiusFor(map.CentreX, map.CentreY, map.LabelWidth, n);
    map.PointStep = 4.0 * map.RingRadius / (n + 3);
    map.LabelHeight = metrics.TextHeight("0", map.FontSize);
    // Crowded rings get a smaller font, down to the smallest legible size.
    while (map.FontSize > kRingMapSmallestFontSize && std::nearbyint(map.PointStep) < map.LabelHeight - 2)
        map.LabelHeight = metrics.TextHeight("0", --map.FontSize);
    map.Points = BuildRingPoints(input.RingStationCount, map.RingRadius, map.PointStep);
    map.FewStations = map.Points.FewStations;
    if (empty) return map;

    const std::vector<int> indexes = RingPointIndexes(static_cast<int32_t>(input.Stations.size()), map.FewStations);
    bool overflowDrawn = false;
    for (size_t b = 0; b < input.Stations.size(); ++b) {
        RingLabel label = PlaceLabel(map, input.Stations[b], indexes[b], options, metrics);
        if (label.PointIndex >= kRingPointCount) {
            label.Drawn = !overflowDrawn;
            overflowDrawn = true;
        }
        map.Labels.push_back(std::move(label));
    }
    AddFaultLines(map, input, options.Domain);
    return map;
}

}  // namespace quenlix
