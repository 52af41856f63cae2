#include "import/TraceInput.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "model/ProgramTexts.h"
#include "model/ReadOnlyFile.h"

namespace quenlix {

namespace {

// Positions the file and reads up to n bytes; fewer means the end of the file, or an
// error when failed is set.
std::size_t ReadFromFile(std::FILE* file, int64_t offset, uint8_t* dst, std::size_t n, bool& failed)
{
    failed = false;
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
        failed = true;
        return 0;
    }
    const std::size_t got = std::fread(dst, 1, n, file);
    if (got < n && std::ferror(file)) failed = true;
    return got;
}

// What a path that is not a regular file is, as the user knows it; nullptr for a
// regular file or a path that does not exist (opening it then reports why).
const char* NonFileKind(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status) || fs::is_regular_file(status)) return nullptr;
    if (fs::is_directory(status)) return "a folder";
    if (fs::is_fifo(status)) return "a named pipe";
    if (fs::is_character_file(status) || fs::is_block_file(status)) return "a device";
    if (fs::is_socket(status)) return "a socket";
    return "a special file";
}

}  // namespace

std::string NotARegularFileText(const std::string& path)
{
    const char* kind = NonFileKind(path);
    if (kind == nullptr) return {};
    return path + " is " + kind + ", not a trace file.";
}

std::string OpenFailureText(const TraceInput& input, const std::string& path)
{
    return OpenFailureText(input.OpenError(), path);
}

std::string OpenFailureText(int openError, const std::string& path)
{
    if (openError == kNotARegularFile) {
        // What the path names now; a file swapped back in the meantime gets the plain text.
        std::string kind = NotARegularFileText(path);
        return kind.empty() ? path + " is not a regular file, not a trace file." : kind;
    }
    const std::string reason = SystemErrorText(openError != 0 ? openError : ENOENT);
    return std::string(kOpenFailedText) + "\n" + path + ": " + reason;
}

// One worker thread that reads one block ahead into its own buffer. The file is
// touched by one thread at a time: the worker only while a block is pending, the
// reader's thread only after Wait() has seen the worker idle.
class TraceInput::ReadAhead {
public:
    ReadAhead(std::FILE* file, std::size_t blockBytes) : file_(file), block_(blockBytes)
    {
        worker_ = std::thread([this] { Run(); });
    }

    ~ReadAhead()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        worker_.join();
    }

    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading the block at offset. The worker must be idle (see Wait).
    void Start(int64_t offset)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            offset_ = offset;
            ready_ = false;
            pending_ = true;
        }
        wake_.notify_all();
    }

    // Waits until no block is being read; after that the caller may use the file.
    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return !pending_; });
    }

    // Hands over the block read at offset by swapping it into buffer. False (and the
    // block is dropped) when the last block read started elsewhere or none was read.
    bool Take(int64_t offset, std::vector<uint8_t>& buffer, std::size_t& fill, bool& failed)
    {
        Wait();
        std::lock_guard<std::mutex> lock(mutex_);
        const bool usable = ready_ && offset_ == offset;
        ready_ = false;
        if (!usable) return false;
        buffer.swap(block_);
        fill = fill_;
        failed = failed_;
        return true;
    }

private:
    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_) return;
            const int64_t offset = offset_;
            lock.unlock();
            bool failed = false;
            const std::size_t got = ReadFromFile(file_, offset, block_.data(), block_.size(), failed);
            lock.lock();
            fill_ = got;
            failed_ = failed;
            ready_ = true;
            pending_ = false;
            done_.notify_all();
        }
    }

    std::FILE* file_;
    std::vector<uint8_t> block_;
    std::mutex mutex_;
    std::condition_variable wake_;  // the worker waits here for a block to read
    std::condition_variable done_;  // the reader waits here for the block
    int64_t offset_ = 0;
    std::size_t fill_ = 0;
    bool failed_ = false;
    bool pending_ = false;  // the worker owns the file and the block
    bool ready_ = false;    // block_ holds fill_ bytes read at offset_
    bool quit_ = false;
    std::thread worker_;
};

TraceInput::TraceInput(std::size_t bufferBytes) : capacity_(std::max<std::size_t>(bufferBytes, 1)) {}

TraceInput::~TraceInput() { Close(); }

