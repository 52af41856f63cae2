#include "ui/peermaps/PeerMapForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "model/ViewStale.h"
#include "ui/controls/DualListDialogForm.h"
#include "ui/controls/QtText.h"
#include "ui/controls/StripButtonWidget.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/FormPlacementWidget.h"
#include "ui/main/RingMapWidget.h"

namespace quenlix {

namespace {

constexpr int kNetworkHelpContext = 16;
constexpr int kStationHelpContext = 17;

QFont MapFont(int pointSize)
{
    QFont font(kPeerMapFontName);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(std::max(pointSize, 1));
    return font;
}

QColor ColourOf(const RGBColour& colour) { return QColor(colour.R, colour.G, colour.B); }

// More keys than this go in two columns.
constexpr int kKeysInOneColumn = 8;

// The groups beside the map sit tight, so that the whole column fits the
// window's default height without scrolling.
void CompactGroup(QBoxLayout* layout)
{
    layout->setSpacing(1);
    layout->setContentsMargins(6, 2, 6, 4);
}

QString ColourStyle(const PeerKeyBox& box)
{
    return QString("QCheckBox { background-color: %1; color: %2; padding: 1px 2px; }")
        .arg(ColourOf(box.Colour).name(), ColourOf(box.TextColour).name());
}

}  // namespace

// ---- the paint box ----------------------------------------------------------------------

TPeerMapPaintBox::TPeerMapPaintBox(PeerWindowContent& content, QWidget* parent)
    : QWidget(parent), content_(content), copyButton_(new QToolButton(this))
{
    setObjectName("PaintBox1");
    setMinimumSize(120, 100);
    setAutoFillBackground(true);
    copyButton_->setObjectName("SpeedButton1");
    copyButton_->setText("Copy");
    copyButton_->setToolTip("Copy graphic to clipboard");
    copyButton_->setStatusTip("Copy graphic to clipboard");
    copyButton_->setAccessibleName("Copy graphic to clipboard");
    copyButton_->setAutoRaise(true);
    copyButton_->adjustSize();
    setMouseTracking(true);
}

void TPeerMapPaintBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // At the top right: left = map width - 25 for the original 24-pixel button.
    copyButton_->move(width() - copyButton_->width() - 1, 1);
}

QImage TPeerMapPaintBox::Picture()
{
    copyButton_->hide();
    const QImage image = grab().toImage();
    copyButton_->show();
    return image;
}

void TPeerMapPaintBox::paintEvent(QPaintEvent* /*event*/)
{
    const QtRingTextMetrics metrics(this);
    const PeerMapDrawing& map = content_.BuildMap(width(), height(), metrics);
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.setFont(MapFont(map.FontSize));
    const QColor text = ColourOf(dlccolours::kButtonText);
    const QColor shadow = ColourOf(dlccolours::kButtonShadow);
    const QColor highlight = palette().color(QPalette::Highlight);
    for (size_t i = 0; i < map.Labels.size(); ++i) {
        const PeerMapLabel& label = map.Labels[i];
        if (!label.Drawn) continue;
        painter.setPen(static_cast<int>(i) == HighlightedLabel ? highlight : label.Sender ? text : shadow);
        painter.drawText(QRect(label.Left, label.Top, label.Width, label.Height),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, Q(label.Text));
    }
    // The circle goes under the lines, so that a line between neighbours, which
    // runs close along it, stays visible.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ColourOf(map.CircleColour), map.CirclePenWidth));
    painter.drawEllipse(QPoint(map.CentreX, map.CentreY), map.Radius, map.Radius);
    DrawLines(painter, map);
}

