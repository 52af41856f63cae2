#include "ui/peermaps/PeerMapContent.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <unordered_set>

#include "model/NumberFormat.h"

namespace quenlix {

// ---- layout -------------------------------------------------------------------------

std::string CutPeerLabel(const std::string& text)
{
    if (text.size() <= kPeerLabelLength) return text;
    return text.substr(0, kPeerLabelLength) + "...";
}

int PeerPointIndex(int position, bool fewStations)
{
    int index = std::clamp(position, 1, kPeerMapPoints);
    if (fewStations) {
        // Three stations take points 2, 3 and 6, four also 7.
        static constexpr int kFew[] = {2, 3, 6, 7};
        index = kFew[std::clamp(position, 1, 4) - 1];
    }
    return index;
}

int PeerLineWidth(double weight, double totalFrames)
{
    if (!(totalFrames > 0) || !std::isfinite(weight)) return 1;
    const double ratio = weight / totalFrames;
    if (ratio < 0.1) return 1;
    if (ratio < 0.2) return 2;
    return 3;
}

std::vector<PeerMapSegment> SplitPeerLine(int fromX, int fromY, int toX, int toY,
                                          const std::vector<RGBColour>& colours, int width)
{
    std::vector<PeerMapSegment> parts;
    if (colours.empty()) return parts;
    const size_t n = colours.size();
    if (n == 1) {
        parts.push_back({fromX, fromY, toX, toY, colours.front(), width});
        return parts;
    }
    const double dx = static_cast<double>(fromX - toX) / static_cast<double>(2 * n);
    const double dy = static_cast<double>(fromY - toY) / static_cast<double>(2 * n);
    int x = fromX;
    int y = fromY;
    for (size_t i = 1; i <= 2 * n; ++i) {
        const int nx = fromX - static_cast<int>(std::nearbyint(static_cast<double>(i) * dx));
        const int ny = fromY - static_cast<int>(std::nearbyint(static_cast<double>(i) * dy));
        parts.push_back({x, y, nx, ny, colours[(i - 1) % n], width});
        x = nx;
        y = ny;
    }
    return parts;
}

namespace {

struct SegmentHash {
    size_t operator()(const PeerMapSegment& s) const
    {
        uint64_t h = 1469598103934665603ull;
        auto mix = [&h](uint64_t v) {
            h ^= v;
            h *= 1099511628211ull;
        };
        mix(static_cast<uint32_t>(s.X1));
        mix(static_cast<uint32_t>(s.Y1));
        mix(static_cast<uint32_t>(s.X2));
        mix(static_cast<uint32_t>(s.Y2));
        mix(static_cast<uint64_t>(s.Colour.R) << 16 | s.Colour.G << 8 | s.Colour.B);
        mix(static_cast<uint32_t>(s.Width));
        return static_cast<size_t>(h);
    }
};

// The text a station shows at a point: the shared overflow label on the last point.
std::string LabelTextAt(const PeerMapStation& station, int pointIndex, bool cut)
{
    if (pointIndex >= kPeerMapPoints) return kOverflowLabel;
    return cut ? CutPeerLabel(station.Label) : station.Label;
}

// The widest text the map draws: the labels of the first 179 stations and, with
// more, the overflow label. Stations beyond the last point never show their own
// label, so a map of thousands of stations measures at most 180 texts.
int WidestLabel(const PeerMapInput& input, int pointSize, const RingTextMetrics& metrics)
{
    int widest = 0;
    const size_t drawn = std::min(input.Stations.size(), static_cast<size_t>(kPeerMapPoints - 1));
    for (size_t i = 0; i < drawn; ++i) {
        const PeerMapStation& station = input.Stations[i];
        const std::string& measured = station.MeasureText.empty() ? station.Label : station.MeasureText;
        widest = std::max(widest, metrics.TextWidth(input.CutLabels ? CutPeerLabel(measured) : measured, pointSize));
    }
    if (input.Stations.size() >= static_cast<size_t>(kPeerMapPoints))
        widest = std::max(widest, metrics.TextWidth(kOverflowLabel, pointSize));
    return widest;
}

}  // namespace

PeerMapDrawing LayoutPeerMap(const PeerMapInput& input, int width, int height, const RingTextMetrics& metrics)
{
    PeerMapDrawing map;
    map.Width = std::max(width, 0);
    map.Height = std::max(height, 0);
    map.CentreX = map.Width / 2;
    map.CentreY = map.Height / 2;
    const int count = static_cast<int>(std::min(input.Stations.size(), static_cast<size_t>(INT32_MAX)));
    map.StationCount = std::min(count, kPeerMapPoints);
    const int spacing = std::min(std::max(count, input.MinimumSpacingCount), kPeerMapPoints);

    map.FontSize = kPeerMapFontSize;
    for (int attempt = 1;; ++attempt) {
        map.WidestLabel = WidestLabel(input, map.FontSize, metrics);
        int radius = map.CentreX - map.WidestLabel - 6;
        radius = std::min(radius, map.CentreY - 10 - spacing / 10);
        map.Radius = std::max(radius, 1);
        map.PointStep = 4.0 * map.Radius / (spacing + 3);
        if (std::nearbyint(map.PointStep) >= metrics.TextHeight("0", map.FontSize) - 2 || attempt >= 4) break;
        --map.FontSize;
    }
    map.Points = BuildRingPoints(count, map.Radius, map.PointStep);
    map.FewStations = map.Points.FewStations;

    map.Labels.reserve(input.Stations.size());
    bool overflowDrawn = false;
    for (size_t b = 0; b < input.Stations.size(); ++b) {
        const PeerMapStation& station = input.Stations[b];
        PeerMapLabel label;
        label.PointIndex = PeerPointIndex(static_cast<int>(std::min<size_t>(b + 1, kPeerMapPoints)), map.FewStations);
        const RingPoint point = map.Points.RingPoints[static_cast<size_t>(label.PointIndex)];
        label.X = map.CentreX + point.X;
        label.Y = map.CentreY + point.Y;
        label.Sender = station.Sender;
        if (label.PointIndex >= kPeerMapPoints) {
            label.Drawn = !overflowDrawn;
            overflowDrawn = true;
        }
        // Every overflow station has the same box; it is measured once.
        if (label.PointIndex >= kPeerMapPoints && b > 0 && map.Labels.back().PointIndex >= kPeerMapPoints) {
            const PeerMapLabel& previous = map.Labels.back();
            label.Text = previous.Text;
            label.Width = previous.Width;
            label.Height = previous.Height;
            label.Left = previous.Left;
            label.Top = previous.Top;
            map.Labels.push_back(std::move(label));
            continue;
        }
        label.Text = LabelTextAt(station, label.PointIndex, input.CutLabels);
        label.Width = metrics.TextWidth(label.Text, map.FontSize);
        label.Height = metrics.TextHeight(label.Text, map.FontSize);
        label.Left = point.X < 1 ? label.X - label.Width - 5 : label.X + 7;
        label.Top = label.Y - 5 + static_cast<int>(std::nearbyint(9.0 * point.Y / map.Radius));
        map.Labels.push_back(std::move(label));
    }

    std::unordered_set<PeerMapSegment, SegmentHash> seen;
    for (const PeerMapLink& link : input.Links) {
        if (link.From < 0 || link.To < 0 || static_cast<size_t>(link.From) >= map.Labels.size() ||
            static_cast<size_t>(link.To) >= map.Labels.size())
            continue;
        const PeerMapLabel& from = map.Labels[static_cast<size_t>(link.From)];
        const PeerMapLabel& to = map.Labels[static_cast<size_t>(link.To)];
        // Parts are told apart by their geometry and colour alone, so a part that
        // two links draw the same way (stations sharing the overflow point) is kept once.
        for (PeerMapSegment part : SplitPeerLine(from.X, from.Y, to.X, to.Y, link.Colours, link.PenWidth)) {
            if (!seen.insert(part).second) continue;
            part.From = link.From;
            part.To = link.To;
            part.DarkEdge = NeedsDarkEdge(part.Colour);
            map.Segments.push_back(part);
        }
    }
    return map;
}

namespace {

bool LabelBoxHolds(const PeerMapLabel& label, int x, int y)
{
    return label.Left < x && x < label.Left + label.Width && label.Top + 1 < y && y < label.Top + label.Height - 1;
}

}  // namespace

int PeerMapHit(const PeerMapDrawing& drawing, int x, int y)
{
    for (size_t i = 0; i < drawing.Labels.size(); ++i)
        if (drawing.Labels[i].Sender && LabelBoxHolds(drawing.Labels[i], x, y)) return static_cast<int>(i);
    return -1;
}

int PeerMapLabelAt(const PeerMapDrawing& drawing, int x, int y)
{
    for (size_t i = 0; i < drawing.Labels.size(); ++i)
        if (drawing.Labels[i].Drawn && LabelBoxHolds(drawing.Labels[i], x, y)) return static_cast<int>(i);
    return -1;
}

bool SegmentTouchesLabel(const PeerMapDrawing& drawing, const PeerMapSegment& segment, int label)
{
    const auto pointOf = [&drawing](int index) {
        return index >= 0 && static_cast<size_t>(index) < drawing.Labels.size()
                   ? drawing.Labels[static_cast<size_t>(index)].PointIndex
                   : -1;
    };
    const int point = pointOf(label);
    return point >= 0 && (pointOf(segment.From) == point || pointOf(segment.To) == point);
}

bool NeedsDarkEdge(const RGBColour& colour)
{
    // Perceived brightness (ITU-R BT.601 weights); the map's grey sits near 200
    // to 240, and anything from about 140 up blends into it.
    const double brightness = 0.299 * colour.R + 0.587 * colour.G + 0.114 * colour.B;
    return brightness >= 140.0;
}

// ---- columns ----------------------------------------------------------------------------

std::vector<int> ColumnOrderFrom(std::string_view value, int count)
{
    std::vector<int> identity(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) identity[static_cast<size_t>(i)] = i;
    std::string defaultValue;
    for (int i = 1; i <= count; ++i) defaultValue += (i > 1 ? "," : "") + std::to_string(i);
    if (value.size() != defaultValue.size()) return identity;

    std::vector<int> positions;
    std::vector<bool> taken(identity.size(), false);
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = std::min(value.find(',', start), value.size());
        const std::string_view item = value.substr(start, comma - start);
        if (item.empty() || item.size() > 3) return identity;
        int number = 0;
        for (char c : item) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return identity;
            number = number * 10 + (c - '0');
        }
        const int position = number - 1;
        if (position < 0 || position >= count || taken[static_cast<size_t>(position)]) return identity;
        taken[static_cast<size_t>(position)] = true;
        positions.push_back(position);
        start = comma + 1;
    }
    if (static_cast<int>(positions.size()) != count) return identity;
    return positions;
}

