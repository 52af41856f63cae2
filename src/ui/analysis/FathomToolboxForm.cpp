#include "ui/analysis/FathomToolboxForm.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>
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

#include "model/StringHelpers.h"
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
const QColor kSelectedRowColour(0xCC, 0xE4, 0xFF);
const QColor kTimeColour(0x60, 0x60, 0x60);
const char* const kStatusHint = "The selected packet: click a row, or use the arrow keys, Ctrl+G and Ctrl+F";

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

void TLadderView::SetLayout(const LadderLayout* layout, int scrollY, int scrollX, int32_t selectedRow)
{
    layout_ = layout;
    scrollY_ = scrollY;
    scrollX_ = scrollX;
    selectedRow_ = selectedRow;
    update();
}

const LadderRow* TLadderView::RowAt(const QPoint& pos) const
{
    if (!layout_) return nullptr;
    const int y = pos.y() + scrollY_;
    for (const LadderRow& row : layout_->Rows)
        if (y >= row.Y - 6 && y <= row.Y + 7) return &row;
    return nullptr;
}

void TLadderView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) emit LadderClicked(event->position().toPoint().y() + scrollY_);
    QWidget::mousePressEvent(event);
}

bool TLadderView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const LadderRow* row = RowAt(help->pos());
        if (row)
            QToolTip::showText(help->globalPos(), Q(row->Details), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
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
        if (row.Ordinal == selectedRow_) p.fillRect(41, y - 6, kLadderWidth - 41, 14, kSelectedRowColour);
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
        // The time and the delta since the row above, in grey before the description.
        const QString when = Q(row.TimeText + " " + row.DeltaText + "  ");
        p.setPen(kTimeColour);
        p.drawText(46 + l, y - 6 + ascent, when);
        p.setPen(Qt::black);
        const QString text = Q(row.Text);
        const int x = 46 + l + metrics.horizontalAdvance(when);
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

    auto* top = new QVBoxLayout(ScrollingBody(*this));
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
    // Frame numbers of a trace of millions of frames show whole.
    for (TBetterSpinEdit* packet : {startPacket_, endPacket_}) packet->FitDigits(7);
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
    status_ = new QLabel;
    top->addWidget(status_);
    panel2_->installEventFilter(this);
    BuildLadderSelection();
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
    ResizeToContent(*this, {820, 560});
    LoadFormPlacement(*this);
}

TFathomToolboxForm::~TFathomToolboxForm() = default;

// The status line under the ladder, the click and keys that select a row, go-to and find.
void TFathomToolboxForm::BuildLadderSelection()
{
    status_->setObjectName("LadderStatus");
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The description may be longer than the window is wide: it never widens the window.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_->setToolTip(kStatusHint);
    paintBox_->setFocusPolicy(Qt::StrongFocus);
    paintBox_->installEventFilter(this);
    connect(paintBox_, &TLadderView::LadderClicked, this, [this](int y) {
        const int32_t row = LadderRowAt(ladderCache_, y);
        if (row >= 0) SelectRow(row);
    });
    const std::pair<QKeySequence, void (TFathomToolboxForm::*)()> shortcuts[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_G), &TFathomToolboxForm::GoToFrameDialog},
        {QKeySequence(Qt::CTRL | Qt::Key_F), &TFathomToolboxForm::FindDialog},
        {QKeySequence(Qt::Key_F3), &TFathomToolboxForm::FindNext}};
    for (const auto& [keys, command] : shortcuts)
        connect(new QShortcut(keys, this), &QShortcut::activated, this, command);
}

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
    // One spacing and one scale at a time: the menus show radio items.
    auto* spacingGroup = new QActionGroup(spacing);
    const std::pair<const char*, int> spacings[] = {
        {"Disable", 0}, {"1 Millisecond", 1}, {"10 Milliseconds", 10}, {"100 Milliseconds", 100}, {"1000 Milliseconds", 1000}};
    for (const auto& [caption, ms] : spacings) {
        QAction* item = spacing->addAction(caption);
        item->setCheckable(true);
        item->setChecked(ms == 10);
        item->setData(ms);
        spacingGroup->addAction(item);
        spacingItems_.push_back(item);
        connect(item, &QAction::triggered, this, [this, ms = ms] { SetSpacing(ms); });
    }
    QMenu* scale = optionsMenu_->addMenu("Packet Scale...");
    auto* scaleGroup = new QActionGroup(scale);
    const std::pair<const char*, PacketScale> scales[] = {
        {"Small", PacketScale::Small}, {"Medium", PacketScale::Medium}, {"Large", PacketScale::Large}};
    for (const auto& [caption, value] : scales) {
        QAction* item = scale->addAction(caption);
        item->setCheckable(true);
        item->setChecked(value == PacketScale::Medium);
        scaleGroup->addAction(item);
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
    // The file's name without its folder, as every other window shows it.
    setWindowTitle(Q(CaptionAfterRead(state_, "Fathom ToolBox (tm) - " + FileNameWithoutFolder(state_.Read.TraceFileName))));
    // Token Ring frames are longer: the large scale halves their divisor back.
    scale_ = state_.Topology == kTopologyTokenRing ? PacketScale::Large : PacketScale::Medium;
    options_.ScaleDivisor = ScaleDivisorFor(scale_, state_.Topology);
    for (size_t i = 0; i < scaleItems_.size(); ++i) scaleItems_[i]->setChecked(static_cast<int>(i) == static_cast<int>(scale_));
    ladderCache_ = LadderCache{};  // a new trace may repeat the old one's indexes
    RebuildToolbox(state_, selection_, options_, preselection_);
    // The source and destination preselection are used once; the application's stays.
    preselection_ = ToolboxPreselection{{}, {}, {}, {}, preselection_.Application};
    ShowBoxes();
    selectedRow_ = -1;
    scrollBar1_->setValue(0);
    state_.ViewStale[kToolboxViewStale] = 0;
    Recalc();
    emit SelectionChanged();
}

