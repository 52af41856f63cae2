#include "ui/main/ClientServerContent.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/Chains.h"
#include "model/Naming.h"
#include "model/NumberFormat.h"
#include "model/StringHelpers.h"
#include "model/TcpAnalysis.h"
#include "ui/shared/DurationText.h"

namespace quenlix {

namespace {


constexpr std::size_t kIPKeyLength = NetworkAddressBytes(kNetworkIP);
constexpr std::size_t kIPv6KeyLength = NetworkAddressBytes(kNetworkIPv6);
constexpr std::size_t kIPXKeyLength = NetworkAddressBytes(kNetworkIPX);
constexpr int kMarkMinimumResponses = 4;
constexpr double kSlowResponseMs = 100.0;
constexpr double kBusyFactor = 10.0;
constexpr int kThroughputWindow = 4;
constexpr double kLowUseMin = 0.01;  // percent of the link, exclusive
constexpr double kLowUseMax = 10.0;  // inclusive
constexpr double kInefficientRatio = 1.5;
// More retransmitted TCP data segments than this share mark "G".
constexpr double kRetransmittedShare = 0.02;
const std::string kUnknownDLC = "UNKNOWN";
const std::string kNoData = "-";
const std::string kDLCCaptionPrefix = "DLC Source is ";

// The largest duration shown, in seconds; beyond it a damaged clock is at work.
constexpr double kMaxDurationSeconds = 1e12;


// Whole seconds covered, rounded to nearest (ties to even).
double RoundedSeconds(double microseconds)
{
    if (!std::isfinite(microseconds)) return 0;
    return std::clamp(std::nearbyint(microseconds * 0.000001), 0.0, kMaxDurationSeconds);
}

// The duration cell of whole seconds: "< 00:00:01" for none (under half a second).
void SetDurationCell(GridContent& grid, int row, double seconds)
{
    const auto whole = static_cast<int64_t>(seconds);
    grid.SetCell(kColDuration, row, seconds > 0 ? FormatDuration(whole) : kUnderOneSecond, GridValue::Duration(whole));
}

// A measurement to three decimals after a blank, as the figure columns show it.
void SetFigureCell(GridContent& grid, int col, int row, double value)
{
    grid.SetCell(col, row, " " + FormatFixed(value, 3), GridValue::Number(RoundToDecimals(value, 3)));
}

double AverageResponseMs(const TransactionAnalysis& q)
{
    return q.LatencySum / q.LatencyCount * 0.001;
}

bool CountsRepeats(ApplicationCode app)
{
    return app == kAppTCP || app == kAppNCP || app == kAppPBurst;
}

// Applications where a client that sends as much as it receives is inefficient.
// A list of its own: it is not the transaction analysis's list of timed
// applications (Ping is timed but not judged, SPX II judged but not timed).
bool JudgesEfficiency(ApplicationCode app)
{
    switch (app) {
    case kAppTCP:
    case kAppUDP:
    case kAppNCP:
    case kAppSPX:
    case kAppSPXII:
    case kAppNetBIOS:
    case kAppSMB:
    case kAppPBurst:
        return true;
    default:
        return false;
    }
}

// A station's name cell: the learned name with SmartNames, else its address.
GridCell NameCell(const AnalysisState& state, const ClientServerContent& content, const NetString& key)
{
    if (content.SmartNames) {
        std::string name = LookupName(state, key);
        if (!name.empty()) return TextCell(std::move(name));
    }
    return AddressCell(NetAddressText(state, key, content.ShowIPXOUI), NetAddressText(state, key, false), key.Data(),
                       key.Length);
}

// The last head of the server's chain that answers the client's head: same
// application, ports swapped.
int32_t LastAnsweringHead(const AnalysisState& state, int32_t serverPeer, const TTransHead& clientHead)
{
    int32_t found = -1;
    for (int32_t h = FirstTransHead(state, serverPeer); h >= 0; h = NextTransHead(state, h)) {
        const TTransHead& head = state.ObjectList.TransHead(h);
        if (head.App == clientHead.App && head.SrcPort == clientHead.DstPort && head.DstPort == clientHead.SrcPort)
            found = h;
    }
    return found;
}

void Mark(GridContent& grid, int col, int row)
{
    grid.SetCell(col, row, std::string(kServerMarkText));
}

// ---- one conversation row ---------------------------------------------------------

class ConversationRow {
public:
    ConversationRow(const AnalysisState& state, ClientServerContent& content, const NetNode& client, int32_t peer,
                    int32_t head)
        : s_(state), c_(content), q_(content.Query), grid_(content.ServerGrid), client_(client), peer_(peer),
          head_(head), app_(state.ObjectList.TransHead(head).App)
    {
    }

