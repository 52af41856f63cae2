// Writes the seed corpora of the fuzz targets into OUT/<target>: the real captures
// (cut to a size the fuzzer handles quickly) and small traces of every format
// written by the test writers, each in the input layout of its target. The
// per-reader targets get small traces (a few short frames) and the captures of
// their format cut to kMaxReaderSeedBytes; the builders target the frame runs of
// the analyse-frames target.
//
//   quenlix-fuzz-seeds OUT [CAPTURES]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FrameCapture.h"
#include "FuzzHarness.h"
#include "ObserverWriter.h"
#include "SampleTraces.h"
#include "TestFiles.h"
#include "import/TraceImport.h"

namespace fs = std::filesystem;
using namespace quenlix;
using namespace quenlix::testing;

namespace {

constexpr std::size_t kMaxSeedBytes = 48 * 1024;
constexpr std::size_t kFramesPerTrace = 8;
constexpr std::size_t kMaxReaderSeedBytes = 4096;
constexpr std::size_t kShortFrameBytes = 96;

using Bytes = std::vector<uint8_t>;
using fuzz::Frame;
using fuzz::Trace;
using fuzz::WriterTraces;

void Save(const fs::path& folder, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
}

Bytes FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Cut(Bytes bytes, std::size_t limit)
{
    if (bytes.size() > limit) bytes.resize(limit);
    return bytes;
}

// The frames of a Sniffer capture as its reader delivers them.
std::vector<Frame> FramesOf(const fs::path& path)
{
    SilentHost host;
    CaptureOptions options;
    options.Format = kFormatSniffer;
    const CapturedRead read = CaptureFrames(path.string(), options, host);
    std::vector<Frame> frames;
    for (const CapturedFrame& f : read.Frames) {
        Frame frame{f.Bytes, f.Time};
        frame.Stored.resize(std::min<std::size_t>(f.StoredLength >= 4 ? f.StoredLength - 4u : 0u, f.Bytes.size()));
        frames.push_back(std::move(frame));
    }
    return frames;
}

// The read-trace input of an Observer trace with an address table after it.
Bytes ObserverWithTable(const Bytes& trace)
{
    AddressTableEntry entry;
    entry.Mac = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50};
    entry.Name = "printer";
    entry.Ip = {10, 99, 1, 30};
    Bytes table = BuildAddressTable({entry, entry});
    table.resize((table.size() + 7) / 8 * 8, 0);
    Bytes input = fuzz::EncodeReadTraceInput(kFormatObserver, kTopologyEthernet, false, trace);
    input[1] = static_cast<uint8_t>(std::min<std::size_t>(table.size() / 8, 255));
    input.insert(input.end(), table.begin(), table.end());
    return input;
}

// The detect input of a file name and the file's bytes.
Bytes DetectInput(const std::string& name, const Bytes& data)
{
    static const std::string kCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-";
    Bytes input{static_cast<uint8_t>(name.size())};
    for (char c : name) input.push_back(static_cast<uint8_t>(kCharacters.find(c)));
    input.insert(input.end(), data.begin(), data.end());
    return input;
}

