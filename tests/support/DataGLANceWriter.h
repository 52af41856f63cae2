#pragma once
// Builds DataGLANce traces byte by byte: the 512-byte header (medium, wrapped flag,
// capture start) and the 128-byte frame records, a long frame going on in
// continuation records of 88 bytes each.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct DataGLANceOptions {
    uint8_t Network = 3;  // header byte 130: 3 Ethernet, 2 Token Ring, 1 FDDI
    bool Wrapped = false;
    int32_t StartField = 25200;  // seconds since 1970 plus 25200
};

struct DataGLANceFrame {
    std::vector<uint8_t> Bytes;
    uint16_t CountedLength = 0;  // 0: the number of bytes stored
    int32_t StoredLengthField = -1;  // -1: the number of bytes stored
    uint8_t Kind = 0;    // bit 5: the time is an interval-timer count
    uint8_t Status = 0;  // bit 1 bad FCS, bit 2 alignment error
    uint16_t T6 = 0, T8 = 0, T10 = 0;
};

constexpr std::size_t kDataGLANceHeaderBytes = 512;
constexpr std::size_t kDataGLANceRecordBytes = 128;
constexpr std::size_t kDataGLANceBytesPerRecord = 88;

// The first record and the continuation records of one frame.
std::vector<uint8_t> DataGLANceRecords(const DataGLANceFrame& frame);

TraceImage BuildDataGLANceTrace(const DataGLANceOptions& options, const std::vector<DataGLANceFrame>& frames);

}  // namespace quenlix::testing
