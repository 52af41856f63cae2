#pragma once
// Helpers shared by the tests: a host that records what the core tells the user,
// scratch folders, and byte-level file access.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/ReadHost.h"

namespace quenlix::testing {

struct RecordedMessage {
    MessageIcon Icon = MessageIcon::Error;
    std::string Title;
    std::string Text;
};

class RecordingHost : public ReadHost {
public:
    void PumpEvents() override { ++Pumps; }
    // Answers Stop once it has been asked StopAfterPolls times (never while negative).
    bool StopRequested() override { return StopAfterPolls >= 0 && ++StopPolls > StopAfterPolls; }
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override
    {
        Messages.push_back({icon, title, text});
    }
    void ReadStarted(const AnalysisState&) override { ++Started; }
    void ReadFinished(const AnalysisState&) override { ++Finished; }

    // The texts shown, in order.
    std::vector<std::string> Texts() const;

    std::vector<RecordedMessage> Messages;
    int StopAfterPolls = -1;
    int StopPolls = 0;
    int Pumps = 0;
    int Started = 0;
    int Finished = 0;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return (root_ / name).string(); }

private:
    std::filesystem::path root_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
// The first count bytes of a file written to another path.
void WritePrefix(const std::string& source, const std::string& target, std::size_t count);

}  // namespace quenlix::testing
