#include "ui/main/ChartsWidget.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QFontMetricsF>
#include <QButtonGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QMenu>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QRadioButton>
#include <QStackedBarSeries>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "ui/controls/QtText.h"
#include "ui/main/ProtocolTableWidget.h"
#include "ui/misc/ChartPropertiesForm.h"

namespace quenlix {

namespace {

constexpr qreal kPieSizeWithMarks = 0.62;
constexpr qreal kPieSizeWithoutMarks = 0.78;
constexpr qreal kBarWidth = 0.6;
constexpr int kShadowOffset = 5;
// The side of a three-dimensional pie is drawn as layers spread over its depth;
// the depth follows the chart's size, the number of layers does not.
constexpr int kPieSideLayers = 10;
constexpr double kSideShade = 0.6;
constexpr double kTopShade = 0.85;
const QColor kPieMarkColour(0, 0, 128);  // dark blue arrows
const QColor kBarMarkFill(255, 255, 225);

QColor Colour(uint32_t bgr)
{
    return ColorFromBgr(static_cast<int32_t>(bgr & 0xFFFFFFu));
}

QFont TitleFont()
{
    QFont font("Arial");
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

void HideLegendMarkers(QChart* chart, QAbstractSeries* series)
{
    for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

// The copy button's picture: two sheets, one over the other.
QIcon CopyIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(1, 1, 8, 10);
    p.drawRect(6, 4, 8, 10);
    p.drawLine(8, 8, 12, 8);
    p.drawLine(8, 11, 12, 11);
    return QIcon(pixmap);
}

}  // namespace

// ---- TBusinessChart -----------------------------------------------------------------

TBusinessChart::TBusinessChart(const ChartNames& names, QWidget* parent)
    : QChartView(parent), pie_(new QPieSeries), bars_(new QStackedBarSeries),
      categoryAxis_(new QBarCategoryAxis), valueAxis_(new QValueAxis), speedButton_(new QToolButton(viewport())),
      popup_(new QMenu(this))
{
    setObjectName(names.Chart);
    pie_->setObjectName(names.PieSeries);
    bars_->setObjectName(names.BarSeries);
    setFrameShape(QFrame::NoFrame);
    setRenderHint(QPainter::Antialiasing);
    setDragMode(QGraphicsView::NoDrag);
    setRubberBand(QChartView::NoRubberBand);

    QChart* area = chart();
    area->setBackgroundRoundness(0);
    area->setBackgroundPen(Qt::NoPen);
    area->setPlotAreaBackgroundVisible(false);
    area->setTitleFont(TitleFont());
    area->setTitleBrush(Qt::black);
    area->legend()->setAlignment(Qt::AlignRight);
    area->legend()->setLabelColor(Qt::black);
    area->layout()->setContentsMargins(0, 0, 0, 0);
    area->setAnimationOptions(QChart::NoAnimation);
    area->addAxis(categoryAxis_, Qt::AlignBottom);
    area->addAxis(valueAxis_, Qt::AlignLeft);
    // The chart draws neither axes nor grid: only the bars' heights matter.
    categoryAxis_->setVisible(false);
    valueAxis_->setVisible(false);
    bars_->setBarWidth(kBarWidth);
    connect(area, &QChart::plotAreaChanged, this, &TBusinessChart::PlacePies);

    speedButton_->setObjectName(names.CopyButton);
    speedButton_->setToolTip(kCopyChartHint);
    speedButton_->setStatusTip(kCopyChartHint);
    speedButton_->setIcon(CopyIcon());
    speedButton_->setFixedSize(22, 22);
    connect(speedButton_, &QToolButton::clicked, this, &TBusinessChart::CopyToClipboard);

    popup_->setObjectName("ChartPopup");
    QAction* properties = popup_->addAction(Q(kChartPropertiesCaption));
    properties->setObjectName("ChartPropertiesMenuItem");
    connect(properties, &QAction::triggered, this, &TBusinessChart::ChartPropertiesRequested);
    Rebuild();
}

void TBusinessChart::InitChart(bool clear, const ChartAppearance& appearance)
{
    if (clear) content_ = ChartContent{title_, {}, {}};
    appearance_ = appearance;
    Rebuild();
}

void TBusinessChart::ShowContent(const ChartContent& content)
{
    content_ = content;
    title_ = content.Title;
    Rebuild();
}

void TBusinessChart::SetTitle(const std::string& title)
{
    title_ = title;
    content_.Title = title;
    chart()->setTitle(appearance_.TitleVisible ? Q(title_) : QString());
}

QString TBusinessChart::TitleText() const
{
    return chart()->title();
}

// Series are taken off the chart and put back in drawing order: the pie's shadow
// and side layers first, so that the pie itself lies on top of them.
void TBusinessChart::Rebuild()
{
    QChart* area = chart();
    for (QAbstractSeries* series : area->series()) area->removeSeries(series);
    for (QPieSeries* underlay : underlays_) delete underlay;
    underlays_.clear();

    const int64_t pieTotal = ChartTotal(content_.PieSlices);
    const int64_t barTotal = ChartTotal(content_.Bars);
    FillPie(pieTotal);
    FillBars(barTotal);
    if (appearance_.PieActive) AddPieUnderlays();
    // A series is added shown and hidden afterwards: the chart draws a series that
    // comes back already hidden, as no change of its visibility is signalled.
    pie_->setVisible(true);
    bars_->setVisible(true);
    area->addSeries(pie_);
    area->addSeries(bars_);
    bars_->attachAxis(categoryAxis_);
    bars_->attachAxis(valueAxis_);
    // Adding a series gives it the theme's outlines; the charts outline in black.
    for (QPieSlice* slice : pie_->slices()) slice->setPen(QPen(Qt::black, 1));
    for (QBarSet* set : bars_->barSets()) set->setPen(QPen(Qt::black, 1));
    pie_->setVisible(appearance_.PieActive);
    bars_->setVisible(!appearance_.PieActive);
    for (QPieSeries* underlay : underlays_) HideLegendMarkers(area, underlay);
    // Only the active series has legend entries.
    for (QLegendMarker* marker : area->legend()->markers(pie_)) marker->setVisible(appearance_.PieActive);
    for (QLegendMarker* marker : area->legend()->markers(bars_)) marker->setVisible(!appearance_.PieActive);

    // Legend markers follow their slice or bar set; the texts are set again so
    // that the legend shows the value the options ask for.
    const QList<QLegendMarker*> pieMarkers = area->legend()->markers(pie_);
    for (int i = 0; i < pieMarkers.size() && i < static_cast<int>(content_.PieSlices.size()); ++i)
        pieMarkers[i]->setLabel(Q(LegendText(appearance_.Legend, content_.PieSlices[static_cast<size_t>(i)], pieTotal)));

    area->setTitle(appearance_.TitleVisible ? Q(title_) : QString());
    area->legend()->setVisible(appearance_.LegendVisible);
    ApplyBackground();
    PlacePies();
    viewport()->update();
}

void TBusinessChart::FillPie(int64_t total)
{
    pie_->clear();
    pie_->setPieSize(appearance_.MarksVisible ? kPieSizeWithMarks : kPieSizeWithoutMarks);
    for (const ChartPoint& point : content_.PieSlices) {
        auto* slice = new QPieSlice(Q(MarkText(appearance_.PieMarks, point, total)), static_cast<qreal>(point.Value));
        slice->setBrush(Colour(point.Colour));
        // Transparent marks outside the pie, joined to their slice by a dark-blue arrow.
        slice->setLabelPosition(QPieSlice::LabelOutside);
        slice->setLabelColor(kPieMarkColour);
        slice->setLabelVisible(appearance_.MarksVisible && PieMarkShown(point.Value, total));
        pie_->append(slice);
    }
}

void TBusinessChart::FillBars(int64_t total)
{
    bars_->clear();
    QStringList categories;
    int64_t highest = 0;
    // One bar set per point, each holding its value in its own category only, so
    // that every bar has its own colour and its own legend entry.
    const int count = static_cast<int>(content_.Bars.size());
    for (int i = 0; i < count; ++i) {
        const ChartPoint& point = content_.Bars[static_cast<size_t>(i)];
        auto* set = new QBarSet(Q(LegendText(appearance_.Legend, point, total)));
        set->setColor(Colour(point.Colour));
        for (int category = 0; category < count; ++category)
            set->append(category == i ? static_cast<qreal>(std::max<int64_t>(point.Value, 0)) : 0.0);
        bars_->append(set);
        categories << QString::number(i + 1);
        highest = std::max(highest, point.Value);
    }
    bars_->setLabelsVisible(false);  // the marks are drawn with their arrows over the chart
    categoryAxis_->setCategories(categories);
    valueAxis_->setRange(0, BarValueRangeTop(highest, appearance_.MarksVisible));
}

void TBusinessChart::AddPieUnderlays()
{
    QChart* area = chart();
    // The shadow: the whole pie in translucent grey, a little right of and below it.
    auto* shadow = new QPieSeries;
    shadow->setObjectName("PieShadow");
    if (!content_.PieSlices.empty()) shadow->append(QString(), 1);
    underlays_.push_back(shadow);
    area->addSeries(shadow);
    for (QPieSlice* slice : shadow->slices()) {  // after adding, which gives the theme's colours
        slice->setBrush(QColor(0, 0, 0, 70));
        slice->setPen(Qt::NoPen);
    }
    // The side: copies of the pie in darker colours, each a little lower.
    const int layers = appearance_.View3D ? kPieSideLayers : 0;
    for (int layer = layers; layer >= 1; --layer) {
        auto* side = new QPieSeries;
        side->setObjectName(QString("PieSide%1").arg(layer));
        for (const ChartPoint& point : content_.PieSlices) side->append(QString(), static_cast<qreal>(point.Value));
        underlays_.push_back(side);
        area->addSeries(side);
        for (int i = 0; i < side->count(); ++i) {
            const QColor shade = Colour(ShadedColour(content_.PieSlices[static_cast<size_t>(i)].Colour, kSideShade));
            side->slices().at(i)->setBrush(shade);
            side->slices().at(i)->setPen(QPen(shade.darker(130), 1));
        }
    }
}

// The pie is raised by half its depth and each side layer set below it, so that
// pie and side together stay centred in the plot area.
void TBusinessChart::PlacePies()
{
    const QRectF plot = chart()->plotArea();
    if (plot.height() <= 0 || plot.width() <= 0) return;
    const qreal depth = appearance_.View3D ? DepthPixels() : 0;
    const qreal centreY = 0.5 - depth / 2 / plot.height();
    pie_->setHorizontalPosition(0.5);
    pie_->setVerticalPosition(centreY);
    if (appearance_.MarksVisible) {
        // The pie shrinks until its marks fit inside the chart.
        qreal widest = 0;
        qreal height = 0;
        for (const QPieSlice* slice : pie_->slices()) {
            if (!slice->isLabelVisible()) continue;
            const QFontMetricsF metrics(slice->labelFont());
            widest = std::max(widest, metrics.horizontalAdvance(slice->label()));
            height = std::max(height, metrics.height());
        }
        pie_->setPieSize(FitPieSize(plot.width() - 2 * depth, plot.height() - 3 * depth, widest, height, kPieSizeWithMarks));
    }
    const qreal radius = pie_->pieSize() * std::min(plot.width(), plot.height()) / 2;
    // Marks below the pie reach past its three-dimensional side, which would
    // otherwise cover them.
    const qreal arm = kPieMarkArrowLength + depth;
    for (QPieSlice* slice : pie_->slices()) slice->setLabelArmLengthFactor(radius > 0 ? arm / radius : 0.15);

    int layers = 0;
    for (QPieSeries* underlay : underlays_) layers += underlay->objectName() != "PieShadow" ? 1 : 0;
    for (QPieSeries* underlay : underlays_) {
        underlay->setPieSize(pie_->pieSize());
        if (underlay->objectName() == "PieShadow") {
            underlay->setHorizontalPosition(0.5 + kShadowOffset / plot.width());
            underlay->setVerticalPosition(centreY + (depth + kShadowOffset) / plot.height());
            continue;
        }
        const int layer = underlay->objectName().mid(QString("PieSide").size()).toInt();
        underlay->setHorizontalPosition(0.5);
        underlay->setVerticalPosition(centreY + depth * layer / std::max(layers, 1) / plot.height());
    }
}

void TBusinessChart::ApplyBackground()
{
    QChart* area = chart();
    if (!appearance_.GradientVisible) {
        area->setBackgroundBrush(palette().color(QPalette::Window));
        return;
    }
    QLinearGradient gradient(0, 1, 0, 0);  // from the bottom to the top
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, Colour(appearance_.GradientBottomColour));
    gradient.setColorAt(1, Colour(appearance_.GradientTopColour));
    area->setBackgroundBrush(gradient);
}

int TBusinessChart::DepthPixels() const
{
    const QRectF plot = chart()->plotArea();
    return ChartDepthPixels(static_cast<int>(plot.width()), static_cast<int>(plot.height()));
}

void TBusinessChart::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    PlaceSpeedButton();
}

