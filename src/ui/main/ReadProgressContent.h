#pragma once
// The trace-reading progress window's behaviour without its widgets: caption,
// frame count, duration and percentage texts, the Stop/OK button, the
// application title while the main window is minimised, and the short linger
// after the end of the read. The desktop window and the command-line progress
// line both drive it with a tick every 100 ms.

#include <cstdint>
#include <string>

#include "import/TraceImport.h"
#include "model/AnalysisState.h"
#include "model/ProgramTexts.h"

namespace quenlix {

constexpr uint16_t kProgressTickMilliseconds = 100;
constexpr uint16_t kProgressLingerMilliseconds = 1500;

// What the progress window shows.
struct ReadProgressTexts {
    std::string Caption;              // "Reading Trace File - " and the file name
    std::string FrameCountLabel = "Reading Packet:";
    std::string FrameCount = "0";
    std::string DurationLabel = "Trace Duration:";
    std::string Duration = "00:00:00";
    std::string PercentComplete = "0% Complete";
    int ProgressBar = 0;              // 0..100
    std::string ButtonCaption = "&Stop";
    std::string ButtonHint = "Stop read operation";
    std::string ApplicationTitle = kProgramTitle;
};

class ReadProgress {
public:
    // A read starts: the window's texts return to their start values and the
    // Stop flag is cleared.
    void Begin(const std::string& traceFileName);

    // The 100 ms timer. Reads FramesSeen, ElapsedTime, TraceFilePos,
    // TraceFileSize, ReadFinished and CountOnly; after the read it writes
    // TraceDurationText (outside a count-only pass) and raises LingerTime.
    void Tick(AnalysisState& state, bool mainWindowMinimised);

    // The Stop/OK button: the first press asks the read to stop and turns the
    // button into "&OK"; a press on "&OK" ends the linger at once.
    void CancelButtonClick(AnalysisState& state);

    // Closing the window also asks the read to stop.
    void FormClose() { stopRequested_ = true; }

    // The Stop flag the readers poll.
    bool StopRequested() const { return stopRequested_; }

    // True once the read has finished and the window has lingered long enough.
    static bool ShouldClose(const AnalysisState& state);

    const ReadProgressTexts& Texts() const { return texts_; }

private:
    void ShowReading(const AnalysisState& state, bool mainWindowMinimised);
    void ShowFinished(AnalysisState& state, bool mainWindowMinimised, int64_t wholeSeconds);

    ReadProgressTexts texts_;
    bool stopRequested_ = false;
};

// Whole seconds of a duration in microseconds (0 for negative or unusable values).
int64_t WholeSeconds(double microseconds);

// The whole part of position / size x 100, within 0..100; 0 when size < 1.
int ReadPercent(int64_t position, int64_t size);

}  // namespace quenlix
