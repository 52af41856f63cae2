// The client/server table and the conversation query of quenlix-report, on the
// real office capture: the table follows the report, sorts on request, is typed
// JSON objects with --json, and the query prints the transaction analysis of
// one conversation. Also the one JSON shape of every grid table.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls/GridJson.h"
#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

std::string OfficeCapture()
{
    const std::string captures = CapturesFolder();
    return captures.empty() ? std::string() : captures + "/office-a.enc";
}

TEST(ReportClientServer, TextAndJsonCarryTheTable)
{
    const std::string path = OfficeCapture();
    if (path.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const ReportRun text = RunReportWith({path});
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_NE(text.Out.find("Client/Server Expert"), std::string::npos);
    EXPECT_NE(text.Out.find("TCP/Port 54952<->HTTP"), std::string::npos);

    const ReportRun json = RunReportWith({"--json", "--sort", "Resp Time (ms):desc", path});
    ASSERT_EQ(json.Status, 0) << json.Err;
    const JsonValue report = JsonParser::Parse(json.Out);
    const JsonValue& table = report["ClientServer"];
    ASSERT_GT(table.Size(), 2u);
    // Sorted descending, an echo conversation (about 20 ms) comes first.
    EXPECT_NE(table[0]["Application"].Text.find("Port 7000"), std::string::npos);

    // Timed to the first data of each answer, the web server's 40 ms of thinking
    // put its conversations first.
    const ReportRun data = RunReportWith({"--json", "--tcp-data-response", "--sort", "Resp Time (ms):desc", path});
    ASSERT_EQ(data.Status, 0) << data.Err;
    const JsonValue dataReport = JsonParser::Parse(data.Out);
    const JsonValue& timed = dataReport["ClientServer"];
    ASSERT_GT(timed.Size(), 2u);
    EXPECT_NE(timed[0]["Application"].Text.find("Port 8080"), std::string::npos);
}

// One row with a cell of every kind, its columns standing in another order in
// the grid than in their list: each member is keyed by its own column's JSON key,
// and holds the typed value or the text.
TEST(ReportGridJson, RowsAreObjectsKeyedByTheColumnsJsonKeys)
{
    using K = JsonValue::Kind;
    const uint8_t address[] = {10, 0, 0, 2};
    const struct {
        const char* Key;
        GridCell Cell;
        K Kind;            // as a typed value
        const char* Typed;  // as written
    } columns[] = {
        {"n", {"1,024", GridValue::Count(1024)}, K::Number, "1024"},
        {"d", {"< 00:00:01", GridValue::Duration(0)}, K::Number, "0"},
        {"p", {"45.70%", GridValue::Percent(45.7)}, K::Number, "45.7"},
        {"f", {" 21.345", GridValue::Number(21.345)}, K::Number, "21.345"},
        {"a", {"10.0.0.2", GridValue::Address(address, 4)}, K::String, "10.0.0.2"},
        {"t", {"HTTP", GridValue::Text()}, K::String, "HTTP"},
        {"x", {"-", GridValue()}, K::Null, ""},
    };
    const int count = static_cast<int>(std::size(columns));
    std::vector<GridColumn> list;
    std::vector<int> positions;
    GridContent grid(count, 2);
    for (int logical = 0; logical < count; ++logical) {
        const int position = (logical + 3) % count;
        list.push_back({"", GridAlignment::Left, "", columns[logical].Key});
        positions.push_back(position);
        grid.SetCell(position, 1, columns[logical].Cell);
    }
    const std::vector<const char*> keys = GridJsonKeys(list, positions);
    for (const GridJsonCells kind : {GridJsonCells::Values, GridJsonCells::Texts}) {
        JsonWriter json;
        GridRowsJson(json, grid, keys, 1, 1, kind);
        const JsonValue rows = JsonParser::Parse(json.Text());
        ASSERT_EQ(rows.Size(), 1u);
        EXPECT_EQ(rows[0].Keys(), (std::vector<std::string>{"a", "t", "x", "n", "d", "p", "f"}));  // in grid order
        for (const auto& column : columns) {
            const JsonValue& member = rows[0][column.Key];
            EXPECT_EQ(member.Type, kind == GridJsonCells::Values ? column.Kind : K::String) << column.Key;
            EXPECT_EQ(member.Text, kind == GridJsonCells::Values ? column.Typed : column.Cell.Text) << column.Key;
        }
    }
}

TEST(ReportClientServer, JsonRowsAreObjectsOfTypedCells)
{
    const std::string path = OfficeCapture();
    if (path.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const ReportRun run = RunReportWith({"--json", "--sort", "Bytes:desc", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const JsonValue report = JsonParser::Parse(run.Out);
    const JsonValue& table = report["ClientServer"];
    ASSERT_EQ(table.Size(), 28u);  // one object per conversation, no header row

    using K = JsonValue::Kind;
    // Each member and what it may hold: a finding's mark, a count, whole
    // seconds, a measurement, each or null where the page shows nothing or "-".
    const std::vector<std::pair<std::string, std::vector<K>>> members{
        {"A", {K::String, K::Null}}, {"B", {K::String, K::Null}}, {"C", {K::String, K::Null}},
        {"D", {K::String, K::Null}}, {"E", {K::Number, K::Null}}, {"F", {K::Number, K::Null}},
        {"G", {K::String, K::Null}},         {"Client", {K::String}},     {"Server", {K::String}},     {"Application", {K::String}},
        {"Packets", {K::Number}},    {"Bytes", {K::Number}},      {"Duration", {K::Number}},
        {"ResponseTimeMs", {K::Number, K::Null}}, {"Throughput", {K::Number, K::Null}}};
    std::vector<std::string> keys;
    for (const auto& [key, kinds] : members) keys.push_back(key);
    for (const JsonValue& row : table.Items) {
        ASSERT_EQ(row.Keys(), keys);
        for (const auto& [key, kinds] : members)
            EXPECT_NE(std::find(kinds.begin(), kinds.end(), row[key].Type), kinds.end()) << key << " " << row[key].Text;
        for (const char* mark : {"A", "B", "C", "D"})
            EXPECT_TRUE(row[mark].IsNull() || row[mark].Text == "*") << mark;
        for (const char* whole : {"Packets", "Bytes", "Duration"})
            EXPECT_EQ(row[whole].Text.find_first_not_of("0123456789"), std::string::npos) << whole;
    }
    // The rows follow the sort on the byte counts; the first, c1's download from
    // the file server, took about two seconds at some 240 Kbytes per second.
    for (size_t r = 1; r < table.Size(); ++r) EXPECT_GE(table[r - 1]["Bytes"].Number, table[r]["Bytes"].Number);
    EXPECT_EQ(table[0]["Client"].Text, "10.99.1.101");
    EXPECT_EQ(table[0]["Server"].Text, "10.99.1.20");
    EXPECT_GE(table[0]["Throughput"].Number, 200.0);
    EXPECT_GE(table[0]["Duration"].Int(), 1);
}

TEST(ReportClientServer, ConversationQueryPrintsEveryResultField)
{
    const std::string path = OfficeCapture();
    if (path.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const ReportRun run = RunReportWith({"--conversation", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", path});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("AnalysisResult: 0"), std::string::npos);
    EXPECT_NE(run.Out.find("ReversePackets: 282"), std::string::npos);

    const ReportRun unknown = RunReportWith({"--conversation", "10.1.1.1", "10.99.1.20", "TCP/Port 1<->HTTP", path});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_FALSE(unknown.Err.empty());
}

TEST(ReportClientServer, ConversationCarriesTheWindowsFiguresAndTheLadder)
{
    const std::string path = OfficeCapture();
    if (path.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const ReportRun json = RunReportWith({"--json", "--conversation", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", path});
    ASSERT_EQ(json.Status, 0) << json.Err;
    const JsonValue fields = JsonParser::Parse(json.Out);
    EXPECT_EQ(fields["Latency.Upper.Heading"].Text, "Sender: 10.99.1.101  Responder: 10.99.1.20");
    EXPECT_EQ(fields["Throughput.Lower.Heading"].Text, "From 10.99.1.20 to 10.99.1.101");
    EXPECT_FALSE(fields["WhatIf.Originating.Row40"].Text.empty());
    // A problem line names the frames of its problem.
    EXPECT_EQ(fields["Problems.SourceToDestination.1"].Text,
              "64 duplicate ACK(s). Frames 569, 571, 573, 575, 577 and 59 more.");

    const ReportRun ladder = RunReportWith({"--ladder", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", "--from", "1",
                                            "--to", "400", path});
    ASSERT_EQ(ladder.Status, 0) << ladder.Err;
    EXPECT_NE(ladder.Out.find("\t->\tIP Len="), std::string::npos);
    EXPECT_NE(ladder.Out.find("\t<-\tIP Len="), std::string::npos);
    // TCP numbers count from each direction's SYN, unless asked for as the trace holds them.
    const ReportRun absolute = RunReportWith({"--ladder", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", "--from",
                                              "1", "--to", "400", "--absolute-seq", path});
    ASSERT_EQ(absolute.Status, 0) << absolute.Err;
    EXPECT_NE(ladder.Out.find("TCP Seq=1 Len="), std::string::npos);
    EXPECT_EQ(absolute.Out.find("TCP Seq=1 Len="), std::string::npos);
    EXPECT_EQ(std::count(absolute.Out.begin(), absolute.Out.end(), '\n'),
              std::count(ladder.Out.begin(), ladder.Out.end(), '\n'));
    const ReportRun ladderJson = RunReportWith({"--json", "--ladder", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", path});
    ASSERT_EQ(ladderJson.Status, 0) << ladderJson.Err;
    const JsonValue lines = JsonParser::Parse(ladderJson.Out);
    EXPECT_EQ(lines.Size(), 537u);  // every packet of both directions
    EXPECT_EQ(RunReportWith({"--ladder", "10.1.1.1", "10.99.1.20", "TCP/Port 1<->HTTP", path}).Status, 2);
}

TEST(ReportClientServer, QueryOptionsAreChecked)
{
    EXPECT_EQ(RunReportWith({"--window", "8", "x.enc"}).Status, 2);  // needs --conversation
    EXPECT_EQ(RunReportWith({"--conversation", "a", "b", "c", "--window", "3", "x.enc"}).Status, 2);
    EXPECT_EQ(RunReportWith({"--conversation", "a", "b", "c", "--small", "--large", "x.enc"}).Status, 2);
    EXPECT_EQ(RunReportWith({"--sort", "NoSuchColumn", "x.enc"}).Status, 2);
    EXPECT_EQ(RunReportWith({"--conversation", "a", "b"}).Status, 2);
}

}  // namespace
}  // namespace quenlix
