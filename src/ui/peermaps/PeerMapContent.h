#pragma once
// What the network and station windows share, without any toolkit: the circle
// layout of a peer map (points, label boxes, the lines split into their colours,
// the circle), the label hit test, the line pen widths, the column order read
// from the program's INI file, and the interface both windows' content offers to
// the one widget that shows it.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/AnalysisState.h"
#include "model/StringHelpers.h"
#include "ui/controls/DualListContent.h"
#include "ui/controls/GridContent.h"
#include "ui/shared/AddressText.h"
#include "ui/shared/Colours.h"
#include "ui/shared/IniFile.h"
#include "ui/shared/RingGeometry.h"

namespace quenlix {

// Stations beyond the last point all sit on it under one "OVERFLOW" label.
constexpr int kPeerMapPoints = kRingPointCount;
// Longer labels are cut to this many characters and "...".
constexpr size_t kPeerLabelLength = 26;


// An address's bytes as a string: the key by which the windows find a station or
// node again (pop-ups, Select Stations, the stored map layout).
template <std::size_t N>
std::string KeyBytes(const PString<N>& address)
{
    return std::string(reinterpret_cast<const char*>(address.Data()), address.Length);
}

// ---- layout -------------------------------------------------------------------------

// One station on the map, in tree order.
struct PeerMapStation {
    std::string Label;        // the text drawn, before the 26-character cut
    std::string MeasureText;  // the text the layout measures (the label when empty)
    bool Sender = false;
};

// A conversation drawn from one station of the map to another.
struct PeerMapLink {
    int From = 0;  // indexes into the stations
    int To = 0;
    std::vector<RGBColour> Colours;  // at most 16; none: no line
    int PenWidth = 1;
};

struct PeerMapInput {
    std::vector<PeerMapStation> Stations;
    std::vector<PeerMapLink> Links;
    // The radius and step take at least this many stations (the station map
    // spaces three stations like four).
    int MinimumSpacingCount = 0;
    // Labels are cut to 26 characters and "..." (the network map).
    bool CutLabels = true;
};

struct PeerMapLabel {
    std::string Text;
    int PointIndex = 0;  // 1..180
    int X = 0;           // the station's point
    int Y = 0;
    int Left = 0;        // the text box
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Sender = false;
    // Every station beyond the last point shares the one "OVERFLOW" label,
    // which is drawn once.
    bool Drawn = true;
};

struct PeerMapSegment {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    RGBColour Colour;
    int Width = 1;
    // The labels of the two stations the line joins (-1: not known).
    int From = -1;
    int To = -1;
    // A light colour that would vanish on the grey map: drawn over a dark edge.
    bool DarkEdge = false;
    friend bool operator==(const PeerMapSegment&, const PeerMapSegment&) = default;
};

struct PeerMapDrawing {
    int Width = 0;
    int Height = 0;
    int CentreX = 0;
    int CentreY = 0;
    int Radius = 1;
    double PointStep = 0;
    int FontSize = 8;
    int StationCount = 0;  // stations on the map, at most 180
    bool FewStations = false;
    int WidestLabel = 0;
    RingPointTable Points;
    std::vector<PeerMapLabel> Labels;  // one per station of the input
    // The lines after the labels, each colour part on its own; a part drawn
    // the same way twice is kept once.
    std::vector<PeerMapSegment> Segments;
    RGBColour CircleColour = dlccolours::kButtonShadow;
    int CirclePenWidth = 3;
};

inline constexpr const char* kPeerMapFontName = "Arial";
constexpr int kPeerMapFontSize = 8;

// A label text as drawn: 27 characters or more become the first 26 and "...".
std::string CutPeerLabel(const std::string& text);

// The point index of the p-th station (1-based): the small layout of three or
// four stations skips points 1, 4 and 5; stations beyond the last point share it.
int PeerPointIndex(int position, bool fewStations);

// The pen width of a line that carries weight of all totalFrames frames: 1 below
// a tenth, 2 below a fifth, 3 from a fifth on. No frames at all: 1.
int PeerLineWidth(double weight, double totalFrames);

// The parts of a line of n colours: 2n equal parts, part i in colour (i-1) mod n,
// so the colours run twice along the line.
std::vector<PeerMapSegment> SplitPeerLine(int fromX, int fromY, int toX, int toY,
                                          const std::vector<RGBColour>& colours, int width);

// Whether a line colour is too light to show on the map's grey background by
// itself (cyan, yellow, lime, white): such lines get a dark edge.
bool NeedsDarkEdge(const RGBColour& colour);
// The colour and extra width of that edge.
inline constexpr RGBColour kPeerLineEdgeColour{64, 64, 64};
constexpr int kPeerLineEdgeWidth = 2;

// The whole map for a paint box of the given size: font size, radius, points,
// labels and lines.
PeerMapDrawing LayoutPeerMap(const PeerMapInput& input, int width, int height, const RingTextMetrics& metrics);

// The index of the sender station whose label box holds (x, y), or -1.
int PeerMapHit(const PeerMapDrawing& drawing, int x, int y);
// The index of the station whose drawn label box holds (x, y), sender or not, or -1.
int PeerMapLabelAt(const PeerMapDrawing& drawing, int x, int y);
// Whether a line joins the station of this label (or, for the shared overflow
// label, any station beyond the last point).
bool SegmentTouchesLabel(const PeerMapDrawing& drawing, const PeerMapSegment& segment, int label);

// The tree a map's stations come from.
enum class PeerNodeKind { Station, Network };

// Where a map put one of its stations.
struct PeerMapPlacement {
    std::string AddressBytes;  // the station's key in its tree
    int X = 0;                 // its point
    int Y = 0;
};

// The points of a map's stations as plain data, in label order.
struct PeerMapLayout {
    PeerNodeKind Kind = PeerNodeKind::Station;
    std::vector<PeerMapPlacement> Placements;
};

// ---- the statistics grid's columns --------------------------------------------------

// The grid position of each logical column from an INI value such as
// "1,2,3,4,5,6,7,8,9": used when it is as long as the default, holds exactly
// count comma-separated numbers and puts every column on its own position;
// otherwise (missing, short, malformed) the identity order.
std::vector<int> ColumnOrderFrom(std::string_view value, int count);


// ---- the windows' content -----------------------------------------------------------

enum class PeerDestination { All = 0, Broadcast = 1, NonBroadcast = 2 };

struct PeerKeyBox {
    std::string Caption;
    RGBColour Colour;      // the box's background, the colour of its lines
    RGBColour TextColour = dlccolours::kButtonText;
    bool Visible = false;
};

struct PeerKeyPanel {
    std::vector<PeerKeyBox> Boxes;
    int GroupHeight = 0;
    bool GroupVisible = true;
};

// The pop-up menu of a label right-click.
struct PeerPopup {
    int Station = -1;            // index into the drawing's labels
    std::string DLCCaption;      // "DLC Address is ..." (network window only)
    bool StatisticsEnabled = false;
    bool ToolboxEnabled = false;  // network window: the station has a statistics row
};

// The state and rules of one peer-map window. The network and station windows
// each implement it; the one widget shows whichever it is given.
class PeerWindowContent {
public:
    explicit PeerWindowContent(AnalysisState& state) : state_(state) {}
    virtual ~PeerWindowContent() = default;

