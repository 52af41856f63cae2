#include "ui/main/ClientServerWidget.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "ui/controls/QtText.h"
#include "ui/controls/StripButtonWidget.h"
#include "ui/controls/SuperStringGridWidget.h"

namespace quenlix {

namespace {

constexpr int kLegendLines = 3;

// The hourglass for the length of a build or a sort.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QPlainTextEdit* LegendMemo(QWidget* parent, const char* name, const std::vector<std::string>& lines)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList text;
    for (const std::string& line : lines) text << Q(line);
    memo->setPlainText(text.join('\n'));
    const int frame = 2 * memo->frameWidth();
    const int margins = static_cast<int>(2 * memo->document()->documentMargin());
    memo->setFixedHeight(kLegendLines * memo->fontMetrics().lineSpacing() + frame + margins + 2);
    int widest = 0;
    for (const QString& line : text) widest = std::max(widest, memo->fontMetrics().horizontalAdvance(line));
    memo->setMinimumWidth(widest + frame + margins + 4);
    return memo;
}

// A menu caption shows "&" only when doubled; a vendor name may hold one.
QString MenuText(const std::string& text)
{
    return Q(text).replace('&', "&&");
}

}  // namespace

TClientServerPage::TClientServerPage(QWidget* parent)
    : QWidget(parent), csPanel_(new QWidget(this)), noCSPackets_(new QLabel(this)),
      serverGrid_(new TSuperStringGrid(csPanel_))
{
    setObjectName("ClientServerTabSheet");
    csPanel_->setObjectName("CSPanel");
    noCSPackets_->setObjectName("NoCSPackets");
    noCSPackets_->setText(Q(kNoCSPacketsCaption));
    noCSPackets_->setAlignment(Qt::AlignCenter);
    noCSPackets_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    noCSPackets_->hide();

    serverGrid_->setObjectName("ServerGrid");
    serverGrid_->AutoWidth = false;  // the build sizes the columns once, at its end
    QFont bold = serverGrid_->font();
    bold.setBold(true);
    serverGrid_->SetFixedFont(bold);
    serverGrid_->SetCellFontHandler([this](QFont& font, int col, int row) { ServerGridGetCellFont(font, col, row); });
    serverGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
    serverGrid_->installEventFilter(this);
    connect(serverGrid_, &QWidget::customContextMenuRequested, this, &TClientServerPage::ServerGridMouseDown);
    connect(serverGrid_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { ServerGridDblClick(index.column()); });
    serverGrid_->EnableHeaderSort();
    connect(serverGrid_, &TSuperStringGrid::HeaderClicked, this, &TClientServerPage::ServerGridHeaderClick);
    connect(serverGrid_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        if (!restoringCursor_) ServerGridClick();
    });

    auto* panelLayout = new QVBoxLayout(csPanel_);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(BuildToolStrip());
    panelLayout->addWidget(serverGrid_, 1);
    panelLayout->addWidget(BuildLegend());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(csPanel_);
    layout->addWidget(noCSPackets_);
    BuildPopUp();
    InitServerGrid();
}

QWidget* TClientServerPage::BuildToolStrip()
{
    auto* strip = new QWidget(csPanel_);
    strip->setObjectName("CSToolStrip");
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    sortAscendingBtn_ = StripButton(strip, "SortAscendingBtn", "Sort Ascending", StripGlyph::SortAscending);
    sortDescendingBtn_ = StripButton(strip, "SortDescendingBtn", "Sort Descending", StripGlyph::SortDescending);
    copyToClipboardBtn_ =
        StripButton(strip, "CopyToClipboardBtn", "Copy selected portion of table to clipboard", StripGlyph::Copy);
    smartNames_ = new QCheckBox("SmartNames", strip);
    smartNames_->setObjectName("SmartNames");
    smartNames_->setChecked(content_.SmartNames);
    showIPXOUI_ = new QCheckBox("Show IPX Node by OUI", strip);
    showIPXOUI_->setObjectName("ShowIPXOUI");
    showIPXOUI_->setChecked(content_.ShowIPXOUI);
    showIPXOUI_->hide();
    layout->addWidget(sortAscendingBtn_);
    layout->addWidget(sortDescendingBtn_);
    layout->addWidget(copyToClipboardBtn_);
    layout->addSpacing(12);
    layout->addWidget(smartNames_);
    layout->addSpacing(8);
    layout->addWidget(showIPXOUI_);
    layout->addStretch(1);
    filterBox_ = MakeGridFilterBox(serverGrid_, strip);
    filterBox_->setMinimumWidth(filterBox_->fontMetrics().averageCharWidth() * 36);
    layout->addWidget(filterBox_);
    connect(sortAscendingBtn_, &QToolButton::clicked, this, &TClientServerPage::SortAscendingBtnClick);
    connect(sortDescendingBtn_, &QToolButton::clicked, this, &TClientServerPage::SortDescendingBtnClick);
    connect(copyToClipboardBtn_, &QToolButton::clicked, this, &TClientServerPage::CopyToClipboardBtnClick);
    // Both boxes rewrite the name columns.
    connect(smartNames_, &QCheckBox::toggled, this, &TClientServerPage::SmartNamesClick);
    connect(showIPXOUI_, &QCheckBox::toggled, this, &TClientServerPage::SmartNamesClick);
    return strip;
}

