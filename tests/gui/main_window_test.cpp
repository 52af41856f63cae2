// The main window as the user meets it: start-up, opening traces, the File
// Summary page, Stop during a read, the recent-files menu, settings, placements
// and tips.

#include <QAction>
#include <QClipboard>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "app/gui/QtSettingsStore.h"
#include "import/TraceImport.h"
#include "model/NumberFormat.h"
#include "ui/controls/TextBoxWidget.h"
#include "ui/main/FileSummaryContent.h"
#include "ui/main/FileSummaryWidget.h"
#include "ui/main/MainForm.h"
#include "ui/main/PlacementContent.h"
#include "ui/main/ReadTraceFileForm.h"
#include "ui/misc/ChartPropertiesForm.h"
#include "ui/misc/HelpForm.h"

namespace quenlix::guitest {

namespace {

QString BoxText(TMainForm& form, const char* name)
{
    auto* box = form.findChild<TTextBox*>(name);
    return box != nullptr ? box->text() : QString("<no %1>").arg(name);
}

int GaugeValue(TMainForm& form, const char* name)
{
    auto* gauge = form.findChild<TGauge*>(name);
    return gauge != nullptr ? gauge->Progress() : -1;
}

// Ethernet frames with a broadcast among them, as a Sniffer trace.
void WriteEthernetTrace(const QString& path, int frames, uint8_t networkType = 1)
{
    std::vector<testing::SnifferFrame> list;
    for (int i = 0; i < frames; ++i) {
        std::vector<uint8_t> bytes(60, 0);
        const bool broadcast = i % 10 == 0;
        for (int b = 0; b < 6; ++b) bytes[static_cast<size_t>(b)] = broadcast ? 0xFF : static_cast<uint8_t>(0x10 + b);
        for (int b = 6; b < 12; ++b) bytes[static_cast<size_t>(b)] = static_cast<uint8_t>(0x20 + b);
        bytes[12] = 0x08;  // Ethernet II, IP
        bytes[13] = 0x00;
        list.push_back({static_cast<uint64_t>(i) * 1000, bytes});
    }
    testing::SnifferFileOptions options;
    options.NetworkType = networkType;
    testing::WriteSnifferFile(path.toStdString(), options, list);
}

QString Count(int64_t value)
{
    return QString::fromStdString(FormatCount(value));
}

QStringList Lines(const QString& text)
{
    return text.split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void StartsToAnEmptyMainWindow();
    void MissingVendorFileIsToldOnceAtStart();
    void OpensOfficeCaptureIntoTheFileSummary();
    void VlanBoxShowsOnlyForTaggedTraces();
    void CommandLineTraceOpensAtFirstActivation();
    void NotATraceAndUnsupportedTopologyAreRefused();
    void StopDuringReadKeepsThePartialAnalysis();
    void RecentFilesMenuFollowsItsRules();
    void SettingsRoundTripWithDefaultsForBadValues();
    void StoredPlacementIsFittedToTheScreen();
    void TipsFollowThePageAndTheWizardSwitch();
    void CloseReturnsToTheStateWithoutTrace();
    void HelpOpensThePageOfTheActiveContext();
    void BandwidthOptionsFollowTheTopology();
    void ProtocolTablePageCopiesItsCells();
    void FileSummaryFitsTheDefaultWindow();
};

void MainWindowTest::StartsToAnEmptyMainWindow()
{
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QVERIFY(WaitFor([&] { return !form.TipText().isEmpty(); }));

    QCOMPARE(form.windowTitle(), QString("Quenlix Fathom (tm) "));
    QVERIFY(form.isVisible());
    QVERIFY(!form.MainPageControl()->isVisible());
    QCOMPARE(form.MainPageControl()->count(), 6);
    QCOMPARE(form.MainPageControl()->tabText(0), QString("File Summary"));
    QCOMPARE(form.MainPageControl()->tabText(5), QString("Protocol Table"));
    QVERIFY(form.Action("OpenBtn")->isEnabled());
    for (const char* name : {"Print1", "Bandwidth1", "PrintBtn", "AnalyzeBtn", "StationBtn", "NetworkBtn", "Copy1",
                             "SelectAll1"})
        QVERIFY2(!form.Action(name)->isEnabled(), name);
    QCOMPARE(form.StatusPanel(0), QString());
    QCOMPARE(form.StatusPanel(2), QString());
    QCOMPARE(BoxText(form, "FileAnalyzerTextBox"), QString());
    QCOMPARE(BoxText(form, "TotalPacketsTextBox"), QString("0"));
    QCOMPARE(form.Action("Open1")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(form.Action("Exit1")->shortcut(), QKeySequence("Ctrl+X"));
    QCOMPARE(form.Action("OpenBtn")->toolTip(), QString("Open a new analyzer trace file"));
    QCOMPARE(form.Action("PrintBtn")->toolTip(), QString("Print selected windows"));
    // The tip wizard is on by default and shows the start-up tips.
    QVERIFY(form.TipPanel()->isVisible());
    QCOMPARE(Lines(form.TipText()).size(), 2);
    QVERIFY(form.TipText().startsWith("Tip: Click on the light bulb"));
    QVERIFY(watcher.Messages.empty());
}

void MainWindowTest::MissingVendorFileIsToldOnceAtStart()
{
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch, {}, scratch.Path("no-such-folder").toStdString());
    program->ShowMainWindow();
    QApplication::processEvents();
    QCOMPARE(watcher.Messages.size(), size_t{1});
    QCOMPARE(watcher.Messages[0].Title, QString("Quenlix"));
    QCOMPARE(watcher.Messages[0].Icon, QMessageBox::Warning);
    QVERIFY(watcher.Messages[0].Text.startsWith("Unable to open the OUI File (OUI.TXT) in the Quenlix Program "
                                                "Directory.  Without this file"));
    QCOMPARE(program->State().VendorCount, uint16_t{0});
}

void MainWindowTest::OpensOfficeCaptureIntoTheFileSummary()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QVERIFY(program->State().VendorCount > 0);

