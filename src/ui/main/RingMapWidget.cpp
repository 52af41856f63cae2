#include "ui/main/RingMapWidget.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/controls/CanvasPanelWidget.h"

namespace quenlix {

namespace {

QFont MapFont(int pointSize)
{
    QFont font(kRingMapFontName);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(std::max(pointSize, 1));
    return font;
}

QColor ColourOf(const RGBColour& colour)
{
    return QColor(colour.R, colour.G, colour.B);
}

}  // namespace

int QtRingTextMetrics::TextWidth(const std::string& text, int pointSize) const
{
    return QFontMetrics(MapFont(pointSize), device_).horizontalAdvance(QString::fromStdString(text));
}

int QtRingTextMetrics::TextHeight(const std::string& /*text*/, int pointSize) const
{
    return QFontMetrics(MapFont(pointSize), device_).height();
}

// ---- the paint box ------------------------------------------------------------------

TRingMapPaintBox::TRingMapPaintBox(QWidget* parent) : QWidget(parent)
{
    setObjectName("RingMapPaintBox");
    setMinimumSize(160, 120);
}

void TRingMapPaintBox::SetInput(RingMapInput input)
{
    input_ = std::move(input);
    emit CaptionChanged(QString::fromStdString(RingMapCaption(input_.RingStationCount)));
    update();
}

void TRingMapPaintBox::SetOptions(const RingMapOptions& options)
{
    options_ = options;
    update();
}

RingMapContent TRingMapPaintBox::CurrentMap() const
{
    const QtRingTextMetrics metrics(this);
    return BuildRingMap(input_, width(), height(), options_, metrics);
}

void TRingMapPaintBox::paintEvent(QPaintEvent* /*event*/)
{
    const RingMapContent map = CurrentMap();
    QPainter painter(this);
    // Labels of unusually wide names may reach past the edge: nothing is drawn outside the box.
    painter.setClipRect(rect());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ColourOf(map.RingColour), map.RingPenWidth));
    painter.drawEllipse(QPoint(map.CentreX, map.CentreY), map.RingRadius, map.RingRadius);

    painter.setFont(MapFont(map.FontSize));
    for (const RingLabel& label : map.Labels) {
        if (!label.Drawn) continue;
        const QRect box(label.Left, label.Top, label.Width, label.Height);
        if (label.Boxed) painter.fillRect(box.adjusted(-1, 0, 1, 0), ColourOf(label.Colour));
        painter.setPen(QPen(ColourOf(label.TextColour), 1));
        painter.drawText(box,
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine,
                         QString::fromStdString(label.Text));
    }
    painter.setPen(QPen(ColourOf(map.FaultColour), 1));
    for (const RingLine& line : map.FaultLines) painter.drawLine(line.X1, line.Y1, line.X2, line.Y2);
}

// ---- the panel ----------------------------------------------------------------------

TRingMapPanel::TRingMapPanel(QWidget* parent)
    : QWidget(parent), paintBox_(new TRingMapPaintBox(this)), copyButton_(new QPushButton("Copy graphic to clipboard", this)),
      captionPanel_(new TKolmCustomPanel(this))
{
    setObjectName("RingMapPanel");
    copyButton_->setObjectName("CopyRingMapBtn");
    captionPanel_->setObjectName("Panel27");
    captionPanel_->Caption = kRingMapStartCaption;
    captionPanel_->setFixedHeight(captionPanel_->fontMetrics().height() + 8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(paintBox_, 1);
    layout->addWidget(captionPanel_);
    connect(paintBox_, &TRingMapPaintBox::CaptionChanged, this, [this](const QString& caption) {
        captionPanel_->Caption = caption;
        captionPanel_->update();
    });
    copyButton_->adjustSize();
    copyButton_->raise();
    // The map starts below the button, which would otherwise cover the labels
    // in the map's top right corner.
    layout->setContentsMargins(0, copyButton_->height(), 0, 0);
}

void TRingMapPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceCopyButton();
}

void TRingMapPanel::PlaceCopyButton()
{
    // Kept at the top-right corner: its left edge is the panel width - its width - 1.
    copyButton_->move(width() - copyButton_->width() - 1, 0);
}

}  // namespace quenlix
