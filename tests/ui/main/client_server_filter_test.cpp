// The filter box over the client/server grid: which conversations the typed text keeps.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/main/ClientServerContent.h"

namespace quenlix {
namespace {

// Two rows as the page writes them: a web download and an echo service.
ClientServerContent TwoRows()
{
    ClientServerContent content;
    GridContent& grid = content.ServerGrid;
    grid.SetRowCount(3);
    const std::vector<std::vector<std::pair<int, std::string>>> rows = {
        {{kColClient, "10.99.1.101"}, {kColServer, "10.99.1.20"}, {kColApplication, "TCP/Port 54952<->HTTP"},
         {kColPackets, "537"}},
        {{kColClient, "fileserver"}, {kColServer, "10.99.1.10"}, {kColApplication, "UDP/Port 4000<->Port 7000"},
         {kColPackets, "20"}}};
    for (size_t r = 0; r < rows.size(); ++r)
        for (const auto& [col, text] : rows[r]) grid.SetCell(col, static_cast<int>(r) + 1, text);
    content.ServerRowCount = 2;
    return content;
}

TEST(ServerRowFilter, KeepsRowsWhoseTextsHoldTheFilter)
{
    const ClientServerContent content = TwoRows();
    struct Case {
        const char* Filter;
        bool First, Second;
    } cases[] = {
        {"", true, true},              // no filter: every row
        {"10.99.1.", true, true},      // part of both rows' addresses
        {"10.99.1.20", true, false},   // the web server
        {"7000", false, true},         // a port
        {"http", true, false},         // the application, any case
        {"FILESERVER", false, true},   // a name
        {"537", true, false},          // a figure
        {"ftp", false, false},         // nothing holds it
    };
    GridContent grid = content.ServerGrid;
    for (const Case& c : cases) {
        grid.SetRowFilter(c.Filter);
        EXPECT_EQ(grid.RowShown(1), c.First) << c.Filter;
        EXPECT_EQ(grid.RowShown(2), c.Second) << c.Filter;
    }
}

}  // namespace
}  // namespace quenlix
