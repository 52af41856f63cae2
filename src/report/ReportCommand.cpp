#include "report/ReportCommand.h"

#include "ui/analysis/AnalysisReportContent.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "import/TraceImport.h"
#include "model/VendorFile.h"
#include "report/ReportContent.h"
#include "report/GridJson.h"
#include "report/JsonWriter.h"
#include "report/StateDump.h"
#include "report/TextTable.h"
#include "ui/peermaps/PeerReportContent.h"

namespace quenlix {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

bool TakeSpeed(const std::string& option, const std::string& value, int32_t first, int32_t second, int32_t& speed,
               std::string& error)
{
    if (value == std::to_string(first) || value == std::to_string(second)) {
        speed = std::stoi(value);
        return true;
    }
    error = option + " must be " + std::to_string(first) + " or " + std::to_string(second);
    return false;
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

bool TakeInteger(const std::string& option, const std::string& value, int32_t low, int32_t high, int32_t& out,
                 std::string& error)
{
    int32_t number = 0;
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
        error = "--sort: no client/server column " + column;
        return false;
    }
    options.SortColumn = *index;
    return true;
}

bool IsOption(const std::string& arg, const std::string& name)
{
    return arg == name || arg.compare(0, name.size() + 1, name + "=") == 0;
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

}  // namespace

std::optional<ReportOptions> ParseReportArguments(const std::vector<std::string>& args, std::string& error)
{
    ReportOptions options;
    bool json = false;
    bool dump = false;
    bool filesOnly = false;
    std::optional<ConversationQuery> query;
    std::vector<std::pair<std::string, int32_t>> queryNumbers;
    std::vector<std::string> queryFlags;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        const bool fileGiven = filesOnly || !options.FileName.empty();
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!options.FileName.empty()) {
                error = "only one trace file can be given";
                return std::nullopt;
            }
            options.FileName = arg;
        } else if (arg == "--") {
            filesOnly = true;
        } else if (arg == "--help" || arg == "-h") {
            options.Help = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--dump-state") {
            dump = true;
        } else if (arg == "--packets") {
            options.WithPackets = true;
        } else if (IsOption(arg, "--ethernet-speed")) {
            if (!OptionValue(args, i, "--ethernet-speed", fileGiven, value, error) ||
                !TakeSpeed("--ethernet-speed", value, 10, 100, options.EthernetSpeed, error))
                return std::nullopt;
        } else if (IsOption(arg, "--token-ring-speed")) {
            if (!OptionValue(args, i, "--token-ring-speed", fileGiven, value, error) ||
                !TakeSpeed("--token-ring-speed", value, 4, 16, options.TokenRingSpeed, error))
                return std::nullopt;
        } else if (IsOption(arg, "--address-table-dir")) {
            if (!OptionValue(args, i, "--address-table-dir", fileGiven, options.AddressTableDir, error)) return std::nullopt;
        } else if (arg == "--tcp-data-response") {
            options.TcpDataResponse = true;
        } else if (arg == "--smart-names") {
            options.SmartNames = true;
        } else if (arg == "--ipx-oui") {
            options.IpxOui = true;
        } else if (arg == "--network" || arg == "--stations") {
            (arg == "--network" ? options.Network : options.Stations) = true;
        } else if (IsOption(arg, "--sort")) {
            if (!OptionValue(args, i, "--sort", fileGiven, value, error) || !TakeSort(value, options, error)) return std::nullopt;
        } else if (arg == "--conversation" || arg == "--ladder") {
            static constexpr const char* kParts[] = {"CLIENT", "SERVER", "APPLICATION"};
            options.Ladder = options.Ladder || arg == "--ladder";
            if (const size_t given = ValuesAvailable(args, i, fileGiven); given < 3) {
                std::string missing;
                for (size_t k = given; k < 3; ++k) missing += std::string(missing.empty() ? "" : " ") + kParts[k];
                error = arg + " needs CLIENT SERVER APPLICATION: missing " + missing;
                return std::nullopt;
            }
            ConversationQuery& q = query.emplace();
            q.Client = args[++i];
            q.Server = args[++i];
            q.Application = args[++i];
        } else if (IsOption(arg, "--from") || IsOption(arg, "--to") || IsOption(arg, "--window")) {
            const std::string name = arg.substr(0, arg.find('='));
            int32_t number = 0;
            const int32_t low = name == "--window" ? 4 : 1;
            const int32_t high = name == "--window" ? 20 : INT32_MAX;
            if (!OptionValue(args, i, name, fileGiven, value, error) || !TakeInteger(name, value, low, high, number, error))
                return std::nullopt;
            queryNumbers.emplace_back(name, number);
        } else if (arg == "--latency" || arg == "--throughput" || arg == "--small" || arg == "--large" ||
                   arg == "--exclude-transmission-time") {
            queryFlags.push_back(arg);
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (options.Help) return options;
    if (!CheckCombination(options, json, dump, error)) return std::nullopt;
    if (!query && (!queryNumbers.empty() || !queryFlags.empty())) {
        error = "--from, --to, --window, --latency, --throughput, --small, --large and "
                "--exclude-transmission-time need --conversation";
        return std::nullopt;
    }
    if (query) {
        for (const auto& [name, number] : queryNumbers) {
            if (name == "--from") query->FirstFrameNo = number;
            if (name == "--to") query->LastFrameNo = number;
            if (name == "--window") query->WindowPackets = static_cast<uint16_t>(number);
        }
        for (const std::string& flag : queryFlags) {
            if (flag == "--throughput") query->MeasureThroughput = true;
            if (flag == "--latency") query->MeasureThroughput = false;
            if (flag == "--small") query->SmallResponsesOnly = true;
            if (flag == "--large") query->LargeResponsesOnly = true;
            if (flag == "--exclude-transmission-time") query->IncludeTransmissionTime = false;
        }
        if (query->SmallResponsesOnly && query->LargeResponsesOnly) {
            error = "--small and --large cannot be combined";
            return std::nullopt;
        }
        const auto given = [&queryFlags](const char* flag) {
            return std::find(queryFlags.begin(), queryFlags.end(), flag) != queryFlags.end();
        };
        if (given("--latency") && given("--throughput")) {
            error = "--latency and --throughput cannot be combined";
            return std::nullopt;
        }
        if (query->FirstFrameNo > 0 && query->LastFrameNo > 0 && query->FirstFrameNo > query->LastFrameNo) {
            error = "--from " + std::to_string(query->FirstFrameNo) + " lies after --to " +
                    std::to_string(query->LastFrameNo);
            return std::nullopt;
        }
        if (dump) {
            error = "--conversation and --dump-state cannot be combined";
            return std::nullopt;
        }
        options.Conversation = query;
    }
    options.Mode = dump ? ReportMode::DumpState : json ? ReportMode::Json : ReportMode::Text;
    return options;
}

