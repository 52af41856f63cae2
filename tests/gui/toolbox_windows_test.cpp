// The toolbox and its analysis windows inside the program: opened from the
// toolbar and from a client/server row, the boxes and the ladder against the
// content, the problem button, the windows recomputing when the selection
// changes, and the what-if table filled from the latency window's figures.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QShortcut>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "ui/analysis/ExpertAnalysisForm.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/controls/BetterSpinEditWidget.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ClientServerWidget.h"
#include "ui/main/MainForm.h"
#include "ui/peermaps/PeerMapForm.h"
#include "ui/misc/HelpForm.h"

namespace quenlix::guitest {

class ToolboxWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void ToolbarOpensTheToolboxOnTheTrace();
    void ClientServerRowPreselectsAndWindowsFollow();
    void EveryCaptionSaysAReadWasPartial();
};

void ToolboxWindowsTest::ToolbarOpensTheToolboxOnTheTrace()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    OpenTrace(*program, capture);
    QVERIFY(program->MainForm().Action("AnalyzeBtn")->isEnabled());
    program->MainForm().AnalyzeBtnClick();
    TFathomToolboxForm& toolbox = program->FathomToolboxForm();
    QVERIFY(toolbox.isVisible());
    QVERIFY(toolbox.windowTitle().startsWith("Fathom ToolBox (tm) - "));
    QCOMPARE(toolbox.SourceBox()->count(), static_cast<int>(toolbox.Selection().SourceItems.size()));
    QVERIFY(toolbox.SourceBox()->count() > 3);
    // The ladder holds only the rows in view, and the scroll bar reaches the rest.
    const LadderLayout& ladder = toolbox.Ladder();
    QVERIFY(ladder.RowCount > 0);
    QVERIFY(static_cast<int>(ladder.Rows.size()) <= toolbox.PaintBox()->height() / 12 + 2);
    QImage picture = toolbox.LadderPicture();
    QCOMPARE(picture.pixelColor(40, 2), QColor(0, 0, 255));  // the ruler line
    // The network map hands over a station.
    program->MainForm().OpenToolboxForStation("10.99.1.20", "");
    QCOMPARE(toolbox.Selection().SenderText, std::string("10.99.1.20"));
    // Closing the toolbox closes the analyses it opened.
    toolbox.LatencyBtnClick();
    QVERIFY(program->LatencyAnalysisForm().isVisible());
    toolbox.close();
    QVERIFY(!program->LatencyAnalysisForm().isVisible());
    QVERIFY(watcher.Messages.empty());
}

// A trace cut in the middle: every window that shows its figures says in its
// caption that they count only the frames read.
void ToolboxWindowsTest::EveryCaptionSaysAReadWasPartial()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    QFile whole(capture);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QString cut = scratch.Path("cut.enc");
    QFile part(cut);
    QVERIFY(part.open(QIODevice::WriteOnly));
    part.write(whole.read(whole.size() / 2));
    part.close();
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    OpenTrace(*program, cut);
    TMainForm& form = program->MainForm();
    QVERIFY(form.windowTitle().endsWith(" (partial read)"));
    form.AnalyzeBtnClick();
    TFathomToolboxForm& toolbox = program->FathomToolboxForm();
    QCOMPARE(toolbox.windowTitle(), QString("Fathom ToolBox (tm) - cut.enc (partial read)"));
    toolbox.LatencyBtnClick();
    toolbox.ThruputBtnClick();
    for (QWidget* window : std::initializer_list<QWidget*>{&program->LatencyAnalysisForm(), &program->ThroughputAnalysisForm()})
        QVERIFY2(window->windowTitle().endsWith(" (partial read)"), qPrintable(window->windowTitle()));
    for (const char* button : {"NetworkBtn", "StationBtn"}) {
        form.Action(button)->trigger();
        QApplication::processEvents();
    }
    for (TPeerMapForm* map : std::initializer_list<TPeerMapForm*>{&program->NetworkStatisticsForm(), &program->StationStatsForm()}) {
        map->FormActivate();
        QVERIFY2(map->windowTitle().endsWith(" (partial read)"), qPrintable(map->windowTitle()));
    }

    // A complete read takes the mark away again.
    OpenTrace(*program, capture);
    QVERIFY(!form.windowTitle().contains("partial"));
}

