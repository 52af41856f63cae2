#include "ui/analysis/FathomToolboxForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>

#include "ui/controls/BetterSpinEditWidget.h"
#include "ui/controls/QtText.h"
#include "ui/controls/StripButtonWidget.h"
#include "ui/main/FormPlacementWidget.h"
#include "ui/main/TipContent.h"

namespace quenlix {

namespace {

const QColor kForwardColour(0, 0, 255);
const QColor kReverseColour(0, 128, 128);
const QColor kPlaceholderColour(0xC0, 0xC0, 0xC0);

QFont LadderFont()
{
    QFont font("Arial");
    font.setPixelSize(11);
    return font;
}

// A frame number as the range boxes hold it: they take 32-bit signed values, so
// the frames of a trace past that are reached only through the whole range.
int32_t RangeBoxValue(int64_t frameNo) { return static_cast<int32_t>(std::clamp<int64_t>(frameNo, 1, INT32_MAX)); }

}  // namespace

// ---- the ladder ---------------------------------------------------------------------------

TLadderView::TLadderView(QWidget* parent) : QWidget(parent)
{
    setObjectName("PaintBox1");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLadderView::SetLayout(const LadderLayout* layout, int scrollY, int scrollX)
{
    layout_ = layout;
    scrollY_ = scrollY;
    scrollX_ = scrollX;
    update();
}

void TLadderView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.translate(-scrollX_, 0);
    p.setPen(kForwardColour);
    p.drawLine(kLadderAxisX, 0, kLadderAxisX, height());
    if (!layout_) return;
    p.setFont(LadderFont());
    const QFontMetrics metrics(p.font());
    const int ascent = metrics.ascent();
    p.setPen(Qt::black);
    for (const LadderTick& tick : layout_->Ticks) {
        const int y = tick.Y - scrollY_;
        p.drawLine(41, y, tick.Right, y);
    }
    for (const LadderLabel& label : layout_->Labels) p.drawText(56, label.Y - scrollY_ + ascent, Q(label.Text));
    for (const LadderBreak& gap : layout_->Breaks) {
        const int y = gap.Y - scrollY_;
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawLine(64, y + 5, 64, y + 25);
        p.setPen(Qt::black);
        p.drawText(56, y + 26 + ascent, Q(gap.Text));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const LadderRow& row : layout_->Rows) {
        const int y = row.Y - scrollY_;
        const int l = row.ArrowLength;
        const QColor colour = row.Placeholder ? kPlaceholderColour : row.Forward ? kForwardColour : kReverseColour;
        QPolygon arrow;
        if (row.Forward)
            arrow << QPoint(42, y - 5) << QPoint(42 + l - 3, y - 5) << QPoint(42 + l, y) << QPoint(42 + l - 3, y + 6)
                  << QPoint(42, y + 6);
        else
            arrow << QPoint(45, y - 5) << QPoint(45 + l - 3, y - 5) << QPoint(45 + l - 3, y + 6) << QPoint(45, y + 6)
                  << QPoint(42, y);
        p.setPen(colour);
        p.setBrush(colour);
        p.drawPolygon(arrow);
        p.setPen(Qt::black);
        if (!row.Placeholder) p.drawText(1, y - 6 + ascent, QString::number(row.FrameNo));
        const QString text = Q(row.Text);
        const int x = 46 + l;
        p.drawText(x, y - 6 + ascent, text);
        if (!row.Annotations.empty()) {
            p.setPen(Qt::red);
            p.drawText(x + metrics.horizontalAdvance(text), y - 6 + ascent, Q(row.Annotations));
        }
    }
}

// ---- the window -----------------------------------------------------------------------------

TFathomToolboxForm::TFathomToolboxForm(AnalysisState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    setObjectName("FathomToolboxForm");
    setWindowTitle("Fathom ToolBox (tm) - ");
    setWhatsThis(QString::number(kToolboxHelpContext));
    setProperty("helpContext", kToolboxHelpContext);
    resize(820, 560);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    auto* row1 = new QHBoxLayout;
    skein_ = new QLabel("Skein (tm)");
    QFont bold = skein_->font();
    bold.setBold(true);
    bold.setItalic(true);
    skein_->setFont(bold);
    row1->addWidget(skein_);

    const auto box = [&](const char* caption, const char* name, const QColor& colour) {
        auto* group = new QVBoxLayout;
        auto* label = new QLabel(caption);
        auto* combo = new QComboBox;
        combo->setObjectName(name);
        combo->setMinimumWidth(170);
        label->setBuddy(combo);
        if (colour.isValid()) {
            QPalette palette = combo->palette();
            palette.setColor(QPalette::Text, colour);
            palette.setColor(QPalette::ButtonText, colour);
            combo->setPalette(palette);
        }
        group->addWidget(label);
        group->addWidget(combo);
        row1->addLayout(group);
        return combo;
    };
    sourceBox_ = box("&Source", "SourceBox", kForwardColour);
    sourceBox_->setToolTip("The station that sent first");
    swapBtn_ = new QToolButton;
    swapBtn_->setObjectName("SwapBtn");
    swapBtn_->setText("<->");
    swapBtn_->setToolTip("Swap Source & Destination");
    row1->addWidget(swapBtn_, 0, Qt::AlignBottom);
    targetBox_ = box("&Destination", "TargetBox", kReverseColour);
    targetBox_->setToolTip("The station it sent to");
    appBox_ = box("&Protocol/Application", "AppBox", QColor());
    appBox_->setMinimumWidth(240);
    appBox_->setToolTip("The protocol or application of the conversation");
    row1->addStretch();
    top->addLayout(row1);

    auto* row2 = new QHBoxLayout;
    auto* range = new QGroupBox("Packet Scan Range");
    range->setObjectName("GroupBox1");
    auto* rangeLayout = new QHBoxLayout(range);
    startPacket_ = new TBetterSpinEdit;
    startPacket_->setObjectName("StartPacketSpinEdit");
    startPacket_->setToolTip("First packet drawn and analysed");
    endPacket_ = new TBetterSpinEdit;
    endPacket_->setObjectName("EndPacketSpinEdit");
    endPacket_->setToolTip("Last packet drawn and analysed");
    rangeLayout->addWidget(new QLabel("From"));
    rangeLayout->addWidget(startPacket_);
    rangeLayout->addWidget(new QLabel("To"));
    rangeLayout->addWidget(endPacket_);
    row2->addWidget(range);
    const auto button = [&](const char* caption, const char* name, const char* hint) {
        auto* b = new QPushButton(caption);
        b->setObjectName(name);
        b->setToolTip(hint);
        row2->addWidget(b, 0, Qt::AlignBottom);
        return b;
    };
    latencyBtn_ = button("Latency Analysis", "LatencyBtn", "Response times of the conversation");
    thruputBtn_ = button("Throughput Analysis", "ThruputBtn", "Sending rates of the conversation");
    problemBtn_ = button("Problem Analysis", "ProblemBtn", "Summary of the problems marked in red");
    problemBtn_->setEnabled(false);
    optionsButton_ = button("&Options", "OptionsButton", "Skein display options");
    connect(button("Export These Packets", "ExportBtn", "Export the conversation's packets in the range as pcapng"),
            &QPushButton::clicked, this, &TFathomToolboxForm::ExportBtnClick);
    speedButton1_ = StripButton(this, "SpeedButton1", "Copy graphic to clipboard", StripGlyph::Copy);
    row2->addWidget(speedButton1_, 0, Qt::AlignBottom);
    row2->addStretch();
    top->addLayout(row2);

    panel2_ = new QWidget;
    panel2_->setObjectName("Panel2");
    paintBox_ = new TLadderView(panel2_);
    scrollBar1_ = new QScrollBar(Qt::Vertical, panel2_);
    scrollBar1_->setObjectName("ScrollBar1");
    scrollBar1_->setSingleStep(12);
    scrollBar2_ = new QScrollBar(Qt::Horizontal, panel2_);
    scrollBar2_->setObjectName("ScrollBar2");
    scrollBar2_->setSingleStep(9);
    scrollBar2_->setPageStep(72);
    top->addWidget(panel2_, 1);
    panel2_->installEventFilter(this);
    BuildOptionsMenu();

    connect(sourceBox_, &QComboBox::currentIndexChanged, this, &TFathomToolboxForm::SourceBoxChange);
    connect(targetBox_, &QComboBox::currentIndexChanged, this, &TFathomToolboxForm::TargetBoxChange);
    connect(appBox_, &QComboBox::currentIndexChanged, this, &TFathomToolboxForm::AppBoxChange);
    connect(swapBtn_, &QToolButton::clicked, this, &TFathomToolboxForm::SwapBtnClick);
    connect(startPacket_, &TBetterSpinEdit::OnChange, this, &TFathomToolboxForm::RangeChange);
    connect(endPacket_, &TBetterSpinEdit::OnChange, this, &TFathomToolboxForm::RangeChange);
    connect(latencyBtn_, &QPushButton::clicked, this, &TFathomToolboxForm::LatencyBtnClick);
    connect(thruputBtn_, &QPushButton::clicked, this, &TFathomToolboxForm::ThruputBtnClick);
    connect(problemBtn_, &QPushButton::clicked, this, &TFathomToolboxForm::ProblemBtnClick);
    connect(speedButton1_, &QToolButton::clicked, this, &TFathomToolboxForm::SpeedButton1Click);
    connect(optionsButton_, &QPushButton::clicked, this, [this] {
        const QSize size = optionsMenu_->sizeHint();
        optionsMenu_->popup(optionsButton_->mapToGlobal(QPoint(0, -size.height())));
    });
    connect(scrollBar1_, &QScrollBar::valueChanged, this, [this] { Recalc(); });
    connect(scrollBar2_, &QScrollBar::valueChanged, this, [this] { Recalc(); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [this] {
        if (OpenHelp) OpenHelp(kToolboxHelpContext);
    });
    LoadFormPlacement(*this);
}

TFathomToolboxForm::~TFathomToolboxForm() = default;

void TFathomToolboxForm::BuildOptionsMenu()
{
    optionsMenu_ = new QMenu(this);
    optionsMenu_->setObjectName("OptionsPopupMenu");
    QAction* dlc = optionsMenu_->addAction("DLC Summary");
    dlc->setCheckable(true);
    connect(dlc, &QAction::toggled, this, [this](bool on) {
        options_.DlcSummary = on;
        Recalc();
    });
    QAction* net = optionsMenu_->addAction("Net Summary");
    net->setCheckable(true);
    net->setChecked(true);
    connect(net, &QAction::toggled, this, [this](bool on) {
        options_.NetSummary = on;
        Recalc();
    });
    QMenu* spacing = optionsMenu_->addMenu("Packet Spacing...");
    const std::pair<const char*, int> spacings[] = {
        {"Disable", 0}, {"1 Millisecond", 1}, {"10 Milliseconds", 10}, {"100 Milliseconds", 100}, {"1000 Milliseconds", 1000}};
    for (const auto& [caption, ms] : spacings) {
        QAction* item = spacing->addAction(caption);
        item->setCheckable(true);
        item->setChecked(ms == 10);
        item->setData(ms);
        spacingItems_.push_back(item);
        connect(item, &QAction::triggered, this, [this, ms = ms] { SetSpacing(ms); });
    }
    QMenu* scale = optionsMenu_->addMenu("Packet Scale...");
    const std::pair<const char*, PacketScale> scales[] = {
        {"Small", PacketScale::Small}, {"Medium", PacketScale::Medium}, {"Large", PacketScale::Large}};
    for (const auto& [caption, value] : scales) {
        QAction* item = scale->addAction(caption);
        item->setCheckable(true);
        item->setChecked(value == PacketScale::Medium);
        scaleItems_.push_back(item);
        connect(item, &QAction::triggered, this, [this, value = value] { SetScale(value); });
    }
    QAction* ipx = optionsMenu_->addAction("IPX Lower by OUI");
    ipx->setCheckable(true);
    ipx->setChecked(true);
    connect(ipx, &QAction::toggled, this, [this](bool on) {
        options_.IpxLowerByOUI = on;
        RefillAddressTexts(state_, selection_, options_);
        ShowBoxes();
        Recalc();
    });
}

void TFathomToolboxForm::Preselect(const ToolboxPreselection& preselection)
{
    preselection_ = preselection;
    state_.ViewStale[kToolboxViewStale] = 1;
    if (isVisible()) FormActivate();
}

void TFathomToolboxForm::Rebuild()
{
    setWindowTitle(Q("Fathom ToolBox (tm) - " + state_.Read.TraceFileName));
    // Token Ring frames are longer: the large scale halves their divisor back.
    scale_ = state_.Topology == kTopologyTokenRing ? PacketScale::Large : PacketScale::Medium;
    options_.ScaleDivisor = ScaleDivisorFor(scale_, state_.Topology);
    for (size_t i = 0; i < scaleItems_.size(); ++i) scaleItems_[i]->setChecked(static_cast<int>(i) == static_cast<int>(scale_));
    ladderCache_ = LadderCache{};  // a new trace may repeat the old one's indexes
    RebuildToolbox(state_, selection_, options_, preselection_);
    // The source and destination preselection are used once; the application's stays.
    preselection_ = ToolboxPreselection{{}, {}, {}, {}, preselection_.Application};
    ShowBoxes();
    scrollBar1_->setValue(0);
    state_.ViewStale[kToolboxViewStale] = 0;
    Recalc();
    emit SelectionChanged();
}

bool TFathomToolboxForm::TakeAnalysisStale()
{
    const bool stale = selection_.AnalysisStale;
    selection_.AnalysisStale = false;
    return stale;
}

void TFathomToolboxForm::ShowBoxes()
{
    showingBoxes_ = true;
    const auto fill = [](QComboBox* box, const std::vector<std::string>& items, int index) {
        box->clear();
        for (const std::string& item : items) box->addItem(Q(item));
        box->setCurrentIndex(index);
    };
    fill(sourceBox_, selection_.SourceItems, selection_.SourceIndex);
    fill(targetBox_, selection_.TargetItems, selection_.TargetIndex);
    fill(appBox_, selection_.AppItems, selection_.AppIndex);
    swapBtn_->setEnabled(!selection_.NoReversePath);
    const int32_t top = RangeBoxValue(selection_.TotalFrames);
    startPacket_->SetBounds(1, top);
    endPacket_->SetBounds(1, top);
    startPacket_->SetValue(selection_.FirstFrameNo);
    endPacket_->SetValue(RangeBoxValue(selection_.LastFrameNo));
    showingBoxes_ = false;
}

void TFathomToolboxForm::SelectionMoved(bool scrollToTop)
{
    ShowBoxes();
    if (scrollToTop) scrollBar1_->setValue(0);
    Recalc();
    emit SelectionChanged();
}

void TFathomToolboxForm::SourceBoxChange(int index)
{
    if (showingBoxes_ || index == selection_.SourceIndex) return;
    SelectSource(state_, selection_, options_, index);
    SelectionMoved(true);
}

void TFathomToolboxForm::TargetBoxChange(int index)
{
    if (showingBoxes_ || index == selection_.TargetIndex) return;
    SelectTarget(state_, selection_, index);
    SelectionMoved(true);
}

void TFathomToolboxForm::AppBoxChange(int index)
{
    if (showingBoxes_ || index == selection_.AppIndex) return;
    SelectApp(selection_, index);
    SelectionMoved(true);
}

void TFathomToolboxForm::SwapBtnClick()
{
    if (selection_.NoReversePath) return;
    SwapSelection(state_, selection_, options_);
    SelectionMoved(true);
}

void TFathomToolboxForm::RangeChange()
{
    if (showingBoxes_) return;
    SetFrameRange(selection_, startPacket_->Value(), endPacket_->Value());
    showingBoxes_ = true;
    startPacket_->SetBounds(1, RangeBoxValue(selection_.LastFrameNo));
    endPacket_->SetBounds(RangeBoxValue(selection_.FirstFrameNo), RangeBoxValue(selection_.TotalFrames));
    showingBoxes_ = false;
    Recalc();
    emit SelectionChanged();
}

void TFathomToolboxForm::LatencyBtnClick()
{
    if (ShowAnalysis && LatencyWindow) ShowAnalysis(LatencyWindow);
}

void TFathomToolboxForm::ThruputBtnClick()
{
    if (ShowAnalysis && ThroughputWindow) ShowAnalysis(ThroughputWindow);
}

void TFathomToolboxForm::ProblemBtnClick()
{
    if (ShowAnalysis && ProblemWindow && problemBtn_->isEnabled()) ShowAnalysis(ProblemWindow);
}

void TFathomToolboxForm::ExportBtnClick()
{
    const TransactionAnalysis query = ToolboxQuery(state_, selection_);
    if (!ExportPackets || query.SelectedApp < 0) return;
    ExportPackets(ConversationFrameNumbers(state_, query), query.FirstFrameNo, query.LastFrameNo);
}

void TFathomToolboxForm::SetSpacing(int spacingMs)
{
    for (QAction* item : spacingItems_) item->setChecked(item->data().toInt() == spacingMs);
    options_.SpacingMs = spacingMs;
    scrollBar1_->setValue(0);
    Recalc();
}

void TFathomToolboxForm::SetScale(PacketScale scale)
{
    scale_ = scale;
    for (size_t i = 0; i < scaleItems_.size(); ++i) scaleItems_[i]->setChecked(static_cast<int>(i) == static_cast<int>(scale));
    options_.ScaleDivisor = ScaleDivisorFor(scale, state_.Topology);
    Recalc();
}

void TFathomToolboxForm::Recalc()
{
    const int barWidth = scrollBar1_->sizeHint().width();
    const int barHeight = scrollBar2_->sizeHint().height();
    const int width = panel2_->width(), height = panel2_->height();
    scrollBar1_->setGeometry(width - barWidth, 0, barWidth, std::max(height - barHeight, 0));
    scrollBar2_->setGeometry(0, height - barHeight, std::max(width - barWidth, 0), barHeight);
    const int viewHeight = std::max(height - barHeight, 0);
    paintBox_->setGeometry(0, 0, std::max(width - barWidth, 0), viewHeight);
    scrollBar1_->setPageStep(std::max(height, 1));
    scrollBar2_->setMaximum(std::max(kLadderWidth - width, 0));
    // Until the next activation rebuilds the selection after a new read, its
    // station pointers may name nodes of the trace before: a resize then keeps the
    // rows laid out last instead of walking them.
    if (state_.ViewStale[kToolboxViewStale]) return;
    const int scrollY = scrollBar1_->value();
    layout_ = LayOutLadder(state_, selection_, options_, scrollY, scrollY + viewHeight, &ladderCache_);
    const int maximum = layout_.Height <= viewHeight ? 0 : layout_.Height - viewHeight + 2;
    const QSignalBlocker block(scrollBar1_);
    scrollBar1_->setMaximum(maximum);
    problemBtn_->setEnabled(layout_.ProblemTotal > 0);
    paintBox_->SetLayout(&layout_, scrollBar1_->value(), scrollBar2_->value());
}

QImage TFathomToolboxForm::LadderPicture()
{
    QImage image(paintBox_->size(), QImage::Format_RGB32);
    paintBox_->render(&image);
    return image;
}

void TFathomToolboxForm::SpeedButton1Click() { QApplication::clipboard()->setImage(LadderPicture()); }

void TFathomToolboxForm::FormActivate()
{
    if (state_.ViewStale[kToolboxViewStale]) Rebuild();
    if (SetTips) SetTips(tips::Toolbox());
}

void TFathomToolboxForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormActivate();
}

void TFathomToolboxForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TFathomToolboxForm::closeEvent(QCloseEvent* event)
{
    for (QWidget* window : {LatencyWindow, ThroughputWindow, ProblemWindow})
        if (window && window->isVisible()) window->close();
    SaveFormPlacement(*this);
    QWidget::closeEvent(event);
}

void TFathomToolboxForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Recalc();
}

bool TFathomToolboxForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panel2_ && event->type() == QEvent::Resize) Recalc();
    return QWidget::eventFilter(watched, event);
}

void TFathomToolboxForm::wheelEvent(QWheelEvent* event)
{
    scrollBar1_->setValue(scrollBar1_->value() - event->angleDelta().y() / 120 * 3 * scrollBar1_->singleStep());
    event->accept();
}

}  // namespace quenlix
