// The Client/Server Expert grid as a display shows it: the raw Symbol-font mark
// becomes a bullet only in the mark columns below the header, and everything a
// sort or a later SmartNames rewrite needs travels unchanged.

#include <gtest/gtest.h>

#include "ui/main/ClientServerContent.h"

namespace quenlix {
namespace {

const std::string kMark(kServerMarkText);
const std::string kBullet(kServerBulletText);

// Two rows: row 1 marked "A" and "D", row 2 marked "B" and "C"; a mark-like text
// outside the mark columns; each row tagged with its conversation.
ClientServerContent TwoMarkedRows()
{
    ClientServerContent content;
    InitServerGrid(content);
    GridContent& grid = content.ServerGrid;
    grid.SetRowCount(3);
    content.ServerRowCount = 2;
    for (int row = 1; row <= 2; ++row) grid.SetRowTag(row, row);
    const uint8_t client[] = {10, 0, 0, 1};
    content.Conversations = {{NetString(client, 4), NetString(), "00001B000001", "02608CABCDEF"},
                             {NetString(), NetString(), "00001B000002", "UNKNOWN"}};
    grid.SetCell(kColLowThroughput, 1, kMark);
    grid.SetCell(kColInefficient, 1, kMark);
    grid.SetCell(kColSlowResponse, 2, kMark);
    grid.SetCell(kColBusy, 2, kMark);
    grid.SetCell(kColRetransmits, 1, kMark);  // not a mark column: left as it is
    grid.SetCell(kColClient, 1, "10.0.0.1");
    grid.SetCurrent(kColPackets, 2);
    grid.SetSelection({6, 1, 8, 2});
    return content;
}

TEST(ClientServerDisplay, MarksBecomeBulletsOnlyInTheMarkColumns)
{
    const ClientServerContent content = TwoMarkedRows();
    const GridContent shown = ServerGridWithMarks(content);
    EXPECT_EQ(shown.Cell(kColLowThroughput, 1), kBullet);
    EXPECT_EQ(shown.Cell(kColInefficient, 1), kBullet);
    EXPECT_EQ(shown.Cell(kColSlowResponse, 1), "");
    EXPECT_EQ(shown.Cell(kColSlowResponse, 2), kBullet);
    EXPECT_EQ(shown.Cell(kColBusy, 2), kBullet);
    EXPECT_EQ(shown.Cell(kColRetransmits, 1), kMark);
    // The header keeps its letters; the content itself keeps the raw mark.
    EXPECT_EQ(shown.Cell(kColLowThroughput, 0), "A");
    EXPECT_EQ(content.ServerGrid.Cell(kColLowThroughput, 1), kMark);

    EXPECT_EQ(ServerGridWithMarks(content, "*").Cell(kColInefficient, 1), "*");
    for (int col = 0; col < kServerGridColumns; ++col) EXPECT_FALSE(IsServerMarkCell(col, 0)) << col;
    EXPECT_TRUE(IsServerMarkCell(kColLowThroughput, 1));
    EXPECT_TRUE(IsServerMarkCell(kColInefficient, 7));
    EXPECT_FALSE(IsServerMarkCell(kColRetransmits, 1));
    EXPECT_FALSE(IsServerMarkCell(-1, 1));
}

TEST(ClientServerDisplay, EverythingElseOfTheGridIsKept)
{
    ClientServerContent content = TwoMarkedRows();
    SortServerGrid(content, kColInefficient, true);  // row 2 (no "D" mark) first
    const GridContent shown = ServerGridWithMarks(content);
    EXPECT_EQ(shown.RowCount(), 3);
    EXPECT_EQ(shown.ColCount(), kServerGridColumns);
    EXPECT_EQ(shown.FixedCols(), 1);
    EXPECT_EQ(shown.FixedRows(), 1);
    EXPECT_EQ(shown.Cell(kColClient, 2), "10.0.0.1");
    // The tags moved with their rows: each row still finds its conversation.
    EXPECT_EQ(shown.RowTag(1), 2);
    EXPECT_EQ(shown.RowTag(2), 1);
    EXPECT_EQ(ServerGridRowConversation(content, 2)->Client.Length, 4);
    EXPECT_EQ(*DLCAddressMenuCaption(content, kColServer, 1), "DLC Source is UNKNOWN");
    EXPECT_EQ(*DLCAddressMenuCaption(content, kColClient, 2), "DLC Source is 00001B000001");
    EXPECT_EQ(shown.SortedColumn(), kColInefficient);
    EXPECT_TRUE(shown.LastSortAscending());
    EXPECT_EQ(shown.Col(), kColInefficient);
    EXPECT_EQ(shown.Selection().Right, 8);
    EXPECT_EQ(shown.Alignment(kColThroughput), GridAlignment::Right);

    // A copy of the shown grid carries the bullets, not the raw mark.
    GridContent copy = shown;
    copy.SetSelection({1, 1, 3, 2});  // the fixed column "A" leads every line
    EXPECT_EQ(*copy.CopyText(), "A\tB\tC\tD\r\n\t" + kBullet + "\t" + kBullet + "\t\r\n" + kBullet + "\t\t\t" + kBullet);
}

TEST(ClientServerDisplay, GridWithoutRowsOrWithStrayRowCountsIsSafe)
{
    ClientServerContent content;
    InitServerGrid(content);
    EXPECT_EQ(ServerGridWithMarks(content).RowCount(), 2);
    content.ServerRowCount = -5;  // never written so, but must not throw the texts off
    EXPECT_EQ(ServerTableTexts(content).size(), 1u);
    content.ServerRowCount = 1000;
    EXPECT_EQ(ServerTableTexts(content).size(), 2u);
}

}  // namespace
}  // namespace quenlix
