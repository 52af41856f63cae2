// Reader of Network Monitor 1.x traces: a 128-byte header with the capture start
// and the offset of the frame table, then frame records up to that table. Each
// record is an 8-byte header (time offset in milliseconds, length on the wire,
// bytes stored) and the stored bytes.

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"

namespace quenlix {

namespace {

constexpr std::size_t kFileHeaderBytes = 128;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::size_t kAddressBytes = 6;

class NetMonReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;

private:
    [[nodiscard]] bool ReadHeader(ReadContext& ctx);
    [[nodiscard]] std::optional<int64_t> FindFrameTable(TraceInput& input) const;
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx);
    void SetLengths(AnalysisState& state, uint16_t wireLength, uint16_t storedLength) const;

    int64_t frameTableOffset_ = 0;
    int64_t frameTableLength_ = 0;
    int64_t framesEnd_ = 0;  // where the frame data ends
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
        // A table said to lie past the end of the file means a file cut short or a
        // damaged header. The frames then run to the end of the file, unless the table
        // is found in the file's last bytes (so that it is not read as frames); either
        // way the read reports the damage once it gets there.
        const bool tableInFile = frameTableOffset_ <= ctx.Input.Size();
        const std::optional<int64_t> framesEnd = tableInFile ? frameTableOffset_ : FindFrameTable(ctx.Input);
        framesEnd_ = framesEnd.value_or(0);  // none: no frame is read, and the damage is noted below
        while (ctx.Input.Position() < framesEnd_ && ReadRecord(ctx)) {
        }
        if (!tableInFile && ctx.State.Read.ReadResult == 0 && ctx.State.Read.ReadCancelled == 0) ctx.NoteReadError();
    }
    ctx.Finish();
}

// Where the frame table starts when the header's offset is wrong: the table takes
// the file's last frame-table-length bytes and its first entry is the offset of the
// first frame, right after the header. The end of the file when that does not hold;
// nothing when the input cannot return to the first frame.
std::optional<int64_t> NetMonReader::FindFrameTable(TraceInput& input) const
{
    const int64_t size = input.Size();
    const int64_t start = size - frameTableLength_;
    if (frameTableLength_ < 4 || start < static_cast<int64_t>(kFileHeaderBytes)) return size;
    const int64_t resume = input.Position();
    uint8_t entry[4] = {};
    const bool found = input.Seek(start) && input.ReadExact(entry, sizeof entry) &&
                       LittleI32(entry) == static_cast<int32_t>(kFileHeaderBytes);
    if (!input.Seek(resume)) return std::nullopt;
    return found ? start : size;
}

bool NetMonReader::ReadHeader(ReadContext& ctx)
{
    std::array<uint8_t, kFileHeaderBytes> header{};
    if (!ctx.Input.ReadExact(header.data(), header.size())) return false;
    const uint8_t* h = header.data();
    frameTableOffset_ = LittleI32(h + 24);
    frameTableLength_ = LittleI32(h + 28);
    // A year of 0 means the analyser left the start open: the file's own date stays.
    if (LittleU16(h + 8) != 0) {
        CalendarTime start;
        start.Year = LittleU16(h + 8);
        start.Month = LittleU16(h + 10);
        start.Day = LittleU16(h + 14);
        start.Hour = LittleU16(h + 16);
        start.Minute = LittleU16(h + 18);
        start.Second = LittleU16(h + 20);
        ctx.State.Read.TraceStartDate = PackDosDateTime(start);
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
    // A record that runs into the frame table is a damaged length.
    if (ctx.Input.Position() + storedLength > framesEnd_) {
        ctx.NoteReadError();
        return false;
    }
    // A frame longer than the frame buffer is taken clipped; its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), storedLength, held, clipped)) return false;

    AnalysisState& state = ctx.State;
    state.Frame.FrameBadFCS = 0;
    state.Frame.FrameAlignError = 0;
    state.Frame.FrameTime = LittleI32(header) * 1000.0;
    SetLengths(state, LittleU16(header + 4), storedLength);

    // Frames without a destination address are the analyser's own filler: they are
    // neither counted nor analysed. Bytes that were not stored read as zeros.
    const std::size_t addressBytes = std::min<std::size_t>(held, kAddressBytes);
    const bool noDestination =
        std::all_of(frame_.begin(), frame_.begin() + static_cast<std::ptrdiff_t>(addressBytes), [](uint8_t b) { return b == 0; });
    if (!noDestination && ctx.DeliverFrame(frame_.data(), held, clipped)) return false;
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
    if (frameSize < kMinimumEthernetFrame) frameSize = stored = kMinimumEthernetFrame;
    state.Frame.FrameSize = static_cast<uint16_t>(std::min(frameSize, static_cast<int>(state.Read.MaxFrameBytes)));
    state.Frame.StoredLength = static_cast<uint16_t>(std::min(stored, static_cast<int>(kMaxFrameBytes)));
}

}  // namespace

std::unique_ptr<TraceReader> MakeNetMonReader() { return std::make_unique<NetMonReader>(); }

}  // namespace quenlix
