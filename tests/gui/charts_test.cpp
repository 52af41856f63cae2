// The Packet Size Chart, Protocol Chart and Protocol Table pages as the user
// meets them: filled from a real capture, driven by the chart options and the
// "Packet Class" group, copied as pictures and text, sorted.

#include <QAction>
#include <QBarSet>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLegend>
#include <QLegendMarker>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>

#include "GuiTestSupport.h"
#include "SnifferWriter.h"
#include "model/NumberFormat.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ChartContent.h"
#include "ui/main/ChartsWidget.h"
#include "ui/main/MainForm.h"
#include "ui/main/ProtocolTableContent.h"
#include "ui/main/ProtocolTableWidget.h"
#include "ui/misc/ChartPropertiesForm.h"

namespace quenlix::guitest {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

TBusinessChart* Chart(TMainForm& form, const char* name)
{
    return form.findChild<TBusinessChart*>(name);
}

// What the pie shows, slice by slice: label, value and colour.
std::vector<ChartPoint> PiePoints(TBusinessChart& chart)
{
    std::vector<ChartPoint> points;
    for (QPieSlice* slice : chart.PieSeries()->slices())
        points.push_back({slice->label().toStdString(), static_cast<int64_t>(slice->value()),
                          static_cast<uint32_t>(BgrFromColor(slice->brush().color()))});
    return points;
}

// What the bars show: each bar set's legend text, total and colour.
std::vector<ChartPoint> BarPoints(TBusinessChart& chart)
{
    std::vector<ChartPoint> points;
    for (QBarSet* set : chart.BarSeries()->barSets())
        points.push_back({set->label().toStdString(), static_cast<int64_t>(set->sum()),
                          static_cast<uint32_t>(BgrFromColor(set->color()))});
    return points;
}

// The points of content as the chart should label them with the given options.
std::vector<ChartPoint> Expected(const std::vector<ChartPoint>& content, bool pie, const ChartAppearance& look)
{
    const int64_t total = ChartTotal(content);
    std::vector<ChartPoint> points;
    for (const ChartPoint& point : content) {
        const std::string label = pie ? MarkText(look.PieMarks, point, total) : LegendText(look.Legend, point, total);
        points.push_back({label, point.Value, point.Colour});
    }
    return points;
}

QRadioButton* RadioItem(QWidget* window, const char* group, int index)
{
    return window->findChild<QGroupBox*>(group)->findChildren<QRadioButton*>().at(index);
}

bool AnyLegendMarkerShown(TBusinessChart& chart, QAbstractSeries* series)
{
    for (QLegendMarker* marker : chart.chart()->legend()->markers(series))
        if (marker->isVisible()) return true;
    return false;
}

// Distinct colours in a picture: a drawn chart has many, a blank one a single one.
int ColourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    return colours.size();
}

void ClickCell(TSuperStringGrid* grid, int viewRow, int col, bool twice = false)
{
    const QRect cell = grid->visualRect(grid->model()->index(viewRow, col));
    // A double click is a click followed by the second press.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    if (twice) QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

std::vector<std::string> GridColumn(TSuperStringGrid* grid, int col)
{
    std::vector<std::string> cells;
    const GridContent& content = grid->Content();
    for (int row = content.FixedRows(); row < content.RowCount(); ++row) cells.emplace_back(content.Cell(col, row));
    return cells;
}

// The figures the cells of a column hold, as the sorts compare them.
std::vector<double> GridFigures(TSuperStringGrid* grid, int col)
{
    std::vector<double> figures;
    const GridContent& content = grid->Content();
    for (int row = content.FixedRows(); row < content.RowCount(); ++row) figures.push_back(content.Value(col, row).Figure());
    return figures;
}

}  // namespace

class ChartsTest : public QObject {
    Q_OBJECT

private slots:
    void OfficeCaptureFillsTheChartsAndTheTable();
    void ChartPropertiesChangeTheSeries();
    void PopupDialogRebuildsUnlessCancelled();
    void ChartsAreCopiedAsPicturesOfTheirSize();
    void ProtocolTableSortsAndCopies();
    void TraceWithoutFramesShowsEmptyCharts();

private:
    std::unique_ptr<QuenlixProgram> OpenOffice(const Scratch& scratch);
};

std::unique_ptr<QuenlixProgram> ChartsTest::OpenOffice(const Scratch& scratch)
{
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    OpenTrace(*program, CapturePath("office-a.enc"));
    return program;
}

