#pragma once
// TMainForm: the program's frame. It opens trace files, runs the read, and
// refreshes its six pages from the analysis; it holds the toolbar that opens the
// other windows, the tip wizard panel and the status bar, and keeps the settings.

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "model/AnalysisState.h"
#include "model/ReadHost.h"
#include "model/SettingsStore.h"
#include "ui/main/ExportFileDialog.h"
#include "ui/main/MainWindowContent.h"
#include "ui/main/SettingsContent.h"
#include "ui/main/TipContent.h"

class QAction;
class QActionGroup;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QPrintDialog;
class QPrinter;
class QTabWidget;
class QToolButton;
class QUrl;

namespace quenlix {

class TAboutForm;
class THelpForm;
class TChartPropertiesForm;
class TDLCErrorPage;
class TFileSummaryPage;
class TReadTraceFileForm;
class TSplashForm;

// The other windows, created once before the main window. Windows that are not
// built yet are null, and the commands that open them stay disabled.
struct QuenlixWindows {
    TAboutForm* About = nullptr;
    TChartPropertiesForm* ChartProperties = nullptr;
    QWidget* DualListDialog = nullptr;
    QWidget* ErrorInformation = nullptr;
    QWidget* LatencyAnalysis = nullptr;
    QWidget* NetworkStatistics = nullptr;
    QWidget* PrintSelection = nullptr;
    QWidget* PrintStatus = nullptr;
    QWidget* FathomToolbox = nullptr;
    QWidget* ProblemAnalysis = nullptr;
    TReadTraceFileForm* ReadTraceFile = nullptr;
    QWidget* StationStats = nullptr;
    QWidget* SystemInformation = nullptr;
    QWidget* TechnicalSupport = nullptr;
    QWidget* ThroughputAnalysis = nullptr;
    QWidget* WhatIfAnalysis = nullptr;
};

struct MainFormSetup {
    AnalysisState* State = nullptr;
    SettingsStore* Settings = nullptr;
    ReadHost* Host = nullptr;
    QuenlixWindows Windows;
    std::string ProgramFolder;       // where OUI.TXT and the help pages are
    std::string CommandLineFile;     // opened at the first activation when not empty
    TSplashForm* Splash = nullptr;   // hidden once start-up is done
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const MainFormSetup& setup);
    ~TMainForm() override;

    // Opens TraceFileName, reads it and refreshes every view.
    // Opens and reads a trace file: the one way a read is asked for.
    void ProcessFile(const std::string& fileName);
    void EnableOptions(bool enabled);
    void SetCaption(const std::string& suffix);
    void MRUUpdate(const std::string& fileName);
    void MRUDisplay();
    void CloseAnalysisWindows();

    // The tip wizard.
    void SetTips(const TipSet& tips);
    void RestoreTips();
    TipSet CurrentTipSet() const { return currentTipSet_; }

    // Commands.
    void Open1Click();
    void MRUClick(int index);
    void Close1Click();
    // File > Export...: the whole trace as pcapng.
    void Export1Click();
    // Exports the frames of the given numbers within the frame range (the toolbox's
    // conversation) of the trace shown, asking for the file first.
    void ExportFrames(const std::vector<int64_t>& frameNumbers, int64_t firstFrameNo, int64_t lastFrameNo);
    void Exit1Click();
    void BandwidthOptionClick(int option);
    void TcpDataResponse1Click();
    void CaptureTimesAsUtc1Click();
    void RelativeSequenceNumbers1Click();
    void AnalyzeBtnClick();
    // For the network map's pop-up: opens the toolbox with the station (its
    // address text, and the vendor form of an IPX address) as the source.
    void OpenToolboxForStation(const std::string& address, const std::string& ouiAddress);
    void StationBtnClick();
    void NetworkBtnClick();
    void PrintBtnClick();
    void PrinterSetup1Click();
    void About1Click();
    void SystemInformation1Click();
    void HelpTopics1Click();
    void HelpForActiveContext();
    // The help page of a window's help context (F1 in the analysis windows).
    void OpenHelpContext(int helpContext) { OpenHelpPage(helpContext); }
    void VisitWebSite1Click();
    void ShowTipWizard1Click();
    void Image1Click();
    void SelectAll1Click();
    void Copy1Click();
    void MainPageControlChange();
    void UpdateMediaUtilization();

    // Saves the settings and placement; runs once, when the window closes.
    void FormDestroy();

