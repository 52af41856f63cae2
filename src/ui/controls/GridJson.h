#pragma once
// The rows of a grid as the JSON report writes every grid table: an array of
// one object per row, keyed by the columns' JSON keys (GridColumn::JsonKey).

#include <span>
#include <vector>

#include "ui/shared/JsonWriter.h"
#include "ui/controls/GridContent.h"

namespace quenlix {

enum class GridJsonCells {
    Texts,   // every cell as the string the grid shows
    Values,  // counts and durations (whole seconds) as integers, percentages and other
             // figures as numbers, cells without a value (empty, "-") as null, the
             // rest (addresses, names, texts) as the string the grid shows
};

// The JSON key of each grid column, by its position in the grid: positions[i] is
// where column i stands (none given: in column order).
std::vector<const char*> GridJsonKeys(std::span<const GridColumn> columns, const std::vector<int>& positions = {});

// Writes the rows firstRow to lastRow (inclusive) as an array of objects with one
// member per key, in key order; keys[c] names column c.
void GridRowsJson(JsonWriter& json, const GridContent& grid, const std::vector<const char*>& keys, int firstRow,
                  int lastRow, GridJsonCells cells);

}  // namespace quenlix
