#include "exchange/sheets/csv_reader.h"

#include "exchange/sheets/csv_text.h"
#include "exchange/sheets/sheet_errors.h"
#include "exchange/sheets/sheet_file.h"

namespace fenban::exchange {

namespace {

bool endsField(QChar c) {
    return c == u',' || c == u'\n' || c == u'\r';
}

} // namespace

sheet_limits::Parsed<SheetData> parseCsv(QStringView text) {
    sheet_limits::BoundedSheet sheet;
    const qsizetype size = text.size();
    qsizetype i = 0;
    int row = 1;
    int column = 1;
    QString field;
    while (i < size) {
        field.clear();
        if (text[i] == u'"') {
            ++i;
            while (i < size) {
                const qsizetype quote = text.indexOf(u'"', i);
                if (quote < 0) {
                    // An unclosed quote runs to the end of the file, as spreadsheet programs read it.
                    field += text.sliced(i);
                    i = size;
                    break;
                }
                field += text.sliced(i, quote - i);
                i = quote + 1;
                if (i < size && text[i] == u'"') {
                    field += u'"';
                    ++i;
                    continue;
                }
                break;
            }
        }
        // Unquoted text, and anything stray after a closing quote, is taken as it stands.
        const qsizetype start = i;
        while (i < size && !endsField(text[i]))
            ++i;
        field += text.sliced(start, i - start);
        if (!sheet.setCell(row, column, field))
            break;

        if (i >= size)
            break;
        if (text[i] == u',') {
            ++column;
            ++i;
            continue;
        }
        if (text[i] == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        ++i;
        ++row;
        column = 1;
    }
    return sheet.result();
}

Result<SheetData> CsvReader::read(const QString &path) const {
    const Result<QByteArray> bytes = readSheetFile(path);
    if (!bytes)
        return Result<SheetData>::failure(bytes.error());
    const CsvText decoded = decodeCsv(bytes.value());
    if (!isPlainText(decoded.text))
        return Result<SheetData>::failure(sheet_errors::corrupt(path));
    if (decoded.undecodableLine > 0)
        return Result<SheetData>::failure(sheet_errors::undecodableText(path, decoded.undecodableLine));
    sheet_limits::Parsed<SheetData> sheet = parseCsv(decoded.text);
    if (!sheet)
        return Result<SheetData>::failure(sheet_errors::tooLarge(path, *sheet.passed()));
    return Result<SheetData>::success(std::move(*sheet));
}

} // namespace fenban::exchange
