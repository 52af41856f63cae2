#pragma once
// The latency, throughput, problem and what-if analyses of the conversation
// chosen in the toolbox, without their windows: the texts of every box, memo,
// heading and caption, the four-bar chart both measuring windows draw, the
// values the latency window hands to the what-if window, the problem
// sentences of each direction and the what-if table over twenty link speeds.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/TransactionAnalysis.h"
#include "ui/analysis/ToolboxContent.h"

namespace quenlix {

// ---- the four-bar chart ---------------------------------------------------------

struct ChartData {
    std::array<std::string, 4> Labels{"Min", "Max", "Ave", "Con"};
    std::array<double, 4> Values{};
    std::array<uint32_t, 4> Colours{0xFF00FF, 0x00FF00, 0x00FFFF, 0x0000FF};  // RGB
};

struct ChartBar {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;  // inclusive corners
    bool Drawn = false;  // bars of height 0 or 1 are not drawn
};

struct BarChartGeometry {
    int Width = 0, Height = 0;
    double AxisMax = 0;
    std::string TopLabel, MidLabel;  // at the 90- and 45-pixel ticks
    int AxisY = 0;                   // the horizontal axis
    std::array<ChartBar, 4> Bars{};
    std::array<int, 4> LabelX{};     // bar labels, at AxisY + 1
};

// The tidy axis maximum for the largest value.
double ChartAxisMaximum(double largest);
BarChartGeometry LayOutBarChart(const ChartData& data, int width, int height);

// ---- latency ------------------------------------------------------------------------

struct WhatIfInputs {
    bool Valid = false;
    double MinLatency = 0;  // ms
    double AverageLatency = 0;
    double AverageContention = 0;
    double AveSendSize = 0;  // bytes
    double AveReceiveSize = 0;
    std::string RatioText = "1:1";
};

struct LatencyPanel {
    std::string Heading;
    std::string Memo = "Notes";
    bool HasResults = false;  // image shown, copy and what-if buttons enabled
    std::string Min, Max, Average, Contention;
    std::string Total, Ratio, AveSendSize, AveReceiveSize, Duration;
    ChartData Chart;
    WhatIfInputs WhatIf;
};

struct LatencyOptions {
    int HowLatency = 0;  // 0 all, 1 small responses, 2 large responses
    bool IncludeTransmissionTime = true;
};

struct LatencyContent {
    std::string Caption;
    LatencyPanel Upper, Lower;
    bool LowerShown = false;
    std::array<TransactionAnalysis, 2> Runs{};  // the two runs' results
};

LatencyContent BuildLatency(const AnalysisState& state, const ToolboxSelection& selection, const LatencyOptions& options);

// The clipboard text of a panel; upper false swaps sender and responder.
std::string LatencyCopyText(const LatencyPanel& panel, const ToolboxSelection& selection, bool upper);

// The memo text for a result code when no pair was measured.
std::string LatencyFailureText(uint16_t analysisResult);

// ---- throughput ---------------------------------------------------------------------

struct ThroughputPanel {
    std::string Heading;
    std::string Memo = "Notes";
    bool HasResults = false;
    std::string Min, Max, Average, Contention;
    std::string Total, Bytes, AveSize, AvePayload, Overhead, Duration;
    ChartData Chart;
};

struct ThroughputOptions {
    uint16_t WindowPackets = 8;
    int Units = 1;  // 1 KBytes per second, 8 KBits per second
};

struct ThroughputContent {
    std::string Caption;
    std::string GroupCaption;
    ThroughputPanel Upper, Lower;
    bool LowerShown = false;
    std::array<TransactionAnalysis, 2> Runs{};
};

ThroughputContent BuildThroughput(const AnalysisState& state, const ToolboxSelection& selection,
                                  const ThroughputOptions& options);
std::string ThroughputCopyText(const ThroughputPanel& panel, const ToolboxSelection& selection, bool upper, int units);

// ---- problems -----------------------------------------------------------------------

// Lines per direction: every kind a conversation usually shows fits.
constexpr int kProblemLines = 8;

struct ProblemContent {
    std::string Caption;
    std::string Source, Destination;
    std::array<std::string, kProblemLines> Forward{}, Reverse{};
    // The frames each line names (its first kProblemFramesKept), to select in the ladder.
    std::array<std::vector<int64_t>, kProblemLines> ForwardFrames{}, ReverseFrames{};
    std::string Notice;  // the analysis could not run on this conversation
};

// The sentences of one direction, at most kProblemLines, each naming the first
// frames of its problem.
std::array<std::string, kProblemLines> ProblemSentences(const ProblemCounts& counts);
// The frames of those sentences, line by line.
std::array<std::vector<int64_t>, kProblemLines> ProblemSentenceFrames(const ProblemCounts& counts);
ProblemContent BuildProblems(const AnalysisState& state, const ToolboxSelection& selection, const LadderLayout& ladder);

// ---- what if -------------------------------------------------------------------------

constexpr int kWhatIfSpeedCount = 20;
const std::array<int32_t, kWhatIfSpeedCount>& WhatIfSpeeds();  // kbit/s

struct WhatIfValues {
    int AveSend = 64, AveRcv = 64, Contention = 0, Latency = 0;
    int SendRatio = 1, RcvRatio = 1, Host = 0, Client = 0, PktsTrans = 2, Users = 1;
    bool FullDuplex = true;
    // The handed-over latency and contention as measured, in ms. The edits show
    // whole milliseconds, but round trips on a LAN take a fraction of one: the
    // table computes with the measured value while its edit still shows it
    // rounded, and with the typed whole number once the user changed it.
    double MeasuredLatency = 0, MeasuredContention = 0;
};

struct SpinRange {
    int Min = 0, Max = 0;
};
SpinRange PacketSizeRange(TopologyCode topology);

// The values the window starts from: the handed-over inputs rounded, the ratio
// parts taken from the ratio text (a part with a decimal rounds to the nearest
// whole number), every value inside its range.
WhatIfValues WhatIfDefaults(const WhatIfInputs& inputs, TopologyCode topology);
// Every value into its range, PktsTrans at least SendRatio + RcvRatio.
void ClampWhatIf(WhatIfValues& values, TopologyCode topology);

// The table: the header row, then 40 rows (full duplex) or 20, six columns.
std::vector<std::vector<std::string>> WhatIfTable(const WhatIfValues& values);

struct WhatIfContent {
    std::string Caption;
    std::string Heading;  // "Sender: ... Responder: ..."
    bool Originating = true;
};
WhatIfContent BuildWhatIfTexts(const ToolboxSelection& selection, bool originating);

}  // namespace quenlix
