#include "ui/analysis/ExpertAnalysisForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "ui/analysis/FathomToolboxForm.h"
#include "ui/controls/BetterSpinEditWidget.h"
#include "ui/controls/QtText.h"
#include "ui/controls/StripButtonWidget.h"
#include "ui/controls/TextBoxWidget.h"
#include "ui/main/FormPlacementWidget.h"
#include "ui/main/TipContent.h"

namespace quenlix {

namespace {

QColor FromRGB(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const QColor kForwardColour(0, 0, 255);
const QColor kReverseColour(0, 128, 128);
constexpr int kChartWidth = 135;
constexpr int kChartHeight = 120;

QLabel* BoldLabel(const QString& text)
{
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

QImage DrawBarChart(const ChartData& data, int width, int height)
{
    const BarChartGeometry g = LayOutBarChart(data, width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QApplication::palette().color(QPalette::Button));
    QPainter p(&image);
    QFont font("Arial");
    font.setPixelSize(10);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawLine(33, 5, 33, g.AxisY);
    p.drawLine(33, g.AxisY, width - 2, g.AxisY);
    p.drawLine(31, g.AxisY - 45, 33, g.AxisY - 45);
    p.drawLine(31, g.AxisY - 90, 33, g.AxisY - 90);
    const int ascent = p.fontMetrics().ascent();
    for (size_t i = 0; i < 4; ++i) {
        p.drawText(g.LabelX[i], height - 14 + ascent, Q(data.Labels[i]));
        const ChartBar& bar = g.Bars[i];
        if (bar.Drawn)
            p.fillRect(QRect(QPoint(bar.Left, bar.Top), QPoint(bar.Right, bar.Bottom)), FromRGB(data.Colours[i]));
    }
    const auto right = [&](int x, int y, const QString& text) {
        p.drawText(QRect(0, y, x, ascent + 4), Qt::AlignRight | Qt::AlignTop, text);
    };
    right(30, height - 21 - ascent / 2, "0");
    right(29, g.AxisY - 90 - 6 - ascent / 2, Q(g.TopLabel).trimmed());
    right(29, g.AxisY - 45 - 6 - ascent / 2, Q(g.MidLabel).trimmed());
    return image;
}

// ---- the measuring panel ---------------------------------------------------------------

TMeasurePanel::TMeasurePanel(const QString& group, const std::array<std::pair<QString, QString>, 4>& values,
                             const std::vector<std::pair<QString, QString>>& packets, const QString& suffix,
                             QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    heading_ = BoldLabel("");
    layout->addWidget(heading_, 0, 0, 1, 3);
    group_ = new QGroupBox(group);
    auto* g = new QGridLayout(group_);
    const char* valueNames[] = {"Min", "Max", "Ave", "PeerContention"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(values[static_cast<size_t>(i)].first);
        auto* box = new TTextBox;
        box->setObjectName(QString(valueNames[i]) + suffix);
        box->setMinimumWidth(90);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setToolTip(values[static_cast<size_t>(i)].second);
        label->setToolTip(values[static_cast<size_t>(i)].second);
        g->addWidget(label, i, 0);
        g->addWidget(box, i, 1);
        values_[static_cast<size_t>(i)] = box;
    }
    image_ = new QLabel;
    image_->setObjectName("Image" + suffix);
    image_->setFixedSize(kChartWidth, kChartHeight);
    g->addWidget(image_, 0, 2, 4, 1);
    auto* buttons = new QVBoxLayout;
    copyGraphic_ = StripButton(this, "CopyGraphic", "Copy graphic to clipboard", StripGlyph::Copy);
    copyData_ = StripButton(this, "CopyData", "Copy data to clipboard", StripGlyph::Copy);
    buttons->addWidget(copyGraphic_);
    buttons->addWidget(copyData_);
    buttons->addStretch();
    g->addLayout(buttons, 0, 3, 4, 1);
    layout->addWidget(group_, 1, 0, 2, 1);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName("Memo" + suffix);
    memo_->setReadOnly(true);
    memo_->setMaximumHeight(60);
    layout->addWidget(memo_, 3, 0, 1, 3);
    auto* packetGroup = new QGroupBox("Packets");
    auto* pg = new QGridLayout(packetGroup);
    for (size_t i = 0; i < packets.size(); ++i) {
        auto* label = new QLabel(packets[i].first);
        auto* box = new TTextBox;
        box->setObjectName(QString("Packet%1").arg(i) + suffix);
        box->setMinimumWidth(80);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setToolTip(packets[i].second);
        label->setToolTip(packets[i].second);
        pg->addWidget(label, static_cast<int>(i), 0);
        pg->addWidget(box, static_cast<int>(i), 1);
        packets_.push_back(box);
    }
    layout->addWidget(packetGroup, 1, 1, 2, 1);
    auto* extra = new QVBoxLayout;
    layout->addLayout(extra, 1, 2, 2, 1);
    extra_ = extra;
    Show("", "Notes", false, {}, {}, ChartData{});
}

void TMeasurePanel::SetGroupCaption(const QString& caption) { group_->setTitle(caption); }

QString TMeasurePanel::ValueText(int i) const { return values_[static_cast<size_t>(i)]->text(); }

void TMeasurePanel::Show(const std::string& heading, const std::string& memo, bool hasResults,
                         const std::array<std::string, 4>& values, const std::vector<std::string>& packets,
                         const ChartData& chart)
{
    heading_->setText(Q(heading));
    memo_->setPlainText(Q(memo));
    for (size_t i = 0; i < 4; ++i) values_[i]->setText(Q(values[i]));
    for (size_t i = 0; i < packets_.size(); ++i) packets_[i]->setText(i < packets.size() ? Q(packets[i]) : QString());
    chart_ = hasResults ? DrawBarChart(chart, kChartWidth, kChartHeight) : QImage();
    image_->setPixmap(hasResults ? QPixmap::fromImage(chart_) : QPixmap());
    copyGraphic_->setEnabled(hasResults);
    copyData_->setEnabled(hasResults);
}

// ---- the shared window behaviour -----------------------------------------------------------

TAnalysisWindow::TAnalysisWindow(TFathomToolboxForm& toolbox, const char* name, int helpContext, QWidget* parent)
    : QWidget(parent), toolbox_(toolbox)
{
    setObjectName(name);
    setProperty("helpContext", helpContext);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [this, helpContext] {
        if (OpenHelp) OpenHelp(helpContext);
    });
    connect(&toolbox_, &TFathomToolboxForm::SelectionChanged, this, [this] {
        if (isVisible()) Recompute();
    });
}

TipSet TAnalysisWindow::Tips() const { return tips::Toolbox(); }

void TAnalysisWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Recompute();
    if (SetTips) SetTips(Tips());
}

void TAnalysisWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && SetTips) SetTips(Tips());
}

