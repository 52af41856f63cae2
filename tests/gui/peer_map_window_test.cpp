// The Network and Station windows on the real captures and a Token Ring trace:
// opened from the toolbar, rebuilt once per read, their grids showing the
// content's rows, the map painted with every key and radio choice, Select
// Stations through the dialog, and the pop-up of a label. With QUENLIX_GUI_SHOTS
// set to a folder, the tests also save pictures of the windows there.

#include <algorithm>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabWidget>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "GuiTestSupport.h"
#include "TokenRingFrames.h"
#include "model/ViewStale.h"
#include "ui/analysis/FathomToolboxForm.h"
#include "ui/controls/DualListDialogForm.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/MainForm.h"
#include "ui/peermaps/PeerMapForm.h"
#include "ui/print/PrintSelectionForm.h"

namespace quenlix::guitest {

namespace {

void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window.grab().save(QDir(folder).filePath(name));
}

// The grid widget shows exactly the content's header and rows.
bool GridShowsContent(TPeerMapForm& form)
{
    const GridContent& shown = form.StnGrid()->Content();
    const GridContent& content = form.Content().Grid();
    if (shown.RowCount() != content.RowCount() || form.StnGrid()->model()->rowCount() != content.RowCount() - 1)
        return false;
    for (int row = 0; row < content.RowCount(); ++row)
        if (GridRowTexts(shown, row) != GridRowTexts(content, row)) return false;
    return true;
}

// The address column of the statistics grid, as shown.
QStringList AddressColumn(TPeerMapForm& form)
{
    QStringList texts;
    const GridContent& shown = form.StnGrid()->Content();
    for (int row = 1; row < shown.RowCount(); ++row) texts << QString::fromStdString(GridRowTexts(shown, row).front());
    return texts;
}

}  // namespace

class PeerMapWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        scratch_ = std::make_unique<Scratch>();
        program_ = StartProgram(*scratch_);
        program_->ShowMainWindow();
    }
    void cleanup()
    {
        program_.reset();
        scratch_.reset();
    }
    void NetworkWindowOnTheOfficeCapture();
    void NetworkWindowShowsIpv6Senders();
    void StationAndNetworkWindowsOnTheZooCapture();
    void StationWindowOnATokenRing();
    void BothWindowsPrintToAPdf();
    void KeyPanelsFitTheDefaultSize();
    void TickedOUIBoxIsAppliedOnTheFirstShow();

private:
    // The window as the toolbar opens it, once it has been activated.
    TPeerMapForm& Open(const char* button, TPeerMapForm& form)
    {
        program_->MainForm().Action(button)->trigger();
        WaitFor([&] { return form.isVisible(); });
        form.FormActivate();
        form.resize(760, 600);
        QApplication::processEvents();
        return form;
    }

    std::unique_ptr<Scratch> scratch_;
    std::unique_ptr<QuenlixProgram> program_;
};

