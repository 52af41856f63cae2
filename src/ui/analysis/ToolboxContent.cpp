#include "ui/analysis/ToolboxContent.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <functional>
#include <cmath>
#include <cstdio>

#include "model/Naming.h"
#include "model/NumberFormat.h"
#include "ui/main/ClientServerContent.h"
#include "ui/main/FileSummaryContent.h"
#include "import/TraceCalendar.h"
#include "model/StringHelpers.h"

namespace quenlix {

namespace {

constexpr int kAckSearchDepth = 20;
constexpr int kRulerLongTick = 50;
constexpr int kRulerShortTick = 45;
constexpr int kBreakEveryTicks = 90;
constexpr int kBreakMinimumPixels = 100;
constexpr int kShortFrame = 64;
constexpr int kLongFrame = 1519;

const TPacket& PacketAt(const AnalysisState& state, int32_t index)
{
    return state.PacketList[static_cast<size_t>(index)];
}

// The previous packet of the same chain; -1 when none or when the link does
// not lead to an earlier packet (a damaged chain cannot loop).
int32_t PrevPacketOf(const AnalysisState& state, int32_t packet)
{
    const int32_t prev = PacketAt(state, packet).PrevPacket;
    return prev >= 0 && prev < packet ? prev : -1;
}


std::string WholeReal(double value)
{
    if (!std::isfinite(value)) return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%1.0f", value);
    return buffer;
}

// A 32-bit sequence number counted from a base, wrapping round as TCP's do.
std::string RelativeSequence(double value, double base)
{
    constexpr double kLimit = 9.0e18;
    if (!std::isfinite(value) || !std::isfinite(base) || std::fabs(value) > kLimit || std::fabs(base) > kLimit)
        return "0";
    const int64_t difference = static_cast<int64_t>(value) - static_cast<int64_t>(base);
    const auto relative = static_cast<uint32_t>(static_cast<uint64_t>(difference));
    return std::to_string(relative);
}

std::string AddressText(const AnalysisState& state, const NetString& address, const ToolboxOptions& options)
{
    return NetAddressText(state, address, options.IpxLowerByOUI);
}

bool PortBasedReverse(ApplicationCode app)
{
    return app == kAppTCP || app == kAppUDP || app == kAppSPX || app == kAppNetBIOS || app == kAppSMB || app == kAppPBurst;
}

const char* IcmpText(uint8_t type, uint8_t code, bool& replaces)
{
    replaces = false;
    static const char* const unreachable[] = {"(Network Unreachable)",
                                              "(Host Unreachable)",
                                              "(Protocol Unreachable)",
                                              "(Port Unreachable)",
                                              "(Fragmentation needed and Don't Fragment was set)",
                                              "(Source Route Failed)",
                                              "(Destination Network Unknown)",
                                              "(Destination Host Unknown)"};
    static const char* const redirect[] = {" (Redirect Datagram for the Network)", " (Redirect Datagram for the Host)",
                                           " (Redirect Datagram for the Type of Service and Network)",
                                           " (Redirect Datagram for the Type of Service and Host)"};
    static const char* const timestamp[] = {" (Timestamp)",           " (Timestamp Reply)",
                                            " (Information Request)", " (Information Reply)",
                                            " (Address Mask Request)", " (Address Mask Reply)"};
    static const char* const mobile[] = {" (Mobile Host Redirect)", " (IPv6 Where-Are-You)", " (IPv6 I-Am-Here)",
                                         " (Mobile Registration Agent)", " (Mobile Registration Reply)"};
    switch (type) {
    case 0: return " (Echo Reply)";
    case 3:
        if (code > 7) return nullptr;
        replaces = true;
        return unreachable[code];
    case 4: return " (Source Quench)";
    case 5: return code <= 3 ? redirect[code] : nullptr;
    case 6: return " (Alternative Host Address)";
    case 8: return " (Echo)";
    case 9: return " (Router Advertisement)";
    case 10: return " (Router Selection)";
    case 11: return code == 0 ? " (Time to Live Exceeded in Transit)"
                    : code == 1 ? " (Fragment Reassembly Time Exceeded)"
                                : nullptr;
    case 30: return " (Traceroute)";
    default:
        if (type >= 13 && type <= 18) return timestamp[type - 13];
        if (type >= 32 && type <= 36) return mobile[type - 32];
        return nullptr;
    }
}

void FillSourceBox(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options)
{
    s.SourceItems.clear();
    s.SourceNodes.clear();
    for (const auto& [address, node] : state.NetworkNodes) {
        if (!(node.NetFlags.Has(kFlagSender))) continue;
        if (node.Kind != kNetworkIP && node.Kind != kNetworkIPv6 && !IsIPXKind(node.Kind)) continue;
        s.SourceItems.push_back(AddressText(state, address, options));
        s.SourceNodes.push_back(&node);
    }
}

const NetNode* SourceNode(const ToolboxSelection& s)
{
    if (s.SourceIndex < 0 || s.SourceIndex >= static_cast<int>(s.SourceNodes.size())) return nullptr;
    return s.SourceNodes[static_cast<size_t>(s.SourceIndex)];
}

int32_t TargetPeer(const ToolboxSelection& s)
{
    if (s.TargetIndex < 0 || s.TargetIndex >= static_cast<int>(s.TargetPeers.size())) return -1;
    return s.TargetPeers[static_cast<size_t>(s.TargetIndex)];
}

int32_t AppHead(const ToolboxSelection& s)
{
    if (s.AppIndex < 0 || s.AppIndex >= static_cast<int>(s.AppHeads.size())) return -1;
    return s.AppHeads[static_cast<size_t>(s.AppIndex)];
}

void FillTargetBox(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options)
{
    s.TargetItems.clear();
    s.TargetPeers.clear();
    const NetNode* node = SourceNode(s);
    if (!node) return;
    for (int32_t p = FirstNetPeer(state, *node); p >= 0; p = NextNetPeer(state, p)) {
        const NetString& address = PeerAddressOf(state, state.ObjectList.NetPeer(p));
        if (address.Empty()) break;
        s.TargetItems.push_back(AddressText(state, address, options));
        s.TargetPeers.push_back(p);
    }
}

void FillAppBox(const AnalysisState& state, ToolboxSelection& s)
{
    s.AppItems.clear();
    s.AppHeads.clear();
    const int32_t peer = TargetPeer(s);
    if (peer >= 0)
        for (int32_t h = FirstTransHead(state, peer); h >= 0; h = NextTransHead(state, h)) {
            s.AppItems.push_back(ToolboxAppText(state, state.ObjectList.TransHead(h)));
            s.AppHeads.push_back(h);
        }
    s.AppIndex = s.AppItems.empty() ? -1 : 0;
    s.ConversationText = s.AppItems.empty() ? std::string() : s.AppItems.front();
}

// Whether the destination ever sent to the source.
void EnableSwapBtn(const AnalysisState& state, ToolboxSelection& s)
{
    const NetNode* source = SourceNode(s);
    const int32_t peer = TargetPeer(s);
    s.NoReversePath = true;
    if (!source || peer < 0) return;
    const NetNode* target = PeerNodeOf(state, state.ObjectList.NetPeer(peer));
    s.NoReversePath = !target || FindNetPeer(state, *target, source->Address) < 0;
}

int FindItem(const std::vector<std::string>& items, const std::string& text)
{
    const auto found = std::find(items.begin(), items.end(), text);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

// The preselection text as the box shows it: the OUI form when addresses are
// shown by vendor and the other window gave one.
const std::string& WantedText(const std::string& plain, const std::string& oui, const ToolboxOptions& options)
{
    return options.IpxLowerByOUI && !oui.empty() ? oui : plain;
}

void SetTexts(ToolboxSelection& s)
{
    s.SenderText = s.SourceIndex >= 0 ? s.SourceItems[static_cast<size_t>(s.SourceIndex)] : std::string();
    s.ResponderText = s.TargetIndex >= 0 ? s.TargetItems[static_cast<size_t>(s.TargetIndex)] : std::string();
    s.ConversationText = s.AppIndex >= 0 ? s.AppItems[static_cast<size_t>(s.AppIndex)] : std::string();
}

// An application preselected by its text: the toolbox's own text, or the
// client/server page's text of the same head (which names ICMP differently).
int FindApplication(const AnalysisState& state, const ToolboxSelection& s, const std::string& text)
{
    const int found = FindItem(s.AppItems, text);
    if (found >= 0 || text.empty()) return found;
    for (size_t i = 0; i < s.AppHeads.size(); ++i)
        if (ServerApplicationText(state.ObjectList.TransHead(s.AppHeads[i])) == text) return static_cast<int>(i);
    return -1;
}

}  // namespace

ToolboxPreselection ToolboxPreselectionOf(const ClientServerSelection& row)
{
    return {row.SelectedClientText, row.SelectedClientOUIText, row.SelectedServerText, row.SelectedServerOUIText,
            row.SelectedApplicationText};
}

int ScaleDivisorFor(PacketScale scale, TopologyCode topology)
{
    const int ethernet = scale == PacketScale::Small ? 32 : scale == PacketScale::Medium ? 16 : 8;
    return topology == kTopologyTokenRing ? ethernet * 2 : ethernet;
}

std::string ToolboxAppText(const AnalysisState& state, const TTransHead& head)
{
    const std::string name = AppName(head.App);
    if (head.App == kAppTCP || head.App == kAppUDP) return name + "/" + PortName(head.SrcPort) + "<->" + PortName(head.DstPort);
    if (head.App == kAppICMP) {
        std::string text = name;
        if (head.FirstPacket >= 0 && static_cast<size_t>(head.FirstPacket) < state.PacketList.size()) {
            const uint16_t word = PacketAt(state, head.FirstPacket).TypeWord;
            bool replaces = false;
            if (const char* more = IcmpText(static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8), replaces))
                text = replaces ? std::string(more) : text + more;
        }
        return text;
    }
    if (head.App < kFirstIPXApp) return name;
    if (head.App <= kLastIPXApp)
        return "IPX (Socket " + FourHex(head.SrcPort) + "<->" + FourHex(head.DstPort) + ")/" + name;
    return head.App == kAppOther ? "Other" : name;
}

int32_t ReverseHeadFor(const AnalysisState& state, int32_t reversePeer, int32_t forwardHead)
{
    if (reversePeer < 0) return -1;
    const TTransHead forward = state.ObjectList.TransHead(forwardHead);
    for (int32_t h = FirstTransHead(state, reversePeer); h >= 0; h = NextTransHead(state, h)) {
        const TTransHead head = state.ObjectList.TransHead(h);
        // A host talking to itself with equal ports finds its own record here: that is
        // the same packets again, not a reverse direction.
        if (h == forwardHead || head.App != forward.App) continue;
        if (!PortBasedReverse(forward.App) || (head.SrcPort == forward.DstPort && head.DstPort == forward.SrcPort))
            return h;
    }
    return -1;
}

void RebuildToolbox(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options,
                    const ToolboxPreselection& pre)
{
    s = ToolboxSelection{};
    FillSourceBox(state, s, options);
    s.TotalFrames = std::max<int64_t>(state.TotalFrames, 0);
    s.FirstFrameNo = 1;
    s.LastFrameNo = s.TotalFrames;
    s.AnalysisStale = true;
    if (s.SourceItems.empty()) return;
    // A text that matches no item leaves the first item selected: handing over
    // a station the box does not list must not select an unrelated last one.
    const auto step = [](const std::vector<std::string>& items, const std::string& text) {
        const int found = text.empty() ? -1 : FindItem(items, text);
        return found >= 0 ? found : 0;
    };
    // An IPX address handed over in its plain form is found while the box shows vendors.
    const auto plainIndex = [&](const std::string& text, auto addressOf, size_t count) {
        for (size_t i = 0; i < count && !text.empty(); ++i)
            if (NetAddressText(state, addressOf(i), false) == text) return static_cast<int>(i);
        return -1;
    };
    s.SourceIndex = step(s.SourceItems, WantedText(pre.Source, pre.SourceOUI, options));
    if (s.SourceItems[static_cast<size_t>(s.SourceIndex)] != WantedText(pre.Source, pre.SourceOUI, options))
        if (const int i = plainIndex(pre.Source, [&](size_t k) { return s.SourceNodes[k]->Address; }, s.SourceNodes.size());
            i >= 0)
            s.SourceIndex = i;
    FillTargetBox(state, s, options);
    if (!s.TargetItems.empty()) {
        s.TargetIndex = step(s.TargetItems, WantedText(pre.Destination, pre.DestinationOUI, options));
        if (s.TargetItems[static_cast<size_t>(s.TargetIndex)] != WantedText(pre.Destination, pre.DestinationOUI, options))
            if (const int i = plainIndex(
                    pre.Destination, [&](size_t k) { return PeerAddressOf(state, state.ObjectList.NetPeer(s.TargetPeers[k])); },
                    s.TargetPeers.size());
                i >= 0)
                s.TargetIndex = i;
    }
    EnableSwapBtn(state, s);
    FillAppBox(state, s);
    if (const int app = FindApplication(state, s, pre.Application); app >= 0) s.AppIndex = app;
    SetTexts(s);
}

void SelectSource(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options, int index)
{
    if (index < 0 || index >= static_cast<int>(s.SourceItems.size()) || index == s.SourceIndex) return;
    s.SourceIndex = index;
    FillTargetBox(state, s, options);
    s.TargetIndex = s.TargetItems.empty() ? -1 : 0;
    FillAppBox(state, s);
    EnableSwapBtn(state, s);
    SetTexts(s);
    s.AnalysisStale = true;
}

void SelectTarget(const AnalysisState& state, ToolboxSelection& s, int index)
{
    if (index < 0 || index >= static_cast<int>(s.TargetItems.size()) || index == s.TargetIndex) return;
    s.TargetIndex = index;
    FillAppBox(state, s);
    EnableSwapBtn(state, s);
    SetTexts(s);
    s.AnalysisStale = true;
}

void SelectApp(ToolboxSelection& s, int index)
{
    if (index < 0 || index >= static_cast<int>(s.AppItems.size()) || index == s.AppIndex) return;
    s.AppIndex = index;
    SetTexts(s);
    s.AnalysisStale = true;
}

void SetFrameRange(ToolboxSelection& s, int64_t first, int64_t last)
{
    const int64_t top = std::max<int64_t>(s.TotalFrames, 1);
    first = std::clamp<int64_t>(first, 1, top);
    last = std::clamp(last, first, top);
    if (first == s.FirstFrameNo && last == s.LastFrameNo) return;
    s.FirstFrameNo = first;
    s.LastFrameNo = last;
    s.AnalysisStale = true;
}

void SwapSelection(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options)
{
    if (s.NoReversePath || s.SourceIndex < 0 || s.TargetIndex < 0) return;
    const std::string source = s.SenderText, target = s.ResponderText, app = s.ConversationText;
    const int newSource = FindItem(s.SourceItems, target);
    if (newSource < 0) return;
    const int32_t forwardHead = AppHead(s);
    s.SourceIndex = newSource;
    FillTargetBox(state, s, options);
    s.TargetIndex = std::max(FindItem(s.TargetItems, source), s.TargetItems.empty() ? -1 : 0);
    FillAppBox(state, s);
    if (const int found = FindItem(s.AppItems, app); found >= 0) {
        s.AppIndex = found;
    } else if (forwardHead >= 0) {
        // Port-based applications read the other way round after a swap: the
        // head that answers the one shown stays selected.
        const int32_t reverse = ReverseHeadFor(state, TargetPeer(s), forwardHead);
        const auto it = std::find(s.AppHeads.begin(), s.AppHeads.end(), reverse);
        if (it != s.AppHeads.end()) s.AppIndex = static_cast<int>(it - s.AppHeads.begin());
    }
    EnableSwapBtn(state, s);
    SetTexts(s);
    s.AnalysisStale = true;
}

void RefillAddressTexts(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options)
{
    const int source = s.SourceIndex, target = s.TargetIndex;
    FillSourceBox(state, s, options);
    FillTargetBox(state, s, options);
    s.SourceIndex = source < static_cast<int>(s.SourceItems.size()) ? source : -1;
    s.TargetIndex = target < static_cast<int>(s.TargetItems.size()) ? target : -1;
    SetTexts(s);
}

TransactionAnalysis ToolboxQuery(const AnalysisState& state, const ToolboxSelection& s)
{
    TransactionAnalysis q;
    q.FirstFrameNo = s.FirstFrameNo;
    q.LastFrameNo = s.LastFrameNo;
    q.NoReversePath = s.NoReversePath;
    q.SelectedNetNode = SourceNode(s);
    q.SelectedPeer = TargetPeer(s);
    q.SelectedApp = AppHead(s);
    if (!q.SelectedNetNode || q.SelectedPeer < 0 || q.SelectedApp < 0) {
        q.SelectedApp = -1;
        return q;
    }
    q.ReverseNetNode = PeerNodeOf(state, state.ObjectList.NetPeer(q.SelectedPeer));
    if (q.ReverseNetNode) {
        q.ReversePeer = FindNetPeer(state, *q.ReverseNetNode, q.SelectedNetNode->Address);
        q.ReverseApp = ReverseHeadFor(state, q.ReversePeer, q.SelectedApp);
    }
    return q;
}

TransactionAnalysis ReverseQuery(const TransactionAnalysis& query)
{
    TransactionAnalysis q = query;
    std::swap(q.SelectedNetNode, q.ReverseNetNode);
    std::swap(q.SelectedPeer, q.ReversePeer);
    std::swap(q.SelectedApp, q.ReverseApp);
    return q;
}

std::string SelectConversation(const AnalysisState& state, ToolboxSelection& s, const ToolboxOptions& options,
                               const std::string& source, const std::string& destination, const std::string& application)
{
    ToolboxPreselection pre;
    pre.Source = source;
    pre.Destination = destination;
    pre.Application = application;
    ToolboxOptions plain = options;
    RebuildToolbox(state, s, plain, pre);
    if (s.SourceIndex < 0 || s.SenderText != source) {
        // The page's texts of IPX addresses come in either form.
        plain.IpxLowerByOUI = !options.IpxLowerByOUI;
        RebuildToolbox(state, s, plain, pre);
    }
    if (s.SourceIndex < 0 || s.SenderText != source) return "No station that sent matches the client \"" + source + "\".";
    if (s.TargetIndex < 0 || s.ResponderText != destination)
        return "The client never sent to the server \"" + destination + "\".";
    if (FindApplication(state, s, application) != s.AppIndex)
        return "The conversation has no application \"" + application + "\".";
    return {};
}

// ---- the ladder --------------------------------------------------------------------------

namespace {

// Takes every row of a walk, with its texts; false ends the walk.
using LadderRowVisitor = std::function<bool(const LadderRow&)>;

class LadderBuilder {
public:
    LadderBuilder(const AnalysisState& state, const ToolboxSelection& s, const ToolboxOptions& options, int32_t top,
                  int32_t bottom, LadderLayout& out, const LadderRowVisitor* visit = nullptr)
        : state_(state), s_(s), options_(options), top_(top), bottom_(bottom), out_(out), visit_(visit)
    {
        spacing_ = std::max(options.SpacingMs, 0);
        divisor_ = std::max(options.ScaleDivisor, 1);
        const NetNode* source = SourceNode(s);
        ipSource_ = source && source->Kind == kNetworkIP;
        ipv6Source_ = source && source->Kind == kNetworkIPv6;
        ipxSource_ = source && source->Kind == kNetworkIPX;
    }

