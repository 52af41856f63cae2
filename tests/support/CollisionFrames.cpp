#include "CollisionFrames.h"

#include <algorithm>

#include "FrameBuilder.h"

namespace quenlix::testing {

namespace {

SnifferFrame At(uint64_t micros, Bytes bytes, uint8_t status = 0)
{
    SnifferFrame frame;
    frame.TimeCount = micros;
    frame.Bytes = std::move(bytes);
    frame.Status = status;
    return frame;
}

Bytes Plain(const Mac& to, const Mac& from)
{
    return Padded(EthernetII(to, from, 0x0800, {}));
}

}  // namespace

std::vector<SnifferFrame> CollisionFragmentFrames()
{
    const Mac a = MacOf(0xA), b = MacOf(0xB), c = MacOf(0xC);
    std::vector<SnifferFrame> frames;
    uint64_t t = 0;
    for (int i = 0; i < 54; ++i) frames.push_back(At(t += 100, Plain(b, a)));
    for (int i = 0; i < 6; ++i) frames.push_back(At(t += 100, Plain(a, b)));
    // 56 stored bytes and the FCS make 60: a runt, and with a bad FCS a CRC fragment.
    Bytes fragment(56, 0);
    std::copy(c.begin(), c.end(), fragment.begin() + 6);
    for (int i = 0; i < 6; ++i) {
        frames.push_back(At(t += 100, fragment, 0x80));
        frames.push_back(At(t += 100, Plain(b, a)));
        frames.push_back(At(t += 100, Plain(a, b)));
    }
    return frames;
}

void WriteCollisionFragmentTrace(const std::string& path)
{
    WriteSnifferFile(path, {}, CollisionFragmentFrames());
}

}  // namespace quenlix::testing
