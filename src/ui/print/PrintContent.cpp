#include "ui/print/PrintContent.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "import/TraceImport.h"

namespace quenlix {

namespace {

// Margins are compared and stepped as whole tenths; values read from the settings
// may lie between tenths, and this much is taken as "on" a tenth.
constexpr double kTenthTolerance = 1e-6;
constexpr int64_t kLargestPixels = 1'000'000'000;

const char* CaptionOfCode(int code)
{
    if (code == kPrintStatusDLCError) return "DLC Error Analysis";
    for (const PrintChoice& choice : PrintChoices())
        if (choice.Code == code) return choice.Caption;
    return nullptr;
}

// Inches to printer pixels, rounded, kept well inside the int range whatever the
// settings held.
int InchesToPixels(double inches, int dpi)
{
    double pixels = std::nearbyint(inches * dpi);
    if (!std::isfinite(pixels)) pixels = 0;
    const auto largest = static_cast<double>(kLargestPixels);
    return static_cast<int>(std::clamp(pixels, -largest, largest));
}

// A margin in printer pixels from the printable area's edge: the distance from
// the paper's edge less the unprintable border. A margin inside the border would
// put the picture where the printer cannot print, so it becomes 0.
int MarginPixels(double inches, int dpi, int offset)
{
    return std::max(0, InchesToPixels(inches, dpi) - offset);
}

}  // namespace

const std::array<PrintChoice, kPrintChoiceCount>& PrintChoices()
{
    static const std::array<PrintChoice, kPrintChoiceCount> kChoices = {{
        {1, "PrtMainCheck", "Main Window", "PrtMainBtn", "TMainForm", true},
        {3, "PrtStationCheck", "Station Statistics", "PrtStationBtn", "TStationStats", false},
        {4, "PrtNetworkCheck", "Network Statistics", "PrtNetworkBtn", "TNetworkStatisticsForm", false},
        {5, "PrtVisualizeCheck", "Skein", "PrtVisualizeBtn", "TFathomToolboxForm", false},
        {6, "PrtLatencyCheck", "Latency Analysis", "PrtLatencyBtn", "TLatencyAnalysisForm", false},
        {7, "PrtThruputCheck", "Throughput Analysis", "PrtThruputBtn", "TThroughputAnalysisForm", false},
        {8, "PrtProblemCheck", "Problem Analysis", "PrtProblemBtn", "TProblemAnalysisForm", false},
        {10, "PrtWhatIfCheck", "\"What If\" Analysis", "PrtWhatIfBtn", "TWhatIfAnalysisForm", false},
    }};
    return kChoices;
}

bool PrintChoiceEnabled(const PrintChoice& choice, bool windowVisible)
{
    return choice.AlwaysEnabled || windowVisible;
}

bool PrintOkEnabled(const PrintChoiceFlags& checked)
{
    return std::any_of(checked.begin(), checked.end(), [](bool on) { return on; });
}

std::vector<size_t> ChoicesToPrint(const PrintChoiceFlags& checked, const PrintChoiceFlags& enabled)
{
    std::vector<size_t> chosen;
    for (size_t i = 0; i < kPrintChoiceCount; ++i)
        if (checked[i] && enabled[i]) chosen.push_back(i);
    return chosen;
}

std::string PrintStatusText(int code)
{
    if (code == kPrintStatusDone) return {};
    const char* caption = CaptionOfCode(code);
    if (caption == nullptr) return kPrintStatusInitialText;
    return std::string("Printing ") + caption + "...";
}

// ---- margins ------------------------------------------------------------------

double MarginStepUp(double margin)
{
    if (!std::isfinite(margin) || margin * 10 >= kLargestMargin * 10 - kTenthTolerance) return margin;
    const double tenths = std::floor(margin * 10 + kTenthTolerance) + 1;
    return std::min(tenths, kLargestMargin * 10) / 10;
}

double MarginStepDown(MarginSide side, double margin)
{
    const double floor = side == MarginSide::Top ? kSmallestTopMargin : kSmallestMargin;
    if (!std::isfinite(margin) || margin * 10 <= floor * 10 + kTenthTolerance) return margin;
    const double tenths = std::ceil(margin * 10 - kTenthTolerance) - 1;
    return std::max(tenths, floor * 10) / 10;
}

std::string MarginPanelText(double margin)
{
    // Fixed notation with one decimal, independent of the user's locale.
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, margin, std::chars_format::fixed, 1);
    std::string number = error == std::errc() ? std::string(buffer, end) : std::string("1.0");
    if (number == "-0.0") number = "0.0";
    if (number.size() < 2) number.insert(0, 2 - number.size(), ' ');
    return " " + number + "\"";
}