    // Walks the whole ladder; with checkpoints, records where it stood every
    // kLadderCheckpointRows packets, and with a row index where each row lies.
    void Run(std::vector<LadderCheckpoint>* checkpoints = nullptr, std::vector<LadderRowRef>* rowIndex = nullptr)
    {
        int32_t forward = -1, reverse = -1;
        rowIndex_ = rowIndex;
        if (!Start(forward, reverse)) return;
        Merge(forward, reverse, checkpoints, false);
        out_.Height = curY_ + 6;
    }

    // Lays out only the rows near the band, from the last checkpoint above it.
    void Resume(const std::vector<LadderCheckpoint>& checkpoints)
    {
        // Rows only move down, so the last checkpoint well above the band (a
        // ruler break reaches 43 pixels above its row) is where the band's rows begin.
        size_t from = 0;
        for (size_t i = 0; i < checkpoints.size(); ++i)
            if (checkpoints[i].CurY + kLadderRowStep * 8 < top_) from = i;
        ResumeAt(checkpoints, from, true);
    }

    // Hands the rows from the checkpoint before a row on to the visitor.
    void ResumeAtRow(const std::vector<LadderCheckpoint>& checkpoints, int32_t row)
    {
        size_t from = 0;
        for (size_t i = 0; i < checkpoints.size(); ++i)
            if (checkpoints[i].Rows <= row) from = i;
        ResumeAt(checkpoints, from, false);
    }

private:
    void ResumeAt(const std::vector<LadderCheckpoint>& checkpoints, size_t from, bool stopBelowBand)
    {
        int32_t forward = -1, reverse = -1;
        if (!Start(forward, reverse) || from >= checkpoints.size()) return;
        const LadderCheckpoint& c = checkpoints[from];
        forward = c.Forward;
        reverse = c.Reverse;
        out_.RowCount = c.Rows;
        curY_ = c.CurY;
        lastTime_ = c.LastTime;
        drawnBefore_ = c.DrawnBefore;
        lastForward_ = c.LastForward;
        lastReverse_ = c.LastReverse;
        tcp_ = c.Tcp;
        Merge(forward, reverse, nullptr, stopBelowBand);
    }

