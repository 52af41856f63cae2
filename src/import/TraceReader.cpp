#include "import/TraceReader.h"

#include <algorithm>
#include <cstring>

#include "import/TraceFormats.h"
#include "import/TraceImport.h"
#include "model/FrameEngine.h"
#include "model/NumberFormat.h"

namespace quenlix {

bool ReadContext::DeliverFrame(const uint8_t* bytes, std::size_t count, bool clipped)
{
    const uint16_t limit = std::min<uint16_t>(State.Read.MaxFrameBytes, kMaxFrameBytes);
    if (clipped || count > limit) ++State.Read.ClippedFrames;
    // A reader that sets the size itself (SetFrameSize) has kept the true one.
    State.Frame.WireLength = std::max<uint32_t>(State.Frame.WireLength, State.Frame.FrameSize);
    State.Frame.FrameSize = std::min(State.Frame.FrameSize, limit);
    // FrameData holds no more than the limit either, so a longer stored length would
    // promise the engine bytes that are not there.
    State.Frame.StoredLength = std::min(State.Frame.StoredLength, limit);

    const std::size_t copied = std::min<std::size_t>(count, State.Frame.FrameSize);
    HeldBytes = std::min<std::size_t>(copied, State.Frame.StoredLength);
    if (copied > 0) std::memcpy(State.Frame.FrameData.data(), bytes, copied);
    std::fill(State.Frame.FrameData.begin() + static_cast<std::ptrdiff_t>(copied),
              State.Frame.FrameData.begin() + State.Frame.FrameSize, uint8_t{0});
    if (FrameNo == 0) State.Read.FirstFrameTime = State.Frame.FrameTime;
    State.Read.LastFrameTime = State.Frame.FrameTime;
    if (OnFrame) OnFrame(State);
    const bool stop = AnalyzeFrame(State, FrameNo);
    State.Frame.WireLength = 0;  // the next frame's reader sets its own
    return stop;
}

std::string FollowedByRecordsText(const std::string& what, int64_t offset, int64_t frame, int64_t restBytes,
                                  const std::string& records)
{
    return what + " at offset " + FormatCount(offset) + " (after frame " + FormatCount(frame) + ") is followed by " +
           FormatCount(restBytes) + " more bytes that read as " + records + ".  Data may be unreliable.";
}

std::vector<uint8_t> BytesFrom(TraceInput& input, int64_t offset, std::size_t n)
{
    std::vector<uint8_t> bytes(n);
    bytes.resize(input.Seek(offset) ? input.Read(bytes.data(), n) : 0);
    return bytes;
}

bool ReadContext::ReadFrameBytes(uint8_t* buffer, std::size_t capacity, std::size_t length, std::size_t& held,
                                 bool& clipped)
{
    held = std::min(length, capacity);
    clipped = held < length;
    if (Input.ReadExact(buffer, held) && Input.Skip(length - held)) return true;
    NoteReadError();
    return false;
}

void ReadContext::ShowReadError(const std::string& text)
{
    if (State.Read.ReadResult == 0) State.Read.ReadResult = kReadResultBadData;
    if (State.Read.ReadEndText.empty()) State.Read.ReadEndText = text;
    Host.ShowMessage(MessageIcon::Error, kReadErrorTitle, text);
}

bool ReadContext::EndOfRecord()
{
    State.Read.TraceFilePos = Input.Position();
    if (!StopRequested()) return false;
    State.Read.ReadCancelled = 1;
    return true;
}

std::unique_ptr<TraceReader> MakeTraceReader(TraceFormatCode format)
{
    const TraceFormat* entry = FindTraceFormat(format);
    return entry != nullptr ? entry->MakeReader() : nullptr;
}

}  // namespace quenlix
