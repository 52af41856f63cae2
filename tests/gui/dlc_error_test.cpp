// The DLC Error Expert page in the main window: the Token Ring panel filled from
// a ring of eight stations with soft errors, the Ethernet panel filled from the
// office capture, the copy commands, the radio groups and "Show Station by OUI".
// With QUENLIX_GUI_SHOTS set to a folder, the tests also save pictures of the
// window there, for looking at the pages by eye.

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "CollisionFrames.h"
#include "GuiTestSupport.h"
#include "TokenRingFrames.h"
#include "model/NumberFormat.h"
#include "ui/controls/CanvasPanelWidget.h"
#include "ui/controls/TextBoxWidget.h"
#include "ui/main/DLCErrorWidget.h"
#include "ui/main/MainForm.h"
#include "ui/main/RingMapWidget.h"

namespace quenlix::guitest {

namespace {

QString BoxText(QWidget& form, const char* name)
{
    auto* box = form.findChild<TTextBox*>(name);
    return box != nullptr ? box->text() : QString("<no %1>").arg(name);
}

void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window.grab().save(QDir(folder).filePath(name));
}

void OpenOnDLCPage(QuenlixProgram& program, const QString& path)
{
    OpenTrace(program, path);
    program.MainForm().MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::DLCError));
    QApplication::processEvents();
}

// Pixels of the picture within a small distance of the colour (text edges are smoothed).
int CountPixels(const QImage& image, const QColor& colour, int tolerance = 0)
{
    int count = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c = rgb.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    return count;
}

}  // namespace

class DLCErrorPageTest : public QObject {
    Q_OBJECT

private slots:
    void TokenRingTraceFillsTheRingMapAndSoftErrors();
    void OfficeCaptureFillsTheEthernetPanel();
    void CollisionFragmentsRankStationsWithGaugesAndNotes();
};

