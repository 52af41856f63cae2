#pragma once
// The analysis of one trace: the current frame handed from a reader to the engine,
// the reading state, the medium, every statistic the engine accumulates, the
// station, network and name trees, and the object and packet lists that hold the
// conversation records. The application owns one instance; tests make their own.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/AddressTree.h"
#include "model/ChainIndex.h"
#include "model/Codes.h"
#include "model/ChunkedList.h"
#include "model/PString.h"
#include "model/SparseCounts.h"

namespace quenlix {

class ReadHost;
class SettingsStore;

constexpr int kMaxFrameBytes = 18000;
constexpr int kFrameStatsCount = 18;
constexpr int kUtilStatsCount = 12;
constexpr int kFamilyCount = 18;
// Every family, in the order the tables, charts and lists show them: by code,
// but with IPv6 (a later code) beside IP.
inline constexpr std::array<ProtocolFamily, kFamilyCount> kAllFamilies = [] {
    std::array<ProtocolFamily, kFamilyCount> families{};
    std::size_t n = 0;
    for (ProtocolFamily family : CodesInOrder<ProtocolFamily, kFamilyCount>()) {
        if (family == kFamilyIPv6) continue;
        families[n++] = family;
        if (family == kFamilyIP) families[n++] = kFamilyIPv6;
    }
    return families;
}();
constexpr int kAppCount = 24;  // FramesByProtocol and the Protocols sets hold codes 0..23
constexpr int kSizeClassCount = 72;  // SizeDistribution entries -1..70
constexpr int kRingOrderCapacity = 280;
constexpr int kVendorCapacity = 1900;
constexpr int kViewCount = 11;
constexpr int kLastFrameCopyBytes = 1518;
// The highest frame number the packet summaries hold (TPacket::FrameNo).
constexpr int64_t kMaxFrameNumber = UINT32_MAX;

// Frame sizes of the media, in bytes.
constexpr int kEthernetFcsBytes = 4;       // the frame check sequence at an Ethernet frame's end
constexpr int kMinimumEthernetFrame = 64;  // the shortest valid Ethernet frame, its FCS included
// What a frame takes of the medium beyond its own bytes: on Ethernet the
// preamble, start delimiter and inter-frame gap, on Token Ring the starting
// delimiter's byte.
constexpr int kEthernetFrameAllowance = 20;
constexpr int kTokenRingFrameAllowance = 1;

// A set of flags whose values are bit masks, kept in the width the analysis
// stores it in (Bits).
template <class Flag, class Bits>
class FlagSet {
public:
    constexpr FlagSet() = default;
    // A set of one flag.
    constexpr FlagSet(Flag flag) : bits_(Mask(flag)) {}
    constexpr FlagSet(std::initializer_list<Flag> flags)
    {
        for (Flag flag : flags) Add(flag);
    }
    static constexpr FlagSet FromBits(Bits bits)
    {
        FlagSet set;
        set.bits_ = bits;
        return set;
    }
    constexpr Bits ToBits() const { return bits_; }

    // True when every bit of the flag is set.
    constexpr bool Has(Flag flag) const { return (bits_ & Mask(flag)) == Mask(flag); }
    constexpr bool HasAll(FlagSet flags) const { return (bits_ & flags.bits_) == flags.bits_; }
    constexpr bool HasAny(FlagSet flags) const { return (bits_ & flags.bits_) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Add(Flag flag) { bits_ = static_cast<Bits>(bits_ | Mask(flag)); }
    constexpr void Remove(Flag flag) { bits_ = static_cast<Bits>(bits_ & ~Mask(flag)); }
    constexpr void Set(Flag flag, bool on)
    {
        if (on)
            Add(flag);
        else
            Remove(flag);
    }
    constexpr FlagSet& operator|=(FlagSet other)
    {
        bits_ = static_cast<Bits>(bits_ | other.bits_);
        return *this;
    }
    constexpr FlagSet& operator|=(Flag flag)
    {
        Add(flag);
        return *this;
    }
    friend constexpr FlagSet operator|(FlagSet a, FlagSet b) { return a |= b; }
    friend constexpr FlagSet operator&(FlagSet a, FlagSet b) { return FromBits(static_cast<Bits>(a.bits_ & b.bits_)); }
    // True when any flag is set.
    constexpr explicit operator bool() const { return bits_ != 0; }
    friend constexpr bool operator==(FlagSet, FlagSet) = default;

private:
    static constexpr Bits Mask(Flag flag) { return static_cast<Bits>(flag); }
    Bits bits_ = 0;
};

// The set type of each kind of flag, so that two flags joined by | make their set.
template <class Flag>
struct FlagSetOf;

template <class Flag>
    requires requires { typename FlagSetOf<Flag>::Type; }
constexpr typename FlagSetOf<Flag>::Type operator|(Flag a, Flag b)
{
    return {a, b};
}

// Frame status bits of the station and DLC peer sets.
enum class FrameStatusFlag : uint8_t {
    kStatusBadBit = 0x01,
    kStatusGoodBit = 0x08,
};
using enum FrameStatusFlag;
using FrameStatusSet = FlagSet<FrameStatusFlag, uint8_t>;
template <>
struct FlagSetOf<FrameStatusFlag> {
    using Type = FrameStatusSet;
};

// Station and network node flags.
enum class NodeFlag : int16_t {
    kFlagSender = 0x0001,
    kFlagViewable = 0x0002,
    kFlagOnMap = 0x0004,
};
using enum NodeFlag;
using NodeFlagSet = FlagSet<NodeFlag, int16_t>;
template <>
struct FlagSetOf<NodeFlag> {
    using Type = NodeFlagSet;
};

// PacketFlags bits of a TPacket. A gap marker (a summary that stands for
// packets not captured) has every bit set.
enum class PacketFlag : uint16_t {
    kPktRequest = 0x0001,
    kPktReply = 0x0002,
    kPktGroup = 0x0004,
    kPktNcpRead = 0x0008,
    kPktNcpWrite = 0x0010,
    kPktNoIdent = 0x0020,  // an IPv6 packet without a fragment header: no datagram identifier
    kPktZeroWindow = 0x0200,
    kPktPathDuplicate = 0x0400,
    kPktRetransmission = 0x0800,
    kPktBadTcpChecksum = 0x1000,
    kPktBadUdpChecksum = 0x2000,
    kPktBadIpChecksum = 0x4000,
    kPktBadFcs = 0x8000,
    kPktGapMarker = 0xFFFF,
};
using enum PacketFlag;
using PacketFlagSet = FlagSet<PacketFlag, uint16_t>;
template <>
struct FlagSetOf<PacketFlag> {
    using Type = PacketFlagSet;
};
// A packet damaged on the way: a bad TCP, UDP or IP checksum or a bad FCS.
inline constexpr PacketFlagSet kPktDamaged{kPktBadTcpChecksum, kPktBadUdpChecksum, kPktBadIpChecksum, kPktBadFcs};

// Bits of the TCP header's flags byte (TPacket::TCPFlags()).
constexpr uint16_t kTcpFin = 0x01;
constexpr uint16_t kTcpSyn = 0x02;
constexpr uint16_t kTcpRst = 0x04;
constexpr uint16_t kTcpPush = 0x08;
constexpr uint16_t kTcpAck = 0x10;
constexpr uint16_t kTcpUrg = 0x20;

// ---- records of the object list -------------------------------------------------

struct TMACInfo {
    std::array<uint8_t, 6> NAUN{};
    int16_t NAUNVendor = 0;
    std::array<uint32_t, 10> SoftErrors{};  // wide enough for every report of a trace
    int32_t Next = -1;
};

// The conversation records below are ordered by field size so that they pack
// without holes: a flood of new hosts makes one of each per frame.
struct TDLCPeer {
    std::array<uint8_t, 6> DestAddress{};
    FrameStatusSet PeerFrameStatus;
    EncapsulationSet PeerEncapsulations;
    uint32_t Frames = 0;
    int32_t Next = 0;  // 0 ends the chain
    int64_t Bytes = 0;
    SparseCounts<Encapsulation, 5> FramesByEncapsulation;
    SparseCounts<ProtocolFamily, kFamilyCount> FramesByFamily;