void TPeerMapPaintBox::DrawLines(QPainter& painter, const PeerMapDrawing& map) const
{
    // Edges first, so that no edge covers a neighbouring line's colour; the
    // hovered station's lines last and wider, above every other line.
    const auto draw = [&painter, &map, this](bool hovered, int extra) {
        for (const PeerMapSegment& segment : map.Segments) {
            if (SegmentTouchesLabel(map, segment, hoveredLabel_) != hovered) continue;
            if (segment.DarkEdge) {
                painter.setPen(QPen(ColourOf(kPeerLineEdgeColour), segment.Width + extra + kPeerLineEdgeWidth));
                painter.drawLine(segment.X1, segment.Y1, segment.X2, segment.Y2);
            }
        }
        for (const PeerMapSegment& segment : map.Segments) {
            if (SegmentTouchesLabel(map, segment, hoveredLabel_) != hovered) continue;
            painter.setPen(QPen(ColourOf(segment.Colour), segment.Width + extra));
            painter.drawLine(segment.X1, segment.Y1, segment.X2, segment.Y2);
        }
    };
    draw(false, 0);
    draw(true, 2);
}

void TPeerMapPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    SetHoveredLabel(PeerMapLabelAt(content_.LastMap(), at.x(), at.y()), event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

void TPeerMapPaintBox::leaveEvent(QEvent* event)
{
    SetHoveredLabel(-1, {});
    QWidget::leaveEvent(event);
}

void TPeerMapPaintBox::SetHoveredLabel(int label, const QPoint& at)
{
    if (label == hoveredLabel_) return;
    hoveredLabel_ = label;
    if (label < 0)
        QToolTip::hideText();
    else
        QToolTip::showText(at, Q(content_.LabelToolTip(label)), this);
    update();
}

void TPeerMapPaintBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        emit RightClicked(event->position().toPoint());
        return;
    }
    QWidget::mousePressEvent(event);
}

// ---- the window ---------------------------------------------------------------------------

TPeerMapForm::TPeerMapForm(AnalysisState& state, std::unique_ptr<PeerWindowContent> content, int view,
                           TDualListDialogForm* dialog, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), content_(std::move(content)), view_(view), dialog_(dialog)
{
    setMinimumSize(350, 250);
    ResizeWithinScreen(*this, QSize(608, 560));
    pageControl_ = new QTabWidget(this);
    pageControl_->setObjectName("PageControl1");
    auto* mapPage = new QWidget;
    mapPage->setObjectName("PeerMapPage");
    auto* statisticsPage = new QWidget;
    statisticsPage->setObjectName("StatisticsPage");
    pageControl_->addTab(mapPage, "Peer Map");
    pageControl_->addTab(statisticsPage, "Statistics");
    BuildMapPage(mapPage);
    BuildStatisticsPage(statisticsPage);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(pageControl_);

    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("PopupMenu1");
    statistics1_ = popupMenu_->addAction("&Statistics");
    statistics1_->setObjectName("Statistics1");
    connect(statistics1_, &QAction::triggered, this, &TPeerMapForm::Statistics1Click);
    if (content_->HasToolboxItem()) {
        analyze1_ = popupMenu_->addAction("&Fathom ToolBox");
        analyze1_->setObjectName("Analyze1");
        connect(analyze1_, &QAction::triggered, this, &TPeerMapForm::Analyze1Click);
        popupMenu_->addSeparator();
        dlc1_ = popupMenu_->addAction("DLC = ");
        dlc1_->setObjectName("DLC1");
    }
    SyncControls();
}

TPeerMapForm::~TPeerMapForm() = default;

