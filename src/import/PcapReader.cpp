// Reader of the capture files that today's capture tools write.
//
// A libpcap file is a 24-byte header (magic, version, snapshot length, link type)
// and then, per packet, a 16-byte header (seconds, microseconds or nanoseconds,
// stored length, original length) and the stored bytes. Its fields are in the
// writer's byte order, which the magic tells, and the magic also tells whether
// the fractions are micro- or nanoseconds.
//
// A pcapng file is a chain of blocks, each framed by its total length before and
// after it. A section header block gives the byte order of the blocks up to the
// next section header and starts a new set of interfaces; an interface
// description block gives an interface's link type, snapshot length and options
// (time-stamp resolution and offset, FCS length); enhanced, simple and obsolete
// packet blocks carry the packets, naming their interface. Every other block is
// passed over.
//
// Ethernet and Token Ring packets of the trace's own medium are analysed; packets
// of an interface of another link type are counted in SkippedFrames and passed
// over. A block or record whose lengths cannot be true ends the read as damaged,
// with the frames before it kept: an original length below the captured one or
// beyond any frame a capture stores, and, in a libpcap file, a record with neither
// lengths nor a time stamp (zeros where records should be).

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "import/PcapngCodes.h"
#include "import/RecordWalker.h"
#include "import/RecordFields.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

using namespace pcapng;

constexpr uint32_t kPcapMagicMicroseconds = 0xA1B2C3D4;
constexpr uint32_t kPcapMagicNanoseconds = 0xA1B23C4D;

constexpr std::size_t kFileHeaderBytes = 24;
constexpr std::size_t kRecordHeaderBytes = 16;
constexpr std::size_t kBlockHeaderBytes = 8;   // type and total length
constexpr std::size_t kBlockTrailerBytes = 4;  // the total length again
constexpr std::size_t kSectionFixedBytes = 16; // byte-order magic, version, section length
constexpr std::size_t kInterfaceFixedBytes = 8;
constexpr std::size_t kPacketFixedBytes = 20;  // interface, time stamp, stored and original length
constexpr std::size_t kSimplePacketFixedBytes = 4;

// The largest packet that capture tools store; a longer stored length, or a longer
// original length, is a damaged record.
constexpr uint32_t kLargestStoredPacket = 262144;
// More interfaces than any capture has: a section with more is damaged (and would
// otherwise hold memory without bound).
constexpr std::size_t kMostInterfaces = 65536;
// The largest block body held in memory. A longer one (a packet longer than the frame
// buffer) keeps its first bytes and the rest is passed over.
constexpr std::size_t kHeldBodyBytes = 65536;

constexpr uint16_t kLinkEthernet = static_cast<uint16_t>(PcapngLink::Ethernet);
constexpr uint16_t kLinkTokenRing = static_cast<uint16_t>(PcapngLink::TokenRing);

constexpr uint32_t kFlagCrcError = pcapng_errors::kCrc;
constexpr uint32_t kFlagUnalignedFrame = pcapng_errors::kUnalignedFrame;

// The link-type word of a libpcap header: when this bit is set its top four bits
// give the FCS length in 16-bit words.
constexpr uint32_t kLinkFcsKnown = 0x04000000;

// Multi-byte fields in the byte order of the file or section.
class FieldOrder {
public:
    explicit FieldOrder(bool big = false) : big_(big) {}
    uint16_t U16(const uint8_t* p) const { return big_ ? BigU16(p) : LittleU16(p); }
    uint32_t U32(const uint8_t* p) const { return big_ ? BigU32(p) : LittleU32(p); }
    uint64_t U64(const uint8_t* p) const
    {
        const uint64_t first = U32(p), second = U32(p + 4);
        return big_ ? first << 32 | second : second << 32 | first;
    }

private:
    bool big_;
};

TopologyCode TopologyOfLink(uint16_t linkType)
{
    switch (linkType) {
    case kLinkEthernet: return kTopologyEthernet;
    case kLinkTokenRing: return kTopologyTokenRing;
    case 10: return kTopologyFDDI;
    case 7:
    case 129: return kTopologyARCnet;  // ARCnet with BSD and with Linux headers
    case 9:
    case 50:
    case 104:
    case 107: return kTopologyWAN;  // PPP, PPP in HDLC framing, Cisco HDLC, frame relay
    default: return kTopologyOther;
    }
}

