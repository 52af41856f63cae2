#include "SnifferWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace quenlix::testing {

namespace {

constexpr char kMagic[] = "TRSNIFF data    \x1a";
constexpr std::size_t kMagicBytes = 17;
constexpr std::size_t kBlockBytes = 32768;       // decoded bytes per block
constexpr std::size_t kMaxBlockBody = 0x7FFF;    // the block header's length field
constexpr std::size_t kSmallestPackedBlock = 18; // see WriteBlock
constexpr std::size_t kWriteBufferBytes = 1 << 20;

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<uint8_t> RecordHeader(uint16_t type, std::size_t bodyLength)
{
    std::vector<uint8_t> header;
    header.reserve(6 + bodyLength);
    PutU16(header, type);
    PutU16(header, static_cast<uint16_t>(bodyLength));
    PutU16(header, 0);
    return header;
}

bool IsPreambleRecord(uint16_t type) { return (type >= 6 && type <= 11) || (type >= 13 && type <= 17); }

// ---- compression ----------------------------------------------------------------

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxShortCopy = 15;   // codes 0x30..0xF0
constexpr std::size_t kMaxLongCopy = 271;   // code 0x20: L + 16
constexpr std::size_t kMaxDistance = 4098;  // (K & 0x0F) + 16 N + 3
constexpr std::size_t kMaxShortRun = 18;    // code 0x00
constexpr std::size_t kMaxLongRun = 4114;   // code 0x10
constexpr int kHashBits = 13;
constexpr int kChainDepth = 16;

class BlockCompressor {
public:
    explicit BlockCompressor(const std::vector<uint8_t>& data)
        : data_(data), previous_(data.size(), -1)
    {
        head_.fill(-1);
        out_.reserve(data.size() + data.size() / 8 + 4);
    }

    std::vector<uint8_t> Compress()
    {
        std::size_t pos = 0;
        while (pos < data_.size()) pos += EmitItemAt(pos);
        return std::move(out_);
    }

private:
    struct Match {
        std::size_t Length = 0;
        std::size_t Distance = 0;
    };

    std::size_t EmitItemAt(std::size_t pos)
    {
        const std::size_t run = RunLength(pos);
        const Match match = LongestMatch(pos);
        std::size_t used = 1;
        if (run >= kMinMatch && run >= match.Length) {
            EmitRun(run, data_[pos]);
            used = run;
        } else if (match.Length >= kMinMatch) {
            EmitCopy(match);
            used = match.Length;
        } else {
            BeginItem(false);
            out_.push_back(data_[pos]);
        }
        for (std::size_t i = pos; i < pos + used; ++i) Remember(i);
        return used;
    }

    std::size_t RunLength(std::size_t pos) const
    {
        const std::size_t limit = std::min(kMaxLongRun, data_.size() - pos);
        std::size_t length = 1;
        while (length < limit && data_[pos + length] == data_[pos]) ++length;
        return length;
    }

    static uint32_t HashAt(const uint8_t* p)
    {
        const uint32_t key = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
        return (key * 2654435761u) >> (32 - kHashBits);
    }

    void Remember(std::size_t pos)
    {
        if (pos + kMinMatch > data_.size()) return;
        const uint32_t hash = HashAt(&data_[pos]);
        previous_[pos] = head_[hash];
        head_[hash] = static_cast<int32_t>(pos);
    }

    // Copies never overlap their own output: the decoder moves the source range as it
    // stood before the copy, so a distance shorter than the length would not repeat.
    Match LongestMatch(std::size_t pos) const
    {
        Match best;
        if (pos + kMinMatch > data_.size()) return best;
        int32_t candidate = head_[HashAt(&data_[pos])];
        for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
            const std::size_t distance = pos - static_cast<std::size_t>(candidate);
            if (distance > kMaxDistance) break;
            const std::size_t limit = std::min({kMaxLongCopy, distance, data_.size() - pos});
            std::size_t length = 0;
            while (length < limit && data_[static_cast<std::size_t>(candidate) + length] == data_[pos + length]) ++length;
            if (length > best.Length && distance >= kMinMatch) best = {length, distance};
            candidate = previous_[static_cast<std::size_t>(candidate)];
        }
        return best;
    }

    void EmitRun(std::size_t count, uint8_t value)
    {
        BeginItem(true);
        if (count <= kMaxShortRun) {
            out_.push_back(static_cast<uint8_t>(count - 3));
            out_.push_back(value);
            return;
        }
        const std::size_t extra = count - 19;
        out_.push_back(static_cast<uint8_t>(0x10 | (extra & 0x0F)));
        out_.push_back(static_cast<uint8_t>(extra >> 4));
        out_.push_back(value);
    }

    void EmitCopy(const Match& match)
    {
        BeginItem(true);
        const std::size_t back = match.Distance - 3;
        if (match.Length <= kMaxShortCopy) {
            out_.push_back(static_cast<uint8_t>(match.Length << 4 | (back & 0x0F)));
            out_.push_back(static_cast<uint8_t>(back >> 4));
            return;
        }
        out_.push_back(static_cast<uint8_t>(0x20 | (back & 0x0F)));
        out_.push_back(static_cast<uint8_t>(back >> 4));
        out_.push_back(static_cast<uint8_t>(match.Length - 16));
    }

    // Each group is a control word (bit 15 first: set for a code, clear for a literal)
    // followed by its up to 16 items.
    void BeginItem(bool code)
    {
        if (bit_ < 0) {
            controlAt_ = out_.size();
            out_.push_back(0);
            out_.push_back(0);
            bit_ = 15;
        }
        if (code) {
            const uint16_t control = static_cast<uint16_t>(out_[controlAt_] | out_[controlAt_ + 1] << 8 | 1u << bit_);
            out_[controlAt_] = static_cast<uint8_t>(control);
            out_[controlAt_ + 1] = static_cast<uint8_t>(control >> 8);
        }
        --bit_;
    }

