// Printing without the toolkit: the selection window's choices and OK rule, the
// margin steps and their limits, the status and header texts, and where the
// picture and the header land on the page.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "import/TraceImport.h"
#include "ui/print/PrintContent.h"

namespace quenlix {
namespace {

PrintChoiceFlags Only(size_t index)
{
    PrintChoiceFlags flags{};
    flags[index] = true;
    return flags;
}

TEST(PrintChoices, TableOfTheEightWindows)
{
    const auto& choices = PrintChoices();
    const int codes[] = {1, 3, 4, 5, 6, 7, 8, 10};
    const char* captions[] = {"Main Window",      "Station Statistics",  "Network Statistics", "Skein",
                              "Latency Analysis", "Throughput Analysis", "Problem Analysis",   "\"What If\" Analysis"};
    for (size_t i = 0; i < kPrintChoiceCount; ++i) {
        EXPECT_EQ(choices[i].Code, codes[i]);
        EXPECT_STREQ(choices[i].Caption, captions[i]);
        // Only the main window can always be printed; the others need their window open.
        EXPECT_EQ(choices[i].AlwaysEnabled, i == 0);
        EXPECT_TRUE(PrintChoiceEnabled(choices[i], true));
        EXPECT_EQ(PrintChoiceEnabled(choices[i], false), i == 0);
    }
    EXPECT_STREQ(choices[0].CheckName, "PrtMainCheck");
    EXPECT_STREQ(choices[3].ButtonName, "PrtVisualizeBtn");
    EXPECT_STREQ(choices[7].CheckName, "PrtWhatIfCheck");
}

TEST(PrintChoices, OkNeedsOneCheckedBoxEvenADisabledOne)
{
    EXPECT_FALSE(PrintOkEnabled(PrintChoiceFlags{}));
    EXPECT_TRUE(PrintOkEnabled(Only(7)));  // "What If" alone
    EXPECT_TRUE(PrintOkEnabled(Only(0)));
}

TEST(PrintChoices, RunPrintsCheckedAndEnabledInTableOrder)
{
    PrintChoiceFlags checked{};
    checked[7] = checked[0] = checked[4] = checked[2] = true;
    PrintChoiceFlags enabled{};
    enabled[0] = enabled[4] = enabled[7] = true;  // the network window is closed
    EXPECT_EQ(ChoicesToPrint(checked, enabled), (std::vector<size_t>{0, 4, 7}));
    EXPECT_TRUE(ChoicesToPrint(Only(7), Only(0)).empty());
}

TEST(PrintStatus, TextsOfTheCodes)
{
    EXPECT_EQ(PrintStatusText(1), "Printing Main Window...");
    EXPECT_EQ(PrintStatusText(5), "Printing Skein...");
    EXPECT_EQ(PrintStatusText(9), "Printing DLC Error Analysis...");
    EXPECT_EQ(PrintStatusText(10), "Printing \"What If\" Analysis...");
    // Code 0 closes the window; codes nobody sends keep the first text.
    EXPECT_EQ(PrintStatusText(0), "");
    EXPECT_EQ(PrintStatusText(2), "Printing...");
    EXPECT_EQ(PrintStatusText(-7), "Printing...");
    EXPECT_EQ(PrintStatusText(1000), "Printing...");
}

TEST(PrintMargins, UpStopsExactlyAtTwoInches)
{
    // Twenty steps from 0 reach 2.0 exactly; adding 0.1 as a double would end
    // just below 2.0 and step once more to 2.1.
    double margin = 0.0;
    for (int i = 0; i < 25; ++i) margin = MarginStepUp(margin);
    EXPECT_EQ(margin, 2.0);
    EXPECT_EQ(MarginPanelText(margin), " 2.0\"");
    EXPECT_EQ(MarginStepUp(2.0), 2.0);
    EXPECT_EQ(MarginStepUp(1.9), 2.0);
    // A larger value from the settings is not raised further, and steps down by tenths.
    EXPECT_EQ(MarginStepUp(3.7), 3.7);
    EXPECT_EQ(MarginStepDown(MarginSide::Left, 3.7), 3.6);
}

TEST(PrintMargins, DownStopsAtZeroAndTheTopMarginAtHalfAnInch)
{
    double top = 1.0;
    double left = 1.0;
    for (int i = 0; i < 15; ++i) {
        top = MarginStepDown(MarginSide::Top, top);
        left = MarginStepDown(MarginSide::Left, left);
    }
    // Five subtractions of 0.1 from 1.0 leave 0.5000000000000001, which the
    // plain rule would step once more, to 0.4.
    EXPECT_EQ(top, 0.5);
    EXPECT_EQ(left, 0.0);
    EXPECT_EQ(MarginPanelText(left), " 0.0\"");
    for (MarginSide side : {MarginSide::Right, MarginSide::Bottom}) EXPECT_EQ(MarginStepDown(side, 0.1), 0.0);
    EXPECT_EQ(MarginStepDown(MarginSide::Top, 0.6), 0.5);
    // A top margin below half an inch (from the settings) can still go up, not down.
    EXPECT_EQ(MarginStepDown(MarginSide::Top, 0.3), 0.3);
    EXPECT_EQ(MarginStepUp(0.3), 0.4);
}

TEST(PrintMargins, StepsLandOnTenthsAndSurviveOddValues)
{
    EXPECT_EQ(MarginStepUp(1.23), 1.3);
    EXPECT_EQ(MarginStepDown(MarginSide::Left, 1.23), 1.2);
    EXPECT_EQ(MarginStepUp(1.95), 2.0);
    EXPECT_EQ(MarginStepDown(MarginSide::Top, 0.52), 0.5);
    EXPECT_EQ(MarginStepUp(-3.0), -2.9);
    EXPECT_EQ(MarginStepDown(MarginSide::Bottom, -3.0), -3.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(std::isnan(MarginStepUp(nan)));
    EXPECT_TRUE(std::isnan(MarginStepDown(MarginSide::Left, nan)));
    EXPECT_EQ(MarginPanelText(1.5), " 1.5\"");
    EXPECT_EQ(MarginPanelText(1.0), " 1.0\"");
    EXPECT_EQ(MarginPanelText(12.25), " 12.2\"");
}

TEST(PrintMargins, MarginOfNamesEachSide)
{
    PrintSetup setup{0.1, 0.2, 0.3, 0.4, true, true, true};
    EXPECT_EQ(MarginOf(setup, MarginSide::Left), 0.1);
    EXPECT_EQ(MarginOf(setup, MarginSide::Right), 0.2);
    EXPECT_EQ(MarginOf(setup, MarginSide::Top), 0.3);
    MarginOf(setup, MarginSide::Bottom) = 1.7;
    EXPECT_EQ(setup.BottomMargin, 1.7);
}

TEST(PrintHeader, AnalyserNameAndPath)
{
    EXPECT_EQ(PrintHeaderText(kFormatSniffer, "/data/office-a.enc"), "Sniffer File /data/office-a.enc");
    EXPECT_EQ(PrintHeaderText(kFormatNetworkMonitor, "b.cap"), "Network Monitor File b.cap");
    EXPECT_EQ(PrintHeaderText(static_cast<TraceFormatCode>(250), "x"), " File x");
}

TEST(PrintArithmetic, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDivRounded(1, 3, 2), 2);
    EXPECT_EQ(MulDivRounded(5, 1, 2), 3);  // 2.5: not to the even 2
    EXPECT_EQ(MulDivRounded(-1, 3, 2), -2);
    EXPECT_EQ(MulDivRounded(7, 1, -2), -4);
    EXPECT_EQ(MulDivRounded(10, 1, 3), 3);
    EXPECT_EQ(MulDivRounded(5, 1, 0), 0);
    EXPECT_EQ(MulDivRounded(2'000'000'000, 2'000'000'000, 1), std::numeric_limits<int>::max());
}

// A letter page at 600 dpi whose printable area starts a quarter inch in.
PrintPageMetrics LetterPage()
{
    return {.Width = 4800, .Height = 6300, .DpiX = 600, .DpiY = 600, .OffsetX = 150, .OffsetY = 150};
}

PrintSetup Margins(double left, double right, double top, double bottom, bool fit)
{
    return {left, right, top, bottom, true, true, fit};
}

TEST(PrintPlacement, ProportionalPrintsAtWindowSizeLimitedPerSide)
{
    // One-inch margins less the quarter-inch border: 450 pixels; room 3900 x 5400.
    const PrintSetup setup = Margins(1, 1, 1, 1, false);
    const PrintPlacement small = PlacePrintedWindow(LetterPage(), setup, 200, 100, 96);
    EXPECT_EQ(small, (PrintPlacement{450, 450, 1250, 625, 450, 225}));
    // The main window (731 x 572) is 4569 pixels wide at 600 dpi: limited to the
    // room's width while its height stays at its printed size.
    const PrintPlacement main = PlacePrintedWindow(LetterPage(), setup, 731, 572, 96);
    EXPECT_EQ(main, (PrintPlacement{450, 450, 3900, 3575, 450, 225}));
    // 3 x 6.25 = 18.75 rounds to 19, 1 x 6.25 to 6.
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 3, 1, 96).Width, 19);
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 3, 1, 96).Height, 6);
    // A window resolution of 0 prints pixel for pixel instead of dividing by it.
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 731, 572, 0), (PrintPlacement{450, 450, 731, 572, 450, 225}));
}

