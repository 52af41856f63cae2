#include "ui/misc/ErrorInformationForm.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "ui/misc/ErrorReportContent.h"

namespace quenlix {

TErrorInformationForm::TErrorInformationForm(QWidget* techSupport, QWidget* parent)
    : QDialog(parent), techSupport_(techSupport), errorInfo1_(new QLabel(this)), errorInfo2_(new QLabel(this)),
      abortButton_(new QPushButton("&Abort", this)), continueButton_(new QPushButton("&Continue", this)),
      techSupportButton_(new QPushButton("&Tech Support...", this))
{
    setObjectName("ErrorInformationForm");
    setWindowTitle("Error Information");
    setModal(true);
    Terminate = [] { std::_Exit(EXIT_FAILURE); };

    auto* headline = new QLabel(kErrorHeadline, this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);

    auto* panel = new QFrame(this);
    panel->setObjectName("ErrorInfoPanel");
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* panelLayout = new QVBoxLayout(panel);
    errorInfo1_->setObjectName("ErrorInfo1");
    errorInfo2_->setObjectName("ErrorInfo2");
    errorInfo1_->setWordWrap(true);
    errorInfo2_->setWordWrap(true);
    errorInfo1_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    errorInfo2_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    panelLayout->addWidget(errorInfo1_);
    panelLayout->addWidget(errorInfo2_);

    auto* buttons = new QHBoxLayout;
    abortButton_->setObjectName("AbortButton");
    continueButton_->setObjectName("ContinueButton");
    techSupportButton_->setObjectName("TechSupportButton");
    buttons->addWidget(abortButton_);
    buttons->addWidget(continueButton_);
    buttons->addWidget(techSupportButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headline);
    layout->addWidget(panel);
    layout->addWidget(new QLabel("Please report this to Kolm Group technical support", this));
    layout->addWidget(new QLabel(kErrorFootline, this));
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(abortButton_, &QPushButton::clicked, this, [this] {
        if (Terminate) Terminate();
        reject();
    });
    connect(continueButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(techSupportButton_, &QPushButton::clicked, this, [this] {
        if (auto* dialog = qobject_cast<QDialog*>(techSupport_)) dialog->exec();
    });
}

void TErrorInformationForm::ShowFailure(const std::string& className, bool hasMessage, const std::string& message,
                                        uintptr_t address)
{
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const ErrorReportTexts texts = BuildErrorReport(className, program, address, hasMessage, message);
    errorInfo1_->setText(QString::fromStdString(texts.ErrorInfo1));
    errorInfo2_->setText(QString::fromStdString(texts.ErrorInfo2));
    exec();
}

QString TErrorInformationForm::ErrorInfo1() const
{
    return errorInfo1_->text();
}

QString TErrorInformationForm::ErrorInfo2() const
{
    return errorInfo2_->text();
}

}  // namespace quenlix
