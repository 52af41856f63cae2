#include "LANdecoderWriter.h"

namespace quenlix::testing {

namespace {

constexpr std::size_t kPreambleBytes = 32;
constexpr std::size_t kTopologyOffset = 52;  // in the capture-header body: file offset 90
constexpr uint16_t kEndRecord = 3;

void WriteCaptureHeader(ByteSink& out, const LANdecoderOptions& options)
{
    out.Le16(0x0100);  // record type of the capture header
    out.Le16(options.CaptureHeaderLength);
    out.Le16(0);
    std::vector<uint8_t> body(std::max<std::size_t>(options.CaptureHeaderLength, kTopologyOffset + 1), 0);
    const uint16_t fields[][2] = {{4, options.Year},  {6, options.Month},   {8, options.Day},
                                  {12, options.Hour}, {14, options.Minute}, {16, options.Second}};
    for (const auto& [at, value] : fields) {
        body[at] = static_cast<uint8_t>(value);
        body[at + 1] = static_cast<uint8_t>(value >> 8);
    }
    body[kTopologyOffset] = options.TokenRing ? 2 : 1;
    body.resize(options.CaptureHeaderLength);
    out.Append(body);
}

void WriteFrame(ByteSink& out, bool tokenRing, const LANdecoderFrame& frame)
{
    const auto count = static_cast<uint16_t>(frame.Bytes.size());
    const auto lengthA = static_cast<uint16_t>(frame.LengthA < 0 ? count : frame.LengthA);
    const auto lengthB = static_cast<uint16_t>(frame.LengthB < 0 ? count : frame.LengthB);
    const std::size_t headerBytes = tokenRing ? 22 : 24;
    out.Le16(frame.RecordType);
    out.Le16(static_cast<uint16_t>(headerBytes + frame.Bytes.size()));
    out.Le16(0);
    out.Le16(frame.TickLow);
    out.Le16(frame.TickHigh);
    out.Le16(frame.Timer);
    out.Zeros(12);
    out.Le16(lengthA);
    if (!tokenRing) out.Le16(frame.Flags);
    out.Le16(lengthB);
    out.Append(frame.Bytes);
}

}  // namespace

TraceImage BuildLANdecoderTrace(const LANdecoderOptions& options, const std::vector<LANdecoderFrame>& frames)
{
    ByteSink out;
    out.Text("LANdecoder trace file");
    out.Zeros(kPreambleBytes - out.Size());
    WriteCaptureHeader(out, options);
    TraceImage image;
    for (const LANdecoderFrame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        WriteFrame(out, options.TokenRing, frame);
    }
    image.FramesEnd = out.Size();
    if (options.WriteEndRecord) {
        out.Le16(kEndRecord);
        out.Le16(0);
        out.Le16(0);
    }
    image.Bytes = std::move(out.Data());
    return image;
}

LANdecoderFrame LANdecoderFrameOfBody(bool tokenRing, std::size_t bodyLength)
{
    LANdecoderFrame frame;
    frame.Bytes.assign(bodyLength - (tokenRing ? 22 : 24), 0x5A);
    frame.Bytes[0] = 0x02;  // a unicast destination
    return frame;
}

}  // namespace quenlix::testing
