#include "ui/controls/SuperStringGridWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "ui/controls/QtText.h"

namespace quenlix {

namespace {

constexpr int kDefaultRowHeight = 17;

Qt::Alignment QtAlignment(GridAlignment alignment)
{
    switch (alignment) {
    case GridAlignment::Left: return Qt::AlignLeft | Qt::AlignVCenter;
    case GridAlignment::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case GridAlignment::Centre: return Qt::AlignCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

GridTableModel::GridTableModel(GridContent& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}

int GridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(grid_.RowCount() - grid_.FixedRows(), 0);
}

int GridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.ColCount();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const int col = index.column();
    const int row = index.row() + grid_.FixedRows();
    switch (role) {
    case Qt::DisplayRole: return Q(grid_.Cell(col, row));
    case Qt::TextAlignmentRole: return static_cast<int>(QtAlignment(grid_.Alignment(col)));
    case Qt::FontRole: {
        QFont font = col < grid_.FixedCols() ? FixedFont : QFont();
        if (OnGetCellFont) OnGetCellFont(font, col, row);
        return font;
    }
    case Qt::BackgroundRole:
        if (col < grid_.FixedCols()) return QApplication::palette().color(QPalette::Button);
        if (OnGetCellBackground) return OnGetCellBackground(col, row);
        return {};
    default: return {};
    }
}

QVariant GridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        // Every fixed row shows in the heading, one line each.
        QStringList lines;
        for (int row = 0; row < grid_.FixedRows(); ++row) lines << Q(grid_.Cell(section, row));
        return lines.join('\n');
    }
    if (role == Qt::FontRole) return FixedFont;
    if (role == Qt::ToolTipRole && !grid_.HeaderTip(section).empty())
        return QString::fromStdString(grid_.HeaderTip(section));
    if (role == Qt::TextAlignmentRole) return static_cast<int>(QtAlignment(grid_.Alignment(section)));
    return {};
}

void GridTableModel::Reset()
{
    beginResetModel();
    endResetModel();
}

TSuperStringGrid::TSuperStringGrid(QWidget* parent) : QTableView(parent), model_(new GridTableModel(grid_, this))
{
    setModel(model_);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
    verticalHeader()->setMinimumSectionSize(kDefaultRowHeight);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    model_->FixedFont = font();
    // Every refill or sort resets the model, and with it the hidden rows.
    connect(model_, &QAbstractItemModel::modelReset, this, &TSuperStringGrid::ApplyRowFilter);
}

void TSuperStringGrid::SetRowFilter(const QString& text)
{
    rowFilter_ = text;
    ApplyRowFilter();
}

void TSuperStringGrid::ApplyRowFilter()
{
    grid_.SetRowFilter(rowFilter_.toStdString());
    const int rows = model_->rowCount();
    setUpdatesEnabled(false);
    for (int row = 0; row < rows; ++row) setRowHidden(row, !grid_.RowShown(GridRow(row)));
    setUpdatesEnabled(true);
}

int TSuperStringGrid::ShownRowCount() const
{
    int shown = 0;
    for (int row = 0; row < model_->rowCount(); ++row) shown += isRowHidden(row) ? 0 : 1;
    return shown;
}

QLineEdit* MakeGridFilterBox(TSuperStringGrid* grid, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(grid->objectName() + "Filter");
    box->setPlaceholderText("Filter rows: address, port, application...");
    box->setToolTip("Show only the rows with a cell that contains this text");
    box->setClearButtonEnabled(true);
    QObject::connect(box, &QLineEdit::textChanged, grid, &TSuperStringGrid::SetRowFilter);
    return box;
}

void TSuperStringGrid::Refresh()
{
    model_->Reset();
    if (AutoWidth) AutoSizeColumns();
    if (AutoHeight) resizeRowsToContents();
}

void TSuperStringGrid::SetFixedFont(const QFont& font)
{
    model_->FixedFont = font;
    model_->Reset();
}

void TSuperStringGrid::SetCellFontHandler(std::function<void(QFont& font, int col, int row)> handler)
{
    model_->OnGetCellFont = std::move(handler);
}

