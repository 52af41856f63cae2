#pragma once
// The "DLC Error Expert" page without its widgets: the Ethernet panel (frame error
// counts, the stations most often followed by collision fragments, notes and the
// copy text) and the Token Ring panel (the soft error summary with its lists and
// copy text, and the ring map as plain geometry that a widget only paints).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/controls/GridContent.h"
#include "ui/shared/AddressText.h"
#include "ui/shared/Colours.h"
#include "ui/shared/RingGeometry.h"

namespace quenlix {

// ---- shared --------------------------------------------------------------------

inline constexpr const char* kDLCCopyButtonCaption = "Copy summary to  clipboard";
inline constexpr const char* kShowDLCbyOUICaption = "Show Station by OUI";
inline constexpr const char* kNotesText = "Notes";


// ---- Ethernet panel -------------------------------------------------------------

struct LabelAndHint {
    const char* Label;
    const char* Hint;
};

// The collision table's columns: source, transmits, retransmits, percentage, as
// the page, the printed report and the JSON report show them.
inline constexpr std::array<GridColumn, 4> kCollisionColumns{{
    {"DLC Source", GridAlignment::Left, "Node's hardware address", "DLCSource"},
    {"Transmits", GridAlignment::Right, "Total frames transmitted from source node",
     "Transmits"},
    {"Retransmits", GridAlignment::Right, "Suspected number of retransmitted frames",
     "Retransmits"},
    {"% Retransmitted", GridAlignment::Right, "Percentage of frames to retransmitted frames",
     "PercentRetransmitted"},
}};
static_assert(EveryColumnHasAJsonKey(kCollisionColumns), "every collision table column needs its JSON key");

// The four frame error counts in box order: bad FCS, runt, long, fragment.
struct FrameErrorBox {
    const char* Label;
    const char* Hint;
    const char* BoxName;
    int StatIndex;  // the FrameStats entry shown
};
const std::array<FrameErrorBox, 4>& FrameErrorBoxes();

constexpr int kCollisionRows = 5;
constexpr int32_t kMinimumRankedTransmits = 10;
constexpr int32_t kNoteMinimumTransmits = 50;
constexpr int kNoteMinimumPercent = 10;

// One record of the table of the five worst stations; Suspects 0 is empty.
struct CollisionSuspect {
    uint16_t Suspects = 0;
    int16_t Vendor = 0;
    int64_t Transmits = 0;
    std::array<uint8_t, 6> Address{};
    bool Empty() const { return Suspects == 0; }
};
using CollisionSuspectTable = std::array<CollisionSuspect, kCollisionRows>;

// The stations that sent at least ten frames, ranked by the share of their frames
// that followed a collision fragment; equal shares keep the station met first
// in address order above.
CollisionSuspectTable BuildCollisionSuspectTable(const AnalysisState& state);

struct CollisionRow {
    std::string Source;
    std::string Transmits = "0";
    std::string Retransmits = "0";
    int Gauge = 0;  // percent, 0..100
};

struct EthernetErrorsContent {
    std::array<std::string, 4> FrameErrors{"0", "0", "0", "0"};  // in FrameErrorBoxes order
    CollisionSuspectTable CollisionSuspects{};
    std::array<CollisionRow, kCollisionRows> Rows{};
    std::vector<std::string> Notes{kNotesText};
};

// The panel as it stands before any trace: empty rows, counts "0", "Notes".
EthernetErrorsContent ClearEthernetErrors();

// The panel filled from the analysis.
EthernetErrorsContent UpdateEthernetErrors(const AnalysisState& state, bool showByOUI);

// The text the copy button puts on the clipboard (lines end in CR LF, none after the last).
std::string EthernetSummaryText(const EthernetErrorsContent& content);

// ---- Token Ring soft error summary -------------------------------------------------

// Soft-error kinds: the index order of RingSoftErrorTotals and of TMACInfo.SoftErrors.
enum SoftErrorKind : int {
    kSoftAbort = 0,
    kSoftAC = 1,
    kSoftBurst = 2,
    kSoftFrameCopied = 3,
    kSoftFrequency = 4,
    kSoftInternal = 5,
    kSoftLine = 6,
    kSoftLostFrame = 7,
    kSoftCongestion = 8,
    kSoftToken = 9,
};
constexpr int kSoftErrorKinds = 10;

struct SoftErrorGroup {
    const char* Caption;
    const char* Hint;
};
// "Fault Domain", "Ring Wide", "Station Specific".
const std::array<SoftErrorGroup, 3>& SoftErrorGroups();

// One row of the page, in page order.
struct SoftErrorRowInfo {
    int Kind;
    int Group;  // index into SoftErrorGroups
    const char* Label;
    const char* Hint;
    const char* TotalBoxName;
    const char* StationsBoxName;
    const char* ListName;
};
const std::array<SoftErrorRowInfo, kSoftErrorKinds>& SoftErrorRows();

// The column headings "Total", "Stations", "Reporting Station/NAUN/Count".
const std::array<LabelAndHint, 3>& SoftErrorHeadings();

struct SoftErrorSummary {
    std::array<std::string, kSoftErrorKinds> Totals{"0", "0", "0", "0", "0", "0", "0", "0", "0", "0"};
    std::array<uint16_t, kSoftErrorKinds> SoftErrorStations{};
    std::array<std::vector<std::string>, kSoftErrorKinds> Lists{};
    uint16_t MultiNAUNCount = 0;
    std::vector<std::string> Notes{kNotesText};

