#include "ui/main/ReadTraceFileForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QScreen>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "ui/controls/TextBoxWidget.h"

namespace quenlix {

TReadTraceFileForm::TReadTraceFileForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowSystemMenuHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      label1_(new QLabel("Reading Packet:", this)), frameCountTextBox_(new TTextBox(this)),
      traceDurationLabel_(new QLabel("Trace Duration:", this)), traceDurationTextBox_(new TTextBox(this)),
      pctComplete_(new QLabel(this)), pctProgressBar_(new QProgressBar(this)),
      cancelButton_(new QPushButton("&Stop", this)), showProgressTimer_(new QTimer(this))
{
    setObjectName("ReadTraceFileForm");
    setWindowTitle("Reading Trace File");
    setFixedSize(305, 113);
    setModal(false);

    frameCountTextBox_->setObjectName("FrameCountTextBox");
    traceDurationTextBox_->setObjectName("TraceDurationTextBox");
    traceDurationTextBox_->setText("00:00:00");
    pctComplete_->setObjectName("PctComplete");
    pctProgressBar_->setObjectName("PctProgressBar");
    pctProgressBar_->setRange(0, 100);
    pctProgressBar_->setTextVisible(false);
    cancelButton_->setObjectName("CancelButton");
    cancelButton_->setToolTip("Stop read operation");
    showProgressTimer_->setInterval(kProgressTickMilliseconds);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setVerticalSpacing(4);
    layout->addWidget(label1_, 0, 0);
    layout->addWidget(frameCountTextBox_, 0, 1);
    layout->addWidget(cancelButton_, 0, 2, 2, 1, Qt::AlignVCenter);
    layout->addWidget(traceDurationLabel_, 1, 0);
    layout->addWidget(traceDurationTextBox_, 1, 1);
    layout->addWidget(pctComplete_, 2, 0, 1, 3);
    layout->addWidget(pctProgressBar_, 3, 0, 1, 3);

    connect(cancelButton_, &QPushButton::clicked, this, &TReadTraceFileForm::CancelButtonClick);
    connect(showProgressTimer_, &QTimer::timeout, this, &TReadTraceFileForm::ShowProgressTimerTimer);
}

void TReadTraceFileForm::BeginRead(AnalysisState& state)
{
    state_ = &state;
    progress_.Begin(state.Read.TraceFileName);
    ShowTexts();
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    showProgressTimer_->start();
    repaint();
}

void TReadTraceFileForm::FinishRead()
{
    if (state_ == nullptr) return;
    // The first tick after the read writes the duration text the views show.
    ShowProgressTimerTimer();
    if (!ReadProgress::ShouldClose(*state_)) {
        QEventLoop linger;
        lingerLoop_ = &linger;
        linger.exec();
        lingerLoop_ = nullptr;
    }
    showProgressTimer_->stop();
    hide();
    state_ = nullptr;
}

void TReadTraceFileForm::CancelButtonClick()
{
    if (state_ == nullptr) return;
    progress_.CancelButtonClick(*state_);
    ShowTexts();
    EndLingerWhenDue();
}

void TReadTraceFileForm::EndLingerWhenDue()
{
    if (lingerLoop_ != nullptr && state_ != nullptr && ReadProgress::ShouldClose(*state_)) lingerLoop_->quit();
}

void TReadTraceFileForm::ShowProgressTimerTimer()
{
    if (state_ == nullptr) return;
    const bool minimised = mainWindow_ != nullptr && mainWindow_->isMinimized();
    progress_.Tick(*state_, minimised);
    ShowTexts();
    EndLingerWhenDue();
}

void TReadTraceFileForm::ShowTexts()
{
    const ReadProgressTexts& texts = progress_.Texts();
    setWindowTitle(QString::fromStdString(texts.Caption));
    label1_->setText(QString::fromStdString(texts.FrameCountLabel));
    frameCountTextBox_->setText(QString::fromStdString(texts.FrameCount));
    traceDurationLabel_->setText(QString::fromStdString(texts.DurationLabel));
    traceDurationTextBox_->setText(QString::fromStdString(texts.Duration));
    pctComplete_->setText(QString::fromStdString(texts.PercentComplete));
    pctProgressBar_->setValue(texts.ProgressBar);
    cancelButton_->setText(QString::fromStdString(texts.ButtonCaption));
    cancelButton_->setToolTip(QString::fromStdString(texts.ButtonHint));
    if (mainWindow_ != nullptr && mainWindow_->isMinimized())
        mainWindow_->setWindowTitle(QString::fromStdString(texts.ApplicationTitle));
}

void TReadTraceFileForm::closeEvent(QCloseEvent* event)
{
    // Closing the window stops a read; once the read is over it ends the linger.
    if (state_ != nullptr) {
        if (!state_->Read.ReadFinished) {
            progress_.FormClose();
            event->ignore();
            return;
        }
        state_->Read.LingerTime = kProgressLingerMilliseconds;
        EndLingerWhenDue();
    }
    QDialog::closeEvent(event);
}

void TReadTraceFileForm::reject()
{
    CancelButtonClick();
}

}  // namespace quenlix
