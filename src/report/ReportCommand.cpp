#include "report/ReportCommand.h"

#include "ui/analysis/AnalysisReportContent.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "import/TraceExport.h"
#include "import/TraceImport.h"
#include "model/VendorFile.h"
#include "report/ReportContent.h"
#include "ui/controls/GridJson.h"
#include "ui/shared/JsonWriter.h"
#include "report/StateDump.h"
#include "report/TextTable.h"
#include "ui/peermaps/PeerReportContent.h"

namespace quenlix {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// A list as the messages say it: "a, b and c".
std::string Listed(const std::vector<std::string>& items, const std::string& last)
{
    std::string text;
    for (std::size_t k = 0; k < items.size(); ++k)
        text += (k == 0 ? "" : k + 1 == items.size() ? " " + last + " " : ", ") + items[k];
    return text;
}

// The parts of a text between its separators ("a|b" -> "a", "b").
std::vector<std::string> Split(std::string_view text, char separator)
{
    std::vector<std::string> words;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        words.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// How many of the arguments after index i an option may take as its values: none
// that is another option, and not the last argument when no trace file has been
// given, because that one is the trace file ("--ethernet-speed FILE" lacks its speed).
size_t ValuesAvailable(const std::vector<std::string>& args, size_t i, bool fileGiven)
{
    size_t end = args.size();
    if (!fileGiven && end > i + 1) --end;
    size_t count = 0;
    while (i + 1 + count < end && args[i + 1 + count].compare(0, 2, "--") != 0) ++count;
    return count;
}

// The value of an option given as "--name value" or "--name=value"; advances i past it.
bool OptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name, bool fileGiven,
                 std::string& value, std::string& error)
{
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (ValuesAvailable(args, i, fileGiven) == 0) {
        error = "missing value for " + name;
        return false;
    }
    value = args[++i];
    return true;
}

bool TakeInteger(const std::string& option, const std::string& value, int64_t low, int64_t high, int64_t& out,
                 std::string& error)
{
    int64_t number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (ec != std::errc() || end != value.data() + value.size() || number < low || number > high) {
        error = option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        return false;
    }
    out = number;
    return true;
}

// "--sort COLUMN[:desc]", COLUMN a number or a header text of the client/server table.
bool TakeSort(const std::string& value, ReportOptions& options, std::string& error)
{
    std::string column = value;
    const std::size_t colon = value.rfind(':');
    if (colon != std::string::npos && (value.substr(colon + 1) == "desc" || value.substr(colon + 1) == "asc")) {
        options.SortDescending = value.substr(colon + 1) == "desc";
        column = value.substr(0, colon);
    }
    const std::optional<int> index = ServerGridColumnFromText(column);
    if (!index) {
        const std::string columns = "a column number from 1 to " + std::to_string(kServerGridColumns) + " or a header";
        error = column.empty() ? "--sort needs " + columns
                               : "--sort: no client/server column \"" + column + "\" (" + columns + ")";
        return false;
    }
    options.SortColumn = *index;
    return true;
}

bool CheckCombination(const ReportOptions& options, bool json, bool dump, std::string& error)
{
    if (json && dump) {
        error = "--json and --dump-state cannot be combined";
        return false;
    }
    if ((options.Network || options.Stations) && dump) {
        error = "--network and --stations cannot be combined with --dump-state";
        return false;
    }
    if (options.WithPackets && !dump) {
        error = "--packets needs --dump-state";
        return false;
    }
    if (options.FileName.empty()) {
        error = "no trace file given";
        return false;
    }
    if (!options.AddressTableDir.empty()) {
        std::error_code failure;
        if (!std::filesystem::is_directory(options.AddressTableDir, failure)) {
            error = "--address-table-dir: no folder " + options.AddressTableDir;
            return false;
        }
    }
    return true;
}

// ---- the table of options -----------------------------------------------------------

struct ReportOption;

// The runs of the program an option belongs to: the report, the analysis of one
// conversation, its ladder, the export of the trace.
enum RunKind : uint8_t { kRunReport = 1, kRunConversation = 2, kRunLadder = 4, kEveryRun = 7, kRunExport = 8 };

// What the options set while the arguments are read; checked together at the end.
struct ParsedArguments {
    // The options given, in their order.
    std::vector<const ReportOption*> Given;
    ReportOptions Options;
    bool Json = false;
    bool Dump = false;
    std::optional<ConversationQuery> Query;
    // The settings of the conversation query, given before or after --conversation
    // and applied to it once every argument is read.
    std::vector<std::function<void(ConversationQuery&)>> QuerySettings;
    bool Latency = false;
    bool Throughput = false;
    bool Export = false;
};

// An option as the arguments give it: its row of the table and its values, with
// the parse it sets and the error it may give.
struct GivenOption {
    const ReportOption& Option;
    const std::vector<std::string>& Values;
    ParsedArguments& Parsed;
    std::string& Error;
};

// One option of the command line: its name (and a short alias), the placeholder
// of its values in the usage text, one word per value (none for a switch; an
// option of one value also takes it as "--name=value"), its help lines (none for
// a setting of the conversation query, which the help of --conversation tells
// of) and what it sets.
struct ReportOption {
    std::string_view Name;
    std::string_view Alias;
    std::string_view Values;
    std::string_view Help;
    bool (*Take)(GivenOption& given);
    // The runs the option means something in; given with another run it is refused.
    uint8_t Runs = kEveryRun;

