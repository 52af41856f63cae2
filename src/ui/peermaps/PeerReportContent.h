#pragma once
// The statistics grids of the network and station windows for the command-line
// report: the same rows the windows show (every sender, in address order, the
// columns in their default order), as aligned text or as JSON objects keyed by
// the columns' JSON keys (their header texts).

#include <string>
#include <vector>

#include "model/AnalysisState.h"

namespace quenlix {

struct PeerReportOptions {
    bool SmartNames = false;
    bool ShowOUI = false;  // IPX nodes (network) and stations (station grid) by vendor
};

// The header row followed by one row per sender.
std::vector<std::vector<std::string>> NetworkStatisticsRows(AnalysisState& state, const PeerReportOptions& options);
std::vector<std::vector<std::string>> StationStatisticsRows(AnalysisState& state, const PeerReportOptions& options);

// A titled section: a blank line, the title, then the rows in aligned columns.
std::string PeerGridText(const std::string& title, const std::vector<std::vector<std::string>>& rows);

// The rows after the header as a JSON array of objects keyed by the columns' JSON
// keys, every cell the text the grid shows.
std::string NetworkStatisticsJson(AnalysisState& state, const PeerReportOptions& options);
std::string StationStatisticsJson(AnalysisState& state, const PeerReportOptions& options);

}  // namespace quenlix
