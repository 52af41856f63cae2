// The report on real captures and on the bundled sample: complete reads, damaged
// captures that end cleanly with valid output, dump chains that account for every
// packet, and a sample that is clean, varied and rebuilt byte for byte by its maker.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "report_json.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

std::string SamplePath() { return (fs::path(QUENLIX_SOURCE_DIR) / "samples" / "office-sample.enc").string(); }

// Checks the chain walks of a dump against the state's own totals: every packet
// summary sits in exactly one conversation chain, and a station's DLC records add
// up to the frames it sent.
void ExpectChainsAccountForEverything(const JsonValue& dump)
{
    int64_t chained = 0;
    for (const JsonValue& node : dump["NetworkNodes"].Items)
        for (const JsonValue& peer : node["Peers"].Items)
            for (const JsonValue& conversation : peer["Transactions"].Items) {
                chained += conversation["PacketCount"].Int() + conversation["GapMarkers"].Int();
                if (conversation.Has("Packets")) {
                    EXPECT_EQ(static_cast<int64_t>(conversation["Packets"].Size()),
                              conversation["PacketCount"].Int() + conversation["GapMarkers"].Int());
                }
            }
    EXPECT_EQ(chained, dump["PacketCount"].Int());

    int64_t senders = 0;
    for (const JsonValue& station : dump["Stations"].Items) {
        int64_t frames = 0;
        for (const JsonValue& peer : station["DLCPeers"].Items) frames += peer["Frames"].Int();
        EXPECT_EQ(frames, station["FramesSent"].Int()) << station["Address"].Text;
        if (station["DLCPeers"].Size() > 0) ++senders;
    }
    EXPECT_EQ(senders, dump["SourceStationCount"].Int());
    EXPECT_EQ(static_cast<int64_t>(dump["Stations"].Size()), dump["StationCount"].Int());
}

TEST(ReportCaptures, OfficeCaptureReadsCompletely)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    const std::string path = captures + "/office-a.enc";
    const ReportRun text = RunReportWith({path});
    ASSERT_EQ(text.Status, kExitComplete) << text.Err;
    EXPECT_NE(text.Out.find("  Frames     851\n"), std::string::npos) << text.Out;

    const ReportRun dump = RunReportWith({"--dump-state", "--packets", path});
    ASSERT_EQ(dump.Status, kExitComplete) << dump.Err;
    const JsonValue state = JsonParser::Parse(dump.Out);
    EXPECT_EQ(state["TotalFrames"].Int(), 851);
    EXPECT_EQ(state["FrameStats"][7].Int(), 4);  // frames to ff:ff:ff:ff:ff:ff
    ExpectChainsAccountForEverything(state);
}

TEST(ReportCaptures, DamagedCapturesEndCleanlyWithValidOutput)
{
    const std::string captures = CapturesFolder();
    if (captures.empty()) GTEST_SKIP() << "the real captures (../shared/captures) are not in this checkout";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(captures + "/damaged")) {
        if (entry.path().extension() != ".enc") continue;
        ++files;
        const std::string path = entry.path().string();
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{path}, {"--json", path}, {"--dump-state", "--packets", path}}) {
            const ReportRun run = RunReportWith(args);
            if (run.Status == kExitNothingRead) {
                // Only when not one frame could be read: said on err, nothing printed.
                EXPECT_FALSE(run.Err.empty()) << path;
                EXPECT_EQ(run.Out, "") << path;
                continue;
            }
            EXPECT_TRUE(run.Status == kExitComplete || run.Status == kExitPartial) << path << ": " << run.Err;
            if (args[0] == "--json") {
                EXPECT_NO_THROW(JsonParser::Parse(run.Out)) << path;
            }
            if (args[0] == "--dump-state") {
                JsonValue state;
                ASSERT_NO_THROW(state = JsonParser::Parse(run.Out)) << path;
                ExpectChainsAccountForEverything(state);
            }
        }
    }
    EXPECT_EQ(files, 16);
}

TEST(ReportSample, BundledSampleIsCompleteCleanAndVaried)
{
    const std::string path = SamplePath();
    if (!fs::exists(path)) GTEST_SKIP() << "samples/office-sample.enc is missing";
    const ReportRun run = RunReportWith({"--dump-state", "--packets", path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    const JsonValue state = JsonParser::Parse(run.Out);
    ExpectChainsAccountForEverything(state);

    EXPECT_GT(state["TotalFrames"].Int(), 2000);
    EXPECT_GT(state["ElapsedTime"].Number, 180e6);  // some minutes of traffic
    const JsonValue& families = state["ProtocolStats"];
    for (int family : {1, 4, 5, 9, 10}) EXPECT_GT(families[family]["Frames"].Int(), 0) << "family " << family;
    EXPECT_EQ(families[5]["EncapsSet"].Int(), 0x7);  // IPX over Ethernet II, 802.2 and Novell raw

    // The damaged frames made on purpose: three with a bad FCS, a runt and a collision fragment.
    EXPECT_EQ(state["FrameStats"][14].Int(), 4);
    EXPECT_EQ(state["FrameStats"][15].Int(), 2);
    EXPECT_EQ(state["FrameStats"][17].Int(), 1);

    // Every checksum is right, so no packet carries a checksum flag.
    int64_t flagged = 0, packets = 0;
    for (const JsonValue& node : state["NetworkNodes"].Items)
        for (const JsonValue& peer : node["Peers"].Items)
            for (const JsonValue& conversation : peer["Transactions"].Items)
                for (const JsonValue& packet : conversation["Packets"].Items) {
                    const int64_t flags = packet["PacketFlags"].Int();
                    if (flags == 0xFFFF) continue;
                    ++packets;
                    if ((flags & 0x7000) != 0 && (flags & 0x8000) == 0) ++flagged;
                }
    EXPECT_GT(packets, 1000);
    EXPECT_EQ(flagged, 0);

    // Names learned from DNS answers, SAP broadcasts and NetBIOS name claims.
    std::vector<std::string> names;
    for (const JsonValue& name : state["Names"].Items) names.push_back(name["Name"].Text);
    for (const char* expected : {"srv.office.lan", "files.office.lan", "FS1"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    EXPECT_GE(names.size(), 6u);
}

TEST(ReportSample, MakerRebuildsTheCommittedSampleByteForByte)
{
    const std::string maker = std::string(QUENLIX_BIN_DIR) + "/quenlix-make-sample";
    if (!fs::exists(SamplePath())) GTEST_SKIP() << "samples/office-sample.enc is missing";
    if (!fs::exists(maker)) GTEST_SKIP() << "quenlix-make-sample is not built";
    TempFolder folder;
    const std::string rebuilt = folder.File("office-sample.enc");
    const std::string command = "'" + maker + "' '" + rebuilt + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(ReadBytes(rebuilt) == ReadBytes(SamplePath())) << "the sample and its maker are out of step";
}

}  // namespace
}  // namespace quenlix