    std::size_t ValueCount() const { return Values.empty() ? 0 : Split(Values, ' ').size(); }
    bool IsConversationSetting() const { return Help.empty(); }
};

// A switch given: its flag set.
bool TurnOn(bool& flag)
{
    flag = true;
    return true;
}

// A value that must be one of the choices of the placeholder ("10|100").
bool TakeChoice(GivenOption& given, int32_t& out)
{
    const std::vector<std::string> choices = Split(given.Option.Values, '|');
    const std::string& value = given.Values[0];
    if (std::find(choices.begin(), choices.end(), value) != choices.end()) {
        out = std::stoi(value);
        return true;
    }
    given.Error = std::string(given.Option.Name) + " must be " + Listed(choices, "or");
    return false;
}

// --conversation and --ladder: the query of one conversation, with the settings
// given so far or later applied to it at the end. Only one of them runs.
bool TakeConversation(GivenOption& given)
{
    if (given.Parsed.Query) {
        given.Error = std::string(given.Parsed.Options.Ladder ? "--ladder" : "--conversation") + " and " +
                      std::string(given.Option.Name) + " cannot be combined";
        return false;
    }
    ConversationQuery& query = given.Parsed.Query.emplace();
    query.Client = given.Values[0];
    query.Server = given.Values[1];
    query.Application = given.Values[2];
    return true;
}

// A frame number or window size of the conversation query, set on it by `set`.
bool TakeQueryNumber(GivenOption& given, int64_t low, int64_t high, void (*set)(ConversationQuery&, int64_t))
{
    int64_t number = 0;
    if (!TakeInteger(std::string(given.Option.Name), given.Values[0], low, high, number, given.Error)) return false;
    given.Parsed.QuerySettings.emplace_back([set, number](ConversationQuery& query) { set(query, number); });
    return true;
}

// A switch of the conversation query.
bool TakeQuerySwitch(GivenOption& given, void (*set)(ConversationQuery&))
{
    given.Parsed.QuerySettings.emplace_back(set);
    return true;
}

// The options, in the order of the usage text.
constexpr ReportOption kReportOptions[] = {
    {"--json", "", "", "print the report as JSON", [](GivenOption& g) { return TurnOn(g.Parsed.Json); }},
    {"--dump-state", "", "", "print the whole analysis state as JSON",
     [](GivenOption& g) { return TurnOn(g.Parsed.Dump); }, kRunReport},
    {"--packets", "", "", "with --dump-state: list every packet of every conversation",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.WithPackets); }, kRunReport},
    {"--ethernet-speed", "", "10|100", "Ethernet speed in Mbit/s (default 10)",
     [](GivenOption& g) { return TakeChoice(g, g.Parsed.Options.EthernetSpeed); }},
    {"--token-ring-speed", "", "4|16", "Token Ring speed in Mbit/s (default 16)",
     [](GivenOption& g) { return TakeChoice(g, g.Parsed.Options.TokenRingSpeed); }},
    {"--address-table-dir", "", "DIR", "folder of the Observer local address tables",
     [](GivenOption& g) {
         g.Parsed.Options.AddressTableDir = g.Values[0];
         return true;
     }},
    {"--tcp-data-response", "", "",
     "TCP response times from a request carrying data to the\n"
     "first data of its answer",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.TcpDataResponse); }},
    {"--utc", "", "",
     "capture start and end: read a trace's local time without\n"
     "a zone as UTC",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.Utc); }, kEveryRun | kRunExport},
    {"--smart-names", "", "",
     "client/server, network and station tables: names instead\n"
     "of addresses where known",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.SmartNames); }, kRunReport},
    {"--ipx-oui", "", "",
     "client/server and network tables: IPX nodes by manufacturer;\n"
     "station table: stations by manufacturer",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.IpxOui); }, kRunReport},
    {"--network", "", "", "add the network statistics table (every IP, IPv6 and IPX sender)",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.Network); }, kRunReport},
    {"--stations", "", "", "add the station statistics table (every MAC sender)",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.Stations); }, kRunReport},
    {"--sort", "", "COLUMN[:desc]", "client/server table: sort by a column (its number,\n"
     "counted from 1, or its header)",
     [](GivenOption& g) { return TakeSort(g.Values[0], g.Parsed.Options, g.Error); }, kRunReport},
    {"--ladder", "", "CLIENT SERVER APPLICATION",
     "print the conversation's packets one line each (frame, time,\n"
     "direction, description, problems), tab-separated; takes --from, --to",
     [](GivenOption& g) {
         if (!TakeConversation(g)) return false;
         g.Parsed.Options.Ladder = true;
         return true;
     },
     kRunLadder},
    {"--conversation", "", "CLIENT SERVER APPLICATION",
     "analyse one conversation and print every result field;\n"
     "with --from N --to M, --latency|--throughput, --window N,\n"
     "--small|--large, --exclude-transmission-time",
     TakeConversation, kRunConversation | kRunExport},
    {"--export", "", "OUT",
     "write the trace's frames to OUT as pcapng instead of the\n"
     "report; with --from N --to M and --conversation, only those",
     [](GivenOption& g) {
         g.Parsed.Options.ExportPath = g.Values[0];
         return TurnOn(g.Parsed.Export);
     },
     kRunExport},
    {"--force", "", "", "with --export: replace OUT when it exists",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.Force); }, kRunExport},
    {"--from", "", "N", "",
     [](GivenOption& g) {
         return TakeQueryNumber(g, 1, kMaxFrameNumber, [](ConversationQuery& q, int64_t n) { q.FirstFrameNo = n; });
     },
     kRunConversation | kRunLadder | kRunExport},
    {"--to", "", "N", "",
     [](GivenOption& g) {
         return TakeQueryNumber(g, 1, kMaxFrameNumber, [](ConversationQuery& q, int64_t n) { q.LastFrameNo = n; });
     },
     kRunConversation | kRunLadder | kRunExport},
    {"--window", "", "N", "",
     [](GivenOption& g) {
         return TakeQueryNumber(g, 4, 20,
                                [](ConversationQuery& q, int64_t n) { q.WindowPackets = static_cast<uint16_t>(n); });
     },
     kRunConversation},
    {"--latency", "", "", "",
     [](GivenOption& g) {
         g.Parsed.Latency = true;
         return TakeQuerySwitch(g, [](ConversationQuery& q) { q.MeasureThroughput = false; });
     },
     kRunConversation},
    {"--throughput", "", "", "",
     [](GivenOption& g) {
         g.Parsed.Throughput = true;
         return TakeQuerySwitch(g, [](ConversationQuery& q) { q.MeasureThroughput = true; });
     },
     kRunConversation},
    {"--small", "", "", "",
     [](GivenOption& g) { return TakeQuerySwitch(g, [](ConversationQuery& q) { q.SmallResponsesOnly = true; }); },
     kRunConversation},
    {"--large", "", "", "",
     [](GivenOption& g) { return TakeQuerySwitch(g, [](ConversationQuery& q) { q.LargeResponsesOnly = true; }); },
     kRunConversation},
    {"--exclude-transmission-time", "", "", "",
     [](GivenOption& g) {
         return TakeQuerySwitch(g, [](ConversationQuery& q) { q.IncludeTransmissionTime = false; });
     },
     kRunConversation},
    {"--absolute-seq", "", "",
     "with --ladder: TCP sequence and acknowledgement numbers as\n"
     "the trace holds them, not counted from each direction's first",
     [](GivenOption& g) { return TurnOn(g.Parsed.Options.AbsoluteSeq); }, kRunLadder},
    {"--help", "-h", "", "print this text", [](GivenOption& g) { return TurnOn(g.Parsed.Options.Help); }},
};

