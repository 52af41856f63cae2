#pragma once
// The frame engine: decodes the current frame of the analysis state and accumulates
// every statistic, tree, conversation chain and packet summary from it.

#include "model/AnalysisState.h"

namespace quenlix {

// Analyses the current frame. Increments frameNo (the reader's counter) first.
// Returns true when the reader must stop reading.
bool AnalyzeFrame(AnalysisState& state, int64_t& frameNo);

// Closes the open one-second interval: totals, utilisation, peaks, average size.
void CloseInterval(AnalysisState& state);

// Time keeping of one analysed frame; may close an interval.
void UpdateElapsed(AnalysisState& state, int64_t frameNo);

}  // namespace quenlix
