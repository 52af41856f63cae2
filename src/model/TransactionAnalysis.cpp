#include "model/TransactionAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace quenlix {

namespace {


// A request seen before is not timed again.
constexpr PacketFlagSet kRepeatFlags{kPktPathDuplicate, kPktRetransmission};
constexpr uint16_t kTcpFlagMask = kTcpFin | kTcpSyn | kTcpRst | kTcpPush | kTcpAck;
constexpr uint16_t kTcpAckOnly = kTcpAck;
constexpr uint16_t kEchoRequest = 8;      // ICMP type 8, code 0
constexpr uint16_t kEchoRequestV6 = 128;  // ICMPv6 type 128, code 0
constexpr int kSmallResponseMax = 100;
constexpr int kLargeResponseMin = 1000;

bool IsBareAck(const TPacket& p)
{
    return (p.TCPFlags() & kTcpFlagMask) == kTcpAckOnly && PacketPayload(p) == 0;
}

bool IsUnicastRequest(const TPacket& p)
{
    return (p.PacketFlags.Has(kPktRequest)) && !(p.PacketFlags.Has(kPktGroup));
}

// The sequence space a TCP segment occupies: its payload, at least one.
double SegmentSpan(const TPacket& p)
{
    return std::max(PacketPayload(p), 1);
}

// The bytes of the packet's datagram inside its counted length. A frame longer
// than the frame buffer is counted at the buffer's size while its network header
// still gives the whole datagram's length; the payload is taken from the same
// reading as the size, or it would exceed it. The whole datagram's length stays in
// the packet for the sequence arithmetic of the response search.
int CountedNetLength(const TPacket& p)
{
    const int linkBytes = std::max(p.PktNetOffset - 1, 0);
    return std::min<int>(p.NetLength, std::max(p.Length - linkBytes, 0));
}

struct RingSlot {
    double Time = 0;
    uint16_t Length = 0;
};

// One run of the analysis: the cursors on the two chains and the working flags.
class TransactionRun {
public:
    TransactionRun(const AnalysisState& state, TransactionAnalysis& q)
        : s_(state), q_(q),
          window_(std::clamp<int>(q.WindowPackets, kMinWindowPackets, kMaxWindowPackets))
    {
    }

    void Execute();

private:
    const TPacket& Packet(int index) const { return s_.PacketList[static_cast<size_t>(index)]; }
    const TPacket& Forward() const { return Packet(forward_); }
    const TPacket& Reverse() const { return Packet(reverse_); }
    bool BothChains() const { return peerFound_ && reverseFound_; }

    void ResetResults();
    bool StartForwardChain();
    void FindReverseDirection();
    int FindReverseHead(int32_t peer) const;

    void AlignToFirstRequest();
    template <class Predicate>
    bool StepForwardUntil(Predicate isRequest);
    void StepForwardWhileAligning();
    void SkipAcknowledgedReverse();

    void StepReverse();
    void AdvanceReverse();
    void WalkConversation();
    void CountRemainingReverse();

    bool InRange(const TPacket& p) const;
    void CountForward(const TPacket& p);
    void CountReverse(const TPacket& p);
    void CountFlags(const TPacket& p);
    void AccumulateForwardTime(const TPacket& p);
    void TakeThroughputSample(const TPacket& p);

    void MeasureResponse(int request);
    int FindResponse(int request, int& timedRequest) const;
    int FindTcpResponse(int request, int& timedRequest) const;
    int FindTcpDataResponse(int request) const;
    bool PassesSizeFilter(uint16_t length) const;

