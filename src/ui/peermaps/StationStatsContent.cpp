#include "ui/peermaps/StationStatsContent.h"

#include <algorithm>
#include <optional>

#include "model/Chains.h"
#include "model/Naming.h"
#include "model/NumberFormat.h"
#include "ui/peermaps/PeerChainCache.h"

namespace quenlix {

namespace {

using namespace peercolours;

constexpr std::array<RGBColour, kStationKeyCount> kKeyColours{
    kFuchsia, kLime, kAqua, kBlue, kOrange, kYellow, kMaroon, kTeal, kNavy, kPurple, kOlive, kGreen, kWine, kGrey,
    dlccolours::kButtonText};

constexpr std::array<const char*, kStationKeyCount> kProtocolCaptions{
    "AppleTalk", "DEC", "IP-ARP", "IP", "IPv6", "IPX", "ISO", "NetBIOS-LLC", "NetBIOS-IP", "NetBIOS-IPX", "SNA", "XNS",
    "Vines", "BPDU", "Other"};

// The families of each key of the Protocol view.
constexpr std::array<FamilySet, kStationKeyCount> kProtocolKeyFamilies{{
    {kFamilyAppletalk},
    {kFamilyDECnet, kFamilyLAT, kFamilyLAVC},
    {kFamilyARP},
    {kFamilyIP},
    {kFamilyIPv6},
    {kFamilyIPX},
    {kFamilyISO},
    {kFamilyNetBIOSLLC},
    {kFamilyNetBIOSIP},
    {kFamilyNetBIOSIPX},
    {kFamilySNA},
    {kFamilyXNS},
    {kFamilyVINES},
    {kFamilyBPDU},
    {kFamilyMAC, kFamilyOther},
}};



}  // namespace

// The DLC chains of the station tree, a type of its own so that the header can
// name it ahead.
struct StationChainCache : PeerChainCache<StationChainWalk> {
    using PeerChainCache::PeerChainCache;
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
        panel.GroupHeight = 343;
        break;
    }
    for (PeerKeyBox& box : panel.Boxes) box.TextColour = TextOn(box.Colour);
    return panel;
}

