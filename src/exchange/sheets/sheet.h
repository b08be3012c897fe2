#pragma once

#include "common/result.h"

#include <QHash>
#include <QString>

namespace fenban::exchange {

// The first worksheet of a workbook, every cell as text. Rows and columns count from 1, as in a spreadsheet.
// Only cells with text are kept, so a sheet with a few cells far apart costs no more than those cells.
class SheetData {
public:
    // Empty for every cell that holds nothing, also outside the stored range.
    QString cell(int row, int column) const;
    // The last row that holds a non-empty cell; 0 for an empty sheet.
    int rowCount() const { return m_rowCount; }
    // The last column that holds a non-empty cell in any row; 0 for an empty sheet.
    int columnCount() const { return m_columnCount; }
    // The cells that hold text.
    qsizetype cellCount() const { return m_cells.size(); }

    // An empty text clears the cell. Rows and columns below 1 are ignored.
    void setCell(int row, int column, QString text);

    bool operator==(const SheetData &other) const = default;

private:
    void recountAfterClearing(int row, int column);

    QHash<quint64, QString> m_cells;
    int m_rowCount = 0;
    int m_columnCount = 0;
};

// Reads the first worksheet of one file format.
class SheetReader {
public:
    virtual ~SheetReader() = default;
    // A failure carries a message for the user that names the file.
    virtual Result<SheetData> read(const QString &path) const = 0;
};

enum class SheetFormat { Xls, Xlsx, Csv };

// Decides by the file's content, never by its name: schools rename files freely.
Result<SheetFormat> detectSheetFormat(const QString &path);

// Detects the format, then reads the first worksheet with the matching reader.
Result<SheetData> readFirstSheet(const QString &path);

// A number as a spreadsheet shows it in a cell of general format: whole numbers of up to 15 digits in
// plain digits, anything else with at most 15 significant digits and no trailing zeros.
QString numberText(double value);

} // namespace fenban::exchange
