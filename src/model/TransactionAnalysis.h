#pragma once
// The on-demand analysis of one application conversation: pairs each request of
// the originating station with the response that answers it and times the pair,
// counts packets and bytes both ways, measures throughput over a sliding window
// of packets, and counts the retransmission and duplicate flags of the
// originator's packets. It only walks the packet chains the frame engine built.
//
// The query and its results form one plain record, so that the client/server
// expert, the toolbox and the analysis windows can each hold the selection they
// work on and hand it to one another.

#include <cstdint>

#include "model/AnalysisState.h"
#include "model/Chains.h"

namespace quenlix {

// AnalysisResult codes.
enum TransactionResult : uint16_t {
    kResultAnalysed = 0,
    kResultNotTimeable = 1,      // the application cannot be timed (latency or problem query)
    kResultOneWay = 2,           // the other station never sent to the originator
    kResultNoReverseApp = 3,     // the other station's conversation has no matching application chain
    kResultNoEchoRequest = 4,    // no ICMP echo request in the originator's chain
    kResultOnlyAcks = 6,         // the originator's TCP chain holds only bare acknowledgements
    kResultNoRequest = 7,        // no request packet in the originator's chain (also: no packet at all)
    kResultNoTcpAck = 11,        // no reverse TCP packet acknowledges beyond the first request
};

constexpr double kLatencyStartMin = 2147483647.0;
constexpr int kThroughputRingSlots = 20;
constexpr uint16_t kMinWindowPackets = 4;
constexpr uint16_t kMaxWindowPackets = 20;

struct TransactionAnalysis {
    // ---- query (written by the caller) ----
    const NetNode* SelectedNetNode = nullptr;  // the originating station
    const NetNode* ReverseNetNode = nullptr;   // the other station, for a caller's reverse run
    int32_t SelectedPeer = -1;                 // TNetPeer object index: originator -> other station
    int32_t ReversePeer = -1;                  // TNetPeer object index: other station -> originator
    int32_t SelectedApp = -1;                  // TTransHead object index of the originating direction
    int32_t ReverseApp = -1;                   // TTransHead object index of the reverse direction
    bool MeasureLatency = false;
    bool MeasureThroughput = false;
    bool ProblemMode = false;
    bool IncludeTransmissionTime = false;
    int64_t FirstFrameNo = 1;  // inclusive frame-number range
    int64_t LastFrameNo = 0;
    bool NoReversePath = false;  // sticky: the analysis only ever sets it
    bool SmallResponsesOnly = false;
    bool LargeResponsesOnly = false;
    uint16_t WindowPackets = 8;  // throughput window, 4 to 20 packets

    // ---- results (reset by every run, except ForwardElapsed) ----
    // The packet and byte totals and the flag counts take only the packets
    // inside the frame range.
    // Counters are wide enough for any conversation a trace can hold: a packet
    // count that wrapped would restart the throughput window, and a byte sum
    // that overflowed would be undefined.
    uint16_t AnalysisResult = kResultAnalysed;
    int32_t ForwardPackets = 0;
    int64_t ForwardBytes = 0;
    int32_t ReversePackets = 0;
    int64_t ReverseBytes = 0;
    double LatencyMin = kLatencyStartMin;  // microseconds
    double LatencyMax = 0;
    double LatencySum = 0;
    int32_t LatencyCount = 0;
    double ForwardElapsed = 0;   // time covered by the originator's packets, microseconds
    double LastForwardTime = 0;  // time of the previous originator packet
    int32_t ThroughputPackets = 0;
    int64_t ThroughputBytes = 0;
    int64_t SegmentBytes = 0;
    double ThroughputMin = kLatencyStartMin;  // bytes per second
    double ThroughputMax = 0;
    int32_t PathDuplicateCount = 0;
    int32_t RetransmitCount = 0;
};

// Runs the query held in analysis against the chains of state and writes its
// results. Allocates nothing; walks only the forward and the reverse chain.
void AnalyzeTransactions(const AnalysisState& state, TransactionAnalysis& analysis);

// Applications whose requests and responses can be paired and timed.
bool IsTimeableApp(ApplicationCode app);

// Applications whose reverse chain is found by the swapped port pair.
bool MatchesReverseByPorts(ApplicationCode app);

// Microseconds a packet of the given length occupies the trace's medium. With
// the frame allowance, Ethernet adds its 20 bytes of preamble and inter-frame gap.
double TransmissionTime(const AnalysisState& state, double length, bool withFrameAllowance);

// Payload bytes of a packet: network length less the network and transport headers.
int PacketPayload(const TPacket& packet);

}  // namespace quenlix
