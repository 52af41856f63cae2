#pragma once
// The "Client/Server Expert" page: the grid of client/server conversations with
// its sort, copy and name buttons above and the legend of the problem columns
// below, or only a caption when the trace has neither IP nor IPX frames. The
// rows, texts, marks and sort rules come from ClientServerContent; this page
// shows them and turns the user's clicks into its commands.

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "model/AnalysisState.h"
#include "ui/main/ClientServerContent.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QToolButton;

namespace quenlix {

class TSuperStringGrid;

class TClientServerPage : public QWidget {
    Q_OBJECT
public:
    explicit TClientServerPage(QWidget* parent = nullptr);

    // Clears the grid to its headers.
    void InitServerGrid();
    // Rebuilds the page from the analysis after a read. The page keeps reading
    // this state for its name columns until the next rebuild.
    void UpdateServerGrid(const AnalysisState& state);

    // The commands of the page and of the main window's Edit menu.
    void SortAscendingBtnClick();
    void SortDescendingBtnClick();
    void CopyToClipboardBtnClick();
    void SelectAll();
    void SmartNamesClick();
    // The filter box over the grid (its rows filtered as the user types).
    QLineEdit* FilterBox() const { return filterBox_; }
    // A double click on a cell of the column: repeats the last Sort button's direction.
    void ServerGridDblClick(int col);
    void ServerGridHeaderClick(int col);
    // The main window shares one sort direction between this grid and the protocol table.
    void ShareSortDirection(bool* direction) { sharedSortAscending_ = direction; }
    // The right mouse button over the grid at a position of its viewport: sets up
    // the pop-up for the current cell and shows it there.
    void ServerGridMouseDown(const QPoint& pos);
    // Takes the current row as the conversation for the toolbox.
    void ServerGridClick();

    // The windows a row opens on its conversation: Enter and the pop-up's
    // "&Fathom ToolBox" open the toolbox, the pop-up's other two items the
    // analyses. An item without its command is disabled.
    enum class RowWindow { Toolbox, Latency, Throughput };
    void SetRowCommand(RowWindow window, std::function<void()> command);
    void SetToolboxCommand(std::function<void()> command) { SetRowCommand(RowWindow::Toolbox, std::move(command)); }
    // Hands the current row to the toolbox and opens the window on it.
    void OpenRowWindow(RowWindow window);

    // What the page last handed to the toolbox (nothing when no conversation
    // row was chosen since the last rebuild).
    const std::optional<ClientServerSelection>& ToolboxSelection() const { return toolboxSelection_; }

    const ClientServerContent& Content() const { return content_; }
    TSuperStringGrid* ServerGrid() const { return serverGrid_; }
    QMenu* CSPopUp() const { return csPopUp_; }

signals:
    // A row was chosen: the toolbox must rebuild its boxes for this selection.
    void ToolboxSelectionChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildToolStrip();
    HeaderSort headerSort_;
    QWidget* BuildLegend();
    void BuildPopUp();
    void ServerGridGetCellFont(QFont& font, int col, int row) const;
    // Shows the content's cells in the grid: after a rebuild with the columns
    // sized to fit, else keeping the widths and the current cell.
    void ShowContent(bool rebuilt);
    void SortOnColumn(int col, bool ascending);
    int CurrentColumn() const;
    int CurrentRow() const;

    ClientServerContent content_;
    const AnalysisState* state_ = nullptr;
    std::optional<ClientServerSelection> toolboxSelection_;
    std::array<std::function<void()>, 3> rowCommands_;
    bool restoringCursor_ = false;
    bool* sharedSortAscending_ = nullptr;

    QWidget* csPanel_;
    QLabel* noCSPackets_;
    TSuperStringGrid* serverGrid_;
    QToolButton* sortAscendingBtn_ = nullptr;
    QToolButton* sortDescendingBtn_ = nullptr;
    QToolButton* copyToClipboardBtn_ = nullptr;
    QCheckBox* smartNames_ = nullptr;
    QCheckBox* showIPXOUI_ = nullptr;
    QLineEdit* filterBox_ = nullptr;
    QMenu* csPopUp_ = nullptr;
    std::array<QAction*, 3> rowItems_{};  // by RowWindow
    QAction* divider1_ = nullptr;
    QAction* dlcAddressIs1_ = nullptr;
};

}  // namespace quenlix
