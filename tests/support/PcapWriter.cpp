#include "PcapWriter.h"

#include <stdexcept>

namespace quenlix::testing {

namespace {

// Appends fields in the byte order chosen for the file or section.
class OrderedSink {
public:
    OrderedSink(ByteSink& out, bool big) : out_(out), big_(big) {}
    void U16(uint16_t value) { big_ ? out_.Be16(value) : out_.Le16(value); }
    void U32(uint32_t value) { big_ ? out_.Be32(value) : out_.Le32(value); }
    void U64(uint64_t value)
    {
        if (big_) {
            out_.Be64(value);
        } else {
            out_.Le32(static_cast<uint32_t>(value));
            out_.Le32(static_cast<uint32_t>(value >> 32));
        }
    }
    void Padded(const std::vector<uint8_t>& bytes)
    {
        out_.Append(bytes);
        out_.Zeros((4 - bytes.size() % 4) % 4);
    }
    void Option(uint16_t code, const std::vector<uint8_t>& value)
    {
        U16(code);
        U16(static_cast<uint16_t>(value.size()));
        Padded(value);
    }
    void EndOfOptions() { U32(0); }
    std::vector<uint8_t> Bytes32(uint32_t value) const
    {
        ByteSink sink;
        OrderedSink(sink, big_).U32(value);
        return sink.Data();
    }
    std::vector<uint8_t> Bytes64(uint64_t value) const
    {
        ByteSink sink;
        OrderedSink(sink, big_).U64(value);
        return sink.Data();
    }