void DLCErrorPageTest::TokenRingTraceFillsTheRingMapAndSoftErrors()
{
    Scratch scratch;
    ModalWatcher watcher;
    const QString trace = scratch.Path("ring8.trc");
    testing::WriteRingOfEightTrace(trace.toStdString());
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    form.resize(900, 700);
    OpenOnDLCPage(*program, trace);
    QVERIFY(watcher.Messages.empty());
    QCOMPARE(program->State().RingStationCount, 8);

    auto* page = form.findChild<TDLCErrorPage*>();
    QVERIFY(page != nullptr);
    QVERIFY(page->TokenRingPanel()->isVisible());
    QVERIFY(!page->EthernetPanel()->isVisible());
    auto* pages = form.findChild<QTabWidget*>("DLCTokenRingPageControl");
    QCOMPARE(pages->tabText(0), QString("Ring Map Diagnostic"));
    QCOMPARE(pages->currentIndex(), 0);
    // The ring map has its own copy button; the page's is hidden there.
    auto* copyButton = form.findChild<QPushButton*>("DLCCopyButton");
    QVERIFY(!copyButton->isVisible());
    auto* caption = form.findChild<TKolmCustomPanel*>("Panel27");
    QCOMPARE(caption->Caption, QString("(Downstream neighbors are clockwise)"));

    // The drawing: eight labels inside the paint box, two burst fault-domain lines in red.
    TRingMapPaintBox* box = page->RingMapPaintBox();
    const RingMapContent map = box->CurrentMap();
    QCOMPARE(map.Labels.size(), size_t{8});
    QCOMPARE(map.FaultLines.size(), size_t{2});
    for (const RingLabel& label : map.Labels) {
        QVERIFY(label.RingX >= 0 && label.RingX < box->width());
        QVERIFY(label.RingY >= 0 && label.RingY < box->height());
    }
    QVERIFY(CountPixels(box->grab().toImage(), QColor(255, 0, 0)) > 0);
    QVERIFY(CountPixels(box->grab().toImage(), QColor(0, 128, 128), 24) > 0);  // the former active monitor's label
    SaveShot(form, "dlc-ring-map.png");

    // "ID Station by" switches the colour keys and recolours the labels.
    auto* ringPollKey = form.findChild<QGroupBox*>("RingPollGroupBox");
    auto* errorsKey = form.findChild<QGroupBox*>("StationErrorsGroupBox");
    QVERIFY(ringPollKey->isVisible() && !errorsKey->isVisible());
    form.findChild<QAbstractButton*>("StationIDRadioGroup1")->click();
    QVERIFY(!ringPollKey->isVisible() && errorsKey->isVisible());
    QVERIFY(CountPixels(box->grab().toImage(), QColor(255, 0, 255), 24) > 0);  // the abort reporter
    form.findChild<QAbstractButton*>("DomainRadioGroup1")->click();  // line errors
    QCOMPARE(box->CurrentMap().FaultLines.size(), size_t{2});
    SaveShot(form, "dlc-ring-map-station-errors.png");

    // Edit > Copy on the ring map copies its picture, the size of the canvas, button shown again.
    QApplication::clipboard()->clear();
    QVERIFY(form.Action("Copy1")->isEnabled());
    form.Action("Copy1")->trigger();
    const QImage picture = QApplication::clipboard()->image();
    auto* canvas = form.findChild<TCanvasPanel*>("CanvasPanel1");
    QCOMPARE(picture.size(), canvas->size());
    QVERIFY(form.findChild<QPushButton*>("CopyRingMapBtn")->isVisible());

    // The soft error summary.
    pages->setCurrentIndex(1);
    QVERIFY(copyButton->isVisible());
    // A picture at the smallest size the pages allow (the summary scrolls there).
    form.resize(form.minimumSizeHint());
    QApplication::processEvents();
    SaveShot(form, "dlc-soft-errors-small.png");
    form.resize(900, 700);
    QCOMPARE(BoxText(form, "BurstTotalTextBox"), QString("12"));
    QCOMPARE(BoxText(form, "BurstStationsTextBox"), QString("3"));
    QCOMPARE(BoxText(form, "InternalTotalTextBox"), QString("2"));
    QCOMPARE(BoxText(form, "CongestionStationsTextBox"), QString("1"));
    auto* burstList = form.findChild<QComboBox*>("BurstList");
    QCOMPARE(burstList->count(), 3);
    QCOMPARE(burstList->currentIndex(), 0);
    QVERIFY(burstList->itemText(0).startsWith("*00006F000006/400000000099/2"));
    QCOMPARE(form.findChild<QComboBox*>("TokenList")->count(), 1);
    QCOMPARE(form.findChild<QPlainTextEdit*>("Memo1")->toPlainText(),
             QString("1 station (marked by an *) has had multiple upstream neighbors."));
    SaveShot(form, "dlc-soft-errors.png");
    copyButton->click();
    QCOMPARE(QApplication::clipboard()->text().toStdString(), SoftErrorSummaryText(page->SoftErrorContent()));
    QVERIFY(QApplication::clipboard()->text().startsWith("\tTotal\tStations\tReporting Station/NAUN/Count\r\n"));

    // "Show Station by OUI" rewrites every address with a known vendor.
    form.findChild<QCheckBox*>("ShowDLCbyOUI")->click();
    QVERIFY(burstList->itemText(1).startsWith("3Com334407/"));
    QVERIFY(burstList->itemText(2).startsWith("IBM112205/"));
    QVERIFY(box->CurrentMap().Labels[0].Text == "IBM112201");
    SaveShot(form, "dlc-soft-errors-oui.png");
    form.findChild<QCheckBox*>("ShowDLCbyOUI")->click();
    QVERIFY(watcher.Messages.empty());
}

