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

bool SnifferBlockDecoder::TakeByte(uint8_t& byte)
{
    if (remaining_ == 0 || inPos_ >= inFill_) return false;
    byte = in_[inPos_++];
    --remaining_;
    return true;
}

bool SnifferBlockDecoder::DecodeGroup()
{
    uint8_t low = 0, high = 0;
    if (!TakeByte(low) || !TakeByte(high)) return false;
    const unsigned control = static_cast<unsigned>(low | high << 8);
    const std::size_t before = produced_;
    for (int bit = 15; bit >= 0 && remaining_ > 0; --bit) {
        if ((control >> bit & 1u) != 0) {
            if (!DecodeCode()) return false;
            continue;
        }
        uint8_t literal = 0;
        if (!TakeByte(literal) || !Run(1, literal)) return false;
    }
    return produced_ > before;
}

bool SnifferBlockDecoder::DecodeCode()
{
    uint8_t code = 0, n = 0;
    if (!TakeByte(code) || !TakeByte(n)) return false;
    const std::size_t low = code & 0x0F;
    const std::size_t distance = low + 16u * n + 3;
    switch (code & 0xF0) {
    case 0x00:
        return Run(low + 3, n);
    case 0x10: {
        uint8_t value = 0;
        if (!TakeByte(value)) return false;
        return Run(low + 16u * n + 19, value);
    }
    case 0x20: {
        uint8_t length = 0;
        if (!TakeByte(length)) return false;
        return Copy(length + 16u, distance);
    }
    default:
        return Copy(code >> 4, distance);
    }
}

bool SnifferBlockDecoder::Run(std::size_t count, uint8_t value)
{
    if (count > out_.size() - produced_) return false;
    std::memset(out_.data() + produced_, value, count);
    produced_ += count;
    return true;
}

bool SnifferBlockDecoder::Copy(std::size_t count, std::size_t distance)
{
    if (distance > produced_ || count > out_.size() - produced_) return false;
    const std::size_t source = produced_ - distance;
    // The source is taken as it stood before the copy. Where it reaches past the
    // output produced so far, this block has written nothing yet: those bytes read as
    // zeros rather than as whatever an earlier block left in the buffer.
    if (source + count > produced_) std::memset(out_.data() + produced_, 0, source + count - produced_);
    std::memmove(out_.data() + produced_, out_.data() + source, count);
    produced_ += count;
    return true;
}

}  // namespace quenlix
