#pragma once
// The contract between the import driver and the reader of one trace-format family.
//
// Adding a format is one reader file, one table row and their tests: write
// src/import/<Family>Reader.cpp with a class derived from TraceReader and a
// factory function, add the format's code to model/Codes.h, and add one row to
// import/TraceFormatTable.def (code, reader name, analyser name, open dialog
// filters, detection test, topology rule, factory), with its detection test and
// topology rule in import/TraceFormats.cpp and its factory declared there beside
// the others. Detection, the readable formats, the analyser name, the reader
// factory, the open dialog and the reader's fuzz target all follow from the table.
// The driver has already opened the file (positioned at offset 0), reset the
// analysis and told the host; the reader only walks its records:
//
//   for each record:
//       read it through ctx.Input            (short read: ctx.NoteReadError(); stop)
//       for a frame: fill the lengths, time and flags of ctx.State, then
//           if (ctx.DeliverFrame(bytes, count)) stop;   // engine said stop
//       if (ctx.EndOfRecord()) stop;                     // Stop button
//   ctx.Finish();                                        // TotalFrames
//
// A frame longer than the frame buffer whose record length is known is taken
// clipped (ctx.ReadFrameBytes keeps its first bytes and passes over the rest) and
// delivered with clipped = true; only a format whose next record cannot be found
// after it stops with ctx.ReportPacketTooLarge(). Any other message to the user
// goes through ctx.ShowReadError(text). A read that stops before the end of the
// frame data must leave ReadResult set: ctx.NoteReadError() does so silently, and
// the driver then tells the user that the trace is damaged.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import/TraceInput.h"
#include "model/AnalysisState.h"
#include "model/ProgramTexts.h"
#include "model/ReadHost.h"

namespace quenlix {

// ReadResult value of a read that ended because the file gave fewer bytes than a
// record needs (the file is cut short or the device failed).
constexpr int32_t kReadResultShortRead = 100;
// ReadResult value of a read whose file could not be opened.
constexpr int32_t kReadResultOpenFailed = 2;
// ReadResult value of a read that ended at data it could not decode (a message was shown).
constexpr int32_t kReadResultBadData = 4;

inline constexpr const char* kPacketTooLargeText = "Packet too large to process.";
inline constexpr const char* kDamagedRecordText = "Damaged frame record encountered.  Data may be unreliable.";

class ReadContext {
public:
    ReadContext(AnalysisState& state, ReadHost& host, TraceInput& input)
        : State(state), Host(host), Input(input) {}

    AnalysisState& State;
    ReadHost& Host;
    TraceInput& Input;
    // The reader's frame counter; the engine increments it for every frame.
    int64_t FrameNo = 0;
    // When set, sees every frame just before the engine does (tools and tests use it
    // to look at what a reader delivers).
    std::function<void(const AnalysisState&)> OnFrame;
    // How many of the current frame's bytes the trace stored (at most the frame
    // buffer); FrameData reads as zeros after them up to FrameSize.
    std::size_t HeldBytes = 0;

    // The user asked to stop the read.
    [[nodiscard]] bool StopRequested() { return Host.StopRequested(); }

    // Hands the current frame to the engine. State.Frame.FrameSize and State.Frame.StoredLength
    // must be set; both are clipped to MaxFrameBytes here. Up to FrameSize bytes are
    // copied from bytes[0..count); the rest of the frame up to FrameSize is zeros, as
    // the trace did not store it. Returns true when the engine asks the reader to stop.
    // clipped: the record stored more frame bytes than the frame buffer holds (see
    // ReadFrameBytes); such frames are counted in ClippedFrames.
    [[nodiscard]] bool DeliverFrame(const uint8_t* bytes, std::size_t count, bool clipped = false);

    // Reads the `length` frame bytes of a record that has begun into buffer, which
    // holds `capacity` bytes: all of them when they fit, otherwise the first
    // `capacity` while the rest is passed over, so that the read goes on with the
    // next record. held is what the buffer now holds; clipped tells whether bytes
    // were passed over. False (ReadResult set) when the file ends first.
    [[nodiscard]] bool ReadFrameBytes(uint8_t* buffer, std::size_t capacity, std::size_t length, std::size_t& held,
                                      bool& clipped);

    // Closes one record: publishes the file position for the progress display and
    // polls Stop. Returns true (and sets ReadCancelled) when the user stopped the read.
    [[nodiscard]] bool EndOfRecord();

    // A record could not be read whole: the read ends silently with ReadResult set.
    void NoteReadError() { State.Read.ReadResult = kReadResultShortRead; }
    // A record whose fields cannot be true: the read ends with ReadResult set, and the
    // driver tells the user that the trace is damaged.
    void NoteDamagedRecord() { State.Read.ReadResult = kReadResultBadData; }

    // A modal error box titled "File Read Error" that ends the read: ReadResult is
    // set (when nothing set it yet) and the text kept as the reason in ReadEndText.
    void ShowReadError(const std::string& text);
    void ReportPacketTooLarge() { ShowReadError(kPacketTooLargeText); }

    // Stores the frame counter in TotalFrames; every reader calls it when it ends.
    void Finish() { State.TotalFrames = FrameNo; }
};

// "End record at offset 31,470 (after frame 470) is followed by 350,112 more bytes
// that read as records.  Data may be unreliable.": what ended a read (named by `what`
// and where it lies) has more of the trace after it.
std::string FollowedByRecordsText(const std::string& what, int64_t offset, int64_t frame, int64_t restBytes,
                                  const std::string& records = "records");

// Up to n bytes of the file from offset on, fewer where the file ends; for a reader
// that looks past where its read ended.
std::vector<uint8_t> BytesFrom(TraceInput& input, int64_t offset, std::size_t n);

class TraceReader {
public:
    virtual ~TraceReader() = default;
    // Reads every frame of ctx.Input (positioned at offset 0) into ctx.State.
    virtual void Read(ReadContext& ctx) = 0;
    // Whether the frame sizes this reader gives on Token Ring count the 4-byte FCS
    // at the frame's end, as they always do on Ethernet. Formats that add the FCS
    // to their Ethernet lengths only give Token Ring sizes without it.
    virtual bool TokenRingSizeCountsFCS() const { return false; }
    // The finest step of the format's time stamps as a power of ten of a second
    // (6: microseconds); an export keeps its frames' times at that resolution.
    virtual uint8_t TimeStampDigits() const { return 6; }
    // Whether the bytes the format stores of an Ethernet frame end with its 4-byte
    // FCS; the frame sizes the reader gives count it either way.
    virtual bool EthernetBytesHoldFCS() const { return false; }
};

// The reader of a format code (from the format table), or nullptr for a format
// that has no reader (nothing is read).
[[nodiscard]] std::unique_ptr<TraceReader> MakeTraceReader(TraceFormatCode format);

}  // namespace quenlix
