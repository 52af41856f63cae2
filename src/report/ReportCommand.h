#pragma once
// The command-line report: argument parsing, the read host that turns message
// boxes into lines on standard error and draws a progress line, and the run
// itself (detect, read, print), kept free of any platform call so that tests can
// drive it with string streams. The program's main only adds the terminal test
// and the program folder.

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"
#include "ui/main/ClientServerContent.h"
#include "ui/main/ReadProgressContent.h"

namespace quenlix {

// Exit status of the report.
enum ReportExit : int {
    kExitComplete = 0,     // the whole file was read
    kExitPartial = 1,      // the read ended early on an error; the partial analysis was printed
    kExitNothingRead = 2,  // usage error, detection failed, unsupported topology, nothing readable
};

enum class ReportMode { Text, Json, DumpState };

struct ReportOptions {
    ReportMode Mode = ReportMode::Text;
    bool WithPackets = false;
    int32_t EthernetSpeed = 10;
    int32_t TokenRingSpeed = 16;
    // TCP response times from a request carrying data to the first data of its answer.
    bool TcpDataResponse = false;
    // Capture times kept in local time without a zone are read as UTC.
    bool Utc = false;
    bool Help = false;
    std::string FileName;
    std::string AddressTableDir;  // empty: the Observer analyser's own folder
    // The client/server table.
    bool SmartNames = false;
    bool IpxOui = false;
    int SortColumn = -1;  // none
    bool SortDescending = false;
    // The statistics grids of the network and station windows.
    bool Network = false;
    bool Stations = false;
    // --conversation: one transaction analysis instead of the report.
    std::optional<ConversationQuery> Conversation;
    // --ladder: the conversation's packets one line each instead of its figures.
    bool Ladder = false;
    // --absolute-seq: the ladder's TCP numbers as the trace holds them.
    bool AbsoluteSeq = false;
    // --export: the trace's frames (those of the conversation, when one is given,
    // within the frame range) written as pcapng to this file instead of the report.
    std::string ExportPath;
    bool Force = false;  // --force: the export replaces an existing file
    int64_t ExportFirstFrameNo = 1;
    int64_t ExportLastFrameNo = -1;  // negative: the last frame of the trace
};

// Parses the arguments that follow the program name. On a usage error returns no
// options and puts the reason in error.
std::optional<ReportOptions> ParseReportArguments(const std::vector<std::string>& args, std::string& error);

// The usage text printed by --help and after a usage error.
std::string ReportUsage();

struct ReportEnvironment {
    std::string ProgramFolder = ".";  // where "OUI.TXT" is looked for
    bool ShowProgress = false;        // standard error is a terminal
};

// Runs the report for the arguments that follow the program name and returns the
// exit status. The report goes to out, messages and progress to err.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const ReportEnvironment& environment);

// The read host of the report: every message box becomes one line on err, and,
// when asked, a progress line is redrawn on err at most every 100 ms. It drives
// the progress window's logic like the desktop window does, so that the read's
// duration text (the File Summary's "Duration") is set when the read ends.
class ReportHost : public ReadHost {
public:
    // The report goes to out: its buffered text is flushed before anything is written to err.
    ReportHost(AnalysisState& state, std::ostream& out, std::ostream& err, bool showProgress);

    void PumpEvents() override;
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    bool NamesFilesAsGiven() const override { return true; }
    void ReadStarted(const AnalysisState& state) override;
    void ReadFinished(const AnalysisState& state) override;

    // Messages shown since the last call of ResetMessageCount.
    int MessageCount() const { return messageCount_; }
    void ResetMessageCount() { messageCount_ = 0; }

    // The progress line as it stands: frame count, duration and percentage.
    std::string ProgressLine() const;

private:
    void DrawProgress();
    void ClearProgressLine();

    AnalysisState& state_;
    std::ostream& out_;
    std::ostream& err_;
    bool showProgress_;
    bool reading_ = false;
    ReadProgress progress_;
    std::chrono::steady_clock::time_point lastDraw_{};
    size_t progressWidth_ = 0;  // characters of the progress line on screen
    int messageCount_ = 0;
};

}  // namespace quenlix