// ---- shared window content --------------------------------------------------------------

const PeerMapDrawing& PeerWindowContent::BuildMap(int width, int height, const RingTextMetrics& metrics)
{
    const PeerMapInput input = MapInput();
    map_ = LayoutPeerMap(input, width, height, metrics);
    return map_;
}

PeerMapLayout PeerWindowContent::MapLayout() const
{
    PeerMapLayout layout{MapNodeKind(), {}};
    for (size_t i = 0; i < map_.Labels.size() && i < mapAddresses_.size(); ++i)
        layout.Placements.push_back({mapAddresses_[i], map_.Labels[i].X, map_.Labels[i].Y});
    return layout;
}

std::string PeerWindowContent::LabelToolTip(int label) const
{
    if (label < 0 || static_cast<size_t>(label) >= map_.Labels.size()) return {};
    const int row = static_cast<size_t>(label) < mapAddresses_.size() ? RowOfKey(mapAddresses_[static_cast<size_t>(label)]) : 0;
    if (row <= 0) return map_.Labels[static_cast<size_t>(label)].Text;
    std::string tip;
    for (int col = 0; col < grid_.ColCount(); ++col) {
        if (!tip.empty()) tip += '\n';
        tip.append(grid_.Cell(col, 0)).append(": ").append(grid_.Cell(col, row));
    }
    return tip;
}

