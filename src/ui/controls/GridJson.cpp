#include "ui/controls/GridJson.h"

#include <cmath>

namespace quenlix {

namespace {

void ValueJson(JsonWriter& json, const GridContent& grid, int col, int row)
{
    const GridValue& value = grid.Value(col, row);
    switch (value.Kind()) {
    case GridValueKind::None: json.Null(); break;
    case GridValueKind::Count:
    case GridValueKind::Duration: json.Int(std::llround(value.Figure())); break;
    case GridValueKind::Percent:
    case GridValueKind::Number: json.Double(value.Figure()); break;
    case GridValueKind::Address:
    case GridValueKind::Text: json.String(grid.Cell(col, row)); break;
    }
}

}  // namespace

std::vector<const char*> GridJsonKeys(std::span<const GridColumn> columns, const std::vector<int>& positions)
{
    std::vector<const char*> keys(columns.size(), "");
    for (size_t logical = 0; logical < columns.size(); ++logical) {
        const size_t position = logical < positions.size() ? static_cast<size_t>(positions[logical]) : logical;
        const char* key = columns[logical].JsonKey;
        if (position < keys.size() && key != nullptr) keys[position] = key;
    }
    return keys;
}

void GridRowsJson(JsonWriter& json, const GridContent& grid, const std::vector<const char*>& keys, int firstRow,
                  int lastRow, GridJsonCells cells)
{
    json.BeginArray();
    for (int row = firstRow; row <= lastRow && row < grid.RowCount(); ++row) {
        json.BeginObject();
        for (size_t col = 0; col < keys.size(); ++col) {
            json.Key(keys[col]);
            if (cells == GridJsonCells::Values)
                ValueJson(json, grid, static_cast<int>(col), row);
            else
                json.String(grid.Cell(static_cast<int>(col), row));
        }
        json.EndObject();
    }
    json.EndArray();
}

}  // namespace quenlix
