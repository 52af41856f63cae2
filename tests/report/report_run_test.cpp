// The command-line report: its text and JSON carry the File Summary and Protocol
// Table pages' own texts, its options, its messages and its exit status.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "import/TraceImport.h"
#include "report_json.h"
#include "report_support.h"
#include "ui/main/FileSummaryContent.h"
#include "ui/main/ProtocolTableContent.h"
#include "model/NumberFormat.h"

namespace quenlix {
namespace {

using namespace reporttest;

// Reads a file the way the report does, for comparing its output with the pages.
std::unique_ptr<AnalysisState> ReadLikeTheReport(const std::string& path)
{
    auto state = std::make_unique<AnalysisState>();
    std::ostringstream sink;
    ReportHost host(*state, sink, sink, false);
    const FormatDetection format = DetectTraceFormat(*state, path, host);
    const TopologyDetection topology = DetectTopology(*state, format.Code, path, host);
    state->Read.TraceFileName = path;
    state->Read.TraceFormat = format.Code;
    state->Topology = topology.Code;
    ReadTraceFile(*state, false, host);
    return state;
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The line of the report that starts with the label (after the indentation).
std::string LineOf(const std::string& report, const std::string& label)
{
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, 2 + label.size(), "  " + label) == 0 &&
            (line.size() == 2 + label.size() || line[2 + label.size()] == ' '))
            return line;
    return {};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Percent(int gauge) { return std::to_string(gauge) + "%"; }

TEST(ReportText, ShowsThePagesOwnFigures)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder);
    const ReportRun run = RunReportWith({path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    EXPECT_EQ(run.Err, "");

    const auto state = ReadLikeTheReport(path);
    const FileSummaryContent summary = BuildFileSummary(*state);
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\n')), "Sniffer File " + path);

    const FileAttributesContent& attributes = summary.FileAttributes;
    for (const SummaryValue* value : {&attributes.Analyzer, &attributes.Topology, &attributes.Bandwidth, &attributes.Duration,
                                      &attributes.FileDate, &attributes.FileSize, &attributes.Frames, &attributes.Bytes}) {
        const std::string line = LineOf(run.Out, value->Label);
        ASSERT_FALSE(value->Text.empty()) << value->Label;
        EXPECT_EQ(line.substr(line.size() - value->Text.size()), value->Text) << value->Label;
    }
    EXPECT_EQ(attributes.Frames.Text, "16");

    for (const FrameClassRow* row : {&summary.FrameStatistics.Station, &summary.FrameStatistics.Multicast,
                                     &summary.FrameStatistics.Broadcast})
        EXPECT_EQ(Words(LineOf(run.Out, row->Label)),
                  (std::vector<std::string>{row->Label, row->Count, Percent(row->CountPercent), row->Bytes,
                                            Percent(row->BytesPercent), row->AverageSize, row->Largest}));
    EXPECT_EQ(Words(LineOf(run.Out, "Total")), (std::vector<std::string>{"Total", summary.FrameStatistics.TotalPackets,
                                                                         summary.FrameStatistics.TotalBytes}));

    const MediaUtilizationContent& media = summary.MediaUtilization;
    EXPECT_EQ(Words(LineOf(run.Out, "Peak Bytes/Sec")),
              (std::vector<std::string>{"Peak", "Bytes/Sec", media.All.PeakBps.Text, media.Broadcast.PeakBps.Text}));
    EXPECT_EQ(Words(LineOf(run.Out, "Ave Bandwidth")),
              (std::vector<std::string>{"Ave", "Bandwidth", media.All.AveBandwidth.Text, media.Broadcast.AveBandwidth.Text}));

    for (const EncapsulationRow& row : summary.Encapsulation.Rows)
        EXPECT_EQ(Words(LineOf(run.Out, row.Label)), Concat(Words(row.Label), {row.Count, Percent(row.Percent)}));

    const ProtocolTableContent table = BuildProtocolTable(*state);
    ASSERT_GE(table.Rows.size(), 4u);  // ARP, IP, IPX, NetBIOS-LLC
    for (const ProtocolTableRow& row : table.Rows) {
        std::vector<std::string> expected;
        for (const std::string& cell : row.Cells) expected = Concat(expected, Words(cell));
        EXPECT_EQ(Words(LineOf(run.Out, row.Cells[0])), expected);
    }
}

TEST(ReportJson, CarriesTheSameContentAsTheText)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder, "mixed.enc", true);
    const ReportRun run = RunReportWith({"--json", path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    const JsonValue json = JsonParser::Parse(run.Out);

    const auto state = ReadLikeTheReport(path);
    const FileSummaryContent summary = BuildFileSummary(*state);
    EXPECT_EQ(json.Keys(), (std::vector<std::string>{"TraceFileName", "Read", "FileAttributes", "FrameStatistics", "MediaUtilization",
                                                     "DLCEncapsulationTypes", "ProtocolTable", "DLCErrors", "ClientServer"}));
    EXPECT_EQ(json["TraceFileName"].Text, path);
    EXPECT_EQ(json["FileAttributes"]["Frames"].Text, summary.FileAttributes.Frames.Text);
    EXPECT_EQ(json["FileAttributes"]["Duration"].Text, summary.FileAttributes.Duration.Text);
    EXPECT_EQ(json["FileAttributes"]["FileSize"].Text, summary.FileAttributes.FileSize.Text);
    EXPECT_EQ(json["FrameStatistics"]["Broadcast"]["Count"].Text, summary.FrameStatistics.Broadcast.Count);
    EXPECT_EQ(json["FrameStatistics"]["Station"]["BytesPercent"].Int(), summary.FrameStatistics.Station.BytesPercent);
    EXPECT_EQ(json["FrameStatistics"]["Total"]["Bytes"].Text, summary.FrameStatistics.TotalBytes);
    EXPECT_EQ(json["MediaUtilization"]["All"]["PeakPacketsPerSec"].Text, summary.MediaUtilization.All.PeakPps.Text);
    EXPECT_EQ(json["MediaUtilization"]["Broadcast"]["AveBytesPerSec"].Text, summary.MediaUtilization.Broadcast.AveBps.Text);
    ASSERT_EQ(json["DLCEncapsulationTypes"].Size(), 4u);
    EXPECT_EQ(json["DLCEncapsulationTypes"][3]["Label"].Text, "Novell Raw");
    EXPECT_EQ(json["DLCEncapsulationTypes"][3]["Count"].Text, summary.Encapsulation.Rows[3].Count);

    const ProtocolTableContent table = BuildProtocolTable(*state);
    ASSERT_EQ(json["ProtocolTable"].Size(), table.Rows.size());
    for (size_t r = 0; r < table.Rows.size(); ++r)
        for (size_t c = 0; c < table.Rows[r].Cells.size(); ++c)
            EXPECT_EQ(json["ProtocolTable"][r].Fields[c].second.Text, table.Rows[r].Cells[c]);
}

TEST(ReportText, TokenRingRelabelsTheRowsAndHidesNovellRaw)
{
    TempFolder folder;
    const std::string path = folder.File("ring.enc");
    tb::SnifferFileOptions options;
    options.NetworkType = 0;
    const tb::Mac a = tb::MacOf(0x10), b = tb::MacOf(0x20);
    const tb::Mac functional = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x08};
    tb::WriteSnifferFile(path, options,
                         {FrameAt(0, tb::TokenRingLlc(b, a, {}, 0xF0, tb::NetBiosLlcPayload(0x01, "RINGPC"))),
                          FrameAt(500'000, tb::TokenRing(0x00, functional, a, {}, tb::Bytes(30, 0))),
                          FrameAt(900'000, tb::TokenRingLlc(a, b, {}, 0xAA, tb::Bytes(40, 0)))});
    const ReportRun run = RunReportWith({"--token-ring-speed", "4", path});
    ASSERT_EQ(run.Status, kExitComplete) << run.Err;
    EXPECT_EQ(Words(LineOf(run.Out, "Topology")), (std::vector<std::string>{"Topology", "Token", "Ring"}));
    EXPECT_EQ(Words(LineOf(run.Out, "Bandwidth")), (std::vector<std::string>{"Bandwidth", "4", "Mbps"}));
    EXPECT_FALSE(LineOf(run.Out, "Functional").empty());
    EXPECT_TRUE(LineOf(run.Out, "Multicast").empty());
    EXPECT_FALSE(LineOf(run.Out, "MAC").empty());
    EXPECT_TRUE(LineOf(run.Out, "Novell Raw").empty());
    EXPECT_TRUE(LineOf(run.Out, "Etype").empty());

    const JsonValue json = JsonParser::Parse(RunReportWith({"--json", path}).Out);
    EXPECT_EQ(json["DLCEncapsulationTypes"].Size(), 3u);
    EXPECT_EQ(json["FrameStatistics"]["Multicast"]["Label"].Text, "Functional");
}

TEST(ReportRun, EthernetSpeedOptionSetsTheBandwidth)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder);
    EXPECT_EQ(Words(LineOf(RunReportWith({"--ethernet-speed=100", path}).Out, "Bandwidth")),
              (std::vector<std::string>{"Bandwidth", "100", "Mbps"}));
    EXPECT_EQ(Words(LineOf(RunReportWith({path}).Out, "Bandwidth")), (std::vector<std::string>{"Bandwidth", "10", "Mbps"}));
}

TEST(ReportRun, TruncatedTraceExitsOneWithThePartialAnalysis)
{
    TempFolder folder;
    // Long enough for several compressed blocks, so that a cut leaves whole blocks before it.
    std::vector<tb::SnifferFrame> frames;
    for (uint64_t round = 0; round < 60; ++round)
        for (tb::SnifferFrame frame : MixedEthernetFrames()) {
            frame.TimeCount += round * 3'000'000;
            frames.push_back(std::move(frame));
        }
    const std::string total = FormatCount(frames.size());
    for (const bool compressed : {false, true}) {
        const std::string path = folder.File(compressed ? "cut-packed.enc" : "cut.enc");
        tb::SnifferFileOptions options;
        options.Compressed = compressed;
        tb::WriteSnifferFile(path, options, frames);
        const std::string bytes = ReadBytes(path);
        WriteBytes(path, bytes.substr(0, bytes.size() * 2 / 3 + 3));  // cut inside a record
        const ReportRun run = RunReportWith({path});
        EXPECT_EQ(run.Status, kExitPartial) << "compressed " << compressed << ": " << run.Err;
        const std::vector<std::string> frameWords = Words(LineOf(run.Out, "Frames"));
        ASSERT_EQ(frameWords.size(), 2u) << run.Out;
        EXPECT_NE(frameWords[1], "0");
        EXPECT_NE(frameWords[1], total);
    }
}

TEST(ReportRun, UnreadableFilesExitTwoWithTheSystemsMessages)
{
    TempFolder folder;
    const ReportRun missing = RunReportWith({folder.File("missing.enc")});
    EXPECT_EQ(missing.Status, kExitNothingRead);
    EXPECT_EQ(missing.Out, "");
    EXPECT_EQ(missing.Err, "Unable to open file.  Check the path and file Name.\n" + folder.File("missing.enc") +
                               ": No such file or directory\n");

    const std::string shortFile = folder.File("short.enc");
    WriteBytes(shortFile, std::string(39, 'T'));
    const ReportRun tooShort = RunReportWith({shortFile});
    EXPECT_EQ(tooShort.Status, kExitNothingRead);
    EXPECT_EQ(tooShort.Err, "File too short.\n");

    const std::string notes = folder.File("notes.txt");
    WriteBytes(notes, std::string(100, 'x'));
    const ReportRun notATrace = RunReportWith({notes});
    EXPECT_EQ(notATrace.Status, kExitNothingRead);
    EXPECT_EQ(notATrace.Out, "");
    EXPECT_EQ(notATrace.Err, notes + " is not a trace file or supported format.\n");

    const std::string arcnet = folder.File("arcnet.enc");
    tb::SnifferFileOptions options;
    options.NetworkType = 2;
    tb::WriteSnifferFile(arcnet, options, {FrameAt(0, tb::Bytes(60, 0))});
    const ReportRun otherTopology = RunReportWith({arcnet});
    EXPECT_EQ(otherTopology.Status, kExitNothingRead);
    EXPECT_EQ(otherTopology.Out, "");
    EXPECT_EQ(otherTopology.Err, arcnet + " contains an unsupported topology.\n");
}

TEST(ReportRun, MissingVendorFileIsOnlyAWarning)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder);
    ReportEnvironment environment;
    environment.ProgramFolder = folder.File("no-such-folder");
    std::ostringstream out, err;
    EXPECT_EQ(RunReport({path}, out, err, environment), kExitComplete);
    EXPECT_NE(err.str().find("Unable to open the OUI File (OUI.TXT)"), std::string::npos);
    EXPECT_FALSE(LineOf(out.str(), "Frames").empty());
}

TEST(ReportArguments, AcceptsTheDocumentedOptions)
{
    std::string error;
    auto options = ParseReportArguments({"--dump-state", "--packets", "--ethernet-speed", "100", "--token-ring-speed=4", "t.enc"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->Mode, ReportMode::DumpState);
    EXPECT_TRUE(options->WithPackets);
    EXPECT_EQ(options->EthernetSpeed, 100);
    EXPECT_EQ(options->TokenRingSpeed, 4);
    EXPECT_EQ(options->FileName, "t.enc");
    EXPECT_FALSE(options->TcpDataResponse);
    options = ParseReportArguments({"--tcp-data-response", "t.enc"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->TcpDataResponse);

    options = ParseReportArguments({"--", "--json"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->Mode, ReportMode::Text);
    EXPECT_EQ(options->FileName, "--json");
    EXPECT_EQ(options->EthernetSpeed, 10);
    EXPECT_EQ(options->TokenRingSpeed, 16);
}

TEST(ReportArguments, RejectsBadUsageWithExitTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"a.enc", "b.enc"},
        {"--ethernet-speed", "16", "a.enc"},
        {"--ethernet-speed=1000", "a.enc"},
        {"--token-ring-speed", "10", "a.enc"},
        {"--token-ring-speed", "a.enc"},
        {"a.enc", "--ethernet-speed"},
        {"--json", "--dump-state", "a.enc"},
        {"--packets", "a.enc"},
        {"--verbose", "a.enc"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseReportArguments(args, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
        const ReportRun run = RunReportWith(args);
        EXPECT_EQ(run.Status, kExitNothingRead) << ::testing::PrintToString(args);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err.rfind("quenlix-report: ", 0), 0u);
    }
    const ReportRun help = RunReportWith({"--help"});
    EXPECT_EQ(help.Status, kExitComplete);
    EXPECT_EQ(help.Out.rfind("usage: quenlix-report", 0), 0u);
}

// Each refusal names its reason, in the words the options are described with.
TEST(ReportArguments, RefusalsSayWhy)
{
    const std::string notAFolder = std::string(QUENLIX_SOURCE_DIR) + "/README.md";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"--ethernet-speed", "16", "a.enc"}, "--ethernet-speed must be 10 or 100"},
        {{"--token-ring-speed=10", "a.enc"}, "--token-ring-speed must be 4 or 16"},
        {{"a.enc", "--sort"}, "missing value for --sort"},
        {{"--json=yes", "a.enc"}, "unknown option --json=yes"},
        {{"--conversation=a", "a.enc"}, "unknown option --conversation=a"},
        {{"--ladder", "a", "a.enc"}, "--ladder needs CLIENT SERVER APPLICATION: missing SERVER APPLICATION"},
        {{"--window", "3", "--conversation", "a", "b", "c", "a.enc"}, "--window needs a whole number from 4 to 20"},
        {{"--exclude-transmission-time", "a.enc"},
         "--from, --to, --window, --latency, --throughput, --small, --large and --exclude-transmission-time "
         "need --conversation"},
        {{"--conversation", "a", "b", "c", "--latency", "--throughput", "a.enc"},
         "--latency and --throughput cannot be combined"},
        {{"--small", "--conversation", "a", "b", "c", "--large", "a.enc"}, "--small and --large cannot be combined"},
        {{"--conversation", "a", "b", "c", "--from=9", "--to", "3", "a.enc"}, "--from 9 lies after --to 3"},
        {{"--address-table-dir", notAFolder, "a.enc"}, "--address-table-dir: no folder " + notAFolder},
        {{"--ethernet-speed", "100", "--ethernet-speed", "10", "a.enc"}, "--ethernet-speed given twice"},
        {{"--sort=1", "--sort", "2", "a.enc"}, "--sort given twice"},
        {{"--conversation", "a", "b", "c", "--ladder", "a", "b", "c", "a.enc"},
         "--conversation and --ladder cannot be combined"},
        {{"--ladder", "a", "b", "c", "--conversation", "a", "b", "c", "a.enc"},
         "--ladder and --conversation cannot be combined"},
        {{"--ladder", "a", "b", "c", "--latency", "a.enc"}, "--ladder and --latency cannot be combined"},
        {{"--small", "--ladder", "a", "b", "c", "a.enc"}, "--ladder and --small cannot be combined"},
        {{"--ladder", "a", "b", "c", "--window", "8", "a.enc"}, "--ladder and --window cannot be combined"},
        {{"--conversation", "a", "b", "c", "--absolute-seq", "a.enc"},
         "--conversation and --absolute-seq cannot be combined"},
        {{"--ladder", "a", "b", "c", "--dump-state", "a.enc"}, "--ladder and --dump-state cannot be combined"},
        {{"--network", "--ladder", "a", "b", "c", "a.enc"}, "--ladder and --network cannot be combined"},
        {{"--conversation", "a", "b", "c", "--stations", "a.enc"}, "--conversation and --stations cannot be combined"},
        {{"--conversation", "a", "b", "c", "--sort", "1", "a.enc"}, "--conversation and --sort cannot be combined"},
        {{"--conversation", "a", "b", "c", "--dump-state", "a.enc"},
         "--conversation and --dump-state cannot be combined"},
        {{"--sort", "", "a.enc"}, "--sort needs a column number from 1 to 15 or a header"},
        {{"--conversation", "a", "b", "c", "--to", "4294967296", "a.enc"},
         "--to needs a whole number from 1 to 4294967295"},
        {{"--sort", "0", "a.enc"}, "--sort: no client/server column \"0\" (a column number from 1 to 15 or a header)"},
    };
    for (const auto& [args, reason] : refusals) {
        std::string error;
        EXPECT_FALSE(ParseReportArguments(args, error)) << ::testing::PrintToString(args);
        EXPECT_EQ(error, reason);
    }
}

