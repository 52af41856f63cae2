#pragma once
// Stale views. A read sets every entry of AnalysisState::ViewStale; a window that
// shows the analysis calls RebuildIfStale with its own entry each time it is
// activated, so it rebuilds from the state once after every read and not on
// every activation of an unchanged trace:
//
//     void TMyForm::FormActivate() { RebuildIfStale(state_, kViewMyWindow, [this] { Rebuild(); }); }
//
// The entry is cleared only after the rebuild has returned, so a rebuild that
// fails (throws) is tried again at the next activation.

#include <cstddef>
#include <functional>

#include "model/AnalysisState.h"

namespace quenlix {

// Each window's entry of ViewStale.
enum ViewIndex : int {
    kViewMainWindow = 0,
    kViewNetwork = 1,
    kViewStation = 2,
    kViewToolbox = 3,
    kViewLatency = 4,
    kViewThroughput = 5,
    kViewProblem = 6,
    kViewWhatIf = 7,
};
static_assert(kViewWhatIf < kViewCount, "every window needs its own entry");

inline bool IsViewStale(const AnalysisState& state, int view)
{
    return view >= 0 && view < kViewCount && state.ViewStale[static_cast<std::size_t>(view)] != 0;
}

inline void SetViewStale(AnalysisState& state, int view)
{
    if (view >= 0 && view < kViewCount) state.ViewStale[static_cast<std::size_t>(view)] = 1;
}

// Runs rebuild and clears the entry when the view is stale; returns whether it rebuilt.
inline bool RebuildIfStale(AnalysisState& state, int view, const std::function<void()>& rebuild)
{
    if (!IsViewStale(state, view)) return false;
    if (rebuild) rebuild();
    state.ViewStale[static_cast<std::size_t>(view)] = 0;
    return true;
}

}  // namespace quenlix
