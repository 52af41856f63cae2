#pragma once
// TPrintSelectionForm: the "Print" window. The user checks which open windows to
// print and sets the margins, the header and the scaling; OK prints every chosen
// window, on the printer chosen in Printer Setup, as a picture of its client area,
// placed inside the margins with a header line naming the trace.

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "model/AnalysisState.h"
#include "ui/main/SettingsContent.h"
#include "ui/main/TipContent.h"
#include "ui/print/PrintContent.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPainter;
class QPrinter;
class QPushButton;
class QToolButton;

namespace quenlix {

class TPrintStatusForm;

// What the window prints and where its values live; given once the main window exists.
struct PrintSources {
    // The window of each choice, in the order of PrintChoices() (the main window
    // first); null for windows the program does not have.
    std::array<QWidget*, kPrintChoiceCount> Windows{};
    PrintSetup* PageSetup = nullptr;       // the page-setup values kept in the settings
    const AnalysisState* State = nullptr;  // the trace the header names
    std::function<void(const TipSet&)> SetTips;
    std::function<void()> RestoreTips;
    QPrinter* Printer = nullptr;          // the program's printer
    std::function<void()> PrinterSetup;   // chooses that printer and its properties
    std::function<void(int)> OpenHelp;    // shows the page of a help context
};

// The help context of the Print window (F1).
constexpr int kPrintSelectionHelpContext = 6;

class TPrintSelectionForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintSelectionForm(TPrintStatusForm& statusForm, QWidget* parent = nullptr);
    ~TPrintSelectionForm() override;

    void SetSources(PrintSources sources);

    // Activation: the tips, the page-setup values shown, each choice enabled for
    // its window, and OK.
    void FormActivate();
    void EnableOkBtn();
    void SpinMargin(MarginSide side, bool up);
    void PrintHeaderBoxClick();
    void RadioGroup1Click();
    // OK: closes the window and prints on the program's printer.
    void OKPrtBtnClick();
    // Chooses the printer that the print runs use, and its properties.
    void PrinterSetup();

    // The print run on a printer already chosen: each checked and enabled window
    // in table order, as a print job titled "Output from Quenlix". Output to a
    // file holds one page per window, as separate jobs would overwrite the file.
    // Throws std::runtime_error when the printer cannot print.
    void PrintSelectedWindows(QPrinter& printer);

    QPrinter& Printer() { return sources_.Printer != nullptr ? *sources_.Printer : *ownPrinter_; }
    const PrintSetup& PageSetup() const;
    QCheckBox* Check(size_t index) const { return checks_[index]; }
    QToolButton* CheckButton(size_t index) const { return checkButtons_[index]; }
    QPushButton* OkButton() const { return okButton_; }
    QString MarginText(MarginSide side) const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing, by any button: the tips of the window below come back.
    void done(int result) override;

private:
    class PrintedPages;

    PrintSetup& EditableSetup();
    void EnableChoices();
    void ShowMargins();
    void PrintWindow(PrintedPages& pages, QWidget& window);
    QString HeaderText() const;

    TPrintStatusForm& statusForm_;
    PrintSources sources_;
    PrintSetup ownSetup_;  // used until the settings' values are given
    PrintChoiceFlags enabled_{};
    std::unique_ptr<QPrinter> ownPrinter_;  // used until the program's printer is given
    std::array<QCheckBox*, kPrintChoiceCount> checks_{};
    std::array<QToolButton*, kPrintChoiceCount> checkButtons_{};
    std::array<QLabel*, 4> marginPanels_{};
    QCheckBox* printHeaderBox_ = nullptr;
    QButtonGroup* output_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace quenlix