bool IsAnalysedLink(uint16_t linkType) { return linkType == kLinkEthernet || linkType == kLinkTokenRing; }

std::size_t Padded(std::size_t length) { return (length + 3) & ~std::size_t{3}; }

struct Interface {
    bool Analysed = false;   // its link type is the trace's medium
    uint32_t FcsBytes = 0;   // FCS bytes stored at the end of every packet
    uint64_t UnitsPerSecond = 1000000;
    int64_t OffsetSeconds = 0;
    uint32_t SnapLength = 0; // 0: no limit
};

struct Packet {
    const Interface* From = nullptr;
    bool Timed = true;       // simple packet blocks carry no time stamp
    uint64_t Stamp = 0;      // in units of From->UnitsPerSecond
    uint32_t Captured = 0;
    uint32_t Original = 0;
    uint32_t Flags = 0;
    const uint8_t* Bytes = nullptr;
    std::size_t Held = 0;
};

// A block body as read: Held bytes at Data, of Length in the file.
struct BlockBody {
    const uint8_t* Data = nullptr;
    std::size_t Held = 0;
    std::size_t Length = 0;
    bool Cut() const { return Held < Length; }
};

enum class [[nodiscard]] Outcome { Continue, End, Damaged };

std::string RecordPlace(int64_t offset, int frame)
{
    return "at offset " + FormatCount(offset) + " (after frame " + FormatCount(frame) + ")";
}

// A libpcap record header of zeros: no packet, and the first of the zeros that follow.
bool IsEmptyRecord(const Packet& packet) { return packet.Stamp == 0 && packet.Captured == 0 && packet.Original == 0; }

std::string EmptyRecordText(int64_t offset, int frame)
{
    return "Packet record " + RecordPlace(offset, frame) +
           " is empty: no length and no time stamp.  Data may be unreliable.";
}

// A packet was never shorter than what was stored of it, nor longer than any capture stores.
bool HasPossibleLengths(const Packet& packet)
{
    return packet.Original >= packet.Captured && packet.Original <= kLargestStoredPacket;
}

std::string ImpossibleLengthText(const Packet& packet, int64_t offset, int frame)
{
    return "Packet record " + RecordPlace(offset, frame) + " gives an original length of " +
           FormatCount(packet.Original) + " bytes for " + FormatCount(packet.Captured) +
           " bytes captured.  Data may be unreliable.";
}

class PcapReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: nanosecond stamps.
    uint8_t TimeStampDigits() const override { return 9; }

private:
    Outcome ReadClassic(ReadContext& ctx);
    Outcome ReadClassicRecord(ReadContext& ctx, const FieldOrder& order, const Interface& from);
    Outcome ReadBlocks(ReadContext& ctx);
    Outcome ReadBlock(ReadContext& ctx);
    Outcome ReadBody(ReadContext& ctx, std::size_t length, BlockBody& body);
    Outcome TakeSectionHeader(const BlockBody& body);
    Outcome TakeInterface(const BlockBody& body);
    Outcome TakePacketBlock(ReadContext& ctx, uint32_t type, const BlockBody& body);
    Outcome Deliver(ReadContext& ctx, const Packet& packet);

    int64_t recordStart_ = 0;  // file offset of the record or block being read
    uint16_t traceLink_ = kLinkEthernet;
    bool originSet_ = false;
    int64_t originSeconds_ = 0;
    FieldOrder order_;
    bool inSection_ = false;
    std::vector<Interface> interfaces_;
    std::vector<uint8_t> body_ = std::vector<uint8_t>(kHeldBodyBytes + kBlockTrailerBytes);
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxFrameBytes);
};

void PcapReader::Read(ReadContext& ctx)
{
    traceLink_ = ctx.State.Topology == kTopologyTokenRing ? kLinkTokenRing : kLinkEthernet;
    uint8_t magic[4] = {};
    const bool blocks = ctx.Input.ReadExact(magic, sizeof magic) && LittleU32(magic) == kSectionHeaderBlock;
    Outcome outcome = Outcome::End;
    if (!ctx.Input.Seek(0))
        ctx.NoteReadError();
    else
        outcome = blocks ? ReadBlocks(ctx) : ReadClassic(ctx);
    // The driver tells the user of a damaged trace once the read has ended.
    if (outcome == Outcome::Damaged) ctx.NoteDamagedRecord();
    ctx.Finish();
}