// Frame inputs: runs of consecutive capture frames, on both topologies.
void SaveFrameRuns(const fs::path& folder, const std::string& stem, const std::vector<Frame>& frames)
{
    constexpr std::size_t kRun = 48;
    for (std::size_t start = 0, run = 0; start < frames.size() && run < 12; start += std::max<std::size_t>(frames.size() / 12, 1), ++run) {
        for (TopologyCode topology : {kTopologyEthernet, kTopologyTokenRing}) {
            Bytes input{static_cast<uint8_t>(CodeIndex(topology))};
            double previous = frames[start].Time;
            for (std::size_t i = start; i < std::min(frames.size(), start + kRun); ++i) {
                const double step = std::clamp((frames[i].Time - previous) / 1000.0, -32768.0, 32767.0);
                previous = frames[i].Time;
                fuzz::AppendFrame(input, frames[i].Stored, fuzz::kFlagMilliseconds, 0, static_cast<int16_t>(step));
            }
            Save(folder, stem + "-" + std::to_string(run) + (IsTokenRing(topology) ? "-ring" : "") + ".bin", input);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: quenlix-fuzz-seeds OUT [CAPTURES]\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path captures = argc > 2 ? fs::path(argv[2]) : fs::path();
    const fs::path readTrace = out / "read_trace", detect = out / "detect", analyze = out / "analyze_frames";
    const auto readerFolder = [&out](TraceFormatCode format) {
        const std::string name = fuzz::ReaderTargetName(format);
        if (name.empty()) {
            // A format with a reader but no fuzz target: say so rather than seed a target that does not exist.
            std::fprintf(stderr, "quenlix-fuzz-seeds: format %u has no row in the format table\n", unsigned(format));
            std::exit(1);
        }
        return out / ("reader_" + name);
    };
    TempDir dir;

    std::vector<Frame> sample;
    if (!captures.empty() && fs::exists(captures / "office-a.enc")) {
        for (const char* stem : {"office-a", "zoo-a"}) {
            const std::vector<Frame> frames = FramesOf(captures / (std::string(stem) + ".enc"));
            SaveFrameRuns(analyze, stem, frames);
            for (std::size_t i = 0; i < frames.size() && sample.size() < kFramesPerTrace * 2; i += frames.size() / kFramesPerTrace + 1)
                sample.push_back(frames[i]);
        }
        for (const auto& entry : fs::recursive_directory_iterator(captures)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            const Bytes data = FileBytes(entry.path());
            const std::string name = entry.path().filename().string();
            Save(detect, name + ".bin", DetectInput(name.substr(0, 39), Cut(data, 4096)));
            // The readers of the captures: pcap, and Sniffer, Network Monitor and LANalyzer for the converted ones.
            const std::string ext = entry.path().extension().string();
            const TraceFormatCode format = ext == ".enc" ? kFormatSniffer : ext == ".cap" ? kFormatNetworkMonitor
                                 : ext == ".tr1" ? kFormatLANalyzer : ext == ".pcap" ? kFormatPcap : kFormatUnknown;
            if (format != kFormatUnknown) {
                Save(readTrace, name + ".bin", fuzz::EncodeReadTraceInput(format, kTopologyEthernet, false, Cut(data, kMaxSeedBytes)));
                Save(readerFolder(format), name + ".bin",
                     fuzz::EncodeReaderInput(format, kTopologyEthernet, false, Cut(data, kMaxReaderSeedBytes)));
            }
            if (entry.path().parent_path().filename() == "damaged") {
                const std::vector<Frame> frames = FramesOf(entry.path());
                SaveFrameRuns(analyze, "damaged-" + entry.path().stem().string(), frames);
            }
        }
    }
    if (sample.empty()) {
        // Without the captures every target still gets a corpus, from generated frames.
        for (uint32_t seed = 0; seed < kFramesPerTrace; ++seed) sample.push_back({SampleBytes(60 + seed * 97, seed), seed * 1000.0});
        SaveFrameRuns(analyze, "generated", sample);
    }

    int count = 0;
    for (const Trace& trace : WriterTraces(sample, dir)) {
        const std::string stem = "writer-" + std::to_string(count++) + "-" + trace.Name;
        Save(readTrace, stem + ".bin", fuzz::EncodeReadTraceInput(trace.Format, trace.Topology, trace.Compressed, trace.Data));
        Save(detect, stem + ".bin", DetectInput(trace.Name, trace.Format == kFormatLAN900 ? trace.Data : Cut(trace.Data, 4096)));
        if (trace.Format == kFormatObserver) {
            // The selector of an Ethernet Observer trace doubles as the reader target's option byte.
            Save(readTrace, stem + "-table.bin", ObserverWithTable(trace.Data));
            Save(readerFolder(kFormatObserver), stem + "-table.bin", ObserverWithTable(trace.Data));
        }
    }
    // Small traces for the reader targets: a few frames cut short.
    std::vector<Frame> few;
    for (std::size_t i = 0; i < sample.size() && few.size() < 4; i += 3) {
        few.push_back(sample[i]);
        few.back().Stored.resize(std::min(few.back().Stored.size(), kShortFrameBytes));
    }
    count = 0;
    for (const std::vector<Frame>* frames : {&few, &sample}) {
        for (const Trace& trace : WriterTraces(*frames, dir)) {
            const std::string stem = "writer-" + std::to_string(count++) + "-" + trace.Name;
            const Bytes input = fuzz::EncodeReaderInput(trace.Format, trace.Topology, trace.Compressed, trace.Data);
            if (frames == &few || input.size() <= kMaxSeedBytes) Save(readerFolder(trace.Format), stem + ".bin", input);
        }
    }
    fs::create_directories(out / "builders");
    for (const auto& entry : fs::directory_iterator(analyze))
        fs::copy_file(entry.path(), out / "builders" / entry.path().filename(), fs::copy_options::overwrite_existing);
    std::printf("seeds written to %s\n", out.string().c_str());
    return 0;
}
