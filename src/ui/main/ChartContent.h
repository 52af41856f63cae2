#pragma once
// The "Packet Size Chart" and "Protocol Chart" pages: what each chart shows (the
// size classes of the trace's topology, the protocol families of one packet
// class, with their labels, colours and values) and how the chart options of the
// Chart Properties dialog set both charts up (active series, marks, legend,
// background gradient, title and depth).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/main/SettingsContent.h"

namespace quenlix {

inline constexpr const char* kPacketSizeChartTitle = "Packet Size Distribution";
inline constexpr const char* kPacketClassCaption = "Packet Class";
inline constexpr const char* kCopyChartHint = "Copy graphic to clipboard";
inline constexpr const char* kChartPropertiesCaption = "Chart &Properties...";

// Depth of the three-dimensional view, in percent of the chart's smaller side.
constexpr int kChartDepthPercent = 5;
// Length of the arrows from a bar to its mark, and from a pie slice to its mark.
constexpr int kBarMarkArrowLength = 20;
constexpr int kPieMarkArrowLength = 8;
// Slices under this share of the pie carry no mark: their marks would pile on
// their neighbours'; the legend still names them with their values.
constexpr double kSmallestMarkedShare = 0.02;
// The pie never shrinks below this share of the plot area's smaller side.
constexpr double kSmallestPieSize = 0.3;
// The copy button's distance from the chart's right edge.
constexpr int kCopyButtonRightMargin = 8;

// The "Packet Class" choices of the protocol chart, in the radio group's order.
enum class PacketClass { All, Broadcast, NonBroadcast };
constexpr int kPacketClassCount = 3;

// True when a slice of this value gets a mark (a positive share of at least
// kSmallestMarkedShare of a positive total).
bool PieMarkShown(int64_t value, int64_t total);
// The pie's size, as a share of the plot area's smaller side, that keeps marks of
// the widest mark's width and the mark height inside a plot area of this size,
// from kSmallestPieSize up to the largest size the options allow.
double FitPieSize(double plotWidth, double plotHeight, double widestMark, double markHeight, double largest);

// "All", "Broadcast", "Non-Broadcast".
const std::array<std::string, kPacketClassCount>& PacketClassNames();
// The class of a radio-group item; items outside the group read as "All".
PacketClass PacketClassOfItem(int item);
// "Protocol Distribution - " + class + " Packets".
std::string ProtocolChartTitle(PacketClass packetClass);

// One pie slice or one bar: its label, value and colour (0x00BBGGRR).
struct ChartPoint {
    std::string Label;
    int64_t Value = 0;
    uint32_t Colour = 0;

    bool operator==(const ChartPoint&) const = default;
};

// What one chart shows. The pie leaves out points without frames; the packet
// size chart's bars keep every class, also those without frames.
struct ChartContent {
    std::string Title;
    std::vector<ChartPoint> PieSlices;
    std::vector<ChartPoint> Bars;
};

// A class of the packet size chart: the SizeDistribution entries it adds up on
// each topology (entry -1 counts frames under 64 bytes, entry k those whose
// length div 256 is k).
struct PacketSizeClass {
    std::string EthernetLabel;
    std::string TokenRingLabel;
    int EthernetFirstEntry = 0;
    int EthernetLastEntry = 0;
    int TokenRingFirstEntry = 0;
    int TokenRingLastEntry = 0;
    uint32_t Colour = 0;
};
constexpr int kPacketSizeClassCount = 6;
const std::array<PacketSizeClass, kPacketSizeClassCount>& PacketSizeClasses();

// The frames of one class on the trace's topology (Token Ring for topology 1,
// Ethernet otherwise).
int64_t SizeClassFrames(const AnalysisState& state, const PacketSizeClass& sizeClass);

// The packet size chart of the analysis.
ChartContent BuildPacketSizeChart(const AnalysisState& state);

// The protocol chart of one packet class: every family with frames of that class,
// MAC and Other apart, labelled with the family name + " -" in its colour.
ChartContent BuildProtocolChart(const AnalysisState& state, PacketClass packetClass);

// ---- appearance -------------------------------------------------------------------

// What a mark (and a legend entry) shows besides or instead of the label.
enum class MarkStyle { LabelAndPercent, LabelAndValue, Percent, Value };
enum class LegendValue { Percent, Value };

// The chart options turned into the set-up both charts share.
struct ChartAppearance {
    bool PieActive = true;  // else the bar series is the active one
    MarkStyle PieMarks = MarkStyle::LabelAndPercent;
    MarkStyle BarMarks = MarkStyle::Percent;
    LegendValue Legend = LegendValue::Percent;
    bool GradientVisible = true;
    uint32_t GradientTopColour = 0xFFFFFF;     // the gradient's start, at the top
    uint32_t GradientBottomColour = 0x00FFFF;  // its end, at the bottom
    bool TitleVisible = true;
    bool LegendVisible = true;
    bool MarksVisible = true;
    bool View3D = true;

    bool operator==(const ChartAppearance&) const = default;
};

ChartAppearance ChartAppearanceOf(const ChartSettings& settings);

// The sum of the points' values (negative values count as none).
int64_t ChartTotal(const std::vector<ChartPoint>& points);

// A point's share of the total in percent, rounded as the tables' percentages
// are (PercentOfFigure): 86.16... -> 86.2; 0 when the total is not positive.
double ChartPercent(int64_t value, int64_t total);

// A chart percentage: at most two decimals, trailing zeros dropped, then " %":
// 12.5 -> "12.5 %", 100 -> "100 %", 33.333 -> "33.33 %".
std::string ChartPercentText(double percent);

// The text of a point's mark in a style, of its series' total.
std::string MarkText(MarkStyle style, const ChartPoint& point, int64_t total);

// A legend entry: the label with the value or percentage on its right.
std::string LegendText(LegendValue legend, const ChartPoint& point, int64_t total);

// The depth of the three-dimensional view of a chart of the given size, in pixels
// (at least 1 for a chart of any size, 0 for an empty one).
int ChartDepthPixels(int width, int height);

// The top of the value range of a bar chart whose largest value is maxValue,
// leaving room above the highest bar for its mark; 1 when every bar is empty.
double BarValueRangeTop(int64_t maxValue, bool marksVisible);

// A colour darkened (factor below 1) or lightened (above 1), each component
// clamped to 0..255; used for the sides of the three-dimensional view.
uint32_t ShadedColour(uint32_t bgr, double factor);

}  // namespace quenlix
