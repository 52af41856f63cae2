// The download of the dual-stack capture lost six segments before the capture
// point. tshark 4.0 counts on it (the captures' README): 6
// tcp.analysis.retransmission, 6 tcp.analysis.lost_segment and 143
// tcp.analysis.duplicate_ack. The ladder's annotations must agree within 15 %,
// and the client/server table marks the conversation "G".

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

int CountLines(const std::string& text, const std::string& word)
{
    std::istringstream lines(text);
    int n = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.find(word) != std::string::npos) ++n;
    return n;
}

TEST(ReportTcpProblems, DownloadBehindTheLossAgreesWithTshark)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const std::string path = captures + "/office-d.pcap";
    const ReportRun ladder = RunReportWith({"--ladder", "fd00:99:1::101", "fd00:99:1::20", "TCP/Port 58906<->HTTP", path});
    ASSERT_EQ(ladder.Status, kExitComplete) << ladder.Err;

    struct Kind {
        const char* Word;
        int Tshark;
    };
    // "etransmission" finds "Retransmission", "Fast retransmission" and the
    // transport retransmissions whose original is in the trace.
    for (const Kind& kind : {Kind{"etransmission", 6}, Kind{"Previous segment not captured", 6}, Kind{"Duplicate ACK #", 143}}) {
        const int ours = CountLines(ladder.Out, kind.Word);
        EXPECT_LE(std::abs(ours - kind.Tshark), 0.15 * kind.Tshark) << kind.Word << ": " << ours;
    }
    EXPECT_NE(ladder.Out.find("SACK="), std::string::npos);

    const ReportRun json = RunReportWith({"--json", path});
    const JsonValue report = JsonParser::Parse(json.Out);
    for (const JsonValue& row : report["ClientServer"].Items) {
        const bool download = row["Application"].Text == "TCP/Port 58906<->HTTP";
        EXPECT_EQ(row["G"].Text == "*", download) << row["Client"].Text << " " << row["Application"].Text;
    }
}

}  // namespace
}  // namespace quenlix
