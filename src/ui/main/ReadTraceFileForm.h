#pragma once
// TReadTraceFileForm: the small always-on-top window shown while a trace is read,
// with the frame count, the trace duration, the percentage, and the Stop/OK
// button. Its 100 ms timer drives the texts; after the read it lingers 1.5 s.

#include <QDialog>

#include "model/AnalysisState.h"
#include "ui/main/ReadProgressContent.h"

class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace quenlix {

class TTextBox;

class TReadTraceFileForm : public QDialog {
    Q_OBJECT
public:
    explicit TReadTraceFileForm(QWidget* parent = nullptr);

    // The main window: while it is minimised its title shows the read's progress.
    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }

    // A read starts: fresh texts, the Stop flag cleared, the window up, the timer on.
    void BeginRead(AnalysisState& state);
    // The read has ended: let the window linger until 1.5 s have passed or OK is
    // pressed, keeping the interface alive, then close it.
    void FinishRead();

    bool StopRequested() const { return progress_.StopRequested(); }
    // Stops the read as closing the window does.
    void RequestStop() { progress_.FormClose(); }
    const ReadProgressTexts& Texts() const { return progress_.Texts(); }
    QPushButton* CancelButton() const { return cancelButton_; }

    void CancelButtonClick();
    void ShowProgressTimerTimer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Esc answers like the button

private:
    void ShowTexts();
    void EndLingerWhenDue();

    ReadProgress progress_;
    AnalysisState* state_ = nullptr;
    QWidget* mainWindow_ = nullptr;
    QEventLoop* lingerLoop_ = nullptr;
    QLabel* label1_;
    TTextBox* frameCountTextBox_;
    QLabel* traceDurationLabel_;
    TTextBox* traceDurationTextBox_;
    QLabel* pctComplete_;
    QProgressBar* pctProgressBar_;
    QPushButton* cancelButton_;
    QTimer* showProgressTimer_;
};

}  // namespace quenlix