bool PeerWindowContent::KeyChecked(int key) const
{
    if (mode_ < 0 || static_cast<size_t>(mode_) >= keyStates_.size()) return false;
    const auto& row = keyStates_[static_cast<size_t>(mode_)];
    return key >= 1 && static_cast<size_t>(key) <= row.size() && row[static_cast<size_t>(key - 1)];
}

void PeerWindowContent::ApplyKeyCommand(KeyCommand command)
{
    if (mode_ < 0 || static_cast<size_t>(mode_) >= keyStates_.size()) return;
    for (auto&& state : keyStates_[static_cast<size_t>(mode_)]) {
        switch (command) {
        case KeyCommand::On: state = true; break;
        case KeyCommand::Off: state = false; break;
        case KeyCommand::Invert: state = !state; break;
        }
    }
    SetMode(mode_);
}

void PeerWindowContent::ResetCommonState(int keyCount, int rows)
{
    keyStates_.assign(ModeItems().size(), std::vector<bool>(static_cast<size_t>(keyCount), true));
    Destination = PeerDestination::All;
    highlightedRow_ = 0;
    lastAscending_ = true;
    totalRows_ = rows;
    viewableRows_ = rows;
    hiddenRows_.clear();
    rowKeys_.clear();
    selectedKey_.clear();
    highlightedKey_.clear();
    SelectedAddressText.clear();
    SelectedAddressOUIText.clear();
}