    OpenTrace(*program, capture);

    QVERIFY(watcher.Messages.empty());
    QVERIFY(form.MainPageControl()->isVisible());
    QCOMPARE(form.windowTitle(), QString("Quenlix Fathom (tm)  - office-a.enc"));
    // The capture's own figures: 851 frames, 500,874 bytes with the FCS, 4 broadcasts.
    QCOMPARE(BoxText(form, "TotalPacketsTextBox"), QString("851"));
    QCOMPARE(BoxText(form, "TotalBytesTextBox"), QString("500,874"));
    QCOMPARE(BoxText(form, "BroadcastTextBox"), QString("4"));
    QCOMPARE(BoxText(form, "LargestUnicastTextBox"), QString("1,518"));
    QCOMPARE(BoxText(form, "FileAnalyzerTextBox"), QString("Sniffer"));
    QCOMPARE(BoxText(form, "FileTopologyTextBox"), QString("Ethernet"));
    QCOMPARE(BoxText(form, "FileBandwidthTextBox"), QString("10 Mbps"));
    QCOMPARE(BoxText(form, "FileFrameCountTextBox"), QString("851"));
    QCOMPARE(BoxText(form, "FileBytesTextBox"), QString("500,874"));
    QCOMPARE(BoxText(form, "FileDurationTextBox"), QString("00:00:06"));
    QCOMPARE(BoxText(form, "FileSizeTextBox"), Count(QFileInfo(capture).size()));
    // The file date in the user's short date format.
    QCOMPARE(BoxText(form, "FileDateTextBox"),
             QLocale().toString(QFileInfo(QString::fromStdString(program->State().Read.TraceFileName)).lastModified().date(),
                                QLocale::ShortFormat));
    // The capture times in the same date format, to the millisecond; the Options
    // choice reads the Sniffer's local time as UTC and shows it again at once.
    const QString captureDay = QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat);
    QCOMPARE(BoxText(form, "CaptureStartTextBox"), captureDay + " 01:16:25.776");
    QCOMPARE(BoxText(form, "CaptureEndTextBox"), captureDay + " 01:16:32.314");
    QCOMPARE(BoxText(form, "CaptureDurationTextBox"), QString("00:00:06.538"));
    form.Action("CaptureTimesAsUtc1")->trigger();
    QCOMPARE(BoxText(form, "CaptureStartTextBox"), captureDay + " 01:16:25.776 UTC");
    form.Action("CaptureTimesAsUtc1")->trigger();

