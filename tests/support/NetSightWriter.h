#pragma once
// Builds LANDesk/NetSight traces byte by byte: the 52-byte header (medium, number of
// frames, capture start, slice setting), then the frame records: the stored length,
// the stored bytes, a 32-bit time stamp and a status word.

#include <cstdint>
#include <optional>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct NetSightOptions {
    uint16_t Network = 1;     // the word at 40: 1 Ethernet, 3 Token Ring
    std::optional<int32_t> FrameCount;  // unset: the number of frames written
    int32_t StartField = 14400;  // seconds since 1970 plus 14400
    uint16_t SliceSetting = 0;   // bits 1..3 x 32 is the slice; 0 means 1514
};

struct NetSightFrame {
    std::vector<uint8_t> Bytes;
    uint32_t Stamp = 0;   // BIOS ticks above bit 11, 32-count timer steps below
    uint16_t Status = 0;  // high byte: bit 2 bad FCS, bit 3 alignment error
};

constexpr std::size_t kNetSightHeaderBytes = 52;

TraceImage BuildNetSightTrace(const NetSightOptions& options, const std::vector<NetSightFrame>& frames);

}  // namespace quenlix::testing
