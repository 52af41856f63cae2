#pragma once
// The rules of the sortable, copyable grid of every statistics table, kept free
// of any toolkit so that the desktop grid widget and the printed and
// command-line reports share them: the cells with their fixed rows and columns,
// per-column alignment, one tag per row that travels with its row, the sort by
// the cells' values with the remembered sort column and direction, and copying
// a selection as tab-separated lines.
//
// A cell holds its text, which is what every view shows and copies, and a typed
// value beside it (a count, a duration, a percentage, another figure, address
// bytes or the text itself), which is what a sort compares and what typed output
// writes. A row holds every cell written to it, also those beyond the visible
// column count, and a sort moves whole rows with their tags: a window that has to
// find its rows again after a sort gives each row a tag.

#include <compare>
#include <cstdint>
#include <functional>
#include <array>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
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

// One column of a grid as the page, the printed report and the JSON report all
// describe it: its heading, alignment, the tool tip of its heading and, for a
// table the JSON report writes as objects, the key of its cells there. How the
// Sort buttons order the column is up to its cells' values.
struct GridColumn {
    const char* Header;
    GridAlignment Alignment;
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

// ---- cell values ------------------------------------------------------------------

enum class GridValueKind : uint8_t {
    None,      // nothing to compare: an empty cell, or "-" where there is no data
    Count,     // a whole number
    Duration,  // whole seconds
    Percent,   // a percentage as shown ("45.70%" holds 45.7)
    Number,    // any other measurement as shown (milliseconds, Kbytes per second)
    Address,   // address bytes in the order they travel in
    Text,      // the cell's own text
};

// The typed value of a cell. A figure is the number the cell's text shows,
// rounded as it is shown, so that two cells that look the same compare equal.
// An address's bytes are kept inline (no address is longer than IPv6's 16): a
// table of a million stations holds eleven million values, so a value takes
// 24 bytes and never allocates.
class GridValue {
public:
    static constexpr std::size_t kMaxAddressBytes = 16;

    GridValue() = default;  // no value
    static GridValue Count(int64_t count) { return Figured(GridValueKind::Count, static_cast<double>(count)); }
    static GridValue Duration(int64_t seconds) { return Figured(GridValueKind::Duration, static_cast<double>(seconds)); }
    static GridValue Percent(double percent) { return Figured(GridValueKind::Percent, percent); }
    static GridValue Number(double number) { return Figured(GridValueKind::Number, number); }
    // The first kMaxAddressBytes bytes of the address.
    static GridValue Address(const uint8_t* bytes, size_t length);
    static GridValue Text() { return Figured(GridValueKind::Text, 0); }

    GridValueKind Kind() const { return kind_; }
    bool IsFigure() const;
    // The number of a figure (counts and durations are whole); 0 for other kinds.
    double Figure() const { return kind_ == GridValueKind::Address ? 0 : figure_; }
    // The bytes of an address; empty for other kinds.
    std::string_view Bytes() const
    {
        if (kind_ != GridValueKind::Address) return {};
        return {reinterpret_cast<const char*>(bytes_.data()), length_};
    }

    friend bool operator==(const GridValue& a, const GridValue& b)
    {
        return a.kind_ == b.kind_ && a.Figure() == b.Figure() && a.Bytes() == b.Bytes();
    }

private:
    static GridValue Figured(GridValueKind kind, double figure)
    {
        GridValue value;
        value.kind_ = kind;
        value.figure_ = figure;
        return value;
    }

    // An address uses bytes_, every other kind figure_.
    union {
        double figure_ = 0;
        std::array<uint8_t, kMaxAddressBytes> bytes_;
    };
    GridValueKind kind_ = GridValueKind::None;
    uint8_t length_ = 0;
};
static_assert(sizeof(GridValue) == 24, "a grid keeps one value per cell: keep it small");

// The text of a grid cell: up to 15 bytes kept inline, a longer text on the heap,
// in 16 bytes where a std::string takes 32. A table of a million stations holds
// eleven million texts, nearly all of them short figures.
class CellText {
public:
    CellText() { SetInlineLength(0); }
    CellText(std::string_view text) { Assign(text); }
    CellText(const std::string& text) : CellText(std::string_view(text)) {}
    CellText(const char* text) : CellText(std::string_view(text)) {}
    CellText(const CellText& other) : CellText(other.View()) {}
    CellText(CellText&& other) noexcept : bytes_(other.bytes_) { other.SetInlineLength(0); }
    CellText& operator=(const CellText& other)
    {
        if (this != &other) *this = CellText(other);
        return *this;
    }
    CellText& operator=(CellText&& other) noexcept
    {
        if (this != &other) {
            Release();
            bytes_ = other.bytes_;
            other.SetInlineLength(0);
        }
        return *this;
    }
    ~CellText() { Release(); }