    void Add();

private:
    void RunLatency();
    void AddRow();
    void WriteConversationAndNames();
    void WriteLatencyCells();
    void RunThroughput();
    void WriteThroughputCells();
    void MarkRetransmitted();

    const AnalysisState& s_;
    ClientServerContent& c_;
    TransactionAnalysis& q_;
    GridContent& grid_;
    const NetNode& client_;
    const int32_t peer_;
    const int32_t head_;
    const ApplicationCode app_;
    int row_ = 0;
    double ratio_ = 0;
};

void ConversationRow::Add()
{
    RunLatency();
    if (q_.ReversePackets == 0) return;  // the server never answered
    ratio_ = static_cast<double>(q_.ReversePackets) / q_.ForwardPackets;
    AddRow();
    WriteConversationAndNames();
    WriteLatencyCells();
    RunThroughput();
    WriteThroughputCells();
    MarkRetransmitted();
}

// Marks a TCP conversation in which more than kRetransmittedShare of the data
// segments were retransmissions, counted by the sequence tracking over both
// directions in trace order.
void ConversationRow::MarkRetransmitted()
{
    if (app_ != kAppTCP) return;
    const TcpRetransmissionShare share = CountTcpRetransmissions(s_, head_, q_.ReverseApp);
    if (share.DataSegments > 0 && share.Retransmissions > kRetransmittedShare * share.DataSegments)
        Mark(grid_, kColRetransmitted, row_);
}

void ConversationRow::RunLatency()
{
    q_.MeasureLatency = true;
    q_.MeasureThroughput = false;
    q_.SelectedNetNode = &client_;
    q_.SelectedPeer = peer_;
    q_.SelectedApp = head_;
    q_.FirstFrameNo = 1;
    q_.LastFrameNo = s_.TotalFrames;
    q_.IncludeTransmissionTime = true;
    q_.SmallResponsesOnly = false;
    q_.LargeResponsesOnly = false;
    q_.NoReversePath = false;
    AnalyzeTransactions(s_, q_);
}

void ConversationRow::AddRow()
{
    c_.ServerRowCount += 1;
    row_ = c_.ServerRowCount;
    grid_.SetRowCount(c_.ServerRowCount + 1);
    grid_.ClearRow(row_);
}

void ConversationRow::WriteConversationAndNames()
{
    const NetNode* server = PeerNodeOf(s_, s_.ObjectList.NetPeer(peer_));
    const NetString& serverKey = PeerAddressOf(s_, s_.ObjectList.NetPeer(peer_));
    const StationNode* clientStation = StationOf(s_, client_);
    const StationNode* serverStation = server && server->NetFlags.Has(kFlagSender) ? StationOf(s_, *server) : nullptr;
    c_.Conversations.push_back({client_.Address, serverKey,
                                clientStation ? DLCAddressText(s_, *clientStation) : kUnknownDLC,
                                serverStation ? DLCAddressText(s_, *serverStation) : kUnknownDLC});
    grid_.SetRowTag(row_, static_cast<int32_t>(c_.Conversations.size()));
    UpdateServerGridNames(s_, c_, client_.Address, row_, serverKey);
    grid_.SetCell(kColApplication, row_, ServerApplicationText(s_.ObjectList.TransHead(head_)));
}

void ConversationRow::WriteLatencyCells()
{
    SetDurationCell(grid_, row_, RoundedSeconds(q_.ForwardElapsed));
    if (q_.LatencyCount > 0)
        SetFigureCell(grid_, kColResponseTime, row_, AverageResponseMs(q_));
    else
        grid_.SetCell(kColResponseTime, row_, kNoData, GridValue());
    grid_.SetCell(kColPackets, row_, CountCell(int64_t{q_.ForwardPackets} + q_.ReversePackets));
    grid_.SetCell(kColBytes, row_, CountCell(q_.ForwardBytes + q_.ReverseBytes));
    if (CountsRepeats(app_) && q_.RetransmitCount != 0)
        grid_.SetCell(kColRetransmits, row_, CountCell(q_.RetransmitCount));
    if (CountsRepeats(app_) && q_.PathDuplicateCount != 0)
        grid_.SetCell(kColPathDuplicates, row_, CountCell(q_.PathDuplicateCount));
    if (q_.LatencyCount >= kMarkMinimumResponses) {
        // The average as the cell shows it, to three decimals.
        const double shownAverage = std::nearbyint(AverageResponseMs(q_) * 1000) / 1000;
        if (shownAverage >= kSlowResponseMs) Mark(grid_, kColSlowResponse, row_);
        if (q_.LatencyMin * kBusyFactor < q_.LatencySum / q_.LatencyCount) Mark(grid_, kColBusy, row_);
    }
}

// Measures the server's packets to the client when the server answered on the
// swapped ports, else the client's own packets.
void ConversationRow::RunThroughput()
{
    q_.MeasureLatency = false;
    q_.MeasureThroughput = true;
    const TTransHead& head = s_.ObjectList.TransHead(head_);
    q_.ReverseNetNode = PeerNodeOf(s_, s_.ObjectList.NetPeer(peer_));
    q_.ReversePeer = q_.ReverseNetNode ? FindNetPeer(s_, *q_.ReverseNetNode, client_.Address) : -1;
    q_.ReverseApp = q_.ReversePeer >= 0 ? LastAnsweringHead(s_, q_.ReversePeer, head) : -1;
    if (q_.ReverseApp >= 0) {
        q_.SelectedNetNode = q_.ReverseNetNode;
        q_.SelectedPeer = q_.ReversePeer;
        q_.SelectedApp = q_.ReverseApp;
    }
    q_.WindowPackets = kThroughputWindow;
    q_.NoReversePath = false;
    AnalyzeTransactions(s_, q_);
    q_.MeasureLatency = false;
    q_.MeasureThroughput = false;
}

void ConversationRow::WriteThroughputCells()
{
    const double seconds = RoundedSeconds(q_.ForwardElapsed);
    SetDurationCell(grid_, row_, seconds);
    const bool enoughData = q_.ForwardPackets >= kThroughputWindow && seconds >= 1;
    if (!enoughData) {
        grid_.SetCell(kColThroughput, row_, kNoData, GridValue());
        return;
    }
    const double kilobytesPerSecond = q_.ThroughputBytes / (q_.ForwardElapsed * 0.000001) * 0.001;
    SetFigureCell(grid_, kColThroughput, row_, kilobytesPerSecond);
    if (s_.LinkBytesPerSecond <= 0) return;

    // The share of the link that the measured direction used, in percent.
    double bytes = static_cast<double>(q_.ForwardBytes);
    if (s_.Topology != kTopologyTokenRing) bytes += static_cast<double>(kEthernetFrameAllowance) * q_.ForwardPackets;
    const double use = bytes * 100 / s_.LinkBytesPerSecond / seconds;
    if (use > kLowUseMin && use <= kLowUseMax) {
        Mark(grid_, kColLowThroughput, row_);
        if (JudgesEfficiency(app_) && ratio_ < kInefficientRatio) Mark(grid_, kColInefficient, row_);
    }
}

bool StartsConversation(const AnalysisState& state, int32_t head)
{
    const int32_t first = FirstPacketOf(state, head);
    if (first < 0) return false;
    const PacketFlagSet flags = state.PacketList[static_cast<size_t>(first)].PacketFlags;
    return flags.Has(kPktRequest) && !flags.Has(kPktGroup);
}

// ---- the conversation query -------------------------------------------------------

std::string PlainNumber(int64_t value)
{
    return std::to_string(value);
}

std::string PlainNumber(double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : "0";
}

bool AddressMatches(const AnalysisState& state, const NetString& key, const std::string& text)
{
    if (text.empty()) return false;
    if (NetAddressText(state, key, false) == text || NetAddressText(state, key, true) == text) return true;
    // An IPv6 address also matches in any other spelling (leading zeros, upper case, "::" elsewhere).
    if (key.Length == kIPv6KeyLength) {
        const auto bytes = IPv6FromText(text);
        if (bytes && std::equal(bytes->begin(), bytes->end(), key.Data())) return true;
    }
    return LookupName(state, key) == text;
}

const NetNode* FindClientNode(const AnalysisState& state, const std::string& text)
{
    for (const auto& [key, node] : state.NetworkNodes)
        if ((node.NetFlags.Has(kFlagSender)) && AddressMatches(state, key, text)) return &node;
    return nullptr;
}

int32_t FindServerPeer(const AnalysisState& state, const NetNode& client, const std::string& text)
{
    for (int32_t p = FirstNetPeer(state, client); p >= 0; p = NextNetPeer(state, p))
        if (AddressMatches(state, PeerAddressOf(state, state.ObjectList.NetPeer(p)), text)) return p;
    return -1;
}

int32_t FindApplicationHead(const AnalysisState& state, int32_t peer, const std::string& text)
{
    for (int32_t h = FirstTransHead(state, peer); h >= 0; h = NextTransHead(state, h))
        if (ServerApplicationText(state.ObjectList.TransHead(h)) == text) return h;
    return -1;
}


}  // namespace

// ---- columns and legend -------------------------------------------------------------

const std::array<ServerGridColumnInfo, kServerGridColumns>& ServerGridColumns()
{
    using A = GridAlignment;
    static const std::array<ServerGridColumnInfo, kServerGridColumns> columns{{
        {"A", A::Centre,
         "Low Throughput: the server's traffic to the client used more than 0.01 % and at most 10 % of the link (at least 4 server packets over at least 1 second)", "A"},
        {"B", A::Centre,
         "Slow Response Time: at least 4 responses were timed and their average is 100 ms or more", "B"},
        {"C", A::Centre,
         "Busy Network or Server: at least 4 responses were timed and their average is more than ten times the fastest", "C"},
        {"D", A::Centre,
         "Inefficient Client: marked only with A, for TCP, UDP, NCP, SPX, SPXII, NetBIOS, SMB or PBurst, when the server sent fewer than 1.5 packets per client packet", "D"},
        {"E", A::Centre,
         "Number of the client's packets that were transport retransmissions (TCP, NCP and packet burst); empty when none", "E"},
        {"F", A::Centre,
         "Number of the client's packets seen again after passing back through the same router port (smaller TTL from another MAC address, or a higher IPX hop count); empty when none", "F"},
        {"G", A::Centre,
         "Retransmitted: more than 2 % of the TCP conversation's data segments (both directions) were sent again, whether or not their originals passed the capture point", "G"},
        {"Client", A::Left,
         "The station that sent the requests: its address, or with SmartNames the name learned from the traffic", "Client"},
        {"Server", A::Left,
         "The station that answered the requests: its address, or with SmartNames the name learned from the traffic", "Server"},
        {"Protocol/Application", A::Centre,
         "The application: TCP or UDP port, IPX socket with its NetWare application, or ICMP echo", "Application"},
        {"Packets", A::Right,
         "Packets of this conversation in both directions", "Packets"},
        {"Bytes", A::Right,
         "Bytes of this conversation's frames in both directions", "Bytes"},
        {"Duration", A::Right,
         "Time spanned by the server's packets to the client (hh:mm:ss)", "Duration"},
        {"Resp Time (ms)", A::Right,
         "Average time from a request to its response, in milliseconds; - when no response could be timed", "ResponseTimeMs"},
        {"Throughput*", A::Right,
         "Server-to-client throughput in Kbytes per second; - with fewer than 4 server packets or under one second", "Throughput"},
    }};
    return columns;
}

const std::array<std::vector<std::string>, 3>& ServerGridLegend()
{
    static const std::array<std::vector<std::string>, 3> legend{{
        {"A = Low Throughput", "B = Slow Response Time", "C = Busy Network or Server"},
        {"D = Inefficient Client", "E = # of Transport Retransmissions", "F = # of Pkts In/Out Same Router Port"},
        {"G = Over 2% Retransmitted", "* in Kbytes/Second from Server to client", "- = Insufficient Data"},
    }};
    return legend;
}

// ---- building the grid ----------------------------------------------------------------

void InitServerGrid(ClientServerContent& content)
{
    GridContent& grid = content.ServerGrid;
    content.ServerRowCount = 0;
    grid.SetRowCount(2);
    grid.SetColCount(kServerGridColumns);
    grid.SetFixedRows(1);
    grid.SetFixedCols(1);
    for (int col = 0; col < kServerGridColumns; ++col) {
        const ServerGridColumnInfo& info = ServerGridColumns()[static_cast<size_t>(col)];
        grid.SetCell(col, 0, info.Header);
        grid.SetAlignment(col, info.Alignment);
        grid.SetHeaderTip(col, info.Tip);
    }
    grid.ClearRow(1);
    grid.SetRowTag(1, 0);
    content.Conversations.clear();
    // New rows: a sort of the column sorted before must run again.
    grid.ForgetSort();
}

void UpdateServerGrid(const AnalysisState& state, ClientServerContent& content)
{
    content.ShowIPXOUIVisible = state.ProtocolStats[kFamilyIPX].Frames > 0;
    InitServerGrid(content);
    content.NoCSPackets = !TraceHasNetworkPackets(state);
    if (content.NoCSPackets) return;

    for (const auto& [address, client] : state.NetworkNodes) {
        for (int32_t peer = FirstNetPeer(state, client); peer >= 0; peer = NextNetPeer(state, peer)) {
            if (PeerAddressOf(state, state.ObjectList.NetPeer(peer)).Empty()) break;
            for (int32_t head = FirstTransHead(state, peer); head >= 0; head = NextTransHead(state, head))
                if (StartsConversation(state, head)) ConversationRow(state, content, client, peer, head).Add();
        }
    }
}

void UpdateServerGridNames(const AnalysisState& state, ClientServerContent& content, const NetString& clientKey,
                           int row, const NetString& serverKey)
{
    content.ServerGrid.SetCell(kColClient, row, NameCell(state, content, clientKey));
    content.ServerGrid.SetCell(kColServer, row, NameCell(state, content, serverKey));
}

const ServerGridConversation* ServerGridRowConversation(const ClientServerContent& content, int row)
{
    if (row < 1 || row > content.ServerRowCount) return nullptr;
    const int32_t number = content.ServerGrid.RowTag(row);
    if (number < 1 || static_cast<size_t>(number) > content.Conversations.size()) return nullptr;
    return &content.Conversations[static_cast<size_t>(number) - 1];
}

void SmartNamesClick(const AnalysisState& state, ClientServerContent& content)
{
    for (int row = 1; row <= content.ServerRowCount && row < content.ServerGrid.RowCount(); ++row)
        if (const ServerGridConversation* conversation = ServerGridRowConversation(content, row))
            UpdateServerGridNames(state, content, conversation->Client, row, conversation->Server);
    // The names changed: sorting them again must not be taken for a repeat.
    const int sorted = content.ServerGrid.SortedColumn();
    if (sorted == kColClient || sorted == kColServer) content.ServerGrid.ForgetSort();
}

// ---- commands ---------------------------------------------------------------------------

std::optional<ClientServerSelection> ServerGridClick(const AnalysisState& state, const ClientServerContent& content,
                                                     int row)
{
    const ServerGridConversation* conversation = ServerGridRowConversation(content, row);
    if (conversation == nullptr) return std::nullopt;
    const NetString& clientKey = conversation->Client;
    const NetString& serverKey = conversation->Server;
    ClientServerSelection selection;
    selection.SelectedClientText = NetAddressText(state, clientKey, false);
    selection.SelectedServerText = NetAddressText(state, serverKey, false);
    if (clientKey.Length == kIPXKeyLength) {
        selection.SelectedClientOUIText = NetAddressText(state, clientKey, true);
        selection.SelectedServerOUIText = NetAddressText(state, serverKey, true);
    }
    selection.SelectedApplicationText = content.ServerGrid.Cell(kColApplication, row);
    return selection;
}

std::optional<std::string> DLCAddressMenuCaption(const ClientServerContent& content, int col, int row)
{
    if (col != kColClient && col != kColServer) return std::nullopt;
    const ServerGridConversation* conversation = ServerGridRowConversation(content, row);
    if (conversation == nullptr) return kDLCCaptionPrefix;
    return kDLCCaptionPrefix + (col == kColClient ? conversation->ClientDLC : conversation->ServerDLC);
}

void SortServerGrid(ClientServerContent& content, int col, bool ascending)
{
    content.ServerGrid.SortByColumn(col, ascending);
    content.LastSortAscending = ascending;
}

void ServerGridDblClick(ClientServerContent& content, int col)
{
    SortServerGrid(content, col, content.LastSortAscending);
}

std::optional<std::string> CopyServerGrid(const ClientServerContent& content)
{
    return content.ServerGrid.CopyText();
}

void SelectAllServerGrid(ClientServerContent& content)
{
    content.ServerGrid.SelectAll();
}

// The findings shown as marks: "A" to "D" and "G" ("E" and "F" hold counts).
bool IsMarkColumn(int col)
{
    return (col >= kColLowThroughput && col <= kColInefficient) || col == kColRetransmitted;
}

bool IsServerMarkCell(int col, int row)
{
    return row >= 1 && IsMarkColumn(col);
}

GridContent ServerGridWithMarks(const ClientServerContent& content, std::string_view markText)
{
    GridContent grid = content.ServerGrid;
    for (int row = 1; row < grid.RowCount(); ++row)
        for (int col = 0; col < kServerGridColumns; ++col)
            if (IsMarkColumn(col) && grid.Cell(col, row) == kServerMarkText) grid.SetCell(col, row, std::string(markText));
    return grid;
}

// ---- shared texts -----------------------------------------------------------------------

std::string ServerApplicationText(const TTransHead& head)
{
    const std::string name = AppName(head.App);
    switch (head.App) {
    case kAppTCP:
    case kAppUDP:
        return name + "/" + PortName(head.SrcPort) + "<->" + PortName(head.DstPort);
    case kAppICMP:
        return name + " Echo (Ping)";
    case kAppICMPv6:
    case kAppIGMP:
    case kAppGGP:
    case kAppEGP:
    case kAppIGRP:
    case kAppUnknownIP:
        return name;
    default:
        if (head.App >= kFirstIPXApp && head.App <= kLastIPXApp)
            return "IPX (Socket " + FourHex(head.SrcPort) + "<->" + FourHex(head.DstPort) + ")/" + name;
        return {};
    }
}

std::string DLCAddressText(const AnalysisState& state, const StationNode& station)
{
    const std::string hex = MACToHex(station.Address.Data());
    const int vendor = VendorOf(state, station);
    if (vendor > 0 && vendor <= state.VendorCount)
        return state.VendorTable[static_cast<size_t>(vendor)].VendorName + hex.substr(6);
    return hex;
}

std::string NetAddressText(const AnalysisState& state, const NetString& key, bool ipxByVendor)
{
    if (key.Length == kIPKeyLength) return IPToText(key.Data());
    if (key.Length == kIPv6KeyLength) return IPv6ToText(key.Data());
    return IPXToText(state, key.Data(), false, ipxByVendor);
}

// ---- reports ----------------------------------------------------------------------------

std::vector<std::vector<std::string>> ServerTableTexts(const ClientServerContent& content, std::string_view markText)
{
    std::vector<std::vector<std::string>> rows = GridTexts(ServerGridWithMarks(content, markText), 0);
    rows.resize(std::min(rows.size(), static_cast<size_t>(std::max(content.ServerRowCount, 0)) + 1));
    return rows;
}

std::optional<int> ServerGridColumnFromText(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (!text.empty() && error == std::errc() && end == text.data() + text.size())
        return number >= 1 && number <= kServerGridColumns ? std::optional<int>(number - 1) : std::nullopt;
    const std::string wanted = Lower(std::string(text));
    for (int col = 0; col < kServerGridColumns; ++col)
        if (Lower(ServerGridColumns()[static_cast<size_t>(col)].Header) == wanted) return col;
    return std::nullopt;
}

namespace {

// Selects the conversation of the query in q (client as the originator, and the
// server's answering side); the reason for the user when it is not there.
std::string SelectConversation(const AnalysisState& state, const ConversationQuery& query, TransactionAnalysis& q)
{
    const NetNode* client = FindClientNode(state, query.Client);
    if (!client) return "No station that sent matches the client \"" + query.Client + "\".";
    const int32_t peer = FindServerPeer(state, *client, query.Server);
    if (peer < 0) return "The client never sent to the server \"" + query.Server + "\".";
    const int32_t head = FindApplicationHead(state, peer, query.Application);
    if (head < 0) return "The conversation has no application \"" + query.Application + "\".";

    q.SelectedNetNode = client;
    q.SelectedPeer = peer;
    q.SelectedApp = head;
    q.ReverseNetNode = PeerNodeOf(state, state.ObjectList.NetPeer(peer));
    q.ReversePeer = q.ReverseNetNode ? FindNetPeer(state, *q.ReverseNetNode, client->Address) : -1;
    q.ReverseApp = q.ReversePeer >= 0 ? LastAnsweringHead(state, q.ReversePeer, state.ObjectList.TransHead(head)) : -1;
    return {};
}

}  // namespace

ConversationQueryResult RunConversationQuery(const AnalysisState& state, const ConversationQuery& query)
{
    ConversationQueryResult result;
    TransactionAnalysis q;
    result.Error = SelectConversation(state, query, q);
    if (!result.Error.empty()) return result;
    q.MeasureLatency = !query.MeasureThroughput;
    q.MeasureThroughput = query.MeasureThroughput;
    q.FirstFrameNo = query.FirstFrameNo;
    q.LastFrameNo = query.LastFrameNo < 0 ? state.TotalFrames : query.LastFrameNo;
    q.WindowPackets = query.WindowPackets;
    q.SmallResponsesOnly = query.SmallResponsesOnly;
    q.LargeResponsesOnly = query.LargeResponsesOnly;
    q.IncludeTransmissionTime = query.IncludeTransmissionTime;
    AnalyzeTransactions(state, q);
    result.Fields = TransactionResultFields(q);
    return result;
}

std::vector<int64_t> ConversationFrameNumbers(const AnalysisState& state, const TransactionAnalysis& q)
{
    std::vector<int64_t> frames;
    if (q.SelectedApp < 0) return frames;
    int32_t forward = FirstPacketOf(state, q.SelectedApp);
    int32_t reverse = q.ReverseApp >= 0 ? FirstPacketOf(state, q.ReverseApp) : -1;
    WalkInTraceOrder(state, forward, reverse, [&](int32_t index, bool /*isForward*/) {
        const TPacket& packet = state.PacketList[static_cast<size_t>(index)];
        const bool inRange = packet.FrameNo >= q.FirstFrameNo && (q.LastFrameNo < 0 || packet.FrameNo <= q.LastFrameNo);
        if (!packet.PacketFlags.Has(kPktGapMarker) && inRange) frames.push_back(packet.FrameNo);
        return true;
    });
    // A frame that carries packets of both directions is one frame.
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

std::vector<int64_t> ConversationFrameNumbers(const AnalysisState& state, const ConversationQuery& query,
                                              std::string& error)
{
    TransactionAnalysis q;
    error = SelectConversation(state, query, q);
    if (!error.empty()) return {};
    q.FirstFrameNo = query.FirstFrameNo;
    q.LastFrameNo = query.LastFrameNo;
    return ConversationFrameNumbers(state, q);
}

std::vector<std::pair<std::string, std::string>> TransactionResultFields(const TransactionAnalysis& q)
{
    return {
        {"AnalysisResult", PlainNumber(int64_t{q.AnalysisResult})},
        {"ForwardPackets", PlainNumber(int64_t{q.ForwardPackets})},
        {"ForwardBytes", PlainNumber(q.ForwardBytes)},
        {"ReversePackets", PlainNumber(int64_t{q.ReversePackets})},
        {"ReverseBytes", PlainNumber(q.ReverseBytes)},
        {"LatencyMin", PlainNumber(q.LatencyMin)},
        {"LatencyMax", PlainNumber(q.LatencyMax)},
        {"LatencySum", PlainNumber(q.LatencySum)},
        {"LatencyCount", PlainNumber(int64_t{q.LatencyCount})},
        {"ForwardElapsed", PlainNumber(q.ForwardElapsed)},
        {"LastForwardTime", PlainNumber(q.LastForwardTime)},
        {"ThroughputPackets", PlainNumber(int64_t{q.ThroughputPackets})},
        {"ThroughputBytes", PlainNumber(q.ThroughputBytes)},
        {"SegmentBytes", PlainNumber(q.SegmentBytes)},
        {"ThroughputMin", PlainNumber(q.ThroughputMin)},
        {"ThroughputMax", PlainNumber(q.ThroughputMax)},
        {"PathDuplicateCount", PlainNumber(int64_t{q.PathDuplicateCount})},
        {"RetransmitCount", PlainNumber(int64_t{q.RetransmitCount})},
        {"NoReversePath", q.NoReversePath ? "1" : "0"},
    };
}

}  // namespace quenlix