    bool Start(int32_t& forward, int32_t& reverse)
    {
        const int32_t head = AppHead(s_);
        out_.Height = kLadderTopY + 6;
        if (head < 0 || !SourceNode(s_)) return false;
        head_ = state_.ObjectList.TransHead(head);
        const TransactionAnalysis q = ToolboxQuery(state_, s_);
        forward = FirstPacketOf(state_, head);
        reverse = q.ReverseApp >= 0 ? FirstPacketOf(state_, q.ReverseApp) : -1;
        out_.HasReverse = q.ReverseApp >= 0;
        if (head_.App == kAppTCP && options_.RelativeSeq) SetSequenceBases(forward, reverse);
        return true;
    }

    // The number a direction's sequence numbers count from: the SYN's among
    // its first packets, else its first packet's. The acknowledgements count
    // from the other direction's, or when that was never seen from the first
    // acknowledgement number of their own direction.
    void SetSequenceBases(int32_t forward, int32_t reverse)
    {
        const auto initial = [this](int32_t packet, bool& found, double& seq, double& ack) {
            constexpr int kSynSearch = 8;
            for (int i = 0; i < kSynSearch && packet >= 0; ++i, packet = NextPacketOf(state_, packet)) {
                const TPacket& p = PacketAt(state_, packet);
                if (p.PacketFlags.Has(kPktGapMarker)) continue;
                if (!found) found = true, seq = p.Seq, ack = p.Ack;
                if (p.TCPFlags() & kTcpSyn) {
                    seq = p.Seq;
                    break;
                }
            }
        };
        bool seen[2] = {false, false};
        double firstAck[2] = {0, 0};
        initial(forward, seen[0], seqBase_[0], firstAck[0]);
        initial(reverse, seen[1], seqBase_[1], firstAck[1]);
        for (int d = 0; d < 2; ++d) ackBase_[d] = seen[1 - d] ? seqBase_[1 - d] : firstAck[d];
        relative_ = true;
    }

