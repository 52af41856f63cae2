// The dual-stack office capture: its IPv6 hosts' frames and bytes as tshark's
// IPv6 endpoints give them (plus the 4-byte FCS per frame), the response times of
// the UDP echo and HTTP servers over IPv6, and the conversation query by IPv6
// address.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

class ReportIpv6 : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string captures = CapturesFolder();
        if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
        path_ = captures + "/office-d.pcap";
    }

    JsonValue Report(std::vector<std::string> options)
    {
        options.insert(options.begin(), "--json");
        options.push_back(path_);
        const ReportRun run = RunReportWith(options);
        EXPECT_EQ(run.Status, kExitComplete) << run.Err;
        return JsonParser::Parse(run.Out);
    }

    std::string path_;
};

int64_t CountOf(std::string text)
{
    std::erase(text, ',');
    return std::stoll(text);
}

TEST_F(ReportIpv6, SendersCountAsTsharksIpv6Endpoints)
{
    struct Endpoint {
        int64_t Frames;
        int64_t StoredBytes;
    };
    const std::map<std::string, Endpoint> tshark{
        {"fd00:99:1::101", {663, 471'736}}, {"fd00:99:1::20", {562, 450'543}}, {"fd00:99:1::10", {297, 63'063}},
        {"fd00:99:1::102", {100, 21'107}},  {"fd00:99:1::103", {100, 21'107}},
    };
    const JsonValue report = Report({"--network"});
    std::map<std::string, Endpoint> seen;
    for (const JsonValue& row : report["Network"].Items)
        seen[row["Network Address"].Text] = {CountOf(row["Total Pkts"].Text), CountOf(row["Total Bytes"].Text)};
    for (const auto& [address, expected] : tshark) {
        ASSERT_TRUE(seen.contains(address)) << address;
        EXPECT_EQ(seen[address].Frames, expected.Frames) << address;
        EXPECT_EQ(seen[address].StoredBytes, expected.StoredBytes + 4 * expected.Frames) << address;
    }
    EXPECT_EQ(CountOf(report["ProtocolTable"][2]["PacketCount"].Text), 883);  // tshark's IPv6 EtherType count
}

TEST_F(ReportIpv6, ResponseTimesOfTheServersOverIpv6)
{
    // The UDP echo answers 15 ms after each request; the HTTP server waits 40 ms
    // before each response, which the TCP data-response timing measures.
    struct Expectation {
        std::string Application;
        double LowMs, HighMs;
        bool DataResponse;
    };
    const Expectation expectations[] = {
        {"<->Port 7000", 15.0, 16.0, false},
        {"<->Port 8080", 40.0, 46.0, true},
    };
    for (const Expectation& e : expectations) {
        const JsonValue report = Report(e.DataResponse ? std::vector<std::string>{"--tcp-data-response"} : std::vector<std::string>{});
        int rows = 0;
        for (const JsonValue& row : report["ClientServer"].Items) {
            if (row["Client"].Text.find("fd00:") != 0 || row["Application"].Text.find(e.Application) == std::string::npos) continue;
            ++rows;
            EXPECT_GE(row["ResponseTimeMs"].Number, e.LowMs) << row["Client"].Text << " " << row["Application"].Text;
            EXPECT_LE(row["ResponseTimeMs"].Number, e.HighMs) << row["Client"].Text << " " << row["Application"].Text;
        }
        EXPECT_GE(rows, 3) << e.Application;
    }
}

TEST_F(ReportIpv6, ConversationQueryTakesIpv6AddressesInAnySpelling)
{
    const ReportRun ping = RunReportWith(
        {"--conversation", "FD00:0099:0001::0101", "fd00:99:1:0:0:0:0:10", "ICMPv6", path_});
    ASSERT_EQ(ping.Status, kExitComplete) << ping.Err;
    EXPECT_NE(ping.Out.find("LatencyCount: 4\n"), std::string::npos) << ping.Out;  // four echo requests answered

    const ReportRun ladder = RunReportWith({"--ladder", "fd00:99:1::101", "fd00:99:1::10", "ICMPv6", path_});
    ASSERT_EQ(ladder.Status, kExitComplete) << ladder.Err;
    EXPECT_NE(ladder.Out.find("Cmd; IPv6 Len=104 Hop Limit=64"), std::string::npos) << ladder.Out;
}

}  // namespace
}  // namespace quenlix