    // Every box agrees with the content the core builds from the same analysis.
    const FileSummaryContent expected = BuildFileSummary(program->State());
    const FrameStatisticsContent& frames = expected.FrameStatistics;
    QCOMPARE(BoxText(form, "UnicastTextBox").toStdString(), frames.Station.Count);
    QCOMPARE(GaugeValue(form, "UnicastPct"), frames.Station.CountPercent);
    QCOMPARE(BoxText(form, "MulticastBytesTextBox").toStdString(), frames.Multicast.Bytes);
    QCOMPARE(GaugeValue(form, "BroadcastPctBytes"), frames.Broadcast.BytesPercent);
    QCOMPARE(BoxText(form, "AveUnicastTextBox").toStdString(), frames.Station.AverageSize);
    QCOMPARE(BoxText(form, "AvePpsTextBox").toStdString(), expected.MediaUtilization.All.AvePps.Text);
    QCOMPARE(BoxText(form, "PeakBandwidthTextBox").toStdString(), expected.MediaUtilization.All.PeakBandwidth.Text);
    QCOMPARE(BoxText(form, "ETypeTextBox"), QString("851"));
    QCOMPARE(GaugeValue(form, "EtypePct"), 100);
    QVERIFY(form.findChild<TTextBox*>("NovellRawTextBox")->isVisible());

    // "Broadcast" switches the Media Utilization figures.
    form.findChild<QAbstractButton*>("MediaUtilBroadcast")->click();
    QCOMPARE(BoxText(form, "PeakPpsTextBox").toStdString(), expected.MediaUtilization.Broadcast.PeakPps.Text);
    QCOMPARE(BoxText(form, "AveBpsTextBox").toStdString(), expected.MediaUtilization.Broadcast.AveBps.Text);

    QCOMPARE(form.StatusPanel(0), QString("Ethernet"));
    QCOMPARE(form.StatusPanel(1), QString("851 Frames"));
    QCOMPARE(form.StatusPanel(2), "Sniffer File " + capture);
    // A count of millions still shows whole: the frames panel widens for it.
    program->State().TotalFrames = 1500000;
    form.EnableOptions(true);
    const auto* framesPanel = form.findChild<QLabel*>("StatusPanel1");
    QCOMPARE(framesPanel->text(), QString("1,500,000 Frames"));
    QVERIFY(framesPanel->width() >= framesPanel->sizeHint().width());
    program->State().TotalFrames = 851;
    form.EnableOptions(true);
    QVERIFY(form.Action("Bandwidth1")->isEnabled());
    QVERIFY(form.Action("Open1")->isEnabled());
    QCOMPARE(form.RecentFiles()[0], capture.toStdString());
    QCOMPARE(form.Settings().LastDirectory, QFileInfo(capture).absolutePath().toStdString());
    QCOMPARE(program->ReadTraceFileForm().Texts().PercentComplete, std::string("100% Complete"));
    QVERIFY(!program->ReadTraceFileForm().isVisible());
    QVERIFY(form.TipText().contains("For more global statistics"));
}

