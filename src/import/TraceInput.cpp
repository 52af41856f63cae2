#include "import/TraceInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quenlix {

TraceInput::TraceInput(std::size_t bufferBytes) : capacity_(std::max<std::size_t>(bufferBytes, 1)) {}

TraceInput::~TraceInput() { Close(); }

bool TraceInput::Open(const std::string& path)
{
    Close();
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        openError_ = errno != 0 ? errno : ENOENT;
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
    const auto wanted = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(capacity_), size_ + 1));
    if (buffer_.size() != wanted) buffer_.resize(wanted);
    return true;
}

void TraceInput::Close()
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    bufferPos_ = bufferFill_ = 0;
}

bool TraceInput::Refill()
{
    bufferStart_ += static_cast<int64_t>(bufferFill_);
    bufferPos_ = bufferFill_ = 0;
    if (file_ == nullptr) return false;
    bufferFill_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (bufferFill_ < buffer_.size() && std::ferror(file_)) failed_ = true;
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
                const std::size_t got = std::fread(out + delivered, 1, rest, file_);
                bufferStart_ += static_cast<int64_t>(got);
                delivered += got;
                if (got < rest && std::ferror(file_)) failed_ = true;
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
    if (target > size_) {
        Seek(size_);
        return false;
    }
    return Seek(target);
}

bool TraceInput::Seek(int64_t offset)
{
    if (file_ == nullptr || offset < 0) return false;
    if (offset >= bufferStart_ && offset <= bufferStart_ + static_cast<int64_t>(bufferFill_)) {
        bufferPos_ = static_cast<std::size_t>(offset - bufferStart_);
        return true;
    }
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    bufferStart_ = offset;
    bufferPos_ = bufferFill_ = 0;
    return true;
}

}  // namespace quenlix
