// Recognising a trace file: its analyser format from the name and the first 200
// bytes, then the medium it was captured on.

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>
#include <initializer_list>

#include "import/LocalAddressTable.h"
#include "import/TraceImport.h"
#include "import/TraceInput.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr const char* kAppTitle = "Quenlix";
constexpr const char* kOpenFailedText = "Unable to open file.  Check the path and file Name.";
constexpr const char* kTooShortText = "File too short.";
constexpr const char* kReadFailedText = "Unable to read file.  The disk or the network may have failed.";

constexpr int64_t kMinTraceBytes = 40;
constexpr int64_t kMinTopologyBytes = 50;
constexpr std::size_t kFormatHeaderBytes = 200;
constexpr std::size_t kTopologyHeaderBytes = 140;
constexpr int64_t kMinLan900Bytes = 0x20000;

// A fixed-size window on the start of a file; bytes past the end of the file read as zeros.
template <std::size_t N>
struct HeaderBytes {
    std::array<uint8_t, N> Bytes{};

    bool Load(TraceInput& input)
    {
        input.Read(Bytes.data(), N);
        return !input.Failed();
    }
    uint8_t At(std::size_t offset) const { return offset < N ? Bytes[offset] : 0; }
    uint16_t U16(std::size_t offset) const { return static_cast<uint16_t>(At(offset) | At(offset + 1) << 8); }
    int32_t I32(std::size_t offset) const
    {
        return static_cast<int32_t>(static_cast<uint32_t>(U16(offset)) | static_cast<uint32_t>(U16(offset + 2)) << 16);
    }
    std::string_view Text() const { return {reinterpret_cast<const char*>(Bytes.data()), N}; }
    bool StartsWith(std::string_view magic) const { return Text().substr(0, magic.size()) == magic; }
    bool Contains(std::string_view text) const { return Text().find(text) != std::string_view::npos; }
};

using FormatHeader = HeaderBytes<kFormatHeaderBytes>;
using TopologyHeader = HeaderBytes<kTopologyHeaderBytes>;

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool Has(const std::string& upperPath, std::string_view part) { return upperPath.find(part) != std::string::npos; }

DetectionResult Refuse(ReadHost& host, const std::string& text, uint8_t code = kFormatUnknown)
{
    host.ShowMessage(MessageIcon::Error, kAppTitle, text);
    return {code, true};
}

// The message for a file that would not open: a folder or a pipe is named as such.
std::string OpenFailureText(const TraceInput& input, const std::string& fileName)
{
    return input.OpenError() == TraceInput::kNotARegularFile ? NotARegularFileText(fileName) : kOpenFailedText;
}

// The format tests in the order that settles overlaps: the first match wins.
uint8_t MatchFormat(const FormatHeader& h, const std::string& path, int64_t fileSize, AnalysisState& state)
{
    const uint16_t w0 = h.U16(0);
    const uint8_t b40 = h.At(40);
    const uint8_t b130 = h.At(130);
    const uint8_t b131Low = h.At(131) & 7;

    if (h.StartsWith("TRS") || h.StartsWith("QLX")) {
        state.SnifferCompressed = (h.U16(35) & 1) == 1 ? 1 : 0;
        return kFormatSniffer;
    }
    if (w0 == 0x1001 || w0 == 0x1007) return kFormatLANalyzer;
    if (h.Contains(std::string_view("\x1a\x00", 2)) && (b40 == 1 || b40 == 3) && Has(path, ".CAP")) return kFormatNetSight;
    if (h.StartsWith("EXRS")) return kFormatDA30;
    if (h.StartsWith("LAN")) return kFormatLANdecoder;
    if (h.StartsWith("PKTDMP")) return kFormatLANWatch;
    if (h.Contains("HPDATA0")) return kFormatInternetworkAdvisor;
    if (b130 >= 1 && b130 <= 3 && (b131Low == 0 || b131Low == 1 || b131Low == 4 || b131Low == 5) && Has(path, ".DGC"))
        return kFormatDataGLANce;
    if (h.At(0) == 'D' && h.I32(22) < 100000 && (Has(path, ".S04") || Has(path, ".T04"))) return kFormatNetLens;
    if (h.Contains("ProbeApps")) return kFormatFireBerd500;
    if (h.StartsWith("RTSS")) return kFormatNetworkMonitor;
    if (Has(path, ".DAT") && fileSize >= kMinLan900Bytes && h.At(0) == 0x03 && h.At(1) == 0x94) return kFormatLAN900;
    if (h.Contains("Observer")) {
        FindAddressTable(state, std::string(h.Text()));
        return kFormatObserver;
    }
    if (Has(path, ".PKT") && (h.At(0) == 6 || h.At(0) == 7)) return kFormatEtherPeek;
    return PcapFormatOf(h.Bytes.data(), h.Bytes.size());
}

