#include "ui/main/ProtocolTableContent.h"

#include <algorithm>

#include "model/Naming.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

// What one table row adds up: one family, or MAC and Other together.
struct FamilyTotals {
    int64_t Frames = 0;
    int64_t GroupFrames = 0;
    int64_t Bytes = 0;
    EncapsulationSet Encapsulations;
};

FamilyTotals TotalsOf(const ProtocolStat& stat)
{
    return {stat.Frames, stat.GroupFrames, stat.Bytes, stat.EncapsSet};
}

// MAC frames appear as an encapsulation of the joint row rather than as a row.
FamilyTotals JointOtherTotals(const AnalysisState& state)
{
    const ProtocolStat& mac = state.ProtocolStats[kFamilyMAC];
    const ProtocolStat& other = state.ProtocolStats[kFamilyOther];
    FamilyTotals totals;
    totals.Frames = int64_t{mac.Frames} + other.Frames;
    totals.GroupFrames = int64_t{mac.GroupFrames} + other.GroupFrames;
    totals.Bytes = int64_t{mac.Bytes} + other.Bytes;
    totals.Encapsulations = mac.EncapsSet | other.EncapsSet;
    if (mac.Frames > 0) totals.Encapsulations |= kEncapsMAC;
    return totals;
}

ProtocolTableRow MakeRow(ProtocolFamily family, const std::string& name, const FamilyTotals& totals, const AnalysisState& state)
{
    const int64_t groupFrames = int64_t{state.FrameStats[kStatBroadcastFrames]} + state.FrameStats[kStatMulticastFrames];
    ProtocolTableRow row;
    row.Family = family;
    const auto set = [&row](size_t col, GridCell cell) {
        row.Cells[col] = std::move(cell.Text);
        row.Values[col] = std::move(cell.Value);
    };
    const auto percent = [](double part, double whole) {
        return GridCell{PercentOf(part, whole), GridValue::Percent(PercentOfFigure(part, whole))};
    };
    set(0, TextCell(name));
    set(1, CountCell(totals.Frames));
    set(2, percent(static_cast<double>(totals.Frames), state.TotalFrames));
    set(3, CountCell(totals.Frames > 0 ? totals.Bytes / totals.Frames : 0));
    set(4, CountCell(totals.GroupFrames));
    set(5, percent(static_cast<double>(totals.GroupFrames), static_cast<double>(groupFrames)));
    set(6, TextCell(EncapsulationSetText(totals.Encapsulations)));
    return row;
}

}  // namespace

ProtocolTableContent BuildProtocolTable(const AnalysisState& state)
{
    ProtocolTableContent table;
    bool jointRowAdded = false;
    for (ProtocolFamily family : kAllFamilies) {
        const ProtocolStat& stat = state.ProtocolStats[family];
        if (stat.Frames <= 0) continue;
        if (family == kFamilyMAC || family == kFamilyOther) {
            if (jointRowAdded) continue;
            jointRowAdded = true;
            table.Rows.push_back(MakeRow(kFamilyOther, FamilyName(kFamilyOther), JointOtherTotals(state), state));
        } else {
            table.Rows.push_back(MakeRow(family, FamilyName(family), TotalsOf(stat), state));
        }
    }
    return table;
}

void InitProtocolGrid(GridContent& grid)
{
    const auto& columns = ProtocolTableColumns();
    grid.SetColCount(kProtocolTableColumns);
    grid.SetRowCount(2);
    grid.SetFixedRows(1);
    grid.SetFixedCols(1);
    grid.ClearRow(1);
    grid.SetRowTag(1, 0);
    for (int col = 0; col < kProtocolTableColumns; ++col) {
        grid.SetCell(col, 0, columns[static_cast<size_t>(col)].Header);
        grid.SetAlignment(col, columns[static_cast<size_t>(col)].Alignment);
    }
    grid.ForgetSort();
}

void FillProtocolGrid(GridContent& grid, const ProtocolTableContent& table)
{
    // A grid keeps at least one row below its headings, empty when there is nothing to show.
    grid.SetRowCount(std::max(table.GridRowCount(), 2));
    grid.ClearRow(1);
    grid.SetRowTag(1, 0);
    for (size_t i = 0; i < table.Rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.ClearRow(row);
        for (int col = 0; col < kProtocolTableColumns; ++col)
            grid.SetCell(col, row, table.Rows[i].Cells[static_cast<size_t>(col)], table.Rows[i].Values[static_cast<size_t>(col)]);
        grid.SetRowTag(row, static_cast<int32_t>(CodeIndex(table.Rows[i].Family)));
    }
    grid.ForgetSort();
}

void SortProtocolGrid(GridContent& grid, int column, bool ascending)
{
    if (column < 0 || column >= kProtocolTableColumns) return;
    grid.SortByColumn(column, ascending);
}

}  // namespace quenlix
