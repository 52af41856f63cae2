#include "ui/peermaps/StationStatsContent.h"

#include <algorithm>

#include "model/Chains.h"
#include "model/Naming.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

using namespace peercolours;

constexpr std::array<RGBColour, kStationKeyCount> kKeyColours{
    kFuchsia, kLime, kAqua, kBlue, kYellow, kMaroon, kTeal, kNavy, kPurple, kOlive, kGreen, kWine, kGrey,
    dlccolours::kButtonText};

constexpr std::array<const char*, kStationKeyCount> kProtocolCaptions{
    "AppleTalk", "DEC", "IP-ARP", "IP", "IPX", "ISO", "NetBIOS-LLC", "NetBIOS-IP", "NetBIOS-IPX", "SNA", "XNS",
    "Vines", "BPDU", "Other"};

// The family codes of each key of the Protocol view.
constexpr std::array<uint32_t, kStationKeyCount> kProtocolMasks{
    1u << 0, 1u << 3 | 1u << 7 | 1u << 8, 1u << 1, 1u << 4, 1u << 5, 1u << 6, 1u << 9, 1u << 10, 1u << 11,
    1u << 12, 1u << 13, 1u << 14, 1u << 2, 1u << 15 | 1u << 16};

RGBColour TextOn(RGBColour colour)
{
    const int light = colour.R * 3 + colour.G * 6 + colour.B;
    return light < 1000 ? kWhite : dlccolours::kButtonText;
}

bool IsSender(const StationNode& s) { return (s.StationFlags & kFlagSender) != 0; }

std::string KeyBytes(const MacString& address)
{
    return std::string(reinterpret_cast<const char*>(address.Data()), address.Length);
}

}  // namespace

// The DLC chains of every sender up to the first empty or unknown destination,
// with each conversation's peer and reverse direction found once; kept until
// the tree or the object list changes.
struct StationChainCache {
    struct Conversation {
        int Peer;
        int32_t Index;
        int32_t Reverse;
    };
    std::vector<StationNode*> Nodes;
    std::vector<Conversation> Conversations;
    std::vector<ChainSender> Senders;
    size_t NodeCount = 0;
    int ObjectCount = 0;
    int32_t TotalFrames = 0;

    bool Fits(const AnalysisState& state) const
    {
        return NodeCount == state.Stations.size() && ObjectCount == state.ObjectList.Count() &&
               TotalFrames == state.TotalFrames && (Nodes.empty() || &state.Stations.begin()->second == Nodes.front());
    }

    explicit StationChainCache(AnalysisState& state)
        : NodeCount(state.Stations.size()), ObjectCount(state.ObjectList.Count()), TotalFrames(state.TotalFrames)
    {
        // The addresses in key order, side by side, for OrdinalOfKey.
        std::vector<MacString> keys;
        keys.reserve(NodeCount);
        for (auto& [address, node] : state.Stations) {
            keys.push_back(address);
            Nodes.push_back(&node);
        }
        for (int ordinal = 0; ordinal < static_cast<int>(Nodes.size()); ++ordinal) {
            const StationNode& node = *Nodes[static_cast<size_t>(ordinal)];
            if (!IsSender(node)) continue;
            ChainSender sender{ordinal, Conversations.size(), 0};
            for (int32_t p = FirstDLCPeer(state, node); p >= 0; p = NextDLCPeer(state, p)) {
                const TDLCPeer& peer = state.ObjectList.DLCPeer(p);
                const int peerOrdinal = OrdinalOfKey(keys, MacString(peer.DestAddress.data(), 6));
                if (peerOrdinal < 0) break;
                Conversations.push_back({peerOrdinal, p, -1});
            }
            sender.End = Conversations.size();
            Senders.push_back(sender);
        }
        LinkReverseConversations(Senders, Conversations);
    }
};

StationStatsContent::~StationStatsContent() = default;

StationStatsContent::StationStatsContent(AnalysisState& state) : PeerWindowContent(state)
{
    keyStates_.assign(3, std::vector<bool>(kStationKeyCount, true));
    mode_ = 1;
    SetHeadings();
    grid_.SetRowCount(1);
}

std::string StationStatsContent::Caption() const { return caption_.empty() ? "Station" : caption_; }

std::vector<std::string> StationStatsContent::ModeItems() const
{
    return {TokenRing() ? "None" : "Errors", "Encapsulation", "Protocol"};
}