void ChartsTest::OfficeCaptureFillsTheChartsAndTheTable()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = OpenOffice(scratch);
    TMainForm& form = program->MainForm();
    const AnalysisState& state = program->State();
    QVERIFY(watcher.Messages.empty());
    const ChartAppearance look = ChartAppearanceOf(program->ChartPropertiesForm().Values());

    TBusinessChart* sizeChart = Chart(form, "PacketSizeChart");
    QVERIFY(sizeChart != nullptr);
    QVERIFY(!sizeChart->isHidden());
    QCOMPARE(sizeChart->TitleText(), QString("Packet Size Distribution"));
    const ChartContent sizes = BuildPacketSizeChart(state);
    // The capture's frames reach 1518 bytes and 290 frames have 1518, none more.
    QCOMPARE(sizes.Bars.size(), size_t{6});
    QVERIFY(sizes.Bars[4].Value >= 290);
    QCOMPARE(sizes.Bars[5].Value, int64_t{0});
    QVERIFY(PiePoints(*sizeChart) == Expected(sizes.PieSlices, true, look));
    QVERIFY(BarPoints(*sizeChart) == Expected(sizes.Bars, false, look));
    QCOMPARE(sizeChart->PieSeries()->objectName(), QString("PieSeries1"));
    QCOMPARE(sizeChart->BarSeries()->objectName(), QString("BarSeries1"));

    TBusinessChart* protocolChart = Chart(form, "ProtocolDistChart");
    QVERIFY(protocolChart != nullptr);
    QCOMPARE(protocolChart->TitleText(), QString("Protocol Distribution - All Packets"));
    const ChartContent all = BuildProtocolChart(state, PacketClass::All);
    QVERIFY(all.PieSlices.size() >= 2);  // at least ARP and IP
    QVERIFY(PiePoints(*protocolChart) == Expected(all.PieSlices, true, look));
    QCOMPARE(protocolChart->PieSeries()->objectName(), QString("Series1"));
    QCOMPARE(protocolChart->BarSeries()->objectName(), QString("Series2"));

    // The "Packet Class" group retitles and refills the chart.
    QRadioButton* broadcast = RadioItem(&form, "ProtocolChartRadioGroup", 1);
    QCOMPARE(broadcast->text(), QString("Broadcast"));
    broadcast->click();
    QCOMPARE(protocolChart->TitleText(), QString("Protocol Distribution - Broadcast Packets"));
    QVERIFY(PiePoints(*protocolChart) == Expected(BuildProtocolChart(state, PacketClass::Broadcast).PieSlices, true, look));

    // The table shows the content's rows below its headings.
    auto* table = form.findChild<TProtocolTablePage*>();
    const ProtocolTableContent rows = BuildProtocolTable(state);
    const GridContent& grid = table->ProtoGrid()->Content();
    QCOMPARE(grid.RowCount(), rows.GridRowCount());
    QCOMPARE(grid.Cell(6, 0), std::string("Encapsulation(s)"));
    for (size_t i = 0; i < rows.Rows.size(); ++i)
        for (int col = 0; col < kProtocolTableColumns; ++col)
            QCOMPARE(grid.Cell(col, static_cast<int>(i) + 1), rows.Rows[i].Cells[static_cast<size_t>(col)]);
}

