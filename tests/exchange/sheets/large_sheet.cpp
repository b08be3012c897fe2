// The workbooks are written cell by cell, so that no large file needs to be kept.
#include "large_sheet.h"
#include "compound_writer.h"
#include "package_writer.h"

#include <QStringList>
#include <QtEndian>

#include <cstring>

namespace fenban::exchange::testing {

using namespace Qt::StringLiterals;

// Row 1 is the header; each student row mixes numbers and texts as a real list does.
namespace {

bool isNumberColumn(int column) {
    return column == 1 || (column >= 5 && column <= 13);
}

QString cellText(int row, int column) {
    if (row == 1)
        return u"列"_s + QString::number(column);
    const int student = row - 1;
    switch (column) {
    case 1:
        return QString::number(20260000 + student);
    case 2:
        return u"0"_s + QString::number(student);
    case 3:
        return u"学生"_s + QString::number(student);
    case 4:
        return student % 2 ? u"男"_s : u"女"_s;
    default:
        if (isNumberColumn(column))
            return QString::number((student * 7 + column * 13) % 100) + (column == 6 ? u".5"_s : QString());
        return u"第"_s + QString::number(student % 40) + u"中学"_s;
    }
}

} // namespace

SheetData largeSheet() {
    SheetData sheet;
    for (int row = 1; row <= students + 1; ++row) {
        for (int column = 1; column <= columns; ++column)
            sheet.setCell(row, column, cellText(row, column));
    }
    return sheet;
}

QByteArray largeCsv() {
    QString text;
    for (int row = 1; row <= students + 1; ++row) {
        QStringList cells;
        for (int column = 1; column <= columns; ++column)
            cells.append(cellText(row, column));
        text += cells.join(u',') + u"\r\n"_s;
    }
    return text.toUtf8();
}

QByteArray largeXlsx() {
    QByteArray sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    QByteArray strings = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    int stringCount = 0;
    for (int row = 1; row <= students + 1; ++row) {
        sheet += "<row r=\"" + QByteArray::number(row) + "\">";
        for (int column = 1; column <= columns; ++column) {
            const QByteArray text = cellText(row, column).toUtf8();
            if (row > 1 && isNumberColumn(column)) {
                sheet += "<c><v>" + text + "</v></c>";
            } else {
                strings += "<si><t>" + text + "</t></si>";
                sheet += "<c t=\"s\"><v>" + QByteArray::number(stringCount++) + "</v></c>";
            }
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    strings += "</sst>";
    return workbookPackage(sheet, strings);
}

namespace {

// The binary format, with the texts of column 3 as stored formula results, which the reader must take
// from the stream for every row.
class BiffStream {
public:
    void record(quint16 type, const QByteArray &data) {
        put16(m_bytes, type);
        put16(m_bytes, quint16(data.size()));
        m_bytes += data;
    }
    qsizetype size() const { return m_bytes.size(); }
    const QByteArray &bytes() const { return m_bytes; }

    static void put16(QByteArray &out, quint16 value) {
        char raw[2];
        qToLittleEndian(value, raw);
        out.append(raw, 2);
    }
    static void put32(QByteArray &out, quint32 value) {
        char raw[4];
        qToLittleEndian(value, raw);
        out.append(raw, 4);
    }
    static QByteArray wideText(const QString &text) {
        QByteArray out;
        put16(out, quint16(text.size()));
        out += '\x01';
        for (const QChar c : text)
            put16(out, c.unicode());
        return out;
    }
    static QByteArray cell(int row, int column) {
        QByteArray out;
        put16(out, quint16(row - 1));
        put16(out, quint16(column - 1));
        put16(out, 15);
        return out;
    }

private:
    QByteArray m_bytes;
};

QByteArray beginOfFile(quint16 kind) {
    QByteArray data;
    BiffStream::put16(data, 0x0600);
    BiffStream::put16(data, kind);
    BiffStream::put16(data, 0x0DBB);
    BiffStream::put16(data, 0x07CC);
    BiffStream::put32(data, 0);
    BiffStream::put32(data, 6);
    return data;
}

QByteArray workbookStream() {
    BiffStream sheet;
    sheet.record(0x0809, beginOfFile(0x0010));
    QByteArray dimensions;
    BiffStream::put32(dimensions, 0);
    BiffStream::put32(dimensions, students + 1);
    BiffStream::put16(dimensions, 0);
    BiffStream::put16(dimensions, columns);
    BiffStream::put16(dimensions, 0);
    sheet.record(0x0200, dimensions);
    for (int row = 1; row <= students + 1; ++row) {
        for (int column = 1; column <= columns; ++column) {
            const QString text = cellText(row, column);
            if (row > 1 && isNumberColumn(column)) {
                QByteArray data = BiffStream::cell(row, column);
                const double value = text.toDouble();
                char raw[8];
                std::memcpy(raw, &value, 8);
                data.append(raw, 8);
                sheet.record(0x0203, data);
            } else if (row > 1 && column == 3) {
                QByteArray data = BiffStream::cell(row, column);
                data += QByteArray("\0\0\0\0\0\0\xFF\xFF", 8); // text result, in the next record
                data += QByteArray("\0\0\0\0\0\0\x03\x00\x1E\x01\x00", 11);
                sheet.record(0x0006, data);
                sheet.record(0x0207, BiffStream::wideText(text));
            } else {
                sheet.record(0x0204, BiffStream::cell(row, column) + BiffStream::wideText(text));
            }
        }
    }
    sheet.record(0x000A, {});

    BiffStream globals;
    globals.record(0x0809, beginOfFile(0x0005));
    QByteArray codePage;
    BiffStream::put16(codePage, 1200);
    globals.record(0x0042, codePage);
    for (int i = 0; i < 16; ++i) {
        QByteArray format(20, '\0');
        format[4] = char(i < 15 ? 0xF5 : 0x01);
        format[5] = char(i < 15 ? 0xFF : 0x00);
        globals.record(0x00E0, format);
    }
    QByteArray entry;
    const qsizetype sheetStart = globals.size() + 4 + 10 + 4; // this entry and the end record follow
    BiffStream::put32(entry, quint32(sheetStart));
    entry += QByteArray("\0\0\x01\x01S\0", 6); // a visible worksheet named "S"
    globals.record(0x0085, entry);
    globals.record(0x000A, {});
    return globals.bytes() + sheet.bytes();
}

} // namespace

QByteArray largeXls() {
    return compoundFile({{"Workbook", workbookStream()}});
}

} // namespace fenban::exchange::testing
