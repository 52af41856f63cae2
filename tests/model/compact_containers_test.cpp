// The compact containers of the analysis state: the address map of the station
// and network nodes, the sparse per-code frame counts of a conversation, and the
// chunked list's destruction of its elements.

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "model/AddressTree.h"
#include "model/AnalysisState.h"
#include "model/ChainIndex.h"
#include "model/ChunkedList.h"
#include "model/Codes.h"
#include "model/PString.h"
#include "model/SparseCounts.h"

namespace quenlix {
namespace {

NetString Address(std::initializer_list<uint8_t> bytes) { return NetString(std::data(bytes), bytes.size()); }

std::vector<NetString> WalkKeys(const AddressTree<NetString, int>& tree)
{
    std::vector<NetString> keys;
    for (const auto& [key, value] : tree) keys.push_back(key);
    return keys;
}

TEST(AddressTree, WalksInAddressOrderWithTheShorterPrefixFirst)
{
    AddressTree<NetString, int> tree;
    for (const NetString& key : {Address({10, 0, 0, 2}), Address({9, 255}), Address({10, 0, 0, 1}), Address({10, 0})})
        tree[key] = 1;
    const std::vector<NetString> expected{Address({9, 255}), Address({10, 0}), Address({10, 0, 0, 1}),
                                          Address({10, 0, 0, 2})};
    EXPECT_EQ(WalkKeys(tree), expected);
}

TEST(AddressTree, KeysAddedAfterAWalkJoinTheNextWalkInOrder)
{
    AddressTree<NetString, int> tree;
    tree[Address({5})] = 1;
    tree[Address({1})] = 1;
    ASSERT_EQ(WalkKeys(tree).size(), 2u);
    tree[Address({3})] = 1;
    tree[Address({7})] = 1;
    tree[Address({0})] = 1;
    const std::vector<NetString> expected{Address({0}), Address({1}), Address({3}), Address({5}), Address({7})};
    EXPECT_EQ(WalkKeys(tree), expected);
}

TEST(AddressTree, FindsEveryKeyAndNoOther)
{
    AddressTree<NetString, int> tree;
    for (int i = 0; i < 5000; ++i) tree[Address({static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)})] = i;
    EXPECT_EQ(tree.size(), 5000u);
    for (int i = 0; i < 5000; i += 7) {
        const NetString key = Address({static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)});
        ASSERT_NE(tree.find(key), tree.end());
        EXPECT_EQ(tree.find(key)->second, i);
        EXPECT_EQ(tree.at(key), i);
    }
    // The same bytes with another length are another key.
    EXPECT_EQ(tree.find(Address({0, 1, 0})), tree.end());
    EXPECT_EQ(tree.count(Address({0, 1, 0})), 0u);
    EXPECT_THROW(tree.at(Address({0xFF, 0xFF})), std::out_of_range);
}

TEST(AddressTree, NumbersNameEntriesInTheOrderTheyCameThroughGrowthAndWalks)
{
    AddressTree<NetString, int> tree;
    for (int i = 0; i < 3000; ++i)
        tree[Address({static_cast<uint8_t>(i % 7), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)})] = i;
    ASSERT_FALSE(WalkKeys(tree).empty());
    for (uint32_t n : {0u, 1u, 1234u, 2999u}) {
        const auto& [key, value] = tree.Numbered(n);
        EXPECT_EQ(value, static_cast<int>(n));
        EXPECT_EQ(tree.NumberOf(key), n);
    }
    EXPECT_EQ(tree.NumberOf(Address({9, 9, 9, 9})), tree.kNoNumber);
    EXPECT_THROW(tree.Numbered(3000), std::out_of_range);
}

