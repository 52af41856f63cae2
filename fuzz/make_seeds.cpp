// Writes the seed corpora of the fuzz targets into OUT/<target>: the real captures
// (cut to a size the fuzzer handles quickly) and small traces of every format
// written by the test writers, each in the input layout of its target. The
// per-reader targets get small traces (a few short frames) and the captures of
// their format cut to kMaxReaderSeedBytes; the builders target the frame runs of
// the analyse-frames target. Frames built for the purpose add VLAN tags and IPv6
// (extension headers, fragments, jumbograms, frames cut short) to the frame,
// read-trace and Sniffer reader seeds.
//
//   quenlix-fuzz-seeds OUT [CAPTURES]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FrameBuilder.h"
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

// ---- VLAN tags and IPv6 ----------------------------------------------------------------

const Mac kClientMac = MacOf(0x101), kServerMac = MacOf(0x102);
const Ip kClient = IpOf(10, 99, 0, 1), kServer = IpOf(10, 99, 0, 2);
const Ip6 kClient6 = Ip6Of({0xFD00, 0x99, 1, 0, 0, 0, 0, 1}), kServer6 = Ip6Of({0xFD00, 0x99, 1, 0, 0, 0, 0, 2});

Bytes Ipv6Ethernet(const Bytes& packet) { return Padded(EthernetII(kServerMac, kClientMac, 0x86DD, packet)); }

// Padding options: the rest of an options header after its next-header and length bytes.
Ipv6Extension PaddedOptions(uint8_t type) { return {type, {0x01, 0x04, 0, 0, 0, 0}}; }

// A single tag, an 802.1ad stack, tags over IPv6, and tags that fill a minimum-size frame.
std::vector<Bytes> VlanFrames()
{
    const TcpSegment syn{1025, 80, 1000, 0, 0x02, 8192, 1460, {}};
    Bytes tagsOnly(kClientMac.begin(), kClientMac.end());
    tagsOnly.insert(tagsOnly.end(), kServerMac.begin(), kServerMac.end());
    for (int i = 0; tagsOnly.size() < 60; ++i) AppendWord(tagsOnly, i % 2 == 0 ? 0x8100 : 100);
    return {
        Tagged(TcpFrame(kServerMac, kClientMac, kClient, kServer, syn), {{0x8100, 100}}),
        Tagged(UdpFrame(kClientMac, kServerMac, kServer, kClient, 53, 3000, DnsAnswer(1, "srv.lan", kServer)),
               {{0x88A8, 300}, {0x8100, 100}}),
        Tagged(Tcp6Frame(kServerMac, kClientMac, kClient6, kServer6, syn), {{0x8100, 0xE064}}),
        Tagged(Padded(EthernetII(kServerMac, kClientMac, 0x0806, Bytes(28, 0))), {{0x88A8, 7}, {0x8100, 8}, {0x8100, 9}}),
        tagsOnly,
    };
}

