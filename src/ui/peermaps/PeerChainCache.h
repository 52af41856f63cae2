#pragma once
// The conversation chains the network and station windows cache for their maps:
// every sender's chain of conversation records walked once, each conversation's
// peer found as a node ordinal and its reverse direction linked, so that a paint
// of a map of tens of thousands of hosts walks arrays instead of chasing every
// node and record through memory. One design for both windows; what differs is
// the tree, the record chain and where a chain ends, which a walk type states.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "model/AnalysisState.h"
#include "model/Chains.h"

namespace quenlix {

// The position of a key in keys (sorted ascending), or -1 when it is not there:
// a peer's node ordinal is a binary search away, without a walk through the tree.
template <class Key>
int OrdinalOfKey(const std::vector<Key>& keys, const Key& key)
{
    const auto found = std::lower_bound(keys.begin(), keys.end(), key);
    if (found == keys.end() || !(*found == key)) return -1;
    return static_cast<int>(found - keys.begin());
}

// One sender's run of conversations in a chain cache.
struct ChainSender {
    int Node;  // the sender's node ordinal
    size_t Begin;
    size_t End;
};

// Gives each conversation the record of the opposite direction, the peer's
// conversation back to the sender, or leaves its Reverse at -1. A station
// talking to itself has one record for both directions, so no reverse: its
// frames and hops would count twice. Conversation needs Peer (the peer's node
// ordinal), Index (its record) and Reverse.
template <class Conversation>
void LinkReverseConversations(const std::vector<ChainSender>& senders, std::vector<Conversation>& conversations)
{
    const auto pair = [](int from, int to) { return static_cast<uint64_t>(from) << 32 | static_cast<uint32_t>(to); };
    std::unordered_map<uint64_t, size_t> byPair;  // (sender, peer) ordinals -> conversation
    byPair.reserve(conversations.size());
    for (const ChainSender& sender : senders)
        for (size_t i = sender.Begin; i < sender.End; ++i) byPair.emplace(pair(sender.Node, conversations[i].Peer), i);
    for (const ChainSender& sender : senders)
        for (size_t i = sender.Begin; i < sender.End; ++i) {
            const auto back = byPair.find(pair(conversations[i].Peer, sender.Node));
            if (back != byPair.end() && back->second != i) conversations[i].Reverse = conversations[back->second].Index;
        }
}

// A conversation of a cached chain.
struct ChainConversation {
    int Peer;         // ordinal of the peer node
    int32_t Index;    // the conversation's record
    int32_t Reverse;  // the peer's record back to the sender, -1 none
};

// The station tree's DLC chains (TDLCPeer), walked with the model's
// FirstDLCPeer/NextDLCPeer; a chain ends at a destination the tree does not hold.
struct StationChainWalk {
    using Node = StationNode;
    using Key = MacString;
    using Conversation = ChainConversation;
    static StationTree& Tree(AnalysisState& state) { return state.Stations; }
    static const StationTree& Tree(const AnalysisState& state) { return state.Stations; }
    static bool Sent(const Node& node) { return IsSender(node); }
    static int32_t First(const AnalysisState& state, const Node& node) { return FirstDLCPeer(state, node); }
    static int32_t Next(const AnalysisState& state, int32_t record) { return NextDLCPeer(state, record); }
    static std::optional<Key> PeerOf(const AnalysisState& state, int32_t record)
    {
        return state.ObjectList.LookAtDLCPeer(record, [](const TDLCPeer& peer) { return MacString(peer.DestAddress.data(), 6); });
    }
    static Conversation Converse(const AnalysisState&, int32_t record, int peer) { return {peer, record, -1}; }
};

// The network tree's chains (TNetPeer), walked with FirstNetPeer/NextNetPeer; a
// chain also ends at an empty peer address. Each conversation keeps its record's
// protocols and hop count beside it, what a paint tests of it.
struct NetworkChainWalk {
    using Node = NetNode;
    using Key = NetString;
    struct Conversation {
        int Peer;           // ordinal of the peer node
        int32_t Index;      // the TNetPeer
        int32_t Reverse;    // the peer's TNetPeer back to the sender, -1 none
        ApplicationSet Protocols;  // the TNetPeer's
        int Hops;           // the TNetPeer's IPX hop count (the network window adds the reverse's)
    };
    static NetTree& Tree(AnalysisState& state) { return state.NetworkNodes; }
    static const NetTree& Tree(const AnalysisState& state) { return state.NetworkNodes; }
    static bool Sent(const Node& node) { return IsSender(node); }
    static int32_t First(const AnalysisState& state, const Node& node) { return FirstNetPeer(state, node); }
    static int32_t Next(const AnalysisState& state, int32_t record) { return NextNetPeer(state, record); }
    static std::optional<Key> PeerOf(const AnalysisState& state, int32_t record)
    {
        const NetString address =
            state.ObjectList.LookAtNetPeer(record, [&state](const TNetPeer& peer) { return PeerAddressOf(state, peer); });
        if (address.Length == 0) return std::nullopt;
        return address;
    }
    static Conversation Converse(const AnalysisState& state, int32_t record, int peer)
    {
        const TNetPeer& conversation = state.ObjectList.NetPeer(record);
        return {peer, record, -1, conversation.Protocols, conversation.Hops};
    }
};

// The chains of every sender of one tree up to the first peer the walk ends at,
// with each conversation's peer and reverse direction found once. Kept until the
// tree or the object list changes (Fits). The nodes are the state's own, so a
// paint can mark them without a lookup.
template <class Walk>
class PeerChainCache {
public:
    using Node = typename Walk::Node;
    using Conversation = typename Walk::Conversation;

    explicit PeerChainCache(AnalysisState& state)
        : nodeCount_(Walk::Tree(state).size()), objectCount_(state.ObjectList.Count()), totalFrames_(state.TotalFrames)
    {
        // The addresses in key order, side by side, for OrdinalOfKey.
        std::vector<typename Walk::Key> keys;
        keys.reserve(nodeCount_);
        for (auto& [address, node] : Walk::Tree(state)) {
            keys.push_back(address);
            Nodes.push_back(&node);
        }
        for (int ordinal = 0; ordinal < static_cast<int>(Nodes.size()); ++ordinal) {
            const Node& node = *Nodes[static_cast<size_t>(ordinal)];
            if (!Walk::Sent(node)) continue;
            ChainSender sender{ordinal, Conversations.size(), 0};
            for (int32_t p = Walk::First(state, node); p >= 0; p = Walk::Next(state, p)) {
                const std::optional<typename Walk::Key> peer = Walk::PeerOf(state, p);
                const int peerOrdinal = peer ? OrdinalOfKey(keys, *peer) : -1;
                if (peerOrdinal < 0) break;
                Conversations.push_back(Walk::Converse(state, p, peerOrdinal));
            }
            sender.End = Conversations.size();
            Senders.push_back(sender);
        }
        LinkReverseConversations(Senders, Conversations);
    }

    // Whether the cache still describes the state: the same tree, object list and frame count.
    bool Fits(const AnalysisState& state) const
    {
        const auto& tree = Walk::Tree(state);
        return nodeCount_ == tree.size() && objectCount_ == state.ObjectList.Count() &&
               totalFrames_ == state.TotalFrames && (Nodes.empty() || &tree.begin()->second == Nodes.front());
    }

    std::vector<Node*> Nodes;  // every node in key order
    std::vector<Conversation> Conversations;
    std::vector<ChainSender> Senders;

private:
    size_t nodeCount_ = 0;
    int objectCount_ = 0;
    int64_t totalFrames_ = 0;
};

}  // namespace quenlix
