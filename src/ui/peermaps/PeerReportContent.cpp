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

std::vector<std::vector<std::string>> RowsOf(PeerWindowContent& content, const PeerReportOptions& options)
{
    Fill(content, options);
    const GridContent& grid = content.Grid();
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row <= content.ViewableRowCount() && row < grid.RowCount(); ++row) {
        std::vector<std::string> cells;
        for (int col = 0; col < grid.ColCount(); ++col) cells.push_back(grid.Cell(col, row));
        rows.push_back(std::move(cells));
    }
    return rows;
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

std::vector<std::vector<std::string>> NetworkStatisticsRows(AnalysisState& state, const PeerReportOptions& options)
{
    NetworkStatisticsContent content(state);
    return RowsOf(content, options);
}

std::vector<std::vector<std::string>> StationStatisticsRows(AnalysisState& state, const PeerReportOptions& options)
{
    StationStatsContent content(state);
    return RowsOf(content, options);
}

std::string PeerGridText(const std::string& title, const std::vector<std::vector<std::string>>& rows)
{
    std::string text = "\n" + title + "\n";
    std::vector<size_t> widths;
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) line += row[c] + std::string(widths[c] - row[c].size() + 2, ' ');
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    return text;
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
