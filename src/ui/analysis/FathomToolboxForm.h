#pragma once
// TFathomToolboxForm: the boxes that choose one conversation, the packet range,
// the buttons that open its analyses, and the ladder of its packets drawn by
// TLadderView, which lays out and paints only the rows in view. Selection,
// ladder rows and problem counts come from ToolboxContent.

#include <QWidget>
#include <functional>

#include "model/AnalysisState.h"
#include "model/ViewStale.h"
#include "ui/analysis/ToolboxContent.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace quenlix {

class TBetterSpinEdit;
class TipSet;

// The ViewStale entry of the toolbox.
constexpr int kToolboxViewStale = kViewToolbox;
constexpr int kToolboxHelpContext = 18;

class TLadderView : public QWidget {
    Q_OBJECT
public:
    explicit TLadderView(QWidget* parent = nullptr);
    // The rows in view, where the view stands, and the selected row (-1: none).
    void SetLayout(const LadderLayout* layout, int scrollY, int scrollX, int32_t selectedRow = -1);
    QSize sizeHint() const override { return {kLadderWidth, 400}; }
    // The row of the layout under a point of the view; null when none.
    const LadderRow* RowAt(const QPoint& pos) const;

signals:
    // A click at a height of the ladder (in ladder coordinates).
    void LadderClicked(int ladderY);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    const LadderLayout* layout_ = nullptr;
    int scrollY_ = 0;
    int scrollX_ = 0;
    int32_t selectedRow_ = -1;
};

class TFathomToolboxForm : public QWidget {
    Q_OBJECT
public:
    explicit TFathomToolboxForm(AnalysisState& state, QWidget* parent = nullptr);
    ~TFathomToolboxForm() override;

    // Entry points for the other windows: the selection to show at the next
    // activation (client/server row, network map station). Sets the stale flag.
    void Preselect(const ToolboxPreselection& preselection);
    // Rebuilds the boxes from the state now (what an activation with the stale flag does).
    void Rebuild();
    // Takes a preselection given since the last activation, without showing the
    // window (for an analysis opened on it directly).
    void ApplyPreselection();

    const ToolboxSelection& Selection() const { return selection_; }
    const ToolboxOptions& Options() const { return options_; }
    const LadderLayout& Ladder() const { return layout_; }
    const AnalysisState& State() const { return state_; }
    // The analysis windows take the stale flag when they recompute.
    bool TakeAnalysisStale();

    // Opens an analysis window (given by the main window).
    std::function<void(QWidget*)> ShowAnalysis;
    QWidget* LatencyWindow = nullptr;
    QWidget* ThroughputWindow = nullptr;
    QWidget* ProblemWindow = nullptr;
    std::function<void(const TipSet&)> SetTips;
    std::function<void(int)> OpenHelp;  // F1: the window's help context
    // Exports frames of the trace (given by the main window): the frame numbers
    // within the range from the first to the last.
    std::function<void(const std::vector<int64_t>& frames, int64_t first, int64_t last)> ExportPackets;

    // Commands, also for the tests.
    void SourceBoxChange(int index);
    void TargetBoxChange(int index);
    void AppBoxChange(int index);
    void SwapBtnClick();
    void RangeChange();
    void LatencyBtnClick();
    void ThruputBtnClick();
    void ProblemBtnClick();
    // "Export These Packets": the conversation's packets within the range.
    void ExportBtnClick();
    void SetSpacing(int spacingMs);
    void SetScale(PacketScale scale);
    void SpeedButton1Click();
    void SetRelativeSeq(bool on);
    // Lays the ladder out again for the rows in view and repaints it.
    void Recalc();
    QImage LadderPicture();

    // The ladder's selected row (-1: none), moved by a click, the keyboard,
    // go-to-frame and find, and kept in view; its whole description shows in
    // the status line under the ladder.
    int32_t SelectedRow() const { return selectedRow_; }
    void SelectRow(int32_t row);
    // Selects the frame's row, or the next row after it when the frame is not
    // in the conversation (the status line says so).
    void GoToFrame(int64_t frameNo);
    void GoToFrameDialog();  // Ctrl+G
    void FindText(const std::string& text);
    void FindDialog();       // Ctrl+F
    void FindNext();         // F3
    // Shows the toolbox in front with the frame's row selected (a problem line's packet).
    void ShowFrame(int64_t frameNo);
    QString StatusText() const;

    QComboBox* SourceBox() const { return sourceBox_; }
    QComboBox* TargetBox() const { return targetBox_; }
    QComboBox* AppBox() const { return appBox_; }
    QPushButton* ProblemBtn() const { return problemBtn_; }
    QToolButton* SwapBtn() const { return swapBtn_; }
    QScrollBar* VerticalBar() const { return scrollBar1_; }
    QLabel* StatusLine() const { return status_; }
    TLadderView* PaintBox() const { return paintBox_; }

signals:
    // The conversation, application or range changed: the analysis windows recompute.
    void SelectionChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildOptionsMenu();
    void BuildLadderSelection();
    void ShowBoxes();
    void SelectionMoved(bool scrollToTop);
    void FormActivate();
    bool LadderReady() const;
    bool LadderKey(int key);
    int ViewHeight() const;
    void ShowSelectedRow(const std::string& notice = {});

    AnalysisState& state_;
    ToolboxSelection selection_;
    ToolboxOptions options_;
    ToolboxPreselection preselection_;
    PacketScale scale_ = PacketScale::Medium;
    LadderLayout layout_;
    LadderCache ladderCache_;
    bool showingBoxes_ = false;
    int32_t selectedRow_ = -1;
    std::string findText_;

    QLabel* skein_;
    QComboBox* sourceBox_;
    QComboBox* targetBox_;
    QComboBox* appBox_;
    QToolButton* swapBtn_;
    TBetterSpinEdit* startPacket_;
    TBetterSpinEdit* endPacket_;
    QPushButton* latencyBtn_;
    QPushButton* thruputBtn_;
    QPushButton* problemBtn_;
    QPushButton* optionsButton_;
    QToolButton* speedButton1_;
    QMenu* optionsMenu_;
    QWidget* panel2_;
    TLadderView* paintBox_;
    QScrollBar* scrollBar1_;
    QScrollBar* scrollBar2_;
    QLabel* status_;
    std::vector<QAction*> spacingItems_;
    std::vector<QAction*> scaleItems_;
};

}  // namespace quenlix
