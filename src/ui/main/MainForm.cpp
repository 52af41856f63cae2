#include "ui/main/MainForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "import/TraceImport.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "model/VendorFile.h"
#include "ui/controls/QtText.h"
#include "ui/main/ClientServerWidget.h"
#include "ui/main/ChartsWidget.h"
#include "ui/main/DLCErrorWidget.h"
#include "ui/main/FileSummaryWidget.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/FormPlacementWidget.h"
#include "ui/main/ProtocolTableWidget.h"
#include "ui/main/ReadTraceFileForm.h"
#include "ui/main/SplashForm.h"
#include "ui/misc/AboutForm.h"
#include "ui/misc/ChartPropertiesForm.h"
#include "ui/misc/HelpForm.h"

namespace quenlix {

namespace {

constexpr int kDefaultWidth = 731;
constexpr int kDefaultHeight = 572;
constexpr int kObjectListCapacity = 5000;
constexpr int kPacketListCapacity = 80000;

// The pictures of the toolbar, drawn rather than loaded so that nothing but the
// program file is needed. Odd numbers of a pair are the disabled pictures.
QIcon ToolbarIcon(int image)
{
    QPixmap pixmap(28, 28);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool disabled = image == 1 || image == 7 || image == 11 || image == 13;
    const QColor ink = disabled ? QColor(150, 150, 150) : QColor(0, 0, 0);
    auto fill = [disabled](const QColor& colour) { return disabled ? QColor(200, 200, 200) : colour; };
    p.setPen(QPen(ink, 1.5));
    switch (image) {
    case 0:
    case 1:  // printer
        p.setBrush(fill(Qt::white));
        p.drawRect(8, 3, 12, 9);
        p.setBrush(fill(QColor(192, 192, 192)));
        p.drawRect(3, 11, 22, 9);
        p.setBrush(fill(Qt::white));
        p.drawRect(8, 17, 12, 8);
        break;
    case 2:  // open folder
        p.setBrush(fill(QColor(230, 190, 60)));
        p.drawPolygon(QPolygon({{3, 8}, {10, 8}, {12, 10}, {24, 10}, {24, 23}, {3, 23}}));
        p.setBrush(fill(QColor(250, 220, 110)));
        p.drawPolygon(QPolygon({{6, 13}, {27, 13}, {24, 23}, {3, 23}}));
        break;
    case 3:  // busy: an hourglass
        p.setBrush(QColor(230, 190, 60));
        p.drawPolygon(QPolygon({{7, 3}, {21, 3}, {14, 14}, {21, 25}, {7, 25}, {14, 14}}));
        break;
    case 6:
    case 7:  // toolbox
        p.setBrush(fill(QColor(200, 40, 40)));
        p.drawRect(3, 11, 22, 13);
        p.setBrush(Qt::NoBrush);
        p.drawRect(10, 6, 8, 5);
        p.drawLine(3, 16, 25, 16);
        break;
    case 10:
    case 11:  // station: a monitor
        p.setBrush(fill(QColor(0, 128, 128)));
        p.drawRect(4, 4, 20, 14);
        p.setBrush(fill(QColor(192, 192, 192)));
        p.drawRect(9, 20, 10, 4);
        break;
    case 12:
    case 13:  // network: three linked nodes
        p.drawLine(14, 6, 6, 21);
        p.drawLine(14, 6, 22, 21);
        p.drawLine(6, 21, 22, 21);
        p.setBrush(fill(QColor(0, 0, 200)));
        p.drawEllipse(QPoint(14, 6), 4, 4);
        p.drawEllipse(QPoint(6, 21), 4, 4);
        p.drawEllipse(QPoint(22, 21), 4, 4);
        break;
    default: break;
    }
    return QIcon(pixmap);
}

QPixmap LightBulb()
{
    QPixmap pixmap(32, 40);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 100, 0), 1.5));
    p.setBrush(QColor(255, 240, 80));
    p.drawEllipse(QRect(5, 2, 22, 22));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(11, 24, 10, 9);
    p.drawLine(11, 27, 21, 27);
    p.drawLine(11, 30, 21, 30);
    return pixmap;
}

}  // namespace

TMainForm::TMainForm(const MainFormSetup& setup)
    : state_(*setup.State), store_(*setup.Settings), host_(*setup.Host), windows_(setup.Windows),
      programFolder_(setup.ProgramFolder), commandLineFile_(setup.CommandLineFile),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName("MainForm");
    ResizeWithinScreen(*this, QSize(kDefaultWidth, kDefaultHeight));
    setAcceptDrops(true);
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    BuildActions();
    BuildMenus();
    BuildToolBar();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    BuildTipPanel();
    BuildPages();
    layout->addWidget(tipPanel_);
    layout->addWidget(mainPageControl_, 1);
    layout->addStretch(0);
    BuildStatusBar();
    FormCreate();
    if (setup.Splash != nullptr) {
        setup.Splash->WaitForDeadline();
        setup.Splash->deleteLater();
    }
}

TMainForm::~TMainForm()
{
    FormDestroy();
    // The dialog works on the printer, which goes before the child windows do.
    delete printerSetupDialog_;
}

// ---- construction -------------------------------------------------------------

