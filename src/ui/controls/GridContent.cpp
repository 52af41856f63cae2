#include "ui/controls/GridContent.h"
#include "model/StringHelpers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "model/NumberFormat.h"

namespace quenlix {

namespace {

const GridCell kEmptyCell{};
const GridRow kEmptyRow;

// The rank of a value's kind in the order of the sorts.
int SortRank(const GridValue& value)
{
    switch (value.Kind()) {
    case GridValueKind::None: return 0;
    case GridValueKind::Address: return 2;
    case GridValueKind::Text: return 3;
    default: return 1;  // the figures
    }
}

}  // namespace

void CellText::Assign(std::string_view text)
{
    if (text.size() <= kInlineBytes) {
        std::memcpy(bytes_.data(), text.data(), text.size());
        SetInlineLength(text.size());
        return;
    }
    if (text.size() > UINT32_MAX) throw std::length_error("CellText: a cell's text is limited to 4 GiB");
    char* data = new char[text.size()];
    std::memcpy(data, text.data(), text.size());
    const auto length = static_cast<uint32_t>(text.size());
    std::memcpy(bytes_.data(), &data, sizeof data);
    std::memcpy(bytes_.data() + sizeof data, &length, sizeof length);
    bytes_[kInlineBytes] = kOnHeap;
}

void CellText::Release()
{
    if (OnHeap()) delete[] HeapData();
    SetInlineLength(0);
}

char* CellText::HeapData() const
{
    char* data = nullptr;
    std::memcpy(&data, bytes_.data(), sizeof data);
    return data;
}

std::size_t CellText::HeapLength() const
{
    uint32_t length = 0;
    std::memcpy(&length, bytes_.data() + sizeof(char*), sizeof length);
    return length;
}

GridValue GridValue::Address(const uint8_t* bytes, size_t length)
{
    GridValue value;
    value.kind_ = GridValueKind::Address;
    value.length_ = static_cast<uint8_t>(std::min(length, kMaxAddressBytes));
    std::copy_n(bytes, value.length_, value.bytes_.begin());
    return value;
}

bool GridValue::IsFigure() const
{
    return SortRank(*this) == 1;
}

GridCell TextCell(std::string text)
{
    GridValue value = text.empty() ? GridValue() : GridValue::Text();
    return {std::move(text), std::move(value)};
}

GridCell CountCell(int64_t count)
{
    return {FormatCount(count), GridValue::Count(count)};
}

GridCell AddressCell(std::string text, std::string_view plainText, const uint8_t* bytes, size_t length)
{
    if (text != plainText) return TextCell(std::move(text));
    return {std::move(text), GridValue::Address(bytes, length)};
}

std::weak_ordering CompareGridCells(const GridCell& a, const GridCell& b)
{
    const int rank = SortRank(a.Value);
    if (rank != SortRank(b.Value)) return rank <=> SortRank(b.Value);
    switch (rank) {
    case 1: return std::weak_order(a.Value.Figure(), b.Value.Figure());
    case 2: return a.Value.Bytes().compare(b.Value.Bytes()) <=> 0;
    case 3: return a.Text.View().compare(b.Text.View()) <=> 0;
    default: return std::weak_ordering::equivalent;
    }
}

GridContent::GridContent(int colCount, int rowCount) : colCount_(ClampCount(colCount, 1))
{
    rows_.resize(static_cast<size_t>(ClampCount(rowCount, 1)));
}

void GridContent::SetColCount(int count)
{
    colCount_ = ClampCount(count, 1);
}

void GridContent::SetRowCount(int count)
{
    rows_.resize(static_cast<size_t>(ClampCount(count, 1)));
}

bool GridContent::HasCell(int col, int row) const
{
    return row >= 0 && row < RowCount() && col >= 0 && static_cast<size_t>(col) < rows_[static_cast<size_t>(row)].Cells.size();
}

const GridCell& GridContent::CellAt(int col, int row) const
{
    return HasCell(col, row) ? rows_[static_cast<size_t>(row)].Cells[static_cast<size_t>(col)] : kEmptyCell;
}

std::string_view GridContent::Cell(int col, int row) const
{
    return CellAt(col, row).Text;
}

const GridValue& GridContent::Value(int col, int row) const
{
    return CellAt(col, row).Value;
}

void GridContent::SetCell(int col, int row, std::string text)
{
    SetCell(col, row, TextCell(std::move(text)));
}

void GridContent::SetCell(int col, int row, std::string text, GridValue value)
{
    SetCell(col, row, {std::move(text), std::move(value)});
}

void GridContent::SetCell(int col, int row, GridCell cell)
{
    if (row < 0 || row >= RowCount() || col < 0) return;
    std::vector<GridCell>& cells = rows_[static_cast<size_t>(row)].Cells;
    if (static_cast<size_t>(col) >= cells.size()) cells.resize(static_cast<size_t>(col) + 1);
    cells[static_cast<size_t>(col)] = std::move(cell);
}

void GridContent::ClearRow(int row)
{
    if (row >= 0 && row < RowCount()) rows_[static_cast<size_t>(row)].Cells.clear();
}

const GridRow& GridContent::Row(int row) const
{
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)] : kEmptyRow;
}