void TAnalysisWindow::closeEvent(QCloseEvent* event)
{
    if (RestoreTips) RestoreTips();
    SaveFormPlacement(*this);
    QWidget::closeEvent(event);
}

// ---- latency ------------------------------------------------------------------------------

TLatencyAnalysisForm::TLatencyAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent)
    : TAnalysisWindow(toolbox, "LatencyAnalysisForm", kLatencyHelpContext, parent)
{
    setWindowTitle("Latency Analysis");
    auto* layout = new QVBoxLayout(ScrollingBody(*this));
    const std::array<std::pair<QString, QString>, 4> values = {{
        {"Minimum Round Trip", "Minimum delay of any packet pair"},
        {"Maximum Round Trip", "Maximum delay of any packet pair"},
        {"Average Round Trip", "Average of all pair"},
        {"Average Contention", "Difference between min & ave round trip delay"},
    }};
    const std::vector<std::pair<QString, QString>> packets = {
        {"Total ", "Packets used to measure latency"},
        {"Send-to-Receive Ratio", "Sent to received packet ratio"},
        {"Average Send Size", "Average send packet size in bytes"},
        {"Average Receive Size", "Average receive packet size in bytes"},
        {"Duration", "Duration of conversation"},
    };
    upper_ = new TMeasurePanel("Latency (in milliseconds)", values, packets, "1");
    lower_ = new TMeasurePanel("Latency (in milliseconds)", values, packets, "2");
    upper_->Heading()->setObjectName("SourceToDestination");
    lower_->Heading()->setObjectName("DestinationToSource");
    const auto whatIf = [this](TMeasurePanel* panel, const char* name, bool originating) {
        auto* button = new QPushButton("\"What If\" Analysis");
        button->setObjectName(name);
        button->setToolTip("Perform \"What If\" load & response time analysis");
        panel->Extra()->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, originating] { LoadAnalysisClick(originating); });
        return button;
    };
    loadAnalysis_ = whatIf(upper_, "LoadAnalysis", true);
    loadAnalysis2_ = whatIf(lower_, "LoadAnalysis2", false);
    layout->addWidget(upper_);
    layout->addWidget(lower_);
    auto* bottom = new QHBoxLayout;
    auto* radio = new QGroupBox("Measure Latency Using");
    radio->setObjectName("HowLatencyRadioGroup");
    radio->setToolTip("Choose how latency is measured");
    auto* radioLayout = new QVBoxLayout(radio);
    how_ = new QButtonGroup(this);
    const char* items[] = {"All Command/Response Packets", "Only Command/Small Response Packets",
                           "Only Command/Large Response Packets"};
    for (int i = 0; i < 3; ++i) {
        auto* item = new QRadioButton(items[i]);
        item->setChecked(i == 0);
        how_->addButton(item, i);
        radioLayout->addWidget(item);
    }
    bottom->addWidget(radio);
    checkBox1_ = new QCheckBox("Include Local Media Transmission Time");
    checkBox1_->setObjectName("CheckBox1");
    checkBox1_->setToolTip("Add in transmission time on local media");
    checkBox1_->setChecked(true);
    bottom->addWidget(checkBox1_);
    layout->addLayout(bottom);
    connect(how_, &QButtonGroup::idClicked, this, &TLatencyAnalysisForm::SetHowLatency);
    connect(checkBox1_, &QCheckBox::toggled, this, &TLatencyAnalysisForm::SetIncludeTransmissionTime);
    for (auto [panel, upper] : {std::pair{upper_, true}, std::pair{lower_, false}}) {
        connect(panel->CopyGraphic(), &QToolButton::clicked, this,
                [panel] { QApplication::clipboard()->setImage(panel->Chart()); });
        connect(panel->CopyData(), &QToolButton::clicked, this, [this, panel, upper] {
            QApplication::clipboard()->setText(
                Q(LatencyCopyText(upper ? content_.Upper : content_.Lower, toolbox_.Selection(), upper)));
            (void)panel;
        });
    }
    ResizeToContent(*this, {577, 550});
    LoadFormPlacement(*this);
}

