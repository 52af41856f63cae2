#include "model/TcpAnalysis.h"

#include <algorithm>

#include "model/Chains.h"
#include "model/TransactionAnalysis.h"

namespace quenlix {

namespace {

// The 64-bit sequence number nearest to reference whose low 32 bits are raw.
int64_t Unwrap(uint32_t raw, int64_t reference)
{
    return reference + static_cast<int32_t>(raw - static_cast<uint32_t>(reference));
}

bool Has(const TPacket& p, uint16_t flag) { return (p.TCPFlags() & flag) != 0; }

}  // namespace

bool TcpTracker::ScaleKnown() const { return directions_[0].SynSeen && directions_[1].SynSeen; }

// Window scaling holds only when both SYNs offered it (RFC 7323); a SYN's own
// window is never scaled.
int64_t TcpTracker::ScaledWindow(const Direction& d, uint16_t window) const
{
    const bool scaled = ScaleKnown() && directions_[0].Shift >= 0 && directions_[1].Shift >= 0;
    return scaled ? int64_t{window} << d.Shift : int64_t{window};
}

void TcpTracker::StartOver(Direction& sender, bool syn, uint32_t seq)
{
    sender = Direction{};
    sender.Seen = true;
    sender.SynSeen = syn;
    sender.InitialSeq = seq;
    sender.NextSeq = seq;
}

void TcpTracker::TrackSequence(Direction& d, const Direction& peer, const TPacket& p, int64_t length, TcpVerdict& v)
{
    const int64_t seq = Unwrap(p.Seq, d.NextSeq);
    const int payload = std::max(PacketPayload(p), 0);
    const bool control = Has(p, kTcpSyn) || Has(p, kTcpFin) || Has(p, kTcpRst);
    if (!control && payload <= 1 && seq == d.NextSeq - 1) {
        v.Events |= kTcpKeepAlive;
        return;
    }
    if (length == 0) return;
    if (seq > d.NextSeq) {
        v.Events |= kTcpPreviousNotCaptured;
    } else if (seq < d.NextSeq) {
        if (peer.AckSeen && peer.DuplicateAcks >= kFastRetransmitDuplicates &&
            Unwrap(peer.LastAck, d.NextSeq) == seq)
            v.Events |= {kTcpRetransmission, kTcpFastRetransmission};
        else if (p.Time - d.RaisedAt < kOutOfOrderMicroseconds && p.Time >= d.RaisedAt)
            v.Events |= kTcpOutOfOrder;
        else
            v.Events |= kTcpRetransmission;
        if (seq + length <= d.NextSeq) return;
    }
    d.NextSeq = seq + length;
    d.RaisedAt = p.Time;
}

void TcpTracker::TrackAcknowledgement(Direction& d, const TPacket& p, int64_t length, TcpVerdict& v)
{
    if (!Has(p, kTcpAck)) return;
    const uint32_t ack = p.Ack;
    const bool control = Has(p, kTcpSyn) || Has(p, kTcpFin) || Has(p, kTcpRst);
    const bool bare = length == 0 && !control && !v.Events.Has(kTcpKeepAlive);
    if (bare && d.AckSeen && ack == d.LastAck) {
        if (p.TypeWord == d.LastWindow) {
            d.DuplicateAcks += 1;
            v.Events |= kTcpDuplicateAck;
            v.DuplicateAckNumber = d.DuplicateAcks;
        } else {
            v.Events |= kTcpWindowUpdate;
        }
    } else if (!d.AckSeen || ack != d.LastAck) {
        d.DuplicateAcks = 0;
    }
    d.AckSeen = true;
    d.LastAck = ack;
    d.LastWindow = p.TypeWord;
}

TcpVerdict TcpTracker::Next(const AnalysisState& state, int32_t packet, bool forward)
{
    const TPacket& p = state.PacketList[static_cast<size_t>(packet)];
    Direction& d = directions_[forward ? 0 : 1];
    Direction& peer = directions_[forward ? 1 : 0];
    const uint32_t seq = p.Seq;
    const bool syn = Has(p, kTcpSyn);
    TcpVerdict v;
    if (Has(p, kTcpRst)) v.Events |= kTcpReset;

    // A SYN of another initial sequence number opens a new connection on the port pair.
    if (syn && d.Seen && (!d.SynSeen || d.InitialSeq != seq)) {
        if (!Has(p, kTcpAck)) peer = Direction{};
        d.Seen = false;
    }
    if (!d.Seen) StartOver(d, syn, seq);
    if (syn) {
        d.SynSeen = true;
        const TcpOptionRecord* options = FindTcpOptions(state, packet);
        d.Shift = options ? options->WindowShift : int8_t{-1};
    }

    const int payload = std::max(PacketPayload(p), 0);
    const int64_t length = payload + (syn ? 1 : 0) + (Has(p, kTcpFin) ? 1 : 0);
    TrackSequence(d, peer, p, length, v);
    TrackAcknowledgement(d, p, length, v);

    v.Window = syn ? int64_t{p.TypeWord} : ScaledWindow(d, p.TypeWord);
    // Full: the bytes sent beyond the peer's last acknowledgement reach its window.
    if (payload > 0 && !syn && ScaleKnown() && peer.AckSeen && !v.Events.Has(kTcpRetransmission)) {
        const int64_t acked = Unwrap(peer.LastAck, d.NextSeq);
        if (d.NextSeq - acked >= ScaledWindow(peer, peer.LastWindow)) v.Events |= kTcpWindowFull;
    }
    return v;
}

const TcpOptionRecord* FindTcpOptions(const AnalysisState& state, int32_t packet)
{
    const auto found = std::lower_bound(state.TcpOptions.begin(), state.TcpOptions.end(), packet,
                                        [](const TcpOptionRecord& r, int32_t p) { return r.Packet < p; });
    return found != state.TcpOptions.end() && found->Packet == packet ? &*found : nullptr;
}

TcpRetransmissionShare CountTcpRetransmissions(const AnalysisState& state, int32_t forwardHead, int32_t reverseHead)
{
    TcpRetransmissionShare share;
    TcpTracker tracker;
    int32_t forward = FirstPacketOf(state, forwardHead);
    int32_t reverse = reverseHead >= 0 ? FirstPacketOf(state, reverseHead) : -1;
    WalkInTraceOrder(state, forward, reverse, [&](int32_t packet, bool isForward) {
        const TPacket& p = state.PacketList[static_cast<size_t>(packet)];
        const TcpVerdict v = tracker.Next(state, packet, isForward);
        if (PacketPayload(p) > 0) share.DataSegments += 1;
        if (v.Events.Has(kTcpRetransmission) || p.PacketFlags.Has(kPktRetransmission)) share.Retransmissions += 1;
        return true;
    });
    return share;
}

}  // namespace quenlix