void PeerMapWindowTest::NetworkWindowOnTheOfficeCapture()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("the real captures (../shared/captures) are absent");
    OpenTrace(*program_, CapturePath("office-a.enc"));
    QVERIFY(program_->MainForm().Action("NetworkBtn")->isEnabled());
    TPeerMapForm& form = Open("NetworkBtn", program_->NetworkStatisticsForm());
    QVERIFY(form.isVisible());
    QCOMPARE(form.windowTitle(), QString("Network - office-a.enc"));
    QVERIFY(!IsViewStale(program_->State(), kViewNetwork));
    // srv, files and the three clients sent IP frames, six link-local IPv6
    // addresses neighbour discovery.
    QCOMPARE(form.Content().ViewableRowCount(), 11);
    QVERIFY(GridShowsContent(form));

    form.PaintBox()->repaint();
    const QImage before = form.PaintBox()->grab().toImage();
    const PeerMapDrawing& map = form.Content().LastMap();
    QVERIFY(map.Labels.size() >= 5);
    QVERIFY(!map.Segments.empty());
    // The paint keeps every station's point, with the node's address, in the map's layout.
    const PeerMapLayout layout = form.Content().MapLayout();
    QCOMPARE(layout.Placements.size(), map.Labels.size());
    for (size_t i = 0; i < layout.Placements.size(); ++i) {
        const PeerMapPlacement& placement = layout.Placements[i];
        const auto* bytes = reinterpret_cast<const uint8_t*>(placement.AddressBytes.data());
        QCOMPARE(program_->State().NetworkNodes.count(NetString(bytes, placement.AddressBytes.size())), size_t{1});
        QCOMPARE(placement.X, map.Labels[i].X);
        QCOMPARE(placement.Y, map.Labels[i].Y);
    }
    SaveShot(form, "network-office-ip.png");
    for (int mode = 0; mode < kNetMapModeCount; ++mode) {
        form.ModeRadioGroupClick(mode);
        for (int destination = 0; destination < 3; ++destination) {
            form.DestinationRadioGroupClick(destination);
            form.PaintBox()->repaint();
        }
        form.DestinationRadioGroupClick(0);
    }
    form.ModeRadioGroupClick(0);
    form.KeyCommandClick(PeerWindowContent::KeyCommand::Off);
    form.PaintBox()->repaint();
    QVERIFY(form.Content().LastMap().Segments.empty());
    QVERIFY(!form.KeyBox(2)->isChecked());
    form.KeyCommandClick(PeerWindowContent::KeyCommand::On);
    form.PaintBox()->repaint();
    QCOMPARE(form.PaintBox()->grab().toImage(), before);

    // A right click on a sender's label: its DLC address, and the toolbox entry
    // for a station with a statistics row.
    const auto& labels = form.Content().LastMap().Labels;
    const auto sender = std::find_if(labels.begin(), labels.end(), [](const PeerMapLabel& l) { return l.Sender; });
    QVERIFY(sender != labels.end());
    QVERIFY(form.PreparePopup(QPoint(sender->Left + 2, sender->Top + sender->Height / 2)));
    const auto actions = form.PopupMenu()->actions();
    QCOMPARE(actions[0]->text(), QString("&Statistics"));
    QVERIFY(actions[1]->isEnabled());
    QVERIFY(actions.back()->text().startsWith("DLC Address is "));
    form.Analyze1Click();
    QVERIFY(WaitFor([&] { return program_->FathomToolboxForm().isVisible(); }));
    program_->FathomToolboxForm().close();
    form.Statistics1Click();
    QCOMPARE(form.PageControl()->currentIndex(), 1);
    QVERIFY(form.Content().HighlightedRow() > 0);
    QCOMPARE(form.StnGrid()->verticalScrollBar()->value(), 0);  // a row in view: the first rows stay shown
    SaveShot(form, "network-office-statistics.png");

    // A header click sorts the column, a second click reverses it; the filter box
    // shows only the rows that contain its text.
    TSuperStringGrid& grid = *form.StnGrid();
    const int frames = 2;  // "Dests"
    grid.horizontalHeader()->sectionClicked(frames);
    for (int row = 2; row < grid.Content().RowCount(); ++row)
        QVERIFY(grid.Content().Value(frames, row - 1).Figure() <= grid.Content().Value(frames, row).Figure());
    grid.horizontalHeader()->sectionClicked(frames);
    QVERIFY(grid.Content().Value(frames, 1).Figure() >= grid.Content().Value(frames, 2).Figure());
    auto* filter = form.findChild<QLineEdit*>("StnGridFilter");
    QVERIFY(filter != nullptr);
    filter->setText("fe80");
    QCOMPARE(grid.ShownRowCount(), 6);
    form.SortClick(true);  // a refill keeps the filter
    QCOMPARE(grid.ShownRowCount(), 6);
    filter->clear();
    QCOMPARE(grid.ShownRowCount(), form.Content().ViewableRowCount());

    // Select Stations: hide the first station through the dialog.
    TDualListDialogForm& dialog = program_->DualListDialogForm();
    QTimer::singleShot(0, [&] {
        dialog.SrcList()->item(0)->setSelected(true);
        dialog.IncludeBtnClick();
        dialog.accept();
    });
    form.SelStnBtnClick();
    QCOMPARE(form.Content().ViewableRowCount(), 10);
    QVERIFY(GridShowsContent(form));

    // The same trace again: the read marks the window stale, the next activation rebuilds it.
    OpenTrace(*program_, CapturePath("office-a.enc"));
    QVERIFY(IsViewStale(program_->State(), kViewNetwork));
    Open("NetworkBtn", form);
    QCOMPARE(form.Content().ViewableRowCount(), 11);
}