TipSet TLatencyAnalysisForm::Tips() const { return tips::Latency(); }

void TLatencyAnalysisForm::SetHowLatency(int item)
{
    options_.HowLatency = std::clamp(item, 0, 2);
    if (auto* button = how_->button(options_.HowLatency)) button->setChecked(true);
    Recompute();
}

void TLatencyAnalysisForm::SetIncludeTransmissionTime(bool on)
{
    options_.IncludeTransmissionTime = on;
    checkBox1_->setChecked(on);
    Recompute();
}

void TLatencyAnalysisForm::Recompute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    content_ = BuildLatency(toolbox_.State(), toolbox_.Selection(), options_);
    QApplication::restoreOverrideCursor();
    setWindowTitle(Q(CaptionAfterRead(toolbox_.State(), content_.Caption)));
    const auto show = [](TMeasurePanel* panel, const LatencyPanel& c) {
        panel->Show(c.Heading, c.Memo, c.HasResults, {c.Min, c.Max, c.Average, c.Contention},
                    {c.Total, c.Ratio, c.AveSendSize, c.AveReceiveSize, c.Duration}, c.Chart);
    };
    show(upper_, content_.Upper);
    show(lower_, content_.Lower);
    if (!content_.LowerShown) lower_->Memo()->clear();
    loadAnalysis_->setEnabled(content_.Upper.HasResults);
    loadAnalysis2_->setEnabled(content_.LowerShown && content_.Lower.HasResults);
    if (WhatIf && toolbox_.TakeAnalysisStale()) WhatIf->HandOver(content_.Upper.WhatIf, true);
}

