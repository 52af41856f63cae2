#pragma once
// TSystemInformationForm: the "System Information" window: processor, operating
// system, screen resolution and memory. The memory load is refreshed by a timer
// that runs only while the window is visible.

#include <QDialog>
#include <optional>

#include "ui/misc/SystemInfoContent.h"

class QTimer;

namespace quenlix {

class TTextBox;

class TSystemInformationForm : public QDialog {
    Q_OBJECT
public:
    explicit TSystemInformationForm(QWidget* parent = nullptr);

    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The host facts are read once, the first time the window is shown.
    const HostFacts& Facts();
    void ShowScreen();

    std::optional<HostFacts> facts_;
    TTextBox* processorArch_;
    TTextBox* processorType_;
    TTextBox* osPlatform_;
    TTextBox* osVersion_;
    TTextBox* screenWidth_;
    TTextBox* screenHeight_;
    TTextBox* memoryPhysical_;
    TTextBox* memoryUtilization_;
    QTimer* timer1_;
};

}  // namespace quenlix