    // The families of the frames sent to the peer: those with a count. Every
    // frame counts in its family, so the set needs no bits of its own.
    FamilySet PeerFamilies() const
    {
        FamilySet families;
        for (std::size_t i = 0; i < FramesByFamily.size(); ++i)
            if (FramesByFamily[i] != 0) families |= static_cast<ProtocolFamily>(i);
        return families;
    }
};
static_assert(sizeof(TDLCPeer) == 40, "a flood of new hosts makes one DLC conversation record per frame");

struct TNetPeer {
    // The peer's node, by its number in the network node map (kNoPeerNode: none):
    // 4 bytes where a copy of its address took 17. PeerAddressOf gives the address.
    uint32_t PeerNode = kNoPeerNode;
    ApplicationSet Protocols;
    int32_t FirstTrans = -1;
    uint32_t Frames = 0;
    int32_t Next = 0;  // 0 ends the chain
    uint8_t Hops = 0;
    int64_t Bytes = 0;
    SparseCounts<ApplicationCode, kAppCount> FramesByProtocol;

    static constexpr uint32_t kNoPeerNode = UINT32_MAX;
};
static_assert(sizeof(TNetPeer) == 40, "a flood of new hosts makes one conversation record per frame");

struct TTransHead {
    ApplicationCode App = kAppICMP;
    uint16_t SrcPort = 0;
    uint16_t DstPort = 0;
    int32_t FirstPacket = -1;
    int32_t NextTrans = -1;  // -1 ends the chain
    // The chain's last packet, so that appending never walks the chain.
    int32_t LastPacket = -1;
};

struct TNameHead {
    std::string Name;  // at most 41 characters
};

enum class ObjectKind : uint8_t { MACInfo, DLCPeer, NetPeer, TransHead, NameHead };

// A 32-bit word kept in four bytes of no alignment, so that the compact records
// below pack to 2-byte boundaries.
class PackedWord {
public:
    PackedWord() = default;
    explicit PackedWord(uint32_t word) { std::memcpy(bytes_.data(), &word, sizeof word); }
    uint32_t Get() const
    {
        uint32_t word = 0;
        std::memcpy(&word, bytes_.data(), sizeof word);
        return word;
    }

private:
    std::array<uint8_t, 4> bytes_{};
};

// Owns every record of the classes above. All classes share one index space,
// as the records refer to each other by object index.
//
// A conversation record (TDLCPeer, TNetPeer, TTransHead) that has carried at
// most one frame and ends its chain is kept in a compact form of 10 or 12
// bytes instead of its 20 to 40: a flood of new hosts makes one of each per
// frame, and none of them ever sees a second frame. A record that outgrows the form
// moves, once, to a full record, and its compact slot keeps where it went.
// The records are therefore read as copies and changed through ChangeDLCPeer,
// ChangeNetPeer and ChangeTransHead.
class ObjectStore {
public:
    int Add(const TMACInfo& r) { return Append(ObjectKind::MACInfo, macInfos_, r); }
    int Add(const TDLCPeer& r);
    int Add(const TNetPeer& r);
    int Add(const TTransHead& r);
    int Add(const TNameHead& r) { return Append(ObjectKind::NameHead, nameHeads_, r); }

    TMACInfo& MACInfo(int index) { return At(ObjectKind::MACInfo, macInfos_, index); }
    TNameHead& NameHead(int index) { return At(ObjectKind::NameHead, nameHeads_, index); }
    const TMACInfo& MACInfo(int index) const { return At(ObjectKind::MACInfo, macInfos_, index); }
    const TNameHead& NameHead(int index) const { return At(ObjectKind::NameHead, nameHeads_, index); }
    TDLCPeer DLCPeer(int index) const;
    TNetPeer NetPeer(int index) const;
    TTransHead TransHead(int index) const;

