#pragma once
// Builds Observer traces byte by byte: the 113-byte header text that names the
// version, then a chain of 44-byte packet headers and stored bytes linked by
// next-packet offsets. Also builds the Observer analyser's local address tables.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct ObserverOptions {
    std::string HeaderText = "ObserverPktBufferVersion=09.00";
    // When not empty, the header names its own address table: "LocalAddressTable\" + this.
    std::string TableName;
    int32_t NetworkType = 0;  // 0 Ethernet, 1 Token Ring (file offset 133, in the first packet header)
};

struct ObserverPacket {
    uint32_t TimeMs = 0;
    std::vector<uint8_t> Bytes;
    int64_t WireLength = -1;  // -1: the byte count
    uint32_t ErrorFlags = 0;  // bit 0 alignment error, bit 1 bad FCS
    std::size_t GapAfter = 0;  // bytes of filler between this packet and the next
};

TraceImage BuildObserverTrace(const ObserverOptions& options, const std::vector<ObserverPacket>& packets);

// Where a packet header keeps the offset of the next one.
constexpr std::size_t kObserverNextOffsetField = 12;
constexpr std::size_t kObserverStoredLengthField = 40;

struct AddressTableEntry {
    std::array<uint8_t, 6> Mac{};
    std::string Name;  // up to 18 bytes are written
    std::array<uint8_t, 4> Ip{};  // all zero: none
};

// A table of fixed 80-byte records.
std::vector<uint8_t> BuildAddressTable(const std::vector<AddressTableEntry>& entries);

}  // namespace quenlix::testing
