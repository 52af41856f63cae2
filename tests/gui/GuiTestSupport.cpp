#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>

#include "ui/main/MainForm.h"

namespace quenlix::guitest {

ModalWatcher::ModalWatcher()
{
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, &ModalWatcher::Check);
    timer_.start();
}

void ModalWatcher::Check()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Messages.push_back({box->icon(), box->windowTitle(), box->text()});
        box->accept();
        return;
    }
    if (OnOtherModal) OnOtherModal(modal);
}

std::string ProgramFolderWithVendorFile()
{
    return QUENLIX_SOURCE_DIR "/data";
}

std::unique_ptr<QuenlixProgram> StartProgram(const Scratch& scratch, const QStringList& arguments,
                                             const std::string& programFolder)
{
    StartupOptions options;
    options.SettingsFile = scratch.SettingsFile();
    options.ProgramFolder = programFolder;
    options.SplashMilliseconds = 0;
    options.Arguments = arguments;
    return std::make_unique<QuenlixProgram>(options);
}

void OpenTrace(QuenlixProgram& program, const QString& path)
{
    program.MainForm().ProcessFile(path.toStdString());
}

QString CapturePath(const QString& name)
{
    return QDir::cleanPath(QUENLIX_SOURCE_DIR "/../shared/captures/" + name);
}

bool WaitFor(const std::function<bool()>& condition)
{
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > 10000) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace quenlix::guitest