    // Calls look(const record&) on the record where it is kept, or on its
    // unpacked copy, and returns a copy of what look returns: a look at one
    // field without copying a full record and its counts.
    template <class Look>
    auto LookAtDLCPeer(int index, Look look) const
    {
        return LookAt(ObjectKind::DLCPeer, dlcPeers_, fullDLCPeers_, index, look);
    }
    template <class Look>
    auto LookAtNetPeer(int index, Look look) const
    {
        return LookAt(ObjectKind::NetPeer, netPeers_, fullNetPeers_, index, look);
    }

    // Applies change(record&) to the record at index.
    template <class Change>
    void ChangeDLCPeer(int index, Change change)
    {
        ChangeRecord(ObjectKind::DLCPeer, dlcPeers_, fullDLCPeers_, index, change);
    }
    template <class Change>
    void ChangeNetPeer(int index, Change change)
    {
        ChangeRecord(ObjectKind::NetPeer, netPeers_, fullNetPeers_, index, change);
    }
    template <class Change>
    void ChangeTransHead(int index, Change change)
    {
        ChangeRecord(ObjectKind::TransHead, transHeads_, fullTransHeads_, index, change);
    }

    bool Holds(ObjectKind kind, int index) const
    {
        if (index < 0 || index >= count_) return false;
        return (BlockOf(index).Members[KindIndex(kind)] >> BitOf(index) & 1) != 0;
    }
    ObjectKind KindOf(int index) const
    {
        if (index < 0 || index >= count_) throw std::out_of_range("object index past the object list");
        const KindBlock& block = BlockOf(index);
        for (std::size_t k = 0; k < kKindCount; ++k)
            if ((block.Members[k] >> BitOf(index) & 1) != 0) return static_cast<ObjectKind>(k);
        throw std::logic_error("an object of no kind");
    }
    int Count() const { return count_; }
    // The conversation records that have outgrown the compact form.
    std::size_t FullRecordCount() const { return fullDLCPeers_.size() + fullNetPeers_.size() + fullTransHeads_.size(); }

    // Frees every record; capacity sizes the table of the kind blocks' chunks.
    void Clear(size_t capacity)
    {
        count_ = 0;
        blocks_.clear();
        blocks_.reserve(capacity / kBlockObjects + 1);
        macInfos_.clear();
        dlcPeers_.clear();
        netPeers_.clear();
        transHeads_.clear();
        nameHeads_.clear();
        fullDLCPeers_.clear();
        fullNetPeers_.clear();
        fullTransHeads_.clear();
    }

    // The compact forms. Each holds the one frame's figures, or, once the
    // record has moved (Moved()), the slot of its full record (MovedSlot()).
    // Pack is only called on a record that Fits.
    struct CompactDLCPeer {
        std::array<uint8_t, 6> DestAddress{};
        FrameStatusSet PeerFrameStatus;
        EncapsulationSet PeerEncapsulations;
        uint8_t Family = kNoCode;         // the counted frame's family; kNoCode: no frame
        uint8_t Encapsulation = kNoCode;  // the counted frame's encapsulation, if it was counted
        uint16_t Bytes = 0;

        static bool Fits(const TDLCPeer& r);
        static CompactDLCPeer Pack(const TDLCPeer& r);
        TDLCPeer Unpack() const;
        static CompactDLCPeer MovedTo(uint32_t slot);
        bool Moved() const { return Family == kMovedCode; }
        uint32_t MovedSlot() const;
    };
    struct CompactNetPeer {
        uint32_t PeerNode = TNetPeer::kNoPeerNode;  // the full record's slot once moved
        int32_t FirstTrans = -1;
        uint16_t Bytes = 0;
        uint8_t App = kNoCode;  // the counted frame's application; kNoCode: no frame
        uint8_t Hops = 0;

        static bool Fits(const TNetPeer& r);
        static CompactNetPeer Pack(const TNetPeer& r);
        TNetPeer Unpack() const;
        static CompactNetPeer MovedTo(uint32_t slot);
        bool Moved() const { return App == kMovedCode; }
        uint32_t MovedSlot() const { return PeerNode; }
    };
    struct CompactTransHead {
        PackedWord Packet{UINT32_MAX};  // the first and last packet; the full record's slot once moved
        uint16_t SrcPort = 0;
        uint16_t DstPort = 0;
        ApplicationCode App = kAppICMP;
        uint8_t IsMoved = 0;

        static bool Fits(const TTransHead& r);
        static CompactTransHead Pack(const TTransHead& r);
        TTransHead Unpack() const;
        static CompactTransHead MovedTo(uint32_t slot);
        bool Moved() const { return IsMoved != 0; }
        uint32_t MovedSlot() const { return Packet.Get(); }
    };
    static constexpr uint8_t kNoCode = 0xFF;
    static constexpr uint8_t kMovedCode = 0xFE;

private:
    // Which kind each object is and its slot in its kind's list, kept per block
    // of 64 consecutive object indexes: a bit mask of the block's objects of
    // each kind, and the slot of the kind's first object in the block. An
    // object's slot is that first slot plus the objects of its kind before it
    // in the block. One byte per object where a 4-byte reference each took four;
    // a flood of new hosts makes three objects per frame.
    static constexpr std::size_t kKindCount = 5;
    static constexpr int kBlockObjects = 64;
    struct KindBlock {
        std::array<uint64_t, kKindCount> Members{};
        std::array<uint32_t, kKindCount> FirstSlot{};
    };
    static std::size_t KindIndex(ObjectKind kind) { return static_cast<std::size_t>(kind); }
    static unsigned BitOf(int index) { return static_cast<unsigned>(index % kBlockObjects); }
    const KindBlock& BlockOf(int index) const { return blocks_[static_cast<size_t>(index / kBlockObjects)]; }

