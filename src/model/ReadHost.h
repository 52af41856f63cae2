#pragma once
// What the core needs from the platform while it detects and reads a trace: a way
// to keep the user interface alive, the Stop request, message boxes and progress.
// The desktop application and the command-line report each implement it.

#include <string>

namespace quenlix {

struct AnalysisState;

enum class MessageIcon { Error, Warning, Information };

class ReadHost {
public:
    virtual ~ReadHost() = default;

    // Lets the user interface process pending events. The engine calls it about
    // every 20 ms of wall time during a read.
    virtual void PumpEvents() {}

    // True once the user has asked to stop the read (Stop button, window closed).
    virtual bool StopRequested() { return false; }

    // How messages name a trace file: the desktop names it without its folder, a
    // command line names it as the user typed it.
    virtual bool NamesFilesAsGiven() const { return false; }

    // A modal message box.
    virtual void ShowMessage(MessageIcon /*icon*/, const std::string& /*title*/, const std::string& /*text*/) {}

    // Bracket a read, so that the host can show and hide its progress display.
    virtual void ReadStarted(const AnalysisState& /*state*/) {}
    virtual void ReadFinished(const AnalysisState& /*state*/) {}
};

// A host that does nothing: for tests and batch use.
class SilentHost : public ReadHost {};

}  // namespace quenlix
