// Reader of Sniffer traces, plain and compressed: a 17-byte magic, a version record,
// optional records, then frame records (types 4, 5 and 12) up to an end record (type 3).
// An end record with more records after it is a damaged record type, not the end of
// the trace; records of other types among the frames are passed over and counted.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "import/RecordWalker.h"
#include "import/RecordFields.h"
#include "import/SnifferDecoder.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"
#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr std::size_t kMagicBytes = 17;
constexpr std::size_t kRecordHeaderBytes = 6;
constexpr std::size_t kVersionBodyBytes = 18;
constexpr std::size_t kFrameHeaderBytes = 14;
constexpr std::size_t kLongFrameHeaderBytes = 34;  // record type 12
// A frame record body holds the 14-byte frame header and at most one frame buffer of
// frame bytes; the bytes of a longer frame past that are passed over.
constexpr uint16_t kMaxFrameRecordBody = 18014;
constexpr uint16_t kMaxDecodedBody = 18000;

constexpr uint16_t kEndRecord = 3;
constexpr uint8_t kLastRecordType = 17;

inline constexpr const char* kBadCompressionText = "Bad compression encountered.  Data may be unreliable.";

// "End record at offset 31,470 (after frame 470) is followed by 350,112 more bytes
// that read as records."; a compressed trace has no file offset to name.
std::string RecordsAfterEndText(int64_t frame, int64_t offset, int64_t restBytes)
{
    const std::string after = "(after frame " + FormatCount(frame) + ")";
    if (offset < 0)
        return "End record " + after + " is followed by more data that reads as records.  Data may be unreliable.";
    return FollowedByRecordsText("End record", offset, frame, restBytes);
}

uint16_t U16At(const uint8_t* p) { return LittleU16(p); }

struct RecordHeader {
    uint16_t Type = 0;
    uint16_t Length = 0;
};

RecordHeader ParseRecordHeader(const uint8_t* p) { return {U16At(p), U16At(p + 2)}; }

bool IsFrameRecord(uint16_t type)
{
    const uint8_t kind = static_cast<uint8_t>(type & 0xFF);
    return kind == 4 || kind == 5 || kind == 12;
}

// Records that may sit between the version record and the first frame.
bool IsPreambleRecord(uint16_t type) { return (type >= 6 && type <= 11) || (type >= 13 && type <= 17); }

// A record type the format knows (judged on the low byte, as frame records are).
// Any other means the reader is no longer on a record boundary: a length before
// it was damaged, and what follows would be frame bytes read as records.
bool IsKnownRecord(uint16_t type)
{
    const uint8_t kind = static_cast<uint8_t>(type & 0xFF);
    return kind >= 1 && kind <= kLastRecordType;
}

// FrameTime of a 40-bit count in one of the version record's time units.
void SetFrameTime(AnalysisState& state, uint8_t unit, const uint8_t* header)
{
    const uint16_t low = U16At(header);
    const uint16_t middle = U16At(header + 2);
    const uint8_t high = header[4];
    const double count = static_cast<double>(high) * 4294967296.0 + middle * 65536.0 + low;
    switch (unit) {
    case 1: state.Frame.FrameTime = TicksToMicroseconds(high, middle, low); break;
    case 2: state.Frame.FrameTime = count * 15.0; break;
    case 3: state.Frame.FrameTime = count * 0.5; break;
    case 4: state.Frame.FrameTime = count * 2.0; break;
    case 5: state.Frame.FrameTime = count; break;
    default: break;  // unknown unit: the time stays as it was
    }
}

class SnifferReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: half-microsecond and PC timer counts.
    uint8_t TimeStampDigits() const override { return 9; }

