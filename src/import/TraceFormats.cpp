// The table of trace formats, built from the rows of TraceFormatTable.def: how
// each is recognised, which medium it holds and which reader reads it.

#include "import/TraceFormats.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <optional>
#include <utility>

#include "import/LocalAddressTable.h"
#include "model/StringHelpers.h"

namespace quenlix {

// The readers of the format families, each defined in its own reader file.
std::unique_ptr<TraceReader> MakeSnifferReader();
std::unique_ptr<TraceReader> MakeLANdecoderReader();
std::unique_ptr<TraceReader> MakeNetMonReader();
std::unique_ptr<TraceReader> MakeEtherPeekReader();
std::unique_ptr<TraceReader> MakeObserverReader();
std::unique_ptr<TraceReader> MakeLANalyzerReader();
std::unique_ptr<TraceReader> MakeDA30Reader();
std::unique_ptr<TraceReader> MakeDataGLANceReader();
std::unique_ptr<TraceReader> MakeFireBerdReader();
std::unique_ptr<TraceReader> MakeNetLensReader();
std::unique_ptr<TraceReader> MakeAdvisorReader();
std::unique_ptr<TraceReader> MakeLAN900Reader();
std::unique_ptr<TraceReader> MakeLANWatchReader();
std::unique_ptr<TraceReader> MakeNetSightReader();
std::unique_ptr<TraceReader> MakePcapReader();
// pcap and pcapng files: kFormatPcap or kFormatPcapNG for a file that starts with
// these bytes (at least 12 of them), kFormatUnknown otherwise; and the medium of
// the file's link type (of a pcapng file's first Ethernet or Token Ring interface).
[[nodiscard]] TraceFormatCode PcapFormatOf(const uint8_t* header, std::size_t size);
[[nodiscard]] TopologyCode PcapTopology(TraceInput& input);

namespace {

constexpr int64_t kMinLan900Bytes = 0x20000;
constexpr TopologyCode E = kTopologyEthernet;
constexpr TopologyCode T = kTopologyTokenRing;

// value -> topology from a small table of (value, topology) pairs; other values are "other".
TopologyCode Lookup(int32_t value, std::initializer_list<std::pair<int32_t, TopologyCode>> table)
{
    for (const auto& [key, topology] : table)
        if (value == key) return topology;
    return kTopologyOther;
}

// N bytes at offset; none when the offset lies before the file's start or the read fails.
template <std::size_t N>
std::optional<HeaderBytes<N>> ReadAt(TraceInput& input, int64_t offset)
{
    HeaderBytes<N> bytes;
    if (!input.Seek(offset) || !bytes.Load(input)) return std::nullopt;
    return bytes;
}

// ---- detection tests ----

bool SnifferMatches(const FormatProbe& p)
{
    if (!p.Header.StartsWith("TRS") && !p.Header.StartsWith("QLX")) return false;
    p.State.Read.SnifferCompressed = (p.Header.U16(35) & 1) == 1 ? 1 : 0;
    return true;
}

bool LanalyzerMatches(const FormatProbe& p) { return p.Header.U16(0) == 0x1001 || p.Header.U16(0) == 0x1007; }

bool NetSightMatches(const FormatProbe& p)
{
    const uint8_t b40 = p.Header.At(40);
    return p.Header.Contains(std::string_view("\x1a\x00", 2)) && (b40 == 1 || b40 == 3) && p.PathHas(".CAP");
}

bool Da30Matches(const FormatProbe& p) { return p.Header.StartsWith("EXRS"); }
bool LandecoderMatches(const FormatProbe& p) { return p.Header.StartsWith("LAN"); }
bool LanwatchMatches(const FormatProbe& p) { return p.Header.StartsWith("PKTDMP"); }
bool AdvisorMatches(const FormatProbe& p) { return p.Header.Contains("HPDATA0"); }

bool DataGlanceMatches(const FormatProbe& p)
{
    const uint8_t b130 = p.Header.At(130);
    const uint8_t b131Low = p.Header.At(131) & 7;
    return b130 >= 1 && b130 <= 3 && (b131Low == 0 || b131Low == 1 || b131Low == 4 || b131Low == 5) &&
           p.PathHas(".DGC");
}

bool NetLensMatches(const FormatProbe& p)
{
    return p.Header.At(0) == 'D' && p.Header.I32(22) < 100000 && (p.PathHas(".S04") || p.PathHas(".T04"));
}

bool FireBerdMatches(const FormatProbe& p) { return p.Header.Contains("ProbeApps"); }
bool NetMonMatches(const FormatProbe& p) { return p.Header.StartsWith("RTSS"); }

bool Lan900Matches(const FormatProbe& p)
{
    return p.PathHas(".DAT") && p.FileSize >= kMinLan900Bytes && p.Header.At(0) == 0x03 && p.Header.At(1) == 0x94;
}

bool ObserverMatches(const FormatProbe& p)
{
    if (!p.Header.Contains("Observer")) return false;
    // A pcap or pcapng file may name the analyser too (an export of an Observer
    // trace names it in its interface block); its first bytes say what it is.
    if (PcapFormatOf(p.Header.Bytes.data(), p.Header.Bytes.size()) != kFormatUnknown) return false;
    FindAddressTable(p.State, std::string(p.Header.Text()));
    return true;
}

bool EtherPeekMatches(const FormatProbe& p)
{
    return p.PathHas(".PKT") && (p.Header.At(0) == 6 || p.Header.At(0) == 7);
}

bool PcapMatches(const FormatProbe& p)
{
    return PcapFormatOf(p.Header.Bytes.data(), p.Header.Bytes.size()) == kFormatPcap;
}

bool PcapNgMatches(const FormatProbe& p)
{
    return PcapFormatOf(p.Header.Bytes.data(), p.Header.Bytes.size()) == kFormatPcapNG;
}

// ---- topology rules of the first 140 bytes ----

TopologyCode SnifferTopology(const TopologyProbe& p)
{
    // The network type of the Sniffer version record.
    return Lookup(p.Header.At(32),
                  {{0, T}, {1, E}, {3, E}, {2, kTopologyARCnet}, {7, kTopologyWAN}, {9, kTopologyFDDI}});
}

TopologyCode NetSightTopology(const TopologyProbe& p) { return Lookup(p.Header.U16(40), {{1, E}, {3, T}}); }
TopologyCode LandecoderTopology(const TopologyProbe& p) { return Lookup(p.Header.At(90), {{1, E}, {2, T}}); }
TopologyCode LanwatchTopology(const TopologyProbe& p) { return Lookup(p.Header.At(13), {{1, E}, {3, T}}); }

TopologyCode AdvisorTopology(const TopologyProbe& p)
{
    return Lookup(p.Header.I32(24), {{1, E}, {2, E}, {5, E}, {3, T}, {4, T}});
}

TopologyCode DataGlanceTopology(const TopologyProbe& p)
{
    return Lookup(p.Header.At(130), {{1, kTopologyFDDI}, {2, T}, {3, E}});
}

TopologyCode NetMonTopology(const TopologyProbe& p) { return Lookup(p.Header.At(6), {{1, E}, {2, T}}); }

// Every frame record names its medium: a count-only pass finds the first frame the
// way the real read will.
TopologyCode Lan900Topology(const TopologyProbe& p) { return p.ProbeRead(); }

TopologyCode ObserverTopology(const TopologyProbe& p)
{
    return Lookup(p.Header.I32(133), {{0, E}, {1, T}, {2, kTopologyFDDI}});
}

TopologyCode EtherPeekTopology(const TopologyProbe&) { return E; }
TopologyCode PcapFileTopology(const TopologyProbe& p) { return PcapTopology(p.Input); }

// ---- topology rules that read past the first 140 bytes ----
// A read that fails leaves the medium unknown.

TopologyCode Da30Topology(const TopologyProbe& p)
{
    const auto header = ReadAt<78>(p.Input, 0);
    const auto descriptor = header ? ReadAt<16>(p.Input, header->I32(22)) : std::nullopt;
    if (!descriptor) return kTopologyOther;
    return Lookup(descriptor->I32(4), {{30, T}, {40, E}});
}

TopologyCode FireBerdTopology(const TopologyProbe& p)
{
    const auto recordHeader = ReadAt<10>(p.Input, 76);
    HeaderBytes<3> frame;
    if (!recordHeader || !frame.Load(p.Input, recordHeader->U16(0))) return kTopologyOther;
    const uint8_t f0 = frame.At(0), f1 = frame.At(1), f2 = frame.At(2);
    if ((f0 & 0x10) == 0 || f0 == 0xFF) return E;
    if (f0 != 0x10 || f1 != 0) return T;
    return f2 == 0x5A || f2 == 0x5D || f2 == 0xE0 ? E : T;
}

TopologyCode LanalyzerTopology(const TopologyProbe& p)
{
    // The medium is in the body of the seventh record.
    if (!p.Input.Seek(0)) return kTopologyOther;
    for (int record = 0; record < 6; ++record) {
        HeaderBytes<4> header;
        // A file that ends among these records has no medium to tell.
        if (!header.Load(p.Input) || !p.Input.Skip(header.U16(2))) return kTopologyOther;
    }
    HeaderBytes<4> header;
    HeaderBytes<210> body;
    if (!header.Load(p.Input) || !body.Load(p.Input)) return kTopologyOther;
    return Lookup(body.U16(188), {{226, E}, {227, T}, {228, T}});
}

TopologyCode NetLensTopology(const TopologyProbe& p)
{
    if (p.UpperPath.find(".T04") != std::string::npos) return T;
    if (p.UpperPath.find(".S04") != std::string::npos) return E;
    return kTopologyOther;
}

OpenFilter Filter(const char* name, std::initializer_list<const char*> patterns)
{
    return {name, std::vector<std::string>(patterns.begin(), patterns.end())};
}

std::vector<TraceFormat> MakeTable()
{
#define QUENLIX_TRACE_FORMAT(code, reader, name, position, matches, topology, factory, ...) \
    {code, name, position, {__VA_ARGS__}, matches, topology, factory},
#define QUENLIX_TRACE_FORMAT_SHARED QUENLIX_TRACE_FORMAT
    return {
#include "import/TraceFormatTable.def"
    };
}


}  // namespace

const std::vector<TraceFormat>& TraceFormats()
{
    static const std::vector<TraceFormat> table = MakeTable();
    return table;
}

const TraceFormat* FindTraceFormat(TraceFormatCode code)
{
    for (const TraceFormat& format : TraceFormats())
        if (format.Code == code) return &format;
    return nullptr;
}

bool IsReadableFormat(TraceFormatCode code)
{
    return FindTraceFormat(code) != nullptr;
}

std::vector<OpenFilter> OpenDialogFilters()
{
    std::vector<const TraceFormat*> formats;
    for (const TraceFormat& format : TraceFormats()) formats.push_back(&format);
    std::stable_sort(formats.begin(), formats.end(),
                     [](const TraceFormat* a, const TraceFormat* b) { return a->DialogPosition < b->DialogPosition; });

    std::vector<OpenFilter> filters{{"All Trace Files", {}}};
    for (const TraceFormat* format : formats)
        for (const OpenFilter& filter : format->DialogFilters) {
            filters.push_back(filter);
            for (const std::string& pattern : filter.Patterns) {
                std::vector<std::string>& all = filters.front().Patterns;
                if (std::find(all.begin(), all.end(), Lower(pattern)) == all.end()) all.push_back(Lower(pattern));
            }
        }
    return filters;
}

}  // namespace quenlix
