#include "ui/print/PrintSelectionForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QKeyEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "ui/print/PrintStatusForm.h"

namespace quenlix {

namespace {

constexpr std::array<MarginSide, 4> kMarginSides = {MarginSide::Left, MarginSide::Right, MarginSide::Top,
                                                    MarginSide::Bottom};
constexpr int kHeaderPointSize = 10;

size_t SideIndex(MarginSide side)
{
    return static_cast<size_t>(side);
}

const char* MarginCaption(MarginSide side)
{
    switch (side) {
    case MarginSide::Right: return "Right";
    case MarginSide::Top: return "Top";
    case MarginSide::Bottom: return "Bottom";
    case MarginSide::Left: break;
    }
    return "Left";
}

const char* MarginPanelName(MarginSide side)
{
    switch (side) {
    case MarginSide::Right: return "RightMarginPnl";
    case MarginSide::Top: return "TopMarginPnl";
    case MarginSide::Bottom: return "BottomMarginPnl";
    case MarginSide::Left: break;
    }
    return "LeftMarginPnl";
}

// The spin buttons are numbered left 1, top 2, right 3, bottom 4.
const char* SpinButtonName(MarginSide side)
{
    switch (side) {
    case MarginSide::Right: return "SpinButton3";
    case MarginSide::Top: return "SpinButton2";
    case MarginSide::Bottom: return "SpinButton4";
    case MarginSide::Left: break;
    }
    return "SpinButton1";
}

// The speed buttons' picture: a small window with its title bar.
QIcon WindowGlyph()
{
    QPixmap pixmap(18, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 15, 13);
    p.fillRect(2, 2, 14, 3, QColor(0, 0, 128));
    p.setPen(QColor(128, 128, 128));
    p.drawLine(4, 8, 13, 8);
    p.drawLine(4, 11, 11, 11);
    return QIcon(pixmap);
}

QToolButton* ArrowButton(Qt::ArrowType arrow, const char* name)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedSize(18, 12);
    return button;
}

// The picture of a window's client area; a main window's menu bar is part of
// its frame rather than of what it shows.
QPixmap CaptureClientArea(QWidget& window)
{
    QRect area = window.rect();
    if (auto* main = qobject_cast<QMainWindow*>(&window)) {
        const QWidget* menu = main->menuWidget();
        if (menu != nullptr && menu->isVisible()) area.setTop(menu->geometry().bottom() + 1);
    }
    return window.grab(area);
}

// The printable area in printer pixels, its resolution and where it starts on the paper.
PrintPageMetrics PageMetrics(QPrinter& printer)
{
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    return {printer.width(),
            printer.height(),
            printer.logicalDpiX(),
            printer.logicalDpiY(),
            qRound(page.left() - paper.left()),
            qRound(page.top() - paper.top())};
}

void DrawHeader(QPainter& painter, const PrintPlacement& placement, const QString& text)
{
    painter.setFont(QFont("Arial", kHeaderPointSize));
    painter.setPen(Qt::black);
    // The position is the text's top left corner; the painter writes on the baseline.
    painter.drawText(QPoint(placement.HeaderX, placement.HeaderY + painter.fontMetrics().ascent()), text);
}

}  // namespace

// The pages of one print run: a print job per window, or, for output to a file,
// one document with a page per window.
class TPrintSelectionForm::PrintedPages {
public:
    explicit PrintedPages(QPrinter& printer) : printer_(printer), oneDocument_(!printer.outputFileName().isEmpty())
    {
    }
    ~PrintedPages()
    {
        if (painter_.isActive()) painter_.end();
    }
    PrintedPages(const PrintedPages&) = delete;
    PrintedPages& operator=(const PrintedPages&) = delete;

    QPainter& StartWindow()
    {
        if (painter_.isActive()) {
            if (!printer_.newPage()) throw std::runtime_error("The printer could not start a new page.");
            return painter_;
        }
        printer_.setDocName(kPrintJobTitle);
        if (!painter_.begin(&printer_))
            throw std::runtime_error("The print job \"" + std::string(kPrintJobTitle) + "\" could not be started on " +
                                     Describe() + ".");
        return painter_;
    }

    void EndWindow()
    {
        if (!oneDocument_) painter_.end();
    }

    QPrinter& Printer() { return printer_; }

private:
    std::string Describe() const
    {
        if (oneDocument_) return "the file " + printer_.outputFileName().toStdString();
        const QString name = printer_.printerName();
        return name.isEmpty() ? std::string("the printer") : "the printer " + name.toStdString();
    }

    QPrinter& printer_;
    const bool oneDocument_;
    QPainter painter_;
};