private:
    enum class [[nodiscard]] Outcome { Continue, End, BadCompression, Damaged, RecordsAfterEnd };

    [[nodiscard]] bool ReadVersion(ReadContext& ctx);
    Outcome FindFirstFrameArea(ReadContext& ctx);
    // After an end record that began at offset (-1 in decoded data): End when nothing
    // follows it that reads as a record, RecordsAfterEnd (text kept) when something does.
    Outcome CheckAfterEnd(ReadContext& ctx, std::size_t length, int64_t offset, bool decoded);
    Outcome ReadRecord(ReadContext& ctx);
    Outcome ReadRecordHeader(ReadContext& ctx, RecordHeader& header);
    // Leaves body pointing at the record body: in record_, or in place in the input buffer.
    Outcome ReadBody(ReadContext& ctx, std::size_t length, const uint8_t*& body);
    // A frame record body longer than record_: its first bytes in record_, the rest passed over.
    Outcome ReadLongBody(ReadContext& ctx, std::size_t length);
    Outcome SkipBody(ReadContext& ctx, std::size_t length);
    Outcome DeliverFrameRecord(ReadContext& ctx, const RecordHeader& header);
    void Conclude(ReadContext& ctx, Outcome outcome);

    uint8_t timeUnit_ = 0;
    std::unique_ptr<SnifferBlockDecoder> decoder_;  // set for compressed traces
    std::vector<uint8_t> record_ = std::vector<uint8_t>(kMaxFrameRecordBody);
    std::string afterEndText_;
};

void SnifferReader::Read(ReadContext& ctx)
{
    ctx.FrameNo = 0;
    ctx.State.Read.ReadCancelled = 0;
    if (!ReadVersion(ctx)) {
        ctx.NoteReadError();
        ctx.Finish();
        return;
    }
    if (ctx.State.Read.SnifferCompressed != 0) decoder_ = std::make_unique<SnifferBlockDecoder>(ctx.Input);

    Outcome outcome = FindFirstFrameArea(ctx);
    while (outcome == Outcome::Continue) outcome = ReadRecord(ctx);
    Conclude(ctx, outcome);
}

void SnifferReader::Conclude(ReadContext& ctx, Outcome outcome)
{
    decoder_.reset();
    if (outcome == Outcome::BadCompression || outcome == Outcome::Damaged) {
        ctx.State.Read.ReadResult = kReadResultBadData;
        ctx.ShowReadError(outcome == Outcome::BadCompression ? kBadCompressionText : kDamagedRecordText);
    }
    if (outcome == Outcome::RecordsAfterEnd) ctx.ShowReadError(afterEndText_);
    ctx.Finish();
}

bool SnifferReader::ReadVersion(ReadContext& ctx)
{
    uint8_t head[kMagicBytes + kRecordHeaderBytes + kVersionBodyBytes];
    if (!ctx.Input.ReadExact(head, sizeof head)) return false;
    const uint8_t* body = head + kMagicBytes + kRecordHeaderBytes;
    const uint32_t time = U16At(body + 4);
    const uint32_t date = U16At(body + 6);
    ctx.State.Read.TraceStartDate = static_cast<int32_t>(date << 16 | time);
    // Frame times count from this date and time, kept in the analyser's local
    // time. A date word of 0 names no day: the capture times stay unknown.
    if (date != 0)
        SetFrameTimeOrigin(ctx.State, UnixMicroseconds(UnpackDosDateTime(ctx.State.Read.TraceStartDate)),
                           CaptureClock::LocalTime);
    timeUnit_ = body[11];
    if (timeUnit_ == 0) timeUnit_ = ctx.State.Topology == kTopologyEthernet ? 2 : 1;
    return true;
}

// Skips the records that may precede the frames. Leaves the input at the first
// record header of the frame area (Continue); End when the trace holds no frames.
SnifferReader::Outcome SnifferReader::FindFirstFrameArea(ReadContext& ctx)
{
    for (;;) {
        const int64_t start = ctx.Input.Position();
        uint8_t bytes[kRecordHeaderBytes];
        switch (FetchRecord(ctx.Input, bytes, sizeof bytes)) {
        case Fetch::Whole: break;
        case Fetch::End: return Outcome::End;  // a trace of no records but the version
        case Fetch::Short: ctx.NoteReadError(); return Outcome::End;
        }
        const RecordHeader header = ParseRecordHeader(bytes);
        // The records before the frames are never compressed.
        if (header.Type == kEndRecord) return CheckAfterEnd(ctx, header.Length, start, false);
        if (!IsPreambleRecord(header.Type)) {
            if (ctx.Input.Seek(start)) return Outcome::Continue;
            ctx.NoteReadError();
            return Outcome::End;
        }
        if (!ctx.Input.Skip(header.Length)) {
            ctx.NoteReadError();
            return Outcome::End;
        }
    }
}

