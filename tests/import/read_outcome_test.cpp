// How a read ends and what the user is told: paths that are not files, reads that
// stop early on damage, frames longer than the frame buffer, and the report's exit
// status, messages and argument checks for each.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FrameCapture.h"
#include "LANalyzerWriter.h"
#include "NetMonWriter.h"
#include "PcapWriter.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"
#include "model/ProgramTexts.h"
#include "model/ReadOnlyFile.h"
#include "report_support.h"

namespace quenlix {
namespace {

using namespace reporttest;

constexpr const char* kDamaged = "Damaged frame record encountered.  Data may be unreliable.";

std::vector<uint8_t> Unicast(std::size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes = tb::SampleBytes(size, seed);
    for (std::size_t i = 0; i < 6; ++i) bytes[i] = i == 0 ? 0x02 : static_cast<uint8_t>(seed);
    return bytes;
}

std::vector<tb::LANalyzerFrame> LanalyzerFrames(int count)
{
    std::vector<tb::LANalyzerFrame> frames;
    for (int k = 0; k < count; ++k) frames.push_back({1000u * static_cast<uint64_t>(k), Unicast(60 + k, k)});
    return frames;
}

std::vector<tb::NetMonFrame> NetMonFrames(int count)
{
    std::vector<tb::NetMonFrame> frames;
    for (int k = 0; k < count; ++k) frames.push_back({k, Unicast(60 + k, k)});
    return frames;
}

// Detection (the window's message) and the report both refuse path, with text.
void ExpectRefused(const std::string& path, const std::string& text)
{
    AnalysisState state;
    tb::RecordingHost host;
    EXPECT_TRUE(DetectTraceFormat(state, path, host).Failed);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{text});

    const ReportRun run = RunReportWith({path});
    EXPECT_EQ(run.Status, kExitNothingRead);
    EXPECT_EQ(run.Err, text + "\n");
}

class ReadOutcome : public ::testing::Test {
protected:
    std::string Save(const tb::TraceImage& image, const std::string& name)
    {
        const std::string path = folder.File(name);
        image.Save(path);
        return path;
    }
    std::string SaveBytes(const std::vector<uint8_t>& bytes, const std::string& name)
    {
        const std::string path = folder.File(name);
        tb::WriteBytes(path, bytes);
        return path;
    }