void TFathomToolboxForm::ApplyPreselection()
{
    if (state_.ViewStale[kToolboxViewStale]) Rebuild();
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
    selectedRow_ = -1;  // another conversation: other rows
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
    selectedRow_ = -1;  // the rows of another range
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
    selectedRow_ = -1;
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
    if (selectedRow_ >= layout_.RowCount) selectedRow_ = -1;
    paintBox_->SetLayout(&layout_, scrollBar1_->value(), scrollBar2_->value(), selectedRow_);
    if (selectedRow_ < 0) {
        status_->clear();
        status_->setToolTip(kStatusHint);
    }
}

int TFathomToolboxForm::ViewHeight() const { return paintBox_->height(); }

bool TFathomToolboxForm::LadderReady() const
{
    // After a new read the row index names packets of the trace before, until the rebuild.
    return !state_.ViewStale[kToolboxViewStale] && !ladderCache_.Rows.empty();
}

void TFathomToolboxForm::SelectRow(int32_t row)
{
    if (!LadderReady()) return;
    const auto count = static_cast<int32_t>(ladderCache_.Rows.size());
    selectedRow_ = std::clamp(row, 0, count - 1);
    const int y = ladderCache_.Rows[static_cast<size_t>(selectedRow_)].Y;
    const int top = scrollBar1_->value(), height = ViewHeight();
    const int margin = 2;
    // A step to a neighbouring row scrolls it just into view; a jump (go to,
    // find, a problem's packet) puts the row in the middle, among its neighbours.
    if (y < top - height || y > top + 2 * height)
        scrollBar1_->setValue(y - height / 2);
    else if (y - 6 < top)
        scrollBar1_->setValue(y - 6 - margin);
    else if (y + 7 > top + height)
        scrollBar1_->setValue(y + 7 - height + margin);
    Recalc();
    ShowSelectedRow();
}

// The status line: the selected row's whole description, after a notice when one is given.
void TFathomToolboxForm::ShowSelectedRow(const std::string& notice)
{
    std::string text = notice;
    for (const LadderRow& row : layout_.Rows)
        if (row.Ordinal == selectedRow_) text += (text.empty() ? "" : "  ") + row.Details;
    status_->setText(Q(text));
    // The line may be cut off at the window's edge: its tooltip holds all of it.
    status_->setToolTip(Q(text));
}

QString TFathomToolboxForm::StatusText() const { return status_->text(); }

