// The Protocol Table page: rows, cell texts and sorting.

#include <algorithm>
#include <set>
#include <gtest/gtest.h>

#include "EngineFeeder.h"
#include "model/Naming.h"
#include "ui/main/ProtocolTableContent.h"

namespace quenlix {
namespace {

void SetFamily(AnalysisState& state, int family, int32_t frames, int32_t groupFrames, int32_t bytes, uint8_t encaps)
{
    ProtocolStat& stat = state.ProtocolStats[static_cast<size_t>(family)];
    stat.Frames = frames;
    stat.GroupFrames = groupFrames;
    stat.Bytes = bytes;
    stat.EncapsSet = EncapsulationSet::FromBits(encaps);
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

// A missing key fails to compile; two columns sharing a key would lose a cell in the JSON report.
TEST(ProtocolTableLayout, EveryColumnHasItsOwnJsonKey)
{
    std::set<std::string> keys;
    for (const GridColumn& column : kProtocolColumns) keys.insert(column.JsonKey);
    EXPECT_EQ(keys.size(), kProtocolColumns.size());
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
    EXPECT_EQ(table.Rows[3].Family, kFamilyOther);
    EXPECT_EQ(table.Rows[3].Cells, (Cells{"Other", "8", "0.08%", "20", "5", "5.00%", "LLC, MAC"}));
}

TEST(ProtocolTableTokenRing, MacAndOtherFramesFromTheEngineShareARow)
{
    AnalysisState state;
    testing::EngineFeeder feed(state, kTopologyTokenRing);
    const testing::Mac a = testing::MacOf(1);
    const testing::Mac b = testing::MacOf(2);
    const testing::Mac all{0xC0, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 3; ++i) feed.Feed(testing::TokenRing(0x00, b, a, {}, testing::Bytes(22, 0)), 0);  // MAC, 36 bytes
    feed.Feed(testing::TokenRing(0x00, all, a, {}, testing::Bytes(22, 0)), 0);
    testing::Bytes llc = testing::TokenRingLlc(b, a, {}, 0xAA, testing::Bytes(3, 0));  // an unknown SNAP type
    llc.resize(100, 0);
    feed.Feed(llc, 0);
    feed.Finish();
    state.TotalFrames = feed.FrameNo();  // the reading driver's count
    ASSERT_EQ(state.ProtocolStats[kFamilyMAC].Frames, 4);
    ASSERT_EQ(state.ProtocolStats[kFamilyOther].Frames, 1);

    const ProtocolTableContent table = BuildProtocolTable(state);
    ASSERT_EQ(table.Rows.size(), 1u);
    const std::string encapsulations = table.Rows[0].Cells[6];
    EXPECT_EQ(encapsulations.substr(encapsulations.size() - 3), "MAC");
    const Cells cells = table.Rows[0].Cells;
    EXPECT_EQ((Cells{cells[0], cells[1], cells[2], cells[3], cells[4], cells[5]}),
              (Cells{"Other", "5", "100.00%", "48", "1", "100.00%"}));  // (4 x 36 + 100) div 5
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

std::vector<std::string> Column(const GridContent& grid, int column)
{
    std::vector<std::string> cells;
    for (int row = grid.FixedRows(); row < grid.RowCount(); ++row) cells.emplace_back(grid.Cell(column, row));
    return cells;
}

TEST_F(ProtocolTable, GridHasHeadingsAFixedColumnAndTheRows)
{
    GridContent grid;
    InitProtocolGrid(grid);
    EXPECT_EQ(grid.ColCount(), 7);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.FixedCols(), 1);
    EXPECT_EQ(grid.Cell(5, 0), "Broadcast Percent");
    EXPECT_EQ(grid.Alignment(1), GridAlignment::Right);
    EXPECT_EQ(grid.Alignment(6), GridAlignment::Centre);

    FillProtocolGrid(grid, BuildProtocolTable(state));
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"ARP/RARP", "IP", "IPX"}));
    EXPECT_EQ(grid.RowTag(3), 5);

