#include "ui/main/ProtocolTableWidget.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/controls/SuperStringGridWidget.h"
#include "ui/main/ProtocolTableContent.h"

namespace quenlix {

namespace {

enum class StripGlyph { SortAscending, SortDescending, Copy };

// The pictures of the strip's buttons, drawn so that nothing but the program file is needed.
QIcon StripIcon(StripGlyph glyph)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0), 1.2));
    switch (glyph) {
    case StripGlyph::SortAscending:
    case StripGlyph::SortDescending: {
        const bool up = glyph == StripGlyph::SortAscending;
        // Bars growing in the sort's direction, and an arrow beside them.
        p.setBrush(QColor(0, 0, 160));
        for (int i = 0; i < 4; ++i) {
            const int width = up ? 3 + 2 * i : 9 - 2 * i;
            p.drawRect(2, 2 + 4 * i, width, 2);
        }
        p.setBrush(QColor(0, 128, 0));
        const QPolygon arrow = up ? QPolygon({{15, 2}, {19, 8}, {16, 8}, {16, 18}, {14, 18}, {14, 8}, {11, 8}})
                                  : QPolygon({{15, 18}, {19, 12}, {16, 12}, {16, 2}, {14, 2}, {14, 12}, {11, 12}});
        p.drawPolygon(arrow);
        break;
    }
    case StripGlyph::Copy:
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 10, 12);
        p.drawRect(7, 6, 10, 12);
        p.drawLine(9, 10, 15, 10);
        p.drawLine(9, 13, 15, 13);
        break;
    }
    return QIcon(pixmap);
}

QToolButton* StripButton(QWidget* parent, const char* name, const char* hint, StripGlyph glyph)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(StripIcon(glyph));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    return button;
}

}  // namespace

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
