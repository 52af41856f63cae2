#include "ui/main/DLCErrorWidget.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "import/TraceImport.h"
#include "ui/controls/CanvasPanelWidget.h"
#include "ui/controls/GroupBoxWidget.h"
#include "ui/controls/QtText.h"
#include "ui/controls/TextBoxWidget.h"
#include "ui/main/RingMapWidget.h"

namespace quenlix {

namespace {

QString JoinedLines(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines) list << Q(line);
    return list.join('\n');
}

QLabel* HintedLabel(const QString& text, const QString& hint, bool red = false)
{
    auto* label = Plain(new QLabel(text));
    if (!hint.isEmpty()) label->setToolTip(hint);
    if (red) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
    }
    return label;
}

TTextBox* CountBox(const QString& name, bool red, int minimumWidth = 64)
{
    auto* box = Plain(new TTextBox);
    box->setObjectName(name);
    box->setMinimumWidth(minimumWidth);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (red) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        box->setPalette(palette);
    }
    box->setText("0");
    return box;
}

QPlainTextEdit* NotesMemo(const QString& name)
{
    auto* memo = new QPlainTextEdit;
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setPlainText(kNotesText);
    return memo;
}

// A colour square and its caption, one entry of a colour key.
QWidget* ColourKeyEntry(const QString& text, const QColor& colour)
{
    auto* entry = new QWidget;
    auto* layout = new QHBoxLayout(entry);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    QPixmap swatch(12, 12);
    swatch.fill(colour);
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 11, 11);
    painter.end();
    auto* square = new QLabel;
    square->setPixmap(swatch);
    layout->addWidget(square);
    layout->addWidget(Plain(new QLabel(text)), 1);
    return entry;
}

QGroupBox* ColourKey(const QString& name, const std::vector<std::pair<QString, RGBColour>>& entries)
{
    QGroupBox* group = BoldGroup("Station Color Key", name);
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    for (const auto& [text, colour] : entries) layout->addWidget(ColourKeyEntry(text, QColor(colour.R, colour.G, colour.B)));
    return group;
}

// A radio group: a group box of radio buttons, the first checked.
QGroupBox* RadioGroup(const QString& caption, const QString& name, const QStringList& items, QButtonGroup*& buttons)
{
    QGroupBox* group = BoldGroup(caption, name);
    auto* layout = new QVBoxLayout(group);
    layout->setSpacing(2);
    buttons = new QButtonGroup(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = Plain(new QRadioButton(items[i]));
        radio->setObjectName(name + QString::number(i));
        radio->setChecked(i == 0);
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    return group;
}

}  // namespace

TDLCErrorPage::TDLCErrorPage(const AnalysisState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    setObjectName("DLCTabSheet");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(BuildPageStrip());
    layout->addWidget(BuildEthernetPanel(), 1);
    layout->addWidget(BuildTokenRingPanel(), 1);
    ClearEthernetErrors();
    ShowPanel(kTopologyEthernet);
}

TRingMapPaintBox* TDLCErrorPage::RingMapPaintBox() const
{
    return ringMapPanel_->PaintBox();
}

// ---- construction -------------------------------------------------------------------

QWidget* TDLCErrorPage::BuildPageStrip()
{
    auto* strip = new QWidget;
    strip->setObjectName("DLCPageStrip");
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    copyButton_ = new QPushButton(kDLCCopyButtonCaption);
    copyButton_->setObjectName("DLCCopyButton");
    showByOUI_ = new QCheckBox(kShowDLCbyOUICaption);
    showByOUI_->setObjectName("ShowDLCbyOUI");
    layout->addWidget(copyButton_);
    layout->addSpacing(12);
    layout->addWidget(showByOUI_);
    layout->addStretch(1);
    connect(copyButton_, &QPushButton::clicked, this, &TDLCErrorPage::DLCCopyButtonClick);
    connect(showByOUI_, &QCheckBox::clicked, this, &TDLCErrorPage::ShowDLCbyOUIClick);
    return strip;
}

