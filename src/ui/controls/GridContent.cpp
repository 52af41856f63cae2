#include "ui/controls/GridContent.h"
#include "model/StringHelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

namespace quenlix {

namespace {

const std::string kEmptyCell;
constexpr double kNotANumberKey = -std::numeric_limits<double>::infinity();

// The whole text as a finite number, or nothing.
std::optional<double> ParseNumber(std::string_view text)
{
    double value = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (text.empty() || error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "hh:mm:ss" (or "mm:ss") as seconds; every field plain digits.
std::optional<double> ParseDuration(std::string_view text)
{
    double seconds = 0;
    int fields = 0;
    while (true) {
        const size_t colon = text.find(':');
        const std::string_view field = text.substr(0, colon);
        if (field.empty() || !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const std::optional<double> value = ParseNumber(field);
        if (!value) return std::nullopt;
        seconds = seconds * 60 + *value;
        ++fields;
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    return fields <= 3 ? std::optional<double>(seconds) : std::nullopt;
}

double KeyOfPlainText(std::string_view text)
{
    text = Trimmed(text);
    if (!text.empty() && text.front() == '<') return KeyOfPlainText(text.substr(1)) - 0.5;
    const std::optional<double> value =
        text.find(':') != std::string_view::npos ? ParseDuration(text) : ParseNumber(text);
    return value ? *value : kNotANumberKey;
}

template <class Key>
bool Before(const Key& a, const Key& b, bool ascending)
{
    return ascending ? a < b : b < a;
}

}  // namespace

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

const std::string& GridContent::Cell(int col, int row) const
{
    return HasCell(col, row) ? rows_[static_cast<size_t>(row)].Cells[static_cast<size_t>(col)] : kEmptyCell;
}

void GridContent::SetCell(int col, int row, std::string text)
{
    if (row < 0 || row >= RowCount() || col < 0) return;
    std::vector<std::string>& cells = rows_[static_cast<size_t>(row)].Cells;
    if (static_cast<size_t>(col) >= cells.size()) cells.resize(static_cast<size_t>(col) + 1);
    cells[static_cast<size_t>(col)] = std::move(text);
}

void GridContent::ClearRow(int row)
{
    if (row >= 0 && row < RowCount()) rows_[static_cast<size_t>(row)].Cells.clear();
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

void GridContent::TextSort()
{
    const bool ascending = col_ == sortedColumn_ ? !lastSortAscending_ : true;
    Sort(col_, ascending, GridSortKind::Text);
}

void GridContent::SortByColumn(int col, bool ascending, GridSortKind kind)
{
    col_ = col;
    Sort(col, ascending, kind);
}

void GridContent::Sort(int col, bool ascending, GridSortKind kind)
{
    bool doSort = !(col == sortedColumn_ && ascending == lastSortAscending_);
    if (OnSortStart) OnSortStart(doSort, ascending);
    if (!doSort) return;
    const int first = std::min(fixedRows_, RowCount());
    const int count = RowCount() - first;
    if (kind == GridSortKind::Numbers) {
        std::vector<double> keys;
        keys.reserve(static_cast<size_t>(count));
        for (int r = first; r < RowCount(); ++r) keys.push_back(GridNumericKey(Cell(col, r)));
        QuickSort(keys, 0, count - 1, ascending);
    } else {
        std::vector<std::string> keys;
        keys.reserve(static_cast<size_t>(count));
        for (int r = first; r < RowCount(); ++r) keys.push_back(Cell(col, r));
        QuickSort(keys, 0, count - 1, ascending);
    }
    sortedColumn_ = col;
    lastSortAscending_ = ascending;
    if (OnSortFinish) OnSortFinish();
}

// Quicksort with the middle element as pivot. keys[i] belongs to the row
// FixedRows + i; a swap moves both keys and whole rows with their tags. The
// smaller part is sorted by recursion and the larger by the loop, so the depth
// stays logarithmic whatever the data; the order of equal keys is that of the
// plain recursive form, as the two parts never overlap.
template <class Key>
void GridContent::QuickSort(std::vector<Key>& keys, int lo, int hi, bool ascending)
{
    const size_t rowBase = static_cast<size_t>(std::min(fixedRows_, RowCount()));
    while (lo < hi) {
        int i = lo;
        int j = hi;
        const Key pivot = keys[static_cast<size_t>((lo + hi) / 2)];
        do {
            while (Before(keys[static_cast<size_t>(i)], pivot, ascending)) ++i;
            while (Before(pivot, keys[static_cast<size_t>(j)], ascending)) --j;
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
    for (int r = std::max(top, 0); r <= std::min(bottom, RowCount() - 1); ++r) rows.push_back(r);
    return rows;
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
            if (r >= fixedRows_ && c >= fixedCols_ && HasCell(c, r)) rows_[static_cast<size_t>(r)].Cells[static_cast<size_t>(c)].clear();
    return text;
}

// ---- free functions ---------------------------------------------------------------

double GridNumericKey(const std::string& text)
{
    std::string plain;
    plain.reserve(text.size());
    bool percentRemoved = false;
    for (char c : text) {
        if (c == ',') continue;
        if (c == '%' && !percentRemoved) {
            percentRemoved = true;
            continue;
        }
        plain += c;
    }
    return KeyOfPlainText(plain);
}

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
    for (int c = 0; c < grid.ColCount(); ++c) texts.push_back(grid.Cell(c, row));
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
