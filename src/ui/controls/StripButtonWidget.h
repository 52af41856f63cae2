#pragma once
// The small picture buttons of a grid page's tool strip (sort ascending, sort
// descending, copy), shared by every page that has such a strip so they look alike.

class QToolButton;
class QWidget;

namespace quenlix {

enum class StripGlyph { SortAscending, SortDescending, Copy };

// A flat button with a drawn picture; the hint is its tool tip, status tip and accessible name.
QToolButton* StripButton(QWidget* parent, const char* name, const char* hint, StripGlyph glyph);

}  // namespace quenlix