// Whether the bytes after an end record hold one more record: a header of a known
// type whose body fits in what is left. Padding after the end record does not.
SnifferReader::Outcome SnifferReader::CheckAfterEnd(ReadContext& ctx, std::size_t length, int64_t offset, bool decoded)
{
    uint8_t bytes[kRecordHeaderBytes];
    if (decoded) {
        const uint8_t* body = nullptr;
        if (length > kMaxDecodedBody || ReadBody(ctx, length, body) != Outcome::Continue ||
            !decoder_->Read(bytes, sizeof bytes))
            return Outcome::End;
    } else if (!ctx.Input.Skip(length) || !ctx.Input.ReadExact(bytes, sizeof bytes)) {
        return Outcome::End;
    }
    const RecordHeader next = ParseRecordHeader(bytes);
    if (!IsKnownRecord(next.Type)) return Outcome::End;
    if (!decoded && ctx.Input.Position() + next.Length > ctx.Input.Size()) return Outcome::End;
    afterEndText_ = RecordsAfterEndText(ctx.FrameNo, decoded ? -1 : offset,
                                        ctx.Input.Size() - offset - static_cast<int64_t>(kRecordHeaderBytes + length));
    return Outcome::RecordsAfterEnd;
}

SnifferReader::Outcome SnifferReader::ReadRecord(ReadContext& ctx)
{
    RecordHeader header;
    const int64_t start = ctx.Input.Position();
    Outcome outcome = ReadRecordHeader(ctx, header);
    if (outcome != Outcome::Continue) return outcome;
    if (header.Type == kEndRecord) return CheckAfterEnd(ctx, header.Length, start, decoder_ != nullptr);
    if (!IsKnownRecord(header.Type)) return decoder_ ? Outcome::BadCompression : Outcome::Damaged;

    if (!IsFrameRecord(header.Type)) {
        ++ctx.State.Read.SkippedRecords;
        outcome = SkipBody(ctx, header.Length);
    } else {
        outcome = DeliverFrameRecord(ctx, header);
    }
    if (outcome != Outcome::Continue) return outcome;
    return ctx.EndOfRecord() ? Outcome::End : Outcome::Continue;
}

SnifferReader::Outcome SnifferReader::ReadRecordHeader(ReadContext& ctx, RecordHeader& header)
{
    uint8_t bytes[kRecordHeaderBytes];
    if (decoder_) {
        // Without an end record the compressed data simply runs out: that, too, is a decoding failure.
        if (!decoder_->Read(bytes, sizeof bytes)) return Outcome::BadCompression;
    } else {
        switch (FetchRecord(ctx.Input, bytes, sizeof bytes)) {
        case Fetch::Whole: break;
        case Fetch::End: return Outcome::End;  // the end of the file ends a plain trace
        case Fetch::Short: ctx.NoteReadError(); return Outcome::End;  // a header cut short
        }
    }
    header = ParseRecordHeader(bytes);
    return Outcome::Continue;
}

SnifferReader::Outcome SnifferReader::ReadBody(ReadContext& ctx, std::size_t length, const uint8_t*& body)
{
    body = record_.data();
    if (decoder_) {
        if (length > record_.size() || !decoder_->Read(record_.data(), length)) return Outcome::BadCompression;
        return Outcome::Continue;
    }
    // A plain record is decoded where it lies in the input buffer; only one that
    // straddles two blocks is copied.
    if (const uint8_t* inPlace = ctx.Input.Borrow(length)) {
        body = inPlace;
        return Outcome::Continue;
    }
    if (ctx.Input.ReadExact(record_.data(), length)) return Outcome::Continue;
    ctx.NoteReadError();
    return Outcome::End;
}