// The option an argument names: by its name or alias, or as "--name=value".
const ReportOption* FindOption(const std::string& arg)
{
    for (const ReportOption& option : kReportOptions) {
        const bool joinedValue = option.ValueCount() == 1 && arg.size() > option.Name.size() &&
                                 arg.compare(0, option.Name.size(), option.Name) == 0 && arg[option.Name.size()] == '=';
        if (arg == option.Name || (!option.Alias.empty() && arg == option.Alias) || joinedValue) return &option;
    }
    return nullptr;
}

// The values of the option at args[i]; advances i past them.
bool OptionValues(const std::vector<std::string>& args, size_t& i, const ReportOption& option, bool fileGiven,
                  std::vector<std::string>& values, std::string& error)
{
    const std::string name(option.Name);
    const std::size_t wanted = option.ValueCount();
    if (wanted == 0) return true;
    if (wanted == 1) return OptionValue(args, i, name, fileGiven, values.emplace_back(), error);
    if (const size_t given = ValuesAvailable(args, i, fileGiven); given < wanted) {
        const std::vector<std::string> words = Split(option.Values, ' ');
        std::string missing;
        for (size_t k = given; k < wanted; ++k) missing += (missing.empty() ? "" : " ") + words[k];
        error = name + " needs " + std::string(option.Values) + ": missing " + missing;
        return false;
    }
    values.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                  args.begin() + static_cast<std::ptrdiff_t>(i + 1 + wanted));
    i += wanted;
    return true;
}