QWidget* TClientServerPage::BuildLegend()
{
    auto* legend = new QFrame(csPanel_);
    legend->setObjectName("Panel28");
    legend->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* layout = new QHBoxLayout(legend);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(3);
    const auto& memos = ServerGridLegend();
    const char* names[] = {"Memo2", "Memo3", "Memo4"};
    for (size_t i = 0; i < memos.size(); ++i) {
        QPlainTextEdit* memo = LegendMemo(legend, names[i], memos[i]);
        // Each memo gets the share of the width that its longest line needs.
        layout->addWidget(memo, memo->minimumWidth());
    }
    legend->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return legend;
}

void TClientServerPage::BuildPopUp()
{
    csPopUp_ = new QMenu(this);
    csPopUp_->setObjectName("CSPopUp");
    const std::pair<const char*, const char*> items[] = {{"&Fathom ToolBox", "Toolbox1"},
                                                         {"&Latency Analysis", "LatencyAnalysis1"},
                                                         {"&Throughput Analysis", "ThroughputAnalysis1"}};
    for (size_t i = 0; i < rowItems_.size(); ++i) {
        QAction* item = csPopUp_->addAction(items[i].first);
        item->setObjectName(items[i].second);
        item->setEnabled(false);  // until its command is given
        const auto window = static_cast<RowWindow>(i);
        connect(item, &QAction::triggered, this, [this, window] { OpenRowWindow(window); });
        rowItems_[i] = item;
    }
    divider1_ = csPopUp_->addSeparator();
    divider1_->setObjectName("Divider1");
    divider1_->setVisible(false);
    dlcAddressIs1_ = csPopUp_->addAction("DLC Address is");
    dlcAddressIs1_->setObjectName("DLCAddressis1");
    dlcAddressIs1_->setVisible(false);
}

void TClientServerPage::SetRowCommand(RowWindow window, std::function<void()> command)
{
    const auto i = static_cast<size_t>(window);
    rowCommands_[i] = std::move(command);
    rowItems_[i]->setEnabled(static_cast<bool>(rowCommands_[i]));
}

void TClientServerPage::OpenRowWindow(RowWindow window)
{
    const auto& command = rowCommands_[static_cast<size_t>(window)];
    if (!command) return;
    // The window opens on the conversation the highlight shows, even when the
    // toolbox has been given another one since.
    ServerGridClick();
    command();
}

// ---- building -------------------------------------------------------------------

void TClientServerPage::InitServerGrid()
{
    quenlix::InitServerGrid(content_);
    toolboxSelection_.reset();
    ShowContent(true);
}

void TClientServerPage::UpdateServerGrid(const AnalysisState& state)
{
    const WaitCursor wait;
    state_ = &state;
    toolboxSelection_.reset();
    quenlix::UpdateServerGrid(state, content_);
    csPanel_->setVisible(!content_.NoCSPackets);
    noCSPackets_->setVisible(content_.NoCSPackets);
    showIPXOUI_->setVisible(content_.ShowIPXOUIVisible);
    ShowContent(true);
}

void TClientServerPage::ShowContent(bool rebuilt)
{
    if (rebuilt) {
        // New rows: no cell is current and the columns fit the new texts.
        serverGrid_->Content() = ServerGridWithMarks(content_);
        serverGrid_->Refresh();
        serverGrid_->AutoSizeColumns();
        return;
    }
    // The same rows reordered or renamed: the cursor keeps its cell (putting it
    // back is no choice of a row by the user), and a column keeps its width
    // unless its new texts (names instead of addresses) need more.
    std::vector<int> widths;
    for (int col = 0; col < kServerGridColumns; ++col) widths.push_back(serverGrid_->columnWidth(col));
    const int currentCol = CurrentColumn();
    const int currentRow = CurrentRow();
    GridContent& shown = serverGrid_->Content();
    shown = ServerGridWithMarks(content_);
    restoringCursor_ = true;
    serverGrid_->Refresh();
    const QModelIndex cursor = serverGrid_->model()->index(currentRow - shown.FixedRows(), currentCol);
    if (cursor.isValid()) serverGrid_->selectionModel()->setCurrentIndex(cursor, QItemSelectionModel::ClearAndSelect);
    restoringCursor_ = false;
    serverGrid_->AutoSizeColumns();
    for (int col = 0; col < kServerGridColumns; ++col)
        serverGrid_->setColumnWidth(col, std::max(widths[static_cast<size_t>(col)], serverGrid_->columnWidth(col)));
}