void PeerWindowContent::SetHeadings()
{
    const auto& columns = Columns();
    const int count = static_cast<int>(columns.size());
    positions_ = ColumnOrderFrom(columnOrderValue_, count);
    grid_.SetColCount(count);
    grid_.SetFixedRows(1);
    grid_.SetFixedCols(0);
    for (int logical = 0; logical < count; ++logical) {
        const int position = positions_[static_cast<size_t>(logical)];
        grid_.SetCell(position, 0, columns[static_cast<size_t>(logical)].Header);
        grid_.SetAlignment(position, columns[static_cast<size_t>(logical)].Alignment);
    }
}

void PeerWindowContent::SortColumn(int position, bool ascending)
{
    lastAscending_ = ascending;
    if (position < 0 || position >= grid_.ColCount() || grid_.RowCount() <= 1) return;
    grid_.ForgetSort();
    grid_.SortByColumn(position, ascending);
    // The highlighted station's row moves with the sort; a right click on another
    // label since then changed only the selection, not the highlight.
    highlightedRow_ = highlightedRow_ > 0 ? RowOfKey(highlightedKey_) : 0;
}

int PeerWindowContent::RowOfKey(const std::string& addressBytes) const
{
    if (addressBytes.empty()) return 0;
    for (int row = 1; row <= viewableRows_ && row < grid_.RowCount(); ++row)
        if (RowKey(grid_.RowTag(row)) == addressBytes) return row;
    return 0;
}

GridRow PeerWindowContent::NewRow(std::string addressBytes)
{
    rowKeys_.push_back(std::move(addressBytes));
    return {std::vector<GridCell>(Columns().size()), static_cast<int32_t>(rowKeys_.size())};
}