void ChartsTest::ChartPropertiesChangeTheSeries()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = OpenOffice(scratch);
    TMainForm& form = program->MainForm();
    TChartPropertiesForm& dialog = program->ChartPropertiesForm();
    TBusinessChart* chart = Chart(form, "ProtocolDistChart");
    TBusinessChart* sizeChart = Chart(form, "PacketSizeChart");
    const ChartContent all = BuildProtocolChart(program->State(), PacketClass::All);
    dialog.show();
    auto apply = [&] { dialog.ApplyButton()->click(); };
    auto box = [&](const char* name) { return dialog.findChild<QCheckBox*>(name); };
    auto item = [&](const char* group, int index) { return RadioItem(&dialog, group, index); };

    // The defaults: pie, percentages, three-dimensional, marks on.
    QVERIFY(chart->PieSeries()->isVisible() && !chart->BarSeries()->isVisible());
    QCOMPARE(chart->PieUnderlays().size(), size_t{11});  // the shadow and ten side layers
    // Marks on every slice of at least 2 % of the pie, none on the smaller ones
    // (the legend names those).
    const int64_t pieTotal = ChartTotal(all.PieSlices);
    for (int i = 0; i < chart->PieSeries()->count(); ++i) {
        QPieSlice* slice = chart->PieSeries()->slices().at(i);
        QCOMPARE(slice->isLabelVisible(), PieMarkShown(all.PieSlices[static_cast<size_t>(i)].Value, pieTotal));
        QVERIFY(slice->label().endsWith(" %"));
    }

    item("ChartTypeRadioGroup", 1)->click();  // Bar
    apply();
    // Legend entries are laid out on a shown chart.
    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ProtocolChart));
    QVERIFY(WaitFor([&] { return chart->isVisible() && chart->chart()->plotArea().width() > 0; }));
    QVERIFY(AnyLegendMarkerShown(*chart, chart->BarSeries()));
    QVERIFY(!AnyLegendMarkerShown(*chart, chart->PieSeries()));
    for (TBusinessChart* each : {chart, sizeChart}) {
        QVERIFY(!each->PieSeries()->isVisible() && each->BarSeries()->isVisible());
        QVERIFY(each->PieUnderlays().empty());
    }
    QCOMPARE(chart->BarSeries()->count(), static_cast<int>(all.Bars.size()));
    QVERIFY(BarPoints(*chart) == Expected(all.Bars, false, chart->Appearance()));

    item("ChartUnitsRadioGroup", 1)->click();  // Packets: values instead of percentages
    apply();
    QCOMPARE(chart->Appearance().BarMarks, MarkStyle::Value);
    QCOMPARE(chart->BarSeries()->barSets().at(0)->label(), Q(LegendText(LegendValue::Value, all.Bars[0], 0)));
    item("ChartTypeRadioGroup", 0)->click();  // back to Pie
    apply();
    const int64_t total = ChartTotal(all.PieSlices);
    QCOMPARE(chart->PieSeries()->slices().at(0)->label(), Q(all.PieSlices[0].Label + " " + FormatCount(all.PieSlices[0].Value)));
    QCOMPARE(chart->chart()->legend()->markers(chart->PieSeries()).at(0)->label(),
             Q(LegendText(LegendValue::Value, all.PieSlices[0], total)));

    box("ShowValuesCheckBox")->setChecked(false);
    box("Show3DCheckBox")->setChecked(false);
    box("ShowTitleCheckBox")->setChecked(false);
    box("ShowLegendCheckBox")->setChecked(false);
    apply();
    QVERIFY(!chart->PieSeries()->slices().at(0)->isLabelVisible());
    QCOMPARE(chart->PieUnderlays().size(), size_t{1});  // the shadow only
    QCOMPARE(chart->TitleText(), QString());
    QVERIFY(!chart->chart()->legend()->isVisible());

    // The gradient runs from the bottom colour up to the top colour; off, the background is plain.
    QCOMPARE(chart->chart()->backgroundBrush().style(), Qt::LinearGradientPattern);
    const QGradientStops stops = chart->chart()->backgroundBrush().gradient()->stops();
    QCOMPARE(stops.front().second, QColor(255, 255, 0));  // yellow at the bottom
    QCOMPARE(stops.back().second, QColor(255, 255, 255));
    box("ShowGradientCheckBox")->setChecked(false);
    apply();
    QCOMPARE(chart->chart()->backgroundBrush().style(), Qt::SolidPattern);
    QCOMPARE(sizeChart->chart()->backgroundBrush().style(), Qt::SolidPattern);
    dialog.hide();

    // Both charts keep their points through every change.
    QVERIFY(PiePoints(*sizeChart).size() == BuildPacketSizeChart(program->State()).PieSlices.size());
    QVERIFY(watcher.Messages.empty());
}

void ChartsTest::PopupDialogRebuildsUnlessCancelled()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = OpenOffice(scratch);
    TMainForm& form = program->MainForm();
    TBusinessChart* chart = Chart(form, "PacketSizeChart");
    QAction* properties = chart->ChartPopup()->findChild<QAction*>("ChartPropertiesMenuItem");
    QVERIFY(properties != nullptr);
    QCOMPARE(properties->text(), QString("Chart &Properties..."));

    bool answered = false;
    watcher.OnOtherModal = [&](QWidget* modal) {
        auto* dialog = qobject_cast<TChartPropertiesForm*>(modal);
        if (dialog == nullptr) return;
        RadioItem(dialog, "ChartTypeRadioGroup", 1)->click();  // Bar
        dialog->accept();
        answered = true;
    };
    properties->trigger();
    QVERIFY(answered);
    QVERIFY(chart->BarSeries()->isVisible());
    QCOMPARE(chart->BarSeries()->count(), 6);

    answered = false;
    watcher.OnOtherModal = [&](QWidget* modal) {
        auto* dialog = qobject_cast<TChartPropertiesForm*>(modal);
        if (dialog == nullptr) return;
        RadioItem(dialog, "ChartTypeRadioGroup", 0)->click();  // Pie, then Cancel
        dialog->reject();
        answered = true;
    };
    properties->trigger();
    QVERIFY(answered);
    QVERIFY(chart->BarSeries()->isVisible());  // the saved choice came back
    QCOMPARE(program->ChartPropertiesForm().Values().ChartType, 1);
}

