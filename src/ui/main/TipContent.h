#pragma once
// The tip wizard's texts: fifty tip slots (0 to 41 filled), the tip sets shown for
// each page and window, and the memo text a set produces.

#include <array>
#include <bitset>
#include <initializer_list>
#include <string>

namespace quenlix {

constexpr int kTipSlotCount = 50;
constexpr int kFilledTipCount = 42;

// A set of tips. Tip number n (0-based, as in the tip table) is held in bit n + 1,
// so bit 0 and bits 51 to 255 are never used.
class TipSet {
public:
    TipSet() = default;
    TipSet(std::initializer_list<int> tips);

    // Adds tip n; numbers outside 0..49 are ignored.
    void Add(int tip);
    bool Contains(int tip) const;
    bool operator==(const TipSet& other) const { return bits_ == other.bits_; }

private:
    std::bitset<256> bits_;
};

// The tip table: slots 0..41 hold the tips, 42..49 are empty.
const std::array<std::string, kTipSlotCount>& TipTexts();

// The memo lines of a set: "Tip: " and the text of every tip in ascending order.
// Empty slots contribute no line.
std::string TipMemoText(const TipSet& tips);

// The tip sets of each page and window.
namespace tips {
TipSet StartUp();  // first activation of the main window, and after Close
TipSet OpenDialog();
TipSet FileSummary();
TipSet ClientServer();
TipSet DLCErrorEthernet();
TipSet DLCErrorTokenRing();
TipSet Charts();  // Packet Size Chart and Protocol Chart
TipSet ProtocolTable();
TipSet PrintSelection();
TipSet NetworkMap();
TipSet StationMap();
TipSet Toolbox();
TipSet Latency();
TipSet Throughput();
TipSet WhatIf();
}  // namespace tips

}  // namespace quenlix
