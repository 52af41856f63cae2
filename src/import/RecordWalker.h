#pragma once
// The steps every record-by-record reader takes through a trace file: begin a
// record (where a clean end of the file simply ends the read), read or skip the
// rest of a record that has begun (where the end of the file means the record was
// cut short), and jump to an offset the trace names. A step that fails leaves
// ReadResult set, so that the read ends silently with the frames read so far.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "import/RecordFields.h"
#include "import/TraceReader.h"

namespace quenlix {

class RecordWalker {
public:
    explicit RecordWalker(ReadContext& ctx) : ctx_(ctx) {}

    // The first n bytes of a record. False when the file has no more records (a
    // clean end) or when it ends inside these bytes (ReadResult set).
    [[nodiscard]] bool Begin(void* destination, std::size_t n)
    {
        switch (FetchRecord(ctx_.Input, destination, n)) {
        case Fetch::Whole: return true;
        case Fetch::End: return false;
        case Fetch::Short: break;
        }
        ctx_.NoteReadError();
        return false;
    }

    // More bytes of a record that has begun; false (ReadResult set) when they are not all there.
    [[nodiscard]] bool Rest(void* destination, std::size_t n)
    {
        if (ctx_.Input.ReadExact(destination, n)) return true;
        ctx_.NoteReadError();
        return false;
    }

    // Passes over n bytes of a record that has begun; false (ReadResult set) when the file ends first.
    [[nodiscard]] bool SkipRest(uint64_t n)
    {
        if (ctx_.Input.Skip(n)) return true;
        ctx_.NoteReadError();
        return false;
    }

    // Moves to an absolute offset named by the trace; false (ReadResult set) when
    // the offset lies outside the file.
    [[nodiscard]] bool SeekTo(int64_t offset)
    {
        if (offset >= 0 && offset <= ctx_.Input.Size() && ctx_.Input.Seek(offset)) return true;
        ctx_.NoteReadError();
        return false;
    }

private:
    ReadContext& ctx_;
};

// A length as FrameSize and StoredLength hold it: never negative, never above MaxFrameBytes.
inline uint16_t ClippedFrameLength(const AnalysisState& state, int64_t length)
{
    return static_cast<uint16_t>(std::clamp<int64_t>(length, 0, state.Read.MaxFrameBytes));
}

// Sets the frame's size clipped to the frame buffer, and keeps its true size
// for what is told of the frame beyond the analysis (an export's original length).
inline void SetFrameSize(AnalysisState& state, int64_t length)
{
    state.Frame.WireLength = static_cast<uint32_t>(std::clamp<int64_t>(length, 0, UINT32_MAX));
    state.Frame.FrameSize = ClippedFrameLength(state, length);
}

}  // namespace quenlix