// The option at args[i] with its values; advances i past them.
bool TakeArgumentOption(const std::vector<std::string>& args, size_t& i, bool fileGiven, ParsedArguments& parsed,
                        std::string& error)
{
    const ReportOption* option = FindOption(args[i]);
    if (option == nullptr) {
        error = "unknown option " + args[i];
        return false;
    }
    // A value given twice would silently lose one of the two.
    if (option->ValueCount() > 0 &&
        std::find(parsed.Given.begin(), parsed.Given.end(), option) != parsed.Given.end()) {
        error = std::string(option->Name) + " given twice";
        return false;
    }
    std::vector<std::string> values;
    if (!OptionValues(args, i, *option, fileGiven, values, error)) return false;
    GivenOption given{*option, values, parsed, error};
    if (!option->Take(given)) return false;
    parsed.Given.push_back(option);
    return true;
}

// "--from, --to, ... and --exclude-transmission-time": the settings of the conversation query.
std::string ConversationSettingNames()
{
    std::vector<std::string> names;
    for (const ReportOption& option : kReportOptions)
        if (option.IsConversationSetting()) names.emplace_back(option.Name);
    return Listed(names, "and");
}

// Applies the settings to the conversation query and checks them together. An
// export takes its frame range from them, with or without a conversation.
bool FinishConversation(ParsedArguments& parsed, std::string& error)
{
    if (!parsed.Query && !parsed.Export) {
        if (parsed.QuerySettings.empty()) return true;
        error = ConversationSettingNames() + " need --conversation";
        return false;
    }
    ConversationQuery range;
    ConversationQuery& query = parsed.Query ? *parsed.Query : range;
    for (const auto& set : parsed.QuerySettings) set(query);
    if (query.SmallResponsesOnly && query.LargeResponsesOnly) {
        error = "--small and --large cannot be combined";
        return false;
    }
    if (parsed.Latency && parsed.Throughput) {
        error = "--latency and --throughput cannot be combined";
        return false;
    }
    if (query.FirstFrameNo > 0 && query.LastFrameNo > 0 && query.FirstFrameNo > query.LastFrameNo) {
        error = "--from " + std::to_string(query.FirstFrameNo) + " lies after --to " +
                std::to_string(query.LastFrameNo);
        return false;
    }
    parsed.Options.ExportFirstFrameNo = query.FirstFrameNo;
    parsed.Options.ExportLastFrameNo = query.LastFrameNo;
    if (parsed.Query) parsed.Options.Conversation = query;
    return true;
}

