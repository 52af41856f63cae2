// Reader of EtherPeek traces (versions 6 and 7), whose fields are big-endian: a
// 50-byte file header with the packet count, then per packet a header and the
// stored bytes, padded to an even count. Time stamps count from 1 January 1904,
// in milliseconds (version 6) or microseconds (version 7).

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <vector>

#include "import/RecordFields.h"
#include "import/TraceCalendar.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "import/UnixCaptureStart.h"

namespace quenlix {

namespace {

constexpr std::size_t kFileHeaderBytes = 50;
constexpr std::size_t kMaxPacketHeaderBytes = 26;
constexpr uint8_t kBadFcsFlag = 0x02;
constexpr int kTimeStampEpochYear = 1904;
constexpr int64_t kSeconds1904To1970 = 2'082'844'800;

// Seconds since 1970 of a count since 1904, held within int64.
int64_t SecondsSince1970(uint64_t secondsSince1904)
{
    constexpr auto kLargest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    return static_cast<int64_t>(std::min(secondsSince1904, kLargest)) - kSeconds1904To1970;
}

constexpr uint64_t kSecondsPerDay = 86400;

struct PacketHeader {
    uint16_t WireLength = 0;
    uint16_t SliceLength = 0;  // bytes stored; 0 = the whole frame
    uint8_t Flags = 0;
    uint64_t TimeStamp = 0;
};

// The two packet header layouts and the unit of their time stamps.
struct PacketLayout {
    std::size_t HeaderBytes;
    uint64_t TicksPerSecond;

    PacketHeader Parse(const uint8_t* p) const
    {
        if (HeaderBytes == 26)
            return {BigU16(p), BigU16(p + 2), p[4], BigU32(p + 6)};
        return {BigU16(p + 2), BigU16(p + 4), p[6], BigU64(p + 8)};
    }
    double MicrosecondsPerTick() const { return 1000000.0 / static_cast<double>(TicksPerSecond); }
};

constexpr PacketLayout kVersion6{26, 1000};
constexpr PacketLayout kVersion7{16, 1000000};

class EtherPeekReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;
    // The stored bytes run to the end of the frame, its FCS included.
    bool EthernetBytesHoldFCS() const override { return true; }

private:
    [[nodiscard]] bool ReadFileHeader(ReadContext& ctx);
    // One packet; false when the read ends with it.
    [[nodiscard]] bool ReadPacket(ReadContext& ctx);
    void SetFrameTime(AnalysisState& state, uint64_t timeStamp);

    PacketLayout layout_ = kVersion7;
    uint32_t packetCount_ = 0;
    bool first_ = true;
    uint64_t previousStamp_ = 0;
    double frameTime_ = 0;
    std::vector<uint8_t> slice_ = std::vector<uint8_t>(kMaxFrameBytes + 1);  // room for a pad byte
};

void EtherPeekReader::Read(ReadContext& ctx)
{
    if (ReadFileHeader(ctx)) {
        while (ReadPacket(ctx)) {
        }
    } else {
        ctx.NoteReadError();
    }
    ctx.Finish();
}

bool EtherPeekReader::ReadFileHeader(ReadContext& ctx)
{
    std::array<uint8_t, kFileHeaderBytes> header{};
    if (!ctx.Input.ReadExact(header.data(), header.size())) return false;
    layout_ = header[0] == 6 ? kVersion6 : kVersion7;
    packetCount_ = BigU32(header.data() + 6);
    return true;
}

bool EtherPeekReader::ReadPacket(ReadContext& ctx)
{
    std::array<uint8_t, kMaxPacketHeaderBytes> bytes{};
    const Fetch fetched = FetchRecord(ctx.Input, bytes.data(), layout_.HeaderBytes);
    // A header without a count (0) leaves the file's end as the only end of the packets.
    if (fetched == Fetch::End && packetCount_ == 0) return false;
    if (fetched != Fetch::Whole) {
        ctx.NoteReadError();  // fewer packets than the header counts
        return false;
    }
    PacketHeader header = layout_.Parse(bytes.data());
    if (header.SliceLength == 0) header.SliceLength = header.WireLength;
    // A slice longer than the frame buffer is taken clipped: its length leads to the next packet.
    const std::size_t padded = header.SliceLength + (header.SliceLength & 1u);
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(slice_.data(), slice_.size(), padded, held, clipped)) return false;
    held = std::min<std::size_t>(held, header.SliceLength);

    AnalysisState& state = ctx.State;
    state.Frame.FrameBadFCS = (header.Flags & kBadFcsFlag) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = 0;
    SetFrameTime(state, header.TimeStamp);
    state.Frame.FrameSize = header.WireLength;
    state.Frame.StoredLength = header.SliceLength;
    if (ctx.DeliverFrame(slice_.data(), held, clipped && held < header.SliceLength)) return false;
    if (ctx.EndOfRecord()) return false;
    return static_cast<uint32_t>(ctx.FrameNo) != packetCount_;
}

// The first packet's stamp gives the capture start and the time of day; later
// packets add their distance from the one before.
void EtherPeekReader::SetFrameTime(AnalysisState& state, uint64_t timeStamp)
{
    if (first_) {
        first_ = false;
        const uint64_t seconds = timeStamp / layout_.TicksPerSecond;
        const double fraction = static_cast<double>(timeStamp % layout_.TicksPerSecond) * layout_.MicrosecondsPerTick();
        state.Read.TraceStartDate = PackDosDateTime(CalendarFromSeconds(seconds, kTimeStampEpochYear));
        // The Macintosh clock the stamps count on keeps local time.
        SetFrameTimeOriginAtMidnight(state, SecondsSince1970(seconds), CaptureClock::LocalTime);
        frameTime_ = static_cast<double>(seconds % kSecondsPerDay) * 1000000.0 + fraction;
    } else {
        // Unsigned subtraction read as signed: a stamp that goes back gives a negative step.
        const auto step = static_cast<int64_t>(timeStamp - previousStamp_);
        frameTime_ += static_cast<double>(step) * layout_.MicrosecondsPerTick();
    }
    previousStamp_ = timeStamp;
    state.Frame.FrameTime = frameTime_;
}

}  // namespace

std::unique_ptr<TraceReader> MakeEtherPeekReader() { return std::make_unique<EtherPeekReader>(); }

}  // namespace quenlix
