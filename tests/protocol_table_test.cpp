// The Protocol Table page: rows, cell texts and sorting.

#include <gtest/gtest.h>

#include "ui/main/ProtocolTableContent.h"

namespace quenlix {
namespace {

void SetFamily(AnalysisState& state, int family, int32_t frames, int32_t groupFrames, int32_t bytes, uint8_t encaps)
{
    ProtocolStat& stat = state.ProtocolStats[static_cast<size_t>(family)];
    stat.Frames = frames;
    stat.GroupFrames = groupFrames;
    stat.Bytes = bytes;
    stat.EncapsSet = encaps;
}

using Cells = std::array<std::string, kProtocolTableColumns>;

class ProtocolTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.TotalFrames = 10000;
        state.FrameStats[7] = 80;  // broadcast
        state.FrameStats[8] = 20;  // multicast
        SetFamily(state, 4, 6000, 10, 3000000, 0x01);  // IP over Ethernet II
        SetFamily(state, 5, 3999, 90, 400001, 0x06);   // IPX over LLC and Novell raw
        SetFamily(state, 1, 1, 0, 60, 0x01);           // ARP: 1 frame of 10,000
    }
    AnalysisState state;
};

TEST(ProtocolTableLayout, Columns)
{
    const auto& columns = ProtocolTableColumns();
    EXPECT_EQ(columns[0].Header, "Protocol");
    EXPECT_EQ(columns[3].Header, "Ave Pkt Size (Bytes)");
    EXPECT_EQ(columns[6].Header, "Encapsulation(s)");
    EXPECT_EQ(columns[0].Alignment, CellAlignment::Left);
    EXPECT_EQ(columns[2].Alignment, CellAlignment::Right);
    EXPECT_EQ(columns[6].Alignment, CellAlignment::Centre);
    for (int c = 0; c < kProtocolTableColumns; ++c) EXPECT_EQ(columns[static_cast<size_t>(c)].SortsAsNumber, c >= 1 && c <= 5);
}

TEST_F(ProtocolTable, OneRowPerFamilyWithFramesInFamilyOrder)
{
    const ProtocolTableContent table = BuildProtocolTable(state);
    ASSERT_EQ(table.Rows.size(), 3u);
    EXPECT_EQ(table.GridRowCount(), 4);
    EXPECT_EQ(table.Rows[0].Cells, (Cells{"ARP/RARP", "1", "0.01%", "60", "0", "0.00%", "Etype"}));
    EXPECT_EQ(table.Rows[1].Cells, (Cells{"IP", "6,000", "60.00%", "500", "10", "10.00%", "Etype"}));
    // 400001 div 3999 truncates to 100; 39.99% rounds to 40.0 at three digits.
    EXPECT_EQ(table.Rows[2].Cells, (Cells{"IPX", "3,999", "40.00%", "100", "90", "90.00%", "LLC, NovRaw"}));
}

TEST_F(ProtocolTable, MacAndOtherShareOneRow)
{
    SetFamily(state, 15, 5, 5, 100, 0x00);
    SetFamily(state, 16, 3, 0, 60, 0x02);
    const ProtocolTableContent table = BuildProtocolTable(state);
    ASSERT_EQ(table.Rows.size(), 4u);
    EXPECT_EQ(table.Rows[3].Family, 16);
    EXPECT_EQ(table.Rows[3].Cells, (Cells{"Other", "8", "0.08%", "20", "5", "5.00%", "LLC, MAC"}));
}

TEST_F(ProtocolTable, OtherAloneHasNoMacEncapsulation)
{
    SetFamily(state, 16, 3, 0, 60, 0x08);
    const ProtocolTableContent table = BuildProtocolTable(state);
    ASSERT_EQ(table.Rows.size(), 4u);
    EXPECT_EQ(table.Rows[3].Cells[0], "Other");
    EXPECT_EQ(table.Rows[3].Cells[6], "SNAP");
}

TEST_F(ProtocolTable, NoGroupFramesGiveZeroBroadcastPercent)
{
    state.FrameStats[7] = 0;
    state.FrameStats[8] = 0;
    for (const ProtocolTableRow& row : BuildProtocolTable(state).Rows) EXPECT_EQ(row.Cells[5], "0.00%");
}

TEST_F(ProtocolTable, InconsistentTotalsNeverDivideByZero)
{
    state.TotalFrames = 0;
    SetFamily(state, 3, -4, 0, 100, 0);  // a negative count is no row
    const ProtocolTableContent table = BuildProtocolTable(state);
    ASSERT_EQ(table.Rows.size(), 3u);
    EXPECT_EQ(table.Rows[1].Cells[2], "0.00%");
}

TEST(ProtocolTableSort, NumericKeys)
{
    EXPECT_DOUBLE_EQ(NumericSortKey("1,024"), 1024);
    EXPECT_DOUBLE_EQ(NumericSortKey("98%"), 98);
    EXPECT_DOUBLE_EQ(NumericSortKey("1,230.00%"), 1230);
    EXPECT_DOUBLE_EQ(NumericSortKey("-1,234"), -1234);
    EXPECT_DOUBLE_EQ(NumericSortKey("abc"), 0);
    EXPECT_DOUBLE_EQ(NumericSortKey(""), 0);
    EXPECT_DOUBLE_EQ(NumericSortKey("1%%"), 0);  // only the first "%" goes
}

std::vector<std::string> Column(const ProtocolTableContent& table, int column)
{
    std::vector<std::string> cells;
    for (const ProtocolTableRow& row : table.Rows) cells.push_back(row.Cells[static_cast<size_t>(column)]);
    return cells;
}

TEST_F(ProtocolTable, SortsNumbersAsNumbersAndTextByCharacterCodes)
{
    SetFamily(state, 0, 900, 0, 90000, 0x08);  // Appletalk
    ProtocolTableContent table = BuildProtocolTable(state);

    SortProtocolTable(table, 2, true);  // as text "9.00%" would follow "60.00%"
    EXPECT_EQ(Column(table, 2), (std::vector<std::string>{"0.01%", "9.00%", "40.00%", "60.00%"}));
    SortProtocolTable(table, 1, false);
    EXPECT_EQ(Column(table, 0), (std::vector<std::string>{"IP", "IPX", "Appletalk", "ARP/RARP"}));
    SortProtocolTable(table, 0, true);  // "R" sorts before "p"
    EXPECT_EQ(Column(table, 0), (std::vector<std::string>{"ARP/RARP", "Appletalk", "IP", "IPX"}));
    SortProtocolTable(table, 7, true);  // no such column: unchanged
    EXPECT_EQ(Column(table, 0), (std::vector<std::string>{"ARP/RARP", "Appletalk", "IP", "IPX"}));
}

}  // namespace
}  // namespace quenlix