// ---- libpcap ----------------------------------------------------------------------

Outcome PcapReader::ReadClassic(ReadContext& ctx)
{
    uint8_t header[kFileHeaderBytes];
    if (!ctx.Input.ReadExact(header, sizeof header)) {
        ctx.NoteReadError();
        return Outcome::End;
    }
    const uint32_t magic = LittleU32(header);
    const FieldOrder order(magic != kPcapMagicMicroseconds && magic != kPcapMagicNanoseconds);
    if (order.U32(header) != kPcapMagicMicroseconds && order.U32(header) != kPcapMagicNanoseconds)
        return Outcome::Damaged;
    Interface from;
    from.UnitsPerSecond = order.U32(header) == kPcapMagicNanoseconds ? 1000000000 : 1000000;
    from.SnapLength = order.U32(header + 16);
    const uint32_t link = order.U32(header + 20);
    from.Analysed = (link & 0xFFFF) == traceLink_;
    if ((link & kLinkFcsKnown) != 0) from.FcsBytes = 2 * (link >> 28);

    Outcome outcome = Outcome::Continue;
    while (outcome == Outcome::Continue) outcome = ReadClassicRecord(ctx, order, from);
    return outcome;
}

Outcome PcapReader::ReadClassicRecord(ReadContext& ctx, const FieldOrder& order, const Interface& from)
{
    uint8_t copy[kRecordHeaderBytes];
    recordStart_ = ctx.Input.Position();
    const uint8_t* header = ctx.Input.Borrow(kRecordHeaderBytes);
    if (header == nullptr) {
        switch (FetchRecord(ctx.Input, copy, sizeof copy)) {
        case Fetch::Whole: header = copy; break;
        case Fetch::End: return Outcome::End;  // the end of the file ends the packets
        case Fetch::Short: ctx.NoteReadError(); return Outcome::End;
        }
    }
    Packet packet;
    packet.From = &from;
    packet.Stamp = order.U32(header) * from.UnitsPerSecond + order.U32(header + 4);
    packet.Captured = order.U32(header + 8);
    packet.Original = order.U32(header + 12);
    if (packet.Captured > kLargestStoredPacket) return Outcome::Damaged;
    if (IsEmptyRecord(packet)) {
        ctx.ShowReadError(EmptyRecordText(recordStart_, ctx.FrameNo));
        return Outcome::Damaged;
    }

    if (packet.Captured <= frame_.size()) {
        packet.Held = packet.Captured;
        packet.Bytes = ctx.Input.Borrow(packet.Captured);
        if (packet.Bytes == nullptr) {
            if (!ctx.Input.ReadExact(frame_.data(), packet.Captured)) {
                ctx.NoteReadError();
                return Outcome::End;
            }
            packet.Bytes = frame_.data();
        }
    } else {
        bool clipped = false;
        if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), packet.Captured, packet.Held, clipped))
            return Outcome::End;
        packet.Bytes = frame_.data();
    }
    return Deliver(ctx, packet);
}

// ---- pcapng -----------------------------------------------------------------------

Outcome PcapReader::ReadBlocks(ReadContext& ctx)
{
    Outcome outcome = Outcome::Continue;
    while (outcome == Outcome::Continue) outcome = ReadBlock(ctx);
    return outcome;
}

