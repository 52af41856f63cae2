#pragma once
// TSuperStringGrid: the sortable, self-sizing, copyable grid of every statistics
// table. The cells, sorts and copy rules live in GridContent; this widget shows
// them. The first fixed row is shown as the column headings.

#include <QAbstractTableModel>
#include <QFont>
#include <QLineEdit>
#include <QTableView>
#include <functional>

#include "ui/controls/GridContent.h"

namespace quenlix {

class GridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridTableModel(GridContent& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Cells change in the content: show them again.
    void Reset();

    QFont FixedFont;
    // May change the font of one cell (grid column and row).
    std::function<void(QFont& font, int col, int row)> OnGetCellFont;
    // May give one cell (grid column and row) a background colour of its own.
    std::function<QVariant(int col, int row)> OnGetCellBackground;

private:
    GridContent& grid_;
};

class TSuperStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TSuperStringGrid(QWidget* parent = nullptr);

    GridContent& Content() { return grid_; }
    const GridContent& Content() const { return grid_; }

    // Shows the content again after its cells changed, sizing columns and rows to fit.
    void Refresh();

    bool AutoWidth = true;
    bool AutoHeight = true;
    void SetFixedFont(const QFont& font);
    void SetCellFontHandler(std::function<void(QFont& font, int col, int row)> handler);
    void SetCellBackgroundHandler(std::function<QVariant(int col, int row)> handler);

    // The Copy, Cut and Select All commands.
    bool CopyToClipboard();
    bool CutToClipboard();
    void SelectAllCells();
    // Sorts a column in a direction by its cells' values (the Sort buttons).
    void SortByColumn(int col, bool ascending);
    // Sizes every column to its widest text.
    void AutoSizeColumns();

    // The grid row of a view row, and the selection in grid coordinates.
    int GridRow(int viewRow) const { return viewRow + grid_.FixedRows(); }
    void SyncSelection();

    QSize sizeHint() const override { return {345, 105}; }

    // Shows only the rows with a cell that contains the text (ignoring case); the
    // filter outlives every refill of the content. Empty: every row.
    void SetRowFilter(const QString& text);
    QString RowFilter() const { return rowFilter_; }
    // The rows the filter lets through, below the fixed rows.
    int ShownRowCount() const;

    // Column headers sort on a click when the page handles HeaderClicked.
    void EnableHeaderSort();
    void ShowSortIndicator(int col, bool ascending);
    // The texts of the current row, to find it again after a sort.
    std::vector<std::string> CurrentRowTexts() const;
    // Makes the grid row with these texts current and selected, in the column given.
    void SelectRowWithTexts(const std::vector<std::string>& texts, int col);
    // Makes the grid row with this tag current and selected, in the column given.
    void SelectRowWithTag(int32_t tag, int col);

signals:
    void HeaderClicked(int col);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyRowFilter();

    GridContent grid_;
    GridTableModel* model_;
    QString rowFilter_;
};

// A line edit over a grid that filters its rows as the user types.
QLineEdit* MakeGridFilterBox(TSuperStringGrid* grid, QWidget* parent);

}  // namespace quenlix