    // Both chains merged by frame number: every packet once, in trace order.
    void Merge(int32_t forward, int32_t reverse, std::vector<LadderCheckpoint>* checkpoints, bool stopBelowBand)
    {
        int64_t calls = 0;
        const auto step = [&](int32_t packet, bool isForward) {
            if (checkpoints && calls % kLadderCheckpointRows == 0)
                checkpoints->push_back({forward, reverse, out_.RowCount, curY_, lastTime_, drawnBefore_, lastForward_,
                                        lastReverse_, tcp_});
            ++calls;
            Draw(packet, isForward);
            return !stopped_ && !(stopBelowBand && curY_ - kLadderRowStep * 8 > bottom_);
        };
        WalkInTraceOrder(state_, forward, reverse, step);
    }

private:
    bool InBand(int32_t y) const { return y + 7 >= top_ && y - 6 <= bottom_; }

    void Advance(double time)
    {
        if (!drawnBefore_) {
            curY_ += 1;  // no ticks: the first row sits one pixel below the top
            return;
        }
        const int32_t old = curY_;
        double gapPixels = 0;
        if (spacing_ > 0) {
            gapPixels = std::nearbyint((time - lastTime_) / (spacing_ * 500.0));
            if (!std::isfinite(gapPixels)) gapPixels = 0;
            // A gap beyond the ruler's breaking point is shown as one break, so
            // a clock jump cannot make the ladder's height overflow.
            gapPixels = std::clamp(gapPixels, 0.0, 1e6);
        }
        curY_ += kLadderRowStep + static_cast<int32_t>(gapPixels);
        const double gapMs = std::nearbyint((time - lastTime_) * 0.001);
        int ticks = 0;
        int32_t y = old + 7;
        do {
            if (y % 2 == 0) {
                ++ticks;
                if (spacing_ > 0 && ticks % kBreakEveryTicks == 0 && gapPixels > kBreakMinimumPixels &&
                    gapMs > spacing_ * 110.0) {
                    if (InBand(y + 13)) out_.Breaks.push_back({y, FormatCount(gapMs) + " ms"});
                    curY_ = y + 26 + 17;
                    break;
                }
                if (InBand(y)) out_.Ticks.push_back({y, ticks % 5 == 0 ? kRulerLongTick : kRulerShortTick});
                if (ticks % 10 == 0 && InBand(y - 10))
                    out_.Labels.push_back({y - 10, FormatCount(int64_t{spacing_} * 10 * (ticks / 10)) + " ms"});
            }
            ++y;
        } while (y < curY_ - 7);
        if (ticks % 10 == 0) curY_ += 1;
    }

