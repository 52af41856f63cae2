#pragma once
// The rules of the sortable, copyable string grid of every statistics table,
// kept free of any toolkit so that the desktop grid widget and the printed and
// command-line reports share them: the cells with their fixed rows and columns,
// per-column alignment, one tag per row that travels with its row, the text and
// numeric sorts with the remembered sort column and direction, and copying a
// selection as tab-separated lines.
//
// A row holds every cell written to it, also those beyond the visible column
// count, and a sort moves whole rows: cells kept beyond the visible columns (a
// window's hidden key columns) always stay with their row.

#include <cstdint>
#include <functional>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quenlix {

enum class GridAlignment { Left, Right, Centre };

// EditModes: what the grid's edit commands may do.
enum GridEditMode : uint8_t { emClear = 0x01, emCopy = 0x02, emCut = 0x04, emPaste = 0x08 };

// CopyModes: what a copy takes besides the selected cells.
enum GridCopyMode : uint8_t {
    cmEntireCols = 0x01,  // every non-fixed row of the selected columns
    cmEntireRows = 0x02,  // every non-fixed column of the selected rows
    cmFixedCols = 0x04,   // every line starts with the fixed columns
    cmFixedRows = 0x08,   // the fixed rows come first
};

enum class GridSortKind { Text, Numbers };

// One column of a grid as the page, the printed report and the JSON report all
// describe it: its heading, alignment, how the Sort buttons sort it, the tool tip
// of its heading and, for a table the JSON report writes as objects, the key of
// its cells there.
struct GridColumn {
    const char* Header;
    GridAlignment Alignment;
    GridSortKind Sort;
    const char* Tip = "";
    const char* JsonKey = nullptr;
};

// True when every column has a JSON key: tables written as JSON objects check it
// at compile time, so that a new column cannot hand the writer a null key.
template <std::size_t N>
constexpr bool EveryColumnHasAJsonKey(const std::array<GridColumn, N>& columns)
{
    for (const GridColumn& column : columns)
        if (column.JsonKey == nullptr || column.JsonKey[0] == '\0') return false;
    return true;
}

// A rectangle of cells, inclusive on all sides.
struct GridSelection {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

class GridContent {
public:
    // Called before a sort; the handler may veto or force it through doSort.
    using SortStartHandler = std::function<void(bool& doSort, bool ascending)>;
    using SortFinishHandler = std::function<void()>;

    GridContent(int colCount = 5, int rowCount = 5);

    int ColCount() const { return colCount_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Column and row counts are at least 1. Rows added are empty with tag 0.
    void SetColCount(int count);
    void SetRowCount(int count);

    int FixedCols() const { return fixedCols_; }
    int FixedRows() const { return fixedRows_; }
    void SetFixedCols(int count) { fixedCols_ = ClampCount(count, 0); }
    void SetFixedRows(int count) { fixedRows_ = ClampCount(count, 0); }

    // The text of a cell; empty outside the grid. A cell may lie beyond the
    // visible column count: it is kept with its row but neither copied nor shown.
    const std::string& Cell(int col, int row) const;
    void SetCell(int col, int row, std::string text);
    // Empties every cell of a row (also those beyond the visible columns).
    void ClearRow(int row);

    int32_t RowTag(int row) const;
    void SetRowTag(int row, int32_t tag);

    GridAlignment Alignment(int col) const;
    void SetAlignment(int col, GridAlignment alignment);

    // The tool tip of a column's header; empty when it has none.
    const std::string& HeaderTip(int col) const;
    void SetHeaderTip(int col, std::string tip);

    // The current cell.
    int Col() const { return col_; }
    int Row() const { return row_; }
    void SetCurrent(int col, int row);

    const GridSelection& Selection() const { return selection_; }
    void SetSelection(const GridSelection& selection) { selection_ = selection; }
    // Selects every non-fixed cell.
    void SelectAll();

    uint8_t EditModes = emCopy;
    uint8_t CopyModes = cmFixedCols | cmFixedRows;
    bool SortOnDblClick = false;
    SortStartHandler OnSortStart;
    SortFinishHandler OnSortFinish;

    // The column sorted last (-1 when none) and its direction.
    int SortedColumn() const { return sortedColumn_; }
    bool LastSortAscending() const { return lastSortAscending_; }
    // Forgets the last sort, so that the next sort of any column runs; for a
    // grid refilled with new rows.
    void ForgetSort() { sortedColumn_ = -1; }

    // Sorts the current column as text: ascending, or the reverse of the last
    // direction when the column is the one sorted last (a double click).
    void TextSort();
    // Makes the column current and sorts the rows below the fixed rows on it in
    // the given direction, as text or as numbers. A sort that would repeat the
    // last one (same column and direction) runs only when OnSortStart asks for it.
    void SortByColumn(int col, bool ascending, GridSortKind kind);

    // The selection as tab-separated lines joined by CR LF, following CopyModes;
    // nothing when EditModes lacks emCopy.
    std::optional<std::string> CopyText() const;
    // Copies as CopyText (with emCut) and empties the non-fixed cells copied.
    std::optional<std::string> CutText();

private:
    struct GridRow {
        std::vector<std::string> Cells;
        int32_t Tag = 0;
    };

    static int ClampCount(int count, int minimum) { return count < minimum ? minimum : count; }
    bool HasCell(int col, int row) const;
    void Sort(int col, bool ascending, GridSortKind kind);
    template <class Key>
    void QuickSort(std::vector<Key>& keys, int lo, int hi, bool ascending);
    std::vector<int> CopiedColumns() const;
    std::vector<int> CopiedRows() const;
    std::string SelectionText() const;

    int colCount_;
    int fixedCols_ = 0;
    int fixedRows_ = 1;
    std::vector<GridRow> rows_;
    std::vector<GridAlignment> alignments_;
    std::map<int, std::string> headerTips_;
    int col_ = 0;
    int row_ = 1;
    GridSelection selection_{0, 1, 0, 1};
    int sortedColumn_ = -1;
    bool lastSortAscending_ = true;
};

// The numeric sort key of a cell: its text without any "," and without its
// first "%", read as a number ("1,024" is 1024, "98%" is 98). Surrounding blanks
// are ignored. hours:minutes:seconds reads as seconds; a text starting with "<"
// as half a unit below the value after it ("< 00:00:01" is 0.5 seconds). Any
// other text ("-", empty) sorts below every number.
double GridNumericKey(const std::string& text);

// The cells of rows [firstRow, RowCount) and columns [0, ColCount) as rows of
// texts: what a report prints of a grid.
std::vector<std::vector<std::string>> GridTexts(const GridContent& grid, int firstRow = 0);

// A column header's click sort: a click on a new column sorts it ascending, a
// second click on the same column reverses the direction.
struct HeaderSort {
    int Column = -1;
    bool Ascending = true;
    void Click(int col)
    {
        Ascending = col == Column ? !Ascending : true;
        Column = col;
    }
};

// The texts of one row, every column; empty for a row outside the grid.
std::vector<std::string> GridRowTexts(const GridContent& grid, int row);
// The first row at or below the fixed rows whose texts are these; -1 when none.
// A sort moves rows whole, so this finds where a row went.
int FindGridRow(const GridContent& grid, const std::vector<std::string>& texts);

}  // namespace quenlix
