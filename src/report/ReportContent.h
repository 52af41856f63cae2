#pragma once
// The printable report of a read trace: the File Summary page (file attributes,
// frame statistics by address class, media utilisation for all and for broadcast
// packets, DLC encapsulation types), the Protocol Table page and the DLC Error
// Expert page of the trace's topology (Ethernet: frame errors, collision fragment
// analysis and notes; Token Ring: ring order, soft error summary and notes), as
// plain text or as JSON. Every figure is the text the pages show, taken from their content
// builders, so the report and the windows never disagree.

#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

// The report as aligned plain text, one section per group box, ending in a line break.
std::string ReportText(const AnalysisState& state);

// The same content as one JSON object (keys in the order of the text report).
std::string ReportJson(const AnalysisState& state);

}  // namespace quenlix