void TLatencyAnalysisForm::LoadAnalysisClick(bool originating)
{
    if (!WhatIf) return;
    WhatIf->HandOver(originating ? content_.Upper.WhatIf : content_.Lower.WhatIf, originating);
    if (ShowWindow) ShowWindow(WhatIf);
}

void TLatencyAnalysisForm::closeEvent(QCloseEvent* event)
{
    if (WhatIf && WhatIf->isVisible()) WhatIf->close();
    TAnalysisWindow::closeEvent(event);
}

// ---- throughput ------------------------------------------------------------------------------

TThroughputAnalysisForm::TThroughputAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent)
    : TAnalysisWindow(toolbox, "ThroughputAnalysisForm", kThroughputHelpContext, parent)
{
    setWindowTitle("Throughput Analysis");
    auto* layout = new QVBoxLayout(ScrollingBody(*this));
    const std::array<std::pair<QString, QString>, 4> values = {{
        {"Minimum", "Minimum of Sampling over selected packet range"},
        {"Maximum", "Maximum of Sampling over selected packet range"},
        {"Average", "Average of Sampling over selected packet range"},
        {"Ave Contention", "Difference between min & ave throughput"},
    }};
    const std::vector<std::pair<QString, QString>> packets = {
        {"Total ", "Packets used to measure throughput"},
        {"Bytes", "Total bytes transferred"},
        {"Average Size (bytes)", "Average packet size including CRC"},
        {"Average Payload (bytes)", "Network layer datagram payload"},
        {"Protocol Overhead", "Overhead through network layer header"},
        {"Duration", "Duration of packets transferred"},
    };
    upper_ = new TMeasurePanel("Throughput (in KBytes/Second)", values, packets, "1");
    lower_ = new TMeasurePanel("Throughput (in KBytes/Second)", values, packets, "2");
    upper_->Heading()->setObjectName("SourceToDestination");
    lower_->Heading()->setObjectName("DestinationtoSource");
    layout->addWidget(upper_);
    layout->addWidget(lower_);
    auto* bottom = new QHBoxLayout;
    auto* label = new QLabel("Packet Sample Window");
    minimumPackets_ = new QSpinBox;
    minimumPackets_->setObjectName("MinimumPacketsEdit");
    minimumPackets_->setRange(kMinWindowPackets, kMaxWindowPackets);
    minimumPackets_->setValue(8);
    // Enter on a value below the range takes the smallest window, not the last value.
    minimumPackets_->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    minimumPackets_->setToolTip("\"Sliding window\" for calculating throughput");
    label->setToolTip(minimumPackets_->toolTip());
    auto* recalc = new QPushButton("Recalc");
    recalc->setObjectName("ThruputBtn");
    recalc->setToolTip("Recalculate Throughput with new sampling value");
    recalc->setDefault(true);
    checkBox1_ = new QCheckBox("Show Kbits/Second");
    checkBox1_->setObjectName("CheckBox1");
    checkBox1_->setToolTip("Show throughput in KBits/Second");
    bottom->addWidget(label);
    bottom->addWidget(minimumPackets_);
    bottom->addWidget(recalc);
    bottom->addWidget(checkBox1_);
    bottom->addStretch();
    layout->addLayout(bottom);
    connect(recalc, &QPushButton::clicked, this, [this] { SetWindowPackets(minimumPackets_->value()); });
    connect(minimumPackets_, &QSpinBox::valueChanged, this, &TThroughputAnalysisForm::SetWindowPackets);
    connect(minimumPackets_, &QSpinBox::editingFinished, this, [this] { SetWindowPackets(minimumPackets_->value()); });
    connect(checkBox1_, &QCheckBox::toggled, this, &TThroughputAnalysisForm::SetUnits);
    for (auto [panel, upper] : {std::pair{upper_, true}, std::pair{lower_, false}}) {
        connect(panel->CopyGraphic(), &QToolButton::clicked, this,
                [panel] { QApplication::clipboard()->setImage(panel->Chart()); });
        connect(panel->CopyData(), &QToolButton::clicked, this, [this, upper] {
            QApplication::clipboard()->setText(Q(ThroughputCopyText(upper ? content_.Upper : content_.Lower,
                                                                     toolbox_.Selection(), upper, options_.Units)));
        });
    }
    ResizeToContent(*this, {600, 560});
    LoadFormPlacement(*this);
}

