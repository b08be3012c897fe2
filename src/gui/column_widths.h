#pragma once

class QTableView;

namespace fenban::gui {

// Widens the columns from `firstColumn` on whose title or cells are wider than the column, up to a
// bound, so that a long school name or address is read whole; a column is never made narrower than
// it was set. Only the first thousand rows are measured, so a long list costs little.
void fitColumnsToContent(QTableView *grid, int firstColumn = 0);

} // namespace fenban::gui
