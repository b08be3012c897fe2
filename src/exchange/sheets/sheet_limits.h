#pragma once

#include "exchange/sheets/sheet.h"

#include <QString>

#include <optional>
#include <utility>

// Everything the readers accept is bounded here, in one place. A school's student list stays far below
// every limit (a large school's intake is a few thousand rows of twenty columns); the limits exist so that
// a damaged or hostile file is refused with a message before it can take the machine's memory. Whatever a
// file declares about itself (a sheet's dimensions, a table's count, a part's size) is checked against
// them before it sizes anything.
namespace fenban::exchange::sheet_limits {

inline constexpr qint64 maxFileSize = 64 * 1024 * 1024; // bytes of the file itself
inline constexpr int maxRows = 100'000;
inline constexpr int maxColumns = 256;
inline constexpr qsizetype maxCells = 1'000'000;   // cells that hold text; empty ones cost nothing
inline constexpr qsizetype maxCellLength = 32'767; // characters, as spreadsheet programs allow in a cell
// Characters of all cells of the sheet together, and of all strings of a shared-string table.
inline constexpr qsizetype maxTextLength = 16 * 1024 * 1024;
inline constexpr qsizetype maxSharedStrings = maxCells;
// One part of a workbook package, unpacked: a few hundred bytes of a crafted archive can unpack to gigabytes.
inline constexpr qint64 maxPartSize = 64 * 1024 * 1024;
// What the parsed form of one XML part may take, estimated from its markup before it is parsed: the parsed
// tree costs several times the text for markup as dense as "<c/><c/>".
inline constexpr qint64 maxXmlTreeSize = 256 * 1024 * 1024;

enum class Limit {
    FileSize,
    Rows,
    Columns,
    Cells,
    CellLength,
    TextLength,
    SharedStrings,
    PartSize,
    XmlTreeSize
};

// The limit in words, for the message that refuses the file.
QString describe(Limit limit);

// The estimated memory of the parsed tree of an XML text: every element and every run of text between
// tags is a node, every "=" may be an attribute. Counted in one pass over the bytes, without allocating.
qint64 xmlTreeEstimate(QByteArrayView xml);

// What a reading step gives: its value, or that the input is damaged, or which limit it passed.
template <typename T> class Parsed {
public:
    Parsed(T value) : m_value(std::move(value)) {}
    static Parsed damaged() { return Parsed(); }
    static Parsed tooLarge(Limit limit) {
        Parsed parsed;
        parsed.m_passed = limit;
        return parsed;
    }

    explicit operator bool() const { return m_value.has_value(); }
    const T &operator*() const { return *m_value; }
    T &operator*() { return *m_value; }
    const T *operator->() const { return &*m_value; }
    std::optional<Limit> passed() const { return m_passed; }

private:
    Parsed() = default;
    std::optional<T> m_value;
    std::optional<Limit> m_passed;
};

// Collects a sheet's cells and stops at the first limit a cell passes. Limits count cells with text
// only: a formatted but empty cell far out in the sheet is common and harmless.
class BoundedSheet {
public:
    // False once a limit is passed; the cell is then not kept, nor any after it.
    bool setCell(int row, int column, QString text);
    std::optional<Limit> passed() const { return m_passed; }
    SheetData take() { return std::move(m_sheet); }
    // The sheet, or the limit it passed.
    Parsed<SheetData> result();

private:
    SheetData m_sheet;
    qsizetype m_textLength = 0;
    std::optional<Limit> m_passed;
};

// Counts the strings of a shared-string table against the limits.
class StringBudget {
public:
    // False once a limit is passed.
    bool take(qsizetype length);
    std::optional<Limit> passed() const { return m_passed; }

private:
    qsizetype m_count = 0;
    qsizetype m_textLength = 0;
    std::optional<Limit> m_passed;
};

} // namespace fenban::exchange::sheet_limits
