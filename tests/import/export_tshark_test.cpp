// An independent check of the pcapng export: for the formats tshark also reads,
// the exported file read by tshark gives the frame count, the times between frames
// (within the format's resolution) and the captured and original lengths that
// tshark gives for the original trace. Skipped where tshark is not installed.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "EtherPeekWriter.h"
#include "TestFiles.h"
#include "format_support.h"
#include "import/TraceExport.h"

namespace quenlix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTshark = "/usr/bin/tshark";

struct TsharkFrame {
    double Time = 0;  // seconds from the first frame
    long Captured = 0;
    long Original = 0;
};

// Every frame of a file as tshark reads it.
std::vector<TsharkFrame> TsharkFrames(const std::string& path)
{
    const std::string command = std::string(kTshark) + " -n -r '" + path +
                                "' -T fields -e frame.time_relative -e frame.cap_len -e frame.len 2>/dev/null";
    std::vector<TsharkFrame> frames;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return frames;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        TsharkFrame frame;
        if (fields >> frame.Time >> frame.Captured >> frame.Original) frames.push_back(frame);
    }
    ::pclose(pipe);
    return frames;
}

struct TsharkCase {
    std::string Name;
    std::string Path;
    double Resolution;  // seconds: the finest step of the format's times
    // How far the two programs' clocks part, as a share of the time: Sniffer's
    // time unit 1 counts PC timer ticks, which tshark takes as a fixed 0.838096 us
    // and the reader as BIOS ticks and interval-timer counts, 15 ppm apart.
    double Skew = 0;
};

// Traces of the formats tshark reads: the real captures, and an EtherPeek trace
// written here, as no real capture of one is at hand. (tshark refuses the Observer
// layout the program reads: it takes the first packet for part of the file header.)
std::vector<TsharkCase> Cases(TempDir& dir)
{
    const fs::path captures = fs::path(QUENLIX_SOURCE_DIR) / ".." / "shared" / "captures";
    std::vector<TsharkCase> cases;
    for (const char* name : {"office-a.enc", "office-d-vlan.enc", "zoo-a.enc"})
        cases.push_back({name, (captures / name).string(), 1e-6, 2e-5});
    for (const char* name : {"office-a.cap", "zoo-a.cap"}) cases.push_back({name, (captures / name).string(), 1e-3});
    for (const char* name : {"office-a.tr1", "zoo-a.tr1"}) cases.push_back({name, (captures / name).string(), 1e-6});

    std::vector<EtherPeekPacket> packets;
    const uint64_t start = (1'735'732'800ull + kSeconds1904To1970) * 1'000'000;
    for (uint32_t i = 0; i < 5; ++i) {
        EtherPeekPacket packet{start + i * 1'234'567ull, UnicastBytes(64 + 200 * i, i)};
        if (i == 2) packet.WireLength = 1518;  // sliced
        packets.push_back(packet);
    }
    cases.push_back({"EtherPeek", dir.Path("written.pkt"), 1e-6});
    BuildEtherPeekTrace({}, packets).Save(cases.back().Path);
    return cases;
}

TEST(ExportReadByTshark, GivesTheFramesTsharkReadsInTheOriginal)
{
    if (!fs::exists(kTshark)) GTEST_SKIP() << "tshark is not installed at " << kTshark << ": nothing to compare with";
    TempDir dir;
    for (const TsharkCase& c : Cases(dir)) {
        SCOPED_TRACE(c.Name);
        if (!fs::exists(c.Path)) continue;  // a checkout without the real captures
        const std::vector<TsharkFrame> original = TsharkFrames(c.Path);
        ASSERT_FALSE(original.empty()) << "tshark read nothing of " << c.Path;

        ExportRequest request;
        request.TraceFileName = c.Path;
        request.OutputPath = dir.Path("export.pcapng");
        request.Force = true;
        SilentHost host;
        const ExportOutcome outcome = ExportTrace(request, host);
        ASSERT_TRUE(outcome.Ok()) << outcome.Error;
        const std::vector<TsharkFrame> exported = TsharkFrames(request.OutputPath);

        ASSERT_EQ(exported.size(), original.size());
        int mismatches = 0;
        for (std::size_t i = 0; i < original.size() && mismatches < 5; ++i) {
            const bool same = exported[i].Captured == original[i].Captured &&
                              exported[i].Original == original[i].Original &&
                              std::abs(exported[i].Time - original[i].Time) <= c.Resolution + c.Skew * original[i].Time + 1e-9;
            if (same) continue;
            ++mismatches;
            ADD_FAILURE() << "frame " << i + 1 << ": original " << original[i].Time << " s " << original[i].Captured
                          << "/" << original[i].Original << ", export " << exported[i].Time << " s "
                          << exported[i].Captured << "/" << exported[i].Original;
        }
    }
}

}  // namespace
}  // namespace quenlix::testing
