#pragma once
// Hash indexes over the conversation chains. The chains themselves (TDLCPeer,
// TNetPeer, TTransHead, TPacket) stay exactly as the views walk them; these
// indexes only let the engine find the matching record of a frame without
// walking a chain, which would make a busy server's frames cost more and more.

#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace quenlix {

template <std::size_t N>
struct ByteKey {
    std::array<uint8_t, N> Bytes{};
    friend bool operator==(const ByteKey& a, const ByteKey& b) { return a.Bytes == b.Bytes; }
};

struct ByteKeyHash {
    template <std::size_t N>
    std::size_t operator()(const ByteKey<N>& key) const
    {
        // FNV-1a over the key, then a final mix so that keys differing only in
        // their last bytes spread over the buckets.
        uint64_t h = 1469598103934665603ull;
        for (uint8_t b : key.Bytes) h = (h ^ b) * 1099511628211ull;
        h ^= h >> 29;
        h *= 0xbf58476d1ce4e5b9ull;
        h ^= h >> 32;
        return static_cast<std::size_t>(h);
    }
};

struct ChainIndex {
    // (source MAC, destination MAC) -> TDLCPeer object index.
    std::unordered_map<ByteKey<12>, int32_t, ByteKeyHash> DLCPeers;
    // (source address, destination address, each with its length) -> TNetPeer object index.
    std::unordered_map<ByteKey<22>, int32_t, ByteKeyHash> NetPeers;
    // (TNetPeer, source port, destination port) -> first TTransHead of a port-matched application.
    std::unordered_map<uint64_t, int32_t> PortHeads;
    // (TNetPeer, application) -> first TTransHead of an application matched by its code.
    std::unordered_map<uint64_t, int32_t> AppHeads;

    void Clear()
    {
        DLCPeers = {};
        NetPeers = {};
        PortHeads = {};
        AppHeads = {};
    }
};

}  // namespace quenlix
