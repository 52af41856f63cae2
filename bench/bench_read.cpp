// Read benchmark: writes a synthetic Ethernet Sniffer trace of about 1.5 million
// frames (some 1 GB) of mixed office traffic among about 1000 stations and 300
// network hosts, once plain and once compressed, and the same traffic as a pcap
// file; reads each file the way the program does, and prints frames per second,
// megabytes per second and the peak memory of the read. The files are deleted
// afterwards.
//
// usage: quenlix-bench [--frames N] [--ipv6] [--keep] [FOLDER]
//        quenlix-bench --read FILE
//        quenlix-bench --peer-hosts N [--frames N] [--ipv6]
//        quenlix-bench --flood-hosts N [--ipv6]
//        quenlix-bench --toolbox
//   FOLDER defaults to a new folder under the system's temporary folder.
//   --keep leaves the three files in FOLDER; --read only reads an existing
//   Ethernet Sniffer or pcap trace (for profiling the read on its own);
//   --peer-hosts writes a trace of N network clients and times the client/server
//   table, the peer maps and the toolbox on it; --toolbox only times the toolbox
//   on a conversation of a million frames; --flood-hosts writes a pcap trace of
//   N minimum-size frames, each from a new station and IP host (a flood or a
//   scan), reads it (the memory that every new host costs) and builds the network
//   and station windows over it (a row and a map point per host). --ipv6 makes the
//   same traffic over IPv6 (TCP, DNS, pings and NTP; the flood from new IPv6
//   hosts), to compare speed and memory per node with IPv4's.
//
// Targets: at least 2 million frames per second on the plain file, the pcap file
// read at least as fast, and a read's peak memory no more than twice the file's
// size; on the largest conversation, the toolbox's first paint under 200 ms,
// latency and throughput under 100 ms each.

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "EngineFeeder.h"
#include "PcapWriter.h"
#include "SnifferWriter.h"
#include "TrafficGenerator.h"
#include "import/TraceImport.h"
#include "model/AnalysisState.h"
#include "model/ReadHost.h"
#include "ui/analysis/AnalysisContent.h"
#include "ui/analysis/ToolboxContent.h"
#include "ui/main/ClientServerContent.h"
#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/StationStatsContent.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kDefaultFrames = 1'500'000;
constexpr double kMegabyte = 1024.0 * 1024.0;

struct BenchOptions {
    uint64_t Frames = kDefaultFrames;
    std::string Folder;  // empty: a temporary folder of our own
    std::string ReadOnly;  // a trace to read without writing any
    bool Keep = false;
    int PeerHosts = 0;  // --peer-hosts N: a trace of N network clients for the peer maps only
    int FloodHosts = 0;  // --flood-hosts N: a trace of N frames from N new hosts, read only
    bool ToolboxOnly = false;
    bool Ipv6 = false;  // --ipv6: the generated traces carry their IP traffic over IPv6
};

bool ParseOptions(int argc, char** argv, BenchOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--frames" && i + 1 < argc) {
            options.Frames = std::strtoull(argv[++i], nullptr, 10);
            if (options.Frames == 0) return false;
        } else if (arg == "--read" && i + 1 < argc) {
            options.ReadOnly = argv[++i];
        } else if (arg == "--peer-hosts" && i + 1 < argc) {
            options.PeerHosts = std::atoi(argv[++i]);
            if (options.PeerHosts <= 0) return false;
        } else if (arg == "--flood-hosts" && i + 1 < argc) {
            options.FloodHosts = std::atoi(argv[++i]);
            if (options.FloodHosts <= 0) return false;
        } else if (arg == "--ipv6") {
            options.Ipv6 = true;
        } else if (arg == "--toolbox") {
            options.ToolboxOnly = true;
        } else if (arg == "--keep") {
            options.Keep = true;
        } else if (!arg.empty() && arg[0] != '-' && options.Folder.empty()) {
            options.Folder = arg;
        } else {
            return false;
        }
    }
    return true;
}