    // Chunked lists: a list never moves its records as it grows, so it needs
    // neither spare capacity nor a second copy of itself while it grows.
    template <class T>
    using List = ChunkedList<T, 10>;

    std::array<uint32_t, kKindCount> ListSizes() const
    {
        return {static_cast<uint32_t>(macInfos_.size()), static_cast<uint32_t>(dlcPeers_.size()),
                static_cast<uint32_t>(netPeers_.size()), static_cast<uint32_t>(transHeads_.size()),
                static_cast<uint32_t>(nameHeads_.size())};
    }

    template <class T>
    int Append(ObjectKind kind, List<T>& list, const T& record)
    {
        if (count_ == INT32_MAX || list.size() >= UINT32_MAX) throw std::length_error("too many records");
        if (BitOf(count_) == 0) blocks_.push_back({{}, ListSizes()});
        list.push_back(record);
        blocks_.back().Members[KindIndex(kind)] |= uint64_t{1} << BitOf(count_);
        return count_++;
    }
    template <class T>
    T& At(ObjectKind kind, List<T>& list, int index)
    {
        return list[SlotOf(kind, index)];
    }
    template <class T>
    const T& At(ObjectKind kind, const List<T>& list, int index) const
    {
        return list[SlotOf(kind, index)];
    }
    size_t SlotOf(ObjectKind kind, int index) const
    {
        if (!Holds(kind, index)) throw std::out_of_range("object index does not hold the record asked for");
        const KindBlock& block = BlockOf(index);
        const uint64_t before = (uint64_t{1} << BitOf(index)) - 1;
        return block.FirstSlot[KindIndex(kind)] + static_cast<size_t>(std::popcount(block.Members[KindIndex(kind)] & before));
    }

    // A record in the compact form when it fits, else as a full record.
    template <class Compact, class Record>
    static Compact Keep(List<Record>& fulls, Record&& record)
    {
        if (Compact::Fits(record)) return Compact::Pack(record);
        if (fulls.size() >= UINT32_MAX) throw std::length_error("too many records");
        fulls.emplace_back(std::move(record));
        return Compact::MovedTo(static_cast<uint32_t>(fulls.size() - 1));
    }
    template <class Compact, class Record>
    int AddRecord(ObjectKind kind, List<Compact>& compacts, List<Record>& fulls, const Record& record)
    {
        return Append(kind, compacts, Keep<Compact>(fulls, Record(record)));
    }
    template <class Compact, class Record>
    Record Read(ObjectKind kind, const List<Compact>& compacts, const List<Record>& fulls, int index) const
    {
        const Compact& compact = At(kind, compacts, index);
        return compact.Moved() ? fulls[compact.MovedSlot()] : compact.Unpack();
    }
    template <class Compact, class Record, class Look>
    auto LookAt(ObjectKind kind, const List<Compact>& compacts, const List<Record>& fulls, int index, Look& look) const
    {
        const Compact& compact = At(kind, compacts, index);
        return compact.Moved() ? look(fulls[compact.MovedSlot()]) : look(compact.Unpack());
    }
    template <class Compact, class Record, class Change>
    void ChangeRecord(ObjectKind kind, List<Compact>& compacts, List<Record>& fulls, int index, Change& change)
    {
        Compact& compact = At(kind, compacts, index);
        if (compact.Moved()) {
            change(fulls[compact.MovedSlot()]);
            return;
        }
        Record record = compact.Unpack();
        change(record);
        compact = Keep<Compact>(fulls, std::move(record));
    }

    int count_ = 0;
    ChunkedList<KindBlock, 10> blocks_;
    List<TMACInfo> macInfos_;
    List<CompactDLCPeer> dlcPeers_;
    List<CompactNetPeer> netPeers_;
    List<CompactTransHead> transHeads_;
    List<TNameHead> nameHeads_;
    List<TDLCPeer> fullDLCPeers_;
    List<TNetPeer> fullNetPeers_;
    List<TTransHead> fullTransHeads_;
};
static_assert(sizeof(ObjectStore::CompactDLCPeer) == 12 && sizeof(ObjectStore::CompactNetPeer) == 12 &&
                  sizeof(ObjectStore::CompactTransHead) == 10,
              "a flood of new hosts makes one of each compact record per frame");

// Fields are ordered by size so that a summary packs without holes: there is one
// per analysed frame, so every byte saved here is saved on every trace.
struct TPacket {
    double Time = 0;
    // Sequence and acknowledgement numbers: TCP's are 32 bits, those of SPX,
    // NetBIOS, packet burst, NCP and SMB smaller. Sums and differences of them are
    // taken in a wider type, so that they do not wrap at 2^32.
    uint32_t Seq = 0;
    uint32_t Ack = 0;
    uint32_t FrameNo = 0;  // up to 4,294,967,295
    int32_t PrevPacket = -1;
    int32_t NextPacket = -1;
    // The number of the sending station in state.Stations: a copy of a segment
    // sent by another station is a path duplicate, not a retransmission.
    uint32_t SrcStation = 0;
    uint16_t Length = 0;
    uint16_t PktNetOffset = 0;
    uint16_t NetLength = 0;
    uint16_t IPIdent = 0;
    uint16_t TypeWord = 0;
    PacketFlagSet PacketFlags;
    uint8_t TTL = 0;
    // A TCP segment's flags byte, or an NCP request's function code. No packet is
    // both, and a chain holds the packets of one application, so whoever reads
    // the byte knows which it is; other packets leave it 0.
    uint8_t ControlByte = 0;

    uint8_t TCPFlags() const { return ControlByte; }
    uint8_t NCPFunction() const { return ControlByte; }