    std::string_view View() const
    {
        if (!OnHeap()) return {bytes_.data(), InlineLength()};
        return {HeapData(), HeapLength()};
    }
    operator std::string_view() const { return View(); }
    std::string String() const { return std::string(View()); }
    std::size_t size() const { return View().size(); }
    bool empty() const { return size() == 0; }

    friend bool operator==(const CellText& a, std::string_view b) { return a.View() == b; }
    friend std::ostream& operator<<(std::ostream& out, const CellText& text) { return out << text.View(); }

private:
    // Inline: the text in bytes_[0..14], its length in bytes_[15]. On the heap:
    // the pointer in bytes_[0..7], the length in bytes_[8..11], kOnHeap in bytes_[15].
    static constexpr std::size_t kInlineBytes = 15;
    static constexpr char kOnHeap = static_cast<char>(0xFF);

    void Assign(std::string_view text);
    void Release();
    bool OnHeap() const { return bytes_[kInlineBytes] == kOnHeap; }
    std::size_t InlineLength() const { return static_cast<unsigned char>(bytes_[kInlineBytes]); }
    void SetInlineLength(std::size_t length) { bytes_[kInlineBytes] = static_cast<char>(length); }
    char* HeapData() const;
    std::size_t HeapLength() const;

    alignas(8) std::array<char, 16> bytes_{};
};
static_assert(sizeof(CellText) == 16);

struct GridCell {
    CellText Text;
    GridValue Value;
};

// Cells of the common kinds. A text holds itself as its value (an empty one no
// value); a count shows with thousands separators. A station's address shown as
// text holds its bytes when the text is the address itself (plainText), but the
// text when a vendor's name stands in for the manufacturer's bytes, so that the
// cell sorts as it reads.
GridCell TextCell(std::string text);
GridCell CountCell(int64_t count);
GridCell AddressCell(std::string text, std::string_view plainText, const uint8_t* bytes, size_t length);

// The order of the sorts: cells without a value first, then figures by their
// number (whatever their kind), then addresses byte by byte (a proper prefix
// first, so 10.0.0.2 before 10.0.0.10), then texts by their bytes (ordinal and
// case-sensitive). Cells of one rank that compare equal keep no order of their own.
std::weak_ordering CompareGridCells(const GridCell& a, const GridCell& b);

// One row of a grid: every cell written to it and its tag.
struct GridRow {
    std::vector<GridCell> Cells;
    int32_t Tag = 0;
};

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
    // The view lasts until the cell is written or its row moves.
    std::string_view Cell(int col, int row) const;
    // The value of a cell; none outside the grid.
    const GridValue& Value(int col, int row) const;
    // A cell given by its text alone holds that text as its value (no value when
    // the text is empty).
    void SetCell(int col, int row, std::string text);
    void SetCell(int col, int row, std::string text, GridValue value);
    void SetCell(int col, int row, GridCell cell);
    // Empties every cell of a row (also those beyond the visible columns).
    void ClearRow(int row);
    // A whole row, as a window keeps rows it does not show; an empty row outside
    // the grid. Setting a row outside the grid does nothing.
    const GridRow& Row(int row) const;
    void SetRow(int row, GridRow cells);

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

    // Sorts the current column: ascending, or the reverse of the last direction
    // when the column is the one sorted last (a double click).
    void ToggleSort();
    // Makes the column current and sorts the rows below the fixed rows on it in
    // the given direction, by the cells' values (CompareGridCells). A sort that
    // would repeat the last one (same column and direction) runs only when
    // OnSortStart asks for it.
    void SortByColumn(int col, bool ascending);

    // The filter typed over the grid: only rows below the fixed rows with a cell
    // that contains the text (ignoring case and spaces) are shown and copied.
    // Empty: every row.
    void SetRowFilter(std::string text);
    const std::string& RowFilter() const { return rowFilter_; }
    // Whether the filter lets a row through; fixed rows always pass.
    bool RowShown(int row) const;

    // The selection as tab-separated lines joined by CR LF, following CopyModes;
    // nothing when EditModes lacks emCopy.
    std::optional<std::string> CopyText() const;
    // Copies as CopyText (with emCut) and empties the non-fixed cells copied.
    std::optional<std::string> CutText();

private:
    static int ClampCount(int count, int minimum) { return count < minimum ? minimum : count; }
    bool HasCell(int col, int row) const;
    const GridCell& CellAt(int col, int row) const;
    void Sort(int col, bool ascending);
    void QuickSort(std::vector<GridCell>& keys, int lo, int hi, bool ascending);
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
    std::string rowFilter_;
    std::string rowFilterForm_;  // the filter as rows are matched against it
};

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