// ---- topology -------------------------------------------------------------------

template <std::size_t N>
HeaderBytes<N> ReadAt(TraceInput& input, int64_t offset)
{
    HeaderBytes<N> bytes;
    if (input.Seek(offset)) bytes.Load(input);
    return bytes;
}

uint8_t Da30Topology(TraceInput& input)
{
    const auto header = ReadAt<78>(input, 0);
    const auto descriptor = ReadAt<16>(input, header.I32(22));
    switch (descriptor.I32(4)) {
    case 30: return kTopologyTokenRing;
    case 40: return kTopologyEthernet;
    default: return kTopologyOther;
    }
}

uint8_t FireBerdTopology(TraceInput& input)
{
    const auto recordHeader = ReadAt<10>(input, 76);
    HeaderBytes<3> frame;
    input.Read(frame.Bytes.data(), std::min<std::size_t>(recordHeader.U16(0), frame.Bytes.size()));
    const uint8_t f0 = frame.At(0), f1 = frame.At(1), f2 = frame.At(2);
    if ((f0 & 0x10) == 0 || f0 == 0xFF) return kTopologyEthernet;
    if (f0 != 0x10 || f1 != 0) return kTopologyTokenRing;
    return f2 == 0x5A || f2 == 0x5D || f2 == 0xE0 ? kTopologyEthernet : kTopologyTokenRing;
}

uint8_t LanalyzerTopology(TraceInput& input)
{
    input.Seek(0);
    for (int record = 0; record < 6; ++record) {
        HeaderBytes<4> header;
        header.Load(input);
        input.Skip(header.U16(2));
    }
    HeaderBytes<4> header;
    header.Load(input);
    HeaderBytes<210> body;
    body.Load(input);
    switch (body.U16(188)) {
    case 226: return kTopologyEthernet;
    case 227:
    case 228: return kTopologyTokenRing;
    default: return kTopologyOther;
    }
}

uint8_t SnifferTopology(uint8_t networkType)
{
    switch (networkType) {
    case 0: return kTopologyTokenRing;
    case 1:
    case 3: return kTopologyEthernet;
    case 2: return kTopologyARCnet;
    case 7: return kTopologyWAN;
    case 9: return kTopologyFDDI;
    default: return kTopologyOther;
    }
}

uint8_t NetLensTopology(const std::string& upperPath)
{
    if (Has(upperPath, ".T04")) return kTopologyTokenRing;
    if (Has(upperPath, ".S04")) return kTopologyEthernet;
    return kTopologyOther;
}

// value -> topology from a small table of (value, topology) pairs; other values are "other".
uint8_t Lookup(int32_t value, std::initializer_list<std::pair<int32_t, uint8_t>> table)
{
    for (const auto& [key, topology] : table)
        if (value == key) return topology;
    return kTopologyOther;
}

