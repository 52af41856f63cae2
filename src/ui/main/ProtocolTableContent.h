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

enum class CellAlignment { Left, Right, Centre };

struct ProtocolTableColumn {
    std::string Header;
    CellAlignment Alignment;
    bool SortsAsNumber;  // else sorts as text
};

// The seven columns: "Protocol", "Packet Count", "Packet Percent",
// "Ave Pkt Size (Bytes)", "Broadcast Count", "Broadcast Percent", "Encapsulation(s)".
const std::array<ProtocolTableColumn, kProtocolTableColumns>& ProtocolTableColumns();

struct ProtocolTableRow {
    int Family = 0;  // the family code; 16 for the row that joins MAC and Other
    std::array<std::string, kProtocolTableColumns> Cells;
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

// How the Sort buttons sort a column: as text for "Protocol" and
// "Encapsulation(s)", as numbers for the others.
GridSortKind ProtocolColumnSortKind(int column);

// Sorts the grid's rows on a column in a direction with the column's sort kind;
// a column outside the table is ignored.
void SortProtocolGrid(GridContent& grid, int column, bool ascending);

}  // namespace quenlix
