// A capture whose every frame carries an 802.1Q tag reports as its untagged copy
// does, apart from what the four bytes more per frame change (byte totals and
// averages, utilisation, throughput), and lists its VLAN; an untagged capture
// lists none.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

JsonValue JsonReport(const std::string& path)
{
    const ReportRun run = RunReportWith({"--json", "--network", path});
    EXPECT_EQ(run.Status, kExitComplete) << run.Err;
    return JsonParser::Parse(run.Out);
}

// The rows of a table without the columns that count bytes.
std::vector<std::vector<std::string>> RowsWithout(const JsonValue& table, const std::set<std::string>& byteColumns)
{
    std::vector<std::vector<std::string>> rows;
    for (const JsonValue& row : table.Items) {
        std::vector<std::string> cells;
        for (const JsonField& field : row.Fields)
            if (!byteColumns.contains(field.first)) cells.push_back(field.first + "=" + field.second.Text);
        rows.push_back(cells);
    }
    return rows;
}

TEST(ReportVlan, TaggedCaptureReportsAsItsUntaggedCopy)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    for (const std::string extension : {".pcap", ".enc"}) {
        SCOPED_TRACE(extension);
        const JsonValue plain = JsonReport(captures + "/office-d" + extension);
        const JsonValue tagged = JsonReport(captures + "/office-d-vlan" + extension);

        EXPECT_EQ(RowsWithout(tagged["ProtocolTable"], {"AvePktSize"}),
                  RowsWithout(plain["ProtocolTable"], {"AvePktSize"}));
        EXPECT_EQ(RowsWithout(tagged["ClientServer"], {"Bytes", "Throughput"}),
                  RowsWithout(plain["ClientServer"], {"Bytes", "Throughput"}));
        const std::set<std::string> networkBytes = {"Total Bytes", "Utilization", "Ave Send", "Ave Recv"};
        EXPECT_EQ(RowsWithout(tagged["Network"], networkBytes), RowsWithout(plain["Network"], networkBytes));
        EXPECT_EQ(RowsWithout(tagged["DLCEncapsulationTypes"], {}), RowsWithout(plain["DLCEncapsulationTypes"], {}));
        EXPECT_EQ(tagged["DLCErrors"]["FrameErrorSummary"]["LongJabber"].Text,
                  plain["DLCErrors"]["FrameErrorSummary"]["LongJabber"].Text);

        ASSERT_EQ(tagged["VLANIDs"].Size(), 1u);
        EXPECT_EQ(tagged["VLANIDs"][0]["VLAN"].Int(), 100);
        EXPECT_EQ(tagged["VLANIDs"][0]["Frames"].Int(), 1027);  // every frame of the trace
        EXPECT_EQ(tagged["FileAttributes"]["Frames"].Text, "1,027");
        EXPECT_EQ(tagged["MoreVLANIDs"].Int(), 0);
        EXPECT_FALSE(plain.Has("VLANIDs"));
        EXPECT_FALSE(plain.Has("MoreVLANIDs"));
    }
}

TEST(ReportVlan, TextListsTheVlanOnlyForTaggedCaptures)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const ReportRun plain = RunReportWith({captures + "/office-d.pcap"});
    const ReportRun tagged = RunReportWith({captures + "/office-d-vlan.pcap"});
    EXPECT_EQ(plain.Out.find("VLAN"), std::string::npos);
    EXPECT_NE(tagged.Out.find("\nVLAN IDs\n  VLAN 100  1,027 frames\n\n"), std::string::npos) << tagged.Out;
}

}  // namespace
}  // namespace quenlix