TipSet TThroughputAnalysisForm::Tips() const { return tips::Throughput(); }

void TThroughputAnalysisForm::SetUnits(bool kbits)
{
    options_.Units = kbits ? 8 : 1;
    checkBox1_->setChecked(kbits);
    Recompute();
}

void TThroughputAnalysisForm::SetWindowPackets(int packets)
{
    options_.WindowPackets = static_cast<uint16_t>(std::clamp<int>(packets, kMinWindowPackets, kMaxWindowPackets));
    Recompute();
}

void TThroughputAnalysisForm::Recompute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    content_ = BuildThroughput(toolbox_.State(), toolbox_.Selection(), options_);
    QApplication::restoreOverrideCursor();
    setWindowTitle(Q(CaptionAfterRead(toolbox_.State(), content_.Caption)));
    const auto show = [this](TMeasurePanel* panel, const ThroughputPanel& c) {
        panel->SetGroupCaption(Q(content_.GroupCaption));
        panel->Show(c.Heading, c.Memo, c.HasResults, {c.Min, c.Max, c.Average, c.Contention},
                    {c.Total, c.Bytes, c.AveSize, c.AvePayload, c.Overhead, c.Duration}, c.Chart);
    };
    show(upper_, content_.Upper);
    show(lower_, content_.Lower);
    if (!content_.LowerShown) lower_->Memo()->clear();
}

// ---- problems ----------------------------------------------------------------------------------

TProblemAnalysisForm::TProblemAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent)
    : TAnalysisWindow(toolbox, "ProblemAnalysisForm", kProblemHelpContext, parent)
{
    setWindowTitle("Problem Analysis for ");
    auto* layout = new QVBoxLayout(ScrollingBody(*this));
    // The window opens at the height its lines need; on a shorter screen they scroll.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* who = new QGridLayout;
    source_ = new QLabel;
    source_->setObjectName("Source");
    destination_ = new QLabel;
    destination_->setObjectName("Destination");
    source_->setStyleSheet("color: blue");
    destination_->setStyleSheet("color: teal");
    who->addWidget(new QLabel("Source:"), 0, 0);
    who->addWidget(source_, 0, 1);
    who->addWidget(new QLabel("Destination:"), 1, 0);
    who->addWidget(destination_, 1, 1);
    who->setColumnStretch(1, 1);
    layout->addLayout(who);
    for (int half = 0; half < 2; ++half) {
        layout->addWidget(BoldLabel(half == 0 ? "Source to Destination Problem Summary"
                                              : "Destination to Source Problem Summary"));
        for (int i = 0; i < kProblemLines; ++i) {
            auto* line = new TTextBox;
            line->setObjectName(QString("TextBox%1").arg(half * kProblemLines + i + 1));
            line->setStyleSheet("color: red");
            line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            line->setMinimumWidth(line->fontMetrics().averageCharWidth() * 80);  // the longest sentence
            lines_[static_cast<size_t>(half * kProblemLines + i)] = line;
            line->installEventFilter(this);
            layout->addWidget(line);
        }
    }
    notice_ = new QLabel;
    notice_->setObjectName("Notice");
    layout->addWidget(notice_);
    layout->addStretch();
    ResizeToContent(*this, {0, 0});
}

