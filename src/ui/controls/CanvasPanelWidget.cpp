#include "ui/controls/CanvasPanelWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>

namespace quenlix {

TKolmCustomPanel::TKolmCustomPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BevelWidth);
}

QRect TKolmCustomPanel::CaptionRect() const
{
    return contentsRect().adjusted(CaptionPadding, VerticalCaptionPadding, -CaptionPadding, -VerticalCaptionPadding);
}

void TKolmCustomPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (!Caption.isEmpty()) {
        Qt::Alignment vertical = Qt::AlignVCenter;
        if (VerticalAlign == VerticalAlignment::Top) vertical = Qt::AlignTop;
        if (VerticalAlign == VerticalAlignment::Bottom) vertical = Qt::AlignBottom;
        const int flags = static_cast<int>(CaptionAlignment | vertical) | Qt::TextSingleLine;
        if (!isEnabled()) {
            // Disabled captions are drawn embossed, as the text boxes are.
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(CaptionRect().translated(1, 1), flags, Caption);
            painter.setPen(palette().color(QPalette::Dark));
        } else {
            painter.setPen(palette().color(QPalette::WindowText));
        }
        painter.drawText(CaptionRect(), flags, Caption);
    }
    if (GenerateOnPaint) PaintSurface(painter);
}

void TKolmCustomPanel::PaintSurface(QPainter& /*painter*/) {}

TCanvasPanel::TCanvasPanel(QWidget* parent) : TKolmCustomPanel(parent) {}

void TCanvasPanel::PaintSurface(QPainter& painter)
{
    if (OnPaint) OnPaint(painter, contentsRect());
}

QImage TCanvasPanel::Picture(const QRect& area)
{
    const QRect source = area.isEmpty() ? rect() : area.intersected(rect());
    QImage image(source.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    render(&image, QPoint(), QRegion(source));
    return image;
}

void TCanvasPanel::CopyToClipboard(const QRect& area)
{
    QApplication::clipboard()->setImage(Picture(area));
}

}  // namespace quenlix