Outcome PcapReader::ReadBlock(ReadContext& ctx)
{
    uint8_t header[kBlockHeaderBytes + 4];
    recordStart_ = ctx.Input.Position();
    switch (FetchRecord(ctx.Input, header, kBlockHeaderBytes)) {
    case Fetch::Whole: break;
    case Fetch::End: return Outcome::End;  // the file ends between blocks
    case Fetch::Short: ctx.NoteReadError(); return Outcome::End;
    }
    uint32_t type = LittleU32(header);
    std::size_t fixed = kBlockHeaderBytes;
    if (type == kSectionHeaderBlock) {
        // The byte-order magic after the length tells how to read the length itself.
        if (!ctx.Input.ReadExact(header + kBlockHeaderBytes, 4)) {
            ctx.NoteReadError();
            return Outcome::End;
        }
        const uint32_t magic = LittleU32(header + kBlockHeaderBytes);
        if (magic != kByteOrderMagic && BigU32(header + kBlockHeaderBytes) != kByteOrderMagic) return Outcome::Damaged;
        order_ = FieldOrder(magic != kByteOrderMagic);
        fixed += 4;
    } else if (!inSection_) {
        return Outcome::Damaged;
    } else {
        type = order_.U32(header);
    }
    const uint32_t length = order_.U32(header + 4);
    const std::size_t least =
        type == kSectionHeaderBlock ? kBlockHeaderBytes + kSectionFixedBytes + kBlockTrailerBytes
                                    : kBlockHeaderBytes + kBlockTrailerBytes;
    if (length < least || length % 4 != 0) return Outcome::Damaged;

    BlockBody body;
    if (const Outcome read = ReadBody(ctx, length - fixed - kBlockTrailerBytes, body); read != Outcome::Continue)
        return read;
    // The length closing the block must repeat the one that opened it.
    if (order_.U32(body.Data + body.Held) != length) return Outcome::Damaged;

    Outcome outcome = Outcome::Continue;
    switch (type) {
    case kSectionHeaderBlock: outcome = TakeSectionHeader(body); break;
    case kInterfaceBlock: outcome = TakeInterface(body); break;
    case kEnhancedPacketBlock:
    case kObsoletePacketBlock:
    case kSimplePacketBlock: return TakePacketBlock(ctx, type, body);  // closes the record itself
    default: break;  // statistics, name resolution, comments and the like
    }
    if (outcome != Outcome::Continue) return outcome;
    return ctx.EndOfRecord() ? Outcome::End : Outcome::Continue;
}

// Reads a body of `length` bytes and the trailer after it. The trailer is left
// right after the held bytes.
Outcome PcapReader::ReadBody(ReadContext& ctx, std::size_t length, BlockBody& body)
{
    body.Length = length;
    body.Held = std::min(length, kHeldBodyBytes);
    if (body.Held == length) {
        body.Data = ctx.Input.Borrow(length + kBlockTrailerBytes);
        if (body.Data != nullptr) return Outcome::Continue;
        body.Data = body_.data();
        if (ctx.Input.ReadExact(body_.data(), length + kBlockTrailerBytes)) return Outcome::Continue;
    } else {
        body.Data = body_.data();
        if (ctx.Input.ReadExact(body_.data(), body.Held) && ctx.Input.Skip(length - body.Held) &&
            ctx.Input.ReadExact(body_.data() + body.Held, kBlockTrailerBytes))
            return Outcome::Continue;
    }
    ctx.NoteReadError();
    return Outcome::End;
}

// Calls take(code, value, length) for every option of an option list. False when an
// option runs past the end of the block; options beyond the bytes held are not seen.
template <class Take>
bool ForEachOption(const FieldOrder& order, const uint8_t* p, std::size_t size, bool cut, const Take& take)
{
    while (size >= 4) {
        const uint16_t code = order.U16(p);
        const uint16_t length = order.U16(p + 2);
        if (code == kOptionEnd) return true;
        const std::size_t step = 4 + Padded(length);
        if (step > size) return cut;
        take(code, p + 4, length);
        p += step;
        size -= step;
    }
    return size == 0 || cut;
}

Outcome PcapReader::TakeSectionHeader(const BlockBody& body)
{
    // body starts after the byte-order magic: major and minor version, section length.
    constexpr std::size_t kVersionAndLength = kSectionFixedBytes - 4;
    if (order_.U16(body.Data) != 1) return Outcome::Damaged;  // a version this reader does not know
    inSection_ = true;
    interfaces_.clear();
    const bool optionsFit = ForEachOption(order_, body.Data + kVersionAndLength, body.Held - kVersionAndLength,
                                          body.Cut(), [](uint16_t, const uint8_t*, uint16_t) {});
    return optionsFit ? Outcome::Continue : Outcome::Damaged;
}

