#pragma once
// What one capture point can tell of a TCP connection from the segments it saw:
// per direction the sequence space sent so far (the highest sequence number plus
// length; SYN and FIN count one), the last acknowledgement and window, and from
// them, for every segment, the events a network engineer looks for first:
// retransmissions whether or not their original passed the capture point,
// segments whose predecessor was never captured, duplicate ACKs, segments out of
// order, full and updated windows, keep-alives and resets.
//
// The tracker is fed the segments of both directions in trace order. Sequence
// numbers are unwrapped against the highest one seen, so a transfer past 2^32
// bytes keeps its order; a connection seen without its SYN starts its sequence
// space at its first segment; a SYN with another initial sequence number starts
// a new connection on the same port pair.

#include <array>
#include <cstdint>

#include "model/AnalysisState.h"

namespace quenlix {

enum class TcpEvent : uint16_t {
    kTcpRetransmission = 0x0001,      // its bytes lie at or below what its direction already sent
    kTcpFastRetransmission = 0x0002,  // a retransmission after three or more duplicate ACKs of its start
    kTcpPreviousNotCaptured = 0x0004, // it starts above the highest sequence number seen
    kTcpDuplicateAck = 0x0008,
    kTcpOutOfOrder = 0x0010,          // fills a gap within kOutOfOrderMicroseconds of the segment above it
    kTcpWindowFull = 0x0020,          // its bytes in flight reach the peer's advertised window
    kTcpWindowUpdate = 0x0040,
    kTcpKeepAlive = 0x0080,
    kTcpReset = 0x0100,
};
using enum TcpEvent;
using TcpEventSet = FlagSet<TcpEvent, uint16_t>;
template <>
struct FlagSetOf<TcpEvent> {
    using Type = TcpEventSet;
};

// A segment below the highest sequence number that arrives this soon after the
// segment that raised it is taken as reordered on the way, not as sent again:
// a sender retransmits after a timeout or after duplicate ACKs, both of which
// take longer than the reordering of one path.
constexpr double kOutOfOrderMicroseconds = 3000;
constexpr uint32_t kFastRetransmitDuplicates = 3;

struct TcpVerdict {
    TcpEventSet Events;
    uint32_t DuplicateAckNumber = 0;  // 1 for the first duplicate of an acknowledgement
    int64_t Window = 0;               // the advertised window in bytes, scaled where the SYNs allow
};

class TcpTracker {
public:
    // The events of the next segment of the connection (packet: its index in
    // the packet list; forward: sent by the side that sent the first segment fed).
    TcpVerdict Next(const AnalysisState& state, int32_t packet, bool forward);

private:
    struct Direction {
        bool Seen = false;
        bool SynSeen = false;
        uint32_t InitialSeq = 0;
        int8_t Shift = -1;         // the window scale its SYN offered; -1: none
        int64_t NextSeq = 0;       // unwrapped: the highest sequence number plus length sent
        double RaisedAt = 0;       // when NextSeq last grew
        bool AckSeen = false;
        uint32_t LastAck = 0;
        uint16_t LastWindow = 0;
        uint32_t DuplicateAcks = 0;  // duplicates of LastAck so far
    };

    void StartOver(Direction& sender, bool syn, uint32_t seq);
    bool ScaleKnown() const;
    int64_t ScaledWindow(const Direction& d, uint16_t window) const;
    void TrackSequence(Direction& d, const Direction& peer, const TPacket& p, int64_t length, TcpVerdict& v);
    void TrackAcknowledgement(Direction& d, const TPacket& p, int64_t length, TcpVerdict& v);

    std::array<Direction, 2> directions_{};
};

// The window scale and SACK blocks kept for a packet, or null.
const TcpOptionRecord* FindTcpOptions(const AnalysisState& state, int32_t packet);

// The TCP retransmissions and data segments of a conversation, both directions:
// a retransmission is one whose original passed the capture point (flagged by
// the engine) or one the tracker finds.
struct TcpRetransmissionShare {
    int64_t DataSegments = 0;
    int64_t Retransmissions = 0;
};
TcpRetransmissionShare CountTcpRetransmissions(const AnalysisState& state, int32_t forwardHead, int32_t reverseHead);

}  // namespace quenlix