const std::string& PeerWindowContent::RowKey(int32_t tag) const
{
    static const std::string none;
    return tag >= 1 && static_cast<size_t>(tag) <= rowKeys_.size() ? rowKeys_[static_cast<size_t>(tag) - 1] : none;
}

void PeerWindowContent::ShowRows(std::vector<GridRow> shown)
{
    viewableRows_ = static_cast<int>(shown.size());
    grid_.SetRowCount(viewableRows_ + 1);
    for (int row = 1; row <= viewableRows_; ++row) grid_.SetRow(row, std::move(shown[static_cast<size_t>(row - 1)]));
    grid_.ForgetSort();
}

void PeerWindowContent::RewriteAddresses()
{
    const auto address = static_cast<size_t>(positions_.empty() ? 0 : positions_[0]);
    for (int row = 1; row <= viewableRows_ && row < grid_.RowCount(); ++row)
        if (auto cell = AddressCellOf(RowKey(grid_.RowTag(row)))) grid_.SetCell(static_cast<int>(address), row, *cell);
    for (GridRow& row : hiddenRows_)
        if (auto cell = AddressCellOf(RowKey(row.Tag)); cell && address < row.Cells.size()) row.Cells[address] = *cell;
}

int PeerWindowContent::HighlightSelected()
{
    highlightedKey_ = selectedKey_;
    highlightedRow_ = RowOfKey(highlightedKey_);
    return highlightedRow_;
}

DualListContent PeerWindowContent::SelectStationsLists() const
{
    DualListContent lists;
    const int address = positions_.empty() ? 0 : positions_[0];
    for (int row = 1; row <= viewableRows_ && row < grid_.RowCount(); ++row)
        lists.Show.push_back({std::string(grid_.Cell(address, row)), RowKey(grid_.RowTag(row)), false});
    for (const GridRow& row : hiddenRows_)
        if (static_cast<size_t>(address) < row.Cells.size())
            lists.Hide.push_back({row.Cells[static_cast<size_t>(address)].Text.String(), RowKey(row.Tag), false});
    return lists;
}

void PeerWindowContent::ApplySelectStations(const DualListContent& lists)
{
    highlightedRow_ = 0;
    // Each entry carries its station, so stations that show the same text
    // (one SmartName for two addresses) are told apart.
    for (const DualListEntry& entry : lists.Show) SetViewable(entry.Object, true);
    for (const DualListEntry& entry : lists.Hide) SetViewable(entry.Object, false);

    // The rows keep their order: the grid's as last sorted, then the hidden ones.
    std::vector<GridRow> rows;
    for (int row = 1; row <= viewableRows_ && row < grid_.RowCount(); ++row) rows.push_back(grid_.Row(row));
    for (GridRow& row : hiddenRows_) rows.push_back(std::move(row));
    hiddenRows_.clear();
    std::vector<GridRow> shown;
    for (GridRow& row : rows) (IsViewable(RowKey(row.Tag)) ? shown : hiddenRows_).push_back(std::move(row));
    ShowRows(std::move(shown));
}

// ---- shared texts ---------------------------------------------------------------------------

GridCell UtilisationCell(const AnalysisState& state, int64_t framesSent, int64_t bytesSent)
{
    const double overhead = state.Topology == kTopologyTokenRing ? kTokenRingFrameAllowance : kEthernetFrameAllowance;
    double percent = 0;
    if (state.LinkBytesPerSecond > 0 && state.IntervalCount > 0)
        percent = (static_cast<double>(framesSent) * overhead + static_cast<double>(bytesSent)) * 100.0 / state.LinkBytesPerSecond /
                  state.IntervalCount;
    char text[64];
    std::snprintf(text, sizeof text, "%3.2f%%", percent);
    return {text, GridValue::Percent(RoundToDecimals(percent, 2))};
}

GridCell AverageSizeCell(int64_t bytes, int64_t frames)
{
    return CountCell(frames == 0 ? 0 : bytes / frames);
}

}  // namespace quenlix