void MainWindowTest::VlanBoxShowsOnlyForTaggedTraces()
{
    const QString tagged = CapturePath("office-d-vlan.enc");
    const QString untagged = CapturePath("office-d.enc");
    if (!QFile::exists(tagged) || !QFile::exists(untagged)) QSKIP("../shared/captures/office-d*.enc are not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    auto* box = form.findChild<QGroupBox*>("VlanGroupBox");
    QVERIFY(box != nullptr);

    OpenTrace(*program, tagged);
    QVERIFY(box->isVisible());
    QStringList texts;
    for (const QLabel* label : box->findChildren<QLabel*>()) texts << label->text();
    QCOMPARE(texts, QStringList({"VLAN 100", "1,027 frames"}));

    OpenTrace(*program, untagged);
    QVERIFY(!box->isVisible());
    QVERIFY(box->findChildren<QLabel*>().isEmpty());
}

void MainWindowTest::CommandLineTraceOpensAtFirstActivation()
{
    Scratch scratch;
    const QString trace = scratch.Path("small.enc");
    WriteEthernetTrace(trace, 20);
    ModalWatcher watcher;
    auto program = StartProgram(scratch, {trace});
    QVERIFY(program->State().Read.TraceFileName.empty());
    program->ShowMainWindow();
    QVERIFY(WaitFor([&] { return program->MainForm().MainPageControl()->isVisible(); }));
    QCOMPARE(BoxText(program->MainForm(), "TotalPacketsTextBox"), QString("20"));
    QCOMPARE(BoxText(program->MainForm(), "BroadcastTextBox"), QString("2"));
    QVERIFY(watcher.Messages.empty());
}

void MainWindowTest::NotATraceAndUnsupportedTopologyAreRefused()
{
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();

    const QString notes = scratch.Path("notes.txt");
    QFile file(notes);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300, 'x'));
    file.close();
    OpenTrace(*program, notes);
    QCOMPARE(watcher.Messages.size(), size_t{1});
    QCOMPARE(watcher.Messages[0].Title, QString("Quenlix - Open Trace File"));
    QCOMPARE(watcher.Messages[0].Icon, QMessageBox::Critical);
    QCOMPARE(watcher.Messages[0].Text, QString("notes.txt is not a trace file or supported format."));

    const QString arcnet = scratch.Path("arcnet.enc");
    WriteEthernetTrace(arcnet, 3, 2);
    OpenTrace(*program, arcnet);
    QCOMPARE(watcher.Messages.size(), size_t{2});
    QCOMPARE(watcher.Messages[1].Text, arcnet + " contains an unsupported topology.");
    QCOMPARE(watcher.Messages[1].Title, QString("Quenlix - Open Trace File"));

    const QString tiny = scratch.Path("tiny.enc");
    QFile tinyFile(tiny);
    QVERIFY(tinyFile.open(QIODevice::WriteOnly));
    tinyFile.write("TRSNIFF");
    tinyFile.close();
    OpenTrace(*program, tiny);
    QCOMPARE(watcher.Messages.size(), size_t{3});
    QCOMPARE(watcher.Messages[2].Text, QString("File too short."));

    // Nothing was read: the window stays without a trace and the menus stay usable.
    QVERIFY(!form.MainPageControl()->isVisible());
    QVERIFY(!form.Action("Bandwidth1")->isEnabled());
    QVERIFY(form.Action("Open1")->isEnabled());
    QCOMPARE(form.RecentFiles()[0], std::string());
}

void MainWindowTest::StopDuringReadKeepsThePartialAnalysis()
{
    Scratch scratch;
    const QString trace = scratch.Path("long.enc");
    constexpr int kFrames = 300000;
    WriteEthernetTrace(trace, kFrames);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    TReadTraceFileForm& progress = program->ReadTraceFileForm();
    QVERIFY(WaitFor([&] { return !form.TipText().isEmpty(); }));

    // Stop is pressed as soon as the read lets the window process its events.
    bool menusDisabledDuringRead = false;
    QTimer::singleShot(0, &progress, [&] {
        menusDisabledDuringRead = form.Reading() && !form.Action("OpenBtn")->isEnabled() &&
                                  !form.findChild<QMenu*>("File1")->menuAction()->isEnabled();
        QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
    });
    OpenTrace(*program, trace);

    QVERIFY(menusDisabledDuringRead);
    QCOMPARE(progress.Texts().PercentComplete, std::string("FILE PARTIALLY READ"));
    QCOMPARE(progress.Texts().ButtonCaption, std::string("&OK"));
    const int64_t read = program->State().TotalFrames;
    QVERIFY(read > 0);
    QVERIFY(read < kFrames);
    // The partial read is shown like a complete one.
    QVERIFY(form.MainPageControl()->isVisible());
    QCOMPARE(BoxText(form, "TotalPacketsTextBox"), Count(read));
    QCOMPARE(form.StatusPanel(1), Count(read) + " Frames");
    // ...but the status bar says the read was stopped.
    QCOMPARE(form.ReadStatus(), "Read stopped at frame " + Count(read) + " of the file");
    QVERIFY(form.Action("Open1")->isEnabled());
    QVERIFY(form.findChild<QMenu*>("File1")->menuAction()->isEnabled());
    QVERIFY(watcher.Messages.empty());
}

