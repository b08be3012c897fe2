#include "reports/roster.h"

#include "exchange/xlsx_file.h"
#include "store/projects.h"

#include <QMap>

#include <algorithm>
#include <cmath>

namespace fenban::reports {

namespace {

const QString serialColumn = QStringLiteral("序号");
const QString numberColumn = QStringLiteral("学号");
const QString totalColumn = QStringLiteral("总分");

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QVariant textCell(const QString &text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant cellOf(const QString &column, const store::StudentRecord &student, int serial) {
    if (column == serialColumn)
        return double(serial);
    if (column == numberColumn) {
        // A spreadsheet keeps 15 digits of a number; a longer student number stays exact as text.
        constexpr qint64 exactDigits = 1'000'000'000'000'000;
        if (student.studentId > -exactDigits && student.studentId < exactDigits)
            return double(student.studentId);
        return QString::number(student.studentId);
    }
    if (column == QStringLiteral("登分号"))
        return textCell(student.recId);
    if (column == QStringLiteral("姓名"))
        return textCell(student.name);
    if (column == QStringLiteral("性别"))
        return textCell(student.sex);
    if (column == QStringLiteral("毕业学校"))
        return textCell(student.oralSchool);
    if (column == QStringLiteral("地址"))
        return textCell(student.addr);
    if (column == totalColumn)
        return student.total();
    if (column == QStringLiteral("备注"))
        return textCell(student.qxMemo);
    if (column == QStringLiteral("分类"))
        return textCell(student.pfType);
    for (std::size_t subject = 0; subject < subjectCount; ++subject) {
        if (column == utf8(subjects[subject].label)) {
            const auto score = student.scores[subject];
            return score ? QVariant(*score) : QVariant();
        }
    }
    return {};
}

// Names in pinyin order: the stored pinyin form decides, the characters and then the number break
// ties, so two runs print the same order.
bool beforeByName(const store::StudentRecord &a, const store::StudentRecord &b) {
    if (const int byPinyin = QString::compare(a.pingyin, b.pingyin); byPinyin != 0)
        return byPinyin < 0;
    if (const int byName = QString::compare(a.name, b.name); byName != 0)
        return byName < 0;
    return a.studentId < b.studentId;
}

bool beforeByNumber(const store::StudentRecord &a, const store::StudentRecord &b) {
    return a.studentId < b.studentId;
}

RosterClass rosterClass(const QString &description, int classId, QList<store::StudentRecord> students,
                        const RosterOptions &options) {
    std::stable_sort(students.begin(), students.end(),
                     options.sort == RosterSort::Name ? beforeByName : beforeByNumber);
    RosterClass page;
    page.classId = classId;
    page.title = QStringLiteral("%1 %2 名单").arg(description, rosterClassName(classId));
    double totals = 0.0;
    for (qsizetype index = 0; index < students.size(); ++index) {
        const store::StudentRecord &student = students[index];
        if (student.sex == QStringLiteral("男"))
            ++page.boys;
        else if (student.sex == QStringLiteral("女"))
            ++page.girls;
        totals += student.total();
        QVariantList row;
        for (const QString &column : options.columns)
            row.append(cellOf(column, student, int(index) + 1));
        page.rows.append(row);
    }
    page.averageTotal = students.isEmpty() ? 0.0 : totals / double(students.size());
    page.countLine =
        QStringLiteral("共%1人，男%2人，女%3人").arg(students.size()).arg(page.boys).arg(page.girls);
    return page;
}

// Characters a cell takes on screen: a CJK character counts two.
double displayWidth(const QString &text) {
    double width = 0.0;
    for (const QChar character : text)
        width += character.unicode() >= 0x1100 ? 2.0 : 1.0;
    return width;
}

QString cellText(const QVariant &cell) {
    if (cell.typeId() == QMetaType::Double)
        return QString::number(cell.toDouble(), 'g', 17);
    return cell.toString();
}

// Wide enough for the longest cell of each column, header included, within reason.
QList<double> fittingWidths(const QList<QVariantList> &rows) {
    constexpr double padding = 2.0;
    constexpr double widest = 60.0;
    QList<double> widths;
    for (const QVariantList &row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (widths.size() <= column)
                widths.append(0.0);
            widths[column] = std::max(widths[column], displayWidth(cellText(row[column])));
        }
    }
    for (double &width : widths)
        width = std::min(width + padding, widest);
    return widths;
}

exchange::XlsxSheet tableSheet(const QString &name, QList<QVariantList> rows) {
    exchange::XlsxSheet sheet{name, std::move(rows)};
    sheet.columnWidths = fittingWidths(sheet.rows);
    sheet.boldFrozenHeader = true;
    return sheet;
}

} // namespace

QStringList RosterOptions::defaultColumns() {
    return {serialColumn, numberColumn, QStringLiteral("姓名"), QStringLiteral("性别"),
            QStringLiteral("毕业学校")};
}

QStringList rosterColumns() {
    QStringList columns{serialColumn,
                        numberColumn,
                        QStringLiteral("登分号"),
                        QStringLiteral("姓名"),
                        QStringLiteral("性别"),
                        QStringLiteral("毕业学校"),
                        QStringLiteral("地址"),
                        totalColumn};
    for (const Subject &subject : subjects)
        columns.append(utf8(subject.label));
    columns << QStringLiteral("备注") << QStringLiteral("分类");
    return columns;
}

store::Status checkRosterColumns(const QStringList &columns) {
    const QStringList known = rosterColumns();
    if (columns.isEmpty())
        return store::Status::failure(
            QStringLiteral("没有选择名单的列; 可选的列: %1").arg(known.join(QStringLiteral(","))));
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString &column = columns[i];
        if (!known.contains(column))
            return store::Status::failure(
                QStringLiteral("未知的列: %1; 可选的列: %2").arg(column, known.join(QStringLiteral(","))));
        if (columns.indexOf(column) < i)
            return store::Status::failure(QStringLiteral("名单的列重复: %1").arg(column));
    }
    return store::Status::success();
}

