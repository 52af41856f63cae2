#include "report/StateDump.h"

#include <algorithm>
#include <type_traits>

#include "model/Chains.h"
#include "ui/shared/JsonWriter.h"

namespace quenlix {

namespace {

template <size_t N>
std::string Hex(const PString<N>& s)
{
    return BytesToHex(s.Data(), std::min<size_t>(s.Length, N));
}

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& bytes)
{
    return BytesToHex(bytes.data(), N);
}

// The state's codes and sets as the numbers the analysis stores them as.
template <class Code>
    requires std::is_enum_v<Code>
int Number(Code code)
{
    return static_cast<int>(CodeIndex(code));
}

template <class Set>
    requires requires(Set set) { set.ToBits(); }
auto Number(Set set)
{
    return set.ToBits();
}

// ---- counters and tables --------------------------------------------------------

void WriteProtocolStats(JsonWriter& json, const AnalysisState& state)
{
    json.Key("ProtocolStats");
    json.BeginArray();
    for (const ProtocolStat& stat : state.ProtocolStats) {
        json.BeginObject();
        json.Field("Frames", stat.Frames);
        json.Field("GroupFrames", stat.GroupFrames);
        json.Field("Bytes", stat.Bytes);
        json.Field("EncapsSet", Number(stat.EncapsSet));
        json.EndObject();
    }
    json.EndArray();
}

void WriteRecentErrors(JsonWriter& json, const AnalysisState& state)
{
    json.Key("RecentErrors");
    json.BeginArray();
    for (const RecentError& error : state.RecentErrors) {
        json.BeginObject();
        json.Field("Source", Hex(error.Source));
        json.Field("Kind", error.Kind);
        json.EndObject();
    }
    json.EndArray();
}

// Entries 1..RingStationCount, never past the table whatever the count says.
void WriteRingOrder(JsonWriter& json, const AnalysisState& state)
{
    const int last = std::clamp(state.RingStationCount, 0, kRingOrderCapacity);
    json.Key("RingOrder");
    json.BeginArray();
    for (int i = 1; i <= last; ++i) {
        const RingEntry& entry = state.RingOrder[static_cast<size_t>(i)];
        json.BeginObject();
        json.Field("Address", Hex(entry.Address));
        json.Field("RingFlags", Number(entry.RingFlags));
        json.Field("SeenThisCycle", entry.SeenThisCycle);
        json.Field("RingVendor", entry.RingVendor);
        json.Field("RingMACInfo", entry.RingMACInfo);
        json.EndObject();
    }
    json.EndArray();
}

// Only a trace with tagged frames has the key, so other traces dump as before.
void WriteVlanFrames(JsonWriter& json, const AnalysisState& state)
{
    if (state.VlanFrames.empty()) return;
    json.Key("VlanFrames");
    json.BeginArray();
    for (const auto& [id, frames] : state.VlanFrames) {
        json.BeginObject();
        json.Field("Id", id);
        json.Field("Frames", frames);
        json.EndObject();
    }
    json.EndArray();
}

void WriteCounters(JsonWriter& json, const AnalysisState& state)
{
    json.Field("TotalFrames", state.TotalFrames);
    json.Field("FramesSeen", state.Read.FramesSeen);
    json.Field("TraceFormat", Number(state.Read.TraceFormat));
    json.Field("Topology", Number(state.Topology));
    json.Field("TokenRingSizeHasFCS", state.Read.TokenRingSizeHasFCS);
    json.Field("TraceStartDate", state.Read.TraceStartDate);
    json.Field("CaptureTimeClock", static_cast<int32_t>(state.Read.CaptureTimeClock));
    json.Field("FrameTimeOrigin", state.Read.FrameTimeOrigin);
    json.Field("FirstFrameTime", state.Read.FirstFrameTime);
    json.Field("LastFrameTime", state.Read.LastFrameTime);
    json.Field("ElapsedTime", state.ElapsedTime);
    json.Field("IntervalCount", state.IntervalCount);
    json.Field("TotalBytes", state.TotalBytes);
    json.Field("TotalBroadcastBytes", state.TotalBroadcastBytes);
    json.Field("TotalMulticastBytes", state.TotalMulticastBytes);
    json.IntArray("FrameStats", state.FrameStats);
    json.IntArray("UtilStats", state.UtilStats);
    json.IntArray("SizeDistribution", state.SizeDistribution);
    WriteProtocolStats(json, state);
    WriteRecentErrors(json, state);
    json.Field("RecentErrorsHead", state.RecentErrorsHead);
    json.Field("RecentErrorsTail", state.RecentErrorsTail);
    json.Field("LastFragmentFrame", state.LastFragmentFrame);
    WriteVlanFrames(json, state);
    json.Field("StationCount", state.StationCount);
    json.Field("SourceStationCount", state.SourceStationCount);
    json.Field("IPHostCount", state.IPHostCount);
    json.Field("IPSenderCount", state.IPSenderCount);
    json.Field("IPXHostCount", state.IPXHostCount);
    json.Field("IPXSenderCount", state.IPXSenderCount);
    json.Field("IPv6HostCount", state.IPv6HostCount);
    json.Field("IPv6SenderCount", state.IPv6SenderCount);
    json.Field("RoutedFrames", state.RoutedFrames);
    json.Field("MacFrames", state.MacFrames);
    json.IntArray("RingSoftErrorTotals", state.RingSoftErrorTotals);
    json.Field("RingStationCount", state.RingStationCount);
    WriteRingOrder(json, state);
    json.Field("SlicedFrames", state.Read.SlicedFrames);
    json.Field("ReadResult", state.Read.ReadResult);
    json.Field("ReadCancelled", state.Read.ReadCancelled);
}

// ---- chains ---------------------------------------------------------------------
// The walks of model/Chains.h end at any link that does not lead forward to a
// record of the expected kind, so a damaged state gives a finite dump.

void WriteDLCPeers(JsonWriter& json, const AnalysisState& state, const StationNode& station)
{
    json.Key("DLCPeers");
    json.BeginArray();
    for (int32_t index = FirstDLCPeer(state, station); index >= 0; index = NextDLCPeer(state, index)) {
        const TDLCPeer& peer = state.ObjectList.DLCPeer(index);
        json.BeginObject();
        json.Field("Index", index);
        json.Field("DestAddress", Hex(peer.DestAddress));
        json.Field("PeerFrameStatus", Number(peer.PeerFrameStatus));
        json.Field("PeerFamilies", Number(peer.PeerFamilies()));
        json.Field("PeerEncapsulations", Number(peer.PeerEncapsulations));
        json.Field("Frames", peer.Frames);
        json.Field("Bytes", peer.Bytes);
        json.IntArray("FramesByEncapsulation", peer.FramesByEncapsulation.ToArray());
        json.IntArray("FramesByFamily", peer.FramesByFamily.ToArray());
        json.Field("Next", peer.Next);
        json.EndObject();
    }
    json.EndArray();
}

void WriteMACInfos(JsonWriter& json, const AnalysisState& state, const StationNode& station)
{
    json.Key("MACInfo");
    json.BeginArray();
    for (const int32_t index : MACInfoChain(state, ErrorsOf(state, station).FirstMACInfo)) {
        const TMACInfo& info = state.ObjectList.MACInfo(index);
        json.BeginObject();
        json.Field("Index", index);
        json.Field("NAUN", Hex(info.NAUN));
        json.Field("NAUNVendor", info.NAUNVendor);
        json.IntArray("SoftErrors", info.SoftErrors);
        json.Field("Next", info.Next);
        json.EndObject();
    }
    json.EndArray();
}

void WritePacket(JsonWriter& json, const TPacket& packet)
{
    json.BeginObject();
    json.Field("FrameNo", packet.FrameNo);
    json.Field("Time", packet.Time);
    json.Field("Length", packet.Length);
    json.Field("PacketFlags", Number(packet.PacketFlags));
    // Printed as reals, as they always were (a real of a million prints as 1e+06).
    json.Field("Seq", static_cast<double>(packet.Seq));
    json.Field("Ack", static_cast<double>(packet.Ack));
    json.Field("RetransDepth", packet.RetransDepth());
    json.EndObject();
}

// The packets of one chain: counted always, listed on request.
void WritePacketChain(JsonWriter& json, const AnalysisState& state, int first, bool listPackets)
{
    int packetCount = 0;
    int gapMarkers = 0;
    if (listPackets) {
        json.Key("Packets");
        json.BeginArray();
    }
    for (int32_t index = FirstPacket(state, first); index >= 0; index = NextPacketOf(state, index)) {
        const TPacket& packet = state.PacketList[static_cast<size_t>(index)];
        if (packet.PacketFlags.Has(kPktGapMarker)) ++gapMarkers;
        else ++packetCount;
        if (listPackets) WritePacket(json, packet);
    }
    if (listPackets) json.EndArray();
    json.Field("PacketCount", packetCount);
    json.Field("GapMarkers", gapMarkers);
}

void WriteTransHeads(JsonWriter& json, const AnalysisState& state, int32_t peerIndex, bool listPackets)
{
    json.Key("Transactions");
    json.BeginArray();
    for (int32_t index = FirstTransHead(state, peerIndex); index >= 0; index = NextTransHead(state, index)) {
        const TTransHead& head = state.ObjectList.TransHead(index);
        json.BeginObject();
        json.Field("Index", index);
        json.Field("App", Number(head.App));
        json.Field("SrcPort", head.SrcPort);
        json.Field("DstPort", head.DstPort);
        json.Field("FirstPacket", head.FirstPacket);
        json.Field("NextTrans", head.NextTrans);
        WritePacketChain(json, state, head.FirstPacket, listPackets);
        json.EndObject();
    }
    json.EndArray();
}

void WriteNetPeers(JsonWriter& json, const AnalysisState& state, const NetNode& node, bool listPackets)
{
    json.Key("Peers");
    json.BeginArray();
    for (int32_t index = FirstNetPeer(state, node); index >= 0; index = NextNetPeer(state, index)) {
        const TNetPeer& peer = state.ObjectList.NetPeer(index);
        json.BeginObject();
        json.Field("Index", index);
        json.Field("PeerAddress", Hex(PeerAddressOf(state, peer)));
        json.Field("Protocols", Number(peer.Protocols));
        json.Field("Hops", peer.Hops);
        json.Field("FirstTrans", peer.FirstTrans);
        json.Field("Frames", peer.Frames);
        json.Field("Bytes", peer.Bytes);
        json.IntArray("FramesByProtocol", peer.FramesByProtocol.ToArray());
        json.Field("Next", peer.Next);
        WriteTransHeads(json, state, index, listPackets);
        json.EndObject();
    }
    json.EndArray();
}

// ---- trees ----------------------------------------------------------------------

void WriteStation(JsonWriter& json, const AnalysisState& state, const StationNode& s)
{
    const StationErrorRecord& errors = ErrorsOf(state, s);
    const StationVisibleSets visible = VisibleSetsOf(state, s);
    json.BeginObject();
    json.Field("Address", Hex(s.Address));
    json.Field("Vendor", VendorOf(state, s));
    json.Field("FramesSent", s.FramesSent);
    json.Field("BytesSent", s.BytesSent);
    json.Field("FramesReceived", s.FramesReceived);
    json.Field("BytesReceived", s.BytesReceived);
    json.Field("GroupFramesSent", s.GroupFramesSent);
    json.Field("BadFCSSent", errors.BadFCSSent);
    json.Field("CollisionSuspects", errors.CollisionSuspects);
    json.Field("FirstDLCPeer", s.FirstDLCPeer);
    json.Field("StationFlags", Number(s.StationFlags));
    json.Field("FrameStatus", Number(s.FrameStatus));
    json.Field("VisibleFrameStatus", Number(visible.FrameStatus));
    json.Field("SoftErrorKinds", errors.SoftErrorKinds);
    json.Field("Families", Number(s.Families));
    json.Field("VisibleFamilies", Number(visible.Families));
    json.Field("Encapsulations", Number(s.Encapsulations));
    json.Field("VisibleEncapsulations", Number(visible.Encapsulations));
    json.Field("FirstMACInfo", errors.FirstMACInfo);
    WriteDLCPeers(json, state, s);
    WriteMACInfos(json, state, s);
    json.EndObject();
}

void WriteNetNode(JsonWriter& json, const AnalysisState& state, const NetNode& n, bool listPackets)
{
    json.BeginObject();
    json.Field("Address", Hex(n.Address));
    json.Key("Station");
    if (const StationNode* station = StationOf(state, n)) json.String(Hex(station->Address));
    else json.Null();
    json.Field("FramesSent", n.FramesSent);
    json.Field("BytesSent", n.BytesSent);
    json.Field("FramesReceived", n.FramesReceived);
    json.Field("BytesReceived", n.BytesReceived);
    json.Field("FirstPeer", n.FirstPeer);
    json.Field("NetFlags", Number(n.NetFlags));
    json.Field("Protocols", Number(n.Protocols));
    json.Field("VisibleProtocols", Number(VisibleProtocolsOf(state, n)));
    json.Field("Kind", Number(n.Kind));
    WriteNetPeers(json, state, n, listPackets);
    json.EndObject();
}

void WriteNames(JsonWriter& json, const AnalysisState& state)
{
    json.Key("Names");
    json.BeginArray();
    for (const auto& [key, nameIndex] : state.Names) {
        json.BeginObject();
        json.Field("Key", Hex(key));
        json.Key("Name");
        if (state.ObjectList.Holds(ObjectKind::NameHead, nameIndex)) json.String(state.ObjectList.NameHead(nameIndex).Name);
        else json.Null();
        json.EndObject();
    }
    json.EndArray();
}

}  // namespace

std::string BytesToHex(const uint8_t* data, size_t length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

std::string StateDumpJson(const AnalysisState& state, const StateDumpOptions& options)
{
    JsonWriter json;
    json.BeginObject();
    WriteCounters(json, state);

    json.Key("Stations");
    json.BeginArray();
    for (const auto& entry : state.Stations) WriteStation(json, state, entry.second);
    json.EndArray();

    json.Key("NetworkNodes");
    json.BeginArray();
    for (const auto& entry : state.NetworkNodes) WriteNetNode(json, state, entry.second, options.WithPackets);
    json.EndArray();

    WriteNames(json, state);
    json.Field("PacketCount", static_cast<int64_t>(state.PacketList.size()));
    json.EndObject();
    return json.Text();
}

}  // namespace quenlix