QWidget* TDLCErrorPage::BuildEthernetPanel()
{
    ethernetPanel_ = new QWidget;
    ethernetPanel_->setObjectName("EthernetPanel");
    auto* layout = new QGridLayout(ethernetPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(BuildCollisionGroup(), 0, 0);
    layout->addWidget(BuildFrameErrorsGroup(), 0, 1);
    ethernetNotes_ = NotesMemo("EthernetNotesMemo");
    layout->addWidget(ethernetNotes_, 1, 0, 1, 2);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
    return ethernetPanel_;
}

QGroupBox* TDLCErrorPage::BuildCollisionGroup()
{
    QGroupBox* group = BoldGroup("Collision Fragment Analysis", "CollisionGroupBox");
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    for (size_t c = 0; c < kCollisionColumns.size(); ++c) {
        const GridColumn& column = kCollisionColumns[c];
        QLabel* heading = HintedLabel(column.Header, column.Tip, c >= 2);
        heading->setAlignment((column.Alignment == GridAlignment::Left ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignBottom);
        grid->addWidget(heading, 0, static_cast<int>(c));
    }
    for (int n = 1; n <= kCollisionRows; ++n) {
        CollisionRowWidgets& row = collisionRows_[static_cast<size_t>(n - 1)];
        row.Source = Plain(new QLabel);
        row.Source->setObjectName(QString("EthernetSource%1").arg(n));
        row.Source->setMinimumWidth(110);
        row.Transmits = CountBox(QString("EthernetTrans%1").arg(n), false, 72);
        row.Retransmits = CountBox(QString("EthernetRetrans%1").arg(n), true, 72);
        row.Gauge = Plain(new TGauge);
        row.Gauge->setObjectName(QString("EthernetGauge%1").arg(n));
        row.Gauge->setMinimumWidth(90);
        grid->addWidget(row.Source, n, 0);
        grid->addWidget(row.Transmits, n, 1);
        grid->addWidget(row.Retransmits, n, 2);
        grid->addWidget(row.Gauge, n, 3);
    }
    grid->setColumnStretch(0, 1);
    return group;
}

QGroupBox* TDLCErrorPage::BuildFrameErrorsGroup()
{
    QGroupBox* group = BoldGroup("Frame Error Summary", "FrameErrorsGroupBox");
    auto* grid = new QGridLayout(group);
    grid->setVerticalSpacing(4);
    const auto& boxes = FrameErrorBoxes();
    for (size_t i = 0; i < boxes.size(); ++i) {
        grid->addWidget(HintedLabel(boxes[i].Label, boxes[i].Hint), static_cast<int>(i), 0);
        frameErrorBoxes_[i] = CountBox(boxes[i].BoxName, true, 72);
        frameErrorBoxes_[i]->setToolTip(boxes[i].Hint);  // each box carries its label's hint
        grid->addWidget(frameErrorBoxes_[i], static_cast<int>(i), 1);
    }
    grid->setRowStretch(static_cast<int>(boxes.size()), 1);
    return group;
}

QWidget* TDLCErrorPage::BuildTokenRingPanel()
{
    tokenRingPanel_ = new QWidget;
    tokenRingPanel_->setObjectName("TokenRingPanel");
    auto* layout = new QVBoxLayout(tokenRingPanel_);
    layout->setContentsMargins(0, 0, 0, 0);
    tokenRingPages_ = new QTabWidget;
    tokenRingPages_->setObjectName("DLCTokenRingPageControl");
    ringMapPage_ = BuildRingMapPage();
    tokenRingPages_->addTab(ringMapPage_, "Ring Map Diagnostic");
    // The summary scrolls when the window is too low for its ten rows.
    auto* softErrorScroller = new QScrollArea;
    softErrorScroller->setObjectName("StatisticsScroller");
    softErrorScroller->setFrameShape(QFrame::NoFrame);
    softErrorScroller->setWidgetResizable(true);
    softErrorScroller->setWidget(BuildSoftErrorPage());
    tokenRingPages_->addTab(softErrorScroller, "Soft Error Summary");
    tokenRingPages_->setCurrentIndex(0);
    layout->addWidget(tokenRingPages_);
    connect(tokenRingPages_, &QTabWidget::currentChanged, this, &TDLCErrorPage::DLCTokenRingPageControlChange);
    return tokenRingPanel_;
}

QWidget* TDLCErrorPage::BuildRingMapPage()
{
    auto* page = new QWidget;
    page->setObjectName("RingMap");
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(BuildRingMapControls());
    canvasPanel_ = new TCanvasPanel;
    canvasPanel_->setObjectName("CanvasPanel1");
    auto* canvasLayout = new QVBoxLayout(canvasPanel_);
    canvasLayout->setContentsMargins(2, 2, 2, 2);
    ringMapPanel_ = new TRingMapPanel;
    canvasLayout->addWidget(ringMapPanel_);
    layout->addWidget(canvasPanel_, 1);
    connect(ringMapPanel_->CopyButton(), &QPushButton::clicked, this, &TDLCErrorPage::CopyRingMapBtnClick);
    return page;
}

QWidget* TDLCErrorPage::BuildRingMapControls()
{
    using namespace dlccolours;
    auto* panel = new QWidget;
    panel->setObjectName("Panel12");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RadioGroup("Fault Domain", "DomainRadioGroup", {"Burst Errors", "Line Errors"}, domainGroup_));
    std::vector<std::pair<QString, RGBColour>> roles;
    for (RingPollRole role : {RingPollRole::ActiveMonitor, RingPollRole::ExActiveMonitor, RingPollRole::Deinserted,
                              RingPollRole::StandbyMonitor})
        roles.emplace_back(RingPollRoleName(role), RingPollColour(role));
    ringPollKey_ = ColourKey("RingPollGroupBox", roles);
    layout->addWidget(ringPollKey_);
    layout->addWidget(
        RadioGroup("ID Station by", "StationIDRadioGroup", {"Ring Poll", "Station Errors"}, stationIdGroup_));
    stationErrorsKey_ = ColourKey("StationErrorsGroupBox",
                                  {{"Rcvr Congestion", kYellow}, {"Internal Error", kRed}, {"Transmit Abort", kFuchsia}});
    stationErrorsKey_->hide();
    layout->addWidget(stationErrorsKey_);
    layout->addStretch(1);
    // Both radio groups share one handler.
    connect(domainGroup_, &QButtonGroup::idClicked, this, [this] { DomainRadioGroupClick(); });
    connect(stationIdGroup_, &QButtonGroup::idClicked, this, [this] { DomainRadioGroupClick(); });
    return panel;
}

QWidget* TDLCErrorPage::BuildSoftErrorPage()
{
    auto* page = new QWidget;
    page->setObjectName("Statistics");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    // Column headings over the three groups, aligned with their columns.
    auto* headings = new QWidget;
    auto* headingLayout = new QGridLayout(headings);
    headingLayout->setContentsMargins(10, 0, 10, 0);
    headingLayout->setColumnMinimumWidth(0, 110);
    const auto& texts = SoftErrorHeadings();
    for (size_t c = 0; c < texts.size(); ++c) {
        QLabel* heading = HintedLabel(texts[c].Label, texts[c].Hint);
        heading->setAlignment(c < 2 ? Qt::AlignRight | Qt::AlignBottom : Qt::AlignLeft | Qt::AlignBottom);
        if (c < 2) heading->setMinimumWidth(64);
        headingLayout->addWidget(heading, 0, static_cast<int>(c) + 1);
    }
    headingLayout->setColumnStretch(3, 1);
    layout->addWidget(headings);
    for (int group = 0; group < static_cast<int>(SoftErrorGroups().size()); ++group)
        layout->addWidget(BuildSoftErrorGroup(group));
    softErrorNotes_ = NotesMemo("Memo1");
    softErrorNotes_->setMinimumHeight(48);
    layout->addWidget(softErrorNotes_, 1);
    return page;
}

QGroupBox* TDLCErrorPage::BuildSoftErrorGroup(int group)
{
    const SoftErrorGroup& info = SoftErrorGroups()[static_cast<size_t>(group)];
    static const char* const names[] = {"FaultDomainGroupBox", "RingWideGroupBox", "StationSpecificGroupBox"};
    QGroupBox* box = BoldGroup(info.Caption, names[group], info.Hint);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(0, 110);
    int line = 0;
    for (const SoftErrorRowInfo& row : SoftErrorRows()) {
        if (row.Group != group) continue;
        SoftErrorRowWidgets& widgets = softErrorRows_[static_cast<size_t>(row.Kind)];
        widgets.Total = CountBox(row.TotalBoxName, true);
        widgets.Stations = CountBox(row.StationsBoxName, true);
        widgets.List = Plain(new QComboBox);
        widgets.List->setObjectName(row.ListName);
        widgets.List->setEditable(false);
        widgets.List->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        widgets.List->setMinimumContentsLength(32);
        widgets.Total->setToolTip(row.Hint);
        widgets.Stations->setToolTip(row.Hint);
        grid->addWidget(HintedLabel(row.Label, row.Hint), line, 0);
        grid->addWidget(widgets.Total, line, 1);
        grid->addWidget(widgets.Stations, line, 2);
        grid->addWidget(widgets.List, line, 3);
        ++line;
    }
    grid->setColumnStretch(3, 1);
    return box;
}

// ---- the panels -----------------------------------------------------------------------

void TDLCErrorPage::ShowPanel(TopologyCode topology)
{
    topology_ = topology;
    const bool tokenRing = topology == kTopologyTokenRing;
    ethernetPanel_->setVisible(!tokenRing);
    tokenRingPanel_->setVisible(tokenRing);
    DLCTokenRingPageControlChange();
}

void TDLCErrorPage::Refresh()
{
    ShowPanel(state_.Topology);
    if (topology_ == kTopologyTokenRing)
        UpdateTokenRingErrors();
    else
        UpdateEthernetErrors();
}

bool TDLCErrorPage::ByOUI() const
{
    return showByOUI_->isChecked();
}

void TDLCErrorPage::ClearEthernetErrors()
{
    ethernet_ = quenlix::ClearEthernetErrors();
    ShowEthernetContent();
}

void TDLCErrorPage::UpdateEthernetErrors()
{
    ethernet_ = quenlix::UpdateEthernetErrors(state_, ByOUI());
    ShowEthernetContent();
}

void TDLCErrorPage::ShowEthernetContent()
{
    for (size_t i = 0; i < frameErrorBoxes_.size(); ++i) frameErrorBoxes_[i]->setText(Q(ethernet_.FrameErrors[i]));
    for (size_t n = 0; n < collisionRows_.size(); ++n) {
        const CollisionRow& row = ethernet_.Rows[n];
        collisionRows_[n].Source->setText(Q(row.Source));
        collisionRows_[n].Transmits->setText(Q(row.Transmits));
        collisionRows_[n].Retransmits->setText(Q(row.Retransmits));
        collisionRows_[n].Gauge->SetProgress(row.Gauge);
    }
    ethernetNotes_->setPlainText(JoinedLines(ethernet_.Notes));
}

void TDLCErrorPage::UpdateTokenRingErrors()
{
    softErrors_ = quenlix::UpdateTokenRingErrors(state_, ByOUI());
    ShowSoftErrorContent();
    RingMapPaintBox()->SetInput(BuildRingMapInput(state_));
    RingMapPaintBox()->SetOptions(CurrentRingMapOptions());
}

void TDLCErrorPage::ShowSoftErrorContent()
{
    for (int kind = 0; kind < kSoftErrorKinds; ++kind) {
        const SoftErrorRowWidgets& row = softErrorRows_[static_cast<size_t>(kind)];
        row.Total->setText(Q(softErrors_.Totals[static_cast<size_t>(kind)]));
        row.Stations->setText(Q(softErrors_.StationsText(kind)));
        row.List->clear();
        for (const std::string& item : softErrors_.Lists[static_cast<size_t>(kind)]) row.List->addItem(Q(item));
        row.List->setCurrentIndex(row.List->count() > 0 ? 0 : -1);
    }
    softErrorNotes_->setPlainText(JoinedLines(softErrors_.Notes));
}

RingMapOptions TDLCErrorPage::CurrentRingMapOptions() const
{
    RingMapOptions options;
    options.ShowByOUI = ByOUI();
    options.Domain = domainGroup_->checkedId() == 1 ? FaultDomain::LineErrors : FaultDomain::BurstErrors;
    options.IdBy = stationIdGroup_->checkedId() == 1 ? StationID::StationErrors : StationID::RingPoll;
    return options;
}

// ---- commands -------------------------------------------------------------------------

void TDLCErrorPage::ShowDLCbyOUIClick()
{
    if (topology_ == kTopologyTokenRing)
        UpdateTokenRingErrors();
    else
        UpdateEthernetErrors();
}

void TDLCErrorPage::DomainRadioGroupClick()
{
    const bool byErrors = stationIdGroup_->checkedId() == 1;
    stationErrorsKey_->setVisible(byErrors);
    ringPollKey_->setVisible(!byErrors);
    // Only the drawing changes: the lists are not recomputed.
    RingMapPaintBox()->SetOptions(CurrentRingMapOptions());
}

void TDLCErrorPage::DLCTokenRingPageControlChange()
{
    // The ring map has a copy button of its own.
    const bool onRingMap = tokenRingPages_->currentWidget() == ringMapPage_;
    copyButton_->setVisible(topology_ != kTopologyTokenRing || !onRingMap);
}

void TDLCErrorPage::DLCCopyButtonClick()
{
    if (topology_ == kTopologyTokenRing && tokenRingPages_->currentWidget() == ringMapPage_) {
        CopyRingMapBtnClick();
    } else {
        const std::string text =
            topology_ == kTopologyTokenRing ? SoftErrorSummaryText(softErrors_) : EthernetSummaryText(ethernet_);
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(Q(text));
    }
    DLCTokenRingPageControlChange();
}

QImage TDLCErrorPage::RingMapPicture()
{
    // The picture leaves out the copy button.
    QPushButton* button = ringMapPanel_->CopyButton();
    const bool hidden = button->isHidden();
    button->hide();
    canvasPanel_->repaint();
    QImage picture = canvasPanel_->Picture();
    if (!hidden) button->show();
    return picture;
}

void TDLCErrorPage::CopyRingMapBtnClick()
{
    QApplication::clipboard()->setImage(RingMapPicture());
}

}  // namespace quenlix