const std::vector<GridColumn>& StationStatsContent::Columns() const
{
    using A = GridAlignment;
    // The JSON report keys these columns by their header texts, as it always has.
    static const std::vector<GridColumn> columns{
        {"Source Address", A::Left, "", "Source Address"},
        {"Encapsulation", A::Left, "", "Encapsulation"},
        {"Protocols", A::Left, "", "Protocols"},
        {"Dests", A::Right, "", "Dests"},
        {"Total Pkts", A::Right, "", "Total Pkts"},
        {"Total Bytes", A::Right, "", "Total Bytes"},
        {"Utilization", A::Right, "", "Utilization"},
        {"Ave Send", A::Right, "", "Ave Send"},
        {"Ave Recv", A::Right, "", "Ave Recv"},
        {"Bdcasts", A::Right, "", "Bdcasts"},
        {"Pkt Ratio", A::Right, "", "Pkt Ratio"},
    };
    return columns;
}

PeerKeyPanel StationStatsContent::Keys() const
{
    PeerKeyPanel panel;
    for (int k = 1; k <= kStationKeyCount; ++k) {
        PeerKeyBox box;
        box.Colour = kKeyColours[static_cast<size_t>(k - 1)];
        panel.Boxes.push_back(box);
    }
    auto show = [&](int key, const char* caption) {
        PeerKeyBox& box = panel.Boxes[static_cast<size_t>(key - 1)];
        box.Caption = caption;
        box.Visible = true;
    };
    switch (View()) {
    case StationMapView::Errors:
        show(1, "CRC");
        show(2, "No Errors");
        panel.Boxes[0].Colour = kRed;
        panel.Boxes[1].Colour = kAqua;
        panel.GroupHeight = 83;
        panel.GroupVisible = !TokenRing();
        break;
    case StationMapView::Encapsulation:
        show(1, "LLC");
        show(2, "SNAP");
        show(3, TokenRing() ? "MAC" : "Etype");
        if (!TokenRing()) show(4, "Novell Raw");
        panel.GroupHeight = TokenRing() ? 103 : 123;
        break;
    case StationMapView::Protocol:
        for (int k = 1; k <= kStationKeyCount; ++k) show(k, kProtocolCaptions[static_cast<size_t>(k - 1)]);
        panel.GroupHeight = 323;
        break;
    }
    for (PeerKeyBox& box : panel.Boxes) box.TextColour = TextOn(box.Colour);
    return panel;
}

namespace {

// The bits of the view's set that a key stands for; 0 when it stands for none.
uint32_t KeyMask(StationMapView view, int key, uint8_t topology)
{
    switch (view) {
    case StationMapView::Errors:
        return key == 1 ? kStatusBadBit : key == 2 ? kStatusGoodBit : 0;
    case StationMapView::Encapsulation:
        if (key == 1) return 1u << 1;
        if (key == 2) return 1u << 3;
        if (key == 3) return topology == 0 ? 1u << 0 : topology == 1 ? 1u << 4 : 0;
        if (key == 4) return 1u << 2;
        return 0;
    case StationMapView::Protocol:
        return key >= 1 && key <= kStationKeyCount ? kProtocolMasks[static_cast<size_t>(key - 1)] : 0;
    }
    return 0;
}

// The line colour of a bit of the view's set.
RGBColour BitColour(StationMapView view, int bit)
{
    switch (view) {
    case StationMapView::Errors:
        // Only bad FCS and good frames have a colour of their own.
        return bit == 0 ? kRed : bit == 3 ? kAqua : dlccolours::kButtonShadow;
    case StationMapView::Encapsulation:
        return bit == 1 ? kFuchsia : bit == 2 ? kBlue : bit == 3 ? kLime : kAqua;
    case StationMapView::Protocol:
        for (int k = 1; k <= kStationKeyCount - 1; ++k)
            if (kProtocolMasks[static_cast<size_t>(k - 1)] & (1u << bit)) return kKeyColours[static_cast<size_t>(k - 1)];
        return dlccolours::kButtonText;
    }
    return dlccolours::kButtonText;
}

}  // namespace

void StationStatsContent::SetMode(int mode)
{
    mode_ = std::clamp(mode, 0, 2);
    mapRepaintEnabled_ = false;
    const int keys = mode_ == 0 ? 2 : mode_ == 1 ? 4 : kStationKeyCount;
    for (int k = 1; k <= keys; ++k) ClickKey(k, keyStates_[static_cast<size_t>(mode_)][static_cast<size_t>(k - 1)]);
    mapRepaintEnabled_ = true;
}

