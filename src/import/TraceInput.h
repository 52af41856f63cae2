#pragma once
// Read-only, buffered access to a trace file. Readers take their records through a
// large buffer rather than asking the operating system for every few bytes, which
// is what keeps a gigabyte trace quick to read. Nothing here ever writes.
//
// With read-ahead on, a worker thread fills a second buffer with the block after
// the current one while the reader decodes, so on a machine with a spare core the
// operating system's copy of the file overlaps the analysis instead of adding to it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "model/ReadOnlyFile.h"

namespace quenlix {

// "<path> is a folder, not a trace file." and the like for a path that exists but
// is not a regular file; the empty text for a regular file or a path that does not exist.
std::string NotARegularFileText(const std::string& path);

class TraceInput;
// The message for a file that would not open: a folder or a pipe is named as
// such; anything else gets the open failure text, then the path and the
// operating system's reason on a line of their own ("Permission denied").
std::string OpenFailureText(const TraceInput& input, const std::string& path);
// The same for an errno value or kNotARegularFile.
std::string OpenFailureText(int openError, const std::string& path);

class TraceInput {
public:
    static constexpr std::size_t kDefaultBufferBytes = 1 << 20;
    // OpenError() of a path that exists but is not a regular file (no errno has this value).
    static constexpr int kNotARegularFile = quenlix::kNotARegularFile;

    explicit TraceInput(std::size_t bufferBytes = kDefaultBufferBytes);
    ~TraceInput();
    TraceInput(const TraceInput&) = delete;
    TraceInput& operator=(const TraceInput&) = delete;

    // Opens the file for reading only. On failure OpenError() holds the errno value.
    // Only a regular file is opened: a folder, a named pipe, a device or a socket is
    // refused before it is touched (a pipe without a writer would block the open for
    // ever, and none of them has a size to read up to); OpenError() is then
    // kNotARegularFile and NotARegularFileText names what the path is.
    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // Reads the next block in the background whenever the reader streams through a
    // file larger than the buffer. Takes effect at the next Open.
    void SetReadAhead(bool on) { readAheadWanted_ = on; }
    int OpenError() const { return openError_; }

    // Copies up to n bytes to dst and returns how many it delivered; fewer than n
    // means the end of the file or a read error (see Failed()).
    [[nodiscard]] std::size_t Read(void* dst, std::size_t n);
    // Reads exactly n bytes or reports false (the bytes read so far are consumed).
    [[nodiscard]] bool ReadExact(void* dst, std::size_t n) { return Read(dst, n) == n; }
    // The next n bytes where they lie in the buffer, consumed, when the buffer holds
    // them all; nullptr (nothing consumed) when they straddle the buffer's end, and
    // the caller reads them with Read instead. Valid until the next call.
    [[nodiscard]] const uint8_t* Borrow(std::size_t n)
    {
        if (Buffered() < n) return nullptr;
        const uint8_t* bytes = buffer_.data() + bufferPos_;
        bufferPos_ += n;
        return bytes;
    }
    // Moves forward n bytes without copying them; false when the file ends first.
    [[nodiscard]] bool Skip(uint64_t n);

    // Moves to an absolute offset. Offsets past the end are allowed; reads there deliver nothing.
    [[nodiscard]] bool Seek(int64_t offset);
    [[nodiscard]] int64_t Position() const { return bufferStart_ + static_cast<int64_t>(bufferPos_); }
    // The file size taken when the file was opened.
    int64_t Size() const { return size_; }
    [[nodiscard]] bool AtEnd() const { return Position() >= size_; }
    // True once the operating system reported a read error (not merely the end of the file).
    [[nodiscard]] bool Failed() const { return failed_; }

private:
    class ReadAhead;

    bool Refill();
    // Reads n bytes at offset straight from the file (once any background read is done).
    std::size_t ReadFileAt(int64_t offset, uint8_t* dst, std::size_t n);
    std::size_t Buffered() const { return bufferFill_ - bufferPos_; }

    std::FILE* file_ = nullptr;
    std::size_t capacity_;        // buffer size asked for; a smaller file gets a smaller buffer
    std::vector<uint8_t> buffer_;
    std::size_t bufferPos_ = 0;   // next byte to deliver
    std::size_t bufferFill_ = 0;  // bytes held in the buffer
    int64_t bufferStart_ = 0;     // file offset of buffer_[0]
    int64_t size_ = 0;
    int openError_ = 0;
    bool failed_ = false;
    bool readAheadWanted_ = false;
    std::unique_ptr<ReadAhead> readAhead_;  // set while a file larger than the buffer is open
};

}  // namespace quenlix
