#pragma once
// Walking the record chains of the analysis state: a station's TDLCPeer and
// TMACInfo chains, a network node's TNetPeer chain, a peer's TTransHead chain and
// a conversation's TPacket chain.
//
// Each step returns -1 at the end of its chain. A link that does not lead to a
// later record of the right kind also ends the chain: the engine only ever links
// a record to one created after it, so a damaged state can neither loop nor lead
// outside its lists.

#include <cstdint>
#include <vector>

#include "model/AnalysisState.h"

namespace quenlix {

// The first TDLCPeer of a station; -1 unless the station has sent.
int32_t FirstDLCPeer(const AnalysisState& state, const StationNode& station);
int32_t NextDLCPeer(const AnalysisState& state, int32_t peer);
int32_t FirstMACInfo(const AnalysisState& state, int32_t first);
int32_t NextMACInfo(const AnalysisState& state, int32_t info);
// The first TNetPeer of a node; -1 unless the node has sent.
int32_t FirstNetPeer(const AnalysisState& state, const NetNode& node);
int32_t NextNetPeer(const AnalysisState& state, int32_t peer);
int32_t FirstTransHead(const AnalysisState& state, int32_t peer);
int32_t NextTransHead(const AnalysisState& state, int32_t head);
// The first packet of a chain that starts at a TTransHead's FirstPacket.
int32_t FirstPacket(const AnalysisState& state, int32_t first);
int32_t FirstPacketOf(const AnalysisState& state, int32_t head);
int32_t NextPacketOf(const AnalysisState& state, int32_t packet);

// Walks a conversation's two packet chains (forward and reverse cursors, -1 for
// none) merged by frame number: every packet once, in trace order, a forward
// packet before a reverse one of the same number. step(packet, isForward) sees
// each; when it returns false the walk stops there, with the cursors on that
// packet and its other chain's next one, so that it can be resumed.
template <class Step>
void WalkInTraceOrder(const AnalysisState& state, int32_t& forward, int32_t& reverse, Step step)
{
    const auto frameOf = [&state](int32_t packet) { return state.PacketList[static_cast<size_t>(packet)].FrameNo; };
    while (forward >= 0) {
        while (reverse >= 0 && frameOf(reverse) < frameOf(forward)) {
            if (!step(reverse, false)) return;
            reverse = NextPacketOf(state, reverse);
        }
        if (!step(forward, true)) return;
        forward = NextPacketOf(state, forward);
    }
    for (; reverse >= 0; reverse = NextPacketOf(state, reverse))
        if (!step(reverse, false)) return;
}

// The object indexes of the TMACInfo chain that starts at first.
std::vector<int32_t> MACInfoChain(const AnalysisState& state, int32_t first);

// The network node of an address, or null.
const NetNode* FindNetNode(const AnalysisState& state, const NetString& address);

// The node at the other end of a conversation; null when it has none (or a
// number the state does not hold).
const NetNode* PeerNodeOf(const AnalysisState& state, const TNetPeer& peer);
// The address of that node; empty when there is none.
const NetString& PeerAddressOf(const AnalysisState& state, const TNetPeer& peer);

// The node's TNetPeer whose peer address is the given address, or -1.
int32_t FindNetPeer(const AnalysisState& state, const NetNode& node, const NetString& peerAddress);

}  // namespace quenlix
