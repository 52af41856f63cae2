#pragma once
// Builds LANalyzer traces byte by byte: the ten records of the header area (the
// capture start with the medium, the circular-buffer description among them) and
// frame records, laid out plainly or as a wrapped circular buffer.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct LANalyzerOptions {
    bool TokenRing = false;
    uint8_t Day = 29, Month = 2;
    uint16_t Year = 2024;
    uint8_t Hour = 13, Minute = 45, Second = 30;
    // Wrapped capture: the frames from WrapAt on are stored at the buffer's start,
    // before the older ones, which run to the buffer's end. 0: a plain capture.
    std::size_t WrapAt = 0;
    // Bytes after the buffer's end (a wrapped capture) or after the last frame.
    std::vector<uint8_t> Trailer;
};

struct LANalyzerFrame {
    uint64_t TimeHalfMicroseconds = 0;  // 48 bits, in 0.5 us units
    std::vector<uint8_t> Bytes;         // stored bytes, without the FCS
    int32_t WireLength = -1;            // -1: the byte count plus the 4-byte FCS
    uint16_t ReceiveErrors = 0;         // bit 0: frame error
};

TraceImage BuildLANalyzerTrace(const LANalyzerOptions& options, const std::vector<LANalyzerFrame>& frames);

// File offsets of the circular-buffer description's fields (oldest frame, buffer
// start, buffer end) in a trace of BuildLANalyzerTrace.
struct LANalyzerBufferFields {
    std::size_t Oldest = 0;
    std::size_t Begin = 0;
    std::size_t End = 0;
};
LANalyzerBufferFields LANalyzerBufferFieldOffsets();

}  // namespace quenlix::testing