double& MarginOf(PrintSetup& setup, MarginSide side)
{
    switch (side) {
    case MarginSide::Right: return setup.RightMargin;
    case MarginSide::Top: return setup.TopMargin;
    case MarginSide::Bottom: return setup.BottomMargin;
    case MarginSide::Left: break;
    }
    return setup.LeftMargin;
}

// ---- the header line ----------------------------------------------------------

std::string PrintHeaderText(TraceFormatCode traceFormat, const std::string& traceFileName)
{
    std::string analyzer;
    GetAnalyzerName(traceFormat, analyzer);
    return analyzer + " File " + traceFileName;
}

// ---- placement on the page ----------------------------------------------------

int MulDivRounded(int64_t a, int64_t b, int64_t c)
{
    if (c == 0) return 0;
    // Sizes and resolutions are far below 2^31, so the product fits in 64 bits.
    const int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = product < 0 ? -product : product;
    const int64_t divisor = c < 0 ? -c : c;
    int64_t quotient = (magnitude + divisor / 2) / divisor;
    quotient = std::min<int64_t>(quotient, std::numeric_limits<int>::max());
    return static_cast<int>(negative ? -quotient : quotient);
}

namespace {

struct PictureSize {
    int Width = 0;
    int Height = 0;
};

PictureSize ProportionalSize(const PrintPageMetrics& page, int w, int h, int windowDpi, int roomWidth, int roomHeight)
{
    // A window that reports no resolution prints pixel for pixel.
    const int dpiX = windowDpi > 0 ? windowDpi : page.DpiX;
    const int dpiY = windowDpi > 0 ? windowDpi : page.DpiY;
    return {std::min(MulDivRounded(w, page.DpiX, dpiX), roomWidth),
            std::min(MulDivRounded(h, page.DpiY, dpiY), roomHeight)};
}

PictureSize ToFitSize(int w, int h, int roomWidth, int roomHeight)
{
    const int dw = MulDivRounded(w, roomHeight, h);
    if (dw >= roomWidth) return {roomWidth, std::min(MulDivRounded(h, roomWidth, w), roomHeight)};
    return {dw, roomHeight};
}

}  // namespace

PrintPlacement PlacePrintedWindow(const PrintPageMetrics& page, const PrintSetup& setup, int pictureWidth,
                                  int pictureHeight, int windowDpi)
{
    const int pageWidth = std::max(0, page.Width);
    const int pageHeight = std::max(0, page.Height);
    const int x = MarginPixels(setup.LeftMargin, page.DpiX, page.OffsetX);
    const int r = MarginPixels(setup.RightMargin, page.DpiX, page.OffsetX);
    const int y = MarginPixels(setup.TopMargin, page.DpiY, page.OffsetY);
    const int b = MarginPixels(setup.BottomMargin, page.DpiY, page.OffsetY);
    // Margins wider than the page leave no room rather than a negative one.
    const int roomWidth = static_cast<int>(std::max<int64_t>(0, int64_t{pageWidth} - x - r));
    const int roomHeight = static_cast<int>(std::max<int64_t>(0, int64_t{pageHeight} - y - b));

    PrintPlacement placement;
    placement.X = std::min(x, pageWidth);
    placement.Y = std::min(y, pageHeight);
    placement.HeaderX = placement.X;
    placement.HeaderY = placement.Y / 2;
    if (pictureWidth <= 0 || pictureHeight <= 0 || roomWidth == 0 || roomHeight == 0) return placement;

    const PictureSize size =
        setup.FitToPage ? ToFitSize(pictureWidth, pictureHeight, roomWidth, roomHeight)
                        : ProportionalSize(page, pictureWidth, pictureHeight, windowDpi, roomWidth, roomHeight);
    if (size.Width <= 0 || size.Height <= 0) return placement;
    placement.Width = size.Width;
    placement.Height = size.Height;
    return placement;
}

}  // namespace quenlix