SnifferReader::Outcome SnifferReader::ReadLongBody(ReadContext& ctx, std::size_t length)
{
    if (!decoder_) {
        std::size_t held = 0;
        bool clipped = false;
        return ctx.ReadFrameBytes(record_.data(), record_.size(), length, held, clipped) ? Outcome::Continue
                                                                                         : Outcome::End;
    }
    if (!decoder_->Read(record_.data(), record_.size())) return Outcome::BadCompression;
    // The rest goes through the decoder too: the next record follows it in the decoded stream.
    std::vector<uint8_t> discard(SnifferBlockDecoder::kStoredPieceBytes);
    for (std::size_t rest = length - record_.size(); rest > 0;) {
        const std::size_t piece = std::min(rest, discard.size());
        if (!decoder_->Read(discard.data(), piece)) return Outcome::BadCompression;
        rest -= piece;
    }
    return Outcome::Continue;
}

SnifferReader::Outcome SnifferReader::SkipBody(ReadContext& ctx, std::size_t length)
{
    const uint8_t* skipped = nullptr;
    if (decoder_) return length > kMaxDecodedBody ? Outcome::BadCompression : ReadBody(ctx, length, skipped);
    if (ctx.Input.Skip(length)) return Outcome::Continue;
    ctx.NoteReadError();
    return Outcome::End;
}

SnifferReader::Outcome SnifferReader::DeliverFrameRecord(ReadContext& ctx, const RecordHeader& header)
{
    const uint8_t* body = record_.data();
    // A frame longer than the frame buffer (capture hosts that offload segmentation
    // write frames of up to 64 KiB) is taken clipped, and the read goes on.
    const bool clipped = header.Length > kMaxFrameRecordBody;
    const Outcome outcome = clipped ? ReadLongBody(ctx, header.Length) : ReadBody(ctx, header.Length, body);
    if (outcome != Outcome::Continue) return outcome;
    // Type 12 carries 20 more header bytes between the frame header and the frame.
    const std::size_t dataOffset = (header.Type & 0xFF) == 12 ? kLongFrameHeaderBytes : kFrameHeaderBytes;
    if (header.Length < dataOffset) return decoder_ ? Outcome::BadCompression : Outcome::Damaged;

    AnalysisState& state = ctx.State;
    const uint8_t* frameHeader = body;
    const bool ethernet = state.Topology == kTopologyEthernet;
    const uint8_t status = frameHeader[8];
    state.Frame.FrameBadFCS = ethernet && (status & 0x80) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = ethernet && (status & 0x40) != 0 ? 1 : 0;
    SetFrameTime(state, timeUnit_, frameHeader);

    // A stored size beyond the record's own bytes cannot be honoured: the record holds what it holds.
    const std::size_t stored = std::min<std::size_t>(U16At(frameHeader + 6), header.Length - dataOffset);
    const std::size_t held = std::min<std::size_t>(stored, (clipped ? record_.size() : header.Length) - dataOffset);
    const int trueSize = U16At(frameHeader + 10);
    const int fcs = ethernet ? 4 : 0;
    int storedLength = static_cast<int>(stored);
    int frameSize = 0;
    if (trueSize == 0) {
        storedLength += fcs;
        frameSize = storedLength;
    } else {
        frameSize = trueSize + fcs;
    }
    if (frameSize > storedLength) state.Read.SlicedFrames = 1;
    state.Frame.StoredLength = static_cast<uint16_t>(storedLength);
    SetFrameSize(state, frameSize);

    return ctx.DeliverFrame(body + dataOffset, held, clipped && held < stored) ? Outcome::End : Outcome::Continue;
}

}  // namespace

std::unique_ptr<TraceReader> MakeSnifferReader() { return std::make_unique<SnifferReader>(); }

}  // namespace quenlix
