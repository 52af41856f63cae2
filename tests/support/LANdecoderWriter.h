#pragma once
// Builds LANdecoder traces byte by byte: the 32-byte preamble ("LAN..."), the
// capture-header record with the start date and the medium, frame records and an
// end record.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct LANdecoderOptions {
    bool TokenRing = false;
    uint16_t Year = 2025, Month = 3, Day = 14, Hour = 15, Minute = 9, Second = 26;
    uint16_t CaptureHeaderLength = 60;  // body length of the capture-header record
    bool WriteEndRecord = true;
};

struct LANdecoderFrame {
    uint16_t TickHigh = 0;
    uint16_t TickLow = 0;
    uint16_t Timer = 0xFFFF;  // as stored: the interval timer counts down
    std::vector<uint8_t> Bytes;
    int32_t LengthA = -1;  // the stored-length word; -1: the byte count
    int32_t LengthB = -1;  // the frame-size word; -1: the byte count
    uint16_t Flags = 0;    // Ethernet status: 0x0002 bad FCS, 0x0004 alignment error
    uint16_t RecordType = 1;
};

TraceImage BuildLANdecoderTrace(const LANdecoderOptions& options, const std::vector<LANdecoderFrame>& frames);

// A frame record with the given body length: frame bytes fill what the header leaves.
LANdecoderFrame LANdecoderFrameOfBody(bool tokenRing, std::size_t bodyLength);

}  // namespace quenlix::testing
