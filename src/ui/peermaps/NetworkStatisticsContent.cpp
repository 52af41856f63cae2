#include "ui/peermaps/NetworkStatisticsContent.h"

#include <algorithm>

#include "model/Naming.h"
#include "model/NumberFormat.h"
#include "model/TransactionAnalysis.h"
#include "ui/main/ClientServerContent.h"
#include "ui/peermaps/PeerChainCache.h"

namespace quenlix {

namespace {

using namespace peercolours;

constexpr int kMaxLineColours = 16;

// Protocol bit -> key, in IP, IPX and IPv6 mode (0: no key). IPv6 mode has IP
// mode's keys, with ICMPv6 where ICMP is.
constexpr std::array<int, kAppCount> kIPKeys{3, 6, 5, 2, 4, 1, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<int, kAppCount> kIPXKeys{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 0, 5, 7, 8, 10, 9, 6, 0, 0, 11, 0, 0};
constexpr std::array<int, kAppCount> kIPv6Keys{0, 6, 5, 2, 4, 1, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3};

constexpr std::array<RGBColour, kNetworkKeyCount> kKeyColours{kFuchsia, kLime, kAqua,   kBlue,  kYellow, kTeal,
                                                              kNavy,    kPurple, kMaroon, kOlive, kGreen};

const std::array<std::array<const char*, kNetworkKeyCount>, kNetMapModeCount> kKeyCaptions{{
    {"UDP", "TCP", "ICMP", "EGP", "GGP", "IGMP", "IGRP", "Other", "", "", ""},
    {"NCP", "SPX", "SPXII", "NetBIOS", "RIP", "SAP", "PBurst", "Echo", "WANBdcast", "Error", "Other"},
    {"No Hops", "1 Hop", "2 Hops", "3 Hops", "4 Hops", "5 Hops", "6 Hops", "7 Hops", "8 Hops", "9 Hops", "10+ Hops"},
    {"UDP", "TCP", "ICMPv6", "EGP", "GGP", "IGMP", "IGRP", "Other", "", "", ""},
}};

// IP and IPv6 mode show the eight keys of the IP applications.
bool IsIPMode(int mode) { return mode == static_cast<int>(NetMapMode::IP) || mode == static_cast<int>(NetMapMode::IPv6); }
int ShownKeyCount(int mode) { return IsIPMode(mode) ? 8 : kNetworkKeyCount; }

// Caption text readable on a key's colour: white on the dark ones.
bool ProtocolBitHasOwnColour(int bit)
{
    return !(bit == 7 || bit == 12 || bit == 19 || bit == 20 || bit == 21 || bit == 22);
}

bool KindMatches(const NetNode& node, NetMapMode mode)
{
    if (mode == NetMapMode::IP) return node.Kind == kNetworkIP;
    if (mode == NetMapMode::IPv6) return node.Kind == kNetworkIPv6;
    return IsIPXKind(node.Kind);
}

bool IsGroupPeer(const AnalysisState& state, const NetNode& peer)
{
    const StationNode* station = StationOf(state, peer);
    return station != nullptr && IsGroupAddress(state.Topology, station->Address.Data());
}

bool PassesDestination(PeerDestination destination, bool group)
{
    if (destination == PeerDestination::All) return true;
    return destination == PeerDestination::Broadcast ? group : !group;
}

}  // namespace

// The network chains, with what a paint tests of every node copied beside them
// and each conversation's hop count summed over both directions.
struct NetworkChainCache : PeerChainCache<NetworkChainWalk> {
    std::vector<ApplicationSet> NodeProtocols;  // each node's Protocols
    std::vector<uint8_t> GroupPeer;      // whether each node's MAC station is a group address

