#pragma once
// The statistics grids of the network and station windows for the command-line
// report: the same rows the windows show (every sender, in address order, the
// columns in their default order), as aligned text or as JSON objects keyed by
// the columns' JSON keys (their header texts).

#include <ostream>
#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

struct PeerReportOptions {
    bool SmartNames = false;
    bool ShowOUI = false;  // IPX nodes (network) and stations (station grid) by vendor
};

// A titled section: a blank line, the title, then the header row and one row per
// sender in aligned columns. The lines are written straight from the window's
// grid, so that a table of a million senders is not held twice.
void WriteNetworkStatistics(std::ostream& out, AnalysisState& state, const PeerReportOptions& options);
void WriteStationStatistics(std::ostream& out, AnalysisState& state, const PeerReportOptions& options);

// The rows after the header as a JSON array of objects keyed by the columns' JSON
// keys, every cell the text the grid shows.
std::string NetworkStatisticsJson(AnalysisState& state, const PeerReportOptions& options);
std::string StationStatisticsJson(AnalysisState& state, const PeerReportOptions& options);

}  // namespace quenlix
