#include "ui/analysis/AnalysisReportContent.h"

#include "ui/analysis/AnalysisContent.h"
#include "ui/analysis/ToolboxContent.h"

namespace quenlix {

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

void AddLatency(Fields& f, const std::string& prefix, const LatencyPanel& p)
{
    f.emplace_back(prefix + "Heading", p.Heading);
    f.emplace_back(prefix + "Notes", p.Memo);
    if (!p.HasResults) return;
    f.emplace_back(prefix + "MinimumRoundTrip", p.Min.substr(1));
    f.emplace_back(prefix + "MaximumRoundTrip", p.Max.substr(1));
    f.emplace_back(prefix + "AverageRoundTrip", p.Average.substr(1));
    f.emplace_back(prefix + "AverageContention", p.Contention.substr(1));
    f.emplace_back(prefix + "Total", p.Total);
    f.emplace_back(prefix + "SendToReceiveRatio", p.Ratio);
    f.emplace_back(prefix + "AverageSendSize", p.AveSendSize);
    f.emplace_back(prefix + "AverageReceiveSize", p.AveReceiveSize);
    f.emplace_back(prefix + "Duration", p.Duration);
}

void AddThroughput(Fields& f, const std::string& prefix, const ThroughputPanel& p)
{
    f.emplace_back(prefix + "Heading", p.Heading);
    f.emplace_back(prefix + "Notes", p.Memo);
    const auto add = [&](const char* name, const std::string& value) {
        if (!value.empty()) f.emplace_back(prefix + name, value[0] == ' ' ? value.substr(1) : value);
    };
    add("Minimum", p.Min);
    add("Maximum", p.Max);
    add("Average", p.Average);
    add("AveContention", p.Contention);
    add("Total", p.Total);
    add("Bytes", p.Bytes);
    add("AverageSize", p.AveSize);
    add("AveragePayload", p.AvePayload);
    add("ProtocolOverhead", p.Overhead);
    add("Duration", p.Duration);
}

}  // namespace

ConversationAnalysisReport BuildConversationAnalysis(const AnalysisState& state, const ConversationQuery& query,
                                                     bool ladder, bool relativeSeq)
{
    ConversationAnalysisReport report;
    ToolboxSelection s;
    ToolboxOptions options;
    options.RelativeSeq = relativeSeq;
    report.Error = SelectConversation(state, s, options, query.Client, query.Server, query.Application);
    if (!report.Error.empty()) return report;
    SetFrameRange(s, query.FirstFrameNo, query.LastFrameNo < 0 ? state.TotalFrames : query.LastFrameNo);
    if (ladder) {
        report.LadderLines = LadderTextLines(state, s, options);
        return report;
    }
    Fields& f = report.Fields;
    LatencyOptions latency;
    latency.HowLatency = query.SmallResponsesOnly ? 1 : query.LargeResponsesOnly ? 2 : 0;
    latency.IncludeTransmissionTime = query.IncludeTransmissionTime;
    const LatencyContent l = BuildLatency(state, s, latency);
    f.emplace_back("Latency.Caption", l.Caption);
    AddLatency(f, "Latency.Upper.", l.Upper);
    if (l.LowerShown) AddLatency(f, "Latency.Lower.", l.Lower);

    ThroughputOptions throughput;
    throughput.WindowPackets = query.WindowPackets;
    const ThroughputContent t = BuildThroughput(state, s, throughput);
    f.emplace_back("Throughput.Caption", t.Caption);
    f.emplace_back("Throughput.Units", "KBytes/Second");
    AddThroughput(f, "Throughput.Upper.", t.Upper);
    if (t.LowerShown) AddThroughput(f, "Throughput.Lower.", t.Lower);

    const LadderLayout ladderLayout = LayOutLadder(state, s, options, 0, -1);
    const ProblemContent p = BuildProblems(state, s, ladderLayout);
    f.emplace_back("Problems.Caption", p.Caption);
    if (!p.Notice.empty()) f.emplace_back("Problems.Notice", p.Notice);
    for (int half = 0; half < 2; ++half)
        for (int i = 0; i < kProblemLines; ++i) {
            const std::string& line = (half == 0 ? p.Forward : p.Reverse)[static_cast<size_t>(i)];
            if (!line.empty())
                f.emplace_back(std::string(half == 0 ? "Problems.SourceToDestination." : "Problems.DestinationToSource.") +
                                   std::to_string(i + 1),
                               line);
        }

    for (int half = 0; half < 2; ++half) {
        const LatencyPanel& panel = half == 0 ? l.Upper : l.Lower;
        if (!panel.WhatIf.Valid) continue;
        const WhatIfContent texts = BuildWhatIfTexts(s, half == 0);
        const std::string prefix = half == 0 ? "WhatIf.Originating." : "WhatIf.Reverse.";
        f.emplace_back(prefix + "Caption", texts.Caption);
        f.emplace_back(prefix + "Heading", texts.Heading);
        const auto rows = WhatIfTable(WhatIfDefaults(panel.WhatIf, state.Topology));
        for (size_t r = 1; r < rows.size(); ++r) {
            std::string line;
            for (size_t c = 0; c < rows[r].size(); ++c) line += (c ? "\t" : "") + rows[r][c];
            f.emplace_back(prefix + "Row" + std::to_string(r), line);
        }
    }
    return report;
}

}  // namespace quenlix
