// The Client/Server Expert on real captures: the office capture's servers behave
// as its README says, and partial or damaged captures give a table without harm.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "import/TraceImport.h"
#include "ui/main/ClientServerContent.h"

namespace quenlix {
namespace {

namespace fs = std::filesystem;

const fs::path kCaptures = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";

#define REQUIRE_CAPTURE(path) \
    if (!fs::exists(path)) GTEST_SKIP() << "real capture not found: " << (path)

struct Row {
    std::vector<std::string> Cells;
    std::vector<GridValue> Values;
    const std::string& operator[](int col) const { return Cells[static_cast<size_t>(col)]; }
    double Number(int col) const { return Values[static_cast<size_t>(col)].Figure(); }
    bool EndsWith(int col, const std::string& tail) const
    {
        const std::string& text = (*this)[col];
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }
};

struct Table {
    std::unique_ptr<AnalysisState> State = std::make_unique<AnalysisState>();
    ClientServerContent Content;
    std::vector<Row> Rows;
};

// Reads a capture the way the main window does and builds the page from it.
std::unique_ptr<Table> BuildTable(const fs::path& path, bool tcpDataResponse = false)
{
    auto table = std::make_unique<Table>();
    AnalysisState& state = *table->State;
    state.Options.TcpDataResponse = tcpDataResponse ? 1 : 0;
    testing::RecordingHost host;
    state.Read.TraceFileName = path.string();
    const FormatDetection format = DetectTraceFormat(state, state.Read.TraceFileName, host);
    const TopologyDetection topology = DetectTopology(state, format.Code, state.Read.TraceFileName, host);
    state.Read.TraceFormat = format.Code;
    state.Topology = topology.Code;
    ReadTraceFile(state, false, host);
    UpdateServerGrid(state, table->Content);
    const auto texts = ServerTableTexts(table->Content);
    for (size_t r = 1; r < texts.size(); ++r) {
        Row& row = table->Rows.emplace_back(Row{texts[r], {}});
        for (int col = 0; col < kServerGridColumns; ++col)
            row.Values.push_back(table->Content.ServerGrid.Value(col, static_cast<int>(r)));
    }
    return table;
}

std::vector<Row> RowsWhere(const Table& table, const std::string& server, const std::string& applicationTail)
{
    std::vector<Row> rows;
    for (const Row& row : table.Rows)
        if (row[kColServer] == server && row.EndsWith(kColApplication, applicationTail)) rows.push_back(row);
    return rows;
}

class ClientServerOffice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (fs::exists(kCaptures / "office-a.enc")) table = BuildTable(kCaptures / "office-a.enc").release();
    }
    static void TearDownTestSuite()
    {
        delete table;
        table = nullptr;
    }
    void SetUp() override { REQUIRE_CAPTURE(kCaptures / "office-a.enc"); }

    static Table* table;
};

Table* ClientServerOffice::table = nullptr;

TEST_F(ClientServerOffice, EchoServerAnswersAfterTwentyMilliseconds)
{
    const std::vector<Row> echoes = RowsWhere(*table, "10.99.1.10", "<->Port 7000");
    ASSERT_EQ(echoes.size(), 3u);  // one per client
    for (const Row& row : echoes) {
        EXPECT_EQ(row[kColApplication].substr(0, 4), "UDP/");
        EXPECT_GE(row.Number(kColResponseTime), 19.5) << row[kColClient];
        EXPECT_LE(row.Number(kColResponseTime), 23.0) << row[kColClient];
        EXPECT_EQ(row[kColPackets], "16");  // eight requests, eight echoes
    }
}

TEST_F(ClientServerOffice, TransportLevelRoundTripsAreFast)
{
    // The server's stack acknowledges each HTTP request at once; its 40 ms of
    // think time lies between request and response data, not in these times.
    const std::vector<Row> http = RowsWhere(*table, "10.99.1.10", "<->Port 8080");
    const std::vector<Row> dns = RowsWhere(*table, "10.99.1.10", "<->DNS");
    const std::vector<Row> ping = RowsWhere(*table, "10.99.1.10", "ICMP Echo (Ping)");
    EXPECT_EQ(http.size(), 15u);  // five GETs from each of three clients
    EXPECT_EQ(dns.size(), 6u);    // two look-ups each, every one from its own port
    EXPECT_EQ(ping.size(), 3u);
    for (const auto* rows : {&http, &dns, &ping}) {
        for (const Row& row : *rows) {
            EXPECT_GT(row.Number(kColResponseTime), 0) << row[kColApplication];
            EXPECT_LT(row.Number(kColResponseTime), 3.0) << row[kColApplication];
        }
    }
    for (const Row& row : dns) EXPECT_EQ(row[kColPackets], "2");  // a single answered query is listed
    for (const Row& row : ping) EXPECT_EQ(row[kColPackets], "8");
}