    // Counts what the TCP sequence tracking found and adds its annotations. A
    // retransmission whose original is in the trace keeps the annotation above,
    // with its delay and original.
    // Counts one problem of a packet and keeps its frame for the problem lines.
    static void Tally(ProblemCounts& c, uint32_t& count, ProblemKind kind, const TPacket& p)
    {
        ++count;
        c.NoteFrame(kind, p.FrameNo);
    }

    void AnnotateTcp(const TPacket& p, const TcpVerdict& v, ProblemCounts& c, const std::function<void(std::string)>& add)
    {
        TcpEventSet e = v.Events;
        // A copy the engine matched with its original (sent again, or seen again
        // behind a router) is annotated above, with its delay and original.
        if (p.PacketFlags.HasAny({kPktRetransmission, kPktPathDuplicate})) {
            e.Remove(kTcpRetransmission);
            e.Remove(kTcpOutOfOrder);
        }
        if (e.Has(kTcpRetransmission)) {
            Tally(c, c.UncapturedRetransmissions, ProblemKind::UncapturedRetransmission, p);
            if (e.Has(kTcpFastRetransmission)) Tally(c, c.FastRetransmissions, ProblemKind::FastRetransmission, p);
            add(e.Has(kTcpFastRetransmission) ? "Fast retransmission" : "Retransmission");
        }
        if (e.Has(kTcpPreviousNotCaptured)) {
            Tally(c, c.PreviousNotCaptured, ProblemKind::PreviousNotCaptured, p);
            add("Previous segment not captured");
        }
        if (e.Has(kTcpOutOfOrder)) Tally(c, c.OutOfOrder, ProblemKind::OutOfOrder, p), add("Out of order");
        if (e.Has(kTcpDuplicateAck)) {
            Tally(c, c.DuplicateAcks, ProblemKind::DuplicateAck, p);
            add("Duplicate ACK #" + std::to_string(v.DuplicateAckNumber));
        }
        if (e.Has(kTcpWindowFull)) Tally(c, c.WindowFull, ProblemKind::WindowFull, p), add("Window full");
        if (e.Has(kTcpWindowUpdate)) Tally(c, c.WindowUpdates, ProblemKind::WindowUpdate, p), add("Window update");
        if (e.Has(kTcpKeepAlive)) Tally(c, c.KeepAlives, ProblemKind::KeepAlive, p), add("Keep-alive");
        if (e.Has(kTcpReset)) Tally(c, c.Resets, ProblemKind::Reset, p), add("RST");
    }

    // Counts the problems of a packet and returns their annotations.
    std::vector<std::string> Annotate(int32_t index, const TPacket& p, bool forward, const TcpVerdict& tcp)
    {
        ProblemCounts& c = forward ? out_.Forward : out_.Reverse;
        std::vector<std::string> notes;
        const auto add = [&](std::string text) {
            if (notes.size() >= static_cast<size_t>(kLadderMaxAnnotations)) return;
            notes.push_back(std::move(text));
            ++out_.ProblemTotal;
        };
        if (p.PacketFlags.Has(kPktZeroWindow)) {
            Tally(c, c.ZeroWindows, ProblemKind::ZeroWindow, p);
            add("Zero Window");
        }
        if (p.PacketFlags.HasAny(kPktDamaged)) {
            if (p.PacketFlags.Has(kPktBadFcs)) Tally(c, c.CrcErrors, ProblemKind::CrcError, p), add("DLC CRC Error");
            if (p.PacketFlags.Has(kPktBadIpChecksum)) {
                Tally(c, c.IpChecksumErrors, ProblemKind::IpChecksumError, p);
                add("IP Checksum Error");
            }
            if (p.PacketFlags.Has(kPktBadUdpChecksum)) {
                Tally(c, c.UdpChecksumErrors, ProblemKind::UdpChecksumError, p);
                add("UDP Checksum Error");
            }
            if (p.PacketFlags.Has(kPktBadTcpChecksum)) {
                Tally(c, c.TcpChecksumErrors, ProblemKind::TcpChecksumError, p);
                add("TCP Checksum Error");
            }
        }
        if (state_.Topology == kTopologyEthernet) {
            if (p.Length < kShortFrame) Tally(c, c.ShortPackets, ProblemKind::ShortPacket, p), add("Short Packet");
            if (p.Length >= kLongFrame) Tally(c, c.LongPackets, ProblemKind::LongPacket, p), add("Long Packet");
        }
        if (p.PacketFlags.HasAny({kPktPathDuplicate, kPktRetransmission})) {
            int32_t referred = index;
            for (int depth = 0; depth < p.RetransDepth() && referred >= 0; ++depth) referred = PrevPacketOf(state_, referred);
            if (referred == index) referred = -1;
            const TPacket* ref = referred >= 0 ? &PacketAt(state_, referred) : nullptr;
            if (p.PacketFlags.Has(kPktPathDuplicate)) {
                Tally(c, c.LocallyRouted, ProblemKind::LocallyRouted, p);
                c.LocallyRoutedBytes += p.Length;
                add(ref ? "Locally Routed (Pkt " + std::to_string(ref->FrameNo) + ")" : "Locally Routed");
            }
            if (p.PacketFlags.Has(kPktRetransmission)) {
                double delay = ref ? p.Time - ref->Time : 0;
                if (!std::isfinite(delay)) delay = 0;
                Tally(c, c.Retransmissions, ProblemKind::Retransmission, p);
                c.RetransmittedBytes += p.Length;
                c.RetransmissionDelay += delay;
                if (ref && ref->PacketFlags.HasAny(kPktDamaged) && !ref->PacketFlags.Has(kPktGapMarker))
                    Tally(c, c.ErrorRetransmissions, ProblemKind::ErrorRetransmission, p);
                std::string text = head_.App == kAppNCP ? "NCP Command " : "";
                text += delay >= kSlowRetransmissionMicroseconds ? "Transport Retransmission" : "Fast Transport Retransmission";
                if (ref) text += " (" + FormatMilliseconds(delay / 1000) + " ms from pkt " + std::to_string(ref->FrameNo) + ")";
                if (head_.App == kAppPBurst) text += " requesting missing PBurst pkt(s)";
                add(std::move(text));
            }
        }
        if (head_.App == kAppTCP) AnnotateTcp(p, tcp, c, add);
        return notes;
    }