    // The IP header's bytes: always even (IPv4 and IPv6 headers count in 4 bytes,
    // IPX's is 30), at most 254.
    uint8_t IPHeaderLen() const { return static_cast<uint8_t>(Bits(kIpHeaderShift, kIpHeaderBits) * 2); }
    void SetIPHeaderLen(uint8_t bytes) { SetBits(kIpHeaderShift, kIpHeaderBits, bytes / 2u); }
    // The transport header's bytes: a multiple of 4, at most 60 (TCP's data
    // offset counts in 4 bytes; UDP's header is 8, SPX's 12).
    uint8_t TransportHeaderLen() const { return static_cast<uint8_t>(Bits(kTransportShift, kTransportBits) * 4); }
    void SetTransportHeaderLen(uint8_t bytes) { SetBits(kTransportShift, kTransportBits, bytes / 4u); }
    // How many packets back the copy that this one repeats is: at most 15 (the
    // retransmission search looks back at most 10).
    uint8_t RetransDepth() const { return static_cast<uint8_t>(Bits(kDepthShift, kDepthBits)); }
    void SetRetransDepth(uint8_t depth) { SetBits(kDepthShift, kDepthBits, depth); }

private:
    static constexpr unsigned kIpHeaderShift = 0, kIpHeaderBits = 7;
    static constexpr unsigned kTransportShift = 7, kTransportBits = 4;
    static constexpr unsigned kDepthShift = 11, kDepthBits = 4;

    unsigned Bits(unsigned shift, unsigned width) const { return (lengths_ >> shift) & ((1u << width) - 1); }
    void SetBits(unsigned shift, unsigned width, unsigned value)
    {
        const unsigned mask = ((1u << width) - 1) << shift;
        lengths_ = static_cast<uint16_t>((lengths_ & ~mask) | ((value << shift) & mask));
    }

    // The two header lengths and RetransDepth, packed by the accessors above.
    uint16_t lengths_ = 0;
};
static_assert(sizeof(TPacket) == 48, "a packet summary packs into 48 bytes: header lengths share 16 bits");

// The packet list grows in chunks of one huge page: 43,690 summaries of 48 bytes,
// 32 bytes short of 2 MiB (48 does not divide 2 MiB; a power-of-two count would
// make chunks of 1.5 MiB, below a huge page, or of 3 MiB, past one). The fuzz
// targets take 12 KiB chunks instead: every one of thousands of short inputs a
// second would otherwise map and poison a whole 2 MiB chunk under the
// sanitizers, and small chunks cross a chunk boundary within a few hundred packets.
#ifdef QUENLIX_SMALL_CHUNKS
constexpr std::size_t kPacketChunkSize = 256;
#else
constexpr std::size_t kPacketChunkSize = ChunkMemory::kHugePage / sizeof(TPacket);
#endif

// The TCP options of a segment that a packet summary has no room for: the maximum
// segment size and window scale of a SYN and the SACK blocks of an
// acknowledgement. Kept only for the segments that carry them, in packet order.
struct TcpOptionRecord {
    int32_t Packet = -1;        // index of the segment's TPacket
    int8_t WindowShift = -1;    // the SYN's window scale (0..14); -1: none
    uint8_t SackBlockCount = 0;
    uint16_t MSS = 0;           // the SYN's maximum segment size; 0: none
    std::array<std::array<uint32_t, 2>, 4> SackBlocks{};  // left and right edges
};

// ---- tree nodes -----------------------------------------------------------------

// Fields are ordered by size so that a node packs tightly: a flood of new
// hosts makes a station and a network node per frame. What few stations
// have (error counts, Token Ring MAC records) and what the windows choose to
// show live in side tables of the state (StationErrorTable, DisplayFilters).
// A station's manufacturer is not kept: VendorOf finds it from the address.
struct StationNode {
    MacString Address;
    FrameStatusSet FrameStatus;
    NodeFlagSet StationFlags;
    EncapsulationSet Encapsulations;
    FamilySet Families;
    uint32_t FramesSent = 0;
    uint32_t FramesReceived = 0;
    uint32_t GroupFramesSent = 0;
    // The DLC chain's first record; its last is state.Index.Tails.LastOf(FirstDLCPeer).
    int32_t FirstDLCPeer = 0;
    int64_t BytesSent = 0;
    int64_t BytesReceived = 0;
};
static_assert(sizeof(StationNode) == 48, "one per station: keep it at 48 bytes");

// The compact form of a station that has sent or received at most one frame
// (see CompactNodes): every host of a flood or a scan.
struct StationPacking {
    struct Compact {
        std::array<uint8_t, 6> Address{};
        FrameStatusSet FrameStatus;
        EncapsulationSet Encapsulations;
        NodeFlagSet StationFlags;
        uint8_t Family = 0xFF;  // the one family of Families; 0xFF: none
        uint8_t Frames = 0;     // the one frame sent, received, sent to a group; or moved
        uint16_t Bytes = 0;     // of the one frame
        PackedWord FirstDLCPeer;  // the full node's slot once moved

        static Compact MovedTo(uint32_t slot);
        bool Moved() const;
        uint32_t MovedSlot() const;
    };
    struct Side {
        void clear() {}
    };
    static bool Fits(const StationNode& node);
    static Compact Pack(const StationNode& node, Side& side, const Compact* previous);
    static StationNode Unpack(const Compact& compact, const Side& side);
    static MacString KeyOf(const Compact& compact, const Side& side);
    static bool KeyIs(const Compact& compact, const Side&, const MacString& key)
    {
        return key.Length == 6 && std::memcmp(compact.Address.data(), key.Data(), 6) == 0;
    }
};
static_assert(sizeof(StationPacking::Compact) == 18, "a flood makes one compact station per frame");

// Maps walked in address order; their nodes stay in place and keep their
// numbers, so the network nodes may refer to their station nodes.
using StationTree = AddressTree<MacString, StationNode, CompactNodes<MacString, StationNode, StationPacking>>;

struct NetNode {
    NetString Address;
    NetworkKind Kind = kNetworkIP;
    NodeFlagSet NetFlags;
    ApplicationSet Protocols;
    uint32_t FramesSent = 0;
    uint32_t FramesReceived = 0;
    int32_t FirstPeer = 0;
    // The number in state.Stations of the station whose frame brought the node
    // (see StationOf), kNoNumber for none.
    uint32_t StationNumber = StationTree::kNoNumber;
    int64_t BytesSent = 0;
    int64_t BytesReceived = 0;
};
static_assert(sizeof(NetNode) == 56, "one per network address: keep it at 56 bytes");

// The compact form of a network node that has sent or received at most one
// frame (see CompactNodes). An address longer than 4 bytes (IPX, IPv6) is kept
// out of line.
struct NetNodePacking {
    struct Compact {
        std::array<uint8_t, 4> Address{};  // a longer address's slot in the side list
        uint8_t Length = 0;
        NetworkKind Kind = kNetworkIP;
        NodeFlagSet NetFlags;
        uint8_t App = 0xFF;   // the one application of Protocols; 0xFF: none
        uint8_t Frames = 0;   // the one frame sent or received; or moved
        uint16_t Bytes = 0;   // of the one frame
        PackedWord FirstPeer;  // the full node's slot once moved
        PackedWord StationNumber;

