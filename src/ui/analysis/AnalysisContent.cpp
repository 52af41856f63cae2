#include "ui/analysis/AnalysisContent.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/Naming.h"
#include "model/NumberFormat.h"
#include "ui/shared/DurationText.h"

namespace quenlix {

namespace {

constexpr int kTickHigh = 90;
constexpr int kTickLow = 45;

std::string Printf(const char* format, double value)
{
    if (!std::isfinite(value)) value = 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// " %1.3n": a blank, three decimals with thousands separators.
std::string Measured(double value) { return " " + FormatFixed(value, 3); }

// The whole seconds of a duration in microseconds, cut toward zero.
double WholeSeconds(double microseconds)
{
    return std::isfinite(microseconds) ? std::trunc(microseconds / 1e6) : 0;
}

std::string RangeText(const TransactionAnalysis& q)
{
    return std::to_string(q.FirstFrameNo) + " to " + std::to_string(q.LastFrameNo) + ".";
}

double Finite(double value) { return std::isfinite(value) ? value : 0; }

}  // namespace

// ---- chart ----------------------------------------------------------------------------

double ChartAxisMaximum(double m)
{
    // No positive finite value still gives the tidy scale of 0 (0.5): the bars
    // are 0 pixels and the ticks read a scale, never 0 twice.
    if (!std::isfinite(m) || m < 0) m = 0;
    if (m < 10) return std::trunc((10 * m + 5) * 0.2) * 5 / 10;
    if (m < 100) return std::trunc((m + 5) * 0.2) * 5;
    if (m < 1000) return std::trunc((m + 50) * 0.02) * 50;
    if (m < 10000) return std::trunc((m + 500) * 0.002) * 500;
    return m;
}

namespace {

// The decimals, from fewest up, that show a tick step exactly.
int AxisDecimals(double step, int fewest)
{
    // The axis maxima are multiples of 0.5, so a step needs at most two decimals;
    // a value of no such scale (beyond 10,000) keeps the fewest.
    constexpr int kMostDecimals = 2;
    for (int decimals = fewest; decimals <= kMostDecimals; ++decimals) {
        const double scaled = step * std::pow(10.0, decimals);
        if (std::isfinite(scaled) && scaled == std::trunc(scaled)) return decimals;
    }
    return fewest;
}

}  // namespace

BarChartGeometry LayOutBarChart(const ChartData& data, int width, int height)
{
    BarChartGeometry g;
    g.Width = width;
    g.Height = height;
    g.AxisY = height - 15;
    double largest = 0;
    for (double v : data.Values)
        if (std::isfinite(v)) largest = std::max(largest, v);
    g.AxisMax = ChartAxisMaximum(largest);
    // Both ticks show as many decimals as the step between them needs, so that a
    // step of 0.25 reads "0.25" rather than a rounded "0.2".
    const double step = g.AxisMax * 0.5;
    const bool wide = g.AxisMax >= 10;
    const std::string format = (wide ? "%6." : "%1.") + std::to_string(AxisDecimals(step, wide ? 0 : 1)) + "f";
    g.TopLabel = Printf(format.c_str(), g.AxisMax);
    g.MidLabel = Printf(format.c_str(), step);
    for (int i = 0; i < 4; ++i) {
        g.LabelX[static_cast<size_t>(i)] = 37 + i * 24;
        ChartBar& bar = g.Bars[static_cast<size_t>(i)];
        const double value = data.Values[static_cast<size_t>(i)];
        // With every value 0 (or none finite) there is no scale and no bar.
        const double h = g.AxisMax > 0 && std::isfinite(value) ? std::nearbyint(value * kTickHigh / g.AxisMax) : 0;
        const int height90 = static_cast<int>(std::clamp(h, -1.0, double{kTickHigh}));
        bar.Left = 35 + i * 24;
        bar.Right = bar.Left + 23;
        bar.Bottom = height - 14;
        bar.Top = height - 13 - height90;
        bar.Drawn = height90 > 1;
    }
    return g;
}

// ---- latency --------------------------------------------------------------------------

std::string LatencyFailureText(uint16_t result)
{
    switch (result) {
    case kResultNotTimeable:
        return "Latency analysis currently supported for IP applications"
               " using Ping (ICMP Echo), UDP, or TCP; or IPX applications"
               " using NCP, Packet Burst, SPX, SMB, or NetBIOS.";
    case kResultOneWay: return "Packets are one-way.";
    case kResultNoReverseApp: return "No reponse packets found for this selection.";
    case kResultNoEchoRequest: return "No ping's orginating from Sender.";
    case 5: return "No SNMP Get's orginating from Sender.";
    case kResultOnlyAcks: return "Source didn't send any TCP data (may be TCP ACKs only).";
    case kResultNoRequest: return "No command packets orginating from Sender.";
    case kResultNoTcpAck: return "Responder didn't ack any TCP data.";
    default: return {};
    }
}

namespace {

void ShowLatency(const TransactionAnalysis& q, LatencyPanel& panel)
{
    if (q.LatencyCount <= 0) {
        panel.Memo = "Unable to analyze latency.  " + LatencyFailureText(q.AnalysisResult);
        return;
    }
    panel.HasResults = true;
    const double minimum = Finite(q.LatencyMin * 0.001);
    const double maximum = Finite(q.LatencyMax * 0.001);
    const double average = Finite(q.LatencySum / q.LatencyCount * 0.001);
    const double contention = average - minimum;
    panel.Min = Measured(minimum);
    panel.Max = Measured(maximum);
    panel.Average = Measured(average);
    panel.Contention = Measured(contention);
    panel.Chart.Values = {minimum, maximum, average, contention};
    panel.Memo = FormatCount(q.LatencyCount) + " packet pair included in the latency analysis over the range " +
                 RangeText(q);
    panel.Total = FormatCount(int64_t{q.ForwardPackets} + q.ReversePackets);
    panel.Duration = DurationText(WholeSeconds(q.ForwardElapsed));
    panel.Ratio = RatioText(q.ForwardPackets, q.ReversePackets);
    WhatIfInputs& w = panel.WhatIf;
    w.Valid = true;
    w.MinLatency = minimum;
    w.AverageLatency = average;
    w.AverageContention = contention;
    w.RatioText = panel.Ratio;
    if (q.ForwardPackets > 0) {
        const int64_t size = q.ForwardBytes / q.ForwardPackets;
        panel.AveSendSize = FormatCount(size);
        w.AveSendSize = static_cast<double>(size);
    }
    if (q.ReversePackets > 0) {
        const int64_t size = q.ReverseBytes / q.ReversePackets;
        panel.AveReceiveSize = FormatCount(size);
        w.AveReceiveSize = static_cast<double>(size);
    }
}

}  // namespace

LatencyContent BuildLatency(const AnalysisState& state, const ToolboxSelection& s, const LatencyOptions& options)
{
    LatencyContent c;
    c.Caption = "Detailed Latency Analysis for " + s.ConversationText;
    c.Upper.Heading = "Sender: " + s.SenderText + "  Responder: " + s.ResponderText;
    c.Lower.Heading = "Sender: " + s.ResponderText + "  Responder: " + s.SenderText;
    TransactionAnalysis q = ToolboxQuery(state, s);
    q.SmallResponsesOnly = options.HowLatency == 1;
    q.LargeResponsesOnly = options.HowLatency == 2;
    q.IncludeTransmissionTime = options.IncludeTransmissionTime;
    q.MeasureLatency = true;
    AnalyzeTransactions(state, q);
    c.Runs[0] = q;
    ShowLatency(q, c.Upper);
    if (q.AnalysisResult == kResultAnalysed || q.AnalysisResult >= kResultNoReverseApp) {
        TransactionAnalysis r = ReverseQuery(q);
        AnalyzeTransactions(state, r);
        c.Runs[1] = r;
        c.LowerShown = true;
        ShowLatency(r, c.Lower);
    } else if (q.AnalysisResult == kResultOneWay) {
        c.Upper.Heading = "Sender: " + s.SenderText + "  Destination: " + s.ResponderText;
    }
    if (!c.LowerShown) c.Lower = LatencyPanel{};
    return c;
}

namespace {
std::string TrimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The clipboard text of a latency or throughput panel: its title and unit lines,
// the four figures, the packet total and the panel's own packet lines, CR LF
// between the lines.
template <class Panel>
std::string FiguresCopyText(std::string title, std::string units, const Panel& p,
                            const std::vector<std::string>& packetLines)
{
    std::vector<std::string> lines = {
        std::move(title),
        "",
        std::move(units),
        "Minimum \t" + p.Min,
        "Maximum \t" + p.Max,
        "Average \t" + p.Average,
        "Contention \t" + p.Contention,
        "",
        "Packets",
        "Total \t" + p.Total,
    };
    lines.insert(lines.end(), packetLines.begin(), packetLines.end());
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return text;
}
}  // namespace

std::string LatencyCopyText(const LatencyPanel& p, const ToolboxSelection& s, bool upper)
{
    const std::string& sender = upper ? s.SenderText : s.ResponderText;
    const std::string& responder = upper ? s.ResponderText : s.SenderText;
    return FiguresCopyText(
        "Latency Analysis for " + TrimRight(s.ConversationText) + ".  Sender: " + sender + " Responder: " + responder,
        "Latency in Milliseconds", p,
        {"Send-to-Receive Ratio \t" + p.Ratio, "Average Send Size \t" + p.AveSendSize,
         "Average Receive Size \t" + p.AveReceiveSize});
}

// ---- throughput -------------------------------------------------------------------------

namespace {

void ShowPacketFigures(const TransactionAnalysis& q, ThroughputPanel& p)
{
    p.Bytes = FormatCount(q.ThroughputBytes);
    if (q.ThroughputPackets > 0) {
        p.AveSize = FormatCount(q.ThroughputBytes / q.ThroughputPackets);
        p.AvePayload = FormatCount(q.SegmentBytes / q.ThroughputPackets);
    }
    const double overhead =
        q.ThroughputBytes > 0 ? 100 - static_cast<double>(q.SegmentBytes) / static_cast<double>(q.ThroughputBytes) * 100 : 0;
    p.Overhead = Printf(" %1.2f", overhead) + "%";
}

void ShowThroughput(const TransactionAnalysis& q, ThroughputPanel& p, bool upper, int units)
{
    if (q.AnalysisResult != kResultAnalysed) {
        p.Memo = q.AnalysisResult == kResultNotTimeable
                     ? "Throughput analysis currently supported for IP applications using Ping (ICMP Echo), UDP, or "
                       "TCP; or IPX applications using NCP, Packet Burst, SPX, or NetBIOS."
                     : "Unable to analyze throughput.";
        return;
    }
    if (q.ThroughputPackets < q.WindowPackets) {
        if (q.ThroughputPackets <= 0) {
            p.Memo = upper ? "There are no packets to analyze from source to destination."
                           : "There are no packets to analyze from destination to source.";
            return;
        }
        ShowPacketFigures(q, p);
        p.Memo = (q.ThroughputPackets == 1 ? std::string("There is only 1 packet")
                                           : "There are only " + FormatCount(q.ThroughputPackets) + " packets") +
                 " from" +
                 (upper ? " the source to the destination.  A minimum of " : " the destination to the source.  A minimum of ") +
                 std::to_string(q.WindowPackets) + " is required for throughput analysis. This can be adjusted in the" +
                 " Packet Sample Window setting.";
        return;
    }
    p.HasResults = true;
    p.Total = FormatCount(q.ThroughputPackets);
    p.Duration = DurationText(WholeSeconds(q.ForwardElapsed));
    ShowPacketFigures(q, p);
    // Times stepping back can leave no window with time to measure: then there is
    // no minimum either, rather than the search's starting value.
    const double minimum = q.ThroughputMin < kLatencyStartMin ? Finite(q.ThroughputMin * 0.001) : 0;
    const double maximum = Finite(q.ThroughputMax * 0.001);
    // A run whose packets all carry the same time has no elapsed time to divide by.
    const double average =
        q.ForwardElapsed > 0 ? Finite(static_cast<double>(q.ThroughputBytes) / (q.ForwardElapsed * 1e-6) * 0.001) : 0;
    const double contention = maximum - average;
    const std::array<double, 4> values = {minimum * units, maximum * units, average * units, contention * units};
    p.Min = Measured(values[0]);
    p.Max = Measured(values[1]);
    p.Average = Measured(values[2]);
    p.Contention = Measured(values[3]);
    p.Chart.Values = values;
    p.Memo = FormatCount(q.ThroughputPackets) + " packets included in the throughput analysis over the range " +
             RangeText(q);
}

}  // namespace

ThroughputContent BuildThroughput(const AnalysisState& state, const ToolboxSelection& s, const ThroughputOptions& options)
{
    ThroughputContent c;
    const int units = options.Units == 8 ? 8 : 1;
    c.Caption = "Detailed Throughput Analysis for " + s.ConversationText;
    c.GroupCaption = units == 8 ? "Throughput (in KBits/Second)" : "Throughput (in KBytes/Second)";
    c.Upper.Heading = "From " + s.SenderText + " to " + s.ResponderText;
    TransactionAnalysis q = ToolboxQuery(state, s);
    q.MeasureThroughput = true;
    q.WindowPackets = std::clamp<uint16_t>(options.WindowPackets, kMinWindowPackets, kMaxWindowPackets);
    AnalyzeTransactions(state, q);
    c.Runs[0] = q;
    ShowThroughput(q, c.Upper, true, units);
    if (!s.NoReversePath) {
        c.LowerShown = true;
        c.Lower.Heading = "From " + s.ResponderText + " to " + s.SenderText;
        TransactionAnalysis r = ReverseQuery(q);
        AnalyzeTransactions(state, r);
        c.Runs[1] = r;
        ShowThroughput(r, c.Lower, false, units);
    }
    return c;
}

std::string ThroughputCopyText(const ThroughputPanel& p, const ToolboxSelection& s, bool upper, int units)
{
    const std::string& sender = upper ? s.SenderText : s.ResponderText;
    const std::string& responder = upper ? s.ResponderText : s.SenderText;
    return FiguresCopyText("Throughput Analysis for " + s.ConversationText + " from " + sender + " to " + responder,
                           std::string("Throughput in ") + (units == 8 ? "KBits/Second" : "KBytes/Second"), p,
                           {"Average Size \t" + p.AveSize, "Average Payload \t" + p.AvePayload,
                            "Protocol Overhead \t" + p.Overhead});
}

// ---- problems ----------------------------------------------------------------------------

namespace {

struct ProblemLine {
    std::string Text;
    std::vector<int64_t> Frames;
};

// " Frames 10, 12, 14, 20, 31 and 7 more." after a sentence of n problems.
std::string FramesText(const std::vector<int64_t>& frames, uint32_t n)
{
    if (frames.empty()) return {};
    std::string text = frames.size() == 1 && n <= 1 ? " Frame " : " Frames ";
    for (size_t i = 0; i < frames.size(); ++i) text += (i ? ", " : "") + std::to_string(frames[i]);
    if (n > frames.size()) text += " and " + FormatCount(n - frames.size()) + " more";
    return text + ".";
}

std::vector<ProblemLine> ProblemLines(const ProblemCounts& c)
{
    std::vector<ProblemLine> lines;
    const auto add = [&](uint32_t n, const std::string& text, ProblemKind kind) {
        if (n == 0) return;
        const std::vector<int64_t>& frames = c.Frames[static_cast<size_t>(kind)];
        lines.push_back({FormatCount(n) + text + FramesText(frames, n), frames});
    };
    add(c.CrcErrors, " DLC CRC error(s).", ProblemKind::CrcError);
    add(c.ShortPackets, " Short packet(s).", ProblemKind::ShortPacket);
    add(c.LongPackets, " Long packet(s).", ProblemKind::LongPacket);
    add(c.IpChecksumErrors, " IP checksum error(s).", ProblemKind::IpChecksumError);
    add(c.UdpChecksumErrors, " UDP checksum error(s).", ProblemKind::UdpChecksumError);
    add(c.TcpChecksumErrors, " TCP checksum error(s).", ProblemKind::TcpChecksumError);
    add(c.LocallyRouted, " locally routed packets totalling " + FormatCount(c.LocallyRoutedBytes) + " bytes.",
        ProblemKind::LocallyRouted);
    if (c.Retransmissions != 0) {
        add(c.Retransmissions, " transport retransmission(s) totalling " + FormatCount(c.RetransmittedBytes) + " bytes.",
            ProblemKind::Retransmission);
        // The average belongs to the same retransmissions: a click selects the first of them.
        lines.push_back({"The average retransmission time is " +
                             FormatMilliseconds(c.RetransmissionDelay * 0.001 / c.Retransmissions) + " milliseconds.",
                         c.Frames[static_cast<size_t>(ProblemKind::Retransmission)]});
    }
    add(c.ErrorRetransmissions, " of the retransmission(s) follow a packet with a CRC or checksum error.",
        ProblemKind::ErrorRetransmission);
    add(c.ZeroWindows, " zero window(s).", ProblemKind::ZeroWindow);
    add(c.UncapturedRetransmissions, " retransmission(s) of bytes whose original was not captured.",
        ProblemKind::UncapturedRetransmission);
    add(c.FastRetransmissions, " of them after three or more duplicate ACKs (fast retransmission).",
        ProblemKind::FastRetransmission);
    add(c.PreviousNotCaptured, " previous segment(s) not captured.", ProblemKind::PreviousNotCaptured);
    add(c.DuplicateAcks, " duplicate ACK(s).", ProblemKind::DuplicateAck);
    add(c.OutOfOrder, " segment(s) out of order.", ProblemKind::OutOfOrder);
    add(c.WindowFull, " segment(s) that filled the receiver's window.", ProblemKind::WindowFull);
    add(c.WindowUpdates, " window update(s).", ProblemKind::WindowUpdate);
    add(c.KeepAlives, " keep-alive(s).", ProblemKind::KeepAlive);
    add(c.Resets, " reset(s).", ProblemKind::Reset);
    return lines;
}

}  // namespace

std::array<std::string, kProblemLines> ProblemSentences(const ProblemCounts& c)
{
    const std::vector<ProblemLine> lines = ProblemLines(c);
    std::array<std::string, kProblemLines> shown{};
    for (size_t i = 0; i < shown.size() && i < lines.size(); ++i) shown[i] = lines[i].Text;
    return shown;
}

std::array<std::vector<int64_t>, kProblemLines> ProblemSentenceFrames(const ProblemCounts& c)
{
    const std::vector<ProblemLine> lines = ProblemLines(c);
    std::array<std::vector<int64_t>, kProblemLines> frames{};
    for (size_t i = 0; i < frames.size() && i < lines.size(); ++i) frames[i] = lines[i].Frames;
    return frames;
}

ProblemContent BuildProblems(const AnalysisState& state, const ToolboxSelection& s, const LadderLayout& ladder)
{
    ProblemContent c;
    c.Caption = "Problem Analysis for " + s.ConversationText;
    c.Source = s.SenderText;
    c.Destination = s.ResponderText;
    TransactionAnalysis q = ToolboxQuery(state, s);
    q.ProblemMode = true;
    AnalyzeTransactions(state, q);
    if (q.AnalysisResult != kResultAnalysed) c.Notice = "Unable to perform problem analysis.";
    c.Forward = ProblemSentences(ladder.Forward);
    c.Reverse = ProblemSentences(ladder.Reverse);
    c.ForwardFrames = ProblemSentenceFrames(ladder.Forward);
    c.ReverseFrames = ProblemSentenceFrames(ladder.Reverse);
    return c;
}

// ---- what if ------------------------------------------------------------------------------

const std::array<int32_t, kWhatIfSpeedCount>& WhatIfSpeeds()
{
    static const std::array<int32_t, kWhatIfSpeedCount> speeds = {32,    56,    64,    128,    224,    256,   384,
                                                                  512,   768,   1024,  1536,   2048,   4000,  10000,
                                                                  16000, 45000, 100000, 155520, 622080, 1000000};
    return speeds;
}

SpinRange PacketSizeRange(TopologyCode topology)
{
    return topology == kTopologyTokenRing ? SpinRange{18, 18200} : SpinRange{64, 1518};
}

namespace {

int RoundedWhole(double value, int low, int high)
{
    if (!std::isfinite(value)) return low;
    return static_cast<int>(std::clamp(std::nearbyint(value), double(low), double(high)));
}

// One part of a ratio text such as "2.5" or "3"; a part that is no number reads as 1.
double RatioPart(std::string_view text)
{
    double value = 1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 1;
}

// A handed-over time in ms held to its edit's range, unrounded.
double MeasuredMilliseconds(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 10000.0) : 0;
}

// The time the table computes with: the measured one while the edit shows it
// rounded, so that a sub-millisecond round trip is not taken for none.
double TableMilliseconds(int shown, double measured)
{
    const double held = MeasuredMilliseconds(measured);
    return RoundedWhole(held, 0, 10000) == shown ? held : shown;
}

}  // namespace

void ClampWhatIf(WhatIfValues& v, TopologyCode topology)
{
    const SpinRange size = PacketSizeRange(topology);
    v.AveSend = std::clamp(v.AveSend, size.Min, size.Max);
    v.AveRcv = std::clamp(v.AveRcv, size.Min, size.Max);
    v.Contention = std::clamp(v.Contention, 0, 10000);
    v.Latency = std::clamp(v.Latency, 0, 10000);
    v.SendRatio = std::clamp(v.SendRatio, 1, 100);
    v.RcvRatio = std::clamp(v.RcvRatio, 1, 100);
    v.Host = std::clamp(v.Host, 0, 10000);
    v.Client = std::clamp(v.Client, 0, 10000);
    v.PktsTrans = std::clamp(v.PktsTrans, std::max(2, v.SendRatio + v.RcvRatio), 10000);
    v.Users = std::clamp(v.Users, 1, 1000);
}

WhatIfValues WhatIfDefaults(const WhatIfInputs& in, TopologyCode topology)
{
    WhatIfValues v;
    const SpinRange size = PacketSizeRange(topology);
    v.AveSend = RoundedWhole(in.AveSendSize, size.Min, size.Max);
    v.AveRcv = RoundedWhole(in.AveReceiveSize, size.Min, size.Max);
    v.Contention = RoundedWhole(in.AverageContention, 0, 10000);
    v.Latency = RoundedWhole(in.MinLatency, 0, 10000);
    v.MeasuredContention = MeasuredMilliseconds(in.AverageContention);
    v.MeasuredLatency = MeasuredMilliseconds(in.MinLatency);
    const size_t colon = in.RatioText.find(':');
    const std::string_view ratio = in.RatioText;
    v.SendRatio = RoundedWhole(RatioPart(ratio.substr(0, colon)), 1, 100);
    v.RcvRatio = colon == std::string::npos ? 1 : RoundedWhole(RatioPart(ratio.substr(colon + 1)), 1, 100);
    v.PktsTrans = v.SendRatio + v.RcvRatio;
    ClampWhatIf(v, topology);
    return v;
}

std::vector<std::vector<std::string>> WhatIfTable(const WhatIfValues& input)
{
    WhatIfValues v = input;
    ClampWhatIf(v, kTopologyEthernet);  // keeps every divisor positive; sizes keep the widest range
    v.AveSend = std::clamp(input.AveSend, 18, 18200);
    v.AveRcv = std::clamp(input.AveRcv, 18, 18200);
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"", "Bits/Sec", "Bytes/Sec", "Max Pkts/Sec", "Utilization", "Total Time (secs)"});
    const double latency = TableMilliseconds(v.Latency, v.MeasuredLatency);
    const double contention = TableMilliseconds(v.Contention, v.MeasuredContention);
    const double d = (latency + contention + v.Host + v.Client) * 0.001;
    const double u = v.Users, s = v.SendRatio, r = v.RcvRatio, p = v.PktsTrans;
    for (const int32_t k : WhatIfSpeeds()) {
        const int64_t bits = int64_t{k} * 1000;
        const double b = static_cast<double>(bits / 8);
        const int overhead = (k == 10000 || k == 100000 || k == 1000000) ? 20 : 0;
        const std::string bitsText = FormatCount(bits), bytesText = FormatCount(bits / 8);
        if (v.FullDuplex) {
            const double sendSize = v.AveSend + overhead, rcvSize = v.AveRcv + overhead;
            const double rateS = u * s / (s * (sendSize * u / b) + d);
            const double rateR = u * r / (r * (rcvSize * u / b) + d);
            const double ns = std::nearbyint(s / (s + r) * p * u);
            const double nr = std::nearbyint(r / (s + r) * p * u);
            rows.push_back({"Send", bitsText, bytesText, Printf("%6.2f", rateS), Printf("%3.2f", sendSize * rateS / b * 100) + "%", ""});
            rows.push_back({"Receive", bitsText, bytesText, Printf("%6.2f", rateR),
                            Printf("%3.2f", rcvSize * rateR / b * 100) + "%", Printf("%6.6f", ns / rateS + nr / rateR)});
        } else {
            const double g = (v.AveRcv + overhead) * r + (v.AveSend + overhead) * s;
            const double rate = 1 / (g * 0.5 / b + d);
            rows.push_back({"Send/Rcv", bitsText, bytesText, Printf("%6.2f", rate),
                            Printf("%3.2f", (v.AveRcv + overhead) * rate / b * 100) + "%",
                            Printf("%6.6f", (g / b + d) * u * p / (s + r))});
        }
    }
    return rows;
}

WhatIfContent BuildWhatIfTexts(const ToolboxSelection& s, bool originating)
{
    WhatIfContent c;
    c.Originating = originating;
    c.Caption = "Load & Response Time Analysis for " + s.ConversationText;
    c.Heading = originating ? "Sender: " + s.SenderText + "  Responder: " + s.ResponderText
                            : "Sender: " + s.ResponderText + "  Responder: " + s.SenderText;
    return c;
}

}  // namespace quenlix
