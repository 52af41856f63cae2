#include "ui/shared/RingGeometry.h"

#include <algorithm>
#include <cmath>

#include "model/AnalysisState.h"

namespace quenlix {

RingPointTable BuildRingPoints(int32_t ringStationCount, int32_t ringRadius, double pointStep)
{
    RingPointTable table;
    const int n = std::clamp<int32_t>(ringStationCount, 4, kRingPointCount);
    if (ringStationCount >= 5) {
        table.PointsPerQuarter = (n + 5) / 4;
    } else if (ringStationCount == 3 || ringStationCount == 4) {
        table.PointsPerQuarter = 2;
        table.FewStations = true;
    }
    const int q = table.PointsPerQuarter;
    auto& p = table.RingPoints;
    int next = 0;
    auto put = [&](int x, int y) {
        ++next;
        if (next > kRingPointCount) return;
        p[static_cast<size_t>(next)] = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
        table.Written = next;
    };
    const double r = ringRadius;
    for (int c = 0; c < q; ++c) {
        const double d = std::nearbyint(pointStep * c);
        put(-static_cast<int>(std::nearbyint(std::sqrt(std::max(0.0, r * r - d * d)))), -static_cast<int>(d));
    }
    for (int c = q; c >= 1; --c) put(-p[static_cast<size_t>(c)].X, p[static_cast<size_t>(c)].Y);
    --next;  // the third quarter starts on the last point of the second
    for (int c = 1; c <= q; ++c) put(-p[static_cast<size_t>(c)].X, -p[static_cast<size_t>(c)].Y);
    for (int c = q; c >= 1; --c) put(p[static_cast<size_t>(c)].X, -p[static_cast<size_t>(c)].Y);
    return table;
}

std::vector<int> RingPointIndexes(int32_t ringStationCount, bool fewStations)
{
    std::vector<int> indexes;
    const int count = std::clamp<int32_t>(ringStationCount, 0, kRingOrderCapacity);
    int i = 0;
    for (int b = 1; b <= count; ++b) {
        i = std::min(i + 1, kRingPointCount);
        // Three or four stations leave out 9 o'clock (point 1), 3 o'clock (point 4)
        // and the point below it (5).
        if (fewStations)
            while (i == 1 || i == 4 || i == 5) ++i;
        indexes.push_back(i);
    }
    return indexes;
}

}  // namespace quenlix
