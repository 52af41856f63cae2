// The format table and the one road of opening a trace that the main window and
// the report share: every entry complete and distinct, the open dialog derived
// from it, and each way an open ends with its message.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "FrameCapture.h"
#include "SnifferWriter.h"
#include "TestFiles.h"
#include "import/TraceFormats.h"
#include "import/TraceImport.h"

namespace quenlix::testing {
namespace {

TEST(FormatTable, EveryEntryIsCompleteAndDistinct)
{
    std::set<TraceFormatCode> codes;
    std::set<std::string> names;
    for (const TraceFormat& format : TraceFormats()) {
        SCOPED_TRACE(format.AnalyzerName);
        EXPECT_TRUE(codes.insert(format.Code).second);
        EXPECT_TRUE(names.insert(format.AnalyzerName).second);
        EXPECT_FALSE(format.DialogFilters.empty());
        ASSERT_TRUE(format.Matches && format.Topology && format.MakeReader);
        EXPECT_NE(format.MakeReader(), nullptr);
        EXPECT_EQ(FindTraceFormat(format.Code), &format);
    }
    // Every code is readable exactly when it has an entry, and only then has a name and a reader.
    for (int code = 0; code < 256; ++code) {
        const auto format = static_cast<TraceFormatCode>(code);
        const bool known = codes.contains(format);
        std::string name = "unchanged";
        GetAnalyzerName(format, name);
        EXPECT_EQ(IsReadableFormat(format), known) << code;
        EXPECT_EQ(name != "unchanged", known) << code;
        EXPECT_EQ(MakeTraceReader(format) != nullptr, known) << code;
    }
}

TEST(FormatTable, AllTraceFilesListsEveryPatternOnce)
{
    const std::vector<OpenFilter> filters = OpenDialogFilters();
    ASSERT_FALSE(filters.empty());
    const std::vector<std::string>& all = filters.front().Patterns;
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
    std::size_t formatFilters = 0;
    for (const TraceFormat& format : TraceFormats()) formatFilters += format.DialogFilters.size();
    EXPECT_EQ(filters.size(), formatFilters + 1);
    for (const OpenFilter& filter : filters)
        for (std::string pattern : filter.Patterns) {
            std::transform(pattern.begin(), pattern.end(), pattern.begin(), [](unsigned char c) { return std::tolower(c); });
            EXPECT_NE(std::find(all.begin(), all.end(), pattern), all.end()) << filter.Name << " " << pattern;
        }
}

struct OpenCase {
    const char* Label;
    std::function<void(const std::string& path)> Write;
    OpenOutcome Expected;
    std::vector<std::string> Messages;  // title and text of each message, in order
};

void WriteSniffer(const std::string& path, int frames, uint8_t networkType = 1)
{
    std::vector<SnifferFrame> list;
    for (int i = 0; i < frames; ++i) list.push_back({static_cast<uint64_t>(i) * 10, SampleBytes(60, i), 0, 0, 4});
    SnifferFileOptions options;
    options.NetworkType = networkType;
    WriteSnifferFile(path, options, list);
}

TEST(OpenTrace, EachOutcomeWithItsMessages)
{
    TempDir dir;
    const std::string path = dir.Path("trace.enc");
    const std::vector<OpenCase> cases = {
        {"a trace", [](const std::string& p) { WriteSniffer(p, 3); }, OpenOutcome::Read, {}},
        {"not a trace",
         [](const std::string& p) { WriteBytes(p, std::vector<uint8_t>(100, 'x')); },
         OpenOutcome::Refused, {kOpenTraceTitle, "trace.enc is not a trace file or supported format."}},
        {"too short", [](const std::string& p) { WriteBytes(p, std::vector<uint8_t>(39, 'x')); },
         OpenOutcome::Refused, {kProgramTitle, kTooShortText}},
        {"FDDI", [](const std::string& p) { WriteSniffer(p, 3, 9); }, OpenOutcome::Refused,
         {kOpenTraceTitle, "PATH contains an unsupported topology."}},
        {"cut inside the first frame",
         [&dir](const std::string& p) {
             const std::string whole = dir.Path("whole.enc");
             WriteSniffer(whole, 1);
             WritePrefix(whole, p, static_cast<std::size_t>(std::filesystem::file_size(whole)) - 40);
         },
         OpenOutcome::NothingRead, {kReadErrorTitle, "Damaged frame record encountered.  Data may be unreliable."}},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.Label);
        c.Write(path);
        auto state = std::make_unique<AnalysisState>();
        RecordingHost host;
        int beforeRead = 0;
        EXPECT_EQ(OpenTraceFile(*state, path, host, [&] { ++beforeRead; }), c.Expected);
        // The caller's preparations run exactly when the file is read.
        EXPECT_EQ(beforeRead, c.Expected == OpenOutcome::Refused ? 0 : 1);
        std::vector<std::string> shown;
        for (const RecordedMessage& m : host.Messages) {
            shown.push_back(m.Title);
            shown.push_back(m.Text == path + kUnsupportedTopologySuffix ? "PATH contains an unsupported topology." : m.Text);
        }
        EXPECT_EQ(shown, c.Messages);
        if (c.Expected == OpenOutcome::Read) {
            EXPECT_EQ(state->TotalFrames, 3);
            EXPECT_EQ(state->Read.TraceFormat, kFormatSniffer);
            EXPECT_EQ(state->Read.TraceFileName, path);
        }
    }
}

}  // namespace
}  // namespace quenlix::testing
