#include "DataGLANceWriter.h"

#include <algorithm>

namespace quenlix::testing {

namespace {

constexpr std::size_t kDataOffset = 40;

// One 128-byte record with up to 88 frame bytes from `from` on.
void WriteRecord(ByteSink& out, const std::vector<uint8_t>& head, const std::vector<uint8_t>& frame, std::size_t from)
{
    std::vector<uint8_t> record(kDataGLANceRecordBytes, 0);
    std::copy(head.begin(), head.end(), record.begin());
    const std::size_t end = std::min(frame.size(), from + kDataGLANceBytesPerRecord);
    if (from < end) std::copy(frame.begin() + from, frame.begin() + end, record.begin() + kDataOffset);
    out.Append(record);
}

}  // namespace

std::vector<uint8_t> DataGLANceRecords(const DataGLANceFrame& frame)
{
    const auto stored =
        static_cast<uint16_t>(frame.StoredLengthField < 0 ? frame.Bytes.size() : frame.StoredLengthField);
    ByteSink head;
    head.U8(frame.Kind);
    head.U8(frame.Status);
    head.Le16(stored);
    head.Le16(frame.CountedLength == 0 ? stored : frame.CountedLength);
    head.Le16(frame.T6);
    head.Le16(frame.T8);
    head.Le16(frame.T10);

    ByteSink out;
    WriteRecord(out, head.Data(), frame.Bytes, 0);
    for (std::size_t k = 1; k <= stored / kDataGLANceBytesPerRecord; ++k)
        WriteRecord(out, {}, frame.Bytes, k * kDataGLANceBytesPerRecord);
    return std::move(out.Data());
}

TraceImage BuildDataGLANceTrace(const DataGLANceOptions& options, const std::vector<DataGLANceFrame>& frames)
{
    ByteSink out;
    out.Zeros(kDataGLANceHeaderBytes);
    std::vector<uint8_t>& header = out.Data();
    header[130] = options.Network;
    header[131] = options.Wrapped ? 1 : 0;
    out.PatchLe32(144, static_cast<uint32_t>(options.StartField));

    TraceImage image;
    for (const DataGLANceFrame& frame : frames) {
        image.FrameOffsets.push_back(out.Size());
        out.Append(DataGLANceRecords(frame));
    }
    image.Bytes = std::move(out.Data());
    return image;
}

}  // namespace quenlix::testing