bool TraceInput::Open(const std::string& path)
{
    Close();
    // A device is refused before it is touched at all: opening some has effects
    // (a tape rewinds). The open itself checks what it opened, as the path may
    // have changed since.
    if (NonFileKind(path) != nullptr) {
        openError_ = kNotARegularFile;
        return false;
    }
    const ReadOnlyFile opened = OpenRegularFileForReading(path);
    file_ = opened.File;
    if (file_ == nullptr) {
        openError_ = opened.Error;
        return false;
    }
    // Our own buffer does the buffering; a second one in the C library would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    openError_ = 0;
    failed_ = false;
    bufferPos_ = bufferFill_ = 0;
    bufferStart_ = 0;
    size_ = 0;
    if (std::fseek(file_, 0, SEEK_END) == 0) size_ = std::max<long>(std::ftell(file_), 0);
    std::fseek(file_, 0, SEEK_SET);
    // One byte more than the file, so that a file that fits is read in one go and its end seen at once.
    const auto wanted = size_ < static_cast<int64_t>(capacity_) ? static_cast<std::size_t>(size_) + 1 : capacity_;
    if (buffer_.size() != wanted) buffer_.resize(wanted);
    // A file that fits the buffer is read in one go; only a longer one gains from reading ahead.
    if (readAheadWanted_ && size_ > static_cast<int64_t>(buffer_.size())) {
        try {
            readAhead_ = std::make_unique<ReadAhead>(file_, buffer_.size());
        } catch (const std::exception&) {
            readAhead_.reset();  // no thread or no memory for it: read without it
        }
    }
    return true;
}

void TraceInput::Close()
{
    readAhead_.reset();  // joins the worker before the file goes
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    bufferPos_ = bufferFill_ = 0;
}

std::size_t TraceInput::ReadFileAt(int64_t offset, uint8_t* dst, std::size_t n)
{
    if (readAhead_) readAhead_->Wait();
    bool failed = false;
    const std::size_t got = ReadFromFile(file_, offset, dst, n, failed);
    if (failed) failed_ = true;
    return got;
}

bool TraceInput::Refill()
{
    bufferStart_ += static_cast<int64_t>(bufferFill_);
    bufferPos_ = bufferFill_ = 0;
    if (file_ == nullptr) return false;
    bool failed = false;
    if (readAhead_ && readAhead_->Take(bufferStart_, buffer_, bufferFill_, failed)) {
        if (failed) failed_ = true;
    } else {
        bufferFill_ = ReadFileAt(bufferStart_, buffer_.data(), buffer_.size());
    }
    // A full block with more file behind it: fetch the next one while this one is decoded.
    const int64_t next = bufferStart_ + static_cast<int64_t>(bufferFill_);
    if (readAhead_ && bufferFill_ == buffer_.size() && next < size_ && !failed_) readAhead_->Start(next);
    return bufferFill_ > 0;
}

std::size_t TraceInput::Read(void* dst, std::size_t n)
{
    auto* out = static_cast<uint8_t*>(dst);
    std::size_t delivered = 0;
    while (delivered < n) {
        if (Buffered() == 0) {
            // A request larger than the buffer goes straight to the file: no point copying it twice.
            const std::size_t rest = n - delivered;
            if (rest >= buffer_.size() && file_ != nullptr) {
                bufferStart_ += static_cast<int64_t>(bufferFill_);
                bufferPos_ = bufferFill_ = 0;
                const std::size_t got = ReadFileAt(bufferStart_, out + delivered, rest);
                bufferStart_ += static_cast<int64_t>(got);
                delivered += got;
                break;
            }
            if (!Refill()) break;
        }
        const std::size_t take = std::min(Buffered(), n - delivered);
        std::memcpy(out + delivered, buffer_.data() + bufferPos_, take);
        bufferPos_ += take;
        delivered += take;
    }
    return delivered;
}

bool TraceInput::Skip(uint64_t n)
{
    const int64_t target = Position() + static_cast<int64_t>(std::min<uint64_t>(n, static_cast<uint64_t>(INT64_MAX / 2)));
    // Past the end the input stops at the end, and the skip fails either way.
    return Seek(std::min(target, size_)) && target <= size_;
}

bool TraceInput::Seek(int64_t offset)
{
    if (file_ == nullptr || offset < 0) return false;
    if (offset >= bufferStart_ && offset <= bufferStart_ + static_cast<int64_t>(bufferFill_)) {
        bufferPos_ = static_cast<std::size_t>(offset - bufferStart_);
        return true;
    }
    // Every read positions the file itself, so a seek only moves where the next one starts.
    bufferStart_ = offset;
    bufferPos_ = bufferFill_ = 0;
    return true;
}

}  // namespace quenlix