    // Opens a block; Close writes its total length at both ends.
    std::size_t Open(uint32_t type)
    {
        const std::size_t begin = out_.Size();
        U32(type);
        U32(0);
        return begin;
    }
    std::size_t Close(std::size_t begin)
    {
        const auto length = static_cast<uint32_t>(out_.Size() + 4 - begin);
        U32(length);
        const std::vector<uint8_t> field = Bytes32(length);
        for (int i = 0; i < 4; ++i) out_.Data()[begin + 4 + i] = field[i];
        return out_.Size();
    }

private:
    ByteSink& out_;
    bool big_;
};

uint32_t OriginalOf(const PcapPacket& packet)
{
    return packet.OriginalLength < 0 ? static_cast<uint32_t>(packet.Bytes.size())
                                     : static_cast<uint32_t>(packet.OriginalLength);
}

void WritePacketBlock(OrderedSink& out, const PcapPacket& packet)
{
    const auto stored = static_cast<uint32_t>(packet.Bytes.size());
    switch (packet.Block) {
    case PcapBlock::Simple:
        out.U32(OriginalOf(packet));
        out.Padded(packet.Bytes);
        return;
    case PcapBlock::Obsolete:
        out.U16(static_cast<uint16_t>(packet.Interface));
        out.U16(0);  // drops
        break;
    case PcapBlock::Enhanced:
        out.U32(packet.Interface);
        break;
    }
    out.U32(static_cast<uint32_t>(packet.Stamp >> 32));
    out.U32(static_cast<uint32_t>(packet.Stamp));
    out.U32(stored);
    out.U32(OriginalOf(packet));
    out.Padded(packet.Bytes);
    if (packet.Flags) {
        out.Option(2, out.Bytes32(*packet.Flags));
        out.EndOfOptions();
    }
}

void WritePcapHeader(ByteSink& sink, const PcapOptions& options)
{
    OrderedSink out(sink, options.BigEndian);
    out.U32(options.Nanoseconds ? 0xA1B23C4D : 0xA1B2C3D4);
    out.U16(2);
    out.U16(4);
    out.U32(0);
    out.U32(0);
    out.U32(options.SnapLength);
    out.U32(options.LinkType);
}

void WritePcapRecord(ByteSink& sink, const PcapOptions& options, const PcapPacket& packet)
{
    OrderedSink out(sink, options.BigEndian);
    const uint64_t perSecond = options.Nanoseconds ? 1000000000 : 1000000;
    out.U32(static_cast<uint32_t>(packet.Stamp / perSecond));
    out.U32(static_cast<uint32_t>(packet.Stamp % perSecond));
    out.U32(static_cast<uint32_t>(packet.Bytes.size()));
    out.U32(OriginalOf(packet));
    sink.Append(packet.Bytes);
}

}  // namespace

TraceImage BuildPcapTrace(const PcapOptions& options, const std::vector<PcapPacket>& packets)
{
    ByteSink sink;
    WritePcapHeader(sink, options);
    TraceImage image;
    for (const PcapPacket& packet : packets) {
        image.FrameOffsets.push_back(sink.Size());
        WritePcapRecord(sink, options, packet);
    }
    image.FramesEnd = sink.Size();
    image.Bytes = std::move(sink.Data());
    return image;
}

PcapFileWriter::PcapFileWriter(const std::string& path, const PcapOptions& options)
    : file_(path, std::ios::binary | std::ios::trunc), path_(path), options_(options)
{
    ByteSink sink;
    WritePcapHeader(sink, options_);
    file_.write(reinterpret_cast<const char*>(sink.Data().data()), static_cast<std::streamsize>(sink.Size()));
}

void PcapFileWriter::AddPacket(const PcapPacket& packet)
{
    ByteSink sink;
    WritePcapRecord(sink, options_, packet);
    file_.write(reinterpret_cast<const char*>(sink.Data().data()), static_cast<std::streamsize>(sink.Size()));
}

void PcapFileWriter::Finish()
{
    file_.close();
    if (!file_) throw std::runtime_error("cannot write " + path_);
}

PcapNgTrace BuildPcapNgTrace(const std::vector<PcapNgSection>& sections)
{
    ByteSink sink;
    PcapNgTrace trace;
    auto block = [&trace](std::size_t begin, std::size_t end, bool packet) {
        trace.Blocks.push_back({begin, end, packet});
        if (packet) trace.Image.FrameOffsets.push_back(begin);
    };
    for (const PcapNgSection& section : sections) {
        OrderedSink out(sink, section.BigEndian);
        std::size_t begin = out.Open(0x0A0D0D0A);
        out.U32(0x1A2B3C4D);
        out.U16(1);
        out.U16(0);
        out.U64(~uint64_t{0});  // section length not given
        if (section.OtherBlocks) {
            out.Option(1, {'q', 'u', 'e', 'n', 'l', 'i', 'x'});  // a comment
            out.EndOfOptions();
        }
        block(begin, out.Close(begin), false);

        for (const PcapNgInterface& face : section.Interfaces) {
            begin = out.Open(1);
            out.U16(face.LinkType);
            out.U16(0);
            out.U32(face.SnapLength);
            if (face.TimeResolution) out.Option(9, {*face.TimeResolution});
            if (face.FcsBits) out.Option(13, {*face.FcsBits});
            if (face.TimeOffset) out.Option(14, out.Bytes64(static_cast<uint64_t>(*face.TimeOffset)));
            if (face.TimeResolution || face.FcsBits || face.TimeOffset) out.EndOfOptions();
            block(begin, out.Close(begin), false);
        }
        if (section.OtherBlocks) {
            begin = out.Open(4);  // name resolution: one IPv4 record, then the end record
            out.U16(1);
            out.U16(13);
            out.Padded({10, 0, 0, 1, 'h', 'o', 's', 't', '.', 'l', 'a', 'n', 0});
            out.U32(0);
            block(begin, out.Close(begin), false);
        }
        for (const PcapPacket& packet : section.Packets) {
            const uint32_t type = packet.Block == PcapBlock::Enhanced ? 6 : packet.Block == PcapBlock::Simple ? 3 : 2;
            begin = out.Open(type);
            WritePacketBlock(out, packet);
            block(begin, out.Close(begin), true);
        }
        if (section.OtherBlocks) {
            begin = out.Open(5);  // interface statistics
            out.U32(0);
            out.U64(0);
            block(begin, out.Close(begin), false);
        }
    }
    trace.Image.FramesEnd = trace.Blocks.empty() ? 0 : trace.Blocks.back().End;
    for (auto it = trace.Blocks.rbegin(); it != trace.Blocks.rend(); ++it)
        if (it->Packet) {
            trace.Image.FramesEnd = it->End;
            break;
        }
    trace.Image.Bytes = std::move(sink.Data());
    return trace;
}

}  // namespace quenlix::testing