void TMainForm::BuildActions()
{
    auto add = [this](const QString& name, const QString& caption, const QString& hint = {},
                      const QKeySequence& shortcut = {}) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        if (!hint.isEmpty()) {
            action->setStatusTip(hint);
            action->setToolTip(hint);
        }
        if (!shortcut.isEmpty()) action->setShortcut(shortcut);
        actions_[name] = action;
        return action;
    };
    connect(add("Open1", "&Open...", "Open a new analyzer trace file", QKeySequence("Ctrl+O")), &QAction::triggered,
            this, &TMainForm::Open1Click);
    add("Reopen1", "&Reopen", "Reopen a previously opened analyzer trace file");
    connect(add("Close1", "&Close"), &QAction::triggered, this, &TMainForm::Close1Click);
    connect(add("Export1", "&Export...", "Export the trace's frames as a pcapng file"), &QAction::triggered, this,
            &TMainForm::Export1Click);
    connect(add("Print1", "&Print...", "Print selected windows", QKeySequence("Ctrl+P")), &QAction::triggered, this,
            &TMainForm::PrintBtnClick);
    connect(add("PrinterSetup1", "Printer Set&up...", "Choose a printer and its properties"), &QAction::triggered,
            this, &TMainForm::PrinterSetup1Click);
    connect(add("Exit1", "E&xit", "Exit Quenlix", QKeySequence("Ctrl+X")), &QAction::triggered, this,
            &TMainForm::Exit1Click);
    connect(add("Copy1", "&Copy", {}, QKeySequence("Ctrl+C")), &QAction::triggered, this, &TMainForm::Copy1Click);
    connect(add("SelectAll1", "Select &All", {}, QKeySequence("Ctrl+A")), &QAction::triggered, this,
            &TMainForm::SelectAll1Click);
    add("Bandwidth1", "Default &Bandwidth", "Set default LAN bandwidth");
    QAction* tcpDataResponse = add("TcpDataResponse1", "&TCP Response to First Data",
                                   "Time TCP requests that carry data to the first data of their answers");
    tcpDataResponse->setCheckable(true);
    connect(tcpDataResponse, &QAction::triggered, this, &TMainForm::TcpDataResponse1Click);
    QAction* captureTimesAsUtc = add("CaptureTimesAsUtc1", "Capture Times As &UTC",
                                     "Read capture times that a trace keeps in local time as UTC");
    captureTimesAsUtc->setCheckable(true);
    connect(captureTimesAsUtc, &QAction::triggered, this, &TMainForm::CaptureTimesAsUtc1Click);
    QAction* relativeSeq = add("RelativeSequenceNumbers1", "&Relative Sequence Numbers",
                               "Count the ladder's TCP sequence numbers from each direction's first");
    relativeSeq->setCheckable(true);
    connect(relativeSeq, &QAction::triggered, this, &TMainForm::RelativeSequenceNumbers1Click);
    connect(add("HelpTopics1", "&Help Topics"), &QAction::triggered, this, &TMainForm::HelpTopics1Click);
    QAction* tipWizard = add("ShowTipWizard1", "Show Tip Wi&zard");
    tipWizard->setCheckable(true);
    connect(tipWizard, &QAction::triggered, this, &TMainForm::ShowTipWizard1Click);
    connect(add("VisitWebSite1", "Visit Kolm Group's &Web Site"), &QAction::triggered, this,
            &TMainForm::VisitWebSite1Click);
    connect(add("About1", "&About...", "Display About Box & technical support info"), &QAction::triggered, this,
            &TMainForm::About1Click);
    connect(add("SystemInformation1", "System Information..."), &QAction::triggered, this,
            &TMainForm::SystemInformation1Click);

    connect(add("OpenBtn", QString(), "Open an analyzer trace file"), &QAction::triggered, this,
            &TMainForm::Open1Click);
    connect(add("PrintBtn", QString()), &QAction::triggered, this, &TMainForm::PrintBtnClick);
    connect(add("AnalyzeBtn", QString(), "Fathom Toolbox"), &QAction::triggered, this, &TMainForm::AnalyzeBtnClick);
    connect(add("StationBtn", QString(), "Station Peer Map and Statistics"), &QAction::triggered, this,
            &TMainForm::StationBtnClick);
    connect(add("NetworkBtn", QString(), "Network Peer Map And Statistics"), &QAction::triggered, this,
            &TMainForm::NetworkBtnClick);

    bandwidthGroup_ = new QActionGroup(this);
    for (int option = 0; option < 2; ++option) {
        QAction* item = add(QString("BandwidthOption%1").arg(option + 1), option == 0 ? "10 Mbps" : "100 Mbps");
        item->setCheckable(true);
        item->setChecked(option == 0);
        bandwidthGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, option] { BandwidthOptionClick(option); });
    }
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* item = add(QString("MRU%1").arg(i + 1), QString());
        item->setData(i);  // the index into the recent-files list
        connect(item, &QAction::triggered, this, [this, i] { MRUClick(i); });
        mruItems_[static_cast<size_t>(i)] = item;
    }
}