void TFathomToolboxForm::GoToFrame(int64_t frameNo)
{
    if (!LadderReady()) return;
    const int32_t row = LadderRowOfFrame(state_, ladderCache_, frameNo);
    if (row < 0) {
        status_->setText(Q("Frame " + std::to_string(frameNo) + " is after the last packet of this conversation."));
        return;
    }
    SelectRow(row);
    const int32_t packet = ladderCache_.Rows[static_cast<size_t>(row)].Packet;
    const int64_t shown = state_.PacketList[static_cast<size_t>(packet)].FrameNo;
    if (shown != frameNo)
        ShowSelectedRow("Frame " + std::to_string(frameNo) + " is not in this conversation; the next one is selected:");
}

void TFathomToolboxForm::GoToFrameDialog()
{
    if (!LadderReady()) return;
    bool ok = false;
    const int frame = QInputDialog::getInt(this, "Go to Frame", "Frame number:", RangeBoxValue(selection_.FirstFrameNo), 1,
                                           RangeBoxValue(selection_.TotalFrames), 1, &ok);
    if (ok) GoToFrame(frame);
}

void TFathomToolboxForm::FindText(const std::string& text)
{
    findText_ = text;
    FindNext();
}

void TFathomToolboxForm::FindDialog()
{
    if (!LadderReady()) return;
    bool ok = false;
    const QString text = QInputDialog::getText(this, "Find", "Find in the packet descriptions:", QLineEdit::Normal,
                                               Q(findText_), &ok);
    if (ok && !text.isEmpty()) FindText(text.toStdString());
}

void TFathomToolboxForm::FindNext()
{
    if (!LadderReady()) return;
    if (findText_.empty()) {
        FindDialog();
        return;
    }
    // A find may walk the whole ladder: about a second for a million rows.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int32_t row = FindLadderText(state_, selection_, options_, ladderCache_, selectedRow_, findText_);
    QApplication::restoreOverrideCursor();
    if (row < 0) {
        status_->setText(Q("Cannot find \"" + findText_ + "\" in this conversation."));
        return;
    }
    SelectRow(row);
}

void TFathomToolboxForm::ShowFrame(int64_t frameNo)
{
    if (state_.ViewStale[kToolboxViewStale]) Rebuild();
    if (!isVisible()) ShowToolWindow(*this);
    raise();
    GoToFrame(frameNo);
}

// Up, Down, Page Up, Page Down, Home and End move the selection over the ladder's rows.
bool TFathomToolboxForm::LadderKey(int key)
{
    if (!LadderReady()) return false;
    const auto count = static_cast<int32_t>(ladderCache_.Rows.size());
    const int32_t row = selectedRow_;
    switch (key) {
    case Qt::Key_Up: SelectRow(row < 0 ? 0 : row - 1); return true;
    case Qt::Key_Down: SelectRow(row < 0 ? 0 : row + 1); return true;
    case Qt::Key_PageUp: SelectRow(LadderPageFrom(ladderCache_, std::max(row, 0), -ViewHeight())); return true;
    case Qt::Key_PageDown: SelectRow(LadderPageFrom(ladderCache_, std::max(row, 0), ViewHeight())); return true;
    case Qt::Key_Home: SelectRow(0); return true;
    case Qt::Key_End: SelectRow(count - 1); return true;
    default: return false;
    }
}

void TFathomToolboxForm::SetRelativeSeq(bool on)
{
    if (options_.RelativeSeq == on) return;
    options_.RelativeSeq = on;
    Recalc();
    if (selectedRow_ >= 0) ShowSelectedRow();
}

QImage TFathomToolboxForm::LadderPicture()
{
    QImage image(paintBox_->size(), QImage::Format_RGB32);
    paintBox_->render(&image);
    return image;
}

// The picture of the ladder in view, and beside it the whole ladder as the
// text lines the report's --ladder prints.
void TFathomToolboxForm::SpeedButton1Click()
{
    auto* data = new QMimeData;
    data->setImageData(LadderPicture());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string text;
    for (const std::string& line : LadderTextLines(state_, selection_, options_)) text += line + "\n";
    data->setText(Q(text));
    QApplication::restoreOverrideCursor();
    QApplication::clipboard()->setMimeData(data);
}

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
    if (watched == paintBox_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && LadderKey(key->key())) return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFathomToolboxForm::wheelEvent(QWheelEvent* event)
{
    scrollBar1_->setValue(scrollBar1_->value() - event->angleDelta().y() / 120 * 3 * scrollBar1_->singleStep());
    event->accept();
}

}  // namespace quenlix
