// The capture start and end in the text report and the JSON: lines and members
// only for traces that store a start date, and --utc reading local times as UTC.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DA30Writer.h"
#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

class ReportCaptureTimes : public ::testing::Test {
protected:
    // The mixed Sniffer trace: its version record says 1 January 2025, 12:00:00,
    // and its frames run from 1 ms to 2.9 s after that.
    TempFolder folder;
    std::string trace = WriteMixedTrace(folder);

    JsonValue FileAttributes(const std::vector<std::string>& options, const std::string& path)
    {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(path);
        const ReportRun run = RunReportWith(args);
        EXPECT_EQ(run.Status, kExitComplete) << run.Err;
        return JsonParser::Parse(run.Out)["FileAttributes"];
    }
};

TEST_F(ReportCaptureTimes, TextReportHasTheLinesAfterTheFileDate)
{
    const ReportRun run = RunReportWith({trace});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    const std::size_t fileDate = run.Out.find("File Date");
    const std::size_t start = run.Out.find("Capture Start     01/01/2025 12:00:00.001\n");
    const std::size_t end = run.Out.find("Capture End       01/01/2025 12:00:02.900\n");
    ASSERT_NE(start, std::string::npos) << run.Out;
    ASSERT_NE(end, std::string::npos) << run.Out;
    EXPECT_LT(fileDate, start);
    EXPECT_LT(start, end);
    EXPECT_NE(run.Out.find("Capture Duration  00:00:02.899\n"), std::string::npos) << run.Out;
    EXPECT_LT(end, run.Out.find("File Size"));
}

TEST_F(ReportCaptureTimes, JsonGivesIsoTextWithZOnlyForUtc)
{
    const JsonValue local = FileAttributes({}, trace);
    EXPECT_EQ(local["CaptureStart"].Text, "2025-01-01T12:00:00.001");
    EXPECT_EQ(local["CaptureEnd"].Text, "2025-01-01T12:00:02.900");
    EXPECT_EQ(local["CaptureDurationSeconds"].Number, 2.899);
    const JsonValue utc = FileAttributes({"--utc"}, trace);
    EXPECT_EQ(utc["CaptureStart"].Text, "2025-01-01T12:00:00.001Z");
    EXPECT_EQ(utc["CaptureEnd"].Text, "2025-01-01T12:00:02.900Z");
}

TEST_F(ReportCaptureTimes, TraceWithoutAStartDateHasNeitherLinesNorMembers)
{
    const std::string path = folder.File("trace.an1");
    tb::BuildDA30Trace({}, {{0, 0, tb::Bytes(60, 0x02)}}).Save(path);
    const ReportRun run = RunReportWith({path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    EXPECT_NE(run.Out.find("DA-30"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("Capture Start"), std::string::npos);
    EXPECT_EQ(run.Out.find("Capture End"), std::string::npos);
}

}  // namespace
}  // namespace quenlix
