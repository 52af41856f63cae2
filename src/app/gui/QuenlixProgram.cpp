#include "app/gui/QuenlixProgram.h"

#include <QApplication>
#include <cstdlib>

#include "app/gui/GuiReadHost.h"
#include "app/gui/QtSettingsStore.h"
#include "app/gui/QuenlixApplication.h"
#include "import/LocalAddressTable.h"
#include "ui/analysis/ExpertAnalysisForm.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/main/FormPlacementWidget.h"
#include "ui/main/MainForm.h"
#include "ui/main/ReadTraceFileForm.h"
#include "ui/main/SplashForm.h"
#include "ui/misc/AboutForm.h"
#include "ui/misc/ChartPropertiesForm.h"
#include "ui/misc/ErrorInformationForm.h"
#include "ui/misc/SystemInformationForm.h"
#include "ui/peermaps/PeerMapForm.h"
#include "ui/controls/DualListDialogForm.h"
#include "ui/print/PrintSelectionForm.h"
#include "ui/print/PrintStatusForm.h"

namespace quenlix {

QuenlixProgram::QuenlixProgram(const StartupOptions& options) : state_(std::make_unique<AnalysisState>())
{
    QApplication::setApplicationName(kProgramTitle);
    settings_ = options.SettingsFile.isEmpty() ? std::make_unique<QtSettingsStore>()
                                               : std::make_unique<QtSettingsStore>(options.SettingsFile);
    SetPlacementStore(settings_.get());
    // The Observer analyser's address table: its registry value names the table,
    // and the folder of the tables is a setting of ours.
    machineSettings_ = QtSettingsStore::LocalMachine();
    state_->Platform.MachineSettings = machineSettings_.get();
    if (const auto folder = settings_->ReadString(kAddressTableSettingsKey, kAddressTableFolderValue); folder && !folder->empty())
        state_->Options.AddressTableFolder = *folder;
    auto* splash = new TSplashForm(options.SplashMilliseconds);

    // Every window exists before the main window, whose creation reads settings into them.
    technicalSupport_ = std::make_unique<TTechnicalSupportForm>();
    about_ = std::make_unique<TAboutForm>(technicalSupport_.get());
    chartProperties_ = std::make_unique<TChartPropertiesForm>();
    dualListDialog_ = std::make_unique<TDualListDialogForm>();
    errorInformation_ = std::make_unique<TErrorInformationForm>(technicalSupport_.get());
    // Every failure that escapes an event handler reaches the error report.
    if (auto* application = qobject_cast<QuenlixApplication*>(QCoreApplication::instance()))
        application->SetFailureHandler([form = errorInformation_.get()](const std::string& className, bool hasMessage,
                                                                       const std::string& message, uintptr_t address) {
            form->ShowFailure(className, hasMessage, message, address);
        });
    printStatus_ = std::make_unique<TPrintStatusForm>();
    printSelection_ = std::make_unique<TPrintSelectionForm>(*printStatus_);
    const std::string iniFile = ProgramIniFile();
    networkStatistics_ = std::make_unique<TNetworkStatisticsForm>(*state_, dualListDialog_.get(), iniFile);
    fathomToolbox_ = std::make_unique<TFathomToolboxForm>(*state_);
    latencyAnalysis_ = std::make_unique<TLatencyAnalysisForm>(*fathomToolbox_);
    problemAnalysis_ = std::make_unique<TProblemAnalysisForm>(*fathomToolbox_);
    throughputAnalysis_ = std::make_unique<TThroughputAnalysisForm>(*fathomToolbox_);
    whatIfAnalysis_ = std::make_unique<TWhatIfAnalysisForm>(*fathomToolbox_);
    readTraceFile_ = std::make_unique<TReadTraceFileForm>();
    stationStats_ = std::make_unique<TStationStats>(*state_, dualListDialog_.get(), iniFile);
    systemInformation_ = std::make_unique<TSystemInformationForm>();
    host_ = std::make_unique<GuiReadHost>(*state_, *readTraceFile_, nullptr);

    MainFormSetup setup;
    setup.State = state_.get();
    setup.Settings = settings_.get();
    setup.Host = host_.get();
    setup.Windows.About = about_.get();
    setup.Windows.ChartProperties = chartProperties_.get();
    setup.Windows.DualListDialog = dualListDialog_.get();
    setup.Windows.NetworkStatistics = networkStatistics_.get();
    setup.Windows.StationStats = stationStats_.get();
    setup.Windows.ErrorInformation = errorInformation_.get();
    setup.Windows.PrintSelection = printSelection_.get();
    setup.Windows.PrintStatus = printStatus_.get();
    setup.Windows.ReadTraceFile = readTraceFile_.get();
    setup.Windows.SystemInformation = systemInformation_.get();
    setup.Windows.FathomToolbox = fathomToolbox_.get();
    setup.Windows.LatencyAnalysis = latencyAnalysis_.get();
    setup.Windows.ProblemAnalysis = problemAnalysis_.get();
    setup.Windows.ThroughputAnalysis = throughputAnalysis_.get();
    setup.Windows.WhatIfAnalysis = whatIfAnalysis_.get();
    setup.Windows.TechnicalSupport = technicalSupport_.get();
    setup.ProgramFolder = options.ProgramFolder;
    if (!options.Arguments.isEmpty()) setup.CommandLineFile = options.Arguments.front().toStdString();
    setup.Splash = splash;
    mainForm_ = std::make_unique<TMainForm>(setup);

    host_->SetMessageParent(mainForm_.get());
    for (TPeerMapForm* form : {static_cast<TPeerMapForm*>(networkStatistics_.get()),
                               static_cast<TPeerMapForm*>(stationStats_.get())}) {
        form->Hooks.SetTips = [this](const TipSet& tips) { mainForm_->SetTips(tips); };
        form->Hooks.RestoreTips = [this] { mainForm_->RestoreTips(); };
        form->Hooks.OpenHelp = [this](int context) { mainForm_->OpenHelpPage(context); };
    }
    networkStatistics_->Hooks.ShowToolbox = [this](const std::string& address, const std::string& ouiAddress) {
        mainForm_->OpenToolboxForStation(address, ouiAddress);
    };
    ConnectPrinting(setup.Windows);
    ConnectAnalysisWindows();
    readTraceFile_->SetMainWindow(mainForm_.get());
    // Abort in the error report keeps the user's settings before the program ends.
    errorInformation_->Terminate = [this] {
        mainForm_->FormDestroy();
        settings_->Flush();
        std::_Exit(EXIT_FAILURE);
    };
}

// The print selection window prints the main window and whichever other windows
// exist, and keeps its page-setup values in the main window's settings.
void QuenlixProgram::ConnectPrinting(const QuenlixWindows& windows)
{
    PrintSources sources;
    sources.Windows = {mainForm_.get(),         windows.StationStats,       windows.NetworkStatistics,
                       windows.FathomToolbox,   windows.LatencyAnalysis,    windows.ThroughputAnalysis,
                       windows.ProblemAnalysis, windows.WhatIfAnalysis};
    sources.PageSetup = &mainForm_->PageSetup();
    sources.State = state_.get();
    sources.SetTips = [this](const TipSet& tips) { mainForm_->SetTips(tips); };
    sources.RestoreTips = [this] { mainForm_->RestoreTips(); };
    // The main window keeps the printer; its Printer Setup chooses it for both windows.
    sources.Printer = &mainForm_->Printer();
    sources.PrinterSetup = [this] { mainForm_->PrinterSetup1Click(); };
    sources.OpenHelp = [this](int helpContext) { mainForm_->OpenHelpPage(helpContext); };
    printSelection_->SetSources(std::move(sources));
}

// The toolbox opens the analysis windows, the latency window the what-if
// window; every one shows its tips in the main window's tip panel.
void QuenlixProgram::ConnectAnalysisWindows()
{
    const auto show = [](QWidget* window) { ShowToolWindow(*window); };
    const auto setTips = [this](const TipSet& tips) { mainForm_->SetTips(tips); };
    const auto restoreTips = [this] { mainForm_->RestoreTips(); };
    fathomToolbox_->ShowAnalysis = show;
    fathomToolbox_->SetTips = setTips;
    const auto openHelp = [this](int helpContext) { mainForm_->OpenHelpContext(helpContext); };
    fathomToolbox_->OpenHelp = openHelp;
    fathomToolbox_->ExportPackets = [this](const std::vector<int64_t>& frames, int64_t first, int64_t last) {
        mainForm_->ExportFrames(frames, first, last);
    };
    fathomToolbox_->LatencyWindow = latencyAnalysis_.get();
    fathomToolbox_->ThroughputWindow = throughputAnalysis_.get();
    fathomToolbox_->ProblemWindow = problemAnalysis_.get();
    latencyAnalysis_->WhatIf = whatIfAnalysis_.get();
    latencyAnalysis_->ShowWindow = show;
    for (TAnalysisWindow* window : std::initializer_list<TAnalysisWindow*>{
             latencyAnalysis_.get(), problemAnalysis_.get(), throughputAnalysis_.get(), whatIfAnalysis_.get()}) {
        window->SetTips = setTips;
        window->RestoreTips = restoreTips;
        window->OpenHelp = openHelp;
    }
}

QuenlixProgram::~QuenlixProgram()
{
    if (auto* application = qobject_cast<QuenlixApplication*>(QCoreApplication::instance()))
        application->SetFailureHandler(nullptr);
    if (mainForm_) mainForm_->FormDestroy();
    // The analysis windows keep where the user last had them, open or closed.
    for (QWidget* window : std::initializer_list<QWidget*>{fathomToolbox_.get(), latencyAnalysis_.get(),
                                                           problemAnalysis_.get(), throughputAnalysis_.get(),
                                                           whatIfAnalysis_.get()})
        if (window) SaveFormPlacement(*window);
    if (settings_) settings_->Flush();
    SetPlacementStore(nullptr);
}

void QuenlixProgram::ShowMainWindow()
{
    if (mainForm_->windowState() & Qt::WindowMaximized) {
        mainForm_->showMaximized();
    } else if (mainForm_->windowState() & Qt::WindowMinimized) {
        mainForm_->showMinimized();
    } else {
        mainForm_->show();
    }
    mainForm_->activateWindow();
}

int QuenlixProgram::Run()
{
    ShowMainWindow();
    const int result = QApplication::exec();
    settings_->Flush();
    return result;
}

}  // namespace quenlix