    // The frame number of the other direction's packet that a bare TCP
    // acknowledgement acknowledges; 0 when none of the last 20 is.
    int64_t AckedPacket(const TPacket& p, bool forward) const
    {
        int32_t other = forward ? lastReverse_ : lastForward_;
        for (int i = 0; i < kAckSearchDepth && other >= 0; ++i, other = PrevPacketOf(state_, other)) {
            const TPacket& o = PacketAt(state_, other);
            int payload = std::max(PacketPayload(o), 0);
            if (payload == 0 && (o.TCPFlags() & (kTcpSyn | kTcpFin))) payload = 1;
            if (int64_t{o.Seq} + payload == p.Ack) return o.FrameNo;
        }
        return 0;
    }

    // The maximum segment size a SYN offers; 0 when it offers none.
    uint16_t MssOf(int32_t index) const
    {
        const TcpOptionRecord* options = FindTcpOptions(state_, index);
        return options ? options->MSS : uint16_t{0};
    }

    // The SACK blocks of an acknowledgement, as "SACK=left-right,... ".
    std::string SackText(int32_t index, bool forward) const
    {
        const TcpOptionRecord* options = FindTcpOptions(state_, index);
        if (options == nullptr || options->SackBlockCount == 0) return {};
        std::string text = "SACK=";
        for (uint8_t b = 0; b < options->SackBlockCount; ++b)
            text += (b ? "," : "") + AckText(options->SackBlocks[b][0], forward) + "-" +
                    AckText(options->SackBlocks[b][1], forward);
        return text + " ";
    }

    // A TCP sequence number of the direction, and an acknowledgement number
    // (which counts the other direction's bytes), as the ladder prints them.
    std::string SeqText(double seq, bool forward) const
    {
        return relative_ ? RelativeSequence(seq, seqBase_[forward ? 0 : 1]) : WholeReal(seq);
    }
    std::string AckText(double ack, bool forward) const
    {
        return relative_ ? RelativeSequence(ack, ackBase_[forward ? 0 : 1]) : WholeReal(ack);
    }

    std::string Describe(int32_t index, const TPacket& p, bool forward, const TcpVerdict& tcp) const
    {
        const ApplicationCode app = head_.App;
        if (p.PacketFlags.Has(kPktGapMarker)) return "MISSING " + AppName(app) + " PACKET(S)";
        std::string text;
        if (app != kAppTCP && app != kAppSPX && app != kAppSPXII && app != kAppNetBIOS) {
            if (p.PacketFlags.Has(kPktRequest))
                text += "Cmd; ";
            else if (p.PacketFlags.Has(kPktReply))
                text += "Rep; ";
        }
        if (options_.DlcSummary) text += "DLC Len=" + std::to_string(p.Length) + "; ";
        if (options_.NetSummary) {
            if (ipSource_) text += "IP Len=" + std::to_string(p.NetLength) + " TTL=" + std::to_string(p.TTL) + "; ";
            if (ipv6Source_) text += "IPv6 Len=" + std::to_string(p.NetLength) + " Hop Limit=" + std::to_string(p.TTL) + "; ";
            if (ipxSource_) text += "IPX Len=" + std::to_string(p.NetLength) + " Hops=" + std::to_string(p.TTL) + "; ";
        }
        const int payload = PacketPayload(p);
        switch (app) {
        case kAppUDP: text += "UDP Len=" + std::to_string(payload) + "; "; break;
        case kAppTCP:
            text += "TCP ";
            if (payload >= 1) {
                text += "Seq=" + SeqText(p.Seq, forward) + " Len=" + std::to_string(payload) + " ";
            } else if (!(p.TCPFlags() & (kTcpFin | kTcpSyn | kTcpRst | kTcpPush | kTcpUrg))) {
                text += "Ack=" + AckText(p.Ack, forward) + " Seq=" + SeqText(p.Seq, forward) + " ";
                if (const int64_t acked = AckedPacket(p, forward); acked != 0) text += "(Pkt " + std::to_string(acked) + ") ";
            }
            if (p.TCPFlags() & kTcpFin) text += "FIN ";
            if (p.TCPFlags() & kTcpSyn) {
                text += "SYN ";
                if (const uint16_t mss = MssOf(index); mss != 0) text += "(MSS=" + std::to_string(mss) + ") ";
            }
            if (p.TCPFlags() & kTcpRst) text += "RST ";
            if (p.TCPFlags() & kTcpPush) text += "PSH ";
            if (p.TCPFlags() & kTcpUrg) text += "URG ";
            text += SackText(index, forward);
            text += "Win=" + std::to_string(tcp.Window) + "; ";
            break;
        case kAppNCP: text += "NCP Seq=" + WholeReal(p.Seq) + " "; break;
        case kAppSPX:
        case kAppSPXII:
        case kAppNetBIOS:
            text += app == kAppSPX ? "SPX" : app == kAppSPXII ? "SPXII" : "NetBIOS";
            text += (p.PacketFlags.Has(kPktRequest)) ? " Seq=" + WholeReal(p.Seq) : " Ack=" + WholeReal(p.Ack);
            text += " ";
            break;
        case kAppPBurst:
            text += "PBurst";
            text += (p.PacketFlags.Has(kPktRequest)) ? " Ack=" + WholeReal(p.Seq) : " Seq=" + WholeReal(p.Ack);
            text += " ";
            break;
        default: break;
        }
        return text;
    }

