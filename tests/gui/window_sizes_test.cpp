// Every window opened on a trace can be made small enough for a 1024x600 screen
// and for a 1600x1000 screen at scale factor 2 (800x500 logical pixels): content
// that cannot shrink scrolls instead of holding the window large. With
// QUENLIX_GUI_SHOTS set to a folder, each window's picture at that size is saved there.

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTest>

#include "GuiTestSupport.h"
#include "ui/analysis/ExpertAnalysisForm.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/main/MainForm.h"
#include "ui/misc/HelpForm.h"
#include "ui/misc/SystemInformationForm.h"
#include "ui/peermaps/PeerMapForm.h"
#include "ui/print/PrintSelectionForm.h"

namespace quenlix::guitest {

namespace {

// The smallest screen the windows must fit, in logical pixels.
const QSize kSmallestScreen(800, 500);

void SaveShot(QWidget& window)
{
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    window.resize(window.size().boundedTo(kSmallestScreen));
    QApplication::processEvents();
    window.grab().save(QDir(folder).filePath(window.objectName() + ".png"));
}

}  // namespace

class WindowSizesTest : public QObject {
    Q_OBJECT

private slots:
    void EveryWindowShrinksToTheSmallestScreen();
};

void WindowSizesTest::EveryWindowShrinksToTheSmallestScreen()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    OpenTrace(*program, capture);
    TMainForm& form = program->MainForm();
    form.AnalyzeBtnClick();
    TFathomToolboxForm& toolbox = program->FathomToolboxForm();
    toolbox.LatencyBtnClick();
    toolbox.ThruputBtnClick();
    program->LatencyAnalysisForm().LoadAnalysisClick(true);
    for (const char* button : {"NetworkBtn", "StationBtn"}) form.Action(button)->trigger();
    const std::vector<QWidget*> windows = {
        &form,
        &toolbox,
        &program->LatencyAnalysisForm(),
        &program->ThroughputAnalysisForm(),
        &program->ProblemAnalysisForm(),
        &program->WhatIfAnalysisForm(),
        &program->NetworkStatisticsForm(),
        &program->StationStatsForm(),
        &form.HelpWindow(),
        &program->SystemInformationForm(),
        &program->PrintSelectionForm(),
    };
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    for (QWidget* window : windows) {
        window->show();
        QApplication::processEvents();
        const QString name = window->objectName();
        QVERIFY2(kSmallestScreen.expandedTo(window->minimumSize()) == kSmallestScreen, qPrintable(name));
        QVERIFY2(kSmallestScreen.expandedTo(window->minimumSizeHint()) == kSmallestScreen, qPrintable(name));
        // The default size stays on the screen.
        QVERIFY2(screen.expandedTo(window->size()) == screen, qPrintable(name));
        SaveShot(*window);
    }
    QVERIFY(watcher.Messages.empty());
}

int RunTests(int argc, char** argv)
{
    WindowSizesTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "window_sizes_test.moc"
