#pragma once
// Hash indexes that let the engine find a frame's conversation records in
// constant time. The chains (TDLCPeer, TNetPeer, TTransHead, TPacket) stay
// exactly as the views walk them; these indexes only spare the engine the chain
// walks that would make a busy server's frames cost more and more. A chain's
// first record is found through its owner and is not in the index. (The station
// and network trees index their own nodes.)

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace quenlix {

// An open-addressing hash map from a key of W 64-bit words to a value. Slots
// are stored inline, so a lookup touches one or two cache lines.
template <std::size_t W, class Value>
class FlatIndex {
public:
    using Key = std::array<uint64_t, W>;

    const Value* Find(const Key& key) const
    {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = Hash(key) & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (!slot.Used) return nullptr;
            if (SameKey(slot.K, key)) return &slot.V;
        }
    }
    Value* Find(const Key& key) { return const_cast<Value*>(std::as_const(*this).Find(key)); }

    // Sets the key's value, inserting the key when it is new.
    void Assign(const Key& key, const Value& value)
    {
        if (Value* found = Find(key))
            *found = value;
        else
            Insert(key, value);
    }

    // Inserts a key that is not present yet.
    void Insert(const Key& key, const Value& value)
    {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        Place(key, value);
        ++count_;
    }

    void Clear()
    {
        slots_ = {};
        mask_ = 0;
        count_ = 0;
    }

    std::size_t Size() const { return count_; }

private:
    struct Slot {
        Key K{};
        Value V{};
        bool Used = false;
    };

    static bool SameKey(const Key& a, const Key& b)
    {
        for (std::size_t i = 0; i < W; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

    static std::size_t Hash(const Key& key)
    {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (uint64_t w : key) {
            h ^= w + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
            h *= 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        return static_cast<std::size_t>(h);
    }

    void Place(const Key& key, const Value& value)
    {
        std::size_t i = Hash(key) & mask_;
        while (slots_[i].Used) i = (i + 1) & mask_;
        slots_[i] = Slot{key, value, true};
    }

    void Grow()
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
        mask_ = slots_.size() - 1;
        for (const Slot& slot : old)
            if (slot.Used) Place(slot.K, slot.V);
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

// Packs up to 8 bytes into a word, first byte most significant.
inline uint64_t PackBytes(const uint8_t* bytes, std::size_t count)
{
    uint64_t w = 0;
    for (std::size_t i = 0; i < count; ++i) w = w << 8 | bytes[i];
    return w;
}

// The index key of a conversation from one network address to another (each
// up to 16 bytes): both addresses' bytes and their lengths.
template <class Address>
std::array<uint64_t, 5> NetPeerKey(const Address& source, const Address& destination)
{
    static_assert(sizeof(source.Bytes) == 16, "two words hold an address");
    return {PackBytes(source.Data(), 8), PackBytes(source.Data() + 8, 8), PackBytes(destination.Data(), 8),
            PackBytes(destination.Data() + 8, 8), uint64_t{source.Length} << 8 | destination.Length};
}

// The last record of every chain of two or more records, found by the chain's
// first record (an object index). Appending to a chain needs its end; most
// chains never grow past their first record (every chain of a flood of new
// hosts), so their end is that record and is not stored.
class ChainTails {
public:
    int32_t LastOf(int32_t first) const
    {
        const int32_t* last = tails_.Find({static_cast<uint32_t>(first)});
        return last != nullptr ? *last : first;
    }
    // Makes next the chain's end and returns the end it had, which is to link to next.
    int32_t Extend(int32_t first, int32_t next)
    {
        const int32_t last = LastOf(first);
        tails_.Assign({static_cast<uint32_t>(first)}, next);
        return last;
    }
    void Clear() { tails_.Clear(); }

private:
    FlatIndex<1, int32_t> tails_;
};

struct ChainIndex {
    FlatIndex<2, int32_t> DLCPeers;           // (source MAC, destination MAC) -> TDLCPeer
    FlatIndex<5, int32_t> NetPeers;           // (source address, destination address) -> TNetPeer
    // (TNetPeer, application and ports) or (TNetPeer, application) -> first TTransHead.
    FlatIndex<2, int32_t> TransHeads;
    ChainTails Tails;

    void Clear()
    {
        Tails.Clear();
        DLCPeers.Clear();
        NetPeers.Clear();
        TransHeads.Clear();
    }
};

}  // namespace quenlix
