#pragma once
// The Fathom ToolBox without its window: the selection of one conversation
// (source station, destination station, application, frame range) from the
// network tree and the conversation chains, the transaction query it hands to
// the analysis windows, and the ladder of that conversation's packets in both
// directions with its time ruler, packet texts, red problem annotations and the
// per-direction problem counts found while laying it out.
//
// The ladder is laid out for a band of rows only: every packet of both chains
// is walked (row positions depend on all earlier packets), but texts, ticks
// and labels are made only for the rows inside the band asked for, so the
// texts held stay proportional to the rows shown; a cache keeps eight bytes a
// row besides, where each row lies, for selecting and finding rows.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/TcpAnalysis.h"
#include "model/TransactionAnalysis.h"
#include "ui/main/ClientServerContent.h"

namespace quenlix {

constexpr int kLadderWidth = 1280;
constexpr int kLadderAxisX = 40;
constexpr int kLadderTopY = 4;
constexpr int kLadderRowStep = 12;
constexpr int kLadderMaxAnnotations = 10;
constexpr double kSlowRetransmissionMicroseconds = 100000.0;

enum class PacketScale { Small, Medium, Large };

// Bytes per pixel of arrow length.
int ScaleDivisorFor(PacketScale scale, TopologyCode topology);

struct ToolboxOptions {
    bool DlcSummary = false;
    bool NetSummary = true;
    int SpacingMs = 10;  // 0 (disabled), 1, 10, 100 or 1000
    int ScaleDivisor = 16;
    bool IpxLowerByOUI = true;
    // TCP sequence and acknowledgement numbers counted from each direction's
    // initial sequence number (the SYN's, else the first seen).
    bool RelativeSeq = true;
};

// What another window hands over: the texts of the source, destination and
// application to select (the OUI forms for IPX addresses shown by vendor).
struct ToolboxPreselection {
    std::string Source;
    std::string SourceOUI;
    std::string Destination;
    std::string DestinationOUI;
    std::string Application;
};

// The selection of a client/server row as the toolbox preselects it.
ToolboxPreselection ToolboxPreselectionOf(const ClientServerSelection& row);

struct ToolboxSelection {
    // The three boxes: item texts and what each item stands for.
    std::vector<std::string> SourceItems;
    std::vector<const NetNode*> SourceNodes;
    std::vector<std::string> TargetItems;
    std::vector<int32_t> TargetPeers;  // TNetPeer object indexes
    std::vector<std::string> AppItems;
    std::vector<int32_t> AppHeads;  // TTransHead object indexes
    int SourceIndex = -1;
    int TargetIndex = -1;
    int AppIndex = -1;

    std::string SenderText;
    std::string ResponderText;
    std::string ConversationText;