void ChartsTest::ChartsAreCopiedAsPicturesOfTheirSize()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = OpenOffice(scratch);
    TMainForm& form = program->MainForm();
    form.resize(800, 600);
    QTabWidget* pages = form.MainPageControl();
    pages->setCurrentIndex(static_cast<int>(MainPage::PacketSizeChart));
    TBusinessChart* chart = Chart(form, "PacketSizeChart");
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(WaitFor([&] { return chart->width() > 300; }));

    QToolButton* button = chart->SpeedButton();
    QCOMPARE(button->objectName(), QString("PacketSizeChartSpeedButton"));
    QCOMPARE(button->toolTip(), QString("Copy graphic to clipboard"));
    QCOMPARE(button->geometry().right() + 1 + 8, chart->viewport()->width());
    QApplication::clipboard()->clear();
    button->click();
    QImage picture = QApplication::clipboard()->image();
    QCOMPARE(picture.size(), chart->size());
    QVERIFY(ColourCount(picture) > 20);
    QVERIFY(button->isVisible());

    // Edit > Copy Chart on the protocol chart's page, after a resize that moves the button.
    form.resize(900, 650);
    pages->setCurrentIndex(static_cast<int>(MainPage::ProtocolChart));
    TBusinessChart* protocolChart = Chart(form, "ProtocolDistChart");
    QVERIFY(WaitFor([&] { return protocolChart->isVisible() && protocolChart->width() > 300; }));
    QCOMPARE(protocolChart->SpeedButton()->geometry().right() + 1 + 8, protocolChart->viewport()->width());
    QCOMPARE(form.Action("Copy1")->text(), QString("&Copy Chart"));
    QVERIFY(form.Action("Copy1")->isEnabled());
    QApplication::clipboard()->clear();
    form.Action("Copy1")->trigger();
    picture = QApplication::clipboard()->image();
    QCOMPARE(picture.size(), protocolChart->size());
    QVERIFY(ColourCount(picture) > 20);

    // Depth is drawn: the three-dimensional picture differs from the flat one.
    TChartPropertiesForm& dialog = program->ChartPropertiesForm();
    dialog.findChild<QCheckBox*>("Show3DCheckBox")->setChecked(false);
    dialog.ApplyButton()->click();
    const QImage flat = protocolChart->Picture();
    dialog.findChild<QCheckBox*>("Show3DCheckBox")->setChecked(true);
    dialog.ApplyButton()->click();
    QVERIFY(protocolChart->Picture() != flat);
    // And so for bars.
    RadioItem(&dialog, "ChartTypeRadioGroup", 1)->click();
    dialog.findChild<QCheckBox*>("Show3DCheckBox")->setChecked(false);
    dialog.ApplyButton()->click();
    const QImage flatBars = protocolChart->Picture();
    dialog.findChild<QCheckBox*>("Show3DCheckBox")->setChecked(true);
    dialog.ApplyButton()->click();
    QVERIFY(protocolChart->Picture() != flatBars);

    // The picture follows the options alone, not the way they were reached: from
    // three-dimensional bars to flat ones no pie is left behind.
    dialog.findChild<QCheckBox*>("Show3DCheckBox")->setChecked(false);
    dialog.ApplyButton()->click();
    const QImage fromBars = protocolChart->Picture();
    RadioItem(&dialog, "ChartTypeRadioGroup", 0)->click();
    dialog.ApplyButton()->click();
    RadioItem(&dialog, "ChartTypeRadioGroup", 1)->click();
    dialog.ApplyButton()->click();
    QVERIFY(protocolChart->Picture() == fromBars);
}

