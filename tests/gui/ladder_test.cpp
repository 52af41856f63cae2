// The ladder as engineers work with it: a client/server row opening the
// toolbox and the analyses on its conversation, the ladder's selected row
// moved by the keyboard, go-to-frame and find, the ladder copied as text, and
// a problem line selecting its packet in the ladder.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QTest>
#include <cstdlib>

#include "GuiTestSupport.h"
#include "ui/analysis/ExpertAnalysisForm.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ClientServerWidget.h"
#include "ui/main/MainForm.h"
#include "ui/controls/TextBoxWidget.h"

namespace quenlix::guitest {

namespace {

// The office capture read, with the Client/Server Expert page active.
struct OfficeTrace {
    Scratch scratch;
    ModalWatcher watcher;
    std::unique_ptr<QuenlixProgram> program;
    TClientServerPage* page = nullptr;

    OfficeTrace()
    {
        program = StartProgram(scratch);
        program->ShowMainWindow();
        OpenTrace(*program, CapturePath("office-a.enc"));
        Form().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
        page = qobject_cast<TClientServerPage*>(Form().PageWidget(MainPage::ClientServer));
    }

    TMainForm& Form() { return program->MainForm(); }
    TFathomToolboxForm& Toolbox() { return program->FathomToolboxForm(); }
    const GridContent& Grid() const { return page->Content().ServerGrid; }

    // The first row whose application names the text; -1 when none.
    int RowOf(const std::string& application) const
    {
        for (int row = 1; row < Grid().RowCount(); ++row)
            if (Grid().Cell(kColApplication, row).find(application) != std::string::npos) return row;
        return -1;
    }

    void Highlight(int row)
    {
        page->ServerGrid()->setCurrentIndex(page->ServerGrid()->model()->index(row - 1, kColClient));
    }

    // The toolbox shows the conversation of the row.
    bool ToolboxShowsRow(int row)
    {
        const ToolboxSelection& s = Toolbox().Selection();
        return s.SenderText == Grid().Cell(kColClient, row) && s.ResponderText == Grid().Cell(kColServer, row) &&
               s.ConversationText == Grid().Cell(kColApplication, row);
    }
};

bool OfficePresent() { return QFile::exists(CapturePath("office-a.enc")); }

// With QUENLIX_GUI_SHOTS set to a folder, saves a picture of the window there.
void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window.grab().save(QDir(folder).filePath(name));
}

// The office trace with the toolbox open on its longest HTTP download, the ladder focused.
struct DownloadLadder : OfficeTrace {
    DownloadLadder()
    {
        const int row = RowOf("54952");
        if (row > 0) Highlight(row);
        page->OpenRowWindow(TClientServerPage::RowWindow::Toolbox);
        Toolbox().PaintBox()->setFocus();
    }
    TLadderView* View() { return Toolbox().PaintBox(); }
    int32_t Rows() { return Toolbox().Ladder().RowCount; }
    void Key(Qt::Key key) { QTest::keyClick(View(), key); }
    // The selected row lies wholly inside the view.
    bool SelectedInView()
    {
        for (const LadderRow& row : Toolbox().Ladder().Rows) {
            if (row.Ordinal != Toolbox().SelectedRow()) continue;
            const int top = Toolbox().VerticalBar()->value();
            return row.Y - 6 >= top && row.Y + 7 <= top + View()->height();
        }
        return false;
    }
    const LadderRow* Shown(int32_t ordinal)
    {
        for (const LadderRow& row : Toolbox().Ladder().Rows)
            if (row.Ordinal == ordinal) return &row;
        return nullptr;
    }
    // Emits the toolbox's shortcut for the keys, as pressing them does.
    bool Press(const QKeySequence& keys)
    {
        for (QShortcut* shortcut : Toolbox().findChildren<QShortcut*>())
            if (shortcut->key() == keys) {
                emit shortcut->activated();
                return true;
            }
        return false;
    }
};

}  // namespace

class LadderTest : public QObject {
    Q_OBJECT

private slots:
    void EnterAndPopUpOpenTheRowsConversation();
    void KeysMoveTheSelectedRowAndKeepItInView();
    void ClickAndTooltipShowTheRowsDescription();
    void GoToFrameSelectsItsRowOrTheNextOne();
    void FindAndFindNextWalkTheDescriptions();
    void CopyPutsTheLadderTextBesideThePicture();
    void ProblemLineSelectsItsPacketInTheLadder();
    void FilterBoxShowsTheMatchingRows();
};