    // The network and transport fields of a packet for its whole description.
    std::string HeaderFields(int32_t index, const TPacket& p, bool forward, const TcpVerdict& tcp) const
    {
        std::string text;
        if (ipSource_)
            text = "; IP Len=" + std::to_string(p.NetLength) + " Header=" + std::to_string(p.IPHeaderLen()) +
                   " TTL=" + std::to_string(p.TTL);
        if (ipv6Source_) text = "; IPv6 Len=" + std::to_string(p.NetLength) + " Hop Limit=" + std::to_string(p.TTL);
        if (ipxSource_) text = "; IPX Len=" + std::to_string(p.NetLength) + " Hops=" + std::to_string(p.TTL);
        const ApplicationCode app = head_.App;
        const uint16_t from = forward ? head_.SrcPort : head_.DstPort, to = forward ? head_.DstPort : head_.SrcPort;
        const std::string ports = " Ports=" + std::to_string(from) + "->" + std::to_string(to);
        const int payload = PacketPayload(p);
        if (app == kAppTCP) {
            text += "; TCP" + ports + " Header=" + std::to_string(p.TransportHeaderLen()) + " Len=" + std::to_string(payload) +
                    " Seq=" + SeqText(p.Seq, forward) + " Ack=" + AckText(p.Ack, forward) + " Flags=";
            const std::pair<uint16_t, const char*> flags[] = {{kTcpFin, "FIN"},  {kTcpSyn, "SYN"}, {kTcpRst, "RST"},
                                                              {kTcpPush, "PSH"}, {kTcpAck, "ACK"}, {kTcpUrg, "URG"}};
            std::string set;
            for (const auto& [bit, name] : flags)
                if (p.TCPFlags() & bit) set += (set.empty() ? "" : ",") + std::string(name);
            text += (set.empty() ? "none" : set) + " Win=" + std::to_string(tcp.Window);
            if (const uint16_t mss = MssOf(index); mss != 0) text += " MSS=" + std::to_string(mss);
            const std::string sack = SackText(index, forward);
            if (!sack.empty()) text += " " + sack.substr(0, sack.size() - 1);
        } else if (app == kAppUDP) {
            text += "; UDP" + ports + " Len=" + std::to_string(payload);
        } else {
            text += "; " + AppName(app);
            if (p.PacketFlags.Has(kPktRequest)) text += " Cmd";
            if (p.PacketFlags.Has(kPktReply)) text += " Rep";
            if (app == kAppNCP || app == kAppSPX || app == kAppSPXII || app == kAppNetBIOS || app == kAppPBurst)
                text += " Seq=" + WholeReal(p.Seq) + " Ack=" + WholeReal(p.Ack);
        }
        return text;
    }

    // Everything the ladder knows of a packet, in one line.
    std::string DetailsOf(int32_t index, const TPacket& p, const LadderRow& row, const TcpVerdict& tcp) const
    {
        std::string text = row.Placeholder ? "Missing packet(s)" : "Frame " + std::to_string(p.FrameNo);
        text += ", " + row.TimeText + " (" + row.DeltaText + " s), " + std::to_string(p.Length) + " bytes, " +
                (row.Forward ? s_.SenderText + " -> " + s_.ResponderText : s_.ResponderText + " -> " + s_.SenderText);
        if (row.Placeholder) return text;
        text += HeaderFields(index, p, row.Forward, tcp);
        if (!row.Annotations.empty()) text += "; " + row.Annotations;
        return text;
    }

    LadderRow MakeRow(int32_t index, const TPacket& p, bool forward, double delta, const TcpVerdict& tcp,
                      const std::vector<std::string>& notes) const
    {
        LadderRow row;
        row.Y = curY_;
        row.Packet = index;
        row.Forward = forward;
        row.Placeholder = p.PacketFlags.Has(kPktGapMarker);
        row.FrameNo = p.FrameNo;
        row.Time = p.Time;
        row.ArrowLength = (p.Length + divisor_) / divisor_;
        row.TimeText = LadderTimeText(state_, p.Time);
        char seconds[64];
        const double deltaSeconds = std::isfinite(delta) ? std::clamp(delta, 0.0, 1e15) * 1e-6 : 0.0;
        std::snprintf(seconds, sizeof seconds, "+%.6f", deltaSeconds);
        row.DeltaText = seconds;
        row.Text = Describe(index, p, forward, tcp);
        const bool endsInSeparator = row.Text.size() >= 2 && row.Text.compare(row.Text.size() - 2, 2, "; ") == 0;
        if (!notes.empty()) {
            if (!endsInSeparator) row.Text += "; ";
            for (size_t i = 0; i < notes.size(); ++i) row.Annotations += (i ? ", " : "") + notes[i];
        } else if (endsInSeparator) {
            row.Text.resize(row.Text.size() - 2);
        }
        // A walk handing rows on (text lines, find) does not need the whole description.
        if (!visit_) row.Details = DetailsOf(index, p, row, tcp);
        return row;
    }

    void Draw(int32_t index, bool forward)
    {
        const TPacket& p = PacketAt(state_, index);
        if ((drawnBefore_ && p.Time < lastTime_) || p.FrameNo < s_.FirstFrameNo || p.FrameNo > s_.LastFrameNo) return;
        const double delta = drawnBefore_ ? p.Time - lastTime_ : 0;
        Advance(p.Time);
        drawnBefore_ = true;
        lastTime_ = p.Time;
        const int32_t ordinal = out_.RowCount++;
        if (rowIndex_) rowIndex_->push_back({curY_, index});
        const bool placeholder = p.PacketFlags.Has(kPktGapMarker);
        const TcpVerdict tcp = head_.App == kAppTCP ? tcp_.Next(state_, index, forward) : TcpVerdict{{}, 0, p.TypeWord};
        const std::vector<std::string> notes = placeholder ? std::vector<std::string>() : Annotate(index, p, forward, tcp);
        if (InBand(curY_) || visit_) {
            LadderRow row = MakeRow(index, p, forward, delta, tcp, notes);
            row.Ordinal = ordinal;
            if (visit_) {
                if (!(*visit_)(row)) stopped_ = true;
            } else {
                out_.Rows.push_back(std::move(row));
            }
        }
        (forward ? lastForward_ : lastReverse_) = index;
    }

