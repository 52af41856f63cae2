#pragma once
// Writes Sniffer trace files, plain or compressed, frame by frame, so that tests,
// the benchmark and the bundled sample can build any trace byte by byte.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quenlix::testing {

struct SnifferFileOptions {
    uint8_t NetworkType = 1;  // 1 Ethernet, 0 Token Ring
    uint8_t TimeUnit = 5;     // 5: one count is one microsecond
    bool Compressed = false;
    uint16_t DosDate = 0x5A21;  // 2025-01-01
    uint16_t DosTime = 0x6000;  // 12:00:00
    bool WriteEndRecord = true;
};

struct SnifferFrame {
    uint64_t TimeCount = 0;        // 40-bit time count in the file's time unit
    std::vector<uint8_t> Bytes;    // stored frame bytes (Ethernet without FCS)
    uint16_t TrueSize = 0;         // 0: stored whole
    uint8_t Status = 0;            // 0x80 bad FCS, 0x40 alignment error (Ethernet)
    uint16_t RecordType = 4;       // 4, 5 or 12
};

class SnifferWriter {
public:
    SnifferWriter(const std::string& path, const SnifferFileOptions& options);
    ~SnifferWriter();
    SnifferWriter(const SnifferWriter&) = delete;
    SnifferWriter& operator=(const SnifferWriter&) = delete;

    void AddFrame(const SnifferFrame& frame);
    // Any record, header and body as given (body length taken from body.size()).
    void AddRecord(uint16_t type, const std::vector<uint8_t>& body);
    // Writes the end record (when asked) and flushes; called by the destructor too.
    void Finish();

private:
    void Emit(const std::vector<uint8_t>& bytes);
    void FlushBlock();
    void WriteRaw(const uint8_t* bytes, std::size_t count);

    std::FILE* file_ = nullptr;
    SnifferFileOptions options_;
    std::vector<uint8_t> pending_;  // compressed mode: bytes waiting for the next block
    bool finished_ = false;
    bool streaming_ = false;  // compressed mode: the block stream has begun
};

// Compresses one block of data with the Sniffer code (runs, back references and
// literals); the result is the block's body without its 2-byte header.
std::vector<uint8_t> CompressSnifferBlock(const std::vector<uint8_t>& data);

// Convenience: a whole file in one call.
void WriteSnifferFile(const std::string& path, const SnifferFileOptions& options,
                      const std::vector<SnifferFrame>& frames);

}  // namespace quenlix::testing
