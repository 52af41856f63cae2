#pragma once
// What the tests of the format readers share: frame bytes, byte checks and
// patches, a fixture that reads a built trace with one reader, and the check that
// a trace cut anywhere ends its read cleanly.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FrameCapture.h"
#include "TestFiles.h"
#include "TraceImage.h"
#include "import/TraceImport.h"

namespace quenlix::testing {

// Frame-like bytes that start with a unicast destination address.
inline std::vector<uint8_t> UnicastBytes(std::size_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes = SampleBytes(size, seed);
    const uint8_t destination[6] = {0x02, 0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(seed + 1)};
    for (std::size_t i = 0; i < std::min<std::size_t>(size, 6); ++i) bytes[i] = destination[i];
    return bytes;
}

// True when bytes begin with prefix.
inline bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// (BadFCS, AlignError) of every frame of a read, in order.
using FrameFlags = std::vector<std::pair<int, int>>;
inline FrameFlags FlagsOf(const CapturedRead& read)
{
    FrameFlags flags;
    for (const CapturedFrame& frame : read.Frames) flags.emplace_back(frame.BadFCS, frame.AlignError);
    return flags;
}

// Overwrites four bytes of a built trace with a little-endian value.
inline void PatchLe32(TraceImage& image, std::size_t at, uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) image.Bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Saves built traces at `path` and reads them with CaptureFrames. The host is the
// fixture's, kept from read to read: what a test checks of its messages covers
// every read before the check, and a stop set before a read applies to it.
class FormatReading : public ::testing::Test {
protected:
    FormatReading() = default;
    // The tests of one reader: Read and Options use `format`, and the traces are
    // saved under fileName, a name such files have.
    explicit FormatReading(TraceFormatCode format, const std::string& fileName = "trace.bin")
        : path(dir.Path(fileName)), format_(format)
    {
    }

    // The options of a read with this fixture's reader.
    CaptureOptions Options(TopologyCode topology = kTopologyEthernet) const
    {
        CaptureOptions options;
        options.Format = format_;
        options.Topology = topology;
        return options;
    }
    CapturedRead Read(const TraceImage& image, TopologyCode topology = kTopologyEthernet)
    {
        return Capture(image, format_, topology);
    }
    CapturedRead Capture(const TraceImage& image, TraceFormatCode format, TopologyCode topology = kTopologyEthernet)
    {
        image.Save(path);
        CaptureOptions options;
        options.Format = format;
        options.Topology = topology;
        return CaptureFrames(path, options, host);
    }
    // Saves the image at `path` and detects and reads it as the main window does:
    // it must be taken for this fixture's format, with `topology` and `frames` frames.
    std::unique_ptr<AnalysisState> DetectedAndRead(const TraceImage& image, TopologyCode topology, int32_t frames)
    {
        image.Save(path);
        auto state = std::make_unique<AnalysisState>();
        EXPECT_EQ(DetectAndRead(*state, path, host), format_);
        EXPECT_EQ(state->Topology, topology);
        EXPECT_EQ(state->TotalFrames, frames);
        return state;
    }

    TempDir dir;
    std::string path = dir.Path("trace.bin");
    RecordingHost host;

private:
    TraceFormatCode format_ = kFormatUnknown;
};

// How a reader treats a trace cut exactly between two frame records, after
// `frames` whole ones: true when that end must leave ReadResult set.
using BoundaryIsError = std::function<bool(std::size_t frames)>;

// The places worth cutting a trace: every byte of its header area, every record
// boundary and the bytes just after it, the middle of every record and the end.
inline std::set<std::size_t> CutPoints(const TraceImage& image)
{
    std::set<std::size_t> cuts;
    const std::size_t headerEnd = image.FrameOffsets.empty() ? image.Bytes.size() : image.FrameOffsets.front();
    for (std::size_t c = 0; c <= headerEnd; ++c) cuts.insert(c);
    std::vector<std::size_t> bounds = image.FrameOffsets;
    bounds.push_back(image.FramesEnd);
    for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
        for (std::size_t c : {bounds[k], bounds[k] + 1, bounds[k] + 3, (bounds[k] + bounds[k + 1]) / 2, bounds[k + 1] - 1})
            cuts.insert(c);
    }
    cuts.insert(image.FramesEnd);
    for (std::size_t c = image.FramesEnd; c < image.Bytes.size(); ++c) cuts.insert(c);
    return cuts;
}

// Reads the trace cut at every place of CutPoints: each read keeps exactly the
// frames stored whole before the cut, unchanged, ends with ReadResult set when the
// cut falls inside the header or a record, and shows no message.
inline void ExpectEveryCutEndsCleanly(const TraceImage& image, const CaptureOptions& options,
                                      const BoundaryIsError& boundaryIsError)
{
    TempDir dir;
    const std::string path = dir.Path("cut.bin");
    RecordingHost host;
    image.Save(path);
    const CapturedRead whole = CaptureFrames(path, options, host);
    ASSERT_EQ(whole.Frames.size(), image.FrameOffsets.size());

    for (std::size_t cut : CutPoints(image)) {
        SCOPED_TRACE(::testing::Message() << "cut after " << cut << " of " << image.Bytes.size() << " bytes");
        image.Prefix(cut).Save(path);
        const CapturedRead read = CaptureFrames(path, options, host);
        std::size_t before = 0;  // frame records that end at or before the cut
        while (before < image.FrameOffsets.size() &&
               (before + 1 < image.FrameOffsets.size() ? image.FrameOffsets[before + 1] : image.FramesEnd) <= cut)
            ++before;
        ASSERT_EQ(read.Frames.size(), before);
        for (std::size_t k = 0; k < before; ++k) {
            EXPECT_EQ(read.Frames[k].Bytes, whole.Frames[k].Bytes);
            EXPECT_EQ(read.Frames[k].FrameSize, whole.Frames[k].FrameSize);
        }
        EXPECT_EQ(read.State->TotalFrames, static_cast<int32_t>(before));

        const bool inHeader = image.FrameOffsets.empty() ? false : cut < image.FrameOffsets.front();
        const bool atBoundary = !inHeader && (cut == image.FramesEnd ||
                                              std::count(image.FrameOffsets.begin(), image.FrameOffsets.end(), cut) > 0);
        if (cut >= image.FramesEnd && cut < image.Bytes.size()) continue;  // inside the trailer: the format decides
        if (atBoundary) {
            EXPECT_EQ(read.State->Read.ReadResult != 0, boundaryIsError(before));
        } else if (cut < image.Bytes.size()) {
            EXPECT_NE(read.State->Read.ReadResult, 0);
        }
    }
    EXPECT_TRUE(host.Messages.empty());
}

}  // namespace quenlix::testing