    AnalysisState& State() { return state_; }

    // ---- the map tab
    virtual std::string Caption() const = 0;
    virtual std::string ModeGroupCaption() const = 0;  // "Protocol" or "Identification"
    virtual std::vector<std::string> ModeItems() const = 0;
    int Mode() const { return mode_; }
    // Switches the mode and replays every key of it into the nodes.
    virtual void SetMode(int mode) = 0;
    // The user's pick in the mode group: switches to it and remembers it, so
    // that a window that can keeps it when it is built for the next trace.
    void ChooseMode(int mode)
    {
        chosenMode_ = mode;
        SetMode(mode);
    }
    PeerDestination Destination = PeerDestination::All;
    bool MapSmartNames = false;
    bool MapShowOUI = false;
    bool MapShowOUIEnabled = false;
    bool ShowOUIVisible = true;  // the OUI boxes of both tabs
    bool GridShowOUIEnabled = false;
    virtual const char* MapOUICaption() const = 0;
    virtual const char* GridOUICaption() const = 0;

    virtual PeerKeyPanel Keys() const = 0;
    virtual int KeyCount() const = 0;
    bool KeyChecked(int key) const;  // key 1..KeyCount()
    // Remembers a key's state and applies it to the nodes; true when the map
    // should repaint.
    virtual bool ClickKey(int key, bool checked) = 0;
    enum class KeyCommand { On, Off, Invert };
    // "On", "Off", "Inv": every state of the current mode's row, then the mode replayed.
    void ApplyKeyCommand(KeyCommand command);

