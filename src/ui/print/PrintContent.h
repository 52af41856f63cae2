#pragma once
// Printing without the toolkit: the print selection window's eight choices, the
// margins stepped in tenths of an inch, the status window's texts, the header
// line, and where a window's picture and the header go on the printed page.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Codes.h"
#include "ui/main/SettingsContent.h"

namespace quenlix {

inline constexpr const char* kPrintSelectionCaption = "Print";
inline constexpr const char* kPrintStatusCaption = "Print Status";
inline constexpr const char* kPrintStatusInitialText = "Printing...";
inline constexpr const char* kPrintJobTitle = "Output from Quenlix";
inline constexpr int kPrintStatusWidth = 265;
inline constexpr int kPrintStatusHeight = 89;

// The status codes sent to the status window while the windows are printed.
// Code 0 closes the status window; 9 is known to it but no choice uses it.
inline constexpr int kPrintStatusDone = 0;
inline constexpr int kPrintStatusDLCError = 9;

// One line of the "Print Active Window(s)" group, in the order the windows print.
struct PrintChoice {
    int Code = 0;                      // the status code
    const char* CheckName = "";        // the check box
    const char* Caption = "";          // the check box's caption
    const char* ButtonName = "";       // the speed button that toggles the check box
    const char* WindowClass = "";      // the window it prints
    bool AlwaysEnabled = false;        // the main window; the others only while visible
};

constexpr size_t kPrintChoiceCount = 8;
using PrintChoiceFlags = std::array<bool, kPrintChoiceCount>;

const std::array<PrintChoice, kPrintChoiceCount>& PrintChoices();

// A check box and its button are enabled for the main window always, for the
// others while their window is visible.
bool PrintChoiceEnabled(const PrintChoice& choice, bool windowVisible);

// OK is enabled when any box is checked, enabled or not.
bool PrintOkEnabled(const PrintChoiceFlags& checked);

// The choices a print run prints, in table order: checked and enabled.
std::vector<size_t> ChoicesToPrint(const PrintChoiceFlags& checked, const PrintChoiceFlags& enabled);

// The status window's text for a code: "Printing " + the caption + "...".
// Codes without a caption keep the initial "Printing..."; code 0 has no text.
std::string PrintStatusText(int code);

// ---- margins ------------------------------------------------------------------

enum class MarginSide { Left, Right, Top, Bottom };

inline constexpr double kLargestMargin = 2.0;
inline constexpr double kSmallestMargin = 0.0;
inline constexpr double kSmallestTopMargin = 0.5;

// The spin buttons step by one tenth of an inch: up while the margin is below
// 2.0, down while it is above its floor (0.5 for the top margin, else 0). The
// step lands on a whole tenth, so repeated clicks never drift past a limit.
double MarginStepUp(double margin);
double MarginStepDown(MarginSide side, double margin);

// A margin as its panel shows it: a blank, one decimal and an inch mark (" 1.5"").
std::string MarginPanelText(double margin);

// The margin of one side in the page-setup values.
double& MarginOf(PrintSetup& setup, MarginSide side);

// ---- the header line ----------------------------------------------------------

// The analyser's name + " File " + the trace file's path.
std::string PrintHeaderText(TraceFormatCode traceFormat, const std::string& traceFileName);

// ---- placement on the page ----------------------------------------------------

// What the printer tells about its page, in printer pixels.
struct PrintPageMetrics {
    int Width = 0;    // the printable area
    int Height = 0;
    int DpiX = 0;     // pixels per inch
    int DpiY = 0;
    int OffsetX = 0;  // where the printable area starts on the paper
    int OffsetY = 0;
};

// Where the picture and the header go, in printer pixels from the printable
// area's corner. A picture of no size, or a page whose margins leave no room,
// gives an empty picture rectangle: nothing is drawn, the header still is.
struct PrintPlacement {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    int HeaderX = 0;
    int HeaderY = 0;

    bool HasPicture() const { return Width > 0 && Height > 0; }
    bool operator==(const PrintPlacement&) const = default;
};

// The picture (pictureWidth x pictureHeight window pixels at windowDpi pixels
// per inch) placed inside the margins: at its printed size, each side limited
// to the room (proportional), or as large as fits with its aspect ratio kept
// (to fit).
PrintPlacement PlacePrintedWindow(const PrintPageMetrics& page, const PrintSetup& setup, int pictureWidth,
                                  int pictureHeight, int windowDpi);

// a x b / c rounded to the nearest whole number (halves away from zero);
// 0 when c is 0. Computed in 64 bits and kept within the int range.
int MulDivRounded(int64_t a, int64_t b, int64_t c);

}  // namespace quenlix