    const AnalysisState& state_;
    const ToolboxSelection& s_;
    const ToolboxOptions& options_;
    int32_t top_, bottom_;
    LadderLayout& out_;
    const LadderRowVisitor* visit_;
    std::vector<LadderRowRef>* rowIndex_ = nullptr;
    bool stopped_ = false;
    TTransHead head_;
    int spacing_ = 10;
    int divisor_ = 16;
    bool ipSource_ = false, ipv6Source_ = false, ipxSource_ = false;
    int32_t curY_ = kLadderTopY;
    double lastTime_ = 0;
    bool drawnBefore_ = false;
    int32_t lastForward_ = -1, lastReverse_ = -1;
    TcpTracker tcp_;
    // The bases of the relative sequence numbers, [0] forward and [1] reverse.
    bool relative_ = false;
    double seqBase_[2] = {0, 0};
    double ackBase_[2] = {0, 0};
};

}  // namespace

LadderLayout LayOutLadder(const AnalysisState& state, const ToolboxSelection& selection, const ToolboxOptions& options,
                          int32_t bandTop, int32_t bandBottom, LadderCache* cache)
{
    LadderLayout out;
    if (!cache) {
        LadderBuilder(state, selection, options, bandTop, bandBottom, out).Run();
        return out;
    }
    const LadderCache key{true,
                          selection.SourceIndex,
                          selection.TargetIndex,
                          selection.AppIndex,
                          selection.FirstFrameNo,
                          selection.LastFrameNo,
                          options.DlcSummary,
                          options.NetSummary,
                          options.RelativeSeq,
                          options.SpacingMs,
                          options.ScaleDivisor,
                          &state,
                          state.PacketList.size(),
                          {},
                          {},
                          {}};
    const bool same = cache->Valid && cache->SourceIndex == key.SourceIndex && cache->TargetIndex == key.TargetIndex &&
                      cache->AppIndex == key.AppIndex && cache->FirstFrameNo == key.FirstFrameNo &&
                      cache->LastFrameNo == key.LastFrameNo && cache->DlcSummary == key.DlcSummary &&
                      cache->NetSummary == key.NetSummary && cache->RelativeSeq == key.RelativeSeq &&
                      cache->SpacingMs == key.SpacingMs &&
                      cache->ScaleDivisor == key.ScaleDivisor && cache->State == key.State &&
                      cache->Packets == key.Packets;
    if (!same) {
        *cache = key;
        LadderBuilder(state, selection, options, bandTop, bandBottom, out).Run(&cache->Checkpoints, &cache->Rows);
        cache->Totals = out;
        cache->Totals.Rows.clear();
        cache->Totals.Ticks.clear();
        cache->Totals.Labels.clear();
        cache->Totals.Breaks.clear();
        return out;
    }
    LadderLayout band;
    LadderBuilder(state, selection, options, bandTop, bandBottom, band).Resume(cache->Checkpoints);
    out = cache->Totals;
    out.Rows = std::move(band.Rows);
    out.Ticks = std::move(band.Ticks);
    out.Labels = std::move(band.Labels);
    out.Breaks = std::move(band.Breaks);
    return out;
}

std::vector<std::string> LadderTextLines(const AnalysisState& state, const ToolboxSelection& selection,
                                         const ToolboxOptions& options)
{
    LadderLayout out;
    std::vector<std::string> lines;
    double firstTime = 0;
    const LadderRowVisitor visit = [&](const LadderRow& row) {
        if (lines.empty()) firstTime = row.Time;
        char seconds[64];
        const double since = row.Time - firstTime;
        std::snprintf(seconds, sizeof seconds, "%.6f", std::isfinite(since) ? since * 1e-6 : 0.0);
        lines.push_back((row.Placeholder ? std::string("-") : std::to_string(row.FrameNo)) + "\t" + seconds + "\t" +
                        (row.Forward ? "->" : "<-") + "\t" + row.Text +
                        (row.Annotations.empty() ? "" : "\t" + row.Annotations));
        return true;
    };
    LadderBuilder(state, selection, options, 0, -1000, out, &visit).Run();  // an empty band: no ticks
    return lines;
}

int32_t LadderRowAt(const LadderCache& cache, int32_t y)
{
    // The first row whose band reaches down to y; rows lie top to bottom.
    const auto it = std::partition_point(cache.Rows.begin(), cache.Rows.end(),
                                         [y](const LadderRowRef& row) { return row.Y + 7 < y; });
    if (it == cache.Rows.end() || it->Y - 6 > y) return -1;
    return static_cast<int32_t>(it - cache.Rows.begin());
}

int32_t LadderRowOfFrame(const AnalysisState& state, const LadderCache& cache, int64_t frameNo)
{
    // Rows follow the trace's order, so their frame numbers only grow.
    const auto it = std::partition_point(cache.Rows.begin(), cache.Rows.end(), [&](const LadderRowRef& row) {
        return PacketAt(state, row.Packet).FrameNo < frameNo;
    });
    return it == cache.Rows.end() ? -1 : static_cast<int32_t>(it - cache.Rows.begin());
}

int32_t LadderPageFrom(const LadderCache& cache, int32_t row, int32_t pixels)
{
    const auto count = static_cast<int32_t>(cache.Rows.size());
    if (count == 0) return -1;
    row = std::clamp(row, 0, count - 1);
    const int64_t target = int64_t{cache.Rows[static_cast<size_t>(row)].Y} + pixels;
    const auto beyond = [&](const LadderRowRef& r) { return r.Y <= target; };
    int32_t to = 0;
    if (pixels >= 0) {
        const auto within = std::partition_point(cache.Rows.begin(), cache.Rows.end(), beyond);
        to = static_cast<int32_t>(within - cache.Rows.begin()) - 1;
        return std::clamp(std::max(to, row + 1), 0, count - 1);
    }
    to = static_cast<int32_t>(std::partition_point(cache.Rows.begin(), cache.Rows.end(),
                                                   [&](const LadderRowRef& r) { return r.Y < target; }) -
                              cache.Rows.begin());
    return std::clamp(std::min(to, row - 1), 0, count - 1);
}

namespace {

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

int32_t FindLadderText(const AnalysisState& state, const ToolboxSelection& selection, const ToolboxOptions& options,
                       const LadderCache& cache, int32_t after, const std::string& text)
{
    const auto count = static_cast<int32_t>(cache.Rows.size());
    if (text.empty() || count == 0) return -1;
    const std::string wanted = Lowered(text);
    // Two walks: from the row after `after` to the end, then from the top to `after`.
    const int32_t start = after + 1 >= count || after < 0 ? 0 : after + 1;
    const int32_t stops[2] = {count, start};
    int32_t found = -1;
    for (int pass = 0; pass < 2 && found < 0; ++pass) {
        const int32_t from = pass == 0 ? start : 0, to = stops[pass];
        if (from >= to) continue;
        const LadderRowVisitor visit = [&](const LadderRow& row) {
            if (row.Ordinal >= to) return false;
            if (row.Ordinal >= from && Lowered(row.Text + " " + row.Annotations).find(wanted) != std::string::npos) {
                found = row.Ordinal;
                return false;
            }
            return true;
        };
        LadderLayout out;
        LadderBuilder(state, selection, options, 0, -1000, out, &visit).ResumeAtRow(cache.Checkpoints, from);
    }
    return found;
}

std::string LadderTimeText(const AnalysisState& state, double frameTime)
{
    char text[64];
    if (const std::optional<CaptureMoment> moment = CaptureMomentOf(state, frameTime)) {
        int microsecond = 0;
        const CalendarTime time = CalendarFromUnixMicroseconds(moment->Microseconds, microsecond);
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06d", static_cast<int>(time.Hour), static_cast<int>(time.Minute),
                      static_cast<int>(time.Second), microsecond);
        return text;
    }
    const double seconds = (frameTime - state.Read.FirstFrameTime) * 1e-6;
    std::snprintf(text, sizeof text, "%.6f", std::isfinite(seconds) ? std::clamp(seconds, -1e12, 1e12) : 0.0);
    return text;
}

}  // namespace quenlix