void TMainForm::BuildMenus()
{
    fileMenu_ = menuBar()->addMenu("&File");
    fileMenu_->setObjectName("File1");
    fileMenu_->addAction(Action("Open1"));
    reopenMenu_ = fileMenu_->addMenu("&Reopen");
    reopenMenu_->setObjectName("Reopen1");
    reopenMenu_->setStatusTip(Action("Reopen1")->statusTip());
    reopenMenu_->setToolTipsVisible(true);
    for (QAction* item : mruItems_) reopenMenu_->addAction(item);
    fileMenu_->addAction(Action("Close1"));
    fileMenu_->addAction(Action("Export1"));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action("Print1"));
    fileMenu_->addAction(Action("PrinterSetup1"));
    fileMenu_->addSeparator();
    fileMenu_->addAction(Action("Exit1"));

    editMenu_ = menuBar()->addMenu("&Edit");
    editMenu_->setObjectName("Edit1");
    editMenu_->addAction(Action("Copy1"));
    editMenu_->addAction(Action("SelectAll1"));

    optionsMenu_ = menuBar()->addMenu("&Options");
    optionsMenu_->setObjectName("Options1");
    QMenu* bandwidth = optionsMenu_->addMenu("Default &Bandwidth");
    bandwidth->setObjectName("Bandwidth1Menu");
    bandwidth->addAction(Action("BandwidthOption1"));
    bandwidth->addAction(Action("BandwidthOption2"));
    // The submenu follows the enabled state of its action.
    QAction* bandwidthItem = bandwidth->menuAction();
    bandwidthItem->setStatusTip(Action("Bandwidth1")->statusTip());
    connect(Action("Bandwidth1"), &QAction::enabledChanged, bandwidthItem, &QAction::setEnabled);
    optionsMenu_->addAction(Action("TcpDataResponse1"));
    optionsMenu_->addAction(Action("CaptureTimesAsUtc1"));
    optionsMenu_->addAction(Action("RelativeSequenceNumbers1"));

    helpMenu_ = menuBar()->addMenu("&Help");
    helpMenu_->setObjectName("Help1");
    helpMenu_->addAction(Action("HelpTopics1"));
    helpMenu_->addAction(Action("ShowTipWizard1"));
    helpMenu_->addSeparator();
    helpMenu_->addAction(Action("VisitWebSite1"));
    helpMenu_->addSeparator();
    helpMenu_->addAction(Action("SystemInformation1"));
    Action("SystemInformation1")->setEnabled(windows_.SystemInformation != nullptr);
    helpMenu_->addAction(Action("About1"));

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TMainForm::HelpForActiveContext);
    // Ctrl+Tab and Ctrl+Shift+Tab switch pages wherever the focus is in the window.
    auto* nextPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    nextPage->setObjectName("NextPageShortcut");
    connect(nextPage, &QShortcut::activated, this, [this] { StepPage(1); });
    auto* previousPage = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
    previousPage->setObjectName("PreviousPageShortcut");
    connect(previousPage, &QShortcut::activated, this, [this] { StepPage(-1); });
}

void TMainForm::StepPage(int step)
{
    if (!mainPageControl_->isVisible() || mainPageControl_->count() == 0) return;
    const int count = mainPageControl_->count();
    mainPageControl_->setCurrentIndex((mainPageControl_->currentIndex() + step + count) % count);
}

// ---- drag and drop -------------------------------------------------------------

// The one local file of a drop, or an empty string when the drop is not a single
// local file or a read is running.
QString TMainForm::DroppedTrace(const QMimeData* data) const
{
    if (reading_ || data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedTrace(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString file = DroppedTrace(event->mimeData());
    if (file.isEmpty()) return;
    event->acceptProposedAction();
    const std::string path = QFileInfo(file).absoluteFilePath().toStdString();
    mainPageControl_->hide();
    // Read after the drop has finished, so the file manager is not held up.
    QTimer::singleShot(0, this, [this, path] { ProcessFile(path); });
}

void TMainForm::BuildToolBar()
{
    QToolBar* toolBar = addToolBar("MainToolBar");
    toolBar->setObjectName("MainToolBar");
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(28, 28));
    const char* buttons[] = {"OpenBtn", "PrintBtn", nullptr, "AnalyzeBtn", "StationBtn", "NetworkBtn"};
    for (const char* name : buttons) {
        if (name == nullptr) {
            toolBar->addSeparator();
            continue;
        }
        toolBar->addAction(Action(name));
        QWidget* button = toolBar->widgetForAction(Action(name));
        button->setObjectName(name);
        button->setFixedSize(34, 33);
    }
    SetToolbarImage(Action("OpenBtn"), ToolbarButton::Open, true);
    SetToolbarImage(Action("PrintBtn"), ToolbarButton::Print, false);
    SetToolbarImage(Action("AnalyzeBtn"), ToolbarButton::Analyze, false);
    SetToolbarImage(Action("StationBtn"), ToolbarButton::Station, false);
    SetToolbarImage(Action("NetworkBtn"), ToolbarButton::Network, false);
}

void TMainForm::BuildTipPanel()
{
    tipPanel_ = new QWidget(this);
    tipPanel_->setObjectName("TipPanel");
    auto* layout = new QHBoxLayout(tipPanel_);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* bulb = new QToolButton(tipPanel_);
    bulb->setObjectName("Image1");
    bulb->setIcon(QIcon(LightBulb()));
    bulb->setIconSize(QSize(32, 40));
    bulb->setAutoRaise(true);
    bulb->setToolTip("Turn off the Tip Wizard");
    connect(bulb, &QToolButton::clicked, this, &TMainForm::Image1Click);
    tipMemo_ = new QPlainTextEdit(tipPanel_);
    tipMemo_->setObjectName("TipMemo");
    tipMemo_->setReadOnly(true);
    tipMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tipMemo_->setFixedHeight(48);
    QPalette palette = tipMemo_->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 128));
    palette.setColor(QPalette::Base, palette.color(QPalette::Midlight));
    tipMemo_->setPalette(palette);
    layout->addWidget(bulb);
    layout->addWidget(tipMemo_, 1);
    // The panel keeps its height; with no pages shown the space below stays empty.
    tipPanel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    tipPanel_->hide();
}

