#pragma once
// TErrorInformationForm: the "Error Information" window every failure that
// escapes an event handler reaches. Abort ends the program; Continue returns to
// the event loop; Tech Support shows the maker's contact details.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace quenlix {

class TErrorInformationForm : public QDialog {
    Q_OBJECT
public:
    // The program's start-up code makes it the application's handler of escaped failures.
    TErrorInformationForm(QWidget* techSupport, QWidget* parent = nullptr);

    // Shows the failure modally; returns when the user chose Continue.
    void ShowFailure(const std::string& className, bool hasMessage, const std::string& message, uintptr_t address);

    // What Abort does; by default it ends the program at once.
    std::function<void()> Terminate;

    QString ErrorInfo1() const;
    QString ErrorInfo2() const;
    QPushButton* AbortButton() const { return abortButton_; }
    QPushButton* ContinueButton() const { return continueButton_; }

private:
    QWidget* techSupport_;
    QLabel* errorInfo1_;
    QLabel* errorInfo2_;
    QPushButton* abortButton_;
    QPushButton* continueButton_;
    QPushButton* techSupportButton_;
};

}  // namespace quenlix
