#include "ui/shared/DurationText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/NumberFormat.h"

namespace quenlix {

std::string DurationText(double wholeSeconds)
{
    if (!std::isfinite(wholeSeconds) || wholeSeconds < 1) return kUnderOneSecond;
    return FormatDuration(static_cast<int64_t>(std::min(wholeSeconds, 1e12)));
}

}  // namespace quenlix
