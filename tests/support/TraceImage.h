#pragma once
// The bytes of a trace file built in memory by one of the format writers, with
// the offsets of its frame records, so that tests can cut or damage a file at an
// exact place before writing it; and a read of a file as the program does it
// (detection, topology, then the driver).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"

namespace quenlix::testing {

struct TraceImage {
    std::vector<uint8_t> Bytes;
    std::vector<std::size_t> FrameOffsets;  // where each frame record begins
    std::size_t FramesEnd = 0;              // where the last frame record ends

    void Save(const std::string& path) const;
    // The file cut after its first `count` bytes.
    TraceImage Prefix(std::size_t count) const;
};

// Appends fields in either byte order.
class ByteSink {
public:
    std::vector<uint8_t>& Data() { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

    void U8(uint8_t value) { bytes_.push_back(value); }
    void Le16(uint16_t value);
    void Le32(uint32_t value);
    void Be16(uint16_t value);
    void Be32(uint32_t value);
    void Be64(uint64_t value);
    void Append(const std::vector<uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Text(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, uint8_t{0}); }
    // Overwrites four bytes already written.
    void PatchLe32(std::size_t at, uint32_t value);
    void PatchLe16(std::size_t at, uint16_t value);

private:
    std::vector<uint8_t> bytes_;
};

// Detects the format and topology of path and reads it into state with the
// driver, as the main window does. Returns the format code; 17 (nothing read) when
// the file is not recognised or its topology is not analysed.
TraceFormatCode DetectAndRead(AnalysisState& state, const std::string& path, ReadHost& host);

}  // namespace quenlix::testing