    const AnalysisState& s_;
    TransactionAnalysis& q_;
    const int window_;
    ApplicationCode app_ = kAppICMP;
    int forward_ = -1;
    int reverse_ = -1;
    bool peerFound_ = false;
    bool reverseFound_ = false;
    bool aligned_ = false;
    // The datagram identifier of the forward packet before; none when it had none.
    std::optional<uint16_t> previousIdent_ = 0;
    std::array<RingSlot, kThroughputRingSlots> ring_{};
    int slot_ = 0;
};

void TransactionRun::ResetResults()
{
    q_.AnalysisResult = kResultAnalysed;
    q_.ForwardPackets = 0;
    q_.ForwardBytes = 0;
    q_.ReversePackets = 0;
    q_.ReverseBytes = 0;
    q_.LatencyMin = kLatencyStartMin;
    q_.LatencyMax = 0;
    q_.LatencySum = 0;
    q_.LatencyCount = 0;
    q_.LastForwardTime = 0;
    q_.ThroughputPackets = 0;
    q_.ThroughputBytes = 0;
    q_.SegmentBytes = 0;
    q_.ThroughputMin = kLatencyStartMin;
    q_.ThroughputMax = 0;
    q_.PathDuplicateCount = 0;
    q_.RetransmitCount = 0;
}

void TransactionRun::Execute()
{
    ResetResults();
    if (!s_.ObjectList.Holds(ObjectKind::TransHead, q_.SelectedApp)) {
        q_.AnalysisResult = kResultNoRequest;  // nothing selected: no request to analyse
        return;
    }
    app_ = s_.ObjectList.TransHead(q_.SelectedApp).App;
    if ((q_.ProblemMode || q_.MeasureLatency) && !IsTimeableApp(app_)) {
        q_.AnalysisResult = kResultNotTimeable;
        return;
    }
    if (!StartForwardChain()) return;

    if (q_.MeasureThroughput) {
        TakeThroughputSample(Forward());  // throughput is one-directional
    } else {
        q_.ForwardElapsed = 0;
        FindReverseDirection();
    }
    if (q_.AnalysisResult != kResultAnalysed) return;

    if (BothChains()) {
        AlignToFirstRequest();
        if (aligned_) {
            AdvanceReverse();
            if (Forward().FrameNo > Reverse().FrameNo) aligned_ = false;
        }
        if (aligned_ && app_ == kAppTCP) SkipAcknowledgedReverse();
    }
    if (Forward().FrameNo > q_.LastFrameNo || Reverse().FrameNo > q_.LastFrameNo) return;
    if ((BothChains() && aligned_) || q_.MeasureThroughput) WalkConversation();
    if (BothChains()) CountRemainingReverse();
}

// Places the forward cursor on the first packet of the range (or the chain's
// last) and counts it. False when the chain holds no packet at all.
bool TransactionRun::StartForwardChain()
{
    forward_ = FirstPacketOf(s_, q_.SelectedApp);
    if (forward_ < 0) {
        q_.AnalysisResult = kResultNoRequest;
        return false;
    }
    while (Forward().FrameNo < q_.FirstFrameNo) {
        const int next = NextPacketOf(s_, forward_);
        if (next < 0) break;
        forward_ = next;
    }
    reverse_ = forward_;
    CountForward(Forward());
    q_.LastForwardTime = Forward().Time;
    return true;
}

void TransactionRun::FindReverseDirection()
{
    const NetNode* other = nullptr;
    if (s_.ObjectList.Holds(ObjectKind::NetPeer, q_.SelectedPeer))
        other = PeerNodeOf(s_, s_.ObjectList.NetPeer(q_.SelectedPeer));
    // A node that never sent has no conversation chain to search.
    q_.NoReversePath = q_.NoReversePath || other == nullptr || !(other->NetFlags.Has(kFlagSender));
    if (q_.NoReversePath) {
        q_.AnalysisResult = kResultOneWay;
        return;
    }
    const int32_t peer = q_.SelectedNetNode ? FindNetPeer(s_, *other, q_.SelectedNetNode->Address) : -1;
    if (peer < 0) {
        q_.AnalysisResult = kResultOneWay;
        return;
    }
    peerFound_ = true;
    const int head = FindReverseHead(peer);
    reverse_ = head >= 0 ? FirstPacketOf(s_, head) : -1;
    if (reverse_ < 0) {
        reverse_ = forward_;  // the cursor stays on a packet for the range test
        q_.AnalysisResult = kResultNoReverseApp;
        return;
    }
    reverseFound_ = true;
    // The reverse chain's first packet is walked like the forward chain's first:
    // counting only the steps after it would take a single answered request for
    // one that was never answered.
    CountReverse(Reverse());
}

int TransactionRun::FindReverseHead(int32_t peer) const
{
    const TTransHead& selected = s_.ObjectList.TransHead(q_.SelectedApp);
    for (int32_t h = FirstTransHead(s_, peer); h >= 0; h = NextTransHead(s_, h)) {
        const TTransHead& head = s_.ObjectList.TransHead(h);
        if (head.App != app_) continue;
        if (!MatchesReverseByPorts(app_) || (head.SrcPort == selected.DstPort && head.DstPort == selected.SrcPort))
            return h;
    }
    return -1;
}

// ---- alignment ------------------------------------------------------------------

void TransactionRun::AlignToFirstRequest()
{
    switch (app_) {
    case kAppUDP:
        aligned_ = StepForwardUntil(IsUnicastRequest);
        break;
    case kAppICMP:
        aligned_ = StepForwardUntil([](const TPacket& p) { return p.TypeWord == kEchoRequest; });
        if (!aligned_) q_.AnalysisResult = kResultNoEchoRequest;
        break;
    case kAppICMPv6:
        aligned_ = StepForwardUntil([](const TPacket& p) { return p.TypeWord == kEchoRequestV6; });
        if (!aligned_) q_.AnalysisResult = kResultNoEchoRequest;
        break;
    case kAppTCP:
        aligned_ = StepForwardUntil([](const TPacket& p) { return !IsBareAck(p); });
        if (!aligned_) q_.AnalysisResult = kResultOnlyAcks;
        break;
    case kAppNCP:
    case kAppSPX:
    case kAppNetBIOS:
    case kAppSMB:
    case kAppPBurst:
        aligned_ = StepForwardUntil(IsUnicastRequest);
        if (!aligned_) q_.AnalysisResult = kResultNoRequest;
        break;
    default:
        break;
    }
}

template <class Predicate>
bool TransactionRun::StepForwardUntil(Predicate isRequest)
{
    while (!isRequest(Forward())) {
        if (NextPacketOf(s_, forward_) < 0) return false;
        StepForwardWhileAligning();
    }
    return true;
}

void TransactionRun::StepForwardWhileAligning()
{
    forward_ = NextPacketOf(s_, forward_);
    const TPacket& p = Forward();
    CountForward(p);
    CountFlags(p);
    if (q_.MeasureThroughput) TakeThroughputSample(p);
    AdvanceReverse();
}

// TCP: moves the reverse cursor past the packets that acknowledge nothing of
// the first request.
void TransactionRun::SkipAcknowledgedReverse()
{
    while (Reverse().Ack <= Forward().Seq) {
        if (NextPacketOf(s_, reverse_) < 0) {
            q_.AnalysisResult = kResultNoTcpAck;
            aligned_ = false;
            return;
        }
        StepReverse();
        AdvanceReverse();
    }
}

// ---- the walk -------------------------------------------------------------------

void TransactionRun::StepReverse()
{
    reverse_ = NextPacketOf(s_, reverse_);
    CountReverse(Reverse());
}

// Moves the reverse cursor to the first reverse packet at or after the forward
// packet, or to the chain's last.
void TransactionRun::AdvanceReverse()
{
    while (Reverse().FrameNo < Forward().FrameNo && NextPacketOf(s_, reverse_) >= 0) StepReverse();
}

void TransactionRun::WalkConversation()
{
    for (;;) {
        if (BothChains()) {
            AdvanceReverse();
            if (q_.MeasureLatency) MeasureResponse(forward_);
        }
        previousIdent_ = Forward().PacketFlags.Has(kPktNoIdent) ? std::nullopt : std::optional(Forward().IPIdent);
        const int next = NextPacketOf(s_, forward_);
        if (next < 0) return;
        forward_ = next;
        const TPacket& p = Forward();
        if (q_.MeasureLatency) AccumulateForwardTime(p);
        if (p.FrameNo > q_.LastFrameNo || Reverse().FrameNo > q_.LastFrameNo) return;
        CountForward(p);
        CountFlags(p);
        if (q_.MeasureThroughput) TakeThroughputSample(p);
    }
}

// The reverse packets up to the end of the range; the cursor ends on the first
// one beyond it, which is not counted.
void TransactionRun::CountRemainingReverse()
{
    AdvanceReverse();
    while (NextPacketOf(s_, reverse_) >= 0 && Reverse().FrameNo <= q_.LastFrameNo) StepReverse();
}

// The cursors pass packets outside the range: the reverse chain is walked from
// its start, alignment and the search for an answer may step beyond the range's
// end, and a chain without a packet in the range leaves the cursor on its last.
// The totals and flag counts take only the packets inside the range.
bool TransactionRun::InRange(const TPacket& p) const
{
    return p.FrameNo >= q_.FirstFrameNo && p.FrameNo <= q_.LastFrameNo;
}

void TransactionRun::CountForward(const TPacket& p)
{
    if (!InRange(p)) return;
    q_.ForwardPackets += 1;
    q_.ForwardBytes += p.Length;
}

void TransactionRun::CountReverse(const TPacket& p)
{
    if (!InRange(p)) return;
    q_.ReversePackets += 1;
    q_.ReverseBytes += p.Length;
}

void TransactionRun::CountFlags(const TPacket& p)
{
    if (p.PacketFlags.Has(kPktGapMarker) || !InRange(p)) return;
    if (p.PacketFlags.Has(kPktRetransmission)) q_.RetransmitCount += 1;
    if (p.PacketFlags.Has(kPktPathDuplicate)) q_.PathDuplicateCount += 1;
}

// A clock that went backwards restarts from the packet's own time.
void TransactionRun::AccumulateForwardTime(const TPacket& p)
{
    if (q_.LastForwardTime > p.Time)
        q_.ForwardElapsed += p.Time;
    else
        q_.ForwardElapsed += p.Time - q_.LastForwardTime;
    q_.LastForwardTime = p.Time;
}

void TransactionRun::TakeThroughputSample(const TPacket& p)
{
    if (!InRange(p)) return;
    q_.ThroughputPackets += 1;
    q_.ThroughputBytes += p.Length;
    ring_[static_cast<size_t>(slot_)] = {p.Time, p.Length};
    q_.SegmentBytes += CountedNetLength(p) - p.IPHeaderLen();
    if (q_.ThroughputPackets == 1)
        q_.ForwardElapsed = TransmissionTime(s_, p.Length, true);
    else
        AccumulateForwardTime(p);

    if (q_.ThroughputPackets >= window_) {
        int bytes = 0;
        for (int i = 0; i < window_; ++i) bytes += ring_[static_cast<size_t>(i)].Length;
        const RingSlot& newest = ring_[static_cast<size_t>(slot_)];
        const RingSlot& oldest = ring_[static_cast<size_t>((slot_ + 1) % window_)];
        const double span = newest.Time - oldest.Time + TransmissionTime(s_, oldest.Length, true);
        // Time stamps that step backwards can leave no time for the window.
        if (span > 0) {
            const double rate = bytes / (span * 0.000001);
            q_.ThroughputMax = std::max(q_.ThroughputMax, rate);
            q_.ThroughputMin = std::min(q_.ThroughputMin, rate);
        }
    }
    slot_ = (slot_ + 1) % window_;
}

// ---- response times -------------------------------------------------------------

void TransactionRun::MeasureResponse(int request)
{
    const TPacket& f = Packet(request);
    if (f.PacketFlags.HasAny(kPktDamaged) || f.FrameNo == q_.LastFrameNo) return;
    if (app_ == kAppTCP && (s_.Options.TcpDataResponse ? PacketPayload(f) <= 0 : IsBareAck(f))) return;
    // A fragment of the datagram before (IPv6 packets without a fragment header are none).
    if (app_ == kAppUDP && !f.PacketFlags.Has(kPktNoIdent) && f.IPIdent == previousIdent_) return;

    int timedRequest = request;
    const int response = FindResponse(request, timedRequest);
    if (response < 0) return;
    const TPacket& r = Packet(response);
    const TPacket& timed = Packet(timedRequest);
    double delay = r.Time - timed.Time;
    if (!q_.IncludeTransmissionTime) delay -= TransmissionTime(s_, r.Length, false);
    if (delay < 0 || timed.PacketFlags.HasAny(kRepeatFlags)) return;
    if (!PassesSizeFilter(r.Length)) return;
    q_.LatencyCount += 1;
    q_.LatencyMax = std::max(q_.LatencyMax, delay);
    q_.LatencyMin = std::min(q_.LatencyMin, delay);
    q_.LatencySum += delay;
}

// The reverse packet that answers the request, searched from the reverse cursor
// without moving it; -1 when the chain ends first. Gap markers stand for lost
// packets and never answer anything.
int TransactionRun::FindResponse(int request, int& timedRequest) const
{
    if (app_ == kAppTCP) return s_.Options.TcpDataResponse ? FindTcpDataResponse(request) : FindTcpResponse(request, timedRequest);
    const TPacket& f = Packet(request);
    for (int r = reverse_; r >= 0; r = NextPacketOf(s_, r)) {
        const TPacket& p = Packet(r);
        if (p.PacketFlags.Has(kPktGapMarker)) continue;
        switch (app_) {
        case kAppICMP:
        case kAppICMPv6:
        case kAppNCP:
        case kAppSMB:
            if (p.Seq == f.Seq) return r;  // the same request identifier
            break;
        case kAppSPX:
        case kAppNetBIOS:
        case kAppPBurst:
            if (p.Ack == int64_t{f.Seq} + 1) return r;
            break;
        case kAppUDP:
            if (p.FrameNo >= f.FrameNo) return r;
            break;
        default:
            return -1;
        }
    }
    return -1;
}

// TCP: the first reverse packet acknowledging the whole request. When it
// acknowledges more, the next forward packet decides: a response to exactly that
// packet belongs to it (the request is skipped), otherwise it is timed from it.
int TransactionRun::FindTcpResponse(int request, int& timedRequest) const
{
    const TPacket& f = Packet(request);
    const double expected = f.Seq + SegmentSpan(f);
    int r = reverse_;
    while (r >= 0 && (Packet(r).PacketFlags.Has(kPktGapMarker) || Packet(r).Ack < expected)) r = NextPacketOf(s_, r);
    if (r < 0) return -1;
    const double ack = Packet(r).Ack;
    const int later = NextPacketOf(s_, request);
    if (ack > expected && later >= 0) {
        const TPacket& g = Packet(later);
        if (ack == g.Seq + SegmentSpan(g)) return -1;
        timedRequest = later;
    }
    return r;
}

// TCP timed to the answer's data: the first reverse segment that carries data
// and acknowledges the whole request. When it also acknowledges the next data
// segment the originator sent before it, the request went on in that segment,
// which is timed instead, so this one is skipped.
int TransactionRun::FindTcpDataResponse(int request) const
{
    const TPacket& f = Packet(request);
    const int64_t expected = int64_t{f.Seq} + PacketPayload(f);
    auto answers = [expected](const TPacket& p) {
        return !p.PacketFlags.Has(kPktGapMarker) && PacketPayload(p) > 0 && p.Ack >= expected;
    };
    int r = reverse_;
    while (r >= 0 && !answers(Packet(r))) r = NextPacketOf(s_, r);
    if (r < 0) return -1;
    const TPacket& answer = Packet(r);
    for (int g = NextPacketOf(s_, request); g >= 0 && Packet(g).FrameNo < answer.FrameNo; g = NextPacketOf(s_, g)) {
        const TPacket& later = Packet(g);
        if (later.PacketFlags.Has(kPktGapMarker) || PacketPayload(later) <= 0) continue;
        if (answer.Ack >= int64_t{later.Seq} + PacketPayload(later)) return -1;
        break;
    }
    return r;
}

bool TransactionRun::PassesSizeFilter(uint16_t length) const
{
    if (q_.SmallResponsesOnly) return length <= kSmallResponseMax;
    if (q_.LargeResponsesOnly) return length >= kLargeResponseMin;
    return true;
}

}  // namespace

