// Reader of Observer traces: a 113-byte header whose text names the version
// ("...=N"), then a chain of packets, each a 44-byte header and the stored bytes.
// Every packet header gives the file offset of the next one (0 after the last). A
// chain that ends with more packets after it in the file was damaged.
// The station names of the analyser's local address table are found at detection
// and loaded before the first frame (LocalAddressTable.h).

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

#include "import/RecordWalker.h"
#include "import/LocalAddressTable.h"
#include "import/RecordFields.h"
#include "import/TraceImport.h"
#include "import/TraceReader.h"
#include "model/ReadOnlyFile.h"
#include "model/SettingsStore.h"

namespace quenlix {

namespace {

constexpr std::size_t kFileHeaderBytes = 113;
constexpr std::size_t kVersionTextBytes = 32;
constexpr std::size_t kPacketHeaderBytes = 44;
constexpr int kFirstVersionWithWireLength = 4;
// A header that names no version is taken as a current one.
constexpr int kUnnamedVersion = kFirstVersionWithWireLength;
constexpr uint32_t kAlignErrorFlag = 0x01;
constexpr uint32_t kBadFcsFlag = 0x02;
// No packet stores more bytes than a 16-bit length gives.
constexpr uint32_t kMostStoredBytes = 65535;
// How far past the end of the chain the reader looks for packets it would leave
// unread: past a zeroed stretch and the packet it spoilt.
constexpr std::size_t kLookAheadBytes = 65536;

struct PacketHeader {
    uint32_t NextOffset = 0;
    uint32_t WireLength = 0;
    uint32_t ErrorFlags = 0;
    uint32_t TimeStamp = 0;  // milliseconds
    uint32_t StoredLength = 0;

    static PacketHeader Parse(const uint8_t* p)
    {
        return {LittleU32(p + 12), LittleU32(p + 28), LittleU32(p + 32), LittleU32(p + 36), LittleU32(p + 40)};
    }
};

// The digit after the first "=" of the header's opening text.
int VersionOf(const std::array<uint8_t, kFileHeaderBytes>& header)
{
    const std::string_view text(reinterpret_cast<const char*>(header.data()), kVersionTextBytes);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return kUnnamedVersion;
    const auto digit = static_cast<unsigned char>(header[equals + 1]);
    return std::isdigit(digit) != 0 ? digit - '0' : kUnnamedVersion;
}

// Whether rest (the file from restStart on) holds at `at` a chain of packets that store
// bytes, each linked to one after it, up to a last packet or past the bytes looked at.
bool StartsPacketChain(const std::vector<uint8_t>& rest, int64_t restStart, std::size_t at, bool restReachesFileEnd)
{
    while (at + kPacketHeaderBytes <= rest.size()) {
        const PacketHeader header = PacketHeader::Parse(&rest[at]);
        if (header.StoredLength == 0 || header.StoredLength > kMostStoredBytes) return false;
        const std::size_t end = at + kPacketHeaderBytes + header.StoredLength;
        if (header.NextOffset == 0) return end <= rest.size() || !restReachesFileEnd;
        if (header.NextOffset < restStart + static_cast<int64_t>(end)) return false;
        at = static_cast<std::size_t>(header.NextOffset - restStart);
    }
    return at >= rest.size() && !restReachesFileEnd;
}

// Whether the bytes after the last packet of the chain hold more packets.
bool PacketsFollow(TraceInput& input, int64_t restStart)
{
    const std::vector<uint8_t> rest = BytesFrom(input, restStart, kLookAheadBytes);
    const bool reachesFileEnd = restStart + static_cast<int64_t>(rest.size()) >= input.Size();
    for (std::size_t at = 0; at + kPacketHeaderBytes <= rest.size(); ++at)
        if (StartsPacketChain(rest, restStart, at, reachesFileEnd)) return true;
    return false;
}

class ObserverReader : public TraceReader {
public:
    void Read(ReadContext& ctx) override;

private:
    // One packet at the current position; false when the read ends with it.
    [[nodiscard]] bool ReadPacket(ReadContext& ctx, bool first);
    void SetLengths(AnalysisState& state, const PacketHeader& header) const;

