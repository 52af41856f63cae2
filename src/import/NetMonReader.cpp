// Reader of Network Monitor 1.x traces: a 128-byte header with the capture start
// and the offset of the frame table, then frame records up to that table. Each
// record is an 8-byte header (time offset in milliseconds, length on the wire,
// bytes stored) and the stored bytes.

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr std::size_t kFileHeaderBytes = 128;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::size_t kEthernetFcsBytes = 4;
constexpr uint16_t kMinimumFrameSize = 64;
constexpr std::size_t kAddressBytes = 6;

class NetMonReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;

private:
    bool ReadHeader(ReadContext& ctx);
    // One record; false when the read ends with it.
    bool ReadRecord(ReadContext& ctx);
    void SetLengths(AnalysisState& state, uint16_t wireLength, uint16_t storedLength) const;

    int64_t frameTableOffset_ = 0;
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxFrameBytes);
};

void NetMonReader::Read(ReadContext& ctx)
{
    if (!ReadHeader(ctx)) {
        ctx.NoteReadError();
    } else if (frameTableOffset_ < static_cast<int64_t>(kFileHeaderBytes)) {
        ctx.NoteReadError();  // the frame table cannot start inside the header
    } else {
        // The frame table closes the frame data; a trace without frames has it right after the header.
        while (ctx.Input.Position() < frameTableOffset_ && ReadRecord(ctx)) {
        }
    }
    ctx.Finish();
}

bool NetMonReader::ReadHeader(ReadContext& ctx)
{
    std::array<uint8_t, kFileHeaderBytes> header{};
    if (!ctx.Input.ReadExact(header.data(), header.size())) return false;
    const uint8_t* h = header.data();
    frameTableOffset_ = LittleI32(h + 24);
    // A year of 0 means the analyser left the start open: the file's own date stays.
    if (LittleU16(h + 8) != 0) {
        CalendarTime start;
        start.Year = LittleU16(h + 8);
        start.Month = LittleU16(h + 10);
        start.Day = LittleU16(h + 14);
        start.Hour = LittleU16(h + 16);
        start.Minute = LittleU16(h + 18);
        start.Second = LittleU16(h + 20);
        ctx.State.TraceStartDate = PackDosDateTime(start);
    }
    return true;
}

bool NetMonReader::ReadRecord(ReadContext& ctx)
{
    // The frame table is still ahead, so a record that cannot be read whole, or
    // one that stores more than a frame can hold, means the file is damaged.
    uint8_t header[kRecordHeaderBytes];
    if (!ctx.Input.ReadExact(header, sizeof header)) {
        ctx.NoteReadError();
        return false;
    }
    const uint16_t storedLength = LittleU16(header + 6);
    if (storedLength > kMaxFrameBytes || !ctx.Input.ReadExact(frame_.data(), storedLength)) {
        ctx.NoteReadError();
        return false;
    }

    AnalysisState& state = ctx.State;
    state.FrameBadFCS = 0;
    state.FrameAlignError = 0;
    state.FrameTime = LittleI32(header) * 1000.0;
    SetLengths(state, LittleU16(header + 4), storedLength);

    // Frames without a destination address are the analyser's own filler: they are
    // neither counted nor analysed. Bytes that were not stored read as zeros.
    const std::size_t addressBytes = std::min<std::size_t>(storedLength, kAddressBytes);
    const bool noDestination =
        std::all_of(frame_.begin(), frame_.begin() + static_cast<std::ptrdiff_t>(addressBytes), [](uint8_t b) { return b == 0; });
    if (!noDestination && ctx.DeliverFrame(frame_.data(), storedLength)) return false;
    return !ctx.EndOfRecord();
}

void NetMonReader::SetLengths(AnalysisState& state, uint16_t wireLength, uint16_t storedLength) const
{
    const bool whole = wireLength == storedLength;
    int frameSize = 0;
    int stored = 0;
    if (state.Topology == kTopologyEthernet) {
        // The trace leaves out the FCS, which the analysis counts.
        frameSize = wireLength + static_cast<int>(kEthernetFcsBytes);
        stored = whole ? frameSize : storedLength;
    } else {
        frameSize = whole ? wireLength : storedLength;
        stored = frameSize;
    }
    if (frameSize < kMinimumFrameSize) frameSize = stored = kMinimumFrameSize;
    state.FrameSize = static_cast<uint16_t>(std::min(frameSize, static_cast<int>(state.MaxFrameBytes)));
    state.StoredLength = static_cast<uint16_t>(std::min(stored, static_cast<int>(kMaxFrameBytes)));
}

}  // namespace

std::unique_ptr<TraceReader> MakeNetMonReader() { return std::make_unique<NetMonReader>(); }

}  // namespace quenlix