    // Seams for the pages and windows built elsewhere: the copy and select-all
    // commands of a page, a page's widget, and views refreshed after a read.
    void SetCopyHandler(CopyAction action, std::function<void()> handler);
    void SetSelectAllHandler(MainPage page, std::function<void()> handler);
    void SetPageWidget(MainPage page, QWidget* widget);
    void AddViewRefresher(std::function<void()> refresher);
    QWidget* PageWidget(MainPage page) const;

    // Where an export goes; the save dialog by default.
    ExportFileChooser ChooseExportFileFor = ChooseExportFile;
    // How web addresses are opened; the desktop's handler by default.
    std::function<bool(const QUrl&)> OpenUrl;
    // The printer every print run uses, chosen by File > Printer Setup.
    QPrinter& Printer() { return *printer_; }
    // The dialog of File > Printer Setup, kept until the program exits so that
    // it opens on the last choice; made on first use.
    QPrintDialog& PrinterSetupDialog();
    // The program's help window, made on first use.
    THelpForm& HelpWindow();
    // Shows the help page of a help context (F1 in any window).
    void OpenHelpPage(int helpContext);

    // For the tests and the windows that read them.
    const MainSettings& Settings() const { return settings_; }
    // The page-setup values, which the print selection window changes.
    PrintSetup& PageSetup() { return settings_.Print; }
    const RecentFileList& RecentFiles() const { return settings_.RecentFiles; }
    TFileSummaryPage* FileSummaryPage() const { return fileSummary_; }
    QTabWidget* MainPageControl() const { return mainPageControl_; }
    bool Reading() const { return reading_; }
    QWidget* TipPanel() const { return tipPanel_; }
    QString TipText() const;
    QString StatusPanel(int index) const;
    // The note on a read that ended early or clipped frames; empty otherwise.
    QString ReadStatus() const;
    QAction* Action(const QString& name) const;
    QToolButton* ToolButton(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void StepPage(int step);
    QString DroppedTrace(const QMimeData* data) const;
    void FormActivate();
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildTipPanel();
    void BuildPages();
    void BuildStatusBar();
    void AddProtocolTablePage();
    void AddDLCErrorPage();
    void AddChartPages();
    void AddClientServerPage();
    void LoadSettings();
    void SetReadingState(bool reading);
    void UpdateCharts();
    void UpdateEncapsulation();
    void ShowDLCPanel(TopologyCode topology);
    void SetToolbarImage(QAction* action, ToolbarButton button, bool enabled);
    void ShowMessage(MessageIcon icon, const std::string& title, const std::string& text);
    MainPage ActivePage() const;
    void UpdateEditCommands();
    bool TraceHasNetworkFrames(const char* title);

    AnalysisState& state_;
    SettingsStore& store_;
    ReadHost& host_;
    QuenlixWindows windows_;
    std::string programFolder_;
    std::string commandLineFile_;
    MainSettings settings_;
    TipSet currentTipSet_ = tips::StartUp();
    bool firstActivation_ = true;
    // The direction of the last Sort button of the client/server grid or the
    // protocol table; a double click on either repeats it.
    bool lastSortAscending_ = true;
    bool destroyed_ = false;
    bool reading_ = false;
    bool closeAfterRead_ = false;

    std::map<QString, QAction*> actions_;
    std::array<QAction*, kRecentFileCount> mruItems_{};
    QActionGroup* bandwidthGroup_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* reopenMenu_ = nullptr;
    THelpForm* helpForm_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    QPrintDialog* printerSetupDialog_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QWidget* tipPanel_ = nullptr;
    QPlainTextEdit* tipMemo_ = nullptr;
    QTabWidget* mainPageControl_ = nullptr;
    TFileSummaryPage* fileSummary_ = nullptr;
    TDLCErrorPage* dlcErrorPage_ = nullptr;
    std::array<QLabel*, 3> statusPanels_{};
    QLabel* readStatusPanel_ = nullptr;
    std::array<int, 3> statusWidths_{};  // the panels' laid-out widths; a longer text widens a panel
    std::map<CopyAction, std::function<void()>> copyHandlers_;
    std::map<MainPage, std::function<void()>> selectAllHandlers_;
    std::vector<std::function<void()>> viewRefreshers_;
    std::function<void()> refreshServerGrid_;
    CopyAction currentCopy_ = CopyAction::None;
    std::string captionSuffix_;
};

}  // namespace quenlix