void ChartsTest::ProtocolTableSortsAndCopies()
{
    if (!QFile::exists(CapturePath("office-a.enc"))) QSKIP("../shared/captures/office-a.enc is not present");
    Scratch scratch;
    ModalWatcher watcher;
    auto program = OpenOffice(scratch);
    TMainForm& form = program->MainForm();
    form.MainPageControl()->setCurrentIndex(static_cast<int>(MainPage::ProtocolTable));
    auto* page = form.findChild<TProtocolTablePage*>();
    TSuperStringGrid* grid = page->ProtoGrid();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(grid->model()->rowCount() >= 2);

    auto* descending = page->findChild<QToolButton*>("ProtocolTableSortDescendingBtn");
    auto* ascending = page->findChild<QToolButton*>("ProtocolTableSortAscendingBtn");
    auto* copy = page->findChild<QToolButton*>("ProtocolTableCopytoClipboardBtn");
    QCOMPARE(ascending->toolTip(), QString("Sort Ascending"));
    QCOMPARE(descending->toolTip(), QString("Sort Descending"));
    QCOMPARE(copy->toolTip(), QString("Copy selected portion of table to clipboard"));

    // Sort Descending on "Packet Count" sorts numbers as numbers.
    ClickCell(grid, 0, 1);
    descending->click();
    QVERIFY(!page->LastSortAscending());
    std::vector<double> counts = GridFigures(grid, 1);
    QVERIFY(std::is_sorted(counts.rbegin(), counts.rend()));
    QCOMPARE(GridColumn(grid, 0).front(), std::string("IP"));

    // A double click repeats the last direction on its column, here the names.
    ClickCell(grid, 0, 0, true);
    std::vector<std::string> names = GridColumn(grid, 0);
    QVERIFY(std::is_sorted(names.rbegin(), names.rend()));
    ascending->click();  // the current column stays "Packet Count"
    counts = GridFigures(grid, 1);
    QVERIFY(std::is_sorted(counts.begin(), counts.end()));

    // The fixed "Protocol" column is never selected, but starts every copied line.
    ClickCell(grid, 0, 0);
    QVERIFY(grid->currentIndex().column() >= 1);
    form.Action("SelectAll1")->trigger();
    for (const QModelIndex& index : grid->selectionModel()->selectedIndexes()) QVERIFY(index.column() >= 1);
    copy->click();
    const QStringList lines = QApplication::clipboard()->text().split("\r\n");
    QCOMPARE(lines.size(), grid->Content().RowCount());
    QVERIFY(lines[0].startsWith("Protocol\tPacket Count\tPacket Percent\t"));
    QCOMPARE(lines[0].count('\t'), 6);
    QVERIFY(lines[1].startsWith(Q(std::string(grid->Content().Cell(0, 1))) + "\t"));
    QVERIFY(watcher.Messages.empty());
}

void ChartsTest::TraceWithoutFramesShowsEmptyCharts()
{
    Scratch scratch;
    const QString trace = scratch.Path("empty.enc");
    // A Sniffer trace without frames is too short to read: it is refused (the
    // message says why), and no chart may show figures of it or of the trace before.
    testing::WriteSnifferFile(trace.toStdString(), {}, {});
    ModalWatcher watcher;
    auto program = StartProgram(scratch);
    program->ShowMainWindow();
    TMainForm& form = program->MainForm();
    OpenTrace(*program, trace);
    QVERIFY(WaitFor([&] { return !watcher.Messages.empty(); }));
    QVERIFY(!form.MainPageControl()->isVisible());

    TBusinessChart* sizeChart = Chart(form, "PacketSizeChart");
    TBusinessChart* protocolChart = Chart(form, "ProtocolDistChart");
    QCOMPARE(sizeChart->PieSeries()->count(), 0);
    QCOMPARE(protocolChart->PieSeries()->count(), 0);
    for (QRadioButton* item : form.findChild<QGroupBox*>("ProtocolChartRadioGroup")->findChildren<QRadioButton*>()) {
        item->click();
        QCOMPARE(protocolChart->PieSeries()->count(), 0);
    }
    TChartPropertiesForm& dialog = program->ChartPropertiesForm();
    RadioItem(&dialog, "ChartTypeRadioGroup", 1)->click();
    dialog.ApplyButton()->click();
    QCOMPARE(sizeChart->BarSeries()->count(), 0);
    QVERIFY(!sizeChart->Picture().isNull());
    QVERIFY(!protocolChart->Picture().isNull());
}

int RunTests(int argc, char** argv)
{
    ChartsTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace quenlix::guitest

#include "charts_test.moc"