    // Marks the stations of the map (the nodes' on-map flags) and the lines
    // between them, in tree order.
    virtual PeerMapInput MapInput() = 0;
    // The map's input laid out for the size. Keeps the drawing for hit tests and
    // MapLayout; the analysis records hold no points of a map.
    const PeerMapDrawing& BuildMap(int width, int height, const RingTextMetrics& metrics);
    const PeerMapDrawing& LastMap() const { return map_; }
    // The last drawing's station points by address.
    PeerMapLayout MapLayout() const;
    // A right click at (x, y) of the map: the pop-up, or none without a hit.
    virtual std::optional<PeerPopup> RightClick(int x, int y) = 0;
    // The tool tip of a label: its station's statistics row as "heading: value"
    // lines, or the label's text when the station has no row.
    std::string LabelToolTip(int label) const;
    // Whether the window hands stations to the toolbox at all.
    virtual bool HasToolboxItem() const = 0;
    // The text that preselects the toolbox's source station, and its vendor form.
    std::string SelectedAddressText;
    std::string SelectedAddressOUIText;

    // ---- the statistics tab
    // Rebuilds everything from the state: caption, headings, defaults, rows, keys.
    virtual void Rebuild() = 0;
    GridContent& Grid() { return grid_; }
    const GridContent& Grid() const { return grid_; }
    virtual const std::vector<GridColumn>& Columns() const = 0;
    // The grid position of each logical column.
    const std::vector<int>& ColumnPositions() const { return positions_; }
    void SetColumnOrderValue(std::string value) { columnOrderValue_ = std::move(value); }
    bool GridSmartNames = false;
    bool GridShowOUI = false;
    // Rewrites the address cells of every row, shown or hidden, for the grid's
    // two check boxes.
    void RewriteAddresses();
    int ViewableRowCount() const { return viewableRows_; }
    int TotalRowCount() const { return totalRows_; }
    // The sort of the selected column in a direction; a double click repeats the
    // direction remembered last.
    void SortColumn(int position, bool ascending);
    void SortAgain(int position) { SortColumn(position, lastAscending_); }
    bool LastSortAscending() const { return lastAscending_; }

    // "&Statistics" of the pop-up: the row of the selected station becomes the
    // highlighted row (1-based grid row; 0 when it has none).
    int HighlightSelected();
    int HighlightedRow() const { return highlightedRow_; }

    // Select Stations: the dialog's lists from the rows, and the rows and
    // Viewable flags from the lists after OK.
    DualListContent SelectStationsLists() const;
    void ApplySelectStations(const DualListContent& lists);

protected:
    // The tree the map's stations come from.
    virtual PeerNodeKind MapNodeKind() const = 0;
    virtual bool SetViewable(const std::string& addressBytes, bool viewable) = 0;
    virtual bool IsViewable(const std::string& addressBytes) const = 0;
    // The address cell of the station with these address bytes, as the check
    // boxes want it; nothing for an unknown station.
    virtual std::optional<GridCell> AddressCellOf(const std::string& addressBytes) const = 0;
    void SetHeadings();
    int RowOfKey(const std::string& addressBytes) const;
    void ResetCommonState(int keyCount, int rows);
    // A new row of the station with these address bytes: one empty cell per
    // column and the tag that finds the station again (see rowKeys_).
    GridRow NewRow(std::string addressBytes);
    // The address bytes of a row's station, from its tag; empty for none.
    const std::string& RowKey(int32_t tag) const;
    // Puts the rows of the viewable stations into the grid in the order given
    // (the others wait in hiddenRows_); the last sort is forgotten.
    void ShowRows(std::vector<GridRow> shown);

    AnalysisState& state_;
    int mode_ = 0;
    std::optional<int> chosenMode_;  // the user's last pick, if any
    std::vector<std::vector<bool>> keyStates_;  // [mode][key - 1]
    bool mapRepaintEnabled_ = true;
    PeerMapDrawing map_;
    std::vector<std::string> mapAddresses_;  // the address bytes of each label's node
    std::string selectedKey_;            // address bytes of the last right-click
    std::string highlightedKey_;         // address bytes of the highlighted row's station
    GridContent grid_;
    std::vector<int> positions_;
    std::string columnOrderValue_;
    int viewableRows_ = 0;
    int totalRows_ = 0;
    int highlightedRow_ = 0;
    bool lastAscending_ = true;
    // The address bytes of every station that has a row; a row's tag is the
    // number of its station here (1 for the first), so a sort keeps the two together.
    std::vector<std::string> rowKeys_;
    // Rows of hidden stations, kept for the next selection.
    std::vector<GridRow> hiddenRows_;
};


// The utilisation cell of a sender: (frames x o + bytes) x 100 / link bytes per
// second / intervals, o the per-frame preamble and gap (20 on Ethernet, 1 on
// Token Ring), "%3.2f" and "%"; "0.00%" without intervals or link speed. Its
// value is the percentage as shown.
GridCell UtilisationCell(const AnalysisState& state, int64_t framesSent, int64_t bytesSent);

// Average size cell: bytes div frames with thousands separators, "0" without frames.
GridCell AverageSizeCell(int64_t bytes, int64_t frames);

}  // namespace quenlix