// Records of every kind, interleaved unevenly across several 64-object blocks:
// each index keeps its kind and its own record.
TEST(ObjectStore, EveryIndexKeepsItsKindAndRecordAcrossBlocks)
{
    ObjectStore store;
    store.Clear(10);
    std::vector<ObjectKind> kinds;
    for (int i = 0; i < 300; ++i) {
        const int pick = (i * 7 + i / 50) % 5;
        int index = -1;
        switch (pick) {
        case 0: index = store.Add(TMACInfo{.NAUNVendor = static_cast<int16_t>(i)}); break;
        case 1: index = store.Add(TDLCPeer{.Frames = static_cast<uint32_t>(i)}); break;
        case 2: index = store.Add(TNetPeer{.Frames = static_cast<uint32_t>(i)}); break;
        case 3: index = store.Add(TTransHead{.SrcPort = static_cast<uint16_t>(i)}); break;
        default: index = store.Add(TNameHead{std::to_string(i)}); break;
        }
        ASSERT_EQ(index, i);
        kinds.push_back(static_cast<ObjectKind>(pick));
    }
    ASSERT_EQ(store.Count(), 300);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(store.KindOf(i), kinds[static_cast<size_t>(i)]) << i;
        for (int k = 0; k < 5; ++k) EXPECT_EQ(store.Holds(static_cast<ObjectKind>(k), i), k == static_cast<int>(kinds[static_cast<size_t>(i)]));
        switch (kinds[static_cast<size_t>(i)]) {
        case ObjectKind::MACInfo: EXPECT_EQ(store.MACInfo(i).NAUNVendor, i); break;
        case ObjectKind::DLCPeer: EXPECT_EQ(store.DLCPeer(i).Frames, static_cast<uint32_t>(i)); break;
        case ObjectKind::NetPeer: EXPECT_EQ(store.NetPeer(i).Frames, static_cast<uint32_t>(i)); break;
        case ObjectKind::TransHead: EXPECT_EQ(store.TransHead(i).SrcPort, i); break;
        case ObjectKind::NameHead: EXPECT_EQ(store.NameHead(i).Name, std::to_string(i)); break;
        }
    }
    EXPECT_FALSE(store.Holds(ObjectKind::DLCPeer, 300));
    EXPECT_FALSE(store.Holds(ObjectKind::DLCPeer, -1));
    EXPECT_THROW(store.KindOf(300), std::out_of_range);
    const int notADlcPeer = kinds[0] == ObjectKind::DLCPeer ? 1 : 0;
    EXPECT_THROW(store.DLCPeer(notADlcPeer), std::out_of_range);
    store.Clear(10);
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.Add(TNetPeer{}), 0);
    EXPECT_TRUE(store.Holds(ObjectKind::NetPeer, 0));
}

TEST(ChainTails, AChainEndsAtItsFirstRecordUntilItIsExtended)
{
    ChainTails tails;
    EXPECT_EQ(tails.LastOf(7), 7);
    EXPECT_EQ(tails.Extend(7, 12), 7);
    EXPECT_EQ(tails.Extend(7, 30), 12);
    EXPECT_EQ(tails.Extend(8, 9), 8);
    EXPECT_EQ(tails.LastOf(7), 30);
    EXPECT_EQ(tails.LastOf(8), 9);
    tails.Clear();
    EXPECT_EQ(tails.LastOf(7), 7);
}

TEST(AddressTree, NodesStayInPlaceAsTheMapGrows)
{
    AddressTree<NetString, int> tree;
    int& first = tree[Address({1, 2, 3, 4})];
    first = 42;
    for (int i = 0; i < 20000; ++i) tree[Address({0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)})] = i;
    EXPECT_EQ(&tree.at(Address({1, 2, 3, 4})), &first);
    EXPECT_EQ(first, 42);
}

TEST(AddressTree, EmplaceKeepsTheValueOfAKeyAlreadyThere)
{
    AddressTree<NetString, int> tree;
    EXPECT_TRUE(tree.emplace(Address({1}), 5).second);
    const auto [entry, added] = tree.emplace(Address({1}), 9);
    EXPECT_FALSE(added);
    EXPECT_EQ(entry->second, 5);
}

TEST(AddressTree, ClearLeavesAnEmptyMapThatTakesNewKeys)
{
    AddressTree<NetString, int> tree;
    tree[Address({1})] = 1;
    (void)WalkKeys(tree);
    tree.clear();
    EXPECT_TRUE(tree.empty());
    EXPECT_EQ(tree.begin(), tree.end());
    tree[Address({2})] = 2;
    EXPECT_EQ(WalkKeys(tree), std::vector<NetString>{Address({2})});
}