bool StationStatsContent::ClickKey(int key, bool checked)
{
    if (key < 1 || key > kStationKeyCount) return false;
    keyStates_[static_cast<size_t>(mode_)][static_cast<size_t>(key - 1)] = checked;
    const uint32_t mask = KeyMask(View(), key, state_.Topology);
    if (mask == 0) return false;
    bool changed = false;
    auto apply = [&](auto own, auto& visible) {
        if (!(static_cast<uint32_t>(own) & mask)) return;
        using T = std::remove_reference_t<decltype(visible)>;
        visible = static_cast<T>(checked ? static_cast<uint32_t>(visible) | mask : static_cast<uint32_t>(visible) & ~mask);
        changed = true;
    };
    for (auto& [address, node] : state_.Stations) {
        switch (View()) {
        case StationMapView::Errors: apply(node.FrameStatus, node.VisibleFrameStatus); break;
        case StationMapView::Encapsulation: apply(node.Encapsulations, node.VisibleEncapsulations); break;
        case StationMapView::Protocol: apply(node.Families, node.VisibleFamilies); break;
        }
    }
    return changed && mapRepaintEnabled_;
}

std::string StationStatsContent::LabelText(const StationNode& station) const
{
    const std::string hex = MACToHex(station.Address.Data());
    if (MapSmartNames) {
        std::string name = LookupName(state_, NetString(station.Address.Data(), 6));
        if (!name.empty()) return name;
        static const std::pair<const char*, const char*> kGroupNames[] = {
            {"0180C2000000", "Bridge Group"},    {"030000000001", "NetBIOS"},
            {"C00000000002", "Ring Param Svr"},  {"C00000000008", "Ring Err Mon"},
            {"C00000000010", "Ring Config Svr"}, {"C000FFFFFFFF", "Ring Broadcast"}};
        for (const auto& [address, groupName] : kGroupNames)
            if (hex == address) return groupName;
    }
    return StationAddressText(state_, station.Address.Data(), station.Vendor, MapShowOUI);
}