void ToolboxWindowsTest::ClientServerRowPreselectsAndWindowsFollow()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch, {}, QUENLIX_BIN_DIR);
    program->ShowMainWindow();
    OpenTrace(*program, capture);
    TMainForm& form = program->MainForm();
    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
    auto* page = qobject_cast<TClientServerPage*>(form.PageWidget(MainPage::ClientServer));
    const GridContent& grid = page->Content().ServerGrid;
    int echoRow = -1;
    for (int row = 1; row < grid.RowCount(); ++row)
        if (grid.Cell(kColApplication, row).find("7000") != std::string::npos) echoRow = row;
    QVERIFY(echoRow > 0);
    page->ServerGrid()->setCurrentIndex(page->ServerGrid()->model()->index(echoRow - 1, kColClient));
    page->ServerGridClick();
    form.AnalyzeBtnClick();
    TFathomToolboxForm& toolbox = program->FathomToolboxForm();
    QCOMPARE(toolbox.Selection().SenderText, grid.Cell(kColClient, echoRow));
    QCOMPARE(toolbox.Selection().ConversationText, grid.Cell(kColApplication, echoRow));
    QVERIFY(toolbox.SwapBtn()->isEnabled());

    toolbox.LatencyBtnClick();
    TLatencyAnalysisForm& latency = program->LatencyAnalysisForm();
    QVERIFY(latency.Content().Upper.HasResults);
    // F1 opens the window's own help page.
    emit latency.findChild<QShortcut*>()->activated();
    QCOMPARE(QFileInfo(form.HelpWindow().CurrentPage()).fileName(), QString("context-19.html"));
    QCOMPARE(latency.windowTitle().toStdString(), "Detailed Latency Analysis for " + toolbox.Selection().ConversationText);
    QVERIFY(!latency.Upper()->Chart().isNull());
    latency.LoadAnalysisClick(true);
    TWhatIfAnalysisForm& whatIf = program->WhatIfAnalysisForm();
    QVERIFY(whatIf.isVisible());
    QCOMPARE(whatIf.RespGrid()->rowCount(), 40);
    QCOMPARE(whatIf.Values().Latency, static_cast<int>(std::nearbyint(latency.Content().Upper.WhatIf.MinLatency)));
    // Typed values stay when the same figures come again, until Restore.
    auto* users = whatIf.findChild<TBetterSpinEdit*>("Users");
    QVERIFY(users != nullptr);
    users->SetValue(5);
    whatIf.ValueChanged(9);
    QCOMPARE(whatIf.Values().Users, 5);
    latency.LoadAnalysisClick(true);
    QCOMPARE(whatIf.Values().Users, 5);
    whatIf.RestoreOriginalValues();
    QCOMPARE(whatIf.Values().Users, 1);
    whatIf.RespGrid()->setRangeSelected(QTableWidgetSelectionRange(0, 1, 1, 3), true);
    QCOMPARE(whatIf.CopySelection().split("\r\n").size(), 3);

    toolbox.ThruputBtnClick();
    TThroughputAnalysisForm& throughput = program->ThroughputAnalysisForm();
    // A sample window typed below the range and ended with Enter takes the smallest one.
    auto* sample = throughput.findChild<QSpinBox*>("MinimumPacketsEdit");
    QVERIFY(sample != nullptr);
    sample->selectAll();
    QTest::keyClicks(sample, "2");
    QTest::keyClick(sample, Qt::Key_Return);
    QCOMPARE(sample->value(), 4);
    const std::string before = throughput.Content().Upper.Heading;
    // Another source: the open windows recompute for it.
    toolbox.SourceBoxChange((toolbox.Selection().SourceIndex + 1) % toolbox.SourceBox()->count());
    QVERIFY(throughput.Content().Upper.Heading != before);
    QCOMPARE(latency.Content().Upper.Heading, "Sender: " + toolbox.Selection().SenderText + "  " +
                                                  (toolbox.Selection().NoReversePath ? "Destination: " : "Responder: ") +
                                                  toolbox.Selection().ResponderText);
    QCOMPARE(toolbox.ProblemBtn()->isEnabled(), toolbox.Ladder().ProblemTotal > 0);
    QVERIFY(watcher.Messages.empty());
}

int RunTests(int argc, char** argv)
{
    ToolboxWindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "toolbox_windows_test.moc"