Outcome PcapReader::TakeInterface(const BlockBody& body)
{
    if (body.Held < kInterfaceFixedBytes || interfaces_.size() == kMostInterfaces) return Outcome::Damaged;
    Interface from;
    from.Analysed = order_.U16(body.Data) == traceLink_;
    from.SnapLength = order_.U32(body.Data + 4);
    bool valid = true;
    const bool optionsFit = ForEachOption(
        order_, body.Data + kInterfaceFixedBytes, body.Held - kInterfaceFixedBytes, body.Cut(),
        [&](uint16_t code, const uint8_t* value, uint16_t length) {
            if (code == kOptionTimeResolution && length >= 1) {
                // Top bit clear: a negative power of ten; set: a negative power of two.
                const uint8_t exponent = value[0] & 0x7F;
                const bool binary = (value[0] & 0x80) != 0;
                if (exponent > (binary ? 63 : 19)) {
                    valid = false;  // more units per second than 64 bits count
                    return;
                }
                uint64_t units = 1;
                for (uint8_t i = 0; i < exponent; ++i) units *= binary ? 2 : 10;
                from.UnitsPerSecond = units;
            } else if (code == kOptionTimeOffset && length >= 8) {
                from.OffsetSeconds = static_cast<int64_t>(order_.U64(value));
            } else if (code == kOptionFcsLength && length >= 1) {
                from.FcsBytes = value[0] / 8u;  // given in bits
            }
        });
    if (!optionsFit || !valid) return Outcome::Damaged;
    interfaces_.push_back(from);
    return Outcome::Continue;
}

Outcome PcapReader::TakePacketBlock(ReadContext& ctx, uint32_t type, const BlockBody& body)
{
    Packet packet;
    const uint8_t* p = body.Data;
    if (type == kSimplePacketBlock) {
        // Always of the section's first interface; the stored length follows from the
        // block length and the interface's snapshot length.
        if (body.Held < kSimplePacketFixedBytes || interfaces_.empty()) return Outcome::Damaged;
        packet.From = &interfaces_.front();
        packet.Timed = false;
        packet.Original = order_.U32(p);
        std::size_t captured = std::min<std::size_t>(packet.Original, body.Length - kSimplePacketFixedBytes);
        if (packet.From->SnapLength != 0) captured = std::min<std::size_t>(captured, packet.From->SnapLength);
        packet.Captured = static_cast<uint32_t>(captured);
        packet.Bytes = p + kSimplePacketFixedBytes;
        packet.Held = std::min<std::size_t>(captured, body.Held - kSimplePacketFixedBytes);
        return Deliver(ctx, packet);
    }

    if (body.Held < kPacketFixedBytes) return Outcome::Damaged;
    const uint32_t index = type == kObsoletePacketBlock ? order_.U16(p) : order_.U32(p);
    if (index >= interfaces_.size()) return Outcome::Damaged;
    packet.From = &interfaces_[index];
    packet.Stamp = static_cast<uint64_t>(order_.U32(p + 4)) << 32 | order_.U32(p + 8);
    packet.Captured = order_.U32(p + 12);
    packet.Original = order_.U32(p + 16);
    // The stored bytes, padded to four, must lie inside the block.
    const std::size_t room = body.Length - kPacketFixedBytes;
    if (Padded(packet.Captured) > room) return Outcome::Damaged;
    packet.Bytes = p + kPacketFixedBytes;
    packet.Held = std::min<std::size_t>(packet.Captured, body.Held - kPacketFixedBytes);

    const std::size_t options = kPacketFixedBytes + Padded(packet.Captured);
    if (options < body.Held) {
        const bool optionsFit = ForEachOption(order_, p + options, body.Held - options, body.Cut(),
                                              [&packet, this](uint16_t code, const uint8_t* value, uint16_t length) {
                                                  if (code == kOptionPacketFlags && length >= 4)
                                                      packet.Flags = order_.U32(value);
                                              });
        if (!optionsFit) return Outcome::Damaged;
    }
    return Deliver(ctx, packet);
}

// ---- both -------------------------------------------------------------------------