PeerMapInput StationStatsContent::MapInput()
{
    const StationMapView view = View();
    if (!chains_ || !chains_->Fits(state_)) chains_ = std::make_unique<StationChainCache>(state_);
    const StationChainCache& chains = *chains_;
    for (StationNode* node : chains.Nodes) node->StationFlags &= ~kFlagOnMap;

    auto viewTest = [&](const StationNode& node, const StationNode& peer) {
        switch (view) {
        case StationMapView::Errors: return (node.VisibleFrameStatus & peer.FrameStatus) != 0;
        case StationMapView::Encapsulation: return (node.VisibleEncapsulations & peer.Encapsulations) != 0;
        case StationMapView::Protocol: return (node.VisibleFamilies & peer.Families) != 0;
        }
        return false;
    };
    auto destination = [&](const StationNode& peer) {
        if (Destination == PeerDestination::All) return true;
        const bool group = IsGroupAddress(state_.Topology, peer.Address.Data());
        return Destination == PeerDestination::Broadcast ? group : !group;
    };
    for (const auto& chain : chains.Senders) {
        StationNode& node = *chains.Nodes[static_cast<size_t>(chain.Node)];
        if (!(node.StationFlags & kFlagViewable) || node.FramesSent <= 0 ||
            node.BytesSent / node.FramesSent < kStationMinimumAverage)
            continue;
        bool any = false;
        for (size_t i = chain.Begin; i < chain.End; ++i) {
            StationNode& peer = *chains.Nodes[static_cast<size_t>(chains.Conversations[i].Peer)];
            if (!viewTest(node, peer) || !destination(peer)) continue;
            peer.StationFlags |= kFlagOnMap;
            any = true;
        }
        if (any) node.StationFlags |= kFlagOnMap;
    }

    PeerMapInput input;
    input.CutLabels = false;
    input.MinimumSpacingCount = 4;
    std::vector<int> indexOf(chains.Nodes.size(), -1);
    mapNodes_.clear();
    for (size_t ordinal = 0; ordinal < chains.Nodes.size(); ++ordinal) {
        const StationNode& node = *chains.Nodes[ordinal];
        if (!(node.StationFlags & kFlagOnMap)) continue;
        indexOf[ordinal] = static_cast<int>(input.Stations.size());
        mapNodes_.push_back(&node);
        PeerMapStation station;
        station.Sender = IsSender(node);
        if (input.Stations.size() + 1 < static_cast<size_t>(kPeerMapPoints)) {
            station.Label = LabelText(node);
            // The layout is measured on the name or the twelve digits, not the vendor form.
            std::string name = MapSmartNames ? LookupName(state_, NetString(node.Address.Data(), 6)) : std::string();
            station.MeasureText = name.empty() ? MACToHex(node.Address.Data()) : name;
        }
        input.Stations.push_back(std::move(station));
    }

    for (const auto& chain : chains.Senders) {
        const StationNode& node = *chains.Nodes[static_cast<size_t>(chain.Node)];
        const int from = indexOf[static_cast<size_t>(chain.Node)];
        if (!(node.StationFlags & kFlagViewable) || from < 0) continue;
        for (size_t i = chain.Begin; i < chain.End; ++i) {
            const auto& c = chains.Conversations[i];
            const StationNode& peer = *chains.Nodes[static_cast<size_t>(c.Peer)];
            if ((view != StationMapView::Errors && !viewTest(node, peer)) || !destination(peer)) continue;
            const int to = indexOf[static_cast<size_t>(c.Peer)];
            if (to < 0) continue;
            const TDLCPeer& conv = state_.ObjectList.DLCPeer(c.Index);
            const TDLCPeer* reverse = c.Reverse >= 0 ? &state_.ObjectList.DLCPeer(c.Reverse) : nullptr;
            PeerMapLink link{from, to, {}, 1};
            double weight = 0;
            if (view == StationMapView::Errors) {
                for (int b = 0; b <= 3; ++b)
                    if (conv.PeerFrameStatus & node.VisibleFrameStatus & (1 << b)) link.Colours.push_back(BitColour(view, b));
            } else if (view == StationMapView::Encapsulation) {
                for (int b = 0; b < kEncapsulationCount; ++b) {
                    if (!(conv.PeerEncapsulations & node.VisibleEncapsulations & (1 << b))) continue;
                    link.Colours.push_back(BitColour(view, b));
                    weight = static_cast<double>(conv.FramesByEncapsulation[static_cast<size_t>(b)]) +
                             (reverse ? reverse->FramesByEncapsulation[static_cast<size_t>(b)] : 0);
                }
                link.PenWidth = PeerLineWidth(weight, state_.TotalFrames);
            } else {
                for (int b = 0; b < kFamilyCount; ++b) {
                    if (!(conv.PeerFamilies & node.VisibleFamilies & (1 << b))) continue;
                    link.Colours.push_back(BitColour(view, b));
                    weight = static_cast<double>(conv.FramesByFamily[static_cast<size_t>(b)]) +
                             (reverse ? reverse->FramesByFamily[static_cast<size_t>(b)] : 0);
                }
                link.PenWidth = PeerLineWidth(weight, state_.TotalFrames);
            }
            if (!link.Colours.empty()) input.Links.push_back(std::move(link));
        }
    }
    return input;
}

const PeerMapDrawing& StationStatsContent::BuildMap(int width, int height, const RingTextMetrics& metrics)
{
    const PeerMapInput input = MapInput();
    map_ = LayoutPeerMap(input, width, height, metrics);
    for (size_t i = 0; i < map_.Labels.size() && i < mapNodes_.size(); ++i) {
        auto* node = static_cast<StationNode*>(const_cast<void*>(mapNodes_[i]));
        node->MapX = static_cast<int16_t>(map_.Labels[i].X);
        node->MapY = static_cast<int16_t>(map_.Labels[i].Y);
    }
    return map_;
}

std::optional<PeerPopup> StationStatsContent::RightClick(int x, int y)
{
    const int hit = PeerMapHit(map_, x, y);
    if (hit < 0 || static_cast<size_t>(hit) >= mapNodes_.size()) return std::nullopt;
    const auto* node = static_cast<const StationNode*>(mapNodes_[static_cast<size_t>(hit)]);
    PeerPopup popup;
    popup.Station = hit;
    selectedKey_ = KeyBytes(node->Address);
    popup.StatisticsEnabled = RowOfKey(selectedKey_) != 0;
    return popup;
}

// ---- statistics grid ---------------------------------------------------------------------