// The dual-stack capture: the map opens on its IP senders, and the IPv6 choice
// maps the IPv6 senders with IP's keys and ICMPv6 in ICMP's place.
void PeerMapWindowTest::NetworkWindowShowsIpv6Senders()
{
    if (!QFile::exists(CapturePath("office-d.pcap"))) QSKIP("the real captures (../shared/captures) are absent");
    OpenTrace(*program_, CapturePath("office-d.pcap"));
    TPeerMapForm& form = Open("NetworkBtn", program_->NetworkStatisticsForm());
    QCOMPARE(form.Content().Mode(), static_cast<int>(NetMapMode::IP));
    form.ModeRadioGroupClick(static_cast<int>(NetMapMode::IPv6));
    QCOMPARE(form.KeyBox(3)->text(), QString("ICMPv6"));
    QVERIFY(!form.KeyBox(9)->isVisible());
    form.PaintBox()->repaint();
    std::vector<std::string> labels;
    for (const PeerMapLabel& label : form.Content().LastMap().Labels) labels.push_back(label.Text);
    QVERIFY(std::find(labels.begin(), labels.end(), "fd00:99:1::10") != labels.end());
    QVERIFY(std::find(labels.begin(), labels.end(), "10.99.2.10") == labels.end());
    SaveShot(form, "network-office-ipv6.png");
}

void PeerMapWindowTest::StationAndNetworkWindowsOnTheZooCapture()
{
    if (!QFile::exists(CapturePath("zoo-a.enc"))) QSKIP("the real captures (../shared/captures) are absent");
    OpenTrace(*program_, CapturePath("zoo-a.enc"));
    TPeerMapForm& form = Open("StationBtn", program_->StationStatsForm());
    QCOMPARE(form.windowTitle(), QString("Station - zoo-a.enc"));
    QCOMPARE(form.Content().ViewableRowCount(), program_->State().SourceStationCount);
    QVERIFY(GridShowsContent(form));
    for (int mode : {0, 1, 2}) {
        form.ModeRadioGroupClick(mode);
        form.PaintBox()->repaint();
        SaveShot(form, QString("station-zoo-%1.png").arg(mode));
    }
    QCOMPARE(form.KeyBox(5)->text(), QString("IPv6"));
    QCOMPARE(form.KeyBox(15)->text(), QString("Other"));
    QVERIFY(form.KeyBox(15)->isVisible());
    form.PageControl()->setCurrentIndex(1);
    form.StnGrid()->setCurrentIndex(form.StnGrid()->model()->index(0, 4));
    form.SortClick(false);
    const GridContent& grid = form.StnGrid()->Content();
    for (int row = 2; row < grid.RowCount(); ++row)
        QVERIFY(grid.Value(4, row - 1).Figure() >= grid.Value(4, row).Figure());
    SaveShot(form, "station-zoo-statistics.png");

    TPeerMapForm& network = Open("NetworkBtn", program_->NetworkStatisticsForm());
    QCOMPARE(network.ModeGroup()->checkedId(), program_->State().IPSenderCount == 0 ? 1 : 0);
    QCOMPARE(network.Content().ViewableRowCount(),
             program_->State().IPSenderCount + program_->State().IPXSenderCount);
    QVERIFY(GridShowsContent(network));
    for (int mode : {0, 1, 2}) {
        network.ModeRadioGroupClick(mode);
        network.PaintBox()->repaint();
        SaveShot(network, QString("network-zoo-%1.png").arg(mode));
    }

    // Hovering a label draws its station's lines on top and shows its row.
    network.ModeRadioGroupClick(0);
    network.PaintBox()->repaint();
    const PeerMapDrawing& map = network.Content().LastMap();
    const auto sender = std::find_if(map.Labels.begin(), map.Labels.end(), [](const PeerMapLabel& l) { return l.Sender; });
    QVERIFY(sender != map.Labels.end());
    const int index = static_cast<int>(sender - map.Labels.begin());
    const auto hover = [&network](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, network.PaintBox()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(network.PaintBox(), &move);
    };
    hover(QPoint(sender->Left + sender->Width / 2, sender->Top + sender->Height / 2));
    QCOMPARE(network.PaintBox()->HoveredLabel(), index);
    QVERIFY(QToolTip::text().contains("Network Address: "));
    SaveShot(network, "network-zoo-hover.png");
    hover(QPoint(map.CentreX, map.CentreY));
    QCOMPARE(network.PaintBox()->HoveredLabel(), -1);
}

void PeerMapWindowTest::StationWindowOnATokenRing()
{
    const QString trace = scratch_->Path("ring.enc");
    testing::WriteRingOfEightTrace(trace.toStdString());
    OpenTrace(*program_, trace);
    TPeerMapForm& form = Open("StationBtn", program_->StationStatsForm());
    QCOMPARE(form.ModeGroup()->button(0)->text(), QString("None"));
    form.ModeRadioGroupClick(0);
    QVERIFY(!form.findChild<QWidget*>("KeyGroup")->isVisible());
    form.PaintBox()->repaint();
    SaveShot(form, "station-ring-none.png");
    form.ModeRadioGroupClick(1);
    QCOMPARE(form.KeyBox(3)->text(), QString("MAC"));
    QVERIFY(!form.KeyBox(4)->isVisible());
    form.PaintBox()->repaint();
    QVERIFY(!form.Content().LastMap().Labels.empty());
    SaveShot(form, "station-ring-encapsulation.png");
}

