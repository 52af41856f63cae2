// The client/server table and the conversation query of quenlix-report, on the
// real office capture: the table follows the report, sorts on request, and the
// query prints the transaction analysis of one conversation.

#include <gtest/gtest.h>

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
    // Row 0 is the header; sorted descending, an echo conversation (about 20 ms) comes first.
    EXPECT_NE(table.Items[1].Items[8].Text.find("Port 7000"), std::string::npos);

    // Timed to the first data of each answer, the web server's 40 ms of thinking
    // put its conversations first.
    const ReportRun data = RunReportWith({"--json", "--tcp-data-response", "--sort", "Resp Time (ms):desc", path});
    ASSERT_EQ(data.Status, 0) << data.Err;
    const JsonValue dataReport = JsonParser::Parse(data.Out);
    const JsonValue& timed = dataReport["ClientServer"];
    ASSERT_GT(timed.Size(), 2u);
    EXPECT_NE(timed.Items[1].Items[8].Text.find("Port 8080"), std::string::npos);
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

    const ReportRun ladder = RunReportWith({"--ladder", "10.99.1.101", "10.99.1.20", "TCP/Port 54952<->HTTP", "--from", "1",
                                            "--to", "400", path});
    ASSERT_EQ(ladder.Status, 0) << ladder.Err;
    EXPECT_NE(ladder.Out.find("\t->\tIP Len="), std::string::npos);
    EXPECT_NE(ladder.Out.find("\t<-\tIP Len="), std::string::npos);
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
