#include "ui/main/ChartContent.h"

#include <algorithm>
#include <cmath>

#include "import/TraceImport.h"
#include "model/Naming.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr int kLowestSizeEntry = -1;
constexpr int kHighestSizeEntry = kSizeClassCount - 2;  // entry 70

// Room left above the highest bar: its mark needs an arrow and a line of text.
constexpr double kBarHeadroomWithMarks = 1.3;
constexpr double kBarHeadroomWithoutMarks = 1.08;

int64_t PacketClassValue(const ProtocolStat& stat, PacketClass packetClass)
{
    switch (packetClass) {
    case PacketClass::All: return stat.Frames;
    case PacketClass::Broadcast: return stat.GroupFrames;
    case PacketClass::NonBroadcast: return int64_t{stat.Frames} - stat.GroupFrames;
    }
    return 0;
}

std::string ValueText(int64_t value)
{
    return FormatCount(value);
}

uint8_t ShadedComponent(uint32_t bgr, int shift, double factor)
{
    const double value = std::nearbyint(static_cast<double>((bgr >> shift) & 0xFFu) * factor);
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

}  // namespace

const std::array<std::string, kPacketClassCount>& PacketClassNames()
{
    static const std::array<std::string, kPacketClassCount> names{"All", "Broadcast", "Non-Broadcast"};
    return names;
}

PacketClass PacketClassOfItem(int item)
{
    if (item == 1) return PacketClass::Broadcast;
    if (item == 2) return PacketClass::NonBroadcast;
    return PacketClass::All;
}

std::string ProtocolChartTitle(PacketClass packetClass)
{
    return "Protocol Distribution - " + PacketClassNames()[static_cast<size_t>(packetClass)] + " Packets";
}

const std::array<PacketSizeClass, kPacketSizeClassCount>& PacketSizeClasses()
{
    static const std::array<PacketSizeClass, kPacketSizeClassCount> classes{{
        {"18 to 64 -", " Less than 64 -", -1, -1, -1, -1, 0xFF00FF},
        {"64 to 255 -", "64 to 255 -", 0, 0, 0, 0, 0x00FF00},
        {"256 to 511 -", "256 to 511 -", 1, 1, 1, 1, 0xFFFF00},
        {"512 to 1023 -", "512 to 1023 -", 2, 3, 2, 3, 0xFF0000},
        {"1024 to 1518 -", "1024 to 4097 -", 4, 5, 4, 15, 0x00FFFF},
        {"Greater than 1518 -", "Greater than 4097 -", 6, 6, 16, 70, 0x000080},
    }};
    return classes;
}

int64_t SizeClassFrames(const AnalysisState& state, const PacketSizeClass& sizeClass)
{
    const bool tokenRing = state.Topology == kTopologyTokenRing;
    const int first = std::max(tokenRing ? sizeClass.TokenRingFirstEntry : sizeClass.EthernetFirstEntry, kLowestSizeEntry);
    const int last = std::min(tokenRing ? sizeClass.TokenRingLastEntry : sizeClass.EthernetLastEntry, kHighestSizeEntry);
    int64_t frames = 0;
    for (int entry = first; entry <= last; ++entry)
        frames += state.SizeDistribution[static_cast<size_t>(entry - kLowestSizeEntry)];
    return frames;
}

ChartContent BuildPacketSizeChart(const AnalysisState& state)
{
    const bool tokenRing = state.Topology == kTopologyTokenRing;
    ChartContent chart;
    chart.Title = kPacketSizeChartTitle;
    for (const PacketSizeClass& sizeClass : PacketSizeClasses()) {
        const ChartPoint point{tokenRing ? sizeClass.TokenRingLabel : sizeClass.EthernetLabel,
                               SizeClassFrames(state, sizeClass), sizeClass.Colour};
        // Counts are never negative in an analysis; a damaged one gets no slice.
        if (point.Value > 0) chart.PieSlices.push_back(point);
        chart.Bars.push_back(point);
    }
    return chart;
}

ChartContent BuildProtocolChart(const AnalysisState& state, PacketClass packetClass)
{
    ChartContent chart;
    chart.Title = ProtocolChartTitle(packetClass);
    for (ProtocolFamily family : kAllFamilies) {
        const int64_t value = PacketClassValue(state.ProtocolStats[family], packetClass);
        if (value <= 0) continue;
        const ChartPoint point{FamilyName(family) + " -", value, FamilyColour(family)};
        chart.PieSlices.push_back(point);
        chart.Bars.push_back(point);
    }
    return chart;
}

