#include "FrameCapture.h"

#include <stdexcept>

#include "import/TraceInput.h"
#include "import/TraceReader.h"

namespace quenlix::testing {

std::vector<uint8_t> SampleBytes(std::size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes(size);
    uint32_t noise = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < size; ++i) {
        noise = noise * 1103515245u + 12345u;
        switch ((i / 37 + seed) % 4) {
        case 0: bytes[i] = static_cast<uint8_t>(noise >> 24); break;         // noise
        case 1: bytes[i] = static_cast<uint8_t>(seed);  break;               // a run
        case 2: bytes[i] = static_cast<uint8_t>("quenlix-"[i % 8]); break;   // a repeat
        default: bytes[i] = static_cast<uint8_t>(i * 7 + seed); break;       // a ramp
        }
    }
    return bytes;
}

CapturedRead CaptureFrames(const std::string& path, const CaptureOptions& options, ReadHost& host)
{
    CapturedRead result{std::make_unique<AnalysisState>(), {}};
    AnalysisState& state = *result.State;
    state.Read.TraceFileName = path;
    state.Read.TraceFormat = options.Format;
    state.Topology = options.Topology;
    state.Read.SnifferCompressed = options.SnifferCompressed ? 1 : 0;
    state.Read.CountOnly = options.CountOnly ? 1 : 0;

    TraceInput input;
    input.SetReadAhead(options.ReadAhead);
    if (!input.Open(path)) throw std::runtime_error("cannot open " + path);
    state.Read.TraceFileSize = input.Size();
    const std::unique_ptr<TraceReader> reader = MakeTraceReader(options.Format);
    if (!reader) return result;

    ReadContext context(state, host, input);
    context.OnFrame = [&result](const AnalysisState& s) {
        CapturedFrame frame{s.Frame.FrameTime, s.Frame.FrameSize, s.Frame.StoredLength, s.Frame.FrameBadFCS, s.Frame.FrameAlignError, {}};
        frame.Bytes.assign(s.Frame.FrameData.begin(), s.Frame.FrameData.begin() + s.Frame.FrameSize);
        result.Frames.push_back(std::move(frame));
    };
    reader->Read(context);
    return result;
}

}  // namespace quenlix::testing