TEST(PrintPlacement, ToFitKeepsTheAspectRatio)
{
    const PrintSetup setup = Margins(1, 1, 1, 1, true);
    // A very wide window on a portrait page: limited by the width, height follows.
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 2000, 500, 96), (PrintPlacement{450, 450, 3900, 975, 450, 225}));
    // A tall one fills the height.
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 500, 2000, 96), (PrintPlacement{450, 450, 1350, 5400, 450, 225}));
    // The main window at its default size: 5400 x 731 / 572 = 6901 > 3900.
    EXPECT_EQ(PlacePrintedWindow(LetterPage(), setup, 731, 572, 96), (PrintPlacement{450, 450, 3900, 3052, 450, 225}));
    // Enormous pictures are computed without overflow and still fit the room.
    const PrintPlacement huge = PlacePrintedWindow(LetterPage(), setup, 2'000'000'000, 1'999'999'999, 96);
    EXPECT_EQ(huge.Width, 3900);
    EXPECT_EQ(huge.Height, 3900);
}

TEST(PrintPlacement, MarginsBecomePixelsLessThePrintersBorder)
{
    PrintPageMetrics page = LetterPage();
    page.OffsetX = 0;
    page.OffsetY = 0;
    const PrintPlacement placement = PlacePrintedWindow(page, Margins(0.5, 1.5, 2.0, 0.5, true), 100, 100, 96);
    EXPECT_EQ(placement.X, 300);
    EXPECT_EQ(placement.Y, 1200);
    EXPECT_EQ(placement.HeaderX, 300);
    EXPECT_EQ(placement.HeaderY, 600);  // halfway down the top margin
    EXPECT_EQ(placement.Width, 3600);   // 4800 - 300 - 900
    // A margin narrower than the border would start outside the printable area.
    const PrintPlacement edge = PlacePrintedWindow(LetterPage(), Margins(0.1, 0.1, 0.2, 0.0, true), 480, 630, 96);
    EXPECT_EQ(edge, (PrintPlacement{0, 0, 4800, 6300, 0, 0}));
}