ChartAppearance ChartAppearanceOf(const ChartSettings& settings)
{
    const bool packets = settings.ChartUnits == 1;
    ChartAppearance appearance;
    appearance.PieActive = settings.ChartType != 1;
    appearance.PieMarks = packets ? MarkStyle::LabelAndValue : MarkStyle::LabelAndPercent;
    appearance.BarMarks = packets ? MarkStyle::Value : MarkStyle::Percent;
    appearance.Legend = packets ? LegendValue::Value : LegendValue::Percent;
    appearance.GradientVisible = settings.ShowGradient;
    appearance.GradientTopColour = static_cast<uint32_t>(settings.TopColor) & 0xFFFFFFu;
    appearance.GradientBottomColour = static_cast<uint32_t>(settings.BottomColor) & 0xFFFFFFu;
    appearance.TitleVisible = settings.ShowTitle;
    appearance.LegendVisible = settings.ShowLegend;
    appearance.MarksVisible = settings.ShowValues;
    appearance.View3D = settings.View3D;
    return appearance;
}

int64_t ChartTotal(const std::vector<ChartPoint>& points)
{
    int64_t total = 0;
    for (const ChartPoint& point : points) total += std::max<int64_t>(point.Value, 0);
    return total;
}

double ChartPercent(int64_t value, int64_t total)
{
    // Rounded as the tables round, so that a protocol's share reads the same here
    // and in the Protocol Table.
    return PercentOfFigure(static_cast<double>(value), static_cast<double>(total));
}

std::string ChartPercentText(double percent)
{
    std::string text = FormatFixed(percent, 2);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text + " %";
}

bool PieMarkShown(int64_t value, int64_t total)
{
    return total > 0 && value > 0 && static_cast<double>(value) / static_cast<double>(total) >= kSmallestMarkedShare;
}

double FitPieSize(double plotWidth, double plotHeight, double widestMark, double markHeight, double largest)
{
    const double side = std::min(plotWidth, plotHeight);
    if (!(side > 0) || !std::isfinite(side)) return largest;
    // A mark sits beyond its arrow at the pie's edge: left and right of the pie
    // there must be room for the widest mark, above and below for one line.
    const double gap = kPieMarkArrowLength + 6;
    const double room = std::min(plotWidth / 2 - std::max(widestMark, 0.0) - gap,
                                 plotHeight / 2 - std::max(markHeight, 0.0) - gap);
    const double size = 2 * room / side;
    return std::clamp(std::isfinite(size) ? size : largest, std::min(kSmallestPieSize, largest), largest);
}

std::string MarkText(MarkStyle style, const ChartPoint& point, int64_t total)
{
    switch (style) {
    case MarkStyle::LabelAndPercent: return point.Label + " " + ChartPercentText(ChartPercent(point.Value, total));
    case MarkStyle::LabelAndValue: return point.Label + " " + ValueText(point.Value);
    case MarkStyle::Percent: return ChartPercentText(ChartPercent(point.Value, total));
    case MarkStyle::Value: return ValueText(point.Value);
    }
    return point.Label;
}

std::string LegendText(LegendValue legend, const ChartPoint& point, int64_t total)
{
    return MarkText(legend == LegendValue::Value ? MarkStyle::LabelAndValue : MarkStyle::LabelAndPercent, point, total);
}

int ChartDepthPixels(int width, int height)
{
    const int side = std::min(width, height);
    if (side <= 0) return 0;
    return std::max(1, static_cast<int>(std::nearbyint(side * kChartDepthPercent / 100.0)));
}

double BarValueRangeTop(int64_t maxValue, bool marksVisible)
{
    if (maxValue <= 0) return 1;
    return static_cast<double>(maxValue) * (marksVisible ? kBarHeadroomWithMarks : kBarHeadroomWithoutMarks);
}

uint32_t ShadedColour(uint32_t bgr, double factor)
{
    return uint32_t{ShadedComponent(bgr, 0, factor)} | uint32_t{ShadedComponent(bgr, 8, factor)} << 8 |
           uint32_t{ShadedComponent(bgr, 16, factor)} << 16;
}

}  // namespace quenlix
