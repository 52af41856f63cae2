#pragma once
// The desktop application's side of a read: message boxes, the progress window,
// the Stop button, and keeping the windows alive while the core works.

#include <QPointer>
#include <QWidget>

#include "model/ReadHost.h"

namespace quenlix {

class TReadTraceFileForm;

// A modal message box with the core's icon, title and text.
void ShowMessageBox(QWidget* parent, MessageIcon icon, const std::string& title, const std::string& text);

class GuiReadHost : public ReadHost {
public:
    // The state is the one the reads fill; the progress window writes its
    // duration text and linger time into it.
    GuiReadHost(AnalysisState& state, TReadTraceFileForm& progressForm, QWidget* messageParent);
    void SetMessageParent(QWidget* parent) { messageParent_ = parent; }

    void PumpEvents() override;
    bool StopRequested() override;
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text) override;
    void ReadStarted(const AnalysisState& state) override;
    void ReadFinished(const AnalysisState& state) override;

    // Asks a running read to stop (the main window is closing).
    void RequestStop();

private:
    AnalysisState& state_;
    TReadTraceFileForm& progressForm_;
    QPointer<QWidget> messageParent_;
};

}  // namespace quenlix
