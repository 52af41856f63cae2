#include "model/Chains.h"

namespace quenlix {

namespace {

// The record a link leads to, when it is a later one of the expected kind.
int32_t Forward(const AnalysisState& state, ObjectKind kind, int32_t from, int32_t next)
{
    return next > from && state.ObjectList.Holds(kind, next) ? next : -1;
}

// Whether a conversation record's peer has the address.
bool LeadsTo(const AnalysisState& state, int32_t peer, const NetString& address)
{
    return state.ObjectList.LookAtNetPeer(peer, [&](const TNetPeer& r) { return PeerAddressOf(state, r) == address; });
}

bool InPacketList(const AnalysisState& state, int32_t index)
{
    return index >= 0 && static_cast<size_t>(index) < state.PacketList.size();
}

}  // namespace

int32_t FirstDLCPeer(const AnalysisState& state, const StationNode& station)
{
    if (!(station.StationFlags.Has(kFlagSender))) return -1;  // FirstDLCPeer means nothing until the station sends
    return state.ObjectList.Holds(ObjectKind::DLCPeer, station.FirstDLCPeer) ? station.FirstDLCPeer : -1;
}

int32_t NextDLCPeer(const AnalysisState& state, int32_t peer)
{
    return Forward(state, ObjectKind::DLCPeer, peer, state.ObjectList.LookAtDLCPeer(peer, [](const TDLCPeer& r) { return r.Next; }));
}

int32_t FirstMACInfo(const AnalysisState& state, int32_t first)
{
    return state.ObjectList.Holds(ObjectKind::MACInfo, first) ? first : -1;
}

int32_t NextMACInfo(const AnalysisState& state, int32_t info)
{
    return Forward(state, ObjectKind::MACInfo, info, state.ObjectList.MACInfo(info).Next);
}

int32_t FirstNetPeer(const AnalysisState& state, const NetNode& node)
{
    if (!(node.NetFlags.Has(kFlagSender))) return -1;  // FirstPeer means nothing until the node sends
    return state.ObjectList.Holds(ObjectKind::NetPeer, node.FirstPeer) ? node.FirstPeer : -1;
}

int32_t NextNetPeer(const AnalysisState& state, int32_t peer)
{
    return Forward(state, ObjectKind::NetPeer, peer, state.ObjectList.LookAtNetPeer(peer, [](const TNetPeer& r) { return r.Next; }));
}

int32_t FirstTransHead(const AnalysisState& state, int32_t peer)
{
    const int32_t first = state.ObjectList.LookAtNetPeer(peer, [](const TNetPeer& r) { return r.FirstTrans; });
    return state.ObjectList.Holds(ObjectKind::TransHead, first) ? first : -1;
}

int32_t NextTransHead(const AnalysisState& state, int32_t head)
{
    return Forward(state, ObjectKind::TransHead, head, state.ObjectList.TransHead(head).NextTrans);
}

int32_t FirstPacket(const AnalysisState& state, int32_t first)
{
    return InPacketList(state, first) ? first : -1;
}

int32_t FirstPacketOf(const AnalysisState& state, int32_t head)
{
    return FirstPacket(state, state.ObjectList.TransHead(head).FirstPacket);
}

int32_t NextPacketOf(const AnalysisState& state, int32_t packet)
{
    const int32_t next = state.PacketList[static_cast<size_t>(packet)].NextPacket;
    return next > packet && InPacketList(state, next) ? next : -1;
}

std::vector<int32_t> MACInfoChain(const AnalysisState& state, int32_t first)
{
    std::vector<int32_t> chain;
    for (int32_t i = FirstMACInfo(state, first); i >= 0; i = NextMACInfo(state, i)) chain.push_back(i);
    return chain;
}

const NetNode* FindNetNode(const AnalysisState& state, const NetString& address)
{
    const auto found = state.NetworkNodes.find(address);
    return found == state.NetworkNodes.end() ? nullptr : &found->second;
}

const NetNode* PeerNodeOf(const AnalysisState& state, const TNetPeer& peer)
{
    if (peer.PeerNode >= state.NetworkNodes.size()) return nullptr;
    return &state.NetworkNodes.Numbered(peer.PeerNode).second;
}

const NetString& PeerAddressOf(const AnalysisState& state, const TNetPeer& peer)
{
    static const NetString kNone;
    const NetNode* node = PeerNodeOf(state, peer);
    return node != nullptr ? node->Address : kNone;
}

int32_t FindNetPeer(const AnalysisState& state, const NetNode& node, const NetString& peerAddress)
{
    // A state the engine filled has every conversation but the first of each chain
    // in its index (the first is the node's FirstPeer): one lookup instead of a
    // walk along a server's chain of thousands of clients, which made the
    // client/server table grow with the square of the hosts. With an empty index
    // no chain of the engine's has a second record, and the walk is as short.
    if (state.Index.NetPeers.Size() > 0) {
        const int32_t* found = state.Index.NetPeers.Find(NetPeerKey(node.Address, peerAddress));
        const int32_t peer = found != nullptr ? *found : FirstNetPeer(state, node);
        if (peer < 0 || !(node.NetFlags.Has(kFlagSender)) || !state.ObjectList.Holds(ObjectKind::NetPeer, peer))
            return -1;
        return LeadsTo(state, peer, peerAddress) ? peer : -1;
    }
    for (int32_t p = FirstNetPeer(state, node); p >= 0; p = NextNetPeer(state, p))
        if (LeadsTo(state, p, peerAddress)) return p;
    return -1;
}

}  // namespace quenlix
