#pragma once
// Consistency checks of an analysis state after frames have been analysed: the
// counters agree with each other, every chain of the object and packet lists ends,
// and every object and packet index points inside its list at a record of the
// right kind. The fuzz targets run them after every input and the regression
// tests after every stored input. Each check returns the first violation found as
// a sentence, or the empty text when the state is sound.

#include <cstdint>
#include <numeric>
#include <set>
#include <sstream>
#include <string>

#include "model/AnalysisState.h"
#include "model/Chains.h"

namespace quenlix::fuzz {

namespace invariant_detail {

// Collects the first violation; later ones are ignored.
class Findings {
public:
    template <class... Parts>
    void Fail(const Parts&... parts)
    {
        if (!first_.empty()) return;
        std::ostringstream text;
        (text << ... << parts);
        first_ = text.str();
    }
    bool Clean() const { return first_.empty(); }
    const std::string& First() const { return first_; }

private:
    std::string first_;
};

inline int64_t Stat(const AnalysisState& s, int k) { return s.FrameStats[static_cast<std::size_t>(k)]; }

inline void CheckCounters(const AnalysisState& s, int64_t framesAnalysed, Findings& f)
{
    const int64_t frames = Stat(s, 6);
    if (framesAnalysed >= 0 && frames != framesAnalysed)
        f.Fail("FrameStats[6] is ", frames, " after ", framesAnalysed, " analysed frames");
    int64_t families = 0;
    for (const ProtocolStat& p : s.ProtocolStats) {
        families += p.Frames;
        if (p.GroupFrames > p.Frames) f.Fail("a family counts more group frames than frames");
    }
    if (families != frames) f.Fail("the families add up to ", families, " frames, not ", frames);
    const int64_t sizes = std::accumulate(s.SizeDistribution.begin(), s.SizeDistribution.end(), int64_t{0});
    if (sizes != frames) f.Fail("the size classes add up to ", sizes, " frames, not ", frames);
    if (Stat(s, 7) + Stat(s, 8) > frames) f.Fail("more broadcast and multicast frames than frames");
    if (Stat(s, 10) + Stat(s, 11) + Stat(s, 12) + Stat(s, 13) > frames) f.Fail("more encapsulated frames than frames");
    for (int k = 14; k <= 17; ++k)
        if (Stat(s, k) < 0 || Stat(s, k) > frames) f.Fail("error counter ", k, " is ", Stat(s, k));
    if (Stat(s, 17) > Stat(s, 14) || Stat(s, 17) > Stat(s, 15)) f.Fail("more CRC fragments than bad or short frames");
    if (frames > 0 && (Stat(s, 1) < 0 || Stat(s, 1) > Stat(s, 2))) f.Fail("smallest frame above the largest");
    if (Stat(s, 2) > s.Read.MaxFrameBytes) f.Fail("largest frame ", Stat(s, 2), " above MaxFrameBytes");
    if (s.RecentErrorsHead > 4 || s.RecentErrorsTail < 1 || s.RecentErrorsTail > 4)
        f.Fail("recent-error ring positions ", s.RecentErrorsHead, "/", s.RecentErrorsTail);
    if (s.RingStationCount < 0 || s.RingStationCount > kRingOrderCapacity)
        f.Fail("RingStationCount ", s.RingStationCount);
}

// Walks a chain from `first`; `next` gives a record's successor and `isEnd` the end
// marker. Every link must lead to a later record of the right kind, so the walk
// ends. Returns the records visited, or -1 after a violation.
template <class Valid, class Next>
int64_t WalkChain(int32_t first, int32_t endMark, const Valid& valid, const Next& next, const char* what,
                  int32_t& last, Findings& f)
{
    int64_t count = 0;
    last = -1;
    for (int32_t at = first; at != endMark;) {
        if (!valid(at)) {
            f.Fail(what, " chain reaches index ", at, ", which holds no such record");
            return -1;
        }
        ++count;
        last = at;
        const int32_t following = next(at);
        if (following != endMark && following <= at) {
            f.Fail(what, " chain leads back from ", at, " to ", following);
            return -1;
        }
        at = following;
    }
    return count;
}

struct ObjectCounts {
    int64_t MACInfos = 0, DLCPeers = 0, NetPeers = 0, TransHeads = 0, NameHeads = 0, Packets = 0;
};

inline void CheckStations(const AnalysisState& s, ObjectCounts& seen, Findings& f)
{
    const ObjectStore& objects = s.ObjectList;
    if (static_cast<int64_t>(s.Stations.size()) != s.StationCount)
        f.Fail("StationCount ", s.StationCount, " but ", s.Stations.size(), " stations");
    if (s.SourceStationCount > s.StationCount) f.Fail("SourceStationCount above StationCount");
    int64_t senders = 0;
    for (const auto& [address, station] : s.Stations) {
        if (!(address == station.Address)) f.Fail("a station node is filed under another address");
        int32_t last = -1;
        const int64_t macs = WalkChain(
            ErrorsOf(s, station).FirstMACInfo, -1, [&](int32_t i) { return objects.Holds(ObjectKind::MACInfo, i); },
            [&](int32_t i) { return objects.MACInfo(i).Next; }, "MAC information", last, f);
        if (macs > 0) seen.MACInfos += macs;
        if (!station.StationFlags.HasAll({kFlagSender, kFlagViewable})) {
            if (station.FirstDLCPeer != 0) f.Fail("a station that never sent has a DLC chain");
            continue;
        }
        ++senders;
        // A DLC chain ends at 0; its first record may sit at index 0 itself.
        if (!objects.Holds(ObjectKind::DLCPeer, station.FirstDLCPeer)) {
            f.Fail("a sending station's first DLC record is index ", station.FirstDLCPeer);
            continue;
        }
        int64_t dlcs = 1;
        int64_t frames = objects.DLCPeer(station.FirstDLCPeer).Frames;
        last = station.FirstDLCPeer;
        const int32_t second = objects.DLCPeer(station.FirstDLCPeer).Next;
        if (second != 0) {
            if (second <= station.FirstDLCPeer) f.Fail("DLC chain leads back from ", station.FirstDLCPeer);
            int32_t tail = -1;
            const int64_t rest = WalkChain(
                second, 0, [&](int32_t i) { return objects.Holds(ObjectKind::DLCPeer, i); },
                [&](int32_t i) { return objects.DLCPeer(i).Next; }, "DLC", tail, f);
            if (rest < 0) continue;
            dlcs += rest;
            last = tail;
            for (int32_t i = second; i != 0; i = objects.DLCPeer(i).Next) frames += objects.DLCPeer(i).Frames;
        }
        seen.DLCPeers += dlcs;
        const int32_t recordedLast = s.Index.Tails.LastOf(station.FirstDLCPeer);
        if (recordedLast != last) f.Fail("the DLC chain's recorded end is ", recordedLast, " but the chain ends at ", last);
        if (frames != station.FramesSent)
            f.Fail("a station sent ", station.FramesSent, " frames but its DLC records count ", frames);
    }
    if (senders != s.SourceStationCount) f.Fail("SourceStationCount ", s.SourceStationCount, " but ", senders, " senders");
}

// The packets of one application chain: every index inside the list, each packet's
// PrevPacket the one before it, and LastPacket the chain's end.
inline void CheckPackets(const AnalysisState& s, const TTransHead& head, ObjectCounts& seen, Findings& f)
{
    const int64_t size = static_cast<int64_t>(s.PacketList.size());
    int32_t last = -1;
    int32_t previous = -1;
    const int64_t packets = WalkChain(
        head.FirstPacket, -1, [&](int32_t i) { return i >= 0 && i < size; },
        [&](int32_t i) {
            const TPacket& p = s.PacketList[static_cast<std::size_t>(i)];
            if (p.PrevPacket != previous) f.Fail("packet ", i, " names ", p.PrevPacket, " as its predecessor, not ", previous);
            previous = i;
            return p.NextPacket;
        },
        "packet", last, f);
    if (packets < 0) return;
    seen.Packets += packets;
    if (head.LastPacket != last) f.Fail("LastPacket ", head.LastPacket, " but the chain ends at ", last);
}

inline void CheckNetPeer(const AnalysisState& s, int32_t peerIndex, ObjectCounts& seen, Findings& f)
{
    const ObjectStore& objects = s.ObjectList;
    const TNetPeer& peer = objects.NetPeer(peerIndex);
    const auto counts = peer.FramesByProtocol.ToArray();
    const int64_t byProtocol = std::accumulate(counts.begin(), counts.end(), int64_t{0});
    if (byProtocol != peer.Frames) f.Fail("a conversation counts ", peer.Frames, " frames but ", byProtocol, " by protocol");
    int32_t last = -1;
    const int64_t heads = WalkChain(
        peer.FirstTrans, -1, [&](int32_t i) { return objects.Holds(ObjectKind::TransHead, i); },
        [&](int32_t i) { return objects.TransHead(i).NextTrans; }, "application", last, f);
    if (heads < 0) return;
    if (heads == 0) f.Fail("a conversation without an application record");
    seen.TransHeads += heads;
    if (const int32_t end = s.Index.Tails.LastOf(peer.FirstTrans); end != last)
        f.Fail("the application chain's end is ", end, " but the chain ends at ", last);
    if (PeerNodeOf(s, peer) == nullptr) f.Fail("a conversation's peer is node ", peer.PeerNode, ", not one of the tree");
    for (int32_t h = peer.FirstTrans; h != -1; h = objects.TransHead(h).NextTrans) CheckPackets(s, objects.TransHead(h), seen, f);
}

inline void CheckNetworkNodes(const AnalysisState& s, ObjectCounts& seen, Findings& f)
{
    const ObjectStore& objects = s.ObjectList;
    if (static_cast<int64_t>(s.NetworkNodes.size()) != int64_t{s.IPHostCount} + s.IPv6HostCount + s.IPXHostCount)
        f.Fail(s.NetworkNodes.size(), " network nodes but ", s.IPHostCount, " IP, ", s.IPv6HostCount, " IPv6 and ",
               s.IPXHostCount, " IPX hosts");
    if (s.IPSenderCount > s.IPHostCount || s.IPv6SenderCount > s.IPv6HostCount || s.IPXSenderCount > s.IPXHostCount)
        f.Fail("more senders than hosts");
    int64_t senders = 0;
    for (const auto& [address, node] : s.NetworkNodes) {
        if (!(address == node.Address)) f.Fail("a network node is filed under another address");
        if (node.Address.Length != NetworkAddressBytes(node.Kind)) f.Fail("a network node of kind ", static_cast<int>(node.Kind), " has a ", static_cast<int>(node.Address.Length), "-byte address");
        if (node.StationNumber != StationTree::kNoNumber && node.StationNumber >= s.Stations.size())
            f.Fail("a network node names station ", node.StationNumber, " of ", s.Stations.size());
        if (!node.NetFlags.HasAll({kFlagSender, kFlagViewable})) continue;
        ++senders;
        if (!objects.Holds(ObjectKind::NetPeer, node.FirstPeer)) {
            f.Fail("a sending node's first conversation is index ", node.FirstPeer);
            continue;
        }
        int32_t last = -1;
        const int64_t peers = WalkChain(
            node.FirstPeer, 0, [&](int32_t i) { return objects.Holds(ObjectKind::NetPeer, i); },
            [&](int32_t i) { return objects.NetPeer(i).Next; }, "conversation", last, f);
        if (peers < 0) continue;
        seen.NetPeers += peers;
        if (const int32_t end = s.Index.Tails.LastOf(node.FirstPeer); end != last)
            f.Fail("the conversation chain's end is ", end, " but the chain ends at ", last);
        int64_t frames = 0;
        for (int32_t p = node.FirstPeer; p != 0; p = objects.NetPeer(p).Next) {
            frames += objects.NetPeer(p).Frames;
            CheckNetPeer(s, p, seen, f);
        }
        if (frames != node.FramesSent) f.Fail("a node sent ", node.FramesSent, " frames but its conversations count ", frames);
    }
    if (senders != int64_t{s.IPSenderCount} + s.IPv6SenderCount + s.IPXSenderCount)
        f.Fail(senders, " sending nodes but ", s.IPSenderCount, " IP, ", s.IPv6SenderCount, " IPv6 and ", s.IPXSenderCount,
               " IPX senders");
}

inline void CheckNames(const AnalysisState& s, ObjectCounts& seen, Findings& f)
{
    std::set<int32_t> heads;
    for (const auto& [address, index] : s.Names) {
        if (!s.ObjectList.Holds(ObjectKind::NameHead, index)) {
            f.Fail("a name points at index ", index, ", which holds no name");
            continue;
        }
        if (!heads.insert(index).second) f.Fail("two addresses share name record ", index);
        if (s.ObjectList.NameHead(index).Name.size() > 41) f.Fail("a name longer than 41 characters");
    }
    seen.NameHeads = static_cast<int64_t>(heads.size());
}

// Every record of the lists is reached from exactly one chain: none is lost, none shared.
inline void CheckEveryRecordReached(const AnalysisState& s, const ObjectCounts& seen, Findings& f)
{
    ObjectCounts held;
    for (int i = 0; i < s.ObjectList.Count(); ++i) {
        switch (s.ObjectList.KindOf(i)) {
        case ObjectKind::MACInfo: ++held.MACInfos; break;
        case ObjectKind::DLCPeer: ++held.DLCPeers; break;
        case ObjectKind::NetPeer: ++held.NetPeers; break;
        case ObjectKind::TransHead: ++held.TransHeads; break;
        case ObjectKind::NameHead: ++held.NameHeads; break;
        }
    }
    const auto compare = [&f](const char* what, int64_t reached, int64_t stored) {
        if (reached != stored) f.Fail(what, ": ", stored, " stored but ", reached, " reached from the chains");
    };
    compare("MAC information records", seen.MACInfos, held.MACInfos);
    compare("DLC records", seen.DLCPeers, held.DLCPeers);
    compare("conversation records", seen.NetPeers, held.NetPeers);
    compare("application records", seen.TransHeads, held.TransHeads);
    compare("name records", seen.NameHeads, held.NameHeads);
    compare("packets", seen.Packets, static_cast<int64_t>(s.PacketList.size()));
}

}  // namespace invariant_detail

// All checks of a state in which framesAnalysed frames were analysed (-1: not known).
inline std::string CheckStateInvariants(const AnalysisState& state, int64_t framesAnalysed)
{
    using namespace invariant_detail;
    Findings findings;
    ObjectCounts seen;
    CheckCounters(state, framesAnalysed, findings);
    CheckStations(state, seen, findings);
    CheckNetworkNodes(state, seen, findings);
    CheckNames(state, seen, findings);
    if (findings.Clean()) CheckEveryRecordReached(state, seen, findings);
    return findings.First();
}

}  // namespace quenlix::fuzz