// Refuses an option that the run asked for would ignore: "--ladder and --latency
// cannot be combined". The settings of a conversation given without one are left
// to FinishConversation, which names them all.
bool CheckRun(const ParsedArguments& parsed, std::string& error)
{
    if (!parsed.Query && !parsed.Export) {
        // An option of the export alone means nothing to the report.
        for (const ReportOption* option : parsed.Given) {
            if (option->Runs != kRunExport) continue;
            error = std::string(option->Name) + " needs --export";
            return false;
        }
        return true;
    }
    const RunKind run = parsed.Export ? kRunExport : parsed.Options.Ladder ? kRunLadder : kRunConversation;
    const char* runName = run == kRunExport ? "--export" : run == kRunLadder ? "--ladder" : "--conversation";
    for (const ReportOption* option : parsed.Given) {
        if ((option->Runs & run) != 0) continue;
        error = std::string(runName) + " and " + std::string(option->Name) + " cannot be combined";
        return false;
    }
    return true;
}

// The usage lines of one option: its name and values, and its help from column 28
// (from the next line on when the name and values leave no room).
std::string UsageLines(const ReportOption& option)
{
    constexpr std::size_t kHelpColumn = 28;
    std::string lead = "  " + std::string(option.Name);
    if (!option.Values.empty()) lead += " " + std::string(option.Values);
    const std::string indent(kHelpColumn, ' ');
    std::string lines = lead.size() + 2 > kHelpColumn ? lead + "\n" + indent : lead + indent.substr(lead.size());
    const std::vector<std::string> help = Split(option.Help, '\n');
    for (std::size_t k = 0; k < help.size(); ++k) lines += (k == 0 ? "" : "\n" + indent) + help[k];
    return lines + "\n";
}

// Messages go to standard error, which often shares the terminal or file with the
// buffered report: what the report holds goes out first, so that a message never
// lands in the middle of a report line.
std::ostream& AfterReport(std::ostream& out, std::ostream& err)
{
    out.flush();
    return err;
}

}  // namespace