void GridContent::SetRow(int row, GridRow cells)
{
    if (row >= 0 && row < RowCount()) rows_[static_cast<size_t>(row)] = std::move(cells);
}

int32_t GridContent::RowTag(int row) const
{
    return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].Tag : 0;
}

void GridContent::SetRowTag(int row, int32_t tag)
{
    if (row >= 0 && row < RowCount()) rows_[static_cast<size_t>(row)].Tag = tag;
}

GridAlignment GridContent::Alignment(int col) const
{
    return col >= 0 && static_cast<size_t>(col) < alignments_.size() ? alignments_[static_cast<size_t>(col)]
                                                                      : GridAlignment::Left;
}

void GridContent::SetAlignment(int col, GridAlignment alignment)
{
    if (col < 0) return;
    if (static_cast<size_t>(col) >= alignments_.size()) alignments_.resize(static_cast<size_t>(col) + 1);
    alignments_[static_cast<size_t>(col)] = alignment;
}

void GridContent::SetCurrent(int col, int row)
{
    col_ = col;
    row_ = row;
}

void GridContent::SelectAll()
{
    selection_ = {fixedCols_, fixedRows_, colCount_ - 1, RowCount() - 1};
}

// ---- sorting ----------------------------------------------------------------------

void GridContent::ToggleSort()
{
    const bool ascending = col_ == sortedColumn_ ? !lastSortAscending_ : true;
    Sort(col_, ascending);
}

void GridContent::SortByColumn(int col, bool ascending)
{
    col_ = col;
    Sort(col, ascending);
}

void GridContent::Sort(int col, bool ascending)
{
    bool doSort = !(col == sortedColumn_ && ascending == lastSortAscending_);
    if (OnSortStart) OnSortStart(doSort, ascending);
    if (!doSort) return;
    const int first = std::min(fixedRows_, RowCount());
    std::vector<GridCell> keys;
    keys.reserve(static_cast<size_t>(RowCount() - first));
    for (int r = first; r < RowCount(); ++r) keys.push_back(CellAt(col, r));
    QuickSort(keys, 0, static_cast<int>(keys.size()) - 1, ascending);
    sortedColumn_ = col;
    lastSortAscending_ = ascending;
    if (OnSortFinish) OnSortFinish();
}

