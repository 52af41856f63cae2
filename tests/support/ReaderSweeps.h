#pragma once
// Checks that every reader survives the damage a trace file meets in the field: a
// file cut at any byte, and records with random bytes written over them. Used by
// the format tests with the images their writers build.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "FrameCapture.h"
#include "TestFiles.h"
#include "TraceImage.h"

namespace quenlix::testing {

// Where one record of an image lies, and whether it carries a frame.
struct RecordSpan {
    std::size_t Begin = 0;
    std::size_t End = 0;
    bool Frame = true;
};

// Spans of an image whose records follow each other from FrameOffsets[0] on, all
// of them frames; the last one ends at lastEnd.
inline std::vector<RecordSpan> ContiguousFrames(const TraceImage& image, std::size_t lastEnd)
{
    std::vector<RecordSpan> spans;
    for (std::size_t i = 0; i < image.FrameOffsets.size(); ++i) {
        const std::size_t end = i + 1 < image.FrameOffsets.size() ? image.FrameOffsets[i + 1] : lastEnd;
        spans.push_back({image.FrameOffsets[i], end, true});
    }
    return spans;
}

// Reads the image cut after every byte count from `from` to `to` (at most its whole size). Every
// cut must deliver exactly the frames whose records lie wholly inside it (the same
// frames as the whole file), show no message, and leave ReadResult set exactly when
// the cut falls inside the header or inside a record.
inline void ExpectCleanCuts(const TraceImage& image, std::size_t headerEnd, const std::vector<RecordSpan>& records,
                            const CaptureOptions& options, TempDir& dir, std::size_t from = 0,
                            std::size_t to = SIZE_MAX)
{
    RecordingHost host;
    const std::string path = dir.Path("cut.trace");
    image.Save(path);
    const CapturedRead whole = CaptureFrames(path, options, host);
    for (std::size_t cut = from; cut <= std::min(to, image.Bytes.size()); ++cut) {
        SCOPED_TRACE(::testing::Message() << "cut at " << cut << " of " << image.Bytes.size());
        image.Prefix(cut).Save(path);
        host = RecordingHost{};
        const CapturedRead read = CaptureFrames(path, options, host);

        std::size_t complete = 0;
        bool insideRecord = cut < headerEnd;
        for (const RecordSpan& record : records) {
            if (record.Frame && record.End <= cut) ++complete;
            if (record.Begin < cut && cut < record.End) insideRecord = true;
        }
        ASSERT_EQ(read.Frames.size(), complete);
        EXPECT_EQ(read.State->TotalFrames, static_cast<int>(complete));
        for (std::size_t i = 0; i < complete; ++i)
            ASSERT_EQ(read.Frames[i].Bytes, whole.Frames[i].Bytes) << "frame " << i;
        EXPECT_EQ(read.State->Read.ReadResult != 0, insideRecord);
        EXPECT_TRUE(host.Messages.empty());
    }
}

// A read of three frames whose second is longer than the frame buffer: that one
// is delivered with its first 18,000 bytes (those of longFrame, when given) and
// counted in ClippedFrames, the third is read as usual, and the reader says
// nothing (the driver tells the user of clipped frames once, after the read).
inline void ExpectClippedAndReadOn(const CapturedRead& read, const RecordingHost& host,
                                   const std::vector<uint8_t>* longFrame = nullptr)
{
    ASSERT_EQ(read.Frames.size(), 3u);
    EXPECT_EQ(read.State->TotalFrames, 3);
    EXPECT_EQ(read.State->Read.ClippedFrames, 1);
    EXPECT_EQ(read.State->Read.ReadResult, 0);
    EXPECT_TRUE(host.Messages.empty());
    const std::vector<uint8_t>& kept = read.Frames[1].Bytes;
    ASSERT_EQ(kept.size(), 18000u);
    if (longFrame != nullptr) {
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), longFrame->begin()));
    }
}

// Reads `variants` copies of the image with bytes after `from` overwritten at
// random: each read must end (the test would hang otherwise), count exactly the
// frames it delivered, and show at most one message.
inline void ExpectSurvivesDamage(const TraceImage& image, std::size_t from, const CaptureOptions& options,
                                 TempDir& dir, int variants, uint32_t seed)
{
    std::mt19937 random(seed);
    const std::string path = dir.Path("damaged.trace");
    for (int variant = 0; variant < variants; ++variant) {
        TraceImage damaged = image;
        const int hits = 1 + variant % 8;
        for (int hit = 0; hit < hits && damaged.Bytes.size() > from; ++hit) {
            const std::size_t at = from + random() % (damaged.Bytes.size() - from);
            damaged.Bytes[at] = static_cast<uint8_t>(variant % 3 == 0 ? 0xFF : random());
        }
        damaged.Save(path);
        RecordingHost host;
        const CapturedRead read = CaptureFrames(path, options, host);
        ASSERT_EQ(read.State->TotalFrames, static_cast<int>(read.Frames.size())) << "variant " << variant;
        ASSERT_LE(host.Messages.size(), 1u) << "variant " << variant;
    }
}

}  // namespace quenlix::testing
