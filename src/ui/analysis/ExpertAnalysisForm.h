#pragma once
// The analysis windows of the conversation chosen in the toolbox: latency and
// throughput (two panels each, with the four-bar chart), the problem summary
// and the what-if table. Each rebuilds from the toolbox when it is activated
// and when the toolbox's selection changes while it is shown; the figures and
// texts come from AnalysisContent.

#include <QWidget>
#include <array>
#include <functional>

#include "ui/analysis/AnalysisContent.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;

namespace quenlix {

class TBetterSpinEdit;
class TFathomToolboxForm;
class TTextBox;
class TipSet;

constexpr int kLatencyHelpContext = 19;
constexpr int kProblemHelpContext = 20;
constexpr int kThroughputHelpContext = 21;
constexpr int kWhatIfHelpContext = 22;

// Draws the four-bar chart of a panel.
QImage DrawBarChart(const ChartData& data, int width, int height);

// One panel of the latency or throughput window.
class TMeasurePanel : public QWidget {
    Q_OBJECT
public:
    TMeasurePanel(const QString& group, const std::array<std::pair<QString, QString>, 4>& values,
                  const std::vector<std::pair<QString, QString>>& packets, const QString& suffix, QWidget* parent = nullptr);
    void Show(const std::string& heading, const std::string& memo, bool hasResults, const std::array<std::string, 4>& values,
              const std::vector<std::string>& packets, const ChartData& chart);
    void SetGroupCaption(const QString& caption);
    QImage Chart() const { return chart_; }
    QLabel* Heading() const { return heading_; }
    QPlainTextEdit* Memo() const { return memo_; }
    QToolButton* CopyGraphic() const { return copyGraphic_; }
    QToolButton* CopyData() const { return copyData_; }
    QLayout* Extra() const { return extra_; }
    QString ValueText(int i) const;

private:
    QLabel* heading_;
    QGroupBox* group_;
    std::array<TTextBox*, 4> values_{};
    std::vector<TTextBox*> packets_;
    QLabel* image_;
    QToolButton* copyGraphic_;
    QToolButton* copyData_;
    QPlainTextEdit* memo_;
    QLayout* extra_;
    QImage chart_;
};

class TAnalysisWindow : public QWidget {
    Q_OBJECT
public:
    TAnalysisWindow(TFathomToolboxForm& toolbox, const char* name, int helpContext, QWidget* parent = nullptr);
    std::function<void(const TipSet&)> SetTips;
    std::function<void()> RestoreTips;
    std::function<void(int)> OpenHelp;  // F1: the window's help context
    // Recomputes from the toolbox's selection.
    virtual void Recompute() = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    virtual TipSet Tips() const;
    TFathomToolboxForm& toolbox_;
};

class TWhatIfAnalysisForm;

class TLatencyAnalysisForm : public TAnalysisWindow {
    Q_OBJECT
public:
    explicit TLatencyAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent = nullptr);
    void Recompute() override;
    TWhatIfAnalysisForm* WhatIf = nullptr;
    std::function<void(QWidget*)> ShowWindow;
    const LatencyContent& Content() const { return content_; }
    TMeasurePanel* Upper() const { return upper_; }
    TMeasurePanel* Lower() const { return lower_; }
    void SetHowLatency(int item);
    void SetIncludeTransmissionTime(bool on);
    void LoadAnalysisClick(bool originating);

protected:
    void closeEvent(QCloseEvent* event) override;
    TipSet Tips() const override;

private:
    LatencyContent content_;
    LatencyOptions options_;
    TMeasurePanel* upper_;
    TMeasurePanel* lower_;
    QPushButton* loadAnalysis_;
    QPushButton* loadAnalysis2_;
    QButtonGroup* how_;
    QCheckBox* checkBox1_;
};

class TThroughputAnalysisForm : public TAnalysisWindow {
    Q_OBJECT
public:
    explicit TThroughputAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent = nullptr);
    void Recompute() override;
    const ThroughputContent& Content() const { return content_; }
    TMeasurePanel* Upper() const { return upper_; }
    TMeasurePanel* Lower() const { return lower_; }
    void SetUnits(bool kbits);
    void SetWindowPackets(int packets);

protected:
    TipSet Tips() const override;

private:
    ThroughputContent content_;
    ThroughputOptions options_;
    TMeasurePanel* upper_;
    TMeasurePanel* lower_;
    QSpinBox* minimumPackets_;
    QCheckBox* checkBox1_;
};

class TProblemAnalysisForm : public TAnalysisWindow {
    Q_OBJECT
public:
    explicit TProblemAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent = nullptr);
    void Recompute() override;
    const ProblemContent& Content() const { return content_; }
    // A click on a line: the toolbox comes to the front with the line's first packet selected.
    void LineClick(int line);
    TTextBox* Line(int line) const { return lines_[static_cast<size_t>(line)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const std::vector<int64_t>& FramesOf(int line) const;

    ProblemContent content_;
    QLabel* source_;
    QLabel* destination_;
    QLabel* notice_;
    std::array<TTextBox*, 2 * kProblemLines> lines_{};
};

class TWhatIfAnalysisForm : public TAnalysisWindow {
    Q_OBJECT
public:
    explicit TWhatIfAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent = nullptr);
    // The latency window hands over the inputs of a direction and marks the values to reload.
    void HandOver(const WhatIfInputs& inputs, bool originating);
    void Recompute() override;
    void RestoreOriginalValues();
    const WhatIfValues& Values() const { return values_; }
    QTableWidget* RespGrid() const { return respGrid_; }
    QString CopySelection() const;
    void ValueChanged(int which);

protected:
    TipSet Tips() const override;

private:
    void ShowValues();
    void FillCells();

    WhatIfInputs inputs_;
    bool originating_ = true;
    bool reload_ = true;
    bool showing_ = false;
    WhatIfValues values_;
    QLabel* sourceToDestination_;
    std::array<TBetterSpinEdit*, 10> edits_{};
    QCheckBox* fullDuplex_;
    QTableWidget* respGrid_;
};

}  // namespace quenlix
