#pragma once
// Builds LAN900 traces byte by byte: a file of 65536-byte blocks, block 0 holding the
// header (the 03 94 mark, the first and last block numbers, one frame count per
// block) and the blocks after it holding the records: a 12-byte header and the
// record's bytes, which begin with the frame's length as counted.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct LAN900Record {
    std::vector<uint8_t> Bytes;  // the frame without its FCS
    uint16_t CountedLength = 0;  // 0: the bytes stored plus the 4-byte FCS
    uint8_t Kind = 0x82;         // 0x82 a frame; others are passed over
    uint8_t Network = 5;         // low 5 bits: 5 or 7 Ethernet, 6 Token Ring
    uint8_t Status = 0;          // bit 0 bad FCS, bit 1 alignment error
    uint32_t Ticks = 0;          // BIOS timer ticks
    uint16_t TimerCount = 0;     // interval-timer counts
};

struct LAN900Block {
    std::vector<LAN900Record> Records;
    int32_t FrameCount = -1;  // the block's count in the header; -1: its frame records
};

struct LAN900Options {
    uint16_t FirstBlock = 1;
    int32_t LastBlock = -1;  // -1: the first block plus the blocks written, less one
};

constexpr std::size_t kLAN900BlockBytes = 65536;
constexpr std::size_t kLAN900RecordHeaderBytes = 12;
constexpr std::size_t kLAN900CountTable = 0x202E;

std::vector<uint8_t> LAN900RecordBytes(const LAN900Record& record);

// FrameOffsets lists every frame record (kind 0x82) in file order.
TraceImage BuildLAN900Trace(const LAN900Options& options, const std::vector<LAN900Block>& blocks);

}  // namespace quenlix::testing
