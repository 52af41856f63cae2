#pragma once
// Capture starts written as whole seconds since 1 January 1970, 00:00 (DataGLANce,
// Internetwork Advisor and LANDesk/NetSight traces, each with its own offset).

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

}  // namespace quenlix