quenlix::traffic::TrafficProfile BenchProfile(uint64_t frames, bool ipv6)
{
    quenlix::traffic::TrafficProfile profile;
    profile.Seed = 20250101;
    profile.IpServers = 10;
    profile.IpClients = 200;
    profile.NetWareServers = 4;
    profile.IpxClients = 80;  // dual-stack workstations
    profile.LlcOnlyStations = 786;
    profile.ConversationsPerSecond = 40.0;
    profile.DurationMicros = UINT64_MAX;
    profile.FrameLimit = frames;
    profile.MaxResponseBytes = 40'000;
    profile.SapIntervalSeconds = 60.0;
    profile.DamagedFrames = true;
    profile.RetransmitChance = 0.002;
    profile.Ipv6 = ipv6;
    return profile;
}

// The process's peak resident memory in kilobytes since the last reset: VmHWM
// of /proc/self/status, else getrusage's maximum (which cannot be reset).
long PeakMemoryKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// User plus system CPU time of the process so far, in seconds: on a busy machine
// this says more about the reader's speed than the wall clock.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long CurrentMemoryKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

// Starts a new peak-memory measurement (Linux: writing 5 to clear_refs resets VmHWM).
bool ResetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

struct WriteResult {
    uint64_t Frames = 0;
    uint64_t FrameBytes = 0;
    double Seconds = 0;
};

// The capture start of the pcap copy: its time stamps count from 1970.
constexpr uint64_t kPcapStartMicros = 1'735'689'600ull * 1'000'000;  // 1 January 2025

