#pragma once
// Capture starts written as whole seconds since 1 January 1970, 00:00 (DataGLANce,
// Internetwork Advisor and LANDesk/NetSight traces, each with its own offset), and
// the moment every reader's frame times count from.

#include <algorithm>
#include <cstdint>

#include "import/TraceCalendar.h"
#include "model/AnalysisState.h"

namespace quenlix {

// Sets TraceStartDate to the capture start. A count before 1970 can only come from
// a damaged header; the file's own date is then the better guess and stays.
inline void SetTraceStartFromUnixSeconds(AnalysisState& state, int64_t seconds)
{
    constexpr int kEpochYear = 1970;
    if (seconds < 0) return;
    state.Read.TraceStartDate = PackDosDateTime(CalendarFromSeconds(static_cast<uint64_t>(seconds), kEpochYear));
}

// The seconds since midnight of the capture start, 0..86399 for any count.
inline int64_t SecondOfDay(int64_t seconds)
{
    constexpr int64_t kSecondsPerDay = 86400;
    const int64_t rest = seconds % kSecondsPerDay;
    return rest < 0 ? rest + kSecondsPerDay : rest;
}

// Places FrameTime 0 at a moment of the given clock, in microseconds since 1970.
inline void SetFrameTimeOrigin(AnalysisState& state, int64_t microseconds, CaptureClock clock)
{
    state.Read.FrameTimeOrigin = microseconds;
    state.Read.CaptureTimeClock = clock;
}

// Seconds in microseconds; a count beyond what they can hold (some 290,000
// years, only ever from a damaged header) is held at that limit.
inline int64_t SecondsToMicroseconds(int64_t seconds)
{
    constexpr int64_t kSecondsLimit = 9'000'000'000'000;
    return std::clamp(seconds, -kSecondsLimit, kSecondsLimit) * 1'000'000;
}

// For frame times that are times of day: FrameTime 0 is the midnight that begins
// the capture start's day, given in seconds since 1970.
inline void SetFrameTimeOriginAtMidnight(AnalysisState& state, int64_t startSeconds, CaptureClock clock)
{
    SetFrameTimeOrigin(state, SecondsToMicroseconds(startSeconds - SecondOfDay(startSeconds)), clock);
}

}  // namespace quenlix
