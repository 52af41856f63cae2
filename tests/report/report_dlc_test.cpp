// The report's DLC error section: on Ethernet the frame error counts, the
// collision fragment analysis and its notes; on Token Ring the ring order, the
// soft error summary with its lists and the notes, in text and in JSON, with the
// page's own texts.

#include <gtest/gtest.h>

#include <sstream>

#include "CollisionFrames.h"
#include "TokenRingFrames.h"
#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

// The report's text from the line that starts with the heading to the end.
std::string SectionFrom(const std::string& report, const std::string& heading)
{
    const std::size_t at = report.find("\n" + heading + "\n");
    return at == std::string::npos ? std::string() : report.substr(at + 1);
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The words of the first line of text that starts (after its indentation) with the label.
std::vector<std::string> WordsOfLine(const std::string& text, const std::string& label)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 2 + label.size(), "  " + label) == 0) return Words(line);
    return {};
}

TEST(ReportDLCErrors, EthernetCollisionAnalysisAndNotes)
{
    TempFolder folder;
    const std::string path = folder.File("collisions.enc");
    tb::WriteCollisionFragmentTrace(path);
    const ReportRun run = RunReportWith({path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    const std::string section = SectionFrom(run.Out, "DLC Error Expert: Ethernet");
    ASSERT_FALSE(section.empty()) << run.Out;
    EXPECT_EQ(WordsOfLine(section, "Bad FCS"), (std::vector<std::string>{"Bad", "FCS", "6"}));
    EXPECT_EQ(WordsOfLine(section, "Runt/Short"), (std::vector<std::string>{"Runt/Short", "6"}));
    EXPECT_EQ(WordsOfLine(section, "Fragment"), (std::vector<std::string>{"Fragment", "6"}));
    EXPECT_EQ(WordsOfLine(section, "DLC Source"),
              (std::vector<std::string>{"DLC", "Source", "Transmits", "Retransmits", "%", "Retransmitted"}));
    // B first (50 %), then A (10 %); only filled rows are printed.
    EXPECT_EQ(WordsOfLine(section, "00001B00000B"), (std::vector<std::string>{"00001B00000B", "12", "6", "50%"}));
    EXPECT_EQ(WordsOfLine(section, "00001B00000A"), (std::vector<std::string>{"00001B00000A", "60", "6", "10%"}));
    EXPECT_NE(section.find("Notes\n  DLC source 00001B00000A is suspect for high collision rates when transmitting.\n"),
              std::string::npos);
    EXPECT_EQ(section.find("DLC source 00001B00000B"), std::string::npos);  // fewer than 50 frames

    const JsonValue json = JsonParser::Parse(RunReportWith({"--json", path}).Out);
    const JsonValue& dlc = json["DLCErrors"];
    EXPECT_EQ(dlc.Keys(), (std::vector<std::string>{"Panel", "FrameErrorSummary", "CollisionFragmentAnalysis", "Notes"}));
    EXPECT_EQ(dlc["Panel"].Text, "Ethernet");
    EXPECT_EQ(dlc["FrameErrorSummary"]["BadFCS"].Text, "6");
    EXPECT_EQ(dlc["FrameErrorSummary"]["LongJabber"].Text, "0");
    ASSERT_EQ(dlc["CollisionFragmentAnalysis"].Size(), 2u);
    EXPECT_EQ(dlc["CollisionFragmentAnalysis"][0]["DLCSource"].Text, "00001B00000B");
    EXPECT_EQ(dlc["CollisionFragmentAnalysis"][1]["Transmits"].Text, "60");
    EXPECT_EQ(dlc["CollisionFragmentAnalysis"][1]["PercentRetransmitted"].Int(), 10);
    ASSERT_EQ(dlc["Notes"].Size(), 1u);
    EXPECT_EQ(dlc["Notes"][0].Text, "DLC source 00001B00000A is suspect for high collision rates when transmitting.");
}

TEST(ReportDLCErrors, EthernetWithoutErrorsSaysSo)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder);  // one bad FCS frame of full size, no fragment
    const ReportRun run = RunReportWith({path});
    const std::string section = SectionFrom(run.Out, "DLC Error Expert: Ethernet");
    EXPECT_NE(section.find("Notes\n  No collision fragments to analyze in trace file.\n"), std::string::npos);
    EXPECT_EQ(WordsOfLine(section, "DLC Source").size(), 6u);
    EXPECT_TRUE(WordsOfLine(section, "00001B").empty());  // no rows
    const JsonValue json = JsonParser::Parse(RunReportWith({"--json", path}).Out);
    EXPECT_EQ(json["DLCErrors"]["CollisionFragmentAnalysis"].Size(), 0u);
}