// Writes the same traffic to the three files in one pass.
WriteResult WriteTraces(const BenchOptions& options, const fs::path& plain, const fs::path& compressed,
                        const fs::path& pcap)
{
    quenlix::testing::PcapFileWriter pcapWriter(pcap.string(), {});
    quenlix::testing::PcapPacket packet;
    quenlix::testing::SnifferFileOptions fileOptions;
    fileOptions.NetworkType = 1;
    fileOptions.TimeUnit = 5;
    quenlix::testing::SnifferWriter plainWriter(plain.string(), fileOptions);
    fileOptions.Compressed = true;
    quenlix::testing::SnifferWriter compressedWriter(compressed.string(), fileOptions);

    const auto start = Clock::now();
    quenlix::traffic::TrafficGenerator generator(BenchProfile(options.Frames, options.Ipv6));
    quenlix::traffic::GeneratedFrame frame;
    quenlix::testing::SnifferFrame record;
    WriteResult result;
    while (generator.Next(frame)) {
        record.TimeCount = frame.TimeMicros;
        record.Bytes = std::move(frame.Bytes);
        record.Status = frame.BadFcs ? 0x80 : 0x00;
        result.FrameBytes += record.Bytes.size();
        plainWriter.AddFrame(record);
        compressedWriter.AddFrame(record);
        packet.Stamp = kPcapStartMicros + frame.TimeMicros;
        packet.Bytes.swap(record.Bytes);
        pcapWriter.AddPacket(packet);
        packet.Bytes.swap(record.Bytes);
    }
    plainWriter.Finish();
    compressedWriter.Finish();
    pcapWriter.Finish();
    result.Frames = generator.FramesEmitted();
    result.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

// Text measured as the map's 8-point Arial roughly measures it: the map's work
// without a windowing system (the widget adds only the drawing itself).
class ApproximateMetrics : public quenlix::RingTextMetrics {
public:
    int TextWidth(const std::string& text, int pointSize) const override
    {
        return static_cast<int>(text.size()) * pointSize * 3 / 4;
    }
    int TextHeight(const std::string&, int pointSize) const override { return pointSize + 5; }
};

// The statistics grids of both windows and one map of each, on a 760 x 560 paint box.
void BenchPeerMaps(const char* label, quenlix::AnalysisState& state)
{
    auto time = [&](const char* what, auto&& work) {
        const double cpuStart = CpuSeconds();
        const auto start = Clock::now();
        const std::string result = work();
        std::printf("%-10s %s: %s in %.3f s (%.3f s of CPU)\n", label, what, result.c_str(),
                    std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpuStart);
    };
    const ApproximateMetrics metrics;
    quenlix::NetworkStatisticsContent network(state);
    quenlix::StationStatsContent stations(state);
    // A paint as the window does it: the map laid out, its points kept by the content.
    const auto paint = [&](quenlix::PeerWindowContent& window, int width, int height) -> const quenlix::PeerMapDrawing& {
        return window.BuildMap(width, height, metrics);
    };
    time("network grid", [&] {
        network.Rebuild();
        return std::to_string(network.ViewableRowCount()) + " rows";
    });
    time("station grid", [&] {
        stations.Rebuild();
        return std::to_string(stations.ViewableRowCount()) + " rows";
    });
    time("network map", [&] {
        const auto& map = paint(network, 760, 560);
        return std::to_string(map.Labels.size()) + " stations, " + std::to_string(map.Segments.size()) + " line parts";
    });
    time("station map", [&] {
        const auto& map = paint(stations, 760, 560);
        return std::to_string(map.Labels.size()) + " stations, " + std::to_string(map.Segments.size()) + " line parts";
    });
    // Later paints (a resize, a key) reuse the chains walked by the first.
    time("network map again", [&] {
        return std::to_string(paint(network, 700, 500).Labels.size()) + " stations";
    });
    time("station map again", [&] {
        return std::to_string(paint(stations, 700, 500).Labels.size()) + " stations";
    });
}

// The toolbox on the trace's largest conversation: the first paint of the
// ladder (every packet of both directions walked, the rows of one screen laid
// out) and the latency and throughput runs of both directions.
void BenchToolbox(const char* label, const quenlix::AnalysisState& state)
{
    using namespace quenlix;
    ToolboxSelection selection;
    const ToolboxOptions options;
    RebuildToolbox(state, selection, options);
    int best = 0, bestSource = -1, bestTarget = -1, bestApp = -1;
    for (int source = 0; source < static_cast<int>(selection.SourceNodes.size()); ++source) {
        int target = 0;
        for (int32_t peer = FirstNetPeer(state, *selection.SourceNodes[static_cast<size_t>(source)]); peer >= 0;
             peer = NextNetPeer(state, peer), ++target) {
            int app = 0;
            for (int32_t head = FirstTransHead(state, peer); head >= 0; head = NextTransHead(state, head), ++app) {
                int packets = 0;
                for (int32_t p = FirstPacketOf(state, head); p >= 0; p = NextPacketOf(state, p)) ++packets;
                if (packets > best) best = packets, bestSource = source, bestTarget = target, bestApp = app;
            }
        }
    }
    if (bestSource < 0) return;
    SelectSource(state, selection, options, bestSource);
    SelectTarget(state, selection, bestTarget);
    SelectApp(selection, bestApp);
    const auto timed = [](auto&& work) {
        const auto start = Clock::now();
        work();
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    LadderLayout ladder;
    LadderCache cache;
    const double paint = timed([&] { ladder = LayOutLadder(state, selection, options, 0, 768, &cache); });
    LadderLayout scrolled;
    const double scroll =
        timed([&] { scrolled = LayOutLadder(state, selection, options, ladder.Height / 2, ladder.Height / 2 + 768, &cache); });
    int32_t row = -1;
    const double goTo = timed([&] { row = LadderRowOfFrame(state, cache, state.TotalFrames / 2); });
    const double page = timed([&] { row = LadderPageFrom(cache, row, 768); });
    // A text no row holds: the find walks every row once.
    const double find = timed([&] { row = FindLadderText(state, selection, options, cache, row, "no such text"); });
    LatencyContent latency;
    const double latencyMs = timed([&] { latency = BuildLatency(state, selection, {}); });
    ThroughputContent throughput;
    const double throughputMs = timed([&] { throughput = BuildThroughput(state, selection, {}); });
    std::printf("%-10s toolbox on %s %s -> %s (%d packets one way, %d rows): first paint %.1f ms (%zu rows laid out), "
                "mid-ladder paint after a scroll %.3f ms, go to a frame %.3f ms, page down %.3f ms, "
                "find through every row %.1f ms, latency %.1f ms, throughput %.1f ms\n",
                label, selection.ConversationText.c_str(), selection.SenderText.c_str(), selection.ResponderText.c_str(),
                best, ladder.RowCount, paint, ladder.Rows.size(), scroll, goTo, page, find, latencyMs, throughputMs);
}

// One TCP download of a million frames (data one way, acknowledgements the
// other), fed straight to the engine: the toolbox's figures on a conversation
// far longer than any of the generated office traffic.
void BenchHugeConversation(int segments)
{
    using namespace quenlix;
    using namespace quenlix::testing;
    auto state = std::make_unique<AnalysisState>();
    EngineFeeder feeder(*state);
    const Mac clientMac = MacOf(1), serverMac = MacOf(2);
    const Ip client{10, 9, 0, 1}, server{10, 9, 0, 2};
    double time = 0;
    for (int i = 0; i < segments; ++i) {
        const uint32_t seq = 1000 + static_cast<uint32_t>(i) * 1460;
        TcpSegment data{80, 40000, seq, 1, 0x10, 8192, 0, Bytes(1460, 0x55), false};
        feeder.Feed(TcpFrame(clientMac, serverMac, server, client, data), time += 1200);
        TcpSegment ack{40000, 80, 1, seq + 1460, 0x10, 65535, 0, {}, false};
        feeder.Feed(TcpFrame(serverMac, clientMac, client, server, ack), time += 60);
    }
    feeder.Finish();
    state->TotalFrames = feeder.FrameNo();  // what the read's driver keeps
    BenchToolbox("huge", *state);
}

// Reads one file as the program does and prints the read's speed and peak
// memory; null when the file is not an Ethernet Sniffer or pcap trace.
std::unique_ptr<quenlix::AnalysisState> TimedRead(const char* label, const fs::path& path)
{
    auto state = std::make_unique<quenlix::AnalysisState>();
    quenlix::SilentHost host;
    const std::string name = path.string();
    const quenlix::FormatDetection format = quenlix::DetectTraceFormat(*state, name, host);
    const quenlix::TopologyDetection topology = quenlix::DetectTopology(*state, format.Code, name, host);
    const bool known = format.Code == quenlix::kFormatSniffer || format.Code == quenlix::kFormatPcap;
    if (!known || topology.Code != quenlix::kTopologyEthernet) {
        std::printf("%-10s not recognised as an Ethernet Sniffer or pcap trace\n", label);
        return nullptr;
    }
    state->Read.TraceFileName = name;
    state->Read.TraceFormat = format.Code;
    state->Topology = topology.Code;

    const long before = CurrentMemoryKilobytes();
    const bool peakReset = ResetPeakMemory();
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    quenlix::ReadTraceFile(*state, false, host);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpuSeconds = CpuSeconds() - cpuStart;
    const long peak = PeakMemoryKilobytes();

    const double fileMegabytes = static_cast<double>(fs::file_size(path)) / kMegabyte;
    const double peakMegabytes = static_cast<double>(peak) / 1024.0;
    const double frames = static_cast<double>(state->TotalFrames);
    std::printf("%-10s %lld frames in %.3f s (%.3f s of CPU): %.0f frames/s, %.1f MB/s (per CPU second: %.0f frames/s, %.1f MB/s)\n",
                label, static_cast<long long>(state->TotalFrames), seconds, cpuSeconds, frames / seconds, fileMegabytes / seconds,
                frames / cpuSeconds, fileMegabytes / cpuSeconds);
    std::printf("%-10s file %.1f MB, peak memory %.1f MB = %.2f x file (%.1f MB before the read)%s\n", label,
                fileMegabytes, peakMegabytes, peakMegabytes / fileMegabytes, static_cast<double>(before) / 1024.0,
                peakReset ? "" : " [peak since the process started]");
    if (state->Read.ReadResult != 0) std::printf("%-10s read ended with result %d\n", label, state->Read.ReadResult);
    return state;
}

// Reads one file as the program does and prints its figures; false when the read failed.
bool BenchRead(const char* label, const fs::path& path)
{
    const std::unique_ptr<quenlix::AnalysisState> state = TimedRead(label, path);
    if (!state) return false;

    // The client/server table: two transaction analyses per conversation on top of the read.
    quenlix::ClientServerContent table;
    quenlix::InitServerGrid(table);
    const double tableCpuStart = CpuSeconds();
    const auto tableStart = Clock::now();
    quenlix::UpdateServerGrid(*state, table);
    std::printf("%-10s client/server table: %d rows in %.3f s (%.3f s of CPU)\n", label, table.ServerRowCount,
                std::chrono::duration<double>(Clock::now() - tableStart).count(), CpuSeconds() - tableCpuStart);
    BenchPeerMaps(label, *state);
    BenchToolbox(label, *state);
    return state->Read.ReadResult == 0;
}

// A trace in which every one of PeerHosts clients talks to the servers, for the
// peer maps' figures on a very large network.
bool BenchManyHosts(const BenchOptions& options)
{
    const fs::path path = fs::temp_directory_path() / ("quenlix-bench-hosts-" + std::to_string(getpid()) + ".enc");
    quenlix::traffic::TrafficProfile profile = BenchProfile(options.Frames, options.Ipv6);
    profile.IpClients = options.PeerHosts;
    profile.IpxClients = 0;
    profile.LlcOnlyStations = 0;
    profile.ConversationsPerSecond = 2000.0;
    profile.MaxResponseBytes = 2'000;
    quenlix::testing::SnifferFileOptions fileOptions;
    fileOptions.NetworkType = 1;
    fileOptions.TimeUnit = 5;
    {
        quenlix::testing::SnifferWriter writer(path.string(), fileOptions);
        quenlix::traffic::TrafficGenerator generator(profile);
        quenlix::traffic::GeneratedFrame frame;
        quenlix::testing::SnifferFrame record;
        while (generator.Next(frame)) {
            record.TimeCount = frame.TimeMicros;
            record.Bytes = std::move(frame.Bytes);
            writer.AddFrame(record);
        }
        writer.Finish();
    }
    const bool ok = BenchRead("hosts", path);
    std::error_code ignored;
    fs::remove(path, ignored);
    return ok;
}

// Minimum-size UDP frames, each from a host never seen before (its own station
// address and IP address, IPv4 or IPv6) to one server: every frame adds a station,
// a network node and their conversation records, the worst case of the memory a
// read takes.
bool BenchFloodHosts(int hosts, bool ipv6)
{
    using namespace quenlix::testing;
    const fs::path path = fs::temp_directory_path() / ("quenlix-bench-flood-" + std::to_string(getpid()) + ".pcap");
    {
        PcapFileWriter writer(path.string(), {});
        PcapPacket packet;
        const Mac serverMac = MacOf(1);
        const Ip server{10, 0, 0, 1};
        const Ip6 server6 = Ip6Of({0xFD00, 0x0099, 0x0002, 0, 0, 0, 0, 1});
        for (int i = 0; i < hosts; ++i) {
            const uint32_t host = static_cast<uint32_t>(i) + 2;
            const Mac mac{0x02, 0x00, static_cast<uint8_t>(host >> 24), static_cast<uint8_t>(host >> 16),
                          static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host)};
            const Ip ip{static_cast<uint8_t>(11 + (host >> 24)), static_cast<uint8_t>(host >> 16),
                        static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host)};
            packet.Stamp = kPcapStartMicros + static_cast<uint64_t>(i) * 10;
            const Ip6 ip6 = Ip6Of({0xFD00, 0x0099, 0x0002, 0, 0, 0, static_cast<uint16_t>(host >> 16), static_cast<uint16_t>(host)});
            packet.Bytes = ipv6 ? Udp6Frame(serverMac, mac, ip6, server6, 40000, 53, Bytes(4, 0))
                                : Padded(UdpFrame(serverMac, mac, ip, server, 40000, 53, Bytes(4, 0)));
            writer.AddPacket(packet);
        }
        writer.Finish();
    }
    sync();
    const std::unique_ptr<quenlix::AnalysisState> state = TimedRead("flood", path);
    const bool ok = state != nullptr;
    if (ok) {
        // The windows that list every host: a row and a map point per new host.
        BenchPeerMaps("flood", *state);
        const double fileMegabytes = static_cast<double>(fs::file_size(path)) / kMegabyte;
        const double peakMegabytes = static_cast<double>(PeakMemoryKilobytes()) / 1024.0;
        std::printf("%-10s with the network and station windows: peak memory %.1f MB = %.2f x file\n", "flood",
                    peakMegabytes, peakMegabytes / fileMegabytes);
    }
    std::error_code ignored;
    fs::remove(path, ignored);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    BenchOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: quenlix-bench [--frames N] [--ipv6] [--keep] [FOLDER]\n       quenlix-bench --read FILE\n       quenlix-bench --peer-hosts N [--frames N] [--ipv6]\n       quenlix-bench --flood-hosts N [--ipv6]\n       quenlix-bench --toolbox\n");
        return 2;
    }
    if (!options.ReadOnly.empty()) return BenchRead("read", options.ReadOnly) ? 0 : 1;
    if (options.PeerHosts > 0) return BenchManyHosts(options) ? 0 : 1;
    if (options.FloodHosts > 0) return BenchFloodHosts(options.FloodHosts, options.Ipv6) ? 0 : 1;
    if (options.ToolboxOnly) {
        BenchHugeConversation(500000);
        return 0;
    }
    const bool ownFolder = options.Folder.empty();
    fs::path folder;
    try {
        if (ownFolder) {
            std::string pattern = (fs::temp_directory_path() / "quenlix-bench-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
            folder = pattern;
        } else {
            folder = options.Folder;
            fs::create_directories(folder);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenlix-bench: %s\n", error.what());
        return 1;
    }

    const fs::path plain = folder / "bench-plain.enc";
    const fs::path compressed = folder / "bench-compressed.enc";
    const fs::path pcap = folder / "bench.pcap";
    bool ok = false;
    try {
        const WriteResult written = WriteTraces(options, plain, compressed, pcap);
        std::printf("wrote %llu frames (%.1f MB of frame data) in %.1f s: plain %.1f MB, compressed %.1f MB, pcap %.1f MB\n",
                    static_cast<unsigned long long>(written.Frames), static_cast<double>(written.FrameBytes) / kMegabyte,
                    written.Seconds, static_cast<double>(fs::file_size(plain)) / kMegabyte,
                    static_cast<double>(fs::file_size(compressed)) / kMegabyte,
                    static_cast<double>(fs::file_size(pcap)) / kMegabyte);
        std::fflush(stdout);
        // Let the kernel write the new files out first: its writeback would otherwise
        // compete with the reads for the second core and be charged to them.
        sync();
        ok = BenchRead("plain", plain);
        std::fflush(stdout);
        ok = BenchRead("compressed", compressed) && ok;
        std::fflush(stdout);
        ok = BenchRead("pcap", pcap) && ok;
        BenchHugeConversation(500000);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenlix-bench: %s\n", error.what());
    }

    std::error_code ignored;
    if (options.Keep) return ok ? 0 : 1;
    fs::remove(plain, ignored);
    fs::remove(compressed, ignored);
    fs::remove(pcap, ignored);
    if (ownFolder) fs::remove(folder, ignored);
    return ok ? 0 : 1;
}
