#pragma once
// Builds LANWatch traces byte by byte: the 16-byte "PKTDMP" header (20 bytes from
// version 4 on) with the version and the medium, then the records: a 12-byte header
// and the stored bytes, or the header alone for a record flagged as holding no data.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct LANWatchOptions {
    uint16_t Version = 4;
    uint8_t Network = 1;  // the high byte of the word at 12: 1 Ethernet, 3 Token Ring
};

struct LANWatchRecord {
    std::vector<uint8_t> Bytes;  // the stored bytes (Ethernet without FCS)
    uint16_t CountedLength = 0;  // 0: the number of bytes stored
    uint16_t Flags = 0;          // bit 15 no data, bit 7 alignment error, bit 1 bad FCS
    uint32_t Ticks = 0;
    uint16_t TimerCount = 0;
};

constexpr uint16_t kLANWatchNoData = 0x8000;
constexpr std::size_t kLANWatchRecordHeaderBytes = 12;

// FrameOffsets lists the records that hold a frame.
TraceImage BuildLANWatchTrace(const LANWatchOptions& options, const std::vector<LANWatchRecord>& records);

}  // namespace quenlix::testing