    const std::vector<uint8_t>& data_;
    std::array<int32_t, 1u << kHashBits> head_{};
    std::vector<int32_t> previous_;
    std::vector<uint8_t> out_;
    std::size_t controlAt_ = 0;
    int bit_ = -1;
};

}  // namespace

std::vector<uint8_t> CompressSnifferBlock(const std::vector<uint8_t>& data)
{
    return BlockCompressor(data).Compress();
}

// ---- the writer -------------------------------------------------------------------

SnifferWriter::SnifferWriter(const std::string& path, const SnifferFileOptions& options) : options_(options)
{
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) throw std::runtime_error("cannot create " + path);
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBufferBytes);
    pending_.reserve(kBlockBytes);

    std::vector<uint8_t> head(kMagic, kMagic + kMagicBytes);
    const std::vector<uint8_t> version = RecordHeader(1, 18);
    head.insert(head.end(), version.begin(), version.end());
    PutU16(head, 4);  // major version
    PutU16(head, 0);  // minor version
    PutU16(head, options.DosTime);
    PutU16(head, options.DosDate);
    head.push_back(4);  // record type
    head.push_back(options.NetworkType);
    head.push_back(1);  // format
    head.push_back(options.TimeUnit);
    head.push_back(options.Compressed ? 1 : 0);
    head.push_back(0);  // compression level
    head.insert(head.end(), 4, uint8_t{0});
    WriteRaw(head.data(), head.size());
}

SnifferWriter::~SnifferWriter()
{
    try {
        Finish();
    } catch (...) {
        // A destructor must not throw; Finish reports failures to callers that call it themselves.
    }
}

void SnifferWriter::AddFrame(const SnifferFrame& frame)
{
    const std::size_t headerBytes = (frame.RecordType & 0xFF) == 12 ? 34 : 14;
    std::vector<uint8_t> record = RecordHeader(frame.RecordType, headerBytes + frame.Bytes.size());
    PutU16(record, static_cast<uint16_t>(frame.TimeCount));
    PutU16(record, static_cast<uint16_t>(frame.TimeCount >> 16));
    record.push_back(static_cast<uint8_t>(frame.TimeCount >> 32));
    record.push_back(0);  // day count
    PutU16(record, static_cast<uint16_t>(frame.Bytes.size()));
    record.push_back(frame.Status);
    record.push_back(0);  // flags
    PutU16(record, frame.TrueSize);
    PutU16(record, 0);
    record.resize(6 + headerBytes, 0);
    record.insert(record.end(), frame.Bytes.begin(), frame.Bytes.end());
    Emit(record);
}

void SnifferWriter::AddRecord(uint16_t type, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> record = RecordHeader(type, body.size());
    record.insert(record.end(), body.begin(), body.end());
    // Records before the first frame are read plainly even in a compressed trace.
    if (options_.Compressed && !streaming_ && IsPreambleRecord(type)) {
        WriteRaw(record.data(), record.size());
        return;
    }
    Emit(record);
}

void SnifferWriter::Finish()
{
    if (finished_) return;
    finished_ = true;
    if (options_.WriteEndRecord) Emit(RecordHeader(3, 0));
    if (!pending_.empty()) FlushBlock();
    const bool failed = std::fclose(file_) != 0;
    file_ = nullptr;
    if (failed) throw std::runtime_error("writing the Sniffer trace failed");
}

void SnifferWriter::WriteRaw(const uint8_t* bytes, std::size_t count)
{
    if (count > 0 && std::fwrite(bytes, 1, count, file_) != count)
        throw std::runtime_error("writing the Sniffer trace failed");
}

void SnifferWriter::Emit(const std::vector<uint8_t>& bytes)
{
    if (!options_.Compressed) {
        WriteRaw(bytes.data(), bytes.size());
        return;
    }
    streaming_ = true;
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const std::size_t room = kBlockBytes - pending_.size();
        const std::size_t take = std::min(room, bytes.size() - taken);
        pending_.insert(pending_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(taken),
                        bytes.begin() + static_cast<std::ptrdiff_t>(taken + take));
        taken += take;
        if (pending_.size() == kBlockBytes) FlushBlock();
    }
}

// Writes the pending bytes as a compressed block when that is smaller, else as stored
// blocks. Tiny compressed blocks are stored instead: a header value of 3 or 6..17
// would read as a record type to a reader still looking for the first frame.
void SnifferWriter::FlushBlock()
{
    const std::vector<uint8_t> packed = CompressSnifferBlock(pending_);
    std::vector<uint8_t> header;
    if (packed.size() < pending_.size() && packed.size() <= kMaxBlockBody && packed.size() >= kSmallestPackedBlock) {
        PutU16(header, static_cast<uint16_t>(packed.size()));
        WriteRaw(header.data(), header.size());
        WriteRaw(packed.data(), packed.size());
    } else {
        for (std::size_t offset = 0; offset < pending_.size(); offset += kMaxBlockBody) {
            const std::size_t piece = std::min(kMaxBlockBody, pending_.size() - offset);
            header.clear();
            PutU16(header, static_cast<uint16_t>(0x8000 | piece));
            WriteRaw(header.data(), header.size());
            WriteRaw(pending_.data() + offset, piece);
        }
    }
    pending_.clear();
}

void WriteSnifferFile(const std::string& path, const SnifferFileOptions& options, const std::vector<SnifferFrame>& frames)
{
    SnifferWriter writer(path, options);
    for (const SnifferFrame& frame : frames) writer.AddFrame(frame);
    writer.Finish();
}

}  // namespace quenlix::testing
