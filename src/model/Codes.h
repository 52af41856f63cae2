#pragma once
// The codes of the analysis, each defined once: protocol families, encapsulations,
// applications, topologies, trace formats and network kinds, and the named entries
// of the FrameStats and UtilStats tables. Every layer speaks of them by these names.
//
// The codes are scoped enumerations, so the compiler refuses a comparison with a
// bare number or a code of another kind; their enumerators are brought into the
// namespace (kFamilyIP, kTopologyTokenRing, ...) so that they read as names.
// CodeIndex gives a code's number where a table is indexed by it, and CodeSet is
// a set of codes in which code k is bit k.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace quenlix {

// Protocol family of a frame: index of ProtocolStats, bit of the Families sets.
enum class ProtocolFamily : uint8_t {
    kFamilyAppletalk = 0,
    kFamilyARP = 1,
    kFamilyBPDU = 2,
    kFamilyDECnet = 3,
    kFamilyIP = 4,
    kFamilyIPX = 5,
    kFamilyISO = 6,
    kFamilyLAT = 7,
    kFamilyLAVC = 8,
    kFamilyNetBIOSLLC = 9,
    kFamilyNetBIOSIP = 10,
    kFamilyNetBIOSIPX = 11,
    kFamilySNA = 12,
    kFamilyXNS = 13,
    kFamilyVINES = 14,
    kFamilyMAC = 15,
    kFamilyOther = 16,
    kFamilyIPv6 = 17,  // after "Other", so that the older codes keep their numbers
};
using enum ProtocolFamily;

// Encapsulation of a frame: bit of the encapsulation sets.
enum class Encapsulation : uint8_t {
    kEncapsEthernetII = 0,
    kEncapsLLC = 1,
    kEncapsNovellRaw = 2,
    kEncapsSNAP = 3,
    kEncapsMAC = 4,  // Token Ring MAC frame
    kNoEncapsulation = 0xFF,
};
using enum Encapsulation;

// Application of a packet: index of FramesByProtocol, bit of the Protocols sets.
// Codes up to kAppUnknownIP and kAppICMPv6 are IP applications (of IPv4 and IPv6
// alike: TCP over IPv6 is kAppTCP), the codes from kAppNCP to kAppUnknownIPX IPX
// applications.
enum class ApplicationCode : uint8_t {
    kAppICMP = 0,
    kAppIGMP = 1,
    kAppGGP = 2,
    kAppTCP = 3,
    kAppEGP = 4,
    kAppUDP = 5,
    kAppIGRP = 6,
    kAppUnknownIP = 7,
    kAppNCP = 8,
    kAppSPX = 9,
    kAppSPXII = 10,
    kAppNetBIOS = 11,
    kAppSMB = 12,
    kAppRIP = 13,
    kAppPBurst = 14,
    kAppEcho = 15,
    kAppError = 16,
    kAppWANBroadcast = 17,
    kAppSAP = 18,
    kAppNetWareLite = 19,
    kAppLIPEcho = 20,
    kAppUnknownIPX = 21,
    kAppOther = 22,  // never decoded
    kAppICMPv6 = 23,  // the last entry of FramesByProtocol
};
using enum ApplicationCode;
constexpr ApplicationCode kFirstIPXApp = kAppNCP;
constexpr ApplicationCode kLastIPXApp = kAppUnknownIPX;

constexpr bool IsIPXApp(ApplicationCode app) { return app >= kFirstIPXApp && app <= kLastIPXApp; }
constexpr bool IsIPApp(ApplicationCode app) { return app <= kAppUnknownIP || app == kAppICMPv6; }

// The medium a trace was captured on; only Ethernet and Token Ring are analysed.
enum class TopologyCode : uint8_t {
    kTopologyEthernet = 0,
    kTopologyTokenRing = 1,
    kTopologyFDDI = 2,
    kTopologyARCnet = 3,
    kTopologyWAN = 4,
    kTopologyOther = 5,
};
using enum TopologyCode;

constexpr bool IsTokenRing(TopologyCode topology) { return topology == kTopologyTokenRing; }

// The analyser format of a trace file (TraceFormat).
enum class TraceFormatCode : uint8_t {
    kFormatDA30 = 0,
    kFormatDataGLANce = 1,
    kFormatFireBerd500 = 2,
    kFormatInternetworkAdvisor = 3,
    kFormatLAN900 = 4,
    kFormatLANalyzer = 5,
    kFormatLANdecoder = 6,
    kFormatLANWatch = 7,
    kFormatNetLens = 8,
    kFormatNetSight = 9,
    kFormatNetworkMonitor = 10,
    kFormatSniffer = 11,
    kFormatNone = 12,  // never detected; nothing is read
    kFormatObserver = 13,
    kFormatEtherPeek = 14,
    kFormatPcap = 15,  // libpcap; read by the same reader as pcapng
    kFormatPcapNG = 16,
    kFormatUnknown = 17,
};
using enum TraceFormatCode;

// The kind of a network node: the protocol family of its address, numbered as
// that family.
enum class NetworkKind : uint8_t {
    kNetworkIP = 4,
    kNetworkIPX = 5,
    kNetworkNetBIOSIPX = 11,  // a NetBIOS-over-IPX sender
    kNetworkIPv6 = 17,
};
using enum NetworkKind;