namespace {

// The bits of the view's set that a key stands for; 0 when it stands for none.
uint32_t KeyMask(StationMapView view, int key, TopologyCode topology)
{
    switch (view) {
    case StationMapView::Errors:
        if (key == 1) return FrameStatusSet{kStatusBadBit}.ToBits();
        return key == 2 ? FrameStatusSet{kStatusGoodBit}.ToBits() : 0;
    case StationMapView::Encapsulation:
        if (key == 1) return EncapsulationSet{kEncapsLLC}.ToBits();
        if (key == 2) return EncapsulationSet{kEncapsSNAP}.ToBits();
        if (key == 3 && topology == kTopologyEthernet) return EncapsulationSet{kEncapsEthernetII}.ToBits();
        if (key == 3 && topology == kTopologyTokenRing) return EncapsulationSet{kEncapsMAC}.ToBits();
        if (key == 4) return EncapsulationSet{kEncapsNovellRaw}.ToBits();
        return 0;
    case StationMapView::Protocol:
        if (key < 1 || key > kStationKeyCount) return 0;
        return static_cast<uint32_t>(kProtocolKeyFamilies[static_cast<size_t>(key - 1)].ToBits());
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
            if (kProtocolKeyFamilies[static_cast<size_t>(k - 1)].Has(static_cast<ProtocolFamily>(bit))) return kKeyColours[static_cast<size_t>(k - 1)];
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
        if (!(static_cast<uint32_t>(own.ToBits()) & mask)) return false;
        using Set = std::remove_reference_t<decltype(visible)>;
        using Bits = decltype(visible.ToBits());
        const uint32_t bits = static_cast<uint32_t>(visible.ToBits());
        visible = Set::FromBits(static_cast<Bits>(checked ? bits | mask : bits & ~mask));
        return true;
    };
    for (auto& [address, node] : state_.Stations) {
        StationVisibleSets visible = VisibleSetsOf(state_, node);
        bool applied = false;
        switch (View()) {
        case StationMapView::Errors: applied = apply(node.FrameStatus, visible.FrameStatus); break;
        case StationMapView::Encapsulation: applied = apply(node.Encapsulations, visible.Encapsulations); break;
        case StationMapView::Protocol: applied = apply(node.Families, visible.Families); break;
        }
        if (!applied) continue;
        SetVisibleSets(state_, node, visible);
        changed = true;
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
    return StationAddressText(state_, station.Address.Data(), VendorOf(state_, station), MapShowOUI);
}

PeerMapInput StationStatsContent::MapInput()
{
    const StationMapView view = View();
    if (!chains_ || !chains_->Fits(state_)) chains_ = std::make_unique<StationChainCache>(state_);
    const StationChainCache& chains = *chains_;
    for (StationNode* node : chains.Nodes) node->StationFlags.Remove(kFlagOnMap);

    auto viewTest = [&](const StationVisibleSets& visible, const StationNode& peer) {
        switch (view) {
        case StationMapView::Errors: return visible.FrameStatus.HasAny(peer.FrameStatus);
        case StationMapView::Encapsulation: return visible.Encapsulations.Meets(peer.Encapsulations);
        case StationMapView::Protocol: return visible.Families.Meets(peer.Families);
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
        if (!(node.StationFlags.Has(kFlagViewable)) || node.FramesSent <= 0 ||
            node.BytesSent / node.FramesSent < kStationMinimumAverage)
            continue;
        const StationVisibleSets visible = VisibleSetsOf(state_, node);
        bool any = false;
        for (size_t i = chain.Begin; i < chain.End; ++i) {
            StationNode& peer = *chains.Nodes[static_cast<size_t>(chains.Conversations[i].Peer)];
            if (!viewTest(visible, peer) || !destination(peer)) continue;
            peer.StationFlags |= kFlagOnMap;
            any = true;
        }
        if (any) node.StationFlags |= kFlagOnMap;
    }

    PeerMapInput input;
    input.CutLabels = false;
    input.MinimumSpacingCount = 4;
    std::vector<int> indexOf(chains.Nodes.size(), -1);
    mapAddresses_.clear();
    for (size_t ordinal = 0; ordinal < chains.Nodes.size(); ++ordinal) {
        const StationNode& node = *chains.Nodes[ordinal];
        if (!(node.StationFlags.Has(kFlagOnMap))) continue;
        indexOf[ordinal] = static_cast<int>(input.Stations.size());
        mapAddresses_.push_back(KeyBytes(node.Address));
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
        if (!(node.StationFlags.Has(kFlagViewable)) || from < 0) continue;
        const StationVisibleSets visible = VisibleSetsOf(state_, node);
        for (size_t i = chain.Begin; i < chain.End; ++i) {
            const auto& c = chains.Conversations[i];
            const StationNode& peer = *chains.Nodes[static_cast<size_t>(c.Peer)];
            if ((view != StationMapView::Errors && !viewTest(visible, peer)) || !destination(peer)) continue;
            const int to = indexOf[static_cast<size_t>(c.Peer)];
            if (to < 0) continue;
            const TDLCPeer& conv = state_.ObjectList.DLCPeer(c.Index);
            const std::optional<TDLCPeer> reverse =
                c.Reverse >= 0 ? std::optional<TDLCPeer>(state_.ObjectList.DLCPeer(c.Reverse)) : std::nullopt;
            PeerMapLink link{from, to, {}, 1};
            double weight = 0;
            if (view == StationMapView::Errors) {
                for (int b = 0; b <= 3; ++b)
                    if (conv.PeerFrameStatus.ToBits() & visible.FrameStatus.ToBits() & (1 << b))
                        link.Colours.push_back(BitColour(view, b));
            } else if (view == StationMapView::Encapsulation) {
                for (int b = 0; b < kEncapsulationCount; ++b) {
                    if (!(conv.PeerEncapsulations & visible.Encapsulations).Has(static_cast<Encapsulation>(b))) continue;
                    link.Colours.push_back(BitColour(view, b));
                    weight = static_cast<double>(conv.FramesByEncapsulation[static_cast<size_t>(b)]) +
                             (reverse ? reverse->FramesByEncapsulation[static_cast<size_t>(b)] : 0);
                }
                link.PenWidth = PeerLineWidth(weight, state_.TotalFrames);
            } else {
                const FamilySet shown = conv.PeerFamilies() & visible.Families;
                for (int b = 0; b < kFamilyCount; ++b) {
                    if (!shown.Has(static_cast<ProtocolFamily>(b))) continue;
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

std::optional<PeerPopup> StationStatsContent::RightClick(int x, int y)
{
    const int hit = PeerMapHit(map_, x, y);
    if (hit < 0 || static_cast<size_t>(hit) >= mapAddresses_.size()) return std::nullopt;
    PeerPopup popup;
    popup.Station = hit;
    selectedKey_ = mapAddresses_[static_cast<size_t>(hit)];
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
    return quenlix::AddressCell(StationAddressText(state_, bytes, VendorOf(state_, station), GridShowOUI),
                                StationAddressText(state_, bytes, VendorOf(state_, station), false), bytes, 6);
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
        for (Encapsulation e : CodesInOrder<Encapsulation, kEncapsulationCount>())
            if (node.Encapsulations.Has(e)) encapsulations += (encapsulations.empty() ? "" : ",") + EncapsulationName(e);
        set(1, TextCell(encapsulations));
        std::string families;
        for (ProtocolFamily family : kAllFamilies)
            if (node.Families.Has(family)) families += (families.empty() ? "" : ",") + FamilyName(family);
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
        (node.StationFlags.Has(kFlagViewable) ? shown : hiddenRows_).push_back(std::move(row));
        ++totalRows_;
    }
    ShowRows(std::move(shown));
}

void StationStatsContent::Rebuild()
{
    caption_ = "Station - " + FileNameWithoutFolder(state_.Read.TraceFileName);
    // The chains are walked now, with the grid, so that the first paint is as quick as the next.
    chains_ = std::make_unique<StationChainCache>(state_);
    ResetCommonState(kStationKeyCount, state_.SourceStationCount);
    SetHeadings();
    SetMode(1);
    UpdateOUIBoxes();
    // The rows come after the boxes, so that their addresses follow "Show OUI".
    FillRows();
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
    found->second.StationFlags.Set(kFlagViewable, viewable);
    return true;
}

bool StationStatsContent::IsViewable(const std::string& addressBytes) const
{
    if (addressBytes.size() != 6) return false;
    const auto found = state_.Stations.find(MacString(reinterpret_cast<const uint8_t*>(addressBytes.data()), 6));
    return found != state_.Stations.end() && (found->second.StationFlags.Has(kFlagViewable));
}

}  // namespace quenlix
