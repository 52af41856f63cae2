// The compact forms of the station and network nodes (see CompactNodes).

#include <bit>
#include <cstring>

#include "model/AnalysisState.h"

namespace quenlix {

namespace {

constexpr uint8_t kSentOne = 0x01;
constexpr uint8_t kReceivedOne = 0x02;
constexpr uint8_t kSentToGroup = 0x04;
constexpr uint8_t kMoved = 0xFF;
constexpr uint8_t kNoCode = 0xFF;

// The one code of a set of at most one member, kNoCode for none; false for more.
template <class Bits>
bool OneCode(Bits bits, uint8_t& code)
{
    const auto word = static_cast<std::make_unsigned_t<Bits>>(bits);
    if (!std::has_single_bit(word) && word != 0) return false;
    code = word == 0 ? kNoCode : static_cast<uint8_t>(std::countr_zero(word));
    return true;
}

// The frame figures of a node (station or network node) that sent or received
// at most one frame: which it was (kSentOne, kReceivedOne or neither) and its
// bytes; false for any other.
template <class Node>
bool OneFrame(const Node& node, uint8_t& frames, uint16_t& bytes)
{
    const uint32_t sent = node.FramesSent;
    const uint32_t received = node.FramesReceived;
    if (sent + uint64_t{received} > 1) return false;
    const int64_t counted = sent != 0 ? node.BytesSent : node.BytesReceived;
    const int64_t other = sent != 0 ? node.BytesReceived : node.BytesSent;
    if (other != 0 || counted < 0 || counted > UINT16_MAX || (sent + received == 0 && counted != 0)) return false;
    frames = sent != 0 ? kSentOne : received != 0 ? kReceivedOne : 0;
    bytes = static_cast<uint16_t>(counted);
    return true;
}

template <class Node>
bool HasOneFrameOrNone(const Node& node)
{
    uint8_t frames = 0;
    uint16_t bytes = 0;
    return OneFrame(node, frames, bytes);
}

// Sets a node's frame figures from what OneFrame found.
template <class Node>
void SetOneFrame(Node& node, uint8_t frames, uint16_t bytes)
{
    if ((frames & kSentOne) != 0) {
        node.FramesSent = 1;
        node.BytesSent = bytes;
    }
    if ((frames & kReceivedOne) != 0) {
        node.FramesReceived = 1;
        node.BytesReceived = bytes;
    }
}

}  // namespace

// ---- stations ----------------------------------------------------------------------

StationPacking::Compact StationPacking::Compact::MovedTo(uint32_t slot)
{
    Compact compact;
    compact.Frames = kMoved;
    compact.FirstDLCPeer = PackedWord(slot);
    return compact;
}

bool StationPacking::Compact::Moved() const { return Frames == kMoved; }
uint32_t StationPacking::Compact::MovedSlot() const { return FirstDLCPeer.Get(); }

bool StationPacking::Fits(const StationNode& node)
{
    uint8_t code = 0;
    return node.Address.Length == 6 && OneCode(node.Families.ToBits(), code) && HasOneFrameOrNone(node) &&
           node.GroupFramesSent <= node.FramesSent;
}

StationPacking::Compact StationPacking::Pack(const StationNode& node, Side&, const Compact*)
{
    Compact compact;
    std::memcpy(compact.Address.data(), node.Address.Data(), 6);
    compact.FrameStatus = node.FrameStatus;
    compact.Encapsulations = node.Encapsulations;
    compact.StationFlags = node.StationFlags;
    OneCode(node.Families.ToBits(), compact.Family);
    OneFrame(node, compact.Frames, compact.Bytes);
    if (node.GroupFramesSent != 0) compact.Frames |= kSentToGroup;
    compact.FirstDLCPeer = PackedWord(static_cast<uint32_t>(node.FirstDLCPeer));
    return compact;
}

StationNode StationPacking::Unpack(const Compact& compact, const Side& side)
{
    StationNode node;
    node.Address = KeyOf(compact, side);
    node.FrameStatus = compact.FrameStatus;
    node.Encapsulations = compact.Encapsulations;
    node.StationFlags = compact.StationFlags;
    if (compact.Family != kNoCode) node.Families = static_cast<ProtocolFamily>(compact.Family);
    SetOneFrame(node, compact.Frames, compact.Bytes);
    if ((compact.Frames & kSentToGroup) != 0) node.GroupFramesSent = 1;
    node.FirstDLCPeer = static_cast<int32_t>(compact.FirstDLCPeer.Get());
    return node;
}

MacString StationPacking::KeyOf(const Compact& compact, const Side&)
{
    return MacString(compact.Address.data(), 6);
}

// ---- network nodes -----------------------------------------------------------------

NetNodePacking::Compact NetNodePacking::Compact::MovedTo(uint32_t slot)
{
    Compact compact;
    compact.Frames = kMoved;
    compact.FirstPeer = PackedWord(slot);
    return compact;
}

bool NetNodePacking::Compact::Moved() const { return Frames == kMoved; }
uint32_t NetNodePacking::Compact::MovedSlot() const { return FirstPeer.Get(); }

bool NetNodePacking::Fits(const NetNode& node)
{
    uint8_t code = 0;
    return OneCode(node.Protocols.ToBits(), code) && HasOneFrameOrNone(node);
}

NetNodePacking::Compact NetNodePacking::Pack(const NetNode& node, Side& side, const Compact* previous)
{
    Compact compact;
    compact.Length = node.Address.Length;
    if (node.Address.Length <= compact.Address.size()) {
        std::memcpy(compact.Address.data(), node.Address.Data(), node.Address.Length);
    } else if (previous != nullptr && !previous->Moved()) {
        compact.Address = previous->Address;  // the same node: its address is already out of line
    } else {
        if (side.size() >= UINT32_MAX) throw std::length_error("too many nodes");
        side.push_back(node.Address.Bytes);
        const auto slot = static_cast<uint32_t>(side.size() - 1);
        std::memcpy(compact.Address.data(), &slot, sizeof slot);
    }
    compact.Kind = node.Kind;
    compact.NetFlags = node.NetFlags;
    OneCode(node.Protocols.ToBits(), compact.App);
    OneFrame(node, compact.Frames, compact.Bytes);
    compact.FirstPeer = PackedWord(static_cast<uint32_t>(node.FirstPeer));
    compact.StationNumber = PackedWord(node.StationNumber);
    return compact;
}

NetNode NetNodePacking::Unpack(const Compact& compact, const Side& side)
{
    NetNode node;
    node.Address = KeyOf(compact, side);
    node.Kind = compact.Kind;
    node.NetFlags = compact.NetFlags;
    if (compact.App != kNoCode) node.Protocols = static_cast<ApplicationCode>(compact.App);
    SetOneFrame(node, compact.Frames, compact.Bytes);
    node.FirstPeer = static_cast<int32_t>(compact.FirstPeer.Get());
    node.StationNumber = compact.StationNumber.Get();
    return node;
}

NetString NetNodePacking::KeyOf(const Compact& compact, const Side& side)
{
    return NetString(AddressBytes(compact, side), compact.Length);
}

}  // namespace quenlix
