// The report and the state dump of a flow whose byte total passes 2^32: every
// figure is the whole count, not one wrapped at 32 bits.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LongFlow.h"
#include "report/ReportContent.h"
#include "report/StateDump.h"
#include "report_json.h"

namespace quenlix::reporttest {
namespace {

using testing::LongFlow;

// 240,000 frames of 18,000 bytes, 100 a second over 2,400 seconds on 10 Mbit/s.
TEST(ReportWideCounters, FlowPast4GiBReportsWholeFigures)
{
    auto state = std::make_unique<AnalysisState>();
    testing::FeedLongFlow(*state);
    state->Read.TraceFileName = "long-flow.enc";
    const JsonValue report = JsonParser::Parse(ReportJson(*state));
    const JsonValue dump = JsonParser::Parse(StateDumpJson(*state, {false}));
    const JsonValue& ipRow = report["ProtocolTable"][0];
    const JsonValue& media = report["MediaUtilization"]["All"];
    const JsonValue* sender = nullptr;
    for (const JsonValue& station : dump["Stations"].Items)
        if (station["FramesSent"].Int() != 0) sender = &station;
    ASSERT_NE(sender, nullptr);

    struct Case {
        const char* Figure;
        std::string Shown;
        std::string Expected;
    };
    for (const Case& c : std::vector<Case>{
             {"file frames", report["FileAttributes"]["Frames"].Text, "240,000"},
             {"file bytes", report["FileAttributes"]["Bytes"].Text, "4,320,000,000"},
             {"station bytes", report["FrameStatistics"]["Station"]["Bytes"].Text, "4,320,000,000"},
             {"station average", report["FrameStatistics"]["Station"]["AveSize"].Text, "18,000"},
             {"bytes a second", media["AveBytesPerSec"].Text, "1,800,000"},
             {"peak bytes a second", media["PeakBytesPerSec"].Text, "1,800,000"},
             // (240,000 x 20 + 4,320,000,000) x 100 / 1,250,000 / 2,400 = 144.16
             {"average bandwidth", media["AveBandwidth"].Text, "144%"},
             {"IP row", ipRow["Protocol"].Text, "IP"},
             {"IP average", ipRow["AvePktSize"].Text, "18,000"},
             {"dumped bytes sent", (*sender)["BytesSent"].Text, "4320000000"},
             {"dumped IP bytes", dump["ProtocolStats"][CodeIndex(kFamilyIP)]["Bytes"].Text, "4320000000"},
         }) {
        SCOPED_TRACE(c.Figure);
        EXPECT_EQ(c.Shown, c.Expected);
    }
}

}  // namespace
}  // namespace quenlix::reporttest
