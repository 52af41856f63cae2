#include "ui/misc/SystemInformationForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "model/NumberFormat.h"
#include "ui/controls/DialogButtonWidget.h"
#include "ui/controls/QtText.h"
#include "ui/controls/TextBoxWidget.h"

namespace quenlix {

namespace {

constexpr int kMemoryRefreshMilliseconds = 1000;

TTextBox* InfoBox(const QString& name)
{
    auto* box = new TTextBox;
    box->setObjectName(name);
    box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    box->setText(QString());
    box->setMinimumWidth(150);
    return box;
}

QGroupBox* Group(const QString& caption, const QString& firstLabel, TTextBox* first, const QString& secondLabel,
                 TTextBox* second)
{
    auto* group = new QGroupBox(caption);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(firstLabel), 0, 0);
    grid->addWidget(first, 0, 1);
    grid->addWidget(new QLabel(secondLabel), 1, 0);
    grid->addWidget(second, 1, 1);
    return group;
}

}  // namespace

TSystemInformationForm::TSystemInformationForm(QWidget* parent)
    : QDialog(parent), processorArch_(InfoBox("ProcessorArchTextBox")),
      processorType_(InfoBox("ProcessorTypeTextBox")), osPlatform_(InfoBox("OSPlatformTextBox")),
      osVersion_(InfoBox("OSVersionTextBox")), screenWidth_(InfoBox("ScreenResWidthTextBox")),
      screenHeight_(InfoBox("ScreenResHeightTextBox")), memoryPhysical_(InfoBox("MemoryPhysicalTextBox")),
      memoryUtilization_(InfoBox("MemoryUtilizationTextBox")), timer1_(new QTimer(this))
{
    setObjectName("SystemInformationForm");
    setWindowTitle("System Information");
    timer1_->setInterval(kMemoryRefreshMilliseconds);
    connect(timer1_, &QTimer::timeout, this, &TSystemInformationForm::Timer1Timer);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Group("Processor", "Architecture:", processorArch_, "Type:", processorType_));
    layout->addWidget(Group("Operating System", "Platform:", osPlatform_, "Version:", osVersion_));
    layout->addWidget(Group("Screen Resolution", "Width:", screenWidth_, "Height:", screenHeight_));
    layout->addWidget(Group("Memory", "Physical:", memoryPhysical_, "Utilization:", memoryUtilization_));
    auto* ok = new TOKButton;
    layout->addWidget(ok, 0, Qt::AlignRight);
}

const HostFacts& TSystemInformationForm::Facts()
{
    if (!facts_) facts_ = ReadHostFacts();
    return *facts_;
}

void TSystemInformationForm::ShowScreen()
{
    const QScreen* screen = this->screen();
    const QSize size = screen != nullptr ? screen->geometry().size() : QSize();
    screenWidth_->setText(Q(FormatCount(size.width())));
    screenHeight_->setText(Q(FormatCount(size.height())));
}

void TSystemInformationForm::Timer1Timer()
{
    const int load = ReadMemoryLoad();
    memoryUtilization_->setText(load < 0 ? QString() : Q(MemoryLoadText(load)));
}

void TSystemInformationForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const SystemInfoTexts texts = BuildSystemInfo(Facts());
    processorArch_->setText(Q(texts.ProcessorArchitecture));
    processorType_->setText(Q(texts.ProcessorType));
    osPlatform_->setText(Q(texts.OSPlatform));
    osVersion_->setText(Q(texts.OSVersion));
    // A long system name ("Debian GNU/Linux 12 (bookworm)") widens its box, and the window with it.
    osPlatform_->setMinimumWidth(std::max(osPlatform_->minimumWidth(), osPlatform_->minimumSizeHint().width()));
    memoryPhysical_->setText(Q(texts.PhysicalMemory));
    ShowScreen();
    Timer1Timer();
    timer1_->start();
}

void TSystemInformationForm::hideEvent(QHideEvent* event)
{
    timer1_->stop();
    QDialog::hideEvent(event);
}

}  // namespace quenlix
