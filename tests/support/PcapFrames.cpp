#include "PcapFrames.h"

#include <stdexcept>

#include "TestFiles.h"

namespace quenlix::testing {

namespace {

constexpr std::size_t kFileHeaderBytes = 24;
constexpr std::size_t kRecordHeaderBytes = 16;

class FieldOrder {
public:
    explicit FieldOrder(bool swapped) : swapped_(swapped) {}
    uint32_t U32(const uint8_t* p) const
    {
        const uint32_t little = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        const uint32_t big = static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        return swapped_ ? big : little;
    }

private:
    bool swapped_;
};

}  // namespace

std::vector<PcapFrame> ReadPcapFrames(const std::string& path)
{
    const std::vector<uint8_t> file = ReadBytes(path);
    if (file.size() < kFileHeaderBytes) throw std::runtime_error(path + ": too short for pcap");
    const uint32_t magic = FieldOrder(false).U32(file.data());
    const bool swapped = magic == 0xD4C3B2A1u || magic == 0x4D3CB2A1u;
    const FieldOrder order(swapped);
    const uint32_t native = order.U32(file.data());
    if (native != 0xA1B2C3D4u && native != 0xA1B23C4Du) throw std::runtime_error(path + ": not a pcap file");
    const double fractionUnit = native == 0xA1B23C4Du ? 1e-3 : 1.0;

    std::vector<PcapFrame> frames;
    std::size_t at = kFileHeaderBytes;
    while (at + kRecordHeaderBytes <= file.size()) {
        const uint8_t* record = file.data() + at;
        const uint32_t captured = order.U32(record + 8);
        if (at + kRecordHeaderBytes + captured > file.size()) throw std::runtime_error(path + ": record cut short");
        PcapFrame frame;
        frame.Microseconds = order.U32(record) * 1e6 + order.U32(record + 4) * fractionUnit;
        frame.WireLength = order.U32(record + 12);
        frame.Bytes.assign(record + kRecordHeaderBytes, record + kRecordHeaderBytes + captured);
        frames.push_back(std::move(frame));
        at += kRecordHeaderBytes + captured;
    }
    return frames;
}

}  // namespace quenlix::testing
