#include "exchange/xlsx_file.h"

#include "exchange/file_output.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#ifdef _WIN32
#include <string>
#include <windows.h>
#endif

namespace fenban::exchange {

namespace {

// The workbook's display formats, made once per format text.
class NumberFormats {
public:
    explicit NumberFormats(lxw_workbook *workbook) : m_workbook(workbook) {}

    lxw_format *format(const QString &text) {
        if (text.isEmpty())
            return nullptr;
        auto found = m_formats.find(text);
        if (found == m_formats.end()) {
            lxw_format *made = workbook_add_format(m_workbook);
            if (made)
                format_set_num_format(made, text.toUtf8().constData());
            found = m_formats.insert(text, made);
        }
        return found.value();
    }

private:
    lxw_workbook *m_workbook;
    QHash<QString, lxw_format *> m_formats;
};

lxw_error writeXlsxCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t column, const QVariant &cell,
                        NumberFormats &formats, lxw_format *bold) {
    if (cell.isNull())
        return LXW_NO_ERROR;
    if (cell.typeId() == QMetaType::Double)
        return worksheet_write_number(sheet, row, column, cell.toDouble(), bold);
    if (cell.typeId() == qMetaTypeId<XlsxNumber>()) {
        const auto number = cell.value<XlsxNumber>();
        return worksheet_write_number(sheet, row, column, number.value, formats.format(number.format));
    }
    return worksheet_write_string(sheet, row, column, cell.toString().toUtf8().constData(), bold);
}

lxw_error layOutSheet(lxw_worksheet *sheet, const XlsxSheet &data) {
    lxw_error error = LXW_NO_ERROR;
    for (qsizetype column = 0; column < data.columnWidths.size() && error == LXW_NO_ERROR; ++column)
        error = worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), data.columnWidths[column],
                                     nullptr);
    if (data.boldFrozenHeader)
        worksheet_freeze_panes(sheet, 1, 0);
    return error;
}

QString workbookErrorText(lxw_error error) {
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("内存不足");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
        return QStringLiteral("无法生成临时工作簿");
    default:
        return QStringLiteral("无法生成工作簿: %1").arg(QString::fromUtf8(lxw_strerror(error)));
    }
}

// The names the workbook library is given for its files. On Windows it takes the workbook's name as
// UTF-8 but opens its temporary files in the folder given in the system's code page, which may not
// hold a user's name (C:\Users\<name>\AppData\Local\Temp); the folder's short name then stands in,
// and without one the library falls back to %TMP%.
#ifdef _WIN32

QByteArray libraryFileName(const QString &path) {
    return QDir::toNativeSeparators(path).toUtf8();
}

QByteArray libraryFolderName(const QString &path) {
    const QString native = QDir::toNativeSeparators(path);
    const auto fits = [](const QString &name) {
        return QString::fromLocal8Bit(name.toLocal8Bit()) == name;
    };
    if (fits(native))
        return native.toLocal8Bit();
    const std::wstring wide = native.toStdWString();
    std::wstring shortName(MAX_PATH, L'\0');
    const DWORD length = GetShortPathNameW(wide.c_str(), shortName.data(), DWORD(shortName.size()));
    if (length == 0 || length >= shortName.size())
        return QByteArray();
    const QString shortened = QString::fromWCharArray(shortName.data(), qsizetype(length));
    return fits(shortened) ? shortened.toLocal8Bit() : QByteArray();
}

#else

QByteArray libraryFileName(const QString &path) {
    return QFile::encodeName(path);
}

QByteArray libraryFolderName(const QString &path) {
    return QFile::encodeName(path);
}

#endif

// The workbook's bytes. The library reports its own failures on standard error and can be told no
// other stream, so it only ever writes into a private folder of ours, where nothing but a lack of
// temporary space can fail; the target's folder, where a teacher's disk may be full or read-only,
// is left to replaceFile.
store::Result<QByteArray> workbookBytes(const QList<XlsxSheet> &sheets) {
    using R = store::Result<QByteArray>;
    const QTemporaryDir folder;
    if (!folder.isValid())
        return R::failure(QStringLiteral("无法创建临时文件夹: %1").arg(folder.errorString()));
    const QString bookPath = folder.filePath(QStringLiteral("book.xlsx"));
    QByteArray temporaryFolder = libraryFolderName(folder.path());
    lxw_workbook_options options{};
    options.tmpdir = temporaryFolder.isEmpty() ? nullptr : temporaryFolder.data();
    lxw_workbook *workbook = workbook_new_opt(libraryFileName(bookPath).constData(), &options);
    if (!workbook)
        return R::failure(workbookErrorText(LXW_ERROR_MEMORY_MALLOC_FAILED));
    lxw_error error = LXW_NO_ERROR;
    NumberFormats formats(workbook);
    lxw_format *bold = nullptr;
    for (qsizetype index = 0; index < sheets.size() && error == LXW_NO_ERROR; ++index) {
        lxw_worksheet *sheet = workbook_add_worksheet(workbook, sheets[index].name.toUtf8().constData());
        if (!sheet) {
            error = LXW_ERROR_MEMORY_MALLOC_FAILED;
            break;
        }
        if (sheets[index].boldFrozenHeader && !bold) {
            bold = workbook_add_format(workbook);
            if (bold)
                format_set_bold(bold);
        }
        error = layOutSheet(sheet, sheets[index]);
        const QList<QVariantList> &rows = sheets[index].rows;
        for (qsizetype row = 0; row < rows.size() && error == LXW_NO_ERROR; ++row) {
            lxw_format *rowFormat = row == 0 && sheets[index].boldFrozenHeader ? bold : nullptr;
            for (qsizetype column = 0; column < rows[row].size() && error == LXW_NO_ERROR; ++column)
                error = writeXlsxCell(sheet, lxw_row_t(row), lxw_col_t(column), rows[row][column], formats,
                                      rowFormat);
        }
    }
    const lxw_error closed = workbook_close(workbook);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR)
        return R::failure(workbookErrorText(error));
    QFile book(bookPath);
    if (!book.open(QIODevice::ReadOnly))
        return R::failure(QStringLiteral("无法读取临时工作簿: %1").arg(book.errorString()));
    return R::success(book.readAll());
}

} // namespace

store::Status writeXlsxSheets(const QString &path, const QList<XlsxSheet> &sheets, const WriteStep &write) {
    // Refused before the work, so a wrong target costs nothing.
    if (const store::Status checked = checkTarget(path); !checked)
        return checked;
    const auto bytes = workbookBytes(sheets);
    if (!bytes)
        return writeFailure(path, bytes.error());
    return replaceFile(path, bytes.value(), write);
}

store::Status writeXlsxRows(const QString &path, const QString &sheetName, const QList<QVariantList> &rows,
                            const WriteStep &write) {
    return writeXlsxSheets(path, {{sheetName, rows}}, write);
}

} // namespace fenban::exchange