GridCell StationStatsContent::AddressCell(const StationNode& station) const
{
    const uint8_t* bytes = station.Address.Data();
    if (GridSmartNames) {
        std::string name = LookupName(state_, NetString(bytes, 6));
        if (!name.empty()) return TextCell(std::move(name));
    }
    return quenlix::AddressCell(StationAddressText(state_, bytes, station.Vendor, GridShowOUI),
                                StationAddressText(state_, bytes, station.Vendor, false), bytes, 6);
}

void StationStatsContent::FillRows()
{
    const ObjectStore& objects = state_.ObjectList;
    std::vector<GridRow> shown;
    totalRows_ = 0;
    for (const auto& [address, node] : state_.Stations) {
        if (!IsSender(node)) continue;
        GridRow row = NewRow(KeyBytes(node.Address));
        auto set = [&](int logical, GridCell cell) {
            row.Cells[static_cast<size_t>(positions_[static_cast<size_t>(logical)])] = std::move(cell);
        };
        set(0, AddressCell(node));
        std::string encapsulations;
        for (int b = 0; b < kEncapsulationCount; ++b)
            if (node.Encapsulations & (1 << b)) encapsulations += (encapsulations.empty() ? "" : ",") + EncapsulationName(b);
        set(1, TextCell(encapsulations));
        std::string families;
        for (int b = 0; b < kFamilyCount; ++b)
            if (node.Families & (1 << b)) families += (families.empty() ? "" : ",") + FamilyName(b);
        set(2, TextCell(families));
        int dests = 0;
        for (int32_t p = node.FirstDLCPeer; objects.Holds(ObjectKind::DLCPeer, p);) {
            ++dests;
            const int32_t next = objects.DLCPeer(p).Next;
            if (next <= p) break;
            p = next;
        }
        set(3, CountCell(dests));
        set(4, CountCell(static_cast<int64_t>(node.FramesSent) + node.FramesReceived));
        set(5, CountCell(static_cast<int64_t>(node.BytesSent) + node.BytesReceived));
        set(6, UtilisationCell(state_, node.FramesSent, node.BytesSent));
        set(7, AverageSizeCell(node.BytesSent, node.FramesSent));
        set(8, AverageSizeCell(node.BytesReceived, node.FramesReceived));
        set(9, CountCell(node.GroupFramesSent));
        // The ratio sorts as it reads, as it always has.
        set(10, TextCell(RatioText(node.FramesSent, node.FramesReceived)));
        ((node.StationFlags & kFlagViewable) ? shown : hiddenRows_).push_back(std::move(row));
        ++totalRows_;
    }
    ShowRows(std::move(shown));
}

void StationStatsContent::Rebuild()
{
    caption_ = "Station - " + FileNameOnly(state_.TraceFileName);
    // The chains are walked now, with the grid, so that the first paint is as quick as the next.
    chains_ = std::make_unique<StationChainCache>(state_);
    ResetCommonState(kStationKeyCount, state_.SourceStationCount);
    SetHeadings();
    FillRows();
    SetMode(1);
    UpdateOUIBoxes();
}

void StationStatsContent::UpdateOUIBoxes()
{
    ShowOUIVisible = true;
    const bool vendors = state_.VendorCount > 0;
    MapShowOUI = GridShowOUI = vendors;
    MapShowOUIEnabled = GridShowOUIEnabled = vendors;
}

std::optional<GridCell> StationStatsContent::AddressCellOf(const std::string& addressBytes) const
{
    if (addressBytes.size() != 6) return std::nullopt;
    const auto found = state_.Stations.find(MacString(reinterpret_cast<const uint8_t*>(addressBytes.data()), 6));
    if (found == state_.Stations.end()) return std::nullopt;
    return AddressCell(found->second);
}

bool StationStatsContent::SetViewable(const std::string& addressBytes, bool viewable)
{
    if (addressBytes.size() != 6) return false;
    const auto found = state_.Stations.find(MacString(reinterpret_cast<const uint8_t*>(addressBytes.data()), 6));
    if (found == state_.Stations.end()) return false;
    int16_t& flags = found->second.StationFlags;
    flags = static_cast<int16_t>(viewable ? flags | kFlagViewable : flags & ~kFlagViewable);
    return true;
}

bool StationStatsContent::IsViewable(const std::string& addressBytes) const
{
    if (addressBytes.size() != 6) return false;
    const auto found = state_.Stations.find(MacString(reinterpret_cast<const uint8_t*>(addressBytes.data()), 6));
    return found != state_.Stations.end() && (found->second.StationFlags & kFlagViewable);
}

}  // namespace quenlix
