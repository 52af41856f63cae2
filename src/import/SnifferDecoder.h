#pragma once
// The block stream of a compressed Sniffer trace. Every block starts with a 2-byte
// header: bit 15 set means the next (header & 0x7FFF) bytes are stored as they are;
// bit 15 clear means the next (header) bytes are compressed. Compressed data is a
// series of groups, each a 16-bit control word followed by up to 16 items (bit 15
// first): a clear bit is a literal byte, a set bit a code byte K and one or two
// more bytes:
//   K & 0xF0 == 0x00, N     : (K & 0x0F) + 3 copies of N
//   K & 0xF0 == 0x10, N, V  : (K & 0x0F) + 16 N + 19 copies of V
//   K & 0xF0 == 0x20, N, L  : copy L + 16 bytes from (K & 0x0F) + 16 N + 3 back
//   K & 0xF0 >= 0x30, N     : copy K >> 4 bytes from (K & 0x0F) + 16 N + 3 back
// A copy reads the block's own output, moved as a whole as it stood before the copy.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "import/TraceInput.h"

namespace quenlix {

class SnifferBlockDecoder {
public:
    // The decoded output of one block must fit here.
    static constexpr std::size_t kDecodeBufferBytes = 32768;
    // Stored blocks are handed on in pieces of at most this size.
    static constexpr std::size_t kStoredPieceBytes = 16384;

    explicit SnifferBlockDecoder(TraceInput& input);

    // Delivers exactly n decoded bytes to dst. Returns false on a decoding failure or
    // when the data ends first; the decoder then stays failed.
    [[nodiscard]] bool Read(uint8_t* dst, std::size_t n);
    [[nodiscard]] bool Failed() const { return failed_; }

private:
    [[nodiscard]] bool StartBlock();
    // Decodes one control word and its items into out_; false on a failure.
    [[nodiscard]] bool DecodeGroup();
    [[nodiscard]] bool ReadStoredPiece(uint8_t*& dst, std::size_t& wanted);
    [[nodiscard]] bool Fail();

    TraceInput& input_;
    std::vector<uint8_t> out_;  // decoded output of the current block
    std::vector<uint8_t> in_;   // compressed bytes of the current block
    std::size_t inPos_ = 0;
    std::size_t inFill_ = 0;      // fewer than the block announced when the file ends early
    std::size_t remaining_ = 0;   // block bytes not yet taken
    std::size_t produced_ = 0;    // decoded bytes of the block so far
    std::size_t handedOut_ = 0;   // decoded bytes already delivered
    bool compressed_ = true;
    bool failed_ = false;
};

}  // namespace quenlix