void TMainForm::BuildPages()
{
    mainPageControl_ = new QTabWidget(this);
    mainPageControl_->setObjectName("MainPageControl");
    fileSummary_ = new TFileSummaryPage;
    for (int i = 0; i < kMainPageCount; ++i) {
        const MainPageInfo& info = MainPages()[static_cast<size_t>(i)];
        QWidget* page = i == 0 ? fileSummary_ : new QWidget;
        page->setObjectName(Q(info.Name));
        // Each page scrolls when the window is smaller than the page's layout, so
        // that a small or scaled screen still reaches every control.
        auto* area = new QScrollArea;
        area->setObjectName(Q(info.Name + "Scroll"));
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidget(page);
        mainPageControl_->addTab(area, Q(info.Caption));
    }
    mainPageControl_->hide();
    AddDLCErrorPage();
    AddClientServerPage();
    AddProtocolTablePage();
    AddChartPages();
    connect(mainPageControl_, &QTabWidget::currentChanged, this, &TMainForm::MainPageControlChange);
    connect(fileSummary_, &TFileSummaryPage::MediaUtilSelectionClick, this, &TMainForm::UpdateMediaUtilization);
}

void TMainForm::AddClientServerPage()
{
    auto* page = new TClientServerPage;
    page->ShareSortDirection(&lastSortAscending_);
    SetPageWidget(MainPage::ClientServer, page);
    SetCopyHandler(CopyAction::ServerGrid, [page] { page->CopyToClipboardBtnClick(); });
    SetSelectAllHandler(MainPage::ClientServer, [page] { page->SelectAll(); });
    refreshServerGrid_ = [this, page] { page->UpdateServerGrid(state_); };
    AddViewRefresher(refreshServerGrid_);
    if (auto* toolbox = qobject_cast<TFathomToolboxForm*>(windows_.FathomToolbox)) {
        page->SetToolboxCommand([this] { AnalyzeBtnClick(); });
        // The analyses read the toolbox's selection: it takes the row first.
        const auto openAnalysis = [this, toolbox](QWidget* window) {
            if (window == nullptr || !TraceHasNetworkFrames(kToolboxMessageTitle)) return;
            toolbox->ApplyPreselection();
            ShowToolWindow(*window);
        };
        page->SetRowCommand(TClientServerPage::RowWindow::Latency,
                            [this, openAnalysis] { openAnalysis(windows_.LatencyAnalysis); });
        page->SetRowCommand(TClientServerPage::RowWindow::Throughput,
                            [this, openAnalysis] { openAnalysis(windows_.ThroughputAnalysis); });
        // The row chosen on the page becomes the toolbox's selection at its next activation.
        connect(page, &TClientServerPage::ToolboxSelectionChanged, this, [toolbox, page] {
            if (const auto& chosen = page->ToolboxSelection()) toolbox->Preselect(ToolboxPreselectionOf(*chosen));
        });
    }
}

// The DLC page holds one panel per topology; the one of the trace is shown.
void TMainForm::AddDLCErrorPage()
{
    auto* page = new TDLCErrorPage(state_);
    SetPageWidget(MainPage::DLCError, page);
    dlcErrorPage_ = page;
    SetCopyHandler(CopyAction::DLCErrors, [page] { page->DLCCopyButtonClick(); });
    AddViewRefresher([page] { page->Refresh(); });
}

void TMainForm::AddProtocolTablePage()
{
    auto* page = new TProtocolTablePage;
    page->ShareSortDirection(&lastSortAscending_);
    SetPageWidget(MainPage::ProtocolTable, page);
    TSuperStringGrid* grid = page->ProtoGrid();
    SetCopyHandler(CopyAction::ProtocolGrid, [grid] { grid->CopyToClipboard(); });
    SetSelectAllHandler(MainPage::ProtocolTable, [grid] { grid->SelectAllCells(); });
}

// The two chart pages; they rebuild the protocol table with the charts.
void TMainForm::AddChartPages()
{
    auto* table = qobject_cast<TProtocolTablePage*>(PageWidget(MainPage::ProtocolTable));
    auto* charts = new TChartPages(state_, windows_.ChartProperties, table, this);
    SetPageWidget(MainPage::PacketSizeChart, charts->PacketSizePage());
    SetPageWidget(MainPage::ProtocolChart, charts->ProtocolChartPage());
    TBusinessChart* sizeChart = charts->PacketSizePage()->PacketSizeChart();
    TBusinessChart* protocolChart = charts->ProtocolChartPage()->ProtocolDistChart();
    SetCopyHandler(CopyAction::PacketSizeChart, [sizeChart] { sizeChart->CopyToClipboard(); });
    SetCopyHandler(CopyAction::ProtocolChart, [protocolChart] { protocolChart->CopyToClipboard(); });
    AddViewRefresher([charts] { charts->UpdateCharts(); });
}

void TMainForm::BuildStatusBar()
{
    const int widths[] = {70, 90, 70};
    statusWidths_ = {widths[0], widths[1], widths[2]};
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(widths[i]);
        if (i < 2) panel->setFixedWidth(widths[i]);
        statusBar()->addWidget(panel, i == 2 ? 1 : 0);
        statusPanels_[i] = panel;
    }
    // A read that ended early or clipped frames says so beside the panels, so
    // partial figures never look like the whole file's.
    readStatusPanel_ = new QLabel(this);
    readStatusPanel_->setObjectName("ReadStatusPanel");
    readStatusPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    readStatusPanel_->setStyleSheet("QLabel { color: #a00000; }");
    readStatusPanel_->hide();
    statusBar()->addWidget(readStatusPanel_, 0);
    statusBar()->setObjectName("StatusBar");
}

// ---- life cycle ---------------------------------------------------------------

