#pragma once
// The "Packet Size Chart" and "Protocol Chart" pages. Each holds a business chart
// (TBusinessChart) with a pie and a bar series of which one is active, a copy
// button in its top-right corner and the "Chart Properties..." pop-up. TChartPages
// rebuilds both charts and the protocol table from the analysis and applies the
// chart options of the Chart Properties dialog to both charts.

#include <QChartView>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/main/ChartContent.h"

class QButtonGroup;
class QMenu;
class QToolButton;

QT_BEGIN_NAMESPACE
class QPieSeries;
class QStackedBarSeries;
class QBarCategoryAxis;
class QValueAxis;
QT_END_NAMESPACE

namespace quenlix {

class TChartPropertiesForm;
class TProtocolTablePage;

// Names of a chart and its parts, as the window's components are named.
struct ChartNames {
    QString Chart;        // PacketSizeChart
    QString PieSeries;    // PieSeries1
    QString BarSeries;    // BarSeries1
    QString CopyButton;   // PacketSizeChartSpeedButton
};

class TBusinessChart : public QChartView {
    Q_OBJECT
public:
    TBusinessChart(const ChartNames& names, QWidget* parent = nullptr);

    // Applies the appearance; with clear, the series are emptied first.
    void InitChart(bool clear, const ChartAppearance& appearance);
    // Shows the points of the content in both series, with its title.
    void ShowContent(const ChartContent& content);
    void SetTitle(const std::string& title);

    // The chart as a picture of its own size, without the copy button.
    QImage Picture();
    void CopyToClipboard();

    const ChartContent& Content() const { return content_; }
    const ChartAppearance& Appearance() const { return appearance_; }
    QString TitleText() const;
    QPieSeries* PieSeries() const { return pie_; }
    QStackedBarSeries* BarSeries() const { return bars_; }
    // The extra pie series drawn below the pie: its shadow and, in the
    // three-dimensional view, the layers of its side.
    const std::vector<QPieSeries*>& PieUnderlays() const { return underlays_; }
    QToolButton* SpeedButton() const { return speedButton_; }
    QMenu* ChartPopup() const { return popup_; }

signals:
    // "Chart Properties..." was chosen in the pop-up.
    void ChartPropertiesRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    void Rebuild();
    void FillPie(int64_t total);
    void FillBars(int64_t total);
    void AddPieUnderlays();
    void PlacePies();
    void ApplyBackground();
    void PlaceSpeedButton();
    // The front face of bar i in scene coordinates.
    QRectF BarRect(int index) const;
    void PaintBarDepth(QPainter& painter, int depth) const;
    void PaintBarMarks(QPainter& painter, int depth) const;
    int DepthPixels() const;

    ChartContent content_;
    ChartAppearance appearance_;
    std::string title_;
    QPieSeries* pie_;
    QStackedBarSeries* bars_;
    QBarCategoryAxis* categoryAxis_;
    QValueAxis* valueAxis_;
    std::vector<QPieSeries*> underlays_;
    QToolButton* speedButton_;
    QMenu* popup_;
};

// "Packet Size Chart": the chart fills the page.
class TPacketSizeChartPage : public QWidget {
    Q_OBJECT
public:
    explicit TPacketSizeChartPage(QWidget* parent = nullptr);
    TBusinessChart* PacketSizeChart() const { return chart_; }

private:
    TBusinessChart* chart_;
};

// "Protocol Chart": the "Packet Class" group on a panel left of the chart.
class TProtocolChartPage : public QWidget {
    Q_OBJECT
public:
    explicit TProtocolChartPage(QWidget* parent = nullptr);
    TBusinessChart* ProtocolDistChart() const { return chart_; }
    PacketClass SelectedPacketClass() const;
    void SelectPacketClass(PacketClass packetClass);

signals:
    void ProtocolChartRadioGroupClick();

private:
    TBusinessChart* chart_;
    QButtonGroup* packetClass_;
};

// Builds and refreshes both chart pages and the protocol table.
class TChartPages : public QObject {
    Q_OBJECT
public:
    // The dialog and the table page may be null (not built).
    TChartPages(const AnalysisState& state, TChartPropertiesForm* chartProperties, TProtocolTablePage* tablePage,
                QObject* parent = nullptr);

    TPacketSizeChartPage* PacketSizePage() const { return packetSizePage_; }
    TProtocolChartPage* ProtocolChartPage() const { return protocolChartPage_; }

    // Empties the series when asked, then sets both charts up from the options.
    void InitCharts(bool clear);
    // Rebuilds both charts and the protocol table from the analysis, after a read.
    void UpdateCharts();
    // The packet class changed: new title, and everything rebuilt.
    void ProtocolChartRadioGroupClick();
    // Shows the Chart Properties dialog; unless it was cancelled, rebuilds.
    void ChartPropertiesMenuItemClick();

private:
    ChartAppearance CurrentAppearance() const;

    const AnalysisState& state_;
    TChartPropertiesForm* chartProperties_;
    TProtocolTablePage* tablePage_;
    TPacketSizeChartPage* packetSizePage_;
    TProtocolChartPage* protocolChartPage_;
};

}  // namespace quenlix
