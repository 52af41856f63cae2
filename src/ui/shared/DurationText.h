#pragma once
// Durations as the windows and reports show them.

#include <string>

namespace quenlix {

inline constexpr const char* kUnderOneSecond = "< 00:00:01";

// A duration of whole seconds as hours:minutes:seconds ("00:04:00");
// "< 00:00:01" below one second. Each caller rounds its own way first.
std::string DurationText(double wholeSeconds);

}  // namespace quenlix
