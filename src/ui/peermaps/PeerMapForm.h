#pragma once
// The "Network" and "Station" windows. TPeerMapForm shows a PeerWindowContent
// in two tab pages: "Peer Map" (the mode, destination and key groups beside the
// map, which it paints from the content's drawing) and "Statistics" (the sort,
// copy and Select Stations strip above the grid). The two windows differ only in
// their content, captions, tips and help.

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "model/AnalysisState.h"
#include "ui/main/TipContent.h"
#include "ui/peermaps/NetworkStatisticsContent.h"
#include "ui/peermaps/StationStatsContent.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolButton;

class QScrollArea;

namespace quenlix {

class TDualListDialogForm;
class TSuperStringGrid;

// The map's surface: it paints the content's drawing and reports right clicks.
class TPeerMapPaintBox : public QWidget {
    Q_OBJECT
public:
    TPeerMapPaintBox(PeerWindowContent& content, QWidget* parent);

    // The label drawn in the highlight colour while its pop-up is open (-1 none).
    int HighlightedLabel = -1;
    // A picture of the map without the copy button.
    QImage Picture();
    QToolButton* CopyButton() const { return copyButton_; }
    // The label under the mouse, whose lines are drawn on top and wider (-1 none).
    int HoveredLabel() const { return hoveredLabel_; }

signals:
    void RightClicked(const QPoint& point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawLines(QPainter& painter, const PeerMapDrawing& map) const;
    void SetHoveredLabel(int label, const QPoint& at);

    PeerWindowContent& content_;
    QToolButton* copyButton_;
    int hoveredLabel_ = -1;
};

// What the program connects to a window: the main window's tips and help, and
// the toolbox that takes a station (none yet: its pop-up entry is disabled).
struct PeerMapHooks {
    std::function<void(const TipSet&)> SetTips;
    std::function<void()> RestoreTips;
    std::function<void(int helpContext)> OpenHelp;
    // Shows the toolbox with the station just right-clicked preselected.
    std::function<void(const std::string& address, const std::string& ouiAddress)> ShowToolbox;
};

class TPeerMapForm : public QWidget {
    Q_OBJECT
public:
    TPeerMapForm(AnalysisState& state, std::unique_ptr<PeerWindowContent> content, int view, TDualListDialogForm* dialog,
                 QWidget* parent = nullptr);
    ~TPeerMapForm() override;

    PeerMapHooks Hooks;
    PeerWindowContent& Content() { return *content_; }
    int HelpContext() const { return helpContext_; }

    // Runs what an activation runs: tips, the rebuild when the trace changed, the OUI boxes.
    void FormActivate();

    QTabWidget* PageControl() const { return pageControl_; }
    TPeerMapPaintBox* PaintBox() const { return paintBox_; }
    TSuperStringGrid* StnGrid() const { return stnGrid_; }
    QCheckBox* KeyBox(int key) const;
    QButtonGroup* ModeGroup() const { return modeGroup_; }
    QButtonGroup* DestinationGroup() const { return destinationGroup_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    // Rebuilds the pop-up for a right click at a map point; false without a hit.
    bool PreparePopup(const QPoint& point);

    void ModeRadioGroupClick(int mode);
    void DestinationRadioGroupClick(int destination);
    void KeyClick(int key, bool checked);
    void KeyCommandClick(PeerWindowContent::KeyCommand command);
    void Statistics1Click();
    void Analyze1Click();
    void SelStnBtnClick();
    void SortClick(bool ascending);
    void GridHeaderClick(int col);
    void ShowAddressClick();
    void CopyMapClick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    virtual TipSet Tips() const = 0;

    int helpContext_ = 0;

private:
    void BuildMapPage(QWidget* page);
    void BuildStatisticsPage(QWidget* page);
    void SyncControls();
    void FitMapControls();
    void ShowGrid();
    void RightClick(const QPoint& point);

    AnalysisState& state_;
    std::unique_ptr<PeerWindowContent> content_;
    int view_;
    TDualListDialogForm* dialog_;
    QTabWidget* pageControl_ = nullptr;
    TPeerMapPaintBox* paintBox_ = nullptr;
    TSuperStringGrid* stnGrid_ = nullptr;
    HeaderSort headerSort_;
    QScrollArea* mapControls_ = nullptr;
    QGroupBox* modeBox_ = nullptr;
    QButtonGroup* modeGroup_ = nullptr;
    QButtonGroup* destinationGroup_ = nullptr;
    QGroupBox* keyGroup_ = nullptr;
    std::vector<QCheckBox*> keys_;
    QCheckBox* smartNames2_ = nullptr;
    QCheckBox* showOUI2_ = nullptr;
    QCheckBox* smartNames_ = nullptr;
    QCheckBox* showOUI_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QAction* statistics1_ = nullptr;
    QAction* analyze1_ = nullptr;
    QAction* dlc1_ = nullptr;
};

// "Network": the IP and IPX stations.
class TNetworkStatisticsForm : public TPeerMapForm {
    Q_OBJECT
public:
    TNetworkStatisticsForm(AnalysisState& state, TDualListDialogForm* dialog, const std::string& iniFile,
                           QWidget* parent = nullptr);

protected:
    TipSet Tips() const override { return tips::NetworkMap(); }
};

// "Station": the MAC stations.
class TStationStats : public TPeerMapForm {
    Q_OBJECT
public:
    TStationStats(AnalysisState& state, TDualListDialogForm* dialog, const std::string& iniFile,
                  QWidget* parent = nullptr);

protected:
    TipSet Tips() const override { return tips::StationMap(); }
};

// The INI file named like the program, in the program's folder.
std::string ProgramIniFile();

}  // namespace quenlix