// The settings of a conversation apply wherever they stand among the arguments.
TEST(ReportArguments, ConversationSettingsApplyInAnyOrder)
{
    std::string error;
    const auto options = ParseReportArguments({"--window=12", "--throughput", "--conversation", "c", "s",
                                               "TCP/Port 1<->HTTP", "--from", "5", "--exclude-transmission-time",
                                               "--small", "t.enc"},
                                              error);
    ASSERT_TRUE(options && options->Conversation) << error;
    const ConversationQuery& query = *options->Conversation;
    EXPECT_FALSE(options->Ladder);
    EXPECT_EQ(query.Client + "|" + query.Server + "|" + query.Application, "c|s|TCP/Port 1<->HTTP");
    EXPECT_EQ(query.WindowPackets, 12);
    EXPECT_TRUE(query.MeasureThroughput);
    EXPECT_EQ(query.FirstFrameNo, 5);
    EXPECT_EQ(query.LastFrameNo, -1);
    EXPECT_FALSE(query.IncludeTransmissionTime);
    EXPECT_TRUE(query.SmallResponsesOnly);
    EXPECT_FALSE(query.LargeResponsesOnly);
    const auto help = ParseReportArguments({"-h"}, error);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->Help);
}

// The usage text and the parser share one table: every option the usage names is
// one the parser takes, and the help stands in its column.
TEST(ReportUsage, NamesOnlyOptionsTheParserTakes)
{
    const std::string usage = ReportUsage();
    std::istringstream lines(usage);
    int options = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  --", 0) != 0) continue;
        ++options;
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        std::string error;
        static_cast<void>(ParseReportArguments({name}, error));
        EXPECT_EQ(error.rfind("unknown option", 0), std::string::npos) << name << ": " << error;
    }
    EXPECT_GT(options, 0);
    EXPECT_NE(usage.find("\n  --ethernet-speed 10|100   Ethernet speed in Mbit/s (default 10)\n"), std::string::npos);
    EXPECT_NE(usage.find("\n  --ladder CLIENT SERVER APPLICATION\n" + std::string(28, ' ') + "print the conversation's"),
              std::string::npos);
    EXPECT_NE(usage.find("; takes --from, --to\n  --conversation"), std::string::npos);
}

