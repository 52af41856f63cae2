#include "TokenRingFrames.h"

#include <algorithm>

namespace quenlix::testing {

namespace {

// Frame byte offsets of the ten soft-error counters, in kind order.
constexpr std::size_t kCounterOffsets[10] = {24, 23, 22, 30, 31, 21, 20, 28, 29, 32};
constexpr std::size_t kHeaderBytes = 14;  // AC, FC, destination, source
constexpr std::size_t kMacBodyBytes = 46;
constexpr std::size_t kVectorOffset = 17;
constexpr std::size_t kMonitorNeighbourOffset = 26;
constexpr std::size_t kReportNeighbourOffset = 42;

Bytes MacBody(uint8_t vector)
{
    Bytes body(kMacBodyBytes, 0);
    body[kVectorOffset - kHeaderBytes] = vector;
    return body;
}

void PutAddress(Bytes& body, std::size_t frameOffset, const Mac& address)
{
    std::copy(address.begin(), address.end(), body.begin() + static_cast<std::ptrdiff_t>(frameOffset - kHeaderBytes));
}

constexpr uint64_t kCycleMicros = 7'000'000;
constexpr uint64_t kStandbyGapMicros = 20'000;
constexpr int kCycles = 5;

SnifferFrame At(uint64_t micros, Bytes bytes)
{
    SnifferFrame frame;
    frame.TimeCount = micros;
    frame.Bytes = std::move(bytes);
    return frame;
}

// Ring positions wrap: the station upstream of position 1 is position 8.
Mac Upstream(int position)
{
    return RingOfEightStation(position == 1 ? 8 : position - 1);
}

// One monitor cycle: the active monitor's frame, then each other station's
// standby frame in ring order, except the one that stays silent (0: none).
void AddMonitorCycle(std::vector<SnifferFrame>& frames, uint64_t start, int monitor, int silent)
{
    frames.push_back(At(start, MonitorPresentFrame(RingOfEightStation(monitor), Upstream(monitor), true)));
    uint64_t time = start;
    for (int step = 1; step < 8; ++step) {
        const int position = (monitor - 1 + step) % 8 + 1;
        time += kStandbyGapMicros;
        if (position == silent) continue;
        frames.push_back(At(time, MonitorPresentFrame(RingOfEightStation(position), Upstream(position), false)));
    }
}

// The soft errors of one reporting period; the outsider is named only when asked.
void AddSoftErrors(std::vector<SnifferFrame>& frames, uint64_t start, bool withOutsider)
{
    struct Report {
        int Position;
        std::array<uint8_t, 10> Counts;  // abort, A/C, burst, copied, frequency, internal, line, lost, congestion, token
    };
    const Report reports[] = {
        {2, {0, 0, 0, 0, 0, 0, 3, 0, 0, 0}},
        {4, {2, 0, 0, 0, 0, 0, 0, 2, 0, 1}},
        {5, {0, 0, 4, 0, 0, 0, 2, 0, 0, 0}},
        {6, {0, 1, 0, 1, 1, 0, 0, 0, 0, 0}},
        {7, {0, 0, 1, 0, 0, 1, 0, 0, 0, 0}},
        {8, {0, 0, 0, 0, 0, 0, 0, 0, 5, 0}},
    };
    uint64_t time = start;
    for (const Report& report : reports) {
        time += 50'000;
        frames.push_back(At(time, SoftErrorReportFrame(RingOfEightStation(report.Position),
                                                       Upstream(report.Position), report.Counts)));
    }
    if (withOutsider)
        frames.push_back(At(time + 50'000, SoftErrorReportFrame(RingOfEightStation(6), RingOfEightOutsider(),
                                                                {0, 0, 2, 0, 0, 0, 0, 0, 0, 0})));
}

// Some ordinary traffic between two stations, so that the trace is not MAC frames only.
void AddLlcTraffic(std::vector<SnifferFrame>& frames, uint64_t start)
{
    const Mac netbios = {0xC0, 0x00, 0x00, 0x00, 0x00, 0x80};
    frames.push_back(At(start, TokenRingLlc(netbios, RingOfEightStation(2), {}, 0xF0,
                                            NetBiosLlcPayload(0x01, "RINGSTATION2"))));
    frames.push_back(At(start + 1'000, TokenRingLlc(RingOfEightStation(3), RingOfEightStation(4), {}, 0xF0,
                                                    NetBiosLlcPayload(0x08, "RINGSTATION4"))));
}

}  // namespace

Bytes MonitorPresentFrame(const Mac& src, const Mac& upstream, bool active)
{
    Bytes body = MacBody(active ? 0x05 : 0x06);
    PutAddress(body, kMonitorNeighbourOffset, upstream);
    return TokenRing(0x00, kActiveMonitorGroup, src, {}, body);
}

Bytes SoftErrorReportFrame(const Mac& src, const Mac& upstream, const std::array<uint8_t, 10>& countsByKind,
                           const Mac& dst)
{
    Bytes body = MacBody(0x29);
    for (std::size_t k = 0; k < countsByKind.size(); ++k) body[kCounterOffsets[k] - kHeaderBytes] = countsByKind[k];
    PutAddress(body, kReportNeighbourOffset, upstream);
    return TokenRing(0x00, dst, src, {}, body);
}

Mac RingOfEightStation(int position)
{
    const uint8_t p = static_cast<uint8_t>(position);
    switch ((position - 1) % 4) {
    case 0: return {0x08, 0x00, 0x5A, 0x11, 0x22, p};  // IBM
    case 1: return {0x00, 0x00, 0x6F, 0x00, 0x00, p};  // Madge
    case 2: return {0x00, 0x01, 0x02, 0x33, 0x44, p};  // 3Com
    default: return {0x40, 0x00, 0x00, 0x00, 0x00, p};  // locally administered
    }
}

Mac RingOfEightOutsider()
{
    return {0x40, 0x00, 0x00, 0x00, 0x00, 0x99};
}

std::vector<SnifferFrame> RingOfEightFrames()
{
    std::vector<SnifferFrame> frames;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const uint64_t start = 1'000 + static_cast<uint64_t>(cycle) * kCycleMicros;
        AddMonitorCycle(frames, start, cycle < 2 ? 1 : 3, cycle >= 3 ? 6 : 0);
        AddLlcTraffic(frames, start + 1'000'000);
        if (cycle == 1 || cycle == 3) AddSoftErrors(frames, start + 2'000'000, cycle == 3);
    }
    return frames;
}

void WriteRingOfEightTrace(const std::string& path)
{
    SnifferFileOptions options;
    options.NetworkType = 0;  // Token Ring
    WriteSnifferFile(path, options, RingOfEightFrames());
}

}  // namespace quenlix::testing