void MainWindowTest::RecentFilesMenuFollowsItsRules()
{
    Scratch scratch;
    auto program = StartProgram(scratch);
    TMainForm& form = program->MainForm();
    for (int i = 1; i <= 9; ++i) form.MRUUpdate("/traces/t" + std::to_string(i) + ".enc");
    form.MRUUpdate("/traces/t5.enc");
    form.MRUDisplay();
    QCOMPARE(form.Action("MRU1")->text(), QString("&1 /traces/t5.enc"));
    QCOMPARE(form.Action("MRU2")->text(), QString("&2 /traces/t9.enc"));
    QCOMPARE(form.Action("MRU8")->text(), QString("&8 /traces/t2.enc"));
    for (const std::string& file : form.RecentFiles()) QVERIFY(file != "/traces/t1.enc");

    Scratch fresh;
    auto second = StartProgram(fresh);
    second->MainForm().MRUUpdate("/traces/only.enc");
    second->MainForm().MRUDisplay();
    QVERIFY(second->MainForm().Action("MRU1")->isVisible());
    for (int i = 2; i <= 8; ++i) QVERIFY(!second->MainForm().Action(QString("MRU%1").arg(i))->isVisible());
}

void MainWindowTest::SettingsRoundTripWithDefaultsForBadValues()
{
    Scratch scratch;
    {
        QtSettingsStore store(scratch.SettingsFile());
        store.WriteString("Recent Files", "0", "/traces/a.enc");
        store.WriteString("Recent Files", "Last Directory", "/traces");
        store.WriteString("Print Setup", "Orientation", "portrait");
        store.WriteString("Print Setup", "TopMargin", "wide");
        store.WriteString("Print Setup", "LeftMargin", "0.5");
        store.WriteString("Chart Properties", "Chart Type", "pie");
        store.WriteInteger("Chart Properties", "Show Legend", 0);
        store.WriteInteger("Tip Wizard", "Enabled", 0);
        store.WriteInteger("Options", "TCP Response To Data", 1);
        store.Flush();
    }
    {
        auto program = StartProgram(scratch);
        const MainSettings& settings = program->MainForm().Settings();
        QCOMPARE(settings.RecentFiles[0], std::string("/traces/a.enc"));
        QVERIFY(settings.Print.Portrait);
        QCOMPARE(settings.Print.TopMargin, 1.0);
        QCOMPARE(settings.Print.LeftMargin, 0.5);
        QCOMPARE(settings.Charts.ChartType, 0);
        QVERIFY(!program->ChartPropertiesForm().Values().ShowLegend);
        QVERIFY(!program->MainForm().Action("ShowTipWizard1")->isChecked());
        QVERIFY(program->MainForm().Action("TcpDataResponse1")->isChecked());
        QCOMPARE(program->State().Options.TcpDataResponse, uint8_t{1});
        program->MainForm().Action("TcpDataResponse1")->trigger();
        QCOMPARE(program->State().Options.TcpDataResponse, uint8_t{0});
        program->ShowMainWindow();
        QVERIFY(!program->MainForm().TipPanel()->isVisible());
        program->MainForm().close();
    }
    QtSettingsStore stored(scratch.SettingsFile());
    QCOMPARE(stored.ReadString("Print Setup", "Orientation"), std::optional<std::string>("Portrait"));
    QCOMPARE(stored.ReadString("Print Setup", "TopMargin"), std::optional<std::string>("1.00"));
    QCOMPARE(stored.ReadString("Print Setup", "LeftMargin"), std::optional<std::string>("0.50"));
    QCOMPARE(stored.ReadInteger("Chart Properties", "Chart Type"), std::optional<int32_t>(0));
    QCOMPARE(stored.ReadInteger("Chart Properties", "Show Legend"), std::optional<int32_t>(0));
    QCOMPARE(stored.ReadInteger("Tip Wizard", "Enabled"), std::optional<int32_t>(0));
    QCOMPARE(stored.ReadInteger("Options", "TCP Response To Data"), std::optional<int32_t>(0));
    QCOMPARE(stored.ReadString("Recent Files", "0"), std::optional<std::string>("/traces/a.enc"));
    QCOMPARE(stored.ReadString("Recent Files", "7"), std::optional<std::string>(""));
    QVERIFY(stored.ReadBinary("3.01b/Display", "MainForm").has_value());
}

