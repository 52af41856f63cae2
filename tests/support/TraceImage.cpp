#include "TraceImage.h"

#include <algorithm>

#include "TestFiles.h"
#include "import/TraceImport.h"

namespace quenlix::testing {

void TraceImage::Save(const std::string& path) const { WriteBytes(path, Bytes); }

TraceImage TraceImage::Prefix(std::size_t count) const
{
    TraceImage cut = *this;
    cut.Bytes.resize(std::min(count, Bytes.size()));
    return cut;
}

void ByteSink::Le16(uint16_t value)
{
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
}

void ByteSink::Le32(uint32_t value)
{
    Le16(static_cast<uint16_t>(value));
    Le16(static_cast<uint16_t>(value >> 16));
}

void ByteSink::Be16(uint16_t value)
{
    U8(static_cast<uint8_t>(value >> 8));
    U8(static_cast<uint8_t>(value));
}

void ByteSink::Be32(uint32_t value)
{
    Be16(static_cast<uint16_t>(value >> 16));
    Be16(static_cast<uint16_t>(value));
}

void ByteSink::Be64(uint64_t value)
{
    Be32(static_cast<uint32_t>(value >> 32));
    Be32(static_cast<uint32_t>(value));
}

void ByteSink::PatchLe16(std::size_t at, uint16_t value)
{
    bytes_.at(at) = static_cast<uint8_t>(value);
    bytes_.at(at + 1) = static_cast<uint8_t>(value >> 8);
}

void ByteSink::PatchLe32(std::size_t at, uint32_t value)
{
    PatchLe16(at, static_cast<uint16_t>(value));
    PatchLe16(at + 2, static_cast<uint16_t>(value >> 16));
}

TraceFormatCode DetectAndRead(AnalysisState& state, const std::string& path, ReadHost& host)
{
    const FormatDetection format = DetectTraceFormat(state, path, host);
    if (format.Failed || format.Code == kFormatUnknown) return kFormatUnknown;
    const TopologyDetection topology = DetectTopology(state, format.Code, path, host);
    if (topology.Failed || topology.Code > kTopologyTokenRing) return kFormatUnknown;
    state.Read.TraceFileName = path;
    state.Read.TraceFormat = format.Code;
    state.Topology = topology.Code;
    ReadTraceFile(state, false, host);
    return format.Code;
}

}  // namespace quenlix::testing
