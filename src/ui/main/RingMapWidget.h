#pragma once
// The ring map of the Token Ring panel: TRingMapPaintBox paints the geometry the
// core computes (the ring, the stations' labels and the fault-domain lines), and
// TRingMapPanel holds it with its copy button at the top-right corner and the
// caption panel below.

#include <QWidget>

#include "ui/main/DLCErrorContent.h"

class QPushButton;

namespace quenlix {

class TKolmCustomPanel;

// Text measurement with the map's font on the widget's device.
class QtRingTextMetrics : public RingTextMetrics {
public:
    explicit QtRingTextMetrics(const QWidget* device) : device_(device) {}
    int TextWidth(const std::string& text, int pointSize) const override;
    int TextHeight(const std::string& text, int pointSize) const override;

private:
    const QWidget* device_;
};

class TRingMapPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TRingMapPaintBox(QWidget* parent = nullptr);

    void SetInput(RingMapInput input);
    void SetOptions(const RingMapOptions& options);
    const RingMapOptions& Options() const { return options_; }

    // The drawing for the widget's current size and font metrics.
    RingMapContent CurrentMap() const;

signals:
    // The caption under the map, given with each new ring.
    void CaptionChanged(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RingMapInput input_;
    RingMapOptions options_;
};

class TRingMapPanel : public QWidget {
    Q_OBJECT
public:
    explicit TRingMapPanel(QWidget* parent = nullptr);

    TRingMapPaintBox* PaintBox() const { return paintBox_; }
    QPushButton* CopyButton() const { return copyButton_; }
    TKolmCustomPanel* CaptionPanel() const { return captionPanel_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceCopyButton();

    TRingMapPaintBox* paintBox_;
    QPushButton* copyButton_;
    TKolmCustomPanel* captionPanel_;
};

}  // namespace quenlix
