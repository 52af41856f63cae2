// The main window as a user meets it: the Reopen menu, window sizes on small
// screens, dropping a file, page switching from the keyboard and a failed open.

#include <QAction>
#include <QLabel>
#include <QFile>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "ui/main/MainForm.h"

namespace quenlix::guitest {

namespace {

// A short Ethernet trace of IP frames between two stations.
void WriteTrace(const QString& path, int frames)
{
    std::vector<testing::SnifferFrame> list;
    for (int i = 0; i < frames; ++i) {
        std::vector<uint8_t> bytes(60, 0);
        for (int b = 0; b < 12; ++b) bytes[static_cast<size_t>(b)] = static_cast<uint8_t>(0x10 + b);
        bytes[12] = 0x08;
        list.push_back({static_cast<uint64_t>(i) * 1000, bytes});
    }
    testing::WriteSnifferFile(path.toStdString(), testing::SnifferFileOptions{}, list);
}

QMenu* ReopenMenu(TMainForm& form)
{
    return form.findChild<QMenu*>("Reopen1");
}

}  // namespace

class MainWindowUseTest : public QObject {
    Q_OBJECT

private slots:
    void ReopenMenuFollowsTheListAfterAnEmptyFirstLook();
    void MinimumSizeFitsTheDefaultSizeAndSmallScreens();
    void DroppedTraceFileIsOpened();
    void CtrlTabSwitchesPagesFromAnywhere();
    void FailedOpenForgetsThePreviousTrace();
    void EarlyEndIsToldAndANothingReadTraceIsRefused();
};

void MainWindowUseTest::ReopenMenuFollowsTheListAfterAnEmptyFirstLook()
{
    Scratch scratch;
    const QString trace = scratch.Path("first.enc");
    WriteTrace(trace, 4);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QMenu* reopen = ReopenMenu(form);
    QVERIFY(reopen != nullptr);
    // Nothing to reopen: the submenu cannot be opened.
    QVERIFY(!reopen->menuAction()->isEnabled());
    reopen->popup(form.mapToGlobal(QPoint(10, 10)));
    reopen->hide();

    OpenTrace(*program, trace);
    QVERIFY(reopen->menuAction()->isEnabled());
    QVERIFY(form.Action("MRU1")->isVisible());
    QCOMPARE(form.Action("MRU1")->text(), "&1 " + trace);
    reopen->popup(form.mapToGlobal(QPoint(10, 10)));
    QVERIFY(QTest::qWaitForWindowExposed(reopen));
    QVERIFY(reopen->actions().contains(form.Action("MRU1")));
    reopen->hide();
}

void MainWindowUseTest::MinimumSizeFitsTheDefaultSizeAndSmallScreens()
{
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    const QString office = CapturePath("office-a.enc");
    if (QFile::exists(office)) OpenTrace(*program, office);
    for (int page = 0; page < form.MainPageControl()->count(); ++page) {
        form.MainPageControl()->setCurrentIndex(page);
        QApplication::processEvents();
        const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize());
        // A 1024 x 600 screen, less a title bar and a panel, holds the window...
        QVERIFY2(minimum.width() <= 1000 && minimum.height() <= 520,
                 qPrintable(QString("page %1: %2 x %3").arg(page).arg(minimum.width()).arg(minimum.height())));
        // ...and the default size is one the window can take.
        QVERIFY(minimum.width() <= 731 && minimum.height() <= 572);
    }
}

