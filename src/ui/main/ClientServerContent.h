#pragma once
// The "Client/Server Expert" page: one grid row per client/server application
// conversation with the two stations, the application, packet and byte totals,
// duration, average response time, server-to-client throughput and the problem
// marks "A" to "F"; the conversation each row stands for, found by the row's tag
// wherever a sort put it, so that the name columns can be rewritten; the sort
// and copy commands of the page; and the selection it hands to the toolbox. Also
// the conversation query that the command-line report runs for scripted checks.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/AnalysisState.h"
#include "model/TransactionAnalysis.h"
#include "ui/controls/GridContent.h"

namespace quenlix {

constexpr int kServerGridColumns = 15;
// The mark of columns "A" to "D" and "G": the bullet of the Symbol font.
constexpr std::string_view kServerMarkText = "\xB7";
// The same mark as the bullet character in UTF-8, for displays and clipboards
// that do not use the Symbol font's encoding.
constexpr std::string_view kServerBulletText = "\xE2\x80\xA2";

enum ServerGridColumn : int {
    kColLowThroughput = 0,   // "A"
    kColSlowResponse = 1,    // "B"
    kColBusy = 2,            // "C"
    kColInefficient = 3,     // "D"
    kColRetransmits = 4,     // "E"
    kColPathDuplicates = 5,  // "F"
    kColRetransmitted = 6,   // "G"
    kColClient = 7,
    kColServer = 8,
    kColApplication = 9,
    kColPackets = 10,
    kColBytes = 11,
    kColDuration = 12,
    kColResponseTime = 13,
    kColThroughput = 14,
};

// The header's tool tip says what the column shows, or a finding's rule; the
// JSON key names the column in the JSON report's rows.
using ServerGridColumnInfo = GridColumn;

// The 15 columns in order.
const std::array<ServerGridColumnInfo, kServerGridColumns>& ServerGridColumns();

// The legend below the grid, memo by memo.
const std::array<std::vector<std::string>, 3>& ServerGridLegend();

// The caption of the panel that replaces the page when there is nothing to list.
constexpr std::string_view kNoCSPacketsCaption = "(No IP or IPX packets in trace file.)";

// What the page hands to the toolbox when a row is clicked.
struct ClientServerSelection {
    std::string SelectedClientText;
    std::string SelectedServerText;
    std::string SelectedClientOUIText;  // IPX in its vendor form; empty for IP
    std::string SelectedServerOUIText;
    std::string SelectedApplicationText;
};

// The stations of one conversation of the grid: what the name columns, the
// toolbox and the pop-up's DLC item need of a row besides its cells.
struct ServerGridConversation {
    NetString Client;  // the network address keys
    NetString Server;
    std::string ClientDLC;  // the DLC address texts, "UNKNOWN" when not known
    std::string ServerDLC;
};

struct ClientServerContent {
    GridContent ServerGrid{kServerGridColumns, 2};
    int32_t ServerRowCount = 0;  // rows written below the header
    // The conversations in the order their rows were written; a row's tag is
    // the number of its conversation here (1 for the first), 0 on the empty row.
    std::vector<ServerGridConversation> Conversations;
    bool NoCSPackets = false;    // the trace has neither IP nor IPX frames: show only the caption
    bool ShowIPXOUIVisible = false;  // the trace holds IPX frames
    // The check boxes; they keep their state across traces.
    bool SmartNames = false;
    bool ShowIPXOUI = false;
    // The direction that a double click repeats.
    bool LastSortAscending = true;
    // The transaction query as the last run left it.
    TransactionAnalysis Query;
};

// Clears the grid to its headers and forgets the conversations: 2 rows, 14
// columns, row 1 empty.
void InitServerGrid(ClientServerContent& content);

// Rebuilds the grid from the analysis: every conversation whose first packet is
// a request not sent to a group address, clients in network-tree order.
void UpdateServerGrid(const AnalysisState& state, ClientServerContent& content);

// Writes the client and server name columns of a row from the two address keys.
void UpdateServerGridNames(const AnalysisState& state, ClientServerContent& content, const NetString& clientKey,
                           int row, const NetString& serverKey);

// The conversation a row stands for, wherever a sort put the row; nothing for
// the header and the empty row.
const ServerGridConversation* ServerGridRowConversation(const ClientServerContent& content, int row);

// Rewrites the name columns of every row from its conversation's addresses,
// after SmartNames or ShowIPXOUI changed.
void SmartNamesClick(const AnalysisState& state, ClientServerContent& content);

// The selection of a row for the toolbox; nothing when the row holds no conversation.
std::optional<ClientServerSelection> ServerGridClick(const AnalysisState& state, const ClientServerContent& content,
                                                     int row);

// The caption of the pop-up's DLC address item for a right click on a cell, or
// nothing when the item is hidden (the cell is not a client or server name).
std::optional<std::string> DLCAddressMenuCaption(const ClientServerContent& content, int col, int row);

// The Sort Ascending / Sort Descending buttons: sorts on the column by its
// cells' values and remembers the direction. Rows move whole, with their tags.
void SortServerGrid(ClientServerContent& content, int col, bool ascending);

// A double click: repeats the last direction on the column.
void ServerGridDblClick(ClientServerContent& content, int col);

// The copy button and the Edit menu's Copy: the selection as tab-separated lines.
std::optional<std::string> CopyServerGrid(const ClientServerContent& content);

// Edit menu's Select All.
void SelectAllServerGrid(ClientServerContent& content);

// The grid as a display shows it: every cell, row tag, selection and sort state
// kept, with the marks of columns "A" to "D" below the header written as markText.
GridContent ServerGridWithMarks(const ClientServerContent& content, std::string_view markText = kServerBulletText);

// Whether a cell of the grid shows a mark column below the header (where the
// mark is drawn as a bullet).
bool IsServerMarkCell(int col, int row);

// ---- texts shared with other views ----

// The application text of a conversation head (column 8).
std::string ServerApplicationText(const TTransHead& head);

// A station's DLC address: the vendor name and the last six hexadecimal digits
// when the vendor is known, else the twelve digits.
std::string DLCAddressText(const AnalysisState& state, const StationNode& station);

// A network address as the page shows it without SmartNames: IP dotted, IPX in
// its plain or vendor form.
std::string NetAddressText(const AnalysisState& state, const NetString& key, bool ipxByVendor);

// ---- for reports ----

// The header and the rows of the visible columns, the marks written as markText
// (the raw mark is a Symbol-font character that text output cannot show).
std::vector<std::vector<std::string>> ServerTableTexts(const ClientServerContent& content,
                                                       std::string_view markText = kServerMarkText);

// A column by its number as the table and the report's usage count them (1 to 14)
// or its header text (any case); the column's index (0 to 13).
std::optional<int> ServerGridColumnFromText(std::string_view text);

struct ConversationQuery {
    std::string Client;       // address text (IP dotted, IPX plain or by vendor) or SmartName
    std::string Server;
    std::string Application;  // as column 8 shows it, e.g. "TCP/Port 34567<->Port 8080"
    int64_t FirstFrameNo = 1;
    int64_t LastFrameNo = -1;  // negative: the last frame of the trace
    bool MeasureThroughput = false;  // else latency
    uint16_t WindowPackets = 8;
    bool SmallResponsesOnly = false;
    bool LargeResponsesOnly = false;
    bool IncludeTransmissionTime = true;
};

struct ConversationQueryResult {
    std::string Error;  // empty when the conversation was found and analysed
    std::vector<std::pair<std::string, std::string>> Fields;  // every result field, by its name
};

// Finds the conversation (client as the originator) and runs the analysis on it.
ConversationQueryResult RunConversationQuery(const AnalysisState& state, const ConversationQuery& query);

// The frame numbers of the conversation's packets, both directions, within the
// query's frame range, in trace order; empty with the reason in error when the
// conversation is not there.
std::vector<int64_t> ConversationFrameNumbers(const AnalysisState& state, const ConversationQuery& query,
                                              std::string& error);
// The same of a selected conversation (SelectedApp, ReverseApp and the frame
// range of the query; a negative LastFrameNo is the end of the trace); empty
// when SelectedApp is -1.
std::vector<int64_t> ConversationFrameNumbers(const AnalysisState& state, const TransactionAnalysis& q);

// Every result field of an analysis as name and plain value ("." decimal point,
// no separators, shortest exact form for reals).
std::vector<std::pair<std::string, std::string>> TransactionResultFields(const TransactionAnalysis& analysis);

}  // namespace quenlix
