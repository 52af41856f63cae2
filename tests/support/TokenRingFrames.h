#pragma once
// Token Ring MAC frames for tests and pictures: monitor-present frames that build
// the ring order, Report Soft Error frames, and a whole eight-station ring with
// soft errors, as frames or as a Sniffer trace file.

#include <array>
#include <string>
#include <vector>

#include "FrameBuilder.h"
#include "SnifferWriter.h"

namespace quenlix::testing {

// Functional addresses: the ring error monitor and all monitors.
inline constexpr Mac kRingErrorMonitor = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x08};
inline constexpr Mac kActiveMonitorGroup = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x01};

// An Active (active = true) or Standby Monitor Present frame from src naming its
// upstream neighbour.
Bytes MonitorPresentFrame(const Mac& src, const Mac& upstream, bool active);

// A Report Soft Error frame from src naming its upstream neighbour. The counters
// are given in kind order: abort, A/C, burst, frame copied, frequency, internal,
// line, lost frame, receive congestion, token.
Bytes SoftErrorReportFrame(const Mac& src, const Mac& upstream, const std::array<uint8_t, 10>& countsByKind,
                           const Mac& dst = kRingErrorMonitor);

// The eight stations of the sample ring, position 1 to 8 in ring order (IBM,
// Madge and 3Com prefixes and one locally administered address), and a station
// outside the ring that one of them once named as its upstream neighbour.
Mac RingOfEightStation(int position);
Mac RingOfEightOutsider();

// The sample ring over five monitor cycles (about 35 s): station 1 is the active
// monitor, then station 3 takes over (station 1 becomes the former active
// monitor); station 6 misses the last cycles. Soft errors: station 2 line errors,
// station 4 aborts, token and lost-frame errors, station 5 burst and line errors,
// station 6 frequency, frame-copied and A/C errors and burst errors with the
// outsider as neighbour (two upstream neighbours), station 7 an internal error
// and a burst error, station 8 receive congestion.
std::vector<SnifferFrame> RingOfEightFrames();

// Writes the sample ring as a Token Ring Sniffer trace.
void WriteRingOfEightTrace(const std::string& path);

}  // namespace quenlix::testing
