#include "ObserverWriter.h"

#include <algorithm>

namespace quenlix::testing {

namespace {

constexpr std::size_t kHeaderBytes = 113;
constexpr std::size_t kTableMarkerOffset = 40;
constexpr std::size_t kPacketHeaderBytes = 44;
constexpr std::size_t kNetworkTypeField = 20;  // file offset 133 in the first packet header
constexpr std::size_t kTableRecordBytes = 80;

void WriteHeader(ByteSink& out, const ObserverOptions& options)
{
    out.Text(options.HeaderText);
    if (!options.TableName.empty()) {
        out.Zeros(kTableMarkerOffset - std::min(out.Size(), kTableMarkerOffset));
        out.Text("C:\\Observer Files\\LocalAddressTable\\" + options.TableName);
        out.U8(0);
    }
    out.Zeros(kHeaderBytes - std::min(out.Size(), kHeaderBytes));
    out.Data().resize(kHeaderBytes);
}

void WritePacket(ByteSink& out, const ObserverOptions& options, const ObserverPacket& packet, uint32_t next)
{
    const auto stored = static_cast<uint32_t>(packet.Bytes.size());
    const std::size_t start = out.Size();
    out.Zeros(kPacketHeaderBytes);
    out.PatchLe32(start + kObserverNextOffsetField, next);
    out.PatchLe32(start + kNetworkTypeField, static_cast<uint32_t>(options.NetworkType));
    out.PatchLe32(start + 28, static_cast<uint32_t>(packet.WireLength < 0 ? stored : packet.WireLength));
    out.PatchLe32(start + 32, packet.ErrorFlags);
    out.PatchLe32(start + 36, packet.TimeMs);
    out.PatchLe32(start + kObserverStoredLengthField, stored);
    out.Append(packet.Bytes);
    out.Zeros(packet.GapAfter);
}

}  // namespace

TraceImage BuildObserverTrace(const ObserverOptions& options, const std::vector<ObserverPacket>& packets)
{
    ByteSink out;
    WriteHeader(out, options);
    TraceImage image;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const std::size_t start = out.Size();
        image.FrameOffsets.push_back(start);
        const std::size_t end = start + kPacketHeaderBytes + packets[i].Bytes.size() + packets[i].GapAfter;
        const bool last = i + 1 == packets.size();
        WritePacket(out, options, packets[i], last ? 0 : static_cast<uint32_t>(end));
    }
    image.FramesEnd = out.Size();
    image.Bytes = std::move(out.Data());
    return image;
}

std::vector<uint8_t> BuildAddressTable(const std::vector<AddressTableEntry>& entries)
{
    std::vector<uint8_t> table;
    for (const AddressTableEntry& entry : entries) {
        std::vector<uint8_t> record(kTableRecordBytes, 0);
        std::copy(entry.Mac.begin(), entry.Mac.end(), record.begin() + 4);
        std::copy_n(entry.Name.begin(), std::min<std::size_t>(entry.Name.size(), 18), record.begin() + 10);
        std::copy(entry.Ip.begin(), entry.Ip.end(), record.begin() + 28);
        std::fill(record.begin() + 32, record.end(), uint8_t{0xEE});  // bytes the table keeps for itself
        table.insert(table.end(), record.begin(), record.end());
    }
    return table;
}

}  // namespace quenlix::testing