TPrintSelectionForm::TPrintSelectionForm(TPrintStatusForm& statusForm, QWidget* parent)
    : QDialog(parent), statusForm_(statusForm), ownPrinter_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName("PrintSelectionForm");
    setWindowTitle(kPrintSelectionCaption);
    ownSetup_.FitToPage = false;

    auto* windows = new QGroupBox("Print Active Window(s)");
    windows->setObjectName("GroupBox1");
    auto* windowsLayout = new QGridLayout(windows);
    const QIcon glyph = WindowGlyph();
    for (size_t i = 0; i < kPrintChoiceCount; ++i) {
        const PrintChoice& choice = PrintChoices()[i];
        auto* button = new QToolButton;
        button->setObjectName(choice.ButtonName);
        button->setIcon(glyph);
        button->setAutoRaise(true);
        auto* check = new QCheckBox(choice.Caption);
        check->setObjectName(choice.CheckName);
        checks_[i] = check;
        checkButtons_[i] = button;
        const int row = static_cast<int>(i);
        windowsLayout->addWidget(button, row, 0);
        windowsLayout->addWidget(check, row, 1);
        connect(button, &QToolButton::clicked, check, [check] { check->click(); });
        connect(check, &QCheckBox::clicked, this, &TPrintSelectionForm::EnableOkBtn);
    }
    checks_[0]->setChecked(true);

    auto* margins = new QGroupBox("Margins");
    margins->setObjectName("GroupBox3");
    auto* marginsLayout = new QGridLayout(margins);
    for (MarginSide side : kMarginSides) {
        auto* panel = new QLabel;
        panel->setObjectName(MarginPanelName(side));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAutoFillBackground(true);
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, Qt::white);
        palette.setColor(QPalette::WindowText, Qt::black);
        panel->setPalette(palette);
        panel->setFixedWidth(48);
        marginPanels_[SideIndex(side)] = panel;

        auto* spin = new QWidget;
        spin->setObjectName(SpinButtonName(side));
        auto* spinLayout = new QVBoxLayout(spin);
        spinLayout->setContentsMargins(0, 0, 0, 0);
        spinLayout->setSpacing(0);
        auto* up = ArrowButton(Qt::UpArrow, "UpButton");
        auto* down = ArrowButton(Qt::DownArrow, "DownButton");
        spinLayout->addWidget(up);
        spinLayout->addWidget(down);
        connect(up, &QToolButton::clicked, this, [this, side] { SpinMargin(side, true); });
        connect(down, &QToolButton::clicked, this, [this, side] { SpinMargin(side, false); });

        // Left and Right on the first row, Top and Bottom on the second.
        const int index = static_cast<int>(SideIndex(side));
        const int row = index / 2;
        const int column = (index % 2) * 3;
        auto* label = new QLabel(MarginCaption(side));
        label->setBuddy(panel);
        marginsLayout->addWidget(label, row, column);
        marginsLayout->addWidget(panel, row, column + 1);
        marginsLayout->addWidget(spin, row, column + 2);
    }

    printHeaderBox_ = new QCheckBox("Print Header");
    printHeaderBox_->setObjectName("PrintHeaderBox");
    connect(printHeaderBox_, &QCheckBox::clicked, this, &TPrintSelectionForm::PrintHeaderBoxClick);

    auto* outputGroup = new QGroupBox("Output");
    outputGroup->setObjectName("RadioGroup1");
    auto* outputLayout = new QVBoxLayout(outputGroup);
    output_ = new QButtonGroup(this);
    const char* outputItems[] = {"Print Proportional", "Print To Fit"};
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(outputItems[i]);
        output_->addButton(radio, i);
        outputLayout->addWidget(radio);
    }
    connect(output_, &QButtonGroup::idClicked, this, &TPrintSelectionForm::RadioGroup1Click);

    auto* pageSetup = new QGroupBox("Page Setup");
    pageSetup->setObjectName("GroupBox2");
    auto* pageSetupLayout = new QVBoxLayout(pageSetup);
    pageSetupLayout->addWidget(margins);
    pageSetupLayout->addWidget(printHeaderBox_);
    pageSetupLayout->addWidget(outputGroup);
    pageSetupLayout->addStretch();

    okButton_ = new QPushButton("&OK");
    okButton_->setObjectName("OKPrtBtn");
    okButton_->setDefault(true);
    auto* cancelButton = new QPushButton("&Cancel");
    cancelButton->setObjectName("CancelBtn");
    auto* setupButton = new QPushButton("Printer &Setup...");
    setupButton->setObjectName("SetupBtn");
    connect(okButton_, &QPushButton::clicked, this, &TPrintSelectionForm::OKPrtBtnClick);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(setupButton, &QPushButton::clicked, this, &TPrintSelectionForm::PrinterSetup);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton);
    buttons->addWidget(setupButton);

    auto* groups = new QHBoxLayout;
    groups->addWidget(windows);
    groups->addWidget(pageSetup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    EnableChoices();
    ShowMargins();
    EnableOkBtn();
}

TPrintSelectionForm::~TPrintSelectionForm() = default;

void TPrintSelectionForm::SetSources(PrintSources sources)
{
    sources_ = std::move(sources);
    EnableChoices();
    ShowMargins();
}

