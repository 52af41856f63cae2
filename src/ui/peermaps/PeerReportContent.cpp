#include "ui/peermaps/PeerReportContent.h"

#include <algorithm>

#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/StationStatsContent.h"
#include "ui/controls/GridJson.h"

namespace quenlix {

namespace {

void Fill(PeerWindowContent& content, const PeerReportOptions& options)
{
    content.Rebuild();
    content.GridSmartNames = options.SmartNames;
    content.GridShowOUI = options.ShowOUI;
    content.RewriteAddresses();
}

// Writes the header row and the rows the window lets the user see, each column
// as wide as its widest cell and two spaces apart, without trailing spaces.
void WriteRows(std::ostream& out, const std::string& title, PeerWindowContent& content, const PeerReportOptions& options)
{
    Fill(content, options);
    const GridContent& grid = content.Grid();
    const int rows = std::min(content.ViewableRowCount() + 1, grid.RowCount());
    std::vector<size_t> widths(static_cast<size_t>(grid.ColCount()), 0);
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < grid.ColCount(); ++col)
            widths[static_cast<size_t>(col)] = std::max(widths[static_cast<size_t>(col)], grid.Cell(col, row).size());
    out << "\n" << title << "\n";
    std::string line;
    for (int row = 0; row < rows; ++row) {
        line.clear();
        for (int col = 0; col < grid.ColCount(); ++col) {
            const std::string_view cell = grid.Cell(col, row);
            line += cell;
            line.append(widths[static_cast<size_t>(col)] - cell.size() + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    }
}

std::string JsonOf(PeerWindowContent& content, const PeerReportOptions& options)
{
    Fill(content, options);
    JsonWriter json;
    GridRowsJson(json, content.Grid(), GridJsonKeys(content.Columns(), content.ColumnPositions()), 1,
                 content.ViewableRowCount(), GridJsonCells::Texts);
    std::string text = json.Text();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

void WriteNetworkStatistics(std::ostream& out, AnalysisState& state, const PeerReportOptions& options)
{
    NetworkStatisticsContent content(state);
    WriteRows(out, "Network Statistics", content, options);
}

void WriteStationStatistics(std::ostream& out, AnalysisState& state, const PeerReportOptions& options)
{
    StationStatsContent content(state);
    WriteRows(out, "Station Statistics", content, options);
}

std::string NetworkStatisticsJson(AnalysisState& state, const PeerReportOptions& options)
{
    NetworkStatisticsContent content(state);
    return JsonOf(content, options);
}

std::string StationStatisticsJson(AnalysisState& state, const PeerReportOptions& options)
{
    StationStatsContent content(state);
    return JsonOf(content, options);
}

}  // namespace quenlix
