// The trace-reading progress window's texts, Stop/OK button and linger.

#include <gtest/gtest.h>

#include <cmath>

#include "ui/main/ReadProgressContent.h"

namespace quenlix {
namespace {

class ReadProgressWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        state.Read.TraceFileSize = 100;
        progress.Begin("/captures/lan/office.enc");
    }
    void Finish(double elapsedMicroseconds)
    {
        state.ElapsedTime = elapsedMicroseconds;
        state.Read.LingerTime = 0;
        state.Read.ReadFinished = 1;
    }
    int TicksUntilClosed(bool minimised = false)
    {
        int ticks = 0;
        while (!ReadProgress::ShouldClose(state) && ticks < 1000) {
            progress.Tick(state, minimised);
            ++ticks;
        }
        return ticks;
    }
    AnalysisState state;
    ReadProgress progress;
};

TEST_F(ReadProgressWindow, StartTexts)
{
    const ReadProgressTexts& texts = progress.Texts();
    EXPECT_EQ(texts.Caption, "Reading Trace File - office.enc");
    EXPECT_EQ(texts.FrameCount, "0");
    EXPECT_EQ(texts.Duration, "00:00:00");
    EXPECT_EQ(texts.PercentComplete, "0% Complete");
    EXPECT_EQ(texts.ProgressBar, 0);
    EXPECT_EQ(texts.ButtonCaption, "&Stop");
    EXPECT_FALSE(progress.StopRequested());
    progress.Begin("C:\\TRACES\\RING.TR1");
    EXPECT_EQ(progress.Texts().Caption, "Reading Trace File - RING.TR1");
}

TEST_F(ReadProgressWindow, WhileReading)
{
    state.Read.FramesSeen = 1234567;
    state.ElapsedTime = 3725.9e6;
    state.Read.TraceFilePos = 29;  // 29 / 100 x 100 is 28.999... as a real
    progress.Tick(state, false);
    const ReadProgressTexts& texts = progress.Texts();
    EXPECT_EQ(texts.FrameCount, "1,234,567");
    EXPECT_EQ(texts.Duration, "01:02:05");
    EXPECT_EQ(texts.PercentComplete, "29% Complete");
    EXPECT_EQ(texts.ProgressBar, 29);
    EXPECT_EQ(texts.ApplicationTitle, "Quenlix");
    progress.Tick(state, true);
    EXPECT_EQ(progress.Texts().ApplicationTitle, "Reading [29% Complete]");
    EXPECT_EQ(state.Read.LingerTime, 0);
}

TEST_F(ReadProgressWindow, EmptyFileShowsNoPercentage)
{
    state.Read.TraceFileSize = 0;
    state.Read.TraceFilePos = 10;
    progress.Tick(state, true);
    EXPECT_EQ(progress.Texts().PercentComplete, "0% Complete");
    EXPECT_EQ(progress.Texts().ApplicationTitle, "Quenlix");
}

TEST_F(ReadProgressWindow, CompleteReadLingersForOneAndAHalfSeconds)
{
    Finish(7.5e6);
    progress.Tick(state, true);
    const ReadProgressTexts& texts = progress.Texts();
    EXPECT_EQ(texts.ButtonCaption, "&OK");
    EXPECT_EQ(texts.PercentComplete, "100% Complete");
    EXPECT_EQ(texts.ProgressBar, 100);
    EXPECT_EQ(texts.ApplicationTitle, " Reading File [100%]");
    EXPECT_EQ(state.TraceDurationText, "00:00:07");
    EXPECT_EQ(state.Read.LingerTime, 100);
    EXPECT_EQ(TicksUntilClosed(), 14);  // 15 ticks of 100 ms in all
}

TEST_F(ReadProgressWindow, OkClosesAtOnce)
{
    Finish(2e6);
    progress.Tick(state, false);
    EXPECT_FALSE(ReadProgress::ShouldClose(state));
    progress.CancelButtonClick(state);
    EXPECT_FALSE(progress.StopRequested());
    EXPECT_TRUE(ReadProgress::ShouldClose(state));
}

TEST_F(ReadProgressWindow, ShortReadShowsUnderOneSecond)
{
    Finish(0.4e6);
    progress.Tick(state, false);
    EXPECT_EQ(progress.Texts().Duration, "< 00:00:01");
    EXPECT_EQ(state.TraceDurationText, "< 00:00:01");
}

TEST_F(ReadProgressWindow, CountOnlyPassKeepsTheDurationText)
{
    state.TraceDurationText = "00:01:00";
    state.Read.CountOnly = 1;
    Finish(5e6);
    progress.Tick(state, false);
    EXPECT_EQ(state.TraceDurationText, "00:01:00");
}

TEST_F(ReadProgressWindow, StoppedRead)
{
    state.Read.TraceFilePos = 10;
    progress.Tick(state, false);
    progress.CancelButtonClick(state);
    EXPECT_TRUE(progress.StopRequested());
    EXPECT_EQ(progress.Texts().ButtonCaption, "&OK");
    EXPECT_EQ(state.Read.LingerTime, 0);  // the first press only stops

    Finish(3e6);
    progress.Tick(state, true);
    EXPECT_EQ(progress.Texts().PercentComplete, "FILE PARTIALLY READ");
    EXPECT_EQ(progress.Texts().ApplicationTitle, "Quenlix");
    EXPECT_EQ(progress.Texts().ProgressBar, 10);
    progress.CancelButtonClick(state);
    EXPECT_TRUE(ReadProgress::ShouldClose(state));

    progress.Begin("next.enc");  // the next read starts clean
    EXPECT_FALSE(progress.StopRequested());
    EXPECT_EQ(progress.Texts().ButtonCaption, "&Stop");
}

TEST_F(ReadProgressWindow, ClosingTheWindowStopsTheRead)
{
    progress.FormClose();
    EXPECT_TRUE(progress.StopRequested());
    Finish(1e6);
    EXPECT_EQ(TicksUntilClosed(), 15);
    EXPECT_EQ(progress.Texts().PercentComplete, "FILE PARTIALLY READ");
}

TEST_F(ReadProgressWindow, HostileFigures)
{
    state.ElapsedTime = std::nan("");
    state.Read.TraceFilePos = 5000;  // past the end
    progress.Tick(state, false);
    EXPECT_EQ(progress.Texts().Duration, "00:00:00");
    EXPECT_EQ(progress.Texts().ProgressBar, 100);
    state.ElapsedTime = -3e6;
    state.Read.TraceFilePos = -1;
    progress.Tick(state, false);
    EXPECT_EQ(progress.Texts().Duration, "00:00:00");
    EXPECT_EQ(progress.Texts().ProgressBar, 0);

    Finish(1e6);
    state.Read.LingerTime = 65500;  // ticking on past the close never wraps round
    progress.Tick(state, false);
    EXPECT_EQ(state.Read.LingerTime, 65535);
    EXPECT_TRUE(ReadProgress::ShouldClose(state));
}

TEST(ReadProgressHelpers, PercentInIntegers)
{
    EXPECT_EQ(ReadPercent(29, 100), 29);
    EXPECT_EQ(ReadPercent(57, 100), 57);
    EXPECT_EQ(ReadPercent(1, 3), 33);
    EXPECT_EQ(ReadPercent(3, 3), 100);
    EXPECT_EQ(ReadPercent(4000000000LL, 8000000000LL), 50);
    EXPECT_EQ(ReadPercent(5, 0), 0);
    EXPECT_EQ(WholeSeconds(1.9999e6), 1);
    EXPECT_EQ(FileNameWithoutFolder("plain.cap"), "plain.cap");
}

}  // namespace
}  // namespace quenlix