const PrintSetup& TPrintSelectionForm::PageSetup() const
{
    return sources_.PageSetup != nullptr ? *sources_.PageSetup : ownSetup_;
}

PrintSetup& TPrintSelectionForm::EditableSetup()
{
    return sources_.PageSetup != nullptr ? *sources_.PageSetup : ownSetup_;
}

// ---- the window's controls ------------------------------------------------------

void TPrintSelectionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TPrintSelectionForm::done(int result)
{
    if (sources_.RestoreTips) sources_.RestoreTips();
    QDialog::done(result);
}

void TPrintSelectionForm::FormActivate()
{
    if (sources_.SetTips) sources_.SetTips(tips::PrintSelection());
    ShowMargins();
    printHeaderBox_->setChecked(PageSetup().Header);
    output_->button(PageSetup().FitToPage ? 1 : 0)->setChecked(true);
    EnableChoices();
    EnableOkBtn();
}

void TPrintSelectionForm::EnableChoices()
{
    for (size_t i = 0; i < kPrintChoiceCount; ++i) {
        const QWidget* window = sources_.Windows[i];
        enabled_[i] = PrintChoiceEnabled(PrintChoices()[i], window != nullptr && window->isVisible());
        checks_[i]->setEnabled(enabled_[i]);
        checkButtons_[i]->setEnabled(enabled_[i]);
    }
}

void TPrintSelectionForm::EnableOkBtn()
{
    PrintChoiceFlags checked{};
    for (size_t i = 0; i < kPrintChoiceCount; ++i) checked[i] = checks_[i]->isChecked();
    okButton_->setEnabled(PrintOkEnabled(checked));
}

void TPrintSelectionForm::ShowMargins()
{
    for (MarginSide side : kMarginSides) {
        const double margin = MarginOf(EditableSetup(), side);
        marginPanels_[SideIndex(side)]->setText(QString::fromStdString(MarginPanelText(margin)));
    }
}

QString TPrintSelectionForm::MarginText(MarginSide side) const
{
    return marginPanels_[SideIndex(side)]->text();
}

void TPrintSelectionForm::SpinMargin(MarginSide side, bool up)
{
    double& margin = MarginOf(EditableSetup(), side);
    margin = up ? MarginStepUp(margin) : MarginStepDown(side, margin);
    ShowMargins();
}

void TPrintSelectionForm::PrintHeaderBoxClick()
{
    EditableSetup().Header = printHeaderBox_->isChecked();
}

void TPrintSelectionForm::RadioGroup1Click()
{
    EditableSetup().FitToPage = output_->checkedId() == 1;
}

void TPrintSelectionForm::PrinterSetup()
{
    if (sources_.PrinterSetup) sources_.PrinterSetup();
}

void TPrintSelectionForm::OKPrtBtnClick()
{
    done(QDialog::Accepted);
    PrintSelectedWindows(Printer());
}

void TPrintSelectionForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && sources_.OpenHelp) {
        sources_.OpenHelp(kPrintSelectionHelpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- the print run --------------------------------------------------------------

void TPrintSelectionForm::PrintSelectedWindows(QPrinter& printer)
{
    statusForm_.show();
    statusForm_.raise();
    struct StatusScope {
        TPrintStatusForm& Form;
        ~StatusScope() { Form.StatusMessage(kPrintStatusDone); }
    } statusScope{statusForm_};

    PrintChoiceFlags checked{};
    for (size_t i = 0; i < kPrintChoiceCount; ++i) checked[i] = checks_[i]->isChecked();
    PrintedPages pages(printer);
    for (size_t index : ChoicesToPrint(checked, enabled_)) {
        statusForm_.StatusMessage(PrintChoices()[index].Code);
        if (QWidget* window = sources_.Windows[index]) PrintWindow(pages, *window);
    }
}

void TPrintSelectionForm::PrintWindow(PrintedPages& pages, QWidget& window)
{
    // Cancel pressed while the last window printed is seen here.
    statusForm_.repaint();
    QApplication::processEvents();
    if (statusForm_.PrintCancelled()) return;

    const QPixmap picture = CaptureClientArea(window);
    const QSize size = picture.deviceIndependentSize().toSize();
    QPainter& painter = pages.StartWindow();
    const PrintPlacement placement =
        PlacePrintedWindow(PageMetrics(pages.Printer()), PageSetup(), size.width(), size.height(), logicalDpiX());
    if (placement.HasPicture())
        painter.drawPixmap(QRect(placement.X, placement.Y, placement.Width, placement.Height), picture);
    if (PageSetup().Header) DrawHeader(painter, placement, HeaderText());
    pages.EndWindow();
}

QString TPrintSelectionForm::HeaderText() const
{
    if (sources_.State == nullptr) return {};
    return QString::fromStdString(PrintHeaderText(sources_.State->Read.TraceFormat, sources_.State->Read.TraceFileName));
}

}  // namespace quenlix
