// Reader of Network Monitor 1.x traces: a 128-byte header with the capture start
// and the offset of the frame table, then frame records up to that table. Each
// record is an 8-byte header (time offset in milliseconds, length on the wire,
// bytes stored) and the stored bytes. The frame table lists the offset of every
// record; the records lie one after another, so each record must end where the
// table puts the next one, and the last where the table begins. A record that
// disagrees with the table is damage, as the stored lengths alone cannot tell a
// changed length or a block of zeros from real records.

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/RecordWalker.h"
#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr std::size_t kFileHeaderBytes = 128;
constexpr std::size_t kRecordHeaderBytes = 8;
constexpr std::size_t kAddressBytes = 6;
constexpr std::size_t kTableEntryBytes = 4;
// Frame-table entries held in memory at a time: the table of a long trace is read piece by piece.
constexpr std::size_t kTableChunkEntries = 16384;

std::string OffsetText(int64_t offset) { return "offset " + FormatCount(offset); }

std::string TableNotFoundText(int64_t tableOffset)
{
    return "The frame table at " + OffsetText(tableOffset) +
           " does not list the frame records.  Data may be unreliable.";
}

std::string EntryOutsideText(std::size_t entry, int64_t offset, bool backwards)
{
    const char* where = backwards ? " points back to " : " points outside the frame records, to ";
    return "Frame table entry " + FormatCount(entry + 1) + where + OffsetText(offset) + ".  Data may be unreliable.";
}

std::string LengthDisagreesText(int64_t recordOffset, uint16_t storedLength, int64_t nextOffset, bool last)
{
    return "The frame record at " + OffsetText(recordOffset) + " stores " + FormatCount(storedLength) +
           " bytes, but the frame table puts " + (last ? "the end of the frame records" : "the next record") + " at " +
           OffsetText(nextOffset) + ".  Data may be unreliable.";
}

// The frame table, read a piece at a time through the trace's own input. Entries
// past the end of the file are missing: a table cut short checks only the records it still lists.
class FrameTable {
public:
    // Takes the table at offset with `length` bytes; false when its first entry is not the
    // first record right after the header (the header's table offset is damaged).
    [[nodiscard]] bool Open(TraceInput& input, int64_t offset, int64_t length);
    // Entries listed in the file.
    std::size_t Present() const { return present_; }
    bool CutShort() const { return present_ < listed_; }
    // Entry k (k < Present()); nothing when the input cannot go there and back.
    [[nodiscard]] std::optional<int64_t> Entry(TraceInput& input, std::size_t k);

private:
    int64_t offset_ = 0;
    std::size_t listed_ = 0;
    std::size_t present_ = 0;
    std::size_t chunkStart_ = 0;
    std::vector<uint32_t> chunk_;
};

bool FrameTable::Open(TraceInput& input, int64_t offset, int64_t length)
{
    offset_ = offset;
    listed_ = static_cast<std::size_t>(std::max<int64_t>(length, 0)) / kTableEntryBytes;
    present_ = std::min<std::size_t>(listed_, static_cast<std::size_t>(input.Size() - offset) / kTableEntryBytes);
    chunkStart_ = 0;
    chunk_.clear();
    // Without entries the table can only close a trace without records.
    if (listed_ == 0) return offset == static_cast<int64_t>(kFileHeaderBytes);
    if (present_ == 0) return true;
    const std::optional<int64_t> first = Entry(input, 0);
    return first && *first == static_cast<int64_t>(kFileHeaderBytes);
}

std::optional<int64_t> FrameTable::Entry(TraceInput& input, std::size_t k)
{
    if (k < chunkStart_ || k >= chunkStart_ + chunk_.size()) {
        chunkStart_ = k - k % kTableChunkEntries;
        std::vector<uint8_t> bytes(std::min(kTableChunkEntries, present_ - chunkStart_) * kTableEntryBytes);
        const int64_t resume = input.Position();
        const bool read = input.Seek(offset_ + static_cast<int64_t>(chunkStart_ * kTableEntryBytes)) &&
                          input.ReadExact(bytes.data(), bytes.size());
        if (!input.Seek(resume) || !read) return std::nullopt;
        chunk_.resize(bytes.size() / kTableEntryBytes);
        for (std::size_t i = 0; i < chunk_.size(); ++i) chunk_[i] = LittleU32(bytes.data() + i * kTableEntryBytes);
    }
    return chunk_[k - chunkStart_];
}

class NetMonReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;