void TPeerMapForm::BuildMapPage(QWidget* page)
{
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(2, 2, 2, 2);
    leftLayout->setSpacing(4);

    modeBox_ = new QGroupBox(Q(content_->ModeGroupCaption()));
    modeBox_->setObjectName(content_->HasToolboxItem() ? "ProtocolRadioGroup" : "IDRadioGroup");
    modeGroup_ = new QButtonGroup(this);
    auto* modeLayout = new QVBoxLayout(modeBox_);
    CompactGroup(modeLayout);
    const auto items = content_->ModeItems();
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        auto* radio = new QRadioButton(Q(items[static_cast<size_t>(i)]));
        modeGroup_->addButton(radio, i);
        modeLayout->addWidget(radio);
    }
    connect(modeGroup_, &QButtonGroup::idClicked, this, &TPeerMapForm::ModeRadioGroupClick);
    leftLayout->addWidget(modeBox_);

    auto* destinationBox = new QGroupBox("Destination");
    destinationBox->setObjectName("DestinationRadioGroup");
    destinationGroup_ = new QButtonGroup(this);
    auto* destinationLayout = new QVBoxLayout(destinationBox);
    CompactGroup(destinationLayout);
    const char* destinations[] = {"All", "Broadcast", "Non-Broadcast"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(destinations[i]);
        destinationGroup_->addButton(radio, i);
        destinationLayout->addWidget(radio);
    }
    connect(destinationGroup_, &QButtonGroup::idClicked, this, &TPeerMapForm::DestinationRadioGroupClick);
    leftLayout->addWidget(destinationBox);

    keyGroup_ = new QGroupBox("Key");
    keyGroup_->setObjectName("KeyGroup");
    auto* keyLayout = new QVBoxLayout(keyGroup_);
    CompactGroup(keyLayout);
    // Two columns of keys when there are more than fit one beside the map at the
    // window's default size (the station window's fifteen).
    auto* keyGrid = new QGridLayout;
    keyGrid->setSpacing(2);
    const int keyRows = content_->KeyCount() > kKeysInOneColumn ? (content_->KeyCount() + 1) / 2 : content_->KeyCount();
    for (int k = 1; k <= content_->KeyCount(); ++k) {
        auto* box = new QCheckBox;
        box->setObjectName(QString("Key%1").arg(k));
        box->setAutoFillBackground(true);
        connect(box, &QCheckBox::clicked, this, [this, k](bool checked) { KeyClick(k, checked); });
        keyGrid->addWidget(box, (k - 1) % keyRows, (k - 1) / keyRows);
        keys_.push_back(box);
    }
    keyLayout->addLayout(keyGrid);
    auto* commands = new QHBoxLayout;
    const std::pair<const char*, PeerWindowContent::KeyCommand> buttons[] = {
        {"On", PeerWindowContent::KeyCommand::On},
        {"Off", PeerWindowContent::KeyCommand::Off},
        {"Inv", PeerWindowContent::KeyCommand::Invert}};
    int number = 1;
    for (const auto& [caption, command] : buttons) {
        auto* button = new QPushButton(caption);
        button->setObjectName(QString("Button%1").arg(number++));
        button->setFixedWidth(34);
        connect(button, &QPushButton::clicked, this, [this, command = command] { KeyCommandClick(command); });
        commands->addWidget(button);
    }
    keyLayout->addLayout(commands);
    leftLayout->addWidget(keyGroup_);

    smartNames2_ = new QCheckBox("SmartNames");
    smartNames2_->setObjectName("SmartNames2");
    showOUI2_ = new QCheckBox(content_->MapOUICaption());
    showOUI2_->setObjectName(content_->HasToolboxItem() ? "ShowIPXOUI2" : "ShowOUI2");
    for (QCheckBox* box : {smartNames2_, showOUI2_}) {
        leftLayout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this] {
            content_->MapSmartNames = smartNames2_->isChecked();
            content_->MapShowOUI = showOUI2_->isChecked();
            paintBox_->update();
        });
    }
    leftLayout->addStretch();

    // The groups of the station window's Protocol view are tall: the column scrolls
    // rather than being cut off in a small window.
    auto* scroll = new QScrollArea;
    scroll->setObjectName("MapControls");
    scroll->setWidget(left);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    mapControls_ = scroll;
    FitMapControls();

    paintBox_ = new TPeerMapPaintBox(*content_, page);
    connect(paintBox_, &TPeerMapPaintBox::RightClicked, this, &TPeerMapForm::RightClick);
    connect(paintBox_->CopyButton(), &QToolButton::clicked, this, &TPeerMapForm::CopyMapClick);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(scroll);
    layout->addWidget(paintBox_, 1);
}