void TSuperStringGrid::SetCellBackgroundHandler(std::function<QVariant(int col, int row)> handler)
{
    model_->OnGetCellBackground = std::move(handler);
}

void TSuperStringGrid::AutoSizeColumns()
{
    resizeColumnsToContents();
    for (int col = 0; col < grid_.ColCount(); ++col) setColumnWidth(col, columnWidth(col) + 4);
}

void TSuperStringGrid::SyncSelection()
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        const QModelIndex current = currentIndex();
        if (!current.isValid()) return;
        const int row = GridRow(current.row());
        grid_.SetSelection({current.column(), row, current.column(), row});
        return;
    }
    GridSelection selection{INT32_MAX, INT32_MAX, -1, -1};
    for (const QModelIndex& index : selected) {
        selection.Left = std::min(selection.Left, index.column());
        selection.Right = std::max(selection.Right, index.column());
        selection.Top = std::min(selection.Top, GridRow(index.row()));
        selection.Bottom = std::max(selection.Bottom, GridRow(index.row()));
    }
    grid_.SetSelection(selection);
}

bool TSuperStringGrid::CopyToClipboard()
{
    SyncSelection();
    const std::optional<std::string> text = grid_.CopyText();
    if (!text) return false;
    QApplication::clipboard()->setText(QString::fromStdString(*text));
    return true;
}

bool TSuperStringGrid::CutToClipboard()
{
    SyncSelection();
    const std::optional<std::string> text = grid_.CutText();
    if (!text) return false;
    QApplication::clipboard()->setText(QString::fromStdString(*text));
    model_->Reset();
    return true;
}

void TSuperStringGrid::SelectAllCells()
{
    grid_.SelectAll();
    selectAll();
}

void TSuperStringGrid::SortByColumn(int col, bool ascending)
{
    grid_.SortByColumn(col, ascending);
    model_->Reset();
}

void TSuperStringGrid::EnableHeaderSort()
{
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    // A header click sorts; it must not select the column as a table view does by
    // default, or the user's selected row would be lost before the sort.
    disconnect(header, SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    disconnect(header, SIGNAL(sectionEntered(int)), this, SLOT(_q_selectColumn(int)));
    connect(header, &QHeaderView::sectionClicked, this, [this](int col) {
        if (col >= 0 && col < grid_.ColCount()) emit HeaderClicked(col);
    });
}

void TSuperStringGrid::ShowSortIndicator(int col, bool ascending)
{
    QHeaderView* header = horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(col, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // The arrow takes its room from the header text: a section sized for the
    // text alone grows by the arrow's width, which the size hint now counts.
    if (col >= 0 && col < header->count() && header->sectionSize(col) < header->sectionSizeHint(col))
        header->resizeSection(col, header->sectionSizeHint(col));
}

std::vector<std::string> TSuperStringGrid::CurrentRowTexts() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? GridRowTexts(grid_, GridRow(current.row())) : std::vector<std::string>{};
}

void TSuperStringGrid::SelectRowWithTexts(const std::vector<std::string>& texts, int col)
{
    const int row = FindGridRow(grid_, texts);
    if (row < 0) return;
    const QModelIndex index = model_->index(row - grid_.FixedRows(), col);
    if (!index.isValid()) return;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void TSuperStringGrid::SelectRowWithTag(int32_t tag, int col)
{
    for (int row = grid_.FixedRows(); row < grid_.RowCount(); ++row) {
        if (grid_.RowTag(row) != tag) continue;
        const QModelIndex index = model_->index(row - grid_.FixedRows(), col);
        if (!index.isValid()) return;
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        scrollTo(index);
        return;
    }
}

void TSuperStringGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (grid_.SortOnDblClick && index.isValid()) {
        grid_.SetCurrent(index.column(), GridRow(index.row()));
        grid_.ToggleSort();
        model_->Reset();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TSuperStringGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    if (event->matches(QKeySequence::Cut) && (grid_.EditModes & emCut) != 0) {
        CutToClipboard();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace quenlix
