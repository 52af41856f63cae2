// The rules of the statistics grid: the sort by the cells' values (figures by
// number, addresses by their bytes, texts as texts), rows and tags moving
// together, the remembered sort, and copying a selection as tab-separated lines
// with the fixed rows and columns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "model/NumberFormat.h"
#include "ui/controls/GridContent.h"

namespace quenlix {
namespace {

// A grid with a header row, one fixed column of row labels and one data column.
GridContent Column(const std::vector<std::string>& values)
{
    GridContent grid(2, static_cast<int>(values.size()) + 1);
    grid.SetFixedCols(1);
    grid.SetCell(0, 0, "Name");
    grid.SetCell(1, 0, "Value");
    for (size_t i = 0; i < values.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        grid.SetCell(0, row, "r" + std::to_string(row));
        grid.SetCell(1, row, values[i]);
        grid.SetRowTag(row, 100 + row);
    }
    return grid;
}

// The same with a value beside each text.
GridContent ValueColumn(const std::vector<GridCell>& cells)
{
    std::vector<std::string> texts;
    for (const GridCell& cell : cells) texts.push_back(cell.Text.String());
    GridContent grid = Column(texts);
    for (size_t i = 0; i < cells.size(); ++i) grid.SetCell(1, static_cast<int>(i) + 1, cells[i]);
    return grid;
}

GridCell Address(std::initializer_list<uint8_t> bytes, std::string text)
{
    const std::vector<uint8_t> data(bytes);
    return {std::move(text), GridValue::Address(data.data(), data.size())};
}

std::vector<std::string> ColumnTexts(const GridContent& grid, int col)
{
    std::vector<std::string> texts;
    for (int r = grid.FixedRows(); r < grid.RowCount(); ++r) texts.emplace_back(grid.Cell(col, r));
    return texts;
}

// ---- values ------------------------------------------------------------------------------

// Each case lists cells in the order an ascending sort must give, written in
// another order: figures by number whatever their texts, durations under a second
// (shown as "< 00:00:01") below one second, addresses byte by byte with a proper
// prefix first, texts ordinally, and cells without a value below everything.
TEST(GridValueSort, EachKindSortsByItsValue)
{
    const struct {
        const char* Name;
        std::vector<GridCell> Sorted;
    } cases[] = {
        {"counts", {{"-", {}}, {"9", GridValue::Count(9)}, {"98", GridValue::Count(98)},
                    {"1,024", GridValue::Count(1024)}, {"12,345,678", GridValue::Count(12345678)}}},
        {"durations", {{"< 00:00:01", GridValue::Duration(0)}, {"00:00:02", GridValue::Duration(2)},
                       {"00:01:05", GridValue::Duration(65)}, {"100:00:00", GridValue::Duration(360000)}}},
        {"percentages", {{"0.04%", GridValue::Percent(0.04)}, {"9.00%", GridValue::Percent(9)},
                         {"45.70%", GridValue::Percent(45.7)}, {"100.00%", GridValue::Percent(100)}}},
        {"numbers", {{"-", {}}, {" 0.550", GridValue::Number(0.55)}, {" 9.000", GridValue::Number(9)},
                     {" 21.345", GridValue::Number(21.345)}, {" 1,234.500", GridValue::Number(1234.5)}}},
        {"addresses", {Address({10, 0, 0, 2}, "10.0.0.2"), Address({10, 0, 0, 10}, "10.0.0.10"),
                       Address({10, 0, 0, 10, 0, 0}, "0A000000000A"), Address({192, 168, 1, 1}, "192.168.1.1"),
                       Address({0xC2, 0x01}, "C201"),
                       Address({0xFD, 0, 0, 0x99, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x01}, "fd00:99:1::101"),
                       Address({0xFD, 0, 0, 0x99, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0x02}, "fd00:99:1::102")}},
        {"texts", {{"10", GridValue::Text()}, {"9", GridValue::Text()}, {"B", GridValue::Text()},
                   {"a", GridValue::Text()}, {"b", GridValue::Text()}, {"\xB7", GridValue::Text()}}},
        {"kinds", {{"-", {}}, {"5", GridValue::Count(5)}, {"00:00:07", GridValue::Duration(7)},
                   Address({0}, "0"), {"0 a name", GridValue::Text()}}},
    };
    for (const auto& [name, sorted] : cases) {
        std::vector<GridCell> shuffled(sorted.rbegin(), sorted.rend());
        std::rotate(shuffled.begin(), shuffled.begin() + 1, shuffled.end());
        GridContent grid = ValueColumn(shuffled);
        std::vector<std::string> expected;
        for (const GridCell& cell : sorted) expected.push_back(cell.Text.String());
        grid.SortByColumn(1, true);
        EXPECT_EQ(ColumnTexts(grid, 1), expected) << name;
        grid.SortByColumn(1, false);
        EXPECT_EQ(ColumnTexts(grid, 1), std::vector<std::string>(expected.rbegin(), expected.rend())) << name;
    }
}

// A cell's text is kept inline up to 15 bytes and on the heap beyond: every
// length on either side of the limit survives a copy, a move and an assignment.
TEST(CellTextStorage, EveryLengthSurvivesCopiesAndMoves)
{
    const std::vector<std::string> texts{"",  "7", std::string(15, 'a'), std::string(16, 'b'), std::string(300, 'c'),
                                         std::string("a\0b", 3)};
    for (const std::string& text : texts) {
        CellText original(text);
        EXPECT_EQ(original.View(), text);
        CellText copy = original;
        CellText moved = std::move(copy);
        EXPECT_EQ(moved.View(), text);
        EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from text is empty
        CellText assigned("an older, longer text than fifteen bytes");
        assigned = original;
        assigned = static_cast<const CellText&>(assigned);
        EXPECT_EQ(assigned.View(), text);
        original = CellText("x");
        EXPECT_EQ(assigned.View(), text) << "a copy keeps its own bytes";
    }
}

TEST(GridValueSort, CellsThatLookTheSameCompareEqual)
{
    // A figure is kept as it is shown, so rows that show the same keep their order.
    EXPECT_EQ(RoundToDecimals(21.3449999, 3), 21.345);
    EXPECT_EQ(RoundToDecimals(0.0004, 3), 0);
    const GridCell a{" 21.345", GridValue::Number(RoundToDecimals(21.3449999, 3))};
    const GridCell b{" 21.345", GridValue::Number(RoundToDecimals(21.3450001, 3))};
    EXPECT_EQ(CompareGridCells(a, b), std::weak_ordering::equivalent);
    EXPECT_EQ(CompareGridCells({"", {}}, {"-", {}}), std::weak_ordering::equivalent);
    EXPECT_EQ(CompareGridCells(CountCell(3), {"3.00%", GridValue::Percent(3)}), std::weak_ordering::equivalent);
    // A cell given by its text holds the text, an empty one nothing.
    GridContent grid(1, 2);
    grid.SetCell(0, 1, "x");
    EXPECT_EQ(grid.Value(0, 1), GridValue::Text());
    grid.SetCell(0, 1, "");
    EXPECT_EQ(grid.Value(0, 1), GridValue());
    EXPECT_EQ(grid.Value(4, 9), GridValue());
}

TEST(GridValueSort, AnAddressShownByItsVendorSortsAsItReads)
{
    const uint8_t mac[] = {0x00, 0x00, 0x0C, 0x12, 0x34, 0x56};
    EXPECT_EQ(AddressCell("00000C123456", "00000C123456", mac, 6).Value, GridValue::Address(mac, 6));
    EXPECT_EQ(AddressCell("Cisco123456", "00000C123456", mac, 6).Value, GridValue::Text());
    EXPECT_EQ(CountCell(1234567).Text, "1,234,567");
}

// ---- sorting ------------------------------------------------------------------------------

TEST(GridSort, RowsMoveWholeWithTheirTagsAndFixedRowsStay)
{
    GridContent grid = Column({"c", "a", "b"});
    for (int row = 1; row <= 3; ++row) grid.SetCell(5, row, "beyond" + std::to_string(row));  // beyond ColCount
    grid.SortByColumn(1, true);
    EXPECT_EQ(grid.Cell(1, 0), "Value");
    EXPECT_EQ(ColumnTexts(grid, 0), (std::vector<std::string>{"r2", "r3", "r1"}));
    EXPECT_EQ(ColumnTexts(grid, 5), (std::vector<std::string>{"beyond2", "beyond3", "beyond1"}));
    EXPECT_EQ(grid.RowTag(1), 102);
    EXPECT_EQ(grid.RowTag(2), 103);
    EXPECT_EQ(grid.RowTag(3), 101);

    // A whole row, taken out and put back elsewhere, keeps its cells and tag.
    const GridRow first = grid.Row(1);
    grid.SetRow(3, first);
    EXPECT_EQ(grid.Cell(1, 3), "a");
    EXPECT_EQ(grid.RowTag(3), 102);
    EXPECT_TRUE(grid.Row(7).Cells.empty());
}

TEST(GridSort, HeaderClicksAlternateAndARowIsFoundWhereItMoved)
{
    HeaderSort header;
    const std::vector<std::pair<int, bool>> clicks{{1, true}, {1, false}, {1, true}, {0, true}, {1, true}};
    for (const auto& [col, ascending] : clicks) {
        header.Click(col);
        EXPECT_EQ(header.Column, col);
        EXPECT_EQ(header.Ascending, ascending) << "click on column " << col;
    }

    GridContent grid = Column({"c", "a", "b"});
    const std::vector<std::string> chosen = GridRowTexts(grid, 1);  // r1, "c"
    grid.SortByColumn(1, true);
    EXPECT_EQ(FindGridRow(grid, chosen), 3);
    // The header row is never a match, a row outside the grid has no texts, and
    // texts of another width match nothing.
    EXPECT_EQ(FindGridRow(grid, GridRowTexts(grid, 0)), -1);
    EXPECT_TRUE(GridRowTexts(grid, 9).empty());
    EXPECT_EQ(FindGridRow(grid, {"r1"}), -1);
}

TEST(GridSort, RemembersTheColumnAndDirection)
{
    GridContent grid = Column({"b", "a", "c"});
    EXPECT_EQ(grid.SortedColumn(), -1);
    grid.SetCurrent(1, 1);
    grid.ToggleSort();  // a first sort is ascending
    EXPECT_EQ(grid.SortedColumn(), 1);
    EXPECT_TRUE(grid.LastSortAscending());
    EXPECT_EQ(ColumnTexts(grid, 1), (std::vector<std::string>{"a", "b", "c"}));
    grid.ToggleSort();  // the same column again reverses
    EXPECT_FALSE(grid.LastSortAscending());
    EXPECT_EQ(ColumnTexts(grid, 1), (std::vector<std::string>{"c", "b", "a"}));

    grid.SetCurrent(0, 1);
    grid.ToggleSort();  // another column starts ascending
    EXPECT_EQ(grid.SortedColumn(), 0);
    EXPECT_TRUE(grid.LastSortAscending());
    EXPECT_EQ(ColumnTexts(grid, 0), (std::vector<std::string>{"r1", "r2", "r3"}));

    grid.SortByColumn(1, false);
    EXPECT_EQ(grid.Col(), 1);  // the sorted column becomes current
}

TEST(GridSort, RepeatingTheLastSortRunsOnlyWhenAsked)
{
    GridContent grid = Column({"b", "a"});
    int starts = 0;
    int finishes = 0;
    bool presetSeen = true;
    bool force = false;
    grid.OnSortStart = [&](bool& doSort, bool) {
        ++starts;
        presetSeen = doSort;
        if (force) doSort = true;
    };
    grid.OnSortFinish = [&] { ++finishes; };

    grid.SortByColumn(1, true);
    EXPECT_TRUE(presetSeen);
    EXPECT_EQ(finishes, 1);

    grid.SetCell(1, 1, "z");  // the rows change, but the same sort is a repeat
    grid.SortByColumn(1, true);
    EXPECT_FALSE(presetSeen);
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(grid.Cell(1, 1), "z");

    force = true;
    grid.SortByColumn(1, true);
    EXPECT_EQ(finishes, 2);
    EXPECT_EQ(grid.Cell(1, 2), "z");
    EXPECT_EQ(starts, 3);

    // A handler may also veto a sort.
    grid.OnSortStart = [](bool& doSort, bool) { doSort = false; };
    grid.SortByColumn(1, false);
    EXPECT_EQ(finishes, 2);
    EXPECT_TRUE(grid.LastSortAscending());

    // A forgotten sort runs again.
    grid.OnSortStart = nullptr;
    grid.SetCell(1, 1, "zz");
    grid.ForgetSort();
    grid.SortByColumn(1, true);
    EXPECT_EQ(grid.Cell(1, 2), "zz");
}

TEST(GridSort, LargeInputsOfEveryShapeSortCorrectly)
{
    std::mt19937 random(7);
    const int n = 20000;
    std::vector<std::vector<std::string>> shapes(4);
    for (int i = 0; i < n; ++i) {
        shapes[0].push_back(std::to_string(random() % 1000));  // many equal keys
        shapes[1].push_back(std::to_string(i));                // ascending
        shapes[2].push_back(std::to_string(n - i));            // descending
        shapes[3].push_back("7");                              // all equal
    }
    for (const auto& values : shapes) {
        std::vector<GridCell> cells;
        for (const std::string& value : values) cells.push_back(CountCell(std::stoi(value)));
        GridContent grid = ValueColumn(cells);
        grid.SortByColumn(1, true);
        std::vector<int64_t> sorted;
        for (int row = 1; row < grid.RowCount(); ++row) sorted.push_back(std::llround(grid.Value(1, row).Figure()));
        EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
        // Every row kept its own label, value and tag together.
        for (int row = 1; row < grid.RowCount(); ++row) {
            const int original = std::stoi(std::string(grid.Cell(0, row).substr(1)));
            EXPECT_EQ(grid.Value(1, row), GridValue::Count(std::stoi(values[static_cast<size_t>(original - 1)])));
            ASSERT_EQ(grid.RowTag(row), 100 + original);
        }
    }
}

TEST(GridSort, EmptyAndOutOfRangeSortsDoNothingHarmful)
{
    GridContent empty(3, 1);
    empty.SortByColumn(0, true);
    EXPECT_EQ(empty.RowCount(), 1);
    GridContent grid = Column({"b", "a"});
    grid.SortByColumn(40, true);
    grid.SortByColumn(-3, false);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Cell(0, 0), "Name");
}

// ---- copying --------------------------------------------------------------------------------

class GridCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        grid.SetFixedCols(1);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) grid.SetCell(c, r, std::string(1, static_cast<char>('a' + c)) + std::to_string(r));
    }
    GridContent grid{4, 4};
};

