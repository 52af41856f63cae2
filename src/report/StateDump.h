#pragma once
// The analysis state after a read, written as JSON with the state's own field
// names as keys: the counters and tables, every station and network node with
// its record chains, the learned names and the number of packet summaries.
// Chains are followed defensively, so a damaged state still gives a finite,
// well-formed dump.

#include <cstdint>
#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

struct StateDumpOptions {
    bool WithPackets = false;  // list every packet of every TTransHead chain
};

std::string StateDumpJson(const AnalysisState& state, const StateDumpOptions& options = {});

// Raw bytes as upper-case hexadecimal digits, two per byte, no separators.
std::string BytesToHex(const uint8_t* data, size_t length);

}  // namespace quenlix
