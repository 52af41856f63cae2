#pragma once
// Builds FireBerd 500 and NetLens traces byte by byte: the header with the number of
// frames (76 bytes with "ProbeApps" for FireBerd 500, 26 bytes starting with "D" for
// NetLens), then the frame records: a 10-byte header and the stored bytes.

#include <cstdint>
#include <optional>
#include <vector>

#include "TraceImage.h"

namespace quenlix::testing {

struct FireBerdOptions {
    bool NetLens = false;
    std::optional<int32_t> FrameCount;  // unset: the number of frames written
};

struct FireBerdFrame {
    std::vector<uint8_t> Bytes;
    uint32_t Milliseconds = 0;
    uint16_t Status = 0;  // bit 11 bad FCS, bit 10 alignment error
};

constexpr std::size_t kFireBerdHeaderBytes = 76;
constexpr std::size_t kNetLensHeaderBytes = 26;
constexpr std::size_t kFireBerdRecordHeaderBytes = 10;

TraceImage BuildFireBerdTrace(const FireBerdOptions& options, const std::vector<FireBerdFrame>& frames);

}  // namespace quenlix::testing
