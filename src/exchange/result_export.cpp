#include "exchange/result_export.h"

#include "exchange/file_output.h"
#include "exchange/sheets/sheet.h"
#include "exchange/xlsx_file.h"

#include <QFileInfo>

namespace fenban::exchange {

namespace {

const QString sheetName = QStringLiteral("分班结果");

// Spreadsheets keep numbers as doubles and show 15 digits of them; a longer student number goes as
// text so that it is written, shown and read back digit for digit.
QVariant studentNumberCell(qint64 number) {
    constexpr qint64 exactInSheets = 999'999'999'999'999;
    if (number >= -exactInSheets && number <= exactInSheets)
        return double(number);
    return QString::number(number);
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

store::Status writeCsv(const QList<store::StudentRecord> &students, const QString &path,
                       const WriteStep &write) {
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
    return replaceFile(path, bytes, write);
}

store::Status writeXlsx(const QList<store::StudentRecord> &students, const QString &path,
                        const WriteStep &write) {
    QList<QVariantList> rows;
    QVariantList header;
    for (const QString &title : resultHeaders())
        header.append(title);
    rows.append(header);
    for (const store::StudentRecord &student : students)
        rows.append(resultRow(student));
    return writeXlsxRows(path, sheetName, rows, write);
}

} // namespace

const QStringList &resultHeaders() {
    static const QStringList headers{
        QStringLiteral("学号"), QStringLiteral("登分号"), QStringLiteral("姓名"),     QStringLiteral("性别"),
        QStringLiteral("数学"), QStringLiteral("英语"),   QStringLiteral("语文"),     QStringLiteral("物理"),
        QStringLiteral("政治"), QStringLiteral("历史"),   QStringLiteral("体育"),     QStringLiteral("地理"),
        QStringLiteral("生物"), QStringLiteral("总分"),   QStringLiteral("毕业学校"), QStringLiteral("地址"),
        QStringLiteral("班名"), QStringLiteral("备注"),   QStringLiteral("分类"),
    };
    return headers;
}

QVariantList resultRow(const store::StudentRecord &student) {
    const auto text = [](const QString &value) {
        return value.isEmpty() ? QVariant() : QVariant(value);
    };
    QVariantList cells{studentNumberCell(student.studentId), text(student.recId), text(student.name),
                       text(student.sex)};
    for (const auto &score : student.scores)
        cells.append(score ? QVariant(*score) : QVariant());
    cells << student.total() << text(student.oralSchool) << text(student.addr)
          << QVariant(QString::number(student.classId) + QStringLiteral("班")) << text(student.qxMemo)
          << text(student.pfType);
    return cells;
}

store::Status writeResult(const QList<store::StudentRecord> &students, const QString &path,
                          const WriteStep &write) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
        return writeCsv(students, path, write);
    return writeXlsx(students, path, write);
}

} // namespace fenban::exchange
