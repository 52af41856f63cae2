#pragma once
// The analyses of one conversation for the command-line report: the figures of
// the latency (both directions), throughput, problem and what-if windows as
// named text fields, and the ladder as one text line per packet.

#include <string>
#include <utility>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/main/ClientServerContent.h"

namespace quenlix {

struct ConversationAnalysisReport {
    std::string Error;  // empty when the conversation was found
    std::vector<std::pair<std::string, std::string>> Fields;
    std::vector<std::string> LadderLines;
};

// Selects the conversation of the query as the toolbox would (client as the
// source) and builds every window's figures; with ladder, the ladder's lines
// instead, its TCP numbers relative or as the trace holds them.
ConversationAnalysisReport BuildConversationAnalysis(const AnalysisState& state, const ConversationQuery& query,
                                                     bool ladder, bool relativeSeq = true);

}  // namespace quenlix
