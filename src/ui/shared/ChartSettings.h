#pragma once
// The chart options that the Chart Properties dialog edits, the main window's
// settings keep and the chart pages draw with (colours as 0x00BBGGRR).

#include <cstdint>

namespace quenlix {

struct ChartSettings {
    int32_t ChartType = 0;   // 0 pie, 1 bar
    int32_t ChartUnits = 0;  // 0 "Percent", 1 "Packets"
    bool ShowGradient = true;
    bool ShowTitle = true;
    bool ShowValues = true;
    bool ShowLegend = true;
    bool View3D = true;
    int32_t TopColor = 0xFFFFFF;     // white
    int32_t BottomColor = 0x00FFFF;  // yellow

    bool operator==(const ChartSettings&) const = default;
};

}  // namespace quenlix
