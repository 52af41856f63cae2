#pragma once
// The home of the station and network nodes: a map from an address to its node
// with the interface the views use of std::map (find, at, operator[], a walk in
// key order) at a fraction of its memory. A trace of a flood or a scan brings a
// new address with nearly every frame, and a tree node's three pointers, colour
// and allocation cost more than the node itself. A node that holds its own
// address (KeyInNode) is stored without a second copy of the key.
//
// Entries live in chunks and never move, so a node's address stays valid for
// the life of the map, and each keeps the number of the order it came in (a
// network node refers to its station, a conversation to its peer, by number). A hash index of
// 4-byte entry numbers finds a key; the key order of the walk is kept in a list
// of entry numbers that is sorted when a walk starts after new keys came (only
// the new keys are sorted, then merged into the list).
//
// How the entries are stored is the Keeping policy's Store: whole (PlainEntries),
// or mostly in a compact form (CompactNodes), where Add, Read and Change reach a
// node without handing it out by reference, which would widen it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "model/ChunkedList.h"
#include "model/CompactNodes.h"

namespace quenlix {

// Entries kept whole, in chunks of 256: a few kilobytes for the small trees of a
// test or a short trace, and one allocation per 256 entries on a flood.
template <class Keeping>
class PlainEntries {
public:
    using Entry = typename Keeping::Entry;

    std::size_t size() const { return entries_.size(); }
    decltype(auto) KeyAt(std::size_t number) const { return Keeping::KeyOf(entries_[number]); }
    template <class Key>
    bool KeyIs(std::size_t number, const Key& key) const
    {
        return Keeping::KeyOf(entries_[number]) == key;
    }
    Entry& At(std::size_t number) const { return const_cast<Entry&>(entries_[number]); }
    auto Read(std::size_t number) const { return At(number).second; }
    template <class Changer>
    void Change(std::size_t number, Changer& change)
    {
        change(At(number).second);
    }
    template <class Key, class Value>
    void Add(const Key& key, const Value& value)
    {
        entries_.emplace_back(Keeping::Make(key, value));
    }
    void clear() { entries_.clear(); }
    std::size_t FullCount() const { return entries_.size(); }

private:
    ChunkedList<Entry, 8> entries_;
};

// How an AddressTree keeps the key of an entry. KeyBeside: beside the value, in
// a std::pair as std::map keeps it.
template <class Key, class Value>
struct KeyBeside {
    using Entry = std::pair<const Key, Value>;
    static Entry Make(const Key& key, const Value& value) { return {key, value}; }
    static const Key& KeyOf(const Entry& entry) { return entry.first; }
    using Store = PlainEntries<KeyBeside>;
};

// An entry that is the node itself, its key being the node's Address. It reads
// as a (key, node) pair in a structured binding, and its node is `second`, as in
// an entry of std::map.
template <class Key, class Node>
struct NodeEntry {
    Node second;

    template <std::size_t I>
    auto& get()
    {
        if constexpr (I == 0)
            return std::as_const(second.Address);
        else
            return second;
    }
    template <std::size_t I>
    const auto& get() const
    {
        if constexpr (I == 0)
            return second.Address;
        else
            return second;
    }
};

// KeyInNode: the key is the node's Address, set when the entry is made.
template <class Key, class Node>
struct KeyInNode {
    using Entry = NodeEntry<Key, Node>;
    static Entry Make(const Key& key, const Node& node)
    {
        Entry entry{node};
        entry.second.Address = key;
        return entry;
    }
    static const Key& KeyOf(const Entry& entry) { return entry.second.Address; }
    using Store = PlainEntries<KeyInNode>;
};

template <class Key, class Value, class Keeping = KeyBeside<Key, Value>>
class AddressTree {
public:
    using key_type = Key;
    using mapped_type = Value;
    using value_type = typename Keeping::Entry;

    template <class Tree, class Entry>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = AddressTree::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = Entry*;
        using reference = Entry&;

        Iterator() = default;
        Entry& operator*() const { return *entry_; }
        Entry* operator->() const { return entry_; }
        // Only iterators of a walk (begin()) advance; one of find() stands alone.
        Iterator& operator++()
        {
            ++position_;
            entry_ = tree_->EntryAtPosition(position_);
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.entry_ == b.entry_; }
        // A mutable iterator is also a const one.
        operator Iterator<const AddressTree, const value_type>() const { return {tree_, position_, entry_}; }

        Iterator(Tree* tree, std::size_t position, Entry* entry) : tree_(tree), position_(position), entry_(entry) {}

    private:
        Tree* tree_ = nullptr;
        std::size_t position_ = 0;
        Entry* entry_ = nullptr;
    };
    using iterator = Iterator<AddressTree, value_type>;
    using const_iterator = Iterator<const AddressTree, const value_type>;