        static Compact MovedTo(uint32_t slot);
        bool Moved() const;
        uint32_t MovedSlot() const;
    };
    using Side = ChunkedList<std::array<uint8_t, 16>, 10>;
    static bool Fits(const NetNode& node);
    static Compact Pack(const NetNode& node, Side& side, const Compact* previous);
    static NetNode Unpack(const Compact& compact, const Side& side);
    static NetString KeyOf(const Compact& compact, const Side& side);
    static bool KeyIs(const Compact& compact, const Side& side, const NetString& key)
    {
        if (key.Length != compact.Length) return false;
        return std::memcmp(AddressBytes(compact, side), key.Data(), key.Length) == 0;
    }
    static const uint8_t* AddressBytes(const Compact& compact, const Side& side)
    {
        if (compact.Length <= compact.Address.size()) return compact.Address.data();
        uint32_t slot = 0;
        std::memcpy(&slot, compact.Address.data(), sizeof slot);
        return side[slot].data();
    }
};
static_assert(sizeof(NetNodePacking::Compact) == 20, "a flood makes one compact network node per frame");

// A station or network node that has sent a frame (it heads a conversation chain).
inline bool IsSender(const StationNode& station) { return station.StationFlags.Has(kFlagSender); }
inline bool IsSender(const NetNode& node) { return node.NetFlags.Has(kFlagSender); }

using NetTree = AddressTree<NetString, NetNode, CompactNodes<NetString, NetNode, NetNodePacking>>;
using NameTree = AddressTree<NetString, int32_t>;  // address -> object index of its TNameHead

// ---- side tables of the nodes ------------------------------------------------------

// The error figures of a station. Few stations have any (bad FCS and collision
// suspects on Ethernet, soft error reports and upstream neighbours on Token
// Ring), so they are kept beside the nodes, for those stations alone.
struct StationErrorRecord {
    uint16_t BadFCSSent = 0;
    uint16_t CollisionSuspects = 0;
    uint16_t SoftErrorKinds = 0;  // bit k: a soft error of kind k was reported
    int32_t FirstMACInfo = -1;    // the station's first TMACInfo, -1 for none
};

// StationErrorRecords by station number (StationTree::NumberOf).
class StationErrorTable {
public:
    // The station's figures: all zero and no TMACInfo when it has none.
    const StationErrorRecord& Of(const StationTree& stations, const MacString& address) const;
    // The station's figures to update, made when it has none yet. The station
    // must be in the tree.
    StationErrorRecord& For(const StationTree& stations, const MacString& address);
    void Clear() { byNumber_.clear(); }

private:
    std::unordered_map<uint32_t, StationErrorRecord> byNumber_;
};

// What the Station window's map draws of a station's conversations.
struct StationVisibleSets {
    FrameStatusSet FrameStatus;
    EncapsulationSet Encapsulations;
    FamilySet Families;
    friend bool operator==(const StationVisibleSets&, const StationVisibleSets&) = default;
};

// The display filters of the nodes whose keys the user ticked or unticked in
// the Station and Network windows, by address. A node without an entry shows
// its own sets once it has sent, and nothing before (see VisibleSetsOf). The
// choices stay with the trace, for any window made again over it; a new read
// clears them.
struct DisplayFilters {
    std::map<MacString, StationVisibleSets> Stations;
    std::map<NetString, ApplicationSet> NetworkNodes;
};

// ---- small tables ---------------------------------------------------------------

struct ProtocolStat {
    int64_t Frames = 0;
    int64_t GroupFrames = 0;
    int64_t Bytes = 0;
    EncapsulationSet EncapsSet;
};

struct RecentError {
    std::array<uint8_t, 6> Source{};
    FrameStat Kind = kStatFrames;  // kStatFrames: no error recorded
};

// What the ring poll says of a station.
enum class RingFlag : uint8_t {
    kRingActiveMonitor = 0x01,
    kRingExActiveMonitor = 0x02,  // was the active monitor before a later one
    kRingDeinserted = 0x04,       // missed a monitor cycle
};
using enum RingFlag;
using RingFlagSet = FlagSet<RingFlag, uint8_t>;
template <>
struct FlagSetOf<RingFlag> {
    using Type = RingFlagSet;
};

struct RingEntry {
    std::array<uint8_t, 6> Address{};
    RingFlagSet RingFlags;
    uint8_t SeenThisCycle = 0;
    int32_t RingVendor = 0;
    int32_t RingMACInfo = 0;
};

struct FragmentPort {
    uint16_t Ident = 0;
    uint16_t SrcPort = 0;
    uint16_t DstPort = 0;
};

struct VendorEntry {
    std::array<uint8_t, 3> Prefix{};
    std::string VendorName;  // at most 6 characters
};

// ---- the state ------------------------------------------------------------------

// The frame a reader hands to the engine: filled before each AnalyzeFrame call,
// with what the engine finds of its network layer.
struct CurrentFrame {
    double FrameTime = 0;
    uint16_t FrameSize = 0;
    uint16_t StoredLength = 0;
    // The frame's size before it was clipped to the frame buffer (what an export
    // gives as its original length); set when the frame is delivered.
    uint32_t WireLength = 0;
    uint8_t FrameAlignError = 0;
    uint8_t FrameBadFCS = 0;
    // FrameData[k] is frame byte k (0-based). NetOffset keeps the 1-based index
    // convention of the stored packet summaries: network byte k is frame byte
    // NetOffset - 1 + k.
    std::array<uint8_t, kMaxFrameBytes> FrameData{};
    uint16_t NetOffset = 0;
    uint8_t HaveNetAddrs = 0;
    uint8_t IsAMPFrame = 0;
    std::array<uint8_t, kLastFrameCopyBytes> LastFrameCopy{};
};

// The user's choices for reading and analysing a trace; kept across reads.
struct ReadOptions {
    int32_t EthernetSpeed = 10;
    int32_t TokenRingSpeed = 16;
    // How TCP response times are taken: 0 the other side's first segment that
    // acknowledges the request; 1 only segments that carry data are requests,
    // answered by the other side's first segment that carries data and
    // acknowledges them.
    uint8_t TcpDataResponse = 0;
    // Capture times that a trace keeps in local time without a zone are read as
    // UTC (1) instead of as the reading machine's local time (0).
    uint8_t LocalCaptureTimesAsUtc = 0;
    // Where the Observer analyser keeps its local address tables.
    std::string AddressTableFolder = "C:\\Observer Files\\LocalAddressTable\\";
    uint8_t StopAtFrameMode = 0;
    int64_t StopFrameNo = 0;
};

// The clock a trace keeps its capture start in: none stored, the analyser's
// local time without a zone, or UTC.
enum class CaptureClock : uint8_t { Unknown = 0, LocalTime = 1, Utc = 2 };

// The read under way or last made: the file and its format's facts, the
// progress, and how the read ended.
struct ReadStatus {
    std::string TraceFileName;
    TraceFormatCode TraceFormat = kFormatUnknown;
    // How the read ended: ReadResult is not 0 when it ended before the end of the
    // file's frame data (a damaged or cut record, a read error, a record it could not
    // take), ReadCancelled when the user stopped it; neither for a complete read.
    // ReadEndText is the message that told the user why an early end came.
    int32_t ReadResult = 0;
    uint8_t ReadCancelled = 0;
    std::string ReadEndText;
    // Frames longer than the frame buffer, of which only the first MaxFrameBytes were kept.
    int64_t ClippedFrames = 0;
    // Frames the trace holds for an interface of another medium, passed over unanalysed.
    int64_t SkippedFrames = 0;
    // Records among the frames of a type that holds no frame, passed over.
    int64_t SkippedRecords = 0;
    uint8_t CountOnly = 0;
    uint16_t MaxFrameBytes = kMaxFrameBytes;
    int32_t TraceStartDate = 0;  // packed DOS date (high word) and time (low word)
    // The moment a FrameTime of 0 stands for, in microseconds since 1 January 1970,
    // 00:00 on CaptureTimeClock; the clock is Unknown when the format stores no
    // start date. The first and last frames' FrameTime place the capture in time.
    CaptureClock CaptureTimeClock = CaptureClock::Unknown;
    int64_t FrameTimeOrigin = 0;
    double FirstFrameTime = 0;
    double LastFrameTime = 0;
    int64_t FramesSeen = 0;
    uint8_t SnifferCompressed = 0;
    std::string AddressTableName = "LocalAddressTable.adr";
    TopologyCode ProbedTopology = kTopologyOther;
    uint8_t SlicedFrames = 0;
    int64_t TraceFileSize = 0;
    int64_t TraceFilePos = 0;
    uint8_t ReadFinished = 0;
    uint16_t LingerTime = 0;
    // Token Ring frame sizes count the 4-byte FCS at the frame's end (Ethernet
    // frame sizes always do). A fact of the trace's format, set before its read.
    uint8_t TokenRingSizeHasFCS = 0;
    // The wall-clock time of the last pump of the platform's events.
    int64_t LastPumpNanoseconds = 0;
    uint32_t FramesSincePumpCheck = 0;
};

// What the analysis needs of the platform; neither is reset by a read.
struct PlatformHooks {
    ReadHost* Host = nullptr;  // platform services during a read; may be null
    // The settings of the local machine that name the Observer analyser's
    // current address table (null: none to read).
    const SettingsStore* MachineSettings = nullptr;
};

// The analysis of a trace: the medium, every statistic the engine accumulates,
// the station, network and name trees, and the object and packet lists that hold
// the conversation records. Every window reads it.
struct AnalysisResults {
    int64_t TotalFrames = 0;
    std::string TraceDurationText;
    std::array<uint8_t, kViewCount> ViewStale{};
    uint8_t ChartsStale = 0;