TEST_F(GridCopy, SelectionComesWithTheFixedRowsAndColumns)
{
    grid.SetSelection({2, 2, 3, 3});
    EXPECT_EQ(*grid.CopyText(), "a0\tc0\td0\r\na2\tc2\td2\r\na3\tc3\td3");
}

TEST_F(GridCopy, HeaderOnlySelectionGivesTheHeaderThenThatRow)
{
    grid.CopyModes = cmFixedRows;
    grid.SetSelection({1, 0, 2, 0});
    EXPECT_EQ(*grid.CopyText(), "b0\tc0\r\nb0\tc0");
}

TEST_F(GridCopy, EntireColumnsAndRowsWidenTheSelection)
{
    grid.SetSelection({2, 2, 2, 2});
    grid.CopyModes = cmEntireCols;
    EXPECT_EQ(*grid.CopyText(), "c1\r\nc2\r\nc3");
    grid.CopyModes = cmEntireRows;
    EXPECT_EQ(*grid.CopyText(), "b2\tc2\td2");
    grid.CopyModes = 0;
    EXPECT_EQ(*grid.CopyText(), "c2");
}

// The filter typed over a grid: any cell containing the text, ignoring case and
// the spaces that pad addresses;
// the fixed rows always pass, and rows filtered out are neither shown nor copied.
TEST_F(GridCopy, FilteredRowsAreLeftOut)
{
    grid.SetCell(3, 3, "Web  10.  0.  0.  2:80");
    grid.SetRowFilter("C2");
    EXPECT_EQ((std::vector<bool>{grid.RowShown(0), grid.RowShown(1), grid.RowShown(2), grid.RowShown(3)}),
              (std::vector<bool>{true, false, true, false}));
    grid.SetSelection({1, 1, 3, 3});
    EXPECT_EQ(*grid.CopyText(), "a0\tb0\tc0\td0\r\na2\tb2\tc2\td2");
    grid.SetRowFilter("10.0.0.2:8");
    EXPECT_TRUE(grid.RowShown(3));
    EXPECT_FALSE(grid.RowShown(2));
    grid.SetRowFilter("0.0.2");  // a match that begins after a false start ("0.0.0")
    EXPECT_TRUE(grid.RowShown(3));
    grid.SetRowFilter("2:80x");  // the text runs past the cell's end
    EXPECT_FALSE(grid.RowShown(3));
    grid.SetRowFilter("");
    EXPECT_TRUE(grid.RowShown(1));
}

