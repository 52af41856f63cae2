#include "ui/controls/DualListContent.h"

#include <algorithm>

namespace quenlix {

namespace {

// After a move the list keeps one entry selected: the given one, clamped to the last.
void SelectOnly(std::vector<DualListEntry>& list, int index, int& current)
{
    for (DualListEntry& entry : list) entry.Selected = false;
    if (list.empty()) {
        current = -1;
        return;
    }
    current = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
    list[static_cast<size_t>(current)].Selected = true;
}

}  // namespace

void DualListContent::MoveSelected(std::vector<DualListEntry>& from, std::vector<DualListEntry>& to, int& current)
{
    int first = -1;
    for (size_t i = 0; i < from.size(); ++i)
        if (from[i].Selected) {
            first = static_cast<int>(i);
            break;
        }
    for (size_t i = from.size(); i-- > 0;) {
        if (!from[i].Selected) continue;
        DualListEntry moved = from[i];
        moved.Selected = false;
        to.push_back(std::move(moved));
        from.erase(from.begin() + static_cast<std::ptrdiff_t>(i));
    }
    SelectOnly(from, first < 0 ? 0 : first, current);
}

void DualListContent::MoveAll(std::vector<DualListEntry>& from, std::vector<DualListEntry>& to, int& current)
{
    for (DualListEntry& entry : from) {
        entry.Selected = false;
        to.push_back(std::move(entry));
    }
    from.clear();
    SelectOnly(from, 0, current);
}

}  // namespace quenlix