    int version_ = kUnnamedVersion;
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(kMaxFrameBytes);
};

void ObserverReader::Read(ReadContext& ctx)
{
    // Observer traces bring their station names in a separate table, loaded first.
    LoadAddressTable(ctx.State);
    std::array<uint8_t, kFileHeaderBytes> header{};
    if (ctx.Input.ReadExact(header.data(), header.size())) {
        version_ = VersionOf(header);
        bool first = true;
        while (ReadPacket(ctx, first)) first = false;
    } else {
        ctx.NoteReadError();
    }
    ctx.Finish();
}

bool ObserverReader::ReadPacket(ReadContext& ctx, bool first)
{
    const int64_t headerOffset = ctx.Input.Position();
    std::array<uint8_t, kPacketHeaderBytes> bytes{};
    const Fetch fetched = FetchRecord(ctx.Input, bytes.data(), bytes.size());
    if (fetched == Fetch::End && first) return false;  // a trace without packets
    if (fetched != Fetch::Whole) {
        ctx.NoteReadError();  // the previous packet promised this one
        return false;
    }
    // A header of zeros is no packet: zeros where the chain leads mean the trace was damaged.
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte == 0; })) {
        ctx.NoteDamagedRecord();
        return false;
    }
    const PacketHeader header = PacketHeader::Parse(bytes.data());
    // A frame longer than the frame buffer is taken clipped; the next-packet offset leads on.
    std::size_t held = 0;
    bool clipped = false;
    if (!ctx.ReadFrameBytes(frame_.data(), frame_.size(), header.StoredLength, held, clipped)) return false;

    AnalysisState& state = ctx.State;
    state.Frame.FrameBadFCS = (header.ErrorFlags & kBadFcsFlag) != 0 ? 1 : 0;
    state.Frame.FrameAlignError = (header.ErrorFlags & kAlignErrorFlag) != 0 ? 1 : 0;
    state.Frame.FrameTime = header.TimeStamp * 1000.0;
    SetLengths(state, header);
    if (ctx.DeliverFrame(frame_.data(), held, clipped)) return false;
    if (ctx.EndOfRecord()) return false;
    if (header.NextOffset == 0) {
        const int64_t chainEnd = headerOffset + static_cast<int64_t>(kPacketHeaderBytes + header.StoredLength);
        if (PacketsFollow(ctx.Input, chainEnd))
            ctx.ShowReadError(FollowedByRecordsText("End of the packet chain", chainEnd, ctx.FrameNo,
                                                    ctx.Input.Size() - chainEnd, "packets"));
        return false;
    }

    // Only a link that leads forward can end: one that points back would read the same packets forever.
    if (static_cast<int64_t>(header.NextOffset) <= headerOffset || !ctx.Input.Seek(header.NextOffset)) {
        ctx.NoteReadError();
        return false;
    }
    return true;
}

void ObserverReader::SetLengths(AnalysisState& state, const PacketHeader& header) const
{
    const int64_t fcs = state.Topology == kTopologyEthernet ? kEthernetFcsBytes : 0;
    const int64_t wire = header.WireLength;
    const int64_t stored = header.StoredLength;
    int64_t frameSize = stored + fcs;
    int64_t storedLength = stored + fcs;
    // Traces before version 4 are measured by their stored bytes alone; from then
    // on a sliced frame keeps its wire length on Ethernet, while Token Ring counts
    // what was stored.
    if (version_ >= kFirstVersionWithWireLength && wire != stored) {
        frameSize = fcs != 0 ? wire + fcs : stored;
        storedLength = stored;
    }
    // Short frames were padded on the wire; a frame with a bad FCS keeps its own length.
    if (frameSize < kMinimumEthernetFrame && (header.ErrorFlags & kBadFcsFlag) == 0)
        frameSize = storedLength = kMinimumEthernetFrame;
    SetFrameSize(state, frameSize);
    state.Frame.StoredLength = static_cast<uint16_t>(std::min<int64_t>(storedLength, kMaxFrameBytes));
}

}  // namespace

std::unique_ptr<TraceReader> MakeObserverReader() { return std::make_unique<ObserverReader>(); }

// ---- the local address table ----

namespace {

constexpr const char* kHeaderMarker = "LocalAddressTable\\";
constexpr std::size_t kRecordBytes = 80;
constexpr std::size_t kMacOffset = 4;
constexpr std::size_t kMacBytes = 6;
constexpr std::size_t kNameOffset = 10;
constexpr std::size_t kNameBytes = 18;
constexpr std::size_t kIpOffset = 28;
constexpr std::size_t kIpBytes = 4;

std::string CurrentTableName(const AnalysisState& state)
{
    if (state.Platform.MachineSettings == nullptr) return {};
    return state.Platform.MachineSettings->ReadString(kObserverSettingsKey, kCurrentAddressTableValue).value_or("");
}

// Text up to its first zero byte.
std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

void AddRecordNames(AnalysisState& state, const std::array<uint8_t, kRecordBytes>& record)
{
    const auto* nameField = record.data() + kNameOffset;
    const std::string name(nameField, std::find(nameField, nameField + kNameBytes, uint8_t{0}));
    if (name.empty()) return;
    AddName(state, NetString(record.data() + kMacOffset, kMacBytes), name);
    const uint8_t* ip = record.data() + kIpOffset;
    if (ip[0] != 0 || ip[1] != 0 || ip[2] != 0 || ip[3] != 0) AddName(state, NetString(ip, kIpBytes), name);
}

}  // namespace

void FindAddressTable(AnalysisState& state, const std::string& headerText)
{
    state.Read.AddressTableName = UpToZero(CurrentTableName(state));
    if (state.Read.AddressTableName.empty()) state.Read.AddressTableName = kDefaultAddressTableName;
    // A trace made with a table of its own names it in its header.
    const std::size_t marker = headerText.find(kHeaderMarker);
    if (marker != std::string::npos) state.Read.AddressTableName = UpToZero(headerText.substr(marker + std::strlen(kHeaderMarker)));
}

std::string AddressTablePath(const AnalysisState& state)
{
    const std::string& folder = state.Options.AddressTableFolder;
    const bool separated = folder.empty() || folder.back() == '\\' || folder.back() == '/';
    return separated ? folder + state.Read.AddressTableName : folder + '/' + state.Read.AddressTableName;
}

void LoadAddressTable(AnalysisState& state)
{
    // The table's name comes from the trace: open it as safely as the trace itself.
    const ReadOnlyFile table = OpenRegularFileForReading(AddressTablePath(state));
    if (table.File == nullptr) return;  // no table: the trace is read without names
    std::array<uint8_t, kRecordBytes> record{};
    while (std::fread(record.data(), 1, kRecordBytes, table.File) == kRecordBytes) AddRecordNames(state, record);
    std::fclose(table.File);
}

}  // namespace quenlix