void TPeerMapForm::BuildStatisticsPage(QWidget* page)
{
    auto* strip = new QHBoxLayout;
    QToolButton* up = StripButton(page, "SortAscendingBtn", "Sort Ascending", StripGlyph::SortAscending);
    QToolButton* down = StripButton(page, "SortDescendingBtn", "Sort Descending", StripGlyph::SortDescending);
    QToolButton* copy =
        StripButton(page, "CopytoClipBoardBtn", "Copy selected portion of table to clipboard", StripGlyph::Copy);
    auto* select = new QPushButton("&Select Stations...");
    select->setObjectName("SelStnBtn");
    select->setToolTip("Choose the stations the map and the table show");
    smartNames_ = new QCheckBox("SmartNames");
    smartNames_->setObjectName("SmartNames");
    showOUI_ = new QCheckBox(content_->GridOUICaption());
    showOUI_->setObjectName(content_->HasToolboxItem() ? "ShowIPXOUI" : "ShowOUI");
    for (QWidget* w : std::initializer_list<QWidget*>{up, down, copy, select, smartNames_, showOUI_}) strip->addWidget(w);
    strip->addStretch();
    connect(up, &QToolButton::clicked, this, [this] { SortClick(true); });
    connect(down, &QToolButton::clicked, this, [this] { SortClick(false); });
    connect(copy, &QToolButton::clicked, this, [this] { stnGrid_->CopyToClipboard(); });
    connect(select, &QPushButton::clicked, this, &TPeerMapForm::SelStnBtnClick);
    connect(smartNames_, &QCheckBox::clicked, this, &TPeerMapForm::ShowAddressClick);
    connect(showOUI_, &QCheckBox::clicked, this, &TPeerMapForm::ShowAddressClick);

    stnGrid_ = new TSuperStringGrid(page);
    stnGrid_->setObjectName("StnGrid");
    QFont courier("Courier New");
    courier.setStyleHint(QFont::TypeWriter);
    stnGrid_->setFont(courier);
    stnGrid_->SetFixedFont(courier);
    stnGrid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    stnGrid_->SetCellBackgroundHandler([this](int /*col*/, int row) -> QVariant {
        if (row > 0 && row == content_->HighlightedRow()) return QColor(Qt::yellow);
        return {};
    });
    connect(stnGrid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) return;
        stnGrid_->SyncSelection();
        content_->SortAgain(index.column());
        ShowGrid();
    });
    stnGrid_->EnableHeaderSort();
    connect(stnGrid_, &TSuperStringGrid::HeaderClicked, this, &TPeerMapForm::GridHeaderClick);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(strip);
    layout->addWidget(MakeGridFilterBox(stnGrid_, page));
    layout->addWidget(stnGrid_, 1);
}

QCheckBox* TPeerMapForm::KeyBox(int key) const
{
    return key >= 1 && static_cast<size_t>(key) <= keys_.size() ? keys_[static_cast<size_t>(key - 1)] : nullptr;
}

void TPeerMapForm::SyncControls()
{
    setWindowTitle(Q(CaptionAfterRead(state_, content_->Caption())));
    const auto items = content_->ModeItems();
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (QAbstractButton* radio = modeGroup_->button(i)) radio->setText(Q(items[static_cast<size_t>(i)]));
    if (QAbstractButton* radio = modeGroup_->button(content_->Mode())) radio->setChecked(true);
    if (QAbstractButton* radio = destinationGroup_->button(static_cast<int>(content_->Destination))) radio->setChecked(true);
    const PeerKeyPanel panel = content_->Keys();
    keyGroup_->setVisible(panel.GroupVisible);
    for (size_t i = 0; i < keys_.size() && i < panel.Boxes.size(); ++i) {
        const PeerKeyBox& box = panel.Boxes[i];
        QCheckBox* check = keys_[i];
        check->setText(Q(box.Caption));
        check->setStyleSheet(ColourStyle(box));
        check->setVisible(box.Visible);
        const QSignalBlocker blocker(check);
        check->setChecked(content_->KeyChecked(static_cast<int>(i) + 1));
    }
    FitMapControls();
    for (QCheckBox* box : {smartNames2_, showOUI2_, smartNames_, showOUI_}) box->blockSignals(true);
    smartNames2_->setChecked(content_->MapSmartNames);
    showOUI2_->setChecked(content_->MapShowOUI);
    showOUI2_->setEnabled(content_->MapShowOUIEnabled);
    smartNames_->setChecked(content_->GridSmartNames);
    showOUI_->setChecked(content_->GridShowOUI);
    showOUI_->setEnabled(content_->GridShowOUIEnabled);
    showOUI2_->setVisible(content_->ShowOUIVisible);
    showOUI_->setVisible(content_->ShowOUIVisible);
    for (QCheckBox* box : {smartNames2_, showOUI2_, smartNames_, showOUI_}) box->blockSignals(false);
}

