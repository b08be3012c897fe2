#include "exchange/sheets/xls_records.h"

#include "exchange/sheets/sheet.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <optional>

namespace fenban::exchange::xls {

namespace {

enum RecordType : quint16 {
    BeginOfFile = 0x0809,
    EndOfFile = 0x000A,
    FilePass = 0x002F,
    CodePage = 0x0042,
    BoundSheet = 0x0085,
    Formula = 0x0006,
    FormulaString = 0x0207,
    BoolErr = 0x0205,
    Continue = 0x003C,
    SharedFormula = 0x04BC,
    ArrayFormula = 0x0221,
    DataTable = 0x0236,
};

// The begin-of-file records of the single-sheet formats before workbooks had several sheets.
constexpr quint16 olderBeginOfFile[] = {0x0009, 0x0209, 0x0409};

constexpr quint8 worksheetKind = 0x00;

struct Record {
    quint16 type;
    QByteArrayView data;
    qsizetype next;
};

quint16 u16(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint16>(data.data() + at);
}

quint32 u32(QByteArrayView data, qsizetype at) {
    return qFromLittleEndian<quint32>(data.data() + at);
}

// Null at the end of the stream and where a record would run past it.
std::optional<Record> recordAt(QByteArrayView stream, qsizetype position) {
    if (position < 0 || position + 4 > stream.size())
        return std::nullopt;
    const quint16 type = u16(stream, position);
    const quint16 size = u16(stream, position + 2);
    if (position + 4 + size > stream.size())
        return std::nullopt;
    return Record{type, stream.sliced(position + 4, size), position + 4 + size};
}

// Text in the eight-bit code page of a workbook from before the switch to UTF-16.
QString decodeCodePage(int codePage, QByteArrayView bytes) {
    QByteArray name;
    if (codePage == 32768)
        name = "macintosh";
    else if (codePage != 367 && codePage != 32769)
        name = "CP" + QByteArray::number(codePage);
    else
        name = "CP1252";
    QStringDecoder decoder(name.constData());
    return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
}

// A string of `count` characters, starting at `offset` in the first piece. Long strings go on in
// continuation records, each of which starts with a flag byte saying whether its characters take one
// byte (the low byte of UTF-16) or two.
std::optional<QString> unicodeCharacters(const QList<QByteArrayView> &pieces, qsizetype offset, int count,
                                         quint8 flags) {
    QString text;
    text.reserve(count);
    qsizetype piece = 0;
    while (text.size() < count) {
        QByteArrayView data = pieces[piece];
        if (offset >= data.size()) {
            if (++piece >= pieces.size() || pieces[piece].isEmpty())
                return std::nullopt;
            flags = quint8(pieces[piece][0]);
            offset = 1;
            continue;
        }
        const qsizetype width = (flags & 0x01) ? 2 : 1;
        const qsizetype available = (data.size() - offset) / width;
        if (available == 0)
            return std::nullopt;
        const qsizetype take = std::min<qsizetype>(available, count - text.size());
        for (qsizetype k = 0; k < take; ++k) {
            const qsizetype at = offset + k * width;
            text += QChar(width == 2 ? u16(data, at) : char16_t(quint8(data[at])));
        }
        offset += take * width;
    }
    return text;
}

QString errorText(quint8 code) {
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    default:
        return QStringLiteral("#N/A");
    }
}

QString booleanText(quint8 value) {
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

class Scanner {
public:
    explicit Scanner(QByteArrayView stream) : m_stream(stream) {}

    FirstWorksheet scan() {
        const std::optional<Record> begin = recordAt(m_stream, 0);
        if (begin && std::ranges::find(olderBeginOfFile, begin->type) != std::end(olderBeginOfFile))
            return outcome(FirstWorksheet::Outcome::UnknownVersion);
        if (!begin || begin->type != BeginOfFile || begin->data.size() < 4)
            return outcome(FirstWorksheet::Outcome::Damaged);
        m_unicode = u16(begin->data, 0) >= 0x0600;

        const std::optional<qsizetype> sheetStart = scanGlobals(begin->next);
        if (m_result.outcome != FirstWorksheet::Outcome::Found)
            return m_result;
        if (!sheetStart)
            return outcome(FirstWorksheet::Outcome::Damaged);
        scanSheet(*sheetStart);
        return m_result;
    }

private:
    FirstWorksheet outcome(FirstWorksheet::Outcome value) {
        m_result.outcome = value;
        return m_result;
    }

    // The workbook part before the sheets: the sheet list in tab order, each entry giving where its sheet
    // starts in the stream, which need not follow the same order.
    std::optional<qsizetype> scanGlobals(qsizetype position) {
        std::optional<qsizetype> sheetStart;
        QByteArrayView rawName;
        for (;;) {
            const std::optional<Record> record = recordAt(m_stream, position);
            if (!record) {
                m_result.outcome = FirstWorksheet::Outcome::Damaged;
                return std::nullopt;
            }
            position = record->next;
            const QByteArrayView data = record->data;
            if (record->type == EndOfFile)
                break;
            if (record->type == FilePass) {
                m_result.outcome = FirstWorksheet::Outcome::Encrypted;
                return std::nullopt;
            }
            if (record->type == CodePage && data.size() >= 2)
                m_codePage = u16(data, 0);
            if (record->type == BoundSheet && !sheetStart && data.size() >= 7 && quint8(data[5]) == worksheetKind) {
                sheetStart = u32(data, 0);
                rawName = data.sliced(6);
            }
        }
        m_result.outcome = FirstWorksheet::Outcome::Found;
        if (sheetStart)
            m_result.name = sheetName(rawName);
        return sheetStart;
    }

    QString sheetName(QByteArrayView raw) const {
        const int count = quint8(raw[0]);
        if (!m_unicode)
            return decodeCodePage(m_codePage, raw.sliced(1, std::min<qsizetype>(count, raw.size() - 1)));
        if (raw.size() < 2)
            return {};
        return unicodeCharacters({raw}, 2, count, quint8(raw[1])).value_or(QString());
    }

    void scanSheet(qsizetype position) {
        const std::optional<Record> begin = recordAt(m_stream, position);
        if (!begin || begin->type != BeginOfFile) {
            m_result.outcome = FirstWorksheet::Outcome::Damaged;
            return;
        }
        position = begin->next;
        // Charts embedded in the sheet bring their own begin and end records.
        int depth = 1;
        while (depth > 0) {
            const std::optional<Record> record = recordAt(m_stream, position);
            if (!record) {
                m_result.outcome = FirstWorksheet::Outcome::Damaged;
                return;
            }
            position = record->next;
            if (record->type == BeginOfFile) {
                ++depth;
                continue;
            }
            if (record->type == EndOfFile) {
                --depth;
                continue;
            }
            if (depth == 1 && !take(*record, position)) {
                m_result.outcome = FirstWorksheet::Outcome::Damaged;
                return;
            }
        }
    }

    // False where a record is too short for what it claims to be.
    bool take(const Record &record, qsizetype &position) {
        const QByteArrayView data = record.data;
        switch (record.type) {
        case Formula:
            m_pendingString.reset();
            return data.size() >= 14 && takeFormula(data);
        case FormulaString:
            if (m_pendingString)
                return takeFormulaString(data, position);
            return true;
        case BoolErr:
            m_pendingString.reset();
            if (data.size() < 8)
                return false;
            store(data, quint8(data[7]) ? errorText(quint8(data[6])) : booleanText(quint8(data[6])));
            return true;
        case SharedFormula:
        case ArrayFormula:
        case DataTable:
        case Continue:
            // These may stand between a formula and the record with its text result.
            return true;
        default:
            m_pendingString.reset();
            return true;
        }
    }

    // The stored result: a number, or, marked by 0xFFFF in its last two bytes, a kind byte with the value.
    bool takeFormula(QByteArrayView data) {
        if (u16(data, 12) != 0xFFFF) {
            store(data, numberText(std::bit_cast<double>(qFromLittleEndian<quint64>(data.data() + 6))));
            return true;
        }
        switch (quint8(data[6])) {
        case 0: // text, in the record that follows
            m_pendingString = StoredValue{u16(data, 0) + 1, u16(data, 2) + 1, {}};
            break;
        case 1:
            store(data, booleanText(quint8(data[8])));
            break;
        case 2:
            store(data, errorText(quint8(data[8])));
            break;
        default: // empty text
            store(data, QString());
            break;
        }
        return true;
    }

    bool takeFormulaString(QByteArrayView data, qsizetype &position) {
        StoredValue value = *m_pendingString;
        m_pendingString.reset();
        if (data.size() < 2)
            return false;
        const int count = u16(data, 0);
        if (!m_unicode) {
            if (data.size() < 2 + count)
                return false;
            value.text = decodeCodePage(m_codePage, data.sliced(2, count));
        } else {
            if (data.size() < 3)
                return false;
            QList<QByteArrayView> pieces{data};
            while (const std::optional<Record> next = recordAt(m_stream, position)) {
                if (next->type != Continue)
                    break;
                pieces.append(next->data);
                position = next->next;
            }
            const std::optional<QString> text = unicodeCharacters(pieces, 3, count, quint8(data[2]));
            if (!text)
                return false;
            value.text = *text;
        }
        m_result.storedValues.append(std::move(value));
        return true;
    }

    void store(QByteArrayView cellRecord, QString text) {
        m_result.storedValues.append({u16(cellRecord, 0) + 1, u16(cellRecord, 2) + 1, std::move(text)});
    }

    QByteArrayView m_stream;
    bool m_unicode = true;
    int m_codePage = 1252;
    std::optional<StoredValue> m_pendingString;
    FirstWorksheet m_result;
};

} // namespace

FirstWorksheet scanFirstWorksheet(QByteArrayView workbookStream) {
    return Scanner(workbookStream).scan();
}

} // namespace fenban::exchange::xls
