#include "ui/controls/TextBoxWidget.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace quenlix {

namespace {

constexpr int kDefaultWidth = 121;
constexpr int kDefaultHeight = 21;

}  // namespace

TTextBox::TTextBox(QWidget* parent) : QLabel(parent)
{
    setText("0");
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    resize(kDefaultWidth, kDefaultHeight);
}

int TTextBox::TextInset() const
{
    int inset = Padding + BorderWidth;
    if (BevelInner != Bevel::None) inset += BevelWidth;
    if (BevelOuter != Bevel::None) inset += BevelWidth;
    return inset;
}

QSize TTextBox::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    const int inset = 2 * TextInset();
    return {std::max(text.width() + inset, 40), std::max(text.height() + inset, kDefaultHeight)};
}

QSize TTextBox::minimumSizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return {text.width() + 2 * TextInset(), std::max(text.height() + 2 * TextInset(), kDefaultHeight)};
}

void TTextBox::DrawBevel(QPainter& painter, QRect& rect, Bevel bevel) const
{
    if (bevel == Bevel::None) return;
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    // Raised: light at the top left, dark at the bottom right; lowered the reverse.
    const QColor topLeft = bevel == Bevel::Raised ? light : dark;
    const QColor bottomRight = bevel == Bevel::Raised ? dark : light;
    for (int i = 0; i < BevelWidth; ++i) {
        painter.setPen(topLeft);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        rect.adjust(1, 1, -1, -1);
    }
}

void TTextBox::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    QRect rect = this->rect();
    painter.fillRect(rect, palette().color(QPalette::Button));
    DrawBevel(painter, rect, BevelOuter);
    rect.adjust(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
    DrawBevel(painter, rect, BevelInner);

    const int inset = TextInset();
    const QRect textRect = this->rect().adjusted(inset, 0, -inset, 0);
    const int flags = static_cast<int>(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, flags, text());
        return;
    }
    // A disabled box draws its text embossed: highlight offset by a pixel, then shadow.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(textRect.translated(1, 1), flags, text());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(textRect, flags, text());
}

TGauge::TGauge(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(40, 15);
}

void TGauge::SetProgress(int percent)
{
    const int bounded = std::clamp(percent, 0, 100);
    if (bounded == progress_) return;
    progress_ = bounded;
    update();
}

void TGauge::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, Qt::white);
    const int filled = frame.width() * progress_ / 100;
    const QRect bar(frame.left(), frame.top(), filled, frame.height());
    painter.fillRect(bar, QColor(0, 0, 128));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame);

    // The percentage reads in white over the bar and in black beside it.
    const QString text = QString::number(progress_) + "%";
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(frame, Qt::AlignCenter, text);
    painter.setClipRect(QRect(bar.right() + 1, frame.top(), frame.width() - filled + 1, frame.height()));
    painter.setPen(Qt::black);
    painter.drawText(frame, Qt::AlignCenter, text);
}

}  // namespace quenlix
