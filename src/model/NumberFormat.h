#pragma once
// Number, duration and date texts shared by every view. Numbers always use ","
// as the thousands separator and "." as the decimal point, whatever the locale,
// so that the desktop views, the printed reports and the command-line report
// show the same figures.

#include <concepts>
#include <cstdint>
#include <string>

namespace quenlix {

// A whole number with thousands separators: 1234567 -> "1,234,567", -1234 -> "-1,234".
std::string FormatCountInteger(int64_t value);

// Counts of any integer width.
template <std::integral T>
std::string FormatCount(T value)
{
    return FormatCountInteger(static_cast<int64_t>(value));
}

// A count held as a real (the byte totals): rounded to nearest, ties to even.
// Values that are not finite show as "0".
std::string FormatCount(double value);

// A real with thousands separators and the given number of decimals (0 to 9):
// FormatFixed(1234.5, 2) -> "1,234.50". Never prints "-0.00".
std::string FormatFixed(double value, int decimals);

// The number FormatFixed(value, decimals) shows, as the nearest double: printf
// rounds the exact binary value ("%.3f" of 21.3449999 is "21.345"), so this does
// too, and a figure kept beside its text compares exactly as the text reads.
double RoundToDecimals(double value, int decimals);

// Milliseconds and similar measurements: two decimals with thousands separators.
std::string FormatMilliseconds(double value);

// The value rounded to three significant digits (ties to even).
double RoundToSignificant3(double value);

// A table percentage: rounded to three significant digits, then shown with two
// decimals, thousands separators and "%": 45.678 -> "45.70%", 100 -> "100.00%",
// 0.04321 -> "0.04%".
std::string FormatPercent(double percent);

// part / whole x 100 as a table percentage; "0.00%" when whole is not positive.
std::string PercentOf(double part, double whole);
// The number that PercentOf(part, whole) shows: 45.70 for "45.70%".
double PercentOfFigure(double part, double whole);

// Whole seconds as hours:minutes:seconds, each field at least two digits; hours
// do not wrap at 24. Negative durations show as "00:00:00".
std::string FormatDuration(int64_t seconds);

// A local date and time as "dd/mm/yyyy hh:mm:ss" (24-hour clock).
std::string FormatDateTime(int year, int month, int day, int hour, int minute, int second);

// The last-modified date and time of a file in local time, "dd/mm/yyyy hh:mm:ss";
// the empty text when the file cannot be opened.
std::string FileDateText(const std::string& fileName);
// The same local time as ISO 8601, "2024-03-05T07:08:09"; empty likewise.
std::string FileDateISO8601(const std::string& fileName);

}  // namespace quenlix
