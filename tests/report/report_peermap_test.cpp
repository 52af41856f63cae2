// The network and station tables of the command-line report, on the office
// capture: one row per sender, the same texts as the windows' grids, and JSON
// objects keyed by the column headers.

#include <gtest/gtest.h>

#include <algorithm>

#include "report_json.h"
#include "report_support.h"

namespace quenlix::reporttest {
namespace {

TEST(ReportPeerTables, OfficeCaptureNetworkAndStationTables)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const std::string path = captures + "/office-a.enc";

    const ReportRun text = RunReportWith({"--network", "--stations", path});
    ASSERT_EQ(text.Status, kExitComplete) << text.Err;
    const size_t network = text.Out.find("\nNetwork Statistics\nNetwork Address");
    const size_t stations = text.Out.find("\nStation Statistics\nSource Address");
    ASSERT_NE(network, std::string::npos) << text.Out;
    ASSERT_NE(stations, std::string::npos);
    // srv, files and the three clients sent IP, and six link-local IPv6 addresses
    // neighbour discovery; each has its row, srv by its padded address.
    const std::string networkTable = text.Out.substr(network, stations - network);
    EXPECT_EQ(std::count(networkTable.begin(), networkTable.end(), '\n'), 2 + 1 + 5 + 6);
    EXPECT_NE(networkTable.find(" 10. 99.  1. 10"), std::string::npos) << networkTable;
    EXPECT_NE(networkTable.find("fe80::e82a:5cff:fe2f:6983"), std::string::npos) << networkTable;

    const ReportRun json = RunReportWith({"--json", "--network", "--stations", "--smart-names", path});
    ASSERT_EQ(json.Status, kExitComplete) << json.Err;
    const JsonValue report = JsonParser::Parse(json.Out);
    const JsonValue& hosts = report["Network"];
    ASSERT_EQ(hosts.Size(), 11u);
    EXPECT_EQ(hosts[0].Keys(), (std::vector<std::string>{"Network Address", "Protocols", "Dests", "Total Pkts",
                                                         "Total Bytes", "Utilization", "Ave Send", "Ave Recv",
                                                         "Pkt Ratio"}));
    int64_t frames = 0;
    for (const JsonValue& row : hosts.Items) {
        std::string digits = row["Total Pkts"].Text;  // a count with thousands separators, as the grid shows it
        std::erase(digits, ',');
        frames += std::stoll(digits);
    }
    // Every IP frame counts once as sent and once as received; the 12 IPv6 frames
    // went to multicast groups, which send nothing and have no row.
    EXPECT_EQ(frames, 2 * 831 + 12);
    const JsonValue& macs = report["Stations"];
    ASSERT_GE(macs.Size(), 5u);
    EXPECT_EQ(macs[0].Keys().size(), 11u);

    const ReportRun wrong = RunReportWith({"--dump-state", "--network", path});
    EXPECT_EQ(wrong.Status, kExitNothingRead);
}

}  // namespace
}  // namespace quenlix::reporttest