    // Medium.
    TopologyCode Topology = kTopologyEthernet;
    int16_t LinkSpeed = 10;
    int32_t LinkBytesPerSecond = 1250000;

    // Frame statistics and distributions.
    std::array<int64_t, kFrameStatsCount> FrameStats{};
    std::array<int64_t, kSizeClassCount> SizeDistribution{};  // index 0 is entry -1
    int64_t& SizeClass(int entry) { return SizeDistribution[static_cast<size_t>(entry + 1)]; }

    // Intervals and utilisation.
    double TickLength = 1000000.0;
    int64_t SecFrames = 0, SecBroadcastFrames = 0, SecMulticastFrames = 0, SecErrorFrames = 0;
    int64_t SecBytes = 0, SecBroadcastBytes = 0, SecMulticastBytes = 0;
    double TotalBytes = 0, TotalBroadcastBytes = 0, TotalMulticastBytes = 0;
    int32_t IntervalCount = 0;
    double LastTickTime = 0;
    double ElapsedTime = 0;
    double PrevFrameTime = 0;
    std::array<int64_t, kUtilStatsCount> UtilStats{};

    CodeArray<ProtocolFamily, ProtocolStat, kFamilyCount> ProtocolStats{};

    // DLC errors (Ethernet).
    std::array<RecentError, 5> RecentErrors{};
    uint16_t RecentErrorsHead = 0;
    uint16_t RecentErrorsTail = 1;
    uint8_t ErrorsSeen = 0;
    int64_t LastFragmentFrame = -2;

