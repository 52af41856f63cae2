#pragma once
// Builds DA-30 traces byte by byte: the 78-byte "EXRS" header with the start time
// of day, the descriptor and topology block it points to, the frame records (a
// record header whose length counts 4-byte words, then the body) and the end record.

#include <cstdint>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct DA30Options {
    bool TokenRing = false;
    uint8_t Hour = 9, Minute = 30, Second = 15;
    uint32_t DescriptorGap = 0;   // bytes between the header and the descriptor
    uint32_t FirstRecordGap = 0;  // bytes between the topology block and the first record
    bool WriteEndRecord = true;
};

struct DA30Frame {
    uint32_t Time = 0;  // 32-microsecond units since the start time of day
    uint32_t Status = 0;  // bit 3 without bit 4: bad FCS (Ethernet)
    std::vector<uint8_t> Bytes;
    int64_t LengthField = -1;  // -1: the number of bytes stored
};

// Record offsets of a DA-30 body, as the reader sees them.
constexpr std::size_t kDA30RecordHeaderBytes = 8;
constexpr std::size_t kDA30FrameFieldsBytes = 28;

// The bytes of one frame record, its body padded to whole words.
std::vector<uint8_t> DA30Record(const DA30Frame& frame);

TraceImage BuildDA30Trace(const DA30Options& options, const std::vector<DA30Frame>& frames);

}  // namespace quenlix::testing
