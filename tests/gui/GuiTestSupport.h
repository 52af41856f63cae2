#pragma once
// Helpers of the desktop tests: a program started on settings in a scratch
// folder, and a watcher that answers modal windows and records what they said.

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/QuenlixProgram.h"

namespace quenlix::guitest {

struct SeenMessage {
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Title;
    QString Text;
};

// Polls for the top modal window. Message boxes are recorded and closed with OK;
// any other modal window is handed to OnOtherModal, which must close it.
class ModalWatcher : public QObject {
public:
    ModalWatcher();
    std::vector<SeenMessage> Messages;
    std::function<void(QWidget*)> OnOtherModal;

private:
    void Check();
    QTimer timer_;
};

// A scratch folder with the settings file and any traces a test writes.
class Scratch {
public:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString SettingsFile() const { return Path("quenlix.ini"); }

private:
    QTemporaryDir dir_;
};

// The repository's folder holding OUI.TXT.
std::string ProgramFolderWithVendorFile();

// The program started as the user starts it, without the two-second splash.
std::unique_ptr<QuenlixProgram> StartProgram(const Scratch& scratch, const QStringList& arguments = {},
                                             const std::string& programFolder = ProgramFolderWithVendorFile());

// Opens a trace as File Open does once the user has chosen it.
void OpenTrace(QuenlixProgram& program, const QString& path);

// ../shared/captures beside the repository.
QString CapturePath(const QString& name);

// Runs the event loop until the condition holds or about ten seconds have passed.
bool WaitFor(const std::function<bool()>& condition);

}  // namespace quenlix::guitest
