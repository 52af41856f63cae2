#pragma once
// Writes frames to a pcapng file, the format today's capture tools read.
//
// The file is one section (a section header block), one interface (an interface
// description block naming the analyser and the source trace) and an enhanced
// packet block per frame, all little-endian. The frames go to a temporary file in
// the output's folder, which takes the output's name only once it is complete: a
// full disk, an unwritable folder or an abandoned export leaves no partial file.
// The writer never writes over the trace being read, nor over an existing file
// unless told to. Every failure comes back as a WriteStatus with a text for the
// user; the writer throws nothing and shows nothing itself.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "import/PcapngCodes.h"

namespace quenlix {

// Time-stamp units: 10^-Exponent seconds, or 2^-Exponent seconds when Binary.
struct PcapngResolution {
    uint8_t Exponent = 6;  // microseconds
    bool Binary = false;
};

struct PcapngInterface {
    PcapngLink Link = PcapngLink::Ethernet;
    uint32_t SnapLength = 0;  // 0: no limit
    std::string Name;         // the analyser whose format the frames come from
    std::string Description;  // the source trace
    PcapngResolution Resolution;
    // The FCS bytes that end every stored frame; 0 writes no if_fcslen, so readers
    // take the frames to hold none.
    uint8_t FcsBytes = 0;
};

struct PcapngPacket {
    uint64_t Stamp = 0;                // units of the interface's resolution since 1970-01-01 UTC
    std::span<const uint8_t> Bytes;    // the stored bytes: their count is the captured length
    uint32_t OriginalLength = 0;       // on the wire; at least the captured length
    uint32_t LinkErrors = 0;           // pcapng_errors bits
    std::string Comment;               // a status without a flag; empty: none
};

struct PcapngTarget {
    std::string OutputPath;
    std::string InputPath;  // the trace being read, never written over; empty: none
    bool Force = false;     // replace an existing output file
};

struct [[nodiscard]] WriteStatus {
    std::string Error;  // for the user; empty when the step succeeded
    bool Ok() const { return Error.empty(); }
};

class PcapngWriter {
public:
    PcapngWriter() = default;
    ~PcapngWriter();  // abandons an export not finished
    PcapngWriter(const PcapngWriter&) = delete;
    PcapngWriter& operator=(const PcapngWriter&) = delete;

    // Checks the target, creates the temporary file and writes the section and
    // interface headers.
    WriteStatus Open(const PcapngTarget& target, const PcapngInterface& interface);
    // Appends one frame. An original length below the captured one is raised to it.
    WriteStatus Add(const PcapngPacket& packet);
    // Completes the file and gives it the output's name.
    WriteStatus Finish();
    // Removes the temporary file; the output is left as it was.
    void Abandon();

    uint64_t PacketsWritten() const { return packets_; }

private:
    WriteStatus Put(std::span<const uint8_t> block);
    WriteStatus Fail(const std::string& text);

    PcapngTarget target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    uint64_t packets_ = 0;
};

}  // namespace quenlix