// ---- public operations ------------------------------------------------------------

void AnalyzeTransactions(const AnalysisState& state, TransactionAnalysis& analysis)
{
    TransactionRun(state, analysis).Execute();
}

bool IsTimeableApp(ApplicationCode app)
{
    switch (app) {
    case kAppICMP:
    case kAppICMPv6:
    case kAppTCP:
    case kAppUDP:
    case kAppNCP:
    case kAppSPX:
    case kAppNetBIOS:
    case kAppSMB:
    case kAppPBurst:
        return true;
    default:
        return false;
    }
}

bool MatchesReverseByPorts(ApplicationCode app)
{
    return app == kAppTCP || app == kAppUDP || app == kAppSPX || app == kAppNetBIOS || app == kAppPBurst;
}

double TransmissionTime(const AnalysisState& state, double length, bool withFrameAllowance)
{
    const bool tokenRing = state.Topology == kTopologyTokenRing;
    const int speed = tokenRing ? state.Options.TokenRingSpeed : state.Options.EthernetSpeed;
    if (speed <= 0) return 0;  // no medium speed set: nothing to correct for
    const double bytes = length + (withFrameAllowance && !tokenRing ? kEthernetFrameAllowance : 0);
    return bytes * 8 / speed;
}

int PacketPayload(const TPacket& packet)
{
    return packet.NetLength - packet.IPHeaderLen() - packet.TransportHeaderLen();
}

}  // namespace quenlix
