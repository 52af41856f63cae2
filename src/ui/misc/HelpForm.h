#pragma once
// THelpForm: the program's own help window, a text browser on the bundled HTML
// pages, so help works without a web browser. Links to other pages of the help
// stay in the window; web addresses go to the desktop's handler.

#include <QWidget>
#include <functional>

class QTextBrowser;
class QToolButton;
class QUrl;

namespace quenlix {

inline constexpr const char* kHelpWindowTitle = "Quenlix Help";

class THelpForm : public QWidget {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    // Shows the page (a local HTML file) and brings the window to the front.
    void ShowPage(const QString& file);
    // The page shown now, as a local file path; empty before the first page.
    QString CurrentPage() const;

    // Opens a web address with the desktop's handler; false when there is none.
    std::function<bool(const QUrl&)> OpenExternal;

private:
    void LinkClicked(const QUrl& url);
    void ShowNoBrowserMessage(const QUrl& url);

    QTextBrowser* browser_;
    QToolButton* backBtn_;
    QToolButton* forwardBtn_;
    QToolButton* contentsBtn_;
    QString contentsPage_;
};

// "No program is set up to open web addresses on this computer. The address is: <url>"
QString NoWebBrowserMessage(const QString& address);

}  // namespace quenlix
