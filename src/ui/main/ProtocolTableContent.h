#pragma once
// The "Protocol Table" page: one row per protocol family that has frames, with
// counts, percentages, average size and the encapsulations seen, plus the column
// layout and the sort keys of its Sort Ascending / Sort Descending buttons.

#include <array>
#include <string>
#include <vector>

#include "model/AnalysisState.h"

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

// The numeric sort key of a cell: its text without any "," and without its first
// "%", read as a number; 0 when that is not a number.
double NumericSortKey(const std::string& text);

// Sorts the rows on a column, as numbers or as text (ordinal, case-sensitive) as
// the column says. Rows with equal keys keep their order. A column outside the
// table leaves the rows as they are.
void SortProtocolTable(ProtocolTableContent& table, int column, bool ascending);

}  // namespace quenlix