void TBusinessChart::PlaceSpeedButton()
{
    speedButton_->move(viewport()->width() - speedButton_->width() - kCopyButtonRightMargin, kCopyButtonRightMargin);
}

void TBusinessChart::contextMenuEvent(QContextMenuEvent* event)
{
    popup_->popup(event->globalPos());
    event->accept();
}

QImage TBusinessChart::Picture()
{
    const bool buttonShown = speedButton_->isVisible();
    speedButton_->hide();
    QImage image = grab().toImage();
    speedButton_->setVisible(buttonShown);
    return image;
}

void TBusinessChart::CopyToClipboard()
{
    QApplication::clipboard()->setImage(Picture());
}

QRectF TBusinessChart::BarRect(int index) const
{
    const ChartPoint& point = content_.Bars[static_cast<size_t>(index)];
    const qreal value = static_cast<qreal>(std::max<int64_t>(point.Value, 0));
    const qreal half = kBarWidth / 2;
    const QPointF topLeft = chart()->mapToPosition(QPointF(index - half, value), bars_);
    const QPointF bottomRight = chart()->mapToPosition(QPointF(index + half, 0), bars_);
    return QRectF(chart()->mapToScene(topLeft), chart()->mapToScene(bottomRight)).normalized();
}

// The bars' tops and right sides, receding up and to the right.
void TBusinessChart::PaintBarDepth(QPainter& painter, int depth) const
{
    painter.setPen(QPen(Qt::black, 1));
    for (int i = static_cast<int>(content_.Bars.size()) - 1; i >= 0; --i) {
        const QRectF bar = BarRect(i);
        const uint32_t colour = content_.Bars[static_cast<size_t>(i)].Colour;
        const QPointF d(depth, -depth);
        painter.setBrush(Colour(ShadedColour(colour, kTopShade)));
        painter.drawPolygon(QPolygonF({bar.topLeft(), bar.topRight(), bar.topRight() + d, bar.topLeft() + d}));
        painter.setBrush(Colour(ShadedColour(colour, kSideShade)));
        painter.drawPolygon(QPolygonF({bar.topRight(), bar.bottomRight(), bar.bottomRight() + d, bar.topRight() + d}));
    }
}