    explicit NetworkChainCache(AnalysisState& state) : PeerChainCache(state)
    {
        NodeProtocols.reserve(Nodes.size());
        GroupPeer.reserve(Nodes.size());
        for (const NetNode* node : Nodes) {
            NodeProtocols.push_back(node->Protocols);
            GroupPeer.push_back(IsGroupPeer(state, *node) ? 1 : 0);
        }
        for (Conversation& c : Conversations)
            if (c.Reverse >= 0) c.Hops += state.ObjectList.LookAtNetPeer(c.Reverse, [](const TNetPeer& peer) { return peer.Hops; });
    }
};

int NetworkKeyOfBit(int bit, NetMapMode mode)
{
    if (bit < 0 || bit >= kAppCount) return 0;
    if (mode == NetMapMode::IP) return kIPKeys[static_cast<size_t>(bit)];
    if (mode == NetMapMode::IPv6) return kIPv6Keys[static_cast<size_t>(bit)];
    return kIPXKeys[static_cast<size_t>(bit)];
}

NetworkStatisticsContent::~NetworkStatisticsContent() = default;

NetworkStatisticsContent::NetworkStatisticsContent(AnalysisState& state)
    : PeerWindowContent(state), key8Colour_(kPurple), key11Colour_(kGreen)
{
    keyStates_.assign(kNetMapModeCount, std::vector<bool>(kNetworkKeyCount, true));
    SetHeadings();
    grid_.SetRowCount(1);
}

std::string NetworkStatisticsContent::Caption() const { return caption_.empty() ? "Network" : caption_; }

const std::vector<GridColumn>& NetworkStatisticsContent::Columns() const
{
    using A = GridAlignment;
    // The JSON report keys these columns by their header texts, as it always has.
    static const std::vector<GridColumn> columns{
        {"Network Address", A::Right, "", "Network Address"},
        {"Protocols", A::Left, "", "Protocols"},
        {"Dests", A::Right, "", "Dests"},
        {"Total Pkts", A::Right, "", "Total Pkts"},
        {"Total Bytes", A::Right, "", "Total Bytes"},
        {"Utilization", A::Right, "", "Utilization"},
        {"Ave Send", A::Right, "", "Ave Send"},
        {"Ave Recv", A::Right, "", "Ave Recv"},
        {"Pkt Ratio", A::Right, "", "Pkt Ratio"},
    };
    return columns;
}

RGBColour NetworkStatisticsContent::KeyColour(int key) const
{
    if (key == 8) return key8Colour_;
    if (key == 11) return key11Colour_;
    return kKeyColours[static_cast<size_t>(std::clamp(key, 1, kNetworkKeyCount) - 1)];
}

PeerKeyPanel NetworkStatisticsContent::Keys() const
{
    PeerKeyPanel panel;
    const int mode = std::clamp(mode_, 0, kNetMapModeCount - 1);
    const int shown = ShownKeyCount(mode);
    panel.GroupHeight = IsIPMode(mode) ? 203 : 263;
    for (int k = 1; k <= kNetworkKeyCount; ++k) {
        PeerKeyBox box;
        box.Caption = kKeyCaptions[static_cast<size_t>(mode)][static_cast<size_t>(k - 1)];
        box.Colour = KeyColour(k);
        box.TextColour = TextOn(box.Colour);
        box.Visible = k <= shown;
        panel.Boxes.push_back(std::move(box));
    }
    return panel;
}

void NetworkStatisticsContent::SetMode(int mode)
{
    mode_ = std::clamp(mode, 0, kNetMapModeCount - 1);
    // Key 8 and key 11 mean "Other" in IP (and IPv6) and IPX mode and take the
    // colour of those lines (black); the hop mode keeps whatever they had.
    if (IsIPMode(mode_)) key8Colour_ = dlccolours::kButtonText;
    if (mode_ == 1) {
        key8Colour_ = kPurple;
        key11Colour_ = dlccolours::kButtonText;
    }
    MapShowOUIEnabled = !IsIPMode(mode_);
    mapRepaintEnabled_ = false;
    const int keys = ShownKeyCount(mode_);
    for (int k = 1; k <= keys; ++k) ClickKey(k, keyStates_[static_cast<size_t>(mode_)][static_cast<size_t>(k - 1)]);
    mapRepaintEnabled_ = true;
}

bool NetworkStatisticsContent::ClickKey(int key, bool checked)
{
    if (key < 1 || key > kNetworkKeyCount) return false;
    keyStates_[static_cast<size_t>(mode_)][static_cast<size_t>(key - 1)] = checked;
    bool changed = false;
    const NetMapMode mode = MapMode();
    if (mode == NetMapMode::IPXHops) {
        changed = !state_.NetworkNodes.empty();
    } else {
        int bit = -1;
        for (int b = 0; b < kAppCount; ++b)
            if (NetworkKeyOfBit(b, mode) == key) bit = b;
        if (bit < 0) return false;  // keys 9..11 in IP and IPv6 mode
        const int32_t mask = static_cast<int32_t>(1u << bit);
        for (auto& [address, node] : state_.NetworkNodes) {
            if (!(node.Protocols.ToBits() & mask)) continue;
            const int32_t visible = VisibleProtocolsOf(state_, node).ToBits();
            SetVisibleProtocols(state_, node, ApplicationSet::FromBits(checked ? visible | mask : visible & ~mask));
            changed = true;
        }
    }
    return changed && mapRepaintEnabled_;
}

bool NetworkStatisticsContent::IsCandidateKind(const NetNode& node) const { return KindMatches(node, MapMode()); }

std::string NetworkStatisticsContent::LabelText(const NetNode& node) const
{
    if (MapSmartNames) {
        std::string name = LookupName(state_, node.Address);
        if (!name.empty()) return name;
    }
    return NetAddressText(state_, node.Address, MapShowOUI);
}

PeerMapInput NetworkStatisticsContent::MapInput()
{
    const NetMapMode mode = MapMode();
    if (!chains_ || !chains_->Fits(state_)) chains_ = std::make_unique<NetworkChainCache>(state_);
    const NetworkChainCache& chains = *chains_;
    for (NetNode* node : chains.Nodes) node->NetFlags.Remove(kFlagOnMap);

    const auto& hopKeys = keyStates_[2];
    const auto passes = [&](const NetworkChainCache::Conversation& c) {
        return PassesDestination(Destination, chains.GroupPeer[static_cast<size_t>(c.Peer)] != 0);
    };
    const auto visible = [&](ApplicationSet visibleProtocols, const NetworkChainCache::Conversation& c) {
        if (mode == NetMapMode::IPXHops) return static_cast<bool>(hopKeys[static_cast<size_t>(std::min(c.Hops, 10))]);
        return visibleProtocols.Meets(chains.NodeProtocols[static_cast<size_t>(c.Peer)]);
    };
    for (const auto& sender : chains.Senders) {
        NetNode& node = *chains.Nodes[static_cast<size_t>(sender.Node)];
        if (!(node.NetFlags.Has(kFlagViewable)) || !KindMatches(node, mode)) continue;
        const ApplicationSet visibleProtocols = VisibleProtocolsOf(state_, node);
        bool any = false;
        for (size_t i = sender.Begin; i < sender.End; ++i) {
            const auto& c = chains.Conversations[i];
            if (!passes(c) || !visible(visibleProtocols, c)) continue;
            chains.Nodes[static_cast<size_t>(c.Peer)]->NetFlags |= kFlagOnMap;
            any = true;
        }
        if (any) node.NetFlags |= kFlagOnMap;
    }

    PeerMapInput input;
    input.CutLabels = true;
    std::vector<int> indexOf(chains.Nodes.size(), -1);
    mapAddresses_.clear();
    for (size_t ordinal = 0; ordinal < chains.Nodes.size(); ++ordinal) {
        const NetNode& node = *chains.Nodes[ordinal];
        if (!(node.NetFlags.Has(kFlagOnMap))) continue;
        indexOf[ordinal] = static_cast<int>(input.Stations.size());
        mapAddresses_.push_back(KeyBytes(node.Address));
        // Stations beyond the last point all show the overflow label.
        std::string label = input.Stations.size() + 1 >= static_cast<size_t>(kPeerMapPoints) ? "" : LabelText(node);
        input.Stations.push_back({std::move(label), {}, (node.NetFlags.Has(kFlagSender)) != 0});
    }

    for (const auto& sender : chains.Senders) {
        const NetNode& node = *chains.Nodes[static_cast<size_t>(sender.Node)];
        const int from = indexOf[static_cast<size_t>(sender.Node)];
        if (!(node.NetFlags.Has(kFlagViewable)) || from < 0) continue;
        const ApplicationSet visibleProtocols = VisibleProtocolsOf(state_, node);
        for (size_t i = sender.Begin; i < sender.End; ++i) {
            const auto& c = chains.Conversations[i];
            const int to = indexOf[static_cast<size_t>(c.Peer)];
            // Both ends on the shared overflow point: a line of no length.
            if (to < 0 || (from >= kPeerMapPoints - 1 && to >= kPeerMapPoints - 1) || !passes(c)) continue;
            PeerMapLink link{from, to, {}, 1};
            if (mode == NetMapMode::IPXHops) {
                const int key = std::min(c.Hops, 10) + 1;
                if (hopKeys[static_cast<size_t>(key - 1)]) link.Colours.push_back(KeyColour(key));
            } else {
                double weight = 0;
                const int32_t drawn = (c.Protocols & visibleProtocols).ToBits();
                if (drawn == 0) continue;
                const TNetPeer& conv = state_.ObjectList.NetPeer(c.Index);
                for (int b = 0; b < kAppCount && static_cast<int>(link.Colours.size()) < kMaxLineColours; ++b) {
                    const int32_t mask = static_cast<int32_t>(1u << b);
                    if (!(drawn & mask)) continue;
                    const int key = NetworkKeyOfBit(b, mode);
                    link.Colours.push_back(ProtocolBitHasOwnColour(b) && key != 0 ? KeyColour(key)
                                                                                  : dlccolours::kButtonText);
                    weight = static_cast<double>(conv.FramesByProtocol[static_cast<size_t>(b)]) +
                             (c.Reverse >= 0 ? state_.ObjectList.LookAtNetPeer(c.Reverse, [b](const TNetPeer& peer) {
                                 return peer.FramesByProtocol[static_cast<size_t>(b)];
                             })
                                             : 0);
                }
                link.PenWidth = PeerLineWidth(weight, state_.TotalFrames);
            }
            if (!link.Colours.empty()) input.Links.push_back(std::move(link));
        }
    }
    return input;
}

std::optional<PeerPopup> NetworkStatisticsContent::RightClick(int x, int y)
{
    const int hit = PeerMapHit(map_, x, y);
    if (hit < 0 || static_cast<size_t>(hit) >= mapAddresses_.size()) return std::nullopt;
    const std::string& key = mapAddresses_[static_cast<size_t>(hit)];
    const NetNode* node = FindNetNode(state_, NetString(reinterpret_cast<const uint8_t*>(key.data()), key.size()));
    if (node == nullptr) return std::nullopt;
    PeerPopup popup;
    popup.Station = hit;
    if (!IsIPXKind(node->Kind)) {
        SelectedAddressText = NetAddressText(state_, node->Address, false);
        SelectedAddressOUIText.clear();
    } else {
        SelectedAddressText = IPXToText(state_, node->Address.Data(), false, false);
        SelectedAddressOUIText = IPXToText(state_, node->Address.Data(), false, MapShowOUI);
    }
    const StationNode* station = StationOf(state_, *node);
    popup.DLCCaption = station == nullptr ? "No DLC Address" : "DLC Address is " + DLCAddressText(state_, *station);
    selectedKey_ = key;
    popup.ToolboxEnabled = RowOfKey(selectedKey_) != 0;
    popup.StatisticsEnabled = popup.ToolboxEnabled;
    return popup;
}

// ---- statistics grid ---------------------------------------------------------------------

GridCell NetworkStatisticsContent::AddressCell(const NetNode& node) const
{
    if (GridSmartNames) {
        std::string name = LookupName(state_, node.Address);
        if (!name.empty()) return TextCell(std::move(name));
    }
    const uint8_t* bytes = node.Address.Data();
    if (!IsIPXKind(node.Kind)) {
        std::string text = node.Kind == kNetworkIP ? IPToText(bytes, true) : IPv6ToText(bytes);
        return quenlix::AddressCell(text, text, bytes, node.Address.Length);
    }
    return quenlix::AddressCell(IPXToText(state_, bytes, false, GridShowOUI), IPXToText(state_, bytes, false, false),
                                bytes, node.Address.Length);
}

void NetworkStatisticsContent::FillRows()
{
    std::vector<GridRow> shown;
    totalRows_ = 0;
    for (const auto& [address, node] : state_.NetworkNodes) {
        if (!IsSender(node)) continue;
        GridRow row = NewRow(KeyBytes(node.Address));
        auto set = [&](int logical, GridCell cell) {
            row.Cells[static_cast<size_t>(positions_[static_cast<size_t>(logical)])] = std::move(cell);
        };
        set(0, AddressCell(node));
        std::string protocols;
        for (ApplicationCode app : CodesInOrder<ApplicationCode, kAppCount>())
            if (node.Protocols.Has(app)) protocols += (protocols.empty() ? "" : ",") + AppName(app);
        set(1, TextCell(protocols));
        int dests = 0;
        for (int32_t p = FirstNetPeer(state_, node); p >= 0 && PeerAddressOf(state_, state_.ObjectList.NetPeer(p)).Length > 0;
             p = NextNetPeer(state_, p))
            ++dests;
        set(2, CountCell(dests));
        set(3, CountCell(static_cast<int64_t>(node.FramesSent) + node.FramesReceived));
        set(4, CountCell(static_cast<int64_t>(node.BytesSent) + node.BytesReceived));
        set(5, UtilisationCell(state_, node.FramesSent, node.BytesSent));
        set(6, AverageSizeCell(node.BytesSent, node.FramesSent));
        set(7, AverageSizeCell(node.BytesReceived, node.FramesReceived));
        // The ratio sorts as it reads, as it always has.
        set(8, TextCell(RatioText(node.FramesSent, node.FramesReceived)));
        (node.NetFlags.Has(kFlagViewable) ? shown : hiddenRows_).push_back(std::move(row));
        ++totalRows_;
    }
    ShowRows(std::move(shown));
}

void NetworkStatisticsContent::Rebuild()
{
    caption_ = "Network - " + FileNameWithoutFolder(state_.Read.TraceFileName);
    // The chains are walked now, with the grid, so that the first paint is as quick as the next.
    chains_ = std::make_unique<NetworkChainCache>(state_);
    ResetCommonState(kNetworkKeyCount, state_.IPSenderCount + state_.IPv6SenderCount + state_.IPXSenderCount);
    SetHeadings();
    mode_ = static_cast<int>(InitialMode());
    SetMode(mode_);
    UpdateOUIBoxes();
    // The rows come after the boxes, so that their addresses follow "Show IPX Node by OUI".
    FillRows();
}

// The user's choice holds while the trace has senders of its kind; otherwise
// the map shows IP senders, else IPv6 senders, else IPX senders, and IPX when
// nothing sent at all.
NetMapMode NetworkStatisticsContent::InitialMode() const
{
    if (chosenMode_ && SenderCount(static_cast<NetMapMode>(*chosenMode_)) > 0)
        return static_cast<NetMapMode>(*chosenMode_);
    for (NetMapMode mode : {NetMapMode::IP, NetMapMode::IPv6, NetMapMode::IPX})
        if (SenderCount(mode) > 0) return mode;
    return NetMapMode::IPX;
}

int NetworkStatisticsContent::SenderCount(NetMapMode mode) const
{
    switch (mode) {
    case NetMapMode::IP: return state_.IPSenderCount;
    case NetMapMode::IPv6: return state_.IPv6SenderCount;
    case NetMapMode::IPX:
    case NetMapMode::IPXHops: break;
    }
    return state_.IPXSenderCount;
}

bool NetworkStatisticsContent::HasIPXFrames() const { return state_.ProtocolStats[kFamilyIPX].Frames > 0; }

void NetworkStatisticsContent::UpdateOUIBoxes()
{
    ShowOUIVisible = HasIPXFrames();
    const bool vendors = state_.VendorCount > 0;
    MapShowOUI = GridShowOUI = ShowOUIVisible && vendors;
    GridShowOUIEnabled = vendors;
    MapShowOUIEnabled = vendors && !IsIPMode(mode_);
}

std::optional<GridCell> NetworkStatisticsContent::AddressCellOf(const std::string& addressBytes) const
{
    if (addressBytes.empty()) return std::nullopt;
    NetString key(reinterpret_cast<const uint8_t*>(addressBytes.data()), std::min<size_t>(addressBytes.size(), NetString::Capacity));
    const auto found = state_.NetworkNodes.find(key);
    if (found == state_.NetworkNodes.end()) return std::nullopt;
    return AddressCell(found->second);
}

bool NetworkStatisticsContent::SetViewable(const std::string& addressBytes, bool viewable)
{
    NetString key(reinterpret_cast<const uint8_t*>(addressBytes.data()), std::min<size_t>(addressBytes.size(), NetString::Capacity));
    const auto found = state_.NetworkNodes.find(key);
    if (found == state_.NetworkNodes.end()) return false;
    found->second.NetFlags.Set(kFlagViewable, viewable);
    return true;
}

bool NetworkStatisticsContent::IsViewable(const std::string& addressBytes) const
{
    NetString key(reinterpret_cast<const uint8_t*>(addressBytes.data()), std::min<size_t>(addressBytes.size(), NetString::Capacity));
    const auto found = state_.NetworkNodes.find(key);
    return found != state_.NetworkNodes.end() && (found->second.NetFlags.Has(kFlagViewable));
}

}  // namespace quenlix
