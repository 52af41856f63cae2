#include "app/gui/GuiReadHost.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/main/ReadTraceFileForm.h"

namespace quenlix {

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessageBox(QWidget* parent, MessageIcon icon, const std::string& title, const std::string& text)
{
    QMessageBox box(BoxIcon(icon), QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    parent);
    box.setObjectName("QuenlixMessageBox");
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

GuiReadHost::GuiReadHost(AnalysisState& state, TReadTraceFileForm& progressForm, QWidget* messageParent)
    : state_(state), progressForm_(progressForm), messageParent_(messageParent)
{
}

void GuiReadHost::PumpEvents()
{
    QApplication::processEvents();
}

bool GuiReadHost::StopRequested()
{
    return progressForm_.StopRequested();
}

void GuiReadHost::ShowMessage(MessageIcon icon, const std::string& title, const std::string& text)
{
    ShowMessageBox(messageParent_, icon, title, text);
}

void GuiReadHost::RequestStop()
{
    progressForm_.RequestStop();
}

void GuiReadHost::ReadStarted(const AnalysisState& /*state*/)
{
    progressForm_.BeginRead(state_);
}

void GuiReadHost::ReadFinished(const AnalysisState& /*state*/)
{
    progressForm_.FinishRead();
}

}  // namespace quenlix
