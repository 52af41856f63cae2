#include "ui/main/ProtocolTableWidget.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/controls/StripButtonWidget.h"
#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ProtocolTableContent.h"

namespace quenlix {

TProtocolTablePage::TProtocolTablePage(QWidget* parent) : QWidget(parent), protoGrid_(new TSuperStringGrid(this))
{
    protoGrid_->setObjectName("ProtoGrid");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(BuildStrip());
    layout->addWidget(protoGrid_, 1);
    QFont bold = protoGrid_->font();
    bold.setBold(true);
    protoGrid_->SetFixedFont(bold);
    connect(protoGrid_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { ProtoGridDblClick(index.column()); });
    protoGrid_->EnableHeaderSort();
    connect(protoGrid_, &TSuperStringGrid::HeaderClicked, this, &TProtocolTablePage::ProtoGridHeaderClick);
    connect(protoGrid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TProtocolTablePage::KeepSelectionOffFixedColumn);
    connect(protoGrid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex& previous) {
                KeepCurrentOffFixedColumn(previous.isValid() ? previous.column() : -1);
            });
    InitProtocolGrid();
}

QWidget* TProtocolTablePage::BuildStrip()
{
    auto* strip = new QWidget(this);
    strip->setObjectName("ProtocolTableStrip");
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    sortAscendingBtn_ = StripButton(strip, "ProtocolTableSortAscendingBtn", "Sort Ascending", StripGlyph::SortAscending);
    sortDescendingBtn_ =
        StripButton(strip, "ProtocolTableSortDescendingBtn", "Sort Descending", StripGlyph::SortDescending);
    copyBtn_ = StripButton(strip, "ProtocolTableCopytoClipboardBtn", "Copy selected portion of table to clipboard",
                           StripGlyph::Copy);
    layout->addWidget(sortAscendingBtn_);
    layout->addWidget(sortDescendingBtn_);
    layout->addSpacing(8);
    layout->addWidget(copyBtn_);
    layout->addStretch(1);
    connect(sortAscendingBtn_, &QToolButton::clicked, this, &TProtocolTablePage::ProtocolTableSortAscendingBtnClick);
    connect(sortDescendingBtn_, &QToolButton::clicked, this, &TProtocolTablePage::ProtocolTableSortDescendingBtnClick);
    connect(copyBtn_, &QToolButton::clicked, this, &TProtocolTablePage::ProtocolTableCopytoClipboardBtnClick);
    return strip;
}

void TProtocolTablePage::InitProtocolGrid()
{
    quenlix::InitProtocolGrid(protoGrid_->Content());
    protoGrid_->Refresh();
}

void TProtocolTablePage::UpdateProtocolGrid(const AnalysisState& state)
{
    FillProtocolGrid(protoGrid_->Content(), BuildProtocolTable(state));
    protoGrid_->Refresh();
}

void TProtocolTablePage::ProtocolTableSortAscendingBtnClick()
{
    SortOnCurrentColumn(true);
}

void TProtocolTablePage::ProtocolTableSortDescendingBtnClick()
{
    SortOnCurrentColumn(false);
}

void TProtocolTablePage::ProtocolTableCopytoClipboardBtnClick()
{
    protoGrid_->CopyToClipboard();
}

void TProtocolTablePage::ProtoGridDblClick(int col)
{
    if (col < 0 || col >= kProtocolTableColumns) return;
    const QModelIndex current = protoGrid_->currentIndex();
    SortProtocolGrid(protoGrid_->Content(), col, *lastSortAscending_);
    ShowSortedRows(current.isValid() ? current.row() : 0, current.isValid() ? current.column() : col);
}

void TProtocolTablePage::ProtoGridHeaderClick(int col)
{
    if (col < 0 || col >= kProtocolTableColumns) return;
    headerSort_.Click(col);
    // The selected protocol stays selected wherever the sort puts it.
    const QModelIndex current = protoGrid_->currentIndex();
    const std::vector<std::string> selected = protoGrid_->CurrentRowTexts();
    SortProtocolGrid(protoGrid_->Content(), col, headerSort_.Ascending);
    protoGrid_->Refresh();
    protoGrid_->SelectRowWithTexts(selected, current.isValid() ? current.column() : col);
    protoGrid_->ShowSortIndicator(col, headerSort_.Ascending);
}

void TProtocolTablePage::SortOnCurrentColumn(bool ascending)
{
    const QModelIndex current = protoGrid_->currentIndex();
    // A grid nobody has clicked yet has its first cell below and right of the fixed cells current.
    const int col = current.isValid() ? current.column() : protoGrid_->Content().FixedCols();
    SortProtocolGrid(protoGrid_->Content(), col, ascending);
    *lastSortAscending_ = ascending;
    ShowSortedRows(current.isValid() ? current.row() : 0, col);
}

void TProtocolTablePage::ShowSortedRows(int currentRow, int currentCol)
{
    protoGrid_->Refresh();
    // The cell cursor stays where it was, now on whichever row sorted into its place.
    const QModelIndex index = protoGrid_->model()->index(currentRow, currentCol);
    if (index.isValid()) protoGrid_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void TProtocolTablePage::KeepSelectionOffFixedColumn()
{
    const int fixedCols = protoGrid_->Content().FixedCols();
    const int rows = protoGrid_->model()->rowCount();
    if (fixedCols <= 0 || rows <= 0) return;
    QItemSelectionModel* selection = protoGrid_->selectionModel();
    for (int col = 0; col < fixedCols; ++col) {
        const QModelIndex top = protoGrid_->model()->index(0, col);
        const QModelIndex bottom = protoGrid_->model()->index(rows - 1, col);
        bool selected = false;
        for (int row = 0; row < rows && !selected; ++row)
            selected = selection->isSelected(protoGrid_->model()->index(row, col));
        // Deselecting signals again, but then nothing fixed is left to deselect.
        if (selected) selection->select(QItemSelection(top, bottom), QItemSelectionModel::Deselect);
    }
}

void TProtocolTablePage::KeepCurrentOffFixedColumn(int previousCol)
{
    const int fixedCols = protoGrid_->Content().FixedCols();
    const QModelIndex current = protoGrid_->currentIndex();
    if (!current.isValid() || current.column() >= fixedCols) return;
    const int col = previousCol >= fixedCols ? previousCol : fixedCols;
    if (col >= protoGrid_->model()->columnCount()) return;
    protoGrid_->selectionModel()->setCurrentIndex(protoGrid_->model()->index(current.row(), col),
                                                  QItemSelectionModel::NoUpdate);
}

}  // namespace quenlix
