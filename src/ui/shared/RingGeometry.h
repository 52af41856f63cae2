#pragma once
// The circle both the Token Ring map and the peer maps place their stations on:
// up to 180 points clockwise from 9 o'clock, and the text measurement of the
// surface the labels are drawn on.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quenlix {

constexpr int kRingPointCount = 180;
// The one label of the stations beyond the last point.
inline constexpr const char* kOverflowLabel = "OVERFLOW      ";

// Text measurement of the drawing surface, in pixels, for the map's font at a size.
class RingTextMetrics {
public:
    virtual ~RingTextMetrics() = default;
    virtual int TextWidth(const std::string& text, int pointSize) const = 0;
    virtual int TextHeight(const std::string& text, int pointSize) const = 0;
};

struct RingPoint {
    int16_t X = 0;  // offset from the centre, right positive
    int16_t Y = 0;  // offset from the centre, down positive
    friend bool operator==(const RingPoint&, const RingPoint&) = default;
};

// The points of the ring, clockwise from 9 o'clock: index 1 to 180 (0 unused).
struct RingPointTable {
    std::array<RingPoint, kRingPointCount + 1> RingPoints{};
    int Written = 0;          // highest index filled
    int PointsPerQuarter = 1;
    bool FewStations = false;
};

// The point table for a ring of ringStationCount stations (any value; it is
// clamped to 4..180 for the spacing) on a circle of the given radius.
RingPointTable BuildRingPoints(int32_t ringStationCount, int32_t ringRadius, double pointStep);

// The point index of each of the first count stations (1-based, at most 180).
std::vector<int> RingPointIndexes(int32_t ringStationCount, bool fewStations);

}  // namespace quenlix
