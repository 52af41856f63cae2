#include "ui/main/ExportFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "model/ReadHost.h"

namespace quenlix {

namespace {

// Keeps the windows painted during the export's read, without taking the user's
// input, which could start another read of the same state.
class ExportPaintHost : public ReadHost {
public:
    void PumpEvents() override { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
};

}  // namespace

ExportChoice ChooseExportFile(QWidget* parent, const std::string& suggestedPath)
{
    QFileDialog dialog(parent, kExportDialogTitle, QString::fromStdString(suggestedPath));
    dialog.setObjectName("ExportDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({"pcapng (*.pcapng)", "All files (*)"});
    dialog.setDefaultSuffix("pcapng");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().front();
    // The dialog asked before accepting a file that exists: the answer was yes.
    return {QFileInfo(path).absoluteFilePath().toStdString(), QFileInfo::exists(path)};
}

void ExportWithDialogs(QWidget* parent, ExportRequest request, const ExportFileChooser& chooser)
{
    const ExportChoice choice = chooser(parent, ExportFileSuggestion(request.TraceFileName));
    if (choice.Path.empty()) return;
    request.OutputPath = choice.Path;
    request.Force = choice.Replace;
    ExportPaintHost host;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportOutcome outcome = ExportTrace(request, host);
    QApplication::restoreOverrideCursor();
    const QMessageBox::Icon icon = !outcome.Ok()       ? QMessageBox::Critical
                                   : outcome.Partial   ? QMessageBox::Warning
                                                       : QMessageBox::Information;
    QMessageBox box(icon, kExportTitle, QString::fromStdString(ExportOutcomeText(outcome, choice.Path)),
                    QMessageBox::Ok, parent);
    box.setObjectName("QuenlixMessageBox");
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace quenlix