    // A second, smaller trace leaves nothing of the first behind.
    AnalysisState empty;
    FillProtocolGrid(grid, BuildProtocolTable(empty));
    EXPECT_EQ(grid.RowCount(), 2);
    for (int col = 0; col < 7; ++col) EXPECT_EQ(grid.Cell(col, 1), "");
    EXPECT_EQ(grid.RowTag(1), 0);
}

TEST_F(ProtocolTable, SortsNumbersAsNumbersAndTextByCharacterCodes)
{
    SetFamily(state, 0, 900, 0, 90000, 0x08);  // Appletalk
    GridContent grid;
    InitProtocolGrid(grid);
    FillProtocolGrid(grid, BuildProtocolTable(state));

    SortProtocolGrid(grid, 2, true);  // as text "9.00%" would follow "60.00%"
    EXPECT_EQ(Column(grid, 2), (std::vector<std::string>{"0.01%", "9.00%", "40.00%", "60.00%"}));
    SortProtocolGrid(grid, 1, false);  // "6,000" is six thousand, not six
    EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"IP", "IPX", "Appletalk", "ARP/RARP"}));
    EXPECT_EQ(grid.RowTag(1), 4);  // the family travels with its row
    SortProtocolGrid(grid, 0, true);  // "R" sorts before "p"
    EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"ARP/RARP", "Appletalk", "IP", "IPX"}));
    SortProtocolGrid(grid, 6, false);
    EXPECT_EQ(Column(grid, 6), (std::vector<std::string>{"SNAP", "LLC, NovRaw", "Etype", "Etype"}));
    SortProtocolGrid(grid, 7, true);  // no such column: unchanged
    SortProtocolGrid(grid, -1, true);
    EXPECT_EQ(Column(grid, 6), (std::vector<std::string>{"SNAP", "LLC, NovRaw", "Etype", "Etype"}));
    EXPECT_TRUE(grid.LastSortAscending() == false && grid.SortedColumn() == 6);


    // What the sorts compare: the figure each text shows, and texts as texts.
    const std::vector<std::string> names = Column(grid, 0);
    const int ip = static_cast<int>(std::find(names.begin(), names.end(), "IP") - names.begin()) + 1;
    EXPECT_EQ(grid.Cell(1, ip), "6,000");
    EXPECT_EQ(grid.Value(1, ip), GridValue::Count(6000));
    EXPECT_EQ(grid.Value(2, ip), GridValue::Percent(60));
    for (int row = 1; row < grid.RowCount(); ++row) {
        EXPECT_EQ(grid.Value(0, row), GridValue::Text());
        EXPECT_EQ(grid.Value(3, row).Kind(), GridValueKind::Count);
        EXPECT_EQ(grid.Value(5, row).Kind(), GridValueKind::Percent);
        EXPECT_EQ(grid.Value(6, row), GridValue::Text());
    }
}

TEST_F(ProtocolTable, CopyStartsEveryLineWithTheProtocol)
{
    GridContent grid;
    InitProtocolGrid(grid);
    FillProtocolGrid(grid, BuildProtocolTable(state));
    grid.SetSelection({2, 2, 2, 3});
    EXPECT_EQ(grid.CopyText(), std::optional<std::string>("Protocol\tPacket Percent\r\nIP\t60.00%\r\nIPX\t40.00%"));
    grid.SelectAll();
    const std::string all = grid.CopyText().value_or("");
    EXPECT_EQ(all.substr(0, all.find("\r\n")),
              "Protocol\tPacket Count\tPacket Percent\tAve Pkt Size (Bytes)\tBroadcast Count\tBroadcast Percent\t"
              "Encapsulation(s)");
    EXPECT_NE(all.find("\r\nARP/RARP\t1\t0.01%\t60\t0\t0.00%\tEtype"), std::string::npos);
}

}  // namespace
}  // namespace quenlix
