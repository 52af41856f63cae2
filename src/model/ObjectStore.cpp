// The compact forms of the conversation records (see ObjectStore).

#include <cstring>

#include "model/AnalysisState.h"

namespace quenlix {

namespace {

// The code counted once in counts: true with its index, or with kNoCode when
// nothing is counted; false for any other counts.
template <class Code, std::size_t N>
bool CountedOnce(const SparseCounts<Code, N>& counts, uint8_t& code)
{
    std::size_t index = 0;
    uint32_t count = 0;
    if (!counts.Single(index, count) || count > 1) return false;
    code = count == 0 ? ObjectStore::kNoCode : static_cast<uint8_t>(index);
    return true;
}

// The figures of one frame or none: a frame count of 0 or 1 that agrees with
// the counted code, and a byte total that fits 16 bits.
bool OneFrameOrNone(uint32_t frames, uint8_t code, int64_t bytes)
{
    return frames == (code == ObjectStore::kNoCode ? 0u : 1u) && bytes >= 0 && bytes <= UINT16_MAX;
}

}  // namespace

// ---- TDLCPeer ----------------------------------------------------------------------

bool ObjectStore::CompactDLCPeer::Fits(const TDLCPeer& r)
{
    uint8_t family = 0;
    uint8_t encapsulation = 0;
    return r.Next == 0 && CountedOnce(r.FramesByFamily, family) && CountedOnce(r.FramesByEncapsulation, encapsulation) &&
           OneFrameOrNone(r.Frames, family, r.Bytes);
}

ObjectStore::CompactDLCPeer ObjectStore::CompactDLCPeer::Pack(const TDLCPeer& r)
{
    CompactDLCPeer c;
    c.DestAddress = r.DestAddress;
    c.PeerFrameStatus = r.PeerFrameStatus;
    c.PeerEncapsulations = r.PeerEncapsulations;
    CountedOnce(r.FramesByFamily, c.Family);
    CountedOnce(r.FramesByEncapsulation, c.Encapsulation);
    c.Bytes = static_cast<uint16_t>(r.Bytes);
    return c;
}

TDLCPeer ObjectStore::CompactDLCPeer::Unpack() const
{
    TDLCPeer r;
    r.DestAddress = DestAddress;
    r.PeerFrameStatus = PeerFrameStatus;
    r.PeerEncapsulations = PeerEncapsulations;
    r.Bytes = Bytes;
    if (Family != kNoCode) {
        r.Frames = 1;
        r.FramesByFamily.Add(Family);
    }
    if (Encapsulation != kNoCode) r.FramesByEncapsulation.Add(Encapsulation);
    return r;
}

ObjectStore::CompactDLCPeer ObjectStore::CompactDLCPeer::MovedTo(uint32_t slot)
{
    CompactDLCPeer c;
    c.Family = kMovedCode;
    std::memcpy(c.DestAddress.data(), &slot, sizeof slot);
    return c;
}

uint32_t ObjectStore::CompactDLCPeer::MovedSlot() const
{
    uint32_t slot = 0;
    std::memcpy(&slot, DestAddress.data(), sizeof slot);
    return slot;
}

int ObjectStore::Add(const TDLCPeer& r)
{
    return AddRecord(ObjectKind::DLCPeer, dlcPeers_, fullDLCPeers_, r);
}

TDLCPeer ObjectStore::DLCPeer(int index) const
{
    return Read(ObjectKind::DLCPeer, dlcPeers_, fullDLCPeers_, index);
}

// ---- TNetPeer ----------------------------------------------------------------------

bool ObjectStore::CompactNetPeer::Fits(const TNetPeer& r)
{
    uint8_t app = 0;
    if (r.Next != 0 || !CountedOnce(r.FramesByProtocol, app) || !OneFrameOrNone(r.Frames, app, r.Bytes)) return false;
    // The applications seen are the counted frame's application alone.
    const ApplicationSet counted = app == kNoCode ? ApplicationSet{} : ApplicationSet{static_cast<ApplicationCode>(app)};
    return r.Protocols == counted;
}

ObjectStore::CompactNetPeer ObjectStore::CompactNetPeer::Pack(const TNetPeer& r)
{
    CompactNetPeer c;
    c.PeerNode = r.PeerNode;
    c.FirstTrans = r.FirstTrans;
    c.Bytes = static_cast<uint16_t>(r.Bytes);
    CountedOnce(r.FramesByProtocol, c.App);
    c.Hops = r.Hops;
    return c;
}

TNetPeer ObjectStore::CompactNetPeer::Unpack() const
{
    TNetPeer r;
    r.PeerNode = PeerNode;
    r.FirstTrans = FirstTrans;
    r.Bytes = Bytes;
    r.Hops = Hops;
    if (App != kNoCode) {
        r.Frames = 1;
        r.Protocols = static_cast<ApplicationCode>(App);
        r.FramesByProtocol.Add(App);
    }
    return r;
}

ObjectStore::CompactNetPeer ObjectStore::CompactNetPeer::MovedTo(uint32_t slot)
{
    CompactNetPeer c;
    c.App = kMovedCode;
    c.PeerNode = slot;
    return c;
}

int ObjectStore::Add(const TNetPeer& r)
{
    return AddRecord(ObjectKind::NetPeer, netPeers_, fullNetPeers_, r);
}

TNetPeer ObjectStore::NetPeer(int index) const
{
    return Read(ObjectKind::NetPeer, netPeers_, fullNetPeers_, index);
}

// ---- TTransHead --------------------------------------------------------------------

bool ObjectStore::CompactTransHead::Fits(const TTransHead& r)
{
    return r.NextTrans == -1 && r.FirstPacket == r.LastPacket;
}

ObjectStore::CompactTransHead ObjectStore::CompactTransHead::Pack(const TTransHead& r)
{
    CompactTransHead c;
    c.Packet = PackedWord(static_cast<uint32_t>(r.FirstPacket));
    c.SrcPort = r.SrcPort;
    c.DstPort = r.DstPort;
    c.App = r.App;
    return c;
}

TTransHead ObjectStore::CompactTransHead::Unpack() const
{
    TTransHead r;
    r.App = App;
    r.SrcPort = SrcPort;
    r.DstPort = DstPort;
    r.FirstPacket = static_cast<int32_t>(Packet.Get());
    r.LastPacket = r.FirstPacket;
    return r;
}

ObjectStore::CompactTransHead ObjectStore::CompactTransHead::MovedTo(uint32_t slot)
{
    CompactTransHead c;
    c.IsMoved = 1;
    c.Packet = PackedWord(slot);
    return c;
}

int ObjectStore::Add(const TTransHead& r)
{
    return AddRecord(ObjectKind::TransHead, transHeads_, fullTransHeads_, r);
}

TTransHead ObjectStore::TransHead(int index) const
{
    return Read(ObjectKind::TransHead, transHeads_, fullTransHeads_, index);
}

}  // namespace quenlix