    // Frames with VLAN tags (Ethernet), by the 12-bit VLAN ID of the outermost
    // tag: at most 4096 entries, none when no frame was tagged.
    std::map<uint16_t, int64_t> VlanFrames;

    // Token Ring.
    int64_t RoutedFrames = 0;
    int64_t MacFrames = 0;
    MacString RingErrorMonitorAddr;
    std::array<int64_t, 10> RingSoftErrorTotals{};
    std::array<RingEntry, kRingOrderCapacity + 1> RingOrder{};  // entries 1..RingStationCount
    int32_t RingStationCount = 0;

    // Trees and their counters.
    StationTree Stations;
    NetTree NetworkNodes;
    StationErrorTable StationErrors;
    DisplayFilters Filters;
    NameTree Names;
    int32_t StationCount = 0, SourceStationCount = 0;
    int32_t IPHostCount = 0, IPSenderCount = 0, IPXHostCount = 0, IPXSenderCount = 0;
    int32_t IPv6HostCount = 0, IPv6SenderCount = 0;

    ObjectStore ObjectList;
    ChunkedListOf<TPacket, kPacketChunkSize> PacketList;  // huge-page chunks of 48-byte summaries
    std::vector<TcpOptionRecord> TcpOptions;             // ascending by Packet

    std::array<FragmentPort, 32> FragmentPorts{};
    uint16_t FragmentPortsIndex = 0;

    // Manufacturer prefixes, entries 1..VendorCount, ascending. Survives resets.
    std::array<VendorEntry, kVendorCapacity + 1> VendorTable{};
    uint16_t VendorCount = 0;

    // Engine-private: the chain indexes.
    ChainIndex Index;
};

// The one analysis state of the program, read by every window: the results of
// the analysis and, as named parts, the current frame, the read's options, the
// read's progress and outcome, and the platform hooks. The application owns one
// instance; tests make their own.
struct AnalysisState : AnalysisResults {
    CurrentFrame Frame;
    ReadOptions Options;
    ReadStatus Read;
    PlatformHooks Platform;
};

// ---- the nodes' side tables ----------------------------------------------------------

// A station's error figures: zero and no TMACInfo (-1) when it has none.
inline const StationErrorRecord& ErrorsOf(const AnalysisResults& state, const StationNode& station)
{
    return state.StationErrors.Of(state.Stations, station.Address);
}
// A station's error figures to update.
inline StationErrorRecord& ErrorsFor(AnalysisResults& state, const StationNode& station)
{
    return state.StationErrors.For(state.Stations, station.Address);
}

// The station a network node's first frame came from or went to, or null.
const StationNode* StationOf(const AnalysisResults& state, const NetNode& node);

// A node's display filter, and setting it (a filter equal to the one the node
// shows by itself leaves no entry).
StationVisibleSets VisibleSetsOf(const AnalysisResults& state, const StationNode& station);
void SetVisibleSets(AnalysisResults& state, const StationNode& station, const StationVisibleSets& sets);
ApplicationSet VisibleProtocolsOf(const AnalysisResults& state, const NetNode& node);
void SetVisibleProtocols(AnalysisResults& state, const NetNode& node, ApplicationSet protocols);

// ---- operations of the model ------------------------------------------------------

// Binary search of the vendor table for the first three bytes of an address; 0 when unknown.
int16_t FindVendor(const AnalysisState& state, const uint8_t* address);
// The station's manufacturer: its entry in the vendor table, 0 when unknown.
inline int16_t VendorOf(const AnalysisState& state, const StationNode& station)
{
    return FindVendor(state, station.Address.Data());
}

// Records a name for an address; the first name recorded for an address stays.
void AddName(AnalysisState& state, const NetString& key, const std::string& name);

// The name learned for an address, or the empty text.
std::string LookupName(const AnalysisState& state, const NetString& key);

// True when the trace holds IP, IPv6 or IPX frames: the client/server table, the
// toolbox and the network map need them.
bool TraceHasNetworkPackets(const AnalysisState& state);

// The group bit of a MAC address on the given topology (Ethernet bit 0, Token Ring bit 7).
bool IsGroupAddress(TopologyCode topology, const uint8_t* address);

// How a read ended, from ReadResult and ReadCancelled.
enum class ReadEnd { Complete, Stopped, EndedEarly };
ReadEnd ReadEndOf(const AnalysisState& state);

// A window's caption, with " (partial read)" after it when the read of the trace
// it shows was stopped or ended early: every figure of such a window counts only
// the frames read.
inline constexpr const char* kPartialReadMark = " (partial read)";
std::string CaptionAfterRead(const AnalysisState& state, std::string caption);

// The number of the frame of the file at which the read ended: the last frame read
// when the user stopped it, the frame that could not be read when it ended early,
// and the frame count of a complete read.
int64_t ReadEndFrame(const AnalysisState& state);

// Frees every record of the previous trace and returns the state to its reset values:
// the statistics, counters, frame buffers, read result and progress fields, the
// engine's constants (interval length, Token Ring error-monitor address) and the
// link speed of the medium. Keeps the file and medium settings, detection's
// findings (SnifferCompressed, AddressTableName) and the vendor table. The one
// reset of the analysis: every read starts with it.
void ResetAnalysis(AnalysisState& state);

// Clears the statistics tables (part of ResetAnalysis).
void ResetStatistics(AnalysisState& state);

// LinkBytesPerSecond for a medium speed in Mbit/s; 0 for an unsupported speed.
int32_t BytesPerSecondForSpeed(int speed);

}  // namespace quenlix