    AddressTree() = default;
    AddressTree(const AddressTree&) = delete;
    AddressTree& operator=(const AddressTree&) = delete;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.size() == 0; }

    iterator find(const Key& key) { return {this, 0, Lookup(key)}; }
    const_iterator find(const Key& key) const { return {this, 0, Lookup(key)}; }
    std::size_t count(const Key& key) const { return Lookup(key) != nullptr ? 1 : 0; }

    // Entries are numbered from 0 in the order they were added, and a number
    // names its entry for the life of the map (until clear()): a record that
    // refers to a node by its number takes 4 bytes instead of the node's address.
    static constexpr uint32_t kNoNumber = UINT32_MAX;
    uint32_t NumberOf(const Key& key) const
    {
        if (slots_.empty()) return kNoNumber;
        const uint32_t slot = slots_[SlotOf(key)];
        return slot == 0 ? kNoNumber : slot - 1;
    }
    value_type& Numbered(uint32_t number) { return entries_.At(CheckedNumber(number)); }
    const value_type& Numbered(uint32_t number) const { return entries_.At(CheckedNumber(number)); }

    // The number of the key's entry, a new default one when the key is new. The
    // entry is not handed out, so a compact node stays compact.
    uint32_t Add(const Key& key)
    {
        const uint32_t number = NumberOf(key);
        if (number != kNoNumber) return number;
        Insert(key, Value{});
        return static_cast<uint32_t>(entries_.size() - 1);
    }
    // A copy of an entry's value, and a change to it (change(value&)), that
    // leave a compact node compact where it can stay so.
    Value Read(uint32_t number) const { return entries_.Read(CheckedNumber(number)); }
    template <class Changer>
    void Change(uint32_t number, Changer change)
    {
        entries_.Change(CheckedNumber(number), change);
    }
    // How many entries are kept whole (all but a compact tree's compact nodes).
    std::size_t FullCount() const { return entries_.FullCount(); }

    Value& at(const Key& key) { return Existing(Lookup(key)); }
    const Value& at(const Key& key) const { return Existing(Lookup(key)); }

    // The key's value, a new default one when the key is new.
    Value& operator[](const Key& key) { return emplace(key, Value{}).first->second; }

    // Adds the key with the value unless the key is there; the entry and whether it was added.
    std::pair<iterator, bool> emplace(const Key& key, const Value& value)
    {
        if (value_type* found = Lookup(key)) return {{this, 0, found}, false};
        Insert(key, value);
        return {{this, 0, &entries_.At(entries_.size() - 1)}, true};
    }

    void clear()
    {
        entries_.clear();
        slots_ = {};
        order_ = {};
    }

    // The walk in key order.
    iterator begin() { return {this, 0, EntryAtPosition(Ordered())}; }
    iterator end() { return {}; }
    const_iterator begin() const { return {this, 0, EntryAtPosition(Ordered())}; }
    const_iterator end() const { return {}; }

private:
    using Entries = typename Keeping::Store;

    void Insert(const Key& key, const Value& value)
    {
        if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
        entries_.Add(key, value);
        Place(key, static_cast<uint32_t>(entries_.size()));
    }

    static std::size_t Hash(const Key& key)
    {
        uint64_t h = 0x9E3779B97F4A7C15ull ^ key.Length;
        for (std::size_t i = 0; i < key.Length; ++i) {
            h = (h ^ key.Data()[i]) * 0x100000001B3ull;
        }
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        return static_cast<std::size_t>(h);
    }

    // The slot of the key, or the empty slot where it would go. A slot holds an
    // entry number plus one, 0 when empty.
    std::size_t SlotOf(const Key& key) const
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            const uint32_t slot = slots_[i];
            if (slot == 0 || entries_.KeyIs(slot - 1, key)) return i;
        }
    }

    value_type* Lookup(const Key& key) const
    {
        if (slots_.empty()) return nullptr;
        const uint32_t slot = slots_[SlotOf(key)];
        return slot == 0 ? nullptr : &entries_.At(slot - 1);
    }

    void Place(const Key& key, uint32_t number) { slots_[SlotOf(key)] = number; }

    void Grow()
    {
        slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, 0);
        for (std::size_t i = 0; i < entries_.size(); ++i)
            Place(entries_.KeyAt(i), static_cast<uint32_t>(i + 1));
    }

    std::size_t CheckedNumber(uint32_t number) const
    {
        if (number >= entries_.size()) throw std::out_of_range("AddressTree::Numbered: no such entry");
        return number;
    }

    static Value& Existing(value_type* entry)
    {
        if (entry == nullptr) throw std::out_of_range("AddressTree::at: no such key");
        return entry->second;
    }

    // Brings the key order up to date with the entries added since the last walk
    // and returns 0, the walk's first position.
    std::size_t Ordered() const
    {
        const std::size_t sorted = order_.size();
        if (sorted == entries_.size()) return 0;
        order_.reserve(entries_.size());
        for (std::size_t i = sorted; i < entries_.size(); ++i) order_.push_back(static_cast<uint32_t>(i));
        const auto less = [this](uint32_t a, uint32_t b) {
            return entries_.KeyAt(a) < entries_.KeyAt(b);
        };
        std::sort(order_.begin() + static_cast<std::ptrdiff_t>(sorted), order_.end(), less);
        std::inplace_merge(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(sorted), order_.end(), less);
        return 0;
    }

    value_type* EntryAtPosition(std::size_t position) const
    {
        return position < order_.size() ? &entries_.At(order_[position]) : nullptr;
    }

    Entries entries_;
    std::vector<uint32_t> slots_;
    // Entry numbers in key order; mutable as a walk of a const tree sorts new keys in.
    mutable std::vector<uint32_t> order_;
};

}  // namespace quenlix

// The tuple protocol of NodeEntry, for structured bindings.
namespace std {
template <class Key, class Node>
struct tuple_size<quenlix::NodeEntry<Key, Node>> : integral_constant<size_t, 2> {};
template <class Key, class Node>
struct tuple_element<0, quenlix::NodeEntry<Key, Node>> {
    using type = const Key;
};
template <class Key, class Node>
struct tuple_element<1, quenlix::NodeEntry<Key, Node>> {
    using type = Node;
};
}  // namespace std