void TProblemAnalysisForm::Recompute()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    content_ = BuildProblems(toolbox_.State(), toolbox_.Selection(), toolbox_.Ladder());
    QApplication::restoreOverrideCursor();
    setWindowTitle(Q(CaptionAfterRead(toolbox_.State(), content_.Caption)));
    source_->setText(Q(content_.Source));
    destination_->setText(Q(content_.Destination));
    for (int i = 0; i < kProblemLines; ++i) {
        lines_[static_cast<size_t>(i)]->setText(Q(content_.Forward[static_cast<size_t>(i)]));
        lines_[static_cast<size_t>(kProblemLines + i)]->setText(Q(content_.Reverse[static_cast<size_t>(i)]));
    }
    for (int i = 0; i < 2 * kProblemLines; ++i) {
        const std::vector<int64_t>& frames = FramesOf(i);
        TTextBox* line = lines_[static_cast<size_t>(i)];
        line->setCursor(frames.empty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
        line->setToolTip(frames.empty() ? QString()
                                        : QString("Click to select frame %1 in the ladder").arg(frames.front()));
    }
    notice_->setText(Q(content_.Notice));
    // The problem window stays in front of the toolbox it summarises.
    if (!toolbox_.isVisible()) {
        toolbox_.show();
        raise();
    }
}

const std::vector<int64_t>& TProblemAnalysisForm::FramesOf(int line) const
{
    const auto& frames = line < kProblemLines ? content_.ForwardFrames : content_.ReverseFrames;
    return frames[static_cast<size_t>(line % kProblemLines)];
}

void TProblemAnalysisForm::LineClick(int line)
{
    if (line < 0 || line >= 2 * kProblemLines || FramesOf(line).empty()) return;
    toolbox_.ShowFrame(FramesOf(line).front());
}

bool TProblemAnalysisForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto found = std::find(lines_.begin(), lines_.end(), watched);
        if (found != lines_.end()) LineClick(static_cast<int>(found - lines_.begin()));
    }
    return TAnalysisWindow::eventFilter(watched, event);
}

// ---- what if -----------------------------------------------------------------------------------

