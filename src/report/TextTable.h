#pragma once
// The one text-table helper of the report: rows of cells laid out in columns as
// wide as their widest cell, two blanks apart, each cell aligned like its grid
// column, trailing blanks dropped.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "ui/controls/GridContent.h"

namespace quenlix {

class TextTable {
public:
    explicit TextTable(std::vector<GridAlignment> alignments, std::string indent = "  ")
        : alignments_(std::move(alignments)), indent_(std::move(indent))
    {
    }

    // A table laid out like the grid whose columns are given.
    template <std::size_t N>
    static TextTable ForColumns(const std::array<GridColumn, N>& columns, std::string indent = "  ")
    {
        std::vector<GridAlignment> alignments;
        for (const GridColumn& column : columns) alignments.push_back(column.Alignment);
        return TextTable(std::move(alignments), std::move(indent));
    }

    void AddRow(std::vector<std::string> cells)
    {
        cells.resize(alignments_.size());
        rows_.push_back(std::move(cells));
    }

    std::string Render() const
    {
        const std::vector<size_t> widths = ColumnWidths();
        std::string text;
        for (const auto& row : rows_) {
            std::string line = indent_;
            for (size_t c = 0; c < row.size(); ++c) {
                if (c > 0) line += "  ";
                line += Aligned(row[c], widths[c], alignments_[c]);
            }
            line.erase(line.find_last_not_of(' ') + 1);
            text += line + '\n';
        }
        return text;
    }

private:
    std::vector<size_t> ColumnWidths() const
    {
        std::vector<size_t> widths(alignments_.size(), 0);
        for (const auto& row : rows_)
            for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
        return widths;
    }

    static std::string Aligned(const std::string& cell, size_t width, GridAlignment alignment)
    {
        const size_t room = width > cell.size() ? width - cell.size() : 0;
        switch (alignment) {
        case GridAlignment::Right: return std::string(room, ' ') + cell;
        case GridAlignment::Centre: return std::string(room / 2, ' ') + cell + std::string(room - room / 2, ' ');
        case GridAlignment::Left: break;
        }
        return cell + std::string(room, ' ');
    }

    std::vector<GridAlignment> alignments_;
    std::string indent_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace quenlix