void PeerMapWindowTest::KeyPanelsFitTheDefaultSize()
{
    const QString trace = scratch_->Path("ring.enc");
    testing::WriteRingOfEightTrace(trace.toStdString());
    for (const QString& path : {trace, QString(QUENLIX_SOURCE_DIR "/samples/office-sample.enc")}) {
        OpenTrace(*program_, path);
        for (const char* button : {"StationBtn", "NetworkBtn"}) {
            if (path == trace && std::string(button) == "NetworkBtn") continue;  // the ring carries no network frames
            TPeerMapForm& window = std::string(button) == "StationBtn"
                                       ? static_cast<TPeerMapForm&>(program_->StationStatsForm())
                                       : static_cast<TPeerMapForm&>(program_->NetworkStatisticsForm());
            TPeerMapForm& form = Open(button, window);
            form.resize(608, 560);
            auto* controls = form.findChild<QScrollArea*>("MapControls");
            QVERIFY(controls != nullptr);
            for (int mode = 0; mode < static_cast<int>(form.Content().ModeItems().size()); ++mode) {
                form.ModeRadioGroupClick(mode);
                QApplication::processEvents();
                QVERIFY2(!controls->verticalScrollBar()->isVisible(), qPrintable(QString("%1 mode %2").arg(button).arg(mode)));
                for (QCheckBox* key : form.findChildren<QCheckBox*>(QRegularExpression("^Key\\d+$")))
                    if (key->isVisible()) QVERIFY(key->width() >= key->sizeHint().width());
            }
            SaveShot(form, QString("%1-default-size-%2.png").arg(button).arg(QFileInfo(path).baseName()));
        }
    }
}

void PeerMapWindowTest::BothWindowsPrintToAPdf()
{
    OpenTrace(*program_, QString(QUENLIX_SOURCE_DIR "/samples/office-sample.enc"));
    TPeerMapForm& station = Open("StationBtn", program_->StationStatsForm());
    TPeerMapForm& network = Open("NetworkBtn", program_->NetworkStatisticsForm());
    network.ModeRadioGroupClick(2);  // the sample's IPX hops
    SaveShot(network, "network-sample-hops.png");
    station.ModeRadioGroupClick(2);

    // The print selection offers both windows while they are open.
    TPrintSelectionForm& print = program_->PrintSelectionForm();
    print.FormActivate();
    QVERIFY(print.Check(1)->isEnabled());
    QVERIFY(print.Check(2)->isEnabled());
    print.Check(0)->setChecked(false);
    print.Check(1)->setChecked(true);
    print.Check(2)->setChecked(true);
    const QString folder = qEnvironmentVariable("QUENLIX_GUI_SHOTS");
    const QString pdfPath = folder.isEmpty() ? scratch_->Path("peer-maps.pdf") : QDir(folder).filePath("peer-maps.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    print.PrintSelectedWindows(printer);
    QFile pdf(pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);
    station.close();
    network.close();
    print.FormActivate();
    QVERIFY(!print.Check(1)->isEnabled());
}

void PeerMapWindowTest::TickedOUIBoxIsAppliedOnTheFirstShow()
{
    OpenTrace(*program_, QString(QUENLIX_SOURCE_DIR "/samples/office-sample.enc"));
    const std::pair<const char*, const char*> windows[] = {{"StationBtn", "ShowOUI"}, {"NetworkBtn", "ShowIPXOUI"}};
    for (const auto& [button, boxName] : windows) {
        TPeerMapForm& window = std::string(button) == "StationBtn"
                                   ? static_cast<TPeerMapForm&>(program_->StationStatsForm())
                                   : static_cast<TPeerMapForm&>(program_->NetworkStatisticsForm());
        TPeerMapForm& form = Open(button, window);
        auto* box = form.findChild<QCheckBox*>(boxName);
        QVERIFY2(box != nullptr && box->isChecked(), boxName);
        const QStringList firstShown = AddressColumn(form);
        box->click();
        QVERIFY2(AddressColumn(form) != firstShown, "the sample has no address a vendor name shortens");
        box->click();
        QCOMPARE(AddressColumn(form), firstShown);
    }
}

int RunTests(int argc, char** argv)
{
    PeerMapWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "peer_map_window_test.moc"