struct Node {
    NetString Address;
    int Frames = 0;
};
using NodeTree = AddressTree<NetString, Node, KeyInNode<NetString, Node>>;

TEST(AddressTree, ANodeThatHoldsItsAddressIsItsOwnKey)
{
    NodeTree tree;
    tree[Address({10, 0, 0, 9})].Frames = 3;
    tree[Address({10, 0, 0, 1})].Frames = 1;
    EXPECT_EQ(tree.at(Address({10, 0, 0, 9})).Address, Address({10, 0, 0, 9}));
    std::vector<int> frames;
    for (const auto& [address, node] : tree) {
        EXPECT_EQ(&address, &node.Address);
        frames.push_back(node.Frames);
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 3}));
}

using FamilyCounts = SparseCounts<ProtocolFamily, 17>;

TEST(SparseCounts, CountsOfOneCodeReadBackWithEveryOtherCodeZero)
{
    FamilyCounts counts;
    counts.Add(kFamilyIP);
    counts.Add(kFamilyIP, 4);
    EXPECT_EQ(counts[kFamilyIP], 5u);
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (i != CodeIndex(kFamilyIP)) {
            EXPECT_EQ(counts[i], 0u) << i;
        }
    }
}

TEST(SparseCounts, ASecondCodeKeepsTheCountsOfBoth)
{
    FamilyCounts counts;
    counts.Add(kFamilyIP, 3);
    counts.Add(kFamilyIPX, 2);
    counts.Add(kFamilyIP);
    std::array<uint32_t, 17> expected{};
    expected[CodeIndex(kFamilyIP)] = 4;
    expected[CodeIndex(kFamilyIPX)] = 2;
    EXPECT_EQ(counts.ToArray(), expected);
}

TEST(SparseCounts, CopiesAreIndependentOfTheirOriginal)
{
    for (const bool spilled : {false, true}) {
        FamilyCounts original;
        original.Add(kFamilyIP);
        if (spilled) original.Add(kFamilyIPX);
        FamilyCounts copy = original;
        copy.Add(kFamilyIP, 10);
        EXPECT_EQ(original[kFamilyIP], 1u) << spilled;
        EXPECT_EQ(copy[kFamilyIP], 11u) << spilled;
        FamilyCounts moved = std::move(copy);
        EXPECT_EQ(moved[kFamilyIP], 11u) << spilled;
    }
}

struct Counted {
    static inline int Alive = 0;
    Counted() { ++Alive; }
    Counted(const Counted&) { ++Alive; }
    ~Counted() { --Alive; }
};

TEST(ChunkedList, ClearDestroysElementsThatNeedIt)
{
    {
        ChunkedList<Counted, 2> list;
        for (int i = 0; i < 9; ++i) list.emplace_back();
        EXPECT_EQ(Counted::Alive, 9);
        list.clear();
        EXPECT_EQ(Counted::Alive, 0);
        list.emplace_back();
    }
    EXPECT_EQ(Counted::Alive, 0);
}

TEST(ChunkedList, ChunksOfAnySizeKeepEveryElementWhereItWasBuilt)
{
    ChunkedListOf<int, 3> list;
    std::vector<const int*> built;
    for (int i = 0; i < 10; ++i) built.push_back(&list.emplace_back(i));
    ASSERT_EQ(list.size(), 10u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i], static_cast<int>(i));
        EXPECT_EQ(&list[i], built[i]) << "element " << i;
    }
    int expected = 0;
    for (const int value : list) EXPECT_EQ(value, expected++);
}

// A chunk takes whole huge pages from a huge page less one small element on.
TEST(ChunkMemory, ChunksJustShortOfAHugePageTakeIt)
{
    constexpr std::size_t page = ChunkMemory::kHugePage;
    EXPECT_TRUE(ChunkMemory::IsHuge(page));
    EXPECT_TRUE(ChunkMemory::IsHuge(page - 32));  // 43,690 packet summaries of 48 bytes
    EXPECT_FALSE(ChunkMemory::IsHuge(page - ChunkMemory::kHugeSlack));
    EXPECT_FALSE(ChunkMemory::IsHuge(page * 3 / 4));
}

}  // namespace
}  // namespace quenlix