void LadderTest::EnterAndPopUpOpenTheRowsConversation()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    OfficeTrace trace;
    const int echo = trace.RowOf("7000");
    const int other = trace.RowOf("54952");
    QVERIFY(echo > 0 && other > 0);

    // Enter opens the toolbox on the highlighted row.
    trace.Highlight(echo);
    QTest::keyClick(trace.page->ServerGrid(), Qt::Key_Return);
    QVERIFY(trace.Toolbox().isVisible());
    QVERIFY(trace.ToolboxShowsRow(echo));
    trace.Toolbox().close();

    // The pop-up's analysis items open their windows on the row the highlight shows.
    QMenu* popUp = trace.page->CSPopUp();
    auto* latencyItem = popUp->findChild<QAction*>("LatencyAnalysis1");
    auto* throughputItem = popUp->findChild<QAction*>("ThroughputAnalysis1");
    QVERIFY(latencyItem && throughputItem);
    QCOMPARE(latencyItem->text(), QString("&Latency Analysis"));
    QCOMPARE(throughputItem->text(), QString("&Throughput Analysis"));
    trace.Highlight(other);
    latencyItem->trigger();
    TLatencyAnalysisForm& latency = trace.program->LatencyAnalysisForm();
    QVERIFY(latency.isVisible());
    QVERIFY(trace.ToolboxShowsRow(other));
    QCOMPARE(latency.windowTitle().toStdString(),
             "Detailed Latency Analysis for " + std::string(trace.Grid().Cell(kColApplication, other)));

    trace.Highlight(echo);
    throughputItem->trigger();
    TThroughputAnalysisForm& throughput = trace.program->ThroughputAnalysisForm();
    QVERIFY(throughput.isVisible());
    QVERIFY(trace.ToolboxShowsRow(echo));
    QCOMPARE(throughput.Content().Upper.Heading, "From " + std::string(trace.Grid().Cell(kColClient, echo)) + " to " +
                                                     std::string(trace.Grid().Cell(kColServer, echo)));
    QVERIFY(trace.watcher.Messages.empty());
}

void LadderTest::KeysMoveTheSelectedRowAndKeepItInView()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    DownloadLadder trace;
    QVERIFY(trace.Toolbox().Selection().ConversationText == "TCP/Port 54952<->HTTP");
    QVERIFY(trace.Rows() > 100);
    QCOMPARE(trace.Toolbox().SelectedRow(), -1);
    trace.Key(Qt::Key_Down);
    QCOMPARE(trace.Toolbox().SelectedRow(), 0);
    trace.Key(Qt::Key_Down);
    QCOMPARE(trace.Toolbox().SelectedRow(), 1);
    trace.Key(Qt::Key_Up);
    trace.Key(Qt::Key_Up);  // stays on the first row
    QCOMPARE(trace.Toolbox().SelectedRow(), 0);
    trace.Key(Qt::Key_End);
    QCOMPARE(trace.Toolbox().SelectedRow(), trace.Rows() - 1);
    QVERIFY(trace.SelectedInView());
    QVERIFY(trace.Toolbox().VerticalBar()->value() > 0);
    trace.Key(Qt::Key_PageUp);
    const int32_t pageUp = trace.Toolbox().SelectedRow();
    QVERIFY(pageUp < trace.Rows() - 2);
    QVERIFY(trace.SelectedInView());
    trace.Key(Qt::Key_PageDown);
    QVERIFY(trace.Toolbox().SelectedRow() > pageUp);
    QVERIFY(trace.SelectedInView());
    trace.Key(Qt::Key_Home);
    QCOMPARE(trace.Toolbox().SelectedRow(), 0);
    QCOMPARE(trace.Toolbox().VerticalBar()->value(), 0);
    // The status line describes the selected packet.
    QVERIFY(trace.Toolbox().StatusText().startsWith("Frame " + QString::number(trace.Shown(0)->FrameNo) + ", "));
    trace.Key(Qt::Key_Down);
    trace.Key(Qt::Key_Down);
    trace.Key(Qt::Key_Down);
    SaveShot(trace.Toolbox(), "toolbox-selected-row.png");
    trace.Toolbox().resize(1024, 600);
    SaveShot(trace.Toolbox(), "toolbox-1024x600.png");
    QVERIFY(trace.watcher.Messages.empty());
}