void TMainForm::FormCreate()
{
    currentTipSet_ = tips::StartUp();
    Action("Copy1")->setText("&Copy");
    Action("Copy1")->setEnabled(false);
    currentCopy_ = CopyAction::None;
    Action("SelectAll1")->setEnabled(false);
    LoadFormPlacement(*this);
    LoadSettings();
    MRUDisplay();
    Action("OpenBtn")->setToolTip(Action("Open1")->toolTip());
    Action("OpenBtn")->setStatusTip(Action("Open1")->statusTip());
    Action("PrintBtn")->setToolTip(Action("Print1")->toolTip());
    Action("PrintBtn")->setStatusTip(Action("Print1")->statusTip());
    state_.VendorCount = 0;
    // A missing vendor file is only a warning, which the host has shown: the program goes on without vendors.
    static_cast<void>(LoadVendorTable(state_, programFolder_, host_));
    state_.ObjectList.Clear(kObjectListCapacity);
    state_.PacketList.reserve(kPacketListCapacity);
    firstActivation_ = true;
    mainPageControl_->setCurrentIndex(static_cast<int>(MainPage::FileSummary));
    fileSummary_->ClearFileAttributes();
    state_.TraceDurationText = "00:00:00";
    ShowDLCPanel(kTopologyEthernet);
    EnableOptions(false);
}

void TMainForm::LoadSettings()
{
    settings_ = LoadMainSettings(store_);
    if (windows_.ChartProperties != nullptr) windows_.ChartProperties->SetValues(settings_.Charts);
    Action("ShowTipWizard1")->setChecked(settings_.TipWizardEnabled);
    tipPanel_->setVisible(settings_.TipWizardEnabled);
    Action("TcpDataResponse1")->setChecked(settings_.TcpDataResponse);
    state_.Options.TcpDataResponse = settings_.TcpDataResponse ? 1 : 0;
    Action("CaptureTimesAsUtc1")->setChecked(settings_.CaptureTimesAsUtc);
    state_.Options.LocalCaptureTimesAsUtc = settings_.CaptureTimesAsUtc ? 1 : 0;
    Action("RelativeSequenceNumbers1")->setChecked(settings_.RelativeSequenceNumbers);
    RelativeSequenceNumbers1Click();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The first showing stands for the first activation: it is queued so that the
    // window is up before a command-line trace is read.
    if (firstActivation_) QTimer::singleShot(0, this, &TMainForm::FormActivate);
}

void TMainForm::FormActivate()
{
    if (!firstActivation_) return;
    firstActivation_ = false;
    // A read already under way keeps the window as the read has set it.
    if (reading_) return;
    SetTips(tips::StartUp());
    SetCaption("");
    EnableOptions(false);
    Action("OpenBtn")->setEnabled(true);
    if (!commandLineFile_.empty()) {
        mainPageControl_->hide();
        ProcessFile(commandLineFile_);
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // A read in progress is stopped first; the window closes once it has ended.
    if (reading_) {
        closeAfterRead_ = true;
        if (windows_.ReadTraceFile != nullptr) windows_.ReadTraceFile->RequestStop();
        event->ignore();
        return;
    }
    FormDestroy();
    QMainWindow::closeEvent(event);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // While minimised during a read the title shows the progress; restored, the caption returns.
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) SetCaption(captionSuffix_);
}

void TMainForm::FormDestroy()
{
    if (destroyed_) return;
    destroyed_ = true;
    if (windows_.ChartProperties != nullptr) settings_.Charts = windows_.ChartProperties->Values();
    settings_.TipWizardEnabled = Action("ShowTipWizard1")->isChecked();
    SaveMainSettings(store_, settings_);
    SaveFormPlacement(*this);
}

// ---- opening and reading -----------------------------------------------------

void TMainForm::Open1Click()
{
    SetTips(tips::OpenDialog());
    QFileDialog dialog(this, kOpenDialogTitle, Q(settings_.LastDirectory));
    dialog.setObjectName("OpenDialog");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const OpenFilter& filter : OpenDialogFilters()) {
        // The name is shown as it is; the patterns, in both cases, follow hidden
        // in parentheses, because file names on this system are case-sensitive.
        QStringList patterns;
        for (const std::string& pattern : filter.Patterns)
            patterns << Q(pattern).toLower() << Q(pattern).toUpper();
        patterns.removeDuplicates();
        filters << Q(filter.Name) + " (" + patterns.join(' ') + ")";
    }
    // A trace saved under another extension is still found by its contents.
    filters << "All files (*)";
    dialog.setNameFilters(filters);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        mainPageControl_->hide();
        ProcessFile(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath().toStdString());
    }
    RestoreTips();
}

void TMainForm::MRUClick(int index)
{
    if (index < 0 || index >= kRecentFileCount) return;
    const std::string& file = settings_.RecentFiles[static_cast<size_t>(index)];
    if (file.empty()) return;
    mainPageControl_->hide();
    ProcessFile(file);
}

