#include "EtherPeekWriter.h"

namespace quenlix::testing {

namespace {

constexpr std::size_t kHeaderBytes = 50;

void WritePacketHeader(ByteSink& out, uint8_t version, const EtherPeekPacket& packet)
{
    const auto count = static_cast<uint16_t>(packet.Bytes.size());
    const auto wire = static_cast<uint16_t>(packet.WireLength < 0 ? count : packet.WireLength);
    const uint16_t slice = packet.SliceFieldZero ? 0 : count;
    if (version == 6) {
        out.Be16(wire);
        out.Be16(slice);
        out.U8(packet.Flags);
        out.U8(0);
        out.Be32(static_cast<uint32_t>(packet.TimeStamp));
        out.Zeros(16);
    } else {
        out.Be16(0);
        out.Be16(wire);
        out.Be16(slice);
        out.U8(packet.Flags);
        out.U8(0);
        out.Be64(packet.TimeStamp);
    }
}

}  // namespace

TraceImage BuildEtherPeekTrace(const EtherPeekOptions& options, const std::vector<EtherPeekPacket>& packets)
{
    ByteSink out;
    out.U8(options.Version);
    out.U8(0);
    out.Be32(0);  // file length, not used
    out.Be32(options.PacketCount.value_or(static_cast<uint32_t>(packets.size())));
    out.Zeros(kHeaderBytes - out.Size());
    TraceImage image;
    for (const EtherPeekPacket& packet : packets) {
        image.FrameOffsets.push_back(out.Size());
        WritePacketHeader(out, options.Version, packet);
        out.Append(packet.Bytes);
        if (packet.Bytes.size() % 2 != 0) out.U8(0);
    }
    image.FramesEnd = out.Size();
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