void TClientServerPage::ServerGridGetCellFont(QFont& font, int col, int row) const
{
    // The marks are shown as the bullet character of the grid's own font (a
    // symbol font would map the character elsewhere and draw nothing); bold
    // makes the bullet stand out as a mark.
    if (IsServerMarkCell(col, row)) font.setBold(true);
}

// ---- commands ----------------------------------------------------------------------

int TClientServerPage::CurrentColumn() const
{
    const QModelIndex current = serverGrid_->currentIndex();
    return current.isValid() ? current.column() : content_.ServerGrid.Col();
}

int TClientServerPage::CurrentRow() const
{
    const QModelIndex current = serverGrid_->currentIndex();
    return current.isValid() ? serverGrid_->GridRow(current.row()) : -1;
}

void TClientServerPage::SortAscendingBtnClick()
{
    SortOnColumn(CurrentColumn(), true);
    if (sharedSortAscending_ != nullptr) *sharedSortAscending_ = true;
}

void TClientServerPage::SortDescendingBtnClick()
{
    SortOnColumn(CurrentColumn(), false);
    if (sharedSortAscending_ != nullptr) *sharedSortAscending_ = false;
}

void TClientServerPage::ServerGridDblClick(int col)
{
    SortOnColumn(col, sharedSortAscending_ != nullptr ? *sharedSortAscending_ : content_.LastSortAscending);
}

void TClientServerPage::ServerGridHeaderClick(int col)
{
    if (col < 0 || col >= kServerGridColumns) return;
    headerSort_.Click(col);
    // The selected conversation stays selected wherever the sort puts it.
    const std::vector<std::string> selected = serverGrid_->CurrentRowTexts();
    const int currentCol = CurrentColumn();
    SortOnColumn(col, headerSort_.Ascending);
    serverGrid_->SelectRowWithTexts(selected, currentCol);
    serverGrid_->ShowSortIndicator(col, headerSort_.Ascending);
}

void TClientServerPage::SortOnColumn(int col, bool ascending)
{
    if (col < 0 || col >= kServerGridColumns) return;
    const WaitCursor wait;
    // Rows move whole with their tags, which find their conversations; the
    // highlight follows its conversation, so that the toolbox, the analyses and
    // the pop-up act on the conversation it shows.
    const int row = CurrentRow();
    const int32_t tag = row >= 1 ? content_.ServerGrid.RowTag(row) : 0;
    const int currentCol = CurrentColumn();
    quenlix::SortServerGrid(content_, col, ascending);
    ShowContent(false);
    if (tag > 0) serverGrid_->SelectRowWithTag(tag, currentCol);
}

void TClientServerPage::CopyToClipboardBtnClick()
{
    serverGrid_->SyncSelection();
    GridContent& shown = serverGrid_->Content();
    // The fixed column leads every copied line already; selected, it would come twice.
    GridSelection selection = shown.Selection();
    selection.Left = std::max(selection.Left, shown.FixedCols());
    shown.SetSelection(selection);
    const std::optional<std::string> text = shown.CopyText();
    if (text) QApplication::clipboard()->setText(QString::fromStdString(*text));
}

void TClientServerPage::SelectAll()
{
    serverGrid_->SelectAllCells();
}

void TClientServerPage::SmartNamesClick()
{
    content_.SmartNames = smartNames_->isChecked();
    content_.ShowIPXOUI = showIPXOUI_->isChecked();
    if (state_ == nullptr) return;
    quenlix::SmartNamesClick(*state_, content_);
    ShowContent(false);
}

void TClientServerPage::ServerGridClick()
{
    if (state_ == nullptr) return;
    std::optional<ClientServerSelection> selection = quenlix::ServerGridClick(*state_, content_, CurrentRow());
    if (!selection) return;
    toolboxSelection_ = std::move(selection);
    emit ToolboxSelectionChanged();
}

void TClientServerPage::ServerGridMouseDown(const QPoint& pos)
{
    const std::optional<std::string> caption = DLCAddressMenuCaption(content_, CurrentColumn(), CurrentRow());
    divider1_->setVisible(caption.has_value());
    dlcAddressIs1_->setVisible(caption.has_value());
    if (caption) dlcAddressIs1_->setText(MenuText(*caption));
    csPopUp_->popup(serverGrid_->viewport()->mapToGlobal(pos));
}

bool TClientServerPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == serverGrid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && CurrentRow() >= 1) {
            OpenRowWindow(RowWindow::Toolbox);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TClientServerPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The page becoming active hands its current row to the toolbox.
    ServerGridClick();
}

}  // namespace quenlix
