#pragma once
// The content builders of every window (the toolbox and its analysis windows
// and the network and station windows among them), run on a state made from fuzzed frames
// (the analyse-frames layout; bits 1-4 of the topology byte pick the trace format
// the summary and the report name, bits 5-7 how the read ended). Each window's
// content must agree with the counters it is built from; the texts must be made
// without a fault.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "FuzzHarness.h"
#include "ui/analysis/AnalysisContent.h"
#include "ui/analysis/AnalysisReportContent.h"
#include "ui/analysis/ToolboxContent.h"
#include "ui/main/ChartContent.h"
#include "ui/main/ClientServerContent.h"
#include "ui/main/DLCErrorContent.h"
#include "ui/main/FileSummaryContent.h"
#include "ui/main/MainWindowContent.h"
#include "ui/main/ProtocolTableContent.h"
#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/PeerReportContent.h"
#include "ui/peermaps/StationStatsContent.h"
#include "report/ReportContent.h"
#include "report/StateDump.h"

namespace quenlix::fuzz {

namespace builder_detail {

// Text metrics of a fixed-pitch font: the ring map needs some.
class FixedMetrics : public RingTextMetrics {
public:
    int TextWidth(const std::string& text, int pointSize) const override
    {
        return static_cast<int>(text.size()) * pointSize * 2 / 3;
    }
    int TextHeight(const std::string&, int pointSize) const override { return pointSize * 4 / 3; }
};

// "1,234" as a number; -1 for anything else.
inline int64_t CountOf(const std::string& text)
{
    if (text.empty()) return -1;
    int64_t value = 0;
    for (char c : text) {
        if (c == ',') continue;
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

inline std::string CheckCharts(const AnalysisState& state)
{
    const int64_t frames = state.FrameStats[6];
    const ChartContent sizes = BuildPacketSizeChart(state);
    if (sizes.Bars.size() != PacketSizeClasses().size()) return "the packet size chart lost a class";
    if (ChartTotal(sizes.Bars) != frames) return "the packet size bars do not add up to the frames";
    const int64_t all = ChartTotal(BuildProtocolChart(state, PacketClass::All).PieSlices);
    const int64_t broadcast = ChartTotal(BuildProtocolChart(state, PacketClass::Broadcast).PieSlices);
    const int64_t others = ChartTotal(BuildProtocolChart(state, PacketClass::NonBroadcast).PieSlices);
    if (all > frames || broadcast + others != all) return "the protocol charts do not add up";
    for (const ChartPoint& point : sizes.Bars)
        for (LegendValue legend : {LegendValue::Value, LegendValue::Percent})
            if (LegendText(legend, point, frames).empty()) return "a chart legend without text";
    return {};
}

inline std::string CheckProtocolTable(const AnalysisState& state)
{
    const ProtocolTableContent table = BuildProtocolTable(state);
    int64_t packets = 0;
    for (const ProtocolTableRow& row : table.Rows) {
        const int64_t count = CountOf(row.Cells[1]);
        if (count < 0) return "a protocol table count reads \"" + row.Cells[1] + "\"";
        packets += count;
    }
    if (packets != state.FrameStats[6]) return "the protocol table counts do not add up to the frames";
    GridContent grid(kProtocolTableColumns, 2);
    InitProtocolGrid(grid);
    FillProtocolGrid(grid, table);
    // The grid keeps one empty row below its headings when the table has none.
    const int rows = std::max(table.GridRowCount(), 2);
    if (grid.RowCount() != rows) return "the protocol grid does not hold the table's rows";
    for (int column = 0; column < kProtocolTableColumns; ++column) {
        SortProtocolGrid(grid, column, column % 2 == 0);
        if (grid.RowCount() != rows) return "sorting the protocol grid changed its rows";
    }
    return {};
}

inline std::string CheckClientServer(const AnalysisState& state)
{
    ClientServerContent content;
    InitServerGrid(content);
    UpdateServerGrid(state, content);
    const GridContent& grid = content.ServerGrid;
    const int rows = content.ServerRowCount;
    if (rows < 0 || rows + 1 > grid.RowCount()) return "the client/server grid holds fewer rows than it counts";
    if (rows > 0 && !CopyServerGrid(content)) return "a filled client/server grid copies nothing";
    ServerGridWithMarks(content);
    // A row of the grid names a conversation the query finds.
    if (rows > 0 && !content.NoCSPackets) {
        ConversationQuery query;
        query.Client = grid.Cell(kColClient, 1);
        query.Server = grid.Cell(kColServer, 1);
        query.Application = grid.Cell(kColApplication, 1);
        const ConversationQueryResult result = RunConversationQuery(state, query);
        if (!result.Error.empty()) return "the query does not find the grid's first row: " + result.Error;
        for (bool ladder : {false, true}) {
            const ConversationAnalysisReport report = BuildConversationAnalysis(state, query, ladder);
            if (!report.Error.empty()) return "the toolbox does not find the grid's first row: " + report.Error;
        }
    }
    for (int column = 0; column < kServerGridColumns; ++column) {
        SortServerGrid(content, column, column % 2 == 0);
        if (content.ServerRowCount != rows) return "sorting the client/server grid changed its rows";
        
    }
    for (int row = 1; row <= rows; ++row) ServerGridClick(state, content, row);
    SmartNamesClick(state, content);
    ServerGridDblClick(content, kColPackets);
    SelectAllServerGrid(content);
    return {};
}

inline std::string CheckDLCErrors(const AnalysisState& state)
{
    const EthernetErrorsContent ethernet = UpdateEthernetErrors(state, (state.FrameStats[6] & 1) != 0);
    for (const std::string& count : ethernet.FrameErrors)
        if (CountOf(count) < 0 || CountOf(count) > state.FrameStats[6]) return "an Ethernet error count reads \"" + count + "\"";
    EthernetSummaryText(ethernet);
    BuildCollisionSuspectTable(state);
    const SoftErrorSummary ring = UpdateTokenRingErrors(state, true);
    for (int kind = 0; kind < kSoftErrorKinds; ++kind) {
        if (CountOf(ring.Totals[static_cast<std::size_t>(kind)]) < 0) return "a soft error total reads \"" + ring.Totals[kind] + "\"";
        ring.StationsText(kind);
    }
    SoftErrorSummaryText(ring);

    const RingMapInput input = BuildRingMapInput(state);
    if (input.Stations.size() > static_cast<std::size_t>(std::max(input.RingStationCount, 0)))
        return "the ring map has more stations than the ring";
    const FixedMetrics metrics;
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{37, 23}, std::pair{640, 480}}) {
        for (int option = 0; option < 4; ++option) {
            RingMapOptions options;
            options.ShowByOUI = option == 1;
            options.Domain = option == 2 ? FaultDomain::LineErrors : FaultDomain::BurstErrors;
            options.IdBy = option == 3 ? StationID::StationErrors : StationID::RingPoll;
            BuildRingMap(input, width, height, options, metrics);
        }
    }
    RingMapCaption(input.RingStationCount);
    return {};
}

// The toolbox and its analysis windows for the first conversations of the first
// sources: the ladder laid out with and without its cache must agree.
inline std::string CheckToolbox(const AnalysisState& state)
{
    ToolboxOptions options;
    options.DlcSummary = (state.FrameStats[6] & 2) != 0;
    options.SpacingMs = (state.FrameStats[6] & 4) != 0 ? 0 : 10;
    ToolboxSelection selection;
    RebuildToolbox(state, selection, options);
    LadderCache cache;
    const int sources = std::min<int>(static_cast<int>(selection.SourceItems.size()), 6);
    for (int source = 0; source < sources; ++source) {
        SelectSource(state, selection, options, source);
        const int targets = std::min<int>(static_cast<int>(selection.TargetItems.size()), 3);
        for (int target = 0; target < targets; ++target) {
            SelectTarget(state, selection, target);
            SelectApp(selection, 0);
            const LadderLayout whole = LayOutLadder(state, selection, options, INT32_MIN, INT32_MAX);
            const LadderLayout cached = LayOutLadder(state, selection, options, 0, 200, &cache);
            if (whole.RowCount != cached.RowCount || whole.Height != cached.Height)
                return "the ladder's cached layout differs from the whole one";
            if (whole.RowCount > static_cast<int32_t>(state.PacketList.size())) return "the ladder draws more packets than there are";
            if (LadderTextLines(state, selection, options).size() != static_cast<std::size_t>(whole.RowCount))
                return "the ladder's text lines differ from its rows";
            for (int how = 0; how < 3; ++how) {
                LatencyOptions latency;
                latency.HowLatency = how;
                latency.IncludeTransmissionTime = how != 1;
                BuildLatency(state, selection, latency);
            }
            ThroughputOptions throughput;
            throughput.WindowPackets = static_cast<uint16_t>(kMinWindowPackets + source);
            BuildThroughput(state, selection, throughput);
            BuildProblems(state, selection, whole);
            BuildWhatIfTexts(selection, target == 0);
            SwapSelection(state, selection, options);
            SwapSelection(state, selection, options);
        }
    }
    return {};
}

// One peer-map window: every mode and destination at a window size and at a
// tiny one, a right click on every label, the key commands, every column sorted
// both ways, and Select Stations hiding and showing everyone. The map at its
// normal size stays inside its area; the grid keeps one row per sender.
inline std::string CheckPeerWindow(PeerWindowContent& window, std::size_t reportRows)
{
    const FixedMetrics metrics;
    window.Rebuild();
    const int senders = window.TotalRowCount();
    if (window.ViewableRowCount() != senders || window.Grid().RowCount() != senders + 1)
        return "a peer grid's rows differ from its senders";
    if (reportRows != static_cast<std::size_t>(senders) + 1) return "the report's peer grid differs from the window's";
    for (int mode = 0; mode < static_cast<int>(window.ModeItems().size()); ++mode) {
        window.SetMode(mode);
        for (int destination = 0; destination < 3; ++destination) {
            window.Destination = static_cast<PeerDestination>(destination);
            window.MapSmartNames = window.MapShowOUI = destination == 1;
            if (destination == 0 && window.BuildMap(1, 1, metrics).StationCount > kPeerMapPoints)
                return "a peer map holds more stations than points";
            const PeerMapDrawing& map = window.BuildMap(608, 400, metrics);
            const auto inside = [&map](int x, int y) { return x >= 0 && y >= 0 && x <= map.Width && y <= map.Height; };
            for (const PeerMapLabel& label : map.Labels)
                if (!inside(label.X, label.Y)) return "a peer map point lies outside the map";
            for (const PeerMapSegment& segment : map.Segments)
                if (!inside(segment.X1, segment.Y1) || !inside(segment.X2, segment.Y2)) return "a peer map line leaves the map";
            // A right click redoes the placing walk: a few labels are enough.
            const std::vector<PeerMapLabel> labels = map.Labels;
            for (const PeerMapLabel& label : labels) {
                if (destination != 0 || &label - labels.data() >= 4) break;
                const std::optional<PeerPopup> popup = window.RightClick(label.Left + 1, label.Top + label.Height / 2);
                if (popup && (popup->Station < 0 || popup->Station >= static_cast<int>(labels.size())))
                    return "a peer map pop-up names no label";
                if (popup) window.HighlightSelected();
            }
        }
    }
    for (auto command : {PeerWindowContent::KeyCommand::Off, PeerWindowContent::KeyCommand::Invert, PeerWindowContent::KeyCommand::On})
        window.ApplyKeyCommand(command);
    window.GridSmartNames = window.GridShowOUI = true;
    window.RewriteAddresses();
    for (int column = 0; column < window.Grid().ColCount(); ++column) {
        window.SortColumn(column, false);
        window.SortColumn(column, true);
    }
    if (window.Grid().RowCount() != senders + 1) return "a sort changed a peer grid's rows";
    DualListContent lists = window.SelectStationsLists();
    lists.IncludeAll();
    window.ApplySelectStations(lists);
    if (window.ViewableRowCount() != 0) return "Select Stations left a hidden station in view";
    lists = window.SelectStationsLists();
    lists.ExcludeAll();
    window.ApplySelectStations(lists);
    if (window.ViewableRowCount() != senders) return "Select Stations lost a station";
    return {};
}

// How many rows (the header's and the senders') the report prints of a peer
// table: its lines after the blank line and the title.
inline std::size_t ReportedRows(void (*write)(std::ostream&, AnalysisState&, const PeerReportOptions&), AnalysisState& state)
{
    std::ostringstream out;
    write(out, state, {});
    const std::string text = out.str();
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) - 2;
}

inline std::string CheckPeerMaps(AnalysisState& state)
{
    NetworkStatisticsContent network(state);
    std::string violation = CheckPeerWindow(network, ReportedRows(WriteNetworkStatistics, state));
    if (!violation.empty()) return violation;
    StationStatsContent stations(state);
    return CheckPeerWindow(stations, ReportedRows(WriteStationStatistics, state));
}

inline std::string CheckTexts(const AnalysisState& state)
{
    for (MediaPackets selection : {MediaPackets::All, MediaPackets::Broadcast}) {
        const FileSummaryContent summary = BuildFileSummary(state, selection);
        if (CountOf(summary.FileAttributes.Frames.Text) < 0)
            return "the file summary's frames read \"" + summary.FileAttributes.Frames.Text + "\"";
    }
    StatusPanels(state, true);
    ReadNote(state);
    if (ReportText(state).empty() || ReportJson(state).empty()) return "an empty report";
    StateDumpOptions dump;
    dump.WithPackets = true;
    if (StateDumpJson(state, dump).empty()) return "an empty state dump";
    return {};
}

}  // namespace builder_detail

