// The ladder as engineers work with it: a client/server row opening the
// toolbox and the analyses on its conversation, the ladder's selected row
// moved by the keyboard, go-to-frame and find, the ladder copied as text, and
// a problem line selecting its packet in the ladder.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputDialog>
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

}  // namespace

class LadderTest : public QObject {
    Q_OBJECT

private slots:
    void EnterAndPopUpOpenTheRowsConversation();
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
             "Detailed Latency Analysis for " + trace.Grid().Cell(kColApplication, other));

    trace.Highlight(echo);
    throughputItem->trigger();
    TThroughputAnalysisForm& throughput = trace.program->ThroughputAnalysisForm();
    QVERIFY(throughput.isVisible());
    QVERIFY(trace.ToolboxShowsRow(echo));
    QCOMPARE(throughput.Content().Upper.Heading, "From " + trace.Grid().Cell(kColClient, echo) + " to " +
                                                     trace.Grid().Cell(kColServer, echo));
    QVERIFY(trace.watcher.Messages.empty());
}

int RunTests(int argc, char** argv)
{
    LadderTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "ladder_test.moc"