TWhatIfAnalysisForm::TWhatIfAnalysisForm(TFathomToolboxForm& toolbox, QWidget* parent)
    : TAnalysisWindow(toolbox, "WhatIfAnalysisForm", kWhatIfHelpContext, parent)
{
    setWindowTitle("Load & Response Time Analysis for ");
    auto* layout = new QVBoxLayout(ScrollingBody(*this));
    sourceToDestination_ = BoldLabel("");
    sourceToDestination_->setObjectName("SourceToDestination");
    layout->addWidget(sourceToDestination_);
    auto* groups = new QHBoxLayout;
    auto* network = new QGroupBox("Protocol/Network");
    auto* application = new QGroupBox("Application");
    auto* n = new QGridLayout(network);
    auto* a = new QGridLayout(application);
    struct Edit {
        const char* Name;
        const char* Label;
        const char* Hint;
    };
    const Edit edits[] = {
        {"AveSend", "Ave Send Packet Size", ""},
        {"AveRcv", "Ave Receive Packet Size", ""},
        {"Contention", "Contention (ms)", ""},
        {"Latency", "Latency (ms)", ""},
        {"SendRatio", "Packet Send", ""},
        {"RcvRatio", "Receive Ratio", ""},
        {"Host", "Host Processing (ms)", "Additional Host Processing Time"},
        {"Client", "Client Processing (ms)", "Addtional Client Processing Time"},
        {"PktsTrans", "Packets Per Transaction", ""},
        {"Users", "Simultaneous Users", ""},
    };
    auto* ratio = new QFrame;
    ratio->setFrameShape(QFrame::Panel);
    ratio->setFrameShadow(QFrame::Sunken);
    auto* r = new QHBoxLayout(ratio);
    for (int i = 0; i < 10; ++i) {
        auto* edit = new TBetterSpinEdit;
        edit->setObjectName(edits[i].Name);
        if (*edits[i].Hint) edit->setToolTip(edits[i].Hint);
        edits_[static_cast<size_t>(i)] = edit;
        auto* label = new QLabel(edits[i].Label);
        if (i < 4) {
            n->addWidget(label, i, 0);
            n->addWidget(edit, i, 1);
        } else if (i < 6) {
            // "Packet Send" [n] "to" [n] "Receive Ratio"
            if (i == 4) {
                r->addWidget(label);
                r->addWidget(edit);
            } else {
                r->addWidget(new QLabel("to"));
                r->addWidget(edit);
                r->addWidget(label);
            }
        } else {
            a->addWidget(label, i - 6, 0);
            a->addWidget(edit, i - 6, 1);
        }
        connect(edit, &TBetterSpinEdit::OnChange, this, [this, i] { ValueChanged(i); });
    }
    n->addWidget(ratio, 4, 0, 1, 2);
    groups->addWidget(network);
    groups->addWidget(application);
    layout->addLayout(groups);
    auto* buttons = new QHBoxLayout;
    fullDuplex_ = new QCheckBox("Full Duplex");
    fullDuplex_->setObjectName("FullDuplex");
    fullDuplex_->setChecked(true);
    auto* restore = new QPushButton("&Restore Original Values");
    restore->setObjectName("Button1");
    auto* copy = StripButton(this, "SpeedBtn", "Copy selected portion of table to clipboard", StripGlyph::Copy);
    buttons->addWidget(fullDuplex_);
    buttons->addWidget(restore);
    buttons->addWidget(copy);
    buttons->addStretch();
    layout->addLayout(buttons);
    respGrid_ = new QTableWidget(40, 6);
    respGrid_->setObjectName("RespGrid");
    respGrid_->verticalHeader()->hide();
    respGrid_->verticalHeader()->setDefaultSectionSize(16);
    const int widths[] = {67, 118, 98, 93, 63, 103};
    for (int c = 0; c < 6; ++c) respGrid_->setColumnWidth(c, widths[c]);
    respGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont courier("Courier");
    courier.setStyleHint(QFont::Monospace);
    courier.setPointSize(9);
    respGrid_->setFont(courier);
    respGrid_->setStyleSheet("QTableWidget { alternate-background-color: aqua; background: white; }"
                             "QTableWidget { selection-background-color: navy; selection-color: white; }"
                             "QHeaderView::section { background: teal; color: white; }"
                             "QHeaderView::section:first { background: palette(button); }");
    respGrid_->setAlternatingRowColors(true);
    layout->addWidget(respGrid_, 1);
    connect(fullDuplex_, &QCheckBox::toggled, this, [this](bool on) {
        values_.FullDuplex = on;
        FillCells();
    });
    connect(restore, &QPushButton::clicked, this, &TWhatIfAnalysisForm::RestoreOriginalValues);
    connect(copy, &QToolButton::clicked, this, [this] { QApplication::clipboard()->setText(CopySelection()); });
    ResizeToContent(*this, {600, 640});
    LoadFormPlacement(*this);
}

TipSet TWhatIfAnalysisForm::Tips() const { return tips::WhatIf(); }

void TWhatIfAnalysisForm::HandOver(const WhatIfInputs& inputs, bool originating)
{
    // The values the user typed stay until other figures or the other direction come.
    const bool same = inputs.Valid == inputs_.Valid && inputs.MinLatency == inputs_.MinLatency &&
                      inputs.AverageContention == inputs_.AverageContention && inputs.AveSendSize == inputs_.AveSendSize &&
                      inputs.AveReceiveSize == inputs_.AveReceiveSize && inputs.RatioText == inputs_.RatioText;
    reload_ = reload_ || !same || originating != originating_;
    inputs_ = inputs;
    originating_ = originating;
    if (isVisible()) Recompute();
}

