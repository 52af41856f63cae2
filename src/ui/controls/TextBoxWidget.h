#pragma once
// TTextBox: a bevelled, read-only value display (every figure on the summary
// pages), and TGauge: a 0..100 percentage bar that fills a small panel.

#include <QLabel>
#include <QWidget>

namespace quenlix {

enum class Bevel { None, Lowered, Raised };

class TTextBox : public QLabel {
    Q_OBJECT
public:
    explicit TTextBox(QWidget* parent = nullptr);

    Bevel BevelInner = Bevel::None;
    Bevel BevelOuter = Bevel::Lowered;
    int BevelWidth = 1;
    int BorderWidth = 0;
    int Padding = 2;

    // Padding + BorderWidth + BevelWidth for each bevel that is drawn.
    int TextInset() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawBevel(QPainter& painter, QRect& rect, Bevel bevel) const;
};

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    void SetProgress(int percent);  // kept within 0..100
    int Progress() const { return progress_; }
    QSize sizeHint() const override { return {60, 17}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int progress_ = 0;
};

}  // namespace quenlix
