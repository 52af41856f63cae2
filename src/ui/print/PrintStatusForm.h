#pragma once
// TPrintStatusForm: the small "Print Status" window shown while the chosen
// windows print. It names the window being printed and offers Cancel, which
// stops the windows not yet started.

#include <QDialog>

class QPushButton;

namespace quenlix {

class TTextBox;

class TPrintStatusForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintStatusForm(QWidget* parent = nullptr);

    // A status code: "Printing " + the window's caption + "..."; 0 closes the window.
    void StatusMessage(int code);

    bool PrintCancelled() const { return printCancelled_; }
    QString StatusText() const;
    QPushButton* CancelButton() const { return cancelButton_; }

    void CancelButtonClick();

protected:
    // Activation clears the Cancel of an earlier run.
    void showEvent(QShowEvent* event) override;
    // Esc and the window's close button cancel like the button.
    void reject() override;

private:
    bool printCancelled_ = false;
    TTextBox* statusTextBox_;
    QPushButton* cancelButton_;
};

}  // namespace quenlix
