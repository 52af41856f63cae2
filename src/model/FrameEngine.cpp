// The frame engine: one call per frame decodes the medium header, the network and
// transport headers and the application, and accumulates counters, trees,
// conversation chains and packet summaries in the analysis state.
//
// Frame bytes are read through FrameReader, which answers 0 for any offset past
// the frame (FrameSize bytes): no offset taken from the frame can lead outside
// the buffer, and a header field that lies beyond a short frame reads as zeros,
// never as what an earlier, longer frame left in the buffer. The loops driven by
// counts and pointers from the frame (DNS answers, SAP entries) stop at the
// frame's end.

#include "model/FrameEngine.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "model/Chains.h"
#include "model/ReadHost.h"

namespace quenlix {

namespace {

constexpr int64_t kPumpIntervalNanoseconds = 20'000'000;
constexpr uint32_t kFramesPerPumpCheck = 64;
constexpr double kTimeRestartMicroseconds = 60'000'000.0;

// Read access to the current frame; bytes past its end read as zeros.
class FrameReader {
public:
    explicit FrameReader(const AnalysisState& s)
        : data_(s.Frame.FrameData.data()), size_(std::min<std::size_t>(s.Frame.FrameSize, kMaxFrameBytes))
    {
    }
    std::size_t Size() const { return size_; }
    uint8_t Byte(std::size_t offset) const { return offset < size_ ? data_[offset] : 0; }
    uint16_t Word(std::size_t offset) const { return static_cast<uint16_t>(Byte(offset) << 8 | Byte(offset + 1)); }
    uint16_t WordLowFirst(std::size_t offset) const { return static_cast<uint16_t>(Byte(offset + 1) << 8 | Byte(offset)); }
    uint32_t Long(std::size_t offset) const { return static_cast<uint32_t>(Word(offset)) << 16 | Word(offset + 2); }
    const uint8_t* Data() const { return data_; }
    void Copy(std::size_t offset, uint8_t* out, std::size_t count) const
    {
        for (std::size_t i = 0; i < count; ++i) out[i] = Byte(offset + i);
    }

private:
    const uint8_t* data_;
    std::size_t size_;
};

// What AnalyzeFrame derives from one frame.
struct FrameResult {
    int64_t FrameNo = 0;
    MacString SrcAddr;
    MacString DstAddr;
    bool IsGroup = false;
    bool IsBroadcast = false;
    bool IsMulticast = false;
    bool StatusBad = false;
    bool Runt = false;
    bool Oversize = false;
    bool BadFCS = false;
    bool ErrorFrame = false;
    bool Routed = false;
    // Bytes of VLAN tags between the source address and the type or length.
    std::size_t TagBytes = 0;
    Encapsulation Encaps = kNoEncapsulation;
    ProtocolFamily Family = kFamilyOther;
    NetString SrcNet;
    NetString DstNet;
    ApplicationCode App = kAppICMP;
    uint16_t SrcPort = 0;
    uint16_t DstPort = 0;
    uint32_t Seq = 0;
    uint32_t Ack = 0;
    PacketFlagSet PacketFlags;
    uint8_t IPHeaderLen = 0;
    uint16_t NetLength = 0;
    uint16_t IPIdent = 0;
    uint8_t TransportHeaderLen = 0;
    uint16_t TypeWord = 0;
    uint8_t TCPFlags = 0;
    uint8_t TTL = 0;
    uint8_t NCPFunction = 0;
    // MSS, window scale and SACK blocks, kept beside the packet summary when present.
    TcpOptionRecord TcpOptions;
    // The numbers of the frame's stations in state.Stations, once accounted.
    uint32_t SrcStation = StationTree::kNoNumber;
    uint32_t DstStation = StationTree::kNoNumber;

    FrameStatusFlag StatusBit() const { return StatusBad ? kStatusBadBit : kStatusGoodBit; }
    // The encapsulation as a set; a frame without one adds nothing.
    EncapsulationSet EncapsulationBit() const
    {
        return Encaps == kNoEncapsulation ? EncapsulationSet{} : EncapsulationSet{Encaps};
    }
};

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Lets the user interface breathe about every 20 ms of wall time; the clock is
// only looked at every few frames so that the cost per frame stays negligible.
void PumpIfDue(AnalysisState& s)
{
    if (s.Platform.Host == nullptr || ++s.Read.FramesSincePumpCheck < kFramesPerPumpCheck) return;
    s.Read.FramesSincePumpCheck = 0;
    const int64_t now = NowNanoseconds();
    if (now - s.Read.LastPumpNanoseconds < kPumpIntervalNanoseconds) return;
    s.Read.LastPumpNanoseconds = now;
    s.Platform.Host->PumpEvents();
}

uint16_t AddSaturated(uint16_t counter, unsigned amount)
{
    const unsigned sum = counter + amount;
    return static_cast<uint16_t>(sum > 0xFFFF ? 0xFFFF : sum);
}

int32_t Overhead(const AnalysisState& s)
{
    return s.Topology == kTopologyTokenRing ? kTokenRingFrameAllowance : kEthernetFrameAllowance;
}

// ---- Internet checksum ------------------------------------------------------------

class ChecksumSum {
public:
    void AddWord(uint16_t w) { sum_ += w; }
    // Adds count bytes from offset as 16-bit words; the word at skipOffset (the
    // checksum field) counts as zero. Bytes past the frame count as zero.
    void AddBytes(const FrameReader& f, std::size_t offset, std::size_t count, std::size_t skipOffset)
    {
        const std::size_t end = f.Size();
        const std::size_t inside = offset < end ? std::min(count, end - offset) : 0;
        const uint8_t* p = f.Data() + offset;
        // The bulk is summed four bytes at a time in the machine's own byte order:
        // a ones-complement sum does not depend on the order of the bytes within
        // its words, so folding that sum and swapping its bytes gives the sum of
        // the big-endian words (RFC 1071).
        uint64_t native = 0;
        std::size_t i = 0;
        for (; i + 4 <= inside; i += 4) {
            uint32_t word;
            std::memcpy(&word, p + i, sizeof word);
            native += word;
        }
        const std::size_t nativeEnd = i;
        uint64_t sum = 0;
        for (; i + 1 < inside; i += 2) sum += static_cast<uint32_t>(p[i] << 8 | p[i + 1]);
        if (i < count) sum += static_cast<uint32_t>(f.Byte(offset + i) << 8 | (i + 1 < count ? f.Byte(offset + i + 1) : 0));
        if (skipOffset >= offset && skipOffset < offset + count && (skipOffset - offset) % 2 == 0) {
            const std::size_t k = skipOffset - offset;
            if (k < nativeEnd) {
                // Take out exactly what the field added to its four-byte word.
                uint16_t field;
                std::memcpy(&field, p + k, sizeof field);
                const bool highHalf = (k % 4 == 2) == (std::endian::native == std::endian::little);
                native -= static_cast<uint64_t>(field) << (highHalf ? 16 : 0);
            } else {
                sum -= static_cast<uint32_t>(f.Byte(skipOffset) << 8 | (skipOffset + 1 < offset + count ? f.Byte(skipOffset + 1) : 0));
            }
        }
        uint16_t folded = Fold(native);
        if constexpr (std::endian::native == std::endian::little) folded = static_cast<uint16_t>(folded << 8 | folded >> 8);
        sum_ += sum + folded;
    }
    uint16_t Result() const { return static_cast<uint16_t>(~Fold(sum_) & 0xFFFF); }

private:
    // End-around carry: a positive sum folds to a value from 1 to 0xFFFF, zero to zero.
    static uint16_t Fold(uint64_t s)
    {
        while (s >> 16) s = (s & 0xFFFF) + (s >> 16);
        return static_cast<uint16_t>(s);
    }