void TMainForm::ProcessFile(const std::string& fileName)
{
    settings_.LastDirectory = FolderOfPath(fileName);
    // The menus come back even when a view fails to build and the error report takes over.
    struct ReadingScope {
        TMainForm* Form;
        ~ReadingScope()
        {
            if (Form != nullptr) Form->SetReadingState(false);
        }
    } readingScope{nullptr};
    const OpenOutcome outcome = OpenTraceFile(state_, fileName, host_, [this, &readingScope] {
        SetReadingState(true);
        readingScope.Form = this;
        CloseAnalysisWindows();
        EnableOptions(false);
    });
    if (outcome != OpenOutcome::Read) {
        // Nothing of this file was read, and the previous trace's pages are gone:
        // its name must go from the title, the status bar and Print too.
        Close1Click();
        return;
    }
    EnableOptions(true);
    MRUUpdate(state_.Read.TraceFileName);
    MRUDisplay();
    UpdateCharts();
    UpdateEncapsulation();
    ShowDLCPanel(state_.Topology);
    for (const auto& refresh : viewRefreshers_) refresh();
    mainPageControl_->show();
    UpdateEditCommands();
    if (ActivePage() == MainPage::FileSummary) SetTips(tips::FileSummary());
    if (closeAfterRead_) QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::SetReadingState(bool reading)
{
    reading_ = reading;
    for (QMenu* menu : {fileMenu_, editMenu_, optionsMenu_, helpMenu_}) menu->menuAction()->setEnabled(!reading);
    // The menus' shortcuts must not start a second read either.
    for (const char* name : {"Open1", "Close1", "Exit1", "Print1", "Copy1", "SelectAll1"})
        Action(name)->setShortcutContext(reading ? Qt::WidgetShortcut : Qt::WindowShortcut);
    Action("OpenBtn")->setEnabled(!reading);
    SetToolbarImage(Action("OpenBtn"), ToolbarButton::Open, !reading);
}

void TMainForm::CloseAnalysisWindows()
{
    for (QWidget* window : {windows_.WhatIfAnalysis, windows_.LatencyAnalysis, windows_.ThroughputAnalysis, windows_.ProblemAnalysis,
                            windows_.FathomToolbox, windows_.StationStats, windows_.NetworkStatistics})
        if (window != nullptr && window->isVisible()) window->close();
}

void TMainForm::EnableOptions(bool enabled)
{
    Action("Print1")->setEnabled(enabled && windows_.PrintSelection != nullptr);
    Action("Bandwidth1")->setEnabled(enabled);
    Action("Export1")->setEnabled(enabled);
    const std::array<std::string, 2> bandwidth = BandwidthCaptions(state_.Topology);
    Action("BandwidthOption1")->setText(Q(bandwidth[0]));
    Action("BandwidthOption2")->setText(Q(bandwidth[1]));
    Action(QString("BandwidthOption%1").arg(BandwidthOptionInUse(state_) + 1))->setChecked(true);
    fileSummary_->ShowFileAttributes(BuildFileAttributes(state_));
    const std::string readNote = enabled ? ReadNote(state_) : std::string();
    readStatusPanel_->setText(Q(readNote));
    readStatusPanel_->setToolTip(Q(readNote));
    readStatusPanel_->setVisible(!readNote.empty());
    const std::array<std::string, 3> panels = StatusPanels(state_, enabled);
    for (size_t i = 0; i < panels.size(); ++i) {
        statusPanels_[i]->setText(Q(panels[i]));
        // A panel is as wide as laid out unless its text needs more ("1,500,000 Frames"
        // does not fit 90 pixels in every font): a clipped count would mislead.
        const int needed = statusPanels_[i]->sizeHint().width();
        const int width = std::max(statusWidths_[i], needed);
        if (i < 2) {
            statusPanels_[i]->setFixedWidth(width);
        } else {
            statusPanels_[i]->setMinimumWidth(statusWidths_[i]);
        }
    }

    const auto enable = [this, enabled](const char* name, ToolbarButton button, QWidget* window) {
        const bool on = enabled && window != nullptr;
        Action(name)->setEnabled(on);
        SetToolbarImage(Action(name), button, on);
    };
    enable("PrintBtn", ToolbarButton::Print, windows_.PrintSelection);
    enable("AnalyzeBtn", ToolbarButton::Analyze, windows_.FathomToolbox);
    enable("StationBtn", ToolbarButton::Station, windows_.StationStats);
    enable("NetworkBtn", ToolbarButton::Network, windows_.NetworkStatistics);
    SetCaption(enabled && state_.Read.SlicedFrames != 0 ? kSlicedSuffix : "");
}

void TMainForm::SetCaption(const std::string& suffix)
{
    captionSuffix_ = suffix;
    const std::string caption = MainCaption(state_.Read.TraceFileName, suffix);
    setWindowTitle(Q(state_.Read.TraceFileName.empty() ? caption : CaptionAfterRead(state_, caption)));
}

void TMainForm::MRUUpdate(const std::string& fileName)
{
    UpdateRecentFiles(settings_.RecentFiles, fileName);
}

void TMainForm::MRUDisplay()
{
    const auto items = RecentFileItems(settings_.RecentFiles);
    bool anyVisible = false;
    for (size_t i = 0; i < items.size(); ++i) {
        mruItems_[i]->setText(Q(items[i].Caption));
        mruItems_[i]->setVisible(items[i].Visible);
        anyVisible = anyVisible || items[i].Visible;
    }
    // An empty submenu is disabled rather than opened empty: once shown without a
    // visible item, Qt would not open it again when items are added later.
    if (reopenMenu_ != nullptr) reopenMenu_->menuAction()->setEnabled(anyVisible);
}

void TMainForm::Close1Click()
{
    state_.Read.TraceFileName.clear();
    CloseAnalysisWindows();
    mainPageControl_->hide();
    UpdateEditCommands();
    EnableOptions(false);
    SetTips(tips::StartUp());
}

void TMainForm::Export1Click()
{
    ExportRequest request;
    request.TraceFileName = state_.Read.TraceFileName;
    request.Options = state_.Options;
    ExportWithDialogs(this, request, ChooseExportFileFor);
}

void TMainForm::ExportFrames(const std::vector<int64_t>& frameNumbers, int64_t firstFrameNo, int64_t lastFrameNo)
{
    ExportRequest request;
    request.TraceFileName = state_.Read.TraceFileName;
    request.Options = state_.Options;
    request.FirstFrameNo = firstFrameNo;
    request.LastFrameNo = lastFrameNo;
    request.FrameNumbers = frameNumbers;
    ExportWithDialogs(this, request, ChooseExportFileFor);
}

void TMainForm::Exit1Click()
{
    close();
}

// ---- the views -----------------------------------------------------------------

void TMainForm::UpdateCharts()
{
    if (state_.Read.TraceFileName.empty()) return;
    fileSummary_->ShowFrameStatistics(BuildFrameStatistics(state_));
    UpdateMediaUtilization();
}

void TMainForm::UpdateMediaUtilization()
{
    fileSummary_->ShowMediaUtilization(BuildMediaUtilization(state_, fileSummary_->MediaSelection()));
}

void TMainForm::UpdateEncapsulation()
{
    fileSummary_->ShowEncapsulation(BuildEncapsulation(state_));
    fileSummary_->ShowVlans(BuildVlans(state_));
}

void TMainForm::ShowDLCPanel(TopologyCode topology)
{
    dlcErrorPage_->ShowPanel(topology);
}

MainPage TMainForm::ActivePage() const
{
    const int index = mainPageControl_->currentIndex();
    return index < 0 ? MainPage::FileSummary : static_cast<MainPage>(index);
}

void TMainForm::MainPageControlChange()
{
    UpdateEditCommands();
    SetTips(CommandsForPage(ActivePage(), state_.Topology).Tips);
}

// Copy and Select All work on the page shown; with the pages hidden (no trace)
// there is nothing to copy.
void TMainForm::UpdateEditCommands()
{
    const PageCommands commands = CommandsForPage(ActivePage(), state_.Topology);
    const bool pagesShown = !mainPageControl_->isHidden();
    QAction* copy = Action("Copy1");
    copy->setText(Q(commands.CopyCaption));
    // A page whose view is not built yet has nothing to copy.
    const bool canCopy = pagesShown && commands.CopyEnabled && copyHandlers_.contains(commands.Copy);
    copy->setEnabled(canCopy);
    currentCopy_ = canCopy ? commands.Copy : CopyAction::None;
    Action("SelectAll1")
        ->setEnabled(pagesShown && commands.SelectAllEnabled && selectAllHandlers_.contains(ActivePage()));
}

void TMainForm::Copy1Click()
{
    const auto handler = copyHandlers_.find(currentCopy_);
    if (handler != copyHandlers_.end() && handler->second) handler->second();
}

void TMainForm::SelectAll1Click()
{
    const auto handler = selectAllHandlers_.find(ActivePage());
    if (handler != selectAllHandlers_.end() && handler->second) handler->second();
}

void TMainForm::SetCopyHandler(CopyAction action, std::function<void()> handler)
{
    copyHandlers_[action] = std::move(handler);
    if (mainPageControl_->isVisible()) MainPageControlChange();
}

void TMainForm::SetSelectAllHandler(MainPage page, std::function<void()> handler)
{
    selectAllHandlers_[page] = std::move(handler);
    if (mainPageControl_->isVisible()) MainPageControlChange();
}

void TMainForm::SetPageWidget(MainPage page, QWidget* widget)
{
    const int index = static_cast<int>(page);
    const MainPageInfo& info = MainPages()[static_cast<size_t>(index)];
    auto* area = static_cast<QScrollArea*>(mainPageControl_->widget(index));
    widget->setObjectName(Q(info.Name));
    QWidget* old = area->takeWidget();
    area->setWidget(widget);
    if (old != fileSummary_) old->deleteLater();
}

QWidget* TMainForm::PageWidget(MainPage page) const
{
    const auto* area = static_cast<const QScrollArea*>(mainPageControl_->widget(static_cast<int>(page)));
    return area == nullptr ? nullptr : area->widget();
}

void TMainForm::AddViewRefresher(std::function<void()> refresher)
{
    viewRefreshers_.push_back(std::move(refresher));
}

// ---- tips ---------------------------------------------------------------------

void TMainForm::SetTips(const TipSet& tips)
{
    if (tipPanel_->isHidden()) return;
    currentTipSet_ = tips;
    tipMemo_->setPlainText(Q(TipMemoText(tips)));
}

void TMainForm::RestoreTips()
{
    MainPageControlChange();
}

void TMainForm::ShowTipWizard1Click()
{
    // The action has already toggled its check.
    const bool on = Action("ShowTipWizard1")->isChecked();
    tipPanel_->setVisible(on);
    if (on) RestoreTips();
}

void TMainForm::Image1Click()
{
    Action("ShowTipWizard1")->setChecked(false);
    tipPanel_->hide();
}

QString TMainForm::TipText() const
{
    return tipMemo_->toPlainText();
}

// ---- other commands -------------------------------------------------------------

void TMainForm::BandwidthOptionClick(int option)
{
    ApplyBandwidthOption(state_, option);
    Action(QString("BandwidthOption%1").arg(option + 1))->setChecked(true);
}

// The response times of the trace on show are measured again the new way.
void TMainForm::TcpDataResponse1Click()
{
    settings_.TcpDataResponse = Action("TcpDataResponse1")->isChecked();
    state_.Options.TcpDataResponse = settings_.TcpDataResponse ? 1 : 0;
    if (mainPageControl_->isVisible() && refreshServerGrid_) refreshServerGrid_();
}

// The capture times of the trace on show are shown again on the new clock.
void TMainForm::CaptureTimesAsUtc1Click()
{
    settings_.CaptureTimesAsUtc = Action("CaptureTimesAsUtc1")->isChecked();
    state_.Options.LocalCaptureTimesAsUtc = settings_.CaptureTimesAsUtc ? 1 : 0;
    fileSummary_->ShowFileAttributes(BuildFileAttributes(state_));
}

void TMainForm::RelativeSequenceNumbers1Click()
{
    settings_.RelativeSequenceNumbers = Action("RelativeSequenceNumbers1")->isChecked();
    if (auto* toolbox = qobject_cast<TFathomToolboxForm*>(windows_.FathomToolbox))
        toolbox->SetRelativeSeq(settings_.RelativeSequenceNumbers);
}

bool TMainForm::TraceHasNetworkFrames(const char* title)
{
    if (TraceHasNetworkPackets(state_)) return true;
    ShowMessage(MessageIcon::Information, title, kNoIpOrIpxMessage);
    return false;
}

void TMainForm::AnalyzeBtnClick()
{
    if (windows_.FathomToolbox == nullptr || !TraceHasNetworkFrames(kToolboxMessageTitle)) return;
    ShowToolWindow(*windows_.FathomToolbox);
}

void TMainForm::OpenToolboxForStation(const std::string& address, const std::string& ouiAddress)
{
    auto* toolbox = qobject_cast<TFathomToolboxForm*>(windows_.FathomToolbox);
    if (toolbox == nullptr) return;
    ToolboxPreselection preselection;
    preselection.Source = address;
    preselection.SourceOUI = ouiAddress;
    toolbox->Preselect(preselection);
    AnalyzeBtnClick();
}

void TMainForm::NetworkBtnClick()
{
    if (windows_.NetworkStatistics == nullptr || !TraceHasNetworkFrames(kNetworkMapMessageTitle)) return;
    ShowToolWindow(*windows_.NetworkStatistics);
}

void TMainForm::StationBtnClick()
{
    if (windows_.StationStats != nullptr) ShowToolWindow(*windows_.StationStats);
}

void TMainForm::PrintBtnClick()
{
    if (auto* dialog = qobject_cast<QDialog*>(windows_.PrintSelection)) dialog->exec();
}

void TMainForm::PrinterSetup1Click()
{
    PrinterSetupDialog().exec();
}

QPrintDialog& TMainForm::PrinterSetupDialog()
{
    if (printerSetupDialog_ == nullptr) {
        printerSetupDialog_ = new QPrintDialog(printer_.get(), this);
        printerSetupDialog_->setObjectName("PrinterSetupDialog");
        // Each window is printed whole, so there is no page range to choose.
        printerSetupDialog_->setOption(QAbstractPrintDialog::PrintPageRange, false);
        printerSetupDialog_->setOption(QAbstractPrintDialog::PrintToFile, true);
    }
    return *printerSetupDialog_;
}

void TMainForm::About1Click()
{
    if (windows_.About != nullptr) windows_.About->exec();
}

void TMainForm::SystemInformation1Click()
{
    if (auto* dialog = qobject_cast<QDialog*>(windows_.SystemInformation)) dialog->exec();
}

void TMainForm::OpenHelpPage(int helpContext)
{
    const QString page = Q(programFolder_ + "/help/" + HelpPageFile(helpContext));
    THelpForm& help = HelpWindow();
    // Asked for from a modal window (F1 in Print), the help window would be
    // blocked with the rest of the program: it comes up modal itself then, so
    // that it can be read and scrolled. Modality changes only while hidden.
    const QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality modality = modal != nullptr && modal != &help ? Qt::ApplicationModal : Qt::NonModal;
    if (help.windowModality() != modality) {
        help.hide();
        help.setWindowModality(modality);
    }
    help.ShowPage(page);
}

THelpForm& TMainForm::HelpWindow()
{
    if (helpForm_ == nullptr) {
        helpForm_ = new THelpForm(this);
        helpForm_->OpenExternal = [this](const QUrl& url) { return OpenUrl && OpenUrl(url); };
    }
    return *helpForm_;
}

void TMainForm::HelpTopics1Click()
{
    OpenHelpPage(0);
}

void TMainForm::HelpForActiveContext()
{
    const bool onPage = mainPageControl_->isVisible();
    OpenHelpPage(onPage ? PageHelpContext(ActivePage(), state_.Topology) : kMainWindowHelpContext);
}

void TMainForm::VisitWebSite1Click()
{
    if (!OpenUrl || !OpenUrl(QUrl(kWebSiteAddress)))
        ShowMessage(MessageIcon::Information, kWebSiteMessageTitle, NoWebBrowserMessage(kWebSiteAddress).toStdString());
}

// ---- helpers ----------------------------------------------------------------------

void TMainForm::SetToolbarImage(QAction* action, ToolbarButton button, bool enabled)
{
    action->setIcon(ToolbarIcon(ToolbarImage(button, enabled)));
}

void TMainForm::ShowMessage(MessageIcon icon, const std::string& title, const std::string& text)
{
    host_.ShowMessage(icon, title, text);
}

QString TMainForm::ReadStatus() const
{
    return readStatusPanel_->isVisible() ? readStatusPanel_->text() : QString();
}

QString TMainForm::StatusPanel(int index) const
{
    return index >= 0 && index < 3 ? statusPanels_[static_cast<size_t>(index)]->text() : QString();
}

QAction* TMainForm::Action(const QString& name) const
{
    const auto found = actions_.find(name);
    return found == actions_.end() ? nullptr : found->second;
}

QToolButton* TMainForm::ToolButton(const QString& name) const
{
    return findChild<QToolButton*>(name);
}

}  // namespace quenlix