void TWhatIfAnalysisForm::RestoreOriginalValues()
{
    reload_ = true;
    Recompute();
}

void TWhatIfAnalysisForm::Recompute()
{
    const WhatIfContent texts = BuildWhatIfTexts(toolbox_.Selection(), originating_);
    setWindowTitle(Q(CaptionAfterRead(toolbox_.State(), texts.Caption)));
    sourceToDestination_->setText(Q(texts.Heading));
    sourceToDestination_->setStyleSheet(originating_ ? "color: blue" : "color: teal");
    if (reload_) {
        const bool duplex = values_.FullDuplex;
        values_ = WhatIfDefaults(inputs_, toolbox_.State().Topology);
        values_.FullDuplex = duplex;
        reload_ = false;
    }
    ShowValues();
    FillCells();
}

void TWhatIfAnalysisForm::ShowValues()
{
    showing_ = true;
    const SpinRange size = PacketSizeRange(toolbox_.State().Topology);
    const int ranges[10][2] = {{size.Min, size.Max}, {size.Min, size.Max}, {0, 10000}, {0, 10000}, {1, 100},
                               {1, 100},             {0, 10000},           {0, 10000}, {2, 10000}, {1, 1000}};
    int* fields[10] = {&values_.AveSend, &values_.AveRcv, &values_.Contention, &values_.Latency, &values_.SendRatio,
                       &values_.RcvRatio, &values_.Host, &values_.Client, &values_.PktsTrans, &values_.Users};
    for (size_t i = 0; i < 10; ++i) {
        edits_[i]->SetBounds(ranges[i][0], ranges[i][1]);
        edits_[i]->SetValue(*fields[i]);
    }
    fullDuplex_->setChecked(values_.FullDuplex);
    showing_ = false;
}

void TWhatIfAnalysisForm::ValueChanged(int which)
{
    if (showing_) return;
    int* fields[10] = {&values_.AveSend, &values_.AveRcv, &values_.Contention, &values_.Latency, &values_.SendRatio,
                       &values_.RcvRatio, &values_.Host, &values_.Client, &values_.PktsTrans, &values_.Users};
    *fields[which] = edits_[static_cast<size_t>(which)]->Value();
    ClampWhatIf(values_, toolbox_.State().Topology);
    ShowValues();
    FillCells();
}

void TWhatIfAnalysisForm::FillCells()
{
    const auto rows = WhatIfTable(values_);
    respGrid_->setRowCount(static_cast<int>(rows.size()) - 1);
    for (int c = 0; c < 6; ++c) respGrid_->setHorizontalHeaderItem(c, new QTableWidgetItem(Q(rows[0][static_cast<size_t>(c)])));
    for (size_t r = 1; r < rows.size(); ++r)
        for (size_t c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(Q(rows[r][c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            respGrid_->setItem(static_cast<int>(r) - 1, static_cast<int>(c), item);
        }
}

QString TWhatIfAnalysisForm::CopySelection() const
{
    std::set<int> cols, rows;
    for (const QTableWidgetSelectionRange& range : respGrid_->selectedRanges()) {
        for (int c = range.leftColumn(); c <= range.rightColumn(); ++c) cols.insert(c);
        for (int r = range.topRow(); r <= range.bottomRow(); ++r) rows.insert(r);
    }
    QStringList lines;
    QStringList header;
    for (int c : cols) header << respGrid_->horizontalHeaderItem(c)->text();
    lines << header.join('\t');
    for (int r : rows) {
        QStringList cells;
        for (int c : cols) cells << (respGrid_->item(r, c) ? respGrid_->item(r, c)->text() : QString());
        lines << cells.join('\t');
    }
    return cols.empty() ? QString() : lines.join("\r\n");
}

}  // namespace quenlix
