#pragma once
// The "Protocol Table" page: the protocol families of the trace in a grid, with
// the Sort Ascending, Sort Descending and Copy buttons above it.

#include <QWidget>

#include "model/AnalysisState.h"
#include "ui/controls/GridContent.h"

class QToolButton;

namespace quenlix {

class TSuperStringGrid;

class TProtocolTablePage : public QWidget {
    Q_OBJECT
public:
    explicit TProtocolTablePage(QWidget* parent = nullptr);

    // The headings and column alignments of the empty grid.
    void InitProtocolGrid();
    // One row per protocol family of the analysis.
    void UpdateProtocolGrid(const AnalysisState& state);

    // The commands of the strip above the grid, and the grid's double click on a column.
    void ProtocolTableSortAscendingBtnClick();
    void ProtocolTableSortDescendingBtnClick();
    void ProtocolTableCopytoClipboardBtnClick();
    void ProtoGridDblClick(int col);
    void ProtoGridHeaderClick(int col);

    // The direction of the last Sort button, which a double click repeats. The
    // main window shares one direction between this table and the client/server grid.
    bool LastSortAscending() const { return *lastSortAscending_; }
    void ShareSortDirection(bool* direction) { lastSortAscending_ = direction != nullptr ? direction : &ownSortAscending_; }

    TSuperStringGrid* ProtoGrid() const { return protoGrid_; }

private:
    QWidget* BuildStrip();
    HeaderSort headerSort_;
    void SortOnCurrentColumn(bool ascending);
    void ShowSortedRows(int currentRow, int currentCol);
    // The heading column is fixed: its cells are neither current nor selected.
    void KeepSelectionOffFixedColumn();
    void KeepCurrentOffFixedColumn(int previousCol);

    TSuperStringGrid* protoGrid_;
    QToolButton* sortAscendingBtn_ = nullptr;
    QToolButton* sortDescendingBtn_ = nullptr;
    QToolButton* copyBtn_ = nullptr;
    bool ownSortAscending_ = true;
    bool* lastSortAscending_ = &ownSortAscending_;
};

}  // namespace quenlix