// TCP, UDP and ICMPv6 over IPv6, bare and behind extension headers.
std::vector<Bytes> Ipv6Frames()
{
    const TcpSegment syn{1025, 80, 1000, 0, 0x02, 8192, 1440, {}};
    const TcpSegment data{1025, 80, 1001, 5000, 0x18, 8192, 0, Bytes(600, 0x41)};
    const Bytes udp = Udp(kClient6, kServer6, 3000, 53, DnsQuery(2, "srv.lan", 28));
    Ipv6Options chain;
    chain.Extensions = {PaddedOptions(0), PaddedOptions(60)};
    Ipv6Options routing;
    routing.Extensions = {{43, Bytes(22, 0)}};
    // A jumbogram: payload length 0, its length in the hop-by-hop jumbo option.
    Ipv6Options jumbo;
    jumbo.PayloadLength = 0;
    jumbo.Extensions = {{0, {0xC2, 0x04, 0, 0, 0, static_cast<uint8_t>(8 + udp.size())}}};
    Ipv6Options first, second;
    first.Extensions = {Ipv6Fragment(0, true, 0x5151)};
    second.Extensions = {Ipv6Fragment(1, false, 0x5151)};
    return {
        Tcp6Frame(kServerMac, kClientMac, kClient6, kServer6, syn),
        Tcp6Frame(kServerMac, kClientMac, kClient6, kServer6, data),
        Udp6Frame(kServerMac, kClientMac, kClient6, kServer6, 3000, 53, DnsQuery(2, "srv.lan", 28)),
        Udp6Frame(kClientMac, kServerMac, kServer6, kClient6, 53, 3000, DnsAnswer(2, "srv.lan", kClient6)),
        Icmpv6EchoFrame(kServerMac, kClientMac, kClient6, kServer6, 128, 1),
        Icmpv6EchoFrame(kClientMac, kServerMac, kServer6, kClient6, 129, 1),
        Ipv6Ethernet(Ipv6(kClient6, kServer6, 17, Bytes(udp.begin(), udp.begin() + 8), first)),
        Ipv6Ethernet(Ipv6(kClient6, kServer6, 17, Bytes(udp.begin() + 8, udp.end()), second)),
        Ipv6Ethernet(Ipv6(kClient6, kServer6, 17, udp, chain)),
        Cut(Ipv6Ethernet(Ipv6(kClient6, kServer6, 6, Tcp(kClient6, kServer6, data), routing)), 14 + 40 + 12),
        Ipv6Ethernet(Ipv6(kClient6, kServer6, 17, udp, jumbo)),
    };
}

// IPv6 in SNAP on Token Ring, whole and cut short in its IPv6 and TCP headers.
std::vector<Bytes> TokenRingIpv6Frames()
{
    const TcpSegment data{1025, 80, 1001, 5000, 0x18, 8192, 0, Bytes(200, 0x42)};
    const Bytes snap = Concat({0x00, 0x00, 0x00, 0x86, 0xDD}, Ipv6(kClient6, kServer6, 6, Tcp(kClient6, kServer6, data)));
    const Bytes routed = TokenRingLlc(kServerMac, kClientMac, {0x02, 0x30}, 0xAA, snap);
    const Bytes plain = TokenRingLlc(kServerMac, kClientMac, {}, 0xAA, snap);
    return {plain, routed, Cut(plain, 14 + 8 + 20), Cut(routed, 16 + 8 + 40 + 10)};
}

Bytes FrameInput(TopologyCode topology, const std::vector<Bytes>& frames)
{
    Bytes input{static_cast<uint8_t>(CodeIndex(topology))};
    for (const Bytes& frame : frames) fuzz::AppendFrame(input, frame, fuzz::kFlagMilliseconds, 0, 1);
    return input;
}

// Frame inputs of tagged and IPv6 frames, and a Sniffer trace of them for the readers.
void SaveVlanAndIpv6Seeds(const fs::path& out, TempDir& dir)
{
    const std::vector<Bytes> vlan = VlanFrames(), ipv6 = Ipv6Frames();
    Save(out / "analyze_frames", "vlan.bin", FrameInput(kTopologyEthernet, vlan));
    Save(out / "analyze_frames", "ipv6.bin", FrameInput(kTopologyEthernet, ipv6));
    Save(out / "analyze_frames", "ipv6-ring.bin", FrameInput(kTopologyTokenRing, TokenRingIpv6Frames()));
    std::vector<Frame> frames;
    for (const std::vector<Bytes>* list : {&vlan, &ipv6})
        for (const Bytes& bytes : *list) frames.push_back({bytes, frames.size() * 1000.0});
    const Bytes trace = fuzz::SnifferTrace(frames, false, false, dir);
    Save(out / "read_trace", "vlan-ipv6.bin", fuzz::EncodeReadTraceInput(kFormatSniffer, kTopologyEthernet, false, trace));
    Save(out / "reader_sniffer", "vlan-ipv6.bin", fuzz::EncodeReaderInput(kFormatSniffer, kTopologyEthernet, false, trace));
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
    SaveVlanAndIpv6Seeds(out, dir);

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