TEST_F(GridCopy, CopyNeedsItsEditMode)
{
    grid.EditModes = emClear;
    EXPECT_FALSE(grid.CopyText().has_value());
    EXPECT_FALSE(grid.CutText().has_value());
}

TEST_F(GridCopy, CutClearsTheNonFixedCellsCopied)
{
    grid.EditModes = emCut;
    grid.SetSelection({0, 1, 1, 2});
    EXPECT_EQ(*grid.CutText(), "a0\ta0\tb0\r\na1\ta1\tb1\r\na2\ta2\tb2");
    EXPECT_EQ(grid.Cell(0, 1), "a1");  // fixed
    EXPECT_EQ(grid.Cell(1, 1), "");
    EXPECT_EQ(grid.Value(1, 1), GridValue());
    EXPECT_EQ(grid.Cell(1, 2), "");
    EXPECT_EQ(grid.Cell(1, 3), "b3");
    EXPECT_EQ(grid.Cell(1, 0), "b0");
}

TEST_F(GridCopy, SelectAllTakesEveryNonFixedCell)
{
    grid.SelectAll();
    EXPECT_EQ(grid.Selection().Left, 1);
    EXPECT_EQ(grid.Selection().Top, 1);
    EXPECT_EQ(grid.Selection().Right, 3);
    EXPECT_EQ(grid.Selection().Bottom, 3);
    const std::string text = *grid.CopyText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_EQ(text.substr(0, 12), "a0\tb0\tc0\td0\r");
}