uint8_t TopologyOfFormat(uint8_t format, TraceInput& input, const TopologyHeader& h, const std::string& upperPath)
{
    constexpr uint8_t E = kTopologyEthernet, T = kTopologyTokenRing;
    switch (format) {
    case kFormatDA30: return Da30Topology(input);
    case kFormatDataGLANce: return Lookup(h.At(130), {{1, kTopologyFDDI}, {2, T}, {3, E}});
    case kFormatFireBerd500: return FireBerdTopology(input);
    case kFormatInternetworkAdvisor: return Lookup(h.I32(24), {{1, E}, {2, E}, {5, E}, {3, T}, {4, T}});
    case kFormatLANalyzer: return LanalyzerTopology(input);
    case kFormatLANdecoder: return Lookup(h.At(90), {{1, E}, {2, T}});
    case kFormatLANWatch: return Lookup(h.At(13), {{1, E}, {3, T}});
    case kFormatNetLens: return NetLensTopology(upperPath);
    case kFormatNetSight: return Lookup(h.U16(40), {{1, E}, {3, T}});
    case kFormatNetworkMonitor: return Lookup(h.At(6), {{1, E}, {2, T}});
    case kFormatSniffer: return SnifferTopology(h.At(32));
    case kFormatObserver: return Lookup(h.I32(133), {{0, E}, {1, T}, {2, kTopologyFDDI}});
    case kFormatEtherPeek: return E;
    case kFormatPcap:
    case kFormatPcapNG: return PcapTopology(input);
    default: return kTopologyOther;
    }
}

// A LAN900 trace names its medium in every frame record: a count-only pass of the
// reader finds the first frame the way the real read will and leaves its medium in
// ProbedTopology.
DetectionResult Lan900TopologyByProbeRead(AnalysisState& state, const std::string& fileName, ReadHost& host)
{
    state.TraceFileName = fileName;
    state.TraceFormat = kFormatLAN900;
    state.ProbedTopology = kTopologyOther;
    ReadTraceFile(state, true, host);
    return {state.ProbedTopology, false};
}

}  // namespace

DetectionResult DetectTraceFormat(AnalysisState& state, const std::string& fileName, ReadHost& host)
{
    TraceInput input(kFormatHeaderBytes);
    if (!input.Open(fileName)) return Refuse(host, OpenFailureText(input, fileName));
    const int64_t fileSize = input.Size();
    if (fileSize < kMinTraceBytes) return Refuse(host, kTooShortText);
    FormatHeader header;
    if (!header.Load(input)) return Refuse(host, kReadFailedText);
    input.Close();

    state.SnifferCompressed = 0;
    state.AddressTableName = "LocalAddressTable.adr";
    return {MatchFormat(header, UpperCase(fileName), fileSize, state), false};
}

DetectionResult DetectTopology(AnalysisState& state, uint8_t format, const std::string& fileName, ReadHost& host)
{
    TraceInput input(64 * 1024);
    if (!input.Open(fileName)) {
        if (input.OpenError() == EACCES) return {kTopologyOther, false};
        return Refuse(host, OpenFailureText(input, fileName), kTopologyOther);
    }
    // Too short to hold one frame of any format: the same answer as detection gives a shorter file.
    if (input.Size() < kMinTopologyBytes) return Refuse(host, kTooShortText, kTopologyOther);
    if (format == kFormatLAN900) {
        input.Close();
        return Lan900TopologyByProbeRead(state, fileName, host);
    }
    TopologyHeader header;
    header.Load(input);
    return {TopologyOfFormat(format, input, header, UpperCase(fileName)), false};
}

void GetAnalyzerName(uint8_t format, std::string& name)
{
    static constexpr std::array<const char*, 17> kNames = {
        "DA-30",   "DataGLANce", "FireBerd 500", "Internetwork Advisor", "LAN900",   "LANalyzer",
        "LANdecoder", "LANWatch", "NetLens",     "LANDesk/NetSight",     "Network Monitor", "Sniffer",
        nullptr,   "Observer",   "EtherPeek",    "pcap",                 "pcapng"};
    if (format < kNames.size() && kNames[format] != nullptr) name = kNames[format];
}

double TicksToMicroseconds(uint16_t high, uint16_t low, uint16_t count)
{
    return (static_cast<double>(high) * 65536.0 + low) * kTickMicroseconds + count * kTimerCountMicroseconds;
}

}  // namespace quenlix