void DLCErrorPageTest::OfficeCaptureFillsTheEthernetPanel()
{
    const QString capture = CapturePath("office-a.enc");
    if (!QFile::exists(capture)) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    form.resize(900, 700);
    OpenOnDLCPage(*program, capture);
    QVERIFY(watcher.Messages.empty());

    auto* page = form.findChild<TDLCErrorPage*>();
    QVERIFY(page->EthernetPanel()->isVisible());
    QVERIFY(!page->TokenRingPanel()->isVisible());
    QVERIFY(form.findChild<QPushButton*>("DLCCopyButton")->isVisible());
    const AnalysisState& state = program->State();
    // Frames sent from the hosts' own interfaces are not padded: runts, but no fragments.
    QVERIFY(state.FrameStats[kStatRunts] > 0);
    QCOMPARE(BoxText(form, "RuntTextBox").toStdString(), FormatCount(state.FrameStats[kStatRunts]));
    QCOMPARE(BoxText(form, "FCSTextBox"), QString("0"));
    QCOMPARE(BoxText(form, "FragmentTextBox"), QString("0"));
    QCOMPARE(BoxText(form, "EthernetTrans1"), QString("0"));
    QCOMPARE(form.findChild<QPlainTextEdit*>("EthernetNotesMemo")->toPlainText(),
             QString("No collision fragments to analyze in trace file."));
    QCOMPARE(form.findChild<TTextBox*>("FCSTextBox")->toolTip(),
             QString("Frames that have an incorrect Frame Checksum (FCS)"));
    SaveShot(form, "dlc-ethernet.png");

    form.Action("Copy1")->trigger();
    const QString text = QApplication::clipboard()->text();
    QCOMPARE(text.toStdString(), EthernetSummaryText(page->EthernetContent()));
    QVERIFY(text.startsWith("Frame Error Summary\r\nBad FCS \t0\r\nRunt/Short \t"));
}

void DLCErrorPageTest::CollisionFragmentsRankStationsWithGaugesAndNotes()
{
    Scratch scratch;
    ModalWatcher watcher;
    const QString trace = scratch.Path("collisions.enc");
    testing::WriteCollisionFragmentTrace(trace.toStdString());
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    form.resize(900, 700);
    OpenOnDLCPage(*program, trace);
    QVERIFY(watcher.Messages.empty());

    QCOMPARE(BoxText(form, "FragmentTextBox"), QString("6"));
    QCOMPARE(form.findChild<QLabel*>("EthernetSource1")->text(), QString("00001B00000B"));
    QCOMPARE(BoxText(form, "EthernetTrans1"), QString("12"));
    QCOMPARE(BoxText(form, "EthernetRetrans1"), QString("6"));
    QCOMPARE(form.findChild<TGauge*>("EthernetGauge1")->Progress(), 50);
    QCOMPARE(form.findChild<QLabel*>("EthernetSource2")->text(), QString("00001B00000A"));
    QCOMPARE(form.findChild<TGauge*>("EthernetGauge2")->Progress(), 10);
    QCOMPARE(form.findChild<QLabel*>("EthernetSource3")->text(), QString());
    QCOMPARE(BoxText(form, "EthernetTrans3"), QString("0"));
    auto* notes = form.findChild<QPlainTextEdit*>("EthernetNotesMemo");
    QCOMPARE(notes->toPlainText(),
             QString("DLC source 00001B00000A is suspect for high collision rates when transmitting."));

    // "Show Station by OUI" recomputes the panel with the vendor forms.
    form.findChild<QCheckBox*>("ShowDLCbyOUI")->click();
    QCOMPARE(form.findChild<QLabel*>("EthernetSource1")->text(), QString("Novell00000B"));
    QCOMPARE(notes->toPlainText(),
             QString("DLC source Novell00000A is suspect for high collision rates when transmitting."));
    SaveShot(form, "dlc-ethernet-collisions.png");
    form.findChild<QPushButton*>("DLCCopyButton")->click();
    QVERIFY(QApplication::clipboard()->text().contains("\r\nNovell00000B\t12\t6\t50%\r\n"));
}

int RunTests(int argc, char** argv)
{
    DLCErrorPageTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "dlc_error_test.moc"
