#include "exchange/sheets/sheet.h"

#include <algorithm>
#include <cmath>

namespace fenban::exchange {

namespace {

quint64 cellKey(int row, int column) {
    return (quint64(quint32(row)) << 32) | quint32(column);
}

int keyRow(quint64 key) {
    return int(key >> 32);
}

int keyColumn(quint64 key) {
    return int(key & 0xffffffffu);
}

} // namespace

QString SheetData::cell(int row, int column) const {
    if (row < 1 || column < 1)
        return {};
    return m_cells.value(cellKey(row, column));
}

void SheetData::setCell(int row, int column, QString text) {
    if (row < 1 || column < 1)
        return;
    if (text.isEmpty()) {
        if (m_cells.remove(cellKey(row, column)))
            recountAfterClearing(row, column);
        return;
    }
    m_cells.insert(cellKey(row, column), std::move(text));
    m_rowCount = std::max(m_rowCount, row);
    m_columnCount = std::max(m_columnCount, column);
}

// Clearing is rare (a reader correcting a cell it set before), so a full pass is cheap enough.
void SheetData::recountAfterClearing(int row, int column) {
    if (row < m_rowCount && column < m_columnCount)
        return;
    m_rowCount = 0;
    m_columnCount = 0;
    for (auto it = m_cells.keyBegin(); it != m_cells.keyEnd(); ++it) {
        m_rowCount = std::max(m_rowCount, keyRow(*it));
        m_columnCount = std::max(m_columnCount, keyColumn(*it));
    }
}

QString numberText(double value) {
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    // Whole numbers are student and score-entry numbers more often than not; they must never turn
    // into an exponent form. Below 1e15 a double holds every whole number exactly.
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    // Qt writes "1e+15", spreadsheets "1E+15".
    return QString::number(value, 'g', 15).toUpper();
}

} // namespace fenban::exchange