    // The stations box text of a kind: the plain decimal counter.
    std::string StationsText(int kind) const;
};

// The summary of the soft errors reported to the ring error monitor, by kind and
// by reporting station and upstream neighbour.
SoftErrorSummary UpdateTokenRingErrors(const AnalysisState& state, bool showByOUI);

// The text the copy button puts on the clipboard (lines end in CR LF, none after the last).
std::string SoftErrorSummaryText(const SoftErrorSummary& summary);

// ---- ring map ----------------------------------------------------------------------


// What the map needs of one ring station, copied out of the analysis so that a
// repaint never reads the state while a later read changes it.
struct RingStation {
    std::array<uint8_t, 6> Address{};
    RingFlagSet RingFlags;
    uint8_t SeenThisCycle = 0;
    int32_t RingVendor = 0;      // the station's vendor index, 0 unknown
    std::string VendorName;      // that vendor's short name
    int32_t RingMACInfo = -1;    // object index of its first TMACInfo; -1 none
    std::vector<TMACInfo> Chain; // the TMACInfo chain from RingMACInfo
};

struct RingMapInput {
    int32_t RingStationCount = 0;         // as the analysis holds it
    std::vector<RingStation> Stations;    // RingOrder entries 1..RingStationCount (at most 280)
};

// The ring order with each station's vendor and, when the trace reported soft
// errors to the ring error monitor, its soft-error records.
RingMapInput BuildRingMapInput(const AnalysisState& state);

enum class FaultDomain { BurstErrors, LineErrors };
enum class StationID { RingPoll, StationErrors };

struct RingMapOptions {
    bool ShowByOUI = false;
    FaultDomain Domain = FaultDomain::BurstErrors;
    StationID IdBy = StationID::RingPoll;
};

// What the "Ring Poll" colours say of a station: the entries of the colour key.
enum class RingPollRole { ActiveMonitor, ExActiveMonitor, Deinserted, StandbyMonitor };
RingPollRole RingPollRoleOf(const RingStation& station);
const char* RingPollRoleName(RingPollRole role);  // "Active Monitor" ...
RGBColour RingPollColour(RingPollRole role);

// The label of a station before the overflow rule: the twelve digits, the name
// of a ring functional address, or the vendor form.
std::string RingLabelText(const RingStation& station, bool showByOUI);

struct RingLabel {
    std::string Text;
    int PointIndex = 0;
    int RingX = 0;  // the drawn point
    int RingY = 0;
    int Left = 0;   // the text's box
    int Top = 0;
    int Width = 0;
    int Height = 0;
    RGBColour Colour = dlccolours::kButtonText;
    // Light mark colours (aqua, yellow, lime) cannot be read as text on the white
    // map: such a label is drawn as dark text on a box of its colour instead.
    bool Boxed = false;
    RGBColour TextColour = dlccolours::kButtonText;
    // Stations beyond the last point share one "OVERFLOW" label: only the first is drawn.
    bool Drawn = true;
};

struct RingLine {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

struct RingMapContent {
    int Width = 0;
    int Height = 0;
    int CentreX = 0;
    int CentreY = 0;
    int32_t RingRadius = 1;
    double PointStep = 0;
    int LabelWidth = 0;
    int LabelHeight = 0;
    int FontSize = 8;
    bool FewStations = false;
    RingPointTable Points;
    RGBColour RingColour = dlccolours::kButtonShadow;
    int RingPenWidth = 2;
    std::vector<RingLabel> Labels;  // one per ring station, in ring order
    RGBColour FaultColour = dlccolours::kRed;
    std::vector<RingLine> FaultLines;
    std::string Caption;  // the caption under the map
};

inline constexpr const char* kRingMapFontName = "Arial";
// The caption under the map before any trace is read.
inline constexpr const char* kRingMapStartCaption = "Downstream Neighbors are Clockwise";
constexpr int kRingMapFontSize = 8;
// Crowded rings shrink the labels' font down to this size and no further: below
// it addresses cannot be read on a screen.
constexpr int kRingMapSmallestFontSize = 6;

// The whole drawing of the ring map for a paint box of the given size.
RingMapContent BuildRingMap(const RingMapInput& input, int width, int height, const RingMapOptions& options,
                            const RingTextMetrics& metrics);

// The caption under the map for a ring of that many stations.
std::string RingMapCaption(int32_t ringStationCount);

}  // namespace quenlix