    TempFolder folder;
};

// A folder, a named pipe without a writer and a device are refused at once, by name,
// both by detection and by the report (the pipe would block an open for ever).
TEST_F(ReadOutcome, OnlyRegularFilesAreOpened)
{
    const std::string directory = folder.File("traces.enc");
    std::filesystem::create_directory(directory);
    const std::string pipe = folder.File("pipe.enc");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string Path;
        std::string Kind;
    };
    std::vector<Case> cases = {{directory, "a folder"}, {pipe, "a named pipe"}};
    if (std::filesystem::exists("/dev/zero")) cases.push_back({"/dev/zero", "a device"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        const std::string text = c.Path + " is " + c.Kind + ", not a trace file.";
        EXPECT_EQ(NotARegularFileText(c.Path), text);
        TraceInput input;
        EXPECT_FALSE(input.Open(c.Path));
        EXPECT_EQ(input.OpenError(), TraceInput::kNotARegularFile);
        ExpectRefused(c.Path, text);
    }
    const std::string file = folder.File("plain.enc");
    tb::WriteBytes(file, {1, 2, 3});
    EXPECT_EQ(NotARegularFileText(file), "");
    EXPECT_EQ(NotARegularFileText(folder.File("missing.enc")), "");
}

// The open itself checks what it opened: a path that names a pipe by the time it is
// opened (a symlink swapped after the check) opens at once and is refused, never blocks.
TEST_F(ReadOutcome, TheOpenedFileIsCheckedNotThePath)
{
    const std::string pipe = folder.File("swapped.enc");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const ReadOnlyFile refused = OpenRegularFileForReading(pipe);
    EXPECT_EQ(refused.File, nullptr);
    EXPECT_EQ(refused.Error, kNotARegularFile);

    const std::string file = folder.File("plain.enc");
    tb::WriteBytes(file, {1, 2, 3});
    const std::string link = folder.File("link.enc");
    std::filesystem::create_symlink(file, link);
    const ReadOnlyFile opened = OpenRegularFileForReading(link);
    ASSERT_NE(opened.File, nullptr);
    EXPECT_EQ(std::fgetc(opened.File), 1);
    std::fclose(opened.File);
}

// A file that will not open is reported with the program's text, then the path and
// the system's reason, by detection (the window's message) and by the report.
TEST_F(ReadOutcome, OpenFailuresSayTheSystemsReason)
{
    struct Case {
        std::string Path;
        std::string Reason;
    };
    std::vector<Case> cases = {
        {folder.File("missing.enc"), "No such file or directory"},
        {folder.File("loop.enc"), "Too many levels of symbolic links"},
        {folder.File(std::string(300, 'n') + ".enc"), "File name too long"},
    };
    std::filesystem::create_symlink(folder.File("loop.enc"), folder.File("loop.enc"));
    if (::geteuid() != 0) {  // root reads any file
        const std::string locked = folder.File("locked.enc");
        tb::WriteBytes(locked, std::vector<uint8_t>(100, 0));
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        cases.push_back({locked, "Permission denied"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Reason);
        ExpectRefused(c.Path, std::string(kOpenFailedText) + "\n" + c.Path + ": " + c.Reason);
    }
}

// Every exit other than 0 says why on standard error; a read that ended early says
// where in the report too.
TEST_F(ReadOutcome, ReportExitStatusAndMessages)
{
    const tb::TraceImage lanalyzer = tb::BuildLANalyzerTrace({}, LanalyzerFrames(4));
    tb::TraceImage lengthened = lanalyzer;
    lengthened.Bytes[lengthened.FrameOffsets[2] + 2] += 7;  // the third record's body length
    const tb::TraceImage netmon = tb::BuildNetMonTrace({}, NetMonFrames(3));
    std::vector<tb::SnifferFrame> snifferFrames;
    for (uint32_t k = 0; k < 3; ++k) snifferFrames.push_back({k, Unicast(60, k)});
    tb::WriteSnifferFile(folder.File("whole.enc"), {}, snifferFrames);
    const std::vector<uint8_t> sniffer = tb::ReadBytes(folder.File("whole.enc"));

    struct Case {
        const char* Label;
        std::string Path;
        int Status;
        std::string Err;
        std::string InReport;  // a line the printed report must hold
    };
    const std::vector<Case> cases = {
        {"LANalyzer cut one byte into its first frame", Save(lanalyzer.Prefix(lanalyzer.FrameOffsets[0] + 1), "a.tr1"),
         kExitNothingRead, std::string(kDamaged) + "\n", ""},
        // The lengthened record still reads as a frame; the next header is off the boundary.
        {"LANalyzer with a changed body length", Save(lengthened, "b.tr1"), kExitPartial, std::string(kDamaged) + "\n",
         "Read ended at frame 4: " + std::string(kDamaged)},
        {"Network Monitor header only", Save(netmon.Prefix(128), "c.cap"), kExitNothingRead,
         std::string(kDamaged) + "\n", ""},
        {"Sniffer of 41 bytes", SaveBytes({sniffer.begin(), sniffer.begin() + 41}, "d.enc"), kExitNothingRead,
         "File too short.\n", ""},
        {"Sniffer record header torn", SaveBytes({sniffer.begin(), sniffer.end() - 6 - 80 + 3}, "e.enc"), kExitPartial,
         std::string(kDamaged) + "\n", "Read ended at frame 3: " + std::string(kDamaged)},
        {"whole Sniffer file", folder.File("whole.enc"), kExitComplete, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        const ReportRun run = RunReportWith({c.Path});
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_EQ(run.Err, c.Err);
        if (!c.InReport.empty()) {
            EXPECT_NE(run.Out.find("\n" + c.InReport + "\n"), std::string::npos) << run.Out;
        }
        if (c.Status == kExitComplete) {
            EXPECT_EQ(run.Out.find("Read ended"), std::string::npos);
        }
    }
}

// A frame of 63,207 bytes does not end the read: it is taken clipped, the frames
// after it are read, and the user is told once how many frames were clipped.
TEST_F(ReadOutcome, LongFramesAreClippedAndTold)
{
    std::vector<tb::SnifferFrame> frames;
    for (uint32_t k = 0; k < 6; ++k) frames.push_back({k, Unicast(k % 3 == 1 ? 63207 : 60, k)});
    tb::WriteSnifferFile(folder.File("long.enc"), {}, frames);
    const std::string clipped = "2 frames were longer than 18,000 bytes: only their first 18,000 bytes were analysed.";

    const ReportRun text = RunReportWith({folder.File("long.enc")});
    EXPECT_EQ(text.Status, kExitComplete);
    EXPECT_EQ(text.Err, clipped + "\n");
    EXPECT_NE(text.Out.find("\n" + clipped + "\n"), std::string::npos);
    EXPECT_NE(text.Out.find("\n  Frames     6\n"), std::string::npos) << text.Out;

    const ReportRun json = RunReportWith({"--json", folder.File("long.enc")});
    EXPECT_NE(json.Out.find("\"ClippedFrames\": 2"), std::string::npos) << json.Out;
    EXPECT_NE(json.Out.find("\"End\": \"complete\""), std::string::npos);

    AnalysisState state;
    state.Read.ClippedFrames = 1;
    EXPECT_EQ(ClippedFramesText(state), "1 frame was longer than 18,000 bytes: only its first 18,000 bytes were analysed.");
}

// A frame-table offset far past the file: the table is not read as a frame, and the
// damaged header is reported; a too-long frame is clipped rather than ending the read.
TEST_F(ReadOutcome, NetworkMonitorFrameTable)
{
    // Past 64 KiB of frames the table's entries, read as a record, would make a frame.
    std::vector<tb::NetMonFrame> many;
    for (int k = 0; k < 50; ++k) many.push_back({k, Unicast(1500, k)});
    tb::TraceImage image = tb::BuildNetMonTrace({}, many);
    image.Bytes[tb::kNetMonFrameTableField + 3] = 0x40;  // about 1 GB on
    const std::string path = Save(image, "far.cap");
    tb::RecordingHost host;
    AnalysisState state;
    state.Read.TraceFileName = path;
    state.Read.TraceFormat = kFormatNetworkMonitor;
    ReadTraceFile(state, false, host);
    EXPECT_EQ(state.TotalFrames, 50);
    EXPECT_EQ(ReadEndOf(state), ReadEnd::EndedEarly);
    EXPECT_EQ(host.Texts(), std::vector<std::string>{kDamaged});

    std::vector<tb::NetMonFrame> frames = NetMonFrames(3);
    frames[1].Bytes = Unicast(30000, 5);
    const ReportRun run = RunReportWith({Save(tb::BuildNetMonTrace({}, frames), "long.cap")});
    EXPECT_EQ(run.Status, kExitComplete);
    EXPECT_EQ(run.Err, "1 frame was longer than 18,000 bytes: only its first 18,000 bytes were analysed.\n");
}

// Damage that once read as a complete file: each read now ends early, keeps the
// frames before the damage, says on standard error what it found, and the report exits 1.
TEST_F(ReadOutcome, DamageThatLooksCompleteEndsTheReadEarly)
{
    tb::TraceImage zeroed = tb::BuildNetMonTrace({}, NetMonFrames(8));
    std::fill(zeroed.Bytes.begin() + static_cast<std::ptrdiff_t>(zeroed.FrameOffsets[3]),
              zeroed.Bytes.begin() + static_cast<std::ptrdiff_t>(zeroed.FrameOffsets[6]), uint8_t{0});

    const std::string snifferPath = folder.File("ended.enc");
    {
        tb::SnifferWriter writer(snifferPath, {});
        for (uint32_t k = 0; k < 6; ++k) {
            if (k == 4) writer.AddRecord(3, {});
            writer.AddFrame({k, Unicast(60, k)});
        }
    }
    tb::TraceImage zeroTail = tb::BuildPcapTrace({}, {{Unicast(60, 1)}, {Unicast(60, 2)}});
    zeroTail.Bytes.resize(zeroTail.Bytes.size() + (1 << 20), 0);

    struct Case {
        std::string Path;
        int Frames;
    };
    const Case cases[] = {{Save(zeroed, "zeroed.cap"), 3}, {snifferPath, 4}, {Save(zeroTail, "tail.pcap"), 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        const ReportRun run = RunReportWith({"--json", c.Path});
        EXPECT_EQ(run.Status, kExitPartial);
        EXPECT_NE(run.Err.find("Data may be unreliable."), std::string::npos) << run.Err;
        EXPECT_EQ(run.Err.find(kDamaged), std::string::npos) << "the message says what was found: " << run.Err;
        EXPECT_NE(run.Out.find("\"End\": \"ended early\""), std::string::npos);
        EXPECT_NE(run.Out.find("\"Frame\": " + std::to_string(c.Frames + 1)), std::string::npos) << run.Out;
    }
}

// Records that hold no frame are passed over among the frames and told once after the read.
TEST_F(ReadOutcome, SkippedRecordsAreTold)
{
    const std::string path = folder.File("records.enc");
    {
        tb::SnifferWriter writer(path, {});
        for (uint32_t k = 0; k < 4; ++k) {
            writer.AddFrame({k, Unicast(60, k)});
            if (k % 2 == 0) writer.AddRecord(9, {1, 2});
        }
    }
    const std::string told = "2 records that hold no frames were found among the frames and passed over.";
    const ReportRun text = RunReportWith({path});
    EXPECT_EQ(text.Status, kExitComplete);
    EXPECT_EQ(text.Err, told + "\n");
    EXPECT_NE(text.Out.find("\n" + told + "\n"), std::string::npos);
    const ReportRun json = RunReportWith({"--json", path});
    EXPECT_NE(json.Out.find("\"SkippedRecords\": 2"), std::string::npos) << json.Out;

    AnalysisState state;
    state.Read.SkippedRecords = 1;
    EXPECT_EQ(SkippedRecordsText(state),
              "1 record that holds no frame was found among the frames and passed over.");
}

TEST(ReadStatus, SaysHowTheReadEnded)
{
    AnalysisState state;
    state.TotalFrames = 942784;
    EXPECT_EQ(ReadStatusText(state), "");
    EXPECT_EQ(ReadEndFrame(state), 942784);
    state.Read.ReadCancelled = 1;
    EXPECT_EQ(ReadEndOf(state), ReadEnd::Stopped);
    EXPECT_EQ(ReadStatusText(state), "Read stopped at frame 942,784 of the file");
    state.Read.ReadCancelled = 0;
    state.TotalFrames = 2167;
    state.Read.ReadResult = 4;
    state.Read.ReadEndText = "Packet too large to process.";
    EXPECT_EQ(ReadStatusText(state), "Read ended at frame 2,168: Packet too large to process.");
}

// An option's value is never the trace file, and contradictory options are refused.
TEST(ReportArguments, SayWhichArgumentIsMissingOrWrong)
{
    struct Case {
        std::vector<std::string> Args;
        std::string Error;
    };
    const std::vector<Case> cases = {
        {{"--ethernet-speed", "t.enc"}, "missing value for --ethernet-speed"},
        {{"--sort", "--json", "t.enc"}, "missing value for --sort"},
        {{"--conversation", "a", "b", "t.enc"}, "--conversation needs CLIENT SERVER APPLICATION: missing APPLICATION"},
        {{"--conversation", "a", "t.enc"}, "--conversation needs CLIENT SERVER APPLICATION: missing SERVER APPLICATION"},
        {{"--conversation", "a", "b", "c", "--latency", "--throughput", "t.enc"},
         "--latency and --throughput cannot be combined"},
        {{"--conversation", "a", "b", "c", "--from", "5", "--to", "2", "t.enc"}, "--from 5 lies after --to 2"},
        {{"--address-table-dir", "/no/such/folder", "t.enc"}, "--address-table-dir: no folder /no/such/folder"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseReportArguments(c.Args, error).has_value());
        EXPECT_EQ(error, c.Error);
    }
    // The value may still come last when the trace file came first.
    std::string error;
    const auto options = ParseReportArguments({"t.enc", "--ethernet-speed", "100"}, error);
    ASSERT_TRUE(options.has_value()) << error;
    EXPECT_EQ(options->EthernetSpeed, 100);
    const auto ranged = ParseReportArguments({"--conversation", "a", "b", "c", "--from", "2", "--to", "2", "t.enc"}, error);
    ASSERT_TRUE(ranged.has_value()) << error;
}

}  // namespace
}  // namespace quenlix
