#pragma once
// The "Protocol Table" page: the protocol families of the trace in a grid.

#include <QWidget>

#include "model/AnalysisState.h"

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

    TSuperStringGrid* ProtoGrid() const { return protoGrid_; }

private:
    TSuperStringGrid* protoGrid_;
};

}  // namespace quenlix