    int64_t FirstFrameNo = 1;
    int64_t LastFrameNo = 0;
    int64_t TotalFrames = 0;  // the range's upper bound
    bool NoReversePath = true;  // the destination never sent to the source
    bool AnalysisStale = true;  // the analysis windows must recompute
};

// ---- selection -------------------------------------------------------------

// Rebuilds the boxes from the state: every sending IP or IPX station, the
// conversations of the selected one and their applications, the full frame
// range; steps each box to the preselection when one is given.
void RebuildToolbox(const AnalysisState& state, ToolboxSelection& selection, const ToolboxOptions& options,
                    const ToolboxPreselection& preselection = {});

// The user picked another item: the boxes below are refilled with item 0.
// Out-of-range indexes are ignored. Each sets AnalysisStale when the selection changed.
void SelectSource(const AnalysisState& state, ToolboxSelection& selection, const ToolboxOptions& options, int index);
void SelectTarget(const AnalysisState& state, ToolboxSelection& selection, int index);
void SelectApp(ToolboxSelection& selection, int index);
// The range, clamped to 1 .. TotalFrames with From <= To.
void SetFrameRange(ToolboxSelection& selection, int64_t first, int64_t last);

// Swaps source and destination, keeping the application when its text is the
// same both ways; nothing when the destination never sent to the source.
void SwapSelection(const AnalysisState& state, ToolboxSelection& selection, const ToolboxOptions& options);

// Refills the source and destination boxes with IPX addresses by vendor or
// plain, keeping the selected indexes.
void RefillAddressTexts(const AnalysisState& state, ToolboxSelection& selection, const ToolboxOptions& options);

// The application box's text of a conversation head. ICMP names the type and
// code of the head's first packet.
std::string ToolboxAppText(const AnalysisState& state, const TTransHead& head);

// The head of the reverse chain that answers a forward head, among the heads
// of a TNetPeer: the ICMP head for ICMP, the head with the swapped ports for
// the port-based applications, else the first head of the same application; -1 when none.
int32_t ReverseHeadFor(const AnalysisState& state, int32_t reversePeer, int32_t forwardHead);

// The transaction query of the selection (both directions, range, NoReversePath).
// The query's SelectedApp is -1 when nothing is selected.
TransactionAnalysis ToolboxQuery(const AnalysisState& state, const ToolboxSelection& selection);

// The same query with the reverse direction swapped in for a second run.
TransactionAnalysis ReverseQuery(const TransactionAnalysis& query);

// ---- the ladder --------------------------------------------------------------

// The kinds of problem the ladder counts, for the frames each names.
enum class ProblemKind : uint8_t {
    ZeroWindow,
    CrcError,
    IpChecksumError,
    UdpChecksumError,
    TcpChecksumError,
    ShortPacket,
    LongPacket,
    LocallyRouted,
    Retransmission,
    ErrorRetransmission,
    UncapturedRetransmission,
    FastRetransmission,
    PreviousNotCaptured,
    DuplicateAck,
    OutOfOrder,
    WindowFull,
    WindowUpdate,
    KeepAlive,
    Reset,
};
constexpr size_t kProblemKindCount = static_cast<size_t>(ProblemKind::Reset) + 1;
// Frames kept per kind: the problem lines name the first few.
constexpr size_t kProblemFramesKept = 5;

struct ProblemCounts {
    // The first kProblemFramesKept frames of each kind, in ladder order.
    std::array<std::vector<int64_t>, kProblemKindCount> Frames;
    void NoteFrame(ProblemKind kind, int64_t frameNo)
    {
        std::vector<int64_t>& frames = Frames[static_cast<size_t>(kind)];
        if (frames.size() < kProblemFramesKept) frames.push_back(frameNo);
    }

