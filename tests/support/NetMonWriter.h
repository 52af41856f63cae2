#pragma once
// Builds Network Monitor 1.x traces byte by byte: the 128-byte "RTSS" header with
// the capture start and the frame-table offset, the frame records, and the frame
// table after them.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct NetMonOptions {
    uint16_t NetworkType = 1;  // 1 Ethernet, 2 Token Ring
    uint16_t Year = 2025, Month = 6, Day = 30, Hour = 23, Minute = 59, Second = 58, Milliseconds = 500;
    bool WriteFrameTable = true;
};

struct NetMonFrame {
    int32_t TimeMs = 0;  // from the capture start
    std::vector<uint8_t> Bytes;
    int32_t WireLength = -1;  // -1: stored whole
};

TraceImage BuildNetMonTrace(const NetMonOptions& options, const std::vector<NetMonFrame>& frames);

// The offset of the frame table as the header gives it.
constexpr std::size_t kNetMonFrameTableField = 24;

}  // namespace quenlix::testing