void MainWindowTest::StoredPlacementIsFittedToTheScreen()
{
    Scratch scratch;
    const QSize screen = QApplication::primaryScreen()->geometry().size();
    {
        QtSettingsStore store(scratch.SettingsFile());
        SaveFormPlacement(store, "MainForm",
                          {screen.height() + 500, -40, 10, screen.width() + 900, WindowState::Normal});
        store.Flush();
    }
    auto program = StartProgram(scratch);
    const QRect geometry = program->MainForm().geometry();
    QCOMPARE(geometry.width(), screen.width());
    QCOMPARE(geometry.height(), screen.height());
    QCOMPARE(program->MainForm().pos(), QPoint(0, 0));
}

void MainWindowTest::TipsFollowThePageAndTheWizardSwitch()
{
    Scratch scratch;
    const QString trace = scratch.Path("tips.enc");
    WriteEthernetTrace(trace, 5);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);

    QTabWidget* pages = form.MainPageControl();
    pages->setCurrentIndex(static_cast<int>(MainPage::ClientServer));
    QCOMPARE(Lines(form.TipText()).size(), 8);
    pages->setCurrentIndex(static_cast<int>(MainPage::DLCError));
    QCOMPARE(Lines(form.TipText()).size(), 2);
    QVERIFY(form.TipText().startsWith("Tip: Use an analyzer that can capture error packets"));
    pages->setCurrentIndex(static_cast<int>(MainPage::PacketSizeChart));
    QCOMPARE(form.Action("Copy1")->text(), QString("&Copy Chart"));
    QVERIFY(form.TipText().startsWith("Tip: Right click on the graphic"));
    pages->setCurrentIndex(static_cast<int>(MainPage::ProtocolTable));
    QCOMPARE(form.Action("Copy1")->text(), QString("&Copy"));
    QVERIFY(form.TipText().startsWith("Tip: Select a series of cells"));

    // The light bulb turns the wizard off; pages change without touching it.
    form.findChild<QToolButton*>("Image1")->click();
    QVERIFY(!form.TipPanel()->isVisible());
    QVERIFY(!form.Action("ShowTipWizard1")->isChecked());
    pages->setCurrentIndex(static_cast<int>(MainPage::FileSummary));
    QVERIFY(form.TipText().startsWith("Tip: Select a series of cells"));
    // Switched back on, it shows the tips of the active page.
    form.Action("ShowTipWizard1")->trigger();
    QVERIFY(form.TipPanel()->isVisible());
    QCOMPARE(Lines(form.TipText()).size(), 2);
    QVERIFY(form.TipText().startsWith("Tip: For more global statistics"));
    QVERIFY(!form.Action("Copy1")->isEnabled());
}

void MainWindowTest::CloseReturnsToTheStateWithoutTrace()
{
    Scratch scratch;
    const QString trace = scratch.Path("close.enc");
    WriteEthernetTrace(trace, 5);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);
    QVERIFY(form.Action("Bandwidth1")->isEnabled());

    form.Action("Close1")->trigger();
    QVERIFY(!form.MainPageControl()->isVisible());
    QCOMPARE(form.windowTitle(), QString("Quenlix Fathom (tm) "));
    QVERIFY(!form.Action("Bandwidth1")->isEnabled());
    QCOMPARE(form.StatusPanel(1), QString());
    QVERIFY(form.TipText().startsWith("Tip: Click on the light bulb"));
    // The recent-files entry remains for reopening.
    QCOMPARE(form.RecentFiles()[0], trace.toStdString());
    form.MRUClick(0);
    QVERIFY(form.MainPageControl()->isVisible());
    QCOMPARE(BoxText(form, "TotalPacketsTextBox"), QString("5"));
}

