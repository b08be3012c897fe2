#include "exchange/result_export.h"

#include "exchange/sheets/sheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <xlsxwriter.h>

#include <filesystem>

namespace fenban::exchange {

namespace {

const QString sheetName = QStringLiteral("分班结果");

store::Status writeFailure(const QString &path, const QString &reason) {
    return store::Status::failure(
        QStringLiteral("无法写入文件 %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

QString csvField(const QVariant &cell) {
    if (cell.isNull())
        return {};
    if (cell.typeId() == QMetaType::Double)
        return numberText(cell.toDouble());
    QString text = cell.toString();
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

QString csvLine(const QVariantList &cells) {
    QStringList fields;
    for (const QVariant &cell : cells)
        fields.append(csvField(cell));
    return fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

store::Status writeCsv(const QList<store::StudentRecord> &students, const QString &path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    // The byte-order mark lets spreadsheet programs on Chinese systems see UTF-8 instead of GBK.
    QByteArray bytes("\xEF\xBB\xBF");
    QVariantList header;
    for (const QString &title : resultHeaders())
        header.append(title);
    while (header.size() < resultColumnCount)
        header.append(QVariant());
    bytes += csvLine(header).toUtf8();
    for (const store::StudentRecord &student : students)
        bytes += csvLine(resultRow(student)).toUtf8();
    file.write(bytes);
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return store::Status::success();
}

lxw_error writeXlsxCell(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t column, const QVariant &cell) {
    if (cell.isNull())
        return LXW_NO_ERROR;
    if (cell.typeId() == QMetaType::Double)
        return worksheet_write_number(sheet, row, column, cell.toDouble(), nullptr);
    return worksheet_write_string(sheet, row, column, cell.toString().toUtf8().constData(), nullptr);
}

store::Status writeXlsx(const QList<store::StudentRecord> &students, const QString &path) {
    // Written beside the target and renamed at the end, so a failure never leaves half a workbook
    // under the chosen name nor destroys a file that was there.
    const QString partial = path + QStringLiteral(".part");
    lxw_workbook *workbook = workbook_new(QFile::encodeName(partial).constData());
    if (!workbook)
        return writeFailure(path, QStringLiteral("无法创建工作簿"));
    lxw_worksheet *sheet = workbook_add_worksheet(workbook, sheetName.toUtf8().constData());
    lxw_error error = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (int column = 0; column < resultHeaders().size() && error == LXW_NO_ERROR; ++column)
        error = writeXlsxCell(sheet, 0, static_cast<lxw_col_t>(column), resultHeaders()[column]);
    lxw_row_t row = 1;
    for (const store::StudentRecord &student : students) {
        const QVariantList cells = resultRow(student);
        for (int column = 0; column < cells.size() && error == LXW_NO_ERROR; ++column)
            error = writeXlsxCell(sheet, row, static_cast<lxw_col_t>(column), cells[column]);
        ++row;
    }
    const lxw_error closed = workbook_close(workbook);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR) {
        QFile::remove(partial);
        return writeFailure(path, QString::fromUtf8(lxw_strerror(error)));
    }
    // rename(2) replaces an existing file in one step.
    std::error_code renameError;
    std::filesystem::rename(QFile::encodeName(partial).toStdString(), QFile::encodeName(path).toStdString(),
                            renameError);
    if (renameError) {
        QFile::remove(partial);
        return writeFailure(path, QString::fromLocal8Bit(renameError.message()));
    }
    return store::Status::success();
}

} // namespace

const QStringList &resultHeaders() {
    static const QStringList headers{
        QStringLiteral("学号"), QStringLiteral("登分号"), QStringLiteral("姓名"),     QStringLiteral("性别"),
        QStringLiteral("数学"), QStringLiteral("英语"),   QStringLiteral("语文"),     QStringLiteral("物理"),
        QStringLiteral("政治"), QStringLiteral("历史"),   QStringLiteral("体育"),     QStringLiteral("地理"),
        QStringLiteral("生物"), QStringLiteral("总分"),   QStringLiteral("毕业学校"), QStringLiteral("地址"),
        QStringLiteral("班名"),
    };
    return headers;
}

QVariantList resultRow(const store::StudentRecord &student) {
    const auto text = [](const QString &value) {
        return value.isEmpty() ? QVariant() : QVariant(value);
    };
    QVariantList cells{double(student.studentId), text(student.recId), text(student.name), text(student.sex)};
    for (const auto &score : student.scores)
        cells.append(score ? QVariant(*score) : QVariant());
    cells << student.total() << text(student.oralSchool) << text(student.addr)
          << QVariant(QString::number(student.classId) + QStringLiteral("班")) << text(student.qxMemo)
          << text(student.pfType);
    return cells;
}

store::Status writeResult(const QList<store::StudentRecord> &students, const QString &path) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
        return writeCsv(students, path);
    return writeXlsx(students, path);
}

} // namespace fenban::exchange
