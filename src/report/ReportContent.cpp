#include "report/ReportContent.h"

#include <algorithm>
#include <array>
#include <vector>

#include "import/TraceImport.h"
#include "model/Naming.h"
#include "ui/main/DLCErrorContent.h"
#include "ui/main/FileSummaryContent.h"
#include "ui/main/ProtocolTableContent.h"
#include "ui/shared/JsonWriter.h"
#include "report/TextTable.h"

namespace quenlix {

namespace {

constexpr const char* kIndent = "  ";

std::string Percent(int gauge) { return std::to_string(gauge) + "%"; }

// The print header line: the analyser name, " File " and the trace's path.
std::string HeaderLine(const AnalysisState& state)
{
    std::string analyzer;
    GetAnalyzerName(state.Read.TraceFormat, analyzer);
    return analyzer + " File " + state.Read.TraceFileName;
}

// How the read ended: "complete", "stopped" or "ended early", the frame of the file it
// ended at, the reason and the status line, and the clipped frames.
void ReadJson(JsonWriter& json, const AnalysisState& state)
{
    static constexpr const char* kEnds[] = {"complete", "stopped", "ended early"};
    json.Key("Read");
    json.BeginObject();
    json.Field("End", kEnds[static_cast<int>(ReadEndOf(state))]);
    json.Field("Frame", ReadEndFrame(state));
    json.Field("Reason", ReadEndOf(state) == ReadEnd::EndedEarly ? state.Read.ReadEndText : std::string());
    json.Field("Status", ReadStatusText(state));
    json.Field("ClippedFrames", state.Read.ClippedFrames);
    json.Field("SkippedFrames", state.Read.SkippedFrames);
    json.Field("SkippedRecords", state.Read.SkippedRecords);
    json.EndObject();
}

// ---- text sections ----------------------------------------------------------------

std::string FileAttributesText(const FileAttributesContent& box)
{
    TextTable table({GridAlignment::Left, GridAlignment::Left});
    const std::array<const SummaryValue*, 8> values{&box.Analyzer, &box.Topology, &box.Bandwidth, &box.Duration,
                                                    &box.FileDate, &box.FileSize,  &box.Frames,    &box.Bytes};
    for (const SummaryValue* value : values) table.AddRow({value->Label, value->Text});
    std::string text = table.Render();
    // The capture times, where the trace stores its start date, follow the file
    // date as a table of their own, so that the other lines keep their layout.
    if (!box.CaptureStart.Text.empty()) {
        TextTable times({GridAlignment::Left, GridAlignment::Left});
        for (const SummaryValue* value : {&box.CaptureStart, &box.CaptureEnd, &box.CaptureDuration})
            times.AddRow({value->Label, value->Text});
        const auto linesUpToFileDate = std::find(values.begin(), values.end(), &box.FileDate) - values.begin() + 1;
        std::size_t after = 0;
        for (auto line = 0; line < linesUpToFileDate; ++line) after = text.find('\n', after) + 1;
        text.insert(after, times.Render());
    }
    return box.Caption + '\n' + text;
}

std::string FrameStatisticsText(const FrameStatisticsContent& box)
{
    const auto& h = box.Headings;
    TextTable table({GridAlignment::Left, GridAlignment::Right, GridAlignment::Right, GridAlignment::Right,
                     GridAlignment::Right, GridAlignment::Right, GridAlignment::Right});
    table.AddRow({"", h[0].Label, "%", h[1].Label, "%", h[2].Label, h[3].Label});
    for (const FrameClassRow* row : {&box.Station, &box.Multicast, &box.Broadcast})
        table.AddRow({row->Label, row->Count, Percent(row->CountPercent), row->Bytes, Percent(row->BytesPercent),
                      row->AverageSize, row->Largest});
    table.AddRow({box.TotalLabel, box.TotalPackets, "", box.TotalBytes});
    return box.Caption + '\n' + table.Render();
}

std::string MediaUtilizationText(const MediaUtilizationContent& box)
{
    TextTable table({GridAlignment::Left, GridAlignment::Right, GridAlignment::Right});
    table.AddRow({box.SelectionCaption + ":", box.SelectionItems[0], box.SelectionItems[1]});
    const MediaUtilizationFigures& all = box.All;
    const MediaUtilizationFigures& broadcast = box.Broadcast;
    const SummaryValue MediaUtilizationFigures::*values[] = {
        &MediaUtilizationFigures::AvePps,       &MediaUtilizationFigures::PeakPps,
        &MediaUtilizationFigures::AveBps,       &MediaUtilizationFigures::PeakBps,
        &MediaUtilizationFigures::AveBandwidth, &MediaUtilizationFigures::PeakBandwidth};
    for (auto value : values) table.AddRow({(all.*value).Label, (all.*value).Text, (broadcast.*value).Text});
    return box.Caption + '\n' + table.Render();
}

std::string EncapsulationText(const EncapsulationContent& box)
{
    TextTable table({GridAlignment::Left, GridAlignment::Right, GridAlignment::Right});
    for (const EncapsulationRow& row : box.Rows)
        if (row.Visible) table.AddRow({row.Label, row.Count, Percent(row.Percent)});
    return box.Caption + '\n' + table.Render();
}

// Empty when no frame was tagged, so that the report of an untagged trace is unchanged.
std::string VlansText(const VlanContent& box)
{
    if (box.Rows.empty()) return "";
    TextTable table({GridAlignment::Left, GridAlignment::Right});
    for (const VlanRow& row : box.Rows) table.AddRow({row.Label, row.Count});
    std::string text = box.Caption + '\n' + table.Render();
    if (!box.MoreText.empty()) text += box.MoreText + '\n';
    return text + '\n';
}

std::string ProtocolTableText(const ProtocolTableContent& content)
{
    TextTable table = TextTable::ForColumns(kProtocolColumns);
    std::vector<std::string> headers;
    for (const GridColumn& column : kProtocolColumns) headers.push_back(column.Header);
    table.AddRow(headers);
    for (const ProtocolTableRow& row : content.Rows) table.AddRow({row.Cells.begin(), row.Cells.end()});
    return "Protocol Table\n" + table.Render();
}

// The DLC error page of the trace's topology. The report shows addresses as
// twelve hexadecimal digits, the page's default.
constexpr bool kReportByVendor = false;

std::string IndentedLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += kIndent + line + '\n';
    return text;
}

std::string EthernetErrorsText(const EthernetErrorsContent& content)
{
    std::string text = "DLC Error Expert: Ethernet\n\nFrame Error Summary\n";
    TextTable counts({GridAlignment::Left, GridAlignment::Right});
    for (size_t i = 0; i < FrameErrorBoxes().size(); ++i) counts.AddRow({FrameErrorBoxes()[i].Label, content.FrameErrors[i]});
    text += counts.Render() + "\nCollision Fragment Analysis\n";
    TextTable rows = TextTable::ForColumns(kCollisionColumns);
    rows.AddRow({kCollisionColumns[0].Header, kCollisionColumns[1].Header, kCollisionColumns[2].Header,
                 kCollisionColumns[3].Header});
    for (const CollisionRow& row : content.Rows)
        if (!row.Source.empty()) rows.AddRow({row.Source, row.Transmits, row.Retransmits, Percent(row.Gauge)});
    return text + rows.Render() + "\nNotes\n" + IndentedLines(content.Notes);
}

std::string RingOrderText(const RingMapInput& ring)
{
    std::string text = "Ring Order: " + RingMapCaption(ring.RingStationCount) + "\n";
    if (ring.Stations.empty()) return text;
    TextTable table({GridAlignment::Right, GridAlignment::Left, GridAlignment::Left});
    table.AddRow({"#", "Station", "Ring Poll"});
    for (size_t i = 0; i < ring.Stations.size(); ++i) {
        const RingStation& station = ring.Stations[i];
        table.AddRow({std::to_string(i + 1), RingLabelText(station, kReportByVendor),
                      RingPollRoleName(RingPollRoleOf(station))});
    }
    return text + table.Render();
}

std::string SoftErrorsText(const SoftErrorSummary& summary)
{
    TextTable table({GridAlignment::Left, GridAlignment::Right, GridAlignment::Right, GridAlignment::Left});
    const auto& headings = SoftErrorHeadings();
    table.AddRow({"", headings[0].Label, headings[1].Label, headings[2].Label});
    for (const SoftErrorRowInfo& row : SoftErrorRows()) {
        const auto kind = static_cast<size_t>(row.Kind);
        const std::vector<std::string>& list = summary.Lists[kind];
        table.AddRow({row.Label, summary.Totals[kind], summary.StationsText(row.Kind), list.empty() ? "" : list.front()});
        for (size_t i = 1; i < list.size(); ++i) table.AddRow({"", "", "", list[i]});
    }
    return "Soft Error Summary\n" + table.Render() + "\nNotes\n" + IndentedLines(summary.Notes);
}

std::string DLCErrorsText(const AnalysisState& state)
{
    if (state.Topology != kTopologyTokenRing) return EthernetErrorsText(UpdateEthernetErrors(state, kReportByVendor));
    return "DLC Error Expert: Token Ring\n\n" + RingOrderText(BuildRingMapInput(state)) + '\n' +
           SoftErrorsText(UpdateTokenRingErrors(state, kReportByVendor));
}

// ---- JSON sections ----------------------------------------------------------------

void FileAttributesJson(JsonWriter& json, const FileAttributesContent& box)
{
    json.Key("FileAttributes");
    json.BeginObject();
    json.Field("Analyzer", box.Analyzer.Text);
    json.Field("Topology", box.Topology.Text);
    json.Field("Bandwidth", box.Bandwidth.Text);
    json.Field("Duration", box.Duration.Text);
    json.Field("FileDate", box.FileDateISO8601);
    if (!box.CaptureStartISO8601.empty()) {
        json.Field("CaptureStart", box.CaptureStartISO8601);
        json.Field("CaptureEnd", box.CaptureEndISO8601);
        json.Field("CaptureDurationSeconds", box.CaptureDurationSeconds);
    }
    json.Field("FileSize", box.FileSize.Text);
    json.Field("Frames", box.Frames.Text);
    json.Field("Bytes", box.Bytes.Text);
    json.EndObject();
}

void FrameClassJson(JsonWriter& json, const char* key, const FrameClassRow& row)
{
    json.Key(key);
    json.BeginObject();
    json.Field("Label", row.Label);
    json.Field("Count", row.Count);
    json.Field("CountPercent", static_cast<int32_t>(row.CountPercent));
    json.Field("Bytes", row.Bytes);
    json.Field("BytesPercent", static_cast<int32_t>(row.BytesPercent));
    json.Field("AveSize", row.AverageSize);
    json.Field("Largest", row.Largest);
    json.EndObject();
}

void FrameStatisticsJson(JsonWriter& json, const FrameStatisticsContent& box)
{
    json.Key("FrameStatistics");
    json.BeginObject();
    FrameClassJson(json, "Station", box.Station);
    FrameClassJson(json, "Multicast", box.Multicast);
    FrameClassJson(json, "Broadcast", box.Broadcast);
    json.Key("Total");
    json.BeginObject();
    json.Field("Count", box.TotalPackets);
    json.Field("Bytes", box.TotalBytes);
    json.EndObject();
    json.EndObject();
}

void MediaFiguresJson(JsonWriter& json, const char* key, const MediaUtilizationFigures& figures)
{
    json.Key(key);
    json.BeginObject();
    json.Field("AvePacketsPerSec", figures.AvePps.Text);
    json.Field("PeakPacketsPerSec", figures.PeakPps.Text);
    json.Field("AveBytesPerSec", figures.AveBps.Text);
    json.Field("PeakBytesPerSec", figures.PeakBps.Text);
    json.Field("AveBandwidth", figures.AveBandwidth.Text);
    json.Field("PeakBandwidth", figures.PeakBandwidth.Text);
    json.EndObject();
}

void MediaUtilizationJson(JsonWriter& json, const MediaUtilizationContent& box)
{
    json.Key("MediaUtilization");
    json.BeginObject();
    MediaFiguresJson(json, "All", box.All);
    MediaFiguresJson(json, "Broadcast", box.Broadcast);
    json.EndObject();
}

void EncapsulationJson(JsonWriter& json, const EncapsulationContent& box)
{
    json.Key("DLCEncapsulationTypes");
    json.BeginArray();
    for (const EncapsulationRow& row : box.Rows) {
        if (!row.Visible) continue;
        json.BeginObject();
        json.Field("Label", row.Label);
        json.Field("Count", row.Count);
        json.Field("Percent", static_cast<int32_t>(row.Percent));
        json.EndObject();
    }
    json.EndArray();
}

// Only a trace with tagged frames has the keys.
void VlansJson(JsonWriter& json, const VlanContent& box)
{
    if (box.Rows.empty()) return;
    json.Key("VLANIDs");
    json.BeginArray();
    for (const VlanRow& row : box.Rows) {
        json.BeginObject();
        json.Field("VLAN", row.Id);
        json.Field("Frames", row.Frames);
        json.EndObject();
    }
    json.EndArray();
    json.Field("MoreVLANIDs", static_cast<int64_t>(box.More));
}

void ProtocolTableJson(JsonWriter& json, const ProtocolTableContent& content)
{
    json.Key("ProtocolTable");
    json.BeginArray();
    for (const ProtocolTableRow& row : content.Rows) {
        json.BeginObject();
        for (size_t c = 0; c < kProtocolColumns.size(); ++c) json.Field(kProtocolColumns[c].JsonKey, row.Cells[c]);
        json.EndObject();
    }
    json.EndArray();
}

void StringArrayJson(JsonWriter& json, const char* key, const std::vector<std::string>& items)
{
    json.Key(key);
    json.BeginArray();
    for (const std::string& item : items) json.String(item);
    json.EndArray();
}

void EthernetErrorsJson(JsonWriter& json, const EthernetErrorsContent& content)
{
    static const char* const keys[] = {"BadFCS", "RuntShort", "LongJabber", "Fragment"};
    json.Key("FrameErrorSummary");
    json.BeginObject();
    for (size_t i = 0; i < content.FrameErrors.size(); ++i) json.Field(keys[i], content.FrameErrors[i]);
    json.EndObject();
    json.Key("CollisionFragmentAnalysis");
    json.BeginArray();
    for (const CollisionRow& row : content.Rows) {
        if (row.Source.empty()) continue;
        json.BeginObject();
        json.Field(kCollisionColumns[0].JsonKey, row.Source);
        json.Field(kCollisionColumns[1].JsonKey, row.Transmits);
        json.Field(kCollisionColumns[2].JsonKey, row.Retransmits);
        json.Field(kCollisionColumns[3].JsonKey, static_cast<int32_t>(row.Gauge));
        json.EndObject();
    }
    json.EndArray();
    StringArrayJson(json, "Notes", content.Notes);
}

void TokenRingErrorsJson(JsonWriter& json, const RingMapInput& ring, const SoftErrorSummary& summary)
{
    json.Field("RingMapCaption", RingMapCaption(ring.RingStationCount));
    json.Key("RingOrder");
    json.BeginArray();
    for (size_t i = 0; i < ring.Stations.size(); ++i) {
        const RingStation& station = ring.Stations[i];
        json.BeginObject();
        json.Field("Position", static_cast<int32_t>(i + 1));
        json.Field("Station", RingLabelText(station, kReportByVendor));
        json.Field("Address", MACToHex(station.Address.data()));
        json.Field("RingPoll", RingPollRoleName(RingPollRoleOf(station)));
        json.EndObject();
    }
    json.EndArray();
    json.Key("SoftErrorSummary");
    json.BeginArray();
    for (const SoftErrorRowInfo& row : SoftErrorRows()) {
        json.BeginObject();
        json.Field("Error", row.Label);
        json.Field("Total", summary.Totals[static_cast<size_t>(row.Kind)]);
        json.Field("Stations", summary.StationsText(row.Kind));
        StringArrayJson(json, "ReportingStationNAUNCount", summary.Lists[static_cast<size_t>(row.Kind)]);
        json.EndObject();
    }
    json.EndArray();
    json.Field("MultipleUpstreamNeighbors", summary.MultiNAUNCount);
    StringArrayJson(json, "Notes", summary.Notes);
}

void DLCErrorsJson(JsonWriter& json, const AnalysisState& state)
{
    const bool tokenRing = state.Topology == kTopologyTokenRing;
    json.Key("DLCErrors");
    json.BeginObject();
    json.Field("Panel", tokenRing ? "Token Ring" : "Ethernet");
    if (tokenRing)
        TokenRingErrorsJson(json, BuildRingMapInput(state), UpdateTokenRingErrors(state, kReportByVendor));
    else
        EthernetErrorsJson(json, UpdateEthernetErrors(state, kReportByVendor));
    json.EndObject();
}

}  // namespace

