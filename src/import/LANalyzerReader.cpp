// Reader of LANalyzer traces: a chain of records, each a 4-byte header (type,
// body length) and a body. Ten header-area records come first (the capture start
// and the circular-buffer description among them), then frame records (type
// 0x1005). A trace whose first record is 0x1007 was captured into a circular
// buffer that wrapped: its frames run from the oldest one to the buffer's end and
// go on from the buffer's start.

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "import/RecordWalker.h"
#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

constexpr std::size_t kRecordHeaderBytes = 4;
constexpr uint16_t kWrappedCapture = 0x1007;
constexpr uint16_t kFrameRecord = 0x1005;
constexpr std::size_t kStartRecordBytes = 210;
constexpr std::size_t kBufferRecordBytes = 26;
constexpr std::size_t kFrameHeaderBytes = 32;
constexpr std::size_t kMaxFrameBody = 18032;
constexpr int kStoredFcsBytes = 4;
constexpr uint16_t kFrameErrorBit = 0x0001;
constexpr const char* kWrappedNotSupportedText = "Wrapped format not supported.";

// Where the frames of a wrapped capture lie in the circular buffer.
struct CircularBuffer {
    int64_t Oldest = 0;
    int64_t Begin = 0;
    int64_t End = 0;

    // The oldest frame must lie in a buffer of some size, or the frames cannot be put back in order.
    bool Valid() const { return Begin > 0 && Begin < End && Oldest >= Begin && Oldest < End; }
};

class LANalyzerReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: half microseconds.
    uint8_t TimeStampDigits() const override { return 9; }
    // The length on the wire counts the FCS on either medium: the stored bytes leave
    // it out and the stored length is made up by 4.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    enum class [[nodiscard]] Step { Continue, Stop };

    [[nodiscard]] bool ReadHeaderArea(ReadContext& ctx);
    [[nodiscard]] bool ReadRecord(ReadContext& ctx, uint16_t& type, std::vector<uint8_t>& body, std::size_t keep);
    [[nodiscard]] bool SkipRecord(ReadContext& ctx);
    [[nodiscard]] bool StartFrames(ReadContext& ctx);
    Step ReadFrameRecord(ReadContext& ctx);
    [[nodiscard]] bool FollowWrap(ReadContext& ctx);
    [[nodiscard]] static bool TrailerToTheEnd(TraceInput& input, uint16_t type, std::size_t length);
    void SetFrame(AnalysisState& state, const uint8_t* body) const;

    bool wrapped_ = false;
    bool wrappedAround_ = false;
    CircularBuffer buffer_;
    std::vector<uint8_t> body_ = std::vector<uint8_t>(kMaxFrameBody);
};

void LANalyzerReader::Read(ReadContext& ctx)
{
    wrapped_ = false;
    wrappedAround_ = false;
    if (!ReadHeaderArea(ctx)) {
        ctx.NoteReadError();
    } else if (StartFrames(ctx)) {
        while (ReadFrameRecord(ctx) == Step::Continue) {
        }
    }
    ctx.Finish();
}

// Reads one record and keeps the first `keep` bytes of its body (zeros where the
// body is shorter); the rest of the body is passed over.
bool LANalyzerReader::ReadRecord(ReadContext& ctx, uint16_t& type, std::vector<uint8_t>& body, std::size_t keep)
{
    uint8_t header[kRecordHeaderBytes];
    if (!ctx.Input.ReadExact(header, sizeof header)) return false;
    type = LittleU16(header);
    const std::size_t length = LittleU16(header + 2);
    const std::size_t taken = std::min(length, keep);
    body.assign(keep, 0);
    return ctx.Input.ReadExact(body.data(), taken) && ctx.Input.Skip(length - taken);
}

bool LANalyzerReader::SkipRecord(ReadContext& ctx)
{
    uint16_t type = 0;
    std::vector<uint8_t> nothing;
    return ReadRecord(ctx, type, nothing, 0);
}

// The first record tells a wrapped capture; five records later comes the capture
// start, and two after that the circular-buffer description.
bool LANalyzerReader::ReadHeaderArea(ReadContext& ctx)
{
    uint16_t type = 0;
    std::vector<uint8_t> body;
    if (!ReadRecord(ctx, type, body, 0)) return false;
    wrapped_ = type == kWrappedCapture;
    for (int skipped = 0; skipped < 5; ++skipped)
        if (!SkipRecord(ctx)) return false;

    if (!ReadRecord(ctx, type, body, kStartRecordBytes)) return false;
    CalendarTime start;
    start.Day = body[0];
    start.Month = body[1];
    start.Year = LittleU16(body.data() + 2);
    start.Second = body[8];
    start.Minute = body[9];
    start.Hour = body[10];
    ctx.State.Read.TraceStartDate = PackDosDateTime(start);
    // Frame times count from this moment, in the analyser's local time.
    SetFrameTimeOrigin(ctx.State, UnixMicroseconds(start), CaptureClock::LocalTime);

    if (!SkipRecord(ctx) || !ReadRecord(ctx, type, body, kBufferRecordBytes)) return false;
    buffer_ = {LittleI32(body.data() + 4), LittleI32(body.data() + 12), LittleI32(body.data() + 16)};
    return SkipRecord(ctx);
}

