#pragma once
// TKolmCustomPanel: a bevelled panel with a padded, aligned caption.
// TCanvasPanel: the same panel whose surface its owner paints (ring map, peer
// maps), and which copies a rectangle of that surface to the clipboard as a picture.

#include <QFrame>
#include <functional>

class QPainter;

namespace quenlix {

enum class VerticalAlignment { Top, Middle, Bottom };

class TKolmCustomPanel : public QFrame {
    Q_OBJECT
public:
    explicit TKolmCustomPanel(QWidget* parent = nullptr);

    QString Caption;
    Qt::Alignment CaptionAlignment = Qt::AlignHCenter;
    int CaptionPadding = 2;
    int VerticalCaptionPadding = 2;
    VerticalAlignment VerticalAlign = VerticalAlignment::Middle;
    bool GenerateOnPaint = true;
    int BevelWidth = 1;

    // The rectangle the caption is drawn in.
    QRect CaptionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void PaintSurface(QPainter& painter);
};

class TCanvasPanel : public TKolmCustomPanel {
    Q_OBJECT
public:
    explicit TCanvasPanel(QWidget* parent = nullptr);

    // The owner's drawing, called after the frame and caption when GenerateOnPaint is set.
    std::function<void(QPainter&, const QRect&)> OnPaint;

    // Puts a picture of the given rectangle of the surface (all of it when empty)
    // on the clipboard, the size of the rectangle.
    void CopyToClipboard(const QRect& area = {});
    // The same picture, for printing and tests.
    QImage Picture(const QRect& area = {});

protected:
    void PaintSurface(QPainter& painter) override;
};

}  // namespace quenlix
