#pragma once
// Runs a format reader on a file and keeps a copy of every frame it delivers, so
// that tests can check the current-frame fields frame by frame.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"

namespace quenlix::testing {

struct CapturedFrame {
    double Time = 0;
    uint16_t FrameSize = 0;
    uint16_t StoredLength = 0;
    uint8_t BadFCS = 0;
    uint8_t AlignError = 0;
    std::vector<uint8_t> Bytes;  // FrameData[0 .. FrameSize)
};

struct CapturedRead {
    std::unique_ptr<AnalysisState> State;
    std::vector<CapturedFrame> Frames;
};

struct CaptureOptions {
    TraceFormatCode Format = kFormatSniffer;
    TopologyCode Topology = kTopologyEthernet;
    bool SnifferCompressed = false;
    bool CountOnly = false;
    bool ReadAhead = false;  // read the file ahead on a worker thread, as the driver does
};

// Frame-like bytes: a header-ish start, runs, repeats and noise, different per seed,
// so that both plain and compressed traces get realistic content.
std::vector<uint8_t> SampleBytes(std::size_t size, uint32_t seed);

// Reads path with the reader of options.Format straight away (no detection, no
// driver reset) and returns the state and the frames seen.
CapturedRead CaptureFrames(const std::string& path, const CaptureOptions& options, ReadHost& host);

}  // namespace quenlix::testing