inline std::string RunContentBuilders(const uint8_t* data, std::size_t size)
{
    using namespace builder_detail;
    if (size == 0) return {};
    auto state = std::make_unique<AnalysisState>();
    std::string violation = AnalyzeFramesInto(*state, data, size);
    if (!violation.empty()) return violation;
    // What the summary and the report say of the file and of the read.
    state->Read.TraceFormat = kReaderFormats[(data[0] >> 1 & 0x0F) % kReaderFormats.size()];
    state->Read.TraceFileName = "trace.bin";
    state->Read.TraceFileSize = static_cast<int64_t>(size);
    state->Read.TraceFilePos = state->Read.TraceFileSize;
    state->Read.ReadResult = (data[0] & 0x20) != 0 ? 1 : 0;
    if (state->Read.ReadResult != 0) state->Read.ReadEndText = "Packet too large to process.";
    state->Read.ReadCancelled = (data[0] & 0x40) != 0 ? 1 : 0;
    state->Read.ClippedFrames = (data[0] & 0x80) != 0 ? 2 : 0;
    for (const auto check : {CheckCharts, CheckProtocolTable, CheckClientServer, CheckDLCErrors, CheckToolbox, CheckTexts}) {
        violation = check(*state);
        if (!violation.empty()) return violation;
    }
    return CheckPeerMaps(*state);
}

}  // namespace quenlix::fuzz
