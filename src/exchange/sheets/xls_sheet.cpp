#include "exchange/sheets/xls_sheet.h"

#include "exchange/sheets/biff_shared_strings.h"
#include "exchange/sheets/biff_stream.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace fenban::exchange::xls {

using biff::Record;
using biff::recordAt;
using biff::u16;
using biff::u32;

namespace {

enum RecordType : quint16 {
    BeginOfFile = 0x0809,
    EndOfFile = 0x000A,
    FilePass = 0x002F,
    CodePage = 0x0042,
    BoundSheet = 0x0085,
    SharedStringTable = 0x00FC,
    Number = 0x0203,
    Rk = 0x027E,
    MulRk = 0x00BD,
    LabelSst = 0x00FD,
    Label = 0x0204,
    RichString = 0x00D6,
    BoolErr = 0x0205,
    Formula = 0x0006,
    FormulaString = 0x0207,
    SharedFormula = 0x04BC,
    ArrayFormula = 0x0221,
    DataTable = 0x0236,
};

// The begin-of-file records of the single-sheet formats from before workbooks.
constexpr quint16 olderBeginOfFile[] = {0x0009, 0x0209, 0x0409};

constexpr quint8 worksheetKind = 0x00;

QString booleanText(quint8 value) {
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

class Reader {
public:
    explicit Reader(QByteArrayView stream) : m_stream(stream) {}

    FirstWorksheet read() {
        const std::optional<Record> begin = recordAt(m_stream, 0);
        if (begin && std::ranges::find(olderBeginOfFile, begin->type) != std::end(olderBeginOfFile))
            return outcome(FirstWorksheet::Outcome::TooOld);
        if (!begin || begin->type != BeginOfFile || begin->data.size() < 4)
            return outcome(FirstWorksheet::Outcome::Damaged);
        m_unicode = u16(begin->data, 0) >= 0x0600;

        const std::optional<qsizetype> sheetStart = readGlobals(begin->next);
        if (m_result.outcome == FirstWorksheet::Outcome::Encrypted)
            return std::move(m_result);
        const bool read = sheetStart && readSheet(*sheetStart);
        if (m_passed) {
            m_result.passed = *m_passed;
            return outcome(FirstWorksheet::Outcome::TooLarge);
        }
        if (!read)
            return outcome(FirstWorksheet::Outcome::Damaged);
        m_result.sheet = m_sheet.take();
        return outcome(FirstWorksheet::Outcome::Read);
    }

private:
    FirstWorksheet outcome(FirstWorksheet::Outcome value) {
        m_result.outcome = value;
        return std::move(m_result);
    }

    // The end record has no data, so its four bytes are always the same.
    static bool isStartOfEndRecord(QByteArrayView rest) {
        static constexpr QByteArrayView endRecord("\x0A\x00\x00\x00", 4);
        return !rest.isEmpty() && rest.size() < endRecord.size() && endRecord.startsWith(rest);
    }

    // The part before the sheets. Its sheet list is in tab order, and each entry says where its sheet
    // starts in the stream; the sheets themselves need not come in the same order.
    std::optional<qsizetype> readGlobals(qsizetype position) {
        std::optional<qsizetype> sheetStart;
        QList<QByteArrayView> stringTable;
        for (;;) {
            const std::optional<Record> record = recordAt(m_stream, position);
            if (!record)
                return std::nullopt;
            position = record->next;
            const QByteArrayView data = record->data;
            switch (record->type) {
            case EndOfFile: {
                sheet_limits::Parsed<QList<QString>> strings = biff::readSharedStrings(stringTable);
                if (!strings) {
                    m_passed = strings.passed();
                    return std::nullopt;
                }
                m_sharedStrings = std::move(*strings);
                return sheetStart;
            }
            case FilePass:
                m_result.outcome = FirstWorksheet::Outcome::Encrypted;
                return std::nullopt;
            case CodePage:
                if (data.size() >= 2)
                    m_codePage = u16(data, 0);
                break;
            case BoundSheet:
                if (!sheetStart && data.size() >= 6 && quint8(data[5]) == worksheetKind)
                    sheetStart = u32(data, 0);
                break;
            case SharedStringTable:
                stringTable = {data};
                position = appendContinuations(position, stringTable);
                break;
            default:
                break;
            }
        }
    }

    qsizetype appendContinuations(qsizetype position, QList<QByteArrayView> &pieces) const {
        while (const std::optional<Record> next = recordAt(m_stream, position)) {
            if (next->type != biff::continueRecord)
                break;
            pieces.append(next->data);
            position = next->next;
        }
        return position;
    }

    bool readSheet(qsizetype position) {
        const std::optional<Record> begin = recordAt(m_stream, position);
        if (!begin || begin->type != BeginOfFile)
            return false;
        position = begin->next;
        // Charts placed on the sheet bring begin and end records of their own.
        int depth = 1;
        while (depth > 0) {
            const std::optional<Record> record = recordAt(m_stream, position);
            if (!record) {
                // Cut off inside the sheet's own end record: every cell came before it, and other
                // programs open such a file. Cut anywhere else, cells may be missing.
                return depth == 1 && position < m_stream.size() &&
                       isStartOfEndRecord(m_stream.sliced(position));
            }
            position = record->next;
            if (record->type == BeginOfFile)
                ++depth;
            else if (record->type == EndOfFile)
                --depth;
            else if (depth == 1 && !readCellRecord(*record, position))
                return false;
        }
        return true;
    }

    // False once the sheet passes a limit.
    bool set(int row, int column, QString text) {
        if (m_sheet.setCell(row, column, std::move(text)))
            return true;
        m_passed = m_sheet.passed();
        return false;
    }

    bool set(QByteArrayView cellRecord, QString text) {
        return set(u16(cellRecord, 0) + 1, u16(cellRecord, 2) + 1, std::move(text));
    }

    // False where a record is too short for what it claims to hold, or refers to a string that is not there.
    bool readCellRecord(const Record &record, qsizetype &position) {
        const QByteArrayView data = record.data;
        if (record.type != FormulaString && record.type != SharedFormula && record.type != ArrayFormula &&
            record.type != DataTable && record.type != biff::continueRecord)
            m_pendingText.reset();
        switch (record.type) {
        case Number:
            if (data.size() < 14)
                return false;
            return set(data, numberText(biff::f64(data, 6)));
        case Rk:
            if (data.size() < 10)
                return false;
            return set(data, numberText(biff::rkNumber(u32(data, 6))));
        case MulRk:
            return readMulRk(data);
        case LabelSst: {
            if (data.size() < 10)
                return false;
            const quint32 index = u32(data, 6);
            if (index >= quint32(m_sharedStrings.size()))
                return false;
            return set(data, m_sharedStrings[qsizetype(index)]);
        }
        case Label:
        case RichString:
            return readLabel(data);
        case BoolErr:
            if (data.size() < 8)
                return false;
            return set(data, data[7] ? biff::errorText(quint8(data[6])) : booleanText(quint8(data[6])));
        case Formula:
            return data.size() >= 14 && readFormula(data);
        case FormulaString:
            return !m_pendingText || readFormulaText(data, position);
        default:
            return true;
        }
    }

    // A run of number cells in one row: the first column, six bytes per cell, the last column.
    bool readMulRk(QByteArrayView data) {
        if (data.size() < 6 || (data.size() - 6) % 6 != 0)
            return false;
        const int row = u16(data, 0) + 1;
        const int first = u16(data, 2) + 1;
        const qsizetype count = (data.size() - 6) / 6;
        if (u16(data, data.size() - 2) + 1 != first + count - 1)
            return false;
        for (qsizetype i = 0; i < count; ++i) {
            if (!set(row, first + int(i), numberText(biff::rkNumber(u32(data, 4 + i * 6 + 2)))))
                return false;
        }
        return true;
    }

    bool readLabel(QByteArrayView data) {
        if (data.size() < 8)
            return false;
        if (m_unicode) {
            const std::optional<QString> text = biff::unicodeString(data, 6);
            if (!text)
                return false;
            return set(data, *text);
        }
        const int count = u16(data, 6);
        if (data.size() < 8 + count)
            return false;
        return set(data, biff::codePageText(m_codePage, data.sliced(8, count)));
    }

    // The stored result: a number, or, marked by 0xFFFF in its last two bytes, a kind byte with the value.
    bool readFormula(QByteArrayView data) {
        if (u16(data, 12) != 0xFFFF)
            return set(data, numberText(biff::f64(data, 6)));
        switch (quint8(data[6])) {
        case 0: // text, in a record of its own that follows
            m_pendingText = std::pair{u16(data, 0) + 1, u16(data, 2) + 1};
            return set(data, QString());
        case 1:
            return set(data, booleanText(quint8(data[8])));
        case 2:
            return set(data, biff::errorText(quint8(data[8])));
        default: // empty text
            return set(data, QString());
        }
    }

    bool readFormulaText(QByteArrayView data, qsizetype &position) {
        const auto [row, column] = *m_pendingText;
        m_pendingText.reset();
        if (data.size() < 2)
            return false;
        const int count = u16(data, 0);
        std::optional<QString> text;
        if (m_unicode) {
            if (data.size() < 3)
                return false;
            QList<QByteArrayView> pieces{data.sliced(3)};
            position = appendContinuations(position, pieces);
            text = biff::PieceReader(pieces).characters(count, quint8(data[2]));
        } else if (data.size() >= 2 + count) {
            text = biff::codePageText(m_codePage, data.sliced(2, count));
        }
        if (!text)
            return false;
        return set(row, column, std::move(*text));
    }

    QByteArrayView m_stream;
    bool m_unicode = true;
    int m_codePage = 1252;
    QList<QString> m_sharedStrings;
    std::optional<std::pair<int, int>> m_pendingText;
    sheet_limits::BoundedSheet m_sheet;
    std::optional<sheet_limits::Limit> m_passed;
    FirstWorksheet m_result;
};

} // namespace

FirstWorksheet readFirstWorksheet(QByteArrayView workbookStream) {
    return Reader(workbookStream).read();
}

} // namespace fenban::exchange::xls