TEST_F(GridCopy, SelectionOutsideTheGridIsClipped)
{
    grid.SetSelection({2, 3, 50, 90});
    EXPECT_EQ(*grid.CopyText(), "a0\tc0\td0\r\na3\tc3\td3");
    grid.SetSelection({-5, -5, -1, -1});
    EXPECT_EQ(*grid.CopyText(), "a0");
}

TEST_F(GridCopy, HiddenCellsAreNotCopied)
{
    grid.SetCell(6, 2, "secret");
    grid.SetSelection({1, 2, 9, 2});
    EXPECT_EQ(*grid.CopyText(), "a0\tb0\tc0\td0\r\na2\tb2\tc2\td2");
}

TEST(GridCells, OutsideTheGridReadEmptyAndWritesAreIgnored)
{
    GridContent grid(2, 2);
    grid.SetCell(0, 5, "x");
    grid.SetCell(-1, 0, "x");
    EXPECT_EQ(grid.Cell(0, 5), "");
    EXPECT_EQ(grid.Cell(-1, -1), "");
    EXPECT_EQ(grid.RowTag(9), 0);
    grid.SetRowCount(0);
    grid.SetColCount(-4);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.ColCount(), 1);
    grid.SetAlignment(3, GridAlignment::Right);
    EXPECT_EQ(grid.Alignment(3), GridAlignment::Right);
    EXPECT_EQ(grid.Alignment(2), GridAlignment::Left);
}

}  // namespace
}  // namespace quenlix