std::string ReportText(const AnalysisState& state)
{
    const FileSummaryContent summary = BuildFileSummary(state);
    std::string text = HeaderLine(state) + "\n\n";
    // A read that did not take the whole file, or clipped frames, is said before any figure.
    bool noted = false;
    for (const std::string& note :
         {ReadStatusText(state), ClippedFramesText(state), SkippedFramesText(state), SkippedRecordsText(state)}) {
        if (note.empty()) continue;
        text += note + '\n';
        noted = true;
    }
    if (noted) text += '\n';
    text += FileAttributesText(summary.FileAttributes) + '\n';
    text += FrameStatisticsText(summary.FrameStatistics) + '\n';
    text += MediaUtilizationText(summary.MediaUtilization) + '\n';
    text += EncapsulationText(summary.Encapsulation) + '\n';
    text += VlansText(summary.Vlans);
    text += ProtocolTableText(BuildProtocolTable(state)) + '\n';
    text += DLCErrorsText(state);
    return text;
}

std::string ReportJson(const AnalysisState& state)
{
    const FileSummaryContent summary = BuildFileSummary(state);
    JsonWriter json;
    json.BeginObject();
    json.Field("TraceFileName", state.Read.TraceFileName);
    ReadJson(json, state);
    FileAttributesJson(json, summary.FileAttributes);
    FrameStatisticsJson(json, summary.FrameStatistics);
    MediaUtilizationJson(json, summary.MediaUtilization);
    EncapsulationJson(json, summary.Encapsulation);
    VlansJson(json, summary.Vlans);
    ProtocolTableJson(json, BuildProtocolTable(state));
    DLCErrorsJson(json, state);
    json.EndObject();
    return json.Text();
}

}  // namespace quenlix