// Moves to the oldest frame of a wrapped capture; false when the read ends here.
bool LANalyzerReader::StartFrames(ReadContext& ctx)
{
    if (!wrapped_) return true;
    if (!buffer_.Valid()) {
        ctx.State.Read.ReadResult = kReadResultBadData;
        ctx.ShowReadError(kWrappedNotSupportedText);
        return false;
    }
    // The oldest frame lies inside the file unless the file was cut short before it:
    // that ends the read like any record cut short.
    if (buffer_.Oldest < ctx.Input.Size() && ctx.Input.Seek(buffer_.Oldest)) return true;
    ctx.NoteReadError();
    return false;
}

LANalyzerReader::Step LANalyzerReader::ReadFrameRecord(ReadContext& ctx)
{
    uint8_t header[kRecordHeaderBytes];
    switch (FetchRecord(ctx.Input, header, sizeof header)) {
    case Fetch::Whole: break;
    case Fetch::End: return Step::Stop;
    case Fetch::Short: ctx.NoteReadError(); return Step::Stop;
    }
    // The frames run to the end of the file (or of the circular buffer). Records of
    // the header kinds may close the file; any other record among the frames means a
    // damaged type, or a damaged length before it.
    if (LittleU16(header) != kFrameRecord) {
        if (!TrailerToTheEnd(ctx.Input, LittleU16(header), LittleU16(header + 2))) ctx.NoteReadError();
        return Step::Stop;
    }
    const std::size_t length = LittleU16(header + 2);
    // A body too short for the frame header cannot be a frame record: the file is damaged.
    if (length < kFrameHeaderBytes) {
        ctx.NoteReadError();
        return Step::Stop;
    }
    // A frame longer than the frame buffer is taken clipped: its length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(body_.data(), body_.size(), length, held, clipped)) return Step::Stop;
    const bool more = FollowWrap(ctx);

    SetFrame(ctx.State, body_.data());
    if (ctx.DeliverFrame(body_.data() + kFrameHeaderBytes, held - kFrameHeaderBytes, clipped)) return Step::Stop;
    if (ctx.EndOfRecord() || !more) return Step::Stop;
    return Step::Continue;
}

// True when the record just begun (its header read) and every record after it are of
// the kinds the header area holds and end exactly with the file: a closing trailer.
bool LANalyzerReader::TrailerToTheEnd(TraceInput& input, uint16_t type, std::size_t length)
{
    static constexpr uint16_t kHeaderKinds[] = {0x1001, 0x1002, 0x1003, 0x1004, 0x1006, 0x1007,
                                                0x1009, 0x100A, 0x100B, 0x1032, 0x1035, 0x1036};
    for (;;) {
        if (std::find(std::begin(kHeaderKinds), std::end(kHeaderKinds), type) == std::end(kHeaderKinds)) return false;
        if (!input.Skip(length)) return false;
        if (input.AtEnd()) return true;
        uint8_t header[kRecordHeaderBytes];
        if (!input.ReadExact(header, sizeof header)) return false;
        type = LittleU16(header);
        length = LittleU16(header + 2);
    }
}

// In a wrapped capture the frames go on at the buffer's start once the buffer's
// end is reached, and end where the oldest frame began. The buffer is followed
// around once only, so that damaged offsets can never make the read circle.
bool LANalyzerReader::FollowWrap(ReadContext& ctx)
{
    if (!wrapped_) return true;
    if (!wrappedAround_ && ctx.Input.Position() == buffer_.End) {
        wrappedAround_ = true;
        if (!ctx.Input.Seek(buffer_.Begin)) {
            ctx.NoteReadError();
            return false;
        }
    }
    return !wrappedAround_ || ctx.Input.Position() < buffer_.Oldest;
}

void LANalyzerReader::SetFrame(AnalysisState& state, const uint8_t* body) const
{
    const bool frameError = state.Topology == kTopologyEthernet && (LittleU16(body + 2) & kFrameErrorBit) != 0;
    state.Frame.FrameBadFCS = frameError ? 1 : 0;
    state.Frame.FrameAlignError = frameError ? 1 : 0;
    const double t0 = LittleU16(body + 8);
    const double t1 = LittleU16(body + 10);
    const double t2 = LittleU16(body + 12);
    state.Frame.FrameTime = ((t2 * 65536.0 + t1) * 65536.0 + t0) * 0.5;
    // The stored length leaves out the FCS, which the wire length includes.
    state.Frame.StoredLength = static_cast<uint16_t>(std::min(LittleU16(body + 6) + kStoredFcsBytes, kMaxFrameBytes));
    SetFrameSize(state, LittleU16(body + 4));
}

}  // namespace

std::unique_ptr<TraceReader> MakeLANalyzerReader() { return std::make_unique<LANalyzerReader>(); }

}  // namespace quenlix