void LadderTest::ClickAndTooltipShowTheRowsDescription()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    DownloadLadder trace;
    QVERIFY(trace.Shown(2) != nullptr);
    const LadderRow third = *trace.Shown(2);
    const QPoint point(200, third.Y - trace.Toolbox().VerticalBar()->value());
    QCOMPARE(trace.View()->RowAt(point)->Ordinal, 2);
    QTest::mouseClick(trace.View(), Qt::LeftButton, {}, point);
    QCOMPARE(trace.Toolbox().SelectedRow(), 2);
    QCOMPARE(trace.Toolbox().StatusText().toStdString(), third.Details);
    QVERIFY(third.Details.find(third.TimeText) != std::string::npos);
    QVERIFY(third.Details.find("bytes") != std::string::npos);
    // Each row shows its time and the delta from the row above.
    QCOMPARE(third.DeltaText[0], '+');
}

void LadderTest::GoToFrameSelectsItsRowOrTheNextOne()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    DownloadLadder trace;
    trace.Key(Qt::Key_End);
    const int64_t last = trace.Shown(trace.Rows() - 1)->FrameNo;
    trace.Key(Qt::Key_Home);
    trace.Toolbox().GoToFrame(last);
    QCOMPARE(trace.Toolbox().SelectedRow(), trace.Rows() - 1);
    QVERIFY(trace.SelectedInView());
    // A frame of another conversation: the next row of this one, and the status line says so.
    // The frame numbers of the rows, from the ladder's text lines.
    std::vector<int64_t> frames;
    for (const std::string& line :
         LadderTextLines(trace.program->State(), trace.Toolbox().Selection(), trace.Toolbox().Options()))
        frames.push_back(std::atoll(line.c_str()));
    // The frame before the conversation's first belongs to another one.
    QVERIFY(frames.front() > 1);
    const int32_t after = 0;
    trace.Toolbox().GoToFrame(frames.front() - 1);
    QCOMPARE(trace.Toolbox().SelectedRow(), after);
    QVERIFY(trace.Toolbox().StatusText().contains("is not in this conversation"));
    trace.Toolbox().GoToFrame(last + 1);
    QCOMPARE(trace.Toolbox().SelectedRow(), after);
    QVERIFY(trace.Toolbox().StatusText().contains("after the last packet"));
    // Ctrl+G asks for the frame.
    trace.watcher.OnOtherModal = [last](QWidget* window) {
        auto* dialog = qobject_cast<QInputDialog*>(window);
        if (dialog == nullptr) {
            window->close();
            return;
        }
        dialog->setIntValue(static_cast<int>(last));
        dialog->accept();
    };
    QVERIFY(trace.Press(QKeySequence(Qt::CTRL | Qt::Key_G)));
    QCOMPARE(trace.Toolbox().SelectedRow(), trace.Rows() - 1);
    QVERIFY(trace.watcher.Messages.empty());
}

void LadderTest::FindAndFindNextWalkTheDescriptions()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    DownloadLadder trace;
    trace.watcher.OnOtherModal = [](QWidget* window) {
        auto* dialog = qobject_cast<QInputDialog*>(window);
        if (dialog == nullptr) {
            window->close();
            return;
        }
        dialog->setTextValue("len=");
        dialog->accept();
    };
    QVERIFY(trace.Press(QKeySequence(Qt::CTRL | Qt::Key_F)));
    const int32_t first = trace.Toolbox().SelectedRow();
    QVERIFY(first >= 0);
    QVERIFY(trace.Shown(first)->Text.find("Len=") != std::string::npos);
    QVERIFY(trace.Press(QKeySequence(Qt::Key_F3)));
    const int32_t next = trace.Toolbox().SelectedRow();
    QVERIFY(next > first);
    QVERIFY(trace.Shown(next)->Text.find("Len=") != std::string::npos);
    trace.Toolbox().FindText("no such description");
    QCOMPARE(trace.Toolbox().SelectedRow(), next);
    QVERIFY(trace.Toolbox().StatusText().startsWith("Cannot find"));
    QVERIFY(trace.watcher.Messages.empty());
}