    uint64_t sum_ = 0;
};

// ---- family maps ------------------------------------------------------------------

ProtocolFamily IpxFamily(const FrameReader& f, std::size_t netBase)
{
    return f.Word(netBase + 16) == 0x0455 ? kFamilyNetBIOSIPX : kFamilyIPX;
}

ProtocolFamily EthernetTypeFamily(uint16_t type, const FrameReader& f, std::size_t netBase)
{
    if (type == 0x0600 || type == 0x0601) return kFamilyXNS;
    if (type == 0x0800) {
        const uint16_t port = f.Word(netBase + 20);
        return (port >= 137 && port <= 139) ? kFamilyNetBIOSIP : kFamilyIP;
    }
    if (type == 0x0806) return kFamilyARP;
    if (type == 0x86DD) return kFamilyIPv6;
    if (type == 0x0807) return kFamilyXNS;
    if (type == 0x0BAD) return kFamilyVINES;
    if (type >= 0x6000 && type <= 0x6003) return kFamilyDECnet;
    if (type == 0x6004) return kFamilyLAT;
    if (type == 0x6005 || type == 0x6006) return kFamilyDECnet;
    if (type == 0x6007) return kFamilyLAVC;
    if (type == 0x6008 || type == 0x6009) return kFamilyDECnet;
    if (type == 0x8035) return kFamilyARP;
    if (type == 0x8038) return kFamilyBPDU;
    if (type >= 0x8039 && type <= 0x8042) return kFamilyDECnet;
    if (type == 0x809B) return kFamilyAppletalk;
    if (type >= 0x80F2 && type <= 0x80F4) return kFamilyAppletalk;
    if (type == 0x8137) return IpxFamily(f, netBase);
    if (type == 0x9000) return kFamilyDECnet;
    return kFamilyOther;
}

ProtocolFamily SapFamily(uint8_t dsap, const FrameReader& f, std::size_t netBase)
{
    switch (dsap) {
    case 0x03: case 0x04: case 0x05: case 0x08: case 0x0C: return kFamilySNA;
    case 0x06: return kFamilyIP;
    case 0x10: return IpxFamily(f, netBase);
    case 0x20: case 0x34: case 0xEC: case 0xFE: return kFamilyISO;
    case 0x42: return kFamilyBPDU;
    case 0x80: return kFamilyXNS;
    case 0x98: return kFamilyARP;
    case 0xBC: return kFamilyVINES;
    case 0xE0: return kFamilyIPX;
    case 0xF0: return kFamilyNetBIOSLLC;
    default: return kFamilyOther;
    }
}

// Frame offset (0-based) of network byte 0 for a 1-based NetOffset.
std::size_t NetBase(uint16_t netOffset) { return netOffset == 0 ? 0 : static_cast<std::size_t>(netOffset - 1); }

// ---- medium headers ---------------------------------------------------------------

// Frame offset of an Ethernet frame's type or length word when it carries no tag.
constexpr std::size_t kEthernetTypeOffset = 12;
constexpr std::size_t kVlanTagBytes = 4;

// The tag protocol identifiers of 802.1Q, 802.1ad and the older 0x9100 stacking.
bool IsVlanTagType(uint16_t type) { return type == 0x8100 || type == 0x88A8 || type == 0x9100; }

// The bytes of the stack of VLAN tags that follows the source address. A tag
// counts only when the frame holds it and the word after it, so the stack never
// reaches past the frame; what follows the stack is read as in an untagged frame.
std::size_t VlanTagBytes(const FrameReader& f)
{
    std::size_t tags = 0;
    while (kEthernetTypeOffset + tags + kVlanTagBytes + 2 <= f.Size() && IsVlanTagType(f.Word(kEthernetTypeOffset + tags)))
        tags += kVlanTagBytes;
    return tags;
}

// The frame's size without its VLAN tags: the size of the same frame untagged,
// which the length rules and the decoding thresholds judge.
int64_t UntaggedSize(const AnalysisState& s, const FrameResult& r)
{
    return static_cast<int64_t>(s.Frame.FrameSize) - static_cast<int64_t>(r.TagBytes);
}

void DecodeEthernet(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    if (s.Frame.FrameSize >= 16) {
        uint8_t a[6];
        f.Copy(0, a, 6);
        r.DstAddr.Assign(a, 6);
        f.Copy(6, a, 6);
        r.SrcAddr.Assign(a, 6);
    }
    if (s.Frame.FrameAlignError) s.Frame.FrameBadFCS = 1;
    r.TagBytes = VlanTagBytes(f);
    r.Runt = UntaggedSize(s, r) < 64;
    r.Oversize = UntaggedSize(s, r) > 1518;
    r.BadFCS = s.Frame.FrameBadFCS != 0;
    r.ErrorFrame = r.Runt || r.Oversize || r.BadFCS;
    r.StatusBad = r.BadFCS;
    r.IsGroup = (f.Byte(0) & 0x01) != 0;
    r.IsBroadcast = r.IsGroup && f.Byte(0) == 0xFF;
    r.IsMulticast = r.IsGroup && !r.IsBroadcast;
    if (UntaggedSize(s, r) < 19) return;

    // Offsets below are those of an untagged frame, moved past the tags.
    const std::size_t tags = r.TagBytes;
    const auto netOffset = [tags](std::size_t untagged) { return static_cast<uint16_t>(untagged + tags); };
    const uint16_t typeOrLength = f.Word(kEthernetTypeOffset + tags);
    if (typeOrLength <= 1500) {
        const uint16_t w = f.Word(14 + tags);
        if (w == 0xFFFF) {
            r.Encaps = kEncapsNovellRaw;
            s.Frame.NetOffset = netOffset(15);
            r.Family = IpxFamily(f, NetBase(s.Frame.NetOffset));
        } else if (w == 0xAAAA) {
            r.Encaps = kEncapsSNAP;
            s.Frame.NetOffset = netOffset(23);
            r.Family = EthernetTypeFamily(f.Word(20 + tags), f, NetBase(s.Frame.NetOffset));
        } else {
            r.Encaps = kEncapsLLC;
            s.Frame.NetOffset = netOffset(18);
            r.Family = SapFamily(f.Byte(14 + tags), f, NetBase(s.Frame.NetOffset));
        }
    } else {
        r.Encaps = kEncapsEthernetII;
        s.Frame.NetOffset = netOffset(15);
        r.Family = EthernetTypeFamily(typeOrLength, f, NetBase(s.Frame.NetOffset));
    }
}

void DecodeTokenRing(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    uint8_t a[6];
    f.Copy(2, a, 6);
    r.DstAddr.Assign(a, 6);
    f.Copy(8, a, 6);
    a[0] &= 0x7F;  // the routing-information indicator is not part of the address
    r.SrcAddr.Assign(a, 6);
    r.IsGroup = (f.Byte(2) & 0x80) != 0;
    r.IsMulticast = r.IsGroup && f.Byte(2) >= 0xC0;
    r.IsBroadcast = r.IsGroup && !r.IsMulticast;

    if ((f.Byte(1) & 0xC0) == 0) {
        r.Encaps = kEncapsMAC;
        r.Family = kFamilyMAC;
        return;
    }
    r.Routed = (f.Byte(8) & 0x80) != 0;
    const std::size_t routing = r.Routed ? (f.Byte(14) & 0x1F) : 0;
    if (f.Word(14 + routing) == 0xAAAA) {
        r.Encaps = kEncapsSNAP;
        s.Frame.NetOffset = static_cast<uint16_t>(23 + routing);
        r.Family = EthernetTypeFamily(f.Word(20 + routing), f, NetBase(s.Frame.NetOffset));
    } else {
        r.Encaps = kEncapsLLC;
        s.Frame.NetOffset = static_cast<uint16_t>(18 + routing);
        r.Family = SapFamily(f.Byte(14 + routing), f, NetBase(s.Frame.NetOffset));
    }
}

// ---- medium counters --------------------------------------------------------------

void CountSize(AnalysisState& s)
{
    const int size = s.Frame.FrameSize;
    if (size < 64)
        s.SizeClass(-1) += 1;
    else if (s.Topology == kTopologyEthernet)
        s.SizeClass(size <= 1518 ? size / 256 : 6) += 1;
    else
        s.SizeClass(std::min(size / 256, 70)) += 1;
}

void RecordErrorFrame(AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    s.SecErrorFrames += 1;
    if (s.RecentErrorsHead == s.RecentErrorsTail) s.RecentErrorsHead = static_cast<uint16_t>(s.RecentErrorsHead % 4 + 1);
    if (s.RecentErrorsHead == 0) s.RecentErrorsHead = 1;
    s.ErrorsSeen = 1;
    RecentError& slot = s.RecentErrors[s.RecentErrorsTail];
    if (r.Runt) {
        s.FrameStats[kStatRunts] += 1;
        slot.Kind = kStatRunts;
    }
    if (r.Oversize) {
        s.FrameStats[kStatOversize] += 1;
        slot.Kind = kStatOversize;
    }
    if (r.BadFCS) {
        s.FrameStats[kStatBadFCS] += 1;
        if (!r.Runt) {
            slot.Kind = kStatBadFCS;
        } else {
            s.LastFragmentFrame = r.FrameNo;
            s.FrameStats[kStatCRCFragments] += 1;
            slot.Kind = kStatCRCFragments;
        }
    }
    f.Copy(6, slot.Source.data(), 6);
    s.RecentErrorsTail = static_cast<uint16_t>(s.RecentErrorsTail % 4 + 1);
}

void CountGroupFrame(AnalysisState& s, const FrameResult& r)
{
    if (r.IsBroadcast) {
        s.FrameStats[kStatBroadcastFrames] += 1;
        s.SecBroadcastFrames += 1;
        s.SecBroadcastBytes += s.Frame.FrameSize;
        if (s.Frame.FrameSize > s.FrameStats[kStatLargestBroadcast]) s.FrameStats[kStatLargestBroadcast] = s.Frame.FrameSize;
    } else if (r.IsMulticast) {
        s.FrameStats[kStatMulticastFrames] += 1;
        s.SecMulticastFrames += 1;
        s.SecMulticastBytes += s.Frame.FrameSize;
        if (s.Frame.FrameSize > s.FrameStats[kStatLargestMulticast]) s.FrameStats[kStatLargestMulticast] = s.Frame.FrameSize;
    }
}

void CountEncapsulation(AnalysisState& s, const FrameResult& r)
{
    static constexpr FrameStat kStatIndex[4] = {kStatEthernetIIFrames, kStatLLCFrames, kStatNovellRawFrames, kStatSNAPFrames};
    if (CodeIndex(r.Encaps) < std::size(kStatIndex)) {
        s.FrameStats[kStatIndex[CodeIndex(r.Encaps)]] += 1;
        s.ProtocolStats[CodeIndex(r.Family)].EncapsSet |= r.Encaps;
    }
    if (s.Topology == kTopologyTokenRing) {
        if (r.Encaps == kEncapsMAC)
            s.MacFrames += 1;
        else if (r.Routed)
            s.RoutedFrames += 1;
    }
}

// Soft-error counter bytes of a Report Soft Error frame, in the index order of
// RingSoftErrorTotals (abort, A/C, burst, frame copied, frequency, internal,
// line, lost frame, receive congestion, token).
constexpr std::size_t kSoftErrorOffsets[10] = {24, 23, 22, 30, 31, 21, 20, 28, 29, 32};

// Where the upstream neighbour's address lies in a Report Soft Error and in an
// Active or Standby Monitor Present frame.
constexpr std::size_t kReportNeighbourOffset = 42;
constexpr std::size_t kMonitorNeighbourOffset = 26;

// The bytes of the frame that the trace holds: a frame may be stored shorter than
// its size (sliced), and what lies beyond was never captured.
std::size_t CapturedBytes(const AnalysisState& s)
{
    return std::min<std::size_t>({s.Frame.FrameSize, s.Frame.StoredLength, kMaxFrameBytes});
}

// A Report Soft Error that counts: addressed to the ring error monitor and
// captured through its counters and its upstream neighbour's address, without
// which its counts could be given to no neighbour. The totals and the stations'
// records count the same reports, so that each kind's station list adds up to
// its total.
bool IsCountedSoftErrorReport(const AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    return r.Encaps == kEncapsMAC && f.Byte(17) == 0x29 && r.DstAddr == s.RingErrorMonitorAddr &&
           CapturedBytes(s) >= kReportNeighbourOffset + 6;
}

void CountRingSoftErrors(AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    if (!IsCountedSoftErrorReport(s, f, r)) return;
    for (std::size_t k = 0; k < 10; ++k) s.RingSoftErrorTotals[k] += f.Byte(kSoftErrorOffsets[k]);
}

// A tagged frame counts for the VLAN of its outermost tag, whose ID is the low
// 12 bits of the word after the tag protocol identifier.
void CountVlan(AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    if (r.TagBytes != 0) s.VlanFrames[f.Word(kEthernetTypeOffset + 2) & 0x0FFF] += 1;
}

void CountMedium(AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    CountSize(s);
    CountVlan(s, f, r);
    if (s.Topology == kTopologyEthernet && r.ErrorFrame) RecordErrorFrame(s, f, r);
    CountGroupFrame(s, r);
    CountEncapsulation(s, r);
    if (s.Topology == kTopologyTokenRing) CountRingSoftErrors(s, f, r);
}

// ---- Token Ring MAC frames --------------------------------------------------------

// neighbour is null when the frame was cut short before it: a station already in
// the table is still seen, a new one cannot be placed.
void UpdateRingOrder(AnalysisState& s, const uint8_t* sender, const uint8_t* neighbour)
{
    auto sameAddress = [](const RingEntry& e, const uint8_t* a) { return std::memcmp(e.Address.data(), a, 6) == 0; };
    if (s.Frame.IsAMPFrame && s.RingStationCount == 0) {
        s.RingStationCount = 1;
        s.RingOrder[1] = RingEntry{};
        std::memcpy(s.RingOrder[1].Address.data(), sender, 6);
        s.RingOrder[1].RingFlags = {kRingActiveMonitor};
        s.RingOrder[1].SeenThisCycle = 1;
        return;
    }
    if (s.Frame.IsAMPFrame) {  // a new monitor cycle
        for (int i = 1; i <= s.RingStationCount; ++i) {
            RingEntry& e = s.RingOrder[static_cast<size_t>(i)];
            if (e.SeenThisCycle == 1)
                e.SeenThisCycle = 0;
            else
                e.RingFlags |= kRingDeinserted;
        }
    }
    int position = 0;
    for (int i = 1; i <= s.RingStationCount && position == 0; ++i)
        if (sameAddress(s.RingOrder[static_cast<size_t>(i)], sender)) position = i;
    if (position == 0) {
        if (neighbour == nullptr) return;
        int upstream = 0;
        for (int i = 1; i <= s.RingStationCount && upstream == 0; ++i)
            if (sameAddress(s.RingOrder[static_cast<size_t>(i)], neighbour)) upstream = i;
        // The table holds 280 stations; a station beyond that is not entered.
        if (upstream == 0 || s.RingStationCount >= kRingOrderCapacity) return;
        for (int i = s.RingStationCount; i > upstream; --i)
            s.RingOrder[static_cast<size_t>(i + 1)] = s.RingOrder[static_cast<size_t>(i)];
        s.RingStationCount += 1;
        position = upstream + 1;
        s.RingOrder[static_cast<size_t>(position)] = RingEntry{};
        std::memcpy(s.RingOrder[static_cast<size_t>(position)].Address.data(), sender, 6);
    }
    RingEntry& entry = s.RingOrder[static_cast<size_t>(position)];
    entry.SeenThisCycle = 1;
    if (s.Frame.IsAMPFrame) {
        entry.RingFlags |= kRingActiveMonitor;
    } else if (entry.RingFlags.Has(kRingActiveMonitor)) {
        entry.RingFlags |= kRingExActiveMonitor;
        entry.RingFlags.Remove(kRingActiveMonitor);
    }
}

// A record's upstream neighbour and that neighbour's vendor are set together,
// so that the neighbour shows by vendor name whichever frame named it.
void SetNeighbour(const AnalysisState& s, TMACInfo& info, const uint8_t* neighbour)
{
    std::memcpy(info.NAUN.data(), neighbour, 6);
    info.NAUNVendor = FindVendor(s, neighbour);
}

int NewMACInfo(AnalysisState& s, StationErrorRecord& station, const uint8_t* neighbour)
{
    TMACInfo info;
    SetNeighbour(s, info, neighbour);
    const int index = s.ObjectList.Add(info);
    if (station.FirstMACInfo == -1) {
        station.FirstMACInfo = index;
    } else {
        int last = station.FirstMACInfo;
        while (s.ObjectList.MACInfo(last).Next != -1) last = s.ObjectList.MACInfo(last).Next;
        s.ObjectList.MACInfo(last).Next = index;
    }
    return index;
}

void AnalyzeSoftErrorReport(AnalysisState& s, const FrameReader& f, StationNode& node)
{
    StationErrorRecord& station = ErrorsFor(s, node);
    uint8_t counts[10];
    for (std::size_t k = 0; k < 10; ++k) {
        counts[k] = f.Byte(kSoftErrorOffsets[k]);
        if (counts[k] != 0) station.SoftErrorKinds |= static_cast<uint16_t>(1u << k);
    }
    uint8_t neighbour[6];
    f.Copy(kReportNeighbourOffset, neighbour, 6);
    int match = -1;
    for (int i = station.FirstMACInfo; i != -1; i = s.ObjectList.MACInfo(i).Next) {
        if (std::memcmp(s.ObjectList.MACInfo(i).NAUN.data(), neighbour, 6) == 0) {
            match = i;
            break;
        }
    }
    if (match == -1) match = NewMACInfo(s, station, neighbour);
    TMACInfo& info = s.ObjectList.MACInfo(match);
    for (std::size_t k = 0; k < 10; ++k)
        if (info.SoftErrors[k] <= UINT32_MAX - counts[k]) info.SoftErrors[k] += counts[k];
}

// A monitor-present frame names the station's upstream neighbour of the moment.
// The station's first record follows it while that record holds no soft errors;
// a record that holds soft errors keeps the neighbour they were reported with,
// and a neighbour one of the records already has is not given to another.
void FollowMonitorNeighbour(AnalysisState& s, StationNode& node, const uint8_t* neighbour)
{
    StationErrorRecord& station = ErrorsFor(s, node);
    if (station.FirstMACInfo == -1) {
        NewMACInfo(s, station, neighbour);
        return;
    }
    for (int i = station.FirstMACInfo; i != -1; i = s.ObjectList.MACInfo(i).Next)
        if (std::memcmp(s.ObjectList.MACInfo(i).NAUN.data(), neighbour, 6) == 0) return;
    TMACInfo& first = s.ObjectList.MACInfo(station.FirstMACInfo);
    const bool reported = std::any_of(first.SoftErrors.begin(), first.SoftErrors.end(), [](uint32_t n) { return n != 0; });
    if (!reported) SetNeighbour(s, first, neighbour);
}

void AnalyzeMonitorPresent(AnalysisState& s, const FrameReader& f, const FrameResult& r, StationNode& station)
{
    s.Frame.IsAMPFrame = f.Byte(17) == 0x05 ? 1 : 0;
    // A frame cut short before the neighbour's address names no neighbour.
    if (CapturedBytes(s) < kMonitorNeighbourOffset + 6) {
        UpdateRingOrder(s, r.SrcAddr.Data(), nullptr);
        return;
    }
    uint8_t neighbour[6];
    f.Copy(kMonitorNeighbourOffset, neighbour, 6);
    FollowMonitorNeighbour(s, station, neighbour);
    UpdateRingOrder(s, r.SrcAddr.Data(), neighbour);
}

void AnalyzeMacFrame(AnalysisState& s, const FrameReader& f, const FrameResult& r, StationNode& station)
{
    const uint8_t vector = f.Byte(17);
    if (vector == 0x29) {
        if (IsCountedSoftErrorReport(s, f, r)) AnalyzeSoftErrorReport(s, f, station);
    } else if (vector == 0x05 || vector == 0x06) {
        AnalyzeMonitorPresent(s, f, r, station);
    }
}

// ---- stations and DLC conversations -----------------------------------------------

// The number of the address's station in state.Stations; a new station when
// the address is new (numbers follow the order of insertion).
uint32_t FindOrInsertStation(AnalysisState& s, const MacString& address)
{
    const std::size_t before = s.Stations.size();
    const uint32_t number = s.Stations.Add(address);
    if (s.Stations.size() != before) s.StationCount += 1;
    return number;
}

std::array<uint64_t, 2> DlcKey(const MacString& src, const MacString& dst)
{
    return {PackBytes(src.Data(), 6), PackBytes(dst.Data(), 6)};
}

int NewDLCPeer(AnalysisState& s, const FrameResult& r)
{
    TDLCPeer peer;
    std::memcpy(peer.DestAddress.data(), r.DstAddr.Data(), 6);
    return s.ObjectList.Add(peer);
}

// The station's conversation with the frame's destination, or -1. The first
// record of a chain is found through its station and only the later ones through
// the index: a station that talks to one peer only (every host of a flood) costs
// no index entry. The index comes first, as it also holds the first
// records of chains that were started again (see StartDLCChain).
int FindDLCPeer(const AnalysisState& s, const FrameResult& r, const StationNode& source)
{
    if (const int32_t* found = s.Index.DLCPeers.Find(DlcKey(r.SrcAddr, r.DstAddr))) return *found;
    const bool matches = s.ObjectList.LookAtDLCPeer(
        source.FirstDLCPeer, [&r](const TDLCPeer& first) { return std::memcmp(first.DestAddress.data(), r.DstAddr.Data(), 6) == 0; });
    return matches ? source.FirstDLCPeer : -1;
}

// Starts the station's DLC chain with a record for the frame's destination. The
// first record of a chain it had before (a station that has sent has one) goes
// into the index, where the later ones are, so that frames still find it.
void StartDLCChain(AnalysisState& s, const FrameResult& r, StationNode& source)
{
    if (IsSender(source)) {
        const auto old = s.ObjectList.LookAtDLCPeer(source.FirstDLCPeer, [](const TDLCPeer& first) { return first.DestAddress; });
        s.Index.DLCPeers.Insert(DlcKey(r.SrcAddr, MacString(old.data(), 6)), source.FirstDLCPeer);
    }
    source.FirstDLCPeer = NewDLCPeer(s, r);
}

void AccountDLCPeer(AnalysisState& s, const FrameResult& r, StationNode& source)
{
    int index = FindDLCPeer(s, r, source);
    if (index < 0) {
        index = NewDLCPeer(s, r);
        s.Index.DLCPeers.Insert(DlcKey(r.SrcAddr, r.DstAddr), index);
        s.ObjectList.ChangeDLCPeer(s.Index.Tails.Extend(source.FirstDLCPeer, index), [index](TDLCPeer& last) { last.Next = index; });
    }
    s.ObjectList.ChangeDLCPeer(index, [&](TDLCPeer& peer) {
        peer.PeerEncapsulations |= r.EncapsulationBit();
        peer.PeerFrameStatus |= r.StatusBit();
        peer.Frames += 1;
        peer.Bytes += s.Frame.FrameSize;
        if (r.Encaps != kNoEncapsulation) peer.FramesByEncapsulation.Add(r.Encaps);
        peer.FramesByFamily.Add(r.Family);
    });
}

void AccountStations(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    // The stations are changed through their tree, which keeps a station of one
    // frame (every new host of a flood) in its compact form.
    r.SrcStation = FindOrInsertStation(s, r.SrcAddr);
    s.Stations.Change(r.SrcStation, [&](StationNode& source) {
        if (!source.StationFlags.HasAll({kFlagSender, kFlagViewable})) {
            StartDLCChain(s, r, source);
            source.StationFlags = {kFlagSender, kFlagViewable};
            s.SourceStationCount += 1;
        }
        source.Families |= r.Family;
        source.Encapsulations |= r.EncapsulationBit();
        source.FrameStatus |= r.StatusBit();
        source.FramesSent += 1;
        source.BytesSent += s.Frame.FrameSize;
        if (r.IsGroup) source.GroupFramesSent += 1;
        if (s.Frame.FrameBadFCS) {
            StationErrorRecord& errors = ErrorsFor(s, source);
            errors.BadFCSSent = AddSaturated(errors.BadFCSSent, 1);
        }
        if (r.FrameNo - s.LastFragmentFrame < 3 && !s.Frame.FrameBadFCS) {
            StationErrorRecord& errors = ErrorsFor(s, source);
            errors.CollisionSuspects = AddSaturated(errors.CollisionSuspects, 1);
        }
        if (s.Topology == kTopologyTokenRing && r.Family == kFamilyMAC) AnalyzeMacFrame(s, f, r, source);

        AccountDLCPeer(s, r, source);
    });

    r.DstStation = FindOrInsertStation(s, r.DstAddr);
    s.Stations.Change(r.DstStation, [&](StationNode& dest) {
        dest.Families |= r.Family;
        dest.Encapsulations |= r.EncapsulationBit();
        dest.FrameStatus |= r.StatusBit();
        dest.FramesReceived += 1;
        dest.BytesReceived += s.Frame.FrameSize;
    });
}

// ---- names ------------------------------------------------------------------------

// A name field of a frame as text, without the blanks and control bytes that pad
// it at the end (and, with front, at the start).
std::string NameFromBytes(const uint8_t* bytes, std::size_t count, bool front)
{
    std::size_t begin = 0;
    std::size_t end = count;
    while (end > begin && bytes[end - 1] <= 32) --end;
    if (front)
        while (begin < end && bytes[begin] <= 32) ++begin;
    return std::string(reinterpret_cast<const char*>(bytes) + begin, end - begin);
}

void CaptureNetBIOSName(AnalysisState& s, const FrameReader& f, const FrameResult& r)
{
    const std::size_t net = NetBase(s.Frame.NetOffset);
    const uint8_t command = f.Byte(net + 4);
    if (command != 0x01 && command != 0x08) return;
    uint8_t name[16];
    f.Copy(net + 28, name, 16);
    AddName(s, NetString(r.SrcAddr.Data(), 6), NameFromBytes(name, 16, true));
}

// Reads a DNS name of labels at pos without following pointers; at most 41 characters.
std::string DnsLabels(const FrameReader& f, std::size_t pos, std::size_t end)
{
    std::string name;
    while (pos < end) {
        const uint8_t length = f.Byte(pos);
        if (length == 0 || (length & 0xC0) != 0) break;
        if (!name.empty()) name += '.';
        for (std::size_t i = 1; i <= length && pos + i < end; ++i) name += static_cast<char>(f.Byte(pos + i));
        pos += length + 1u;
        if (name.size() >= 41) break;
    }
    if (name.size() > 41) name.resize(41);
    return name;
}

constexpr uint16_t kDnsTypeAAAA = 28;

// Names from the address records (A and AAAA) of a DNS answer. dns is the frame offset of
// the message, end the end of the captured frame: nothing past it is read.
void CaptureDnsAnswers(AnalysisState& s, const FrameReader& f, std::size_t dns, std::size_t end)
{
    const unsigned questions = f.Byte(dns + 5);
    const unsigned answers = f.Byte(dns + 7);
    std::size_t p = dns + 12;
    for (unsigned q = 0; q < questions; ++q) {
        ++p;  // the byte at p itself is not tested
        while (p < end && f.Byte(p) != 0) ++p;
        p += 1 + 4;
        if (p >= end) return;
    }
    for (unsigned a = 0; a < answers; ++a) {
        std::size_t rr = p;  // position of the fixed fields after the owner name
        std::size_t target;
        if ((f.Byte(p) & 0xC0) == 0xC0) {
            target = dns + ((f.Byte(p) & 0x3F) << 8 | f.Byte(p + 1));
            rr = p + 2;
        } else {
            target = p;
            while (rr < end && f.Byte(rr) != 0 && (f.Byte(rr) & 0xC0) == 0) rr += f.Byte(rr) + 1u;
            rr += (f.Byte(rr) & 0xC0) == 0xC0 ? 2 : 1;
        }
        if (rr + 10 > end) return;
        const uint16_t dataLength = f.Word(rr + 8);
        if (f.Byte(rr + 1) == 1 && dataLength >= 4 && rr + 14 <= end && target < end) {
            uint8_t address[4];
            f.Copy(rr + 10, address, 4);
            AddName(s, NetString(address, 4), DnsLabels(f, target, end));
        }
        if (f.Word(rr) == kDnsTypeAAAA && dataLength == 16 && rr + 26 <= end && target < end) {
            uint8_t address[16];
            f.Copy(rr + 10, address, 16);
            AddName(s, NetString(address, 16), DnsLabels(f, target, end));
        }
        p = rr + 10 + dataLength;
        if (p >= end) return;
    }
}

// ---- network decoding: IP -----------------------------------------------------------

ApplicationCode IpApp(uint8_t protocol)
{
    switch (protocol) {
    case 1: return kAppICMP;
    case 2: return kAppIGMP;
    case 3: return kAppGGP;
    case 6: return kAppTCP;
    case 8: return kAppEGP;
    case 17: return kAppUDP;
    case 88: return kAppIGRP;
    default: return kAppUnknownIP;
    }
}

void LookUpFragmentPorts(const AnalysisState& s, FrameResult& r)
{
    for (const FragmentPort& entry : s.FragmentPorts) {
        if (entry.Ident == r.IPIdent) {
            r.SrcPort = entry.SrcPort;
            r.DstPort = entry.DstPort;
        }
    }
}

void RememberFragmentPorts(AnalysisState& s, const FrameResult& r)
{
    if (s.FragmentPorts[s.FragmentPortsIndex].Ident == r.IPIdent) return;
    s.FragmentPortsIndex = static_cast<uint16_t>((s.FragmentPortsIndex + 1) % 32);
    s.FragmentPorts[s.FragmentPortsIndex] = {r.IPIdent, r.SrcPort, r.DstPort};
}

// Where the pseudo-header's addresses lie: IPv4's two 4-byte addresses from
// offset 12, IPv6's two 16-byte addresses from offset 8.
// A UDP checksum of 0 means "not computed" over IPv4 but is not allowed over IPv6.
struct PseudoHeader {
    std::size_t AddressOffset;
    std::size_t AddressBytes;
    bool ZeroChecksumAllowed;
};
constexpr PseudoHeader kIpv4PseudoHeader{12, 8, true};
constexpr PseudoHeader kIpv6PseudoHeader{8, 32, false};

// Checks a TCP, UDP or ICMPv6 checksum over the pseudo-header. A bad ICMPv6
// checksum is flagged as IPv4's header checksum is: IPv6 has none of its own.
void CheckTransportChecksum(const FrameReader& f, std::size_t net, std::size_t t, FrameResult& r,
                            const PseudoHeader& pseudo)
{
    const bool tcp = r.App == kAppTCP;
    const bool icmpv6 = r.App == kAppICMPv6;
    const std::size_t fieldOffset = t + (tcp ? 16 : icmpv6 ? 2 : 6);
    const uint16_t stored = f.Word(fieldOffset);
    const PacketFlag bad = tcp ? kPktBadTcpChecksum : icmpv6 ? kPktBadIpChecksum : kPktBadUdpChecksum;
    const int transportLength = r.NetLength - r.IPHeaderLen;
    if (transportLength < 0) return;
    if (stored == 0) {
        if (!pseudo.ZeroChecksumAllowed && !tcp) r.PacketFlags |= bad;
        return;
    }
    ChecksumSum sum;
    for (std::size_t i = 0; i < pseudo.AddressBytes; i += 2) sum.AddWord(f.Word(net + pseudo.AddressOffset + i));
    sum.AddWord(tcp ? 6 : icmpv6 ? 58 : 17);
    sum.AddWord(tcp || icmpv6 ? static_cast<uint16_t>(transportLength) : f.Word(t + 4));
    sum.AddBytes(f, t, static_cast<std::size_t>(transportLength), fieldOffset);
    if (sum.Result() != stored) r.PacketFlags |= bad;
}

void ApplyPortRoles(AnalysisState& s, const FrameReader& f, std::size_t t, FrameResult& r, std::size_t frameEnd)
{
    auto either = [&r](uint16_t port) { return r.SrcPort == port || r.DstPort == port; };
    if (either(137)) r.PacketFlags |= (f.Byte(t + 10) & 0x80) ? kPktReply : kPktRequest;
    if (either(161)) {
        const uint8_t pdu = f.Byte(t + 21);
        if (pdu == 0xA0 || pdu == 0xA1) r.PacketFlags |= kPktRequest;
        if (pdu == 0xA2) r.PacketFlags |= kPktReply;
    }
    if (either(53)) {
        // A DNS message follows the 8-byte UDP header; over TCP it follows the
        // TCP header and a two-byte length, and a segment without one carries no
        // DNS header to judge.
        std::size_t dns = t + 8;
        if (r.App == kAppTCP) {
            const std::size_t header = static_cast<std::size_t>(f.Byte(t + 12) >> 4) * 4;
            dns = t + header + 2;
            if (dns + 12 > frameEnd) return;
        }
        if (f.Byte(dns + 2) & 0x80) {
            r.PacketFlags |= kPktReply;
            CaptureDnsAnswers(s, f, dns, frameEnd);
        } else {
            r.PacketFlags |= kPktRequest;
        }
    }
}

constexpr uint8_t kTcpOptionEnd = 0;
constexpr uint8_t kTcpOptionNoOperation = 1;
constexpr uint8_t kTcpOptionMss = 2;
constexpr uint8_t kTcpOptionWindowScale = 3;
constexpr uint8_t kTcpOptionSack = 5;
constexpr int kMaxWindowShift = 14;  // a larger shift counts as 14

// Reads the options between the fixed TCP header and the header's end, never
// past the captured frame: MSS and window scale of a SYN, SACK blocks.
void DecodeTcpOptions(const FrameReader& f, std::size_t t, std::size_t end, FrameResult& r)
{
    const bool syn = (r.TCPFlags & kTcpSyn) != 0;
    std::size_t at = t + 20;
    const std::size_t optionsEnd = std::min(t + r.TransportHeaderLen, end);
    while (at < optionsEnd) {
        const uint8_t kind = f.Byte(at);
        if (kind == kTcpOptionEnd) return;
        if (kind == kTcpOptionNoOperation) {
            ++at;
            continue;
        }
        const uint8_t length = f.Byte(at + 1);
        if (length < 2 || at + length > optionsEnd) return;
        if (syn && kind == kTcpOptionMss && length == 4) r.TcpOptions.MSS = f.Word(at + 2);
        if (syn && kind == kTcpOptionWindowScale && length == 3)
            r.TcpOptions.WindowShift = static_cast<int8_t>(std::min<int>(f.Byte(at + 2), kMaxWindowShift));
        if (kind == kTcpOptionSack) {
            const std::size_t blocks = std::min<std::size_t>((length - 2u) / 8, r.TcpOptions.SackBlocks.size());
            for (std::size_t b = 0; b < blocks; ++b)
                r.TcpOptions.SackBlocks[b] = {f.Long(at + 2 + 8 * b), f.Long(at + 6 + 8 * b)};
            r.TcpOptions.SackBlockCount = static_cast<uint8_t>(blocks);
        }
        at += length;
    }
}

void DecodeTcpHeader(const FrameReader& f, std::size_t t, std::size_t end, FrameResult& r)
{
    r.Seq = f.Long(t + 4);
    r.Ack = f.Long(t + 8);
    r.TransportHeaderLen = static_cast<uint8_t>((f.Byte(t + 12) >> 4) * 4);
    r.TCPFlags = f.Byte(t + 13);
    r.TypeWord = f.Word(t + 14);
    if (r.TCPFlags & kTcpSyn) {
        if (!r.PacketFlags.Has(kPktRequest) && !r.PacketFlags.Has(kPktReply)) r.PacketFlags |= kPktRequest;
    }
    DecodeTcpOptions(f, t, end, r);
}

// The FCS bytes the frame size counts: Ethernet's always, Token Ring's where the
// format's sizes include them.
int FcsBytes(const AnalysisState& s)
{
    return s.Topology == kTopologyEthernet || s.Read.TokenRingSizeHasFCS ? 4 : 0;
}

// Whole: every byte of a datagram of netLength bytes was captured, ahead of the
// FCS where the frame size counts one. Only then are its checksums checked.
bool DatagramCapturedWhole(const AnalysisState& s, int netLength)
{
    return s.Frame.FrameSize == s.Frame.StoredLength &&
           static_cast<int>(s.Frame.FrameSize) - FcsBytes(s) >= s.Frame.NetOffset + netLength - 1;
}

// The TCP or UDP ports at t; the lower port is taken for the server's.
void TakePorts(const FrameReader& f, std::size_t t, FrameResult& r)
{
    r.SrcPort = f.Word(t);
    r.DstPort = f.Word(t + 2);
    if (r.SrcPort < r.DstPort) r.PacketFlags |= kPktReply;
    if (r.DstPort < r.SrcPort) r.PacketFlags |= kPktRequest;
}

void DecodeIp(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    const std::size_t net = NetBase(s.Frame.NetOffset);
    uint8_t a[4];
    f.Copy(net + 12, a, 4);
    r.SrcNet.Assign(a, 4);
    f.Copy(net + 16, a, 4);
    r.DstNet.Assign(a, 4);
    r.App = IpApp(f.Byte(net + 9));
    r.PacketFlags = r.IsGroup ? PacketFlagSet{kPktGroup} : PacketFlagSet{};
    r.IPHeaderLen = static_cast<uint8_t>((f.Byte(net) & 0x0F) * 4);
    r.NetLength = f.Word(net + 2);
    const bool whole = DatagramCapturedWhole(s, r.NetLength);
    if (whole) {
        ChecksumSum sum;
        sum.AddBytes(f, net, r.IPHeaderLen, net + 10);
        if (sum.Result() != f.Word(net + 10)) r.PacketFlags |= kPktBadIpChecksum;
    }
    r.IPIdent = f.WordLowFirst(net + 4);
    const uint16_t fragmentOffset = f.Word(net + 6) & 0x1FFF;
    r.TTL = f.Byte(net + 8);
    const std::size_t t = net + r.IPHeaderLen;
    const std::size_t frameEnd = std::min<std::size_t>(s.Frame.FrameSize, kMaxFrameBytes);

    if (r.App == kAppICMP) {
        const uint8_t type = f.Byte(t);
        if (type == 0 || type == 8) {
            r.TypeWord = static_cast<uint16_t>(f.Byte(t + 1) << 8 | type);
            r.PacketFlags |= r.TypeWord == 0 ? kPktReply : kPktRequest;
            r.Seq = f.Word(t + 6);
        }
        return;
    }
    if (r.App != kAppTCP && r.App != kAppUDP) return;
    if (r.App == kAppUDP) r.TransportHeaderLen = 8;
    if (fragmentOffset != 0) {
        LookUpFragmentPorts(s, r);
        return;
    }
    TakePorts(f, t, r);
    RememberFragmentPorts(s, r);
    if (whole) CheckTransportChecksum(f, net, t, r, kIpv4PseudoHeader);
    ApplyPortRoles(s, f, t, r, frameEnd);
    if (r.App == kAppTCP) DecodeTcpHeader(f, t, CapturedBytes(s), r);
}

// ---- network decoding: IPv6 ---------------------------------------------------------

constexpr std::size_t kIpv6HeaderBytes = 40;
// Extension headers walked before the chain is given up as unreadable: far more
// than any real packet carries, few enough that a hostile chain costs nothing.
constexpr int kMaxIpv6ExtensionHeaders = 16;
constexpr uint8_t kNextHeaderFragment = 44;
constexpr uint8_t kNextHeaderICMPv6 = 58;

bool IsIpv6ExtensionHeader(uint8_t nextHeader)
{
    return nextHeader == 0 || nextHeader == 43 || nextHeader == kNextHeaderFragment || nextHeader == 51 ||
           nextHeader == 60;
}

// What the walk of the extension-header chain finds: the upper-layer protocol
// and the bytes from the IPv6 header to it, and the fragment header's fields.
struct Ipv6Chain {
    uint8_t Protocol = 0;
    std::size_t HeaderBytes = kIpv6HeaderBytes;
    bool Readable = true;  // the chain ends inside the frame, within the bounds
    bool Fragment = false;
    uint16_t FragmentOffset = 0;
    uint32_t FragmentIdent = 0;
};

// Walks the chain of extension headers from the IPv6 header at net, reading only
// the captured frame (end). A chain that runs past the frame, is longer than
// kMaxIpv6ExtensionHeaders or puts the upper layer beyond what a packet summary
// holds (255 bytes) is unreadable: its packet has no transport header.
Ipv6Chain WalkIpv6Chain(const FrameReader& f, std::size_t net, std::size_t end)
{
    Ipv6Chain chain;
    chain.Protocol = f.Byte(net + 6);
    for (int n = 0; IsIpv6ExtensionHeader(chain.Protocol); ++n) {
        const std::size_t at = net + chain.HeaderBytes;
        if (n == kMaxIpv6ExtensionHeaders || at + 8 > end) {
            chain.Readable = false;
            return chain;
        }
        std::size_t length = (f.Byte(at + 1) + 1u) * 8;
        if (chain.Protocol == 51) length = (f.Byte(at + 1) + 2u) * 4;  // the authentication header counts in 4 bytes
        if (chain.Protocol == kNextHeaderFragment) {
            length = 8;
            chain.Fragment = true;
            chain.FragmentOffset = static_cast<uint16_t>(f.Word(at + 2) >> 3);
            chain.FragmentIdent = f.Long(at + 4);
        }
        chain.Protocol = f.Byte(at);
        chain.HeaderBytes += length;
    }
    chain.Readable = chain.HeaderBytes <= UINT8_MAX;
    return chain;
}

ApplicationCode Ipv6App(const Ipv6Chain& chain)
{
    if (!chain.Readable) return kAppUnknownIP;
    return chain.Protocol == kNextHeaderICMPv6 ? kAppICMPv6 : IpApp(chain.Protocol);
}

// The datagram's length: the header plus its payload length, or for a payload
// length of 0 (a jumbogram, whose length is in a hop-by-hop option) what the
// frame holds after the header.
uint16_t Ipv6DatagramLength(const FrameReader& f, std::size_t net, std::size_t capturedAheadOfFcs)
{
    const uint16_t payload = f.Word(net + 4);
    if (payload != 0) return static_cast<uint16_t>(std::min<int>(kIpv6HeaderBytes + payload, UINT16_MAX));
    const int held = static_cast<int>(capturedAheadOfFcs) - static_cast<int>(net);
    return static_cast<uint16_t>(std::clamp(held, static_cast<int>(kIpv6HeaderBytes), UINT16_MAX));
}

void DecodeIcmpv6(const FrameReader& f, std::size_t t, FrameResult& r)
{
    const uint8_t type = f.Byte(t);
    if (type != 128 && type != 129) return;
    r.TypeWord = static_cast<uint16_t>(f.Byte(t + 1) << 8 | type);
    r.PacketFlags |= type == 129 ? kPktReply : kPktRequest;
    r.Seq = f.Word(t + 6);
}

void DecodeIpv6(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    const std::size_t net = NetBase(s.Frame.NetOffset);
    uint8_t a[16];
    f.Copy(net + 8, a, 16);
    r.SrcNet.Assign(a, 16);
    f.Copy(net + 24, a, 16);
    r.DstNet.Assign(a, 16);
    r.PacketFlags = r.IsGroup ? PacketFlagSet{kPktGroup} : PacketFlagSet{};
    r.TTL = f.Byte(net + 7);
    // The length and the chain are read from the captured bytes ahead of the FCS, which the frame size counts.
    const std::size_t captured = CapturedBytes(s);
    const std::size_t aheadOfFcs = captured - std::min<std::size_t>(captured, static_cast<std::size_t>(FcsBytes(s)));
    r.NetLength = Ipv6DatagramLength(f, net, aheadOfFcs);
    const Ipv6Chain chain = WalkIpv6Chain(f, net, aheadOfFcs);
    r.App = Ipv6App(chain);
    r.IPHeaderLen = static_cast<uint8_t>(chain.Readable ? chain.HeaderBytes : kIpv6HeaderBytes);
    r.IPIdent = static_cast<uint16_t>(chain.FragmentIdent);
    if (!chain.Fragment) r.PacketFlags |= kPktNoIdent;
    if (!chain.Readable) return;
    const bool whole = DatagramCapturedWhole(s, r.NetLength);
    const std::size_t t = net + r.IPHeaderLen;
    if (chain.FragmentOffset != 0) {
        if (r.App == kAppTCP || r.App == kAppUDP) LookUpFragmentPorts(s, r);
        return;
    }
    if (r.App == kAppICMPv6) {
        // A first fragment holds only part of the message its checksum covers.
        if (whole && !chain.Fragment) CheckTransportChecksum(f, net, t, r, kIpv6PseudoHeader);
        DecodeIcmpv6(f, t, r);
        return;
    }
    if (r.App != kAppTCP && r.App != kAppUDP) return;
    if (r.App == kAppUDP) r.TransportHeaderLen = 8;
    TakePorts(f, t, r);
    if (chain.Fragment) RememberFragmentPorts(s, r);
    if (whole && !chain.Fragment) CheckTransportChecksum(f, net, t, r, kIpv6PseudoHeader);
    ApplyPortRoles(s, f, t, r, std::min<std::size_t>(s.Frame.FrameSize, kMaxFrameBytes));
    if (r.App == kAppTCP) DecodeTcpHeader(f, t, captured, r);
}

// ---- network decoding: IPX ----------------------------------------------------------

// The application of a well-known IPX socket; none for other sockets.
std::optional<ApplicationCode> IpxSocketApp(uint16_t socket)
{
    switch (socket) {
    case 0x0451: return kAppNCP;
    case 0x0452: return kAppSAP;
    case 0x0453: return kAppRIP;
    case 0x0455: return kAppNetBIOS;
    default: return (socket >= 0x0550 && socket <= 0x0554) ? std::optional(kAppSMB) : std::nullopt;
    }
}

ApplicationCode IpxApp(const FrameReader& f, std::size_t net, const FrameResult& r)
{
    const std::size_t data = net + 30;
    switch (f.Byte(net + 5)) {
    case 0:
    case 4: {
        return IpxSocketApp(r.SrcPort).value_or(IpxSocketApp(r.DstPort).value_or(kAppUnknownIPX));
    }
    case 1: return kAppRIP;
    case 2: return kAppEcho;
    case 3: return kAppError;
    case 5: return (f.Byte(data) & 0x08) ? kAppSPXII : kAppSPX;
    case 17: {
        const uint16_t n = f.Word(data);
        if (n == 0x1111) return (r.SrcPort > 0x4000 && r.DstPort > 0x4000) ? kAppLIPEcho : kAppNCP;
        if (n == 0x7777) return kAppPBurst;
        return kAppNCP;
    }
    case 20: return kAppWANBroadcast;
    case 25:
    case 26: return kAppNetWareLite;
    default: return kAppUnknownIPX;
    }
}

void CaptureSapNames(AnalysisState& s, const FrameReader& f, std::size_t net, const FrameResult& r)
{
    const std::size_t frameEnd = std::min<std::size_t>(s.Frame.FrameSize, kMaxFrameBytes);
    // One 64-byte service entry per step; an entry that passes the captured frame is not read.
    for (std::size_t base = 30; base < r.NetLength && net + base + 66 <= frameEnd; base += 64) {
        uint8_t raw[41];
        f.Copy(net + base + 4, raw, 41);
        const void* zero = std::memchr(raw, 0, sizeof raw);
        const std::string name = zero ? std::string(reinterpret_cast<const char*>(raw),
                                                    static_cast<const uint8_t*>(zero) - raw)
                                      : std::string();
        uint8_t server[10];
        f.Copy(net + base + 52, server, 10);
        AddName(s, NetString(server, 10), name);
        if (f.Byte(net + base + 65) == 1) AddName(s, NetString(r.SrcAddr.Data(), 6), name);
    }
}

void DecodeIpx(AnalysisState& s, const FrameReader& f, FrameResult& r)
{
    const std::size_t net = NetBase(s.Frame.NetOffset);
    const std::size_t data = net + 30;
    uint8_t a[10];
    f.Copy(net + 18, a, 10);
    r.SrcNet.Assign(a, 10);
    f.Copy(net + 6, a, 10);
    r.DstNet.Assign(a, 10);
    r.PacketFlags = r.IsGroup ? PacketFlagSet{kPktGroup} : PacketFlagSet{};
    r.NetLength = f.Word(net + 2);
    r.TTL = f.Byte(net + 4) & 0x0F;
    r.DstPort = f.Word(net + 16);
    r.SrcPort = f.Word(net + 28);
    r.IPHeaderLen = 30;
    r.App = IpxApp(f, net, r);

    switch (r.App) {
    case kAppSMB:
        if (r.SrcPort == 0x0550) r.PacketFlags |= kPktReply;
        if (r.SrcPort == 0x0552) r.PacketFlags |= kPktRequest;
        r.Seq = f.Word(data + 30);
        break;
    case kAppNCP: {
        const uint16_t n = f.Word(data);
        if (n == 0x2222 || n == 0x1111 || n == 0x5555) {
            r.PacketFlags |= kPktRequest;
            if (n == 0x2222) {
                r.NCPFunction = f.Byte(data + 6);
                if (r.NCPFunction == 0x48) r.PacketFlags |= kPktNcpRead;
                if (r.NCPFunction == 0x49) r.PacketFlags |= kPktNcpWrite;
            }
        } else if (n == 0x3333 || n == 0x9999) {
            r.PacketFlags |= kPktReply;
        }
        if (r.PacketFlags.Has(kPktRequest) || r.PacketFlags.Has(kPktReply)) r.Seq = f.Byte(data + 2);
        break;
    }
    case kAppPBurst:
        r.Seq = f.Word(data + 20);
        r.Ack = f.Word(data + 22);
        r.PacketFlags |= r.Seq == r.Ack ? kPktRequest : kPktReply;
        break;
    case kAppSPX:
    case kAppSPXII:
        r.TransportHeaderLen = 12;
        r.PacketFlags |= (f.Byte(data) & 0x80) ? kPktReply : kPktRequest;
        r.SrcPort = f.Word(data + 2);
        r.DstPort = f.Word(data + 4);
        r.Seq = f.Word(data + 6);
        r.Ack = f.Word(data + 8);
        break;
    case kAppNetBIOS: {
        const uint8_t kind = f.Byte(data + 1);
        if (kind != 2 && kind != 4) r.PacketFlags |= (f.Byte(data) & 0x80) ? kPktReply : kPktRequest;
        r.SrcPort = f.WordLowFirst(data + 2);
        r.DstPort = f.WordLowFirst(data + 4);
        r.Seq = f.WordLowFirst(data + 6);
        r.Ack = f.WordLowFirst(data + 14);
        if (kind == 2 || kind == 3) {
            uint8_t name[16];
            f.Copy(data + 34, name, 16);
            AddName(s, r.SrcNet, NameFromBytes(name, 16, false));
        }
        break;
    }
    case kAppSAP:
        if (r.DstPort != 0x0452) {
            r.PacketFlags |= kPktRequest;
        } else {
            r.PacketFlags |= kPktReply;
            CaptureSapNames(s, f, net, r);
        }
        break;
    default:
        break;
    }
}

// ---- network accounting, conversations and packets ----------------------------------

// The number of a new node for the address, first seen in the frame.
uint32_t InsertNetNode(AnalysisState& s, const NetString& address, const FrameResult& r, uint32_t station)
{
    const uint32_t number = s.NetworkNodes.Add(address);
    s.NetworkNodes.Change(number, [&](NetNode& node) {
        node.Kind = NetworkKindOf(r.Family);
        node.StationNumber = station;
    });
    if (r.Family == kFamilyIP)
        s.IPHostCount += 1;
    else if (r.Family == kFamilyIPv6)
        s.IPv6HostCount += 1;
    else
        s.IPXHostCount += 1;
    return number;
}

bool MatchesByPorts(ApplicationCode app)
{
    return app == kAppTCP || app == kAppUDP || app == kAppSPX || app == kAppNetBIOS || app == kAppSMB ||
           app == kAppPBurst;
}

// Application chain keys: a head of a port-keyed application is found by its
// application and its port pair, any other head by its application alone. The
// application is part of both, so a UDP flow and a TCP flow on the same port
// pair between the same two hosts keep records of their own.
std::array<uint64_t, 2> PortHeadKey(int netPeer, const FrameResult& r)
{
    return {static_cast<uint32_t>(netPeer),
            uint64_t{CodeIndex(r.App)} << 33 | uint64_t{1} << 32 | static_cast<uint32_t>(r.SrcPort) << 16 | r.DstPort};
}

std::array<uint64_t, 2> AppHeadKey(int netPeer, ApplicationCode app)
{
    return {static_cast<uint32_t>(netPeer), uint64_t{CodeIndex(app)} << 33};
}

std::array<uint64_t, 2> TransHeadKey(int netPeer, const FrameResult& r)
{
    return MatchesByPorts(r.App) ? PortHeadKey(netPeer, r) : AppHeadKey(netPeer, r.App);
}

// Whether a head is one of the frame's: the key of the index without the index.
bool HeadMatches(const TTransHead& head, const FrameResult& r)
{
    return head.App == r.App && (!MatchesByPorts(r.App) || (head.SrcPort == r.SrcPort && head.DstPort == r.DstPort));
}

int NewTransHead(AnalysisState& s, const FrameResult& r)
{
    TTransHead head;
    head.App = r.App;
    head.SrcPort = r.SrcPort;
    head.DstPort = r.DstPort;
    return s.ObjectList.Add(head);
}

// The destination's node is in the map before its first conversation is made.
int NewNetPeer(AnalysisState& s, const FrameResult& r)
{
    TNetPeer peer;
    peer.PeerNode = s.NetworkNodes.NumberOf(r.DstNet);
    const int index = s.ObjectList.Add(peer);
    const int head = NewTransHead(s, r);  // after its conversation: chains only lead forward
    s.ObjectList.ChangeNetPeer(index, [head](TNetPeer& made) { made.FirstTrans = head; });
    return index;
}

// Chains of conversations and of their heads are indexed as the DLC chains are
// (FindDLCPeer): the first record through its owner, the later ones by the index.
int FindNetPeerOf(const AnalysisState& s, const NetNode& source, const FrameResult& r)
{
    if (const int32_t* found = s.Index.NetPeers.Find(NetPeerKey(r.SrcNet, r.DstNet))) return *found;
    const bool matches = s.ObjectList.LookAtNetPeer(
        source.FirstPeer, [&](const TNetPeer& first) { return PeerAddressOf(s, first) == r.DstNet; });
    return matches ? source.FirstPeer : -1;
}

// isNew: the node starts a chain (it is new, or a view had hidden it); hadChain:
// it had sent before, so the chain it had goes on in the index.
int FindOrAddNetPeer(AnalysisState& s, NetNode& source, bool isNew, bool hadChain, const FrameResult& r)
{
    if (isNew) {
        if (r.Family == kFamilyIP)
            s.IPSenderCount += 1;
        else if (r.Family == kFamilyIPv6)
            s.IPv6SenderCount += 1;
        else
            s.IPXSenderCount += 1;
        // The first record of a chain the node had before goes into the index.
        if (hadChain) {
            const NetString old = s.ObjectList.LookAtNetPeer(source.FirstPeer, [&s](const TNetPeer& first) { return PeerAddressOf(s, first); });
            s.Index.NetPeers.Insert(NetPeerKey(r.SrcNet, old), source.FirstPeer);
        }
        source.FirstPeer = NewNetPeer(s, r);
        return source.FirstPeer;
    }
    if (const int found = FindNetPeerOf(s, source, r); found >= 0) return found;
    const int index = NewNetPeer(s, r);
    s.Index.NetPeers.Insert(NetPeerKey(r.SrcNet, r.DstNet), index);
    s.ObjectList.ChangeNetPeer(s.Index.Tails.Extend(source.FirstPeer, index), [index](TNetPeer& last) { last.Next = index; });
    return index;
}

// The first TTransHead of the chain that matches the frame: one of the frame's
// application, and for a port-keyed application also of the frame's ports.
int FindOrAddTransHead(AnalysisState& s, int netPeer, const FrameResult& r)
{
    if (const int32_t* found = s.Index.TransHeads.Find(TransHeadKey(netPeer, r))) return *found;
    const int first = s.ObjectList.LookAtNetPeer(netPeer, [](const TNetPeer& peer) { return peer.FirstTrans; });
    if (HeadMatches(s.ObjectList.TransHead(first), r)) return first;
    const int index = NewTransHead(s, r);
    // A new head is only made when no head matched, so its key is new.
    s.Index.TransHeads.Insert(TransHeadKey(netPeer, r), index);
    s.ObjectList.ChangeTransHead(s.Index.Tails.Extend(first, index), [index](TTransHead& last) { last.NextTrans = index; });
    return index;
}

int AppendPacket(AnalysisState& s, int headIndex)
{
    const int index = static_cast<int>(s.PacketList.size());
    s.PacketList.emplace_back();
    s.ObjectList.ChangeTransHead(headIndex, [&s, index](TTransHead& head) {
        if (head.FirstPacket == -1) {
            head.FirstPacket = index;
        } else {
            s.PacketList[static_cast<size_t>(head.LastPacket)].NextPacket = index;
            s.PacketList.back().PrevPacket = head.LastPacket;
        }
        head.LastPacket = index;
    });
    return index;
}

// Appends the frame's summary to the head's chain and returns its index.
int AddPacketSummary(AnalysisState& s, int headIndex, const FrameResult& r)
{
    int index = AppendPacket(s, headIndex);
    const int last = s.PacketList[static_cast<size_t>(index)].PrevPacket;
    // A missing NCP sequence number leaves a gap marker before the frame's packet.
    if (r.App == kAppNCP && last != -1 && r.Seq != 0 &&
        int64_t{r.Seq} - s.PacketList[static_cast<size_t>(last)].Seq >= 2) {
        TPacket& marker = s.PacketList[static_cast<size_t>(index)];
        marker.Time = s.Frame.FrameTime;
        marker.Length = 512;
        marker.FrameNo = static_cast<uint32_t>(r.FrameNo);
        marker.PacketFlags = {kPktGapMarker};
        index = AppendPacket(s, headIndex);
    }
    TPacket& p = s.PacketList[static_cast<size_t>(index)];
    p.Time = s.Frame.FrameTime;
    p.Length = s.Frame.FrameSize;
    p.FrameNo = static_cast<uint32_t>(r.FrameNo);
    p.SrcStation = r.SrcStation;
    p.PktNetOffset = s.Frame.NetOffset;
    p.SetIPHeaderLen(r.IPHeaderLen);
    p.NetLength = r.NetLength;
    p.IPIdent = r.IPIdent;
    p.SetTransportHeaderLen(r.TransportHeaderLen);
    p.Seq = r.Seq;
    p.Ack = r.Ack;
    p.ControlByte = r.App == kAppTCP ? r.TCPFlags : r.NCPFunction;
    p.TypeWord = r.TypeWord;
    p.PacketFlags = r.PacketFlags;
    if (s.Frame.FrameBadFCS) p.PacketFlags |= kPktBadFcs;
    p.TTL = r.TTL;
    p.SetRetransDepth(0);
    p.NextPacket = -1;
    if (r.TcpOptions.MSS != 0 || r.TcpOptions.WindowShift >= 0 || r.TcpOptions.SackBlockCount > 0) {
        s.TcpOptions.push_back(r.TcpOptions);
        s.TcpOptions.back().Packet = index;
    }
    return index;
}

int TcpPayload(const TPacket& e)
{
    return e.NetLength - e.IPHeaderLen() - e.TransportHeaderLen() + ((e.TCPFlags() & (kTcpFin | kTcpSyn | kTcpRst)) ? 1 : 0);
}

void MarkTcpRetransmission(AnalysisState& s, TPacket& p)
{
    if (p.TypeWord == 0 && (p.TCPFlags() & (kTcpFin | kTcpSyn | kTcpRst)) == 0) p.PacketFlags |= kPktZeroWindow;
    int e = p.PrevPacket;
    int steps = 0;
    bool found = false;
    for (;;) {
        ++steps;
        const TPacket& earlier = s.PacketList[static_cast<size_t>(e)];
        if (TcpPayload(earlier) != 0 || p.TTL < earlier.TTL) found = p.Seq == earlier.Seq;
        if (found || earlier.PrevPacket < 0) break;
        e = earlier.PrevPacket;
        if (s.PacketList[static_cast<size_t>(e)].PrevPacket < 0 || steps >= 10) break;
    }
    if (!found) {
        // The loop may stop on a predecessor it moved to without comparing it.
        return;
    }
    const TPacket& copy = s.PacketList[static_cast<size_t>(e)];
    p.SetRetransDepth(static_cast<uint8_t>(steps));
    if (p.TTL < copy.TTL && p.SrcStation != copy.SrcStation)
        p.PacketFlags |= kPktPathDuplicate;
    else
        p.PacketFlags |= kPktRetransmission;
}

void MarkNcpRepeat(AnalysisState& s, TPacket& p)
{
    const TPacket& e = s.PacketList[static_cast<size_t>(p.PrevPacket)];
    if (!p.PacketFlags.Has(kPktRequest) || p.PacketFlags.Has(kPktGroup) || p.Seq != e.Seq) return;
    if (e.TTL >= p.TTL) {
        if (p.Time - e.Time < 10000000.0 && p.NCPFunction() == e.NCPFunction()) p.PacketFlags |= kPktRetransmission;
    } else {
        p.PacketFlags |= kPktPathDuplicate;
    }
}

void MarkRepeats(AnalysisState& s, int packet, ApplicationCode app)
{
    TPacket& p = s.PacketList[static_cast<size_t>(packet)];
    if (p.PrevPacket < 0) return;
    if (app == kAppTCP)
        MarkTcpRetransmission(s, p);
    else if (app == kAppNCP || app == kAppPBurst)
        MarkNcpRepeat(s, p);
}

void AccountNetwork(AnalysisState& s, const FrameResult& r)
{
    // The nodes are changed through their tree, which keeps a node of one frame
    // (every new host of a flood) in its compact form.
    uint32_t source = s.NetworkNodes.NumberOf(r.SrcNet);
    bool isNew = source == NetTree::kNoNumber;
    if (isNew) source = InsertNetNode(s, r.SrcNet, r, r.SrcStation);
    uint32_t dest = NetTree::kNoNumber;
    int peerIndex = -1;
    s.NetworkNodes.Change(source, [&](NetNode& node) {
        // Only the engine sets kFlagSender, when it makes the node's first conversation.
        const bool hadChain = node.NetFlags.Has(kFlagSender);
        if (!node.NetFlags.HasAll({kFlagSender, kFlagViewable})) {
            node.NetFlags = {kFlagSender, kFlagViewable};
            isNew = true;
        }
        node.Protocols |= r.App;
        node.FramesSent += 1;
        node.BytesSent += s.Frame.FrameSize;

        // The destination's node is in the map before its first conversation is made.
        dest = s.NetworkNodes.NumberOf(r.DstNet);
        if (dest == NetTree::kNoNumber) dest = InsertNetNode(s, r.DstNet, r, r.DstStation);
        peerIndex = FindOrAddNetPeer(s, node, isNew, hadChain, r);
    });
    s.ObjectList.ChangeNetPeer(peerIndex, [&](TNetPeer& peer) {
        peer.Protocols |= r.App;
        peer.Hops = r.TTL;
        peer.Frames += 1;
        peer.Bytes += s.Frame.FrameSize;
        peer.FramesByProtocol.Add(r.App);
    });

    const int head = FindOrAddTransHead(s, peerIndex, r);
    const int packet = AddPacketSummary(s, head, r);

    s.NetworkNodes.Change(dest, [&](NetNode& node) {
        node.Protocols |= r.App;
        node.FramesReceived += 1;
        node.BytesReceived += s.Frame.FrameSize;
    });

    MarkRepeats(s, packet, r.App);
}

}  // namespace

// ---- public operations ------------------------------------------------------------

void CloseInterval(AnalysisState& s)
{
    const double overhead = Overhead(s);
    const double capacity = s.LinkBytesPerSecond > 0 ? s.LinkBytesPerSecond : 1;
    s.IntervalCount += 1;
    s.TotalBytes += s.SecBytes;
    s.TotalBroadcastBytes += s.SecBroadcastBytes;
    s.TotalMulticastBytes += s.SecMulticastBytes;

    const double u = std::nearbyint((s.SecFrames * overhead + s.SecBytes) * 100.0 / capacity);
    const double b = std::nearbyint((s.SecBroadcastFrames * overhead + s.SecBroadcastBytes) * 100.0 / capacity);
    s.UtilStats[kUtilAverage] = static_cast<int64_t>(
        std::nearbyint((s.TotalBytes + overhead * s.FrameStats[kStatFrames]) * 100.0 / capacity / s.IntervalCount));
    s.UtilStats[kUtilAverageGroup] = static_cast<int64_t>(std::nearbyint(
        (s.TotalBroadcastBytes + s.TotalMulticastBytes + overhead * (s.FrameStats[kStatBroadcastFrames] + s.FrameStats[kStatMulticastFrames])) * 100.0 /
        capacity / s.IntervalCount));

    auto raise = [](int64_t& peak, int64_t value) {
        if (value > peak) peak = value;
    };
    raise(s.UtilStats[kUtilPeakBytes], s.SecBytes);
    raise(s.UtilStats[kUtilPeakGroupBytes], s.SecBroadcastBytes + s.SecMulticastBytes);
    raise(s.UtilStats[kUtilPeakFrames], s.SecFrames);
    raise(s.UtilStats[kUtilPeakGroupFrames], s.SecBroadcastFrames + s.SecMulticastFrames);
    // Utilisations compare as 16-bit unsigned values.
    const auto u16 = static_cast<uint16_t>(static_cast<int64_t>(u));
    const auto b16 = static_cast<uint16_t>(static_cast<int64_t>(b));
    if (u16 > static_cast<uint16_t>(s.UtilStats[kUtilPeak])) s.UtilStats[kUtilPeak] = u16;
    if (b16 > static_cast<uint16_t>(s.UtilStats[kUtilPeakBroadcast])) s.UtilStats[kUtilPeakBroadcast] = b16;

    s.SecFrames = s.SecBroadcastFrames = s.SecMulticastFrames = s.SecErrorFrames = 0;
    s.SecBytes = s.SecBroadcastBytes = s.SecMulticastBytes = 0;
    if (s.FrameStats[kStatFrames] >= 1)
        s.FrameStats[kStatAverageFrameSize] = static_cast<int64_t>(std::nearbyint(s.TotalBytes / s.FrameStats[kStatFrames]));
}

void UpdateElapsed(AnalysisState& s, int64_t frameNo)
{
    if (frameNo == 1) {
        s.ElapsedTime = 0;
        s.PrevFrameTime = s.Frame.FrameTime;
        s.LastTickTime = s.Frame.FrameTime;
    } else {
        if (s.PrevFrameTime <= s.Frame.FrameTime) {
            s.ElapsedTime += s.Frame.FrameTime - s.PrevFrameTime;
        } else {
            const double stepBack = s.PrevFrameTime - s.Frame.FrameTime;
            // A big step back means the analyser's time base restarted.
            s.ElapsedTime += stepBack < kTimeRestartMicroseconds ? stepBack : s.Frame.FrameTime;
        }
        s.PrevFrameTime = s.Frame.FrameTime;
    }
    if (s.Frame.FrameTime - s.LastTickTime >= s.TickLength) {
        CloseInterval(s);
        s.LastTickTime = s.Frame.FrameTime;
    }
}

bool AnalyzeFrame(AnalysisState& s, int64_t& frameNo)
{
    PumpIfDue(s);
    ++frameNo;
    ++s.Read.FramesSeen;
    if (s.Read.CountOnly) return true;
    if (s.Frame.FrameSize > kMaxFrameBytes) s.Frame.FrameSize = kMaxFrameBytes;

    UpdateElapsed(s, frameNo);
    if (s.Frame.FrameSize < std::abs(s.FrameStats[kStatSmallestFrame])) s.FrameStats[kStatSmallestFrame] = s.Frame.FrameSize;
    if (s.Frame.FrameSize > s.FrameStats[kStatLargestFrame]) s.FrameStats[kStatLargestFrame] = s.Frame.FrameSize;
    s.SecBytes += s.Frame.FrameSize;

    FrameResult r;
    r.FrameNo = frameNo;
    const FrameReader f(s);
    if (s.Topology == kTopologyEthernet)
        DecodeEthernet(s, f, r);
    else
        DecodeTokenRing(s, f, r);
    CountMedium(s, f, r);

    ProtocolStat& family = s.ProtocolStats[CodeIndex(r.Family)];
    family.Frames += 1;
    if (r.IsGroup) family.GroupFrames += 1;
    family.Bytes += s.Frame.FrameSize;

    s.Frame.HaveNetAddrs = !r.SrcAddr.Empty() && (s.Topology != kTopologyEthernet || UntaggedSize(s, r) >= 18);
    if (s.Frame.HaveNetAddrs) AccountStations(s, f, r);
    if (s.Topology == kTopologyEthernet) s.Frame.HaveNetAddrs = UntaggedSize(s, r) >= 58;

    if (s.Frame.HaveNetAddrs && r.Family == kFamilyNetBIOSLLC) CaptureNetBIOSName(s, f, r);
    if (s.Frame.HaveNetAddrs && IsNetworkFamily(r.Family)) {
        if (r.Family == kFamilyIP)
            DecodeIp(s, f, r);
        else if (r.Family == kFamilyIPv6)
            DecodeIpv6(s, f, r);
        else
            DecodeIpx(s, f, r);
        AccountNetwork(s, r);
    }

    s.SecFrames += 1;
    s.FrameStats[kStatFrames] += 1;
    return s.Options.StopAtFrameMode && frameNo == s.Options.StopFrameNo;
}

}  // namespace quenlix
