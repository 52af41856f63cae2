#include "import/SnifferDecoder.h"

#include <algorithm>
#include <cstring>

namespace quenlix {

namespace {
constexpr uint16_t kStoredBlockBit = 0x8000;
constexpr std::size_t kMaxBlockBytes = 0x7FFF;
}  // namespace

SnifferBlockDecoder::SnifferBlockDecoder(TraceInput& input)
    : input_(input), out_(kDecodeBufferBytes), in_(kMaxBlockBytes)
{
}

bool SnifferBlockDecoder::Fail()
{
    failed_ = true;
    return false;
}

bool SnifferBlockDecoder::Read(uint8_t* dst, std::size_t n)
{
    if (failed_) return false;
    while (n > 0) {
        const std::size_t waiting = produced_ - handedOut_;
        if (waiting > 0) {
            const std::size_t take = std::min(waiting, n);
            std::memcpy(dst, out_.data() + handedOut_, take);
            handedOut_ += take;
            dst += take;
            n -= take;
            continue;
        }
        if (remaining_ == 0 && !StartBlock()) return Fail();
        if (compressed_) {
            if (!DecodeGroup()) return Fail();
        } else if (!ReadStoredPiece(dst, n)) {
            return Fail();
        }
    }
    return true;
}

bool SnifferBlockDecoder::StartBlock()
{
    uint8_t header[2];
    if (input_.Read(header, 2) != 2) return false;
    const uint16_t word = static_cast<uint16_t>(header[0] | header[1] << 8);
    compressed_ = (word & kStoredBlockBit) == 0;
    remaining_ = word & kMaxBlockBytes;
    produced_ = handedOut_ = 0;
    inPos_ = inFill_ = 0;
    // A compressed block is decoded from memory; when the file ends inside it, the
    // groups before the cut still decode and the next byte wanted is a failure.
    if (compressed_) inFill_ = input_.Read(in_.data(), remaining_);
    return true;
}

bool SnifferBlockDecoder::ReadStoredPiece(uint8_t*& dst, std::size_t& wanted)
{
    const std::size_t piece = std::min({kStoredPieceBytes, remaining_, wanted});
    if (input_.Read(dst, piece) != piece) return false;
    remaining_ -= piece;
    dst += piece;
    wanted -= piece;
    return true;
}

bool SnifferBlockDecoder::DecodeGroup()
{
    // The group is decoded on local copies of the position counters: every store of
    // an output byte may alias any member as far as the compiler knows, so working on
    // the members themselves would reload them after each byte.
    const uint8_t* const in = in_.data();
    uint8_t* const out = out_.data();
    const std::size_t outSize = out_.size();
    const std::size_t available = inFill_;
    std::size_t inPos = inPos_;
    std::size_t remaining = remaining_;
    std::size_t produced = produced_;
    const std::size_t before = produced;

    const auto take = [&](uint8_t& byte) {
        if (remaining == 0 || inPos >= available) return false;
        byte = in[inPos++];
        --remaining;
        return true;
    };
    const auto run = [&](std::size_t count, uint8_t value) {
        if (count > outSize - produced) return false;
        std::memset(out + produced, value, count);
        produced += count;
        return true;
    };
    const auto copy = [&](std::size_t count, std::size_t distance) {
        if (distance > produced || count > outSize - produced) return false;
        const std::size_t source = produced - distance;
        // The source is taken as it stood before the copy. Where it reaches past the
        // output produced so far, this block has written nothing yet: those bytes read
        // as zeros rather than as whatever an earlier block left in the buffer.
        if (source + count > produced) std::memset(out + produced, 0, source + count - produced);
        std::memmove(out + produced, out + source, count);
        produced += count;
        return true;
    };
    const auto code = [&]() {
        uint8_t kind = 0, n = 0;
        if (!take(kind) || !take(n)) return false;
        const std::size_t low = kind & 0x0F;
        const std::size_t distance = low + 16u * n + 3;
        switch (kind & 0xF0) {
        case 0x00:
            return run(low + 3, n);
        case 0x10: {
            uint8_t value = 0;
            return take(value) && run(low + 16u * n + 19, value);
        }
        case 0x20: {
            uint8_t length = 0;
            return take(length) && copy(length + 16u, distance);
        }
        default:
            return copy(kind >> 4, distance);
        }
    };

    bool ok = true;
    uint8_t low = 0, high = 0;
    if (!take(low) || !take(high)) {
        ok = false;
    } else {
        const unsigned control = static_cast<unsigned>(low | high << 8);
        for (int bit = 15; bit >= 0 && remaining > 0; --bit) {
            if ((control >> bit & 1u) != 0) {
                ok = code();
            } else {
                uint8_t literal = 0;
                ok = take(literal) && produced < outSize;
                if (ok) out[produced++] = literal;
            }
            if (!ok) break;
        }
    }
    inPos_ = inPos;
    remaining_ = remaining;
    produced_ = produced;
    return ok && produced > before;
}

}  // namespace quenlix