TEST(ReportDLCErrors, TokenRingRingOrderSoftErrorsAndNote)
{
    TempFolder folder;
    const std::string path = folder.File("ring8.trc");
    tb::WriteRingOfEightTrace(path);
    const ReportRun run = RunReportWith({path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    const std::string section = SectionFrom(run.Out, "DLC Error Expert: Token Ring");
    ASSERT_FALSE(section.empty()) << run.Out;
    EXPECT_NE(section.find("Ring Order: (Downstream neighbors are clockwise)\n"), std::string::npos);
    EXPECT_EQ(WordsOfLine(section, "1"), (std::vector<std::string>{"1", "08005A112201", "Ex-Active", "Monitor"}));
    EXPECT_EQ(WordsOfLine(section, "3"), (std::vector<std::string>{"3", "000102334403", "Active", "Monitor"}));
    EXPECT_EQ(WordsOfLine(section, "6"), (std::vector<std::string>{"6", "00006F000006", "Deinserted"}));
    EXPECT_EQ(WordsOfLine(section, "8"), (std::vector<std::string>{"8", "400000000008", "Standby", "Monitor"}));
    EXPECT_EQ(WordsOfLine(section, "Burst Error"),
              (std::vector<std::string>{"Burst", "Error", "12", "3", "*00006F000006/400000000099/2"}));
    EXPECT_EQ(WordsOfLine(section, "Rcvr Congestion"),
              (std::vector<std::string>{"Rcvr", "Congestion", "10", "1", "400000000008/000102334407/10"}));
    EXPECT_EQ(WordsOfLine(section, "Frequency"),
              (std::vector<std::string>{"Frequency", "2", "1", "*00006F000006/08005A112205/2"}));
    EXPECT_NE(section.find("Notes\n  1 station (marked by an *) has had multiple upstream neighbors.\n"),
              std::string::npos);

    const JsonValue json = JsonParser::Parse(RunReportWith({"--json", path}).Out);
    const JsonValue& dlc = json["DLCErrors"];
    EXPECT_EQ(dlc["Panel"].Text, "Token Ring");
    EXPECT_EQ(dlc["RingMapCaption"].Text, "(Downstream neighbors are clockwise)");
    ASSERT_EQ(dlc["RingOrder"].Size(), 8u);
    EXPECT_EQ(dlc["RingOrder"][2]["Address"].Text, "000102334403");
    EXPECT_EQ(dlc["RingOrder"][2]["RingPoll"].Text, "Active Monitor");
    ASSERT_EQ(dlc["SoftErrorSummary"].Size(), 10u);
    const JsonValue& burst = dlc["SoftErrorSummary"][0];
    EXPECT_EQ(burst["Error"].Text, "Burst Error");
    EXPECT_EQ(burst["Total"].Text, "12");
    EXPECT_EQ(burst["Stations"].Text, "3");
    ASSERT_EQ(burst["ReportingStationNAUNCount"].Size(), 3u);
    EXPECT_EQ(burst["ReportingStationNAUNCount"][2].Text, "08005A112205/400000000004/8");
    EXPECT_EQ(dlc["SoftErrorSummary"][9]["Error"].Text, "Transmit Abort");
    EXPECT_EQ(dlc["MultipleUpstreamNeighbors"].Int(), 1);
    EXPECT_EQ(dlc["Notes"][0].Text, "1 station (marked by an *) has had multiple upstream neighbors.");
}

TEST(ReportDLCErrors, TokenRingWithoutMacFrames)
{
    TempFolder folder;
    const std::string path = folder.File("nomac.trc");
    tb::SnifferFileOptions options;
    options.NetworkType = 0;
    const tb::Mac a = tb::MacOf(0x10), b = tb::MacOf(0x20);
    tb::WriteSnifferFile(path, options, {FrameAt(0, tb::TokenRingLlc(b, a, {}, 0xF0, tb::NetBiosLlcPayload(1, "PC")))});
    const ReportRun run = RunReportWith({path});
    const std::string section = SectionFrom(run.Out, "DLC Error Expert: Token Ring");
    EXPECT_NE(section.find("Ring Order: (There is no ring poll in the trace file)\n"), std::string::npos);
    EXPECT_EQ(WordsOfLine(section, "Burst Error"), (std::vector<std::string>{"Burst", "Error", "0", "0"}));
    EXPECT_NE(section.find("Notes\n  No Media Access Control (MAC) frames in trace to analyze.\n"), std::string::npos);
    const JsonValue json = JsonParser::Parse(RunReportWith({"--json", path}).Out);
    EXPECT_EQ(json["DLCErrors"]["RingOrder"].Size(), 0u);
    EXPECT_EQ(json["DLCErrors"]["SoftErrorSummary"][0]["ReportingStationNAUNCount"].Size(), 0u);
}

}  // namespace
}  // namespace quenlix