private:
    [[nodiscard]] bool ReadHeader(ReadContext& ctx);
    [[nodiscard]] std::optional<int64_t> FindFrameTable(TraceInput& input) const;
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx);
    // Whether record record_ at recordOffset, storedLength bytes long, ends where the
    // frame table puts the next one; false (the read ended as damaged) when it does not.
    [[nodiscard]] bool AgreesWithTable(ReadContext& ctx, int64_t recordOffset, uint16_t storedLength);
    void SetLengths(AnalysisState& state, uint16_t wireLength, uint16_t storedLength) const;

    int64_t frameTableOffset_ = 0;
    int64_t frameTableLength_ = 0;
    int64_t framesEnd_ = 0;  // where the frame data ends
    bool tableChecked_ = false;  // the frame table is in the file and checks the records
    FrameTable table_;
    std::size_t record_ = 0;     // index of the record being read
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
        // A table whose first entry is not the first record belongs to no records of this
        // file: the records are still walked by their lengths, and the read ends as damaged.
        tableChecked_ = tableInFile && table_.Open(ctx.Input, frameTableOffset_, frameTableLength_);
        record_ = 0;
        while (ctx.Input.Position() < framesEnd_ && ReadRecord(ctx)) {
        }
        const bool whole = ctx.State.Read.ReadResult == 0 && ctx.State.Read.ReadCancelled == 0;
        if (whole && tableInFile && !tableChecked_) ctx.ShowReadError(TableNotFoundText(frameTableOffset_));
        // A table cut short by the end of the file, like a record cut short, is a silent read error.
        if (whole && (!tableInFile || (tableChecked_ && table_.CutShort()))) ctx.NoteReadError();
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

bool NetMonReader::AgreesWithTable(ReadContext& ctx, int64_t recordOffset, uint16_t storedLength)
{
    const std::size_t next = record_ + 1;
    if (next >= table_.Present() && table_.CutShort()) return true;  // past the entries of a table cut short
    const bool last = next >= table_.Present();
    std::optional<int64_t> nextOffset = last ? framesEnd_ : table_.Entry(ctx.Input, next);
    if (!nextOffset) {
        ctx.NoteReadError();
        return false;
    }
    // The next record starts after this one's header and ends inside the frame records.
    const int64_t bodyStart = recordOffset + static_cast<int64_t>(kRecordHeaderBytes);
    if (!last && (*nextOffset < bodyStart || *nextOffset >= framesEnd_)) {
        ctx.ShowReadError(EntryOutsideText(next, *nextOffset, *nextOffset < bodyStart));
        return false;
    }
    const int64_t recordEnd = bodyStart + storedLength;
    if (recordEnd == *nextOffset) return true;
    ctx.ShowReadError(LengthDisagreesText(recordOffset, storedLength, *nextOffset, last));
    return false;
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
        // Frame times are milliseconds from this moment, whose own milliseconds
        // follow its seconds; local time of the analyser.
        const int64_t milliseconds = std::min<int64_t>(LittleU16(h + 22), 999);
        SetFrameTimeOrigin(ctx.State, UnixMicroseconds(start) + milliseconds * 1000, CaptureClock::LocalTime);
    }
    return true;
}

bool NetMonReader::ReadRecord(ReadContext& ctx)
{
    // The frame table is still ahead, so a record that cannot be read whole, or
    // one that stores more than a frame can hold, means the file is damaged.
    uint8_t header[kRecordHeaderBytes];
    const int64_t recordOffset = ctx.Input.Position();
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
    if (tableChecked_ && !AgreesWithTable(ctx, recordOffset, storedLength)) return false;
    ++record_;
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
    // neither counted nor analysed, but told once after the read, as a damaged
    // frame can look the same. Bytes that were not stored read as zeros.
    const std::size_t addressBytes = std::min<std::size_t>(held, kAddressBytes);
    const bool noDestination =
        std::all_of(frame_.begin(), frame_.begin() + static_cast<std::ptrdiff_t>(addressBytes), [](uint8_t b) { return b == 0; });
    if (noDestination) ++state.Read.SkippedRecords;
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
    SetFrameSize(state, frameSize);
    state.Frame.StoredLength = static_cast<uint16_t>(std::min(stored, static_cast<int>(kMaxFrameBytes)));
}

}  // namespace

std::unique_ptr<TraceReader> MakeNetMonReader() { return std::make_unique<NetMonReader>(); }

}  // namespace quenlix
