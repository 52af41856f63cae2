#pragma once
// Calendar arithmetic for the capture start dates the traces carry: seconds from
// an epoch to a calendar date and time, and the packed DOS date and time that
// TraceStartDate holds.

#include <cstdint>

namespace quenlix {

struct CalendarTime {
    int64_t Year = 1980;
    int Month = 1;  // 1..12
    int Day = 1;    // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// The date and time the given number of seconds after midnight, 1 January of
// epochYear, on the Gregorian calendar (1904 for the Macintosh-era analysers, 1970
// for the Unix-era ones).
CalendarTime CalendarFromSeconds(uint64_t seconds, int epochYear);

// Packs a date and time as a DOS date (high word) and time (low word). DOS dates
// hold the years 1980 to 2107 only: a moment before or after them is held as the
// first or last moment of that range. Every other field is clamped into its own
// range, so that a damaged header can never spill into a neighbouring field.
int32_t PackDosDateTime(const CalendarTime& time);

// The date and time of a packed DOS date (high word) and time (low word).
CalendarTime UnpackDosDateTime(int32_t packed);

// Microseconds from 1 January 1970, 00:00, to the given date and time (negative
// before it) on the same clock. Fields out of their ranges are clamped into them,
// as a damaged header may hold any value.
int64_t UnixMicroseconds(const CalendarTime& time);

// The date and time a count of microseconds from 1 January 1970, 00:00, names,
// with the microseconds past its second (0..999999).
CalendarTime CalendarFromUnixMicroseconds(int64_t microseconds, int& microsecond);

}  // namespace quenlix
