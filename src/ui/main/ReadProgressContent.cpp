#include "ui/main/ReadProgressContent.h"

#include <algorithm>
#include <cmath>

#include "model/NumberFormat.h"

namespace quenlix {

namespace {

constexpr const char* kOkCaption = "&OK";

}  // namespace

int64_t WholeSeconds(double microseconds)
{
    const double seconds = microseconds / 1e6;
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    // Beyond this the hours field alone would run to a dozen digits.
    constexpr double kLongest = 1e15;
    return static_cast<int64_t>(std::min(seconds, kLongest));
}

int ReadPercent(int64_t position, int64_t size)
{
    if (size < 1) return 0;
    position = std::clamp<int64_t>(position, 0, size);
    // In integers: the real quotient can fall just below a whole percent (29% as 28.999...).
    return static_cast<int>(position * 100 / size);
}

void ReadProgress::Begin(const std::string& traceFileName)
{
    texts_ = ReadProgressTexts{};
    texts_.Caption = "Reading Trace File - " + FileNameWithoutFolder(traceFileName);
    stopRequested_ = false;
}

void ReadProgress::Tick(AnalysisState& state, bool mainWindowMinimised)
{
    texts_.FrameCount = FormatCount(state.Read.FramesSeen);
    const int64_t wholeSeconds = WholeSeconds(state.ElapsedTime);
    texts_.Duration = FormatDuration(wholeSeconds);
    if (!state.Read.ReadFinished) {
        ShowReading(state, mainWindowMinimised);
    } else {
        ShowFinished(state, mainWindowMinimised, wholeSeconds);
    }
}

void ReadProgress::ShowReading(const AnalysisState& state, bool mainWindowMinimised)
{
    if (state.Read.TraceFileSize < 1) return;
    const int percent = ReadPercent(state.Read.TraceFilePos, state.Read.TraceFileSize);
    texts_.PercentComplete = std::to_string(percent) + "% Complete";
    texts_.ProgressBar = percent;
    texts_.ApplicationTitle = mainWindowMinimised ? "Reading [" + texts_.PercentComplete + "]" : kProgramTitle;
}

void ReadProgress::ShowFinished(AnalysisState& state, bool mainWindowMinimised, int64_t wholeSeconds)
{
    if (wholeSeconds == 0) texts_.Duration = "< 00:00:01";
    if (!state.Read.CountOnly) state.TraceDurationText = texts_.Duration;
    if (stopRequested_) {
        texts_.PercentComplete = "FILE PARTIALLY READ";
        texts_.ApplicationTitle = kProgramTitle;
    } else {
        texts_.ButtonCaption = kOkCaption;
        texts_.PercentComplete = "100% Complete";
        texts_.ApplicationTitle = mainWindowMinimised ? " Reading File [100%]" : kProgramTitle;
        texts_.ProgressBar = 100;
    }
    // Held below the top of its range, so that extra ticks never wrap it round.
    const int linger = std::min<int>(state.Read.LingerTime + kProgressTickMilliseconds, UINT16_MAX);
    state.Read.LingerTime = static_cast<uint16_t>(linger);
}

void ReadProgress::CancelButtonClick(AnalysisState& state)
{
    if (texts_.ButtonCaption != kOkCaption) {
        stopRequested_ = true;
        texts_.ButtonCaption = kOkCaption;
    } else {
        state.Read.LingerTime = kProgressLingerMilliseconds;
    }
}

bool ReadProgress::ShouldClose(const AnalysisState& state)
{
    return state.Read.ReadFinished && state.Read.LingerTime >= kProgressLingerMilliseconds;
}

}  // namespace quenlix
