#pragma once
// What the fuzz targets do with one input, kept apart from libFuzzer so that the
// regression tests replay stored inputs exactly as the targets ran them. Each
// Run... function returns the empty text when the input was handled soundly, or a
// sentence that names the broken rule.
//
// Input layouts:
//   read trace:     selector byte, then the trace file. The selector picks the reader
//                   (detection is bypassed, so every reader is reached), the topology,
//                   Sniffer compression and the count-only pass. For Observer traces a
//                   second byte gives the size, in 8-byte units, of a local address
//                   table taken from the end of the input.
//   detect:         name-length byte, the file name (mapped onto harmless characters),
//                   then the file's bytes.
//   analyse frames: topology byte, then frames, each a 6-byte header (stored length,
//                   big-endian; flags; extra counted bytes; time step, big-endian,
//                   signed) and the stored bytes.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "StateInvariants.h"
#include "import/LocalAddressTable.h"
#include "import/TraceImport.h"
#include "model/FrameEngine.h"
#include "model/ReadHost.h"
#include "model/TransactionAnalysis.h"

namespace quenlix::fuzz {

// The format codes that have a reader, in selector order.
inline constexpr std::array<TraceFormatCode, 14> kReaderFormats = {
    kFormatDA30,      kFormatDataGLANce, kFormatFireBerd500, kFormatInternetworkAdvisor, kFormatLAN900,
    kFormatLANalyzer, kFormatLANdecoder, kFormatLANWatch,    kFormatNetLens,             kFormatNetSight,
    kFormatNetworkMonitor, kFormatSniffer, kFormatObserver,  kFormatEtherPeek};
// Readers added later take the selectors from 224 on (two per option set), so that
// every selector below keeps the reader it had.
inline constexpr std::array<TraceFormatCode, 2> kLaterReaderFormats = {kFormatPcap, kFormatPcapNG};
inline constexpr unsigned kFirstLaterSelector = kReaderFormats.size() * 16;

// Counts the messages of a read; never asks to stop.
class CountingHost : public ReadHost {
public:
    void ShowMessage(MessageIcon icon, const std::string&, const std::string& text) override
    {
        // The notes (clipped frames, frames of other media, records passed over)
        // come after the read, besides any error.
        ++(icon == MessageIcon::Information ? Notes : Messages);
        if (icon == MessageIcon::Information) NoteTexts.push_back(text);
        LastText = text;
    }
    void ReadStarted(const AnalysisState&) override { ++Started; }
    void ReadFinished(const AnalysisState&) override { ++Finished; }

    int Messages = 0;
    int Notes = 0;
    int Started = 0;
    int Finished = 0;
    std::vector<std::string> NoteTexts;
    std::string LastText;

