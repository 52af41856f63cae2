#include "ui/print/PrintStatusForm.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/TextBoxWidget.h"
#include "ui/print/PrintContent.h"

namespace quenlix {

TPrintStatusForm::TPrintStatusForm(QWidget* parent)
    : QDialog(parent), statusTextBox_(new TTextBox), cancelButton_(new QPushButton("&Cancel"))
{
    setObjectName("PrintStatusForm");
    setWindowTitle(kPrintStatusCaption);
    setFixedSize(kPrintStatusWidth, kPrintStatusHeight);

    statusTextBox_->setObjectName("StatusTextBox");
    statusTextBox_->setAlignment(Qt::AlignCenter);
    statusTextBox_->BevelOuter = Bevel::None;
    statusTextBox_->setText(kPrintStatusInitialText);
    cancelButton_->setObjectName("CancelButton");
    cancelButton_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusTextBox_, 1);
    layout->addWidget(cancelButton_, 0, Qt::AlignHCenter);
    connect(cancelButton_, &QPushButton::clicked, this, &TPrintStatusForm::CancelButtonClick);
}

void TPrintStatusForm::StatusMessage(int code)
{
    if (code == kPrintStatusDone) {
        hide();
        return;
    }
    statusTextBox_->setText(QString::fromStdString(PrintStatusText(code)));
}

QString TPrintStatusForm::StatusText() const
{
    return statusTextBox_->text();
}

void TPrintStatusForm::CancelButtonClick()
{
    printCancelled_ = true;
}

void TPrintStatusForm::showEvent(QShowEvent* event)
{
    printCancelled_ = false;
    QDialog::showEvent(event);
}

void TPrintStatusForm::reject()
{
    CancelButtonClick();
    QDialog::reject();
}

}  // namespace quenlix