Outcome PcapReader::Deliver(ReadContext& ctx, const Packet& packet)
{
    if (!HasPossibleLengths(packet)) {
        ctx.ShowReadError(ImpossibleLengthText(packet, recordStart_, ctx.FrameNo));
        return Outcome::Damaged;
    }
    AnalysisState& state = ctx.State;
    const Interface& from = *packet.From;
    if (!from.Analysed) {
        ++state.Read.SkippedFrames;
        return ctx.EndOfRecord() ? Outcome::End : Outcome::Continue;
    }

    if (packet.Timed) {
        const int64_t seconds = static_cast<int64_t>(packet.Stamp / from.UnitsPerSecond) + from.OffsetSeconds;
        const uint64_t fraction = packet.Stamp % from.UnitsPerSecond;
        if (!originSet_) {
            // Times count from the first frame's second, which keeps them exact to the
            // microsecond; the capture start is that moment.
            originSet_ = true;
            originSeconds_ = seconds;
            SetTraceStartFromUnixSeconds(state, seconds);
            SetFrameTimeOrigin(state, SecondsToMicroseconds(seconds), CaptureClock::Utc);
        }
        state.Frame.FrameTime = static_cast<double>(seconds - originSeconds_) * 1e6 +
                          static_cast<double>(fraction) * 1e6 / static_cast<double>(from.UnitsPerSecond);
    }

    const bool ethernet = state.Topology == kTopologyEthernet;
    state.Frame.FrameBadFCS = ethernet && (packet.Flags & kFlagCrcError) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (packet.Flags & kFlagUnalignedFrame) != 0 ? 1 : 0;

    // The analysis counts an Ethernet frame with its FCS, which capture tools leave out
    // unless the interface says otherwise. A packet stored shorter than it was is a
    // sliced frame: its size is the original length.
    const int64_t fcs = ethernet && from.FcsBytes == 0 ? kEthernetFcsBytes : 0;
    const uint32_t original = std::max(packet.Original, packet.Captured);
    const int64_t stored = packet.Captured;
    int64_t frameSize = original + fcs;
    int64_t storedLength = stored + fcs;
    if (original > packet.Captured) {
        storedLength = stored;
        state.Read.SlicedFrames = 1;
    }
    SetFrameSize(state, frameSize);
    state.Frame.StoredLength = static_cast<uint16_t>(std::min<int64_t>(storedLength, kMaxFrameBytes));

    if (ctx.DeliverFrame(packet.Bytes, packet.Held, packet.Held < packet.Captured)) return Outcome::End;
    return ctx.EndOfRecord() ? Outcome::End : Outcome::Continue;
}

}  // namespace

TraceFormatCode PcapFormatOf(const uint8_t* header, std::size_t size)
{
    if (size < 12) return kFormatUnknown;
    const uint32_t magic = LittleU32(header);
    for (uint32_t known : {kPcapMagicMicroseconds, kPcapMagicNanoseconds})
        if (magic == known || BigU32(header) == known) return kFormatPcap;
    if (magic == kSectionHeaderBlock &&
        (LittleU32(header + 8) == kByteOrderMagic || BigU32(header + 8) == kByteOrderMagic))
        return kFormatPcapNG;
    return kFormatUnknown;
}

TopologyCode PcapTopology(TraceInput& input)
{
    uint8_t header[kFileHeaderBytes] = {};
    if (!input.Seek(0) || !input.ReadExact(header, sizeof header)) return kTopologyOther;
    const uint32_t magic = LittleU32(header);
    if (magic != kSectionHeaderBlock) {
        const bool little = magic == kPcapMagicMicroseconds || magic == kPcapMagicNanoseconds;
        return TopologyOfLink(static_cast<uint16_t>(FieldOrder(!little).U32(header + 20)));
    }

    // The medium of the first Ethernet or Token Ring interface; without one, that of
    // the first interface. The walk stops at the first block it cannot follow.
    constexpr int kMostBlocks = 10000;
    int64_t at = 0;
    FieldOrder order;
    TopologyCode first = kTopologyOther;
    bool seen = false;
    for (int block = 0; block < kMostBlocks; ++block) {
        uint8_t head[kBlockHeaderBytes + 4];
        if (!input.Seek(at) || !input.ReadExact(head, sizeof head)) break;
        uint32_t type = LittleU32(head);
        if (type == kSectionHeaderBlock) {
            order = FieldOrder(LittleU32(head + kBlockHeaderBytes) != kByteOrderMagic);
        } else {
            type = order.U32(head);
        }
        const uint32_t length = order.U32(head + 4);
        if (length < kBlockHeaderBytes + kBlockTrailerBytes || length % 4 != 0) break;
        if (type == kInterfaceBlock) {
            const uint16_t link = order.U16(head + kBlockHeaderBytes);
            if (IsAnalysedLink(link)) return TopologyOfLink(link);
            if (!seen) first = TopologyOfLink(link);
            seen = true;
        }
        at += length;
    }
    return first;
}

std::unique_ptr<TraceReader> MakePcapReader() { return std::make_unique<PcapReader>(); }

}  // namespace quenlix