std::optional<ReportOptions> ParseReportArguments(const std::vector<std::string>& args, std::string& error)
{
    ParsedArguments parsed;
    bool filesOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool fileGiven = filesOnly || !parsed.Options.FileName.empty();
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!parsed.Options.FileName.empty()) {
                error = "only one trace file can be given";
                return std::nullopt;
            }
            parsed.Options.FileName = arg;
        } else if (arg == "--") {
            filesOnly = true;
        } else if (!TakeArgumentOption(args, i, fileGiven, parsed, error)) {
            return std::nullopt;
        }
    }
    ReportOptions& options = parsed.Options;
    if (options.Help) return options;
    if (!CheckRun(parsed, error) || !CheckCombination(options, parsed.Json, parsed.Dump, error) ||
        !FinishConversation(parsed, error))
        return std::nullopt;
    options.Mode = parsed.Dump ? ReportMode::DumpState : parsed.Json ? ReportMode::Json : ReportMode::Text;
    return options;
}

std::string ReportUsage()
{
    std::string usage = "usage: quenlix-report [options] FILE\n"
                        "Reads a LAN analyser trace file and prints its file summary, DLC error analysis,\n"
                        "client/server table and protocol table.\n"
                        "\n"
                        "options:\n";
    for (const ReportOption& option : kReportOptions)
        if (!option.Help.empty()) usage += UsageLines(option);
    return usage + "\n"
                   "exit status: 0 complete read, 1 read ended early on an error (partial analysis printed),\n"
                   "2 nothing could be read or usage error; with --export: 1 also when OUT could not be\n"
                   "written\n";
}

// ---- the host ---------------------------------------------------------------------

ReportHost::ReportHost(AnalysisState& state, std::ostream& out, std::ostream& err, bool showProgress)
    : state_(state), out_(out), err_(err), showProgress_(showProgress)
{
}

void ReportHost::PumpEvents()
{
    if (!showProgress_ || !reading_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < kProgressInterval) return;
    lastDraw_ = now;
    progress_.Tick(state_, false);
    DrawProgress();
}

void ReportHost::ShowMessage(MessageIcon /*icon*/, const std::string& /*title*/, const std::string& text)
{
    ClearProgressLine();
    AfterReport(out_, err_) << text << '\n';
    err_.flush();
    ++messageCount_;
}

void ReportHost::ReadStarted(const AnalysisState& /*state*/)
{
    reading_ = true;
    progress_.Begin(state_.Read.TraceFileName);
    lastDraw_ = std::chrono::steady_clock::now();
    if (showProgress_) DrawProgress();
}

void ReportHost::ReadFinished(const AnalysisState& /*state*/)
{
    // The tick after the end of the read writes the trace's duration text.
    progress_.Tick(state_, false);
    reading_ = false;
    // The report follows on the terminal: leave no progress line behind.
    ClearProgressLine();
}

std::string ReportHost::ProgressLine() const
{
    const ReadProgressTexts& texts = progress_.Texts();
    return texts.FrameCountLabel + " " + texts.FrameCount + "  " + texts.DurationLabel + " " + texts.Duration +
           "  " + texts.PercentComplete;
}

void ReportHost::DrawProgress()
{
    const std::string line = ProgressLine();
    AfterReport(out_, err_) << '\r' << line;
    if (line.size() < progressWidth_) err_ << std::string(progressWidth_ - line.size(), ' ');
    err_.flush();
    progressWidth_ = std::max(progressWidth_, line.size());
}

void ReportHost::ClearProgressLine()
{
    if (progressWidth_ == 0) return;
    AfterReport(out_, err_) << '\r' << std::string(progressWidth_, ' ') << '\r';
    err_.flush();
    progressWidth_ = 0;
}

// ---- the run ----------------------------------------------------------------------

