#include "import/PcapngWriter.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace quenlix {

namespace fs = std::filesystem;

namespace {

using namespace pcapng;

constexpr uint64_t kSectionLengthUnknown = ~uint64_t{0};  // lets readers skip nothing ahead

// An option value holds at most this many bytes; longer texts are cut.
constexpr std::size_t kLongestOption = 0xFFFC;
// A packet whose block length would not fit the 32-bit length field.
constexpr std::size_t kLongestPacket = 0xFFFF0000u;
constexpr int kTemporaryNameTries = 100;

// One block, little-endian: type, total length, body, total length again.
class Block {
public:
    explicit Block(uint32_t type)
    {
        U32(type);
        U32(0);  // the total length, known once the block is closed
    }

    void U16(uint16_t value) { Little(value, 2); }
    void U32(uint32_t value) { Little(value, 4); }
    void U64(uint64_t value) { Little(value, 8); }
    void Bytes(std::span<const uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Pad() { bytes_.resize((bytes_.size() + 3) & ~std::size_t{3}, 0); }

    void Option(uint16_t code, std::span<const uint8_t> value)
    {
        value = value.first(std::min(value.size(), kLongestOption));
        U16(code);
        U16(static_cast<uint16_t>(value.size()));
        Bytes(value);
        Pad();
        hasOptions_ = true;
    }
    void Option(uint16_t code, std::string_view text)
    {
        if (!text.empty()) Option(code, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

    // Ends the option list, when there is one, and fills in both lengths.
    std::span<const uint8_t> Close()
    {
        if (hasOptions_) {
            U16(kOptionEnd);
            U16(0);
        }
        const auto total = static_cast<uint32_t>(bytes_.size() + 4);
        U32(total);
        for (int i = 0; i < 4; ++i) bytes_[4 + i] = static_cast<uint8_t>(total >> (8 * i));
        return bytes_;
    }

private:
    void Little(uint64_t value, int size)
    {
        for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

    std::vector<uint8_t> bytes_;
    bool hasOptions_ = false;
};

std::string Reason(int error) { return std::generic_category().message(error); }

// The same file by name (symbolic links resolved) or by device and inode (hard links).
bool IsSameFile(const std::string& output, const std::string& input)
{
    std::error_code error;
    if (fs::equivalent(output, input, error) && !error) return true;
    std::error_code outputError, inputError;
    const fs::path outputName = fs::weakly_canonical(output, outputError);
    const fs::path inputName = fs::weakly_canonical(input, inputError);
    return !outputError && !inputError && outputName == inputName;
}

// Also true of a symbolic link that leads nowhere: replacing it is overwriting too.
bool Exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

std::string AlreadyExistsText(const std::string& output)
{
    return "Cannot export to " + output + ": the file already exists.";
}

// Creates a new file beside `output`, never one that exists; empty with errno set
// when the folder takes no new file.
std::FILE* CreateBeside(const std::string& output, std::string& created)
{
    const fs::path target(output);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int n = 1; n <= kTemporaryNameTries; ++n) {
        const fs::path candidate = folder / ("." + target.filename().string() + "." + std::to_string(n) + ".part");
        // "x": fails rather than opening a file that is already there.
        if (std::FILE* file = std::fopen(candidate.string().c_str(), "wbx")) {
            created = candidate.string();
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

std::string FolderOf(const std::string& output)
{
    const fs::path target(output);
    return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

uint8_t ResolutionByte(const PcapngResolution& resolution)
{
    return static_cast<uint8_t>((resolution.Binary ? 0x80 : 0) | (resolution.Exponent & 0x7F));
}

}  // namespace

PcapngWriter::~PcapngWriter() { Abandon(); }

WriteStatus PcapngWriter::Open(const PcapngTarget& target, const PcapngInterface& interface)
{
    Abandon();
    target_ = target;
    packets_ = 0;
    if (!target.InputPath.empty() && IsSameFile(target.OutputPath, target.InputPath))
        return {"Cannot export to " + target.OutputPath + ": it is the trace being read."};
    if (!target.Force && Exists(target.OutputPath)) return {AlreadyExistsText(target.OutputPath)};
    file_ = CreateBeside(target.OutputPath, temporary_);
    if (file_ == nullptr)
        return {"Cannot create a file in " + FolderOf(target.OutputPath) + ": " + Reason(errno) + "."};

    Block section(kSectionHeaderBlock);
    section.U32(kByteOrderMagic);
    section.U16(1);  // version 1.0
    section.U16(0);
    section.U64(kSectionLengthUnknown);
    if (WriteStatus status = Put(section.Close()); !status.Ok()) return status;

    Block description(kInterfaceBlock);
    description.U16(static_cast<uint16_t>(interface.Link));
    description.U16(0);  // reserved
    description.U32(interface.SnapLength);
    description.Option(kOptionInterfaceName, interface.Name);
    description.Option(kOptionInterfaceDescription, interface.Description);
    const uint8_t resolution = ResolutionByte(interface.Resolution);
    description.Option(kOptionTimeResolution, std::span(&resolution, 1));
    // Given in bits.
    const auto fcsBits = static_cast<uint8_t>(interface.FcsBytes * 8);
    if (fcsBits != 0) description.Option(kOptionFcsLength, std::span(&fcsBits, 1));
    return Put(description.Close());
}

WriteStatus PcapngWriter::Add(const PcapngPacket& packet)
{
    if (file_ == nullptr) return {"Cannot write " + target_.OutputPath + ": the export is not open."};
    if (packet.Bytes.size() > kLongestPacket)
        return Fail("Cannot write " + target_.OutputPath + ": a frame is too long for the format.");
    const auto captured = static_cast<uint32_t>(packet.Bytes.size());
    Block block(kEnhancedPacketBlock);
    block.U32(0);  // the one interface
    block.U32(static_cast<uint32_t>(packet.Stamp >> 32));
    block.U32(static_cast<uint32_t>(packet.Stamp));
    block.U32(captured);
    block.U32(std::max(packet.OriginalLength, captured));
    block.Bytes(packet.Bytes);
    block.Pad();
    const uint32_t errors = packet.LinkErrors & pcapng_errors::kAll;
    if (errors != 0) {
        uint8_t flags[4];
        for (int i = 0; i < 4; ++i) flags[i] = static_cast<uint8_t>(errors >> (8 * i));
        block.Option(kOptionPacketFlags, flags);
    }
    block.Option(kOptionComment, packet.Comment);
    if (WriteStatus status = Put(block.Close()); !status.Ok()) return status;
    ++packets_;
    return {};
}

WriteStatus PcapngWriter::Finish()
{
    if (file_ == nullptr) return {"Cannot write " + target_.OutputPath + ": the export is not open."};
    const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file_) == 0;
    const int closeError = errno;
    file_ = nullptr;
    if (!flushed || !closed)
        return Fail("Cannot write " + target_.OutputPath + ": " + Reason(flushed ? closeError : flushError) + ".");
    // The output may have appeared while the frames were written.
    if (!target_.Force && Exists(target_.OutputPath)) return Fail(AlreadyExistsText(target_.OutputPath));
    std::error_code error;
    fs::rename(temporary_, target_.OutputPath, error);
    if (error) return Fail("Cannot write " + target_.OutputPath + ": " + error.message() + ".");
    temporary_.clear();
    return {};
}

void PcapngWriter::Abandon()
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    if (!temporary_.empty()) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
    temporary_.clear();
}

WriteStatus PcapngWriter::Put(std::span<const uint8_t> block)
{
    if (std::fwrite(block.data(), 1, block.size(), file_) == block.size()) return {};
    return Fail("Cannot write " + target_.OutputPath + ": " + Reason(errno) + ".");
}

WriteStatus PcapngWriter::Fail(const std::string& text)
{
    Abandon();
    return {text};
}

}  // namespace quenlix