    uint32_t ZeroWindows = 0;
    uint32_t CrcErrors = 0;
    uint32_t IpChecksumErrors = 0;
    uint32_t UdpChecksumErrors = 0;
    uint32_t TcpChecksumErrors = 0;
    uint32_t ShortPackets = 0;
    uint32_t LongPackets = 0;
    uint32_t LocallyRouted = 0;
    int64_t LocallyRoutedBytes = 0;
    uint32_t Retransmissions = 0;
    int64_t RetransmittedBytes = 0;
    double RetransmissionDelay = 0;  // microseconds, summed
    uint32_t ErrorRetransmissions = 0;  // retransmissions of a packet with an error
    // What the TCP sequence tracking finds, whether or not the original passed.
    uint32_t UncapturedRetransmissions = 0;  // retransmissions whose original is not in the trace
    uint32_t FastRetransmissions = 0;        // of those, after three or more duplicate ACKs
    uint32_t PreviousNotCaptured = 0;
    uint32_t DuplicateAcks = 0;
    uint32_t OutOfOrder = 0;
    uint32_t WindowFull = 0;
    uint32_t WindowUpdates = 0;
    uint32_t KeepAlives = 0;
    uint32_t Resets = 0;
};

struct LadderRow {
    int32_t Y = 0;  // the row's centre in ladder coordinates
    int32_t Ordinal = 0;  // 0 for the ladder's first row
    int32_t Packet = -1;  // PacketList index
    bool Forward = true;
    bool Placeholder = false;
    int64_t FrameNo = 0;
    double Time = 0;  // microseconds, the frame's time stamp
    int32_t ArrowLength = 0;
    std::string TimeText;   // time of day, or seconds from the trace's first frame
    std::string DeltaText;  // "+" seconds since the ladder's previous row
    std::string Text;
    std::string Annotations;  // joined by ", "; drawn in red after the text
    std::string Details;  // the whole description: the status line and the tooltip
};

struct LadderTick {
    int32_t Y = 0;
    int32_t Right = 45;  // 45, or 50 for every fifth tick
};

struct LadderLabel {
    int32_t Y = 0;  // baseline row of the text's top
    std::string Text;
};

struct LadderBreak {
    int32_t Y = 0;  // the dotted line runs from Y + 5 to Y + 25
    std::string Text;  // drawn at Y + 26
};

struct LadderLayout {
    // Only the rows, ticks, labels and breaks inside the band asked for.
    std::vector<LadderRow> Rows;
    std::vector<LadderTick> Ticks;
    std::vector<LadderLabel> Labels;
    std::vector<LadderBreak> Breaks;
    // Over the whole ladder.
    int32_t Height = 0;      // CurY + 6 of the last row
    int32_t RowCount = 0;    // packets drawn
    ProblemCounts Forward;
    ProblemCounts Reverse;
    uint32_t ProblemTotal = 0;
    bool HasReverse = false;
};

// Where the layout stood before one of every kLadderCheckpointRows packets,
// and the whole ladder's totals: a later layout of the same selection and
// options starts just above the band asked for and stops below it, so that
// scrolling a long ladder costs the rows in view only. A few bytes per
// thousand rows.
constexpr int kLadderCheckpointRows = 1024;

struct LadderCheckpoint {
    int32_t Forward = -1, Reverse = -1;  // the merge's cursors
    int32_t Rows = 0;  // rows drawn before
    int32_t CurY = 0;
    double LastTime = 0;
    bool DrawnBefore = false;
    int32_t LastForward = -1, LastReverse = -1;
    TcpTracker Tcp;
};

// Where one row of the ladder lies and which packet it draws: eight bytes a
// row, so that moving the selection or going to a frame never walks the ladder.
struct LadderRowRef {
    int32_t Y = 0;
    int32_t Packet = -1;
};

struct LadderCache {
    bool Valid = false;
    // What the cache was built for.
    int SourceIndex = -1, TargetIndex = -1, AppIndex = -1;
    int64_t FirstFrameNo = 0, LastFrameNo = 0;
    bool DlcSummary = false, NetSummary = false, RelativeSeq = false;
    int SpacingMs = 0, ScaleDivisor = 0;
    const AnalysisState* State = nullptr;
    size_t Packets = 0;
    std::vector<LadderCheckpoint> Checkpoints;
    std::vector<LadderRowRef> Rows;  // every row, top to bottom
    LadderLayout Totals;  // Height, RowCount, counts; no rows
};

// Lays out the ladder of the selection; rows whose band (Y - 6 .. Y + 7) meets
// bandTop .. bandBottom carry their texts. With a cache the whole ladder is
// walked only when the selection, options or state changed.
LadderLayout LayOutLadder(const AnalysisState& state, const ToolboxSelection& selection, const ToolboxOptions& options,
                          int32_t bandTop, int32_t bandBottom, LadderCache* cache = nullptr);

// The whole ladder as text lines, one per packet: frame number, time in
// seconds from the first row, direction, description and annotations,
// tab-separated. The report's --ladder and the toolbox's Copy print these.
std::vector<std::string> LadderTextLines(const AnalysisState& state, const ToolboxSelection& selection,
                                         const ToolboxOptions& options);

// ---- finding rows (on the row index of a cache that LayOutLadder filled) -------------------

// The row whose band (Y - 6 .. Y + 7) holds y; -1 when none.
int32_t LadderRowAt(const LadderCache& cache, int32_t y);
// The first row drawing the frame or a later one; -1 when the ladder ends before it.
int32_t LadderRowOfFrame(const AnalysisState& state, const LadderCache& cache, int64_t frameNo);
// The row a page of the given height below (positive) or above (negative) a
// row: the last row whose centre is within that distance, at least one row on.
int32_t LadderPageFrom(const LadderCache& cache, int32_t row, int32_t pixels);
// The next row after `after` (wrapping round past the last row) whose
// description or annotations hold the text, ignoring case; -1 when none does.
int32_t FindLadderText(const AnalysisState& state, const ToolboxSelection& selection, const ToolboxOptions& options,
                       const LadderCache& cache, int32_t after, const std::string& text);

// A frame time as the ladder rows show it: the time of day when the trace
// places its frames in time, else seconds from the trace's first frame.
std::string LadderTimeText(const AnalysisState& state, double frameTime);

// Selects a conversation by its texts (client, server as address texts, the
// application as the client/server page or the toolbox names it); the error
// text, or empty when found.
std::string SelectConversation(const AnalysisState& state, ToolboxSelection& selection, const ToolboxOptions& options,
                               const std::string& source, const std::string& destination,
                               const std::string& application);

}  // namespace quenlix