TEST_F(ClientServerOffice, TimedToTheFirstDataTheServersThinkTimeShows)
{
    const auto timed = BuildTable(kCaptures / "office-a.enc", true);
    const std::vector<Row> http = RowsWhere(*timed, "10.99.1.10", "<->Port 8080");
    const std::vector<Row> echoes = RowsWhere(*timed, "10.99.1.10", "<->Port 7000");
    ASSERT_EQ(http.size(), 15u);
    ASSERT_EQ(echoes.size(), 3u);
    for (const Row& row : http) {
        EXPECT_GE(row.Number(kColResponseTime), 40.0) << row[kColApplication];
        EXPECT_LE(row.Number(kColResponseTime), 50.0) << row[kColApplication];
    }
    for (const Row& row : echoes) {
        EXPECT_GE(row.Number(kColResponseTime), 19.5) << row[kColClient];
        EXPECT_LE(row.Number(kColResponseTime), 23.0) << row[kColClient];
    }
    // The same conversations are listed either way; only TCP times change.
    ASSERT_EQ(timed->Rows.size(), table->Rows.size());
    for (size_t r = 0; r < timed->Rows.size(); ++r) {
        EXPECT_EQ(timed->Rows[r][kColPackets], table->Rows[r][kColPackets]);
        if (!timed->Rows[r][kColApplication].starts_with("TCP/")) {
            EXPECT_EQ(timed->Rows[r][kColResponseTime], table->Rows[r][kColResponseTime]);
        }
    }
}

TEST_F(ClientServerOffice, ShapedDownloadRunsAtTwoMegabits)
{
    const std::vector<Row> download = RowsWhere(*table, "10.99.1.20", "<->HTTP");
    ASSERT_EQ(download.size(), 1u);
    const Row& row = download.front();
    EXPECT_EQ(row[kColClient], "10.99.1.101");
    EXPECT_GE(row.Number(kColThroughput), 200.0);
    EXPECT_LE(row.Number(kColThroughput), 275.0);
    EXPECT_EQ(row[kColLowThroughput], "");  // 2 Mbit/s is a fifth of the link
    // Every frame of the connection both ways, each counted with its FCS.
    EXPECT_EQ(row[kColPackets], "537");
    EXPECT_EQ(row[kColBytes], "441,564");
}

TEST_F(ClientServerOffice, EveryRowIsACompleteConversation)
{
    EXPECT_EQ(table->Content.ServerRowCount, 28);
    for (const Row& row : table->Rows) {
        EXPECT_TRUE(row[kColClient].starts_with("10.99.1.10")) << row[kColClient];
        EXPECT_NE(row[kColApplication], "");
        EXPECT_NE(row[kColDuration], "");
        EXPECT_NE(row[kColResponseTime], "-") << row[kColApplication];
    }
}

TEST(ClientServerCaptures, TruncatedCaptureGivesTheConversationsReadSoFar)
{
    const fs::path source = kCaptures / "office-a.enc";
    REQUIRE_CAPTURE(source);
    testing::TempDir folder;
    const std::string half = folder.Path("office-half.enc");
    testing::WritePrefix(source.string(), half, static_cast<size_t>(fs::file_size(source) / 2));

    const auto whole = BuildTable(source);
    const auto partial = BuildTable(half);
    EXPECT_GT(partial->State->TotalFrames, 0);
    EXPECT_LT(partial->State->TotalFrames, whole->State->TotalFrames);
    EXPECT_GT(partial->Content.ServerRowCount, 0);
    EXPECT_LE(partial->Content.ServerRowCount, whole->Content.ServerRowCount);
    for (const Row& row : partial->Rows) {
        const double response = row.Number(kColResponseTime);
        EXPECT_TRUE(row[kColResponseTime] == "-" || (response >= 0 && response < 30)) << row[kColResponseTime];
    }
}

TEST(ClientServerCaptures, DamagedAndMixedCapturesBuildWithoutHarm)
{
    const fs::path zoo = kCaptures / "zoo-a.enc";
    REQUIRE_CAPTURE(zoo);
    const auto mixed = BuildTable(zoo);
    EXPECT_FALSE(mixed->Content.NoCSPackets);
    EXPECT_TRUE(mixed->Content.ShowIPXOUIVisible);
    for (const Row& row : mixed->Rows) EXPECT_EQ(row.Cells.size(), 15u);

    int files = 0;
    for (const auto& entry : fs::directory_iterator(kCaptures / "damaged")) {
        if (entry.path().extension() != ".enc") continue;
        ++files;
        const auto damaged = BuildTable(entry.path());
        EXPECT_LE(damaged->Content.ServerRowCount, damaged->State->TotalFrames) << entry.path();
        EXPECT_EQ(damaged->Content.ServerGrid.RowCount(), std::max(2, damaged->Content.ServerRowCount + 1));
    }
    EXPECT_EQ(files, 16);
}

}  // namespace
}  // namespace quenlix
