#pragma once
// The rules of the "Viewable Stations" dialog without its widgets: two lists,
// "Show" and "Hide", whose entries carry the caller's station record with their
// text; moves of the selection or of everything between them, the selection
// left after a move, and the enabled move buttons.

#include <cstdint>
#include <string>
#include <vector>

namespace quenlix {

struct DualListEntry {
    std::string Text;
    std::string Object;  // the caller's record of the entry (a station key)
    bool Selected = false;
    friend bool operator==(const DualListEntry&, const DualListEntry&) = default;
};

inline constexpr const char* kDualListCaption = "Viewable Stations";
inline constexpr const char* kDualListShowLabel = "Show";
inline constexpr const char* kDualListHideLabel = "Hide";
constexpr int kDualListWidth = 200;

struct DualListContent {
    std::vector<DualListEntry> Show;  // SrcList
    std::vector<DualListEntry> Hide;  // DstList
    // The entry focused and selected after the last move, per list (-1: none).
    int ShowCurrent = -1;
    int HideCurrent = -1;

    // IncludeBtn: the selected entries of Show go to Hide, walked from the last,
    // so they arrive in reverse order. ExcludeBtn likewise from Hide to Show.
    void Include() { MoveSelected(Show, Hide, ShowCurrent); }
    void Exclude() { MoveSelected(Hide, Show, HideCurrent); }
    // IncAllBtn, ExAllBtn: every entry, in order.
    void IncludeAll() { MoveAll(Show, Hide, ShowCurrent); }
    void ExcludeAll() { MoveAll(Hide, Show, HideCurrent); }

    bool IncludeEnabled() const { return !Show.empty(); }
    bool ExcludeEnabled() const { return !Hide.empty(); }

private:
    static void MoveSelected(std::vector<DualListEntry>& from, std::vector<DualListEntry>& to, int& current);
    static void MoveAll(std::vector<DualListEntry>& from, std::vector<DualListEntry>& to, int& current);
};

}  // namespace quenlix
