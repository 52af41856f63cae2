#pragma once
// Node storage for an AddressTree that keeps most nodes in a compact form. A
// flood or a scan brings a new address with nearly every frame, and such a node
// carries one frame for the rest of the trace; its compact form holds that
// frame's figures in a third of the node's bytes. Any node that does not fit,
// and any node the tree hands out by reference, moves once to a full node that
// stays in place, and its compact slot keeps where it went. So every view reads
// nodes as before, and only the engine, which changes nodes through Change and
// reads them through Read, keeps the nodes of a flood compact.
//
// Packing describes the form: its Compact record (Moved(), MovedSlot(),
// MovedTo(slot)), a Side store for what a compact record keeps out of line,
// and Fits(node), Pack(node, side, previous), Unpack(compact, side),
// KeyOf(compact, side) and KeyIs(compact, side, key).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "model/ChunkedList.h"

namespace quenlix {

template <class Key, class Node>
struct NodeEntry;

template <class Key, class Node, class Packing>
class CompactEntries {
public:
    using Entry = NodeEntry<Key, Node>;
    using Compact = typename Packing::Compact;

    std::size_t size() const { return compact_.size(); }

    Key KeyAt(std::size_t number) const
    {
        const Compact& compact = compact_[number];
        return compact.Moved() ? full_[compact.MovedSlot()].second.Address : Packing::KeyOf(compact, side_);
    }

    bool KeyIs(std::size_t number, const Key& key) const
    {
        const Compact& compact = compact_[number];
        return compact.Moved() ? full_[compact.MovedSlot()].second.Address == key : Packing::KeyIs(compact, side_, key);
    }

    // The entry as a full node that stays in place for the life of the tree.
    Entry& At(std::size_t number) const
    {
        Compact& compact = compact_[number];
        if (!compact.Moved()) compact = MoveToFull(Packing::Unpack(compact, side_));
        return full_[compact.MovedSlot()];
    }

    // A copy of the node, leaving its form as it is.
    Node Read(std::size_t number) const
    {
        const Compact& compact = compact_[number];
        return compact.Moved() ? full_[compact.MovedSlot()].second : Packing::Unpack(compact, side_);
    }

    // Applies change(node&) to the node, which stays compact if it still fits.
    template <class Changer>
    void Change(std::size_t number, Changer& change)
    {
        if (compact_[number].Moved()) {
            change(full_[compact_[number].MovedSlot()].second);
            return;
        }
        Node node = Packing::Unpack(compact_[number], side_);
        change(node);
        // The change may itself have asked for the entry by reference, which moved it.
        Compact& compact = compact_[number];
        if (compact.Moved())
            full_[compact.MovedSlot()].second = std::move(node);
        else
            compact = Keep(std::move(node), &compact);
    }

    void Add(const Key& key, const Node& value)
    {
        Node node = value;
        node.Address = key;
        compact_.push_back(Keep(std::move(node), nullptr));
    }

    void clear()
    {
        compact_.clear();
        full_.clear();
        side_.clear();
    }

    // How many nodes have moved to the full form.
    std::size_t FullCount() const { return full_.size(); }

private:
    // previous: the node's compact record before a change, whose out-of-line
    // part the new one may take over.
    Compact Keep(Node&& node, const Compact* previous)
    {
        if (Packing::Fits(node)) return Packing::Pack(node, side_, previous);
        return MoveToFull(std::move(node));
    }

    Compact MoveToFull(Node&& node) const
    {
        if (full_.size() >= UINT32_MAX) throw std::length_error("too many nodes");
        full_.emplace_back(Entry{std::move(node)});
        return Compact::MovedTo(static_cast<uint32_t>(full_.size() - 1));
    }

    // Mutable: handing a const tree's node out by reference moves it to the full form.
    mutable ChunkedList<Compact, 8> compact_;
    mutable ChunkedList<Entry, 8> full_;
    typename Packing::Side side_;
};

// The AddressTree policy of a tree of compact nodes (see KeyInNode).
template <class Key, class Node, class Packing>
struct CompactNodes {
    using Entry = NodeEntry<Key, Node>;
    using Store = CompactEntries<Key, Node, Packing>;
};

}  // namespace quenlix
