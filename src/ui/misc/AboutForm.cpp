#include "ui/misc/AboutForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/controls/DialogButtonWidget.h"
#include "model/ProgramTexts.h"
#include "ui/misc/ErrorReportContent.h"

namespace quenlix {

namespace {

QLabel* Line(const std::string& text, int pointSize = 0, bool bold = false)
{
    auto* label = new QLabel(QString::fromStdString(text));
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = label->font();
    if (pointSize > 0) font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

}  // namespace

TTechnicalSupportForm::TTechnicalSupportForm(QWidget* parent) : QDialog(parent)
{
    const TechnicalSupportTexts texts = BuildTechnicalSupportTexts();
    setObjectName("TechnicalSupportForm");
    setWindowTitle(QString::fromStdString(texts.Caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Line(texts.Heading, 12, true));
    QLabel* contact = Line(texts.Contact);
    contact->setWordWrap(true);
    layout->addWidget(contact);
    layout->addWidget(Line(texts.WebLabel + " " + kWebSiteAddress));
    layout->addWidget(Line(texts.EmailLabel + " " + texts.Email));
    layout->addWidget(new TOKButton, 0, Qt::AlignHCenter);
    setMinimumWidth(380);
}

TAboutForm::TAboutForm(TTechnicalSupportForm* techSupport, QWidget* parent) : QDialog(parent), techSupport_(techSupport)
{
    const AboutTexts texts = BuildAboutTexts(QUENLIX_VERSION, qVersion());
    setObjectName("AboutForm");
    setWindowTitle(QString::fromStdString(texts.Caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Line(texts.ProgramName, 16, true));
    layout->addWidget(Line(texts.Version));
    layout->addWidget(Line(texts.Description));
    layout->addWidget(Line(texts.Toolkit));
    layout->addWidget(Line(texts.Copyright));

    auto* buttons = new QHBoxLayout;
    auto* support = new QPushButton("&Tech Support...");
    support->setObjectName("TechSupportButton");
    buttons->addStretch();
    buttons->addWidget(new TOKButton);
    buttons->addWidget(support);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(support, &QPushButton::clicked, this, [this] {
        if (techSupport_ != nullptr) techSupport_->exec();
    });
    setMinimumWidth(320);
}

}  // namespace quenlix
