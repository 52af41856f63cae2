#include "ui/misc/HelpForm.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/main/FormPlacementWidget.h"
#include "ui/main/MainWindowContent.h"

namespace quenlix {

namespace {

bool IsWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == "http" || scheme == "https" || scheme == "mailto";
}

QToolButton* NavigationButton(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

// The browser of the help pages: each page is read through HelpPageText, so that
// the captions it quotes show as the user sees them on screen.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override
    {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::HtmlResource || resource.typeId() != QMetaType::QByteArray) return resource;
        return QByteArray::fromStdString(HelpPageText(resource.toByteArray().toStdString()));
    }
};

}  // namespace

QString NoWebBrowserMessage(const QString& address)
{
    return "No program is set up to open web addresses on this computer. The address is: " + address;
}

THelpForm::THelpForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("HelpForm");
    setWindowTitle(kHelpWindowTitle);
    ResizeWithinScreen(*this, QSize(640, 520));
    OpenExternal = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    backBtn_ = NavigationButton(this, "HelpBackBtn", "&Back", "Back to the page shown before");
    forwardBtn_ = NavigationButton(this, "HelpForwardBtn", "&Forward", "Forward to the next page");
    contentsBtn_ = NavigationButton(this, "HelpContentsBtn", "&Contents", "The list of help topics");
    browser_ = new HelpBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(backBtn_);
    buttons->addWidget(forwardBtn_);
    buttons->addWidget(contentsBtn_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);

    backBtn_->setEnabled(false);
    forwardBtn_->setEnabled(false);
    connect(backBtn_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardBtn_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(contentsBtn_, &QToolButton::clicked, this, [this] {
        if (!contentsPage_.isEmpty()) browser_->setSource(QUrl::fromLocalFile(contentsPage_));
    });
    connect(browser_, &QTextBrowser::backwardAvailable, backBtn_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardBtn_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::anchorClicked, this, &THelpForm::LinkClicked);
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(browser_->documentTitle().isEmpty() ? QString(kHelpWindowTitle) : browser_->documentTitle()); });
}

void THelpForm::ShowPage(const QString& file)
{
    const QFileInfo page(file);
    contentsPage_ = page.dir().filePath("index.html");
    if (page.exists()) {
        browser_->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
    } else {
        browser_->setHtml("<h1>Help page not found</h1><p>The help page " + file.toHtmlEscaped() +
                          " is missing. Reinstall Quenlix to restore its help pages.</p>");
    }
    show();
    raise();
    activateWindow();
}

QString THelpForm::CurrentPage() const
{
    return browser_->source().toLocalFile();
}

void THelpForm::LinkClicked(const QUrl& url)
{
    if (IsWebAddress(url)) {
        if (!OpenExternal || !OpenExternal(url)) ShowNoBrowserMessage(url);
        return;
    }
    browser_->setSource(browser_->source().resolved(url));
}

void THelpForm::ShowNoBrowserMessage(const QUrl& url)
{
    QMessageBox::information(this, "Quenlix - Help", NoWebBrowserMessage(url.toString()));
}

}  // namespace quenlix