TEST(PrintPlacement, NothingToDrawNeverDividesByZero)
{
    const PrintSetup fit = Margins(1, 1, 1, 1, true);
    const PrintSetup proportional = Margins(1, 1, 1, 1, false);
    for (const PrintSetup& setup : {fit, proportional}) {
        for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 100}, std::pair{100, 0}, std::pair{-5, 100}}) {
            const PrintPlacement empty = PlacePrintedWindow(LetterPage(), setup, w, h, 96);
            EXPECT_FALSE(empty.HasPicture());
            EXPECT_EQ(empty.HeaderY, 225);  // the header still has its place
        }
    }
    // Margins wider than the page leave no room and keep the corner on the page.
    const PrintPlacement wide = PlacePrintedWindow(LetterPage(), Margins(5, 5, 1, 1, true), 731, 572, 96);
    EXPECT_FALSE(wide.HasPicture());
    EXPECT_LE(wide.X, 4800);
    const PrintPlacement tall = PlacePrintedWindow(LetterPage(), Margins(1, 1, 20, 1, false), 731, 572, 96);
    EXPECT_FALSE(tall.HasPicture());
    EXPECT_EQ(tall.Y, 6300);
    // A printer that reports no size or resolution, and settings far out of range.
    EXPECT_FALSE(PlacePrintedWindow(PrintPageMetrics{}, fit, 731, 572, 96).HasPicture());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PrintPlacement odd = PlacePrintedWindow(LetterPage(), Margins(nan, 1e300, -1e300, 1, true), 100, 100, 96);
    EXPECT_EQ(odd.X, 0);
    EXPECT_FALSE(odd.HasPicture());
    PrintPageMetrics negative = LetterPage();
    negative.Width = -100;
    EXPECT_FALSE(PlacePrintedWindow(negative, fit, 731, 572, 96).HasPicture());
}

}  // namespace
}  // namespace quenlix
