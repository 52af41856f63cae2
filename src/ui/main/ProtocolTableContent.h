#pragma once
// The "Protocol Table" page: one row per protocol family that has frames, with
// counts, percentages, average size and the encapsulations seen, plus the column
// layout, the grid it fills and the sorts of its Sort Ascending / Sort Descending
// buttons.

#include <array>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/controls/GridContent.h"

namespace quenlix {

constexpr int kProtocolTableColumns = 7;

// The seven columns, as the page, the printed report and the JSON report show them.
inline constexpr std::array<GridColumn, kProtocolTableColumns> kProtocolColumns{{
    {"Protocol", GridAlignment::Left, "", "Protocol"},
    {"Packet Count", GridAlignment::Right, "", "PacketCount"},
    {"Packet Percent", GridAlignment::Right, "", "PacketPercent"},
    {"Ave Pkt Size (Bytes)", GridAlignment::Right, "", "AvePktSize"},
    {"Broadcast Count", GridAlignment::Right, "", "BroadcastCount"},
    {"Broadcast Percent", GridAlignment::Right, "", "BroadcastPercent"},
    {"Encapsulation(s)", GridAlignment::Centre, "", "Encapsulations"},
}};
static_assert(EveryColumnHasAJsonKey(kProtocolColumns), "every protocol table column needs its JSON key");
inline const std::array<GridColumn, kProtocolTableColumns>& ProtocolTableColumns() { return kProtocolColumns; }

struct ProtocolTableRow {
    ProtocolFamily Family = kFamilyAppletalk;  // kFamilyOther for the row that joins MAC and Other
    std::array<std::string, kProtocolTableColumns> Cells;
    std::array<GridValue, kProtocolTableColumns> Values;  // each cell's value, which the sorts compare
};

struct ProtocolTableContent {
    std::vector<ProtocolTableRow> Rows;  // below the header row
    // Grid rows including the header row.
    int GridRowCount() const { return static_cast<int>(Rows.size()) + 1; }
};

// The rows in family order; MAC and Other frames share one row named "Other".
ProtocolTableContent BuildProtocolTable(const AnalysisState& state);

// The grid of the table: the headings and alignments of the seven columns, one
// fixed heading row and the fixed "Protocol" column, and an empty row below the
// headings.
void InitProtocolGrid(GridContent& grid);

// Puts the rows below the headings; the grid has one row per table row plus the
// heading row, and keeps one empty row when the table has none. The last sort
// is forgotten, as the rows are new.
void FillProtocolGrid(GridContent& grid, const ProtocolTableContent& table);

// Sorts the grid's rows on a column in a direction by the cells' values; a
// column outside the table is ignored.
void SortProtocolGrid(GridContent& grid, int column, bool ascending);

}  // namespace quenlix