    // True when one note was told more than once.
    bool RepeatedNote() const
    {
        for (std::size_t i = 0; i < NoteTexts.size(); ++i)
            for (std::size_t j = i + 1; j < NoteTexts.size(); ++j)
                if (NoteTexts[i] == NoteTexts[j]) return true;
        return false;
    }
};

inline bool WriteFile(const std::string& path, const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool whole = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && whole;
}

// ---- transaction analysis over every conversation ----------------------------------

inline std::string CheckTransactionResult(const AnalysisState& state, const TransactionAnalysis& q)
{
    const auto packets = static_cast<int64_t>(state.PacketList.size());
    if (q.ForwardPackets < 0 || q.ForwardPackets > packets || q.ReversePackets < 0 || q.ReversePackets > packets)
        return "a conversation analysis counted more packets than the trace holds";
    if (q.ForwardBytes < 0 || q.ReverseBytes < 0 || q.ThroughputBytes < 0) return "a conversation analysis counted negative bytes";
    if (q.LatencyCount < 0 || q.LatencyCount > packets) return "a conversation analysis timed more responses than packets";
    if (q.RetransmitCount < 0 || q.RetransmitCount > packets || q.PathDuplicateCount < 0 || q.PathDuplicateCount > packets)
        return "a conversation analysis counted more repeats than packets";
    return {};
}

// Runs the latency, throughput and problem analyses of every application chain of
// every conversation (at most maxRuns chains), as the client/server expert and the
// analysis windows do.
inline std::string AnalyzeEveryConversation(const AnalysisState& state, int maxRuns = 64)
{
    int runs = 0;
    for (const auto& [address, node] : state.NetworkNodes) {
        for (int32_t peer = FirstNetPeer(state, node); peer >= 0; peer = NextNetPeer(state, peer)) {
            for (int32_t head = FirstTransHead(state, peer); head >= 0; head = NextTransHead(state, head)) {
                if (++runs > maxRuns) return {};
                TransactionAnalysis q;
                q.SelectedNetNode = &node;
                q.SelectedPeer = peer;
                q.SelectedApp = head;
                q.ReverseNetNode = PeerNodeOf(state, state.ObjectList.NetPeer(peer));
                q.ReversePeer = q.ReverseNetNode ? FindNetPeer(state, *q.ReverseNetNode, node.Address) : -1;
                q.LastFrameNo = state.TotalFrames > 0 ? state.TotalFrames : state.Read.FramesSeen;
                for (int mode = 0; mode < 4; ++mode) {
                    q.MeasureLatency = mode == 0 || mode == 3;
                    q.MeasureThroughput = mode == 1;
                    q.ProblemMode = mode == 2;
                    q.IncludeTransmissionTime = mode == 3;
                    q.SmallResponsesOnly = mode == 3 && (runs & 1) != 0;
                    q.LargeResponsesOnly = mode == 3 && (runs & 1) == 0;
                    q.WindowPackets = static_cast<uint16_t>(kMinWindowPackets + runs % 17);
                    q.FirstFrameNo = mode == 3 ? 2 : 1;
                    AnalyzeTransactions(state, q);
                    std::string violation = CheckTransactionResult(state, q);
                    if (!violation.empty()) return violation;
                }
            }
        }
    }
    return {};
}

// ---- reading a trace with a chosen reader ---------------------------------------------

struct ReadChoice {
    TraceFormatCode Format = kFormatSniffer;
    TopologyCode Topology = kTopologyEthernet;
    bool Compressed = false;
    bool CountOnly = false;
};

inline ReadChoice DecodeSelector(uint8_t selector)
{
    ReadChoice choice;
    const bool later = selector >= kFirstLaterSelector;
    const unsigned index = later ? selector - kFirstLaterSelector : selector;
    const std::size_t formats = later ? kLaterReaderFormats.size() : kReaderFormats.size();
    choice.Format = later ? kLaterReaderFormats[index % formats] : kReaderFormats[index % formats];
    const unsigned rest = static_cast<unsigned>(index / formats);
    choice.Topology = (rest & 1) != 0 ? kTopologyTokenRing : kTopologyEthernet;
    choice.Compressed = (rest & 2) != 0;
    choice.CountOnly = (rest & 4) != 0 && (rest & 8) != 0;  // rarely: the probe pass stops at once
    return choice;
}

// The input that makes the read-trace target read `trace` with the given reader.
inline std::vector<uint8_t> EncodeReadTraceInput(TraceFormatCode format, TopologyCode topology, bool compressed,
                                                 const std::vector<uint8_t>& trace)
{
    const unsigned rest = (topology == kTopologyTokenRing ? 1u : 0u) | (compressed ? 2u : 0u);
    const auto later = std::find(kLaterReaderFormats.begin(), kLaterReaderFormats.end(), format);
    const auto at = std::find(kReaderFormats.begin(), kReaderFormats.end(), format);
    const auto selector =
        later != kLaterReaderFormats.end()
            ? kFirstLaterSelector + static_cast<unsigned>(later - kLaterReaderFormats.begin()) + rest * kLaterReaderFormats.size()
            : static_cast<unsigned>(at - kReaderFormats.begin()) + rest * kReaderFormats.size();
    std::vector<uint8_t> input{static_cast<uint8_t>(selector)};
    if (format == kFormatObserver) input.push_back(0);  // no address table
    input.insert(input.end(), trace.begin(), trace.end());
    return input;
}

// Reads a trace with the chosen reader through the driver. data is the trace file,
// for Observer traces after the byte that gives the size of the address table at
// the end. scratch is a folder for the trace file (and an Observer address table);
// a memory file system keeps this quick.
inline std::string RunReadTraceAs(const ReadChoice& choice, const uint8_t* data, std::size_t size,
                                  const std::string& scratch)
{
    std::size_t begin = 0;
    std::size_t end = size;
    auto state = std::make_unique<AnalysisState>();
    if (choice.Format == kFormatObserver && size >= 1) {
        begin = 1;
        const std::size_t table = std::min<std::size_t>(data[0] * std::size_t{8}, end - begin);
        end -= table;
        state->Options.AddressTableFolder = scratch + "/";
        state->Read.AddressTableName = "table.adr";
        if (!WriteFile(state->Options.AddressTableFolder + state->Read.AddressTableName, data + end, table)) return {};
    }
    const std::string path = scratch + "/trace.bin";
    if (!WriteFile(path, data + begin, end - begin)) return {};

    state->Read.TraceFileName = path;
    state->Read.TraceFormat = choice.Format;
    state->Topology = choice.Topology;
    state->Read.SnifferCompressed = choice.Compressed ? 1 : 0;
    CountingHost host;
    ReadTraceFile(*state, choice.CountOnly, host);

    if (host.Messages > 1) return "a read showed " + std::to_string(host.Messages) + " messages";
    if (host.RepeatedNote()) return "a read told the same note twice";
    if (!choice.CountOnly && (state->Read.ReadResult != 0) != (host.Messages == 1))
        return "an early end of the read and its message do not go together";
    if (host.Started != 1 || host.Finished != 1) return "the read was not bracketed once";
    if (state->TotalFrames != state->Read.FramesSeen) return "TotalFrames differs from the frames the engine saw";
    if (state->Read.TraceFilePos < 0 || state->Read.TraceFilePos > state->Read.TraceFileSize) return "the read position left the file";
    if (choice.CountOnly) return state->TotalFrames <= 1 ? std::string{} : "the count-only pass read on";
    std::string violation = CheckStateInvariants(*state, state->TotalFrames);
    if (violation.empty()) violation = AnalyzeEveryConversation(*state);
    return violation;
}

// The read-trace layout: the selector byte, then the trace.
inline std::string RunReadTrace(const uint8_t* data, std::size_t size, const std::string& scratch)
{
    if (size == 0) return {};
    return RunReadTraceAs(DecodeSelector(data[0]), data + 1, size - 1, scratch);
}

// ---- one reader family --------------------------------------------------------------
//
// The layout of the per-reader targets: an option byte (bit 0 Token Ring, bit 1
// Sniffer compression, bit 2 the NetLens flavour of the FireBerd reader, bits 3-5
// all set: the count-only pass), then the trace. LAN900 traces are laid out by the
// target, so that small inputs reach the frame records: the input's first 46
// bytes are the block-number header at 0, the next 8 the frame counts of blocks 1
// to 4 at the count table, the rest block 1 on.

constexpr std::size_t kLAN900HeaderBytes = 46;
constexpr std::size_t kLAN900CountBytes = 8;
constexpr std::size_t kLAN900CountTable = 0x202E;
constexpr std::size_t kLAN900Block = 65536;

// A reader's name, as the format table gives it, and a format it reads.
struct ReaderTarget {
    const char* Name;
    TraceFormatCode Format;
};

// The per-reader targets, by the name that follows "fuzz_reader_" (and
// "reader_<name>-" in the names of stored inputs), and the format each reads: the
// QUENLIX_TRACE_FORMAT rows of the format table.
inline constexpr auto kReaderTargets = std::to_array<ReaderTarget>({
#define QUENLIX_TRACE_FORMAT(code, reader, ...) {#reader, code},
#define QUENLIX_TRACE_FORMAT_SHARED(...)
#include "import/TraceFormatTable.def"
});

// Every format of the table with the name of the reader that reads it.
inline constexpr auto kFormatReaders = std::to_array<ReaderTarget>({
#define QUENLIX_TRACE_FORMAT(code, reader, ...) {#reader, code},
#define QUENLIX_TRACE_FORMAT_SHARED(code, reader, ...) {#reader, code},
#include "import/TraceFormatTable.def"
});

// The format of a reader target; kFormatUnknown for a name of none.
constexpr TraceFormatCode ReaderTargetFormat(std::string_view name)
{
    for (const ReaderTarget& target : kReaderTargets)
        if (name == target.Name) return target.Format;
    return kFormatUnknown;
}

// The target name of a format's reader (NetLens traces are read by the FireBerd
// reader, pcapng files by the pcap reader); empty for a format of none.
inline std::string ReaderTargetName(TraceFormatCode format)
{
    for (const ReaderTarget& reader : kFormatReaders)
        if (reader.Format == format) return reader.Name;
    return {};
}

inline ReadChoice DecodeReaderOptions(TraceFormatCode format, uint8_t options)
{
    ReadChoice choice;
    choice.Format = format == kFormatFireBerd500 && (options & 4) != 0 ? kFormatNetLens : format;
    choice.Topology = (options & 1) != 0 ? kTopologyTokenRing : kTopologyEthernet;
    choice.Compressed = (options & 2) != 0;
    choice.CountOnly = (options & 0x38) == 0x38;
    return choice;
}

// A LAN900 file from the compact layout.
inline std::vector<uint8_t> ExpandLAN900(const uint8_t* data, std::size_t size)
{
    const auto part = [&](std::size_t from, std::size_t length) {
        from = std::min(from, size);
        return std::make_pair(data + from, std::min(length, size - from));
    };
    const auto [header, headerBytes] = part(0, kLAN900HeaderBytes);
    const auto [counts, countBytes] = part(kLAN900HeaderBytes, kLAN900CountBytes);
    const auto [blocks, blockBytes] = part(kLAN900HeaderBytes + kLAN900CountBytes, size);
    if (countBytes == 0) return std::vector<uint8_t>(header, header + headerBytes);
    std::vector<uint8_t> file(blockBytes == 0 ? kLAN900CountTable + countBytes : kLAN900Block + blockBytes, 0);
    std::copy(header, header + headerBytes, file.begin());
    std::copy(counts, counts + countBytes, file.begin() + kLAN900CountTable);
    std::copy(blocks, blocks + blockBytes, file.begin() + kLAN900Block);
    return file;
}

// The compact LAN900 layout of a whole LAN900 file: the inverse of ExpandLAN900
// for files of at most four blocks, but for the zeros that pad the last block.
inline std::vector<uint8_t> CompactLAN900(const std::vector<uint8_t>& file)
{
    std::vector<uint8_t> input(file.begin(), file.begin() + std::min(file.size(), kLAN900HeaderBytes));
    input.resize(kLAN900HeaderBytes, 0);
    for (std::size_t i = 0; i < kLAN900CountBytes; ++i)
        input.push_back(kLAN900CountTable + i < file.size() ? file[kLAN900CountTable + i] : 0);
    if (file.size() > kLAN900Block) input.insert(input.end(), file.begin() + kLAN900Block, file.end());
    // The padding at the end of the last block holds nothing the reader needs.
    while (input.size() > kLAN900HeaderBytes + kLAN900CountBytes && input.back() == 0) input.pop_back();
    return input;
}

inline std::string RunReaderFamily(TraceFormatCode format, const uint8_t* data, std::size_t size, const std::string& scratch)
{
    if (size == 0) return {};
    const ReadChoice choice = DecodeReaderOptions(format, data[0]);
    if (format != kFormatLAN900) return RunReadTraceAs(choice, data + 1, size - 1, scratch);
    const std::vector<uint8_t> file = ExpandLAN900(data + 1, size - 1);
    return RunReadTraceAs(choice, file.data(), file.size(), scratch);
}

// The reader-family input of a trace; Observer traces get no address table.
inline std::vector<uint8_t> EncodeReaderInput(TraceFormatCode format, TopologyCode topology, bool compressed,
                                              const std::vector<uint8_t>& trace)
{
    std::vector<uint8_t> input{static_cast<uint8_t>((topology == kTopologyTokenRing ? 1 : 0) | (compressed ? 2 : 0) |
                                                    (format == kFormatNetLens ? 4 : 0))};
    if (format == kFormatObserver) input.push_back(0);
    if (format == kFormatLAN900) {
        const std::vector<uint8_t> compact = CompactLAN900(trace);
        input.insert(input.end(), compact.begin(), compact.end());
    } else {
        input.insert(input.end(), trace.begin(), trace.end());
    }
    return input;
}

// ---- detection --------------------------------------------------------------------

inline std::string RunDetect(const uint8_t* data, std::size_t size, const std::string& scratch)
{
    if (size == 0) return {};
    static constexpr char kNameCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-";
    const std::size_t nameLength = std::min<std::size_t>(data[0] % 40, size - 1);
    std::string name = "t";  // never empty, never "." or ".."
    for (std::size_t i = 0; i < nameLength; ++i) name += kNameCharacters[data[1 + i] % (sizeof kNameCharacters - 1)];
    const std::string path = scratch + "/" + name;
    const std::size_t begin = 1 + nameLength;
    if (!WriteFile(path, data + begin, size - begin)) return {};

    auto state = std::make_unique<AnalysisState>();
    CountingHost host;
    const FormatDetection format = DetectTraceFormat(*state, path, host);
    std::string violation;
    if (host.Messages > 1) violation = "detection showed more than one message";
    if (violation.empty() && !format.Failed && format.Code != kFormatUnknown) {
        if (format.Code > kFormatPcapNG) violation = "detection gave format code " + std::to_string(CodeIndex(format.Code));
        const TopologyDetection topology = DetectTopology(*state, format.Code, path, host);
        if (violation.empty() && topology.Code > kTopologyOther)
            violation = "detection gave topology code " + std::to_string(CodeIndex(topology.Code));
        if (violation.empty() && host.Messages > 2) violation = "detection showed more than two messages";
    }
    std::remove(path.c_str());
    return violation;
}

// ---- frames straight to the engine -----------------------------------------------------

inline constexpr std::size_t kFrameHeaderBytes = 6;
constexpr uint8_t kFlagBadFcs = 0x01;
constexpr uint8_t kFlagAlignError = 0x02;
constexpr uint8_t kFlagMilliseconds = 0x04;  // the time step counts milliseconds
constexpr uint8_t kFlagSeconds = 0x08;       // the time step counts seconds

// One frame of the analyse-frames input, as the seed generator writes it.
inline void AppendFrame(std::vector<uint8_t>& input, const std::vector<uint8_t>& bytes, uint8_t flags,
                        uint8_t extraCounted, int16_t timeStep)
{
    const auto stored = static_cast<uint16_t>(std::min<std::size_t>(bytes.size(), 0xFFFF));
    const auto step = static_cast<uint16_t>(timeStep);
    input.insert(input.end(), {static_cast<uint8_t>(stored >> 8), static_cast<uint8_t>(stored), flags, extraCounted,
                               static_cast<uint8_t>(step >> 8), static_cast<uint8_t>(step)});
    input.insert(input.end(), bytes.begin(), bytes.begin() + stored);
}

// Fills the current frame as a reader does (ReadContext::DeliverFrame): the stored
// bytes, zeros up to the counted size.
inline void SetCurrentFrame(AnalysisState& state, const uint8_t* bytes, std::size_t stored, std::size_t counted)
{
    const std::size_t limit = std::min<std::size_t>(state.Read.MaxFrameBytes, kMaxFrameBytes);
    state.Frame.FrameSize = static_cast<uint16_t>(std::min(counted, limit));
    state.Frame.StoredLength = static_cast<uint16_t>(std::min(stored, limit));
    const std::size_t copied = std::min<std::size_t>(stored, state.Frame.FrameSize);
    std::memcpy(state.Frame.FrameData.data(), bytes, copied);
    std::fill(state.Frame.FrameData.begin() + static_cast<std::ptrdiff_t>(copied),
              state.Frame.FrameData.begin() + state.Frame.FrameSize, uint8_t{0});
}

// Analyses the frames of the input in state, which is fresh; the state is left as
// a read leaves it, without a host.
inline std::string AnalyzeFramesInto(AnalysisState& stateRef, const uint8_t* data, std::size_t size)
{
    if (size == 0) return {};
    AnalysisState* state = &stateRef;
    state->Topology = (data[0] & 1) != 0 ? kTopologyTokenRing : kTopologyEthernet;
    ResetAnalysis(*state);
    SilentHost host;
    state->Platform.Host = &host;

    const std::size_t fcs = state->Topology == kTopologyEthernet ? kEthernetFcsBytes : 0;
    int64_t frameNo = 0;
    int64_t analysed = 0;
    double time = 0;
    std::size_t at = 1;
    while (at + kFrameHeaderBytes <= size) {
        const uint8_t* h = data + at;
        const std::size_t stored = std::min<std::size_t>(static_cast<std::size_t>(h[0] << 8 | h[1]), size - at - kFrameHeaderBytes);
        const uint8_t flags = h[2];
        const auto step = static_cast<int16_t>(static_cast<uint16_t>(h[4] << 8 | h[5]));
        const double unit = (flags & kFlagSeconds) != 0 ? 1e6 : (flags & kFlagMilliseconds) != 0 ? 1e3 : 1.0;
        time += step * unit;
        state->Frame.FrameTime = time;
        state->Frame.FrameBadFCS = (flags & kFlagBadFcs) != 0 ? 1 : 0;
        state->Frame.FrameAlignError = (flags & kFlagAlignError) != 0 ? 1 : 0;
        SetCurrentFrame(*state, h + kFrameHeaderBytes, stored, stored + fcs + h[3]);
        ++analysed;
        const bool stop = AnalyzeFrame(*state, frameNo);
        at += kFrameHeaderBytes + stored;
        if (stop) {
            state->Platform.Host = nullptr;
            return "the engine asked a read without a stop frame to stop";
        }
    }
    CloseInterval(*state);
    state->TotalFrames = frameNo;
    state->Platform.Host = nullptr;
    if (frameNo != analysed) return "the frame counter differs from the frames analysed";
    return CheckStateInvariants(*state, analysed);
}

inline std::string RunAnalyzeFrames(const uint8_t* data, std::size_t size)
{
    auto state = std::make_unique<AnalysisState>();
    std::string violation = AnalyzeFramesInto(*state, data, size);
    if (violation.empty()) violation = AnalyzeEveryConversation(*state);
    return violation;
}

}  // namespace quenlix::fuzz