// Quicksort with the middle element as pivot. keys[i] belongs to the row
// FixedRows + i; a swap moves both keys and whole rows with their tags. The
// smaller part is sorted by recursion and the larger by the loop, so the depth
// stays logarithmic whatever the data; the order of equal keys is that of the
// plain recursive form, as the two parts never overlap.
void GridContent::QuickSort(std::vector<GridCell>& keys, int lo, int hi, bool ascending)
{
    const auto before = [ascending](const GridCell& a, const GridCell& b) {
        return ascending ? CompareGridCells(a, b) < 0 : CompareGridCells(b, a) < 0;
    };
    const size_t rowBase = static_cast<size_t>(std::min(fixedRows_, RowCount()));
    while (lo < hi) {
        int i = lo;
        int j = hi;
        const GridCell pivot = keys[static_cast<size_t>((lo + hi) / 2)];
        do {
            while (before(keys[static_cast<size_t>(i)], pivot)) ++i;
            while (before(pivot, keys[static_cast<size_t>(j)])) --j;
            if (i <= j) {
                std::swap(keys[static_cast<size_t>(i)], keys[static_cast<size_t>(j)]);
                std::swap(rows_[rowBase + static_cast<size_t>(i)], rows_[rowBase + static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j) QuickSort(keys, lo, j, ascending);
            lo = i;
        } else {
            if (i < hi) QuickSort(keys, i, hi, ascending);
            hi = j;
        }
    }
}

// ---- copying ----------------------------------------------------------------------

std::vector<int> GridContent::CopiedColumns() const
{
    int left = selection_.Left;
    int right = selection_.Right;
    if (CopyModes & cmEntireRows) {
        left = fixedCols_;
        right = colCount_ - 1;
    }
    std::vector<int> cols;
    for (int c = std::max(left, 0); c <= std::min(right, colCount_ - 1); ++c) cols.push_back(c);
    return cols;
}

std::vector<int> GridContent::CopiedRows() const
{
    int top = selection_.Top;
    int bottom = selection_.Bottom;
    if (CopyModes & cmEntireCols) {
        top = fixedRows_;
        bottom = RowCount() - 1;
    }
    std::vector<int> rows;
    for (int r = std::max(top, 0); r <= std::min(bottom, RowCount() - 1); ++r)
        if (RowShown(r)) rows.push_back(r);
    return rows;
}

namespace {

// ASCII letters in lower case: the grids' texts are ASCII, and a byte of a
// UTF-8 sequence passes unchanged, whatever the locale.
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case and spaces are ignored: addresses are shown padded (" 10. 99.  1. 10"),
// and the user types them plain ("10.99.1.10").
std::string FilterForm(std::string_view text)
{
    std::string form;
    form.reserve(text.size());
    for (const char c : text)
        if (c != ' ') form += LowerAscii(c);
    return form;
}

// Whether a cell holds the filter's form, the cell's spaces skipped and its case
// ignored as FilterForm does, without making the cell's form: a keystroke in the
// filter box tests every cell of every row.
bool HoldsFilterForm(std::string_view cell, std::string_view form)
{
    if (form.empty()) return true;
    for (std::size_t start = 0; start < cell.size(); ++start) {
        if (LowerAscii(cell[start]) != form[0]) continue;  // form holds no space
        std::size_t matched = 1;
        for (std::size_t i = start + 1; i < cell.size() && matched < form.size(); ++i) {
            if (cell[i] == ' ') continue;
            if (LowerAscii(cell[i]) != form[matched]) break;
            ++matched;
        }
        if (matched == form.size()) return true;
    }
    return false;
}

}  // namespace

void GridContent::SetRowFilter(std::string text)
{
    rowFilterForm_ = FilterForm(text);
    rowFilter_ = std::move(text);
}

bool GridContent::RowShown(int row) const
{
    if (rowFilterForm_.empty() || row < fixedRows_ || row >= RowCount()) return true;
    for (int col = 0; col < colCount_; ++col)
        if (HoldsFilterForm(Cell(col, row), rowFilterForm_)) return true;
    return false;
}

std::string GridContent::SelectionText() const
{
    const std::vector<int> cols = CopiedColumns();
    std::vector<int> lineRows;
    if (CopyModes & cmFixedRows)
        for (int r = 0; r < std::min(fixedRows_, RowCount()); ++r) lineRows.push_back(r);
    for (int r : CopiedRows()) lineRows.push_back(r);

    std::string text;
    for (size_t line = 0; line < lineRows.size(); ++line) {
        if (line > 0) text += "\r\n";
        bool firstCell = true;
        const auto append = [&](int col) {
            if (!firstCell) text += '\t';
            text += Cell(col, lineRows[line]);
            firstCell = false;
        };
        if (CopyModes & cmFixedCols)
            for (int c = 0; c < std::min(fixedCols_, colCount_); ++c) append(c);
        for (int c : cols) append(c);
    }
    return text;
}

std::optional<std::string> GridContent::CopyText() const
{
    if (!(EditModes & emCopy)) return std::nullopt;
    return SelectionText();
}

std::optional<std::string> GridContent::CutText()
{
    if (!(EditModes & emCut)) return std::nullopt;
    std::string text = SelectionText();
    for (int r : CopiedRows())
        for (int c : CopiedColumns())
            if (r >= fixedRows_ && c >= fixedCols_ && HasCell(c, r)) rows_[static_cast<size_t>(r)].Cells[static_cast<size_t>(c)] = {};
    return text;
}

// ---- free functions ---------------------------------------------------------------

std::vector<std::vector<std::string>> GridTexts(const GridContent& grid, int firstRow)
{
    std::vector<std::vector<std::string>> rows;
    for (int r = std::max(firstRow, 0); r < grid.RowCount(); ++r) rows.push_back(GridRowTexts(grid, r));
    return rows;
}

const std::string& GridContent::HeaderTip(int col) const
{
    static const std::string none;
    const auto tip = headerTips_.find(col);
    return tip == headerTips_.end() ? none : tip->second;
}

void GridContent::SetHeaderTip(int col, std::string tip)
{
    if (col < 0 || col >= colCount_) return;
    headerTips_[col] = std::move(tip);
}

std::vector<std::string> GridRowTexts(const GridContent& grid, int row)
{
    if (row < 0 || row >= grid.RowCount()) return {};
    std::vector<std::string> texts;
    texts.reserve(static_cast<size_t>(grid.ColCount()));
    for (int c = 0; c < grid.ColCount(); ++c) texts.emplace_back(grid.Cell(c, row));
    return texts;
}

int FindGridRow(const GridContent& grid, const std::vector<std::string>& texts)
{
    if (texts.size() != static_cast<size_t>(grid.ColCount())) return -1;
    for (int r = grid.FixedRows(); r < grid.RowCount(); ++r) {
        bool same = true;
        for (int c = 0; c < grid.ColCount() && same; ++c) same = grid.Cell(c, r) == texts[static_cast<size_t>(c)];
        if (same) return r;
    }
    return -1;
}

}  // namespace quenlix