void MainWindowUseTest::DroppedTraceFileIsOpened()
{
    Scratch scratch;
    const QString trace = scratch.Path("dropped.enc");
    WriteTrace(trace, 7);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(trace)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QVERIFY(WaitFor([&] { return form.MainPageControl()->isVisible(); }));
    QCOMPARE(form.StatusPanel(1), QString("7 Frames"));

    // Two files, or a web address, are not taken.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(trace), QUrl::fromLocalFile(trace)});
    QDragEnterEvent enterTwo(QPoint(50, 50), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    enterTwo.ignore();
    QApplication::sendEvent(&form, &enterTwo);
    QVERIFY(!enterTwo.isAccepted());
    QMimeData web;
    web.setUrls({QUrl("https://example.org/trace.enc")});
    QDragEnterEvent enterWeb(QPoint(50, 50), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    enterWeb.ignore();
    QApplication::sendEvent(&form, &enterWeb);
    QVERIFY(!enterWeb.isAccepted());
    QVERIFY(watcher.Messages.empty());
}

void MainWindowUseTest::CtrlTabSwitchesPagesFromAnywhere()
{
    Scratch scratch;
    const QString trace = scratch.Path("pages.enc");
    WriteTrace(trace, 3);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    OpenTrace(*program, trace);
    QTabWidget* pages = form.MainPageControl();
    pages->setCurrentIndex(0);
    form.activateWindow();
    QApplication::processEvents();
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &form;
    QTest::keyClick(target, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(pages->currentIndex(), 1);
    target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &form;
    QTest::keyClick(target, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(target, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(pages->currentIndex(), pages->count() - 1);
}

void MainWindowUseTest::FailedOpenForgetsThePreviousTrace()
{
    Scratch scratch;
    const QString trace = scratch.Path("good.enc");
    WriteTrace(trace, 5);
    const QString garbage = scratch.Path("garbage.enc");
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300, 'x'));
    file.close();
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);
    QVERIFY(form.windowTitle().contains("good.enc"));

    OpenTrace(*program, garbage);
    QVERIFY(WaitFor([&] { return !watcher.Messages.empty(); }));
    QCOMPARE(form.windowTitle(), QString("Quenlix Fathom (tm) "));
    QCOMPARE(form.StatusPanel(1), QString());
    QCOMPARE(form.StatusPanel(2), QString());
    QVERIFY(!form.Action("Print1")->isEnabled());
    QVERIFY(!form.MainPageControl()->isVisible());
}

void MainWindowUseTest::EarlyEndIsToldAndANothingReadTraceIsRefused()
{
    Scratch scratch;
    // Traces cut inside their last frame record: four of five frames, and none of one.
    const auto cutTrace = [&](const QString& name, int frames) {
        const QString path = scratch.Path(name);
        WriteTrace(path, frames);
        QFile file(path);
        file.resize(file.size() - 40);
        return path;
    };
    const QString partial = cutTrace("partial.enc", 5);
    const QString nothing = cutTrace("nothing.enc", 1);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();

    OpenTrace(*program, partial);
    QVERIFY(WaitFor([&] { return !watcher.Messages.empty(); }));
    QVERIFY(form.MainPageControl()->isVisible());
    QCOMPARE(form.StatusPanel(1), QString("4 Frames"));
    QVERIFY2(form.ReadStatus().startsWith("Read ended at frame 5: "), qPrintable(form.ReadStatus()));
    // The caption says so, and the File Summary page holds the whole note.
    QVERIFY(form.windowTitle().endsWith(" (partial read)"));
    auto* note = form.findChild<QLabel*>("ReadNoteLabel");
    QVERIFY(note != nullptr && note->isVisibleTo(&form));
    QCOMPARE(note->text(), form.ReadStatus());

    // Not one frame read: no empty analysis, no recent-files entry, as the report's exit 2.
    watcher.Messages.clear();
    OpenTrace(*program, nothing);
    QVERIFY(WaitFor([&] { return !watcher.Messages.empty(); }));
    QVERIFY(!form.MainPageControl()->isVisible());
    QCOMPARE(form.windowTitle(), QString("Quenlix Fathom (tm) "));
    QCOMPARE(form.ReadStatus(), QString());
    QCOMPARE(form.RecentFiles()[0], partial.toStdString());
}

int RunTests(int argc, char** argv)
{
    MainWindowUseTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "main_window_use_test.moc"
