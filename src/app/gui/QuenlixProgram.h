#pragma once
// The program's start-up: the application title, the splash, every window
// created once in its order (the main window last), and the settings store.

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "model/AnalysisState.h"

namespace quenlix {

class GuiReadHost;
class QtSettingsStore;
class TAboutForm;
class TChartPropertiesForm;
class TDualListDialogForm;
class TNetworkStatisticsForm;
class TStationStats;
class TErrorInformationForm;
class TFathomToolboxForm;
class TLatencyAnalysisForm;
class TProblemAnalysisForm;
class TThroughputAnalysisForm;
class TWhatIfAnalysisForm;
class TMainForm;
class TPrintSelectionForm;
class TPrintStatusForm;
class TReadTraceFileForm;
class TSystemInformationForm;
class TTechnicalSupportForm;
struct QuenlixWindows;

struct StartupOptions {
    QString SettingsFile;        // an INI file; empty for the user's own settings
    std::string ProgramFolder;   // where OUI.TXT and the help pages are
    int SplashMilliseconds = 2000;
    QStringList Arguments;       // the command line without the program name
};

class QuenlixProgram {
public:
    explicit QuenlixProgram(const StartupOptions& options);
    ~QuenlixProgram();

    // Shows the main window as its placement says and runs the event loop until it closes.
    int Run();
    // Shows the main window without running the loop (tests).
    void ShowMainWindow();

    TMainForm& MainForm() { return *mainForm_; }
    AnalysisState& State() { return *state_; }
    TReadTraceFileForm& ReadTraceFileForm() { return *readTraceFile_; }
    TErrorInformationForm& ErrorInformationForm() { return *errorInformation_; }
    TChartPropertiesForm& ChartPropertiesForm() { return *chartProperties_; }
    TSystemInformationForm& SystemInformationForm() { return *systemInformation_; }
    TPrintSelectionForm& PrintSelectionForm() { return *printSelection_; }
    TPrintStatusForm& PrintStatusForm() { return *printStatus_; }
    QtSettingsStore& Settings() { return *settings_; }
    TNetworkStatisticsForm& NetworkStatisticsForm() { return *networkStatistics_; }
    TStationStats& StationStatsForm() { return *stationStats_; }
    TDualListDialogForm& DualListDialogForm() { return *dualListDialog_; }
    TFathomToolboxForm& FathomToolboxForm() { return *fathomToolbox_; }
    TLatencyAnalysisForm& LatencyAnalysisForm() { return *latencyAnalysis_; }
    TThroughputAnalysisForm& ThroughputAnalysisForm() { return *throughputAnalysis_; }
    TProblemAnalysisForm& ProblemAnalysisForm() { return *problemAnalysis_; }
    TWhatIfAnalysisForm& WhatIfAnalysisForm() { return *whatIfAnalysis_; }

private:
    void ConnectPrinting(const QuenlixWindows& windows);
    void ConnectAnalysisWindows();

    std::unique_ptr<AnalysisState> state_;
    std::unique_ptr<QtSettingsStore> settings_;
    std::unique_ptr<QtSettingsStore> machineSettings_;
    std::unique_ptr<TTechnicalSupportForm> technicalSupport_;
    std::unique_ptr<TAboutForm> about_;
    std::unique_ptr<TChartPropertiesForm> chartProperties_;
    std::unique_ptr<TErrorInformationForm> errorInformation_;
    std::unique_ptr<TPrintStatusForm> printStatus_;
    std::unique_ptr<TPrintSelectionForm> printSelection_;
    // The toolbox outlives the analysis windows that read its selection.
    std::unique_ptr<TFathomToolboxForm> fathomToolbox_;
    std::unique_ptr<TLatencyAnalysisForm> latencyAnalysis_;
    std::unique_ptr<TProblemAnalysisForm> problemAnalysis_;
    std::unique_ptr<TThroughputAnalysisForm> throughputAnalysis_;
    std::unique_ptr<TWhatIfAnalysisForm> whatIfAnalysis_;
    std::unique_ptr<TReadTraceFileForm> readTraceFile_;
    std::unique_ptr<TSystemInformationForm> systemInformation_;
    std::unique_ptr<TDualListDialogForm> dualListDialog_;
    std::unique_ptr<TNetworkStatisticsForm> networkStatistics_;
    std::unique_ptr<TStationStats> stationStats_;
    std::unique_ptr<GuiReadHost> host_;
    std::unique_ptr<TMainForm> mainForm_;
};

}  // namespace quenlix