TEST(ReportHost, DrawsProgressOnlyWhenStandardErrorIsATerminal)
{
    TempFolder folder;
    const std::string path = WriteMixedTrace(folder);
    const ReportRun quiet = RunReportWith({path}, false);
    const ReportRun shown = RunReportWith({path}, true);
    EXPECT_EQ(quiet.Err, "");
    EXPECT_NE(shown.Err.find("Reading Packet: "), std::string::npos);
    ASSERT_FALSE(shown.Err.empty());
    EXPECT_EQ(shown.Err.back(), '\r');  // the line is wiped before the report follows
    EXPECT_EQ(shown.Out, quiet.Out);
}

TEST(ReportHost, MessagesWipeTheProgressLineAndAreCounted)
{
    auto state = std::make_unique<AnalysisState>();
    state->Read.TraceFileName = "trace.enc";
    std::ostringstream out, err;
    ReportHost host(*state, out, err, true);
    host.ReadStarted(*state);
    EXPECT_EQ(host.ProgressLine(), "Reading Packet: 0  Trace Duration: 00:00:00  0% Complete");
    host.ShowMessage(MessageIcon::Error, "File Read Error", "Packet too large to process.");
    const std::string text = err.str();
    const std::string wiped = "\r" + std::string(host.ProgressLine().size(), ' ') + "\r";
    EXPECT_EQ(text.substr(text.size() - wiped.size() - 29), wiped + "Packet too large to process.\n");
    EXPECT_EQ(host.MessageCount(), 1);
    host.ResetMessageCount();
    EXPECT_EQ(host.MessageCount(), 0);
}

}  // namespace
}  // namespace quenlix
