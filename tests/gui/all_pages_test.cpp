// Every page of the main window on the real captures: each tab is shown and
// painted, at the window's size and squeezed small, and its copy and select-all
// commands run, without a message box or a failure reaching the error report.

#include <QAction>
#include <QFile>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "app/gui/QuenlixApplication.h"
#include "ui/main/MainForm.h"
#include "ui/main/MainWindowContent.h"

namespace quenlix::guitest {

namespace {

// Failures escaping an event handler, recorded instead of shown.
class FailureRecorder {
public:
    FailureRecorder()
    {
        if (application_ == nullptr) return;
        application_->SetFailureHandler([this](const std::string& name, bool, const std::string& text, uintptr_t) {
            Failures << QString::fromStdString(name + ": " + text);
        });
    }
    ~FailureRecorder()
    {
        if (application_ != nullptr) application_->SetFailureHandler({});
    }
    FailureRecorder(const FailureRecorder&) = delete;
    FailureRecorder& operator=(const FailureRecorder&) = delete;

    QStringList Failures;

private:
    QuenlixApplication* application_ = qobject_cast<QuenlixApplication*>(QCoreApplication::instance());
};

// Shows the page and paints it into a picture, as the screen would.
bool ShowAndPaint(TMainForm& form, int index)
{
    QTabWidget* pages = form.MainPageControl();
    pages->setCurrentIndex(index);
    QApplication::processEvents();
    QWidget* page = pages->widget(index);
    if (page == nullptr || !page->isVisible()) return false;
    const QPixmap picture = form.grab();
    return !picture.isNull() && picture.width() > 0;
}

void RunPageCommands(TMainForm& form)
{
    for (const char* name : {"SelectAll1", "Copy1"}) {
        QAction* action = form.Action(name);
        if (action->isEnabled()) action->trigger();
        QApplication::processEvents();
    }
}

}  // namespace

class AllPagesTest : public QObject {
    Q_OBJECT

private slots:
    void EveryPageOfACapture_data();
    void EveryPageOfACapture();
};

void AllPagesTest::EveryPageOfACapture_data()
{
    QTest::addColumn<QString>("capture");
    QTest::newRow("office-a") << "office-a.enc";
    QTest::newRow("zoo-a") << "zoo-a.enc";
}

void AllPagesTest::EveryPageOfACapture()
{
    QFETCH(QString, capture);
    const QString path = CapturePath(capture);
    if (!QFile::exists(path)) QSKIP(qPrintable("../shared/captures/" + capture + " is not present"));
    Scratch scratch;
    ModalWatcher watcher;
    FailureRecorder recorder;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, path);
    QVERIFY(form.MainPageControl()->isVisible());
    QCOMPARE(form.MainPageControl()->count(), static_cast<int>(MainPages().size()));

    for (int index = 0; index < form.MainPageControl()->count(); ++index) {
        QVERIFY2(ShowAndPaint(form, index), qPrintable(form.MainPageControl()->tabText(index)));
        RunPageCommands(form);
    }
    // Squeezed far below its usual size, every page still paints.
    form.resize(200, 150);
    for (int index = 0; index < form.MainPageControl()->count(); ++index)
        QVERIFY2(ShowAndPaint(form, index), qPrintable(form.MainPageControl()->tabText(index)));

    QVERIFY2(recorder.Failures.isEmpty(), qPrintable(recorder.Failures.join('\n')));
    QVERIFY(watcher.Messages.empty());
}

int RunTests(int argc, char** argv)
{
    AllPagesTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "all_pages_test.moc"
