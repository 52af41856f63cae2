#include "import/TraceCalendar.h"

#include <algorithm>

namespace quenlix {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kMicrosecondsPerSecond = 1000000;
constexpr int kDosFirstYear = 1980;
constexpr int kDosLastYear = 2107;

// Days from 1 January 1970 to the given date (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The date of a day count from 1 January 1970; the inverse of DaysFromCivil.
void CivilFromDays(int64_t days, CalendarTime& out)
{
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March = 0
    out.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    out.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    out.Year = yearOfEra + era * 400 + (out.Month <= 2 ? 1 : 0);
}

}  // namespace

CalendarTime CalendarFromSeconds(uint64_t seconds, int epochYear)
{
    const uint64_t days = seconds / kSecondsPerDay;
    const int64_t secondOfDay = static_cast<int64_t>(seconds % kSecondsPerDay);
    CalendarTime time;
    // Even the largest 64-bit count is some 2.1e14 days: far inside int64.
    CivilFromDays(DaysFromCivil(epochYear, 1, 1) + static_cast<int64_t>(days), time);
    time.Hour = static_cast<int>(secondOfDay / 3600);
    time.Minute = static_cast<int>(secondOfDay / 60 % 60);
    time.Second = static_cast<int>(secondOfDay % 60);
    return time;
}

int32_t PackDosDateTime(const CalendarTime& time)
{
    // A moment outside the DOS calendar is held as the nearest moment inside it.
    if (time.Year < kDosFirstYear) return PackDosDateTime({kDosFirstYear, 1, 1, 0, 0, 0});
    if (time.Year > kDosLastYear) return PackDosDateTime({kDosLastYear, 12, 31, 23, 59, 59});
    const auto year = static_cast<uint32_t>(time.Year - kDosFirstYear);
    const auto month = static_cast<uint32_t>(std::clamp(time.Month, 1, 12));
    const auto day = static_cast<uint32_t>(std::clamp(time.Day, 1, 31));
    const auto hour = static_cast<uint32_t>(std::clamp(time.Hour, 0, 23));
    const auto minute = static_cast<uint32_t>(std::clamp(time.Minute, 0, 59));
    const auto second = static_cast<uint32_t>(std::clamp(time.Second, 0, 59));
    const uint32_t date = year << 9 | month << 5 | day;
    const uint32_t clock = hour << 11 | minute << 5 | second / 2;  // DOS keeps two-second steps
    return static_cast<int32_t>(date << 16 | clock);
}

CalendarTime UnpackDosDateTime(int32_t packed)
{
    const auto date = static_cast<uint32_t>(packed) >> 16;
    const auto clock = static_cast<uint32_t>(packed) & 0xFFFFu;
    return {kDosFirstYear + static_cast<int64_t>(date >> 9), static_cast<int>(date >> 5 & 15), static_cast<int>(date & 31),
            static_cast<int>(clock >> 11), static_cast<int>(clock >> 5 & 63), static_cast<int>((clock & 31) * 2)};
}

int64_t UnixMicroseconds(const CalendarTime& time)
{
    // Years are kept within what a 64-bit count of microseconds can hold.
    constexpr int64_t kYearLimit = 290000;
    const int64_t year = std::clamp<int64_t>(time.Year, -kYearLimit, kYearLimit);
    const int64_t days = DaysFromCivil(year, std::clamp(time.Month, 1, 12), std::clamp(time.Day, 1, 31));
    const int64_t seconds = days * kSecondsPerDay + std::clamp(time.Hour, 0, 23) * 3600 +
                            std::clamp(time.Minute, 0, 59) * 60 + std::clamp(time.Second, 0, 59);
    return seconds * kMicrosecondsPerSecond;
}

CalendarTime CalendarFromUnixMicroseconds(int64_t microseconds, int& microsecond)
{
    constexpr int64_t kMicrosecondsPerDay = kSecondsPerDay * kMicrosecondsPerSecond;
    // Floor division, so that a moment before 1970 still has its time of day.
    int64_t days = microseconds / kMicrosecondsPerDay;
    int64_t ofDay = microseconds % kMicrosecondsPerDay;
    if (ofDay < 0) {
        ofDay += kMicrosecondsPerDay;
        --days;
    }
    CalendarTime time;
    CivilFromDays(days, time);
    const int64_t secondOfDay = ofDay / kMicrosecondsPerSecond;
    time.Hour = static_cast<int>(secondOfDay / 3600);
    time.Minute = static_cast<int>(secondOfDay / 60 % 60);
    time.Second = static_cast<int>(secondOfDay % 60);
    microsecond = static_cast<int>(ofDay % kMicrosecondsPerSecond);
    return time;
}

}  // namespace quenlix