void MainWindowTest::HelpOpensThePageOfTheActiveContext()
{
    Scratch scratch;
    const QString trace = scratch.Path("help.enc");
    WriteEthernetTrace(trace, 3);
    ModalWatcher watcher;
    // The build's program folder holds the help pages as an installed program does.
    auto program = StartProgram(scratch, {}, QUENLIX_BIN_DIR);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QStringList webOpened;
    form.OpenUrl = [&](const QUrl& url) {
        webOpened << url.toString();
        return true;
    };
    QStringList pages;
    const auto shown = [&] { pages << QFileInfo(form.HelpWindow().CurrentPage()).fileName(); };
    form.HelpForActiveContext();
    shown();
    form.Action("HelpTopics1")->trigger();
    shown();
    OpenTrace(*program, trace);
    form.HelpForActiveContext();
    shown();
    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::DLCError));
    form.HelpForActiveContext();
    shown();

    // Help opens in the program's own window, without any web browser.
    QCOMPARE(pages, (QStringList{"context-7.html", "index.html", "context-8.html", "context-14.html"}));
    QVERIFY(form.HelpWindow().isVisible());
    QVERIFY(webOpened.isEmpty());
    QVERIFY(watcher.Messages.empty());

    // The web site goes to the desktop's handler, and a missing handler is said.
    form.Action("VisitWebSite1")->trigger();
    QCOMPARE(webOpened, QStringList{kWebSiteAddress});
    form.OpenUrl = [](const QUrl&) { return false; };
    form.Action("VisitWebSite1")->trigger();
    QVERIFY(WaitFor([&] { return !watcher.Messages.empty(); }));
    QVERIFY(watcher.Messages.front().Text.contains(kWebSiteAddress));
}

void MainWindowTest::BandwidthOptionsFollowTheTopology()
{
    Scratch scratch;
    const QString trace = scratch.Path("bandwidth.enc");
    WriteEthernetTrace(trace, 3);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);
    QCOMPARE(form.Action("BandwidthOption1")->text(), QString("10 Mbps"));
    QCOMPARE(form.Action("BandwidthOption2")->text(), QString("100 Mbps"));
    form.Action("BandwidthOption2")->trigger();
    QCOMPARE(program->State().Options.EthernetSpeed, 100);
    QVERIFY(form.Action("BandwidthOption2")->isChecked());
    // The new speed counts from the next read on.
    QCOMPARE(BoxText(form, "FileBandwidthTextBox"), QString("10 Mbps"));
    form.ProcessFile(program->State().Read.TraceFileName);
    QCOMPARE(BoxText(form, "FileBandwidthTextBox"), QString("100 Mbps"));
}

void MainWindowTest::ProtocolTablePageCopiesItsCells()
{
    Scratch scratch;
    const QString trace = scratch.Path("protocols.enc");
    WriteEthernetTrace(trace, 10);
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);

    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ProtocolTable));
    QVERIFY(form.Action("Copy1")->isEnabled());
    QVERIFY(form.Action("SelectAll1")->isEnabled());
    form.Action("SelectAll1")->trigger();
    form.Action("Copy1")->trigger();
    const QStringList lines = QApplication::clipboard()->text().split("\r\n");
    QVERIFY(lines.size() >= 2);
    QVERIFY(lines[0].startsWith("Protocol\tPacket Count\tPacket Percent"));
    QCOMPARE(lines[1].section('\t', 1, 1), QString("10"));
    // Back on the File Summary page there is nothing to copy.
    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::FileSummary));
    QVERIFY(!form.Action("Copy1")->isEnabled());
    QVERIFY(!form.Action("SelectAll1")->isEnabled());
}

void MainWindowTest::FileSummaryFitsTheDefaultWindow()
{
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    QCOMPARE(form.size(), QSize(731, 572));
    // The sample stores its capture times: every row of File Attributes shows.
    OpenTrace(*program, QString(QUENLIX_SOURCE_DIR "/samples/office-sample.enc"));
    QApplication::processEvents();
    auto* area = qobject_cast<QScrollArea*>(form.MainPageControl()->currentWidget());
    QVERIFY(area != nullptr);
    QWidget* page = area->widget();
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QVERIFY(!area->horizontalScrollBar()->isVisible());
    const QRect viewport = area->viewport()->rect();
    for (auto* box : page->findChildren<TTextBox*>()) {
        if (!box->isVisibleTo(page)) continue;
        const QRect shown(box->mapTo(area->viewport(), QPoint(0, 0)), box->size());
        QVERIFY2(viewport.contains(shown), qPrintable(box->objectName()));
        QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) < box->width(), qPrintable(box->objectName()));
    }
    QVERIFY(form.findChild<TTextBox*>("CaptureEndTextBox")->isVisible());
}

int RunTests(int argc, char** argv)
{
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "main_window_test.moc"