// The kind of the node that sends or receives a frame of a network family
// (IP, IPv6, IPX or NetBIOS over IPX).
constexpr NetworkKind NetworkKindOf(ProtocolFamily family)
{
    if (family == kFamilyIP) return kNetworkIP;
    if (family == kFamilyIPv6) return kNetworkIPv6;
    return family == kFamilyNetBIOSIPX ? kNetworkNetBIOSIPX : kNetworkIPX;
}

// The families whose frames make network nodes and conversations.
constexpr bool IsNetworkFamily(ProtocolFamily family)
{
    return family == kFamilyIP || family == kFamilyIPv6 || family == kFamilyIPX || family == kFamilyNetBIOSIPX;
}

constexpr bool IsIPXKind(NetworkKind kind) { return kind == kNetworkIPX || kind == kNetworkNetBIOSIPX; }

// The bytes of a node address of the kind: IPv4 4, IPv6 16, IPX 10 (network and
// node). The lengths differ, so an address's length also tells its kind.
constexpr std::size_t NetworkAddressBytes(NetworkKind kind)
{
    if (kind == kNetworkIP) return 4;
    return kind == kNetworkIPv6 ? 16 : 10;
}

// The number of a code: its index in the tables it counts in.
template <class Code>
    requires std::is_enum_v<Code>
constexpr std::size_t CodeIndex(Code code)
{
    return static_cast<std::size_t>(static_cast<std::underlying_type_t<Code>>(code));
}

// A table with one entry per code, indexed by the code (and, for a walk over
// every entry, by its number).
template <class Code, class T, std::size_t N>
struct CodeArray : std::array<T, N> {
    using std::array<T, N>::operator[];
    constexpr T& operator[](Code code) { return (*this)[CodeIndex(code)]; }
    constexpr const T& operator[](Code code) const { return (*this)[CodeIndex(code)]; }
};

// Every code of a kind from code 0 to code N - 1, in code order: a walk over a
// table indexed by code.
template <class Code, std::size_t N>
constexpr std::array<Code, N> CodesInOrder()
{
    std::array<Code, N> codes{};
    for (std::size_t i = 0; i < N; ++i) codes[i] = static_cast<Code>(i);
    return codes;
}

// A set of codes in which code k is bit k, kept in the width the analysis
// stores it in (Bits).
template <class Code, class Bits>
class CodeSet {
public:
    constexpr CodeSet() = default;
    // A set of one code.
    constexpr CodeSet(Code code) { Add(code); }
    constexpr CodeSet(std::initializer_list<Code> codes)
    {
        for (Code code : codes) Add(code);
    }
    static constexpr CodeSet FromBits(Bits bits)
    {
        CodeSet set;
        set.bits_ = bits;
        return set;
    }
    constexpr Bits ToBits() const { return bits_; }

    constexpr bool Has(Code code) const { return (bits_ & Bit(code)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Add(Code code) { bits_ = static_cast<Bits>(bits_ | Bit(code)); }
    // True when the sets share a member.
    constexpr bool Meets(CodeSet other) const { return (bits_ & other.bits_) != 0; }
    constexpr CodeSet& operator|=(CodeSet other)
    {
        bits_ = static_cast<Bits>(bits_ | other.bits_);
        return *this;
    }
    constexpr CodeSet& operator|=(Code code)
    {
        Add(code);
        return *this;
    }
    friend constexpr CodeSet operator|(CodeSet a, CodeSet b) { return a |= b; }
    friend constexpr CodeSet operator&(CodeSet a, CodeSet b) { return FromBits(static_cast<Bits>(a.bits_ & b.bits_)); }
    friend constexpr bool operator==(CodeSet, CodeSet) = default;
    // True when the set has a member.
    constexpr explicit operator bool() const { return bits_ != 0; }

private:
    static constexpr Bits Bit(Code code) { return static_cast<Bits>(Bits{1} << CodeIndex(code)); }
    Bits bits_ = 0;
};

using FamilySet = CodeSet<ProtocolFamily, int32_t>;
using EncapsulationSet = CodeSet<Encapsulation, uint8_t>;
using ApplicationSet = CodeSet<ApplicationCode, int32_t>;

// Entries of FrameStats (0 and 9 are not used).
enum FrameStat : uint8_t {
    kStatSmallestFrame = 1,  // starts at kSmallestFrameStart; compared by its absolute value
    kStatLargestFrame = 2,
    kStatLargestBroadcast = 3,
    kStatLargestMulticast = 4,
    kStatAverageFrameSize = 5,
    kStatFrames = 6,
    kStatBroadcastFrames = 7,
    kStatMulticastFrames = 8,
    kStatLLCFrames = 10,
    kStatSNAPFrames = 11,
    kStatEthernetIIFrames = 12,
    kStatNovellRawFrames = 13,
    kStatBadFCS = 14,
    kStatRunts = 15,
    kStatOversize = 16,
    kStatCRCFragments = 17,
};
constexpr int32_t kSmallestFrameStart = -60000;

// Entries of UtilStats (2, 4, 8 and 10 are not used); "group" is broadcast plus multicast.
enum UtilStat : uint8_t {
    kUtilAverage = 0,        // percent
    kUtilPeak = 1,           // percent of one interval
    kUtilPeakBytes = 3,
    kUtilPeakFrames = 5,
    kUtilAverageGroup = 6,   // percent
    kUtilPeakBroadcast = 7,  // percent of one interval, broadcast only
    kUtilPeakGroupBytes = 9,
    kUtilPeakGroupFrames = 11,
};

}  // namespace quenlix
