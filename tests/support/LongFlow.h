#pragma once
// One TCP flow of 18,000-byte frames, long enough that its byte total passes
// 2^32: it drives the byte counters past 32 bits without a file of gigabytes.

#include <cstdint>

#include "FrameBuilder.h"
#include "model/AnalysisState.h"

namespace quenlix::testing {

struct LongFlow {
    static constexpr int64_t kFrames = 240000;
    static constexpr int64_t kFrameBytes = kMaxFrameBytes;
    static constexpr int64_t kBytes = kFrames * kFrameBytes;  // 4,320,000,000
    // 100 frames a second: every hundredth frame closes a one-second interval.
    static constexpr double kSpacingMicroseconds = 10000;
    static constexpr int64_t kIntervals = 2400;

    static inline const Mac kSenderMac = MacOf(1);
    static inline const Mac kReceiverMac = MacOf(2);
    static inline const Ip kSender = IpOf(10, 0, 0, 1);
    static inline const Ip kReceiver = IpOf(10, 0, 0, 2);
};
static_assert(LongFlow::kBytes > int64_t{1} << 32);

// Feeds the flow, sender to receiver, to a freshly reset Ethernet state, closes the
// last interval and counts the frames as the reading driver does.
void FeedLongFlow(AnalysisState& state);

}  // namespace quenlix::testing