void LadderTest::CopyPutsTheLadderTextBesideThePicture()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    DownloadLadder trace;
    QApplication::clipboard()->clear();
    trace.Toolbox().SpeedButton1Click();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QVERIFY(data != nullptr);
    QVERIFY(data->hasImage());
    const QStringList lines = data->text().split('\n', Qt::SkipEmptyParts);
    const std::vector<std::string> expected =
        LadderTextLines(trace.program->State(), trace.Toolbox().Selection(), trace.Toolbox().Options());
    QCOMPARE(lines.size(), static_cast<qsizetype>(expected.size()));
    QCOMPARE(lines.size(), static_cast<qsizetype>(trace.Rows()));
    QCOMPARE(lines.front().toStdString(), expected.front());
    QVERIFY(lines.front().startsWith(QString::number(trace.Shown(0)->FrameNo) + "\t0.000000\t->\t"));
    // The Options menu's choice reaches the copied numbers.
    QAction* relative = trace.Form().Action("RelativeSequenceNumbers1");
    QVERIFY(relative->isChecked());
    relative->trigger();
    QVERIFY(!trace.Toolbox().Options().RelativeSeq);
    trace.Toolbox().SpeedButton1Click();
    QVERIFY(QApplication::clipboard()->text() != lines.join('\n') + '\n');
    relative->trigger();
}

void LadderTest::ProblemLineSelectsItsPacketInTheLadder()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    OfficeTrace trace;
    // The first conversation whose ladder marks a problem.
    int row = 1;
    for (; row < trace.Grid().RowCount(); ++row) {
        trace.Highlight(row);
        trace.page->OpenRowWindow(TClientServerPage::RowWindow::Toolbox);
        if (trace.Toolbox().Ladder().ProblemTotal > 0) break;
    }
    QVERIFY(row < trace.Grid().RowCount());
    trace.Toolbox().ProblemBtnClick();
    TProblemAnalysisForm& problems = trace.program->ProblemAnalysisForm();
    QVERIFY(problems.isVisible());
    int line = 0;
    while (line < 2 * kProblemLines && (line < kProblemLines ? problems.Content().ForwardFrames[line]
                                                            : problems.Content().ReverseFrames[line - kProblemLines])
                                           .empty())
        ++line;
    QVERIFY(line < 2 * kProblemLines);
    const auto& frames = line < kProblemLines ? problems.Content().ForwardFrames[line]
                                              : problems.Content().ReverseFrames[line - kProblemLines];
    QVERIFY(problems.Line(line)->text().contains("Frame"));
    SaveShot(problems, "problem-analysis.png");
    QTest::mouseClick(problems.Line(line), Qt::LeftButton);
    QVERIFY(trace.Toolbox().isVisible());
    const int32_t selected = trace.Toolbox().SelectedRow();
    QVERIFY(selected >= 0);
    QCOMPARE(trace.Toolbox().Ladder().Rows.empty(), false);
    bool found = false;
    for (const LadderRow& shown : trace.Toolbox().Ladder().Rows)
        if (shown.Ordinal == selected) found = shown.FrameNo == frames.front();
    QVERIFY(found);
    SaveShot(trace.Toolbox(), "toolbox-problem-selected.png");
    QVERIFY(trace.watcher.Messages.empty());
}

void LadderTest::FilterBoxShowsTheMatchingRows()
{
    if (!OfficePresent()) QSKIP("../shared/captures/office-a.enc is not present");
    OfficeTrace trace;
    TSuperStringGrid* grid = trace.page->ServerGrid();
    const int rows = trace.Grid().RowCount() - 1;
    const auto shownRows = [&] {
        std::vector<int> shown;
        for (int row = 0; row < rows; ++row)
            if (!grid->isRowHidden(row)) shown.push_back(row + 1);
        return shown;
    };
    QCOMPARE(static_cast<int>(shownRows().size()), rows);
    QTest::keyClicks(trace.page->FilterBox(), "54952");
    const std::vector<int> shown = shownRows();
    QCOMPARE(shown, std::vector<int>{trace.RowOf("54952")});
    // The filter holds through a sort, on the row's new place.
    trace.Highlight(1);
    trace.page->SortDescendingBtnClick();
    QCOMPARE(shownRows(), std::vector<int>{trace.RowOf("54952")});
    SaveShot(trace.Form(), "client-server-filtered.png");
    trace.page->FilterBox()->clear();
    QCOMPARE(static_cast<int>(shownRows().size()), rows);
}

int RunTests(int argc, char** argv)
{
    LadderTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "ladder_test.moc"