QString rosterClassName(int classId) {
    return classId > 0 ? QStringLiteral("%1班").arg(classId) : QStringLiteral("未分班");
}

Roster buildRoster(const QString &description, int classCount, const QList<store::StudentRecord> &students,
                   const RosterOptions &options) {
    QMap<int, QList<store::StudentRecord>> byClass;
    for (const store::StudentRecord &student : students) {
        const bool placed = student.classId >= 1 && student.classId <= classCount;
        byClass[placed ? student.classId : 0].append(student);
    }
    Roster roster;
    roster.columns = options.columns;
    for (int classId = 1; classId <= classCount; ++classId)
        roster.classes.append(rosterClass(description, classId, byClass.value(classId), options));
    // Nobody may be forgotten at the gate: the students in no class get their own page.
    if (byClass.contains(0))
        roster.classes.append(rosterClass(description, 0, byClass.value(0), options));
    return roster;
}

store::Result<Roster> loadRoster(QSqlDatabase db, int projectId, const RosterOptions &options) {
    using R = store::Result<Roster>;
    if (const store::Status checked = checkRosterColumns(options.columns); !checked)
        return R::failure(checked.error());
    const auto project = store::ProjectStore(db).get(projectId);
    if (!project)
        return R::failure(project.error());
    const auto students = store::StudentStore(db).byClass(projectId);
    if (!students)
        return R::failure(students.error());
    const store::Project &found = project.value();
    return R::success(buildRoster(found.memo, found.classes, students.value(), options));
}

QList<QVariantList> rosterSummaryRows(const Roster &roster) {
    QList<QVariantList> rows{{QStringLiteral("班级"), QStringLiteral("人数"), QStringLiteral("男生"),
                              QStringLiteral("女生"), QStringLiteral("总分平均分")}};
    for (const RosterClass &page : roster.classes) {
        const double average = std::round(page.averageTotal * 100.0) / 100.0;
        rows.append({rosterClassName(page.classId), double(page.size()), double(page.boys),
                     double(page.girls),
                     QVariant::fromValue(exchange::XlsxNumber{average, QStringLiteral("0.00")})});
    }
    return rows;
}

store::Status writeRosterWorkbook(const Roster &roster, const QString &path,
                                  const exchange::WriteStep &write) {
    QList<exchange::XlsxSheet> sheets{tableSheet(QStringLiteral("汇总"), rosterSummaryRows(roster))};
    for (const RosterClass &page : roster.classes) {
        QList<QVariantList> rows{QVariantList(roster.columns.cbegin(), roster.columns.cend())};
        rows.append(page.rows);
        sheets.append(tableSheet(rosterClassName(page.classId), std::move(rows)));
    }
    return exchange::writeXlsxSheets(path, sheets, write);
}

} // namespace fenban::reports
