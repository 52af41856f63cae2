// The Network and Station windows on the real captures: opened from the toolbar,
// rebuilt once per read, their grids showing the content's rows, the map painted
// with every key and radio choice, Select Stations through the dialog, and the
// pop-up of a label.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "TokenRingFrames.h"
#include "model/ViewStale.h"
#include "ui/controls/DualListDialogForm.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/MainForm.h"
#include "ui/peermaps/PeerMapForm.h"

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
void ExpectGridShowsContent(TPeerMapForm& form)
{
    const GridContent& shown = form.StnGrid()->Content();
    const GridContent& content = form.Content().Grid();
    ASSERT_EQ(shown.RowCount(), content.RowCount());
    ASSERT_EQ(form.StnGrid()->model()->rowCount(), content.RowCount() - 1);
    for (int row = 0; row < content.RowCount(); ++row)
        EXPECT_EQ(GridRowTexts(shown, row), GridRowTexts(content, row)) << row;
}

class PeerMapWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (CapturePath("office-a.enc").isEmpty()) GTEST_SKIP() << "the real captures (../shared/captures) are absent";
        program = StartProgram(scratch);
        program->ShowMainWindow();
    }

    // The window as the toolbar opens it, once it has been activated.
    TPeerMapForm& Open(const char* button, TPeerMapForm& form)
    {
        program->MainForm().Action(button)->trigger();
        EXPECT_TRUE(WaitFor([&] { return form.isVisible(); }));
        form.FormActivate();
        form.resize(760, 600);
        QApplication::processEvents();
        return form;
    }

    Scratch scratch;
    std::unique_ptr<QuenlixProgram> program;
};

TEST_F(PeerMapWindows, NetworkWindowOnTheOfficeCapture)
{
    OpenTrace(*program, CapturePath("office-a.enc"));
    ASSERT_TRUE(program->MainForm().Action("NetworkBtn")->isEnabled());
    TPeerMapForm& form = Open("NetworkBtn", program->NetworkStatisticsForm());
    EXPECT_EQ(form.windowTitle(), "Network - office-a.enc");
    EXPECT_FALSE(IsViewStale(program->State(), kViewNetwork));
    // srv, files and the three clients sent IP frames.
    EXPECT_EQ(form.Content().ViewableRowCount(), 5);
    ExpectGridShowsContent(form);

    const QImage before = form.PaintBox()->grab().toImage();
    const PeerMapDrawing& map = form.Content().LastMap();
    EXPECT_GE(map.Labels.size(), 5u);
    EXPECT_FALSE(map.Segments.empty());
    SaveShot(form, "network-office-ip.png");
    for (int mode = 0; mode < 3; ++mode) {
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
    EXPECT_TRUE(form.Content().LastMap().Segments.empty());
    EXPECT_FALSE(form.KeyBox(2)->isChecked());
    form.KeyCommandClick(PeerWindowContent::KeyCommand::On);
    form.PaintBox()->repaint();
    EXPECT_EQ(form.PaintBox()->grab().toImage(), before);

    // A right click on srv's label: its DLC address, the toolbox entry disabled while no toolbox exists.
    const PeerMapLabel& srv = form.Content().LastMap().Labels[0];
    ASSERT_TRUE(form.PreparePopup(QPoint(srv.Left + 2, srv.Top + srv.Height / 2)));
    const auto actions = form.PopupMenu()->actions();
    EXPECT_EQ(actions[0]->text(), "&Statistics");
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions.back()->text().startsWith("DLC Address is "));
    form.Statistics1Click();
    EXPECT_EQ(form.PageControl()->currentIndex(), 1);
    EXPECT_GT(form.Content().HighlightedRow(), 0);

    // Select Stations: hide the first station through the dialog.
    TDualListDialogForm& dialog = program->DualListDialogForm();
    QTimer::singleShot(0, [&] {
        dialog.SrcList()->item(0)->setSelected(true);
        dialog.IncludeBtnClick();
        dialog.accept();
    });
    form.SelStnBtnClick();
    EXPECT_EQ(form.Content().ViewableRowCount(), 4);
    ExpectGridShowsContent(form);

    // The same trace again: the read marks the window stale, the next activation rebuilds it.
    OpenTrace(*program, CapturePath("office-a.enc"));
    EXPECT_TRUE(IsViewStale(program->State(), kViewNetwork));
    Open("NetworkBtn", form);
    EXPECT_EQ(form.Content().ViewableRowCount(), 5);
}

TEST_F(PeerMapWindows, StationWindowOnTheZooCapture)
{
    OpenTrace(*program, CapturePath("zoo-a.enc"));
    TPeerMapForm& form = Open("StationBtn", program->StationStatsForm());
    EXPECT_EQ(form.windowTitle(), "Station - zoo-a.enc");
    EXPECT_EQ(form.Content().ViewableRowCount(), program->State().SourceStationCount);
    ExpectGridShowsContent(form);
    for (int mode : {0, 1, 2}) {
        form.ModeRadioGroupClick(mode);
        form.PaintBox()->repaint();
        SaveShot(form, QString("station-zoo-%1.png").arg(mode));
    }
    EXPECT_EQ(form.KeyBox(14)->text(), "Other");
    EXPECT_TRUE(form.KeyBox(14)->isVisible());
    form.PageControl()->setCurrentIndex(1);
    form.StnGrid()->setCurrentIndex(form.StnGrid()->model()->index(0, 4));
    form.SortClick(false);
    const GridContent& grid = form.StnGrid()->Content();
    for (int row = 2; row < grid.RowCount(); ++row)
        EXPECT_GE(GridNumericKey(grid.Cell(4, row - 1)), GridNumericKey(grid.Cell(4, row)));

    // The network window on zoo-a: IPX senders only, so it opens in IPX mode.
    TPeerMapForm& network = Open("NetworkBtn", program->NetworkStatisticsForm());
    EXPECT_EQ(network.ModeGroup()->checkedId(), program->State().IPSenderCount == 0 ? 1 : 0);
    ExpectGridShowsContent(network);
    network.PaintBox()->repaint();
}

TEST_F(PeerMapWindows, StationWindowOnATokenRing)
{
    const QString trace = scratch.Path("ring.enc");
    testing::WriteRingOfEightTrace(trace.toStdString());
    OpenTrace(*program, trace);
    TPeerMapForm& form = Open("StationBtn", program->StationStatsForm());
    EXPECT_EQ(form.ModeGroup()->button(0)->text(), "None");
    form.ModeRadioGroupClick(0);
    EXPECT_FALSE(form.findChild<QWidget*>("KeyGroup")->isVisible());
    form.PaintBox()->repaint();
    SaveShot(form, "station-ring-none.png");
    form.ModeRadioGroupClick(1);
    EXPECT_EQ(form.KeyBox(3)->text(), "MAC");
    EXPECT_FALSE(form.KeyBox(4)->isVisible());
    form.PaintBox()->repaint();
    EXPECT_FALSE(form.Content().LastMap().Labels.empty());
    SaveShot(form, "station-ring-encapsulation.png");
}

}  // namespace
}  // namespace quenlix::guitest