namespace {

// The marks of the client/server table as printable text (the grid's bullet is
// not a character of any text encoding the report writes).
constexpr std::string_view kReportMarkText = "*";

ClientServerContent BuildClientServer(const AnalysisState& state, const ReportOptions& options)
{
    ClientServerContent content;
    content.SmartNames = options.SmartNames;
    content.ShowIPXOUI = options.IpxOui;
    InitServerGrid(content);
    UpdateServerGrid(state, content);
    if (options.SortColumn >= 0) SortServerGrid(content, options.SortColumn, !options.SortDescending);
    return content;
}

std::string ClientServerText(const ClientServerContent& content)
{
    std::string text = "\nClient/Server Expert\n";
    if (content.NoCSPackets) return text + std::string(kNoCSPacketsCaption) + "\n";
    const auto rows = ServerTableTexts(content, kReportMarkText);
    // Every cell left-aligned, unlike the grid: the report lines up addresses and names.
    TextTable table(std::vector<GridAlignment>(rows.empty() ? 0 : rows.front().size(), GridAlignment::Left), "");
    for (const auto& row : rows) table.AddRow(row);
    return text + table.Render();
}

// The report's JSON object with the client/server table added as its last member:
// one object per conversation, typed (see GridJsonCells::Values).
std::string WithClientServerJson(std::string report, const ClientServerContent& content)
{
    JsonWriter table;
    const int lastRow = content.NoCSPackets ? 0 : content.ServerRowCount;
    GridRowsJson(table, ServerGridWithMarks(content, kReportMarkText), GridJsonKeys(ServerGridColumns()), 1, lastRow,
                 GridJsonCells::Values);
    std::string array = table.Text();
    while (!array.empty() && array.back() == '\n') array.pop_back();
    const std::size_t close = report.find_last_of('}');
    if (close == std::string::npos) return report;
    return report.substr(0, close) + ",\n  \"ClientServer\": " + array + "\n}\n";
}

void PrintConversation(const AnalysisState& state, const ReportOptions& options, std::ostream& out,
                       std::ostream& err, bool& failed)
{
    if (options.Ladder) {
        const ConversationAnalysisReport ladder =
            BuildConversationAnalysis(state, *options.Conversation, true, !options.AbsoluteSeq);
        if (!ladder.Error.empty()) {
            AfterReport(out, err) << ladder.Error << '\n';
            failed = true;
            return;
        }
        if (options.Mode == ReportMode::Json) {
            JsonWriter json;
            json.BeginArray();
            for (const std::string& line : ladder.LadderLines) json.String(line);
            json.EndArray();
            out << json.Text();
        } else {
            for (const std::string& line : ladder.LadderLines) out << line << '\n';
        }
        return;
    }
    ConversationQueryResult result = RunConversationQuery(state, *options.Conversation);
    if (!result.Error.empty()) {
        AfterReport(out, err) << result.Error << '\n';
        failed = true;
        return;
    }
    // The windows' figures follow the analysis fields, when the toolbox finds the conversation by its texts.
    const ConversationAnalysisReport windows = BuildConversationAnalysis(state, *options.Conversation, false);
    result.Fields.insert(result.Fields.end(), windows.Fields.begin(), windows.Fields.end());
    if (options.Mode == ReportMode::Json) {
        JsonWriter json;
        json.BeginObject();
        for (const auto& [name, value] : result.Fields) json.Field(name, value);
        json.EndObject();
        out << json.Text();
    } else {
        for (const auto& [name, value] : result.Fields) out << name << ": " << value << '\n';
    }
}

// The report's JSON object with one more member added last.
std::string WithMember(std::string report, const std::string& name, const std::string& value)
{
    const std::size_t close = report.find_last_of('}');
    if (close == std::string::npos) return report;
    std::string body = report.substr(0, close);
    while (!body.empty() && (body.back() == '\n' || body.back() == ' ')) body.pop_back();
    return body + ",\n  \"" + name + "\": " + value + "\n}\n";
}

void PrintReport(AnalysisState& state, const ReportOptions& options, std::ostream& out)
{
    const PeerReportOptions peers{options.SmartNames, options.IpxOui};
    switch (options.Mode) {
    case ReportMode::Text:
        out << ReportText(state) << ClientServerText(BuildClientServer(state, options));
        if (options.Network) WriteNetworkStatistics(out, state, peers);
        if (options.Stations) WriteStationStatistics(out, state, peers);
        break;
    case ReportMode::Json: {
        std::string report = WithClientServerJson(ReportJson(state), BuildClientServer(state, options));
        if (options.Network) report = WithMember(report, "Network", NetworkStatisticsJson(state, peers));
        if (options.Stations) report = WithMember(report, "Stations", StationStatisticsJson(state, peers));
        out << report;
        break;
    }
    case ReportMode::DumpState: out << StateDumpJson(state, {options.WithPackets}); break;
    }
    out.flush();
}

// --export: the frames chosen written as pcapng. A conversation's frames are known
// only from the analysis, so the trace is read once for it before the export
// reads it again.
int RunExport(AnalysisState& state, const ReportOptions& options, ReportHost& host, std::ostream& out,
              std::ostream& err)
{
    ExportRequest request;
    request.TraceFileName = options.FileName;
    request.OutputPath = options.ExportPath;
    request.Force = options.Force;
    request.Options = state.Options;
    request.FirstFrameNo = options.ExportFirstFrameNo;
    request.LastFrameNo = options.ExportLastFrameNo;
    if (options.Conversation) {
        if (OpenTraceFile(state, options.FileName, host) != OpenOutcome::Read) return kExitNothingRead;
        std::string error;
        request.FrameNumbers = ConversationFrameNumbers(state, *options.Conversation, error);
        if (!error.empty()) {
            AfterReport(out, err) << error << '\n';
            return kExitNothingRead;
        }
    }
    const ExportOutcome outcome = ExportTrace(request, host);
    if (!outcome.Ok()) {
        AfterReport(out, err) << ExportOutcomeText(outcome, options.ExportPath) << '\n';
        return outcome.TraceRefused ? kExitNothingRead : kExitPartial;
    }
    out << ExportOutcomeText(outcome, options.ExportPath) << '\n';
    out.flush();
    return outcome.Partial ? kExitPartial : kExitComplete;
}

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const ReportEnvironment& environment)
{
    std::string error;
    const std::optional<ReportOptions> options = ParseReportArguments(args, error);
    if (!options) {
        AfterReport(out, err) << "quenlix-report: " << error << '\n' << ReportUsage();
        return kExitNothingRead;
    }
    if (options->Help) {
        out << ReportUsage();
        return kExitComplete;
    }

    // The state holds fixed tables of some hundred kilobytes: keep it off the stack.
    auto state = std::make_unique<AnalysisState>();
    ReportHost host(*state, out, err, environment.ShowProgress);
    state->Options.EthernetSpeed = options->EthernetSpeed;
    state->Options.TokenRingSpeed = options->TokenRingSpeed;
    state->Options.TcpDataResponse = options->TcpDataResponse ? 1 : 0;
    state->Options.LocalCaptureTimesAsUtc = options->Utc ? 1 : 0;
    if (!options->AddressTableDir.empty()) state->Options.AddressTableFolder = options->AddressTableDir;
    // A missing vendor file is only a warning, which the host has shown: the report goes on without vendors.
    static_cast<void>(LoadVendorTable(*state, environment.ProgramFolder, host));
    if (!options->ExportPath.empty()) return RunExport(*state, *options, host, out, err);
    if (OpenTraceFile(*state, options->FileName, host) != OpenOutcome::Read) return kExitNothingRead;
    // The read itself says how it ended; a message alone (clipped frames) does not make it partial.
    const bool endedOnError = ReadEndOf(*state) != ReadEnd::Complete;

    if (options->Conversation) {
        bool failed = false;
        PrintConversation(*state, *options, out, err, failed);
        if (failed) return kExitNothingRead;
    } else {
        PrintReport(*state, *options, out);
    }
    return endedOnError ? kExitPartial : kExitComplete;
}

}  // namespace quenlix
