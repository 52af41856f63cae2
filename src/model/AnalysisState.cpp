#include "model/AnalysisState.h"

#include <cstring>


namespace quenlix {

namespace {

constexpr std::size_t kNameCapacity = 41;
constexpr std::size_t kObjectListCapacity = 5000;
constexpr std::size_t kPacketListCapacity = 80000;

int ComparePrefix(const uint8_t* key, const std::array<uint8_t, 3>& prefix)
{
    return std::memcmp(key, prefix.data(), 3);
}

}  // namespace

int16_t FindVendor(const AnalysisState& state, const uint8_t* address)
{
    int lo = 1;
    int hi = state.VendorCount;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = ComparePrefix(address, state.VendorTable[static_cast<size_t>(mid)].Prefix);
        if (c == 0) return static_cast<int16_t>(mid);
        if (c < 0)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return 0;
}

void AddName(AnalysisState& state, const NetString& key, const std::string& name)
{
    if (state.Names.find(key) != state.Names.end()) return;  // the first name stays
    TNameHead head;
    head.Name = name.size() > kNameCapacity ? name.substr(0, kNameCapacity) : name;
    state.Names.emplace(key, state.ObjectList.Add(head));
}

const StationErrorRecord& StationErrorTable::Of(const StationTree& stations, const MacString& address) const
{
    static const StationErrorRecord kNone;
    if (byNumber_.empty()) return kNone;  // an Ethernet trace without errors: no lookup
    const auto found = byNumber_.find(stations.NumberOf(address));
    return found != byNumber_.end() ? found->second : kNone;
}

StationErrorRecord& StationErrorTable::For(const StationTree& stations, const MacString& address)
{
    const uint32_t number = stations.NumberOf(address);
    if (number == StationTree::kNoNumber) throw std::out_of_range("StationErrorTable: no such station");
    return byNumber_[number];
}

const StationNode* StationOf(const AnalysisResults& state, const NetNode& node)
{
    if (node.StationNumber == StationTree::kNoNumber) return nullptr;
    return &state.Stations.Numbered(node.StationNumber).second;
}

namespace {

// The filter a node has without the user's choice: the engine's, which is the
// node's own sets from its first frame sent on, and empty until then.
StationVisibleSets OwnVisibleSets(const StationNode& station)
{
    if (!IsSender(station)) return {};
    return {station.FrameStatus, station.Encapsulations, station.Families};
}

ApplicationSet OwnVisibleProtocols(const NetNode& node) { return IsSender(node) ? node.Protocols : ApplicationSet{}; }

// Keeps a filter in the table only while it differs from the node's own.
template <class Table, class Value>
void KeepFilter(Table& table, const typename Table::key_type& address, const Value& value, const Value& own)
{
    if (value == own)
        table.erase(address);
    else
        table.insert_or_assign(address, value);
}

}  // namespace

StationVisibleSets VisibleSetsOf(const AnalysisResults& state, const StationNode& station)
{
    const auto found = state.Filters.Stations.find(station.Address);
    return found != state.Filters.Stations.end() ? found->second : OwnVisibleSets(station);
}

void SetVisibleSets(AnalysisResults& state, const StationNode& station, const StationVisibleSets& sets)
{
    KeepFilter(state.Filters.Stations, station.Address, sets, OwnVisibleSets(station));
}

ApplicationSet VisibleProtocolsOf(const AnalysisResults& state, const NetNode& node)
{
    const auto found = state.Filters.NetworkNodes.find(node.Address);
    return found != state.Filters.NetworkNodes.end() ? found->second : OwnVisibleProtocols(node);
}

void SetVisibleProtocols(AnalysisResults& state, const NetNode& node, ApplicationSet protocols)
{
    KeepFilter(state.Filters.NetworkNodes, node.Address, protocols, OwnVisibleProtocols(node));
}

std::string LookupName(const AnalysisState& state, const NetString& key)
{
    const auto it = state.Names.find(key);
    if (it == state.Names.end()) return {};
    return state.ObjectList.NameHead(it->second).Name;
}

bool IsGroupAddress(TopologyCode topology, const uint8_t* address)
{
    return topology == kTopologyEthernet ? (address[0] & 0x01) != 0 : (address[0] & 0x80) != 0;
}

ReadEnd ReadEndOf(const AnalysisState& state)
{
    // An early end outranks a stop: the frames up to the stop may not all be there.
    if (state.Read.ReadResult != 0) return ReadEnd::EndedEarly;
    if (state.Read.ReadCancelled != 0) return ReadEnd::Stopped;
    return ReadEnd::Complete;
}

std::string CaptionAfterRead(const AnalysisState& state, std::string caption)
{
    if (ReadEndOf(state) != ReadEnd::Complete) caption += kPartialReadMark;
    return caption;
}

int64_t ReadEndFrame(const AnalysisState& state)
{
    return ReadEndOf(state) == ReadEnd::EndedEarly ? state.TotalFrames + 1 : state.TotalFrames;
}

int32_t BytesPerSecondForSpeed(int speed)
{
    switch (speed) {
    case 4: return 500000;
    case 10: return 1250000;
    case 16: return 2000000;
    case 100: return 12500000;
    default: return 0;
    }
}

void ResetStatistics(AnalysisState& s)
{
    s.IntervalCount = 0;
    s.RingSoftErrorTotals.fill(0);
    s.FrameStats.fill(0);
    s.UtilStats.fill(0);
    s.FrameStats[kStatSmallestFrame] = kSmallestFrameStart;
    s.ProtocolStats.fill(ProtocolStat{});
    for (RecentError& e : s.RecentErrors) e.Kind = kStatFrames;
    s.SizeDistribution.fill(0);
    s.VlanFrames.clear();
    s.RecentErrorsHead = 0;
    s.RecentErrorsTail = 1;
    s.ErrorsSeen = 0;
    s.SecFrames = s.SecBroadcastFrames = s.SecMulticastFrames = s.SecErrorFrames = 0;
    s.SecBytes = s.SecBroadcastBytes = s.SecMulticastBytes = 0;
    s.TotalBytes = s.TotalBroadcastBytes = s.TotalMulticastBytes = 0;
}

void ResetAnalysis(AnalysisState& s)
{
    // Every record of the previous trace goes, whatever the number of nodes.
    s.Stations.clear();
    s.NetworkNodes.clear();
    s.StationErrors.Clear();
    s.Filters = {};
    s.Names.clear();
    s.Index.Clear();
    s.ObjectList.Clear(kObjectListCapacity);
    s.PacketList.clear();
    s.TcpOptions.clear();
    s.PacketList.reserve(kPacketListCapacity);

    s.TotalFrames = 0;
    s.Read.FramesSeen = 0;
    s.StationCount = 0;
    s.SourceStationCount = 0;
    s.IPHostCount = 0;
    s.IPSenderCount = 0;
    s.IPXHostCount = 0;
    s.IPXSenderCount = 0;
    s.IPv6HostCount = 0;
    s.IPv6SenderCount = 0;
    s.RoutedFrames = 0;
    s.MacFrames = 0;
    s.RingStationCount = 0;
    s.RingOrder = {};
    s.Frame.IsAMPFrame = 0;
    s.Options.StopAtFrameMode = 0;
    s.Options.StopFrameNo = 0;
    s.Read.ReadResult = 0;
    s.Read.ReadCancelled = 0;
    s.Read.ReadEndText.clear();
    s.Read.ClippedFrames = 0;
    s.Read.SkippedFrames = 0;
    s.Read.SkippedRecords = 0;
    s.Read.SlicedFrames = 0;
    s.Read.CaptureTimeClock = CaptureClock::Unknown;
    s.Read.FrameTimeOrigin = 0;
    s.Read.FirstFrameTime = 0;
    s.Read.LastFrameTime = 0;
    // Whole entries, not only their identifications: a fragment of this trace
    // must never take the ports of a datagram of the previous one.
    s.FragmentPorts = {};
    s.FragmentPortsIndex = 0;
    s.Frame.FrameData.fill(0);
    s.Frame.LastFrameCopy.fill(0);
    s.Frame.NetOffset = 0;
    s.Frame.HaveNetAddrs = 0;

    s.LastFragmentFrame = -2;
    s.Read.MaxFrameBytes = kMaxFrameBytes;
    // The engine's one-second interval and the Token Ring error-monitor address.
    s.TickLength = 1000000.0;
    static const uint8_t kRingErrorMonitor[6] = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x08};
    s.RingErrorMonitorAddr.Assign(kRingErrorMonitor, 6);
    s.ElapsedTime = 0;
    s.PrevFrameTime = 0;
    s.LastTickTime = 0;

    s.LinkSpeed = static_cast<int16_t>(s.Topology == kTopologyTokenRing ? s.Options.TokenRingSpeed : s.Options.EthernetSpeed);
    if (const int32_t bps = BytesPerSecondForSpeed(s.LinkSpeed); bps != 0) s.LinkBytesPerSecond = bps;

    s.Read.LastPumpNanoseconds = 0;
    s.Read.FramesSincePumpCheck = 0;
    s.Read.ReadFinished = 0;
    s.Read.LingerTime = 0;
    s.Read.TraceFileSize = 0;
    s.Read.TraceFilePos = 0;
    ResetStatistics(s);
}

bool TraceHasNetworkPackets(const AnalysisState& state)
{
    return state.ProtocolStats[kFamilyIP].Frames > 0 || state.ProtocolStats[kFamilyIPv6].Frames > 0 ||
           state.ProtocolStats[kFamilyIPX].Frames > 0;
}

}  // namespace quenlix