std::string ReportUsage()
{
    return "usage: quenlix-report [options] FILE\n"
           "Reads a LAN analyser trace file and prints its file summary, DLC error analysis,\n"
           "client/server table and protocol table.\n"
           "\n"
           "options:\n"
           "  --json                    print the report as JSON\n"
           "  --dump-state              print the whole analysis state as JSON\n"
           "  --packets                 with --dump-state: list every packet of every conversation\n"
           "  --ethernet-speed 10|100   Ethernet speed in Mbit/s (default 10)\n"
           "  --token-ring-speed 4|16   Token Ring speed in Mbit/s (default 16)\n"
           "  --address-table-dir DIR   folder of the Observer local address tables\n"
           "  --tcp-data-response       TCP response times from a request carrying data to the\n"
           "                            first data of its answer\n"
           "  --smart-names             client/server, network and station tables: names instead\n"
           "                            of addresses where known\n"
           "  --ipx-oui                 client/server and network tables: IPX nodes by manufacturer;\n"
           "                            station table: stations by manufacturer\n"
           "  --network                 add the network statistics table (every IP and IPX sender)\n"
           "  --stations                add the station statistics table (every MAC sender)\n"
           "  --sort COLUMN[:desc]      client/server table: sort by a column (number or header)\n"
           "  --ladder CLIENT SERVER APPLICATION\n"
           "                            print the conversation's packets one line each (frame, time,\n"
           "                            direction, description, problems), tab-separated; takes --from, --to\n"
           "  --conversation CLIENT SERVER APPLICATION\n"
           "                            analyse one conversation and print every result field;\n"
           "                            with --from N --to M, --latency|--throughput, --window N,\n"
           "                            --small|--large, --exclude-transmission-time\n"
           "  --help                    print this text\n"
           "\n"
           "exit status: 0 complete read, 1 read ended early on an error (partial analysis printed),\n"
           "2 nothing could be read or usage error\n";
}

// ---- the host ---------------------------------------------------------------------

ReportHost::ReportHost(AnalysisState& state, std::ostream& err, bool showProgress)
    : state_(state), err_(err), showProgress_(showProgress)
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
    err_ << text << '\n';
    err_.flush();
    ++messageCount_;
}

void ReportHost::ReadStarted(const AnalysisState& /*state*/)
{
    reading_ = true;
    progress_.Begin(state_.TraceFileName);
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
    err_ << '\r' << line;
    if (line.size() < progressWidth_) err_ << std::string(progressWidth_ - line.size(), ' ');
    err_.flush();
    progressWidth_ = std::max(progressWidth_, line.size());
}

void ReportHost::ClearProgressLine()
{
    if (progressWidth_ == 0) return;
    err_ << '\r' << std::string(progressWidth_, ' ') << '\r';
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
        const ConversationAnalysisReport ladder = BuildConversationAnalysis(state, *options.Conversation, true);
        if (!ladder.Error.empty()) {
            err << ladder.Error << '\n';
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
        err << result.Error << '\n';
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
        if (options.Network) out << PeerGridText("Network Statistics", NetworkStatisticsRows(state, peers));
        if (options.Stations) out << PeerGridText("Station Statistics", StationStatisticsRows(state, peers));
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

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const ReportEnvironment& environment)
{
    std::string error;
    const std::optional<ReportOptions> options = ParseReportArguments(args, error);
    if (!options) {
        err << "quenlix-report: " << error << '\n' << ReportUsage();
        return kExitNothingRead;
    }
    if (options->Help) {
        out << ReportUsage();
        return kExitComplete;
    }

    // The state holds fixed tables of some hundred kilobytes: keep it off the stack.
    auto state = std::make_unique<AnalysisState>();
    ReportHost host(*state, err, environment.ShowProgress);
    state->EthernetSpeed = options->EthernetSpeed;
    state->TokenRingSpeed = options->TokenRingSpeed;
    state->TcpDataResponse = options->TcpDataResponse ? 1 : 0;
    if (!options->AddressTableDir.empty()) state->AddressTableFolder = options->AddressTableDir;
    LoadVendorTable(*state, environment.ProgramFolder, host);
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