void TPeerMapForm::FitMapControls()
{
    // The column only widens, so that the map does not jump from mode to mode.
    const int width = mapControls_->widget()->sizeHint().width() + mapControls_->verticalScrollBar()->sizeHint().width();
    if (width > mapControls_->minimumWidth()) mapControls_->setFixedWidth(width);
}

void TPeerMapForm::ShowGrid()
{
    stnGrid_->Content() = content_->Grid();
    stnGrid_->Refresh();
}

void TPeerMapForm::FormActivate()
{
    if (Hooks.SetTips) Hooks.SetTips(Tips());
    const bool rebuilt = RebuildIfStale(state_, view_, [this] {
        content_->Rebuild();
        ShowGrid();
    });
    if (!rebuilt) {
        // An unchanged trace keeps its rows; only the OUI boxes are set again, and
        // the address cells rewritten when that changed their form.
        const bool gridOUI = content_->GridShowOUI;
        if (auto* network = dynamic_cast<NetworkStatisticsContent*>(content_.get())) network->UpdateOUIBoxes();
        if (auto* stations = dynamic_cast<StationStatsContent*>(content_.get())) stations->UpdateOUIBoxes();
        if (content_->GridShowOUI != gridOUI) {
            content_->RewriteAddresses();
            ShowGrid();
        }
    }
    SyncControls();
    paintBox_->update();
}

bool TPeerMapForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) FormActivate();
    return QWidget::event(event);
}

void TPeerMapForm::closeEvent(QCloseEvent* event)
{
    SaveFormPlacement(*this);
    if (Hooks.RestoreTips) Hooks.RestoreTips();
    QWidget::closeEvent(event);
}

void TPeerMapForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && Hooks.OpenHelp) {
        Hooks.OpenHelp(helpContext_);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPeerMapForm::ModeRadioGroupClick(int mode)
{
    content_->ChooseMode(mode);
    SyncControls();
    paintBox_->update();
}

void TPeerMapForm::DestinationRadioGroupClick(int destination)
{
    content_->Destination = static_cast<PeerDestination>(std::clamp(destination, 0, 2));
    paintBox_->update();
}

void TPeerMapForm::KeyClick(int key, bool checked)
{
    if (content_->ClickKey(key, checked)) paintBox_->update();
}

void TPeerMapForm::KeyCommandClick(PeerWindowContent::KeyCommand command)
{
    content_->ApplyKeyCommand(command);
    SyncControls();
    paintBox_->update();
}

bool TPeerMapForm::PreparePopup(const QPoint& point)
{
    const auto popup = content_->RightClick(point.x(), point.y());
    if (!popup) return false;
    paintBox_->HighlightedLabel = popup->Station;
    statistics1_->setEnabled(popup->StatisticsEnabled);
    if (analyze1_ != nullptr) analyze1_->setEnabled(popup->ToolboxEnabled && static_cast<bool>(Hooks.ShowToolbox));
    if (dlc1_ != nullptr) dlc1_->setText(Q(popup->DLCCaption));
    return true;
}

void TPeerMapForm::RightClick(const QPoint& point)
{
    if (!PreparePopup(point)) return;
    paintBox_->repaint();
    // The repaint laid the map out again; the menu opens just below the label
    // if it is still there, else at the click.
    const auto& labels = content_->LastMap().Labels;
    const int hit = paintBox_->HighlightedLabel;
    QPoint at = point;
    if (hit >= 0 && hit < static_cast<int>(labels.size())) {
        const auto& label = labels[static_cast<size_t>(hit)];
        at = QPoint(label.Left, label.Top + label.Height);
    }
    popupMenu_->exec(paintBox_->mapToGlobal(at));
    paintBox_->HighlightedLabel = -1;
    paintBox_->update();
}

void TPeerMapForm::Statistics1Click()
{
    const int row = content_->HighlightSelected();
    ShowGrid();
    pageControl_->setCurrentIndex(1);
    // The grid shows its first rows, unless the station's row lies below them:
    // then that row becomes the top row (the view keeps its last page full).
    stnGrid_->scrollToTop();
    if (row <= 0) return;
    const QModelIndex index = stnGrid_->model()->index(row - 1, 0);
    if (stnGrid_->visualRect(index).bottom() > stnGrid_->viewport()->height())
        stnGrid_->scrollTo(index, QAbstractItemView::PositionAtTop);
    stnGrid_->setCurrentIndex(index);
}

void TPeerMapForm::Analyze1Click()
{
    SetViewStale(state_, kViewToolbox);
    if (Hooks.ShowToolbox) Hooks.ShowToolbox(content_->SelectedAddressText, content_->SelectedAddressOUIText);
}

void TPeerMapForm::SelStnBtnClick()
{
    DualListContent lists = content_->SelectStationsLists();
    TDualListDialogForm local(this);
    TDualListDialogForm& dialog = dialog_ != nullptr ? *dialog_ : local;
    if (!dialog.Execute(lists)) return;
    content_->ApplySelectStations(lists);
    ShowGrid();
    paintBox_->update();
}

void TPeerMapForm::SortClick(bool ascending)
{
    stnGrid_->SyncSelection();
    const int col = std::max(stnGrid_->currentIndex().column(), 0);
    content_->SortColumn(col, ascending);
    ShowGrid();
    stnGrid_->setCurrentIndex(stnGrid_->model()->index(0, col));
}

void TPeerMapForm::GridHeaderClick(int col)
{
    headerSort_.Click(col);
    // The selected station stays selected wherever the sort puts it.
    const std::vector<std::string> selected = stnGrid_->CurrentRowTexts();
    const int currentCol = std::max(stnGrid_->currentIndex().column(), 0);
    content_->SortColumn(col, headerSort_.Ascending);
    ShowGrid();
    stnGrid_->SelectRowWithTexts(selected, currentCol);
    stnGrid_->ShowSortIndicator(col, headerSort_.Ascending);
}

void TPeerMapForm::ShowAddressClick()
{
    content_->GridSmartNames = smartNames_->isChecked();
    content_->GridShowOUI = showOUI_->isChecked();
    content_->RewriteAddresses();
    ShowGrid();
}

void TPeerMapForm::CopyMapClick() { QApplication::clipboard()->setImage(paintBox_->Picture()); }

// ---- the two windows -------------------------------------------------------------------------

namespace {

std::string ColumnOrderOf(const std::string& iniFile, const char* section)
{
    return IniValue(ReadIniFile(iniFile), section, kColumnOrderKey);
}

}  // namespace

TNetworkStatisticsForm::TNetworkStatisticsForm(AnalysisState& state, TDualListDialogForm* dialog,
                                               const std::string& iniFile, QWidget* parent)
    : TPeerMapForm(state, std::make_unique<NetworkStatisticsContent>(state), kViewNetwork, dialog, parent)
{
    setObjectName("NetworkStatisticsForm");
    helpContext_ = kNetworkHelpContext;
    Content().SetColumnOrderValue(ColumnOrderOf(iniFile, kNetworkIniSection));
    LoadFormPlacement(*this);
}

TStationStats::TStationStats(AnalysisState& state, TDualListDialogForm* dialog, const std::string& iniFile,
                             QWidget* parent)
    : TPeerMapForm(state, std::make_unique<StationStatsContent>(state), kViewStation, dialog, parent)
{
    setObjectName("StationStats");
    helpContext_ = kStationHelpContext;
    Content().SetColumnOrderValue(ColumnOrderOf(iniFile, kStationIniSection));
    LoadFormPlacement(*this);
}

std::string ProgramIniFile()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return (program.absolutePath() + "/" + program.completeBaseName() + ".INI").toStdString();
}

}  // namespace quenlix