// Each bar's mark: a box with its text, 20 pixels above the bar on an arrow.
void TBusinessChart::PaintBarMarks(QPainter& painter, int depth) const
{
    const int64_t total = ChartTotal(content_.Bars);
    const QFontMetrics metrics(font());
    painter.setFont(font());
    for (int i = 0; i < static_cast<int>(content_.Bars.size()); ++i) {
        const QRectF bar = BarRect(i);
        const QPointF anchor(bar.center().x() + depth / 2.0, bar.top() - depth / 2.0);
        const QPointF tip(anchor.x(), anchor.y() - kBarMarkArrowLength);
        painter.setPen(QPen(Qt::black, 1));
        painter.drawLine(anchor, tip);
        const QString text = Q(MarkText(appearance_.BarMarks, content_.Bars[static_cast<size_t>(i)], total));
        const QSizeF size(metrics.horizontalAdvance(text) + 6, metrics.height() + 2);
        const QRectF box(tip.x() - size.width() / 2, tip.y() - size.height(), size.width(), size.height());
        painter.setBrush(kBarMarkFill);
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

void TBusinessChart::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    if (appearance_.PieActive || content_.Bars.empty()) return;
    const QRectF plot = chart()->plotArea();
    const qreal categoryWidth = plot.width() / static_cast<qreal>(content_.Bars.size());
    // The side of a bar must not reach the next bar's front.
    const int gap = static_cast<int>(categoryWidth * (1 - kBarWidth) * 0.8);
    const int depth = appearance_.View3D ? std::max(std::min(DepthPixels(), gap), 1) : 0;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (depth > 0) PaintBarDepth(*painter, depth);
    if (appearance_.MarksVisible) PaintBarMarks(*painter, depth);
    painter->restore();
}

// ---- the pages ----------------------------------------------------------------------

TPacketSizeChartPage::TPacketSizeChartPage(QWidget* parent)
    : QWidget(parent),
      chart_(new TBusinessChart({"PacketSizeChart", "PieSeries1", "BarSeries1", "PacketSizeChartSpeedButton"}, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(chart_);
    chart_->SetTitle(kPacketSizeChartTitle);
    chart_->hide();  // until the first trace has been read
}

TProtocolChartPage::TProtocolChartPage(QWidget* parent)
    : QWidget(parent),
      chart_(new TBusinessChart({"ProtocolDistChart", "Series1", "Series2", "ProtoDistChartSpeedButton"}, this)),
      packetClass_(new QButtonGroup(this))
{
    auto* leftPanel = new QWidget(this);
    leftPanel->setObjectName("ProtocolChartLeftPanel");
    auto* group = new QGroupBox(Q(kPacketClassCaption), leftPanel);
    group->setObjectName("ProtocolChartRadioGroup");
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < kPacketClassCount; ++i) {
        auto* item = new QRadioButton(Q(PacketClassNames()[static_cast<size_t>(i)]), group);
        packetClass_->addButton(item, i);
        groupLayout->addWidget(item);
    }
    packetClass_->button(0)->setChecked(true);
    auto* leftLayout = new QVBoxLayout(leftPanel);
    leftLayout->setContentsMargins(6, 6, 6, 6);
    leftLayout->addWidget(group);
    leftLayout->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(leftPanel);
    layout->addWidget(chart_, 1);
    chart_->SetTitle(ProtocolChartTitle(PacketClass::All));
    chart_->hide();
    connect(packetClass_, &QButtonGroup::idClicked, this, &TProtocolChartPage::ProtocolChartRadioGroupClick);
}

PacketClass TProtocolChartPage::SelectedPacketClass() const
{
    return PacketClassOfItem(packetClass_->checkedId());
}

void TProtocolChartPage::SelectPacketClass(PacketClass packetClass)
{
    packetClass_->button(static_cast<int>(packetClass))->setChecked(true);
}

// ---- TChartPages --------------------------------------------------------------------

TChartPages::TChartPages(const AnalysisState& state, TChartPropertiesForm* chartProperties,
                         TProtocolTablePage* tablePage, QObject* parent)
    : QObject(parent), state_(state), chartProperties_(chartProperties), tablePage_(tablePage),
      packetSizePage_(new TPacketSizeChartPage), protocolChartPage_(new TProtocolChartPage)
{
    connect(protocolChartPage_, &TProtocolChartPage::ProtocolChartRadioGroupClick, this,
            &TChartPages::ProtocolChartRadioGroupClick);
    for (TBusinessChart* chart : {packetSizePage_->PacketSizeChart(), protocolChartPage_->ProtocolDistChart()})
        connect(chart, &TBusinessChart::ChartPropertiesRequested, this, &TChartPages::ChartPropertiesMenuItemClick);
    // Apply (and OK and Cancel) set both charts up again at once, keeping their points.
    if (chartProperties_ != nullptr)
        connect(chartProperties_, &TChartPropertiesForm::ChartsChanged, this, [this] { InitCharts(false); });
    InitCharts(true);
}

ChartAppearance TChartPages::CurrentAppearance() const
{
    return ChartAppearanceOf(chartProperties_ != nullptr ? chartProperties_->Values() : ChartSettings{});
}

void TChartPages::InitCharts(bool clear)
{
    const ChartAppearance appearance = CurrentAppearance();
    packetSizePage_->PacketSizeChart()->InitChart(clear, appearance);
    protocolChartPage_->ProtocolDistChart()->InitChart(clear, appearance);
}

void TChartPages::UpdateCharts()
{
    InitCharts(true);
    if (state_.Read.TraceFileName.empty()) return;
    packetSizePage_->PacketSizeChart()->ShowContent(BuildPacketSizeChart(state_));
    if (tablePage_ != nullptr) tablePage_->UpdateProtocolGrid(state_);
    TBusinessChart* protocolChart = protocolChartPage_->ProtocolDistChart();
    protocolChart->ShowContent(BuildProtocolChart(state_, protocolChartPage_->SelectedPacketClass()));
    packetSizePage_->PacketSizeChart()->show();
    protocolChart->show();
}

void TChartPages::ProtocolChartRadioGroupClick()
{
    protocolChartPage_->ProtocolDistChart()->SetTitle(ProtocolChartTitle(protocolChartPage_->SelectedPacketClass()));
    UpdateCharts();
}

void TChartPages::ChartPropertiesMenuItemClick()
{
    if (chartProperties_ == nullptr) return;
    if (chartProperties_->exec() != QDialog::Rejected) UpdateCharts();
}

}  // namespace quenlix
