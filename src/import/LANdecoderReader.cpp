// Reader of LANdecoder traces: a 32-byte preamble, a capture-header record, then
// frame records up to an end record (type 3). Each record has a 6-byte header:
// type, body length and a word that is not used.

#include <array>
#include <memory>
#include <vector>

#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

constexpr std::size_t kPreambleBytes = 32;
constexpr std::size_t kRecordHeaderBytes = 6;
constexpr std::size_t kCaptureHeaderBytes = 60;
constexpr uint16_t kEndRecord = 3;

// The frame bytes start after the record's own header: 24 bytes on Ethernet,
// where a status word sits before the second length word, 22 on Token Ring.
constexpr std::size_t kEthernetFrameOffset = 24;
constexpr std::size_t kTokenRingFrameOffset = 22;
constexpr uint16_t kBadFcsFlag = 0x0002;
constexpr uint16_t kAlignErrorFlag = 0x0004;

class LANdecoderReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // Finer than a microsecond: PC timer counts of 0.838 us.
    uint8_t TimeStampDigits() const override { return 9; }
    // The stored bytes run to the end of the frame, its FCS included.
    bool EthernetBytesHoldFCS() const override { return true; }
    // The counted length word is taken as it stands on either medium and counts the FCS.
    bool TokenRingSizeCountsFCS() const override { return true; }

private:
    [[nodiscard]] bool ReadCaptureHeader(ReadContext& ctx);
    // One record; false when the read ends with it.
    [[nodiscard]] bool ReadRecord(ReadContext& ctx);
    [[nodiscard]] bool DeliverFrameRecord(ReadContext& ctx, std::size_t bodyLength);

    bool ethernet_ = true;
    std::size_t frameOffset_ = kEthernetFrameOffset;
    std::vector<uint8_t> body_ = std::vector<uint8_t>(kEthernetFrameOffset + kMaxFrameBytes);
};

void LANdecoderReader::Read(ReadContext& ctx)
{
    ethernet_ = ctx.State.Topology == kTopologyEthernet;
    frameOffset_ = ethernet_ ? kEthernetFrameOffset : kTokenRingFrameOffset;
    if (ReadCaptureHeader(ctx)) {
        while (ReadRecord(ctx)) {
        }
    } else {
        ctx.NoteReadError();
    }
    ctx.Finish();
}

bool LANdecoderReader::ReadCaptureHeader(ReadContext& ctx)
{
    std::array<uint8_t, kPreambleBytes + kRecordHeaderBytes + kCaptureHeaderBytes> head{};
    if (!ctx.Input.ReadExact(head.data(), head.size())) return false;
    // A capture header longer than the fields used still ends where its length says.
    const uint16_t bodyLength = LittleU16(head.data() + kPreambleBytes + 2);
    if (bodyLength > kCaptureHeaderBytes && !ctx.Input.Skip(bodyLength - kCaptureHeaderBytes)) return false;

    const uint8_t* body = head.data() + kPreambleBytes + kRecordHeaderBytes;
    CalendarTime start;
    start.Year = LittleU16(body + 4);
    start.Month = LittleU16(body + 6);
    start.Day = LittleU16(body + 8);
    start.Hour = LittleU16(body + 12);
    start.Minute = LittleU16(body + 14);
    start.Second = LittleU16(body + 16);
    ctx.State.Read.TraceStartDate = PackDosDateTime(start);
    // Frame times count from this moment, in the analyser's local time.
    SetFrameTimeOrigin(ctx.State, UnixMicroseconds(start), CaptureClock::LocalTime);
    return true;
}

bool LANdecoderReader::ReadRecord(ReadContext& ctx)
{
    uint8_t header[kRecordHeaderBytes];
    switch (FetchRecord(ctx.Input, header, sizeof header)) {
    case Fetch::Whole: break;
    case Fetch::End: return false;  // no end record: the file's end closes the trace
    case Fetch::Short: ctx.NoteReadError(); return false;
    }
    if (LittleU16(header) == kEndRecord) return false;

    const std::size_t bodyLength = LittleU16(header + 2);
    if (!DeliverFrameRecord(ctx, bodyLength)) return false;
    return !ctx.EndOfRecord();
}

bool LANdecoderReader::DeliverFrameRecord(ReadContext& ctx, std::size_t bodyLength)
{
    // A body too short for its own header cannot be a frame record: the file is damaged.
    if (bodyLength < frameOffset_) {
        ctx.NoteReadError();
        return false;
    }
    // A frame longer than the frame buffer is taken clipped: the body length leads to the next record.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(body_.data(), frameOffset_ + kMaxFrameBytes, bodyLength, held, clipped)) return false;
    const uint8_t* body = body_.data();
    AnalysisState& state = ctx.State;
    const uint16_t flags = ethernet_ ? LittleU16(body + 20) : 0;
    state.Frame.FrameBadFCS = (flags & kBadFcsFlag) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = (flags & kAlignErrorFlag) != 0 ? 1 : 0;
    // The interval timer counts down, so the elapsed part of a tick is its complement.
    const auto timer = static_cast<uint16_t>(~LittleU16(body + 4));
    state.Frame.FrameTime = TicksToMicroseconds(LittleU16(body + 2), LittleU16(body), timer);
    state.Frame.StoredLength = LittleU16(body + 18);
    state.Frame.FrameSize = LittleU16(body + frameOffset_ - 2) & 0x7FFF;
    return !ctx.DeliverFrame(body + frameOffset_, held - frameOffset_, clipped);
}

}  // namespace

std::unique_ptr<TraceReader> MakeLANdecoderReader() { return std::make_unique<LANdecoderReader>(); }

}  // namespace quenlix
