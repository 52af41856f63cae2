#include "ui/main/ProtocolTableWidget.h"

#include <QVBoxLayout>
#include <algorithm>

#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ProtocolTableContent.h"

namespace quenlix {

namespace {

GridAlignment GridAlignmentOf(CellAlignment alignment)
{
    switch (alignment) {
    case CellAlignment::Left: return GridAlignment::Left;
    case CellAlignment::Right: return GridAlignment::Right;
    case CellAlignment::Centre: return GridAlignment::Centre;
    }
    return GridAlignment::Left;
}

}  // namespace

TProtocolTablePage::TProtocolTablePage(QWidget* parent) : QWidget(parent), protoGrid_(new TSuperStringGrid(this))
{
    protoGrid_->setObjectName("ProtoGrid");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(protoGrid_);
    QFont bold = protoGrid_->font();
    bold.setBold(true);
    protoGrid_->SetFixedFont(bold);
    InitProtocolGrid();
}

void TProtocolTablePage::InitProtocolGrid()
{
    GridContent& grid = protoGrid_->Content();
    const auto& columns = ProtocolTableColumns();
    grid.SetColCount(kProtocolTableColumns);
    grid.SetRowCount(2);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    grid.ClearRow(1);
    for (int col = 0; col < kProtocolTableColumns; ++col) {
        grid.SetCell(col, 0, columns[static_cast<size_t>(col)].Header);
        grid.SetAlignment(col, GridAlignmentOf(columns[static_cast<size_t>(col)].Alignment));
    }
    grid.ForgetSort();
    protoGrid_->Refresh();
}

void TProtocolTablePage::UpdateProtocolGrid(const AnalysisState& state)
{
    const ProtocolTableContent table = BuildProtocolTable(state);
    GridContent& grid = protoGrid_->Content();
    // A grid keeps at least one row below its headings, empty when there is nothing to show.
    grid.SetRowCount(std::max(table.GridRowCount(), 2));
    grid.ClearRow(1);
    for (size_t i = 0; i < table.Rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        for (int col = 0; col < kProtocolTableColumns; ++col)
            grid.SetCell(col, row, table.Rows[i].Cells[static_cast<size_t>(col)]);
        grid.SetRowTag(row, table.Rows[i].Family);
    }
    grid.ForgetSort();
    protoGrid_->Refresh();
}

}  // namespace quenlix
