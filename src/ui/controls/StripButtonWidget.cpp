#include "ui/controls/StripButtonWidget.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QToolButton>

namespace quenlix {

namespace {

constexpr int kButtonSize = 25;
constexpr int kGlyphSize = 20;

// The pictures are drawn, so that nothing but the program file is needed.
QIcon GlyphIcon(StripGlyph glyph)
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (glyph == StripGlyph::Copy) {
        // Two sheets, the front one with lines of text.
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 10, 12);
        p.drawRect(8, 6, 10, 12);
        for (int y = 9; y <= 15; y += 3) p.drawLine(10, y, 16, y);
        return QIcon(pixmap);
    }
    // The letters in the order of the sort, with an arrow pointing down the list.
    const bool ascending = glyph == StripGlyph::SortAscending;
    QFont font = p.font();
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QRect(1, 0, 10, 10), Qt::AlignCenter, ascending ? "A" : "Z");
    p.drawText(QRect(1, 10, 10, 10), Qt::AlignCenter, ascending ? "Z" : "A");
    p.setPen(QPen(QColor(128, 0, 0), 1.5));
    p.drawLine(15, 2, 15, 17);
    p.setBrush(QColor(128, 0, 0));
    p.drawPolygon(QPolygonF({QPointF(11.5, 13), QPointF(18.5, 13), QPointF(15, 18.5)}));
    return QIcon(pixmap);
}

}  // namespace

QToolButton* StripButton(QWidget* parent, const char* name, const char* hint, StripGlyph glyph)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(GlyphIcon(glyph));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setAutoRaise(true);
    // Keyboard users reach every strip button with Tab.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

}  // namespace quenlix
